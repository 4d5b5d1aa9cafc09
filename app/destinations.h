#pragma once
// The folder rules of a search window's destination menu: which mounted
// volumes are offered, which sub-folders of a folder are, and the titles of
// the pseudo-destinations.
//
// Volumes offered: "/" and the mount points where the desktop mounts
// volumes for the user, one level below /media, /mnt, or /media/USER and
// /run/media/USER; a volume mounted deeper (a bind mount, /boot/efi) is
// not. Sub-folders offered: visible, not a package, not a hidden system
// folder at a volume root, not one of the system's own folders at "/"
// (proc, sys, usr ...); a symbolic link is offered whatever it points to.

#include "app/failure_messages.h"

#include <QString>
#include <QList>
#include <QStringList>

namespace sorvant {

// The pseudo-destination that stands for the file manager's front folder.
inline constexpr const char16_t* kActiveDestination = u".#Active#.";

// YES for "/" and for a mount point at the places named above.
[[nodiscard]] bool isDestinationVolumePath(const QString& path);
// The volume paths of `paths` that the menu offers, in order.
[[nodiscard]] QStringList offeredVolumes(const QStringList& paths);
// The sub-folders of `folder` ("~" expanded) the menu offers, as full
// paths, sorted by name (a plain comparison). Lists and tests the folder:
// for a thread other than the interface's.
[[nodiscard]] QStringList offeredSubfolders(const QString& folder);
// The folders the desktop's file managers keep as bookmarks (the GTK list,
// $XDG_CONFIG_HOME/gtk-3.0/bookmarks, "file:///path label" a line), in
// order: Linux's favourite places. Other places (network, trash) and
// missing folders are left out. Tests each folder: for a thread other than
// the interface's.
[[nodiscard]] QStringList bookmarkedFolders();
// One entry of the destination menu's scanned part: a folder, or a
// separator where the path is null.
struct DestinationEntry
{
    QString path;
    bool indent = false;
};
// The scanned part of the destination menu, in its order: the offered
// volumes, the cloud folder, the sub-folders of `supportFolder` (the
// application's support folder) and of "/", the home folder and its sub-folders, the bookmarks and
// the desktop's sub-folders, with separators between the groups. Reads the
// mount table and folders: for a thread other than the interface's.
[[nodiscard]] QList<DestinationEntry> scanDestinations(const QString& supportFolder);
// The menu title of a pseudo-destination; null for anything else.
[[nodiscard]] QString pseudoDestinationTitle(const QString& destination);
// The title of a folder: its last component, "/" for the root.
[[nodiscard]] QString destinationDisplayName(const QString& path);
// The folder `path` names when searched: "~" expanded, links resolved;
// null when it is not a folder or is a package. Pseudo-destinations stay.
// Tests the path: for a thread other than the interface's
// (DestinationMenu::checkedDestination).
[[nodiscard]] QString validatedDestination(const QString& path);
// The folder to search for the destination `path` (validatedDestination),
// or null and why not: gone or not a folder, or on a kernel's pseudo file
// system (/proc), which the walk never enters. Tests the path: for a
// thread other than the interface's (DestinationMenu::testedDestination).
struct TestedDestination
{
    QString path;
    Failure failure; // null when `path` is not
};
[[nodiscard]] TestedDestination testedDestination(const QString& path);

} // namespace sorvant
