#pragma once
// Process-level services: the machine's model name, standard error
// redirected into a log file with a version header, the running processes
// (from /proc) searched by name or desktop ID, ending a process, and how
// this process was started.
//
// A process's information dictionary holds "CFBundleName" (the name of its
// executable), "CFBundleIdentifier" (its desktop-file ID, when it has one),
// "pid", "ParentPSN" (the parent's process ID; absent for a process without
// a parent) and "FileCreator" (Linux programs carry no creator codes: the
// program name again, which the launch tests compare).

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <sys/types.h>

namespace sorvant {

class UserDefaults;

// The hardware model: /sys/class/dmi/id/product_name, else the device
// tree's model; null when neither exists. `root` is "/" normally.
[[nodiscard]] QString modelName(const QString& root = QStringLiteral("/"));

// The system's version: "<distribution> (kernel <version>)".
[[nodiscard]] QString operatingSystemVersionString();

// Redirects standard error into the bundle's log file in the Logs folder
// ($XDG_STATE_HOME/<bundle name>/<bundle name>.log).
bool redirectStandardErrorToLogs();
// Redirects descriptor 2 into the file (made with its folders when
// missing). The file is emptied when the application's version differs from
// "StandardErrorVersion"; a header "<name> <version>, Linux <system>" is
// written when the version or the system changed, or the file is empty. NO
// for a missing path, when started by a development environment, or when
// the file cannot be opened ("ERROR: Console redirection failed: <error>").
bool redirectStandardErrorToFile(const QString& path);
bool redirectStandardErrorToFile(const QString& path, UserDefaults& defaults);

// The information of the first process, in process-ID order, whose entry
// under `key` equals `value`; empty when none does or an argument is nil.
[[nodiscard]] QVariantMap infoForProcessWithObjectForKey(const QString& key, const QVariant& value,
                                                        const QString& proc = QStringLiteral("/proc"));
// The information dictionary of one process; empty when it is gone.
[[nodiscard]] QVariantMap processInformation(pid_t pid, const QString& proc = QStringLiteral("/proc"));
[[nodiscard]] bool isProcessWithBundleNameRunning(const QString& name);
[[nodiscard]] bool isProcessWithBundleIdentifierRunning(const QString& identifier);

// SIGINT to the process. NO below 1, for this process, or when it cannot
// be signalled (gone, or not ours).
bool killProcessWithIdentifier(pid_t pid);
bool killProcessWithBundleName(const QString& name);
bool killProcessWithBundleIdentifier(const QString& identifier);

[[nodiscard]] qint64 processNumber();

// Started by the session's autostart (DESKTOP_AUTOSTART_ID was given).
[[nodiscard]] bool launchedAsLoginItem();
// Started by PID 1 or by the systemd user manager.
[[nodiscard]] bool launchedByLaunchd(const QString& proc = QStringLiteral("/proc"));
// The parent's program name or desktop ID equals `nameOrIdentifier`.
[[nodiscard]] bool launchedByProcess(const QString& nameOrIdentifier, const QString& proc = QStringLiteral("/proc"));

} // namespace sorvant
