#include "system/open_with.h"

#include "foundation/substring_finding.h"
#include "platform/path_semantics.h"
#include "platform/url.h"
#include "system/bundle.h"
#include "system/desktop_entries.h"
#include "system/file_operations.h"
#include "system/mime_applications.h"
#include "system/volume_paths.h"

#include <QHash>
#include <QSet>

#include <mutex>

namespace sorvant {

namespace {

class MimeApplicationLookup : public ApplicationLookup
{
public:
    QStringList applicationsForURL(const URL& url) override
    {
        return applicationsForMimeType(typeOf(url));
    }
    QString defaultApplicationForURL(const URL& url) override
    {
        return defaultApplicationForMimeType(typeOf(url));
    }

private:
    static QString typeOf(const URL& url)
    {
        // The dummy files of applicationsForPathExtensions are empty; their
        // name is what counts.
        if (url.isFileURL() && lastPathComponent(url.path()).startsWith(QLatin1String("_dummy_.")))
            return mimeTypeForFileName(url.path());
        return mimeTypeForURL(url);
    }
};

// The remembered answers of the path-based pair, and the lookup in force.
// The Open With menu calls from the main thread; the lock keeps a call from
// another thread from tearing them.
struct Memory
{
    std::mutex mutex;
    ApplicationLookup* lookup = nullptr;
    // What the answers were read from (applicationAssociationsState): an
    // applications folder made or changed since forgets them.
    QByteArray associations;
    bool haveApplications = false;
    QStringList applicationsPaths;
    QStringList applicationsAnswer;
    bool haveDefault = false;
    QStringList defaultPaths;
    QString defaultAnswer;
};

Memory& memory()
{
    static Memory instance;
    return instance;
}

// Forgets the remembered answers when the applications folders or the
// mimeapps.list files changed since they were remembered.
void forgetAnswersOfChangedAssociations(Memory& m)
{
    QByteArray state = applicationAssociationsState();
    std::lock_guard lock(m.mutex);
    if (state == m.associations)
        return;
    m.associations = std::move(state);
    m.haveApplications = m.haveDefault = false;
}

ApplicationLookup& lookup()
{
    static MimeApplicationLookup standard;
    Memory& m = memory();
    std::lock_guard lock(m.mutex);
    return m.lookup ? *m.lookup : standard;
}

// The kinds of files already asked about in one walk. A file's signature
// is its extension; a file without one is always asked about. Any file of
// a kind seen before is skipped, not only one that follows a file of its
// kind: a selection sorted by name mixes kinds.
class SeenKinds
{
public:
    explicit SeenKinds(const QString& first) { add(first); }
    [[nodiscard]] bool contains(const QString& path) const
    {
        const QString extension = pathExtension(path);
        return !extension.isEmpty() && m_extensions.contains(extension);
    }
    void add(const QString& path)
    {
        const QString extension = pathExtension(path);
        if (!extension.isEmpty())
            m_extensions.insert(extension);
    }

private:
    QSet<QString> m_extensions;
};

void intersect(QStringList& list, const QStringList& other)
{
    for (qsizetype i = list.size() - 1; i >= 0; --i) {
        if (!other.contains(list.at(i)))
            list.removeAt(i);
    }
}

QString applicationDisplayName(const QString& path)
{
    if (path.isEmpty())
        return {};
    const DesktopEntry entry = DesktopEntry::fromFile(path, desktopFileIDOfPath(path));
    QString name = entry.name();
    if (name.isEmpty())
        name = stringByDeletingPathExtension(lastPathComponent(path));
    if (name.compare(QLatin1String("Tamsett Pro"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Tamsett");
    return name;
}

} // namespace

ApplicationLookup* setApplicationLookup(ApplicationLookup* replacement)
{
    Memory& m = memory();
    std::lock_guard lock(m.mutex);
    std::swap(m.lookup, replacement);
    m.haveApplications = m.haveDefault = false;
    return replacement;
}

void forgetApplicationAnswers()
{
    Memory& m = memory();
    std::lock_guard lock(m.mutex);
    m.haveApplications = m.haveDefault = false;
}

QStringList uniqueApplicationPaths(const QStringList& paths)
{
    QStringList kept;
    QHash<QString, qsizetype> byName;
    for (const QString& path : paths) {
        if (path.isEmpty())
            continue;
        const QString name = lastPathComponent(path);
        const auto found = byName.constFind(name);
        if (found == byName.constEnd()) {
            byName.insert(name, kept.size());
            kept.append(path);
        } else if (isVolumePath(kept.at(*found)) && !isVolumePath(path)) {
            kept[*found] = path;
        }
    }
    return kept;
}

QStringList applicationsForURL(const URL& url)
{
    return url.isNull() ? QStringList() : uniqueApplicationPaths(lookup().applicationsForURL(url));
}

QStringList applicationsForURLs(const QList<URL>& urls)
{
    if (urls.isEmpty())
        return {};
    const HeldApplicationAssociations held;
    QStringList list = lookup().applicationsForURL(urls.first());
    for (qsizetype i = 1; i < urls.size() && !list.isEmpty(); ++i) {
        const QStringList more = lookup().applicationsForURL(urls.at(i));
        if (more.isEmpty())
            list.clear();
        else
            intersect(list, more);
    }
    return uniqueApplicationPaths(list);
}

QStringList applicationsForPaths(const QStringList& paths)
{
    if (paths.isEmpty())
        return {};
    // One look at the sources for the whole selection.
    const HeldApplicationAssociations held;
    Memory& m = memory();
    forgetAnswersOfChangedAssociations(m);
    {
        std::lock_guard lock(m.mutex);
        if (m.haveApplications && m.applicationsPaths == paths)
            return m.applicationsAnswer;
    }
    QStringList list = lookup().applicationsForURL(URL::fileURLWithPath(paths.first()));
    SeenKinds seen(paths.first());
    // With the extension as the whole signature, small and large selections
    // take the same walk.
    for (qsizetype i = 1; i < paths.size() && !list.isEmpty(); ++i) {
        if (seen.contains(paths.at(i)))
            continue;
        const QStringList more = lookup().applicationsForURL(URL::fileURLWithPath(paths.at(i)));
        if (more.isEmpty())
            list.clear();
        else
            intersect(list, more);
        seen.add(paths.at(i));
    }
    const QStringList answer = uniqueApplicationPaths(list);
    std::lock_guard lock(m.mutex);
    m.haveApplications = true;
    m.applicationsPaths = paths;
    m.applicationsAnswer = answer;
    return answer;
}

QStringList applicationsForPathExtensions(const QStringList& extensions)
{
    if (extensions.isEmpty())
        return {};
    const HeldApplicationAssociations held;
    const QString folder = Bundle::mainBundle().temporaryDirectoryNamed(
        QStringLiteral(".applicationsForPathExtensions.noindex"));
    if (folder.isNull())
        return {};
    QStringList list;
    bool first = true;
    for (const QString& extension : extensions) {
        const QString dummy = QStringLiteral("%1/_dummy_.%2").arg(folder, extension);
        const URL url = URL::fileURLWithPath(dummy);
        if (extension.contains(u'/') || !createFile(dummy) || url.isNull())
            return {};
        const QStringList more = lookup().applicationsForURL(url);
        if (more.isEmpty())
            return {};
        if (first)
            list = more;
        else
            intersect(list, more);
        first = false;
    }
    return uniqueApplicationPaths(list);
}

QString defaultApplicationForPath(const QString& path)
{
    return path.isEmpty() ? QString() : lookup().defaultApplicationForURL(URL::fileURLWithPath(path));
}

QString defaultApplicationForPaths(const QStringList& paths)
{
    if (paths.isEmpty())
        return {};
    // One look at the sources for the whole selection.
    const HeldApplicationAssociations held;
    Memory& m = memory();
    forgetAnswersOfChangedAssociations(m);
    {
        std::lock_guard lock(m.mutex);
        if (m.haveDefault && m.defaultPaths == paths)
            return m.defaultAnswer;
    }
    const QString first = lookup().defaultApplicationForURL(URL::fileURLWithPath(paths.first()));
    if (first.isNull())
        return {};
    QString answer = first;
    SeenKinds seen(paths.first());
    for (qsizetype i = 1; i < paths.size(); ++i) {
        if (seen.contains(paths.at(i)))
            continue;
        if (lookup().defaultApplicationForURL(URL::fileURLWithPath(paths.at(i))) != first) {
            answer = QString();
            break;
        }
        seen.add(paths.at(i));
    }
    std::lock_guard lock(m.mutex);
    m.haveDefault = true;
    m.defaultPaths = paths;
    m.defaultAnswer = answer;
    return answer;
}

QString defaultApplicationForURL(const URL& url)
{
    return url.isNull() ? QString() : lookup().defaultApplicationForURL(url);
}

QString defaultApplicationNameForURL(const URL& url)
{
    const QString path = defaultApplicationForURL(url);
    return path.isNull() ? QString() : lastPathComponent(path);
}

QString defaultApplicationPathForURLs(const QList<URL>& urls)
{
    if (urls.isEmpty())
        return {};
    const HeldApplicationAssociations held;
    const QString first = defaultApplicationForURL(urls.first());
    if (first.isNull())
        return {};
    for (qsizetype i = 1; i < urls.size(); ++i) {
        if (defaultApplicationForURL(urls.at(i)) != first)
            return {};
    }
    return first;
}

bool defaultApplicationNameForURLIsEqualTo(const URL& url, const QString& name)
{
    const QString found = defaultApplicationNameForURL(url);
    return !found.isEmpty() && !name.isEmpty() && containsSubstring(found, name);
}

QString displayApplicationNameForURL(const URL& url)
{
    return applicationDisplayName(defaultApplicationForURL(url));
}

QString displayApplicationNameForURLs(const QList<URL>& urls)
{
    return applicationDisplayName(defaultApplicationPathForURLs(urls));
}

} // namespace sorvant
