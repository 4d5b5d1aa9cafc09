#include "platform/string_compare.h"

#include <QString>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

struct FindCase
{
    const char* name;
    const char16_t* haystack;
    const char16_t* needle;
    unsigned options;
    Range expected;
};

class FindString : public testing::TestWithParam<FindCase> {};

TEST_P(FindString, AnswersMatchedRange)
{
    const FindCase& row = GetParam();
    const QString haystack = QString::fromUtf16(row.haystack);
    const Range found = findString(haystack, QString::fromUtf16(row.needle), row.options);
    EXPECT_EQ(found.location, row.expected.location);
    EXPECT_EQ(found.length, row.expected.length);
}

constexpr unsigned kCase = kCompareCaseInsensitive;
constexpr unsigned kDiacritics = kCompareDiacriticInsensitive;

INSTANTIATE_TEST_SUITE_P(
    Cases, FindString,
    testing::Values(
        FindCase{"exact", u"xaab", u"ab", 0, {2, 2}},
        FindCase{"absent", u"abc", u"abd", 0, kMissingRange},
        FindCase{"emptyNeedle", u"abc", u"", 0, kMissingRange},
        FindCase{"emptyHaystack", u"", u"a", 0, kMissingRange},
        FindCase{"caseSensitiveMiss", u"ABC", u"abc", 0, kMissingRange},
        FindCase{"caseless", u"xxABC", u"abc", kCase, {2, 3}},
        // Full folding: sharp s matches "SS", and the range is the haystack's.
        FindCase{"sharpSInUpper", u"STRASSE", u"straße", kCase, {0, 7}},
        FindCase{"upperInSharpS", u"die straße", u"STRASSE", kCase, {4, 6}},
        FindCase{"sharpSWhole", u"straße", u"strass", kCase, {0, 5}},
        FindCase{"sharpSHalfNotFound", u"straße", u"stras", kCase, kMissingRange},
        FindCase{"composedFindsDecomposed", u"cafe\u0301!", u"caf\u00e9", 0, {0, 5}},
        FindCase{"decomposedFindsComposed", u"caf\u00e9!", u"cafe\u0301", 0, {0, 4}},
        FindCase{"baseDoesNotMatchAccented", u"caf\u00e9", u"cafe", 0, kMissingRange},
        FindCase{"baseDoesNotMatchDecomposed", u"cafe\u0301", u"cafe", 0, kMissingRange},
        FindCase{"literalKeepsForms", u"cafe\u0301", u"caf\u00e9", kCompareLiteral, kMissingRange},
        FindCase{"diacriticsIgnored", u"Caf\u00e9s", u"cafe", kCase | kDiacritics, {0, 4}},
        FindCase{"diacriticsIgnoredSpansMark", u"cafe\u0301s", u"cafe", kDiacritics, {0, 5}},
        FindCase{"backwards", u"abcabc", u"bc", kCompareBackwards, {4, 2}},
        FindCase{"anchoredHit", u"abcabc", u"ab", kCompareAnchored, {0, 2}},
        FindCase{"anchoredMiss", u"xabc", u"ab", kCompareAnchored, kMissingRange},
        FindCase{"anchoredBackwards", u"abcab", u"ab", kCompareAnchored | kCompareBackwards, {3, 2}},
        FindCase{"anchoredBackwardsMiss", u"abcabx", u"ab", kCompareAnchored | kCompareBackwards, kMissingRange},
        FindCase{"supplementary", u"a\U0001F600b", u"\U0001F600", 0, {1, 2}},
        FindCase{"widthInsensitive", u"\uFF21\uFF22", u"AB", kCompareWidthInsensitive, {0, 2}}),
    [](const testing::TestParamInfo<FindCase>& row) { return std::string(row.param.name); });

TEST(FindStringRange, SearchesOnlyWithinRangeAndClips)
{
    const QString text = QStringLiteral("abcabcabc");
    EXPECT_EQ(findString(text, u"abc", Range{1, 8}, 0), (Range{3, 3}));
    EXPECT_EQ(findString(text, u"abc", Range{1, 4}, 0), kMissingRange);
    EXPECT_EQ(findString(text, u"abc", Range{6, 100}, 0), (Range{6, 3}));
    EXPECT_EQ(findString(text, u"abc", Range{9, 1}, 0), kMissingRange);
    EXPECT_EQ(findString(text, u"abc", Range{NSNotFound, 0}, 0), kMissingRange);
}

TEST(CompareStrings, OrderAndEquality)
{
    EXPECT_EQ(compareStrings(u"abc", u"abd", 0), -1);
    EXPECT_EQ(compareStrings(u"abd", u"abc", 0), 1);
    EXPECT_EQ(compareStrings(u"ab", u"abc", 0), -1);
    EXPECT_EQ(compareStrings(u"", u"", 0), 0);
    EXPECT_EQ(compareStrings(QStringView(), u"", 0), 0);
    EXPECT_EQ(compareStrings(u"ABC", u"abc", 0), -1);
    EXPECT_EQ(compareStrings(u"ABC", u"abc", kCase), 0);
    EXPECT_EQ(compareStrings(u"\u00dfs", u"s\u00df", kCase), 0);
    EXPECT_EQ(compareStrings(u"STRASSE", u"stra\u00dfe", kCase), 0);
    EXPECT_EQ(compareStrings(u"e\u0301", u"\u00e9", 0), 0);
    EXPECT_NE(compareStrings(u"e\u0301", u"\u00e9", kCompareLiteral), 0);
    EXPECT_EQ(compareStrings(u"\u00c9l\u00e8ve", u"eleve", kCase | kDiacritics), 0);
    EXPECT_NE(compareStrings(u"\u00c9l\u00e8ve", u"eleve", kCase), 0);
}

TEST(CompareStrings, NumericRunsCompareByValue)
{
    EXPECT_EQ(compareStrings(u"file9", u"file10", kCompareNumerically), -1);
    EXPECT_EQ(compareStrings(u"file9", u"file10", 0), 1);
    EXPECT_EQ(compareStrings(u"file007", u"file7", kCompareNumerically), 0);
    EXPECT_EQ(compareStrings(u"a2b10", u"a2b9", kCompareNumerically), 1);
    EXPECT_EQ(compareStrings(u"x100", u"x99y", kCompareNumerically), 1);
}

TEST(CompareStrings, ForcedOrderingNeverAnswersEqualForDifferentStrings)
{
    EXPECT_NE(compareStrings(u"ABC", u"abc", kCase | kCompareForcedOrdering), 0);
    EXPECT_EQ(compareStrings(u"abc", u"abc", kCase | kCompareForcedOrdering), 0);
}

} // namespace
} // namespace sorvant
