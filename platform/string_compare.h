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

#include <QStringView>

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

} // namespace sorvant
