#include "interface/window_fading.h"

#include "tests/interface/widget_helpers.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(Fading, TimedFadeOutStepsDownThenHides)
{
    QWidget window;
    test::activate(window);
    setAlphaValue(&window, 1.0);
    timedFadeOut(&window, 0.2); // 5 ticks of 0.04 s
    EXPECT_TRUE(isTimedFading(&window));
    EXPECT_DOUBLE_EQ(alphaValue(&window), 1.0) << "the first step waits a tick";
    ASSERT_TRUE(QTest::qWaitFor([&window] { return !window.isVisible(); }, test::kConditionWait));
    EXPECT_DOUBLE_EQ(alphaValue(&window), 0.0);
    EXPECT_FALSE(isTimedFading(&window));
}

TEST(Fading, TimedFadeInShowsFirstAndStopsAtTheTarget)
{
    QWidget window;
    setAlphaValue(&window, 0.0);
    timedFadeIn(&window, 0.2, 0.5);
    EXPECT_TRUE(window.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&window] { return !isTimedFading(&window); }, test::kConditionWait));
    EXPECT_DOUBLE_EQ(alphaValue(&window), 0.5);
}

TEST(Fading, SmallStepsAreNotLostToEightBitOpacity)
{
    QWidget window;
    setAlphaValue(&window, 0.0);
    // 0.04 / 40 = 0.001 per tick, far below 1/255: the fade still advances.
    timedFadeIn(&window, 40);
    EXPECT_TRUE(QTest::qWaitFor([&window] { return alphaValue(&window) > 0.0; }, test::kConditionWait));
    cancelTimedFading(&window);
    EXPECT_FALSE(isTimedFading(&window));
}

TEST(Fading, AWindowAlreadyBelowTheTargetIsHiddenAtOnce)
{
    QWidget window;
    test::activate(window);
    setAlphaValue(&window, 0.2);
    timedFadeOut(&window, 1.0, 0.5);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(isTimedFading(&window));
}

TEST(Fading, BlockingFadesReachTheTargetWithoutHiding)
{
    QWidget window;
    test::activate(window);
    setAlphaValue(&window, 1.0);
    fadeOut(&window, 0.1); // 3 steps, 2 sleeps
    EXPECT_DOUBLE_EQ(alphaValue(&window), 0.0);
    EXPECT_TRUE(window.isVisible());
    fadeIn(&window, 0.1, 0.6);
    EXPECT_DOUBLE_EQ(alphaValue(&window), 0.6);
    fadeIn(&window, 0.1, 0.3); // already above: nothing
    EXPECT_DOUBLE_EQ(alphaValue(&window), 0.6);
}

} // namespace
} // namespace sorvant
