#include "app/results_table_model.h"

#include "foundation/attributed_string.h"
#include "interface/cell_drawing.h"
#include "platform/regular_expression.h"
#include "search/highlighting.h"
#include "search/results_data_source.h"
#include "search/search_params.h"

#include <QClipboard>
#include <QColor>
#include <QMimeData>
#include <QPoint>
#include <QUrl>

#include <algorithm>

namespace sorvant {

namespace {

struct ColumnInfo
{
    const char16_t* identifier;
    const char* title;
    std::optional<std::uint64_t> key;
};

constexpr ColumnInfo kColumns[ResultsTableModel::kColumnCount] = {
    {u"file", "Name", kSortByName},         {u"path", "Path", kSortByPath},
    {u"size", "Size", kSortBySize},         {u"modified", "Modified", kSortByModified},
    {u"kind", "Kind", kSortByKind},         {u"created", "Created", kSortByCreated},
    {u"info", "Info", kSortByInfo},         {u"comment", "Comment", kSortByComment},
    {u"tags", "Tags", std::nullopt},
};

bool isColumn(int column)
{
    return column >= 0 && column < ResultsTableModel::kColumnCount;
}

// A date for the date cell, which picks its detail by the column's width;
// none (drawn as "---") when the file system gave none.
QVariant dateValue(const QDateTime& date)
{
    return date.isValid() ? QVariant(date.toLocalTime()) : QVariant();
}

// The text with its matched ranges on the highlight colours.
AttributedString highlightedText(const QString& name, const QVariantList& ranges)
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

QString ResultsTableModel::titleOfColumn(int column)
{
    return isColumn(column) ? tr(kColumns[column].title) : QString();
}

QString ResultsTableModel::identifierOfColumn(int column)
{
    return isColumn(column) ? QString::fromUtf16(kColumns[column].identifier) : QString();
}

int ResultsTableModel::columnWithIdentifier(const QString& identifier)
{
    for (int column = 0; column < kColumnCount; ++column) {
        if (identifier == QStringView(kColumns[column].identifier))
            return column;
    }
    return -1;
}

std::optional<std::uint64_t> ResultsTableModel::sortKeyForColumn(int column)
{
    return isColumn(column) ? kColumns[column].key : std::nullopt;
}

int ResultsTableModel::columnForSortKey(std::uint64_t key)
{
    for (int column = 0; column < kColumnCount; ++column) {
        if (kColumns[column].key == key)
            return column;
    }
    return -1;
}

bool ResultsTableModel::sortByColumn(int column)
{
    const std::optional<std::uint64_t> key = sortKeyForColumn(column);
    if (!key)
        return false;
    const bool reverse = *key == m_dataSource.sorting() ? !m_dataSource.isReverseSorting() : m_dataSource.isReverseSorting();
    m_dataSource.setSorting(*key, reverse);
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
    return true;
}

void ResultsTableModel::setPathColumnNarrow(bool narrow)
{
    if (narrow == m_narrowPath)
        return;
    m_narrowPath = narrow;
    if (m_rows > 0)
        emit dataChanged(index(0, kPathColumn), index(m_rows - 1, kPathColumn), {Qt::DisplayRole});
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
    if (!result || !isColumn(index.column()))
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::ToolTipRole:
        // No tool tip repeats what the other cells show in full.
        if (column == kFileColumn)
            return result->name();
        return column == kPathColumn ? QVariant(result->fullPath()) : QVariant();
    case kHighlightRole:
    case cell_role::kHighlighted: {
        const std::uint64_t what = m_dataSource.what();
        const bool names = column == kFileColumn && (what & kSearchNames);
        const bool comments = column == kCommentColumn && (what & kSearchComments);
        if (!names && !comments)
            return {};
        const QString text = names ? result->name() : result->comment();
        const QVariantList ranges = highlightRanges(m_dataSource, text);
        if (role == kHighlightRole)
            return ranges;
        return ranges.isEmpty() ? QVariant() : QVariant::fromValue(highlightedText(text, ranges));
    }
    case cell_role::kFullPath:
        return column == kFileColumn ? QVariant(result->fullPath()) : QVariant();
    case cell_role::kFileType:
        return column == kFileColumn ? QVariant(result->type()) : QVariant();
    case Qt::TextAlignmentRole:
        return column == kSizeColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case Qt::DisplayRole:
        break;
    default:
        return {};
    }
    switch (column) {
    case kFileColumn:
        return result->name();
    case kPathColumn:
        return m_narrowPath ? kNarrowPathText.toString() : result->displayPath();
    case kSizeColumn:
        return result->size();
    case kModifiedColumn:
        return dateValue(result->modified());
    case kKindColumn:
        return result->kind();
    case kCreatedColumn:
        return dateValue(result->created());
    case kInfoColumn:
        return result->info();
    case kCommentColumn:
        return result->comment();
    default:
        return result->tags().join(QStringLiteral(", "));
    }
}

QVariant ResultsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || !isColumn(section))
        return {};
    return titleOfColumn(section);
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
    for (const int row : rows) {
        if (const ResultPointer result = m_dataSource.resultAtIndex(row))
            paths.append(result->fullPath());
    }
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

bool ResultsTableModel::tableViewWriteRowsWithIndexes(TableView*, const QList<int>& rows, QClipboard* pasteboard)
{
    if (!pasteboard)
        return false;
    QModelIndexList indexes;
    for (const int row : rows)
        indexes.append(index(row, kFileColumn));
    pasteboard->setMimeData(mimeData(indexes));
    return true;
}

Qt::DropActions ResultsTableModel::supportedDragActions() const
{
    return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
}

} // namespace sorvant
