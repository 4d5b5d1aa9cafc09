#include "system/file_tests.h"

#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/package_extensions.h"
#include "platform/path_semantics.h"
#include "platform/resource_values.h"
#include "platform/unique_fd.h"
#include "platform/volumes.h"
#include "system/volume_paths.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {

namespace {

constexpr std::uint64_t kVolumeReserve = 16ull * 1024 * 1024;
constexpr std::uint64_t kDefaultReserve = 128ull * 1024 * 1024;
constexpr mode_t kOwnerReadWrite = 0600;
constexpr mode_t kOwnerWrite = 0200;

// lstat of a path; NO for no path or an unreadable item.
bool statItem(const QString& path, struct stat& status, bool follow = false)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty())
        return false;
    return (follow ? ::stat(bytes.constData(), &status) : ::lstat(bytes.constData(), &status)) == 0;
}

bool changeMode(const QString& path, mode_t mode)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    return !bytes.isEmpty() && ::chmod(bytes.constData(), mode & 07777) == 0;
}

// The bytes below an open folder.
std::uint64_t folderSize(UniqueFd folder)
{
    DIR* dir = folder.isValid() ? ::fdopendir(folder.get()) : nullptr;
    if (!dir)
        return 0;
    (void)folder.release();   // the stream's now
    std::uint64_t total = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        struct stat status {};
        if (::fstatat(::dirfd(dir), name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(status.st_mode)) {
            total += folderSize(UniqueFd(::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)));
        } else {
            total += std::uint64_t(status.st_size);
        }
    }
    ::closedir(dir);
    return total;
}

} // namespace

std::uint32_t getFlagsAtPath(const QString& path)
{
    struct stat status {};
    if (!statItem(path, status))
        return 0;
    std::uint32_t flags = 0;
    if (S_ISLNK(status.st_mode)) {
        flags = kLSItemInfoIsSymlink | kLSItemInfoIsPlainFile;
    } else if (S_ISDIR(status.st_mode)) {
        flags = kLSItemInfoIsContainer;
        if (hasPackageSuffix(path) || hasBundleExtension(path))
            flags |= kLSItemInfoIsPackage;
        if (hasApplicationExtension(path))
            flags |= kLSItemInfoIsApplication | kLSItemInfoIsPackage;
        if (isMountPointPath(path))
            flags |= kLSItemInfoIsVolume;
    } else {
        flags = kLSItemInfoIsPlainFile;
    }
    if (isInvisiblePath(path))
        flags |= kLSItemInfoIsInvisible;
    return flags;
}

QVariant getResourceValueForKey(QAnyStringView key, const QString& path, FileError* error)
{
    return resourceValueForKey(path, key, error);
}

bool getBoolValueForKey(QAnyStringView key, const QString& path, FileError* error)
{
    return resourceValueForKey(path, key, error).toBool();
}

QDateTime fileCreationDateAtPath(const QString& path)
{
    return resourceValueForKey(path, NSURLCreationDateKey).toDateTime();
}

QDateTime fileModificationDateAtPath(const QString& path)
{
    return resourceValueForKey(path, NSURLContentModificationDateKey).toDateTime();
}

QDateTime fileAttributeModificationDateAtPath(const QString& path)
{
    return resourceValueForKey(path, NSURLAttributeModificationDateKey).toDateTime();
}

QString volumeNameAtPath(const QString& path)
{
    return resourceValueForKey(path, NSURLVolumeNameKey).toString();
}

QString localizedVolumeNameAtPath(const QString& path)
{
    return resourceValueForKey(path, NSURLVolumeLocalizedNameKey).toString();
}

int finderLabelAtPath(const QString& path)
{
    return resourceValueForKey(path, NSURLLabelNumberKey).toInt();
}

bool isAliasFileAtPath(const QString& path)
{
    return getBoolValueForKey(NSURLIsAliasFileKey, path);
}

bool isSymbolicLinkAtPath(const QString& path)
{
    return getBoolValueForKey(NSURLIsSymbolicLinkKey, path);
}

bool isFileImmutableAtPath(const QString& path)
{
    return getBoolValueForKey(NSURLIsUserImmutableKey, path);
}

std::uint32_t fileHFSTypeCodeAtPath(const QString& /*path*/)
{
    return 0;
}

