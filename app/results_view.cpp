// ResultsView: the results table's columns (the nine of them, their
// autosaved layout, header clicks and the header's column menu, tool tips),
// sorting and column toggles, the selection's rows, paths and result, and
// dragging the selected results out.

#include "app/results_view.h"

#include "app/results_roles_resolver.h"
#include "app/results_table_model.h"
#include "app/search_controller.h"
#include "foundation/number_formatting.h"
#include "interface/controls.h"
#include "interface/fonts.h"
#include "interface/table_cells.h"
#include "platform/mime_database.h"
#include "search/results_data_source.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace sorvant {

namespace {

// The cells' text inset at each side.
constexpr double kTextInset = 3;
// A header title's room at each side: the header's margin, and at the end
// the sort indicator.
constexpr double kHeaderInset = 14;
// The width down to which a column gives room to one shown after it: a
// date with its time, a kind, a few tags.
constexpr int kRoomyWidth = 150;
// Then, in a narrow window, down to one that still shows a short value and
// its column's title.
constexpr int kNarrowWidth = 100;

// A default width that shows common values whole ("238 bytes", "plain text
// document", in the language shown) in the cells' font: the widest sample,
// the text cell's insets and the grid line; at least `least`.
double widthForSamples(const QStringList& samples, double least)
{
    const QFontMetricsF metrics(smallSystemFont());
    double widest = 0;
    for (const QString& sample : samples)
        widest = std::max(widest, metrics.horizontalAdvance(sample));
    return std::max(least, std::ceil(widest) + 2 * kTextInset + 2);
}

// Common kinds as the Kind column shows them: the MIME database's comments
// in the current locale ("plain text document"; "Einfaches Textdokument"
// in German).
QStringList commonKinds()
{
    return {mimeTypeComment(QStringLiteral("text/plain")), mimeTypeComment(QStringLiteral("application/pdf"))};
}

// The width the columns hidden at first open at: room for a page count
// or a few words, tags or a comment's start.
double hiddenColumnWidth(int column)
{
    return column == ResultsTableModel::kCommentColumn ? 180 : 140;
}

// The results' columns, in the model's column order: the name with its
// icon, the path shortened in its middle, the dates as detailed as their
// column's width allows, the other values as plain text, all in the small
// system font the name's bold one goes with. The information, the comment
// and the tags stay hidden until the user shows them.
QList<TableColumn> resultColumns()
{
    const auto column = [](int model, double width, QAbstractItemDelegate* cell) {
        TableColumn result =
            TableColumn::tableColumnWithIdentifier(ResultsTableModel::identifierOfColumn(model),
                                                   ResultsTableModel::titleOfColumn(model), width, 40, 2000, true, false);
        result.cell = cell;
        return result;
    };
    // A few points off the column before, which may end in a right-aligned date.
    const auto text = [] {
        return new TextFieldCell(LineBreakMode::ByTruncatingTail, smallSystemFont(), false, kTextInset);
    };
    const auto date = [&column](int model) {
        TableColumn result = column(model, 150, nullptr);
        result.setDateCellWithFont(smallSystemFont(), Qt::AlignRight);
        return result;
    };
    TableColumn info = column(ResultsTableModel::kInfoColumn, hiddenColumnWidth(ResultsTableModel::kInfoColumn), text());
    TableColumn comment =
        column(ResultsTableModel::kCommentColumn, hiddenColumnWidth(ResultsTableModel::kCommentColumn), text());
    TableColumn tags = column(ResultsTableModel::kTagsColumn, hiddenColumnWidth(ResultsTableModel::kTagsColumn), text());
    for (TableColumn* later : {&info, &comment, &tags})
        later->hidden = true;
    return {column(ResultsTableModel::kFileColumn, 220, FileCell::fileCell()),
            column(ResultsTableModel::kPathColumn, 220,
                   new TextFieldCell(LineBreakMode::ByTruncatingMiddle, smallSystemFont(), false, 0)),
            column(ResultsTableModel::kSizeColumn, widthForSamples({stringForSize(238), stringForSize(999'900'000)}, 80),
                   text()),
            date(ResultsTableModel::kModifiedColumn),
            column(ResultsTableModel::kKindColumn, widthForSamples(commonKinds(), 140), text()),
            date(ResultsTableModel::kCreatedColumn),
            info,
            comment,
            tags};
}

// Shows a cell's tool tip exactly as the model gives it. The cells would
// otherwise offer the whole text of any clipped value; the results show
// only the name and the full path, and the full form of a shortened date.
class ModelToolTips : public QObject
{
public:
    explicit ModelToolTips(QAbstractItemView* view) : QObject(view), m_view(view) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::ToolTip)
            return false;
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = m_view->indexAt(help->pos());
        const QString tip = index.data(Qt::ToolTipRole).toString();
        // A shortened date shows its full form: the date cell answers.
        if (tip.isEmpty() && qobject_cast<DateCell*>(m_view->itemDelegateForIndex(index)))
            return false;
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, m_view->viewport(), m_view->visualRect(index));
        return true;
    }

