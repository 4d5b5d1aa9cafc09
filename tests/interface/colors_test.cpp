#include "interface/colors.h"

#include "interface/graphics_context.h"
#include "tests/interface/support.h"

#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

struct HtmlCase
{
    const char* name;
    Color color;
    QString html;
};
void PrintTo(const HtmlCase& row, std::ostream* out) { test::printRowName(row, out); }

class HtmlColor : public testing::TestWithParam<HtmlCase> {};

TEST_P(HtmlColor, Formats)
{
    EXPECT_EQ(htmlColor(GetParam().color), GetParam().html);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HtmlColor,
    testing::Values(HtmlCase{"HalfRoundsUp", Color::deviceRGB(1, 0.5, 0), "#ff8000"},
                    HtmlCase{"AlphaIgnored", Color::deviceRGB(0, 0, 1, 0.1), "#0000ff"},
                    HtmlCase{"WhiteSpace", Color::calibratedWhite(0.2), "#333333"},
                    HtmlCase{"Cmyk", Color::deviceCMYK(1, 0, 0, 0), "#00ffff"},
                    HtmlCase{"JustBelowHalf", Color::deviceRGB(0.498, 0.502, 0.001), "#7f8000"},
                    HtmlCase{"PatternHasNone", Color::pattern(QVariant(1)), QString()},
                    HtmlCase{"NullHasNone", Color(), QString()}),
    [](const auto& row) { return std::string(row.param.name); });

struct InvertCase
{
    const char* name;
    Color color;
    Color inverted;
};
void PrintTo(const InvertCase& row, std::ostream* out) { test::printRowName(row, out); }

class InvertedColor : public testing::TestWithParam<InvertCase> {};

