#include "search/directory_walk.h"

#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/package_extensions.h"
#include "platform/property_list.h"
#include "platform/unicode.h"
#include "platform/volumes.h"
#include "platform/xattr.h"
#include "search/content_matching.h"
#include "search/ascii_name_matching.h"
#include "search/ds_store.h"
#include "search/result.h"
#include "search/results_data_source.h"
#include "search/search_params.h"
#include "search/walk_threads.h"

#include <QFile>
#include <QHash>

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace sorvant {

bool isVolumeRootPath(const QString& path)
{
    if (path == u"/")
        return true;
    return path.count(u'/') == 2 && path.startsWith(u"/Volumes/", Qt::CaseInsensitive);
}

std::size_t ReportedPaths::shardOf(const QString& path)
{
    // The end of a path, where its name is, tells paths apart well enough.
    return qHash(QStringView(path).right(32)) % kShards;
}

bool ReportedPaths::insert(const QString& path)
{
    Shard& shard = m_shards[shardOf(path)];
    const std::lock_guard<std::mutex> guard(shard.lock);
    const qsizetype before = shard.paths.size();
    shard.paths.insert(path);
    return shard.paths.size() != before;
}

bool ReportedPaths::contains(const QString& path) const
{
    const Shard& shard = m_shards[shardOf(path)];
    const std::lock_guard<std::mutex> guard(shard.lock);
    return shard.paths.contains(path);
}

qsizetype ReportedPaths::size() const
{
    qsizetype total = 0;
    for (const Shard& shard : m_shards) {
        const std::lock_guard<std::mutex> guard(shard.lock);
        total += shard.paths.size();
    }
    return total;
}

unsigned walkThreadCount(std::uint64_t requested)
{
    unsigned processors = 0;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0)
        processors = unsigned(CPU_COUNT(&set));
    if (processors == 0)
        processors = std::max(1u, std::thread::hardware_concurrency());
    const std::uint64_t wanted = requested == 0 ? processors : requested;
    return unsigned(std::min<std::uint64_t>(wanted, kMaxWalkThreads));
}

