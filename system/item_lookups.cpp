#include "system/item_lookups.h"

#include "platform/unique_fd.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace sorvant {

bool isSameItem(const QByteArray& path, const struct stat& item)
{
    struct stat status {};
    return ::lstat(path.constData(), &status) == 0 && status.st_dev == item.st_dev && status.st_ino == item.st_ino;
}

namespace {

void fillStatus(const struct statx& from, struct stat& to)
{
    to = {};
    to.st_dev = makedev(from.stx_dev_major, from.stx_dev_minor);
    to.st_ino = from.stx_ino;
    to.st_mode = from.stx_mode;
    to.st_nlink = from.stx_nlink;
    to.st_uid = from.stx_uid;
    to.st_gid = from.stx_gid;
    to.st_rdev = makedev(from.stx_rdev_major, from.stx_rdev_minor);
    to.st_size = off_t(from.stx_size);
    to.st_blksize = blksize_t(from.stx_blksize);
    to.st_blocks = blkcnt_t(from.stx_blocks);
    to.st_atim = {time_t(from.stx_atime.tv_sec), long(from.stx_atime.tv_nsec)};
    to.st_mtim = {time_t(from.stx_mtime.tv_sec), long(from.stx_mtime.tv_nsec)};
    to.st_ctim = {time_t(from.stx_ctime.tv_sec), long(from.stx_ctime.tv_nsec)};
}

} // namespace

bool placeAt(int folder, const char* name, ItemPlace& place, struct stat* status)
{
    const int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | (name[0] == 0 ? AT_EMPTY_PATH : 0);
    struct statx looked {};
    const unsigned int wanted = STATX_INO | STATX_MNT_ID | (status ? STATX_BASIC_STATS : 0);
    if (::statx(folder, name, flags, wanted, &looked) == 0) {
        place.device = makedev(looked.stx_dev_major, looked.stx_dev_minor);
        place.inode = looked.stx_ino;
        place.mount = (looked.stx_mask & STATX_MNT_ID) ? looked.stx_mnt_id : 0;
        place.mountRoot = (looked.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT)
                              ? int((looked.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0)
                              : -1;
        if (status)
            fillStatus(looked, *status);
        return true;
    }
    if (errno != ENOSYS && errno != EPERM)
        return false;
    // Kernels before 4.11, and sandboxes that filter statx: devices only.
    struct stat fallback {};
    if (::fstatat(folder, name, &fallback, flags & (AT_SYMLINK_NOFOLLOW | AT_EMPTY_PATH)) != 0)
        return false;
    place = ItemPlace{fallback.st_dev, fallback.st_ino, 0, -1};
    if (status)
        *status = fallback;
    return true;
}

bool isOtherMount(const ItemPlace& inner, const ItemPlace& outer)
{
    if (inner.mount != 0 && outer.mount != 0)
        return inner.mount != outer.mount;
    return inner.device != outer.device;
}

namespace {

// Reads the stream to its end and closes it.
bool readEntries(DIR* dir, std::vector<QByteArray>& names, const EntryFilter& keep)
{
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (!(name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) && (!keep || keep(name, entry->d_type)))
            names.emplace_back(name);
        errno = 0;
    }
    const int code = errno;
    ::closedir(dir);
    errno = code;
    return code == 0;
}

} // namespace

bool folderEntries(int folder, std::vector<QByteArray>& names, const EntryFilter& keep)
{
    // A stream of its own (on a new descriptor), so the caller's stays open and unmoved.
    UniqueFd fd(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* dir = fd.isValid() ? ::fdopendir(fd.get()) : nullptr;
    if (!dir) {
        const int code = errno;
        fd.reset();
        errno = code;
        return false;
    }
    (void)fd.release();   // the stream's now
    return readEntries(dir, names, keep);
}

bool folderEntries(const QByteArray& folder, std::vector<QByteArray>& names, const EntryFilter& keep)
{
    DIR* dir = ::opendir(folder.constData());
    return dir && readEntries(dir, names, keep);
}

} // namespace sorvant
