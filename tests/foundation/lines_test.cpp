#include "foundation/lines.h"

#include <gtest/gtest.h>

#include <string>

namespace sorvant {
namespace {

TEST(IsFeedCharacter, MatchesTheFeedSetExactly)
{
    const std::u16string feeds = u"\u0003\n\u000c\r\u2028\u2029\ufeff\ufffc";
    for (int c = 0; c <= 0xFFFF; ++c) {
        const auto unit = static_cast<unichar>(c);
        SCOPED_TRACE(c);
        EXPECT_EQ(isFeedCharacter(unit), feeds.find(unit) != std::u16string::npos);
    }
}

struct LinesCase
{
    const char* name;
    QString text;
    QStringList lines;
};
void PrintTo(const LinesCase& row, std::ostream* out) { test::printRowName(row, out); }

class Lines : public testing::TestWithParam<LinesCase> {};

TEST_P(Lines, SplitsAndCounts)
{
    const LinesCase& row = GetParam();
    const QStringList split = lines(row.text);
    EXPECT_EQ(split, row.lines);
    EXPECT_EQ(numberOfLines(row.text), row.lines.size());
    EXPECT_EQ(split.join(QString()), row.text.isNull() ? QString(QLatin1String("")) : row.text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Lines,
    testing::Values(LinesCase{"null", QString(), {}}, LinesCase{"empty", QStringLiteral(""), {}},
                    LinesCase{"oneLf", QStringLiteral("\n"), {QStringLiteral("\n")}},
                    LinesCase{"twoLf", QStringLiteral("\n\n"), {QStringLiteral("\n"), QStringLiteral("\n")}},
                    LinesCase{"crLfIsOne", QStringLiteral("\r\n"), {QStringLiteral("\r\n")}},
                    LinesCase{"crCrIsTwo", QStringLiteral("\r\r"), {QStringLiteral("\r"), QStringLiteral("\r")}},
                    LinesCase{"lfCrIsTwo", QStringLiteral("\n\r"), {QStringLiteral("\n"), QStringLiteral("\r")}},
                    LinesCase{"unterminatedLast", QStringLiteral("a\nb"), {QStringLiteral("a\n"), QStringLiteral("b")}},
                    LinesCase{"lineSeparator", QStringLiteral("a\u2028b"), {QStringLiteral("a\u2028"), QStringLiteral("b")}},
                    LinesCase{"mixedWithEmptyLine",
                              QStringLiteral("one\r\ntwo\n\nthree"),
                              {QStringLiteral("one\r\n"), QStringLiteral("two\n"), QStringLiteral("\n"),
                               QStringLiteral("three")}},
                    LinesCase{"trailingCr", QStringLiteral("a\r"), {QStringLiteral("a\r")}},
                    LinesCase{"nelIsNoFeed", QStringLiteral("a\u0085b"), {QStringLiteral("a\u0085b")}}),
    [](const testing::TestParamInfo<LinesCase>& row) { return std::string(row.param.name); });

TEST(FirstLine, EndsAtFirstFeed)
{
    const QString noFeed = QString::fromLatin1("plain");
    const QString first = firstLine(noFeed);
    EXPECT_EQ(first, noFeed);
    EXPECT_EQ(first.constData(), noFeed.constData()); // the receiver itself, no copy
    EXPECT_EQ(firstLine(QStringLiteral("ab\r\ncd")), QStringLiteral("ab"));
    const QString bom = firstLine(QStringLiteral("\ufeffab"));
    EXPECT_TRUE(bom.isEmpty());
    EXPECT_FALSE(bom.isNull());
    EXPECT_TRUE(firstLine(QString()).isNull());
    EXPECT_FALSE(firstLine(QStringLiteral("")).isNull());
}

TEST(FeedOfLine, IsTheTrailingRun)
{
    const QString text = QStringLiteral("ab\n\r\n");
    EXPECT_EQ(feedOfLine(text), QStringLiteral("\n\r\n"));
    EXPECT_EQ(lengthOfFeedOfLine(text), 3);
    EXPECT_TRUE(hasFeedOfLine(text));
    EXPECT_EQ(lengthOfFeedOfLine(QStringLiteral("\n\u2029\ufffc")), 3);
    EXPECT_EQ(lengthOfFeedOfLine(QStringLiteral("a\nb")), 0);
    const QString none = feedOfLine(QStringLiteral("a\nb"));
    EXPECT_TRUE(none.isEmpty());
    EXPECT_FALSE(none.isNull());
    EXPECT_TRUE(feedOfLine(QString()).isNull());
    EXPECT_FALSE(hasFeedOfLine(QStringLiteral("")));
    EXPECT_FALSE(hasFeedOfLine(QString()));
}

struct ClassCase
{
    const char* name;
    bool (*test)(const QString&);
    QString text;
    bool expected;
};
void PrintTo(const ClassCase& row, std::ostream* out) { test::printRowName(row, out); }

class WholeStringClassTests : public testing::TestWithParam<ClassCase> {};

TEST_P(WholeStringClassTests, Answer)
{
    EXPECT_EQ(GetParam().test(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WholeStringClassTests,
    testing::Values(ClassCase{"spaceEmpty", isSpaceString, QStringLiteral(""), true},
                    ClassCase{"spaceNull", isSpaceString, QString(), false},
                    ClassCase{"spaceTabAndNul", isSpaceString, QStringLiteral(" \t\u0000\u3000"), true},
                    ClassCase{"spaceLf", isSpaceString, QStringLiteral("\n"), false},
                    ClassCase{"whiteEmpty", isWhiteString, QStringLiteral(""), true},
                    ClassCase{"whiteNull", isWhiteString, QString(), false},
                    ClassCase{"whiteNoBreakSpace", isWhiteString, QStringLiteral("\u00a0"), true},
                    ClassCase{"whiteFeeds", isWhiteString, QStringLiteral(" \r\n\ufeff\ufffc"), true},
                    ClassCase{"whiteWithLetter", isWhiteString, QStringLiteral(" x "), false},
                    ClassCase{"digitEmpty", isDigitString, QStringLiteral(""), false},
                    ClassCase{"digitArabicIndic", isDigitString, QStringLiteral("0\u0661"), true},
                    ClassCase{"digitWithSign", isDigitString, QStringLiteral("-1"), false},
                    ClassCase{"alphaEmpty", isAlphaString, QStringLiteral(""), false},
                    ClassCase{"alphaAccentedAndCombining", isAlphaString, QStringLiteral("ae\u0301\u00e9\u4e2d"), true},
                    ClassCase{"alphaDigit", isAlphaString, QStringLiteral("a1"), false},
                    ClassCase{"alphaNum", isAlphaNumString, QStringLiteral("a1\u0661"), true},
                    ClassCase{"alphaNumSpace", isAlphaNumString, QStringLiteral("a 1"), false},
                    ClassCase{"mashedFourLetters", isMashedWord, QStringLiteral("AbCd"), true},
                    ClassCase{"mashedLonger", isMashedWord, QStringLiteral("FooBar2"), true},
                    ClassCase{"mashedSecondUpper", isMashedWord, QStringLiteral("ABcd"), false},
                    ClassCase{"mashedOnceOnly", isMashedWord, QStringLiteral("Abcd"), false},
                    ClassCase{"mashedCapitalThenDigit", isMashedWord, QStringLiteral("AbC1"), false},
                    ClassCase{"mashedCapitalAtEnd", isMashedWord, QStringLiteral("AbC"), false},
                    ClassCase{"mashedShort", isMashedWord, QStringLiteral("Ab"), false},
                    ClassCase{"mashedNull", isMashedWord, QString(), false},
                    ClassCase{"mashedGreek", isMashedWord, QStringLiteral("\u0391\u03b2\u0393\u03b4"), true}),
    [](const testing::TestParamInfo<ClassCase>& row) { return std::string(row.param.name); });

} // namespace
} // namespace sorvant
