#pragma once
// Typed readings and writings of dictionary entries (QVariantMap), for the
// plain records the code passes around: resource values, process
// information, cached comments, script results.
//
// A reading sends the entry the value reading of foundation/values.h: a
// number converts as C converts, a string reads by the platform's string
// rules (boolForKey on "yes" is YES), and a string asked for an unsigned
// reading logs "Unrecognized selector." and gives 0. A missing entry, and
// one that is neither a number nor a string (a list, the null marker…),
// gives 0, or the default in the forms that take one. No reading tests for
// NaN.
//   intForKey({}, "n")                     => 0
//   intForKey({{"n", "12 apples"}}, "n")   => 12
//   boolForKey({{"b", "yes"}}, "b")        => true
//   doubleForKey({}, "d", 0.1f)            => 0.1f widened (0.100000001…)
//
// A writing stores the value with its exact C type: setUnsignedInt stores a
// uint, setFloat a float, setBool a bool.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

namespace sorvant {

// --- readings without a default -------------------------------------------

[[nodiscard]] bool boolForKey(const QVariantMap& dictionary, const QString& key);
[[nodiscard]] int intForKey(const QVariantMap& dictionary, const QString& key);
[[nodiscard]] qint64 integerForKey(const QVariantMap& dictionary, const QString& key);
[[nodiscard]] unsigned int unsignedIntForKey(const QVariantMap& dictionary, const QString& key);
[[nodiscard]] quint64 unsignedIntegerForKey(const QVariantMap& dictionary, const QString& key);
[[nodiscard]] quint64 unsignedLongForKey(const QVariantMap& dictionary, const QString& key);
[[nodiscard]] qint64 longLongForKey(const QVariantMap& dictionary, const QString& key);
[[nodiscard]] quint64 unsignedLongLongForKey(const QVariantMap& dictionary, const QString& key);
[[nodiscard]] float floatForKey(const QVariantMap& dictionary, const QString& key);
[[nodiscard]] double doubleForKey(const QVariantMap& dictionary, const QString& key);

// --- readings with a default ------------------------------------------------

[[nodiscard]] bool boolForKey(const QVariantMap& dictionary, const QString& key, bool defaultValue);
[[nodiscard]] int intForKey(const QVariantMap& dictionary, const QString& key, int defaultValue);
[[nodiscard]] qint64 integerForKey(const QVariantMap& dictionary, const QString& key, qint64 defaultValue);
[[nodiscard]] unsigned int unsignedIntForKey(const QVariantMap& dictionary, const QString& key,
                                             unsigned int defaultValue);
[[nodiscard]] quint64 unsignedIntegerForKey(const QVariantMap& dictionary, const QString& key,
                                            quint64 defaultValue);
[[nodiscard]] quint64 unsignedLongForKey(const QVariantMap& dictionary, const QString& key, quint64 defaultValue);
[[nodiscard]] qint64 longLongForKey(const QVariantMap& dictionary, const QString& key, qint64 defaultValue);
[[nodiscard]] quint64 unsignedLongLongForKey(const QVariantMap& dictionary, const QString& key,
                                             quint64 defaultValue);
[[nodiscard]] float floatForKey(const QVariantMap& dictionary, const QString& key, float defaultValue);
// The default is single precision, widened when it is answered.
[[nodiscard]] double doubleForKey(const QVariantMap& dictionary, const QString& key, float defaultValue);

// --- strings and objects ----------------------------------------------------

// The dictionary itself, so that code written for user defaults reads a
// plain dictionary the same way (no copy is made).
[[nodiscard]] inline const QVariantMap& dictionaryRepresentation(const QVariantMap& dictionary)
{
    return dictionary;
}

// The entry when it is a string; null otherwise.
[[nodiscard]] QString stringForKey(const QVariantMap& dictionary, const QString& key);
// The entry when it is a string; the default when it is missing or is not.
[[nodiscard]] QString stringForKey(const QVariantMap& dictionary, const QString& key, const QString& defaultValue);
// The entry; the default when it is missing.
[[nodiscard]] QVariant objectForKey(const QVariantMap& dictionary, const QString& key, const QVariant& defaultValue);

// A string entry as it is; a dictionary entry of translations keyed by
// localization name gives the string under the first of
// `preferredLocalizations` that has one, then under "English"; anything else
// gives the default.
//   {{"t", {{"English", "Hi"}, {"de", "Hallo"}}}}, "t", {}, {"de"} => "Hallo"
//   the same with {"fr"}                                         => "Hi"
//   {{"t", 5}}, "t", "x", {"de"}                                 => "x"
[[nodiscard]] QString localizedStringForKey(const QVariantMap& dictionary, const QString& key,
                                            const QString& defaultValue,
                                            const QStringList& preferredLocalizations);
// The same with the localizations of the current locale ("de_DE", "de").
[[nodiscard]] QString localizedStringForKey(const QVariantMap& dictionary, const QString& key,
                                            const QString& defaultValue = {});

// --- four-character codes as keys -------------------------------------------
// A code is a key through its 32 bits read as a signed int, in decimal text:
// codeKey('ABCD') => "1094861636".

[[nodiscard]] QString codeKey(quint32 code);
[[nodiscard]] QVariant objectForCode(const QVariantMap& dictionary, quint32 code);
[[nodiscard]] QVariant objectForCode(const QVariantMap& dictionary, quint32 code, const QVariant& defaultValue);
// The entry for `code`, else the entry for `key`.
[[nodiscard]] QVariant objectForKey(const QVariantMap& dictionary, const QString& key, quint32 code);

// --- writings ----------------------------------------------------------------

void setBool(QVariantMap& dictionary, bool value, const QString& key);
void setInt(QVariantMap& dictionary, int value, const QString& key);
void setInteger(QVariantMap& dictionary, qint64 value, const QString& key);
void setUnsignedInt(QVariantMap& dictionary, unsigned int value, const QString& key);
void setUnsignedInteger(QVariantMap& dictionary, quint64 value, const QString& key);
void setUnsignedLong(QVariantMap& dictionary, unsigned long value, const QString& key);
void setLongLong(QVariantMap& dictionary, qint64 value, const QString& key);
void setUnsignedLongLong(QVariantMap& dictionary, quint64 value, const QString& key);
void setFloat(QVariantMap& dictionary, float value, const QString& key);
void setDouble(QVariantMap& dictionary, double value, const QString& key);
// Stores the string as it is; a null string is not stored.
void setString(QVariantMap& dictionary, const QString& value, const QString& key);

} // namespace sorvant
