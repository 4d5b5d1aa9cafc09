#include "interface/image_representations.h"

#include "system/pdf_documents.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>


#include <algorithm>
#include <array>
#include <string_view>

// Outside the namespace, as the resource initialiser's name is global.
static void initImageResources()
{
    Q_INIT_RESOURCE(images);
}

namespace sorvant {

void ensureImageResources()
{
    static const bool initialised = (initImageResources(), true);
    Q_UNUSED(initialised);
}

namespace {

QImage readSvg(const QByteArray& data, QSize pixelSize)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "svg");
    if (pixelSize.isValid() && !pixelSize.isEmpty())
        reader.setScaledSize(pixelSize);
    return reader.read();
}

} // namespace

ImageRep ImageRep::bitmap(const QImage& pixels)
{
    return bitmap(pixels, QSizeF(pixels.size()));
}

ImageRep ImageRep::bitmap(const QImage& pixels, QSizeF pointSize)
{
    ImageRep rep;
    rep.m_kind = Kind::Bitmap;
    rep.m_valid = !pixels.isNull();
    rep.m_pixels = pixels;
    rep.m_size = pointSize;
    return rep;
}

ImageRep ImageRep::pdf(const QByteArray& data)
{
    ImageRep rep;
    rep.m_kind = Kind::PDF;
    rep.m_data = data;
    std::shared_ptr<PdfDocument> document = PdfDocument::fromData(data);
    if (!document)
        return rep;
    rep.m_size = document->pageSize(0);
    rep.m_document = std::move(document);
    rep.m_valid = true;
    return rep;
}

ImageRep ImageRep::eps(const QByteArray& data, QSizeF size)
{
    ImageRep rep;
    rep.m_kind = Kind::EPS;
    rep.m_data = data;
    rep.m_size = size;
    rep.m_valid = !data.isEmpty();
    return rep;
}

ImageRep ImageRep::pict(const QByteArray& data, QSizeF size)
{
    ImageRep rep = eps(data, size);
    rep.m_kind = Kind::PICT;
    return rep;
}

ImageRep ImageRep::svg(const QByteArray& data)
{
    ImageRep rep;
    rep.m_kind = Kind::SVG;
    rep.m_data = data;
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "svg");
    const QSize size = reader.size();
    rep.m_valid = size.isValid() && !size.isEmpty();
    rep.m_size = QSizeF(size);
    return rep;
}

ImageRep ImageRep::symbol(const QString& name, QSizeF size)
{
    ImageRep rep;
    rep.m_kind = Kind::Symbol;
    rep.m_symbolName = name;
    rep.m_size = size;
    rep.m_valid = !name.isEmpty();
    return rep;
}

int ImageRep::pageCount() const
{
    return m_document ? m_document->pageCount() : 0;
}

QImage ImageRep::render(QSize pixelSize) const
{
    if (!m_valid || pixelSize.isEmpty())
        return QImage();
    switch (m_kind) {
    case Kind::Bitmap:
        return m_pixels.size() == pixelSize
                   ? m_pixels
                   : m_pixels.scaled(pixelSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    case Kind::SVG: return readSvg(m_data, pixelSize);
    case Kind::Symbol: return symbolPixels(m_symbolName, pixelSize);
    case Kind::PDF: {
        if (m_size.isEmpty())
            return QImage();
        // Points are 1/72 inch: the resolution that maps the page onto the pixels.
        const double xres = 72.0 * pixelSize.width() / m_size.width();
        const double yres = 72.0 * pixelSize.height() / m_size.height();
        QImage page0 = m_document->renderPage(0, xres, yres);
        if (page0.isNull())
            return page0;
        return page0.size() == pixelSize ? page0 : page0.scaled(pixelSize);
    }
    case Kind::EPS:
    case Kind::PICT: return QImage(); // no converter on Linux
    }
    return QImage();
}

QByteArray ImageRep::representationUsingType(BitmapImageFileType type, double compression) const
{
    if (m_kind != Kind::Bitmap || !m_valid)
        return QByteArray();
    const QString extension = pathExtensionForBitmapImageFileType(int(type));
    if (extension.isNull())
        return QByteArray();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, extension.toLatin1());
    if (type == BitmapImageFileType::JPEG)
        writer.setQuality(std::clamp(int(compression * 100.0), 0, 100));
    if (type == BitmapImageFileType::TIFF)
        writer.setCompression(1); // LZW
    QImage pixels = m_pixels;
    if (type == BitmapImageFileType::JPEG || type == BitmapImageFileType::BMP)
        pixels = pixels.convertToFormat(QImage::Format_RGB32);
    return writer.write(pixels) ? bytes : QByteArray();
}

