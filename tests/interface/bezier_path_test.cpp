#include "interface/bezier_path.h"

#include "interface/fonts.h"
#include "interface/shadows.h"
#include "tests/interface/support.h"

#include <QGuiApplication>
#include <QPainter>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// The points of moves and lines, and the ends of curves, in order.
QList<QPointF> visited(const Path& path)
{
    QList<QPointF> points;
    for (const Path::Element& element : path.elements()) {
        if (!element.points.isEmpty())
            points << element.points.last();
    }
    return points;
}

void expectNear(const QList<QPointF>& got, const QList<QPointF>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (qsizetype index = 0; index < got.size(); ++index) {
        EXPECT_NEAR(got[index].x(), want[index].x(), 1e-9) << "point " << index;
        EXPECT_NEAR(got[index].y(), want[index].y(), 1e-9) << "point " << index;
    }
}

struct BalloonCase
{
    const char* name;
    int edge;
    QRectF body;
    QList<QPointF> points;
};
void PrintTo(const BalloonCase& row, std::ostream* out) { test::printRowName(row, out); }

class Balloon : public testing::TestWithParam<BalloonCase> {};

TEST_P(Balloon, VisitsTheBodyAndTheArrow)
{
    QRectF body;
    const Path path = toolTipRect(QRectF(0, 0, 100, 50), false, 0, GetParam().edge, &body);
    EXPECT_EQ(body, GetParam().body);
    EXPECT_TRUE(path.isClosed());
    expectNear(visited(path), GetParam().points);
}

