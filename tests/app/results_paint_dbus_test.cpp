// The results table painted for the first time in a fresh process with a
// session bus: the first cell to ask for the appearance must not be the one
// that makes its monitor, whose first reading waits on the bus with events
// flowing and so repainted the table inside its own paint and then hung.
// Each case runs in a child process of its own (a death test), so no
// earlier test has made the monitor; a watchdog ends a hung child.

#include "app/results_table_model.h"
#include "tests/app/app_test_support.h"

#include <QApplication>
#include <QDBusConnection>
#include <QImage>
#include <QPainter>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace sorvant::test {
namespace {

using ResultsPaintDeathTest = AppFixture;

// Ends the process with status 2 unless disarmed within `seconds`.
class Watchdog
{
public:
    explicit Watchdog(int seconds)
        : m_thread([this, seconds] {
              for (int i = 0; i < seconds * 20 && !m_done.load(); ++i)
                  std::this_thread::sleep_for(std::chrono::milliseconds(50));
              if (!m_done.load())
                  std::_Exit(2);
          })
    {
    }
    ~Watchdog()
    {
        m_done.store(true);
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

TEST_F(ResultsPaintDeathTest, FirstPaintWithRowsInEveryColumnEnds)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    tree.writeFile(QStringLiteral("w/needle one.txt"));
    tree.writeFile(QStringLiteral("w/sub/needle two.txt"));
    const QString folder = tree.filePath(QStringLiteral("w"));
    for (const bool grab : {false, true}) {
        SCOPED_TRACE(grab ? "grabbed" : "shown and painted");
        EXPECT_EXIT(
            {
                Watchdog watchdog(5);
                auto window = std::make_unique<SearchWindow>(1, defaults, nullptr);
                window->resize(1040, 640);
                if (!searchAndWait(*window, QStringLiteral("needle"), folder))
                    std::_Exit(3);
                StripeTableView* table = window->resultsTable();
                if (table->model()->rowCount() != 2)
                    std::_Exit(4);
                window->show();
                window->activateWindow();
                QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
                image.fill(Qt::transparent);
                if (grab) {
                    QPainter painter(&image);
                    window->render(&painter);
                } else {
                    // A pending update while the table paints.
                    table->viewport()->update();
                    table->viewport()->repaint();
                    QApplication::processEvents();
                }
                std::_Exit(0);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

} // namespace
} // namespace sorvant::test
