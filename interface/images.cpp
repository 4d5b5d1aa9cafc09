#include "interface/images.h"

#include "interface/colors.h"
#include "interface/graphics_context.h"
#include "interface/image_loading.h"
#include "interface/shadows.h"
#include "platform/log.h"
#include "system/icon_theme.h"
#include "system/workspace_icons.h"

#include <QApplication>
#include <QCache>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QSet>
#include <QWidget>

#include <cmath>
#include <functional>

namespace sorvant {

struct Image::Data
{
    QList<ImageRep> reps;
    std::optional<QSizeF> size;
    bool scales = false;
    bool isTemplate = false;
    QString name;
    Color background = Color::clearColor();
    QString referencedFile; // read on first need, then cleared
};

QPainter::CompositionMode toCompositionMode(CompositingOperation operation)
{
    switch (operation) {
    case CompositingOperation::Clear: return QPainter::CompositionMode_Clear;
    case CompositingOperation::Copy: return QPainter::CompositionMode_Source;
    case CompositingOperation::SourceOver: return QPainter::CompositionMode_SourceOver;
    case CompositingOperation::SourceIn: return QPainter::CompositionMode_SourceIn;
    case CompositingOperation::SourceOut: return QPainter::CompositionMode_SourceOut;
    case CompositingOperation::SourceAtop: return QPainter::CompositionMode_SourceAtop;
    case CompositingOperation::DestinationOver: return QPainter::CompositionMode_DestinationOver;
    case CompositingOperation::DestinationIn: return QPainter::CompositionMode_DestinationIn;
    case CompositingOperation::DestinationOut: return QPainter::CompositionMode_DestinationOut;
    case CompositingOperation::DestinationAtop: return QPainter::CompositionMode_DestinationAtop;
    case CompositingOperation::XOR: return QPainter::CompositionMode_Xor;
    case CompositingOperation::PlusDarker: return QPainter::CompositionMode_Multiply;
    case CompositingOperation::PlusLighter: return QPainter::CompositionMode_Plus;
    }
    return QPainter::CompositionMode_SourceOver;
}

Image Image::withSize(QSizeF size)
{
    Image image;
    image.m_data = std::make_shared<Data>();
    image.m_data->size = size;
    return image;
}

Image Image::withBitmap(const QImage& pixels)
{
    if (pixels.isNull())
        return Image();
    Image image = withSize(QSizeF(pixels.size()));
    image.addRepresentation(ImageRep::bitmap(pixels));
    return image;
}

Image Image::copy() const
{
    if (isNull())
        return Image();
    loadReferencedFile();
    Image image;
    image.m_data = std::make_shared<Data>(*m_data);
    return image;
}

void Image::loadReferencedFile() const
{
    if (!m_data || m_data->referencedFile.isEmpty())
        return;
    const QString path = std::exchange(m_data->referencedFile, QString());
    const QByteArray data = imageFileData(path);
    if (data.isEmpty())
        return;
    const Image loaded = imageWithContentsOfData(data);
    if (!loaded)
        return;
    m_data->reps = loaded.representations();
    if (!m_data->size)
        m_data->size = loaded.size();
}

QSizeF Image::size() const
{
    if (isNull())
        return QSizeF(0, 0);
    if (m_data->size)
        return *m_data->size;
    loadReferencedFile();
    if (m_data->size)
        return *m_data->size;
    return m_data->reps.isEmpty() ? QSizeF(0, 0) : m_data->reps.first().size();
}

void Image::setSize(QSizeF size)
{
    if (m_data)
        m_data->size = size;
}

const QList<ImageRep>& Image::representations() const
{
    static const QList<ImageRep> none;
    if (isNull())
        return none;
    loadReferencedFile();
    return m_data->reps;
}

void Image::addRepresentation(const ImageRep& rep)
{
    if (m_data && rep.isValid())
        m_data->reps.append(rep);
}

void Image::removeRepresentationAt(qsizetype index)
{
    if (m_data && index >= 0 && index < m_data->reps.size())
        m_data->reps.removeAt(index);
}

void Image::removeAllRepresentations()
{
    if (!m_data)
        return;
    loadReferencedFile();
    for (qsizetype index = m_data->reps.size() - 1; index >= 0; --index)
        m_data->reps.removeAt(index);
}

bool Image::scalesWhenResized() const
{
    return m_data && m_data->scales;
}

void Image::setScalesWhenResized(bool scales)
{
    if (m_data)
        m_data->scales = scales;
}

bool Image::isTemplate() const
{
    return m_data && m_data->isTemplate;
}

void Image::setTemplate(bool isTemplate)
{
    if (m_data)
        m_data->isTemplate = isTemplate;
}

QString Image::name() const
{
    return m_data ? m_data->name : QString();
}

void Image::setName(const QString& name)
{
    if (m_data)
        m_data->name = name;
}

Color Image::backgroundColor() const
{
    return m_data ? m_data->background : Color();
}

void Image::setBackgroundColor(const Color& color)
{
    if (m_data)
        m_data->background = color;
}

QString Image::referencedFile() const
{
    return m_data ? m_data->referencedFile : QString();
}

const ImageRep* Image::bestRepresentationForRect(QRectF rect) const
{
    const QList<ImageRep>& reps = representations();
    if (reps.isEmpty())
        return nullptr;
    const double needed = std::max(rect.width(), rect.height());
    const ImageRep* largest = nullptr;
    const ImageRep* fitting = nullptr;
    for (const ImageRep& rep : reps) {
        if (!rep.isBitmap())
            continue;
        const int side = std::max(rep.pixelsWide(), rep.pixelsHigh());
        if (!largest || side > std::max(largest->pixelsWide(), largest->pixelsHigh()))
            largest = &rep;
        if (side >= needed && (!fitting || side < std::max(fitting->pixelsWide(), fitting->pixelsHigh())))
            fitting = &rep;
    }
    // A vector form draws sharp at any size, better than a bitmap too small.
    for (const ImageRep& rep : reps) {
        if (!rep.isBitmap() && !fitting && rep.kind() != ImageRep::Kind::EPS && rep.kind() != ImageRep::Kind::PICT)
            return &rep;
    }
    if (fitting)
        return fitting;
    return largest ? largest : &reps.first();
}

void Image::drawRepresentation(QPainter& painter, const ImageRep& rep, QRectF rect) const
{
    if (rect.isEmpty())
        return;
    const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QTransform& world = painter.worldTransform();
    const double sx = std::hypot(world.m11(), world.m12()) * ratio;
    const double sy = std::hypot(world.m21(), world.m22()) * ratio;
    const QSize pixels(std::max(1, int(std::ceil(rect.width() * sx))), std::max(1, int(std::ceil(rect.height() * sy))));
    const QImage rendered = rep.isBitmap() ? rep.pixels() : rep.render(pixels);
    if (rendered.isNull())
        return;
    painter.drawImage(rect, rendered);
}

void Image::drawInRect(QPainter& painter, QRectF rect, QRectF from, CompositingOperation operation,
                       double fraction) const
{
    if (isNull() || rect.isEmpty())
        return;
    const ImageRep* rep = bestRepresentationForRect(rect);
    if (!rep)
        return;
    painter.save();
    painter.setCompositionMode(toCompositionMode(operation));
    painter.setOpacity(painter.opacity() * std::clamp(fraction, 0.0, 1.0));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSizeF whole = size();
    if (from.isEmpty() || whole.isEmpty()) {
        drawRepresentation(painter, *rep, rect);
    } else {
        // Draw the whole picture scaled so that `from` lands on `rect`, clipped to it.
        const double sx = rect.width() / from.width(), sy = rect.height() / from.height();
        const QRectF target(rect.x() - from.x() * sx, rect.y() - from.y() * sy, whole.width() * sx,
                            whole.height() * sy);
        painter.setClipRect(rect, Qt::IntersectClip);
        drawRepresentation(painter, *rep, target);
    }
    painter.restore();
}

// --- named images ---------------------------------------------------------------------

namespace {

constexpr int kCacheLimit = 256;

struct NamedCaches
{
    QCache<QString, Image> named{kCacheLimit};
    QSet<QString> namedMissing;
    QCache<QString, Image> bundle{kCacheLimit};
    QSet<QString> bundleMissing;
};

NamedCaches& caches()
{
    static NamedCaches instance;
    return instance;
}

// Cached pictures draw from pixels: vector ones are stored as their bitmap.
Image cacheable(const Image& image)
{
    if (isBitmapImage(image))
        return image;
    Image bitmap = bitmapImage(image);
    if (bitmap)
        setScales(bitmap, true);
    return bitmap;
}

} // namespace

Image imageNamed(const QString& name)
{
    ensureImageResources();
    if (name.isEmpty())
        return Image();
    for (const char* extension : {"svg", "png"}) {
        QFile file(QStringLiteral(":/images/%1.%2").arg(name, QLatin1String(extension)));
        if (file.open(QIODevice::ReadOnly)) {
            Image image = imageWithContentsOfData(file.readAll());
            if (image)
                image.setName(name);
            return image;
        }
    }
    return Image();
}

namespace {

// The lookup both caches share: a hit, a known miss, or a fresh find that
// is remembered either way. `missing` is keyed by the name alone.
Image cachedLookup(QCache<QString, Image>& cache, QSet<QString>& missing, const QString& key, const QString& name,
                   bool log, const std::function<Image()>& find, const QString& notFoundMessage)
{
    if (const Image* hit = cache.object(key))
        return *hit;
    if (missing.contains(name))
        return Image();
    const Image found = find();
    if (!found) {
        missing.insert(name);
        if (log)
            logWarning(notFoundMessage);
        return Image();
    }
    const Image cached = cacheable(found);
    if (!cached) {
        if (log)
            logWarning(QStringLiteral("Couldn't cache image named %1").arg(name));
        return Image();
    }
    cache.insert(key, new Image(cached));
    return cached;
}

} // namespace

Image cachedImageNamed(const QString& name, bool log)
{
    if (name.isNull())
        return Image();
    NamedCaches& all = caches();
    return cachedLookup(all.named, all.namedMissing, name, name, log, [&] { return imageNamed(name); },
                        QStringLiteral("Couldn't find image named %1").arg(name));
}

Image cachedImageNamed(const QString& name, QSizeF size)
{
    const Image cached = cachedImageNamed(name);
    if (!cached)
        return Image();
    Image copy = cached.copy();
    const QSizeF own = copy.size();
    if (own.width() > size.width() || own.height() > size.height()) {
        setScales(copy, true);
        copy.setSize(size);
    }
    return copy;
}

QString ImageBundle::pathForImageResource(const QString& imageName) const
{
    if (imageName.isEmpty())
        return QString();
    const bool hasExtension = !QFileInfo(imageName).suffix().isEmpty();
    for (const QString& directory : directories) {
        if (hasExtension && QFileInfo::exists(directory + u'/' + imageName))
            return directory + u'/' + imageName;
        for (const char* extension : {"svg", "png", "pdf", "tiff", "tif", "jpg", "gif", "bmp", "webp"}) {
            const QString path = directory + u'/' + imageName + u'.' + QLatin1String(extension);
            if (QFileInfo::exists(path))
                return path;
        }
    }
    return QString();
}

Image imageNamed(const QString& name, const ImageBundle& bundle)
{
    const QString path = bundle.pathForImageResource(name);
    if (path.isNull())
        return Image();
    return imageWithContentsOfFile(path);
}

Image cachedImageNamed(const QString& name, const ImageBundle& bundle, bool log)
{
    if (name.isNull() || bundle.identifier.isEmpty())
        return Image();
    NamedCaches& all = caches();
    return cachedLookup(all.bundle, all.bundleMissing, bundle.identifier + u'-' + name, name, log,
                        [&] { return imageNamed(name, bundle); },
                        QStringLiteral("Couldn't find image named %1 in bundle %2").arg(name, bundle.name));
}

void clearImageCaches()
{
    NamedCaches& all = caches();
    all.named.clear();
    all.namedMissing.clear();
    all.bundle.clear();
    all.bundleMissing.clear();
}

Image imageAtPath(const QString& path)
{
    if (path.isEmpty())
        return Image();
    Image image;
    image.m_data = std::make_shared<Image::Data>();
    image.m_data->referencedFile = path;
    image.m_data->name = path;
    return image;
}

Image imageWithSymbolName(const QString& name, std::optional<double> pointSize)
{
    if (name.isEmpty())
        return Image();
    const double side = pointSize.value_or(16.0);
    if (name.startsWith(QLatin1String("qx."))) {
        // The application's own symbols are shipped drawings.
        Image image = imageNamed(name);
        if (image && pointSize)
            image.setSize(QSizeF(side, side));
        return image;
    }
    if (symbolPixels(name, QSize(int(side), int(side))).isNull())
        return Image();
    Image image = Image::withSize(QSizeF(side, side));
    image.addRepresentation(ImageRep::symbol(name, QSizeF(side, side)));
    image.setName(name);
    return image;
}

// --- flags and queries -----------------------------------------------------------------

bool scales(const Image& image)
{
    return image.scalesWhenResized();
}

void setScales(Image image, bool value)
{
    image.setScalesWhenResized(value);
}

const ImageRep* imageRepOfClass(const Image& image, ImageRep::Kind kind)
{
    for (const ImageRep& rep : image.representations()) {
        if (rep.kind() == kind)
            return &rep;
    }
    return nullptr;
}

const ImageRep* PDFImageRep(const Image& image)
{
    return imageRepOfClass(image, ImageRep::Kind::PDF);
}
const ImageRep* EPSImageRep(const Image& image)
{
    return imageRepOfClass(image, ImageRep::Kind::EPS);
}
const ImageRep* PICTImageRep(const Image& image)
{
    return imageRepOfClass(image, ImageRep::Kind::PICT);
}
const ImageRep* bitmapImageRep(const Image& image)
{
    return imageRepOfClass(image, ImageRep::Kind::Bitmap);
}
const ImageRep* symbolImageRep(const Image& image)
{
    return imageRepOfClass(image, ImageRep::Kind::Symbol);
}
const ImageRep* iconRefBitmapImageRep(const Image&)
{
    return nullptr;
}
bool isIconRefBitmapImage(const Image&)
{
    return false;
}
bool isPDFImage(const Image& image)
{
    return PDFImageRep(image) || EPSImageRep(image);
}
bool isEPSImage(const Image& image)
{
    return EPSImageRep(image);
}
bool isPICTImage(const Image& image)
{
    return PICTImageRep(image);
}
bool isBitmapImage(const Image& image)
{
    return bitmapImageRep(image);
}
bool isSymbolImage(const Image& image)
{
    return symbolImageRep(image);
}
bool isScalableImage(const Image& image)
{
    return isPDFImage(image) || isPICTImage(image) || imageRepOfClass(image, ImageRep::Kind::SVG);
}
bool isCGImage(const Image& image)
{
    return isBitmapImage(image);
}

ImageRep createBitmapImageRepIfNecessary(const Image& image)
{
    if (const ImageRep* bitmap = bitmapImageRep(image))
        return *bitmap;
    const Image rendered = bitmapImage(image);
    const ImageRep* made = rendered ? bitmapImageRep(rendered) : nullptr;
    return made ? *made : ImageRep();
}

QByteArray bestRepresentation(const Image& image)
{
    return bestRepresentationAndFileExtension(image, nullptr);
}

QByteArray bestRepresentationAndFileExtension(const Image& image, QString* extension)
{
    auto answer = [&](const QByteArray& data, const char* ext) {
        if (extension)
            *extension = QString::fromLatin1(ext);
        return data;
    };
    if (const ImageRep* pdf = PDFImageRep(image))
        return answer(pdf->PDFRepresentation(), "pdf");
    if (const ImageRep* eps = EPSImageRep(image))
        return answer(eps->data(), "eps");
    if (const ImageRep* pict = PICTImageRep(image))
        return answer(pict->data(), "pict");
    return answer(TIFFRepresentation(image), "tiff");
}

QString pathExtensionForBestRepresentation(const Image& image)
{
    if (PDFImageRep(image))
        return QStringLiteral("pdf");
    if (EPSImageRep(image))
        return QStringLiteral("eps");
    if (PICTImageRep(image))
        return QStringLiteral("pict");
    return QStringLiteral("tiff");
}

QByteArray representationUsingType(const Image& image, BitmapImageFileType type, double compression)
{
    const ImageRep* best = image.bestRepresentationForRect(QRectF(QPointF(0, 0), image.size()));
    if (!best)
        return QByteArray();
    const ImageRep bitmap = best->isBitmap() ? *best : createBitmapImageRepIfNecessary(image);
    return bitmap.representationUsingType(type, compression);
}

void provideDataForType(const Image& image, QMimeData& pasteboard, const QString& type)
{
    if (type != QLatin1String(kTIFFPasteboardType))
        return;
    const QByteArray tiff = TIFFRepresentation(image);
    if (!tiff.isEmpty())
        pasteboard.setData(type, tiff);
}

// --- drawing shortcuts -------------------------------------------------------------------

void drawAtPoint(const Image& image, QPainter& painter, QPointF point, CompositingOperation operation,
                 double fraction, QRectF from)
{
    const QSizeF size = from.isEmpty() ? image.size() : from.size();
    image.drawInRect(painter, QRectF(point, size), from, operation, fraction);
}

void drawFlippedInRect(const Image& image, QPainter& painter, QRectF rect, CompositingOperation operation,
                       double fraction, QRectF from)
{
    painter.save();
    painter.translate(0, rect.y() + rect.height());
    painter.scale(1, -1);
    image.drawInRect(painter, QRectF(rect.x(), 0, rect.width(), rect.height()), from, operation, fraction);
    painter.restore();
}

void drawFlippedAtPoint(const Image& image, QPainter& painter, QPointF point, CompositingOperation operation,
                        double fraction)
{
    drawFlippedInRect(image, painter, QRectF(point, image.size()), operation, fraction);
}

void drawScaledInRect(const Image& image, QPainter& painter, QRectF rect, bool flip, CompositingOperation operation,
                      double fraction)
{
    const bool scaled = scales(image);
    if (!scaled)
        setScales(image, true);
    if (flip)
        drawFlippedInRect(image, painter, rect, operation, fraction);
    else
        image.drawInRect(painter, rect, QRectF(), operation, fraction);
    if (!scaled)
        setScales(image, false);
}

void drawScaledInRect(const Image& image, QPainter& painter, QRectF rect, bool flip, CompositingOperation operation,
                      double fraction, const Shadow* shadow)
{
    if (shadow && isDrawingToScreen(painter))
        drawWithShadow(painter, *shadow, rect, [&](QPainter& into, QRectF at) {
            drawScaledInRect(image, into, at, flip, operation, fraction);
        });
    else
        drawScaledInRect(image, painter, rect, flip, operation, fraction);
}

void drawScaledInRect(const Image& image, QPainter& painter, QRectF rect, bool flip, CompositingOperation operation,
                      bool withShadow)
{
    const Shadow shadow = imageShadow();
    drawScaledInRect(image, painter, rect, flip, operation, 1.0, withShadow ? &shadow : nullptr);
}

// --- the desktop's icon theme -------------------------------------------------------------

void followDesktopIconTheme()
{
    useDesktopIconTheme(QIcon::themeName(), qApp, [] {
        clearIconCaches();
        emit TypeIconLoading::shared().typeIconsDidLoad();
        for (QWidget* window : QApplication::topLevelWidgets())
            window->update();
    });
}

} // namespace sorvant
