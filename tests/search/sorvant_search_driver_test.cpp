// The headless driver run as a user runs it: the real binary, with raw bytes
// for arguments, standard output on a full device or a pipe, and signals.

#include "platform/xattr.h"
#include "tests/support/temp_tree.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace sorvant {
namespace {

QByteArray driverPath()
{
    return QFile::encodeName(QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/sorvant-search"));
}

// How a run ended: the exit status, or 128 + the signal that killed it
// (the shell's convention), and what it wrote.
struct DriverRun
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

QByteArray readAll(int fd)
{
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return bytes;
        bytes.append(buffer, count);
    }
}

// Starts the driver with `arguments` as bytes (no decoding on the way), its
// standard output on `outFd`, standard error on a file of `tree` (or on
// `givenErrFd`), and its working folder at `cwdFd` (when not -1).
class Driver
{
public:
    Driver(test::TempTree& tree, const std::vector<QByteArray>& arguments, int outFd, int cwdFd = -1,
           int givenErrFd = -1)
        : m_errPath(QFile::encodeName(tree.filePath(QStringLiteral("driver-stderr"))))
    {
        const int errFd =
            givenErrFd >= 0 ? ::fcntl(givenErrFd, F_DUPFD_CLOEXEC, 0)
                            : ::open(m_errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        std::vector<QByteArray> storage{driverPath()};
        storage.insert(storage.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (QByteArray& argument : storage)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
        if (cwdFd >= 0)
            posix_spawn_file_actions_addfchdir_np(&actions, cwdFd);
        m_started = outFd >= 0 && ::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(errFd);
    }

    [[nodiscard]] bool started() const { return m_started; }
    [[nodiscard]] pid_t pid() const { return m_pid; }

    // Waits for the end; `out` is what the caller collected.
    DriverRun finish(QByteArray out = {})
    {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), std::move(out),
                test::readFileBytes(m_errPath)};
    }

private:
    QByteArray m_errPath;
    pid_t m_pid = -1;
    bool m_started = false;
};

// Starts the driver with standard output in a new pipe whose reading end is
// `reader`; not started when there is no pipe.
Driver startPiped(test::TempTree& tree, const std::vector<QByteArray>& arguments, int& reader, int cwdFd = -1)
{
    int pipeFds[2] = {-1, -1};
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        pipeFds[0] = pipeFds[1] = -1;
    Driver driver(tree, arguments, pipeFds[1], cwdFd);
    if (pipeFds[1] >= 0)
        ::close(pipeFds[1]);
    reader = pipeFds[0];
    return driver;
}

// Runs the driver to its end with standard output in a pipe read at once.
DriverRun runDriver(test::TempTree& tree, const std::vector<QByteArray>& arguments, int cwdFd = -1)
{
    int reader = -1;
    Driver driver = startPiped(tree, arguments, reader, cwdFd);
    const QByteArray out = reader >= 0 ? readAll(reader) : QByteArray();
    if (reader >= 0)
        ::close(reader);
    return driver.started() ? driver.finish(out) : DriverRun{};
}

// YES once the process takes `signal` itself: a handler for it (its SigCgt
// mask) or the signal blocked in its main thread (SigBlk), to be waited for.
bool takesSignal(pid_t pid, int signal)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    bool takes = false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:") || line.startsWith("SigBlk:"))
            takes = takes || ((line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1);
    }
    return takes;
}

// Waits up to 10 s for the process to take `signal`; YES once it does.
bool waitUntilItTakes(pid_t pid, int signal)
{
    for (int wait = 0; wait < 2000 && !takesSignal(pid, signal); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return takesSignal(pid, signal);
}

// A new pseudo-terminal: the controlling side (`master`) and the one a
// program writes to (`terminal`); -1 for what could not be opened.
struct Terminal
{
    int master = -1;
    int terminal = -1;
};

Terminal openTerminal()
{
    Terminal pty;
    pty.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty.master >= 0 && ::grantpt(pty.master) == 0 && ::unlockpt(pty.master) == 0)
        pty.terminal = ::open(::ptsname(pty.master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    return pty;
}

class SorvantSearchDriverTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!QFileInfo(QFile::decodeName(driverPath())).isExecutable())
            GTEST_SKIP() << "the driver is not built next to the tests";
        root = QFile::encodeName(tree.path());
    }
    // `count` files whose names hold "report" and are long, so that the
    // paths printed fill more than a pipe holds.
    QByteArray makeManyReports(int count)
    {
        const QByteArray folder = root + "/reports";
        test::makeDirBytes(folder);
        for (int i = 0; i < count; ++i)
            test::writeFileBytes(folder + "/report-" + QByteArray(100, 'x') + QByteArray::number(i));
        return folder;
    }

    test::TempTree tree;
    QByteArray root;
};

