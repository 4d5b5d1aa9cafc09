#include "platform/regular_files.h"

#include "tests/support/temp_tree.h"

#include <QFile>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// Each special item is refused for its type without blocking; the regular
// file opens and reads, also through a link.
TEST(RegularFiles, OnlyRegularFilesOpen)
{
    test::TempTree tree;
    const QString file = tree.writeFile(QStringLiteral("a.png"), "abc");
    ASSERT_TRUE(QFile::link(file, tree.filePath(QStringLiteral("link.png"))));
    for (const QString& name : {QStringLiteral("a.png"), QStringLiteral("link.png")}) {
        SCOPED_TRACE(name.toStdString());
        bool notRegular = true;
        const int fd = openRegularFile(QFile::encodeName(tree.filePath(name)).constData(), &notRegular);
        ASSERT_GE(fd, 0);
        EXPECT_FALSE(notRegular);
        char bytes[4] = {};
        EXPECT_EQ(::read(fd, bytes, sizeof bytes), 3);
        EXPECT_EQ((::fcntl(fd, F_GETFL) & O_NONBLOCK), 0);
        EXPECT_NE((::fcntl(fd, F_GETFD) & FD_CLOEXEC), 0);
        ::close(fd);
        EXPECT_TRUE(isRegularFileAtPath(QFile::encodeName(tree.filePath(name)).constData()));
    }
    QStringList refused = tree.makeSpecialFiles(QStringLiteral("x"), QStringLiteral(".png"));
    refused.append(tree.makeDir(QStringLiteral("folder.png")));
    for (const QString& path : refused) {
        SCOPED_TRACE(path.toStdString());
        bool notRegular = false;
        EXPECT_EQ(openRegularFile(QFile::encodeName(path).constData(), &notRegular), -1);
        EXPECT_TRUE(notRegular);
        EXPECT_FALSE(isRegularFileAtPath(QFile::encodeName(path).constData()));
    }
}

TEST(RegularFiles, MissingAndEmptyPathsAreNotTypeRefusals)
{
    for (const char* path : {"/no/such/file", "", static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(path ? path : "(null)");
        bool notRegular = true;
        errno = 0;
        EXPECT_EQ(openRegularFile(path, &notRegular), -1);
        EXPECT_EQ(errno, ENOENT);
        EXPECT_FALSE(notRegular);
        EXPECT_FALSE(isRegularFileAtPath(path));
    }
}

} // namespace
} // namespace sorvant
