#include "platform/atomic_file.h"

#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/regular_files.h"

#include <QRandomGenerator>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    [[nodiscard]] int get() const { return m_fd; }
    // Closes now and answers whether close() succeeded (it can report a
    // delayed write error).
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

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

// The attribute a temporary carries while its save runs: the name of the
// file it is to replace. Nothing else sets it, so it tells a temporary a
// killed save left from a file that merely has a temporary's name.
constexpr char kSaveMark[] = "user.sorvant.saving";
constexpr char kTemporaryMark[] = ".tmp.";
constexpr int kSuffixSize = 6;

// The name of the file at `target` (no folder).
QByteArray nameOf(const QByteArray& target)
{
    return target.mid(target.lastIndexOf('/') + 1);
}

// The start of the names of temporaries made for `target` (no folder): its
// name, or a short one when a suffix would pass the longest name a folder
// holds, then ".tmp.".
QByteArray temporaryPrefix(const QByteArray& target)
{
    const QByteArray base = nameOf(target);
    return (base.size() + 12 > NAME_MAX ? QByteArray(".sorvant") : base) + kTemporaryMark;
}

// Creates a new temporary file beside `target` with `mode` (less the umask,
// which the kernel applies), named temporaryPrefix and a random suffix.
int createTemporary(const QByteArray& target, mode_t mode, QByteArray* name)
{
    const QByteArray stem = target.left(target.lastIndexOf('/') + 1) + temporaryPrefix(target);
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray candidate = stem;
        for (int i = 0; i < kSuffixSize; ++i)
            candidate += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
        const int fd = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0 || errno != EEXIST) {
            *name = candidate;
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

// Locks the new temporary open at `fd` for as long as the save runs, then
// marks it as a temporary of `target`: whoever finds the mark finds the
// lock held while the save lives. Without locks or attributes the
// temporary stays unmarked, which later saves leave alone.
void claimTemporary(int fd, const QByteArray& target)
{
    int locked;
    do
        locked = ::flock(fd, LOCK_EX);
    while (locked != 0 && errno == EINTR);
    if (locked == 0) {
        const QByteArray name = nameOf(target);
        (void)::fsetxattr(fd, kSaveMark, name.constData(), size_t(name.size()), 0);
    }
}

// Whether `name` is one createTemporary makes with `prefix`.
bool isTemporaryName(const char* name, const QByteArray& prefix)
{
    if (std::strncmp(name, prefix.constData(), size_t(prefix.size())) != 0
        || std::strlen(name) != size_t(prefix.size() + kSuffixSize))
        return false;
    for (const char* c = name + prefix.size(); *c; ++c) {
        if (!((*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9')))
            return false;
    }
    return true;
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

// Removes the temporary `name` in the folder open at `folder` (on device
// `device`) when a save of `target` made it and was killed: a regular file
// of this user on the folder's file system, marked for `target` and not
// locked by a running save, still the item at that name. A link is never
// followed. What cannot be shown is left and said.
void removeTemporaryIfLeft(int folder, dev_t device, const QByteArray& name, const QByteArray& target)
{
    const QByteArray path = target.left(target.lastIndexOf('/') + 1) + name;
    Descriptor file(::openat(folder, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) {
        if (errno != ENOENT)   // gone: its save has ended
            sayLeft(path, errno == ELOOP ? QStringLiteral("it is a link") : errorMessage(errno));
        return;
    }
    struct stat opened {};
    if (::fstat(file.get(), &opened) != 0)
        return sayLeft(path, errorMessage(errno));
    if (!S_ISREG(opened.st_mode))
        return sayLeft(path, QStringLiteral("it is not a regular file"));
    if (opened.st_dev != device)
        return sayLeft(path, QStringLiteral("it is on another file system"));
    if (opened.st_uid != ::geteuid())
        return sayLeft(path, QStringLiteral("it belongs to another user"));
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK)   // else a running save holds it
            sayLeft(path, QStringLiteral("its file system has no locks"));
        return;
    }
    // Looked at under the lock: a save that ended meanwhile took the name away.
    const auto isStillThere = [&] {
        struct stat named {};
        return ::fstatat(folder, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == opened.st_dev
               && named.st_ino == opened.st_ino;
    };
    if (!isStillThere())
        return;
    const QByteArray expected = nameOf(target);
    QByteArray mark(qsizetype(NAME_MAX + 1), '\0');
    const ssize_t size = ::fgetxattr(file.get(), kSaveMark, mark.data(), size_t(mark.size()));
    if (size < 0 && (errno == ENOTSUP || errno == EOPNOTSUPP))
        return sayLeft(path, QStringLiteral("its file system has no extended attributes to show a save made it"));
    if (size < 0 || mark.left(size) != expected)
        return sayLeft(path, QStringLiteral("nothing shows that a save of '%1' made it")
                                 .arg(stringWithFileSystemRepresentation(target)));
    if (!isStillThere() || ::unlinkat(folder, name.constData(), 0) != 0)
        return;
    logWarning(QStringLiteral("Removed '%1', left by a save of '%2' that was stopped")
                   .arg(stringWithFileSystemRepresentation(path), stringWithFileSystemRepresentation(target)));
}

// Removes the temporaries that saves of `target` left when they were killed
// (removeTemporaryIfLeft); reads the folder once.
void removeLeftTemporaries(const QByteArray& target)
{
    Descriptor folder(::open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat status {};
    if (folder.get() < 0 || ::fstat(folder.get(), &status) != 0)
        return;
    const int listed = ::fcntl(folder.get(), F_DUPFD_CLOEXEC, 0);
    DIR* dir = listed < 0 ? nullptr : ::fdopendir(listed);
    if (!dir) {
        if (listed >= 0)
            ::close(listed);
        return;
    }
    const QByteArray prefix = temporaryPrefix(target);
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        if (isTemporaryName(entry->d_name, prefix))
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    for (const QByteArray& name : names)
        removeTemporaryIfLeft(folder.get(), status.st_dev, name, target);
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
    Descriptor file(openRegularFile(bytes.constData(), &notRegular));
    if (file.get() < 0) {
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

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error, AtomicWrite how)
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
    Descriptor file(createTemporary(target, replacing ? 0600 : 0644, &temporary));
    if (file.get() < 0) {
        setError(error, errnoText(errno, QStringLiteral("Cannot create a temporary file for"), path));
        return false;
    }
    // Marked before the permissions are set (a read-only mode would refuse
    // the mark); the lock stays with this second descriptor until the end.
    claimTemporary(file.get(), target);
    const Descriptor claim(::fcntl(file.get(), F_DUPFD_CLOEXEC, 0));
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
    if (::rename(temporary.constData(), target.constData()) != 0)
        return fail(QStringLiteral("Cannot replace"));
    // The file in place is no temporary: the mark goes (a read-only mode
    // keeps it where only the owner's rights could take it away).
    if (claim.get() >= 0)
        (void)::fremovexattr(claim.get(), kSaveMark);
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
    Descriptor file(::open(target.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666));
    if (file.get() < 0) {
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
