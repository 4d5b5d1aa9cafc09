#pragma once
// Date conveniences over QDateTime: constructors from wall-clock values and
// calendar formats, a process-wide stopwatch, localized descriptions,
// calendar components, the first days of months, quarters and years, and
// counts of days and seconds. Components use the current calendar, locale
// and time zone (platform/calendar.h, platform/current_locale.h), followed
// on every call.
//
// "Seconds of" counts take days as 86,400 seconds, and dateByAddingDays adds
// 86,400-second days: across a daylight-saving change the wall-clock time
// moves by the change. Calendar addition (dateByAddingMonths and the six-field
// form) keeps the wall-clock time instead.
//
// A null QDateTime gives 0, a null date or a null string.
//   numberOfDaysInMonth(2024-02-10)      => 29
//   localDayOfWeek(a Sunday), Monday first => 6
//   secondsOfMonth(2024-03-01 00:00:00)  => 0

#include <QDateTime>
#include <QString>

namespace sorvant {

// --- constructors --------------------------------------------------------------
// The date `text` spells in the calendar format (platform/date_format.h);
// null when either is null or empty, or the text does not fit.
[[nodiscard]] QDateTime dateWithString(const QString& text, const QString& calendarFormat);
// The Gregorian wall-clock time in the current time zone, or in the zone
// `timeZoneId` (null: the current zone). Out-of-range values carry over:
//   dateWithYear(2024, 2, 30, 0, 0, 0) => 2024-03-01 00:00
[[nodiscard]] QDateTime dateWithYear(int year, int month, int day, int hour, int minute, int second);
[[nodiscard]] QDateTime dateWithYear(int year, int month, int day, int hour, int minute, int second,
                                     const QString& timeZoneId);

// --- stopwatch -------------------------------------------------------------------
// One start time for the whole process; timings from two threads overwrite
// each other. Elapsed times are in seconds.
void startTimer();
// Forgets the start, as if startTimer() had never run (tests use it).
void resetTimer();
// Seconds since startTimer(), logged as "<seconds>s"; 0, unlogged, when the
// stopwatch never started.
double measureTimer();
// Seconds since startTimer(), logged as "<label>: <seconds>s" when at least
// `threshold`; 0 when never started.
double measureTimer(const QString& label, double threshold = 0.0);
// As measureTimer(label, threshold), then restarts the stopwatch at now.
double measureAndRestartTimer(const QString& label, double threshold);
// The same with `start` as start time: the first form always logs.
double measureTimer(const QDateTime& start);
double measureTimer(const QDateTime& start, const QString& label, double threshold = 0.0);
// Seconds from `date` to now, without logging.
[[nodiscard]] double ellapsedTime(const QDateTime& date);

// --- descriptions --------------------------------------------------------------------
// The date in the current locale: a short time; a short, medium or long
// date; or a short, medium or long date with a short, short or medium time.
[[nodiscard]] QString localizedTimeDescription(const QDateTime& date);
[[nodiscard]] QString localizedShortDateDescription(const QDateTime& date);
[[nodiscard]] QString localizedDateDescription(const QDateTime& date);
[[nodiscard]] QString localizedLongDateDescription(const QDateTime& date);
[[nodiscard]] QString localizedShortDateTimeDescription(const QDateTime& date);
[[nodiscard]] QString localizedDateTimeDescription(const QDateTime& date);
[[nodiscard]] QString localizedLongDateTimeDescription(const QDateTime& date);
// The date in the default calendar format "%Y-%m-%d %H:%M:%S %z", with the
// names of `localeName` (null: fixed English names).
//   2024-03-05 14:07:09 in Europe/Berlin => "2024-03-05 14:07:09 +0100"
[[nodiscard]] QString descriptionWithLocale(const QDateTime& date, const QString& localeName);
[[nodiscard]] QString descriptionWithCalendarFormat(const QDateTime& date, const QString& calendarFormat,
                                                    const QString& localeName = QString());
// The two descriptions of the current date and time (the class forms).
//   descriptionWithCalendarFormat("%Y") => "2026" in 2026
[[nodiscard]] QString descriptionWithLocale(const QString& localeName);
[[nodiscard]] QString descriptionWithCalendarFormat(const QString& calendarFormat,
                                                    const QString& localeName = QString());
// The weekday or month name of the date in the current locale.
[[nodiscard]] QString localizedWeekdaySymbol(const QDateTime& date);
[[nodiscard]] QString localizedMonthSymbol(const QDateTime& date);

// --- derived dates -------------------------------------------------------------------
// Adds days of 86,400 seconds; the date itself for 0.
[[nodiscard]] QDateTime dateByAddingDays(const QDateTime& date, int days);
// Calendar addition of the non-zero fields.
[[nodiscard]] QDateTime dateByAddingYears(const QDateTime& date, int years, int months, int days, int hours,
                                          int minutes, int seconds);
[[nodiscard]] QDateTime dateByAddingMonths(const QDateTime& date, int months);
[[nodiscard]] QDateTime dateByAddingYears(const QDateTime& date, int years);
// Midnight of the first day of the date's month, the next month, the
// quarter, the year.
[[nodiscard]] QDateTime firstDayOfMonth(const QDateTime& date);
[[nodiscard]] QDateTime firstDayOfNextMonth(const QDateTime& date);
[[nodiscard]] QDateTime firstDayOfQuarter(const QDateTime& date);
[[nodiscard]] QDateTime firstDayOfYear(const QDateTime& date);

// --- components ------------------------------------------------------------------------
// The component of the date in the current calendar (era 1 is the common
// era in the Gregorian calendar); 0 for a null date.
[[nodiscard]] int era(const QDateTime& date);
[[nodiscard]] int yearOfCommonEra(const QDateTime& date);
[[nodiscard]] int monthOfYear(const QDateTime& date);     // 1 to 12
[[nodiscard]] int dayOfMonth(const QDateTime& date);      // from 1
[[nodiscard]] int dayOfWeek(const QDateTime& date);       // 1 = Sunday to 7
[[nodiscard]] int hourOfDay(const QDateTime& date);
[[nodiscard]] int minuteOfHour(const QDateTime& date);
[[nodiscard]] int secondOfMinute(const QDateTime& date);
[[nodiscard]] int quarterOfYear(const QDateTime& date);   // 1 to 4
[[nodiscard]] int weekOfMonth(const QDateTime& date);
[[nodiscard]] int weekOfYear(const QDateTime& date);
// 0 = Sunday to 6 = Saturday.
[[nodiscard]] int indexOfWeekday(const QDateTime& date);
// 0 for the first day of the locale's week to 6.
[[nodiscard]] int localDayOfWeek(const QDateTime& date);
// 1 + the whole calendar days since the first day of the year.
[[nodiscard]] int dayOfYear(const QDateTime& date);

// --- counts ------------------------------------------------------------------------------
// Seconds since the start of the hour, day, week (Sunday or the locale's
// first weekday), month, quarter or year, counting days as 86,400 seconds.
[[nodiscard]] int secondsOfHour(const QDateTime& date);
[[nodiscard]] int secondsOfDay(const QDateTime& date);
[[nodiscard]] int secondsOfWeek(const QDateTime& date);
[[nodiscard]] int localSecondsOfWeek(const QDateTime& date);
[[nodiscard]] int secondsOfMonth(const QDateTime& date);
[[nodiscard]] int secondsOfQuarter(const QDateTime& date);
[[nodiscard]] int secondsOfYear(const QDateTime& date);
// The number of days of the date's year, month, quarter, or the one before.
[[nodiscard]] int numberOfDaysInYear(const QDateTime& date);
[[nodiscard]] int numberOfDaysInMonth(const QDateTime& date);
[[nodiscard]] int numberOfDaysInPreviousMonth(const QDateTime& date);
[[nodiscard]] int numberOfDaysInQuarter(const QDateTime& date);
[[nodiscard]] int numberOfDaysInPreviousQuarter(const QDateTime& date);

// Logs the components and derived dates of now, one "<expression>: <value>"
// line each, for checking a calendar setup by eye.
void testDates();

} // namespace sorvant
