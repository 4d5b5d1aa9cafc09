#include "system/iteration.h"

#include "foundation/no_case_comparison.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/package_extensions.h"
#include "platform/path_semantics.h"
#include "system/file_operations.h"
#include "system/file_tests.h"
#include "system/link_resolution.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

namespace sorvant {

namespace {

struct Entry
{
    QByteArray name;
    bool directory = false;
};

// The entries of one folder through getdents64 and d_type; entries of
// unknown type are asked with fstatat, links never followed. Sorted by
// their bytes, "." and ".." left out. False when the folder cannot be read.
bool listFolder(const QByteArray& folder, std::vector<Entry>* entries)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    alignas(8) char buffer[16384];
    for (;;) {
        const long count = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
        if (count <= 0)
            break;
        for (long offset = 0; offset < count;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + offset);
            offset += entry->d_reclen;
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
                continue;
            bool directory = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN) {
                struct stat status {};
                directory = ::fstatat(fd, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode);
            }
            entries->push_back({QByteArray(name), directory});
        }
    }
    ::close(fd);
    std::sort(entries->begin(), entries->end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return true;
}

QByteArray child(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// Calls `visit` for every item below `folder`, depth first; stops when it
// answers false. False when a folder cannot be read or the visit stopped.
template <typename Visit>
bool enumerateTree(const QByteArray& folder, Visit&& visit)
{
    std::vector<Entry> entries;
    if (!listFolder(folder, &entries))
        return false;
    for (const Entry& entry : entries) {
        const QByteArray path = child(folder, entry.name);
        if (!visit(path, entry.directory))
            return false;
        if (entry.directory && !enumerateTree(path, visit))
            return false;
    }
    return true;
}

struct Walk
{
    bool packageContents;
    bool invisibles;
    FileManagerIterationDelegate* handler;
    FileManagerEnterDirectoryHook* enter;
    FileManagerIterateDirectoryHook* iterate;
    FileManagerExitDirectoryHook* exit;
    void* context;
    bool stop = false;

    void leave(const QString& path, const QString& name, unsigned depth) const
    {
        if (exit)
            exit->exitDirectory(path, name, depth, context);
    }

    std::uint64_t walk(const QString& path, const QString& name, unsigned depth)
    {
        if (stop)
            return 0;
        if (enter && !enter->enterDirectory(path, name, depth, context)) {
            leave(path, name, depth);
            return 0;
        }
        const QByteArray folder = fileSystemRepresentation(path);
        std::vector<Entry> entries;
        if (folder.isEmpty() || !listFolder(folder, &entries) || entries.empty()) {
            leave(path, name, depth);
            return 0;
        }
        std::uint64_t count = 0;
        for (const Entry& entry : entries) {
            if (!invisibles && entry.name.startsWith('.'))
                continue;
            const QString itemName = stringWithFileSystemRepresentation(entry.name);
            const QString itemPath = stringByAppendingPathComponent(path, itemName);
            const bool package = entry.directory && isPackagePath(itemPath);
            if (!entry.directory || package) {
                if (handler->iterateContent(itemPath, itemName, depth, context)) {
                    stop = true;
                    leave(path, name, depth);
                    return count;
                }
                ++count;
            }
            if (entry.directory && (!package || packageContents)) {
                if (iterate && iterate->iterateDirectory(itemPath, itemName, depth, context)) {
                    stop = true;
                    leave(path, name, depth);
                    return count;
                }
                count += walk(itemPath, itemName, depth + 1);
            }
            if (stop) {
                leave(path, name, depth);
                return count;
            }
        }
        leave(path, name, depth);
        return count;
    }
};

} // namespace

bool isIgnorableFolderItem(const QString& path)
{
    static const QStringList suffixes {QStringLiteral("/.DS_Store"), QStringLiteral("/Icon\r"),
                                       QStringLiteral("/VELMORworks_storage"), QStringLiteral("/.localized"),
                                       QStringLiteral("/.directory")};
    for (const QString& suffix : suffixes)
        if (hasSuffixNoCase(path, suffix))
            return true;
    return hasPrefixNoCase(lastPathComponent(path), QStringLiteral(".FBC"));
}

