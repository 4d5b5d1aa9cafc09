#include "system/file_data_copy.h"

#include "platform/file_system_representation.h"
#include "system/file_operations.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {
namespace {

// As FUSE without its own lseek answers: all of a file is data.
off_t seekAllData(int fd, off_t offset, int whence)
{
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (offset >= end)
        errno = ENXIO;
    return offset >= end ? -1 : whence == SEEK_DATA ? offset : end;
}

class FileDataCopy : public ::testing::Test
{
protected:
    void TearDown() override { setDataSeekFunction(nullptr); }

    QByteArray bytesPath(const char* name) const { return fileSystemRepresentation(tree.filePath(name)); }

    // Copies "source" to a new "copy" with copyFileData, told that the
    // source's size is `sizeSaid` (-1: what fstat says); the copy's status.
    struct stat copyTelling(off_t sizeSaid = -1)
    {
        ::unlink(bytesPath("copy").constData());
        const int in = ::open(bytesPath("source").constData(), O_RDONLY | O_CLOEXEC);
        const int out = ::open(bytesPath("copy").constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        struct stat status {};
        EXPECT_EQ(::fstat(in, &status), 0);
        status.st_size = sizeSaid >= 0 ? sizeSaid : status.st_size;
        DataCopySide failed = DataCopySide::Reading;
        EXPECT_TRUE(copyFileData(in, out, status, failed));
        ::close(in);
        ::close(out);
        ::stat(bytesPath("copy").constData(), &status);
        return status;
    }

    test::TempTree tree;
};

// A file whose size read 0 (/proc) was copied empty, one whose size read
// less than it held was cut there, both reported as copied. The size is a
// hint: a copy reads to the end, whether the file grew meanwhile or shrank.
TEST_F(FileDataCopy, ACopyReadsToTheEndWhateverTheSizeSays)
{
    const struct {
        qsizetype holds;
        off_t sizeSaid;
    } cases[] = {{125, 0}, {300'000, 0}, {200'000, 70'000}, {5'000, 4'096}, {1'000, 500'000}, {100'000, 100'000}, {0, 0}};
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::Message() << row.holds << " bytes, size said " << row.sizeSaid);
        QByteArray data(row.holds, Qt::Uninitialized);
        for (qsizetype i = 0; i < data.size(); ++i)
            data[i] = char('a' + (i * 7 + i / 4099) % 26);
        tree.writeFile("source", data);
        EXPECT_EQ(copyTelling(row.sizeSaid).st_size, off_t(row.holds));
        EXPECT_TRUE(test::readFileBytes(bytesPath("copy")) == data);
    }
}

// /proc files say their size is 0, and give their text a page or so per read.
TEST_F(FileDataCopy, ProcFilesAreCopiedWhole)
{
    for (const char* path : {"/proc/version", "/proc/cpuinfo"}) {
        SCOPED_TRACE(path);
        const QByteArray text = test::readFileBytes(path);
        if (text.isEmpty() || text == "<unreadable>")
            continue;   // not in this container
        ::unlink(bytesPath("copy").constData());
        FileError error;
        ASSERT_TRUE(copyPath(QString::fromLatin1(path), tree.filePath("copy"), &error)) << error.description().toStdString();
        const QByteArray copied = test::readFileBytes(bytesPath("copy"));
        EXPECT_EQ(copied.left(copied.indexOf('\n')).toStdString(), text.left(text.indexOf('\n')).toStdString());
        EXPECT_GT(copied.size(), text.size() * 3 / 4);   // a processor's speed may change between the two
    }
}

// Through FUSE (bindfs), SEEK_DATA called a sparse file all data, and its
// copy took all its blocks. Where the file system cannot tell, a file that
// looks sparse has its whole zero blocks left as holes; a file that does
// not look sparse is copied as it is.
TEST_F(FileDataCopy, ZeroBlocksStayHolesWhereTheFileSystemCannotTell)
{
    constexpr off_t kSize = (off_t(16) << 20) + 1234;   // ends within a block
    const QByteArray data(4096, 'd');
    const DataSeek refused = [](int, off_t, int) -> off_t { errno = EINVAL; return -1; };
    for (const bool sparse : {true, false}) {
        const int fd = ::open(bytesPath("source").constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_EQ(sparse ? 0 : ::posix_fallocate(fd, 0, kSize), 0);
        // A whole block of data, a block partly data (kept whole), a hole at the end.
        ASSERT_EQ(::pwrite(fd, data.constData(), 4096, 0), 4096);
        ASSERT_EQ(::pwrite(fd, data.constData(), 100, (off_t(5) << 20) + 17), 100);
        ASSERT_EQ(::ftruncate(fd, kSize), 0);
        ::fsync(fd);
        ::close(fd);
        struct stat source {};
        ::stat(bytesPath("source").constData(), &source);
        if (source.st_blocks * 512 > kSize / 4 && sparse)
            GTEST_SKIP() << "this file system keeps no holes";
        const QByteArray whole = test::readFileBytes(bytesPath("source"));
        for (const DataSeek seek : {seekAllData, refused}) {
            SCOPED_TRACE(testing::Message() << (seek == refused ? "SEEK_DATA refused, " : "all data, ")
                                            << (sparse ? "sparse" : "dense"));
            setDataSeekFunction(seek);
            const struct stat copied = copyTelling();
            EXPECT_EQ(copied.st_size, kSize);
            EXPECT_TRUE(test::readFileBytes(bytesPath("copy")) == whole);
            if (sparse)
                EXPECT_LE(copied.st_blocks * 512, source.st_blocks * 512 + (256 << 10));
            else
                EXPECT_GE(copied.st_blocks * 512, kSize - (256 << 10));
        }
    }
}

// Where the file system cannot tell, the end of a file within a block was
// written even when it held only zeros, one block more than the source's.
// A file ending in a hole (the end of its last block or a whole one) is
// copied into no more blocks than the same file without that end; an end
// holding data keeps it.
TEST_F(FileDataCopy, AZeroEndShorterThanABlockStaysAHole)
{
    const QByteArray data(4096, 'd');
    const struct {
        const char* what;
        off_t extra;         // bytes past the first 1 MB
        off_t dataAt;        // where a byte of data lies in them; -1: none
    } cases[] = {{"a 1-byte hole", 1, -1}, {"a 1234-byte hole", 1234, -1}, {"a hole of a block but a byte", 4095, -1},
                 {"a block and 1234 bytes of hole", 4096 + 1234, -1}, {"a byte of data, then zeros", 1234, 0}};
    setDataSeekFunction(seekAllData);
    const auto copyOf = [&](off_t size, off_t dataAt) {
        const int fd = ::open(bytesPath("source").constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        EXPECT_EQ(::pwrite(fd, data.constData(), 4096, 0), 4096);
        EXPECT_TRUE(dataAt < 0 || ::pwrite(fd, "e", 1, dataAt) == 1);
        EXPECT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
        const struct stat copied = copyTelling();
        EXPECT_EQ(copied.st_size, size);
        EXPECT_TRUE(test::readFileBytes(bytesPath("copy")) == test::readFileBytes(bytesPath("source")));
        return copied.st_blocks;
    };
    constexpr off_t kWhole = off_t(1) << 20;
    const blkcnt_t endingOnABlock = copyOf(kWhole, -1);
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        const blkcnt_t blocks = copyOf(kWhole + row.extra, row.dataAt < 0 ? -1 : kWhole + row.dataAt);
        if (row.dataAt < 0) {
            EXPECT_LE(blocks, endingOnABlock) << "blocks of 512 bytes";
        }
    }
}

} // namespace
} // namespace sorvant
