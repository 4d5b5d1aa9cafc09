#include "web/toolkit/wiki_links.h"

#include "platform/url.h"
#include "search/fast_word_enumerator.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// Each link as "text/kind".
QStringList links(const QString& text, const QStringList& names, unsigned options, Range range)
{
    QStringList found;
    enumerateWikiLinks(text, names, options, range,
                       [&](const FastWordEnumerator& words, qsizetype location, qsizetype length, WikiLinkKind kind) {
                           EXPECT_EQ(words.length(), text.size());
                           found.append(QStringLiteral("%1/%2").arg(text.mid(location, length)).arg(int(kind)));
                       });
    return found;
}

QStringList links(const QString& text, const QStringList& names, unsigned options)
{
    return links(text, names, options, Range{0, text.size()});
}

struct LinkCase
{
    const char* name;
    const char* text;
    QStringList names;
    unsigned options;
    QStringList expected;
};

TEST(WikiLinks, TableOfScans)
{
    const QString longName(300, QLatin1Char('a'));
    const LinkCase cases[] = {
        {"longest name wins", "I love New York.", {"New York", "New"}, 0, {"New York/0"}},
        {"case-insensitive names", "APPLE pie", {"apple"}, kWikiLinkCaseInsensitive, {"APPLE/0"}},
        {"case-sensitive names", "APPLE pie", {"apple"}, 0, {}},
        {"name must end at a word end", "Newer things", {"New"}, 0, {}},
        {"overlapping names", "big apple pie", {"big apple", "apple pie"}, 0, {"big apple/0", "apple pie/0"}},
        {"mixed scripts", "Über Straße und Αθήνα", {"Straße", "Αθήνα"}, 0, {"Straße/0", "Αθήνα/0"}},
        {"non-alphanumeric names dropped", "see -x here", {"-x"}, 0, {}},
        {"camel case", "a WikiWord b Wiki WIki WikI ÜberWort", {}, kWikiLinkCamelCase, {"WikiWord/1", "ÜberWort/1"}},
        {"brackets", "see [[My Page]] now", {}, kWikiLinkBrackets, {"My Page/2"}},
        {"embedded brackets", "![[image]] and [[broken", {}, kWikiLinkBrackets, {}},
        {"brackets at the text start", "[[Start]] x", {}, kWikiLinkBrackets, {"Start/2"}},
        {"markdown skips code and targets", "x\n`WikiWord` [WikiWord](x) WikiWord", {},
         kWikiLinkCamelCase | kWikiLinkMarkdown, {"WikiWord/1"}},
        {"markdown skips the header", "Title: WikiWord\n\nBody WikiWord", {}, kWikiLinkCamelCase | kWikiLinkMarkdown,
         {"WikiWord/1"}},
        {"markdown skips math and tags", "x\n$WikiWord$ <WikiWord> WikiWord", {},
         kWikiLinkCamelCase | kWikiLinkMarkdown, {"WikiWord/1"}},
        {"markdown tab code", "x\n\tWikiWord\nWikiWord", {}, kWikiLinkCamelCase | kWikiLinkMarkdown, {"WikiWord/1"}},
        {"tab after a list line is no code", "- item\n\tWikiWord", {}, kWikiLinkCamelCase | kWikiLinkMarkdown,
         {"WikiWord/1"}},
        {"plain text keeps targets", "[WikiWord](x)", {}, kWikiLinkCamelCase, {"WikiWord/1"}},
    };
    for (const LinkCase& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(links(QString::fromUtf8(row.text), row.names, row.options), row.expected);
    }
    EXPECT_TRUE(links(longName + QStringLiteral(" b"), {longName}, 0).isEmpty());
}

