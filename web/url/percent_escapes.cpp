#include "web/url/percent_escapes.h"

#include "foundation/string_units.h"
#include "foundation/mutable_string_edits.h"
#include "foundation/removing_characters.h"
#include "platform/scan_work.h"

#include <optional>
#include <string_view>

namespace sorvant {

namespace {

bool isAsciiAlphaNum(char16_t unit)
{
    return (unit >= 'a' && unit <= 'z') || (unit >= 'A' && unit <= 'Z') || (unit >= '0' && unit <= '9');
}

bool isOneOf(char16_t unit, std::u16string_view marks)
{
    return marks.find(unit) != std::u16string_view::npos;
}

// RFC 2396 "reserved" and "unreserved": what a URL may hold as written.
bool isLegalURLCharacter(char16_t unit)
{
    return isAsciiAlphaNum(unit) || isOneOf(unit, u"!$&'()*+,-./:;=?@_~");
}

bool isParameterCharacter(char16_t unit)
{
    return isAsciiAlphaNum(unit) || isOneOf(unit, u"!$'()*+,-._~");
}

void appendEscapedBytes(QString& out, const QByteArray& bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        out += QLatin1Char('%');
        out += QLatin1Char(kHex[value >> 4]);
        out += QLatin1Char(kHex[value & 0xF]);
    }
}

// Copies the characters `keep` accepts and escapes the runs of the others as
// their bytes in `encoding`. A surrogate pair is one character: both units
// are kept or escaped together. Null when a run cannot be encoded.
template <typename Keep>
QString percentEscape(const QString& string, StringEncoding encoding, Keep keep)
{
    if (string.isNull())
        return QString();
    QString out(QLatin1String(""));
    out.reserve(string.size() + string.size() / 2);
    const qsizetype length = string.size();
    qsizetype runStart = 0;
    qsizetype index = 0;
    // Escapes the pending run of characters [runStart, index).
    const auto flush = [&]() {
        if (index == runStart)
            return true;
        const std::optional<QByteArray> bytes = encodeString(string.mid(runStart, index - runStart), encoding);
        if (!bytes)
            return false;
        appendEscapedBytes(out, *bytes);
        return true;
    };
    while (index < length) {
        const bool pair =
            string.at(index).isHighSurrogate() && index + 1 < length && string.at(index + 1).isLowSurrogate();
        const QStringView character = QStringView(string).mid(index, pair ? 2 : 1);
        if (keep(character)) {
            if (!flush())
                return QString();
            out += character;
            runStart = index + character.size();
        }
        index += character.size();
    }
    if (!flush())
        return QString();
    return out;
}

} // namespace

QString stringByAddingPercentEscapesToURL(const QString& string)
{
    return stringByAddingPercentEscapesToURL(string, NSUTF8StringEncoding, QString());
}

QString stringByAddingPercentEscapesToURL(const QString& string, StringEncoding encoding, const QString& leaveUnescaped)
{
    return stringByAddingPercentEscapesToURL(string, encoding, leaveUnescaped, emptyString());
}

QString stringByAddingPercentEscapesToURL(const QString& string, StringEncoding encoding, const QString& leaveUnescaped,
                                          const QString& toBeEscaped)
{
    const QString extra = toBeEscaped.isNull() ? QStringLiteral(":?&;@") : toBeEscaped;
    return percentEscape(string, encoding, [&](QStringView character) {
        if (!leaveUnescaped.isEmpty() && leaveUnescaped.contains(character))
            return true;
        return character.size() == 1 && isLegalURLCharacter(character.at(0).unicode()) &&
               !extra.contains(character.at(0));
    });
}

QString stringByAddingStandardPercentEscapesToURL(const QString& string)
{
    if (string.isEmpty())
        return string;
    static constexpr char kHex[] = "0123456789abcdef";
    QString out;
    out.reserve(string.size());
    for (const QChar character : string) {
        const char16_t unit = character.unicode();
        if (isOneOf(unit, u" #$%&+/:;=?@")) {
            out += QLatin1Char('%');
            out += QLatin1Char(kHex[unit >> 4]);
            out += QLatin1Char(kHex[unit & 0xF]);
        } else {
            out += character;
        }
    }
    return out;
}

QString stringByAddingPercentEscapesToURLParameter(const QString& string)
{
    return percentEscape(string, NSUTF8StringEncoding, [](QStringView character) {
        return character.size() == 1 && isParameterCharacter(character.at(0).unicode());
    });
}

