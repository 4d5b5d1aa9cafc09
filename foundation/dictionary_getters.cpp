#include "foundation/dictionary_getters.h"

#include "foundation/values.h"

#include <unicode/uloc.h>

namespace sorvant {

namespace {

// The entry under `key` when it has value readings; nil otherwise (the kinds
// without them read as missing).
QVariant readableEntry(const QVariantMap& dictionary, const QString& key)
{
    const auto it = dictionary.constFind(key);
    if (it == dictionary.cend() || !(isNumberValue(it.value()) || isStringValue(it.value())))
        return {};
    return it.value();
}

template <typename T, typename Reading>
T readingOrDefault(const QVariantMap& dictionary, const QString& key, T defaultValue, Reading reading)
{
    const QVariant entry = readableEntry(dictionary, key);
    return entry.isValid() ? static_cast<T>(reading(entry)) : defaultValue;
}

QStringList currentLocalizations()
{
    const QString name = QString::fromLatin1(uloc_getDefault());
    QStringList names{name};
    const qsizetype separator = name.indexOf(QLatin1Char('_'));
    if (separator > 0)
        names.append(name.left(separator));
    return names;
}

QString stringEntry(const QVariantMap& dictionary, const QString& key)
{
    const QVariant entry = dictionary.value(key);
    return isStringValue(entry) ? entry.toString() : QString();
}

} // namespace

bool boolForKey(const QVariantMap& dictionary, const QString& key)
{
    return boolValue(readableEntry(dictionary, key));
}

int intForKey(const QVariantMap& dictionary, const QString& key)
{
    return intValue(readableEntry(dictionary, key));
}

qint64 integerForKey(const QVariantMap& dictionary, const QString& key)
{
    return integerValue(readableEntry(dictionary, key));
}

unsigned int unsignedIntForKey(const QVariantMap& dictionary, const QString& key)
{
    return unsignedIntValue(readableEntry(dictionary, key));
}

quint64 unsignedIntegerForKey(const QVariantMap& dictionary, const QString& key)
{
    return unsignedIntegerValue(readableEntry(dictionary, key));
}

quint64 unsignedLongForKey(const QVariantMap& dictionary, const QString& key)
{
    return unsignedLongValue(readableEntry(dictionary, key));
}

qint64 longLongForKey(const QVariantMap& dictionary, const QString& key)
{
    return longLongValue(readableEntry(dictionary, key));
}

quint64 unsignedLongLongForKey(const QVariantMap& dictionary, const QString& key)
{
    return unsignedLongLongValue(readableEntry(dictionary, key));
}

float floatForKey(const QVariantMap& dictionary, const QString& key)
{
    return floatValue(readableEntry(dictionary, key));
}

double doubleForKey(const QVariantMap& dictionary, const QString& key)
{
    return doubleValue(readableEntry(dictionary, key));
}

bool boolForKey(const QVariantMap& dictionary, const QString& key, bool defaultValue)
{
    return readingOrDefault(dictionary, key, defaultValue, [](const QVariant& v) { return boolValue(v); });
}

int intForKey(const QVariantMap& dictionary, const QString& key, int defaultValue)
{
    return readingOrDefault(dictionary, key, defaultValue, [](const QVariant& v) { return intValue(v); });
}

qint64 integerForKey(const QVariantMap& dictionary, const QString& key, qint64 defaultValue)
{
    return readingOrDefault(dictionary, key, defaultValue, [](const QVariant& v) { return integerValue(v); });
}

unsigned int unsignedIntForKey(const QVariantMap& dictionary, const QString& key, unsigned int defaultValue)
{
    return readingOrDefault(dictionary, key, defaultValue, [](const QVariant& v) { return unsignedIntValue(v); });
}

quint64 unsignedIntegerForKey(const QVariantMap& dictionary, const QString& key, quint64 defaultValue)
{
    return readingOrDefault(dictionary, key, defaultValue,
                            [](const QVariant& v) { return unsignedIntegerValue(v); });
}

quint64 unsignedLongForKey(const QVariantMap& dictionary, const QString& key, quint64 defaultValue)
{
    return readingOrDefault(dictionary, key, defaultValue, [](const QVariant& v) { return unsignedLongValue(v); });
}

qint64 longLongForKey(const QVariantMap& dictionary, const QString& key, qint64 defaultValue)
{
    return readingOrDefault(dictionary, key, defaultValue, [](const QVariant& v) { return longLongValue(v); });
}

quint64 unsignedLongLongForKey(const QVariantMap& dictionary, const QString& key, quint64 defaultValue)
{
    return readingOrDefault(dictionary, key, defaultValue,
                            [](const QVariant& v) { return unsignedLongLongValue(v); });
}

float floatForKey(const QVariantMap& dictionary, const QString& key, float defaultValue)
{
    return readingOrDefault(dictionary, key, defaultValue, [](const QVariant& v) { return floatValue(v); });
}

double doubleForKey(const QVariantMap& dictionary, const QString& key, float defaultValue)
{
    return readingOrDefault(dictionary, key, static_cast<double>(defaultValue),
                            [](const QVariant& v) { return doubleValue(v); });
}

QString stringForKey(const QVariantMap& dictionary, const QString& key)
{
    return stringEntry(dictionary, key);
}

QString stringForKey(const QVariantMap& dictionary, const QString& key, const QString& defaultValue)
{
    const QVariant entry = dictionary.value(key);
    return isStringValue(entry) ? entry.toString() : defaultValue;
}

QVariant objectForKey(const QVariantMap& dictionary, const QString& key, const QVariant& defaultValue)
{
    const auto it = dictionary.constFind(key);
    return it == dictionary.cend() ? defaultValue : it.value();
}

QString localizedStringForKey(const QVariantMap& dictionary, const QString& key, const QString& defaultValue,
                              const QStringList& preferredLocalizations)
{
    const QVariant entry = dictionary.value(key);
    if (isStringValue(entry))
        return entry.toString();
    if (entry.typeId() != QMetaType::QVariantMap)
        return defaultValue;
    const QVariantMap translations = entry.toMap();
    for (const QString& localization : preferredLocalizations) {
        const QString text = stringEntry(translations, localization);
        if (!text.isNull())
            return text;
    }
    const QString english = stringEntry(translations, QStringLiteral("English"));
    return english.isNull() ? defaultValue : english;
}

QString localizedStringForKey(const QVariantMap& dictionary, const QString& key, const QString& defaultValue)
{
    return localizedStringForKey(dictionary, key, defaultValue, currentLocalizations());
}

QString codeKey(quint32 code)
{
    return QString::number(static_cast<qint32>(code));
}

QVariant objectForCode(const QVariantMap& dictionary, quint32 code)
{
    return dictionary.value(codeKey(code));
}

QVariant objectForCode(const QVariantMap& dictionary, quint32 code, const QVariant& defaultValue)
{
    return objectForKey(dictionary, codeKey(code), defaultValue);
}

QVariant objectForKey(const QVariantMap& dictionary, const QString& key, quint32 code)
{
    const QVariant byCode = objectForCode(dictionary, code);
    return byCode.isValid() ? byCode : dictionary.value(key);
}

void setBool(QVariantMap& dictionary, bool value, const QString& key)
{
    dictionary.insert(key, QVariant(value));
}

void setInt(QVariantMap& dictionary, int value, const QString& key)
{
    dictionary.insert(key, QVariant::fromValue(value));
}

void setInteger(QVariantMap& dictionary, qint64 value, const QString& key)
{
    dictionary.insert(key, QVariant::fromValue(value));
}

void setUnsignedInt(QVariantMap& dictionary, unsigned int value, const QString& key)
{
    dictionary.insert(key, QVariant::fromValue(value));
}

void setUnsignedInteger(QVariantMap& dictionary, quint64 value, const QString& key)
{
    dictionary.insert(key, QVariant::fromValue(value));
}

void setUnsignedLong(QVariantMap& dictionary, unsigned long value, const QString& key)
{
    dictionary.insert(key, QVariant::fromValue(value));
}

void setLongLong(QVariantMap& dictionary, qint64 value, const QString& key)
{
    dictionary.insert(key, QVariant::fromValue(value));
}

void setUnsignedLongLong(QVariantMap& dictionary, quint64 value, const QString& key)
{
    dictionary.insert(key, QVariant::fromValue(value));
}

void setFloat(QVariantMap& dictionary, float value, const QString& key)
{
    dictionary.insert(key, QVariant::fromValue(value));
}

void setDouble(QVariantMap& dictionary, double value, const QString& key)
{
    dictionary.insert(key, QVariant::fromValue(value));
}

void setString(QVariantMap& dictionary, const QString& value, const QString& key)
{
    if (!value.isNull())
        dictionary.insert(key, QVariant(value));
}

} // namespace sorvant
