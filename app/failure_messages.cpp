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

// The sentence of the items left for one reason: `first` named, `others`
// more counted.
QString leftForReason(const QString& first, qsizetype others, const QString& reason)
{
    const Bundle& bundle = Bundle::mainBundle();
    const QString name = quotedForInterface(printableItemName(first));
    // One multi-argument arg() each: a chained one would read a "%1" that
    // the name brings as a place of its own.
    if (others == 0 && reason.isNull())
        return bundle.localizedStringForKey(QStringLiteral("%1 could not be deleted."), QStringLiteral("")).arg(name);
    if (others == 0)
        return bundle.localizedStringForKey(QStringLiteral("%1 could not be deleted: %2."), QStringLiteral(""))
            .arg(name, reason);
    const QString count = stringForInteger(others);
    if (reason.isNull())
        return bundle.localizedStringForKey(QStringLiteral("%1 and %2 more could not be deleted."), QStringLiteral(""))
            .arg(name, count);
    return bundle.localizedStringForKey(QStringLiteral("%1 and %2 more could not be deleted: %3."), QStringLiteral(""))
        .arg(name, count, reason);
}

} // namespace

Failure deletionFailure(const QList<ItemLeft>& items)
{
    if (items.isEmpty())
        return {};
    // The reasons in the order their first items come; a sheet says three.
    constexpr qsizetype kReasonsSaid = 3;
    struct Reason
    {
        QString text;
        QString first;
        qsizetype others = 0;
    };
    QList<Reason> reasons;
    qsizetype unsaid = 0;
    for (const ItemLeft& item : items) {
        const QString text = reasonLeft(item);
        const auto same =
            std::find_if(reasons.begin(), reasons.end(), [&text](const Reason& reason) { return reason.text == text; });
        if (same != reasons.end())
            ++same->others;
        else if (reasons.size() < kReasonsSaid)
            reasons.append({text, item.path, 0});
        else
            ++unsaid;
    }
    QStringList sentences;
    for (const Reason& reason : reasons)
        sentences.append(leftForReason(reason.first, reason.others, reason.text));
    const Bundle& bundle = Bundle::mainBundle();
    if (unsaid == 1)
        sentences.append(bundle.localizedStringForKey(QStringLiteral("1 more could not be deleted for another reason."),
                                                      QStringLiteral("")));
    else if (unsaid > 1)
        sentences.append(bundle
                             .localizedStringForKey(QStringLiteral("%1 more could not be deleted for other reasons."),
                                                    QStringLiteral(""))
                             .arg(stringForInteger(unsaid)));
    return {bundle.localizedStringForKey(QStringLiteral("Cannot Delete"), QStringLiteral("")), sentences.join(u' ')};
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
                .arg(quotedForInterface(path), quotedForInterface(type))};
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
