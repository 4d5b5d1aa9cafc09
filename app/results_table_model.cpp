#include "app/results_table_model.h"

#include "app/results_roles_resolver.h"
#include "foundation/attributed_string.h"
#include "foundation/composed_text.h"
#include "interface/cell_drawing.h"
#include "interface/shown_names.h"
#include "interface/table_cells.h"
#include "platform/background_work.h"
#include "platform/file_system_representation.h"
#include "platform/regular_expression.h"
#include "search/highlighting.h"
#include "search/results_data_source.h"
#include "search/search_params.h"

#include <QClipboard>
#include <QColor>
#include <QMimeData>
#include <QSet>
#include <QPoint>
#include <QUrl>

#include <algorithm>
#include <memory>

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
    : QAbstractTableModel(parent), m_dataSource(dataSource), m_rolesResolver(new ResultsRolesResolver(*this))
{
    // Any change of the rows moves the rows under way; a removal moves
    // the counts itself (shownResultsWillRemove).
    const auto stale = [this] { m_underWayStale = true; };
    connect(this, &QAbstractItemModel::rowsInserted, this, stale);
    connect(this, &QAbstractItemModel::layoutChanged, this, stale);
    connect(this, &QAbstractItemModel::modelReset, this, stale);
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
    sort(*key, reverse);
    return true;
}

void ResultsTableModel::sort(std::uint64_t key, bool reverse)
{
    m_dataSource.setSorting(key, reverse);
    m_dataSource.sortResults(this);
}

bool ResultsTableModel::applySort(ResultsDataSource::SortWork work)
{
    return m_dataSource.applySort(std::move(work), this);
}

bool ResultsTableModel::applyMerge(ResultsDataSource::MergeWork& work)
{
    return m_dataSource.applyMerge(work, this);
}

void ResultsTableModel::insertResults(QList<ResultPointer> results)
{
    m_dataSource.insertResults(std::move(results), this);
}

void ResultsTableModel::insertPrepared(ResultsDataSource::PreparedResults prepared)
{
    m_dataSource.insertPrepared(std::move(prepared), this);
}

void ResultsTableModel::removeResults(const QList<ResultPointer>& gone)
{
    if (gone.isEmpty())
        return;
    // The rows that leave are heard as the data source removes them
    // (shownResultsWillRemove): no pass of this model's own over the rows.
    emit resultRowsAboutToLeave();
    m_leaving.emplace();
    (void)m_dataSource.removeResults(gone, this);
    const QList<int> rows = std::move(m_leaving->rows);
    m_leaving.reset();
    emit resultRowsLeft(rows);
}

void ResultsTableModel::removeAllResults()
{
    beginResetModel();
    auto shown = std::make_shared<ResultsDataSource::ShownResults>(m_dataSource.takeAllResults());
    m_rows = 0;
    m_underWay.clear();
    endResetModel();
    // The results of the last search are freed on the pool: a reset stays
    // cheap however many rows it empties.
    if (!shown->results.isEmpty())
        (void)runInBackground([shown = std::move(shown)]() mutable { shown.reset(); });
}

void ResultsTableModel::resultDidChange(const Result* result)
{
    const qsizetype row = m_dataSource.indexOfResult(result);
    if (row >= 0 && row < m_rows)
        emit dataChanged(index(int(row), 0), index(int(row), kColumnCount - 1));
}

void ResultsTableModel::rowsDidChange(int first, int last, int firstColumn, int lastColumn)
{
    if (first >= 0 && first <= last && last < m_rows)
        emit dataChanged(index(first, firstColumn), index(last, lastColumn));
}

ResultPointer ResultsTableModel::resultAtRow(int row) const
{
    return row < m_rows ? m_dataSource.resultAtIndex(row) : nullptr;
}

