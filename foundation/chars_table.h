#pragma once
// The process-wide character tables and class bitmaps that every case- or
// diacritic-insensitive compare, search and count maps through.
//
// A CharsTable is 65,536 UTF-16 units, entry c being the folded form of c.
// An entry changes only for a letter whose transformation is exactly one
// unit; everything else maps to itself:
//   upper['a'] => 'A'        upper[U+00DF] => U+00DF (upper case is "SS")
//   lower[U+0130] => U+0130  umlauts[U+00E9] => 'e'   umlauts[U+00C9] => 'E'
// A CharacterSetBitmap is 8,192 bytes: unit c is a member when bit (c & 7) of
// byte (c >> 3) is set.
//
// Tables and bitmaps are built once, on first use, under a once-only
// initialisation, and are never changed or freed; any thread may read them.

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace sorvant {

class CharacterSet;

using unichar = char16_t;
using CharsTable = unichar;                 // used as `const CharsTable*`, 65,536 entries
using CharacterSetBitmap = std::uint8_t;    // used as `const CharacterSetBitmap*`, 8,192 bytes

inline constexpr int kCharsTableSize = 65536;
inline constexpr int kBitmapSize = 8192;

// The comparison bit set of searching, wildcard matching and highlighting.
// The low two bits choose the table both sides are mapped through.
enum ComparisonOptions : unsigned {
    kComparisonIgnoreCase = 1,
    kComparisonIgnoreDiacritics = 2,
    kComparisonFuzzy = 4,
};

// --- tables ----------------------------------------------------------------
[[nodiscard]] const CharsTable* getLowerCharsTable();
[[nodiscard]] const CharsTable* getUpperCharsTable();
[[nodiscard]] const CharsTable* getUmlautsCharsTable();
[[nodiscard]] const CharsTable* getUpperUmlautsCharsTable();   // upper[umlauts[c]]
[[nodiscard]] const CharsTable* getLowerUmlautsCharsTable();   // lower[umlauts[c]]

// The same tables under the names the string category hands them out by.
[[nodiscard]] inline const CharsTable* lowerCharsTable() { return getLowerCharsTable(); }
[[nodiscard]] inline const CharsTable* upperCharsTable() { return getUpperCharsTable(); }
[[nodiscard]] inline const CharsTable* umlautsCharsTable() { return getUmlautsCharsTable(); }
[[nodiscard]] inline const CharsTable* upperUmlautsCharsTable() { return getUpperUmlautsCharsTable(); }
[[nodiscard]] inline const CharsTable* lowerUmlautsCharsTable() { return getLowerUmlautsCharsTable(); }

// The table the low two bits of `comparison` choose:
//   0 => nullptr   1 => upper   2 => umlauts   3 => upperUmlauts
//   charsTableForComparison(4) => nullptr (fuzzy alone folds nothing)
[[nodiscard]] const CharsTable* charsTableForComparison(unsigned comparison);

// --- unit accessors --------------------------------------------------------
[[nodiscard]] unichar lowercaseCharacter(unichar c);
[[nodiscard]] unichar uppercaseCharacter(unichar c);
[[nodiscard]] unichar nonUmlautedCharacter(unichar c);
// As nonUmlautedCharacter, but a result of 128 or more becomes a space:
//   U+00E9 => 'e'   U+00DF => ' '
[[nodiscard]] unichar nonUmlautedAsciiCharacter(unichar c);
[[nodiscard]] unichar upperNonUmlautedCharacter(unichar c);
[[nodiscard]] unichar lowerNonUmlautedCharacter(unichar c);

// --- class bitmaps ---------------------------------------------------------
// spaces: white space without line breaks, plus U+0000 and U+0009.
[[nodiscard]] const CharacterSetBitmap* getSpacesBitmap();
// white spaces: white space and line ends, plus U+0000, U+0003, U+0009,
// U+000A, U+000C, U+000D, U+00A0, U+2028, U+2029, U+FEFF, U+FFFC.
[[nodiscard]] const CharacterSetBitmap* getWhiteSpacesBitmap();
// The same for ASCII alone (nothing above U+007F), made without the rest:
// what splits and trims an ASCII string.
[[nodiscard]] const CharacterSetBitmap* getAsciiWhiteSpacesBitmap();
[[nodiscard]] const CharacterSetBitmap* getLettersBitmap();
[[nodiscard]] const CharacterSetBitmap* getAlphaNumBitmap();
[[nodiscard]] const CharacterSetBitmap* getDigitsBitmap();
[[nodiscard]] const CharacterSetBitmap* getLowercaseLettersBitmap();
[[nodiscard]] const CharacterSetBitmap* getUppercaseLettersBitmap();
[[nodiscard]] const CharacterSetBitmap* getEmptyBitmap();

// The membership test of a bitmap.
[[nodiscard]] inline bool bitmapContains(const CharacterSetBitmap* bitmap, unichar c)
{
    return (bitmap[c >> 3] & (1u << (c & 7))) != 0;
}
inline void bitmapAdd(CharacterSetBitmap* bitmap, unichar c)
{
    bitmap[c >> 3] = static_cast<CharacterSetBitmap>(bitmap[c >> 3] | (1u << (c & 7)));
}
inline void bitmapRemove(CharacterSetBitmap* bitmap, unichar c)
{
    bitmap[c >> 3] = static_cast<CharacterSetBitmap>(bitmap[c >> 3] & ~(1u << (c & 7)));
}

// --- character-set conveniences --------------------------------------------
// The 8,192 bytes of the set's membership over the Basic Multilingual Plane.
[[nodiscard]] QByteArray bitmap(const CharacterSet& set);
// Every member among the units U+0000..U+FFFE, ascending, one unit each:
//   string({b, a}) => "ab"    string({}) => ""
[[nodiscard]] QString string(const CharacterSet& set);

} // namespace sorvant