bool removeEmptyDirectoryAtPath(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString folder = stringByStandardizingPath(path);
    if (!isDirectoryAtPath(folder))
        return false;
    const QByteArray bytes = fileSystemRepresentation(folder);
    if (bytes.isEmpty()) {
        logMessage(QStringLiteral("getFileSystemRepresentation '%1':\n%2\n%3")
                       .arg(folder, QStringLiteral("NSCharacterConversionException"),
                            QStringLiteral("the path holds a character no file name can")));
        return false;
    }
    if (::rmdir(bytes.constData()) == 0 || errno == ENOENT)
        return true;
    if (errno == ENOTDIR)
        return false;
    QStringList leftovers;
    const bool onlyLeftovers = enumerateTree(bytes, [&](const QByteArray& item, bool) {
        const QString itemPath = stringWithFileSystemRepresentation(item);
        if (!isIgnorableFolderItem(itemPath))
            return false;
        leftovers.append(itemPath);
        return true;
    });
    if (!onlyLeftovers)
        return false;
    for (const QString& leftover : leftovers)
        if (!removePath(leftover))
            return false;
    return ::rmdir(bytes.constData()) == 0;
}

bool removeEmptyDirectoriesInside(const QString& root, const QString& start)
{
    if (root.isEmpty() || start.isEmpty())
        return false;
    // Both are taken as the system takes them: "." and ".." removed, ".."
    // after a link leaving the link's target, so that no spelling of the
    // start ("<root>/.", "<root>/a/../..", a link out of the root) reaches
    // the root or anything outside it.
    const QString physicalRoot = stringByResolvingSymlinksInPath(stringByStandardizingPath(root));
    const QString item = physicalItemPath(start);
    const QString parent = stringByResolvingSymlinksInPath(stringByDeletingLastPathComponent(item));
    QString folder = (parent == QLatin1String("/") ? QString() : parent) + u'/' + lastPathComponent(item);
    const QString base = physicalRoot.endsWith(QLatin1Char('/')) ? physicalRoot : physicalRoot + QLatin1Char('/');
    if (!isAbsolutePath(physicalRoot) || !folder.startsWith(base))
        return false;
    while (folder.startsWith(base) && folder.size() > base.size()) {
        if (!removeEmptyDirectoryAtPath(folder))
            break;
        folder = stringByDeletingLastPathComponent(folder);
    }
    return true;
}

std::uint64_t iterateSubpathsAtPath(const QString& folder, bool packageContents, bool invisibles,
                                    FileManagerIterationDelegate* handler, void* context)
{
    if (folder.isEmpty() || handler == nullptr)
        return 0;
    const QString start = stringByStandardizingPath(folder);
    if (!isDirectoryAtPath(start))
        return 0;
    Walk walk {packageContents,
               invisibles,
               handler,
               dynamic_cast<FileManagerEnterDirectoryHook*>(handler),
               dynamic_cast<FileManagerIterateDirectoryHook*>(handler),
               dynamic_cast<FileManagerExitDirectoryHook*>(handler),
               context};
    return walk.walk(start, lastPathComponent(start), 0);
}

std::uint64_t iterateSubpathsAtPath(const QString& folder, FileManagerIterationDelegate* handler, void* context)
{
    return iterateSubpathsAtPath(folder, true, true, handler, context);
}

bool fileExistsAtPath(const QString& path, std::uint64_t size, const QDateTime& creationDate,
                      const QDateTime& modificationDate, double maxTimeInterval)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    struct stat status {};
    if (bytes.isEmpty() || ::stat(bytes.constData(), &status) != 0)
        return false;
    const QDateTime created = fileCreationDateAtPath(path);
    const QDateTime modified = fileModificationDateAtPath(path);
    if (!created.isValid() || !modified.isValid() || !creationDate.isValid() || !modificationDate.isValid())
        return false;
    const auto within = [&](const QDateTime& a, const QDateTime& b) {
        return std::fabs(static_cast<double>(a.msecsTo(b)) / 1000.0) < maxTimeInterval;
    };
    if (!within(created, creationDate) || !within(modified, modificationDate))
        return false;
    std::uint64_t total = 0;
    if (S_ISDIR(status.st_mode)) {
        enumerateTree(bytes, [&](const QByteArray& item, bool directory) {
            struct stat itemStatus {};
            if (!directory && ::lstat(item.constData(), &itemStatus) == 0)
                total += static_cast<std::uint64_t>(itemStatus.st_size);
            return true;
        });
    } else {
        total = static_cast<std::uint64_t>(status.st_size);
    }
    return total == size;
}

void directoryRemoveFiles(const QString& folder, const QStringList& names)
{
    if (folder.isNull() || names.isEmpty() || names.first().isNull())
        return;
    for (const QString& name : names) {
        const QString path = stringByAppendingPathComponent(folder, name);
        const QByteArray bytes = fileSystemRepresentation(path);
        struct stat status {};
        if (bytes.isEmpty() || ::lstat(bytes.constData(), &status) != 0)
            continue;
        if (removePath(path))
            didRemoveFile(path);
    }
}

void didRemoveFile(const QString& path)
{
    logMessage(QStringLiteral("Removed: %1").arg(path));
}

} // namespace sorvant
