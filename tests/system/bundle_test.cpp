#include "system/bundle.h"

#include "system/standard_folders.h"
#include "tests/support/main_bundle_scope.h"
#include "tests/support/temporary_home.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

class BundleTest : public testing::Test
{
protected:
    // Put back when the test ends, whatever it set.
    test::MainBundleScope m_mainBundle;

    void SetUp() override
    {
        home.setVariable("XDG_CACHE_HOME", "home/.cache");
        home.setVariable("XDG_STATE_HOME", "home/.local/state");
        resources = home.tree.makeDir("resources");
        Bundle::setMainBundle(Bundle(resources, {{"CFBundleName", "Tester"},
                                                 {"CFBundleIdentifier", "org.example.Tester"},
                                                 {"CFBundleSignature", "ABCD"},
                                                 {"CFBundleVersion", "2.9.2"}}));
    }
    void TearDown() override
    {
        setStringTranslator({});
    }
    test::TemporaryHome home{resetStandardFolders};
    QString resources;
};

TEST_F(BundleTest, TheTemporaryFolderStartsEmptyOncePerRun)
{
    Bundle& bundle = Bundle::mainBundle();
    const QString expected = home.home + "/.cache/TemporaryItems/Tester";
    const QString leftover = home.tree.writeFile("home/.cache/TemporaryItems/Tester/old.txt", "x");
    EXPECT_EQ(bundle.temporaryDirectory(), expected);
    EXPECT_FALSE(QFileInfo::exists(leftover));
    const QString kept = home.tree.writeFile("home/.cache/TemporaryItems/Tester/new.txt", "x");
    EXPECT_EQ(bundle.temporaryDirectory(), expected);
    EXPECT_TRUE(QFileInfo::exists(kept));
    // Another process of the same name (here: another bundle object, whose
    // lock is its own) finds the folder in use and leaves it alone.
    {
        Bundle other(bundle.resourcePath(), bundle.infoDictionary());
        EXPECT_EQ(other.temporaryDirectory(), expected);
        EXPECT_TRUE(QFileInfo::exists(kept));
    }
    // A folder removed by someone else comes back.
    QDir(expected).removeRecursively();
    EXPECT_EQ(bundle.temporaryDirectory(), expected);
    EXPECT_TRUE(QFileInfo(expected).isDir());

    EXPECT_EQ(bundle.temporaryDirectoryNamed({}), expected);
    EXPECT_TRUE(QFileInfo(bundle.temporaryDirectoryNamed("a/b")).isDir());
    EXPECT_TRUE(bundle.removeTemporaryDirectoryNamed("a"));
    EXPECT_FALSE(QFileInfo::exists(expected + "/a"));
    EXPECT_EQ(bundle.temporaryFileNamed("f"), expected + "/f");
    home.tree.writeFile("home/.cache/TemporaryItems/Tester/f");
    EXPECT_EQ(bundle.nonExistingTemporaryFileNamed("f"), expected + "/f-1");
    const QString unique = bundle.uniqueTemporaryDirectory();
    EXPECT_NE(unique, bundle.uniqueTemporaryDirectory());
    EXPECT_TRUE(QFileInfo(unique).isDir());
}

TEST_F(BundleTest, InfoEntriesAndSignature)
{
    const Bundle& bundle = Bundle::mainBundle();
    EXPECT_EQ(bundle.bundleIdentifier(), "org.example.Tester");
    EXPECT_EQ(bundle.bundleSignature(), 0x41424344u);
    EXPECT_EQ(Bundle(resources, {}).bundleSignature(), 0u);
    EXPECT_EQ(Bundle(resources, {{"CFBundleSignature", "ABC"}}).bundleSignature(), 0u);
    EXPECT_EQ(bundle.logFile(), home.home + "/.local/state/org.example.Tester.log");
    home.tree.writeFile("resources/Mail Scripts/Mail.applescript");
    EXPECT_EQ(bundle.pathForResource("Mail", "applescript", "Mail Scripts"),
              resources + "/Mail Scripts/Mail.applescript");
    EXPECT_TRUE(bundle.pathForResource("Other", "applescript", "Mail Scripts").isNull());
}

TEST_F(BundleTest, LocalizedStringsFallBackToTheKeyAndAreCached)
{
    int lookups = 0;
    setStringTranslator([&](const QString& key, const QString& table) -> QString {
        ++lookups;
        if (table == "Bundle" && key == "Cancel")
            return "Abbrechen";
        if (table.isNull() && key == "Open")
            return "Öffnen";
        if (table == "InfoPlist" && key == "CFBundleName")
            return "Prüfer";
        return {};
    });
    EXPECT_EQ(localizedToolkitString("Cancel"), "Abbrechen");
    EXPECT_EQ(localizedToolkitString("OK"), "OK");
    EXPECT_EQ(Bundle::mainBundle().localizedBundleName(), "Prüfer");
    EXPECT_EQ(Bundle::mainBundle().bundleName(), "Tester");
    lookups = 0;
    EXPECT_EQ(cachedLocalizedStringForKey("Open"), "Öffnen");
    EXPECT_EQ(cachedLocalizedStringForKey("Missing"), "Missing");
    EXPECT_EQ(cachedLocalizedStringForKey("Open"), "Öffnen");
    EXPECT_EQ(cachedLocalizedStringForKey("Missing"), "Missing");
    EXPECT_EQ(lookups, 2);
    EXPECT_TRUE(cachedLocalizedStringForKey({}).isNull());
}


} // namespace
} // namespace sorvant
