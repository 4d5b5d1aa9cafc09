#include "system/update_check.h"

#include "platform/property_list.h"
#include "platform/url.h"
#include "platform/user_defaults.h"
#include "system/alert_presenter.h"
#include "system/bundle.h"
#include "system/host_information.h"
#include "system/opening.h"
#include "system/version_numbers.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace sorvant {

namespace {

// The largest list accepted; a real one is a few hundred bytes.
constexpr qint64 kMaximumListSize = 1 << 20;

// The body of a finished reply; null with `reason` set when it failed.
// Deletes the reply.
QByteArray replyBody(QNetworkReply* reply, QString* reason)
{
    QByteArray body;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError)
        *reason = reply->errorString();
    else if (status != 200)
        *reason = QStringLiteral("The server answered %1.").arg(status);
    else
        body = reply->readAll();
    reply->deleteLater();
    return body;
}

QByteArray download(const URL& url, int timeoutMs, QString* reason)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl(url.absoluteString(), QUrl::StrictMode));
    request.setTransferTimeout(timeoutMs);
    QNetworkReply* reply = manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64) {
        if (received > kMaximumListSize)
            reply->abort();
    });
    QTimer::singleShot(timeoutMs, &loop, [reply] { reply->abort(); });
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return replyBody(reply, reason);
}

} // namespace

QString updateServer()
{
    const QVariant value = UserDefaults::standardUserDefaults().objectForKey(QStringLiteral("UpdateServerURL"));
    return value.typeId() == QMetaType::QString ? value.toString().trimmed() : QString();
}

URL updatesURL(const Bundle& bundle, const QString& server)
{
    QString base = server;
    while (base.endsWith(u'/'))
        base.chop(1);
    if (base.isEmpty())
        return {};
    const QString product = bundle.localizedBundleName().replace(u' ', u'+');
    const QString version = bundle.bundleVersion();
    const URL withIdentifier = URL::URLWithString(
        QStringLiteral("%1/Updates.plist?product=%2&version=%3&uid=%4").arg(base, product, version,
                                                                            uniqueDeviceIdentifier()));
    if (!withIdentifier.isNull())
        return withIdentifier;
    return URL::URLWithString(QStringLiteral("%1/Updates.plist?product=%2&version=%3").arg(base, product, version));
}

namespace {

// The request's address, or null with the reason in `result`.
URL requestURL(const UpdateCheckOptions& options, UpdateCheckResult& result)
{
    const Bundle& bundle = Bundle::mainBundle();
    result.runningVersion = bundle.bundleVersion();
    const QString server = options.server.isNull() ? updateServer() : options.server;
    if (server.isEmpty()) {
        result.reason = localizedToolkitString(QStringLiteral("No update server is set."));
        return {};
    }
    const URL url = updatesURL(bundle, server);
    if (url.isNull())
        result.reason = localizedToolkitString(QStringLiteral("The update server's address is not valid."));
    return url;
}

// Reads the downloaded list into `result` and compares the versions.
void readUpdateList(const QByteArray& body, UpdateCheckResult& result)
{
    const Bundle& bundle = Bundle::mainBundle();
    const QVariant list = propertyListFromData(body);
    if (list.typeId() != QMetaType::QVariantMap) {
        result.reason = localizedToolkitString(QStringLiteral("The server's answer could not be read."));
        return;
    }
    const QVariantMap entries = list.toMap();
    const QVariant latest = entries.value(bundle.bundleName());
    const QVariant downloadURL = entries.value(QStringLiteral("Download"));
    if (latest.typeId() != QMetaType::QString) {
        result.reason = localizedToolkitString(QStringLiteral("The server does not list this application."));
        return;
    }
    result.latestVersion = latest.toString();
    if (downloadURL.typeId() == QMetaType::QString)
        result.downloadURL = downloadURL.toString();
    if (result.runningVersion.isEmpty()) {
        result.reason = localizedToolkitString(QStringLiteral("The running version is not known."));
        return;
    }
    result.status = compareToVersionNumber(result.latestVersion, result.runningVersion) > 0
        ? UpdateStatus::NewVersion : UpdateStatus::UpToDate;
}

} // namespace

UpdateCheckResult fetchUpdateStatus(const UpdateCheckOptions& options)
{
    UpdateCheckResult result;
    const URL url = requestURL(options, result);
    if (url.isNull())
        return result;
    const QByteArray body = download(url, options.timeoutMs, &result.reason);
    if (result.reason.isEmpty())
        readUpdateList(body, result);
    return result;
}

void fetchUpdateStatus(const UpdateCheckOptions& options, QObject* context,
                       std::function<void(const UpdateCheckResult&)> done)
{
    auto result = std::make_shared<UpdateCheckResult>();
    const URL url = requestURL(options, *result);
    if (url.isNull()) {
        QMetaObject::invokeMethod(context, [result, done] { done(*result); }, Qt::QueuedConnection);
        return;
    }
    // The manager lives until the answer is read; nothing waits for it.
    auto* manager = new QNetworkAccessManager(context);
    QNetworkRequest request(QUrl(url.absoluteString(), QUrl::StrictMode));
    request.setTransferTimeout(options.timeoutMs);
    QNetworkReply* reply = manager->get(request);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaximumListSize)
            reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, context, [reply, manager, result, done] {
        const QByteArray body = replyBody(reply, &result->reason);
        if (result->reason.isEmpty())
            readUpdateList(body, *result);
        manager->deleteLater();
        done(*result);
    });
}

bool presentUpdateStatus(const UpdateCheckResult& result)
{
    const QString name = Bundle::mainBundle().bundleName();
    AlertRequest alert;
    switch (result.status) {
    case UpdateStatus::NewVersion:
        if (result.downloadURL.isNull())
            return true;
        alert.messageText = localizedToolkitString(QStringLiteral("A New Version is Available"));
        alert.informativeText = localizedToolkitString(
            QStringLiteral("A new version of %1 is available (%2). Would you like to download the new version now?"))
                                    .arg(name, result.latestVersion);
        alert.defaultButton = localizedToolkitString(QStringLiteral("Download"));
        alert.alternateButton = localizedToolkitString(QStringLiteral("Cancel"));
        if (runAlert(alert) == 1) {
            const URL url = URL::URLWithString(result.downloadURL);
            if (!url.isNull())
                openURL(url, true);
        }
        return true;
    case UpdateStatus::UpToDate:
        alert.messageText = localizedToolkitString(QStringLiteral("Your software is up-to-date"));
        alert.informativeText = localizedToolkitString(QStringLiteral("You are running %1 %2. No newer version was found."))
                                    .arg(name, result.runningVersion);
        break;
    case UpdateStatus::CannotCheck:
        alert.messageText = localizedToolkitString(QStringLiteral("Cannot Check for Updates"));
        alert.informativeText = localizedToolkitString(QStringLiteral("%1 could not check for a newer version. %2"))
                                    .arg(name, result.reason);
        break;
    }
    alert.defaultButton = localizedToolkitString(QStringLiteral("OK"));
    runAlert(alert);
    return false;
}

bool checkForNewVersion(const UpdateCheckOptions& options)
{
    return presentUpdateStatus(fetchUpdateStatus(options));
}

} // namespace sorvant
