#include "web/url/url_session.h"

#include "foundation/string_format.h"
#include "platform/atomic_file.h"
#include "platform/log.h"
#include "platform/mime_database.h"
#include "web/url/url_predicates.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <exception>
#include <limits>
#include <mutex>

namespace sorvant {

// --- cookies --------------------------------------------------------------------------------

struct URLSessionConfiguration::CookieStore {
    std::mutex mutex;
    QList<QNetworkCookie> cookies;
};

namespace {

// A jar over a store that several threads share: each manager gets its own
// jar (a QObject of its thread) and every read and write goes through the
// store's lock.
class StoreCookieJar : public QNetworkCookieJar
{
public:
    explicit StoreCookieJar(std::shared_ptr<URLSessionConfiguration::CookieStore> store, QObject* parent)
        : QNetworkCookieJar(parent), m_store(std::move(store))
    {
    }

    QList<QNetworkCookie> cookiesForUrl(const QUrl& url) const override
    {
        const std::lock_guard lock(m_store->mutex);
        const_cast<StoreCookieJar*>(this)->setAllCookies(m_store->cookies);
        return QNetworkCookieJar::cookiesForUrl(url);
    }

    bool setCookiesFromUrl(const QList<QNetworkCookie>& cookies, const QUrl& url) override
    {
        const std::lock_guard lock(m_store->mutex);
        setAllCookies(m_store->cookies);
        const bool added = QNetworkCookieJar::setCookiesFromUrl(cookies, url);
        m_store->cookies = allCookies();
        return added;
    }

private:
    std::shared_ptr<URLSessionConfiguration::CookieStore> m_store;
};

std::shared_ptr<URLSessionConfiguration::CookieStore> sharedCookieStore()
{
    static const auto store = std::make_shared<URLSessionConfiguration::CookieStore>();
    return store;
}

// The HTTP cache of default sessions, below the user's cache folder.
QString cacheDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/sorvant/http");
}

bool isOnMainThread()
{
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

URLError makeError(qint64 code, const QString& description)
{
    return URLError{code, NSURLErrorDomain, description};
}

// The URL-loading code of a transport failure of `reply`; 0 when the reply
// failed only by its HTTP status, which is a response and not an error.
qint64 transportErrorCode(const QNetworkReply& reply, bool isHTTPResponse)
{
    const QNetworkReply::NetworkError error = reply.error();
    switch (error) {
    case QNetworkReply::NoError: return 0;
    case QNetworkReply::ConnectionRefusedError: return NSURLErrorCannotConnectToHost;
    case QNetworkReply::RemoteHostClosedError: return NSURLErrorNetworkConnectionLost;
    case QNetworkReply::HostNotFoundError: return NSURLErrorCannotFindHost;
    case QNetworkReply::TimeoutError: return NSURLErrorTimedOut;
    case QNetworkReply::OperationCanceledError: return NSURLErrorCancelled;
    case QNetworkReply::SslHandshakeFailedError: return NSURLErrorSecureConnectionFailed;
    case QNetworkReply::ProtocolUnknownError: return NSURLErrorUnsupportedURL;
    case QNetworkReply::ContentAccessDenied:
        return isHTTPResponse ? 0 : NSURLErrorNoPermissionsToReadFile;
    case QNetworkReply::ContentNotFoundError:
        return isHTTPResponse ? 0 : NSURLErrorFileDoesNotExist;
    case QNetworkReply::ContentOperationNotPermittedError:
        return isHTTPResponse ? 0 : NSURLErrorFileIsDirectory;
    default:
        break;
    }
    // Content (2xx) and server (4xx) error ranges only mirror the status.
    if (isHTTPResponse && error >= QNetworkReply::ContentAccessDenied && error < QNetworkReply::ProtocolUnknownError)
        return 0;
    if (isHTTPResponse && error >= QNetworkReply::InternalServerError)
        return 0;
    return NSURLErrorBadServerResponse;
}

bool isRedirectStatus(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Redirects followed before the transfer fails, as browsers allow.
constexpr int kMaximumRedirects = 16;

// A local file is read whole into memory; QByteArray holds no more.
constexpr qint64 kMaximumFileSize = std::numeric_limits<int>::max() - 64;

bool isHTTPScheme(const QString& scheme)
{
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// A header line with a line break or NUL would end early on the wire and
// smuggle in lines of the caller's text: such fields are not sent.
bool isSafeHeaderText(const QString& text)
{
    return !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')) && !text.contains(QChar(0));
}

// Reads a local file for a file URL. Only regular files: the open does not
// wait (a FIFO would block until a writer came), and a pipe or device is
// refused rather than read without end. Answers the error code, 0 on success.
qint64 readLocalFile(const URL& url, QByteArray* data, QString* message)
{
    const QString path = url.path();
    switch (readRegularFile(path, kMaximumFileSize, data, message)) {
    case FileReadStatus::Read:
        return 0;
    case FileReadStatus::Missing:
        return NSURLErrorFileDoesNotExist;
    case FileReadStatus::NotRegular:
        return QFileInfo(path).isDir() ? NSURLErrorFileIsDirectory : NSURLErrorNoPermissionsToReadFile;
    case FileReadStatus::TooLarge:
    case FileReadStatus::Failed:
        break;
    }
    return NSURLErrorNoPermissionsToReadFile;
}

} // namespace

// --- the transfer engine --------------------------------------------------------------------

// Runs one DownloadRequestTask on the calling thread: a network access
// manager, one reply per request (redirects are followed by hand so the
// delegate can judge each), the inactivity time-out and the cancel poll.
class Transfer : public QObject
{
public:
    explicit Transfer(DownloadRequestTask& task) : m_task(task) {}

    void run()
    {
        QNetworkAccessManager manager;
        m_manager = &manager;
        manager.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
        const URLSessionConfiguration& configuration = m_task.m_configuration;
        manager.setCookieJar(new StoreCookieJar(configuration.cookieStore() ? configuration.cookieStore()
                                                                            : sharedCookieStore(),
                                                &manager));
        if (!configuration.isEphemeral()) {
            auto* cache = new QNetworkDiskCache(&manager);
            cache->setCacheDirectory(cacheDirectory());
            manager.setCache(cache);
        }

        m_idle.setSingleShot(true);
        connect(&m_idle, &QTimer::timeout, this, [this] {
            recordError(makeError(NSURLErrorTimedOut, QStringLiteral("The request timed out.")));
            abortReply();
        });
        QTimer poll;
        auto* canceller = dynamic_cast<DownloadCancelPolling*>(m_task.m_delegate);
        if (canceller) {
            poll.setInterval(500);
            connect(&poll, &QTimer::timeout, this, [this, canceller] {
                if (m_task.m_completed)
                    return;
                URLError error;
                if (canceller->shouldCancelURLSession(nullptr, nullptr, m_task.m_context, &error))
                    m_task.cancelTask(error.code != 0 ? &error : nullptr);
            });
            poll.start();
        }

        if (start(m_task.m_request))
            m_loop.exec();
        poll.stop();
        m_idle.stop();
        m_manager = nullptr;
    }

    void cancel(const URLError* error)
    {
        recordError(error ? *error : makeError(NSURLErrorCancelled, QStringLiteral("cancelled")));
        abortReply();
    }

private:
    bool start(const URLRequest& request)
    {
        const URL& url = request.url();
        const QString scheme = url.scheme().toLower();
        if (scheme == QLatin1String("file"))
            return startFile(url);
        if (!isHTTPScheme(scheme)) {
            recordError(makeError(NSURLErrorUnsupportedURL, QStringLiteral("unsupported URL")));
            complete();
            return false;
        }
        QNetworkRequest networkRequest(QUrl::fromEncoded(url.absoluteString().toUtf8(), QUrl::StrictMode));
        for (const auto& [name, value] : request.allHTTPHeaderFields()) {
            if (isSafeHeaderText(name) && isSafeHeaderText(value))
                networkRequest.setRawHeader(name.toLatin1(), value.toUtf8());
            else
                logWarning(QStringLiteral("The header field \"%1\" holds a line break and is not sent").arg(name));
        }
        if (!request.HTTPShouldHandleCookies()) {
            networkRequest.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
            networkRequest.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
        }
        static constexpr QNetworkRequest::CacheLoadControl kCacheControls[] = {
            QNetworkRequest::PreferNetwork, QNetworkRequest::AlwaysNetwork, QNetworkRequest::PreferCache};
        const int policy = request.cachePolicy();
        networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                                    policy >= 0 && policy <= 2 ? kCacheControls[policy] : kCacheControls[0]);
        networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);

        m_requestURL = url;
        m_responseSeen = false;
        const QByteArray method = request.HTTPMethod().toLatin1();
        if (method == "GET")
            m_reply = m_manager->get(networkRequest);
        else if (request.HTTPBody().isEmpty())
            m_reply = m_manager->sendCustomRequest(networkRequest, method);
        else
            m_reply = m_manager->sendCustomRequest(networkRequest, method, request.HTTPBody());
        QNetworkReply* reply = m_reply;
        connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] { onMetaData(reply); });
        connect(reply, &QNetworkReply::readyRead, this, [this, reply] { onReadyRead(reply); });
        connect(reply, &QNetworkReply::finished, this, [this, reply] { onFinished(reply); });
        connect(reply, &QNetworkReply::downloadProgress, this, [this] { restartIdle(); });
        connect(reply, &QNetworkReply::uploadProgress, this, [this] { restartIdle(); });
        restartIdle();
        return true;
    }

    // A file URL is read here rather than by the access manager, whose
    // blocking open would stop the event loop on a FIFO. The delegate sees
    // the response and the data as it would for a transfer; answers false
    // (nothing to wait for).
    bool startFile(const URL& url)
    {
        m_requestURL = url;
        QByteArray data;
        QString message;
        const qint64 code = readLocalFile(url, &data, &message);
        if (code != 0) {
            recordError(makeError(code, message));
            complete();
            return false;
        }
        m_responseSeen = true;
        const QString name = url.lastPathComponent();
        m_task.m_response = URLResponse::responseWithURL(
            url, mimeTypeOfFileName(name), data.size());
        acceptResponse();
        if (!m_stopped && !data.isEmpty())
            acceptData(data);
        complete();
        return false;
    }

    void acceptResponse()
    {
        if (auto* acceptance = dynamic_cast<DownloadResponseAcceptance*>(m_task.m_delegate)) {
            URLError error;
            if (!acceptance->acceptResponse(nullptr, &m_task, m_task.m_response, m_task.m_context, &error))
                m_task.cancelTask(error.code != 0 ? &error : nullptr);
        }
    }

    void acceptData(const QByteArray& chunk)
    {
        m_task.m_data.append(chunk);
        if (auto* acceptance = dynamic_cast<DownloadDataAcceptance*>(m_task.m_delegate)) {
            URLError error;
            if (!acceptance->shouldContinueDownloadingRequest(nullptr, &m_task, m_task.m_request, m_task.m_data,
                                                              m_task.m_context, &error))
                m_task.cancelTask(error.code != 0 ? &error : nullptr);
        }
    }

    void restartIdle()
    {
        const double seconds = m_task.m_request.timeoutInterval();
        if (seconds > 0)
            m_idle.start(static_cast<int>(std::min(seconds * 1000.0, 2.0e9)));
    }

    bool isCurrent(QNetworkReply* reply) const { return reply == m_reply && !m_stopped; }

    static QList<QPair<QString, QString>> headersOf(const QNetworkReply& reply)
    {
        QList<QPair<QString, QString>> headers;
        for (const auto& [name, value] : reply.rawHeaderPairs())
            headers.append({QString::fromLatin1(name), QString::fromUtf8(value)});
        return headers;
    }

    URLResponse responseOf(const QNetworkReply& reply) const
    {
        const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid())
            return URLResponse::HTTPResponseWithURL(m_requestURL, status.toInt(), headersOf(reply));
        const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
        const QString name = m_requestURL.lastPathComponent();
        return URLResponse::responseWithURL(m_requestURL, mimeTypeOfFileName(name),
                                            length.isValid() ? length.toLongLong() : -1);
    }

    // The response (once per request); a redirect starts the next request.
    void onMetaData(QNetworkReply* reply)
    {
        if (!isCurrent(reply) || m_responseSeen)
            return;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QVariant target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute);
        if (isRedirectStatus(status) && target.isValid()) {
            m_responseSeen = true;
            redirect(reply, status, target.toUrl());
            return;
        }
        m_responseSeen = true;
        m_task.m_response = responseOf(*reply);
        acceptResponse();
    }

    void redirect(QNetworkReply* reply, int status, const QUrl& target)
    {
        URLRequest next = m_task.m_request;
        const QUrl resolved = reply->url().resolved(target);
        next.setURL(URL::URLWithString(QString::fromUtf8(resolved.toEncoded())));
        // As browsers do: a 303, and a 301 or 302 after a POST, fetch with GET.
        if (status == 303 || ((status == 301 || status == 302) && next.HTTPMethod() == QLatin1String("POST"))) {
            next.setHTTPMethod(QStringLiteral("GET"));
            next.setHTTPBody(QByteArray());
        }
        m_task.m_response = URLResponse::HTTPResponseWithURL(m_requestURL, status, headersOf(*reply));
        m_reply = nullptr; // the old reply's remaining signals are ignored
        reply->abort();
        reply->deleteLater();
        if (next.url().isNull()) {
            recordError(makeError(NSURLErrorRedirectToNonExistentLocation, QStringLiteral("bad redirect target")));
            complete();
            return;
        }
        // A server may send us to another web address, never to a local file
        // or another scheme the caller did not choose.
        if (!isHTTPScheme(next.url().scheme().toLower())) {
            recordError(makeError(NSURLErrorUnsupportedURL,
                                  QStringLiteral("A redirect to %1 is refused").arg(next.url().absoluteString())));
            complete();
            return;
        }
        if (auto* acceptance = dynamic_cast<DownloadRedirectAcceptance*>(m_task.m_delegate)) {
            URLError error;
            if (!acceptance->acceptRedirectResponse(nullptr, &m_task, m_task.m_response, next, m_task.m_context,
                                                    &error)) {
                m_task.cancelTask(error.code != 0 ? &error : nullptr);
                return;
            }
        }
        if (++m_redirects > kMaximumRedirects) {
            recordError(makeError(NSURLErrorHTTPTooManyRedirects, QStringLiteral("too many redirects")));
            complete();
            return;
        }
        // Only a redirect that is followed becomes the task's request: a
        // refused one must not be reported as where the download went.
        m_task.m_request = next;
        start(next);
    }

    void onReadyRead(QNetworkReply* reply)
    {
        if (!isCurrent(reply))
            return;
        if (!m_responseSeen)
            onMetaData(reply);
        if (!isCurrent(reply))
            return;
        const QByteArray chunk = reply->readAll();
        if (!chunk.isEmpty())
            acceptData(chunk);
    }

    void onFinished(QNetworkReply* reply)
    {
        if (reply != m_reply)
            return; // a request left behind by a redirect
        if (!m_stopped) {
            onReadyRead(reply);
            if (!m_responseSeen && reply->error() == QNetworkReply::NoError)
                onMetaData(reply);
        }
        if (!m_stopped) {
            const bool isHTTP = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
            const qint64 code = transportErrorCode(*reply, isHTTP);
            if (code != 0)
                recordError(makeError(code, reply->errorString()));
        }
        m_reply = nullptr;
        reply->deleteLater();
        complete();
    }

    void recordError(const URLError& error)
    {
        if (m_task.m_error.code == 0)
            m_task.m_error = error;
    }

    void abortReply()
    {
        m_stopped = true;
        if (m_reply) {
            QNetworkReply* reply = m_reply;
            // Aborting from inside one of the reply's own signals is left to
            // the event loop; the flag above already stops all handling.
            QTimer::singleShot(0, reply, [reply] { reply->abort(); });
        } else {
            complete(); // between requests (a refused redirect): nothing left to wait for
        }
    }

    void complete()
    {
        m_task.m_completed = true;
        m_loop.quit();
    }

    DownloadRequestTask& m_task;
    QNetworkAccessManager* m_manager = nullptr;
    QNetworkReply* m_reply = nullptr;
    QEventLoop m_loop;
    QTimer m_idle;
    URL m_requestURL;
    int m_redirects = 0;
    bool m_responseSeen = false;
    bool m_stopped = false;
};

