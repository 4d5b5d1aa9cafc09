#include "platform/resource_values.h"

#include "platform/file_system_representation.h"
#include "platform/package_extensions.h"
#include "platform/path_semantics.h"
#include "platform/volumes.h"
#include "platform/xattr.h"

#include <QDateTime>
#include <QFile>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {

namespace {

constexpr unsigned kStatxMask = STATX_BASIC_STATS | STATX_BTIME;

// One read of an item, shared by all keys asked in one call.
struct Item {
    QString path;
    QByteArray bytes;
    struct statx status {};
    bool haveVolume = false;
    MountPoint volume;

    const MountPoint& mount()
    {
        if (!haveVolume) {
            volume = volumeForPath(path);
            haveVolume = true;
        }
        return volume;
    }
    bool isDirectory() const { return S_ISDIR(status.stx_mode); }
};

QDateTime dateOf(const struct statx_timestamp& stamp)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(stamp.tv_sec) * 1000 + stamp.tv_nsec / 1000000, Qt::UTC);
}

QVariant fileValue(Item& item, QAnyStringView key)
{
    if (key == NSURLNameKey)
        return lastPathComponent(item.path);
    if (key == NSURLIsRegularFileKey)
        return S_ISREG(item.status.stx_mode);
    if (key == NSURLIsDirectoryKey)
        return item.isDirectory();
    if (key == NSURLIsSymbolicLinkKey)
        return S_ISLNK(item.status.stx_mode);
    if (key == NSURLIsVolumeKey)
        return item.isDirectory() && isMountPointPath(item.path);
    if (key == NSURLIsPackageKey)
        return item.isDirectory() && hasBundleExtension(item.path);
    if (key == NSURLIsApplicationKey)
        return item.isDirectory() && hasApplicationExtension(item.path);
    if (key == NSURLIsHiddenKey)
        return isInvisiblePath(item.path);
    if (key == NSURLIsAliasFileKey)
        return false;
    if (key == NSURLIsUserImmutableKey)
        return (item.status.stx_attributes & STATX_ATTR_IMMUTABLE) != 0;
    if (key == NSURLLabelNumberKey)
        return 0;
    return {};
}

QVariant dateOrSizeValue(Item& item, QAnyStringView key)
{
    const struct statx& s = item.status;
    if (key == NSURLCreationDateKey)
        return (s.stx_mask & STATX_BTIME) ? QVariant(dateOf(s.stx_btime)) : QVariant();
    if (key == NSURLContentModificationDateKey)
        return dateOf(s.stx_mtime);
    if (key == NSURLAttributeModificationDateKey)
        return dateOf(s.stx_ctime);
    if (key == NSURLContentAccessDateKey)
        return dateOf(s.stx_atime);
    if (key == NSURLFileSizeKey || key == NSURLTotalFileSizeKey)
        return item.isDirectory() ? QVariant() : QVariant(qulonglong(s.stx_size));
    if (key == NSURLFileAllocatedSizeKey)
        return qulonglong(s.stx_blocks) * 512;
    return {};
}

QVariant attributeOrVolumeValue(Item& item, QAnyStringView key)
{
    if (key == NSURLTagNamesKey) {
        const QStringList tags = tagNamesAtPath(item.path);
        return tags.isEmpty() ? QVariant() : QVariant(tags);
    }
    if (key == NSURLVolumeNameKey || key == NSURLVolumeLocalizedNameKey)
        return volumeName(item.mount());
    if (key == NSURLVolumePathKey)
        return item.mount().path;
    if (key == NSURLVolumeIsLocalKey)
        return !isRemoteFileSystemType(item.mount().fileSystemType);
    if (key == NSURLVolumeIsRemovableKey)
        return isRemovableMount(item.mount());
    if (key == NSURLVolumeIsInternalKey)
        return !isRemoteFileSystemType(item.mount().fileSystemType) && !isRemovableMount(item.mount());
    if (key == NSURLVolumeAvailableCapacityKey) {
        std::uint64_t bytes = 0;
        return freeSpaceAtPath(item.path, &bytes) ? QVariant(qulonglong(bytes)) : QVariant();
    }
    return {};
}

QVariant valueOf(Item& item, QAnyStringView key)
{
    QVariant value = fileValue(item, key);
    if (!value.isValid())
        value = dateOrSizeValue(item, key);
    if (!value.isValid())
        value = attributeOrVolumeValue(item, key);
    return value;
}

bool readItem(const QString& path, Item& item, FileError* error)
{
    item.path = path;
    item.bytes = fileSystemRepresentation(path);
    if (item.bytes.isEmpty()) {
        setError(error, EINVAL, path, QStringLiteral("statx"));
        return false;
    }
    if (::statx(AT_FDCWD, item.bytes.constData(), AT_SYMLINK_NOFOLLOW, kStatxMask, &item.status) != 0) {
        setError(error, errno, path, QStringLiteral("statx"));
        return false;
    }
    return true;
}

