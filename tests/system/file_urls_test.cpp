#include "system/file_urls.h"

#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(FileURLs, FolderMarkComesFromTheCallerNotTheDisk)
{
    test::TempTree tree;
    const QString folder = tree.makeDir(QStringLiteral("a b"));
    const URL file = fileURLWithAbsolutePath(folder);
    const URL directory = directoryURLWithAbsolutePath(folder);
    EXPECT_FALSE(file.hasDirectoryPath());
    EXPECT_TRUE(directory.hasDirectoryPath());
    EXPECT_TRUE(directory.absoluteString().endsWith(QLatin1String("/a%20b/")));
    EXPECT_EQ(file.path(), folder);
    EXPECT_EQ(directory.path(), folder);
    EXPECT_EQ(directoryURLWithAbsolutePath(QStringLiteral("/")).absoluteString(), QStringLiteral("file:///"));
    EXPECT_TRUE(fileURLWithAbsolutePath(QString()).isNull());
    EXPECT_TRUE(directoryURLWithAbsolutePath(QString()).isNull());
}

TEST(FileURLs, UserTypedStringsAreNormalized)
{
    EXPECT_EQ(URLWithUserTypedString(QStringLiteral("www.example.org")).absoluteString(),
              QStringLiteral("http://www.example.org"));
    EXPECT_EQ(URLWithUserTypedString(QStringLiteral("http://h/a b")).absoluteString(), QStringLiteral("http://h/a%20b"));
    EXPECT_TRUE(URLWithUserTypedString(QStringLiteral("not a link")).isNull());
    EXPECT_TRUE(URLWithUserTypedString(QString()).isNull());
}

} // namespace
} // namespace sorvant
