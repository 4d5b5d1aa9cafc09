// The results table's nine columns: values, tool tips and highlights,
// sorting from the header and the View menu, column toggles, the layout kept
// per window index, the narrow path column, the path of a single selection
// and selecting by dragging down.

#include "app/results_table_model.h"
#include "app/search_window_commands.h"
#include "interface/action_router.h"
#include "interface/cell_drawing.h"
#include "interface/controls.h"
#include "interface/menu_items.h"
#include "search/result.h"
#include "search/search_params.h"
#include "tests/app/app_test_support.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolTip>

#include <algorithm>
#include <memory>
#include <tuple>

namespace sorvant::test {
namespace {

class ResultsColumnsTest : public AppFixture
{
protected:
    // Three results: b.txt (1 byte, tags red and work), a.txt (3 bytes, a
    // comment) and c.txt (2 bytes), shown by name.
    void SetUp() override
    {
        window = makeWindow();
        window->resize(1400, 500);
        model = qobject_cast<ResultsTableModel*>(window->resultsTable()->model());
        add(QStringLiteral("b.txt"), 1, {QStringLiteral("red"), QStringLiteral("work")});
        add(QStringLiteral("a.txt"), 3, {}, QStringLiteral("an item note"));
        add(QStringLiteral("c.txt"), 2);
        flush();
        ASSERT_EQ(names(), (QStringList{"a.txt", "b.txt", "c.txt"}));
        window->commands().addViewMenu(&menuBar);
    }
    void add(const QString& name, int bytes, const QStringList& tags = {}, const QString& comment = {})
    {
        const QString path = tree.writeFile(QStringLiteral("r/") + name, QByteArray(bytes, 'x'));
        results().addResult(Result::create(path, tree.filePath(QStringLiteral("r")), name, tags, comment, false, false));
    }
    // Pending results into the table, as the refresh timer moves them.
    void flush()
    {
        window->searchController().showPendingResults();
    }
    ResultsDataSource& results() { return window->searchController().engine().dataSource(); }
    StripeTableView* table() const { return window->resultsTable(); }
    QString path(const char* name) const { return tree.filePath(QStringLiteral("r/") + QLatin1String(name)); }
    QString cell(int row, int column, int role = Qt::DisplayRole) const
    {
        return model->index(row, column).data(role).toString();
    }
    QStringList names() const
    {
        QStringList shown;
        for (int row = 0; row < model->rowCount(); ++row)
            shown.append(cell(row, ResultsTableModel::kFileColumn));
        return shown;
    }
    QMenu* submenu(const char* name) const { return menuBar.findChild<QMenu*>(QString::fromLatin1(name)); }
    // The titles of a menu's items ("-" for separators), or of its checked ones.
    static QStringList titles(QMenu* menu, bool checkedOnly = false)
    {
        validateMenuActions(menu);
        QStringList shown;
        for (const QAction* item : menu->actions()) {
            if (!checkedOnly || item->isChecked())
                shown.append(item->isSeparator() ? QStringLiteral("-") : item->text());
        }
        return shown;
    }
    static QAction* item(const QMenu* menu, const QString& title)
    {
        const QList<QAction*> items = menu->actions();
        const auto found = std::find_if(items.begin(), items.end(), [&](QAction* a) { return a->text() == title; });
        return found == items.end() ? nullptr : *found;
    }
    void showWindow()
    {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    std::unique_ptr<SearchWindow> window;
    ResultsTableModel* model = nullptr;
    QMenuBar menuBar;
};

// Regression: on a fresh profile the columns shown from View > Columns
// opened at their least width (Info "Pag…", the Comment's title "omme")
// while the last of them took the rest. Each opens at a width that shows
// its title and a usual value, one after the other and all three.
TEST_F(ResultsColumnsTest, ShownColumnsOpenWideEnoughForTheirTitlesRegression)
{
    // A window the 800-point screen here holds: no clamp narrows it later.
    window->resize(780, 560);
    showWindow();
    QHeaderView* header = table()->horizontalHeader();
    const QFontMetrics metrics(header->font());
    for (const char* identifier : {"info", "comment", "tags"}) {
        SCOPED_TRACE(identifier);
        const auto& tags = ResultsView::kToggleColumns;
        const auto tag = std::find(tags.begin(), tags.end(), QString::fromLatin1(identifier)) - tags.begin();
        ASSERT_TRUE(window->resultsTable()->toggleColumn(int(tag)));
        QCoreApplication::processEvents();
        const int column = ResultsTableModel::columnWithIdentifier(QString::fromLatin1(identifier));
        ASSERT_FALSE(header->isSectionHidden(column));
        const QString title = model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        EXPECT_GE(header->sectionSize(column), metrics.horizontalAdvance(title) + 16) << "the title";
        EXPECT_GE(header->sectionSize(column), 120) << "a page count or a few tags";
        // The first column shown finds room in a window this narrow; the
        // later ones the table scrolls sideways for.
        if (column == ResultsTableModel::kInfoColumn) {
            EXPECT_LE(header->sectionViewportPosition(column) + header->sectionSize(column),
                      table()->viewport()->width() + 1) << "in view";
        }
    }
    // Each later one took room from the others, not all of it from one.
    for (const int column : {ResultsTableModel::kInfoColumn, ResultsTableModel::kCommentColumn})
        EXPECT_GE(header->sectionSize(column), 100) << column;
}

TEST_F(ResultsColumnsTest, ColumnsShowTheResultAndTipsOnlyItsNameAndPath)
{
    const struct { const char* identifier; QString value; QString tip; } rows[] = {
        {"file", "b.txt", "b.txt"}, {"path", "r", path("b.txt")}, {"size", results().resultAtIndex(1)->size(), {}},
        {"kind", results().resultAtIndex(1)->kind(), {}}, {"comment", "", {}}, {"tags", "red, work", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.identifier);
        const int column = ResultsTableModel::columnWithIdentifier(QString::fromLatin1(row.identifier));
        EXPECT_EQ(cell(1, column), row.value);
        EXPECT_EQ(cell(1, column, Qt::ToolTipRole), row.tip);
        EXPECT_FALSE(model->index(3, column).data(Qt::ToolTipRole).isValid()) << "a row past the count";
    }
    EXPECT_EQ(cell(0, ResultsTableModel::kCommentColumn), QStringLiteral("an item note"));
    EXPECT_EQ(ResultsTableModel::columnWithIdentifier(QStringLiteral("name")), -1);
    QStringList visible;
    for (const TableColumn& column : table()->tableColumns())
        visible.append(column.hidden ? QStringLiteral("(%1)").arg(column.identifier) : column.identifier);
    EXPECT_EQ(visible.join(u' '), QStringLiteral("file path size modified kind created (info) (comment) (tags)"));

    // The view shows the model's tips only, not the whole text of a clipped cell.
    showWindow();
    table()->horizontalHeader()->resizeSection(ResultsTableModel::kKindColumn, 40);
    for (const int column : {ResultsTableModel::kKindColumn, ResultsTableModel::kPathColumn}) {
        QToolTip::hideText();
        const QPoint at = table()->visualRect(model->index(0, column)).center();
        QHelpEvent help(QEvent::ToolTip, at, table()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(table()->viewport(), &help);
        EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text() : QString(), cell(0, column, Qt::ToolTipRole));
    }
    QToolTip::hideText();
}

TEST_F(ResultsColumnsTest, NamesAndCommentsAreHighlightedOnlyWhenSearched)
{
    const struct { std::uint64_t what; int names; int comments; } rows[] = {
        {kSearchNames, 1, 0}, {kSearchComments, 0, 1}, {kSearchNames | kSearchComments, 1, 1}, {kSearchTags, 0, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        results().setStrings({QStringLiteral("a")}, row.what, 1, false); // in "a.txt" and "an item note"
        EXPECT_EQ(model->index(0, 0).data(ResultsTableModel::kHighlightRole).toList().size(), row.names);
        EXPECT_EQ(model->index(0, ResultsTableModel::kCommentColumn).data(ResultsTableModel::kHighlightRole).toList().size(),
                  row.comments);
        EXPECT_EQ(model->index(0, ResultsTableModel::kCommentColumn).data(cell_role::kHighlighted).isValid(),
                  row.comments > 0);
    }
}

TEST_F(ResultsColumnsTest, HeaderClicksAndTheSortMenuSortKeepingTheSelection)
{
    window->resultsTable()->selectRows({1}); // b.txt
    showWindow();
    QHeaderView* header = table()->horizontalHeader();
    const struct { int column; bool reverse; const char* order; } clicks[] = {
        {ResultsTableModel::kSizeColumn, false, "b c a"}, {ResultsTableModel::kSizeColumn, true, "a c b"},
        {ResultsTableModel::kTagsColumn, true, "a c b"}, {ResultsTableModel::kFileColumn, true, "c b a"}};
    for (const auto& click : clicks) {
        SCOPED_TRACE(click.column);
        table()->setHiddenOfColumn(QStringLiteral("tags"), false);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(click.column) + 10, header->height() / 2));
        EXPECT_EQ(results().isReverseSorting(), click.reverse);
        EXPECT_EQ(names().join(u' ').remove(QStringLiteral(".txt")), QLatin1String(click.order));
        // The indicator marks the key's column, never "tags".
        EXPECT_EQ(table()->highlightedColumnIdentifier(),
                  ResultsTableModel::identifierOfColumn(ResultsTableModel::columnForSortKey(results().sorting())));
        EXPECT_EQ(window->resultsTable()->selectedPaths(), QStringList{path("b.txt")});
    }