bool isCommonDiskFileSystem(int fd)
{
    struct statfs info{};
    if (::fstatfs(fd, &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

namespace {

// The type of the file system mounted from `device`; null when the mount
// table does not list it.
QString mountTypeInTable(dev_t device)
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const MountPoint& mount : parseMountInfo(file.readAll())) {
        if (makedev(mount.major, mount.minor) == device)
            return mount.fileSystemType;
    }
    return {};
}

// A file system the kernel fills, told by its magic number; null for any
// other. devtmpfs and tmpfs share theirs: only the mount table tells them
// apart.
QString kernelFileSystemOfMagic(unsigned long magic)
{
    switch (magic) {
    case PROC_SUPER_MAGIC:
        return QStringLiteral("proc");
    case SYSFS_MAGIC:
        return QStringLiteral("sysfs");
    case DEVPTS_SUPER_MAGIC:
        return QStringLiteral("devpts");
    case CGROUP_SUPER_MAGIC:
        return QStringLiteral("cgroup");
    case CGROUP2_SUPER_MAGIC:
        return QStringLiteral("cgroup2");
    case SECURITYFS_MAGIC:
        return QStringLiteral("securityfs");
    case DEBUGFS_MAGIC:
        return QStringLiteral("debugfs");
    case TRACEFS_MAGIC:
        return QStringLiteral("tracefs");
    case BPF_FS_MAGIC:
        return QStringLiteral("bpf");
    case PSTOREFS_MAGIC:
        return QStringLiteral("pstore");
    case HUGETLBFS_MAGIC:
        return QStringLiteral("hugetlbfs");
    case BINFMTFS_MAGIC:
        return QStringLiteral("binfmt_misc");
    case AUTOFS_SUPER_MAGIC:
        return QStringLiteral("autofs");
    case EFIVARFS_MAGIC:
        return QStringLiteral("efivarfs");
    case NSFS_MAGIC:
        return QStringLiteral("nsfs");
    case SELINUX_MAGIC:
        return QStringLiteral("selinuxfs");
    case SMACK_MAGIC:
        return QStringLiteral("smackfs");
    default:
        return {};
    }
}

} // namespace

QString kernelFileSystemType(int fd, const std::function<QString(dev_t)>& mountType)
{
    struct statfs info{};
    struct stat status{};
    if (isCommonDiskFileSystem(fd) || ::fstatfs(fd, &info) != 0 || ::fstat(fd, &status) != 0)
        return {};
    const QString type = mountType ? mountType(status.st_dev) : mountTypeInTable(status.st_dev);
    if (type.isNull())
        return kernelFileSystemOfMagic(static_cast<unsigned long>(info.f_type));
    return isKernelFileSystemType(type) ? type : QString();
}

namespace {

enum class ItemKind { Folder, File, Link, Other };

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

// The errno of a failed read of an item's attribute that is worth naming: 0
// for an item without the attribute (ENODATA, also the kernel's answer for a
// link, a device or a pipe), a file system that keeps none, and an item gone
// since the folder was listed.
int unreadAttributeError(int error)
{
    return error == ENODATA || error == ENOTSUP || error == ENOENT || error == ENOTDIR ? 0 : error;
}

QByteArray joinedPath(const QByteArray& folder, const char* name, qsizetype length)
{
    QByteArray path;
    path.reserve(folder.size() + 1 + length);
    path.append(folder);
    if (!path.endsWith('/'))
        path.append('/');
    path.append(name, length);
    return path;
}

// An open folder kept for opening its subfolders relative to it, which
// spares the kernel a lookup of the whole path (and reaches folders whose
// whole path is longer than PATH_MAX). Closed by whichever thread drops the
// last reference.
class FolderHandle
{
public:
    FolderHandle(int descriptor, std::atomic<int>& openCount) : m_fd(descriptor), m_openCount(openCount)
    {
        m_openCount.fetch_add(1, std::memory_order_relaxed);
    }
    ~FolderHandle()
    {
        ::close(m_fd);
        m_openCount.fetch_sub(1, std::memory_order_relaxed);
    }
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    [[nodiscard]] int fd() const { return m_fd; }

private:
    int m_fd;
    std::atomic<int>& m_openCount;
};

// A match of the folder being read, kept until the folder's end so that its
// results are reported and handed over together.
struct FoundItem
{
    QString name;
    ItemStatus status;
    std::optional<QStringList> tags;
    QString comment;
    bool isFolder = false;
    bool isPackage = false;
    bool fresh = true; // not reported before
};

// Keeps the first of the items whose names (`nameOf`) are the same, in
// their order. Names rarely repeat: they are first compared by hash alone.
template <typename Item, typename NameOf>
void dropRepeated(std::vector<Item>& items, NameOf nameOf)
{
    if (items.size() < 2)
        return;
    std::vector<std::size_t> hashes;
    hashes.reserve(items.size());
    for (const Item& item : items)
        hashes.push_back(qHash(nameOf(item)));
    std::sort(hashes.begin(), hashes.end());
    if (std::adjacent_find(hashes.begin(), hashes.end()) == hashes.end())
        return;
    QSet<std::decay_t<decltype(nameOf(items.front()))>> seen;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const qsizetype before = seen.size();
        seen.insert(nameOf(items[i]));
        if (seen.size() == before)
            continue;
        if (kept != i)
            items[kept] = std::move(items[i]);
        ++kept;
    }
    items.erase(items.begin() + std::ptrdiff_t(kept), items.end());
}

struct SharedListing;

// A folder still to be read, or a slice of the items of one already listed.
struct PendingFolder
{
    QByteArray bytes; // the whole path
    dev_t parentDevice = 0;
    std::shared_ptr<FolderHandle> parent; // null: open by the whole path
    QByteArray name;                       // the name in the parent
    // A slice: the items first to last - 1 of the listing.
    std::shared_ptr<const SharedListing> listing;
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    // Why its comment or tags could not be read (0 when they could): said
    // when it is opened, unless it cannot be, so that it is named once.
    int commentError = 0;
    int tagsError = 0;
};

// The listing of a folder whose items are read in slices, each of which any
// thread may take: in a content search, a folder of many files would keep
// one thread reading while the others, their work done, wait for it. Made
// by the thread that listed the folder, read-only after.
struct SharedListing
{
    PendingFolder folder;                  // its path and name; no parent
    std::shared_ptr<FolderHandle> handle;  // the open folder
    dev_t device = 0;
    bool isSystemFolder = false;
    QByteArray entries;                    // the dirent64 records
    std::vector<std::uint32_t> offsets;    // of the items, each name once
    QSet<QByteArray> hidden;               // names its ".hidden" lists
};

// The folders one thread has found and not yet read. Its owner takes the
// newest (depth first, as a single walk would); the other threads steal the
// oldest, which tend to hold the largest subtrees.
struct WorkQueue
{
    std::mutex lock;
    std::deque<PendingFolder> folders;
};

// Content buffers kept from walk to walk. A walk that unmapped its buffers
// as it ended made every processor that had run its threads flush its
// address translations: 0.1 to 0.3 ms at the end of each search. The
// next walk also finds their pages in place. Buffers grown past a window
// (a whole file decoded) are freed.
class SpareContentBuffers
{
public:
    std::vector<ContentBuffer> take(unsigned count)
    {
        std::vector<ContentBuffer> taken;
        taken.reserve(count);
        {
            const std::lock_guard<std::mutex> guard(m_lock);
            while (taken.size() < count && !m_buffers.empty()) {
                taken.push_back(std::move(m_buffers.back()));
                m_buffers.pop_back();
            }
        }
        taken.resize(count);
        return taken;
    }
    void give(std::vector<ContentBuffer>& buffers)
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        const unsigned kept = walkThreadCount(0);
        for (ContentBuffer& buffer : buffers) {
            if (m_buffers.size() < kept && buffer.capacity() <= kKeptCapacity)
                m_buffers.push_back(std::move(buffer));
        }
        buffers.clear();
    }

private:
    static constexpr qsizetype kKeptCapacity = 2 * kContentWindowBytes;
    std::mutex m_lock;
    std::vector<ContentBuffer> m_buffers;
};

SpareContentBuffers& spareContentBuffers()
{
    static SpareContentBuffers* const spare = new SpareContentBuffers;
    return *spare;
}

// One walk: what every thread reads (the record, the mount table, the
// matchers) and what they share under locks (the queues, the reported
// paths).
class Walk
{
public:
    Walk(SearchParams& params, const QString& root, ReportedPaths* reported, MountCrossing crossing);
    void run();

