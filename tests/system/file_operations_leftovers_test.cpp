// What copies leave: a failed copy removes all it made and only that, a
// claimed destination another program takes over is kept, and a later copy
// removes the temporaries of copies killed part way, only with proof that a
// copy made them and none holds them (copyPath, system/copy_temporaries.h).
#include "system/copy_temporaries.h"

#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "system/file_operations.h"
#include "system/file_tests.h"
#include "tests/support/child_process.h"
#include "tests/support/failing_system_calls.h"
#include "tests/support/paused_child.h"
#include "tests/support/temp_tree.h"
#include "tests/support/temporary_mark.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <sched.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
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

// Marks an item as a copy marks its temporary (test::markAsATemporary).
bool markAsATemporary(const QString& path, const QString& as = {})
{
    return test::markAsATemporary(bytes(path), as.isEmpty() ? QByteArray() : bytes(as));
}

// The lines logged with `prefix`.
QStringList linesStartingWith(const QStringList& lines, const QString& prefix)
{
    QStringList found;
    for (const QString& line : lines) {
        if (line.startsWith(prefix))
            found << line;
    }
    return found;
}

const QString kRemovedLine = QStringLiteral("Removed the temporary item of a stopped copy ");

class CopyLeftovers : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setLogSink([this](const QString& line) {
            const std::lock_guard<std::mutex> locker(m_logMutex);
            m_logged << line;
        });
    }
    void TearDown() override
    {
        setLogSink({});
        setTemporaryHook(nullptr);
    }
    QStringList logged()
    {
        const std::lock_guard<std::mutex> locker(m_logMutex);
        return m_logged;
    }
    // Whether the tree's file system keeps the mark; a test of what the
    // mark proves skips where it does not.
    bool keepsMarks()
    {
        const QString probe = tree.writeFile("mark-probe", "x");
        const bool kept = markAsATemporary(probe);
        removePath(probe);
        return kept;
    }

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

private:
    std::mutex m_logMutex;
    QStringList m_logged;
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

int killAtTheRename(const char*, const char*, unsigned int)
{
    ::kill(::getpid(), SIGKILL);
    return -1;
}