bool setDate(const Item& item, const QVariant& value, bool modification, FileError* error)
{
    const QDateTime date = value.toDateTime();
    if (!date.isValid()) {
        setError(error, EINVAL, item.path, QStringLiteral("utimensat"));
        return false;
    }
    const qint64 ms = date.toMSecsSinceEpoch();
    struct timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};
    struct timespec& wanted = times[modification ? 1 : 0];
    wanted.tv_sec = time_t(ms / 1000 - (ms % 1000 < 0 ? 1 : 0));
    wanted.tv_nsec = long(((ms % 1000) + 1000) % 1000) * 1000000;
    if (::utimensat(AT_FDCWD, item.bytes.constData(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        setError(error, errno, item.path, QStringLiteral("utimensat"));
        return false;
    }
    return true;
}

bool setImmutable(const Item& item, bool immutable, FileError* error)
{
    const bool current = (item.status.stx_attributes & STATX_ATTR_IMMUTABLE) != 0;
    if (current == immutable)
        return true;
    const int fd = ::open(item.bytes.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    int flags = 0;
    bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    const int code = errno;
    if (fd >= 0)
        ::close(fd);
    if (!done)
        setError(error, code, item.path, QStringLiteral("set immutable flag"));
    return done;
}

// The names listed in a folder's ".hidden", kept per thread for the last
// folder asked and reread when the file changes.
struct HiddenList {
    QByteArray folder;
    struct statx_timestamp modified {};
    bool exists = false;
    QSet<QString> names;
};

bool hiddenListNames(const QByteArray& folder, const QString& name)
{
    thread_local HiddenList cache;
    const QByteArray file = folder + "/.hidden";
    struct statx status {};
    const bool exists = ::statx(AT_FDCWD, file.constData(), 0, STATX_MTIME, &status) == 0;
    if (cache.folder != folder || cache.exists != exists || cache.modified.tv_sec != status.stx_mtime.tv_sec
        || cache.modified.tv_nsec != status.stx_mtime.tv_nsec) {
        cache = HiddenList{folder, status.stx_mtime, exists, {}};
        QFile list(stringWithFileSystemRepresentation(file));
        if (exists && list.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : list.readAll().split('\n')) {
                const QByteArray entry = line.endsWith('\r') ? line.chopped(1) : line;
                if (!entry.isEmpty())
                    cache.names.insert(stringWithFileSystemRepresentation(entry));
            }
        }
    }
    return cache.names.contains(name);
}

} // namespace

QVariant resourceValueForKey(const QString& path, QAnyStringView key, FileError* error)
{
    clearError(error);
    if (path.isEmpty())
        return {};
    Item item;
    if (!readItem(path, item, error))
        return {};
    return valueOf(item, key);
}

QVariantMap resourceValuesForKeys(const QString& path, const QStringList& keys, FileError* error)
{
    clearError(error);
    QVariantMap values;
    Item item;
    if (path.isEmpty() || !readItem(path, item, error))
        return values;
    for (const QString& key : keys) {
        const QVariant value = valueOf(item, key);
        if (value.isValid())
            values.insert(key, value);
    }
    return values;
}

bool setResourceValueForKey(const QString& path, const QVariant& value, QAnyStringView key, FileError* error)
{
    clearError(error);
    Item item;
    if (path.isEmpty()) {
        setError(error, EINVAL, path, QStringLiteral("set resource value"));
        return false;
    }
    if (!readItem(path, item, error))
        return false;
    if (key == NSURLContentModificationDateKey || key == NSURLContentAccessDateKey)
        return setDate(item, value, key == NSURLContentModificationDateKey, error);
    if (key == NSURLTagNamesKey)
        return setTagNamesAtPath(path, value.toStringList(), error);
    if (key == NSURLIsUserImmutableKey)
        return setImmutable(item, value.toBool(), error);
    setError(error, ENOTSUP, path, QStringLiteral("set %1").arg(key.toString()));
    return false;
}

bool setResourceValuesForKeys(const QString& path, const QVariantMap& values, FileError* error)
{
    clearError(error);
    bool all = true;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (!it.value().isValid())
            continue;
        FileError failure;
        if (!setResourceValueForKey(path, it.value(), it.key(), &failure)) {
            if (all && error)
                *error = failure;
            all = false;
        }
    }
    return all;
}

bool isInvisiblePath(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString name = lastPathComponent(path);
    if (name == QLatin1String("/"))
        return false;
    if (name.startsWith(QLatin1Char('.')))
        return true;
    const QString folder = stringByDeletingLastPathComponent(path);
    const QByteArray bytes = fileSystemRepresentation(folder.isEmpty() ? QStringLiteral(".") : folder);
    return !bytes.isNull() && hiddenListNames(bytes, name);
}

} // namespace sorvant
