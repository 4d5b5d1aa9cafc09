#include "web/url/url_request.h"

#include "tests/support/log_capture.h"
#include "tests/support/temp_tree.h"
#include "platform/property_list.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

URL url(const char* text)
{
    return URL::URLWithString(QString::fromUtf8(text));
}

TEST(URLRequest, ReferrerNeverNamesTheLocalNetwork)
{
    const struct {
        const char* referrer;
        bool set;
    } cases[] = {
        {"http://h.org/a", true},       {"http://box.LOCAL/a", false}, {"http://h.org/a.local", true},
        {"https://x.local:8/", false},  {"file:///a", false},          {"www.h.org", true},
        {"ftp://h.org/x", true},        {"", false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.referrer);
        URLRequest request(url("http://target.org/"));
        setReferrer(request, QString::fromUtf8(row.referrer));
        EXPECT_EQ(!referrer(request).isNull(), row.set);
    }
}

TEST(URLRequest, HeaderFieldsAndCacheTags)
{
    URLRequest request(url("http://h/"));
    setETag(request, QString());
    EXPECT_TRUE(request.valueForHTTPHeaderField(QStringLiteral("ETag")).isNull());
    setETag(request, QStringLiteral("\"t\""));
    EXPECT_EQ(request.valueForHTTPHeaderField(QStringLiteral("ETag")), QStringLiteral("\"t\""));
    EXPECT_EQ(request.valueForHTTPHeaderField(QStringLiteral("Etag")), QStringLiteral("\"t\""));
    EXPECT_EQ(request.allHTTPHeaderFields().size(), 1);
    setIfModifiedSince(request, QString());
    EXPECT_TRUE(request.valueForHTTPHeaderField(QStringLiteral("If-Modified-Since")).isNull());
    setUserAgent(request, QStringLiteral("A/1"));
    EXPECT_EQ(userAgent(request), QStringLiteral("A/1"));
    setUserAgent(request, QString());
    EXPECT_TRUE(userAgent(request).isNull());
}

TEST(URLRequest, PostBodies)
{
    const struct {
        QVariant value;
        StringEncoding encoding;
        QByteArray body;
        bool valid;
    } cases[] = {
        {QVariantMap{{"k", "v w"}}, kNoStringEncoding, "k=v%20w", true},
        {QVariantMap{{"a", "1"}, {"b", "x&y=z"}}, kNoStringEncoding, "a=1&b=x%26y%3Dz", true},
        {QVariantMap{{"é", "é"}}, NSISOLatin1StringEncoding, "%E9=%E9", true},
        {QVariantMap{}, kNoStringEncoding, "", false},
        {QStringLiteral("raw=1"), kNoStringEncoding, "raw=1", true},
        {QStringLiteral("é"), kNoStringEncoding, "", true},
        {QStringLiteral(""), kNoStringEncoding, "", false},
        {QByteArray("\x01\x02"), kNoStringEncoding, "\x01\x02", false},
        {QVariant(5), kNoStringEncoding, "", false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.value.toString().toStdString());
        URLRequest request(url("http://h/"));
        request.setHTTPBody("stale");
        setHTTPPost(request, row.value, row.encoding);
        EXPECT_EQ(request.HTTPBody(), row.body);
        EXPECT_EQ(isValidHTTPPost(row.value), row.valid);
    }
    test::LogCapture log;
    URLRequest request(url("http://h/"));
    setHTTPPost(request, QVariantMap{{"a", "€"}, {"b", "2"}}, NSISOLatin1StringEncoding);
    EXPECT_EQ(request.HTTPBody(), QByteArray("b=2"));
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("Couldn't escape POST value: €")});
}

