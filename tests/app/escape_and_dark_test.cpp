// Escape in the search window's results: their preview closes first, then a
// running search stops.

#include "interface/quick_look.h"
#include "tests/app/app_test_support.h"

#include <QApplication>
#include <QTableView>
#include <QTest>

#include <atomic>
#include <future>

namespace sorvant::test {
namespace {

class EscapeTest : public AppFixture
{
protected:
    void TearDown() override
    {
        if (QuickLookController* preview = QuickLookController::currentController())
            preview->closePanel();
    }
    [[nodiscard]] static bool previewOpen()
    {
        const QuickLookController* preview = QuickLookController::currentController();
        return preview && preview->isOpen();
    }
    // A window that found two results, shown and active, with the focus on
    // its results and the first row selected; null when it could not be had.
    std::unique_ptr<SearchWindow> windowFocusedOnResults()
    {
        tree.writeFile(QStringLiteral("few/report.txt"));
        tree.writeFile(QStringLiteral("few/report.md"));
        tree.writeFile(QStringLiteral("many/match.txt"));
        auto window = shownWindowAfterSearch(QStringLiteral("report"), tree.filePath(QStringLiteral("few")));
        if (!window)
            return nullptr;
        QTableView* table = window->resultsTable();
        table->setFocus();
        table->selectRow(0);
        return QApplication::focusWidget() == table ? std::move(window) : nullptr;
    }
};

// The search once ended before the second Escape now and then, which then
// stopped nothing: it is held until both keys have come.
TEST_F(EscapeTest, EscapeInTheResultsClosesThePreviewWhetherIdleOrSearching)
{
    auto window = windowFocusedOnResults();
    ASSERT_TRUE(window);
    QTableView* table = window->resultsTable();

    {
        SCOPED_TRACE("idle");
        QTest::keyClick(table, Qt::Key_Space);
        ASSERT_TRUE(previewOpen()) << "Space opens the preview";
        QTest::keyClick(table, Qt::Key_Escape);
        EXPECT_FALSE(previewOpen()) << "Escape in the results closes it";
        EXPECT_TRUE(window->isVisible());
    }
    {
        SCOPED_TRACE("searching");
        QTest::keyClick(table, Qt::Key_Space);
        ASSERT_TRUE(previewOpen());
        QSignalSpy ended(window.get(), &SearchWindow::searchDidEnd);
        HeldSearches held(window->searchController().engine());
        window->setInput(QStringLiteral("match"));
        window->setDestination(tree.filePath(QStringLiteral("many")));
        ASSERT_TRUE(answerSearch(*window));
        ASSERT_TRUE(window->isSearching());
        // The answer comes through the event loop, which lets the shown
        // preview take the activation: the keys go to the window again. The
        // preview is transient for the window, which counts as active while
        // the preview is: wait for the window itself.
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == window.get(); }));
        ASSERT_TRUE(previewOpen());
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Escape);
        EXPECT_FALSE(previewOpen()) << "the first Escape closes the preview";
        EXPECT_FALSE(window->searchController().engine().params().stop.load()) << "and leaves the search running";
        QTest::keyClick(table, Qt::Key_Escape);
        EXPECT_TRUE(window->searchController().engine().params().stop.load()) << "the second Escape stops the search";
        held.release();
        EXPECT_TRUE(!ended.isEmpty() || ended.wait(10000));
    }
}

} // namespace
} // namespace sorvant::test
