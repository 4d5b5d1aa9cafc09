#include "system/desktop_entries.h"

#include "platform/log.h"
#include "platform/path_semantics.h"
#include "platform/task.h"
#include "platform/url.h"
#include "platform/xdg_folders.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcessEnvironment>
#include <QSet>
#include <QStandardPaths>

#include <unistd.h>

namespace sorvant {

namespace {

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

QString normalizedID(const QString& id)
{
    return id.endsWith(QLatin1String(".desktop")) ? id : id + QStringLiteral(".desktop");
}

// Every ".desktop" file below one folder, keyed by ID.
QList<QPair<QString, QString>> entriesInFolder(const QString& folder)
{
    QList<QPair<QString, QString>> found;
    QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
    while (it.hasNext()) {
        const QString path = it.next();
        found.append({desktopFileIDForPath(path, folder), path});
    }
    return found;
}

QByteArray readSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // /proc files report size 0; read in one go up to a bound.
    return file.read(1 << 20);
}

QString environValue(const QByteArray& environ, const QByteArray& name)
{
    const QByteArray prefix = name + '=';
    for (const QByteArray& item : environ.split('\0')) {
        if (item.startsWith(prefix))
            return QString::fromUtf8(item.mid(prefix.size()));
    }
    return {};
}

QString idFromLaunchedEnvironment(const QString& procDir, pid_t pid)
{
    const QByteArray environ = readSmallFile(procDir + QStringLiteral("/environ"));
    const QString file = environValue(environ, "GIO_LAUNCHED_DESKTOP_FILE");
    if (file.isEmpty())
        return {};
    // The variable is inherited by grandchildren of the launched program
    // (a terminal's shell …); the pid names the one that was launched.
    const QString launchedPid = environValue(environ, "GIO_LAUNCHED_DESKTOP_FILE_PID");
    if (!launchedPid.isEmpty() && launchedPid.toLongLong() != pid)
        return {};
    return desktopFileIDOfPath(file);
}

QString idFromFlatpakInfo(const QString& procDir)
{
    const QByteArray info = readSmallFile(procDir + QStringLiteral("/root/.flatpak-info"));
    bool inApplication = false;
    for (const QByteArray& raw : info.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('['))
            inApplication = line == "[Application]";
        else if (inApplication && line.startsWith("name="))
            return normalizedID(QString::fromUtf8(line.mid(5).trimmed()));
    }
    return {};
}

QString idFromCgroup(const QString& procDir)
{
    const QByteArray cgroup = readSmallFile(procDir + QStringLiteral("/cgroup"));
    for (const QByteArray& line : cgroup.split('\n')) {
        const QString path = QString::fromUtf8(line.mid(line.lastIndexOf(':') + 1));
        // The unit may sit below the application's own slice; the innermost
        // "app-" unit names the application.
        const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
        for (auto part = parts.crbegin(); part != parts.crend(); ++part) {
            for (const QString& candidate : applicationIDsOfUnitName(*part)) {
                if (!desktopEntryPathForID(candidate).isNull())
                    return normalizedID(candidate);
            }
        }
    }
    return {};
}

// The entries' programs resolved to executables, made once per scan.
class ProgramTable
{
public:
    QString idForExecutable(const QString& executable)
    {
        if (!m_loaded) {
            m_loaded = true;
            for (const DesktopEntry& entry : allDesktopEntries()) {
                const QString program = entry.program();
                if (program.isEmpty() || !entry.isApplication())
                    continue;
                const QString found = program.startsWith(u'/')
                    ? program : QStandardPaths::findExecutable(program);
                const QString canonical = QFileInfo(found).canonicalFilePath();
                if (!canonical.isEmpty() && !m_programs.contains(canonical))
                    m_programs.insert(canonical, entry.desktopFileID());
            }
        }
        return m_programs.value(executable);
    }

private:
    bool m_loaded = false;
    QHash<QString, QString> m_programs;
};

QString idForProcess(pid_t pid, const QString& proc, ProgramTable& programs)
{
    const QString procDir = proc + u'/' + QString::number(pid);
    QString id = idFromLaunchedEnvironment(procDir, pid);
    if (id.isEmpty())
        id = idFromFlatpakInfo(procDir);
    if (id.isEmpty())
        id = idFromCgroup(procDir);
    if (id.isEmpty()) {
        const QString exe = QFileInfo(procDir + QStringLiteral("/exe")).symLinkTarget();
        if (!exe.isEmpty())
            id = programs.idForExecutable(exe);
    }
    return id;
}

