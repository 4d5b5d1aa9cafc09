#pragma once
// The directory walk of a search: every item below a root is tested by
// name, Finder comment, tags and (for qualifying files) text contents, and
// each match that passes the type and duplicate rules becomes a Result in
// the search's results model.
//
// The walk reads folders with getdents64 and the entries' d_type, opening
// each folder relative to its parent (openat) and calling fstatat only for
// entries whose type the file system does not give. It
// never follows a symbolic link into a folder, skips folders it cannot
// read, never enters a pseudo file system (proc, sysfs, autofs …), and, when
// asked to stay on the root's volume, no other mount at all.
//
// Not here: choosing what to walk (search/search_engine.h) and testing one
// string (search/content_matching.h).

#include <QSet>
#include <QString>

namespace sorvant {

struct SearchParams;

// The paths reported by one search operation, so that none is reported twice.
using ReportedPaths = QSet<QString>;

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
void searchWindowWalkDirectory(SearchParams& params, const QString& root, ReportedPaths& reported,
                               MountCrossing crossing = MountCrossing::EnterRealFileSystems);

// YES for the root of a volume as the results show paths: "/" or
// "/Volumes/NAME" (exactly two "/", the prefix ignoring case).
//   "/" => YES   "/Volumes/Disk" => YES   "/volumes/Disk" => YES
//   "/Volumes/Disk/x" => NO   "/home" => NO   "" => NO   null => NO
[[nodiscard]] bool isVolumeRootPath(const QString& path);

} // namespace sorvant
