#pragma once
// Creating, copying, moving, renaming, removing and writing items, each
// with one Boolean answer. No path (null or empty) answers NO, or YES where
// there is nothing to do. Failures come back through an optional FileError
// (cleared first) and are logged where stated; no exception leaves here.
//
// Nothing is lost on failure: a copy is made under a hidden temporary name
// beside its destination (".<name>.sorvant-copy-XXXXXX") and renamed into
// place whole, never over an item; a copy that fails removes all it made
// and only that (its own read-only folders are made writable first), and
// what it cannot remove is logged. A copy killed part way can leave:
//   - its temporary item, which it holds locked while it works: the next
//     copy into that folder removes it (system/copy_temporaries.h);
//   - on a file system without RENAME_NOREPLACE (renameNoReplace below),
//     killed between claiming the destination's name and renaming over the
//     claim, an empty folder (or an empty file, where hard links are refused
//     too) under the destination's name, which nothing removes: it cannot be
//     told from one a user made.
// Nothing else stands under the destination's name. A move never replaces
// an existing item; a move across file systems removes the source only
// after the whole copy is in place; rewriting a file replaces it whole or
// not at all.
//
// Not here: questions about items (system/file_tests.h).

#include "platform/file_error.h"
#include "system/tree_removal.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <functional>

