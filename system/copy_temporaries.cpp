#include "system/copy_temporaries.h"

#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "system/file_operations.h"
#include "system/tree_removal.h"

#include <QRandomGenerator>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sorvant {

namespace {

constexpr char kMark[] = ".sorvant-copy-";
constexpr qsizetype kMarkSize = sizeof kMark - 1;
constexpr qsizetype kSuffixSize = 6;
constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

QByteArray withoutFinalSlashes(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

bool isSameItem(const QByteArray& path, const struct stat& item)
{
    struct stat status {};
    return ::lstat(path.constData(), &status) == 0 && status.st_dev == item.st_dev && status.st_ino == item.st_ino;
}

// The mount an item is reached through (0: the kernel gives no ID).
quint64 mountIdOf(const QByteArray& path)
{
    struct statx status {};
    if (::statx(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_MNT_ID, &status) != 0)
        return 0;
    return (status.stx_mask & STATX_MNT_ID) ? status.stx_mnt_id : 0;
}

// Gives this user's folders at and below `path` the owner's rights to
// read, write and enter them where they lack one, so that what is in them
// can be removed; stays on the device and mount it starts on.
void giveOwnFoldersTheirRights(const QByteArray& path, dev_t device, quint64 mount)
{
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()
        || status.st_dev != device || (mount != 0 && mountIdOf(path) != mount))
        return;
    if ((status.st_mode & S_IRWXU) != S_IRWXU && ::chmod(path.constData(), (status.st_mode & 07777) | S_IRWXU) != 0)
        return;
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return;
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN)
            continue;
        if (!(name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))))
            names.emplace_back(name);
    }
    ::closedir(dir);
    for (const QByteArray& name : names)
        giveOwnFoldersTheirRights(path + '/' + name, device, mount);
}

// Removes an item a copy made, and, when that leaves something, once more
// after giving its folders their owner's rights. The first failure left.
bool removeMadeItem(const QByteArray& path, TreeRemovalFailure& failure)
{
    if (removeTree(path, RemovalProgress{}, failure) == TreeRemovalResult::Removed)
        return true;
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        return false;
    giveOwnFoldersTheirRights(path, status.st_dev, mountIdOf(path));
    failure = TreeRemovalFailure{};
    return removeTree(path, RemovalProgress{}, failure) == TreeRemovalResult::Removed;
}

// Whether this process has not looked through the folder yet. Temporaries
// are abandoned by copies that were killed, with their processes: those
// that were there when this process first copied into a folder are gone
// after that look, and reading the folder at every copy would cost each
// copy into a folder of 100,000 items 29 ms. Known by device, inode and
// path (a folder made anew at a path is looked through again); at most
// kSeenFolders are kept, then the record starts over.
bool isFirstLookInto(const QByteArray& folder)
{
    constexpr qsizetype kSeenFolders = 4096;
    struct stat status {};
    if (::stat(folder.constData(), &status) != 0)
        return false;
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
    if (mark < 1 || !name.startsWith('.') || name.mid(mark, kMarkSize) != kMark)
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

bool CopyTemporary::hold(int fd)
{
    m_made = true;
    if (fd < 0)
        return true;   // a link, or no descriptor to be had: held unlocked
    // Locked first, then looked at: a later copy that took the lock before
    // has removed the item or is removing it.
    struct stat opened {};
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
    if (locked && ::fstat(fd, &opened) == 0 && isSameItem(m_path, opened)) {
        m_lock = fd;
        return true;
    }
    ::close(fd);
    m_made = false;
    errno = EEXIST;
    return false;
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

void removeAbandonedTemporariesBeside(const QByteArray& path)
{
    const QByteArray item = withoutFinalSlashes(path);
    const qsizetype slash = item.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : item.left(slash);
    if (!isFirstLookInto(folder))
        return;
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.' && isTemporaryName(QByteArray::fromRawData(entry->d_name, qsizetype(std::strlen(entry->d_name)))))
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    for (const QByteArray& name : names) {
        const QByteArray temporary = item.left(slash + 1) + name;
        const int fd = ::open(temporary.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat status {};
        const bool abandoned = ::fstat(fd, &status) == 0 && (S_ISREG(status.st_mode) || S_ISDIR(status.st_mode))
                               && status.st_uid == ::geteuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0
                               && isSameItem(temporary, status);
        TreeRemovalFailure ignored;
        if (abandoned)
            removeMadeItem(temporary, ignored);   // the lock held until it is gone
        ::close(fd);
    }
}

} // namespace sorvant
