#include "interface/shadows.h"

#include "interface/colors.h"

#include <QImage>
#include <QPainter>

#include <cmath>

namespace sorvant {

Shadow shadowWithOffset(QPointF offset, double blurRadius, const Color& color)
{
    return Shadow{offset, blurRadius, color};
}

Shadow imageShadow()
{
    return Shadow{QPointF(0, -2), 4.0, Color::calibratedWhite(0.0, 0.8f)};
}

Shadow snapshotShadowWithFraction(double fraction)
{
    return Shadow{QPointF(0, -1), 3.0, Color::calibratedWhite(0.0, fraction * 0.8f)};
}

Shadow snapshotShadow()
{
    return snapshotShadowWithFraction(1.0);
}

Color shadowColor(const Shadow& shadow)
{
    return shadow.color.isNull() ? Color::calibratedWhite(0.0, 1.0 / 3.0) : shadow.color;
}

namespace {

// A box blur run three times in each direction approximates a Gaussian of
// the same radius closely enough for a shadow.
void boxBlurAlpha(QImage& image, int radius)
{
    if (radius <= 0)
        return;
    const int w = image.width(), h = image.height();
    QList<int> line(std::max(w, h));
    for (int pass = 0; pass < 3; ++pass) {
        for (int horizontal = 0; horizontal < 2; ++horizontal) {
            const int lines = horizontal ? h : w, length = horizontal ? w : h;
            for (int l = 0; l < lines; ++l) {
                auto at = [&](int i) -> uchar& {
                    const int x = horizontal ? i : l, y = horizontal ? l : i;
                    return image.scanLine(y)[x * 4 + 3];
                };
                for (int i = 0; i < length; ++i)
                    line[i] = at(i);
                int sum = 0;
                for (int i = -radius; i <= radius; ++i)
                    sum += line[std::clamp(i, 0, length - 1)];
                for (int i = 0; i < length; ++i) {
                    at(i) = uchar(sum / (2 * radius + 1));
                    sum += line[std::clamp(i + radius + 1, 0, length - 1)] - line[std::clamp(i - radius, 0, length - 1)];
                }
            }
        }
    }
}

} // namespace

void drawWithShadow(QPainter& painter, const Shadow& shadow, QRectF rect,
                    const std::function<void(QPainter&, QRectF)>& draw)
{
    const int margin = int(std::ceil(shadow.blurRadius)) + 1;
    const QSize layerSize(int(std::ceil(rect.width())) + 2 * margin, int(std::ceil(rect.height())) + 2 * margin);
    if (!layerSize.isEmpty()) {
        QImage layer(layerSize, QImage::Format_ARGB32);
        layer.fill(Qt::transparent);
        {
            QPainter into(&layer);
            draw(into, QRectF(margin, margin, rect.width(), rect.height()));
        }
        // Keep the shape's alpha, paint it in the shadow colour, then blur.
        const QColor color = toQColor(shadowColor(shadow));
        QImage tinted(layerSize, QImage::Format_ARGB32);
        for (int y = 0; y < layerSize.height(); ++y) {
            const QRgb* from = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
            QRgb* to = reinterpret_cast<QRgb*>(tinted.scanLine(y));
            for (int x = 0; x < layerSize.width(); ++x)
                to[x] = qRgba(color.red(), color.green(), color.blue(), qAlpha(from[x]) * color.alpha() / 255);
        }
        boxBlurAlpha(tinted, int(std::lround(shadow.blurRadius / 2.0)));
        painter.drawImage(QPointF(rect.x() - margin + shadow.offset.x(), rect.y() - margin - shadow.offset.y()),
                          tinted);
    }
    draw(painter, rect);
}

} // namespace sorvant
