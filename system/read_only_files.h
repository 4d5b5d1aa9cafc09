#pragma once
// A file opened for reading by its bytes on disk, so that a name that is not
// UTF-8 opens too (QFile would encode the name as UTF-8). Inline: the
// program's modules, which link no library of ours, use it too.

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <memory>

namespace sorvant {

// Null for a null or empty path and when the file cannot be opened; the
// QFile closes the descriptor.
[[nodiscard]] inline std::unique_ptr<QFile> openReadOnlyFile(const char* path)
{
    if (path == nullptr || *path == '\0')
        return nullptr;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return nullptr;
    }
    return file;
}

} // namespace sorvant
