#include "system/file_operations.h"

#include "platform/atomic_file.h"
#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/path_semantics.h"
#include "system/copy_temporaries.h"
#include "system/file_data_copy.h"
#include "system/file_tests.h"
#include "system/item_lookups.h"
#include "system/sandbox.h"
#include "system/tree_removal.h"

#include <QDateTime>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace sorvant {

namespace {

// The operation of an error that names a mount point a removal left.
constexpr char kRemoveMountPoint[] = "remove mount point";

const QString kClassName = QStringLiteral("NSFileManager");

int systemRenameWithFlags(const char* from, const char* to, unsigned int flags)
{
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags);
}

RenameWithFlags renameWithFlags = systemRenameWithFlags;
ClaimMade claimMade = nullptr;

// A failed step: its errno and the path it concerned (as bytes).
struct Failure {
    int code = 0;
    QByteArray path;
};

bool fail(Failure& failure, const QByteArray& path)
{
    if (failure.code == 0)
        failure = Failure{errno ? errno : EIO, path};
    return false;
}

void report(FileError* error, const Failure& failure, const QString& operation)
{
    setError(error, failure.code, stringWithFileSystemRepresentation(failure.path), operation);
}

bool exists(const QByteArray& path)
{
    struct stat status {};
    return ::lstat(path.constData(), &status) == 0;
}

// Copies the user extended attributes (tags, comments); other namespaces
// need privileges and are left alone, and so is the mark of a copy's
// temporary, which is the temporary's own. Failures are not fatal to a copy.
void copyUserAttributes(const QByteArray& from, const QByteArray& to, bool followLinks)
{
    const auto list = followLinks ? ::listxattr : ::llistxattr;
    const ssize_t size = list(from.constData(), nullptr, 0);
    if (size <= 0)
        return;
    QByteArray names(size, Qt::Uninitialized);
    if (list(from.constData(), names.data(), size_t(size)) != size)
        return;
    for (const QByteArray& name : names.split('\0')) {
        if (!name.startsWith("user.") || name == kTemporaryMark)
            continue;
        const ssize_t length = ::getxattr(from.constData(), name.constData(), nullptr, 0);
        if (length < 0)
            continue;
        QByteArray value(length, Qt::Uninitialized);
        if (::getxattr(from.constData(), name.constData(), value.data(), size_t(length)) == length)
            ::setxattr(to.constData(), name.constData(), value.constData(), size_t(length), 0);
    }
}

void copyTimes(const struct stat& status, const QByteArray& to, int flags)
{
    const struct timespec times[2] = {status.st_atim, status.st_mtim};
    ::utimensat(AT_FDCWD, to.constData(), times, flags);
}

