#include "foundation/string_format.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>
#include <QTimeZone>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace sorvant {
namespace {

struct FormatCase
{
    const char* name;
    const char16_t* format;
    QVariantList arguments;
    const char16_t* expected;
};
void PrintTo(const FormatCase& row, std::ostream* out) { test::printRowName(row, out); }

class StringWithFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(StringWithFormat, Fills)
{
    const FormatCase& row = GetParam();
    EXPECT_EQ(stringWithFormat(QString::fromUtf16(row.format), row.arguments).toStdString(),
              QString::fromUtf16(row.expected).toStdString());
}

std::string caseName(const testing::TestParamInfo<FormatCase>& row)
{
    return row.param.name;
}

const qlonglong kTwoPow32Plus5 = (qlonglong(1) << 32) + 5;

INSTANTIATE_TEST_SUITE_P(
    Literals, StringWithFormat,
    testing::Values(FormatCase{"plainText", u"no conversions", {}, u"no conversions"},
                    FormatCase{"percent", u"100%%", {}, u"100%"},
                    FormatCase{"trailingPercent", u"100%", {}, u"100%"},
                    FormatCase{"unknownConversionCopied", u"a%yb", {1}, u"a%yb"},
                    FormatCase{"unknownWithWidthCopied", u"%5k!", {}, u"%5k!"},
                    FormatCase{"extraArgumentsIgnored", u"%d", {1, 2}, u"1"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Integers, StringWithFormat,
    testing::Values(FormatCase{"decimal", u"%d found", {42}, u"42 found"},
                    FormatCase{"negative", u"%i", {-7}, u"-7"},
                    FormatCase{"width", u"[%5d]", {42}, u"[   42]"},
                    FormatCase{"leftJustified", u"[%-5d]", {42}, u"[42   ]"},
                    FormatCase{"zeroPadded", u"%05d", {-42}, u"-0042"},
                    FormatCase{"plusSign", u"%+d", {3}, u"+3"},
                    FormatCase{"spaceSign", u"% d", {3}, u" 3"},
                    FormatCase{"precisionPadsDigits", u"%.3d", {7}, u"007"},
                    FormatCase{"intTruncatesTo32Bits", u"%d", {kTwoPow32Plus5}, u"5"},
                    FormatCase{"longKeeps64Bits", u"%ld", {kTwoPow32Plus5}, u"4294967301"},
                    FormatCase{"longLongKeeps64Bits", u"%lld", {kTwoPow32Plus5}, u"4294967301"},
                    FormatCase{"quadKeeps64Bits", u"%qd", {kTwoPow32Plus5}, u"4294967301"},
                    FormatCase{"unsignedOfMinusOne", u"%u", {-1}, u"4294967295"},
                    FormatCase{"unsignedLongOfMinusOne", u"%lu", {-1}, u"18446744073709551615"},
                    FormatCase{"unsignedLongLongMax",
                               u"%llu",
                               {QVariant::fromValue(std::numeric_limits<qulonglong>::max())},
                               u"18446744073709551615"},
                    FormatCase{"charLength", u"%hhd", {300}, u"44"},
                    FormatCase{"shortLength", u"%hd", {70000}, u"4464"},
                    FormatCase{"hex", u"%x", {255}, u"ff"},
                    FormatCase{"upperHex", u"%08X", {0xBEEF}, u"0000BEEF"},
                    FormatCase{"alternateHex", u"%#x", {255}, u"0xff"},
                    FormatCase{"hexOfNegative", u"%x", {-1}, u"ffffffff"},
                    FormatCase{"octal", u"%o", {8}, u"10"},
                    FormatCase{"doubleTruncated", u"%d", {3.9}, u"3"},
                    FormatCase{"negativeDoubleTruncated", u"%d", {-3.9}, u"-3"},
                    FormatCase{"boolIsOne", u"%d", {true}, u"1"},
                    FormatCase{"numericStringParsed", u"%d", {QStringLiteral("12")}, u"12"},
                    FormatCase{"missingIsZero", u"%d and %d", {1}, u"1 and 0"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Floats, StringWithFormat,
    testing::Values(FormatCase{"fixed", u"%f", {3.14159}, u"3.141590"},
                    FormatCase{"precision", u"%.2f", {3.14159}, u"3.14"},
                    FormatCase{"widthAndPrecision", u"[%8.3f]", {-3.14159}, u"[  -3.142]"},
                    FormatCase{"leftJustified", u"[%-6.1f]", {2.25}, u"[2.2   ]"},
                    FormatCase{"zeroPadded", u"%06.2f", {1.5}, u"001.50"},
                    FormatCase{"exponent", u"%e", {12345.678}, u"1.234568e+04"},
                    FormatCase{"upperExponent", u"%.2E", {0.000123}, u"1.23E-04"},
                    FormatCase{"general", u"%g", {0.0001}, u"0.0001"},
                    FormatCase{"generalSmall", u"%g", {0.00001}, u"1e-05"},
                    FormatCase{"generalAlternateKeepsZeros", u"%#g", {1.5}, u"1.50000"},
                    FormatCase{"integerArgument", u"%f", {2}, u"2.000000"},
                    FormatCase{"longDoubleLength", u"%Lf", {0.5}, u"0.500000"},
                    FormatCase{"missingIsZero", u"%.1f", {}, u"0.0"},
                    FormatCase{"bareDotIsPrecisionZero", u"%.f|%.f", {2.5, 3.7}, u"2|4"},
                    FormatCase{"bareDotWithWidth", u"[%4.f]", {-1.2}, u"[  -1]"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Objects, StringWithFormat,
    testing::Values(FormatCase{"string", u"<%@>", {QStringLiteral("abc")}, u"<abc>"},
                    FormatCase{"nullString", u"%@", {QString()}, u"(null)"},
                    FormatCase{"emptyString", u"[%@]", {QString(QLatin1String(""))}, u"[]"},
                    FormatCase{"invalidVariant", u"%@", {QVariant()}, u"(null)"},
                    FormatCase{"missingArgument", u"%@/%@", {QStringLiteral("a")}, u"a/(null)"},
                    FormatCase{"integer", u"%@", {42}, u"42"},
                    FormatCase{"boolean", u"%@ %@", {true, false}, u"1 0"},
                    FormatCase{"doubleShortest", u"%@", {0.1}, u"0.1"},
                    FormatCase{"width", u"[%5@]", {QStringLiteral("ab")}, u"[   ab]"},
                    FormatCase{"leftJustified", u"[%-5@]", {QStringLiteral("ab")}, u"[ab   ]"},
                    FormatCase{"precisionCuts", u"%.3@", {QStringLiteral("abcdef")}, u"abc"},
                    FormatCase{"precisionKeepsSurrogatePairWhole",
                               u"%.2@",
                               {QStringLiteral("a\U0001F600b")},
                               u"a"},
                    FormatCase{"utf8Bytes", u"%s", {QByteArray("caf\xc3\xa9")}, u"caf\u00e9"},
                    FormatCase{"cStringWidth", u"[%-4s]", {QStringLiteral("ab")}, u"[ab  ]"},
                    FormatCase{"cStringBareDotIsEmpty", u"[%.s]", {QStringLiteral("ab")}, u"[]"},
                    FormatCase{"objectBareDotIsEmpty", u"[%3.@]", {QStringLiteral("ab")}, u"[   ]"},
                    FormatCase{"cStringNull", u"%s", {QVariant()}, u"(null)"},
                    FormatCase{"unicharString", u"%S", {QStringLiteral("\u03b1\u03b2")}, u"\u03b1\u03b2"},
                    FormatCase{"characterFromNumber", u"%c", {65}, u"A"},
                    FormatCase{"characterIsOneByte", u"%c", {0x141}, u"A"},
                    FormatCase{"characterFromString", u"%c", {QStringLiteral("xyz")}, u"x"},
                    FormatCase{"characterWidth", u"[%3c]", {65}, u"[  A]"},
                    FormatCase{"unichar", u"%C", {0x03B1}, u"\u03b1"},
                    FormatCase{"unicharBeyondBmp", u"%C", {0x1F600}, u"\U0001F600"},
                    FormatCase{"wideCharacter", u"%lc", {0x03B2}, u"\u03b2"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    ArgumentsFromFormat, StringWithFormat,
    testing::Values(FormatCase{"starWidth", u"[%*d]", {5, 42}, u"[   42]"},
                    FormatCase{"negativeStarWidthLeftJustifies", u"[%*d]", {-4, 7}, u"[7   ]"},
                    FormatCase{"starPrecision", u"%.*f", {2, 3.14159}, u"3.14"},
                    FormatCase{"negativeStarPrecisionIgnored", u"%.*f", {-1, 1.5}, u"1.500000"},
                    FormatCase{"starOnObject", u"[%-*@]", {4, QStringLiteral("ab")}, u"[ab  ]"},
                    FormatCase{"positionalSwap", u"%2$@ %1$@", {QStringLiteral("a"), QStringLiteral("b")}, u"b a"},
                    FormatCase{"positionalRepeat", u"%1$@%1$@", {QStringLiteral("ab")}, u"abab"},
                    FormatCase{"positionalNumbers", u"%2$d/%1$d", {1, 2}, u"2/1"},
                    FormatCase{"positionalStarWidth", u"[%1$*2$d]", {7, 3}, u"[  7]"},
                    FormatCase{"positionalOutOfRange", u"%3$@", {1}, u"(null)"},
                    FormatCase{"zeroIsNoPosition", u"%0$d", {1}, u"%0$d"}),
    caseName);

TEST(StringWithFormatNil, NullFormatGivesNullAndEmptyGivesEmpty)
{
    EXPECT_TRUE(stringWithFormat(QString(), {1}).isNull());
    const QString empty = stringWithFormat(QString(QLatin1String("")), {1});
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_FALSE(empty.isNull());
}

TEST(StringWithFormatLimits, HugeWidthIsBounded)
{
    const QString text = stringWithFormat(QStringLiteral("%999999999d|%999999999@"), {1, QStringLiteral("x")});
    EXPECT_LE(text.size(), 2 * 65536 + 1);
    EXPECT_TRUE(text.endsWith(QLatin1String("x")));
}

TEST(DescribeFormatArgument, DescribesContainers)
{
    const QVariantList list{QStringLiteral("a"), 2, QStringLiteral("b c"), QString(QLatin1String(""))};
    EXPECT_EQ(describeFormatArgument(list), QStringLiteral("(\n    a,\n    2,\n    \"b c\",\n    \"\"\n)"));
    EXPECT_EQ(describeFormatArgument(QVariantList{}), QStringLiteral("(\n)"));

    const QVariantMap map{{QStringLiteral("z"), QStringLiteral("v\"w")},
                          {QStringLiteral("a"), QVariantList{1}}};
    EXPECT_EQ(describeFormatArgument(map), QStringLiteral("{\n    a = (\n        1\n    );\n    z = \"v\\\"w\";\n}"));
    EXPECT_EQ(describeFormatArgument(QStringList{QStringLiteral("x/y.z")}), QStringLiteral("(\n    x/y.z\n)"));
}

TEST(DescribeFormatArgument, DescribesBytesDatesAndNil)
{
    EXPECT_EQ(describeFormatArgument(QByteArray("abcde")), QStringLiteral("<61626364 65>"));
    EXPECT_EQ(describeFormatArgument(QByteArray("")), QStringLiteral("<>"));
    EXPECT_EQ(describeFormatArgument(QByteArray()), QStringLiteral("(null)"));
    const QDateTime date(QDate(2001, 1, 1), QTime(1, 2, 3), QTimeZone(3600));
    EXPECT_EQ(describeFormatArgument(date), QStringLiteral("2001-01-01 00:02:03 +0000"));
    EXPECT_EQ(describeFormatArgument(QDateTime()), QStringLiteral("(null)"));
    EXPECT_EQ(describeFormatArgument(QVariant::fromValue(nullptr)), QStringLiteral("(null)"));
}

enum class Colour { Red = 3 };

TEST(FormatString, PacksEveryKindOfArgument)
{
    const QString view = QStringLiteral("view");
    EXPECT_EQ(formatString(QStringLiteral("%@|%s|%@"), "lit\xc3\xa9ral", static_cast<const char*>("ptr"),
                           QStringView(view)),
              QStringLiteral("lit\u00e9ral|ptr|view"));
    EXPECT_EQ(formatString(QStringLiteral("%C%@"), u'\u03b2', nullptr), QStringLiteral("\u03b2(null)"));
    EXPECT_EQ(formatString(QStringLiteral("%d %lu %@"), Colour::Red, std::uint64_t{1} << 40, QLatin1String("l1")),
              QStringLiteral("3 1099511627776 l1"));
    EXPECT_EQ(formatString(QStringLiteral("%2$@-%1$d"), 5, QStringLiteral("x")), QStringLiteral("x-5"));
    EXPECT_EQ(formatString(QStringLiteral("none")), QStringLiteral("none"));
    EXPECT_EQ(formatString(QStringLiteral("%c|%.1f|%@|%@"), 'x', 1.25f, 0.5f, QStringList{QStringLiteral("a")}),
              QStringLiteral("x|1.2|0.5|(\n    a\n)"));
    EXPECT_EQ(formatString(QStringLiteral("%-4s|%04.1f"), "ab", 2.25), QStringLiteral("ab  |02.2"));
    EXPECT_EQ(formatString(QStringLiteral("%@/%@/%@"), std::string("caf\xc3\xa9"), std::string_view("sv"),
                           std::u16string(u"\u03b1")),
              QStringLiteral("caf\u00e9/sv/\u03b1"));
}

} // namespace
} // namespace sorvant