// A search that opens no movie does not load the movie libraries (and the
// many they need) at start-up: the dynamic loader's list of what it would
// load holds none of them.
TEST_F(SorvantSearchDriverTest, StartsWithoutTheMovieLibraries)
{
    ASSERT_TRUE(qputenv("LD_TRACE_LOADED_OBJECTS", "1"));
    const DriverRun run = runDriver(tree, {"x", root});
    qunsetenv("LD_TRACE_LOADED_OBJECTS");
    ASSERT_TRUE(run.out.contains("libQt6Core")) << run.out.toStdString() << run.err.toStdString();
    for (const char* library : {"libavformat", "libavcodec", "libavutil", "libswscale"})
        EXPECT_FALSE(run.out.contains(library)) << library;
}

TEST_F(SorvantSearchDriverTest, InvalidRegularExpressionsAreReportedBeforeTheWalk)
{
    const QByteArray nested = QByteArray(100, '(') + "a";
    for (const QByteArray& pattern : {QByteArray("("), nested, QByteArray("[a-"), QByteArray("a{2,1}")}) {
        SCOPED_TRACE(pattern.constData());
        // The folder does not exist: the pattern is checked first.
        const DriverRun run = runDriver(tree, {"--mode", "regex", pattern, root + "/missing"});
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains("invalid regular expression: ")) << run.err.constData();
        EXPECT_TRUE(run.err.contains(" at character ")) << run.err.constData();
    }
    test::writeFileBytes(root + "/report");
    EXPECT_EQ(runDriver(tree, {"--mode", "regex", "rep.rt", root}).status, 0);
}

TEST_F(SorvantSearchDriverTest, AFullDeviceIsAnErrorAndAClosedPipeEndsQuietly)
{
    const QByteArray folder = makeManyReports(1200);
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (full < 0)
        GTEST_SKIP() << "no /dev/full";
    Driver onFull(tree, {"report", folder}, full);
    ::close(full);
    ASSERT_TRUE(onFull.started());
    const DriverRun failed = onFull.finish();
    EXPECT_EQ(failed.status, 2);
    EXPECT_TRUE(failed.err.contains("cannot write the results: ")) << failed.err.constData();

    // The reader takes one line and goes away, as `| head -1` does.
    int reader = -1;
    Driver piped = startPiped(tree, {"report", folder}, reader);
    ASSERT_TRUE(piped.started());
    char first = 0;
    EXPECT_EQ(::read(reader, &first, 1), 1);
    ::close(reader);
    const DriverRun closed = piped.finish();
    EXPECT_EQ(closed.status, 0);
    EXPECT_TRUE(closed.err.isEmpty()) << closed.err.constData();
}

TEST_F(SorvantSearchDriverTest, CommentsInTheXdgAttributeAreFound)
{
    test::writeFileBytes(root + "/noted.txt");
    test::writeFileBytes(root + "/plain.txt");
    if (!setCommentAtPath(QString::fromUtf8(root + "/noted.txt"), QStringLiteral("review by Friday")))
        GTEST_SKIP() << "no extended attributes on this file system";
    const DriverRun run = runDriver(tree, {"-m", "-i", "friday", root});
    EXPECT_EQ(run.status, 0) << run.err.constData();
    EXPECT_EQ(run.out, root + "/noted.txt\n");
}

TEST_F(SorvantSearchDriverTest, BytesThatAreNotUtf8RoundTripThroughArguments)
{
    const QByteArray folder = root + "/in\xFF" "folder";
    test::makeDirBytes(folder);
    test::writeFileBytes(folder + "/a\xFE\xFFz");
    test::writeFileBytes(folder + "/a\xFE\xFEz");
    const DriverRun run = runDriver(tree, {"\xFE\xFF", folder});
    EXPECT_EQ(run.status, 0) << run.err.constData();
    EXPECT_EQ(run.out, folder + "/a\xFE\xFFz\n");
}

