#pragma once
// A regular file opened for reading by its bytes on disk, so that a name
// that is not UTF-8 opens too (QFile would encode the name as UTF-8), and a
// FIFO or device is never handed to a library (platform/regular_files.h).
// Inline: the program's modules, which link no library of ours, use it too.

#include "platform/regular_files.h"

#include <QFile>

#include <memory>

namespace sorvant {

// Null for a null or empty path, for what is not a regular file and when
// the file cannot be opened; the QFile closes the descriptor.
[[nodiscard]] inline std::unique_ptr<QFile> openReadOnlyFile(const char* path)
{
    UniqueFd fd = openRegularFile(path);
    if (!fd.isValid())
        return nullptr;
    auto file = std::make_unique<QFile>();
    if (!file->open(fd.get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return nullptr;
    (void)fd.release();   // the QFile's now
    return file;
}

} // namespace sorvant
