#include "web/url/url_request.h"

#include "foundation/string_format.h"
#include "platform/log.h"
#include "platform/property_list.h"
#include "web/url/percent_escapes.h"
#include "web/url/url_making.h"
#include "web/url/url_predicates.h"
#include "web/url/url_resolution.h"

#include <algorithm>

namespace sorvant {

namespace {

QString headerValue(const QList<QPair<QString, QString>>& headers, const QString& field)
{
    for (const auto& [name, value] : headers) {
        if (name.compare(field, Qt::CaseInsensitive) == 0)
            return value;
    }
    return QString();
}

// The characters a form decoder splits on or reads as a space: left as they
// are, a value holding one would be cut into other pairs.
const QString kFormDelimiters = QStringLiteral("&=+;");

// The runtime version the fallback user-agent versions are chosen by. This
// system always runs the newest release line.
constexpr double kRuntimeVersion = 1953.1;

} // namespace

// --- requests and responses -----------------------------------------------------------------

QString URLRequest::valueForHTTPHeaderField(const QString& field) const
{
    return headerValue(m_headers, field);
}

void URLRequest::setValue(const QString& value, const QString& field)
{
    m_headers.removeIf([&](const auto& pair) { return pair.first.compare(field, Qt::CaseInsensitive) == 0; });
    if (!value.isNull())
        m_headers.append({field, value});
}

QString URLResponse::valueForHTTPHeaderField(const QString& field) const
{
    return m_isHTTP ? headerValue(m_headers, field) : QString();
}

URLResponse URLResponse::responseWithURL(const URL& url, const QString& mimeType, qint64 expectedLength,
                                         const QString& encodingName)
{
    URLResponse response;
    response.m_url = url;
    response.m_mimeType = mimeType;
    response.m_expectedLength = expectedLength;
    response.m_encodingName = encodingName;
    return response;
}

URLResponse URLResponse::HTTPResponseWithURL(const URL& url, qint64 statusCode,
                                             const QList<QPair<QString, QString>>& headers)
{
    URLResponse response;
    response.m_url = url;
    response.m_isHTTP = true;
    response.m_statusCode = statusCode;
    response.m_headers = headers;
    // "text/html; charset=UTF-8" => type "text/html", encoding "UTF-8".
    const QString type = headerValue(headers, QStringLiteral("Content-Type"));
    const QStringList parts = type.split(QLatin1Char(';'));
    response.m_mimeType = parts.first().trimmed().toLower();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString parameter = parts.at(i).trimmed();
        if (parameter.startsWith(QLatin1String("charset="), Qt::CaseInsensitive)) {
            QString name = parameter.mid(8).trimmed();
            if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
                name = name.mid(1, name.size() - 2);
            response.m_encodingName = name;
        }
    }
    if (response.m_mimeType.isEmpty())
        response.m_mimeType = QStringLiteral("application/octet-stream");
    bool ok = false;
    const qint64 length = headerValue(headers, QStringLiteral("Content-Length")).trimmed().toLongLong(&ok);
    response.m_expectedLength = ok && length >= 0 ? length : -1;
    return response;
}

QString contentType(const URLResponse& response)
{
    return response.valueForHTTPHeaderField(QStringLiteral("Content-Type"));
}

QString lastModified(const URLResponse& response)
{
    return response.valueForHTTPHeaderField(QStringLiteral("Last-Modified"));
}

QString ETag(const URLResponse& response)
{
    // Header names are compared without case, so "Etag" is found here too.
    return response.valueForHTTPHeaderField(QStringLiteral("ETag"));
}

// --- user agents --------------------------------------------------------------------------------

BrowserVersions browserVersions(const QString& webKitVersionFile, const QString& browserInfoFile,
                                double runtimeVersion)
{
    BrowserVersions fallback;
    if (runtimeVersion >= 1436)
        fallback = {QStringLiteral("13604.5.6"), QStringLiteral("11.0.3")};
    else if (static_cast<long long>(runtimeVersion) > 1299)
        fallback = {QStringLiteral("12603.3.8"), QStringLiteral("11.0")};
    else
        fallback = {QStringLiteral("600.7.12"), QStringLiteral("9.0")};

    BrowserVersions versions = fallback;
    const QString bundleVersion =
        readPropertyListFile(webKitVersionFile).toMap().value(QStringLiteral("CFBundleVersion")).toString();
    // The bundle version carries the system's major version in front.
    if (bundleVersion.size() >= 3)
        versions.webKit = bundleVersion.mid(2);
    const QString shortVersion =
        readPropertyListFile(browserInfoFile).toMap().value(QStringLiteral("CFBundleShortVersionString")).toString();
    if (!shortVersion.isEmpty())
        versions.browser = shortVersion;
    return versions;
}

QString WebKitUserAgent()
{
    static const BrowserVersions versions =
        browserVersions(QStringLiteral("/System/Library/Frameworks/WebKit.framework/Versions/A/Resources/version.plist"),
                        QStringLiteral("/Applications/Safari.app/Contents/Info.plist"), kRuntimeVersion);
    return formatString(
        QStringLiteral("Mozilla/5.0 (Macintosh; %@ Mac OS X) AppleWebKit/%@ (KHTML, like Gecko) Version/%@ Safari/%@"),
        QStringLiteral("Intel"), versions.webKit, versions.browser, versions.webKit);
}

QString downloadsUserAgent()
{
    return formatString(QStringLiteral("Mozilla/5.0 (Macintosh; %@ Mac OS X) AppleWebKit (KHTML, like Gecko)"),
                        QStringLiteral("Intel"));
}

// --- builders ---------------------------------------------------------------------------------------

