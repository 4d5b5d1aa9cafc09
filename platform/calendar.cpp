#include "platform/calendar.h"

#include "platform/current_locale.h"
#include "platform/icu_support.h"

#include <unicode/ucal.h>

namespace sorvant {

namespace {

using CalendarCache = detail::IcuHandleCache<UCalendar, ucal_close>;

UCalendar* openCalendar(const QString& localeName, const QString& zoneId)
{
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray locale = localeName.toLatin1();
    UCalendar* calendar = ucal_open(reinterpret_cast<const UChar*>(QStringView(zoneId).utf16()),
                                    static_cast<int32_t>(zoneId.size()), locale.constData(), UCAL_DEFAULT, &status);
    if (U_FAILURE(status)) {
        ucal_close(calendar);
        return nullptr;
    }
    return calendar;
}

enum class CalendarKind { Current, Gregorian };

// The calendar of the current locale in `zoneId` (the current zone when
// empty), set to `date`. Null for an unusable zone.
UCalendar* calendarAt(const QDateTime& date, const QString& zoneId = QString(),
                      CalendarKind kind = CalendarKind::Current)
{
    thread_local CalendarCache cache;
    QString locale = currentLocaleName();
    if (kind == CalendarKind::Gregorian)
        locale = locale.section(QLatin1Char('@'), 0, 0) + QLatin1String("@calendar=gregorian");
    const QString zone = zoneId.isEmpty() ? currentTimeZoneId() : zoneId;
    UCalendar* calendar = cache.get(locale + QLatin1Char('|') + zone, [&] { return openCalendar(locale, zone); });
    if (!calendar)
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    ucal_setMillis(calendar, date.isValid() ? static_cast<UDate>(date.toMSecsSinceEpoch()) : 0.0, &status);
    return U_SUCCESS(status) ? calendar : nullptr;
}

QDateTime dateOf(const UCalendar* calendar)
{
    UErrorCode status = U_ZERO_ERROR;
    const UDate millis = ucal_getMillis(calendar, &status);
    if (U_FAILURE(status))
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(millis));
}

int field(const UCalendar* calendar, UCalendarDateFields which)
{
    UErrorCode status = U_ZERO_ERROR;
    const int32_t value = ucal_get(calendar, which, &status);
    return U_SUCCESS(status) ? value : 0;
}


QDateTime wallClockDate(CalendarKind kind, int era, int year, int month, int day, int hour, int minute, int second,
                        const QString& timeZoneId)
{
    if (!timeZoneId.isEmpty() && !isKnownTimeZoneId(timeZoneId))
        return QDateTime();
    UCalendar* calendar = calendarAt(QDateTime::fromMSecsSinceEpoch(0), timeZoneId, kind);
    if (!calendar)
        return QDateTime();
    ucal_clear(calendar);
    ucal_set(calendar, UCAL_ERA, era);
    ucal_set(calendar, UCAL_YEAR, year);
    ucal_set(calendar, UCAL_MONTH, month - 1);
    ucal_set(calendar, UCAL_DATE, day);
    ucal_set(calendar, UCAL_HOUR_OF_DAY, hour);
    ucal_set(calendar, UCAL_MINUTE, minute);
    ucal_set(calendar, UCAL_SECOND, second);
    return dateOf(calendar);
}

} // namespace

QDateTime calendarDate(int era, int year, int month, int day, int hour, int minute, int second,
                       const QString& timeZoneId)
{
    return wallClockDate(CalendarKind::Current, era, year, month, day, hour, minute, second, timeZoneId);
}

QDateTime gregorianDate(int year, int month, int day, int hour, int minute, int second, const QString& timeZoneId)
{
    // Era 1 of the Gregorian calendar is the common era.
    return wallClockDate(CalendarKind::Gregorian, 1, year, month, day, hour, minute, second, timeZoneId);
}

int calendarComponent(const QDateTime& date, CalendarUnit unit)
{
    if (!date.isValid())
        return 0;
    UCalendar* calendar = calendarAt(date);
    if (!calendar)
        return 0;
    switch (unit) {
    case CalendarUnit::Era:
        return field(calendar, UCAL_ERA);
    case CalendarUnit::Year:
        return field(calendar, UCAL_YEAR);
    case CalendarUnit::Month:
        return field(calendar, UCAL_MONTH) + 1;
    case CalendarUnit::Day:
        return field(calendar, UCAL_DATE);
    case CalendarUnit::Weekday:
        return field(calendar, UCAL_DAY_OF_WEEK);
    case CalendarUnit::Hour:
        return field(calendar, UCAL_HOUR_OF_DAY);
    case CalendarUnit::Minute:
        return field(calendar, UCAL_MINUTE);
    case CalendarUnit::Second:
        return field(calendar, UCAL_SECOND);
    case CalendarUnit::Quarter:
        return field(calendar, UCAL_MONTH) / 3 + 1;
    case CalendarUnit::WeekOfMonth:
        return field(calendar, UCAL_WEEK_OF_MONTH);
    case CalendarUnit::WeekOfYear:
        return field(calendar, UCAL_WEEK_OF_YEAR);
    }
    return 0;
}

int calendarFirstWeekday()
{
    UCalendar* calendar = calendarAt(QDateTime::fromMSecsSinceEpoch(0));
    return calendar ? ucal_getAttribute(calendar, UCAL_FIRST_DAY_OF_WEEK) : 1;
}

QDateTime calendarDateByAdding(const QDateTime& date, const DateComponents& components)
{
    if (!date.isValid())
        return QDateTime();
    UCalendar* calendar = calendarAt(date);
    if (!calendar)
        return QDateTime();
    const std::pair<UCalendarDateFields, int> steps[] = {
        {UCAL_YEAR, components.years},   {UCAL_MONTH, components.months},   {UCAL_DATE, components.days},
        {UCAL_HOUR_OF_DAY, components.hours}, {UCAL_MINUTE, components.minutes}, {UCAL_SECOND, components.seconds},
    };
    UErrorCode status = U_ZERO_ERROR;
    for (const auto& [which, amount] : steps) {
        if (amount != 0)
            ucal_add(calendar, which, amount, &status);
    }
    return U_SUCCESS(status) ? dateOf(calendar) : QDateTime();
}

int calendarWholeDays(const QDateTime& from, const QDateTime& to)
{
    if (!from.isValid() || !to.isValid())
        return 0;
    UCalendar* calendar = calendarAt(from);
    if (!calendar)
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    const int32_t days = ucal_getFieldDifference(calendar, static_cast<UDate>(to.toMSecsSinceEpoch()), UCAL_DATE,
                                                 &status);
    return U_SUCCESS(status) ? days : 0;
}

int calendarDaysInMonth(const QDateTime& date)
{
    if (!date.isValid())
        return 0;
    UCalendar* calendar = calendarAt(date);
    if (!calendar)
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    const int32_t days = ucal_getLimit(calendar, UCAL_DATE, UCAL_ACTUAL_MAXIMUM, &status);
    return U_SUCCESS(status) ? days : 0;
}

} // namespace sorvant
