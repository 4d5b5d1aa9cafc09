#include "foundation/dates.h"

#include "platform/calendar.h"
#include "platform/date_format.h"
#include "platform/log.h"

#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>

namespace sorvant {

namespace {

constexpr int kSecondsPerDay = 86'400;

// Stopwatch start in seconds since 1970; 0 until started. Atomic so that two
// threads timing at once overwrite each other without a data race.
std::atomic<double> g_stopwatchStart{0.0};

double now()
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

double secondsSince(const QDateTime& start)
{
    return now() - static_cast<double>(start.toMSecsSinceEpoch()) / 1000.0;
}

void logElapsed(const QString& label, double seconds)
{
    logMessage(label.isNull() ? QString::asprintf("%fs", seconds)
                              : label + QString::asprintf(": %fs", seconds));
}

QDateTime fromStopwatch()
{
    const double start = g_stopwatchStart.load();
    return start == 0.0 ? QDateTime() : QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(start * 1000.0));
}

QString symbolAt(const QStringList& symbols, int index)
{
    return index >= 0 && index < symbols.size() ? symbols.at(index) : QString();
}

QString formatted(const QDateTime& date, DateFormatStyle dateStyle, DateFormatStyle timeStyle)
{
    return formatDate(date, dateStyle, timeStyle);
}

} // namespace

QDateTime dateWithString(const QString& text, const QString& calendarFormat)
{
    return parseDateWithCalendarFormat(text, calendarFormat);
}

QDateTime dateWithYear(int year, int month, int day, int hour, int minute, int second)
{
    return gregorianDate(year, month, day, hour, minute, second);
}

QDateTime dateWithYear(int year, int month, int day, int hour, int minute, int second, const QString& timeZoneId)
{
    return gregorianDate(year, month, day, hour, minute, second, timeZoneId);
}

void startTimer()
{
    g_stopwatchStart.store(now());
}

void resetTimer()
{
    g_stopwatchStart.store(0.0);
}

double measureTimer()
{
    const QDateTime start = fromStopwatch();
    return start.isValid() ? measureTimer(start) : 0.0;
}

double measureTimer(const QString& label, double threshold)
{
    const QDateTime start = fromStopwatch();
    return start.isValid() ? measureTimer(start, label, threshold) : 0.0;
}

double measureAndRestartTimer(const QString& label, double threshold)
{
    const double elapsed = measureTimer(label, threshold);
    startTimer();
    return elapsed;
}

double measureTimer(const QDateTime& start)
{
    if (!start.isValid())
        return 0.0;
    const double elapsed = secondsSince(start);
    logElapsed(QString(), elapsed);
    return elapsed;
}

double measureTimer(const QDateTime& start, const QString& label, double threshold)
{
    if (!start.isValid())
        return 0.0;
    const double elapsed = secondsSince(start);
    if (elapsed >= threshold)
        logElapsed(label.isNull() ? QLatin1String("") : label, elapsed);
    return elapsed;
}

double ellapsedTime(const QDateTime& date)
{
    return date.isValid() ? secondsSince(date) : 0.0;
}

QString localizedTimeDescription(const QDateTime& date)
{
    return formatted(date, DateFormatStyle::None, DateFormatStyle::Short);
}

QString localizedShortDateDescription(const QDateTime& date)
{
    return formatted(date, DateFormatStyle::Short, DateFormatStyle::None);
}

QString localizedDateDescription(const QDateTime& date)
{
    return formatted(date, DateFormatStyle::Medium, DateFormatStyle::None);
}

QString localizedLongDateDescription(const QDateTime& date)
{
    return formatted(date, DateFormatStyle::Long, DateFormatStyle::None);
}

QString localizedShortDateTimeDescription(const QDateTime& date)
{
    return formatted(date, DateFormatStyle::Short, DateFormatStyle::Short);
}

QString localizedDateTimeDescription(const QDateTime& date)
{
    return formatted(date, DateFormatStyle::Medium, DateFormatStyle::Short);
}

QString localizedLongDateTimeDescription(const QDateTime& date)
{
    return formatted(date, DateFormatStyle::Long, DateFormatStyle::Medium);
}

QString descriptionWithLocale(const QDateTime& date, const QString& localeName)
{
    return formatDateWithCalendarFormat(date, defaultCalendarFormat(), localeName);
}

QString descriptionWithCalendarFormat(const QDateTime& date, const QString& calendarFormat, const QString& localeName)
{
    return formatDateWithCalendarFormat(date, calendarFormat, localeName);
}

QString descriptionWithLocale(const QString& localeName)
{
    return descriptionWithLocale(QDateTime::currentDateTime(), localeName);
}

QString descriptionWithCalendarFormat(const QString& calendarFormat, const QString& localeName)
{
    return descriptionWithCalendarFormat(QDateTime::currentDateTime(), calendarFormat, localeName);
}

