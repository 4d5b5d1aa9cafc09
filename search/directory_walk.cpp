#include "search/directory_walk.h"

#include "platform/file_system_representation.h"
#include "platform/package_extensions.h"
#include "platform/unicode.h"
#include "platform/volumes.h"
#include "platform/xattr.h"
#include "search/content_matching.h"
#include "search/ds_store.h"
#include "search/result.h"
#include "search/results_data_source.h"
#include "search/search_params.h"

#include <QFile>
#include <QHash>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <vector>

namespace sorvant {

bool isVolumeRootPath(const QString& path)
{
    if (path == u"/")
        return true;
    return path.count(u'/') == 2 && path.startsWith(u"/Volumes/", Qt::CaseInsensitive);
}

namespace {

enum class ItemKind { Folder, File, Link, Other };

struct Entry
{
    QByteArray name;
    ItemKind kind;
};

// An open folder whose subfolders are still to be read: they are opened
// relative to it, which spares the kernel a lookup of the whole path.
struct FolderHandle
{
    int fd;
    int* openCount;
    FolderHandle(int descriptor, int* count) : fd(descriptor), openCount(count) { ++*openCount; }
    ~FolderHandle()
    {
        ::close(fd);
        --*openCount;
    }
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
};

// A folder still to be read, with the device of the folder it was found in.
struct PendingFolder
{
    QByteArray bytes;
    QString path;
    dev_t parentDevice;
    std::shared_ptr<FolderHandle> parent; // null: open by the whole path
    QByteArray name;
};

// Folders kept open at once for their subfolders; a walk deeper than this
// opens the rest by their whole paths.
constexpr int kMaxOpenFolders = 128;

ItemKind kindOfType(unsigned char type)
{
    switch (type) {
    case DT_DIR:
        return ItemKind::Folder;
    case DT_REG:
        return ItemKind::File;
    case DT_LNK:
        return ItemKind::Link;
    default:
        return ItemKind::Other;
    }
}

ItemKind kindOfMode(mode_t mode)
{
    if (S_ISDIR(mode))
        return ItemKind::Folder;
    if (S_ISREG(mode))
        return ItemKind::File;
    if (S_ISLNK(mode))
        return ItemKind::Link;
    return ItemKind::Other;
}

// The names a folder's ".hidden" file lists, one a line.
QSet<QByteArray> hiddenNames(const QByteArray& folder)
{
    QSet<QByteArray> names;
    QFile file(QString::fromLocal8Bit(folder + "/.hidden"));
    if (!file.open(QIODevice::ReadOnly))
        return names;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            names.insert(line);
    }
    return names;
}

// Names are matched in composed form, as they are typed. Units below U+0300
// never change under NFC, which spares ICU for most names.
QString composedName(const QString& name)
{
    for (const QChar c : name) {
        if (c.unicode() >= 0x300)
            return unicode::normalizedString(name, unicode::NormalizationForm::NFC);
    }
    return name;
}

bool hasListedExtension(const QString& name, const QStringList& extensions)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || dot + 1 >= name.size())
        return false;
    const QStringView extension = QStringView(name).mid(dot + 1);
    for (qsizetype i = extensions.size(); i-- > 0;) {
        if (extensions.at(i).size() == extension.size()
            && extension.compare(extensions.at(i), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

class Walker
{
public:
    Walker(SearchParams& params, const QString& root, ReportedPaths& reported, MountCrossing crossing)
        : m_params(params), m_root(root), m_reported(reported), m_crossing(crossing),
          m_rootIsSlash(root == u"/"), m_baseDirectory(isVolumeRootPath(root) ? QString() : root)
    {
        for (const MountPoint& mount : parseMountInfo(readMountInfo()))
            m_mountTypes.insert(makedev(mount.major, mount.minor), mount.fileSystemType);
    }

    void run();

private:
    static QByteArray readMountInfo()
    {
        QFile file(QStringLiteral("/proc/self/mountinfo"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool isPseudoDevice(dev_t device) const
    {
        const auto type = m_mountTypes.constFind(device);
        return type != m_mountTypes.cend() && isPseudoFileSystemType(*type);
    }
    std::optional<dev_t> readFolder(const PendingFolder& folder, bool isRoot, std::vector<Entry>& entries, int& fd);
    static void readEntries(int fd, std::vector<Entry>& entries);
    bool visit(const PendingFolder& folder, const Entry& entry, std::vector<PendingFolder>& subfolders);
    bool matchContents(const QString& name, const QByteArray& path, ItemKind kind);

    SearchParams& m_params;
    QString m_root;
    ReportedPaths& m_reported;
    MountCrossing m_crossing;
    bool m_rootIsSlash;
    QString m_baseDirectory;
    QHash<dev_t, QString> m_mountTypes;
    dev_t m_device = 0;
    int m_openFolders = 0;
};

// Lists a folder into `entries` and leaves it open in `fd`; nothing when it
// cannot be read, or when it lies on a mount the walk does not enter.
// Answers the folder's device.
std::optional<dev_t> Walker::readFolder(const PendingFolder& folder, bool isRoot, std::vector<Entry>& entries,
                                        int& fd)
{
    // The root may be reached through a link the user chose; below it no
    // link is followed.
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (isRoot ? 0 : O_NOFOLLOW);
    fd = folder.parent ? ::openat(folder.parent->fd, folder.name.constData(), flags)
                       : ::open(folder.bytes.constData(), flags);
    if (fd < 0)
        return std::nullopt;
    struct stat status{};
    const bool readable = ::fstat(fd, &status) == 0;
    const bool crossesMount = !isRoot && status.st_dev != folder.parentDevice;
    const bool kernelRoot = isRoot && isPseudoDevice(status.st_dev)
                            && m_mountTypes.value(status.st_dev) != u"tmpfs";
    if (!readable || kernelRoot
        || (crossesMount && (m_crossing == MountCrossing::StayOnVolume || isPseudoDevice(status.st_dev)))) {
        ::close(fd);
        fd = -1;
        return std::nullopt;
    }
    readEntries(fd, entries);
    return status.st_dev;
}

void Walker::readEntries(int fd, std::vector<Entry>& entries)
{
    alignas(dirent64) char buffer[32768];
    for (;;) {
        const ssize_t length = ::getdents64(fd, buffer, sizeof buffer);
        if (length <= 0)
            return; // the end, or a folder that cannot be read further
        for (ssize_t offset = 0; offset < length;) {
            const auto* item = reinterpret_cast<const dirent64*>(buffer + offset);
            offset += item->d_reclen;
            const char* name = item->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            ItemKind kind = kindOfType(item->d_type);
            if (item->d_type == DT_UNKNOWN) {
                struct stat entryStatus{};
                if (::fstatat(fd, name, &entryStatus, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                kind = kindOfMode(entryStatus.st_mode);
            }
            entries.push_back({QByteArray(name), kind});
        }
    }
}

void Walker::run()
{
    if (m_root.isEmpty())
        return;
    std::vector<PendingFolder> pending;
    pending.push_back({fileSystemRepresentation(m_root), m_root, 0, nullptr, {}});
    bool isRoot = true;
    std::vector<Entry> entries;
    std::vector<PendingFolder> subfolders;
    while (!pending.empty()) {
        const PendingFolder folder = std::move(pending.back());
        pending.pop_back();
        entries.clear();
        int fd = -1;
        const std::optional<dev_t> device = readFolder(folder, isRoot, entries, fd);
        isRoot = false;
        if (!device)
            continue;
        m_device = *device;
        QSet<QByteArray> hidden;
        if (!m_params.invisibles) {
            for (const Entry& entry : entries) {
                if (entry.name == ".hidden") {
                    hidden = hiddenNames(folder.bytes);
                    break;
                }
            }
        }
        subfolders.clear();
        for (const Entry& entry : entries) {
            if (m_params.stop.load(std::memory_order_relaxed)) {
                ::close(fd);
                return;
            }
            if (!m_params.invisibles && (entry.name.startsWith('.') || hidden.contains(entry.name)))
                continue;
            visit(folder, entry, subfolders);
        }
        std::shared_ptr<FolderHandle> handle;
        if (!subfolders.empty() && m_openFolders < kMaxOpenFolders)
            handle = std::make_shared<FolderHandle>(fd, &m_openFolders);
        else
            ::close(fd);
        // Depth first, folders in listing order.
        for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it) {
            it->parent = handle;
            pending.push_back(std::move(*it));
        }
    }
}

// Tests one item, reports it when it matches, and queues it when it is a
// folder to walk into. Answers whether it was reported.
bool Walker::visit(const PendingFolder& folder, const Entry& entry, std::vector<PendingFolder>& subfolders)
{
    const QString name = stringWithFileSystemRepresentation(entry.name);
    // Most items are dropped on their name alone; their paths are made only
    // when something needs them.
    QString path;
    const auto fullPath = [&]() -> const QString& {
        if (path.isNull())
            path = folder.path.endsWith(u'/') ? folder.path + name : folder.path + u'/' + name;
        return path;
    };
    const auto pathBytes = [&] {
        return folder.bytes.endsWith('/') ? folder.bytes + entry.name : folder.bytes + '/' + entry.name;
    };
    if (m_rootIsSlash && fullPath() == u"/System/Volumes")
        return false;
    m_params.nDone.fetch_add(1, std::memory_order_relaxed);

    const bool isFolder = entry.kind == ItemKind::Folder;
    const bool isPackage = hasPackageSuffix(name) || (isFolder && hasBundleExtension(name));
    if (isFolder && (m_params.packageContents || !isPackage))
        subfolders.push_back({pathBytes(), fullPath(), m_device, nullptr, entry.name});

    const unsigned findOptions = unsigned(m_params.comparison & 1);
    const std::uint64_t what = m_params.what;
    bool matched = (what & kSearchNames) && searchWindowMatchString(composedName(name), m_params, findOptions);
    QString comment;
    if (!matched && (what & kSearchComments)) {
        comment = DSStore::finderCommentAtPath(fullPath());
        matched = searchWindowMatchString(comment, m_params, findOptions);
    }
    std::optional<QStringList> tags;
    if (!matched && (what & kSearchTags)) {
        // The kernel keeps no user attributes on a link, and reading them
        // through it would give the target's tags to every link to it.
        tags = entry.kind == ItemKind::Link ? QStringList() : tagNamesAtPath(fullPath());
        matched = searchWindowMatchString(tags->join(u' '), m_params, findOptions);
    }
    if (!matched && !isFolder && (what & kSearchContents))
        matched = matchContents(name, pathBytes(), entry.kind);
    if (!matched)
        return false;

    if (m_params.type == kSearchFiles && isFolder && !isPackage)
        return false;
    if (m_params.type == kSearchFolders && (!isFolder || isPackage))
        return false;
    if (m_reported.contains(fullPath()))
        return false;
    m_reported.insert(path);
    if (m_params.dataSource)
        m_params.dataSource->addResult(Result::create(path, m_baseDirectory, name, tags, comment, isFolder, isPackage));
    return true;
}

bool Walker::matchContents(const QString& name, const QByteArray& path, ItemKind kind)
{
    // Linux files carry no type codes, so the extension list alone decides.
    if (!m_params.scanAll && !hasListedExtension(name, m_params.extensions))
        return false;
    // Only regular files are read: a device or a pipe is never opened, and
    // a link only when it leads to a regular file.
    if (kind == ItemKind::Other)
        return false;
    struct stat target{};
    if (kind == ItemKind::Link && (::stat(path.constData(), &target) != 0 || !S_ISREG(target.st_mode)))
        return false;
    const QString text = textContentsAtPath(path, m_params.maxFileSize);
    return !text.isEmpty() && searchWindowMatchString(text, m_params, unsigned(m_params.comparison & 1));
}

} // namespace

void searchWindowWalkDirectory(SearchParams& params, const QString& root, ReportedPaths& reported,
                               MountCrossing crossing)
{
    Walker(params, root, reported, crossing).run();
}

} // namespace sorvant
