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

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

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

// What stat says of one item (a missing one is all zero). The change time
// too: an entry written in place within the same second, to the same size,
// changes only that.
struct ItemState
{
    qint64 modifiedSeconds = 0;
    qint64 modifiedNanoseconds = 0;
    qint64 changedSeconds = 0;
    qint64 changedNanoseconds = 0;
    qint64 size = 0;
    quint64 inode = 0;
    bool operator==(const ItemState&) const = default;
};

ItemState stateOfItem(const QByteArray& path)
{
    struct stat info {};
    if (path.isNull() || ::stat(path.constData(), &info) != 0)
        return {};
    return {qint64(info.st_mtim.tv_sec), qint64(info.st_mtim.tv_nsec), qint64(info.st_ctim.tv_sec),
            qint64(info.st_ctim.tv_nsec), qint64(info.st_size), quint64(info.st_ino)};
}

// The items the index is read from, found by one walk: each applications
// folder and everything below it, each mimeapps.list file, and the MIME
// database's caches and packages (which name the canonical types). Looked
// at again by their paths alone: an entry added, removed or renamed changes
// its folder, one written in place changes itself.
struct WatchedItems
{
    QStringList folders;   // applicationsFolders() when walked
    QStringList listFiles; // mimeAppsListFiles() then
    std::vector<QByteArray> paths;
    std::vector<ItemState> states; // taken before the sources were read
};

// The mimeapps.list files, most important first, and every visible entry's
// ID by each type its MimeType= names, in the entries' order; every type
// by its canonical name. Which entries can open an item (TryExec=, a
// terminal) is asked when answering, as programs come and go without a
// change here.
struct AssociationIndex
{
    WatchedItems watched;
    QByteArray state; // applicationAssociationsState()
    QList<Associations> lists;
    QHash<QString, QStringList> entriesByType;

    // Whether every item is as it was when the index was read.
    [[nodiscard]] bool isCurrent() const
    {
        if (watched.folders != applicationsFolders() || watched.listFiles != mimeAppsListFiles())
            return false;
        for (size_t i = 0; i < watched.paths.size(); ++i) {
            if (!(stateOfItem(watched.paths[i]) == watched.states[i]))
                return false;
        }
        return true;
    }
};

// The applications of exactly one type (canonical), without parent types,
// which pass `filter`.
QStringList applicationsForExactType(const QString& type, const AssociationIndex& sources,
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

WatchedItems walkWatchedItems()
{
    WatchedItems items{applicationsFolders(), mimeAppsListFiles(), {}, {}};
    QStringList paths;
    for (const QString& folder : std::as_const(items.folders)) {
        paths.append(folder);
        // Each entry, in the folder and below it ("kde4/viewer.desktop"): an
        // entry edited in place changes no folder. Through symlinked folders
        // as the entries are read (desktop_entries.cpp): the iterator enters
        // each real folder once, so a link back up ends there.
        QDirIterator below(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                           QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (below.hasNext())
            paths.append(below.next());
    }
    paths.append(items.listFiles);
    QStringList dataFolders{xdgBaseFolder(XdgBaseFolder::Data)};
    dataFolders.append(xdgSearchFolders(XdgSearchFolders::Data));
    for (const QString& folder : std::as_const(dataFolders))
        paths << folder + QStringLiteral("/mime/mime.cache") << folder + QStringLiteral("/mime/packages");
    for (const QString& path : std::as_const(paths)) {
        items.paths.push_back(fileSystemRepresentation(path));
        items.states.push_back(stateOfItem(items.paths.back()));
    }
    return items;
}

// The items and their states as bytes: equal bytes, equal sources.
QByteArray summary(const WatchedItems& items)
{
    QByteArray bytes;
    for (size_t i = 0; i < items.paths.size(); ++i) {
        const ItemState& item = items.states[i];
        bytes += items.paths[i] + '=';
        for (const qint64 field : {item.modifiedSeconds, item.modifiedNanoseconds, item.changedSeconds,
                                   item.changedNanoseconds, item.size, qint64(item.inode)})
            bytes += QByteArray::number(field) + ',';
        bytes += ';';
    }
    return bytes;
}

std::atomic<quint64> g_indexReads{0};

std::shared_ptr<const AssociationIndex> readIndex()
{
    g_indexReads.fetch_add(1, std::memory_order_relaxed);
    auto index = std::make_shared<AssociationIndex>();
    // Their states before the sources are read: a change while they are
    // read shows at the next look.
    index->watched = walkWatchedItems();
    index->state = summary(index->watched);
    CanonicalTypes canonical;
    for (const QString& path : std::as_const(index->watched.listFiles))
        index->lists.append(readMimeAppsList(path, canonical));
    for (const DesktopEntry& entry : allDesktopEntries()) {
        for (const QString& type : entry.mimeTypes()) {
            QStringList& ids = index->entriesByType[canonical(type)];
            if (!ids.contains(entry.desktopFileID()))
                ids.append(entry.desktopFileID());
        }
    }
    return index;
}

// The index of the sources as they are: the one read before while every
// item it was read from is as it was (a stat of each), else a new one; the
// one held on this thread while a HeldApplicationAssociations lives.
// Thread-safe; one thread looks or reads at a time, and an index handed
// out stays valid while it is used.
thread_local std::shared_ptr<const AssociationIndex> t_held;

std::shared_ptr<const AssociationIndex> currentIndex()
{
    if (t_held)
        return t_held;
    static std::mutex lock;
    static std::shared_ptr<const AssociationIndex> index;
    const std::lock_guard<std::mutex> guard(lock);
    if (!index || !index->isCurrent())
        index = readIndex();
    return index;
}

} // namespace

QByteArray applicationAssociationsState()
{
    return currentIndex()->state;
}

quint64 applicationAssociationIndexReads()
{
    return g_indexReads.load(std::memory_order_relaxed);
}

HeldApplicationAssociations::HeldApplicationAssociations() : m_previous(t_held)
{
    t_held = currentIndex();
}

HeldApplicationAssociations::~HeldApplicationAssociations()
{
    t_held = std::static_pointer_cast<const AssociationIndex>(m_previous);
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
    const std::shared_ptr<const AssociationIndex> sources = currentIndex();
    CanonicalTypes canonical;
    QStringList paths;
    for (const QString& each : mimeTypeAndAncestors(type)) {
        for (const QString& path : applicationsForExactType(canonical(each), *sources)) {
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
    const std::shared_ptr<const AssociationIndex> sources = currentIndex();
    CanonicalTypes canonical;
    QStringList paths;
    const auto add = [&paths](const QString& path) {
        if (!paths.contains(path))
            paths.append(path);
    };
    for (const QString& written : types) {
        const QString each = canonical(written);
        QSet<QString> removed;
        for (const Associations& list : sources->lists) {
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
        for (const QString& path : applicationsForExactType(each, *sources, filter))
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
