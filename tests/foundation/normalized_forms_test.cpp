#include "foundation/normalized_forms.h"

#include "tests/foundation/text_test_support.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

using test::isSameString;
using test::utf8;

using Transform = QString (*)(const QString&);

struct Form
{
    const char* name;
    Transform transform;
    const char16_t* text;
    const char16_t* expected;
};
void PrintTo(const Form& row, std::ostream* out) { test::printRowName(row, out); }

class DerivedForms : public testing::TestWithParam<Form> {};

TEST_P(DerivedForms, Result)
{
    const Form& row = GetParam();
    EXPECT_EQ(utf8(row.transform(QString::fromUtf16(row.text))), utf8(QString::fromUtf16(row.expected)));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DerivedForms,
    testing::Values(
        Form{"nfcComposesDiaeresis", normalizedString, u"u\u0308ber", u"\u00FCber"},
        Form{"nfcReordersMarks", normalizedString, u"a\u0323\u0302", u"\u1EAD"},
        Form{"nfcUppercaseDecomposedWord", normalizedUppercaseString, u"u\u0308ber", u"\u00DCBER"},
        Form{"nfcUppercaseSharpS", normalizedUppercaseString, u"stra\u00DFe", u"STRASSE"},
        Form{"umlautsMuller", nonUmlautedString, u"M\u00FCller", u"Muller"},
        Form{"umlautsLeaveDecomposedMark", nonUmlautedString, u"e\u0301", u"e\u0301"},
        Form{"umlautsLeaveSharpS", nonUmlautedString, u"Stra\u00DFe", u"Stra\u00DFe"},
        Form{"upperUmlautsCafe", uppercaseNonUmlautedString, u"caf\u00E9", u"CAFE"},
        Form{"lowerUmlautsPolish", lowercaseNonUmlautedString, u"\u0141\u00D3D\u0179", u"\u0142odz"},
        Form{"normalizedUmlautsDecomposed", nonUmlautedNormalizedString, u"e\u0301", u"e"},
        Form{"normalizedUpperUmlauts", uppercaseNonUmlautedNormalizedString, u"u\u0308ber", u"UBER"},
        Form{"normalizedLowerUmlauts", lowercaseNonUmlautedNormalizedString, u"A\u030Angstr\u00D6m", u"angstrom"}),
    [](const testing::TestParamInfo<Form>& row) { return std::string(row.param.name); });

TEST(NormalizedForms, EmptyAndNull)
{
    const std::pair<const char*, Transform> transforms[] = {
        {"normalizedString", normalizedString},
        {"normalizedLowercaseString", normalizedLowercaseString},
        {"normalizedUppercaseString", normalizedUppercaseString},
        {"nonUmlautedString", nonUmlautedString},
        {"lowercaseNonUmlautedString", lowercaseNonUmlautedString},
        {"uppercaseNonUmlautedString", uppercaseNonUmlautedString},
        {"nonUmlautedNormalizedString", nonUmlautedNormalizedString},
        {"lowercaseNonUmlautedNormalizedString", lowercaseNonUmlautedNormalizedString},
        {"uppercaseNonUmlautedNormalizedString", uppercaseNonUmlautedNormalizedString},
        {"optimizedString", optimizedString},
        {"optimizedMutableString", optimizedMutableString},
    };
    for (const auto& [name, transform] : transforms) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(transform(QString()).isNull());
        const QString empty = transform(QStringLiteral(""));
        EXPECT_TRUE(empty.isEmpty() && !empty.isNull());
    }
    EXPECT_TRUE(fixedAndNormalizedString(QString(), true).isNull());
}

TEST(NormalizedForms, UnchangedAnswersTheReceiverItself)
{
    const QString plain = QStringLiteral("Muller");
    EXPECT_TRUE(isSameString(nonUmlautedString(plain), plain));
    const QString upper = QStringLiteral("CAFE 12");
    EXPECT_TRUE(isSameString(uppercaseNonUmlautedString(upper), upper));
    const QString empty = QStringLiteral("");
    EXPECT_TRUE(isSameString(normalizedString(empty), empty));
}

TEST(NormalizedForms, MappingLeavesTheReceiverAlone)
{
    QString text = QStringLiteral("M\u00FCller");
    const QString copy = text;
    EXPECT_EQ(utf8(nonUmlautedString(copy)), "Muller");
    EXPECT_EQ(utf8(nonUmlautedNormalizedString(copy)), "Muller");
    EXPECT_EQ(copy, text);
}

TEST(NormalizedForms, FixedAndNormalizedReplacesUnusableUnits)
{
    const QString text = QString::fromUtf16(u"a\uE000b\U0001F600") + QChar(0) + QStringLiteral("e\u0301");
    EXPECT_EQ(utf8(fixedAndNormalizedString(text, false)), utf8(QString::fromUtf16(u"a b\U0001F600 \u00E9")));
    EXPECT_EQ(utf8(fixedAndNormalizedString(text, true)), "a b   \u00E9");
}

TEST(NormalizedForms, CopyNormalizedUnichars)
{
    std::unique_ptr<unichar[]> units;
    ASSERT_EQ(copyNormalizedUnichars(QStringLiteral("Ae\u0301"), units), 2);
    EXPECT_EQ(units[0], u'A');
    EXPECT_EQ(units[1], 0x00E9);
    EXPECT_EQ(copyNormalizedUnichars(QString(), units), 0);
    EXPECT_EQ(units, nullptr);
}

TEST(NormalizedForms, OptimizedStringOwnsItsUnits)
{
    static const QChar borrowed[] = {u'a', u'b', u'c'};
    const QString raw = QString::fromRawData(borrowed, 3);
    const QString owned = optimizedString(raw);
    EXPECT_EQ(owned, raw);
    EXPECT_NE(owned.constData(), borrowed);
    EXPECT_NE(optimizedMutableString(raw).constData(), borrowed);
}

} // namespace
} // namespace sorvant
