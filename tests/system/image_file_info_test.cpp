#include "system/image_file_info.h"
#include "system/pasteboard_images.h"
#include "system/pdf_documents.h"

#include "platform/file_system_representation.h"
#include "tests/support/temp_tree.h"

#include <QFile>
#include <QFileInfo>
#include <QBuffer>
#include <QImage>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <limits>
#include <thread>

namespace sorvant {
namespace {

// A small valid PDF of `pages` empty pages, its cross-reference table at the
// right offsets.
QByteArray minimalPDF(int pages)
{
    QList<QByteArray> objects;
    objects.append("<< /Type /Catalog /Pages 2 0 R >>");
    QByteArray kids;
    for (int page = 0; page < pages; ++page)
        kids += QByteArray::number(3 + page) + " 0 R ";
    objects.append("<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>");
    for (int page = 0; page < pages; ++page)
        objects.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >>");
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype index = 0; index < objects.size(); ++index) {
        offsets.append(pdf.size());
        pdf += QByteArray::number(index + 1) + " 0 obj\n" + objects.at(index) + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

class ImageFileInfo : public testing::Test
{
protected:
    QString saveImage(const QString& name, int width, int height, const char* format)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::red);
        const QString path = m_tree.filePath(name);
        EXPECT_TRUE(image.save(path, format)) << name.toStdString();
        return path;
    }

