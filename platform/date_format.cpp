#include "platform/date_format.h"

#include "platform/calendar.h"
#include "platform/current_locale.h"
#include "platform/icu_support.h"

#include <unicode/udat.h>

namespace sorvant {

using detail::icuLength;
using detail::icuUnits;

namespace {

using FormatCache = detail::IcuHandleCache<UDateFormat, udat_close>;

UDateFormatStyle icuStyle(DateFormatStyle style)
{
    switch (style) {
    case DateFormatStyle::None:
        return UDAT_NONE;
    case DateFormatStyle::Short:
        return UDAT_SHORT;
    case DateFormatStyle::Medium:
        return UDAT_MEDIUM;
    case DateFormatStyle::Long:
        return UDAT_LONG;
    case DateFormatStyle::Full:
        return UDAT_FULL;
    }
    return UDAT_NONE;
}

// A formatter of the current zone for `locale`: by styles, or by an ICU
// pattern when `pattern` is not null.
UDateFormat* formatter(const QString& locale, DateFormatStyle dateStyle, DateFormatStyle timeStyle,
                       const QString& pattern = QString())
{
    thread_local FormatCache cache;
    const QString zone = currentTimeZoneId();
    const QString key = locale + QLatin1Char('|') + zone + QLatin1Char('|')
        + QString::number(static_cast<int>(dateStyle)) + QString::number(static_cast<int>(timeStyle))
        + QLatin1Char('|') + pattern;
    return cache.get(key, [&]() -> UDateFormat* {
        UErrorCode status = U_ZERO_ERROR;
        const QByteArray localeId = locale.toLatin1();
        UDateFormat* format = pattern.isNull()
            ? udat_open(icuStyle(timeStyle), icuStyle(dateStyle), localeId.constData(), icuUnits(zone),
                        icuLength(zone), nullptr, -1, &status)
            : udat_open(UDAT_PATTERN, UDAT_PATTERN, localeId.constData(), icuUnits(zone), icuLength(zone),
                        icuUnits(pattern), icuLength(pattern), &status);
        if (U_FAILURE(status)) {
            udat_close(format);
            return nullptr;
        }
        if (!pattern.isNull())
            udat_setLenient(format, false);
        return format;
    });
}

QString format(const UDateFormat* format, const QDateTime& date)
{
    if (!format || !date.isValid())
        return QString();
    const auto millis = static_cast<UDate>(date.toMSecsSinceEpoch());
    return detail::readIcuString<UErrorCode>([&](UChar* buffer, int32_t capacity, UErrorCode* status) {
        return udat_format(format, millis, buffer, capacity, nullptr, status);
    });
}

QStringList symbols(UDateFormatSymbolType type, int first)
{
    const UDateFormat* format = formatter(currentLocaleName(), DateFormatStyle::Medium, DateFormatStyle::None);
    QStringList names;
    if (!format)
        return names;
    const int count = udat_countSymbols(format, type);
    for (int index = first; index < count; ++index) {
        names.append(detail::readIcuString<UErrorCode>([&](UChar* buffer, int32_t capacity, UErrorCode* status) {
            return udat_getSymbols(format, type, index, buffer, capacity, status);
        }));
    }
    return names;
}

QString icuPatternOf(const QString& locale, DateFormatStyle dateStyle, DateFormatStyle timeStyle)
{
    const UDateFormat* format = formatter(locale, dateStyle, timeStyle);
    if (!format)
        return QString();
    return detail::readIcuString<UErrorCode>([&](UChar* buffer, int32_t capacity, UErrorCode* status) {
        return udat_toPattern(format, false, buffer, capacity, status);
    });
}

// Appends `text` to an ICU pattern as quoted literal text.
void appendLiteral(QString& pattern, const QString& text)
{
    if (text.isEmpty())
        return;
    pattern += QLatin1Char('\'');
    for (const QChar unit : text) {
        pattern += unit;
        if (unit == QLatin1Char('\''))
            pattern += QLatin1Char('\'');
    }
    pattern += QLatin1Char('\'');
}

// The ICU pattern field for one conversion character, or a null string when
// the character is not a conversion. %w has no ICU field: when writing, the
// weekday of `date` is put in as literal text.
QString patternField(QChar conversion, const QString& locale, const QDateTime& date)
{
    switch (conversion.unicode()) {
    case 'a': return QStringLiteral("EEE");
    case 'A': return QStringLiteral("EEEE");
    case 'b': return QStringLiteral("MMM");
    case 'B': return QStringLiteral("MMMM");
    case 'd': return QStringLiteral("dd");
    case 'e': return QStringLiteral("d");
    case 'F': return QStringLiteral("SSS");
    case 'H': return QStringLiteral("HH");
    case 'I': return QStringLiteral("hh");
    case 'j': return QStringLiteral("DDD");
    case 'm': return QStringLiteral("MM");
    case 'M': return QStringLiteral("mm");
    case 'p': return QStringLiteral("a");
    case 'S': return QStringLiteral("ss");
    case 'y': return QStringLiteral("yy");
    case 'Y': return QStringLiteral("yyyy");
    case 'Z': return QStringLiteral("zzzz");
    case 'z': return QStringLiteral("xx");
    case 'x': return icuPatternOf(locale, DateFormatStyle::Short, DateFormatStyle::None);
    case 'X': return icuPatternOf(locale, DateFormatStyle::None, DateFormatStyle::Medium);
    case 'c': return icuPatternOf(locale, DateFormatStyle::Short, DateFormatStyle::Medium);
    case 'w': {
        QString pattern;
        appendLiteral(pattern, QString::number(date.isValid() ? calendarComponent(date, CalendarUnit::Weekday) - 1 : 0));
        return pattern;
    }
    default:
        return QString();
    }
}

QString icuPatternFromCalendarFormat(const QString& calendarFormat, const QString& locale, const QDateTime& date)
{
    QString pattern;
    QString literal;
    for (qsizetype index = 0; index < calendarFormat.size(); ++index) {
        const QChar unit = calendarFormat.at(index);
        const QString field = unit == QLatin1Char('%') && index + 1 < calendarFormat.size()
            ? patternField(calendarFormat.at(index + 1), locale, date)
            : QString();
        if (field.isNull()) {
            // "%%" and unknown conversions are copied, "%%" as one '%'.
            literal += unit;
            if (unit == QLatin1Char('%') && index + 1 < calendarFormat.size()
                && calendarFormat.at(index + 1) == QLatin1Char('%'))
                ++index;
            continue;
        }
        appendLiteral(pattern, literal);
        literal.clear();
        pattern += field;
        ++index;
    }
    appendLiteral(pattern, literal);
    return pattern;
}

} // namespace

QString formatDate(const QDateTime& date, DateFormatStyle dateStyle, DateFormatStyle timeStyle)
{
    if (dateStyle == DateFormatStyle::None && timeStyle == DateFormatStyle::None)
        return QString();
    return format(formatter(currentLocaleName(), dateStyle, timeStyle), date);
}

QStringList weekdaySymbols()
{
    // ICU's weekday symbols start with an empty entry at index 0.
    return symbols(UDAT_WEEKDAYS, 1);
}

QStringList monthSymbols()
{
    return symbols(UDAT_MONTHS, 0);
}

QString defaultCalendarFormat()
{
    return QStringLiteral("%Y-%m-%d %H:%M:%S %z");
}

QString formatDateWithCalendarFormat(const QDateTime& date, const QString& calendarFormat, const QString& localeName)
{
    if (!date.isValid())
        return QString();
    if (calendarFormat.isEmpty())
        return QLatin1String("");
    const QString locale = localeName.isEmpty() ? QStringLiteral("en_US_POSIX") : localeName;
    const QString pattern = icuPatternFromCalendarFormat(calendarFormat, locale, date);
    return format(formatter(locale, DateFormatStyle::None, DateFormatStyle::None, pattern), date);
}

QDateTime parseDateWithCalendarFormat(const QString& text, const QString& calendarFormat)
{
    if (text.isEmpty() || calendarFormat.isEmpty())
        return QDateTime();
    const QString locale = QStringLiteral("en_US_POSIX");
    const QString pattern = icuPatternFromCalendarFormat(calendarFormat, locale, QDateTime());
    const UDateFormat* parser = formatter(locale, DateFormatStyle::None, DateFormatStyle::None, pattern);
    if (!parser)
        return QDateTime();
    UErrorCode status = U_ZERO_ERROR;
    int32_t position = 0;
    const UDate millis = udat_parse(parser, icuUnits(text), icuLength(text), &position, &status);
    if (U_FAILURE(status))
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(millis));
}

} // namespace sorvant
