#include "web/url/query_parameters.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(QueryParameters, Workers)
{
    const QString query = QStringLiteral("a=1&b=&c=3;d=4&c=5");
    EXPECT_TRUE(findQueryParam(query, QStringLiteral("b"), 0));
    EXPECT_TRUE(findQueryParam(query, QStringLiteral("d"), 0));
    EXPECT_FALSE(findQueryParam(query, QStringLiteral("A"), 0));
    EXPECT_FALSE(findQueryParam(query, QStringLiteral(""), 0));
    EXPECT_FALSE(findQueryParam(query, QStringLiteral("a"), query.size()));
    EXPECT_FALSE(findQueryParam(QStringLiteral("a=1"), QStringLiteral("a=1"), 0));
    EXPECT_EQ(rewriteQueryParam(query, QStringLiteral("c"), 0, QString()), QStringLiteral("3"));
    EXPECT_TRUE(rewriteQueryParam(query, QStringLiteral("b"), 0, QString()).isNull());
    EXPECT_EQ(rewriteQueryParam(query, QStringLiteral("c"), 0, QStringLiteral("x")), QStringLiteral("a=1&b=&c=x;d=4&c=5"));
    EXPECT_EQ(rewriteQueryParam(query, QStringLiteral("b"), 0, QStringLiteral("x")), query);
    EXPECT_EQ(rewriteQueryParam(query, QStringLiteral("z"), 99, QStringLiteral("x")), query);
    EXPECT_EQ(CountQueryParams(query, 0), 5);
    EXPECT_EQ(CountQueryParams(QString(), 0), 0);
    const QVariantMap parsed = ParseQueryParams(query, 0);
    EXPECT_EQ(parsed, (QVariantMap{{"a", "1"}, {"c", "5"}, {"d", "4"}}));
    EXPECT_TRUE(ParseQueryParams(QString(), 0).isEmpty());
}

TEST(QueryParameters, ScanningRules)
{
    // A name without "=" joins the next parameter's name.
    EXPECT_TRUE(findQueryParam(QStringLiteral("a&b=1"), QStringLiteral("a&b"), 0));
    EXPECT_FALSE(findQueryParam(QStringLiteral("a&b=1"), QStringLiteral("b"), 0));
    // Characters that cannot begin a name are skipped.
    EXPECT_EQ(rewriteQueryParam(QStringLiteral("&&_x=1&-y=2"), QStringLiteral("y"), 0, QString()), QStringLiteral("2"));
    // Scanning ends where no "=" follows.
    EXPECT_EQ(CountQueryParams(QStringLiteral("a=1&b"), 0), 1);
}

TEST(QueryParameters, OnURLsAndLinkText)
{
    const URL url = URL::URLWithString(QStringLiteral("http://h/p?x=1&y=&z=2#f"));
    EXPECT_TRUE(containsQueryParamNamed(url, QStringLiteral("y")));
    EXPECT_EQ(queryParamNamed(url, QStringLiteral("z")), QStringLiteral("2"));
    EXPECT_EQ(stringByReplacingQueryParamNamed(url, QStringLiteral("x"), QString()), QStringLiteral("x=&y=&z=2"));
    EXPECT_EQ(numberOfQueryParams(url), 3);
    EXPECT_EQ(queryParams(url).size(), 2);

    const QString link = QStringLiteral("http://h/p?x=1&y=&z=2");
    EXPECT_EQ(query(link), QStringLiteral("?x=1&y=&z=2"));
    EXPECT_TRUE(query(QStringLiteral("http://h/p")).isNull());
    EXPECT_TRUE(containsQueryParamNamed(link, QStringLiteral("x")));
    EXPECT_EQ(queryParamNamed(link, QStringLiteral("z")), QStringLiteral("2"));
    EXPECT_EQ(numberOfQueryParams(link), 3);
    EXPECT_EQ(queryParams(link).size(), 2);
    EXPECT_EQ(stringByReplacingQueryParamNamed(link, QStringLiteral("y"), QStringLiteral("9")), link);
    EXPECT_EQ(stringByReplacingQueryParamNamed(link, QStringLiteral("z"), QStringLiteral("9")),
              QStringLiteral("http://h/p?x=1&y=&z=9"));
    const QString bare = QStringLiteral("http://h/p");
    EXPECT_FALSE(containsQueryParamNamed(bare, QStringLiteral("p")));
    EXPECT_EQ(numberOfQueryParams(bare), 0);
    EXPECT_EQ(stringByReplacingQueryParamNamed(bare, QStringLiteral("p"), QStringLiteral("1")), bare);
    // The host's "h=" is no parameter of link text, but is of a bare query.
    EXPECT_FALSE(containsQueryParamNamed(QStringLiteral("k=1?x=1"), QStringLiteral("k")));
    EXPECT_TRUE(containsParamNamed(QStringLiteral("k=1?x=1"), QStringLiteral("k")));
    EXPECT_EQ(paramNamed(QStringLiteral("k=1&j=2"), QStringLiteral("j")), QStringLiteral("2"));
}

} // namespace
} // namespace sorvant