// `temporary`, when given, is told of the copy made at `to` (the copy's top item).
bool copyFileContents(const QByteArray& from, const QByteArray& to, const struct stat& status, Failure& failure,
                      CopyTemporary* temporary)
{
    UniqueFd in(::open(from.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!in.isValid())
        return fail(failure, from);
    // The file read is the regular file looked at, not an item put there since.
    struct stat opened {};
    const bool looked = ::fstat(in.get(), &opened) == 0;
    if (!looked || opened.st_dev != status.st_dev || opened.st_ino != status.st_ino) {
        if (looked)
            errno = ESTALE;
        return fail(failure, from);
    }
    UniqueFd out = temporary ? temporary->makeFile()
                             : UniqueFd(::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out.isValid())
        return fail(failure, to);
    DataCopySide failed = DataCopySide::Reading;
    bool ok = copyFileData(in.get(), out.get(), opened, failed) || fail(failure, failed == DataCopySide::Reading ? from : to);
    in.reset();
    if (::fchmod(out.get(), status.st_mode & 07777) != 0 && ok)
        ok = fail(failure, to);
    if (!out.close() && ok)
        ok = fail(failure, to);
    return ok;
}

// The mount an item is reached through (its device where nothing more can be had).
using Mount = ItemPlace;

bool copyItem(const QByteArray& from, const QByteArray& to, const Mount* top, Failure& failure,
              CopyTemporary* temporary = nullptr);

bool copyFolder(const QByteArray& from, const QByteArray& to, const struct stat& status, const Mount& top,
                Failure& failure, CopyTemporary* temporary)
{
    std::vector<QByteArray> names;
    if (!folderEntries(from, names))
        return fail(failure, from);
    // Owner-only while it fills, so nothing half-made is open to others.
    if (!(temporary ? temporary->makeFolder() : ::mkdir(to.constData(), 0700) == 0))
        return fail(failure, to);
    for (const QByteArray& name : names) {
        if (!copyItem(from + '/' + name, to + '/' + name, &top, failure))
            return false;
    }
    if (::chmod(to.constData(), status.st_mode & 07777) != 0)
        return fail(failure, to);
    copyUserAttributes(from, to, false);
    copyTimes(status, to, 0);
    return true;
}

// Copies the item at `from`; `top` is the mount of the folder the copy
// started at (null: this is that folder). A copy stays on that mount: a
// mount point inside (another file system, or a bind mount, perhaps of a
// folder above, which would be copied into itself without end) fails the
// copy with EXDEV and its path, so that a move never copies what is
// mounted there and then leaves it standing as well. `temporary`, given
// for the top item, is told the moment the copy makes it.
bool copyItem(const QByteArray& from, const QByteArray& to, const Mount* top, Failure& failure,
              CopyTemporary* temporary)
{
    // One look gives both the item and its mount: a tree copy pays one path
    // lookup per item for them.
    struct stat status {};
    Mount here;
    if (!placeAt(AT_FDCWD, from.constData(), here, &status))
        return fail(failure, from);
    // A file can be a mount point too (a bind mount of a file): it is
    // refused like a folder one, never copied by reading what is mounted.
    if (top && isOtherMount(here, *top)) {
        errno = EXDEV;
        return fail(failure, from);
    }
    if (S_ISDIR(status.st_mode))
        return copyFolder(from, to, status, top ? *top : here, failure, temporary);
    if (S_ISLNK(status.st_mode)) {
        QByteArray target(status.st_size > 0 ? status.st_size + 1 : 4096, Qt::Uninitialized);
        const ssize_t length = ::readlink(from.constData(), target.data(), size_t(target.size()));
        if (length < 0)
            return fail(failure, from);
        target.truncate(length);
        if (::symlink(target.constData(), to.constData()) != 0)
            return fail(failure, to);
        if (temporary)
            temporary->madeLink();
        copyTimes(status, to, AT_SYMLINK_NOFOLLOW);
        return true;
    }
    if (!S_ISREG(status.st_mode)) {
        errno = ENOTSUP;   // devices, sockets and pipes are not copied
        return fail(failure, from);
    }
    if (!copyFileContents(from, to, status, failure, temporary))
        return false;
    copyUserAttributes(from, to, true);
    copyTimes(status, to, 0);
    return true;
}

// Removes an item and everything below it; links are removed, not followed.
bool removeItem(const QByteArray& path, Failure& failure)
{
    TreeRemovalFailure removal;
    if (removeTree(path, RemovalProgress{}, removal) == TreeRemovalResult::Removed)
        return true;
    if (failure.code == 0)
        failure = Failure{removal.code, removal.path};
    return false;
}

bool makeFolders(const QByteArray& path, mode_t mode, bool explicitMode)
{
    struct stat status {};
    if (::stat(path.constData(), &status) == 0)
        return S_ISDIR(status.st_mode);
    const qsizetype slash = path.lastIndexOf('/');
    if (slash > 0 && !makeFolders(path.left(slash), mode, explicitMode))
        return false;
    if (::mkdir(path.constData(), mode) != 0)
        return errno == EEXIST && ::stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode);
    // mkdir applies the umask; permissions asked for are applied exactly.
    return !explicitMode || ::chmod(path.constData(), mode) == 0;
}