// A copy killed part way (the kernel's file-size limit signals it the
// moment its copy passes 1 MiB, or it is killed before its rename into
// place, its source's extended attributes copied) used to leave its hidden
// temporary for good. A later copy into the same folder removes it: no
// running copy holds it. A source that bears a mark itself (a copy killed
// before it dropped it) does not pass it on.
TEST_F(CopyLeftovers, ALaterCopyRemovesTheTemporariesOfCopiesKilledPartWay)
{
    if (!keepsMarks())
        GTEST_SKIP() << "this file system keeps no user extended attributes";
    tree.writeFile("source/big", QByteArray(3 << 20, 'b'));
    tree.writeFile("source/folder/big", QByteArray(3 << 20, 'b'));
    tree.writeFile("source/small", "small");
    ASSERT_TRUE(markAsATemporary(tree.writeFile("source/marked", "small"), tree.path()));
    const QString into = tree.makeDir("into");
    // Each killed copy leaves its temporary; the next copy removes it.
    QString previous;
    for (const char* killed : {"big", "folder", "marked"}) {
        SCOPED_TRACE(killed);
        const ChildAnswer answer = answerOfAChild([&] {
            const rlimit limit{1 << 20, 1 << 20};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, [](int) { ::kill(::getpid(), SIGKILL); });
            setRenameWithFlagsFunction(killAtTheRename);
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
    EXPECT_EQ(linesStartingWith(logged(), kRemovedLine), QStringList({kRemovedLine + into + '/' + previous}));
}

// What a copy has put in place bears no mark: the copy drops it, also from
// an item it made read-only (as a normal user, whom the item's mode binds).
TEST_F(CopyLeftovers, ACopyInPlaceBearsNoMark)
{
    if (!keepsMarks())
        GTEST_SKIP() << "this file system keeps no user extended attributes";
    const QString work = folderForAnUnprivilegedChild("work");
    const ChildAnswer answer = answerOfAChild(
        [&] {
            QByteArray sent;
            for (const auto& [name, mode] : {std::pair{"file", 0644}, {"read-only", 0444}, {"folder", 0555}}) {
                const QString source = work + '/' + QLatin1String(name);
                if (std::strcmp(name, "folder") == 0)
                    ::mkdir(bytes(source).constData(), 0755);
                test::writeFileBytes(bytes(std::strcmp(name, "folder") == 0 ? source + "/a" : source), "x");
                ::chmod(bytes(source).constData(), mode_t(mode));
                const QString copy = work + "/copy-" + QLatin1String(name);
                const bool copied = copyPath(source, copy);
                errno = 0;
                const bool marked = ::lgetxattr(bytes(copy).constData(), kTemporaryMark, nullptr, 0) >= 0;
                struct stat status {};
                ::lstat(bytes(copy).constData(), &status);
                sent += QByteArray(name) + ' ' + QByteArray::number(int(copied)) + ' ' + QByteArray::number(int(marked))
                        + ' ' + QByteArray::number(status.st_mode & 07777, 8) + ';';
                ::chmod(bytes(source).constData(), 0755);
                ::chmod(bytes(copy).constData(), 0755);
            }
            return sent;
        },
        ChildRights::Unprivileged);
    if (answer.exitCode == 77)
        GTEST_SKIP() << "no unprivileged user to become";
    ASSERT_EQ(answer.exitCode, 0);
    EXPECT_EQ(answer.sent, "file 1 0 644;read-only 1 0 444;folder 1 0 555;") << "<name> <copied> <marked> <mode>";
}

// A copy that stops before its rename into place, holding its temporary,
// until the test lets it go on.
int pauseBeforeTheRename(const char* from, const char* to, unsigned int flags)
{
    test::PausedChild::pause();
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
        test::PausedChild first([&] {
            setRenameWithFlagsFunction(pauseBeforeTheRename);
            FileError failed;
            return copyPath(tree.filePath(source), into + "/dst", &failed) ? 0 : 100 + failed.code;
        });
        ASSERT_TRUE(first.waitUntilPaused());
        FileError error;
        const bool other = copyPath(tree.filePath("small"), into + "/other", &error);
        EXPECT_EQ(first.goOnUntilItEnds(), 0) << "the first copy failed";
        EXPECT_TRUE(other) << error.description().toStdString();
        EXPECT_EQ(namesIn(into), QStringList({"dst", "other"}));
        EXPECT_EQ(countRemovalItems(into + "/dst"), countRemovalItems(tree.filePath(source)));
    }
}

// A later copy used to remove every regular file or folder of this user
// named as a temporary whose lock it could take: a user's file, a name no
// copy makes, a folder made writable first. It removes an item only with a
// copy's mark of that very item, and names what it removes.
TEST_F(CopyLeftovers, ALaterCopyRemovesOnlyWhatItProvesACopyLeft)
{
    if (!keepsMarks())
        GTEST_SKIP() << "this file system keeps no user extended attributes";
    const QString into = tree.makeDir("into");
    tree.writeFile("source", "x");
    const auto in = [&](const char* name) { return into + '/' + QLatin1String(name); };
    // What killed copies left: a file, and a folder with a read-only folder it copied.
    ASSERT_TRUE(markAsATemporary(tree.writeFile("into/.abandoned.sorvant-copy-aB3dE6", "left by a killed copy")));
    tree.writeFile("into/.folder.sorvant-copy-aB3dE6/ro/f", "copied");
    ASSERT_TRUE(markAsATemporary(in(".folder.sorvant-copy-aB3dE6")));
    ASSERT_EQ(::chmod(bytes(in(".folder.sorvant-copy-aB3dE6/ro")).constData(), 0555), 0);
    // What no copy is proved to have made.
    tree.writeFile("into/.user.sorvant-copy-AbC123", "the user's");
    ASSERT_TRUE(markAsATemporary(tree.writeFile("into/..sorvant-copy-AbC123", "a name no copy makes")));
    tree.writeFile("into/.dir.sorvant-copy-AbC123/ro/f", "the user's");
    ASSERT_EQ(::chmod(bytes(in(".dir.sorvant-copy-AbC123/ro")).constData(), 0555), 0);
    const QString copied = tree.writeFile("into/.copied.sorvant-copy-aB3dE6", "another program's copy of a temporary");
    ASSERT_TRUE(markAsATemporary(copied, in(".abandoned.sorvant-copy-aB3dE6")));
    tree.writeFile("into/.short.sorvant-copy-aB3dE", "another name");
    tree.writeFile("into/shown.sorvant-copy-aB3dE6", "another name");
    tree.makeDir("elsewhere/kept");
    ASSERT_EQ(::symlink(bytes(tree.filePath("elsewhere")).constData(), bytes(in(".link.sorvant-copy-aB3dE6")).constData()), 0);
    ASSERT_EQ(::mkfifo(bytes(in(".pipe.sorvant-copy-aB3dE6")).constData(), 0600), 0);
    QStringList kept = {"..sorvant-copy-AbC123", ".copied.sorvant-copy-aB3dE6", ".dir.sorvant-copy-AbC123",
                        ".link.sorvant-copy-aB3dE6", ".pipe.sorvant-copy-aB3dE6", ".short.sorvant-copy-aB3dE",
                        ".user.sorvant-copy-AbC123", "shown.sorvant-copy-aB3dE6"};
    if (::geteuid() == 0) {
        const QString theirs = tree.writeFile("into/.theirs.sorvant-copy-aB3dE6", "another user's");
        ASSERT_TRUE(markAsATemporary(theirs));
        ASSERT_EQ(::chown(bytes(theirs).constData(), test::unprivilegedUser(), test::unprivilegedGroup()), 0);
        kept << ".theirs.sorvant-copy-aB3dE6";
    }
    // A running copy holds its temporary locked.
    const QString running = tree.makeDir("into/.running.sorvant-copy-aB3dE6");
    ASSERT_TRUE(markAsATemporary(running));
    const int held = ::open(bytes(running).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    kept << ".running.sorvant-copy-aB3dE6";
    FileError error;
    ASSERT_TRUE(copyPath(tree.filePath("source"), in("copy"), &error)) << error.description().toStdString();
    ::close(held);
    kept << "copy";
    kept.sort();
    EXPECT_EQ(namesIn(into), kept);
    EXPECT_TRUE(existsAt(tree.filePath("elsewhere/kept")));
    // Nothing of the user's was made writable on the way.
    EXPECT_EQ(QFileInfo(in(".dir.sorvant-copy-AbC123/ro")).permissions() & QFileDevice::WriteOwner, 0);
    EXPECT_EQ(test::readFileBytes(bytes(in(".dir.sorvant-copy-AbC123/ro/f"))), "the user's");
    QStringList removed = linesStartingWith(logged(), kRemovedLine);
    removed.sort();
    EXPECT_EQ(removed, QStringList({kRemovedLine + in(".abandoned.sorvant-copy-aB3dE6"),
                                    kRemovedLine + in(".folder.sorvant-copy-aB3dE6")}));
    EXPECT_EQ(logged().size(), removed.size()) << logged().join('\n').toStdString();
}

// An item the cleanup proved a killed copy's, whose name leads elsewhere
// once the cleanup holds the lock (the copy that held it renamed it into
// place, and the user may have saved an item under the old name): all
// stays, and nothing is said removed.
bool userSavesAtTheName = true;

void renameOnceLocked(TemporaryMoment moment, const char* path)
{
    if (moment != TemporaryMoment::LockedForRemoval)
        return;
    struct stat status {};
    ::lstat(path, &status);
    const QByteArray placed = QByteArray(path).left(QByteArray(path).lastIndexOf('/')) + "/placed";
    ::rename(path, placed.constData());
    if (userSavesAtTheName && S_ISDIR(status.st_mode)) {
        ::mkdir(path, 0755);
        test::writeFileBytes(QByteArray(path) + "/f", "the user's");
    } else if (userSavesAtTheName) {
        test::writeFileBytes(path, "the user's");
    }
}

TEST_F(CopyLeftovers, TheCleanupLooksAgainOnceItHoldsTheLock)
{
    if (!keepsMarks())
        GTEST_SKIP() << "this file system keeps no user extended attributes";
    tree.writeFile("source", "x");
    setTemporaryHook(renameOnceLocked);
    for (const bool folder : {false, true}) {
        for (const bool saved : {true, false}) {
            SCOPED_TRACE(testing::Message() << (folder ? "folder" : "file") << (saved ? ", the user's saved" : ""));
            const QString into = tree.makeDir(QStringLiteral("into-%1-%2").arg(int(folder)).arg(int(saved)));
            const QString temporary = into + "/.placed.sorvant-copy-aB3dE6";
            test::writeFileBytes(bytes(folder ? tree.makeDir(temporary.mid(tree.path().size() + 1)) + "/f" : temporary),
                                 "a finished copy");
            ASSERT_TRUE(markAsATemporary(temporary));
            userSavesAtTheName = saved;
            ASSERT_TRUE(copyPath(tree.filePath("source"), into + "/copy"));
            QStringList expected = {"copy", "placed"};
            if (saved)
                expected.prepend(".placed.sorvant-copy-aB3dE6");
            EXPECT_EQ(namesIn(into), expected);
            const QString inside = folder ? "/f" : "";
            EXPECT_EQ(test::readFileBytes(bytes(into + "/placed" + inside)), "a finished copy");
            EXPECT_EQ(test::readFileBytes(bytes(temporary + inside)), saved ? "the user's" : "<unreadable>");
        }
    }
    setTemporaryHook(nullptr);
    EXPECT_TRUE(linesStartingWith(logged(), kRemovedLine).isEmpty()) << logged().join('\n').toStdString();
}

// A folder mounted at a temporary's name keeps every file, even one that
// bears a copy's mark of itself: the cleanup never goes into a mount.
// In a private mount namespace (nothing leaks out, even if the child dies).
TEST_F(CopyLeftovers, AFolderMountedAtATemporarysNameKeepsItsFiles)
{
    if (!keepsMarks())
        GTEST_SKIP() << "this file system keeps no user extended attributes";
    tree.writeFile("data/a", "the user's");
    tree.writeFile("data/b/c", "the user's");
    ASSERT_TRUE(markAsATemporary(tree.filePath("data")));
    tree.writeFile("source", "x");
    const QString mountPoint = tree.makeDir("into/.data.sorvant-copy-aB3dE6");
    const ChildAnswer answer = answerOfAChild([&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::mount(bytes(tree.filePath("data")).constData(), bytes(mountPoint).constData(), nullptr, MS_BIND, nullptr) != 0)
            ::_exit(77);
        const bool copied = copyPath(tree.filePath("source"), tree.filePath("into/copy"));
        return QByteArray::number(int(copied)) + ' ' + QByteArray::number(countRemovalItems(mountPoint));
    });
    if (answer.exitCode == 77)
        GTEST_SKIP() << "mounting is not permitted here (it needs root)";
    ASSERT_EQ(answer.exitCode, 0);
    EXPECT_EQ(answer.sent, "1 4") << "<copied> <items at the mount point>";
    EXPECT_EQ(countRemovalItems(tree.filePath("data")), 4);
}

// On a file system that keeps no extended attributes nothing under a
// temporary's name can be proved a killed copy's: all stays, and one line
// says so. In a private mount namespace, on a ramfs.
TEST_F(CopyLeftovers, WhereNoMarkCanBeKeptTemporariesStayAndOneLineSaysSo)
{
    tree.writeFile("source", "x");
    const QString into = tree.makeDir("into");
    const ChildAnswer answer = answerOfAChild([&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::mount("ramfs", bytes(into).constData(), "ramfs", 0, nullptr) != 0)
            ::_exit(77);
        tree.writeFile("into/.a.sorvant-copy-aB3dE6", "left by a killed copy, or not");
        tree.makeDir("into/.b.sorvant-copy-aB3dE6");
        if (markAsATemporary(into + "/.a.sorvant-copy-aB3dE6"))
            ::_exit(77);
        QStringList lines;
        setLogSink([&](const QString& line) { lines << line; });
        const bool copied = copyPath(tree.filePath("source"), into + "/copy");
        return (QString::number(int(copied)) + '|' + namesIn(into).join(',') + '|' + lines.join('\n')).toUtf8();
    });
    if (answer.exitCode == 77)
        GTEST_SKIP() << "no ramfs without extended attributes can be mounted here (it needs root)";
    ASSERT_EQ(answer.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(answer.sent),
              "1|.a.sorvant-copy-aB3dE6,.b.sorvant-copy-aB3dE6,copy|WARNING: Left 2 item(s) named as copies' temporaries in "
                  + into + ": its file system keeps no extended attributes to prove a copy made them");
}

