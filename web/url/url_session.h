#pragma once
// Synchronous HTTP (and file) transfers: a plain send that hands back the
// body, response and error; DownloadRequestTask, one transfer whose delegate
// may accept redirects, responses and data or cancel; and the all-in-one
// download that picks between them and reports through out-parameters.
//
// Every transfer blocks its calling thread, which must not be the
// application's main thread: a call from there logs a warning and fails.
// The transfer runs on the calling thread's own event loop (a network access
// manager made for it), so delegate calls come on that thread too.
//
// Schemes: "http", "https" and "file". Other schemes (among them "ftp") fail
// with NSURLErrorUnsupportedURL. HTTP statuses are not errors: a 404 is a
// response with its body; errors are transport failures (refused, lost,
// timed out, cancelled, missing file).

#include "web/url/url_errors.h"
#include "web/url/url_request.h"

#include <QByteArray>
#include <memory>

namespace sorvant {

class DownloadRequestTask;
class URLSession;

// --- configurations and sessions ------------------------------------------------------------

// A default configuration shares the process's cookies and the HTTP cache in
// the user's cache folder; an ephemeral one keeps its cookies to itself and
// caches nothing on disk.
class URLSessionConfiguration
{
public:
    static URLSessionConfiguration defaultSessionConfiguration();
    static URLSessionConfiguration ephemeralSessionConfiguration();

    [[nodiscard]] bool isEphemeral() const { return m_ephemeral; }

    struct CookieStore;
    [[nodiscard]] const std::shared_ptr<CookieStore>& cookieStore() const { return m_cookies; }

private:
    bool m_ephemeral = false;
    std::shared_ptr<CookieStore> m_cookies;
};

class URLSession
{
public:
    explicit URLSession(URLSessionConfiguration configuration);

    // A new session with the default configuration on every call.
    static std::unique_ptr<URLSession> defaultSession();
    // A new session with its own ephemeral configuration.
    static std::unique_ptr<URLSession> ephemeralSession();

    [[nodiscard]] const URLSessionConfiguration& configuration() const { return m_configuration; }

    // Runs the request to its end. The body is null when the transfer
    // failed; `response` and `error` are filled when given (cleared first).
    QByteArray sendSynchronousRequest(const URLRequest& request, URLResponse* response, URLError* error);

    // Ends the session: later sends fail with NSURLErrorCancelled.
    void invalidateAndCancel() { m_invalidated = true; }

private:
    URLSessionConfiguration m_configuration;
    bool m_invalidated = false;
};

// sendSynchronousRequest on a new default session.
QByteArray sendSynchronousRequest(const URLRequest& request, URLResponse* response, URLError* error);

// A picture for a thumbnail: the downloads user agent, any cached copy;
// null for a null URL, no data, a transfer error or an HTTP status of 400
// or more.
[[nodiscard]] QByteArray sendThumbnailRequest(const URL& url, const QString& referrer);

// --- the download task and its delegate ----------------------------------------------------
// A delegate implements the hooks it needs; the task finds them with
// dynamic_cast. Each hook gets an error that is empty on entry; the error it
// leaves there becomes the task's error when it asks to cancel.

class DownloadRequestTaskDelegate
{
public:
    virtual ~DownloadRequestTaskDelegate() = default;
};

// Asked every 0.5 s while the transfer runs (session and task are null).
class DownloadCancelPolling
{
public:
    virtual ~DownloadCancelPolling() = default;
    virtual bool shouldCancelURLSession(URLSession* session, DownloadRequestTask* task, void* context,
                                        URLError* error) = 0;
};

// Asked for each redirect; false cancels.
class DownloadRedirectAcceptance
{
public:
    virtual ~DownloadRedirectAcceptance() = default;
    virtual bool acceptRedirectResponse(URLSession* session, DownloadRequestTask* task,
                                        const URLResponse& redirectResponse, const URLRequest& newRequest,
                                        void* context, URLError* error) = 0;
};

// Asked once the final response has arrived; false cancels.
class DownloadResponseAcceptance
{
public:
    virtual ~DownloadResponseAcceptance() = default;
    virtual bool acceptResponse(URLSession* session, DownloadRequestTask* task, const URLResponse& response,
                                void* context, URLError* error) = 0;
};

// Asked after each chunk with everything received so far; false cancels.
class DownloadDataAcceptance
{
public:
    virtual ~DownloadDataAcceptance() = default;
    virtual bool shouldContinueDownloadingRequest(URLSession* session, DownloadRequestTask* task,
                                                  const URLRequest& request, const QByteArray& receivedData,
                                                  void* context, URLError* error) = 0;
};

// One transfer, made, resumed once, then read. The delegate is not owned
// and may be null; the context is handed back to every delegate call.
class DownloadRequestTask
{
public:
    DownloadRequestTask(URLSessionConfiguration configuration, const URLRequest& request,
                        DownloadRequestTaskDelegate* delegate, void* context);
    ~DownloadRequestTask();
    DownloadRequestTask(const DownloadRequestTask&) = delete;
    DownloadRequestTask& operator=(const DownloadRequestTask&) = delete;

    // Runs the transfer to its end on the calling thread.
    void resume();
    // Cancels the running transfer and records `error` (the cancellation
    // error when null) unless an error is recorded already.
    void cancelTask(const URLError* error);

    // The body received so far; null until the first chunk.
    [[nodiscard]] const QByteArray& data() const { return m_data; }
    [[nodiscard]] const URLSessionConfiguration& configuration() const { return m_configuration; }
    void setConfiguration(const URLSessionConfiguration& configuration) { m_configuration = configuration; }
    // The request, replaced by the new one at each redirect.
    [[nodiscard]] const URLRequest& request() const { return m_request; }
    void setRequest(const URLRequest& request) { m_request = request; }
    // The last response or redirect response; null before any.
    [[nodiscard]] const URLResponse& response() const { return m_response; }
    void setResponse(const URLResponse& response) { m_response = response; }
    // The error; code 0 when there is none.
    [[nodiscard]] const URLError& error() const { return m_error; }
    void setError(const URLError& error) { m_error = error; }

private:
    friend class Transfer;

    URLSessionConfiguration m_configuration;
    URLRequest m_request;
    URLResponse m_response;
    URLError m_error;
    QByteArray m_data;
    DownloadRequestTaskDelegate* m_delegate = nullptr;
    void* m_context = nullptr;
    class Transfer* m_transfer = nullptr; // set while resume() runs
    bool m_completed = false;
};

// --- the all-in-one download ------------------------------------------------------------------

// Downloads a loadable URL (isLoadableURL) with a request built by
// downloadRequestWithURL from the arguments, and answers the body (null when
// nothing arrived). Every out-parameter may be null. With neither `forward`
// nor `delegate` a plain send is made; otherwise a DownloadRequestTask, and
// `forward` receives the final URL when redirects changed it. The status is
// 0 and the expected length -1 without a response. A URL that cannot be
// loaded logs "Invalid download: <url>" and answers null.
QByteArray downloadSynchronousUsingReferrer(const URL& url, const QVariant& referrer, const QString& userAgent,
                                            const QVariant& httpPost, StringEncoding encoding, QString* MIMEType,
                                            QString* encodingName, QString* lastModified, qint64* statusCode,
                                            URL* forward, URLError* error, qint64* expectedContentLength,
                                            DownloadRequestTaskDelegate* delegate, void* context,
                                            bool shouldUseCache, bool shouldHandleCookies, double timeout,
                                            const QString& method);

} // namespace sorvant
