#include "interface/shown_names.h"

#include "system/deletion_questions.h"

#include <algorithm>

namespace sorvant {

namespace {

constexpr char16_t kFirstStrongIsolate = u'\u2068';
constexpr char16_t kPopDirectionalIsolate = u'\u2069';

// Characters that reorder or split a line around them; C0 controls and DEL
// are marked one for one elsewhere.
bool changesLayout(char16_t c)
{
    return (c >= 0x80 && c <= 0x9F)                 // C1 controls, NEL (U+0085) among them
           || c == 0x061C                           // Arabic letter mark
           || c == 0x200E || c == 0x200F            // left-to-right, right-to-left marks
           || (c >= 0x2028 && c <= 0x202E)          // line and paragraph separators, embeddings, overrides
           || (c >= 0x2066 && c <= 0x2069);         // isolates
}

// "<U+202E>": eight units.
constexpr qsizetype kEscapeLength = 8;

QString escaped(char16_t c)
{
    return QStringLiteral("<U+%1>").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString visibleLayoutCharacters(const QString& text)
{
    QString visible = visibleControlCharacters(text);
    if (std::none_of(visible.cbegin(), visible.cend(), [](QChar c) { return changesLayout(c.unicode()); }))
        return visible;
    QString written;
    written.reserve(visible.size() + 2 * kEscapeLength);
    for (const QChar c : std::as_const(visible)) {
        if (changesLayout(c.unicode()))
            written += escaped(c.unicode());
        else
            written += c;
    }
    return written;
}

QList<qsizetype> visibleLayoutPositions(const QString& text)
{
    QList<qsizetype> positions;
    positions.reserve(text.size() + 1);
    qsizetype shown = 0;
    for (const QChar c : text) {
        positions.append(shown);
        shown += changesLayout(c.unicode()) ? kEscapeLength : 1;
    }
    positions.append(shown);
    return positions;
}

QString isolatedVisibleName(const QString& text)
{
    // A name of left-to-right and neutral characters alone reorders nothing:
    // it is shown without the isolate's two units, as it always was.
    const auto reorders = [](QChar c) {
        const QChar::Direction direction = c.direction();
        return changesLayout(c.unicode()) || direction == QChar::DirR || direction == QChar::DirAL
               || direction == QChar::DirAN;
    };
    if (std::none_of(text.cbegin(), text.cend(), reorders))
        return visibleControlCharacters(text);
    return QChar(kFirstStrongIsolate) + visibleLayoutCharacters(text) + QChar(kPopDirectionalIsolate);
}

} // namespace sorvant
