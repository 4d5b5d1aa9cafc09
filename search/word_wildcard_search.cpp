// The enumerator's wildcard searches: each pattern goes to the wildcard
// phrase finder, and these only choose among the hits.

#include "search/fast_word_enumerator.h"
#include "search/wildcard_engine.h"

#include <algorithm>

namespace sorvant {

namespace {

WordIndexView viewOf(const FastWordEnumerator& e)
{
    return WordIndexView{e.characters(), e.index(), e.length()};
}

WildcardFindOptions findOptions(unsigned comparison, qsizetype minCharacters, bool forward)
{
    WildcardFindOptions options;
    options.comparison = comparison;
    options.minCharacters = minCharacters;
    options.forward = forward;
    return options;
}

} // namespace

bool FastWordEnumerator::containsAnyWildcard(const QStringList& wildcards, qsizetype length, unsigned comparison,
                                             qsizetype minCharacters) const
{
    const qsizetype end = std::min(length, m_length);
    if (end <= 0)
        return false;
    const WildcardFindOptions options = findOptions(comparison, minCharacters, true);
    return std::any_of(wildcards.begin(), wildcards.end(), [&](const QString& wildcard) {
        return !wildcard.isEmpty() && !findWildcardPhrase(viewOf(*this), 0, end, wildcard, options).isMissing();
    });
}

Range FastWordEnumerator::rangeOfNextWildcard(const QStringList& wildcards, Range range, unsigned comparison,
                                              qsizetype minCharacters) const
{
    return rangeOfWildcardInDirection(wildcards, range, comparison, minCharacters, true);
}

Range FastWordEnumerator::rangeOfPreviousWildcard(const QStringList& wildcards, Range range, unsigned comparison,
                                                  qsizetype minCharacters) const
{
    return rangeOfWildcardInDirection(wildcards, range, comparison, minCharacters, false);
}

// Each later wildcard is searched only where it could beat the best hit so
// far: before its start going forwards, after its end going backwards. So on
// equal hits the earlier wildcard keeps the place.
Range FastWordEnumerator::rangeOfWildcardInDirection(const QStringList& wildcards, Range range, unsigned comparison,
                                                     qsizetype minCharacters, bool forward) const
{
    if (range.location < 0 || range.location >= m_length || range.length <= 0)
        return kMissingRange;
    qsizetype start = range.location;
    qsizetype end = range.location + std::min(range.length, m_length - range.location);
    const WildcardFindOptions options = findOptions(comparison, minCharacters, forward);
    Range best = kMissingRange;
    for (const QString& wildcard : wildcards) {
        if (start >= end)
            break;
        if (wildcard.isEmpty())
            continue;
        const Range hit = findWildcardPhrase(viewOf(*this), start, end, wildcard, options);
        if (hit.isMissing())
            continue;
        best = hit;
        if (forward)
            end = hit.location;
        else
            start = hit.maxRange();
    }
    return best;
}

} // namespace sorvant