TEST(URLRequest, DownloadRequests)
{
    const URLRequest plain = downloadRequestWithURL(url("http://localhost/a"));
    EXPECT_EQ(plain.url().absoluteString(), QStringLiteral("http://127.0.0.1/a"));
    EXPECT_EQ(userAgent(plain), downloadsUserAgent());
    EXPECT_EQ(plain.cachePolicy(), NSURLRequestReloadIgnoringLocalCacheData);
    EXPECT_FALSE(plain.HTTPShouldHandleCookies());
    EXPECT_EQ(plain.HTTPMethod(), QStringLiteral("GET"));
    EXPECT_EQ(plain.timeoutInterval(), 60.0);

    const URLRequest post = downloadRequestWithURL(url("http://h/"), QVariant::fromValue(url("http://r.org/p")),
                                                   QString(), QVariantMap{{"a", "1"}}, kNoStringEncoding,
                                                   QStringLiteral("PUT"), true, true, 5);
    EXPECT_EQ(post.HTTPMethod(), QStringLiteral("POST"));
    EXPECT_EQ(referrer(post), QStringLiteral("http://r.org/p"));
    EXPECT_EQ(post.cachePolicy(), NSURLRequestUseProtocolCachePolicy);
    EXPECT_TRUE(post.HTTPShouldHandleCookies());
    EXPECT_EQ(post.timeoutInterval(), 5.0);

    const URLRequest put = downloadRequestWithURL(url("http://h/"), QVariant(42), QString(), QVariantMap{},
                                                  kNoStringEncoding, QStringLiteral("PUT"), false, false, 0);
    EXPECT_EQ(put.HTTPMethod(), QStringLiteral("PUT"));
    EXPECT_TRUE(referrer(put).isNull());
    EXPECT_TRUE(put.HTTPBody().isEmpty());
}

TEST(URLRequest, UserAgentVersions)
{
    test::TempTree tree;
    const QString missing = tree.filePath(QStringLiteral("none.plist"));
    const struct {
        double runtime;
        const char* webKit;
        const char* browser;
    } fallbacks[] = {{1436, "13604.5.6", "11.0.3"}, {1953.1, "13604.5.6", "11.0.3"}, {1435.9, "12603.3.8", "11.0"},
                     {1300, "12603.3.8", "11.0"},   {1299.9, "600.7.12", "9.0"}};
    for (const auto& row : fallbacks) {
        SCOPED_TRACE(row.runtime);
        const BrowserVersions versions = browserVersions(missing, missing, row.runtime);
        EXPECT_EQ(versions.webKit, QString::fromLatin1(row.webKit));
        EXPECT_EQ(versions.browser, QString::fromLatin1(row.browser));
    }
    const QString engine = tree.filePath(QStringLiteral("version.plist"));
    const QString browser = tree.filePath(QStringLiteral("Info.plist"));
    ASSERT_TRUE(writePropertyListFile(engine, QVariantMap{{"CFBundleVersion", "6613605.1.33"}}));
    ASSERT_TRUE(writePropertyListFile(browser, QVariantMap{{"CFBundleShortVersionString", "16.1"}}));
    const BrowserVersions read = browserVersions(engine, browser, 1953);
    EXPECT_EQ(read.webKit, QStringLiteral("13605.1.33"));
    EXPECT_EQ(read.browser, QStringLiteral("16.1"));

    EXPECT_EQ(WebKitUserAgent(), QStringLiteral("Mozilla/5.0 (Macintosh; Intel Mac OS X) AppleWebKit/13604.5.6 "
                                                "(KHTML, like Gecko) Version/11.0.3 Safari/13604.5.6"));
    EXPECT_EQ(downloadsUserAgent(), QStringLiteral("Mozilla/5.0 (Macintosh; Intel Mac OS X) AppleWebKit (KHTML, like Gecko)"));
}

TEST(URLRequest, ResponsesParseTheirHeaders)
{
    const URLResponse http = URLResponse::HTTPResponseWithURL(
        url("http://h/"), 200,
        {{"content-type", "Text/HTML; Charset=\"utf-8\""}, {"Etag", "\"e\""}, {"Content-Length", "12"}});
    EXPECT_EQ(http.MIMEType(), QStringLiteral("text/html"));
    EXPECT_EQ(http.textEncodingName(), QStringLiteral("utf-8"));
    EXPECT_EQ(http.expectedContentLength(), 12);
    EXPECT_EQ(ETag(http), QStringLiteral("\"e\""));
    EXPECT_TRUE(lastModified(http).isNull());
    const URLResponse bare = URLResponse::HTTPResponseWithURL(url("http://h/"), 200, {{"Content-Length", "x"}});
    EXPECT_EQ(bare.expectedContentLength(), -1);
    EXPECT_EQ(bare.MIMEType(), QStringLiteral("application/octet-stream"));
    const URLResponse file = URLResponse::responseWithURL(url("file:///a"), QStringLiteral("text/plain"), 3);
    EXPECT_EQ(file.statusCode(), 0);
    EXPECT_TRUE(file.valueForHTTPHeaderField(QStringLiteral("Content-Type")).isNull());
}

} // namespace
} // namespace sorvant
