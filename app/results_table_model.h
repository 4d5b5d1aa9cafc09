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
// Threads: main thread only; the worker never touches the shown list.

#include "interface/table_view.h"

#include <QAbstractTableModel>

#include <cstdint>
#include <optional>

class QMimeData;

namespace sorvant {

class ResultsDataSource;

class ResultsTableModel : public QAbstractTableModel, public TableRowsWriting
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
    // Whether the path column is too narrow for a path: it then shows " - ".
    void setPathColumnNarrow(bool narrow);
    [[nodiscard]] bool isPathColumnNarrow() const { return m_narrowPath; }
    // Recounts (and so re-sorts) the shown results and resets the view.
    void reload();

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
    // The ranges of `text` the search matched, as the data source was told
    // to highlight them (strings, wildcards or a regular expression).
    [[nodiscard]] static QVariantList highlightRanges(const ResultsDataSource& dataSource, const QString& text);
    // The table's Copy: the rows' files as URLs and their paths as text.
    bool tableViewWriteRowsWithIndexes(TableView* table, const QList<int>& rows, QClipboard* pasteboard) override;

    [[nodiscard]] ResultsDataSource& dataSource() const { return m_dataSource; }

private:
    ResultsDataSource& m_dataSource;
    int m_rows = 0;
    bool m_narrowPath = false;
};

} // namespace sorvant