    // --- read by every thread ---
    SearchParams& params;
    const QString root;
    const MountCrossing crossing;
    const bool rootIsSlash;
    const QString baseDirectory;
    const AsciiNameMatcher asciiNames;
    // Made for a content search only: a name search has no use for it.
    std::optional<ContentMatcher> contents;

    // The file system type of a mounted device; null when unknown. The mount
    // table is read on first use: a walk that stays on a common disk file
    // system never reads it.
    [[nodiscard]] QString mountType(dev_t device)
    {
        std::call_once(m_mountsRead, [this] {
            QFile file(QStringLiteral("/proc/self/mountinfo"));
            if (file.open(QIODevice::ReadOnly)) {
                for (const MountPoint& mount : parseMountInfo(file.readAll()))
                    m_mountTypes.insert(makedev(mount.major, mount.minor), mount.fileSystemType);
            }
        });
        return m_mountTypes.value(device);
    }
    // Whether the open folder `fd` lies on a file system the kernel fills.
    [[nodiscard]] bool isOnKernelFileSystem(int fd)
    {
        return !kernelFileSystemType(fd, [this](dev_t device) { return mountType(device); }).isNull();
    }
    [[nodiscard]] bool stopped() const
    {
        return params.stop.load(std::memory_order_relaxed) || m_failed.load(std::memory_order_relaxed);
    }

    // --- shared ---
    // Whether the walk keeps the paths it reported (a search of several).
    [[nodiscard]] bool keepsReportedPaths() const { return m_reported != nullptr; }
    // Adds the paths of `found`, items of `folder`, to the reported ones,
    // marking each that was there already as not fresh.
    void markReported(const QString& folder, std::vector<FoundItem>& found);
    // Queues the folders found by `thread`, in reverse so that its next take
    // is the first of them.
    void push(unsigned thread, std::vector<PendingFolder>& folders);
    // The next folder for `thread`: its own newest, else another's oldest;
    // nullopt when none is queued right now.
    std::optional<PendingFolder> take(unsigned thread);
    // One taken folder has been read (and its subfolders queued).
    void finish();
    [[nodiscard]] unsigned threadCount() const { return unsigned(m_queues.size()); }
    [[nodiscard]] bool mayKeepOpen() const { return m_openFolders.load(std::memory_order_relaxed) < m_maxOpen; }
    std::atomic<int>& openFolders() { return m_openFolders; }

private:
    void threadBody(unsigned index);
    void loop(unsigned index);
    void startHelpers();

    ReportedPaths* m_reported; // null: this walk's paths are all new
    std::vector<std::unique_ptr<WorkQueue>> m_queues;
    // A thread's content buffer; all are had before the helpers start (see
    // ContentMatcher::prepare) and given back to spareContentBuffers after
    // they end.
    std::vector<ContentBuffer> m_contentBuffers;
    // Folders queued or being read; the walk ends when it drops to 0.
    std::atomic<std::int64_t> m_outstanding{0};
    // Folders in the queues, for idle threads to wait on.
    std::atomic<std::int64_t> m_queued{0};
    std::mutex m_idleLock;
    std::condition_variable m_idle;
    std::atomic<int> m_sleepers{0};
    std::atomic<int> m_openFolders{0};
    int m_maxOpen = 128;
    std::atomic<bool> m_failed{false};
    bool m_helpersStarted = false;
    // Helpers still working; the walk returns when none is.
    std::mutex m_helpersLock;
    std::condition_variable m_helpersDone;
    unsigned m_helpersWorking = 0;
    std::once_flag m_mountsRead;
    QHash<dev_t, QString> m_mountTypes;
};

// The state of one thread of a walk: the listing buffer, the decoded name
// and the contents buffer are reused from item to item, so an item that
// does not match costs no allocation.
class WalkThread
{
public:
    WalkThread(Walk& walk, unsigned index, ContentBuffer& contentBuffer)
        : m_walk(walk), m_index(index), m_contentBuffer(contentBuffer)
    {
        m_listing = std::make_unique_for_overwrite<char[]>(kListingChunk);
        m_listingSize = kListingChunk;
        m_contentBuffer.touchPages();
    }
    ~WalkThread() { flushDone(); }
    WalkThread(const WalkThread&) = delete;
    WalkThread& operator=(const WalkThread&) = delete;

    void read(const PendingFolder& folder);

private:
    // The folder being read.
    struct Folder
    {
        const PendingFolder& pending;
        int fd;
        dev_t device;
        bool isSystemFolder; // "/System" of the root "/"
        std::optional<QString> path;
        std::shared_ptr<const ResultFolder> results; // what its results share
    };

    static constexpr std::size_t kListingChunk = 32768;
    static constexpr std::uint64_t kDoneBatch = 4096;
    // A content search shares out the items of a folder of more than
    // kShareItems in slices of kSliceItems: on a folder of 72 KB text files
    // a slice is about a millisecond of reading, so the last folder of a
    // walk is read by all threads, and a folder of few items by one
    // without the cost of sharing.
    static constexpr std::uint32_t kShareItems = 32;
    static constexpr std::uint32_t kSliceItems = 16;

