#include "web/toolkit/storage_paths.h"

#include "foundation/mutable_string_edits.h"
#include "platform/path_semantics.h"
#include "system/file_names.h"
#include "web/url/host_components.h"
#include "web/url/url_cleaning.h"
#include "web/url/url_paths.h"

namespace sorvant {

namespace {

const QString kIndexPage = QStringLiteral("index.html");

QString withDashes(QString text)
{
    return text.replace(QLatin1Char('/'), QLatin1Char('-'));
}

// ";parameters?query", ";parameters" or "?query" with "/" made "-"; empty
// when the URL has neither.
QString parametersAndQuery(const URL& url, bool removeSessionIDs)
{
    const QString parameters = url.parameterString();
    const QString query = url.query();
    QString suffix;
    if (!parameters.isEmpty()) {
        suffix = QLatin1Char(';') + withDashes(parameters);
        if (!query.isEmpty())
            suffix += QLatin1Char('?') + withDashes(query);
    } else if (!query.isEmpty() && !(removeSessionIDs && query == QLatin1String("page=main.php"))) {
        suffix = QLatin1Char('?') + withDashes(query);
    }
    return suffix;
}

QStringList standardizedComponents(QString path, bool caseInsensitive)
{
    if (caseInsensitive)
        lowercase(path);
    return standardizedPathComponents(path);
}

// A host (or any one piece of a URL) as one file name that stays where it is
// put: "/" made "-", and "." or ".." (a host may be either) made dashes.
//   ".." => "--",  "a/../b" => "a-..-b",  "h.org" => "h.org"
QString confinedComponent(QString text)
{
    text.replace(QLatin1Char('/'), QLatin1Char('-'));
    if (text == QLatin1String(".") || text == QLatin1String(".."))
        text.fill(QLatin1Char('-'));
    return text;
}

// `path` standardized as an absolute path, so that its ".." segments stop at
// the root instead of climbing out of the folder it is appended to.
QString rootedStandardizedPath(const QString& path)
{
    return stringByStandardizingPath(path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path);
}

QString joined(const QString& folder, const QStringList& components)
{
    return stringByAppendingPathComponents(folder.isNull() ? QString(QLatin1String("")) : folder, components);
}

} // namespace

QString invertedPathRelativeToDirectory(const URL& url, const QString& folder, bool removeSessionIDs,
                                        const QString& pathExtension, qsizetype maxHostComponents,
                                        qsizetype maxPathComponents, bool caseInsensitive)
{
    if (url.isNull())
        return QString();
    QStringList components;
    if (url.isFileURL()) {
        components = standardizedComponents(url.path(), caseInsensitive);
    } else {
        QString path = fullPath(url);
        QString suffix = parametersAndQuery(url, removeSessionIDs);
        if (removeSessionIDs)
            suffix = stringURLByRemovingSessionIDs(suffix);
        if (!suffix.isEmpty())
            path += suffix;
        for (const QString& component : invertedHostComponents(url, maxHostComponents))
            components.append(confinedComponent(component));
        if (!path.isEmpty()) {
            components += standardizedComponents(path, caseInsensitive);
            if (isBaseDirectory(url) || (suffix.isEmpty() && path.endsWith(QLatin1Char('/'))))
                components.append(kIndexPage);
        } else {
            components.append(kIndexPage);
        }
    }
    components.removeIf([](const QString& c) {
        return c == QLatin1String("/") || c == QLatin1String(".") || c == QLatin1String("..");
    });
    const qsizetype extensionLength = pathExtension.isEmpty() ? 0 : pathExtension.size() + 1;
    if (maxPathComponents != 0 && maxPathComponents != NSNotFound && components.size() > maxPathComponents) {
        const QString rest = components.mid(maxPathComponents - 1).join(QLatin1Char('-'));
        components.erase(components.begin() + (maxPathComponents - 1), components.end());
        components.append(shortenedPathComponent(rest, extensionLength));
    } else if (!components.isEmpty()) {
        components.last() = shortenedPathComponent(components.last(), extensionLength);
    }
    QString result = joined(folder, components);
    if (!pathExtension.isEmpty())
        result += QLatin1Char('.') + pathExtension;
    return result;
}

QString invertedPathRelativeToDirectory(const URL& url, const QString& folder)
{
    return invertedPathRelativeToDirectory(url, folder, true, QString(), NSNotFound, NSNotFound, true);
}

QString invertedPathRelativeToDirectory(const URL& url, const QString& folder, const QString& pathExtension)
{
    return invertedPathRelativeToDirectory(url, folder, true, pathExtension, NSNotFound, NSNotFound, true);
}

QString pathRelativeToDirectory(const URL& url, const QString& folder, bool simplified, bool defaultPathComponent)
{
    if (url.isNull())
        return QString();
    const QString base = folder.isNull() ? QString(QLatin1String("")) : folder;
    if (url.isFileURL())
        return stringByStandardizingPath(stringByAppendingPathComponent(base, rootedStandardizedPath(url.path())));
    const QString path = fullPath(url) + parametersAndQuery(url, false);
    const QString hostFolder = stringByAppendingPathComponent(base, confinedComponent(url.host()));
    if (simplified) {
        const QString name = stringByCreatingFileSystemRepresentation(stringByCreatingFilename(path));
        if (name.isEmpty())
            return stringByAppendingPathComponent(hostFolder, kIndexPage);
        return stringByAppendingPathComponent(hostFolder, confinedComponent(name));
    }
    if (path.isEmpty())
        return stringByStandardizingPath(stringByAppendingPathComponent(hostFolder, kIndexPage));
    // The page's path is standardized on its own, as an absolute path, so
    // that ".." segments stop at the host's folder instead of climbing out
    // of the storage folder.
    QString full = stringByAppendingPathComponent(hostFolder, rootedStandardizedPath(path));
    if (defaultPathComponent && isBaseDirectory(url))
        full = stringByAppendingPathComponent(full, kIndexPage);
    return stringByStandardizingPath(full);
}

} // namespace sorvant
