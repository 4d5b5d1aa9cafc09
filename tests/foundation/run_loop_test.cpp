#include "foundation/run_loop.h"

#include "tests/support/log_capture.h"


#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

namespace sorvant {
namespace {

class Receiver : public QObject
{
    Q_OBJECT
public:
    int refreshes = 0;
    QStringList shown;
    QList<int> counts;

public slots:
    void refresh() { ++refreshes; }
    void show(const QString& text) { shown.append(text); }
    void count(int value) { counts.append(value); }
};

// Spins the event loop until `done` holds or `seconds` pass.
template <typename Done>
bool spinUntil(Done done, double seconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < seconds * 1000)
        runModeForTimeInterval(QEventLoop::AllEvents, 0.01);
    return done();
}

TEST(RunLoop, RunForTimeIntervalProcessesEventsForThatLong)
{
    bool fired = false;
    QTimer::singleShot(10, [&] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    runForTimeInterval(0.05);
    EXPECT_TRUE(fired);
    EXPECT_GE(clock.elapsed(), 45);
    runForTimeInterval(-1.0);
}

TEST(RunLoop, RunModeReturnsAfterOneBatch)
{
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    EXPECT_TRUE(runModeForTimeInterval(QEventLoop::AllEvents, 5.0));
    EXPECT_TRUE(fired);
    EXPECT_FALSE(runModeForTimeInterval(QEventLoop::AllEvents, std::numeric_limits<double>::infinity()));
}

TEST(RunLoop, PerformBlockRunsAtOnce)
{
    int runs = 0;
    performBlock([&] { ++runs; });
    performBlock({});
    EXPECT_EQ(runs, 1);
}

TEST(DelayedPerform, ZeroDelayPerformsBeforeReturning)
{
    Receiver receiver;
    cancelPreviousPerformRequestsAndPerformSelector(&receiver, "refresh", QVariant(), 0.0);
    EXPECT_EQ(receiver.refreshes, 1);
    cancelPreviousPerformRequestsAndPerformSelector(&receiver, "show:", QStringLiteral("now"), -1.0);
    EXPECT_EQ(receiver.shown, QStringList{"now"});
}

TEST(DelayedPerform, LaterRequestReplacesTheEarlierOne)
{
    Receiver receiver;
    cancelPreviousPerformRequestsAndPerformSelector(&receiver, "refresh", QVariant(), 0.03);
    cancelPreviousPerformRequestsAndPerformSelector(&receiver, "refresh", QVariant(), 0.03);
    EXPECT_EQ(receiver.refreshes, 0);
    EXPECT_EQ(pendingPerformRequests(&receiver, "refresh"), 1);
    EXPECT_TRUE(spinUntil([&] { return receiver.refreshes > 0; }, 2.0));
    runForTimeInterval(0.06);
    EXPECT_EQ(receiver.refreshes, 1);
    EXPECT_EQ(pendingPerformRequests(&receiver), 0);
}

TEST(DelayedPerform, CancelMatchesSelectorAndArgument)
{
    Receiver receiver;
    performSelector(&receiver, "show:", QStringLiteral("a"), 0.01);
    performSelector(&receiver, "show:", QStringLiteral("b"), 0.01);
    performSelector(&receiver, "refresh", QVariant(), 0.01);
    cancelPreviousPerformRequests(&receiver, "show:", QStringLiteral("a"));
    EXPECT_EQ(pendingPerformRequests(&receiver), 2);
    EXPECT_TRUE(spinUntil([&] { return pendingPerformRequests(&receiver) == 0; }, 2.0));
    EXPECT_EQ(receiver.shown, QStringList{"b"});
    EXPECT_EQ(receiver.refreshes, 1);

    performSelector(&receiver, "refresh", QVariant(), 0.01);
    performSelector(&receiver, "show:", QStringLiteral("c"), 0.01);
    cancelPreviousPerformRequests(&receiver);
    runForTimeInterval(0.05);
    EXPECT_EQ(receiver.refreshes, 1);
    EXPECT_EQ(receiver.shown, QStringList{"b"});
}

TEST(DelayedPerform, ArgumentIsConvertedToTheParameterType)
{
    Receiver receiver;
    performSelector(&receiver, "count:", QVariant(QStringLiteral("42")));
    performSelector(&receiver, "count:", QVariant());
    EXPECT_EQ(receiver.counts, (QList<int>{42, 0}));
}

TEST(DelayedPerform, DestroyedTargetIsNotCalled)
{
    auto receiver = std::make_unique<Receiver>();
    performSelector(receiver.get(), "refresh", QVariant(), 0.01);
    EXPECT_EQ(pendingPerformRequests(receiver.get()), 1);
    receiver.reset();
    runForTimeInterval(0.05);   // would crash on a dangling target
    SUCCEED();
}

TEST(DelayedPerform, UnknownSelectorIsLogged)
{
    test::LogCapture log;
    Receiver receiver;
    performSelector(&receiver, "vanish", QVariant());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_EQ(log.lines().first(), QStringLiteral("-[sorvant::Receiver vanish]: Unrecognized selector."));
}

} // namespace
} // namespace sorvant

#include "run_loop_test.moc"
