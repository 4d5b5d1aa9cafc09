#include "app/destinations.h"

#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"
#include "platform/volumes.h"
#include "platform/xdg_folders.h"
#include "search/catalog_search.h"
#include "search/search_engine.h"
#include "search/search_params.h"
#include "system/cloud_folders.h"
#include "system/file_tests.h"
#include "system/link_resolution.h"
#include "system/standard_folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QUrl>

#include <algorithm>

namespace sorvant {

namespace {

// The folders of the root that hold the system, not the user's files
// (besides the engine's own list of hidden system folders).
bool isLinuxSystemFolderName(const QString& name)
{
    static const QStringList names = {"bin",  "boot", "dev",        "etc",  "lib",  "lib32", "lib64", "libx32",
                                      "lost+found", "proc", "root", "run", "sbin", "snap", "sys", "tmp", "usr", "var"};
    return names.contains(name);
}

} // namespace

bool isDestinationVolumePath(const QString& path)
{
    if (path == u"/")
        return true;
    const QStringList parts = path.split(u'/');
    // "" "media" "NAME" or "" "media" "USER" "NAME" (and /mnt, /run/media).
    if (parts.size() < 3 || !parts.first().isEmpty() || parts.mid(1).contains(QString()))
        return false;
    if (parts.at(1) == u"mnt")
        return parts.size() == 3;
    if (parts.at(1) == u"media")
        return parts.size() == 3 || parts.size() == 4;
    return parts.size() == 5 && parts.at(1) == u"run" && parts.at(2) == u"media";
}

QStringList offeredVolumes(const QStringList& paths)
{
    QStringList volumes;
    for (const QString& path : paths) {
        if (isDestinationVolumePath(path) && !volumes.contains(path))
            volumes.append(path);
    }
    return volumes;
}

QStringList offeredSubfolders(const QString& folder)
{
    const QString expanded = stringByExpandingTildeInPath(folder);
    QStringList names = QDir(expanded).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    std::sort(names.begin(), names.end());
    const bool volumeRoot = isDestinationVolumePath(expanded);
    QStringList folders;
    for (const QString& name : names) {
        const QString path = stringByAppendingPathComponent(expanded, name);
        const std::uint32_t flags = getFlagsAtPath(path);
        if ((flags & kLSItemInfoIsInvisible) || name.isEmpty() || name.startsWith(u'.'))
            continue;
        if (volumeRoot && (searchWindowIsSystemFolderName(name) || (expanded == u"/" && isLinuxSystemFolderName(name))))
            continue;
        const bool container = flags & kLSItemInfoIsContainer;
        if ((container && !(flags & kLSItemInfoIsPackage)) || (!container && (flags & kLSItemInfoIsSymlink)))
            folders.append(path);
    }
    return folders;
}

QStringList bookmarkedFolders()
{
    QFile file(xdgBaseFolder(XdgBaseFolder::Config) + QStringLiteral("/gtk-3.0/bookmarks"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList folders;
    for (const QByteArray& line : file.readAll().split('\n')) {
        // The address ends at the first space; a label may follow.
        const QUrl url = QUrl::fromEncoded(line.trimmed().split(' ').constFirst());
        const QString folder = pathOfFileURL(url);
        if (!folder.isEmpty() && isDirectoryAtPath(folder) && !folders.contains(folder))
            folders.append(folder);
    }
    return folders;
}

QList<DestinationEntry> scanDestinations(const QString& supportFolder)
{
    QList<DestinationEntry> entries;
    const auto separator = [&entries] { entries.append(DestinationEntry()); };
    const auto add = [&entries](const QString& path, bool indent) { entries.append(DestinationEntry{path, indent}); };
    // A group of sub-folders, after a separator when it has any.
    const auto addSubfolders = [&](const QString& folder, bool separated, bool indent) {
        const QStringList folders = offeredSubfolders(folder);
        if (separated && !folders.isEmpty())
            separator();
        for (const QString& path : folders)
            add(path, indent);
    };
    separator();
    for (const QString& volume : offeredVolumes(mountedLocalVolumePaths() + mountedRemovableMediaPaths()))
        add(volume, false);
    separator();
    if (isDirectoryAtPath(iCloudFolder()))
        add(iCloudFolder(), false);
    addSubfolders(supportFolder, true, false);
    addSubfolders(QStringLiteral("/"), true, false);
    separator();
    add(QDir::homePath(), false);
    addSubfolders(userHomeDirectory(), false, true);
    // The file managers' bookmarks stand for the favourite places.
    const QStringList favorites = bookmarkedFolders();
    if (!favorites.isEmpty())
        separator();
    for (const QString& folder : favorites)
        add(folder, false);
    const QString desktop = standardFolderPath(StandardFolder::Desktop, QDir::homePath());
    if (desktop != QDir::homePath())
        addSubfolders(desktop, true, false);
    return entries;
}

QString pseudoDestinationTitle(const QString& destination)
{
    if (destination == QStringView(kActiveDestination))
        return QCoreApplication::translate("SearchWindow", "Active file manager window");
    if (destination == QStringView(kAllVolumesDestination))
        return QCoreApplication::translate("SearchWindow", "All Volumes");
    if (destination == QStringView(kLocalVolumesDestination))
        return QCoreApplication::translate("SearchWindow", "Local Volumes");
    if (destination == QStringView(kRemovableVolumesDestination))
        return QCoreApplication::translate("SearchWindow", "Removable Volumes");
    return {};
}

QString destinationDisplayName(const QString& path)
{
    const QString expanded = stringByExpandingTildeInPath(path);
    if (expanded == u"/")
        return QStringLiteral("/");
    return lastPathComponent(expanded);
}

QString validatedDestination(const QString& path)
{
    if (path.isNull())
        return {};
    if (!pseudoDestinationTitle(path).isNull())
        return path;
    const QString resolved = stringByResolvingLinkOfPath(stringByExpandingTildeInPath(path));
    const std::uint32_t flags = getFlagsAtPath(resolved);
    if ((flags & kLSItemInfoIsContainer) && !(flags & kLSItemInfoIsPackage))
        return resolved;
    return {};
}

TestedDestination testedDestination(const QString& path)
{
    TestedDestination tested{validatedDestination(path), {}};
    if (tested.path.isNull()) {
        tested.failure = missingDestinationFailure(stringByExpandingTildeInPath(path));
    } else if (tested.path.startsWith(u'/')) {
        const QString type = volumeForPath(tested.path).fileSystemType;
        if (!type.isEmpty() && isKernelFileSystemType(type)) {
            tested.failure = kernelFileSystemFailure(tested.path, type);
            tested.path = QString();
        }
    }
    return tested;
}

} // namespace sorvant