void ResultsTableModel::setUnderWay(const QList<ResultPointer>& results, bool underWay)
{
    // The marks of rows that left have gone with them: a Trash that took
    // every item ends with nothing to unmark.
    if (!underWay && m_underWay.isEmpty())
        return;
    if (underWay)
        m_underWay.reserve(m_underWay.size() + results.size());
    for (const ResultPointer& result : results) {
        if (!result)
            continue;
        if (underWay)
            m_underWay.insert(result.get());
        else
            m_underWay.remove(result.get());
    }
    m_underWayStale = true;
}

qsizetype ResultsTableModel::underWayCount(const QList<Range>& runs) const
{
    if (m_underWay.isEmpty() || runs.isEmpty())
        return 0;
    if (m_underWayStale) {
        m_underWayBefore.assign(size_t(m_rows) + 1, 0);
        const QList<ResultPointer>& shown = m_dataSource.results();
        const int rows = int(std::min<qsizetype>(m_rows, shown.size()));
        for (int row = 0; row < rows; ++row) {
            const bool marked = m_underWay.contains(shown.at(row).get());
            m_underWayBefore[size_t(row) + 1] = m_underWayBefore[size_t(row)] + (marked ? 1 : 0);
        }
        m_underWayStale = false;
    }
    qsizetype count = 0;
    for (const Range& run : runs) {
        const qsizetype first = std::clamp<qsizetype>(run.location, 0, m_rows);
        const qsizetype end = std::clamp<qsizetype>(run.maxRange(), first, m_rows);
        count += m_underWayBefore[size_t(end)] - m_underWayBefore[size_t(first)];
    }
    return count;
}

void ResultsTableModel::shownResultsWillInsert(qsizetype row, qsizetype count)
{
    beginInsertRows({}, int(row), int(row + count - 1));
}

void ResultsTableModel::shownResultsDidInsert()
{
    m_rows = int(m_dataSource.count());
    endInsertRows();
}

void ResultsTableModel::shownResultsWillRemove(qsizetype row, qsizetype count)
{
    if (m_leaving)
        noteLeaving(row, count);
    // A row that leaves takes its mark: what a Trash took off the disk is
    // no longer under way.
    int marked = 0;
    if (!m_underWay.isEmpty()) {
        for (qsizetype at = row; at < row + count; ++at) {
            if (const ResultPointer result = m_dataSource.resultAtIndex(at))
                marked += m_underWay.remove(result.get()) ? 1 : 0;
        }
    }
    // The counts of marks before each row follow the removal: a pass of
    // integers, where counting again would look up every row's mark.
    if (!m_underWayStale && size_t(row + count) < m_underWayBefore.size()) {
        const auto at = [this, row] { return m_underWayBefore.begin() + row + 1; };
        m_underWayBefore.erase(at(), at() + count);
        if (marked > 0)
            std::for_each(at(), m_underWayBefore.end(), [marked](int& before) { before -= marked; });
    } else {
        m_underWayStale = true;
    }
    beginRemoveRows({}, int(row), int(row + count - 1));
}

void ResultsTableModel::noteLeaving(qsizetype row, qsizetype count)
{
    // Rows told as runs are in the list as it is after the runs before
    // them left; rows moved to the end by a reorder first are mapped back
    // through it.
    Leaving& leaving = *m_leaving;
    if (leaving.rowOf.empty()) {
        // The runs go from the top: every row that left so far was above.
        const qsizetype above = leaving.rows.size();
        for (qsizetype at = row; at < row + count; ++at)
            leaving.rows.append(int(above + at));
        return;
    }
    for (size_t old = 0; old < leaving.rowOf.size(); ++old) {
        if (leaving.rowOf[old] >= row && leaving.rowOf[old] < row + count)
            leaving.rows.append(int(old));
    }
    leaving.rowOf.clear();
}

void ResultsTableModel::shownResultsDidRemove()
{
    m_rows = int(m_dataSource.count());
    endRemoveRows();
}

