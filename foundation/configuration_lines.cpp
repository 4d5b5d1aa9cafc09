#include "foundation/configuration_lines.h"

#include "foundation/chars_table.h"
#include "foundation/lines.h"
#include "foundation/trimming.h"
#include "platform/string_compare.h"

namespace sorvant {

QStringList configLines(const QString& string)
{
    QStringList lines;
    const CharacterSetBitmap* white = getWhiteSpacesBitmap();
    const unichar* units = QStringView(string).utf16();
    const qsizetype length = string.size();
    qsizetype lineStart = 0;
    while (lineStart < length) {
        qsizetype lineEnd = lineStart;
        while (lineEnd < length && !isFeedCharacter(units[lineEnd]))
            ++lineEnd;
        qsizetype first = lineStart;
        while (first < lineEnd && bitmapContains(white, units[first]))
            ++first;
        if (first < lineEnd && units[first] != u'#') {
            qsizetype last = lineEnd;
            while (bitmapContains(white, units[last - 1]))
                --last;
            lines.append(string.mid(first, last - first));
        }
        lineStart = lineEnd + 1;
    }
    return lines;
}

QString configValueForKey(const QString& line, const QString& key)
{
    const qsizetype n = key.size();
    if (n == 0 || line.size() <= n)
        return QString();
    if (!bitmapContains(getWhiteSpacesBitmap(), line.at(n).unicode()))
        return QString();
    if (compareStrings(QStringView(line).first(n), key, kCompareCaseInsensitive | kCompareLiteral) != 0)
        return QString();
    const QString value = stringByTrimmingWhiteSpaces(line.mid(n));
    return value.isEmpty() ? QString() : value;
}

} // namespace sorvant
