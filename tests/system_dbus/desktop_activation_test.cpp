#include "system/desktop_entries.h"

#include "tests/system/desktop_test_support.h"
#include "tests/system_dbus/fake_bus_service.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

class DesktopActivation : public testing::Test
{
protected:
    void SetUp() override { SORVANT_SKIP_WITHOUT_SESSION_BUS(); }
    test::DesktopHome desktop;
};

TEST_F(DesktopActivation, OpenAndActivateGoToTheApplicationsObject)
{
    test::FakeBusService service("org.example.Viewer");
    ASSERT_TRUE(service.isRegistered());
    desktop.writeApplication("org.example.Viewer.desktop", "Viewer", "/nonexistent %U", "DBusActivatable=true\n");
    const DesktopEntry entry = desktopEntryForID("org.example.Viewer");
    QString error;
    ASSERT_TRUE(launchDesktopEntry(entry, {"/a b", "http://h/"}, {}, &error)) << error.toStdString();
    ASSERT_TRUE(launchDesktopEntry(entry, {}, {}, &error)) << error.toStdString();
    ASSERT_TRUE(activateDesktopEntryAction(entry, "add", {QVariant("x")}, &error)) << error.toStdString();

    const QList<test::RecordedCall> calls = service.calls();
    ASSERT_EQ(calls.size(), 3);
    for (const test::RecordedCall& call : calls) {
        EXPECT_EQ(call.path, "/org/example/Viewer");
        EXPECT_EQ(call.interface, "org.freedesktop.Application");
    }
    EXPECT_EQ(calls[0].member, "Open");
    EXPECT_EQ(calls[0].arguments.value(0).toStringList(), QStringList({"file:///a%20b", "http://h/"}));
    EXPECT_EQ(calls[1].member, "Activate");
    EXPECT_EQ(calls[2].member, "ActivateAction");
    EXPECT_EQ(calls[2].arguments.value(0).toString(), "add");
}

// The Exec= line runs only when the bus says the name cannot be activated.
TEST_F(DesktopActivation, AServiceThatCannotBeActivatedFallsBackToTheExecLine)
{
    const QString output = desktop.home.tree.filePath("out.txt");
    const QString recorder = desktop.writeArgumentRecorder(output);
    desktop.writeApplication("org.example.Missing.desktop", "Missing", recorder + " %f", "DBusActivatable=true\n");
    ASSERT_TRUE(launchDesktopEntry(desktopEntryForID("org.example.Missing"), {"/doc"}));
    EXPECT_EQ(test::waitForFile(output), "arg:/doc\nEND\n");
}

// Regression: an application that answered after the timeout got the file
// twice, once over the bus and once from the Exec= line started at the
// timeout. One that refuses is not started again either. (The Exec= line
// names no program: had it run, the launch would fail with its reason.)
// The slow service answers only once the launch has given up; the refusal
// may take seconds on a loaded machine.
TEST_F(DesktopActivation, ASlowOrRefusingServiceIsNotStartedAgain)
{
    desktop.writeApplication("org.example.Slow.desktop", "Slow", "/nonexistent/slow %f", "DBusActivatable=true\n");
    desktop.writeApplication("org.example.Refuser.desktop", "Refuser", "/nonexistent/refuser %f",
                             "DBusActivatable=true\n");
    test::FakeBusService slow("org.example.Slow");
    test::FakeBusService refuser("org.example.Refuser");
    ASSERT_TRUE(slow.isRegistered() && refuser.isRegistered());
    slow.holdAnswers();
    refuser.setFailing(true);
    LaunchOptions impatient;
    impatient.dbusTimeoutMs = 200;
    QString error;
    EXPECT_TRUE(launchDesktopEntry(desktopEntryForID("org.example.Slow"), {"/doc"}, impatient, &error))
        << error.toStdString();
    EXPECT_TRUE(test::waitUntil([&slow] { return !slow.calls().isEmpty(); }));
    slow.releaseAnswers();
    EXPECT_EQ(slow.calls().size(), 1);
    LaunchOptions options;
    options.dbusTimeoutMs = test::kPatienceMs;
    EXPECT_FALSE(launchDesktopEntry(desktopEntryForID("org.example.Refuser"), {"/doc"}, options, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("refused"))) << error.toStdString();
    EXPECT_FALSE(error.contains(QStringLiteral("nonexistent"))) << error.toStdString();
    EXPECT_EQ(refuser.calls().size(), 1);
}

TEST_F(DesktopActivation, AnAbsentServiceWithoutExecFails)
{
    desktop.writeApplication("org.example.Absent.desktop", "Absent", "", "DBusActivatable=true\n");
    QString error;
    LaunchOptions options;
    options.dbusTimeoutMs = test::kPatienceMs;
    EXPECT_FALSE(launchDesktopEntry(desktopEntryForID("org.example.Absent"), {"/doc"}, options, &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
} // namespace sorvant