    QMenu* sortBy = submenu("sortByMenu");
    ASSERT_EQ(menuBar.actions().constFirst()->menu()->actions().constFirst()->menu(), sortBy) << "View starts with it";
    EXPECT_EQ(titles(sortBy).join(u' '), QStringLiteral("Name Modified Size Path Kind Created Info Comment - "
                                                        "Ascending Descending"));
    for (int key = 0; key <= int(kSortByComment); ++key)
        EXPECT_EQ(itemTag(sortBy->actions().at(key)), key);
    EXPECT_EQ(titles(sortBy, true), (QStringList{"Name", "Descending"}));
    add(QStringLiteral("0.txt"), 9); // found, not yet shown: sorting takes it in
    const struct { const char* title; const char* checked; const char* order; } steps[] = {
        {"Size", "Size Descending", "0 a c b"}, {"Ascending", "Size Ascending", "b c a 0"},
        {"Ascending", "Size Ascending", "b c a 0"}, {"Name", "Name Ascending", "0 a b c"}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.title);
        item(sortBy, QString::fromLatin1(step.title))->trigger();
        EXPECT_EQ(titles(sortBy, true).join(u' '), QLatin1String(step.checked));
        EXPECT_EQ(names().join(u' ').remove(QStringLiteral(".txt")), QLatin1String(step.order));
        EXPECT_EQ(window->resultsTable()->selectedPaths(), QStringList{path("b.txt")});
    }
}

TEST_F(ResultsColumnsTest, ColumnTogglesFollowTheirTagsInTheMenuAndOnTheHeader)
{
    QMenu* columns = submenu("columnsMenu");
    EXPECT_EQ(titles(columns, true).join(u' '), QStringLiteral("Name Path Size Modified Kind Created"));
    const QStringList byTag = {"file", "created", "modified", "size", "kind", "info", "comment", "tags", "path"};
    for (QAction* toggle : columns->actions()) {
        const QString identifier = byTag.value(itemTag(toggle));
        SCOPED_TRACE(identifier.toStdString());
        const bool hidden = table()->isHiddenColumn(identifier);
        toggle->trigger();
        EXPECT_EQ(table()->isHiddenColumn(identifier), !hidden);
        EXPECT_EQ(titles(columns, true).contains(toggle->text()), hidden);
    }
    EXPECT_EQ(titles(columns, true).join(u' '), QStringLiteral("Info Comment Tags"));

    showWindow();
    QHeaderView* header = table()->horizontalHeader();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), header->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(header->viewport(), &click);
    const QList<QMenu*> menus = window->findChildren<QMenu*>(QStringLiteral("columnsMenu"));
    const auto offered = std::find_if(menus.begin(), menus.end(), [](QMenu* menu) { return menu->isVisible(); });
    ASSERT_NE(offered, menus.end());
    EXPECT_EQ(titles(*offered, true), titles(columns, true));
    item(*offered, QStringLiteral("Kind"))->trigger();
    EXPECT_FALSE(table()->isHiddenColumn(QStringLiteral("kind")));
    (*offered)->close();
}

