#pragma once
// The locale and the time zone that collation, calendars and date formatting
// follow. Both are ICU's process defaults, which ICU reads from the
// environment (LANG, LC_*, TZ) on first use; tests and start-up code pin them
// here. Changing them is not thread-safe: do it before other threads start.
//   currentLocaleName()          => "en_US"  (from LANG=en_US.UTF-8)
//   currentTimeZoneId()          => "Europe/Berlin"  (from TZ or /etc/localtime)

#include <QString>

namespace sorvant {

// The ICU identifier of the current locale, such as "de_DE"; never empty.
[[nodiscard]] QString currentLocaleName();
// Makes `name` (an ICU or POSIX locale identifier) the current locale.
// A null or empty name restores the locale of the environment.
void setCurrentLocaleName(const QString& name);

// The identifier of the current time zone, such as "America/New_York".
[[nodiscard]] QString currentTimeZoneId();
// Makes the zone `zoneId` current; a null or empty id restores the zone of the
// environment. Answers false, changing nothing, when ICU does not know the id.
bool setCurrentTimeZoneId(const QString& zoneId);

// Whether ICU knows `zoneId` as a time zone ("Europe/Paris", "UTC");
// false for null, empty and unknown ids.
[[nodiscard]] bool isKnownTimeZoneId(const QString& zoneId);

} // namespace sorvant
