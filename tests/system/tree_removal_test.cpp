// Removals item by item (removePath with a RemovalProgress,
// countRemovalItems), through the public calls of system/file_operations.h.
#include "system/tree_removal.h"

#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "system/file_operations.h"
#include "platform/log.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_tree.h"
#include "tests/system/waiting.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace sorvant {
namespace {

// Files: 1 each; folders: themselves and what is below them.
// "top" holds a/, a/b/, a/b/deep, a/one, two, link-to-outside, empty/.
constexpr qint64 kTopItems = 8;

class TreeRemoval : public ::testing::Test
{
protected:
    QString makeTop()
    {
        tree.writeFile("outside/kept", "safe");
        tree.writeFile("top/a/b/deep", "x");
        tree.writeFile("top/a/one", "x");
        tree.writeFile("top/two", "x");
        tree.makeDir("top/empty");
        link("outside", "top/link-to-outside");
        return tree.filePath("top");
    }
    void link(const QString& target, const QString& relative)
    {
        ASSERT_EQ(::symlink(fileSystemRepresentation(tree.filePath(target)).constData(),
                            fileSystemRepresentation(tree.filePath(relative)).constData()), 0);
    }
    bool existsAt(const QString& path) const
    {
        struct stat status {};
        return ::lstat(fileSystemRepresentation(path).constData(), &status) == 0;
    }

    test::TempTree tree;
};

TEST_F(TreeRemoval, CountsWhatARemovalWouldRemove)
{
    const QString top = makeTop();
    tree.writeFile("file", "x");
    link("top", "link-to-folder");
    const struct {
        QString path;
        qint64 items;
    } cases[] = {
        {top, kTopItems},
        {tree.filePath("top/a"), 4},
        {tree.filePath("top/empty"), 1},
        {tree.filePath("file"), 1},
        {tree.filePath("link-to-folder"), 1},   // not followed
        {tree.filePath("missing"), -1},
        {QString(""), -1},
        {QString(), -1},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.path.toStdString());
        EXPECT_EQ(countRemovalItems(row.path), row.items);
    }
    EXPECT_EQ(countRemovalItems(top, [] { return true; }), -1);
    EXPECT_TRUE(existsAt(top + "/a/b/deep"));
}

TEST_F(TreeRemoval, ProgressIsToldOncePerItemWithARisingCount)
{
    const QString top = makeTop();
    std::vector<qint64> told;
    qint64 asked = 0;
    FileError error;
    const RemovalProgress progress{[&] { return ++asked, false; }, [&](qint64 removed) { told.push_back(removed); }};
    EXPECT_TRUE(removePath(top, &error, progress));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_FALSE(existsAt(top));
    EXPECT_TRUE(existsAt(tree.filePath("outside/kept")));   // the link went, not its target
    ASSERT_EQ(qint64(told.size()), kTopItems);
    for (std::size_t i = 0; i < told.size(); ++i)
        EXPECT_EQ(told[i], qint64(i) + 1);
    EXPECT_EQ(asked, kTopItems);
}

TEST_F(TreeRemoval, AStopAfterNItemsLeavesTheRestAndAnswersCanceled)
{
    for (const qint64 stopAfter : {qint64(0), qint64(1), qint64(4), kTopItems - 1}) {
        SCOPED_TRACE(stopAfter);
        const QString top = makeTop();
        qint64 removed = 0;
        const RemovalProgress progress{[&] { return removed >= stopAfter; }, [&](qint64 count) { removed = count; }};
        test::LogCapture log;
        FileError error;
        EXPECT_FALSE(removePath(top, &error, progress));
        EXPECT_EQ(error.code, ECANCELED);
        EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
        EXPECT_EQ(removed, stopAfter);
        EXPECT_EQ(countRemovalItems(top), kTopItems - stopAfter);
        EXPECT_TRUE(removePath(top));
    }
}

