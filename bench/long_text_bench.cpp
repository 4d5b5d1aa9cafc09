// Text functions on long hostile input, one size per row so the growth from
// size to size shows: link highlighting over many links found out of text
// order, attribute ranges laid one by one in three orders, edits over many
// occurrences, insertions going forward through many runs, toggling
// emphasis over nested markers, IDNA of a long host and query-term
// escaping. The readers of 10 MB inputs and the inverted 10 MB host also
// report the process's peak resident memory over the input's size
// ("peak_per_input"); it holds for one row run alone (--benchmark_filter),
// as the peak is the process's.

#include "foundation/attributed_string.h"
#include "platform/string_encoding.h"
#include "platform/url.h"
#include "web/toolkit/attributed_editing.h"
#include "web/toolkit/attributed_reformatting.h"
#include "web/toolkit/html_document.h"
#include "web/toolkit/markdown_markup.h"
#include "web/toolkit/rich_text_files.h"
#include "web/toolkit/rtf_reader.h"
#include "web/toolkit/storage_paths.h"
#include "web/toolkit/wiki_link_highlighting.h"
#include "web/toolkit/wiki_links.h"
#include "web/url/host_components.h"
#include "web/url/percent_escapes.h"
#include "web/url/url_resolution.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <random>

#include <sys/resource.h>

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

// One attribute over every other unit, one call per range, the ranges in
// the order `order` gives (a permutation of the range numbers).
void layRangesOneByOne(benchmark::State& state, const QList<qsizetype>& order)
{
    const QString text(2 * order.size(), QLatin1Char('x'));
    for (auto _ : state) {
        state.PauseTiming();
        AttributedString styled(text);
        state.ResumeTiming();
        for (const qsizetype at : order)
            styled.addAttribute(QString::fromLatin1(attribute::kUnderlineStyle), 1, Range{2 * at, 1});
        benchmark::DoNotOptimize(styled.runs().size());
    }
    state.SetItemsProcessed(state.iterations() * order.size());
}

QList<qsizetype> rangeNumbers(qsizetype count)
{
    QList<qsizetype> order(count);
    std::iota(order.begin(), order.end(), 0);
    return order;
}