TEST_F(ResultsColumnsTest, TheLayoutIsKeptPerWindowIndex)
{
    const QString hiddenKey = QStringLiteral("NSTableView Hidden Columns SearchTableColumns4-1");
    showWindow();
    QTest::qWait(1);
    defaults.removeObjectForKey(hiddenKey);
    table()->setHiddenOfColumn(QStringLiteral("kind"), true);
    table()->setHiddenOfColumn(QStringLiteral("comment"), false);
    table()->moveColumn(table()->columnWithIdentifier(QStringLiteral("size")), 0);
    table()->setWidthOfColumn(table()->columnWithIdentifier(QStringLiteral("created")), 97);
    table()->setHiddenOfColumn(QStringLiteral("created"), true); // keeps its width for later
    // The save waits for the changes to settle, or for the window to go.
    EXPECT_FALSE(defaults.objectForKey(hiddenKey).isValid());
    window->hide();
    EXPECT_EQ(defaults.objectForKey(hiddenKey).toStringList(), (QStringList{"kind", "created", "info", "tags"}));

    const auto layout = [](const StripeTableView* view) {
        QStringList shown;
        for (const TableColumn& column : view->tableColumns())
            shown.append(QStringLiteral("%1 %2 %3").arg(column.identifier).arg(column.width).arg(column.hidden));
        return shown;
    };
    const QStringList saved = layout(table());
    window.reset();
    const std::unique_ptr<SearchWindow> same = makeWindow(1);
    const std::unique_ptr<SearchWindow> other = makeWindow(2);
    EXPECT_EQ(layout(same->resultsTable()), saved);
    EXPECT_TRUE(saved.contains(QStringLiteral("created 97 1")));
    EXPECT_EQ(other->resultsTable()->identifierOfColumn(0), QStringLiteral("file"));
    EXPECT_FALSE(other->resultsTable()->isHiddenColumn(QStringLiteral("kind")));
}

