#pragma once
// Copying a regular file's data from one descriptor to another, holes kept,
// for copyPath (system/file_operations.h).
//
// Not here: opening, permissions, times and attributes (system/file_operations.cpp).

#include <sys/types.h>

namespace sorvant {

// The side of a data copy that failed.
enum class DataCopySide { Reading, Writing };

// Copies the first `size` bytes of `in` into `out` (an empty file, written
// at the same offsets) and sets the copy's size: only the ranges that hold
// data (SEEK_DATA, SEEK_HOLE) are copied, so a sparse file stays sparse,
// in the kernel where it can (copy_file_range), else by reading and writing.
// A file that shrinks meanwhile is copied to where it ends. NO with errno
// set, and `failed` naming the side, when a read or a write fails.
//   1 GB holding 8 KB at 0 and at 512 MB => a 1 GB copy using 8 KB
bool copyFileData(int in, int out, off_t size, DataCopySide& failed);

} // namespace sorvant
