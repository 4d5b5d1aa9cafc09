#include "system/lock_files.h"

#include "foundation/values.h"
#include "platform/path_semantics.h"
#include "platform/property_list.h"
#include "system/file_operations.h"
#include "system/standard_folders.h"

#include <QFileInfo>
#include <QVariantMap>

#include <pwd.h>
#include <unistd.h>

namespace sorvant {

namespace {

QVariantMap readLock(const QString& lockPath)
{
    const QVariant value = readPropertyListFile(lockPath);
    return value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
}

bool isLockDictionary(const QString& lockPath)
{
    return readPropertyListFile(lockPath).typeId() == QMetaType::QVariantMap;
}

} // namespace

QString userName()
{
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}

QString lockFileAtPath(const QString& path, bool override)
{
    if (path.isEmpty())
        return {};
    const QString lockPath = path + QStringLiteral(".lock");
    if (!override && isLockDictionary(lockPath))
        return {};
    const QVariantMap record {
        {QStringLiteral("userName"), userName()},
        {QStringLiteral("processNumber"), qint64(::getpid())},
    };
    const QByteArray data = xmlDataFromPropertyList(record);
    return createPathAndWriteObject(data, lockPath, true) ? lockPath : QString();
}

bool unlockFileAtPath(const QString& lockPath)
{
    if (lockPath.isEmpty())
        return false;
    const QVariantMap record = readLock(lockPath);
    if (record.isEmpty())
        return false;
    const QVariant holder = record.value(QStringLiteral("userName"));
    if (holder.typeId() != QMetaType::QString || holder.toString() != userName())
        return false;
    if (intValue(record.value(QStringLiteral("processNumber"))) != ::getpid())
        return false;
    return removePath(lockPath);
}

bool existsCustomIconForPath(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return false;
    return existsCustomIconForPath(path, info.isDir());
}

bool existsCustomIconForPath(const QString& path, bool isDirectory)
{
    if (path.isEmpty() || !isDirectory)
        return false;
    if (QFileInfo::exists(stringByAppendingPathComponent(path, QStringLiteral("Icon\r"))))
        return true;
    if (!pathExtension(path).isEmpty())
        return false;
    const QString parent = stringByStandardizingPath(stringByDeletingLastPathComponent(path));
    return parent == stringByStandardizingPath(UserHomeDirectory())
        || parent == stringByStandardizingPath(userHomeDirectory()) || parent == QLatin1String("/");
}

} // namespace sorvant
