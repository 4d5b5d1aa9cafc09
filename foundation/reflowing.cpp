#include "foundation/reflowing.h"

#include "foundation/chars_table.h"

#include <QStringList>

#include <unicode/uchar.h>

namespace sorvant {

namespace {

bool isMailLineBreak(unichar c)
{
    switch (c) {
    case 0x000A:
    case 0x000C:
    case 0x000D:
    case 0x0003:
    case 0x2028:
    case 0x2029:
    case 0xFFFC:
    case 0xFEFF:
        return true;
    default:
        return false;
    }
}

// A line that starts with one of these keeps the break before it (lists,
// quotes, paths, indented text).
bool keepsBreakBefore(unichar c)
{
    return c == u' ' || c == u'-' || c == u'/' || c == u'>' || c == u'}';
}

// Reflows units[0, length) into out, which may be the same buffer: the
// output never outgrows the input, so writing never overtakes reading.
qsizetype reflow(const unichar* units, qsizetype length, unichar* out)
{
    const CharacterSetBitmap* blanks = getSpacesBitmap();
    const CharacterSetBitmap* white = getWhiteSpacesBitmap();
    qsizetype written = 0;
    qsizetype i = 0;
    while (i < length) {
        const unichar c = units[i];
        if (isMailLineBreak(c)) {
            qsizetype breaks = 0;
            while (i < length && isMailLineBreak(units[i])) {
                i += (units[i] == u'\r' && i + 1 < length && units[i + 1] == u'\n') ? 2 : 1;
                ++breaks;
            }
            if (breaks >= 2) {
                out[written++] = u'\n';
                out[written++] = u'\n';
            } else if (i < length && keepsBreakBefore(units[i])) {
                out[written++] = u'\n';
            } else if (i < length && written > 0 && !bitmapContains(white, out[written - 1])) {
                const unichar last = out[written - 1];
                out[written++] = (last == u':' || last == u'>') ? u'\n' : u' ';
            }
        } else if (bitmapContains(blanks, c)) {
            while (i < length && bitmapContains(blanks, units[i]))
                ++i;
            out[written++] = u' ';
        } else {
            out[written++] = c;
            ++i;
        }
    }
    return written;
}

// --- stand-ins for the line and mutable-string helpers --------------------
// Private until the shared ones land in foundation/ (lines, feedOfLine,
// removeCharactersOfString, trimWhiteSpaces, removeMultipleSpaces).

bool isFeedCharacter(unichar c)
{
    return isMailLineBreak(c);
}

// The lines of the text, each with its own line end (CR LF stays together).
QStringList lines(const QString& string)
{
    QStringList result;
    const unichar* units = QStringView(string).utf16();
    const qsizetype length = string.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < length; ++i) {
        if (!isFeedCharacter(units[i]))
            continue;
        if (units[i] == u'\r' && i + 1 < length && units[i + 1] == u'\n')
            ++i;
        result.append(string.mid(start, i + 1 - start));
        start = i + 1;
    }
    if (start < length)
        result.append(string.mid(start));
    return result;
}

// The run of feed characters at the end of the line.
QString feedOfLine(const QString& line)
{
    qsizetype start = line.size();
    while (start > 0 && isFeedCharacter(line.at(start - 1).unicode()))
        --start;
    return line.mid(start);
}

void removeCharactersOfString(QString& string, const QString& remove)
{
    string.removeIf([&remove](QChar c) { return remove.contains(c); });
}

// Trims Unicode White_Space at both ends, as the platform's trim does.
void trimWhiteSpaces(QString& string)
{
    qsizetype start = 0;
    qsizetype end = string.size();
    while (start < end && u_isUWhiteSpace(string.at(start).unicode()))
        ++start;
    while (end > start && u_isUWhiteSpace(string.at(end - 1).unicode()))
        --end;
    string = string.mid(start, end - start);
}

void removeMultipleSpaces(QString& string)
{
    const CharacterSetBitmap* blanks = getSpacesBitmap();
    QString collapsed;
    collapsed.reserve(string.size());
    for (qsizetype i = 0; i < string.size(); ++i) {
        const unichar c = string.at(i).unicode();
        if (!bitmapContains(blanks, c)) {
            collapsed.append(QChar(c));
            continue;
        }
        while (i + 1 < string.size() && bitmapContains(blanks, string.at(i + 1).unicode()))
            ++i;
        collapsed.append(u' ');
    }
    string = collapsed;
}

} // namespace

QString reformattedMailing(const QString& string)
{
    if (string.isEmpty())
        return string;
    QString result = string;
    auto* units = reinterpret_cast<unichar*>(result.data());
    result.truncate(reflow(units, result.size(), units));
    return result;
}

QString reformattedStringByRemovingCharactersOfString(const QString& string, const QString& remove)
{
    if (string.isNull())
        return string;
    QString result = QStringLiteral("");
    const QStringList all = lines(string);
    bool afterText = false;
    for (qsizetype i = 0; i < all.size(); ++i) {
        QString line = all.at(i);
        if (!remove.isNull())
            removeCharactersOfString(line, remove);
        trimWhiteSpaces(line);
        if (!line.isEmpty()) {
            if (afterText)
                result.append(u' ');
            result.append(line);
            afterText = true;
        } else if (afterText) {
            // The first empty line after text ends the paragraph.
            const QString feed = feedOfLine(all.at(i));
            result.append(feed);
            if (i + 1 < all.size())
                result.append(feed);
            afterText = false;
        }
    }
    removeMultipleSpaces(result);
    return result;
}

} // namespace sorvant