TEST_F(ResultsColumnsTest, ThePathColumnAndThePathControl)
{
    const int column = ResultsTableModel::kPathColumn;
    const int minimum = int(table()->tableColumnAtLogicalIndex(column).minWidth);
    for (const int width : {minimum, minimum + 4, minimum + 5}) {
        table()->horizontalHeader()->resizeSection(column, width);
        EXPECT_EQ(cell(0, column), width <= minimum + 4 ? QStringLiteral(" - ") : QStringLiteral("r")) << width;
    }

    const struct { QList<int> rows; QString path; } selections[] = {
        {{1}, path("b.txt")}, {{0, 2}, {}}, {{}, {}}, {{2}, path("c.txt")}};
    for (const auto& selection : selections) {
        window->resultsTable()->selectRows(selection.rows);
        EXPECT_EQ(window->pathControl()->path(), selection.path) << selection.rows.size();
    }
    // A flush that puts a result above the selected one keeps both.
    add(QStringLiteral("0.txt"), 0);
    flush();
    EXPECT_EQ(window->resultsTable()->selectedRows(), QList<int>{3});
    EXPECT_EQ(window->pathControl()->path(), path("c.txt"));
    // A new search empties the table, with no selection change announced.
    tree.writeFile(QStringLiteral("s/none.txt"));
    ASSERT_TRUE(searchAndWait(*window, QStringLiteral("zzz"), tree.filePath(QStringLiteral("s"))));
    EXPECT_TRUE(window->pathControl()->path().isNull());
}

TEST_F(ResultsColumnsTest, DraggingUpOrDownFromASelectedRowSelects)
{
    showWindow();
    const auto drag = [this](int from, int to) {
        QWidget* viewport = table()->viewport();
        const auto at = [this](int row) { return table()->visualRect(model->index(row, 0)).center(); };
        window->resultsTable()->selectRows({from});
        // One move: a drag would start only at the next, so none starts here.
        for (const auto& [type, row, buttons] : {std::tuple{QEvent::MouseButtonPress, from, Qt::LeftButton},
                                                 std::tuple{QEvent::MouseMove, to, Qt::LeftButton},
                                                 std::tuple{QEvent::MouseButtonRelease, to, Qt::NoButton}}) {
            QMouseEvent event(type, at(row), viewport->mapToGlobal(at(row)), Qt::LeftButton, buttons, {});
            QApplication::sendEvent(viewport, &event);
        }
        return window->resultsTable()->selectedRows();
    };
    EXPECT_EQ(drag(0, 2), (QList<int>{0, 1, 2}));
    EXPECT_EQ(drag(2, 1), (QList<int>{1, 2}));
}

} // namespace
} // namespace sorvant::test
