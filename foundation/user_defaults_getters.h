#pragma once
// Typed readings of the user defaults (platform/user_defaults.h), with and
// without a default for the absent key, and the one-shot install flag.
//
// A key is present when objectForKey answers a value from any domain. Without
// a default, a reading turns a number or a string into the wanted type by the
// value rules of foundation/values.h ("yes" reads YES, "42abc" reads 42) and
// answers 0 (NO, 0.0, a null string) for an absent key or a value of another
// kind. With a default, an absent key gives the default and a present one the
// reading without default:
//   boolForKey(d, "Absent", true)      => true
//   boolForKey(d, "StoredNO", true)    => false      (present wins)
//   floatForKey(d, "StoredNaN", 2.5f)  => 2.5        (NaN gives the default)
//   doubleForKey(d, "AnArray", 1.0)    => 1.0        (no double reading)
//   stringForKey(d, "Number7", "x")    => "7"
//
// Storing lives on UserDefaults itself: setValue/setObject with nil remove
// the key, setString with a null string too.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace sorvant {

class UserDefaults;

// --- readings without a default -------------------------------------------

[[nodiscard]] bool boolForKey(const UserDefaults& defaults, const QString& key);
[[nodiscard]] qint64 integerForKey(const UserDefaults& defaults, const QString& key);
[[nodiscard]] float floatForKey(const UserDefaults& defaults, const QString& key);
[[nodiscard]] double doubleForKey(const UserDefaults& defaults, const QString& key);
// A string as it is, a number as its text; null for anything else.
[[nodiscard]] QString stringForKey(const UserDefaults& defaults, const QString& key);
// The value when it is of the kind asked for; empty otherwise.
[[nodiscard]] QVariantList arrayForKey(const UserDefaults& defaults, const QString& key);
[[nodiscard]] QVariantMap dictionaryForKey(const UserDefaults& defaults, const QString& key);
[[nodiscard]] QByteArray dataForKey(const UserDefaults& defaults, const QString& key);
// An array whose items are all strings; empty otherwise.
[[nodiscard]] QStringList stringArrayForKey(const UserDefaults& defaults, const QString& key);

// --- readings with a default ------------------------------------------------

[[nodiscard]] bool boolForKey(const UserDefaults& defaults, const QString& key, bool defaultValue);
[[nodiscard]] qint64 integerForKey(const UserDefaults& defaults, const QString& key, qint64 defaultValue);
// A NaN reading also gives the default.
[[nodiscard]] float floatForKey(const UserDefaults& defaults, const QString& key, float defaultValue);
// The stored number's or string's double reading; the default when absent,
// when the value has no double reading, or when the reading is NaN.
[[nodiscard]] double doubleForKey(const UserDefaults& defaults, const QString& key, double defaultValue);
// stringForKey, or the default when that is null.
[[nodiscard]] QString stringForKey(const UserDefaults& defaults, const QString& key, const QString& defaultValue);
// objectForKey, or the default when that is nil.
[[nodiscard]] QVariant objectForKey(const UserDefaults& defaults, const QString& key, const QVariant& defaultValue);

// Does nothing: every change is written to the file when it is made (a write
// that failed is retried by the next change or by `synchronize`).
inline void flush(UserDefaults&) {}

// --- one-shot flags -----------------------------------------------------------

// YES the first time it is asked for a key (stored YES or absent), after
// which the key holds NO; NO from then on.
//   shouldInstallItemForKey(d, "Fresh") => true, then false
[[nodiscard]] bool shouldInstallItemForKey(UserDefaults& defaults, const QString& key);
// Stores the flag as a Boolean.
void setShouldInstallItem(UserDefaults& defaults, bool install, const QString& key);

} // namespace sorvant
