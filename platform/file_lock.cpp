#include "platform/file_lock.h"

#include "platform/file_error.h"
#include "platform/file_system_representation.h"

#include <algorithm>
#include <cerrno>
#include <thread>
#include <utility>

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

// Opens the lock file at `path` for locking, made when missing; nothing
// with errno set when it cannot be, EINVAL for what is no regular file.
UniqueFd openLockFile(const QByteArray& path)
{
    // Read-only: a lock file another user made (0644) still locks. No link
    // is followed and a FIFO does not block the open.
    UniqueFd fd(::open(path.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644));
    if (!fd.isValid())
        return fd;
    struct stat info {};
    const int code = ::fstat(fd.get(), &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : EINVAL;
    if (code == 0)
        return fd;
    fd.reset();
    errno = code;
    return fd;
}

} // namespace

FileLock::Status FileLock::lock(const QString& path, std::chrono::milliseconds patience, QString* error)
{
    if (error)
        error->clear();
    if (m_fd.isValid())
        return Status::Locked;
    const QByteArray bytes = fileSystemRepresentation(path);
    UniqueFd fd = bytes.isEmpty() ? (errno = ENOENT, UniqueFd()) : openLockFile(bytes);
    if (!fd.isValid()) {
        const int code = errno;
        if (error)
            *error = QStringLiteral("'%1' cannot be opened for locking: %2")
                         .arg(path, code == EINVAL ? QStringLiteral("it is not a regular file") : errorMessage(code));
        return Status::Failed;
    }
    const auto deadline = std::chrono::steady_clock::now() + patience;
    std::chrono::milliseconds pause{1};
    for (;;) {
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
            m_fd = std::move(fd);
            return Status::Locked;
        }
        const int code = errno;
        if (code == EINTR)
            continue;
        if (code != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            fd.reset();
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
    // Closing the only descriptor of this open file lets go of the lock.
    m_fd.reset();
}

} // namespace sorvant
