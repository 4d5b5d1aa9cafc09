#include "system/mime_applications.h"

#include "platform/file_system_representation.h"
#include "platform/mime_database.h"
#include "platform/path_semantics.h"
#include "platform/url.h"
#include "platform/xdg_folders.h"
#include "system/desktop_entries.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>

namespace sorvant {

namespace {

// The desktops named by XDG_CURRENT_DESKTOP, lower-cased as the file names
// use them.
QStringList currentDesktops()
{
    QStringList desktops;
    for (const QString& desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts))
        desktops.append(desktop.toLower());
    return desktops;
}

// Every type the lists and entries name, by the name the MIME database
// gives it: an entry or a list line written under an alias ("text/xml")
// counts for the type it stands for ("application/xml"). Each name is
// looked up once per answer, as many entries name the same types.
class CanonicalTypes
{
public:
    const QString& operator()(const QString& type)
    {
        auto known = m_names.constFind(type);
        if (known == m_names.constEnd())
            known = m_names.insert(type, canonicalMimeTypeName(type));
        return *known;
    }

private:
    QHash<QString, QString> m_names;
};

struct Associations
{
    QHash<QString, QStringList> defaults;
    QHash<QString, QStringList> added;
    QHash<QString, QStringList> removed;
};

Associations readMimeAppsList(const QString& path, CanonicalTypes& canonical)
{
    Associations result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    QHash<QString, QStringList>* section = nullptr;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            if (line == QLatin1String("[Default Applications]"))
                section = &result.defaults;
            else if (line == QLatin1String("[Added Associations]"))
                section = &result.added;
            else if (line == QLatin1String("[Removed Associations]"))
                section = &result.removed;
            else
                section = nullptr;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!section || equals <= 0)
            continue;
        QStringList ids;
        for (const QString& id : line.mid(equals + 1).split(u';', Qt::SkipEmptyParts))
            ids.append(id.trimmed());
        (*section)[canonical(line.left(equals).trimmed())].append(ids);
    }
    return result;
}

// Which entries a list of applications takes. An association may name any
// entry: only an application whose program is there (TryExec=) can open an
// item; a Type=Link entry cannot.
using EntryFilter = bool (*)(const DesktopEntry&);

bool canRun(const DesktopEntry& entry)
{
    return canLaunchDesktopEntry(entry);
}

// Installed applications, whether or not a terminal they need is there.
bool isInstalledApplication(const DesktopEntry& entry)
{
    return !entry.isNull() && entry.isApplication() && entry.isInstalled();
}

// What an answer reads: the mimeapps.list files, most important first, and
// the entries that pass a filter with, for each type, the IDs of those
// whose MimeType= names it, in the entries' order. Every type by its
// canonical name.
struct AssociationSources
{
    CanonicalTypes canonical;
    QList<Associations> lists;
    QHash<QString, QStringList> entriesByType;

    explicit AssociationSources(EntryFilter filter)
    {
        for (const QString& path : mimeAppsListFiles())
            lists.append(readMimeAppsList(path, canonical));
        for (const DesktopEntry& entry : allDesktopEntries()) {
            if (!filter(entry))
                continue;
            for (const QString& type : entry.mimeTypes()) {
                QStringList& ids = entriesByType[canonical(type)];
                if (!ids.contains(entry.desktopFileID()))
                    ids.append(entry.desktopFileID());
            }
        }
    }
};

// The applications of exactly one type (canonical), without parent types,
// which pass `filter`.
QStringList applicationsForExactType(const QString& type, const AssociationSources& sources,
                                     EntryFilter filter = canRun)
{
    QStringList ids;
    QSet<QString> removed;
    for (const Associations& list : sources.lists) {
        for (const QString& id : list.added.value(type)) {
            if (!removed.contains(id) && !ids.contains(id))
                ids.append(id);
        }
        for (const QString& id : list.removed.value(type))
            removed.insert(id);
    }
    for (const QString& id : sources.entriesByType.value(type)) {
        if (!removed.contains(id) && !ids.contains(id))
            ids.append(id);
    }
    QStringList paths;
    for (const QString& id : ids) {
        const QString path = desktopEntryPathForID(id);
        if (!path.isNull() && !paths.contains(path) && filter(DesktopEntry::fromFile(path, id)))
            paths.append(path);
    }
    return paths;
}

} // namespace

QStringList mimeAppsListFiles()
{
    const QStringList dataDirs = xdgSearchFolders(XdgSearchFolders::Data);
    QStringList folders;
    folders << xdgBaseFolder(XdgBaseFolder::Config);
    folders << xdgSearchFolders(XdgSearchFolders::Config);
    folders << xdgBaseFolder(XdgBaseFolder::Data) + QStringLiteral("/applications");
    for (const QString& dir : dataDirs)
        folders << dir + QStringLiteral("/applications");
    const QStringList desktops = currentDesktops();
    QStringList files;
    for (const QString& folder : folders) {
        for (const QString& desktop : desktops)
            files << folder + u'/' + desktop + QStringLiteral("-mimeapps.list");
        files << folder + QStringLiteral("/mimeapps.list");
    }
    // The older name still used by distributions' system defaults.
    for (const QString& dir : dataDirs)
        files << dir + QStringLiteral("/applications/defaults.list");
    files.removeDuplicates();
    return files;
}

