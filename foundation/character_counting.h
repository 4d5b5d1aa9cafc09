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
//   countCharacter("/a/b/c", '/')                              => 3
//   findCharacter("xA", 'a', CharacterMatching::IgnoringCase)  => 1
//   findCharacter("xA", 'a')                                   => NSNotFound
//   findLastCharacter("a>b>c>d", '>', 3)                       => 5
//   findOneOf("a/b#c?d", "?#")                                 => 3
//   containsCharacters("a/b.c", kContainsPeriod | kContainsSlash) => true

#include "foundation/chars_table.h"
#include "foundation/range.h"

#include <QStringView>

namespace sorvant {

// How a text unit is compared with the sought one. An enum, not a bool, so
// that a start index can never be taken for the option or the other way
// round: findCharacter(s, c, 1) is a start, never "ignoring case".
enum class CharacterMatching { Exact, IgnoringCase };

// --- counting --------------------------------------------------------------
// The number of units at or after `start` equal to `c`:  ("", c) => 0
[[nodiscard]] qsizetype countCharacter(QStringView string, unichar c,
                                       CharacterMatching matching = CharacterMatching::Exact);
[[nodiscard]] qsizetype countCharacter(QStringView string, unichar c, qsizetype start,
                                       CharacterMatching matching = CharacterMatching::Exact);

// --- containing ------------------------------------------------------------
[[nodiscard]] bool containsCharacter(QStringView string, unichar c,
                                     CharacterMatching matching = CharacterMatching::Exact);
[[nodiscard]] bool containsCharacter(QStringView string, unichar c, qsizetype start,
                                     CharacterMatching matching = CharacterMatching::Exact);

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
// The first index at or after `start` holding `c`, or NSNotFound.
[[nodiscard]] qsizetype findCharacter(QStringView string, unichar c,
                                      CharacterMatching matching = CharacterMatching::Exact);
[[nodiscard]] qsizetype findCharacter(QStringView string, unichar c, qsizetype start,
                                      CharacterMatching matching = CharacterMatching::Exact);

// The last index at or after `start` holding `c` (searched from the end).
[[nodiscard]] qsizetype findLastCharacter(QStringView string, unichar c,
                                          CharacterMatching matching = CharacterMatching::Exact);
[[nodiscard]] qsizetype findLastCharacter(QStringView string, unichar c, qsizetype start,
                                          CharacterMatching matching = CharacterMatching::Exact);

// The first index at or after `start` holding any unit of `set`; NSNotFound
// also for an empty set:  ("abc", "") => NSNotFound
[[nodiscard]] qsizetype findOneOf(QStringView string, QStringView set,
                                  CharacterMatching matching = CharacterMatching::Exact);
[[nodiscard]] qsizetype findOneOf(QStringView string, QStringView set, qsizetype start,
                                  CharacterMatching matching = CharacterMatching::Exact);

} // namespace sorvant
