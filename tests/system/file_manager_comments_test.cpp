#include "system/file_manager.h"

#include "platform/xattr.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(FileManagerComments, CommentsAreTheItemsAttribute)
{
    test::TempTree tree;
    const QString file = tree.writeFile("a.txt", "x");
    if (!setExtendedAttribute(file, "user.probe", "1"))
        GTEST_SKIP() << "the temporary file system has no user extended attributes";
    EXPECT_TRUE(finderCommentAtPath(file).isNull());
    ASSERT_TRUE(setFinderComment("Grüße, Notiz", file, false));
    EXPECT_EQ(finderCommentAtPath(file), "Grüße, Notiz");
    EXPECT_EQ(commentAtPath(file), "Grüße, Notiz");
    const QString folder = tree.makeDir("folder");
    ASSERT_TRUE(setFinderComment("folder note", folder, true));
    EXPECT_EQ(finderCommentAtPath(folder), "folder note");
    EXPECT_FALSE(setFinderComment("x", tree.filePath("missing"), false));
    EXPECT_FALSE(setFinderComment("x", {}, false));
    EXPECT_TRUE(finderCommentAtPath({}).isNull());
}

} // namespace
} // namespace sorvant
