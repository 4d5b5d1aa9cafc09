#pragma once
// Tests and counts over the UTF-16 units of a string against the character
// classes of chars_table.h (white spaces, letters, alphanumerics, digits, the
// case and diacritic tables), against ASCII digits and against CJK ranges.
// Each unit is looked at by itself: the two units of a surrogate pair count
// separately. Whole-string class tests ("every unit is white") are in
// lines.h, finding and counting single units in character_counting.h, and
// the in-place trimSuffixCharacter with its siblings in mutable_string_edits.h.
//
// A null string behaves as the empty string.

#include "foundation/chars_table.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace sorvant {

// --- membership in a bitmap --------------------------------------------------

// Whether some unit of `string` is a member of `set`:
//   ("a b", white spaces) => true   ("ab", white spaces) => false
//   ("", set) => false              (s, nullptr) => false
[[nodiscard]] bool containsCharacterOfSet(QStringView string, const CharacterSetBitmap* set);
// How many units of `string` are members of `set`:
//   ("a1b22", digits) => 3          ("", set) => 0     (s, nullptr) => 0
[[nodiscard]] qsizetype countCharactersOfSet(QStringView string, const CharacterSetBitmap* set);

// containsCharacterOfSet with the given set or one of the shared bitmaps.
[[nodiscard]] bool containsCharacterPartOfCharacterSetRep(QStringView string, const CharacterSetBitmap* set);
[[nodiscard]] bool containsAlphaNumCharacter(QStringView string);
[[nodiscard]] bool containsAlphaCharacter(QStringView string);
[[nodiscard]] bool containsWhiteCharacter(QStringView string);
[[nodiscard]] bool containsDigitCharacter(QStringView string);

// countCharactersOfSet with the given set or one of the shared bitmaps.
[[nodiscard]] qsizetype countCharactersPartOfCharacterSetRep(QStringView string, const CharacterSetBitmap* set);
[[nodiscard]] qsizetype countAlphaNumCharacters(QStringView string);
[[nodiscard]] qsizetype countAlphaCharacters(QStringView string);
[[nodiscard]] qsizetype countWhiteCharacters(QStringView string);
[[nodiscard]] qsizetype countDigitCharacters(QStringView string);

// --- scripts and ASCII digits -----------------------------------------------

// Whether `c` is an ASCII digit, U+0030..U+0039 (no other script's digits):
//   ('7') => true   ('a') => false   (U+0661 ARABIC-INDIC ONE) => false
[[nodiscard]] constexpr bool isAsciiDigit(unichar c)
{
    return c >= u'0' && c <= u'9';
}

// Whether some unit lies in U+3000..U+30FF, U+3400..U+4DBF, U+4E00..U+9FFF or
// U+A700..U+EBEF (the last range takes in Hangul, and also the surrogate and
// some private-use units):
//   ("漢字") => true   ("한") => true   ("Latin") => false   ("") => false
[[nodiscard]] bool containsCJKCharacter(QStringView string);

// The number of maximal runs of ASCII digits (U+0030..U+0039):
//   ("a1b22") => 2   ("007") => 1   ("١٢") => 0 (not ASCII)   ("") => 0
[[nodiscard]] qsizetype countNumbers(QStringView string);

// Whether `number` occurs in `string` with no ASCII digit right before or
// right after it (a number by itself, not part of a longer one):
//   ("1212, 12", "12") => true   ("123", "12") => false   ("x12", "12") => true
//   ("12", "") => false   ("", "12") => false   ("1", "12") => false
[[nodiscard]] bool containsNumber(QStringView string, QStringView number);

// Whether `string` holds at least `n` consecutive ASCII digits:
//   ("ab1234", 3) => true   ("12a34", 3) => false   (s, 0) => false
[[nodiscard]] bool containsNumberWithNDigits(QStringView string, qsizetype n);
// The same over a unit buffer; false for a null buffer or a length below n.
[[nodiscard]] bool containsNumberOfLength(const unichar* units, qsizetype length, qsizetype n);

// --- case and diacritics ----------------------------------------------------

// Whether every unit is at most U+007F:   ("abc") => true   ("é") => false   ("") => true
[[nodiscard]] bool isAsciiString(QStringView string);
// Whether no byte has its high bit set:   ("abc") => true   ("\xC3\xA9") => false   ("") => true
[[nodiscard]] bool isAsciiString(const QByteArray& data);
// Whether some unit carries a diacritic (differs from its umlauts-table entry):
//   ("café") => true   ("cafe") => false   ("") => false
[[nodiscard]] bool isUmlautedString(QStringView string);
// Whether lower-casing through the lower table would change nothing:
//   ("abc1") => true   ("aBc") => false   ("") => true
[[nodiscard]] bool isLowerCaseString(QStringView string);
// Whether upper-casing through the upper table would change nothing:
//   ("ABC1") => true   ("ß") => true (the table keeps it)   ("aB") => false   ("") => true
[[nodiscard]] bool isUpperCaseString(QStringView string);

} // namespace sorvant
