#include "system/workspace_monitors.h"

#include "platform/notification_center.h"
#include "platform/volumes.h"
#include "system/desktop_entries.h"
#include "tests/system/desktop_test_support.h"

#include <QFile>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/mount.h>
#include <unistd.h>

namespace sorvant {
namespace {

// Collects the volume notifications posted while it lives.
class VolumeEvents
{
public:
    VolumeEvents()
    {
        for (const QString& name : {WorkspaceDidMountVolumeNotification, WorkspaceDidUnmountVolumeNotification}) {
            m_tokens.append(NotificationCenter::defaultCenter().addObserver(name, [this](const Notification& n) {
                const bool mount = n.name == WorkspaceDidMountVolumeNotification;
                events.append((mount ? "mount " : "unmount ") + n.object.toString());
            }));
        }
    }
    ~VolumeEvents()
    {
        for (NotificationCenter::Token token : m_tokens)
            NotificationCenter::defaultCenter().removeObserver(token);
    }
    QStringList events;

private:
    QList<NotificationCenter::Token> m_tokens;
};

TEST(RunningApplications, TheSetFollowsTheProcesses)
{
    test::DesktopHome desktop;
    const QString viewer = desktop.writeApplication("org.x.Viewer.desktop", "Viewer", "viewer");
    const QString proc = desktop.home.tree.makeDir("proc");
    desktop.home.tree.writeFile("proc/20/environ", "GIO_LAUNCHED_DESKTOP_FILE=" + viewer.toUtf8() + '\0');
    desktop.home.tree.makeDir("proc/21");

    RunningApplicationsMonitor monitor(proc);
    EXPECT_TRUE(monitor.applicationWithBundleIdentifierRunning("org.x.Viewer.desktop"));
    EXPECT_TRUE(monitor.applicationWithBundleIdentifierRunning("org.x.Viewer"));
    EXPECT_FALSE(monitor.applicationWithBundleIdentifierRunning("org.x.viewer"));
    EXPECT_FALSE(monitor.applicationWithBundleIdentifierRunning({}));
    EXPECT_EQ(monitor.bundleIdentifiers(), QStringList({"org.x.Viewer.desktop"}));

    monitor.scanRunningApplications({"org.x.Added", ""});
    EXPECT_TRUE(monitor.applicationWithBundleIdentifierRunning("org.x.Added"));
    EXPECT_EQ(monitor.bundleIdentifiers().size(), 2);
    // A rescan forgets what quit (and what was only added by hand).
    QDir(proc + "/20").removeRecursively();
    monitor.scanRunningApplications();
    EXPECT_TRUE(monitor.bundleIdentifiers().isEmpty());
}

TEST(RunningApplications, ALaunchedApplicationIsSeenUntilItQuits)
{
    test::DesktopHome desktop;
    const QString pidFile = desktop.home.tree.filePath("pid");
    const QString script = desktop.home.tree.writeFile(
        "bin/app", "#!/bin/sh\necho $$ > \"" + pidFile.toUtf8() + ".tmp\"\nmv \"" + pidFile.toUtf8() + ".tmp\" \""
                       + pidFile.toUtf8() + "\"\nexec sleep 30\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner);
    desktop.writeApplication("org.x.Sleeper.desktop", "Sleeper", script);
    ASSERT_TRUE(launchDesktopEntry(desktopEntryForID("org.x.Sleeper"), {}));
    pid_t pid = 0;
    test::waitUntil([&] {
        QFile file(pidFile);
        pid = file.open(QIODevice::ReadOnly) ? pid_t(file.readAll().trimmed().toLong()) : 0;
        return pid > 0;
    });
    ASSERT_GT(pid, 0);
    RunningApplicationsMonitor monitor;
    EXPECT_TRUE(monitor.applicationWithBundleIdentifierRunning("org.x.Sleeper.desktop"));
    ::kill(pid, SIGTERM);
    // Gone, or a zombie nobody reaps (whose environment reads empty).
    const auto alive = [pid] {
        QFile environ(QString("/proc/%1/environ").arg(pid));
        return environ.open(QIODevice::ReadOnly) && !environ.readAll().isEmpty();
    };
    EXPECT_TRUE(test::waitUntil([&] { return !alive(); }));
    monitor.scanRunningApplications();
    EXPECT_FALSE(monitor.applicationWithBundleIdentifierRunning("org.x.Sleeper.desktop"));
}

TEST(MountedVolumes, ChangesAreAnnouncedWithThePath)
{
    QStringList mounted {"/", "/data"};
    MountedVolumesMonitor monitor([&] { return mounted; }, "/nonexistent/mountinfo");
    VolumeEvents events;
    QStringList paths = monitor.mountedVolumePaths();
    paths.sort();
    EXPECT_EQ(paths, QStringList({"/", "/data"}));
    mounted = {"/", "/media/u/stick"};
    monitor.rescan();
    EXPECT_EQ(events.events, QStringList({"unmount /data", "mount /media/u/stick"}));
    events.events.clear();
    monitor.didMountVolume({"x", {}, {}});
    EXPECT_TRUE(events.events.isEmpty()) << "no device path, no change";
    monitor.didUnmountVolume({"x", {}, {{"NSDevicePath", "/never/mounted"}}});
    EXPECT_EQ(events.events, QStringList({"unmount /never/mounted"}));
    EXPECT_EQ(monitor.mountedVolumePaths().size(), 2);
}

TEST(MountedVolumes, TheDefaultListIsTheFilesCoresVolumes)
{
    MountedVolumesMonitor monitor;
    QStringList expected;
    for (const MountPoint& mount : mountedVolumes())
        expected.append(mount.path);
    QStringList paths = monitor.mountedVolumePaths();
    paths.sort();
    expected.sort();
    EXPECT_EQ(paths, expected);
    EXPECT_TRUE(paths.contains("/"));
}

// A real mount and unmount, seen through the kernel's change signal: needs
// root. tmpfs is no user volume, so the monitor lists the mounts below the
// test's folder instead of the files core's volumes.
TEST(MountedVolumes, TheKernelsSignalBringsMountsAndUnmounts)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "mounting needs root";
    test::TempTree tree;
    const QString point = tree.makeDir("mnt");
    MountedVolumesMonitor monitor([&] {
        QStringList below;
        QFile table("/proc/self/mountinfo");
        if (table.open(QIODevice::ReadOnly)) {
            for (const MountPoint& mount : parseMountInfo(table.readAll())) {
                if (mount.path.startsWith(tree.path() + "/"))
                    below.append(mount.path);
            }
        }
        return below;
    });
    VolumeEvents events;
    const auto serveUntil = [&](int count) { test::serveUntil([&] { return events.events.size() >= count; }); };
    if (::mount("sorvant-test", point.toUtf8().constData(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "tmpfs cannot be mounted here";
    serveUntil(1);
    ::umount2(point.toUtf8().constData(), MNT_DETACH);
    serveUntil(2);
    EXPECT_EQ(events.events, QStringList({"mount " + point, "unmount " + point}));
    EXPECT_TRUE(monitor.mountedVolumePaths().isEmpty());
}

} // namespace
} // namespace sorvant
