#include "interface/table_view.h"
#include "interface/table_geometry.h"

#include "foundation/user_defaults_getters.h"
#include "interface/action_router.h"
#include "interface/table_cells.h"
#include "platform/notification_center.h"
#include "tests/interface/support.h"
#include "tests/interface/widget_helpers.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QScreen>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOption>
#include <QStyledItemDelegate>
#include <QTest>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// Rows of names whose copy collects the names of the rows given.
class NamesModel : public QStandardItemModel, public TableRowsWriting
{
public:
    NamesModel(int rows, int columns)
        : QStandardItemModel(rows, columns)
    {
        for (int row = 0; row < rows; ++row)
            for (int column = 0; column < columns; ++column)
                setItem(row, column, new QStandardItem(QStringLiteral("r%1c%2").arg(row).arg(column)));
    }

    bool tableViewWriteRowsWithIndexes(TableView*, const QList<int>& rows, QClipboard*) override
    {
        written = rows;
        return accept;
    }

    QList<int> written;
    bool accept = true;
};

// A table that starts editing on Return.
class EditingTable : public TableView, public EditSelection
{
public:
    void editSelection(QObject*) override { ++edits; }
    int edits = 0;
};

QList<TableColumn> threeColumns()
{
    return {TableColumn::tableColumnWithIdentifier(QStringLiteral("file"), QStringLiteral("Name"), 120, 60, 400, true, false),
            TableColumn::tableColumnWithIdentifier(QStringLiteral("modified"), QStringLiteral("Date"), 90, 60, 240, true, false),
            TableColumn::tableColumnWithIdentifier(QStringLiteral("path"), QStringLiteral("Path"), 200, 40, 1000, true, false)};
}

QStringList identifiers(const TableView& table)
{
    QStringList result;
    for (const TableColumn& column : table.tableColumns())
        result.append(column.identifier);
    return result;
}

class TableViewTest : public test::DefaultsFixture
{
protected:
    void SetUp() override
    {
        table.setUserDefaults(&defaults);
        table.setModel(&model);
        table.setTableColumns(threeColumns());
        table.resize(500, 200);
    }

    NamesModel model{40, 3};
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
    TableView table;
};

TEST_F(TableViewTest, ColumnsKeepTheirLimitsAndIdentifiers)
{
    EXPECT_EQ(identifiers(table), (QStringList{"file", "modified", "path"}));
    table.setWidthOfColumn(1, 500);
    EXPECT_EQ(table.widthOfColumn(1), 240);
    table.horizontalHeader()->resizeSection(0, 10); // as a user's drag would
    EXPECT_EQ(table.widthOfColumn(0), 60);
    table.moveColumn(2, 0);
    EXPECT_EQ(table.columnWithIdentifier(QStringLiteral("path")), 0);
    EXPECT_EQ(table.columnWithIdentifier(QStringLiteral("none")), -1);
    EXPECT_EQ(threeColumns()[0].description(), QStringLiteral("<TableColumn \"Name\": file>"));
}

