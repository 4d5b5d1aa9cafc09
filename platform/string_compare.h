#pragma once
// The platform's string compare and find: whole-string comparison and
// substring search with the platform's option bits, on full Unicode case
// folding and canonical equivalence from ICU. This is what callers use where
// the behaviour of the system's own compare and find is wanted; unit-by-unit
// folding through the toolkit's tables is in foundation/chars_table.h.
//
//   compareStrings("ßs", "sß", kCompareCaseInsensitive)            => 0
//   compareStrings("e\u0301", "é", 0)                             => 0
//   compareStrings("file9", "file10", kCompareNumerically)        => -1
//   findString("STRASSE", "straße", {0, 7}, kCompareCaseInsensitive) => {0, 7}
//   findString("Café", "cafe", {0, 4}, kCompareDiacriticInsensitive | 1) => {0, 4}
//   findString(x, "", r, o)                                       => kMissingRange
//
// Null and empty views behave alike.

#include "platform/range.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace sorvant {

enum StringCompareOptions : unsigned {
    kCompareCaseInsensitive = 1,
    kCompareLiteral = 2,           // no canonical equivalence: units as they are
    kCompareBackwards = 4,         // find the last occurrence
    kCompareAnchored = 8,          // only at the start (or with backwards, the end)
    kCompareNumerically = 64,      // digit runs compare by value
    kCompareDiacriticInsensitive = 128,
    kCompareWidthInsensitive = 256,
    kCompareForcedOrdering = 512,  // never answer equal for different strings
};

// Three-way comparison: -1, 0 or 1.
[[nodiscard]] int compareStrings(QStringView first, QStringView second, unsigned options);

// Finds `needle` within `searchRange` of `haystack` and answers the range
// actually matched in `haystack` (its length may differ from the needle's
// when folding changes lengths), or kMissingRange. A search range reaching
// outside the haystack is clipped to it.
[[nodiscard]] Range findString(QStringView haystack, QStringView needle, Range searchRange, unsigned options);
[[nodiscard]] Range findString(QStringView haystack, QStringView needle, unsigned options);

// Whether `haystack` holds `needle` under `options` (see findString).
[[nodiscard]] bool containsString(QStringView haystack, QStringView needle, unsigned options);

// The characters above U+007F whose full case folding holds an ASCII
// character (U+00DF "ss", U+212A "k", U+FB00 "ff" ...), ascending: where a
// text holds none of them, a case-insensitive find of an ASCII needle is an
// ASCII find. Built on first use.
[[nodiscard]] const std::vector<char32_t>& charactersFoldingToAscii();

// `c` and every character whose full case folding holds `c`, ascending:
// each place where a case-insensitive find matches a needle whose folding
// holds `c` covers one of them.
//   U+0073 "s" => "S", "s", U+00DF "ß", U+017F "ſ", U+1E9E "ẞ", U+FB05, U+FB06 ...
[[nodiscard]] std::vector<char32_t> caseVariants(char32_t c);

// The full case folding of `text` (no other option), as the case-insensitive
// literal find folds it.
[[nodiscard]] QString foldedCase(QStringView text);

// Several needles found in one text that is folded once, whatever the
// number of needles: each needle is found exactly where containsString
// finds it (forward finds; the backwards and anchored options do not
// apply). Immutable after construction, so threads may share one.
class StringSetFinder
{
public:
    StringSetFinder(const QList<QString>& needles, unsigned options);

    // Marks found[i] (sized to the needle count by the caller) for each
    // needle found in `text`; a needle already marked is not searched
    // again. Ends early when `enough` needles are marked in all, and when
    // `shouldStop` (asked every few thousand units) answers true; answers
    // how many are marked. `textGoesOn`: the text is a window of a longer
    // one, so a match that reaches its end is left undecided; the next
    // window must then repeat at least longestSourceMatch() units.
    qsizetype findIn(QStringView text, std::vector<char>& found, qsizetype enough, bool textGoesOn,
                     const std::function<bool()>& shouldStop) const;

    // The most folded units of one needle, and the most source units one
    // match can cover together with the character after it that decides
    // the match's end; -1 when not bounded (diacritics or canonical
    // equivalence can let a match cover any number of marks).
    [[nodiscard]] qsizetype longestNeedle() const { return m_longestNeedle; }
    [[nodiscard]] qsizetype longestSourceMatch() const { return m_longestSourceMatch; }
    [[nodiscard]] qsizetype size() const { return qsizetype(m_needles.size()); }

private:
    unsigned m_options;
    std::vector<std::vector<char16_t>> m_needles;
    std::array<std::uint64_t, 1024> m_firstUnits{};   // bitmap of the needles' first folded units
    qsizetype m_longestNeedle = 0;
    qsizetype m_longestSourceMatch = 0;
};

} // namespace sorvant
