#pragma once
// The results of one search window: the engine half of the results table's
// model.
//
// The worker thread appends results to a pending list under the model's
// lock (addResult). The main thread moves them into the shown list in
// batches (shouldFlush, then tryLock + flushResults + unlock), at most every
// 2 s while results keep coming; the shown list is sorted lazily, when the
// table next asks for its row count, by one of eight keys, optionally
// reversed. The model also keeps what the table highlights in names and
// comments: the search strings (or wildcard patterns) or the regular
// expression, what was searched and how it was compared.
//
// Threads: addResult from any thread; everything else from the main thread.
// The highlighting settings have their own small lock, so the worker may set
// them while the table reads them.
//
// Not here: the table itself (cell values, tool tips, drag, column clicks:
// the application's half of the model).

#include "search/result.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace sorvant {

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

class ResultsDataSource
{
public:
    using Clock = std::chrono::steady_clock;
    // The shortest time between two flushes while results keep coming.
    static constexpr std::chrono::milliseconds kFlushInterval{2000};

    ResultsDataSource() = default;
    ResultsDataSource(const ResultsDataSource&) = delete;
    ResultsDataSource& operator=(const ResultsDataSource&) = delete;

    // --- the lock (guards the pending list and the moving of results) ---
    void lock() { m_lock.lock(); }
    // YES when the lock was taken without waiting.
    [[nodiscard]] bool tryLock() { return m_lock.try_lock(); }
    void unlock() { m_lock.unlock(); }

    // --- worker side ---
    // Appends a result to the pending list under the lock; null is ignored.
    void addResult(ResultPointer result);
    // Appends the results in their order under one taking of the lock (null
    // ones ignored) and empties `results`.
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
    // Caller holds the lock. Moves the pending results to the shown list in
    // their order and marks it unsorted; NO when nothing was pending.
    bool flushResults() { return flushResults(Clock::now()); }
    bool flushResults(Clock::time_point now);
    // Caller holds the lock. Empties both lists; count 0, no flush time.
    void removeAllResults();
    // Removes, last to first, the shown results whose items no longer exist;
    // YES when any was removed.
    bool updateResults();

    // The shown list itself (for keeping the table's selection).
    [[nodiscard]] const QList<ResultPointer>& results() const { return m_results; }
    // The number of shown results as of the last flush.
    [[nodiscard]] std::uint64_t count() const { return m_count; }
    // Sorts the shown list when its order is stale, then answers count().
    std::uint64_t numberOfRowsInTableView();
    // The shown result at `index`; null past the end.
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

private:
    void sortResults();

    // Shown list, main thread only.
    QList<ResultPointer> m_results;
    std::uint64_t m_count = 0;
    bool m_sorted = true;
    std::uint64_t m_sorting = kSortByName;
    bool m_reverse = false;
    std::optional<Clock::time_point> m_flush;

    // Pending list, under m_lock; the count is also read without it.
    std::mutex m_lock;
    QList<ResultPointer> m_addedResults;
    std::atomic<std::uint64_t> m_addedCount{0};

    // Highlighting, under its own lock.
    mutable std::mutex m_highlightLock;
    QStringList m_strings; // empty: none
    HighlightExpression m_regex;
    std::uint64_t m_what = 0;
    std::uint64_t m_comparison = 0;
    bool m_wildcards = false;
};

} // namespace sorvant
