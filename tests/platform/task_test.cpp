#include "platform/task.h"

#include "platform/log.h"
#include "tests/support/inherited_signals.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <atomic>
#include <memory>
#include <chrono>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {
namespace {

// What a detached program wrote to `path` (as a whole: it moves the file
// there when done); empty when nothing came within five seconds.
QByteArray waitForFile(const QString& path)
{
    QByteArray got;
    for (int i = 0; i < 500 && got.isEmpty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            got = file.readAll();
    }
    QFile::remove(path);
    return got;
}

// The ignored and blocked standard signals (SIGHUP … SIGSYS) in the text of
// a /proc status file, as "SigBlk=… SigIgn=…" in hexadecimal; empty when a
// line is missing.
QString ignoredAndBlocked(const QByteArray& status)
{
    constexpr quint64 kStandardSignalBits = (quint64(1) << SIGSYS) - 1;
    QString summary;
    for (const char* name : {"SigBlk", "SigIgn"}) {
        const QRegularExpression line(QStringLiteral("^%1:\\s*([0-9a-f]+)$").arg(QLatin1String(name)),
                                      QRegularExpression::MultilineOption);
        const QRegularExpressionMatch match = line.match(QString::fromLatin1(status));
        if (!match.hasMatch())
            return QString();
        const quint64 bits = match.captured(1).toULongLong(nullptr, 16) & kStandardSignalBits;
        summary += QStringLiteral("%1=%2 ").arg(QLatin1String(name)).arg(bits, 0, 16);
    }
    return summary.trimmed();
}

// The descriptors this process has open, counted in /proc/self/fd (less
// the one that reads it).
int openDescriptorCount()
{
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr)
        return -1;
    int count = 0;
    while (const dirent* entry = ::readdir(dir))
        count += entry->d_name[0] != '.';
    ::closedir(dir);
    return count - 1;
}

// A thread that opens its own file again and again and holds each
// descriptor for a while, checking all along that the descriptor still
// leads to its file and reads its text. Counts what went wrong: a
// descriptor closed under it (EBADF), or one that led to another file.
class FileProbe
{
public:
    FileProbe(QByteArray path, QByteArray text) : m_path(std::move(path)), m_text(std::move(text))
    {
        struct stat status {};
        if (::stat(m_path.constData(), &status) == 0)
            m_inode = status.st_ino;
        m_thread = std::thread([this] { run(); });
    }
    ~FileProbe() { stop(); }
    FileProbe(const FileProbe&) = delete;
    FileProbe& operator=(const FileProbe&) = delete;

    void stop()
    {
        m_stop.store(true);
        if (m_thread.joinable())
            m_thread.join();
    }
    [[nodiscard]] int opens() const { return m_opens.load(); }
    [[nodiscard]] int faults() const { return m_faults.load(); }

private:
    // Whether `fd` still is this probe's file, read from its start.
    [[nodiscard]] bool holdsItsFile(int fd) const
    {
        struct stat status {};
        if (::fstat(fd, &status) != 0 || status.st_ino != m_inode)
            return false;
        QByteArray read(m_text.size() + 1, '\0');
        return ::pread(fd, read.data(), size_t(read.size()), 0) == m_text.size()
               && read.left(m_text.size()) == m_text;
    }
    void run()
    {
        while (!m_stop.load()) {
            const int fd = ::open(m_path.constData(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                m_faults.fetch_add(1);
                continue;
            }
            m_opens.fetch_add(1);
            bool intact = true;
            for (int check = 0; check < 2 && intact; ++check)
                intact = holdsItsFile(fd);
            if (!intact) {
                // Closed under it: the number is someone else's now, and
                // is not closed again here.
                m_faults.fetch_add(1);
                continue;
            }
            ::close(fd);
        }
    }

    const QByteArray m_path;
    const QByteArray m_text;
    ino_t m_inode = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_opens{0};
    std::atomic<int> m_faults{0};
    std::thread m_thread;
};

TEST(Task, CapturesOutputAndStatus)
{
    Task task(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("cat; echo err >&2; exit 3")});
    task.setStandardInput("hello");
    EXPECT_TRUE(task.launchAndWaitUntilExit());
    EXPECT_EQ(task.terminationStatus(), 3);
    EXPECT_EQ(task.standardOutput(), QByteArray("hello"));
    EXPECT_EQ(task.standardError(), QByteArray("err\n"));
    EXPECT_FALSE(task.launchAndSleepUntilExit()) << "a non-zero status is a failure";
}

