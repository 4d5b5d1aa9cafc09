#include "platform/string_encoding.h"

#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <random>

using namespace sorvant;

namespace {

struct EncodingCase
{
    const char* name;
    StringEncoding encoding;
    const char16_t* text;
    QByteArray bytes;
};
void PrintTo(const EncodingCase& row, std::ostream* out) { sorvant::test::printRowName(row, out); }

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

// The decoder hands ICU 16 MiB at a time (it takes at most 2 GiB in one
// call): a character cut by that boundary decodes whole, and a fault past it
// or at the very end still makes the text null.
TEST(StringEncodingFailureTest, LongTextsDecodeWholeAcrossThePiecesOfTheDecoder)
{
    constexpr qsizetype kPiece = qsizetype(1) << 24;
    const QByteArray lead(kPiece - 1, 'a');
    struct Row
    {
        const char* name;
        QByteArray bytes;
        StringEncoding encoding;
        QString text; // null: no text
    };
    const QString leadText = QString::fromLatin1(lead);
    const QList<Row> rows = {
        {"utf8 character across", lead + "\xc3\xa9z", NSUTF8StringEncoding,
         leadText + QString::fromUtf16(u"\u00e9z")},
        {"utf8 four bytes across", lead + "\xf0\x9f\x98\x80", NSUTF8StringEncoding,
         leadText + QString::fromUtf16(u"\U0001F600")},
        {"utf8 fault past the cut", lead + "bc\xff", NSUTF8StringEncoding, QString()},
        {"utf8 cut short at the end", lead + "b\xe2\x82", NSUTF8StringEncoding, QString()},
        {"shift_jis pair across", lead + "\x93\xfa", NSShiftJISStringEncoding,
         leadText + QString::fromUtf16(u"\u65e5")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString decoded = decodeString(row.bytes, row.encoding);
        EXPECT_EQ(decoded.isNull(), row.text.isNull());
        EXPECT_EQ(decoded.size(), row.text.size());
        EXPECT_TRUE(decoded == row.text);
    }
    // UTF-16 with a mark: a surrogate pair whose bytes the cut splits.
    QByteArray wide("\xff\xfe", 2);
    for (qsizetype i = 0; i < (kPiece - 4) / 2; ++i)
        wide.append("a\0", 2);
    wide.append("\x3d\xd8\x00\xde", 4); // U+1F600, from byte 2^24 - 2
    const QString decoded = decodeString(wide, NSUnicodeStringEncoding);
    ASSERT_EQ(decoded.size(), (kPiece - 4) / 2 + 2);
    EXPECT_EQ(decoded.right(2), QString::fromUtf16(u"\U0001F600"));
    EXPECT_EQ(decoded.count(u'a'), (kPiece - 4) / 2);
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

TEST(CharsetNames, IanaAndMimeNamesFindTheirConverters)
{
    EXPECT_EQ(converterForCharset("ISO-8859-1"), "ISO-8859-1");
    EXPECT_EQ(converterForCharset("latin1"), "ISO-8859-1");
    EXPECT_EQ(converterForCharset("iso_8859-1"), "ISO-8859-1");
    EXPECT_EQ(converterForCharset("WINDOWS-1252"), converterForCharset("windows-1252"));
    EXPECT_FALSE(converterForCharset("windows-1252").isNull());
    EXPECT_FALSE(converterForCharset("Shift_JIS").isNull());
    EXPECT_EQ(converterForCharset("utf-8"), "UTF-8");
    EXPECT_TRUE(converterForCharset("x-no-such-charset").isNull());
    EXPECT_TRUE(converterForCharset("").isNull());
    EXPECT_TRUE(converterForCharset(QByteArray()).isNull());
    EXPECT_TRUE(converterForCharset(QByteArray("ISO-8859-1\0x", 12)).isNull());
    EXPECT_TRUE(converterForCharset(QByteArray(200, 'a')).isNull());
}

// Sets of one or two bytes a character read without state have a table;
// every other kind, none.
TEST(CharsetNames, DoubleByteUnitsOnlyForStatelessSetsOfOneOrTwoBytes)
{
    const auto sjis = doubleByteUnits(converterForCharset("Shift_JIS"));
    ASSERT_TRUE(sjis.has_value());
    EXPECT_TRUE(sjis->lead[0x82]);
    EXPECT_FALSE(sjis->lead[0x41]);
    const unsigned char hiragana[] = {0x82, 0xa0};
    EXPECT_EQ(sjis->unitAt(hiragana, hiragana + 2), u'\u3042');
    EXPECT_EQ(sjis->lengthAt(hiragana, hiragana + 2), 2);
    EXPECT_EQ(sjis->unitAt(hiragana, hiragana + 1), DoubleByteUnits::kReplacement) << "cut by the end";
    EXPECT_EQ(sjis->lengthAt(hiragana, hiragana + 1), 1);
    EXPECT_EQ(sjis->single[0x41], u'A');
    EXPECT_EQ(sjis->single[0xB6], u'\uFF76') << "half-width katakana, one byte";
    EXPECT_EQ(sjis->single[0xFD], DoubleByteUnits::kReplacement) << "a byte the set leaves out";
    EXPECT_EQ(sjis->pairs[0x8120], DoubleByteUnits::kReplacement) << "a trail byte the set does not have";
    EXPECT_EQ(sjis->pairLengths[0x8120], 1) << "the space is read again";
    EXPECT_EQ(sjis->pairs[0x8540], DoubleByteUnits::kReplacement) << "a pair the set leaves out";
    EXPECT_EQ(sjis->pairLengths[0x8540], 2);
    for (const char* other : {"Big5", "GBK", "EUC-KR"}) {
        SCOPED_TRACE(other);
        EXPECT_TRUE(doubleByteUnits(converterForCharset(other)).has_value());
    }
    for (const char* other : {"ISO-8859-1", "UTF-8", "EUC-JP", "GB18030", "IBM930", "UTF-16LE", "ISO-2022-JP", "HZ-GB-2312"}) {
        SCOPED_TRACE(other);
        EXPECT_FALSE(doubleByteUnits(converterForCharset(other)).has_value());
    }
    EXPECT_FALSE(doubleByteUnits(QByteArray()).has_value());
    EXPECT_FALSE(doubleByteUnits("x-no-such-set").has_value());
}

// The table reads a text as the converter that reads what the set leaves
// out as U+FFFD does, for random bytes of every kind (lead bytes followed
// by anything, and cut at the end): the same units, and the first U+FFFD
// at the first byte the converter says it left out.
TEST(CharsetNames, DoubleByteUnitsDecodeAsTheConverter)
{
    std::mt19937 random(20261208);
    for (const char* charset : {"Shift_JIS", "Big5", "GBK", "EUC-KR"}) {
        SCOPED_TRACE(charset);
        const QByteArray converter = converterForCharset(charset);
        const auto units = doubleByteUnits(converter);
        ASSERT_TRUE(units.has_value());
        int valid = 0;
        for (int n = 0; n < 3000; ++n) {
            QByteArray bytes;
            for (int i = int(random() % 12); i > 0; --i) {
                // ASCII, a lead byte with a trail, or any byte.
                const auto kind = random() % 3;
                const auto any = static_cast<unsigned char>(random());
                if (kind == 0)
                    bytes.append(char(0x20 + random() % 0x5f));
                else if (kind == 1 && units->lead[any])
                    bytes.append(char(any)).append(char(0x40 + random() % 0xbf));
                else
                    bytes.append(char(any));
            }
            PieceDecoder decoder(converter.constData(), LeftOutBytes::Replace);
            QString expected(1, Qt::Uninitialized);
            qsizetype used = 0;
            ASSERT_TRUE(decoder.decodeInto(bytes.constData(), bytes.size(), true, expected, used));
            PieceDecoder::finishText(expected, used);
            valid += decodeInCharset(bytes, converter).isNull() ? 0 : 1;
            QString read;
            std::int64_t firstLeftOut = -1;
            const auto* begin = reinterpret_cast<const unsigned char*>(bytes.constData());
            const auto* end = begin + bytes.size();
            for (const auto* at = begin; at < end; at += units->lengthAt(at, end)) {
                read.append(QChar(units->unitAt(at, end)));
                if (firstLeftOut < 0 && units->unitAt(at, end) == DoubleByteUnits::kReplacement)
                    firstLeftOut = at - begin;
            }
            EXPECT_EQ(read, expected) << bytes.toHex(' ').constData();
            EXPECT_EQ(doubleByteUnitCount(bytes, *units), expected.size());
            EXPECT_EQ(firstLeftOut, decoder.firstLeftOutByte()) << bytes.toHex(' ').constData();
        }
        EXPECT_GT(valid, 300) << "too few valid texts to compare";
        EXPECT_LT(valid, 2700) << "too few texts with bytes the set leaves out";
    }
}

TEST(CharsetNames, ByteCharactersOnlyForSetsThatKeepAscii)
{
    const auto latin1 = asciiCompatibleByteCharacters("ISO-8859-1");
    ASSERT_TRUE(latin1.has_value());
    EXPECT_EQ((*latin1)[0x41], U'A');
    EXPECT_EQ((*latin1)[0xE9], U'\u00E9');
    const auto cp1252 = asciiCompatibleByteCharacters(converterForCharset("windows-1252"));
    ASSERT_TRUE(cp1252.has_value());
    EXPECT_EQ((*cp1252)[0x80], U'\u20AC');
    const auto koi8 = asciiCompatibleByteCharacters(converterForCharset("KOI8-R"));
    ASSERT_TRUE(koi8.has_value());
    EXPECT_EQ((*koi8)[0xC1], U'\u0430');
    const auto ascii = asciiCompatibleByteCharacters(converterForCharset("US-ASCII"));
    ASSERT_TRUE(ascii.has_value());
    EXPECT_EQ((*ascii)[0x80], kUnassignedByte);
    for (const char* other : {"Shift_JIS", "UTF-8", "EUC-JP", "IBM037", "UTF-16LE", "ISO-2022-JP"}) {
        SCOPED_TRACE(other);
        EXPECT_FALSE(asciiCompatibleByteCharacters(converterForCharset(other)).has_value());
    }
    EXPECT_FALSE(asciiCompatibleByteCharacters(QByteArray()).has_value());

    EXPECT_EQ(utf8FromByteCharacters("caf\xe9", *latin1), "caf\xc3\xa9");
    EXPECT_EQ(utf8FromByteCharacters("\x80", *cp1252), "\xe2\x82\xac");
    EXPECT_EQ(utf8FromByteCharacters(QByteArray("a\0b", 3), *latin1), QByteArray("a\0b", 3));
    EXPECT_EQ(utf8FromByteCharacters("", *latin1), "");
    EXPECT_FALSE(utf8FromByteCharacters("", *latin1).isNull());
    EXPECT_TRUE(utf8FromByteCharacters("a\x80", *ascii).isNull());
}

TEST(CharsetNames, DeclarationComesBeforeMarkAndUtf8)
{
    const QString cafe = QString::fromUtf8("caf\u00e9");
    EXPECT_EQ(decodeDeclaredOrDetected("caf\xe9", "ISO-8859-1"), cafe);
    EXPECT_TRUE(decodeDeclaredOrDetected("caf\xe9", QByteArray()).isNull());
    EXPECT_EQ(decodeDeclaredOrDetected("caf\xc3\xa9", "ISO-8859-1"), QString::fromUtf8("caf\u00c3\u00a9"));
    // Not valid in the declared set: the other steps read it.
    EXPECT_EQ(decodeDeclaredOrDetected("caf\xc3\xa9", "US-ASCII"), cafe);
    EXPECT_EQ(decodeDeclaredOrDetected("\xef\xbb\xbf\xe9", "ISO-8859-1"), QString::fromUtf8("\u00ef\u00bb\u00bf\u00e9"));
    EXPECT_EQ(decodeInCharset("\x93\xfa", converterForCharset("Shift_JIS")), QString::fromUtf8("\u65e5"));
    EXPECT_EQ(decodeInCharset("", "UTF-8"), "");
    EXPECT_TRUE(decodeInCharset("a", "x-no-such-charset").isNull());
    EXPECT_TRUE(decodeInCharset("a", QByteArray()).isNull());
}

TEST(DeclaredCharset, ReadsTheAttributeOfAnOpenFile)
{
    test::TempTree tree;
    const QByteArray path = tree.writeFile("text", "x").toUtf8();
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const DeclaredCharset none = declaredCharsetOfFile(fd);
    EXPECT_TRUE(none.name.isNull());
    EXPECT_TRUE(none.converter.isNull());
    EXPECT_FALSE(none.isUnknown());
    struct Row
    {
        QByteArray value;
        QByteArray name;
        QByteArray converter;
        bool unknown;
        bool utf8 = false;
    };
    const QList<Row> rows = {
        {"ISO-8859-1", "ISO-8859-1", "ISO-8859-1", false},
        // As some tools store it: a line feed or the terminating NUL.
        {QByteArray(" latin1\n\0", 9), "latin1", "ISO-8859-1", false},
        // UTF-8 by any of the names ICU gives it.
        {"UTF-8", "UTF-8", QByteArray(), false, true},
        {"utf-8", "utf-8", QByteArray(), false, true},
        {"UTF8\n", "UTF8", QByteArray(), false, true},
        {"utf_8", "utf_8", QByteArray(), false, true},
        {"x-no-such-charset", "x-no-such-charset", QByteArray(), true},
        {"", "", QByteArray(), true},
        {QByteArray(300, 'a'), QByteArray(300, 'a'), QByteArray(), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value.left(20).toStdString());
        if (::fsetxattr(fd, kCharsetAttribute, row.value.constData(), size_t(row.value.size()), 0) != 0) {
            ::close(fd);
            GTEST_SKIP() << "the temporary file system has no user extended attributes";
        }
        const DeclaredCharset declared = declaredCharsetOfFile(fd);
        EXPECT_EQ(declared.name, row.name);
        EXPECT_EQ(declared.converter, row.converter);
        EXPECT_EQ(declared.isUnknown(), row.unknown);
        EXPECT_EQ(declared.isUtf8, row.utf8);
    }
    ::close(fd);
}

// A text decoded in two pieces, cut anywhere (inside a character, between
// the halves of a surrogate pair, inside a byte-order mark), gives the
// text decoded whole, as UTF-8 or into one string; bytes not valid in the
// set, or a character cut at the very end, fail either way.
TEST(PieceDecoderTest, TwoPiecesCutAnywhereDecodeAsTheWhole)
{
    const QString text = QString::fromUtf8("a\xc3\xa9\xf0\x9f\x98\x80z\xe4\xb8\xad");
    const QString byteText = QString::fromUtf8("\xd0\x98\xd0\xb3\xd0\xbb\xd0\xb0 abc");
    struct Row
    {
        const char* converter;
        QByteArray bytes;
    };
    const QList<Row> rows = {
        {"UTF-16", "\xff\xfe" + encodeString(text, NSUTF16LittleEndianStringEncoding).value()},
        {"UTF-16", "\xfe\xff" + encodeString(text, NSUTF16BigEndianStringEncoding).value()},
        {"UTF-32", encodeString(text, NSUTF32StringEncoding).value()},
        {"UTF-8", encodeString(text, NSUTF8StringEncoding).value()},
        {"windows-1251", encodeString(byteText, NSWindowsCP1251StringEncoding).value()},
        {"Shift_JIS",
         encodeString(QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac abc"), NSShiftJISStringEncoding).value()},
        // Runs of ASCII longer than eight units around the others.
        {"Shift_JIS", encodeString(QString::fromUtf8("abcdefghijklmnop\xe6\x97\xa5qrstuvwx\xe6\x9c\xac"
                                                     "yz0123456789 end"),
                                   NSShiftJISStringEncoding)
                          .value()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.converter);
        const QByteArray converter = converterForCharset(row.converter);
        const QString whole = decodeInCharset(row.bytes, converter);
        ASSERT_FALSE(whole.isEmpty());
        for (qsizetype cut = 0; cut <= row.bytes.size(); ++cut) {
            SCOPED_TRACE(cut);
            PieceDecoder toUtf8(converter.constData());
            QByteArray utf8;
            EXPECT_TRUE(toUtf8.appendUtf8(row.bytes.constData(), cut, false, utf8));
            EXPECT_TRUE(toUtf8.appendUtf8(row.bytes.constData() + cut, row.bytes.size() - cut, true, utf8));
            EXPECT_EQ(utf8, whole.toUtf8());
            PieceDecoder toText(converter.constData());
            QString decoded(1, Qt::Uninitialized);
            qsizetype used = 0;
            EXPECT_TRUE(toText.decodeInto(row.bytes.constData(), cut, false, decoded, used));
            EXPECT_TRUE(toText.decodeInto(row.bytes.constData() + cut, row.bytes.size() - cut, true, decoded, used));
            PieceDecoder::finishText(decoded, used);
            EXPECT_EQ(decoded, whole);
        }
    }
    const struct
    {
        const char* converter;
        QByteArray bytes;
    } bad[] = {
        {"UTF-16", QByteArray("\xff\xfe" "a\0" "\x3d\xd8" "b\0", 8)}, // a lone lead surrogate
        {"UTF-16", QByteArray("\xff\xfe" "a\0" "\x3d\xd8", 6)},       // cut after a lead surrogate
        {"UTF-16", QByteArray("\xff\xfe" "a", 3)},                    // half a unit
        {"UTF-8", "ab\xc3"},
        {"US-ASCII", "ab\x80"},
    };
    for (const auto& row : bad) {
        SCOPED_TRACE(row.bytes.toPercentEncoding().toStdString());
        ASSERT_TRUE(decodeInCharset(row.bytes, converterForCharset(row.converter)).isNull());
        PieceDecoder decoder(converterForCharset(row.converter).constData());
        QByteArray utf8;
        const qsizetype half = row.bytes.size() / 2;
        const bool first = decoder.appendUtf8(row.bytes.constData(), half, false, utf8);
        EXPECT_FALSE(first && decoder.appendUtf8(row.bytes.constData() + half, row.bytes.size() - half, true, utf8));
    }
    EXPECT_FALSE(PieceDecoder("no-such-set").isOpen());
}

// Replacing, a decoder reads each byte or pair its set leaves out (and a
// character cut by the text's end) as U+FFFD, whatever piece it is cut
// into, and keeps where the first was, counted from the first piece's
// first byte; a set of three bytes a character and one with state too.
TEST(PieceDecoderTest, LeftOutBytesAreReplacementsWhereverThePiecesAreCut)
{
    const struct
    {
        const char* charset;
        QByteArray bytes;
        QString text;
        std::int64_t firstLeftOut;
    } rows[] = {
        {"Shift_JIS", "ab\x93\xfa c", u"ab\u65e5 c"_qs, -1},
        {"Shift_JIS", "ab\x81 c\xfd", u"ab\ufffd c\ufffd"_qs, 2},
        {"Shift_JIS", "ab\xfd\x93\xfa", u"ab\ufffd\u65e5"_qs, 2},
        {"Shift_JIS", "a\x85\x40\x81", u"a\ufffd\ufffd"_qs, 1},
        {"Big5", "a\xa4\xa4\xa1 z", u"a\u4e2d\ufffd z"_qs, 3},
        {"GBK", "a\xd6\xd0\x81 z", u"a\u4e2d\ufffd z"_qs, 3},
        {"EUC-KR", "a\xb0\xa1\xb0 z", u"a\uac00\ufffd z"_qs, 3},
        {"ISO-8859-3", "caf\xe9 \xa5", u"caf\u00e9 \ufffd"_qs, 5},
        {"EUC-JP", "a\x8f\xa1 z", u"a\ufffd\ufffd z"_qs, 1},
        {"ISO-2022-JP", "a\x1b$B\x30\x21\x1b(Bz\xff", u"a\u4e9cz\ufffd"_qs, 10},
        // UTF-8: one U+FFFD for each longest start of a sequence that
        // cannot be completed, one for every other byte not valid.
        {"UTF-8", "a\xe6\x97 z\xe6\x97\xa5", u"a\ufffd z\u65e5"_qs, 1},
        {"UTF-8", "a\xf0\x80\x80z", u"a\ufffd\ufffd\ufffdz"_qs, 1},
        {"UTF-8", "\xed\xa0\x80\xc0\xaf", u"\ufffd\ufffd\ufffd\ufffd\ufffd"_qs, 0},
        {"UTF-8", "ab\xf0\x9f\x98", u"ab\ufffd"_qs, 2},
    };
    for (const auto& row : rows) {
        const QByteArray converter = converterForCharset(row.charset);
        ASSERT_FALSE(converter.isNull()) << row.charset;
        for (qsizetype cut = 0; cut <= row.bytes.size(); ++cut) {
            SCOPED_TRACE(std::string(row.charset) + " " + row.bytes.toHex(' ').toStdString() + " cut at "
                         + std::to_string(cut));
            PieceDecoder toUtf8(converter.constData(), LeftOutBytes::Replace);
            QByteArray utf8;
            EXPECT_TRUE(toUtf8.appendUtf8(row.bytes.constData(), cut, false, utf8));
            EXPECT_TRUE(toUtf8.appendUtf8(row.bytes.constData() + cut, row.bytes.size() - cut, true, utf8));
            EXPECT_EQ(QString::fromUtf8(utf8), row.text);
            EXPECT_EQ(toUtf8.firstLeftOutByte(), row.firstLeftOut);
        }
    }
}

} // namespace
