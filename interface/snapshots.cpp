#include "interface/snapshots.h"

#include "interface/image_loading.h"
#include "interface/printing.h"
#include "platform/log.h"

#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <cmath>
#include <exception>

namespace sorvant {

Image fullSnapshot(QWidget* view)
{
    const QByteArray data = dataWithPDF(view);
    return data.isEmpty() ? Image() : imageWithData(data);
}

Image fullSnapshotForThumbSize(QWidget* view, QSizeF thumbSize)
{
    return thumbForSize(fullSnapshot(view), thumbSize);
}

Image boundsSnapshot(QWidget* view)
{
    return view ? snapshotFromRect(view, QRectF(view->rect())) : Image();
}

Image visibleSnapshot(QWidget* view)
{
    return view ? snapshotFromRect(view, QRectF(view->visibleRegion().boundingRect())) : Image();
}

QSize thumbnailSizeForSnapshot(QSizeF size, QSizeF thumbSize)
{
    const double fullWidth = std::ceil(size.width());
    const double fullHeight = std::ceil(size.height());
    double width = fullWidth;
    double height = fullHeight;
    if (thumbSize.width() < fullWidth || thumbSize.height() < fullHeight) {
        width = thumbSize.width();
        height = thumbSize.width() / fullWidth * fullHeight;
        if (height > thumbSize.height()) {
            width = thumbSize.height() / fullHeight * fullWidth;
            height = thumbSize.height();
        }
    }
    const auto side = [](double value) { return std::max(1, int(std::floor(value))); };
    return QSize(side(width), side(height));
}

namespace {

// The view drawn into a new image of `pixels`, `rect` scaled to fill it:
// alone when `draw`, with its children otherwise.
Image renderedSnapshot(QWidget* view, QRectF rect, QSize pixels, bool draw)
{
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(pixels.width() / std::ceil(rect.width()), pixels.height() / std::ceil(rect.height()));
    const QWidget::RenderFlags flags =
        draw ? QWidget::RenderFlags(QWidget::DrawWindowBackground) : QWidget::DrawWindowBackground | QWidget::DrawChildren;
    view->render(&painter, QPoint(), QRegion(rect.toAlignedRect()), flags);
    painter.end();
    return Image::withBitmap(image);
}

// What a visible view shows in `rect`, at its own point size.
Image screenSnapshot(QWidget* view, QRectF rect)
{
    const QPixmap pixels = view->grab(rect.toAlignedRect());
    if (pixels.isNull())
        return {};
    Image image = Image::withBitmap(pixels.toImage());
    image.setSize(rect.size());
    return image;
}

template <typename Make>
Image guarded(const char* function, Make make)
{
    try {
        return make();
    } catch (const std::exception& error) {
        logException(QString::fromLatin1(function), QStringLiteral("QWidget"), error);
        return {};
    }
}

} // namespace

Image snapshotFromRect(QWidget* view, QRectF rect, bool draw)
{
    if (!view || rect.width() <= 0 || rect.height() <= 0)
        return {};
    return guarded("snapshotFromRect:draw:", [&] {
        if (!draw && view->isVisible())
            return screenSnapshot(view, rect);
        return renderedSnapshot(view, rect, QSize(int(std::ceil(rect.width())), int(std::ceil(rect.height()))), draw);
    });
}

Image snapshotFromRect(QWidget* view, QRectF rect, QSizeF thumbSize, bool draw)
{
    if (!view || rect.width() <= 0 || rect.height() <= 0)
        return {};
    return guarded("snapshotFromRect:forThumbSize:draw:", [&] {
        if (!draw && view->isVisible())
            return thumbForSize(screenSnapshot(view, rect), thumbSize);
        return renderedSnapshot(view, rect, thumbnailSizeForSnapshot(rect.size(), thumbSize), draw);
    });
}

} // namespace sorvant
