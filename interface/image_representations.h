#pragma once
// ImageRep: one stored form of an image - pixels, vector data (PDF, EPS,
// SVG), legacy PICT data or a symbol name - with its size in points and in
// pixels. Image (images.h) holds a list of them. Also the tables that map
// image type codes, MIME types, bitmap file types and raw data to file
// extensions.
//
//   pathExtensionForType("'JPEG'")                   => "jpg"
//   pathExtensionForType("image/x-portable-pixmap")  => "ppm"
//   pathExtensionForType("image/x-")                 => null
//   pathExtensionForType("png")                      => "png"
//   pathExtensionForData("\x89PNG...")               => "png"
//   pathExtensionForBitmapImageFileType(6)           => null
//
// Linux has no converter for EPS or PICT: their data is kept and saved as it
// came, but they draw nothing and have no PDF form.

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <memory>

namespace sorvant {

class PdfDocument;

// Bitmap file types for saving, in the numbering settings store.
enum class BitmapImageFileType : int { TIFF = 0, BMP = 1, GIF = 2, JPEG = 3, PNG = 4, JPEG2000 = 5 };

class ImageRep
{
public:
    enum class Kind { Bitmap, PDF, EPS, PICT, SVG, Symbol };

    // --- making --------------------------------------------------------------
    // Null pixels give an invalid rep (isValid() NO). The point size is the
    // pixel size unless given.
    [[nodiscard]] static ImageRep bitmap(const QImage& pixels);
    [[nodiscard]] static ImageRep bitmap(const QImage& pixels, QSizeF pointSize);
    // PDF data; invalid when it does not open (system/pdf_documents.h) or
    // has no page. The size is the first page's size in points.
    [[nodiscard]] static ImageRep pdf(const QByteArray& data);
    [[nodiscard]] static ImageRep eps(const QByteArray& data, QSizeF size);
    [[nodiscard]] static ImageRep pict(const QByteArray& data, QSizeF size);
    // SVG data, drawn at any size; invalid when it does not read.
    [[nodiscard]] static ImageRep svg(const QByteArray& data);
    // A symbol: its pixels are looked up by name when drawn.
    [[nodiscard]] static ImageRep symbol(const QString& name, QSizeF size);

    // --- observers --------------------------------------------------------------
    [[nodiscard]] bool isValid() const { return m_valid; }
    [[nodiscard]] Kind kind() const { return m_kind; }
    [[nodiscard]] bool isBitmap() const { return m_kind == Kind::Bitmap; }
    [[nodiscard]] bool isVector() const { return m_kind == Kind::PDF || m_kind == Kind::EPS || m_kind == Kind::SVG; }
    [[nodiscard]] QSizeF size() const { return m_size; }
    void setSize(QSizeF size) { m_size = size; }
    // Pixels wide and high; 0 for vector kinds (they have none of their own).
    [[nodiscard]] int pixelsWide() const { return m_kind == Kind::Bitmap ? m_pixels.width() : 0; }
    [[nodiscard]] int pixelsHigh() const { return m_kind == Kind::Bitmap ? m_pixels.height() : 0; }
    [[nodiscard]] bool hasAlpha() const { return m_kind != Kind::Bitmap || m_pixels.hasAlphaChannel(); }
    [[nodiscard]] const QImage& pixels() const { return m_pixels; }
    [[nodiscard]] const QByteArray& data() const { return m_data; }
    [[nodiscard]] const QString& symbolName() const { return m_symbolName; }
    // PDF only: the page count (0 otherwise) and the first page's box.
    [[nodiscard]] int pageCount() const;
    [[nodiscard]] QRectF bounds() const { return QRectF(QPointF(0, 0), m_size); }

    // --- conversions --------------------------------------------------------------
    // The rep rendered into `pixelSize` pixels (transparent background); a
    // null image when it cannot draw (EPS, PICT, an unknown symbol).
    [[nodiscard]] QImage render(QSize pixelSize) const;
    // PDF: its data; EPS, PICT: null (no converter on Linux).
    [[nodiscard]] QByteArray PDFRepresentation() const { return m_kind == Kind::PDF ? m_data : QByteArray(); }
    // Bitmap only: encoded as `type`; `compression` is the quality factor
    // 0..1 for JPEG and ignored elsewhere. Null for other kinds or failure.
    [[nodiscard]] QByteArray representationUsingType(BitmapImageFileType type, double compression) const;
    // Bitmap only: the raw pixel bytes (RGBA premultiplied rows).
    [[nodiscard]] QByteArray rawData() const;

private:
    Kind m_kind = Kind::Bitmap;
    bool m_valid = false;
    QSizeF m_size;
    QImage m_pixels;
    QByteArray m_data;
    QString m_symbolName;
    std::shared_ptr<PdfDocument> m_document;
};

// --- extension tables --------------------------------------------------------------

// The extension of a four-character type code ("'PDF '"), a MIME type or an
// extension (answered unchanged); null when unknown. See the examples above.
[[nodiscard]] QString pathExtensionForType(const QString& type);
// The extension of the first known signature found in the first 1024 bytes
// (signature order decides, not position); null for fewer than 4 bytes.
[[nodiscard]] QString pathExtensionForData(const QByteArray& data);
// 0 "tiff", 1 "bmp", 2 "gif", 3 "jpg", 4 "png", 5 "jp2", else null.
[[nodiscard]] QString pathExtensionForBitmapImageFileType(int fileType);

// --- symbols -----------------------------------------------------------------------
// The picture of a symbol name at `pixelSize`: "qx." names from the
// application's images, other names through the freedesktop icon name of
// the one symbol table (icon theme first, then the shipped picture). Null
// when unknown.
[[nodiscard]] QImage symbolPixels(const QString& name, QSize pixelSize);
// The freedesktop icon name for a system symbol name, or null.
//   "gear" => "preferences-system"   "magnifyingglass" => "edit-find"
[[nodiscard]] QString freedesktopIconNameForSymbol(const QString& name);
// Makes the shipped pictures (":/images/...") available; called before
// every lookup of them.
void ensureImageResources();

} // namespace sorvant
