#include "system/login_items.h"

#include "foundation/lines.h"
#include "foundation/trimming.h"
#include "foundation/values.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/path_semantics.h"
#include "platform/task.h"
#include "platform/user_defaults.h"
#include "platform/utf8.h"
#include "system/bundle.h"
#include "system/desktop_entry.h"
#include "system/file_operations.h"
#include "system/sandbox.h"
#include "system/standard_folders.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <exception>

#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {

namespace {

const QString kDidDisableCronTab = QStringLiteral("DidDisableCronTab");

bool refuseInSandbox(const LaunchedApplication& application, const char* what)
{
    if (!application.sandboxed)
        return false;
    logWarning(QStringLiteral("%1 inside a sandbox needs the desktop's Background portal, which is not supported")
                   .arg(QString::fromLatin1(what)));
    return true;
}

QString systemdUserFolder()
{
    return preferencesDirectory() + QStringLiteral("/systemd/user");
}

// A tool of the user's PATH; null when there is none.
QString tool(const QString& name)
{
    return QStandardPaths::findExecutable(name);
}

bool systemctl(const QStringList& arguments)
{
    const QString program = tool(QStringLiteral("systemctl"));
    if (program.isEmpty())
        return false;
    return Task::launchTaskAndWaitUntilExitWithLaunchPath(program, QStringList {QStringLiteral("--user")} + arguments);
}

// Quotes an Exec= argument by the desktop-entry rules: quoted where it
// holds a reserved character, "%" doubled (no field code), and the whole
// escaped once more as a string value (a backslash doubled).
QString execArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool plain = !argument.isEmpty();
    for (const QChar c : argument)
        plain = plain && !reserved.contains(c);
    QString quoted = argument;
    if (!plain) {
        quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
            .replace(QLatin1Char('"'), QStringLiteral("\\\""))
            .replace(QLatin1Char('`'), QStringLiteral("\\`"))
            .replace(QLatin1Char('$'), QStringLiteral("\\$"));
        quoted = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return quoted.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

// The command /bin/sh runs a program with when the program cannot be the
// first word of an Exec= line: the program's path follows as "$0".
const QStringList& shellWrapper()
{
    static const QStringList wrapper {QStringLiteral("/bin/sh"), QStringLiteral("-c"), QStringLiteral("exec \"$0\"")};
    return wrapper;
}

// An absolute path of an executable regular file, or a name found on PATH,
// as the desktop's launcher looks for the first word of Exec=.
bool isStartableProgram(const QString& program)
{
    if (program.isEmpty())
        return false;
    const QByteArray path = fileSystemRepresentation(isAbsolutePath(program) ? program : tool(program));
    struct stat status {};
    return !path.isEmpty() && ::stat(path.constData(), &status) == 0 && S_ISREG(status.st_mode)
        && ::access(path.constData(), X_OK) == 0;
}

// The program an autostart entry starts: its command's first word, or the
// path the shell wrapper is given; null when the line cannot be split.
QString startedProgram(const DesktopEntry& entry)
{
    const QList<QStringList> commands = entry.commandsForItems({});
    if (commands.size() != 1 || commands.first().isEmpty())
        return {};
    const QStringList& command = commands.first();
    if (command.size() == shellWrapper().size() + 1 && command.first(shellWrapper().size()) == shellWrapper())
        return command.last();
    return command.first();
}

// Why `program` cannot be named on an Exec= line; null when it can. A
// desktop entry is UTF-8 text, and a control character does not survive
// its line and quoting rules.
QString unwritableProgramReason(const QString& program)
{
    const QByteArray bytes = fileSystemRepresentation(program);
    if (bytes.isEmpty())
        return QStringLiteral("it has no path");
    if (QString::fromUtf8(bytes).toUtf8() != bytes || program.contains(QChar(0xFFFD)))
        return QStringLiteral("its path is not UTF-8, and an autostart entry holds UTF-8 text only");
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return QStringLiteral("its path holds a control character");
    }
    return {};
}

} // namespace

QString autostartCommandLine(const QString& program)
{
    if (!program.contains(u'%'))
        return execArgument(program);
    QStringList words;
    for (const QString& word : shellWrapper())
        words.append(execArgument(word));
    return words.join(u' ') + u' ' + execArgument(program);
}

