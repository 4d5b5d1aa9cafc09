// Whole-text edits on 1 MB of mixed-script text with runs of blanks and line
// ends, and per-line trimming, against the nearest Qt operation.

#include "foundation/removing_characters.h"
#include "foundation/replacing.h"
#include "foundation/trimming.h"

#include <QStringList>

#include <benchmark/benchmark.h>

namespace {

using namespace sorvant;

// About 1 MB of UTF-16: Latin, Greek and CJK words separated by single and
// multiple blanks, with a line end every few words.
const QString& sampleText()
{
    static const QString text = [] {
        const QString words[] = {QStringLiteral("Straße"), QStringLiteral("  alpha"), QStringLiteral("\t\tβήτα"),
                                 QStringLiteral("漢字 "),    QStringLiteral(" 42 \r\n"), QStringLiteral("Résumé")};
        QString result;
        for (int i = 0; result.size() < 512 * 1024; ++i)
            result += words[i % 6] + QLatin1Char(' ');
        return result;
    }();
    return text;
}

const QStringList& sampleLines()
{
    static const QStringList lines = sampleText().split(QLatin1Char('\n'));
    return lines;
}

void BM_CollapseWhiteSpaces(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(stringByRemovingMultipleWhiteSpaces(sampleText()));
    state.SetBytesProcessed(state.iterations() * sampleText().size() * 2);
}
BENCHMARK(BM_CollapseWhiteSpaces);

void BM_QtSimplified(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(sampleText().simplified());
    state.SetBytesProcessed(state.iterations() * sampleText().size() * 2);
}
BENCHMARK(BM_QtSimplified);

void BM_TrimLines(benchmark::State& state)
{
    for (auto _ : state) {
        for (const QString& line : sampleLines())
            benchmark::DoNotOptimize(stringByTrimmingSpacesAndFeeds(line, true));
    }
    state.SetBytesProcessed(state.iterations() * sampleText().size() * 2);
}
BENCHMARK(BM_TrimLines);

void BM_QtTrimmedLines(benchmark::State& state)
{
    for (auto _ : state) {
        for (const QString& line : sampleLines())
            benchmark::DoNotOptimize(line.trimmed());
    }
    state.SetBytesProcessed(state.iterations() * sampleText().size() * 2);
}
BENCHMARK(BM_QtTrimmedLines);

// Replacing ignoring case, on the first state.range(0) units of the text.
// About one match in 14 units, so the cost of each search shows.
void BM_ReplaceIgnoringCase(benchmark::State& state)
{
    const QString text = sampleText().left(state.range(0));
    const QString target = QStringLiteral("STRASSE");
    const QString replacement = QStringLiteral("St.");
    for (auto _ : state)
        benchmark::DoNotOptimize(stringByReplacingString(text, target, replacement, false));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_ReplaceIgnoringCase)->Arg(16 << 10)->Arg(512 << 10);

void BM_QtReplaceIgnoringCase(benchmark::State& state)
{
    const QString text = sampleText().left(state.range(0));
    const QString target = QStringLiteral("STRASSE");
    const QString replacement = QStringLiteral("St.");
    for (auto _ : state)
        benchmark::DoNotOptimize(QString(text).replace(target, replacement, Qt::CaseInsensitive));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_QtReplaceIgnoringCase)->Arg(16 << 10)->Arg(512 << 10);

void BM_Rotate13(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(stringByRotating13(sampleText()));
    state.SetBytesProcessed(state.iterations() * sampleText().size() * 2);
}
BENCHMARK(BM_Rotate13);

} // namespace

BENCHMARK_MAIN();
