// Evaluating a five-term query with NEAR over 1 MB of text, as the contents
// search runs it (wildcard mode, ignoring case) and in plain mode, and
// collecting its hits as the highlighter does. Each iteration builds the word
// index of the text and evaluates the whole query.
#include "search/query_evaluation.h"
#include "search/query_terms.h"
#include "search/wildcard_patterns.h"

#include <benchmark/benchmark.h>

#include <QStringList>

#include <random>

namespace sorvant {
namespace {

// The query: "alpha NEAR beta" must hold somewhere, and so must "gamma NEAR/3
// delta"; epsilon must occur. The pairs occur all over the text but never
// close enough, except once at its very end, so every window is examined.
const QString kQuery = QStringLiteral("alpha NEAR beta gamma NEAR/3 delta epsilon");

// 1 MB (524,288 UTF-16 units) of lorem-ipsum words, seeded so every run is the same.
const QString& text()
{
    static const QString content = [] {
        const QStringList filler = QStringLiteral("lorem ipsum dolor sit amet consetetur sadipscing elitr sed diam "
                                                  "nonumy eirmod tempor invidunt ut labore et dolore magna aliquyam "
                                                  "erat voluptua at vero eos accusam justo duo dolores ea rebum")
                                       .split(u' ');
        const QStringList rare = {QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("gamma"),
                                  QStringLiteral("delta")};
        // Far enough from the last rare word of the filler.
        const QString ending = QStringLiteral(" lorem").repeated(14) + QStringLiteral(" alpha beta gamma delta epsilon.");
        constexpr qsizetype kUnits = 1 << 19;
        std::mt19937 random(7);
        QString result;
        result.reserve(kUnits);
        qsizetype sinceRare = 0;
        while (result.size() < kUnits - ending.size() - 16) {
            // A rare word about every 40 words, always more than 12 words after the last one.
            const bool takeRare = ++sinceRare > 12 && random() % 28 == 0;
            result += takeRare ? rare[random() % rare.size()] : filler[random() % filler.size()];
            sinceRare = takeRare ? 0 : sinceRare;
            result += random() % 12 == 0 ? QStringLiteral(", ") : QStringLiteral(" ");
        }
        return result + ending;
    }();
    return content;
}

void BM_QueryTermsNearWildcard1MB(benchmark::State& state)
{
    initSeparatorsAndTables();
    const auto terms = QueryTerms::queryTermsWithWildcard(kQuery);
    const QString& content = text();
    for (auto _ : state) {
        const bool matched = terms->matchesStringComparison(content, kComparisonIgnoreCase);
        if (!matched)
            state.SkipWithError("the query must match at the end of the text");
        benchmark::DoNotOptimize(matched);
    }
    state.SetBytesProcessed(state.iterations() * content.size() * 2);
}
BENCHMARK(BM_QueryTermsNearWildcard1MB)->Unit(benchmark::kMillisecond);

void BM_QueryTermsNearPlain1MB(benchmark::State& state)
{
    initSeparatorsAndTables();
    const QueryTerms terms = QueryTerms::initWithString(kQuery);
    const QString& content = text();
    for (auto _ : state) {
        const bool matched = terms.matchesStringCaseSensitive(content, false);
        if (!matched)
            state.SkipWithError("the query must match at the end of the text");
        benchmark::DoNotOptimize(matched);
    }
    state.SetBytesProcessed(state.iterations() * content.size() * 2);
}
BENCHMARK(BM_QueryTermsNearPlain1MB)->Unit(benchmark::kMillisecond);

void BM_QueryTermsCollectHits1MB(benchmark::State& state)
{
    initSeparatorsAndTables();
    const QueryTerms terms = QueryTerms::initWithWildcard(kQuery);
    const QString& content = text();
    for (auto _ : state) {
        qsizetype hits = 0;
        terms.enumerateString(content, Range{0, content.size()}, false,
                              [&](const FastWordEnumerator&, const QString&, Range, bool) { ++hits; });
        if (hits != 5)
            state.SkipWithError("the query's five hits are at the end of the text");
        benchmark::DoNotOptimize(hits);
    }
    state.SetBytesProcessed(state.iterations() * content.size() * 2);
}
BENCHMARK(BM_QueryTermsCollectHits1MB)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace sorvant

BENCHMARK_MAIN();
