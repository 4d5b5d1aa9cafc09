#include "foundation/color.h"

#include <gtest/gtest.h>

namespace sorvant {

namespace {

using Space = Color::ColorSpace;

TEST(Color, KeepsComponentsExactly)
{
    // The GUI's 16-bit channels would answer 0.10000763 here.
    const Color color = Color::deviceRGB(0.1, 0.2, 0.3, 0.4);
    EXPECT_EQ(color.redComponent(), 0.1);
    EXPECT_EQ(color.greenComponent(), 0.2);
    EXPECT_EQ(color.blueComponent(), 0.3);
    EXPECT_EQ(color.alphaComponent(), 0.4);
    // Out-of-gamut values pass through unclamped.
    EXPECT_EQ(Color::deviceRGB(1.2, -0.1, 0).redComponent(), 1.2);
    EXPECT_EQ(Color::deviceRGB(1.2, -0.1, 0).greenComponent(), -0.1);
    EXPECT_EQ(Color::deviceCMYK(0.1, 0.2, 0.3, 0.4, 0.5).components(), (QList<double>{0.1, 0.2, 0.3, 0.4, 0.5}));
    EXPECT_EQ(Color::calibratedWhite(0.25, 0.5).components(), (QList<double>{0.25, 0.5}));
}

TEST(Color, EqualityNeedsSameSpaceAndComponents)
{
    EXPECT_EQ(Color::deviceRGB(0.1, 0, 0), Color::deviceRGB(0.1, 0, 0));
    EXPECT_NE(Color::deviceRGB(0.1, 0, 0), Color::calibratedRGB(0.1, 0, 0));
    EXPECT_NE(Color::deviceRGB(0.1, 0, 0), Color::deviceRGB(0.1 + 1e-12, 0, 0));
    EXPECT_NE(Color::deviceRGB(0.1, 0, 0, 1), Color::deviceRGB(0.1, 0, 0, 0.5));
    EXPECT_NE(Color::calibratedWhite(0), Color::deviceWhite(0));
    EXPECT_EQ(Color(), Color());
    EXPECT_NE(Color(), Color::clearColor());
    EXPECT_EQ(Color::named("System", "labelColor"), Color::named("System", "labelColor"));
    EXPECT_NE(Color::named("System", "labelColor"), Color::named("System", "textColor"));
    EXPECT_EQ(Color::pattern(QVariant(QStringLiteral("tile"))), Color::pattern(QVariant(QStringLiteral("tile"))));
    EXPECT_NE(Color::pattern(QVariant(QStringLiteral("tile"))), Color::pattern(QVariant(QStringLiteral("other"))));
}

TEST(Color, ComponentsOfAnotherSpaceReadZero)
{
    const Color white = Color::calibratedWhite(0.7);
    EXPECT_EQ(white.redComponent(), 0.0);
    EXPECT_EQ(white.whiteComponent(), 0.7);
    EXPECT_EQ(Color::deviceRGB(1, 1, 1).whiteComponent(), 0.0);
    EXPECT_EQ(Color().alphaComponent(), 0.0);
    EXPECT_TRUE(Color().components().isEmpty());
    EXPECT_TRUE(Color::named("A", "b").components().isEmpty());
}

struct ConversionCase
{
    const char* name;
    Color from;
    Space to;
    Color expected;
};
void PrintTo(const ConversionCase& row, std::ostream* out) { test::printRowName(row, out); }

class ColorConversion : public testing::TestWithParam<ConversionCase> {};

TEST_P(ColorConversion, Converts)
{
    const Color converted = GetParam().from.colorUsingColorSpace(GetParam().to);
    const Color& expected = GetParam().expected;
    ASSERT_EQ(converted.colorSpace(), expected.colorSpace()) << converted.description().toStdString();
    const QList<double> got = converted.components(), want = expected.components();
    ASSERT_EQ(got.size(), want.size());
    for (qsizetype index = 0; index < got.size(); ++index)
        EXPECT_NEAR(got.at(index), want.at(index), 1e-12) << "component " << index;
}

const Color kTealish = Color::deviceRGB(0.2, 0.6, 0.8, 0.5);

INSTANTIATE_TEST_SUITE_P(
    Table, ColorConversion,
    testing::Values(
        ConversionCase{"SameSpaceIsItself", kTealish, Space::DeviceRGB, kTealish},
        ConversionCase{"DeviceToCalibratedKeepsNumbers", kTealish, Space::CalibratedRGB,
                       Color::calibratedRGB(0.2, 0.6, 0.8, 0.5)},
        ConversionCase{"WhiteToRgb", Color::calibratedWhite(0.25, 0.5), Space::DeviceRGB,
                       Color::deviceRGB(0.25, 0.25, 0.25, 0.5)},
        ConversionCase{"GreyKeepsLevelAcrossWhiteSpaces", Color::deviceWhite(0.3), Space::CalibratedWhite,
                       Color::calibratedWhite(0.3)},
        ConversionCase{"RgbToWhiteIsLuma", Color::deviceRGB(1, 0, 0), Space::CalibratedWhite,
                       Color::calibratedWhite(0.299)},
        ConversionCase{"GreyRgbToWhiteIsItsLevel", Color::deviceRGB(0.4, 0.4, 0.4), Space::DeviceWhite,
                       Color::deviceWhite(0.4)},
        ConversionCase{"CmykToRgb", Color::deviceCMYK(0.2, 0.5, 0, 0.3, 0.7), Space::DeviceRGB,
                       Color::deviceRGB(0.5, 0.2, 0.7, 0.7)},
        ConversionCase{"CmykInkAboveOneIsBlack", Color::deviceCMYK(0.8, 0, 0, 0.5), Space::DeviceRGB,
                       Color::deviceRGB(0, 0.5, 0.5)},
        ConversionCase{"RgbToCmykTakesOutBlack", Color::deviceRGB(0.5, 0.2, 0.7), Space::DeviceCMYK,
                       Color::deviceCMYK(0.2, 0.5, 0, 0.3)},
        ConversionCase{"WhiteToCmyk", Color::deviceWhite(0.25), Space::DeviceCMYK, Color::deviceCMYK(0, 0, 0, 0.75)},
        ConversionCase{"NamedUsesItsValue", Color::named("System", "x", Color::calibratedWhite(0.5)), Space::DeviceRGB,
                       Color::deviceRGB(0.5, 0.5, 0.5)},
        ConversionCase{"NamedWithoutValueIsNull", Color::named("System", "x"), Space::DeviceRGB, Color()},
        ConversionCase{"PatternHasNoRgb", Color::pattern(QVariant(1)), Space::DeviceRGB, Color()},
        ConversionCase{"NothingConvertsToPattern", kTealish, Space::Pattern, Color()},
        ConversionCase{"NothingConvertsToNamed", kTealish, Space::Named, Color()},
        ConversionCase{"NullStaysNull", Color(), Space::DeviceRGB, Color()}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Color, AlphaChangeKeepsSpaceAndTurnsNamedIntoItsValue)
{
    EXPECT_EQ(Color::calibratedWhite(0.2).colorWithAlphaComponent(0.3), Color::calibratedWhite(0.2, 0.3));
    EXPECT_EQ(Color::named("S", "n", Color::deviceRGB(1, 0, 0)).colorWithAlphaComponent(0.5),
              Color::deviceRGB(1, 0, 0, 0.5));
    EXPECT_TRUE(Color().colorWithAlphaComponent(1).isNull());
    EXPECT_EQ(Color::named("S", "n", Color::deviceRGB(1, 0, 0, 0.25)).alphaComponent(), 0.25);
}

TEST(Color, TravelsInVariantsWithItsEquality)
{
    const QVariant a = QVariant::fromValue(Color::deviceRGB(0.1, 0.2, 0.3));
    EXPECT_EQ(a, QVariant::fromValue(Color::deviceRGB(0.1, 0.2, 0.3)));
    EXPECT_NE(a, QVariant::fromValue(Color::deviceRGB(0.1, 0.2, 0.30001)));
    EXPECT_EQ(a.value<Color>().blueComponent(), 0.3);
}

} // namespace
} // namespace sorvant
