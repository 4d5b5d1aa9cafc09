#include "web/toolkit/wiki_link_highlighting.h"

#include "web/toolkit/wiki_links.h"

#include <QUrl>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

const QString kLink = QString::fromLatin1(attribute::kLink);
const QString kUnderline = QString::fromLatin1(attribute::kUnderlineStyle);

// A layout's temporary attributes kept as an attributed text of spaces.
class FakeLayout : public TemporaryAttributeHolder
{
public:
    explicit FakeLayout(qsizetype length) : m_attributes(QString(length, QLatin1Char(' '))) {}
    QVariantMap temporaryAttributesAtIndex(qsizetype index, Range* effectiveRange) const override
    {
        return m_attributes.attributesAtIndex(index, effectiveRange);
    }
    void overrideTemporaryAttributes(const QVariantMap& attributes, Range range) override
    {
        m_attributes.addAttributes(attributes, range);
        ++m_calls;
    }
    AttributedString m_attributes;
    int m_calls = 0;
};

TEST(WikiLinkHighlighting, LaysAttributesIntoTheText)
{
    AttributedString text(QStringLiteral("See WikiWord and [[Other Page]] here"));
    highlightLinks(text, {}, kWikiLinkCamelCase | kWikiLinkBrackets);
    Range run;
    EXPECT_EQ(text.attributeAtIndex(kLink, 4, &run), QVariant(QUrl(QStringLiteral("VELMORwiki"))));
    EXPECT_EQ(run, (Range{4, 8}));
    EXPECT_EQ(text.attributeAtIndex(kUnderline, 19, &run), QVariant(1));
    EXPECT_EQ(run, (Range{19, 10}));
    EXPECT_FALSE(text.attributeAtIndex(kLink, 0).isValid());
    EXPECT_EQ(text.attributeAtIndex(QStringLiteral("ForegroundColor"), 4).value<Color>(), autoLinkColor());

    AttributedString untouched(QStringLiteral("WikiWord"));
    highlightLinks(untouched, {}, 0);
    highlightLinks(untouched, {}, kWikiLinkCamelCase, Range{0, 8}, {}, nullptr);
    EXPECT_EQ(untouched.runs().size(), 1);
    EXPECT_TRUE(untouched.attributesAtIndex(0).isEmpty());
}

TEST(WikiLinkHighlighting, TemporaryAttributesSkipUnderlinedAndLinkedText)
{
    AttributedString text(QStringLiteral("WikiWord NextWord LastWord"));
    text.addAttribute(kLink, QStringLiteral("http://x"), Range{18, 8});
    FakeLayout layout(text.length());
    layout.m_attributes.addAttribute(kUnderline, 1, Range{7, 5});   // starts before "NextWord"
    highlightLinks(text, {}, kWikiLinkCamelCase, Range{0, text.length()}, {{QStringLiteral("ForegroundColor"), 1}},
                   &layout);
    EXPECT_EQ(layout.m_calls, 1);
    EXPECT_EQ(layout.m_attributes.attributeAtIndex(QStringLiteral("Cursor"), 0), QVariant(QStringLiteral("PointingHand")));
    EXPECT_FALSE(layout.m_attributes.attributeAtIndex(QStringLiteral("Cursor"), 9).isValid());
    EXPECT_FALSE(text.attributeAtIndex(QStringLiteral("ForegroundColor"), 0).isValid());
}

TEST(WikiLinkHighlighting, LinksOfHTMLAndRichText)
{
    const QString html = QStringLiteral("<a href='x-velmor-wiki:One'>one</a> <a href='http://a'>a</a>"
                                        "<p>see (x-velmor-wiki:Two) <a href='x-velmor-wiki:Three'>t</a></p>");
    EXPECT_EQ(linksOfHTMLWithScheme(html, QStringLiteral("x-velmor-wiki")),
              (QSet<QString>{"x-velmor-wiki:One", "x-velmor-wiki:Two", "x-velmor-wiki:Three"}));
    EXPECT_TRUE(linksOfHTMLWithScheme(html, QString()).isEmpty());

    AttributedString text(QStringLiteral("a b c notes:plain"));
    text.addAttribute(kLink, QStringLiteral("notes:Str"), Range{0, 1});
    text.addAttribute(kLink, QUrl(QStringLiteral("notes://url/Page")), Range{2, 1});
    text.addAttribute(kLink, QStringLiteral("http://VELMORwiki/Old"), Range{4, 1});
    int old = -1;
    EXPECT_EQ(linksOfRichTextWithScheme(text, QStringLiteral("notes"), &old),
              (QSet<QString>{"notes:Str", "notes://url/Page", "notes:plain"}));
    EXPECT_EQ(old, 1);
    EXPECT_TRUE(linksOfRichTextWithScheme(AttributedString(), QStringLiteral("notes"), &old).isEmpty());
    EXPECT_EQ(old, 0);
}

} // namespace
} // namespace sorvant
