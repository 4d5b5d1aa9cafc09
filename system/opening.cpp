#include "system/opening.h"

#include "platform/log.h"
#include "platform/task.h"
#include "platform/url.h"
#include "system/desktop_entries.h"
#include "system/mime_applications.h"

#include <QStandardPaths>

#include <algorithm>
#include <mutex>

namespace sorvant {

namespace {

class DesktopOpener : public ItemOpener
{
public:
    bool openWithApplication(const QString& desktopEntryPath, const QStringList& items) override
    {
        const DesktopEntry entry = DesktopEntry::fromFile(desktopEntryPath, desktopFileIDOfPath(desktopEntryPath));
        QString error;
        if (launchDesktopEntry(entry, items, {}, &error))
            return true;
        logError(error);
        return false;
    }
    bool openWithDesktopOpener(const QString& item) override
    {
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (opener.isEmpty()) {
            logError(QStringLiteral("No application opens %1").arg(item));
            return false;
        }
        // The item is an absolute path or a URL with its scheme, never an
        // option; its bytes go as they are.
        QString error;
        if (Task::startDetached(opener, {item}, {}, &error))
            return true;
        logError(error);
        return false;
    }
};

std::mutex openerMutex;
ItemOpener* installedOpener = nullptr;

ItemOpener& opener()
{
    static DesktopOpener standard;
    std::lock_guard lock(openerMutex);
    return installedOpener ? *installedOpener : standard;
}

QString itemOf(const URL& url)
{
    return url.isFileURL() ? url.path() : url.absoluteString();
}

// The default applications are tried in order: one that cannot run (its
// program is gone, its Exec= line unusable) hands over to the next.
bool openWithDefault(const URL& url)
{
    const QStringList applications = defaultApplicationsForMimeType(mimeTypeForURL(url));
    for (const QString& application : applications) {
        if (opener().openWithApplication(application, {itemOf(url)}))
            return true;
    }
    return opener().openWithDesktopOpener(itemOf(url));
}

} // namespace

QList<qsizetype> openURLsWithDefaults(const QList<URL>& urls)
{
    // The items that share their first default application go to it in one
    // start, in their order (an application whose Exec= takes %F or %U gets
    // them all at once); a group it does not take is opened item by item,
    // each trying the next applications.
    QList<QString> applications;
    QList<QList<qsizetype>> groups;
    QList<qsizetype> unopened;
    for (qsizetype index = 0; index < urls.size(); ++index) {
        const URL& url = urls.at(index);
        if (url.isNull() || (url.isFileURL() && url.path().isEmpty())) {
            unopened.append(index);
            continue;
        }
        const QString first = defaultApplicationsForMimeType(mimeTypeForURL(url)).value(0);
        const qsizetype group = first.isEmpty() ? -1 : applications.indexOf(first);
        if (group >= 0) {
            groups[group].append(index);
        } else {
            applications.append(first);
            groups.append(QList<qsizetype>{index});
        }
    }
    for (qsizetype group = 0; group < groups.size(); ++group) {
        const QList<qsizetype>& members = groups.at(group);
        QStringList items;
        for (const qsizetype index : members)
            items.append(itemOf(urls.at(index)));
        if (!applications.at(group).isEmpty() && opener().openWithApplication(applications.at(group), items))
            continue;
        for (const qsizetype index : members) {
            if (!openWithDefault(urls.at(index)))
                unopened.append(index);
        }
    }
    std::sort(unopened.begin(), unopened.end());
    return unopened;
}

ItemOpener* setItemOpener(ItemOpener* replacement)
{
    std::lock_guard lock(openerMutex);
    std::swap(installedOpener, replacement);
    return replacement;
}

bool openURL(const URL& url, const QString& application, bool deactivate)
{
    Q_UNUSED(deactivate)
    if (url.isNull() || (url.isFileURL() && url.path().isEmpty()))
        return false;
    if (application.isEmpty())
        return openWithDefault(url);
    const DesktopEntry entry = desktopEntryForApplicationName(application);
    if (entry.isNull())
        return false;
    return opener().openWithApplication(entry.path(), {itemOf(url)});
}

bool openURL(const URL& url, bool deactivate)
{
    return openURL(url, QString(), deactivate);
}

bool openURLWithApplication(const URL& url, const QString& application)
{
    return openURL(url, application, true);
}

bool openURLs(const QList<URL>& urls, const QString& application, bool deactivate)
{
    Q_UNUSED(deactivate)
    if (urls.isEmpty())
        return false;
    if (!application.isEmpty()) {
        const DesktopEntry entry = desktopEntryForApplicationName(application);
        if (entry.isNull())
            return false;
        QStringList items;
        for (const URL& url : urls) {
            if (!url.isNull())
                items.append(itemOf(url));
        }
        return !items.isEmpty() && opener().openWithApplication(entry.path(), items);
    }
    return openURLsWithDefaults(urls).isEmpty();
}

bool openURL(const URL& url, const QString& application, bool deactivate, const QString& searchString)
{
    Q_UNUSED(searchString)
    return openURL(url, application, deactivate);
}

} // namespace sorvant
