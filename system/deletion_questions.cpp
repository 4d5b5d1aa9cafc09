#include "system/deletion_questions.h"

#include "foundation/ellipsizing.h"
#include "foundation/number_formatting.h"
#include "platform/path_semantics.h"
#include "system/bundle.h"
#include "system/file_manager.h"

#include <algorithm>

namespace sorvant {

namespace {

QString localized(const char* key)
{
    return cachedLocalizedStringForKey(QString::fromUtf8(key));
}

bool isLineBreak(char32_t c)
{
    return c == u'\n' || c == u'\r' || c == 0x0085 || c == 0x2028 || c == 0x2029;
}

// The marks and embeddings, overrides and isolates of the bidirectional
// algorithm: invisible, and each one moves the text after it.
bool isBidirectionalControl(char32_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

bool isMarkedCharacter(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F || isLineBreak(c.unicode()) || isBidirectionalControl(c.unicode());
}

QString isolated(const QString& text)
{
    return QChar(char16_t(0x2068)) + text + QChar(char16_t(0x2069));
}

} // namespace

QString quotedForInterface(const QString& text)
{
    return localized("“%1”").arg(text);
}

QString visibleControlCharacters(const QString& text)
{
    if (std::none_of(text.cbegin(), text.cend(), isMarkedCharacter))
        return text;
    QString visible = text;
    for (QChar& c : visible) {
        // The desktop's fonts rarely have the Control Pictures block (DejaVu
        // has none): the line breaks, the tab and the bidirectional
        // controls, the ones names hold, get arrows every text font has.
        if (isLineBreak(c.unicode()))
            c = QChar(char16_t(0x21B5));
        else if (c == u'\t')
            c = QChar(char16_t(0x2192));
        else if (isBidirectionalControl(c.unicode()))
            c = QChar(char16_t(0x21C4));
        else if (c.unicode() < 0x20)
            c = QChar(char16_t(0x2400 + c.unicode()));
        else if (c.unicode() == 0x7F)
            c = QChar(char16_t(0x2421));
    }
    return visible;
}

bool canReorderSentence(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        // Letters beyond the BMP (Adlam, Hanifi Rohingya) are right to left
        // too: a pair is read as its code point.
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        if (isBidirectionalControl(c))
            return true;
        const QChar::Direction direction = QChar::direction(c);
        if (direction == QChar::DirR || direction == QChar::DirAL || direction == QChar::DirAN)
            return true;
    }
    return false;
}

QString nameForSentence(const QString& text)
{
    const QString visible = visibleControlCharacters(text);
    return canReorderSentence(text) ? isolated(visible) : visible;
}

QString middleTruncatedName(const QString& name, qsizetype longest)
{
    if (name.size() <= longest || longest < 3)
        return name;
    // The end kept: the extension (a short one: a dot far from the end is
    // no extension) and as much again before it, and at least a third.
    const qsizetype dot = name.lastIndexOf(u'.');
    const qsizetype extension = dot > 0 && name.size() - dot <= 16 ? name.size() - dot : 0;
    const qsizetype tailWanted = std::min(std::max(2 * extension, longest / 3), longest - 2);
    const qsizetype tailStart = clusterBoundaryAtOrAfter(name, name.size() - tailWanted);
    const qsizetype headEnd = clusterBoundaryAtOrBefore(name, longest - 1 - (name.size() - tailStart));
    return name.left(headEnd) + QChar(char16_t(0x2026)) + name.mid(tailStart);
}

QString printableItemName(const QString& path)
{
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(u'/'))
        trimmed.chop(1);
    const QString component = lastPathComponent(trimmed);
    QString name = visibleControlCharacters(component);
    // A pair stays whole (the low half of many emoji is in U+DC80..U+DCFF);
    // a lone surrogate is a byte that is no text, read from left to right
    // as fileSystemRepresentation pairs them.
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name.at(i).isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate())
            ++i;
        else if (name.at(i).isSurrogate())
            name[i] = QChar(0xFFFD);
    }
    name = middleTruncatedName(name);
    return canReorderSentence(component) ? isolated(name) : name;
}

QStringList recycleFilesKeepingRefused(const QStringList& paths)
{
    QStringList refused;
    for (const QString& path : paths) {
        if (!recycleFile(path, false))
            refused.append(path);
    }
    return refused;
}

QString itemNamesForQuestion(const QStringList& paths, int shown)
{
    QStringList names;
    for (qsizetype i = 0; i < paths.size() && i < shown; ++i)
        names.append(quotedForInterface(printableItemName(paths.at(i))));
    const QString list = names.join(QStringLiteral(", "));
    if (paths.size() <= names.size())
        return list;
    // One arg() call for both: a name holding "%2" is never filled in.
    return localized("%1 and %2 more").arg(list, stringForInteger(paths.size() - names.size()));
}

QString untrashableItemsQuestion(const QStringList& paths, const QString& reason)
{
    if (paths.isEmpty())
        return {};
    // One arg() call for all: neither a name nor the reason is a format.
    if (reason.isEmpty()) {
        if (paths.size() == 1)
            return localized("%1 can't be moved to the Trash. Do you want to delete it immediately? "
                             "This can't be undone.")
                .arg(itemNamesForQuestion(paths));
        return localized("%1 items can't be moved to the Trash: %2. Do you want to delete them immediately? "
                         "This can't be undone.")
            .arg(stringForInteger(paths.size()), itemNamesForQuestion(paths));
    }
    const QString why = nameForSentence(reason);
    if (paths.size() == 1)
        return localized("%1 can't be moved to the Trash (%2). Do you want to delete it immediately? "
                         "This can't be undone.")
            .arg(itemNamesForQuestion(paths), why);
    return localized("%1 items can't be moved to the Trash (%3): %2. Do you want to delete them immediately? "
                     "This can't be undone.")
        .arg(stringForInteger(paths.size()), itemNamesForQuestion(paths), why);
}

QString deleteItemsQuestion(const QStringList& paths)
{
    if (paths.isEmpty())
        return {};
    if (paths.size() == 1)
        return localized("Do you really want to delete %1? This can't be undone.").arg(itemNamesForQuestion(paths));
    return localized("Do you really want to delete these %1 items: %2? This can't be undone.")
        .arg(stringForInteger(paths.size()), itemNamesForQuestion(paths));
}

} // namespace sorvant
