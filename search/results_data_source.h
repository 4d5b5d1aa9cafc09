#pragma once
// The results of one search window: the engine half of the results table's
// model.
//
// The worker threads push results onto a pending list that needs no lock
// (addResult). The owner's thread takes them in batches, at most every 2 s
// while results keep coming (shouldFlush, then takePending), and never
// waits for a worker to do so. They reach the shown list in one of two ways:
//   - insertResults: each batch merged into the current order, every change
//     told as it happens to a ShownResultsObserver (a table model), so a
//     table keeps its selection and scroll position (or the same merge
//     made on another thread and swapped in: takeMergeWork, prepareMerge,
//     applyMerge);
//   - flushResults: appended, the whole list sorted lazily when the table
//     next asks for its row count (the headless driver's way).
// The order is one of eight keys, optionally reversed; each row's collation
// keys are made once and kept, so a merge costs the batch's keys and a
// linear pass, and a re-sort by another key only that key's strings. The
// model also keeps what the table highlights in names and comments: the
// search strings (or wildcard patterns) or the regular expression, what was
// searched and how it was compared.
//
// Threads: addResult from any thread; everything else from the owner's
// thread. The highlighting settings have their own small lock, so the worker
// may set them while the table reads them. lock()/unlock() guard nothing of
// the model's own any more; they remain for callers that serialize their
// own steps with the worker's.
//
// Not here: the table itself (cell values, tool tips, drag, column clicks:
// the application's half of the model).

#include "search/result.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace sorvant {

class Collator;

// Sort keys and the columns they belong to.
enum ResultsSortKey : std::uint64_t {
    kSortByName = 0,     // "file": name, display path
    kSortByModified = 1, // "modified": date, name, display path
    kSortBySize = 2,     // "size": signed size (folders -1), name, display path
    kSortByPath = 3,     // "path": display path, name
    kSortByKind = 4,     // "kind": the type field, name, display path
    kSortByCreated = 5,  // "created": date, name, display path
    kSortByInfo = 6,     // "info": information text, name, display path
    kSortByComment = 7,  // "comment": Finder comment, name, display path
};

// The regular expression a search highlights with: the pattern as typed and
// the compile options the worker used (1 case-insensitive, 16 anchors match
// lines). A null pattern means none.
struct HighlightExpression
{
    QString pattern;
    unsigned options = 0;
    [[nodiscard]] bool isNull() const { return pattern.isNull(); }
    friend bool operator==(const HighlightExpression&, const HighlightExpression&) = default;
};

// Told of each change of the shown list while it happens, so a table model
// can announce it: rows inserted or removed as one range, or every row moved
// at once. Each will… comes before the list changes, its did… after.
class ShownResultsObserver
{
public:
    virtual ~ShownResultsObserver() = default;
    virtual void shownResultsWillInsert(qsizetype row, qsizetype count) = 0;
    virtual void shownResultsDidInsert() = 0;
    virtual void shownResultsWillRemove(qsizetype row, qsizetype count) = 0;
    virtual void shownResultsDidRemove() = 0;
    virtual void shownResultsWillReorder() = 0;
    // `rowOf[old]` is the new row of the result that was at row `old`.
    virtual void shownResultsDidReorder(const std::vector<qsizetype>& rowOf) = 0;
};

class ResultsDataSource
{
public:
    using Clock = std::chrono::steady_clock;
    // The shortest time between two flushes while results keep coming.
    static constexpr std::chrono::milliseconds kFlushInterval{2000};

    // A batch is announced range by range (runs of adjacent new rows) while
    // the rows those inserts move stay under this many, or it has few
    // ranges; otherwise it is appended as one range and merged into place
    // as one reorder (one linear pass instead of a pass per range, but a
    // reorder makes a view track every selected row). Gone rows leave the
    // same way: run by run, or moved to the end by one reorder and removed
    // as one range.
    static constexpr qsizetype kMaxInsertedRanges = 32;
    static constexpr qsizetype kMaxMovedRows = 4'000'000;

    ResultsDataSource() = default;
    ~ResultsDataSource();
    ResultsDataSource(const ResultsDataSource&) = delete;
    ResultsDataSource& operator=(const ResultsDataSource&) = delete;

    // --- the lock (guards the pending list and the moving of results) ---
    void lock() { m_lock.lock(); }
    // YES when the lock was taken without waiting.
    [[nodiscard]] bool tryLock() { return m_lock.try_lock(); }
    void unlock() { m_lock.unlock(); }