void ResultsTableModel::shownResultsWillReorder()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultsTableModel::shownResultsDidReorder(const std::vector<qsizetype>& rowOf)
{
    // Each persistent index (the selection, the current row) moves with its
    // result: one look-up per index, no search.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        const size_t row = size_t(old.row());
        after.append(row < rowOf.size() ? index(int(rowOf[row]), old.column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    if (m_leaving)
        m_leaving->rowOf = rowOf;
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
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
    const ResultPointer result = resultAtRow(index.row());
    if (!result || !isColumn(index.column()))
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::ToolTipRole:
        // No tool tip repeats what the other cells show in full. A tool tip
        // is read as rich text when it looks like it: the name and the path
        // are escaped, and marked and isolated as the cells show them.
        if (column == kFileColumn)
            return nameToolTip(result->name());
        return column == kPathColumn ? QVariant(pathToolTip(result->fullPath())) : QVariant();
    case kHighlightRole:
    case cell_role::kHighlighted: {
        std::uint64_t what = 0;
        const HighlightRequest& request = preparedHighlight(&what);
        const bool names = column == kFileColumn && (what & kSearchNames);
        const bool comments = column == kCommentColumn && (what & kSearchComments);
        if (!names && !comments)
            return {};
        const QString text = names ? result->name() : result->knownComment();
        if (text.isEmpty())
            return {};
        // A name stored decomposed is matched composed, as it was searched,
        // and its ranges are mapped back onto the stored text.
        const ComposedText composed(text);
        QVariantList ranges = highlightRanges(request, composed.text());
        if (!composed.isIdentity()) {
            for (QVariant& range : ranges) {
                const QPoint found = range.toPoint();
                const Range stored = composed.originalRange({found.x(), found.y()});
                range = QPoint(int(stored.location), int(stored.length));
            }
        }
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
    // What costs a lookup is shown once the roles resolver has read it.
    case kKindColumn:
        return result->knownKind();
    case kCreatedColumn:
        return DateCell::creationDateValue(result->created());
    case kInfoColumn:
        return result->knownInfo();
    case kCommentColumn:
        return result->knownComment();
    default:
        return result->knownTags().value_or(QStringList()).join(QStringLiteral(", "));
    }
}

QVariant ResultsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || !isColumn(section))
        return {};
    return titleOfColumn(section);
}

HighlightRequest ResultsTableModel::highlightRequest(const ResultsDataSource& dataSource)
{
    HighlightRequest request;
    const HighlightExpression expression = dataSource.regularExpression();
    if (!expression.isNull()) {
        request.regularExpression = RegularExpression::compile(expression.pattern, expression.options);
    } else {
        request.strings = dataSource.strings();
        request.wildcards = dataSource.wildcards();
    }
    request.comparison = unsigned(dataSource.comparison());
    return request;
}

QVariantList ResultsTableModel::highlightRanges(const HighlightRequest& request, const QString& text)
{
    if (!request.regularExpression.isValid() && request.strings.isEmpty())
        return {};
    HighlightSpans spans;
    highlightSearchMatches(text, spans, request);
    QVariantList ranges;
    for (const Range& range : spans.ranges())
        ranges.append(QPoint(int(range.location), int(range.length)));
    return ranges;
}

const HighlightRequest& ResultsTableModel::preparedHighlight(std::uint64_t* what) const
{
    // The engine sets the settings once per search, before its worker
    // starts; the generation says when they changed.
    const std::uint64_t generation = m_dataSource.highlightGeneration();
    if (m_highlightGeneration != generation) {
        m_highlight = highlightRequest(m_dataSource);
        m_highlightWhat = m_dataSource.what();
        m_highlightGeneration = generation;
    }
    *what = m_highlightWhat;
    return m_highlight;
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

QList<int> ResultsTableModel::rowsOfPaths(const QStringList& paths) const
{
    QList<int> rows;
    if (paths.isEmpty())
        return rows;
    const QSet<QString> wanted(paths.cbegin(), paths.cend());
    for (int row = 0, count = rowCount(); row < count; ++row) {
        if (const ResultPointer result = m_dataSource.resultAtIndex(row); result && wanted.contains(result->fullPath()))
            rows.append(row);
    }
    return rows;
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
        urls.append(fileURLWithRepresentation(path));
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
