#include "interface/printing.h"
#include "interface/snapshots.h"

#include "interface/action_router.h"
#include "system/bundle.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QPrinter>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>

#include <poppler-qt6.h>

#include <gtest/gtest.h>

#include <memory>

namespace sorvant {
namespace {

// A striped table of `rows` rows with every other row selected, in
// colours that must not reach paper.
struct StripedTable
{
    explicit StripedTable(int rows) : model(rows, 2)
    {
        for (int row = 0; row < rows; ++row) {
            model.setItem(row, 0, new QStandardItem(QStringLiteral("Row%1").arg(row, 3, 10, QLatin1Char('0'))));
            model.setItem(row, 1, new QStandardItem(QStringLiteral("value")));
        }
        view.setModel(&model);
        view.setAlternatingRowColors(true);
        QPalette palette = view.palette();
        palette.setColor(QPalette::AlternateBase, QColor(255, 0, 0));
        palette.setColor(QPalette::Highlight, QColor(0, 0, 255));
        palette.setColor(QPalette::Text, QColor(0, 160, 0));
        view.setPalette(palette);
        view.resize(300, 200);
        view.setSelectionMode(QAbstractItemView::MultiSelection);
        for (int row = 0; row < rows; row += 2)
            view.selectRow(row);
    }

    QStandardItemModel model;
    QTableView view;
};

bool isGrey(QColor color)
{
    return std::abs(color.red() - color.green()) < 16 && std::abs(color.green() - color.blue()) < 16;
}

TEST(Printing, TablePrintsEveryRowOnceInBlackWithoutSelectionOrStripes)
{
    StripedTable table(150);
    const QByteArray pdf = dataWithPrintedPDF(&table.view);
    ASSERT_FALSE(pdf.isEmpty());
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(pdf);
    ASSERT_TRUE(document);
    ASSERT_GE(document->numPages(), 2);

    // A page break through a row would print that row on two pages.
    QMap<QString, int> seen;
    for (int index = 0; index < document->numPages(); ++index) {
        const std::unique_ptr<Poppler::Page> page = document->page(index);
        for (const QString& word : page->text(QRectF()).split(QRegularExpression(QStringLiteral("\\s+")))) {
            if (word.startsWith(QLatin1String("Row")))
                ++seen[word];
        }
        const QImage image = page->renderToImage(72, 72);
        int ink = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor color = image.pixelColor(x, y);
                ASSERT_TRUE(isGrey(color)) << "page " << index << " at " << x << "," << y;
                ink += color.lightness() < 96;
            }
        }
        EXPECT_GT(ink, 0) << "page " << index;
    }
    EXPECT_EQ(seen.size(), 150);
    for (auto it = seen.cbegin(); it != seen.cend(); ++it)
        EXPECT_EQ(it.value(), 1) << it.key().toStdString();

    // The view and the shared information are as they were.
    EXPECT_EQ(table.view.size(), QSize(300, 200));
    EXPECT_TRUE(table.view.alternatingRowColors());
    EXPECT_EQ(table.view.palette().color(QPalette::AlternateBase), QColor(255, 0, 0));
    EXPECT_EQ(table.view.selectionModel()->selectedRows().size(), 75);
    EXPECT_TRUE(PrintInfo::sharedPrintInfo().verticallyCentered);
    EXPECT_EQ(PrintInfo::sharedPrintInfo().jobDisposition, PrintJobDisposition::Spool);
    EXPECT_TRUE(QDir(Bundle::mainBundle().temporaryDirectory())
                    .entryList({QStringLiteral("__velmor_printing_temporary_paginated__*")})
                    .isEmpty());
}

