#include "foundation/replacing.h"

#include "tests/foundation/string_case_table.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

using test::Identity;
using test::StringCase;

class Replacing : public testing::TestWithParam<StringCase> {};

TEST_P(Replacing, Transforms)
{
    test::expectCase(GetParam());
}

QString dashToPlus(const QString& s)
{
    return stringByReplacingCharacter(s, u'-', u'+');
}
QString dashToDash(const QString& s)
{
    return stringByReplacingCharacter(s, u'-', u'-');
}
QString aToXIgnoringCase(const QString& s)
{
    return stringByReplacingCharacter(s, u'a', u'x', false);
}
QString aToXWithCase(const QString& s)
{
    return stringByReplacingCharacter(s, u'a', u'x', true);
}
QString capitalEAcuteToEIgnoringCase(const QString& s)
{
    return stringByReplacingCharacter(s, 0x00C9, u'e', false);
}
QString dotToSlash(const QString& s)
{
    return stringByReplacingString(s, QStringLiteral("."), QStringLiteral("/"));
}
QString wordToWord(const QString& s)
{
    return stringByReplacingString(s, QStringLiteral("ab"), QStringLiteral("xyz"));
}
QString dotToNull(const QString& s)
{
    return stringByReplacingString(s, QStringLiteral("."), QString());
}
QString dotToEmpty(const QString& s)
{
    return stringByReplacingString(s, QStringLiteral("."), QStringLiteral(""));
}
QString emptyTarget(const QString& s)
{
    return stringByReplacingString(s, QString(), QStringLiteral("x"));
}
QString streetIgnoringCase(const QString& s)
{
    return stringByReplacingString(s, QStringLiteral("STRASSE"), QStringLiteral("St."), false);
}
QString sharpSIgnoringCase(const QString& s)
{
    return stringByReplacingString(s, QStringLiteral("\u00DF"), QStringLiteral("ss"), false);
}
QString abIgnoringCase(const QString& s)
{
    return stringByReplacingString(s, QStringLiteral("ab"), QStringLiteral("-"), false);
}
QString abWithCase(const QString& s)
{
    return stringByReplacingString(s, QStringLiteral("ab"), QStringLiteral("-"), true);
}
QString rotateBy1(const QString& s)
{
    return stringByRotating(s, 1);
}
QString rotateBy27(const QString& s)
{
    return stringByRotating(s, 27);
}
QString rotateBy52(const QString& s)
{
    return stringByRotating(s, 52);
}
QString rotateBy13(const QString& s)
{
    return stringByRotating(s, 13);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, Replacing,
    testing::Values(
        StringCase{"EveryOccurrence", dashToPlus, u"-a-b-", u"+a+b+", Identity::Either},
        StringCase{"AbsentGivesReceiver", dashToPlus, u"abc", u"abc", Identity::Receiver},
        StringCase{"SameUnitGivesReceiver", dashToDash, u"a-b", u"a-b", Identity::Receiver},
        StringCase{"Empty", dashToPlus, u"", u"", Identity::Receiver},
        StringCase{"Null", dashToPlus, nullptr, nullptr, Identity::Either},
        StringCase{"IgnoringCaseBothForms", aToXIgnoringCase, u"Aba", u"xbx", Identity::Either},
        StringCase{"WithCaseGivenFormOnly", aToXWithCase, u"Aba", u"Abx", Identity::Either},
        StringCase{"IgnoringCaseThroughUpperTable", capitalEAcuteToEIgnoringCase, u"\u00E9t\u00C9", u"ete",
                   Identity::Either}),
    test::caseName);

