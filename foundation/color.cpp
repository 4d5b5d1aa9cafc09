#include "foundation/color.h"

#include <QStringList>

#include <algorithm>

namespace sorvant {

namespace {

Color rgbInSpace(Color::ColorSpace space, double r, double g, double b, double a)
{
    return space == Color::ColorSpace::DeviceRGB ? Color::deviceRGB(r, g, b, a) : Color::calibratedRGB(r, g, b, a);
}

Color whiteInSpace(Color::ColorSpace space, double w, double a)
{
    return space == Color::ColorSpace::DeviceWhite ? Color::deviceWhite(w, a) : Color::calibratedWhite(w, a);
}

// Luma weights of ITU-R BT.601: how bright an RGB colour looks as grey.
double lumaOf(double r, double g, double b)
{
    return 0.299 * r + 0.587 * g + 0.114 * b;
}

} // namespace

Color Color::deviceRGB(double red, double green, double blue, double alpha)
{
    Color color;
    color.m_space = ColorSpace::DeviceRGB;
    color.m_c = {red, green, blue, 0.0};
    color.m_alpha = alpha;
    return color;
}

Color Color::calibratedRGB(double red, double green, double blue, double alpha)
{
    Color color = deviceRGB(red, green, blue, alpha);
    color.m_space = ColorSpace::CalibratedRGB;
    return color;
}

Color Color::deviceWhite(double white, double alpha)
{
    Color color;
    color.m_space = ColorSpace::DeviceWhite;
    color.m_c = {white, 0.0, 0.0, 0.0};
    color.m_alpha = alpha;
    return color;
}

Color Color::calibratedWhite(double white, double alpha)
{
    Color color = deviceWhite(white, alpha);
    color.m_space = ColorSpace::CalibratedWhite;
    return color;
}

Color Color::deviceCMYK(double cyan, double magenta, double yellow, double black, double alpha)
{
    Color color;
    color.m_space = ColorSpace::DeviceCMYK;
    color.m_c = {cyan, magenta, yellow, black};
    color.m_alpha = alpha;
    return color;
}

Color Color::named(const QString& catalogName, const QString& colorName, const Color& resolved)
{
    Color color;
    color.m_space = ColorSpace::Named;
    color.m_catalog = catalogName;
    color.m_name = colorName;
    const Color rgb = resolved.colorUsingColorSpace(ColorSpace::DeviceRGB);
    color.m_alpha = rgb.isNull() ? 1.0 : rgb.alphaComponent();
    if (!rgb.isNull())
        color.m_resolved = std::make_shared<const Color>(rgb);
    return color;
}

Color Color::named(const QString& catalogName, const QString& colorName)
{
    return named(catalogName, colorName, Color());
}

Color Color::pattern(const QVariant& image)
{
    Color color;
    color.m_space = ColorSpace::Pattern;
    color.m_pattern = image;
    color.m_alpha = 1.0;
    return color;
}

QString Color::colorSpaceName() const
{
    switch (m_space) {
    case ColorSpace::None: return QString();
    case ColorSpace::DeviceRGB: return QStringLiteral("DeviceRGB");
    case ColorSpace::CalibratedRGB: return QStringLiteral("CalibratedRGB");
    case ColorSpace::DeviceWhite: return QStringLiteral("DeviceWhite");
    case ColorSpace::CalibratedWhite: return QStringLiteral("CalibratedWhite");
    case ColorSpace::DeviceCMYK: return QStringLiteral("DeviceCMYK");
    case ColorSpace::Named: return QStringLiteral("Named");
    case ColorSpace::Pattern: return QStringLiteral("Pattern");
    }
    return QString();
}

int Color::numberOfComponents() const
{
    if (isRGB())
        return 4;
    if (isWhite())
        return 2;
    return m_space == ColorSpace::DeviceCMYK ? 5 : 0;
}

QList<double> Color::components() const
{
    const int count = numberOfComponents();
    QList<double> list;
    list.reserve(count);
    for (int index = 0; index + 1 < count; ++index)
        list.append(m_c[std::size_t(index)]);
    if (count)
        list.append(m_alpha);
    return list;
}

Color Color::colorUsingColorSpace(ColorSpace space) const
{
    if (space == m_space)
        return *this;
    if (isNull() || space == ColorSpace::None || space == ColorSpace::Named || space == ColorSpace::Pattern
        || m_space == ColorSpace::Pattern)
        return Color();
    if (m_space == ColorSpace::Named)
        return m_resolved ? m_resolved->colorUsingColorSpace(space) : Color();

    // Everything goes through RGB; device and calibrated spaces share numbers.
    double r = 0, g = 0, b = 0;
    if (isRGB()) {
        r = m_c[0], g = m_c[1], b = m_c[2];
    } else if (isWhite()) {
        r = g = b = m_c[0];
    } else { // CMYK
        r = 1.0 - std::min(1.0, m_c[0] + m_c[3]);
        g = 1.0 - std::min(1.0, m_c[1] + m_c[3]);
        b = 1.0 - std::min(1.0, m_c[2] + m_c[3]);
    }
    switch (space) {
    case ColorSpace::DeviceRGB:
    case ColorSpace::CalibratedRGB: return rgbInSpace(space, r, g, b, m_alpha);
    case ColorSpace::DeviceWhite:
    case ColorSpace::CalibratedWhite:
        // A grey keeps its exact level instead of going through the weights.
        return whiteInSpace(space, isWhite() ? m_c[0] : lumaOf(r, g, b), m_alpha);
    case ColorSpace::DeviceCMYK: {
        const double c = 1.0 - r, m = 1.0 - g, y = 1.0 - b;
        const double k = std::min({c, m, y});
        return deviceCMYK(c - k, m - k, y - k, k, m_alpha);
    }
    default: return Color();
    }
}

Color Color::colorWithAlphaComponent(double alpha) const
{
    if (isNull())
        return Color();
    if (m_space == ColorSpace::Named) {
        // The catalogue name no longer describes the colour; keep its value.
        return m_resolved ? m_resolved->colorWithAlphaComponent(alpha) : Color();
    }
    Color color = *this;
    color.m_alpha = alpha;
    return color;
}

QString Color::description() const
{
    if (isNull())
        return QStringLiteral("(null)");
    QStringList parts{colorSpaceName()};
    if (m_space == ColorSpace::Named) {
        parts << m_catalog << m_name;
    } else if (m_space == ColorSpace::Pattern) {
        parts << QString::fromLatin1(m_pattern.typeName());
    } else {
        for (double component : components())
            parts << QString::number(component, 'g', 17);
    }
    return parts.join(u' ');
}

bool operator==(const Color& a, const Color& b)
{
    if (a.m_space != b.m_space || a.m_c != b.m_c || a.m_alpha != b.m_alpha)
        return false;
    switch (a.m_space) {
    case Color::ColorSpace::Named: return a.m_catalog == b.m_catalog && a.m_name == b.m_name;
    case Color::ColorSpace::Pattern: return a.m_pattern == b.m_pattern;
    default: return true;
    }
}

} // namespace sorvant
