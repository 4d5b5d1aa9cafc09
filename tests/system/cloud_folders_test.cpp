#include "system/cloud_folders.h"

#include "platform/capabilities.h"
#include "platform/file_system_representation.h"
#include "system/standard_folders.h"
#include "tests/support/temporary_home.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {
namespace {

class CloudFolders : public ::testing::Test
{
protected:
    void SetUp() override { resetCloudFolders(); }
    void TearDown() override { resetCloudFolders(); }

    test::TemporaryHome temporary{resetStandardFolders};
};

TEST_F(CloudFolders, ServicesByPlaceAndByName)
{
    const QString& home = temporary.home;
    struct Row { QString path; bool cloud; };
    const Row rows[] = {
        {iCloudFolder() + "/x", true},
        {home + "/.local/share/CloudStorage/iCloudDrive/x", true},
        {home + "/Documents/CloudMe/a", true},
        {home + "/Box Sync", true},
        {home + "/Box Syncing", false},
        {"/data/OneDrive - Firm/deep/x", true},
        {"/data/Google Drive/x", true},
        {"/data/GoogleDrive", true},
        {"/data/SeaDrive/x", true},
        {"/data/onedrive/x", false},   // the names are matched exactly
        {home + "/Dropbox/x", true},
        {home + "/Documents/x", false},
        {"", false},
        {QString(), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        EXPECT_EQ(isCloudFolder(row.path), row.cloud);
    }
    EXPECT_TRUE(iCloudFolder().startsWith(home + "/.local/share/"));
}

TEST_F(CloudFolders, DropboxSettingsNameTheFolders)
{
    temporary.tree.writeFile("home/.dropbox/info.json",
                             R"j({"personal": {"path": "/data/Dropbox (Personal)"}, "other": {}})j");
    EXPECT_EQ(DropboxFolders(), QStringList({"/data/Dropbox (Personal)"}));
    EXPECT_TRUE(isCloudFolder("/data/Dropbox (Personal)/x"));
    EXPECT_FALSE(isCloudFolder(temporary.home + "/Dropbox/x"));
    EXPECT_TRUE(isSharedCloudFolder("/Volumes/Disk/x"));
    EXPECT_FALSE(isUbiquityFolder("/data/Dropbox (Personal)/x"));
}

TEST_F(CloudFolders, BothDropboxAccountsInOrder)
{
    temporary.tree.writeFile("home/.dropbox/info.json",
                             R"j({"business": {"path": "/b"}, "personal": {"path": "/p"}})j");
    EXPECT_EQ(DropboxFolders(), QStringList({"/p", "/b"}));
}

TEST_F(CloudFolders, UnreadableSettingsGiveTheDefaultFolder)
{
    temporary.tree.writeFile("home/.dropbox/info.json", "{not json");
    EXPECT_EQ(DropboxFolders(), QStringList({temporary.home + "/Dropbox"}));
    // A FIFO in the settings' place is never opened for reading (it would block).
    const QByteArray settings = temporary.tree.filePath("home/.dropbox/info.json").toLocal8Bit();
    ASSERT_EQ(::unlink(settings.constData()), 0);
    ASSERT_EQ(::mkfifo(settings.constData(), 0600), 0);
    EXPECT_EQ(DropboxFolders(), QStringList({temporary.home + "/Dropbox"}));
}

TEST_F(CloudFolders, PlaceholderNames)
{
    EXPECT_TRUE(isiCloudPlaceholder(".a.txt.ICLOUD"));
    EXPECT_FALSE(isiCloudPlaceholder("a.txt.icloud"));
    EXPECT_FALSE(isiCloudPlaceholder("/x/.a.icloud"));
    EXPECT_FALSE(isiCloudPlaceholder(""));
    EXPECT_EQ(iCloudPlaceholder("/x/a.txt"), "/x/.a.txt.icloud");
    EXPECT_TRUE(isiCloudPlaceholder(".a.txt.icloud"));
    EXPECT_TRUE(iCloudPlaceholder(QString()).isNull());
}

TEST_F(CloudFolders, PlaceholdersExistOnlyInTheCloudDrive)
{
    const QString drive = temporary.tree.makeDir("home/.local/share/Mobile Documents/com~apple~CloudDocs");
    temporary.tree.writeFile("home/.local/share/Mobile Documents/com~apple~CloudDocs/.a.txt.icloud");
    temporary.tree.writeFile("home/elsewhere/.a.txt.icloud");
    EXPECT_TRUE(existsiCloudPlaceholderAtPath(drive + "/a.txt"));
    EXPECT_FALSE(existsiCloudPlaceholderAtPath(drive + "/b.txt"));
    EXPECT_FALSE(existsiCloudPlaceholderAtPath(temporary.home + "/elsewhere/a.txt"));
    EXPECT_FALSE(existsiCloudPlaceholderAtPath(QString()));
}

TEST_F(CloudFolders, DesktopAndDocumentsCountOnlyWithTheCapability)
{
    const QString documents = temporary.tree.makeDir("home/Documents");
    const QString cloudDocuments = temporary.tree.filePath("home/.local/share/Mobile Documents/com~apple~CloudDocs/Documents");
    temporary.tree.makeDir("home/.local/share/Mobile Documents/com~apple~CloudDocs");
    ASSERT_EQ(::symlink(fileSystemRepresentation(documents).constData(),
                        fileSystemRepresentation(cloudDocuments).constData()), 0);
    const QString inside = documents + "/report.txt";
    EXPECT_FALSE(isVolatileFolder(inside));
    EXPECT_FALSE(isUbiquityFolder(inside));
    {
        ScopedCapabilities cloud({.desktopAndDocumentsInCloud = true});
        EXPECT_TRUE(isVolatileFolder(inside));
        EXPECT_TRUE(isUbiquityFolder(inside));
        EXPECT_TRUE(isSharedVolatileFolder(inside));
        EXPECT_TRUE(isUbiquityFolder(temporary.home + "/Desktop/x"));
        EXPECT_FALSE(isUbiquityFolder(temporary.home + "/Music/x"));
    }
    EXPECT_FALSE(isVolatileFolder(inside));
}

} // namespace
} // namespace sorvant
