#include "foundation/character_classes.h"

#include <gtest/gtest.h>


namespace sorvant {
namespace {

// One predicate over one text, with the answer it must give.
struct Probe
{
    const char* name;
    bool (*test)(QStringView);
    const char16_t* text;
    bool expected;
};
void PrintTo(const Probe& row, std::ostream* out) { test::printRowName(row, out); }

class ClassTests : public testing::TestWithParam<Probe> {};

TEST_P(ClassTests, Answer)
{
    EXPECT_EQ(GetParam().test(QStringView(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ClassTests,
    testing::Values(
        Probe{"whiteFindsNoBreakSpace", containsWhiteCharacter, u"a\u00A0b", true},
        Probe{"whiteFindsLineFeed", containsWhiteCharacter, u"a\nb", true},
        Probe{"alphaFindsGreek", containsAlphaCharacter, u"12\u03B1", true},
        Probe{"alphaNumFindsArabicIndicDigit", containsAlphaNumCharacter, u"-\u0661-", true},
        Probe{"digitFindsDevanagari", containsDigitCharacter, u"x\u0967", true},
        Probe{"cjkIdeograph", containsCJKCharacter, u"ab\u4E2D", true},
        Probe{"cjkHangulSyllable", containsCJKCharacter, u"\uAC00", true},
        Probe{"cjkLatinOnly", containsCJKCharacter, u"Latin text", false},
        Probe{"cjkJustBelowRange", containsCJKCharacter, u"\u2FFF\u4DC0", false},
        Probe{"asciiPlain", isAsciiString, u"abc~\u007F", true},
        Probe{"asciiLatin1", isAsciiString, u"caf\u00E9", false},
        Probe{"umlautedAcute", isUmlautedString, u"caf\u00E9", true},
        Probe{"umlautedCapitalUmlaut", isUmlautedString, u"\u00D6l", true},
        Probe{"umlautedSharpSHasNone", isUmlautedString, u"stra\u00DFe", false},
        Probe{"lowerWithDigit", isLowerCaseString, u"abc1", true},
        Probe{"lowerMixed", isLowerCaseString, u"aBc", false},
        Probe{"lowerTitleCaseDz", isLowerCaseString, u"\u01C5", false},
        Probe{"upperSharpSKept", isUpperCaseString, u"\u00DF", true},
        Probe{"upperMixed", isUpperCaseString, u"AbC", false},
        Probe{"upperGreekSmall", isUpperCaseString, u"\u03B1", false}),
    [](const testing::TestParamInfo<Probe>& row) { return std::string(row.param.name); });

TEST(CharacterClasses, CountsEachUnitOfTheSet)
{
    EXPECT_EQ(countDigitCharacters(u"a1b22"), 3);
    EXPECT_EQ(countAlphaCharacters(u"a1b22"), 2);
    EXPECT_EQ(countWhiteCharacters(u" a\tb\r\n"), 4);
    // Each half of a surrogate pair is looked at alone; neither is a letter.
    EXPECT_EQ(countAlphaCharacters(u"\U0001D400"), 0);
}

TEST(CharacterClasses, GivenSetAndNullSet)
{
    CharacterSetBitmap vowels[kBitmapSize] = {};
    for (unichar c : u"aeiou")
        bitmapAdd(vowels, c);
    bitmapRemove(vowels, 0);
    EXPECT_TRUE(containsCharacterPartOfCharacterSetRep(u"xyz o", vowels));
    EXPECT_FALSE(containsCharacterPartOfCharacterSetRep(u"xyz", vowels));
    EXPECT_EQ(countCharactersPartOfCharacterSetRep(u"banana", vowels), 3);
    EXPECT_FALSE(containsCharacterPartOfCharacterSetRep(u"banana", nullptr));
    EXPECT_EQ(countCharactersPartOfCharacterSetRep(u"banana", nullptr), 0);
    EXPECT_FALSE(containsCharacterOfSet(QStringView(), vowels));
}

TEST(CharacterClasses, AsciiData)
{
    EXPECT_TRUE(isAsciiString(QByteArray("plain text\x7F")));
    EXPECT_FALSE(isAsciiString(QByteArray("caf\xC3\xA9")));
    EXPECT_FALSE(isAsciiString(QByteArray("\x80")));
    EXPECT_TRUE(isAsciiString(QByteArray()));
}

TEST(CharacterClasses, CountNumbersCountsDigitRuns)
{
    EXPECT_EQ(countNumbers(u"a1b22"), 2);
    EXPECT_EQ(countNumbers(u"007"), 1);
    EXPECT_EQ(countNumbers(u"\u0661\u0662"), 0); // Arabic-Indic digits are not ASCII
    EXPECT_EQ(countNumbers(u""), 0);
}

struct NumberCase
{
    const char* name;
    const char16_t* text;
    const char16_t* number;
    bool expected;
};
void PrintTo(const NumberCase& row, std::ostream* out) { test::printRowName(row, out); }

class ContainsNumber : public testing::TestWithParam<NumberCase> {};

TEST_P(ContainsNumber, StandsAlone)
{
    EXPECT_EQ(containsNumber(GetParam().text, GetParam().number), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ContainsNumber,
    testing::Values(NumberCase{"lastOccurrenceStandsAlone", u"1212, 12", u"12", true},
                    NumberCase{"partOfLongerNumber", u"123", u"12", false},
                    NumberCase{"letterBefore", u"x12", u"12", true},
                    NumberCase{"digitBefore", u"312", u"12", false},
                    NumberCase{"wholeText", u"12", u"12", true},
                    NumberCase{"overlapSkipped", u"1112 11", u"11", true},
                    NumberCase{"emptyNumber", u"12", u"", false},
                    NumberCase{"emptyText", u"", u"12", false},
                    NumberCase{"numberLongerThanText", u"1", u"12", false},
                    NumberCase{"absent", u"abc", u"12", false}),
    [](const testing::TestParamInfo<NumberCase>& row) { return std::string(row.param.name); });

TEST(CharacterClasses, NumberWithNDigits)
{
    EXPECT_TRUE(containsNumberWithNDigits(u"ab1234", 3));
    EXPECT_TRUE(containsNumberWithNDigits(u"ab1234", 4));
    EXPECT_FALSE(containsNumberWithNDigits(u"ab1234", 5));
    EXPECT_FALSE(containsNumberWithNDigits(u"12a34", 3));
    EXPECT_FALSE(containsNumberWithNDigits(u"123", 0));
    EXPECT_FALSE(containsNumberWithNDigits(u"", 1));
    EXPECT_FALSE(containsNumberOfLength(nullptr, 5, 1));
}

} // namespace
} // namespace sorvant
