#include "system/volume_paths.h"

#include "platform/log.h"
#include "platform/path_semantics.h"
#include "platform/resource_values.h"
#include "platform/volumes.h"
#include "system/standard_folders.h"

#include <QStringList>

#include <array>

namespace sorvant {

namespace {

// A mount folder and how many components lie between it and a volume's
// name: "/media/USER/NAME" has one (the user), "/Volumes/NAME" none.
struct MountFolder {
    const char* prefix;   // with its trailing "/"
    int levels;           // components after the prefix up to the volume
};

constexpr std::array<MountFolder, 5> kMountFolders = {{
    {"/Volumes/", 1},
    {"/media/", 2},
    {"/run/media/", 2},
    {"/mnt/", 1},
    {"/run/user/", 3},   // UID, "gvfs", NAME
}};

bool isGvfsMount(const QString& path)
{
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return parts.size() >= 4 && parts.at(0) == QLatin1String("run") && parts.at(1) == QLatin1String("user")
        && parts.at(3) == QLatin1String("gvfs");
}

// The mount folder a path lies in, or nullptr.
const MountFolder* mountFolderOf(const QString& path)
{
    for (const MountFolder& folder : kMountFolders) {
        if (!path.startsWith(QLatin1String(folder.prefix)))
            continue;
        if (folder.levels == 3)
            return isGvfsMount(path) ? &folder : nullptr;
        return &folder;
    }
    return nullptr;
}

// The volume root of a path in a mount folder: the prefix and `levels`
// further components, or null when the path stops short of them.
QString volumeRootIn(const QString& path, const MountFolder& folder)
{
    const QLatin1String prefix(folder.prefix);
    const QStringList parts = path.mid(prefix.size()).split(QLatin1Char('/'));
    if (parts.size() < folder.levels)
        return {};
    for (int level = 0; level < folder.levels; ++level) {
        if (parts.at(level).isEmpty())
            return {};
    }
    return prefix + parts.mid(0, folder.levels).join(QLatin1Char('/'));
}

bool volumeFlag(const QString& path, QLatin1String key)
{
    return !path.isEmpty() && resourceValueForKey(path, key).toBool();
}

} // namespace

bool isVolumePath(const QString& path)
{
    const MountFolder* folder = mountFolderOf(path);
    return folder && !volumeRootIn(path, *folder).isNull();
}

bool isRootVolumePath(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString trimmed = path.size() > 1 && path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path;
    if (trimmed == QLatin1String("/"))
        return true;
    if (const MountFolder* folder = mountFolderOf(trimmed))
        return volumeRootIn(trimmed, *folder) == trimmed;
    for (const MountPoint& volume : mountedVolumes()) {
        if (volume.path == trimmed)
            return true;
    }
    return false;
}

QString getVolumePath(const QString& path)
{
    const MountFolder* folder = mountFolderOf(path);
    return folder ? volumeRootIn(path, *folder) : QString();
}

bool isInternalVolumePath(const QString& path)
{
    return volumeFlag(path, NSURLVolumeIsInternalKey);
}

bool isLocalVolumePath(const QString& path)
{
    return volumeFlag(path, NSURLVolumeIsLocalKey);
}

bool isRemoteVolumePath(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QVariantMap values = resourceValuesForKeys(path, {NSURLVolumeIsInternalKey, NSURLVolumeIsLocalKey});
    if (values.size() != 2)
        return false;
    return !values.value(NSURLVolumeIsInternalKey).toBool() && !values.value(NSURLVolumeIsLocalKey).toBool();
}

void testRootVolumePath()
{
    QStringList samples = {
        QStringLiteral("/"), QStringLiteral("/Volumes"), QStringLiteral("/Volumes/"),
        QStringLiteral("/Volumes/volume"), QStringLiteral("/Volumes/volume/"), QStringLiteral("/Volumes/volume/dir"),
    };
    for (const QString& base : {QStringLiteral("/media/user"), QStringLiteral("/run/user/1000/gvfs")}) {
        for (const QString& tail : {QString(), QStringLiteral("/volume"), QStringLiteral("/volume/"),
                                    QStringLiteral("/volume/dir")})
            samples.append(base + tail);
    }
    for (const QString& sample : samples)
        logMessage(QStringLiteral("%1: %2").arg(sample).arg(isRootVolumePath(sample) ? 1 : 0));
}

bool isTemporaryPath(const QString& path)
{
    if (path.isEmpty())
        return false;
    if (path.startsWith(QLatin1String("/tmp")) || path.startsWith(QLatin1String("/var/tmp/"))
        || path.startsWith(NSTemporaryDirectory()))
        return true;
    if (path.contains(QLatin1String("/TemporaryItems"))
        && path.startsWith(pathInCachesDirectory(QStringLiteral("TemporaryItems"))))
        return true;
    return path.contains(QLatin1String("/Library/Mail/")) && path.contains(QLatin1String(".mimeattach"))
        && stringByAbbreviatingWithTildeInPath(path).startsWith(QLatin1String("~/Library/Mail/"));
}

} // namespace sorvant