// The long listing gives the window's default columns before each path, so
// the window's time to its last row compares with the same work.
TEST_F(SorvantSearchDriverTest, TheLongListingGivesSizeDateAndKindBeforeEachPath)
{
    test::writeFileBytes(root + "/listed.txt", QByteArray(1500, 'x'));
    test::makeDirBytes(root + "/listed-folder");
    const struct timespec times[2] = {{1767323040, 0}, {1767323040, 0}}; // 2026-01-02 03:04 UTC
    ASSERT_EQ(::utimensat(AT_FDCWD, (root + "/listed.txt").constData(), times, 0), 0);
    const QByteArray timeZone = qgetenv("TZ");
    const QByteArray language = qgetenv("LANGUAGE");
    qputenv("TZ", "UTC");
    qputenv("LANGUAGE", "C");
    const DriverRun run = runDriver(tree, {"-l", "listed", root});
    qputenv("TZ", timeZone);
    qputenv("LANGUAGE", language);
    ASSERT_EQ(run.status, 0) << run.err.constData();
    QList<QStringList> lines;
    for (const QByteArray& line : run.out.split('\n')) {
        if (!line.isEmpty())
            lines.append(QString::fromUtf8(line).trimmed().split(QRegularExpression(QStringLiteral("\\s{2,}"))));
    }
    // By path: the file first.
    std::sort(lines.begin(), lines.end(),
              [](const QStringList& a, const QStringList& b) { return a.value(3).size() < b.value(3).size(); });
    ASSERT_EQ(lines.size(), 2) << run.out.constData();
    EXPECT_EQ(lines.at(0), (QStringList{"1.5 KB", "2026-01-02 03:04", "plain text document", QString::fromUtf8(root + "/listed.txt")}));
    EXPECT_EQ(lines.at(1).value(0), QStringLiteral("--"));
    EXPECT_EQ(lines.at(1).value(2), QStringLiteral("folder"));
    EXPECT_EQ(lines.at(1).value(3), QString::fromUtf8(root + "/listed-folder"));
}

TEST_F(SorvantSearchDriverTest, InterruptedSearchExitsWithTheSignalAndSaysResultsArePartial)
{
    const QByteArray folder = makeManyReports(1200);
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        int reader = -1;
        Driver driver = startPiped(tree, {"report", folder}, reader);
        ASSERT_TRUE(driver.started());
        // Its output is larger than the pipe holds, so it cannot end before
        // it is read: the signal reaches a search still running.
        ASSERT_TRUE(waitUntilItTakes(driver.pid(), signal));
        ::kill(driver.pid(), signal);
        const QByteArray out = readAll(reader);
        ::close(reader);
        const DriverRun run = driver.finish(out);
        EXPECT_EQ(run.status, 128 + signal) << "lines " << run.out.count('\n') << " err " << run.err.constData();
        EXPECT_TRUE(run.err.contains("the results are partial")) << run.err.constData();
        // Whatever was printed is whole lines.
        EXPECT_TRUE(run.out.isEmpty() || run.out.endsWith('\n'));
    }
}

// The id of the thread of `pid` named `name`, waiting up to 10 s for it to
// start; 0 when none does.
pid_t threadNamed(pid_t pid, const QByteArray& name)
{
    for (int wait = 0; wait < 2000; ++wait) {
        const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
        for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (test::readFileBytes(QFile::encodeName(tasks + u'/' + task + QStringLiteral("/comm"))).trimmed() == name)
                return task.toInt();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 0;
}

// On a busy machine the thread that takes the signals may get no processor
// until the search has ended: held stopped here all that time, the status
// still says the search was interrupted.
TEST_F(SorvantSearchDriverTest, AnInterruptionCountsBeforeTheSignalIsTaken)
{
    const QByteArray folder = makeManyReports(1200);
    int reader = -1;
    Driver driver = startPiped(tree, {"report", folder}, reader);
    ASSERT_TRUE(driver.started());
    const pid_t taker = threadNamed(driver.pid(), "sorvant-signals");
    const bool seized = taker != 0 && ::ptrace(PTRACE_SEIZE, taker, nullptr, nullptr) == 0;
    const bool held = seized && ::ptrace(PTRACE_INTERRUPT, taker, nullptr, nullptr) == 0;
    const int holdError = errno;
    int threadStatus = 0;
    if (held)
        ::waitpid(taker, &threadStatus, __WALL);
    ::kill(driver.pid(), held ? SIGTERM : SIGKILL);
    const QByteArray out = readAll(reader);
    ::close(reader);
    // A traced thread ends with the process; its tracer collects it.
    while (seized && ::waitpid(taker, &threadStatus, __WALL) == taker && !WIFEXITED(threadStatus) &&
           !WIFSIGNALED(threadStatus)) {
    }
    const DriverRun run = driver.finish(out);
    ASSERT_NE(taker, 0) << "no thread named sorvant-signals";
    if (!held)
        GTEST_SKIP() << "the signal thread cannot be held here (" << std::strerror(holdError) << ")";
    EXPECT_EQ(run.status, 128 + SIGTERM) << "lines " << run.out.count('\n') << " err " << run.err.constData();
    EXPECT_TRUE(run.err.contains("the results are partial")) << run.err.constData();
}

// A second signal ends the program at once, even while its output waits on
// a full pipe nobody reads.
TEST_F(SorvantSearchDriverTest, ASecondSignalEndsTheProgramAtOnce)
{
    const QByteArray folder = makeManyReports(1200);
    int reader = -1;
    Driver driver = startPiped(tree, {"report", folder}, reader);
    ASSERT_TRUE(driver.started());
    ASSERT_TRUE(waitUntilItTakes(driver.pid(), SIGINT));
    // The first is taken; the ones after it end the program, which could not
    // end by itself before its output is read.
    int status = 0;
    pid_t ended = 0;
    for (int round = 0; round < 1000 && ended == 0; ++round) {
        ::kill(driver.pid(), SIGINT);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ended = ::waitpid(driver.pid(), &status, WNOHANG);
    }
    ::close(reader);
    if (ended == 0) {
        ::kill(driver.pid(), SIGKILL);
        (void)driver.finish();
    }
    ASSERT_EQ(ended, driver.pid());
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGINT);
}

