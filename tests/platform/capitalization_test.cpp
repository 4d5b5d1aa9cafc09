#include "platform/capitalization.h"

#include <gtest/gtest.h>

#include <string>

namespace sorvant::unicode {
namespace {

struct CapitalizeCase
{
    const char* name;
    QString text;
    QString expected;
};
void PrintTo(const CapitalizeCase& row, std::ostream* out) { test::printRowName(row, out); }

class Capitalization : public testing::TestWithParam<CapitalizeCase> {};

TEST_P(Capitalization, TitleCasesEachWord)
{
    EXPECT_EQ(capitalizedString(GetParam().text).toStdString(), GetParam().expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Capitalization,
    testing::Values(CapitalizeCase{"words", QStringLiteral("hello wORLD"), QStringLiteral("Hello World")},
                    CapitalizeCase{"punctuationInsideWord", QStringLiteral("don't-stop"), QStringLiteral("Don't-stop")},
                    CapitalizeCase{"leadingPunctuationStays", QStringLiteral("(abc) x"), QStringLiteral("(abc) X")},
                    CapitalizeCase{"whiteRunsKept", QStringLiteral(" a\t\tb\nc\u3000d "),
                                   QStringLiteral(" A\t\tB\nC\u3000D ")},
                    CapitalizeCase{"sharpSFullMapping", QStringLiteral("\u00dfa"), QStringLiteral("Ssa")},
                    CapitalizeCase{"digraphTitleCase", QStringLiteral("\u01c6ungla"), QStringLiteral("\u01c5ungla")},
                    CapitalizeCase{"greekFinalSigma", QStringLiteral("\u039f\u0394\u039f\u03a3"),
                                   QStringLiteral("\u039f\u03b4\u03bf\u03c2")},
                    CapitalizeCase{"beyondBmp", QStringLiteral("\U00010428x \U00010428"),
                                   QStringLiteral("\U00010400x \U00010400")},
                    CapitalizeCase{"empty", QStringLiteral(""), QStringLiteral("")}),
    [](const testing::TestParamInfo<CapitalizeCase>& row) { return std::string(row.param.name); });

TEST(CapitalizationNil, NullStaysNull)
{
    EXPECT_TRUE(capitalizedString(QString()).isNull());
}

} // namespace
} // namespace sorvant::unicode