private:
    QAbstractItemView* m_view;
};

} // namespace

ResultsView::ResultsView(SearchController& search, UserDefaults& defaults, quint64 index, QWidget* parent)
    : StripeTableView(parent), m_search(&search)
{
    setObjectName(QStringLiteral("searchResults"));
    setDataSourceAndDelegate(search.model(), nullptr);
    // The header asks its selection model whether each column it draws is
    // selected whole, to mark where selected sections meet; Qt answers by
    // looking at every row, 2 ms a column over 140,000 selected rows on
    // every repaint of the header. The header highlights no section, so it
    // gets a selection model of its own that stays empty.
    horizontalHeader()->setSelectionModel(new QItemSelectionModel(search.model(), horizontalHeader()));
    setUpColumns(defaults, index);
    // A re-sort may be in place only later (made on the pool).
    connect(&search, &SearchController::resultsSorted, this, &ResultsView::scrollSelectedRowToVisible);
    // A re-sort asked for while a merge was on the pool is in place later.
    connect(&search, &SearchController::resultsSorted, this, &ResultsView::showSortIndicator);
    // The roles resolver reads the rows in view first.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &ResultsView::updateResolvedRows);
    ResultsTableModel* model = search.model();
    connect(model, &QAbstractItemModel::layoutChanged, this, &ResultsView::updateResolvedRows);
    connect(model, &QAbstractItemModel::modelReset, this, &ResultsView::updateResolvedRows);
    connect(model, &QAbstractItemModel::rowsInserted, this, &ResultsView::updateResolvedRows);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ResultsView::updateResolvedRows);
    connect(model, &ResultsTableModel::resultRowsAboutToLeave, this, &ResultsView::takeSelectionForRemoval);
    connect(model, &ResultsTableModel::resultRowsLeft, this, &ResultsView::putBackSelectionAfterRemoval);
    updateResolvedRoles();
}

void ResultsView::resizeEvent(QResizeEvent* event)
{
    StripeTableView::resizeEvent(event);
    updateResolvedRows();
}

void ResultsView::updateResolvedRows()
{
    ResultsTableModel* model = resultsModel();
    if (!model)
        return;
    const int rows = model->rowCount();
    int first = rowAt(0);
    int last = rowAt(viewport()->height() - 1);
    if (first < 0)
        first = 0;
    if (last < 0)
        last = rows - 1;
    model->rolesResolver().setVisibleRows(first, last);
}

void ResultsView::updateResolvedRoles()
{
    unsigned roles = 0;
    const std::pair<int, unsigned> columns[] = {{ResultsTableModel::kKindColumn, ResultsRolesResolver::kKindRole},
                                                {ResultsTableModel::kTagsColumn, ResultsRolesResolver::kTagsRole},
                                                {ResultsTableModel::kCommentColumn, ResultsRolesResolver::kCommentRole},
                                                {ResultsTableModel::kInfoColumn, ResultsRolesResolver::kInfoRole}};
    for (const auto& [column, role] : columns) {
        if (column < horizontalHeader()->count() && !isColumnHidden(column))
            roles |= role;
    }
    if (ResultsTableModel* model = resultsModel())
        model->rolesResolver().setRoles(roles);
}

void ResultsView::setUpColumns(UserDefaults& defaults, quint64 index)
{
    setTableColumns(resultColumns());
    setUserDefaults(&defaults);
    setAutosaveName(QStringLiteral("SearchTableColumns4-%1").arg(index));
    setAutosaveTableColumns(true);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setWordWrap(false);
    verticalHeader()->hide();
    viewport()->installEventFilter(new ModelToolTips(this));

    QHeaderView* header = horizontalHeader();
    setColumnAutoresizing(ColumnAutoresizingStyle::LastColumnOnly);
    header->setSectionsClickable(true);
    // The model's columns are the header's logical sections; the window
    // sorts through its command.
    connect(header, &QHeaderView::sectionClicked, this, &ResultsView::sortColumnClicked);
    connect(header, &QHeaderView::sectionResized, this, [this](int column) {
        if (column == ResultsTableModel::kPathColumn)
            updatePathColumnWidth();
        // Showing or hiding a column resizes it from or to nothing.
        updateResolvedRoles();
    });
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this, [this, header](const QPoint& position) {
        emit columnsMenuRequested(header->viewport()->mapToGlobal(position));
    });
    updatePathColumnWidth();
}