    bool open(const PendingFolder& folder, bool isRoot, int& fd, dev_t& device);
    void warnOfUnreadFolder(const PendingFolder& folder, bool isRoot, int error);
    void list(int fd);
    QSet<QByteArray> hiddenNames(int fd) const;
    [[nodiscard]] bool sharesItems(std::size_t items) const;
    void share(const PendingFolder& pending, const Folder& folder, QSet<QByteArray>& hidden);
    void readSlice(const PendingFolder& slice);
    void visitEntry(Folder& folder, const dirent64* item, const QSet<QByteArray>& hidden);
    void endFolder(Folder& folder, std::shared_ptr<FolderHandle> handle);
    void visit(Folder& folder, const char* name, qsizetype length, ItemKind kind);
    void warnOfUnreadAttributes(const QByteArray& path, int commentError, int tagsError);
    void report(Folder& folder, const char* nameBytes, const QString& name, bool isFolder, bool isPackage,
                std::optional<QStringList>& tags, QString& comment);
    void handOver(Folder& folder, bool more);
    void dropRepeatedNames();
    const QString& folderPath(Folder& folder) const;
    const QString& decodedName(const char* name, qsizetype length, bool ascii);
    void countDone()
    {
        if (++m_done >= kDoneBatch)
            flushDone();
    }
    void flushDone()
    {
        if (m_done != 0)
            m_walk.params.nDone.fetch_add(m_done, std::memory_order_relaxed);
        m_done = 0;
    }

    Walk& m_walk;
    unsigned m_index;
    ContentBuffer& m_contentBuffer;
    // Never zeroed: only the bytes getdents64 wrote are read.
    std::unique_ptr<char[]> m_listing;
    std::size_t m_listingSize = 0;
    std::size_t m_listed = 0;
    QString m_name;
    bool m_nameValid = false;
    std::vector<PendingFolder> m_subfolders;
    std::vector<FoundItem> m_found;
    QSet<QString> m_handedOver; // names of the folder handed over before its end
    std::vector<ResultPointer> m_results;
    std::uint64_t m_done = 0;
};

Walk::Walk(SearchParams& walkParams, const QString& walkRoot, ReportedPaths* reported, MountCrossing walkCrossing)
    : params(walkParams), root(walkRoot), crossing(walkCrossing), rootIsSlash(walkRoot == u"/"),
      baseDirectory(isVolumeRootPath(walkRoot) ? QString() : walkRoot), asciiNames(walkParams),
      m_reported(reported)
{
    if (params.what & kSearchContents)
        contents.emplace(walkParams);
}

void Walk::markReported(const QString& folder, std::vector<FoundItem>& found)
{
    for (FoundItem& item : found)
        item.fresh = m_reported->insert(joinedItemPath(folder, item.name));
}

void Walk::push(unsigned thread, std::vector<PendingFolder>& folders)
{
    if (folders.empty())
        return;
    const auto count = std::int64_t(folders.size());
    m_outstanding.fetch_add(count, std::memory_order_relaxed);
    {
        WorkQueue& queue = *m_queues[thread];
        const std::lock_guard<std::mutex> guard(queue.lock);
        for (auto it = folders.rbegin(); it != folders.rend(); ++it)
            queue.folders.push_back(std::move(*it));
    }
    m_queued.fetch_add(count, std::memory_order_release);
    folders.clear();
    if (thread == 0 && !m_helpersStarted)
        startHelpers();
    if (m_sleepers.load(std::memory_order_acquire) > 0) {
        const std::lock_guard<std::mutex> guard(m_idleLock);
        m_idle.notify_all();
    }
}

std::optional<PendingFolder> Walk::take(unsigned thread)
{
    if (m_queued.load(std::memory_order_acquire) == 0)
        return std::nullopt;
    const auto count = unsigned(m_queues.size());
    for (unsigned step = 0; step < count; ++step) {
        const unsigned victim = (thread + step) % count;
        WorkQueue& queue = *m_queues[victim];
        const std::lock_guard<std::mutex> guard(queue.lock);
        if (queue.folders.empty())
            continue;
        PendingFolder folder;
        if (victim == thread) {
            folder = std::move(queue.folders.back());
            queue.folders.pop_back();
        } else {
            folder = std::move(queue.folders.front());
            queue.folders.pop_front();
        }
        m_queued.fetch_sub(1, std::memory_order_relaxed);
        return folder;
    }
    return std::nullopt;
}

void Walk::finish()
{
    if (m_outstanding.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        const std::lock_guard<std::mutex> guard(m_idleLock);
        m_idle.notify_all();
    }
}

void Walk::loop(unsigned index)
{
    WalkThread thread(*this, index, m_contentBuffers[index]);
    // A stop ends the read of a large Info.plist too, not only the walk.
    const PropertyListReadStop readStop(params.stop);
    while (!stopped()) {
        if (std::optional<PendingFolder> folder = take(index)) {
            thread.read(*folder);
            folder.reset(); // drops the parent's handle before the count says done
            finish();
            continue;
        }
        if (m_outstanding.load(std::memory_order_acquire) == 0)
            break;
        // Another thread is reading a folder that may yield work. The bounded
        // wait also bounds how late a stop is seen.
        std::unique_lock<std::mutex> guard(m_idleLock);
        m_sleepers.fetch_add(1, std::memory_order_acq_rel);
        m_idle.wait_for(guard, std::chrono::milliseconds(1), [this] {
            return m_queued.load(std::memory_order_acquire) > 0
                   || m_outstanding.load(std::memory_order_acquire) == 0 || stopped();
        });
        m_sleepers.fetch_sub(1, std::memory_order_acq_rel);
    }
}

