#pragma once
// The toolkit's tables: TableView, a QTableView with a text for the empty
// table, keyboard paging, a click notification, Copy through its data
// source, the edit commands' validation, a source-list highlight and no
// selection on paper; StripeTableView, whose stripes are switched for all
// tables at once and which prints without stripes or grid, in the light
// appearance. Beside them: the column descriptors that give Qt's sections
// identifiers and per-column width limits, column persistence in the user
// defaults, selection helpers, the sort indicator, fitting the columns and
// hiding the header.
//
// Columns: the descriptor list maps each logical section (the model's
// column) to an identifier; "column" numbers in this interface are display
// positions (visual indexes), as a table's columns are in display order.
//
// Persistence: the order of the identifiers goes under "TableView Columns
// %@" and their widths under "TableView Column Widths %@" (%@ the autosave
// name). With autosaving on, a table restores its columns when its columns
// or its autosave name are set and saves them whenever a column is moved,
// resized, hidden or shown; autosaving also keeps which columns are hidden,
// under "NSTableView Hidden Columns %@". A hidden column keeps (and saves)
// the width it had when shown.

#include "foundation/range.h"
#include "interface/appearance.h"
#include "interface/responder_hooks.h"

#include <QFont>
#include <QHeaderView>
#include <QItemSelection>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

#include <optional>

class QClipboard;
class QPagedPaintDevice;
class QMenu;

namespace sorvant {

class UserDefaults;
class TableView;
struct ColumnSize;

// --- columns --------------------------------------------------------------------------
inline constexpr int kTableColumnNoResizing = 0;
inline constexpr int kTableColumnAutoresizingMask = 1;
inline constexpr int kTableColumnUserResizingMask = 2;

struct TableColumn
{
    QString identifier;
    QString title;
    double width = 100;
    double minWidth = 10;
    double maxWidth = 1e6;
    int resizingMask = kTableColumnAutoresizingMask | kTableColumnUserResizingMask;
    bool editable = false;
    bool hidden = false;
    // The column's cell; the table takes ownership when the column is set.
    QPointer<QAbstractItemDelegate> cell;

    [[nodiscard]] static TableColumn tableColumnWithIdentifier(const QString& identifier, const QString& title,
                                                               bool resizable, bool editable);
    [[nodiscard]] static TableColumn tableColumnWithIdentifier(const QString& identifier, const QString& title,
                                                               double width, double minWidth, double maxWidth,
                                                               bool resizable, bool editable);
    // Minimum, maximum and width all `width`: the column cannot be resized.
    void setFixWidth(double width);
    // A fixed width of floor(width of `sample` in `font`) + margin.
    void setFixWidthUsingTemplate(const QString& sample, double margin, const QFont& font);
    void setFixWidthForShortDateAndTimeUsingMargin(double margin, const QFont& font);
    // A date column: width 60-240, resizable, a DateCell in `font`.
    void setDateCellWithFont(const QFont& font, Qt::Alignment alignment);
    // "<TableColumn \"title\": identifier>"
    [[nodiscard]] QString description() const;
};

// Which columns take up a change of the table's width: none (the width
// shows as a gap or a scroll bar), every column with the autoresizing mask
// alike, the last or the first column with that mask (Sequential,
// ReverseSequential), the last or the first column whatever its mask. The
// column that takes it follows the width and is not resized by hand; it
// stays within its minimum and maximum (past its maximum the rest of the
// width shows as a gap). Switching the style leaves every width as it is.
enum class ColumnAutoresizingStyle : int {
    None = 0,
    Uniform = 1,
    Sequential = 2,
    ReverseSequential = 3,
    LastColumnOnly = 4,
    FirstColumnOnly = 5,
};

// floor(width of 31 December 2007 10:59:59 as short date and time in `font`)
// + max(2, margin); the template "00:00:0000 00-00-00" when the date has no text.
[[nodiscard]] double widthForShortDateAndTimeUsingMargin(double margin, const QFont& font);

// Hook of a table's model: the rows to copy or drag, written to `pasteboard`.
class TableRowsWriting
{
public:
    virtual ~TableRowsWriting() = default;
    virtual bool tableViewWriteRowsWithIndexes(TableView* table, const QList<int>& rows, QClipboard* pasteboard) = 0;
};

// --- TableView ---------------------------------------------------------------------------
class TableView : public QTableView, public MenuItemValidation, public AppearanceObserver
{
    Q_OBJECT
public:
    static constexpr double kPreferredHeaderHeight = 25;