    // --- worker side ---
    // Pushes a result onto the pending list without a lock; null is ignored.
    void addResult(ResultPointer result);
    // Pushes the results in their order in one step (null ones ignored)
    // and empties `results`.
    void addResults(std::vector<ResultPointer>& results);

    // --- main thread ---
    // YES when results are pending and either no flush happened since the
    // last reset or the last one is more than 2 s old. Reads the pending
    // count without the lock.
    [[nodiscard]] bool shouldFlush() const { return shouldFlush(Clock::now()); }
    // YES when results are pending, whenever the last flush was. Reads the
    // pending count without the lock.
    [[nodiscard]] bool hasPendingResults() const { return m_addedCount.load(std::memory_order_relaxed) != 0; }
    [[nodiscard]] bool shouldFlush(Clock::time_point now) const;
    // The pending results in the order they were added, taken off the
    // pending list; records the flush time when there were any.
    [[nodiscard]] QList<ResultPointer> takePending() { return takePending(Clock::now()); }
    [[nodiscard]] QList<ResultPointer> takePending(Clock::time_point now);
    // Moves the pending results to the shown list in their order and marks
    // it unsorted; NO when nothing was pending.
    bool flushResults() { return flushResults(Clock::now()); }
    bool flushResults(Clock::time_point now);
    // Empties both lists; count 0, no flush time.
    void removeAllResults() { (void)takeAllResults(); }
    // The same, answering what the shown list held, for the caller to free
    // where it likes: freeing 140,000 results and their keys takes longer
    // than a turn of the interface thread's event loop.
    struct ShownResults;
    [[nodiscard]] ShownResults takeAllResults();
    // Removes the shown results whose items no longer exist (goneResults,
    // then removeResults, on this thread); YES when any was removed.
    bool updateResults(ShownResultsObserver* observer = nullptr);
    // Removes the shown results among `gone` (by identity; others are
    // ignored), told to `observer`, if any, as inserts are: each run of
    // adjacent rows as one removal, or for many runs one reorder that
    // moves the gone rows to the end and one removal of them. Linear in the
    // shown rows however many runs. Answers the number removed.
    qsizetype removeResults(const QList<ResultPointer>& gone, ShownResultsObserver* observer);
    // The results of `results` whose items are gone: nothing is at the
    // path's bytes any more, not even a dangling link. A result whose
    // existence cannot be told (a path without bytes, a folder it may not
    // read) is kept. Touches nothing shared: any thread may call it.
    [[nodiscard]] static QList<ResultPointer> goneResults(const QList<ResultPointer>& results);
    // Merges `batch` into the shown list in the current order (sorting the
    // list first when it is not), each change told to `observer`, if any.
    // Among equal keys the results already shown come first.
    void insertResults(QList<ResultPointer> batch, ShownResultsObserver* observer);
    // Brings the shown list into the current order, told as one reorder.
    void sortResults(ShownResultsObserver* observer);

    // --- merging batches made ready on another thread ---
    // Results with their keys, in the order of `sorting` and `reverse`.
    struct PreparedResults;
    // Makes the keys of `batch` and sorts it; touches nothing shared, so
    // any thread may call it (a result reads its comment and starts its
    // information text safely from any thread).
    [[nodiscard]] static PreparedResults prepareResults(QList<ResultPointer> batch, std::uint64_t sorting,
                                                        bool reverse);
    // insertResults for a prepared batch; one prepared for another order
    // is sorted again first.
    void insertPrepared(PreparedResults prepared, ShownResultsObserver* observer);

    // --- re-sorting on another thread ---
    // A re-sort's work: the shown list (shared), its keys (taken) and the
    // order made for them.
    struct SortWork;
    // Chooses the sort key and direction like setSorting, and takes the
    // shown list and its keys for prepareSort; the list keeps no keys
    // until applySort, so nothing may be merged into it meanwhile.
    [[nodiscard]] SortWork takeSortWork(std::uint64_t key, bool reverse);
    // Completes the work's keys and orders its rows; touches nothing
    // shared, so any thread may call it.
    static void prepareSort(SortWork& work);
    // Puts the rows in the work's order as one reorder told to `observer`,
    // if any, and keeps the keys. NO, and nothing moves, when the shown
    // list or the order asked for changed since takeSortWork.
    bool applySort(SortWork work, ShownResultsObserver* observer);

