#pragma once
// Calendar arithmetic in the current calendar: the calendar of the current
// locale in the current time zone (platform/current_locale.h), from ICU.
// Nothing here caches a locale or zone: a change of either is followed by the
// next call. Fixed-length arithmetic (days of 86,400 seconds) and the date
// conveniences built on these are in foundation/dates.h.
//
// Dates are QDateTime instants; a null or invalid date gives 0 or a null date.
//   calendarComponent(2024-02-29 13:05 local, CalendarUnit::Month) => 2
//   calendarComponent(QDateTime(), CalendarUnit::Year)             => 0

#include <QDateTime>
#include <QString>

namespace sorvant {

enum class CalendarUnit {
    Era,          // 1 for the common era in the Gregorian calendar
    Year,
    Month,        // 1 to 12
    Day,          // day of the month, from 1
    Weekday,      // 1 = Sunday to 7 = Saturday
    Hour,         // 0 to 23
    Minute,
    Second,
    Quarter,      // 1 to 4, from the month
    WeekOfMonth,
    WeekOfYear,
};

// Fields to add to a date; zero fields are left out.
struct DateComponents
{
    int years = 0;
    int months = 0;
    int days = 0;
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
};

// The component of `date` in the current calendar; 0 for a null date.
[[nodiscard]] int calendarComponent(const QDateTime& date, CalendarUnit unit);

// The first day of the week in the current locale, 1 = Sunday, 2 = Monday.
[[nodiscard]] int calendarFirstWeekday();

// The instant of a wall-clock time in the current calendar. Values out of
// range are carried over as a calendar does (month 13 is January of the next
// year, day 0 the last day of the previous month). A null or empty zone id
// means the current time zone; an unknown one gives a null date.
//   calendarDate(1, 2024, 2, 30, 0, 0, 0) => 2024-03-01 00:00 local
[[nodiscard]] QDateTime calendarDate(int era, int year, int month, int day, int hour, int minute, int second,
                                     const QString& timeZoneId = QString());

// The same wall-clock time in the Gregorian calendar of the common era,
// whatever calendar the locale uses.
[[nodiscard]] QDateTime gregorianDate(int year, int month, int day, int hour, int minute, int second,
                                      const QString& timeZoneId = QString());

// Calendar addition, largest field first, each field clamped as a calendar
// does: 2023-01-31 plus one month => 2023-02-28. Hours, minutes and seconds
// are elapsed time; days keep the wall-clock time across a daylight-saving
// change. A null date stays null.
[[nodiscard]] QDateTime calendarDateByAdding(const QDateTime& date, const DateComponents& components);

// The number of whole days from `from` to `to` in the current calendar
// (negative when `to` is earlier); 0 when either is null.
[[nodiscard]] int calendarWholeDays(const QDateTime& from, const QDateTime& to);

// The number of days of the month that holds `date`; 0 for a null date.
[[nodiscard]] int calendarDaysInMonth(const QDateTime& date);

} // namespace sorvant
