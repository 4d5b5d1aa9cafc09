#include "system/trash.h"

#include "platform/file_error.h"
#include "system/file_manager.h"
#include "system/standard_folders.h"
#include "tests/support/temporary_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {
namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

class Trash : public testing::Test
{
protected:
    void SetUp() override { trash = home.setVariable("XDG_DATA_HOME", "home/.local/share") + "/Trash"; }
    test::TemporaryHome home{resetStandardFolders};
    QString trash;
};

TEST_F(Trash, ItemsGoToTheHomeTrashWithTheirRecord)
{
    const QString item = home.tree.writeFile("docs/a b%.txt", "contents");
    QString trashed;
    FileError error;
    ASSERT_TRUE(moveItemToTrash(item, &trashed, &error)) << error.description().toStdString();
    EXPECT_EQ(trashed, trash + "/files/a b%.txt");
    EXPECT_FALSE(QFileInfo::exists(item));
    EXPECT_EQ(readAll(trashed), "contents");
    const QByteArray info = readAll(trash + "/info/a b%.txt.trashinfo");
    const QByteArray escaped = QFile::encodeName(home.tree.path()).toPercentEncoding("/");
    EXPECT_TRUE(info.startsWith("[Trash Info]\nPath=" + escaped + "/docs/a%20b%25.txt\nDeletionDate="))
        << info.constData();
    EXPECT_EQ(QFileInfo(trash).permissions() & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
}

TEST_F(Trash, NamesInTheTrashAreNeverReused)
{
    // A record of an earlier deletion, and an item left without its record.
    home.tree.writeFile("home/.local/share/Trash/info/n.txt.trashinfo", "[Trash Info]\n");
    home.tree.writeFile("home/.local/share/Trash/files/n.2.txt", "orphan");
    const QString item = home.tree.writeFile("n.txt", "new");
    QString trashed;
    ASSERT_TRUE(moveItemToTrash(item, &trashed));
    EXPECT_EQ(trashed, trash + "/files/n.3.txt");
    EXPECT_EQ(readAll(trash + "/files/n.2.txt"), "orphan");
    const QString folder = home.tree.makeDir("n.txt");
    home.tree.writeFile("n.txt/inner", "x");
    ASSERT_TRUE(moveItemToTrash(folder, &trashed));
    EXPECT_EQ(trashed, trash + "/files/n.4.txt");
    EXPECT_EQ(readAll(trashed + "/inner"), "x");
}

TEST_F(Trash, LinksAreTrashedThemselves)
{
    const QString target = home.tree.writeFile("target", "keep");
    const QString link = home.tree.filePath("link");
    ASSERT_EQ(::symlink(target.toUtf8().constData(), link.toUtf8().constData()), 0);
    QString trashed;
    ASSERT_TRUE(moveItemToTrash(link, &trashed));
    EXPECT_TRUE(QFileInfo(trashed).isSymLink());
    EXPECT_EQ(readAll(target), "keep");
}

TEST_F(Trash, AFailureLosesNothing)
{
    const QString item = home.tree.writeFile("keep.txt", "keep");
    // The trash cannot be made: its "files" folder is a file.
    home.tree.writeFile("home/.local/share/Trash/files", "in the way");
    FileError error;
    EXPECT_FALSE(moveItemToTrash(item, nullptr, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readAll(item), "keep");
    EXPECT_TRUE(namesIn(trash + "/info").isEmpty());
    EXPECT_FALSE(recycleFile(item, false));
    EXPECT_EQ(readAll(item), "keep");
    EXPECT_FALSE(moveItemToTrash(home.tree.filePath("missing"), nullptr, &error));
    EXPECT_EQ(error.code, ENOENT);
    EXPECT_FALSE(moveItemToTrash("relative/path", nullptr, &error));
}

TEST_F(Trash, RecycleAnswersForGoneAndRefusedItems)
{
    EXPECT_TRUE(recycleFile(home.tree.filePath("never-was")));
    EXPECT_FALSE(recycleFile({}));
    const QString item = home.tree.writeFile("x.txt", "x");
    EXPECT_TRUE(recycleFile(item, false));
    EXPECT_TRUE(QFileInfo::exists(trash + "/files/x.txt"));
    // With removal allowed, an item the trash refuses is deleted.
    ASSERT_TRUE(QDir(trash + "/info").removeRecursively());
    home.tree.writeFile("home/.local/share/Trash/info", "in the way");
    const QString refused = home.tree.writeFile("y.txt", "y");
    EXPECT_FALSE(recycleFile(refused, false));
    EXPECT_TRUE(QFileInfo::exists(refused));
    EXPECT_TRUE(recycleFile(refused, true));
    EXPECT_FALSE(QFileInfo::exists(refused));
}

// Items of another volume stay on it, in "<top>/.Trash-<uid>": needs root
// to mount a file system.
class VolumeTrash : public Trash
{
protected:
    void SetUp() override
    {
        Trash::SetUp();
        if (::getuid() != 0)
            GTEST_SKIP() << "mounting a test volume needs root";
        volume = home.tree.makeDir("volume");
        if (::mount("sorvant-test", volume.toUtf8().constData(), "tmpfs", 0, "size=1m") != 0)
            GTEST_SKIP() << "tmpfs cannot be mounted here";
        mounted = true;
    }
    void TearDown() override
    {
        if (mounted)
            ::umount2(volume.toUtf8().constData(), MNT_DETACH);
    }
    QString volume;
    bool mounted = false;
};

TEST_F(VolumeTrash, ItemsStayOnTheirVolume)
{
    const QString item = home.tree.writeFile("volume/sub/v.txt", "v");
    EXPECT_EQ(topDirectoryOfPath(item), volume);
    QString trashed;
    ASSERT_TRUE(moveItemToTrash(item, &trashed));
    const QString own = volume + "/.Trash-" + QString::number(::getuid());
    EXPECT_EQ(trashed, own + "/files/v.txt");
    EXPECT_TRUE(readAll(own + "/info/v.txt.trashinfo").contains("\nPath=sub/v.txt\n"));
    EXPECT_FALSE(QFileInfo::exists(trash + "/files/v.txt"));
}

TEST_F(VolumeTrash, AnAdministratorsStickyTrashIsUsed)
{
    const QString admin = home.tree.makeDir("volume/.Trash");
    ASSERT_EQ(::chmod(admin.toUtf8().constData(), 01777), 0);
    const QString item = home.tree.writeFile("volume/w.txt", "w");
    QString trashed;
    ASSERT_TRUE(moveItemToTrash(item, &trashed));
    EXPECT_EQ(trashed, admin + "/" + QString::number(::getuid()) + "/files/w.txt");
}

TEST_F(VolumeTrash, AReadOnlyVolumeRefusesAndKeepsTheItem)
{
    const QString item = home.tree.writeFile("volume/r.txt", "r");
    ASSERT_EQ(::mount(nullptr, volume.toUtf8().constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    FileError error;
    EXPECT_FALSE(moveItemToTrash(item, nullptr, &error));
    EXPECT_EQ(readAll(item), "r");
    EXPECT_FALSE(recycleFile(item, true));
    EXPECT_EQ(readAll(item), "r");
    EXPECT_TRUE(namesIn(trash + "/files").isEmpty());
}

} // namespace
} // namespace sorvant
