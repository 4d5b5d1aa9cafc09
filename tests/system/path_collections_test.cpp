#include "system/path_collections.h"

#include "platform/property_list.h"
#include "platform/user_defaults.h"
#include "system/standard_folders.h"
#include "tests/support/temp_tree.h"
#include "tests/support/temporary_home.h"

#include <gtest/gtest.h>

#include <QFile>

namespace sorvant {
namespace {

TEST(MinimumCoverOfPaths, KeepsOnlyOutermostPaths)
{
    const struct
    {
        const char* name;
        QStringList paths;
        QStringList cover;
    } rows[] = {
        {"NestedAndSiblings", {"/a/b", "/a", "/c", "/a/bc"}, {"/a", "/c"}},
        {"PrefixIsNoParent", {"/ab", "/a"}, {"/a", "/ab"}},
        {"TrailingSlashParent", {"/a/", "/a/b/c"}, {"/a/"}},
        {"Duplicates", {"/x", "/x"}, {"/x"}},
        {"ChainOfParents", {"/a/b/c", "/a/b", "/a"}, {"/a"}},
        {"Single", {"/only/one"}, {"/only/one"}},
        {"Empty", {}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QStringList paths = row.paths;
        minimumCoverOfPaths(paths);
        EXPECT_EQ(paths, row.cover);
    }
}

class PathExtensionsForKey : public ::testing::Test
{
protected:
    test::TempTree m_tree;
    UserDefaults m_defaults{m_tree.filePath("defaults.plist")};
};

TEST_F(PathExtensionsForKey, StringsListsAndOtherValues)
{
    m_defaults.setObject(QStringLiteral(".jpg.png"), QStringLiteral("Dotted"));
    m_defaults.setObject(QStringLiteral("tif..gif.x y"), QStringLiteral("WithGaps"));
    m_defaults.setObject(QVariantList{QStringLiteral("tif"), 3, QStringLiteral("x y"), QStringLiteral("tif")},
                         QStringLiteral("List"));
    m_defaults.setObject(42, QStringLiteral("Number"));
    EXPECT_EQ(pathExtensionsForKey(m_defaults, QStringLiteral("Dotted")), (QStringList{"jpg", "png"}));
    EXPECT_EQ(pathExtensionsForKey(m_defaults, QStringLiteral("WithGaps")), (QStringList{"tif", "gif"}));
    // Repeats stay; a number in the list is no extension.
    EXPECT_EQ(pathExtensionsForKey(m_defaults, QStringLiteral("List")), (QStringList{"tif", "tif"}));
    EXPECT_TRUE(pathExtensionsForKey(m_defaults, QStringLiteral("Number")).isEmpty());
    EXPECT_TRUE(pathExtensionsForKey(m_defaults, QStringLiteral("Missing")).isEmpty());
}

// Points the home at a temporary tree, so that the Desktop folder is
// <home>/Desktop.
class DumpToDesktop : public ::testing::Test
{
protected:
    void SetUp() override { m_desktop = m_home.tree.makeDir("home/Desktop"); }
    QByteArray contents(const QString& name) const
    {
        QFile file(m_desktop + QLatin1Char('/') + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    test::TemporaryHome m_home{resetStandardFolders};
    QString m_desktop;
};

TEST_F(DumpToDesktop, WritesEachKindInItsFileForm)
{
    ASSERT_EQ(userDesktopFolder(), m_desktop);
    EXPECT_TRUE(dumpToDesktopWithFilename(QStringLiteral("gr\u00fc\u00df"), QStringLiteral("text.txt")));
    EXPECT_EQ(contents("text.txt"), QByteArray("gr\xc3\xbc\xc3\x9f"));
    EXPECT_TRUE(dumpToDesktopWithFilename(QByteArray("\x00\x01", 2), QStringLiteral("data.bin")));
    EXPECT_EQ(contents("data.bin"), QByteArray("\x00\x01", 2));
    const QVariantMap map{{QStringLiteral("k"), QVariantList{1, QStringLiteral("v")}}};
    EXPECT_TRUE(dumpToDesktopWithFilename(map, QStringLiteral("map.plist")));
    EXPECT_EQ(readPropertyListFile(m_desktop + QStringLiteral("/map.plist")), QVariant(map));
}

TEST_F(DumpToDesktop, RefusesValuesWithoutAFileFormAndBadNames)
{
    EXPECT_FALSE(dumpToDesktopWithFilename(QVariant(3), QStringLiteral("number")));
    EXPECT_FALSE(dumpToDesktopWithFilename(QVariant(), QStringLiteral("nil")));
    EXPECT_FALSE(dumpToDesktopWithFilename(QStringLiteral("x"), QString()));
    EXPECT_FALSE(dumpToDesktopWithFilename(QStringLiteral("x"), QStringLiteral("no/such/folder/x")));
    EXPECT_EQ(contents("number"), QByteArray("<missing>"));
}

} // namespace
} // namespace sorvant
