#include "web/toolkit/attributed_editing.h"

#include "platform/url.h"

#include <QFont>
#include <QUrl>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

const QString kFont = QString::fromLatin1(attribute::kFont);
const QString kColor = QString::fromLatin1(attribute::kForegroundColor);
const QString kLink = QString::fromLatin1(attribute::kLink);
const QString kUnderline = QString::fromLatin1(attribute::kUnderlineStyle);
const QString kParagraph = QString::fromLatin1(attribute::kParagraphStyle);

QVariant bold()
{
    return QStringLiteral("Helvetica-Bold");
}

// "plain" followed by "bold" runs: "abBOLDcd" with BOLD bold.
AttributedString mixed()
{
    AttributedString text(QStringLiteral("ab"));
    text.appendAttributedString(AttributedString(QStringLiteral("BOLD"), {{kFont, bold()}}));
    text.appendAttributedString(AttributedString(QStringLiteral("cd")));
    return text;
}

TEST(AttributedEditing, InsertingAtRunBoundariesTakesTheNeighbourAttributes)
{
    const struct {
        qsizetype index;
        bool bold;
    } cases[] = {{0, false}, {2, false}, {3, true}, {6, true}, {8, false}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.index);
        AttributedString text = mixed();
        insertString(text, QStringLiteral("xy"), row.index);
        EXPECT_EQ(text.attributeAtIndex(kFont, row.index).isValid(), row.bold);
        EXPECT_EQ(text.length(), 10);
    }
}

TEST(AttributedEditing, OverrideAcrossRunsKeepsOtherAttributes)
{
    AttributedString text = mixed();
    const QVariant red = QVariant::fromValue(Color::redColor());
    overrideAttributes(text, {{kColor, red}}, Range{1, 3});
    EXPECT_EQ(text.attributesAtIndex(2), (QVariantMap{{kFont, bold()}, {kColor, red}}));
    EXPECT_EQ(text.attributesAtIndex(1), (QVariantMap{{kColor, red}}));
    EXPECT_EQ(text.attributesAtIndex(4), (QVariantMap{{kFont, bold()}}));
    // Past the end is clipped; an empty dictionary changes nothing.
    const AttributedString before = text;
    overrideAttributes(text, {}, Range{0, 8});
    EXPECT_EQ(text, before);
    overrideAttributes(text, {{kColor, red}}, Range{7, 50});
    EXPECT_EQ(text.attributesAtIndex(7), (QVariantMap{{kColor, red}}));
}

TEST(AttributedEditing, SetAttributeAndRemoveAllExcept)
{
    AttributedString text = mixed();
    setAttribute(text, QStringLiteral("tip"), QStringLiteral("ToolTip"), Range{0, 8});
    setAttribute(text, QVariant(), kFont, Range{0, 3});
    EXPECT_FALSE(text.attributeAtIndex(kFont, 2).isValid());
    EXPECT_TRUE(text.attributeAtIndex(kFont, 3).isValid());
    overrideAttributes(text, linkAttributes(QStringLiteral("http://x")));
    text.addAttribute(kParagraph, QStringLiteral("centred"), Range{0, 8});
    removeAllAttributesExcept(text, {kFont});
    EXPECT_EQ(text.attributesAtIndex(4), (QVariantMap{{kFont, bold()}}));
    EXPECT_TRUE(text.attributesAtIndex(0).isEmpty());
    removeAllAttributesExcept(text, {});
    EXPECT_EQ(text.runs().size(), 1);
}

TEST(AttributedEditing, ExplicitLinkDictionaryStopsAtTheFirstMissingValue)
{
    const QVariant link = QUrl(QStringLiteral("http://a.b/"));
    AttributedString text;
    appendStringWithLink(text, QStringLiteral("x"), link, QVariant(), Color::redColor(), true, Color::blueColor());
    EXPECT_EQ(text.attributesAtIndex(0), (QVariantMap{{kLink, link}, {kUnderline, 1}}));
    appendStringWithLink(text, QStringLiteral("y"), link, QFont(QStringLiteral("Sans")), Color::redColor(), false,
                         Color());
    EXPECT_EQ(text.attributesAtIndex(1).size(), 4);
    EXPECT_EQ(text.attributeAtIndex(kUnderline, 1), QVariant(0));
    appendStringWithLink(text, QStringLiteral("z"), QVariant(), QVariant(), Color(), true, Color());
    EXPECT_TRUE(text.attributesAtIndex(2).isEmpty());
    appendStringWithLink(text, QString(), link, QVariant(), Color(), true, Color());
    EXPECT_EQ(text.length(), 3);
}

