#include "search/directory_walk.h"

#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/property_list.h"
#include "search/directory_walk_state.h"
#include "search/walk_threads.h"

#include <sched.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace sorvant {

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

namespace walking {

namespace {

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

} // namespace

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

namespace {

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

} // namespace

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

} // namespace walking

void searchWindowWalkDirectory(SearchParams& params, const QString& root, ReportedPaths& reported,
                               MountCrossing crossing)
{
    walking::Walk(params, root, &reported, crossing).run();
}

void searchWindowWalkDirectory(SearchParams& params, const QString& root, MountCrossing crossing)
{
    walking::Walk(params, root, nullptr, crossing).run();
}

void reserveWalkHelpers(std::uint64_t requestedThreads)
{
    WalkThreads::shared().reserve(walkThreadCount(requestedThreads) - 1);
}

} // namespace sorvant
