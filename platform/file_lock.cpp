#include "platform/file_lock.h"

#include "platform/file_error.h"
#include "platform/file_system_representation.h"

#include <algorithm>
#include <cerrno>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {

namespace {

// A wait for another holder looks again after 1 ms, then twice as long each
// time up to this: a settings save holds the lock for milliseconds to a
// second, and a waiter never sleeps much past its release.
constexpr std::chrono::milliseconds kLongestPause{32};

// Opens the lock file at `path` for locking, made when missing; -1 with
// errno set when it cannot be, EINVAL for what is no regular file.
int openLockFile(const QByteArray& path)
{
    // Read-only: a lock file another user made (0644) still locks. No link
    // is followed and a FIFO does not block the open.
    const int fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    struct stat info {};
    const int code = ::fstat(fd, &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : EINVAL;
    if (code == 0)
        return fd;
    ::close(fd);
    errno = code;
    return -1;
}

} // namespace

FileLock::Status FileLock::lock(const QString& path, std::chrono::milliseconds patience, QString* error)
{
    if (error)
        error->clear();
    if (m_fd >= 0)
        return Status::Locked;
    const QByteArray bytes = fileSystemRepresentation(path);
    const int fd = bytes.isEmpty() ? (errno = ENOENT, -1) : openLockFile(bytes);
    if (fd < 0) {
        const int code = errno;
        if (error)
            *error = QStringLiteral("'%1' cannot be opened for locking: %2")
                         .arg(path, code == EINVAL ? QStringLiteral("it is not a regular file") : errorMessage(code));
        return Status::Failed;
    }
    const auto deadline = std::chrono::steady_clock::now() + patience;
    std::chrono::milliseconds pause{1};
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_fd = fd;
            return Status::Locked;
        }
        const int code = errno;
        if (code == EINTR)
            continue;
        if (code != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            if (error)
                *error = code == EWOULDBLOCK
                             ? QStringLiteral("'%1' stayed locked by another holder for %2 s")
                                   .arg(path)
                                   .arg(double(patience.count()) / 1000)
                             : QStringLiteral("'%1' cannot be locked: %2").arg(path, errorMessage(code));
            return code == EWOULDBLOCK ? Status::TimedOut : Status::Failed;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, kLongestPause);
    }
}

void FileLock::unlock()
{
    if (m_fd < 0)
        return;
    // Closing the only descriptor of this open file lets go of the lock.
    ::close(m_fd);
    m_fd = -1;
}

} // namespace sorvant
