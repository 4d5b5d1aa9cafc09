#pragma once
// HTTP requests and responses as plain values, with the browser-like user
// agents, the request builders (referrer, user agent, cache policy, cookies,
// time-out, form-encoded POST body) and the accessors of the cache headers.
// Nothing here touches the network; url_session.h sends requests.
//
// Header names compare without regard to case, as HTTP says.

#include "platform/string_encoding.h"
#include "platform/url.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace sorvant {

// --- cache policies ---------------------------------------------------------------------

enum URLRequestCachePolicy : int {
    NSURLRequestUseProtocolCachePolicy = 0,      // the server's cache headers decide
    NSURLRequestReloadIgnoringLocalCacheData = 1, // always the network
    NSURLRequestReturnCacheDataElseLoad = 2,     // a cached copy, whatever its age, else the network
};

// --- requests ------------------------------------------------------------------------------

class URLRequest
{
public:
    URLRequest() = default;
    explicit URLRequest(const URL& url) : m_url(url) {}

    [[nodiscard]] const URL& url() const { return m_url; }
    void setURL(const URL& url) { m_url = url; }

    [[nodiscard]] int cachePolicy() const { return m_cachePolicy; }
    void setCachePolicy(int policy) { m_cachePolicy = policy; }

    // Seconds without progress before the transfer fails; 60 by default.
    [[nodiscard]] double timeoutInterval() const { return m_timeoutInterval; }
    void setTimeoutInterval(double seconds) { m_timeoutInterval = seconds; }

    [[nodiscard]] const QString& HTTPMethod() const { return m_method; }
    void setHTTPMethod(const QString& method) { m_method = method.isEmpty() ? QStringLiteral("GET") : method; }

    [[nodiscard]] const QByteArray& HTTPBody() const { return m_body; }
    void setHTTPBody(const QByteArray& body) { m_body = body; }

    [[nodiscard]] bool HTTPShouldHandleCookies() const { return m_handleCookies; }
    void setHTTPShouldHandleCookies(bool handle) { m_handleCookies = handle; }

    // The value of a header field; null when it is not set.
    [[nodiscard]] QString valueForHTTPHeaderField(const QString& field) const;
    // Sets a header field; a null value removes it.
    void setValue(const QString& value, const QString& field);
    [[nodiscard]] const QList<QPair<QString, QString>>& allHTTPHeaderFields() const { return m_headers; }

private:
    URL m_url;
    int m_cachePolicy = NSURLRequestUseProtocolCachePolicy;
    double m_timeoutInterval = 60.0;
    QString m_method = QStringLiteral("GET");
    QByteArray m_body;
    bool m_handleCookies = true;
    QList<QPair<QString, QString>> m_headers;
};

// --- responses -----------------------------------------------------------------------------

class URLResponse
{
public:
    URLResponse() = default;

    [[nodiscard]] bool isNull() const { return m_url.isNull(); }
    [[nodiscard]] bool isHTTP() const { return m_isHTTP; }

    [[nodiscard]] const URL& url() const { return m_url; }
    // The media type without parameters ("text/html").
    [[nodiscard]] const QString& MIMEType() const { return m_mimeType; }
    // The "charset" parameter of the content type; null without one.
    [[nodiscard]] const QString& textEncodingName() const { return m_encodingName; }
    // The length the server announced; -1 when it did not.
    [[nodiscard]] qint64 expectedContentLength() const { return m_expectedLength; }
    // The HTTP status; 0 for a response that is not HTTP.
    [[nodiscard]] qint64 statusCode() const { return m_isHTTP ? m_statusCode : 0; }
    // The header fields of an HTTP response, as received; empty otherwise.
    [[nodiscard]] const QList<QPair<QString, QString>>& allHeaderFields() const { return m_headers; }
    // A header field of an HTTP response; null when absent or not HTTP.
    [[nodiscard]] QString valueForHTTPHeaderField(const QString& field) const;

    // A response of a non-HTTP transfer (a file).
    static URLResponse responseWithURL(const URL& url, const QString& mimeType, qint64 expectedLength,
                                       const QString& encodingName = QString());
    // A response of an HTTP transfer; type, encoding and length are read
    // from its header fields.
    static URLResponse HTTPResponseWithURL(const URL& url, qint64 statusCode,
                                           const QList<QPair<QString, QString>>& headers);

private:
    URL m_url;
    QString m_mimeType;
    QString m_encodingName;
    qint64 m_expectedLength = -1;
    qint64 m_statusCode = 0;
    bool m_isHTTP = false;
    QList<QPair<QString, QString>> m_headers;
};