TEST_F(SorvantSearchDriverTest, FoldersThatCannotBeSearchedAreNamedWithTheReason)
{
    test::writeFileBytes(root + "/file");
    const struct
    {
        QByteArray folder;
        const char* message;
    } cases[] = {
        {root + "/missing", "no such folder: "},
        {root + "/file", "not a folder: "},
        {"/proc", "pseudo file system"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder.constData());
        const DriverRun run = runDriver(tree, {"x", c.folder});
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.constData();
        if (c.folder.startsWith(root)) {
            EXPECT_TRUE(run.err.contains(c.folder)) << run.err.constData();
        }
    }
    if (::geteuid() != 0) {
        test::makeDirBytes(root + "/closed");
        ::chmod((root + "/closed").constData(), 0);
        const DriverRun run = runDriver(tree, {"x", root + "/closed"});
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.contains("Permission denied")) << run.err.constData();
    }
}

TEST_F(SorvantSearchDriverTest, QueryTermsThatDoNotParseAreNamedWithTheirPlace)
{
    const struct
    {
        QByteArray query;
        const char* message;
    } cases[] = {
        {"(", "the bracket ( at character 1 is not closed"},
        {"AND", "no term follows \"AND\" at character 1"},
        {"NOT", "no term follows \"NOT\" at character 1"},
        {"report AND (", "the bracket ( at character 12 is not closed"},
        {"()", "there is no term to search for"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query.constData());
        // The folder does not exist: the query is checked first.
        const DriverRun run = runDriver(tree, {"--mode", "terms", c.query, root + "/missing"});
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(run.err, QByteArray("sorvant-search: invalid query terms: ") + c.message + "\n");
    }
    test::writeFileBytes(root + "/report");
    EXPECT_EQ(runDriver(tree, {"--mode", "terms", "rep* AND NOT (x OR y)", root}).status, 0);
}

// A wildcard set never closed matches nothing: it is named with its place
// (in characters, not UTF-16 units) before the walk, and the search ends
// with exit 2. "[[]" and a lone "]" are patterns, not flaws.
TEST_F(SorvantSearchDriverTest, UnclosedWildcardSetsAreNamedWithTheirPlace)
{
    const struct
    {
        QByteArray pattern;
        int character;
    } cases[] = {{"[abc", 1}, {"a[b", 2}, {"[a]b[", 5}, {"\xf0\x9f\x93\x81[x", 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern.constData());
        const DriverRun run = runDriver(tree, {"--mode", "wildcards", c.pattern, root + "/missing"});
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(run.err, "sorvant-search: invalid wildcards: the set [ at character " + QByteArray::number(c.character)
                               + " is not closed\n");
    }
    test::writeFileBytes(root + "/[");
    test::writeFileBytes(root + "/a]b");
    EXPECT_EQ(runDriver(tree, {"--mode", "wildcards", "[[]", root}).out, root + "/[\n");
    EXPECT_EQ(runDriver(tree, {"--mode", "wildcards", "a]b", root}).out, root + "/a]b\n");
}

