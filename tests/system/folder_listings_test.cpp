#include "system/folder_listings.h"

#include "platform/file_system_representation.h"
#include "system/file_operations.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {
namespace {

QStringList sorted(QStringList list)
{
    std::sort(list.begin(), list.end());
    return list;
}

class FolderListings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : {"a.jpg", "b.JPG", "c.Jpg", "jpg", "d.jpeg", ".e.jpg", "Photo-1.png", "photo-2.PNG"})
            tree.writeFile(QString::fromUtf8(name));
        tree.makeDir("folder.jpg");
    }
    QStringList paths(std::initializer_list<const char*> names) const
    {
        QStringList out;
        for (const char* name : names)
            out.append(tree.filePath(QString::fromUtf8(name)));
        return sorted(out);
    }

    test::TempTree tree;
};

TEST_F(FolderListings, EveryItemAsAFullPath)
{
    FileError error;
    EXPECT_EQ(sorted(pathsAtPath(tree.path(), &error)),
              paths({".e.jpg", "Photo-1.png", "a.jpg", "b.JPG", "c.Jpg", "d.jpeg", "folder.jpg", "jpg", "photo-2.PNG"}));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_TRUE(pathsAtPath(tree.filePath("missing"), &error).isEmpty());
    EXPECT_EQ(error.code, ENOENT);
    EXPECT_TRUE(pathsAtPath("").isEmpty());
    EXPECT_TRUE(pathsAtPath(QString()).isEmpty());
}

TEST_F(FolderListings, ExtensionsMatchInAnyCase)
{
    EXPECT_EQ(sorted(pathsAtPathMatchingExtension(tree.path(), "JPG")),
              paths({".e.jpg", "a.jpg", "b.JPG", "c.Jpg", "folder.jpg"}));
    EXPECT_TRUE(pathsAtPathMatchingExtension(tree.path(), QString()).isEmpty());
    EXPECT_TRUE(pathsAtPathMatchingExtension("", "jpg").isEmpty());
}

TEST_F(FolderListings, NamesByATest)
{
    const auto startsWithPhoto = [](const QString& name) { return name.left(5).compare("photo", Qt::CaseInsensitive) == 0; };
    EXPECT_EQ(sorted(pathsAtPathMatchingName(tree.path(), startsWithPhoto)), paths({"Photo-1.png", "photo-2.PNG"}));
    EXPECT_TRUE(pathsAtPathMatchingName(tree.path(), {}).isEmpty());
    EXPECT_TRUE(pathsAtPathMatchingName("", startsWithPhoto).isEmpty());
}

TEST_F(FolderListings, NonUtf8NamesComeBackUsable)
{
    const QString odd = stringWithFileSystemRepresentation(QByteArray("\xFFodd.jpg"));
    ASSERT_TRUE(createFile(tree.filePath(odd)));
    const QStringList found = pathsAtPathMatchingExtension(tree.path(), "jpg");
    ASSERT_TRUE(found.contains(tree.filePath(odd)));
    EXPECT_TRUE(removePath(tree.filePath(odd)));
}

TEST_F(FolderListings, PermissionsWithAndWithoutExecuteBits)
{
    const QString folder = tree.makeDir("perm");
    ASSERT_EQ(::chmod(fileSystemRepresentation(folder).constData(), 0755), 0);
    const QVariantMap plain = permissionsAtPath(folder, false);
    EXPECT_EQ(plain.value(NSFilePosixPermissions).toUInt(), 0644u);
    EXPECT_EQ(permissionsAtPath(folder, true).value(NSFilePosixPermissions).toUInt(), 0755u);
    EXPECT_EQ(plain.value(NSFileOwnerAccountID).toUInt(), ::geteuid());
    EXPECT_EQ(plain.value(NSFileGroupOwnerAccountID).toUInt(), ::getegid());
    EXPECT_TRUE(plain.contains(NSFileOwnerAccountName));
    EXPECT_EQ(permissionsAtPathByDeletingLastPathComponent(folder + "/inner", true), permissionsAtPath(folder, true));
    EXPECT_TRUE(permissionsAtPath(tree.filePath("missing"), false).isEmpty());
    EXPECT_TRUE(permissionsAtPath(QString(), false).isEmpty());
    EXPECT_TRUE(permissionsAtPathByDeletingLastPathComponent(QString(), false).isEmpty());
}

TEST_F(FolderListings, CapturedPermissionsGoToANewItem)
{
    const QString model = tree.writeFile("model");
    ASSERT_EQ(::chmod(fileSystemRepresentation(model).constData(), 0640), 0);
    const QString fresh = tree.writeFile("fresh");
    EXPECT_TRUE(setAttributesOfItemAtPath(permissionsAtPath(model, false), fresh));
    struct stat status {};
    ::stat(fileSystemRepresentation(fresh).constData(), &status);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_FALSE(setAttributesOfItemAtPath({}, ""));
}

} // namespace
} // namespace sorvant