// --- configurations and sessions ----------------------------------------------------------------

URLSessionConfiguration URLSessionConfiguration::defaultSessionConfiguration()
{
    URLSessionConfiguration configuration;
    configuration.m_cookies = sharedCookieStore();
    return configuration;
}

URLSessionConfiguration URLSessionConfiguration::ephemeralSessionConfiguration()
{
    URLSessionConfiguration configuration;
    configuration.m_ephemeral = true;
    configuration.m_cookies = std::make_shared<CookieStore>();
    return configuration;
}

URLSession::URLSession(URLSessionConfiguration configuration) : m_configuration(std::move(configuration)) {}

std::unique_ptr<URLSession> URLSession::defaultSession()
{
    return std::make_unique<URLSession>(URLSessionConfiguration::defaultSessionConfiguration());
}

std::unique_ptr<URLSession> URLSession::ephemeralSession()
{
    return std::make_unique<URLSession>(URLSessionConfiguration::ephemeralSessionConfiguration());
}

QByteArray URLSession::sendSynchronousRequest(const URLRequest& request, URLResponse* response, URLError* error)
{
    if (response)
        *response = URLResponse();
    if (error)
        *error = URLError();
    try {
        if (m_invalidated) {
            if (error)
                *error = makeError(NSURLErrorCancelled, QStringLiteral("the session is invalidated"));
            return QByteArray();
        }
        DownloadRequestTask task(m_configuration, request, nullptr, nullptr);
        task.resume();
        if (response)
            *response = task.response();
        if (error)
            *error = task.error();
        if (task.error().code != 0)
            return QByteArray();
        return task.data().isNull() ? QByteArray("") : task.data();
    } catch (const std::exception& exception) {
        logException(QStringLiteral("sendSynchronousRequest:returningResponse:error:"), QStringLiteral("URLSession"),
                     exception);
        if (response)
            *response = URLResponse();
        if (error)
            *error = URLError();
        return QByteArray();
    }
}