    // --- merging on another thread ---
    // A merge's work: the shown list (shared) and its keys (taken), the
    // batch, and once prepared the merged list with how its new rows are
    // told (ranged inserts, or one insert at the end and one reorder).
    struct MergeWork;
    // Takes the shown list and its keys for prepareMerge, with `batch` to
    // merge into them. The list keeps no keys until applyMerge, so nothing
    // may be merged into it or re-sort it meanwhile; rows may be removed.
    [[nodiscard]] MergeWork takeMergeWork(PreparedResults batch);
    // Completes the shown keys, orders the batch for the work's order and
    // merges; touches nothing shared, so any thread may call it.
    static void prepareMerge(MergeWork& work);
    // Puts the merged list in place, told to `observer`, if any, as
    // insertPrepared tells it; the list's own work is a swap. NO when the
    // shown list or its order changed since takeMergeWork (rows were
    // removed): the rows then get back the keys they still have, the batch
    // stays in the work (work.batch.results), and nothing is inserted.
    bool applyMerge(MergeWork& work, ShownResultsObserver* observer);

    // The shown list itself (for keeping the table's selection).
    [[nodiscard]] const QList<ResultPointer>& results() const { return m_results; }
    // The number of shown results as of the last flush.
    [[nodiscard]] std::uint64_t count() const { return m_count; }
    // Sorts the shown list when its order is stale, then answers count().
    std::uint64_t numberOfRowsInTableView();
    // The shown result at `index`; null past the end. While removeResults
    // tells an observer of a removal, this answers the rows as the
    // observer sees them (results() then holds a gap).
    [[nodiscard]] ResultPointer resultAtIndex(qsizetype index) const;
    // The index of the result by identity; -1 (NSNotFound) for null or absent.
    [[nodiscard]] qsizetype indexOfResult(const Result* result) const;

    // --- sorting ---
    [[nodiscard]] std::uint64_t sorting() const { return m_sorting; }
    [[nodiscard]] bool isReverseSorting() const { return m_reverse; }
    [[nodiscard]] bool isSorted() const { return m_sorted; }
    // Chooses the sort key and direction; the next row count re-sorts.
    void setSorting(std::uint64_t key, bool reverse);

    // --- highlighting (set by the worker before it searches) ---
    // Strings or wildcard patterns; an empty list means none.
    // Clears the regular expression.
    void setStrings(const QStringList& strings, std::uint64_t what, std::uint64_t comparison, bool wildcards);
    // A regular expression; clears the strings and the wildcard flag.
    void setRegularExpression(const HighlightExpression& expression, std::uint64_t what, std::uint64_t comparison);
    [[nodiscard]] QStringList strings() const;
    [[nodiscard]] HighlightExpression regularExpression() const;
    [[nodiscard]] std::uint64_t what() const;
    [[nodiscard]] std::uint64_t comparison() const;
    [[nodiscard]] bool wildcards() const;
    // Counts the changes of the highlighting settings: a reader that
    // prepared its matcher for one number keeps it while the number stays.
    [[nodiscard]] std::uint64_t highlightGeneration() const
    {
        return m_highlightGeneration.load(std::memory_order_acquire);
    }

    // The values one row sorts by, made once per result (the key's own
    // value again when the key changes).
    struct SortKeys
    {
        QByteArray primary; // collation key of the sort key's string, if any
        QByteArray name;
        QByteArray path;
        QDateTime date;
        qint64 size = 0;
    };

    struct ShownResults
    {
        QList<ResultPointer> results;
        std::vector<SortKeys> keys;
    };

    struct SortWork
    {
        QList<ResultPointer> results;
        std::vector<SortKeys> keys; // for a prefix of the rows
        bool keysStale = false;     // made for another key
        std::uint64_t sorting = kSortByName;
        bool reverse = false;
        std::vector<qsizetype> order; // new row => old row, once prepared
        // Once prepared: the rows in their new order with their keys, and
        // the new row of each old one; applySort swaps them in.
        QList<ResultPointer> sorted;
        std::vector<SortKeys> sortedKeys;
        std::vector<qsizetype> rowOf;
    };

    struct PreparedResults
    {
        QList<ResultPointer> results;
        std::vector<SortKeys> keys;
        std::uint64_t sorting = kSortByName;
        bool reverse = false;
    };

