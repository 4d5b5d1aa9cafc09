#pragma once
// Splitting raw UTF-16 buffers by a separator set, reporting ranges only.
//
// These splitters allocate nothing: a caller counts first (ranges null) and
// then fills an array of that many ranges. String-level splitting (component
// lists, counts, hashtags) is in foundation/separation.h.

#include "foundation/chars_table.h"
#include "foundation/range.h"

namespace sorvant {

// Bit 31 of a reported length marks a separator run; the unit count is the
// length with the bit cleared.
inline constexpr qsizetype kSeparatorRunFlag = qsizetype(0x80000000);

[[nodiscard]] constexpr bool isSeparatorRun(const Range& range)
{
    return (range.length & kSeparatorRunFlag) != 0;
}
[[nodiscard]] constexpr qsizetype unitCount(const Range& range)
{
    return range.length & ~kSeparatorRunFlag;
}

// Tiles a buffer into pieces, each a (possibly empty) run of non-separators
// followed by the separator run after it; answers the number of pieces and
// writes their ranges when `ranges` is given. A null set is a programming
// error: it is logged and answers 0.
//   "a, b"  (", " separators) => 2: {0,3} {3,1}
//   ", a"                     => 2: {0,2} {2,1}
//   ""                        => 0
[[nodiscard]] qsizetype componentsOfCharacters(const unichar* characters, qsizetype length,
                                               const CharacterSetBitmap* separators, Range* ranges);

// Answers the words of at least `minLen` units (0 means 1) and, with
// `withSeparators`, the separator runs between them (bit 31 set in their
// length); writes the ranges when `ranges` is given. A null set means the
// default word separators. With `wildcard`, a "[" that is not the last unit
// keeps everything up to the next "]" inside the word; without a "]" the
// rest of the text is the last word.
//   "ab, c"  withSeparators          => 3: {0,2} {2,2|bit31} {4,1}
//   "ab, c"  withSeparators minLen 2 => 2: {0,2} {2,2|bit31}
//   "[a-z]x y" wildcard, wildcard set => 2: {0,6} {7,1}
[[nodiscard]] qsizetype wordsOfCharacters(const unichar* characters, qsizetype length,
                                          const CharacterSetBitmap* separators, bool withSeparators,
                                          qsizetype minLen, bool wildcard, Range* ranges);

} // namespace sorvant
