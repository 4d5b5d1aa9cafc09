#include "platform/atomic_file.h"

#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/regular_files.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Creates a new temporary file beside `target` with `mode` (less the umask,
// which the kernel applies). The name is the target's with a random suffix,
// or a short one when that would exceed the longest name a folder holds.
int createTemporary(const QByteArray& target, mode_t mode, QByteArray* name)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray base = target.mid(slash + 1);
    const QByteArray stem = target.left(slash + 1) + (base.size() + 12 > NAME_MAX ? QByteArray(".sorvant") : base);
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray candidate = stem + ".tmp.";
        for (int i = 0; i < 6; ++i)
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

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error)
{
    if (error)
        error->clear();
    const QByteArray target = fileSystemRepresentation(path);
    if (target.isEmpty()) {
        setError(error, path.isEmpty() ? QStringLiteral("No file path given")
                                       : QStringLiteral("The path '%1' cannot name a file").arg(path));
        return false;
    }
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
