#pragma once
// Copies of a string with a class of UTF-16 units removed, with every run of
// a class collapsed into one unit, or with every unit mapped through a
// 65,536-entry conversion table (a CharsTable or a table of the caller's).
// The in-place edits these copies share are in mutable_string_edits.h, which
// also collapses runs through collapseRuns below; trimming is in trimming.h.
//
// A null string gives a null string everywhere. Where a function says it
// answers "the receiver", it returns its argument itself (shared, no copy)
// when nothing changes, so that callers can test identity with
// QString::isSharedWith.
//
// The classes are the toolkit's bitmaps (chars_table.h) and the feed
// characters of lines.h.

#include "foundation/chars_table.h"

#include <QString>

namespace sorvant {

// --- removing a class ------------------------------------------------------

// The string without the units that are members of `set`; always a new
// string, but the receiver itself for a null set or an empty receiver.
//   ("a b", spaces)  => "ab"    ("ab", spaces) => "ab" (a new string)
//   ("", spaces)     => ""      (null, spaces) => null    ("a b", nullptr) => "a b"
[[nodiscard]] QString stringByRemovingCharactersInRep(const QString& string, const CharacterSetBitmap* set);

// The string without white spaces (getWhiteSpacesBitmap, line ends included).
//   "a \tb\r\n" => "ab"    "" => ""    null => null
[[nodiscard]] QString stringByRemovingWhiteSpaces(const QString& string);

// The string without feed characters, tabs, or spaces (getSpacesBitmap,
// which holds the tab but no line end).
//   stringByRemovingFeeds("a\r\nb\u2028")  => "ab"
//   stringByRemovingTabs("\t\t")           => ""
//   stringByRemovingSpaces("a \tb\n")      => "ab\n"
[[nodiscard]] QString stringByRemovingFeeds(const QString& string);
[[nodiscard]] QString stringByRemovingTabs(const QString& string);
[[nodiscard]] QString stringByRemovingSpaces(const QString& string);

// The string without the given unit, or without every unit that occurs in
// `characters` (nothing removed for a null or empty `characters`).
//   stringByRemovingCharacters("a-b-c", '-')                => "abc"
//   stringByRemovingCharactersOfString("a-b.c", "-.")       => "abc"
//   stringByRemovingCharactersOfString("a-b", QString())    => "a-b"
[[nodiscard]] QString stringByRemovingCharacters(const QString& string, unichar character);
[[nodiscard]] QString stringByRemovingCharactersOfString(const QString& string, const QString& characters);

// The string without decimal digits (getDigitsBitmap); the receiver when it
// holds none.
//   "a1b22" => "ab"    "123" => ""    "ab" => the receiver    null => null
[[nodiscard]] QString stringByRemovingDigits(const QString& string);

// --- removing and mapping --------------------------------------------------

// Only the alphanumerics of the string, each mapped through `table` when one
// is given; a new string, the receiver when it is empty.
//   ("A-b 1", lower) => "ab1"    ("A-b 1", nullptr) => "Ab1"    ("", t) => ""
[[nodiscard]] QString stringByRemovingNonAlphaNumericCharactersAndApplyingConversionTable(const QString& string,
                                                                                        const CharsTable* table);

// Every unit replaced by its entry in `table`; the length is kept. A new
// string, but the receiver for a null table or an empty receiver.
//   ("ÀbC", lower) => "àbc"    ("abc", nullptr) => the receiver
[[nodiscard]] QString stringByApplyingConversionTable(const QString& string, const CharsTable* table);

// The string without digits, the other units mapped through the lower or
// the upper CharsTable; a new string.
//   lowercaseStringByRemovingDigits("AB12c") => "abc"
//   uppercaseStringByRemovingDigits("ab12C") => "ABC"
[[nodiscard]] QString lowercaseStringByRemovingDigits(const QString& string);
[[nodiscard]] QString uppercaseStringByRemovingDigits(const QString& string);

// Only the full stops and decimal digits of the string, in order.
//   "10.0.0.1:8080x" => "10.0.0.18080"    "abc" => ""    "" => ""
[[nodiscard]] QString stringByRemovingNonIPCharacters(const QString& string);

// --- collapsing runs -------------------------------------------------------

// Each run of spaces (tabs included) becomes one U+0020; the receiver when
// nothing changes.
//   "a \t b" => "a b"    "a\tb" => "a b"    "a b" => the receiver    "" => ""
[[nodiscard]] QString stringByRemovingMultipleSpaces(const QString& string);

// Each run of white spaces, line ends included, becomes one U+0020; nothing
// is trimmed.
//   "a\r\n\t b" => "a b"    "\n\na " => " a "    "a b" => the receiver
[[nodiscard]] QString stringByRemovingMultipleWhiteSpaces(const QString& string);

// Each run of feed characters becomes one U+000A; spaces stay.
//   "a\r\n\r\nb" => "a\nb"    "a\rb" => "a\nb"    "a\nb  " => the receiver
[[nodiscard]] QString stringByRemovingMultipleFeeds(const QString& string);

// The outcome of collapseRuns.
struct CollapsedRuns
{
    qsizetype length = 0;   // units written
    bool changed = false;   // a unit was rewritten or the length shrank
};

// Collapses, in place, each run of units for which `isMember` holds into one
// `replacement`; the unit that ends a run is kept. The write position never
// passes the read position, so the units may be the string's own storage.
// A run of one unit equal to the replacement is no change.
//   ("a  b", spaces, ' ')  => "a b", {3, true}
//   ("a\tb", spaces, ' ')  => "a b", {3, true}
//   ("a b",  spaces, ' ')  => "a b", {3, false}
template <typename IsMember>
CollapsedRuns collapseRuns(unichar* units, qsizetype length, IsMember isMember, unichar replacement)
{
    qsizetype write = 0;
    bool changed = false;
    for (qsizetype read = 0; read < length;) {
        unichar unit = units[read++];
        if (isMember(unit)) {
            unit = replacement;
            while (read < length && isMember(units[read]))
                ++read;
        }
        if (units[write] != unit) {
            units[write] = unit;
            changed = true;
        }
        ++write;
    }
    return {write, changed || write != length};
}

} // namespace sorvant
