#include "platform/marked_temporary.h"

#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>

namespace sorvant {

namespace {

constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr qsizetype kSuffixSize = 6;

std::atomic<TemporaryHook> temporaryHook{nullptr};
std::atomic<FileSystemTypeOf> fileSystemTypeOf{nullptr};

void reach(TemporaryMoment moment, const QByteArray& path)
{
    if (const TemporaryHook hook = temporaryHook.load())
        hook(moment, path.constData());
}

bool isSuffixLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The folder part of a path: "." for a bare name, "/" at the root.
QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// One look at an open item: what statx gives, or what fstat gives where
// statx is refused (a sandbox that filters it): no birth time, no mount ID.
bool lookAt(int fd, struct statx& looked)
{
    looked = {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME | STATX_MNT_ID, &looked) == 0)
        return true;
    struct stat status {};
    if ((errno != ENOSYS && errno != EPERM) || ::fstat(fd, &status) != 0)
        return false;
    looked.stx_mask = STATX_BASIC_STATS;
    looked.stx_ino = status.st_ino;
    looked.stx_uid = status.st_uid;
    looked.stx_mode = mode_t(status.st_mode);
    looked.stx_dev_major = major(status.st_dev);
    looked.stx_dev_minor = minor(status.st_dev);
    return true;
}

bool isSameItem(const struct statx& a, const struct statx& b)
{
    return a.stx_ino == b.stx_ino && a.stx_dev_major == b.stx_dev_major && a.stx_dev_minor == b.stx_dev_minor;
}

// Whether the item is on another mount than the folder (the mount IDs decide
// where both are known, else the devices), or the top of one.
bool isOtherMount(const struct statx& item, const struct statx& folder)
{
    if ((item.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (item.stx_attributes & STATX_ATTR_MOUNT_ROOT))
        return true;
    if ((item.stx_mask & STATX_MNT_ID) && (folder.stx_mask & STATX_MNT_ID))
        return item.stx_mnt_id != folder.stx_mnt_id;
    return item.stx_dev_major != folder.stx_dev_major || item.stx_dev_minor != folder.stx_dev_minor;
}

QByteArray identityOf(int fd, const struct statx& looked)
{
    QByteArray identity = QByteArray::number(quint64(looked.stx_ino)) + ':';
    if (looked.stx_mask & STATX_BTIME) {
        identity += QByteArray::number(qint64(looked.stx_btime.tv_sec)) + '.'
                    + QByteArray::number(looked.stx_btime.tv_nsec).rightJustified(9, '0');
    }
    identity += ':';
    // ext4 and XFS give a generation a restore never has; tmpfs gives none.
    long generation = 0;
    if (::ioctl(fd, FS_IOC_GETVERSION, &generation) == 0)
        identity += QByteArray::number(quint32(quint64(generation) & 0xffffffffU));
    return identity;
}

// Whether an identity holds more than the inode number, which a file system
// may give the next item made (ext4 gave a restored copy the same number in
// 19 of 20 restores).
bool provesItself(const QByteArray& identity)
{
    return identity.size() > identity.indexOf(':') + 2;
}

// Whether `name` in the folder open at `folder` still leads to the item looked at.
bool isStillNamed(int folder, const QByteArray& name, const struct statx& item)
{
    struct statx named {};
    return ::statx(folder, name.constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_INO, &named) == 0
           && isSameItem(named, item);
}

bool isStillNamed(const QByteArray& path, int fd)
{
    struct statx opened {};
    return lookAt(fd, opened) && isStillNamed(AT_FDCWD, path, opened);
}

bool isMarkedWith(int fd, const QByteArray& identity, ssize_t* length = nullptr)
{
    char value[96];
    const ssize_t read = ::fgetxattr(fd, kTemporaryMark, value, sizeof value);
    if (length)
        *length = read;
    return read > 0 && QByteArray(value, read) == identity;
}

// A shared lock of the folder a named temporary is made in, held from its
// making until it is locked and marked: a look says nothing of an unmarked
// item while any maker holds it (TemporaryLook::unproved). A look takes the
// folder's lock for a few system calls only, so a maker waits at most
// briefly; one held longer (another program's) is waited for at most
// 100 ms, and then the making goes on without.
class FolderSettling
{
public:
    explicit FolderSettling(const QByteArray& folder)
        : m_fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        for (int attempt = 0; m_fd.isValid() && attempt < 100; ++attempt) {
            if (::flock(m_fd.get(), LOCK_SH | LOCK_NB) == 0 || errno != EWOULDBLOCK)
                return;
            const timespec pause{0, 1000 * 1000};
            ::nanosleep(&pause, nullptr);
        }
    }

private:
    UniqueFd m_fd;
};

// Links the unnamed file open at `fd` in at `path`: through /proc, which
// any user may, or by its descriptor, which needs a capability.
bool linkIn(int fd, const QByteArray& path)
{
    const QByteArray proc = "/proc/self/fd/" + QByteArray::number(fd);
    if (::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, path.constData(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    return errno == ENOENT && ::linkat(fd, "", AT_FDCWD, path.constData(), AT_EMPTY_PATH) == 0;
}

} // namespace

void appendTemporarySuffix(QByteArray& name)
{
    for (qsizetype i = 0; i < kSuffixSize; ++i)
        name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)];
}

