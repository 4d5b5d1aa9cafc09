#include "interface/scroll_views.h"

#include "interface/colors.h"
#include "tests/interface/support.h"
#include "tests/interface/widget_helpers.h"

#include <QScrollBar>

#include <cstdlib>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(ScrollViewZoom, StepsByTheFourthRootOfTwoWithinLimits)
{
    QScrollArea area;
    EXPECT_FALSE(zoomIn(&area));
    EXPECT_FALSE(canZoomIn(&area));
    setMagnification(&area, 1.5);
    EXPECT_TRUE(zoomToActualSize(&area)); // even without magnification
    EXPECT_EQ(magnification(&area), 1.0);

    setAllowsMagnification(&area, true);
    EXPECT_FALSE(canZoomToActualSize(&area));
    for (int step = 0; step < 4; ++step)
        EXPECT_TRUE(zoomIn(&area));
    EXPECT_NEAR(magnification(&area), 2.0, 1e-6);
    setMagnificationLimits(&area, 0.5, 2.0);
    zoomIn(&area);
    EXPECT_EQ(magnification(&area), 2.0);
    EXPECT_FALSE(canZoomIn(&area));
    EXPECT_TRUE(canZoomOut(&area));
}

TEST(ScrollViewCommands, ReportWhetherTheVisibleRectangleMoved)
{
    QScrollArea area;
    auto* document = new QWidget;
    document->resize(300, 2000);
    area.setWidget(document);
    area.resize(200, 300);
    test::activate(area);
    QScrollBar* bar = area.verticalScrollBar();

    EXPECT_FALSE(scrollDown(&area)); // at the start already
    EXPECT_TRUE(scrollVisiblePageUp(&area));
    EXPECT_EQ(bar->value(), area.viewport()->height());
    EXPECT_TRUE(scrollVisiblePageDown(&area));
    EXPECT_EQ(bar->value(), 0);
    EXPECT_TRUE(scrollTopLeft(&area));
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_FALSE(scrollPageUp(&area));
    EXPECT_TRUE(scrollBottomLeft(&area));
    EXPECT_FALSE(scrollLeft(&area));

    EXPECT_TRUE(setMeasurementUnits(&area, QStringLiteral("Centimeters")));
    EXPECT_FALSE(setMeasurementUnits(&area, QStringLiteral("Centimeters")));
    EXPECT_EQ(measurementUnits(&area), QStringLiteral("Centimeters"));
}

// A border line of the subclass's own colour.
class RedBorderedView : public TopBorderedScrollView, public BorderColorProvider
{
public:
    Color borderColor() const override { return Color::redColor(); }
};

TEST(TopBorderedScrollView, DrawsItsLineAboveTheContents)
{
    TopBorderedScrollView plain;
    RedBorderedView red;
    for (TopBorderedScrollView* view : {&plain, static_cast<TopBorderedScrollView*>(&red)}) {
        view->resize(120, 80);
        test::activate(*view);
        const QImage image = view->grab().toImage();
        const QColor line = image.pixelColor(60, 0);
        const QColor expected = toQColor(borderColorOf(view));
        EXPECT_LE(std::abs(line.red() - expected.red()) + std::abs(line.green() - expected.green()) +
                      std::abs(line.blue() - expected.blue()),
                  3); // 8-bit rounding of the grab
        EXPECT_EQ(view->viewport()->geometry().top(), 1);
    }
    EXPECT_EQ(borderColorOf(&red), Color::redColor());
    EXPECT_EQ(borderColorOf(&plain), screenSeparatorColor());
}

} // namespace
} // namespace sorvant
