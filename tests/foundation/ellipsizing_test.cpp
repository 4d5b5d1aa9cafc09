#include "foundation/ellipsizing.h"

#include "tests/foundation/text_test_support.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

using test::isSameString;
using test::utf8;

struct Cut
{
    const char* name;
    const char16_t* text;
    unsigned n;
    const char16_t* expected;
};
void PrintTo(const Cut& row, std::ostream* out) { test::printRowName(row, out); }

class EllipsizeAfter : public testing::TestWithParam<Cut> {};

TEST_P(EllipsizeAfter, CutsAtWordBoundary)
{
    const Cut& row = GetParam();
    EXPECT_EQ(utf8(stringByEllipsizingAfterNCharacters(QString::fromUtf16(row.text), row.n)),
              utf8(QString::fromUtf16(row.expected)));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EllipsizeAfter,
    testing::Values(
        Cut{"spaceAfterLimitKept", u"Hello world", 5, u"Hello ..."},
        Cut{"commaAfterLimitKept", u"Hello, world", 5, u"Hello,..."},
        Cut{"cutWordDroppedWithSpaces", u"Hello   wonderfulness", 10, u"Hello..."},
        Cut{"noSeparatorInReachGoesBack", u"Hello wonderful world", 7, u"Hello..."},
        Cut{"oneWordUncut", u"Abcdefghijklmnopqrst", 5, u"Abcdefghijklmnopqrst"},
        Cut{"leadingSeparatorsOnlyUncut", u"  abcdefghijkl", 5, u"  abcdefghijkl"},
        Cut{"accentedLettersAreWordCharacters", u"ab \u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9", 5, u"ab..."},
        Cut{"lengthEqualToLimit", u"Hello", 5, u"Hello"},
        Cut{"zeroLimit", u"Hello world", 0, u"Hello world"},
        Cut{"surrogatePairKeptWhole", u"Hello \U0001F600 world", 6, u"Hello \U0001F600..."}),
    [](const testing::TestParamInfo<Cut>& row) { return std::string(row.param.name); });

TEST(Ellipsizing, CutsFallBetweenWholeCharacters)
{
    const QString accent = QStringLiteral("cafe\u0301s");
    EXPECT_EQ(clusterBoundaryAtOrBefore(accent, 4), 3);
    EXPECT_EQ(clusterBoundaryAtOrAfter(accent, 4), 5);
    EXPECT_EQ(clusterBoundaryAtOrBefore(accent, 3), 3);
    EXPECT_EQ(clusterBoundaryAtOrAfter(accent, 99), accent.size());
    const QString pair = QStringLiteral("a\U0001F600b");
    EXPECT_EQ(clusterBoundaryAtOrBefore(pair, 2), 1);
    EXPECT_EQ(clusterBoundaryAtOrAfter(pair, 2), 3);
    for (const QString& empty : {QString(), QStringLiteral("")}) {
        EXPECT_EQ(clusterBoundaryAtOrBefore(empty, 3), 0);
        EXPECT_EQ(clusterBoundaryAtOrAfter(empty, -1), 0);
    }
}

TEST(Ellipsizing, UncutAnswersTheReceiverItself)
{
    const QString text = QStringLiteral("Hello");
    EXPECT_TRUE(isSameString(stringByEllipsizingAfterNCharacters(text, 5), text));
    const QString word = QStringLiteral("Abcdefghijklmnopqrst");
    EXPECT_TRUE(isSameString(stringByEllipsizingAfterNCharacters(word, 5), word));
    EXPECT_TRUE(stringByEllipsizingAfterNCharacters(QString(), 5).isNull());
}

TEST(Ellipsizing, MenuItemTitleCutsAfterThirty)
{
    const QString shortTitle = QStringLiteral("Open Recent Documents");
    EXPECT_TRUE(isSameString(stringByEllipsizingMenuItemTitle(shortTitle), shortTitle));
    const QString longTitle = QStringLiteral("Search the folder of the front window for files");
    EXPECT_EQ(utf8(stringByEllipsizingMenuItemTitle(longTitle)), "Search the folder of the front ...");
}

struct Preview
{
    const char* name;
    const char16_t* text;
    unsigned lines;
    unsigned n;
    const char16_t* expected;
};
void PrintTo(const Preview& row, std::ostream* out) { test::printRowName(row, out); }

class EllipsizeLines : public testing::TestWithParam<Preview> {};

TEST_P(EllipsizeLines, KeepsFirstNonEmptyLines)
{
    const Preview& row = GetParam();
    EXPECT_EQ(utf8(stringByEllipsizingNLines(QString::fromUtf16(row.text), row.lines, row.n)),
              utf8(QString::fromUtf16(row.expected)));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EllipsizeLines,
    testing::Values(
        Preview{"crlfAndEmptyLineSkipped", u"first line\r\n\r\nsecond line\nthird line", 2, 40,
                u"first line\nsecond line"},
        Preview{"oneUnit", u"x", 2, 40, u"x"},
        Preview{"onlyBreaks", u"\n\r\n\u2029", 3, 40, u""},
        Preview{"leadingByteOrderMarkSkipped", u"\uFEFFone\uFEFFtwo", 5, 40, u"one\ntwo"},
        Preview{"nextLineDoesNotBreak", u"a\u0085b\nc", 1, 40, u"a\u0085b"},
        Preview{"eachLineEllipsized", u"Hello world\nGood morning", 2, 5, u"Hello ...\nGood..."},
        Preview{"loneCrIsOneEnd", u"one\rtwo\r\rthree", 3, 40, u"one\ntwo\nthree"}),
    [](const testing::TestParamInfo<Preview>& row) { return std::string(row.param.name); });

TEST(Ellipsizing, ZeroLinesOrEmptyAnswersTheReceiver)
{
    const QString text = QStringLiteral("a\nb");
    EXPECT_TRUE(isSameString(stringByEllipsizingNLines(text, 0, 10), text));
    EXPECT_TRUE(stringByEllipsizingNLines(QString(), 2, 10).isNull());
    EXPECT_FALSE(stringByEllipsizingNLines(QStringLiteral("\n"), 2, 10).isNull());
}

} // namespace
} // namespace sorvant