qsizetype temporaryStemSize(QByteArrayView name, QByteArrayView marker)
{
    const qsizetype stem = name.size() - kSuffixSize - marker.size();
    if (stem < 0 || name.sliced(stem, marker.size()) != marker)
        return -1;
    for (qsizetype i = name.size() - kSuffixSize; i < name.size(); ++i) {
        if (!isSuffixLetter(name.at(i)))
            return -1;
    }
    return stem;
}

QByteArray temporaryIdentity(int fd)
{
    struct statx looked {};
    return lookAt(fd, looked) ? identityOf(fd, looked) : QByteArray();
}

void setTemporaryHook(TemporaryHook hook)
{
    temporaryHook.store(hook);
}

// --- MarkedTemporary ---------------------------------------------------------

MarkedTemporary::~MarkedTemporary()
{
    release();
}

UniqueFd MarkedTemporary::makeFile(const QByteArray& path, unsigned int mode)
{
    release();
    m_made = false;
    UniqueFd unnamed(::open(folderOf(path).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode_t(mode)));
    if (unnamed.isValid()) {
        UniqueFd lock(::fcntl(unnamed.get(), F_DUPFD_CLOEXEC, 0));
        const bool duplicated = lock.isValid();
        if (duplicated && hold(std::move(lock), {})) {
            if (linkIn(unnamed.get(), path)) {
                reach(TemporaryMoment::Made, path);
                if (isStillNamed(path, unnamed.get())) {
                    m_made = true;
                    return unnamed;
                }
                errno = EEXIST;   // gone, or replaced, before the caller had it
            }
        }
        const int code = errno;
        release();
        unnamed.reset();
        // A name taken tries another; a file system that refuses links (or
        // a system without /proc) takes the temporary named.
        if (!duplicated || code == EEXIST || code == ENOSPC || code == EDQUOT || code == ENAMETOOLONG) {
            errno = code;
            return UniqueFd();
        }
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return UniqueFd();
    }
    const FolderSettling settling(folderOf(path));
    UniqueFd fd(::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode_t(mode)));
    if (!fd.isValid())
        return UniqueFd();
    reach(TemporaryMoment::Made, path);
    UniqueFd lock(::fcntl(fd.get(), F_DUPFD_CLOEXEC, 0));
    const bool duplicated = lock.isValid();
    if (!duplicated || !hold(std::move(lock), path)) {
        const int code = errno;
        m_made = !duplicated;   // made, and cannot be held: the caller removes it
        // Held by another program before this maker could lock it, yet
        // still the file made here: it goes, and another name is tried.
        if (!m_made && isStillNamed(path, fd.get()))
            ::unlink(path.constData());
        fd.reset();
        errno = code;
        return UniqueFd();
    }
    m_made = true;
    return fd;
}

