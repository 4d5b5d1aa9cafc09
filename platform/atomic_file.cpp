#include "platform/atomic_file.h"

#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/marked_temporary.h"
#include "platform/regular_files.h"
#include "platform/unique_fd.h"

#include <QSet>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sorvant {

namespace {

QString errnoText(int code, const QString& what, const QString& path)
{
    return QStringLiteral("%1 '%2': %3").arg(what, path, errorMessage(code));
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

bool writeAll(int fd, const QByteArray& data)
{
    const char* bytes = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, bytes, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        left -= written;
    }
    return true;
}

// The folder part of a path's bytes: "." for a bare name, "/" at the root.
QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

constexpr char kTemporaryMarker[] = ".tmp.";

// The name of the file at `target` (no folder).
QByteArray nameOf(const QByteArray& target)
{
    return target.mid(target.lastIndexOf('/') + 1);
}

// What comes before ".tmp." in the names of temporaries made for `target`:
// its name, or a short one when a suffix would pass the longest name a
// folder holds.
QByteArray temporaryStem(const QByteArray& target)
{
    const QByteArray base = nameOf(target);
    return base.size() + 12 > NAME_MAX ? QByteArray(".sorvant") : base;
}

// Makes the temporary of a save of `target`, with `mode` (less the umask,
// which the kernel applies), locked and marked before it takes its name
// "<stem>.tmp.<six letters>" (marked_temporary.h).
UniqueFd createTemporary(const QByteArray& target, mode_t mode, MarkedTemporary& temporary, QByteArray* name)
{
    const QByteArray stem = target.left(target.lastIndexOf('/') + 1) + temporaryStem(target) + kTemporaryMarker;
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray candidate = stem;
        appendTemporarySuffix(candidate);
        UniqueFd fd = temporary.makeFile(candidate, mode);
        if (!fd.isValid() && temporary.isMade()) {
            // Made under its name but not held (no unnamed files, and its
            // lock or mark refused): this save's own, so it goes now.
            const int code = errno;
            ::unlink(candidate.constData());
            errno = code;
        }
        if (fd.isValid() || errno != EEXIST) {
            *name = candidate;
            return fd;
        }
    }
    errno = EEXIST;
    return UniqueFd();
}

// Whether `name` is one createTemporary makes for `target`.
bool isTemporaryName(const char* name, const QByteArray& target)
{
    const QByteArray stem = temporaryStem(target);
    const QByteArrayView view(name, qsizetype(std::strlen(name)));
    return temporaryStemSize(view, kTemporaryMarker) == stem.size() && view.startsWith(stem);
}

// Says once per path and reason in a process why a temporary is left, so
// that every later save does not say it again. At most kSaid are kept.
void sayLeft(const QByteArray& path, const QString& reason)
{
    constexpr qsizetype kSaid = 4096;
    const QByteArray key = path + '\0' + reason.toUtf8();
    // A std::mutex, whose locking ThreadSanitizer sees (saves run on any thread).
    static std::mutex mutex;
    static QSet<QByteArray> said;
    {
        const std::lock_guard<std::mutex> locker(mutex);
        if (said.contains(key))
            return;
        if (said.size() >= kSaid)
            said.clear();
        said.insert(key);
    }
    logWarning(QStringLiteral("The file '%1' looks like a temporary file of a save and is left: %2")
                   .arg(stringWithFileSystemRepresentation(path), reason));
}