bool setFileCreationDate(const QDateTime& date, const QString& path)
{
    return date.isValid() && !path.isEmpty() && setResourceValueForKey(path, date, NSURLCreationDateKey);
}

bool setFileModificationDate(const QDateTime& date, const QString& path)
{
    return date.isValid() && !path.isEmpty() && setResourceValueForKey(path, date, NSURLContentModificationDateKey);
}

bool setFileCreationDate(const QDateTime& creation, const QDateTime& modification, const QString& path)
{
    if (path.isEmpty() || (!creation.isValid() && !modification.isValid()))
        return false;
    QVariantMap values;
    if (creation.isValid())
        values.insert(NSURLCreationDateKey, creation);
    if (modification.isValid())
        values.insert(NSURLContentModificationDateKey, modification);
    return setResourceValuesForKeys(path, values);
}

bool setFinderLabel(int label, const QString& path)
{
    return !path.isEmpty() && setResourceValueForKey(path, label, NSURLLabelNumberKey);
}

bool setFileHFSTypeCode(std::uint32_t /*code*/, const QString& /*path*/)
{
    return false;
}

bool isVolumeMountedAtPath(const QString& path)
{
    const QString volume = getVolumePath(path);
    struct stat status {};
    return volume.isNull() || statItem(volume, status, true);
}

QString resolveAlias(const QString& path, bool /*withoutUI*/, bool* isDirectory)
{
    if (isDirectory)
        *isDirectory = getBoolValueForKey(NSURLIsDirectoryKey, path);
    return path;
}

bool itemExistsAtPath(const QString& path)
{
    struct stat status {};
    return statItem(path, status, false);
}

bool isDirectoryAtPath(const QString& path)
{
    struct stat status {};
    return statItem(path, status, true) && S_ISDIR(status.st_mode);
}

bool isDocumentAtPath(const QString& path)
{
    struct stat status {};
    if (!statItem(path, status, true))
        return false;
    return !S_ISDIR(status.st_mode) || isPackagePath(path);
}

bool isPackagePath(const QString& path)
{
    if (path.isEmpty())
        return false;
    return hasPackageSuffix(path) || getBoolValueForKey(NSURLIsPackageKey, path);
}

std::uint64_t fileSizeAtPath(const QString& path)
{
    if (path.isEmpty())
        return 0;
    const QString standardized = stringByStandardizingPath(path);
    struct stat status {};
    if (!statItem(standardized, status))
        return 0;
    if (!S_ISDIR(status.st_mode))
        return std::uint64_t(status.st_size);
    return folderSize(UniqueFd(::open(fileSystemRepresentation(standardized).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)));
}

std::uint64_t freeDiskSpaceAtPath(const QString& path)
{
    if (path.isEmpty())
        return 0;
    std::uint64_t bytes = 0;
    if (!freeSpaceAtPath(path, &bytes)) {
        logError(FileError{errno, path, QStringLiteral("free space")}.description());
        return 0;
    }
    return bytes;
}

bool freeDiskSpaceSufficientAtPath(const QString& path, std::uint64_t requiredSpace)
{
    const std::uint64_t reserve = isVolumePath(path) ? kVolumeReserve : kDefaultReserve;
    if (requiredSpace > std::numeric_limits<std::uint64_t>::max() - reserve)
        return false;
    return freeDiskSpaceAtPath(path) > requiredSpace + reserve;
}

bool isFileLockedAtPath(const QString& path)
{
    struct stat status {};
    if (!statItem(path, status))
        return false;
    return isFileImmutableAtPath(path) || (status.st_mode & kOwnerReadWrite) != kOwnerReadWrite;
}

bool setFileLocked(bool locked, const QString& path)
{
    struct stat status {};
    if (!statItem(path, status, true))
        return false;
    if (locked)
        return changeMode(path, status.st_mode & ~kOwnerWrite);
    return changeMode(path, status.st_mode | kOwnerReadWrite) && setFileImmutable(false, path);
}

bool addUserReadWritePermissionsAtPath(const QString& path)
{
    struct stat status {};
    return statItem(path, status, true) && changeMode(path, status.st_mode | kOwnerReadWrite);
}

bool setFileImmutable(bool immutable, const QString& path)
{
    if (path.isEmpty())
        return false;
    if (isFileImmutableAtPath(path) == immutable)
        return true;
    return setResourceValueForKey(path, immutable, NSURLIsUserImmutableKey);
}

} // namespace sorvant
