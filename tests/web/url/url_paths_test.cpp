#include "web/url/url_paths.h"

#include "platform/url.h"
#include "web/url/query_parameters.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

URL url(const char* text)
{
    return URL::URLWithString(QString::fromUtf8(text));
}

TEST(URLPaths, WebPathsStayAsWrittenFilePathsAreDecoded)
{
    EXPECT_EQ(fullPath(url("http://h/a%20b/")), QStringLiteral("/a%20b/"));
    EXPECT_EQ(fullPath(url("file:///tmp/a%20b")), QStringLiteral("/tmp/a b"));
    EXPECT_EQ(fullPath(url("http://h")), QStringLiteral(""));
    EXPECT_EQ(fullPath(url("mailto:a@b.c")), QStringLiteral(""));
    EXPECT_EQ(fullPath(URL()), QStringLiteral(""));
}

TEST(URLPaths, ParametersQueryAndFragmentOnlyWhenNotEmpty)
{
    EXPECT_EQ(pathWithParamsAndQuery(url("http://h/a;p?q#f")), QStringLiteral("/a;p?q"));
    EXPECT_EQ(pathWithParamsAndQueryAndFragment(url("http://h/a;p?q#f")), QStringLiteral("/a;p?q#f"));
    EXPECT_EQ(pathWithParamsAndQueryAndFragment(url("http://h/a;?#")), QStringLiteral("/a"));
    EXPECT_EQ(pathWithParamsAndQueryAndFragment(url("http://h?q")), QStringLiteral("?q"));
    EXPECT_EQ(pathWithParamsAndQuery(url("file:///tmp/x")), QStringLiteral("/tmp/x"));
}

TEST(URLPaths, BaseDirectoryRules)
{
    const struct
    {
        const char* text;
        bool expected;
    } cases[] = {
        {"http://h", true},
        {"http://h/", true},
        {"http://h/a", true},
        {"http://h/a/", true},
        {"http://h/a.html", false},
        {"http://h/a.b/", true},
        {"http://h/a/?q=1", false},
        {"http://h/a?", true},
        {"http://h/a;p", false},
        {"http://h/a#f", true},
        {"http://h?q", true},
        {"mailto:a@b.c", true},
        {"file:///tmp/", false},
        {"FILE:///tmp", false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.text);
        const URL parsed = url(row.text);
        ASSERT_FALSE(parsed.isNull());
        EXPECT_EQ(isBaseDirectory(parsed), row.expected);
    }
    EXPECT_FALSE(isBaseDirectory(URL()));
}

TEST(QueryParameters, FirstParameterTakesQuestionMarkLaterOnesAmpersand)
{
    QString link = QStringLiteral("mailto:a@b.c");
    appendParameter(link, QStringLiteral("subject"), QStringLiteral("Hi & bye"));
    appendParameter(link, QStringLiteral("body"), QStringLiteral("a=b/c?"));
    EXPECT_EQ(link, QStringLiteral("mailto:a@b.c?subject=Hi%20%26%20bye&body=a%3Db%2Fc%3F"));
    EXPECT_EQ(link.count(QLatin1Char('?')), 1);
}

TEST(QueryParameters, NothingForAMissingNameOrValue)
{
    QString link = QStringLiteral("x");
    appendParameter(link, QString(), QStringLiteral("v"));
    appendParameter(link, QStringLiteral(""), QStringLiteral("v"));
    appendParameter(link, QStringLiteral("n"), QString());
    appendParameter(link, QStringLiteral("n"), QStringLiteral(""));
    appendParameter(link, QStringLiteral("n"), QString::fromUtf16(u"\xD800"));
    EXPECT_EQ(link, QStringLiteral("x"));
}

} // namespace
} // namespace sorvant
