#include "web/toolkit/wiki_link_highlighting.h"

#include "tests/support/scan_work_bound.h"
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

// Regression: the scanner reports page names, CamelCase words and bracket
// references in passes of their own, out of text order, and each link laid
// moved the rest of the run list (120k links: 54 s).
TEST(WikiLinkHighlighting, ManyLinksTakeLinearWork)
{
    const QString segment = QStringLiteral("Alpha and WikiWord or [[some page]] then ");
    const QStringList names{QStringLiteral("Alpha")};
    test::expectLinearScanWork(
        [&](qsizetype size) {
            QString text;
            while (text.size() < size)
                text += segment;
            return text;
        },
        [&](const QString& plain) {
            AttributedString text(plain);
            highlightLinks(text, names, kWikiLinkCamelCase | kWikiLinkBrackets);
            const qsizetype segments = plain.size() / segment.size();
            ASSERT_EQ(text.runs().size(), 6 * segments);
            const qsizetype last = plain.size() - segment.size();
            for (const qsizetype link : {0, 10, 24}) {
                Range run;
                EXPECT_EQ(text.attributeAtIndex(kUnderline, last + link, &run), QVariant(1));
                EXPECT_EQ(run.location, last + link);
            }
        });
}

// Regression: every word after an unclosed "[[" searched the rest of its
// line for the closing brackets.
TEST(WikiLinkHighlighting, UnclosedBracketsTakeLinearWork)
{
    test::expectLinearScanWork(
        [](qsizetype size) {
            QString text = QStringLiteral("[[");
            while (text.size() < size)
                text += QStringLiteral("word ");
            return text + QStringLiteral("]] x [[y");
        },
        [](const QString& plain) {
            AttributedString text(plain);
            highlightLinks(text, {}, kWikiLinkBrackets);
            Range run;
            EXPECT_EQ(text.attributeAtIndex(kUnderline, 2, &run), QVariant(1));
            EXPECT_EQ(run, (Range{2, plain.size() - 10}));
            EXPECT_EQ(text.runs().size(), 3);
        });
}

// Regression: every "]:" looked back over its whole line for the "[" of a
// reference definition.
TEST(WikiLinkHighlighting, ReferenceColonsTakeLinearWork)
{
    for (const unsigned options : {unsigned(kWikiLinkCamelCase), unsigned(kWikiLinkCamelCase | kWikiLinkMarkdown)}) {
        SCOPED_TRACE(options);
        test::expectLinearScanWork(
            [](qsizetype size) { return QStringLiteral("# T\n") + QStringLiteral("]: ").repeated(size / 3) + QStringLiteral("WikiWord"); },
            [&](const QString& plain) {
                AttributedString text(plain);
                highlightLinks(text, {}, options);
                Range run;
                EXPECT_EQ(text.attributeAtIndex(kUnderline, plain.size() - 8, &run), QVariant(1));
                EXPECT_EQ(run, (Range{plain.size() - 8, 8}));
            });
    }
    // A "[" before the colons still opens a reference definition.
    AttributedString defined(QStringLiteral("[a]: WikiWord"));
    highlightLinks(defined, {}, kWikiLinkCamelCase | kWikiLinkMarkdown);
    EXPECT_FALSE(defined.attributeAtIndex(kUnderline, 5).isValid());
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
