#pragma once
// The items of one folder whose names match a wildcard ("*" and "?")
// ignoring case: the folder listing of system/folder_listings.h joined with
// the wildcard match of this library.

#include <QString>
#include <QStringList>

namespace sorvant {

// Full paths of the matching items, in the order the file system gives;
// empty when either argument is null or the folder path is empty.
//   ("/x", "photo*") => ["/x/Photo-1.png", "/x/photo-2.PNG"]
[[nodiscard]] QStringList pathsAtPathMatchingWildcard(const QString& folder, const QString& wildcard);

} // namespace sorvant
