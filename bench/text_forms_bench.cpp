// Throughput of the string observers and derived forms over a text of mixed
// Latin words with diacritics, at the sizes the search sees (a file name,
// a snippet, a file's contents).
#include "foundation/character_classes.h"
#include "foundation/configuration_lines.h"
#include "foundation/ellipsizing.h"
#include "foundation/filtered_equality.h"
#include "foundation/no_case_comparison.h"
#include "foundation/normalized_forms.h"
#include "foundation/reflowing.h"
#include "foundation/substring_finding.h"
#include "platform/unicode.h"

#include <benchmark/benchmark.h>

namespace {

using namespace sorvant;

QString sampleText(qsizetype length)
{
    static const QString kWords = QStringLiteral("Caf\u00E9 M\u00FCller and the stra\u00DFe, 1234 r\u00E9sum\u00E9s;\n"
                                                 "The quick brown fox jumps over the lazy dog.\n");
    QString text;
    while (text.size() < length)
        text += kWords;
    text.truncate(length);
    return text;
}

void BM_nonUmlautedString(benchmark::State& state)
{
    const QString text = sampleText(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(nonUmlautedString(text));
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_nonUmlautedString)->Arg(64)->Arg(4096)->Arg(1 << 20);

void BM_nonUmlautedNormalizedString(benchmark::State& state)
{
    const QString text = sampleText(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(nonUmlautedNormalizedString(text));
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_nonUmlautedNormalizedString)->Arg(64)->Arg(4096)->Arg(1 << 20);

void BM_countAlphaCharacters(benchmark::State& state)
{
    const QString text = sampleText(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(countAlphaCharacters(text));
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_countAlphaCharacters)->Arg(64)->Arg(4096)->Arg(1 << 20);

void BM_containsSubCStringsNoCase(benchmark::State& state)
{
    static const char* const kList[] = {"doubleclick", "adservice", "utm_source", "affiliate", nullptr};
    const QString text = sampleText(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(containsSubCStrings(text, kList, false));
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_containsSubCStringsNoCase)->Arg(64)->Arg(4096)->Arg(1 << 20);

void BM_countSubstringNoCase(benchmark::State& state)
{
    const QString text = sampleText(state.range(0));
    const QString word = QStringLiteral("STRASSE");
    for (auto _ : state)
        benchmark::DoNotOptimize(countSubstring(text, word, false));
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_countSubstringNoCase)->Arg(64)->Arg(4096)->Arg(1 << 16);

void BM_stringsEqualInCharacterSetIgnoringCase(benchmark::State& state)
{
    const QString first = sampleText(state.range(0));
    const QString second = unicode::lowercaseString(first);
    for (auto _ : state)
        benchmark::DoNotOptimize(stringsEqualInCharacterSetIgnoringCase(first, second, getLettersBitmap()));
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_stringsEqualInCharacterSetIgnoringCase)->Arg(64)->Arg(4096);

void BM_isEqualToStringNoCase(benchmark::State& state)
{
    const QString first = sampleText(state.range(0));
    const QString second = unicode::lowercaseString(first);
    for (auto _ : state)
        benchmark::DoNotOptimize(isEqualToStringNoCase(first, second));
}
BENCHMARK(BM_isEqualToStringNoCase)->Arg(16)->Arg(256);

void BM_ellipsizeSnippet(benchmark::State& state)
{
    const QString text = sampleText(400);
    for (auto _ : state)
        benchmark::DoNotOptimize(stringByEllipsizingNLines(text, 3, 60));
}
BENCHMARK(BM_ellipsizeSnippet);

void BM_reformattedMailing(benchmark::State& state)
{
    const QString text = sampleText(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(reformattedMailing(text));
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_reformattedMailing)->Arg(4096)->Arg(1 << 20);

void BM_configLines(benchmark::State& state)
{
    QString text;
    for (int i = 0; i < 200; ++i)
        text += QStringLiteral("# comment %1\n  key%1\t value %1 \n\n").arg(i);
    for (auto _ : state)
        benchmark::DoNotOptimize(configLines(text));
}
BENCHMARK(BM_configLines);

} // namespace

BENCHMARK_MAIN();
