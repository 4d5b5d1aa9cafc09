// Work on the pool answered on the caller's thread.

#include "platform/background_work.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QPromise>
#include <QString>
#include <QDeadlineTimer>
#include <QTimer>

#include <QThreadPool>

#include <atomic>
#include <future>
#include <memory>
#include <thread>

namespace sorvant {
namespace {

// Runs this thread's events until `done` holds or `milliseconds` pass.
template <typename Done>
bool spinUntil(Done done, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

TEST(BackgroundWork, TheAnswerComesOnceWhenThePromiseEndsWhileItsContinuationAsks)
{
    // Taking the result resets the future's state; the pool's task lets go
    // of its promise later, which then finishes the future again. A
    // continuation that asks a question meanwhile runs an event loop while
    // its watcher only waits for deletion, and was handed the answer again.
    QObject context;
    int calls = 0;
    QStringList taken;
    auto promise = std::make_unique<QPromise<QStringList>>();
    promise->start();
    whenReady(promise->future(), &context, [&](const QStringList& answer) {
        ++calls;
        taken += answer;
        promise.reset(); // the task ends while the question is open
        QEventLoop question;
        QTimer::singleShot(50, &question, &QEventLoop::quit);
        question.exec();
    });
    promise->addResult(QStringList{QStringLiteral("one")});
    promise->finish();
    ASSERT_TRUE(spinUntil([&calls] { return calls > 0; }, 10000));
    // A second answer would be posted at once; half a second of events
    // shows it even on a loaded machine.
    (void)spinUntil([] { return false; }, 500);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(taken, QStringList{QStringLiteral("one")});
}

TEST(BackgroundWork, NoAnswerReachesAContextThatIsGone)
{
    int calls = 0;
    QFuture<int> work;
    {
        auto context = std::make_unique<QObject>();
        work = runInBackground([] { return 1; });
        whenReady(work, context.get(), [&calls](int) { ++calls; });
    }
    // Once the work is done its answer has been posted, if any was.
    ASSERT_TRUE(spinUntil([&work] { return work.isFinished(); }, 10000));
    (void)spinUntil([] { return false; }, 200);
    EXPECT_EQ(calls, 0);
}

// The application's work ran on Qt's global pool, which Qt's teardown
// waits for without limit: a reader in a 6 GB PDF held the quit for
// minutes. While a background pool exists the work runs there, and that
// pool is waited for only so long.
TEST(BackgroundWork, QuittingWaitsForTheBackgroundPoolOnlySoLong)
{
    std::promise<void> release;
    std::atomic<bool> started{false};
    // A watchdog lets the work go once the pool has waited past its bound by
    // far, so a pool that waits for ever fails here instead of hanging.
    std::promise<void> destroyed;
    std::atomic<bool> waitedTooLong{false};
    std::thread watchdog([&waitedTooLong, &release, ended = destroyed.get_future()] {
        if (ended.wait_for(QuitBoundedPool::kQuitWait + std::chrono::seconds(20)) == std::future_status::timeout) {
            waitedTooLong = true;
            release.set_value();
        }
    });
    {
        BackgroundPool pool;
        (void)runInBackground([&started, released = release.get_future().share()] {
            started = true;
            released.wait();
        });
        while (!started)
            std::this_thread::yield();
        EXPECT_EQ(QThreadPool::globalInstance()->activeThreadCount(), 0) << "not on Qt's global pool";
        EXPECT_FALSE(pool.drain(QDeadlineTimer(20)));
    } // waits at most QuitBoundedPool::kQuitWait, then leaves the work running
    destroyed.set_value();
    watchdog.join();
    EXPECT_FALSE(waitedTooLong.load()) << "the pool's end waited for its work";
    EXPECT_EQ(&backgroundThreads(), QThreadPool::globalInstance()) << "without a background pool, the global one";
    if (!waitedTooLong.load())
        release.set_value();
}

} // namespace
} // namespace sorvant
