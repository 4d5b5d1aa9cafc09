#pragma once
// Mounted volumes, from the kernel's mount table (/proc/self/mountinfo):
// "/" and every mount point of a real file system. Pseudo file systems
// (proc, sysfs, cgroup, tmpfs and their like) are not volumes. Local or
// remote is told by the file-system type; removable by the block device's
// flags in /sys/block.
//
// Not here: the lexical volume-path tests of the toolkit ("/Volumes/NAME"),
// which live in system/volume_paths.h.

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

namespace sorvant {

struct MountPoint {
    QString path;              // the mount point, no trailing "/"
    QString fileSystemType;    // "ext4", "nfs4", "fuse.sshfs"
    QString source;            // "/dev/sda1", "server:/export"
    unsigned major = 0;        // device numbers of the mounted file system
    unsigned minor = 0;
    bool readOnly = false;
};

// --- the mount table --------------------------------------------------------------

// The mounts of a mountinfo text in table order, pseudo file systems
// included; mount points are unescaped ("\040" is a space) and kept byte-exact.
[[nodiscard]] QList<MountPoint> parseMountInfo(const QByteArray& contents);

// YES for a file-system type that holds no user files.
//   "proc" => YES   "cgroup2" => YES   "tmpfs" => YES   "ext4" => NO   "" => YES
[[nodiscard]] bool isPseudoFileSystemType(const QString& type);

// YES for a pseudo file system the kernel fills (proc, sysfs, devtmpfs…): a
// walk never enters one, not even as its root. tmpfs, ramfs and squashfs are
// pseudo (no volumes) but hold user files (/tmp, /dev/shm, snaps), so a walk
// enters them.
//   "proc" => YES   "devtmpfs" => YES   "tmpfs" => NO   "ramfs" => NO
//   "squashfs" => NO   "overlay" => NO   "ext4" => NO   "" => YES
[[nodiscard]] bool isKernelFileSystemType(const QString& type);

// YES for a network file system.
//   "nfs4" => YES   "cifs" => YES   "fuse.sshfs" => YES   "ext4" => NO   "" => NO
[[nodiscard]] bool isRemoteFileSystemType(const QString& type);

// The volumes of a mount table: "/" first (its last mount; an empty entry
// when the table has none), then every real file system mounted outside
// /proc, /sys, /dev, /run (/run/media excepted), /snap and /boot/efi, in
// table order, each mount point once (its first mount). Network file
// systems are volumes too; isRemoteFileSystemType tells them apart.
//   "/ ext4", "/run/media/me/USB vfat", "/snap/x squashfs", "/home autofs"
//     => "/", "/run/media/me/USB"
[[nodiscard]] QList<MountPoint> volumesInMountTable(const QList<MountPoint>& mounts);

// volumesInMountTable of the kernel's table, mount points that are not
// folders left out.
[[nodiscard]] QList<MountPoint> mountedVolumes();

// The volume holding a path (the mount with the longest mount point that
// contains it, symbolic links resolved); an empty MountPoint when none.
[[nodiscard]] MountPoint volumeForPath(const QString& path);

// YES when the folder at the path is the root of a mounted file system: its
// device differs from its parent's, or it is "/". NO for files and missing items.
[[nodiscard]] bool isMountPointPath(const QString& path);

// --- properties of one mount --------------------------------------------------------

// YES when the mount's block device is removable (its disk's "removable"
// flag) or sits on a USB bus.
[[nodiscard]] bool isRemovableMount(const MountPoint& mount);

// The volume's name: its file-system label when one is known, else the last
// component of its mount point ("/" for the root).
[[nodiscard]] QString volumeName(const MountPoint& mount);

// Bytes free for an unprivileged user on the volume of a path; NO when the
// path cannot be read (errno then says why).
bool freeSpaceAtPath(const QString& path, std::uint64_t* bytes);

} // namespace sorvant
