// The results table's nine columns: their values, tool tips and highlights,
// sorting from the header and the View menu with its check marks, column
// toggles, the autosaved layout per window index, the narrow path column
// and the path control of a single selection.

#include "app/results_table_model.h"
#include "interface/action_router.h"
#include "interface/cell_drawing.h"
#include "interface/controls.h"
#include "interface/menu_items.h"
#include "search/result.h"
#include "search/results_data_source.h"
#include "search/search_params.h"
#include "tests/app/app_test_support.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>
#include <QToolTip>

#include <cstdlib>
#include <memory>

namespace sorvant::test {
namespace {

class ResultsColumnsTest : public AppFixture
{
protected:
    void SetUp() override
    {
        window = makeWindow();
        window->resize(1400, 500);
        model = qobject_cast<ResultsTableModel*>(window->resultsTable()->model());
        ASSERT_NE(model, nullptr);
    }
    // A result for a new file under "r" with the given size, tags and comment.
    ResultPointer add(const QString& name, int bytes, const QStringList& tags = {}, const QString& comment = {})
    {
        const QString path = tree.writeFile(QStringLiteral("r/") + name, QByteArray(bytes, 'x'));
        ResultPointer result =
            Result::create(path, tree.filePath(QStringLiteral("r")), name, tags, comment, false, false);
        results().addResult(result);
        return result;
    }
    // Moves the added results into the table, as the refresh timer does.
    void flush()
    {
        results().lock();
        results().flushResults();
        results().unlock();
        window->reloadData();
    }
    ResultsDataSource& results() { return window->engine().dataSource(); }
    [[nodiscard]] StripeTableView* table() const { return window->resultsTable(); }
    [[nodiscard]] QString cell(int row, int column, int role = Qt::DisplayRole) const
    {
        return model->index(row, column).data(role).toString();
    }
    [[nodiscard]] QStringList names() const
    {
        QStringList shown;
        for (int row = 0; row < model->rowCount(); ++row)
            shown.append(cell(row, ResultsTableModel::kFileColumn));
        return shown;
    }
    // Three files: b (1 byte, tagged), a (3 bytes, commented), c (2 bytes).
    void addThree()
    {
        add(QStringLiteral("b.txt"), 1, {QStringLiteral("red"), QStringLiteral("work")});
        add(QStringLiteral("a.txt"), 3, {}, QStringLiteral("an item note"));
        add(QStringLiteral("c.txt"), 2);
        flush();
        ASSERT_EQ(names(), (QStringList{"a.txt", "b.txt", "c.txt"}));
    }
    // The View menu's submenu with that object name, from a fresh menu bar.
    QMenu* viewSubmenu(const char* name)
    {
        if (!menuBar) {
            menuBar = std::make_unique<QMenuBar>();
            window->addViewMenu(menuBar.get());
        }
        return menuBar->findChild<QMenu*>(QString::fromLatin1(name));
    }
    static QStringList titles(const QMenu* menu)
    {
        QStringList shown;
        for (const QAction* item : menu->actions())
            shown.append(item->isSeparator() ? QStringLiteral("-") : item->text());
        return shown;
    }
    static QStringList checked(QMenu* menu)
    {
        validateMenuActions(menu);
        QStringList marked;
        for (const QAction* item : menu->actions()) {
            if (item->isChecked())
                marked.append(item->text());
        }
        return marked;
    }
    static QAction* item(const QMenu* menu, const QString& title)
    {
        for (QAction* action : menu->actions()) {
            if (action->text() == title)
                return action;
        }
        return nullptr;
    }
    // Clicks the header of a model column.
    void clickHeader(int column)
    {
        QHeaderView* header = table()->horizontalHeader();
        const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    }

    std::unique_ptr<SearchWindow> window;
    ResultsTableModel* model = nullptr;
    std::unique_ptr<QMenuBar> menuBar;
};

TEST_F(ResultsColumnsTest, EveryColumnShowsItsValueOfTheResult)
{
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    tree.makeDir(QStringLiteral("r"));
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(tree.filePath(QStringLiteral("r/p.png"))));
    const QString png = tree.filePath(QStringLiteral("r/p.png"));
    results().addResult(Result::create(png, tree.filePath(QStringLiteral("r")), QStringLiteral("p.png"),
                                       QStringList{QStringLiteral("red"), QStringLiteral("work")},
                                       QStringLiteral("a note"), false, false));
    flush();
    ASSERT_EQ(model->rowCount(), 1);