namespace {

// The allowed sets of the parts of a URL (RFC 3986): unreserved characters
// and the sub-delimiters, plus what each part may hold of the rest.
QString escapedPart(const QString& string, std::u16string_view alsoAllowed)
{
    return percentEscape(string, NSUTF8StringEncoding, [alsoAllowed](QStringView character) {
        if (character.size() != 1)
            return false;
        const char16_t unit = character.at(0).unicode();
        return isAsciiAlphaNum(unit) || isOneOf(unit, u"-._~!$&'()*+,;=") || isOneOf(unit, alsoAllowed);
    });
}

int hexValue(unichar unit)
{
    if (unit >= '0' && unit <= '9')
        return unit - '0';
    if (unit >= 'a' && unit <= 'f')
        return unit - 'a' + 10;
    if (unit >= 'A' && unit <= 'F')
        return unit - 'A' + 10;
    return -1;
}

bool isNarrowlyDecodable(int value, bool decodeQuestionMark)
{
    switch (value) {
    case '\t': case '\n': case '\r': case ' ': case '$': case '%': case '&': case '\'': case '+': case '/':
    case ':': case ';': case '=': case '@': case '~':
        return true;
    case '?':
        return decodeQuestionMark;
    default:
        return false;
    }
}

} // namespace

QString stringByAddingPercentEscapesToURLUser(const QString& string) { return escapedPart(string, u""); }
QString stringByAddingPercentEscapesToURLPassword(const QString& string) { return escapedPart(string, u""); }
QString stringByAddingPercentEscapesToURLHost(const QString& string) { return escapedPart(string, u":[]"); }
QString stringByAddingPercentEscapesToURLPath(const QString& string) { return escapedPart(string, u":@/"); }
QString stringByAddingPercentEscapesToURLQuery(const QString& string) { return escapedPart(string, u":@/?"); }
QString stringByAddingPercentEscapesToURLFragment(const QString& string) { return escapedPart(string, u":@/?"); }

qsizetype decodePercentEscapesInCharacters(unichar* buffer, qsizetype length, bool narrow)
{
    if (!buffer || length < 3)
        return length;
    const bool decodeQuestionMark = std::u16string_view(buffer, static_cast<size_t>(length)).find(u'?') ==
                                    std::u16string_view::npos;
    qsizetype write = 0;
    for (qsizetype read = 0; read < length; ++read) {
        const unichar unit = buffer[read];
        if (unit == '%' && read + 2 < length) {
            const int high = hexValue(buffer[read + 1]);
            const int low = hexValue(buffer[read + 2]);
            if (high >= 0 && low >= 0) {
                const int value = high * 16 + low;
                if (narrow ? isNarrowlyDecodable(value, decodeQuestionMark) : value < 128) {
                    buffer[write++] = static_cast<unichar>(value);
                    read += 2;
                    continue;
                }
            }
        }
        buffer[write++] = unit;
    }
    return write;
}

QString stringByDecodingPercentEscapes(const QString& string)
{
    if (string.size() < 3)
        return string;
    QString decoded = string;
    const qsizetype length =
        decodePercentEscapesInCharacters(reinterpret_cast<unichar*>(decoded.data()), decoded.size(), true);
    decoded.truncate(length);
    return decoded;
}

QString stringByFormattingURL(const QString& string)
{
    if (string.isNull())
        return string;
    QString text = string;
    trimWhiteSpaces(text);
    if (text.startsWith(QLatin1String("message:"), Qt::CaseInsensitive))
        return text;
    if (text.size() >= 2) {
        const qsizetype left = text.indexOf(QLatin1Char('<'));
        const qsizetype right = left < 0 ? -1 : text.lastIndexOf(QLatin1Char('>'));
        if (left >= 0 && right > left) {
            const qsizetype at = text.indexOf(QLatin1Char('@'));
            // "Name <address>" keeps the address; a link that fills the
            // brackets loses them.
            const bool addressInside = at >= 0 && left < at && at < right;
            const bool fillsText = at < 0 && left == 0 && right == text.size() - 1;
            if (addressInside || fillsText)
                text = text.mid(left + 1, right - left - 1);
        }
    }
    text.removeIf([](QChar c) {
        switch (c.unicode()) {
        case 0x0003: case 0x000A: case 0x000C: case 0x000D: case '<': case '>':
        case 0x2028: case 0x2029: case 0xFEFF: case 0xFFFC:
            return true;
        default:
            return false;
        }
    });
    return text;
}

QString stringByFormattingQueryTerm(const QString& string, StringEncoding encoding, bool defaultPercentEscapes)
{
    QString escaped =
        stringByAddingPercentEscapesToURL(stringByRemovingMultipleWhiteSpaces(string), encoding, QString());
    if (escaped.isNull() || !defaultPercentEscapes)
        return escaped;
    // One pass for both rewrites: "%2B" never forms a "%20", so this is
    // the same as replacing "+" first and "%20" after it.
    const qsizetype plusses = escaped.count(QLatin1Char('+'));
    QString query;
    query.reserve(escaped.size() + 2 * plusses);
    const QChar* units = escaped.constData();
    const qsizetype length = escaped.size();
    countScanWork(length);
    for (qsizetype at = 0; at < length; ++at) {
        const QChar c = units[at];
        if (c == QLatin1Char('+')) {
            query += QLatin1String("%2B");
        } else if (c == QLatin1Char('%') && at + 2 < length && units[at + 1] == QLatin1Char('2')
                   && units[at + 2] == QLatin1Char('0')) {
            query += QLatin1Char('+');
            at += 2;
        } else {
            query += c;
        }
    }
    return query;
}

} // namespace sorvant
