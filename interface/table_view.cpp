#include "interface/table_view.h"

#include "foundation/dates.h"
#include "foundation/user_defaults_getters.h"
#include "interface/action_router.h"
#include "interface/application.h"
#include "interface/events.h"
#include "interface/graphics_context.h"
#include "interface/scroll_views.h"
#include "interface/string_drawing.h"
#include "interface/table_cells.h"
#include "interface/table_geometry.h"
#include "interface/view_extensions.h"
#include "interface/window_extensions.h"
#include "platform/log.h"
#include "platform/notification_center.h"
#include "platform/user_defaults.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleOptionHeader>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace sorvant {
namespace {

bool g_usesAlternatingRowColors = true;

QString columnsKey(const QString& name)
{
    return QStringLiteral("TableView Columns %1").arg(name);
}

QString widthsKey(const QString& name)
{
    return QStringLiteral("TableView Column Widths %1").arg(name);
}

// Which columns are hidden: the table's own record, written only while
// autosaving (saving the toolkit's order and widths removes it).
QString hiddenColumnsKey(const QString& name)
{
    return QStringLiteral("NSTableView Hidden Columns %1").arg(name);
}

// The platform's own column records that a save or a removal clears.
QStringList platformKeys(const QString& name)
{
    return {QStringLiteral("NSTableView Columns %1").arg(name), QStringLiteral("NSTableView Columns v2 %1").arg(name),
            QStringLiteral("NSTableView Hidden Columns %1").arg(name),
            QStringLiteral("NSTableView Sort Ordering %1").arg(name)};
}

} // namespace

// --- columns ----------------------------------------------------------------------------------

TableColumn TableColumn::tableColumnWithIdentifier(const QString& identifier, const QString& title, bool resizable,
                                                   bool editable)
{
    TableColumn column;
    column.identifier = identifier;
    column.title = title;
    column.resizingMask = resizable ? kTableColumnAutoresizingMask | kTableColumnUserResizingMask : kTableColumnNoResizing;
    column.editable = editable;
    return column;
}

TableColumn TableColumn::tableColumnWithIdentifier(const QString& identifier, const QString& title, double width,
                                                   double minWidth, double maxWidth, bool resizable, bool editable)
{
    TableColumn column = tableColumnWithIdentifier(identifier, title, resizable, editable);
    column.width = width;
    column.minWidth = minWidth;
    column.maxWidth = maxWidth;
    return column;
}

void TableColumn::setFixWidth(double fixed)
{
    minWidth = fixed;
    maxWidth = fixed;
    width = fixed;
}

void TableColumn::setFixWidthUsingTemplate(const QString& sample, double margin, const QFont& font)
{
    setFixWidth(std::floor(sizeWithFont(sample, font).width()) + margin);
}

void TableColumn::setFixWidthForShortDateAndTimeUsingMargin(double margin, const QFont& font)
{
    setFixWidth(widthForShortDateAndTimeUsingMargin(margin, font));
}

void TableColumn::setDateCellWithFont(const QFont& font, Qt::Alignment alignment)
{
    minWidth = 60;
    maxWidth = 240;
    width = std::clamp(width, minWidth, maxWidth);
    resizingMask = kTableColumnAutoresizingMask | kTableColumnUserResizingMask;
    cell = DateCell::dateCellWithFont(font, alignment);
}

QString TableColumn::description() const
{
    return QStringLiteral("<TableColumn \"%1\": %2>").arg(title, identifier);
}

double widthForShortDateAndTimeUsingMargin(double margin, const QFont& font)
{
    QString text = localizedShortDateTimeDescription(dateWithYear(2007, 12, 31, 10, 59, 59));
    if (text.isNull())
        text = QStringLiteral("00:00:0000 00-00-00");
    return std::floor(sizeWithFont(text, font).width()) + std::max(2.0, margin);
}

// --- TableView -----------------------------------------------------------------------------------

TableView::TableView(QWidget* parent)
    : QTableView(parent)
{
    setHorizontalHeader(new TableColumnHeaderView(this));
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setFixedHeight(int(kPreferredHeaderHeight));
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(20);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    m_textCell = new TextFieldCell(LineBreakMode::ByTruncatingTail, std::nullopt, false, 0, this);
    setItemDelegate(m_textCell);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &TableView::headerSectionResized);
    connect(horizontalHeader(), &QHeaderView::sectionMoved, this, &TableView::columnsChanged);
    connect(horizontalHeader(), &QHeaderView::sectionMoved, this, &TableView::applyColumnAutoresizing);
    connect(horizontalHeader(), &QHeaderView::sectionCountChanged, this, &TableView::headerSectionCountChanged);
    connect(this, &QAbstractItemView::doubleClicked, this, [this] {
        if (!m_doubleAction.isEmpty() && (m_doubleTarget || !m_hasDoubleTarget))
            sendAction(m_doubleAction, m_doubleTarget, this);
    });
}

TableView::~TableView() = default;

UserDefaults& TableView::userDefaults() const
{
    return m_defaults ? *m_defaults : UserDefaults::standardUserDefaults();
}

