#include "system/cloud_folders.h"

#include "foundation/no_case_comparison.h"
#include "platform/atomic_file.h"
#include "platform/capabilities.h"
#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"
#include "system/file_names.h"
#include "system/standard_folders.h"
#include "system/volume_paths.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <mutex>
#include <sys/stat.h>

namespace sorvant {

namespace {

struct CloudCache {
    std::mutex lock;
    QString iCloud;
    QStringList dropbox;
    bool dropboxRead = false;
};

CloudCache& cloudCache()
{
    static CloudCache cache;
    return cache;
}

QStringList readDropboxFolders()
{
    const QString home = userHomeDirectory();
    QStringList folders;
    // A settings file is small; anything but a regular file is ignored.
    QByteArray json;
    if (readRegularFile(stringByAppendingPathComponent(home, QStringLiteral(".dropbox/info.json")), qint64(1) << 20,
                        &json)
        == FileReadStatus::Read) {
        const QJsonObject settings = QJsonDocument::fromJson(json).object();
        for (const QString& account : {QStringLiteral("personal"), QStringLiteral("business")}) {
            const QString path = settings.value(account).toObject().value(QStringLiteral("path")).toString();
            if (!path.isEmpty())
                folders.append(path);
        }
    }
    if (folders.isEmpty())
        folders.append(stringByAppendingPathComponent(home, QStringLiteral("Dropbox")));
    return folders;
}

QString newerICloudFolder()
{
    return stringByAppendingPathComponent(userLibraryDirectory(), QStringLiteral("CloudStorage/iCloudDrive"));
}

bool itemExists(const QString& path)
{
    struct stat status {};
    const QByteArray bytes = fileSystemRepresentation(path);
    return !bytes.isEmpty() && ::stat(bytes.constData(), &status) == 0;
}

// The Desktop and Documents folders kept by the cloud drive, and the path
// in one of them.
bool isInCloudDesktopOrDocuments(const QString& path)
{
    if (!capabilities().desktopAndDocumentsInCloud)
        return false;
    const QString documents = userDocumentsFolder();
    if (!pathIsInDirectory(path, documents) && !pathIsInDirectory(path, userDesktopFolder()))
        return false;
    const QString cloudDocuments = stringByAppendingPathComponent(iCloudFolder(), QStringLiteral("Documents"));
    return itemExists(cloudDocuments)
        && isEqualToStringNoCase(stringByResolvingSymlinksInPath(cloudDocuments), documents);
}

bool isInICloudDrive(const QString& path)
{
    return pathIsInDirectory(path, iCloudFolder()) || pathIsInDirectory(path, newerICloudFolder());
}

} // namespace

QString iCloudFolder()
{
    const QString library = userLibraryDirectory();
    CloudCache& cache = cloudCache();
    const std::lock_guard<std::mutex> guard(cache.lock);
    if (cache.iCloud.isEmpty())
        cache.iCloud = stringByAppendingPathComponent(library, QStringLiteral("Mobile Documents/com~apple~CloudDocs"));
    return cache.iCloud;
}

QStringList DropboxFolders()
{
    CloudCache& cache = cloudCache();
    {
        const std::lock_guard<std::mutex> guard(cache.lock);
        if (cache.dropboxRead)
            return cache.dropbox;
    }
    const QStringList folders = readDropboxFolders();
    const std::lock_guard<std::mutex> guard(cache.lock);
    if (!cache.dropboxRead) {
        cache.dropbox = folders;
        cache.dropboxRead = true;
    }
    return cache.dropbox;
}

void resetCloudFolders()
{
    CloudCache& cache = cloudCache();
    const std::lock_guard<std::mutex> guard(cache.lock);
    cache.iCloud.clear();
    cache.dropbox.clear();
    cache.dropboxRead = false;
}

bool isCloudFolder(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString home = userHomeDirectory();
    if (isInICloudDrive(path)
        || pathIsInDirectory(path, stringByAppendingPathComponent(home, QStringLiteral("Documents/CloudMe")))
        || pathIsInDirectory(path, stringByAppendingPathComponent(home, QStringLiteral("Box Sync"))))
        return true;
    for (const QLatin1String name : {QLatin1String("/OneDrive"), QLatin1String("/Google Drive"),
                                     QLatin1String("/GoogleDrive"), QLatin1String("/SeaDrive")}) {
        if (path.contains(name))
            return true;
    }
    return pathIsInDirectories(path, DropboxFolders());
}

bool isSharedCloudFolder(const QString& path)
{
    return isCloudFolder(path) || isVolumePath(path);
}

bool isVolatileFolder(const QString& path)
{
    return isCloudFolder(path) || isInCloudDesktopOrDocuments(path);
}

bool isSharedVolatileFolder(const QString& path)
{
    return isVolatileFolder(path) || isVolumePath(path);
}

bool isUbiquityFolder(const QString& path)
{
    return !path.isEmpty() && (isInICloudDrive(path) || isInCloudDesktopOrDocuments(path));
}

bool isiCloudPlaceholder(const QString& name)
{
    return name.startsWith(QLatin1Char('.')) && hasSuffixNoCase(name, QStringLiteral(".icloud"));
}

QString iCloudPlaceholder(const QString& path)
{
    if (path.isNull())
        return {};
    return stringByAppendingPathComponent(stringByDeletingLastPathComponent(path),
                                          QLatin1Char('.') + lastPathComponent(path) + QLatin1String(".icloud"));
}

bool existsiCloudPlaceholderAtPath(const QString& path)
{
    return !path.isEmpty() && isUbiquityFolder(path) && itemExists(iCloudPlaceholder(path));
}

} // namespace sorvant
