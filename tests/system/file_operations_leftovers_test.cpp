// What copies leave: a failed copy removes all it made and only that, a
// claimed destination another program takes over is kept, and a later copy
// removes the temporaries of copies killed part way, never one a running
// copy holds (copyPath, system/copy_temporaries.h).
#include "system/copy_temporaries.h"

#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "system/file_operations.h"
#include "system/file_tests.h"
#include "tests/support/child_process.h"
#include "tests/support/failing_system_calls.h"
#include "tests/support/temp_tree.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace sorvant {
namespace {

using test::answerOfAChild;
using test::ChildAnswer;
using test::ChildRights;

// The names in a folder, hidden and special ones too, sorted.
QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QByteArray bytes(const QString& path)
{
    return fileSystemRepresentation(path);
}

bool existsAt(const QString& path)
{
    struct stat status {};
    return ::lstat(bytes(path).constData(), &status) == 0;
}

// Whether the folder lists `first` before `second` (as a copy reads it).
bool listsBefore(const QString& folder, const QByteArray& first, const QByteArray& second)
{
    DIR* dir = ::opendir(bytes(folder).constData());
    int seen = 0;
    bool ordered = false;
    while (const dirent* entry = dir ? ::readdir(dir) : nullptr) {
        if (entry->d_name == first)
            seen = seen ? seen : 1;
        else if (entry->d_name == second)
            seen = seen ? seen : 2;
    }
    ordered = seen == 1;
    if (dir)
        ::closedir(dir);
    return ordered;
}

class CopyLeftovers : public ::testing::Test
{
protected:
    // A folder of the tree the unprivileged child of a test owns.
    QString folderForAnUnprivilegedChild(const QString& relative)
    {
        const QString folder = tree.makeDir(relative);
        if (::geteuid() == 0) {
            EXPECT_EQ(::chmod(bytes(tree.path()).constData(), 0711), 0);
            EXPECT_EQ(::chown(bytes(folder).constData(), test::unprivilegedUser(), test::unprivilegedGroup()), 0);
        }
        return folder;
    }

    test::TempTree tree;
};

// Another program that makes the destination folder the moment before the
// copy's final rename.
QByteArray theirDestination;

int renameAfterAnotherProgram(const char* from, const char* to, unsigned int flags)
{
    if (!theirDestination.isEmpty() && theirDestination == to) {
        theirDestination.clear();
        ::mkdir(to, 0755);
    }
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags);
}

enum class Failing { AtAnUnreadableFileAfterIt, AtTheRenameIntoPlace };

// Run by an unprivileged child in `work`: copies "src", which holds the
// read-only folder "ro*" (holding a file), and fails after that folder was
// copied. Sends back "<copied> <errno>|<names in work>|<log lines>".
QByteArray copyFailingAfterAReadOnlyFolder(const QString& work, Failing how)
{
    const QString source = work + "/src";
    ::mkdir(bytes(source).constData(), 0755);
    QString readOnly;
    // The copy reads the folder in the kernel's order: the unreadable file
    // is named (and made first or last) so that the folder comes first.
    for (int attempt = 0; readOnly.isEmpty(); ++attempt) {
        if (attempt == 40)
            ::_exit(77);
        const QString folder = source + "/ro" + QString::number(attempt);
        const QString unreadable = source + "/u" + QString::number(attempt);
        for (int step = 0; step < 2; ++step) {
            if ((step == 0) == (attempt % 2 == 0)) {
                ::mkdir(bytes(folder).constData(), 0755);
                test::writeFileBytes(bytes(folder + "/f"), "in a read-only folder");
                ::chmod(bytes(folder).constData(), 0555);
            } else if (how == Failing::AtAnUnreadableFileAfterIt) {
                test::writeFileBytes(bytes(unreadable), "unreadable");
                ::chmod(bytes(unreadable).constData(), 0);
            }
        }
        if (how == Failing::AtTheRenameIntoPlace
            || listsBefore(source, bytes(folder).mid(bytes(source).size() + 1), bytes(unreadable).mid(bytes(source).size() + 1))) {
            readOnly = folder;
        } else {
            ::chmod(bytes(folder).constData(), 0755);
            removePath(folder);
            removePath(unreadable);
        }
    }
    if (how == Failing::AtTheRenameIntoPlace) {
        theirDestination = bytes(work + "/dst");
        setRenameWithFlagsFunction(renameAfterAnotherProgram);
    }
    QStringList logged;
    setLogSink([&](const QString& line) { logged << line; });
    FileError error;
    const bool copied = copyPath(source, work + "/dst", &error);
    return QStringLiteral("%1 %2|%3|%4")
        .arg(int(copied))
        .arg(error.code)
        .arg(namesIn(work).join(','), logged.join('\n'))
        .toUtf8();
}

