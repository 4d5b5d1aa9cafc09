#include "system/process_information.h"

#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/path_semantics.h"
#include "platform/unique_fd.h"
#include "platform/user_defaults.h"
#include "system/bundle.h"
#include "system/desktop_entries.h"
#include "system/file_operations.h"
#include "system/standard_folders.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace sorvant {

namespace {

const QString kBundleName = QStringLiteral("CFBundleName");
const QString kBundleIdentifier = QStringLiteral("CFBundleIdentifier");
const QString kParent = QStringLiteral("ParentPSN");
const QString kCreator = QStringLiteral("FileCreator");

// Development environments whose children keep their standard error.
const QStringList kDevelopmentEnvironments {QStringLiteral("org.qt-project.qtcreator"), QStringLiteral("qtcreator")};

UniqueFd logDescriptor; // the file standard error last went to

QByteArray readSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096);
}

// The parent's ID from <proc>/PID/stat: the field after the name, which
// may itself hold spaces and parentheses.
pid_t parentOf(pid_t pid, const QString& proc)
{
    const QByteArray stat = readSmallFile(QStringLiteral("%1/%2/stat").arg(proc).arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    return fields.size() > 1 ? static_cast<pid_t>(fields[1].toInt()) : -1;
}

QString programName(pid_t pid, const QString& proc)
{
    const QString exe = QFile::symLinkTarget(QStringLiteral("%1/%2/exe").arg(proc).arg(pid));
    if (!exe.isEmpty())
        return lastPathComponent(exe);
    return QString::fromLocal8Bit(readSmallFile(QStringLiteral("%1/%2/comm").arg(proc).arg(pid))).trimmed();
}

std::vector<pid_t> processIDs(const QString& proc)
{
    std::vector<pid_t> ids;
    for (const QString& name : QDir(proc).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const int pid = name.toInt(&ok);
        if (ok && pid > 0)
            ids.push_back(pid);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

QString headerFormat(bool emptyFile)
{
    return emptyFile ? QStringLiteral("%1 %2, Linux %3\n\n") : QStringLiteral("\n%1 %2, Linux %3\n");
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

QString modelName(const QString& root)
{
    const QString base = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    for (const QString& file : {QStringLiteral("sys/class/dmi/id/product_name"),
                                QStringLiteral("proc/device-tree/model")}) {
        QByteArray text = readSmallFile(base + file);
        const qsizetype nul = text.indexOf('\0');
        if (nul >= 0)
            text.truncate(nul);
        const QString model = QString::fromUtf8(text).trimmed();
        if (!model.isEmpty())
            return model;
    }
    return {};
}

QString operatingSystemVersionString()
{
    return QStringLiteral("%1 (kernel %2)").arg(QSysInfo::prettyProductName(), QSysInfo::kernelVersion());
}

bool redirectStandardErrorToLogs()
{
    const QString logs = logsDirectory();
    const QString name = applicationBundle().bundleName();
    if (logs.isEmpty() || name.isEmpty())
        return false;
    return redirectStandardErrorToFile(QStringLiteral("%1/%2/%2.log").arg(logs, name));
}

bool redirectStandardErrorToFile(const QString& path)
{
    return redirectStandardErrorToFile(path, UserDefaults::standardUserDefaults());
}

bool redirectStandardErrorToFile(const QString& path, UserDefaults& defaults)
{
    if (path.isEmpty())
        return false;
    for (const QString& environment : kDevelopmentEnvironments)
        if (launchedByProcess(environment))
            return false;
    if (!createPathAndFile(path))
        return false;
    UniqueFd file(::open(fileSystemRepresentation(path).constData(), O_WRONLY | O_APPEND | O_CLOEXEC));
    const int fd = file.get();
    if (fd < 0) {
        logError(QStringLiteral("Console redirection failed: %1").arg(errorMessage(errno)));
        return false;
    }
    const Bundle& bundle = applicationBundle();
    const QString version = bundle.getShortVersionString();
    const QString system = operatingSystemVersionString();
    bool header = false;
    if (!version.isEmpty() && defaults.objectForKey(QStringLiteral("StandardErrorVersion")).toString() != version) {
        defaults.setObject(version, QStringLiteral("StandardErrorVersion"));
        if (::ftruncate(fd, 0) != 0)
            logWarning(QStringLiteral("Could not empty %1").arg(path));
        header = true;
    }
    if (!system.isEmpty() && defaults.objectForKey(QStringLiteral("StandardErrorOSVersion")).toString() != system) {
        defaults.setObject(system, QStringLiteral("StandardErrorOSVersion"));
        header = true;
    }
    logDescriptor = std::move(file);
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (header || end == 0)
        writeAll(fd, headerFormat(end == 0).arg(bundle.localizedBundleName(), version, system).toUtf8());
    return ::dup2(fd, STDERR_FILENO) >= 0;
}

QVariantMap processInformation(pid_t pid, const QString& proc)
{
    const QString name = programName(pid, proc);
    if (name.isEmpty())
        return {};
    QVariantMap info {{kBundleName, name}, {kCreator, name}, {QStringLiteral("pid"), static_cast<int>(pid)}};
    const pid_t parent = parentOf(pid, proc);
    if (parent > 0)
        info.insert(kParent, static_cast<int>(parent));
    const QString identifier = desktopFileIDForProcess(pid, proc);
    if (!identifier.isEmpty())
        info.insert(kBundleIdentifier, identifier);
    return info;
}

QVariantMap infoForProcessWithObjectForKey(const QString& key, const QVariant& value, const QString& proc)
{
    if (key.isEmpty() || !value.isValid())
        return {};
    for (const pid_t pid : processIDs(proc)) {
        // The cheap keys are tested before the desktop ID is looked up.
        if (key == kBundleName || key == kCreator) {
            if (programName(pid, proc) != value.toString())
                continue;
        } else if (key == QLatin1String("pid") && value.toInt() != pid) {
            continue;
        }
        const QVariantMap info = processInformation(pid, proc);
        if (info.contains(key) && info.value(key) == value)
            return info;
    }
    return {};
}

bool isProcessWithBundleNameRunning(const QString& name)
{
    return !infoForProcessWithObjectForKey(kBundleName, name).isEmpty();
}

bool isProcessWithBundleIdentifierRunning(const QString& identifier)
{
    return !infoForProcessWithObjectForKey(kBundleIdentifier, identifier).isEmpty();
}

bool killProcessWithIdentifier(pid_t pid)
{
    if (pid < 1 || pid == ::getpid() || ::kill(pid, 0) != 0)
        return false;
    ::kill(pid, SIGINT);
    return true;
}

bool killProcessWithBundleName(const QString& name)
{
    return killProcessWithIdentifier(infoForProcessWithObjectForKey(kBundleName, name).value("pid").toInt());
}

bool killProcessWithBundleIdentifier(const QString& identifier)
{
    return killProcessWithIdentifier(
        infoForProcessWithObjectForKey(kBundleIdentifier, identifier).value("pid").toInt());
}

qint64 processNumber()
{
    return ::getpid();
}

bool launchedAsLoginItem()
{
    return qEnvironmentVariableIsSet("DESKTOP_AUTOSTART_ID");
}

bool launchedByLaunchd(const QString& proc)
{
    const pid_t parent = parentOf(::getpid(), proc);
    if (parent < 0)
        return false;
    return parent <= 1 || QString::fromLocal8Bit(readSmallFile(QStringLiteral("%1/%2/comm").arg(proc).arg(parent)))
                              .trimmed() == QLatin1String("systemd");
}

bool launchedByProcess(const QString& nameOrIdentifier, const QString& proc)
{
    if (nameOrIdentifier.isEmpty())
        return false;
    const pid_t parent = parentOf(::getpid(), proc);
    if (parent <= 0)
        return false;
    if (programName(parent, proc) == nameOrIdentifier)
        return true;
    return desktopFileIDForProcess(parent, proc) == nameOrIdentifier;
}

} // namespace sorvant
