// Drawing the pages of PDF documents opened from files: within the open's
// read bound, and abandoned at a stop.
#include "system/pdf_documents.h"

#include "system/image_file_info.h"
#include "tests/support/pdf_with_content.h"
#include "tests/support/temp_tree.h"
#include "tests/system/waiting.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <thread>

namespace sorvant {
namespace {

using test::bytesReadByProcess;
using test::pdfWithContent;

constexpr qint64 kSixGigabytes = 6'000'000'000;
constexpr qint64 kUnbounded = std::numeric_limits<qint64>::max();

class PdfDocuments : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (bytesReadByProcess() < 0)
            GTEST_SKIP() << "the kernel does not count the bytes a process reads";
    }

    test::TempTree m_tree;
};

// A page whose content stream stated gigabytes used to be read to its end
// once the document was open (36 s and more for 6 GB of zeros): drawing now
// reads within the open's bound, says so, and draws what it read.
TEST_F(PdfDocuments, APageWhoseContentPassesTheBoundIsDrawnFromWhatTheBoundReads)
{
    const QString hole = pdfWithContent(m_tree, QStringLiteral("hole.pdf"), "0 0 1 rg 0 0 50 50 re f\n", kSixGigabytes);
    for (const qint64 limit : {qint64(1) << 20, kPDFPageCountReadLimit}) {
        SCOPED_TRACE(limit);
        PdfFileOpening opening;
        const std::shared_ptr<PdfDocument> document = PdfDocument::fromFile(hole, &opening, limit);
        ASSERT_NE(document, nullptr);
        const qint64 before = bytesReadByProcess();
        const QImage page = document->renderPage(0, 72, 72);
        const qint64 read = bytesReadByProcess() - before;
        EXPECT_LT(read, 2 * limit);
        EXPECT_EQ(page.size(), QSize(200, 100));

        PdfPageDrawing drawing;
        drawing.stopped = true;
        const QImage again = document->renderPage(0, 72, 72, &drawing);
        EXPECT_TRUE(drawing.reachedReadLimit);
        EXPECT_FALSE(drawing.stopped);
        ASSERT_EQ(again.size(), QSize(200, 100));
        // The square at the stream's start is drawn; the page is white.
        EXPECT_EQ(again.pixelColor(10, 90), QColor(Qt::blue));
        EXPECT_EQ(again.pixelColor(150, 20), QColor(Qt::white));
    }
}

TEST_F(PdfDocuments, APageWithinTheBoundIsDrawnWhole)
{
    const QByteArray content = "0 0 1 rg 0 0 200 100 re f\n";
    const QString path = pdfWithContent(m_tree, QStringLiteral("blue.pdf"), content, content.size());
    const std::shared_ptr<PdfDocument> document = PdfDocument::fromFile(path);
    ASSERT_NE(document, nullptr);
    std::atomic<bool> stop = false;
    PdfPageDrawing drawing{&stop, true, true};
    const QImage page = document->renderPage(0, 72, 72, &drawing);
    ASSERT_EQ(page.size(), QSize(200, 100));
    EXPECT_EQ(page.pixelColor(100, 50), QColor(Qt::blue));
    EXPECT_FALSE(drawing.reachedReadLimit);
    EXPECT_FALSE(drawing.stopped);
    // A page the document lacks.
    EXPECT_TRUE(document->renderPage(1, 72, 72, &drawing).isNull());
    EXPECT_FALSE(drawing.stopped);
}

// A drawing could not be stopped: the preview's threads stayed busy with
// pages no one would see.
TEST_F(PdfDocuments, AStopEndsADrawingWhetherSetBeforeOrDuringIt)
{
    const QString hole = pdfWithContent(m_tree, QStringLiteral("hole.pdf"), "0 0 1 rg 0 0 50 50 re f\n", kSixGigabytes);
    const std::shared_ptr<PdfDocument> document = PdfDocument::fromFile(hole, nullptr, kUnbounded);
    ASSERT_NE(document, nullptr);

    std::atomic<bool> stop = true;
    PdfPageDrawing drawing{&stop};
    EXPECT_TRUE(document->renderPage(0, 72, 72, &drawing).isNull());
    EXPECT_TRUE(drawing.stopped);
    EXPECT_FALSE(drawing.reachedReadLimit);

    stop = false;
    drawing = PdfPageDrawing{&stop};
    std::atomic<bool> done = false;
    QImage page;
    const qint64 start = bytesReadByProcess();
    std::thread drawer([&] {
        page = document->renderPage(0, 72, 72, &drawing);
        done = true;
    });
    // Stopped once the drawing is well into the stream.
    const bool reading = test::waitUntil([&] { return done || bytesReadByProcess() - start > (qint64(16) << 20); });
    stop = true;
    const qint64 atStop = bytesReadByProcess();
    QElapsedTimer sinceStop;
    sinceStop.start();
    const bool ended = test::waitUntil([&] { return done.load(); });
    const qint64 stopLatencyMs = sinceStop.elapsed();
    const qint64 readAfterStop = bytesReadByProcess() - atStop;
    drawer.join();
    ASSERT_TRUE(reading);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(drawing.stopped);
    EXPECT_TRUE(page.isNull());
    // What was at hand when the stop came: one read of the library's buffer.
    EXPECT_LT(readAfterStop, qint64(1) << 20);
    RecordProperty("stopLatencyMs", std::to_string(stopLatencyMs));
}

} // namespace
} // namespace sorvant
