// Renders a sheet of sample strings, badges, images and colours in the light
// and the dark appearance into gallery-light.png and gallery-dark.png in the
// test's working folder (build/<config>/tests), for a person to look at.
#include "interface/appearance.h"
#include "interface/bezier_path.h"
#include "interface/colors.h"
#include "interface/graphics_context.h"
#include "interface/fonts.h"
#include "interface/image_loading.h"
#include "interface/images.h"
#include "interface/shadows.h"
#include "interface/string_drawing.h"
#include "tests/interface/support.h"

#include <QDir>
#include <QPainter>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

QImage renderGallery()
{
    QImage sheet(480, 300, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(toQColor(isDarkAquaInterfaceStyle() ? Color::calibratedWhite(0.12) : Color::calibratedWhite(0.98)));
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing);
    GraphicsContextScope scope(painter);
    const Color text = isDarkAquaInterfaceStyle() ? Color::whiteColor() : Color::blackColor();

    drawInRect(painter, QStringLiteral("System font, left"), QRectF(10, 10, 220, 20), LineBreakMode::ByTruncatingTail,
               false, true, systemFont(), text, false);
    drawInRect(painter, QStringLiteral("Small bold, centred"), QRectF(10, 32, 220, 20),
               LineBreakMode::ByTruncatingTail, true, true, smallBoldSystemFont(), infoTextColor(), false);
    AttributedString path(QStringLiteral("/home/someone/Documents/projects/search/highlighted-name.txt"),
                          {{attribute::kFont, smallSystemFont()}, {attribute::kForegroundColor, QVariant::fromValue(text)}});
    path.addAttributes({{attribute::kBackgroundColor, QVariant::fromValue(Color::yellowColor())},
                        {attribute::kForegroundColor, QVariant::fromValue(Color::blueColor())}},
                       {path.string().indexOf(QStringLiteral("highlighted")), 11});
    drawInRect(painter, truncatedAttributedString(path, 220, LineBreakMode::ByTruncatingMiddle), QRectF(10, 56, 220, 18));
    drawInRect(painter, asAttributedLink(QStringLiteral("a link"), QStringLiteral("https://example.invalid")),
               QRectF(10, 78, 220, 18));

    // A count badge: a rounded rect with its number.
    const Path badge = bezierPathWithRoundedRect(QRectF(250, 10, 36, 18), 9);
    fillAtPoint(painter, badge, QPointF(0, 0), Color::calibratedWhite(0.55));
    drawInRect(painter, QStringLiteral("42"), QRectF(250, 10, 36, 18), true, true, smallBoldSystemFont(),
               Color::whiteColor(), false);
    // Paths are y-up: flip the balloon's band so its arrow points down.
    painter.save();
    painter.translate(0, 70);
    painter.scale(1, -1);
    fillAtPoint(painter, toolTipRect(QRectF(300, 10, 120, 50), true, 6, 1), QPointF(0, 0), Color::yellowColor());
    painter.restore();
    drawRoundedRect(painter, QRectF(430, 10, 40, 30), 6, true);

    int x = 10;
    for (const char* name : {"magnifier", "Open Doc", "Reveal in Finder", "Delete", "Info", "Quirrel 3"}) {
        const Image image = cachedAppleInterfaceImageNamed(QString::fromLatin1(name));
        drawScaledInRect(image, painter, QRectF(x, 110, 32, 32), false, CompositingOperation::SourceOver, true);
        x += 44;
    }
    for (const char* name : {"gear", "trash", "eye", "plus"}) {
        const Image symbol = AppleToolbarImage(imageWithSymbolName(QString::fromLatin1(name), 24));
        drawScaledInRect(contextAppleInterfaceImage(symbol), painter, QRectF(x, 114, 24, 24), false,
                         CompositingOperation::SourceOver);
        x += 34;
    }
    const QList<Color> swatches{infoTextColor(), screenLinkColor(), screenAutoLinkColor(), stripeColor(),
                                headerGridColor(), screenSeparatorColor(), controlBackgroundColor(),
                                darkTextBackgroundColor(Color::deviceRGB(1, 0.8, 0.2))};
    for (qsizetype index = 0; index < swatches.size(); ++index) {
        const QRectF swatch(10 + index * 58, 170, 48, 48);
        painter.fillRect(swatch, toQBrush(swatches[index]));
        drawInRect(painter, htmlColor(swatches[index]), QRectF(swatch.x() - 4, 222, 60, 14), false, false, labelFont(),
                   text, false);
    }
    drawPixelThickLineAtPosition(painter, screenSeparatorColor(), 0, 10, QRectF(0, 260, 480, 10), nullptr, true, false);
    return sheet;
}

TEST(Gallery, RendersLightAndDarkSheets)
{
    const QImage light = renderGallery();
    QImage dark;
    {
        test::AppearanceScope scope(true);
        dark = renderGallery();
    }
    ASSERT_TRUE(light.save(QDir::current().filePath(QStringLiteral("gallery-light.png"))));
    ASSERT_TRUE(dark.save(QDir::current().filePath(QStringLiteral("gallery-dark.png"))));
    // The sheets differ in background and in the appearance-dependent colours.
    EXPECT_NE(light.pixelColor(470, 290), dark.pixelColor(470, 290));
    EXPECT_NE(light.pixelColor(30, 190), dark.pixelColor(30, 190)); // infoTextColor swatch
    EXPECT_EQ(light.pixelColor(30, 190), toQColor(Color::deviceWhite(0.4)));
}

} // namespace
} // namespace sorvant
