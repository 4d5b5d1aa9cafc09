#include "platform/atomic_file.h"
#include "platform/file_system_representation.h"
#include "platform/property_list.h"

#include "tests/support/child_process.h"
#include "tests/support/failing_system_calls.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_tree.h"
#include "tests/support/temporary_mark.h"
#include "tests/system/waiting.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <iterator>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstring>

using namespace sorvant;

namespace {

// Restores the umask a test sets.
class UmaskGuard
{
public:
    explicit UmaskGuard(mode_t mask) : m_saved(::umask(mask)) {}
    ~UmaskGuard() { ::umask(m_saved); }
    UmaskGuard(const UmaskGuard&) = delete;
    UmaskGuard& operator=(const UmaskGuard&) = delete;

private:
    mode_t m_saved;
};

// The umask as /proc reports it, without setting it; -1 when unknown.
int currentUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("Umask:"))
            return line.mid(6).trimmed().toInt(nullptr, 8);
    }
    return -1;
}

mode_t modeOf(const QByteArray& path)
{
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(AtomicFileTest, NamesThatAreNotUtf8KeepTheirBytes)
{
    test::TempTree tree;
    const QByteArray root = QFile::encodeName(tree.path());
    const QByteArray folder = root + "/in\xFF" "folder";
    test::makeDirBytes(folder);
    const QString atomic = stringWithFileSystemRepresentation(folder + "/bad\xFFname");
    const QString inPlace = stringWithFileSystemRepresentation(folder + "/bad\xFEname");
    const QString plist = stringWithFileSystemRepresentation(folder + "/p\xFF.plist");
    ASSERT_TRUE(atomic.contains(QChar(0xDCFF)));

    ASSERT_TRUE(writeFileAtomically(atomic, "atomic"));
    ASSERT_TRUE(writeFileInPlace(inPlace, "in place"));
    ASSERT_TRUE(writePropertyListFile(plist, QVariantMap{{"k", true}}));
    EXPECT_EQ(test::readFileBytes(root + "/in\xFF" "folder/bad\xFFname"), "atomic");
    EXPECT_EQ(test::readFileBytes(root + "/in\xFF" "folder/bad\xFEname"), "in place");

    QByteArray data;
    EXPECT_EQ(readRegularFile(atomic, 100, &data), FileReadStatus::Read);
    EXPECT_EQ(data, "atomic");
    EXPECT_EQ(readPropertyListFile(plist).toMap().value("k"), QVariant(true));
}

TEST(AtomicFileTest, NewFilesTakeTheUmask)
{
    test::TempTree tree;
    const UmaskGuard mask(027);
    const QString fresh = tree.filePath("fresh");
    ASSERT_TRUE(writeFileAtomically(fresh, "x"));
    EXPECT_EQ(modeOf(QFile::encodeName(fresh)), 0640u);
    EXPECT_EQ(currentUmask(), 027);
}

// Setting the umask to read it would let a file made by another thread at
// that moment be world-writable. A watcher samples it while files are made.
TEST(AtomicFileTest, WritingNeverChangesTheUmask)
{
    if (currentUmask() < 0)
        GTEST_SKIP() << "no /proc/self/status";
    test::TempTree tree;
    const UmaskGuard mask(022);
    std::atomic<bool> done{false};
    std::atomic<int> changed{0};
    std::thread watcher([&] {
        while (!done.load()) {
            if (currentUmask() != 022)
                changed.fetch_add(1);
        }
    });
    for (int i = 0; i < 100; ++i) {
        const QString path = tree.filePath(QStringLiteral("f%1").arg(i));
        EXPECT_TRUE(writeFileAtomically(path, "x"));
        ::unlink(QFile::encodeName(path).constData());
    }
    done.store(true);
    watcher.join();
    EXPECT_EQ(changed.load(), 0);
}

struct ReadCase
{
    const char* name;
    std::function<QString(test::TempTree&)> make;
    FileReadStatus status;
};

void PrintTo(const ReadCase& row, std::ostream* out)
{
    *out << row.name << " => status " << int(row.status);
}

class ReadRegularFileTest : public testing::TestWithParam<ReadCase>
{
};

TEST_P(ReadRegularFileTest, AcceptsOnlyRegularFilesWithinTheLimit)
{
    test::TempTree tree;
    const QString path = GetParam().make(tree);
    QByteArray data("stale");
    QString error;
    EXPECT_EQ(readRegularFile(path, 8, &data, &error), GetParam().status);
    if (GetParam().status == FileReadStatus::Read) {
        EXPECT_EQ(data, "12345678");
        EXPECT_TRUE(error.isEmpty());
    } else {
        EXPECT_TRUE(data.isEmpty());
        EXPECT_FALSE(error.isEmpty());
    }
}

QString makeFifo(test::TempTree& temp)
{
    const QString path = temp.filePath("fifo");
    EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    return path;
}

QString makeLinkToDevZero(test::TempTree& temp)
{
    const QString path = temp.filePath("zero");
    EXPECT_EQ(::symlink("/dev/zero", QFile::encodeName(path).constData()), 0);
    return path;
}

INSTANTIATE_TEST_SUITE_P(
    Items, ReadRegularFileTest,
    testing::Values(
        ReadCase{"AtTheLimit", [](test::TempTree& temp) { return temp.writeFile("f", "12345678"); },
                 FileReadStatus::Read},
        ReadCase{"OverTheLimit", [](test::TempTree& temp) { return temp.writeFile("f", "123456789"); },
                 FileReadStatus::TooLarge},
        ReadCase{"GrowingProcFile", [](test::TempTree&) { return QStringLiteral("/proc/self/status"); },
                 FileReadStatus::TooLarge},
        ReadCase{"Missing", [](test::TempTree& temp) { return temp.filePath("missing"); }, FileReadStatus::Missing},
        ReadCase{"Null", [](test::TempTree&) { return QString(); }, FileReadStatus::Missing},
        ReadCase{"Folder", [](test::TempTree& temp) { return temp.path(); }, FileReadStatus::NotRegular},
        ReadCase{"Fifo", makeFifo, FileReadStatus::NotRegular},
        ReadCase{"LinkToDevZero", makeLinkToDevZero, FileReadStatus::NotRegular}),
    [](const testing::TestParamInfo<ReadCase>& row) { return std::string(row.param.name); });

} // namespace

