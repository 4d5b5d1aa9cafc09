#include "system/deletion_questions.h"

#include "platform/path_semantics.h"
#include "system/bundle.h"
#include "system/file_manager.h"

namespace sorvant {

namespace {

QString localized(const char* key)
{
    return cachedLocalizedStringForKey(QString::fromUtf8(key));
}

} // namespace

QString quotedForInterface(const QString& text)
{
    return localized("“%1”").arg(text);
}

QString printableItemName(const QString& path)
{
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(u'/'))
        trimmed.chop(1);
    QString name = lastPathComponent(trimmed);
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.isSurrogate())
            c = QChar(0xFFFD);
    }
    return name;
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
    return localized("%1 and %2 more").arg(list, QString::number(paths.size() - names.size()));
}

QString untrashableItemsQuestion(const QStringList& paths)
{
    if (paths.isEmpty())
        return {};
    if (paths.size() == 1)
        return localized("%1 can't be moved to the Trash. Do you want to delete it immediately? "
                         "This can't be undone.")
            .arg(itemNamesForQuestion(paths));
    return localized("%1 items can't be moved to the Trash: %2. Do you want to delete them immediately? "
                     "This can't be undone.")
        .arg(QString::number(paths.size()), itemNamesForQuestion(paths));
}

QString deleteItemsQuestion(const QStringList& paths)
{
    if (paths.isEmpty())
        return {};
    if (paths.size() == 1)
        return localized("Do you really want to delete %1? This can't be undone.").arg(itemNamesForQuestion(paths));
    return localized("Do you really want to delete these %1 items: %2? This can't be undone.")
        .arg(QString::number(paths.size()), itemNamesForQuestion(paths));
}

} // namespace sorvant
