// Printing a results-sized table to PDF (pagination at row boundaries and
// the vector output) and on a printer, and putting a selection's URLs on a pasteboard and
// reading them back.
#include "interface/pasteboard.h"
#include "interface/printing.h"
#include "platform/url.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFileInfo>
#include <QPrinter>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>

namespace sorvant {
namespace {

// A results-like table of `rows` rows.
struct ResultsTable
{
    explicit ResultsTable(int rows) : model(rows, 3)
    {
        for (int row = 0; row < rows; ++row) {
            model.setItem(row, 0, new QStandardItem(QStringLiteral("document-%1.txt").arg(row)));
            model.setItem(row, 1, new QStandardItem(QStringLiteral("/home/user/projects/folder %1").arg(row % 40)));
            model.setItem(row, 2, new QStandardItem(QStringLiteral("12 KB")));
        }
        view.setModel(&model);
        view.resize(600, 400);
    }
    QStandardItemModel model;
    QTableView view;
};

void BM_PrintTableToPDF(benchmark::State& state)
{
    ResultsTable table(int(state.range(0)));
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray pdf = dataWithPrintedPDF(&table.view);
        bytes = pdf.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["pdf_bytes"] = double(bytes);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PrintTableToPDF)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// The print dialog's path: the table painted on a printer (here one that
// writes a PDF file), as "print:" does.
void BM_PrintTableOnPrinter(benchmark::State& state)
{
    ResultsTable table(int(state.range(0)));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("printed.pdf"));
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        benchmark::DoNotOptimize(printView(&table.view, &printer, PrintInfo::sharedPrintInfo()));
    }
    state.counters["pdf_bytes"] = double(QFileInfo(path).size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PrintTableOnPrinter)->Arg(100)->Unit(benchmark::kMillisecond);

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