namespace {

// One file's or folder's part of the summary: "-" when it is missing. The
// change time too: an entry written in place within the same second, to
// the same size, changes only that.
void appendFileState(QByteArray& state, const QString& path)
{
    struct stat info {};
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isNull() || ::stat(bytes.constData(), &info) != 0) {
        state += "-;";
        return;
    }
    state += QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.' + QByteArray::number(qint64(info.st_mtim.tv_nsec))
             + ',' + QByteArray::number(qint64(info.st_size)) + ',' + QByteArray::number(quint64(info.st_ino)) + ','
             + QByteArray::number(qint64(info.st_ctim.tv_sec)) + '.' + QByteArray::number(qint64(info.st_ctim.tv_nsec))
             + ';';
}

} // namespace

QByteArray applicationAssociationsState()
{
    QByteArray state;
    for (const QString& folder : applicationsFolders()) {
        appendFileState(state, folder);
        // Each entry, in the folder and below it ("kde4/viewer.desktop"): an
        // entry edited in place changes no folder.
        QDirIterator below(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (below.hasNext()) {
            const QString path = below.next();
            state += fileSystemRepresentation(path) + '=';
            appendFileState(state, path);
        }
        state += '|';
    }
    for (const QString& list : mimeAppsListFiles())
        appendFileState(state, list);
    return state;
}

QString mimeTypeForPath(const QString& path)
{
    if (path.isEmpty())
        return {};
    // By the path's bytes: QFileInfo would encode a byte that is not UTF-8
    // as U+FFFD and look at another (missing) file. A missing item is typed
    // by its name.
    const QByteArray bytes = fileSystemRepresentation(path);
    struct stat info {};
    if (bytes.isNull() || ::stat(bytes.constData(), &info) != 0)
        return mimeTypeForFileName(path);
    return mimeTypeOfFile(path);
}

QString mimeTypeForFileName(const QString& name)
{
    return mimeTypeOfFileName(lastPathComponent(name));
}

QString mimeTypeForURL(const URL& url)
{
    if (url.isNull())
        return {};
    if (url.isFileURL())
        return mimeTypeForPath(url.path());
    const QString scheme = url.scheme().toLower();
    return scheme.isEmpty() ? QString() : QStringLiteral("x-scheme-handler/") + scheme;
}

QStringList mimeTypeAndAncestors(const QString& type)
{
    if (type.isEmpty())
        return {};
    // An unknown type stands alone, as it has no parents to inherit from.
    if (!isKnownMimeType(type))
        return {type};
    QStringList types{canonicalMimeTypeName(type)};
    for (const QString& ancestor : mimeTypeAncestors(type)) {
        if (!types.contains(ancestor))
            types.append(ancestor);
    }
    if (!types.contains(type))
        types.insert(1, type); // an alias keeps its own associations too
    return types;
}

QStringList applicationsForMimeType(const QString& type)
{
    if (type.isEmpty())
        return {};
    AssociationSources sources(canRun);
    QStringList paths;
    for (const QString& each : mimeTypeAndAncestors(type)) {
        for (const QString& path : applicationsForExactType(sources.canonical(each), sources)) {
            if (!paths.contains(path))
                paths.append(path);
        }
    }
    return paths;
}

namespace {

// The defaults, then the other applications, of each of `types` in turn,
// that pass `filter`.
QStringList defaultApplicationsForTypes(const QStringList& types, EntryFilter filter = canRun)
{
    AssociationSources sources(filter);
    QStringList paths;
    const auto add = [&paths](const QString& path) {
        if (!paths.contains(path))
            paths.append(path);
    };
    for (const QString& written : types) {
        const QString each = sources.canonical(written);
        QSet<QString> removed;
        for (const Associations& list : sources.lists) {
            for (const QString& id : list.removed.value(each))
                removed.insert(id);
            for (const QString& id : list.defaults.value(each)) {
                if (removed.contains(id))
                    continue;
                const QString path = desktopEntryPathForID(id);
                if (!path.isNull() && filter(DesktopEntry::fromFile(path, id)))
                    add(path);
            }
        }
        for (const QString& path : applicationsForExactType(each, sources, filter))
            add(path);
    }
    return paths;
}

} // namespace

QStringList defaultApplicationsForMimeType(const QString& type)
{
    return type.isEmpty() ? QStringList() : defaultApplicationsForTypes(mimeTypeAndAncestors(type));
}

QStringList defaultApplicationsForMimeTypeOnly(const QString& type)
{
    return type.isEmpty() ? QStringList() : defaultApplicationsForTypes({type});
}

QString defaultApplicationNeedingTerminal(const QString& type)
{
    if (type.isEmpty())
        return {};
    // Opening's order, with the applications that lack only a terminal: a
    // default from mimeapps.list or from the entries' own MimeType= lines.
    const QStringList installed = defaultApplicationsForTypes(mimeTypeAndAncestors(type), isInstalledApplication);
    if (installed.isEmpty())
        return {};
    const DesktopEntry first = DesktopEntry::fromFile(installed.constFirst());
    return canLaunchDesktopEntry(first) || !first.terminal() ? QString() : first.name();
}

QString defaultApplicationForMimeType(const QString& type)
{
    const QStringList paths = defaultApplicationsForMimeType(type);
    return paths.isEmpty() ? QString() : paths.first();
}

} // namespace sorvant
