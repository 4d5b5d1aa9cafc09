// Text functions on long hostile input, one size per row so the growth from
// size to size shows: link highlighting over many links found out of text
// order, attribute ranges laid right to left, toggling emphasis over
// nested markers, IDNA of a long host and query-term escaping.

#include "foundation/attributed_string.h"
#include "platform/string_encoding.h"
#include "web/toolkit/markdown_markup.h"
#include "web/toolkit/wiki_link_highlighting.h"
#include "web/toolkit/wiki_links.h"
#include "web/url/host_components.h"
#include "web/url/percent_escapes.h"

#include <benchmark/benchmark.h>

namespace {

using namespace sorvant;

// `count` page names, CamelCase words and bracket references in turn: the
// scanner reports each kind in its own pass, so the links come out of
// text order.
QString wikiText(qsizetype count)
{
    QString text;
    for (qsizetype i = 0; i < count; i += 3)
        text += QStringLiteral("Alpha and WikiWord or [[some page]] then ");
    return text;
}

void BM_HighlightLinks(benchmark::State& state)
{
    const QString text = wikiText(state.range(0));
    const QStringList names{QStringLiteral("Alpha")};
    for (auto _ : state) {
        state.PauseTiming();
        AttributedString styled(text);
        state.ResumeTiming();
        highlightLinks(styled, names, kWikiLinkCamelCase | kWikiLinkBrackets);
        benchmark::DoNotOptimize(styled.runs().size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_HighlightLinks)->Arg(30'000)->Arg(60'000)->Arg(120'000)->Unit(benchmark::kMillisecond);

// One attribute over every other unit, the last range first.
void BM_AttributesRightToLeft(benchmark::State& state)
{
    const qsizetype ranges = state.range(0);
    const QString text(2 * ranges, QLatin1Char('x'));
    for (auto _ : state) {
        state.PauseTiming();
        AttributedString styled(text);
        state.ResumeTiming();
        for (qsizetype at = ranges - 1; at >= 0; --at)
            styled.addAttribute(QString::fromLatin1(attribute::kUnderlineStyle), 1, Range{2 * at, 1});
        benchmark::DoNotOptimize(styled.runs().size());
    }
    state.SetItemsProcessed(state.iterations() * ranges);
}
BENCHMARK(BM_AttributesRightToLeft)->Arg(20'000)->Arg(40'000)->Arg(80'000)->Unit(benchmark::kMillisecond);

// Emphasis nested three deep on one line, toggled over the whole line.
void BM_ToggleNestedEmphasis(benchmark::State& state)
{
    QString text;
    while (text.size() < state.range(0))
        text += QStringLiteral("*a **b *c* d** e* ");
    const QStringList markers{QStringLiteral("*"), QStringLiteral("_")};
    for (auto _ : state) {
        Range replaced;
        Range selected;
        benchmark::DoNotOptimize(stringByTogglingMarkupWithPrefixes(text, markers, markers, kCriticMarkupNone,
                                                                    kMarkdownEmphasis, Range{0, text.size()},
                                                                    &replaced, &selected));
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ToggleNestedEmphasis)->Arg(50'000)->Arg(100'000)->Arg(200'000)->Unit(benchmark::kMillisecond);

// A host of non-ASCII labels far past the 253 characters of a host name.
QString longHost(qsizetype size)
{
    QString host;
    while (host.size() < size)
        host += QStringLiteral("bücher.");
    return host + QStringLiteral("example");
}

void BM_AsciiHostName(benchmark::State& state)
{
    const QString host = longHost(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(asciiHostName(host));
    state.SetBytesProcessed(state.iterations() * host.size());
}
BENCHMARK(BM_AsciiHostName)->Arg(114'000)->Arg(229'000)->Arg(457'000)->Unit(benchmark::kMillisecond);

void BM_InvertedHostComponents(benchmark::State& state)
{
    const QString host = longHost(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(invertedHostComponents(host, 4));
    state.SetBytesProcessed(state.iterations() * host.size());
}
BENCHMARK(BM_InvertedHostComponents)->Arg(114'000)->Arg(229'000)->Arg(457'000)->Unit(benchmark::kMillisecond);

// Plus signs and blanks, each of which the query form rewrites.
void BM_FormatQueryTerm(benchmark::State& state)
{
    QString term;
    while (term.size() < state.range(0))
        term += QStringLiteral("c++ and  a+b ");
    for (auto _ : state)
        benchmark::DoNotOptimize(stringByFormattingQueryTerm(term, NSUTF8StringEncoding, true));
    state.SetBytesProcessed(state.iterations() * term.size());
}
BENCHMARK(BM_FormatQueryTerm)
    ->Arg(1 << 20)
    ->Arg(2 << 20)
    ->Arg(4 << 20)
    ->Arg(8 << 20)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
