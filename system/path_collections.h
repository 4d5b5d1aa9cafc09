#pragma once
// Toolkit helpers that need the file services: the minimum cover of a list
// of paths, file extensions stored in user defaults, and writing a value to
// the Desktop for debugging. They belong with the string and array helpers
// of foundation/, but call path containment, extension validity and the
// standard folders, which live here, above foundation.

#include <QString>
#include <QStringList>
#include <QVariant>

namespace sorvant {

class UserDefaults;

// Sorts the paths and removes every path that lies in another one of them
// (pathIsInDirectory), so that no remaining path is inside another. Lists of
// fewer than two paths are left as they are.
//   ["/a/b", "/a", "/c", "/a/bc"] => ["/a", "/c"]
//   ["/ab", "/a"]                  => ["/a", "/ab"] (a prefix is no parent)
void minimumCoverOfPaths(QStringList& paths);

// The file extensions stored under `key`: a string is split at every ".",
// a list is taken as it is; only items that are valid extensions
// (isValidPathExtension) are kept, in order, repeats included. Never null:
// a missing key or a value of another kind gives an empty list.
//   ".jpg.png" => ["jpg", "png"]    ["tif", 3, "x y"] => ["tif"]    42 => []
[[nodiscard]] QStringList pathExtensionsForKey(const UserDefaults& defaults, const QString& key);

// Writes `value` to `filename` in the user's Desktop folder: a string as
// UTF-8 text, data as its bytes, a list or dictionary as an XML property
// list. Answers whether the write succeeded; NO for an empty file name, for
// any other kind of value, or when the Desktop folder cannot be written.
//   ("log.txt", "hello") => YES, ~/Desktop/log.txt holds "hello"
//   ("x", QVariant(3))   => NO (a number has no file form)
bool dumpToDesktopWithFilename(const QVariant& value, const QString& filename);

} // namespace sorvant