namespace sorvant {

// The attribute key of createPath(): the permission bits of a new folder.
inline constexpr const char* NSFilePosixPermissions = "NSFilePosixPermissions";

// --- creating ----------------------------------------------------------------------------------

// An empty file at the path; YES when an item is already there.
bool createFile(const QString& path);
// As createFile, making the parent folders first.
bool createPathAndFile(const QString& path);
// The parent folders of a file path.
bool createPathToFile(const QString& path, const QVariantMap& attributes = {});
// Makes the parent folders (whatever their result), then writes the data
// (atomically: through a temporary file renamed over the path). NO for null data.
bool createPathAndWriteObject(const QByteArray& data, const QString& path, bool atomically);
// A folder and its parents; YES when a folder is already there, NO when
// another kind of item is. Attributes may give NSFilePosixPermissions.
bool createPath(const QString& path, const QVariantMap& attributes = {});
// A folder at `path`, moved from `previousPath` when a folder is there, else
// made new; NO when an item is already at `path`.
bool createPathPreviousPath(const QString& path, const QString& previousPath);
// Removes whatever is at the path (errors ignored), makes the folder and
// answers whether it is writable.
bool createWritableTemporaryPath(const QString& path);
// A hard link to an existing item (outside a sandbox), else a symbolic one.
bool createLinkWithPath(const QString& existingPath, const QString& linkPath);

// --- copying, moving, removing -------------------------------------------------------------

// Copies a file, a link (as a link) or a whole folder tree, keeping
// permissions, modification dates, user extended attributes (tags,
// comments) and the holes of sparse files. NO with EEXIST when the
// destination exists, also when another program makes it while the copy is
// under way (its item is kept). A copy stays on the mount it starts on: a
// mount point inside the folder (another file system, or a bind mount of a
// folder or a file) fails it with EXDEV, and the error names it:
//   "copy '/tmp/top/mnt': Invalid cross-device link"
bool copyPath(const QString& source, const QString& destination, FileError* error = nullptr);
// Renames, or copies and then removes across file systems. Never replaces
// an existing destination (EEXIST).
bool movePath(const QString& source, const QString& destination, FileError* error = nullptr);
// YES when either path is null or empty, or something is already at the new
// path, or nothing is at the old one; else copyPath.
bool migratePath(const QString& oldPath, const QString& newPath, FileError* error = nullptr);
// movePath within the same folder under a new name.
bool renamePath(const QString& path, const QString& newName);
// Removes an item (a folder with everything in it; links are not followed).
// YES when it is gone, also when it vanished meanwhile. On failure logs
// "ERROR: Couldn't remove path <path>: <error>".
bool removePath(const QString& path, FileError* error = nullptr);

// The items a removal of `path` would remove: 1 for a file or link, a
// folder with everything below it (links not followed). -1 when stopped
// (shouldStop answered true) or when nothing is at the path.
//   "/tmp/file"                    => 1
//   "/tmp/folder" holding a, b/c   => 4 (folder, a, b, c)
//   "/tmp/missing", "", null       => -1
qint64 countRemovalItems(const QString& path, const std::function<bool()>& shouldStop = {});
// removePath that asks and tells `progress` item by item. Stopped: NO, the
// error (when asked for) carries ECANCELED, and nothing is logged as an error.
// The walk goes through descriptors relative to each folder: paths below
// `path` may be longer than PATH_MAX, and memory grows with the depth of
// the tree, not with its number of items. An item that cannot be removed is
// not counted; its folders stay, and every other item is still removed, at
// any depth. A removal stays on the mount it starts on: a mount point inside
// (another file system, or a bind mount of a folder or a file) is not
// entered and is left with all that is mounted there; the error then names
// it, with EBUSY:
//   "remove mount point '/tmp/top/mnt': Device or resource busy"
bool removePath(const QString& path, FileError* error, const RemovalProgress& progress);
// Whether removePath's `error` is a mount point it left (error.path names it).
[[nodiscard]] bool isMountPointLeft(const FileError& error);
// The system call unlink; a path that holds U+0000 is logged as
// "ERROR: getFileSystemRepresentation '<path>':\n<name>\n<reason>" and answers NO.
bool unlinkFileAtPath(const QString& path);

// --- renaming bytes ----------------------------------------------------------------------

// Renames `from` to `to` (file-system bytes) and never replaces an item at
// `to` (errno EEXIST). Where the file system refuses RENAME_NOREPLACE
// (EINVAL, ENOSYS: FUSE, some network file systems) it claims `to` first:
// a hard link for a non-folder, else an empty item of the same kind that
// the rename replaces. A claim that another program replaced meanwhile is
// neither replaced nor removed (EEXIST, or the rename's own errno).
bool renameNoReplace(const QByteArray& from, const QByteArray& to);

// The renameat2 call (AT_FDCWD on both sides) this file and the Trash use;
// a test puts a stand-in here to act as a file system without a flag.
// nullptr restores the system call.
using RenameWithFlags = int (*)(const char* from, const char* to, unsigned int flags);
void setRenameWithFlagsFunction(RenameWithFlags function);

// Called by renameNoReplace the moment it has claimed `to` with an empty
// item, before it looks whether the claim is still its own and renames over
// it; a test puts a stand-in here to act as another program saving its own
// item there then. nullptr (the default) calls nothing.
using ClaimMade = void (*)(const char* to);
void setClaimMadeFunction(ClaimMade function);

// --- writing ------------------------------------------------------------------------------

// Writes data to a file, made when missing. Appending adds to the end;
// otherwise the file is replaced whole (old contents kept if writing fails).
bool writeData(const QByteArray& data, const QString& path, bool append);
// The string's UTF-8 written by writeData; NO for a null or empty string.
bool writeString(const QString& string, const QString& path, bool append);

// --- merging folders ----------------------------------------------------------------------

// Copies each item of a source folder into a target folder, recursing into
// folders present in both. Without overwrite a target file is replaced only
// when the source is newer; with it always. A replaced item is swapped for
// a finished copy in one step, so the target is never missing, and a
// failure leaves it as it was. Answers YES when every item was
// brought over; each failure is logged "ERROR: Couldn't update path <path>:
// <error>" and the merge goes on. (Linux has no hidden-extension attribute:
// `hideFileExtensions` changes nothing.)
bool updatePath(const QString& source, const QString& target, bool overwrite = false,
                bool hideFileExtensions = false);

} // namespace sorvant
