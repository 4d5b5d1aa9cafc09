#include "interface/images.h"

#include "interface/image_data_ends.h"
#include "interface/image_loading.h"
#include "interface/shadows.h"
#include "tests/interface/support.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_tree.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

QImage solid(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

QByteArray onePagePdf(QSizeF points)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(points, QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    painter.fillRect(QRectF(0, 0, 50, 50), Qt::red);
    painter.end();
    return bytes;
}

class NamedImages : public testing::Test
{
protected:
    void SetUp() override { clearImageCaches(); }
    void TearDown() override { clearImageCaches(); }
};

TEST_F(NamedImages, MissingNameWarnsOnceAndIsRemembered)
{
    test::LogCapture log;
    EXPECT_FALSE(cachedImageNamed(QStringLiteral("No Such Picture")));
    EXPECT_FALSE(cachedImageNamed(QStringLiteral("No Such Picture")));
    EXPECT_EQ(log.lines(), QStringList{"WARNING: Couldn't find image named No Such Picture"});
    log.clear();
    EXPECT_FALSE(cachedImageNamed(QStringLiteral("Quiet Missing"), false));
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_FALSE(cachedImageNamed(QStringLiteral("Quiet Missing")));
    EXPECT_TRUE(log.lines().isEmpty()); // already known missing: no message
    EXPECT_FALSE(cachedImageNamed(QString()));
}

TEST_F(NamedImages, ShippedPicturesAreCachedAsBitmaps)
{
    for (const char* name : {"magnifier", "Open Doc", "Reveal in Finder", "Delete", "Info", "Quirrel 3", "qx.eye"}) {
        SCOPED_TRACE(name);
        const Image image = cachedImageNamed(QString::fromLatin1(name));
        ASSERT_TRUE(image);
        EXPECT_TRUE(isBitmapImage(image));
        EXPECT_TRUE(scales(image));
        EXPECT_TRUE(cachedImageNamed(QString::fromLatin1(name)).isSameImage(image));
    }
    EXPECT_TRUE(isScalableImage(imageNamed(QStringLiteral("magnifier")))); // uncached: the vector drawing
}

TEST_F(NamedImages, SizedCopiesOnlyShrink)
{
    const QSizeF own = cachedImageNamed(QStringLiteral("Info")).size();
    ASSERT_EQ(own, QSizeF(32, 32));
    const Image larger = cachedImageNamed(QStringLiteral("Info"), QSizeF(64, 64));
    EXPECT_EQ(larger.size(), own);
    const Image narrower = cachedImageNamed(QStringLiteral("Info"), QSizeF(16, 40));
    EXPECT_EQ(narrower.size(), QSizeF(16, 40));
    EXPECT_TRUE(scales(narrower));
    EXPECT_FALSE(narrower.isSameImage(cachedImageNamed(QStringLiteral("Info"))));
    EXPECT_EQ(cachedImageNamed(QStringLiteral("Info")).size(), own);
}

TEST_F(NamedImages, BundleCacheKeysAndMissingNames)
{
    test::TempTree tree;
    tree.writeFile(QStringLiteral("one/dot.png"), encoded(solid(3, 3, Qt::red), "png"));
    tree.writeFile(QStringLiteral("two/dot.png"), encoded(solid(5, 5, Qt::blue), "png"));
    tree.writeFile(QStringLiteral("two/late.png"), encoded(solid(2, 2, Qt::blue), "png"));
    const ImageBundle one{QStringLiteral("org.test.one"), QStringLiteral("One"), {tree.filePath("one")}};
    const ImageBundle two{QStringLiteral("org.test.two"), QStringLiteral("Two"), {tree.filePath("two")}};
    const ImageBundle anonymous{QString(), QStringLiteral("Anon"), {tree.filePath("two")}};

    EXPECT_EQ(cachedImageNamed(QStringLiteral("dot"), one).size(), QSizeF(3, 3));
    EXPECT_EQ(cachedImageNamed(QStringLiteral("dot"), two).size(), QSizeF(5, 5));
    EXPECT_FALSE(cachedImageNamed(QStringLiteral("dot"), anonymous));

    test::LogCapture log;
    EXPECT_FALSE(cachedImageNamed(QStringLiteral("late"), one));
    EXPECT_EQ(log.lines(), QStringList{"WARNING: Couldn't find image named late in bundle One"});
    // Missing from one bundle means missing from all.
    EXPECT_FALSE(cachedImageNamed(QStringLiteral("late"), two));
    EXPECT_TRUE(imageNamed(QStringLiteral("late"), two)); // the uncached lookup still finds it
}

TEST_F(NamedImages, SymbolsFromTheApplicationOrTheSystemTable)
{
    const Image own = imageWithSymbolName(QStringLiteral("qx.eye"));
    ASSERT_TRUE(own);
    EXPECT_FALSE(isSymbolImage(own)); // the application's own drawing
    const Image system = imageWithSymbolName(QStringLiteral("gear"), 24);
    ASSERT_TRUE(system);
    EXPECT_TRUE(isSymbolImage(system));
    EXPECT_EQ(system.size(), QSizeF(24, 24));
    EXPECT_FALSE(imageWithSymbolName(QStringLiteral("no.such.symbol")));
    EXPECT_FALSE(imageWithSymbolName(QString()));
}

TEST(ImageFiles, ReferencedFileIsReadWhenFirstNeeded)
{
    test::TempTree tree;
    const QString path = tree.filePath("later.png");
    const Image image = imageAtPath(path);
    ASSERT_TRUE(image);
    EXPECT_EQ(image.name(), path);
    tree.writeFile(QStringLiteral("later.png"), encoded(solid(7, 4, Qt::green), "png"));
    EXPECT_EQ(image.size(), QSizeF(7, 4));
    EXPECT_TRUE(isReallyValid(image));
    EXPECT_FALSE(isReallyValid(imageAtPath(tree.filePath("missing.png"))));
    EXPECT_FALSE(imageAtPath(QString()));
}

TEST(ImageFiles, TiffWebpAndPdfLoad)
{
    const QImage pixels = solid(6, 4, QColor(0, 0, 255));
    for (const char* format : {"tiff", "webp", "png", "bmp", "jpeg"}) {
        SCOPED_TRACE(format);
        const Image image = imageWithData(encoded(pixels, format));
        ASSERT_TRUE(image);
        EXPECT_EQ(pixelSize(image), QSizeF(6, 4));
        EXPECT_FALSE(hasAlpha(image) && QByteArray(format) == "jpeg");
    }
    const Image pdf = imageWithData(onePagePdf(QSizeF(100, 50)));
    ASSERT_TRUE(pdf);
    ASSERT_NE(PDFImageRep(pdf), nullptr);
    EXPECT_EQ(PDFImageRep(pdf)->pageCount(), 1);
    EXPECT_NEAR(bounds(pdf).width(), 100, 0.5);
    EXPECT_TRUE(hasAlpha(pdf));
    EXPECT_TRUE(isPDFImage(pdf));
    EXPECT_FALSE(imageWithData(QByteArray("not an image")));
    EXPECT_FALSE(imageWithData(QByteArray()));
}

// Decoders fill the rows a cut file lacks and report success: cut JPEG and
// BMP data, and half a PNG, were taken for whole pictures.
TEST(ImageFiles, TruncatedDownloadIsNoImage)
{
    QImage noise(64, 48, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int y = 0; y < noise.height(); ++y) {
        for (int x = 0; x < noise.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            noise.setPixel(x, y, state >> 8);
        }
    }
    for (const char* format : {"jpeg", "bmp", "png"}) {
        const QByteArray whole = encoded(noise, format);
        SCOPED_TRACE(format);
        ASSERT_GT(whole.size(), 1000);
        EXPECT_TRUE(imageWithDownloadedData(whole));
        for (const double share : {0.2, 0.4, 0.6, 0.8, 0.99}) {
            SCOPED_TRACE(share);
            EXPECT_FALSE(imageWithDownloadedData(whole.left(qsizetype(whole.size() * share))));
        }
        EXPECT_FALSE(imageWithDownloadedData(whole.chopped(1)));
    }
    // Bytes after the end of a JPEG are no loss.
    EXPECT_TRUE(imageWithDownloadedData(encoded(noise, "jpeg") + QByteArray(16, '\0')));

    // The smallest GIF, a graphic control extension and one pixel: whole
    // only with its trailer.
    const QByteArray gif = QByteArray::fromHex("474946383961010001008000" "00ffffff000000"
                                               "21f90401000000002c000000000100010000020244010" "03b");
    EXPECT_TRUE(imageDataReachesItsEnd(gif));
    for (qsizetype length = 6; length < gif.size(); ++length)
        EXPECT_FALSE(imageDataReachesItsEnd(gif.left(length))) << length;
    EXPECT_TRUE(imageDataReachesItsEnd(QByteArray("not a picture")));
}

TEST(ImageFiles, ThumbnailOfAFile)
{
    test::TempTree tree;
    const QString path = tree.writeFile(QStringLiteral("big.png"), encoded(solid(400, 200, Qt::red), "png"));
    QVariantMap properties{{"stale", 1}};
    int frames = 9;
    const Image thumbnail = thumbnailForFile(path, 100, false, false, &properties, &frames);
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(pixelSize(thumbnail), QSizeF(100, 50));
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(properties.value("PixelWidth").toInt(), 400);
    EXPECT_FALSE(properties.contains("stale"));

    properties = {{"stale", 1}};
    frames = 9;
    EXPECT_FALSE(thumbnailForFile(QString(), 100, false, false, &properties, &frames));
    EXPECT_TRUE(properties.isEmpty());
    EXPECT_EQ(frames, 0);
}

// Search results can name pipes and devices: opening a FIFO for reading
// would wait for a writer forever, and a device would be read without end.
TEST(ImageFiles, PipesAndDevicesAreNoPictures)
{
    test::TempTree tree;
    for (const QString& path : tree.makeSpecialFiles(QStringLiteral("picture"))) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_TRUE(imageFileData(path).isEmpty());
        EXPECT_FALSE(imageWithContentsOfFile(path));
        EXPECT_FALSE(thumbnailForFile(path, 100, false, false, nullptr, nullptr));
        EXPECT_FALSE(isReallyValid(imageAtPath(path)));
    }
}

