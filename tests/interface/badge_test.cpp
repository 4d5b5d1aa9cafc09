#include "interface/badge.h"

#include "tests/interface/badge_fakes.h"
#include "tests/interface/widget_helpers.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <thread>

namespace sorvant {
namespace {

class BadgeTest : public test::DefaultsFixture
{
protected:
    void SetUp() override
    {
        resetBadgeState();
        setBadgeDefaults(&defaults);
        previous = setBadgeDisplay(&display);
        setBadgeDelayedCall(std::make_unique<test::ManualDelayedCall>(timer));
    }
    void TearDown() override
    {
        setBadgeDisplay(previous);
        setBadgeDelayedCall(nullptr);
        setBadgeDefaults(nullptr);
        resetBadgeState();
    }

    test::RecordingBadgeDisplay display;
    test::ManualDelayedCall::State timer;
    BadgeDisplay* previous = nullptr;
};

TEST(BadgeLabel, CountsBecomePlusLabels)
{
    EXPECT_EQ(badgeLabelForCount(0), QStringLiteral(""));
    EXPECT_FALSE(badgeLabelForCount(0).isNull());
    EXPECT_EQ(badgeLabelForCount(5), QStringLiteral("+5"));
    EXPECT_EQ(badgeLabelForCount(quint64(1) << 40), QStringLiteral("+1099511627776"));
    EXPECT_EQ(badgeCountForLabel(QStringLiteral("+42")), 42);
    for (const QString& label : {QString(), QStringLiteral(""), QStringLiteral("42"), QStringLiteral("+x")})
        EXPECT_EQ(badgeCountForLabel(label), 0) << label.toStdString();
}

TEST(BadgeLabel, WindowTitlesShowTheLabelThroughTheDisplayName)
{
    const QString previous = QGuiApplication::applicationDisplayName();
    test::RecordingBadgeDisplay recorder;
    BadgeDisplayList both({&applicationTitleBadgeDisplay(QStringLiteral("Sorvant")), &recorder});
    both.showBadgeLabel(QStringLiteral("+5"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Sorvant (+5)"));
    both.showBadgeLabel(QStringLiteral(""));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Sorvant"));
    EXPECT_EQ(recorder.labels, (QStringList{QStringLiteral("+5"), QStringLiteral("")}));
    QGuiApplication::setApplicationDisplayName(previous);
}

TEST_F(BadgeTest, IncreasesAddUpAndDecreasesStopAtZero)
{
    increaseBadgeLabel(3);
    increaseBadgeLabel(2);
    EXPECT_EQ(display.labels.last(), QStringLiteral("+5"));
    decreaseBadgeLabel(9);
    EXPECT_EQ(badgeCounter(), 0u);
    EXPECT_EQ(display.labels, (QStringList{QStringLiteral("+3"), QStringLiteral("+5"), QStringLiteral("")}));

    increaseBadgeLabel(0);
    decreaseBadgeLabel(0);
    EXPECT_EQ(display.labels.size(), 3) << "a change by 0 leaves the display alone";
}

TEST_F(BadgeTest, DisabledBadgeCountsButNeverShows)
{
    defaults.setBool(true, QStringLiteral("DisableBadgeLabel"));
    increaseBadgeLabel(4);
    decreaseBadgeLabel(1);
    EXPECT_EQ(badgeCounter(), 3u);
    EXPECT_TRUE(display.labels.isEmpty());
}

TEST_F(BadgeTest, ResetWaitsForTheLockAndTheDelay)
{
    increaseBadgeLabel(7);
    lockBadgeLabel();
    resetBadgeLabel();
    EXPECT_EQ(badgeCounter(), 7u) << "locked: the reset keeps the counter";

    unlockBadgeLabel();
    unlockBadgeLabel(); // never below 0
    EXPECT_EQ(badgeLockCount(), 0u);
    resetBadgeLabelDelayed();
    resetBadgeLabelDelayed();
    EXPECT_EQ(timer.delay, 0.2);
    EXPECT_EQ(badgeCounter(), 7u) << "nothing before the delay";
    ASSERT_TRUE(timer.call);
    timer.call();
    EXPECT_EQ(badgeCounter(), 0u);
    EXPECT_EQ(display.labels.last(), QStringLiteral(""));

    increaseBadgeLabel(1);
    resetBadgeLabelDelayed();
    cancelResetBadgeLabelDelayed();
    EXPECT_FALSE(timer.call);
    EXPECT_EQ(badgeCounter(), 1u);
}

TEST_F(BadgeTest, ChangesFromOtherThreadsAreShownOnTheMainThread)
{
    QThread* shownOn = nullptr;
    struct ThreadRecorder : BadgeDisplay {
        QThread** thread;
        QStringList labels;
        void showBadgeLabel(const QString& label) override
        {
            *thread = QThread::currentThread();
            labels.append(label);
        }
    } recorder;
    recorder.thread = &shownOn;
    setBadgeDisplay(&recorder);
    std::thread worker([] { increaseBadgeLabel(2); });
    worker.join();
    EXPECT_EQ(badgeCounter(), 2u);
    EXPECT_TRUE(recorder.labels.isEmpty()) << "not written from the worker";
    EXPECT_TRUE(QTest::qWaitFor([&recorder] { return !recorder.labels.isEmpty(); }, test::kConditionWait));
    EXPECT_EQ(recorder.labels, QStringList{QStringLiteral("+2")});
    EXPECT_EQ(shownOn, QCoreApplication::instance()->thread());
    setBadgeDisplay(&display);
}

TEST_F(BadgeTest, TheDefaultTimerResetsAfterTheDelay)
{
    setBadgeDelayedCall(nullptr);
    QElapsedTimer since;
    since.start();
    increaseBadgeLabel(3);
    resetBadgeLabelDelayed();
    QCoreApplication::processEvents();
    EXPECT_EQ(badgeCounter(), 3u) << "not at once";
    ASSERT_TRUE(QTest::qWaitFor([] { return badgeCounter() == 0; }, test::kConditionWait));
    // The delay is 0.2 s; a coarse timer may fire a little early.
    EXPECT_GE(since.elapsed(), 150) << "not before the delay";
}

TEST_F(BadgeTest, ReplacingTheTimerDropsItsPendingReset)
{
    setBadgeDelayedCall(nullptr);
    increaseBadgeLabel(3);
    resetBadgeLabelDelayed();
    setBadgeDelayedCall(std::make_unique<test::ManualDelayedCall>(timer));
    // Five times the 0.2 s delay the dropped reset was due after.
    ASSERT_TRUE(test::runTimersDueWithin(1000));
    EXPECT_EQ(badgeCounter(), 3u);
}

} // namespace
} // namespace sorvant
