#pragma once
// A set of Unicode code points, with the predefined sets of the platform's
// string services. The predefined sets are defined by Unicode general
// categories, from ICU's data:
//   letterCharacterSet                L*, M*
//   alphanumericCharacterSet          L*, M*, N*
//   decimalDigitCharacterSet          Nd
//   lowercaseLetterCharacterSet       Ll
//   uppercaseLetterCharacterSet       Lu, Lt
//   whitespaceCharacterSet            Zs, U+0009
//   whitespaceAndNewlineCharacterSet  Z*, U+0009..U+000D, U+0085
//   newlineCharacterSet               U+000A..U+000D, U+0085, U+2028, U+2029
//   punctuationCharacterSet           P*
//   symbolCharacterSet                S*
//   controlCharacterSet               Cc, Cf
//   illegalCharacterSet               unassigned code points (Cn)
// Sets are values: copies are independent. A default-constructed set is empty.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

struct USet;

namespace sorvant {

// The predefined sets by name, for predefinedSetBitmap.
enum class PredefinedSet {
    Letters,
    Alphanumerics,
    DecimalDigits,
    LowercaseLetters,
    UppercaseLetters,
    Whitespace,
    WhitespaceAndNewline,
    Newline,
    Punctuation,
    Symbols,
    Controls,
    Illegal,
};

// The predefined set's membership below `end` (at most the Basic
// Multilingual Plane; none above it), as bitmapRepresentation lays it out,
// made from ICU's general-category ranges without building the set: a set
// first gathers its categories' boundaries over all of Unicode, which cost
// a search's start-up 0.27 ms for the white spaces alone (0.09 ms this
// way). Up to U+00FF each character is asked its category (about 1 µs for
// ASCII).
[[nodiscard]] QByteArray predefinedSetBitmap(PredefinedSet which, char32_t end = 0x10000);

class CharacterSet
{
public:
    CharacterSet();
    CharacterSet(const CharacterSet& other);
    CharacterSet& operator=(const CharacterSet& other);
    CharacterSet(CharacterSet&&) noexcept;
    CharacterSet& operator=(CharacterSet&&) noexcept;
    ~CharacterSet();

    // --- predefined sets --------------------------------------------------
    static CharacterSet letterCharacterSet();
    static CharacterSet alphanumericCharacterSet();
    static CharacterSet decimalDigitCharacterSet();
    static CharacterSet lowercaseLetterCharacterSet();
    static CharacterSet uppercaseLetterCharacterSet();
    static CharacterSet whitespaceCharacterSet();
    static CharacterSet whitespaceAndNewlineCharacterSet();
    static CharacterSet newlineCharacterSet();
    static CharacterSet punctuationCharacterSet();
    static CharacterSet symbolCharacterSet();
    static CharacterSet controlCharacterSet();
    static CharacterSet illegalCharacterSet();

    // Every UTF-16 unit of `string` (surrogate pairs count as one code point).
    //   characterSetWithCharactersInString("ab")  => {a, b}
    //   characterSetWithCharactersInString({})    => {}
    static CharacterSet characterSetWithCharactersInString(const QString& string);
    // The code points first..first+length-1.
    static CharacterSet characterSetWithRange(char32_t first, char32_t length);

    // --- observers --------------------------------------------------------
    [[nodiscard]] bool characterIsMember(char32_t c) const;
    [[nodiscard]] bool isEmpty() const;
    // The set's membership over the Basic Multilingual Plane: 8,192 bytes,
    // unit c a member when bit (c & 7) of byte (c >> 3) is set.
    [[nodiscard]] QByteArray bitmapRepresentation() const;
    // Every code point not in the set.
    [[nodiscard]] CharacterSet invertedSet() const;

    // --- mutators ---------------------------------------------------------
    void addCharactersInString(const QString& string);
    void removeCharactersInString(const QString& string);
    void addCharactersInRange(char32_t first, char32_t length);
    void removeCharactersInRange(char32_t first, char32_t length);
    void formUnionWithCharacterSet(const CharacterSet& other);
    void formIntersectionWithCharacterSet(const CharacterSet& other);

private:
    explicit CharacterSet(USet* set);
    USet* m_set;
};

} // namespace sorvant
