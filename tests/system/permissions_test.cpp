#include "system/permissions.h"

#include "platform/capabilities.h"
#include "system/bundle.h"
#include "system/workspace_monitors.h"
#include "tests/support/log_capture.h"
#include "tests/support/main_bundle_scope.h"
#include "tests/support/temp_tree.h"
#include "tests/system/alert_recorder.h"
#include "tests/system/desktop_test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

namespace sorvant {
namespace {

class Permissions : public testing::Test
{
protected:
    // Put back when the test ends, whatever it set.
    test::MainBundleScope m_mainBundle;

    void SetUp() override
    {
        Bundle::setMainBundle(Bundle({}, {{"CFBundleName", "Tester"}}));
        previousOpener = setPrivacySettingsOpener([this](const QString& section) { opened.append(section); });
        RunningApplicationsMonitor::sharedMonitor().scanRunningApplications({"org.example.Running"});
    }
    void TearDown() override
    {
        setPrivacySettingsOpener(previousOpener);
        setAutomationProbe({});
    }
    // A file this process cannot read, whoever it runs as.
    QString unreadableFile()
    {
        if (::getuid() == 0)
            return "/proc/self/mem";
        const QString path = tree.writeFile("secret", "x");
        QFile::setPermissions(path, QFile::Permissions());
        return path;
    }
    test::DesktopHome desktop;
    test::TempTree tree;
    test::AlertRecorder alerts;
    QStringList opened;
    PrivacySettingsOpener previousOpener;
};

TEST_F(Permissions, LinuxNeedsNoPermissions)
{
    EXPECT_TRUE(requestFullDiskAccessAtPath(unreadableFile()));
    EXPECT_FALSE(requestFullDiskAccessAtPath({}));
    EXPECT_TRUE(permittedToAutomateApplicationWithBundleIdentifier("org.example.Running", true));
    EXPECT_FALSE(permittedToAutomateApplicationWithBundleIdentifier("org.example.NotRunning", true));
    EXPECT_FALSE(permittedToAutomateApplicationWithBundleIdentifier({}, true));
    EXPECT_TRUE(alerts.alerts.isEmpty());
}

TEST_F(Permissions, FullDiskAccessProbesAndAlerts)
{
    ScopedCapabilities flags({.privacyPermissions = true});
    const QString folder = tree.makeDir("writable");
    EXPECT_TRUE(requestFullDiskAccessAtPath(folder));
    EXPECT_TRUE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_TRUE(requestFullDiskAccessAtPath(tree.writeFile("readable", "x")));
    EXPECT_TRUE(requestFullDiskAccessAtPath(tree.filePath("missing")));
    EXPECT_TRUE(alerts.alerts.isEmpty());

    alerts.answer = 1;
    EXPECT_FALSE(requestFullDiskAccessAtPath(unreadableFile()));
    ASSERT_EQ(alerts.alerts.size(), 1);
    EXPECT_EQ(alerts.alerts[0].messageText, "Full Disk Access is Required");
    EXPECT_EQ(alerts.alerts[0].informativeText,
              "Please enable full disk access in System Preferences > Security & Privacy for Tester before "
              "attempting this operation again.");
    EXPECT_EQ(alerts.alerts[0].defaultButton, "System Preferences");
    EXPECT_EQ(alerts.alerts[0].alternateButton, "Cancel");
    EXPECT_EQ(opened, QStringList({"Privacy_AllFiles"}));
}

TEST_F(Permissions, AProbeFileAlreadyThereIsKept)
{
    ScopedCapabilities flags({.privacyPermissions = true});
    const QString kept = tree.writeFile("folder/.velmorappkit.fulldiskcheck", "mine");
    EXPECT_TRUE(requestFullDiskAccessAtPath(tree.filePath("folder")));
    QFile file(kept);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "mine");
}

TEST_F(Permissions, AutomationFollowsTheSystemsAnswer)
{
    ScopedCapabilities flags({.privacyPermissions = true});
    int status = -1744;
    int asked = 0;
    setAutomationProbe([&](const QString&, bool) { ++asked; return status; });
    test::LogCapture log;
    EXPECT_TRUE(permittedToAutomateApplicationWithBundleIdentifier("org.example.Running", true));
    EXPECT_FALSE(permittedToAutomateApplicationWithBundleIdentifier("org.example.NotRunning", true));
    EXPECT_EQ(asked, 1) << "an application that is not running is not asked about";
    status = -1743;
    EXPECT_FALSE(permittedToAutomateApplicationWithBundleIdentifier("org.example.Running", false));
    EXPECT_EQ(log.lines(), QStringList({"WARNING: Automation of org.example.Running not possible: -1743"}));
    EXPECT_TRUE(alerts.alerts.isEmpty());
    alerts.answer = 1;
    EXPECT_FALSE(permittedToAutomateApplicationWithBundleIdentifier("org.example.Running", true));
    ASSERT_EQ(alerts.alerts.size(), 1);
    EXPECT_EQ(alerts.alerts[0].messageText, "Automation is Required");
    EXPECT_EQ(opened, QStringList({"Privacy_Automation"}));
}

} // namespace
} // namespace sorvant
