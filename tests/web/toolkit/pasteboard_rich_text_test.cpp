#include "web/toolkit/pasteboard_rich_text.h"

#include "foundation/color.h"
#include "interface/pasteboard.h"
#include "web/toolkit/rtf_writer.h"

#include <QFont>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

QVariantMap fontAttributes(const QString& family, double size, bool bold, bool italic)
{
    QFont font(family);
    font.setPointSizeF(size);
    font.setBold(bold);
    font.setItalic(italic);
    return {{QString::fromLatin1(attribute::kFont), font}};
}

TEST(PasteboardRichText, AttributedStringsRoundTripThroughRTF)
{
    const QString plain = QStringLiteral("a{b}\\c\tcafé €\nnext");
    AttributedString string(plain, fontAttributes(QStringLiteral("DejaVu Serif"), 11, false, false));
    string.setAttributes(fontAttributes(QStringLiteral("DejaVu Sans"), 14.5, true, true), {0, 4});
    string.addAttribute(QString::fromLatin1(attribute::kForegroundColor),
                        QVariant::fromValue(Color::deviceRGB(1, 0, 0.2)), {2, 6});
    string.addAttribute(QString::fromLatin1(attribute::kBackgroundColor),
                        QVariant::fromValue(Color::deviceRGB(0, 0, 1)), {9, 4});
    string.addAttribute(QString::fromLatin1(attribute::kUnderlineStyle), 1, {14, 4});

    Pasteboard pasteboard;
    ASSERT_TRUE(copyToPasteboard(string, pasteboard));
    EXPECT_EQ(pasteboard.types(), QStringList{NSPasteboardTypeRTF});
    const auto read = attributedStringFromPasteboard(&pasteboard);
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(read->string(), plain);
    for (qsizetype index = 0; index < plain.size(); ++index) {
        SCOPED_TRACE(index);
        const QVariantMap written = string.attributesAtIndex(index);
        const QVariantMap back = read->attributesAtIndex(index);
        const QFont font = written.value(QString::fromLatin1(attribute::kFont)).value<QFont>();
        const QFont readFont = back.value(QString::fromLatin1(attribute::kFont)).value<QFont>();
        EXPECT_EQ(readFont.family(), font.family());
        EXPECT_DOUBLE_EQ(readFont.pointSizeF(), font.pointSizeF());
        EXPECT_EQ(readFont.bold(), font.bold());
        EXPECT_EQ(readFont.italic(), font.italic());
        for (const char* name : {attribute::kForegroundColor, attribute::kBackgroundColor}) {
            const QString key = QString::fromLatin1(name);
            EXPECT_EQ(back.value(key).value<Color>(), written.value(key).value<Color>()) << name;
        }
        EXPECT_EQ(back.value(QString::fromLatin1(attribute::kUnderlineStyle)).toInt(),
                  written.value(QString::fromLatin1(attribute::kUnderlineStyle)).toInt());
    }
}

// A run without formatting was written "{ Hello}": the delimiter space of
// an empty control word list read back as text.
TEST(PasteboardRichText, RunsWithoutFormattingGainNoLeadingSpace)
{
    for (const QString& plain : {QStringLiteral("Hello rich"), QStringLiteral(" spaced "), QStringLiteral("9 lives")}) {
        SCOPED_TRACE(plain.toStdString());
        AttributedString string(plain);
        string.addAttribute(QString::fromLatin1(attribute::kUnderlineStyle), 1, {plain.size() - 1, 1});
        Pasteboard pasteboard;
        ASSERT_TRUE(copyToPasteboard(string, pasteboard));
        const auto read = attributedStringFromPasteboard(&pasteboard);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read->string(), plain);
        const QVariantMap last = read->attributesAtIndex(plain.size() - 1);
        EXPECT_EQ(last.value(QString::fromLatin1(attribute::kUnderlineStyle)).toInt(), 1);
    }
}

TEST(PasteboardRichText, WhatCannotBeWrittenOrReadLeavesNil)
{
    Pasteboard pasteboard;
    copyToPasteboard(QStringLiteral("kept"), pasteboard);
    AttributedString withAttachment(QStringLiteral("x\uFFFCy"));
    withAttachment.addAttribute(QString::fromLatin1(attribute::kAttachment), QStringLiteral("file"), {1, 1});
    EXPECT_TRUE(RTFFromAttributedString(withAttachment).isNull());
    EXPECT_FALSE(copyToPasteboard(withAttachment, pasteboard));
    EXPECT_EQ(stringFromPasteboard(&pasteboard), QStringLiteral("kept"));
    EXPECT_FALSE(attributedStringFromPasteboard(&pasteboard).has_value());
    EXPECT_FALSE(attributedStringFromPasteboard(nullptr).has_value());

    // Rich-text directory data is preferred when offered, and cannot be read.
    pasteboard.declareTypes({NSPasteboardTypeRTF, NSPasteboardTypeRTFD});
    pasteboard.setData(RTFFromAttributedString(AttributedString(QStringLiteral("r"))), NSPasteboardTypeRTF);
    pasteboard.setData("directory", NSPasteboardTypeRTFD);
    EXPECT_FALSE(attributedStringFromPasteboard(&pasteboard).has_value());
    pasteboard.declareTypes({NSPasteboardTypeRTF});
    pasteboard.setData("not rtf", NSPasteboardTypeRTF);
    EXPECT_FALSE(attributedStringFromPasteboard(&pasteboard).has_value());
}

} // namespace
} // namespace sorvant
