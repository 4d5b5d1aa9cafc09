#pragma once
// The table-facing half of a search window's results: a Qt model over the
// engine's ResultsDataSource. Rows are the shown results (sorted lazily by
// the data source when the row count is asked); columns are the result's
// fields, each named by its identifier and all but "tags" with a sort key:
//
//   column   identifier  sort key     column    identifier  sort key
//   0        "file"      0 name       5         "created"   5
//   1        "path"      3            6         "info"      6
//   2        "size"      2            7         "comment"   7
//   3        "modified"  1            8         "tags"      none
//   4        "kind"      4
//
// Rows change only as increments: a batch of new results is merged into the
// current order with ranged row inserts (or, for a batch spread over many
// places, one insert at the end and one reorder), gone results leave as
// removed rows, and a re-sort is a reorder whose persistent indexes (the
// view's selection and current row) follow their results. Only a new search
// resets the model.
//
// The values that cost a lookup (kind, tags, comment, information text) are
// shown once the roles resolver (results_roles_resolver.h) has read them off
// the interface thread: data() reads no disk.
//
// Threads: main thread only; the worker never touches the shown list.

#include "interface/table_view.h"
#include "search/highlighting.h"
#include "search/results_data_source.h"

#include <QAbstractTableModel>
#include <QSet>

#include <cstdint>
#include <optional>
#include <vector>

class QMimeData;

namespace sorvant {

class Result;
class ResultsRolesResolver;

class ResultsTableModel : public QAbstractTableModel, public TableRowsWriting, private ShownResultsObserver
{
    Q_OBJECT
public:
    // The matched parts of a cell's text to highlight: a list of
    // QPoint(location, length), for names when names were searched and for
    // comments when comments were.
    static constexpr int kHighlightRole = Qt::UserRole + 1;

    enum Column {
        kFileColumn,
        kPathColumn,
        kSizeColumn,
        kModifiedColumn,
        kKindColumn,
        kCreatedColumn,
        kInfoColumn,
        kCommentColumn,
        kTagsColumn,
        kColumnCount
    };

    // What the path column shows while it is too narrow for a path.
    static constexpr QStringView kNarrowPathText = u" - ";

    explicit ResultsTableModel(ResultsDataSource& dataSource, QObject* parent = nullptr);

    // The identifier of a column; null outside 0 ..< kColumnCount.
    [[nodiscard]] static QString identifierOfColumn(int column);
    // A column's title, translated; null for no column.
    [[nodiscard]] static QString titleOfColumn(int column);
    // The column of an identifier (compared exactly); -1 when none.
    //   "file" => 0   "tags" => 8   "name" => -1   null => -1
    [[nodiscard]] static int columnWithIdentifier(const QString& identifier);
    // The sort key of a column; none for "tags" and outside the columns.
    [[nodiscard]] static std::optional<std::uint64_t> sortKeyForColumn(int column);
    // The column that shows a sort key; -1 for keys without a column.
    [[nodiscard]] static int columnForSortKey(std::uint64_t key);
    // A click on a column header: the same key again reverses the order,
    // another key sorts by it in the same direction; the rows move with the
    // selection. NO (and nothing changes) for a column without a sort key.
    bool sortByColumn(int column);
    // Sorts by `key` in the direction, as a reorder the selection follows.
    void sort(std::uint64_t key, bool reverse);
    // The same for a re-sort prepared off the interface thread; NO (and
    // nothing moves) when the rows changed meanwhile.
    bool applySort(ResultsDataSource::SortWork work);
    // Puts a merge prepared off the interface thread in place, announced
    // as insertPrepared announces it; NO (nothing inserted) when rows were
    // removed meanwhile (see ResultsDataSource::applyMerge).
    bool applyMerge(ResultsDataSource::MergeWork& work);
    // Merges results into the rows in the current order.
    void insertResults(QList<ResultPointer> results);
    // The same for a batch prepared off the interface thread.
    void insertPrepared(ResultsDataSource::PreparedResults prepared);
    // Removes the rows of `gone` (ResultsDataSource::goneResults, made off
    // this thread), each run of adjacent rows as one removal, between
    // resultRowsAboutToLeave and resultRowsLeft. Linear in the rows shown
    // (the data source's one pass) plus the rows removed.
    void removeResults(const QList<ResultPointer>& gone);
    // Empties the model (a reset: a new search).
    void removeAllResults();
    // A result's values changed (its information text is known): its row
    // is drawn again; nothing for a result not shown.
    void resultDidChange(const Result* result);
    // The values of rows first ..= last in columns firstColumn ..= lastColumn
    // changed (the roles resolver read them): one dataChanged range.
    void rowsDidChange(int first, int last, int firstColumn, int lastColumn);
    // Reads the kind, tags, comment and information text off this thread.
    [[nodiscard]] ResultsRolesResolver& rolesResolver() const { return *m_rolesResolver; }
    // Whether the path column is too narrow for a path: it then shows " - ".
    void setPathColumnNarrow(bool narrow);
    [[nodiscard]] bool isPathColumnNarrow() const { return m_narrowPath; }
    // Recounts (and so re-sorts) the shown results and resets the view.
    void reload();
    // The result shown in `row`; null outside the rows.
    [[nodiscard]] ResultPointer resultAtRow(int row) const;