    // The first picture's information is worked out off the main thread
    // and announced; the cell then shows it.
    (void)cell(0, ResultsTableModel::kInfoColumn);
    Result::waitForPendingInfo();
    QCoreApplication::sendPostedEvents();
    const ResultPointer result = results().resultAtIndex(0);
    const struct
    {
        const char* identifier;
        QString value;
    } rows[] = {
        {"file", QStringLiteral("p.png")},
        {"path", QStringLiteral(".")},
        {"size", result->size()},
        {"kind", result->kind()},
        {"info", QStringLiteral("3 x 2")},
        {"comment", QStringLiteral("a note")},
        {"tags", QStringLiteral("red, work")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.identifier);
        const int column = ResultsTableModel::columnWithIdentifier(QString::fromLatin1(row.identifier));
        ASSERT_GE(column, 0);
        EXPECT_EQ(ResultsTableModel::identifierOfColumn(column), QString::fromLatin1(row.identifier));
        EXPECT_EQ(cell(0, column), row.value);
        EXPECT_EQ(table()->columnWithIdentifier(QString::fromLatin1(row.identifier)) >= 0, true);
    }
    for (const int column : {ResultsTableModel::kModifiedColumn, ResultsTableModel::kCreatedColumn})
        EXPECT_EQ(model->index(0, column).data().typeId(), QMetaType::QDateTime);
    EXPECT_EQ(ResultsTableModel::columnWithIdentifier(QStringLiteral("name")), -1);
    EXPECT_EQ(ResultsTableModel::columnWithIdentifier(QString()), -1);
    EXPECT_TRUE(ResultsTableModel::identifierOfColumn(ResultsTableModel::kColumnCount).isNull());