QByteArray sendSynchronousRequest(const URLRequest& request, URLResponse* response, URLError* error)
{
    return URLSession::defaultSession()->sendSynchronousRequest(request, response, error);
}

QByteArray sendThumbnailRequest(const URL& url, const QString& referrer)
{
    if (url.isNull())
        return QByteArray();
    const URLRequest request =
        requestWithURL(url, referrer, downloadsUserAgent(), NSURLRequestReturnCacheDataElseLoad);
    URLResponse response;
    URLError error;
    const QByteArray data = sendSynchronousRequest(request, &response, &error);
    // An error page is no picture: HTTP statuses of 400 and more are refused
    // as well as errors with such codes.
    if (data.isEmpty() || error.code >= 400 || response.statusCode() >= 400)
        return QByteArray();
    return data;
}

// --- the task ------------------------------------------------------------------------------------

DownloadRequestTask::DownloadRequestTask(URLSessionConfiguration configuration, const URLRequest& request,
                                         DownloadRequestTaskDelegate* delegate, void* context)
    : m_configuration(std::move(configuration)), m_request(request), m_delegate(delegate), m_context(context)
{
}

DownloadRequestTask::~DownloadRequestTask() = default;

void DownloadRequestTask::resume()
{
    if (m_completed || m_transfer)
        return;
    if (isOnMainThread()) {
        logWarning(QStringLiteral("Assertion failed: ![NSThread isMainThread] (Classes/NSURLRequest+, line 341): "
                                  "a synchronous transfer must not block the main thread"));
        m_error = makeError(NSURLErrorUnknown, QStringLiteral("synchronous transfer on the main thread"));
        m_completed = true;
        return;
    }
    Transfer transfer(*this);
    m_transfer = &transfer;
    transfer.run();
    m_transfer = nullptr;
    m_completed = true;
}

