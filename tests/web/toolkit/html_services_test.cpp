#include "web/toolkit/html_services.h"
#include "web/toolkit/rich_text_files.h"

#include <QFile>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

QString page()
{
    QFile file(QStringLiteral(SORVANT_WEB_TEST_DATA "/page.html"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromUtf8(file.readAll());
}

TEST(HTMLEntities, DecodesLikeHTMLText)
{
    const struct {
        const char* text;
        const char* decoded;
    } cases[] = {
        {"caf&eacute; &amp;amp; &#x1F600; &#0; &nosuch;", "café &amp; \U0001F600 \uFFFD &nosuch;"},
        {"&NotEqualTilde; &fjlig;", "\u2242\u0338 fj"},
        {"&copy2024 &notit; &not;", "©2024 ¬it; ¬"},
        {"&#128; &#x80; &#xD800; &#1114112; &#65", "€ € \uFFFD \uFFFD A"},
        {"&#; &#x; & &;", "&#; &#x; & &;"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(stringByConvertingEntitiesToCharacters(QString::fromUtf8(row.text)), QString::fromUtf8(row.decoded));
    }
    const QString plain = QString::fromUtf8("AT&T");
    EXPECT_TRUE(stringByConvertingEntitiesToCharacters(plain).isSharedWith(plain));
    EXPECT_TRUE(stringByConvertingEntitiesToCharacters(QString()).isNull());
}

TEST(HTMLServices, DocumentFacts)
{
    const QString html = page();
    EXPECT_EQ(htmlTitle(html), QString::fromUtf8("Café & Co \u2242\u0338"));
    EXPECT_EQ(htmlFavIcon(html), QStringLiteral("/favicon.ico"));
    EXPECT_EQ(htmlBaseURL(html).absoluteString(), QStringLiteral("http://example.org/dir/"));
    EXPECT_TRUE(htmlTitle(QStringLiteral("<p>no title</p>")).isNull());
    EXPECT_TRUE(htmlFavIcon(QStringLiteral("<p>x</p>")).isNull());
    EXPECT_TRUE(htmlBaseURL(QString()).isNull());
}

TEST(HTMLServices, AddressesInDocumentOrderWithoutRepeats)
{
    const QString html = page();
    EXPECT_EQ(htmlImages(html), (QStringList{"a.png", "B.PNG", "c.gif"}));
    EXPECT_EQ(htmlStylesheetsAndScripts(html), (QStringList{"site.css", "app.js"}));
    EXPECT_EQ(htmlEmbeddedObjects(html), (QStringList{"movie.swf", "clip.mov"}));
    URL base;
    EXPECT_EQ(htmlFramesBaseURL(html, &base), (QStringList{"frame.html"}));
    EXPECT_EQ(base.absoluteString(), QStringLiteral("http://example.org/dir/"));
    EXPECT_EQ(htmlLinksBaseURL(html, nullptr), (QStringList{"one.html", "http://other.net/two.PNG", "area.html"}));
    EXPECT_EQ(filteredHtmlLinksContaining(html, QStringLiteral("OTHER"), false, nullptr),
              (QStringList{"http://other.net/two.PNG"}));
    EXPECT_EQ(filteredHtmlLinksContaining(html, QString(), true, nullptr), (QStringList{"one.html", "area.html"}));
    EXPECT_TRUE(htmlImages(QString()).isEmpty());
    // A legacy name without ";" inside an attribute is not a reference.
    EXPECT_EQ(htmlLinksBaseURL(QStringLiteral("<a href='?a=1&copy=2&amp;b'>&copy x</a>"), nullptr),
              (QStringList{"?a=1&copy=2&b"}));
}

TEST(HTMLServices, PlainText)
{
    EXPECT_EQ(stringByConvertingHTMLToPlainText(
                  QStringLiteral("<p>a  b</p><p>c <a href='x:y'>d</a></p>"), false, true, true, true),
              QStringLiteral("a b\n\nc d <x:y>"));
    const QString text = stringByConvertingHTMLToPlainText(page(), false, true, true, false);
    EXPECT_EQ(text, QString::fromUtf8("Welcome\n\nFirst paragraph with a link and another.\n\nImages:\n\n"
                                      "one\ntwo ©2024 ♥\n\n  keep\n   this"));
    EXPECT_EQ(stringByConvertingHTMLToPlainText(QStringLiteral("<title>T</title><p>Caf&eacute;</p>"), true, true,
                                                false, false),
              QStringLiteral("T\n\nCafe"));
    EXPECT_EQ(stringByConvertingHTMLToPlainText(QStringLiteral("<p>a\n b</p><p>c</p>"), false, false, true, false),
              QStringLiteral("a\n bc"));
    EXPECT_TRUE(stringByConvertingHTMLToPlainText(QString(), false, true, true, false).isNull());
}

TEST(HTMLServices, DeepNestingIsParsedQuickly)
{
    QString html;
    for (int i = 0; i < 50'000; ++i)
        html += QStringLiteral("<div>");
    html += QStringLiteral("deep");
    EXPECT_EQ(stringByConvertingHTMLToPlainText(html, false, true, true, false), QStringLiteral("deep"));
}

// Regression: past 256 levels the parser stopped, and only the text before
// the nesting came back, with no error.
TEST(HTMLServices, DeepNestingKeepsEveryText)
{
    for (const int depth : {255, 256, 300, 20'000}) {
        SCOPED_TRACE(depth);
        const QString html = QStringLiteral("<html><head><title>T</title><script>if (a < b) x();</script></head><body>"
                                            "<p>before <a href='http://h/1'>one</a></p>")
                             + QStringLiteral("<div><b>").repeated(depth / 2) + QStringLiteral("inside <a href='http://h/2'>two</a>")
                             + QStringLiteral("</b></div>").repeated(depth / 2)
                             + QStringLiteral("<p>after <a href='http://h/3'>three</a></p></body></html>");
        const QString text = stringByConvertingHTMLToPlainText(html, false, true, true, true);
        for (const char* part : {"before one <http://h/1>", "inside two <http://h/2>", "after three <http://h/3>"})
            EXPECT_TRUE(text.contains(QLatin1String(part))) << part << " in " << text.left(200).toStdString();
        EXPECT_FALSE(text.contains(QLatin1String("x()"))) << text.left(200).toStdString();
        EXPECT_EQ(htmlLinksBaseURL(html, nullptr),
                  (QStringList{QStringLiteral("http://h/1"), QStringLiteral("http://h/2"), QStringLiteral("http://h/3")}));
        const AttributedString rich = attributedStringWithHTML(html.toUtf8(), QStringLiteral("UTF-8"), URL(), nullptr);
        EXPECT_TRUE(rich.string().contains(QLatin1String("after three"))) << rich.string().left(200).toStdString();
    }
}

} // namespace
} // namespace sorvant
