#include "interface/fonts.h"

#include <QGuiApplication>

namespace sorvant {

namespace {

// The platform's role sizes, 13, 11 and 10 points, as shares of the system size.
constexpr double kSmallShare = 11.0 / 13.0;
constexpr double kLabelShare = 10.0 / 13.0;
constexpr double kSizeWithoutDesktop = 13.0;

QString& familyOverride()
{
    static QString family;
    return family;
}

bool hasGuiApplication()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

QFont baseFont()
{
    if (!familyOverride().isEmpty())
        return QFont(familyOverride());
    return hasGuiApplication() ? QGuiApplication::font() : QFont();
}

} // namespace

double systemFontSize()
{
    if (hasGuiApplication()) {
        const double desktop = QGuiApplication::font().pointSizeF();
        if (desktop > 0)
            return desktop;
    }
    return kSizeWithoutDesktop;
}

double smallSystemFontSize()
{
    return systemFontSize() * kSmallShare;
}

double labelFontSize()
{
    return systemFontSize() * kLabelShare;
}

QFont systemFontOfSize(double size)
{
    QFont font = baseFont();
    font.setPointSizeF(size > 0 ? size : systemFontSize());
    font.setBold(false);
    return font;
}

QFont boldSystemFontOfSize(double size)
{
    QFont font = systemFontOfSize(size);
    font.setBold(true);
    return font;
}

QFont labelFontOfSize(double size)
{
    return systemFontOfSize(size > 0 ? size : labelFontSize());
}

QFont systemFont()
{
    return systemFontOfSize(systemFontSize());
}

QFont smallSystemFont()
{
    return systemFontOfSize(smallSystemFontSize());
}

QFont boldSystemFont()
{
    return boldSystemFontOfSize(systemFontSize());
}

QFont smallBoldSystemFont()
{
    return boldSystemFontOfSize(smallSystemFontSize());
}

QFont labelFont()
{
    return labelFontOfSize(labelFontSize());
}

QFont infoLabelFont()
{
    return smallSystemFont();
}

void setSystemFontFamily(const QString& family)
{
    familyOverride() = family;
}

} // namespace sorvant
