#include "app/resource_check.h"

#include "interface/strings_file.h"
#include "interface/window_extensions.h"
#include "system/bundle.h"
#include "system/image_file_info.h"

#include <QDir>
#include <QFileInfo>

namespace sorvant {

namespace {

// The file tests here run on the main thread of a program without a window
// or an event loop (`--check-resources`): no interface thread waits on them.
QString existing(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile() ? path : QString();
}

// The page of the search options in the localization's help book: the book
// is named by its InfoPlist table, else by Info.plist.
QString helpPage(const Bundle& bundle, const QString& localization)
{
    const QString folder = bundle.resourcePath() + u'/' + localization + QLatin1String(".lproj");
    const QString key = QStringLiteral("CFBundleHelpBookName");
    QString book = readStringsFile(folder + QStringLiteral("/InfoPlist.strings")).value_or(StringsTable()).value(key);
    if (book.isEmpty())
        book = bundle.infoDictionary().value(key).toString();
    if (book.isEmpty())
        return {};
    for (const QString& root : helpBookSearchPaths()) {
        const QString page = existing(QDir(root).filePath(book + QStringLiteral("/usage-options.html")));
        if (!page.isNull())
            return QDir::cleanPath(page);
    }
    return {};
}

} // namespace

QList<ResourceCheckLine> checkResources(const Bundle& bundle)
{
    QList<ResourceCheckLine> lines;
    const QString resources = bundle.resourcePath();
    lines.append({QStringLiteral("resources"), resources.isEmpty() || !QFileInfo(resources).isDir() ? QString()
                                                                                                   : resources});
    QStringList localizations = bundleLocalizations(bundle);
    if (localizations.isEmpty())
        localizations.append(QStringLiteral("en"));
    for (const QString& localization : localizations) {
        lines.append({QStringLiteral("strings ") + localization,
                      existing(resources + u'/' + localization + QLatin1String(".lproj/Localizable.strings"))});
        lines.append({QStringLiteral("help ") + localization, helpPage(bundle, localization)});
    }
    const QString script = bundle.pathForResource(QStringLiteral("Default"), QString(), QStringLiteral("Mail Scripts"));
    lines.append({QStringLiteral("mail script"),
                  !script.isEmpty() && QFileInfo(script).isExecutable() ? script : QString()});
    lines.append({QStringLiteral("pdf reader"), pdfReaderModulePath()});
    lines.append({QStringLiteral("image reader"), imageReaderModulePath()});
    return lines;
}

QString resourceCheckReport(const QList<ResourceCheckLine>& lines)
{
    QString report;
    for (const ResourceCheckLine& line : lines)
        report += line.what + QStringLiteral(": ") + (line.path.isNull() ? QStringLiteral("MISSING") : line.path)
                  + u'\n';
    return report;
}

} // namespace sorvant
