#pragma once
// Extended attributes of files, and the two this system gives meaning to:
// tags in "user.xdg.tags" (a comma-separated list) and the comment in
// "user.xdg.comment", the conventions Linux file managers share.
//
// Attributes of a symbolic link are those of the item it points to (the
// kernel keeps no user attributes on links). A file system without extended
// attributes reads as an item without any.

#include "platform/file_error.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace sorvant {

inline constexpr const char* kTagsAttribute = "user.xdg.tags";
inline constexpr const char* kCommentAttribute = "user.xdg.comment";

// The value of an attribute; null when it is missing, the item is missing or
// the file system has no extended attributes (the error says which).
//   present "a,b" => "a,b"   present and empty => "" (not null)   missing => null
[[nodiscard]] QByteArray extendedAttribute(const QString& path, const char* name, FileError* error = nullptr);

// The value of an attribute of the item `itemName` (one name, no "/") in
// the open folder `folderFd`; null as above. The item is reached relative to
// its folder, so an item whose whole path is longer than PATH_MAX still
// answers. A link is not followed to its target.
[[nodiscard]] QByteArray extendedAttributeInFolder(int folderFd, const char* itemName, const char* name);

// Sets an attribute; NO with the error when the file system refuses.
bool setExtendedAttribute(const QString& path, const char* name, const QByteArray& value,
                          FileError* error = nullptr);

// Removes an attribute; YES also when it was not there.
bool removeExtendedAttribute(const QString& path, const char* name, FileError* error = nullptr);

// The tags of a list value: split at ",", each trimmed of spaces, empty
// entries dropped.
//   "red, work ,," => ["red", "work"]   "" => []   null => []
[[nodiscard]] QStringList tagNamesFromAttributeValue(const QByteArray& value);

// The tags of an item; [] when it has none or they cannot be read.
[[nodiscard]] QStringList tagNamesAtPath(const QString& path);

// Writes the tags as one comma-separated list; an empty list removes the
// attribute.
bool setTagNamesAtPath(const QString& path, const QStringList& tags, FileError* error = nullptr);

// The comment of an item; null when it has none.
[[nodiscard]] QString commentAtPath(const QString& path);

// Writes the comment; a null or empty comment removes it.
bool setCommentAtPath(const QString& path, const QString& comment, FileError* error = nullptr);

} // namespace sorvant
