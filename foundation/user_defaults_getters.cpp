#include "foundation/user_defaults_getters.h"

#include "foundation/values.h"
#include "platform/user_defaults.h"

#include <cmath>

namespace sorvant {

namespace {

// The value under `key` when it has number readings (a number or a string);
// nil otherwise, so values of other kinds read as 0 without a log line, as
// the defaults' typed readings never send them value messages.
QVariant readableValue(const UserDefaults& defaults, const QString& key)
{
    QVariant value = defaults.objectForKey(key);
    return isNumberValue(value) || isStringValue(value) ? value : QVariant();
}

bool isPresent(const UserDefaults& defaults, const QString& key)
{
    return defaults.objectForKey(key).isValid();
}

} // namespace

bool boolForKey(const UserDefaults& defaults, const QString& key)
{
    return boolValue(readableValue(defaults, key));
}

qint64 integerForKey(const UserDefaults& defaults, const QString& key)
{
    return integerValue(readableValue(defaults, key));
}

float floatForKey(const UserDefaults& defaults, const QString& key)
{
    return floatValue(readableValue(defaults, key));
}

double doubleForKey(const UserDefaults& defaults, const QString& key)
{
    return doubleValue(readableValue(defaults, key));
}

QString stringForKey(const UserDefaults& defaults, const QString& key)
{
    return stringValue(readableValue(defaults, key));
}

QVariantList arrayForKey(const UserDefaults& defaults, const QString& key)
{
    const QVariant value = defaults.objectForKey(key);
    return value.typeId() == QMetaType::QVariantList ? value.toList() : QVariantList();
}

QVariantMap dictionaryForKey(const UserDefaults& defaults, const QString& key)
{
    const QVariant value = defaults.objectForKey(key);
    return value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
}

QByteArray dataForKey(const UserDefaults& defaults, const QString& key)
{
    const QVariant value = defaults.objectForKey(key);
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

QStringList stringArrayForKey(const UserDefaults& defaults, const QString& key)
{
    QStringList strings;
    for (const QVariant& item : arrayForKey(defaults, key)) {
        if (!isStringValue(item))
            return {};
        strings.append(item.toString());
    }
    return strings;
}

bool boolForKey(const UserDefaults& defaults, const QString& key, bool defaultValue)
{
    return isPresent(defaults, key) ? boolForKey(defaults, key) : defaultValue;
}

qint64 integerForKey(const UserDefaults& defaults, const QString& key, qint64 defaultValue)
{
    return isPresent(defaults, key) ? integerForKey(defaults, key) : defaultValue;
}

float floatForKey(const UserDefaults& defaults, const QString& key, float defaultValue)
{
    if (!isPresent(defaults, key))
        return defaultValue;
    const float value = floatForKey(defaults, key);
    return std::isnan(value) ? defaultValue : value;
}

double doubleForKey(const UserDefaults& defaults, const QString& key, double defaultValue)
{
    const QVariant value = readableValue(defaults, key);
    if (!value.isValid())
        return defaultValue;
    const double reading = doubleValue(value);
    return std::isnan(reading) ? defaultValue : reading;
}

QString stringForKey(const UserDefaults& defaults, const QString& key, const QString& defaultValue)
{
    const QString value = stringForKey(defaults, key);
    return value.isNull() ? defaultValue : value;
}

QVariant objectForKey(const UserDefaults& defaults, const QString& key, const QVariant& defaultValue)
{
    const QVariant value = defaults.objectForKey(key);
    return value.isValid() ? value : defaultValue;
}

bool shouldInstallItemForKey(UserDefaults& defaults, const QString& key)
{
    if (!boolForKey(defaults, key, true))
        return false;
    setShouldInstallItem(defaults, false, key);
    return true;
}

void setShouldInstallItem(UserDefaults& defaults, bool install, const QString& key)
{
    defaults.setBool(install, key);
}

} // namespace sorvant
