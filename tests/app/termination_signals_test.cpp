// SIGTERM and SIGINT stop the user's file work in their handler, whatever
// the interface thread is doing, and then quit through its event loop.

#include "app/termination_signals.h"
#include "app/user_file_work.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QObject>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <semaphore>

#include <sys/stat.h>
#include <unistd.h>

namespace sorvant::test {
namespace {

using namespace std::chrono_literals;

// The signals' actions as they were, given back at the end of a test.
class SavedSignalActions
{
public:
    SavedSignalActions()
    {
        ::sigaction(SIGTERM, nullptr, &m_term);
        ::sigaction(SIGINT, nullptr, &m_int);
    }
    ~SavedSignalActions()
    {
        ::sigaction(SIGTERM, &m_term, nullptr);
        ::sigaction(SIGINT, &m_int, nullptr);
    }
    SavedSignalActions(const SavedSignalActions&) = delete;
    SavedSignalActions& operator=(const SavedSignalActions&) = delete;

private:
    struct sigaction m_term{};
    struct sigaction m_int{};
};

// Regression: the handler's own stop could be dropped unseen, for the quit
// it wakes stopped the work too, soon enough when the interface thread is
// idle. Here that thread is held busy from the signal on (it turns no event
// loop), so only the handler's stop ends the work: it goes through at most
// the item at hand after the signal, where the work left to the interface
// thread goes on through all the items it is held for.
TEST(TerminationSignals, TheWorkStopsAtTheSignalWhileTheInterfaceThreadIsBusy)
{
    // The items the interface thread is held for at most; a work still
    // going by then is one the signal did not stop.
    constexpr qsizetype kHeldFor = 2'000;
    constexpr qsizetype kItems = 1'000'000'000;
    constexpr qsizetype kSignalAt = 100;
    const QByteArray folder = QDir::tempPath().toLocal8Bit();
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal == SIGTERM ? "SIGTERM" : "SIGINT");
        const SavedSignalActions saved;
        UserFileWork work;
        QObject context;
        int quits = 0;
        ASSERT_TRUE(installTerminationHandlers(work, &context, [&quits] { ++quits; }));
        std::binary_semaphore reached{0};
        std::binary_semaphore signalled{0};
        std::atomic<qsizetype> done{0};
        // Each item reads the disk, as a removal does. The work waits at
        // its item kSignalAt until the signal has been sent.
        const auto items = [&](FileOperation& operation) {
            for (qsizetype i = 0; i < kItems && !operation.shouldStop(); ++i) {
                if (i == kSignalAt) {
                    reached.release();
                    signalled.acquire();
                }
                struct stat status{};
                (void)::stat(folder.constData(), &status);
                operation.itemDone();
                done.store(i + 1, std::memory_order_relaxed);
            }
        };
        const QFuture<void> ended = work.start(FileOperation::Kind::Delete, kItems, items);
        ASSERT_TRUE(reached.try_acquire_for(30s));
        ASSERT_EQ(::kill(::getpid(), signal), 0);
        signalled.release();
        // Held busy: no event loop turns until the work ends or has gone
        // far past the signal.
        const QDeadlineTimer limit(30s);
        while (!ended.isFinished() && done.load(std::memory_order_relaxed) < kSignalAt + kHeldFor
               && !limit.hasExpired()) {
        }
        const qsizetype after = done.load(std::memory_order_relaxed) - kSignalAt;
        EXPECT_TRUE(ended.isFinished()) << "the work went on for " << after << " items after the signal";
        EXPECT_LE(after, 1) << "items gone through after the signal";
        // The interface thread, free again, quits once.
        EXPECT_TRUE(QTest::qWaitFor([&quits] { return quits > 0; }, 10000));
        EXPECT_EQ(quits, 1);
        work.stop();
        EXPECT_TRUE(work.waitForDone(QDeadlineTimer(30s)));
    }
}

} // namespace
} // namespace sorvant::test