// A read asks whether to stop before each step of 256 KB and, told to,
// ends there with nothing kept; a read never told to reads it all.
TEST(ReadRegularFileStopTest, AStopEndsTheReadBetweenSteps)
{
    test::TempTree tree;
    constexpr qsizetype kSize = 4 * 1024 * 1024;
    const QByteArray contents(kSize, 'x');
    const QString path = tree.writeFile("large", contents);
    for (const int stopAt : {1, 3, 10}) {
        SCOPED_TRACE(stopAt);
        int asked = 0;
        QByteArray data("stale");
        QString error;
        EXPECT_EQ(readRegularFile(path, kSize, &data, &error, [&] { return ++asked == stopAt; }),
                  FileReadStatus::Failed);
        EXPECT_EQ(asked, stopAt);
        EXPECT_TRUE(data.isEmpty());
        EXPECT_EQ(error, QStringLiteral("The reading was stopped"));
    }
    int asked = 0;
    QByteArray data;
    EXPECT_EQ(readRegularFile(path, kSize, &data, nullptr, [&] { return ++asked < 0; }), FileReadStatus::Read);
    EXPECT_TRUE(data == contents);
    EXPECT_GE(asked, kSize / (256 * 1024));
}

namespace {


bool exists(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

// What a folder may hold beside "s.plist" when a save of it runs: an item
// named `name` of a kind, carrying a mark (none, its own identity, or
// another item's); and whether the save removes it or says why it leaves it.
struct LeftoverCase
{
    const char* name;
    enum Kind { File, FileLockedByARunningSave, FileOfAnotherUser, Folder, LinkToAFile } kind;
    enum Mark { None, ItsOwn, AnotherItems } mark;
    bool removed;
    bool said;
};

void PrintTo(const LeftoverCase& row, std::ostream* out)
{
    *out << row.name;
}

class AtomicWriteLeftoverTest : public testing::TestWithParam<LeftoverCase>
{
};

// Makes the item `row` names in `tree` and answers its path (null when it
// cannot be made here); `held` gets a descriptor to keep open.
QString makeLeftover(test::TempTree& tree, const LeftoverCase& row, int* held)
{
    const QString path = tree.filePath(QString::fromLatin1(row.name));
    const QByteArray bytes = QFile::encodeName(path);
    const bool link = row.kind == LeftoverCase::LinkToAFile;
    const QByteArray file = QFile::encodeName(link ? tree.writeFile("elsewhere", "x") : path);
    if (row.kind == LeftoverCase::Folder ? ::mkdir(bytes.constData(), 0700) != 0 : !link && tree.writeFile(row.name, "x").isEmpty())
        return {};
    if (row.mark != LeftoverCase::None
        && !test::markAsATemporary(file, row.mark == LeftoverCase::AnotherItems ? QFile::encodeName(tree.filePath("s.plist"))
                                                                                : QByteArray()))
        return {};
    if (link && ::symlink(file.constData(), bytes.constData()) != 0)
        return {};
    if (row.kind == LeftoverCase::FileOfAnotherUser && (::geteuid() != 0 || ::chown(bytes.constData(), 65534, 65534) != 0))
        return {};
    if (row.kind == LeftoverCase::FileLockedByARunningSave
        && ((*held = ::open(bytes.constData(), O_RDONLY | O_CLOEXEC)) < 0 || ::flock(*held, LOCK_EX) != 0))
        return {};
    return path;
}

// A save removes what a killed save of the same file left and nothing else;
// what it leaves for want of proof it says once, however many saves find it.
TEST_P(AtomicWriteLeftoverTest, ASaveRemovesOnlyWhatAKilledSaveOfItsFileLeft)
{
    test::TempTree tree;
    const QString target = tree.writeFile("s.plist", "old");
    int held = -1;
    const QString item = makeLeftover(tree, GetParam(), &held);
    if (item.isNull())
        GTEST_SKIP() << "cannot be made here (no user attributes, or not root)";
    test::LogCapture log;
    ASSERT_TRUE(writeFileAtomically(target, "plain"));   // never looks
    EXPECT_TRUE(exists(item));
    for (int save = 0; save < 2; ++save)
        ASSERT_TRUE(writeFileAtomically(target, "new", nullptr, AtomicWrite::RemovingLeftTemporaries));
    if (held >= 0)
        ::close(held);
    EXPECT_EQ(exists(item), !GetParam().removed);
    EXPECT_EQ(log.lines().filter("'" + item + "'").size(), GetParam().removed || GetParam().said ? 1 : 0)
        << log.lines().join('\n').toStdString();
    EXPECT_EQ(test::readFileBytes(QFile::encodeName(target)), "new");
}

using Kind = LeftoverCase::Kind;
using Mark = LeftoverCase::Mark;
INSTANTIATE_TEST_SUITE_P(
    Items, AtomicWriteLeftoverTest,
    testing::Values(LeftoverCase{"s.plist.tmp.Ab3dE9", Kind::File, Mark::ItsOwn, true, false},
                    LeftoverCase{"s.plist.tmp.Live00", Kind::FileLockedByARunningSave, Mark::ItsOwn, false, false},
                    LeftoverCase{"s.plist.tmp.Other1", Kind::File, Mark::AnotherItems, false, true},
                    LeftoverCase{"s.plist.tmp.Mine00", Kind::File, Mark::None, false, true},
                    LeftoverCase{"s.plist.tmp.Seven07", Kind::File, Mark::ItsOwn, false, false},
                    LeftoverCase{"t.plist.tmp.Abcdef", Kind::File, Mark::ItsOwn, false, false},
                    LeftoverCase{"s.plist.tmp.Link00", Kind::LinkToAFile, Mark::ItsOwn, false, true},
                    LeftoverCase{"s.plist.tmp.Fold00", Kind::Folder, Mark::ItsOwn, false, true},
                    LeftoverCase{"s.plist.tmp.Other2", Kind::FileOfAnotherUser, Mark::ItsOwn, false, true}),
    [](const testing::TestParamInfo<LeftoverCase>& row) {
        std::string name = row.param.name;
        std::replace(name.begin(), name.end(), '.', '_');
        return name;
    });

// Whether a child's status `status` says it was stopped or ended by `signal`.
bool endedBy(int status, int signal)
{
    return (WIFSTOPPED(status) && WSTOPSIG(status) == signal) || (WIFSIGNALED(status) && WTERMSIG(status) == signal);
}

// Waits up to the test's patience for the child to stop or end.
int waitForChild(pid_t child)
{
    int status = 0;
    const bool changed = test::waitUntil([&] { return ::waitpid(child, &status, WNOHANG | WUNTRACED) == child; });
    if (!changed) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    }
    return status;
}

// Starts a save of 64 KB to `target` in a child that writing past 4 KB
// stops (SIGSTOP) with its temporary half written: answers the child once
// stopped, or -1.
pid_t startASaveThatStopsPartWay(const QString& target)
{
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit limit{4096, 4096};
        ::signal(SIGXFSZ, [](int) { ::raise(SIGSTOP); });
        if (::setrlimit(RLIMIT_FSIZE, &limit) == 0)
            (void)writeFileAtomically(target, QByteArray(65536, 'c'));
        ::_exit(1);
    }
    return child > 0 && endedBy(waitForChild(child), SIGSTOP) ? child : -1;
}

