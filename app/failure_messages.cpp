#include "app/failure_messages.h"

#include "foundation/number_formatting.h"
#include "interface/alerts.h"
#include "platform/file_error.h"

#include "system/bundle.h"
#include "system/deletion_questions.h"
#include "system/file_manager.h"
#include "system/mime_applications.h"
#include "system/open_with.h"

#include <QMessageBox>

#include <algorithm>

namespace sorvant {

// The table's texts are looked up with their English keys, each written
// out at its call so that the tables' completeness test finds them. Names
// are quoted and shown as the deletion questions show them.

Failure invalidPatternFailure(const QString& pattern, const QString& error)
{
    const Bundle& bundle = Bundle::mainBundle();
    return {bundle.localizedStringForKey(QStringLiteral("Invalid Regular Expression"), QStringLiteral("")),
            bundle
                .localizedStringForKey(QStringLiteral("%1 is not a valid regular expression (%2). Nothing was searched."),
                                       QStringLiteral(""))
                .arg(quotedForInterface(pattern), error)};
}

Failure noApplicationFailure(const QString& path)
{
    const Bundle& bundle = Bundle::mainBundle();
    if (const QString application = defaultApplicationNeedingTerminal(mimeTypeForPath(path)); !application.isNull())
        return {bundle.localizedStringForKey(QStringLiteral("Cannot Open"), QStringLiteral("")),
                bundle
                    .localizedStringForKey(QStringLiteral("%1 opens %2 in a terminal, and no terminal is installed."),
                                           QStringLiteral(""))
                    .arg(quotedForInterface(application), quotedForInterface(printableItemName(path)))};
    return {bundle.localizedStringForKey(QStringLiteral("Cannot Open"), QStringLiteral("")),
            bundle
                .localizedStringForKey(QStringLiteral("No application is set up to open %1."), QStringLiteral(""))
                .arg(quotedForInterface(printableItemName(path)))};
}

Failure noBrowserFailure()
{
    const Bundle& bundle = Bundle::mainBundle();
    return {bundle.localizedStringForKey(QStringLiteral("Cannot Show the Help"), QStringLiteral("")),
            bundle.localizedStringForKey(QStringLiteral("No web browser is set up to show the help pages."),
                                         QStringLiteral(""))};
}

Failure noWebsiteBrowserFailure(const QString& url)
{
    const Bundle& bundle = Bundle::mainBundle();
    return {bundle.localizedStringForKey(QStringLiteral("Cannot Show the Website"), QStringLiteral("")),
            bundle.localizedStringForKey(QStringLiteral("No web browser is set up to show %1."), QStringLiteral(""))
                .arg(url)};
}

Failure noFileViewerFailure(const QString& path)
{
    const Bundle& bundle = Bundle::mainBundle();
    return {bundle.localizedStringForKey(QStringLiteral("Cannot Show in File Manager"), QStringLiteral("")),
            bundle.localizedStringForKey(QStringLiteral("No file manager is set up to show %1."), QStringLiteral(""))
                .arg(quotedForInterface(printableItemName(path)))};
}

Failure noFileManagerFailure(const QString& path)
{
    const Bundle& bundle = Bundle::mainBundle();
    return {bundle.localizedStringForKey(QStringLiteral("Cannot Show Properties"), QStringLiteral("")),
            bundle
                .localizedStringForKey(QStringLiteral("No file manager is running to show the properties of %1."),
                                       QStringLiteral(""))
                .arg(quotedForInterface(printableItemName(path)))};
}

namespace {

// Why `item` was left, in the interface's language; null when unknown. A
// mount point is left on purpose, with all that is mounted there: its name
// says more than the "busy" of its errno.
QString reasonLeft(const ItemLeft& item)
{
    if (!item.mountPoint.isEmpty())
        return Bundle::mainBundle()
            .localizedStringForKey(QStringLiteral("%1 is a mount point and was left as it is"), QStringLiteral(""))
            .arg(quotedForInterface(printableItemName(item.mountPoint)));
    return item.error != 0 ? localizedErrorMessage(item.error) : QString();
}

// The items left for one reason: the first named, the others counted.
struct ReasonGroup
{
    QString reason;
    QString first;
    qsizetype others = 0;
};

// The reasons of `items` in the order their first items come; three are
// said, the items left for others only counted (`unsaid`).
struct ReasonGroups
{
    QList<ReasonGroup> said;
    qsizetype unsaid = 0;
};

ReasonGroups groupedByReason(const QList<ItemLeft>& items)
{
    constexpr qsizetype kReasonsSaid = 3;
    ReasonGroups groups;
    for (const ItemLeft& item : items) {
        const QString reason = reasonLeft(item);
        const auto same = std::find_if(groups.said.begin(), groups.said.end(),
                                       [&reason](const ReasonGroup& group) { return group.reason == reason; });
        if (same != groups.said.end())
            ++same->others;
        else if (groups.said.size() < kReasonsSaid)
            groups.said.append({reason, item.path, 0});
        else
            ++groups.unsaid;
    }
    return groups;
}

// The translated sentences of one kind of failure: for one item, with and
// without a reason ("%1", "%1 … %2"), for it and others ("%1 and %2 more",
// "… %3"), and for the items of unsaid reasons (one, several).
struct ReasonSentences
{
    QString one, oneWhy, several, severalWhy, oneUnsaid, severalUnsaid;
};

// What `groups` say in `sentences`, one sentence per reason, joined.
QString saidByReason(const ReasonGroups& groups, const ReasonSentences& sentences)
{
    QStringList said;
    for (const ReasonGroup& group : groups.said) {
        const QString name = quotedForInterface(printableItemName(group.first));
        // One multi-argument arg() each: a chained one would read a "%1"
        // that the name brings as a place of its own.
        if (group.others == 0)
            said.append(group.reason.isNull() ? sentences.one.arg(name) : sentences.oneWhy.arg(name, group.reason));
        else if (group.reason.isNull())
            said.append(sentences.several.arg(name, stringForInteger(group.others)));
        else
            said.append(sentences.severalWhy.arg(name, stringForInteger(group.others), group.reason));
    }
    if (groups.unsaid == 1)
        said.append(sentences.oneUnsaid);
    else if (groups.unsaid > 1)
        said.append(sentences.severalUnsaid.arg(stringForInteger(groups.unsaid)));
    return said.join(u' ');
}

} // namespace

Failure deletionFailure(const QList<ItemLeft>& items)
{
    if (items.isEmpty())
        return {};
    const Bundle& bundle = Bundle::mainBundle();
    const ReasonSentences sentences{
        bundle.localizedStringForKey(QStringLiteral("%1 could not be deleted."), QStringLiteral("")),
        bundle.localizedStringForKey(QStringLiteral("%1 could not be deleted: %2."), QStringLiteral("")),
        bundle.localizedStringForKey(QStringLiteral("%1 and %2 more could not be deleted."), QStringLiteral("")),
        bundle.localizedStringForKey(QStringLiteral("%1 and %2 more could not be deleted: %3."), QStringLiteral("")),
        bundle.localizedStringForKey(QStringLiteral("1 more could not be deleted for another reason."),
                                     QStringLiteral("")),
        bundle.localizedStringForKey(QStringLiteral("%1 more could not be deleted for other reasons."),
                                     QStringLiteral(""))};
    return {bundle.localizedStringForKey(QStringLiteral("Cannot Delete"), QStringLiteral("")),
            saidByReason(groupedByReason(items), sentences)};
}

QString trashRefusalQuestion(const QList<ItemLeft>& items)
{
    if (items.isEmpty())
        return {};
    const ReasonGroups groups = groupedByReason(items);
    if (groups.said.size() == 1) {
        QStringList paths;
        for (const ItemLeft& item : items)
            paths.append(item.path);
        return untrashableItemsQuestion(paths, groups.said.constFirst().reason);
    }
    const Bundle& bundle = Bundle::mainBundle();
    const ReasonSentences sentences{
        bundle.localizedStringForKey(QStringLiteral("%1 can't be moved to the Trash."), QStringLiteral("")),
        bundle.localizedStringForKey(QStringLiteral("%1 can't be moved to the Trash: %2."), QStringLiteral("")),
        bundle.localizedStringForKey(QStringLiteral("%1 and %2 more can't be moved to the Trash."), QStringLiteral("")),
        bundle.localizedStringForKey(QStringLiteral("%1 and %2 more can't be moved to the Trash: %3."),
                                     QStringLiteral("")),
        bundle.localizedStringForKey(QStringLiteral("1 more can't be moved to the Trash for another reason."),
                                     QStringLiteral("")),
        bundle.localizedStringForKey(QStringLiteral("%1 more can't be moved to the Trash for other reasons."),
                                     QStringLiteral(""))};
    return saidByReason(groups, sentences) + u' '
        + bundle
              .localizedStringForKey(
                  QStringLiteral("Do you want to delete these %1 items immediately? This can't be undone."),
                  QStringLiteral(""))
              .arg(stringForInteger(items.size()));
}

Failure activeFileManagerFailure()
{
    const Bundle& bundle = Bundle::mainBundle();
    return {bundle.localizedStringForKey(QStringLiteral("Cannot Search"), QStringLiteral("")),
            bundle.localizedStringForKey(QStringLiteral("The file manager cannot say which folder it shows."),
                                         QStringLiteral(""))};
}

Failure missingDestinationFailure(const QString& path)
{
    const Bundle& bundle = Bundle::mainBundle();
    return {bundle.localizedStringForKey(QStringLiteral("Cannot Search"), QStringLiteral("")),
            bundle
                .localizedStringForKey(QStringLiteral("The folder %1 is no longer there. Choose another folder to search in."),
                                       QStringLiteral(""))
                .arg(quotedForInterface(printableItemName(path)))};
}

Failure kernelFileSystemFailure(const QString& path, const QString& type)
{
    const Bundle& bundle = Bundle::mainBundle();
    return {bundle.localizedStringForKey(QStringLiteral("Cannot Search"), QStringLiteral("")),
            bundle
                .localizedStringForKey(
                    QStringLiteral("%1 is on a %2 pseudo file system, which the kernel fills and which is not searched."),
                    QStringLiteral(""))
                .arg(quotedForInterface(nameForSentence(path)), quotedForInterface(nameForSentence(type)))};
}

bool hasApplicationForPath(const QString& path)
{
    return !applicationsForPaths({path}).isEmpty();
}

bool hasFileViewer()
{
    return finderLaunched() || !defaultApplicationsForMimeTypeOnly(QStringLiteral("inode/directory")).isEmpty();
}

void showFailureSheet(const Failure& failure, QWidget* window)
{
    if (failure.isNull() || !window)
        return;
    auto* sheet = new QMessageBox(QMessageBox::Warning, failure.title, failure.title, QMessageBox::Ok, window);
    sheet->setObjectName(QStringLiteral("failure"));
    keepReadableWidth(sheet);
    sheet->setInformativeText(failure.text);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->open();
}

} // namespace sorvant
