#include "interface/interface_defaults.h"

#include "foundation/user_defaults_getters.h"
#include "interface/colors.h"
#include "interface/fonts.h"
#include "interface/version_gates.h"
#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"
#include "platform/user_defaults.h"
#include "system/file_tests.h"
#include "system/standard_folders.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QVariantMap>

namespace sorvant {

namespace {

using Space = Color::ColorSpace;

// Components are stored as single-precision floats.
QVariant component(double value)
{
    return QVariant(float(value));
}

double componentForKey(const QVariantMap& dictionary, const QString& key)
{
    return double(dictionary.value(key).toFloat());
}

} // namespace

// --- colours ---------------------------------------------------------------------

void setColor(UserDefaults& defaults, const Color& color, const QString& key)
{
    if (color.isNull()) {
        defaults.removeObjectForKey(key);
        return;
    }
    Color stored = color;
    switch (color.colorSpace()) {
    case Space::DeviceRGB:
    case Space::CalibratedRGB:
    case Space::DeviceWhite:
    case Space::CalibratedWhite:
    case Space::DeviceCMYK:
    case Space::Named:
        break;
    case Space::None:
    case Space::Pattern: {
        // A pattern has no RGB form; it is stored as opaque black rather than
        // dropped, so the key still reads back as a calibrated RGB colour.
        const Color rgb = color.colorUsingColorSpace(Space::CalibratedRGB);
        stored = rgb.isNull() ? Color::calibratedRGB(0, 0, 0, color.alphaComponent()) : rgb;
        break;
    }
    }
    QVariantMap dictionary{{QStringLiteral("colorSpace"), stored.colorSpaceName()}};
    if (stored.isWhite()) {
        dictionary.insert(QStringLiteral("white"), component(stored.whiteComponent()));
    } else if (stored.colorSpace() == Space::DeviceCMYK) {
        dictionary.insert(QStringLiteral("cyan"), component(stored.cyanComponent()));
        dictionary.insert(QStringLiteral("magenta"), component(stored.magentaComponent()));
        dictionary.insert(QStringLiteral("yellow"), component(stored.yellowComponent()));
        dictionary.insert(QStringLiteral("black"), component(stored.blackComponent()));
    } else if (stored.colorSpace() == Space::Named) {
        dictionary.insert(QStringLiteral("catalog"), stored.catalogNameComponent());
        dictionary.insert(QStringLiteral("color"), stored.colorNameComponent());
    } else {
        dictionary.insert(QStringLiteral("red"), component(stored.redComponent()));
        dictionary.insert(QStringLiteral("green"), component(stored.greenComponent()));
        dictionary.insert(QStringLiteral("blue"), component(stored.blueComponent()));
    }
    if (stored.colorSpace() != Space::Named)
        dictionary.insert(QStringLiteral("alpha"), component(stored.alphaComponent()));
    defaults.setObject(dictionary, key);
}

Color colorForKey(const UserDefaults& defaults, const QString& key, const Color& defaultColor)
{
    const QVariantMap d = defaults.objectForKey(key).toMap();
    const QString space = d.value(QStringLiteral("colorSpace")).toString();
    auto c = [&d](const char* name) { return componentForKey(d, QString::fromLatin1(name)); };
    if (space == QLatin1String("CalibratedRGB"))
        return Color::calibratedRGB(c("red"), c("green"), c("blue"), c("alpha"));
    if (space == QLatin1String("DeviceRGB"))
        return Color::deviceRGB(c("red"), c("green"), c("blue"), c("alpha"));
    if (space == QLatin1String("CalibratedWhite"))
        return Color::calibratedWhite(c("white"), c("alpha"));
    if (space == QLatin1String("DeviceWhite"))
        return Color::deviceWhite(c("white"), c("alpha"));
    if (space == QLatin1String("DeviceCMYK"))
        return Color::deviceCMYK(c("cyan"), c("magenta"), c("yellow"), c("black"), c("alpha"));
    if (space == QLatin1String("Named")) {
        const QString catalog = d.value(QStringLiteral("catalog")).toString();
        const QString name = d.value(QStringLiteral("color")).toString();
        const Color named = catalog.isEmpty() || name.isEmpty() ? Color() : colorWithCatalogName(catalog, name);
        return named.isNull() ? defaultColor : named;
    }
    return defaultColor;
}

Color colorWithCatalogName(const QString& catalogName, const QString& colorName)
{
    if (catalogName != QLatin1String("System"))
        return {};
    const QList<Color> rows = controlAlternatingRowBackgroundColors();
    for (const Color& color : {controlBackgroundColor(), controlTextColor(), systemTextColor(), secondaryLabelColor(),
                               headerColor(), rows.value(0), rows.value(1)}) {
        if (color.colorNameComponent() == colorName)
            return color;
    }
    return {};
}

// --- fonts -----------------------------------------------------------------------

QString fontName(const QFont& font)
{
    const QString style = QFontInfo(font).styleName();
    if (style.isEmpty() || style == QLatin1String("Regular") || style == QLatin1String("Book"))
        return font.family();
    return font.family() + QLatin1Char('-') + style;
}

std::optional<QFont> fontWithNameKey(const UserDefaults& defaults, const QString& nameKey, double size)
{
    const QString name = defaults.objectForKey(nameKey).toString();
    if (name.isEmpty())
        return std::nullopt;
    const double points = size > 0 ? size : QGuiApplication::font().pointSizeF();
    const bool monospacedNames = systemVersionAtLeast(10, 15);
    if (monospacedNames && (name == QLatin1String(".SFNSMono-Bold") || name == QLatin1String(".SFNSMono-Regular"))) {
        QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        mono.setPointSizeF(points);
        mono.setBold(name.endsWith(QLatin1String("Bold")));
        return mono;
    }
    if (name == QLatin1String(".SFNSText") || name == QLatin1String(".SFNS-Regular")
        || name == QLatin1String(".AppleSystemUIFont"))
        return systemFontOfSize(points);
    if (QFontDatabase::hasFamily(name)) {
        QFont font(name);
        font.setPointSizeF(points);
        return font;
    }
    // "Family-Style": the family up to the last hyphen.
    const qsizetype hyphen = name.lastIndexOf(QLatin1Char('-'));
    if (hyphen <= 0)
        return std::nullopt;
    const QString family = name.left(hyphen);
    const QString style = name.mid(hyphen + 1);
    if (!QFontDatabase::hasFamily(family) || !QFontDatabase::styles(family).contains(style))
        return std::nullopt;
    // The database takes whole points only: 10.5 would read back as 11.
    QFont font = QFontDatabase::font(family, style, qRound(points));
    font.setPointSizeF(points);
    return font;
}

std::optional<QFont> fontWithNameKey(const UserDefaults& defaults, const QString& nameKey, const QString& sizeKey)
{
    return fontWithNameKey(defaults, nameKey, double(floatForKey(defaults, sizeKey)));
}

QFont fontWithNameKey(const UserDefaults& defaults, const QString& nameKey, const QString& sizeKey,
                      double defaultSize, const std::optional<QFont>& defaultFont)
{
    const double size = sizeKey.isNull() ? defaultSize : double(floatForKey(defaults, sizeKey, float(defaultSize)));
    if (auto font = fontWithNameKey(defaults, nameKey, size))
        return *font;
    return defaultFont ? *defaultFont : systemFontOfSize(defaultSize);
}

void setFont(UserDefaults& defaults, const std::optional<QFont>& font, const QString& nameKey, const QString& sizeKey)
{
    if (!font) {
        defaults.removeObjectForKey(nameKey);
        defaults.removeObjectForKey(sizeKey);
        return;
    }
    defaults.setObject(fontName(*font), nameKey);
    defaults.setFloat(float(QFontInfo(*font).pointSizeF()), sizeKey);
}

// --- download folder -------------------------------------------------------------

QByteArray readWriteBookmarkData(const QString& path)
{
    // The folder is tested and kept by its bytes: a name that is not UTF-8
    // names the same folder when resolved again.
    if (path.isEmpty() || !isDirectoryAtPath(path))
        return {};
    return fileSystemRepresentation(QFileInfo(path).absoluteFilePath());
}

QString startAccessingBookmarkData(const QByteArray& bookmark)
{
    if (bookmark.isEmpty())
        return {};
    const QString path = stringWithFileSystemRepresentation(bookmark);
    return isDirectoryAtPath(path) ? path : QString();
}

QString downloadDirectory(const UserDefaults& defaults)
{
    // Access is not granted by the bookmark on Linux; resolving it only
    // checks the folder, and the stored path is answered either way.
    (void)startAccessingBookmarkData(defaults.objectForKey(kDownloadDirectoryBookmarkKey).toByteArray());
    const QString stored = pathOfStoredString(defaults.objectForKey(kDownloadDirectoryKey).toString());
    if (stored.isEmpty())
        return downloadsDirectory();
    return stringByExpandingTildeInPath(stored);
}

void setDownloadDirectory(UserDefaults& defaults, const QString& path)
{
    const QString before = downloadDirectory(defaults);
    // A path whose bytes are UTF-8 is kept as itself, with "~"; any other as
    // its file URL, which keeps every byte (and has no "~").
    const QString stored = storedStringOfPath(path);
    defaults.setString(stored == path ? stringByAbbreviatingWithTildeInPath(path) : stored, kDownloadDirectoryKey);
    const QString after = downloadDirectory(defaults);
    if (before == after)
        return;
    const QByteArray bookmark = readWriteBookmarkData(path);
    defaults.setObject(bookmark.isNull() ? QVariant() : QVariant(bookmark), kDownloadDirectoryBookmarkKey);
}

} // namespace sorvant
