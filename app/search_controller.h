#pragma once
// SearchController: one search window's run of the engine, from the start
// of a search to its last row in the table. It owns the SearchEngine and the
// results model, and a 0.25 s refresh timer that asks the engine for what it
// found (SearchEngine::takeResults: the first results at once, then at most
// every 2 s, and the last ones when the search ends) and keeps the
// "%d found/%d done" line current.
//
// The way back from the engine: the workers push results onto a pending
// list that takes no lock; the timer takes a due batch together with the
// engine's counters; the thread pool makes the batch's sort keys and order,
// and the interface thread merges it into the shown order with ranged row
// inserts (or one insert and one reorder), slice by slice; into 10,000
// shown rows or more the pool merges it too and the interface thread swaps
// the merged rows in, so a large batch never holds the interface. The interface thread never takes the engine's lock and never
// writes its counters.
//
// Threads: everything here on the interface thread.
//
// Not here: the window's controls and settings (search_window.h), the
// table's columns and cells (results_table_model.h).

#include "app/results_table_model.h"
#include "search/search_engine.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTimer;
class QWidget;

namespace sorvant {

class UserDefaults;

class SearchController : public QObject, private SearchEngineOwner
{
    Q_OBJECT
public:
    // `window` is asked for the user's attention when a search ends unseen.
    SearchController(UserDefaults& defaults, QWidget* window);
    ~SearchController() override;

    [[nodiscard]] SearchEngine& engine() { return *m_engine; }
    [[nodiscard]] const SearchEngine& engine() const { return *m_engine; }
    [[nodiscard]] ResultsTableModel* model() { return &m_model; }
    [[nodiscard]] bool isSearching() const { return m_engine->isSearching(); }

    // Empties the table, then starts the search `request` asks for; YES
    // when it started. NO (the table emptied) when the engine refused it:
    // searchError() then says why, or is null when there was nothing to
    // search.
    bool start(const SearchRequest& request);
    // Why the last start was refused (a pattern that does not compile);
    // null otherwise.
    [[nodiscard]] QString searchError() const { return m_engine->searchError(); }
    // Asks a running search to stop; returns at once. The status then says
    // that it was stopped.
    void requestStop();
    // Stops a running search, waits for its worker and ends the refresh.
    void finish();
    // Empties the table and takes its results off the badge.
    void clearResults();

    // One tick of the refresh timer.
    void refresh();
    // Every result found so far into the table at once (before a re-sort
    // or a deletion, which act on all of them).
    void showPendingResults();
    // Sorts the table by `key` and direction, all found results included;
    // the selection follows its results. From kSortElsewhereRows rows on,
    // the keys and the order are made on the thread pool (merging new
    // results waits meanwhile) and resultsSorted comes later; by comment
    // (read from the disk) always. A batch being merged on the pool is in
    // place first.
    static constexpr qsizetype kSortElsewhereRows = 10'000;
    // From this many shown rows on, a prepared batch is merged into them on
    // the thread pool and the merged rows are swapped in, instead of being
    // merged here slice by slice (each slice a pass over every row).
    static constexpr qsizetype kMergeElsewhereRows = 10'000;
    void sort(std::uint64_t key, bool reverse);
    // Takes a window's remembered sort key and direction before any search.
    void restoreSorting(std::uint64_t key, bool reverse);
    // The table's sort key (0-7) and direction.
    [[nodiscard]] std::uint64_t sorting() const;
    [[nodiscard]] bool isReverseSorting() const;
    // Drops the rows whose items no longer exist: their existence is tested
    // on the thread pool (once a merge on the pool is in place), the rows
    // leave later on this thread, then `done` runs (also when none was
    // gone).
    void removeGoneResults(std::function<void()> done = {});

    // "%d found", or "%d found/%d done" while fewer were found than examined;
    // after a stop "Stopped: " before either.
    [[nodiscard]] QString statusText() const;

signals:
    void statusTextChanged(const QString& text);
    // The search has ended and its last result is in the table.
    void searchDidEnd();
    // Rows were removed (inserts and re-sorts change no selection).
    void rowsChanged();
    // A re-sort asked for with sort() is in place.
    void resultsSorted();

private:
    // SearchEngineOwner
    void beep() override;
    void requestAttentionWhenInactive() override;
    QStringList localVolumePaths() override;
    QStringList removableMedia() override;
    void didUpdateResultInfo(const ResultPointer& result) override;

    // Feeds the waiting results into the model for one slice of time, and
    // schedules the next slice while any wait.
    void feed();
    void mergeReadySlice();
    // Merges the rest of the prepared batch into the rows on the thread
    // pool; the rows and their new order are swapped in here.
    void mergeElsewhere();
    // What waited for a merge on the pool (a re-sort, a removal of gone
    // rows), now that it is in place or dropped.
    void runAfterMerge();
    void updateBadge();
    void showStatus(std::uint64_t done);
    void endSearch();
    void dumpResultsIfAsked() const;

    QPointer<QWidget> m_window;
    // The model reads the engine's results: declared after the engine, it
    // goes first.
    std::unique_ptr<SearchEngine> m_engine;
    ResultsTableModel m_model;
    QTimer* m_timer = nullptr;
    QTimer* m_feeder = nullptr;
    QList<ResultPointer> m_waiting; // taken from the engine, not yet in the model
    // The batch being prepared on the thread pool, and the number that
    // drops a preparation whose batch went another way.
    std::optional<QList<ResultPointer>> m_preparing;
    quint64 m_generation = 0;
    // A prepared batch being merged slice by slice, and its next row.
    std::optional<ResultsDataSource::PreparedResults> m_ready;
    qsizetype m_readyFrom = 0;
    qsizetype m_waitingFrom = 0;    // the first of m_waiting still to feed
    bool m_endPending = false;      // the search ended: tell once all is fed
    bool m_sortPending = false;     // a re-sort is on the pool: nothing merges
    // A batch is being merged on the pool, and what waits for it.
    bool m_merging = false;
    std::vector<std::function<void()>> m_afterMerge;
    quint64 m_sortRequest = 0;      // drops a re-sort a later one replaced
    std::uint64_t m_done = 0;       // items examined, as last reported
    std::uint64_t m_shownDone = 0;  // items examined at the last status line
    // The engine's count of examined items is this table's: NO once the
    // table was emptied, until a search starts (a refused start leaves the
    // count of the search before in the engine).
    bool m_countsShown = true;
    bool m_stopped = false;         // the search shown was asked to stop
    quint64 m_found = 0;            // this window's share of the badge
};

} // namespace sorvant