TEST(Task, SucceedsOnlyForZeroExit)
{
    EXPECT_TRUE(Task::launchTaskAndWaitUntilExitWithLaunchPath(QStringLiteral("/bin/true"), {}));
    EXPECT_FALSE(Task::launchTaskAndWaitUntilExitWithLaunchPath(QStringLiteral("/bin/false"), {}));
}

TEST(Task, MissingToolFailsAndLogs)
{
    QStringList lines;
    auto previous = setLogSink([&](const QString& line) { lines << line; });
    Task task(QStringLiteral("/nonexistent/tool"), {});
    EXPECT_FALSE(task.launchAndWaitUntilExit());
    EXPECT_FALSE(Task().launchAndWaitUntilExit());
    setLogSink(previous);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.front().startsWith(QStringLiteral("ERROR: "))) << lines.front().toStdString();
}

TEST(Task, TimeoutKillsTheChild)
{
    auto previous = setLogSink([](const QString&) {});
    Task task(QStringLiteral("/bin/sleep"), {QStringLiteral("30")});
    task.setTimeoutMilliseconds(100);
    EXPECT_FALSE(task.launchAndWaitUntilExit());
    setLogSink(previous);
}

TEST(Task, ArgumentsKeepTheirBytes)
{
    // A name with a byte that is not UTF-8 reaches the child as it is.
    const QString odd = QStringLiteral("a") + QChar(0xDCFF) + QStringLiteral("\u00e9");
    Task task(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("printf %s \"$1\""), QStringLiteral("sh"), odd});
    ASSERT_TRUE(task.launchAndSleepUntilExit());
    EXPECT_EQ(task.standardOutput(), QByteArray("a\xFF\xC3\xA9"));
}

TEST(Task, DetachedProgramsGetTheirArgumentsAndFailuresAreSaid)
{
    const QString out = QDir::temp().filePath(QStringLiteral("sorvant-detached-%1").arg(::getpid()));
    const QString odd = QStringLiteral("-x") + QChar(0xDCFE);
    ASSERT_TRUE(Task::startDetached(QStringLiteral("sh"), {QStringLiteral("-c"),
                                                            QStringLiteral("printf %s \"$1\" > \"$2.tmp\"; mv \"$2.tmp\" \"$2\""),
                                                            QStringLiteral("sh"), odd, out}));
    EXPECT_EQ(waitForFile(out), QByteArray("-x\xFE"));
    QString error;
    EXPECT_FALSE(Task::startDetached(QStringLiteral("/nonexistent/program"), {}, {}, &error));
    EXPECT_FALSE(error.isEmpty());
}

// Regression: a program started from Sorvant inherited an ignored SIGINT
// (and the SIGPIPE Task ignores itself), so it could not be interrupted.
TEST(Task, ChildrenStartWithDefaultSignals)
{
    const test::InheritedSignals inherited;
    Task task(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exec cat /proc/self/status")});
    ASSERT_TRUE(task.launchAndSleepUntilExit());
    EXPECT_EQ(ignoredAndBlocked(task.standardOutput()), "SigBlk=0 SigIgn=0");
    Task interrupted(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("kill -INT $$; echo survived")});
    EXPECT_FALSE(interrupted.launchAndWaitUntilExit()) << "an interrupt ends the child";
    EXPECT_TRUE(interrupted.standardOutput().isEmpty());

    const QString out = QDir::temp().filePath(QStringLiteral("sorvant-signals-%1").arg(::getpid()));
    ASSERT_TRUE(Task::startDetached(QStringLiteral("sh"), {QStringLiteral("-c"),
                                                            QStringLiteral("cat /proc/self/status > \"$1.tmp\"; mv \"$1.tmp\" \"$1\""),
                                                            QStringLiteral("sh"), out}));
    EXPECT_EQ(ignoredAndBlocked(waitForFile(out)), "SigBlk=0 SigIgn=0");
}