// A widget painted onto a printer used to go through a bitmap of each page:
// a 100-row table became megabytes of pictures with no text to select.
TEST(Printing, PrinterOutputKeepsTextSelectableInsteadOfPagePictures)
{
    StripedTable table(100);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("printed.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    ASSERT_TRUE(printView(&table.view, &printer, PrintInfo::sharedPrintInfo()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    EXPECT_LT(pdf.size(), 1024 * 1024);
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(pdf);
    ASSERT_TRUE(document);
    QString text;
    for (int index = 0; index < document->numPages(); ++index)
        text += document->page(index)->text(QRectF());
    for (int row = 0; row < 100; ++row)
        EXPECT_TRUE(text.contains(QStringLiteral("Row%1").arg(row, 3, 10, QLatin1Char('0')))) << row;
}

TEST(Printing, PaginationModes)
{
    QWidget wide;
    wide.resize(1200, 300);
    PrintInfo fit = PrintInfo::printInfoPaginatedHorizontal(PrintingPaginationMode::Fit, false);
    double scale = 0;
    const QList<PrintPage> fitted = pagesForView(&wide, fit, &scale);
    const double printable = fit.pageLayout.paintRect(QPageLayout::Point).width();
    EXPECT_DOUBLE_EQ(scale, printable / 1200);
    ASSERT_EQ(fitted.size(), 1);
    EXPECT_EQ(fitted[0].source, QRectF(0, 0, 1200, 300));

    PrintInfo tiles = PrintInfo::printInfoPaginatedHorizontal(PrintingPaginationMode::Auto, true);
    const QList<PrintPage> tiled = pagesForView(&wide, tiles, &scale);
    EXPECT_DOUBLE_EQ(scale, 1.0);
    EXPECT_EQ(tiled.size(), qsizetype(std::ceil(1200 / printable)));

    EXPECT_EQ(PrintInfo::marginsForImageableBounds(makeRect(18, 36, 576, 720), Size{612, 792}),
              QMarginsF(18, 36, 18, 36));
    EXPECT_EQ(PrintInfo::marginsForImageableBounds(makeRect(10, 20, 500, 700), Size{612, 792}),
              QMarginsF(10, 72, 102, 20));
    EXPECT_FALSE(PrintInfo().printOperationWithView(nullptr));
}

TEST(Printing, PrintActionIsAnsweredForTheWindow)
{
    QWidget window;
    ViewPrinting* printing = ViewPrinting::forWindow(&window);
    EXPECT_EQ(ViewPrinting::forWindow(&window), printing);
    EXPECT_TRUE(respondsToSelector(printing, "print:"));
    EXPECT_TRUE(respondsToSelector(printing, "printWithoutDialog:"));
    EXPECT_EQ(printing->viewToPrint(), &window);
}

TEST(Snapshots, ThumbnailSizes)
{
    const struct { QSizeF size; QSizeF thumb; QSize expected; } rows[] = {
        {{300, 100}, {150, 150}, {150, 50}},
        {{100, 300}, {150, 150}, {50, 150}},
        {{40.2, 10}, {150, 150}, {41, 10}},
        {{3000, 1}, {150, 150}, {150, 1}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.size.width() << "x" << row.size.height());
        EXPECT_EQ(thumbnailSizeForSnapshot(row.size, row.thumb), row.expected);
    }
}

TEST(Snapshots, ViewsDrawnIntoImages)
{
    QWidget view;
    view.resize(300, 100);
    view.setAutoFillBackground(true);
    QPalette palette = view.palette();
    palette.setColor(QPalette::Window, QColor(200, 40, 40));
    view.setPalette(palette);

    EXPECT_TRUE(snapshotFromRect(&view, QRectF(0, 0, 0, 10)).isNull());
    EXPECT_TRUE(snapshotFromRect(&view, QRectF(0, 0, 10, -1), QSizeF(5, 5)).isNull());

    const Image bounds = boundsSnapshot(&view);
    ASSERT_FALSE(bounds.isNull());
    EXPECT_EQ(bounds.size(), QSizeF(300, 100));
    ASSERT_FALSE(bounds.representations().isEmpty());
    const QImage pixels = bounds.representations().first().render(QSize(300, 100));
    EXPECT_EQ(pixels.pixelColor(150, 50), QColor(200, 40, 40));

    const Image thumb = snapshotFromRect(&view, QRectF(view.rect()), QSizeF(150, 150), true);
    EXPECT_EQ(thumb.size(), QSizeF(150, 50));

    const Image full = fullSnapshot(&view);
    ASSERT_FALSE(full.isNull());
    EXPECT_EQ(full.size(), QSizeF(300, 100));
}

} // namespace
} // namespace sorvant
