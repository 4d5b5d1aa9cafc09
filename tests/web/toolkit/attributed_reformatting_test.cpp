#include "web/toolkit/attributed_reformatting.h"

#include "foundation/ligatures.h"
#include "foundation/mutable_string_edits.h"

#include "web/toolkit/attributed_lines.h"
#include "web/toolkit/paragraph_style.h"

#include <QFont>

#include <random>
#include <tuple>

#include "tests/support/scan_work_bound.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

const QString kFont = QString::fromLatin1(attribute::kFont);
const QString kParagraph = QString::fromLatin1(attribute::kParagraphStyle);

QFont font(double size, bool bold = false)
{
    QFont f(QStringLiteral("Serif"));
    f.setPointSizeF(size);
    f.setBold(bold);
    return f;
}

AttributedString line(const QString& text, double size, bool bold = false)
{
    return AttributedString(text, {{kFont, font(size, bold)}});
}

AttributedString joined(std::initializer_list<AttributedString> parts)
{
    AttributedString text;
    for (const AttributedString& part : parts)
        text.appendAttributedString(part);
    return text;
}

TEST(AttributedReformatting, ReflowJoinsLinesIntoParagraphs)
{
    const struct {
        const char* name;
        AttributedString text;
        const char* expected;
    } cases[] = {
        {"same font joins", joined({line("one\n", 12), line("two\n", 12), line("three\n", 12)}), "one two three"},
        {"blank line", joined({line("one\n", 12), line(" \t\n", 12), line("two", 12)}), "one\n\ntwo"},
        {"smaller next line", joined({line("Head\n", 14), line("body", 12)}), "Head\nbody"},
        {"much larger next line", joined({line("body\n", 12), line("Title", 18)}), "body\n\nTitle"},
        {"boldness differs", joined({line("a\n", 12, true), line("b", 12)}), "a\nb"},
        {"long line stands alone", joined({line(QString(130, QLatin1Char('x')) + "\n", 12), line("y", 12)}),
         "\n\ny"},
        {"spaces collapse", joined({line("a  \t b\n", 12)}), "a b"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const AttributedString result = reformattedAttributedStringByRemovingCharactersOfString(row.text, QString());
        QString expected = QString::fromUtf8(row.expected);
        if (QByteArray(row.name) == "long line stands alone")
            expected.prepend(QString(130, QLatin1Char('x')));
        EXPECT_EQ(result.string(), expected);
    }
}

TEST(AttributedReformatting, ReflowKeepsFontsAndClearsParagraphSpacing)
{
    ParagraphStyle spaced;
    spaced.paragraphSpacing = 6;
    spaced.paragraphSpacingBefore = 3;
    AttributedString text = joined({line("-a-\n", 14), line("b\n", 12), line("c", 12)});
    text.addAttribute(kParagraph, QVariant::fromValue(spaced), Range{0, 4});
    const AttributedString result = reformattedAttributedStringByRemovingCharactersOfString(text, QStringLiteral("-"));
    EXPECT_EQ(result.string(), QStringLiteral("a\n\nb c"));   // spacing above 1 asks for a new paragraph
    EXPECT_EQ(result.attributeAtIndex(kFont, 0).value<QFont>().pointSizeF(), 14.0);
    EXPECT_EQ(result.attributeAtIndex(kFont, 3).value<QFont>().pointSizeF(), 12.0);
    const ParagraphStyle cleared = result.attributeAtIndex(kParagraph, 0).value<ParagraphStyle>();
    EXPECT_EQ(cleared.paragraphSpacing, 0);
    EXPECT_EQ(cleared.paragraphSpacingBefore, 0);
    EXPECT_TRUE(reformattedAttributedStringByRemovingCharactersOfString(AttributedString(), QString()).isEmpty());
}

TEST(AttributedReformatting, EditsKeepAttributesOnTheKeptCharacters)
{
    AttributedString text = joined({line("a\tb", 12), line("\tc\t", 18, true)});
    removeTabs(text);
    EXPECT_EQ(text.string(), QStringLiteral("abc"));
    EXPECT_EQ(text.attributeAtIndex(kFont, 1).value<QFont>().pointSizeF(), 12.0);
    EXPECT_TRUE(text.attributeAtIndex(kFont, 2).value<QFont>().bold());

    AttributedString spaced = joined({line("a", 12), line("\t\tb", 18)});
    removeMultipleSpaces(spaced);
    EXPECT_EQ(spaced.string(), QStringLiteral("a b"));
    EXPECT_EQ(spaced.attributeAtIndex(kFont, 1).value<QFont>().pointSizeF(), 18.0);

    AttributedString feeds(QStringLiteral("a\r\n\r\nb\rc"));
    removeMultipleFeeds(feeds);
    EXPECT_EQ(feeds.string(), QStringLiteral("a\nb\nc"));

    AttributedString tabs = joined({line("ab", 12), line("\tc", 18)});
    decodeTabs(tabs, 4);
    EXPECT_EQ(tabs.string(), QStringLiteral("ab  c"));
    EXPECT_EQ(tabs.attributeAtIndex(kFont, 0).value<QFont>().pointSizeF(), 12.0);
    EXPECT_EQ(tabs.attributeAtIndex(kFont, 4).value<QFont>().pointSizeF(), 18.0);

    AttributedString appended = line("ab", 12);
    appendSubstring(appended, QStringLiteral("xyz"), Range{1, 2});
    appendUnichar(appended, u'!');
    EXPECT_EQ(appended.string(), QStringLiteral("abyz!"));
    EXPECT_EQ(appended.runs().size(), 1);

    AttributedString replaced = joined({line("a-b", 12), line("-c", 18)});
    EXPECT_EQ(replaceCharacter(replaced, '-', '+'), 2);
    EXPECT_EQ(replaced.string(), QStringLiteral("a+b+c"));
    EXPECT_EQ(replaced.attributeAtIndex(kFont, 3).value<QFont>().pointSizeF(), 18.0);
}

// Normalization in each form changes the characters and keeps each run's
// attributes on what its characters became.
TEST(AttributedReformatting, NormalizationInEachFormKeepsTheRuns)
{
    const auto sample = [] { return joined({line(QStringLiteral("x"), 12), line(QStringLiteral("\u00e9\uFB01"), 18, true)}); };

    AttributedString decomposed = sample();
    normalizeString(decomposed, unicode::NormalizationForm::NFD);
    EXPECT_EQ(decomposed.string(), QStringLiteral("xe\u0301\uFB01")); // the ligature is no canonical pair
    EXPECT_EQ(decomposed.attributeAtIndex(kFont, 0).value<QFont>().pointSizeF(), 12.0);
    EXPECT_TRUE(decomposed.attributeAtIndex(kFont, 1).value<QFont>().bold());
    EXPECT_TRUE(decomposed.attributeAtIndex(kFont, 2).value<QFont>().bold());

    AttributedString compatible = sample();
    normalizeString(compatible, unicode::NormalizationForm::NFKD);
    EXPECT_EQ(compatible.string(), QStringLiteral("xe\u0301fi"));
    EXPECT_TRUE(compatible.attributeAtIndex(kFont, 4).value<QFont>().bold());

    normalizeString(compatible, unicode::NormalizationForm::NFKC);
    EXPECT_EQ(compatible.string(), QStringLiteral("x\u00e9fi"));
    EXPECT_EQ(compatible.attributeAtIndex(kFont, 0).value<QFont>().pointSizeF(), 12.0);
    EXPECT_TRUE(compatible.attributeAtIndex(kFont, 1).value<QFont>().bold());

    // Without a form: composition (form C), which keeps the ligature.
    normalizeString(decomposed);
    EXPECT_EQ(decomposed.string(), QStringLiteral("x\u00e9\uFB01"));
    EXPECT_TRUE(decomposed.attributeAtIndex(kFont, 1).value<QFont>().bold());

    AttributedString empty;
    normalizeString(empty, unicode::NormalizationForm::NFD);
    EXPECT_TRUE(empty.isEmpty());
}

TEST(AttributedReformatting, CaseChangesPerRun)
{
    AttributedString text(QStringLiteral("hello world"));
    text.addAttribute(kFont, font(12, true), Range{6, 3});
    capitalize(text);
    EXPECT_EQ(text.string(), QStringLiteral("Hello WorLd"));
    uppercase(text);
    EXPECT_EQ(text.string(), QStringLiteral("HELLO WORLD"));
    AttributedString sharp(QString::fromUtf8("straße"), {{kFont, font(12)}});
    uppercase(sharp);
    EXPECT_EQ(sharp.string(), QStringLiteral("STRASSE"));
    EXPECT_EQ(sharp.runs().size(), 1);
    _changeCase(sharp, 7);
    EXPECT_EQ(sharp.string(), QStringLiteral("STRASSE"));
}

// Regression: each run was replaced in place, moving every run after it,
// so 40,000 runs took minutes.
TEST(AttributedReformatting, CaseChangesOverManyRunsTakeLinearWork)
{
    test::expectLinearScanWork(
        [](qsizetype size) {
            AttributedString text;
            for (qsizetype i = 0; text.length() < size; ++i)
                text.appendAttributedString(AttributedString(QStringLiteral("ab "), {{kFont, font(12, i % 2 == 0)}}));
            return text;
        },
        [](AttributedString text) {
            const qsizetype runs = text.runs().size();
            capitalize(text);
            EXPECT_TRUE(text.string().startsWith(QLatin1String("Ab Ab ")));
            EXPECT_EQ(text.runs().size(), runs);
        });
}

TEST(AttributedReformatting, AttachmentsLinksAndTrimming)
{
    const AttributedString attachment = *attributedStringWithAttachmentContents("x", QStringLiteral("x.txt"));
    AttributedString text = joined({attachment, AttributedString(QStringLiteral(" a ")), attachment});
    AttributedString kept = text;
    trimWhiteSpacesAndAttachments(kept, false);
    EXPECT_EQ(kept.length(), 5);
    AttributedString trimmed = text;
    trimWhiteSpacesAndAttachments(trimmed, true);
    EXPECT_EQ(trimmed.string(), QStringLiteral("a"));
    text.appendAttributedString(AttributedString(QString(QChar(kAttachmentCharacter))));   // no attachment on it
    removeAttachments(text);
    EXPECT_EQ(text.string(), QString(QStringLiteral(" a ")) + QChar(kAttachmentCharacter));

    AttributedString linked = *attributedStringWithLink(QStringLiteral("http://x"), QStringLiteral("x"));
    linked.addAttribute(kFont, font(12), Range{0, 1});
    removeLinks(linked);
    EXPECT_EQ(linked.attributesAtIndex(0), (QVariantMap{{kFont, font(12)}}));

    // Attachment characters belong to the white-spaces class but are kept.
    AttributedString white = joined({AttributedString(QStringLiteral("a \n")), attachment, attachment,
                                     AttributedString(QStringLiteral("\t\tb"))});
    removeMultipleWhiteSpaces(white);
    EXPECT_EQ(white.string(), QStringLiteral("a ") + QString(2, QChar(kAttachmentCharacter)) + QStringLiteral(" b"));
    EXPECT_EQ(numberOfAttachments(white), 2);

    AttributedString blank(QString(QChar(kAttachmentCharacter)) + QStringLiteral(" \t "));
    EXPECT_FALSE(trimForReformatting(blank));
    EXPECT_EQ(blank.string(), QStringLiteral(" "));
    AttributedString words(QStringLiteral("a \t b"));
    EXPECT_TRUE(trimForReformatting(words));
    EXPECT_EQ(words.string(), QStringLiteral("a b"));
}

TEST(AttributedReformatting, LineHeightsAndParagraphStyles)
{
    AttributedString text(QStringLiteral("ab"));
    setMinimumLineHeight(text, 14);
    setMaximumLineHeight(text, 20);
    const ParagraphStyle style = text.attributeAtIndex(kParagraph, 1).value<ParagraphStyle>();
    EXPECT_EQ(style.minimumLineHeight, 14);
    EXPECT_EQ(style.maximumLineHeight, 20);
    AttributedString empty;
    setMinimumLineHeight(empty, 3);
    EXPECT_TRUE(empty.runs().isEmpty());
    EXPECT_EQ(defaultParagraphStyleWithTabStopInterval(36, 3).tabStops, (QList<double>{36, 72, 108}));
    EXPECT_TRUE(defaultParagraphStyleWithTabStopInterval(36, 0).tabStops.isEmpty());
    EXPECT_EQ(defaultParagraphStyleWithWordWrapping().lineBreakMode, 0);
}

// --- edits that change characters --------------------------------------------------------

const QString kMark = QStringLiteral("Mark");

// A text of parts, the n-th carrying mark n (text and mark in pairs).
AttributedString marked(std::initializer_list<std::pair<QString, int>> parts)
{
    AttributedString text;
    for (const auto& [part, mark] : parts)
        text.appendAttributedString(AttributedString(part, {{kMark, mark}}));
    return text;
}

// The mark of each unit.
QList<int> marksOf(const AttributedString& text)
{
    QList<int> marks;
    for (qsizetype i = 0; i < text.length(); ++i)
        marks.append(text.attributeAtIndex(kMark, i).toInt());
    return marks;
}

struct EditCase
{
    const char* name;
    AttributedString text;
    std::function<void(AttributedString&)> edit;
    QString expected;
    QList<int> marks;
};
void PrintTo(const EditCase& row, std::ostream* out) { test::printRowName(row, out); }

class AttributedEditTest : public testing::TestWithParam<EditCase>
{
};

TEST_P(AttributedEditTest, EachCharacterKeepsOrTakesItsAttributes)
{
    const EditCase& c = GetParam();
    AttributedString text = c.text;
    c.edit(text);
    EXPECT_EQ(text.string(), c.expected);
    EXPECT_EQ(marksOf(text), c.marks);
}

using unicode::NormalizationForm;

std::function<void(AttributedString&)> normalizing(NormalizationForm form)
{
    return [form](AttributedString& edited) { normalizeString(edited, form); };
}

INSTANTIATE_TEST_SUITE_P(
    Edits, AttributedEditTest,
    testing::Values(
        // Regression: the whole stretch from the first changed character to
        // the last took the attributes of the first.
        EditCase{"DecomposedRunByRun", marked({{"\u00e9", 1}, {"text", 0}, {"\u00e9", 2}}),
                 normalizing(NormalizationForm::NFD), "e\u0301texte\u0301",
                 {1, 1, 0, 0, 0, 0, 2, 2}},
        EditCase{"ComposedRunByRun", marked({{"e\u0301", 1}, {"ab", 0}, {"e", 2}, {"\u0301", 3}}),
                 [](AttributedString& edited) { normalizeString(edited); }, "\u00e9ab\u00e9", {1, 0, 0, 2}},
        EditCase{"CompatibilityDecomposed", marked({{"\uFB01", 1}, {"x", 0}, {"\uFB01", 2}}),
                 normalizing(NormalizationForm::NFKD), "fixfi", {1, 1, 0, 2, 2}},
        EditCase{"CompatibilityComposed", marked({{"e", 1}, {"\u0301", 2}, {"\uFB01", 3}}),
                 normalizing(NormalizationForm::NFKC), "\u00e9fi", {1, 3, 3}},
        // Regression: marks put in canonical order swapped their attributes
        // by position; each keeps its own, in every form.
        EditCase{"CombiningMarksReordered", marked({{"a\u0301", 1}, {"\u0323", 2}, {"b", 3}}),
                 normalizing(NormalizationForm::NFD), "a\u0323\u0301b",
                 {1, 2, 1, 3}},
        EditCase{"ReorderedMarksKeepTheirsNFC", marked({{"\u0323", 1}, {"\u0327", 0}}),
                 normalizing(NormalizationForm::NFC), "\u0327\u0323", {0, 1}},
        EditCase{"ReorderedMarksKeepTheirsNFD", marked({{"\u0323", 1}, {"\u0327", 0}}),
                 normalizing(NormalizationForm::NFD), "\u0327\u0323", {0, 1}},
        EditCase{"ReorderedMarksKeepTheirsNFKC", marked({{"\u0323", 1}, {"\u0327", 0}}),
                 normalizing(NormalizationForm::NFKC), "\u0327\u0323", {0, 1}},
        EditCase{"ReorderedMarksKeepTheirsNFKD", marked({{"\u0323", 1}, {"\u0327", 0}}),
                 normalizing(NormalizationForm::NFKD), "\u0327\u0323", {0, 1}},
        // A mark that moves before another joins the character in front:
        // the composed character takes that character's attributes, the
        // mark left over keeps its own.
        EditCase{"MarkComposedPastAnother", marked({{"a", 1}, {"\u0301", 2}, {"\u0323", 3}, {"b", 4}}),
                 normalizing(NormalizationForm::NFC), "\u1EA1\u0301b", {1, 2, 4}},
        EditCase{"DecomposedMarksSortedWithTheirs", marked({{"\u00e9", 1}, {"\u0323", 2}}),
                 normalizing(NormalizationForm::NFD), "e\u0323\u0301", {1, 2, 1}},
        // Regression: the deleted unit was taken to be the last equal one.
        EditCase{"RemoveFirstOfEqualUnits", marked({{"a", 1}, {"a", 2}}),
                 [](AttributedString& edited) { removeCharacterAtIndex(edited, 0); }, "a", {2}},
        EditCase{"RemoveIndexOutOfRange", marked({{"a", 1}}),
                 [](AttributedString& edited) { removeCharacterAtIndex(edited, 1); }, "a", {1}},
        EditCase{"DeleteEachOccurrence", marked({{"a", 1}, {"b", 2}, {"a", 3}, {"b", 4}, {"a", 5}}),
                 [](AttributedString& edited) { EXPECT_EQ(deleteString(edited, QStringLiteral("ba")), 2); }, "a", {1}},
        EditCase{"DeleteOccurrencesOverlappingEqualUnits", marked({{"a", 1}, {"b", 2}, {"a", 3}, {"b", 4}}),
                 [](AttributedString& edited) { EXPECT_EQ(deleteString(edited, QStringLiteral("ba")), 1); },
                 "ab", {1, 4}},
        EditCase{"EachTabDecodedOnItsOwn", marked({{"a", 1}, {"\t", 2}, {"b", 3}, {"\t", 4}, {"\nc", 5}}),
                 [](AttributedString& edited) { decodeTabs(edited, 4); }, "a   b   \nc",
                 {1, 2, 2, 2, 3, 4, 4, 4, 5, 5}},
        EditCase{"BlanksEncodedRunByRun", marked({{"a", 1}, {" ", 2}, {"  ", 3}, {"b", 4}, {"    ", 5}, {"c", 6}}),
                 [](AttributedString& edited) { encodeTabs(edited, 4); }, "a\tb\t c", {1, 2, 4, 5, 5, 6}},
        EditCase{"BlanksShortOfAStopStay", marked({{"ab", 1}, {" ", 2}, {"d", 3}}),
                 [](AttributedString& edited) { encodeTabs(edited, 4); }, "ab d", {1, 1, 2, 3}},
        EditCase{"ReplacedCharactersKeepTheirs", marked({{"a-", 1}, {"b-", 2}}),
                 [](AttributedString& edited) { EXPECT_EQ(replaceCharacter(edited, '-', '+'), 2); },
                 "a+b+", {1, 1, 2, 2}},
        EditCase{"AnyEditUnitForUnit", marked({{"x", 1}, {"y", 2}, {"z", 3}}),
                 [](AttributedString& edited) {
                     applyStringEdit(edited, [](QString& s) { s = QStringLiteral("XYZW"); });
                 },
                 "XYZW", {1, 2, 3, 3}},
        EditCase{"InsertionTakesTheUnitBefore", marked({{"a", 1}, {"b", 2}}),
                 [](AttributedString& edited) { insertCharacter(edited, u'x', 1); }, "axb", {1, 1, 2}},
        // Regression: an inserted character equal to the one after it was
        // taken to follow that one, and took its attributes.
        EditCase{"InsertionBeforeAnEqualUnit", marked({{"\u00e9", 1}, {"e", 0}}),
                 [](AttributedString& edited) { insertCharacter(edited, u'e', 1); }, "\u00e9ee", {1, 1, 0}},
        EditCase{"InsertionAtTheFront", marked({{"a", 1}, {"b", 2}}),
                 [](AttributedString& edited) { insertCharacter(edited, u'a', 0); }, "aab", {1, 1, 2}},
        EditCase{"InsertionPastTheEndDoesNothing", marked({{"a", 1}}),
                 [](AttributedString& edited) { insertCharacter(edited, u'a', 2); }, "a", {1}},
        EditCase{"BlankRunsCollapseToTheirFirst", marked({{"a", 1}, {"\t", 2}, {" ", 3}, {"b", 4}}),
                 [](AttributedString& edited) { removeMultipleSpaces(edited); }, "a b", {1, 2, 4}}),
    [](const testing::TestParamInfo<EditCase>& row) { return std::string(row.param.name); });

// Texts of many runs built from units that tabs and normalization act on,
// from a fixed seed so that a failure repeats.
QList<AttributedString> mixedTexts()
{
    const QString units[] = {QStringLiteral("\t"), QStringLiteral(" "),  QStringLiteral("\r\n"),
                             QStringLiteral("\u3000"), QStringLiteral("ab"), QStringLiteral("\u00e9"),
                             QStringLiteral("e"), QStringLiteral("\u0301"), QStringLiteral("\u0323"),
                             QStringLiteral("\uFB01"), QStringLiteral("\uD55C"), QStringLiteral("\u1100\u1161"),
                             QStringLiteral("\U0001F600"), QStringLiteral("\u2028")};
    std::mt19937 random(49);
    QList<AttributedString> texts;
    for (int t = 0; t < 200; ++t) {
        AttributedString text;
        const int parts = int(random() % 12);
        for (int p = 0; p < parts; ++p) {
            const QString& unit = units[random() % std::size(units)];
            text.appendAttributedString(AttributedString(unit, {{kMark, int(random() % 3)}}));
        }
        texts.append(text);
    }
    return texts;
}

// The edits that know their changes produce the text of the string edits
// they stand for.
TEST(AttributedReformatting, NamedEditsMatchTheStringEdits)
{
    using StringEdit = std::function<void(QString&)>;
    using TextEdit = std::function<void(AttributedString&)>;
    QList<std::tuple<std::string, StringEdit, TextEdit>> edits;
    for (qsizetype width = 0; width <= 5; ++width) {
        edits.append({"decodeTabs " + std::to_string(width), [=](QString& s) { decodeTabs(s, width); },
                      [=](AttributedString& s) { decodeTabs(s, width); }});
        edits.append({"encodeTabs " + std::to_string(width), [=](QString& s) { encodeTabs(s, width); },
                      [=](AttributedString& s) { encodeTabs(s, width); }});
    }
    for (const NormalizationForm form :
         {NormalizationForm::NFC, NormalizationForm::NFD, NormalizationForm::NFKC, NormalizationForm::NFKD}) {
        edits.append({"normalize " + std::to_string(int(form)), [=](QString& s) { normalizeString(s, form); },
                      normalizing(form)});
    }
    edits.append({"deleteString", [](QString& s) { deleteString(s, QStringLiteral("b\t")); },
                  [](AttributedString& s) { deleteString(s, QStringLiteral("b\t")); }});
    for (const AttributedString& text : mixedTexts()) {
        for (const auto& [name, stringEdit, textEdit] : edits) {
            SCOPED_TRACE(name + " of \"" + text.string().toStdString() + '"');
            QString expected = text.string();
            stringEdit(expected);
            AttributedString edited = text;
            textEdit(edited);
            EXPECT_EQ(edited.string(), expected);
            EXPECT_EQ(marksOf(edited).size(), expected.size());
        }
    }
}

// Regression: 100,000 alternating runs normalized came out as 2, and every
// deleted stretch moved all the runs after it.
TEST(AttributedReformatting, EditsOverManyRunsKeepThemInLinearWork)
{
    const auto alternating = [](const QString& unit) {
        return [unit](qsizetype size) {
            AttributedString text;
            for (qsizetype i = 0; text.length() < size; ++i)
                text.appendAttributedString(AttributedString(unit, {{kMark, int(i % 2)}}));
            return text;
        };
    };
    test::expectLinearScanWork(alternating(QStringLiteral("\u00e9a")), [](AttributedString text) {
        const qsizetype runs = text.runs().size();
        normalizeString(text, NormalizationForm::NFD);
        EXPECT_EQ(text.runs().size(), runs);
    });
    test::expectLinearScanWork(alternating(QStringLiteral("a-\t")), [](AttributedString text) {
        const qsizetype runs = text.runs().size();
        removeCharacters(text, u'-');
        decodeTabs(text, 4);
        EXPECT_EQ(text.runs().size(), runs);
        EXPECT_TRUE(text.string().startsWith(QLatin1String("a   a   ")));
    });
}

// Regression: each attachment was deleted on its own, moving the text and
// the runs after it (1.8 s for a long text of attachments).
TEST(AttributedReformatting, RemovingManyAttachmentsTakesLinearWork)
{
    const QString attachment = QString::fromLatin1(attribute::kAttachment);
    test::expectLinearScanWork(
        [&](qsizetype size) {
            AttributedString text;
            for (qsizetype i = 0; text.length() < size; ++i) {
                text.appendAttributedString(AttributedString(QStringLiteral("a"), {{kMark, int(i % 2)}}));
                text.appendAttributedString(
                    AttributedString(QString(QChar(kAttachmentCharacter)), {{attachment, QStringLiteral("file")}}));
            }
            // An attachment character without an attachment stays.
            text.appendString(QString(QChar(kAttachmentCharacter)));
            text.removeAttribute(attachment, Range{text.length() - 1, 1});
            return text;
        },
        [](AttributedString text) {
            const qsizetype pairs = text.length() / 2;
            removeAttachments(text);
            EXPECT_EQ(text.length(), pairs + 1);
            EXPECT_EQ(text.runs().size(), pairs + 1);
            EXPECT_EQ(text.string().back(), QChar(kAttachmentCharacter));
            EXPECT_FALSE(text.containsAttachments());
        });
}

} // namespace
} // namespace sorvant
