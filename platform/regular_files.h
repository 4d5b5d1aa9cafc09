#pragma once
// Opening a path that should hold a document (a picture, PDF, movie,
// archive, property list, text) so that whatever else stands there is never
// read: a FIFO would block the open until a writer comes, a device would be
// read without end, a socket cannot be opened at all. Every reader that
// hands a path to a library, or reads it itself, opens it here first.
//
// Inline: the program's modules (the image and PDF readers), which link no
// library of ours, use it too. The path is given as its bytes on disk
// (file_system_representation.h), so a name that is not UTF-8 opens too.

#include "platform/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {

// A descriptor open for reading (close-on-exec) on the regular file at
// `path`, a link followed, held for the caller; nothing held otherwise,
// with errno set. What is not a
// regular file is refused before it is opened, so a device is never opened
// (opening a tape rewinds it), and its type is checked again on the open
// descriptor, so a FIFO put in its place meanwhile is refused too (it is
// opened without blocking). `notRegular`, when given, is set to whether the
// refusal was for the item's type.
//   regular file            => isValid()
//   FIFO, socket, device    => nothing, *notRegular = true
//   link to "/dev/zero"     => nothing, *notRegular = true
//   folder                  => nothing, errno EISDIR, *notRegular = true
//   "/no/such/file"         => nothing, errno ENOENT, *notRegular = false
//   null or ""              => nothing, errno ENOENT
[[nodiscard]] inline UniqueFd openRegularFile(const char* path, bool* notRegular = nullptr)
{
    if (notRegular)
        *notRegular = false;
    if (path == nullptr || *path == '\0') {
        errno = ENOENT;
        return UniqueFd();
    }
    // Closes what was opened, if anything, keeping the errno of the refusal.
    const auto refuse = [notRegular](UniqueFd& opened, const struct stat* status) {
        const int code = status == nullptr ? errno : S_ISDIR(status->st_mode) ? EISDIR : ENODEV;
        if (notRegular && status != nullptr)
            *notRegular = true;
        opened.reset();
        errno = code;
        return UniqueFd();
    };
    struct stat status {};
    UniqueFd fd;
    if (::stat(path, &status) != 0)
        return refuse(fd, nullptr);
    if (!S_ISREG(status.st_mode))
        return refuse(fd, &status);
    fd.reset(::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.isValid() || ::fstat(fd.get(), &status) != 0)
        return refuse(fd, nullptr);
    if (!S_ISREG(status.st_mode))
        return refuse(fd, &status);
    // Readers of a regular file block as usual: libraries do not expect
    // EAGAIN from a file.
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// Whether the item at `path` (a link followed) is a regular file, asked
// without opening it.
//   regular file => true   FIFO, folder, link to "/dev/zero", missing => false
[[nodiscard]] inline bool isRegularFileAtPath(const char* path)
{
    struct stat status {};
    return path != nullptr && *path != '\0' && ::stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

} // namespace sorvant
