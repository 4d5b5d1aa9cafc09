#include "web/toolkit/storage_paths.h"

#include "foundation/mutable_string_edits.h"
#include "platform/path_semantics.h"
#include "platform/scan_work.h"
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

// The components of a storage path kept as one text joined with "/" (none
// of them holds one): a host or path of many short components costs a
// unit or two a component, not a string and a list entry.
class StorageComponents
{
public:
    // Appends a component; "/", "." and ".." go nowhere and are dropped.
    void append(QStringView component)
    {
        if (component == QLatin1String("/") || component == QLatin1String(".") || component == QLatin1String(".."))
            return;
        if (m_count > 0)
            m_text += QLatin1Char('/');
        m_lastStart = m_text.size();
        m_text += component;
        ++m_count;
    }
    // With more than `maximum` components (0 and NSNotFound: no maximum),
    // those from `maximum` on are joined with "-" into one; the last is
    // then kept within the file name length with room for the extension.
    void limit(qsizetype maximum, qsizetype extensionLength)
    {
        if (m_count == 0)
            return;
        countScanWork(m_text.size());
        if (maximum != 0 && maximum != NSNotFound && m_count > maximum) {
            qsizetype start = 0;
            for (qsizetype slashes = 0; slashes < maximum - 1; ++slashes)
                start = m_text.indexOf(QLatin1Char('/'), start) + 1;
            QString rest = m_text.mid(start);
            rest.replace(QLatin1Char('/'), QLatin1Char('-'));
            m_text.truncate(start > 0 ? start - 1 : 0);
            m_count = maximum - 1;
            append(shortenedPathComponent(rest, extensionLength));
            return;
        }
        const QString last = shortenedPathComponent(m_text.mid(m_lastStart), extensionLength);
        m_text.replace(m_lastStart, m_text.size() - m_lastStart, last);
    }
    // `folder` with the components appended as stringByAppendingPathComponents does.
    [[nodiscard]] QString appendedTo(const QString& folder) const
    {
        const QString base = folder.isNull() ? QString(QLatin1String("")) : folder;
        return m_count == 0 ? base : stringByAppendingPathComponents(base, QStringList{m_text});
    }

private:
    QString m_text;
    qsizetype m_count = 0;
    qsizetype m_lastStart = 0;
};

} // namespace

QString invertedPathRelativeToDirectory(const URL& url, const QString& folder, bool removeSessionIDs,
                                        const QString& pathExtension, qsizetype maxHostComponents,
                                        qsizetype maxPathComponents, bool caseInsensitive)
{
    if (url.isNull())
        return QString();
    StorageComponents components;
    if (url.isFileURL()) {
        for (const QString& component : standardizedComponents(url.path(), caseInsensitive))
            components.append(component);
    } else {
        QString path = fullPath(url);
        QString suffix = parametersAndQuery(url, removeSessionIDs);
        if (removeSessionIDs)
            suffix = stringURLByRemovingSessionIDs(suffix);
        if (!suffix.isEmpty())
            path += suffix;
        forEachInvertedHostComponent(url.host(), maxHostComponents, [&](QStringView component) {
            components.append(confinedComponent(component.toString()));
        });
        if (!path.isEmpty()) {
            for (const QString& component : standardizedComponents(path, caseInsensitive))
                components.append(component);
            if (isBaseDirectory(url) || (suffix.isEmpty() && path.endsWith(QLatin1Char('/'))))
                components.append(kIndexPage);
        } else {
            components.append(kIndexPage);
        }
    }
    components.limit(maxPathComponents, pathExtension.isEmpty() ? 0 : pathExtension.size() + 1);
    QString result = components.appendedTo(folder);
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
