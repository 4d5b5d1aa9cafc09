#pragma once
// Moving items to the Trash by the freedesktop Trash rules: items of the
// home's file system go to $XDG_DATA_HOME/Trash (the home and data folders
// may be links), items of other volumes to "<top>/.Trash/<uid>" (when the
// administrator made a sticky ".Trash" there that is no link) or
// "<top>/.Trash-<uid>". Trash folders on a volume must be ours: real
// folders, owned by us, mode 0700; otherwise the item stays where it is.
// Each item gets a ".trashinfo" record (original path and deletion date)
// written before the item moves; the move is a rename that never replaces
// anything, so an item is either wholly in the Trash with its record or
// where it was, with no record. Items are never copied across file
// systems, and an immutable item is refused, as rm refuses it. Items of one
// name get numbers ("a.txt", "a.2.txt" …); the next is found in a few
// looks however many the trash holds (trash.cpp says how).

#include <QByteArray>
#include <QDateTime>
#include <QString>

struct stat;

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

// The name an item gets in files/ with number n (n from 1): the name, then
// "<base>.<n><.extension>", with the base cut (never inside a UTF-8
// sequence) so that the name stays within 245 bytes and its record's name
// within 255. The full path stays in the record.
//   ("a.txt", 1) => "a.txt"   ("a.txt", 2) => "a.2.txt"   (250 x "x", 1) => 245 x "x"
//   ("", 1) => ""
[[nodiscard]] QByteArray trashNameCandidate(const QByteArray& name, qint64 n);

// The trash's form of a deletion: "[Trash Info]\nPath=<path, percent-
// escaped>\nDeletionDate=<local time, YYYY-MM-DDThh:mm:ss>\n".
[[nodiscard]] QByteArray trashInfoContents(const QString& path, const QDateTime& date);

// The lstat and open calls with which the Trash looks for a free name in
// files/ and info/ and claims its record; a test puts stand-ins here to
// count them or to act as another program taking names first. nullptr
// restores the system call.
using TrashLstat = int (*)(const char* path, struct stat* info);
using TrashOpen = int (*)(const char* path, int flags, unsigned int mode);
void setTrashNameFunctions(TrashLstat lstat, TrashOpen open);

} // namespace sorvant
