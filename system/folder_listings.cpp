#include "system/folder_listings.h"

#include "foundation/dictionary_getters.h"
#include "foundation/no_case_comparison.h"
#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"
#include "system/file_operations.h"

#include <cerrno>
#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {

namespace {

// The names of a folder's items, without "." and "..".
bool folderNames(const QString& folder, QStringList& names, FileError* error)
{
    const QByteArray bytes = fileSystemRepresentation(folder);
    DIR* dir = bytes.isEmpty() ? nullptr : ::opendir(bytes.constData());
    if (!dir) {
        setError(error, bytes.isEmpty() ? EINVAL : errno, folder, QStringLiteral("list"));
        return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (!(name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))))
            names.append(stringWithFileSystemRepresentation(QByteArray(name)));
    }
    ::closedir(dir);
    return true;
}

QStringList pathsWhere(const QString& folder, const std::function<bool(const QString&)>& accepts)
{
    QStringList names;
    QStringList paths;
    if (!folderNames(folder, names, nullptr))
        return paths;
    paths.reserve(names.size());
    for (const QString& name : names) {
        if (accepts(name))
            paths.append(stringByAppendingPathComponent(folder, name));
    }
    return paths;
}

QString accountName(uid_t uid)
{
    const passwd* entry = ::getpwuid(uid);
    return entry && entry->pw_name ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

QString groupName(gid_t gid)
{
    const group* entry = ::getgrgid(gid);
    return entry && entry->gr_name ? QString::fromLocal8Bit(entry->gr_name) : QString();
}

} // namespace

QStringList pathsAtPath(const QString& folder, FileError* error)
{
    clearError(error);
    QStringList names;
    if (folder.isEmpty() || !folderNames(folder, names, error))
        return {};
    QStringList paths;
    paths.reserve(names.size());
    for (const QString& name : names)
        paths.append(stringByAppendingPathComponent(folder, name));
    return paths;
}

QStringList pathsAtPathMatchingExtension(const QString& folder, const QString& extension)
{
    if (folder.isEmpty() || extension.isNull())
        return {};
    return pathsWhere(folder, [&extension](const QString& name) {
        return isEqualToStringNoCase(pathExtension(name), extension);
    });
}

QStringList pathsAtPathMatchingName(const QString& folder, const std::function<bool(const QString&)>& accepts)
{
    if (folder.isEmpty() || !accepts)
        return {};
    return pathsWhere(folder, accepts);
}

QVariantMap permissionsAtPath(const QString& path, bool executable)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    struct stat status {};
    if (bytes.isEmpty() || ::lstat(bytes.constData(), &status) != 0)
        return {};
    QVariantMap attributes;
    const QString owner = accountName(status.st_uid);
    const QString group = groupName(status.st_gid);
    if (!owner.isEmpty())
        attributes.insert(QLatin1String(NSFileOwnerAccountName), owner);
    if (!group.isEmpty())
        attributes.insert(QLatin1String(NSFileGroupOwnerAccountName), group);
    setUnsignedInteger(attributes, status.st_uid, QLatin1String(NSFileOwnerAccountID));
    setUnsignedInteger(attributes, status.st_gid, QLatin1String(NSFileGroupOwnerAccountID));
    const mode_t mode = status.st_mode & 07777;
    setUnsignedInteger(attributes, executable ? mode : (mode & ~mode_t(0111)), QLatin1String(NSFilePosixPermissions));
    return attributes;
}

QVariantMap permissionsAtPathByDeletingLastPathComponent(const QString& path, bool executable)
{
    if (path.isNull())
        return {};
    return permissionsAtPath(stringByDeletingLastPathComponent(path), executable);
}

bool setAttributesOfItemAtPath(const QVariantMap& attributes, const QString& path)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty())
        return false;
    bool all = true;
    const QVariant uid = attributes.value(QLatin1String(NSFileOwnerAccountID));
    const QVariant gid = attributes.value(QLatin1String(NSFileGroupOwnerAccountID));
    if (uid.isValid() || gid.isValid()) {
        const uid_t owner = uid.isValid() ? uid_t(uid.toULongLong()) : uid_t(-1);
        const gid_t group = gid.isValid() ? gid_t(gid.toULongLong()) : gid_t(-1);
        all = ::lchown(bytes.constData(), owner, group) == 0;
    }
    const QVariant mode = attributes.value(QLatin1String(NSFilePosixPermissions));
    if (mode.isValid())
        all = ::chmod(bytes.constData(), mode_t(mode.toULongLong() & 07777)) == 0 && all;
    return all;
}

} // namespace sorvant
