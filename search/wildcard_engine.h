#pragma once
// The wildcard matching engine: finding a pattern of one or more words in a
// word-indexed text, whole-text globs, and the similarity measure of fuzzy
// matching. Pattern kinds, tables and separators are in
// search/wildcard_patterns.h.
//
// Every glob here runs in O(text × pattern) time in the worst case: "*"
// matches greedily and backtracks to the last star only, which finds a match
// exactly when one exists (every other pattern element takes one unit), so
// no pattern can make a search hang.
//
// All functions work on the caller's buffers and the process-wide tables;
// any thread may call them once the tables exist (initWildcardTables).

#include "foundation/chars_table.h"
#include "foundation/range.h"
#include "search/stop_check.h"

#include <QString>

#include <cstdint>

namespace sorvant {

class FastWordEnumerator;
struct DoubleByteUnits;

// What the engine reads of a word index: its units, one flag byte per unit
// (FastWordIndexFlag: 2 the first unit of a word, 4 its last) and their count.
struct WordIndexView
{
    const unichar* characters = nullptr;
    const std::uint8_t* index = nullptr;
    qsizetype length = 0;
};

// The view of an enumerator's units and flags (valid while it lives unchanged).
[[nodiscard]] WordIndexView wordIndexView(const FastWordEnumerator& words);

// How a wildcard is searched for.
struct WildcardFindOptions
{
    // ComparisonOptions: 1 ignore case, 2 ignore diacritics, 4 fuzzy.
    unsigned comparison = 0;
    // With a star, a pattern needs at least this many literal units.
    qsizetype minCharacters = 1;
    // NO: the last hit before the end instead of the first after the start.
    bool forward = true;
    // Only the first word visited is tested.
    bool anchored = false;
    // A pattern that is "*" alone matches (see findWildcardInUnichars).
    bool loneStar = false;
    // A lone "*" stands for one word instead of the whole range.
    bool oneWord = false;
    // The search's stop flag: a stopped find finds nothing.
    const StopCheck* stop = nullptr;
};

// --- finding words -----------------------------------------------------------

// Finds the first (forward) or last (backward) occurrence of a pattern of one
// or more words in [start, end): the first word anywhere, each further word
// on the very next word of the text (separators between them are free). The
// result runs from the first word's start to the last word's end. A pattern
// whose words were joined by single hyphens is also searched as one word.
// `anchored` and `oneWord` are not read: the phrase finder sets them per word.
//   "dolor sit" in "dolor, sit"     => {0, 10}
//   "dolor sit" in "dolor amet sit" => missing
//   "e-mail" in "an email"          => {3, 5}
//   "*" with loneStar               => {start, end - start}
//   "" or null                      => missing
[[nodiscard]] Range findWildcardPhrase(const WordIndexView& words, qsizetype start, qsizetype end,
                                       const QString& pattern, const WildcardFindOptions& options);
[[nodiscard]] Range findWildcardPhrase(const FastWordEnumerator& words, qsizetype start, qsizetype end,
                                       const QString& pattern, const WildcardFindOptions& options);

// Finds one pattern word: the first word of the index in [start, end)
// (forward: its first unit in the range; backward: its last unit, the word
// may begin before start) that the pattern matches as a whole, through the
// comparison's table.
// A lone "*" with `loneStar` answers the whole range, or with `oneWord` the
// first (last) word of the range. Fuzzy comparison matches a plain pattern
// word by similarity (minWildcardFuzzyAnalogy).
//   "tempor*" in "x temporal" => {2, 8}    "tempor" in "temporal" => missing
//   "TEMPOR" with comparison 1 in "tempor" => {0, 6}
//   "temper" with comparison 5 in "tempor" => {0, 6}
//   empty range, "" or null => missing
[[nodiscard]] Range findWildcardInUnichars(const WordIndexView& words, qsizetype start, qsizetype end,
                                           const QString& pattern, const WildcardFindOptions& options);
[[nodiscard]] Range findWildcardInUnichars(const FastWordEnumerator& words, qsizetype start, qsizetype end,
                                           const QString& pattern, const WildcardFindOptions& options);

// --- similarity ------------------------------------------------------------

// A score from 0 to 1 of how alike two runs are: the larger of the share of
// equal units at equal positions and an alignment score that forgives
// shifted units, both over the longer length.
//   ("abc", "abc") => 1   ("abc", "xyz") => 0   ("temper", "tempor") => 5/6
//   ("tempro", "tempor") => 4/6   (anything, "") => 0
[[nodiscard]] double unicharsSimilarity(const unichar* a, qsizetype lengthA, const unichar* b,
                                        qsizetype lengthB);

// The same with both sides mapped through `table` (none: as above).
[[nodiscard]] double unicharsSimilarityWithTable(const unichar* a, qsizetype lengthA, const unichar* b,
                                                 qsizetype lengthB, const CharsTable* table);

// --- whole-text globs ------------------------------------------------------
// YES when the whole text [textBegin, textEnd) matches the whole pattern.
// The table variants map every text unit through `table` (the pattern is
// expected mapped already). The empty pattern matches only the empty text.
// With `stop`, a glob that sees the stop flag answers NO.

// "*" and "?"; every other unit stands for itself ("[" too).
//   ("tempor", "t*p?r") => YES   ("", "*") => YES   ("a", "") => NO
[[nodiscard]] bool matchSimpleWildcard(const unichar* textBegin, const unichar* textEnd,
                                       const unichar* patternBegin, const unichar* patternEnd);
[[nodiscard]] bool matchSimpleWildcardWithTable(const unichar* textBegin, const unichar* textEnd,
                                                const unichar* patternBegin, const unichar* patternEnd,
                                                const CharsTable* table, const StopCheck* stop = nullptr);

// "*", "?" and sets "[...]": members, ranges "a-z", "|" between members,
// "^" first to negate; an unclosed set holds only when negated and no member
// held.
//   ("bx", "[a-c]x") => YES   ("dx", "[^a-c]x") => YES   ("|x", "[a|b]x") => NO
[[nodiscard]] bool matchWildcardWithSets(const unichar* textBegin, const unichar* textEnd,
                                         const unichar* patternBegin, const unichar* patternEnd);
[[nodiscard]] bool matchWildcardWithSetsWithTable(const unichar* textBegin, const unichar* textEnd,
                                                  const unichar* patternBegin, const unichar* patternEnd,
                                                  const CharsTable* table, const StopCheck* stop = nullptr);
// The same for a text of bytes, each of which stands for the one unit
// `byteUnits` (256 of them) gives it, mapped already as the pattern is: an
// 8-bit text is matched without a copy in UTF-16.
//   ("\xe9t\xe9", "?t?") with ISO-8859-1's units => YES
[[nodiscard]] bool matchWildcardWithSetsInBytes(const unsigned char* textBegin, const unsigned char* textEnd,
                                                const unichar* patternBegin, const unichar* patternEnd,
                                                const unichar* byteUnits, const StopCheck* stop = nullptr);
// The same for a text of one or two bytes a character in `units`
// (platform/string_encoding.h), each character the one unit the table
// gives it (U+FFFD for what the set leaves out), mapped through `table`
// (the pattern is mapped already).
//   ("A\x82\xa0", "?\u3042") with Shift_JIS's units => YES   ("\x81 a", "??a") => YES
[[nodiscard]] bool matchWildcardWithSetsInDoubleBytes(const unsigned char* textBegin,
                                                      const unsigned char* textEnd, const unichar* patternBegin,
                                                      const unichar* patternEnd, const DoubleByteUnits& units,
                                                      const CharsTable* table, const StopCheck* stop = nullptr);

// --- ordering hits ---------------------------------------------------------

// Orders hit ranges by location (on equal locations the longer first):
// negative, 0 or positive like a comparator.
//   ({2, 1}, {5, 1}) => < 0   ({5, 3}, {5, 1}) => < 0   ({5, 1}, {5, 1}) => 0
[[nodiscard]] int compareRangeValues(const Range& a, const Range& b);

} // namespace sorvant
