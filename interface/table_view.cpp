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

} // namespace

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

} // namespace sorvant