void TableView::applyColumn(int logical)
{
    const TableColumn& column = m_columns[logical];
    QHeaderView* header = horizontalHeader();
    // A stretched section takes no size: the modes are set again after the
    // sizes (applyColumnAutoresizing).
    header->setSectionResizeMode(logical, QHeaderView::Interactive);
    header->resizeSection(logical, int(std::clamp(column.width, column.minWidth, column.maxWidth)));
    header->setSectionHidden(logical, column.hidden);
    setItemDelegateForColumn(logical, column.cell.data());
}

void TableView::setTableColumns(const QList<TableColumn>& columns)
{
    m_columns = columns;
    for (const TableColumn& column : m_columns) {
        if (QAbstractItemDelegate* cell = column.cell)
            cell->setParent(this);
    }
    // As if every section had just appeared: each gets its column.
    headerSectionCountChanged(0, horizontalHeader()->count());
    horizontalHeader()->viewport()->update();
}

QList<TableColumn> TableView::tableColumns() const
{
    QList<TableColumn> result;
    for (int visual = 0; visual < numberOfColumns(); ++visual) {
        const int logical = horizontalHeader()->logicalIndex(visual);
        TableColumn column = m_columns.value(logical);
        column.hidden = horizontalHeader()->isSectionHidden(logical);
        // A hidden section measures 0: its width is the one it had when shown.
        if (!column.hidden)
            column.width = horizontalHeader()->sectionSize(logical);
        result.append(column);
    }
    return result;
}

int TableView::numberOfColumns() const
{
    return int(std::min<qsizetype>(m_columns.size(), horizontalHeader()->count()));
}

int TableView::logicalIndexOfIdentifier(const QString& identifier) const
{
    for (int logical = 0; logical < numberOfColumns(); ++logical)
        if (m_columns[logical].identifier == identifier)
            return logical;
    return -1;
}

int TableView::columnWithIdentifier(const QString& identifier) const
{
    const int logical = logicalIndexOfIdentifier(identifier);
    return logical < 0 ? -1 : horizontalHeader()->visualIndex(logical);
}

QString TableView::identifierOfColumn(int column) const
{
    return m_columns.value(horizontalHeader()->logicalIndex(column)).identifier;
}

void TableView::moveColumn(int from, int to)
{
    if (from != to)
        horizontalHeader()->moveSection(from, to);
}

void TableView::setWidthOfColumn(int column, double width)
{
    const int logical = horizontalHeader()->logicalIndex(column);
    if (logical < 0 || logical >= m_columns.size())
        return;
    TableColumn& limits = m_columns[logical];
    const int clamped = int(std::lround(std::clamp(width, limits.minWidth, limits.maxWidth)));
    // A hidden section keeps the size for when it is shown again, silently.
    if (horizontalHeader()->isSectionHidden(logical))
        limits.width = clamped;
    horizontalHeader()->resizeSection(logical, clamped);
}

double TableView::widthOfColumn(int column) const
{
    return horizontalHeader()->sectionSize(horizontalHeader()->logicalIndex(column));
}

void TableView::setHiddenOfColumn(const QString& identifier, bool hidden)
{
    const int logical = logicalIndexOfIdentifier(identifier);
    if (logical < 0 || horizontalHeader()->isSectionHidden(logical) == hidden)
        return;
    m_columns[logical].hidden = hidden;
    horizontalHeader()->setSectionHidden(logical, hidden);
    applyColumnAutoresizing();
    columnsChanged();
}

bool TableView::isHiddenColumn(const QString& identifier) const
{
    const int logical = logicalIndexOfIdentifier(identifier);
    return logical >= 0 && horizontalHeader()->isSectionHidden(logical);
}

void TableView::headerSectionResized(int logical, int, int newSize)
{
    // Qt's limits are header-wide: each column's own are kept here.
    if (logical >= 0 && logical < m_columns.size() && newSize > 0) {
        TableColumn& column = m_columns[logical];
        const int clamped = int(std::clamp(double(newSize), std::ceil(column.minWidth), std::floor(column.maxWidth)));
        if (clamped != newSize) {
            horizontalHeader()->resizeSection(logical, clamped);
            return;
        }
        column.width = newSize;
    }
    // A column resized by hand or by code: the following columns take up
    // the difference.
    if (!m_fittingColumns && !autoresizedColumns().contains(logical))
        fitAutoresizedColumns();
    columnsChanged();
}

void TableView::columnsChanged()
{
    if (!m_autosaveColumns || m_restoring || m_autosaveName.isEmpty() || m_savePending)
        return;
    // A drag resizes many times: one save when it settles.
    m_savePending = true;
    QTimer::singleShot(0, this, [this] { savePendingColumns(); });
}

void TableView::savePendingColumns()
{
    if (!m_savePending)
        return;
    m_savePending = false;
    if (m_autosaveColumns && !m_autosaveName.isEmpty())
        autosaveColumns();
}

void TableView::hideEvent(QHideEvent* event)
{
    // A closed window saves now, while whoever keeps its defaults is sure
    // to be there, not when the event loop next runs.
    savePendingColumns();
    QTableView::hideEvent(event);
}

