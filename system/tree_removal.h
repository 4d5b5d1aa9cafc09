#pragma once
// The walk under removePath and countRemovalItems (system/file_operations.h):
// a tree removed or counted item by item through descriptors relative to
// each folder (openat, unlinkat), so links are never followed, mount points
// are not entered, paths of any length work, and memory grows with the
// depth of the tree and the items that fail, not its size.
//
// Not here: the Boolean answers, logging and FileError of the public calls
// (system/file_operations.h).

#include <QByteArray>
#include <QtGlobal>

#include <functional>

struct stat;

namespace sorvant {

// What a long removal asks and tells while it works; either may be empty.
// Both are called on the removing thread.
struct RemovalProgress {
    // Asked before each item is removed; true stops the removal there: what
    // was removed stays removed, the rest stays as it was.
    std::function<bool()> shouldStop;
    // Told after each item (a file, a link, an emptied folder, the folder
    // itself last) is removed, with the number removed so far by this call.
    std::function<void(qint64 removed)> removed;
};

// How a removal ended.
enum class TreeRemovalResult {
    Removed,   // nothing is at the path any more (also: nothing was there)
    Failed,    // an item could not be removed; the others were
    Stopped,   // shouldStop answered true; the items before stay removed
};

// The first item that could not be removed: its errno and path (bytes),
// and whether it was left for being a mount point (errno EBUSY).
struct TreeRemovalFailure {
    int code = 0;
    QByteArray path;
    bool mountPoint = false;
};

// Removes the item at `path` and, for a folder, everything below it,
// depth first. An item that fails is recorded (the first one only) and the
// removal goes on with every item not tried yet, at any depth; a folder
// with an item left in it is left too. An item inside that is the top of
// another mount (a folder of another file system, or a bind mount of a
// folder or a file) is neither entered nor removed: it is left like an item
// that failed, and the failure says it is a mount point. With `expected`,
// only the item it describes (device and inode) is removed: checked on the
// folder opened, so that what is below is read from that very folder, or
// just before a non-folder is unlinked; another item found at the path is
// left, and the failure is ESTALE (also when nothing is there).
TreeRemovalResult removeTree(const QByteArray& path, const RemovalProgress& progress,
                             TreeRemovalFailure& failure, const struct stat* expected = nullptr);

// The unlinkat call removals make for each file, link and emptied folder,
// and renameNoReplace (system/file_operations.h) for its claims; a test
// puts a stand-in here to act as an item even root cannot remove. nullptr
// restores the system call.
using UnlinkAt = int (*)(int folder, const char* name, int flags);
void setUnlinkAtFunction(UnlinkAt function);
// That call (or its stand-in).
int unlinkItemAt(int folder, const char* name, int flags);

// The items removeTree would remove: 1 for a file or a link, a folder
// counts itself and what is below it (an unreadable folder or a mount
// point inside counts 1).
// -1 when nothing is at the path or shouldStop answered true.
qint64 countTreeItems(const QByteArray& path, const std::function<bool()>& shouldStop);

} // namespace sorvant