QString localizedWeekdaySymbol(const QDateTime& date)
{
    return date.isValid() ? symbolAt(weekdaySymbols(), indexOfWeekday(date)) : QString();
}

QString localizedMonthSymbol(const QDateTime& date)
{
    return date.isValid() ? symbolAt(monthSymbols(), monthOfYear(date) - 1) : QString();
}

QDateTime dateByAddingDays(const QDateTime& date, int days)
{
    if (days == 0 || !date.isValid())
        return date;
    return date.addSecs(static_cast<qint64>(days) * kSecondsPerDay);
}

QDateTime dateByAddingYears(const QDateTime& date, int years, int months, int days, int hours, int minutes,
                            int seconds)
{
    return calendarDateByAdding(date, DateComponents{years, months, days, hours, minutes, seconds});
}

QDateTime dateByAddingMonths(const QDateTime& date, int months)
{
    return months == 0 ? date : dateByAddingYears(date, 0, months, 0, 0, 0, 0);
}

QDateTime dateByAddingYears(const QDateTime& date, int years)
{
    return years == 0 ? date : dateByAddingYears(date, years, 0, 0, 0, 0, 0);
}

QDateTime firstDayOfMonth(const QDateTime& date)
{
    if (!date.isValid())
        return QDateTime();
    return calendarDate(era(date), yearOfCommonEra(date), monthOfYear(date), 1, 0, 0, 0);
}

QDateTime firstDayOfNextMonth(const QDateTime& date)
{
    return dateByAddingMonths(firstDayOfMonth(date), 1);
}

QDateTime firstDayOfQuarter(const QDateTime& date)
{
    if (!date.isValid())
        return QDateTime();
    const int firstMonth = (monthOfYear(date) - 1) / 3 * 3 + 1;
    return dateWithYear(yearOfCommonEra(date), firstMonth, 1, 0, 0, 0);
}

QDateTime firstDayOfYear(const QDateTime& date)
{
    if (!date.isValid())
        return QDateTime();
    return calendarDate(era(date), yearOfCommonEra(date), 1, 1, 0, 0, 0);
}

int era(const QDateTime& date) { return calendarComponent(date, CalendarUnit::Era); }
int yearOfCommonEra(const QDateTime& date) { return calendarComponent(date, CalendarUnit::Year); }
int monthOfYear(const QDateTime& date) { return calendarComponent(date, CalendarUnit::Month); }
int dayOfMonth(const QDateTime& date) { return calendarComponent(date, CalendarUnit::Day); }
int dayOfWeek(const QDateTime& date) { return calendarComponent(date, CalendarUnit::Weekday); }
int hourOfDay(const QDateTime& date) { return calendarComponent(date, CalendarUnit::Hour); }
int minuteOfHour(const QDateTime& date) { return calendarComponent(date, CalendarUnit::Minute); }
int secondOfMinute(const QDateTime& date) { return calendarComponent(date, CalendarUnit::Second); }
int quarterOfYear(const QDateTime& date) { return calendarComponent(date, CalendarUnit::Quarter); }
int weekOfMonth(const QDateTime& date) { return calendarComponent(date, CalendarUnit::WeekOfMonth); }
int weekOfYear(const QDateTime& date) { return calendarComponent(date, CalendarUnit::WeekOfYear); }

int indexOfWeekday(const QDateTime& date)
{
    // ICU keeps the weekday in 1 to 7 for every calendar; a null date has none.
    return date.isValid() ? dayOfWeek(date) - 1 : 0;
}

int localDayOfWeek(const QDateTime& date)
{
    const int first = calendarFirstWeekday() - 1;
    const int index = indexOfWeekday(date);
    if (first < 1)
        return index;
    return index - first < 0 ? index - first + 7 : index - first;
}

int dayOfYear(const QDateTime& date)
{
    return date.isValid() ? 1 + calendarWholeDays(firstDayOfYear(date), date) : 0;
}

int secondsOfHour(const QDateTime& date)
{
    return minuteOfHour(date) * 60 + secondOfMinute(date);
}

int secondsOfDay(const QDateTime& date)
{
    return hourOfDay(date) * 3600 + secondsOfHour(date);
}

int secondsOfWeek(const QDateTime& date)
{
    return indexOfWeekday(date) * kSecondsPerDay + secondsOfDay(date);
}

int localSecondsOfWeek(const QDateTime& date)
{
    return localDayOfWeek(date) * kSecondsPerDay + secondsOfDay(date);
}

int secondsOfMonth(const QDateTime& date)
{
    return date.isValid() ? (dayOfMonth(date) - 1) * kSecondsPerDay + secondsOfDay(date) : 0;
}

int secondsOfQuarter(const QDateTime& date)
{
    if (!date.isValid())
        return 0;
    return (dayOfYear(date) - dayOfYear(firstDayOfQuarter(date))) * kSecondsPerDay + secondsOfDay(date);
}