void DownloadRequestTask::cancelTask(const URLError* error)
{
    if (m_transfer)
        m_transfer->cancel(error);
    else if (m_error.code == 0)
        m_error = error ? *error : makeError(NSURLErrorCancelled, QStringLiteral("cancelled"));
}

// --- the all-in-one download ----------------------------------------------------------------------

QByteArray downloadSynchronousUsingReferrer(const URL& url, const QVariant& referrer, const QString& userAgent,
                                            const QVariant& httpPost, StringEncoding encoding, QString* MIMEType,
                                            QString* encodingName, QString* lastModifiedOut, qint64* statusCode,
                                            URL* forward, URLError* error, qint64* expectedContentLength,
                                            DownloadRequestTaskDelegate* delegate, void* context,
                                            bool shouldUseCache, bool shouldHandleCookies, double timeout,
                                            const QString& method)
{
    URLResponse response;
    URLRequest finalRequest;
    URLError transferError;
    QByteArray data;
    bool hasFinalRequest = false;
    const URLRequest request = isLoadableURL(url)
                                   ? downloadRequestWithURL(url, referrer, userAgent, httpPost, encoding, method,
                                                            shouldUseCache, shouldHandleCookies, timeout)
                                   : URLRequest();
    if (request.url().isNull()) {
        logMessage(formatString(QStringLiteral("Invalid download: %@"), url.absoluteString()));
    } else if (!forward && !delegate) {
        auto session = URLSession::defaultSession();
        data = session->sendSynchronousRequest(request, &response, &transferError);
        session->invalidateAndCancel();
    } else {
        DownloadRequestTask task(URLSessionConfiguration::defaultSessionConfiguration(), request, delegate, context);
        task.resume();
        response = task.response();
        finalRequest = task.request();
        transferError = task.error();
        data = task.data();
        hasFinalRequest = true;
    }
    if (MIMEType)
        *MIMEType = response.isNull() ? QString() : response.MIMEType();
    if (encodingName)
        *encodingName = response.textEncodingName();
    if (lastModifiedOut)
        *lastModifiedOut = lastModified(response);
    if (statusCode)
        *statusCode = response.statusCode();
    if (forward) {
        const bool moved = hasFinalRequest && !finalRequest.url().isNull() && !(finalRequest.url() == request.url());
        *forward = moved ? finalRequest.url() : URL();
    }
    if (error)
        *error = transferError;
    if (expectedContentLength)
        *expectedContentLength = response.isNull() ? -1 : response.expectedContentLength();
    return data;
}

} // namespace sorvant
