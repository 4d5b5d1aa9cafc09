#include "foundation/values.h"

#include "platform/log.h"
#include "tests/support/log_capture.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace sorvant;
using sorvant::test::LogCapture;

namespace {

struct StringCase
{
    const char* name;
    QString text;
    qint64 integer;
    int int32;
    double real;
    bool boolean;
};
void PrintTo(const StringCase& row, std::ostream* out) { sorvant::test::printRowName(row, out); }

class StringReadingTest : public testing::TestWithParam<StringCase>
{
};

TEST_P(StringReadingTest, ReadsAsThePlatformDoes)
{
    const StringCase& c = GetParam();
    EXPECT_EQ(integerValue(c.text), c.integer);
    EXPECT_EQ(longLongValue(c.text), c.integer);
    EXPECT_EQ(intValue(c.text), c.int32);
    EXPECT_DOUBLE_EQ(doubleValue(c.text), c.real);
    EXPECT_FLOAT_EQ(floatValue(c.text), static_cast<float>(c.real));
    EXPECT_EQ(boolValue(c.text), c.boolean);
    // The same through a value, which must not fall back on QVariant's rules.
    EXPECT_EQ(integerValue(QVariant(c.text)), c.integer);
    EXPECT_EQ(boolValue(QVariant(c.text)), c.boolean);
}

constexpr qint64 kMax64 = std::numeric_limits<qint64>::max();
constexpr qint64 kMin64 = std::numeric_limits<qint64>::min();
constexpr int kMax32 = std::numeric_limits<int>::max();
constexpr int kMin32 = std::numeric_limits<int>::min();

INSTANTIATE_TEST_SUITE_P(
    Strings, StringReadingTest,
    testing::Values(
        StringCase{"Null", QString(), 0, 0, 0, false},
        StringCase{"Empty", QString(""), 0, 0, 0, false},
        StringCase{"TrailingLetters", "42abc", 42, 42, 42, true},
        StringCase{"LeadingSpaceAndMinus", "  -7", -7, -7, -7, true},
        StringCase{"LeadingNewlineAndTab", "\n\t+12", 12, 12, 12, true},
        StringCase{"NoBreakSpace", QString::fromUtf16(u"\u00a05"), 5, 5, 5, true},
        StringCase{"SignAlone", "-", 0, 0, 0, false},
        StringCase{"SpaceAfterSign", "- 5", 0, 0, 0, false},
        StringCase{"Hexadecimal", "0x1A", 0, 0, 0, false},
        StringCase{"Zero", "0", 0, 0, 0, false},
        StringCase{"Fraction", "3.75", 3, 3, 3.75, true},
        StringCase{"FractionBelowOne", "0.5", 0, 0, 0.5, false},
        StringCase{"Exponent", "-1.5e3kg", -1, -1, -1500, true},
        StringCase{"DanglingExponent", "2e", 2, 2, 2, true},
        StringCase{"LeadingPoint", ".25", 0, 0, 0.25, false},
        StringCase{"Int32Overflow", "2147483648", 2147483648LL, kMax32, 2147483648.0, true},
        StringCase{"Int32Underflow", "-2147483649", -2147483649LL, kMin32, -2147483649.0, true},
        StringCase{"Int64Overflow", "99999999999999999999", kMax64, kMax32, 1e20, true},
        StringCase{"Int64Underflow", "-99999999999999999999", kMin64, kMin32, -1e20, true},
        StringCase{"Int64Min", "-9223372036854775808", kMin64, kMin32, -9223372036854775808.0, true},
        StringCase{"Infinity", "inf", 0, 0, 0, false},
        StringCase{"NotANumber", "nan", 0, 0, 0, false},
        StringCase{"WordYes", "yes", 0, 0, 0, true},
        StringCase{"WordYesUpper", "YES", 0, 0, 0, true},
        StringCase{"WordTrueMixed", "TrUe", 0, 0, 0, true},
        StringCase{"WordOn", "On", 0, 0, 0, true},
        StringCase{"WordNo", "no", 0, 0, 0, false},
        StringCase{"WordOff", "off", 0, 0, 0, false},
        StringCase{"LetterY", "y", 0, 0, 0, false},
        StringCase{"YesWithSpace", "yes ", 0, 0, 0, false},
        StringCase{"YesWithStop", ".yes", 0, 0, 0, false},
        StringCase{"FiveLetters", "truer", 0, 0, 0, false}),
    [](const testing::TestParamInfo<StringCase>& row) { return std::string(row.param.name); });

TEST(ValuesTest, NumbersConvertAsCDoes)
{
    const QVariant big = QVariant::fromValue<qint64>((qint64(1) << 32) + 5);
    EXPECT_EQ(intValue(big), 5); // truncated to the low 32 bits
    EXPECT_EQ(unsignedLongLongValue(QVariant(-1)), std::numeric_limits<quint64>::max());
    EXPECT_EQ(unsignedIntValue(QVariant(-1)), std::numeric_limits<unsigned int>::max());
    EXPECT_EQ(integerValue(QVariant::fromValue<quint64>(std::numeric_limits<quint64>::max())), -1);
    EXPECT_EQ(intValue(QVariant(3.99)), 3);
    EXPECT_EQ(intValue(QVariant(-3.99)), -3);
    EXPECT_EQ(intValue(QVariant(1e20)), kMax32);
    EXPECT_EQ(integerValue(QVariant(-1e30)), kMin64);
    EXPECT_EQ(integerValue(QVariant(std::nan(""))), 0);
    EXPECT_TRUE(boolValue(QVariant(0.5)));
    EXPECT_FALSE(boolValue(QVariant(0.0)));
    EXPECT_TRUE(boolValue(QVariant::fromValue<quint64>(quint64(1) << 40)));
    EXPECT_EQ(doubleValue(QVariant(true)), 1.0);
    EXPECT_EQ(floatValue(QVariant(0.1f)), 0.1f);
}

TEST(ValuesTest, StringValueOfNumbersKeepsTheirType)
{
    EXPECT_EQ(stringValue(QVariant(42)), "42");
    EXPECT_EQ(stringValue(QVariant(true)), "1");
    EXPECT_EQ(stringValue(QVariant(0.1)), "0.1");
    EXPECT_EQ(stringValue(QVariant(0.1f)), "0.1");
    EXPECT_EQ(stringValue(QVariant::fromValue<quint64>(std::numeric_limits<quint64>::max())),
              "18446744073709551615");
    EXPECT_EQ(stringValue(QVariant(QStringLiteral("x"))), "x");
    EXPECT_TRUE(stringValue(QVariant()).isNull());
}

TEST(ValuesTest, NilAnswersZeroWithoutLogging)
{
    LogCapture log;
    const QVariant nil;
    EXPECT_FALSE(boolValue(nil));
    EXPECT_EQ(intValue(nil), 0);
    EXPECT_EQ(unsignedLongValue(nil), 0u);
    EXPECT_EQ(doubleValue(nil), 0.0);
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(ValuesTest, ValuesWithoutAReadingLogAndAnswerZero)
{
    const QVariant others[] = {nullValue(), QVariant(QVariantList{1}), QVariant(QByteArray("1")),
                               QVariant(QVariantMap{{"a", 1}}), QVariant(QDateTime::currentDateTime())};
    for (const QVariant& value : others) {
        SCOPED_TRACE(value.typeName());
        LogCapture log;
        EXPECT_FALSE(boolValue(value));
        EXPECT_EQ(unsignedLongValue(value), 0u);
        EXPECT_EQ(doubleValue(value), 0.0);
        ASSERT_EQ(log.lines().size(), 3);
        EXPECT_EQ(log.lines()[0], QStringLiteral("-[%1 boolValue]: Unrecognized selector.").arg(value.typeName()));
        EXPECT_TRUE(log.lines()[1].endsWith(" unsignedLongValue]: Unrecognized selector."));
    }
    // Strings have signed readings only.
    LogCapture log;
    EXPECT_EQ(unsignedLongValue(QVariant(QStringLiteral("42"))), 0u);
    EXPECT_EQ(log.lines(), QStringList{"-[QString unsignedLongValue]: Unrecognized selector."});
}

TEST(ValuesTest, NullMarkerIsPresentButNotAValue)
{
    EXPECT_TRUE(nullValue().isValid());
    EXPECT_TRUE(isNullValue(nullValue()));
    EXPECT_FALSE(isNullValue(QVariant()));
    EXPECT_FALSE(isNullValue(QVariant(QString())));
    EXPECT_TRUE(isNumberValue(QVariant(false)));
    EXPECT_FALSE(isNumberValue(QVariant(QStringLiteral("1"))));
}

} // namespace