int secondsOfYear(const QDateTime& date)
{
    return date.isValid() ? (dayOfYear(date) - 1) * kSecondsPerDay + secondsOfDay(date) : 0;
}

int numberOfDaysInYear(const QDateTime& date)
{
    const QDateTime first = firstDayOfYear(date);
    return first.isValid() ? calendarWholeDays(first, dateByAddingYears(first, 1)) : 0;
}

// The month's length comes from the calendar rather than from the day of
// the instant 86,400 seconds before the next month's midnight: where the
// month's last day is 23 hours long (clocks go forward on it, as on
// 2024-03-31 in Central Europe), that instant falls on the day before and
// the count would come out one short.
int numberOfDaysInMonth(const QDateTime& date)
{
    return calendarDaysInMonth(date);
}

int numberOfDaysInPreviousMonth(const QDateTime& date)
{
    return calendarDaysInMonth(dateByAddingYears(firstDayOfMonth(date), 0, 0, -1, 0, 0, 0));
}

int numberOfDaysInQuarter(const QDateTime& date)
{
    const QDateTime first = firstDayOfQuarter(date);
    if (!first.isValid())
        return 0;
    const QDateTime last = dateByAddingYears(first, 0, 3, -1, 0, 0, 0);
    return dayOfYear(last) - dayOfYear(first) + 1;
}

int numberOfDaysInPreviousQuarter(const QDateTime& date)
{
    const QDateTime first = firstDayOfQuarter(date);
    return first.isValid() ? numberOfDaysInQuarter(dateByAddingDays(first, -1)) : 0;
}

void testDates()
{
    const QDateTime date = QDateTime::currentDateTime();
    const auto number = [](int value) { return QString::number(value); };
    const auto text = [](const QDateTime& value) { return descriptionWithLocale(value, QString()); };
    const std::pair<const char*, std::function<QString()>> lines[] = {
        {"@(date.calendar.firstWeekday)", [&] { return number(calendarFirstWeekday()); }},
        {"@(date.dayOfWeek)", [&] { return number(dayOfWeek(date)); }},
        {"@(calDate.dayOfWeek)", [&] { return number(indexOfWeekday(date)); }},
        {"@(date.localDayOfWeek)", [&] { return number(localDayOfWeek(date)); }},
        {"date.localizedWeekdaySymbol", [&] { return localizedWeekdaySymbol(date); }},
        {"@(date.secondsOfWeek)", [&] { return number(secondsOfWeek(date)); }},
        {"@(date.localSecondsOfWeek)", [&] { return number(localSecondsOfWeek(date)); }},
        {"@(date.secondsOfQuarter)", [&] { return number(secondsOfQuarter(date)); }},
        {"@(date.dayOfYear)", [&] { return number(dayOfYear(date)); }},
        {"@(calDate.dayOfYear)", [&] { return number(dayOfYear(date)); }},
        {"@(date.quarterOfYear)", [&] { return number(quarterOfYear(date)); }},
        {"@(date.weekOfYear)", [&] { return number(weekOfYear(date)); }},
        {"@(date.weekOfMonth)", [&] { return number(weekOfMonth(date)); }},
        {"date.firstDayOfMonth", [&] { return text(firstDayOfMonth(date)); }},
        {"date.firstDayOfNextMonth", [&] { return text(firstDayOfNextMonth(date)); }},
        {"date.firstDayOfQuarter", [&] { return text(firstDayOfQuarter(date)); }},
        {"date.firstDayOfYear", [&] { return text(firstDayOfYear(date)); }},
        {"@(date.numberOfDaysInYear)", [&] { return number(numberOfDaysInYear(date)); }},
        {"@(date.numberOfDaysInMonth)", [&] { return number(numberOfDaysInMonth(date)); }},
        {"@(date.numberOfDaysInPreviousMonth)", [&] { return number(numberOfDaysInPreviousMonth(date)); }},
        {"@(date.firstDayOfNextMonth.numberOfDaysInMonth)",
         [&] { return number(numberOfDaysInMonth(firstDayOfNextMonth(date))); }},
        {"@(date.firstDayOfNextMonth.numberOfDaysInPreviousMonth)",
         [&] { return number(numberOfDaysInPreviousMonth(firstDayOfNextMonth(date))); }},
        {"@(date.numberOfDaysInQuarter)", [&] { return number(numberOfDaysInQuarter(date)); }},
        {"@(date.numberOfDaysInPreviousQuarter)", [&] { return number(numberOfDaysInPreviousQuarter(date)); }},
    };
    logMessage(QStringLiteral("testDates: %1").arg(text(date)));
    for (const auto& [expression, value] : lines) {
        const QString shown = value();
        if (!shown.isNull())
            logMessage(QStringLiteral("%1: %2").arg(QLatin1String(expression), shown));
    }
}

} // namespace sorvant
