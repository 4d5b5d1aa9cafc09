#include "platform/task.h"

#include "platform/log.h"
#include "tests/support/inherited_signals.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <chrono>
#include <thread>

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

TEST(Task, RunsOnAWorkerThreadWithoutEventLoop)
{
    bool ok = false;
    std::thread worker([&] { ok = Task::launchTaskAndWaitUntilExitWithLaunchPath(QStringLiteral("/bin/true"), {}); });
    worker.join();
    EXPECT_TRUE(ok);
}

} // namespace
} // namespace sorvant
