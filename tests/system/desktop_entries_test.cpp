#include "system/desktop_entries.h"

#include "tests/system/desktop_test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

namespace sorvant {
namespace {

class DesktopEntries : public testing::Test
{
protected:
    test::DesktopHome desktop;
};

TEST_F(DesktopEntries, FoldersFollowTheSearchPaths)
{
    EXPECT_EQ(applicationsFolders(),
              QStringList({desktop.dataHome + "/applications", desktop.dataDir + "/applications",
                           test::DesktopHome::sharedMimeFolder() + "/applications"}));
    qunsetenv("XDG_DATA_DIRS");
    EXPECT_EQ(applicationsFolders().mid(1),
              QStringList({"/usr/local/share/applications", "/usr/share/applications"}));
}

TEST_F(DesktopEntries, IDsAreRelativePathsWithDashes)
{
    EXPECT_EQ(desktopFileIDForPath("/u/apps/kde/viewer.desktop", "/u/apps"), "kde-viewer.desktop");
    EXPECT_EQ(desktopFileIDForPath("/u/apps/viewer.desktop", "/u/apps/"), "viewer.desktop");
    EXPECT_TRUE(desktopFileIDForPath("/u/apps/viewer.desktop", "/other").isNull());
    EXPECT_TRUE(desktopFileIDForPath("/u/apps/viewer.txt", "/u/apps").isNull());
    EXPECT_TRUE(desktopFileIDForPath("/u/appsx/viewer.desktop", "/u/apps").isNull());
}

TEST_F(DesktopEntries, TheUsersEntryShadowsTheSystems)
{
    const QString user = desktop.writeApplication("org.x.Viewer.desktop", "Mine", "viewer");
    desktop.writeApplication("org.x.Viewer.desktop", "System", "viewer", {}, true);
    const QString other = desktop.writeApplication("org.x.Other.desktop", "Other", "other", {}, true);
    EXPECT_EQ(desktopEntryPathForID("org.x.Viewer.desktop"), user);
    EXPECT_EQ(desktopEntryPathForID("org.x.Viewer"), user);
    EXPECT_EQ(desktopEntryForID("org.x.Viewer").name(), "Mine");
    EXPECT_EQ(desktopEntryPathForID("org.x.Other.desktop"), other);
    EXPECT_TRUE(desktopEntryPathForID("missing.desktop").isNull());
    EXPECT_EQ(allDesktopEntries().size(), 2);
}

TEST_F(DesktopEntries, HiddenEntriesRemoveTheID)
{
    desktop.writeApplication("gone.desktop", "Gone", "gone", {}, true);
    desktop.writeEntry("gone.desktop", "[Desktop Entry]\nType=Application\nName=Gone\nHidden=true\n");
    EXPECT_TRUE(desktopEntryPathForID("gone.desktop").isNull());
    EXPECT_TRUE(allDesktopEntries().isEmpty());
}

TEST_F(DesktopEntries, EntriesInSubfoldersAreFoundByTheirDashedID)
{
    const QString path = desktop.writeApplication("kde/apps/viewer.desktop", "Deep", "deep");
    EXPECT_EQ(desktopEntryPathForID("kde-apps-viewer.desktop"), path);
    EXPECT_EQ(desktopFileIDOfPath(path), "kde-apps-viewer.desktop");
    EXPECT_EQ(desktopEntryForApplicationName("deep").desktopFileID(), "kde-apps-viewer.desktop");
    EXPECT_EQ(desktopEntryForApplicationName(path).name(), "Deep");
    EXPECT_TRUE(desktopEntryForApplicationName("Nothing").isNull());
    EXPECT_TRUE(desktopEntryPathForID("../x.desktop").isNull());
}

TEST_F(DesktopEntries, UnitNamesGiveTheirApplicationIDs)
{
    const struct {
        const char* unit;
        QStringList ids;
    } cases[] = {
        {"app-gnome-org.x.Viewer-1234.scope", {"gnome-org.x.Viewer", "org.x.Viewer"}},
        {"app-org.x.Viewer@1a2b.service", {"org.x.Viewer"}},
        {"app-org.x.Viewer.service", {"org.x.Viewer"}},
        {"app-flatpak-org.x.my\\x2dapp-77.scope", {"flatpak-org.x.my-app", "org.x.my-app"}},
        {"session-2.scope", {}},
        {"app-1.scope", {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.unit);
        EXPECT_EQ(applicationIDsOfUnitName(QString::fromUtf8(row.unit)), row.ids);
    }
}

// A fake /proc with one process folder per source of the mapping.
TEST_F(DesktopEntries, ProcessesMapToIDsThroughEachSourceInOrder)
{
    test::TempTree& tree = desktop.home.tree;
    const QString viewer = desktop.writeApplication("org.x.Viewer.desktop", "Viewer", "viewer");
    desktop.writeApplication("org.x.Scoped.desktop", "Scoped", "scoped");
    const QString tool = tree.writeFile("bin/tool", "#!/bin/sh\n");
    desktop.writeApplication("org.x.Tool.desktop", "Tool", tool + " %F");
    const QString proc = tree.makeDir("proc");

    tree.writeFile("proc/10/environ", QByteArray("A=1") + '\0' + "GIO_LAUNCHED_DESKTOP_FILE=" + viewer.toUtf8() + '\0');
    tree.writeFile("proc/10/cgroup", "0::/user.slice/app-gnome-org.x.Scoped-1.scope\n");
    tree.writeFile("proc/11/root/.flatpak-info", "[Application]\nname=org.x.Flat\nruntime=r\n");
    tree.writeFile("proc/12/cgroup", "0::/user.slice/app.slice/app-gnome-org.x.Scoped-99.scope\n");
    tree.writeFile("proc/13/environ", QByteArray("GIO_LAUNCHED_DESKTOP_FILE=/a/b.desktop") + '\0' + "GIO_LAUNCHED_DESKTOP_FILE_PID=99" + '\0');
    tree.makeDir("proc/13");
    ASSERT_EQ(::symlink(tool.toUtf8().constData(), (proc + "/13/exe").toUtf8().constData()), 0);
    tree.makeDir("proc/14");

    EXPECT_EQ(desktopFileIDForProcess(10, proc), "org.x.Viewer.desktop");
    EXPECT_EQ(desktopFileIDForProcess(11, proc), "org.x.Flat.desktop");
    EXPECT_EQ(desktopFileIDForProcess(12, proc), "org.x.Scoped.desktop");
    // An inherited variable naming another pid is not this process's.
    EXPECT_EQ(desktopFileIDForProcess(13, proc), "org.x.Tool.desktop");
    EXPECT_TRUE(desktopFileIDForProcess(14, proc).isNull());
    EXPECT_TRUE(desktopFileIDForProcess(0, proc).isNull());
    QStringList running = runningDesktopFileIDs(proc);
    running.sort();
    EXPECT_EQ(running, QStringList({"org.x.Flat.desktop", "org.x.Scoped.desktop", "org.x.Tool.desktop",
                                    "org.x.Viewer.desktop"}));
}


class DesktopLaunch : public DesktopEntries
{
protected:
    void SetUp() override
    {
        output = desktop.home.tree.filePath("out.txt");
        // Records its arguments and the launched-file variable, then "END".
        recorder = desktop.home.tree.writeFile(
            "bin/record", "#!/bin/sh\nout=\"$1\"; shift\n"
                          "{ for a in \"$@\"; do echo \"arg:$a\"; done; echo \"env:$GIO_LAUNCHED_DESKTOP_FILE\"; "
                          "echo \"pid:$GIO_LAUNCHED_DESKTOP_FILE_PID\"; "
                          "echo END; } >> \"$out\"\n");
        QFile::setPermissions(recorder, QFile::ReadOwner | QFile::ExeOwner);
    }
    QString output;
    QString recorder;
};

TEST_F(DesktopLaunch, StartsTheExecLineWithTheItems)
{
    // Launched ourselves by a desktop, our launcher's pid must not reach the
    // child, or the child would not map back to its entry.
    qputenv("GIO_LAUNCHED_DESKTOP_FILE_PID", "1");
    const QString path = desktop.writeApplication("rec.desktop", "Rec", recorder + " " + output + " %F");
    QString error = "stale";
    ASSERT_TRUE(launchDesktopEntry(desktopEntryForID("rec"), {"/a b", "http://skipped"}, {}, &error)) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(test::waitForFile(output), "arg:/a b\nenv:" + path.toUtf8() + "\npid:\nEND\n");
}

TEST_F(DesktopLaunch, ItemsKeepTheirBytesAsPathsAndURLs)
{
    // A byte that is not UTF-8 reaches %f as itself and %u percent-escaped.
    desktop.writeApplication("rec.desktop", "Rec", recorder + " " + output + " %f");
    desktop.writeApplication("url.desktop", "Url", recorder + " " + output + " %u");
    const QString odd = QStringLiteral("/d/odd") + QChar(0xDCFF);
    ASSERT_TRUE(launchDesktopEntry(desktopEntryForID("rec"), {odd}));
    EXPECT_EQ(test::waitForFile(output).split('\n').first(), "arg:/d/odd\xFF");
    QFile::remove(output);
    ASSERT_TRUE(launchDesktopEntry(desktopEntryForID("url"), {odd}));
    EXPECT_EQ(test::waitForFile(output).split('\n').first(), "arg:file:///d/odd%FF");
}

TEST_F(DesktopLaunch, TerminalApplicationsRunInsideTheTerminal)
{
    desktop.writeApplication("term.desktop", "Term", "inner %f", "Terminal=true\n");
    LaunchOptions options;
    options.terminal = {recorder, output, "-e"};
    ASSERT_TRUE(launchDesktopEntry(desktopEntryForID("term"), {"/f"}, options));
    const QByteArray recorded = test::waitForFile(output);
    EXPECT_TRUE(recorded.startsWith("arg:-e\narg:inner\narg:/f\n")) << recorded.constData();
}

// The terminal emulator is found the way the desktop finds one, and an
// entry that needs one and has none cannot be launched.
TEST_F(DesktopLaunch, TerminalEmulatorsAreFoundInTheDesktopsOrder)
{
    const DesktopEntry inTerminal = DesktopEntry::fromFile(
        desktop.writeApplication("term.desktop", "Term", "inner %f", "Terminal=true\n"), "term.desktop");
    const DesktopEntry plain =
        DesktopEntry::fromFile(desktop.writeApplication("plain.desktop", "Plain", "inner %f"), "plain.desktop");
    const DesktopEntry missing = DesktopEntry::fromFile(
        desktop.writeApplication("gone.desktop", "Gone", "inner %f", "TryExec=not-installed\n"), "gone.desktop");
    const struct
    {
        QStringList installed;
        const char* terminalVariable; // null: unset
        QStringList expected;
    } cases[] = {
        {{}, nullptr, {}},
        {{"xterm"}, nullptr, {"xterm", "-e"}},
        {{"x-terminal-emulator", "xterm"}, nullptr, {"x-terminal-emulator", "-e"}},
        {{"xdg-terminal-exec", "x-terminal-emulator"}, nullptr, {"xdg-terminal-exec"}},
        {{"kitty", "xdg-terminal-exec"}, "kitty", {"kitty", "-e"}},
        {{"xterm"}, "not-installed", {"xterm", "-e"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.installed.join(",").toStdString());
        test::TempTree programsTree;
        const test::InstalledPrograms programs(programsTree, c.installed);
        if (c.terminalVariable)
            qputenv("TERMINAL", c.terminalVariable);
        EXPECT_EQ(terminalEmulatorCommand(), c.expected);
        EXPECT_EQ(canLaunchDesktopEntry(inTerminal), !c.expected.isEmpty());
        EXPECT_TRUE(canLaunchDesktopEntry(plain));
        EXPECT_FALSE(canLaunchDesktopEntry(missing));
        LaunchOptions options;
        options.terminal = {"own", "-x"};
        EXPECT_EQ(terminalEmulatorCommand(options), options.terminal);
        EXPECT_TRUE(canLaunchDesktopEntry(inTerminal, options));
    }
    EXPECT_FALSE(canLaunchDesktopEntry(DesktopEntry()));
}

TEST_F(DesktopLaunch, FailuresAreReported)
{
    QString error;
    EXPECT_FALSE(launchDesktopEntry(DesktopEntry(), {}, {}, &error));
    EXPECT_FALSE(error.isEmpty());
    desktop.writeApplication("bad.desktop", "Bad", "/nonexistent/program %f");
    EXPECT_FALSE(launchDesktopEntry(desktopEntryForID("bad"), {"/x"}, {}, &error));
    EXPECT_TRUE(error.contains("/nonexistent/program")) << error.toStdString();
    desktop.writeApplication("quote.desktop", "Quote", "\"unterminated");
    EXPECT_FALSE(launchDesktopEntry(desktopEntryForID("quote"), {}, {}, &error));
}

} // namespace
} // namespace sorvant