// A removal used to run to its end however long it took: nothing could
// stop a large tree's removal part way.
TEST_F(TreeRemoval, AStopFromAnotherThreadEndsALargeRemovalAfterTheItemAtHand)
{
    constexpr int kFolders = 20;
    constexpr int kFilesPerFolder = 1000;
    for (int folder = 0; folder < kFolders; ++folder) {
        const QByteArray path = fileSystemRepresentation(tree.makeDir("large/" + QString::number(folder)));
        for (int file = 0; file < kFilesPerFolder; ++file) {
            const int fd = ::open((path + '/' + QByteArray::number(file)).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            ASSERT_GE(fd, 0);
            ::close(fd);
        }
    }
    const QString large = tree.filePath("large");
    const qint64 items = countRemovalItems(large);
    ASSERT_EQ(items, 1 + kFolders * (1 + kFilesPerFolder));

    std::atomic<bool> stop = false;
    std::atomic<qint64> removed = 0;
    qint64 removedWhenStopped = -1;
    std::thread stopper([&] {
        if (test::waitUntil([&] { return removed.load() >= 2000; })) {
            stop.store(true);
            removedWhenStopped = removed.load();
        }
    });
    const RemovalProgress progress{[&] { return stop.load(); }, [&](qint64 count) { removed.store(count); }};
    FileError error;
    const bool done = removePath(large, &error, progress);
    stopper.join();
    ASSERT_GE(removedWhenStopped, 2000);
    EXPECT_FALSE(done);
    EXPECT_EQ(error.code, ECANCELED);
    // At most the item whose question came just before the stop was set.
    EXPECT_LE(removed.load(), removedWhenStopped + 1);
    EXPECT_EQ(countRemovalItems(large), items - removed.load());
}

// Names made relative to their folder: the paths are longer than PATH_MAX.
TEST_F(TreeRemoval, TreesDeeperThanPathMaxAndThanTheOpenFoldersAreCountedAndRemoved)
{
    constexpr int kDepth = 100;
    const QByteArray name(200, 'n');
    ASSERT_GT(kDepth * (name.size() + 1), PATH_MAX);
    int folder = ::open(fileSystemRepresentation(tree.makeDir("deep")).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    for (int depth = 0; depth < kDepth; ++depth) {
        // A file before and after the folder in each: a count that lost its
        // place on the way back up would miss or repeat them.
        for (const char* file : {"a-file", "z-file"}) {
            const int fd = ::openat(folder, file, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            ASSERT_GE(fd, 0);
            ::close(fd);
        }
        ASSERT_EQ(::mkdirat(folder, name.constData(), 0700), 0);
        const int next = ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(folder);
        ASSERT_GE(next, 0);
        folder = next;
    }
    ::close(folder);
    const QString deep = tree.filePath("deep");
    const qint64 items = 1 + kDepth * 3;
    EXPECT_EQ(countRemovalItems(deep), items);
    qint64 removed = 0;
    FileError error;
    EXPECT_TRUE(removePath(deep, &error, RemovalProgress{{}, [&](qint64 count) { removed = count; }}))
        << error.description().toStdString();
    EXPECT_EQ(removed, items);
    EXPECT_FALSE(existsAt(deep));
}

// An item no one may remove, root included: the stand-in refuses one name.
int refuseTheKeptName(int folder, const char* name, int flags)
{
    if (std::strcmp(name, "kept") == 0) {
        errno = EPERM;
        return -1;
    }
    return ::unlinkat(folder, name, flags);
}

TEST_F(TreeRemoval, AnItemThatCannotBeRemovedIsNotCountedAndTheRestGoes)
{
    tree.writeFile("top/a/kept", "x");
    tree.writeFile("top/a/other", "x");
    tree.writeFile("top/b/file", "x");
    const QString top = tree.filePath("top");
    qint64 told = 0;
    qint64 last = 0;
    setUnlinkAtFunction(refuseTheKeptName);
    test::LogCapture log;
    FileError error;
    const bool done = removePath(top, &error, RemovalProgress{{}, [&](qint64 count) { ++told, last = count; }});
    setUnlinkAtFunction(nullptr);
    EXPECT_FALSE(done);
    EXPECT_EQ(error.code, EPERM);
    EXPECT_EQ(error.path, top + "/a/kept");
    EXPECT_EQ(log.lines().size(), 1);
    // other, b/file and b went; kept, a and top stay.
    EXPECT_EQ(told, 3);
    EXPECT_EQ(last, 3);
    EXPECT_EQ(countRemovalItems(top), 3);
    EXPECT_TRUE(existsAt(top + "/a/kept"));
}

// The folder "<top>/d1/d2/.../d<depth>" (relative to the tree), each level
// holding `files` files named f<n>; answers the deepest folder's relative path.
QString makeChain(test::TempTree& tree, const QString& top, int depth, int files)
{
    QString folder = top;
    for (int level = 0; level <= depth; ++level) {
        if (level > 0)
            folder += "/d" + QString::number(level);
        tree.makeDir(folder);
        for (int file = 0; file < files; ++file)
            tree.writeFile(folder + "/f" + QString::number(file), "x");
    }
    return folder;
}

// A walk deeper than the folders it holds open used to stop reading every
// ancestor it had to reopen once an item below could not be removed,
// keeping removable files there.
TEST_F(TreeRemoval, AnItemThatCannotBeRemovedDeepDownKeepsOnlyItsFolders)
{
    for (const int depth : {20, 40}) {
        SCOPED_TRACE(depth);
        const QString top = "top" + QString::number(depth);
        // In d<depth - 2>, so two folders below it still go.
        const QString kept = tree.writeFile(makeChain(tree, top, depth, 12).section('/', 0, -3) + "/kept", "x");
        const qint64 items = countRemovalItems(tree.filePath(top));
        ASSERT_EQ(items, (depth + 1) * 13 + 1);
        qint64 removed = 0;
        setUnlinkAtFunction(refuseTheKeptName);
        test::LogCapture log;
        FileError error;
        const bool done = removePath(tree.filePath(top), &error, RemovalProgress{{}, [&](qint64 count) { removed = count; }});
        setUnlinkAtFunction(nullptr);
        EXPECT_FALSE(done);
        EXPECT_EQ(error.code, EPERM);
        EXPECT_EQ(error.path, kept);
        // Left: the kept file and its depth - 1 folders, top included.
        const qint64 left = 1 + (depth - 1);
        EXPECT_EQ(countRemovalItems(tree.filePath(top)), left);
        EXPECT_EQ(removed, items - left);
    }
}

// A walk deeper than the folders it holds open finds its way back up
// through "..": a tree moved meanwhile must not lead it into the folders
// the moved part now stands in.
TEST_F(TreeRemoval, ATreeMovedDuringADeepRemovalIsNotFollowedUpward)
{
    constexpr int kDepth = 40;
    const QString deepest = makeChain(tree, "top", kDepth, 0);
    tree.writeFile(deepest + "/file", "x");
    const QString guardBottom = makeChain(tree, "guard", 12, 2);
    // When the first item, the deepest file, is removed, "d2" moves under
    // the guard folders: ".." from it now leads into them.
    const QByteArray from = fileSystemRepresentation(tree.filePath("top/d1/d2"));
    const QByteArray to = fileSystemRepresentation(tree.filePath(guardBottom + "/d2"));
    bool moved = false;
    const auto move = [&](qint64) { moved = moved || ::rename(from.constData(), to.constData()) == 0; };
    FileError error;
    const bool done = removePath(tree.filePath("top"), &error, RemovalProgress{{}, move});
    ASSERT_TRUE(moved);
    EXPECT_FALSE(done);
    EXPECT_EQ(error.code, ESTALE);
    // Every file of the folders above the moved part is still there.
    EXPECT_EQ(countRemovalItems(tree.filePath("guard")), 13 * 3 + countRemovalItems(tree.filePath(guardBottom + "/d2")));
    EXPECT_TRUE(existsAt(tree.filePath("top/d1")));
}

// What a removal in a child process saw, sent back through a pipe.
struct ChildRemoval {
    qint64 countBefore = -1;
    qint64 removed = 0;
    qint64 countAfter = -1;
    bool answered = true;
    int code = 0;
    char path[1024] = {};
    char operation[64] = {};
    qint64 mountedLeft = -1;   // the items at the mount point afterwards, itself included
};

enum class Mounted { BindOfAFolderOnTheSameFileSystem, AnotherFileSystem, BindOfAFile };

// In a private mount namespace (nothing leaks out, even if the child dies):
// mounts onto "top/mnt" and removes "top". Exit 77: mounting is not permitted.
[[noreturn]] void removeAroundAMount(const test::TempTree& tree, Mounted kind, int pipe)
{
    const QByteArray mountPoint = fileSystemRepresentation(tree.filePath("top/mnt"));
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        ::_exit(77);
    if (kind != Mounted::AnotherFileSystem) {
        const QString bound = tree.filePath(kind == Mounted::BindOfAFile ? "outside/m1" : "outside");
        if (::mount(fileSystemRepresentation(bound).constData(), mountPoint.constData(), nullptr, MS_BIND, nullptr) != 0)
            ::_exit(77);
    } else {
        if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=1m") != 0)
            ::_exit(77);
        test::writeFileBytes(mountPoint + "/m1");
        test::writeFileBytes(mountPoint + "/m2");
        test::makeDirBytes(mountPoint + "/sub");
        test::writeFileBytes(mountPoint + "/sub/m3");
    }
    ChildRemoval result;
    const QString top = tree.filePath("top");
    result.countBefore = countRemovalItems(top);
    FileError error;
    setLogSink([](const QString&) {});   // the failure is expected
    result.answered = removePath(top, &error, RemovalProgress{{}, [&](qint64 count) { result.removed = count; }});
    result.code = error.code;
    std::strncpy(result.path, error.path.toUtf8().constData(), sizeof result.path - 1);
    std::strncpy(result.operation, error.operation.toUtf8().constData(), sizeof result.operation - 1);
    result.countAfter = countRemovalItems(top);
    // Counted through the mount, which a count started at it enters.
    result.mountedLeft = countRemovalItems(tree.filePath("top/mnt"));
    const bool sent = ::write(pipe, &result, sizeof result) == ssize_t(sizeof result);
    ::_exit(sent ? 0 : 1);
}

// A removal used to walk into a mount inside its tree and delete what is
// mounted there before the mount point itself answered "busy"; a file
// mounted there was left but named only "busy", not a mount point.
TEST_F(TreeRemoval, AMountPointInsideIsLeftWithWhatIsMountedThere)
{
    for (const Mounted kind : {Mounted::BindOfAFolderOnTheSameFileSystem, Mounted::AnotherFileSystem,
                               Mounted::BindOfAFile}) {
        SCOPED_TRACE(int(kind));
        tree.writeFile("outside/m1", "x");
        tree.writeFile("outside/m2", "x");
        tree.writeFile("outside/sub/m3", "x");
        tree.writeFile("top/a", "x");
        tree.writeFile("top/b/c", "x");
        if (kind == Mounted::BindOfAFile)
            tree.writeFile("top/mnt", "under the mount");
        else
            tree.makeDir("top/mnt");
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ends[0]);
            removeAroundAMount(tree, kind, ends[1]);
        }
        ::close(ends[1]);
        ChildRemoval result;
        const bool received = ::read(ends[0], &result, sizeof result) == ssize_t(sizeof result);
        ::close(ends[0]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 77)
            GTEST_SKIP() << "mounting is not permitted here (it needs root)";
        ASSERT_TRUE(received);
        // top, a, b, b/c and the mount point as one item.
        EXPECT_EQ(result.countBefore, 5);
        EXPECT_FALSE(result.answered);
        EXPECT_EQ(result.code, EBUSY);
        EXPECT_EQ(QString::fromUtf8(result.path), tree.filePath("top/mnt"));
        EXPECT_EQ(QString::fromUtf8(result.operation), "remove mount point");
        EXPECT_EQ(result.removed, 3);
        EXPECT_EQ(result.countAfter, 2);
        EXPECT_EQ(result.mountedLeft, kind == Mounted::BindOfAFile ? 1 : 5);
        EXPECT_EQ(countRemovalItems(tree.filePath("outside")), 5);
        EXPECT_TRUE(removePath(tree.filePath("top")));
        EXPECT_TRUE(removePath(tree.filePath("outside")));
    }
}

TEST_F(TreeRemoval, AnItemInAReadOnlyFolderIsNotCounted)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root removes items from read-only folders";
    tree.writeFile("top/locked/file", "x");
    tree.writeFile("top/free", "x");
    const QByteArray locked = fileSystemRepresentation(tree.filePath("top/locked"));
    ASSERT_EQ(::chmod(locked.constData(), 0555), 0);
    qint64 removed = 0;
    FileError error;
    test::LogCapture log;
    EXPECT_FALSE(removePath(tree.filePath("top"), &error, RemovalProgress{{}, [&](qint64 count) { removed = count; }}));
    EXPECT_EQ(error.code, EACCES);
    EXPECT_EQ(removed, 1);   // "free"
    EXPECT_EQ(countRemovalItems(tree.filePath("top")), 3);
    ::chmod(locked.constData(), 0755);
}

} // namespace
} // namespace sorvant
