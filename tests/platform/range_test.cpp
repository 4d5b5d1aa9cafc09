#include "platform/range.h"

#include <gtest/gtest.h>

#include <string>

namespace sorvant {
namespace {

struct RangeRow
{
    const char* name;
    Range range;
    qsizetype length;
    bool inside;
    Range clipped;
};

void PrintTo(const RangeRow& row, std::ostream* out)
{
    *out << row.name;
}

class RangeCut : public ::testing::TestWithParam<RangeRow>
{
};

TEST_P(RangeCut, InsideAndClipped)
{
    const RangeRow& row = GetParam();
    EXPECT_EQ(isRangeInside(row.range, row.length), row.inside);
    const Range clipped = clippedRange(row.range, row.length);
    EXPECT_EQ(clipped.location, row.clipped.location);
    EXPECT_EQ(clipped.length, row.clipped.length);
    // A clipped range always lies inside.
    EXPECT_TRUE(isRangeInside(clipped, row.length));
}

constexpr qsizetype kHuge = NSNotFound;

INSTANTIATE_TEST_SUITE_P(
    Ranges, RangeCut,
    ::testing::Values(RangeRow{"Whole", {0, 5}, 5, true, {0, 5}}, RangeRow{"Middle", {2, 3}, 5, true, {2, 3}},
                      RangeRow{"EmptyAtEnd", {5, 0}, 5, true, {5, 0}},
                      RangeRow{"RunsPastEnd", {4, 2}, 5, false, {4, 1}},
                      RangeRow{"StartsPastEnd", {7, 1}, 5, false, {5, 0}},
                      RangeRow{"NegativeLocation", {-1, 2}, 5, false, {0, 2}},
                      RangeRow{"NegativeLength", {1, -3}, 5, false, {1, 0}},
                      // location + length would overflow: the test subtracts instead
                      RangeRow{"HugeLength", {1, kHuge}, 5, false, {1, 4}},
                      RangeRow{"Missing", kMissingRange, 5, false, {5, 0}},
                      RangeRow{"EmptyText", {0, 0}, 0, true, {0, 0}}),
    [](const ::testing::TestParamInfo<RangeRow>& row) { return std::string(row.param.name); });

} // namespace
} // namespace sorvant
