#include "app/application_service.h"

#include "app/application_delegate.h"
#include "app/search_window.h"
#include "interface/application.h"
#include "platform/file_system_representation.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QUrl>

namespace sorvant {

namespace {

class FreedesktopApplicationAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit FreedesktopApplicationAdaptor(ApplicationService* service)
        : QDBusAbstractAdaptor(service), m_service(service)
    {
    }
public slots:
    void Activate(const QVariantMap&) { m_service->activate(); }
    void Open(const QStringList& uris, const QVariantMap&) { m_service->open(uris); }
    void ActivateAction(const QString& name, const QVariantList& parameter, const QVariantMap&)
    {
        const QString value = parameter.isEmpty() ? QString() : parameter.constFirst().value<QDBusVariant>().variant().toString();
        if (name == u"search-in-folder")
            m_service->searchInFolder(value);
        else if (name == u"search-for-text")
            m_service->searchForText(value);
        else
            m_service->activate();
    }

private:
    ApplicationService* m_service;
};

class SearchAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tarrenbeck.Sorvant.Search")
public:
    explicit SearchAdaptor(ApplicationService* service) : QDBusAbstractAdaptor(service), m_service(service) {}
public slots:
    void SearchInFolder(const QString& value) { m_service->searchInFolder(value); }
    void SearchForText(const QString& text) { m_service->searchForText(text); }
    QStringList ResultPaths() { return m_service->resultPaths(); }
    QStringList ResultStoredPaths() { return m_service->resultStoredPaths(); }

private:
    ApplicationService* m_service;
};

} // namespace

QString servicesFolder(const QString& value)
{
    if (value.startsWith(u"file:", Qt::CaseInsensitive)) {
        const QUrl url(value.trimmed());
        if (url.isLocalFile())
            return pathOfFileURL(url);
    }
    QStringList names = value.split(u'\n');
    if (!names.isEmpty() && names.constLast().isEmpty())
        names.removeLast();
    return names.size() == 1 ? names.constFirst() : value;
}

ApplicationService::ApplicationService(ApplicationDelegate& delegate, QObject* parent)
    : QObject(parent), m_delegate(delegate)
{
    new FreedesktopApplicationAdaptor(this);
    new SearchAdaptor(this);
}

bool ApplicationService::registerOnSessionBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    if (bus.interface()->registerService(QString::fromLatin1(kApplicationBusName),
                                         QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement)
        != QDBusConnectionInterface::ServiceRegistered)
        return false;
    return bus.registerObject(QString::fromLatin1(kApplicationObjectPath), this);
}

bool ApplicationService::forwardToRunningInstance(const LaunchRequest& request)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(QString::fromLatin1(kApplicationBusName)))
        return false;
    const auto call = [&](const char* interface, const char* method, const QVariantList& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QString::fromLatin1(kApplicationBusName), QString::fromLatin1(kApplicationObjectPath),
            QString::fromLatin1(interface), QString::fromLatin1(method));
        message.setArguments(arguments);
        return bus.call(message, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
    };
    bool delivered = true;
    if (!request.phrase.isNull())
        delivered = call(kApplicationSearchInterface, "SearchForText", {request.phrase}) && delivered;
    // A path goes as its file URL, fully escaped: a bus string is UTF-8, and
    // a plain path would lose a trailing newline (a list of names, one a
    // line) or space to the service's reading. A URL goes as it is.
    if (!request.folder.isNull()) {
        const QString folder = request.folder.startsWith(u'/')
                                   ? fileURLWithRepresentation(request.folder).toString(QUrl::FullyEncoded)
                                   : request.folder;
        delivered = call(kApplicationSearchInterface, "SearchInFolder", {folder}) && delivered;
    }
    if (request.phrase.isNull() && request.folder.isNull())
        delivered = call("org.freedesktop.Application", "Activate", {QVariantMap()});
    return delivered;
}

void ApplicationService::activate()
{
    if (!m_delegate.applicationOpenUntitledFile()) {
        if (SearchWindow* window = m_delegate.windows().value(m_delegate.windows().size() - 1)) {
            window->show();
            window->raise();
            window->activateWindow();
        }
    }
}

void ApplicationService::open(const QStringList& uris)
{
    for (const QString& uri : uris)
        m_delegate.search(QString(), servicesFolder(uri));
}

void ApplicationService::searchInFolder(const QString& value)
{
    m_delegate.search(QString(), servicesFolder(value));
}

void ApplicationService::searchForText(const QString& text)
{
    m_delegate.search(text, QString());
}

QStringList ApplicationService::resultPaths(QString (*form)(const QString& path)) const
{
    const QList<SearchWindow*> windows = m_delegate.windows();
    if (windows.isEmpty())
        return {};
    auto* front = qobject_cast<SearchWindow*>(mainWindow());
    SearchWindow* window = windows.contains(front) ? front : windows.constLast();
    QStringList paths;
    for (const ResultPointer& result : window->searchController().engine().dataSource().results())
        paths.append(form(result->fullPath()));
    return paths;
}

QStringList ApplicationService::resultPaths() const
{
    return resultPaths([](const QString& path) { return path; });
}

QStringList ApplicationService::resultStoredPaths() const
{
    return resultPaths(storedStringOfPath);
}

} // namespace sorvant

#include "application_service.moc"
