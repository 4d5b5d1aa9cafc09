#pragma once
// Shared pieces of the application's tests: a temporary tree with its own
// defaults file, and waiting for a window's search to end.

#include "app/destination_menu.h"
#include "app/search_controller.h"
#include "app/file_actions.h"
#include "app/search_options.h"
#include "app/search_window.h"
#include "app/settings_drawer.h"
#include "platform/background_work.h"
#include "platform/user_defaults.h"
#include "search/result.h"
#include "search/search_engine.h"
#include "tests/support/temp_tree.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>

namespace sorvant::test {

// The item named `name` (its selector) in a menu of the window's menu bar;
// null when none. The application's commands are items of every window's
// menus without being the window's children.
inline QAction* menuBarItem(const QWidget* window, const QString& name)
{
    for (const QMenu* menu : window->findChildren<QMenu*>()) {
        for (QAction* item : menu->actions()) {
            if (item->objectName() == name)
                return item;
        }
    }
    return nullptr;
}

class AppFixture : public ::testing::Test
{
protected:
    [[nodiscard]] QString defaultsPath() const { return tree.filePath(QStringLiteral("defaults.plist")); }
    // The defaults as another process would read them from the file.
    [[nodiscard]] QVariant stored(const QString& key) const
    {
        UserDefaults reread(defaultsPath());
        return reread.objectForKey(key);
    }
    std::unique_ptr<SearchWindow> makeWindow(quint64 index = 1)
    {
        return std::make_unique<SearchWindow>(index, defaults, nullptr);
    }
    // Calls search() and waits for its answer (the destination is tested
    // off the interface thread): a started search, a beep or a sheet; NO
    // when none came in time.
    static bool answerSearch(SearchWindow& window)
    {
        QSignalSpy answered(&window, &SearchWindow::searchAnswered);
        window.search();
        return !answered.isEmpty() || answered.wait(10000);
    }

    // Starts a search of `phrase` in `folder` and waits for the window to
    // be restored; NO when it did not start or did not end in time.
    static bool searchAndWait(SearchWindow& window, const QString& phrase, const QString& folder)
    {
        window.setInput(phrase);
        window.setDestination(folder);
        QSignalSpy ended(&window, &SearchWindow::searchDidEnd);
        if (!answerSearch(window))
            return false;
        // A started search disables the field at once and gives it back when
        // it ends; the worker itself may already have finished by now.
        if (window.searchField()->isEnabled() && ended.isEmpty())
            return false;
        return !ended.isEmpty() || ended.wait(10000);
    }

    // Runs `act`, a deletion of the window's selection, and waits until it
    // has ended; NO when it did not end in time.
    template <typename Act>
    static bool deleteAndWait(SearchWindow& window, Act act)
    {
        QSignalSpy finished(&window.fileActions(), &FileActions::deletionFinished);
        act();
        return !finished.isEmpty() || finished.wait(10000);
    }

    // Waits until `model` has `rows` rows (gone rows leave once the thread
    // pool has tested their items); NO when it did not come to that in time.
    static bool waitForRows(const QAbstractItemModel& model, int rows)
    {
        return QTest::qWaitFor([&] { return model.rowCount() == rows; }, 10000);
    }

    // Waits until every task handed to the background threads so far has
    // run and its answer has reached this thread (each comes as an event
    // posted to its watcher): after it, an answer that was to be dropped has
    // been. NO when the threads did not empty in time.
    static bool settleBackgroundWork()
    {
        if (!backgroundThreads().waitForDone(10000))
            return false;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        return true;
    }

    // Waits until the window's destination menu holds its scanned folders
    // (the home folder among them); NO when they did not come in time.
    static bool waitForDestinations(SearchWindow& window)
    {
        const auto hasHome = [&window] {
            for (const QAction* item : window.destinations()->menu()->actions()) {
                if (item->data().toString() == u"~")
                    return true;
            }
            return false;
        };
        QSignalSpy scanned(window.destinations(), &DestinationMenu::scanned);
        return hasHome() || (scanned.wait(10000) && hasHome());
    }
    // A window that searched `phrase` in `folder`, then shown and active;
    // null when it could not be had.
    std::unique_ptr<SearchWindow> shownWindowAfterSearch(const QString& phrase, const QString& folder)
    {
        auto window = makeWindow();
        if (!searchAndWait(*window, phrase, folder))
            return nullptr;
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get()) ? std::move(window) : nullptr;
    }

    // A shown window of `rows` results of files that are not there (no
    // search runs), named "n000000", "n000001" …
    std::unique_ptr<SearchWindow> windowOfRows(int rows, quint64 index = 2)
    {
        auto shown = makeWindow(index);
        ResultsDataSource& results = shown->searchController().engine().dataSource();
        for (int i = 0; i < rows; ++i) {
            const QString name = QStringLiteral("n%1").arg(i, 6, 10, QLatin1Char('0'));
            results.addResult(Result::create(QStringLiteral("/nonexistent/") + name, QStringLiteral("/nonexistent"), name,
                                             std::nullopt, QString(), false, false));
        }
        shown->searchController().showPendingResults();
        shown->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(shown.get()));
        EXPECT_EQ(shown->resultsTable()->model()->rowCount(), rows);
        return shown;
    }

    TempTree tree;
    UserDefaults defaults{defaultsPath()};
};

// Expects each text `sheet` shows to be whole (no line cut at its bottom or
// its right), and saves its picture as `file` (its folder made).
inline void expectWholeAndSave(QWidget& sheet, const QString& file)
{
    for (const QLabel* label : sheet.findChildren<QLabel*>()) {
        if (!label->isVisible() || label->text().isEmpty())
            continue;
        EXPECT_LE(label->heightForWidth(label->width()), label->height()) << label->text().toStdString();
        EXPECT_LE(label->geometry().right(), sheet.width()) << label->text().toStdString();
    }
    QDir().mkpath(QFileInfo(file).path());
    EXPECT_TRUE(sheet.grab().save(file)) << file.toStdString();
}

// Collects what QAbstractItemModelTester finds wrong while it watches.
class ModelTesterFailures
{
public:
    ModelTesterFailures() { s_failures = &m_failures, m_previous = qInstallMessageHandler(record); }
    ~ModelTesterFailures()
    {
        qInstallMessageHandler(m_previous);
        s_failures = nullptr;
    }
    [[nodiscard]] const QStringList& failures() const { return m_failures; }

private:
    static void record(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (s_failures && type == QtWarningMsg && qstrcmp(context.category, "qt.modeltest") == 0)
            s_failures->append(message);
    }
    static inline QStringList* s_failures = nullptr;
    QStringList m_failures;
    QtMessageHandler m_previous = nullptr;
};

// Holds the searches of an engine before they walk until released (at the
// latest when it goes), so a test acts on a search that is surely running.
class HeldSearches
{
public:
    explicit HeldSearches(SearchEngine& engine) : m_released(m_release.get_future().share())
    {
        engine.setWorkerStartHook([released = m_released] { released.wait(); });
    }
    ~HeldSearches() { release(); }
    void release()
    {
        if (!m_done.exchange(true))
            m_release.set_value();
    }

private:
    std::promise<void> m_release;
    std::shared_future<void> m_released;
    std::atomic<bool> m_done{false};
};

} // namespace sorvant::test
