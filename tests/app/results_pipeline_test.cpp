// The way results travel from the engine to the table: flushes that leave
// the selection and the preview alone, and the first row the keyboard
// selects from the search field.

#include "app/results_table_model.h"
#include "interface/quick_look.h"
#include "search/result.h"
#include "tests/app/app_test_support.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTableView>
#include <QTest>

namespace sorvant::test {
namespace {

class ResultsPipelineTest : public AppFixture
{
protected:
    void TearDown() override
    {
        if (QuickLookController* preview = QuickLookController::currentController())
            preview->closePanel();
    }
    // A window that found `count` results in "few", shown and active;
    // null when it could not be had.
    std::unique_ptr<SearchWindow> shownWindowWithResults(int count)
    {
        for (int i = 0; i < count; ++i)
            tree.writeFile(QStringLiteral("few/report%1.txt").arg(i));
        auto window = shownWindowAfterSearch(QStringLiteral("report"), tree.filePath(QStringLiteral("few")));
        return window && window->resultsTable()->model()->rowCount() == count ? std::move(window) : nullptr;
    }
    // A result the worker would add, for a new file in "few".
    ResultPointer newResult(const QString& name)
    {
        return Result::create(tree.writeFile(QStringLiteral("few/") + name), tree.filePath(QStringLiteral("few")),
                              name, std::nullopt, QString(), false, false);
    }
    // The worker adds `result` and its search ends: the next tick flushes.
    static void arriveAndEnd(SearchWindow& window, ResultPointer result)
    {
        window.engine().dataSource().addResult(std::move(result));
        window.engine().threadInit();
        window.engine().threadExit();
        window.updateHandler();
    }
};

// A flush re-selected the kept rows while it held the results' lock; the
// preview, told of the selection, asked for the selected files, found the
// lock taken by its own thread and was handed none.
TEST_F(ResultsPipelineTest, PreviewKeepsItsItemsAcrossAFlush)
{
    auto window = shownWindowWithResults(2);
    ASSERT_TRUE(window);
    QTableView* table = window->resultsTable();
    table->setFocus();
    table->selectRow(1);
    const QString selected = window->selectedPaths().value(0);
    QTest::keyClick(table, Qt::Key_Space);
    QuickLookController* preview = QuickLookController::currentController();
    ASSERT_TRUE(preview && preview->isOpen());
    ASSERT_EQ(preview->documentURLs(), QList<QUrl>{QUrl::fromLocalFile(selected)});

    arriveAndEnd(*window, newResult(QStringLiteral("report-new.txt")));
    EXPECT_EQ(table->model()->rowCount(), 3);
    EXPECT_EQ(window->selectedPaths(), QStringList{selected});
    EXPECT_EQ(preview->documentURLs(), QList<QUrl>{QUrl::fromLocalFile(selected)});
}

// Focusing the table from the field made its first row current without
// selecting it, so the forwarded Down selected the second row (and with a
// single result, nothing).
TEST_F(ResultsPipelineTest, DownFromTheSearchFieldSelectsTheFirstResult)
{
    for (const int count : {1, 3}) {
        SCOPED_TRACE(count);
        auto window = shownWindowWithResults(count);
        ASSERT_TRUE(window);
        window->searchField()->setFocus();
        QKeyEvent down(QEvent::ShortcutOverride, Qt::Key_Down, Qt::NoModifier);
        EXPECT_TRUE(window->checkKeyWindowEvent(&down));
        EXPECT_EQ(QApplication::focusWidget(), window->resultsTable());
        EXPECT_EQ(window->selectedRows(), QList<int>{0});
        // Back in the field with a row selected, Down moves on from it.
        if (count > 1) {
            window->searchField()->setEnabled(true);
            window->searchField()->setFocus();
            EXPECT_TRUE(window->checkKeyWindowEvent(&down));
            EXPECT_EQ(window->selectedRows(), QList<int>{1});
        }
        window->close();
        QDir(tree.filePath(QStringLiteral("few"))).removeRecursively();
    }
}

} // namespace
} // namespace sorvant::test