void TableView::showEvent(QShowEvent* event)
{
    QTableView::showEvent(event);
    fitRestoredColumns();
    fitAutoresizedColumns();
}

void TableView::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    fitRestoredColumns();
}

void TableView::fitRestoredColumns()
{
    if (!m_fitRestoredColumns || !isVisible() || viewport()->width() <= 0)
        return;
    m_fitRestoredColumns = false;
    QList<int> logicals;
    const QList<ColumnSize> sizes = shownColumnSizes(&logicals);
    if (const auto width = fittedLastColumnWidth(sizes, viewport()->width()))
        horizontalHeader()->resizeSection(logicals.constLast(), int(std::lround(*width)));
}

QList<ColumnSize> TableView::shownColumnSizes(QList<int>* logicals) const
{
    QList<ColumnSize> sizes;
    for (int visual = 0; visual < numberOfColumns(); ++visual) {
        const int logical = horizontalHeader()->logicalIndex(visual);
        if (horizontalHeader()->isSectionHidden(logical))
            continue;
        const TableColumn& column = m_columns[logical];
        sizes.append({double(horizontalHeader()->sectionSize(logical)), column.minWidth, column.maxWidth});
        logicals->append(logical);
    }
    return sizes;
}

void TableView::autosaveColumns() const
{
    saveColumns();
    QVariantList hidden;
    for (const TableColumn& column : tableColumns()) {
        if (column.hidden)
            hidden.append(column.identifier);
    }
    userDefaults().setObject(hidden, hiddenColumnsKey(m_autosaveName));
}

void TableView::restoreAutosavedColumns()
{
    restoreColumns();
    if (m_autosaveName.isEmpty())
        return;
    const UserDefaults& defaults = userDefaults();
    const QVariant hidden = defaults.objectForKey(hiddenColumnsKey(m_autosaveName));
    if (hidden.typeId() != QMetaType::QVariantList && hidden.typeId() != QMetaType::QStringList)
        return;
    // Columns the saved order does not name (new ones) keep their own state.
    const QStringList named = defaults.objectForKey(columnsKey(m_autosaveName)).toStringList();
    const QStringList hiddenIdentifiers = hidden.toStringList();
    m_restoring = true;
    for (int logical = 0; logical < numberOfColumns(); ++logical) {
        const QString& identifier = m_columns[logical].identifier;
        if (!named.contains(identifier))
            continue;
        m_columns[logical].hidden = hiddenIdentifiers.contains(identifier);
        horizontalHeader()->setSectionHidden(logical, m_columns[logical].hidden);
    }
    m_restoring = false;
}

void TableView::setAutosaveName(const QString& name)
{
    m_autosaveName = name;
    if (m_autosaveColumns)
        restoreAutosavedColumns();
}

void TableView::setAutosaveTableColumns(bool flag)
{
    m_autosaveColumns = flag;
    if (flag)
        restoreAutosavedColumns();
}

void TableView::saveColumnsWithAutosaveName(const QString& name) const
{
    if (name.isEmpty())
        return;
    QVariantList identifiers;
    QVariantMap widths;
    for (const TableColumn& column : tableColumns()) {
        identifiers.append(column.identifier);
        widths.insert(column.identifier, static_cast<float>(column.width));
    }
    UserDefaults& defaults = userDefaults();
    for (const QString& key : platformKeys(name))
        defaults.removeObjectForKey(key);
    defaults.removeObjectForKey(QStringLiteral("NSTableView Sort Ordering v2 %1").arg(name));
    defaults.setObject(identifiers, columnsKey(name));
    defaults.setObject(widths, widthsKey(name));
}

void TableView::restoreColumnsWithAutosaveName(const QString& name)
{
    if (name.isEmpty())
        return;
    const UserDefaults& defaults = userDefaults();
    const QVariant order = defaults.objectForKey(columnsKey(name));
    const QVariant widths = defaults.objectForKey(widthsKey(name));
    m_restoring = true;
    int destination = 0;
    for (const QVariant& identifier : order.toList()) {
        const int column = columnWithIdentifier(identifier.toString());
        if (column < 0)
            continue;
        moveColumn(column, destination++);
    }
    if (widths.typeId() == QMetaType::QVariantMap) {
        const QScreen* screen = this->screen();
        const double widestColumn = screen ? screen->availableGeometry().width() : 4096.0;
        const QVariantMap map = widths.toMap();
        for (int column = 0; column < numberOfColumns(); ++column) {
            const auto found = map.constFind(identifierOfColumn(column));
            bool isNumber = false;
            const double width = found != map.constEnd() ? found->toDouble(&isNumber) : 0;
            // A damaged entry leaves its column alone; a width no screen
            // holds (the file is the user's to edit) is cut to the screen.
            if (isNumber && std::isfinite(width))
                setWidthOfColumn(column, std::min(width, widestColumn));
        }
        m_fitRestoredColumns = true;
        fitRestoredColumns();
    }
    m_restoring = false;
}

void TableView::removeSavedColumnsWithAutosaveName(const QString& name, UserDefaults& defaults)
{
    if (name.isEmpty())
        return;
    for (const QString& key : platformKeys(name) + QStringList{columnsKey(name), widthsKey(name)})
        defaults.removeObjectForKey(key);
}

