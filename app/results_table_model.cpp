#include "app/results_table_model.h"

#include "search/results_data_source.h"

#include <QLocale>

namespace sorvant {

namespace {

struct ColumnInfo
{
    const char* title;
    std::uint64_t key;
};

constexpr ColumnInfo kColumns[ResultsTableModel::kColumnCount] = {
    {"Name", kSortByName},     {"Path", kSortByPath}, {"Size", kSortBySize},
    {"Modified", kSortByModified}, {"Kind", kSortByKind}, {"Created", kSortByCreated},
};

QString dateText(const QDateTime& date)
{
    return date.isValid() ? QLocale().toString(date.toLocalTime(), QLocale::ShortFormat) : QString();
}

} // namespace

ResultsTableModel::ResultsTableModel(ResultsDataSource& dataSource, QObject* parent)
    : QAbstractTableModel(parent), m_dataSource(dataSource)
{
}

std::uint64_t ResultsTableModel::sortKeyForColumn(int column)
{
    return column >= 0 && column < kColumnCount ? kColumns[column].key : kSortByName;
}

int ResultsTableModel::columnForSortKey(std::uint64_t key)
{
    for (int column = 0; column < kColumnCount; ++column) {
        if (kColumns[column].key == key)
            return column;
    }
    return -1;
}

void ResultsTableModel::sortByColumn(int column)
{
    const std::uint64_t key = sortKeyForColumn(column);
    const bool reverse = key == m_dataSource.sorting() ? !m_dataSource.isReverseSorting() : false;
    m_dataSource.setSorting(key, reverse);
    reload();
}

void ResultsTableModel::reload()
{
    beginResetModel();
    m_rows = int(m_dataSource.numberOfRowsInTableView());
    endResetModel();
}

int ResultsTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int ResultsTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant ResultsTableModel::data(const QModelIndex& index, int role) const
{
    const ResultPointer result = m_dataSource.resultAtIndex(index.row());
    if (!result)
        return {};
    if (role == Qt::ToolTipRole)
        return result->fullPath();
    if (role == Qt::TextAlignmentRole && index.column() == kSizeColumn)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case kFileColumn:
        return result->name();
    case kPathColumn:
        return result->displayPath();
    case kSizeColumn:
        return result->size();
    case kModifiedColumn:
        return dateText(result->modified());
    case kKindColumn:
        return result->kind();
    case kCreatedColumn:
        return dateText(result->created());
    default:
        return {};
    }
}

QVariant ResultsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount)
        return {};
    return tr(kColumns[section].title);
}

} // namespace sorvant