TEST(WikiLinks, RangeLimitsTheScan)
{
    const QString text = QStringLiteral("New York and New Jersey");
    EXPECT_EQ(links(text, {QStringLiteral("New York"), QStringLiteral("New Jersey")}, 0, Range{9, 14}),
              (QStringList{QStringLiteral("New Jersey/0")}));
    // A name longer than the range is dropped.
    EXPECT_TRUE(links(text, {QStringLiteral("New York")}, 0, Range{0, 5}).isEmpty());
    EXPECT_TRUE(links(text, {QStringLiteral("New")}, 0, Range{0, 1}).isEmpty());
    EXPECT_TRUE(links(text, {}, 0).isEmpty());
    EXPECT_TRUE(links(text, {QStringLiteral("New")}, 0, Range{10, 30}).isEmpty());
}

TEST(WikiLinks, StateBeforeTheRangeCounts)
{
    const QString text = QStringLiteral("x\n`code WikiWord` WikiWord");
    EXPECT_EQ(links(text, {}, kWikiLinkCamelCase | kWikiLinkMarkdown, Range{8, 18}),
              (QStringList{QStringLiteral("WikiWord/1")}));
}

TEST(WikiSchemeLinks, PlainTextLinks)
{
    EXPECT_EQ(linksOfPlainTextWithScheme(QStringLiteral("(x-velmor-wiki:abc) and ax-velmor-wiki:no"),
                                         QStringLiteral("x-velmor-wiki")),
              (QSet<QString>{QStringLiteral("x-velmor-wiki:abc")}));
    EXPECT_EQ(linksOfMarkdownWithScheme(QStringLiteral("s:a\n[s:b] <s:c>s:d"), QStringLiteral("s:")),
              (QSet<QString>{QStringLiteral("s:a"), QStringLiteral("s:b"), QStringLiteral("s:c")}));
    EXPECT_TRUE(linksOfPlainTextWithScheme(QStringLiteral("s:a"), QString()).isEmpty());
    EXPECT_TRUE(linksOfPlainTextWithScheme(QString(), QStringLiteral("s")).isEmpty());
}

TEST(WikiScheme, SchemeSettingAndLinkForms)
{
    EXPECT_EQ(velmorWikiScheme(), QStringLiteral("x-velmor-wiki"));
    EXPECT_EQ(isVelmorWikiStringURL(QStringLiteral("http://VELMORwiki/x")), QStringLiteral("VELMORwiki/x"));
    EXPECT_EQ(isOldVelmorWikiStringURL(QStringLiteral("VELMORwiki_x")), QStringLiteral("VELMORwiki_x"));
    EXPECT_EQ(isVelmorWikiStringURL(QStringLiteral("x-velmor-wiki:a")), QStringLiteral("x-velmor-wiki:a"));
    EXPECT_TRUE(isOldVelmorWikiStringURL(QStringLiteral("x-velmor-wiki:a")).isNull());
    EXPECT_TRUE(isVelmorWikiStringURL(QStringLiteral("http://a")).isNull());
    EXPECT_TRUE(isVelmorWikiURL(URL::URLWithString(QStringLiteral("X-Velmor-Wiki://Page"))));

    setVelmorWikiScheme(QStringLiteral("notes"));
    EXPECT_EQ(velmorWikiScheme(), QStringLiteral("notes"));
    EXPECT_TRUE(isVelmorWikiURL(URL::URLWithString(QStringLiteral("notes:x"))));
    EXPECT_TRUE(isVelmorWikiStringURL(QStringLiteral("x-velmor-wiki:a")).isNull());
    setVelmorWikiScheme(QString());
    EXPECT_EQ(velmorWikiScheme(), QStringLiteral("x-velmor-wiki"));
    EXPECT_FALSE(isVelmorWikiURL(URL()));
}

TEST(WikiScheme, Identifiers)
{
    const struct {
        const char* link;
        const char* id;
    } cases[] = {
        {"x-velmor-wiki://Page%20One/?a=b", "Page%20One"},
        {"x-velmor-wiki:Page", "Page"},
        {"VELMORwiki_Page#x", "Page"},
        {"x-velmor-wiki:///", nullptr},
        {"none", nullptr},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.link);
        EXPECT_EQ(velmorWikiID(QString::fromUtf8(row.link)), row.id ? QString::fromUtf8(row.id) : QString());
    }
}

} // namespace
} // namespace sorvant