// A folder copy used to go on when its new temporary was gone before it
// opened it, and failed naming a child of the destination ("No such file
// or directory"), or followed a link put in its place. A temporary gone or
// replaced before the copy holds it makes the copy take another name.
enum class Meanwhile { Removed, ReplacedByALink };
Meanwhile meanwhile = Meanwhile::Removed;
std::atomic<int> temporariesToTake = 0;

void takeTheTemporary(TemporaryMoment moment, const char* path)
{
    if (moment != TemporaryMoment::Made || temporariesToTake.fetch_sub(1) <= 0)
        return;
    struct stat status {};
    ::lstat(path, &status);
    ::unlinkat(AT_FDCWD, path, S_ISDIR(status.st_mode) ? AT_REMOVEDIR : 0);
    if (meanwhile == Meanwhile::ReplacedByALink)
        ::symlink("elsewhere", path);
}

TEST_F(CopyLeftovers, ATemporaryGoneBeforeTheCopyHoldsItMakesTheCopyTakeAnotherName)
{
    tree.writeFile("folder/a", "first");
    tree.writeFile("folder/b/c", "second");
    tree.writeFile("file", "contents");
    const QString elsewhere = tree.makeDir("elsewhere");
    setTemporaryHook(takeTheTemporary);
    for (const Meanwhile how : {Meanwhile::Removed, Meanwhile::ReplacedByALink}) {
        for (const QString source : {"folder", "file"}) {
            SCOPED_TRACE((source + (how == Meanwhile::Removed ? " removed" : " replaced by a link")).toStdString());
            const QString into = tree.makeDir("into-" + source + QString::number(int(how)));
            ASSERT_EQ(::symlink(bytes(elsewhere).constData(), bytes(into + "/elsewhere").constData()), 0);
            meanwhile = how;
            temporariesToTake = 1;
            FileError error;
            EXPECT_TRUE(copyPath(tree.filePath(source), into + "/dst", &error)) << error.description().toStdString();
            EXPECT_EQ(temporariesToTake.load(), -1) << "the copy made a second temporary only";
            EXPECT_EQ(countRemovalItems(into + "/dst"), countRemovalItems(tree.filePath(source)));
            EXPECT_EQ(namesIn(into).size(), how == Meanwhile::ReplacedByALink ? 3 : 2) << namesIn(into).join(' ').toStdString();
            EXPECT_TRUE(namesIn(elsewhere).isEmpty());
        }
    }
}

