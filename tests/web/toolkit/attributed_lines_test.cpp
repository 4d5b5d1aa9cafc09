#include "web/toolkit/attributed_lines.h"

#include "tests/support/temp_tree.h"
#include "web/toolkit/text_attachment.h"

#include <QUrl>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

QStringList texts(const QList<AttributedString>& parts)
{
    QStringList out;
    for (const AttributedString& part : parts)
        out.append(part.string());
    return out;
}

TEST(AttributedLines, SplitKeepsLineEndsAndAttributes)
{
    const struct {
        const char* text;
        QStringList lines;
    } cases[] = {
        {"a\r\nb\n", {"a\r\n", "b\n"}},
        {"a\rb", {"a\r", "b"}},
        {"a\xef\xbf\xbc" "b", {"a\xef\xbf\xbc" "b"}},   // an attachment ends no line
        {"\n\n", {"\n", "\n"}},
        {"x\xe2\x80\xa8y\x0c", {"x\xe2\x80\xa8", "y\x0c"}},
        {"", {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.text);
        QStringList expected;
        for (const QString& line : row.lines)
            expected.append(QString::fromUtf8(line.toUtf8()));
        EXPECT_EQ(texts(lines(AttributedString(QString::fromUtf8(row.text)))), expected);
    }
    AttributedString styled(QStringLiteral("ab\n"));
    styled.addAttribute(QStringLiteral("Font"), QStringLiteral("bold"), Range{1, 2});
    const QList<AttributedString> parts = lines(styled);
    ASSERT_EQ(parts.size(), 1);
    EXPECT_EQ(parts[0], styled);
}

TEST(AttributedLines, FirstLineAndFeed)
{
    const AttributedString plain(QStringLiteral("abc"));
    EXPECT_EQ(firstLine(plain), plain);
    EXPECT_EQ(firstLine(AttributedString(QStringLiteral("ab\ncd")))->string(), QStringLiteral("ab"));
    EXPECT_FALSE(firstLine(AttributedString(QStringLiteral("\nx"))).has_value());
    EXPECT_FALSE(firstLine(AttributedString()).has_value());
    EXPECT_EQ(feedOfLine(AttributedString(QStringLiteral("x\n\n")))->string(), QStringLiteral("\n\n"));
    EXPECT_FALSE(feedOfLine(plain).has_value());
    EXPECT_TRUE(hasFeedOfLine(AttributedString(QStringLiteral("x\r"))));
    EXPECT_FALSE(hasFeedOfLine(AttributedString()));
    EXPECT_TRUE(containsSubstring(plain, QStringLiteral("bc")));
    EXPECT_FALSE(containsSubstring(plain, QString()));
}

TEST(AttributedLines, LinkTexts)
{
    const QVariant url = QUrl(QStringLiteral("http://example.org/a%20b"));
    const auto shown = attributedStringWithLink(url, QString());
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->string(), QStringLiteral("http://example.org/a%20b"));
    EXPECT_EQ(shown->attributeAtIndex(QStringLiteral("Link"), 0), url);
    EXPECT_EQ(shown->attributeAtIndex(QStringLiteral("UnderlineStyle"), 0), QVariant(1));
    EXPECT_EQ(attributedStringWithLink(QStringLiteral("x:y"), QStringLiteral("Why"), QStringLiteral("Serif"))->attributesAtIndex(0).size(), 4);
    EXPECT_FALSE(attributedStringWithLink(QVariant(), QStringLiteral("d")).has_value());
}

TEST(AttributedLines, AttachmentsAndContactCards)
{
    test::TempTree tree;
    const QString path = tree.writeFile(QStringLiteral("note.txt"), "hello");
    const auto fromFile = attributedStringWithAttachmentAtPath(path);
    ASSERT_TRUE(fromFile.has_value());
    EXPECT_EQ(fromFile->attributeAtIndex(QStringLiteral("Attachment"), 0).value<TextAttachment>().contents,
              QByteArray("hello"));
    EXPECT_FALSE(attributedStringWithAttachmentAtPath(tree.filePath(QStringLiteral("missing"))).has_value());
    EXPECT_FALSE(attributedStringWithAttachmentAtPath(tree.path()).has_value());
    for (const QString& special : tree.makeSpecialFiles(QStringLiteral("special"))) {
        SCOPED_TRACE(special.toStdString());
        EXPECT_FALSE(attributedStringWithAttachmentAtPath(special).has_value());
    }
    EXPECT_FALSE(attributedStringWithAttachmentContents(QByteArray(), QStringLiteral("a")).has_value());

    AttributedString text(QStringLiteral("see "));
    text.appendAttributedString(*fromFile);
    text.appendAttributedString(*fromFile);   // equal neighbours share a run but count twice
    text.appendAttributedString(*attributedStringWithAttachmentContents(
        "BEGIN:VCARD\r\nFN:Ann\r\nitem1.EMAIL;type=INTERNET:ann@example.org\r\nEND:VCARD\r\n", QStringLiteral("Ann.vcf")));
    text.appendAttributedString(
        *attributedStringWithAttachmentContents("BEGIN:VCARD\nFN:Bob\nEND:VCARD\n", QStringLiteral("Bob.vcf")));
    EXPECT_EQ(numberOfAttachments(text), 3);
}

TEST(AttributedLines, CenteredDrawingRects)
{
    const struct {
        QRectF rect;
        QSizeF size;
        bool horizontally;
        bool vertically;
        QRectF expected;
    } cases[] = {
        {{0, 0, 100, 50}, {40, 10}, true, true, {30, 20, 40, 10}},
        {{10, 10, 100, 50}, {40.4, 10.2}, true, true, {40, 30, 41, 11}},
        {{0, 0, 100, 50}, {40, 10}, false, true, {0, 20, 100, 10}},
        {{0, 0, 100, 50}, {40, 10}, true, false, {30, 0, 40, 50}},
        {{0, 0, 30.5, 50}, {30.2, 10}, true, false, {0, 0, 30.5, 50}},   // wider than the width rounded down
        {{0, 0, 100, 8}, {40, 10}, false, true, {0, -1, 100, 10}},
        {{0, 0, 0, 50}, {40, 10}, true, true, {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.expected.x());
        EXPECT_EQ(centeredDrawingRect(row.rect, row.size, row.horizontally, row.vertically), row.expected);
    }
}

} // namespace
} // namespace sorvant
