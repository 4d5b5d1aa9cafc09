#include "foundation/string_format.h"

#include "foundation/character_classes.h"
#include "foundation/string_units.h"
#include "platform/number_kind.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QStringList>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <clocale>
#include <cstdio>
#include <locale.h>
#include <limits>
#include <string>
#include <type_traits>

namespace sorvant {

namespace {

// A malformed or hostile format must not make us allocate gigabytes.
constexpr int kMaxField = 1 << 16;

// A function, not a global, so that formatting works during static
// initialisation of other files too.
QString nullDescription()
{
    return QStringLiteral("(null)");
}

enum class Length { Char, Short, Int, Long };

struct Conversion
{
    std::string flags;
    int width = -1;
    int precision = -1;
    Length length = Length::Int;
    char16_t type = 0;
    qsizetype position = -1; // explicit 0-based argument, or -1 for the next one
};

// Hands out the arguments in order or by position; a missing one is an
// invalid QVariant.
class Arguments
{
public:
    explicit Arguments(const QVariantList& list) : m_list(list) {}

    const QVariant& take(qsizetype position)
    {
        const qsizetype index = position >= 0 ? position : m_next++;
        return index < m_list.size() ? m_list.at(index) : m_missing;
    }

private:
    const QVariantList& m_list;
    qsizetype m_next = 0;
    QVariant m_missing;
};

std::int64_t truncatedDouble(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 9.2e18)
        return std::numeric_limits<std::int64_t>::max();
    if (value <= -9.2e18)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

// The argument's 64 bits as an integer conversion reads them: floating
// values are truncated toward zero, strings are parsed, anything else is 0.
std::uint64_t integerBits(const QVariant& value)
{
    const int type = value.typeId();
    if (!value.isValid())
        return 0;
    if (numberKind(value) == NumberKind::Unsigned)
        return value.toULongLong();
    switch (type) {
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    case QMetaType::Double:
    case QMetaType::Float:
        return static_cast<std::uint64_t>(truncatedDouble(value.toDouble()));
    case QMetaType::QChar:
        return value.toChar().unicode();
    case QMetaType::Char16:
        return value.value<char16_t>();
    case QMetaType::Char32:
        return value.value<char32_t>();
    default:
        break;
    }
    bool ok = false;
    const qlonglong integer = value.toLongLong(&ok);
    if (ok)
        return static_cast<std::uint64_t>(integer);
    const double real = value.toDouble(&ok);
    return ok ? static_cast<std::uint64_t>(truncatedDouble(real)) : 0;
}

double floatingValue(const QVariant& value)
{
    if (!value.isValid())
        return 0.0;
    if (numberKind(value) == NumberKind::Unsigned)
        return static_cast<double>(value.toULongLong());
    switch (value.typeId()) {
    case QMetaType::QChar:
    case QMetaType::Char16:
    case QMetaType::Char32:
        return static_cast<double>(integerBits(value));
    default:
        break;
    }
    bool ok = false;
    const double real = value.toDouble(&ok);
    return ok ? real : 0.0;
}

// The "C" locale, so that numbers never take the user's decimal comma
// (QCoreApplication switches the process to the user's locale).
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

// snprintf with a format we built ourselves from a checked conversion.
template <typename T>
QString printC(const std::string& format, T value)
{
    const locale_t previous = uselocale(cLocale());
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int size = std::snprintf(nullptr, 0, format.c_str(), value);
    if (size <= 0) {
        uselocale(previous);
        return emptyString();
    }
    std::string out(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(out.data(), out.size(), format.c_str(), value);
#pragma GCC diagnostic pop
    uselocale(previous);
    out.resize(static_cast<std::size_t>(size));
    return QString::fromStdString(out);
}

std::string cFormat(const Conversion& c, const char* length, char type)
{
    std::string format = "%" + c.flags;
    if (c.width >= 0)
        format += std::to_string(c.width);
    if (c.precision >= 0)
        format += "." + std::to_string(c.precision);
    return format + length + type;
}

// The low bits the length modifier keeps, sign-extended when Signed.
template <bool Signed>
auto truncatedInteger(std::uint64_t bits, Length length)
{
    using Result = std::conditional_t<Signed, long long, unsigned long long>;
    using Int8 = std::conditional_t<Signed, std::int8_t, std::uint8_t>;
    using Int16 = std::conditional_t<Signed, std::int16_t, std::uint16_t>;
    using Int32 = std::conditional_t<Signed, std::int32_t, std::uint32_t>;
    switch (length) {
    case Length::Char:
        return static_cast<Result>(static_cast<Int8>(bits));
    case Length::Short:
        return static_cast<Result>(static_cast<Int16>(bits));
    case Length::Int:
        return static_cast<Result>(static_cast<Int32>(bits));
    case Length::Long:
        break;
    }
    return static_cast<Result>(bits);
}

QString formatInteger(const Conversion& c, const QVariant& value)
{
    const std::uint64_t bits = integerBits(value);
    const std::string format = cFormat(c, "ll", static_cast<char>(c.type));
    if (c.type == u'd' || c.type == u'i')
        return printC(format, truncatedInteger<true>(bits, c.length));
    return printC(format, truncatedInteger<false>(bits, c.length));
}

QString quotedIfNeeded(const QString& text)
{
    static const QString plain = QStringLiteral("_$+/:.-");
    const bool needsQuotes = text.isEmpty() || std::any_of(text.begin(), text.end(), [](QChar unit) {
                                 const char16_t u = unit.unicode();
                                 const bool alnum = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z')
                                                    || isAsciiDigit(u);
                                 return !alnum && !plain.contains(unit);
                             });
    if (!needsQuotes)
        return text;
    QString quoted(QLatin1Char('"'));
    for (QChar unit : text) {
        switch (unit.unicode()) {
        case u'"':
            quoted += QLatin1String("\\\"");
            break;
        case u'\\':
            quoted += QLatin1String("\\\\");
            break;
        case u'\n':
            quoted += QLatin1String("\\n");
            break;
        case u'\t':
            quoted += QLatin1String("\\t");
            break;
        default:
            quoted += unit;
        }
    }
    return quoted + QLatin1Char('"');
}

QString describe(const QVariant& value, int depth);

// An element of a list or map: strings are quoted where a reader could not
// tell where they end.
QString describeElement(const QVariant& value, int depth)
{
    if (value.typeId() == QMetaType::QString && !value.toString().isNull())
        return quotedIfNeeded(value.toString());
    return describe(value, depth);
}

QString describeList(const QVariantList& list, int depth)
{
    const QString indent(4 * (depth + 1), QLatin1Char(' '));
    QString text = QStringLiteral("(\n");
    for (qsizetype i = 0; i < list.size(); ++i) {
        text += indent + describeElement(list.at(i), depth + 1);
        text += i + 1 < list.size() ? QStringLiteral(",\n") : QStringLiteral("\n");
    }
    return text + QString(4 * depth, QLatin1Char(' ')) + QLatin1Char(')');
}

template <typename Map>
QString describeMap(const Map& map, int depth)
{
    QStringList keys = map.keys();
    keys.sort();
    const QString indent(4 * (depth + 1), QLatin1Char(' '));
    QString text = QStringLiteral("{\n");
    for (const QString& key : keys)
        text += indent + quotedIfNeeded(key) + QLatin1String(" = ") + describeElement(map.value(key), depth + 1)
                + QLatin1String(";\n");
    return text + QString(4 * depth, QLatin1Char(' ')) + QLatin1Char('}');
}

QString describeBytes(const QByteArray& bytes)
{
    if (bytes.isNull())
        return nullDescription();
    QString text(QLatin1Char('<'));
    const QByteArray hex = bytes.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 8) {
        if (i > 0)
            text += QLatin1Char(' ');
        text += QString::fromLatin1(hex.mid(i, 8));
    }
    return text + QLatin1Char('>');
}

QString describe(const QVariant& value, int depth)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return nullDescription();
    case QMetaType::QString:
        return value.toString().isNull() ? nullDescription() : value.toString();
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::QByteArray:
        return describeBytes(value.toByteArray());
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return describeList(value.toList(), depth);
    case QMetaType::QVariantMap:
        return describeMap(value.toMap(), depth);
    case QMetaType::QVariantHash:
        return describeMap(value.toHash(), depth);
    case QMetaType::QDateTime: {
        const QDateTime date = value.toDateTime();
        if (!date.isValid())
            return nullDescription();
        return date.toTimeZone(QTimeZone::utc()).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1String(" +0000");
    }
    default:
        break;
    }
    if (value.canConvert<QString>())
        return value.toString();
    return QLatin1Char('<') + QString::fromLatin1(value.metaType().name()) + QLatin1Char('>');
}