struct ThumbCase
{
    QSizeF box, image, expected;
};

TEST(Thumbs, FitTheBox)
{
    for (const ThumbCase& c : {ThumbCase{{100, 100}, {400, 200}, {100, 50}}, ThumbCase{{100, 100}, {200, 400}, {50, 100}},
                               ThumbCase{{100, 100}, {50, 20}, {50, 20}}, ThumbCase{{10, 10}, {1000, 1}, {10, 1}},
                               ThumbCase{{100, 100}, {50.7, 20.2}, {50.7, 20.2}},
                               ThumbCase{{100, 60}, {300, 200}, {90, 60}}, ThumbCase{{64, 64}, {100, 33}, {64, 21}},
                               ThumbCase{{100, 100}, {0, 500}, {1, 100}}, ThumbCase{{100, 100}, {500, 0}, {100, 1}}}) {
        SCOPED_TRACE(testing::Message() << c.image.width() << "x" << c.image.height());
        EXPECT_EQ(thumb(c.box, c.image), c.expected);
    }
}

TEST(Thumbs, ImagesRoundDownAlsoWhenTheyFit)
{
    Image image = Image::withBitmap(solid(50, 20, Qt::red));
    image.setSize(QSizeF(50.7, 20.2));
    const Image thumbnail = thumbForSize(image, QSizeF(100, 100));
    EXPECT_EQ(thumbnail.size(), QSizeF(50, 20));
    EXPECT_TRUE(scales(image));
    Image own = Image::withBitmap(solid(400, 100, Qt::red));
    scaleToThumbSize(own, QSizeF(100, 100));
    EXPECT_EQ(own.size(), QSizeF(100, 25));
}