    test::TempTree m_tree;
};

TEST_F(ImageFileInfo, PixelSizesOfRealImages)
{
    const struct
    {
        const char* name;
        const char* format;
        int width;
        int height;
    } cases[] = {{"a.png", "PNG", 3, 2}, {"b.jpg", "JPEG", 17, 5}, {"c.bmp", "BMP", 1, 9}, {"d.tif", "TIFF", 4, 4}, {"e.webp", "WEBP", 8, 3}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const QString path = saveImage(QString::fromLatin1(row.name), row.width, row.height, row.format);
        EXPECT_EQ(pixelSizeOfImageFile(path), QSize(row.width, row.height));
    }
}

// A size read whose stop is set reads nothing more and gives no size, in
// every format; a stop that is not set changes nothing.
TEST_F(ImageFileInfo, PixelSizeReadsEndAtAStop)
{
    std::atomic<bool> stop{true};
    const std::atomic<bool> goOn{false};
    for (const char* format : {"PNG", "JPEG", "BMP", "TIFF", "WEBP"}) {
        SCOPED_TRACE(format);
        const QString name = QStringLiteral("stopped.%1").arg(QString::fromLatin1(format).toLower());
        const QString path = saveImage(name, 7, 3, format);
        EXPECT_EQ(pixelSizeOfImageFile(path, &stop), QSize());
        EXPECT_EQ(pixelSizeOfImageFile(path, &goOn), QSize(7, 3));
    }
}

// The size function took no stop once: a program from that build finding
// today's module (or the other way round) must fail to load it, not call
// it with the wrong arguments, so the old name is no longer exported.
TEST_F(ImageFileInfo, TheModuleKeepsNoFunctionUnderItsOlderSignaturesName)
{
    ASSERT_TRUE(pixelSizeOfImageFile(saveImage(QStringLiteral("load.png"), 2, 2, "PNG")).isValid());
    const QByteArray module = fileSystemRepresentation(imageReaderModulePath());
    void* handle = ::dlopen(module.constData(), RTLD_LAZY | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr) << module.constData();
    EXPECT_EQ(::dlsym(handle, "sorvant_image_pixel_size"), nullptr);
    ::dlclose(handle);
}

TEST_F(ImageFileInfo, ContentsDecideNotTheName)
{
    const QString png = saveImage(QStringLiteral("picture.png"), 6, 7, "PNG");
    const QString misnamed = m_tree.filePath(QStringLiteral("picture.txt"));
    ASSERT_TRUE(QFile::copy(png, misnamed));
    EXPECT_EQ(pixelSizeOfImageFile(misnamed), QSize(6, 7));

    const QString text = m_tree.writeFile(QStringLiteral("fake.png"), "not an image");
    EXPECT_FALSE(pixelSizeOfImageFile(text).isValid());
    EXPECT_FALSE(pixelSizeOfImageFile(m_tree.filePath(QStringLiteral("missing.png"))).isValid());
    EXPECT_FALSE(pixelSizeOfImageFile(QString()).isValid());
}

TEST_F(ImageFileInfo, PageCountsOfRealPDFs)
{
    const QString one = m_tree.writeFile(QStringLiteral("one.pdf"), minimalPDF(1));
    const QString three = m_tree.writeFile(QStringLiteral("three.pdf"), minimalPDF(3));
    EXPECT_EQ(pageCountOfPDFFile(one), 1);
    EXPECT_EQ(pageCountOfPDFFile(three), 3);
    EXPECT_TRUE(isValidPDFFile(three));
}

TEST_F(ImageFileInfo, FilesThatAreNoPDFHaveNoPages)
{
    const QString png = saveImage(QStringLiteral("image.pdf"), 2, 2, "PNG");
    const QString text = m_tree.writeFile(QStringLiteral("text.pdf"), "%PDF-1.4\nnothing more");
    EXPECT_EQ(pageCountOfPDFFile(png), -1);
    EXPECT_EQ(pageCountOfPDFFile(text), -1);
    EXPECT_FALSE(isValidPDFFile(m_tree.filePath(QStringLiteral("missing.pdf"))));
    EXPECT_EQ(pageCountOfPDFFile(QString()), -1);
}

// A PDF without a usable index is read from its first byte to its last: six
// sparse 6 GB files took minutes. Counting stops at its limit and says so;
// a document whose index leads to its pages reads little of any size.
TEST_F(ImageFileInfo, PageCountsReadNoMoreThanTheirLimit)
{
    const QString three = m_tree.writeFile(QStringLiteral("three.pdf"), minimalPDF(3));
    const QString sparse = m_tree.writeFile(QStringLiteral("sparse.pdf"), "%PDF-1.4\n");
    ASSERT_TRUE(QFile::resize(sparse, qint64(4) << 20));
    const qint64 size = QFileInfo(three).size();
    const struct
    {
        const QString& path;
        qint64 limit;
        int pages;
    } cases[] = {
        {three, qint64(64) << 10, 3},
        {three, size / 4, kPDFPagesNotCounted},
        {sparse, qint64(64) << 10, kPDFPagesNotCounted},
        {sparse, qint64(64) << 20, -1}, // read whole: no document
    };
    for (const auto& [path, limit, pages] : cases) {
        SCOPED_TRACE(QFileInfo(path).fileName().toStdString() + " " + std::to_string(limit));
        EXPECT_EQ(pageCountOfPDFFile(path, limit), pages);
    }
}

TEST_F(ImageFileInfo, NamesThatAreNotUTF8AreRead)
{
    const QString name = m_tree.path() + QString::fromUtf16(u"/caf\xDCE9.pdf");
    const QByteArray bytes = fileSystemRepresentation(name);
    ASSERT_TRUE(bytes.endsWith("caf\xE9.pdf"));
    const int fd = ::open(bytes.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const QByteArray pdf = minimalPDF(2);
    ASSERT_EQ(::write(fd, pdf.constData(), static_cast<size_t>(pdf.size())), pdf.size());
    ::close(fd);
    EXPECT_EQ(pageCountOfPDFFile(name), 2);
}

// A file of `size` bytes starting with `start`, the rest a hole of zeros
// (no disk is used).
QString sparseFile(test::TempTree& tree, const QString& name, const QByteArray& start, qint64 size)
{
    const QString path = tree.writeFile(name, start);
    EXPECT_TRUE(QFile::resize(path, size));
    return path;
}

constexpr qint64 kSixGigabytes = qint64(6) << 30;

// Opening for a preview used to read a damaged or zero-filled file of
// gigabytes whole (about 9 s per gigabyte). It now stops where a page count
// stops and says so; a document whose index leads to its pages opens.
TEST_F(ImageFileInfo, PDFDocumentsOpenWithinTheirReadLimit)
{
    const QString three = m_tree.writeFile(QStringLiteral("three.pdf"), minimalPDF(3));
    const QString zeros = sparseFile(m_tree, QStringLiteral("zeros.pdf"), "%PDF-1.4\n", kSixGigabytes);
    // A document whose end, with its index, was lost.
    const QString cut = sparseFile(m_tree, QStringLiteral("cut.pdf"), minimalPDF(3).chopped(60), kSixGigabytes);
    const QString text = m_tree.writeFile(QStringLiteral("text.pdf"), "%PDF-1.4\nnothing more");
    const qint64 size = QFileInfo(three).size();
    const struct
    {
        const QString& path;
        qint64 limit;
        int pages;
        bool reachedReadLimit;
    } cases[] = {
        {three, kPDFPageCountReadLimit, 3, false},
        {three, size / 4, 0, true},
        {zeros, kPDFPageCountReadLimit, 0, true},
        {cut, kPDFPageCountReadLimit, 0, true},
        {text, kPDFPageCountReadLimit, 0, false},
    };
    for (const auto& [path, limit, pages, reachedReadLimit] : cases) {
        SCOPED_TRACE(QFileInfo(path).fileName().toStdString() + " " + std::to_string(limit));
        PdfFileOpening opening;
        opening.reachedReadLimit = !reachedReadLimit;
        opening.stopped = true;
        const std::shared_ptr<PdfDocument> document = PdfDocument::fromFile(path, &opening, limit);
        EXPECT_EQ(document ? document->pageCount() : 0, pages);
        EXPECT_EQ(opening.reachedReadLimit, reachedReadLimit);
        EXPECT_FALSE(opening.stopped);
    }
    // The one-argument open has the page count's bound.
    EXPECT_EQ(PdfDocument::fromFile(zeros), nullptr);
    PdfFileOpening opening;
    EXPECT_EQ(PdfDocument::fromFile(cut, &opening), nullptr);
    EXPECT_TRUE(opening.reachedReadLimit);
}

// The bound is for opening: drawing pages afterwards reads what it needs.
TEST_F(ImageFileInfo, PDFPagesDrawAfterAnOpenThatUsedItsWholeLimit)
{
    const QString three = m_tree.writeFile(QStringLiteral("three.pdf"), minimalPDF(3));
    qint64 tooFew = 0;
    qint64 enough = QFileInfo(three).size() * 16;
    ASSERT_NE(PdfDocument::fromFile(three, nullptr, enough), nullptr);
    while (enough - tooFew > 1) {
        const qint64 middle = (tooFew + enough) / 2;
        (PdfDocument::fromFile(three, nullptr, middle) ? enough : tooFew) = middle;
    }
    const std::shared_ptr<PdfDocument> document = PdfDocument::fromFile(three, nullptr, enough);
    ASSERT_NE(document, nullptr);
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        EXPECT_EQ(document->pageSize(page), QSizeF(200, 100));
        EXPECT_EQ(document->renderPage(page, 72, 72).size(), QSize(200, 100));
    }
}

// A stop ends an open that would otherwise read gigabytes, whether it is set
// before the open or by another thread during it.
TEST_F(ImageFileInfo, PDFOpensEndAtAStop)
{
    const QString zeros = sparseFile(m_tree, QStringLiteral("zeros.pdf"), "%PDF-1.4\n", kSixGigabytes);
    constexpr qint64 unbounded = std::numeric_limits<qint64>::max();
    std::atomic<bool> stop{true};
    PdfFileOpening opening;
    opening.stop = &stop;
    EXPECT_EQ(PdfDocument::fromFile(zeros, &opening, unbounded), nullptr);
    EXPECT_TRUE(opening.stopped);
    EXPECT_FALSE(opening.reachedReadLimit);

    stop = false;
    opening = PdfFileOpening{&stop};
    std::thread stopper([&stop] { stop = true; });
    EXPECT_EQ(PdfDocument::fromFile(zeros, &opening, unbounded), nullptr);
    stopper.join();
    EXPECT_TRUE(opening.stopped);
    EXPECT_FALSE(opening.reachedReadLimit);

    // A stop that is never set changes nothing.
    stop = false;
    opening = PdfFileOpening{&stop};
    const QString three = m_tree.writeFile(QStringLiteral("three.pdf"), minimalPDF(3));
    const std::shared_ptr<PdfDocument> document = PdfDocument::fromFile(three, &opening);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->pageCount(), 3);
    EXPECT_FALSE(opening.stopped);
}

