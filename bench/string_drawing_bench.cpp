// The results table's text work per cell: a highlighted path truncated in
// the middle to a column width and drawn into its rect; plus laying many
// highlight runs over an attributed string and a named-image cache hit.
#include "foundation/attributed_string.h"
#include "interface/colors.h"
#include "interface/fonts.h"
#include "interface/images.h"
#include "interface/string_drawing.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

namespace sorvant {
namespace {

AttributedString highlightedPath()
{
    const QString path = QStringLiteral("/home/someone/Documents/projects/2026/search/results/highlighted-report-final.txt");
    AttributedString text(path, {{attribute::kFont, smallSystemFont()}});
    text.addAttributes({{attribute::kBackgroundColor, QVariant::fromValue(Color::yellowColor())}},
                       {path.indexOf(QStringLiteral("report")), 6});
    return text;
}

void BM_TruncateMiddle(benchmark::State& state)
{
    const AttributedString text = highlightedPath();
    const double width = double(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(truncatedAttributedString(text, width, LineBreakMode::ByTruncatingMiddle));
}
BENCHMARK(BM_TruncateMiddle)->Arg(120)->Arg(300)->Arg(2000);

void BM_DrawCell(benchmark::State& state)
{
    QImage canvas(300, 20, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&canvas);
    const QString name = QStringLiteral("A rather long file name of a search result.pdf");
    for (auto _ : state) {
        canvas.fill(Qt::white);
        benchmark::DoNotOptimize(drawInRect(painter, name, QRectF(0, 0, 160, 20), LineBreakMode::ByTruncatingMiddle,
                                            false, true, smallBoldSystemFont(), Color::blackColor(), false));
    }
}
BENCHMARK(BM_DrawCell);

void BM_OverlayRuns(benchmark::State& state)
{
    const QString text = QString(QStringLiteral("word ")).repeated(int(state.range(0)));
    for (auto _ : state) {
        AttributedString string(text);
        for (qsizetype at = 0; at < text.size(); at += 10)
            string.addAttributes({{attribute::kForegroundColor, QVariant::fromValue(Color::blueColor())}}, {at, 4});
        benchmark::DoNotOptimize(string.runs().size());
    }
}
BENCHMARK(BM_OverlayRuns)->Arg(100)->Arg(1000);

void BM_CachedImageHit(benchmark::State& state)
{
    benchmark::DoNotOptimize(cachedImageNamed(QStringLiteral("magnifier")));
    for (auto _ : state)
        benchmark::DoNotOptimize(cachedImageNamed(QStringLiteral("magnifier")));
}
BENCHMARK(BM_CachedImageHit);

} // namespace
} // namespace sorvant

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    sorvant::setSystemFontFamily(QStringLiteral("DejaVu Sans"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
