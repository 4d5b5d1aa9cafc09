#include "platform/string_encoding.h"

#include <gtest/gtest.h>

using namespace sorvant;

namespace {

struct EncodingCase
{
    const char* name;
    StringEncoding encoding;
    const char16_t* text;
    QByteArray bytes;
};

class StringEncodingTest : public testing::TestWithParam<EncodingCase>
{
};

TEST_P(StringEncodingTest, EncodesAndDecodesBothWays)
{
    const EncodingCase& c = GetParam();
    const QString text = QString::fromUtf16(c.text);
    const std::optional<QByteArray> bytes = encodeString(text, c.encoding);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->toHex(' '), c.bytes.toHex(' '));
    EXPECT_EQ(decodeString(c.bytes, c.encoding), text);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, StringEncodingTest,
    testing::Values(EncodingCase{"Ascii", NSASCIIStringEncoding, u"az", "az"},
                    EncodingCase{"Utf8", NSUTF8StringEncoding, u"é\U0001F600", "\xc3\xa9\xf0\x9f\x98\x80"},
                    EncodingCase{"Latin1", NSISOLatin1StringEncoding, u"é", "\xe9"},
                    EncodingCase{"Cp1252Euro", NSWindowsCP1252StringEncoding, u"€", "\x80"},
                    EncodingCase{"MacRoman", NSMacOSRomanStringEncoding, u"é", "\x8e"},
                    EncodingCase{"ShiftJis", NSShiftJISStringEncoding, u"日", "\x93\xfa"},
                    EncodingCase{"UnicodeWithMark", NSUnicodeStringEncoding, u"a", QByteArray("\xff\xfe" "a\0", 4)},
                    EncodingCase{"Utf16BigEndian", NSUTF16BigEndianStringEncoding, u"a", QByteArray("\0a", 2)},
                    EncodingCase{"Utf32WithMark", NSUTF32StringEncoding, u"a",
                                 QByteArray("\xff\xfe\0\0" "a\0\0\0", 8)}),
    [](const testing::TestParamInfo<EncodingCase>& row) { return std::string(row.param.name); });

TEST(StringEncodingFailureTest, InvalidAndUnrepresentableFail)
{
    EXPECT_TRUE(decodeString(QByteArray("\xc3"), NSUTF8StringEncoding).isNull()); // cut short
    EXPECT_TRUE(decodeString(QByteArray("\xed\xa0\x80"), NSUTF8StringEncoding).isNull()); // surrogate
    EXPECT_TRUE(decodeString(QByteArray("\x80"), NSASCIIStringEncoding).isNull());
    EXPECT_FALSE(encodeString(QString::fromUtf8("日"), NSISOLatin1StringEncoding).has_value());
    EXPECT_FALSE(encodeString(QString(QChar(0xD800)), NSUTF8StringEncoding).has_value());
    EXPECT_FALSE(encodeString("a", 2).has_value());
    EXPECT_FALSE(isSupportedEncoding(0));
    EXPECT_TRUE(decodeString(QByteArray::fromRawData("\0a", 2), NSUTF16BigEndianStringEncoding) == "a");
    EXPECT_EQ(decodeString(QByteArray("a\0b", 3), NSUTF8StringEncoding).size(), 3);
}

TEST(StringEncodingFailureTest, DetectionReadsMarksThenUtf8)
{
    EXPECT_EQ(detectEncoding("\xef\xbb\xbfx"), NSUTF8StringEncoding);
    EXPECT_EQ(detectEncoding(QByteArray("\xff\xfe\0\0", 4)), NSUTF32StringEncoding);
    EXPECT_EQ(detectEncoding("\xfe\xff"), NSUnicodeStringEncoding);
    EXPECT_EQ(detectEncoding("plain"), NSUTF8StringEncoding);
    EXPECT_EQ(detectEncoding("\xe9t\xe9"), 0u);
    StringEncoding used = 77;
    EXPECT_TRUE(decodeDetected("\xe9", &used).isNull());
    EXPECT_EQ(used, 77u);
}

} // namespace
