#include "platform/task.h"

#include "platform/log.h"

#include <gtest/gtest.h>

#include <thread>

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

TEST(Task, RunsOnAWorkerThreadWithoutEventLoop)
{
    bool ok = false;
    std::thread worker([&] { ok = Task::launchTaskAndWaitUntilExitWithLaunchPath(QStringLiteral("/bin/true"), {}); });
    worker.join();
    EXPECT_TRUE(ok);
}

} // namespace
} // namespace sorvant
