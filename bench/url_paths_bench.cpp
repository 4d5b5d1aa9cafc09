// Long hostile links through the URL and path functions that must stay
// linear: a storage path for a link of many segments, dot segments resolved
// against a base, and parameter removal over links of many parameters. The
// sizes are those a quadratic version was measured at.
#include "platform/url.h"
#include "web/toolkit/storage_paths.h"
#include "web/url/url_cleaning.h"

#include <benchmark/benchmark.h>

namespace {

using namespace sorvant;

QString repeatedUpTo(QString text, const QString& part, qsizetype size)
{
    text.reserve(size + part.size());
    while (text.size() < size)
        text += part;
    return text;
}

void BM_InvertedPathOfLongLink(benchmark::State& state)
{
    const URL link = URL::URLWithString(
        repeatedUpTo(QStringLiteral("http://www.h.org/"), QStringLiteral("ab/./c/../"), state.range(0) * 1024)
        + QStringLiteral("end.html"));
    for (auto _ : state)
        benchmark::DoNotOptimize(invertedPathRelativeToDirectory(link, QStringLiteral("/s")));
}
BENCHMARK(BM_InvertedPathOfLongLink)->Arg(180)->Arg(360)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DotSegmentsAgainstABase(benchmark::State& state)
{
    const URL base = URL::URLWithString(QStringLiteral("http://h/d/e/f"));
    const QString ref = repeatedUpTo(QStringLiteral("x/"), QStringLiteral("./../"), state.range(0) * 5);
    for (auto _ : state)
        benchmark::DoNotOptimize(URL::URLWithString(ref, base).absoluteString());
}
BENCHMARK(BM_DotSegmentsAgainstABase)->Arg(48000)->Arg(96000)->Unit(benchmark::kMillisecond)->Iterations(1);

QString manyParameters(qsizetype kilobytes)
{
    return repeatedUpTo(QStringLiteral("http://h/a.php?x=1"), QStringLiteral("&utm_source=x&e="), kilobytes * 1024);
}

void BM_EmptyParamsRemoved(benchmark::State& state)
{
    const QString link = manyParameters(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(stringURLByRemovingEmptyParams(link));
}
BENCHMARK(BM_EmptyParamsRemoved)->Arg(1200)->Arg(10240)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_AnalyticsRemoved(benchmark::State& state)
{
    const QString link = manyParameters(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(stringURLByRemovingAnalytics(link));
}
BENCHMARK(BM_AnalyticsRemoved)->Arg(1200)->Arg(10240)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SimplifiedLink(benchmark::State& state)
{
    const QString link = manyParameters(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(simplifiedStringURL(link));
}
BENCHMARK(BM_SimplifiedLink)->Arg(1200)->Arg(10240)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
