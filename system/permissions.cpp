#include "system/permissions.h"

#include "platform/capabilities.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/path_semantics.h"
#include "system/alert_presenter.h"
#include "system/bundle.h"
#include "system/file_operations.h"
#include "system/workspace_monitors.h"

#include <QFile>
#include <QFileInfo>

#include <mutex>

#include <unistd.h>

namespace sorvant {

namespace {

struct Hooks
{
    std::mutex mutex;
    AutomationProbe probe;
    PrivacySettingsOpener opener;
};

Hooks& hooks()
{
    static Hooks instance;
    return instance;
}

void showPermissionAlert(const QString& title, const QString& message, const QString& section)
{
    AlertRequest alert;
    alert.messageText = localizedToolkitString(title);
    alert.informativeText = localizedToolkitString(message).arg(Bundle::mainBundle().localizedBundleName());
    alert.defaultButton = localizedToolkitString(QStringLiteral("System Preferences"));
    alert.alternateButton = localizedToolkitString(QStringLiteral("Cancel"));
    alert.style = AlertStyle::Warning;
    if (runAlert(alert) != 1)
        return;
    PrivacySettingsOpener opener;
    {
        std::lock_guard lock(hooks().mutex);
        opener = hooks().opener;
    }
    if (opener)
        opener(section);
    else
        logWarning(QStringLiteral("No privacy settings to open for %1").arg(section));
}

bool canReadOrWrite(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        const QString probe = stringByAppendingPathComponent(path, QStringLiteral(".velmorappkit.fulldiskcheck"));
        QFile file(probe);
        // A probe already there is someone's file: it is left alone and
        // the folder's permissions answer instead.
        if (QFileInfo(probe).isSymLink() || QFileInfo::exists(probe))
            return ::access(fileSystemRepresentation(path).constData(), W_OK | X_OK) == 0;
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write("Dummy") != 5) {
            // Only a probe this call made is removed.
            if (file.isOpen()) {
                file.close();
                QFile::remove(probe);
            }
            return false;
        }
        file.close();
        removePath(probe);
        return true;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    file.readAll();
    return file.error() == QFileDevice::NoError;
}

} // namespace

AutomationProbe setAutomationProbe(AutomationProbe probe)
{
    std::lock_guard lock(hooks().mutex);
    std::swap(hooks().probe, probe);
    return probe;
}

PrivacySettingsOpener setPrivacySettingsOpener(PrivacySettingsOpener opener)
{
    std::lock_guard lock(hooks().mutex);
    std::swap(hooks().opener, opener);
    return opener;
}

bool requestFullDiskAccessAtPath(const QString& path)
{
    if (path.isEmpty())
        return false;
    if (!capabilities().privacyPermissions)
        return true;
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return true;
    if (canReadOrWrite(path))
        return true;
    showPermissionAlert(QStringLiteral("Full Disk Access is Required"),
                        QStringLiteral("Please enable full disk access in System Preferences > Security & Privacy "
                                       "for %1 before attempting this operation again."),
                        QStringLiteral("Privacy_AllFiles"));
    return false;
}

bool permittedToAutomateApplicationWithBundleIdentifier(const QString& identifier, bool askUserIfNeeded)
{
    if (identifier.isEmpty() || !applicationWithBundleIdentifierLaunched(identifier))
        return false;
    if (!capabilities().privacyPermissions)
        return true;
    AutomationProbe probe;
    {
        std::lock_guard lock(hooks().mutex);
        probe = hooks().probe;
    }
    if (probe) {
        const int status = probe(identifier, askUserIfNeeded);
        // -1744: the user has not been asked yet, and the event will ask.
        if (status == 0 || status == -1744)
            return true;
        logWarning(QStringLiteral("Automation of %1 not possible: %2").arg(identifier).arg(status));
    }
    if (!askUserIfNeeded)
        return false;
    showPermissionAlert(QStringLiteral("Automation is Required"),
                        QStringLiteral("Please enable automation in System Preferences > Security & Privacy for %1 "
                                       "before attempting this operation again."),
                        QStringLiteral("Privacy_Automation"));
    return false;
}

} // namespace sorvant