TEST_F(TableViewTest, ColumnLayoutIsSavedAndRestoredByIdentifier)
{
    table.moveColumn(2, 0);
    table.setWidthOfColumn(0, 321);
    table.saveColumnsWithAutosaveName(QStringLiteral("T"));
    EXPECT_EQ(arrayForKey(defaults, QStringLiteral("TableView Columns T")),
              (QVariantList{"path", "file", "modified"}));
    EXPECT_FLOAT_EQ(dictionaryForKey(defaults, QStringLiteral("TableView Column Widths T")).value("path").toFloat(), 321);
    EXPECT_FALSE(table.hasAutosavedColumns()); // only the platform's keys count

    // A later version of the table without the "file" column, in its own order.
    QList<TableColumn> columns = threeColumns();
    columns.removeFirst();
    columns.append(TableColumn::tableColumnWithIdentifier(QStringLiteral("kind"), QStringLiteral("Kind"), false, false));
    TableView later;
    NamesModel laterModel(3, 3);
    later.setUserDefaults(&defaults);
    later.setModel(&laterModel);
    later.setTableColumns(columns);
    later.setAutosaveName(QStringLiteral("T"));
    later.setAutosaveTableColumns(true);
    EXPECT_EQ(identifiers(later), (QStringList{"path", "modified", "kind"}));
    EXPECT_EQ(later.widthOfColumn(0), 321);

    // With autosaving on, a moved column is saved once events run.
    later.moveColumn(2, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(arrayForKey(defaults, QStringLiteral("TableView Columns T")).first(), QVariant("kind"));

    TableView::removeSavedColumnsWithAutosaveName(QStringLiteral("T"), defaults);
    EXPECT_FALSE(defaults.objectForKey(QStringLiteral("TableView Columns T")).isValid());
    table.saveColumnsWithAutosaveName(QString()); // an empty name writes nothing
    EXPECT_FALSE(defaults.objectForKey(QStringLiteral("TableView Columns ")).isValid());
}

TEST_F(TableViewTest, WidthsThatAreNotADictionaryAreIgnored)
{
    defaults.setObject(QVariantList{"modified"}, QStringLiteral("TableView Columns W"));
    defaults.setObject(QStringLiteral("wide"), QStringLiteral("TableView Column Widths W"));
    table.restoreColumnsWithAutosaveName(QStringLiteral("W"));
    EXPECT_EQ(identifiers(table), (QStringList{"modified", "file", "path"}));
    EXPECT_EQ(table.widthOfColumn(0), 90);
    // A damaged entry of a width dictionary leaves its column alone.
    defaults.setObject(QVariantMap{{"modified", "wide"}, {"path", 333.0}}, QStringLiteral("TableView Column Widths W"));
    table.restoreColumnsWithAutosaveName(QStringLiteral("W"));
    EXPECT_EQ(table.widthOfColumn(0), 90);
    EXPECT_EQ(table.widthOfColumn(2), 333);
}

TEST_F(TableViewTest, SavedColumnWidthPastTheScreenRegression)
{
    // A width from the settings file wider than the screen (a long name
    // once sized the column) is cut to the screen, not kept to push the
    // table and its window wider.
    const int screenWidth = table.screen()->availableGeometry().width();
    ASSERT_LT(screenWidth, 1000) << "the path column's maximum must exceed the screen";
    defaults.setObject(QVariantMap{{"path", 5000.0}, {"file", qInf()}}, QStringLiteral("TableView Column Widths W"));
    table.restoreColumnsWithAutosaveName(QStringLiteral("W"));
    EXPECT_EQ(table.widthOfColumn(table.columnWithIdentifier(QStringLiteral("path"))), screenWidth);
    EXPECT_EQ(table.widthOfColumn(table.columnWithIdentifier(QStringLiteral("file"))), 120);
}

TEST_F(TableViewTest, SavedLastColumnWiderThanTheWindowRegression)
{
    // Widths saved from a wide window (its stretched last column 600 wide)
    // came back into a 500-wide table unchanged, the last column's text
    // cut until scrolled. The last column is narrowed to fit once the table
    // shows; the others keep the user's widths.
    defaults.setObject(QVariantMap{{"file", 120.0}, {"modified", 90.0}, {"path", 600.0}},
                       QStringLiteral("TableView Column Widths F"));
    table.restoreColumnsWithAutosaveName(QStringLiteral("F"));
    EXPECT_EQ(table.widthOfColumn(2), 600) << "hidden, the table has no width of its own yet";
    table.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));
    const int visible = table.viewport()->width();
    EXPECT_EQ(table.widthOfColumn(0), 120);
    EXPECT_EQ(table.widthOfColumn(1), 90);
    EXPECT_EQ(table.widthOfColumn(2), visible - 210);
    EXPECT_EQ(table.horizontalScrollBar()->maximum(), 0);
    // Only restored widths are fitted: the user may widen a column past it.
    table.setWidthOfColumn(2, 700);
    table.resize(450, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(table.widthOfColumn(2), 700);
}

TEST(FittedLastColumnWidth, NarrowsOnlyTheLastColumnDownToItsMinimum)
{
    EXPECT_EQ(fittedLastColumnWidth({{100, 0, 1e6}, {500, 50, 1000}}, 400), 300);
    EXPECT_EQ(fittedLastColumnWidth({{100, 0, 1e6}, {500, 450, 1000}}, 400), 450);
    EXPECT_EQ(fittedLastColumnWidth({{100, 0, 1e6}, {200, 50, 1000}}, 400), std::nullopt);
    EXPECT_EQ(fittedLastColumnWidth({{100, 0, 1e6}, {300, 300, 1000}}, 350), std::nullopt);
    EXPECT_EQ(fittedLastColumnWidth({}, 400), std::nullopt);
}