// A copy run by a normal user used to leave its temporary beside the
// destination when it failed after copying a read-only folder: its own
// folder, read-only too by then, kept what the copy had put in it.
TEST_F(CopyLeftovers, AFailedCopyRemovesTheReadOnlyFoldersItMadeAsANormalUser)
{
    const struct {
        Failing how;
        const char* answer;
    } cases[] = {
        {Failing::AtAnUnreadableFileAfterIt, "0 13|src|"},
        {Failing::AtTheRenameIntoPlace, "0 17|dst,src|"},
    };
    int row = 0;
    for (const auto& expected : cases) {
        SCOPED_TRACE(expected.answer);
        const QString work = folderForAnUnprivilegedChild("work" + QString::number(row++));
        const ChildAnswer answer = answerOfAChild([&] { return copyFailingAfterAReadOnlyFolder(work, expected.how); },
                                                  ChildRights::Unprivileged);
        if (answer.exitCode == 77)
            GTEST_SKIP() << "no unprivileged user to become, or no order of names that puts the folder first";
        ASSERT_EQ(answer.exitCode, 0);
        EXPECT_EQ(QString::fromUtf8(answer.sent), QString::fromUtf8(expected.answer));
    }
}

// A copy that failed before it made its temporary used to remove whatever
// stood under that name all the same. A forked child draws the random
// names its parent would draw next: a first child tells the names, and the
// parent puts an item of its own (locked, as a running copy's) under the
// one a second child's failing copy is to take.
TEST_F(CopyLeftovers, ACopyThatFailsBeforeMakingItsTemporaryRemovesNothingOfThatName)
{
    const QByteArray destination = bytes(tree.filePath("dst"));
    QRandomGenerator::global()->generate();   // seeded here, so every child draws the same
    const auto drawnNames = [&] {
        const QByteArray first = temporaryNameBeside(destination);
        return first + '\n' + temporaryNameBeside(destination);
    };
    const ChildAnswer names = answerOfAChild(drawnNames);
    ASSERT_EQ(names.exitCode, 0);
    const QByteArray first = names.sent.split('\n').value(0);
    const QByteArray theirs = names.sent.split('\n').value(1);
    test::writeFileBytes(theirs, "another copy's");
    const int held = ::open(theirs.constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const ChildAnswer answer = answerOfAChild([&] {
        const QByteArray drawn = temporaryNameBeside(destination);
        setLogSink([](const QString&) {});
        FileError error;
        copyPath(tree.filePath("missing"), stringWithFileSystemRepresentation(destination), &error);
        return drawn + ' ' + QByteArray::number(error.code);
    });
    ::close(held);
    ASSERT_EQ(answer.exitCode, 0);
    ASSERT_EQ(answer.sent, first + ' ' + QByteArray::number(ENOENT)) << "the child drew other names";
    EXPECT_EQ(test::readFileBytes(theirs), "another copy's");
}

// Stand-in for a file system without RENAME_NOREPLACE whose process may
// open nothing more the moment it claims the destination: the claim is made
// and cannot be opened.
int refuseNoReplaceAndEveryNewDescriptor(const char* from, const char* to, unsigned int flags)
{
    if (flags & RENAME_NOREPLACE) {
        rlimit limit {};
        ::getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur = 0;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        errno = EINVAL;
        return -1;
    }
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags);
}