// Refuses an exclusive flock that does not wait (EWOULDBLOCK), as when
// another program locks a file the moment it is made; shared ones pass.
bool refuseExclusiveLocks()
{
#if defined(__x86_64__)
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_flock, 0, 2),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[1])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, LOCK_EX | LOCK_NB, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EWOULDBLOCK),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
#else
    return false;
#endif
}

// Where unnamed files are refused, a save whose temporary was made under
// its name but could not be held (its descriptor not copied for the lock,
// or the lock taken by another program first) left it, against the
// promise that a failed save leaves no temporary. It is removed now.
TEST(AtomicWriteUnheldTest, ATemporaryMadeButNotHeldIsRemovedByItsSave)
{
    const struct {
        const char* name;
        std::function<bool()> refuse;
    } rows[] = {
        {"descriptor not copied", [] { return test::failSystemCalls({SYS_fcntl}, EMFILE); }},
        {"lock taken first", refuseExclusiveLocks},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempTree tree;
        const QString target = tree.writeFile("s.plist", "old");
        const test::ChildAnswer answer = test::answerOfAChild([&] {
            if (!test::refuseUnnamedFiles() || !row.refuse())
                ::_exit(77);
            return QByteArray(writeFileAtomically(target, "new") ? "saved" : "failed");
        });
        if (answer.exitCode == 77)
            GTEST_SKIP() << "no system-call filter can be put in place here";
        ASSERT_EQ(answer.exitCode, 0);
        EXPECT_EQ(answer.sent, "failed");
        EXPECT_EQ(QDir(tree.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                  QStringList({"s.plist"}));
        EXPECT_EQ(test::readFileBytes(QFile::encodeName(target)), "old");
    }
}

// A user's file renamed over a left temporary's name in the moment the
// save's look has locked the temporary it proved: the look's second look
// under the lock finds the name leading elsewhere, and the user's file is
// kept, unsaid.
void userRenamesOverTheName(TemporaryMoment moment, const char* path)
{
    if (moment != TemporaryMoment::LockedForRemoval)
        return;
    const QByteArray users = QByteArray(path) + ".users";
    test::writeFileBytes(users, "the user's");
    ::rename(users.constData(), path);
}

TEST(AtomicWriteLeftoverTest, AUsersFileRenamedOverALockedLeftTemporaryIsKept)
{
    test::TempTree tree;
    const QString target = tree.writeFile("s.plist", "old");
    const QByteArray temporary = QFile::encodeName(tree.writeFile("s.plist.tmp.Left00", "left by a killed save"));
    if (!test::markAsATemporary(temporary))
        GTEST_SKIP() << "this file system keeps no user attributes";
    test::LogCapture log;
    setTemporaryHook(userRenamesOverTheName);
    const bool saved = writeFileAtomically(target, "new", nullptr, AtomicWrite::RemovingLeftTemporaries);
    setTemporaryHook(nullptr);
    EXPECT_TRUE(saved);
    EXPECT_EQ(test::readFileBytes(temporary), "the user's");
    EXPECT_EQ(test::readFileBytes(QFile::encodeName(target)), "new");
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
}

} // namespace

