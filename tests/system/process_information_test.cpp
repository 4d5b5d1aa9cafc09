#include "system/process_information.h"

#include "platform/child_signals.h"
#include "platform/user_defaults.h"
#include "system/bundle.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_tree.h"
#include "system/standard_folders.h"
#include "tests/support/temporary_home.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include <sys/wait.h>
#include <unistd.h>

namespace sorvant {
namespace {

class ProcessInformationTest : public ::testing::Test
{
protected:
    test::TemporaryHome home{resetStandardFolders};
    test::TempTree tree;

    // A fake process table: this process's parent is `parent`, named `name`.
    QString fakeProc(int parent, const QByteArray& name)
    {
        tree.writeFile(QStringLiteral("proc/%1/stat").arg(::getpid()),
                       QByteArray::number(::getpid()) + " (my (odd) name) S " + QByteArray::number(parent) + " 1 1");
        tree.writeFile(QStringLiteral("proc/%1/comm").arg(parent), name + "\n");
        tree.writeFile(QStringLiteral("proc/%1/stat").arg(parent), QByteArray::number(parent) + " (x) S 1 1 1");
        return tree.filePath("proc");
    }
};

TEST_F(ProcessInformationTest, ModelNameFromFirmwareOrDeviceTree)
{
    EXPECT_TRUE(modelName(tree.path()).isNull());
    tree.writeFile("proc/device-tree/model", QByteArray("Board 4 Model B\0", 16));
    EXPECT_EQ(modelName(tree.path()), "Board 4 Model B");
    tree.writeFile("sys/class/dmi/id/product_name", "ThinkStation P3\n");
    EXPECT_EQ(modelName(tree.path() + '/'), "ThinkStation P3");
}

TEST_F(ProcessInformationTest, LaunchOriginFromTheParent)
{
    struct Case
    {
        int parent;
        QByteArray name;
        bool launchd;
    };
    for (const Case& c : {Case {1, "init", true}, Case {4242, "systemd", true}, Case {4243, "qtcreator", false}}) {
        SCOPED_TRACE(c.name.toStdString());
        const QString proc = fakeProc(c.parent, c.name);
        EXPECT_EQ(launchedByLaunchd(proc), c.launchd);
        EXPECT_TRUE(launchedByProcess(QString::fromLatin1(c.name), proc));
        EXPECT_FALSE(launchedByProcess("other", proc));
    }
    EXPECT_FALSE(launchedByProcess(QString()));
    EXPECT_FALSE(launchedByLaunchd(tree.filePath("none")));
}

TEST_F(ProcessInformationTest, SpawnedProcessIsFoundAndInterrupted)
{
    // The child must be interruptible whatever this process ignores.
    QProcess child;
    child.setChildProcessModifier(resetInheritedSignals);
    child.start("sleep", {"30"});
    ASSERT_TRUE(child.waitForStarted());
    const int pid = static_cast<int>(child.processId());
    const QVariantMap info = infoForProcessWithObjectForKey("pid", pid);
    EXPECT_EQ(info.value("CFBundleName").toString(), "sleep");
    EXPECT_EQ(info.value("ParentPSN").toInt(), ::getpid());
    EXPECT_EQ(infoForProcessWithObjectForKey("CFBundleName", "sleep").value("pid").toInt() > 0, true);
    EXPECT_TRUE(isProcessWithBundleNameRunning("sleep"));
    EXPECT_FALSE(isProcessWithBundleNameRunning("no-such-program-here"));
    EXPECT_TRUE(infoForProcessWithObjectForKey(QString(), 1).isEmpty());

    EXPECT_FALSE(killProcessWithIdentifier(::getpid()));
    EXPECT_FALSE(killProcessWithIdentifier(0));
    EXPECT_FALSE(killProcessWithBundleName("no-such-program-here"));
    EXPECT_TRUE(killProcessWithIdentifier(pid));
    ASSERT_TRUE(child.waitForFinished(5000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(processNumber(), ::getpid());
}

// Standard error goes to the file for the life of the object, then back.
class StandardErrorRestorer
{
public:
    StandardErrorRestorer() : m_saved(::dup(STDERR_FILENO)) {}
    ~StandardErrorRestorer()
    {
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
    }
    StandardErrorRestorer(const StandardErrorRestorer&) = delete;
    StandardErrorRestorer& operator=(const StandardErrorRestorer&) = delete;

private:
    int m_saved;
};

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(ProcessInformationTest, StandardErrorLogGetsHeadersOnlyWhenSomethingChanged)
{
    UserDefaults defaults(tree.filePath("defaults.plist"));
    const QString log = tree.filePath("Logs/Sorvant/Sorvant.log");
    const Bundle saved = Bundle::mainBundle();
    Bundle::setMainBundle(Bundle(tree.path(), {{"CFBundleName", "Sorvant"}, {"CFBundleShortVersionString", "2.3"}}));
    const Bundle& bundle = applicationBundle();
    const QByteArray header = QStringLiteral("%1 %2, Linux %3\n\n")
                                  .arg(bundle.localizedBundleName(), bundle.getShortVersionString(),
                                       operatingSystemVersionString())
                                  .toUtf8();
    StandardErrorRestorer restore;
    ASSERT_TRUE(redirectStandardErrorToFile(log, defaults));
    ASSERT_EQ(::write(STDERR_FILENO, "first\n", 6), 6);
    EXPECT_EQ(contents(log), header + "first\n");

    ASSERT_TRUE(redirectStandardErrorToFile(log, defaults)); // nothing changed
    ASSERT_EQ(::write(STDERR_FILENO, "second\n", 7), 7);
    EXPECT_EQ(contents(log), header + "first\nsecond\n");

    defaults.setObject(QStringLiteral("old system"), "StandardErrorOSVersion");
    ASSERT_TRUE(redirectStandardErrorToFile(log, defaults));
    EXPECT_EQ(contents(log), header + "first\nsecond\n\n" + header.chopped(1));

    defaults.setObject(QStringLiteral("0.0.1"), "StandardErrorVersion");
    ASSERT_TRUE(redirectStandardErrorToFile(log, defaults));
    EXPECT_EQ(contents(log), header);
    EXPECT_EQ(defaults.objectForKey("StandardErrorVersion").toString(), "2.3");
    EXPECT_TRUE(header.startsWith("Sorvant 2.3, Linux "));
    Bundle::setMainBundle(saved);
}

TEST_F(ProcessInformationTest, RedirectionFailuresAnswerNo)
{
    UserDefaults defaults(tree.filePath("defaults.plist"));
    test::LogCapture captured;
    EXPECT_FALSE(redirectStandardErrorToFile(QString(), defaults));
    tree.writeFile("blocker", "x");
    EXPECT_FALSE(redirectStandardErrorToFile(tree.filePath("blocker/inside.log"), defaults));
    EXPECT_FALSE(defaults.objectForKey("StandardErrorVersion").isValid());
}

} // namespace
} // namespace sorvant
