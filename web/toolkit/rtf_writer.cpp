#include "web/toolkit/rtf_writer.h"

#include "foundation/color.h"

#include <QFont>
#include <QStringList>

#include <cmath>

namespace sorvant {

namespace {

QByteArray escaped(const QString& text)
{
    QByteArray out;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit == u'\\' || unit == u'{' || unit == u'}') {
            out += '\\';
            out += char(unit);
        } else if (unit == u'\n' || unit == u'\u2029') {
            out += "\\par\n";
        } else if (unit == u'\t') {
            out += "\\tab ";
        } else if (unit == u'\u2028') {
            out += "\\line ";
        } else if (unit >= 0x20 && unit < 0x80) {
            out += char(unit);
        } else {
            // RTF's "\u" takes a signed 16-bit value, one per UTF-16 unit.
            out += "\\u" + QByteArray::number(int(qint16(unit))) + '?';
        }
    }
    return out;
}

QByteArray colorEntry(const Color& color)
{
    const Color rgb = color.colorUsingColorSpace(Color::ColorSpace::DeviceRGB);
    const auto channel = [](double value) { return QByteArray::number(int(std::lround(std::clamp(value, 0.0, 1.0) * 255))); };
    return "\\red" + channel(rgb.redComponent()) + "\\green" + channel(rgb.greenComponent()) + "\\blue"
        + channel(rgb.blueComponent()) + ';';
}

Color colorAttribute(const QVariantMap& attributes, const char* name)
{
    const QVariant value = attributes.value(QString::fromLatin1(name));
    if (!value.canConvert<Color>())
        return {};
    const Color color = value.value<Color>();
    return color.colorUsingColorSpace(Color::ColorSpace::DeviceRGB).isNull() ? Color() : color;
}

} // namespace

QByteArray RTFFromAttributedString(const AttributedString& string)
{
    if (string.containsAttachments())
        return {};
    QStringList families;
    QList<QByteArray> colors;
    // Index 0 of the colour table is the reader's "automatic" colour.
    const auto colorIndex = [&colors](const Color& color) {
        const QByteArray entry = colorEntry(color);
        qsizetype index = colors.indexOf(entry);
        if (index < 0) {
            colors.append(entry);
            index = colors.size() - 1;
        }
        return index + 1;
    };
    QByteArray body;
    for (const AttributedString::Run& run : string.runs()) {
        const QVariantMap& attributes = run.attributes;
        QByteArray controls;
        const QVariant fontValue = attributes.value(QString::fromLatin1(attribute::kFont));
        if (fontValue.canConvert<QFont>()) {
            const QFont font = fontValue.value<QFont>();
            qsizetype index = families.indexOf(font.family());
            if (index < 0) {
                families.append(font.family());
                index = families.size() - 1;
            }
            controls += "\\f" + QByteArray::number(index);
            if (font.pointSizeF() > 0)
                controls += "\\fs" + QByteArray::number(qRound(font.pointSizeF() * 2));
            if (font.bold())
                controls += "\\b";
            if (font.italic())
                controls += "\\i";
        }
        if (attributes.value(QString::fromLatin1(attribute::kUnderlineStyle)).toInt() != 0)
            controls += "\\ul";
        if (const Color color = colorAttribute(attributes, attribute::kForegroundColor); !color.isNull())
            controls += "\\cf" + QByteArray::number(colorIndex(color));
        if (const Color color = colorAttribute(attributes, attribute::kBackgroundColor); !color.isNull())
            controls += "\\cb" + QByteArray::number(colorIndex(color));
        // The space ends the last control word; without one it would be text.
        if (!controls.isEmpty())
            controls += ' ';
        body += '{' + controls + escaped(string.string().mid(run.range.location, run.range.length)) + '}';
    }
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\n{\\fonttbl";
    for (qsizetype i = 0; i < families.size(); ++i)
        rtf += "{\\f" + QByteArray::number(i) + "\\fnil " + escaped(families[i]) + ";}";
    rtf += "}\n{\\colortbl;";
    for (const QByteArray& entry : colors)
        rtf += entry;
    rtf += "}\n" + body + "}";
    return rtf;
}

} // namespace sorvant