bool writeAll(int fd, const QByteArray& data)
{
    for (qsizetype done = 0; done < data.size();) {
        const ssize_t put = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (put < 0 && errno != EINTR)
            return false;
        if (put > 0)
            done += put;
    }
    return true;
}

// Puts the finished copy at `fresh` in the place of `to` in one step, so
// that an item, old or new, is at `to` at every moment: the two are
// exchanged (any two kinds of item) and the old one, now at `fresh`, is
// removed. Where the file system cannot exchange, a rename over `to` does
// for two non-folders. On failure `to` is untouched.
bool replaceWithCopy(const QByteArray& fresh, const QByteArray& to, Failure& failure)
{
    if (renameWithFlags(fresh.constData(), to.constData(), RENAME_EXCHANGE) == 0) {
        Failure leftover;
        if (!removeItem(fresh, leftover)) {
            logError(QStringLiteral("Couldn't remove the replaced item %1: %2")
                         .arg(stringWithFileSystemRepresentation(fresh),
                              errorMessage(leftover.code)));
        }
        return true;
    }
    if ((errno == EINVAL || errno == ENOSYS) && ::rename(fresh.constData(), to.constData()) == 0)
        return true;
    return fail(failure, to);
}

// A name beside `path` that nothing has: the copy is made there first.
QByteArray freeNameBeside(const QByteArray& path)
{
    for (int n = 0; n < 1000; ++n) {
        const QByteArray candidate = path + ".sorvant-update" + (n ? "-" + QByteArray::number(n) : QByteArray());
        if (!exists(candidate))
            return candidate;
    }
    return {};
}

