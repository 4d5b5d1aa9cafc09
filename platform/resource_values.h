#pragma once
// Resource values of items on disk, read by key as the platform's URL
// resource values are: one statx of the item itself (a symbolic link is
// described, not followed), plus what a key needs beyond it (extended
// attributes, the mount table, the parent's ".hidden" list).
//
// What Linux lacks answers the empty value, never a made-up one: there are
// no alias files (NSURLIsAliasFileKey is NO), no Finder labels
// (NSURLLabelNumberKey is 0) and no settable creation date (setting it
// fails with ENOTSUP). Creation dates are the birth time where the file
// system records one, else null.
//
// Not here: the toolkit's questions built on these values (system/file_tests.h).

#include "platform/file_error.h"

#include <QAnyStringView>
#include <QLatin1String>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

namespace sorvant {

// --- keys (the value's type in brackets) --------------------------------------------
inline constexpr QLatin1String NSURLNameKey("NSURLNameKey");                            // QString
inline constexpr QLatin1String NSURLIsRegularFileKey("NSURLIsRegularFileKey");          // bool
inline constexpr QLatin1String NSURLIsDirectoryKey("NSURLIsDirectoryKey");              // bool
inline constexpr QLatin1String NSURLIsSymbolicLinkKey("NSURLIsSymbolicLinkKey");        // bool
inline constexpr QLatin1String NSURLIsVolumeKey("NSURLIsVolumeKey");                    // bool
inline constexpr QLatin1String NSURLIsPackageKey("NSURLIsPackageKey");                  // bool
inline constexpr QLatin1String NSURLIsApplicationKey("NSURLIsApplicationKey");          // bool
inline constexpr QLatin1String NSURLIsHiddenKey("NSURLIsHiddenKey");                    // bool
inline constexpr QLatin1String NSURLIsAliasFileKey("NSURLIsAliasFileKey");              // bool, always NO
inline constexpr QLatin1String NSURLIsUserImmutableKey("NSURLIsUserImmutableKey");      // bool
inline constexpr QLatin1String NSURLCreationDateKey("NSURLCreationDateKey");            // QDateTime or null
inline constexpr QLatin1String NSURLContentModificationDateKey("NSURLContentModificationDateKey");
inline constexpr QLatin1String NSURLAttributeModificationDateKey("NSURLAttributeModificationDateKey");
inline constexpr QLatin1String NSURLContentAccessDateKey("NSURLContentAccessDateKey");
inline constexpr QLatin1String NSURLFileSizeKey("NSURLFileSizeKey");                    // qulonglong, files only
inline constexpr QLatin1String NSURLTotalFileSizeKey("NSURLTotalFileSizeKey");          // qulonglong, files only
inline constexpr QLatin1String NSURLFileAllocatedSizeKey("NSURLFileAllocatedSizeKey");  // qulonglong
inline constexpr QLatin1String NSURLLabelNumberKey("NSURLLabelNumberKey");              // int, always 0
inline constexpr QLatin1String NSURLTagNamesKey("NSURLTagNamesKey");                    // QStringList or null
inline constexpr QLatin1String NSURLVolumeNameKey("NSURLVolumeNameKey");                // QString
inline constexpr QLatin1String NSURLVolumeLocalizedNameKey("NSURLVolumeLocalizedNameKey");
inline constexpr QLatin1String NSURLVolumePathKey("NSURLVolumePathKey");                // QString (mount point)
inline constexpr QLatin1String NSURLVolumeIsLocalKey("NSURLVolumeIsLocalKey");          // bool
inline constexpr QLatin1String NSURLVolumeIsInternalKey("NSURLVolumeIsInternalKey");    // bool
inline constexpr QLatin1String NSURLVolumeIsRemovableKey("NSURLVolumeIsRemovableKey");  // bool
inline constexpr QLatin1String NSURLVolumeAvailableCapacityKey("NSURLVolumeAvailableCapacityKey"); // qulonglong

// --- reading ---------------------------------------------------------------------------

// The value of one key for the item at a path. Null when the path is null or
// empty (no error), when the item cannot be read (the error says why), when
// the key is unknown, or when the item has no such value.
//   (existing folder, NSURLIsDirectoryKey) => true   (missing, any key) => null + ENOENT
[[nodiscard]] QVariant resourceValueForKey(const QString& path, QAnyStringView key, FileError* error = nullptr);

// The values of several keys with one read of the item; keys without a value
// are absent. Empty when the item cannot be read.
[[nodiscard]] QVariantMap resourceValuesForKeys(const QString& path, const QStringList& keys,
                                                FileError* error = nullptr);

// --- writing ---------------------------------------------------------------------------

// Sets one value: the modification and access dates (utimensat), the tags
// ("user.xdg.tags"), the immutable flag (needs the privilege to change it).
// NO with ENOTSUP for the creation date, the label and every other key.
bool setResourceValueForKey(const QString& path, const QVariant& value, QAnyStringView key,
                            FileError* error = nullptr);

// Sets every value of the map; YES when all were set (the error is the first
// failure's). A null value for a key is skipped.
bool setResourceValuesForKeys(const QString& path, const QVariantMap& values, FileError* error = nullptr);

// --- invisibility ----------------------------------------------------------------------

// YES when an item is invisible: its name begins with "." or it is listed,
// one name a line, in its folder's ".hidden" file. The root is visible.
//   "/x/.cache" => YES   "/x/name" listed in "/x/.hidden" => YES   "/" => NO   "" => NO
[[nodiscard]] bool isInvisiblePath(const QString& path);

} // namespace sorvant
