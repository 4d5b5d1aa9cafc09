#include "web/toolkit/feed_services.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

QString nested(const QString& name, int depth, const QString& inner)
{
    return QStringLiteral("<%1>").arg(name).repeated(depth) + inner + QStringLiteral("</%1>").arg(name).repeated(depth);
}

// Regression: a title nested 100,000 deep overflowed the stack. Then the
// reading stopped at the deep element, and every later item was lost
// without a word: the deep part is skipped and the reading goes on.
TEST(FeedServices, DeeplyNestedElementsAreSkippedAndLaterItemsKept)
{
    const QString feed = QStringLiteral("<rss><channel><title>Channel</title><item><title>A</title></item><item><title>")
                         + nested(QStringLiteral("b"), 100000, QStringLiteral("deep")) + QStringLiteral("</title></item>")
                         + QStringLiteral("<item><title>C</title></item></channel></rss>");
    const QList<QVariantMap> items = getItemsOfFeed(feed, URL());
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items.first().value(QStringLiteral("title")), QVariant(QStringLiteral("A")));
    EXPECT_EQ(items.last().value(QStringLiteral("title")), QVariant(QStringLiteral("C")));
    // 260 deep in the first item's description, outside any known element.
    const QString first = QStringLiteral("<rss><channel><item><title>A</title><description>text ")
                          + nested(QStringLiteral("p"), 260, QStringLiteral("deep")) + QStringLiteral(" end</description>")
                          + nested(QStringLiteral("x"), 300, QString())
                          + QStringLiteral("</item><item><title>B</title></item><item><title>C</title></item></channel></rss>");
    const QList<QVariantMap> kept = getItemsOfFeed(first, URL());
    ASSERT_EQ(kept.size(), 3);
    EXPECT_EQ(kept.at(0).value(QStringLiteral("description")).toString().left(4), QStringLiteral("text"));
    EXPECT_TRUE(kept.at(0).value(QStringLiteral("description")).toString().endsWith(QLatin1String("end")));
    EXPECT_EQ(kept.at(1).value(QStringLiteral("title")), QVariant(QStringLiteral("B")));
    EXPECT_TRUE(stringByConvertingFeed(first, URL(), false).contains(QLatin1String(">C<")));
    EXPECT_TRUE(stringByConvertingFeed(feed, URL(), false).contains(QLatin1String("<title>Channel</title>")));
    const QString outside = QStringLiteral("<rss><channel>") + nested(QStringLiteral("x"), 100000, QString())
                            + QStringLiteral("</channel></rss>");
    EXPECT_TRUE(getItemsOfFeed(outside, URL()).isEmpty());

    // Titles with markup inside still read whole.
    const QList<QVariantMap> marked =
        getItemsOfFeed(QStringLiteral("<rss><channel><item><title>a <b>bold <i>x</i></b> c</title></item></channel></rss>"), URL());
    ASSERT_EQ(marked.size(), 1);
    EXPECT_EQ(marked.first().value(QStringLiteral("title")), QVariant(QStringLiteral("a bold x c")));
}

// The deepest element read sits exactly at the bound (256, the root
// counting 1); one level more is skipped. Both readers count it: the one of
// the feed's elements (the title itself nested deep) and the one of an
// element's text (the title's inner markup nested deep).
TEST(FeedServices, ElementsDownToTheDepthBoundAreReadAndOneDeeperIsSkipped)
{
    // <rss><channel> are depths 1 and 2, <item><title> the last two levels.
    const auto titleAt = [](int depth) {
        return QStringLiteral("<rss><channel>")
               + nested(QStringLiteral("x"), depth - 4, QStringLiteral("<item><title>T</title></item>"))
               + QStringLiteral("</channel></rss>");
    };
    // <rss><channel><item><title> are depths 1 to 4, the markup below them.
    const auto textAt = [](int depth) {
        return QStringLiteral("<rss><channel><item><title>")
               + nested(QStringLiteral("b"), depth - 4, QStringLiteral("T"))
               + QStringLiteral("</title></item></channel></rss>");
    };
    struct Case
    {
        const char* name;
        QString feed;
        QString title;
    };
    const Case cases[] = {
        {"title at 256", titleAt(256), QStringLiteral("T")},
        {"title at 257", titleAt(257), QString()},
        {"title text at 256", textAt(256), QStringLiteral("T")},
        {"title text at 257", textAt(257), QString()},
    };
    for (const Case& c : cases) {
        const QList<QVariantMap> items = getItemsOfFeed(c.feed, URL());
        ASSERT_EQ(items.size(), 1) << c.name;
        EXPECT_EQ(items.first().value(QStringLiteral("title")).toString(), c.title) << c.name;
    }
}

TEST(FeedServices, ScriptAndDataLinksNeverReachTheDisplayPage)
{
    const QString feed = QStringLiteral(
        "<?xml-stylesheet type=\"text/css\" href=\"data:text/css,body{}\"?>"
        "<rss><channel><title>T</title><link>javascript:alert(1)</link>"
        "<item><title>Script</title><link>javascript:alert(2)</link></item>"
        "<item><title>Spaced</title><link> JAVA&#9;SCRIPT:alert(3)</link></item>"
        "<item><title>Data</title><link>data:text/html,&lt;script&gt;alert(4)&lt;/script&gt;</link></item>"
        "<item><title>Web</title><link>https://example.org/a?b=1</link></item>"
        "<item><title>Relative</title><link>entries/1</link></item>"
        "</channel></rss>");
    const QString page = stringByConvertingFeed(feed, URL(), true);
    EXPECT_FALSE(page.contains(QLatin1String("script:"), Qt::CaseInsensitive)) << page.toStdString();
    EXPECT_FALSE(page.contains(QLatin1String("SCRIPT"), Qt::CaseSensitive)) << page.toStdString();
    EXPECT_FALSE(page.contains(QLatin1String("data:"))) << page.toStdString();
    EXPECT_TRUE(page.contains(QLatin1String("<a href=\"https://example.org/a?b=1\">Web</a>"))) << page.toStdString();
    EXPECT_TRUE(page.contains(QLatin1String("<a href=\"entries/1\">Relative</a>"))) << page.toStdString();
    EXPECT_TRUE(page.contains(QLatin1String("<h2>Script</h2>"))) << page.toStdString();

    const QString item = stringByConvertingItemToDisplayHTML(
        {{QStringLiteral("title"), QStringLiteral("X")}, {QStringLiteral("link"), QStringLiteral("vbscript:msgbox")}});
    EXPECT_FALSE(item.contains(QLatin1String("href"))) << item.toStdString();
}

} // namespace
} // namespace sorvant
