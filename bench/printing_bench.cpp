// Printing a results-sized table to PDF (pagination at row boundaries and
// the vector output), and putting a selection's URLs on a pasteboard and
// reading them back.
#include "interface/pasteboard.h"
#include "interface/printing.h"
#include "platform/url.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QStandardItemModel>
#include <QTableView>

namespace sorvant {
namespace {

void BM_PrintTableToPDF(benchmark::State& state)
{
    const int rows = int(state.range(0));
    QStandardItemModel model(rows, 3);
    for (int row = 0; row < rows; ++row) {
        model.setItem(row, 0, new QStandardItem(QStringLiteral("document-%1.txt").arg(row)));
        model.setItem(row, 1, new QStandardItem(QStringLiteral("/home/user/projects/folder %1").arg(row % 40)));
        model.setItem(row, 2, new QStandardItem(QStringLiteral("12 KB")));
    }
    QTableView view;
    view.setModel(&model);
    view.resize(600, 400);
    for (auto _ : state) {
        const QByteArray pdf = dataWithPrintedPDF(&view);
        benchmark::DoNotOptimize(pdf.size());
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_PrintTableToPDF)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_URLListRoundTrip(benchmark::State& state)
{
    QList<URL> urls;
    for (int i = 0; i < state.range(0); ++i)
        urls.append(URL::fileURLWithPath(QStringLiteral("/home/user/results/file %1.pdf").arg(i)));
    Pasteboard pasteboard;
    for (auto _ : state) {
        copyURLsToPasteboard(urls, pasteboard);
        benchmark::DoNotOptimize(pasteboard.propertyListForType(WebURLsWithTitlesPboardType));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_URLListRoundTrip)->Arg(10)->Arg(1000);

} // namespace
} // namespace sorvant

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
