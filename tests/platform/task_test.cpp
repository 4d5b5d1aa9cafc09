#include "platform/task.h"

#include "platform/log.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <chrono>
#include <thread>

#include <unistd.h>

namespace sorvant {
namespace {

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
    QByteArray got;
    for (int i = 0; i < 500 && got.isEmpty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        QFile file(out);
        if (file.open(QIODevice::ReadOnly))
            got = file.readAll();
    }
    QFile::remove(out);
    EXPECT_EQ(got, QByteArray("-x\xFE"));
    QString error;
    EXPECT_FALSE(Task::startDetached(QStringLiteral("/nonexistent/program"), {}, {}, &error));
    EXPECT_FALSE(error.isEmpty());
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
