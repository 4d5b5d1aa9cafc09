#pragma once
// Copying a regular file's data from one descriptor to another, holes kept,
// for copyPath (system/file_operations.h).
//
// Not here: opening, permissions, times and attributes (system/file_operations.cpp).

#include <sys/types.h>

struct stat;

namespace sorvant {

// The side of a data copy that failed.
enum class DataCopySide { Reading, Writing };

// Copies `in` to its end into `out` (an empty file, written at the same
// offsets) and sets the copy's size; `source` is what fstat said of `in`.
// Its size is a hint, never a bound: a file that holds more than it says
// (/proc gives 0) or grows meanwhile is copied to where reading ends, one
// that shrinks to where it ends, and the copy's size is where reading ended.
// Holes stay holes: a file that looks sparse (fewer blocks than its size)
// has only the ranges SEEK_DATA/SEEK_HOLE find copied; where those cannot
// tell (FUSE, a file system without them, which call all of a file data)
// its blocks of zeros are left as holes instead, the last one too where
// the file ends within it. Data is copied in the kernel where it can
// (copy_file_range), else by reading and writing.
// NO with errno set, and `failed` naming the side, when a read or a write
// fails.
//   1 GB holding 8 KB at 0 and at 512 MB  => a 1 GB copy using 8 KB
//   /proc/version (size 0, 125 bytes)     => a copy of 125 bytes
bool copyFileData(int in, int out, const struct stat& source, DataCopySide& failed);

// For tests: the lseek asked where a file's data and holes lie (SEEK_DATA,
// SEEK_HOLE), to stand for a file system that cannot tell them. Null: the
// system's.
using DataSeek = off_t (*)(int fd, off_t offset, int whence);
void setDataSeekFunction(DataSeek function);

} // namespace sorvant