bool TableView::hasAutosavedColumns() const
{
    if (m_autosaveName.isEmpty())
        return false;
    const QStringList keys = platformKeys(m_autosaveName);
    return userDefaults().objectForKey(keys[0]).isValid() || userDefaults().objectForKey(keys[1]).isValid();
}

QString TableView::dumpColumnsWithAutosaveName(const QString& name, const QString& description) const
{
    double total = 0;
    QString lines;
    for (const TableColumn& column : tableColumns()) {
        total += column.width;
        lines += QStringLiteral("\t%1: %2 (%3-%4)\n")
                     .arg(column.identifier)
                     .arg(column.width, 0, 'f', 6)
                     .arg(column.minWidth, 0, 'f', 6)
                     .arg(column.maxWidth, 0, 'f', 6);
    }
    const QString entry = QStringLiteral("%1: %2 <%3>: view width %4, %5 columns, columns width %6\n%7")
                              .arg(description, QString::fromLatin1(metaObject()->className()), name)
                              .arg(double(width()), 0, 'f', 6)
                              .arg(numberOfColumns())
                              .arg(total, 0, 'f', 6)
                              .arg(lines);
    logMessage(entry);
    return entry;
}

void TableView::setAlternateString(const QString& string)
{
    m_alternateString = string;
    if (numberOfRows() == 0)
        viewport()->update();
}

void TableView::setRasteredScrolling(bool flag)
{
    m_rasteredScrolling = flag;
    setVerticalScrollMode(flag ? QAbstractItemView::ScrollPerItem : QAbstractItemView::ScrollPerPixel);
}

int TableView::numberOfRows() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

QList<Range> TableView::selectedRowRuns() const
{
    // Read off the selection's ranges: a range over every column selects
    // its rows whole, and ranges may come in any order and overlap, so
    // their spans are sorted and joined. Asking the selection model row by
    // row tests each row against every range, which takes a sixth of a
    // second over 140,000 rows selected at once; the rows of a range over
    // some of the columns only are asked that way.
    QList<Range> runs;
    if (!selectionModel() || !model())
        return runs;
    const int columns = model()->columnCount(rootIndex());
    const QItemSelection selection = selectionModel()->selection();
    std::vector<std::pair<int, int>> spans; // first, last row
    spans.reserve(size_t(selection.size()));
    for (const QItemSelectionRange& range : selection) {
        if (!range.isValid() || range.parent() != rootIndex())
            continue;
        if (range.left() == 0 && range.right() == columns - 1) {
            spans.emplace_back(range.top(), range.bottom());
            continue;
        }
        for (int row = range.top(); row <= range.bottom(); ++row) {
            if (selectionModel()->isRowSelected(row, rootIndex()))
                spans.emplace_back(row, row);
        }
    }
    std::sort(spans.begin(), spans.end());
    for (const auto& [first, last] : spans) {
        if (!runs.isEmpty() && first <= runs.constLast().maxRange()) {
            Range& run = runs.last();
            run.length = std::max<qsizetype>(run.length, last + 1 - run.location);
        } else {
            runs.append(makeRange(first, last + 1 - first));
        }
    }
    return runs;
}

QList<int> TableView::selectionIndexes() const
{
    QList<int> rows;
    for (const Range& run : selectedRowRuns()) {
        for (qsizetype row = run.location; row < run.maxRange(); ++row)
            rows.append(int(row));
    }
    return rows;
}

int TableView::countOfSelection() const
{
    qsizetype count = 0;
    for (const Range& run : selectedRowRuns())
        count += run.length;
    return int(count);
}

int TableView::selectionRow() const
{
    const QModelIndex current = selectionModel() ? selectionModel()->currentIndex() : QModelIndex();
    if (current.isValid() && selectionModel()->isRowSelected(current.row(), rootIndex()))
        return current.row();
    return firstSelectedRow();
}

int TableView::firstSelectedRow() const
{
    const QList<Range> runs = selectedRowRuns();
    return runs.isEmpty() ? -1 : int(runs.constFirst().location);
}

int TableView::lastSelectedRow() const
{
    const QList<Range> runs = selectedRowRuns();
    return runs.isEmpty() ? -1 : int(runs.constLast().maxRange() - 1);
}

QList<int> TableView::selectedColumns() const
{
    QList<int> columns;
    if (selectionModel())
        for (const QModelIndex& index : selectionModel()->selectedColumns())
            columns.append(horizontalHeader()->visualIndex(index.column()));
    std::sort(columns.begin(), columns.end());
    return columns;
}

int TableView::firstSelectedColumn() const
{
    const QList<int> columns = selectedColumns();
    return columns.isEmpty() ? -1 : columns.first();
}

int TableView::lastSelectedColumn() const
{
    const QList<int> columns = selectedColumns();
    return columns.isEmpty() ? -1 : columns.last();
}

void TableView::selectRowIndex(int row, bool extend)
{
    if (row < 0 || row >= numberOfRows())
        return;
    selectRows({row}, extend);
}

