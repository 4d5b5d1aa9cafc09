// Waits on children that end them as soon as a child ends, saying how.
#include "tests/support/spawned_child.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_tree.h"

#include <QFile>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <unistd.h>
#include <string>

using namespace sorvant;

namespace {

// A wait for what a child should do ends when the child ends first, long
// before its patience, and says which child ended and how; a child that
// made the condition true just before it ended, or one still running when
// the patience is spent, is told apart.
TEST(SpawnedChildTest, AWaitEndsWithTheChildThatEndedFirst)
{
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sh"));
    ASSERT_FALSE(shell.isEmpty());
    const struct {
        const char* script;
        std::chrono::milliseconds patience;
        const char* answer;       // how the answer starts
        const char* output;       // what it also holds
    } cases[] = {
        {"echo cannot read the settings; exit 3", 10 * test::kPatience,
         "helper exited with 3 before it was ready: cannot read the settings", ""},
        {"echo dying >&2; kill -KILL $$", 10 * test::kPatience, "helper was killed by signal 9", "dying"},
        {": > \"$0.ready\"", 10 * test::kPatience, "", ""},
        {"exec sleep 600", std::chrono::milliseconds(300), "not ready within 300 ms", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        test::TempTree tree;
        const QString file = tree.filePath("child");
        test::SpawnedChild child(QStringLiteral("helper"), shell, {QStringLiteral("-c"), QString::fromUtf8(c.script), file},
                                 file + QLatin1String(".log"));
        const std::string answer = test::waitUntilReadyUnlessAChildEnds(
            [&] { return QFile::exists(file + QLatin1String(".ready")); }, {&child}, c.patience);
        EXPECT_EQ(answer.substr(0, std::strlen(c.answer)), c.answer) << answer;
        EXPECT_NE(answer.find(c.output), std::string::npos) << answer;
    }
}

// A forked child's answer says how it ended, for the message of the test
// that waited on it: its exit code, the signal that killed it, or the time
// limit it outlived.
TEST(SpawnedChildTest, AForkedChildsAnswerSaysHowItEnded)
{
    const struct {
        const char* name;
        std::function<QByteArray()> work;
        std::chrono::milliseconds limit;
        const char* how;
    } cases[] = {
        {"exit", [] { ::_exit(3); return QByteArray(); }, test::kPatience, "exited with 3"},
        {"signal", [] { ::raise(SIGKILL); return QByteArray(); }, test::kPatience, "was killed by signal 9"},
        {"time limit", [] { ::pause(); return QByteArray(); }, std::chrono::milliseconds(300),
         "was killed after its time limit of 300 ms"},
        {"answer", [] { return QByteArray("done"); }, test::kPatience, "exited with 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const test::ChildAnswer answer = test::answerOfAChild(c.work, test::ChildRights::Inherited, c.limit);
        EXPECT_EQ(answer.how.substr(0, std::strlen(c.how)), c.how) << answer.how;
    }
}

} // namespace
