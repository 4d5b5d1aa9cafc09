#include "foundation/no_case_comparison.h"

#include "foundation/range.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

using Comparison = bool (*)(const QString&, const QString&);

struct NoCase
{
    const char* name;
    Comparison compare;
    const char16_t* first;
    const char16_t* second;
    bool expected;
};
void PrintTo(const NoCase& row, std::ostream* out) { test::printRowName(row, out); }

class NoCaseComparison : public testing::TestWithParam<NoCase> {};

TEST_P(NoCaseComparison, Answer)
{
    const NoCase& row = GetParam();
    EXPECT_EQ(row.compare(QString::fromUtf16(row.first), QString::fromUtf16(row.second)), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NoCaseComparison,
    testing::Values(
        NoCase{"equalMixedCase", isEqualToStringNoCase, u"Hello", u"hELLO", true},
        NoCase{"equalAccentMatters", isEqualToStringNoCase, u"Cafe", u"caf\u00E9", false},
        NoCase{"equalGreekFinalSigma", isEqualToStringNoCase, u"\u039F\u03A3", u"\u03BF\u03C2", true},
        NoCase{"equalFoldedLengthsDiffer", isEqualToStringNoCase, u"stra\u00DFe", u"STRASSE", false},
        NoCase{"equalSameLengthFullFold", isEqualToStringNoCase, u"\u00DFs", u"s\u00DF", true},
        NoCase{"nonUmlautedAccentAndCase", isNonUmlautedEqualToStringNoCase, u"Caf\u00E9", u"CAFE", true},
        NoCase{"nonUmlautedUmlautOtherCase", isNonUmlautedEqualToStringNoCase, u"\u00FCber", u"UBER", true},
        NoCase{"nonUmlautedLengthsDiffer", isNonUmlautedEqualToStringNoCase, u"M\u00FCller", u"Mueller", false},
        NoCase{"prefixIgnoringCase", hasPrefixNoCase, u"README.md", u"readme", true},
        NoCase{"prefixEmpty", hasPrefixNoCase, u"abc", u"", false},
        NoCase{"prefixLonger", hasPrefixNoCase, u"ab", u"abc", false},
        NoCase{"prefixNotAtStart", hasPrefixNoCase, u"xabc", u"abc", false},
        NoCase{"suffixExtension", hasSuffixNoCase, u"photo.JPG", u".jpg", true},
        NoCase{"suffixNotAtEnd", hasSuffixNoCase, u"abcx", u"abc", false}),
    [](const testing::TestParamInfo<NoCase>& row) { return std::string(row.param.name); });

TEST(NoCaseComparison, NullIsNeverEqual)
{
    for (Comparison compare : {isEqualToStringNoCase, isNonUmlautedEqualToStringNoCase, hasPrefixNoCase,
                               hasSuffixNoCase}) {
        EXPECT_FALSE(compare(QStringLiteral("a"), QString()));
        EXPECT_FALSE(compare(QString(), QStringLiteral("a")));
    }
    EXPECT_FALSE(isEqualToStringNoCase(QStringLiteral(""), QString()));
    EXPECT_FALSE(isNonUmlautedEqualToStringNoCase(QString(), QStringLiteral("")));
}

TEST(NoCaseComparison, TypedValueForKeys)
{
    const QStringList kinds{QStringLiteral("file"), QStringLiteral("folder"), QStringLiteral("both")};
    EXPECT_EQ(typedValueForKeys(QStringLiteral("FOLDER"), kinds), 1);
    EXPECT_EQ(typedValueForKeys(QStringLiteral("file"), kinds), 0);
    EXPECT_EQ(typedValueForKeys(QStringLiteral("files"), kinds), NSNotFound);
    EXPECT_EQ(typedValueForKeys(QStringLiteral("file"), {}), NSNotFound);
    EXPECT_EQ(typedValueForKeys(QString(), {QString()}), NSNotFound);
}

} // namespace
} // namespace sorvant
