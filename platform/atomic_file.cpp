#include "platform/atomic_file.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {

namespace {

QString errnoText(int code, const QString& what, const QString& path)
{
    return QStringLiteral("%1 '%2': %3").arg(what, path, QString::fromLocal8Bit(std::strerror(code)));
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

// The new file takes the permissions of the one it replaces, so rewriting a
// private file never widens access to it.
mode_t modeForReplacing(const QByteArray& path)
{
    struct stat info {};
    if (::stat(path.constData(), &info) == 0)
        return info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0644 & ~mask;
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

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error)
{
    if (error)
        error->clear();
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("No file path given");
        return false;
    }
    const QByteArray target = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    QByteArray pattern = target + ".tmp.XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = errnoText(errno, QStringLiteral("Cannot create a temporary file for"), path);
        return false;
    }
    const auto fail = [&](const QString& what) {
        const int code = errno;
        ::close(fd);
        ::unlink(pattern.constData());
        if (error)
            *error = errnoText(code, what, path);
        return false;
    };
    if (::fchmod(fd, modeForReplacing(target)) != 0)
        return fail(QStringLiteral("Cannot set the permissions of the temporary file for"));
    if (!writeAll(fd, data))
        return fail(QStringLiteral("Cannot write the temporary file for"));
    if (::fsync(fd) != 0)
        return fail(QStringLiteral("Cannot flush the temporary file for"));
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(pattern.constData());
        if (error)
            *error = errnoText(code, QStringLiteral("Cannot close the temporary file for"), path);
        return false;
    }
    if (::rename(pattern.constData(), target.constData()) != 0) {
        const int code = errno;
        ::unlink(pattern.constData());
        if (error)
            *error = errnoText(code, QStringLiteral("Cannot replace"), path);
        return false;
    }
    syncFolder(folder);
    return true;
}

} // namespace sorvant
