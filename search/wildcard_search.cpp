#include "search/wildcard_search.h"

#include "foundation/separation.h"
#include "search/fast_word_enumerator.h"
#include "search/query_terms.h"

#include <QSet>

namespace sorvant {

namespace {

// The range cut to end at the text's end; missing when it starts outside.
Range rangeInside(const QString& text, Range range)
{
    if (range.location < 0 || range.location >= text.size() || range.length < 0)
        return kMissingRange;
    const qsizetype rest = text.size() - range.location;
    return makeRange(range.location, range.length > rest ? rest : range.length);
}

Range findWildcard(const QString& text, const QStringList& wildcards, Range range, unsigned comparison,
                   qsizetype minCharacters, bool forward)
{
    if (text.isEmpty() || wildcards.isEmpty())
        return kMissingRange;
    const Range inside = rangeInside(text, range);
    if (inside.isMissing())
        return kMissingRange;
    const auto words = FastWordEnumerator::enumeratorWithString(text);
    if (!words)
        return kMissingRange;
    return forward ? words->rangeOfNextWildcard(wildcards, inside, comparison, minCharacters)
                   : words->rangeOfPreviousWildcard(wildcards, inside, comparison, minCharacters);
}

Range wholeText(const QString& text)
{
    return makeRange(0, text.size());
}

} // namespace

bool containsAnyWildcard(const QString& text, const QStringList& wildcards, unsigned comparison,
                         qsizetype minCharacters)
{
    if (text.isEmpty() || wildcards.isEmpty())
        return false;
    const auto words = FastWordEnumerator::enumeratorWithString(text);
    return words && words->containsAnyWildcard(wildcards, text.size(), comparison, minCharacters);
}

Range rangeOfWildcardWords(const QString& text, const QStringList& words, unsigned comparison,
                           qsizetype minCharacters)
{
    return rangeOfWildcardWords(text, words, wholeText(text), comparison, minCharacters);
}

Range rangeOfWildcardWords(const QString& text, const QStringList& words, Range range, unsigned comparison,
                           qsizetype minCharacters)
{
    if (words.isEmpty())
        return kMissingRange;
    // Quotes only group several words: the phrase finder takes a lone
    // quoted word as a pattern that holds the quotes, which no text matches.
    const QString phrase = words.size() == 1 ? words.first() : u'"' + words.join(u' ') + u'"';
    return rangeOfWildcard(text, phrase, range, comparison, minCharacters);
}

Range rangeOfWildcard(const QString& text, const QString& wildcard, unsigned comparison, qsizetype minCharacters)
{
    return rangeOfWildcard(text, wildcard, wholeText(text), comparison, minCharacters);
}

Range rangeOfWildcard(const QString& text, const QString& wildcard, Range range, unsigned comparison,
                      qsizetype minCharacters)
{
    if (wildcard.isEmpty())
        return kMissingRange;
    return findNextWildcard(text, QStringList{wildcard}, range, comparison, minCharacters);
}

Range findNextWildcard(const QString& text, const QStringList& wildcards, unsigned comparison,
                       qsizetype minCharacters)
{
    return findWildcard(text, wildcards, wholeText(text), comparison, minCharacters, true);
}

Range findNextWildcard(const QString& text, const QStringList& wildcards, Range range, unsigned comparison,
                       qsizetype minCharacters)
{
    return findWildcard(text, wildcards, range, comparison, minCharacters, true);
}

Range findPreviousWildcard(const QString& text, const QStringList& wildcards, unsigned comparison,
                           qsizetype minCharacters)
{
    return findWildcard(text, wildcards, wholeText(text), comparison, minCharacters, false);
}

Range findPreviousWildcard(const QString& text, const QStringList& wildcards, Range range, unsigned comparison,
                           qsizetype minCharacters)
{
    return findWildcard(text, wildcards, range, comparison, minCharacters, false);
}

std::optional<QStringList> findStringsMatchingWildcards(const QString& text, const QStringList& wildcards,
                                                       unsigned comparison, qsizetype minCharacters)
{
    if (text.isEmpty() || wildcards.isEmpty())
        return std::nullopt;
    const auto words = FastWordEnumerator::enumeratorWithString(text);
    if (!words)
        return std::nullopt;
    QStringList found;
    QSet<QString> seen;
    for (qsizetype position = 0; position < text.size();) {
        const Range hit =
            words->rangeOfNextWildcard(wildcards, makeRange(position, text.size() - position), comparison,
                                       minCharacters);
        if (hit.isMissing() || hit.length == 0)
            break;
        const QString match = (comparison & 1) ? words->lowercaseSubstringWithRange(hit)
                                               : words->substringWithRange(hit);
        if (!seen.contains(match)) {
            seen.insert(match);
            found.append(match);
        }
        position = hit.maxRange();
    }
    return found;
}

QString queryTermWithoutGoogleOperators(const QString& text)
{
    if (text.isNull())
        return text;
    QStringList kept;
    for (const QString& component : componentsUsingWhiteSeparation(text)) {
        if (!component.startsWith(QLatin1String("site:")) && !component.startsWith(QLatin1String("filetype:")))
            kept.append(component);
    }
    // An empty list joins to a null string; the answer for a text is never null.
    const QString joined = kept.join(u' ');
    return joined.isNull() ? QStringLiteral("") : joined;
}

bool matchesQueryTermsComparison(const QString& text, const QueryTerms* terms, unsigned comparison)
{
    return terms && terms->matchesStringComparison(text, comparison);
}

bool containsQueryTermsComparison(const QString& text, const QueryTerms* terms, unsigned comparison)
{
    return terms && terms->containsStringComparison(text, comparison);
}

QList<QueryTerms> queryTerms(const QString& text)
{
    std::optional<QueryTerms> tree = QueryTerms::queryTermsWithWildcard(text);
    return tree ? QList<QueryTerms>{std::move(*tree)} : QList<QueryTerms>();
}

std::optional<QStringList> plusWildcards(const QString& text)
{
    return QueryTerms::initWithWildcard(text).plusWildcards();
}

std::optional<QStringList> extendedPlusWildcards(const QString& text)
{
    return QueryTerms::initWithWildcard(text).extendedPlusWildcards();
}

std::optional<QStringList> minusWildcards(const QString& text)
{
    return QueryTerms::initWithWildcard(text).minusWildcards();
}

QString standardizedWildcardQueryTerm(const QString& text)
{
    return QueryTerms::initWithWildcard(text).standardizedQueryTerm();
}

QString normalizedWildcardQueryTerm(const QString& text)
{
    return QueryTerms::initWithWildcard(text).normalizedQueryTerm();
}

QString plusWildcardString(const QString& text)
{
    return QueryTerms::initWithWildcard(text).plusString();
}

QList<QueryTerms> plusWildcardTerms(const QString& text)
{
    return QueryTerms::initWithWildcard(text).plusTerms();
}

QStringList plusWildcardParts(const QString& text)
{
    return QueryTerms::initWithWildcard(text).plusParts();
}

QStringList plusWildcardWords(const QString& text)
{
    return QueryTerms::initWithWildcard(text).plusWords();
}

QStringList wildcardQueryTermsForOperators(const QString& text, unsigned options, const QVariantMap& dictionary)
{
    return QueryTerms::initWithWildcard(text).queryTermsForOperators(options, dictionary);
}

} // namespace sorvant
