#include "foundation/reflowing.h"

#include "foundation/chars_table.h"
#include "foundation/lines.h"
#include "foundation/mutable_string_edits.h"

#include <QStringList>

namespace sorvant {

namespace {

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
        if (isFeedCharacter(c)) {
            qsizetype breaks = 0;
            while (i < length && isFeedCharacter(units[i])) {
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