// The text of %s and %S: QByteArray is read as UTF-8, everything else as
// for %@.
QString stringArgument(const QVariant& value)
{
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray().isNull() ? nullDescription() : QString::fromUtf8(value.toByteArray());
    return describe(value, 0);
}

// The text of %c (a byte, read as Latin-1) and %C (a UTF-16 unit; a code
// point beyond the BMP becomes its surrogate pair).
QString characterArgument(const QVariant& value, bool wide)
{
    if (!value.isValid())
        return emptyString();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        return text.isEmpty() ? emptyString() : text.left(1);
    }
    const std::uint64_t bits = integerBits(value);
    if (!wide)
        return QString(QChar(static_cast<char16_t>(bits & 0xFF)));
    if (bits > 0xFFFF && bits <= 0x10FFFF) {
        const char32_t codePoint = static_cast<char32_t>(bits);
        return QString::fromUcs4(&codePoint, 1);
    }
    return QString(QChar(static_cast<char16_t>(bits & 0xFFFF)));
}

// Applies precision (a cut that never splits a surrogate pair) and width.
QString padded(QString text, const Conversion& c, bool applyPrecision)
{
    if (applyPrecision && c.precision >= 0 && c.precision < text.size()) {
        qsizetype cut = c.precision;
        if (cut > 0 && text.at(cut - 1).isHighSurrogate() && text.at(cut).isLowSurrogate())
            --cut;
        text.truncate(cut);
    }
    if (c.width > text.size()) {
        const QString fill(c.width - text.size(), QLatin1Char(' '));
        text = c.flags.find('-') != std::string::npos ? text + fill : fill + text;
    }
    return text;
}