// The folder is the one the kernel reaches by the path as given: ".." after
// a link leads to the link's target's parent, "~" is a folder's name; only
// "." and repeated "/" go, which lead nowhere else.
TEST_F(SorvantSearchDriverTest, TheFolderIsTheOneTheFileSystemReaches)
{
    test::makeDirBytes(root + "/real");
    test::makeDirBytes(root + "/real/inner");
    test::makeDirBytes(root + "/real/sibling");
    test::writeFileBytes(root + "/real/sibling/reached-found");
    test::makeDirBytes(root + "/work");
    test::makeDirBytes(root + "/work/sibling");
    test::writeFileBytes(root + "/work/sibling/lexical-found");
    ASSERT_EQ(::symlink("../real/inner", (root + "/work/L").constData()), 0);
    test::makeDirBytes(root + "/work/~");
    test::writeFileBytes(root + "/work/~/tilde-found");
    const int work = ::open((root + "/work").constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(work, 0);
    const struct
    {
        QByteArray folder;
        QByteArray printed;
    } cases[] = {
        {"L/../sibling", root + "/work/L/../sibling/reached-found\n"},
        {"~", root + "/work/~/tilde-found\n"},
        {".//./~/", root + "/work/~/tilde-found\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder.constData());
        const DriverRun run = runDriver(tree, {"found", c.folder}, work);
        EXPECT_EQ(run.status, 0) << run.err.constData();
        EXPECT_EQ(run.out, c.printed);
    }
    ::close(work);
}

// tmpfs, ramfs and overlay mounts below the folder are searched, as a disk's
// folders are; the kernel's file systems (proc, devpts) are not, and a folder
// on one is refused. Mounted in a user and mount namespace of the run's own.
TEST_F(SorvantSearchDriverTest, MountsBelowTheFolderAreSearchedButNotTheKernels)
{
    for (const char* folder : {"proc", "pts", "tmp", "ram", "ovl", "lower", "upper", "work", "disk"})
        test::makeDirBytes(root + '/' + folder);
    test::writeFileBytes(root + "/lower/overlay-found");
    test::writeFileBytes(root + "/disk/disk-found");
    const QByteArray script =
        "set -e\n"
        "cd \"$1\"\n"
        "mount -t proc proc proc\n"
        "mount -t devpts devpts pts\n"
        "mount -t tmpfs tmpfs tmp\n"
        "mount -t ramfs ramfs ram\n"
        "if mount -t overlay overlay -o lowerdir=lower,upperdir=upper,workdir=work ovl 2>/dev/null; then\n"
        "  echo 'overlay mounted'\n"
        "fi\n"
        ": > tmp/tmp-found\n"
        ": > ram/ram-found\n"
        "set +e\n"
        "\"$2\" found \"$1\"; echo \"status $?\"\n"
        "\"$2\" -a self \"$1\"; echo \"status $?\"\n"
        "\"$2\" x \"$1/proc\"; echo \"status $?\"\n"
        "\"$2\" x \"$1/pts\"; echo \"status $?\"\n";
    const QByteArray scriptPath = root + "/mounts.sh";
    test::writeFileBytes(scriptPath, script);
    QProcess shell;
    shell.start(QStringLiteral("unshare"), {QStringLiteral("-Urmp"), QStringLiteral("--fork"), QStringLiteral("sh"),
                                            QString::fromUtf8(scriptPath), QString::fromUtf8(root),
                                            QFile::decodeName(driverPath())});
    if (!shell.waitForStarted() || !shell.waitForFinished(120000) || shell.exitCode() != 0)
        GTEST_SKIP() << "no user and mount namespaces here: " << shell.readAllStandardError().constData();
    const QByteArray out = shell.readAllStandardOutput();
    const QByteArray err = shell.readAllStandardError();
    const QList<QByteArray> lines = out.split('\n');
    EXPECT_TRUE(lines.contains(root + "/tmp/tmp-found")) << out.constData();
    EXPECT_TRUE(lines.contains(root + "/ram/ram-found")) << out.constData();
    EXPECT_TRUE(lines.contains(root + "/disk/disk-found")) << out.constData();
    // Overlays in a user namespace need Linux 5.11.
    EXPECT_EQ(lines.contains(root + "/ovl/overlay-found"), lines.contains("overlay mounted")) << out.constData();
    // /proc holds "self", devpts a "ptmx": neither is looked into.
    EXPECT_FALSE(out.contains(root + "/proc/")) << out.constData();
    EXPECT_FALSE(out.contains(root + "/pts/")) << out.constData();
    EXPECT_EQ(out.count("status 0\n"), 1) << out.constData();
    EXPECT_EQ(out.count("status 1\n"), 1) << out.constData();
    EXPECT_EQ(out.count("status 2\n"), 2) << out.constData();
    EXPECT_TRUE(err.contains(root + "/proc is on a \"proc\" pseudo file system")) << err.constData();
    EXPECT_TRUE(err.contains(root + "/pts is on a \"devpts\" pseudo file system")) << err.constData();
}

// A file skipped names its whole path, bytes that are not UTF-8 kept.
TEST_F(SorvantSearchDriverTest, WarningsNameTheWholePath)
{
    const QByteArray folder = root + "/deep\xFF/er";
    test::makeDirBytes(root + "/deep\xFF");
    test::makeDirBytes(folder);
    const QByteArray path = folder + "/big.txt";
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    // 2 GiB: at the limit of a text searched whole, or above a quarter of
    // this machine's memory; skipped unread either way. (A file without the
    // expression's literal text is read in windows, and is no match.)
    const qint64 size = qint64(1) << 31;
    const bool sized = ::ftruncate(fd, size - 6) == 0 && ::pwrite(fd, "needle", 6, size - 6) == 6;
    ::close(fd);
    ASSERT_TRUE(sized);
    const DriverRun run = runDriver(tree, {"-c", "--scan-all", "--mode", "regex", "needle", root});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.startsWith("WARNING: Skipped the contents of " + path + ": ")) << run.err.constData();
}

// A folder below the searched one that the user cannot read was passed
// over in silence, though the help says it is named. Run as a user that
// permissions bind (the super-user runs it as nobody), the search names it
// with the reason and goes on; the status is that of what was found.
TEST_F(SorvantSearchDriverTest, AnUnreadableFolderBelowIsNamed)
{
    // The other user's home and settings are folders of its own, out of
    // the searched one.
    const QByteArray searched = root + "/searched";
    const QByteArray home = root + "/home";
    for (const QByteArray& folder : {searched, searched + "/open", searched + "/closed", home}) {
        test::makeDirBytes(folder);
        ASSERT_EQ(::chmod(folder.constData(), 0777), 0);
    }
    ASSERT_EQ(::chmod(root.constData(), 0755), 0);
    test::writeFileBytes(searched + "/closed/report");
    test::writeFileBytes(searched + "/open/report");
    ASSERT_EQ(::chmod(searched + "/closed", 0), 0);
    QStringList command{QFile::decodeName(driverPath()), QStringLiteral("report"), QFile::decodeName(searched)};
    if (::geteuid() == 0)
        command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                              QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"), QStringLiteral("--")}
                  + command;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), QFile::decodeName(home));
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        environment.insert(QString::fromLatin1(name), QFile::decodeName(home + "/" + name));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(command.takeFirst(), command);
    const bool ran = process.waitForStarted() && process.waitForFinished(60000);
    ::chmod(searched + "/closed", 0700);
    ASSERT_TRUE(ran) << process.errorString().toStdString();
    const QByteArray out = process.readAllStandardOutput();
    const QByteArray err = process.readAllStandardError();
    if (out.isEmpty() && err.contains("setpriv"))
        GTEST_SKIP() << "no other user to run as: " << err.constData();
    if (!out.contains(searched + "/open/report"))
        GTEST_SKIP() << "the tree is out of the other user's reach: " << err.constData();
    EXPECT_EQ(process.exitCode(), 0) << err.constData();
    EXPECT_EQ(out, searched + "/open/report\n");
    // The reason is in the driver's language; one line, naming the folder.
    EXPECT_TRUE(err.startsWith("WARNING: Skipped the folder " + searched + "/closed: ")) << err.constData();
    EXPECT_EQ(err.count('\n'), 1) << err.constData();
}