// An empty folder made at `to` to claim it, opened; nothing when it cannot be
// made, or is removed again when it cannot be opened (only while it is
// still the one made).
UniqueFd openFolderClaim(const QByteArray& to)
{
    if (::mkdir(to.constData(), 0700) != 0)
        return UniqueFd();
    struct stat made {};
    const bool looked = ::lstat(to.constData(), &made) == 0;
    UniqueFd claim(::open(to.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!claim.isValid()) {
        const int code = errno;
        if (looked && isSameItem(to, made))
            unlinkItemAt(AT_FDCWD, to.constData(), AT_REMOVEDIR);
        errno = code;
    }
    return claim;
}

// A rename that never replaces, for file systems without RENAME_NOREPLACE
// (FUSE, some network ones): `to` is claimed first by a call that fails
// with EEXIST when it is taken. A non-folder is linked there and its old
// name unlinked; a folder (or a file where hard links are refused) replaces
// an empty item of its kind made there for it, so a process killed in
// between leaves that empty item, never another program's. Whatever stands
// at `to` is checked to be what this call put there before it is replaced
// or removed; once another program's, it is left (EEXIST).
bool renameClaimingFirst(const QByteArray& from, const QByteArray& to)
{
    struct stat status {};
    if (::lstat(from.constData(), &status) != 0)
        return false;
    const bool folder = S_ISDIR(status.st_mode);
    if (!folder) {
        if (::link(from.constData(), to.constData()) == 0) {
            if (unlinkItemAt(AT_FDCWD, from.constData(), 0) == 0)
                return true;
            const int code = errno;
            if (isSameItem(to, status))
                unlinkItemAt(AT_FDCWD, to.constData(), 0);
            errno = code;
            return false;
        }
        if (errno == EEXIST)
            return false;
    }
    // The claim stays open until the end, so that its inode cannot be freed
    // and reused by an item made in its place.
    UniqueFd claim = folder ? openFolderClaim(to)
                            : UniqueFd(::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    struct stat claimed {};
    if (!claim.isValid() || ::fstat(claim.get(), &claimed) != 0) {
        const int code = errno;
        claim.reset();
        errno = code;
        return false;
    }
    if (claimMade)
        claimMade(to.constData());
    bool renamed = false;
    int code = EEXIST;
    if (isSameItem(to, claimed)) {
        renamed = renameWithFlags(from.constData(), to.constData(), 0) == 0;
        code = errno;
        if (!renamed && isSameItem(to, claimed))
            unlinkItemAt(AT_FDCWD, to.constData(), folder ? AT_REMOVEDIR : 0);
    }
    claim.reset();
    errno = code;
    return renamed;
}

// A failure within the temporary copy named as the place it was made for:
// ("/a/.dst.sorvant-copy-x7Qk2b/sub/f", "/a/dst") => "/a/dst/sub/f"; a path
// elsewhere (the source's) is kept. Callers never hear of temporary names.
QByteArray pathInPlace(const QByteArray& path, const QByteArray& temporary, QByteArray to)
{
    while (to.size() > 1 && to.endsWith('/'))
        to.chop(1);
    if (path == temporary)
        return to;
    if (path.startsWith(temporary) && path.at(temporary.size()) == '/')
        return to + path.mid(temporary.size());
    return path;
}

// Copies under a temporary name beside `to`, then renames the whole copy
// into place without replacing anything: nothing but a finished copy ever
// stands under `to`, and an item another program puts there meanwhile is
// kept (EEXIST). What fails removes what this copy made, and only that.
bool copyIntoPlace(const QByteArray& from, const QByteArray& to, Failure& failure)
{
    // A name taken already fails the copy's first, exclusive creation with
    // EEXIST (nothing below it can): then another name is tried.
    for (int attempt = 0; attempt < 100; ++attempt) {
        CopyTemporary temporary(temporaryNameBeside(to));
        Failure made;
        const bool copied = copyItem(from, temporary.path(), nullptr, made, &temporary);
        if (!copied && !temporary.isMade() && made.code == EEXIST && made.path == temporary.path())
            continue;
        if (copied && renameNoReplace(temporary.path(), to)) {
            temporary.placed();
            return true;
        }
        if (copied)
            fail(failure, to);
        else
            failure = Failure{made.code, pathInPlace(made.path, temporary.path(), to)};
        temporary.remove();
        return false;
    }
    errno = EEXIST;
    return fail(failure, to);
}

bool copyBytes(const QByteArray& from, const QByteArray& to, FileError* error)
{
    Failure failure;
    if (exists(to)) {
        errno = EEXIST;
        fail(failure, to);
    } else {
        removeAbandonedTemporariesBeside(to);
        if (copyIntoPlace(from, to, failure))
            return true;
    }
    report(error, failure, QStringLiteral("copy"));
    return false;
}

bool moveBytes(const QByteArray& from, const QByteArray& to, FileError* error)
{
    if (renameNoReplace(from, to))
        return true;
    if (errno != EXDEV) {
        setError(error, errno, stringWithFileSystemRepresentation(from), QStringLiteral("move"));
        return false;
    }
    if (!copyBytes(from, to, error))
        return false;
    Failure failure;
    if (removeItem(from, failure))
        return true;
    // Part of the source could not be removed: the whole copy stays, so
    // nothing is lost, and the caller hears of the failure.
    report(error, failure, QStringLiteral("move"));
    return false;
}

} // namespace

bool renameNoReplace(const QByteArray& from, const QByteArray& to)
{
    if (renameWithFlags(from.constData(), to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    return renameClaimingFirst(from, to);
}

void setRenameWithFlagsFunction(RenameWithFlags function)
{
    renameWithFlags = function ? function : systemRenameWithFlags;
}

void setClaimMadeFunction(ClaimMade function)
{
    claimMade = function;
}

bool createFile(const QString& path)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty())
        return false;
    if (exists(bytes))
        return true;
    const int fd = ::open(bytes.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == EEXIST;
    return ::close(fd) == 0;
}

bool createPathAndFile(const QString& path)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty())
        return false;
    if (exists(bytes))
        return true;
    return createPathToFile(path) && createFile(path);
}

bool createPathToFile(const QString& path, const QVariantMap& attributes)
{
    return createPath(stringByDeletingLastPathComponent(path), attributes);
}

