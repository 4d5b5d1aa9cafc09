// The per-name numbers of the Trash under threads: a thread that looks at
// the disk for a name's last record keeps no other thread of that name
// waiting, and what it saw is not acted on once other numbers were handed
// out meanwhile.

#include "system/trash.h"

#include "system/standard_folders.h"
#include "tests/support/temporary_home.h"
#include "tests/system/waiting.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {
namespace {

// The first look at the record of "a.txt" once armed is made, then waits
// for `released` (past the test's own wait, so that a thread held behind it
// is seen held) before it answers what it saw. Claims lost are counted: an
// item's name found taken in files/, or a record's refused by O_EXCL.
std::atomic<bool> armed{false}, looking{false}, released{false};
std::atomic<int> claimsLost{0};

int heldLstat(const char* path, struct stat* info)
{
    const char* record = "/info/a.txt.trashinfo";
    const size_t length = std::strlen(path);
    if (armed && length >= std::strlen(record) && std::strcmp(path + length - std::strlen(record), record) == 0
        && !looking.exchange(true)) {
        const int seen = ::lstat(path, info);
        const int seenErrno = errno;
        (void)test::waitUntil([] { return released.load(); }, 2 * test::kPatience);
        errno = seenErrno;
        return seen;
    }
    const int seen = ::lstat(path, info);
    if (seen == 0 && std::strstr(path, "/files/"))
        ++claimsLost;
    return seen;
}

int countingOpen(const char* path, int flags, unsigned int mode)
{
    const int fd = ::open(path, flags, mode_t(mode));
    if (fd < 0 && errno == EEXIST && (flags & O_EXCL))
        ++claimsLost;
    return fd;
}

class TrashNumbers : public testing::Test
{
protected:
    void SetUp() override
    {
        trash = home.setVariable("XDG_DATA_HOME", "home/.local/share") + "/Trash";
        armed = looking = released = false;
        claimsLost = 0;
        setTrashNameFunctions(heldLstat, countingOpen);
    }
    void TearDown() override
    {
        released = true;
        setTrashNameFunctions(nullptr, nullptr);
    }
    test::TemporaryHome home{resetStandardFolders};
    QString trash;
};

// The trash is emptied of the last "a.txt" made, and one thread looks
// whether it is still there. Another thread's item of the name goes
// meanwhile, without waiting for that look, and takes the name itself; the
// look, which saw the trash before that, does not start the numbers again,
// so no item claims a number already taken.
TEST_F(TrashNumbers, ALookAtTheDiskHoldsNoOtherThreadOfTheName)
{
    ASSERT_TRUE(moveItemToTrash(home.tree.writeFile("a.txt")));
    EXPECT_TRUE(QFile::remove(trash + "/files/a.txt") && QFile::remove(trash + "/info/a.txt.trashinfo"));
    armed = true;
    std::atomic<bool> lookerMoved{false}, otherMoved{false}, otherDone{false};
    std::thread looker([&] { lookerMoved = moveItemToTrash(home.tree.writeFile("0/a.txt")); });
    ASSERT_TRUE(test::waitUntil([] { return looking.load(); }));
    const QString other = home.tree.writeFile("1/a.txt");
    std::thread second([&] {
        otherMoved = moveItemToTrash(other);
        otherDone = true;
    });
    EXPECT_TRUE(test::waitUntil([&] { return otherDone.load(); }))
        << "an item of the name waited for another thread's look at the disk";
    released = true;
    looker.join();
    second.join();
    EXPECT_TRUE(lookerMoved);
    EXPECT_TRUE(otherMoved);
    const QStringList names = QDir(trash + "/files").entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(names, QStringList({"a.2.txt", "a.txt"}));
    EXPECT_EQ(QDir(trash + "/info").entryList(QDir::Files).size(), 2);
    EXPECT_EQ(claimsLost, 0) << names.join(u' ').toStdString();
}

} // namespace
} // namespace sorvant
