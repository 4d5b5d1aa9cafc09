#pragma once
// One search at a time for one owner (a search window, the headless
// driver): the settings record, the results model, the operation count and
// the done flag, and the worker thread that searches the destination.
//
// The owner fills params() (what, type, mode, comparison, invisibles,
// packageContents) and calls search(); a search() while one runs only asks
// it to stop, as requestStop() does. The worker pushes results onto
// dataSource()'s pending list, which takes no lock; at each tick of its
// refresh the owner calls takeResults(), which hands over the batch when one
// is due together with the engine's counters, and tells once that the
// search has ended. Only the engine and its worker write the counters.
//
// Threads: search(), stopSearch() and the destructor on the owner's thread;
// the worker is a std::thread that is always joined, never detached. The
// worker owns the search and reads folders itself; each walk adds helper
// threads that read folders too (params().threads, one per processor by
// default) and joins them before it returns. All of them read the record's
// words and lists, which nobody changes while they run; stop, the counters
// and the flags are atomics.
//
// Not here: walking (search/directory_walk.h), matching
// (search/content_matching.h), the results themselves (search/result.h).

#include "search/directory_walk.h"
#include "search/result.h"
#include "search/results_data_source.h"
#include "search/search_params.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

class QObject;

namespace sorvant {

class UserDefaults;

// What the engine asks of its owner.
class SearchEngineOwner
{
public:
    virtual ~SearchEngineOwner() = default;
    // There is nothing to search (no words, nothing to content-search, no
    // destination). Called on the owner's thread.
    virtual void beep() = 0;
    // The search has ended: ask for the user's attention when the
    // application is not active. Called on the owner's thread.
    virtual void requestAttentionWhenInactive() = 0;
    // The mount points of the local volumes and of the removable media, for
    // the pseudo-destinations. Called on the worker thread.
    [[nodiscard]] virtual QStringList localVolumePaths() = 0;
    [[nodiscard]] virtual QStringList removableMedia() = 0;
    // The information text of one of this engine's shown results is ready
    // (DidUpdateResultInfoNotification). Called on the owner's thread.
    virtual void didUpdateResultInfo(const ResultPointer& result) = 0;
};

// The mount points of the mounted local volumes: "/" first, then every
// mount of a real, non-network file system; automounter mounts are left out.
[[nodiscard]] QStringList mountedLocalVolumePaths();
// The mount points of the mounted removable volumes.
[[nodiscard]] QStringList mountedRemovableMediaPaths();

// What the owner's refresh receives: the results found since the last
// hand-off (when one was due), the items examined so far, and whether the
// search has ended with this batch.
struct ResultsBatch
{
    QList<ResultPointer> results;
    std::uint64_t done = 0; // items examined
    bool handedOver = false; // a flush was due: the status line is redrawn
    bool ended = false;      // the last batch of the search (told once)
};

class SearchEngine
{
public:
    SearchEngine(SearchEngineOwner& owner, const UserDefaults& defaults);
    // Stops a running search and waits for it.
    ~SearchEngine();
    SearchEngine(const SearchEngine&) = delete;
    SearchEngine& operator=(const SearchEngine&) = delete;

    // The record; the owner writes its settings only while no search runs.
    [[nodiscard]] SearchParams& params() { return m_params; }
    [[nodiscard]] const SearchParams& params() const { return m_params; }
    // The results model the worker appends to and the owner flushes.
    [[nodiscard]] ResultsDataSource& dataSource() { return m_dataSource; }

    // The search action. While a search runs it only sets stop and answers
    // NO. Otherwise it empties the results, prepares the record for
    // `phrase` (normalized, not white) and starts the worker on `path` (a
    // folder or ".#All#.", ".#Local#.", ".#Removable#."); YES when a worker
    // was started. Nothing to search beeps and answers NO. A regular
    // expression that does not compile answers NO without a search, the
    // results left as they were, and searchError() says why.
    bool search(const QString& phrase, const QString& path);
    // Why the last search() did not start, for the user: what is wrong with
    // an invalid regular expression and where, in the interface's language
    // ("a bracket [ is not closed at character 7"); null when it started or
    // failed otherwise.
    [[nodiscard]] QString searchError() const { return m_searchError; }
    // The compile error of `phrase` as the regular expression to search for;
    // null in another mode or when it compiles (what search() would say,
    // asked before anything is cleared).
    [[nodiscard]] QString invalidPatternMessage(const QString& phrase) const;
    // Sets stop, waits for the worker to end and frees the record's lists.
    void stopSearch();
    // Asks a running search to end soon; returns at once.
    void requestStop() { m_params.stop.store(true); }

    // The owner's refresh, on its thread; never waits for the worker. When
    // the search has ended or the data source says a flush is due, every
    // pending result (an ended search's last ones included); otherwise
    // none, with the count of items examined either way.
    [[nodiscard]] ResultsBatch takeResults();
    // Every pending result at once, due or not: before a re-sort or a
    // deletion, which show all that was found.
    [[nodiscard]] QList<ResultPointer> takePendingResults() { return m_dataSource.takePending(); }

    // YES from the start of a search until its last operation has ended.
    [[nodiscard]] bool isSearching() const { return m_searching.load() > 0; }
    // The number of search operations begun and not yet ended.
    [[nodiscard]] std::int64_t searchingCount() const { return m_searching.load(); }
    // YES once the last operation of a search has ended, until cleared
    // (by takeResults, or by an owner that flushes on its own).
    [[nodiscard]] bool searchDone() const { return m_searchDone.load(); }
    void clearSearchDone() { m_searchDone.store(false); }

    // --- the worker's steps (public for the engine's tests) ---
    // A step the worker takes on its thread before it walks (null: none);
    // set while no search runs. Tests hold a search there, so that it is
    // still running whenever they act on it.
    void setWorkerStartHook(std::function<void()> hook) { m_workerStartHook = std::move(hook); }
    // The worker thread's body: searches each destination in turn.
    void iterateHandler(const QString& path);
    // One more running operation.
    void threadInit();
    // One operation less; the last one frees the lists and sets the done flag.
    void threadExit();
    // Empties the record's word, extension and type lists; safe to repeat.
    void invalidateParams();
    // YES when the path can be searched through the file system's catalog:
    // never on Linux (see search/catalog_search.h).
    [[nodiscard]] bool canPerformCatalogSearch(const QString& path) const;
    // Searches a destination (the walk, where no catalog applies) and ends
    // its operation.
    void performCatalogSearch(const QString& path);
    // Walks one volume without entering other mounts and ends its operation.
    void enumerateDirectory(const QString& path, MountCrossing crossing = MountCrossing::StayOnVolume);

private:
    bool prepareParams(const QString& phrase, const QString& path);
    [[nodiscard]] unsigned regexOptions() const;
    void setHighlighting();
    [[nodiscard]] QStringList destinationList(const QString& path) const;

    SearchEngineOwner& m_owner;
    const UserDefaults& m_defaults;
    SearchParams m_params;
    ResultsDataSource m_dataSource;
    std::atomic<std::int64_t> m_searching{0};
    std::atomic<bool> m_searchDone{false};
    QString m_searchError;
    std::function<void()> m_workerStartHook;
    std::thread m_worker;
    // Lives on the owner's thread: queued calls to the owner go through it,
    // and its end cancels the ones not yet delivered.
    std::unique_ptr<QObject> m_context;
};

} // namespace sorvant