void TableView::selectRows(const QList<int>& rows, bool extend)
{
    if (!selectionModel())
        return;
    if (m_sourceList)
        viewport()->update();
    QItemSelection selection;
    for (int row : rows)
        if (row >= 0 && row < numberOfRows())
            selection.select(model()->index(row, 0, rootIndex()), model()->index(row, 0, rootIndex()));
    const auto flags = QItemSelectionModel::Rows |
        (extend ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect);
    selectionModel()->select(selection, flags);
    if (!rows.isEmpty() && rows.last() >= 0 && rows.last() < numberOfRows())
        selectionModel()->setCurrentIndex(model()->index(rows.last(), 0, rootIndex()), QItemSelectionModel::NoUpdate);
}

void TableView::scrollSelectedRowToVisible()
{
    // A reordering model lays the rows out again only when events run
    // (and resets the scroll then): the scroll waits for that.
    QTimer::singleShot(0, this, [this] {
        const int row = firstSelectedRow();
        if (row < 0 || !model())
            return;
        // The scroll range follows new rows only with the next layout of
        // the table, which may come after this: a row beyond a stale range
        // would not be scrolled to.
        executeDelayedItemsLayout();
        updateGeometries();
        const int left = horizontalHeader()->logicalIndexAt(0);
        scrollTo(model()->index(row, left < 0 ? 0 : left), QAbstractItemView::EnsureVisible);
    });
}

void TableView::selectAndScrollRowToVisible(int row)
{
    if (row < 0)
        return;
    selectRowIndex(row);
    if (row < numberOfRows())
        scrollTo(model()->index(row, 0, rootIndex()));
}

void TableView::selectColumnIndex(int column, bool extend)
{
    if (column < 0 || !selectionModel())
        return;
    const int logical = horizontalHeader()->logicalIndex(column);
    if (logical < 0)
        return;
    const QModelIndex index = model()->index(0, logical, rootIndex());
    selectionModel()->select(index, QItemSelectionModel::Columns |
                                        (extend ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect));
}