// Regression: a save killed between making its temporary and renaming it
// left the whole temporary beside the settings, and later saves never
// removed it. A save stopped part way in another process still holds its
// temporary, which the next save leaves; once that process is killed, the
// save after removes it and names it.
TEST(AtomicWriteKilledTest, TheNextSaveRemovesTheTemporaryOfAKilledSave)
{
    test::TempTree tree;
    const QString target = tree.writeFile("s.plist", "old");
    const pid_t child = startASaveThatStopsPartWay(target);
    ASSERT_GT(child, 0);
    const QStringList left = QDir(tree.path()).entryList({"s.plist.tmp.*"}, QDir::Files | QDir::Hidden);
    ASSERT_EQ(left.size(), 1);
    const QString temporary = tree.filePath(left.constFirst());
    char mark[64];
    if (::getxattr(QFile::encodeName(temporary).constData(), kTemporaryMark, mark, sizeof mark) < 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        GTEST_SKIP() << "this file system keeps no user attributes";
    }

    test::LogCapture log;
    EXPECT_TRUE(writeFileAtomically(target, "while stopped", nullptr, AtomicWrite::RemovingLeftTemporaries));
    EXPECT_TRUE(exists(temporary));
    ::kill(child, SIGKILL);
    EXPECT_TRUE(endedBy(waitForChild(child), SIGKILL));
    EXPECT_TRUE(exists(temporary));
    EXPECT_TRUE(writeFileAtomically(target, "after", nullptr, AtomicWrite::RemovingLeftTemporaries));
    EXPECT_FALSE(exists(temporary));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith("WARNING: Removed '" + temporary + "'")) << log.lines()[0].toStdString();
    EXPECT_EQ(test::readFileBytes(QFile::encodeName(target)), "after");
    // The file in place carries no mark of a temporary.
    EXPECT_LT(::getxattr(QFile::encodeName(target).constData(), kTemporaryMark, mark, sizeof mark), 0);
}

