// Tests of search/byte_search.h against the slow, obvious answers: ICU's
// strict UTF-8 decoding, a plain byte-by-byte find, and a decoded scan for
// the characters that fold to ASCII.

#include "search/byte_search.h"

#include "platform/string_compare.h"
#include "platform/string_encoding.h"

#include <QString>

#include <gtest/gtest.h>

#include <random>

namespace sorvant {
namespace {

// Bytes from a small alphabet that meets every branch of UTF-8: ASCII, each
// kind of lead byte (with the special second-byte ranges) and continuations.
QByteArray randomBytes(std::mt19937& random, int length)
{
    static const unsigned char alphabet[] = {'a', 'S', 0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1,
                                             0xC2, 0xC5, 0xDF, 0xE0, 0xE1, 0xED, 0xEF, 0xF0, 0xF3, 0xF4, 0xF5, 0xFF};
    QByteArray bytes;
    for (int i = 0; i < length; ++i)
        bytes.append(char(alphabet[random() % sizeof alphabet]));
    return bytes;
}

TEST(ByteSearchTest, ValidityAgreesWithStrictDecoding)
{
    std::mt19937 random(11);
    for (int round = 0; round < 20000; ++round) {
        // Long enough, now and then, for the sixteen-byte ASCII steps.
        QByteArray bytes = randomBytes(random, 1 + int(random() % 8));
        if (round % 3 == 0)
            bytes = QByteArray(int(random() % 40), 'x') + bytes + QByteArray(int(random() % 20), 'y');
        SCOPED_TRACE(bytes.toHex().toStdString());
        ASSERT_EQ(isValidUtf8(bytes.constData(), bytes.size()),
                  !decodeString(bytes, NSUTF8StringEncoding).isNull());
    }
}

TEST(ByteSearchTest, DecodingKeepsEveryCharacter)
{
    for (const QString& text : {u"\uFEFFx"_qs, u"\uFEFF\uFEFF"_qs, u"a\uFEFF"_qs, u"\u0000\uFEFF"_qs, u""_qs}) {
        const QByteArray bytes = text.toUtf8();
        EXPECT_EQ(decodeValidUtf8(bytes.constData(), bytes.size()), text);
    }
}

TEST(ByteSearchTest, CutPointNeverSplitsACharacter)
{
    const QByteArray text = QStringLiteral("a\u00e9\u20ac\U0001F600z").toUtf8();
    for (qsizetype size = 0; size <= text.size(); ++size) {
        SCOPED_TRACE(size);
        const qsizetype cut = utf8CutPoint(text.constData(), size);
        EXPECT_LE(cut, size);
        EXPECT_GE(cut, size - 3);
        EXPECT_TRUE(isValidUtf8(text.constData(), cut));
        EXPECT_TRUE(isValidUtf8(text.constData() + cut, text.size() - cut));
    }
}

TEST(ByteSearchTest, FinderAgreesWithAPlainFind)
{
    std::mt19937 random(5);
    const QByteArray letters("aAbBsS zZ@`{[\x80\xc3");
    for (int round = 0; round < 4000; ++round) {
        QByteArray needle;
        QByteArray haystack;
        for (int n = 1 + int(random() % 4); n > 0; --n)
            needle.append(letters.at(qsizetype(random() % std::uint32_t(letters.size()))));
        for (int n = int(random() % 70); n > 0; --n)
            haystack.append(letters.at(qsizetype(random() % std::uint32_t(letters.size()))));
        const bool ignoreCase = round % 2 == 0;
        SCOPED_TRACE(needle.toHex().toStdString() + " in " + haystack.toHex().toStdString());
        const ByteFinder finder(needle, ignoreCase);
        const QByteArray wanted = ignoreCase ? needle.toLower() : needle;
        const QByteArray text = ignoreCase ? haystack.toLower() : haystack;
        for (qsizetype from = 0; from <= haystack.size(); from += 7)
            ASSERT_EQ(finder.find(haystack.constData(), haystack.size(), from), text.indexOf(wanted, from));
    }
}

TEST(ByteSearchTest, CharactersFoldingToAsciiAreSeen)
{
    for (const char32_t c : charactersFoldingToAscii()) {
        const QByteArray bytes = "text " + QString::fromUcs4(&c, 1).toUtf8() + " more";
        EXPECT_TRUE(holdsCharacterFoldingToAscii(bytes.constData(), bytes.size())) << unsigned(c);
    }
    const QByteArray other = QStringLiteral("caf\u00e9 \u0391\u03b8\u03ae\u03bd\u03b1 \u6587 \u212b").toUtf8();
    EXPECT_FALSE(holdsCharacterFoldingToAscii(other.constData(), other.size()));
}

} // namespace
} // namespace sorvant
