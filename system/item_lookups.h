#pragma once
// Lookups the file services share (copies, their temporaries, removals):
// whether a path still names the item looked at, where an item is (device,
// inode, mount), and the names in a folder. Each is written here once.
//
// Not here: questions about items for callers (system/file_tests.h).

#include <QByteArray>
#include <QtGlobal>

#include <functional>
#include <vector>

struct stat;

namespace sorvant {

// Whether the item at `path` (a final link not followed) is still the one
// `item` describes, by device and inode: another program may put its own
// there at any moment.
//   nothing at `path` => NO
[[nodiscard]] bool isSameItem(const QByteArray& path, const struct stat& item);

// Where an item is. A bind mount of a folder or a file from the same file
// system has its parent's device: only the mount ID tells it apart.
struct ItemPlace {
    quint64 device = 0;
    quint64 inode = 0;
    quint64 mount = 0;    // 0: the kernel gives no mount ID
    int mountRoot = -1;   // 1 the top of a mount, 0 not, -1 the kernel does not say
};

// The place of `name` in the folder open at `folder` (AT_FDCWD: a path),
// or of the item open at `folder` itself for an empty name. Links are not
// followed and nothing is automounted; a kernel or sandbox without statx
// gives device and inode only. `status`, when given, is filled as lstat
// would fill it, from the same look (one path lookup for both). NO (errno
// set) when nothing can be looked at.
bool placeAt(int folder, const char* name, ItemPlace& place, struct stat* status = nullptr);

// Whether `inner` is on another mount than `outer`: the mount IDs decide
// where both are known (a subvolume of some file systems has a device of its
// own without being a mount), else the devices do.
[[nodiscard]] bool isOtherMount(const ItemPlace& inner, const ItemPlace& outer);

// Which entries folderEntries keeps: the name and its dirent type (DT_*).
using EntryFilter = std::function<bool(const char* name, unsigned char type)>;

// Adds the names in the folder open at `folder` (read from its start; the
// descriptor stays open) to `names`, without "." and "..", and only those
// `keep` answers true for when it is given. NO (errno set) when it cannot
// be read to its end.
bool folderEntries(int folder, std::vector<QByteArray>& names, const EntryFilter& keep = {});
// The same for the folder at a path (links followed).
bool folderEntries(const QByteArray& folder, std::vector<QByteArray>& names, const EntryFilter& keep = {});

} // namespace sorvant
