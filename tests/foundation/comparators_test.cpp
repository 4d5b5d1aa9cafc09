#include "foundation/comparators.h"

#include "tests/support/pinned_locale.h"


#include <gtest/gtest.h>

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <functional>

namespace sorvant {
namespace {

using StringComparator = std::function<qsizetype(const QString&, const QString&)>;

// The string forms of the comparators that also exist for numbers.
const auto stringAscending = static_cast<int (*)(const QString&, const QString&)>(&sortAscending);
const auto stringDescending = static_cast<int (*)(const QString&, const QString&)>(&sortDescending);

struct ComparatorCase
{
    const char* name;
    StringComparator compare;
    QString receiver;
    QString argument;
    qsizetype expected;
};
void PrintTo(const ComparatorCase& row, std::ostream* out) { test::printRowName(row, out); }

class StringComparatorTest : public ::testing::TestWithParam<ComparatorCase>
{
protected:
    test::PinnedLocale m_locale{QStringLiteral("en_US"), QStringLiteral("UTC")};
};

TEST_P(StringComparatorTest, AnswersTheOrder)
{
    const ComparatorCase& row = GetParam();
    EXPECT_EQ(row.compare(row.receiver, row.argument), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Strings, StringComparatorTest,
    ::testing::Values(
        ComparatorCase{"AscendingIsUnitOrder", stringAscending, "B", "a", -1},
        ComparatorCase{"DescendingNegates", stringDescending, "B", "a", 1},
        ComparatorCase{"AscendingEqual", stringAscending, "a", "a", 0},
        ComparatorCase{"CaseInsensitiveAscending", sortCaseInsensitiveAscending, "B", "a", 1},
        ComparatorCase{"CaseInsensitiveEqual", sortCaseInsensitiveAscending, "ABC", "abc", 0},
        ComparatorCase{"CaseInsensitiveFoldsFully", sortCaseInsensitiveAscending, "Stra\u00dfe", "STRASSE", 0},
        ComparatorCase{"CaseInsensitiveIgnoresTheLocale", sortCaseInsensitiveAscending, "\u00e9", "f", 1},
        ComparatorCase{"CaseInsensitiveDescending", sortCaseInsensitiveDescending, "B", "a", -1},
        ComparatorCase{"LocalizedFilesAccentWithItsLetter", sortLocalizedCaseInsensitiveAscending, "\u00e9", "f", -1},
        ComparatorCase{"LocalizedIgnoresCase", sortLocalizedCaseInsensitiveAscending, "Zoo", "zoo", 0},
        ComparatorCase{"LocalizedDescending", sortLocalizedCaseInsensitiveDescending, "\u00e9", "f", 1},
        ComparatorCase{"ByLengthIsTheRawDifference", sortAscendingByLength, "abc", "a", 2},
        ComparatorCase{"ByLengthTieIgnoresCase", sortAscendingByLength, "ab", "AB", 0},
        ComparatorCase{"ByLengthTieBreaksAscending", sortAscendingByLength, "b", "A", 1},
        ComparatorCase{"DescendingByLengthRaw", sortDescendingByLength, "abc", "a", -2},
        ComparatorCase{"DescendingByLengthTieStaysAscending", sortDescendingByLength, "b", "A", 1},
        ComparatorCase{"NullAndEmptyAreEqual", sortAscendingByLength, QString(), "", 0}),
    [](const ::testing::TestParamInfo<ComparatorCase>& row) { return std::string(row.param.name); });

TEST(NumberComparators, SignOfTheDifference)
{
    EXPECT_EQ(sortAscending(1.5, 2.0), -1);
    EXPECT_EQ(sortAscending(2.0, 1.5), 1);
    EXPECT_EQ(sortAscending(2.0, 2.0), 0);
    EXPECT_EQ(sortDescending(1.5, 2.0), 1);
    EXPECT_EQ(sortAscending(std::nan(""), 2.0), 0);
    EXPECT_EQ(sortDescending(2.0, std::nan("")), 0);
}

TEST(StringComparators, LocalizedSortOfFileNames)
{
    test::PinnedLocale locale(QStringLiteral("en_US"), QStringLiteral("UTC"));
    QStringList names = {"zeta", "Alpha", "\u00e9cole", "beta", "Echo"};
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return sortLocalizedCaseInsensitiveAscending(a, b) < 0;
    });
    EXPECT_EQ(names, (QStringList{"Alpha", "beta", "Echo", "\u00e9cole", "zeta"}));
}

} // namespace
} // namespace sorvant
