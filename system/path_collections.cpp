#include "system/path_collections.h"

#include "foundation/array_extensions.h"
#include "foundation/string_construction.h"
#include "platform/atomic_file.h"
#include "platform/property_list.h"
#include "platform/user_defaults.h"
#include "system/file_names.h"
#include "system/standard_folders.h"

namespace sorvant {

void minimumCoverOfPaths(QStringList& paths)
{
    minimumCoverOfPaths(paths, [](const QString& path, const QString& folder) {
        return pathIsInDirectory(path, folder);
    });
}

QStringList pathExtensionsForKey(const UserDefaults& defaults, const QString& key)
{
    QStringList extensions;
    QVariant value = defaults.objectForKey(key);
    if (value.typeId() == QMetaType::QString)
        value = value.toString().split(QLatin1Char('.'));
    if (value.typeId() != QMetaType::QStringList && value.typeId() != QMetaType::QVariantList)
        return extensions;
    // Items that are not strings are skipped, not converted: a number in the
    // list is no extension.
    for (const QVariant& item : value.toList()) {
        if (item.typeId() == QMetaType::QString && isValidPathExtension(item.toString()))
            extensions.append(item.toString());
    }
    return extensions;
}

bool dumpToDesktopWithFilename(const QVariant& value, const QString& filename)
{
    const QString desktop = userDesktopFolder();
    if (filename.isEmpty() || desktop.isEmpty())
        return false;
    const QString path = desktop + QLatin1Char('/') + filename;
    switch (value.typeId()) {
    case QMetaType::QString:
        return writeToFile(value.toString(), path, false, NSUTF8StringEncoding);
    case QMetaType::QByteArray:
        return writeFileAtomically(path, value.toByteArray());
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return writePropertyListFile(path, value);
    default:
        return false;
    }
}

} // namespace sorvant
