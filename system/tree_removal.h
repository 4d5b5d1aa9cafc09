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

namespace sorvant {

struct RemovalProgress;

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
// that failed, and the failure says it is a mount point.
TreeRemovalResult removeTree(const QByteArray& path, const RemovalProgress& progress,
                             TreeRemovalFailure& failure);

// The unlinkat call of removals (or the stand-in a test put in place with
// setUnlinkAtFunction, system/file_operations.h).
int unlinkItemAt(int folder, const char* name, int flags);

// The items removeTree would remove: 1 for a file or a link, a folder
// counts itself and what is below it (an unreadable folder or a mount
// point inside counts 1).
// -1 when nothing is at the path or shouldStop answered true.
qint64 countTreeItems(const QByteArray& path, const std::function<bool()>& shouldStop);

} // namespace sorvant