TEST_P(InvertedColor, InvertsComponentsInTheirSpace)
{
    EXPECT_EQ(invertedColor(GetParam().color), GetParam().inverted);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InvertedColor,
    testing::Values(
        InvertCase{"CalibratedWhite", Color::calibratedWhite(0.25, 0.5), Color::calibratedWhite(0.75, 0.5)},
        InvertCase{"DeviceWhite", Color::deviceWhite(1), Color::deviceWhite(0)},
        InvertCase{"DeviceRgb", Color::deviceRGB(1, 0.5, 0.25, 0.3), Color::deviceRGB(0, 0.5, 0.75, 0.3)},
        InvertCase{"CalibratedRgb", Color::calibratedRGB(0, 0, 1), Color::calibratedRGB(1, 1, 0)},
        InvertCase{"Cmyk", Color::deviceCMYK(0, 0.25, 0.5, 1), Color::deviceCMYK(1, 0.75, 0.5, 0)},
        InvertCase{"PatternIsNull", Color::pattern(QVariant(1)), Color()},
        InvertCase{"NamedIsNull", Color::named("System", "x", Color::deviceWhite(0)), Color()}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ColorArithmetic, NearWhiteNearBlackAndGrey)
{
    EXPECT_TRUE(isAlmostWhite(Color::deviceWhite(0.97)));
    EXPECT_FALSE(isAlmostWhite(Color::deviceWhite(0.969)));
    EXPECT_FALSE(isAlmostWhite(Color::deviceRGB(1, 1, 0.9)));
    EXPECT_TRUE(isAlmostBlack(Color::calibratedRGB(0.03, 0, 0.01)));
    EXPECT_FALSE(isAlmostBlack(Color::calibratedRGB(0.031, 0, 0)));
    EXPECT_FALSE(isAlmostWhite(Color::pattern(QVariant(1))));
    EXPECT_DOUBLE_EQ(grayComponent(Color::deviceRGB(0.3, 0.6, 0.9)), 0.6);
    EXPECT_EQ(textColor(Color::calibratedWhite(0.51)), Color::blackColor());
    EXPECT_EQ(textColor(Color::calibratedWhite(0.5)), Color::whiteColor());
    EXPECT_EQ(textColor(Color::deviceRGB(0, 0, 1)), Color::whiteColor());
}

TEST(ColorArithmetic, RgbEqualityIsExactAndAlphaOnlyForRgba)
{
    const Color a = Color::deviceRGB(0.2, 0.4, 0.6, 1.0);
    const Color b = Color::calibratedRGB(0.2, 0.4, 0.6, 0.5);
    EXPECT_TRUE(isRGBEqualToColor(a, QVariant::fromValue(b)));
    EXPECT_FALSE(isRGBAEqualToColor(a, QVariant::fromValue(b)));
    EXPECT_TRUE(isRGBAEqualToColor(a, QVariant::fromValue(a)));
    EXPECT_FALSE(isRGBEqualToColor(a, QVariant::fromValue(Color::deviceRGB(0.2, 0.4, 0.6000001))));
    EXPECT_FALSE(isRGBEqualToColor(a, QVariant()));
    EXPECT_FALSE(isRGBEqualToColor(a, QVariant(QStringLiteral("red"))));
    EXPECT_TRUE(isRGBEqualToColor(Color::calibratedWhite(0.5), QVariant::fromValue(Color::deviceRGB(0.5, 0.5, 0.5))));
}

TEST(ColorArithmetic, MixedColorMovesEachChannelTowardTheOtherAndIsOpaque)
{
    const QColor window = QColor::fromRgbF(0.2f, 0.4f, 1.0f, 0.5f);
    const QColor text = QColor::fromRgbF(1.0f, 0.0f, 0.6f);
    const QColor quarter = mixedColor(window, text, 0.25);
    EXPECT_NEAR(quarter.redF(), 0.4, 1e-4);
    EXPECT_NEAR(quarter.greenF(), 0.3, 1e-4);
    EXPECT_NEAR(quarter.blueF(), 0.9, 1e-4);
    EXPECT_EQ(quarter.alphaF(), 1.0f);
    EXPECT_EQ(mixedColor(window, text, 0).rgb(), window.rgb());
    EXPECT_EQ(mixedColor(window, text, 1).rgb(), text.rgb());
}

TEST(ColorArithmetic, ContrastRatiosOfSRGBLuminance)
{
    const struct {
        QColor first, second;
        double ratio;
    } cases[] = {
        {Qt::white, Qt::black, 21.0},
        {Qt::black, Qt::white, 21.0},          // the lighter goes first either way
        {QColor(50, 50, 50), QColor(50, 50, 50), 1.0},
        {QColor(50, 50, 50), QColor(94, 94, 94), 1.977}, // a dark window and a lifted base
        {QColor(118, 118, 118), Qt::white, 4.54},        // the grey that just reads on white
        {QColor(255, 0, 0), Qt::white, 4.0},             // channels weighed: red is dark
        {QColor(0, 255, 0), Qt::black, 15.3},            // green light
    };
    for (const auto& c : cases)
        EXPECT_NEAR(contrastRatio(c.first, c.second), c.ratio, 0.01) << c.first.name().toStdString();
}

TEST(ColorArithmetic, QColorRoundTripIsCloseButNotExact)
{
    const QColor q = toQColor(Color::deviceRGB(0.1, 0.2, 0.3, 0.4));
    EXPECT_NEAR(q.redF(), 0.1, 1e-4);
    EXPECT_NEAR(q.alphaF(), 0.4, 1e-4);
    EXPECT_FALSE(toQColor(Color()).isValid());
    EXPECT_FALSE(toQColor(Color::pattern(QVariant(1))).isValid());
    EXPECT_EQ(toQColor(Color::deviceRGB(1.5, -1, 0)), QColor(255, 0, 0)); // clamped for painting only
    EXPECT_TRUE(colorFromQColor(QColor()).isNull());
}

TEST(ColorCatalogue, FollowsTheAppearance)
{
    EXPECT_EQ(infoTextColor(), Color::deviceWhite(0.4));
    EXPECT_EQ(screenLinkColor(), Color::blueColor());
    EXPECT_EQ(screenSeparatorColor(), Color::calibratedWhite(0.84f));
    EXPECT_EQ(screenAutoLinkColor(), Color::deviceRGB(0, 0, 0.75));
    {
        test::AppearanceScope dark(true);
        EXPECT_EQ(infoTextColor(), Color::deviceWhite(0.6));
        EXPECT_EQ(linkColor(), Color::blueColor());
        EXPECT_EQ(screenLinkColor(), Color::calibratedRGB(0.5, 0.5, 1.0));
        EXPECT_EQ(screenSeparatorColor(), Color::calibratedWhite(0.175f));
        EXPECT_EQ(screenAutoLinkColor(), Color::deviceRGB(0.5, 0.5, 0.75));
    }
    EXPECT_EQ(linkColor(), Color::blueColor());
    EXPECT_EQ(headerGridColor().whiteComponent(), double(0.873f));
}

TEST(ColorCatalogue, StripeColorIsComputedOnce)
{
    const Color first = stripeColor();
    QApplication::setPalette(QPalette(Qt::black, QColor(200, 10, 10)));
    EXPECT_EQ(stripeColor(), first);
    test::setDarkPalette(false);
}

TEST(ColorCatalogue, ContextInfoColorIsDarkerOnPaper)
{
    EXPECT_EQ(contextInfoTextColor(), Color::deviceWhite(0.6)); // no painter: screen
    QImage screen = test::blankImage(4, 4);
    QPainter onScreen(&screen);
    {
        GraphicsContextScope scope(onScreen);
        EXPECT_EQ(contextInfoTextColor(), Color::deviceWhite(0.6));
    }
    QTemporaryDir dir;
    QPdfWriter pdf(dir.filePath("paper.pdf"));
    QPainter onPaper(&pdf);
    GraphicsContextScope scope(onPaper);
    EXPECT_EQ(contextInfoTextColor(), Color::deviceWhite(0.4));
}

TEST(PixelLine, DrawsOneDevicePixelAtThePosition)
{
    struct Case
    {
        bool horizontal, flip;
        int position;
        QPoint inside, outside;
    };
    for (const Case& c : {Case{true, false, 3, {10, 3}, {10, 4}}, Case{true, true, 3, {10, 16}, {10, 15}},
                          Case{false, false, 5, {5, 10}, {6, 10}}, Case{false, true, 0, {19, 10}, {18, 10}}}) {
        SCOPED_TRACE(testing::Message() << c.horizontal << c.flip << c.position);
        QImage image = test::blankImage(20, 20, Qt::white);
        QPainter painter(&image);
        drawPixelThickLineAtPosition(painter, Color::blackColor(), c.position, 2, QRectF(0, 0, 20, 20), nullptr,
                                     c.horizontal, c.flip);
        painter.end();
        EXPECT_EQ(image.pixelColor(c.inside), QColor(Qt::black));
        EXPECT_EQ(image.pixelColor(c.outside), QColor(Qt::white));
        // The inset leaves the ends clear.
        const QPoint end = c.horizontal ? QPoint(0, c.inside.y()) : QPoint(c.inside.x(), 0);
        EXPECT_EQ(image.pixelColor(end), QColor(Qt::white));
    }
}

} // namespace
} // namespace sorvant