// A copy used to leave the empty folder it claimed its destination with
// when it could not open that claim; the temporary it could not remove
// then went unsaid. The claim goes, and what stays is named.
TEST_F(CopyLeftovers, AClaimThatCannotBeOpenedIsRemovedAndWhatStaysIsNamed)
{
    tree.writeFile("folder/a", "first");
    const ChildAnswer answer = answerOfAChild([&] {
        setRenameWithFlagsFunction(refuseNoReplaceAndEveryNewDescriptor);
        QStringList logged;
        setLogSink([&](const QString& line) { logged << line; });
        FileError error;
        const bool copied = copyPath(tree.filePath("folder"), tree.filePath("dst"), &error);
        return QStringLiteral("%1 %2|%3").arg(int(copied)).arg(error.code).arg(logged.join('\n')).toUtf8();
    });
    ASSERT_EQ(answer.exitCode, 0);
    const QString sent = QString::fromUtf8(answer.sent);
    EXPECT_TRUE(sent.startsWith(QStringLiteral("0 %1|").arg(EMFILE))) << sent.toStdString();
    EXPECT_FALSE(existsAt(tree.filePath("dst")));
    // The copy's temporary, which it could not open to remove either, is named.
    const QStringList names = namesIn(tree.path());
    ASSERT_EQ(names.size(), 2) << names.join(' ').toStdString();
    const QString temporary = tree.filePath(names.first());
    EXPECT_TRUE(isTemporaryName(bytes(names.first())));
    EXPECT_TRUE(sent.contains("|ERROR: Couldn't remove the temporary item of a failed copy " + temporary + ": "))
        << sent.toStdString();
}

// Another program that saves its own item over the empty one a copy
// claimed its destination with, on a file system without RENAME_NOREPLACE:
// of the claim's kind (a folder, 0751 and empty, or a file), at one of two
// moments.
enum class Moment {
    OnceClaimed,       // before the copy looks at its claim and renames over it
    DuringTheRename,   // the rename then fails (EIO)
};
QByteArray theirClaim;
Moment theirMoment = Moment::OnceClaimed;

void saveTheirsOver(const char* to)
{
    theirClaim.clear();
    struct stat claim {};
    ::lstat(to, &claim);
    const QByteArray theirs = QByteArray(to) + ".theirs";
    if (S_ISDIR(claim.st_mode)) {
        ::mkdir(theirs.constData(), 0700);
        ::chmod(theirs.constData(), 0751);
    } else {
        test::writeFileBytes(theirs, "their data");
    }
    ::rename(theirs.constData(), to);
}

void saveTheirsOnceClaimed(const char* to)
{
    if (theirMoment == Moment::OnceClaimed && theirClaim == to)
        saveTheirsOver(to);
}

int refuseNoReplace(const char* from, const char* to, unsigned int flags)
{
    if (flags & RENAME_NOREPLACE) {
        errno = EINVAL;
        return -1;
    }
    if (theirMoment == Moment::DuringTheRename && theirClaim == to) {
        saveTheirsOver(to);
        errno = EIO;
        return -1;
    }
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags);
}

