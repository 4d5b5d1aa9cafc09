#include "interface/image_loading.h"

#include "interface/colors.h"
#include "interface/image_data_ends.h"
#include "platform/atomic_file.h"
#include "platform/log.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QScreen>

#include <cmath>

namespace sorvant {

namespace {

QSize truncatedPixels(QSizeF size)
{
    return QSize(int(size.width()), int(size.height()));
}

// Draws `image` filling `rect` the way every copy and rendering does:
// pictures with transparency over the image's background colour, printed
// documents (PDF, EPS, PICT) over white.
void drawImageInRect(QPainter& painter, const Image& image, QRectF rect)
{
    const ImageRep* rep = image.bestRepresentationForRect(rect);
    if (!rep)
        return;
    const bool document = rep->kind() == ImageRep::Kind::PDF || rep->kind() == ImageRep::Kind::EPS
                          || rep->kind() == ImageRep::Kind::PICT;
    if (document) {
        painter.fillRect(rect, Qt::white);
        image.drawRepresentation(painter, *rep, rect);
    } else if (rep->hasAlpha()) {
        const QBrush background = toQBrush(image.backgroundColor());
        if (background.style() != Qt::NoBrush)
            painter.fillRect(rect, background);
        image.drawInRect(painter, rect, QRectF(), CompositingOperation::SourceOver, 1.0);
    } else {
        image.drawRepresentation(painter, *rep, rect);
    }
}

QImage newBitmap(QSize pixels)
{
    QImage bitmap(pixels, QImage::Format_ARGB32_Premultiplied);
    if (!bitmap.isNull())
        bitmap.fill(Qt::transparent);
    return bitmap;
}

QImage render(const Image& image, QSize pixels, bool antialias, bool highInterpolation, QRectF from, bool flipped)
{
    QImage bitmap = newBitmap(pixels);
    if (bitmap.isNull())
        return bitmap;
    QPainter painter(&bitmap);
    painter.setRenderHint(QPainter::Antialiasing, antialias);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, highInterpolation);
    if (flipped) {
        painter.translate(0, pixels.height());
        painter.scale(1, -1);
    }
    const QRectF whole(QPointF(0, 0), QSizeF(pixels));
    if (from.isEmpty()) {
        drawImageInRect(painter, image, whole);
    } else {
        const QBrush background = toQBrush(image.backgroundColor());
        if (background.style() != Qt::NoBrush)
            painter.fillRect(whole, background);
        image.drawInRect(painter, whole, from, CompositingOperation::SourceOver, 1.0);
    }
    return bitmap;
}

Image bitmapImageOf(const QImage& pixels, QSizeF size)
{
    if (pixels.isNull())
        return Image();
    Image image = Image::withSize(size);
    image.addRepresentation(ImageRep::bitmap(pixels, size));
    return image;
}

} // namespace

Image imageWithData(const QByteArray& data)
{
    return imageWithContentsOfData(data);
}

Image imageWithContentsOfData(const QByteArray& data)
{
    if (data.isEmpty())
        return Image();
    if (pathExtensionForData(data.left(8)) == QLatin1String("pdf")) {
        const ImageRep pdf = ImageRep::pdf(data);
        if (!pdf.isValid())
            return Image();
        Image image = Image::withSize(pdf.size());
        image.addRepresentation(pdf);
        return image;
    }
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (reader.format() == "svg" || reader.format() == "svgz") {
        const ImageRep svg = ImageRep::svg(data);
        if (!svg.isValid())
            return Image();
        Image image = Image::withSize(svg.size());
        image.addRepresentation(svg);
        return image;
    }
    return Image::withBitmap(reader.read());
}

QByteArray imageFileData(const QString& path)
{
    constexpr qint64 kMaximumImageFileSize = 256 * 1024 * 1024;
    QByteArray data;
    if (readRegularFile(path, kMaximumImageFileSize, &data) != FileReadStatus::Read)
        data.clear();
    return data;
}

Image imageWithContentsOfFile(const QString& path)
{
    const QByteArray data = imageFileData(path);
    return data.isEmpty() ? Image() : imageWithContentsOfData(data);
}

Image imageWithDownloadedData(const QByteArray& data)
{
    // Decoders make up the rows a cut download lacks and report success.
    if (!imageDataReachesItsEnd(data))
        return Image();
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QImage pixels = reader.read();
    // A decoder that stops early reports an error; the rows it did not get
    // would show as garbage, so such a download is no image.
    if (pixels.isNull() || pixels.width() < 1 || pixels.height() < 1 || reader.error() != QImageReader::UnknownError)
        return Image();
    return Image::withBitmap(pixels);
}

