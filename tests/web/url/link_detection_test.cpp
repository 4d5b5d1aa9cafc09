#include "web/url/link_detection.h"
#include "web/url/link_lists.h"

#include <QSet>
#include <QStringList>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

URL url(const char* text)
{
    return URL::URLWithString(QString::fromUtf8(text));
}

TEST(LinkDetection, Advertisements)
{
    const struct {
        const char* link;
        bool expected;
    } cases[] = {
        {"http://x.org/adserver/a", true},
        {"http://x.org/loadserver/a", false},
        {"http://x.org/yadserver/a", true},
        {"http://x.org/ads.js", true},
        {"http://x.org/downloads.html", false},
        {"http://x.org/ad/1", true},
        {"http://x.org/ADS/1", true},
        {"http://x.org/adsk/ads.x", true},      // "/adsk/" skips only the path list
        {"http://x.org/adsk/adview.x", false},
        {"http://pagead2.googlesyndication.com/x", true},
        {"http://x.org/pics/banner.gif", true},
        {"http://x.org/pagecounter.html", true},
        {"http://www.amazon.com/dp/1", true},
        {"http://x.org/a", false},
        {"ad", false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.link);
        EXPECT_EQ(stringURLIsAdvertisement(QString::fromUtf8(row.link)), row.expected);
    }
    EXPECT_FALSE(stringURLIsAdvertisementIncludingCommonHosts(QStringLiteral("http://www.amazon.com/dp/1"), false));
}

TEST(LinkDetection, OtherLists)
{
    EXPECT_TRUE(stringURLIsBookmarklet(QStringLiteral("http://digg.com/submit?url=x")));
    EXPECT_FALSE(stringURLIsBookmarklet(QStringLiteral("http://digg.com/submit")));
    EXPECT_TRUE(stringURLIsBookmarklet(QStringLiteral("http://www.addtoany.com/share_save")));
    EXPECT_TRUE(stringURLIsRecaptcha(QStringLiteral("https://www.google.com/recaptcha/api/noscript?k=1")));
    EXPECT_TRUE(stringURLIsTranslation(QStringLiteral("http://x.org/translate_c?u=http://y")));
    EXPECT_TRUE(stringURLIsTopicOrThread(QStringLiteral("http://f.org/viewtopic.php?t=1")));
    EXPECT_TRUE(stringURLIsTopicOrThread(QStringLiteral("http://f.org/a-t12-3.html")));
    EXPECT_FALSE(stringURLIsTopicOrThread(QStringLiteral("http://f.org/a-t12.html")));
    EXPECT_TRUE(stringURLIsForum(QStringLiteral("http://x.org/Forum/")));
    EXPECT_TRUE(stringURLIsCached(QStringLiteral("http://x.org/search?q=cache:abc")));
    EXPECT_FALSE(stringURLIsCached(QStringLiteral("http://x.org/")));
    for (auto test : {stringURLIsImageAd, stringURLIsAdSense, stringURLIsAdvertisement, stringURLIsBookmarklet,
                      stringURLIsRecaptcha, stringURLIsTranslation, stringURLIsTopicOrThread, stringURLIsForum,
                      stringURLIsCached})
        EXPECT_FALSE(test(QString()));
}

// The search-engine list had lost one of its 71 entries. Every list keeps
// its size, and its entries are lower case, as the matcher lower-cases the
// link and compares them as written.
TEST(LinkDetection, ListsKeepTheirSizesInLowerCase)
{
    using namespace linklists;
    const struct { const char* name; const char* const* list; int size; } rows[] = {
        {"search engines", kSearchEngineHosts, 71}, {"ad networks", kAdNetworkLinks, 36},
        {"image ads", kImageAds, 13},               {"ad hosts and paths", kAdHostsAndPaths, 75},
        {"ad paths", kAdPaths, 13},                 {"common ad hosts", kCommonAdHosts, 12},
        {"share and subscribe", kShareAndSubscribe, 61}, {"share pages", kSharePages, 5},
        {"captcha", kCaptcha, 3},                   {"translation", kTranslation, 11},
        {"topic scripts", kTopicOrThreadScripts, 5}, {"forum words", kForumWords, 5},
        {"cached pages", kCachedPages, 18},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QStringList entries;
        for (const char* const* entry = row.list; *entry; ++entry)
            entries << QString::fromLatin1(*entry);
        EXPECT_EQ(entries.size(), row.size);
        EXPECT_EQ(QSet<QString>(entries.begin(), entries.end()).size(), entries.size()) << "no entry twice";
        for (const QString& entry : entries)
            EXPECT_EQ(entry, entry.toLower());
    }
}

