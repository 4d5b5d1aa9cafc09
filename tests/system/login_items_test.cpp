#include "system/login_items.h"

#include "platform/file_system_representation.h"
#include "platform/user_defaults.h"
#include "system/desktop_entry.h"
#include "tests/support/log_capture.h"
#include "tests/system/fake_tools.h"
#include "system/standard_folders.h"
#include "tests/support/temp_tree.h"
#include "tests/support/temporary_home.h"
#include "tests/system/waiting.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>


#include <sys/stat.h>

namespace sorvant {
namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class LoginItemsTest : public ::testing::Test
{
protected:
    test::TemporaryHome home{resetStandardFolders};
    test::FakeTools tools;
    LaunchedApplication app {"org.example.Finder", "Finder Tool", "/opt/finder tool/finder-tool", false};

    QString config(const QString& relative) const { return home.home + "/.config/" + relative; }
};

// A program at `path` (its bytes) that, once run, leaves "<path>.ran".
QString makeProgram(const QByteArray& path)
{
    test::writeFileBytes(path, "#!/bin/sh\n: > \"$0.ran\"\n");
    EXPECT_EQ(::chmod(path.constData(), 0755), 0);
    return stringWithFileSystemRepresentation(path);
}

TEST_F(LoginItemsTest, AutostartEntryComesAndGoes)
{
    test::makeDirBytes(QFile::encodeName(home.tree.filePath("finder tool")));
    app.executablePath = makeProgram(QFile::encodeName(home.tree.filePath("finder tool/finder-tool")));
    EXPECT_FALSE(isLoginItem(app));
    EXPECT_TRUE(removeFromLoginItems(app)); // nothing to remove
    ASSERT_TRUE(setLoginItem(true, app));
    EXPECT_TRUE(isLoginItem(app));
    const QByteArray entry = contents(config("autostart/org.example.Finder.desktop"));
    EXPECT_TRUE(entry.contains("Exec=\"" + app.executablePath.toUtf8() + "\"\n"));
    EXPECT_TRUE(entry.contains("Name=Finder Tool\n"));

    home.tree.writeFile("home/.config/autostart/org.example.Finder.desktop",
                        "[Desktop Entry]\nType=Application\nExec=x\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(isLoginItem(app));
    EXPECT_TRUE(setLoginItem(false, app));
    EXPECT_FALSE(QFileInfo::exists(config("autostart/org.example.Finder.desktop")));
}

TEST_F(LoginItemsTest, SandboxedApplicationsAreRefusedWithAReason)
{
    test::LogCapture log;
    UserDefaults defaults(home.tree.filePath("d.plist"));
    app.sandboxed = true;
    EXPECT_FALSE(addToLoginItems(app));
    EXPECT_FALSE(isLoginItem(app));
    EXPECT_FALSE(scheduleLaunchAt(QDateTime::currentDateTime(), defaults, app));
    ASSERT_EQ(log.lines().size(), 3);
    EXPECT_TRUE(log.lines().first().contains("Background portal"));
    EXPECT_TRUE(tools.calls().isEmpty());
}

TEST_F(LoginItemsTest, TimerIsWrittenEnabledReplacedAndRemoved)
{
    tools.add("systemctl");
    tools.add("crontab", "exit 1");
    UserDefaults defaults(home.tree.filePath("d.plist"));
    const QDateTime date(QDate(2026, 3, 7), QTime(9, 5));
    ASSERT_TRUE(scheduleLaunchAt(date, defaults, app));
    EXPECT_TRUE(defaults.objectForKey("DidDisableCronTab").toBool());
    const QByteArray timer = contents(config("systemd/user/org.example.Finder.launcher.timer"));
    EXPECT_TRUE(timer.contains("OnCalendar=*-*-07 09:05:00\n"));
    EXPECT_TRUE(timer.contains("Unit=org.example.Finder.launcher.service\n"));
    EXPECT_TRUE(contents(config("systemd/user/org.example.Finder.launcher.service"))
                    .contains("ExecStart=\"/opt/finder tool/finder-tool\"\n"));
    EXPECT_EQ(tools.calls(), (QStringList {"crontab -l", "systemctl --user daemon-reload",
                                           "systemctl --user enable --now org.example.Finder.launcher.timer"}));

    EXPECT_FALSE(scheduleLaunchAt(QDateTime(), defaults, app));
    EXPECT_EQ(tools.calls().mid(3), (QStringList {"systemctl --user disable --now org.example.Finder.launcher.timer",
                                                  "systemctl --user daemon-reload"}));
    EXPECT_FALSE(QFileInfo::exists(config("systemd/user/org.example.Finder.launcher.timer")));
}

TEST_F(LoginItemsTest, FailingSystemctlAnswersNo)
{
    tools.add("systemctl", "exit 1");
    UserDefaults defaults(home.tree.filePath("d.plist"));
    defaults.setBool(true, "DidDisableCronTab");
    EXPECT_FALSE(scheduleLaunchAt(QDateTime::currentDateTime(), defaults, app));
    EXPECT_EQ(tools.calls(), QStringList {"systemctl --user daemon-reload"});
}

TEST_F(LoginItemsTest, CrontabLinesOfTheApplicationAreRemovedOnce)
{
    const QString table = tools.tree.writeFile("crontab.txt", "MAILTO=me\n0 9 1 * * /opt/finder tool/finder-tool  \r\n"
                                                              "5 * * * * backup\n");
    tools.add("crontab", QStringLiteral("case \"$1\" in -l) cat \"%1\";; -) cat > \"%1.new\";; esac").arg(table));
    UserDefaults defaults(home.tree.filePath("d.plist"));
    EXPECT_TRUE(scheduleLaunchAt(QDateTime(), defaults, app)); // the cleaning answers
    EXPECT_EQ(contents(table + ".new"), "MAILTO=me\n5 * * * * backup\n");
    EXPECT_TRUE(defaults.objectForKey("DidDisableCronTab").toBool());
    EXPECT_FALSE(scheduleLaunchAt(QDateTime(), defaults, app));
    EXPECT_EQ(tools.calls(), (QStringList {"crontab -l", "crontab -"}));
}

TEST_F(LoginItemsTest, ARefusedCrontabIsTriedAgainLater)
{
    const QString table = tools.tree.writeFile("crontab.txt", "1 2 * * * finder-tool\n3 4 * * * other");
    tools.add("crontab", QStringLiteral("case \"$1\" in -l) cat \"%1\";; -) cat > \"%1.new\"; exit 1;; esac").arg(table));
    UserDefaults defaults(home.tree.filePath("d.plist"));
    test::LogCapture log;
    EXPECT_FALSE(scheduleLaunchAt(QDateTime(), defaults, app));
    EXPECT_EQ(contents(table + ".new"), "3 4 * * * other\n"); // the last line gets its end
    EXPECT_FALSE(defaults.objectForKey("DidDisableCronTab").isValid());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith("ERROR: crontab did not accept"));
    EXPECT_FALSE(scheduleLaunchAt(QDateTime(), defaults, app));
    EXPECT_EQ(tools.calls().size(), 4); // listed and replaced again
}

TEST_F(LoginItemsTest, CrontabCleanUpKeepsTheBytesOfOtherLines)
{
    // Other lines may hold bytes that are not UTF-8 (a Latin-1 comment).
    const QByteArray other = "# caf\xE9 \xFF\n5 * * * * backup \xC3\xA9t\xE9\n";
    const QString table = tools.tree.writeFile("crontab.txt", "0 9 1 * * /opt/finder tool/finder-tool\n" + other);
    tools.add("crontab", QStringLiteral("case \"$1\" in -l) cat \"%1\";; -) cat > \"%1.new\";; esac").arg(table));
    UserDefaults defaults(home.tree.filePath("d.plist"));
    EXPECT_TRUE(scheduleLaunchAt(QDateTime(), defaults, app));
    EXPECT_EQ(contents(table + ".new"), other);
}

TEST_F(LoginItemsTest, AnExecutablePathWithPercentOrDollarIsEscapedForSystemd)
{
    tools.add("systemctl");
    tools.add("crontab", "exit 1");
    UserDefaults defaults(home.tree.filePath("d.plist"));
    const LaunchedApplication odd {"org.example.Odd", "Odd %1 100%", "/opt/50% off/$HOME/app", false};
    ASSERT_TRUE(scheduleLaunchAt(QDateTime(QDate(2026, 3, 7), QTime(9, 5)), defaults, odd));
    const QByteArray unit = contents(config("systemd/user/org.example.Odd.launcher.service"));
    // "$$" only in arguments: in the program's path systemd keeps it as two.
    EXPECT_TRUE(unit.contains("ExecStart=\"/opt/50%% off/$HOME/app\"\n"));
    EXPECT_TRUE(unit.contains("Description=Monthly launch of Odd %%1 100%%\n")) << unit.constData();
    // Regression: the "%1" in the name took the day, and the calendar the
    // hour and minute in the wrong places.
    const QByteArray timer = contents(config("systemd/user/org.example.Odd.launcher.timer"));
    EXPECT_TRUE(timer.contains("Description=Monthly launch of Odd %%1 100%%\n")) << timer.constData();
    EXPECT_TRUE(timer.contains("OnCalendar=*-*-07 09:05:00\nUnit=org.example.Odd.launcher.service\n"))
        << timer.constData();
    EXPECT_EQ(systemdExecArgument("/x/50%$y"), "\"/x/50%%$$y\"");
    EXPECT_EQ(systemdExecArgument(QString::fromUtf8("/a\xC3\xA9") + QChar(0xDCFF)), "\"/a\xC3\xA9\\xff\"");
    EXPECT_EQ(systemdExecArgument(""), "\"\"");
}

// What a launcher reads from the entry: the desktop-entry rules (our own
// reader and desktop-file-validate) and GLib's loader, which runs the
// program. A program in a folder named with "%", quotes, "$", a backslash
// and spaces starts; "%" in a launcher's first word is read before "%%"
// is, so such a program is started through the shell.
TEST_F(LoginItemsTest, AutostartEntriesStartTheProgramThatWasAdded)
{
    const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    const QByteArray base = QFile::encodeName(home.tree.path());
    for (const QByteArray& folder : {QByteArray("plain"), QByteArray("a b"), QByteArray("50% off"),
                                     QByteArray("100%%x"), QByteArray("a$b\"c'd\\e`f;g#h"),
                                     QByteArray("caf\xC3\xA9 %f")}) {
        SCOPED_TRACE(folder.toStdString());
        test::makeDirBytes(base + '/' + folder);
        const LaunchedApplication odd {"org.example.Odd", "Odd \\ %1", makeProgram(base + '/' + folder + "/prog"),
                                       false};
        ASSERT_TRUE(addToLoginItems(odd));
        EXPECT_TRUE(isLoginItem(odd));
        const QString entryPath = autostartEntryPath(odd);
        const QList<QStringList> commands = DesktopEntry::fromFile(entryPath).commandsForItems({});
        ASSERT_EQ(commands.size(), 1);
        EXPECT_EQ(commands.first().last(), odd.executablePath);
        if (!validate.isEmpty()) {
            QProcess check;
            check.setProcessChannelMode(QProcess::MergedChannels);
            check.start(validate, {entryPath});
            ASSERT_TRUE(check.waitForFinished(60000));
            EXPECT_EQ(check.exitCode(), 0) << check.readAll().constData();
        }
        if (!gio.isEmpty()) {
            const QByteArray ran = fileSystemRepresentation(odd.executablePath) + ".ran";
            QProcess launch;
            launch.setProcessChannelMode(QProcess::MergedChannels);
            launch.start(gio, {QStringLiteral("launch"), entryPath});
            ASSERT_TRUE(launch.waitForFinished(60000));
            EXPECT_EQ(launch.exitCode(), 0) << launch.readAll().constData();
            // The program runs apart from gio: waited for.
            struct stat status {};
            EXPECT_TRUE(test::waitUntil([&] { return ::stat(ran.constData(), &status) == 0; }))
                << "the program did not run";
        }
    }
    if (validate.isEmpty() || gio.isEmpty())
        GTEST_SKIP() << "desktop-file-validate or gio is not installed (tools/install-deps)";
}

// A path that no entry can name (the file is UTF-8 text; a control
// character does not survive its lines) or no program at all: NO, saying
// why, and no entry that would start something else.
TEST_F(LoginItemsTest, AProgramNoEntryCanStartIsRefusedWithTheReason)
{
    const QByteArray base = QFile::encodeName(home.tree.path());
    const struct
    {
        QByteArray folder;
        bool makeIt;
        const char* reason;
    } cases[] = {
        {"byte\xFF", true, "its path is not UTF-8"},
        {"new\nline", true, "its path holds a control character"},
        {"missing", false, "it is no executable file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder.toStdString());
        test::LogCapture log;
        const QByteArray program = base + '/' + c.folder + "/prog";
        if (c.makeIt) {
            test::makeDirBytes(base + '/' + c.folder);
            makeProgram(program);
        }
        const LaunchedApplication odd {"org.example.Odd", "Odd", stringWithFileSystemRepresentation(program), false};
        EXPECT_FALSE(addToLoginItems(odd));
        EXPECT_FALSE(isLoginItem(odd));
        EXPECT_FALSE(QFileInfo::exists(autostartEntryPath(odd)));
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.lines().first().startsWith(QStringLiteral("WARNING: ") + odd.executablePath))
            << log.lines().first().toStdString();
        EXPECT_TRUE(log.lines().first().contains(QLatin1String(c.reason))) << log.lines().first().toStdString();
    }
    // An entry whose program has gone starts nothing: no login item.
    test::makeDirBytes(base + "/gone");
    const LaunchedApplication gone {"org.example.Gone", "Gone", makeProgram(base + "/gone/prog"), false};
    ASSERT_TRUE(addToLoginItems(gone));
    ASSERT_EQ(::unlink((base + "/gone/prog").constData()), 0);
    EXPECT_FALSE(isLoginItem(gone));
}

// systemd itself reads the written unit: a program in a folder named with
// "$", "%", a space, a quote and byte 0xFF runs (through the shell, since
// systemd refuses a quote in a program's path), and one without the quote
// runs directly.
TEST_F(LoginItemsTest, SystemdAcceptsTheWrittenUnitForAnOddProgramPath)
{
    const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
    if (analyze.isEmpty())
        GTEST_SKIP() << "systemd-analyze is not installed";
    tools.add("systemctl");
    tools.add("crontab", "exit 1");
    UserDefaults defaults(home.tree.filePath("d.plist"));
    const QByteArray base = QFile::encodeName(home.tree.path());
    for (const QByteArray& folder : {QByteArray("a$b%c d\"e\xFF" "f"), QByteArray("a$b%c d\xFF" "f")}) {
        SCOPED_TRACE(folder.toStdString());
        test::makeDirBytes(base + '/' + folder);
        const QByteArray program = base + '/' + folder + "/prog";
        test::writeFileBytes(program, "#!/bin/sh\n");
        ASSERT_EQ(::chmod(program.constData(), 0755), 0);
        const LaunchedApplication odd {"org.example.Odd", "Odd", stringWithFileSystemRepresentation(program), false};
        ASSERT_TRUE(scheduleLaunchAt(QDateTime(QDate(2026, 3, 7), QTime(9, 5)), defaults, odd));
        // Verified under a name of its own, away from the timer that needs it.
        const QString unit = home.tree.writeFile(QStringLiteral("verify/odd.service"),
                                                 contents(config("systemd/user/org.example.Odd.launcher.service")));
        QProcess verify;
        verify.setProcessChannelMode(QProcess::MergedChannels);
        verify.start(analyze, {QStringLiteral("verify"), unit});
        ASSERT_TRUE(verify.waitForFinished(60000));
        const QByteArray said = verify.readAll();
        EXPECT_EQ(verify.exitCode(), 0) << said.constData();
        EXPECT_FALSE(said.contains(unit.toUtf8())) << said.constData();
    }
}

} // namespace
} // namespace sorvant
