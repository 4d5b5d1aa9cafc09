#include "interface/table_geometry.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

struct FitCase
{
    const char* name;
    QList<ColumnSize> columns;
    double visible;
    double spacing;
    bool onlyGrow;
    std::optional<QList<double>> expected;
};
void PrintTo(const FitCase& row, std::ostream* out) { test::printRowName(row, out); }

class FittedColumnWidths : public ::testing::TestWithParam<FitCase>
{
};

TEST_P(FittedColumnWidths, SharesTheRemainderWithinEachColumnsLimits)
{
    const FitCase& c = GetParam();
    EXPECT_EQ(fittedColumnWidths(c.columns, c.visible, c.spacing, c.onlyGrow), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FittedColumnWidths,
    ::testing::Values(FitCase{"NoColumns", {}, 300, 3, false, std::nullopt},
                      FitCase{"OneColumnGrows", {{100, 50, 300}}, 200, 3, true, QList<double>{200}},
                      FitCase{"OneColumnStopsAtItsMaximum", {{100, 50, 150}}, 200, 3, true, QList<double>{150}},
                      FitCase{"GrowNeverShrinks", {{100, 50, 300}}, 80, 3, true, std::nullopt},
                      FitCase{"ShrinkStopsAtTheMinimum", {{100, 90, 300}}, 80, 3, false, QList<double>{90}},
                      FitCase{"ExactFitChangesNothing", {{100, 0, 1e6}, {100, 0, 1e6}}, 203, 3, false, std::nullopt},
                      // 60 to share: 30 each.
                      FitCase{"TwoColumnsShareEvenly", {{100, 0, 1e6}, {100, 0, 1e6}}, 263, 3, true,
                              QList<double>{130, 130}},
                      // The fixed first column passes its share on to the last.
                      FitCase{"ClampedColumnPassesItsShareOn", {{100, 100, 100}, {100, 0, 1e6}}, 260, 0, true,
                              QList<double>{100, 160}},
                      // 50 over three: rint(16.67) = 17, rint(33 / 2) = 16 (ties to even), 17.
                      FitCase{"RoundingGoesToTheLastColumn", {{10, 0, 1e6}, {10, 0, 1e6}, {10, 0, 1e6}}, 80, 0, true,
                              QList<double>{27, 26, 27}},
                      FitCase{"VisibleWidthIsRounded", {{100, 0, 1e6}}, 150.6, 0, false, QList<double>{151}}),
    [](const ::testing::TestParamInfo<FitCase>& param) { return std::string(param.param.name); });

TEST(PageBreakBottom, NeverCutsARow)
{
    EXPECT_EQ(pageBreakBottom(0, 100, 17, 3, 500, 500), 100);
    EXPECT_EQ(pageBreakBottom(0, 110, 17, 3, 500, 500), 100);
    EXPECT_EQ(pageBreakBottom(40, 119, 17, 3, 500, 500), 100);
    // Paper wider than the table scales the step by frame / printable width.
    EXPECT_EQ(pageBreakBottom(0, 115, 20, 0, 1000, 500), 110);
    // A table wider than the paper keeps its own step.
    EXPECT_EQ(pageBreakBottom(0, 115, 20, 0, 500, 1000), 100);
}

TEST(VisibleRowRange, CountsEveryRowTouched)
{
    EXPECT_EQ(visibleRowRange(0, 100, 20, 0), makeRange(0, 5));
    EXPECT_EQ(visibleRowRange(10, 100, 20, 0), makeRange(0, 6));
    EXPECT_EQ(visibleRowRange(45, 20, 17.5, 2), makeRange(2, 2)); // step trunc(19.5) = 19
    EXPECT_EQ(visibleRowRange(0, 100, 0, 0), makeRange(0, 0));
}

} // namespace
} // namespace sorvant
