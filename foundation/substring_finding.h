#pragma once
// Substring tests, counts and a wrapping find over strings, with or without
// case (the platform's find and compare, platform/string_compare.h: full
// case folding, so "straße" is found in "STRASSE"), and a fast test whether
// a text holds any of a fixed list of ASCII byte strings. Comparisons that
// look only at the members of a set are in filtered_equality.h.
//
// Null and empty strings behave alike unless a comment says otherwise.

#include "foundation/chars_table.h"
#include "foundation/range.h"

#include <QString>
#include <QStringList>

namespace sorvant {

// --- finding ---------------------------------------------------------------

// The next occurrence of `find` after `range` (the current match or
// selection) when `forward`, or the nearest one before it when not; with
// `wrap`, a forward search that fails goes on from the start of the text up
// to the range, a backward one from the end of the text back to the range.
// The range answered is what matched in `string` (folding may change its
// length); kMissingRange when nothing is found or `find` is empty.
//   ("abab", "b", {1, 1}, true, true, false)   => {3, 1}
//   ("abab", "b", {3, 1}, true, true, false)   => kMissingRange
//   ("abab", "b", {3, 1}, true, true, true)    => {1, 1}
//   ("abab", "B", {3, 1}, false, false, false) => {1, 1}
//   ("abab", "b", {0, 1}, true, false, true)   => {3, 1}
// A range reaching past the text is clipped to it.
[[nodiscard]] Range findString(const QString& string, const QString& find, Range range, bool caseSensitive,
                               bool forward, bool wrap);

// The first match of `needle` at or after `from` under the platform's find
// options (kCompareCaseInsensitive and the like): findString over [from, end).
//   ("a.b.b", "B", 2, kCompareCaseInsensitive) => {2, 1}
//   ("abc", "", 0, 0) => kMissingRange   ("abc", "c", 3, 0) => kMissingRange
[[nodiscard]] Range findNextString(QStringView haystack, QStringView needle, qsizetype from, unsigned options);

// Whether `substring` occurs in `string`; a substring of the same length
// must equal the string, a longer one never occurs, an empty one occurs
// nowhere:
//   ("abc", "b") => true    ("abc", "abc") => true   ("abc", "abcd") => false
//   ("abc", "")  => false   ("", "a") => false
//   ("STRASSE", "straße", false) => true
[[nodiscard]] bool containsSubstring(const QString& string, const QString& substring, bool caseSensitive = true);

// Whether any of `substrings` passes containsSubstring:
//   ("a dark theme", {"Light", "Dark"}, false) => true   ("x", {}) => false
[[nodiscard]] bool containsSubstrings(const QString& string, const QStringList& substrings,
                                      bool caseSensitive = true);

// The number of non-overlapping occurrences, each search starting after the
// previous match:
//   ("aaaa", "aa") => 2   ("abc", "") => 0   ("", "a") => 0
[[nodiscard]] qsizetype countSubstring(const QString& string, const QString& substring, bool caseSensitive = true);

// --- fixed ASCII lists -----------------------------------------------------

// Whether any of the null-terminated list of non-empty ASCII byte strings
// occurs in units[0, length), each byte compared with the unit at its
// place. With a table the text is mapped through it first (on a copy), so a
// case-insensitive caller passes the lower table and writes its list in
// lower case. A byte string longer than the text is skipped.
//   (u"SpecialOffer", {"offer", nullptr}, lower) => true
//   (u"SpecialOffer", {"offer", nullptr}, nullptr) => false
//   (units, 0, list, t) => false      (units, n, nullptr, t) => false
[[nodiscard]] bool containsAnyCString(const unichar* units, qsizetype length, const char* const* cstrings,
                                      const CharsTable* table);

// containsAnyCString over the string's units, through the lower table when
// not `caseSensitive`; false for a null list.
[[nodiscard]] bool containsSubCStrings(const QString& string, const char* const* cstrings,
                                       bool caseSensitive = true);

// --- summaries -------------------------------------------------------------

// A summary of the text in at most `n` paragraphs or sentences. There is no
// text summarizer on this platform, so no summary can be made and both
// answer null, which callers treat as "no summary".
[[nodiscard]] QString summarizeInParagraphs(const QString& string, qsizetype n);
[[nodiscard]] QString summarizeInSentences(const QString& string, qsizetype n);

} // namespace sorvant