void TableView::deselectRow(int row)
{
    if (!selectionModel() || row < 0 || row >= numberOfRows())
        return;
    if (m_sourceList)
        viewport()->update();
    selectionModel()->select(model()->index(row, 0, rootIndex()),
                             QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
}

void TableView::deselectAndReloadData()
{
    clearSelection();
    reloadData();
}

void TableView::reloadData()
{
    const QList<int> kept = selectionIndexes();
    reset();
    QList<int> rows;
    for (int row : kept)
        if (row < numberOfRows())
            rows.append(row);
    if (!rows.isEmpty())
        selectRows(rows, false);
}

void TableView::displayRow(int row)
{
    if (row < 0 || row >= numberOfRows())
        return;
    viewport()->update(QRect(0, rowViewportPosition(row), viewport()->width(), rowHeight(row)));
}

void TableView::displayVisibleRows()
{
    const Range range = visibleRange();
    for (qsizetype row = range.location; row < range.maxRange(); ++row)
        displayRow(int(row));
}

Qt::DropActions TableView::sourceOperationMask(bool insideApplication)
{
    return insideApplication ? Qt::CopyAction | Qt::MoveAction | Qt::LinkAction : Qt::CopyAction;
}

void TableView::endEditing()
{
    if (state() == QAbstractItemView::EditingState) {
        if (QWidget* editor = indexWidget(currentIndex()))
            commitData(editor);
        closePersistentEditor(currentIndex());
        setState(QAbstractItemView::NoState);
        setFocus();
    }
}

void TableView::handleMenuEvent(const QPoint& position)
{
    const int row = rowAt(position.y());
    makeFirstResponderIfNeeded(this);
    if (row >= 0 && !(selectionModel() && selectionModel()->isRowSelected(row, rootIndex())))
        selectRowIndex(row);
}

int TableView::addMenuHighlightViewForEvent(const QPoint& position)
{
    const int row = rowAt(position.y());
    if (row < 0 || row >= numberOfRows() || (selectionModel() && selectionModel()->isRowSelected(row, rootIndex())))
        return -1;
    return row;
}

bool TableView::makeSelectedCellViewTextFieldFirstResponder()
{
    if (countOfSelection() != 1)
        return false;
    const int row = selectionRow();
    const QModelIndex index = model()->index(row, horizontalHeader()->logicalIndex(0), rootIndex());
    scrollTo(index);
    if (!index.isValid() || !(model()->flags(index) & Qt::ItemIsEditable))
        return false;
    setCurrentIndex(index);
    edit(index);
    return state() == QAbstractItemView::EditingState;
}

Range TableView::visibleRange() const
{
    return visibleRowRange(verticalScrollBar()->value(), viewport()->height(), verticalHeader()->defaultSectionSize(), 0);
}

void TableView::highlightColumnWithIdentifier(const QString& identifier, bool reverseSorting)
{
    if (identifier.isNull())
        return;
    const int logical = logicalIndexOfIdentifier(identifier);
    horizontalHeader()->setSortIndicatorShown(logical >= 0);
    horizontalHeader()->setSortIndicator(logical, reverseSorting ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TableView::removeIndicatorImage()
{
    horizontalHeader()->setSortIndicatorShown(false);
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
}

QString TableView::highlightedColumnIdentifier() const
{
    if (!horizontalHeader()->isSortIndicatorShown())
        return {};
    return m_columns.value(horizontalHeader()->sortIndicatorSection()).identifier;
}

void TableView::sizeColumnsToFit(bool onlyGrow)
{
    QList<int> logicals;
    const QList<ColumnSize> sizes = shownColumnSizes(&logicals);
    // Qt draws grid lines inside the cells: no spacing between columns.
    const auto widths = fittedColumnWidths(sizes, viewport()->width(), 0, onlyGrow);
    if (!widths)
        return;
    for (qsizetype i = 0; i < logicals.size(); ++i)
        horizontalHeader()->resizeSection(logicals[i], int(std::lround((*widths)[i])));
}

int TableView::heightShowingRows(int rows) const
{
    const int header = horizontalHeader()->isHidden() ? 0 : horizontalHeader()->height();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return header + rows * verticalHeader()->defaultSectionSize() + 2 * frameWidth() + bar;
}

void TableView::setHeaderHidden(bool hidden)
{
    QHeaderView* header = horizontalHeader();
    if (hidden == header->isHidden() && (hidden || header->height() == int(kPreferredHeaderHeight)))
        return;
    header->setFixedHeight(int(kPreferredHeaderHeight));
    header->setHidden(hidden);
    updateGeometries();
    viewport()->update();
}

void TableView::setSelectionHighlightStyleSourceList(bool flag)
{
    m_sourceList = flag;
    setProperty("sorvantSourceListHighlight", flag);
    if (flag)
        setAttribute(Qt::WA_MacShowFocusRect, false);
    viewport()->update();
}

double TableView::adjustPageHeight(double top, double proposedBottom, double printableWidth) const
{
    return pageBreakBottom(top, proposedBottom, verticalHeader()->defaultSectionSize(), 0, printableWidth, width());
}

void TableView::preparePaperDrawing(bool paper)
{
    // Paper is light (the palette of the light appearance) and shows no
    // selection: the view paints selected rows before their cells, so the
    // selection is set aside, unannounced, while drawing.
    QItemSelectionModel* selection = selectionModel();
    const QSignalBlocker blocker(selection);
    if (paper) {
        m_screenPalette = palette();
        if (isDarkAquaInterfaceStyle())
            setPalette(style()->standardPalette());
        if (selection) {
            m_screenSelection = selection->selection();
            selection->clearSelection();
        }
    } else {
        setPalette(m_screenPalette);
        if (selection)
            selection->select(m_screenSelection, QItemSelectionModel::ClearAndSelect);
    }
}

void TableView::drawToPaper(QPainter& painter)
{
    GraphicsContextScope paper(painter);
    preparePaperDrawing(true);
    render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    preparePaperDrawing(false);
}

int TableView::printToDevice(QPagedPaintDevice& device)
{
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    const QSize screenSize = size();
    const int frame = frameWidth();
    const int headerHeight = horizontalHeader()->isHidden() ? 0 : horizontalHeader()->height();
    const int step = verticalHeader()->defaultSectionSize();
    const int contentWidth = horizontalHeader()->length() + 2 * frame;
    const int contentHeight = headerHeight + numberOfRows() * step + 2 * frame;
    // The whole table at once, so every row can be drawn; put back before
    // anything else runs.
    resize(contentWidth, contentHeight);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);

    const QRect page = painter.viewport();
    const double scale = std::min(1.0, double(page.width()) / contentWidth);
    const double pageHeight = page.height() / scale;
    const double left = (page.width() - contentWidth * scale) / 2;
    int pages = 0;
    {
        GraphicsContextScope paper(painter);
        preparePaperDrawing(true);
        for (double top = 0; top < contentHeight;) {
            // Rows start below the header: a page ends at a whole row.
            double bottom = headerHeight + frame +
                pageBreakBottom(0, top + pageHeight - headerHeight - frame, step, 0, 0, 0);
            if (bottom <= top)
                bottom = top + pageHeight; // a row taller than the page is cut
            if (pages > 0)
                static_cast<QPagedPaintDevice&>(device).newPage();
            painter.save();
            painter.translate(left, 0);
            painter.scale(scale, scale);
            render(&painter, QPoint(), QRegion(QRect(0, int(top), contentWidth, int(std::ceil(bottom - top)))),
                   QWidget::DrawChildren);
            painter.restore();
            ++pages;
            top = bottom;
        }
        preparePaperDrawing(false);
    }
    painter.end();
    resize(screenSize);
    return pages;
}

bool TableView::validateMenuItem(QAction* item)
{
    if (hasSheet(window()))
        return false;
    const QByteArray selector = actionSelector(item);
    if (selector == "copy:")
        return dynamic_cast<TableRowsWriting*>(model()) && countOfSelection() > 0;
    if (selector == "selectAll:")
        return numberOfRows() > 0 && selectionMode() != QAbstractItemView::SingleSelection &&
            selectionMode() != QAbstractItemView::NoSelection;
    if (selector == "deselectAll:")
        return countOfSelection() >= 1;
    if (isUndoAction(selector))
        return false;
    return true;
}

void TableView::AppleInterfaceStyleDidChange(const QVariant&)
{
    horizontalHeader()->viewport()->update();
    viewport()->update();
}

void TableView::copy(QObject*)
{
    auto* writer = dynamic_cast<TableRowsWriting*>(model());
    if (!writer || !writer->tableViewWriteRowsWithIndexes(this, selectionIndexes(), QApplication::clipboard()))
        QApplication::beep();
}

void TableView::selectAll(QObject*)
{
    QTableView::selectAll();
}

void TableView::deselectAll(QObject*)
{
    clearSelection();
}

void TableView::setGridStyleMask(unsigned mask)
{
    m_gridStyleMask = mask;
    setShowGrid(false); // drawn here, so one direction can go without the other
    viewport()->update();
}

void TableView::drawGridLines(QPainter& painter) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const auto hint = style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this);
    painter.setPen(QPen(QColor::fromRgba(static_cast<QRgb>(hint)), 0));
    // Like Qt's grid, the lines lie on the last pixel of each cell: its
    // right one, and right to left (columns laid out from the right) its
    // left one.
    const QHeaderView* header = horizontalHeader();
    const bool mirrored = isRightToLeft();
    if (m_gridStyleMask & kSolidVerticalGridLineMask) {
        for (int visual = 0; visual < header->count(); ++visual) {
            const int logical = header->logicalIndex(visual);
            if (header->isSectionHidden(logical))
                continue;
            const int x = columnViewportPosition(logical) + (mirrored ? 0 : columnWidth(logical) - 1);
            if (x >= 0 && x < viewport()->width())
                painter.drawLine(x, 0, x, viewport()->height());
        }
    }
    if (m_gridStyleMask & kSolidHorizontalGridLineMask) {
        // Across the columns only, which start at the right edge when mirrored.
        const int extent = std::min(viewport()->width(), header->length() - header->offset());
        const int left = mirrored ? viewport()->width() - extent : 0;
        for (int row = rowAt(0); row >= 0 && row < numberOfRows(); ++row) {
            const int y = rowViewportPosition(row) + rowHeight(row) - 1;
            if (y >= viewport()->height())
                break;
            painter.drawLine(left, y, left + extent, y);
        }
    }
}