INSTANTIATE_TEST_SUITE_P(
    Strings, Replacing,
    testing::Values(
        StringCase{"EveryOccurrence", dotToSlash, u"a.b.c.", u"a/b/c/", Identity::Either},
        StringCase{"LongerReplacement", wordToWord, u"abcab", u"xyzcxyz", Identity::Either},
        StringCase{"WholeStringEqualToTarget", wordToWord, u"ab", u"xyz", Identity::Either},
        StringCase{"TargetLongerThanReceiver", wordToWord, u"a", u"a", Identity::Receiver},
        StringCase{"AbsentGivesReceiver", dotToSlash, u"abc", u"abc", Identity::Receiver},
        StringCase{"NullReplacementGivesReceiver", dotToNull, u"a.b", u"a.b", Identity::Receiver},
        StringCase{"EmptyReplacementDeletes", dotToEmpty, u"a.b.", u"ab", Identity::Either},
        StringCase{"EmptyTargetGivesReceiver", emptyTarget, u"ab", u"ab", Identity::Receiver},
        StringCase{"WithCaseLiteral", abWithCase, u"AB ab", u"AB -", Identity::Either},
        StringCase{"IgnoringCase", abIgnoringCase, u"AB aB ab", u"- - -", Identity::Either},
        StringCase{"IgnoringCaseFullFolding", streetIgnoringCase, u"Stra\u00DFe 1, strasse 2", u"St. 1, St. 2",
                   Identity::Either},
        StringCase{"IgnoringCaseSharpSMatchesCapitalPair", sharpSIgnoringCase, u"GROSS", u"GROss",
                   Identity::Either},
        StringCase{"IgnoringCaseHalfAFoldIsNoMatch", sharpSIgnoringCase, u"GROS", u"GROS", Identity::Receiver},
        StringCase{"IgnoringCaseSharpSMatchesUpperSharpS", sharpSIgnoringCase, u"STRA\u1E9EE", u"STRAssE",
                   Identity::Either}),
    test::caseName);

INSTANTIATE_TEST_SUITE_P(
    Rotation, Replacing,
    testing::Values(StringCase{"Rot13", stringByRotating13, u"Hello, World! 42", u"Uryyb, Jbeyq! 42",
                               Identity::Either},
                    StringCase{"Rot13LeavesAccentedLetters", stringByRotating13, u"\u00E9a\u00C9", u"\u00E9n\u00C9",
                               Identity::Either},
                    StringCase{"Rot13WithoutLettersIsNew", stringByRotating13, u"12.", u"12.", Identity::NewString},
                    StringCase{"Rot13Empty", stringByRotating13, u"", u"", Identity::Receiver},
                    StringCase{"ByOneWraps", rotateBy1, u"Zz Aa", u"Aa Bb", Identity::Either},
                    StringCase{"By27EqualsByOne", rotateBy27, u"Zz Aa", u"Aa Bb", Identity::Either},
                    StringCase{"By52GivesReceiver", rotateBy52, u"abc", u"abc", Identity::Receiver},
                    StringCase{"By13EqualsRot13", rotateBy13, u"NnMm", u"AaZz", Identity::Either}),
    test::caseName);

TEST(Rotation, Rot13TwiceGivesTheTextBack)
{
    QString text;
    for (char16_t c = 0x20; c < 0x250; ++c)
        text += QChar(c);
    EXPECT_EQ(stringByRotating13(stringByRotating13(text)), text);
    for (std::size_t amount = 1; amount < 26; ++amount) {
        SCOPED_TRACE(amount);
        EXPECT_EQ(stringByRotating(stringByRotating(text, amount), 26 - amount), text);
    }
}

TEST(Replacing, IgnoringCaseFindsEveryMatchInLongTexts)
{
    // Gaps of many lengths put matches on every side of the search windows,
    // and the folded forms differ in length from the matched text.
    struct Row
    {
        const char* name;
        QString occurrence;
        QString target;
    };
    const Row rows[] = {
        {"sharpSInText", QStringLiteral("Stra\u00DFe"), QStringLiteral("STRASSE")},
        {"sharpSInTarget", QStringLiteral("STRASSE"), QStringLiteral("stra\u00DFe")},
        {"capitalSharpS", QStringLiteral("STRA\u1E9EE"), QStringLiteral("strasse")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QString text;
        QString expected;
        for (int gap = 0; gap < 3000; gap = gap * 2 + 7) {
            const QString filler = QString(gap, u'x') + QStringLiteral("\u00E9");
            text += filler + row.occurrence;
            expected += filler + QStringLiteral("#");
        }
        text += QStringLiteral("tail");
        expected += QStringLiteral("tail");
        EXPECT_EQ(stringByReplacingString(text, row.target, QStringLiteral("#"), false), expected);
    }
}

TEST(Replacing, StringAnswersTheReceiver)
{
    const QString text = QString::fromUtf16(u"plain");
    EXPECT_TRUE(string(text).isSharedWith(text));
    EXPECT_TRUE(string(QString()).isNull());
}

} // namespace
} // namespace sorvant
