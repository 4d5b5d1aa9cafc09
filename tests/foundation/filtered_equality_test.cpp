#include "foundation/filtered_equality.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

enum class Kind { Equal, EqualNoCase, Prefix, PrefixNoCase };

struct Filtered
{
    const char* name;
    Kind kind;
    const char16_t* first;
    const char16_t* second;
    bool expected;
};
void PrintTo(const Filtered& row, std::ostream* out) { test::printRowName(row, out); }

class FilteredComparison : public testing::TestWithParam<Filtered> {};

// Runs a row through the string form and through the buffer form, which
// must agree.
TEST_P(FilteredComparison, StringAndBufferFormsAgree)
{
    const Filtered& row = GetParam();
    const QStringView a(row.first);
    const QStringView b(row.second);
    const CharacterSetBitmap* letters = getLettersBitmap();
    bool viaString = false;
    bool viaBuffer = false;
    switch (row.kind) {
    case Kind::Equal:
        viaString = stringsEqualInCharacterSet(a, b, letters);
        viaBuffer = charactersEqualInSet(a.utf16(), a.size(), b.utf16(), b.size(), letters);
        break;
    case Kind::EqualNoCase:
        viaString = stringsEqualInCharacterSetIgnoringCase(a, b, letters);
        viaBuffer = charactersEqualInSetIgnoringCase(a.utf16(), a.size(), b.utf16(), b.size(), letters);
        break;
    case Kind::Prefix:
        viaString = stringHasPrefixInCharacterSet(a, b, letters);
        viaBuffer = charactersHavePrefixInSet(a.utf16(), a.size(), b.utf16(), b.size(), letters);
        break;
    case Kind::PrefixNoCase:
        viaString = stringHasPrefixInCharacterSetIgnoringCase(a, b, letters);
        viaBuffer = charactersHavePrefixInSetIgnoringCase(a.utf16(), a.size(), b.utf16(), b.size(), letters);
        break;
    }
    EXPECT_EQ(viaString, row.expected);
    EXPECT_EQ(viaBuffer, row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FilteredComparison,
    testing::Values(Filtered{"equalSkipsHyphen", Kind::Equal, u"a-b", u"ab", true},
                    Filtered{"equalCaseMatters", Kind::Equal, u"Ab", u"ab", false},
                    Filtered{"equalSecondLonger", Kind::Equal, u"ab", u"a-b-c", false},
                    Filtered{"equalDigitsIgnored", Kind::Equal, u"a1b", u"a2b", true},
                    Filtered{"equalEmptyAndSeparators", Kind::Equal, u"", u"--", true},
                    Filtered{"equalNoCase", Kind::EqualNoCase, u"A-b", u"aB", true},
                    Filtered{"equalNoCaseAccentDiffers", Kind::EqualNoCase, u"\u00C9", u"e", false},
                    Filtered{"prefixDotted", Kind::Prefix, u"a.b.c", u"ab", true},
                    Filtered{"prefixLongerNot", Kind::Prefix, u"ab", u"a.b.c", false},
                    Filtered{"prefixMismatch", Kind::Prefix, u"abc", u"ac", false},
                    Filtered{"prefixEmpty", Kind::Prefix, u"abc", u"", true},
                    Filtered{"prefixNoCase", Kind::PrefixNoCase, u"Hello World", u"HELLOw", true}),
    [](const testing::TestParamInfo<Filtered>& row) { return std::string(row.param.name); });

TEST(FilteredEquality, StringsEqualWithCharacterMap)
{
    EXPECT_TRUE(stringsEqualWithCharacterMap(u"Abc", u"aBC", getUpperCharsTable()));
    EXPECT_FALSE(stringsEqualWithCharacterMap(u"Abc", u"aBC", nullptr));
    EXPECT_TRUE(stringsEqualWithCharacterMap(u"Caf\u00E9", u"CAFE", getUpperUmlautsCharsTable()));
    EXPECT_FALSE(stringsEqualWithCharacterMap(u"ab", u"abc", getUpperCharsTable()));
    EXPECT_TRUE(stringsEqualWithCharacterMap(QStringView(), u"", nullptr));
    EXPECT_FALSE(stringsEqualWithCharacterMap(QStringView(), u"a", getUpperCharsTable()));
}

TEST(FilteredEquality, NullSetComparesNothing)
{
    EXPECT_TRUE(stringsEqualInCharacterSet(u"abc", u"xyz", nullptr));
    EXPECT_TRUE(compareStringsInCharacterSet(u"abc", u"", nullptr, true, true));
    EXPECT_TRUE(stringsEqualInCharacterSet(QStringView(), QStringView(), getLettersBitmap()));
}

} // namespace
} // namespace sorvant