QByteArray encodedImage(int width, int height, const char* format)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

TEST_F(ImageFileInfo, PasteboardImageFromOneImageFileFirst)
{
    const QString path = saveImage(QStringLiteral("one.png"), 5, 4, "PNG");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    data.setData(QStringLiteral("image/png"), encodedImage(9, 9, "PNG"));
    EXPECT_EQ(imageWithPasteboardIcon(&data).size(), QSize(5, 4));

    QMimeData two;
    two.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(path)});
    two.setData(QStringLiteral("image/png"), encodedImage(9, 9, "PNG"));
    EXPECT_EQ(imageWithPasteboardIcon(&two).size(), QSize(9, 9)) << "two files: the image data decides";
}

TEST_F(ImageFileInfo, PasteboardImageFromDataOrNothing)
{
    QMimeData icon;
    icon.setData(QStringLiteral("image/x-icns"), "broken");
    icon.setData(QStringLiteral("image/jpeg"), encodedImage(3, 8, "JPEG"));
    EXPECT_EQ(imageWithPasteboardIcon(&icon).size(), QSize(3, 8));

    QMimeData text;
    text.setText(QStringLiteral("no image"));
    EXPECT_TRUE(imageWithPasteboardIcon(&text).isNull());
    EXPECT_TRUE(imageWithPasteboardIcon(nullptr).isNull());
}

} // namespace
} // namespace sorvant
