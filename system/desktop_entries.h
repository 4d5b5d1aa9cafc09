#pragma once
// The installed applications as desktop entries: the folders they live in,
// desktop-file IDs, lookup by ID, the desktop ID of a running process, and
// launching an entry with files or URLs (by its Exec= line or by D-Bus
// activation). The parser of one file is system/desktop_entry.h.

#include "system/desktop_entry.h"

#include <QList>
#include <QVariant>
#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace sorvant {

// --- folders and IDs ------------------------------------------------------

// The folders searched for applications, most important first:
// $XDG_DATA_HOME/applications (~/.local/share when unset), then
// "applications" in each of $XDG_DATA_DIRS (/usr/local/share:/usr/share
// when unset). Folders that do not exist are listed all the same.
[[nodiscard]] QStringList applicationsFolders();

// The desktop-file ID of `path` below `folder`: the relative path with "/"
// turned into "-". Null when the path is not a ".desktop" file inside it.
//   "/u/apps/kde/viewer.desktop", "/u/apps" => "kde-viewer.desktop"
//   "/u/apps/viewer.desktop", "/other"      => null
[[nodiscard]] QString desktopFileIDForPath(const QString& path, const QString& folder);

// The ID of a .desktop path found in any applications folder, else its file
// name when it ends in ".desktop"; null otherwise.
[[nodiscard]] QString desktopFileIDOfPath(const QString& path);

// The path of the entry with this ID: the first folder that holds it wins
// (an entry there that is Hidden=true hides the ID altogether). Null when no
// folder holds it. "viewer" without ".desktop" is accepted.
[[nodiscard]] QString desktopEntryPathForID(const QString& id);

// The parsed entry of the ID; the null entry when absent or hidden.
[[nodiscard]] DesktopEntry desktopEntryForID(const QString& id);

// Every visible entry, one per ID, in folder order.
[[nodiscard]] QList<DesktopEntry> allDesktopEntries();

// The first application entry whose localized or plain Name= equals `name`
// (ignoring case), or whose ID or path is `name`. The null entry otherwise.
//   "Viewer", "org.example.Viewer.desktop", "/…/org.example.Viewer.desktop"
[[nodiscard]] DesktopEntry desktopEntryForApplicationName(const QString& name);

// --- processes --------------------------------------------------------------

// The desktop-file ID of a running process, tried in this order:
// GIO_LAUNCHED_DESKTOP_FILE in <proc>/PID/environ (with the launcher's pid
// GIO_LAUNCHED_DESKTOP_FILE_PID equal when present), the Flatpak application
// of <proc>/PID/root/.flatpak-info, a systemd unit "app-…-ID-….scope" or
// "app-…-ID@….service" in <proc>/PID/cgroup, and <proc>/PID/exe against the
// Exec= programs. Null when nothing matches. `proc` is "/proc" normally.
[[nodiscard]] QString desktopFileIDForProcess(pid_t pid, const QString& proc = QStringLiteral("/proc"));

// The application ID a systemd unit name carries, with its "\x2d" escapes
// decoded, as the candidates to look up (the launcher part is not known, so
// each dash-separated tail is a candidate, longest first).
//   "app-gnome-org.example.Viewer-1234.scope"
//       => {"gnome-org.example.Viewer", "org.example.Viewer"}
//   "app-org.example.Viewer@1a2b.service" => {"org.example.Viewer"}
//   "session-2.scope" => {}
[[nodiscard]] QStringList applicationIDsOfUnitName(const QString& unit);

// The desktop-file IDs of the running processes of this user, without
// duplicates, in no defined order.
[[nodiscard]] QStringList runningDesktopFileIDs(const QString& proc = QStringLiteral("/proc"));

// --- launching --------------------------------------------------------------

struct LaunchOptions
{
    // Run a Terminal=true application inside this terminal emulator (its
    // program and the option that introduces the command). Empty:
    // terminalEmulatorCommand().
    QStringList terminal;
    // Wait this long for a D-Bus activation's answer.
    int dbusTimeoutMs = 5000;
};

// The terminal emulator a Terminal=true entry runs in, as the words put
// before its command, the way the desktop finds one: the options' own,
// else $TERMINAL with "-e", xdg-terminal-exec (the command follows as its
// arguments), x-terminal-emulator with "-e", xterm with "-e"; the first
// installed. Empty when none is. Reads PATH's folders.
//   $TERMINAL=kitty (installed)  => {"kitty", "-e"}
//   only xdg-terminal-exec       => {"xdg-terminal-exec"}
//   nothing installed            => {}
[[nodiscard]] QStringList terminalEmulatorCommand(const LaunchOptions& options = {});

// YES when launchDesktopEntry may start `entry`: an application whose
// TryExec= program is found and which, when Terminal=true, has a terminal
// emulator to run in. Reads PATH's folders.
[[nodiscard]] bool canLaunchDesktopEntry(const DesktopEntry& entry, const LaunchOptions& options = {});

// Starts `entry` with `items` (absolute paths or URL strings). A
// DBusActivatable=true entry is asked over the session bus
// (org.freedesktop.Application Open, or Activate without items) and falls
// back to its Exec= line only when the bus says the name cannot be
// activated (no such service, its start failed, no bus): an application
// slow to answer has the items already, and one that refused them is not
// started a second time. Answers YES when every command started or the
// call was accepted or not answered in time; `error` (cleared first) gets
// a readable reason otherwise. Children get GIO_LAUNCHED_DESKTOP_FILE, so
// they map back to the entry.
bool launchDesktopEntry(const DesktopEntry& entry, const QStringList& items,
                        const LaunchOptions& options = {}, QString* error = nullptr);

// Starts the first of `entryPaths` (desktop files, best first) that starts
// with `items`, as launchDesktopEntry does; NO when none did (or none is
// given).
bool launchFirstDesktopEntry(const QStringList& entryPaths, const QStringList& items);

// Calls ActivateAction(action, parameters) of a D-Bus activatable entry.
bool activateDesktopEntryAction(const DesktopEntry& entry, const QString& action,
                                const QVariantList& parameters = {}, QString* error = nullptr);

// The D-Bus object path of an application ID: "/" plus the ID with "." as
// "/" and "-" as "_".
//   "org.example.Viewer" => "/org/example/Viewer"   "a-b.c" => "/a_b/c"
[[nodiscard]] QString dbusObjectPathForApplicationID(const QString& id);

} // namespace sorvant
