#include "foundation/ligatures.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace sorvant {
namespace {

struct NormalizeCase
{
    const char* name;
    std::function<void(QString&)> edit;
    QString input;
    QString expected;
};
void PrintTo(const NormalizeCase& row, std::ostream* out) { test::printRowName(row, out); }

class Ligatures : public testing::TestWithParam<NormalizeCase> {};

TEST_P(Ligatures, Edits)
{
    const NormalizeCase& row = GetParam();
    QString text = row.input;
    row.edit(text);
    EXPECT_EQ(text.toStdString(), row.expected.toStdString());
    EXPECT_EQ(text.isNull(), row.expected.isNull());
}

QString unitString(std::initializer_list<char16_t> units)
{
    return QString(reinterpret_cast<const QChar*>(units.begin()), static_cast<qsizetype>(units.size()));
}

const auto kFix = [](QString& text) { fixAndNormalizeString(text, false); };
const auto kFixSurrogates = [](QString& text) { fixAndNormalizeString(text, true); };
const auto kNfd = [](QString& text) { normalizeString(text, unicode::NormalizationForm::NFD); };
const auto kNfkc = [](QString& text) { normalizeString(text, unicode::NormalizationForm::NFKC); };
const auto kNfc = [](QString& text) { normalizeString(text); };

INSTANTIATE_TEST_SUITE_P(
    Cases, Ligatures,
    testing::Values(
        NormalizeCase{"ffiBetweenLetters", convertLigaturesToCharacters, QStringLiteral("a\ufb03b"),
                      QStringLiteral("affib")},
        NormalizeCase{"ftIsNotLongS", convertLigaturesToCharacters, QStringLiteral("\ufb05"), QStringLiteral("ft")},
        NormalizeCase{"everyLigature", convertLigaturesToCharacters,
                      QStringLiteral("\ufb00\ufb01\ufb02\ufb03\ufb04\ufb05\ufb06\u0132\u0133"),
                      QStringLiteral("fffiflffifflftstIJij")},
        NormalizeCase{"noLigature", convertLigaturesToCharacters, QStringLiteral("abc"), QStringLiteral("abc")},
        NormalizeCase{"ligatureNull", convertLigaturesToCharacters, QString(), QString()},
        NormalizeCase{"fixKeepsPair", kFix, QStringLiteral("a\u0000b\ue000\U0001F600"),
                      QStringLiteral("a b \U0001F600")},
        NormalizeCase{"fixReplacesPair", kFixSurrogates, QStringLiteral("a\U0001F600\uf8ff"), QStringLiteral("a   ")},
        NormalizeCase{"fixPrivateUseEdges", kFix, unitString({0xDFFF, 0xE000, 0xF8FF, 0xF900}),
                      unitString({0xDFFF, u' ', u' ', 0x8C48})},
        NormalizeCase{"fixNormalizes", kFix, QStringLiteral("e\u0301\u0000"), QStringLiteral("\u00e9 ")},
        NormalizeCase{"fixNull", kFix, QString(), QString()},
        NormalizeCase{"nfcComposes", kNfc, QStringLiteral("e\u0308"), QStringLiteral("\u00eb")},
        NormalizeCase{"nfdDecomposes", kNfd, QStringLiteral("\u00eb"), QStringLiteral("e\u0308")},
        NormalizeCase{"nfkcFoldsLigature", kNfkc, QStringLiteral("\ufb01"), QStringLiteral("fi")},
        NormalizeCase{"nfcNull", kNfc, QString(), QString()},
        NormalizeCase{"upperComposed", normalizeUppercaseString, QStringLiteral("e\u0301te\u0301"),
                      QStringLiteral("\u00c9T\u00c9")},
        NormalizeCase{"upperSharpS", normalizeUppercaseString, QStringLiteral("stra\u00dfe"),
                      QStringLiteral("STRASSE")},
        NormalizeCase{"lowerComposed", normalizeLowercaseString, QStringLiteral("E\u0301T\u00c9"),
                      QStringLiteral("\u00e9t\u00e9")}),
    [](const testing::TestParamInfo<NormalizeCase>& row) { return std::string(row.param.name); });

TEST(FixAndNormalizeString, KeepsLengthOfReplacedUnits)
{
    QString text = QStringLiteral("x\U0001F600\ue123\u0000y");
    const qsizetype length = text.size();
    fixAndNormalizeString(text, true);
    EXPECT_EQ(text.size(), length);
    EXPECT_EQ(text, QStringLiteral("x    y"));
}

TEST(NormalizeString, NormalizedTextIsNotCopied)
{
    QString text = QString::fromLatin1("plain \xe9");
    const QChar* before = text.constData();
    normalizeString(text);
    convertLigaturesToCharacters(text);
    EXPECT_EQ(text.constData(), before);
}

} // namespace
} // namespace sorvant
