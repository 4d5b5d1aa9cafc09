#include "system/file_data_copy.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {

namespace {

constexpr size_t kBufferSize = size_t(1) << 16;
constexpr off_t kToTheEnd = std::numeric_limits<off_t>::max();

DataSeek dataSeek = ::lseek;

// One regular file being copied: whether the kernel still copies
// (copy_file_range) or bytes go through `buffer`, and whether whole zero
// blocks of `block` bytes are left as holes.
struct DataCopy {
    int in = -1;
    int out = -1;
    bool inKernel = false;
    bool holesFromZeros = false;
    size_t block = 4096;
    off_t sizeSaid = 0;  // what fstat said
    off_t written = 0;   // the end of the last bytes put in the copy
    std::unique_ptr<char[]> buffer;
};

bool isZero(const char* bytes, size_t length)
{
    return length == 0 || (bytes[0] == 0 && std::memcmp(bytes, bytes + 1, length - 1) == 0);
}

// The block a hole is made of: the source's, where it is a power of two
// that divides the buffer.
size_t holeBlockOf(const struct stat& source)
{
    const auto size = size_t(source.st_blksize);
    return size >= 512 && size <= kBufferSize && (size & (size - 1)) == 0 ? size : 4096;
}

// A file with fewer blocks than its size has holes (or is compressed):
// only then is it worth asking where its data lies.
bool looksSparse(const struct stat& source)
{
    return off_t(source.st_blocks) * 512 < source.st_size;
}

bool writeAt(DataCopy& copy, const char* bytes, size_t length, off_t offset, DataCopySide& failed)
{
    for (size_t done = 0; done < length;) {
        const ssize_t put = ::pwrite(copy.out, bytes + done, length - done, offset + off_t(done));
        if (put < 0 && errno != EINTR) {
            failed = DataCopySide::Writing;
            return false;
        }
        if (put > 0)
            done += size_t(put);
    }
    if (length > 0)
        copy.written = std::max(copy.written, offset + off_t(length));
    return true;
}

// Puts bytes read at `offset` into the copy; with holesFromZeros, the
// pieces of each block they cover (whole blocks, and parts of one at their
// edges) that hold only zeros are passed over, to stay holes. The copy
// starts empty, so what is not written reads as zeros, and its size is set
// at the end: zeros ending the file within a block take no block, as
// zeros of a whole one take none.
bool writeOut(DataCopy& copy, const char* bytes, size_t length, off_t offset, DataCopySide& failed)
{
    if (!copy.holesFromZeros)
        return writeAt(copy, bytes, length, offset, failed);
    const auto block = off_t(copy.block);
    size_t run = 0;   // where the bytes still to be written start
    for (size_t at = 0; at < length;) {
        const off_t here = offset + off_t(at);
        const size_t next = std::min(length, size_t(here - here % block + block - offset));
        if (isZero(bytes + at, next - at)) {
            if (!writeAt(copy, bytes + run, at - run, offset + off_t(run), failed))
                return false;
            run = next;
        }
        at = next;
    }
    return writeAt(copy, bytes + run, length - run, offset + off_t(run), failed);
}

// Copies the bytes [offset, end) to the same place in the copy: in the
// kernel while it can (a file system may answer by sharing extents), else
// by reading and writing. A kernel copy that fails or stops short hands
// the rest to reading and writing, whose error names the side that failed
// and whose end of file is the one believed: a read that returns 0, or a
// short one that ends where the size said (the file ended there as it was
// read: a file whose size says 0, or less than it holds, is read on).
// `offset` ends where the copy reached (short of `end` where the file ends
// first).
bool copyRange(DataCopy& copy, off_t& offset, off_t end, DataCopySide& failed)
{
    while (copy.inKernel && offset < end) {
        loff_t inOffset = offset;
        loff_t outOffset = offset;
        const auto asked = size_t(std::min<off_t>(end - offset, off_t(1) << 30));
        const ssize_t copied = ::copy_file_range(copy.in, &inOffset, copy.out, &outOffset, asked, 0);
        if (copied > 0) {
            offset += copied;
            copy.written = std::max(copy.written, offset);
            if (size_t(copied) < asked && offset == copy.sizeSaid)
                return true;
        } else if (copied == 0 || errno != EINTR) {
            copy.inKernel = false;
        }
    }
    if (offset < end && !copy.buffer)
        copy.buffer.reset(new char[kBufferSize]);
    while (offset < end) {
        const auto asked = size_t(std::min<off_t>(end - offset, off_t(kBufferSize)));
        const ssize_t got = ::pread(copy.in, copy.buffer.get(), asked, offset);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            failed = DataCopySide::Reading;
            return false;
        }
        if (!writeOut(copy, copy.buffer.get(), size_t(got), offset, failed))
            return false;
        offset += got;
        if (size_t(got) < asked && offset == copy.sizeSaid)
            return true;
    }
    return true;
}

// Copies the ranges of data the file system finds within the first `size`
// bytes, passing over its holes. `offset` ends where the rest is to be read
// from: the file's end when a hole reaches it, where the file ended when it
// shrank, or where the file system could not tell data from holes (its
// blocks of zeros are left as holes from there on).
bool copyDataRanges(DataCopy& copy, off_t size, off_t& offset, DataCopySide& failed)
{
    while (offset < size) {
        const off_t data = dataSeek(copy.in, offset, SEEK_DATA);
        if (data < 0 && errno == ENXIO) {
            // Only a hole is left, up to the file's end as it is now.
            const off_t end = ::lseek(copy.in, 0, SEEK_END);
            offset = end < 0 ? size : end;
            return true;
        }
        const off_t hole = data < 0 ? -1 : dataSeek(copy.in, data, SEEK_HOLE);
        // A file that looks sparse yet is all data, from the start to its
        // end, is one whose file system cannot tell (FUSE without lseek).
        if (hole < 0 || (offset == 0 && data == 0 && hole >= size)) {
            copy.holesFromZeros = true;
            copy.inKernel = false;
            return true;
        }
        offset = data;
        const off_t end = std::min(hole, size);
        if (!copyRange(copy, offset, end, failed))
            return false;
        if (offset < end)
            return true;   // the file shrank while it was copied
    }
    return true;
}

} // namespace

bool copyFileData(int in, int out, const struct stat& source, DataCopySide& failed)
{
    DataCopy copy;
    copy.in = in;
    copy.out = out;
    // A file that fits in the buffer takes one read and one write: fewer
    // calls than the kernel's copy, which two file systems that cannot
    // share data refuse file after file.
    copy.inKernel = source.st_size > off_t(kBufferSize);
    copy.block = holeBlockOf(source);
    copy.sizeSaid = source.st_size;
    off_t offset = 0;
    if (looksSparse(source) && !copyDataRanges(copy, source.st_size, offset, failed))
        return false;
    // The size read is no bound: the rest is read until the file ends.
    if (!copyRange(copy, offset, kToTheEnd, failed))
        return false;
    // A hole at the end, never written, is made by setting the size.
    if (offset > copy.written && ::ftruncate(out, offset) != 0) {
        failed = DataCopySide::Writing;
        return false;
    }
    return true;
}

void setDataSeekFunction(DataSeek function)
{
    dataSeek = function ? function : ::lseek;
}

} // namespace sorvant
