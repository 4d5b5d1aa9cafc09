#pragma once
// Moving items to the Trash by the freedesktop Trash rules: items of the
// home's file system go to $XDG_DATA_HOME/Trash, items of other volumes to
// "<top>/.Trash/<uid>" (when the administrator made a sticky ".Trash"
// there) or "<top>/.Trash-<uid>". Each item gets a ".trashinfo" record
// (original path and deletion date) written before the item moves; the
// move is a rename that never replaces anything, so an item is either
// wholly in the Trash with its record or where it was, with no record.
// Items are never copied across file systems.

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace sorvant {

struct FileError;

// The home trash ($XDG_DATA_HOME/Trash, ~/.local/share/Trash when unset).
[[nodiscard]] QString homeTrashPath();

// Moves the item (a link itself, not its target) to its trash and answers
// YES; `trashedPath` gets its path inside the trash. On failure NO, with
// `error` (cleared first) naming the path and the reason; the item and the
// trash are as they were.
bool moveItemToTrash(const QString& path, QString* trashedPath = nullptr, FileError* error = nullptr);

// The trash that takes items of the file system of `path` (made when
// missing), or null when there can be none.
[[nodiscard]] QString trashFolderForPath(const QString& path);

// The top folder of the file system holding `path`: the highest folder
// above it on the same device.
//   "/home/u/x" (home on "/") => "/"
[[nodiscard]] QString topDirectoryOfPath(const QString& path);

// The trash's form of a deletion: "[Trash Info]\nPath=<path, percent-
// escaped>\nDeletionDate=<local time, YYYY-MM-DDThh:mm:ss>\n".
[[nodiscard]] QByteArray trashInfoContents(const QString& path, const QDateTime& date);

} // namespace sorvant