// A copy used to remove what stood at its claimed destination after a
// failed rename, though another program had replaced the claim by then;
// the claim is looked at before the rename over it, too. An item another
// program put there instead is neither renamed over nor removed.
TEST_F(CopyLeftovers, AnItemPutOverAClaimedDestinationIsKept)
{
    tree.writeFile("folder/a", "first");
    tree.writeFile("file", "contents");
    for (const Moment moment : {Moment::OnceClaimed, Moment::DuringTheRename}) {
        for (const QString source : {"folder", "file"}) {
            SCOPED_TRACE((source + (moment == Moment::OnceClaimed ? " once claimed" : " during the rename")).toStdString());
            const QString destination = tree.filePath("dst");
            const ChildAnswer answer = answerOfAChild([&] {
                // Where hard links are refused, a file is claimed too.
                if (source == "file" && !test::failEveryLink())
                    ::_exit(77);
                theirClaim = bytes(destination);
                theirMoment = moment;
                setRenameWithFlagsFunction(refuseNoReplace);
                setClaimMadeFunction(saveTheirsOnceClaimed);
                FileError error;
                const bool copied = copyPath(tree.filePath(source), destination, &error);
                return QByteArray::number(int(copied)) + ' ' + QByteArray::number(error.code) + ' '
                       + QByteArray::number(int(theirClaim.isEmpty()));
            });
            if (answer.exitCode == 77)
                continue;   // links cannot be refused here
            ASSERT_EQ(answer.exitCode, 0);
            EXPECT_EQ(answer.sent, "0 " + QByteArray::number(moment == Moment::OnceClaimed ? EEXIST : EIO) + " 1")
                << "<copied> <errno> <their item saved>";
            struct stat status {};
            ASSERT_EQ(::lstat(bytes(destination).constData(), &status), 0);
            if (source == "folder") {
                EXPECT_EQ(status.st_mode & 07777, 0751u);
                EXPECT_TRUE(namesIn(destination).isEmpty());
            } else {
                EXPECT_EQ(test::readFileBytes(bytes(destination)), "their data");
            }
            EXPECT_EQ(namesIn(tree.path()), QStringList({"dst", "file", "folder"}));
            removePath(destination);
        }
    }
}

// Another program that saves its own file over the hard link a copy made
// at its destination, the moment the copy fails to unlink its temporary
// name (the copy then undoes its link only while it is still its own).
QByteArray theirLinkedDestination;

int failTheFirstUnlinkOfATemporary(int folder, const char* name, int flags)
{
    if (!theirLinkedDestination.isEmpty() && QByteArray(name).contains(".sorvant-copy-")) {
        const QByteArray theirs = theirLinkedDestination + ".theirs";
        test::writeFileBytes(theirs, "their data");
        ::rename(theirs.constData(), theirLinkedDestination.constData());
        theirLinkedDestination.clear();
        errno = EPERM;
        return -1;
    }
    return ::unlinkat(folder, name, flags);
}

TEST_F(CopyLeftovers, AnItemPutOverTheLinkOfACopyIsKept)
{
    tree.writeFile("file", "contents");
    const QString destination = tree.filePath("dst");
    theirLinkedDestination = bytes(destination);
    setRenameWithFlagsFunction(refuseNoReplace);
    setUnlinkAtFunction(failTheFirstUnlinkOfATemporary);
    FileError error;
    const bool copied = copyPath(tree.filePath("file"), destination, &error);
    setUnlinkAtFunction(nullptr);
    setRenameWithFlagsFunction(nullptr);
    EXPECT_TRUE(theirLinkedDestination.isEmpty()) << "the copy was never linked into place";
    EXPECT_FALSE(copied);
    EXPECT_EQ(error.code, EPERM);
    EXPECT_EQ(test::readFileBytes(bytes(destination)), "their data");
    EXPECT_EQ(namesIn(tree.path()), QStringList({"dst", "file"}));
}

