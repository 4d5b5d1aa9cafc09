#pragma once
// The desktop's file manager and the Trash, for the actions of the search
// window on its results: whether a file manager runs (it owns
// org.freedesktop.FileManager1 on the session bus), item comments, the
// information window, revealing an item, and moving items to the Trash
// (system/trash.h).
//
// Comments are the "user.xdg.comment" attribute, which needs no file
// manager: reading and writing them do not wait for one.

#include <QString>

#include <functional>

class QObject;

namespace sorvant {

struct FileError;

// Whether a file manager serves org.freedesktop.FileManager1; asked once
// per process (resetFileManagerState forgets the answer, for tests).
[[nodiscard]] bool finderLaunched();
// finderLaunched and not sandboxed.
[[nodiscard]] bool finderScriptable();
void resetFileManagerState();

// The item's comment, or null (no path, no comment).
[[nodiscard]] QString finderCommentAtPath(const QString& path);
// Sets (or with an empty comment removes) the item's comment. NO for no
// path or a missing item, or when the attribute cannot be written. The
// attribute is written at once either way; `asynchronous` is kept for
// callers.
bool setFinderComment(const QString& comment, const QString& path, bool asynchronous);

// Asks the file manager for the item's information window
// (FileManager1.ShowItemProperties). YES when the request was sent; NO for
// an empty or missing path or when there is no session bus.
bool showInfoInFileViewerForPath(const QString& path);
// The same, without waiting for the answer: `answered` runs later on
// `context`'s thread (while `context` lives) with NO when no file manager
// took the request (none has the name and none can be started), YES
// otherwise. NO at once, and no call, for an empty or missing path or when
// there is no session bus.
bool showInfoInFileViewerForPath(const QString& path, QObject* context, std::function<void(bool taken)> answered);

// Shows the item selected in a file-manager window (FileManager1.ShowItems);
// without a file manager, opens the item's folder with its default
// application. NO for an empty or missing path.
bool selectFileInFileViewer(const QString& path);

// Moves the item to the Trash. YES when it is in the Trash, was removed
// (with `removeOnFailure`, when the Trash refused it) or was already gone;
// NO for an empty path or when the item stays. An immutable item stays,
// flag and all. `error`, when given, says why the Trash refused the item.
bool recycleFile(const QString& path, bool removeOnFailure, FileError* error = nullptr);
bool recycleFile(const QString& path);

} // namespace sorvant