    explicit TableView(QWidget* parent = nullptr);
    ~TableView() override;

    // --- columns
    void setTableColumns(const QList<TableColumn>& columns);
    // The columns in display order, with their current widths and hidden state.
    [[nodiscard]] QList<TableColumn> tableColumns() const;
    [[nodiscard]] int numberOfColumns() const;
    // The display position of the column, -1 when there is none.
    [[nodiscard]] int columnWithIdentifier(const QString& identifier) const;
    [[nodiscard]] QString identifierOfColumn(int column) const;
    [[nodiscard]] int logicalIndexOfIdentifier(const QString& identifier) const;
    [[nodiscard]] TableColumn tableColumnAtLogicalIndex(int logical) const { return m_columns.value(logical); }
    void moveColumn(int from, int to);
    void setWidthOfColumn(int column, double width);
    [[nodiscard]] double widthOfColumn(int column) const;
    void setHiddenOfColumn(const QString& identifier, bool hidden);
    [[nodiscard]] bool isHiddenColumn(const QString& identifier) const;

    // --- persistence
    [[nodiscard]] QString autosaveName() const { return m_autosaveName; }
    void setAutosaveName(const QString& name);
    void setAutosaveTableColumns(bool flag);
    void saveColumnsWithAutosaveName(const QString& name) const;
    void restoreColumnsWithAutosaveName(const QString& name);
    void saveColumns() const { saveColumnsWithAutosaveName(m_autosaveName); }
    void restoreColumns() { restoreColumnsWithAutosaveName(m_autosaveName); }
    static void removeSavedColumnsWithAutosaveName(const QString& name, UserDefaults& defaults);
    [[nodiscard]] bool hasAutosavedColumns() const;
    // Logs and answers the columns' widths and limits.
    QString dumpColumnsWithAutosaveName(const QString& name, const QString& description) const;
    // Where columns are kept; the standard defaults unless set.
    void setUserDefaults(UserDefaults* defaults) { m_defaults = defaults; }
    [[nodiscard]] UserDefaults& userDefaults() const;

    // --- model and cells
    // The model, and the cell of the columns that have none of their own
    // (null: the toolkit's one-line text cell, as the table starts with);
    // removeDataSourceAndDelegate leaves no model and that text cell.
    void setDataSourceAndDelegate(QAbstractItemModel* dataSource, QAbstractItemDelegate* delegate);
    void removeDataSourceAndDelegate() { setDataSourceAndDelegate(nullptr, nullptr); }
    // A double click on a row sends `selector` to `target` (the responder
    // chain when null; nothing once a given target is gone); an empty
    // selector sends nothing.
    void setDoubleAction(const QByteArray& selector, QObject* target = nullptr);

    // --- empty table
    [[nodiscard]] QString alternateString() const { return m_alternateString; }
    void setAlternateString(const QString& string);

    // --- scrolling: row-aligned scrolling is Qt's per-item mode
    void setRasteredScrolling(bool flag);
    [[nodiscard]] bool rasteredScrolling() const { return m_rasteredScrolling; }

    // --- selection (rows are display rows; -1 means none)
    [[nodiscard]] int numberOfRows() const;
    [[nodiscard]] bool supportsClickedRow() const { return false; }
    [[nodiscard]] QList<int> selectionIndexes() const;
    // The selected rows as runs of adjacent rows {first row, count}, in
    // order, read off the selection's ranges without visiting each row
    // when every range covers whole rows (the rows of Ctrl+A over 150,000
    // rows: one run). Empty without a selection.
    //   rows 2-5 and 9 selected => {{2, 4}, {9, 1}}   none => {}
    [[nodiscard]] QList<Range> selectedRowRuns() const;
    [[nodiscard]] int selectionRow() const;
    // The number of selected rows, summed over selectedRowRuns().
    [[nodiscard]] int countOfSelection() const;
    [[nodiscard]] int firstSelectedRow() const;
    [[nodiscard]] int lastSelectedRow() const;
    [[nodiscard]] QList<int> selectedColumns() const;
    [[nodiscard]] int firstSelectedColumn() const;
    [[nodiscard]] int lastSelectedColumn() const;
    void selectRowIndex(int row, bool extend = false);
    void selectRows(const QList<int>& rows, bool extend);
    void selectAndScrollRowToVisible(int row);
    // Scrolls the first selected row into view once events have run,
    // leaving the horizontal position as it is; nothing without a
    // selection. After a sort moved the selected item, this brings it back
    // in sight.
    void scrollSelectedRowToVisible();
    void selectColumnIndex(int column, bool extend = false);
    void deselectRow(int row);
    void deselectAndReloadData();
    // Reloads from the model, keeping the selected rows that still exist.
    void reloadData();
    void endEditing();
    // Redraws one row (nothing outside the table), or the visible ones.
    void displayRow(int row);
    void displayVisibleRows();
    void displayRows() { viewport()->update(); }
    // What a drag of rows may do: everything inside the application, a copy
    // outside it.
    [[nodiscard]] static Qt::DropActions sourceOperationMask(bool insideApplication);
    // Selects the row under `position` (viewport coordinates) unless it is
    // selected, after taking the focus.
    void handleMenuEvent(const QPoint& position);
    // The row a menu highlight would outline (-1 for none; nothing is added
    // while clicked rows are not supported).
    int addMenuHighlightViewForEvent(const QPoint& position);
    int removeMenuHighlightView() { return -1; }
    // Starts editing column 0 of the one selected row.
    bool makeSelectedCellViewTextFieldFirstResponder();
    [[nodiscard]] Range visibleRange() const;