void Walk::threadBody(unsigned index)
{
    try {
        loop(index);
    } catch (const std::exception& exception) {
        // Out of memory, most likely: end the walk on every thread rather
        // than leave the others waiting for this one's folders.
        logException(QStringLiteral("searchWindowWalkDirectory"), QStringLiteral("Walk"), exception);
        m_failed.store(true);
        const std::lock_guard<std::mutex> guard(m_idleLock);
        m_idle.notify_all();
    }
}

void Walk::run()
{
    if (root.isEmpty())
        return;
    const QByteArray rootBytes = fileSystemRepresentation(root);
    if (rootBytes.isEmpty())
        return;
    const unsigned threads = walkThreadCount(params.threads);
    struct rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        m_maxOpen = int(std::clamp<rlim_t>(limit.rlim_cur / 4, 16, 128 * rlim_t(threads)));
    m_contentBuffers = spareContentBuffers().take(threads);
    for (unsigned i = 0; i < threads; ++i) {
        m_queues.push_back(std::make_unique<WorkQueue>());
        if (params.what & kSearchContents)
            contents->prepare(m_contentBuffers[i]);
    }
    std::vector<PendingFolder> first;
    first.push_back({rootBytes, 0, nullptr, {}, nullptr, 0, 0});
    m_helpersStarted = true; // the root alone is nothing to share
    push(0, first);
    m_helpersStarted = threads == 1;
    // The calling thread reads folders too, and it owns the search: it
    // asks for the helpers once the root has given folders to share (a walk
    // of an empty or flat folder asks for none) and waits for every one
    // before the walk returns, so no helper works on after it.
    threadBody(0);
    {
        std::unique_lock<std::mutex> guard(m_helpersLock);
        m_helpersDone.wait(guard, [this] { return m_helpersWorking == 0; });
    }
    spareContentBuffers().give(m_contentBuffers);
}

// The processors for `count` helpers of the calling thread: each one the
// caller may run on, its own excepted, once; -1 (where the kernel puts it)
// for helpers beyond them.
std::vector<int> helperProcessors(unsigned count)
{
    std::vector<int> processors(count, -1);
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    const int own = ::sched_getcpu();
    if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0 || own < 0)
        return processors;
    unsigned next = 0;
    for (int step = 1; step < CPU_SETSIZE && next < count; ++step) {
        const int processor = (own + step) % CPU_SETSIZE;
        if (CPU_ISSET(processor, &allowed))
            processors[next++] = processor;
    }
    return processors;
}

// Called by thread 0 only. A helper that cannot be had leaves its queue to
// the others, which take from every queue.
void Walk::startHelpers()
{
    m_helpersStarted = true;
    const auto threads = unsigned(m_queues.size());
    const std::vector<int> processors = helperProcessors(threads - 1);
    for (unsigned i = 1; i < threads; ++i) {
        {
            const std::lock_guard<std::mutex> guard(m_helpersLock);
            ++m_helpersWorking;
        }
        const bool started = WalkThreads::shared().run([this, i] { threadBody(i); }, [this] {
            // Under the lock: once the count is 0 the walk may end and its
            // state go.
            const std::lock_guard<std::mutex> guard(m_helpersLock);
            if (--m_helpersWorking == 0)
                m_helpersDone.notify_all();
        }, processors[i - 1]);
        if (!started) {
            const std::lock_guard<std::mutex> guard(m_helpersLock);
            --m_helpersWorking;
        }
    }
}

// Opens a folder and tells whether the walk enters it: not when it cannot
// be read, nor when it lies on a mount the walk does not enter.
bool WalkThread::open(const PendingFolder& folder, bool isRoot, int& fd, dev_t& device)
{
    // The root may be reached through a link the user chose; below it no
    // link is followed.
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (isRoot ? 0 : O_NOFOLLOW);
    fd = folder.parent ? ::openat(folder.parent->fd(), folder.name.constData(), flags)
                       : ::open(folder.bytes.constData(), flags);
    if (fd < 0) {
        warnOfUnreadFolder(folder, isRoot, errno);
        return false;
    }
    struct stat status{};
    const bool readable = ::fstat(fd, &status) == 0;
    if (!readable)
        warnOfUnreadFolder(folder, isRoot, errno);
    const bool crossesMount = !isRoot && status.st_dev != folder.parentDevice;
    // A mount below is entered unless it is the kernel's (tmpfs, ramfs,
    // squashfs and overlay hold files like any disk); so is the root.
    const bool leftOut = (isRoot || (crossesMount && m_walk.crossing != MountCrossing::StayOnVolume))
                             ? m_walk.isOnKernelFileSystem(fd)
                             : crossesMount;
    if (!readable || leftOut) {
        ::close(fd);
        fd = -1;
        return false;
    }
    device = status.st_dev;
    warnOfUnreadAttributes(folder.bytes, folder.commentError, folder.tagsError);
    return true;
}

// Names a folder below the root that the walk cannot read, with the reason.
// The root is the caller's to name (the search command refuses it before the
// walk); a folder gone since its parent was listed, or no longer a folder,
// is no failure.
void WalkThread::warnOfUnreadFolder(const PendingFolder& folder, bool isRoot, int error)
{
    if (isRoot || error == ENOENT || error == ENOTDIR)
        return;
    logWarning(QStringLiteral("Skipped the folder %1: %2")
                   .arg(stringWithFileSystemRepresentation(folder.bytes), errorMessage(error)));
}

