#pragma once
// Counting and finding single UTF-16 units in a string, optionally ignoring
// case, without making substrings. Indexes and counts are in UTF-16 units; a
// missing index is NSNotFound. A null string behaves as the empty string.
//
// Ignoring case maps the text unit and the sought unit through the upper
// CharsTable; a sought unit without case (its upper and lower table entries
// are equal, as for U+00DF or '/') is always compared exactly.
//
// The start index counts from the beginning; a negative start counts as 0,
// a start at or past the end finds nothing.
//   countCharacter("/a/b/c", '/')                  => 3
//   findCharacter("xA", 'a', true)                 => 1
//   findCharacter("xA", 'a')                       => NSNotFound
//   findLastCharacter("a>b>c>d", '>', 3, false)    => 5
//   findOneOf("a/b#c?d", "?#")                     => 3
//   containsCharacters("a/b.c", kContainsPeriod | kContainsSlash) => true

#include "foundation/chars_table.h"
#include "foundation/range.h"

#include <QStringView>

namespace sorvant {

// --- workers ---------------------------------------------------------------
// The number of units at or after `start` equal to `c`:  ("", c, 0) => 0
[[nodiscard]] qsizetype countCharacterFrom(QStringView string, unichar c, qsizetype start, bool caseInsensitive);
// The first index at or after `start` holding `c`, or NSNotFound.
[[nodiscard]] qsizetype findCharacterFrom(QStringView string, unichar c, qsizetype start, bool caseInsensitive);
// The last index at or after `start` holding `c` (searched from the end).
[[nodiscard]] qsizetype findLastCharacterFrom(QStringView string, unichar c, qsizetype start, bool caseInsensitive);
// The first index at or after `start` holding any unit of `set`; NSNotFound
// also for an empty set:  ("abc", "", 0) => NSNotFound
[[nodiscard]] qsizetype findOneOfFrom(QStringView string, QStringView set, qsizetype start, bool caseInsensitive);

// The three-argument forms take caseInsensitive, except findCharacter, which
// also takes a start. An integer in place of the flag would silently turn
// into `true`, so those calls are deleted: give start and flag together.

// --- counting --------------------------------------------------------------
[[nodiscard]] qsizetype countCharacter(QStringView string, unichar c);
[[nodiscard]] qsizetype countCharacter(QStringView string, unichar c, bool caseInsensitive);
qsizetype countCharacter(QStringView string, unichar c, int) = delete;
[[nodiscard]] qsizetype countCharacter(QStringView string, unichar c, qsizetype start, bool caseInsensitive);

// --- containing ------------------------------------------------------------
[[nodiscard]] bool containsCharacter(QStringView string, unichar c);
[[nodiscard]] bool containsCharacter(QStringView string, unichar c, bool caseInsensitive);
bool containsCharacter(QStringView string, unichar c, int) = delete;
[[nodiscard]] bool containsCharacter(QStringView string, unichar c, qsizetype start, bool caseInsensitive);

// The characters of containsCharacters, one bit each.
enum ContainedCharacters : unsigned {
    kContainsPeriod = 1,      // "."
    kContainsAt = 2,          // "@"
    kContainsSlash = 4,       // "/"
    kContainsQuestion = 8,    // "?"
    kContainsSemicolon = 16,  // ";"
    kContainsUnderscore = 32, // "_"
    kContainsAsterisk = 64,   // "*"
    kContainsDollar = 128,    // "$"
};
// Whether every character whose bit is set in `mask` occurs in `string`;
// false for a mask of 0, an empty string, or a bit above 128 (no character).
//   ("a/b.c", 1|4) => true    ("a/b", 1|4) => false    ("abc", 0) => false
[[nodiscard]] bool containsCharacters(QStringView string, unsigned mask);

// --- finding ---------------------------------------------------------------
[[nodiscard]] qsizetype findCharacter(QStringView string, unichar c);
[[nodiscard]] qsizetype findCharacter(QStringView string, unichar c, bool caseInsensitive);
[[nodiscard]] qsizetype findCharacter(QStringView string, unichar c, qsizetype start);
[[nodiscard]] inline qsizetype findCharacter(QStringView string, unichar c, int start)
{
    return findCharacter(string, c, qsizetype{start});
}
[[nodiscard]] qsizetype findCharacter(QStringView string, unichar c, qsizetype start, bool caseInsensitive);

[[nodiscard]] qsizetype findLastCharacter(QStringView string, unichar c);
[[nodiscard]] qsizetype findLastCharacter(QStringView string, unichar c, bool caseInsensitive);
qsizetype findLastCharacter(QStringView string, unichar c, int) = delete;
[[nodiscard]] qsizetype findLastCharacter(QStringView string, unichar c, qsizetype start, bool caseInsensitive);

[[nodiscard]] qsizetype findOneOf(QStringView string, QStringView set);
[[nodiscard]] qsizetype findOneOf(QStringView string, QStringView set, bool caseInsensitive);
qsizetype findOneOf(QStringView string, QStringView set, int) = delete;
[[nodiscard]] qsizetype findOneOf(QStringView string, QStringView set, qsizetype start, bool caseInsensitive);

} // namespace sorvant
