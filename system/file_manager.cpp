#include "system/file_manager.h"

#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/path_semantics.h"
#include "platform/url.h"
#include "platform/xattr.h"
#include "system/file_operations.h"
#include "system/file_tests.h"
#include "system/opening.h"
#include "system/sandbox.h"
#include "system/trash.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

#include <atomic>
#include <cerrno>
#include <mutex>

#include <sys/stat.h>

namespace sorvant {

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");

std::mutex stateMutex;
bool stateKnown = false;
bool stateValue = false;

bool itemExists(const QString& path)
{
    struct stat info {};
    return !path.isEmpty() && ::lstat(fileSystemRepresentation(path).constData(), &info) == 0;
}

QDBusMessage fileManagerCall(const QString& method, const QString& path)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/FileManager1"),
                                                          kService, method);
    message.setArguments({QStringList {URL::fileURLWithPath(path).absoluteString()}, QString()});
    return message;
}

bool callFileManager(const QString& method, const QString& path)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    // The file manager may take its time to open a window; nobody waits.
    return bus.isConnected() && bus.send(fileManagerCall(method, path));
}

} // namespace

bool finderLaunched()
{
    std::lock_guard lock(stateMutex);
    if (!stateKnown) {
        stateKnown = true;
        QDBusConnection bus = QDBusConnection::sessionBus();
        stateValue = bus.isConnected() && bus.interface()->isServiceRegistered(kService).value();
    }
    return stateValue;
}

bool finderScriptable()
{
    return finderLaunched() && !isSandboxed();
}

void resetFileManagerState()
{
    std::lock_guard lock(stateMutex);
    stateKnown = false;
}

QString finderCommentAtPath(const QString& path)
{
    if (path.isEmpty())
        return {};
    const QString comment = commentAtPath(path);
    return comment.isEmpty() ? QString() : comment;
}

bool setFinderComment(const QString& comment, const QString& path, bool asynchronous)
{
    Q_UNUSED(asynchronous)
    if (!itemExists(path))
        return false;
    return setCommentAtPath(path, comment);
}

bool showInfoInFileViewerForPath(const QString& path)
{
    return itemExists(path) && callFileManager(QStringLiteral("ShowItemProperties"), path);
}

bool showInfoInFileViewerForPath(const QString& path, QObject* context, std::function<void(bool)> answered)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!itemExists(path) || !bus.isConnected())
        return false;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(fileManagerCall(QStringLiteral("ShowItemProperties"), path)),
                                                context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [answered = std::move(answered)](QDBusPendingCallWatcher* call) {
                         call->deleteLater();
                         // Only "nobody has the name and none can be started"
                         // means not taken; a slow file manager still took it.
                         const QDBusError::ErrorType error = call->error().type();
                         answered(error != QDBusError::ServiceUnknown);
                     });
    return true;
}

bool selectFileInFileViewer(const QString& path)
{
    if (!itemExists(path))
        return false;
    if (finderLaunched() && callFileManager(QStringLiteral("ShowItems"), path))
        return true;
    const QString parent = stringByDeletingLastPathComponent(stringByStandardizingPath(path));
    return openURL(URL::fileURLWithPath(parent.isEmpty() ? QStringLiteral("/") : parent, true), false);
}

bool recycleFile(const QString& path, bool removeOnFailure, FileError* error)
{
    if (path.isEmpty())
        return false;
    if (!itemExists(path))
        return errno == ENOENT || errno == ENOTDIR;
    // An immutable item keeps its flag: the Trash refuses it (as rm does)
    // and so does removal.
    FileError refused;
    FileError& reason = error ? *error : refused;
    if (moveItemToTrash(path, nullptr, &reason))
        return true;
    if (!removeOnFailure) {
        logError(QStringLiteral("Couldn't move %1 to the Trash: %2").arg(path, reason.description()));
        return false;
    }
    return removePath(path);
}

bool recycleFile(const QString& path)
{
    return recycleFile(path, true);
}

} // namespace sorvant
