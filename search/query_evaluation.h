#pragma once
// Evaluating query-term trees on texts: the string-level wrappers that build
// a word index of the text and ask a tree, and the hit record that the
// highlighter and the snippet builder fill and report. The tree's own
// operations (matchesStringCaseSensitive, enumerateString …) are declared in
// search/query_terms.h.
//
// Proximity is counted in words of the text's word index: "a NEAR/2 b" holds
// when some b has an a within the two words before or after it, "a BEFORE b"
// when the a lies in the words before b, "b AFTER a" when b lies in the words
// after a, "a NEXT b" when a is the word right before b.

#include "foundation/range.h"
#include "search/query_terms.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <map>

namespace sorvant {

class FastWordEnumerator;

// --- hit records -------------------------------------------------------------

// One recorded hit: the leaf text that was found and whether it was found for
// itself (primary) or as the later operand of a proximity operator.
struct QueryTermHit
{
    QString term;
    bool primary = true;
};

// Hits ordered by location, the longer first at one location; a second hit
// at an identical range replaces the first.
struct QueryTermRangeOrder
{
    bool operator()(const Range& a, const Range& b) const;
};
using QueryTermHits = std::map<Range, QueryTermHit, QueryTermRangeOrder>;

// Adds the hits of `terms` in `range` of the indexed text to `hits`, found
// with the wildcard matcher and ComparisonOptions `comparison`; answers the
// query's result over the range (hits of a subtree that fails are dropped).
//   "tempor NEAR labore" => tempor (primary), labore (not primary), true
bool collectQueryTermRanges(const QueryTerms& terms, const FastWordEnumerator& words, Range range,
                            unsigned comparison, QueryTermHits& hits);

// Hands the hits to `handler` in text order, skipping every hit that starts
// inside one already reported. Nothing happens without a handler.
//   {0,5} {2,1} {4,3} {6,2} => {0,5} {6,2}
void reportQueryTermRanges(const FastWordEnumerator& words, const QueryTermHits& hits,
                           const QueryTerms::HitHandler& handler);

// --- string-level wrappers -----------------------------------------------------
// The receiver is the text; each builds a plain word index of it.

// The tree's matchesStringCaseSensitive(); false for no tree or an empty text.
[[nodiscard]] bool matchesQueryTerms(const QString& text, const QueryTerms* terms, bool caseSensitive);
// The tree's containsStringCaseSensitive(); false for no tree or an empty text.
[[nodiscard]] bool containsQueryTerms(const QString& text, const QueryTerms* terms, bool caseSensitive);
// Collects the hits of every tree, in list order, into one record and
// reports them once. Nothing happens for an empty list or text, a missing
// handler or a range outside the text.
void enumerateQueryTerms(const QString& text, const QList<QueryTerms>& trees, Range range, unsigned comparison,
                         const QueryTerms::HitHandler& handler);
// The word index's findPreviousQueryTerm / findNextQueryTerm over `text`;
// missing when the range starts at or beyond the text's end.
//   ("a b a", ["a"], {0, 5}) previous => {4, 1}, next => {0, 1}
[[nodiscard]] Range findPreviousQueryTerm(const QString& text, QStringList& terms, bool isMutable, Range range,
                                          bool caseSensitive, bool anchored, bool exactPhrase);
[[nodiscard]] Range findNextQueryTerm(const QString& text, QStringList& terms, bool isMutable, Range range,
                                      bool caseSensitive, bool anchored, bool exactPhrase);

} // namespace sorvant
