#include "system/standard_folders.h"

#include "tests/support/temporary_home.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(StandardFolders, DefaultsFollowTheXdgLayoutUnderHome)
{
    test::TemporaryHome temporary{resetStandardFolders};
    const QString& home = temporary.home;
    EXPECT_EQ(libraryDirectory(), home + "/.local/share");
    EXPECT_EQ(applicationSupportDirectory(), home + "/.local/share");
    EXPECT_EQ(preferencesDirectory(), home + "/.config");
    EXPECT_EQ(cachesDirectory(), home + "/.cache");
    EXPECT_EQ(logsDirectory(), home + "/.local/state");
    EXPECT_EQ(desktopDirectory(), home + "/Desktop");
    EXPECT_EQ(downloadsDirectory(), home + "/Downloads");
    EXPECT_EQ(UserHomeDirectory(), home);
    EXPECT_EQ(userHomeDirectory(), home);
    EXPECT_EQ(userDocumentsFolder(), home + "/Documents");
    EXPECT_EQ(pathInCachesDirectory("x/y"), home + "/.cache/x/y");
    EXPECT_EQ(pathInApplicationSupportDirectory("Sorvant"), home + "/.local/share/Sorvant");
    EXPECT_EQ(pathInHomeDirectory(""), home);
}

TEST(StandardFolders, NoLibraryFolderIsEverMadeInTheHome)
{
    test::TemporaryHome temporary{resetStandardFolders};
    (void)userLibraryDirectory();
    (void)pathInLibraryDirectory("Preferences");
    (void)pathInPreferencesDirectory("x.plist");
    EXPECT_FALSE(QFileInfo::exists(temporary.home + "/Library"));
    EXPECT_FALSE(userLibraryDirectory().contains("Library"));
}

TEST(StandardFolders, XdgVariablesOverrideAndRelativeOnesAreIgnored)
{
    test::TemporaryHome temporary{resetStandardFolders};
    const QString cache = temporary.setVariable("XDG_CACHE_HOME", "elsewhere/cache");
    const QString data = temporary.setVariable("XDG_DATA_HOME", "elsewhere/data");
    EXPECT_EQ(cachesDirectory(), cache);
    EXPECT_EQ(libraryDirectory(), data);
    EXPECT_EQ(userLibraryDirectory(), data);
    temporary.setVariableBytes("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(preferencesDirectory(), temporary.home + "/.config");
}

TEST(StandardFolders, UserFoldersComeFromUserDirsFile)
{
    test::TemporaryHome temporary{resetStandardFolders};
    const QString config = temporary.setVariable("XDG_CONFIG_HOME", "config");
    temporary.tree.writeFile("config/user-dirs.dirs",
                             "# written by xdg-user-dirs-update\n"
                             "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                             "XDG_DOWNLOAD_DIR=\"/srv/downloads/\"\n"
                             "XDG_DOCUMENTS_DIR=\"$HOME/\"\n"
                             "XDG_MUSIC_DIR=relative\n");
    resetStandardFolders();
    EXPECT_EQ(desktopDirectory(), temporary.home + "/Schreibtisch");
    EXPECT_EQ(userDesktopFolder(), temporary.home + "/Schreibtisch");
    EXPECT_EQ(downloadsDirectory(), "/srv/downloads");
    // A folder set to the home itself means none: the English name is used.
    EXPECT_EQ(userDocumentsFolder(), temporary.home + "/Documents");
    EXPECT_EQ(standardFolderPath(StandardFolder::Music, temporary.home), temporary.home + "/Music");
    EXPECT_EQ(standardFolderPath(StandardFolder::Movies, temporary.home), temporary.home + "/Movies");
}

TEST(StandardFolders, FoldersAreCachedUntilReset)
{
    test::TemporaryHome temporary{resetStandardFolders};
    const QString first = cachesDirectory();
    qputenv("XDG_CACHE_HOME", "/somewhere/else");
    EXPECT_EQ(cachesDirectory(), first);
    resetStandardFolders();
    EXPECT_EQ(cachesDirectory(), "/somewhere/else");
}

TEST(StandardFolders, SnapAndSandboxUseTheRealHome)
{
    test::TemporaryHome temporary{resetStandardFolders};
    const QString real = temporary.tree.makeDir("real-home");
    temporary.setVariableBytes("SNAP_REAL_HOME", real.toUtf8());
    EXPECT_EQ(userHomeDirectory(), real);
    EXPECT_EQ(UserHomeDirectory(), temporary.home);
    EXPECT_EQ(userDocumentsFolder(), real + "/Documents");
    EXPECT_EQ(desktopDirectory(), temporary.home + "/Desktop");
}

TEST(StandardFolders, NoHomeGivesNull)
{
    EXPECT_TRUE(standardFolderPath(StandardFolder::Caches, QString()).isNull());
    EXPECT_TRUE(standardFolderPath(StandardFolder::Caches, "").isNull());
}

} // namespace
} // namespace sorvant