// How the bus answered a call to an application.
enum class CallAnswer {
    Accepted,
    NotAnswered,     // no reply in time: the application may still take it
    Refused,         // the application answered with an error
    NotActivatable,  // no bus, no such service, or its start failed
};

// Whether an error reply is the bus's own word that the name has no owner
// and cannot get one.
bool isActivationFailure(const QString& errorName)
{
    return errorName == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
           || errorName == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")
           || errorName.startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."))
           || errorName.startsWith(QLatin1String("org.freedesktop.systemd1."));
}

CallAnswer callApplication(const DesktopEntry& entry, const QString& method, const QVariantList& arguments,
                           int timeoutMs, QString* error)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        if (error)
            *error = QStringLiteral("No session bus: %1").arg(bus.lastError().message());
        return CallAnswer::NotActivatable;
    }
    const QString id = entry.applicationID();
    QDBusMessage message = QDBusMessage::createMethodCall(
        id, dbusObjectPathForApplicationID(id), QStringLiteral("org.freedesktop.Application"), method);
    message.setArguments(arguments);
    const QDBusMessage reply = bus.call(message, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return CallAnswer::Accepted;
    if (error)
        *error = QStringLiteral("%1 of %2 failed: %3").arg(method, id, reply.errorMessage());
    const QString name = reply.errorName();
    if (isActivationFailure(name))
        return CallAnswer::NotActivatable;
    return name == QLatin1String("org.freedesktop.DBus.Error.NoReply")
                   || name == QLatin1String("org.freedesktop.DBus.Error.Timeout")
               ? CallAnswer::NotAnswered
               : CallAnswer::Refused;
}

bool launchCommands(const DesktopEntry& entry, const QStringList& items, const LaunchOptions& options,
                    QString* error)
{
    const QList<QStringList> commands = entry.commandsForItems(items);
    if (commands.isEmpty()) {
        if (error)
            *error = QStringLiteral("%1 has no usable Exec= line").arg(entry.path());
        return false;
    }
    QStringList terminal;
    if (entry.terminal()) {
        terminal = terminalEmulatorCommand(options);
        if (terminal.isEmpty()) {
            if (error)
                *error = QStringLiteral("No terminal emulator for %1").arg(entry.name());
            return false;
        }
    }
    bool allStarted = true;
    for (QStringList command : commands) {
        if (!terminal.isEmpty())
            command = terminal + command;
        const QString program = command.takeFirst();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("GIO_LAUNCHED_DESKTOP_FILE"), entry.path());
        // Our own launcher's pid would make the child look like a grandchild;
        // the detached child's own pid is known only after its environment
        // is fixed, so the variable is left out.
        environment.remove(QStringLiteral("GIO_LAUNCHED_DESKTOP_FILE_PID"));
        // The items go as file-system bytes, so a name that is not UTF-8
        // reaches the application as it is on disk.
        QString failure;
        if (!Task::startDetached(program, command, environment.toStringList(), &failure)) {
            allStarted = false;
            if (error)
                *error = failure;
        }
    }
    return allStarted;
}

} // namespace