// A folder is read for abandoned temporaries at a process's first copy into
// it only (reading it at every copy cost 29 ms a copy beside 100,000
// items): what a copy killed later leaves waits for the next process.
TEST_F(CopyLeftovers, AFolderIsLookedThroughAtTheFirstCopyIntoItOnly)
{
    if (!keepsMarks())
        GTEST_SKIP() << "this file system keeps no user extended attributes";
    const QString into = tree.makeDir("into");
    tree.writeFile("source", "x");
    ASSERT_TRUE(markAsATemporary(tree.writeFile("into/.early.sorvant-copy-aB3dE6", "left before")));
    ASSERT_TRUE(copyPath(tree.filePath("source"), into + "/one"));
    ASSERT_TRUE(markAsATemporary(tree.writeFile("into/.late.sorvant-copy-aB3dE6", "left after the first look")));
    ASSERT_TRUE(copyPath(tree.filePath("source"), into + "/two"));
    EXPECT_EQ(namesIn(into), QStringList({".late.sorvant-copy-aB3dE6", "one", "two"}));
}

// Copies on several threads into one new folder at once: the first looks
// through it while the others make their temporaries, which it leaves to
// them, and every copy ends whole, also those whose first temporary another
// program removed before they held it.
TEST_F(CopyLeftovers, CopiesOnSeveralThreadsIntoOneFolderAllEndWhole)
{
    constexpr int kThreads = 6;
    tree.writeFile("folder/a", QByteArray(256 << 10, 'a'));
    tree.writeFile("folder/b/c", "c");
    const QString into = tree.makeDir("into");
    meanwhile = Meanwhile::Removed;
    temporariesToTake = kThreads / 2;
    setTemporaryHook(takeTheTemporary);
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
    setTemporaryHook(nullptr);
    EXPECT_EQ(copied.load(), kThreads);
    const QStringList names = namesIn(into);
    EXPECT_EQ(names.size(), kThreads) << names.join(' ').toStdString();
    for (const QString& name : names)
        EXPECT_EQ(countRemovalItems(into + '/' + name), 4) << name.toStdString();
}

} // namespace
} // namespace sorvant