// A killed save's temporary carries a mark of its own identity, which a
// copy of it does not: the mark used to name the settings file, so a `cp -a`
// copy of the temporary under a temporary's name went with the temporary
// as a killed save's. The copy stays, and is said once.
TEST(AtomicWriteKilledTest, AKilledSavesTemporaryGoesWhileACopyOfItStays)
{
    test::TempTree tree;
    const QString target = tree.writeFile("s.plist", "old");
    const pid_t child = startASaveThatStopsPartWay(target);
    ASSERT_GT(child, 0);
    const QStringList left = QDir(tree.path()).entryList({"s.plist.tmp.*"}, QDir::Files | QDir::Hidden);
    const QString temporary = tree.filePath(left.value(0));
    const QString copy = tree.filePath("s.plist.tmp.Copy00");
    const bool copied = left.size() == 1 && test::copyWithCp(temporary, copy);
    ::kill(child, SIGKILL);
    EXPECT_TRUE(endedBy(waitForChild(child), SIGKILL));
    ASSERT_EQ(left.size(), 1);
    if (!copied)
        GTEST_SKIP() << "cp cannot be run here";
    if (!test::markAsATemporary(QFile::encodeName(tree.writeFile("probe", "x"))))
        GTEST_SKIP() << "this file system keeps no user attributes";
    ::unlink(QFile::encodeName(tree.filePath("probe")).constData());

    test::LogCapture log;
    EXPECT_TRUE(writeFileAtomically(target, "after", nullptr, AtomicWrite::RemovingLeftTemporaries));
    EXPECT_FALSE(exists(temporary));
    EXPECT_EQ(test::readFileBytes(QFile::encodeName(copy)), QByteArray(4096, 'c'));
    ASSERT_EQ(log.lines().size(), 2) << log.lines().join('\n').toStdString();
    EXPECT_TRUE(log.lines().filter("WARNING: Removed '" + temporary + "'").size() == 1) << log.lines().join('\n').toStdString();
    EXPECT_TRUE(log.lines().filter("'" + copy + "' looks like a temporary file of a save and is left: nothing shows").size() == 1)
        << log.lines().join('\n').toStdString();
}

