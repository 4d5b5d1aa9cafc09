#include "foundation/removing_characters.h"

#include "tests/foundation/string_case_table.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

using test::Identity;
using test::StringCase;

class RemovingCharacters : public testing::TestWithParam<StringCase> {};

TEST_P(RemovingCharacters, Transforms)
{
    test::expectCase(GetParam());
}

QString removeSpacesSet(const QString& s)
{
    return stringByRemovingCharactersInRep(s, getSpacesBitmap());
}
QString removeNullSet(const QString& s)
{
    return stringByRemovingCharactersInRep(s, nullptr);
}
QString keepAlphaNumLower(const QString& s)
{
    return stringByRemovingNonAlphaNumericCharactersAndApplyingConversionTable(s, getLowerCharsTable());
}
QString keepAlphaNum(const QString& s)
{
    return stringByRemovingNonAlphaNumericCharactersAndApplyingConversionTable(s, nullptr);
}
QString applyLower(const QString& s)
{
    return stringByApplyingConversionTable(s, getLowerCharsTable());
}
QString applyNullTable(const QString& s)
{
    return stringByApplyingConversionTable(s, nullptr);
}
QString removeDashes(const QString& s)
{
    return stringByRemovingCharacters(s, u'-');
}
QString removeDashesAndDots(const QString& s)
{
    return stringByRemovingCharactersOfString(s, QStringLiteral("-."));
}
QString removeNoCharacters(const QString& s)
{
    return stringByRemovingCharactersOfString(s, QString());
}

INSTANTIATE_TEST_SUITE_P(
    Removing, RemovingCharacters,
    testing::Values(
        StringCase{"RepRemovesMembers", removeSpacesSet, u"a b\tc", u"abc", Identity::NewString},
        StringCase{"RepIsAlwaysNew", removeSpacesSet, u"abc", u"abc", Identity::NewString},
        StringCase{"RepKeepsLineEnds", removeSpacesSet, u"a \n", u"a\n", Identity::Either},
        StringCase{"RepNullSetGivesReceiver", removeNullSet, u"a b", u"a b", Identity::Receiver},
        StringCase{"RepEmpty", removeSpacesSet, u"", u"", Identity::Receiver},
        StringCase{"RepNull", removeSpacesSet, nullptr, nullptr, Identity::Either},
        StringCase{"WhiteSpacesIncludeLineEnds", stringByRemovingWhiteSpaces, u"a \t\r\nb\u00A0c\uFEFF", u"abc",
                   Identity::Either},
        StringCase{"WhiteSpacesAllGone", stringByRemovingWhiteSpaces, u" \n ", u"", Identity::Either},
        StringCase{"FeedsEveryKind", stringByRemovingFeeds, u"\u0003a\r\nb\u000C\u2028\u2029c\uFEFF\uFFFC",
                   u"abc", Identity::Either},
        StringCase{"FeedsKeepTabsAndSpaces", stringByRemovingFeeds, u"a \tb", u"a \tb", Identity::Either},
        StringCase{"FeedsNull", stringByRemovingFeeds, nullptr, nullptr, Identity::Either},
        StringCase{"TabsOnly", stringByRemovingTabs, u"\t\t\t", u"", Identity::Either},
        StringCase{"SpacesIncludeTabNotLineEnd", stringByRemovingSpaces, u"a \tb\n", u"ab\n", Identity::Either},
        StringCase{"SpacesIncludeNoBreakSpace", stringByRemovingSpaces, u"1\u00A0000", u"1000",
                   Identity::Either},
        StringCase{"OneUnit", removeDashes, u"-a-b--", u"ab", Identity::Either},
        StringCase{"UnitsOfString", removeDashesAndDots, u"a-b.c-", u"abc", Identity::Either},
        StringCase{"UnitsOfNullString", removeNoCharacters, u"a-b", u"a-b", Identity::Receiver},
        StringCase{"DigitsRemoved", stringByRemovingDigits, u"a1b22\u0663", u"ab", Identity::Either},
        StringCase{"DigitsNoneGivesReceiver", stringByRemovingDigits, u"abc", u"abc", Identity::Receiver},
        StringCase{"DigitsOnlyGivesEmpty", stringByRemovingDigits, u"123", u"", Identity::Either},
        StringCase{"DigitsNull", stringByRemovingDigits, nullptr, nullptr, Identity::Either}),
    test::caseName);