void TableView::paintEvent(QPaintEvent* event)
{
    QTableView::paintEvent(event);
    QPainter painter(viewport());
    if (m_gridStyleMask != kGridNone)
        drawGridLines(painter);
    if (numberOfRows() == 0 && !m_alternateString.isEmpty())
        drawAlternateString(painter, viewport(), m_alternateString);
}

void TableView::keyPressEvent(QKeyEvent* event)
{
    const unichar key = pressedKey(event);
    const int rows = numberOfRows();
    switch (key) {
    case 3:
    case 13:
        if (auto* editing = dynamic_cast<EditSelection*>(this)) {
            editing->editSelection(nullptr);
            return;
        }
        break;
    case 32:
        if (modifierFlags(event) & kShiftKeyMask)
            scrollVisiblePageDown(this);
        else
            scrollVisiblePageUp(this);
        return;
    case 0xF729: // Home
    case 0xF72A: // Begin
    case 0xF72B: // End
        if (rows > 0 && (modifierFlags(event) & kShiftKeyMask)) {
            extendSelectionToRow(key == 0xF72B ? rows - 1 : 0);
        } else if (rows > 0) {
            selectAndScrollRowToVisible(key == 0xF72B ? rows - 1 : 0);
        }
        return;
    case 0xF72C: // Page Up
        scrollVisiblePageDown(this);
        return;
    case 0xF72D: // Page Down
        scrollVisiblePageUp(this);
        return;
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}

void TableView::extendSelectionToRow(int row)
{
    // Qt's view keeps where a Shift selection started and grows it by one
    // row with Shift-Down or Shift-Up: the current row goes next to `row`
    // (the selection untouched) and one such step takes it there, so the
    // selection grows from its start as Shift-Down grows it.
    const int next = row > 0 ? row - 1 : row + 1;
    if (next < 0 || next >= numberOfRows()) {
        selectAndScrollRowToVisible(row);
        return;
    }
    const int column = std::max(0, currentIndex().column());
    selectionModel()->setCurrentIndex(model()->index(next, column), QItemSelectionModel::NoUpdate);
    QKeyEvent step(QEvent::KeyPress, row > 0 ? Qt::Key_Down : Qt::Key_Up, Qt::ShiftModifier);
    QTableView::keyPressEvent(&step);
}

void TableView::mousePressEvent(QMouseEvent* event)
{
    m_doubleClicked = false;
    QTableView::mousePressEvent(event);
}

void TableView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Qt says doubleClicked for any button; the double action is the left
    // one's. Another button's second click is a press like its first.
    if (event->button() != Qt::LeftButton) {
        mousePressEvent(event);
        return;
    }
    m_doubleClicked = true;
    QTableView::mouseDoubleClickEvent(event);
}

