#include "system/file_data_copy.h"

#include "platform/file_system_representation.h"
#include "system/file_operations.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {
namespace {

// Bytes that hold no zero block: a hole made of them would show.
QByteArray patterned(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char('a' + (i * 7 + i / 4099) % 26);
    return bytes;
}

// Answers as a file system without its own lseek (FUSE): all of a file is data.
off_t seekAllData(int fd, off_t offset, int whence)
{
    struct stat status {};
    if ((whence != SEEK_DATA && whence != SEEK_HOLE) || ::fstat(fd, &status) != 0)
        return ::lseek(fd, offset, whence);
    if (offset >= status.st_size) {
        errno = ENXIO;
        return -1;
    }
    return whence == SEEK_DATA ? offset : status.st_size;
}

// Equal bytes; else the sizes and the first offset where they differ.
::testing::AssertionResult sameBytes(const QByteArray& copied, const QByteArray& source)
{
    if (copied == source)
        return ::testing::AssertionSuccess();
    qsizetype at = 0;
    while (at < copied.size() && at < source.size() && copied[at] == source[at])
        ++at;
    return ::testing::AssertionFailure() << "the copy holds " << copied.size() << " bytes, the source "
                                         << source.size() << "; they differ from byte " << at;
}

off_t seekRefused(int, off_t, int)
{
    errno = EINVAL;
    return -1;
}

class FileDataCopy : public ::testing::Test
{
protected:
    void TearDown() override { setDataSeekFunction(nullptr); }

    QByteArray bytesPath(const QString& relative) const { return fileSystemRepresentation(tree.filePath(relative)); }

    // Copies `from` into a new file `to` with copyFileData, told that the
    // source's size is `sizeSaid` (-1: what fstat says).
    bool copyTelling(const QString& from, const QString& to, off_t sizeSaid = -1)
    {
        const int in = ::open(bytesPath(from).constData(), O_RDONLY | O_CLOEXEC);
        const int out = ::open(bytesPath(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        struct stat source {};
        bool copied = in >= 0 && out >= 0 && ::fstat(in, &source) == 0;
        if (sizeSaid >= 0)
            source.st_size = sizeSaid;
        DataCopySide failed = DataCopySide::Reading;
        copied = copied && copyFileData(in, out, source, failed);
        ::close(in);
        ::close(out);
        return copied;
    }

    struct stat statusOf(const QString& relative) const
    {
        struct stat status {};
        ::stat(bytesPath(relative).constData(), &status);
        return status;
    }

    test::TempTree tree;
};

// A file whose size read 0 was copied empty, and one whose size read less
// than it held was cut there, both reported as copied. The size is a hint:
// a copy reads to the end, whether the file grew meanwhile or shrank.
TEST_F(FileDataCopy, ACopyReadsToTheEndWhateverTheSizeSays)
{
    const struct {
        const char* name;
        qsizetype holds;
        off_t sizeSaid;
    } cases[] = {
        {"size reads 0 (/proc)", 125, 0},
        {"size reads 0, several buffers", 300'000, 0},
        {"size reads less (grew)", 200'000, 70'000},
        {"size reads less, within one buffer", 5'000, 4'096},
        {"size reads more (shrank)", 1'000, 500'000},
        {"size reads right", 100'000, 100'000},
        {"empty", 0, 0},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const QByteArray data = patterned(row.holds);
        tree.writeFile("source", data);
        ASSERT_TRUE(copyTelling("source", "copy", row.sizeSaid));
        EXPECT_TRUE(sameBytes(test::readFileBytes(bytesPath("copy")), data));
        EXPECT_EQ(statusOf("copy").st_size, off_t(row.holds));
        ASSERT_EQ(::unlink(bytesPath("copy").constData()), 0);
    }
}

// The files of /proc say their size is 0; their copies were empty.
TEST_F(FileDataCopy, ProcFilesAreCopiedWhole)
{
    const struct {
        const char* path;
        bool stable;   // read twice, the same text
    } cases[] = {
        {"/proc/version", true},
        {"/proc/self/status", false},
        {"/proc/cpuinfo", false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.path);
        const QByteArray text = test::readFileBytes(row.path);
        if (text.isEmpty() || text == "<unreadable>")
            continue;   // not in this container
        FileError error;
        ASSERT_TRUE(copyPath(QString::fromLatin1(row.path), tree.filePath("copy"), &error))
            << error.description().toStdString();
        const QByteArray copied = test::readFileBytes(bytesPath("copy"));
        if (row.stable)
            EXPECT_TRUE(sameBytes(copied, text));
        else
            EXPECT_EQ(copied.left(copied.indexOf('\n')).toStdString(), text.left(text.indexOf('\n')).toStdString());
        EXPECT_GT(copied.size(), text.size() / 2);
        ASSERT_EQ(::unlink(bytesPath("copy").constData()), 0);
    }
}

// Through FUSE (bindfs), SEEK_DATA called a sparse file all data, and its
// copy took all its blocks: a 256 MB file holding 8 KB took 256 MB. Where
// the file system cannot tell, a file that looks sparse has its whole zero
// blocks left as holes; a file that does not look sparse is copied as it is.
TEST_F(FileDataCopy, ZeroBlocksStayHolesWhereTheFileSystemCannotTell)
{
    constexpr off_t kSize = (off_t(16) << 20) + 1234;   // ends within a block
    const QByteArray data = patterned(4096);
    const struct {
        const char* name;
        DataSeek seek;
    } seeks[] = {
        {"all of a file data", seekAllData},
        {"SEEK_DATA refused", seekRefused},
    };
    for (const bool sparse : {true, false}) {
        const int fd = ::open(bytesPath("source").constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        if (!sparse) {
            const QByteArray zeros(1 << 20, 0);
            for (off_t at = 0; at < kSize; at += zeros.size())
                ASSERT_EQ(::pwrite(fd, zeros.constData(), size_t(std::min<off_t>(zeros.size(), kSize - at)), at),
                          std::min<off_t>(zeros.size(), kSize - at));
        }
        // A whole block of data, a block partly data (kept whole), a hole at the end.
        ASSERT_EQ(::pwrite(fd, data.constData(), 4096, 0), 4096);
        ASSERT_EQ(::pwrite(fd, data.constData(), 100, (off_t(5) << 20) + 17), 100);
        ASSERT_EQ(::ftruncate(fd, kSize), 0);
        ::fsync(fd);
        ::close(fd);
        const struct stat source = statusOf("source");
        if (sparse && source.st_blocks * 512 > kSize / 4)
            GTEST_SKIP() << "this file system keeps no holes";
        const QByteArray whole = test::readFileBytes(bytesPath("source"));
        for (const auto& row : seeks) {
            SCOPED_TRACE(std::string(row.name) + (sparse ? ", sparse" : ", dense"));
            setDataSeekFunction(row.seek);
            ASSERT_TRUE(copyTelling("source", "copy"));
            setDataSeekFunction(nullptr);
            const struct stat copied = statusOf("copy");
            EXPECT_EQ(copied.st_size, kSize);
            EXPECT_TRUE(sameBytes(test::readFileBytes(bytesPath("copy")), whole));
            if (sparse)
                EXPECT_LE(copied.st_blocks * 512, source.st_blocks * 512 + (256 << 10));
            else
                EXPECT_GE(copied.st_blocks * 512, kSize - (256 << 10));
            ASSERT_EQ(::unlink(bytesPath("copy").constData()), 0);
        }
    }
}

} // namespace
} // namespace sorvant