TEST_F(SorvantSearchDriverTest, HelpGivesEverySyntaxAndExitStatusAndVersionItsNumber)
{
    const DriverRun help = runDriver(tree, {"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* part : {"FOLDER is\nrequired unless --all, --local or --removable", "* any run, ? one character",
                             "[abc] [a-z] [^0-9]", "NEAR/n", "(groups)", "an ICU regular expression",
                             "time limit of 1,000 steps", "0 found, 1 nothing found, 2 usage error",
                             "130 after SIGINT and 143 after SIGTERM", "tmpfs, ramfs, squashfs, overlay",
                             "proc, sysfs, devtmpfs", "2 GiB"}) {
        SCOPED_TRACE(part);
        EXPECT_TRUE(help.out.contains(part));
    }
    const DriverRun version = runDriver(tree, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^sorvant-search \\d+\\.\\d+\\.\\d+\\n$"))
                    .match(QString::fromUtf8(version.out))
                    .hasMatch())
        << version.out.constData();
}

// What the help lists is what the parser takes: each option and each value
// of --mode and --type it names is accepted, and one it does not name is
// refused, so the help cannot drift from the parser.
TEST_F(SorvantSearchDriverTest, TheHelpListsWhatTheParserTakes)
{
    const QString help = QString::fromUtf8(runDriver(tree, {"--help"}).out);
    test::writeFileBytes(root + "/report");
    const auto accepted = [&](const std::vector<QByteArray>& arguments) {
        const DriverRun run = runDriver(tree, arguments);
        return run.status != 2 || !run.err.contains("Try 'sorvant-search --help'");
    };
    // "  -n, --names   Search …" and "  --mode <MODE>   How …"
    const QRegularExpression optionLine(QStringLiteral("^  (?:-(\\w), )?--([\\w-]+)( <\\w+>)?"),
                                        QRegularExpression::MultilineOption);
    int options = 0;
    for (auto it = optionLine.globalMatch(help); it.hasNext(); ++options) {
        const QRegularExpressionMatch line = it.next();
        const QByteArray name = line.captured(2).toUtf8();
        SCOPED_TRACE(name.constData());
        std::vector<QByteArray> arguments{"--" + name};
        if (line.capturedLength(3) > 0)
            arguments.push_back(name == "mode" ? "phrase" : name == "type" ? "both" : "1");
        if (name != "help" && name != "version") {
            arguments.push_back("report");
            if (name != "all" && name != "local" && name != "removable")
                arguments.push_back(root);
        }
        EXPECT_TRUE(accepted(arguments));
        if (!line.captured(1).isEmpty() && name != "help" && name != "version") {
            EXPECT_TRUE(accepted({"-" + line.captured(1).toUtf8(), "report", root}));
        }
    }
    EXPECT_GE(options, 20) << help.toStdString();
    EXPECT_FALSE(accepted({"--not-an-option", "report", root}));

    // "  all        every word …; any: one of them;\n             phrase: …"
    const qsizetype modes = help.indexOf(QStringLiteral("Modes (--mode):"));
    ASSERT_GE(modes, 0);
    const QString modeText = help.mid(modes, help.indexOf(QStringLiteral("\n\n"), modes) - modes);
    const QRegularExpression modeName(QStringLiteral("(?:^  |; |^ +)(\\w+)(?:  |: )"),
                                      QRegularExpression::MultilineOption);
    QStringList listed;
    for (auto it = modeName.globalMatch(modeText); it.hasNext();)
        listed.append(it.next().captured(1));
    listed.sort();
    EXPECT_EQ(listed.join(u','), QStringLiteral("all,any,phrase,regex,terms,wildcards"));
    for (const QString& mode : listed)
        EXPECT_TRUE(accepted({"--mode", mode.toUtf8(), "report", root})) << mode.toStdString();
    EXPECT_FALSE(accepted({"--mode", "glob", "report", root}));

    const QRegularExpression typeText(QStringLiteral("Which items qualify: ([\\w, ]+) \\(default\\)"));
    const QRegularExpressionMatch types = typeText.match(QString(help).replace(QRegularExpression("\\s+"), " "));
    ASSERT_TRUE(types.hasMatch()) << help.toStdString();
    for (const QString& type : types.captured(1).split(QStringLiteral(", ")))
        EXPECT_TRUE(accepted({"--type", type.toUtf8(), "report", root})) << type.toStdString();
    EXPECT_FALSE(accepted({"--type", "links", "report", root}));
}