// Edge codes: 0 left, 1 bottom, 2 right, 3 top; the arrow is centred, at
// (50, 25) from the body's origin.
INSTANTIATE_TEST_SUITE_P(
    Table, Balloon,
    testing::Values(
        BalloonCase{"Left", 0, {12, 0, 88, 50}, {{12, 0}, {100, 0}, {100, 50}, {12, 50}, {12, 37}, {0, 25}, {12, 13}}},
        BalloonCase{"Bottom", 1, {0, 12, 100, 38}, {{0, 12}, {0, 50}, {100, 50}, {100, 12}, {58, 12}, {50, 0}, {42, 12}}},
        BalloonCase{"Right", 2, {0, 0, 88, 50}, {{0, 0}, {0, 50}, {88, 50}, {88, 37}, {100, 25}, {88, 13}, {88, 0}}},
        BalloonCase{"Top", 3, {0, 0, 100, 38}, {{0, 0}, {0, 38}, {42, 38}, {50, 50}, {58, 38}, {100, 38}, {100, 0}}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(BalloonPath, UnknownEdgeIsAnEmptyClosedPathAroundTheWholeRect)
{
    QRectF body;
    const Path path = toolTipRect(QRectF(0, 0, 100, 50), true, 4, 7, &body);
    EXPECT_EQ(path.elementCount(), 1);
    EXPECT_TRUE(path.isClosed());
    EXPECT_EQ(body, QRectF(0, 0, 100, 50));
}

TEST(BalloonPath, RoundedBottomArrowStartsAfterTheCornerAndPointsDown)
{
    const Path path = toolTipRect(QRectF(0, 0, 100, 50), true, 5, 1, QPointF(30, 0));
    const QList<QPointF> points = visited(path);
    ASSERT_GE(points.size(), 4);
    expectNear(points.mid(0, 4), {{5, 12}, {22, 12}, {30, 0}, {38, 12}});
    // The outline stays inside the rect and reaches its corners' arcs.
    const QRectF bounds = path.bounds();
    EXPECT_NEAR(bounds.left(), 0, 1e-9);
    EXPECT_NEAR(bounds.right(), 100, 1e-9);
    EXPECT_NEAR(bounds.top(), 0, 1e-9);
    EXPECT_NEAR(bounds.bottom(), 50, 1e-9);
}

TEST(RoundedRect, RadiusLargerThanASideBecomesThatSide)
{
    const Path path = bezierPathWithRoundedRect(QRectF(0, 0, 40, 6), 10);
    expectNear(visited(path).mid(0, 3), {{6, 0}, {34, 0}, {40, 6}});
    EXPECT_FALSE(path.isClosed());
    EXPECT_EQ(path.bounds(), QRectF(0, 0, 40, 6));
}

TEST(RoundedRect, CornersRunCounterClockwiseThroughTheEdges)
{
    const Path path = bezierPathWithRoundedRect(QRectF(10, 20, 100, 50), 8);
    expectNear(visited(path), {{18, 20}, {102, 20}, {110, 28}, {110, 62}, {102, 70}, {18, 70}, {10, 62}, {10, 28}, {18, 20}});
}

TEST(PathClosing, ExplicitCloseIsRemembered)
{
    Path open;
    EXPECT_FALSE(open.isClosed());
    open.moveToPoint({0, 0});
    open.lineToPoint({10, 0});
    open.lineToPoint({0, 0}); // back at the start, but not closed
    EXPECT_FALSE(open.isClosed());
    const Path closed = open.closedPath();
    EXPECT_TRUE(closed.isClosed());
    EXPECT_EQ(closed.closedPath(), closed);
    EXPECT_EQ(closed.elementCount(), open.elementCount() + 1);
    EXPECT_EQ(bezierPathWithLineFromPoint({1, 2}, {3, 4}).elements().last().points.first(), QPointF(3, 4));
}

TEST(RoundedRectDrawing, SmallIsWhiteAndLargeIsGrey)
{
    for (bool small : {true, false}) {
        SCOPED_TRACE(small);
        QImage image = test::blankImage(40, 40, Qt::red);
        QPainter painter(&image);
        drawRoundedRect(painter, QRectF(5, 5, 30, 30), 4, small);
        painter.end();
        EXPECT_EQ(image.pixelColor(20, 20), small ? QColor(255, 255, 255) : QColor(242, 242, 242));
        EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::red));
    }
}

TEST(Fonts, RolesShareOneDefinition)
{
    EXPECT_EQ(infoLabelFont(), smallSystemFont());
    EXPECT_TRUE(boldSystemFont().bold());
    EXPECT_FALSE(systemFont().bold());
    EXPECT_EQ(smallBoldSystemFont().pointSizeF(), smallSystemFontSize());
    EXPECT_EQ(systemFont().family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(labelFont().pointSizeF(), labelFontSize());
}

// The role sizes were fixed at 13, 11 and 10 points whatever the desktop's
// font size.
TEST(Fonts, RoleSizesFollowTheDesktopFontSize)
{
    const QFont desktop = QGuiApplication::font();
    QFont large = desktop;
    large.setPointSizeF(15.6);
    QGuiApplication::setFont(large);
    const double system = systemFontSize();
    const double small = smallSystemFontSize();
    const double label = labelFontSize();
    const double smallFont = smallSystemFont().pointSizeF();
    QGuiApplication::setFont(desktop);
    EXPECT_DOUBLE_EQ(system, 15.6);
    EXPECT_DOUBLE_EQ(small, 15.6 * 11 / 13);
    EXPECT_DOUBLE_EQ(label, 15.6 * 10 / 13);
    EXPECT_DOUBLE_EQ(smallFont, small);
    EXPECT_DOUBLE_EQ(systemFontSize(), desktop.pointSizeF());
}

TEST(Shadows, StandardShadows)
{
    EXPECT_EQ(imageShadow(), (Shadow{QPointF(0, -2), 4, Color::calibratedWhite(0, 0.8f)}));
    EXPECT_NEAR(snapshotShadowWithFraction(0.5).color.alphaComponent(), 0.4, 1e-7);
    EXPECT_EQ(snapshotShadow().offset, QPointF(0, -1));
    EXPECT_FALSE(shadowColor(shadowWithOffset({1, 1}, 2)).isNull());
}

TEST(Shadows, FallBelowTheShape)
{
    QImage image = test::blankImage(40, 40, Qt::white);
    QPainter painter(&image);
    drawWithShadow(painter, shadowWithOffset({0, -6}, 0, Color::deviceRGB(1, 0, 0)), QRectF(10, 10, 10, 10),
                   [](QPainter& into, QRectF rect) { into.fillRect(rect, Qt::blue); });
    painter.end();
    EXPECT_EQ(image.pixelColor(15, 15), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(15, 23), QColor(Qt::red)); // y-up offset -6 is 6 down
    EXPECT_EQ(image.pixelColor(15, 7), QColor(Qt::white));
}

} // namespace
} // namespace sorvant
