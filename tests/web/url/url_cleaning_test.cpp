#include "web/url/url_cleaning.h"

#include "tests/support/scan_work_bound.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

struct Row {
    const char* in;
    const char* out;
};

void checkTable(QString (*clean)(const QString&), std::initializer_list<Row> rows)
{
    for (const Row& row : rows) {
        SCOPED_TRACE(row.in);
        EXPECT_EQ(clean(QString::fromUtf8(row.in)), QString::fromUtf8(row.out));
    }
    EXPECT_TRUE(clean(QString()).isNull());
}

TEST(URLCleaning, SessionIdentifiers)
{
    checkTable(stringURLByRemovingSessionIDs,
               {
                   {"http://h/a?x=1&jsessionid=AB12", "http://h/a?x=1"},
                   {"http://h/a?jsessionid=AB12", "http://h/a"},
                   {"http://h/a?jsessionid=AB12&x=1", "http://h/a?x=1"},
                   {"http://h/a;JSESSIONID=AB12", "http://h/a"},
                   {"http://h/a?PHPSESSID=1&CFID=2&x=1", "http://h/a?x=1"},
                   {"http://h/a.php?sid=123", "http://h/a.php?sid=123"},
                   {"http://h/a.php?sid=12ab", "http://h/a.php"},
                   {"http://h/a.php?x=1&sid=12ab&y=2", "http://h/a.php?x=1&y=2"},
                   {"http://h/a.html?CMP=x&y=1", "http://h/a.html?y=1"},
                   {"http://h/a.php?CMP=x&y=1", "http://h/a.php?CMP=x&y=1"},
                   {"http://h/a.php?id=3&random=77", "http://h/a.php?id=3"},
                   {"http://h/a.php?x=3&random=77", "http://h/a.php?x=3&random=77"},
                   {"http://h/viewtopic.php?t=1&p=2&s=ab", "http://h/viewtopic.php?t=1&p=2"},
                   {"http://h/viewtopic.php?t=1&id=2&highlight=x", "http://h/viewtopic.php?t=1&id=2"},
                   {"http://h/login?next=/a", "http://h/login"},
                   {"http://h/a/b.html?widgetType=x", "http://h/a/b.html"},
                   {"http://h/sid=ab", "http://h/sid=ab"},
                   {"", ""},
               });
}

// Regression: each session parameter removed cost a pass over the whole
// link, so a link repeating one took quadratic time (300 KB: 48 s).
TEST(URLCleaning, SessionIDRemovalTakesLinearWork)
{
    test::expectLinearScanWork(
        [](qsizetype size) {
            QString link = QStringLiteral("http://h/a.php?x=1");
            while (link.size() < size)
                link += QStringLiteral("&jsessionid=AB12&sid=c4");
            return link;
        },
        [](const QString& link) { EXPECT_TRUE(stringURLByRemovingSessionIDs(link).startsWith(QLatin1String("http://h/a.php?x=1"))); });
    EXPECT_EQ(stringURLByRemovingSessionIDs(QStringLiteral("http://h/a?x=1") + QStringLiteral("&jsessionid=AB").repeated(20)),
              QStringLiteral("http://h/a?x=1"));
}

// Regression: each parameter removed moved the rest of the link, so a link
// of many took quadratic time (1.2 MB: 1.4 s; 10 MB did not end).
TEST(URLCleaning, AnalyticsAndEmptyParameterRemovalTakeLinearWork)
{
    const auto repeated = [](const QString& part) {
        return [part](qsizetype size) {
            QString link = QStringLiteral("http://h/a.php?x=1");
            while (link.size() < size)
                link += part;
            return link + QStringLiteral("&y=2");
        };
    };
    test::expectLinearScanWork(repeated(QStringLiteral("&e=")), [](const QString& link) {
        EXPECT_EQ(stringURLByRemovingEmptyParams(link).left(22), QStringLiteral("http://h/a.php?x=1&e=&"));
    });
    test::expectLinearScanWork(repeated(QStringLiteral("&utm_source=x")), [](const QString& link) {
        EXPECT_TRUE(stringURLByRemovingAnalytics(link).startsWith(QLatin1String("http://h/a.php?x=1&utm_source=x")));
    });
    test::expectLinearScanWork(repeated(QStringLiteral("&utm_term=&a=")), [](const QString& link) {
        EXPECT_TRUE(simplifiedStringURL(link).startsWith(QLatin1String("http://h/a.php?x=1")));
    });
    // A link with a few stays as it was cleaned before.
    EXPECT_EQ(stringURLByRemovingAnalytics(QStringLiteral("http://h/?a=1") + QStringLiteral("&utm_source=s").repeated(8)),
              QStringLiteral("http://h/?a=1"));
    EXPECT_EQ(stringURLByRemovingEmptyParams(QStringLiteral("http://h/?a=1") + QStringLiteral("&b=&c=").repeated(3)
                                             + QStringLiteral("&d=4")),
              QStringLiteral("http://h/?a=1&c=&c=&c=&d=4"));
}