// On a terminal progress is one line, rewritten (carriage return, erase to
// the end) and ended once; into a file it is a line each time.
TEST_F(SorvantSearchDriverTest, ProgressOnATerminalRewritesOneLine)
{
    const QByteArray folder = makeManyReports(300);
    const Terminal pty = openTerminal();
    ASSERT_GE(pty.terminal, 0);
    const int master = pty.master;
    const int terminal = pty.terminal;
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    Driver driver(tree, {"--progress", "report", folder}, devNull, -1, terminal);
    ::close(terminal);
    ::close(devNull);
    ASSERT_TRUE(driver.started());
    const DriverRun run = driver.finish();
    // The terminal keeps what was written after the writer ended.
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    QByteArray shown;
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
        shown.append(buffer, n);
    ::close(master);
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(shown.startsWith("\r\x1b[K")) << shown.toPercentEncoding().constData();
    EXPECT_TRUE(shown.contains("300 found")) << shown.toPercentEncoding().constData();
    EXPECT_EQ(shown.count('\n'), 1) << shown.toPercentEncoding().constData();
    EXPECT_TRUE(shown.endsWith('\n'));

    const DriverRun piped = runDriver(tree, {"--progress", "report", folder});
    EXPECT_FALSE(piped.err.contains('\r'));
    EXPECT_TRUE(piped.err.endsWith("300 found\n")) << piped.err.constData();
}

