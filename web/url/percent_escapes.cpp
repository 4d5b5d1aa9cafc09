#include "web/url/percent_escapes.h"

#include "foundation/string_units.h"

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

} // namespace sorvant