// Reads the whole listing into the thread's buffer.
void WalkThread::list(int fd)
{
    m_listed = 0;
    for (;;) {
        if (m_listingSize - m_listed < kListingChunk) {
            auto larger = std::make_unique_for_overwrite<char[]>(m_listingSize * 2);
            std::memcpy(larger.get(), m_listing.get(), m_listed);
            m_listing = std::move(larger);
            m_listingSize *= 2;
        }
        const ssize_t length = ::getdents64(fd, m_listing.get() + m_listed, m_listingSize - m_listed);
        if (length <= 0)
            return; // the end, or a folder that cannot be read further
        m_listed += std::size_t(length);
        // A folder of millions of entries takes a while to list.
        if (m_walk.stopped())
            return;
    }
}

// The names a folder's ".hidden" file lists, one a line, as bytes.
QSet<QByteArray> WalkThread::hiddenNames(int fd) const
{
    // Only a regular file is read, and not a huge one: a name list is small.
    constexpr off_t kLargest = 1 << 20;
    QSet<QByteArray> names;
    const int file = ::openat(fd, ".hidden", O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (file < 0)
        return names;
    struct stat status{};
    if (::fstat(file, &status) == 0 && S_ISREG(status.st_mode) && status.st_size <= kLargest) {
        QByteArray bytes(qsizetype(status.st_size), Qt::Uninitialized);
        const ssize_t read = ::pread(file, bytes.data(), size_t(bytes.size()), 0);
        bytes.truncate(std::max<ssize_t>(read, 0));
        for (const QByteArray& line : bytes.split('\n')) {
            if (!line.isEmpty())
                names.insert(line);
        }
    }
    ::close(file);
    return names;
}

void WalkThread::read(const PendingFolder& pending)
{
    if (pending.listing) {
        readSlice(pending);
        return;
    }
    const bool isRoot = pending.name.isNull();
    int fd = -1;
    dev_t device = 0;
    if (!open(pending, isRoot, fd, device))
        return;
    list(fd);
    std::size_t items = 0;
    bool listsHidden = false;
    for (std::size_t offset = 0; offset < m_listed; ++items) {
        const auto* item = reinterpret_cast<const dirent64*>(m_listing.get() + offset);
        offset += item->d_reclen;
        listsHidden = listsHidden || std::strcmp(item->d_name, ".hidden") == 0;
    }
    QSet<QByteArray> hidden;
    if (!m_walk.params.invisibles && listsHidden)
        hidden = hiddenNames(fd);
    Folder folder{pending, fd, device, m_walk.rootIsSlash && pending.bytes == "/System", std::nullopt, nullptr};
    if (sharesItems(items)) {
        share(pending, folder, hidden);
        return;
    }
    m_subfolders.clear();
    for (std::size_t offset = 0; offset < m_listed;) {
        const auto* item = reinterpret_cast<const dirent64*>(m_listing.get() + offset);
        offset += item->d_reclen;
        if (m_walk.stopped())
            break;
        visitEntry(folder, item, hidden);
    }
    std::shared_ptr<FolderHandle> handle;
    if (!m_subfolders.empty() && m_walk.mayKeepOpen()) {
        handle = std::make_shared<FolderHandle>(fd, m_walk.openFolders());
        fd = -1;
    }
    endFolder(folder, std::move(handle));
    if (fd >= 0)
        ::close(fd);
}

bool WalkThread::sharesItems(std::size_t items) const
{
    return items > kShareItems && (m_walk.params.what & kSearchContents) && m_walk.threadCount() > 1
           && m_walk.mayKeepOpen() && !m_walk.stopped();
}

// Keeps the listing and the open folder for the slices, and queues them:
// this thread takes the first, the others steal from the end.
void WalkThread::share(const PendingFolder& pending, const Folder& folder, QSet<QByteArray>& hidden)
{
    auto listing = std::make_shared<SharedListing>();
    listing->folder = {pending.bytes, pending.parentDevice, nullptr, pending.name, nullptr, 0, 0};
    listing->handle = std::make_shared<FolderHandle>(folder.fd, m_walk.openFolders());
    listing->device = folder.device;
    listing->isSystemFolder = folder.isSystemFolder;
    listing->entries = QByteArray(m_listing.get(), qsizetype(m_listed));
    listing->hidden = std::move(hidden);
    const char* entries = listing->entries.constData();
    const auto nameAt = [entries](std::uint32_t offset) {
        return QByteArray::fromRawData(reinterpret_cast<const dirent64*>(entries + offset)->d_name,
                                       qsizetype(std::strlen(reinterpret_cast<const dirent64*>(entries + offset)->d_name)));
    };
    for (std::size_t offset = 0; offset < m_listed;) {
        listing->offsets.push_back(std::uint32_t(offset));
        offset += reinterpret_cast<const dirent64*>(entries + offset)->d_reclen;
    }
    // A name listed twice (the folder changed while it was listed) would
    // be in two slices, out of reach of one slice's rule: it is taken once.
    dropRepeated(listing->offsets, nameAt);
    std::vector<PendingFolder> slices;
    const auto count = std::uint32_t(listing->offsets.size());
    for (std::uint32_t first = 0; first < count; first += kSliceItems)
        slices.push_back({{}, 0, nullptr, {}, listing, first, std::min(count, first + kSliceItems)});
    m_walk.push(m_index, slices);
}

void WalkThread::readSlice(const PendingFolder& slice)
{
    const SharedListing& listing = *slice.listing;
    Folder folder{listing.folder, listing.handle->fd(), listing.device, listing.isSystemFolder, std::nullopt,
                  nullptr};
    m_subfolders.clear();
    for (std::uint32_t i = slice.first; i < slice.last && !m_walk.stopped(); ++i)
        visitEntry(folder, reinterpret_cast<const dirent64*>(listing.entries.constData() + listing.offsets[i]),
                   listing.hidden);
    endFolder(folder, listing.handle);
}

void WalkThread::visitEntry(Folder& folder, const dirent64* item, const QSet<QByteArray>& hidden)
{
    const char* name = item->d_name;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
        return;
    const auto length = qsizetype(std::strlen(name));
    if (!m_walk.params.invisibles
        && (name[0] == '.' || (!hidden.isEmpty() && hidden.contains(QByteArray::fromRawData(name, length)))))
        return;
    ItemKind kind = kindOfType(item->d_type);
    if (item->d_type == DT_UNKNOWN) {
        struct stat status{};
        if (::fstatat(folder.fd, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return;
        kind = kindOfMode(status.st_mode);
    }
    visit(folder, name, length, kind);
}

// Hands over the matches of a folder (or a slice of one) and queues its
// subfolders, to be opened relative to `handle` (by their whole paths when
// null).
void WalkThread::endFolder(Folder& folder, std::shared_ptr<FolderHandle> handle)
{
    dropRepeatedNames();
    handOver(folder, false);
    flushDone();
    if (!m_subfolders.empty() && !m_walk.stopped()) {
        for (PendingFolder& subfolder : m_subfolders)
            subfolder.parent = handle;
        m_walk.push(m_index, m_subfolders);
    }
    m_subfolders.clear();
}

const QString& WalkThread::folderPath(Folder& folder) const
{
    if (!folder.path)
        folder.path = folder.pending.name.isNull() ? m_walk.root
                                                   : stringWithFileSystemRepresentation(folder.pending.bytes);
    return *folder.path;
}

const QString& WalkThread::decodedName(const char* name, qsizetype length, bool ascii)
{
    if (m_nameValid)
        return m_name;
    if (ascii) {
        // Widened in place: the buffer keeps its capacity from name to name.
        m_name.resize(length);
        char16_t* units = reinterpret_cast<char16_t*>(m_name.data());
        for (qsizetype i = 0; i < length; ++i)
            units[i] = char16_t(static_cast<unsigned char>(name[i]));
    } else {
        m_name = stringWithFileSystemRepresentation(name, length);
    }
    m_nameValid = true;
    return m_name;
}

// Tests one item, reports it when it matches, and keeps it for reading when
// it is a folder to walk into.
void WalkThread::visit(Folder& folder, const char* nameBytes, qsizetype length, ItemKind kind)
{
    if (folder.isSystemFolder && std::strcmp(nameBytes, "Volumes") == 0)
        return;
    countDone();
    m_nameValid = false;
    const SearchParams& params = m_walk.params;
    const bool ascii = isAsciiBytes(nameBytes, length);
    const auto name = [&]() -> const QString& { return decodedName(nameBytes, length, ascii); };
    const bool isFolder = kind == ItemKind::Folder;
    std::optional<bool> package;
    const auto isPackage = [&] {
        if (!package)
            package = hasPackageSuffix(name()) || (isFolder && hasBundleExtension(name()));
        return *package;
    };
    const bool entered = isFolder && (params.packageContents || !isPackage());
    if (entered)
        m_subfolders.push_back({joinedPath(folder.pending.bytes, nameBytes, length), folder.device, nullptr,
                                QByteArray(nameBytes, length), nullptr, 0, 0});

    const unsigned findOptions = unsigned(params.comparison & 1);
    const std::uint64_t what = params.what;
    bool matched = false;
    if (what & kSearchNames) {
        const NameVerdict verdict = m_walk.asciiNames.verdict(nameBytes, length);
        matched = verdict == NameVerdict::Match
                  || (verdict == NameVerdict::Undecided
                      && searchWindowMatchString(ascii ? name() : composedName(name()), params, findOptions));
    }
    // Items are counted in batches, but before any read that may take long
    // the count is brought up to date, so progress shows the item being read.
    if (!matched && (what & (kSearchComments | kSearchTags | kSearchContents)))
        flushDone();
    QString comment;
    // Why the item's comment or tags could not be read; 0 when they could.
    int commentError = 0;
    int tagsError = 0;
    if (!matched && (what & kSearchComments)) {
        comment = DSStore::itemCommentInFolder(folder.fd, folderPath(folder), name(), nameBytes, &commentError);
        commentError = unreadAttributeError(commentError);
        matched = searchWindowMatchString(comment, params, findOptions);
    }
    std::optional<QStringList> tags;
    if (!matched && (what & kSearchTags)) {
        // The kernel keeps no user attributes on a link, and reading them
        // through it would give the target's tags to every link to it.
        QByteArray value;
        if (kind != ItemKind::Link) {
            value = extendedAttributeInFolder(folder.fd, nameBytes, kTagsAttribute);
            tagsError = value.isNull() ? unreadAttributeError(errno) : 0;
        }
        tags = tagNamesFromAttributeValue(value);
        matched = searchWindowMatchString(tags->join(u' '), params, findOptions);
    }
    if (entered) {
        m_subfolders.back().commentError = commentError;
        m_subfolders.back().tagsError = tagsError;
    } else if (commentError != 0 || tagsError != 0) {
        warnOfUnreadAttributes(joinedPath(folder.pending.bytes, nameBytes, length), commentError, tagsError);
    }
    // Linux files carry no type codes, so the extension list alone decides.
    // Only regular files are read: a device or a pipe is never opened, and a
    // link only when it leads to a regular file.
    if (!matched && !isFolder && (what & kSearchContents) && kind != ItemKind::Other
        && (params.scanAll || hasListedExtension(name(), params.extensions)))
        matched = m_walk.contents->matchesFile(folder.fd, QByteArray::fromRawData(nameBytes, length), m_contentBuffer,
                                              folder.pending.bytes);
    if (matched)
        report(folder, nameBytes, name(), isFolder, isPackage(), tags, comment);
}

// Names an item whose comment or tags (those of them the search asked for)
// could not be read, once, with the reason.
void WalkThread::warnOfUnreadAttributes(const QByteArray& path, int commentError, int tagsError)
{
    if (commentError == 0 && tagsError == 0)
        return;
    const QString what = commentError == 0 ? QStringLiteral("tags")
                         : tagsError == 0  ? QStringLiteral("comments")
                                           : QStringLiteral("tags and comments");
    logWarning(QStringLiteral("Skipped the %1 of %2: %3")
                   .arg(what, stringWithFileSystemRepresentation(path), errorMessage(commentError != 0 ? commentError : tagsError)));
}

// Applies the type rules to a match and keeps it, with what one statx
// relative to the folder tells of it, for the folder's end.
void WalkThread::report(Folder& folder, const char* nameBytes, const QString& name, bool isFolder, bool isPackage,
                        std::optional<QStringList>& tags, QString& comment)
{
    const SearchParams& params = m_walk.params;
    if (params.type == kSearchFiles && isFolder && !isPackage)
        return;
    if (params.type == kSearchFolders && (!isFolder || isPackage))
        return;
    // The result keeps the name: made at its exact size, not sharing the
    // reused name buffer's capacity.
    const ItemStatus status =
        params.readsItemStatus ? ItemStatus::read(folder.fd, nameBytes) : ItemStatus::deferredFor(isFolder);
    m_found.push_back({QString(name.constData(), name.size()), status, std::move(tags), std::move(comment), isFolder,
                       isPackage, true});
    // A search that reads items hands each match over at once, as it may
    // take long to reach the next; a name search, in batches.
    constexpr std::size_t kBatch = 256;
    if (m_found.size() >= kBatch || (params.what & (kSearchComments | kSearchTags | kSearchContents)))
        handOver(folder, true);
}

// A listing read while the folder changes may give a name twice: its
// subfolder is walked once (and its match reported once, by handOver).
void WalkThread::dropRepeatedNames()
{
    dropRepeated(m_subfolders, [](const PendingFolder& folder) -> const QByteArray& { return folder.name; });
}

// Applies the duplicate rule to the folder's matches found since the last
// hand-over and hands their results to the results model, under one taking
// of its lock. `more`: the folder is not done; the names handed over are
// then remembered until it is, so that a name listed twice is taken once.
void WalkThread::handOver(Folder& folder, bool more)
{
    if (!m_found.empty()) {
        dropRepeated(m_found, [](const FoundItem& item) -> const QString& { return item.name; });
        if (!m_handedOver.isEmpty()) {
            std::erase_if(m_found, [this](const FoundItem& item) { return m_handedOver.contains(item.name); });
        }
        if (more) {
            for (const FoundItem& item : m_found)
                m_handedOver.insert(item.name);
        }
    }
    if (!more)
        m_handedOver.clear();
    if (m_found.empty())
        return;
    if (m_walk.keepsReportedPaths())
        m_walk.markReported(folderPath(folder), m_found);
    const SearchParams& params = m_walk.params;
    if (params.dataSource) {
        // Results of one folder share its path and their display path; a
        // folder below the root keeps its path as the bytes it was opened by.
        if (!folder.results) {
            const QString& name = m_found.front().name;
            folder.results = folder.pending.name.isNull()
                                 ? std::make_shared<const ResultFolder>(m_walk.root, name, m_walk.baseDirectory)
                                 : std::make_shared<const ResultFolder>(folder.pending.bytes, name,
                                                                        m_walk.baseDirectory);
        }
        for (const FoundItem& item : m_found) {
            if (item.fresh)
                m_results.push_back(Result::create(folder.results, item.name, item.status, item.tags,
                                                   item.comment, item.isFolder, item.isPackage));
        }
        params.dataSource->addResults(m_results);
    }
    m_found.clear();
}

} // namespace

void searchWindowWalkDirectory(SearchParams& params, const QString& root, ReportedPaths& reported,
                               MountCrossing crossing)
{
    Walk(params, root, &reported, crossing).run();
}

void searchWindowWalkDirectory(SearchParams& params, const QString& root, MountCrossing crossing)
{
    Walk(params, root, nullptr, crossing).run();
}

void reserveWalkHelpers(std::uint64_t requestedThreads)
{
    WalkThreads::shared().reserve(walkThreadCount(requestedThreads) - 1);
}

} // namespace sorvant