    // --- rows under way ------------------------------------------------------------------
    // A row is under way while a Trash or Delete holds its result; the
    // mark goes with the result as rows move, and leaves with its row or a
    // new search. Asking costs a look-up, not a walk of the selection.
    //
    // Marks `results` as under way (YES) or not (NO).
    void setUnderWay(const QList<ResultPointer>& results, bool underWay);
    // Whether any result is marked under way.
    [[nodiscard]] bool hasUnderWay() const { return !m_underWay.isEmpty(); }
    // Whether `result` is marked under way: one look-up. Null => NO.
    [[nodiscard]] bool isUnderWay(const Result* result) const { return m_underWay.contains(result); }
    // How many rows of `runs` ({first row, count}, disjoint, as
    // TableView::selectedRowRuns gives them) are under way: a look-up per
    // run; the rows are counted once after they or the marks changed.
    //   rows 1 and 3 of 0-4 under way: {{0, 2}} => 1   {{0, 5}} => 2   {} => 0
    [[nodiscard]] qsizetype underWayCount(const QList<Range>& runs) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Rows drag out (and copy) as file URLs with the full paths as text.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    // The full paths of `rows`, in row order.
    [[nodiscard]] QStringList pathsOfRows(QList<int> rows) const;
    // The rows whose full path is one of `paths`, in row order.
    [[nodiscard]] QList<int> rowsOfPaths(const QStringList& paths) const;
    // What the data source says to highlight, with a regular expression
    // compiled: made once per search and used for every cell.
    [[nodiscard]] static HighlightRequest highlightRequest(const ResultsDataSource& dataSource);
    // The ranges of `text` the request matches (strings, wildcards or a
    // regular expression); none for a request without strings or pattern.
    [[nodiscard]] static QVariantList highlightRanges(const HighlightRequest& request, const QString& text);
    [[nodiscard]] static QVariantList highlightRanges(const ResultsDataSource& dataSource, const QString& text)
    {
        return highlightRanges(highlightRequest(dataSource), text);
    }
    // The table's Copy: the rows' files as URLs and their paths as text.
    bool tableViewWriteRowsWithIndexes(TableView* table, const QList<int>& rows, QClipboard* pasteboard) override;

    [[nodiscard]] ResultsDataSource& dataSource() const { return m_dataSource; }

signals:
    // The rows of removeResults are about to leave, and have left: `rows`
    // are their rows before, ascending (none when no row was shown). A
    // view keeps its selection through the removal with them (ResultsView).
    void resultRowsAboutToLeave();
    void resultRowsLeft(const QList<int>& rows);

private:
    // ShownResultsObserver
    void shownResultsWillInsert(qsizetype row, qsizetype count) override;
    void shownResultsDidInsert() override;
    void shownResultsWillRemove(qsizetype row, qsizetype count) override;
    void shownResultsDidRemove() override;
    void shownResultsWillReorder() override;
    void shownResultsDidReorder(const std::vector<qsizetype>& rowOf) override;

    // Notes the rows of a removal's run (`count` at `row` as the list is
    // then) in their places before removeResults.
    void noteLeaving(qsizetype row, qsizetype count);

    // The highlighting settings prepared for the data source's generation.
    const HighlightRequest& preparedHighlight(std::uint64_t* what) const;

    ResultsDataSource& m_dataSource;
    mutable HighlightRequest m_highlight;
    mutable std::uint64_t m_highlightWhat = 0;
    mutable std::optional<std::uint64_t> m_highlightGeneration;
    int m_rows = 0;
    bool m_narrowPath = false;
    // While removeResults runs: the rows gone so far, in their places
    // before it, and the last reorder's map (old row => new row) when the
    // gone rows were moved to the end to leave as one range.
    struct Leaving
    {
        QList<int> rows;
        std::vector<qsizetype> rowOf;
    };
    std::optional<Leaving> m_leaving;
    // The results under way; a mark leaves with its row, so none outlives
    // its result.
    QSet<const Result*> m_underWay;
    // The rows under way before each row (one more entry than rows), made
    // again when asked after the rows or the marks changed; a removal of
    // rows moves it along instead.
    mutable std::vector<int> m_underWayBefore;
    mutable bool m_underWayStale = true;
    ResultsRolesResolver* m_rolesResolver; // a child
};

} // namespace sorvant