    // --- sorting and sizing
    void highlightColumnWithIdentifier(const QString& identifier, bool reverseSorting);
    void removeIndicatorImage();
    [[nodiscard]] QString highlightedColumnIdentifier() const;
    void sizeColumnsToFit(bool onlyGrow);
    // The columns that take up a width change follow it within their limits
    // and are fixed for the hand; the others keep their own user-resizing
    // (None at start).
    void setColumnAutoresizing(ColumnAutoresizingStyle style);
    [[nodiscard]] ColumnAutoresizingStyle columnAutoresizing() const { return m_columnAutoresizing; }
    void setHeaderHidden(bool hidden);
    [[nodiscard]] bool isHeaderHidden() const { return horizontalHeader()->isHidden(); }
    // The height that shows `rows` whole rows of the default height under
    // the header, with the frame and room for a horizontal scroll bar.
    [[nodiscard]] int heightShowingRows(int rows) const;

    // --- grid lines: kGridNone, or vertical and/or horizontal solid lines
    // in the style's grid colour. Qt's own grid draws both at once.
    enum GridStyleMask : unsigned { kGridNone = 0, kSolidVerticalGridLineMask = 1, kSolidHorizontalGridLineMask = 2 };
    void setGridStyleMask(unsigned mask);
    [[nodiscard]] unsigned gridStyleMask() const { return m_gridStyleMask; }

    // --- highlight
    [[nodiscard]] bool isSelectionHighlightStyleSourceList() const { return m_sourceList; }
    virtual void setSelectionHighlightStyleSourceList(bool flag);
    [[nodiscard]] bool usesSelectionHighlightStyleSourceList() const { return m_sourceList; }

    // --- printing
    // The bottom of a page starting at `top` that cuts no row.
    [[nodiscard]] double adjustPageHeight(double top, double proposedBottom, double printableWidth) const;
    // Draws the table as on paper (no selection, no stripes or grid, light
    // appearance, black text) into `painter`.
    void drawToPaper(QPainter& painter);
    // Prints every row on `device` as on paper: fitted to the page width and
    // centred, the header on the first page, page breaks between rows.
    // Answers the number of pages (0 when the device cannot be painted).
    int printToDevice(QPagedPaintDevice& device);

    // --- hooks
    bool validateMenuItem(QAction* item) override;
    void AppleInterfaceStyleDidChange(const QVariant& notification) override;

    static QString clickedNotificationName() { return QStringLiteral("TableViewClickedNotification"); }