    struct MergeWork
    {
        QList<ResultPointer> shown;
        std::vector<SortKeys> shownKeys; // for a prefix of the rows
        bool keysStale = false;          // made for another key
        std::uint64_t sorting = kSortByName;
        bool reverse = false;
        PreparedResults batch;
        // Once prepared: the rows in their new order and their keys; the
        // new rows' runs as (row in `merged`, count) when told range by
        // range, else `rowOf` of the reorder after the insert at the end
        // (the batch in its order there).
        QList<ResultPointer> merged;
        std::vector<SortKeys> mergedKeys;
        std::vector<std::pair<qsizetype, qsizetype>> ranges;
        std::vector<qsizetype> rowOf;
        bool prepared = false;
    };

private:
    struct PendingNode;
    // Puts a node on the pending list.
    void pushPending(PendingNode* node);
    [[nodiscard]] static SortKeys makeKeys(Result& result, const Collator& collator, std::uint64_t sorting);
    static void setKeyValues(SortKeys& keys, Result& result, const Collator& collator, std::uint64_t sorting);
    [[nodiscard]] static bool isBefore(const SortKeys& a, const SortKeys& b, std::uint64_t sorting, bool reverse);
    // Keys for every shown row, for the current sort key.
    void completeKeys();
    // Keys for every row of `results`, made for `sorting`: those of a
    // prefix kept (remade first when `keysStale`), the rest added.
    static void completeKeys(const QList<ResultPointer>& results, std::vector<SortKeys>& keys, bool& keysStale,
                             std::uint64_t sorting);
    // The rows of `keys` in their order (new row => old row), equals as
    // they were.
    [[nodiscard]] static std::vector<qsizetype> sortedOrder(const std::vector<SortKeys>& keys,
                                                            std::uint64_t sorting, bool reverse);
    // Puts the rows into `order` as one reorder told to `observer`, if any;
    // nothing when they are in it already.
    void reorder(const std::vector<qsizetype>& order, ShownResultsObserver* observer);
    // removeResults of the rows marked in `isGone`: run by run, or moved to
    // the end by one reorder and removed as one range.
    void removeRuns(const std::vector<bool>& isGone, ShownResultsObserver* observer);
    void removeAsOneRange(const std::vector<bool>& isGone, ShownResultsObserver* observer);
    [[nodiscard]] bool isBefore(const SortKeys& a, const SortKeys& b) const;
    // Puts the rows into `order` (new row => old row) and answers the
    // inverse map (old row => new row).
    std::vector<qsizetype> applyOrder(const std::vector<qsizetype>& order);

    // The row `index` as an observer of applyMerge sees it while it is told.
    [[nodiscard]] ResultPointer announcedResultAt(qsizetype index) const;
    // Where each row of the ordered `batch` goes among the rows of `keys`:
    // after its equals; the number of runs of one place in `runs`.
    [[nodiscard]] static std::vector<qsizetype> placesOf(const std::vector<SortKeys>& keys,
                                                         const std::vector<SortKeys>& batch, std::uint64_t sorting,
                                                         bool reverse, qsizetype* runs);

    // While applyMerge tells an observer: m_results is the merged list,
    // less the runs m_hiddenRuns[m_hiddenFrom ...] not yet told; or for an
    // insert at the end, the shown list followed by m_appended.
    bool m_announcing = false;
    std::vector<std::pair<qsizetype, qsizetype>> m_hiddenRuns;
    size_t m_hiddenFrom = 0;
    QList<ResultPointer> m_appended;

    // Shown list and its keys (keys for a prefix of the rows), main thread only.
    QList<ResultPointer> m_results;
    std::vector<SortKeys> m_keys;
    bool m_keysStale = false; // primary and date made for another key
    std::uint64_t m_count = 0;
    // While removeResults runs: rows from m_gapAt on lie m_gapSize further
    // on in m_results (the rows before the gap are already moved down).
    qsizetype m_gapAt = 0;
    qsizetype m_gapSize = 0;
    bool m_sorted = true;
    std::uint64_t m_sorting = kSortByName;
    bool m_reverse = false;
    std::optional<Clock::time_point> m_flush;

    // Pending list: a stack the workers push onto and the owner takes whole.
    std::mutex m_lock;
    std::atomic<PendingNode*> m_pending{nullptr};
    std::atomic<std::uint64_t> m_addedCount{0};

    // Highlighting, under its own lock.
    mutable std::mutex m_highlightLock;
    QStringList m_strings; // empty: none
    HighlightExpression m_regex;
    std::uint64_t m_what = 0;
    std::uint64_t m_comparison = 0;
    bool m_wildcards = false;
    std::atomic<std::uint64_t> m_highlightGeneration{0};
};

} // namespace sorvant
