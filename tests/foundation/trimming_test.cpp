#include "foundation/trimming.h"

#include "tests/foundation/string_case_table.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

using test::Identity;
using test::StringCase;

class Trimming : public testing::TestWithParam<StringCase> {};

TEST_P(Trimming, Transforms)
{
    test::expectCase(GetParam());
}

QString bothSpaces(const QString& s)
{
    return stringByTrimmingSpacesAndFeeds(s, false);
}
QString bothWhite(const QString& s)
{
    return stringByTrimmingSpacesAndFeeds(s, true);
}
QString leftSpaces(const QString& s)
{
    return stringByTrimmingSpacesOfLeftSideAndFeeds(s, false);
}
QString leftWhite(const QString& s)
{
    return stringByTrimmingSpacesOfLeftSideAndFeeds(s, true);
}
QString rightSpaces(const QString& s)
{
    return stringByTrimmingSpacesOfRightSideAndFeeds(s, false);
}
QString rightWhite(const QString& s)
{
    return stringByTrimmingSpacesOfRightSideAndFeeds(s, true);
}
QString slashes(const QString& s)
{
    return stringByTrimmingCharacter(s, u'/');
}
QString prefixSlashes(const QString& s)
{
    return stringByTrimmingPrefixCharacter(s, u'/');
}
QString suffixSlashes(const QString& s)
{
    return stringByTrimmingSuffixCharacter(s, u'/');
}
QString enclosingQuotes(const QString& s)
{
    return stringByTrimmingEnclosingCharacter(s, u'"');
}
QString outsideLetters(const QString& s)
{
    return stringByTrimmingCharactersNotInRep(s, getLettersBitmap());
}
QString outsideNullSet(const QString& s)
{
    return stringByTrimmingCharactersNotInRep(s, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    SpacesAndFeeds, Trimming,
    testing::Values(
        StringCase{"SpacesStopAtLineEnd", bothSpaces, u"a  \n", u"a  \n", Identity::Receiver},
        StringCase{"WhiteTakesLineEndAndSpaces", bothWhite, u"a  \n", u"a", Identity::Either},
        StringCase{"SpacesBothEnds", bothSpaces, u" \ta b\u00A0", u"a b", Identity::Either},
        StringCase{"SpacesOnlyGiveEmpty", bothSpaces, u"  \t ", u"", Identity::Either},
        StringCase{"SpacesNothingStrippedGivesReceiver", bothSpaces, u"a b", u"a b", Identity::Receiver},
        StringCase{"SpacesOneKeptUnit", bothSpaces, u"  a", u"a", Identity::Either},
        StringCase{"SpacesEmpty", bothSpaces, u"", u"", Identity::Receiver},
        StringCase{"SpacesNull", bothSpaces, nullptr, nullptr, Identity::Either},
        StringCase{"WhiteToolkitSetHoldsByteOrderMark", bothWhite, u"\uFEFF\u0003a\uFFFC", u"a", Identity::Either},
        StringCase{"LeftSpaces", leftSpaces, u" \na ", u"\na ", Identity::Either},
        StringCase{"LeftWhite", leftWhite, u" \na ", u"a ", Identity::Either},
        StringCase{"LeftUnchangedGivesReceiver", leftWhite, u"a ", u"a ", Identity::Receiver},
        StringCase{"LeftAllGone", leftWhite, u" \n", u"", Identity::Either},
        StringCase{"RightSpaces", rightSpaces, u" a \n", u" a \n", Identity::Receiver},
        StringCase{"RightWhite", rightWhite, u" a \r\n", u" a", Identity::Either},
        StringCase{"FeedsTrailingOnly", stringByTrimmingFeeds, u"\r\na\r\n", u"\r\na", Identity::Either},
        StringCase{"FeedsKeepTrailingSpace", stringByTrimmingFeeds, u"a \u2028", u"a ", Identity::Either},
        StringCase{"FeedsNoneGivesEqual", stringByTrimmingFeeds, u"a", u"a", Identity::Either},
        StringCase{"FeedsOnly", stringByTrimmingFeeds, u"\n\r", u"", Identity::Either},
        StringCase{"FeedsNull", stringByTrimmingFeeds, nullptr, nullptr, Identity::Either}),
    test::caseName);

INSTANTIATE_TEST_SUITE_P(
    PlatformWhiteSpace, Trimming,
    testing::Values(
        StringCase{"UnicodeSpacesAndLineEnds", stringByTrimmingWhiteSpaces, u" \t\u3000a b\u2029\u0085\u000B",
                   u"a b", Identity::Either},
        StringCase{"ByteOrderMarkIsNotWhite", stringByTrimmingWhiteSpaces, u"\uFEFFa ", u"\uFEFFa",
                   Identity::Either},
        StringCase{"EndOfTextIsNotWhite", stringByTrimmingWhiteSpaces, u"a\u0003", u"a\u0003", Identity::Either},
        StringCase{"AllWhite", stringByTrimmingWhiteSpaces, u" \n ", u"", Identity::Either},
        StringCase{"Empty", stringByTrimmingWhiteSpaces, u"", u"", Identity::Receiver},
        StringCase{"Null", stringByTrimmingWhiteSpaces, nullptr, nullptr, Identity::Either}),
    test::caseName);

INSTANTIATE_TEST_SUITE_P(
    GivenClasses, Trimming,
    testing::Values(
        StringCase{"CharacterBothEnds", slashes, u"//a/b//", u"a/b", Identity::Either},
        StringCase{"CharacterOnly", slashes, u"///", u"", Identity::Either},
        StringCase{"CharacterAbsent", slashes, u"a/b", u"a/b", Identity::Receiver},
        StringCase{"PrefixCharacter", prefixSlashes, u"//a/", u"a/", Identity::Either},
        StringCase{"SuffixCharacter", suffixSlashes, u"/a//", u"/a", Identity::Either},
        StringCase{"NotInSet", outsideLetters, u"--ab--", u"ab", Identity::Either},
        StringCase{"NotInNullSet", outsideNullSet, u"-a-", u"-a-", Identity::Receiver},
        StringCase{"QuotesMixed", stringByTrimmingQuotes, u"'\"a b\"'", u"a b", Identity::Either},
        StringCase{"QuotesInsideStay", stringByTrimmingQuotes, u"a'b", u"a'b", Identity::Receiver},
        StringCase{"EllipsisMixed", stringByTrimmingEllipsis, u"Wait.\u2026.", u"Wait", Identity::Either},
        StringCase{"EllipsisOnlyAtEnd", stringByTrimmingEllipsis, u"..a.b", u"..a.b", Identity::Receiver},
        StringCase{"DigitsBothEnds", stringByTrimmingDigits, u"12ab3", u"ab", Identity::Either},
        StringCase{"DigitsInsideStay", stringByTrimmingDigits, u"a1b", u"a1b", Identity::Receiver},
        StringCase{"DigitsOnly", stringByTrimmingDigits, u"123", u"", Identity::Either}),
    test::caseName);

INSTANTIATE_TEST_SUITE_P(
    Enclosing, Trimming,
    testing::Values(StringCase{"QuotedOnce", enclosingQuotes, u"\"a b\"", u"a b", Identity::Either},
                    StringCase{"QuotedTwice", enclosingQuotes, u"\"\"a\"\"", u"a", Identity::Either},
                    StringCase{"UnevenQuotesLoseOnePair", enclosingQuotes, u"\"\"a\"", u"\"a", Identity::Either},
                    StringCase{"TwoQuotesAlone", enclosingQuotes, u"\"\"", u"", Identity::Either},
                    StringCase{"ThreeQuotesKeepMiddle", enclosingQuotes, u"\"\"\"", u"\"", Identity::Either},
                    StringCase{"OneEndOnly", enclosingQuotes, u"\"a", u"\"a", Identity::Receiver},
                    StringCase{"OneUnit", enclosingQuotes, u"\"", u"\"", Identity::Receiver},
                    StringCase{"Null", enclosingQuotes, nullptr, nullptr, Identity::Either}),
    test::caseName);

TEST(Trimming, PlatformTrimIsNarrowerThanToolkitWhiteSpaces)
{
    // U+0000, U+0003, U+FEFF and U+FFFC are toolkit white spaces but not
    // Unicode white space.
    for (const char16_t unit : {u'\u0000', u'\u0003', u'\uFEFF', u'\uFFFC'}) {
        const QString text = QStringLiteral("a") + QChar(unit);
        SCOPED_TRACE(static_cast<int>(unit));
        EXPECT_EQ(stringByTrimmingWhiteSpaces(text), text);
        EXPECT_EQ(stringByTrimmingSpacesAndFeeds(text, true), QStringLiteral("a"));
    }
}

struct RangeCase
{
    const char* name;
    const char16_t* text;
    Range range;
    bool feeds;
    Range expected;
};
void PrintTo(const RangeCase& row, std::ostream* out) { test::printRowName(row, out); }

class TrimmingRanges : public testing::TestWithParam<RangeCase> {};

TEST_P(TrimmingRanges, TrimsWithinRange)
{
    const RangeCase& row = GetParam();
    const QString text = test::stringOrNull(row.text);
    EXPECT_EQ(trimSpacesInRange(text, row.range, row.feeds), row.expected);
    if (row.feeds) {
        EXPECT_EQ(trimWhiteSpacesInRange(text, row.range), row.expected);
    }
    const QString expectedText = text.isNull() ? QString() : text.mid(row.expected.location, row.expected.length);
    EXPECT_EQ(stringByTrimmingSpacesInRange(text, row.range, row.feeds), expectedText);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, TrimmingRanges,
    testing::Values(RangeCase{"InsideRange", u"a  b c ", {1, 4}, false, {3, 1}},
                    RangeCase{"NothingStripped", u" ab ", {1, 2}, false, {1, 2}},
                    RangeCase{"AllWhiteGivesEmptyAtEnd", u"a \n b", {1, 3}, true, {4, 0}},
                    RangeCase{"LineEndStopsSpaces", u"a \n b", {1, 3}, false, {2, 1}},
                    RangeCase{"EmptyRange", u"ab", {1, 0}, false, {1, 0}},
                    RangeCase{"WholeString", u"\t a \n", {0, 5}, true, {2, 1}},
                    RangeCase{"RangePastEndIsClipped", u"ab ", {1, 40}, false, {1, 1}},
                    RangeCase{"MissingRangeIsClipped", u"ab", {NSNotFound, 0}, false, {2, 0}},
                    RangeCase{"NullString", nullptr, {0, 0}, true, {0, 0}}),
    [](const testing::TestParamInfo<RangeCase>& row) { return std::string(row.param.name); });

TEST(TrimmingRanges, SubstringIsNewEvenWhenNothingIsStripped)
{
    const QString text = QStringLiteral("ab");
    const QString result = stringByTrimmingSpacesInRange(text, {0, 2}, false);
    EXPECT_EQ(result, text);
    EXPECT_FALSE(result.isSharedWith(text));
}

TEST(TrimmingRanges, EmptyResultIsEmptyNotNull)
{
    const QString result = stringByTrimmingSpacesInRange(QStringLiteral("a  b"), {1, 2}, false);
    EXPECT_TRUE(result.isEmpty());
    EXPECT_FALSE(result.isNull());
}

} // namespace
} // namespace sorvant