    using QTableView::selectAll;

public slots:
    void copy(QObject* sender = nullptr);
    void selectAll(QObject* sender);
    void deselectAll(QObject* sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    // Home and End select the first and last row; with Shift they extend
    // the selection to it (extendSelectionToRow).
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;
    // Paper drawing: each subclass drops what paper does not show.
    virtual void preparePaperDrawing(bool paper);

private:
    // Selects from the selection's anchor to `row` (0 or the last row), as
    // the table's own Shift keys extend it.
    void extendSelectionToRow(int row);
    void headerSectionResized(int logical, int oldSize, int newSize);
    void columnsChanged();
    // saveColumns and the hidden columns; restoreColumns and the hidden ones.
    void autosaveColumns() const;
    void restoreAutosavedColumns();
    // The save a column change asked for, if it has not run yet.
    void savePendingColumns();
    void applyColumn(int logical);
    // Once restored widths meet the table's first real width: the last
    // column narrowed so that the columns fit (fittedLastColumnWidth).
    void fitRestoredColumns();
    // The sizes of the shown columns in visual order, their logical indexes
    // appended to `logicals`.
    [[nodiscard]] QList<ColumnSize> shownColumnSizes(QList<int>* logicals) const;
    // Each column's resize mode (fixed for the columns that follow the
    // table's width, else its own) and their fit, after the style, the
    // columns' order or their hidden state changed.
    void applyColumnAutoresizing();
    // The columns of the style share the width the other shown columns
    // leave, each within its minimum and maximum.
    void fitAutoresizedColumns();
    // Columns described before their sections existed (a model set after
    // the columns) get their widths, hidden state, cells and saved layout.
    void headerSectionCountChanged(int oldCount, int newCount);
    [[nodiscard]] QList<int> autoresizedColumns() const;
    void drawGridLines(QPainter& painter) const;

    QList<TableColumn> m_columns; // by logical index
    unsigned m_gridStyleMask = kGridNone;
    QString m_alternateString;
    QString m_autosaveName;
    bool m_autosaveColumns = false;
    bool m_restoring = false;
    bool m_fitRestoredColumns = false;
    bool m_savePending = false;
    bool m_rasteredScrolling = false;
    bool m_sourceList = false;
    bool m_doubleClicked = false;
    bool m_fittingColumns = false;
    int m_lastFittedWidth = -1;
    ColumnAutoresizingStyle m_columnAutoresizing = ColumnAutoresizingStyle::None;
    QByteArray m_doubleAction;
    QPointer<QObject> m_doubleTarget;
    bool m_hasDoubleTarget = false;
    QPointer<QAbstractItemDelegate> m_textCell;
    UserDefaults* m_defaults = nullptr;
    QPalette m_screenPalette;
    QItemSelection m_screenSelection;
};

// --- StripeTableView -----------------------------------------------------------------------
class StripeTableView : public TableView
{
    Q_OBJECT
public:
    explicit StripeTableView(QWidget* parent = nullptr);
    ~StripeTableView() override;

    [[nodiscard]] bool alternatingRowColorsEnabled() const { return m_alternatingRowColorsEnabled; }
    void setAlternatingRowColorsEnabled(bool flag);
    void setSelectionHighlightStyleSourceList(bool flag) override;
    void setDefaultSelectionHighlightStyleSourceList();

    // Stripes for every striped table of the process (YES at start); a change
    // posts "StripeTableViewOptionsDidChange".
    static void setUsesAlternatingRowColors(bool flag);
    [[nodiscard]] static bool usesAlternatingRowColors();
    static QString optionsDidChangeNotificationName() { return QStringLiteral("StripeTableViewOptionsDidChange"); }

protected:
    void preparePaperDrawing(bool paper) override;

private:
    void optionsDidChange();

    bool m_alternatingRowColorsEnabled = true;
    unsigned m_screenGrid = kSolidVerticalGridLineMask;
    quint64 m_observer = 0;
};

// --- header menu -----------------------------------------------------------------------------
// A menu of the table's columns, checked when visible, that shows or hides
// the column chosen; the column `primaryIdentifier` is left out.
[[nodiscard]] QMenu* defaultMenuExceptPrimaryTableColumnIdentifier(TableView* table, const QString& primaryIdentifier,
                                                                   QWidget* parent = nullptr);
// Flips the hidden state of the column named by the item's data; NO (and a
// beep) when the table has no such column.
bool toggleTableColumn(TableView* table, const QAction* item);

// The header of every TableView: section titles from the column descriptors.
class TableColumnHeaderView : public QHeaderView
{
    Q_OBJECT
public:
    explicit TableColumnHeaderView(TableView* table);
    [[nodiscard]] TableView* tableView() const;

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override;
};

// A header that always offers the column menu.
class TableHeaderView : public TableColumnHeaderView
{
    Q_OBJECT
public:
    explicit TableHeaderView(TableView* table);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};

// A header that draws the one-point border line along its top.
class TopBorderedTableHeaderView : public TableColumnHeaderView
{
    Q_OBJECT
public:
    explicit TopBorderedTableHeaderView(TableView* table);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace sorvant