// "Content-Type", "Last-Modified" and "ETag" (else "Etag") of an HTTP
// response; null for any other response.
[[nodiscard]] QString contentType(const URLResponse& response);
[[nodiscard]] QString lastModified(const URLResponse& response);
[[nodiscard]] QString ETag(const URLResponse& response);

// --- user agents ------------------------------------------------------------------------------

// "Mozilla/5.0 (Macintosh; Intel Mac OS X) AppleWebKit/<webkit> (KHTML, like
// Gecko) Version/<browser> Safari/<webkit>", the versions read once from the
// browser engine's version files and else the fallbacks of the newest
// release line.
[[nodiscard]] QString WebKitUserAgent();
// "Mozilla/5.0 (Macintosh; Intel Mac OS X) AppleWebKit (KHTML, like Gecko)"
[[nodiscard]] QString downloadsUserAgent();

struct BrowserVersions {
    QString webKit;
    QString browser;
};
// The versions named in the two version files (property lists; a missing or
// unreadable file gives the fallback), the fallbacks chosen by the runtime
// version number: at least 1436 "13604.5.6"/"11.0.3"; above 1299
// "12603.3.8"/"11.0"; else "600.7.12"/"9.0". A bundle version of at least
// three characters loses its first two ("6613604.5.6" => "13604.5.6").
[[nodiscard]] BrowserVersions browserVersions(const QString& webKitVersionFile, const QString& browserInfoFile,
                                              double runtimeVersion);

// --- request builders ---------------------------------------------------------------------
// Each makes a request for the URL's web form (WebKitURL of url_resolution.h).

[[nodiscard]] URLRequest requestWithURL(const URL& url, int cachePolicy);
[[nodiscard]] URLRequest requestWithURL(const URL& url, const QString& referrer, const QString& userAgent);
[[nodiscard]] URLRequest requestWithURL(const URL& url, const QString& referrer);
[[nodiscard]] URLRequest requestWithURL(const URL& url, const QString& referrer, const QString& userAgent,
                                        int cachePolicy);
[[nodiscard]] URLRequest requestWithURL(const URL& url, const QString& referrer, int cachePolicy);

// A download request: the downloads user agent, no cache, no cookies.
[[nodiscard]] URLRequest downloadRequestWithURL(const URL& url);
// `referrer` is a QString or a URL (anything else means none); `httpPost` a
// QVariantMap, a QString or a QByteArray (see setHTTPPost); a valid POST
// value makes the method "POST", else `method` when given. A time-out of 0
// keeps the default.
[[nodiscard]] URLRequest downloadRequestWithURL(const URL& url, const QVariant& referrer, const QString& userAgent,
                                                const QVariant& httpPost, StringEncoding encoding,
                                                const QString& method, bool shouldUseCache,
                                                bool shouldHandleCookies, double timeout);

// --- request accessors -----------------------------------------------------------------------

[[nodiscard]] QString userAgent(const URLRequest& request);
[[nodiscard]] QString referrer(const URLRequest& request);
// A null agent removes the field.
void setUserAgent(URLRequest& request, const QString& agent);
// Sets "Referer" only for a remote web link that does not name a host of
// the local network (".local").
//   "http://h.org/a" => set   "http://box.LOCAL/a" => not set
//   "http://h.org/a.local" => set   "file:///a" => not set
void setReferrer(URLRequest& request, const QString& referrer);
// Both "ETag" and "Etag"; nothing for an empty tag.
void setETag(URLRequest& request, const QString& tag);
// "If-Modified-Since"; nothing for an empty value.
void setIfModifiedSince(URLRequest& request, const QString& value);

// The encoding value that stands for "none given" (UTF-8 for forms).
inline constexpr StringEncoding kNoStringEncoding = 4294967295u;

// The body of a POST: a QVariantMap becomes "k=v&k2=v2" with keys and
// values escaped in `encoding` (a value that cannot be escaped is left out
// and logged); a QString is sent as ASCII (none when not ASCII); a
// QByteArray as it is; anything else clears the body.
void setHTTPPost(URLRequest& request, const QVariant& value, StringEncoding encoding = kNoStringEncoding);
// A non-empty string or map.
[[nodiscard]] bool isValidHTTPPost(const QVariant& value);

} // namespace sorvant