QString systemdExecArgument(const QString& argument, SystemdWord word)
{
    // Always quoted, with C escapes: "\\" "\"" and "\xHH" for a byte that is
    // not UTF-8 or a control character; then systemd's own specifiers and
    // variables are kept literal: "%" as "%%", and in an argument "$" as
    // "$$" (the program's path is not searched for variables, so "$$" there
    // would stay two dollars).
    const QByteArray bytes = fileSystemRepresentation(argument);
    QString quoted = QStringLiteral("\"");
    for (qsizetype i = 0; i < bytes.size();) {
        const auto* at = reinterpret_cast<const unsigned char*>(bytes.constData()) + i;
        const unsigned char byte = *at;
        const int length = byte < 0x80 ? 1 : utf8::sequenceLength(at, bytes.size() - i);
        if (length == 0 || byte < 0x20 || byte == 0x7F) {
            quoted += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
            ++i;
            continue;
        }
        const QString character = QString::fromUtf8(bytes.constData() + i, length);
        if (character == u"\\" || character == u"\"")
            quoted += u'\\' + character;
        else if (character == u"%")
            quoted += QStringLiteral("%%");
        else if (character == u"$" && word == SystemdWord::Argument)
            quoted += QStringLiteral("$$");
        else
            quoted += character;
        i += length;
    }
    return quoted + u'"';
}

QString systemdCommandLine(const QString& program)
{
    const QByteArray bytes = fileSystemRepresentation(program);
    const bool refused = std::any_of(bytes.cbegin(), bytes.cend(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F || c == '"' || c == '\'' || c == '\\';
    });
    if (!refused)
        return systemdExecArgument(program, SystemdWord::Program);
    return QStringLiteral("/bin/sh -c ") + systemdExecArgument(QStringLiteral("exec \"$0\""))
           + u' ' + systemdExecArgument(program);
}

namespace {

// A unit's Description= takes specifiers too, and ends at the line's end.
QString systemdDescription(const QString& text)
{
    QString description = text;
    description.replace(u'%', QStringLiteral("%%"));
    for (QChar& c : description)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    return description;
}

bool writeText(const QString& text, const QString& path)
{
    return createPathAndWriteObject(text.toUtf8(), path, true);
}

} // namespace

LaunchedApplication LaunchedApplication::current()
{
    return {applicationIdentifier(), applicationBundle().bundleName(), QCoreApplication::applicationFilePath(),
            isSandboxed()};
}

QString autostartEntryPath(const LaunchedApplication& application)
{
    return QStringLiteral("%1/autostart/%2.desktop").arg(preferencesDirectory(), application.identifier);
}

bool isLoginItem(const LaunchedApplication& application)
{
    if (refuseInSandbox(application, "A login item") || application.identifier.isEmpty())
        return false;
    const QString path = autostartEntryPath(application);
    if (!QFileInfo::exists(path))
        return false;
    const DesktopEntry entry = DesktopEntry::fromFile(path);
    return !entry.isNull() && !entry.hidden()
        && entry.value(QStringLiteral("X-GNOME-Autostart-enabled")).compare(QLatin1String("false"),
                                                                           Qt::CaseInsensitive)
               != 0
        && isStartableProgram(startedProgram(entry));
}

bool addToLoginItems(const LaunchedApplication& application)
{
    if (refuseInSandbox(application, "A login item") || application.identifier.isEmpty()
        || application.executablePath.isEmpty())
        return false;
    const QString& program = application.executablePath;
    QString reason = unwritableProgramReason(program);
    if (reason.isNull() && !isStartableProgram(program))
        reason = QStringLiteral("it is no executable file");
    if (!reason.isNull()) {
        logWarning(QStringLiteral("%1 cannot start at login: %2").arg(program, reason));
        return false;
    }
    // The name is a string value: escapes kept literal, one line.
    QString name = application.name.isEmpty() ? application.identifier : application.name;
    name.replace(u'\\', QStringLiteral("\\\\"));
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    }
    const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(name, autostartCommandLine(program));
    const QString path = autostartEntryPath(application);
    if (!writeText(text, path))
        return false;
    // Read back as a launcher reads it: an entry that would start anything
    // else is not left behind.
    if (startedProgram(DesktopEntry::fromFile(path)) != program) {
        logError(QStringLiteral("The autostart entry %1 does not read back as %2").arg(path, program));
        removePath(path);
        return false;
    }
    return true;
}

bool removeFromLoginItems(const LaunchedApplication& application)
{
    if (refuseInSandbox(application, "A login item") || application.identifier.isEmpty())
        return false;
    return removePath(autostartEntryPath(application));
}

bool setLoginItem(bool enable, const LaunchedApplication& application)
{
    const bool removed = removeFromLoginItems(application);
    return enable ? addToLoginItems(application) : removed;
}