TEST(Copies, SquareImageCentresTheOriginal)
{
    const Image image = Image::withBitmap(solid(40, 10, Qt::blue));
    const Image square = squareImage(image);
    ASSERT_TRUE(square);
    EXPECT_EQ(square.size(), QSizeF(40, 40));
    const QImage pixels = bitmapImageRep(square)->pixels();
    EXPECT_EQ(pixels.pixelColor(20, 15), QColor(Qt::blue));
    EXPECT_EQ(pixels.pixelColor(20, 24), QColor(Qt::blue));
    EXPECT_EQ(pixels.pixelColor(20, 14).alpha(), 0);
    EXPECT_EQ(pixels.pixelColor(20, 25).alpha(), 0);
    EXPECT_FALSE(squareImage(Image::withSize(QSizeF(0, 0))));
}

TEST(Copies, ResizedFlippedAndPartCopies)
{
    QImage twoTone = solid(10, 10, Qt::red);
    QPainter(&twoTone).fillRect(0, 0, 10, 5, Qt::green); // green top half
    const Image image = Image::withBitmap(twoTone);
    const Image doubled = imageWithSize(image, QSizeF(20, 20));
    EXPECT_EQ(bitmapImageRep(doubled)->pixels().size(), QSize(20, 20));
    EXPECT_EQ(bitmapImageRep(doubled)->pixels().pixelColor(10, 2), QColor(Qt::green));
    const Image flipped = flippedImage(image);
    EXPECT_EQ(bitmapImageRep(flipped)->pixels().pixelColor(5, 1), QColor(Qt::red));
    EXPECT_EQ(bitmapImageRep(flipped)->pixels().pixelColor(5, 8), QColor(Qt::green));
    const Image lower = imageFromRect(image, QRectF(0, 5, 10, 5), 1.0);
    EXPECT_EQ(lower.size(), QSizeF(10, 5));
    EXPECT_EQ(bitmapImageRep(lower)->pixels().pixelColor(5, 2), QColor(Qt::red));
    EXPECT_FALSE(imageWithSize(Image(), QSizeF(5, 5)));
}

