#pragma once
// Advisory lock files: "<file>.lock" beside a file, a property list naming
// the user and the process that hold it. Not atomic between processes:
// two that test at once may both write; the later writer holds the lock.
// Also the custom-icon test of the file cell.

#include <QString>

namespace sorvant {

// Writes the lock of `path` ({"userName", "processNumber"}, atomically,
// parent folders made) and answers the lock file's path. Without
// `override`, an existing lock that reads as a dictionary means "locked":
// null. Null too for an empty path or when the lock cannot be written.
[[nodiscard]] QString lockFileAtPath(const QString& path, bool override);

// Removes a lock written by this user's this process. NO for an empty path,
// a file that is no dictionary, or a lock held by another user or process.
bool unlockFileAtPath(const QString& lockPath);

// The login name of the user (the password database, else $USER).
[[nodiscard]] QString userName();

// Whether the item shows its own icon: a folder holding "Icon\r", or a
// folder without extension directly in the home folder or in "/" (the
// standard folders carry their own icons). Files have no custom-icon flag
// on Linux: NO. NO for an empty or missing path.
[[nodiscard]] bool existsCustomIconForPath(const QString& path);
[[nodiscard]] bool existsCustomIconForPath(const QString& path, bool isDirectory);

} // namespace sorvant
