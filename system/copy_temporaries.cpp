#include "system/copy_temporaries.h"

#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "system/item_lookups.h"
#include "system/tree_removal.h"

#include <QRandomGenerator>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace sorvant {

namespace {

constexpr char kMark[] = ".sorvant-copy-";
constexpr qsizetype kMarkSize = sizeof kMark - 1;
constexpr qsizetype kSuffixSize = 6;
constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

TemporaryHook temporaryHook = nullptr;

QByteArray withoutFinalSlashes(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

// The value of the mark of the item open at `fd`: its inode number.
QByteArray markValueOf(const struct stat& item)
{
    return QByteArray::number(quint64(item.st_ino));
}

// Gives this user's folders at and below `path` the owner's rights to
// read, write and enter them where they lack one, so that what is in them
// can be removed; stays on the device and mount it starts on, the top
// being `expected` when given.
void giveOwnFoldersTheirRights(const QByteArray& path, const ItemPlace& top, const struct stat* expected = nullptr)
{
    struct stat status {};
    ItemPlace place;
    if (::lstat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()
        || (expected && (status.st_dev != expected->st_dev || status.st_ino != expected->st_ino))
        || !placeAt(AT_FDCWD, path.constData(), place) || isOtherMount(place, top))
        return;
    if ((status.st_mode & S_IRWXU) != S_IRWXU && ::chmod(path.constData(), (status.st_mode & 07777) | S_IRWXU) != 0)
        return;
    std::vector<QByteArray> names;
    folderEntries(path, names, [](const char*, unsigned char type) { return type == DT_DIR || type == DT_UNKNOWN; });
    for (const QByteArray& name : names)
        giveOwnFoldersTheirRights(path + '/' + name, top);
}

// Removes an item a copy made (only while it is `expected`, when given:
// else the failure is ESTALE), and, when that leaves something, once more
// after giving its folders their owner's rights. The first failure left.
bool removeMadeItem(const QByteArray& path, TreeRemovalFailure& failure, const struct stat* expected = nullptr)
{
    if (removeTree(path, RemovalProgress{}, failure, expected) == TreeRemovalResult::Removed)
        return true;
    struct stat status {};
    ItemPlace top;
    if (failure.code == ESTALE || ::lstat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode)
        || !placeAt(AT_FDCWD, path.constData(), top))
        return false;
    giveOwnFoldersTheirRights(path, top, expected);
    failure = TreeRemovalFailure{};
    return removeTree(path, RemovalProgress{}, failure, expected) == TreeRemovalResult::Removed;
}

// Whether this process has not looked through the folder yet. Temporaries
// are abandoned by copies that were killed, with their processes: those
// that were there when this process first copied into a folder are gone
// after that look, and reading the folder at every copy would cost each
// copy into a folder of 100,000 items 29 ms. Known by device, inode and
// path (a folder made anew at a path is looked through again); at most
// kSeenFolders are kept, then the record starts over.
bool isFirstLookInto(const QByteArray& folder, const struct stat& status)
{
    constexpr qsizetype kSeenFolders = 4096;
    const QByteArray key = QByteArray::number(quint64(status.st_dev)) + ':' + QByteArray::number(quint64(status.st_ino))
                           + ':' + folder;
    // A std::mutex, whose locking ThreadSanitizer sees (copies run on any thread).
    static std::mutex mutex;
    static QSet<QByteArray> seen;
    const std::lock_guard<std::mutex> locker(mutex);
    if (seen.contains(key))
        return false;
    if (seen.size() >= kSeenFolders)
        seen.clear();
    seen.insert(key);
    return true;
}

// Whether an flock on the file system of the folder open at `fd` reaches
// every copy that could be working there: on a local file system. On
// network and FUSE file systems a lock may stay on the machine that took it
// (NFS mounted "nolock", SMB, sshfs), and a copy on another machine would
// lose its temporary.
bool hasLocksForAllCopies(int fd)
{
    struct statfs status {};
    if (::fstatfs(fd, &status) != 0)
        return false;
    switch (static_cast<unsigned long>(status.f_type)) {
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

// What a look at one item under a temporary's name found.
enum class Finding {
    Removed,
    NotOurs,      // no proof a copy made it: someone else's, left unsaid
    Held,         // a running copy holds it
    NoMarks,      // its file system keeps no extended attributes: cannot be proved
    NoLocks,      // its file system's locks may not reach every copy
    Failed,       // proved, but it could not be removed (logged)
};

// Looks at `name` in the folder open at `folder` (`folderPath`, on the
// mount `mount`) and removes it only with proof that a copy made it and no
// copy holds it. Every check is made on the descriptor opened, and the
// name is looked at again once the lock is taken.
Finding removeIfAbandoned(int folder, const QByteArray& folderPath, const ItemPlace& mount, const QByteArray& name,
                          bool locksForAll)
{
    struct stat seen {};
    if (::fstatat(folder, name.constData(), &seen, AT_SYMLINK_NOFOLLOW) != 0
        || !(S_ISREG(seen.st_mode) || S_ISDIR(seen.st_mode)) || seen.st_uid != ::geteuid())
        return Finding::NotOurs;
    const int fd = ::openat(folder, name.constData(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC
                                | (S_ISDIR(seen.st_mode) ? O_DIRECTORY : 0));
    if (fd < 0)
        return Finding::NotOurs;
    struct stat opened {};
    ItemPlace place;
    Finding finding = Finding::NotOurs;
    char value[32] = {};
    ssize_t length = -1;
    // The item opened is the one looked at, this user's, on the folder's own
    // mount: never the top of another mount put at such a name.
    if (::fstat(fd, &opened) == 0 && opened.st_dev == seen.st_dev && opened.st_ino == seen.st_ino
        && opened.st_uid == ::geteuid() && placeAt(fd, "", place) && place.mountRoot != 1 && !isOtherMount(place, mount)) {
        length = ::fgetxattr(fd, kCopyTemporaryMark, value, sizeof value - 1);
        if (length < 0 && (errno == ENOTSUP || errno == EOPNOTSUPP))
            finding = Finding::NoMarks;
    }
    const bool marked = length > 0 && QByteArray(value, length) == markValueOf(opened);
    if (marked && !locksForAll) {
        finding = Finding::NoLocks;
    } else if (marked && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        finding = errno == EWOULDBLOCK ? Finding::Held : Finding::NoLocks;
    } else if (marked) {
        // Locked: a copy that held it till now has renamed it into place or
        // removed it, and the name may lead elsewhere since. The removal
        // removes only the item opened (the lock held until it is gone).
        const QByteArray path = folderPath + (folderPath.endsWith('/') ? "" : "/") + name;
        if (temporaryHook)
            temporaryHook(TemporaryMoment::LockedForRemoval, path.constData());
        TreeRemovalFailure failure;
        if (removeMadeItem(path, failure, &opened)) {
            finding = Finding::Removed;
            logMessage(QStringLiteral("Removed the temporary item of a stopped copy %1")
                           .arg(stringWithFileSystemRepresentation(path)));
        } else if (failure.code != ESTALE && failure.code != 0) {
            finding = Finding::Failed;
            const FileError error{failure.code, stringWithFileSystemRepresentation(failure.path),
                                  QStringLiteral("remove")};
            logError(QStringLiteral("Couldn't remove the temporary item of a stopped copy %1: %2")
                         .arg(stringWithFileSystemRepresentation(path), error.description()));
        }
    }
    ::close(fd);
    return finding;
}

} // namespace

QByteArray temporaryNameBeside(QByteArray path)
{
    path = withoutFinalSlashes(std::move(path));
    const qsizetype slash = path.lastIndexOf('/');
    QByteArray name = '.' + path.mid(slash + 1).left(200) + kMark;
    for (int i = 0; i < kSuffixSize; ++i)
        name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)];
    return path.left(slash + 1) + name;
}

bool isTemporaryName(const QByteArray& name)
{
    const qsizetype mark = name.size() - kSuffixSize - kMarkSize;
    if (mark < 2 || !name.startsWith('.') || name.mid(mark, kMarkSize) != kMark)
        return false;
    for (qsizetype i = name.size() - kSuffixSize; i < name.size(); ++i) {
        const char c = name.at(i);
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

CopyTemporary::~CopyTemporary()
{
    if (m_lock >= 0)
        ::close(m_lock);
}

bool CopyTemporary::makeFolder()
{
    if (::mkdir(m_path.constData(), 0700) != 0)
        return false;
    if (temporaryHook)
        temporaryHook(TemporaryMoment::Made, m_path.constData());
    const int fd = ::open(m_path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && (errno == ENOENT || errno == ENOTDIR || errno == ELOOP)) {
        errno = EEXIST;   // gone, or replaced by another item, before it was held
        return false;
    }
    if (fd < 0) {
        m_made = true;   // made, and cannot be held: the copy fails and removes it
        return false;
    }
    return hold(fd);
}

int CopyTemporary::makeFile()
{
    const int fd = ::open(m_path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (temporaryHook)
        temporaryHook(TemporaryMoment::Made, m_path.constData());
    const int held = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (held < 0 || !hold(held)) {
        const int code = errno;
        if (held < 0)
            m_made = true;
        ::close(fd);
        errno = code;
        return -1;
    }
    return fd;
}

void CopyTemporary::madeLink()
{
    m_made = true;
}

// Marks the item open at `fd`, then locks it, and checks that the name
// still leads to it. A cleanup of another copy takes the lock of a marked
// item only: it has removed the item or is removing it when the lock is
// taken, or when the name leads elsewhere; the copy then takes another name.
bool CopyTemporary::hold(int fd)
{
    struct stat opened {};
    bool ours = ::fstat(fd, &opened) == 0 && isSameItem(m_path, opened);
    if (ours) {
        const QByteArray value = markValueOf(opened);
        ::fsetxattr(fd, kCopyTemporaryMark, value.constData(), size_t(value.size()), 0);   // unmarked where it fails
        // Held unlocked where the file system has no locks.
        ours = (::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK) && isSameItem(m_path, opened);
    }
    if (!ours) {
        ::close(fd);
        errno = EEXIST;
        return false;
    }
    m_lock = fd;
    m_made = true;
    return true;
}

void CopyTemporary::placed()
{
    m_made = false;
    if (m_lock < 0)
        return;
    // A read-only item (copied as such) takes the owner's write right for
    // the moment it takes to drop the mark.
    if (::fremovexattr(m_lock, kCopyTemporaryMark) != 0 && errno == EACCES) {
        struct stat status {};
        if (::fstat(m_lock, &status) == 0 && ::fchmod(m_lock, (status.st_mode & 07777) | S_IWUSR) == 0) {
            ::fremovexattr(m_lock, kCopyTemporaryMark);
            ::fchmod(m_lock, status.st_mode & 07777);
        }
    }
    ::close(m_lock);
    m_lock = -1;
}

void CopyTemporary::remove()
{
    if (!m_made)
        return;
    m_made = false;
    TreeRemovalFailure failure;
    if (removeMadeItem(m_path, failure))
        return;
    const FileError error{failure.code, stringWithFileSystemRepresentation(failure.path), QStringLiteral("remove")};
    logError(QStringLiteral("Couldn't remove the temporary item of a failed copy %1: %2")
                 .arg(stringWithFileSystemRepresentation(m_path), error.description()));
}

void setTemporaryHook(TemporaryHook hook)
{
    temporaryHook = hook;
}

void removeAbandonedTemporariesBeside(const QByteArray& path)
{
    const QByteArray item = withoutFinalSlashes(path);
    const qsizetype slash = item.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : item.left(slash);
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat status {};
    std::vector<QByteArray> names;
    if (::fstat(fd, &status) == 0 && isFirstLookInto(folder, status)) {
        folderEntries(fd, names, [](const char* name, unsigned char) {
            return name[0] == '.' && isTemporaryName(QByteArray::fromRawData(name, qsizetype(std::strlen(name))));
        });
    }
    ItemPlace mount;
    if (!names.empty() && placeAt(fd, "", mount)) {
        const bool locksForAll = hasLocksForAllCopies(fd);
        qsizetype unproved = 0;
        Finding reason = Finding::NotOurs;
        for (const QByteArray& name : names) {
            const Finding finding = removeIfAbandoned(fd, folder, mount, name, locksForAll);
            if (finding == Finding::NoMarks || finding == Finding::NoLocks) {
                ++unproved;
                reason = finding;
            }
        }
        if (unproved > 0) {
            logWarning(QStringLiteral("Left %1 item(s) named as copies' temporaries in %2: %3")
                           .arg(unproved)
                           .arg(stringWithFileSystemRepresentation(folder),
                                reason == Finding::NoMarks
                                    ? QStringLiteral("its file system keeps no extended attributes to prove a copy made them")
                                    : QStringLiteral("its file system's locks may not show a copy working on another machine")));
        }
    }
    ::close(fd);
}

} // namespace sorvant
