#include "platform/property_list_text.h"

#include "platform/property_list.h"
#include "platform/scan_work.h"
#include "tests/support/binary_property_list.h"
#include "tests/support/peak_memory.h"

#include <gtest/gtest.h>

using namespace sorvant;
using namespace sorvant::test;

namespace {

const QString kFace = QString::fromUtf8("\xF0\x9F\x98\x80"); // U+1F600, a surrogate pair

// A binary list of one string in UTF-16 (big-endian).
QByteArray binaryUtf16(const QString& text)
{
    QByteArray units;
    for (const QChar c : text)
        units += bigEndian(c.unicode(), 2);
    return binaryList({marker(0x6, quint64(text.size())) + units});
}

// A binary list of one string in the one-byte form, whose bytes are read
// as UTF-8.
QByteArray binaryBytes(const QByteArray& text)
{
    return binaryList({marker(0x5, quint64(text.size())) + text});
}

QByteArray xmlString(const QByteArray& inside)
{
    return "<plist><string>" + inside + "</string></plist>";
}

TEST(PropertyListTextTest, CutTextKeepsPairsWhole)
{
    const struct {
        const char* name;
        QString text;
        qsizetype longest;
        QString cut;
    } cases[] = {
        {"longer", "abcdef", 3, "abc"},
        {"a pair at the cut", "ab" + kFace, 3, "ab"},
        {"a pair before the cut", "ab" + kFace + "c", 4, "ab" + kFace},
        {"shorter", "ab", 3, "ab"},
        {"no cut", "abc", -1, "abc"},
        {"cut to nothing", "abc", 0, ""},
        {"empty", "", 3, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(cutPropertyListText(c.text, c.longest), c.cut);
    }
    EXPECT_TRUE(cutPropertyListText(QString(), 3).isNull());
}

// Each text the readers give under a cut is its first units, in either
// form and wherever it was written; other values are read whole.
TEST(PropertyListTextTest, ReadersCutTextsAsTheScopeAsks)
{
    const QString e = QString::fromUtf8("\xC3\xA9");
    const struct {
        const char* name;
        QByteArray document;
        qsizetype longest;
        QVariant value;
    } cases[] = {
        {"binary bytes", binaryBytes("abcdef"), 3, "abc"},
        {"binary bytes of two-byte characters", binaryBytes("\xC3\xA9\xC3\xA9\xC3\xA9"), 2, e + e},
        {"binary bytes, a pair at the cut", binaryBytes("ab\xF0\x9F\x98\x80" "c"), 3, "ab"},
        {"binary bytes, a NUL past the cut", binaryBytes(QByteArray("ab\0c", 4)), 2, "ab"},
        {"binary bytes, a NUL before the cut", binaryBytes(QByteArray("ab\0c", 4)), 3, QVariant()},
        {"binary UTF-16", binaryUtf16("abcdef"), 4, "abcd"},
        {"binary UTF-16, a pair at the cut", binaryUtf16("ab" + kFace + "c"), 3, "ab"},
        {"binary UTF-16, a pair before the cut", binaryUtf16("ab" + kFace + "c"), 4, "ab" + kFace},
        {"binary UTF-16, an unpaired surrogate past the cut", binaryUtf16(QString("ab") + QChar(0xD800) + "c"), 2,
         "ab"},
        {"binary key", binaryList({container(0xD, {1, 2}), "\x56" "abcdef", "\x10\x07"}), 3,
         QVariantMap{{"abc", QVariant::fromValue<qint64>(7)}}},
        {"binary data", binaryList({"\x46" "abcdef"}), 3, QByteArray("abcdef")},
        {"XML", xmlString("abcdef"), 3, "abc"},
        {"XML, a pair at the cut", xmlString("ab\xF0\x9F\x98\x80" "c"), 3, "ab"},
        {"XML, a leading mark", xmlString("\xEF\xBB\xBF" "abc"), 2, QString(QChar(0xFEFF)) + "a"},
        {"XML references", xmlString("&lt;&lt;&#65;&lt;&lt;"), 3, "<<A"},
        {"XML CDATA", xmlString("a<![CDATA[bcdef]]>g"), 4, "abcd"},
        {"XML key", "<plist><dict><key>abcdef</key><true/></dict></plist>", 3, QVariantMap{{"abc", true}}},
        {"XML integer", "<plist><integer>123456</integer></plist>", 2, QVariant::fromValue<qint64>(123456)},
        {"XML data", "<plist><data>YWJjZGVm</data></plist>", 3, QByteArray("abcdef")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        const PropertyListTextCut cut(c.longest);
        EXPECT_EQ(propertyListFromData(c.document, &error), c.value) << error.toStdString();
    }
    // A key refused inside the cut is named as far as the cut.
    {
        const PropertyListTextCut cut(3);
        QString error;
        EXPECT_FALSE(
            propertyListFromData(binaryList({container(0xD, {1, 2}), QByteArray("\x56" "a\0cdef", 7), "\x09"}), &error)
                .isValid());
        EXPECT_EQ(error, QStringLiteral("At 'a\\0c': The text holds a NUL character"));
    }
    // Without a scope, the same texts are read whole (or refused whole).
    EXPECT_EQ(propertyListFromData(binaryUtf16("ab" + kFace + "c")), QVariant("ab" + kFace + "c"));
    EXPECT_EQ(propertyListFromData(xmlString("abcdef")), QVariant("abcdef"));
    EXPECT_FALSE(propertyListFromData(binaryBytes(QByteArray("ab\0c", 4))).isValid());
}

TEST(PropertyListTextTest, ScopesNestAndEnd)
{
    EXPECT_EQ(PropertyListTextCut::longest(), -1);
    EXPECT_EQ(PropertyListTextCut::keptBytes(), -1);
    {
        const PropertyListTextCut outer(10);
        EXPECT_EQ(PropertyListTextCut::longest(), 10);
        {
            const PropertyListTextCut inner(2);
            EXPECT_EQ(propertyListFromData(xmlString("abcdef")), QVariant("ab"));
        }
        EXPECT_EQ(PropertyListTextCut::longest(), 10);
    }
    EXPECT_EQ(PropertyListTextCut::longest(), -1);
}

// What lies past the cut is neither decoded nor copied: the work of reading
// a text under a cut does not grow with the text in either binary form (XML
// text is passed over once, to find its end), and the memory a read takes
// beside the document stays far below the text's size in all three.
TEST(PropertyListTextTest, WhatLiesPastTheCutIsNotDecoded)
{
    constexpr qsizetype kSmall = 1024 * 1024;
    constexpr qsizetype kLarge = 16 * kSmall;
    const auto utf16 = [](qsizetype units) {
        return binaryList({marker(0x6, quint64(units)) + QByteArray("\0a", 2).repeated(units)});
    };
    const auto bytes = [](qsizetype size) { return binaryBytes(QByteArray(size, 'a')); };
    const auto xml = [](qsizetype size) { return xmlString(QByteArray(size, 'a')); };
    const auto workOf = [](const QByteArray& document) {
        const PropertyListTextCut cut(256);
        resetScanWork();
        const qint64 growth = peakGrowthOf([&] { EXPECT_EQ(propertyListFromData(document).toString().size(), 256); });
        if (growth >= 0) {
            EXPECT_LT(growth, document.size() / 4);
        }
        return scanWork();
    };
    EXPECT_EQ(workOf(bytes(kSmall)), workOf(bytes(kLarge)));
    EXPECT_EQ(workOf(utf16(kSmall)), workOf(utf16(kLarge)));
    EXPECT_LE(workOf(xml(kLarge)) - workOf(xml(kSmall)), kLarge - kSmall + kLarge / 64);
}

} // namespace
