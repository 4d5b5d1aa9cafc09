// Work on the pool answered on the caller's thread.

#include "platform/background_work.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QString>
#include <QDeadlineTimer>
#include <QTimer>

#include <memory>

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

TEST(BackgroundWork, TheAnswerComesOnceAlsoWhenItsContinuationRunsAnEventLoop)
{
    // A continuation that asks a question runs a nested event loop (a
    // modal alert); the watcher, only scheduled for deletion, must not hand
    // the same result over again inside it.
    QObject context;
    int calls = 0;
    QStringList taken;
    for (int i = 0; i < 20; ++i) {
        whenReady(runInBackground([i] { return QStringList{QString::number(i)}; }), &context,
                  [&calls, &taken](const QStringList& answer) {
                      ++calls;
                      taken += answer;
                      QEventLoop loop;
                      QTimer::singleShot(20, &loop, &QEventLoop::quit);
                      loop.exec();
                  });
    }
    ASSERT_TRUE(spinUntil([&calls] { return calls >= 20; }, 10000));
    (void)spinUntil([] { return false; }, 100);
    EXPECT_EQ(calls, 20);
    taken.sort();
    QStringList expected;
    for (int i = 0; i < 20; ++i)
        expected += QString::number(i);
    expected.sort();
    EXPECT_EQ(taken, expected);
}

TEST(BackgroundWork, NoAnswerReachesAContextThatIsGone)
{
    int calls = 0;
    {
        auto context = std::make_unique<QObject>();
        whenReady(runInBackground([] { return 1; }), context.get(), [&calls](int) { ++calls; });
    }
    (void)spinUntil([] { return false; }, 100);
    EXPECT_EQ(calls, 0);
}

} // namespace
} // namespace sorvant
