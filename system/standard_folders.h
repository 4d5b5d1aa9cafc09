#pragma once
// The folders the program reads and writes, mapped to their XDG places on
// Linux in one table (standard_folders.cpp):
//   Library, Application Support => $XDG_DATA_HOME     (~/.local/share)
//   Preferences                  => $XDG_CONFIG_HOME   (~/.config)
//   Caches                       => $XDG_CACHE_HOME    (~/.cache)
//   Logs                         => $XDG_STATE_HOME    (~/.local/state)
//   Desktop, Documents, Downloads, Music, Pictures, Movies
//                                => the XDG user folders (user-dirs.dirs),
//                                   else home + the English name
// No "Library" folder is ever made in a Linux home.
//
// Each accessor is computed on first use and kept for the life of the
// process (resetStandardFolders() forgets them, for tests that point HOME
// and the XDG variables elsewhere). Paths carry no trailing "/".
//
// Not here: volume and temporary-path tests (system/volume_paths.h).

#include <QString>

namespace sorvant {

enum class StandardFolder {
    Library,
    ApplicationSupport,
    Preferences,
    Caches,
    Logs,
    Desktop,
    Documents,
    Downloads,
    Music,
    Pictures,
    Movies,
};

// The folder for a home folder, read afresh from the environment and the
// user-dirs file below that home. Null for a null or empty home.
//   (Caches, "/home/me") => "/home/me/.cache"   (with XDG_CACHE_HOME=/c => "/c")
//   (Desktop, "/home/me") => "/home/me/Desktop" unless user-dirs.dirs says otherwise
[[nodiscard]] QString standardFolderPath(StandardFolder folder, const QString& home);

// Forgets every cached folder (tests only; never while another thread reads).
void resetStandardFolders();

// --- the user's real home (also inside a sandbox) --------------------------------------

// The user's real home: $SNAP_REAL_HOME in a Snap; the password database's
// entry when "APP_SANDBOX_CONTAINER_ID" is set; else NSHomeDirectory().
[[nodiscard]] QString userHomeDirectory();
// The Library folder of the real home ($XDG_DATA_HOME).
[[nodiscard]] QString userLibraryDirectory();
// The Documents folder of the real home (XDG_DOCUMENTS_DIR).
[[nodiscard]] QString userDocumentsFolder();
// The Desktop folder of the real home (XDG_DESKTOP_DIR).
[[nodiscard]] QString userDesktopFolder();

// --- the process's home --------------------------------------------------------------

// The shared Library folder ($XDG_DATA_HOME); both names give one value.
[[nodiscard]] QString libraryDirectory();
[[nodiscard]] QString LibraryDirectory();
// NSHomeDirectory(), not cached.
[[nodiscard]] QString UserHomeDirectory();
// The Desktop folder (XDG_DESKTOP_DIR, else home + "Desktop").
[[nodiscard]] QString desktopDirectory();
// The Downloads folder (XDG_DOWNLOAD_DIR, else home + "Downloads").
[[nodiscard]] QString downloadsDirectory();
// The Preferences folder ($XDG_CONFIG_HOME).
[[nodiscard]] QString preferencesDirectory();
// The Caches folder ($XDG_CACHE_HOME).
[[nodiscard]] QString cachesDirectory();
// The Application Support folder ($XDG_DATA_HOME).
[[nodiscard]] QString applicationSupportDirectory();
// The Logs folder ($XDG_STATE_HOME).
[[nodiscard]] QString logsDirectory();

// A component inside one of the folders; null when the folder is null.
//   pathInCachesDirectory("x") => "/home/me/.cache/x"   pathInCachesDirectory("") => "/home/me/.cache"
[[nodiscard]] QString pathInHomeDirectory(const QString& component);
[[nodiscard]] QString pathInLibraryDirectory(const QString& component);
[[nodiscard]] QString pathInPreferencesDirectory(const QString& component);
[[nodiscard]] QString pathInCachesDirectory(const QString& component);
[[nodiscard]] QString pathInApplicationSupportDirectory(const QString& component);

} // namespace sorvant
