#include "interface/shown_names.h"

#include "system/deletion_questions.h"

#include <QStringList>
#include <QTextDocument>

#include <algorithm>

namespace sorvant {

namespace {

constexpr char16_t kFirstStrongIsolate = u'\u2068';
constexpr char16_t kPopDirectionalIsolate = u'\u2069';

// The C1 controls other than NEL: invisible, and without a mark of their
// own, so they are written out. C0 controls, DEL, NEL, the line and
// paragraph separators and the bidirectional controls are marked one for
// one by visibleControlCharacters.
bool writtenOut(char16_t c)
{
    return c >= 0x80 && c <= 0x9F && c != 0x85;
}

// "<U+0080>": eight units.
constexpr qsizetype kEscapeLength = 8;

QString escaped(char16_t c)
{
    return QStringLiteral("<U+%1>").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString visibleLayoutCharacters(const QString& text)
{
    QString visible = visibleControlCharacters(text);
    if (std::none_of(visible.cbegin(), visible.cend(), [](QChar c) { return writtenOut(c.unicode()); }))
        return visible;
    QString written;
    written.reserve(visible.size() + 2 * kEscapeLength);
    for (const QChar c : std::as_const(visible)) {
        if (writtenOut(c.unicode()))
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
        shown += writtenOut(c.unicode()) ? kEscapeLength : 1;
    }
    positions.append(shown);
    return positions;
}

QString isolatedVisibleName(const QString& text)
{
    // A name of left-to-right and neutral characters alone reorders nothing:
    // it is shown without the isolate's two units, as it always was.
    if (!canReorderSentence(text))
        return visibleLayoutCharacters(text);
    return QChar(kFirstStrongIsolate) + visibleLayoutCharacters(text) + QChar(kPopDirectionalIsolate);
}

QString isolatedVisiblePath(const QString& path)
{
    if (path.isNull())
        return path;
    QStringList shown = path.split(u'/');
    for (QString& name : shown)
        name = isolatedVisibleName(name);
    return shown.join(u'/');
}

QString plainToolTip(const QString& text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    // pre keeps a name's runs of spaces and its leading and trailing ones,
    // which HTML would collapse, and its line whole as a plain tool tip's
    // (the tool tip measures a wrapping rich text far narrower, a path
    // broken over several lines).
    return QStringLiteral("<p style=\"white-space:pre\">") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

QString nameToolTip(const QString& name)
{
    return plainToolTip(isolatedVisibleName(name));
}

QString pathToolTip(const QString& path)
{
    return plainToolTip(isolatedVisiblePath(path));
}

QString withoutMnemonics(const QString& text)
{
    if (!text.contains(u'&'))
        return text;
    return QString(text).replace(u'&', QLatin1String("&&"));
}

QString literalWindowTitle(const QString& text)
{
    if (!text.contains(QLatin1String("[*]")))
        return text;
    return QString(text).replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
}

} // namespace sorvant
