#include "system/copy_temporaries.h"

#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "system/item_lookups.h"
#include "system/tree_removal.h"

#include <QSet>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sorvant {

namespace {

constexpr char kMark[] = ".sorvant-copy-";

QByteArray withoutFinalSlashes(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
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

// What a look at one item under a temporary's name came to.
enum class Finding {
    Removed,
    Left,         // not proved, or a running copy's: left unsaid
    NoMarks,      // its file system keeps no extended attributes: cannot be proved
    NoIdentity,   // its file system gives no identity beyond the inode number
    NoLocks,      // its file system's locks may not reach every copy
    EmptyFolder,  // an empty unmarked folder: a copy killed before it marked it
    Failed,       // proved, but it could not be removed (logged)
};

// Whether the item open at `fd` is a folder with nothing in it.
bool isEmptyFolder(int fd)
{
    struct stat status {};
    std::vector<QByteArray> names;
    return ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode) && folderEntries(fd, names) && names.empty();
}

// Looks at `name` in the folder open at `folder` (`folderPath`) and removes
// it only with proof that a copy made it and no copy holds it (TemporaryLook,
// whose lock is held until the item is gone).
Finding removeIfAbandoned(int folder, const QByteArray& folderPath, const QByteArray& name)
{
    const TemporaryLook look(folder, folderPath, name, TemporaryKinds::FilesAndFolders);
    switch (look.finding()) {
    case TemporaryFinding::NoMarks:
        return Finding::NoMarks;
    case TemporaryFinding::NoIdentity:
        return Finding::NoIdentity;
    case TemporaryFinding::NoLocks:
        return Finding::NoLocks;
    case TemporaryFinding::Unmarked:
        // What a folder copy killed between its mkdir and its mark leaves;
        // it may be a user's too, so it is said, not removed.
        return isEmptyFolder(look.descriptor()) ? Finding::EmptyFolder : Finding::Left;
    case TemporaryFinding::Proved:
        break;
    default:
        return Finding::Left;
    }
    struct stat opened {};
    if (::fstat(look.descriptor(), &opened) != 0)
        return Finding::Left;
    // The removal removes only the item opened.
    const QByteArray path = folderPath + (folderPath.endsWith('/') ? "" : "/") + name;
    TreeRemovalFailure failure;
    if (removeMadeItem(path, failure, &opened)) {
        logMessage(QStringLiteral("Removed the temporary item of a stopped copy %1")
                       .arg(stringWithFileSystemRepresentation(path)));
        return Finding::Removed;
    }
    if (failure.code == ESTALE || failure.code == 0)
        return Finding::Left;
    const FileError error{failure.code, stringWithFileSystemRepresentation(failure.path), QStringLiteral("remove")};
    logError(QStringLiteral("Couldn't remove the temporary item of a stopped copy %1: %2")
                 .arg(stringWithFileSystemRepresentation(path), error.description()));
    return Finding::Failed;
}

// Why items were left unproved in a folder.
QString reasonUnproved(Finding finding)
{
    switch (finding) {
    case Finding::NoMarks:
        return QStringLiteral("its file system keeps no extended attributes to prove a copy made them");
    case Finding::NoIdentity:
        return QStringLiteral("its file system gives no birth time or generation to prove a copy made them");
    default:
        return QStringLiteral("its file system's locks may not show a copy working on another machine");
    }
}

} // namespace

QByteArray temporaryNameBeside(QByteArray path)
{
    path = withoutFinalSlashes(std::move(path));
    const qsizetype slash = path.lastIndexOf('/');
    QByteArray name = '.' + path.mid(slash + 1).left(200) + kMark;
    appendTemporarySuffix(name);
    return path.left(slash + 1) + name;
}

bool isTemporaryName(const QByteArray& name)
{
    return name.startsWith('.') && temporaryStemSize(name, kMark) >= 2;
}

void CopyTemporary::placed()
{
    m_linked = false;
    m_item.unmark();
    m_item.release();
}

void CopyTemporary::remove()
{
    if (!isMade())
        return;
    m_linked = false;
    m_removed = true;
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
    qsizetype unproved = 0;
    Finding reason = Finding::Left;
    for (const QByteArray& name : names) {
        const Finding finding = removeIfAbandoned(fd, folder, name);
        if (finding == Finding::NoMarks || finding == Finding::NoIdentity || finding == Finding::NoLocks) {
            ++unproved;
            reason = finding;
        } else if (finding == Finding::EmptyFolder) {
            // Said as saves say a temporary they cannot prove: once, as a
            // process looks through a folder once.
            logWarning(QStringLiteral("The folder '%1' looks like a temporary folder of a copy and is left: it is "
                                      "empty and nothing shows that a copy made it")
                           .arg(stringWithFileSystemRepresentation(folder + (folder.endsWith('/') ? "" : "/") + name)));
        }
    }
    if (unproved > 0) {
        logWarning(QStringLiteral("Left %1 item(s) named as copies' temporaries in %2: %3")
                       .arg(unproved)
                       .arg(stringWithFileSystemRepresentation(folder), reasonUnproved(reason)));
    }
    ::close(fd);
}

} // namespace sorvant
