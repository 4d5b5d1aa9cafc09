// libFuzzer entry point for the query-term language: random bytes become a
// query (UTF-8 or raw UTF-16, by the first byte), which is parsed in plain and
// wildcard mode, evaluated against a fixed text and a text made from the
// input, asked for its hits, term lists and renderings. Beside the
// sanitizers it checks what must always hold: reported hits lie inside the
// text in ascending, non-overlapping order, and rendering the normalized form
// again changes nothing.

#include "platform/log.h"
#include "search/fast_word_enumerator.h"
#include "search/query_evaluation.h"
#include "search/query_rendering.h"
#include "search/query_terms.h"
#include "search/wildcard_patterns.h"

#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace sorvant;

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "query_terms_fuzz: %s\n", what);
        std::abort();
    }
}

// The first byte chooses the decoding and the comparison options.
QString decode(const std::uint8_t* data, std::size_t size, std::uint8_t mode)
{
    if (mode & 1)
        return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(data), qsizetype(size / 2));
}

// A text in which the query's own terms occur, in query order and again
// reversed, so that evaluation and proximity windows have something to find.
QString derivedText(const QueryTerms& terms, const QString& query)
{
    QStringList words = terms.plusWords();
    QStringList text = words;
    std::reverse(words.begin(), words.end());
    text += words;
    return text.join(QLatin1Char(' ')) + QLatin1Char(' ') + query;
}

bool holdsBracketInTerm(const QueryTerms& node)
{
    if (node.isWord())
        return node.term().contains(QLatin1Char('(')) || node.term().contains(QLatin1Char(')'));
    return std::any_of(node.children().begin(), node.children().end(), holdsBracketInTerm);
}

void checkHits(const QueryTerms& terms, const QString& text, bool caseSensitive)
{
    qsizetype lastEnd = 0;
    terms.enumerateString(text, Range{0, text.size()}, caseSensitive,
                          [&](const FastWordEnumerator& words, const QString& term, Range range, bool) {
                              require(!term.isEmpty(), "hit without a term");
                              require(range.location >= lastEnd, "hits overlap or are out of order");
                              require(range.length > 0 && range.maxRange() <= words.length(),
                                      "hit outside the text");
                              lastEnd = range.maxRange();
                          });
}

void exercise(const QueryTerms& terms, const QString& query, std::uint8_t mode)
{
    const bool caseSensitive = mode & 2;
    const unsigned comparison = (mode >> 2) & 7;
    const QString texts[] = {QueryTerms::testString(), derivedText(terms, query)};
    for (const QString& text : texts) {
        (void)terms.matchesStringCaseSensitive(text, caseSensitive);
        (void)terms.matchesStringComparison(text, comparison);
        (void)terms.containsStringCaseSensitive(text, caseSensitive);
        (void)terms.containsStringComparison(text, comparison);
        checkHits(terms, text, caseSensitive);
    }
    (void)terms.minTermLen();
    (void)terms.plusString();
    (void)terms.plusWildcards();
    (void)terms.extendedPlusWildcards();
    (void)terms.minusWildcards();
    (void)terms.description();
    (void)terms.standardizedQueryTerm();
    (void)terms.queryTermsForOperators(0x4008);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool initialised = [] {
        setLogSink([](const QString&) {});
        initSeparatorsAndTables();
        return true;
    }();
    (void)initialised;
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    const QString query = decode(data + 1, size - 1, mode);

    const QueryTerms plain = QueryTerms::initWithString(query);
    const QueryTerms wildcard = QueryTerms::initWithWildcard(query);
    exercise(plain, query, mode);
    exercise(wildcard, query, mode);

    // A group ends at the first ")" that balances its "(", quotes or not, so a
    // phrase holding a bracket cannot be written back inside a group.
    if (!holdsBracketInTerm(plain)) {
        const QString normalized = plain.normalizedQueryTerm();
        require(normalizedQueryTerm(normalized) == normalized, "normalized form changes when parsed again");
    }
    // In wildcard mode a bracket set swallows what follows it up to its "]"
    // (the rest of the query when there is none), brackets and quotes
    // included, so only queries without sets must come back unchanged.
    if (!query.contains(QLatin1Char('[')) && !holdsBracketInTerm(wildcard)) {
        const QString wildcardNormalized = wildcard.normalizedQueryTerm();
        require(QueryTerms::initWithWildcard(wildcardNormalized).normalizedQueryTerm() == wildcardNormalized,
                "wildcard normalized form changes when parsed again");
    }
    return 0;
}
