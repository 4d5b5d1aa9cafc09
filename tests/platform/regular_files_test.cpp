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
        const UniqueFd fd = openRegularFile(QFile::encodeName(tree.filePath(name)).constData(), &notRegular);
        ASSERT_TRUE(fd.isValid());
        EXPECT_FALSE(notRegular);
        char bytes[4] = {};
        EXPECT_EQ(::read(fd.get(), bytes, sizeof bytes), 3);
        EXPECT_EQ((::fcntl(fd.get(), F_GETFL) & O_NONBLOCK), 0);
        EXPECT_NE((::fcntl(fd.get(), F_GETFD) & FD_CLOEXEC), 0);
        EXPECT_TRUE(isRegularFileAtPath(QFile::encodeName(tree.filePath(name)).constData()));
    }
    QStringList refused = tree.makeSpecialFiles(QStringLiteral("x"), QStringLiteral(".png"));
    const QString folder = tree.makeDir(QStringLiteral("folder.png"));
    refused.append(folder);
    for (const QString& path : refused) {
        SCOPED_TRACE(path.toStdString());
        bool notRegular = false;
        errno = 0;
        EXPECT_FALSE(openRegularFile(QFile::encodeName(path).constData(), &notRegular).isValid());
        EXPECT_EQ(errno, path == folder ? EISDIR : ENODEV);
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
        EXPECT_FALSE(openRegularFile(path, &notRegular).isValid());
        EXPECT_EQ(errno, ENOENT);
        EXPECT_FALSE(notRegular);
        EXPECT_FALSE(isRegularFileAtPath(path));
    }
}

} // namespace
} // namespace sorvant