bool MarkedTemporary::makeFolder(const QByteArray& path, unsigned int mode)
{
    release();
    m_made = false;
    const FolderSettling settling(folderOf(path));
    if (::mkdir(path.constData(), mode_t(mode)) != 0)
        return false;
    reach(TemporaryMoment::Made, path);
    UniqueFd fd(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.isValid() && (errno == ENOENT || errno == ENOTDIR || errno == ELOOP)) {
        errno = EEXIST;   // gone, or replaced by another item, before it was held
        return false;
    }
    if (!fd.isValid()) {
        m_made = true;   // made, and cannot be held: the caller removes it
        return false;
    }
    m_made = hold(std::move(fd), path);
    return m_made;
}

// Locks the item open at `lock`, marks it, and keeps `lock`; for a named
// item, checks before and after that `path` still leads to it. Locked before
// marked: a look proves only a marked item whose lock it can take, so it
// never proves one whose maker is between the two. An item locked by
// someone else already (EWOULDBLOCK) is not taken. `lock` is closed on NO.
bool MarkedTemporary::hold(UniqueFd lock, const QByteArray& path)
{
    bool held = path.isEmpty() || isStillNamed(path, lock.get());
    if (held) {
        reach(TemporaryMoment::Locking, path);
        held = ::flock(lock.get(), LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;   // held unlocked without locks
    }
    if (held) {
        const QByteArray identity = temporaryIdentity(lock.get());
        (void)::fsetxattr(lock.get(), kTemporaryMark, identity.constData(), size_t(identity.size()), 0);   // unmarked where refused
        held = path.isEmpty() || isStillNamed(path, lock.get());
    }
    if (!held) {
        lock.reset();
        errno = EEXIST;
        return false;
    }
    m_lock = std::move(lock);
    return true;
}

void MarkedTemporary::unmark()
{
    m_made = false;
    const int lock = m_lock.get();
    if (lock < 0 || ::fremovexattr(lock, kTemporaryMark) == 0 || errno != EACCES)
        return;
    struct stat status {};
    if (::fstat(lock, &status) == 0 && ::fchmod(lock, (status.st_mode & 07777) | S_IWUSR) == 0) {
        (void)::fremovexattr(lock, kTemporaryMark);
        (void)::fchmod(lock, status.st_mode & 07777);
    }
}

void MarkedTemporary::release()
{
    m_lock.reset();
}

// --- TemporaryLook -----------------------------------------------------------

TemporaryLook::TemporaryLook(int folder, const QByteArray& folderPath, const QByteArray& name, TemporaryKinds kinds)
    : m_finding(look(folder, folderPath, name, kinds))
{
}

TemporaryLook::~TemporaryLook() = default;

TemporaryFinding TemporaryLook::look(int folder, const QByteArray& folderPath, const QByteArray& name,
                                     TemporaryKinds kinds)
{
    // The kind is looked at before anything is opened: a device is never opened.
    struct stat seen {};
    if (::fstatat(folder, name.constData(), &seen, AT_SYMLINK_NOFOLLOW) != 0) {
        m_error = errno;
        return errno == ENOENT ? TemporaryFinding::Gone : TemporaryFinding::Unreadable;
    }
    if (S_ISLNK(seen.st_mode))
        return TemporaryFinding::Link;
    const bool isFolder = S_ISDIR(seen.st_mode);
    if (!S_ISREG(seen.st_mode) && !(isFolder && kinds == TemporaryKinds::FilesAndFolders))
        return TemporaryFinding::OtherKind;
    m_fd.reset(::openat(folder, name.constData(),
                        O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (isFolder ? O_DIRECTORY : 0)));
    struct statx opened {};
    struct statx top {};
    if (!m_fd.isValid() || !lookAt(m_fd.get(), opened) || !lookAt(folder, top)) {
        m_error = errno;
        return errno == ENOENT ? TemporaryFinding::Gone
               : errno == ELOOP ? TemporaryFinding::Link
                                : TemporaryFinding::Unreadable;
    }
    if (opened.stx_ino != seen.st_ino || makedev(opened.stx_dev_major, opened.stx_dev_minor) != seen.st_dev)
        return TemporaryFinding::Gone;   // replaced between the look and the opening
    if (opened.stx_uid != ::geteuid())
        return TemporaryFinding::OtherUser;
    if (isOtherMount(opened, top))
        return TemporaryFinding::OtherMount;
    const QByteArray identity = identityOf(m_fd.get(), opened);
    ssize_t length = -1;
    if (!isMarkedWith(m_fd.get(), identity, &length)) {
        const bool noMarks = length < 0 && (errno == ENOTSUP || errno == EOPNOTSUPP);
        return unproved(folder, name, opened, noMarks ? TemporaryFinding::NoMarks : TemporaryFinding::Unmarked);
    }
    if (!provesItself(identity))
        return unproved(folder, name, opened, TemporaryFinding::NoIdentity);
    if (!hasLocksForAllWriters(m_fd.get()))
        return unproved(folder, name, opened, TemporaryFinding::NoLocks);
    if (::flock(m_fd.get(), LOCK_EX | LOCK_NB) != 0) {
        return errno == EWOULDBLOCK ? TemporaryFinding::Live
                                    : unproved(folder, name, opened, TemporaryFinding::NoLocks);
    }
    reach(TemporaryMoment::LockedForRemoval, folderPath + (folderPath.endsWith('/') ? "" : "/") + name);
    // Looked at again under the lock: a maker that held it till now has
    // placed it (renamed and unmarked) or removed it, and the name may lead
    // elsewhere since.
    if (!isMarkedWith(m_fd.get(), identity) || !isStillNamed(folder, name, opened))
        return TemporaryFinding::Gone;
    return TemporaryFinding::Proved;
}

// An item not proved abandoned, said to be left only when no maker is
// working on it: none holds it, and none is between making an item in the
// folder and marking it (the folder's lock, which every such maker shares).
// Under both locks the name is looked at once more, so an item its maker
// has placed meanwhile is Gone.
TemporaryFinding TemporaryLook::unproved(int folder, const QByteArray& name, const struct statx& opened,
                                         TemporaryFinding finding)
{
    if (::flock(folder, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return TemporaryFinding::Unsettled;
    if (::flock(m_fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        finding = TemporaryFinding::Live;
    else if (!isStillNamed(folder, name, opened))
        finding = TemporaryFinding::Gone;
    else if (finding == TemporaryFinding::Unmarked && isMarkedWith(m_fd.get(), identityOf(m_fd.get(), opened)))
        finding = TemporaryFinding::Gone;   // marked meanwhile: a maker's, looked at too early
    ::flock(m_fd.get(), LOCK_UN);
    ::flock(folder, LOCK_UN);
    return finding;
}

// --- file systems ------------------------------------------------------------

void setFileSystemTypeFunction(FileSystemTypeOf function)
{
    fileSystemTypeOf.store(function);
}

bool hasLocksForAllWriters(int fd)
{
    unsigned long type = 0;
    if (const FileSystemTypeOf function = fileSystemTypeOf.load()) {
        if (!function(fd, &type))
            return false;
    } else {
        struct statfs status {};
        if (::fstatfs(fd, &status) != 0)
            return false;
        type = static_cast<unsigned long>(status.f_type);
    }
    switch (type) {
    case EXT4_SUPER_MAGIC:   // ext2, ext3 and ext4 alike
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
    case F2FS_SUPER_MAGIC:
    case OVERLAYFS_SUPER_MAGIC:
    case REISERFS_SUPER_MAGIC:
    case 0x3153464aUL:   // JFS
    case 0xca451a4eUL:   // bcachefs
    case 0x2fc12fc1UL:   // ZFS
        return true;
    default:
        return false;
    }
}

} // namespace sorvant
