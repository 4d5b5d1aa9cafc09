#pragma once
// The items of one folder as full paths (all, by extension, or by a name
// test such as a wildcard), and the ownership and permissions of an item,
// captured so that they can be given to a new item.
//
// Listings are one level deep, in the order the file system gives; names
// are kept byte-exact. Not here: the wildcard matcher itself, which lives
// with the search engine; pass it to pathsAtPathMatchingName.

#include "platform/file_error.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

namespace sorvant {

// The attribute keys of permissionsAtPath().
inline constexpr const char* NSFileOwnerAccountName = "NSFileOwnerAccountName";
inline constexpr const char* NSFileGroupOwnerAccountName = "NSFileGroupOwnerAccountName";
inline constexpr const char* NSFileOwnerAccountID = "NSFileOwnerAccountID";
inline constexpr const char* NSFileGroupOwnerAccountID = "NSFileGroupOwnerAccountID";
// NSFilePosixPermissions is declared with the file operations.

// --- listings --------------------------------------------------------------------------------

// Every item of a folder as folder + "/" + name. Empty for no folder path
// and for a folder that cannot be read (the error says why).
[[nodiscard]] QStringList pathsAtPath(const QString& folder, FileError* error = nullptr);

// The items whose extension equals `extension` ignoring case; empty when
// either is null or the folder path is empty.
//   ("/x", "JPG") => ["/x/a.jpg", "/x/b.Jpg"]   a name without extension never matches "jpg"
[[nodiscard]] QStringList pathsAtPathMatchingExtension(const QString& folder, const QString& extension);

// The items whose name the test accepts (the search engine passes its
// case-insensitive wildcard match here); empty for an empty folder path.
[[nodiscard]] QStringList pathsAtPathMatchingName(const QString& folder,
                                                  const std::function<bool(const QString& name)>& accepts);

// --- permissions -------------------------------------------------------------------------------

// The owner and group (names and ids) and the permission bits of an item,
// without following a final link; the three execute bits cleared unless
// `executable`. Empty when the path is null or the item cannot be read.
//   (folder 0755, NO) => {..., NSFilePosixPermissions: 0644}
[[nodiscard]] QVariantMap permissionsAtPath(const QString& path, bool executable);
// permissionsAtPath of the item's parent folder.
[[nodiscard]] QVariantMap permissionsAtPathByDeletingLastPathComponent(const QString& path, bool executable);

// Gives captured attributes to an item: the permission bits, and the owner
// and group ids where the process may change them. YES when every attribute
// present was applied.
bool setAttributesOfItemAtPath(const QVariantMap& attributes, const QString& path);

} // namespace sorvant
