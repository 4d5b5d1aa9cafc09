#include "app/results_table_model.h"

#include "foundation/attributed_string.h"
#include "interface/cell_drawing.h"
#include "platform/regular_expression.h"
#include "search/highlighting.h"
#include "search/results_data_source.h"

#include <QColor>
#include <QMimeData>
#include <QPoint>
#include <QUrl>

#include <algorithm>

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

// A date for the date cell, which picks its detail by the column's width;
// none (drawn as "---") when the file system gave none.
QVariant dateValue(const QDateTime& date)
{
    return date.isValid() ? QVariant(date.toLocalTime()) : QVariant();
}

// The name with its matched ranges on the highlight colours.
AttributedString highlightedName(const QString& name, const QVariantList& ranges)
{
    AttributedString text(name);
    const QVariantMap colours{
        {attribute::kForegroundColor, QVariant::fromValue(QColor::fromRgba(primaryForegroundHighlightingColor().argb()))},
        {attribute::kBackgroundColor, QVariant::fromValue(QColor::fromRgba(primaryBackgroundHighlightingColor().argb()))}};
    for (const QVariant& range : ranges) {
        const QPoint hit = range.toPoint();
        if (hit.x() >= 0 && hit.y() > 0 && hit.x() + hit.y() <= name.size())
            text.addAttributes(colours, Range{hit.x(), hit.y()});
    }
    return text;
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
    const bool reverse = key == m_dataSource.sorting() ? !m_dataSource.isReverseSorting() : m_dataSource.isReverseSorting();
    m_dataSource.setSorting(key, reverse);
    // Sorting moves rows without adding any: a layout change, so that the
    // selection (and every persistent index) follows its result.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<const Result*> held;
    for (const QModelIndex& index : before)
        held.append(m_dataSource.resultAtIndex(index.row()).get());
    m_rows = int(m_dataSource.numberOfRowsInTableView());
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i) {
        const qsizetype row = m_dataSource.indexOfResult(held.at(i));
        after.append(row < 0 ? QModelIndex() : index(int(row), before.at(i).column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
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
    if (role == kHighlightRole || role == cell_role::kHighlighted) {
        if (index.column() != kFileColumn || !(m_dataSource.what() & 1))
            return {};
        const QVariantList ranges = highlightRanges(m_dataSource, result->name());
        if (role == kHighlightRole)
            return ranges;
        return ranges.isEmpty() ? QVariant() : QVariant::fromValue(highlightedName(result->name(), ranges));
    }
    if (role == cell_role::kFullPath)
        return index.column() == kFileColumn ? QVariant(result->fullPath()) : QVariant();
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
        return dateValue(result->modified());
    case kKindColumn:
        return result->kind();
    case kCreatedColumn:
        return dateValue(result->created());
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

QVariantList ResultsTableModel::highlightRanges(const ResultsDataSource& dataSource, const QString& text)
{
    HighlightSpans spans;
    const HighlightExpression expression = dataSource.regularExpression();
    const QStringList strings = dataSource.strings();
    const unsigned comparison = unsigned(dataSource.comparison());
    if (!expression.isNull()) {
        const RegularExpression regex = RegularExpression::compile(expression.pattern, expression.options);
        if (regex.isValid())
            highlightRegularExpression(text, spans, regex);
    } else if (strings.isEmpty()) {
        return {};
    } else if (dataSource.wildcards()) {
        highlightWildcards(text, spans, strings, std::nullopt, std::nullopt, comparison, 1);
    } else {
        highlightStrings(text, spans, strings, std::nullopt, std::nullopt, !(comparison & 1), false, false, true);
    }
    QVariantList ranges;
    for (const Range& range : spans.ranges())
        ranges.append(QPoint(int(range.location), int(range.length)));
    return ranges;
}

Qt::ItemFlags ResultsTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return index.isValid() ? flags | Qt::ItemIsDragEnabled : flags;
}

QStringList ResultsTableModel::mimeTypes() const
{
    return {QStringLiteral("text/uri-list"), QStringLiteral("text/plain")};
}

QStringList ResultsTableModel::pathsOfRows(QList<int> rows) const
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QStringList paths;
    m_dataSource.lock();
    for (const int row : rows) {
        if (const ResultPointer result = m_dataSource.resultAtIndex(row))
            paths.append(result->fullPath());
    }
    m_dataSource.unlock();
    return paths;
}

QMimeData* ResultsTableModel::mimeData(const QModelIndexList& indexes) const
{
    QList<int> rows;
    for (const QModelIndex& index : indexes)
        rows.append(index.row());
    const QStringList paths = pathsOfRows(rows);
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data->setUrls(urls);
    data->setText(paths.join(u'\n'));
    return data;
}

Qt::DropActions ResultsTableModel::supportedDragActions() const
{
    return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
}

} // namespace sorvant
