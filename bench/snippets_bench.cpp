// Reporting hits in 1 MB of sentences: a snippet of at most 200 units,
// occurrence records of every hit, and the highlight ranges of words,
// wildcards and a regular expression, as the contents search and the
// results table ask for them.
#include "foundation/separators.h"
#include "platform/regular_expression.h"
#include "search/highlighting.h"
#include "search/snippets.h"
#include "search/wildcard_patterns.h"

#include <benchmark/benchmark.h>

#include <QStringList>

#include <random>

namespace sorvant {
namespace {

// About 1 MB of UTF-16 text: sentences of 5 to 15 words from a small
// vocabulary, seeded so every run is the same; "tempor" is about one word in 40.
const QString& text()
{
    static const QString sentences = [] {
        const QStringList words = QStringLiteral("lorem ipsum dolor sit amet consetetur sadipscing elitr sed diam "
                                                 "nonumy eirmod tempor invidunt ut labore et dolore magna aliquyam "
                                                 "erat voluptua at vero eos accusam justo duo dolores ea rebum")
                                      .split(u' ');
        std::mt19937 random(7);
        QString result;
        result.reserve(520 * 1024);
        while (result.size() < 512 * 1024) {
            const int count = 5 + int(random() % 11);
            for (int i = 0; i < count; ++i) {
                if (i > 0)
                    result += u' ';
                result += words.at(int(random() % words.size()));
            }
            result += random() % 8 == 0 ? QStringLiteral(".\n") : QStringLiteral(". ");
        }
        return result;
    }();
    return sentences;
}

void prepare()
{
    initSeparatorsAndTables();
    (void)text();
}

void BM_SnippetOfWildcards(benchmark::State& state)
{
    prepare();
    SnippetOptions options;
    options.separators = defaultSentenceSeparators();
    options.ellipsizeAfterNCharacters = 200;
    options.onlyOccurrences = true;
    for (auto _ : state)
        benchmark::DoNotOptimize(assembleOccurrencesOfWildcards(text(), {QStringLiteral("tempo*")}, options));
}
BENCHMARK(BM_SnippetOfWildcards)->Unit(benchmark::kMillisecond);

void BM_OccurrencesOfWildcards(benchmark::State& state)
{
    prepare();
    OccurrenceOptions options;
    options.separators = defaultSentenceSeparators();
    options.minEnclosingWords = 3;
    for (auto _ : state)
        benchmark::DoNotOptimize(getOccurrencesOfWildcards(text(), {QStringLiteral("tempo*")}, options));
}
BENCHMARK(BM_OccurrencesOfWildcards)->Unit(benchmark::kMillisecond);

void BM_OccurrencesOfString(benchmark::State& state)
{
    prepare();
    OccurrenceOptions options;
    options.comparison = 1;
    options.separators = defaultLineSeparators();
    for (auto _ : state)
        benchmark::DoNotOptimize(getOccurrencesOfString(text(), QStringLiteral("TEMPOR"), options));
}
BENCHMARK(BM_OccurrencesOfString)->Unit(benchmark::kMillisecond);

void BM_HighlightStrings(benchmark::State& state)
{
    prepare();
    for (auto _ : state) {
        HighlightSpans spans;
        highlightStrings(text(), spans, {QStringLiteral("tempor"), QStringLiteral("magna")}, {}, {}, false, false,
                         true, true);
        benchmark::DoNotOptimize(spans.spans().size());
    }
}
BENCHMARK(BM_HighlightStrings)->Unit(benchmark::kMillisecond);

void BM_HighlightWildcards(benchmark::State& state)
{
    prepare();
    for (auto _ : state) {
        HighlightSpans spans;
        highlightWildcards(text(), spans, {QStringLiteral("temp?r"), QStringLiteral("mag*")}, {}, {}, 1, 1);
        benchmark::DoNotOptimize(spans.spans().size());
    }
}
BENCHMARK(BM_HighlightWildcards)->Unit(benchmark::kMillisecond);

void BM_HighlightRegularExpression(benchmark::State& state)
{
    prepare();
    const RegularExpression expression = RegularExpression::compile(QStringLiteral("temp\\w+|mag+na"), 0);
    RegularExpressionLimits limits;
    limits.stepLimit = 0;
    for (auto _ : state) {
        HighlightSpans spans;
        highlightRegularExpression(text(), spans, expression, primaryHighlightAttributes(), limits);
        benchmark::DoNotOptimize(spans.spans().size());
    }
}
BENCHMARK(BM_HighlightRegularExpression)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace sorvant

BENCHMARK_MAIN();
