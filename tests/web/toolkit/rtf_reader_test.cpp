#include "web/toolkit/rtf_reader.h"

#include "foundation/color.h"
#include "tests/support/scan_work_bound.h"

#include <QFile>
#include <QFont>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

QByteArray fixture(const char* name)
{
    QFile file(QStringLiteral(SORVANT_WEB_TEST_DATA "/") + QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

QFont fontAt(const AttributedString& text, qsizetype index)
{
    return text.attributeAtIndex(QStringLiteral("Font"), index).value<QFont>();
}

struct TextCase
{
    const char* name;
    const char* rtf;
    const char* text;
};

TEST(RTFReader, TextOfSmallDocuments)
{
    const TextCase cases[] = {
        {"ascii", "{\\rtf1\\ansi plain text\\par second}", "plain text\nsecond"},
        {"latin-1 code page", "{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\'80}", "café €"},
        {"mac code page", "{\\rtf1\\mac caf\\'8e}", "café"},
        {"cyrillic font charset", "{\\rtf1{\\fonttbl{\\f0\\fcharset204 Arial;}}\\f0 \\'cf\\'f0\\'e8}", "При"},
        {"shift-jis pair", "{\\rtf1\\ansicpg932 \\'82\\'a0}", "あ"},
        {"unicode with fallback", "{\\rtf1 a\\u8364?b}", "a€b"},
        {"negative unicode", "{\\rtf1 \\u-3913?}", "\xef\x82\xb7"},
        {"two fallback bytes", "{\\rtf1\\uc2 \\u8212\\'97\\'97x}", "—x"},
        {"fallback is a control word", "{\\rtf1 \\u8226\\bullet x}", "•x"},
        {"escapes", "{\\rtf1 \\{a\\}\\\\ b\\~c\\tab d\\line e}", "{a}\\ b\u00a0c\td\u2028e"},
        {"skipped destinations", "{\\rtf1{\\info{\\title T}}{\\*\\unknown x}{\\pict 0a0b}{\\*\\fldinst HYPERLINK}v}", "v"},
        {"line ends in source ignored", "{\\rtf1 a\r\nb}", "ab"},
        {"after the document", "{\\rtf1 a} trailing", "a"},
    };
    for (const TextCase& row : cases) {
        SCOPED_TRACE(row.name);
        QString error = QStringLiteral("stale");
        const std::optional<AttributedString> text = attributedStringWithRTF(QByteArray(row.rtf), &error);
        ASSERT_TRUE(text.has_value()) << error.toStdString();
        EXPECT_EQ(text->string(), QString::fromUtf8(row.text));
        EXPECT_TRUE(error.isEmpty());
    }
}

TEST(RTFReader, DamagedDataGivesAnError)
{
    const char* damaged[] = {
        "",
        "plain text",
        "{\\rtf1 {\\b bold} plain",
        "{\\rtf1 a}}",
        "{\\rtf1 \\'",
        "{\\rtf1 \\",
    };
    for (const char* data : damaged) {
        SCOPED_TRACE(data);
        QString error;
        const auto text = attributedStringWithRTF(QByteArray(data), &error);
        // "{\\rtf1 a}}" ends with the document's group; what follows is not read.
        if (QByteArray(data) == "{\\rtf1 a}}") {
            EXPECT_TRUE(text.has_value());
            continue;
        }
        EXPECT_FALSE(text.has_value());
        EXPECT_FALSE(error.isEmpty());
    }
    QString error;
    EXPECT_FALSE(attributedStringWithRTF("{\\rtf1 " + QByteArray(600, '{') + QByteArray(600, '}') + "}", &error));
    EXPECT_TRUE(error.contains(QStringLiteral("deeply")));
}

// Regression: "\bin" data was read as text and markup, so a brace inside it
// ended the document early, with part of the text and no error.
TEST(RTFReader, BinaryDataIsSkippedAndCutBinaryDataIsDamage)
{
    const QByteArray picture = QByteArray("ab}}{x\\") + char(0) + char(0xFF);
    const auto text = attributedStringWithRTF("{\\rtf1 before {\\*\\pict\\bin" + QByteArray::number(picture.size()) + " "
                                              + picture + "} after}");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->string(), QStringLiteral("before  after"));
    for (const QByteArray& data : {QByteArray("{\\rtf1 a {\\pict\\bin100 }}"), QByteArray("{\\rtf1 a \\bin-5 xy}"),
                                   QByteArray("{\\rtf1 a \\bin9999999999 }")}) {
        SCOPED_TRACE(data.toStdString());
        QString error;
        EXPECT_FALSE(attributedStringWithRTF(data, &error).has_value());
        EXPECT_TRUE(error.contains(QStringLiteral("binary"))) << error.toStdString();
    }
}

TEST(RTFReader, ManyRunsTakeLinearWork)
{
    test::expectLinearScanWork(
        [](qsizetype size) {
            QByteArray rtf("{\\rtf1\\ansi ");
            while (rtf.size() < size)
                rtf += "\\b a\\b0 b";
            return rtf + "}";
        },
        [](const QByteArray& rtf) { EXPECT_TRUE(attributedStringWithRTF(rtf).has_value()); });
}

// Runs in the same style share their attributes; a style met again after
// the default font or the colour table changed takes them as they are then.
TEST(RTFReader, StylesAfterATableChangesUseTheNewTable)
{
    const std::optional<AttributedString> text = attributedStringWithRTF(
        "{\\rtf1{\\fonttbl{\\f0 Times;}{\\f1 Courier;}}{\\colortbl;\\red255\\green0\\blue0;}\\deff0 "
        "a\\b b\\b0 c\\deff1\\b d\\b0 e\\cf3 f\\cf0 g{\\colortbl;\\red0\\green0\\blue255;}\\cf3 h\\cf1 i}");
    ASSERT_TRUE(text.has_value());
    ASSERT_EQ(text->string(), QStringLiteral("abcdefghi"));
    const char* family[] = {"Times", "Times", "Courier", "Courier", "Courier", "Courier", "Courier", "Courier", "Courier"};
    for (qsizetype at = 0; at < 9; ++at)
        EXPECT_EQ(fontAt(*text, at).family(), QLatin1String(family[at])) << at;
    EXPECT_TRUE(fontAt(*text, 1).bold());
    EXPECT_TRUE(fontAt(*text, 3).bold());
    EXPECT_FALSE(fontAt(*text, 4).bold());
    EXPECT_EQ(text->attributesAtIndex(2), text->attributesAtIndex(4));
    const QString foreground = QStringLiteral("ForegroundColor");
    EXPECT_FALSE(text->attributeAtIndex(foreground, 5).isValid());   // no fourth colour yet
    EXPECT_EQ(text->attributeAtIndex(foreground, 7).value<Color>(), Color::deviceRGB(0, 0, 1));
    EXPECT_EQ(text->attributeAtIndex(foreground, 8).value<Color>(), Color::deviceRGB(1, 0, 0));
}

TEST(RTFReader, FixtureKeepsFontsStylesAndColours)
{
    const std::optional<AttributedString> text = attributedStringWithRTF(fixture("document.rtf"));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->string(), QString::fromUtf8("Café crème, bold both bold plain\nBig red €— end"));
    const QString& s = text->string();
    const qsizetype bold = s.indexOf(QStringLiteral("bold"));
    const qsizetype both = s.indexOf(QStringLiteral("both"));
    const qsizetype plain = s.indexOf(QStringLiteral("plain"));
    const qsizetype big = s.indexOf(QStringLiteral("Big"));
    EXPECT_EQ(fontAt(*text, 0).family(), QStringLiteral("Helvetica"));
    EXPECT_EQ(fontAt(*text, 0).pointSizeF(), 12.0);
    EXPECT_TRUE(fontAt(*text, bold).bold());
    EXPECT_FALSE(fontAt(*text, bold).italic());
    EXPECT_TRUE(fontAt(*text, both).bold() && fontAt(*text, both).italic());
    EXPECT_FALSE(fontAt(*text, plain).bold());
    EXPECT_EQ(fontAt(*text, big).family(), QStringLiteral("Times-Roman"));
    EXPECT_EQ(fontAt(*text, big).pointSizeF(), 18.0);
    EXPECT_EQ(text->attributeAtIndex(QStringLiteral("ForegroundColor"), big).value<Color>(),
              Color::deviceRGB(200 / 255.0, 0, 0));
    EXPECT_FALSE(text->attributeAtIndex(QStringLiteral("ForegroundColor"), 0).isValid());
    EXPECT_EQ(text->attributeAtIndex(QStringLiteral("UnderlineStyle"), big), QVariant(1));
    EXPECT_FALSE(text->attributeAtIndex(QStringLiteral("UnderlineStyle"), s.indexOf(QStringLiteral("end"))).isValid());
}

} // namespace
} // namespace sorvant