TEST(AttributedEditing, AppendingWithAndWithoutAttributes)
{
    AttributedString text(QStringLiteral("a"), {{kFont, bold()}});
    appendString(text, QString());
    appendString(text, QStringLiteral("b"));
    appendString(text, QStringLiteral("c"), QVariantMap{{kColor, QStringLiteral("red")}});
    appendFormat(text, QStringLiteral("%d%@"), {7, QStringLiteral("x")});
    attributesAppendFormat(text, {}, QStringLiteral("[%@]"), {QVariant()});
    EXPECT_EQ(text.string(), QStringLiteral("abc7x[(null)]"));
    EXPECT_EQ(text.attributesAtIndex(1), (QVariantMap{{kFont, bold()}}));
    EXPECT_EQ(text.attributesAtIndex(2), (QVariantMap{{kColor, QStringLiteral("red")}}));
    EXPECT_EQ(text.attributesAtIndex(4), (QVariantMap{{kColor, QStringLiteral("red")}}));
    EXPECT_TRUE(text.attributesAtIndex(6).isEmpty());
    appendStringAsLink(text, QStringLiteral("http://q"), Color::yellowColor());
    EXPECT_EQ(text.attributeAtIndex(kLink, text.length() - 1), QVariant(QStringLiteral("http://q")));
    insertString(text, QVariant(42), 0);
    EXPECT_TRUE(text.string().startsWith(QStringLiteral("42abc")));
}

TEST(AttributedEditing, ReplacingEveryOccurrence)
{
    AttributedString text(QStringLiteral("aaa"));
    EXPECT_EQ(replaceString(text, QStringLiteral("a"), QStringLiteral("aa")), 3);
    EXPECT_EQ(text.string(), QStringLiteral("aaaaaa"));

    AttributedString words(QStringLiteral("Go to Home, go home"));
    EXPECT_EQ(replaceStringWithLink(words, QStringLiteral("home"), QUrl(QStringLiteral("http://h/")), QString(), false),
              2);
    EXPECT_EQ(words.string(), QStringLiteral("Go to http://h/, go http://h/"));
    Range linkRange;
    EXPECT_TRUE(words.attributeAtIndex(kLink, 8, &linkRange).isValid());
    EXPECT_EQ(linkRange, (Range{6, 9}));
    EXPECT_EQ(replaceString(words, QStringLiteral("go"), QString()), 1);
    EXPECT_EQ(replaceString(words, QString(), QStringLiteral("x")), 0);
    EXPECT_EQ(replaceStringWithLink(words, QStringLiteral("Go"), QVariant(), QStringLiteral("d")), 0);
}

// The toolkit's own URL type was shown as its type name, "<sorvant::URL>".
TEST(AttributedEditing, ToolkitURLsAreLinksLikeQUrls)
{
    const URL url = URL::URLWithString(QStringLiteral("https://example.org/a b"));
    EXPECT_EQ(textOfLink(QString(), QVariant::fromValue(url)), url.absoluteString());
    EXPECT_EQ(textOfLink(QStringLiteral("Example"), QVariant::fromValue(url)), QStringLiteral("Example"));
    AttributedString words(QStringLiteral("see here"));
    EXPECT_EQ(replaceStringWithLink(words, QStringLiteral("here"), QVariant::fromValue(url), QString()), 1);
    EXPECT_EQ(words.string(), QStringLiteral("see ") + url.absoluteString());
    EXPECT_EQ(words.attributeAtIndex(kLink, 5).value<URL>(), url);
}

TEST(AttributedEditing, ReplacedTextKeepsTheParagraphStyle)
{
    AttributedString text(QStringLiteral("one TWO"), {{kParagraph, QStringLiteral("indented")}});
    const AttributedString replacement(QStringLiteral("three"), {{kFont, bold()}, {kParagraph, QStringLiteral("other")}});
    EXPECT_EQ(replaceStringWithAttributedString(text, QStringLiteral("two"), replacement, false), 1);
    EXPECT_EQ(text.string(), QStringLiteral("one three"));
    EXPECT_EQ(text.attributesAtIndex(5),
              (QVariantMap{{kFont, bold()}, {kParagraph, QStringLiteral("indented")}}));
}

} // namespace
} // namespace sorvant