TEST(URLCleaning, AnalyticsEmptyParametersAndIndexPages)
{
    checkTable(stringURLByRemovingAnalytics,
               {
                   {"http://h/?a=1&utm_source=x&utm_medium=y&utm_campaign=z&utm_term=t&utm_content=c&b=2",
                    "http://h/?a=1&b=2"},
                   {"http://h/?UTM_Source=x", "http://h/"},
                   {"http://h/?utm_nooverride=1&a=1", "http://h/?a=1"},
                   {"http://h/?utm_other=1", "http://h/?utm_other=1"},
               });
    checkTable(stringURLByRemovingEmptyParams,
               {
                   {"http://h/?a=1&b=&c=2", "http://h/?a=1&c=2"},
                   {"http://h/?a=&b=&c=1", "http://h/?b=&c=1"},
                   {"http://h/?a=1&b=", "http://h/?a=1"},
                   {"http://h/?a=", "http://h/"},
                   {"http://h/?x==&a=1", "http://h/?a=1"}, // the walk starts two before the "="
                   {"=", "="},
               });
    checkTable(stringURLByRemovingIndexPages,
               {
                   {"http://h/a/index.html", "http://h/a"},
                   {"http://h/a/INDEX.PHP", "http://h/a"},
                   {"http://h/a/index.shtml", "http://h/a"},
                   {"http://h/index.htmlx", "http://h/index.htmlx"},
                   {"/index.htm", ""},
               });
    EXPECT_EQ(stringURLByRemovingQueryParam(QStringLiteral("http://h/?a=1&VED=2&b=3"), QStringLiteral("ved=")),
              QStringLiteral("http://h/?a=1&b=3"));
    EXPECT_EQ(stringURLByRemovingQueryParam(QStringLiteral("http://h/ved=2"), QStringLiteral("ved=")),
              QStringLiteral("http://h/ved=2"));
}

TEST(URLCleaning, SimplifiedFormsCompareLinksToOnePage)
{
    const struct {
        const char* a;
        const char* b;
    } same[] = {
        {"https://www.H.org/a/", "http://h.org/a"},
        {"http://h.org/a#x", "http://h.org/a"},
        {"http://h.org/a/index.html", "http://h.org/a/"},
        {"http://h.org//a?utm_source=x", "http://h.org/a"},
        {"http://h.org/a?jsessionid=Z1&b=", "http://h.org/a"},
        {"http://h.org/%7Euser/", "http://h.org/~user"},
        {"https://www.google.com/patents/US1?ved=0a", "http://google.com/patents/us1"},
        {"http://h.org/a/?page=main.php", "http://h.org/a"},
    };
    for (const auto& row : same) {
        SCOPED_TRACE(std::string(row.a) + " ~ " + row.b);
        EXPECT_EQ(simplifiedStringURL(QString::fromUtf8(row.a)), simplifiedStringURL(QString::fromUtf8(row.b)));
    }
    EXPECT_EQ(simplifiedStringURL(QStringLiteral("http://h.org/a#x"), true, true, true, true, false),
              QStringLiteral("http://h.org/a#x"));
    EXPECT_EQ(simplifiedStringURL(URL::fileURLWithPath(QStringLiteral("/tmp/./a"))), QStringLiteral("/tmp/a"));
    EXPECT_EQ(stringURLByRemovingSessionIDs(URL::URLWithString(QStringLiteral("http://h/?sessid=ab"))),
              QStringLiteral("http://h/"));
}

} // namespace
} // namespace sorvant
