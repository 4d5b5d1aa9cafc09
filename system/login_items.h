#pragma once
// The application among the user's login items, and a monthly launch at a
// chosen day and time.
//
// Login items follow the XDG autostart rules: the application is one when
// "$XDG_CONFIG_HOME/autostart/<desktop ID>.desktop" exists and is neither
// Hidden=true nor X-GNOME-Autostart-enabled=false.
//
// The monthly launch is a systemd user timer and service,
// "<identifier>.launcher.timer" / ".service" in
// "$XDG_CONFIG_HOME/systemd/user", with OnCalendar=*-*-DD HH:MM:00, loaded
// through "systemctl --user daemon-reload" and "enable --now", removed with
// "disable --now". Entries older versions left in the user's crontab (lines
// ending with the executable's name) are taken out once; the user default
// "DidDisableCronTab" records that none are left.
//
// Inside a sandbox both services would need the desktop's Background
// portal, which this system does not use: they answer NO and say so.

#include <QDateTime>
#include <QString>

namespace sorvant {

class UserDefaults;

// The application the services act for.
struct LaunchedApplication
{
    QString identifier;     // desktop-file ID without ".desktop"
    QString name;           // shown in the autostart entry
    QString executablePath; // what the entries start
    bool sandboxed = false;

    // This process: applicationIdentifier(), the bundle name, the running
    // executable and isSandboxed().
    [[nodiscard]] static LaunchedApplication current();
};

[[nodiscard]] QString autostartEntryPath(const LaunchedApplication& application);
// YES when the application's autostart entry is there, enabled, and names a
// program that can start (an executable file).
[[nodiscard]] bool isLoginItem(const LaunchedApplication& application = LaunchedApplication::current());
// Writes the autostart entry; YES when it was written and reads back as the
// application's executable. A path an entry cannot hold (bytes that are not
// UTF-8, a control character) or no executable file answers NO with a
// "WARNING: " line saying why.
bool addToLoginItems(const LaunchedApplication& application = LaunchedApplication::current());
// Removes the autostart entry; YES also when there was none.
bool removeFromLoginItems(const LaunchedApplication& application = LaunchedApplication::current());
// Removes, then adds when `enable`; answers the last step's result.
bool setLoginItem(bool enable, const LaunchedApplication& application = LaunchedApplication::current());

// The value of an autostart entry's Exec= line that runs `program` (a
// UTF-8 path): quoted where it holds a reserved character, "%" as "%%", the
// whole escaped as a string value. Launchers check that the first word
// names a program before they read "%%" as "%", so a program whose path
// holds "%" is run by "/bin/sh", which gets its path as an argument. The
// lines as written:
//   /opt/app       => /opt/app
//   /opt/a b/app   => "/opt/a b/app"
//   /opt/50%/app   => /bin/sh -c "exec \\"\\$0\\"" /opt/50%%/app
//   ""             => ""
[[nodiscard]] QString autostartCommandLine(const QString& program);

// How systemd reads a word of an ExecStart= line: "$" starts a variable
// only in an argument, never in the program's path.
enum class SystemdWord { Program, Argument };

// One word of a service's ExecStart= line, as systemd reads it back:
// quoted, "\\" and "\"" escaped, a byte that is not UTF-8 or a control
// character as "\xHH", "%" as "%%", and in an argument "$" as "$$".
//   "/opt/a b/app" => "\"/opt/a b/app\""   "/x/50%$y" => "\"/x/50%%$$y\""
//   ("/x/50%$y", Program) => "\"/x/50%%$y\""
//   "a\xFF" (byte) => "\"a\\xff\""   "" => "\"\""
[[nodiscard]] QString systemdExecArgument(const QString& argument, SystemdWord word = SystemdWord::Argument);

// The value of an ExecStart= line that runs `program`. systemd refuses a
// program path holding a quote, a backslash or a control character: such a
// program is run by "/bin/sh", which gets its path as an argument.
//   "/opt/a b/app"   => "\"/opt/a b/app\""
//   "/opt/a\"b/app" => "/bin/sh -c \"exec \\\"$$0\\\"\" \"/opt/a\\\"b/app\""
[[nodiscard]] QString systemdCommandLine(const QString& program);

// The timer's label, "<identifier>.launcher".
[[nodiscard]] QString launchAgentLabel(const LaunchedApplication& application);
// Replaces the monthly launch with one at `date` (its day of the month and
// time in the local zone); a null date only removes it. YES when the timer
// was enabled, or when crontab entries were cleaned; NO for a null date and
// inside a sandbox.
bool scheduleLaunchAt(const QDateTime& date, UserDefaults& defaults,
                      const LaunchedApplication& application = LaunchedApplication::current());

} // namespace sorvant
