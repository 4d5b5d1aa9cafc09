#pragma once
// The table-facing half of a search window's results: a Qt model over the
// engine's ResultsDataSource. Rows are the shown results (sorted lazily by
// the data source when the row count is asked); columns are the sortable
// fields, each with its sort key.
//
// Threads: main thread only; the worker never touches the shown list.

#include <QAbstractTableModel>

#include <cstdint>

namespace sorvant {

class ResultsDataSource;

class ResultsTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { kFileColumn, kPathColumn, kSizeColumn, kModifiedColumn, kKindColumn, kCreatedColumn, kColumnCount };

    explicit ResultsTableModel(ResultsDataSource& dataSource, QObject* parent = nullptr);

    // The sort key of a column (kSortByName ... kSortByCreated).
    [[nodiscard]] static std::uint64_t sortKeyForColumn(int column);
    // The column that shows a sort key; -1 for keys without a column.
    [[nodiscard]] static int columnForSortKey(std::uint64_t key);
    // A click on a column header: the same key again reverses the order,
    // another key sorts ascending by it. Reloads the rows.
    void sortByColumn(int column);
    // Recounts (and so re-sorts) the shown results and resets the view.
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    [[nodiscard]] ResultsDataSource& dataSource() const { return m_dataSource; }

private:
    ResultsDataSource& m_dataSource;
    int m_rows = 0;
};

} // namespace sorvant
