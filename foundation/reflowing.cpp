#include "foundation/reflowing.h"

#include "foundation/chars_table.h"

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

} // namespace sorvant
