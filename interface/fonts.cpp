#include "interface/fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace sorvant {

namespace {

QString& familyOverride()
{
    static QString family;
    return family;
}

QFont baseFont()
{
    if (!familyOverride().isEmpty())
        return QFont(familyOverride());
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QFontDatabase::systemFont(QFontDatabase::GeneralFont)
               : QFont();
}

} // namespace

double systemFontSize()
{
    return 13.0;
}

double smallSystemFontSize()
{
    return 11.0;
}

double labelFontSize()
{
    return 10.0;
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
