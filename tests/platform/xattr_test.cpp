#include "platform/xattr.h"

#include "platform/file_system_representation.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/xattr.h>

namespace sorvant {
namespace {

class ExtendedAttributes : public ::testing::Test
{
protected:
    void SetUp() override
    {
        file = tree.writeFile("item.txt", "x");
        // Written with the raw call, so reading is checked against the kernel.
        if (::setxattr(fileSystemRepresentation(file).constData(), "user.sorvant-probe", "1", 1, 0) != 0)
            GTEST_SKIP() << "the temporary file system has no user extended attributes";
    }
    void writeRaw(const char* name, const QByteArray& value)
    {
        ASSERT_EQ(::setxattr(fileSystemRepresentation(file).constData(), name, value.constData(),
                             size_t(value.size()), 0), 0);
    }

    test::TempTree tree;
    QString file;
};

TEST(TagList, ParsingTrimsAndDropsEmptyEntries)
{
    struct Row { QByteArray value; QStringList tags; };
    const Row rows[] = {
        {"red", {"red"}}, {"red, work ,,", {"red", "work"}}, {" a b ,\tc", {"a b", "c"}},
        {"", {}}, {QByteArray(), {}}, {",,,", {}}, {"caf\xC3\xA9", {QString::fromUtf8("café")}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value.toStdString());
        EXPECT_EQ(tagNamesFromAttributeValue(row.value), row.tags);
    }
}

TEST_F(ExtendedAttributes, TagsAreReadFromTheXdgAttribute)
{
    EXPECT_TRUE(tagNamesAtPath(file).isEmpty());
    writeRaw("user.xdg.tags", "Important, Work");
    EXPECT_EQ(tagNamesAtPath(file), QStringList({"Important", "Work"}));
    writeRaw("user.xdg.tags", "");
    EXPECT_TRUE(tagNamesAtPath(file).isEmpty());
}

TEST_F(ExtendedAttributes, WrittenTagsReadBackAndAnEmptyListRemovesThem)
{
    ASSERT_TRUE(setTagNamesAtPath(file, {" one ", "", "two"}));
    char buffer[64] = {};
    const ssize_t size = ::getxattr(fileSystemRepresentation(file).constData(), "user.xdg.tags", buffer, sizeof buffer);
    EXPECT_EQ(QByteArray(buffer, int(size)), QByteArray("one,two"));
    ASSERT_TRUE(setTagNamesAtPath(file, {}));
    EXPECT_TRUE(extendedAttribute(file, kTagsAttribute).isNull());
    EXPECT_TRUE(setTagNamesAtPath(file, {}));   // removing what is not there succeeds
}

TEST_F(ExtendedAttributes, MissingAttributeAndMissingItemAreNull)
{
    FileError error;
    EXPECT_TRUE(extendedAttribute(file, "user.none", &error).isNull());
    EXPECT_EQ(error.code, ENODATA);
    EXPECT_TRUE(extendedAttribute(tree.filePath("missing"), kTagsAttribute, &error).isNull());
    EXPECT_EQ(error.code, ENOENT);
    EXPECT_TRUE(extendedAttribute(QString(), kTagsAttribute, &error).isNull());
    EXPECT_FALSE(error.isEmpty());
    writeRaw("user.empty", "");
    EXPECT_FALSE(extendedAttribute(file, "user.empty", &error).isNull());
    EXPECT_TRUE(error.isEmpty());
}

TEST_F(ExtendedAttributes, CommentsRoundTripAndClear)
{
    EXPECT_TRUE(commentAtPath(file).isNull());
    ASSERT_TRUE(setCommentAtPath(file, QString::fromUtf8("Entwurf für später")));
    EXPECT_EQ(commentAtPath(file), QString::fromUtf8("Entwurf für später"));
    ASSERT_TRUE(setCommentAtPath(file, QString()));
    EXPECT_TRUE(commentAtPath(file).isNull());
}

TEST_F(ExtendedAttributes, LinksShowTheirTargetsTags)
{
    writeRaw("user.xdg.tags", "linked");
    const QString link = tree.filePath("link");
    ASSERT_EQ(::symlink(fileSystemRepresentation(file).constData(), fileSystemRepresentation(link).constData()), 0);
    EXPECT_EQ(tagNamesAtPath(link), QStringList({"linked"}));
}

} // namespace
} // namespace sorvant
