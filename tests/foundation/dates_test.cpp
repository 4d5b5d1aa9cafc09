#include "foundation/dates.h"

#include "tests/support/log_capture.h"
#include "tests/support/pinned_locale.h"


#include <gtest/gtest.h>

#include <QTimeZone>

namespace sorvant {
namespace {

// Clocks in Berlin went forward on 2024-03-31 at 02:00 and back on
// 2024-10-27 at 03:00.
QDateTime berlin(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone("Europe/Berlin"));
}

class DatesTest : public ::testing::Test
{
protected:
    test::PinnedLocale m_locale{QStringLiteral("en_US"), QStringLiteral("Europe/Berlin")};
};

TEST_F(DatesTest, StopwatchAnswersZeroUntilStarted)
{
    startTimer();
    resetTimer();
    test::LogCapture log;
    EXPECT_EQ(measureTimer(), 0.0);
    EXPECT_EQ(measureTimer(QStringLiteral("load"), 0.0), 0.0);
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_EQ(measureAndRestartTimer(QStringLiteral("load"), 0.0), 0.0);
    EXPECT_GE(measureTimer(QStringLiteral("load"), 1000.0), 0.0);
    EXPECT_TRUE(log.lines().isEmpty());   // below the threshold
    measureTimer(QStringLiteral("load"));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith(QStringLiteral("load: ")));
    EXPECT_TRUE(log.lines().first().endsWith(QLatin1Char('s')));
}

TEST_F(DatesTest, StopwatchFromADate)
{
    test::LogCapture log;
    const QDateTime start = QDateTime::currentDateTime().addSecs(-2);
    EXPECT_GE(ellapsedTime(start), 2.0);
    EXPECT_LT(ellapsedTime(start), 60.0);
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_GE(measureTimer(start), 2.0);
    EXPECT_EQ(measureTimer(QDateTime()), 0.0);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().endsWith(QLatin1Char('s')));
}

TEST_F(DatesTest, AddingDaysKeepsFixedLengthAcrossDaylightSaving)
{
    const QDateTime spring = berlin(2024, 3, 30, 12);
    EXPECT_EQ(dateByAddingDays(spring, 1), berlin(2024, 3, 31, 13));
    EXPECT_EQ(hourOfDay(dateByAddingDays(spring, 1)), 13);
    EXPECT_EQ(dateByAddingDays(spring, 0), spring);
    const QDateTime autumn = berlin(2024, 10, 26, 12);
    EXPECT_EQ(hourOfDay(dateByAddingDays(autumn, 1)), 11);
    EXPECT_EQ(dateByAddingDays(berlin(2024, 3, 31, 13), -1), spring);
}

TEST_F(DatesTest, CalendarAdditionKeepsTheWallClock)
{
    EXPECT_EQ(dateByAddingYears(berlin(2024, 3, 30, 12), 0, 0, 1, 0, 0, 0), berlin(2024, 3, 31, 12));
    EXPECT_EQ(dateByAddingYears(berlin(2024, 10, 26, 12), 0, 0, 1, 0, 0, 0), berlin(2024, 10, 27, 12));
    EXPECT_EQ(dateByAddingMonths(berlin(2023, 1, 31, 9), 1), berlin(2023, 2, 28, 9));
    EXPECT_EQ(dateByAddingYears(berlin(2024, 2, 29), 1), berlin(2025, 2, 28));
    EXPECT_EQ(dateByAddingYears(berlin(2024, 1, 1), 1, 2, 3, 4, 5, 6), berlin(2025, 3, 4, 4, 5, 6));
    // Hours are elapsed time: 01:30 plus one hour on the spring day is 03:30.
    EXPECT_EQ(dateByAddingYears(berlin(2024, 3, 31, 1, 30), 0, 0, 0, 1, 0, 0), berlin(2024, 3, 31, 3, 30));
    EXPECT_FALSE(dateByAddingMonths(QDateTime(), 1).isValid());
}

TEST_F(DatesTest, Components)
{
    const QDateTime date = berlin(2024, 3, 31, 15, 4, 5);   // a Sunday, summer time
    EXPECT_EQ(era(date), 1);
    EXPECT_EQ(yearOfCommonEra(date), 2024);
    EXPECT_EQ(monthOfYear(date), 3);
    EXPECT_EQ(dayOfMonth(date), 31);
    EXPECT_EQ(dayOfWeek(date), 1);
    EXPECT_EQ(indexOfWeekday(date), 0);
    EXPECT_EQ(hourOfDay(date), 15);
    EXPECT_EQ(minuteOfHour(date), 4);
    EXPECT_EQ(secondOfMinute(date), 5);
    EXPECT_EQ(quarterOfYear(date), 1);
    EXPECT_EQ(quarterOfYear(berlin(2024, 10, 1)), 4);
    EXPECT_EQ(weekOfYear(berlin(2024, 1, 1)), 1);
    EXPECT_EQ(weekOfMonth(berlin(2024, 3, 1)), 1);
    EXPECT_EQ(dayOfYear(date), 91);
    EXPECT_EQ(dayOfYear(berlin(2024, 4, 1, 0, 30)), 92);
    EXPECT_EQ(dayOfYear(berlin(2024, 1, 1)), 1);
    EXPECT_EQ(yearOfCommonEra(QDateTime()), 0);
}