void TableView::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    // Clicks are the left button's; the right one asks for the menu.
    if (!m_doubleClicked && event->button() == Qt::LeftButton)
        NotificationCenter::defaultCenter().post(clickedNotificationName(), QVariant::fromValue<QObject*>(this));
    m_doubleClicked = false;
}

void TableView::contextMenuEvent(QContextMenuEvent* event)
{
    handleMenuEvent(event->pos());
    if (window() != mainWindow())
        return;
    auto* provider = dynamic_cast<ContextualMenuProvider*>(this);
    QMenu* menu = provider ? provider->contextualMenu() : contextualMenu(this);
    if (menu)
        menu->popup(event->globalPos());
}

// --- StripeTableView ---------------------------------------------------------------------------

StripeTableView::StripeTableView(QWidget* parent)
    : TableView(parent)
{
    setAlternatingRowColors(g_usesAlternatingRowColors);
    setGridStyleMask(kSolidVerticalGridLineMask);
    m_observer = NotificationCenter::defaultCenter().addObserver(
        optionsDidChangeNotificationName(), [this](const Notification&) { optionsDidChange(); });
}

StripeTableView::~StripeTableView()
{
    NotificationCenter::defaultCenter().removeObserver(m_observer);
}

void StripeTableView::optionsDidChange()
{
    setAlternatingRowColors(g_usesAlternatingRowColors && m_alternatingRowColorsEnabled);
    viewport()->update();
}

void StripeTableView::setAlternatingRowColorsEnabled(bool flag)
{
    m_alternatingRowColorsEnabled = flag;
    setAlternatingRowColors(g_usesAlternatingRowColors && flag);
}

void StripeTableView::setSelectionHighlightStyleSourceList(bool flag)
{
    TableView::setSelectionHighlightStyleSourceList(flag);
    if (usesSelectionHighlightStyleSourceList())
        setAlternatingRowColorsEnabled(false);
}

void StripeTableView::setDefaultSelectionHighlightStyleSourceList()
{
    setSelectionHighlightStyleSourceList(true);
}

void StripeTableView::setUsesAlternatingRowColors(bool flag)
{
    if (flag == g_usesAlternatingRowColors)
        return;
    g_usesAlternatingRowColors = flag;
    NotificationCenter::defaultCenter().post(optionsDidChangeNotificationName());
}

bool StripeTableView::usesAlternatingRowColors()
{
    return g_usesAlternatingRowColors;
}

void StripeTableView::preparePaperDrawing(bool paper)
{
    // Paper shows no stripes, no grid and no background.
    if (paper) {
        m_screenGrid = gridStyleMask();
        setAlternatingRowColors(false);
        setGridStyleMask(kGridNone);
        TableView::preparePaperDrawing(true);
        QPalette clear = palette();
        clear.setColor(QPalette::Base, Qt::transparent);
        setPalette(clear);
    } else {
        TableView::preparePaperDrawing(false);
        setGridStyleMask(m_screenGrid);
        setAlternatingRowColors(g_usesAlternatingRowColors && m_alternatingRowColorsEnabled);
    }
}

// --- headers ---------------------------------------------------------------------------------------

TableColumnHeaderView::TableColumnHeaderView(TableView* table)
    : QHeaderView(Qt::Horizontal, table)
{
}

TableView* TableColumnHeaderView::tableView() const
{
    return qobject_cast<TableView*>(parentWidget());
}

void TableColumnHeaderView::initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const
{
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    if (const TableView* table = tableView(); table && logicalIndex < table->numberOfColumns())
        option->text = table->tableColumnAtLogicalIndex(logicalIndex).title;
}

TableHeaderView::TableHeaderView(TableView* table)
    : TableColumnHeaderView(table)
{
}

void TableHeaderView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = defaultMenuExceptPrimaryTableColumnIdentifier(tableView(), QString(), this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

TopBorderedTableHeaderView::TopBorderedTableHeaderView(TableView* table)
    : TableColumnHeaderView(table)
{
}

void TopBorderedTableHeaderView::paintEvent(QPaintEvent* event)
{
    TableColumnHeaderView::paintEvent(event);
    QPainter painter(viewport());
    drawTopBorder(painter, this);
}

QMenu* defaultMenuExceptPrimaryTableColumnIdentifier(TableView* table, const QString& primaryIdentifier,
                                                     QWidget* parent)
{
    auto* menu = new QMenu(parent);
    if (!table)
        return menu;
    for (const TableColumn& column : table->tableColumns()) {
        if (!primaryIdentifier.isNull() && column.identifier == primaryIdentifier)
            continue;
        QAction* item = menu->addAction(column.title);
        item->setData(column.identifier);
        item->setCheckable(true);
        item->setChecked(!column.hidden);
        QObject::connect(item, &QAction::triggered, table, [table, item] { toggleTableColumn(table, item); });
    }
    return menu;
}

bool toggleTableColumn(TableView* table, const QAction* item)
{
    const QString identifier = item ? item->data().toString() : QString();
    if (!table || table->columnWithIdentifier(identifier) < 0) {
        QApplication::beep();
        return false;
    }
    table->setHiddenOfColumn(identifier, !table->isHiddenColumn(identifier));
    return true;
}

} // namespace sorvant
