#include "interface/geometry.h"
#include "interface/window_extensions.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(Geometry, FrameStringsRoundTripAndReadLeniently)
{
    const struct {
        QString text;
        Rect rect;
    } cases[] = {
        {QStringLiteral("{{10, 20}, {300, 200}}"), makeRect(10, 20, 300, 200)},
        {QStringLiteral("{{-5.5, 0}, {0.25, 1e3}}"), makeRect(-5.5, 0, 0.25, 1000)},
        {QStringLiteral("{10, 20, 300}"), makeRect(10, 20, 300, 0)},
        {QStringLiteral("garbage"), kZeroRect},
        {QString(), kZeroRect},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.text.toStdString());
        EXPECT_EQ(rectFromString(row.text), row.rect);
        EXPECT_EQ(rectFromString(stringFromRect(row.rect)), row.rect);
    }
    EXPECT_EQ(stringFromRect(makeRect(10, -0.0, 1.5, 200)), QStringLiteral("{{10, 0}, {1.5, 200}}"));
}

TEST(Geometry, LimitFrameMovesButNeverResizes)
{
    const Rect bounds = makeRect(0, 0, 1000, 800);
    const struct {
        const char* name;
        Rect frame;
        Rect limited;
    } cases[] = {
        {"inside", makeRect(10, 10, 100, 100), makeRect(10, 10, 100, 100)},
        {"right overflow", makeRect(900, 10, 200, 100), makeRect(800, 10, 200, 100)},
        {"top overflow", makeRect(10, 750, 100, 100), makeRect(10, 700, 100, 100)},
        {"below and left", makeRect(-40, -30, 100, 100), makeRect(0, 0, 100, 100)},
        {"larger than bounds", makeRect(50, 50, 1200, 900), makeRect(0, 0, 1200, 900)},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(limitFrame(row.frame, bounds), row.limited);
    }
}

TEST(Geometry, FitFrameShrinksAnOversizedFrameIntoTheScreen)
{
    // A maximized-then-restored frame below the screen, and a window a long
    // folder name had widened, come back whole on a 1440 x 875 area.
    const Rect visible = makeRect(0, 0, 1440, 875);
    EXPECT_EQ(fitFrame(makeRect(200, -118, 1440, 881), visible), makeRect(0, 0, 1440, 875));
    EXPECT_EQ(fitFrame(makeRect(900, 10, 3216, 100), visible), makeRect(0, 10, 1440, 100));
    EXPECT_EQ(fitFrame(makeRect(5000, 4000, 300, 200), visible), makeRect(1140, 675, 300, 200));
    EXPECT_EQ(fitFrame(makeRect(10, 10, 300, 200), makeRect(1440, 25, 1280, 1000)), makeRect(1440, 25, 300, 200));
    EXPECT_EQ(fitFrame(makeRect(10, 10, 300, 200), kZeroRect), makeRect(10, 10, 300, 200));
}

TEST(Geometry, QtAdapterFlipsAgainstThePrimaryScreenHeight)
{
    EXPECT_EQ(toQtRect(makeRect(0, 0, 100, 50), 800), QRect(0, 750, 100, 50));
    EXPECT_EQ(toQtRect(makeRect(20, 700, 100, 100), 800), QRect(20, 0, 100, 100));
    for (const QRect& rect : {QRect(0, 0, 10, 10), QRect(33, 120, 640, 480), QRect(-10, 790, 5, 20)}) {
        SCOPED_TRACE(rect.y());
        EXPECT_EQ(toQtRect(fromQtRect(rect, 800), 800), rect);
    }
}

TEST(Geometry, PointInRectCountsLowerEdgesOnly)
{
    const Rect rect = makeRect(0, 0, 10, 10);
    EXPECT_TRUE(pointInRect({0, 0}, rect));
    EXPECT_FALSE(pointInRect({10, 5}, rect));
    EXPECT_FALSE(pointInRect({5, 10}, rect));
    EXPECT_FALSE(pointInRect({0, 0}, makeRect(0, 0, 0, 10)));
    EXPECT_EQ(centerRect(makeRect(7, 7, 10, 4), {50, 50}), makeRect(45, 48, 10, 4));
}

TEST(DefaultSize, KeepsTheTopEdgeUnlessTheBottomWouldLeaveTheScreen)
{
    // Growing by 100 keeps the top at 600.
    EXPECT_EQ(defaultSizedFrame(makeRect(10, 500, 200, 100), {0, 0}, {300, 200}), makeRect(10, 400, 300, 200));
    // A height larger than the space below the top puts the bottom at 0.
    EXPECT_EQ(defaultSizedFrame(makeRect(10, 500, 200, 100), {0, 0}, {300, 700}), makeRect(10, 0, 300, 700));
    // The minimum size wins over a smaller request.
    EXPECT_EQ(defaultSizedFrame(makeRect(0, 100, 50, 50), {400, 300}, {100, 100}), makeRect(0, 0, 400, 300));
}

TEST(DefaultSize, RelativeScreenSizesRoundAndRespectTheMinimum)
{
    EXPECT_EQ(relativeScreenSize({1000, 801}, {0.5, 0.5}), (Size{500, 400}));
    EXPECT_EQ(relativeScreenSize({1000, 800}, {0.3333, 0.5}, {400, 100}), (Size{400, 400}));
    // No screen: the minimum size.
    EXPECT_EQ(relativeScreenSize({0, 0}, {0.5, 0.5}, {320, 240}), (Size{320, 240}));
}

} // namespace
} // namespace sorvant
