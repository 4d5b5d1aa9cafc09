#include "system/workspace_monitors.h"

#include "platform/notification_center.h"
#include "platform/volumes.h"
#include "system/desktop_entries.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace sorvant {

namespace {

QString withDesktopSuffix(const QString& identifier)
{
    return identifier.endsWith(QLatin1String(".desktop")) ? identifier : identifier + QStringLiteral(".desktop");
}

QStringList volumePathsOfTheFilesCore()
{
    QStringList paths;
    for (const MountPoint& mount : mountedVolumes())
        paths.append(mount.path);
    return paths;
}

const QString kDevicePath = QStringLiteral("NSDevicePath");

} // namespace

RunningApplicationsMonitor::RunningApplicationsMonitor(QString proc, int intervalMs, QObject* parent)
    : QObject(parent), m_proc(std::move(proc))
{
    m_identifiers.reserve(32);
    scanRunningApplications();
    if (intervalMs > 0) {
        m_timer = new QTimer(this);
        connect(m_timer, &QTimer::timeout, this, [this] { scanRunningApplications(); });
        m_timer->start(intervalMs);
    }
}

RunningApplicationsMonitor::~RunningApplicationsMonitor() = default;

RunningApplicationsMonitor& RunningApplicationsMonitor::sharedMonitor()
{
    // Made on first use and never freed, like the processes it watches.
    static auto* monitor = new RunningApplicationsMonitor(QStringLiteral("/proc"), 5000);
    return *monitor;
}

bool RunningApplicationsMonitor::applicationWithBundleIdentifierRunning(const QString& identifier) const
{
    if (identifier.isEmpty())
        return false;
    std::lock_guard lock(m_mutex);
    return m_identifiers.contains(withDesktopSuffix(identifier));
}

void RunningApplicationsMonitor::scanRunningApplications()
{
    const QStringList running = runningDesktopFileIDs(m_proc);
    {
        std::lock_guard lock(m_mutex);
        m_identifiers.clear();
    }
    scanRunningApplications(running);
}

void RunningApplicationsMonitor::scanRunningApplications(const QStringList& identifiers)
{
    std::lock_guard lock(m_mutex);
    for (const QString& identifier : identifiers) {
        if (!identifier.isEmpty())
            m_identifiers.insert(withDesktopSuffix(identifier));
    }
}

QStringList RunningApplicationsMonitor::bundleIdentifiers() const
{
    std::lock_guard lock(m_mutex);
    return QStringList(m_identifiers.cbegin(), m_identifiers.cend());
}

MountedVolumesMonitor::MountedVolumesMonitor(VolumeLister lister, const QString& mountTable, QObject* parent)
    : QObject(parent), m_lister(lister ? std::move(lister) : VolumeLister(volumePathsOfTheFilesCore))
{
    m_paths.reserve(8);
    for (const QString& path : m_lister())
        m_paths.insert(path);
    // The kernel flags the table with POLLPRI whenever a mount changes; the
    // notifier's exception type is that condition.
    m_fd.reset(::open(QFile::encodeName(mountTable).constData(), O_RDONLY | O_CLOEXEC));
    if (m_fd.isValid()) {
        m_notifier = new QSocketNotifier(m_fd.get(), QSocketNotifier::Exception, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            // Reading the table to its end acknowledges the change.
            char buffer[4096];
            ::lseek(m_fd.get(), 0, SEEK_SET);
            while (::read(m_fd.get(), buffer, sizeof buffer) > 0) {
            }
            rescan();
        });
    }
}

MountedVolumesMonitor::~MountedVolumesMonitor()
{
    // The notifier goes before the descriptor it watches.
    delete m_notifier;
}

MountedVolumesMonitor& MountedVolumesMonitor::sharedMonitor()
{
    static auto* monitor = new MountedVolumesMonitor();
    return *monitor;
}

QStringList MountedVolumesMonitor::mountedVolumePaths() const
{
    std::lock_guard lock(m_mutex);
    return QStringList(m_paths.cbegin(), m_paths.cend());
}

void MountedVolumesMonitor::didMountVolume(const Notification& notification)
{
    const QString path = notification.userInfo.value(kDevicePath).toString();
    if (path.isEmpty())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_paths.insert(path);
    }
    NotificationCenter::defaultCenter().post(WorkspaceDidMountVolumeNotification, path);
}

void MountedVolumesMonitor::didUnmountVolume(const Notification& notification)
{
    const QString path = notification.userInfo.value(kDevicePath).toString();
    if (path.isEmpty())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_paths.remove(path);
    }
    NotificationCenter::defaultCenter().post(WorkspaceDidUnmountVolumeNotification, path);
}

void MountedVolumesMonitor::rescan()
{
    const QStringList now = m_lister();
    const QSet<QString> current(now.cbegin(), now.cend());
    QSet<QString> before;
    {
        std::lock_guard lock(m_mutex);
        before = m_paths;
    }
    for (const QString& path : before) {
        if (!current.contains(path))
            didUnmountVolume({QString(), {}, {{kDevicePath, path}}});
    }
    for (const QString& path : now) {
        if (!before.contains(path))
            didMountVolume({QString(), {}, {{kDevicePath, path}}});
    }
}

bool applicationWithBundleIdentifierLaunched(const QString& identifier)
{
    return RunningApplicationsMonitor::sharedMonitor().applicationWithBundleIdentifierRunning(identifier);
}

QStringList mountedVolumePaths()
{
    return MountedVolumesMonitor::sharedMonitor().mountedVolumePaths();
}

} // namespace sorvant
