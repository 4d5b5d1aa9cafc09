#pragma once
// The table-facing half of a search window's results: a Qt model over the
// engine's ResultsDataSource. Rows are the shown results (sorted lazily by
// the data source when the row count is asked); columns are the sortable
// fields, each with its sort key.
//
// Threads: main thread only; the worker never touches the shown list.

#include <QAbstractTableModel>

class QMimeData;

#include <cstdint>

namespace sorvant {

class ResultsDataSource;

class ResultsTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // The matched parts of a cell's text to highlight: a list of
    // QPoint(location, length), for names when names were searched.
    static constexpr int kHighlightRole = Qt::UserRole + 1;

    enum Column { kFileColumn, kPathColumn, kSizeColumn, kModifiedColumn, kKindColumn, kCreatedColumn, kColumnCount };

    explicit ResultsTableModel(ResultsDataSource& dataSource, QObject* parent = nullptr);

    // The sort key of a column (kSortByName ... kSortByCreated).
    [[nodiscard]] static std::uint64_t sortKeyForColumn(int column);
    // The column that shows a sort key; -1 for keys without a column.
    [[nodiscard]] static int columnForSortKey(std::uint64_t key);
    // A click on a column header: the same key again reverses the order,
    // another key sorts by it in the same direction. Reloads the rows.
    void sortByColumn(int column);
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
    // The full paths of `rows`, in row order, read under the data source's lock.
    [[nodiscard]] QStringList pathsOfRows(QList<int> rows) const;
    // The ranges of `text` the search matched, as the data source was told
    // to highlight them (strings, wildcards or a regular expression).
    [[nodiscard]] static QVariantList highlightRanges(const ResultsDataSource& dataSource, const QString& text);

    [[nodiscard]] ResultsDataSource& dataSource() const { return m_dataSource; }

private:
    ResultsDataSource& m_dataSource;
    int m_rows = 0;
};

} // namespace sorvant
