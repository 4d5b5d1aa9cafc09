#pragma once
// The results table's values that cost a lookup (the kind from the MIME
// database, the tags, the comment, the information text), read on the thread
// pool: first for the rows in view, then for the rest in the background, a
// batch at a time. Each finished batch reaches the model as one dataChanged
// range, so the table's data() only reads what is known and never touches
// the disk. The file icons of the rows in view are redrawn the same way when
// the icon of a new type is ready (system/workspace_icons.h).
//
// A few batches (kMaxRunning) are on the pool at a time; a change of the
// rows (inserts, removals, a reorder, a reset) or of the rows in view starts
// the next pass on the next turn of the event loop. The values are kept by
// the results themselves (Result::kind() and its siblings, safe from any
// thread). A finished batch announces the rows its results hold when it
// ends, in every column it read: the rows it was started for when no row
// changed meanwhile, else those of the rows in view that hold its results
// (a row out of view is drawn afresh when it comes into view).
//
// Threads: the resolver lives on the interface thread; resolve() runs on the
// pool.
//
// Not here: the values themselves (search/result.h), the rows
// (results_table_model.h), which rows are in view (results_view.h says).

#include "search/result.h"

#include <QObject>
#include <QSet>
#include <QTimer>

namespace sorvant {

class ResultsTableModel;

class ResultsRolesResolver : public QObject
{
    Q_OBJECT
public:
    // The values a resolver reads, as bits.
    enum Role : unsigned {
        kKindRole = 1,
        kTagsRole = 2,
        kCommentRole = 4,
        kInfoRole = 8,
    };
    // Results in one batch of the rows in view, and of the rest.
    static constexpr qsizetype kVisibleBatch = 256;
    static constexpr qsizetype kBackgroundBatch = 1024;
    // Batches on the pool at once: reading kinds waits on the disk as much
    // as it computes.
    static constexpr int kMaxRunning = 3;

    // Reads the values of `model`'s rows; a child of the model.
    explicit ResultsRolesResolver(ResultsTableModel& model);

    // The values to read (the columns shown): Kind alone at first.
    void setRoles(unsigned roles);
    [[nodiscard]] unsigned roles() const { return m_roles; }
    // The rows in view, read before the others; none when last < first.
    void setVisibleRows(int first, int last);
    // YES while a batch is on the pool or rows are left to read.
    [[nodiscard]] bool isBusy() const { return m_running > 0 || m_scheduled.isActive(); }

    // Reads `roles` of `result` on this thread (any thread).
    static void resolve(Result& result, unsigned roles);
    // YES when every one of `roles` of `result` is known (reads no disk).
    [[nodiscard]] static bool isResolved(const Result& result, unsigned roles);

signals:
    // Every row's values are known (tests, benchmarks).
    void idle();

private:
    void schedule(int fromRow = 0);
    // The rows changed (inserted, removed, reordered, reset): the next pass
    // starts at `fromRow`.
    void rowsChanged(int fromRow = 0);
    void pass();
    // Starts reading `batch`, the results of rows first ..= last.
    void start(QList<ResultPointer> batch, int first, int last);
    // `batch` (rows first ..= last when the rows were at `rowsGeneration`)
    // read `roles`: the rows that hold its results now are announced.
    void announce(const QList<ResultPointer>& batch, int first, int last, quint64 rowsGeneration, unsigned roles);

    ResultsTableModel& m_model;
    QTimer m_scheduled;
    unsigned m_roles = kKindRole;
    int m_firstVisible = 0;
    int m_lastVisible = -1;
    int m_cursor = 0; // rows above it were found known by the last passes
    int m_running = 0; // batches on the pool
    quint64 m_rowsGeneration = 0; // counts the changes of the rows
    QSet<const Result*> m_inFlight; // their results, not looked at again meanwhile
};

} // namespace sorvant
