// The headless driver run as a user runs it: the real binary, with raw bytes
// for arguments, standard output on a full device or a pipe, and signals.

#include "platform/xattr.h"
#include "tests/support/temp_tree.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
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
// standard output on `outFd`, standard error on a file of `tree`, and its
// working folder at `cwdFd` (when not -1).
class Driver
{
public:
    Driver(test::TempTree& tree, const std::vector<QByteArray>& arguments, int outFd, int cwdFd = -1)
        : m_errPath(QFile::encodeName(tree.filePath(QStringLiteral("driver-stderr"))))
    {
        const int errFd = ::open(m_errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
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