TEST_F(TableViewTest, SortIndicatorFollowsColumnAndDirection)
{
    table.highlightColumnWithIdentifier(QStringLiteral("modified"), true);
    EXPECT_EQ(table.highlightedColumnIdentifier(), QStringLiteral("modified"));
    EXPECT_EQ(table.horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    table.highlightColumnWithIdentifier(QStringLiteral("file"), false);
    EXPECT_EQ(table.horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    table.highlightColumnWithIdentifier(QStringLiteral("gone"), false);
    EXPECT_EQ(table.highlightedColumnIdentifier(), QString());
    table.highlightColumnWithIdentifier(QStringLiteral("path"), false);
    table.removeIndicatorImage();
    EXPECT_EQ(table.highlightedColumnIdentifier(), QString());
}

TEST_F(TableViewTest, SelectionSurvivesAReloadWhereRowsRemain)
{
    table.selectRows({2, 5, 39}, false);
    EXPECT_EQ(table.selectionIndexes(), (QList<int>{2, 5, 39}));
    model.removeRows(30, 10);
    table.reloadData();
    EXPECT_EQ(table.selectionIndexes(), (QList<int>{2, 5}));
    table.selectRowIndex(99); // outside: unchanged
    EXPECT_EQ(table.firstSelectedRow(), 2);
    EXPECT_EQ(table.lastSelectedRow(), 5);
    table.deselectAndReloadData();
    EXPECT_EQ(table.firstSelectedRow(), -1);
}

// The selected rows as runs, however the selection's ranges came: whole
// rows in any order, overlapping, or a few columns of a row.
TEST_F(TableViewTest, SelectedRowRunsJoinTheRangesInRowOrder)
{
    const auto rowsOf = [this](int top, int bottom) {
        return QItemSelection(model.index(top, 0), model.index(bottom, 2));
    };
    const struct
    {
        const char* name;
        QList<QItemSelection> selections; // selected one after another
        QList<Range> runs;
    } cases[] = {
        {"none", {}, {}},
        {"one row", {rowsOf(3, 3)}, {makeRange(3, 1)}},
        {"all", {rowsOf(0, 39)}, {makeRange(0, 40)}},
        {"out of order", {rowsOf(20, 22), rowsOf(2, 5)}, {makeRange(2, 4), makeRange(20, 3)}},
        {"overlapping", {rowsOf(2, 8), rowsOf(5, 12)}, {makeRange(2, 11)}},
        {"adjacent", {rowsOf(9, 10), rowsOf(2, 8)}, {makeRange(2, 9)}},
        {"part of a row", {QItemSelection(model.index(7, 0), model.index(7, 1))}, {}},
        {"a row in two parts",
         {QItemSelection(model.index(7, 0), model.index(7, 1)), QItemSelection(model.index(7, 2), model.index(7, 2))},
         {makeRange(7, 1)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        table.selectionModel()->clearSelection();
        for (const QItemSelection& selection : c.selections)
            table.selectionModel()->select(selection, QItemSelectionModel::Select);
        EXPECT_EQ(table.selectedRowRuns(), c.runs);
        QList<int> rows;
        for (const Range& run : c.runs) {
            for (qsizetype row = run.location; row < run.maxRange(); ++row)
                rows.append(int(row));
        }
        EXPECT_EQ(table.selectionIndexes(), rows);
        EXPECT_EQ(table.countOfSelection(), rows.size());
        EXPECT_EQ(table.firstSelectedRow(), rows.isEmpty() ? -1 : rows.constFirst());
        EXPECT_EQ(table.lastSelectedRow(), rows.isEmpty() ? -1 : rows.constLast());
    }
}

TEST_F(TableViewTest, CopyHandsTheSelectedRowsToTheDataSource)
{
    QAction copy;
    bindAction(&copy, "copy:");
    EXPECT_FALSE(table.validateMenuItem(&copy)); // nothing selected
    table.selectRows({3, 1}, false);
    EXPECT_TRUE(table.validateMenuItem(&copy));
    table.copy();
    EXPECT_EQ(model.written, (QList<int>{1, 3}));

    QStandardItemModel plain(2, 1);
    table.setModel(&plain);
    table.selectRowIndex(0);
    EXPECT_FALSE(table.validateMenuItem(&copy)); // the model cannot write rows
}

TEST_F(TableViewTest, EditCommandsAreValidatedBySelection)
{
    QAction selectAll;
    QAction deselectAll;
    QAction undo;
    bindAction(&selectAll, "selectAll:");
    bindAction(&deselectAll, "deselectAll:");
    bindAction(&undo, "undo:");
    table.setSelectionMode(QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(table.validateMenuItem(&selectAll));
    EXPECT_FALSE(table.validateMenuItem(&deselectAll));
    EXPECT_FALSE(table.validateMenuItem(&undo));
    table.setSelectionMode(QAbstractItemView::SingleSelection);
    EXPECT_FALSE(table.validateMenuItem(&selectAll));
    table.selectRowIndex(0);
    EXPECT_TRUE(table.validateMenuItem(&deselectAll));
}

TEST_F(TableViewTest, SizeColumnsToFitFillsTheVisibleWidth)
{
    test::activate(table);
    const int visible = table.viewport()->width();
    table.sizeColumnsToFit(true);
    double total = 0;
    for (const TableColumn& column : table.tableColumns())
        total += column.width;
    EXPECT_EQ(total, visible);
    EXPECT_LE(table.widthOfColumn(1), 240);
}

TEST_F(TableViewTest, HeaderMenuTogglesColumns)
{
    table.setHiddenOfColumn(QStringLiteral("modified"), true);
    std::unique_ptr<QMenu> menu(defaultMenuExceptPrimaryTableColumnIdentifier(&table, QStringLiteral("file")));
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), QStringLiteral("Date"));
    EXPECT_FALSE(items[0]->isChecked());
    EXPECT_TRUE(items[1]->isChecked());
    items[0]->trigger();
    EXPECT_FALSE(table.isHiddenColumn(QStringLiteral("modified")));
    items[1]->trigger();
    EXPECT_TRUE(table.isHiddenColumn(QStringLiteral("path")));

    QAction stale;
    stale.setData(QStringLiteral("removed"));
    EXPECT_FALSE(toggleTableColumn(&table, &stale));
}

// --- model, cells and double action ---------------------------------------------------------

// Answers "openRow:" and counts the calls.
class RowOpener : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
    int opened = 0;
public slots:
    void openRow(QObject*) { ++opened; }
};

// A cell that counts what it paints.
class CountingCell : public QStyledItemDelegate
{
public:
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        ++painted;
        QStyledItemDelegate::paint(painter, option, index);
    }
    mutable int painted = 0;
};

// The model and the cell go in together and out together; without a cell of
// its own the table paints with its text cell.
TEST(TableViewWiring, DataSourceAndDelegateGoInAndOutTogether)
{
    TableView table;
    NamesModel model(5, 1);
    CountingCell cell;
    table.resize(200, 150);
    table.setDataSourceAndDelegate(&model, &cell);
    EXPECT_EQ(table.numberOfRows(), 5);
    (void)table.grab();
    EXPECT_GE(cell.painted, 5);

    table.removeDataSourceAndDelegate();
    EXPECT_EQ(table.numberOfRows(), 0);
    table.setDataSourceAndDelegate(&model, nullptr);
    const int before = cell.painted;
    const QImage shot = table.grab().toImage();
    EXPECT_EQ(cell.painted, before);
    EXPECT_NE(qobject_cast<TextFieldCell*>(table.itemDelegate()), nullptr);
    EXPECT_GT(test::inkPixels(shot, table.visualRect(model.index(0, 0)), shot.pixelColor(table.visualRect(model.index(0, 0)).topRight())), 0);
}

// Regression: columns described before the model came got neither their
// widths, nor their hidden state, nor their cells.
TEST(TableViewWiring, ColumnsDescribedBeforeTheModelApplyWhenItComes)
{
    TableView table;
    QList<TableColumn> columns = threeColumns();
    auto* cell = new CountingCell;
    columns[1].cell = cell;
    columns[2].hidden = true;
    table.setTableColumns(columns);
    NamesModel model(3, 3);
    table.setDataSourceAndDelegate(&model, nullptr);
    EXPECT_EQ(table.widthOfColumn(0), 120);
    EXPECT_EQ(table.widthOfColumn(1), 90);
    EXPECT_TRUE(table.isHiddenColumn(QStringLiteral("path")));
    EXPECT_EQ(table.itemDelegateForColumn(1), cell);
}

// A double click on a row sends the action to the target, or along the
// responder chain without one; a target that is gone gets nothing and
// nothing else does.
// A shown window with a table of five rows that has the focus.
struct RowsToOpen
{
    RowsToOpen()
    {
        table->setDataSourceAndDelegate(&model, nullptr);
        table->setGeometry(0, 0, 200, 150);
        test::activate(window);
        table->setFocus();
    }
    [[nodiscard]] QPoint row(int index) const { return table->visualRect(model.index(index, 0)).center(); }
    NamesModel model {5, 1};
    RowOpener window;
    TableView* table = new TableView(&window);
};

TEST(TableViewWiring, DoubleActionGoesToItsTargetOrTheChain)
{
    RowsToOpen rows;
    RowOpener& window = rows.window;
    TableView* table = rows.table;
    const QPoint row1 = rows.row(1);

    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, row1);
    EXPECT_EQ(window.opened, 0); // no double action yet

    RowOpener target;
    table->setDoubleAction("openRow:", &target);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, row1);
    EXPECT_EQ(target.opened, 1);
    EXPECT_EQ(window.opened, 0);

    table->setDoubleAction("openRow:");
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, row1);
    EXPECT_EQ(window.opened, 1);

    auto* gone = new RowOpener;
    table->setDoubleAction("openRow:", gone);
    delete gone;
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, row1);
    EXPECT_EQ(window.opened, 1);

    table->setDoubleAction({});
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, row1);
    EXPECT_EQ(window.opened, 1);
}