bool createPathAndWriteObject(const QByteArray& data, const QString& path, bool atomically)
{
    if (data.isNull() || path.isEmpty())
        return false;
    createPathToFile(path);
    return atomically ? writeFileAtomically(path, data) : writeData(data, path, false);
}

bool createPath(const QString& path, const QVariantMap& attributes)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty())
        return false;
    struct stat status {};
    if (::lstat(bytes.constData(), &status) == 0)
        return S_ISDIR(status.st_mode) || (S_ISLNK(status.st_mode) && isDirectoryAtPath(path));
    const QVariant permissions = attributes.value(QLatin1String(NSFilePosixPermissions));
    const bool explicitMode = permissions.isValid();
    return makeFolders(bytes, explicitMode ? mode_t(permissions.toUInt() & 07777) : 0777, explicitMode);
}

bool createPathPreviousPath(const QString& path, const QString& previousPath)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty() || exists(bytes))
        return false;
    if (isDirectoryAtPath(previousPath)) {
        createPathToFile(path);
        return movePath(previousPath, path);
    }
    return createPath(path);
}

bool createWritableTemporaryPath(const QString& path)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty())
        return false;
    Failure ignored;
    removeItem(bytes, ignored);
    return createPath(path) && ::access(bytes.constData(), W_OK) == 0;
}

bool createLinkWithPath(const QString& existingPath, const QString& linkPath)
{
    const QByteArray existing = fileSystemRepresentation(existingPath);
    const QByteArray link = fileSystemRepresentation(linkPath);
    if (existing.isEmpty() || link.isEmpty())
        return false;
    if (!isSandboxed() && ::link(existing.constData(), link.constData()) == 0)
        return true;
    return ::symlink(existing.constData(), link.constData()) == 0;
}

bool copyPath(const QString& source, const QString& destination, FileError* error)
{
    clearError(error);
    try {
        const QByteArray from = fileSystemRepresentation(source);
        const QByteArray to = fileSystemRepresentation(destination);
        if (from.isEmpty() || to.isEmpty()) {
            setError(error, EINVAL, source, QStringLiteral("copy"));
            return false;
        }
        return copyBytes(from, to, error);
    } catch (const std::exception& exception) {
        logException(QStringLiteral("copyPath:toPath:error:"), kClassName, exception);
        return false;
    }
}

bool movePath(const QString& source, const QString& destination, FileError* error)
{
    clearError(error);
    try {
        const QByteArray from = fileSystemRepresentation(source);
        const QByteArray to = fileSystemRepresentation(destination);
        if (from.isEmpty() || to.isEmpty()) {
            setError(error, EINVAL, source, QStringLiteral("move"));
            return false;
        }
        return moveBytes(from, to, error);
    } catch (const std::exception& exception) {
        logException(QStringLiteral("movePath:toPath:error:"), kClassName, exception);
        return false;
    }
}

bool migratePath(const QString& oldPath, const QString& newPath, FileError* error)
{
    clearError(error);
    const QByteArray from = fileSystemRepresentation(oldPath);
    const QByteArray to = fileSystemRepresentation(newPath);
    if (from.isEmpty() || to.isEmpty() || exists(to) || !exists(from))
        return true;
    return copyPath(oldPath, newPath, error);
}

bool renamePath(const QString& path, const QString& newName)
{
    if (path.isEmpty() || newName.isEmpty())
        return false;
    return movePath(path, stringByAppendingPathComponent(stringByDeletingLastPathComponent(path), newName));
}

bool removePath(const QString& path, FileError* error)
{
    return removePath(path, error, RemovalProgress{});
}

