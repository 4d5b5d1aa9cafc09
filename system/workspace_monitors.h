#pragma once
// Two process-wide monitors that keep answers which would otherwise need a
// scan each time: the desktop IDs of the running applications, and the
// paths of the mounted volumes, whose mounts and unmounts are announced on
// the default notification center as "WorkspaceDidMountVolumeNotification"
// and "WorkspaceDidUnmountVolumeNotification" with the path as object.
//
// Running applications are this user's processes mapped to desktop IDs
// (system/desktop_entries.h), rescanned on a timer and on demand. Volumes
// are those of the files core's volume rule (platform/volumes.h); the
// kernel's mount table is watched for changes (poll for POLLPRI on
// /proc/self/mountinfo), so no polling loop runs.
//
// Both live on the thread that first asks for them (the main thread) and are
// never freed; their answers may be read from any thread.

#include "platform/unique_fd.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>

class QSocketNotifier;
class QTimer;

namespace sorvant {

struct Notification;

inline const QString WorkspaceDidMountVolumeNotification = QStringLiteral("WorkspaceDidMountVolumeNotification");
inline const QString WorkspaceDidUnmountVolumeNotification = QStringLiteral("WorkspaceDidUnmountVolumeNotification");

class RunningApplicationsMonitor : public QObject
{
    Q_OBJECT
public:
    // Scans the processes under `proc` at once, then every `intervalMs`
    // (never when 0).
    explicit RunningApplicationsMonitor(QString proc = QStringLiteral("/proc"), int intervalMs = 0,
                                        QObject* parent = nullptr);
    ~RunningApplicationsMonitor() override;

    // The monitor of the process (a 5 s rescan), made on first use.
    static RunningApplicationsMonitor& sharedMonitor();

    // Whether an application with the desktop ID runs (exact compare; ".desktop"
    // may be left off). NO for an empty ID.
    [[nodiscard]] bool applicationWithBundleIdentifierRunning(const QString& identifier) const;
    // Rebuilds the set from the running processes.
    void scanRunningApplications();
    // Adds the IDs (nothing is removed); empty IDs are skipped.
    void scanRunningApplications(const QStringList& identifiers);
    [[nodiscard]] QStringList bundleIdentifiers() const;

private:
    QString m_proc;
    QTimer* m_timer = nullptr;
    mutable std::mutex m_mutex;
    QSet<QString> m_identifiers;
};

class MountedVolumesMonitor : public QObject
{
    Q_OBJECT
public:
    // The volume paths now mounted; by default those of mountedVolumes().
    using VolumeLister = std::function<QStringList()>;

    // Fills the set with `lister` and watches `mountTable` for changes.
    explicit MountedVolumesMonitor(VolumeLister lister = {},
                                   const QString& mountTable = QStringLiteral("/proc/self/mountinfo"),
                                   QObject* parent = nullptr);
    ~MountedVolumesMonitor() override;

    static MountedVolumesMonitor& sharedMonitor();

    // The paths of the set, in no defined order.
    [[nodiscard]] QStringList mountedVolumePaths() const;
    // Adds the path under the user-information key "NSDevicePath" and posts
    // the mount notification; nothing without the key.
    void didMountVolume(const Notification& notification);
    // Removes it and posts the unmount notification (also for a path that
    // was not in the set).
    void didUnmountVolume(const Notification& notification);
    // Compares the lister's answer with the set and announces the
    // differences; the table's change signal calls it.
    void rescan();

private:
    VolumeLister m_lister;
    UniqueFd m_fd;
    QSocketNotifier* m_notifier = nullptr;
    mutable std::mutex m_mutex;
    QSet<QString> m_paths;
};

// The shared monitors' answers.
[[nodiscard]] bool applicationWithBundleIdentifierLaunched(const QString& identifier);
[[nodiscard]] QStringList mountedVolumePaths();

} // namespace sorvant
