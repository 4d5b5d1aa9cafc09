#include "interface/colors.h"

#include "interface/appearance.h"
#include "interface/graphics_context.h"

#include <QBrush>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPen>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <optional>

namespace sorvant {

namespace {

QPalette currentPalette()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::palette() : QPalette();
}

Color systemColor(const char* name, QPalette::ColorRole role)
{
    return Color::named(QStringLiteral("System"), QString::fromLatin1(name),
                        colorFromQColor(currentPalette().color(QPalette::Active, role)));
}

Color calibrated(const Color& color)
{
    return color.colorUsingColorSpace(Color::ColorSpace::CalibratedRGB);
}

} // namespace

QColor toQColor(const Color& color)
{
    const Color rgb = color.colorUsingColorSpace(Color::ColorSpace::DeviceRGB);
    if (rgb.isNull())
        return QColor();
    auto channel = [](double value) { return std::clamp(value, 0.0, 1.0); };
    return QColor::fromRgbF(float(channel(rgb.redComponent())), float(channel(rgb.greenComponent())),
                            float(channel(rgb.blueComponent())), float(channel(rgb.alphaComponent())));
}

Color colorFromQColor(const QColor& color)
{
    if (!color.isValid())
        return Color();
    const QColor rgb = color.toRgb();
    return Color::deviceRGB(rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF());
}

QBrush toQBrush(const Color& color)
{
    if (color.colorSpace() == Color::ColorSpace::Pattern) {
        const QVariant image = color.patternImage();
        if (image.canConvert<QImage>())
            return QBrush(image.value<QImage>());
        if (image.canConvert<QPixmap>())
            return QBrush(image.value<QPixmap>());
        return QBrush();
    }
    const QColor qcolor = toQColor(color);
    return qcolor.isValid() ? QBrush(qcolor) : QBrush();
}

Color controlBackgroundColor()
{
    return systemColor("controlBackgroundColor", QPalette::Base);
}

Color controlTextColor()
{
    return systemColor("controlTextColor", QPalette::ButtonText);
}

Color systemTextColor()
{
    return systemColor("textColor", QPalette::Text);
}

Color secondaryLabelColor()
{
    return systemColor("secondaryLabelColor", QPalette::PlaceholderText);
}

Color headerColor()
{
    return systemColor("headerColor", QPalette::Button);
}

QList<Color> controlAlternatingRowBackgroundColors()
{
    return {systemColor("controlAlternatingRowBackgroundColor0", QPalette::Base),
            systemColor("controlAlternatingRowBackgroundColor1", QPalette::AlternateBase)};
}

Color infoTextColor()
{
    return Color::deviceWhite(isDarkAquaInterfaceStyle() ? 0.6 : 0.4);
}

Color contextInfoTextColor()
{
    return Color::deviceWhite(currentContextDrawingToScreen() ? 0.6 : 0.4);
}

Color infoLinkColor()
{
    return infoTextColor();
}

Color infoLabelColor()
{
    return secondaryLabelColor();
}

Color stripeColor()
{
    // Kept for the life of the process, also across appearance changes.
    static const Color stripe = [] {
        const QList<Color> rows = controlAlternatingRowBackgroundColors();
        return rows.size() >= 2 ? rows.at(1) : Color::calibratedRGB(0.929f, 0.953f, 0.996f);
    }();
    return stripe;
}

Color headerGridColor()
{
    return Color::calibratedWhite(0.873f);
}

Color viewBackgroundColor()
{
    return controlBackgroundColor();
}

Color screenSeparatorColor()
{
    return Color::calibratedWhite(isDarkAquaInterfaceStyle() ? 0.175f : 0.84f);
}

Color linkColor()
{
    return Color::blueColor();
}

Color darkLinkColor()
{
    return Color::calibratedRGB(0.5, 0.5, 1.0);
}

Color screenLinkColor()
{
    return isDarkAquaInterfaceStyle() ? darkLinkColor() : linkColor();
}

Color autoLinkColor()
{
    return Color::deviceRGB(0.0, 0.0, 0.75);
}

Color screenAutoLinkColor()
{
    return isDarkAquaInterfaceStyle() ? Color::deviceRGB(0.5, 0.5, 0.75) : autoLinkColor();
}

QString htmlColor(const Color& color)
{
    const Color rgb = color.colorUsingColorSpace(Color::ColorSpace::DeviceRGB);
    if (rgb.isNull())
        return QString();
    auto byte = [](double component) { return int(component * 255.0 + 0.5); };
    return QString::asprintf("#%02x%02x%02x", byte(rgb.redComponent()), byte(rgb.greenComponent()),
                             byte(rgb.blueComponent()));
}

QColor mixedColor(const QColor& from, const QColor& to, double amount)
{
    const auto mix = [amount](float a, float b) { return float(a + (b - a) * amount); };
    return QColor::fromRgbF(mix(from.redF(), to.redF()), mix(from.greenF(), to.greenF()),
                            mix(from.blueF(), to.blueF()));
}

