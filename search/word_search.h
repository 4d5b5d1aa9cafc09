#pragma once
// Finding terms in a FastWordEnumerator's text with the whole-word rule: the
// primitive that the term searches of the enumerator, the query-term
// evaluator and the highlighter rest on.
//
// Whole-word rule (the "anchored" mode): an occurrence at p of a term of m
// units inside the searched range [a, b) is accepted when
//   - its first unit is not a letter or digit, or p = a, or a word begins at p;
//   - its last unit is not a letter or digit, or p + m >= b, or a word ends
//     at p + m - 1.
// So "x++" is found in "use x++y", "#tag" in "a#tag", and "cat" in the range
// that covers only "cat" of "concatenate".

#include "foundation/range.h"
#include "platform/string_compare.h"

#include <QStringList>

namespace sorvant {

class FastWordEnumerator;

// Search options of the term searches: the bits of StringCompareOptions
// (platform/string_compare.h). kCompareCaseInsensitive alone searches the
// indexed units through the upper CharsTable; kCompareBackwards,
// kWordSearchLocalized or kCompareNumerically hand the search to the
// platform's findString on the unfolded text (full case folding with 1).
inline constexpr unsigned kWordSearchLocalized = 32;

// The location of the first (with option 4 the last) occurrence of `term`
// in [location, location + length), cut at the text's end; NSNotFound when
// there is none. The term "*" matches at once at `location`.
//   "the cat." "cat" anchored => 4    "concatenate" "cat" anchored => NSNotFound
//   "concatenate" "cat" not anchored => 3     "" => NSNotFound
[[nodiscard]] qsizetype findTermInRange(const FastWordEnumerator& enumerator, qsizetype location, qsizetype length,
                                        const QString& term, unsigned options, bool anchored);

// The range from the first word's start to the last word's end where the
// words follow each other as consecutive words of the text (any separators
// between them), the first found with the whole-word rule, the last bound
// to a word end when `anchored`; missing when they do not occur.
//   "dolor, sit amet" ["dolor", "sit"] => {0, 10}
//   "dolor amet sit"  ["dolor", "sit"] => missing
[[nodiscard]] Range matchFollowingPhraseWords(const FastWordEnumerator& enumerator, const QStringList& words,
                                              Range range, unsigned options, bool anchored);

} // namespace sorvant
