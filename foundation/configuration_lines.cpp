#include "foundation/configuration_lines.h"

#include "foundation/chars_table.h"
#include "platform/string_compare.h"

#include <unicode/uchar.h>

namespace sorvant {

namespace {

bool isFeedCharacter(unichar c)
{
    switch (c) {
    case 0x0003:
    case 0x000A:
    case 0x000C:
    case 0x000D:
    case 0x2028:
    case 0x2029:
    case 0xFEFF:
    case 0xFFFC:
        return true;
    default:
        return false;
    }
}

// Stand-in for the toolkit's platform white-space trim (Unicode White_Space
// at both ends) until it lands in foundation/trimming.h.
QString stringByTrimmingWhiteSpaces(const QString& string)
{
    if (string.isEmpty())
        return string;
    const unichar* units = QStringView(string).utf16();
    qsizetype start = 0;
    qsizetype end = string.size();
    while (start < end && u_isUWhiteSpace(units[start]))
        ++start;
    while (end > start && u_isUWhiteSpace(units[end - 1]))
        --end;
    return string.mid(start, end - start);
}

} // namespace

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
    if (compareStrings(QStringView(line).first(n), key, kCompareCaseInsensitive) != 0)
        return QString();
    const QString value = stringByTrimmingWhiteSpaces(line.mid(n));
    return value.isEmpty() ? QString() : value;
}

} // namespace sorvant
