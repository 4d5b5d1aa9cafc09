#pragma once
// Making images from data and files, copies at other sizes, thumbnails and
// bitmap renderings, and an image's measures. Every maker answers nil
// rather than a partial image. Formats: whatever the GUI's image readers
// know (PNG, JPEG, BMP, GIF, WebP, TIFF, SVG), and PDF through the PDF
// module (system/pdf_documents.h).
//
//   thumb({100, 100}, {400, 200})  => {100, 50}
//   thumb({10, 10}, {1000, 1})     => {10, 1}
//   thumb({100, 100}, {50, 20})    => {50, 20}  (fits: unchanged)

#include "interface/images.h"

#include <QByteArray>
#include <QSizeF>
#include <QString>
#include <QVariantMap>

class QScreen;

namespace sorvant {

// --- making --------------------------------------------------------------------
// The first image of `data` (PDF data as a PDF representation, SVG as a
// vector one, everything else as a bitmap), its size in points = its pixels.
[[nodiscard]] Image imageWithData(const QByteArray& data);
[[nodiscard]] Image imageWithContentsOfData(const QByteArray& data);
[[nodiscard]] Image imageWithContentsOfFile(const QString& path);
// The bytes of the picture file at `path` when it is a regular file of at
// most 256 MB; empty otherwise, so a FIFO never hangs the caller and a
// device or a huge file is never read.
//   "" or null => empty   a FIFO, "/dev/zero" => empty
[[nodiscard]] QByteArray imageFileData(const QString& path);
// A download: nil unless the data decodes completely to at least one pixel
// (truncated data that leaves rows missing is nil).
[[nodiscard]] Image imageWithDownloadedData(const QByteArray& data);
// A thumbnail of an image file no larger than `maxPixelSize` on its longer
// side; `properties` receives the image's text fields and "PixelWidth" and
// "PixelHeight", `frames` the number of images in the file whenever it has
// one. Both are cleared first. Nil for an empty path or unreadable file.
[[nodiscard]] Image thumbnailForFile(const QString& path, int maxPixelSize, bool alwaysFromImage = false,
                                     bool withTransform = false, QVariantMap* properties = nullptr,
                                     int* frames = nullptr);

// The size of an image of `imageSize` scaled into `box`: unchanged when it
// fits, else fitted to the width, or to the height when that is too tall;
// rounded down, each at least 1.
[[nodiscard]] QSizeF thumb(QSizeF box, QSizeF imageSize);

// --- copies --------------------------------------------------------------------
// A new image of `size` with `image` drawn filling it (flipped when asked);
// nil for a nil image or an empty size.
[[nodiscard]] Image imageWithImage(const Image& image, QSizeF size, bool flipped);
[[nodiscard]] Image imageWithSize(const Image& image, QSizeF size);
[[nodiscard]] Image flippedImage(const Image& image);
// A square of the longer side with the image centred in it.
[[nodiscard]] Image squareImage(const Image& image);
// Sets scales and resizes the image itself to its thumbnail size in `box`.
void scaleToThumbSize(Image image, QSizeF box);
[[nodiscard]] Image thumbForSize(const Image& image, QSizeF box);
[[nodiscard]] Image imageFromRect(const Image& image, QRectF rect, double fraction);
[[nodiscard]] bool isReallyValid(const Image& image);
// A copy painted in `color` over the image's shape with `operation`
// (source atop keeps shape and alpha); the image is not changed.
[[nodiscard]] Image tintedImageWithColor(const Image& image, const Color& color, CompositingOperation operation);

// --- bitmaps ---------------------------------------------------------------------
// A bitmap copy from the image's TIFF data, with its size and scales.
[[nodiscard]] Image bitmapImage(const Image& image);
[[nodiscard]] Image bitmapImageWithSize(const Image& image, QSizeF size);
[[nodiscard]] Image bitmapImageWithSize(const Image& image, QSizeF size, bool shouldAntialias, bool highInterpolation);
// A bitmap of exactly `pixelSize` pixels: a copy of a matching bitmap when
// the image holds one, else the image (or part `from` of it) drawn.
[[nodiscard]] Image bitmapImageWithPixelSize(const Image& image, QSize pixelSize, bool shouldAntialias,
                                             bool highInterpolation, QRectF from = {});
[[nodiscard]] Image bitmapImageForScreen(const Image& image, const QScreen* screen);
// The image as TIFF (LZW); null when it has nothing to draw.
[[nodiscard]] QByteArray TIFFRepresentation(const Image& image);
[[nodiscard]] QByteArray TIFFRepresentationWithSize(const Image& image, QSizeF size, bool shouldAntialias,
                                                    bool highInterpolation);
[[nodiscard]] QByteArray TIFFRepresentationWithPixelSize(const Image& image, QSize pixelSize, bool shouldAntialias,
                                                         bool highInterpolation, QRectF from = {});
// JPEG at quality 0.75.
[[nodiscard]] QByteArray snapshotData(const Image& image);

// --- measures ---------------------------------------------------------------------
// The widest bitmap representation's pixels (vector ones have none); the
// image's size when there is no bitmap.
[[nodiscard]] QSizeF pixelSize(const Image& image);
[[nodiscard]] QRectF bounds(const Image& image);
[[nodiscard]] bool hasAlpha(const Image& image);
[[nodiscard]] double aspectRatio(const Image& image);

} // namespace sorvant