// Regression: a middle or right double click opened the row, since Qt says
// doubleClicked for every button. Only the left button's does; the others
// still select the row they press.
TEST(TableViewWiring, DoubleActionIsTheLeftButtonsOnly)
{
    RowsToOpen rows;
    RowOpener& window = rows.window;
    TableView* table = rows.table;
    NamesModel& model = rows.model;
    table->setDoubleAction("openRow:");
    int doubleClicks = 0;
    QObject::connect(table, &QAbstractItemView::doubleClicked, table, [&] { ++doubleClicks; });
    const QPoint row1 = rows.row(1);
    const QPoint row3 = rows.row(3);
    // As the window system sends it: press, release, double click, release.
    const auto doubleClick = [&](Qt::MouseButton button, QPoint at) {
        QTest::mousePress(table->viewport(), button, {}, at);
        QTest::mouseRelease(table->viewport(), button, {}, at);
        QTest::mouseDClick(table->viewport(), button, {}, at);
        QTest::mouseRelease(table->viewport(), button, {}, at);
    };
    doubleClick(Qt::MiddleButton, row1);
    doubleClick(Qt::RightButton, row3);
    EXPECT_EQ(window.opened, 0);
    EXPECT_EQ(doubleClicks, 0);
    EXPECT_EQ(table->selectionModel()->selectedRows(), QModelIndexList{model.index(3, 0)});
    doubleClick(Qt::LeftButton, row1);
    EXPECT_EQ(window.opened, 1);
    EXPECT_EQ(doubleClicks, 1);
}

// --- column autoresizing ---------------------------------------------------------------------

struct AutoresizingCase {
    const char* name;
    ColumnAutoresizingStyle style;
    // Columns (by identifier) without the autoresizing mask.
    QStringList fixedByMask;
    // The columns that take up the width.
    QStringList taking;
};

class ColumnAutoresizing : public ::testing::TestWithParam<AutoresizingCase> {};

// The three columns with room to grow: a column stops at its maximum width.
QList<TableColumn> roomyColumns()
{
    QList<TableColumn> columns = threeColumns();
    for (TableColumn& column : columns)
        column.maxWidth = 1000;
    return columns;
}

// Starting at 120, 90 and 200 points, the table grows to 600: the columns
// of the style take up the rest, the others keep their width.
TEST_P(ColumnAutoresizing, TheStylesColumnsTakeUpTheWidth)
{
    const AutoresizingCase& c = GetParam();
    TableView table;
    NamesModel model(3, 3);
    table.setDataSourceAndDelegate(&model, nullptr);
    QList<TableColumn> columns = roomyColumns();
    for (TableColumn& column : columns)
        if (c.fixedByMask.contains(column.identifier))
            column.resizingMask = kTableColumnUserResizingMask;
    table.setTableColumns(columns);
    table.setColumnAutoresizing(c.style);
    table.resize(600, 200);
    test::activate(table);
    const QMap<QString, double> initial{{"file", 120}, {"modified", 90}, {"path", 200}};
    double total = 0;
    for (const TableColumn& column : table.tableColumns()) {
        SCOPED_TRACE(column.identifier.toStdString());
        total += column.width;
        if (c.taking.contains(column.identifier))
            EXPECT_GT(column.width, initial.value(column.identifier));
        else
            EXPECT_EQ(column.width, initial.value(column.identifier));
    }
    if (c.style == ColumnAutoresizingStyle::None)
        EXPECT_EQ(total, 410);
    else
        EXPECT_EQ(total, table.viewport()->width());
}

