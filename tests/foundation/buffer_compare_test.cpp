#include "foundation/buffer_compare.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace sorvant {
namespace {

enum class Finder { Units, UnitsNoCase, Chars, CharsNoCase };

struct FindCase
{
    const char* name;
    Finder finder;
    std::u16string haystack;
    std::u16string needle; // ASCII only for the 8-bit finders
    std::ptrdiff_t expected; // -1: not found
};
void PrintTo(const FindCase& row, std::ostream* out) { test::printRowName(row, out); }

std::ptrdiff_t offsetOf(const FindCase& row)
{
    const std::string bytes(row.needle.begin(), row.needle.end());
    const unichar* found = nullptr;
    switch (row.finder) {
    case Finder::Units:
        found = findUnichars(row.haystack.data(), row.haystack.size(), row.needle.data(), row.needle.size());
        break;
    case Finder::UnitsNoCase:
        found = findUnicharsNoCase(row.haystack.data(), row.haystack.size(), row.needle.data(), row.needle.size());
        break;
    case Finder::Chars:
        found = findCharsInUnichars(row.haystack.data(), row.haystack.size(), bytes.data(), bytes.size());
        break;
    case Finder::CharsNoCase:
        found = findCharsInUnicharsNoCase(row.haystack.data(), row.haystack.size(), bytes.data(), bytes.size());
        break;
    }
    return found ? found - row.haystack.data() : -1;
}

class FindInBuffer : public testing::TestWithParam<FindCase> {};

TEST_P(FindInBuffer, AnswersFirstOccurrence)
{
    EXPECT_EQ(offsetOf(GetParam()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindInBuffer,
    testing::Values(FindCase{"secondStart", Finder::Units, u"xaab", u"ab", 2},
                    FindCase{"needleLonger", Finder::Units, u"ab", u"abc", -1},
                    FindCase{"emptyNeedle", Finder::Units, u"abc", u"", -1},
                    FindCase{"emptyBoth", Finder::Units, u"", u"", -1},
                    FindCase{"atEnd", Finder::Units, u"abcab", u"cab", 2},
                    FindCase{"wholeHaystack", Finder::Units, u"abc", u"abc", 0},
                    FindCase{"caseMatters", Finder::Units, u"ABC", u"abc", -1},
                    FindCase{"noCaseStrasse", Finder::UnitsNoCase, u"STRASSE", u"strasse", 0},
                    FindCase{"noCaseSharpSStaysItself", Finder::UnitsNoCase, u"STRA\u00dfE", u"strasse", -1},
                    FindCase{"noCaseGreek", Finder::UnitsNoCase, u"x\u0391\u0392\u0393", u"\u03b2\u03b3", 2},
                    FindCase{"noCaseCyrillic", Finder::UnitsNoCase, u"\u041c\u041e\u0421\u041a\u0412\u0410",
                             u"\u043a\u0432\u0430", 3},
                    FindCase{"noCaseOverlapRetry", Finder::UnitsNoCase, u"aaab", u"AAB", 1},
                    FindCase{"noCaseEmptyNeedle", Finder::UnitsNoCase, u"abc", u"", -1},
                    FindCase{"charsExact", Finder::Chars, u"x-y=z", u"=z", 3},
                    FindCase{"charsCaseMatters", Finder::Chars, u"ABC", u"b", -1},
                    FindCase{"charsNoCase", Finder::CharsNoCase, u"ABC", u"bc", 1},
                    FindCase{"charsNoCaseLonger", Finder::CharsNoCase, u"AB", u"abc", -1}),
    [](const testing::TestParamInfo<FindCase>& row) { return std::string(row.param.name); });

enum class Comparer { Units, UnitsNoCase, UnitsWithUmlautsTable, UnitsWithNullTable, WithChars, WithCharsNoCase,
                      Chars, CharsNoCase };

struct CompareCase
{
    const char* name;
    Comparer comparer;
    std::u16string first;  // ASCII only where the operand is 8-bit
    std::u16string second;
    std::int64_t expected;
};
void PrintTo(const CompareCase& row, std::ostream* out) { test::printRowName(row, out); }

std::int64_t compare(const CompareCase& row)
{
    const std::string first8(row.first.begin(), row.first.end());
    const std::string second8(row.second.begin(), row.second.end());
    const unichar* a = row.first.data();
    const unichar* b = row.second.data();
    const std::size_t al = row.first.size();
    const std::size_t bl = row.second.size();
    switch (row.comparer) {
    case Comparer::Units:
        return compareUnichars(a, al, b, bl);
    case Comparer::UnitsNoCase:
        return compareUnicharsNoCase(a, al, b, bl);
    case Comparer::UnitsWithUmlautsTable:
        return compareUnicharsWithTable(a, al, b, bl, getUmlautsCharsTable());
    case Comparer::UnitsWithNullTable:
        return compareUnicharsWithTable(a, al, b, bl, nullptr);
    case Comparer::WithChars:
        return compareUnicharsWithChars(a, al, second8.data(), bl);
    case Comparer::WithCharsNoCase:
        return compareUnicharsWithCharsNoCase(a, al, second8.data(), bl);
    case Comparer::Chars:
        return compareChars(first8.data(), al, second8.data(), bl);
    case Comparer::CharsNoCase:
        return compareCharsNoCase(first8.data(), al, second8.data(), bl);
    }
    return 0;
}

class CompareBuffers : public testing::TestWithParam<CompareCase> {};

TEST_P(CompareBuffers, AnswersRawDifference)
{
    EXPECT_EQ(compare(GetParam()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompareBuffers,
    testing::Values(CompareCase{"lastUnitDiffers", Comparer::Units, u"abc", u"abd", -1},
                    CompareCase{"prefixFirst", Comparer::Units, u"ab", u"abc", -1},
                    CompareCase{"firstUnitDecides", Comparer::Units, u"b", u"abc", 1},
                    CompareCase{"bothEmpty", Comparer::Units, u"", u"", 0},
                    CompareCase{"rawDifference", Comparer::Units, u"a", u"d", -3},
                    CompareCase{"longerSecond", Comparer::Units, u"", u"xyz", -3},
                    CompareCase{"highUnitsUnsigned", Comparer::Units, u"\uffff", u"a", 0xFFFF - 'a'},
                    CompareCase{"noCaseEqual", Comparer::UnitsNoCase, u"ABC", u"abc", 0},
                    CompareCase{"noCaseFoldsBeforeDifference", Comparer::UnitsNoCase, u"a", u"B", -1},
                    CompareCase{"noCaseSharpS", Comparer::UnitsNoCase, u"\u00df", u"SS", 0x00DF - 'S'},
                    CompareCase{"umlautsTable", Comparer::UnitsWithUmlautsTable, u"caf\u00e9", u"cafe", 0},
                    CompareCase{"umlautsKeepCase", Comparer::UnitsWithUmlautsTable, u"\u00c9", u"e", 'E' - 'e'},
                    CompareCase{"nullTableExact", Comparer::UnitsWithNullTable, u"A", u"a", 'A' - 'a'},
                    CompareCase{"withChars", Comparer::WithChars, u"abc", u"abd", -1},
                    CompareCase{"withCharsNoCase", Comparer::WithCharsNoCase, u"ABC", u"abc", 0},
                    CompareCase{"withCharsPrefix", Comparer::WithCharsNoCase, u"AB", u"abc", -1},
                    CompareCase{"chars", Comparer::Chars, u"xyz", u"xy", 1},
                    CompareCase{"charsNoCase", Comparer::CharsNoCase, u"Hello", u"hELLO", 0},
                    CompareCase{"charsNoCaseDiffers", Comparer::CharsNoCase, u"a", u"b", -1}),
    [](const testing::TestParamInfo<CompareCase>& row) { return std::string(row.param.name); });

// The no-case finder must answer what an exact find on pre-folded texts
// answers, on random texts over letters of several scripts.
TEST(FindUnicharsNoCase, AgreesWithFindOnFoldedTexts)
{
    const std::u16string alphabet = u"aAbB\u00df\u00e9\u00c9\u03b1\u0391\u0434\u0414\u4e2d ";
    const CharsTable* upper = getUpperCharsTable();
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int round = 0; round < 2000; ++round) {
        std::u16string haystack(1 + round % 40, u' ');
        std::u16string needle(1 + round % 3, u' ');
        for (char16_t& c : haystack)
            c = alphabet[pick(random)];
        for (char16_t& c : needle)
            c = alphabet[pick(random)];
        std::u16string foldedHaystack = haystack;
        std::u16string foldedNeedle = needle;
        for (char16_t& c : foldedHaystack)
            c = upper[c];
        for (char16_t& c : foldedNeedle)
            c = upper[c];
        const std::size_t expected = foldedHaystack.find(foldedNeedle);
        const unichar* found = findUnicharsNoCase(haystack.data(), haystack.size(), needle.data(), needle.size());
        SCOPED_TRACE(round);
        EXPECT_EQ(found ? static_cast<std::size_t>(found - haystack.data()) : std::u16string::npos, expected);
    }
}

TEST(StringToolkitForms, ForwardToBufferFunctions)
{
    const std::u16string text = u"aBc";
    EXPECT_EQ(positionOfCharacters("b", 1, text.data(), text.size(), false), text.data() + 1);
    EXPECT_EQ(positionOfCharacters("b", 1, text.data(), text.size(), true), nullptr);
    EXPECT_EQ(caseInsensitiveCompareCharacters(text.data(), 3, u"ABC", 3), 0);
    EXPECT_EQ(caseInsensitiveCompareCharacters(text.data(), 3, "abd", 3), 'C' - 'D');
    EXPECT_EQ(compareCharacters(text.data(), 3, u"aBc", 3), 0);
    EXPECT_EQ(compareCharacters(text.data(), 3, "abc", 3), 'B' - 'b');
}

TEST(OnlyWhiteCharacters, UsesWhiteSpacesSet)
{
    const std::u16string white = u" \t\n\r\u00a0\u2028\ufeff\ufffc";
    EXPECT_TRUE(onlyWhiteCharacters(white.data(), white.size()));
    EXPECT_TRUE(onlyWhiteCharacters(nullptr, 0));
    const std::u16string mixed = u" a";
    EXPECT_FALSE(onlyWhiteCharacters(mixed.data(), mixed.size()));
}

struct RangeCase
{
    const char* name;
    bool (*equal)(const QString&, Range, const QString&);
    QString string;
    Range range;
    QString other;
    bool expected;
};
void PrintTo(const RangeCase& row, std::ostream* out) { test::printRowName(row, out); }

class RangeEquality : public testing::TestWithParam<RangeCase> {};

TEST_P(RangeEquality, Compares)
{
    const RangeCase& row = GetParam();
    EXPECT_EQ(row.equal(row.string, row.range, row.other), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RangeEquality,
    testing::Values(
        RangeCase{"equal", rangeIsEqualTo, QStringLiteral("xaby"), {1, 2}, QStringLiteral("ab"), true},
        RangeCase{"caseDiffers", rangeIsEqualTo, QStringLiteral("xABy"), {1, 2}, QStringLiteral("ab"), false},
        RangeCase{"lengthDiffers", rangeIsEqualTo, QStringLiteral("xaby"), {1, 2}, QStringLiteral("abc"), false},
        RangeCase{"emptyRangeNullOther", rangeIsEqualTo, QStringLiteral("abc"), {3, 0}, QString(), true},
        RangeCase{"outsideReceiver", rangeIsEqualTo, QStringLiteral("ab"), {1, 2}, QStringLiteral("bc"), false},
        RangeCase{"missingRange", rangeIsEqualTo, QStringLiteral("ab"), kMissingRange, QStringLiteral(""), true},
        RangeCase{"noCaseEqual", rangeIsEqualToNoCase, QStringLiteral("xABy"), {1, 2}, QStringLiteral("ab"), true},
        RangeCase{"noCaseDiffers", rangeIsEqualToNoCase, QStringLiteral("xABy"), {1, 2}, QStringLiteral("ac"), false},
        RangeCase{"umlautedEqual", rangeIsNonUmlautedEqualToNoCase, QStringLiteral("\u00e9A"), {0, 2},
                  QStringLiteral("EA"), true},
        RangeCase{"umlautedNullOther", rangeIsNonUmlautedEqualToNoCase, QStringLiteral("abc"), {0, 0}, QString(),
                  false},
        RangeCase{"umlautedEmptyOther", rangeIsNonUmlautedEqualToNoCase, QStringLiteral("abc"), {1, 0},
                  QStringLiteral(""), true},
        RangeCase{"umlautedDiffers", rangeIsNonUmlautedEqualToNoCase, QStringLiteral("x\u00e9"), {1, 1},
                  QStringLiteral("A"), false},
        RangeCase{"umlautedOutside", rangeIsNonUmlautedEqualToNoCase, QStringLiteral("ab"), {2, 1},
                  QStringLiteral("A"), false}),
    [](const testing::TestParamInfo<RangeCase>& row) { return std::string(row.param.name); });

} // namespace
} // namespace sorvant
