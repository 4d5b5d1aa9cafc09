#include "system/file_operations.h"

#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/xattr.h"
#include "system/file_tests.h"
#include "system/sandbox.h"
#include "tests/support/child_process.h"
#include "tests/support/failing_system_calls.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_tree.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace sorvant {
namespace {

class FileOperations : public ::testing::Test
{
protected:
    QByteArray contents(const QString& relative) const
    {
        QFile file(tree.filePath(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool existsAt(const QString& relative) const
    {
        struct stat status {};
        return ::lstat(fileSystemRepresentation(tree.filePath(relative)).constData(), &status) == 0;
    }
    ino_t inode(const QString& relative) const
    {
        struct stat status {};
        ::lstat(fileSystemRepresentation(tree.filePath(relative)).constData(), &status);
        return status.st_ino;
    }
    // A folder holding a FIFO, which cannot be copied: a copy fails part way.
    void makeUncopyableTree()
    {
        tree.writeFile("src/a.txt", "first");
        tree.writeFile("src/sub/b.txt", "second");
        ASSERT_EQ(::mkfifo(fileSystemRepresentation(tree.filePath("src/sub/z-pipe")).constData(), 0600), 0);
    }

    test::TempTree tree;
};

TEST_F(FileOperations, CreatingFilesAndFolders)
{
    EXPECT_TRUE(createFile(tree.filePath("new")));
    EXPECT_TRUE(existsAt("new"));
    EXPECT_TRUE(createFile(tree.filePath("new")));               // already there
    EXPECT_FALSE(createFile(tree.filePath("missing/new")));
    EXPECT_TRUE(createPathAndFile(tree.filePath("deep/er/file")));
    EXPECT_TRUE(existsAt("deep/er/file"));
    EXPECT_FALSE(createFile(""));
    EXPECT_FALSE(createPathAndFile(QString()));

    const QString plain = tree.writeFile("plain", "keep");
    EXPECT_FALSE(createPath(plain));
    EXPECT_EQ(contents("plain"), "keep");
    EXPECT_TRUE(createPath(tree.filePath("a/b/c")));
    EXPECT_TRUE(createPath(tree.filePath("a/b/c")));
    EXPECT_TRUE(createPath(tree.filePath("modes/x"), {{NSFilePosixPermissions, 0750}}));
    struct stat status {};
    ::stat(fileSystemRepresentation(tree.filePath("modes/x")).constData(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0750u);
    EXPECT_FALSE(createPath(""));
    EXPECT_TRUE(createPathToFile(tree.filePath("p/q/file")));
    EXPECT_TRUE(isDirectoryAtPath(tree.filePath("p/q")));
}

TEST_F(FileOperations, CreatingAPathFromAPreviousOne)
{
    tree.writeFile("old/data", "x");
    EXPECT_TRUE(createPathPreviousPath(tree.filePath("new/place"), tree.filePath("old")));
    EXPECT_EQ(contents("new/place/data"), "x");
    EXPECT_FALSE(existsAt("old"));
    // Both present: nothing moves.
    tree.writeFile("old/data", "y");
    EXPECT_FALSE(createPathPreviousPath(tree.filePath("new/place"), tree.filePath("old")));
    EXPECT_EQ(contents("old/data"), "y");
    EXPECT_EQ(contents("new/place/data"), "x");
    EXPECT_TRUE(createPathPreviousPath(tree.filePath("fresh"), tree.filePath("none")));
    EXPECT_TRUE(isDirectoryAtPath(tree.filePath("fresh")));
}

TEST_F(FileOperations, CopyKeepsContentsModesDatesLinksAndTags)
{
    const QString file = tree.writeFile("src/file.txt", "data");
    ::chmod(fileSystemRepresentation(file).constData(), 0640);
    const QDateTime when = QDateTime::fromSecsSinceEpoch(1'234'567'890, Qt::UTC);
    ASSERT_TRUE(setFileModificationDate(when, file));
    ASSERT_EQ(::symlink("file.txt", fileSystemRepresentation(tree.filePath("src/link")).constData()), 0);
    const QString odd = stringWithFileSystemRepresentation(QByteArray("odd\xFF name"));
    ASSERT_TRUE(createPath(tree.filePath("src/" + odd)));
    const bool tagged = setTagNamesAtPath(file, {"red"});

    FileError error;
    ASSERT_TRUE(copyPath(tree.filePath("src"), tree.filePath("dst"), &error)) << error.description().toStdString();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(contents("dst/file.txt"), "data");
    struct stat status {};
    ::stat(fileSystemRepresentation(tree.filePath("dst/file.txt")).constData(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_EQ(fileModificationDateAtPath(tree.filePath("dst/file.txt")), when);
    EXPECT_TRUE(isSymbolicLinkAtPath(tree.filePath("dst/link")));
    EXPECT_TRUE(isDirectoryAtPath(tree.filePath("dst/" + odd)));
    if (tagged) {
        EXPECT_EQ(tagNamesAtPath(tree.filePath("dst/file.txt")), QStringList({"red"}));
    }
    // A destination written with a final slash names the same place.
    ASSERT_TRUE(copyPath(tree.filePath("src"), tree.filePath("dst2/"), &error)) << error.description().toStdString();
    EXPECT_EQ(contents("dst2/file.txt"), "data");
}

TEST_F(FileOperations, CopyNeverOverwrites)
{
    tree.writeFile("a", "new");
    tree.writeFile("b", "old");
    FileError error;
    EXPECT_FALSE(copyPath(tree.filePath("a"), tree.filePath("b"), &error));
    EXPECT_EQ(error.code, EEXIST);
    EXPECT_EQ(contents("b"), "old");
    EXPECT_FALSE(copyPath(QString(), tree.filePath("b"), &error));
    EXPECT_FALSE(copyPath(tree.filePath("a"), "", &error));
}

TEST_F(FileOperations, AFailedCopyLeavesTheSourceIntactAndNoPartialCopy)
{
    makeUncopyableTree();
    FileError error;
    EXPECT_FALSE(copyPath(tree.filePath("src"), tree.filePath("dst"), &error));
    EXPECT_EQ(error.code, ENOTSUP);
    EXPECT_TRUE(error.path.endsWith("z-pipe"));
    EXPECT_FALSE(existsAt("dst"));
    EXPECT_EQ(contents("src/a.txt"), "first");
    EXPECT_EQ(contents("src/sub/b.txt"), "second");
    EXPECT_TRUE(existsAt("src/sub/z-pipe"));
}

// A copy used to fill holes: a sparse file of 1 GB holding 8 KB of data
// took 1 GB on disk as a copy. The copy's blocks are now those of its data,
// at two apparent sizes, with the trailing hole and the size kept.
TEST_F(FileOperations, ACopyKeepsTheHolesOfASparseFile)
{
    const QByteArray data(8192, 'd');
    for (const off_t size : {off_t(64) << 20, off_t(1) << 30}) {
        SCOPED_TRACE(size);
        const QByteArray sparse = fileSystemRepresentation(tree.filePath("sparse"));
        const QByteArray copy = fileSystemRepresentation(tree.filePath("copy"));
        const int fd = ::open(sparse.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, data.constData(), 4096, 0), 4096);
        ASSERT_EQ(::pwrite(fd, data.constData(), 4096, size / 2), 4096);
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
        struct stat source {};
        ASSERT_EQ(::stat(sparse.constData(), &source), 0);
        if (source.st_blocks * 512 > size / 4)
            GTEST_SKIP() << "this file system keeps no holes";
        FileError error;
        ASSERT_TRUE(copyPath(tree.filePath("sparse"), tree.filePath("copy"), &error)) << error.description().toStdString();
        struct stat copied {};
        ASSERT_EQ(::stat(copy.constData(), &copied), 0);
        EXPECT_EQ(copied.st_size, size);
        // The data's blocks, with room for a file system's own allocation.
        EXPECT_LE(copied.st_blocks * 512, source.st_blocks * 512 + (256 << 10));
        QFile file(tree.filePath("copy"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        for (const off_t at : {off_t(0), size / 2}) {
            ASSERT_TRUE(file.seek(at));
            EXPECT_EQ(file.read(4096), data.left(4096));
        }
        ASSERT_TRUE(file.seek(4096));
        EXPECT_EQ(file.read(4096), QByteArray(4096, 0));
        ASSERT_TRUE(file.seek(size - 4096));
        EXPECT_EQ(file.read(8192), QByteArray(4096, 0));
        file.close();
        ASSERT_TRUE(removePath(tree.filePath("copy")));
    }
}

TEST_F(FileOperations, MoveRenamesAndNeverReplaces)
{
    tree.writeFile("a", "A");
    tree.writeFile("b", "B");
    FileError error;
    EXPECT_FALSE(movePath(tree.filePath("a"), tree.filePath("b"), &error));
    EXPECT_EQ(error.code, EEXIST);
    EXPECT_EQ(contents("a"), "A");
    EXPECT_EQ(contents("b"), "B");
    EXPECT_TRUE(movePath(tree.filePath("a"), tree.filePath("c"), &error));
    EXPECT_EQ(contents("c"), "A");
    EXPECT_FALSE(existsAt("a"));
    EXPECT_TRUE(renamePath(tree.filePath("c"), "d"));
    EXPECT_EQ(contents("d"), "A");
    EXPECT_FALSE(renamePath(tree.filePath("d"), ""));
}

TEST_F(FileOperations, MoveAcrossFileSystemsCopiesThenRemoves)
{
    const QString elsewhere = test::makeFolderOnAnotherFileSystem(tree.path());
    if (elsewhere.isNull())
        GTEST_SKIP() << "no second writable file system";
    tree.writeFile("src/inner/file", "moved");
    const QString away = elsewhere + "/moved";
    FileError error;
    ASSERT_TRUE(movePath(tree.filePath("src"), away, &error)) << error.description().toStdString();
    EXPECT_FALSE(existsAt("src"));
    QFile file(away + "/inner/file");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "moved");
    EXPECT_TRUE(removePath(elsewhere));
}

TEST_F(FileOperations, MigrateCopiesOnlyWhenNeeded)
{
    tree.writeFile("old", "x");
    EXPECT_TRUE(migratePath(tree.filePath("missing"), tree.filePath("new")));
    EXPECT_FALSE(existsAt("new"));
    EXPECT_TRUE(migratePath(tree.filePath("old"), tree.filePath("new")));
    EXPECT_EQ(contents("new"), "x");
    tree.writeFile("old", "y");
    EXPECT_TRUE(migratePath(tree.filePath("old"), tree.filePath("new")));   // already there
    EXPECT_EQ(contents("new"), "x");
    EXPECT_TRUE(migratePath(QString(), tree.filePath("new")));
}

TEST_F(FileOperations, RemovingTreesAndVanishedItems)
{
    tree.writeFile("gone/a/b/c", "x");
    tree.writeFile("gone/.hidden-file");
    ASSERT_EQ(::symlink(fileSystemRepresentation(tree.filePath("keep")).constData(),
                        fileSystemRepresentation(tree.filePath("gone/link")).constData()), 0);
    tree.writeFile("keep/file", "safe");
    FileError error;
    EXPECT_TRUE(removePath(tree.filePath("gone"), &error));
    EXPECT_FALSE(existsAt("gone"));
    EXPECT_EQ(contents("keep/file"), "safe");   // links are removed, not followed
    EXPECT_TRUE(removePath(tree.filePath("never-was"), &error));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_FALSE(removePath("", &error));
}

TEST_F(FileOperations, AFailedRemovalSetsTheErrorAndLogs)
{
    const QString file = tree.writeFile("locked/file", "x");
    const QString folder = tree.filePath("locked");
    const bool root = ::geteuid() == 0;
    if (root) {
        if (!setFileImmutable(true, file))
            GTEST_SKIP() << "cannot make an item immutable here";
    } else {
        ::chmod(fileSystemRepresentation(folder).constData(), 0555);
    }
    test::LogCapture log;
    FileError error;
    EXPECT_FALSE(removePath(folder, &error));
    EXPECT_EQ(error.code, root ? EPERM : EACCES);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith("ERROR: Couldn't remove path " + folder + ": "));
    EXPECT_TRUE(existsAt("locked/file"));
    if (root)
        setFileImmutable(false, file);
}

TEST_F(FileOperations, UnlinkAndItsRepresentationFailure)
{
    tree.writeFile("f");
    EXPECT_TRUE(unlinkFileAtPath(tree.filePath("f")));
    EXPECT_FALSE(unlinkFileAtPath(tree.filePath("f")));
    EXPECT_FALSE(unlinkFileAtPath(""));
    test::LogCapture log;
    EXPECT_FALSE(unlinkFileAtPath(QString("a") + QChar(0) + "b"));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith("ERROR: getFileSystemRepresentation 'a"));
}

TEST_F(FileOperations, WritingKeepsNamesThatAreNotUtf8)
{
    const QByteArray bytes = fileSystemRepresentation(tree.path()) + "/bad\xFFname";
    const QString path = stringWithFileSystemRepresentation(bytes);
    EXPECT_TRUE(writeData("replaced", path, false));
    EXPECT_EQ(test::readFileBytes(bytes), "replaced");
    EXPECT_TRUE(writeData(" and added", path, true));
    EXPECT_EQ(test::readFileBytes(bytes), "replaced and added");
}

TEST_F(FileOperations, WritingReplacesWholeOrAppends)
{
    const QString path = tree.filePath("log.txt");
    EXPECT_TRUE(writeString("one\n", path, true));
    EXPECT_TRUE(writeString("two\n", path, true));
    EXPECT_EQ(contents("log.txt"), "one\ntwo\n");
    EXPECT_TRUE(writeData("fresh", path, false));
    EXPECT_EQ(contents("log.txt"), "fresh");
    EXPECT_FALSE(writeString("", path, false));
    EXPECT_FALSE(writeData(QByteArray(), path, false));
    EXPECT_EQ(contents("log.txt"), "fresh");
    EXPECT_FALSE(writeData("x", tree.filePath("no/folder/file"), true));
    EXPECT_TRUE(createPathAndWriteObject("made", tree.filePath("new/folder/file"), true));
    EXPECT_EQ(contents("new/folder/file"), "made");
    EXPECT_FALSE(createPathAndWriteObject(QByteArray(), tree.filePath("x"), true));
}

TEST_F(FileOperations, LinksAreHardOutsideASandbox)
{
    if (isSandboxed())
        GTEST_SKIP() << "sandboxed: links are symbolic";
    tree.writeFile("orig", "x");
    EXPECT_TRUE(createLinkWithPath(tree.filePath("orig"), tree.filePath("hard")));
    EXPECT_EQ(inode("hard"), inode("orig"));
    EXPECT_FALSE(isSymbolicLinkAtPath(tree.filePath("hard")));
    EXPECT_FALSE(createLinkWithPath("", tree.filePath("x")));
}

TEST_F(FileOperations, ALinkToAFolderIsSymbolic)
{
    // Folders cannot be hard-linked: the symbolic link is the second route.
    const QString folder = tree.makeDir("folder");
    EXPECT_TRUE(createLinkWithPath(folder, tree.filePath("link")));
    EXPECT_TRUE(isSymbolicLinkAtPath(tree.filePath("link")));
    EXPECT_TRUE(isDirectoryAtPath(tree.filePath("link")));
}

TEST_F(FileOperations, WritableTemporaryFolderReplacesWhatWasThere)
{
    tree.writeFile("tmp", "a file in the way");
    EXPECT_TRUE(createWritableTemporaryPath(tree.filePath("tmp")));
    EXPECT_TRUE(isDirectoryAtPath(tree.filePath("tmp")));
    EXPECT_FALSE(createWritableTemporaryPath(""));
}

TEST_F(FileOperations, MergeKeepsNewerTargetsAndReplacesOlderOnes)
{
    const QDateTime older = QDateTime::fromSecsSinceEpoch(1'000'000'000, Qt::UTC);
    const QDateTime newer = older.addDays(1);
    tree.writeFile("src/same", "source");
    tree.writeFile("dst/same", "target");
    tree.writeFile("src/newer", "source");
    tree.writeFile("dst/newer", "target");
    tree.writeFile("src/sub/only-in-source", "source");
    tree.writeFile("dst/sub/only-in-target", "target");
    setFileModificationDate(older, tree.filePath("src/same"));
    setFileModificationDate(older, tree.filePath("dst/same"));
    setFileModificationDate(newer, tree.filePath("src/newer"));
    setFileModificationDate(older, tree.filePath("dst/newer"));

    EXPECT_TRUE(updatePath(tree.filePath("src"), tree.filePath("dst")));
    EXPECT_EQ(contents("dst/same"), "target");
    EXPECT_EQ(contents("dst/newer"), "source");
    EXPECT_EQ(contents("dst/sub/only-in-source"), "source");
    EXPECT_EQ(contents("dst/sub/only-in-target"), "target");

    EXPECT_TRUE(updatePath(tree.filePath("src"), tree.filePath("dst"), true));
    EXPECT_EQ(contents("dst/same"), "source");
    EXPECT_TRUE(updatePath(tree.filePath("missing"), tree.filePath("dst")));
}

TEST_F(FileOperations, AFailedMergeStepIsLoggedAndKeepsTheTarget)
{
    makeUncopyableTree();
    tree.writeFile("dst/sub/b.txt", "old target");
    setFileModificationDate(QDateTime::fromSecsSinceEpoch(1, Qt::UTC), tree.filePath("dst/sub/b.txt"));
    test::LogCapture log;
    EXPECT_FALSE(updatePath(tree.filePath("src"), tree.filePath("dst"), true));
    ASSERT_FALSE(log.lines().isEmpty());
    EXPECT_TRUE(log.lines().first().startsWith("ERROR: Couldn't update path "));
    EXPECT_EQ(contents("dst/sub/b.txt"), "second");
    EXPECT_EQ(contents("dst/a.txt"), "first");
    EXPECT_EQ(contents("src/sub/b.txt"), "second");
}

using test::failEveryRename;

TEST_F(FileOperations, AFailingFinalMoveOfAMergeKeepsTheTarget)
{
    tree.writeFile("src/file", "new");
    tree.writeFile("dst/file", "old");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!failEveryRename())
            ::_exit(77);
        setLogSink([](const QString&) {}); // the failure is expected
        ::_exit(updatePath(tree.filePath("src"), tree.filePath("dst"), true) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "renames cannot be made to fail here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed merge answered YES";
    EXPECT_EQ(contents("dst/file"), "old");
    EXPECT_EQ(QDir(tree.filePath("dst")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"file"});
}

TEST_F(FileOperations, MergingSwapsInCopiesWithoutTouchingOtherItems)
{
    tree.writeFile("src/was-file/inside", "new");
    tree.writeFile("src/file", "new");
    tree.writeFile("dst/was-file", "old");
    tree.writeFile("dst/file", "old");
    tree.writeFile("dst/file.sorvant-update", "a user's own file");
    EXPECT_TRUE(updatePath(tree.filePath("src"), tree.filePath("dst"), true));
    EXPECT_EQ(contents("dst/was-file/inside"), "new");
    EXPECT_EQ(contents("dst/file"), "new");
    EXPECT_EQ(contents("dst/file.sorvant-update"), "a user's own file");
    EXPECT_EQ(QDir(tree.filePath("dst")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 3);
}

// Another program that makes the destination folder (holding a file of its
// own) the moment before the copy's final rename; the file system has
// RENAME_NOREPLACE or refuses it.
QByteArray theirDestination;
bool refuseNoReplace = false;

int renameAfterAnotherProgram(const char* from, const char* to, unsigned int flags)
{
    if (!theirDestination.isEmpty() && theirDestination == to) {
        theirDestination.clear();
        if (::mkdir(to, 0755) == 0)
            test::writeFileBytes(QByteArray(to) + "/theirs", "their data");
    }
    if (refuseNoReplace && (flags & RENAME_NOREPLACE)) {
        errno = EINVAL;
        return -1;
    }
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags);
}

// A copy used to make its destination itself and, failing there with
// EEXIST, remove the folder another program had just made, with its files.
TEST_F(FileOperations, ADestinationMadeByAnotherProgramDuringACopyIsKept)
{
    tree.writeFile("folder/a", "first");
    tree.writeFile("folder/sub/b", "second");
    tree.writeFile("file", "contents");
    for (const bool withoutNoReplace : {false, true}) {
        for (const QString source : {"folder", "file"}) {
            SCOPED_TRACE((source + (withoutNoReplace ? " without RENAME_NOREPLACE" : "")).toStdString());
            const QString destination = tree.filePath("dst");
            theirDestination = fileSystemRepresentation(destination);
            refuseNoReplace = withoutNoReplace;
            setRenameWithFlagsFunction(renameAfterAnotherProgram);
            FileError error;
            const bool copied = copyPath(tree.filePath(source), destination, &error);
            EXPECT_TRUE(theirDestination.isEmpty()) << "the copy was never renamed into place";
            EXPECT_FALSE(copied);
            EXPECT_EQ(error.code, EEXIST);
            EXPECT_EQ(error.path, destination);
            EXPECT_EQ(contents("dst/theirs"), "their data");
            // Nothing of the copy is left beside it.
            EXPECT_EQ(QDir(tree.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                      QStringList({"dst", "file", "folder"}));
            EXPECT_EQ(contents("folder/sub/b"), "second");
            // Once it is free again, the copy is renamed into place.
            ASSERT_TRUE(removePath(destination));
            ASSERT_TRUE(copyPath(tree.filePath(source), destination, &error)) << error.description().toStdString();
            EXPECT_EQ(countRemovalItems(destination), countRemovalItems(tree.filePath(source)));
            ASSERT_TRUE(removePath(destination));
        }
    }
    setRenameWithFlagsFunction(nullptr);
}

// A process copying or moving is killed the moment its copy passes 1 MiB
// (the kernel's file-size limit signals it, and the signal kills it):
// nothing stands under the destination's name, and the source is whole.
TEST_F(FileOperations, ACopyOrMoveKilledPartWayLeavesNothingUnderItsName)
{
    tree.writeFile("big", QByteArray(3 << 20, 'b'));
    for (int file = 0; file < 40; ++file)
        tree.writeFile("folder/" + QString::number(file), QByteArray(64 << 10, 'f'));
    tree.writeFile("folder/big", QByteArray(3 << 20, 'b'));
    // A folder of this test's own on another file system, if there is one.
    const QString elsewhere = test::makeFolderOnAnotherFileSystem(tree.path());
    const bool otherFileSystem = !elsewhere.isNull();
    const QString away = elsewhere + "/moved";
    const struct {
        const char* source;
        QString destination;
        bool move;
    } cases[] = {
        {"big", tree.filePath("big-copy"), false},
        {"folder", tree.filePath("folder-copy"), false},
        {"folder", away, true},
    };
    const qint64 sourceItems = countRemovalItems(tree.filePath("folder"));
    for (const auto& row : cases) {
        SCOPED_TRACE(row.destination.toStdString());
        if (row.move && !otherFileSystem)
            continue;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const rlimit limit{1 << 20, 1 << 20};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, [](int) { ::kill(::getpid(), SIGKILL); });
            const QString source = tree.filePath(row.source);
            ::_exit(row.move ? movePath(source, row.destination) : copyPath(source, row.destination));
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the copy was not killed part way";
        EXPECT_EQ(countRemovalItems(row.destination), -1);
        EXPECT_EQ(countRemovalItems(tree.filePath("folder")), sourceItems);
        EXPECT_EQ(contents("big").size(), 3 << 20);
    }
    // What the killed copies left: at most a hidden temporary item each.
    for (const QString& folder : {tree.path(), elsewhere}) {
        if (folder.isNull())
            continue;
        for (const QString& name : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
            if (name != "big" && name != "folder") {
                EXPECT_TRUE(name.startsWith('.') && name.contains(".sorvant-copy-")) << name.toStdString();
            }
        }
    }
    if (otherFileSystem)
        removePath(elsewhere);
}

using test::answerOfAChild;
using test::ChildAnswer;

// A copy or move whose writing fails part way (the kernel's file-size limit
// refuses writes past 1 MiB) names the destination in its error, never the
// hidden temporary name the copy was being made under.
TEST_F(FileOperations, AFailedCopyNamesTheDestinationNotItsTemporaryName)
{
    tree.writeFile("big", QByteArray(3 << 20, 'b'));
    tree.writeFile("folder/sub/big", QByteArray(3 << 20, 'b'));
    const QString elsewhere = test::makeFolderOnAnotherFileSystem(tree.path());
    const bool otherFileSystem = !elsewhere.isNull();
    const struct {
        const char* source;
        QString destination;
        QString failedPath;
        bool move;
    } cases[] = {
        {"big", tree.filePath("big-copy"), tree.filePath("big-copy"), false},
        {"folder", tree.filePath("folder-copy"), tree.filePath("folder-copy/sub/big"), false},
        {"folder", tree.filePath("slashed/"), tree.filePath("slashed/sub/big"), false},
        {"folder", elsewhere + "/moved", elsewhere + "/moved/sub/big", true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.destination.toStdString());
        if (row.move && !otherFileSystem)
            continue;
        const ChildAnswer answer = answerOfAChild([&] {
            const rlimit limit{1 << 20, 1 << 20};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, SIG_IGN);   // the write past the limit fails with EFBIG
            setLogSink([](const QString&) {});
            FileError error;
            const QString source = tree.filePath(row.source);
            const bool done = row.move ? movePath(source, row.destination, &error)
                                       : copyPath(source, row.destination, &error);
            return QByteArray::number(done ? 0 : error.code) + ' ' + error.path.toUtf8();
        });
        ASSERT_EQ(answer.exitCode, 0) << "the child " << answer.how;
        const QByteArray& report = answer.sent;
        const qsizetype space = report.indexOf(' ');
        EXPECT_EQ(report.left(space).toInt(), EFBIG);
        EXPECT_EQ(QString::fromUtf8(report.mid(space + 1)), row.failedPath);
        EXPECT_EQ(countRemovalItems(row.destination), -1);
        EXPECT_EQ(contents("folder/sub/big").size(), 3 << 20);
    }
    if (otherFileSystem)
        removePath(elsewhere);
}

// What a copy or move in a child process with a mount inside its source
// saw, sent back through a pipe.
struct ChildCopy {
    bool answered = true;
    int code = 0;
    char path[1024] = {};
    qint64 sourceAfter = -1;       // the items of the source afterwards (not entering the mount)
    qint64 mountedAfter = -1;      // the items at the mount point afterwards, itself included
    qint64 destinationAfter = -1;
};

enum class Inside { BindOfAFolderElsewhere, BindOfTheSourceItself, AnotherFileSystem, BindOfAFile };

// In a private mount namespace (nothing leaks out, even if the child dies):
// mounts onto "top/mnt", then copies or moves "top" to `destination`.
// Exit 77: mounting is not permitted.
QByteArray copyAroundAMount(const test::TempTree& tree, Inside kind, bool move, const QString& destination)
{
    const QByteArray mountPoint = fileSystemRepresentation(tree.filePath("top/mnt"));
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        ::_exit(77);
    const QString bound = tree.filePath(kind == Inside::BindOfTheSourceItself ? "top"
                                        : kind == Inside::BindOfAFile         ? "outside/o1"
                                                                              : "outside");
    const bool mounted = kind == Inside::AnotherFileSystem
                             ? ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=1m") == 0
                             : ::mount(fileSystemRepresentation(bound).constData(), mountPoint.constData(), nullptr,
                                       MS_BIND | MS_REC, nullptr) == 0;
    if (!mounted)
        ::_exit(77);
    if (kind == Inside::AnotherFileSystem)
        test::writeFileBytes(mountPoint + "/m1");
    setLogSink([](const QString&) {});
    ChildCopy result;
    FileError error;
    result.answered = move ? movePath(tree.filePath("top"), destination, &error)
                           : copyPath(tree.filePath("top"), destination, &error);
    result.code = error.code;
    std::strncpy(result.path, error.path.toUtf8().constData(), sizeof result.path - 1);
    result.sourceAfter = countRemovalItems(tree.filePath("top"));
    result.mountedAfter = countRemovalItems(tree.filePath("top/mnt"));
    result.destinationAfter = countRemovalItems(destination);
    return QByteArray(reinterpret_cast<const char*>(&result), sizeof result);
}

// A copy used to walk into a mount inside its source: a move across file
// systems copied what was mounted there, then its removal left the mount
// point, and both stood. A copy now refuses the mount point and names it;
// a file mounted there (a bind mount of a file) used to be copied by reading.
TEST_F(FileOperations, ACopyOrMoveRefusesAMountPointInside)
{
    const QString elsewhere = test::makeFolderOnAnotherFileSystem(tree.path());
    const bool otherFileSystem = !elsewhere.isNull();
    const struct {
        Inside kind;
        bool move;
        QString destination;
        qint64 mounted;   // the mount point and what is mounted there
    } cases[] = {
        {Inside::BindOfAFolderElsewhere, false, tree.filePath("copy"), 3},
        {Inside::BindOfTheSourceItself, false, tree.filePath("copy"), 5},
        {Inside::AnotherFileSystem, false, tree.filePath("copy"), 2},
        {Inside::AnotherFileSystem, true, elsewhere + "/moved", 2},
        {Inside::BindOfAFolderElsewhere, true, elsewhere + "/moved", 3},
        {Inside::BindOfAFile, false, tree.filePath("copy"), 1},
        {Inside::BindOfAFile, true, elsewhere + "/moved", 1},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::Message() << int(row.kind) << (row.move ? " move" : " copy"));
        if (row.move && !otherFileSystem)
            continue;
        tree.writeFile("outside/o1", "x");
        tree.writeFile("outside/o2", "x");
        tree.writeFile("top/a", "x");
        tree.writeFile("top/b/c", "x");
        removePath(tree.filePath("top/mnt"));
        if (row.kind == Inside::BindOfAFile)
            tree.writeFile("top/mnt", "under the mount");
        else
            tree.makeDir("top/mnt");
        const ChildAnswer answer
            = answerOfAChild([&] { return copyAroundAMount(tree, row.kind, row.move, row.destination); });
        if (answer.exitCode == 77)
            GTEST_SKIP() << "mounting is not permitted here (it needs root)";
        ASSERT_EQ(answer.exitCode, 0) << "the child " << answer.how;
        ASSERT_EQ(answer.sent.size(), qsizetype(sizeof(ChildCopy)));
        ChildCopy result;
        std::memcpy(&result, answer.sent.constData(), sizeof result);
        EXPECT_FALSE(result.answered);
        EXPECT_EQ(result.code, EXDEV);
        EXPECT_EQ(QString::fromUtf8(result.path), tree.filePath("top/mnt"));
        // top, a, b, b/c and the mount point as one item.
        EXPECT_EQ(result.sourceAfter, 5);
        EXPECT_EQ(result.mountedAfter, row.mounted);
        EXPECT_EQ(result.destinationAfter, -1);
        EXPECT_EQ(countRemovalItems(tree.filePath("top")), 5);
        EXPECT_EQ(countRemovalItems(tree.filePath("outside")), 3);
        removePath(row.destination);
    }
    if (otherFileSystem)
        removePath(elsewhere);
}

} // namespace
} // namespace sorvant
