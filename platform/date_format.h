#pragma once
// Date texts from ICU: the locale's date and time styles, its weekday and
// month names, and strftime-like "calendar formats" ("%Y-%m-%d %H:%M:%S %z")
// for writing and reading dates. Locale and zone are the current ones
// (platform/current_locale.h) unless a call names its own.
//
// A null or invalid date gives a null string.
//   formatDate(2024-03-05 14:07, Medium, None) in en_US => "Mar 5, 2024"
//   formatDate(QDateTime(), Short, Short)               => QString()

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace sorvant {

enum class DateFormatStyle { None, Short, Medium, Long, Full };

// The date in the current locale and zone with the given date and time
// styles; both None gives a null string.
[[nodiscard]] QString formatDate(const QDateTime& date, DateFormatStyle dateStyle, DateFormatStyle timeStyle);

// The current locale's weekday names, Sunday first (7 names).
[[nodiscard]] QStringList weekdaySymbols();
// The current locale's month names, January first (12 in the Gregorian calendar).
[[nodiscard]] QStringList monthSymbols();

// --- calendar formats ------------------------------------------------------
// Conversions: %a %A weekday (short, full), %b %B month (short, full), %d
// %e day of the month (with and without a leading zero), %F milliseconds,
// %H %I hour (24, 12), %j day of the year, %m month, %M minute, %p AM/PM, %S
// second, %w weekday 0 (Sunday) to 6 (written only), %x %X %c the locale's
// short date, medium time, and both, %y %Y year (2, 4 digits), %Z zone name,
// %z zone offset ("+0100"), %% a percent sign. Anything else is copied.

// The default calendar format, "%Y-%m-%d %H:%M:%S %z".
[[nodiscard]] QString defaultCalendarFormat();

// `date` written in `format`. A null or empty locale name means the fixed
// POSIX locale (English names), so texts stay the same on every machine.
//   formatDateWithCalendarFormat(2024-03-05 14:07:09 CET, "%d.%m.%Y") => "05.03.2024"
//   formatDateWithCalendarFormat(date, "")  => ""
[[nodiscard]] QString formatDateWithCalendarFormat(const QDateTime& date, const QString& format,
                                                   const QString& localeName = QString());

// The date that `text` spells in `format`, in the current time zone unless
// the format has %z or %Z; a null date when the text does not fit the
// format or names a day that does not exist.
//   parseDateWithCalendarFormat("2024-02-29", "%Y-%m-%d") => 2024-02-29 00:00 local
//   parseDateWithCalendarFormat("2023-02-29", "%Y-%m-%d") => QDateTime()
[[nodiscard]] QDateTime parseDateWithCalendarFormat(const QString& text, const QString& format);

} // namespace sorvant
