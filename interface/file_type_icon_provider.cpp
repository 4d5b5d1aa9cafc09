#include "interface/file_type_icon_provider.h"

#include "platform/mime_database.h"

#include <QFileInfo>
#include <QGuiApplication>
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
    // Qt's own words for a folder, so a dialog reads the same as before.
    if (info.isDir())
        return QGuiApplication::translate("QAbstractFileIconProvider", "Folder");
    return mimeTypeComment(mimeTypeOfFile(info.filePath()));
}

} // namespace sorvant