Image thumbnailForFile(const QString& path, int maxPixelSize, bool alwaysFromImage, bool withTransform,
                       QVariantMap* properties, int* frames)
{
    Q_UNUSED(alwaysFromImage); // readers here always decode the image itself
    if (properties)
        properties->clear();
    if (frames)
        *frames = 0;
    const QByteArray data = imageFileData(path);
    if (data.isEmpty())
        return Image();
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return Image();
    if (frames)
        *frames = std::max(1, reader.imageCount());
    reader.setAutoTransform(withTransform);
    const QSize full = reader.size();
    if (full.isValid() && maxPixelSize > 0)
        reader.setScaledSize(truncatedPixels(thumb(QSizeF(maxPixelSize, maxPixelSize), QSizeF(full))));
    const QImage pixels = reader.read();
    if (pixels.isNull())
        return Image();
    if (properties) {
        for (const QString& key : reader.textKeys())
            properties->insert(key, reader.text(key));
        properties->insert(QStringLiteral("PixelWidth"), full.width());
        properties->insert(QStringLiteral("PixelHeight"), full.height());
    }
    return Image::withBitmap(pixels);
}

QSizeF thumb(QSizeF box, QSizeF imageSize)
{
    if (imageSize.width() <= box.width() && imageSize.height() <= box.height())
        return imageSize;
    // An image without width is as tall as can be: it fits by its height
    // (the division would otherwise give an infinite or undefined height).
    double width = box.width();
    double height = imageSize.width() > 0 ? box.width() / imageSize.width() * imageSize.height() : box.height() + 1;
    if (height > box.height()) {
        width = imageSize.height() > 0 ? box.height() / imageSize.height() * imageSize.width() : 0.0;
        height = box.height();
    }
    width = std::floor(width);
    height = std::floor(height);
    return QSizeF(width > 0 ? width : 1.0, height > 0 ? height : 1.0);
}

namespace {

// The thumbnail rule on an image's pixels, rounding down also when it fits.
QSizeF thumbOfPixels(const Image& image, QSizeF box)
{
    const QSizeF pixels = pixelSize(image);
    QSizeF size = thumb(box, pixels);
    if (size == pixels)
        size = QSizeF(std::max(1.0, std::floor(size.width())), std::max(1.0, std::floor(size.height())));
    return size;
}

} // namespace

Image imageWithImage(const Image& image, QSizeF size, bool flipped)
{
    if (!image || size.width() <= 0 || size.height() <= 0)
        return Image();
    const QSize pixels = truncatedPixels(size);
    if (pixels.isEmpty())
        return Image::withSize(size);
    return bitmapImageOf(render(image, pixels, true, true, QRectF(), flipped), size);
}

Image imageWithSize(const Image& image, QSizeF size)
{
    return imageWithImage(image, size, false);
}

Image flippedImage(const Image& image)
{
    return imageWithImage(image, image.size(), true);
}

Image squareImage(const Image& image)
{
    const QSizeF size = image.size();
    const double side = std::max(size.width(), size.height());
    if (!image || side <= 0)
        return Image();
    QImage bitmap = newBitmap(QSize(int(side), int(side)));
    if (bitmap.isNull())
        return Image();
    {
        QPainter painter(&bitmap);
        drawImageInRect(painter, image,
                        QRectF((side - size.width()) * 0.5, (side - size.height()) * 0.5, size.width(), size.height()));
    }
    return bitmapImageOf(bitmap, QSizeF(side, side));
}

void scaleToThumbSize(Image image, QSizeF box)
{
    if (!image)
        return;
    setScales(image, true);
    image.setSize(thumbOfPixels(image, box));
}

Image thumbForSize(const Image& image, QSizeF box)
{
    if (!image)
        return Image();
    setScales(image, true);
    return imageWithSize(image, thumbOfPixels(image, box));
}

Image imageFromRect(const Image& image, QRectF rect, double fraction)
{
    const QSize pixels = truncatedPixels(rect.size());
    if (!image || pixels.isEmpty())
        return Image();
    QImage bitmap = newBitmap(pixels);
    {
        QPainter painter(&bitmap);
        image.drawInRect(painter, QRectF(QPointF(0, 0), rect.size()), rect, CompositingOperation::SourceOver, fraction);
    }
    return bitmapImageOf(bitmap, rect.size());
}

bool isReallyValid(const Image& image)
{
    const QSizeF size = image.size();
    return size.width() > 0 && size.height() > 0 && !image.representations().isEmpty();
}

