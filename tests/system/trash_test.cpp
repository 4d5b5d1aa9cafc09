#include "system/trash.h"

#include "platform/file_error.h"
#include "system/deletion_questions.h"
#include "system/file_manager.h"
#include "system/file_operations.h"
#include "system/file_tests.h"
#include "system/standard_folders.h"
#include "tests/support/temporary_home.h"
#include "tests/system/waiting.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// Stand-ins for the Trash's name calls, which the code cannot leave out:
// they count the calls, answer records numbered up to `held` as there, and
// lose O_EXCL claims as another program taking them first would (the
// first `loseFirst`, and every one numbered below `loseBelow`).
struct NameCalls
{
    qint64 calls = 0, held = 0, loseBelow = 0;
    int loseFirst = 0, lost = 0;
} names;

// The number of a trash name ("a.<n>.txt", 1 for "a.txt").
qint64 numberOf(const char* path)
{
    const QList<QByteArray> parts = QByteArray(path).split('/').last().split('.');
    bool numbered = false;
    const qint64 number = parts.size() > 2 ? parts.at(1).toLongLong(&numbered) : 0;
    return numbered ? number : 1;
}

bool isHeld(const char* path)
{
    return std::strstr(path, "/info/") && numberOf(path) <= names.held;
}

int standInLstat(const char* path, struct stat* info)
{
    ++names.calls;
    *info = {};
    return isHeld(path) ? 0 : ::lstat(path, info);
}

int standInOpen(const char* path, int flags, unsigned int mode)
{
    ++names.calls;
    if ((flags & O_EXCL) && (isHeld(path) || names.lost < names.loseFirst || numberOf(path) < names.loseBelow)) {
        ++names.lost;
        errno = EEXIST;
        return -1;
    }
    return ::open(path, flags, mode);
}

class TrashNames : public Trash
{
protected:
    void SetUp() override
    {
        Trash::SetUp();
        names = {};
        setTrashNameFunctions(standInLstat, standInOpen);
    }
    void TearDown() override { setTrashNameFunctions(nullptr, nullptr); }
};

// A trash holding many items of one name already, as after a Trash of every
// README.md a search found: the next items still go, numbered on.
TEST_F(TrashNames, ItemsOfOneNameAreAcceptedWhateverTheirNumber)
{
    for (const qint64 held : {9'999, 10'050}) {
        SCOPED_TRACE(held);
        names.held = held;
        const QString data = home.setVariable("XDG_DATA_HOME", QStringLiteral("data-%1").arg(held));
        for (int i = 1; i <= 2; ++i) {
            QString trashed;
            FileError error;
            ASSERT_TRUE(moveItemToTrash(home.tree.writeFile("README.md"), &trashed, &error))
                << error.description().toStdString();
            EXPECT_EQ(trashed, data + "/Trash/files/" + trashNameCandidate("README.md", held + i));
        }
    }
}

TEST_F(TrashNames, ItemsOfOneNameCostTheSameEachWhateverTheirCount)
{
    // 4 times the items: linear work grows 4-fold, work that looks at every
    // earlier name for each item 16-fold. Each item is a new link to one
    // file (no new file to make), trashed in turn from one place.
    const int kSmall = 250, kFactor = 4;
    const QByteArray original = QFile::encodeName(home.tree.writeFile("original"));
    const QByteArray item = QFile::encodeName(home.tree.filePath("README.md"));
    qint64 calls[2] = {};
    for (const int size : {kSmall, kSmall * kFactor}) {
        const QString data = home.setVariable("XDG_DATA_HOME", QStringLiteral("data-%1").arg(size));
        QStringList expected;
        names.calls = 0;
        for (int i = 0; i < size; ++i) {
            ASSERT_EQ(::link(original.constData(), item.constData()), 0) << errno;
            ASSERT_TRUE(moveItemToTrash(QFile::decodeName(item))) << i;
            expected.append(QString::fromLatin1(trashNameCandidate("README.md", i + 1)));
        }
        calls[size == kSmall ? 0 : 1] = names.calls;
        expected.sort();
        EXPECT_EQ(namesIn(data + "/Trash/files"), expected);
    }
    EXPECT_GT(calls[0], 0);
    EXPECT_LE(calls[1], (kFactor + kFactor / 2) * calls[0]) << calls[0] << " calls, then " << calls[1];
}