// Every maker answers nil for a size that is not above 0 in either
// direction, rather than an empty picture.
TEST(Copies, SizeNotAboveZeroGivesNil)
{
    const Image image = Image::withBitmap(solid(10, 10, Qt::red));
    for (const QSizeF size : {QSizeF(0, 0), QSizeF(0, 10), QSizeF(10, -1), QSizeF(-5, -5)}) {
        SCOPED_TRACE(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()).toStdString());
        EXPECT_FALSE(imageWithImage(image, size, false));
        EXPECT_FALSE(imageWithImage(image, size, true));
        EXPECT_FALSE(imageWithSize(image, size));
    }
    Image flat = image.copy();
    flat.setSize(QSizeF(10, 0));
    EXPECT_FALSE(flippedImage(flat));
    EXPECT_FALSE(flippedImage(Image::withSize(QSizeF(0, 0))));
    EXPECT_TRUE(flippedImage(image)); // the same picture at its own size is made
}

TEST(Bitmaps, MatchingBitmapIsCopiedNotDrawn)
{
    Image image = Image::withBitmap(solid(32, 32, Qt::red));
    image.addRepresentation(ImageRep::bitmap(solid(64, 48, Qt::blue), QSizeF(32, 32)));
    EXPECT_EQ(pixelSize(image), QSizeF(64, 48));
    const Image copy = bitmapImageWithPixelSize(image, QSize(64, 48), true, true);
    EXPECT_EQ(bitmapImageRep(copy)->pixels().pixelColor(0, 0), QColor(Qt::blue));
    const Image drawn = bitmapImageWithPixelSize(image, QSize(16, 16), true, true);
    EXPECT_EQ(bitmapImageRep(drawn)->pixels().size(), QSize(16, 16));
    EXPECT_FALSE(bitmapImageWithPixelSize(image, QSize(0, 16), true, true));
    EXPECT_FALSE(bitmapImageWithSize(image, QSizeF(-1, 4)));
}

