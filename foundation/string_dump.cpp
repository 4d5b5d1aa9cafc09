#include "foundation/string_dump.h"

#include "foundation/chars_table.h"
#include "platform/log.h"

namespace sorvant {

namespace {

constexpr qsizetype kUnitsPerLine = 12;
constexpr qsizetype kUnitsPerArrayLine = 8;

QString hexUnit(unichar c)
{
    return QStringLiteral("%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0'));
}

// Units that would disturb the character column are shown as ".".
QChar shownUnit(unichar c)
{
    if (c < 0x21 || c == 0x2028 || c == 0x2029 || c == 0xFEFF || c == 0xFFFC)
        return QLatin1Char('.');
    return QChar(c);
}

} // namespace

void dump(const QString& string)
{
    if (string.isEmpty())
        return;
    const auto* units = reinterpret_cast<const unichar*>(string.constData());
    const qsizetype length = string.size();
    QString text;
    QString hex;
    QString shown;
    for (qsizetype i = 0; i < length; ++i) {
        hex += hexUnit(units[i]) + QLatin1Char(' ');
        shown += shownUnit(units[i]);
        const bool lineFull = (i + 1) % kUnitsPerLine == 0;
        const bool last = i + 1 == length;
        if (!lineFull && !last)
            continue;
        if (!lineFull)
            shown = shown.leftJustified(kUnitsPerLine, QLatin1Char(' '));
        text += hex + QLatin1String(": ") + shown + QLatin1Char('\n');
        hex.clear();
        shown.clear();
    }
    logMessage(length <= kUnitsPerLine ? text : QLatin1Char('\n') + text + QLatin1Char('\n'));
}

void dumpAsArray(const QString& string)
{
    if (string.isEmpty())
        return;
    const auto* units = reinterpret_cast<const unichar*>(string.constData());
    const qsizetype length = string.size();
    QString text = QStringLiteral("unichar string[] = {\n\t");
    for (qsizetype i = 0; i < length; ++i) {
        text += QLatin1String("0x") + hexUnit(units[i]);
        if (i + 1 == length)
            text += QLatin1String("\n};\n ");
        else if ((i + 1) % kUnitsPerArrayLine == 0)
            text += QLatin1String(",\n\t");
        else
            text += QLatin1String(", ");
    }
    logMessage(QLatin1Char('\n') + string + QLatin1String(":\n") + text);
}

} // namespace sorvant