QByteArray ImageRep::rawData() const
{
    if (m_kind != Kind::Bitmap || !m_valid)
        return QByteArray();
    const QImage rgba = m_pixels.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    QByteArray bytes;
    bytes.reserve(qsizetype(rgba.width()) * rgba.height() * 4);
    for (int y = 0; y < rgba.height(); ++y)
        bytes.append(reinterpret_cast<const char*>(rgba.constScanLine(y)), qsizetype(rgba.width()) * 4);
    return bytes;
}

// --- tables ------------------------------------------------------------------------

namespace {

struct Row
{
    const char* key;
    const char* extension;
};

// Four-character type codes; the first exact match wins (".SGI" is listed
// twice in the table this mirrors; the second row is never reached).
constexpr std::array kTypeCodes{
    Row{"'PDF '", "pdf"}, Row{"'TIFF'", "tiff"}, Row{"'BMPf'", "bmp"}, Row{"'BMP '", "bmp"},
    Row{"'GIFf'", "gif"}, Row{"'JPEG'", "jpg"},  Row{"'PICT'", "pict"}, Row{"'PNGf'", "png"},
    Row{"'qtif'", "qtif"}, Row{"'TPIC'", "tga"}, Row{"'.SGI'", "sgi"},  Row{"'8BPS'", "psd"},
    Row{"'PNTG'", "pntg"}, Row{"'jp2 '", "jp2"}, Row{"'.SGI'", "sgi"},  Row{"'FPix'", "fpix"},
};

// Words of MIME subtypes, tried in order.
constexpr std::array kMimeWords{
    Row{"postscript", "ps"},       Row{"photoshop", "psd"},      Row{"portable-anymap", "pnm"},
    Row{"portable-bitmap", "pbm"}, Row{"portable-graymap", "pgm"}, Row{"portable-pixmap", "ppm"},
    Row{"xbitmap", "xbm"},         Row{"xpixmap", "xpm"},        Row{"xwindowdump", "xwd"},
    Row{"svg-xml", "svg"},         Row{"cis-cod", "cod"},        Row{"vasa", "mcf"},
    Row{"cmu-raster", "ras"},      Row{"freehand", "fh"},        Row{"jpeg", "jpg"},
};

struct Signature
{
    std::string_view bytes;
    qsizetype reserve; // the last start offset is n - reserve
    const char* extension;
    bool onlyAtStart = false;
};

// After "TIF" come the two byte orders of a TIFF header, at the start only:
// a TIFF file need not contain the letters "TIF" at all, and without them
// real TIFF data would go unrecognised; anywhere else they would match the
// EXIF block inside a camera's JPEG (itself a TIFF header).
using namespace std::string_view_literals;
constexpr std::array kSignatures{
    Signature{"%PD"sv, 4, "pdf"},        Signature{"ftypjp"sv, 7, "jp2"}, Signature{"\x89PN"sv, 4, "png"},
    Signature{"GIF8"sv, 5, "gif"},       Signature{"JFI"sv, 4, "jpg"},    Signature{"JPE"sv, 4, "jpg"},
    Signature{"TIF"sv, 4, "tiff"},       Signature{"II*\0"sv, 4, "tiff", true},
    Signature{"MM\0*"sv, 4, "tiff", true},
    Signature{"Photoshop"sv, 9, "psd"},
};

} // namespace

