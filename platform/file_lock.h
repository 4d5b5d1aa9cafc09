#pragma once
// An exclusive lock on a file, taken with flock(2), for work that processes
// (or objects of one process) must not do at the same time: the read, merge
// and write of a settings file. The lock file stands beside what it guards;
// it is made when missing, never written and never removed (a removal lets
// one process lock the old file while another makes and locks a new one of
// the same name). The lock ends with unlock(), the object or the process,
// so a killed holder never leaves it held.
//
// Not for files other programs write: flock is advisory, and only holders
// of the same lock wait for each other.

#include "platform/unique_fd.h"

#include <QString>

#include <chrono>

namespace sorvant {

class FileLock
{
public:
    // How lock() ended.
    enum class Status {
        Locked,    // this object holds the lock
        TimedOut,  // another holder kept it for the whole patience
        Failed,    // the lock file cannot be opened or locked (`error` says why)
    };

    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock() { unlock(); }

    // Locks the regular file at `path`, made (0644 less the umask) when
    // missing, waiting at most `patience` for other holders. A link, folder,
    // FIFO or device at the path is not locked (and a FIFO never blocks).
    // `error` (cleared first) gets the reason for every status but Locked.
    // A lock this object holds already is kept.
    //   a missing file in a writable folder => Locked, the file made empty
    //   a file another object holds        => TimedOut after `patience`
    //   "/no/such/folder/lock"             => Failed, error names the path
    //   a link or a folder at the path     => Failed
    [[nodiscard]] Status lock(const QString& path, std::chrono::milliseconds patience, QString* error = nullptr);
    // Lets go of the lock; nothing when none is held.
    void unlock();
    [[nodiscard]] bool isLocked() const { return m_fd.isValid(); }

private:
    UniqueFd m_fd;
};

} // namespace sorvant
