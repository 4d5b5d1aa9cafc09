#include "web/toolkit/attributed_lines.h"

#include "foundation/color.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// The bounding box of the pixels that are not white.
QRect inkBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

AttributedString sample(const Color& color)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(20);
    return AttributedString(QStringLiteral("XX"), {{QStringLiteral("Font"), font},
                                                   {QStringLiteral("ForegroundColor"), QVariant::fromValue(color)}});
}

QImage render(const AttributedString& text, const QRectF& rect, bool horizontally, bool vertically, QSizeF* size)
{
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    *size = drawInRect(text, painter, rect, horizontally, vertically);
    painter.end();
    return image;
}

TEST(CenteredDrawing, InkSitsWhereTheGeometrySays)
{
    const AttributedString text = sample(Color::blackColor());
    QSizeF size;
    const QRect centred = inkBox(render(text, QRectF(0, 0, 200, 100), true, true, &size));
    ASSERT_FALSE(centred.isEmpty());
    EXPECT_GT(size.width(), 0);
    EXPECT_NEAR(centred.center().x(), 100, 4);
    EXPECT_NEAR(centred.center().y(), 50, 6);

    const QRect topLeft = inkBox(render(text, QRectF(0, 0, 200, 100), false, false, &size));
    EXPECT_LT(topLeft.left(), 10);
    EXPECT_LT(topLeft.top(), 15);

    const QRect onlyVertical = inkBox(render(text, QRectF(0, 0, 200, 100), false, true, &size));
    EXPECT_LT(onlyVertical.left(), 10);
    EXPECT_NEAR(onlyVertical.center().y(), centred.center().y(), 1);
}

TEST(CenteredDrawing, ColoursAndEmptyRects)
{
    QSizeF size;
    const QImage red = render(sample(Color::redColor()), QRectF(0, 0, 200, 100), true, true, &size);
    const QRect box = inkBox(red);
    bool sawRed = false;
    for (int y = box.top(); y <= box.bottom() && !sawRed; ++y) {
        for (int x = box.left(); x <= box.right() && !sawRed; ++x)
            sawRed = qRed(red.pixel(x, y)) > 200 && qGreen(red.pixel(x, y)) < 60;
    }
    EXPECT_TRUE(sawRed);

    const QImage nothing = render(sample(Color::blackColor()), QRectF(10, 10, 0, 50), true, true, &size);
    EXPECT_TRUE(inkBox(nothing).isEmpty());
    EXPECT_EQ(size, QSizeF(0, 0));
}

} // namespace
} // namespace sorvant