QStringList terminalEmulatorCommand(const LaunchOptions& options)
{
    if (!options.terminal.isEmpty())
        return options.terminal;
    const QString fromEnvironment = qEnvironmentVariable("TERMINAL");
    if (!fromEnvironment.isEmpty() && !QStandardPaths::findExecutable(fromEnvironment).isEmpty())
        return {fromEnvironment, QStringLiteral("-e")};
    // The terminal-exec convention takes the command as its own arguments.
    if (!QStandardPaths::findExecutable(QStringLiteral("xdg-terminal-exec")).isEmpty())
        return {QStringLiteral("xdg-terminal-exec")};
    for (const char* program : {"x-terminal-emulator", "xterm"}) {
        if (!QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
            return {QLatin1String(program), QStringLiteral("-e")};
    }
    return {};
}

bool canLaunchDesktopEntry(const DesktopEntry& entry, const LaunchOptions& options)
{
    // A missing Exec= program is found out when starting it, and opening
    // then tries the next application; TryExec= is the entry's own check.
    if (entry.isNull() || !entry.isApplication() || !entry.isInstalled())
        return false;
    return !entry.terminal() || !terminalEmulatorCommand(options).isEmpty();
}

QStringList applicationsFolders()
{
    QStringList folders {xdgBaseFolder(XdgBaseFolder::Data) + QStringLiteral("/applications")};
    for (const QString& dir : xdgSearchFolders(XdgSearchFolders::Data))
        folders.append(dir + QStringLiteral("/applications"));
    folders.removeDuplicates();
    return folders;
}

QString desktopFileIDForPath(const QString& path, const QString& folder)
{
    const QString base = withoutTrailingSlash(folder) + u'/';
    if (folder.isEmpty() || !path.startsWith(base) || !path.endsWith(QLatin1String(".desktop")))
        return {};
    QString relative = path.mid(base.size());
    if (relative == QLatin1String(".desktop"))
        return {};
    return relative.replace(u'/', u'-');
}

QString desktopFileIDOfPath(const QString& path)
{
    if (!path.endsWith(QLatin1String(".desktop")))
        return {};
    for (const QString& folder : applicationsFolders()) {
        if (const QString id = desktopFileIDForPath(path, folder); !id.isNull())
            return id;
    }
    return lastPathComponent(path);
}

QString desktopEntryPathForID(const QString& id)
{
    if (id.isEmpty() || id.contains(QLatin1String("..")))
        return {};
    const QString wanted = normalizedID(id);
    for (const QString& folder : applicationsFolders()) {
        // "a-b-c.desktop" may be "a/b-c.desktop", "a-b/c.desktop" …: try the
        // plain name first, then every way of reading dashes as folders.
        QStringList candidates {wanted};
        for (qsizetype dash = wanted.indexOf(u'-'); dash >= 0; dash = wanted.indexOf(u'-', dash + 1)) {
            QString split = wanted;
            split[dash] = u'/';
            candidates.append(split);
        }
        for (const QString& relative : candidates) {
            const QString path = folder + u'/' + relative;
            if (!QFileInfo(path).isFile())
                continue;
            if (desktopFileIDForPath(path, folder) != wanted)
                continue;
            return DesktopEntry::fromFile(path, wanted).hidden() ? QString() : path;
        }
        // Deeper nesting ("a/b/c.desktop") needs two dashes and a folder
        // with subfolders; only then is the folder scanned.
        if (wanted.count(u'-') < 2 || QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty())
            continue;
        for (const auto& [foundID, path] : entriesInFolder(folder)) {
            if (foundID == wanted)
                return DesktopEntry::fromFile(path, wanted).hidden() ? QString() : path;
        }
    }
    return {};
}

DesktopEntry desktopEntryForID(const QString& id)
{
    const QString path = desktopEntryPathForID(id);
    return path.isNull() ? DesktopEntry() : DesktopEntry::fromFile(path, normalizedID(id));
}

QList<DesktopEntry> allDesktopEntries()
{
    QList<DesktopEntry> entries;
    QSet<QString> seen;
    for (const QString& folder : applicationsFolders()) {
        for (const auto& [id, path] : entriesInFolder(folder)) {
            if (seen.contains(id))
                continue;
            seen.insert(id);
            DesktopEntry entry = DesktopEntry::fromFile(path, id);
            if (!entry.isNull() && !entry.hidden())
                entries.append(std::move(entry));
        }
    }
    return entries;
}

DesktopEntry desktopEntryForApplicationName(const QString& name)
{
    if (name.isEmpty())
        return {};
    if (name.startsWith(u'/')) {
        const QString id = desktopFileIDOfPath(name);
        const DesktopEntry entry = id.isNull() ? DesktopEntry() : DesktopEntry::fromFile(name, id);
        return entry.isApplication() ? entry : DesktopEntry();
    }
    if (const DesktopEntry byID = desktopEntryForID(name); byID.isApplication())
        return byID;
    for (const DesktopEntry& entry : allDesktopEntries()) {
        if (!entry.isApplication())
            continue;
        if (!entry.isInstalled())
            continue;
        if (entry.name().compare(name, Qt::CaseInsensitive) == 0
            || entry.value(QStringLiteral("Name")).compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return {};
}

QStringList applicationIDsOfUnitName(const QString& unit)
{
    QString rest;
    if (unit.startsWith(QLatin1String("app-")) && unit.endsWith(QLatin1String(".scope"))) {
        rest = unit.mid(4, unit.size() - 4 - 6);
        // The scope's random suffix follows the last dash.
        const qsizetype dash = rest.lastIndexOf(u'-');
        if (dash <= 0)
            return {};
        rest.truncate(dash);
    } else if (unit.startsWith(QLatin1String("app-")) && unit.endsWith(QLatin1String(".service"))) {
        rest = unit.mid(4, unit.size() - 4 - 8);
        if (const qsizetype at = rest.indexOf(u'@'); at >= 0)
            rest.truncate(at);
    } else {
        return {};
    }
    QStringList candidates;
    for (qsizetype start = 0; start >= 0 && start < rest.size();) {
        QString candidate = rest.mid(start);
        candidate.replace(QLatin1String("\\x2d"), QLatin1String("-"));
        if (!candidate.isEmpty())
            candidates.append(candidate);
        const qsizetype dash = rest.indexOf(u'-', start);
        start = dash < 0 ? -1 : dash + 1;
    }
    return candidates;
}

QString desktopFileIDForProcess(pid_t pid, const QString& proc)
{
    if (pid <= 0)
        return {};
    ProgramTable programs;
    return idForProcess(pid, proc, programs);
}

QStringList runningDesktopFileIDs(const QString& proc)
{
    QSet<QString> ids;
    ProgramTable programs;
    const QStringList names = QDir(proc).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        bool numeric = false;
        const long long pid = name.toLongLong(&numeric);
        if (!numeric || pid <= 0)
            continue;
        // Other users' processes cannot be read and are not ours to list.
        if (QFileInfo(proc + u'/' + name).ownerId() != ::getuid())
            continue;
        const QString id = idForProcess(static_cast<pid_t>(pid), proc, programs);
        if (!id.isEmpty())
            ids.insert(id);
    }
    return QStringList(ids.cbegin(), ids.cend());
}

QString dbusObjectPathForApplicationID(const QString& id)
{
    QString path = id;
    path.replace(u'.', u'/').replace(u'-', u'_');
    return u'/' + path;
}

bool launchDesktopEntry(const DesktopEntry& entry, const QStringList& items, const LaunchOptions& options,
                        QString* error)
{
    if (error)
        error->clear();
    if (entry.isNull() || !entry.isApplication()) {
        if (error)
            *error = QStringLiteral("Not an application: %1").arg(entry.path());
        return false;
    }
    if (entry.dbusActivatable()) {
        QString dbusError;
        const QVariantMap platformData;
        CallAnswer answer = CallAnswer::Refused;
        if (items.isEmpty()) {
            answer = callApplication(entry, QStringLiteral("Activate"), {platformData},
                                     options.dbusTimeoutMs, &dbusError);
        } else {
            QStringList uris;
            for (const QString& item : items)
                uris.append(item.startsWith(u'/') ? URL::fileURLWithPath(item).absoluteString() : item);
            answer = callApplication(entry, QStringLiteral("Open"), {uris, platformData},
                                     options.dbusTimeoutMs, &dbusError);
        }
        // A late answer still opens the items: starting the Exec= line as
        // well would open them twice.
        if (answer == CallAnswer::Accepted || answer == CallAnswer::NotAnswered) {
            if (answer == CallAnswer::NotAnswered)
                logWarning(QStringLiteral("%1; it may still open the items").arg(dbusError));
            return true;
        }
        if (answer == CallAnswer::Refused || entry.exec().isEmpty()) {
            if (error)
                *error = dbusError;
            return false;
        }
        logWarning(QStringLiteral("%1; starting %2 by its Exec= line").arg(dbusError, entry.applicationID()));
    }
    return launchCommands(entry, items, options, error);
}

bool launchFirstDesktopEntry(const QStringList& entryPaths, const QStringList& items)
{
    for (const QString& path : entryPaths) {
        if (launchDesktopEntry(DesktopEntry::fromFile(path, desktopFileIDOfPath(path)), items))
            return true;
    }
    return false;
}

bool activateDesktopEntryAction(const DesktopEntry& entry, const QString& action,
                                const QVariantList& parameters, QString* error)
{
    if (error)
        error->clear();
    if (entry.isNull() || !entry.dbusActivatable() || action.isEmpty()) {
        if (error)
            *error = QStringLiteral("%1 takes no actions over D-Bus").arg(entry.applicationID());
        return false;
    }
    return callApplication(entry, QStringLiteral("ActivateAction"),
                           {action, QVariant::fromValue(parameters), QVariantMap()}, 5000, error)
           == CallAnswer::Accepted;
}

} // namespace sorvant