TEST(Bitmaps, VectorPicturesBecomeBitmapsAndTiff)
{
    const Image pdf = imageWithData(onePagePdf(QSizeF(100, 50)));
    const Image bitmap = bitmapImage(pdf);
    ASSERT_TRUE(isBitmapImage(bitmap));
    EXPECT_EQ(bitmapImageRep(bitmap)->pixels().pixelColor(10, 10), QColor(Qt::red));
    EXPECT_EQ(bitmapImageRep(bitmap)->pixels().pixelColor(90, 40), QColor(Qt::white)); // documents on white
    const QImage tiff = QImage::fromData(TIFFRepresentation(pdf), "TIFF");
    EXPECT_EQ(tiff.size(), QSize(100, 50));
    EXPECT_EQ(pathExtensionForData(snapshotData(bitmap)), QStringLiteral("jpg"));
    EXPECT_TRUE(TIFFRepresentation(Image()).isEmpty());
}

TEST(Representations, BestDataPrefersDocuments)
{
    Image image = Image::withBitmap(solid(4, 4, Qt::red));
    QString extension;
    EXPECT_EQ(QImage::fromData(bestRepresentationAndFileExtension(image, &extension), "TIFF").size(), QSize(4, 4));
    EXPECT_EQ(extension, QStringLiteral("tiff"));
    image.addRepresentation(ImageRep::eps(QByteArray("%!PS-Adobe-3.0 EPSF-3.0"), QSizeF(4, 4)));
    EXPECT_EQ(bestRepresentationAndFileExtension(image, &extension), QByteArray("%!PS-Adobe-3.0 EPSF-3.0"));
    EXPECT_EQ(extension, QStringLiteral("eps"));
    EXPECT_TRUE(isPDFImage(image)); // EPS counts as PDF-like
    EXPECT_EQ(PDFImageRep(image), nullptr); // but has no PDF form here
    EXPECT_EQ(bounds(image), QRectF());
    image.addRepresentation(ImageRep::pdf(onePagePdf(QSizeF(4, 4))));
    EXPECT_EQ(pathExtensionForBestRepresentation(image), QStringLiteral("pdf"));
    EXPECT_TRUE(bestRepresentation(image).startsWith("%PDF"));
    EXPECT_FALSE(hasAlpha(Image::withBitmap(QImage(2, 2, QImage::Format_RGB32))));
    EXPECT_FALSE(hasAlpha(Image::withSize(QSizeF(3, 3))));
    EXPECT_EQ(aspectRatio(Image::withSize(QSizeF(3, 0))), 0.0);
    EXPECT_EQ(pixelSize(Image::withSize(QSizeF(3, 2))), QSizeF(3, 2));
}

// The first representation of the class asked for, in the order the
// image holds them; none of another class stands in for it.
TEST(Representations, FirstOfTheClassAsked)
{
    Image image = Image::withBitmap(solid(4, 4, Qt::red));
    image.addRepresentation(ImageRep::bitmap(solid(8, 8, Qt::blue)));
    image.addRepresentation(ImageRep::pdf(onePagePdf(QSizeF(4, 4))));
    const ImageRep* bitmap = imageRepOfClass(image, ImageRep::Kind::Bitmap);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->pixelsWide(), 4);
    const ImageRep* pdf = imageRepOfClass(image, ImageRep::Kind::PDF);
    ASSERT_NE(pdf, nullptr);
    EXPECT_EQ(pdf->pageCount(), 1);
    EXPECT_EQ(imageRepOfClass(image, ImageRep::Kind::SVG), nullptr);
    EXPECT_EQ(imageRepOfClass(image, ImageRep::Kind::EPS), nullptr);
    EXPECT_EQ(imageRepOfClass(Image(), ImageRep::Kind::Bitmap), nullptr);
}

