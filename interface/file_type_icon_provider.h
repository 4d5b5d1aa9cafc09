#pragma once
// The icons and type names a file dialog's model shows for its items, from
// the process's MIME database (platform/mime_database.h) rather than
// Qt's: Qt's default provider asks QMimeDatabase for every item a dialog
// lists (folders included), and QMimeDatabase maps the data folders' MIME
// caches without bounds checks, so a damaged cache would crash the dialog.
// Not about drawing the icons themselves (the icon theme's).

#include <QAbstractFileIconProvider>

namespace sorvant {

class FileTypeIconProvider : public QAbstractFileIconProvider
{
public:
    // The kind's icon of an item: the folder icon for a folder, the theme's
    // icon of its MIME type or of the type's generic icon for a file, the
    // plain file icon when the theme has neither.
    [[nodiscard]] QIcon icon(const QFileInfo& info) const override;
    // The folder and the plain file icon are the results table's (the
    // theme's, else the pictures the program ships: never null); the
    // places (computer, desktop, Trash, network, drive) the theme's, else
    // the style's.
    [[nodiscard]] QIcon icon(IconType type) const override;
    // The kind's name: the MIME type's comment, a folder's that of
    // "inode/directory".
    //   "a.txt" => "plain text document"   "/usr" => "folder"
    [[nodiscard]] QString type(const QFileInfo& info) const override;
};

} // namespace sorvant