void BM_AttributesRightToLeft(benchmark::State& state)
{
    QList<qsizetype> order = rangeNumbers(state.range(0));
    std::reverse(order.begin(), order.end());
    layRangesOneByOne(state, order);
}
BENCHMARK(BM_AttributesRightToLeft)->Arg(20'000)->Arg(40'000)->Arg(80'000)->Unit(benchmark::kMillisecond);

void BM_AttributesLeftToRight(benchmark::State& state)
{
    layRangesOneByOne(state, rangeNumbers(state.range(0)));
}
BENCHMARK(BM_AttributesLeftToRight)->Arg(20'000)->Arg(40'000)->Arg(80'000)->Unit(benchmark::kMillisecond);

void BM_AttributesRandomOrder(benchmark::State& state)
{
    QList<qsizetype> order = rangeNumbers(state.range(0));
    std::shuffle(order.begin(), order.end(), std::mt19937(1));
    layRangesOneByOne(state, order);
}
BENCHMARK(BM_AttributesRandomOrder)->Arg(20'000)->Arg(40'000)->Arg(80'000)->Unit(benchmark::kMillisecond);

// The same ranges laid in one call.
void BM_AttributeRangesAtOnce(benchmark::State& state)
{
    const qsizetype count = state.range(0);
    const QString text(2 * count, QLatin1Char('x'));
    QList<Range> ranges;
    for (qsizetype at = count - 1; at >= 0; --at)
        ranges.append(Range{2 * at, 1});
    const QVariantMap underline{{QString::fromLatin1(attribute::kUnderlineStyle), 1}};
    for (auto _ : state) {
        state.PauseTiming();
        AttributedString styled(text);
        state.ResumeTiming();
        styled.addAttributesInRanges(underline, ranges);
        benchmark::DoNotOptimize(styled.runs().size());
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_AttributeRangesAtOnce)->Arg(20'000)->Arg(40'000)->Arg(80'000)->Unit(benchmark::kMillisecond);

// "ab " `count` times.
QString triples(qsizetype count)
{
    return QStringLiteral("ab ").repeated(count);
}

void BM_ReplaceEveryOccurrence(benchmark::State& state)
{
    const AttributedString text(triples(state.range(0)));
    for (auto _ : state) {
        AttributedString edited = text;
        benchmark::DoNotOptimize(replaceString(edited, QStringLiteral("ab"), QStringLiteral("xyz")));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReplaceEveryOccurrence)->Arg(25'000)->Arg(50'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

void BM_ReplaceEveryOccurrenceWithLink(benchmark::State& state)
{
    const AttributedString text(triples(state.range(0)));
    const QVariant link = QStringLiteral("http://example.org/");
    for (auto _ : state) {
        AttributedString edited = text;
        benchmark::DoNotOptimize(replaceStringWithLink(edited, QStringLiteral("ab"), link, QString()));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReplaceEveryOccurrenceWithLink)->Arg(25'000)->Arg(50'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// A unit of text and an attachment, `count` times.
void BM_RemoveAttachments(benchmark::State& state)
{
    AttributedString text;
    const QVariantMap attached{{QString::fromLatin1(attribute::kAttachment), QStringLiteral("file")}};
    for (qsizetype i = 0; i < state.range(0); ++i) {
        text.appendAttributedString(AttributedString(QStringLiteral("a")));
        text.appendAttributedString(AttributedString(QString(QChar(kAttachmentCharacter)), attached));
    }
    for (auto _ : state) {
        AttributedString edited = text;
        removeAttachments(edited);
        benchmark::DoNotOptimize(edited.length());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RemoveAttachments)->Arg(25'000)->Arg(50'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// One unit inserted into every eighth of `count` runs, from the start on.
void BM_InsertionsGoingForward(benchmark::State& state)
{
    AttributedString text;
    const QVariantMap bold{{QString::fromLatin1(attribute::kFont), QStringLiteral("bold")}};
    for (qsizetype i = 0; i < state.range(0); ++i)
        text.appendAttributedString(AttributedString(QStringLiteral("ab"), i % 2 ? bold : QVariantMap()));
    for (auto _ : state) {
        AttributedString edited = text;
        for (qsizetype at = 1; at < edited.length(); at += 17)
            edited.insertString(QStringLiteral("c"), at);
        benchmark::DoNotOptimize(edited.runs().size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) / 8);
}
BENCHMARK(BM_InsertionsGoingForward)->Arg(25'000)->Arg(50'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// Emphasis toggled over the whole of `text`.
void toggleEmphasis(benchmark::State& state, const QString& text)
{
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

// Emphasis nested three deep on one line.
void BM_ToggleNestedEmphasis(benchmark::State& state)
{
    QString text;
    while (text.size() < state.range(0))
        text += QStringLiteral("*a **b *c* d** e* ");
    toggleEmphasis(state, text);
}
BENCHMARK(BM_ToggleNestedEmphasis)->Arg(50'000)->Arg(100'000)->Arg(200'000)->Unit(benchmark::kMillisecond);

// Emphasis and its other marker nested `size` / 4 deep each, around one unit.
void BM_ToggleDeeplyNestedMarkers(benchmark::State& state)
{
    const QString opening = QStringLiteral("*_").repeated(state.range(0) / 4);
    QString closing = opening;
    std::reverse(closing.begin(), closing.end());
    toggleEmphasis(state, opening + QLatin1Char('x') + closing);
}
BENCHMARK(BM_ToggleDeeplyNestedMarkers)->Arg(50'000)->Arg(100'000)->Arg(200'000)->Unit(benchmark::kMillisecond);

// A run of markers inside emphasis, before white space: it opens nothing
// and is passed one marker at a time.
void BM_ToggleLongMarkerRun(benchmark::State& state)
{
    toggleEmphasis(state, QStringLiteral("*a ") + QString(state.range(0), QLatin1Char('*')) + QStringLiteral(" b*"));
}
BENCHMARK(BM_ToggleLongMarkerRun)->Arg(50'000)->Arg(100'000)->Arg(200'000)->Unit(benchmark::kMillisecond);

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

constexpr qsizetype kReaderInput = 10 << 20;

// The process's peak resident memory over `input` bytes.
void reportPeak(benchmark::State& state, qsizetype input)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_per_input"] = double(usage.ru_maxrss) * 1024.0 / double(input);
}

QByteArray repeatedTo(QByteArray text, const QByteArray& part, const QByteArray& end)
{
    while (text.size() < kReaderInput)
        text += part;
    return text + end;
}

void BM_HTMLParse(benchmark::State& state)
{
    const QByteArray html = repeatedTo(
        "<html><head><title>t</title></head><body>\n",
        "<p>Some <b>bold</b> and <i>italic</i> text with <a href=\"http://example.org/page\">a link</a>.</p>\n",
        "</body></html>\n");
    for (auto _ : state) {
        const HTMLDocument document(html, QString());
        benchmark::DoNotOptimize(document.isValid());
    }
    reportPeak(state, html.size());
}
BENCHMARK(BM_HTMLParse)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_HTMLRichText(benchmark::State& state)
{
    const QByteArray html = repeatedTo(
        "<html><body>\n",
        "<p>Some <b>bold</b> and <i>italic</i> text with <a href=\"http://example.org/page\">a link</a>.</p>\n",
        "</body></html>\n");
    for (auto _ : state)
        benchmark::DoNotOptimize(attributedStringWithHTML(html, QString(), URL(), nullptr).length());
    reportPeak(state, html.size());
}
BENCHMARK(BM_HTMLRichText)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_RTFRead(benchmark::State& state)
{
    const QByteArray rtf = repeatedTo("{\\rtf1\\ansi\\deff0 {\\fonttbl{\\f0 Times;}}{\\colortbl;\\red255\\green0\\blue0;}\n",
                                      "{\\b bold} plain \\i italic\\i0  {\\cf1 red} caf\\'e9 \\par\n", "}");
    for (auto _ : state)
        benchmark::DoNotOptimize(attributedStringWithRTF(rtf)->length());
    reportPeak(state, rtf.size());
}
BENCHMARK(BM_RTFRead)->Unit(benchmark::kMillisecond)->Iterations(1);

// A host of five million "1" labels.
void BM_StoragePathOfLongHost(benchmark::State& state)
{
    QString link = QStringLiteral("http://");
    while (link.size() < kReaderInput)
        link += QStringLiteral("1.");
    link += QStringLiteral("1/a/b.html");
    for (auto _ : state)
        benchmark::DoNotOptimize(invertedPathRelativeToDirectory(URL::URLWithString(link), QStringLiteral("/m")).size());
    reportPeak(state, link.size());
}
BENCHMARK(BM_StoragePathOfLongHost)->Unit(benchmark::kMillisecond)->Iterations(1);

// A host of five million "1" labels, inverted whole.
void BM_InvertedHostOfLongHost(benchmark::State& state)
{
    QString host(kReaderInput + 1, QLatin1Char('1'));
    for (qsizetype at = 1; at < host.size(); at += 2)
        host[at] = QLatin1Char('.');
    for (auto _ : state)
        benchmark::DoNotOptimize(invertedHost(host).size());
    reportPeak(state, host.size());
}
BENCHMARK(BM_InvertedHostOfLongHost)->Unit(benchmark::kMillisecond)->Iterations(1);

// Random bytes read as UTF-8: nearly every unit is escaped on the retry.
void BM_RelativeLinkOfRandomBytes(benchmark::State& state)
{
    std::mt19937 random(1);
    QByteArray bytes(kReaderInput, Qt::Uninitialized);
    for (char& byte : bytes) {
        byte = char(random());
        if (byte == '#')
            byte = 'x';
    }
    const QString text = QString::fromUtf8(bytes);
    const URL base = URL::URLWithString(QStringLiteral("http://h/a/b"));
    for (auto _ : state)
        benchmark::DoNotOptimize(URLRelativeTo(base, text).absoluteString().size());
    reportPeak(state, bytes.size());
}
BENCHMARK(BM_RelativeLinkOfRandomBytes)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
