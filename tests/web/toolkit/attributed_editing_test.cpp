#include "web/toolkit/attributed_editing.h"

#include "platform/url.h"

#include <QFont>
#include <QUrl>

#include "tests/support/scan_work_bound.h"

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

// Each occurrence takes the attributes of the first unit it replaces, in
// the text as it was: a replacement that starts where an earlier one
// ended, or inside a run an earlier one split, still reads its own place.
TEST(AttributedEditing, EachOccurrenceTakesItsOwnPlacesAttributes)
{
    AttributedString text(QStringLiteral("xAxa"));
    text.addAttribute(kFont, bold(), Range{1, 1});
    text.addAttribute(kColor, QStringLiteral("red"), Range{3, 1});
    EXPECT_EQ(replaceString(text, QStringLiteral("a"), QStringLiteral("bb"), false), 2);
    EXPECT_EQ(text.string(), QStringLiteral("xbbxbb"));
    EXPECT_EQ(describeAttributedString(text),
              QStringLiteral("x{}bb{Font: Helvetica-Bold}x{}bb{ForegroundColor: red}"));

    AttributedString links(QStringLiteral("a-a"));
    links.addAttribute(kFont, bold(), Range{2, 1});
    EXPECT_EQ(replaceStringWithLink(links, QStringLiteral("a"), QStringLiteral("L"), QStringLiteral("ab")), 2);
    EXPECT_EQ(describeAttributedString(links),
              QStringLiteral("ab{Link: L}-{}ab{Font: Helvetica-Bold, Link: L}"));
}

// A text of `size` units in "ab " triples, every other triple bold, so
// that an edit which moves the runs after it is seen.
AttributedString alternatingTriples(qsizetype size)
{
    AttributedString text;
    for (qsizetype i = 0; text.length() < size; ++i)
        text.appendAttributedString(AttributedString(QStringLiteral("ab "), i % 2 ? QVariantMap{{kFont, bold()}}
                                                                                   : QVariantMap()));
    return text;
}

// Regression: each occurrence was one edit that moved the text and the
// runs after it, so many occurrences took quadratic time (replaceString
// over 200,000 "ab ": 89 s).
TEST(AttributedEditing, ManyOccurrencesTakeLinearWork)
{
    test::expectLinearScanWork(alternatingTriples, [](AttributedString text) {
        const qsizetype triples = text.length() / 3;
        EXPECT_EQ(replaceString(text, QStringLiteral("ab"), QStringLiteral("xyz")), triples);
        EXPECT_EQ(text.length(), 4 * triples);
        EXPECT_EQ(text.runs().size(), triples);
        EXPECT_EQ(text.attributesAtIndex(4 * triples - 4).isEmpty(), triples % 2 == 1);
    });
    test::expectLinearScanWork(alternatingTriples, [](AttributedString text) {
        const qsizetype triples = text.length() / 3;
        EXPECT_EQ(replaceStringWithLink(text, QStringLiteral("B "), QStringLiteral("L"), QStringLiteral("-"), false),
                  triples);
        EXPECT_EQ(text.length(), 2 * triples);
        EXPECT_EQ(text.attributeAtIndex(kLink, 2 * triples - 1), QVariant(QStringLiteral("L")));
    });
    test::expectLinearScanWork(alternatingTriples, [](AttributedString text) {
        const AttributedString replacement(QStringLiteral("B"), {{kColor, QStringLiteral("red")}});
        const qsizetype triples = text.length() / 3;
        EXPECT_EQ(replaceStringWithAttributedString(text, QStringLiteral("b"), replacement), triples);
        EXPECT_EQ(text.runs().size(), 3 * triples);
    });
}

} // namespace
} // namespace sorvant