INSTANTIATE_TEST_SUITE_P(
    Styles, ColumnAutoresizing,
    ::testing::Values(
        AutoresizingCase{"None", ColumnAutoresizingStyle::None, {}, {}},
        AutoresizingCase{"Uniform", ColumnAutoresizingStyle::Uniform, {"modified"}, {"file", "path"}},
        AutoresizingCase{"Sequential", ColumnAutoresizingStyle::Sequential, {"path"}, {"modified"}},
        AutoresizingCase{"ReverseSequential", ColumnAutoresizingStyle::ReverseSequential, {"file"}, {"modified"}},
        AutoresizingCase{"LastColumnOnly", ColumnAutoresizingStyle::LastColumnOnly, {"path"}, {"path"}},
        AutoresizingCase{"FirstColumnOnly", ColumnAutoresizingStyle::FirstColumnOnly, {"file"}, {"file"}}),
    [](const ::testing::TestParamInfo<AutoresizingCase>& row) { return std::string(row.param.name); });

// The first or last column is the one in display order and on screen: a
// move or hiding passes the width on, and the column left behind can be
// resized by hand again.
TEST(ColumnAutoresizingOrder, FollowsMovesAndHiddenColumns)
{
    TableView table;
    NamesModel model(3, 3);
    table.setDataSourceAndDelegate(&model, nullptr);
    table.setTableColumns(roomyColumns());
    table.setColumnAutoresizing(ColumnAutoresizingStyle::FirstColumnOnly);
    table.resize(600, 200);
    test::activate(table);
    QHeaderView* header = table.horizontalHeader();
    const int file = table.logicalIndexOfIdentifier(QStringLiteral("file"));
    const int path = table.logicalIndexOfIdentifier(QStringLiteral("path"));
    const int modified = table.logicalIndexOfIdentifier(QStringLiteral("modified"));
    EXPECT_EQ(header->sectionResizeMode(file), QHeaderView::Fixed);

    table.moveColumn(2, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(header->sectionResizeMode(path), QHeaderView::Fixed);
    EXPECT_EQ(header->sectionResizeMode(file), QHeaderView::Interactive);
    table.setWidthOfColumn(table.columnWithIdentifier(QStringLiteral("file")), 150);
    EXPECT_EQ(table.widthOfColumn(table.columnWithIdentifier(QStringLiteral("file"))), 150);

    table.setHiddenOfColumn(QStringLiteral("path"), true); // "file" is the first one shown again
    EXPECT_EQ(header->sectionResizeMode(file), QHeaderView::Fixed);
    EXPECT_EQ(header->sectionResizeMode(modified), QHeaderView::Interactive);
    double total = 0;
    for (const TableColumn& column : table.tableColumns())
        total += column.hidden ? 0 : column.width;
    EXPECT_EQ(total, table.viewport()->width());

    // A second table given the first one's style stretches the same column.
    TableView twin;
    NamesModel twinModel(3, 3);
    twin.setDataSourceAndDelegate(&twinModel, nullptr);
    twin.setTableColumns(roomyColumns());
    twin.setColumnAutoresizing(table.columnAutoresizing());
    EXPECT_EQ(twin.horizontalHeader()->sectionResizeMode(file), QHeaderView::Fixed);

    table.setColumnAutoresizing(ColumnAutoresizingStyle::None);
    EXPECT_EQ(header->sectionResizeMode(file), QHeaderView::Interactive);
    EXPECT_FALSE(header->stretchLastSection());
}

// A shown table of three rows over `columns` in `style`, `width` wide.
struct AutoresizedTable
{
    AutoresizedTable(const QList<TableColumn>& columns, ColumnAutoresizingStyle style, int width)
    {
        table.setDataSourceAndDelegate(&model, nullptr);
        table.setTableColumns(columns);
        table.setColumnAutoresizing(style);
        table.resize(width, 200);
        test::activate(table);
    }
    // The width the shown columns take together.
    [[nodiscard]] double shownTotal() const
    {
        double total = 0;
        for (const TableColumn& column : table.tableColumns())
            total += column.hidden ? 0 : column.width;
        return total;
    }
    NamesModel model {3, 3}; // made before the table and gone after it
    TableView table;
};

// Regression: Qt's stretched sections ignore the columns' limits, and a
// 1,400-pixel window saved its date column (maximum 240) at 570. The
// columns that follow the width stay within their limits; the rest of the
// width is a gap, and a column resized by hand is taken up by the others.
TEST(ColumnAutoresizingLimits, ColumnsStayWithinTheirMinimumAndMaximum)
{
    QList<TableColumn> limited = roomyColumns();
    for (TableColumn& column : limited) {
        column.minWidth = 60;
        column.maxWidth = 240;
    }
    for (const auto style : {ColumnAutoresizingStyle::LastColumnOnly, ColumnAutoresizingStyle::FirstColumnOnly,
                             ColumnAutoresizingStyle::Uniform}) {
        SCOPED_TRACE(int(style));
        AutoresizedTable shown(limited, style, 1400);
        for (const TableColumn& column : shown.table.tableColumns()) {
            SCOPED_TRACE(column.identifier.toStdString());
            EXPECT_GE(column.width, 60);
            EXPECT_LE(column.width, 240);
            EXPECT_EQ(shown.table.horizontalHeader()->sectionSize(shown.table.logicalIndexOfIdentifier(column.identifier)),
                      int(column.width));
        }
        EXPECT_LT(shown.shownTotal(), shown.table.viewport()->width());

        // Narrow: the following columns give way down to their minimum.
        shown.table.resize(300, 200);
        QCoreApplication::processEvents();
        for (const TableColumn& column : shown.table.tableColumns())
            EXPECT_GE(column.width, 60) << column.identifier.toStdString();
    }

    // Within the limits the following column takes up a column resized by
    // hand, and the columns fill the table.
    AutoresizedTable shown(roomyColumns(), ColumnAutoresizingStyle::LastColumnOnly, 600);
    EXPECT_EQ(shown.shownTotal(), shown.table.viewport()->width());
    const int path = shown.table.columnWithIdentifier(QStringLiteral("path"));
    const double before = shown.table.widthOfColumn(path);
    shown.table.setWidthOfColumn(shown.table.columnWithIdentifier(QStringLiteral("file")), 150);
    EXPECT_EQ(shown.table.widthOfColumn(path), before - 30);
    EXPECT_EQ(shown.shownTotal(), shown.table.viewport()->width());
}

// Regression: switching from LastColumnOnly to None snapped the last column
// back to the width it had before it followed the table's width.
TEST(ColumnAutoresizingLimits, SwitchingTheStyleKeepsTheWidths)
{
    AutoresizedTable shown(roomyColumns(), ColumnAutoresizingStyle::LastColumnOnly, 700);
    TableView& table = shown.table;
    QList<double> widths;
    for (int column = 0; column < table.numberOfColumns(); ++column)
        widths.append(table.widthOfColumn(column));
    ASSERT_GT(widths.last(), 200);
    table.setColumnAutoresizing(ColumnAutoresizingStyle::None);
    QCoreApplication::processEvents();
    for (int column = 0; column < table.numberOfColumns(); ++column)
        EXPECT_EQ(table.widthOfColumn(column), widths[column]) << column;
    // From now on the width shows as a gap.
    table.resize(800, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(table.widthOfColumn(table.numberOfColumns() - 1), widths.last());
}

TEST(TableViewKeys, PagingHomeEndAndReturn)
{
    EditingTable table;
    NamesModel model(100, 1);
    table.setModel(&model);
    table.setTableColumns({TableColumn::tableColumnWithIdentifier(QStringLiteral("a"), QStringLiteral("A"), true, false)});
    table.resize(300, 225);
    test::activate(table);
    QScrollBar* bar = table.verticalScrollBar();
    const int page = table.viewport()->height();

    QTest::keyClick(&table, Qt::Key_PageDown);
    EXPECT_EQ(bar->value(), page);
    QTest::keyClick(&table, Qt::Key_Space);
    EXPECT_EQ(bar->value(), 2 * page);
    QTest::keyClick(&table, Qt::Key_Space, Qt::ShiftModifier);
    QTest::keyClick(&table, Qt::Key_PageUp);
    EXPECT_EQ(bar->value(), 0);

    QTest::keyClick(&table, Qt::Key_End);
    EXPECT_EQ(table.selectionIndexes(), QList<int>{99});
    EXPECT_EQ(bar->value(), bar->maximum());
    QTest::keyClick(&table, Qt::Key_Home);
    EXPECT_EQ(table.selectionIndexes(), QList<int>{0});
    QTest::keyClick(&table, Qt::Key_Return);
    QTest::keyClick(&table, Qt::Key_Enter);
    EXPECT_EQ(table.edits, 2);
    EXPECT_TRUE(table.makeSelectedCellViewTextFieldFirstResponder());
    table.endEditing();
    table.selectRows({0, 1}, false);
    EXPECT_FALSE(table.makeSelectedCellViewTextFieldFirstResponder());
    EXPECT_EQ(table.selectionIndexes(), (QList<int>{0, 1}));

    QStandardItemModel empty;
    table.setModel(&empty);
    QTest::keyClick(&table, Qt::Key_End); // nothing to select
    EXPECT_EQ(table.firstSelectedRow(), -1);
}

// Regression: Shift-End went to the last row without extending the
// selection, while Shift-Down extends it. Shift-End and Shift-Home select
// from the row the selection started at to the last or the first row.
TEST(TableViewKeys, ShiftHomeAndEndExtendTheSelectionRegression)
{
    EditingTable table;
    NamesModel model(100, 1);
    table.setModel(&model);
    table.setTableColumns({TableColumn::tableColumnWithIdentifier(QStringLiteral("a"), QStringLiteral("A"), true, false)});
    table.resize(300, 225);
    test::activate(table);
    const auto rows = [](int first, int last) {
        QList<int> range;
        for (int row = first; row <= last; ++row)
            range.append(row);
        return range;
    };
    QTest::keyClick(&table, Qt::Key_Home);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&table, Qt::Key_Down);
    ASSERT_EQ(table.selectionIndexes(), QList<int>{3});
    QTest::keyClick(&table, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(table.selectionIndexes(), rows(3, 99));
    EXPECT_EQ(table.verticalScrollBar()->value(), table.verticalScrollBar()->maximum());
    QTest::keyClick(&table, Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(table.selectionIndexes(), rows(0, 3)) << "from the same anchor";
    EXPECT_EQ(table.verticalScrollBar()->value(), 0);
    // Shift-Down goes on from there as it would have.
    QTest::keyClick(&table, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(&table, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(table.selectionIndexes(), rows(3, 98));
    // Without Shift the one row is selected, as before.
    QTest::keyClick(&table, Qt::Key_End);
    EXPECT_EQ(table.selectionIndexes(), QList<int>{99});
}

// A table that counts the menus it is asked for.
class MenuTable : public TableView, public ContextualMenuProvider
{
public:
    QMenu* contextualMenu() override
    {
        ++asked;
        return nullptr;
    }
    int asked = 0;
};

TEST(TableViewClicks, RightClickSelectsTheRowUnlessSelectedAndMenusNeedTheMainWindow)
{
    MenuTable table;
    NamesModel model(6, 1);
    table.setModel(&model);
    table.setSelectionMode(QAbstractItemView::ExtendedSelection);
    table.resize(200, 200);
    test::activate(table);
    const auto rightClick = [&](int row) {
        const QPoint at = table.visualRect(model.index(row, 0)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, table.viewport()->mapToGlobal(at));
        QApplication::sendEvent(table.viewport(), &event);
    };
    table.selectRows({1, 2}, false);
    rightClick(2);
    EXPECT_EQ(table.selectionIndexes(), (QList<int>{1, 2}));
    EXPECT_EQ(table.asked, 1);
    rightClick(4);
    EXPECT_EQ(table.selectionIndexes(), QList<int>{4});

    QWidget other;
    test::activate(other); // now the main window
    rightClick(0);
    EXPECT_EQ(table.selectionIndexes(), QList<int>{0});
    EXPECT_EQ(table.asked, 2);
}

// Right clicks were announced too: the notification followed every
// button's release.
TEST(TableViewClicks, SingleLeftClicksAreAnnouncedDoubleAndRightClicksAreNot)
{
    TableView table;
    NamesModel model(5, 1);
    table.setModel(&model);
    table.resize(200, 150);
    test::activate(table);
    int clicks = 0;
    const auto token = NotificationCenter::defaultCenter().addObserver(
        TableView::clickedNotificationName(), [&](const Notification&) { ++clicks; });
    const QPoint row1 = table.visualRect(model.index(1, 0)).center();
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, row1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(table.selectionIndexes(), QList<int>{1});
    QTest::mouseDClick(table.viewport(), Qt::LeftButton, {}, row1);
    EXPECT_EQ(clicks, 1);
    QTest::mouseClick(table.viewport(), Qt::RightButton, {}, row1);
    QTest::mouseClick(table.viewport(), Qt::MiddleButton, {}, row1);
    EXPECT_EQ(clicks, 1);
    NotificationCenter::defaultCenter().removeObserver(token);
}

TEST(StripeTableView, ClassWideStripesPostOnceAndUpdateEveryTable)
{
    StripeTableView first;
    StripeTableView second;
    second.setAlternatingRowColorsEnabled(false);
    int posted = 0;
    const auto token = NotificationCenter::defaultCenter().addObserver(
        StripeTableView::optionsDidChangeNotificationName(), [&](const Notification&) { ++posted; });
    StripeTableView::setUsesAlternatingRowColors(false);
    StripeTableView::setUsesAlternatingRowColors(false);
    EXPECT_EQ(posted, 1);
    EXPECT_FALSE(first.alternatingRowColors());
    StripeTableView::setUsesAlternatingRowColors(true);
    EXPECT_TRUE(first.alternatingRowColors());
    EXPECT_FALSE(second.alternatingRowColors());
    second.setSelectionHighlightStyleSourceList(true);
    second.setAlternatingRowColorsEnabled(true);
    EXPECT_TRUE(second.alternatingRowColors());
    NotificationCenter::defaultCenter().removeObserver(token);
}

TEST(StripeTableView, PaperShowsNoStripesGridOrSelection)
{
    StripeTableView table;
    NamesModel model(8, 2);
    table.setModel(&model);
    table.resize(240, 200);
    QPalette palette = table.palette();
    palette.setColor(QPalette::AlternateBase, QColor(255, 0, 255));
    palette.setColor(QPalette::Highlight, QColor(0, 255, 0));
    table.setPalette(palette);
    table.selectRowIndex(0);
    test::activate(table);

    // Magenta stripes and a green selection, counted loosely (styles shade).
    const auto count = [](const QImage& image, bool green) {
        int pixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                pixels += green ? (c.green() > 200 && c.red() < 60 && c.blue() < 60)
                                : (c.red() > 200 && c.blue() > 200 && c.green() < 60);
            }
        return pixels;
    };
    QImage screen = test::blankImage(240, 200, Qt::white);
    table.render(&screen);
    EXPECT_GT(count(screen, false), 0);
    EXPECT_GT(count(screen, true), 0);

    // A recorded picture does not draw to the screen, like a PDF writer.
    QPicture picture;
    {
        QPainter painter(&picture);
        table.drawToPaper(painter);
    }
    QImage paper = test::blankImage(240, 200, Qt::white);
    {
        QPainter painter(&paper);
        painter.drawPicture(0, 0, picture);
    }
    EXPECT_EQ(count(paper, false), 0);
    EXPECT_EQ(count(paper, true), 0);
    EXPECT_GT(test::inkPixels(paper, paper.rect(), Qt::white), 0); // the text is there
    EXPECT_TRUE(table.alternatingRowColors()); // the screen table is as before
    EXPECT_EQ(table.gridStyleMask(), unsigned(TableView::kSolidVerticalGridLineMask));
}

// Shows the striped table `width` wide without stripes, three columns of
// 100, its cells white and their text white too (no ink but the grid's);
// answers the style's grid colour.
QColor showWithWhiteCells(StripeTableView& table, int width)
{
    table.setAlternatingRowColorsEnabled(false);
    table.resize(width, 200);
    for (int column = 0; column < 3; ++column)
        table.setColumnWidth(column, 100);
    QPalette palette = table.palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::white);
    table.setPalette(palette);
    test::activate(table);
    QStyleOptionViewItem option;
    option.initFrom(&table);
    return QColor::fromRgba(static_cast<QRgb>(table.style()->styleHint(QStyle::SH_Table_GridLineColor, &option, &table)));
}

TEST(StripeTableView, HorizontalGridLinesRegression)
{
    // A striped table draws vertical grid lines between its columns and no
    // horizontal ones between its rows.
    StripeTableView table;
    NamesModel model(6, 3);
    table.setModel(&model);
    const QColor grid = showWithWhiteCells(table, 330);
    ASSERT_NE(grid, QColor(Qt::white));
    const QImage image = table.viewport()->grab().toImage();
    const int rowsBottom = table.rowViewportPosition(5) + table.rowHeight(5);
    int vertical = 0, horizontalLines = 0;
    for (int y = 0; y < rowsBottom; ++y) {
        vertical += image.pixelColor(99, y) == grid;
        int across = 0;
        for (int x = 10; x < 90; ++x)
            across += image.pixelColor(x, y) == grid;
        horizontalLines += across > 40;
    }
    EXPECT_GE(vertical, rowsBottom - 1);
    EXPECT_EQ(horizontalLines, 0);
}

// Right to left the columns start at the right edge: each column's line
// is on its left edge, the rightmost column has none at the window's edge
// and the leftmost one has its own; the row lines span the columns only.
TEST(StripeTableView, GridMirrorsRightToLeft)
{
    StripeTableView table;
    table.setLayoutDirection(Qt::RightToLeft);
    NamesModel model(6, 3);
    table.setModel(&model);
    table.setGridStyleMask(TableView::kSolidVerticalGridLineMask | TableView::kSolidHorizontalGridLineMask);
    const QColor grid = showWithWhiteCells(table, 360);
    ASSERT_NE(grid, QColor(Qt::white));
    const QImage image = table.viewport()->grab().toImage();
    const int width = table.viewport()->width();
    const int rowsBottom = table.rowViewportPosition(5) + table.rowHeight(5);
    const auto linePixels = [&](int x) {
        int count = 0;
        for (int y = 0; y < rowsBottom; ++y)
            count += image.pixelColor(x, y) == grid;
        return count;
    };
    const int leftmost = table.columnViewportPosition(2);
    ASSERT_EQ(leftmost, width - 300);
    for (const int column : {0, 1, 2}) {
        SCOPED_TRACE(column);
        EXPECT_GE(linePixels(table.columnViewportPosition(column)), rowsBottom - 1);
    }
    EXPECT_LT(linePixels(width - 1), rowsBottom / 2);
    // A row line: across the columns, not in the gap at the left.
    const int y = table.rowViewportPosition(0) + table.rowHeight(0) - 1;
    EXPECT_EQ(image.pixelColor(leftmost + 50, y), grid);
    EXPECT_NE(image.pixelColor(std::max(0, leftmost - 10), y), grid);
}

TEST(StripeTableView, PrintsEveryRowOnPagesOfAPdf)
{
    test::TempTree tree;
    StripeTableView table;
    NamesModel model(120, 2);
    table.setModel(&model);
    table.resize(300, 200);
    const QString path = tree.filePath(QStringLiteral("table.pdf"));
    int pages = 0;
    {
        QPdfWriter writer(path);
        writer.setResolution(72);
        writer.setPageSize(QPageSize(QPageSize::A6));
        pages = table.printToDevice(writer);
    }
    EXPECT_GT(pages, 1); // 120 rows of 20 points do not fit one A6 page
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("/Type /Page\n"), pages);
    EXPECT_EQ(table.size(), QSize(300, 200));
    EXPECT_TRUE(table.alternatingRowColors());
}

TEST(TableView, AlternateStringShowsOnlyWhenEmpty)
{
    TableView table;
    QStandardItemModel empty(0, 1);
    table.setModel(&empty);
    table.resize(300, 150);
    table.setAlternateString(QStringLiteral("No Results"));
    test::activate(table);
    const QColor base = table.palette().color(QPalette::Base);
    const QImage shown = table.viewport()->grab().toImage();
    EXPECT_GT(test::inkPixels(shown, shown.rect(), base), 20);
    NamesModel rows(3, 1);
    table.setModel(&rows);
    const QImage filled = table.viewport()->grab().toImage();
    const QRect below(0, 100, filled.width(), 40);
    EXPECT_EQ(test::inkPixels(filled, below, base), 0);
}

} // namespace
} // namespace sorvant

#include "table_view_test.moc"
