#pragma once
// The state of a directory walk, private to its files: what every thread
// of a walk reads and what they share under locks (Walk, in
// directory_walk.cpp), and what each thread keeps while it reads folders
// (WalkThread, in folder_reading.cpp). The walk's interface is
// directory_walk.h.

#include "platform/unique_fd.h"
#include "platform/volumes.h"
#include "search/ascii_name_matching.h"
#include "search/content_matching.h"
#include "search/directory_walk.h"
#include "search/result.h"
#include "search/search_params.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <dirent.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace sorvant::walking {

enum class ItemKind { Folder, File, Link, Other };

// An open folder kept for opening its subfolders relative to it, which
// spares the kernel a lookup of the whole path (and reaches folders whose
// whole path is longer than PATH_MAX). Closed by whichever thread drops the
// last reference.
class FolderHandle
{
public:
    FolderHandle(UniqueFd descriptor, std::atomic<int>& openCount)
        : m_fd(std::move(descriptor)), m_openCount(openCount)
    {
        m_openCount.fetch_add(1, std::memory_order_relaxed);
    }
    ~FolderHandle()
    {
        m_fd.reset();
        m_openCount.fetch_sub(1, std::memory_order_relaxed);
    }
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    [[nodiscard]] int fd() const { return m_fd.get(); }

private:
    UniqueFd m_fd;
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

    bool open(const PendingFolder& folder, bool isRoot, UniqueFd& fd, dev_t& device);
    void warnOfUnreadFolder(const PendingFolder& folder, bool isRoot, int error);
    void list(int fd);
    QSet<QByteArray> hiddenNames(int fd) const;
    [[nodiscard]] bool sharesItems(std::size_t items) const;
    void share(const PendingFolder& pending, const Folder& folder, UniqueFd fd, QSet<QByteArray>& hidden);
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

} // namespace sorvant::walking
