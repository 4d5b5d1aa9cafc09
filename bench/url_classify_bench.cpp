// Classifying link text and file names as the search and the pasteboard do:
// the link-text predicates over a mixed list, URLs made from typed text
// (with and without the escape retry), and the image and PDF extension
// tests that decide each search result's type.

#include "system/image_file_types.h"
#include "web/url/url_making.h"
#include "web/url/url_predicates.h"

#include <benchmark/benchmark.h>

#include <QStringList>

namespace {

QStringList linkTexts()
{
    return {QStringLiteral("ann@example.com"),    QStringLiteral("http://example.org/a/b?c=d"),
            QStringLiteral("www.example.org"),    QStringLiteral("mailto:someone@example.net"),
            QStringLiteral("not a link at all"),  QStringLiteral("/home/someone/Documents/report.pdf"),
            QStringLiteral("ftp.example.org/pub"), QStringLiteral("ann@mail.example.com"),
            QStringLiteral("https://h/caf\u00e9 au lait"), QStringLiteral("feed://h/rss.xml")};
}

void BM_LinkTextPredicates(benchmark::State& state)
{
    const QStringList texts = linkTexts();
    for (auto _ : state) {
        int count = 0;
        for (const QString& text : texts) {
            count += sorvant::isHTTPStringURL(text) + sorvant::isMailStringURL(text) +
                     sorvant::isFileStringURL(text) + sorvant::isWebKitStringURL(text) +
                     !sorvant::possibleInternetLocation(text).isNull();
        }
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * texts.size());
}
BENCHMARK(BM_LinkTextPredicates);

void BM_URLWithNormalizedStringURL(benchmark::State& state)
{
    const QStringList texts = linkTexts();
    for (auto _ : state) {
        int count = 0;
        for (const QString& text : texts)
            count += !sorvant::URLWithNormalizedStringURL(text).isNull();
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * texts.size());
}
BENCHMARK(BM_URLWithNormalizedStringURL);

void BM_ResultTypeByExtension(benchmark::State& state)
{
    const QStringList extensions = {QStringLiteral("pdf"), QStringLiteral("JPG"), QStringLiteral("txt"),
                                    QStringLiteral("docx"), QStringLiteral("png"), QStringLiteral("md"),
                                    QStringLiteral("eps"), QStringLiteral(""), QStringLiteral("mov"),
                                    QStringLiteral("tiff")};
    for (auto _ : state) {
        int count = 0;
        for (const QString& extension : extensions)
            count += sorvant::isPDFExtension(extension, QString()) ? 1
                     : sorvant::isImageExtension(extension, QString()) ? 2
                                                                        : 0;
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * extensions.size());
}
BENCHMARK(BM_ResultTypeByExtension);

} // namespace

BENCHMARK_MAIN();