// Regression: a Task closed its pipe descriptors twice, the second time
// after another thread had opened a file under one of the numbers, so that
// thread's descriptor was closed under it (20 of 20 rounds).
TEST(Task, OtherThreadsDescriptorsSurviveTasks)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    constexpr int kProbes = 4;
    constexpr int kRounds = 20;
    std::vector<QByteArray> paths;
    for (int i = 0; i < kProbes; ++i) {
        paths.push_back(QFile::encodeName(folder.filePath(QStringLiteral("probe-%1").arg(i))));
        QFile file(QFile::decodeName(paths.back()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("the file of probe " + QByteArray::number(i));
    }
    int faultyRounds = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::unique_ptr<FileProbe>> probes;
        for (int i = 0; i < kProbes; ++i)
            probes.push_back(std::make_unique<FileProbe>(paths[size_t(i)], "the file of probe " + QByteArray::number(i)));
        // Each probe holds a file of its own before the Tasks start.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (const auto& probe : probes) {
            while (probe->opens() == 0 && std::chrono::steady_clock::now() < deadline)
                std::this_thread::yield();
            ASSERT_GT(probe->opens(), 0);
        }
        for (int i = 0; i < 10; ++i) {
            Task empty(QStringLiteral("/bin/true"), {});
            empty.setTimeoutMilliseconds(30000);
            EXPECT_TRUE(empty.launchAndSleepUntilExit());
            Task fed(QStringLiteral("/bin/cat"), {});
            fed.setStandardInput("fed through a pipe");
            fed.setTimeoutMilliseconds(30000);
            EXPECT_TRUE(fed.launchAndSleepUntilExit());
            EXPECT_EQ(fed.standardOutput(), QByteArray("fed through a pipe"));
        }
        int faults = 0;
        for (const auto& probe : probes) {
            probe->stop();
            faults += probe->faults();
        }
        faultyRounds += faults > 0;
    }
    EXPECT_EQ(faultyRounds, 0) << "rounds of " << kRounds << " in which a descriptor of another thread was closed";
}

// Every descriptor a Task opens is closed once it ends: one that ran, fed
// or not, one that timed out, one whose program could not be started and
// one started detached.
TEST(Task, LeavesNoDescriptorOpen)
{
    auto previous = setLogSink([](const QString&) {});
    // A first run opens what stays open for the process (the logger's, the
    // PATH lookup's).
    (void)Task::launchTaskAndWaitUntilExitWithLaunchPath(QStringLiteral("true"), {});
    const int before = openDescriptorCount();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(Task::launchTaskAndWaitUntilExitWithLaunchPath(QStringLiteral("true"), {}));
        Task fed(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("cat; echo err >&2")});
        fed.setStandardInput(QByteArray(100000, 'x'));
        EXPECT_TRUE(fed.launchAndSleepUntilExit());
        Task unread(QStringLiteral("/bin/true"), {});
        unread.setStandardInput(QByteArray(100000, 'x'));
        EXPECT_TRUE(unread.launchAndSleepUntilExit()) << "input the child never reads";
        Task missing(QStringLiteral("/nonexistent/tool"), {});
        EXPECT_FALSE(missing.launchAndWaitUntilExit());
        Task notProgram(QStringLiteral("/dev/null"), {});
        EXPECT_FALSE(notProgram.launchAndSleepUntilExit());
        EXPECT_FALSE(Task::startDetached(QStringLiteral("/nonexistent/program"), {}));
    }
    Task slow(QStringLiteral("/bin/sleep"), {QStringLiteral("30")});
    slow.setTimeoutMilliseconds(50);
    EXPECT_FALSE(slow.launchAndWaitUntilExit());
    setLogSink(previous);
    EXPECT_EQ(openDescriptorCount(), before);
}

TEST(Task, RunsOnAWorkerThreadWithoutEventLoop)
{
    bool ok = false;
    std::thread worker([&] { ok = Task::launchTaskAndWaitUntilExitWithLaunchPath(QStringLiteral("/bin/true"), {}); });
    worker.join();
    EXPECT_TRUE(ok);
}

} // namespace
} // namespace sorvant
