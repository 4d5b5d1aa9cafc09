#include "foundation/number_formatting.h"

#include "platform/localized_text.h"
#include "tests/support/pinned_locale.h"

#include <gtest/gtest.h>

#include <memory>

using namespace sorvant;

namespace {

// The size formatter's settings in a pinned locale.
std::unique_ptr<NumberFormatter> sizeFormatterFor(const char* locale)
{
    auto formatter = std::make_unique<NumberFormatter>(NumberFormatter::Style::Decimal, QString::fromLatin1(locale));
    formatter->setMaximumFractionDigits(1);
    formatter->setUsesGroupingSeparator(true);
    formatter->setGroupingSize(3);
    return formatter;
}

struct SizeCase
{
    const char* name;
    quint64 bytes;
    const char* english;
    const char* german;
};
void PrintTo(const SizeCase& row, std::ostream* out) { sorvant::test::printRowName(row, out); }

class StringForSizeTest : public ::testing::TestWithParam<SizeCase>
{
};

TEST_P(StringForSizeTest, ChoosesUnitBeforeRounding)
{
    const SizeCase& c = GetParam();
    EXPECT_EQ(stringForSize(c.bytes, *sizeFormatterFor("en_US")), QString::fromUtf8(c.english));
    EXPECT_EQ(stringForSize(c.bytes, *sizeFormatterFor("de_DE")), QString::fromUtf8(c.german));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, StringForSizeTest,
    ::testing::Values(SizeCase{"Zero", 0, "0 bytes", "0 bytes"},
                    SizeCase{"OneByteIsSingular", 1, "1 byte", "1 byte"},
                    SizeCase{"TwoBytes", 2, "2 bytes", "2 bytes"},
                    SizeCase{"LargestBytes", 999, "999 bytes", "999 bytes"},
                    SizeCase{"OneKB", 1000, "1 KB", "1 KB"},
                    SizeCase{"OneAndAHalfKB", 1500, "1.5 KB", "1,5 KB"},
                    SizeCase{"JustBelowMB", 999'999, "1,000 KB", "1.000 KB"},
                    SizeCase{"HalfToEvenDown", 1'250'000, "1.2 MB", "1,2 MB"},
                    SizeCase{"HalfToEvenUp", 1'750'000, "1.8 MB", "1,8 MB"},
                    SizeCase{"GB", 3'000'000'000ULL, "3 GB", "3 GB"},
                    SizeCase{"OneTB", 1'000'000'000'000ULL, "1 TB", "1 TB"},
                    SizeCase{"ManyTB", 2'500'000'000'000'000ULL, "2,500 TB", "2.500 TB"},
                    SizeCase{"LargestCount", ~0ULL, "18,446,744 TB", "18.446.744 TB"}),
    [](const ::testing::TestParamInfo<SizeCase>& row) { return std::string(row.param.name); });

TEST(NumberFormattingTest, FormatterSettingsRoundHalfToEven)
{
    NumberFormatter none(NumberFormatter::Style::None, "en_US");
    EXPECT_EQ(none.stringFromInteger(1234567), "1234567");
    none.setUsesGroupingSeparator(true);
    none.setGroupingSize(3);
    EXPECT_EQ(none.stringFromInteger(-1234567), "-1,234,567");
    EXPECT_EQ(none.stringFromDouble(2.5), "2");
    EXPECT_EQ(none.stringFromDouble(3.5), "4");

    NumberFormatter decimal(NumberFormatter::Style::Decimal, "en_US");
    decimal.setMaximumFractionDigits(2);
    EXPECT_EQ(decimal.stringFromDouble(0.125), "0.12");
    EXPECT_EQ(decimal.stringFromDouble(0.375), "0.38");
    EXPECT_EQ(decimal.stringFromDouble(7.0), "7");
    EXPECT_EQ(stringForFloat(decimal, 0.1f), "0.1");
    // Longer than any fixed buffer: 301 digits and 100 separators.
    decimal.setUsesGroupingSeparator(true);
    const QString huge = decimal.stringFromDouble(1e300);
    EXPECT_EQ(huge.size(), 401);
    EXPECT_TRUE(huge.startsWith("1,000,000"));
}

// The shared formatters take the current locale when they are first used
// (the integer one follows it after).
TEST(NumberFormattingTest, SharedFormattersFollowTheTable)
{
    const sorvant::test::PinnedLocale pinned("en_US", "UTC");
    EXPECT_EQ(stringForInteger(-1234567), "-1,234,567");
    EXPECT_EQ(stringForFloat(1234.567f), "1,234.57");
    EXPECT_EQ(stringForFloat(2.0f), "2");
    EXPECT_EQ(stringForSize(1'250'000), "1.2 MB");
    EXPECT_EQ(&integerFormatter(), &integerFormatter());
}

// Counts follow the locale of the moment: the window's titles, questions
// and status line group them alike, whatever locale came first.
TEST(NumberFormattingTest, IntegersFollowTheCurrentLocale)
{
    const struct
    {
        const char* locale;
        qint64 value;
        const char* text;
    } cases[] = {{"en_US", 1234567, "1,234,567"}, {"de_DE", 1234567, "1.234.567"}, {"en_US", -1234, "-1,234"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        const sorvant::test::PinnedLocale pinned(QString::fromLatin1(c.locale), QStringLiteral("UTC"));
        EXPECT_EQ(stringForInteger(c.value), QString::fromLatin1(c.text));
        EXPECT_EQ(&integerFormatter(), &integerFormatter());
    }
}

// A German table for the size formats; null for other keys.
QString germanSizeText(const QString& key)
{
    if (key == QLatin1String("%d byte") || key == QLatin1String("%d bytes"))
        return QStringLiteral("%d Byte");
    if (key == QLatin1String("%@ KB"))
        return QStringLiteral("%@ kB");
    return {};
}

// The size formats are looked up in the installed table; they were once
// English whatever the interface's language.
TEST(NumberFormattingTest, SizeTextsStayEnglishInGermanRegression)
{
    const TextLookup previous = setTextLookup(&germanSizeText);
    const auto german = sizeFormatterFor("de_DE");
    EXPECT_EQ(stringForSize(1, *german), "1 Byte");
    EXPECT_EQ(stringForSize(238, *german), "238 Byte");
    EXPECT_EQ(stringForSize(1500, *german), "1,5 kB");
    EXPECT_EQ(stringForSize(1'250'000, *german), "1,2 MB"); // no entry: the key
    setTextLookup(previous);
}

} // namespace