double contrastRatio(const QColor& first, const QColor& second)
{
    const auto luminance = [](const QColor& color) {
        const auto linear = [](double channel) {
            return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) + 0.0722 * linear(color.blueF());
    };
    const double a = luminance(first);
    const double b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

Color invertedColor(const Color& color)
{
    const double a = color.alphaComponent();
    switch (color.colorSpace()) {
    case Color::ColorSpace::DeviceRGB:
        return Color::deviceRGB(1 - color.redComponent(), 1 - color.greenComponent(), 1 - color.blueComponent(), a);
    case Color::ColorSpace::CalibratedRGB:
        return Color::calibratedRGB(1 - color.redComponent(), 1 - color.greenComponent(), 1 - color.blueComponent(),
                                    a);
    case Color::ColorSpace::DeviceWhite: return Color::deviceWhite(1 - color.whiteComponent(), a);
    case Color::ColorSpace::CalibratedWhite: return Color::calibratedWhite(1 - color.whiteComponent(), a);
    case Color::ColorSpace::DeviceCMYK:
        return Color::deviceCMYK(1 - color.cyanComponent(), 1 - color.magentaComponent(),
                                 1 - color.yellowComponent(), 1 - color.blackComponent(), a);
    default: return Color();
    }
}

Color textColor(const Color& background)
{
    const Color white = background.colorUsingColorSpace(Color::ColorSpace::CalibratedWhite);
    return !white.isNull() && white.whiteComponent() > 0.5 ? Color::blackColor() : Color::whiteColor();
}

bool isAlmostWhite(const Color& color)
{
    const Color rgb = calibrated(color);
    return !rgb.isNull() && rgb.redComponent() >= 0.97 && rgb.greenComponent() >= 0.97 && rgb.blueComponent() >= 0.97;
}

bool isAlmostBlack(const Color& color)
{
    const Color rgb = calibrated(color);
    return !rgb.isNull() && rgb.redComponent() <= 0.03 && rgb.greenComponent() <= 0.03 && rgb.blueComponent() <= 0.03;
}

double grayComponent(const Color& color)
{
    const Color rgb = calibrated(color);
    return rgb.isNull() ? 0.0 : (rgb.redComponent() + rgb.greenComponent() + rgb.blueComponent()) / 3.0;
}

namespace {

std::optional<std::pair<Color, Color>> calibratedPair(const Color& color, const QVariant& other)
{
    if (other.metaType() != QMetaType::fromType<Color>())
        return std::nullopt;
    const Color a = calibrated(color), b = calibrated(other.value<Color>());
    if (a.isNull() || b.isNull())
        return std::nullopt;
    return std::pair{a, b};
}

} // namespace

bool isRGBEqualToColor(const Color& color, const QVariant& other)
{
    const auto pair = calibratedPair(color, other);
    return pair && pair->first.redComponent() == pair->second.redComponent()
           && pair->first.greenComponent() == pair->second.greenComponent()
           && pair->first.blueComponent() == pair->second.blueComponent();
}

bool isRGBAEqualToColor(const Color& color, const QVariant& other)
{
    return isRGBEqualToColor(color, other)
           && calibrated(color).alphaComponent() == calibrated(other.value<Color>()).alphaComponent();
}

void drawPixelThickLineAtPosition(QPainter& painter, const Color& color, int position, int inset, QRectF rect,
                                  const QWidget* view, bool horizontal, bool flip)
{
    double scale = 1.0; // no view and no screen: draw as on a 1x screen
    if (view)
        scale = view->devicePixelRatioF();
    else if (const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                         ? QGuiApplication::primaryScreen()
                                         : nullptr)
        scale = screen->devicePixelRatio();

    // In device pixels, made integral, then moved onto pixel centres.
    QRectF pixels(std::floor(rect.x() * scale), std::floor(rect.y() * scale), 0, 0);
    pixels.setRight(std::ceil(rect.right() * scale));
    pixels.setBottom(std::ceil(rect.bottom() * scale));
    const double extent = horizontal ? pixels.height() : pixels.width();
    double at = position;
    if (flip)
        at = std::trunc(extent - position - 1);
    const double p = (at + 0.5) / scale, i = inset / scale;
    const QRectF back(pixels.x() / scale, pixels.y() / scale, pixels.width() / scale, pixels.height() / scale);

    painter.save();
    QPen pen(toQColor(color));
    pen.setCosmetic(true);
    pen.setWidth(0);
    painter.setPen(pen);
    if (horizontal)
        painter.drawLine(QPointF(back.x() + i, back.y() + p), QPointF(back.right() - i, back.y() + p));
    else
        painter.drawLine(QPointF(back.x() + p, back.y() + i), QPointF(back.x() + p, back.bottom() - i));
    painter.restore();
}

} // namespace sorvant
