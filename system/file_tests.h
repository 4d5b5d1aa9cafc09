#pragma once
// Questions about one item on disk: does it exist as a folder or a
// document, is it a package or a link, its item flags, dates, size, free
// space and lock state. Every question takes a path and answers a plain
// value, never an exception; no path (null or empty) answers nil, NO or 0.
//
// What Linux lacks answers the empty value: there are no alias files (an
// item is never one; resolving answers the path unchanged), no Finder labels
// (0; setting one answers NO), no HFS type codes (0; setting answers NO),
// and a creation date cannot be set (NO).
//
// Not here: the resource values themselves (platform/resource_values.h),
// file operations (system/file_operations.h).

#include "platform/file_error.h"

#include <QAnyStringView>
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <cstdint>

namespace sorvant {

// --- item flags ----------------------------------------------------------------------------

// The item flags of getFlagsAtPath().
enum LSItemInfoFlags : std::uint32_t {
    kLSItemInfoIsPlainFile = 1,
    kLSItemInfoIsPackage = 2,
    kLSItemInfoIsApplication = 4,
    kLSItemInfoIsContainer = 8,       // folder, package or mount point
    kLSItemInfoIsAliasFile = 16,      // never set on Linux
    kLSItemInfoIsSymlink = 32,
    kLSItemInfoIsInvisible = 64,
    kLSItemInfoIsVolume = 4096,       // a mount point
};

// The flags of an item, 0 when it cannot be read. A symbolic link is
// described as itself (32 | 1), not as its target. Invisible (64) means a
// name beginning with "." or one listed in the folder's ".hidden".
//   file => 1   folder => 8   "X.app" folder => 8|2|4   "/" => 8|4096
//   ".x" file => 1|64   link => 32|1   missing => 0   "" => 0
[[nodiscard]] std::uint32_t getFlagsAtPath(const QString& path);

// --- resource values -------------------------------------------------------------------------

// The resource value of a key (platform/resource_values.h) for the item at
// a path; the error is cleared first. No path gives null and no error.
[[nodiscard]] QVariant getResourceValueForKey(QAnyStringView key, const QString& path, FileError* error = nullptr);
// The value as a Boolean; NO when there is none.
[[nodiscard]] bool getBoolValueForKey(QAnyStringView key, const QString& path, FileError* error = nullptr);

// --- readers ---------------------------------------------------------------------------------

// Each reader answers an invalid date, a null string, 0 or NO when the item
// cannot be read.
// The birth time where the file system records it (statx), else invalid.
[[nodiscard]] QDateTime fileCreationDateAtPath(const QString& path);
// The time the contents last changed (mtime).
[[nodiscard]] QDateTime fileModificationDateAtPath(const QString& path);
// The time the item's attributes last changed (ctime).
[[nodiscard]] QDateTime fileAttributeModificationDateAtPath(const QString& path);
// The name of the item's volume: its file-system label, else the last
// component of its mount point ("/" for the root).
[[nodiscard]] QString volumeNameAtPath(const QString& path);
// The same name (Linux has no separate display name for volumes).
[[nodiscard]] QString localizedVolumeNameAtPath(const QString& path);
// The label number: always 0, Linux has no Finder labels.
[[nodiscard]] int finderLabelAtPath(const QString& path);
// Always NO: Linux has no alias files.
[[nodiscard]] bool isAliasFileAtPath(const QString& path);
// YES for a symbolic link itself (not followed).
[[nodiscard]] bool isSymbolicLinkAtPath(const QString& path);
// YES when the item carries the immutable flag (chattr +i).
[[nodiscard]] bool isFileImmutableAtPath(const QString& path);
// Always 0: Linux keeps no HFS type codes.
[[nodiscard]] std::uint32_t fileHFSTypeCodeAtPath(const QString& path);

// --- writers (YES on success) ------------------------------------------------------------

// NO: Linux cannot set a birth time.
bool setFileCreationDate(const QDateTime& date, const QString& path);
// Sets the modification time; NO for an invalid date or no path.
bool setFileModificationDate(const QDateTime& date, const QString& path);
// Sets the dates given (an invalid date is left out); NO when no path, both
// dates are invalid, or a date could not be set (a creation date never can:
// the modification date is still set).
bool setFileCreationDate(const QDateTime& creation, const QDateTime& modification, const QString& path);
// NO: Linux has no Finder labels.
bool setFinderLabel(int label, const QString& path);
// NO: Linux keeps no HFS type codes.
bool setFileHFSTypeCode(std::uint32_t code, const QString& path);

// --- item tests ------------------------------------------------------------------------------

// YES when the path lies on the start-up volume or its volume's root exists.
//   "/home/me/x" => YES   "/Volumes/NotMounted/x" => NO
[[nodiscard]] bool isVolumeMountedAtPath(const QString& path);

// The path itself: Linux has no alias files. The out-parameter receives
// whether the item itself is a folder (a link is not).
[[nodiscard]] QString resolveAlias(const QString& path, bool withoutUI, bool* isDirectory);

// YES when anything is at the path, a symbolic link itself included (even
// one whose target is missing); asked by the path's bytes.
//   existing "/x/a" => YES   dangling link "/x/l" => YES   "/x/none" => NO   "" => NO
[[nodiscard]] bool itemExistsAtPath(const QString& path);
// YES for an existing folder, symbolic links followed.
[[nodiscard]] bool isDirectoryAtPath(const QString& path);
// YES for an existing item that is not a folder, or a folder that is a package.
[[nodiscard]] bool isDocumentAtPath(const QString& path);
// YES when the path ends in a package suffix (ignoring case, without asking
// the disk) or is a folder with a bundle extension.
//   "/x/Notes.TEXTBUNDLE" => YES   existing "/x/Tool.app" folder => YES   "/x/a" => NO   null => NO
[[nodiscard]] bool isPackagePath(const QString& path);

// The bytes of a file, or of everything below a folder (hidden items and
// package contents included, links not followed); 0 for no path or a
// missing item. The path is standardized first.
[[nodiscard]] std::uint64_t fileSizeAtPath(const QString& path);

// --- free space ------------------------------------------------------------------------------

// Bytes free on the path's volume; 0 for no path, and 0 with the log line
// "ERROR: <error>" when it cannot be read.
[[nodiscard]] std::uint64_t freeDiskSpaceAtPath(const QString& path);
// YES when the free space exceeds the required space plus a reserve of
// 16 MiB on a volume path and 128 MiB elsewhere. A requirement so large that
// the sum would overflow is never sufficient.
[[nodiscard]] bool freeDiskSpaceSufficientAtPath(const QString& path, std::uint64_t requiredSpace);

// --- lock and permissions -------------------------------------------------------------------

// YES when the item is immutable or lacks owner read or owner write; NO when
// it cannot be read.
[[nodiscard]] bool isFileLockedAtPath(const QString& path);
// Locking removes owner write; unlocking adds owner read and write and
// clears the immutable flag when it is set (which needs the privilege to).
bool setFileLocked(bool locked, const QString& path);
// Adds owner read and write to the item's permissions.
bool addUserReadWritePermissionsAtPath(const QString& path);
// Sets or clears the immutable flag (needs the privilege to change it);
// YES at once when the flag already has the wanted state.
bool setFileImmutable(bool immutable, const QString& path);

} // namespace sorvant
