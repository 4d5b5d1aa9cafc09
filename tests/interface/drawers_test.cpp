#include "interface/drawers.h"

#include "platform/user_defaults.h"
#include "tests/interface/widget_helpers.h"

#include <QImage>
#include <QLabel>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// --- fitting ------------------------------------------------------------------------------

struct FitCase {
    const char* name;
    DrawerEdge edge;
    Rect frame;
    Rect expected;
};
void PrintTo(const FitCase& row, std::ostream* out) { test::printRowName(row, out); }

class DrawerFitting : public ::testing::TestWithParam<FitCase> {};

const Rect kScreen = makeRect(0, 0, 1000, 800);
const Size kDrawer{200, 150};

TEST_P(DrawerFitting, KeepsWindowAndDrawerOnTheScreen)
{
    const FitCase& c = GetParam();
    EXPECT_EQ(fitWindowFrameForDrawer(c.frame, kDrawer, c.edge, kScreen), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, DrawerFitting,
    ::testing::Values(
        FitCase{"RightFits", DrawerEdge::Right, makeRect(100, 100, 300, 200), makeRect(100, 100, 300, 200)},
        // 900 + 200 + 16 passes 1000 by 116.
        FitCase{"RightMovesLeft", DrawerEdge::Right, makeRect(600, 100, 300, 200), makeRect(484, 100, 300, 200)},
        // Too wide to move: pinned at the left edge and narrowed.
        FitCase{"RightShrinks", DrawerEdge::Right, makeRect(50, 100, 900, 200), makeRect(0, 100, 784, 200)},
        FitCase{"LeftMovesRight", DrawerEdge::Left, makeRect(100, 100, 300, 200), makeRect(216, 100, 300, 200)},
        FitCase{"LeftShrinks", DrawerEdge::Left, makeRect(10, 100, 900, 200), makeRect(216, 100, 784, 200)},
        FitCase{"BottomMovesUp", DrawerEdge::Bottom, makeRect(100, 50, 300, 200), makeRect(100, 166, 300, 200)},
        FitCase{"BottomCutsAtTop", DrawerEdge::Bottom, makeRect(100, 50, 300, 700), makeRect(100, 166, 300, 634)},
        FitCase{"TopMovesDown", DrawerEdge::Top, makeRect(100, 500, 300, 200), makeRect(100, 434, 300, 200)},
        FitCase{"TopShrinks", DrawerEdge::Top, makeRect(100, 10, 300, 780), makeRect(100, 0, 300, 634)}),
    [](const ::testing::TestParamInfo<FitCase>& param) { return std::string(param.param.name); });

TEST(DrawerRestore, ChoosesTheFrameByWhatTheUserDid)
{
    const Rect before = makeRect(600, 100, 300, 200);
    const Rect after = makeRect(484, 100, 300, 200);
    // Untouched (up to rounding): back to the frame from before.
    EXPECT_EQ(previousWindowFrameForDrawer(makeRect(484.3, 100, 300, 200), before, after, false), before);
    // Moved: the new origin with the old size.
    EXPECT_EQ(previousWindowFrameForDrawer(makeRect(10, 20, 300, 200), before, after, false),
              makeRect(10, 20, 300, 200));
    EXPECT_EQ(previousWindowFrameForDrawer(makeRect(10, 20, 300, 200), makeRect(0, 0, 250, 150), after, false),
              makeRect(10, 20, 250, 150));
    // Resized: stays.
    EXPECT_EQ(previousWindowFrameForDrawer(makeRect(484, 100, 500, 200), before, after, false),
              makeRect(484, 100, 500, 200));
    // Full screen: always the frame from before.
    EXPECT_EQ(previousWindowFrameForDrawer(makeRect(0, 0, 1000, 800), before, after, true), before);
}

// --- the drawer in a window -------------------------------------------------------------------

class Drawers : public test::DefaultsFixture
{
protected:
    void SetUp() override
    {
        UserDefaults::standardUserDefaults().removeObjectForKey(drawerSizeKey(QStringLiteral("Test")));
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(new QLabel(QStringLiteral("results")));
        window.show();
        screen = NSDrawerExtended::screenFrame(&window);
        ASSERT_GT(screen.size.width, 400);
    }

    QWidget window;
    Rect screen;
};

TEST_F(Drawers, SavedSizeFallsBackToTheMinimumForBadValues)
{
    NSDrawerExtended drawer(Size{100, 100}, DrawerEdge::Right, &window);
    drawer.setMinContentSize(Size{120, 80});
    drawer.setAutosaveName(QStringLiteral("Test"));
    EXPECT_EQ(drawer.autosaveName(), QStringLiteral("Test drawer size"));
    auto& store = UserDefaults::standardUserDefaults();
    for (const char* value : {"{0, 200}", "{200, -1}", "nonsense", "{1, 2, 3}", ""}) {
        SCOPED_TRACE(value);
        store.setString(QString::fromLatin1(value), drawer.autosaveName());
        EXPECT_EQ(drawer.savedSize(), (Size{120, 80}));
    }
    store.setString(QStringLiteral("{210.5, 300}"), drawer.autosaveName());
    EXPECT_EQ(drawer.savedSize(), (Size{210.5, 300}));
    // A user resize is saved through the shared delegate.
    drawer.resizeByUser(Size{180, 90});
    EXPECT_EQ(store.objectForKey(drawer.autosaveName()).toString(), QStringLiteral("{180, 90}"));
    EXPECT_EQ(drawer.contentSize(), (Size{180, 90}));
}

TEST_F(Drawers, OpenAndCloseRestoreTheWindowNearTheScreenEdge)
{
    NSDrawerExtended drawer(Size{200, 100}, DrawerEdge::Right, &window);
    const Rect before = makeRect(screen.maxX() - 320, screen.minY() + 100, 300, 200);
    NSDrawerExtended::setWindowFrame(&window, before);
    drawer.open();
    ASSERT_TRUE(drawer.isVisible());
    // Moved left by 200 + 16 - 20; the real window holds the drawer as well.
    const Rect fitted = makeRect(before.origin.x - 196, before.origin.y, 300, 200);
    EXPECT_EQ(NSDrawerExtended::windowFrame(&window), fitted);
    EXPECT_EQ(window.width(), 500);
    const QWidget* panel = drawer.panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->geometry(), QRect(300, 0, 200, 200));
    EXPECT_EQ(window.contentsMargins().right(), 200);

    drawer.close();
    EXPECT_FALSE(drawer.isVisible());
    EXPECT_EQ(NSDrawerExtended::windowFrame(&window), before);
    EXPECT_EQ(window.width(), 300);
    EXPECT_EQ(window.contentsMargins(), QMargins());
    EXPECT_EQ(drawer.oldWindowFrame(), kZeroRect);
}

