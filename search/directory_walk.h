#pragma once
// The directory walk of a search: every item below a root is tested by
// name, Finder comment, tags and (for qualifying files) text contents, and
// each match that passes the type and duplicate rules becomes a Result in
// the search's results model.
//
// The walk reads folders with getdents64 and the entries' d_type, opening
// each folder relative to its parent (openat) and calling fstatat only for
// entries whose type the file system does not give. Folders are read by a
// pool of threads that steal folders from each other; comments, tags and
// contents are read relative to the open folder, so any depth of path is
// searched. An item that does not match costs no allocation and no stat. It
// never follows a symbolic link into a folder, skips folders it cannot
// read, never enters a pseudo file system (proc, sysfs, autofs …), and, when
// asked to stay on the root's volume, no other mount at all.
//
// Not here: choosing what to walk (search/search_engine.h) and testing one
// string (search/content_matching.h).

#include <QSet>
#include <QString>

#include <functional>
#include <sys/types.h>

#include <array>
#include <cstdint>
#include <mutex>

namespace sorvant {

struct SearchParams;

// The paths reported by one search operation, so that none is reported
// twice. The threads of a walk add to it at once: the paths are spread over
// shards, each with its own lock.
class ReportedPaths
{
public:
    // Adds the path; NO when it was there already.
    bool insert(const QString& path);
    [[nodiscard]] bool contains(const QString& path) const;
    [[nodiscard]] qsizetype size() const;

private:
    struct Shard
    {
        mutable std::mutex lock;
        QSet<QString> paths;
    };
    static constexpr std::size_t kShards = 64;
    [[nodiscard]] static std::size_t shardOf(const QString& path);
    std::array<Shard, kShards> m_shards;
};

// Whether the walk enters folders on other mounts than the root's.
enum class MountCrossing {
    // Other mounts are walked, pseudo file systems excepted (a chosen folder).
    EnterRealFileSystems,
    // Only the root's own file system (one volume of a pseudo-destination;
    // the other volumes are in the list themselves).
    StayOnVolume,
};

// Walks `root` for the search of `params`, adding each new match to
// params.dataSource and to `reported`; counts every item looked at in
// params.nDone and ends at the next item once params.stop is set.
// A null, empty or unreadable root walks nothing.
//
// The calling thread reads folders itself and is joined by
// walkThreadCount(params.threads) - 1 helpers (borrowed from WalkThreads),
// all done before the walk returns. The set of results does not depend on the number of
// threads; their order does.
void searchWindowWalkDirectory(SearchParams& params, const QString& root, ReportedPaths& reported,
                               MountCrossing crossing = MountCrossing::EnterRealFileSystems);
// The same for the only walk of a search operation: no set of paths is
// kept, since one walk never reports a path twice (a name that a changing
// folder lists twice is taken once).
void searchWindowWalkDirectory(SearchParams& params, const QString& root,
                               MountCrossing crossing = MountCrossing::EnterRealFileSystems);

// Starts ahead, parked in WalkThreads, the helpers a walk of
// `requestedThreads` (SearchParams::threads) asks for, while the caller
// prepares the search. Returns at once.
void reserveWalkHelpers(std::uint64_t requestedThreads);

// The most threads a walk uses.
inline constexpr unsigned kMaxWalkThreads = 64;

// The threads a walk uses for `requested` (SearchParams::threads): one per
// processor this process may run on for 0, else `requested`, at most
// kMaxWalkThreads.
//   0 => processors   1 => 1   1000 => 64
[[nodiscard]] unsigned walkThreadCount(std::uint64_t requested);

// YES when the open folder or file `fd` is on one of the file systems most
// folders live on (ext2/3/4, XFS, Btrfs), which the kernel never fills: the
// mount table need not be read to know that. NO when the system cannot
// say. (tmpfs is not among them: devtmpfs answers the same magic number.)
[[nodiscard]] bool isCommonDiskFileSystem(int fd);

// The type of the file system the open folder `fd` lies on when it is one
// the kernel fills (proc, sysfs, devtmpfs, devpts, cgroup …), which the walk
// never enters, not even as its root; null for any other (disk file
// systems, tmpfs, ramfs, squashfs, overlay, network and FUSE ones). The
// mount table names the type; a device it does not list (a Btrfs
// subvolume) is told by its magic number. `mountType` gives the mount
// table's type of a device (null when unlisted); by default the table is
// read.
//   a folder of /proc => "proc"   of /dev => "devtmpfs"   of /tmp (tmpfs) => null
[[nodiscard]] QString kernelFileSystemType(int fd, const std::function<QString(dev_t)>& mountType = {});

// YES for the root of a volume as the results show paths: "/" or
// "/Volumes/NAME" (exactly two "/", the prefix ignoring case).
//   "/" => YES   "/Volumes/Disk" => YES   "/volumes/Disk" => YES
//   "/Volumes/Disk/x" => NO   "/home" => NO   "" => NO   null => NO
[[nodiscard]] bool isVolumeRootPath(const QString& path);

} // namespace sorvant