// --- dragging out ---------------------------------------------------------------------------

// A drag that starts mostly downwards or upwards selects rows, as a drag
// over unselected rows would; only one that starts sideways takes the
// selected results out.
void ResultsView::mousePressEvent(QMouseEvent* event)
{
    m_pressPosition = event->position().toPoint();
    StripeTableView::mousePressEvent(event);
}

void ResultsView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint moved = event->position().toPoint() - m_pressPosition;
    if ((event->buttons() & Qt::LeftButton) && state() != DragSelectingState
        && moved.manhattanLength() >= QApplication::startDragDistance() && std::abs(moved.y()) > std::abs(moved.x()))
        setState(DragSelectingState);
    StripeTableView::mouseMoveEvent(event);
}

bool ResultsView::isResultsDragSource(const QObject* source)
{
    for (const QObject* object = source; object; object = object->parent()) {
        if (qobject_cast<const ResultsView*>(object))
            return true;
    }
    return false;
}

// --- the selection --------------------------------------------------------------------------

QList<int> ResultsView::selectedRows() const
{
    return selectionIndexes();
}

ResultsTableModel* ResultsView::resultsModel() const
{
    // The view's own model pointer, which the view clears when the model goes.
    return qobject_cast<ResultsTableModel*>(model());
}

QStringList ResultsView::selectedPaths() const
{
    const ResultsTableModel* results = resultsModel();
    return results ? results->pathsOfRows(selectedRows()) : QStringList();
}