// Why an item under a temporary's name is left; null when that goes unsaid
// (gone, or a running save's).
QString reasonLeft(const TemporaryLook& look, const QByteArray& target)
{
    switch (look.finding()) {
    case TemporaryFinding::Proved:
    case TemporaryFinding::Gone:
    case TemporaryFinding::Live:
    case TemporaryFinding::Unsettled:
        return {};
    case TemporaryFinding::Link:
        return QStringLiteral("it is a link");
    case TemporaryFinding::OtherKind:
        return QStringLiteral("it is not a regular file");
    case TemporaryFinding::OtherUser:
        return QStringLiteral("it belongs to another user");
    case TemporaryFinding::OtherMount:
        return QStringLiteral("it is on another file system");
    case TemporaryFinding::Unreadable:
        return errorMessage(look.error());
    case TemporaryFinding::Unmarked:
        return QStringLiteral("nothing shows that a save of '%1' made it").arg(stringWithFileSystemRepresentation(target));
    case TemporaryFinding::NoMarks:
        return QStringLiteral("its file system has no extended attributes to show a save made it");
    case TemporaryFinding::NoIdentity:
        return QStringLiteral("its file system gives no birth time or generation to show a save made it");
    case TemporaryFinding::NoLocks:
        return QStringLiteral("its file system's locks may not show a save running on another machine");
    }
    return {};
}

// Removes the temporary `name` in the folder open at `folder` when a save
// of `target` made it and was killed (TemporaryLook proves it, and holds
// its lock while it is removed). What cannot be shown is left and said.
void removeTemporaryIfLeft(int folder, const QByteArray& name, const QByteArray& target)
{
    const QByteArray path = target.left(target.lastIndexOf('/') + 1) + name;
    const TemporaryLook look(folder, folderOf(target), name, TemporaryKinds::Files);
    if (look.finding() != TemporaryFinding::Proved) {
        if (const QString reason = reasonLeft(look, target); !reason.isNull())
            sayLeft(path, reason);
        return;
    }
    if (::unlinkat(folder, name.constData(), 0) != 0)
        return;
    logWarning(QStringLiteral("Removed '%1', left by a save of '%2' that was stopped")
                   .arg(stringWithFileSystemRepresentation(path), stringWithFileSystemRepresentation(target)));
}

// Removes the temporaries that saves of `target` left when they were killed
// (removeTemporaryIfLeft); reads the folder once.
void removeLeftTemporaries(const QByteArray& target)
{
    const UniqueFd folder(::open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isValid())
        return;
    UniqueFd listed(::fcntl(folder.get(), F_DUPFD_CLOEXEC, 0));
    DIR* dir = listed.isValid() ? ::fdopendir(listed.get()) : nullptr;
    if (!dir)
        return;
    (void)listed.release();   // closedir's now
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        if (isTemporaryName(entry->d_name, target))
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    for (const QByteArray& name : names)
        removeTemporaryIfLeft(folder.get(), name, target);
}

// After the rename the folder entry itself must reach the disk too, or a
// crash could bring back the old name.
void syncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