TEST_F(DatesTest, LocalDayOfWeekFollowsTheFirstWeekday)
{
    const QDateTime sunday = berlin(2024, 3, 31, 12);
    EXPECT_EQ(localDayOfWeek(sunday), 0);   // en_US weeks start on Sunday
    EXPECT_EQ(localSecondsOfWeek(sunday), 12 * 3600);
    test::PinnedLocale german(QStringLiteral("de_DE"), QStringLiteral("Europe/Berlin"));
    EXPECT_EQ(localDayOfWeek(sunday), 6);
    EXPECT_EQ(localDayOfWeek(berlin(2024, 4, 1)), 0);
    EXPECT_EQ(localSecondsOfWeek(sunday), 6 * 86400 + 12 * 3600);
    EXPECT_EQ(secondsOfWeek(sunday), 12 * 3600);
}

TEST_F(DatesTest, SecondCounts)
{
    EXPECT_EQ(secondsOfMonth(berlin(2024, 3, 1)), 0);
    EXPECT_EQ(secondsOfMonth(berlin(2024, 3, 2, 0, 0, 1)), 86401);
    EXPECT_EQ(secondsOfHour(berlin(2024, 3, 2, 7, 2, 3)), 123);
    EXPECT_EQ(secondsOfDay(berlin(2024, 3, 2, 7, 2, 3)), 7 * 3600 + 123);
    EXPECT_EQ(secondsOfWeek(berlin(2024, 4, 1, 1, 0, 5)), 86400 + 3605);
    EXPECT_EQ(secondsOfQuarter(berlin(2024, 4, 2, 0, 0, 10)), 86410);
    EXPECT_EQ(secondsOfYear(berlin(2024, 1, 2, 0, 0, 1)), 86401);
    EXPECT_EQ(secondsOfYear(QDateTime()), 0);
}

TEST_F(DatesTest, FirstDays)
{
    const QDateTime date = berlin(2024, 5, 20, 15, 30);
    EXPECT_EQ(firstDayOfMonth(date), berlin(2024, 5, 1));
    EXPECT_EQ(firstDayOfNextMonth(date), berlin(2024, 6, 1));
    EXPECT_EQ(firstDayOfNextMonth(berlin(2024, 12, 15)), berlin(2025, 1, 1));
    EXPECT_EQ(firstDayOfQuarter(date), berlin(2024, 4, 1));
    EXPECT_EQ(firstDayOfQuarter(berlin(2024, 12, 31, 23)), berlin(2024, 10, 1));
    EXPECT_EQ(firstDayOfYear(date), berlin(2024, 1, 1));
    EXPECT_FALSE(firstDayOfMonth(QDateTime()).isValid());
}

TEST_F(DatesTest, DayCounts)
{
    for (int day = 1; day <= 29; ++day)
        EXPECT_EQ(numberOfDaysInMonth(berlin(2024, 2, day, 12)), 29) << day;
    EXPECT_EQ(numberOfDaysInMonth(berlin(2023, 2, 10)), 28);
    EXPECT_EQ(numberOfDaysInPreviousMonth(berlin(2024, 3, 10)), 29);
    EXPECT_EQ(numberOfDaysInYear(berlin(2023, 6, 1)), 365);
    EXPECT_EQ(numberOfDaysInYear(berlin(2024, 6, 1)), 366);
    EXPECT_EQ(numberOfDaysInQuarter(berlin(2023, 2, 1)), 90);
    EXPECT_EQ(numberOfDaysInQuarter(berlin(2024, 2, 1)), 91);
    EXPECT_EQ(numberOfDaysInQuarter(berlin(2023, 5, 1)), 91);
    EXPECT_EQ(numberOfDaysInQuarter(berlin(2023, 11, 30)), 92);
    EXPECT_EQ(numberOfDaysInPreviousQuarter(berlin(2023, 5, 10)), 90);
    EXPECT_EQ(numberOfDaysInPreviousQuarter(berlin(2024, 1, 10)), 92);
    EXPECT_EQ(numberOfDaysInMonth(QDateTime()), 0);
}

TEST_F(DatesTest, MonthEndingOnAShortDayKeepsAllItsDays)
{
    // 2024-03-31 had 23 hours in Berlin: 86,400 s before April's midnight
    // is still March 30, which must not shorten March.
    EXPECT_EQ(numberOfDaysInMonth(berlin(2024, 3, 15)), 31);
    EXPECT_EQ(numberOfDaysInPreviousMonth(berlin(2024, 4, 15)), 31);
    EXPECT_EQ(numberOfDaysInQuarter(berlin(2024, 3, 15)), 91);
}