TEST_F(Drawers, UserMovesAndResizesWhileOpen)
{
    NSDrawerExtended drawer(Size{200, 100}, DrawerEdge::Right, &window);
    const Rect before = makeRect(screen.maxX() - 320, screen.minY() + 100, 300, 200);
    {
        SCOPED_TRACE("moved");
        NSDrawerExtended::setWindowFrame(&window, before);
        drawer.open();
        NSDrawerExtended::setWindowFrame(&window, makeRect(screen.minX() + 10, screen.minY() + 50, 300, 200));
        drawer.close();
        EXPECT_EQ(NSDrawerExtended::windowFrame(&window), makeRect(screen.minX() + 10, screen.minY() + 50, 300, 200));
    }
    {
        SCOPED_TRACE("resized");
        NSDrawerExtended::setWindowFrame(&window, before);
        drawer.open();
        const Rect resized = makeRect(screen.minX() + 10, screen.minY() + 50, 250, 260);
        NSDrawerExtended::setWindowFrame(&window, resized);
        drawer.close();
        EXPECT_EQ(NSDrawerExtended::windowFrame(&window), resized);
    }
}

TEST_F(Drawers, SwitchingDrawersCarriesTheFirstFrameOver)
{
    NSDrawerExtended settings(Size{200, 100}, DrawerEdge::Right, &window);
    NSDrawerExtended details(Size{150, 100}, DrawerEdge::Left, &window);
    const Rect before = makeRect(screen.maxX() - 320, screen.minY() + 100, 300, 200);
    NSDrawerExtended::setWindowFrame(&window, before);
    details.openAndCloseDrawer(); // none visible: just opens
    details.close();
    EXPECT_EQ(NSDrawerExtended::windowFrame(&window), before);

    settings.openAndCloseDrawer();
    ASSERT_TRUE(settings.isVisible());
    details.openAndCloseDrawer();
    EXPECT_FALSE(settings.isVisible());
    EXPECT_TRUE(details.isVisible());
    EXPECT_EQ(details.oldWindowFrame(), before);
    EXPECT_EQ(window.contentsMargins(), QMargins(150, 0, 0, 0));
    details.close();
    EXPECT_EQ(NSDrawerExtended::windowFrame(&window), before);
}

TEST_F(Drawers, ScreenshotOfAWindowWithItsDrawerOpen)
{
    NSDrawerExtended drawer(Size{160, 100}, DrawerEdge::Right, &window);
    // Neither a stored size nor a minimum: the drawer keeps its size.
    drawer.setContentView(new QLabel(QStringLiteral("Search in:\n  Home\n  Documents")));
    EXPECT_EQ(drawer.contentSize(), (Size{160, 100}));
    NSDrawerExtended::setWindowFrame(&window, makeRect(screen.minX() + 20, screen.minY() + 100, 320, 220));
    window.setAutoFillBackground(true);
    drawer.open();
    QImage image = window.grab().toImage();
    EXPECT_EQ(image.width(), 480);
    // The drawer's panel is painted in its own colour across its width.
    const QColor panel = window.palette().color(QPalette::AlternateBase);
    EXPECT_EQ(image.pixelColor(470, 210), panel);
    EXPECT_NE(image.pixelColor(100, 210), panel);
    ASSERT_TRUE(image.save(QStringLiteral(QT_TESTCASE_BUILDDIR "/drawer-open.png")));
}

} // namespace
} // namespace sorvant