void ResultsView::selectRows(const QList<int>& rows)
{
    const ResultsTableModel* results = resultsModel();
    if (!results)
        return;
    // One range per run of adjacent rows.
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    QItemSelection selection;
    for (qsizetype first = 0; first < sorted.size();) {
        qsizetype last = first;
        while (last + 1 < sorted.size() && sorted.at(last + 1) <= sorted.at(last) + 1)
            ++last;
        selection.select(results->index(sorted.at(first), 0),
                         results->index(sorted.at(last), ResultsTableModel::kColumnCount - 1));
        first = last + 1;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

bool ResultsView::hasSelectedRowNotUnderWay() const
{
    const ResultsTableModel* results = resultsModel();
    if (!results || !selectionModel()->hasSelection())
        return false;
    if (!results->hasUnderWay())
        return true;
    const QList<Range> runs = selectedRowRuns();
    qsizetype selected = 0;
    for (const Range& run : runs)
        selected += run.length;
    return selected > results->underWayCount(runs);
}

ResultPointer ResultsView::selectedResult() const
{
    const QList<Range> runs = selectedRowRuns();
    const ResultsTableModel* results = resultsModel();
    const bool one = runs.size() == 1 && runs.constFirst().length == 1;
    return one && results ? results->resultAtRow(int(runs.constFirst().location)) : nullptr;
}

QString ResultsView::selectedResultName() const
{
    const QList<Range> runs = selectedRowRuns();
    const ResultsTableModel* results = resultsModel();
    if (runs.isEmpty() || !results)
        return {};
    const int current = currentIndex().row();
    const bool currentSelected =
        std::any_of(runs.cbegin(), runs.cend(), [current](const Range& run) { return run.contains(current); });
    const ResultPointer result = results->resultAtRow(currentSelected ? current : int(runs.constFirst().location));
    return result ? result->name() : QString();
}

// Through a removal spread over many places (a reorder, then one removal)
// Qt's selection model keeps each selected row by a persistent index of its
// own: 80,000 of them for a Delete of 80,000 rows, a seventh of a second a
// batch; and through many removals it adjusts every range for each. The
// view takes its selection off as runs instead, unseen by those that
// follow it, and puts back what stayed: a look-up per run.
void ResultsView::takeSelectionForRemoval()
{
    m_selectionThroughRemoval = selectedRowRuns();
    if (m_selectionThroughRemoval.isEmpty())
        return;
    const QSignalBlocker unseen(selectionModel());
    selectionModel()->clearSelection();
}

void ResultsView::putBackSelectionAfterRemoval(const QList<int>& goneRows)
{
    const QList<Range> runs = std::exchange(m_selectionThroughRemoval, {});
    const ResultsTableModel* results = resultsModel();
    if (runs.isEmpty() || !results)
        return;
    // A run keeps its rows that stayed, moved up by the rows gone above it.
    const auto goneBefore = [&goneRows](qsizetype row) {
        return qsizetype(std::lower_bound(goneRows.cbegin(), goneRows.cend(), row) - goneRows.cbegin());
    };
    QItemSelection selection;
    for (const Range& run : runs) {
        const qsizetype above = goneBefore(run.location);
        const qsizetype kept = run.length - (goneBefore(run.maxRange()) - above);
        const int first = int(run.location - above);
        const int last = first + int(kept) - 1;
        if (kept > 0)
            selection.append(
                QItemSelectionRange(results->index(first, 0), results->index(last, ResultsTableModel::kColumnCount - 1)));
    }
    if (!selection.isEmpty())
        selectionModel()->select(selection, QItemSelectionModel::Select);
    else // all went: those that follow the selection look again
        emit selectionModel()->selectionChanged({}, {});
}

void ResultsView::takeArrowKey(int key)
{
    // Focusing the table makes its first row current without selecting it.
    setFocus();
    if (!selectionModel()->hasSelection()) {
        if (model()->rowCount() > 0) {
            const QModelIndex first = model()->index(0, 0);
            selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            scrollTo(first);
        }
        return;
    }
    QKeyEvent forwarded(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(this, &forwarded);
}

// --- sorting --------------------------------------------------------------------------------

void ResultsView::sortResults(std::uint64_t key, bool reverse)
{
    // Results still pending join the shown ones, so all of them are in the
    // new order; the selection follows its results.
    if (m_search)
        m_search->sort(key, reverse);
    showSortIndicator();
}

void ResultsView::showSortIndicator()
{
    const ResultsTableModel* model = resultsModel();
    if (!model)
        return;
    const ResultsDataSource& results = model->dataSource();
    removeIndicatorImage();
    const int column = ResultsTableModel::columnForSortKey(results.sorting());
    highlightColumnWithIdentifier(ResultsTableModel::identifierOfColumn(column), results.isReverseSorting());
}

// --- columns --------------------------------------------------------------------------------

QString ResultsView::toggleColumnIdentifier(int tag)
{
    return tag >= 0 && size_t(tag) < kToggleColumns.size() ? QString::fromUtf16(kToggleColumns[size_t(tag)])
                                                           : QString();
}

bool ResultsView::toggleColumn(int tag)
{
    const QString identifier = toggleColumnIdentifier(tag);
    if (columnWithIdentifier(identifier) < 0)
        return false;
    const bool show = isHiddenColumn(identifier);
    setHiddenOfColumn(identifier, !show);
    if (show)
        widenShownColumn(identifier);
    return true;
}

void ResultsView::widenShownColumn(const QString& identifier)
{
    // A shown column becomes the last one, or one before a last one that
    // fills the table: fitted to what is left, it could open at its least
    // width ("Pag…"). It opens at its own width, or at least one that shows
    // its title beside the sort indicator.
    const int column = columnWithIdentifier(identifier);
    QHeaderView* header = horizontalHeader();
    const int logical = header->logicalIndex(column);
    const QString title = model()->headerData(logical, Qt::Horizontal).toString();
    const double titleWidth = QFontMetricsF(header->font()).horizontalAdvance(title) + 2 * kHeaderInset;
    const int wanted = int(std::ceil(std::max(titleWidth, hiddenColumnWidth(logical))));
    if (header->sectionSize(logical) >= wanted)
        return;
    // The columns before it give back what they have beyond a roomy width
    // (the last one filled the table), in a narrow window beyond a narrow
    // one, so the one shown comes into view; what they cannot give, the
    // table scrolls sideways for. They give it first: a column resized
    // fits the last one to the table again.
    int overflow = header->length() - header->sectionSize(logical) + wanted - viewport()->width();
    for (const int floor : {kRoomyWidth, kNarrowWidth}) {
        for (int visual = column - 1; visual >= 0 && overflow > 0; --visual) {
            const int before = header->logicalIndex(visual);
            // The names give room last: they are what the table is read by.
            const bool keep = header->isSectionHidden(before)
                              || (before == ResultsTableModel::kFileColumn && floor == kRoomyWidth);
            const int spare = keep ? 0 : header->sectionSize(before) - floor;
            if (spare <= 0)
                continue;
            const int taken = std::min(spare, overflow);
            setWidthOfColumn(visual, header->sectionSize(before) - taken);
            overflow -= taken;
        }
    }
    setWidthOfColumn(column, wanted);
}

void ResultsView::updatePathColumnWidth()
{
    const int column = ResultsTableModel::kPathColumn;
    const QHeaderView* header = horizontalHeader();
    if (column >= header->count() || header->isSectionHidden(column))
        return;
    if (ResultsTableModel* results = resultsModel())
        results->setPathColumnNarrow(header->sectionSize(column) <= tableColumnAtLogicalIndex(column).minWidth + 4);
}

} // namespace sorvant