URLRequest requestWithURL(const URL& url, int cachePolicy)
{
    URLRequest request(WebKitURL(url));
    request.setCachePolicy(cachePolicy);
    return request;
}

URLRequest requestWithURL(const URL& url, const QString& referrer, const QString& userAgent)
{
    URLRequest request(WebKitURL(url));
    if (!referrer.isEmpty())
        setReferrer(request, referrer);
    if (!userAgent.isEmpty())
        setUserAgent(request, userAgent);
    return request;
}

URLRequest requestWithURL(const URL& url, const QString& referrer)
{
    return requestWithURL(url, referrer, QString());
}

URLRequest requestWithURL(const URL& url, const QString& referrer, const QString& userAgent, int cachePolicy)
{
    URLRequest request = requestWithURL(url, referrer, userAgent);
    request.setCachePolicy(cachePolicy);
    return request;
}

URLRequest requestWithURL(const URL& url, const QString& referrer, int cachePolicy)
{
    return requestWithURL(url, referrer, QString(), cachePolicy);
}

URLRequest downloadRequestWithURL(const URL& url)
{
    return downloadRequestWithURL(url, QVariant(), downloadsUserAgent(), QVariant(), 0, QString(), false, false, 0);
}

URLRequest downloadRequestWithURL(const URL& url, const QVariant& referrer, const QString& userAgent,
                                  const QVariant& httpPost, StringEncoding encoding, const QString& method,
                                  bool shouldUseCache, bool shouldHandleCookies, double timeout)
{
    QString referrerText;
    if (referrer.metaType() == QMetaType::fromType<QString>())
        referrerText = referrer.toString();
    else if (referrer.metaType() == QMetaType::fromType<URL>())
        referrerText = referrer.value<URL>().absoluteString();
    URLRequest request = requestWithURL(url, referrerText, userAgent,
                                        shouldUseCache ? NSURLRequestUseProtocolCachePolicy
                                                       : NSURLRequestReloadIgnoringLocalCacheData);
    if (isValidHTTPPost(httpPost)) {
        request.setHTTPMethod(QStringLiteral("POST"));
        setHTTPPost(request, httpPost, encoding);
    } else if (!method.isEmpty()) {
        request.setHTTPMethod(method);
    }
    request.setHTTPShouldHandleCookies(shouldHandleCookies);
    if (timeout > 0)
        request.setTimeoutInterval(timeout);
    return request;
}

// --- accessors --------------------------------------------------------------------------------------

QString userAgent(const URLRequest& request)
{
    return request.valueForHTTPHeaderField(QStringLiteral("User-Agent"));
}

QString referrer(const URLRequest& request)
{
    return request.valueForHTTPHeaderField(QStringLiteral("Referer"));
}

void setUserAgent(URLRequest& request, const QString& agent)
{
    request.setValue(agent, QStringLiteral("User-Agent"));
}

void setReferrer(URLRequest& request, const QString& referrer)
{
    if (!isRemoteWebKitStringURL(referrer))
        return;
    // A page on the local network is never named to another server.
    if (referrer.contains(QLatin1String(".local"), Qt::CaseInsensitive)) {
        const URL url = URLWithStringOrPath(referrer);
        if (url.isNull() || !isRemoteWebKitURL(url) || url.host().endsWith(QLatin1String(".local"), Qt::CaseInsensitive))
            return;
    }
    request.setValue(referrer, QStringLiteral("Referer"));
}

void setETag(URLRequest& request, const QString& tag)
{
    if (tag.isEmpty())
        return;
    // Both spellings are set; header names compare without case, so one
    // field remains and either spelling finds it.
    request.setValue(tag, QStringLiteral("ETag"));
    request.setValue(tag, QStringLiteral("Etag"));
}

void setIfModifiedSince(URLRequest& request, const QString& value)
{
    if (!value.isEmpty())
        request.setValue(value, QStringLiteral("If-Modified-Since"));
}

bool isValidHTTPPost(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QString>())
        return !value.toString().isEmpty();
    if (value.metaType() == QMetaType::fromType<QVariantMap>())
        return !value.toMap().isEmpty();
    return false;
}

void setHTTPPost(URLRequest& request, const QVariant& value, StringEncoding encoding)
{
    if (value.metaType() == QMetaType::fromType<QVariantMap>()) {
        const StringEncoding formEncoding = encoding == kNoStringEncoding ? NSUTF8StringEncoding : encoding;
        QString body;
        const QVariantMap form = value.toMap();
        for (auto it = form.cbegin(); it != form.cend(); ++it) {
            const QString key = stringByAddingPercentEscapesToURL(it.key(), formEncoding, QString(), kFormDelimiters);
            if (key.isNull())
                continue;
            const QString description = it.value().toString();
            const QString escaped =
                stringByAddingPercentEscapesToURL(description, formEncoding, QString(), kFormDelimiters);
            if (escaped.isNull()) {
                logMessage(formatString(QStringLiteral("Couldn't escape POST value: %@"), description));
                continue;
            }
            body += (body.isEmpty() ? QString() : QStringLiteral("&")) + key + QLatin1Char('=') + escaped;
        }
        request.setHTTPBody(body.toLatin1());
    } else if (value.metaType() == QMetaType::fromType<QString>()) {
        const QString text = value.toString();
        const bool ascii = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
        request.setHTTPBody(ascii ? text.toLatin1() : QByteArray());
    } else if (value.metaType() == QMetaType::fromType<QByteArray>()) {
        request.setHTTPBody(value.toByteArray());
    } else {
        request.setHTTPBody(QByteArray());
    }
}

} // namespace sorvant
