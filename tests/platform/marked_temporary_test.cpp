#include "platform/marked_temporary.h"

#include "platform/file_system_representation.h"
#include "tests/support/child_process.h"
#include "tests/support/failing_system_calls.h"
#include "tests/support/temp_tree.h"
#include "tests/support/temporary_mark.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ostream>

using namespace sorvant;

namespace {

TEST(TemporaryNamesTest, TheStemIsWhatComesBeforeTheMarkerAndSixLetters)
{
    const struct {
        const char* name;
        const char* marker;
        qsizetype stem;
    } rows[] = {
        {"s.plist.tmp.Ab3dE9", ".tmp.", 7},
        {".tmp.Ab3dE9", ".tmp.", 0},
        {".a.sorvant-copy-x7Qk2b", ".sorvant-copy-", 2},
        {"s.plist.tmp.Ab3dE", ".tmp.", -1},
        {"s.plist.tmp.Ab3dE9x", ".tmp.", -1},
        {"s.plist.tmp.Ab3d-9", ".tmp.", -1},
        {"s.plist.tmp_Ab3dE9", ".tmp.", -1},
        {"", ".tmp.", -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(temporaryStemSize(row.name, row.marker), row.stem);
    }
    QByteArray drawn = "x.tmp.";
    appendTemporarySuffix(drawn);
    EXPECT_EQ(temporaryStemSize(drawn, ".tmp."), 1) << drawn.constData();
}

// What stands under a temporary's name when a look comes, and what it finds.
enum class Item { File, Folder, Link, Fifo, Nothing };
enum class Mark { None, ItsOwn, AnotherItems };
enum class Around {
    Nothing,
    ItsLockHeld,           // by its maker, or another program
    AMakerInTheFolder,     // a maker between making an item and marking it
    ANetworkFileSystem,    // a stand-in file-system type: NFS
    AFuseFileSystem,
};

struct LookCase {
    const char* name;
    Item item;
    Mark mark;
    Around around;
    TemporaryKinds kinds;
    TemporaryFinding finding;
};

void PrintTo(const LookCase& row, std::ostream* out)
{
    *out << row.name;
}

unsigned long standInType = 0;

bool standInFileSystemType(int, unsigned long* type)
{
    *type = standInType;
    return true;
}

class TemporaryLookTest : public testing::TestWithParam<LookCase>
{
protected:
    void TearDown() override { setFileSystemTypeFunction(nullptr); }
};

// Each safeguard of the proof turns one row: a look proves only an unlocked
// regular file (or folder, where asked) marked with its own identity on a
// local file system, and says nothing of what a maker is still working on.
TEST_P(TemporaryLookTest, ProvesOnlyAnAbandonedTemporaryAndSpeaksOfNoLiveOne)
{
    const LookCase& row = GetParam();
    test::TempTree tree;
    const QByteArray folder = fileSystemRepresentation(tree.path());
    const QByteArray path = folder + "/item";
    const QByteArray elsewhere = fileSystemRepresentation(tree.writeFile("elsewhere", "x"));
    int made = 0;
    if (row.item == Item::File)
        tree.writeFile("item", "x");
    else if (row.item == Item::Folder)
        made = ::mkdir(path.constData(), 0700);
    else if (row.item == Item::Link)
        made = ::symlink(elsewhere.constData(), path.constData());
    else if (row.item == Item::Fifo)
        made = ::mkfifo(path.constData(), 0600);
    ASSERT_EQ(made, 0);
    const QByteArray marked = row.item == Item::Link ? elsewhere : path;
    if (row.mark != Mark::None && !test::markAsATemporary(marked, row.mark == Mark::AnotherItems ? elsewhere : QByteArray()))
        GTEST_SKIP() << "this file system keeps no user extended attributes";
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folderFd, 0);
    // Held through another open of its own, as its maker holds it.
    const int held = row.around == Around::ItsLockHeld         ? ::open(path.constData(), O_RDONLY | O_CLOEXEC)
                     : row.around == Around::AMakerInTheFolder ? ::open(folder.constData(), O_RDONLY | O_CLOEXEC)
                                                               : -1;
    if (held >= 0) {
        ASSERT_EQ(::flock(held, row.around == Around::ItsLockHeld ? LOCK_EX : LOCK_SH), 0);
    }
    standInType = row.around == Around::ANetworkFileSystem ? NFS_SUPER_MAGIC : 0x65735546UL;
    if (row.around == Around::ANetworkFileSystem || row.around == Around::AFuseFileSystem)
        setFileSystemTypeFunction(standInFileSystemType);
    const TemporaryLook look(folderFd, folder, "item", row.kinds);
    EXPECT_EQ(int(look.finding()), int(row.finding));
    if (held >= 0)
        ::close(held);
    const int other = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    EXPECT_EQ(other >= 0 && ::flock(other, LOCK_EX | LOCK_NB) != 0, row.finding == TemporaryFinding::Proved)
        << "a proved item is held locked by the look, and no other item is";
    if (other >= 0)
        ::close(other);
    ::close(folderFd);
}

using Finding = TemporaryFinding;
using Kinds = TemporaryKinds;
INSTANTIATE_TEST_SUITE_P(
    Items, TemporaryLookTest,
    testing::Values(LookCase{"AbandonedFile", Item::File, Mark::ItsOwn, Around::Nothing, Kinds::Files, Finding::Proved},
                    LookCase{"AbandonedFolder", Item::Folder, Mark::ItsOwn, Around::Nothing, Kinds::FilesAndFolders,
                             Finding::Proved},
                    LookCase{"FolderWhereFilesAreAsked", Item::Folder, Mark::ItsOwn, Around::Nothing, Kinds::Files,
                             Finding::OtherKind},
                    LookCase{"LockedFile", Item::File, Mark::ItsOwn, Around::ItsLockHeld, Kinds::Files, Finding::Live},
                    LookCase{"CopyOfATemporary", Item::File, Mark::AnotherItems, Around::Nothing, Kinds::Files,
                             Finding::Unmarked},
                    LookCase{"UnmarkedFile", Item::File, Mark::None, Around::Nothing, Kinds::Files, Finding::Unmarked},
                    LookCase{"UnmarkedLockedFile", Item::File, Mark::None, Around::ItsLockHeld, Kinds::Files,
                             Finding::Live},
                    LookCase{"UnmarkedWhileAMakerIsInTheFolder", Item::Folder, Mark::None, Around::AMakerInTheFolder,
                             Kinds::FilesAndFolders, Finding::Unsettled},
                    LookCase{"MarkedWhileAMakerIsInTheFolder", Item::File, Mark::ItsOwn, Around::AMakerInTheFolder,
                             Kinds::Files, Finding::Proved},
                    LookCase{"LinkToAMarkedFile", Item::Link, Mark::ItsOwn, Around::Nothing, Kinds::Files, Finding::Link},
                    LookCase{"Fifo", Item::Fifo, Mark::None, Around::Nothing, Kinds::FilesAndFolders, Finding::OtherKind},
                    LookCase{"Nothing", Item::Nothing, Mark::None, Around::Nothing, Kinds::Files, Finding::Gone},
                    LookCase{"OnNfs", Item::File, Mark::ItsOwn, Around::ANetworkFileSystem, Kinds::Files, Finding::NoLocks},
                    LookCase{"OnFuse", Item::Folder, Mark::ItsOwn, Around::AFuseFileSystem, Kinds::FilesAndFolders,
                             Finding::NoLocks}),
    [](const testing::TestParamInfo<LookCase>& row) { return std::string(row.param.name); });

constexpr const char* kFindingNames[] = {"Proved",    "Gone",       "Live",       "Unsettled",  "Link",
                                         "OtherKind", "OtherUser",  "OtherMount", "Unreadable", "Unmarked",
                                         "NoMarks",   "NoIdentity", "NoLocks"};
constexpr const char* kMomentNames[] = {"Made", "Locking", "LockedForRemoval"};

// What looks at a temporary's name find while its maker makes it.
QByteArrayList seenWhileMaking;

QByteArray lookAt(const QByteArray& folderPath, const QByteArray& name)
{
    const int folder = ::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const TemporaryLook look(folder, folderPath, name, TemporaryKinds::FilesAndFolders);
    ::close(folder);
    return kFindingNames[int(look.finding())];
}

void lookWhileMaking(TemporaryMoment moment, const char* path)
{
    const QByteArray item(path);
    const qsizetype slash = item.lastIndexOf('/');
    if (moment != TemporaryMoment::LockedForRemoval)
        seenWhileMaking << kMomentNames[int(moment)] + (' ' + lookAt(item.left(slash), item.mid(slash + 1)));
}

// Makes the folder or file `name` in `folderPath`, looking at it at each
// moment of the making, once held, and once let go (placed first when
// `placed`): what the looks found, in order.
QByteArray looksWhileMaking(const QByteArray& folderPath, const QByteArray& name, bool folder, bool placed)
{
    seenWhileMaking.clear();
    setTemporaryHook(lookWhileMaking);
    MarkedTemporary temporary;
    const bool made = folder ? temporary.makeFolder(folderPath + '/' + name, 0700)
                             : temporary.makeFile(folderPath + '/' + name, 0600).isValid();
    setTemporaryHook(nullptr);
    if (!made || !temporary.isMade())
        return "not made";
    seenWhileMaking << "held " + lookAt(folderPath, name);
    if (placed)
        temporary.unmark();
    temporary.release();
    seenWhileMaking << "let go " + lookAt(folderPath, name);
    return seenWhileMaking.join(", ");
}

// A temporary is never found unlocked and unmarked under its name while its
// maker lives: a file takes its name held and marked, a folder is left
// unjudged (Unsettled) from its making until it is held. Once its maker lets
// it go it is proved abandoned, unless it was placed (unmarked).
TEST(MarkedTemporaryTest, NoLookFindsATemporaryUnheldWhileItsMakerLives)
{
    test::TempTree tree;
    if (!test::markAsATemporary(fileSystemRepresentation(tree.writeFile("probe", "x"))))
        GTEST_SKIP() << "this file system keeps no user extended attributes";
    const struct {
        const char* name;
        bool folder;
        bool placed;
        const char* seen;
    } rows[] = {
        {"file", false, false, "Locking Gone, Made Live, held Live, let go Proved"},
        {"placed-file", false, true, "Locking Gone, Made Live, held Live, let go Unmarked"},
        {"folder", true, false, "Made Unsettled, Locking Unsettled, held Live, let go Proved"},
        {"placed-folder", true, true, "Made Unsettled, Locking Unsettled, held Live, let go Unmarked"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(looksWhileMaking(fileSystemRepresentation(tree.path()), row.name, row.folder, row.placed), row.seen);
    }
}

// Where a file system refuses unnamed files, a file is made under its name
// as a folder is, and looks leave it unjudged until it is held. In a child,
// whose system calls a filter can refuse for good.
TEST(MarkedTemporaryTest, WhereUnnamedFilesAreRefusedAFileIsMadeAsAFolderIs)
{
    test::TempTree tree;
    if (!test::markAsATemporary(fileSystemRepresentation(tree.writeFile("probe", "x"))))
        GTEST_SKIP() << "this file system keeps no user extended attributes";
    const test::ChildAnswer answer = test::answerOfAChild([&] {
        if (!test::refuseUnnamedFiles())
            ::_exit(77);
        return looksWhileMaking(fileSystemRepresentation(tree.path()), "file", false, false);
    });
    if (answer.exitCode == 77)
        GTEST_SKIP() << "no system-call filter can be put in place here";
    EXPECT_EQ(answer.exitCode, 0);
    EXPECT_EQ(answer.sent, "Made Unsettled, Locking Unsettled, held Live, let go Proved");
}

// A name taken is refused (EEXIST, nothing made), so the maker tries another.
TEST(MarkedTemporaryTest, ATakenNameIsRefused)
{
    test::TempTree tree;
    const QByteArray file = fileSystemRepresentation(tree.writeFile("file", "theirs"));
    const QByteArray folder = fileSystemRepresentation(tree.makeDir("folder"));
    for (const QByteArray& taken : {file, folder}) {
        SCOPED_TRACE(taken.constData());
        MarkedTemporary asFile;
        errno = 0;
        EXPECT_FALSE(asFile.makeFile(taken, 0600).isValid());
        EXPECT_EQ(errno, EEXIST);
        MarkedTemporary asFolder;
        errno = 0;
        EXPECT_FALSE(asFolder.makeFolder(taken, 0700));
        EXPECT_EQ(errno, EEXIST);
        EXPECT_FALSE(asFile.isMade() || asFolder.isMade());
    }
    EXPECT_EQ(test::readFileBytes(file), "theirs");
}

} // namespace
