#include "platform/resource_values.h"

#include "platform/file_system_representation.h"
#include "platform/package_extensions.h"
#include "tests/support/temp_tree.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

namespace sorvant {
namespace {

class ResourceValues : public ::testing::Test
{
protected:
    test::TempTree tree;
};

TEST_F(ResourceValues, KindsDescribeTheItemItselfNotALinksTarget)
{
    const QString file = tree.writeFile("file.txt", "12345");
    const QString folder = tree.makeDir("folder");
    const QString link = tree.filePath("link");
    ASSERT_EQ(::symlink(fileSystemRepresentation(folder).constData(), fileSystemRepresentation(link).constData()), 0);
    struct Row { QString path; bool regular; bool directory; bool symlink; };
    const Row rows[] = {{file, true, false, false}, {folder, false, true, false}, {link, false, false, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        const QVariantMap values = resourceValuesForKeys(
            row.path, {NSURLIsRegularFileKey, NSURLIsDirectoryKey, NSURLIsSymbolicLinkKey, NSURLIsAliasFileKey});
        EXPECT_EQ(values.value(NSURLIsRegularFileKey).toBool(), row.regular);
        EXPECT_EQ(values.value(NSURLIsDirectoryKey).toBool(), row.directory);
        EXPECT_EQ(values.value(NSURLIsSymbolicLinkKey).toBool(), row.symlink);
        EXPECT_EQ(values.value(NSURLIsAliasFileKey), QVariant(false));
    }
    EXPECT_EQ(resourceValueForKey(file, NSURLFileSizeKey).toULongLong(), 5u);
    EXPECT_FALSE(resourceValueForKey(folder, NSURLTotalFileSizeKey).isValid());
    EXPECT_EQ(resourceValueForKey(file, NSURLNameKey).toString(), "file.txt");
    EXPECT_EQ(resourceValueForKey(file, NSURLLabelNumberKey).toInt(), 0);
}

TEST_F(ResourceValues, NoPathGivesNullWithoutErrorAndAMissingItemGivesTheErrno)
{
    FileError error{1, "x", "y"};
    EXPECT_FALSE(resourceValueForKey(QString(), NSURLIsDirectoryKey, &error).isValid());
    EXPECT_TRUE(error.isEmpty());
    EXPECT_FALSE(resourceValueForKey("", NSURLIsDirectoryKey, &error).isValid());
    EXPECT_TRUE(error.isEmpty());
    EXPECT_FALSE(resourceValueForKey(tree.filePath("missing"), NSURLIsDirectoryKey, &error).isValid());
    EXPECT_EQ(error.code, ENOENT);
    EXPECT_EQ(error.path, tree.filePath("missing"));
    EXPECT_FALSE(resourceValueForKey(tree.path(), QStringLiteral("NoSuchKey"), &error).isValid());
    EXPECT_TRUE(error.isEmpty());
}

TEST_F(ResourceValues, ModificationDateIsSetAndTheCreationDateIsRefused)
{
    const QString file = tree.writeFile("dated");
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1'500'000'000'123, Qt::UTC);
    ASSERT_TRUE(setResourceValueForKey(file, when, NSURLContentModificationDateKey));
    EXPECT_EQ(resourceValueForKey(file, NSURLContentModificationDateKey).toDateTime(), when);
    const QDateTime early = QDateTime::fromMSecsSinceEpoch(-1'500, Qt::UTC);
    ASSERT_TRUE(setResourceValueForKey(file, early, NSURLContentModificationDateKey));
    EXPECT_EQ(resourceValueForKey(file, NSURLContentModificationDateKey).toDateTime(), early);

    FileError error;
    EXPECT_FALSE(setResourceValueForKey(file, when, NSURLCreationDateKey, &error));
    EXPECT_EQ(error.code, ENOTSUP);
    EXPECT_FALSE(setResourceValueForKey(file, 2, NSURLLabelNumberKey, &error));
    // Both at once: the date that can be set is set, the answer is NO.
    const QDateTime later = when.addSecs(60);
    EXPECT_FALSE(setResourceValuesForKeys(file, {{NSURLCreationDateKey, when}, {NSURLContentModificationDateKey, later}},
                                          &error));
    EXPECT_EQ(resourceValueForKey(file, NSURLContentModificationDateKey).toDateTime(), later);
    const QVariant created = resourceValueForKey(file, NSURLCreationDateKey);
    if (created.isValid()) {
        EXPECT_GT(created.toDateTime(), QDateTime::currentDateTimeUtc().addDays(-1));
    }
}

TEST_F(ResourceValues, InvisibleByDotNameOrByTheParentsHiddenList)
{
    const QString dot = tree.writeFile(".dotfile");
    const QString listed = tree.writeFile("listed");
    const QString plain = tree.writeFile("plain");
    const QString deeper = tree.writeFile("sub/listed");
    EXPECT_TRUE(isInvisiblePath(dot));
    EXPECT_FALSE(isInvisiblePath(listed));
    tree.writeFile(".hidden", "other\nlisted\r\n\n");
    EXPECT_TRUE(isInvisiblePath(listed));
    EXPECT_FALSE(isInvisiblePath(plain));
    EXPECT_FALSE(isInvisiblePath(deeper));   // the list names items of its own folder only
    EXPECT_TRUE(resourceValueForKey(listed, NSURLIsHiddenKey).toBool());
    // A changed list is seen.
    ::usleep(10'000);
    tree.writeFile(".hidden", "plain\n");
    EXPECT_TRUE(isInvisiblePath(plain));
    EXPECT_FALSE(isInvisiblePath(listed));
    EXPECT_FALSE(isInvisiblePath("/"));
    EXPECT_FALSE(isInvisiblePath(""));
    EXPECT_FALSE(isInvisiblePath(QString()));
}

TEST_F(ResourceValues, PackagesAreFoldersWithABundleExtension)
{
    const QString app = tree.makeDir("Tool.app");
    const QString rtfd = tree.makeDir("Doc.RTFD");
    const QString plainFolder = tree.makeDir("app");
    const QString fileNamedApp = tree.writeFile("file.app");
    EXPECT_TRUE(resourceValueForKey(app, NSURLIsPackageKey).toBool());
    EXPECT_TRUE(resourceValueForKey(app, NSURLIsApplicationKey).toBool());
    EXPECT_TRUE(resourceValueForKey(rtfd, NSURLIsPackageKey).toBool());
    EXPECT_FALSE(resourceValueForKey(rtfd, NSURLIsApplicationKey).toBool());
    EXPECT_FALSE(resourceValueForKey(plainFolder, NSURLIsPackageKey).toBool());
    EXPECT_FALSE(resourceValueForKey(fileNamedApp, NSURLIsPackageKey).toBool());
}

TEST(PackageExtensions, SuffixesIgnoreCaseAndNeedTheDot)
{
    struct Row { const char* path; bool suffix; bool bundle; };
    const Row rows[] = {
        {"/x/Notes.TEXTBUNDLE", true, false}, {"/x/a.scptd", true, true}, {"/x/scptd", false, false},
        {"/x/Tool.app", false, true}, {"/x/Tool.App", false, true}, {"/x/app", false, false},
        {"/x/a.qxTemplate", true, false}, {"/x/a.txt", false, false}, {"", false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(hasPackageSuffix(QString::fromUtf8(row.path)), row.suffix);
        EXPECT_EQ(hasBundleExtension(QString::fromUtf8(row.path)), row.bundle);
    }
    EXPECT_FALSE(hasPackageSuffix(QString()));
    EXPECT_EQ(packageSuffixes().size(), 6);
}

} // namespace
} // namespace sorvant