TEST(LinkDetection, FollowingPolicies)
{
    EXPECT_FALSE(shouldFollowLink(0u, 0u));
    EXPECT_TRUE(shouldFollowLink(3u, 99u));
    for (unsigned level = 0; level <= 2; ++level)
        EXPECT_TRUE(shouldFollowLink(6u, level));
    EXPECT_FALSE(shouldFollowLink(6u, 3u));

    const URL base = url("http://h.org/a/b.html");
    const struct {
        const char* link;
        unsigned policy;
        bool expected;
    } cases[] = {
        {"http://H.org/x", 1, true},     {"http://g.org/a/x", 1, false}, {"http://h.org/a/c.html", 2, true},
        {"http://h.org/a/d/c.html", 2, false}, {"http://h.org/a/d/c.html", 3, true}, {"http://h.org/z/c.html", 3, false},
        {"http://g.org/", 4, true},      {"http://g.org/", 0, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(std::string(row.link) + " " + std::to_string(row.policy));
        EXPECT_EQ(shouldFollowLink(url(row.link), row.policy, 0, base), row.expected);
    }
    EXPECT_TRUE(isHostEqualTo(URL::fileURLWithPath(QStringLiteral("/a")), URL::fileURLWithPath(QStringLiteral("/b"))));
    EXPECT_FALSE(isHostEqualTo(url("http://h/"), URL::fileURLWithPath(QStringLiteral("/b"))));
    EXPECT_FALSE(isHostEqualTo(url("http://h/"), URL()));
}

TEST(LinkDetection, SearchEngines)
{
    const struct {
        const char* link;
        bool expected;
    } cases[] = {
        {"http://www.google.com/search?q=x", true}, {"http://code.google.com/p/x", false},
        {"http://groups.google.com/group/x", false}, {"http://groups.google.com/?q=x", true},
        {"http://bing.com/?q=x", true},            {"http://search.yahoo.com/search?p=x", true},
        {"http://news.yahoo.com/s/ap/x", false},   {"http://finance.yahoo.com/", true},
        {"http://finance.yahoo.com/q?s=x", false}, {"http://www.amazon.com/s/x", true},
        {"http://www.amazon.com/dp/x", false},     {"http://duckduckgo.com/?q=x", true},
        {"http://example.org/", false},            {"mailto:a@b.c", false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.link);
        EXPECT_EQ(isSearchEngine(url(row.link)), row.expected);
    }
}

TEST(LinkDetection, ResultLinksResolveToTheirTargets)
{
    const struct {
        const char* page;
        const char* link;
        const char* accepted; // nullptr: refused
    } cases[] = {
        {"http://www.google.com/search?q=x", "/url?q=http://example.org/a&sa=U", "http://example.org/a"},
        {"http://www.google.com/search?q=x", "http://www.google.com/url?q=http%3A%2F%2Fexample.org%2Fb&sa=U",
         "http://example.org/b"},
        {"http://duckduckgo.com/?q=x", "/l/?uddg=http%3A%2F%2Fexample.org%2Fc&rut=1", "http://example.org/c"},
        {"http://search.yahoo.com/search?p=x", "http://r.search.yahoo.com/_ylt=A/RU=http%3a%2f%2fexample.org%2fd/RK=0",
         "http://example.org/d"},
        {"http://www.google.com/search?q=x", "http://webcache.googleusercontent.com/search?q=cache:x", nullptr},
        {"http://www.google.com/search?q=x", "http://www.google.com/search?q=other", nullptr},
        {"http://example.org/page", "relative/path.html", nullptr},
        {"http://example.org/page", "http://other.org/x%2Fy%41", "http://other.org/x/y%41"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.link);
        const URL accepted = acceptStringURL(QString::fromUtf8(row.link), url(row.page));
        if (row.accepted)
            EXPECT_EQ(accepted.absoluteString(), QString::fromUtf8(row.accepted));
        else
            EXPECT_TRUE(accepted.isNull()) << accepted.absoluteString().toStdString();
    }
    EXPECT_EQ(resolveStringURL(QStringLiteral("relative/path.html"), url("http://example.org/page")).absoluteString(),
              QStringLiteral("http://example.org/relative/path.html"));
    EXPECT_TRUE(resolveStringURL(QString(), url("http://example.org/")).isNull());
}

} // namespace
} // namespace sorvant
