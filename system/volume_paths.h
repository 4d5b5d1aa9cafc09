#pragma once
// Tests that classify a path by the volume it lies on and by whether it is
// temporary. The volume tests are lexical first: a path under one of the
// mount folders of other volumes counts without asking the disk. Those
// folders are "/Volumes/NAME" (kept so that lexical callers keep working),
// the removable-media folders "/media/USER/NAME" and "/run/media/USER/NAME",
// "/mnt/NAME", and the desktop's network mounts "/run/user/UID/gvfs/NAME".
// The start-up volume is "/".
//
// Not here: the mount table itself (platform/volumes.h).

#include <QString>

namespace sorvant {

// YES when the path lies in one of the mount folders of other volumes.
//   "/Volumes/Disk/x" => YES   "/media/me/Stick" => YES   "/home/me" => NO
//   "/Volumes" => NO   "" => NO   null => NO
[[nodiscard]] bool isVolumePath(const QString& path);

// YES when the path names the root of a volume: "/", a mount folder's volume
// level, or the mount point of a mounted real file system (one trailing "/"
// ignored).
//   "/" => YES   "/Volumes/volume/" => YES   "/Volumes/volume/dir" => NO
//   "/Volumes" => NO   "/media/me" => NO   "" => NO
[[nodiscard]] bool isRootVolumePath(const QString& path);

// The root of the volume holding a path that lies in a mount folder; null for
// a path on the start-up volume.
//   "/Volumes/Disk/a/b" => "/Volumes/Disk"   "/media/me/Stick" => "/media/me/Stick"
//   "/home/me/x" => null   "/run/media/me" => null   "" => null
[[nodiscard]] QString getVolumePath(const QString& path);

// The volume properties of a path's volume, read from the mount table.
// NO for an empty path or one that cannot be read.
[[nodiscard]] bool isInternalVolumePath(const QString& path);
[[nodiscard]] bool isLocalVolumePath(const QString& path);
// YES when the volume is neither internal nor local (a network volume).
[[nodiscard]] bool isRemoteVolumePath(const QString& path);

// Logs "<path>: <0|1>" for a fixed list of sample paths (a diagnostic).
void testRootVolumePath();

// YES for a path the system treats as temporary: below "/tmp" (no "/"
// needed after it), "/var/tmp/", NSTemporaryDirectory(), the TemporaryItems
// folder of the Caches folder, or a mail attachment being viewed.
//   "/tmp" => YES   "/tmpfile" => YES   "/var/tmp/x" => YES   "/home/x" => NO   null => NO
[[nodiscard]] bool isTemporaryPath(const QString& path);

} // namespace sorvant
