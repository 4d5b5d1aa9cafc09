#pragma once
// Removing folders that hold nothing but what the desktop leaves behind,
// walking a folder tree with a handler that can prune or stop the walk,
// comparing an item with a remembered size and dates, and removing a list
// of files with a log line each.
//
// Leftovers that do not keep a folder alive (names compared ignoring case):
// ".DS_Store", "Icon\r", "VELMORworks_storage", ".localized", ".directory"
// and names beginning with ".FBC".

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace sorvant {

// --- the walk's handler ----------------------------------------------------------------------
// Every hook gets the item's full path, its name, the depth (0 for items
// directly in the starting folder) and the caller's context, unchanged.

class FileManagerIterationDelegate
{
public:
    virtual ~FileManagerIterationDelegate() = default;
    // Each file, and each package, with the depth of the folder holding it.
    // YES stops the whole walk.
    virtual bool iterateContent(const QString& path, const QString& name, unsigned depth, void* context) = 0;
};

// Optional hooks: a handler that also derives from one of these is told.
class FileManagerEnterDirectoryHook
{
public:
    virtual ~FileManagerEnterDirectoryHook() = default;
    // Before a folder's contents are listed, the starting folder included.
    // NO skips the folder's contents.
    virtual bool enterDirectory(const QString& path, const QString& name, unsigned depth, void* context) = 0;
};

class FileManagerIterateDirectoryHook
{
public:
    virtual ~FileManagerIterateDirectoryHook() = default;
    // Each subfolder about to be walked into, with its parent's depth. YES
    // stops the whole walk.
    virtual bool iterateDirectory(const QString& path, const QString& name, unsigned depth, void* context) = 0;
};

class FileManagerExitDirectoryHook
{
public:
    virtual ~FileManagerExitDirectoryHook() = default;
    // Each folder whose listing ends: also after a skip, an empty listing
    // or a stop.
    virtual void exitDirectory(const QString& path, const QString& name, unsigned depth, void* context) = 0;
};

// --- clean-up --------------------------------------------------------------------------------

// YES when the leftover rule above lets `path` (a full path) go.
[[nodiscard]] bool isIgnorableFolderItem(const QString& path);

// Removes the folder when it is empty but for leftovers, which go with it.
// YES when the folder is gone afterwards (also when it already was); NO for
// a link, a file, or a folder holding anything else (then nothing is
// removed).
bool removeEmptyDirectoryAtPath(const QString& path);

// Removes `start` and then its parents while each is empty by the rule
// above and lies strictly below `root`. NO for a missing argument or a start
// outside the root; otherwise YES, also when nothing could be removed.
bool removeEmptyDirectoriesInside(const QString& root, const QString& start);

// --- the walk --------------------------------------------------------------------------------

// Walks the tree below `folder` depth first, names in byte order, links
// never followed (a link is reported as a file). Answers the number of files
// and packages reported without stopping; 0 at once for a missing handler or
// folder. Without `packageContents` packages are reported but not entered;
// without `invisibles` names beginning with "." are left out.
std::uint64_t iterateSubpathsAtPath(const QString& folder, bool packageContents, bool invisibles,
                                    FileManagerIterationDelegate* handler, void* context);
std::uint64_t iterateSubpathsAtPath(const QString& folder, FileManagerIterationDelegate* handler, void* context);

// --- remembered items ------------------------------------------------------------------------

// YES when the item exists, its creation and modification dates each differ
// from the given ones by strictly less than `maxTimeInterval` seconds, and
// its size (for a folder the sum of its files' sizes) is `size`.
[[nodiscard]] bool fileExistsAtPath(const QString& path, std::uint64_t size, const QDateTime& creationDate,
                                    const QDateTime& modificationDate, double maxTimeInterval);

// Removes each named file of `folder` that exists and logs "Removed: <path>"
// for each one removed. Nothing happens for a nil folder or an empty list.
void directoryRemoveFiles(const QString& folder, const QStringList& names);
void didRemoveFile(const QString& path);

} // namespace sorvant