QString pathExtensionForType(const QString& type)
{
    if (type.isEmpty())
        return QString();
    if (type.size() == 6 && type.startsWith(u'\'') && type.endsWith(u'\'')) {
        for (const Row& row : kTypeCodes) {
            if (type == QLatin1String(row.key))
                return QString::fromLatin1(row.extension);
        }
        return QString();
    }
    if (type.count(u'/') != 1)
        return type;
    const qsizetype slash = type.indexOf(u'/');
    QString subtype = type.mid(slash + 1);
    if (subtype.size() < 2)
        return QString();
    if (subtype.startsWith(QLatin1String("x-"))) {
        if (subtype.size() <= 3)
            return QString();
        subtype = subtype.mid(2);
    }
    if (subtype.contains(u'.'))
        subtype = subtype.mid(subtype.lastIndexOf(u'.') + 1);
    for (const Row& row : kMimeWords) {
        if (subtype.contains(QLatin1String(row.key), Qt::CaseInsensitive))
            return QString::fromLatin1(row.extension);
    }
    return subtype;
}

QString pathExtensionForData(const QByteArray& data)
{
    if (data.size() < 4)
        return QString();
    const qsizetype n = std::min<qsizetype>(data.size(), 1024);
    const std::string_view window(data.constData(), std::size_t(n));
    for (const Signature& signature : kSignatures) {
        if (n < signature.reserve)
            continue;
        if (signature.onlyAtStart) {
            if (window.starts_with(signature.bytes))
                return QString::fromLatin1(signature.extension);
            continue;
        }
        const std::size_t found = window.find(signature.bytes);
        if (found != std::string_view::npos && qsizetype(found) <= n - signature.reserve)
            return QString::fromLatin1(signature.extension);
    }
    return QString();
}

QString pathExtensionForBitmapImageFileType(int fileType)
{
    static constexpr std::array kExtensions{"tiff", "bmp", "gif", "jpg", "png", "jp2"};
    return fileType >= 0 && fileType < int(kExtensions.size()) ? QString::fromLatin1(kExtensions[std::size_t(fileType)])
                                                               : QString();
}

// --- symbols ---------------------------------------------------------------------------

namespace {

// System symbol names and the freedesktop icon names that stand for them.
constexpr std::array kSymbolIcons{
    Row{"gear", "preferences-system"},
    Row{"gearshape", "preferences-system"},
    Row{"magnifyingglass", "edit-find"},
    Row{"trash", "user-trash"},
    Row{"folder", "folder"},
    Row{"doc", "text-x-generic"},
    Row{"info.circle", "dialog-information"},
    Row{"exclamationmark.triangle", "dialog-warning"},
    Row{"xmark.circle", "dialog-error"},
    Row{"eye", "document-preview"},
    Row{"square.and.arrow.up", "document-send"},
    Row{"arrow.clockwise", "view-refresh"},
    Row{"stop.circle", "process-stop"},
    Row{"plus", "list-add"},
    Row{"minus", "list-remove"},
    Row{"questionmark.circle", "help-about"},
};

QImage shippedPicture(const QString& base, QSize pixelSize)
{
    ensureImageResources();
    const QString svgPath = QStringLiteral(":/images/%1.svg").arg(base);
    if (QFile file(svgPath); file.open(QIODevice::ReadOnly))
        return readSvg(file.readAll(), pixelSize);
    QImage png(QStringLiteral(":/images/%1.png").arg(base));
    return png.isNull() || png.size() == pixelSize ? png : png.scaled(pixelSize, Qt::IgnoreAspectRatio,
                                                                       Qt::SmoothTransformation);
}

} // namespace

QString freedesktopIconNameForSymbol(const QString& name)
{
    for (const Row& row : kSymbolIcons) {
        if (name == QLatin1String(row.key))
            return QString::fromLatin1(row.extension);
    }
    return QString();
}

QImage symbolPixels(const QString& name, QSize pixelSize)
{
    if (name.isEmpty() || pixelSize.isEmpty())
        return QImage();
    if (name.startsWith(QLatin1String("qx.")))
        return shippedPicture(name, pixelSize);
    const QString icon = freedesktopIconNameForSymbol(name);
    if (!icon.isNull() && qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && QIcon::hasThemeIcon(icon)) {
        const QImage themed = QIcon::fromTheme(icon).pixmap(pixelSize).toImage();
        if (!themed.isNull())
            return themed.size() == pixelSize ? themed : themed.scaled(pixelSize);
    }
    return shippedPicture(QStringLiteral("symbols/") + name, pixelSize);
}

} // namespace sorvant
