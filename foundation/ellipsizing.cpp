#include "foundation/ellipsizing.h"

#include "foundation/chars_table.h"
#include "foundation/lines.h"
#include "platform/unicode.h"

#include <QStringList>

#include <algorithm>

namespace sorvant {

namespace {

const QString kEllipsis = QStringLiteral("...");

// The units [0, end) followed by "...". The cut moves to the end of the
// character it falls in (a surrogate pair, a letter with its marks), so the
// result never ends in half a character.
QString cutAfter(const QString& string, qsizetype end)
{
    return string.left(clusterBoundaryAtOrAfter(string, end)) + kEllipsis;
}

} // namespace

qsizetype clusterBoundaryAtOrBefore(const QString& string, qsizetype index)
{
    return unicode::characterBoundary(string, index, false);
}

qsizetype clusterBoundaryAtOrAfter(const QString& string, qsizetype index)
{
    return unicode::characterBoundary(string, index, true);
}

QString stringByEllipsizingAfterNCharacters(const QString& string, unsigned n)
{
    const qsizetype length = string.size();
    if (n == 0 || length <= qsizetype(n))
        return string;

    const CharacterSetBitmap* word = getAlphaNumBitmap();
    const unichar* units = QStringView(string).utf16();

    // Forward: the first separator within reach ends the text, included.
    const qsizetype limit = std::min<qsizetype>(2 * qsizetype(n), length);
    for (qsizetype i = n; i < limit; ++i) {
        if (!bitmapContains(word, units[i]))
            return cutAfter(string, i + 1);
    }

    // Backward: drop the word that would be cut, then the separators before it.
    qsizetype i = qsizetype(n) - 1;
    while (i >= 0 && bitmapContains(word, units[i]))
        --i;
    while (i >= 0 && !bitmapContains(word, units[i]))
        --i;
    if (i < 0)
        return string;
    return cutAfter(string, i + 1);
}

QString stringByEllipsizingMenuItemTitle(const QString& string)
{
    return stringByEllipsizingAfterNCharacters(string, 30);
}

QString stringByEllipsizingNLines(const QString& string, unsigned lines, unsigned n)
{
    if (lines == 0 || string.isEmpty())
        return string;

    const unichar* units = QStringView(string).utf16();
    const qsizetype length = string.size();
    QStringList kept;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < length && kept.size() < qsizetype(lines)) {
        const unichar c = units[i];
        if (!isFeedCharacter(c)) {
            ++i;
            continue;
        }
        if (i > start)
            kept.append(stringByEllipsizingAfterNCharacters(string.mid(start, i - start), n));
        i += (c == u'\r' && i + 1 < length && units[i + 1] == u'\n') ? 2 : 1;
        start = i;
    }
    if (kept.size() < qsizetype(lines) && start < length)
        kept.append(stringByEllipsizingAfterNCharacters(string.mid(start), n));
    if (kept.isEmpty())
        return QStringLiteral("");
    return kept.join(u'\n');
}

} // namespace sorvant