INSTANTIATE_TEST_SUITE_P(
    Mapping, RemovingCharacters,
    testing::Values(
        StringCase{"AlphaNumMapped", keepAlphaNumLower, u"A-b \u00C91!", u"ab\u00E91", Identity::Either},
        StringCase{"AlphaNumKeepsCombiningMark", keepAlphaNum, u"e\u0301-x", u"e\u0301x", Identity::Either},
        StringCase{"AlphaNumUnmapped", keepAlphaNum, u"A-b 1", u"Ab1", Identity::Either},
        StringCase{"AlphaNumIsAlwaysNew", keepAlphaNum, u"abc", u"abc", Identity::NewString},
        StringCase{"AlphaNumEmpty", keepAlphaNum, u"", u"", Identity::Receiver},
        StringCase{"TableLowersUnitByUnit", applyLower, u"\u00C0bC\u00DF1", u"\u00E0bc\u00DF1", Identity::Either},
        StringCase{"TableIsAlwaysNew", applyLower, u"abc", u"abc", Identity::NewString},
        StringCase{"NullTableGivesReceiver", applyNullTable, u"ABC", u"ABC", Identity::Receiver},
        StringCase{"LowerWithoutDigits", lowercaseStringByRemovingDigits, u"AB12c", u"abc", Identity::Either},
        StringCase{"UpperWithoutDigits", uppercaseStringByRemovingDigits, u"ab12C\u00E9", u"ABC\u00C9",
                   Identity::Either},
        StringCase{"IPAddressAndPort", stringByRemovingNonIPCharacters, u"http://10.0.0.1:8080/x",
                   u"10.0.0.18080", Identity::Either},
        StringCase{"IPNothingKept", stringByRemovingNonIPCharacters, u"abc", u"", Identity::Either},
        StringCase{"IPEmpty", stringByRemovingNonIPCharacters, u"", u"", Identity::Receiver}),
    test::caseName);

INSTANTIATE_TEST_SUITE_P(
    Collapsing, RemovingCharacters,
    testing::Values(
        StringCase{"SpacesTabBetweenWords", stringByRemovingMultipleSpaces, u"a\tb", u"a b", Identity::Either},
        StringCase{"SpacesRun", stringByRemovingMultipleSpaces, u"a \t  b  ", u"a b ", Identity::Either},
        StringCase{"SpacesSingleGiveReceiver", stringByRemovingMultipleSpaces, u"a b c", u"a b c",
                   Identity::Receiver},
        StringCase{"SpacesLeaveLineEnds", stringByRemovingMultipleSpaces, u"a \n\n b", u"a \n\n b",
                   Identity::Receiver},
        StringCase{"SpacesEmpty", stringByRemovingMultipleSpaces, u"", u"", Identity::Receiver},
        StringCase{"WhiteSpacesMixedRun", stringByRemovingMultipleWhiteSpaces, u"a\r\n\t b", u"a b",
                   Identity::Either},
        StringCase{"WhiteSpacesEndsNotTrimmed", stringByRemovingMultipleWhiteSpaces, u"\n\na \t", u" a ",
                   Identity::Either},
        StringCase{"WhiteSpacesUnchangedGiveReceiver", stringByRemovingMultipleWhiteSpaces, u"a b", u"a b",
                   Identity::Receiver},
        StringCase{"FeedsCrLfPairs", stringByRemovingMultipleFeeds, u"a\r\n\r\nb", u"a\nb", Identity::Either},
        StringCase{"FeedsLoneCr", stringByRemovingMultipleFeeds, u"a\rb\u2029", u"a\nb\n", Identity::Either},
        StringCase{"FeedsLeaveSpaces", stringByRemovingMultipleFeeds, u"a  b\n", u"a  b\n", Identity::Receiver}),
    test::caseName);

TEST(CollapseRuns, CompactsInPlaceAndReportsChange)
{
    const auto isSpace = [](unichar c) { return c == u' '; };
    struct Row
    {
        const char16_t* input;
        const char16_t* expected;
        bool changed;
    };
    const Row rows[] = {
        {u"a  b", u"a b", true},  {u"  ", u" ", true},     {u"a b", u"a b", false},
        {u"", u"", false},        {u"ab  ", u"ab ", true}, {u" a", u" a", false},
    };
    for (const Row& row : rows) {
        QString units = QString::fromUtf16(row.input);
        SCOPED_TRACE(units.toStdString());
        const CollapsedRuns runs =
            collapseRuns(reinterpret_cast<unichar*>(units.data()), units.size(), isSpace, u' ');
        units.truncate(runs.length);
        EXPECT_EQ(units, QString::fromUtf16(row.expected));
        EXPECT_EQ(runs.changed, row.changed);
    }
}

TEST(CollapseRuns, ALoneMemberOtherThanTheReplacementIsAChange)
{
    QString units = QStringLiteral("a\tb");
    const CollapsedRuns runs = collapseRuns(
        reinterpret_cast<unichar*>(units.data()), units.size(), [](unichar c) { return c == u'\t' || c == u' '; },
        u' ');
    EXPECT_EQ(runs.length, 3);
    EXPECT_TRUE(runs.changed);
    EXPECT_EQ(units, QStringLiteral("a b"));
}

TEST(RemovingCharactersLongText, CollapsesBeyondAnyStackBuffer)
{
    QString text;
    QString expected;
    for (int i = 0; i < 500; ++i) {
        text += QStringLiteral("w \t\r\n");
        expected += QStringLiteral("w ");
    }
    EXPECT_EQ(stringByRemovingMultipleWhiteSpaces(text), expected);
    EXPECT_EQ(stringByRemovingWhiteSpaces(text), QString(500, u'w'));
}

} // namespace
} // namespace sorvant