    // Shown first, in this order; the last three start hidden.
    QStringList visible;
    for (const TableColumn& column : table()->tableColumns()) {
        if (!column.hidden)
            visible.append(column.identifier);
    }
    EXPECT_EQ(visible, (QStringList{"file", "path", "size", "modified", "kind", "created"}));
}

TEST_F(ResultsColumnsTest, ToolTipsNameTheFileAndThePathOnly)
{
    addThree();
    const QString full = tree.filePath(QStringLiteral("r/a.txt"));
    for (int column = 0; column < ResultsTableModel::kColumnCount; ++column) {
        SCOPED_TRACE(ResultsTableModel::identifierOfColumn(column).toStdString());
        const QString tip = cell(0, column, Qt::ToolTipRole);
        EXPECT_EQ(tip, column == ResultsTableModel::kFileColumn   ? QStringLiteral("a.txt")
                       : column == ResultsTableModel::kPathColumn ? full
                                                                  : QString());
        EXPECT_FALSE(model->index(3, column).data(Qt::ToolTipRole).isValid()) << "a row past the count";
        EXPECT_FALSE(model->index(3, column).data().isValid());
    }

    // The view asks the model only: a clipped kind shows no tool tip of its
    // own, the path cell shows the full path.
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const int kind = ResultsTableModel::kKindColumn;
    table()->horizontalHeader()->resizeSection(kind, 40);
    const auto tipAt = [this](int column) {
        QToolTip::hideText();
        const QRect rect = table()->visualRect(model->index(0, column));
        QHelpEvent help(QEvent::ToolTip, rect.center(), table()->viewport()->mapToGlobal(rect.center()));
        QApplication::sendEvent(table()->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tipAt(kind), QString());
    EXPECT_EQ(tipAt(ResultsTableModel::kPathColumn), full);
    EXPECT_EQ(tipAt(ResultsTableModel::kFileColumn), QStringLiteral("a.txt"));
    QToolTip::hideText();
}

TEST_F(ResultsColumnsTest, NamesAndCommentsAreHighlightedOnlyWhenSearched)
{
    addThree();
    const int file = ResultsTableModel::kFileColumn;
    const int comment = ResultsTableModel::kCommentColumn;
    const struct
    {
        std::uint64_t what;
        bool names;
        bool comments;
    } rows[] = {
        {kSearchNames, true, false},
        {kSearchComments, false, true},
        {kSearchNames | kSearchComments, true, true},
        {kSearchContents | kSearchTags, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        // "a" is in the name "a.txt" and in the comment "an item note".
        results().setStrings({QStringLiteral("a")}, row.what, 1, false);
        EXPECT_EQ(model->index(0, file).data(ResultsTableModel::kHighlightRole).toList().size(), row.names ? 1 : 0);
        EXPECT_EQ(model->index(0, comment).data(cell_role::kHighlighted).isValid(), row.comments);
        EXPECT_FALSE(model->index(0, ResultsTableModel::kPathColumn).data(cell_role::kHighlighted).isValid());
    }
    results().setRegularExpression({QStringLiteral("[aeiou]"), 0}, kSearchComments, 0);
    EXPECT_EQ(model->index(0, comment).data(ResultsTableModel::kHighlightRole).toList().size(), 5);
    EXPECT_EQ(model->index(2, comment).data(ResultsTableModel::kHighlightRole).toList().size(), 0) << "no comment";
}

TEST_F(ResultsColumnsTest, HeaderClicksSortByTheirKeyAndTagsDoesNothing)
{
    addThree();
    table()->selectRowIndex(1); // b.txt
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const struct
    {
        int column;
        std::uint64_t key;
        bool reverse;
        QStringList order;
    } clicks[] = {
        {ResultsTableModel::kSizeColumn, kSortBySize, false, {"b.txt", "c.txt", "a.txt"}},
        {ResultsTableModel::kSizeColumn, kSortBySize, true, {"a.txt", "c.txt", "b.txt"}},
        {ResultsTableModel::kFileColumn, kSortByName, true, {"c.txt", "b.txt", "a.txt"}},
        {ResultsTableModel::kTagsColumn, kSortByName, true, {"c.txt", "b.txt", "a.txt"}},
        {ResultsTableModel::kCommentColumn, kSortByComment, true, {"a.txt", "c.txt", "b.txt"}},
        {ResultsTableModel::kPathColumn, kSortByPath, true, {"c.txt", "b.txt", "a.txt"}},
    };
    for (const auto& click : clicks) {
        SCOPED_TRACE(ResultsTableModel::identifierOfColumn(click.column).toStdString());
        if (click.column >= ResultsTableModel::kInfoColumn)
            table()->setHiddenOfColumn(ResultsTableModel::identifierOfColumn(click.column), false);
        clickHeader(click.column);
        EXPECT_EQ(results().sorting(), click.key);
        EXPECT_EQ(results().isReverseSorting(), click.reverse);
        EXPECT_EQ(names(), click.order);
        // The indicator stays on the key's column; the selection on its
        // result, and no column is ever selected.
        EXPECT_EQ(table()->highlightedColumnIdentifier(),
                  ResultsTableModel::identifierOfColumn(ResultsTableModel::columnForSortKey(click.key)));
        EXPECT_EQ(window->selectedPaths(), QStringList{tree.filePath(QStringLiteral("r/b.txt"))});
        EXPECT_TRUE(table()->selectedColumns().isEmpty());
    }
    EXPECT_FALSE(ResultsTableModel::sortKeyForColumn(ResultsTableModel::kTagsColumn).has_value());
    for (std::uint64_t key = 0; key <= kSortByComment; ++key)
        EXPECT_EQ(ResultsTableModel::sortKeyForColumn(ResultsTableModel::columnForSortKey(key)), key);
}

TEST_F(ResultsColumnsTest, TheSortMenuSortsAndChecksKeyAndDirection)
{
    addThree();
    window->selectRows({0}); // a.txt
    QMenu* sortBy = viewSubmenu("sortByMenu");
    ASSERT_NE(sortBy, nullptr);
    ASSERT_EQ(menuBar->actions().size(), 1);
    QMenu* view = menuBar->actions().constFirst()->menu();
    EXPECT_EQ(view->actions().constFirst()->menu(), sortBy) << "Sort By comes first";
    EXPECT_EQ(titles(sortBy), (QStringList{"Name", "Modified", "Size", "Path", "Kind", "Created", "Info", "Comment",
                                           "-", "Ascending", "Descending"}));
    for (std::uint64_t key = 0; key <= kSortByComment; ++key)
        EXPECT_EQ(itemTag(sortBy->actions().at(int(key))), int(key));
    EXPECT_EQ(checked(sortBy), (QStringList{"Name", "Ascending"}));

    const struct
    {
        const char* title;
        QStringList marks;
        QStringList order;
    } steps[] = {
        {"Size", {"Size", "Ascending"}, {"b.txt", "c.txt", "a.txt"}},
        {"Descending", {"Size", "Descending"}, {"a.txt", "c.txt", "b.txt"}},
        {"Descending", {"Size", "Descending"}, {"a.txt", "c.txt", "b.txt"}},
        {"Name", {"Name", "Descending"}, {"c.txt", "b.txt", "a.txt"}},
        {"Ascending", {"Name", "Ascending"}, {"a.txt", "b.txt", "c.txt"}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.title);
        QAction* action = item(sortBy, QString::fromLatin1(step.title));
        ASSERT_NE(action, nullptr);
        action->trigger();
        EXPECT_EQ(checked(sortBy), step.marks);
        EXPECT_EQ(names(), step.order);
        EXPECT_TRUE(action->isEnabled());
        EXPECT_EQ(window->selectedPaths(), QStringList{tree.filePath(QStringLiteral("r/a.txt"))});
    }
}

TEST_F(ResultsColumnsTest, SortingFromTheMenuTakesInPendingResultsAndKeepsTheSelection)
{
    addThree();
    window->selectRows({2}); // c.txt
    // Found but not yet shown: sorting brings it in, in order.
    add(QStringLiteral("0.txt"), 9);
    QAction size;
    setItemTag(&size, int(kSortBySize));
    window->setSorting(&size);
    EXPECT_EQ(names(), (QStringList{"b.txt", "c.txt", "a.txt", "0.txt"}));
    EXPECT_EQ(window->selectedRows(), QList<int>{1});
    // A flush that puts a result above the selected one keeps the selection
    // on its result.
    add(QStringLiteral("00.txt"), 0);
    flush();
    EXPECT_EQ(names().constFirst(), QStringLiteral("00.txt"));
    EXPECT_EQ(window->selectedPaths(), QStringList{tree.filePath(QStringLiteral("r/c.txt"))});
    EXPECT_EQ(window->pathControl()->path(), tree.filePath(QStringLiteral("r/c.txt")));
    // Keys without a column are refused.
    QAction wrong;
    setItemTag(&wrong, 8);
    window->setSorting(&wrong);
    EXPECT_EQ(results().sorting(), kSortBySize);
}

TEST_F(ResultsColumnsTest, ColumnTogglesFollowTheirTags)
{
    QMenu* columns = viewSubmenu("columnsMenu");
    ASSERT_NE(columns, nullptr);
    EXPECT_EQ(titles(columns),
              (QStringList{"Name", "Path", "Size", "Modified", "Kind", "Created", "Info", "Comment", "Tags"}));
    EXPECT_EQ(checked(columns), (QStringList{"Name", "Path", "Size", "Modified", "Kind", "Created"}));
    const QStringList byTag = {"file", "created", "modified", "size", "kind", "info", "comment", "tags", "path"};
    for (int tag = 0; tag < byTag.size(); ++tag) {
        SCOPED_TRACE(byTag.at(tag).toStdString());
        QAction* toggle = nullptr;
        for (QAction* action : columns->actions()) {
            if (itemTag(action) == tag)
                toggle = action;
        }
        ASSERT_NE(toggle, nullptr);
        const bool hidden = table()->isHiddenColumn(byTag.at(tag));
        toggle->trigger();
        EXPECT_EQ(table()->isHiddenColumn(byTag.at(tag)), !hidden);
        validateMenuActions(columns);
        EXPECT_EQ(toggle->isChecked(), hidden);
        toggle->trigger();
        EXPECT_EQ(table()->isHiddenColumn(byTag.at(tag)), hidden);
    }

    // A right click on the header offers the same toggles.
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QHeaderView* header = table()->horizontalHeader();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(10, 5), header->viewport()->mapToGlobal(QPoint(10, 5)));
    QApplication::sendEvent(header->viewport(), &menuEvent);
    QMenu* offered = nullptr;
    for (QMenu* menu : window->findChildren<QMenu*>(QStringLiteral("columnsMenu"))) {
        if (menu->isVisible())
            offered = menu;
    }
    ASSERT_NE(offered, nullptr);
    EXPECT_EQ(checked(offered), checked(columns));
    item(offered, QStringLiteral("Tags"))->trigger();
    EXPECT_FALSE(table()->isHiddenColumn(QStringLiteral("tags")));
    offered->close();
}

TEST_F(ResultsColumnsTest, TheLayoutIsKeptPerWindowIndex)
{
    const QString hiddenKey = QStringLiteral("NSTableView Hidden Columns SearchTableColumns4-1");
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTest::qWait(1);
    defaults.removeObjectForKey(hiddenKey);
    table()->setHiddenOfColumn(QStringLiteral("kind"), true);
    table()->setHiddenOfColumn(QStringLiteral("comment"), false);
    table()->moveColumn(table()->columnWithIdentifier(QStringLiteral("size")), 0);
    table()->setWidthOfColumn(table()->columnWithIdentifier(QStringLiteral("path")), 123);
    // A hidden column keeps the width it had.
    table()->setWidthOfColumn(table()->columnWithIdentifier(QStringLiteral("created")), 97);
    table()->setHiddenOfColumn(QStringLiteral("created"), true);
    // The save waits for the changes to settle, or for the window to go.
    EXPECT_FALSE(defaults.objectForKey(hiddenKey).isValid());
    window->hide();
    EXPECT_EQ(defaults.objectForKey(hiddenKey).toStringList(), (QStringList{"kind", "created", "info", "tags"}));
    const QList<TableColumn> saved = table()->tableColumns();
    window.reset();

    const auto layout = [](const QList<TableColumn>& columns) {
        QStringList shown;
        for (const TableColumn& column : columns)
            shown.append(QStringLiteral("%1 %2%3").arg(column.identifier).arg(column.width).arg(column.hidden ? " hidden" : ""));
        return shown;
    };
    const std::unique_ptr<SearchWindow> same = makeWindow(1);
    EXPECT_EQ(layout(same->resultsTable()->tableColumns()), layout(saved));
    EXPECT_EQ(same->resultsTable()->identifierOfColumn(0), QStringLiteral("size"));
    same->resultsTable()->setHiddenOfColumn(QStringLiteral("created"), false);
    EXPECT_EQ(same->resultsTable()->widthOfColumn(same->resultsTable()->columnWithIdentifier(QStringLiteral("created"))),
              97);

    const std::unique_ptr<SearchWindow> other = makeWindow(2);
    EXPECT_EQ(other->resultsTable()->identifierOfColumn(0), QStringLiteral("file"));
    EXPECT_FALSE(other->resultsTable()->isHiddenColumn(QStringLiteral("kind")));
    EXPECT_TRUE(other->resultsTable()->isHiddenColumn(QStringLiteral("comment")));
    EXPECT_TRUE(defaults.objectForKey(QStringLiteral("TableView Columns SearchTableColumns4-1")).isValid());
    EXPECT_FALSE(defaults.objectForKey(QStringLiteral("TableView Columns SearchTableColumns4-2")).isValid());
}

TEST_F(ResultsColumnsTest, ANarrowPathColumnShowsADash)
{
    addThree();
    const int path = ResultsTableModel::kPathColumn;
    const int minimum = int(table()->tableColumnAtLogicalIndex(path).minWidth);
    for (const int width : {minimum, minimum + 4, minimum + 5, 300}) {
        SCOPED_TRACE(width);
        table()->horizontalHeader()->resizeSection(path, width);
        EXPECT_EQ(cell(0, path), width <= minimum + 4 ? QStringLiteral(" - ") : QStringLiteral("."));
    }
}

TEST_F(ResultsColumnsTest, ThePathControlShowsTheOneSelectedResult)
{
    addThree();
    PathControl* control = window->pathControl();
    ASSERT_NE(control, nullptr);
    const struct
    {
        QList<int> rows;
        QString path;
    } selections[] = {
        {{1}, tree.filePath(QStringLiteral("r/b.txt"))},
        {{0, 2}, QString()},
        {{}, QString()},
        {{2}, tree.filePath(QStringLiteral("r/c.txt"))},
    };
    for (const auto& selection : selections) {
        SCOPED_TRACE(selection.rows.size());
        window->selectRows(selection.rows);
        EXPECT_EQ(control->path(), selection.path);
    }

    // Drawn in the status row, with every column shown.
    for (const char* identifier : {"info", "comment", "tags"})
        table()->setHiddenOfColumn(QString::fromLatin1(identifier), false);
    window->show();
    const QImage image = window->grab().toImage();
    const QString folder = QStringLiteral(SORVANT_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    image.save(folder + QStringLiteral("/results-columns.png"));
    const QRect area(control->mapTo(window.get(), QPoint(0, 0)), control->size());
    ASSERT_TRUE(window->rect().contains(area));
    const QColor background = control->palette().color(QPalette::Window);
    int inked = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            inked += std::abs(image.pixelColor(x, y).lightness() - background.lightness()) > 60 ? 1 : 0;
    }
    EXPECT_GT(inked, 20) << "the path is drawn";
    // A new search empties the table: the control follows without a
    // selection change being announced.
    tree.writeFile(QStringLiteral("s/none.txt"));
    ASSERT_TRUE(searchAndWait(*window, QStringLiteral("zzz"), tree.filePath(QStringLiteral("s"))));
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_TRUE(control->path().isNull());
}

TEST_F(ResultsColumnsTest, DraggingUpOrDownFromASelectedRowSelects)
{
    addThree();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QWidget* viewport = table()->viewport();
    const auto centre = [this](int row) {
        return table()->visualRect(model->index(row, ResultsTableModel::kFileColumn)).center();
    };
    const auto send = [viewport](QEvent::Type type, QPoint position, Qt::MouseButtons buttons) {
        QMouseEvent event(type, position, viewport->mapToGlobal(position), Qt::LeftButton, buttons, {});
        QApplication::sendEvent(viewport, &event);
    };
    // Down from a selected row: the rows passed over are selected. (A drag
    // would start only at a second move, so one move tells the two apart.)
    window->selectRows({0});
    send(QEvent::MouseButtonPress, centre(0), Qt::LeftButton);
    send(QEvent::MouseMove, centre(2), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, centre(2), Qt::NoButton);
    EXPECT_EQ(window->selectedRows(), (QList<int>{0, 1, 2}));
    // Up from the last row: the same.
    window->selectRows({2});
    send(QEvent::MouseButtonPress, centre(2), Qt::LeftButton);
    send(QEvent::MouseMove, centre(1), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, centre(1), Qt::NoButton);
    EXPECT_EQ(window->selectedRows(), (QList<int>{1, 2}));
}

TEST_F(ResultsColumnsTest, CopyingRowsWritesTheirFilesInRowOrder)
{
    addThree();
    table()->selectRows({2, 0}, false);
    table()->copy();
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->urls(), (QList<QUrl>{QUrl::fromLocalFile(tree.filePath(QStringLiteral("r/a.txt"))),
                                           QUrl::fromLocalFile(tree.filePath(QStringLiteral("r/c.txt")))}));
    QAction copy;
    bindAction(&copy, "copy:", table());
    EXPECT_TRUE(validateAction(&copy));
    table()->clearSelection();
    EXPECT_FALSE(validateAction(&copy));
}

} // namespace
} // namespace sorvant::test
