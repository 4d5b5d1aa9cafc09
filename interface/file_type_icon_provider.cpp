#include "interface/file_type_icon_provider.h"

#include "platform/mime_database.h"

#include <QFileInfo>
#include <QIcon>

namespace sorvant {

QIcon FileTypeIconProvider::icon(const QFileInfo& info) const
{
    if (info.isDir())
        return icon(QAbstractFileIconProvider::Folder);
    const QString type = mimeTypeOfFile(info.filePath());
    for (const QString& name : {mimeTypeIconName(type), mimeTypeGenericIconName(type)}) {
        if (!name.isEmpty() && QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
    }
    return icon(QAbstractFileIconProvider::File);
}

QString FileTypeIconProvider::type(const QFileInfo& info) const
{
    // A folder by its type's comment too, as the results' Kind column says.
    return mimeTypeComment(info.isDir() ? QStringLiteral("inode/directory") : mimeTypeOfFile(info.filePath()));
}

} // namespace sorvant
