#include "foundation/values.h"

#include "foundation/character_classes.h"
#include "foundation/unrecognized_selector.h"

#include "platform/character_set.h"
#include "platform/number_kind.h"
#include "platform/string_compare.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <type_traits>

namespace sorvant {

namespace {

qsizetype skipWhiteSpace(const QString& string)
{
    static const CharacterSet white = CharacterSet::whitespaceAndNewlineCharacterSet();
    qsizetype i = 0;
    while (i < string.size() && white.characterIsMember(string.at(i).unicode()))
        ++i;
    return i;
}

// Reads [white space][sign]digits and clamps the result to [low, high].
qint64 scanInteger(const QString& string, qint64 low, qint64 high)
{
    qsizetype i = skipWhiteSpace(string);
    bool negative = false;
    if (i < string.size() && (string.at(i) == u'-' || string.at(i) == u'+')) {
        negative = string.at(i) == u'-';
        ++i;
    }
    // The magnitude saturates once past the widest limit, so no digit count
    // can overflow it.
    const quint64 limit = negative ? quint64(0) - quint64(low) : quint64(high);
    quint64 magnitude = 0;
    for (; i < string.size() && isAsciiDigit(string.at(i).unicode()); ++i) {
        const quint64 digit = string.at(i).unicode() - u'0';
        if (magnitude > (limit - digit) / 10) {
            magnitude = limit;
            continue;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (negative)
        return magnitude == quint64(0) - quint64(low) ? low : -qint64(magnitude);
    return qint64(magnitude);
}

// The longest prefix of [white space][sign]digits[.digits][e[sign]digits],
// as ASCII, empty when there are no mantissa digits.
QByteArray decimalPrefix(const QString& string)
{
    qsizetype i = skipWhiteSpace(string);
    QByteArray text;
    if (i < string.size() && (string.at(i) == u'-' || string.at(i) == u'+'))
        text.append(char(string.at(i++).unicode()));
    bool digits = false;
    for (; i < string.size() && isAsciiDigit(string.at(i).unicode()); ++i, digits = true)
        text.append(char(string.at(i).unicode()));
    if (i < string.size() && string.at(i) == u'.') {
        text.append('.');
        for (++i; i < string.size() && isAsciiDigit(string.at(i).unicode()); ++i, digits = true)
            text.append(char(string.at(i).unicode()));
    }
    if (!digits)
        return {};
    if (i + 1 < string.size() && (string.at(i) == u'e' || string.at(i) == u'E')) {
        qsizetype j = i + 1;
        QByteArray exponent("e");
        if (string.at(j) == u'-' || string.at(j) == u'+')
            exponent.append(char(string.at(j++).unicode()));
        if (j < string.size() && isAsciiDigit(string.at(j).unicode())) {
            for (; j < string.size() && isAsciiDigit(string.at(j).unicode()); ++j)
                exponent.append(char(string.at(j).unicode()));
            text.append(exponent);
        }
    }
    return text;
}

// strtod in the C locale whatever the process locale is (the application
// object sets it from the environment, and some locales use a comma).
double parseDecimal(const QByteArray& text)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return strtod_l(text.constData(), nullptr, cLocale);
}

template <typename Integer>
Integer saturatingTruncation(double value)
{
    if (std::isnan(value))
        return 0;
    if (value <= double(std::numeric_limits<Integer>::min()))
        return std::numeric_limits<Integer>::min();
    if (value >= double(std::numeric_limits<Integer>::max()))
        return std::numeric_limits<Integer>::max();
    return static_cast<Integer>(value);
}

// The shortest text that reads back as the same value, in the C locale.
template <typename Floating>
QString shortestText(Floating value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

// One integer reading of a value: numbers convert as C converts (through the
// widest type of their kind), strings through `fromString`, anything else
// takes the catch-all.
template <typename Integer, typename FromString>
Integer integerReading(const QVariant& value, const char* selector, FromString fromString)
{
    switch (numberKind(value)) {
    case NumberKind::Signed:
        return static_cast<Integer>(value.toLongLong());
    case NumberKind::Unsigned:
        return static_cast<Integer>(value.toULongLong());
    case NumberKind::Floating:
        if constexpr (std::is_signed_v<Integer>)
            return saturatingTruncation<Integer>(value.toDouble());
        else
            return static_cast<Integer>(saturatingTruncation<qint64>(value.toDouble()));
    case NumberKind::None:
        break;
    }
    if (!value.isValid())
        return 0;
    if constexpr (!std::is_same_v<FromString, std::nullptr_t>) {
        if (value.typeId() == QMetaType::QString)
            return fromString(value.toString());
    }
    return unrecognizedSelector<Integer>(value, selector);
}

} // namespace

QVariant nullValue()
{
    return QVariant::fromValue(nullptr);
}

bool isNullValue(const QVariant& value)
{
    return value.typeId() == QMetaType::Nullptr;
}

bool isNumberValue(const QVariant& value)
{
    return numberKind(value) != NumberKind::None;
}

bool isStringValue(const QVariant& value)
{
    return value.typeId() == QMetaType::QString;
}

bool boolValue(const QString& string)
{
    if (integerValue(string) != 0)
        return true;
    const qsizetype length = string.size();
    if (length < 2 || length > 4)
        return false;
    for (const QStringView word : {u"on", u"yes", u"true"}) {
        if (word.size() == length && compareStrings(string, word, kCompareCaseInsensitive) == 0)
            return true;
    }
    return false;
}

int intValue(const QString& string)
{
    return int(scanInteger(string, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

qint64 integerValue(const QString& string)
{
    return scanInteger(string, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
}

qint64 longLongValue(const QString& string)
{
    return integerValue(string);
}

double doubleValue(const QString& string)
{
    const QByteArray text = decimalPrefix(string);
    return text.isEmpty() ? 0.0 : parseDecimal(text);
}

float floatValue(const QString& string)
{
    return static_cast<float>(doubleValue(string));
}

bool boolValue(const QVariant& value)
{
    switch (numberKind(value)) {
    case NumberKind::Signed:
        return value.toLongLong() != 0;
    case NumberKind::Unsigned:
        return value.toULongLong() != 0;
    case NumberKind::Floating:
        return value.toDouble() != 0.0;
    case NumberKind::None:
        break;
    }
    if (!value.isValid())
        return false;
    if (isStringValue(value))
        return boolValue(value.toString());
    return unrecognizedSelector<bool>(value, "boolValue");
}

int intValue(const QVariant& value)
{
    return integerReading<int>(value, "intValue", [](const QString& s) { return intValue(s); });
}

qint64 integerValue(const QVariant& value)
{
    return integerReading<qint64>(value, "integerValue", [](const QString& s) { return integerValue(s); });
}

qint64 longLongValue(const QVariant& value)
{
    return integerReading<qint64>(value, "longLongValue", [](const QString& s) { return longLongValue(s); });
}

// Strings have no unsigned readings: they take the catch-all.
unsigned int unsignedIntValue(const QVariant& value)
{
    return integerReading<unsigned int>(value, "unsignedIntValue", nullptr);
}

quint64 unsignedIntegerValue(const QVariant& value)
{
    return integerReading<quint64>(value, "unsignedIntegerValue", nullptr);
}

quint64 unsignedLongValue(const QVariant& value)
{
    return integerReading<quint64>(value, "unsignedLongValue", nullptr);
}

quint64 unsignedLongLongValue(const QVariant& value)
{
    return integerReading<quint64>(value, "unsignedLongLongValue", nullptr);
}

double doubleValue(const QVariant& value)
{
    switch (numberKind(value)) {
    case NumberKind::Signed:
        return static_cast<double>(value.toLongLong());
    case NumberKind::Unsigned:
        return static_cast<double>(value.toULongLong());
    case NumberKind::Floating:
        return value.toDouble();
    case NumberKind::None:
        break;
    }
    if (!value.isValid())
        return 0.0;
    if (isStringValue(value))
        return doubleValue(value.toString());
    return unrecognizedSelector<double>(value, "doubleValue");
}

float floatValue(const QVariant& value)
{
    if (!isNumberValue(value) && !isStringValue(value) && value.isValid())
        return unrecognizedSelector<float>(value, "floatValue");
    if (value.typeId() == QMetaType::Float)
        return value.toFloat();
    return static_cast<float>(doubleValue(value));
}

QString stringValue(const QVariant& value)
{
    switch (numberKind(value)) {
    case NumberKind::Signed:
        return QString::number(value.toLongLong());
    case NumberKind::Unsigned:
        return QString::number(value.toULongLong());
    case NumberKind::Floating:
        // A float prints with its own shortest digits, not its double's.
        if (value.typeId() == QMetaType::Float)
            return shortestText(value.toFloat());
        return shortestText(value.toDouble());
    case NumberKind::None:
        break;
    }
    if (!value.isValid())
        return {};
    if (isStringValue(value))
        return value.toString();
    return unrecognizedSelector<QString>(value, "stringValue");
}

} // namespace sorvant