// A copy killed part way (the kernel's file-size limit signals it the
// moment its copy passes 1 MiB) used to leave its hidden temporary for
// good. A later copy into the same folder removes it: no running copy
// holds it.
TEST_F(CopyLeftovers, ALaterCopyRemovesTheTemporariesOfCopiesKilledPartWay)
{
    tree.writeFile("source/big", QByteArray(3 << 20, 'b'));
    tree.writeFile("source/folder/big", QByteArray(3 << 20, 'b'));
    tree.writeFile("source/small", "small");
    const QString into = tree.makeDir("into");
    // Each killed copy leaves its temporary; the next copy removes it.
    QString previous;
    for (const char* killed : {"big", "folder"}) {
        SCOPED_TRACE(killed);
        const ChildAnswer answer = answerOfAChild([&] {
            const rlimit limit{1 << 20, 1 << 20};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, [](int) { ::kill(::getpid(), SIGKILL); });
            copyPath(tree.filePath("source/") + killed, into + '/' + killed);
            return QByteArray("not killed");
        });
        EXPECT_EQ(answer.exitCode, -1) << "the copy was not killed part way";
        const QStringList left = namesIn(into);
        ASSERT_EQ(left.size(), 1) << left.join(' ').toStdString();
        EXPECT_TRUE(isTemporaryName(bytes(left.first()))) << left.first().toStdString();
        EXPECT_NE(left.first(), previous);
        previous = left.first();
    }
    FileError error;
    ASSERT_TRUE(copyPath(tree.filePath("source/small"), into + "/small", &error)) << error.description().toStdString();
    EXPECT_EQ(namesIn(into), QStringList({"small"}));
}

// A copy that stops before its rename into place, holding its temporary,
// until the test lets it go on.
int copyReady = -1;
int copyGoesOn = -1;

int pauseBeforeTheRename(const char* from, const char* to, unsigned int flags)
{
    if (copyReady >= 0) {
        char go = 0;
        const bool told = ::write(copyReady, "r", 1) == 1 && ::read(copyGoesOn, &go, 1) == 1;
        ::close(copyReady);
        copyReady = -1;
        if (!told)
            ::_exit(2);
    }
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags);
}

// A copy holds its temporary locked while it works: a copy into the same
// folder meanwhile leaves it alone, and the first copy ends whole.
TEST_F(CopyLeftovers, ATemporaryARunningCopyHoldsIsLeftAlone)
{
    tree.writeFile("folder/a", "first");
    tree.writeFile("file", "contents");
    tree.writeFile("small", "small");
    for (const QString source : {"folder", "file"}) {
        SCOPED_TRACE(source.toStdString());
        const QString into = tree.makeDir("into-" + source);
        int ready[2];
        int go[2];
        ASSERT_EQ(::pipe2(ready, O_CLOEXEC), 0);
        ASSERT_EQ(::pipe2(go, O_CLOEXEC), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            ::close(go[1]);
            copyReady = ready[1];
            copyGoesOn = go[0];
            setRenameWithFlagsFunction(pauseBeforeTheRename);
            FileError failed;
            ::_exit(copyPath(tree.filePath(source), into + "/dst", &failed) ? 0 : 100 + failed.code);
        }
        ::close(ready[1]);
        ::close(go[0]);
        pollfd waiting{ready[0], POLLIN, 0};
        char byte = 0;
        const bool paused = ::poll(&waiting, 1, int(test::kPatienceMs)) == 1 && ::read(ready[0], &byte, 1) == 1;
        FileError error;
        const bool other = paused && copyPath(tree.filePath("small"), into + "/other", &error);
        const bool toldToGoOn = ::write(go[1], "g", 1) == 1;
        ::close(go[1]);
        ::close(ready[0]);
        int status = 0;
        const bool ended = test::waitUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; });
        if (!ended) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
        }
        ASSERT_TRUE(paused && toldToGoOn && ended);
        EXPECT_TRUE(other) << error.description().toStdString();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the first copy failed: " << WEXITSTATUS(status);
        EXPECT_EQ(namesIn(into), QStringList({"dst", "other"}));
        EXPECT_EQ(countRemovalItems(into + "/dst"), countRemovalItems(tree.filePath(source)));
    }
}