FileReadStatus readRegularFile(const QString& path, qint64 maximumSize, QByteArray* data, QString* error,
                               const std::function<bool()>& stopped)
{
    data->clear();
    if (error)
        error->clear();
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty()) {
        setError(error, QStringLiteral("No file path given"));
        return FileReadStatus::Missing;
    }
    bool notRegular = false;
    const UniqueFd file = openRegularFile(bytes.constData(), &notRegular);
    if (!file.isValid()) {
        const int code = errno;
        if (notRegular) {
            setError(error, QStringLiteral("'%1' is not a regular file").arg(path));
            return FileReadStatus::NotRegular;
        }
        setError(error, errnoText(code, QStringLiteral("Cannot open"), path));
        return code == ENOENT || code == ENOTDIR ? FileReadStatus::Missing : FileReadStatus::Failed;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        setError(error, errnoText(errno, QStringLiteral("Cannot examine"), path));
        return FileReadStatus::Failed;
    }
    if (info.st_size > maximumSize) {
        setError(error, QStringLiteral("'%1' is larger than %2 bytes").arg(path).arg(maximumSize));
        return FileReadStatus::TooLarge;
    }
    // The file may grow while it is read: read one byte past the limit to notice.
    data->resize(qsizetype(info.st_size));
    qsizetype filled = 0;
    for (;;) {
        if (filled == data->size()) {
            if (filled > maximumSize)
                break;
            data->resize(qMin<qsizetype>(qsizetype(maximumSize) + 1, filled + 65536));
        }
        if (stopped && stopped()) {
            data->clear();
            setError(error, QStringLiteral("The reading was stopped"));
            return FileReadStatus::Failed;
        }
        // In steps, so that a stop is seen inside a large file too (one
        // read of 60 MB took some 30 ms of the kernel's time, and far longer
        // on a busy machine).
        constexpr qsizetype kStep = 256 * 1024;
        const ssize_t count = ::read(file.get(), data->data() + filled, size_t(std::min(kStep, data->size() - filled)));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            data->clear();
            setError(error, errnoText(errno, QStringLiteral("Cannot read"), path));
            return FileReadStatus::Failed;
        }
        if (count == 0)
            break;
        filled += count;
    }
    if (filled > maximumSize) {
        data->clear();
        setError(error, QStringLiteral("'%1' is larger than %2 bytes").arg(path).arg(maximumSize));
        return FileReadStatus::TooLarge;
    }
    data->resize(filled);
    return FileReadStatus::Read;
}

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error, AtomicWrite how,
                         const std::function<bool()>& mayReplace)
{
    if (error)
        error->clear();
    const QByteArray target = fileSystemRepresentation(path);
    if (target.isEmpty()) {
        setError(error, path.isEmpty() ? QStringLiteral("No file path given")
                                       : QStringLiteral("The path '%1' cannot name a file").arg(path));
        return false;
    }
    if (how == AtomicWrite::RemovingLeftTemporaries)
        removeLeftTemporaries(target);
    // The new file takes the permissions of the one it replaces, so
    // rewriting a private file never widens access to it.
    struct stat existing {};
    const bool replacing = ::stat(target.constData(), &existing) == 0;
    QByteArray temporary;
    MarkedTemporary claim;
    UniqueFd file = createTemporary(target, replacing ? 0600 : 0644, claim, &temporary);
    if (!file.isValid()) {
        setError(error, errnoText(errno, QStringLiteral("Cannot create a temporary file for"), path));
        return false;
    }
    // The temporary is locked and marked already (a read-only mode set
    // below would have refused the mark); the lock stays with `claim`.
    const auto fail = [&](const QString& what) {
        const int code = errno;
        ::unlink(temporary.constData());
        setError(error, errnoText(code, what, path));
        return false;
    };
    if (replacing && ::fchmod(file.get(), existing.st_mode & 07777) != 0)
        return fail(QStringLiteral("Cannot set the permissions of the temporary file for"));
    if (!writeAll(file.get(), data))
        return fail(QStringLiteral("Cannot write the temporary file for"));
    if (::fsync(file.get()) != 0)
        return fail(QStringLiteral("Cannot flush the temporary file for"));
    if (!file.close())
        return fail(QStringLiteral("Cannot close the temporary file for"));
    if (mayReplace && !mayReplace()) {
        ::unlink(temporary.constData());
        setError(error, QStringLiteral("'%1' changed while its replacement was written").arg(path));
        return false;
    }
    if (::rename(temporary.constData(), target.constData()) != 0)
        return fail(QStringLiteral("Cannot replace"));
    // The file in place is no temporary: the mark goes.
    claim.unmark();
    syncFolder(folderOf(target));
    return true;
}

bool writeFileInPlace(const QString& path, const QByteArray& data, QString* error)
{
    if (error)
        error->clear();
    const QByteArray target = fileSystemRepresentation(path);
    if (target.isEmpty()) {
        setError(error, QStringLiteral("No file path given"));
        return false;
    }
    UniqueFd file(::open(target.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666));
    if (!file.isValid()) {
        setError(error, errnoText(errno, QStringLiteral("Cannot open"), path));
        return false;
    }
    if (!writeAll(file.get(), data) || !file.close()) {
        setError(error, errnoText(errno, QStringLiteral("Cannot write"), path));
        return false;
    }
    return true;
}

} // namespace sorvant