// With results on the terminal that shows progress, the progress line is
// cleared before results are written, so no path is shown after it. Fuzzy
// query terms read the files slowly enough for results to come in while
// progress is drawn (refreshed each quarter second); the files grow until
// they do.
TEST_F(SorvantSearchDriverTest, ProgressIsClearedBeforeResultsOnTheSameTerminal)
{
    const QByteArray folder = root + "/slow";
    test::makeDirBytes(folder);
    const char* const words[] = {"lorem ", "ipsum ", "dolor ", "sit ", "amet ", "elit ", "sed "};
    QByteArray shown;
    bool progressBeforeResults = false;
    for (qsizetype size = 256 << 10; size <= 16 << 20 && !progressBeforeResults; size *= 4) {
        QByteArray text;
        for (unsigned i = 0; text.size() < size; i = i * 1103515245U + 12345U)
            text += words[(i >> 16) % std::size(words)];
        text += "the report\n";
        for (int i = 0; i < 48; ++i)
            test::writeFileBytes(folder + "/file-" + QByteArray::number(i) + ".txt", text);
        const Terminal pty = openTerminal();
        ASSERT_GE(pty.terminal, 0);
        const int master = pty.master;
        const int terminal = pty.terminal;
        // The terminal is read while the driver writes, so it never blocks.
        shown.clear();
        std::thread reader([master, &shown] {
            char buffer[4096];
            for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
                shown.append(buffer, n);
        });
        Driver driver(tree, {"--progress", "--threads", "1", "-c", "--scan-all", "--mode", "terms", "-z", "report",
                             folder},
                      terminal, -1, terminal);
        ::close(terminal);
        ASSERT_TRUE(driver.started());
        const DriverRun run = driver.finish();
        reader.join(); // the last writer gone, the read ends (EIO)
        ::close(master);
        ASSERT_EQ(run.status, 0);
        ASSERT_EQ(shown.count(folder + "/file-"), 48) << shown.toPercentEncoding().constData();
        progressBeforeResults = shown.indexOf(" found") < shown.lastIndexOf(folder + "/file-");
    }
    ASSERT_TRUE(progressBeforeResults) << "no progress was drawn while results came in";
    // Each path starts a line as shown: after a new line, or after the
    // progress line was taken away.
    for (qsizetype at = shown.indexOf(folder); at >= 0; at = shown.indexOf(folder, at + 1)) {
        const QByteArray before = shown.left(at);
        EXPECT_TRUE(at == 0 || before.endsWith('\n') || before.endsWith("\r\x1b[K"))
            << shown.mid(std::max<qsizetype>(at - 40, 0), 80).toPercentEncoding().constData();
    }
}

TEST_F(SorvantSearchDriverTest, DotInAWorkingFolderDeeperThanPathMaxIsNamed)
{
    // 20 levels of 250 bytes: 5,000 bytes, past PATH_MAX (4,096).
    int fd = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const QByteArray level(250, 'd');
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(::mkdirat(fd, level.constData(), 0755), 0);
        const int next = ::openat(fd, level.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        ASSERT_GE(fd = next, 0);
    }
    const DriverRun run = runDriver(tree, {"x", "."}, fd);
    ::close(fd);
    EXPECT_EQ(run.status, 2);
    // The whole path is named, never an empty one.
    EXPECT_FALSE(run.err.contains("no such folder: \n")) << run.err.constData();
    EXPECT_TRUE(run.err.contains(root + "/" + level + "/" + level)) << run.err.left(200).constData();
}

} // namespace
} // namespace sorvant
