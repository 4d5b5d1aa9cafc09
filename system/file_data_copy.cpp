#include "system/file_data_copy.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace sorvant {

namespace {

// One regular file being copied: whether the kernel still copies
// (copy_file_range) or bytes go through `buffer`.
struct DataCopy {
    int in = -1;
    int out = -1;
    bool inKernel = true;
    std::vector<char> buffer = std::vector<char>(1 << 16);
};

// Copies the bytes [offset, end) to the same place in the copy: in the
// kernel while it can (a file system may answer by sharing extents), else
// by reading and writing. A kernel copy that fails or stops short hands
// the rest to reading and writing, whose error names the side that failed.
// `offset` ends where the copy reached (short of `end` when the file
// shrank meanwhile).
bool copyRange(DataCopy& copy, off_t& offset, off_t end, DataCopySide& failed)
{
    while (copy.inKernel && offset < end) {
        loff_t inOffset = offset;
        loff_t outOffset = offset;
        const ssize_t copied = ::copy_file_range(copy.in, &inOffset, copy.out, &outOffset,
                                                 size_t(std::min<off_t>(end - offset, off_t(1) << 30)), 0);
        if (copied > 0)
            offset += copied;
        else if (copied == 0 || errno != EINTR)
            copy.inKernel = false;
    }
    while (offset < end) {
        const ssize_t got = ::pread(copy.in, copy.buffer.data(),
                                    size_t(std::min<off_t>(end - offset, off_t(copy.buffer.size()))), offset);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            failed = DataCopySide::Reading;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::pwrite(copy.out, copy.buffer.data() + done, size_t(got - done), offset + done);
            if (put < 0 && errno != EINTR) {
                failed = DataCopySide::Writing;
                return false;
            }
            if (put > 0)
                done += put;
        }
        offset += got;
    }
    return true;
}

} // namespace

bool copyFileData(int in, int out, off_t size, DataCopySide& failed)
{
    DataCopy copy{in, out};
    for (off_t offset = 0; offset < size;) {
        off_t data = ::lseek(in, offset, SEEK_DATA);
        if (data < 0 && errno == ENXIO)
            break;   // only a hole is left
        // Where the file system cannot tell where its data is, all of the
        // file counts as data.
        off_t hole = data < 0 ? size : ::lseek(in, data, SEEK_HOLE);
        if (data < 0)
            data = offset;
        if (hole < 0 || hole > size)
            hole = size;
        off_t reached = data;
        if (!copyRange(copy, reached, hole, failed))
            return false;
        if (reached < hole) {
            size = reached;   // the file shrank while it was copied
            break;
        }
        offset = hole;
    }
    if (::ftruncate(out, size) == 0)
        return true;
    failed = DataCopySide::Writing;
    return false;
}

} // namespace sorvant