// Items with the names of copies' temporaries that are not what a killed
// copy left: a later copy keeps them all and removes only the abandoned one.
TEST_F(CopyLeftovers, ALaterCopyKeepsWhatItCannotProveIsAnAbandonedTemporary)
{
    const QString into = tree.makeDir("into");
    tree.writeFile("source", "x");
    tree.writeFile("into/.abandoned.sorvant-copy-aB3dE6", "left by a killed copy");
    tree.writeFile("into/.short.sorvant-copy-aB3dE", "another name");
    tree.writeFile("into/shown.sorvant-copy-aB3dE6", "another name");
    tree.makeDir("into/.folder.sorvant-copy-aB3dE6/inside");
    tree.makeDir("elsewhere/kept");
    ASSERT_EQ(::symlink(bytes(tree.filePath("elsewhere")).constData(), bytes(into + "/.link.sorvant-copy-aB3dE6").constData()), 0);
    ASSERT_EQ(::mkfifo(bytes(into + "/.pipe.sorvant-copy-aB3dE6").constData(), 0600), 0);
    QStringList kept = {".link.sorvant-copy-aB3dE6", ".pipe.sorvant-copy-aB3dE6", ".short.sorvant-copy-aB3dE",
                        "shown.sorvant-copy-aB3dE6"};
    if (::geteuid() == 0) {
        const QString theirs = tree.writeFile("into/.theirs.sorvant-copy-aB3dE6", "another user's");
        ASSERT_EQ(::chown(bytes(theirs).constData(), test::unprivilegedUser(), test::unprivilegedGroup()), 0);
        kept << ".theirs.sorvant-copy-aB3dE6";
    }
    // A running copy holds its temporary locked.
    const QString running = tree.makeDir("into/.running.sorvant-copy-aB3dE6");
    const int held = ::open(bytes(running).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    kept << ".running.sorvant-copy-aB3dE6";
    FileError error;
    ASSERT_TRUE(copyPath(tree.filePath("source"), into + "/copy", &error)) << error.description().toStdString();
    ::close(held);
    kept << "copy";
    kept.sort();
    EXPECT_EQ(namesIn(into), kept);
    EXPECT_TRUE(existsAt(tree.filePath("elsewhere/kept")));
}

// A folder is read for abandoned temporaries at a process's first copy into
// it only (reading it at every copy cost 29 ms a copy beside 100,000
// items): what a copy killed later leaves waits for the next process.
TEST_F(CopyLeftovers, AFolderIsLookedThroughAtTheFirstCopyIntoItOnly)
{
    const QString into = tree.makeDir("into");
    tree.writeFile("source", "x");
    tree.writeFile("into/.early.sorvant-copy-aB3dE6", "left before");
    ASSERT_TRUE(copyPath(tree.filePath("source"), into + "/one"));
    tree.writeFile("into/.late.sorvant-copy-aB3dE6", "left after the first look");
    ASSERT_TRUE(copyPath(tree.filePath("source"), into + "/two"));
    EXPECT_EQ(namesIn(into), QStringList({".late.sorvant-copy-aB3dE6", "one", "two"}));
}

// Copies on several threads into one new folder at once: the first looks
// through it while the others make their temporaries, which it leaves to
// them, and every copy ends whole.
TEST_F(CopyLeftovers, CopiesOnSeveralThreadsIntoOneFolderAllEndWhole)
{
    constexpr int kThreads = 6;
    tree.writeFile("folder/a", QByteArray(256 << 10, 'a'));
    tree.writeFile("folder/b/c", "c");
    const QString into = tree.makeDir("into");
    std::atomic<int> copied = 0;
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) {
        threads.emplace_back([&, thread] {
            if (copyPath(tree.filePath("folder"), into + "/copy" + QString::number(thread)))
                ++copied;
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(copied.load(), kThreads);
    const QStringList names = namesIn(into);
    EXPECT_EQ(names.size(), kThreads) << names.join(' ').toStdString();
    for (const QString& name : names)
        EXPECT_EQ(countRemovalItems(into + '/' + name), 4) << name.toStdString();
}

} // namespace
} // namespace sorvant
