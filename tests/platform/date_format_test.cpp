#include "platform/date_format.h"

#include "platform/current_locale.h"
#include "tests/support/pinned_locale.h"

#include <gtest/gtest.h>

#include <QTimeZone>

namespace sorvant {
namespace {

// Tuesday 2024-03-05 14:07:09.123 in Berlin (UTC+1).
QDateTime sampleDate()
{
    return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9, 123), QTimeZone("Europe/Berlin"));
}

struct FormatCase
{
    const char* name;
    QString format;
    QString expected;
};
void PrintTo(const FormatCase& row, std::ostream* out) { test::printRowName(row, out); }

class CalendarFormatTest : public ::testing::TestWithParam<FormatCase>
{
protected:
    test::PinnedLocale m_locale{QStringLiteral("en_US"), QStringLiteral("Europe/Berlin")};
};

TEST_P(CalendarFormatTest, WritesTheDate)
{
    EXPECT_EQ(formatDateWithCalendarFormat(sampleDate(), GetParam().format), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, CalendarFormatTest,
    ::testing::Values(FormatCase{"Default", "%Y-%m-%d %H:%M:%S %z", "2024-03-05 14:07:09 +0100"},
                      FormatCase{"ShortYear", "%d.%m.%y", "05.03.24"},
                      FormatCase{"DayWithoutZero", "%e", "5"},
                      FormatCase{"DayOfYear", "%j", "065"},
                      FormatCase{"TwelveHourClock", "%I %p", "02 PM"},
                      FormatCase{"WeekdayNumber", "%w", "2"},
                      FormatCase{"Milliseconds", "%F", "123"},
                      FormatCase{"Names", "%a %A %b %B", "Tue Tuesday Mar March"},
                      FormatCase{"PercentSign", "100%% at %Hh", "100% at 14h"},
                      FormatCase{"ApostrophesAreText", "it's %H o'clock", "it's 14 o'clock"},
                      FormatCase{"LettersAreText", "day %d of year", "day 05 of year"},
                      FormatCase{"UnknownConversionIsCopied", "%q%Y", "%q2024"},
                      FormatCase{"TrailingPercent", "%Y%", "2024%"},
                      FormatCase{"Empty", "", ""}),
    [](const ::testing::TestParamInfo<FormatCase>& row) { return std::string(row.param.name); });

TEST(CalendarFormat, NullDateGivesNull)
{
    EXPECT_TRUE(formatDateWithCalendarFormat(QDateTime(), QStringLiteral("%Y")).isNull());
}

TEST(CalendarFormat, NamesFollowTheGivenLocale)
{
    test::PinnedLocale locale(QStringLiteral("en_US"), QStringLiteral("Europe/Berlin"));
    EXPECT_EQ(formatDateWithCalendarFormat(sampleDate(), QStringLiteral("%A %e. %B"), QStringLiteral("de_DE")),
              QStringLiteral("Dienstag 5. M\u00e4rz"));
}

TEST(CalendarFormat, ReadsWhatItWrites)
{
    test::PinnedLocale locale(QStringLiteral("en_US"), QStringLiteral("Europe/Berlin"));
    const QDateTime date = sampleDate().addMSecs(-123);
    for (const char* format : {"%Y-%m-%d %H:%M:%S %z", "%d %B %Y, %I:%M:%S %p", "%a %b %e %H:%M:%S %Y", "%j/%Y %H%M%S"}) {
        SCOPED_TRACE(format);
        const QString text = formatDateWithCalendarFormat(date, QLatin1String(format));
        EXPECT_EQ(parseDateWithCalendarFormat(text, QLatin1String(format)), date) << text.toStdString();
    }
}

TEST(CalendarFormat, ReadingHonoursAnOffsetAndRejectsMissingDays)
{
    test::PinnedLocale locale(QStringLiteral("en_US"), QStringLiteral("Europe/Berlin"));
    EXPECT_EQ(parseDateWithCalendarFormat(QStringLiteral("2024-03-05 14:07:09 -0500"), defaultCalendarFormat()),
              QDateTime(QDate(2024, 3, 5), QTime(19, 7, 9), Qt::UTC));
    EXPECT_FALSE(parseDateWithCalendarFormat(QStringLiteral("2023-02-29"), QStringLiteral("%Y-%m-%d")).isValid());
    EXPECT_FALSE(parseDateWithCalendarFormat(QStringLiteral("tomorrow"), QStringLiteral("%Y-%m-%d")).isValid());
    EXPECT_FALSE(parseDateWithCalendarFormat(QStringLiteral("2024"), QString()).isValid());
}

TEST(DateStyles, FollowTheCurrentLocaleAndZone)
{
    test::PinnedLocale locale(QStringLiteral("en_US"), QStringLiteral("Europe/Berlin"));
    const QDateTime date = sampleDate();
    EXPECT_EQ(formatDate(date, DateFormatStyle::Full, DateFormatStyle::None), QStringLiteral("Tuesday, March 5, 2024"));
    EXPECT_EQ(formatDate(date, DateFormatStyle::None, DateFormatStyle::Medium), QStringLiteral("2:07:09\u202fPM"));
    EXPECT_TRUE(formatDate(date, DateFormatStyle::None, DateFormatStyle::None).isNull());
    ASSERT_TRUE(setCurrentTimeZoneId(QStringLiteral("America/New_York")));
    EXPECT_EQ(formatDate(date, DateFormatStyle::None, DateFormatStyle::Short), QStringLiteral("8:07\u202fAM"));
    EXPECT_FALSE(setCurrentTimeZoneId(QStringLiteral("Mars/Olympus")));
    EXPECT_EQ(currentTimeZoneId(), QStringLiteral("America/New_York"));
}

TEST(DateStyles, WeekdayAndMonthNames)
{
    test::PinnedLocale locale(QStringLiteral("fr_FR"), QStringLiteral("Europe/Paris"));
    const QStringList weekdays = weekdaySymbols();
    ASSERT_EQ(weekdays.size(), 7);
    EXPECT_EQ(weekdays.first(), QStringLiteral("dimanche"));
    EXPECT_EQ(weekdays.last(), QStringLiteral("samedi"));
    const QStringList months = monthSymbols();
    ASSERT_EQ(months.size(), 12);
    EXPECT_EQ(months.first(), QStringLiteral("janvier"));
    EXPECT_EQ(months.at(7), QStringLiteral("ao\u00fbt"));
}

} // namespace
} // namespace sorvant