bool removePath(const QString& path, FileError* error, const RemovalProgress& progress)
{
    clearError(error);
    try {
        const QByteArray bytes = fileSystemRepresentation(path);
        if (bytes.isEmpty())
            return false;
        TreeRemovalFailure removal;
        switch (removeTree(bytes, progress, removal)) {
        case TreeRemovalResult::Removed:
            return true;
        case TreeRemovalResult::Stopped:
            setError(error, ECANCELED, path, QStringLiteral("remove"));
            return false;
        case TreeRemovalResult::Failed:
            break;
        }
        if (!exists(bytes) || unlinkFileAtPath(path))
            return true;
        const Failure failure{removal.code, removal.path};
        // A mount point is left on purpose: the error says so, not just "busy".
        const QString operation = removal.mountPoint ? QString::fromLatin1(kRemoveMountPoint) : QStringLiteral("remove");
        report(error, failure, operation);
        FileError reported{failure.code, stringWithFileSystemRepresentation(failure.path), operation};
        logError(QStringLiteral("Couldn't remove path %1: %2").arg(path, reported.description()));
        return false;
    } catch (const std::exception& exception) {
        logException(QStringLiteral("removePath:error:"), kClassName, exception);
        return false;
    }
}

bool isMountPointLeft(const FileError& error)
{
    return error.code == EBUSY && error.operation == QLatin1String(kRemoveMountPoint);
}

qint64 countRemovalItems(const QString& path, const std::function<bool()>& shouldStop)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    return bytes.isEmpty() ? -1 : countTreeItems(bytes, shouldStop);
}

bool unlinkFileAtPath(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isNull()) {
        logError(QStringLiteral("getFileSystemRepresentation '%1':\n%2\n%3")
                       .arg(path, QStringLiteral("InvalidArgument"), QStringLiteral("the path holds U+0000")));
        return false;
    }
    return ::unlink(bytes.constData()) == 0;
}

bool writeData(const QByteArray& data, const QString& path, bool append)
{
    try {
        const QByteArray bytes = fileSystemRepresentation(path);
        if (data.isNull() || bytes.isEmpty())
            return false;
        if (!append)
            return writeFileAtomically(path, data);
        if (!createFile(path))
            return false;
        const int fd = ::open(bytes.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd < 0)
            return false;
        const bool written = writeAll(fd, data);
        return ::close(fd) == 0 && written;
    } catch (const std::exception& exception) {
        logException(QStringLiteral("writeData:toFile:append:"), kClassName, exception);
        return false;
    }
}

bool writeString(const QString& string, const QString& path, bool append)
{
    return !string.isEmpty() && writeData(string.toUtf8(), path, append);
}

bool updatePath(const QString& source, const QString& target, bool overwrite, bool hideFileExtensions)
{
    std::vector<QByteArray> names;
    if (source.isEmpty() || target.isEmpty() || !folderEntries(fileSystemRepresentation(source), names))
        return true;   // nothing to bring over
    bool all = true;
    for (const QByteArray& name : names) {
        const QString component = stringWithFileSystemRepresentation(name);
        const QString from = stringByAppendingPathComponent(source, component);
        const QString to = stringByAppendingPathComponent(target, component);
        FileError error;
        bool ok = true;
        if (isDirectoryAtPath(to)) {
            ok = updatePath(from, to, overwrite, hideFileExtensions);
        } else if (fileSystemRepresentation(to).isEmpty() || !exists(fileSystemRepresentation(to))) {
            ok = copyPath(from, to, &error);
        } else if (overwrite || fileModificationDateAtPath(from) > fileModificationDateAtPath(to)) {
            // Copied aside first and then swapped in, so a failure at any
            // step leaves the target as it was.
            const QByteArray toBytes = fileSystemRepresentation(to);
            const QByteArray fresh = freeNameBeside(toBytes);
            Failure failure;
            ok = !fresh.isEmpty() && copyPath(from, stringWithFileSystemRepresentation(fresh), &error);
            if (ok && !replaceWithCopy(fresh, toBytes, failure)) {
                ok = false;
                error = FileError{failure.code, to, QStringLiteral("update")};
                removeItem(fresh, failure);
            }
        }
        if (!ok) {
            all = false;
            if (!error.isEmpty())
                logError(QStringLiteral("Couldn't update path %1: %2").arg(to, error.description()));
        }
    }
    return all;
}

} // namespace sorvant