TEST(Pasteboard, OnlyTheTiffTypeIsProvided)
{
    const Image image = Image::withBitmap(solid(3, 2, Qt::red));
    QMimeData pasteboard;
    provideDataForType(image, pasteboard, QStringLiteral("text/plain"));
    EXPECT_TRUE(pasteboard.formats().isEmpty());
    provideDataForType(image, pasteboard, QString::fromLatin1(kTIFFPasteboardType));
    EXPECT_EQ(QImage::fromData(pasteboard.data(QString::fromLatin1(kTIFFPasteboardType)), "TIFF").size(), QSize(3, 2));
}

TEST(Drawing, ScaledDrawingRestoresTheScalesFlagAndFlipsWhenAsked)
{
    QImage twoTone = solid(10, 10, Qt::red);
    QPainter(&twoTone).fillRect(0, 0, 10, 5, Qt::green);
    const Image image = Image::withBitmap(twoTone);
    ASSERT_FALSE(scales(image));
    for (bool flip : {false, true}) {
        SCOPED_TRACE(flip);
        QImage canvas = test::blankImage(40, 40, Qt::white);
        QPainter painter(&canvas);
        drawScaledInRect(image, painter, QRectF(10, 10, 20, 20), flip, CompositingOperation::SourceOver);
        painter.end();
        EXPECT_FALSE(scales(image));
        EXPECT_EQ(canvas.pixelColor(20, 12), flip ? QColor(Qt::red) : QColor(Qt::green));
        EXPECT_EQ(canvas.pixelColor(20, 27), flip ? QColor(Qt::green) : QColor(Qt::red));
        EXPECT_EQ(canvas.pixelColor(5, 5), QColor(Qt::white));
    }
}

TEST(Drawing, ShadowOnlyOnScreen)
{
    const Image image = Image::withBitmap(solid(10, 10, Qt::blue));
    const Shadow shadow = shadowWithOffset({0, -8}, 0, Color::deviceRGB(1, 0, 0));
    QImage canvas = test::blankImage(40, 40, Qt::white);
    QPainter painter(&canvas);
    drawScaledInRect(image, painter, QRectF(10, 10, 10, 10), false, CompositingOperation::SourceOver, 1.0, &shadow);
    painter.end();
    EXPECT_EQ(canvas.pixelColor(15, 25), QColor(Qt::red));

    // Recorded (not on screen): the picture holds the image only.
    QPicture picture;
    QPainter recorder(&picture);
    drawScaledInRect(image, recorder, QRectF(10, 10, 10, 10), false, CompositingOperation::SourceOver, 1.0, &shadow);
    recorder.end();
    QImage replay = test::blankImage(40, 40, Qt::white);
    QPainter player(&replay);
    player.drawPicture(0, 0, picture);
    player.end();
    EXPECT_EQ(replay.pixelColor(15, 15), QColor(Qt::blue));
    EXPECT_EQ(replay.pixelColor(15, 25), QColor(Qt::white));
}

TEST(Drawing, AtPointWithFractionAndPart)
{
    const Image image = Image::withBitmap(solid(10, 10, Qt::black));
    QImage canvas = test::blankImage(30, 30, Qt::white);
    QPainter painter(&canvas);
    drawAtPoint(image, painter, QPointF(5, 5), CompositingOperation::SourceOver, 0.5);
    drawAtPoint(image, painter, QPointF(20, 20), CompositingOperation::SourceOver, 1.0, QRectF(0, 0, 4, 4));
    painter.end();
    EXPECT_NEAR(canvas.pixelColor(10, 10).red(), 128, 2);
    EXPECT_EQ(canvas.pixelColor(21, 21), QColor(Qt::black));
    EXPECT_EQ(canvas.pixelColor(25, 25), QColor(Qt::white)); // only the 4x4 part
}

} // namespace
} // namespace sorvant
