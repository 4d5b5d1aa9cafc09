#pragma once
// Whether a path lies in a folder that a cloud service keeps in sync (and
// so may change, vanish or hold placeholders behind the program's back),
// and the names of the cloud drive's folder and placeholder files.
//
// The folders are those of the services' own clients: the cloud drive below
// the Library folder, CloudMe and Box Sync below home, OneDrive, Google
// Drive and SeaDrive by name anywhere in a path, and Dropbox from its
// settings file (~/.dropbox/info.json). The Desktop and Documents folders
// count as synchronized only where the system offers that
// (capabilities().desktopAndDocumentsInCloud; Linux does not).
//
// Not here: containment itself (pathIsInDirectory, system/file_names.h).

#include <QString>
#include <QStringList>

namespace sorvant {

// The cloud drive's folder: userLibraryDirectory() + "Mobile Documents/
// com~apple~CloudDocs" (computed once; never made).
[[nodiscard]] QString iCloudFolder();

// The Dropbox folders named by ~/.dropbox/info.json ("personal" then
// "business" paths), else home + "Dropbox". Read once per process.
[[nodiscard]] QStringList DropboxFolders();

// Forgets the cached cloud folders (tests).
void resetCloudFolders();

// YES when the path is inside a synchronized folder.
//   "~/Dropbox/x" (expanded) => YES   "/a/OneDrive - Firm/x" => YES   "/tmp" => NO   null => NO
[[nodiscard]] bool isCloudFolder(const QString& path);
// isCloudFolder or isVolumePath.
[[nodiscard]] bool isSharedCloudFolder(const QString& path);
// isCloudFolder, or inside a Desktop or Documents folder kept by the cloud drive.
[[nodiscard]] bool isVolatileFolder(const QString& path);
// isVolatileFolder or isVolumePath.
[[nodiscard]] bool isSharedVolatileFolder(const QString& path);
// Inside the cloud drive (either place), or in a Desktop or Documents folder
// it keeps; other services do not count.
[[nodiscard]] bool isUbiquityFolder(const QString& path);

// YES for a placeholder's name: "." first and ".icloud" last (any case); a
// full path never is one.
//   ".a.txt.iCloud" => YES   "a.txt.icloud" => NO   "/x/.a.icloud" => NO   "" => NO
[[nodiscard]] bool isiCloudPlaceholder(const QString& name);
// The placeholder path of a file: its folder + "." + its name + ".icloud".
//   "/x/a.txt" => "/x/.a.txt.icloud"   null => null
[[nodiscard]] QString iCloudPlaceholder(const QString& path);
// YES when the path is in the cloud drive and its placeholder exists.
[[nodiscard]] bool existsiCloudPlaceholderAtPath(const QString& path);

} // namespace sorvant