// Another program trashing items of the same name claims records first:
// what it wins is left to it, and an item that wins nothing for long stays.
// Each claim lost moves the next try further on, by a few times the claims
// lost so far at first, then twice as far each time: a short run held by
// another program is passed within a few numbers, a run of a million within
// the claims an item may lose, and the number reached stays short. The
// million row runs after the 300 one, whose item starts from the name.
TEST_F(TrashNames, ClaimsAnotherProgramWinsAreLeftToIt)
{
    const struct
    {
        const char* what;
        int loseFirst;
        qint64 loseBelow, numberBelow;
    } cases[] = {{"a program ahead over the first 300 numbers", 0, 300, 1'000},
                 {"a program ahead over the first million numbers", 0, 1'000'000, 100'000'000},
                 {"a thousand claims lost in a row", 1'000, 0, 0}};
    int movedItems = 0;
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        names = {0, 0, row.loseBelow, row.loseFirst, 0};
        const QString item = home.tree.writeFile("race.txt", "race");
        QString trashed;
        FileError error;
        const bool moved = moveItemToTrash(item, &trashed, &error);
        EXPECT_EQ(moved, row.loseBelow > 0) << error.description().toStdString();
        movedItems += moved ? 1 : 0;
        // It gives up well before a thousand.
        EXPECT_TRUE(names.lost > 0 && names.lost < 1'000) << names.lost;
        EXPECT_EQ(readAll(moved ? trashed : item), "race");
        const qint64 number = numberOf(QFile::encodeName(trashed).constData());
        EXPECT_TRUE(moved ? number >= row.loseBelow && number < row.numberBelow : error.code == EEXIST)
            << trashed.toStdString();
    }
    EXPECT_EQ(namesIn(trash + "/info").size(), movedItems);
}

// The number of each name in a trash's files/, and how many of them have
// nine digits or more.
struct Numbers
{
    qint64 count = 0, highest = 0, longOnes = 0;
};

Numbers numbersIn(const QString& folder)
{
    Numbers numbers;
    for (const QString& name : namesIn(folder)) {
        const qint64 number = numberOf(QFile::encodeName(name).constData());
        ++numbers.count;
        numbers.highest = std::max(numbers.highest, number);
        numbers.longOnes += number >= 100'000'000 ? 1 : 0;
    }
    return numbers;
}

testing::Message describe(const Numbers& numbers)
{
    return testing::Message() << numbers.count << " names, highest number " << numbers.highest << ", "
                              << numbers.longOnes << " of nine digits or more";
}

// O_EXCL claims of a record that found it there, from any thread.
std::atomic<int> claimsLost{0};

int countingOpen(const char* path, int flags, unsigned int mode)
{
    const int fd = ::open(path, flags, mode);
    if (fd < 0 && errno == EEXIST && (flags & O_EXCL))
        ++claimsLost;
    return fd;
}

// Trashes `count` items named README.md, each a new link to `original` in
// `folder`; answers how many moved.
int trashReadmes(const QByteArray& original, const QString& folder, int count)
{
    const QByteArray item = QFile::encodeName(folder + "/README.md");
    int moved = 0;
    for (int i = 0; i < count; ++i)
        moved += ::link(original.constData(), item.constData()) == 0 && moveItemToTrash(QFile::decodeName(item));
    return moved;
}

// Threads of one process trashing items of one name each take a number of
// their own: none loses a claim to another, so the numbers stay those of
// the items' count, however the threads interleave.
TEST_F(Trash, ThreadsTrashingOneNameEachGetANameOfTheirOwn)
{
    const int kThreads = 8, kItems = 200;
    const QByteArray original = QFile::encodeName(home.tree.writeFile("original"));
    claimsLost = 0;
    setTrashNameFunctions(nullptr, countingOpen);
    std::atomic<int> moved{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        const QString folder = home.tree.makeDir(QString::number(t));
        threads.emplace_back([&, folder] { moved += trashReadmes(original, folder, kItems); });
    }
    for (std::thread& thread : threads)
        thread.join();
    setTrashNameFunctions(nullptr, nullptr);
    const Numbers numbers = numbersIn(trash + "/files");
    EXPECT_EQ(moved, kThreads * kItems);
    EXPECT_EQ(numbers.count, kThreads * kItems);
    EXPECT_EQ(namesIn(trash + "/info").size(), kThreads * kItems);
    EXPECT_LE(numbers.highest, 10'000) << describe(numbers);
    EXPECT_EQ(claimsLost, 0) << describe(numbers);
}

// Holds the first claim of number 2 until `released`, to keep an item
// under way; counts lost claims as countingOpen does.
std::atomic<bool> holding{false}, released{false};

int holdingOpen(const char* path, int flags, unsigned int mode)
{
    if ((flags & O_EXCL) && numberOf(path) == 2 && !holding.exchange(true))
        test::waitUntil([] { return released.load(); });
    return countingOpen(path, flags, mode);
}

// A trash emptied while an item of a name is under way: the next items of
// the name go on from the numbers handed out, not from the name again,
// which would meet the number of the item under way.
TEST_F(Trash, NumbersStartAgainOnlyWhenNoItemOfTheNameIsUnderWay)
{
    claimsLost = 0;
    holding = released = false;
    setTrashNameFunctions(nullptr, holdingOpen);
    EXPECT_TRUE(moveItemToTrash(home.tree.writeFile("a.txt")));
    const QString underWay = home.tree.writeFile("0/a.txt");
    std::atomic<bool> movedUnderWay{false};
    std::thread second([&] { movedUnderWay = moveItemToTrash(underWay); });
    EXPECT_TRUE(test::waitUntil([] { return holding.load(); }));
    EXPECT_TRUE(QFile::remove(trash + "/files/a.txt") && QFile::remove(trash + "/info/a.txt.trashinfo"));
    for (const char* item : {"1/a.txt", "2/a.txt"})
        EXPECT_TRUE(moveItemToTrash(home.tree.writeFile(item))) << item;
    released = true;
    second.join();
    setTrashNameFunctions(nullptr, nullptr);
    EXPECT_TRUE(movedUnderWay);
    EXPECT_EQ(namesIn(trash + "/files").size(), 3);
    EXPECT_EQ(claimsLost, 0) << namesIn(trash + "/files").join(u' ').toStdString();
}

// Runs `work` in `count` forked children that start together, once all
// are made; answers what each wrote back (empty for one that failed or
// passed the time limit, and was killed).
QList<QByteArray> answersOfChildrenStartedTogether(int count, const std::function<QByteArray(int)>& work)
{
    int start[2];
    if (::pipe2(start, O_CLOEXEC) != 0)
        return {};
    std::vector<std::pair<pid_t, int>> children;
    for (int c = 0; c < count; ++c) {
        int answer[2];
        if (::pipe2(answer, O_CLOEXEC) != 0)
            break;
        const pid_t child = ::fork();
        if (child == 0) {
            char byte = 0;
            ::close(start[1]);
            while (::read(start[0], &byte, 1) < 0 && errno == EINTR) {
            }
            const QByteArray sent = work(c);
            ::_exit(::write(answer[1], sent.constData(), size_t(sent.size())) == sent.size() ? 0 : 1);
        }
        ::close(answer[1]);
        children.emplace_back(child, answer[0]);
    }
    ::close(start[0]);
    ::close(start[1]);   // the children's read ends: they start
    const QDeadlineTimer deadline(test::kPatience);
    QList<QByteArray> answers;
    for (const auto& [child, fd] : children) {
        QByteArray sent;
        for (char buffer[256]; child > 0;) {
            pollfd ready{fd, POLLIN, 0};
            const int waited = ::poll(&ready, 1, int(std::max<qint64>(deadline.remainingTime(), 0)));
            if (waited < 0 && errno == EINTR)
                continue;
            const ssize_t got = waited > 0 ? ::read(fd, buffer, sizeof buffer) : 0;
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            sent.append(buffer, got);
        }
        ::close(fd);
        if (child > 0 && deadline.hasExpired())
            ::kill(child, SIGKILL);
        int status = 0;
        const bool exited = child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status);
        answers.append(exited && WEXITSTATUS(status) == 0 ? sent : QByteArray());
    }
    return answers;
}

// Processes trashing items of one name at once lose claims to each other;
// each loss moves the next try a little further, never far: every item
// goes, and the numbers stay within a digit of the items' count.
TEST_F(Trash, ProcessesTrashingOneNameKeepTheirNumbersShort)
{
    const int kProcesses = 6, kItems = 400;
    const QByteArray original = QFile::encodeName(home.tree.writeFile("original"));
    for (int p = 0; p < kProcesses; ++p)
        home.tree.makeDir(QString::number(p));
    const QList<QByteArray> answers = answersOfChildrenStartedTogether(kProcesses, [&](int p) {
        return QByteArray::number(trashReadmes(original, home.tree.filePath(QString::number(p)), kItems));
    });
    EXPECT_EQ(answers, QList<QByteArray>(kProcesses, QByteArray::number(kItems)));
    const Numbers numbers = numbersIn(trash + "/files");
    EXPECT_EQ(numbers.count, kProcesses * kItems);
    EXPECT_EQ(namesIn(trash + "/info").size(), kProcesses * kItems);
    EXPECT_LE(numbers.highest, 10 * kProcesses * kItems) << describe(numbers);
}

// An emptied trash, or one whose last item of a name was taken out, starts
// again from the name rather than from the number this process reached.
TEST_F(Trash, NumbersFollowTheTrashAsItIsNow)
{
    const struct
    {
        QStringList takenOut;
        QString expected;
    } cases[] = {{{"a.txt", "a.2.txt", "a.3.txt"}, "a.txt"}, {{"a.3.txt"}, "a.3.txt"}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.takenOut.join(u' ').toStdString());
        ASSERT_TRUE(QDir(trash).removeRecursively());
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(moveItemToTrash(home.tree.writeFile("a.txt")));
        for (const QString& name : row.takenOut)
            EXPECT_TRUE(QFile::remove(trash + "/files/" + name) && QFile::remove(trash + "/info/" + name + ".trashinfo"));
        QString trashed;
        ASSERT_TRUE(moveItemToTrash(home.tree.writeFile("a.txt"), &trashed));
        EXPECT_EQ(trashed, trash + "/files/" + row.expected);
    }
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

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

bool makeLink(const QString& target, const QString& link)
{
    return ::symlink(encoded(target).constData(), encoded(link).constData()) == 0;
}

// A name of 82 three-byte characters and ".txt": 250 bytes, so its record's
// name ("<name>.trashinfo") would pass the 255-byte limit.
const QString kLongName = QString(82, QChar(0x6587)) + ".txt";

TEST_F(Trash, LongNamesAreTrashedUnderAShortenedName)
{
    for (const QString& name : {kLongName, QString(255, u'x')}) {
        SCOPED_TRACE(name.size());
        const QString item = home.tree.writeFile(name, "long");
        QString trashed;
        FileError error;
        ASSERT_TRUE(moveItemToTrash(item, &trashed, &error)) << error.description().toStdString();
        EXPECT_FALSE(QFileInfo::exists(item));
        EXPECT_EQ(readAll(trashed), "long");
        const QByteArray stored = encoded(QFileInfo(trashed).fileName());
        EXPECT_LE(stored.size() + 10, 255);
        // Cut on a character boundary: the name is still valid text.
        EXPECT_EQ(QString::fromUtf8(stored).toUtf8(), stored);
        const QByteArray record = readAll(trash + "/info/" + QFileInfo(trashed).fileName() + ".trashinfo");
        EXPECT_TRUE(record.contains("\nPath=" + encoded(item).toPercentEncoding("/") + "\n")) << record.constData();
    }
    EXPECT_EQ(trashNameCandidate(QByteArray(250, 'x'), 2).size(), 245);
    EXPECT_TRUE(trashNameCandidate(QByteArray(250, 'x') + ".txt", 2).endsWith(".2.txt"));
    EXPECT_EQ(trashNameCandidate("a.txt", 3), "a.3.txt");
}

TEST_F(Trash, ASymlinkedHomeOrDataFolderServes)
{
    // The data folder, then the home, reached through a link (a home on
    // another disk).
    const QString realData = home.tree.makeDir("disk/data");
    const QString dataLink = home.tree.filePath("data-link");
    ASSERT_TRUE(makeLink(realData, dataLink));
    home.setVariableBytes("XDG_DATA_HOME", encoded(dataLink));
    const QString item = home.tree.writeFile("home/a.txt", "a");
    FileError error;
    ASSERT_TRUE(moveItemToTrash(item, nullptr, &error)) << error.description().toStdString();
    EXPECT_EQ(readAll(realData + "/Trash/files/a.txt"), "a");

    const QString realHome = home.tree.makeDir("disk/home");
    const QString homeLink = home.tree.filePath("home-link");
    ASSERT_TRUE(makeLink(realHome, homeLink));
    home.setVariableBytes("HOME", encoded(homeLink));
    qunsetenv("XDG_DATA_HOME");
    resetStandardFolders();
    const QString other = home.tree.writeFile("disk/home/b.txt", "b");
    ASSERT_TRUE(moveItemToTrash(other, nullptr, &error)) << error.description().toStdString();
    EXPECT_EQ(readAll(realHome + "/.local/share/Trash/files/b.txt"), "b");
}

// A file system that refuses RENAME_NOREPLACE (FUSE, some network ones).
int renameWithoutNoReplace(const char* from, const char* to, unsigned int flags)
{
    if (flags & RENAME_NOREPLACE) {
        errno = EINVAL;
        return -1;
    }
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags);
}

TEST_F(Trash, AVolumeWithoutNoReplaceRenameStillTrashes)
{
    setRenameWithFlagsFunction(renameWithoutNoReplace);
    const QString item = home.tree.writeFile("fuse.txt", "f");
    QString trashed;
    FileError error;
    const bool moved = moveItemToTrash(item, &trashed, &error);
    setRenameWithFlagsFunction(nullptr);
    ASSERT_TRUE(moved) << error.description().toStdString();
    EXPECT_EQ(readAll(trashed), "f");
    EXPECT_FALSE(QFileInfo::exists(item));
}

TEST_F(Trash, DotDotThroughALinkTrashesTheItemItNames)
{
    // "a/link/../x" names b/x to the system (the link's target is b/inner),
    // not a/x as a lexical reading would.
    home.tree.makeDir("b/inner");
    const QString meant = home.tree.writeFile("b/x", "meant");
    const QString other = home.tree.writeFile("a/x", "other");
    ASSERT_TRUE(makeLink(home.tree.filePath("b/inner"), home.tree.filePath("a/link")));
    QString trashed;
    ASSERT_TRUE(moveItemToTrash(home.tree.filePath("a/link/../x"), &trashed));
    EXPECT_EQ(readAll(trashed), "meant");
    EXPECT_FALSE(QFileInfo::exists(meant));
    EXPECT_EQ(readAll(other), "other");
}

// Items the Trash refuses (here: immutable, as rm refuses them) stay as
// they were; the others of the same selection go to the Trash.
class RefusedItems : public Trash
{
protected:
    void SetUp() override
    {
        Trash::SetUp();
        locked = home.tree.writeFile("locked.txt", "locked");
        if (!setFileImmutable(true, locked))
            GTEST_SKIP() << "the immutable flag needs privilege and file-system support";
    }
    void TearDown() override
    {
        if (!locked.isEmpty())
            setFileImmutable(false, locked);
    }
    QString locked;
};

TEST_F(RefusedItems, AnImmutableItemKeepsItsFlagAndPlace)
{
    EXPECT_FALSE(recycleFile(locked, false));
    EXPECT_TRUE(isFileImmutableAtPath(locked));
    EXPECT_FALSE(recycleFile(locked, true));
    EXPECT_EQ(readAll(locked), "locked");
    EXPECT_TRUE(namesIn(trash + "/files").isEmpty());
}

TEST_F(RefusedItems, APartialFailureTrashesTheRestAndNamesOnlyTheRefused)
{
    const QString folder = home.tree.makeDir("folder");
    home.tree.writeFile("folder/inner.txt", "inner");
    const QString plain = home.tree.writeFile("plain.txt", "plain");
    const QString longName = home.tree.writeFile(kLongName, "long");
    const QStringList refused = recycleFilesKeepingRefused({folder, locked, plain, longName});
    EXPECT_EQ(refused, QStringList {locked});
    EXPECT_EQ(readAll(locked), "locked");
    for (const QString& gone : {folder, plain, longName})
        EXPECT_FALSE(QFileInfo::exists(gone)) << gone.toStdString();
    EXPECT_EQ(namesIn(trash + "/files").size(), 3);
    const QString question = untrashableItemsQuestion(refused);
    EXPECT_TRUE(question.contains(u"“locked.txt”")) << question.toStdString();
    EXPECT_TRUE(question.contains(u"can't be undone")) << question.toStdString();
    EXPECT_FALSE(question.contains(u"plain")) << question.toStdString();
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

// Trash folders made in advance by someone else, open to others, or a
// sticky ".Trash" whose user folder is not ours: none receives an item, and
// the item, which cannot reach the home trash on another device, stays.
TEST_F(VolumeTrash, AnotherUsersOrAnOpenTrashFolderIsNotUsed)
{
    const QString uid = QString::number(::getuid());
    const QString own = home.tree.makeDir("volume/.Trash-" + uid);
    const QString item = home.tree.writeFile("volume/private.txt", "private");
    const auto refuses = [&](const char* what) {
        SCOPED_TRACE(what);
        FileError error;
        EXPECT_FALSE(moveItemToTrash(item, nullptr, &error));
        EXPECT_FALSE(recycleFile(item, false));
        EXPECT_EQ(readAll(item), "private");
        EXPECT_FALSE(QFileInfo::exists(own + "/files/private.txt"));
        EXPECT_FALSE(QFileInfo::exists(trash + "/files/private.txt"));
    };
    ASSERT_EQ(::chown(encoded(own).constData(), ::getuid() + 4242, ::getgid()), 0);
    refuses("owned by another user");
    ASSERT_EQ(::chown(encoded(own).constData(), ::getuid(), ::getgid()), 0);
    ASSERT_EQ(::chmod(encoded(own).constData(), 0777), 0);
    refuses("open to every user");
    ASSERT_TRUE(QDir(own).removeRecursively());
    ASSERT_TRUE(makeLink(home.tree.makeDir("volume/elsewhere"), own));
    refuses("a link");

    // A sticky ".Trash" whose folder for us belongs to another user.
    ASSERT_EQ(::unlink(encoded(own).constData()), 0);
    const QString admin = home.tree.makeDir("volume/.Trash");
    ASSERT_EQ(::chmod(encoded(admin).constData(), 01777), 0);
    const QString mine = home.tree.makeDir("volume/.Trash/" + uid);
    ASSERT_EQ(::chown(encoded(mine).constData(), ::getuid() + 4242, ::getgid()), 0);
    QString trashed;
    ASSERT_TRUE(moveItemToTrash(item, &trashed));
    EXPECT_EQ(trashed, own + "/files/private.txt");
    EXPECT_EQ(QFileInfo(own).permissions() & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
}

TEST_F(VolumeTrash, AReadOnlyTrashKeepsEveryItem)
{
    // The home trash's record folder is a read-only volume.
    ASSERT_EQ(::umount2(volume.toUtf8().constData(), MNT_DETACH), 0);
    mounted = false;
    const QString info = home.tree.makeDir("home/.local/share/Trash/info");
    home.tree.makeDir("home/.local/share/Trash/files");
    ASSERT_EQ(::mount("sorvant-test", encoded(info).constData(), "tmpfs", MS_RDONLY, "size=1m"), 0);
    const QString first = home.tree.writeFile("one.txt", "1");
    const QString second = home.tree.makeDir("two");
    home.tree.writeFile("two/inner", "2");
    const QStringList refused = recycleFilesKeepingRefused({first, second});
    ::umount2(encoded(info).constData(), MNT_DETACH);
    EXPECT_EQ(refused, (QStringList {first, second}));
    EXPECT_EQ(readAll(first), "1");
    EXPECT_EQ(readAll(second + "/inner"), "2");
    const QString question = untrashableItemsQuestion(refused);
    EXPECT_TRUE(question.contains(u"“one.txt”, “two”")) << question.toStdString();
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