// A save killed between making its temporary and marking it (at its first
// flock or fsetxattr) used to leave an empty, unmarked temporary that no
// later save could prove a save's: it stayed for good, and each process
// said so. A temporary takes its name only once it is locked and marked,
// so a save killed there leaves nothing.
TEST(AtomicWriteKilledTest, ASaveKilledAtItsFirstLockOrMarkLeavesNothingAfterTheNextSave)
{
    const struct {
        const char* name;
        int call;
    } rows[] = {{"flock", SYS_flock}, {"fsetxattr", SYS_fsetxattr}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempTree tree;
        const QString target = tree.writeFile("s.plist", "old");
        const test::ChildAnswer answer = test::answerOfAChild([&] {
            if (!test::killAtSystemCalls({row.call}))
                ::_exit(77);
            (void)writeFileAtomically(target, "new");
            return QByteArray("not killed");
        });
        if (answer.exitCode == 77)
            GTEST_SKIP() << "no system-call filter can be put in place here";
        EXPECT_EQ(answer.exitCode, -1) << answer.sent.toStdString();
        test::LogCapture log;
        ASSERT_TRUE(writeFileAtomically(target, "after", nullptr, AtomicWrite::RemovingLeftTemporaries));
        EXPECT_EQ(QDir(tree.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                  QStringList({"s.plist"}));
        EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
        EXPECT_EQ(test::readFileBytes(QFile::encodeName(target)), "after");
    }
}

// Two processes saving one file at once used to say of each other's
// temporaries that they were left (37–103 lines in 2,000 saves here): one looked
// between the other's making of its temporary and its mark, or between its
// rename and its look at the name. Neither says anything now.
TEST(AtomicWriteTogetherTest, TwoProcessesSavingAtOnceSayNothingOfEachOthersTemporaries)
{
    test::TempTree tree;
    const QString target = tree.writeFile("s.plist", "old");
    pid_t children[2] = {-1, -1};
    for (pid_t& child : children) {
        child = ::fork();
        if (child == 0) {
            int said = 0;
            setLogSink([&](const QString&) { ++said; });
            for (int save = 0; save < 200; ++save)
                (void)writeFileAtomically(target, QByteArray(2000, 'x'), nullptr, AtomicWrite::RemovingLeftTemporaries);
            ::_exit(std::min(said, 100));
        }
    }
    for (const pid_t child : children) {
        ASSERT_GT(child, 0);
        const int status = waitForChild(child);
        EXPECT_TRUE(WIFEXITED(status)) << "the saving child did not end";
        EXPECT_EQ(WEXITSTATUS(status), 0) << "lines said by one of the saving children";
    }
    EXPECT_EQ(QDir(tree.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList({"s.plist"}));
}