QString launchAgentLabel(const LaunchedApplication& application)
{
    return application.identifier + QStringLiteral(".launcher");
}

bool scheduleLaunchAt(const QDateTime& date, UserDefaults& defaults, const LaunchedApplication& application)
{
    if (refuseInSandbox(application, "A scheduled launch") || application.identifier.isEmpty())
        return false;
    const QString executableName = lastPathComponent(application.executablePath);

    // Crontab lines of older versions.
    QStringList cronLines;
    bool cleanCronTab = false;
    const QString crontab = tool(QStringLiteral("crontab"));
    if (!sorvant::boolValue(defaults.objectForKey(kDidDisableCronTab))) {
        Task listing(crontab, {QStringLiteral("-l")});
        listing.setCurrentDirectoryPath(QStringLiteral("."));
        if (!crontab.isEmpty() && listing.launchAndWaitUntilExit() && !listing.standardOutput().isEmpty()) {
            // Decoded so that every byte comes back (other users' lines may
            // hold any bytes).
            cronLines = lines(stringWithFileSystemRepresentation(listing.standardOutput()));
            for (const QString& line : cronLines)
                cleanCronTab = cleanCronTab
                    || (!executableName.isEmpty() && stringByTrimmingWhiteSpaces(line).endsWith(executableName));
        }
        if (!cleanCronTab)
            defaults.setBool(true, kDidDisableCronTab);
    }

    // The old timer goes first.
    const QString label = launchAgentLabel(application);
    const QString timer = QStringLiteral("%1/%2.timer").arg(systemdUserFolder(), label);
    const QString service = QStringLiteral("%1/%2.service").arg(systemdUserFolder(), label);
    if (QFileInfo::exists(timer) || QFileInfo::exists(service)) {
        systemctl({QStringLiteral("disable"), QStringLiteral("--now"), label + QStringLiteral(".timer")});
        removePath(timer);
        removePath(service);
        systemctl({QStringLiteral("daemon-reload")});
    }

    bool answer = false;
    if (date.isValid()) {
        const QDateTime local = date.toLocalTime();
        const QString description =
            systemdDescription(application.name.isEmpty() ? application.identifier : application.name);
        const auto twoDigits = [](int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); };
        // One arg() call each: a chained one would look for its place in the
        // description put in before ("%1" in a name).
        const QString serviceText = QStringLiteral("[Unit]\nDescription=Monthly launch of %1\n\n[Service]\n"
                                                   "Type=exec\nExecStart=%2\n")
                                        .arg(description, systemdCommandLine(application.executablePath));
        const QString timerText = QStringLiteral("[Unit]\nDescription=Monthly launch of %1\n\n[Timer]\n"
                                                 "OnCalendar=*-*-%2 %3:%4:00\nUnit=%5.service\n\n"
                                                 "[Install]\nWantedBy=timers.target\n")
                                      .arg(description, twoDigits(local.date().day()), twoDigits(local.time().hour()),
                                           twoDigits(local.time().minute()), label);
        if (writeText(serviceText, service) && writeText(timerText, timer))
            answer = systemctl({QStringLiteral("daemon-reload")})
                && systemctl({QStringLiteral("enable"), QStringLiteral("--now"), label + QStringLiteral(".timer")});
    }
    if (!cleanCronTab)
        return answer;

    try {
        QString kept;
        for (const QString& line : cronLines)
            if (!stringByTrimmingWhiteSpaces(line).endsWith(executableName))
                kept += line;
        // crontab refuses a table whose last line has no end.
        if (!kept.isEmpty() && !kept.endsWith(QLatin1Char('\n')))
            kept += QLatin1Char('\n');
        Task replace(crontab, {QStringLiteral("-")});
        replace.setCurrentDirectoryPath(QStringLiteral("."));
        replace.setStandardInput(fileSystemRepresentation(kept));
        // Only a table that was really replaced ends the scanning; after a
        // refused one the lines are still there and the next call tries again.
        if (replace.launchAndSleepUntilExit()) {
            answer = true;
            defaults.setBool(true, kDidDisableCronTab);
        } else {
            logError(QStringLiteral("crontab did not accept the cleaned table: %1")
                         .arg(QString::fromLocal8Bit(replace.standardError()).trimmed()));
        }
    } catch (const std::exception& error) {
        logException(QStringLiteral("scheduleLaunchAt:"), QStringLiteral("NSBundle"), error);
    }
    return answer;
}

} // namespace sorvant
