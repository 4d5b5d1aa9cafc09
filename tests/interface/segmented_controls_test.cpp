#include "interface/segmented_controls.h"

#include "interface/menus.h"
#include "tests/interface/widget_helpers.h"

#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

class ClickCounter : public QObject
{
    Q_OBJECT
public:
    int clicks = 0;
    int selectedDuringAction = -2;
public slots:
    void segmentClicked(QObject* sender)
    {
        ++clicks;
        selectedDuringAction = static_cast<SegmentedControl*>(sender)->selectedSegment();
    }
};

struct WidthCase {
    const char* name;
    int count;
    double width;
    SegmentStyle style;
    double maximum;
    QList<double> expected;
};
void PrintTo(const WidthCase& row, std::ostream* out) { test::printRowName(row, out); }

class SegmentedBarWidths : public ::testing::TestWithParam<WidthCase> {};

TEST_P(SegmentedBarWidths, SpreadOverTheBar)
{
    const WidthCase& c = GetParam();
    EXPECT_EQ(segmentedBarWidths(c.count, c.width, c.style, c.maximum), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, SegmentedBarWidths,
    ::testing::Values(WidthCase{"ThreeEven", 3, 300, SegmentStyle::Automatic, 0, {98, 98, 100}},
                      WidthCase{"ThreeCapped", 3, 300, SegmentStyle::Automatic, 50, {123, 50, 123}},
                      WidthCase{"TwoIgnoreTheMaximum", 2, 100, SegmentStyle::Automatic, 10, {48, 49}},
                      WidthCase{"OneRounded", 1, 100, SegmentStyle::Rounded, 0, {96}},
                      WidthCase{"FourRoundedCapped", 4, 200, SegmentStyle::Rounded, 30, {66, 30, 30, 67}},
                      WidthCase{"None", 0, 100, SegmentStyle::Automatic, 0, {}}),
    [](const ::testing::TestParamInfo<WidthCase>& param) { return std::string(param.param.name); });

TEST(SegmentedBar, AppliesWidthsOnResizeAndMaximumChanges)
{
    SegmentedBar bar;
    bar.setSegmentCount(3);
    bar.resize(300, 24);
    bar.show();
    EXPECT_EQ(bar.widthForSegment(2), 100);
    bar.setMaximumSegmentWidth(50);
    EXPECT_EQ(bar.widthForSegment(1), 50);
    // The same maximum again leaves hand-set widths alone.
    bar.setWidth(70, 1);
    bar.setMaximumSegmentWidth(50);
    EXPECT_EQ(bar.widthForSegment(1), 70);
}

TEST(SegmentedControl, SegmentsByTag)
{
    SegmentedSwitcherControl control;
    EXPECT_EQ(control.addSegmentWithImage(Image(), 24.0, 7, QStringLiteral("Preview")), 0);
    EXPECT_EQ(control.addSegmentWithImage(Image(), 30.0, 9), 1);
    EXPECT_TRUE(control.isEnabledForSegment(0));
    EXPECT_EQ(control.widthForTag(9), 30.0);
    EXPECT_EQ(control.widthForTag(3), 0.0);
    EXPECT_EQ(control.accessibilityLabelForSegment(0), QStringLiteral("Preview"));
    EXPECT_EQ(control.selectedTag(), -1);

    control.selectItemWithTag(9);
    EXPECT_EQ(control.selectedTag(), 9);
    control.selectItemWithTag(3);
    EXPECT_EQ(control.selectedSegment(), -1);

    control.setToolTipForTag(QStringLiteral("Share"), 9);
    EXPECT_EQ(control.toolTipForTag(9), QStringLiteral("Share"));
    control.setToolTipForTag(QString(), 9);
    EXPECT_TRUE(control.toolTipForTag(9).isNull());
    EXPECT_TRUE(control.toolTipForTag(3).isNull());
    control.setEnabledForTag(false, 3); // no such tag: nothing
    control.setEnabledForTag(false, 7);
    EXPECT_FALSE(control.isEnabledForSegment(0));
    control.setAccessibilityLabel(QStringLiteral("x"), 5);
    EXPECT_TRUE(control.accessibilityLabelForSegment(5).isNull());
}

TEST(SegmentedControl, CountsAreDroppedWithTheSegmentCount)
{
    CountedSegmentedControl control;
    control.setSegmentCount(2);
    EXPECT_EQ(control.countForSegment(1), 0u);
    control.setCount(12, 1);
    control.setCount(3, -1);
    EXPECT_EQ(control.countForSegment(1), 12u);
    EXPECT_EQ(control.countForSegment(-1), 0u);
    control.setSegmentCount(2);
    EXPECT_EQ(control.countForSegment(1), 0u);
}

TEST(SegmentedActionControl, ClickSendsOnceAndLeavesNothingSelected)
{
    ClickCounter counter;
    std::unique_ptr<SegmentedActionControl> control(SegmentedActionControl::withCachedImageNamed(
        QStringLiteral("a"), QStringLiteral("first"), QStringLiteral("b"), QStringLiteral("second"),
        "segmentClicked:", &counter));
    control->show();
    ASSERT_EQ(control->segmentCount(), 2);
    QTest::mouseClick(control.get(), Qt::LeftButton, {}, control->rectForSegment(1).center());
    EXPECT_EQ(counter.clicks, 1);
    EXPECT_EQ(counter.selectedDuringAction, 1);
    EXPECT_EQ(control->selectedSegment(), -1);
    EXPECT_FALSE(control->sendActionTo());
    EXPECT_EQ(counter.clicks, 2);
    // A target that does not answer is silently not sent to.
    control->setAction("noSuchAction:");
    EXPECT_FALSE(control->sendActionTo());
    EXPECT_EQ(counter.clicks, 2);
}

TEST(SegmentedDelayedMenuControl, ShortClickActsLongHoldShowsTheMenu)
{
    ClickCounter counter;
    SegmentedDelayedMenuControl control("segmentClicked:", &counter);
    control.addSegmentWithImage(Image(), 32.0);
    QMenu menu;
    menu.addAction(QStringLiteral("Recent"));
    control.setMenu(&menu, 0);
    control.sizeToFit();
    control.show();
    const QPoint inside = control.rectForSegment(0).center();

    // No event is handled between the press and the release, so the hold
    // timer cannot fire however slow the machine: a release before it acts.
    QTest::mousePress(&control, Qt::LeftButton, {}, inside);
    EXPECT_EQ(control.selectedSegment(), 0);
    QTest::mouseRelease(&control, Qt::LeftButton, {}, inside);
    EXPECT_EQ(counter.clicks, 1);
    EXPECT_EQ(control.shownMenu(), nullptr);

    QTest::mousePress(&control, Qt::LeftButton, {}, inside);
    QTRY_VERIFY_WITH_TIMEOUT(control.shownMenu() == &menu, test::kConditionWait);
    QTest::mouseRelease(&control, Qt::LeftButton, {}, inside);
    EXPECT_EQ(counter.clicks, 1);
    EXPECT_EQ(control.selectedSegment(), -1);
    menu.close();
}

// A one-segment delayed-menu control over `menu`, sending to `counter`.
class HeldSegment
{
public:
    HeldSegment(ClickCounter& counter, QMenu& menu) : control("segmentClicked:", &counter)
    {
        control.addSegmentWithImage(Image(), 32.0);
        control.setMenu(&menu, 0);
        control.sizeToFit();
        control.show();
    }
    // Presses the segment and answers whether `menu` shows while it is held.
    bool holdShows(QMenu& menu)
    {
        QTest::mousePress(&control, Qt::LeftButton, {}, inside());
        const bool shown = QTest::qWaitFor([&] { return control.shownMenu() == &menu; }, test::kConditionWait);
        QTest::mouseRelease(&control, Qt::LeftButton, {}, inside());
        return shown;
    }
    QPoint inside() const { return control.rectForSegment(0).center(); }

    SegmentedDelayedMenuControl control;
};

// Regression: a menu filled when about to show (through the toolkit's filler
// or, the Qt way, from aboutToShow) looked empty at the press, so a hold
// sent the action instead of showing the menu.
TEST(SegmentedDelayedMenuControl, HoldShowsAMenuThatIsFilledOnDemand)
{
    ClickCounter counter;
    QMenu filled;
    setMenuFiller(&filled, [](QMenu* menu) {
        menu->clear();
        menu->addAction(QStringLiteral("Recent"));
    });
    HeldSegment byFiller(counter, filled);
    EXPECT_TRUE(byFiller.holdShows(filled));
    EXPECT_EQ(filled.actions().size(), 1);
    filled.close();

    QMenu qtWay;
    QObject::connect(&qtWay, &QMenu::aboutToShow, &qtWay, [&qtWay] {
        qtWay.clear();
        qtWay.addAction(QStringLiteral("Recent"));
    });
    HeldSegment bySignal(counter, qtWay);
    EXPECT_TRUE(bySignal.holdShows(qtWay));
    EXPECT_EQ(qtWay.actions().size(), 1);
    qtWay.close();
    EXPECT_EQ(counter.clicks, 0);

    // A menu that stays empty when asked is no menu: the press acts.
    QMenu empty;
    QObject::connect(&empty, &QMenu::aboutToShow, &empty, [&empty] { empty.clear(); });
    HeldSegment none(counter, empty);
    QTest::mousePress(&none.control, Qt::LeftButton, {}, none.inside());
    EXPECT_EQ(counter.clicks, 1);
    EXPECT_EQ(none.control.selectedSegment(), -1);
    QTest::mouseRelease(&none.control, Qt::LeftButton, {}, none.inside());
    EXPECT_EQ(counter.clicks, 1);
}

// The set widths plus one point per gap; segments sized to their content
// add nothing of their own.
TEST(SegmentedControl, SegmentWidthSumsTheSetWidthsAndGaps)
{
    SegmentedControl control;
    EXPECT_EQ(control.segmentWidth(), 0.0);
    control.addSegmentWithImage(Image(), 24.0);
    EXPECT_EQ(control.segmentWidth(), 24.0);
    control.addSegmentWithImage(Image(), 32.0);
    control.addSegmentWithImage(Image(), 10.0);
    EXPECT_EQ(control.segmentWidth(), 68.0);
    control.setWidth(0, 1);
    control.setLabel(QStringLiteral("Wide label"), 1);
    EXPECT_EQ(control.segmentWidth(), 36.0);
}

// Smaller sizes draw in a smaller font and ask for less room; a switcher
// stays at the regular size whatever is asked.
TEST(SegmentedControl, ControlSizeSetsFontAndMetrics)
{
    const auto labelled = [](SegmentedControl& control) {
        control.setSegmentCount(2);
        control.setLabel(QStringLiteral("Name"), 0);
        control.setLabel(QStringLiteral("Kind"), 1);
    };
    SegmentedControl regular;
    labelled(regular);
    regular.setControlSize(ControlSize::Regular);
    SegmentedControl small;
    labelled(small);
    small.setControlSize(ControlSize::Small);
    SegmentedControl mini;
    labelled(mini);
    mini.setControlSize(ControlSize::Mini);
    EXPECT_GT(regular.font().pointSizeF(), small.font().pointSizeF());
    EXPECT_GT(small.font().pointSizeF(), mini.font().pointSizeF());
    EXPECT_GT(regular.sizeHint().width(), small.sizeHint().width());
    EXPECT_GT(small.sizeHint().width(), mini.sizeHint().width());
    EXPECT_GT(regular.sizeHint().height(), small.sizeHint().height());
    EXPECT_GE(small.sizeHint().height(), mini.sizeHint().height());
    EXPECT_GE(mini.sizeHint().height(), 16);

    SegmentedSwitcherControl switcher;
    labelled(switcher);
    switcher.setControlSize(ControlSize::Mini);
    EXPECT_EQ(switcher.controlSize(), ControlSize::Regular);
    EXPECT_EQ(switcher.sizeHint(), regular.sizeHint());
}

TEST(SegmentedMouseDownActionControl, SendsOnPressOnlyOnEnabledSegments)
{
    ClickCounter counter;
    SegmentedMouseDownActionControl control("segmentClicked:", &counter);
    control.addSegmentWithImage(Image(), 30.0);
    control.addSegmentWithImage(Image(), 30.0);
    control.setEnabled(false, 1);
    control.sizeToFit();
    control.show();
    QTest::mousePress(&control, Qt::LeftButton, {}, control.rectForSegment(0).center());
    EXPECT_EQ(counter.clicks, 1);
    EXPECT_EQ(counter.selectedDuringAction, 0);
    QTest::mouseRelease(&control, Qt::LeftButton, {}, control.rectForSegment(0).center());
    QTest::mousePress(&control, Qt::LeftButton, {}, control.rectForSegment(1).center());
    EXPECT_EQ(counter.clicks, 1);
}

} // namespace
} // namespace sorvant

#include "segmented_controls_test.moc"