Image tintedImageWithColor(const Image& image, const Color& color, CompositingOperation operation)
{
    const QSizeF size = image.size();
    const QSize pixels = truncatedPixels(pixelSize(image));
    if (!image || pixels.isEmpty())
        return Image();
    QImage bitmap = render(image, pixels, true, true, QRectF(), false);
    {
        QPainter painter(&bitmap);
        painter.setCompositionMode(toCompositionMode(operation));
        painter.fillRect(bitmap.rect(), toQBrush(color));
    }
    Image tinted = bitmapImageOf(bitmap, size);
    setScales(tinted, scales(image));
    tinted.setTemplate(image.isTemplate());
    return tinted;
}

Image bitmapImage(const Image& image)
{
    const QSizeF size = image.size();
    const QSize pixels = truncatedPixels(pixelSize(image));
    if (!image || pixels.isEmpty())
        return Image();
    if (const ImageRep* bitmap = bitmapImageRep(image); bitmap && bitmap->pixels().size() == pixels) {
        Image copy = bitmapImageOf(bitmap->pixels(), size);
        setScales(copy, scales(image));
        return copy;
    }
    Image copy = bitmapImageOf(render(image, pixels, true, true, QRectF(), false), size);
    setScales(copy, scales(image));
    return copy;
}

Image bitmapImageWithSize(const Image& image, QSizeF size)
{
    return bitmapImageWithSize(image, size, true, true);
}

Image bitmapImageWithSize(const Image& image, QSizeF size, bool shouldAntialias, bool highInterpolation)
{
    const QSize pixels = truncatedPixels(size);
    if (!image || size.width() <= 0 || size.height() <= 0 || pixels.isEmpty())
        return Image();
    return bitmapImageOf(render(image, pixels, shouldAntialias, highInterpolation, QRectF(), false), size);
}

Image bitmapImageWithPixelSize(const Image& image, QSize pixelSize, bool shouldAntialias, bool highInterpolation,
                               QRectF from)
{
    if (!image || pixelSize.isEmpty())
        return Image();
    for (const ImageRep& rep : image.representations()) {
        // A bitmap of exactly these pixels is copied instead of drawn.
        if (rep.isBitmap() && rep.pixels().size() == pixelSize && rep.pixels().depth() == 32)
            return bitmapImageOf(rep.pixels().copy(), QSizeF(pixelSize));
    }
    return bitmapImageOf(render(image, pixelSize, shouldAntialias, highInterpolation, from, false),
                         QSizeF(pixelSize));
}

Image bitmapImageForScreen(const Image& image, const QScreen* screen)
{
    const double scale = screen ? screen->devicePixelRatio() : 1.0;
    const QSizeF target(image.size().width() * scale, image.size().height() * scale);
    if (pixelSize(image) == target)
        return bitmapImage(image);
    return bitmapImageWithPixelSize(image, truncatedPixels(target), true, true);
}

QByteArray TIFFRepresentation(const Image& image)
{
    const ImageRep rep = createBitmapImageRepIfNecessary(image);
    return rep.representationUsingType(BitmapImageFileType::TIFF, 1.0);
}

QByteArray TIFFRepresentationWithSize(const Image& image, QSizeF size, bool shouldAntialias, bool highInterpolation)
{
    return TIFFRepresentation(bitmapImageWithSize(image, size, shouldAntialias, highInterpolation));
}

QByteArray TIFFRepresentationWithPixelSize(const Image& image, QSize pixelSize, bool shouldAntialias,
                                           bool highInterpolation, QRectF from)
{
    if (!image || pixelSize.isEmpty())
        return QByteArray();
    const QImage pixels = render(image, pixelSize, shouldAntialias, highInterpolation, from, false);
    return ImageRep::bitmap(pixels).representationUsingType(BitmapImageFileType::TIFF, 1.0);
}

QByteArray snapshotData(const Image& image)
{
    return representationUsingType(image, BitmapImageFileType::JPEG, 0.75);
}

QSizeF pixelSize(const Image& image)
{
    QSizeF widest(0, 0);
    for (const ImageRep& rep : image.representations()) {
        if (rep.pixelsWide() > widest.width())
            widest = QSizeF(rep.pixelsWide(), rep.pixelsHigh());
    }
    return widest.isNull() ? image.size() : widest;
}

QRectF bounds(const Image& image)
{
    if (const ImageRep* pdf = PDFImageRep(image))
        return pdf->bounds();
    if (EPSImageRep(image))
        return QRectF(); // no PDF form of EPS on Linux
    return QRectF(QPointF(0, 0), pixelSize(image));
}

bool hasAlpha(const Image& image)
{
    const QList<ImageRep>& reps = image.representations();
    return std::any_of(reps.cbegin(), reps.cend(), [](const ImageRep& rep) { return rep.hasAlpha(); });
}

double aspectRatio(const Image& image)
{
    const QSizeF size = image.size();
    return size.height() > 0 ? size.width() / size.height() : 0.0;
}

} // namespace sorvant
