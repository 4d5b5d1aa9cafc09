#pragma once
// Pins the current locale and time zone for the life of the object, so that
// collation, calendars and date texts do not depend on the machine, and
// restores the previous ones afterwards.

#include "platform/current_locale.h"

namespace sorvant::test {

class PinnedLocale
{
public:
    PinnedLocale(const QString& localeName, const QString& timeZoneId)
        : m_locale(currentLocaleName())
        , m_zone(currentTimeZoneId())
    {
        setCurrentLocaleName(localeName);
        setCurrentTimeZoneId(timeZoneId);
    }
    ~PinnedLocale()
    {
        setCurrentLocaleName(m_locale);
        setCurrentTimeZoneId(m_zone);
    }
    PinnedLocale(const PinnedLocale&) = delete;
    PinnedLocale& operator=(const PinnedLocale&) = delete;

private:
    QString m_locale;
    QString m_zone;
};

} // namespace sorvant::test
