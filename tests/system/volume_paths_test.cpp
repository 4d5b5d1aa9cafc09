#include "system/volume_paths.h"

#include "platform/log.h"
#include "platform/path_semantics.h"
#include "system/standard_folders.h"
#include "tests/support/temporary_home.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(VolumePaths, RootsOfMountFolders)
{
    struct Row { const char* path; bool volume; bool root; const char* volumePath; };
    const Row rows[] = {
        {"/", false, true, nullptr},
        {"/Volumes", false, false, nullptr},
        {"/Volumes/", false, false, nullptr},
        {"/Volumes/volume", true, true, "/Volumes/volume"},
        {"/Volumes/volume/", true, true, "/Volumes/volume"},
        {"/Volumes/volume/dir", true, false, "/Volumes/volume"},
        {"/media/me", false, false, nullptr},
        {"/media/me/Stick", true, true, "/media/me/Stick"},
        {"/media/me/Stick/a/b", true, false, "/media/me/Stick"},
        {"/run/media/me/Stick/a", true, false, "/run/media/me/Stick"},
        {"/mnt/backup/x", true, false, "/mnt/backup"},
        {"/run/user/1000/gvfs", false, false, nullptr},
        {"/run/user/1000/gvfs/smb-share:server=nas,share=x", true, true,
         "/run/user/1000/gvfs/smb-share:server=nas,share=x"},
        {"/run/user/1000/doc/x", false, false, nullptr},
        {"/home/me/Volumes/x", false, false, nullptr},
        {"", false, false, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const QString path = QString::fromUtf8(row.path);
        EXPECT_EQ(isVolumePath(path), row.volume);
        EXPECT_EQ(isRootVolumePath(path), row.root);
        EXPECT_EQ(getVolumePath(path), row.volumePath ? QString::fromUtf8(row.volumePath) : QString());
        EXPECT_EQ(getVolumePath(path).isNull(), row.volumePath == nullptr);
    }
    EXPECT_FALSE(isVolumePath(QString()));
    EXPECT_FALSE(isRootVolumePath(QString()));
}

TEST(VolumePaths, TheStartUpVolumeIsLocalAndInternal)
{
    EXPECT_TRUE(isLocalVolumePath("/"));
    EXPECT_FALSE(isRemoteVolumePath("/"));
    EXPECT_FALSE(isLocalVolumePath(""));
    EXPECT_FALSE(isRemoteVolumePath(""));
    EXPECT_FALSE(isInternalVolumePath("/no/such/path/sorvant"));
}

TEST(VolumePaths, DiagnosticLogsEverySample)
{
    QStringList lines;
    const LogSink previous = setLogSink([&lines](const QString& line) { lines.append(line); });
    testRootVolumePath();
    setLogSink(previous);
    EXPECT_TRUE(lines.contains("/: 1"));
    EXPECT_TRUE(lines.contains("/Volumes/volume/: 1"));
    EXPECT_TRUE(lines.contains("/Volumes/volume/dir: 0"));
    EXPECT_GE(lines.size(), 14);
}

TEST(VolumePaths, TemporaryPaths)
{
    test::TemporaryHome temporary{resetStandardFolders};
    // A home outside the temporary folders, so that only the rules decide;
    // nothing is written there.
    temporary.setVariableBytes("HOME", "/home/tester");
    const QString home = "/home/tester";
    struct Row { QString path; bool temporary; };
    const Row rows[] = {
        {"/tmp", true}, {"/tmpfile", true}, {"/var/tmp/x", true}, {"/var/tmpx", false},
        {NSTemporaryDirectory() + "x", true},
        {home + "/.cache/TemporaryItems/x", true},
        {home + "/TemporaryItems/x", false},
        {home + "/Library/Mail/Downloads/a.mimeattach/b", true},
        {home + "/Library/Mail/Downloads/b", false},
        {"/home/other/x", false}, {"", false}, {QString(), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        EXPECT_EQ(isTemporaryPath(row.path), row.temporary);
    }
}

} // namespace
} // namespace sorvant