// Reads "123" at `i`; -1 when there are no digits.
int readNumber(QStringView format, qsizetype& i)
{
    if (i >= format.size() || !isAsciiDigit(format[i].unicode()))
        return -1;
    long long number = 0;
    while (i < format.size() && isAsciiDigit(format[i].unicode())) {
        number = std::min<long long>(number * 10 + (format[i].unicode() - u'0'), kMaxField);
        ++i;
    }
    return static_cast<int>(number);
}

// Reads "n$" at `i`; answers the 0-based position or -1 (leaving `i`).
qsizetype readPosition(QStringView format, qsizetype& i)
{
    qsizetype j = i;
    const int number = readNumber(format, j);
    if (number <= 0 || j >= format.size() || format[j] != u'$')
        return -1;
    i = j + 1;
    return number - 1;
}

// A width or precision: digits, or "*" / "*n$" taken from the arguments.
int readField(QStringView format, qsizetype& i, Arguments& arguments, bool& fromArgument)
{
    fromArgument = false;
    if (i < format.size() && format[i] == u'*') {
        ++i;
        fromArgument = true;
        const qsizetype position = readPosition(format, i);
        const auto value = static_cast<std::int32_t>(integerBits(arguments.take(position)));
        return std::clamp(value, -kMaxField, kMaxField);
    }
    return readNumber(format, i);
}

Length readLength(QStringView format, qsizetype& i)
{
    const auto at = [&](qsizetype k) { return k < format.size() ? format[k].unicode() : u'\0'; };
    switch (at(i)) {
    case u'h':
        if (at(i + 1) == u'h') {
            i += 2;
            return Length::Char;
        }
        ++i;
        return Length::Short;
    case u'l':
        i += at(i + 1) == u'l' ? 2 : 1;
        return Length::Long;
    case u'q':
    case u'j':
    case u'z':
    case u't':
    case u'L':
        ++i;
        return Length::Long;
    default:
        return Length::Int;
    }
}

// Parses the conversion after a "%" at `i`; answers false when the text is
// no conversion, `i` then pointing past what was read.
bool parseConversion(QStringView format, qsizetype& i, Arguments& arguments, Conversion& c)
{
    c.position = readPosition(format, i);
    while (i < format.size() && QStringView(u"-+ #0'").contains(format[i])) {
        if (c.flags.find(static_cast<char>(format[i].unicode())) == std::string::npos)
            c.flags += static_cast<char>(format[i].unicode());
        ++i;
    }
    bool fromArgument = false;
    c.width = readField(format, i, arguments, fromArgument);
    if (fromArgument && c.width < 0) { // a negative "*" width left-justifies
        if (c.flags.find('-') == std::string::npos)
            c.flags += '-';
        c.width = -c.width;
    }
    if (i < format.size() && format[i] == u'.') {
        ++i;
        const int precision = readField(format, i, arguments, fromArgument);
        c.precision = std::max(precision, fromArgument ? -1 : 0); // "%.f" is precision 0
    }
    c.length = readLength(format, i);
    if (i >= format.size())
        return false;
    c.type = format[i++].unicode();
    return QStringView(u"@diuoxXfFeEgGaAcCsS%").contains(QChar(c.type));
}

QString formatOne(const Conversion& c, Arguments& arguments)
{
    switch (c.type) {
    case u'%':
        return QStringLiteral("%");
    case u'@':
        return padded(describe(arguments.take(c.position), 0), c, true);
    case u's':
    case u'S':
        return padded(stringArgument(arguments.take(c.position)), c, true);
    case u'c':
    case u'C':
        // "%lc" is the wide form, as "%C".
        return padded(characterArgument(arguments.take(c.position), c.type == u'C' || c.length == Length::Long),
                      c, false);
    case u'd':
    case u'i':
    case u'u':
    case u'o':
    case u'x':
    case u'X':
        return formatInteger(c, arguments.take(c.position));
    default:
        return printC(cFormat(c, "", static_cast<char>(c.type)), floatingValue(arguments.take(c.position)));
    }
}

} // namespace

QString stringWithFormat(const QString& format, const QVariantList& arguments)
{
    if (format.isNull())
        return QString();
    QString result(QLatin1String(""));
    result.reserve(format.size() + 16 * arguments.size());
    Arguments cursor(arguments);
    const QStringView text(format);
    qsizetype literalStart = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] != u'%') {
            ++i;
            continue;
        }
        result += text.mid(literalStart, i - literalStart);
        const qsizetype start = i++;
        Conversion conversion;
        if (parseConversion(text, i, cursor, conversion))
            result += formatOne(conversion, cursor);
        else
            result += text.mid(start, i - start); // not a conversion: copied as it stands
        literalStart = i;
    }
    result += text.mid(literalStart);
    return result;
}

QString describeFormatArgument(const QVariant& value)
{
    return describe(value, 0);
}

} // namespace sorvant