TEST_F(DatesTest, WallClockConstructorsCarryOver)
{
    EXPECT_EQ(dateWithYear(2024, 2, 30, 0, 0, 0), berlin(2024, 3, 1));
    EXPECT_EQ(dateWithYear(2024, 13, 1, 0, 0, 0), berlin(2025, 1, 1));
    EXPECT_EQ(dateWithYear(2024, 3, 31, 2, 30, 0), berlin(2024, 3, 31, 3, 30));
    EXPECT_EQ(dateWithYear(2024, 1, 1, 0, 0, 0, QStringLiteral("America/New_York")).toMSecsSinceEpoch(),
              QDateTime(QDate(2024, 1, 1), QTime(5, 0), Qt::UTC).toMSecsSinceEpoch());
    EXPECT_FALSE(dateWithYear(2024, 1, 1, 0, 0, 0, QStringLiteral("Mars/Olympus")).isValid());
}

TEST_F(DatesTest, LocalizedDescriptions)
{
    const QDateTime date = berlin(2024, 3, 5, 14, 7, 9);
    EXPECT_EQ(localizedShortDateDescription(date), QStringLiteral("3/5/24"));
    EXPECT_EQ(localizedDateDescription(date), QStringLiteral("Mar 5, 2024"));
    EXPECT_EQ(localizedLongDateDescription(date), QStringLiteral("March 5, 2024"));
    EXPECT_EQ(localizedTimeDescription(date), QStringLiteral("2:07\u202fPM"));
    EXPECT_TRUE(localizedShortDateTimeDescription(date).startsWith(QStringLiteral("3/5/24")));
    EXPECT_TRUE(localizedLongDateTimeDescription(date).contains(QStringLiteral("2:07:09")));
    EXPECT_TRUE(localizedDateTimeDescription(QDateTime()).isNull());
    EXPECT_EQ(localizedWeekdaySymbol(date), QStringLiteral("Tuesday"));
    EXPECT_EQ(localizedMonthSymbol(date), QStringLiteral("March"));
    EXPECT_EQ(descriptionWithLocale(date, QString()), QStringLiteral("2024-03-05 14:07:09 +0100"));

    test::PinnedLocale german(QStringLiteral("de_DE"), QStringLiteral("Europe/Berlin"));
    EXPECT_EQ(localizedDateDescription(date), QStringLiteral("05.03.2024"));
    EXPECT_EQ(localizedWeekdaySymbol(date), QStringLiteral("Dienstag"));
    EXPECT_EQ(localizedMonthSymbol(date), QStringLiteral("M\u00e4rz"));
}

TEST_F(DatesTest, StringsInCalendarFormats)
{
    const QDateTime date = berlin(2024, 3, 5, 14, 7, 9);
    EXPECT_EQ(dateWithString(QStringLiteral("2024-03-05 14:07:09 +0100"), QStringLiteral("%Y-%m-%d %H:%M:%S %z")),
              date);
    EXPECT_EQ(dateWithString(QStringLiteral("05.03.2024"), QStringLiteral("%d.%m.%Y")), berlin(2024, 3, 5));
    EXPECT_FALSE(dateWithString(QStringLiteral("2023-02-29"), QStringLiteral("%Y-%m-%d")).isValid());
    EXPECT_FALSE(dateWithString(QString(), QStringLiteral("%Y")).isValid());
    EXPECT_FALSE(dateWithString(QStringLiteral("2024"), QString()).isValid());
    EXPECT_EQ(descriptionWithCalendarFormat(date, QStringLiteral("%A %e %B %Y"), QStringLiteral("de_DE")),
              QStringLiteral("Dienstag 5 M\u00e4rz 2024"));
}

TEST_F(DatesTest, ClassDescriptionsDescribeNow)
{
    // The class forms describe the current date: the text read back lies
    // within the seconds around the call.
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const QString text = descriptionWithLocale(QString());
    const QString year = descriptionWithCalendarFormat(QStringLiteral("%Y"));
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    const QDateTime read = dateWithString(text, QStringLiteral("%Y-%m-%d %H:%M:%S %z"));
    ASSERT_TRUE(read.isValid()) << text.toStdString();
    EXPECT_GE(read, before.addMSecs(-before.time().msec()));
    EXPECT_LE(read, after);
    EXPECT_EQ(year.toInt(), yearOfCommonEra(read));
}

TEST_F(DatesTest, SelfCheckLogsEveryExpression)
{
    test::LogCapture log;
    testDates();
    ASSERT_GT(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith(QStringLiteral("testDates: ")));
    // Every expression logs a value: none is left empty.
    for (const QString& line : log.lines().mid(1))
        EXPECT_FALSE(line.endsWith(QStringLiteral(": "))) << line.toStdString();
    const int days = numberOfDaysInYear(QDateTime::currentDateTime());
    EXPECT_TRUE(log.lines().contains(QStringLiteral("@(date.numberOfDaysInYear): %1").arg(days)));
}

} // namespace
} // namespace sorvant
