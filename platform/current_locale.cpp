#include "platform/current_locale.h"

#include <string>

#include "platform/icu_support.h"

#include <unicode/ucal.h>
#include <unicode/uloc.h>

#include <cstdlib>

namespace sorvant {

using detail::icuLength;
using detail::icuUnits;

namespace {

QString environmentLocaleName()
{
    // uloc_setDefault(nullptr) would restore ICU's own choice, but only once
    // per process; reading the environment ourselves works every time.
    for (const char* variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return QString::fromLocal8Bit(value).section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    }
    return QStringLiteral("en_US_POSIX");
}

} // namespace

QString currentLocaleName()
{
    return QString::fromLatin1(uloc_getDefault());
}

void setCurrentLocaleName(const QString& name)
{
    const QString wanted = name.isEmpty() ? environmentLocaleName() : name;
    UErrorCode status = U_ZERO_ERROR;
    uloc_setDefault(wanted.toLatin1().constData(), &status);
}

QString currentTimeZoneId()
{
    const QString zone = detail::readIcuString<UErrorCode>(ucal_getDefaultTimeZone);
    return zone.isEmpty() ? QStringLiteral("UTC") : zone;
}

bool isKnownTimeZoneId(const QString& zoneId)
{
    if (zoneId.isEmpty())
        return false;
    UBool isSystemId = false;
    const QString canonical = detail::readIcuString<UErrorCode>([&](UChar* buffer, int32_t capacity, UErrorCode* status) {
        return ucal_getCanonicalTimeZoneID(icuUnits(zoneId), icuLength(zoneId), buffer, capacity,
                                           &isSystemId, status);
    });
    return !canonical.isEmpty() && isSystemId;
}

bool setCurrentTimeZoneId(const QString& zoneId)
{
    // ICU accepts any id and silently falls back to "Etc/Unknown"; check first.
    const QString zone = zoneId.isEmpty() ? detail::readIcuString<UErrorCode>(ucal_getHostTimeZone) : zoneId;
    if (!isKnownTimeZoneId(zone))
        return false;
    UErrorCode status = U_ZERO_ERROR;
    // ICU wants a terminated string here; a local copy guarantees one.
    const std::u16string terminated = zone.toStdU16String();
    ucal_setDefaultTimeZone(reinterpret_cast<const UChar*>(terminated.c_str()), &status);
    return U_SUCCESS(status);
}

} // namespace sorvant
