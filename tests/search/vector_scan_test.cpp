// Tests of search/vector_scan.h: every level this processor runs answers
// as the plain code does, on every short sequence placed across the ends
// of the vectors and on random bytes; the plain code itself is held to
// ICU's strict decoding by byte_search_test.cpp.

#include "search/vector_scan.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace sorvant::vector_scan {
namespace {

std::vector<Level> fastLevels()
{
    std::vector<Level> levels;
    for (const Level level : {Level::Sse2, Level::Avx2}) {
        if (isSupported(level))
            levels.push_back(level);
    }
    return levels;
}

const char* nameOf(Level level)
{
    return level == Level::Avx2 ? "AVX2" : level == Level::Sse2 ? "SSE2" : "plain";
}

TEST(VectorScanTest, PlainAlwaysRunsAndTheBestLevelIsSupported)
{
    EXPECT_TRUE(isSupported(Level::Plain));
    EXPECT_TRUE(isSupported(bestLevel()));
#if defined(__x86_64__)
    // The processor is asked directly; the compiler's own test agrees
    // wherever the AVX2 loops are built at all.
    EXPECT_EQ(isSupported(Level::Avx2), isSupported(Level::Avx2) && __builtin_cpu_supports("avx2"));
#endif
}

TEST(VectorScanTest, ValidityTable)
{
    struct Row
    {
        QByteArray bytes;
        bool valid;
    };
    const QList<Row> rows = {
        {"", true},
        {"a\xC3\xA9", true},
        {"\xE2\x82\xAC", true},
        {"\xF0\x9F\x98\x80", true},
        {"\xF4\x8F\xBF\xBF", true},      // U+10FFFF
        {"\xEF\xBB\xBF", true},          // a byte-order mark is a character
        {"\xC3", false},                 // cut
        {"\xC0", false},                 // no such lead
        {"\xE2\x82", false},             // cut
        {"\xF0\x9F\x98", false},         // cut
        {"\x80", false},                 // a continuation alone
        {"\xC3\xA9\x80", false},         // one continuation too many
        {"\xC0\x80", false},             // overlong
        {"\xC1\xBF", false},             // overlong
        {"\xE0\x9F\xBF", false},         // overlong
        {"\xF0\x8F\xBF\xBF", false},     // overlong
        {"\xED\xA0\x80", false},         // a surrogate
        {"\xED\x9F\xBF", true},          // U+D7FF
        {"\xF4\x90\x80\x80", false},     // above U+10FFFF
        {"\xF5\x80\x80\x80", false},     // no such lead
        {"\xFF", false},
        {"\xE2\x41\x82", false},         // ASCII inside a character
        {QByteArray("\0", 1), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bytes.toHex().toStdString());
        EXPECT_EQ(isValidUtf8(Level::Plain, row.bytes.constData(), row.bytes.size()), row.valid);
        for (const Level level : fastLevels()) {
            SCOPED_TRACE(nameOf(level));
            // Alone, and at every place around the ends of two vectors of 32.
            EXPECT_EQ(isValidUtf8(level, row.bytes.constData(), row.bytes.size()), row.valid);
            for (int lead = 0; lead <= 70; ++lead) {
                for (const int tail : {0, 1, 40}) {
                    const QByteArray bytes = QByteArray(lead, 'x') + row.bytes + QByteArray(tail, 'y');
                    ASSERT_EQ(isValidUtf8(level, bytes.constData(), bytes.size()), row.valid) << lead << "+" << tail;
                }
            }
        }
    }
}

// Every sequence of up to three bytes (the first one not ASCII), after
// ASCII and before a character of four bytes, at the end of a vector and
// across it.
TEST(VectorScanTest, EveryShortSequenceAgreesAcrossVectorEnds)
{
    const std::vector<Level> levels = fastLevels();
    if (levels.empty())
        GTEST_SKIP() << "no vector level on this processor";
    for (const int place : {29, 31, 62}) {
        QByteArray bytes(place, 'a');
        bytes += QByteArray(3, '\0') + "\xF0\x9F\x98\x80" + QByteArray(30, 'b');
        for (unsigned first = 0x80; first <= 0xFF; ++first) {
            for (unsigned second = 0; second <= 0xFF; ++second) {
                for (unsigned third = 0; third <= 0xFF; third += (second & 0x80) ? 1 : 0x7F) {
                    bytes[place] = char(first);
                    bytes[place + 1] = char(second);
                    bytes[place + 2] = char(third);
                    const bool plain = isValidUtf8(Level::Plain, bytes.constData(), bytes.size());
                    for (const Level level : levels) {
                        ASSERT_EQ(isValidUtf8(level, bytes.constData(), bytes.size()), plain)
                            << nameOf(level) << " at " << place << ": " << std::hex << first << " " << second << " "
                            << third;
                    }
                }
            }
        }
    }
}

TEST(VectorScanTest, ValidityAgreesOnRandomText)
{
    const std::vector<Level> levels = fastLevels();
    static const char* const pieces[] = {"a", " ", "\n", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xED\x9F\xBF",
                                         "\xF4\x8F\xBF\xBF", "\x80", "\xC3", "\xE0\xA0", "\xF0\x90\x80", "\xFF"};
    std::mt19937 random(43);
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes;
        // Mostly text, an error now and then, some long ASCII runs.
        const bool clean = round % 2 == 0;
        for (int n = int(random() % 200); n > 0; --n) {
            const std::uint32_t pick = random() % (clean ? 8 : 13);
            bytes += random() % 8 == 0 ? QByteArray(int(random() % 90), 'z') : QByteArray(pieces[pick]);
        }
        const bool plain = isValidUtf8(Level::Plain, bytes.constData(), bytes.size());
        for (const Level level : levels)
            ASSERT_EQ(isValidUtf8(level, bytes.constData(), bytes.size()), plain) << bytes.toHex().toStdString();
    }
}

TEST(VectorScanTest, AsciiIsSeenAtEveryPlace)
{
    for (const Level level : {Level::Plain, Level::Sse2, Level::Avx2}) {
        if (!isSupported(level))
            continue;
        SCOPED_TRACE(nameOf(level));
        EXPECT_EQ(skipAscii(level, "", 0, 0), 0);
        for (int size = 1; size <= 140; ++size) {
            QByteArray bytes(size, '\x7f');
            ASSERT_EQ(skipAscii(level, bytes.constData(), 0, size), size);
            for (int at = 0; at < size; ++at) {
                bytes[at] = '\x80';
                for (const int from : {0, at / 2, at, at + 1}) {
                    const qsizetype wanted = from <= at ? at : size;
                    ASSERT_EQ(skipAscii(level, bytes.constData(), from, size), wanted) << at << " of " << size;
                }
                bytes[at] = '\0';
            }
        }
    }
}

TEST(VectorScanTest, PairFindsAgreeWithPlainCode)
{
    const QByteArray alphabet("aAqQmM \x80\xC3\0", 11);
    std::mt19937 random(7);
    for (int round = 0; round < 20000; ++round) {
        QByteArray haystack;
        for (int n = int(random() % 300); n > 0; --n)
            haystack.append(alphabet.at(qsizetype(random() % std::uint32_t(alphabet.size()))));
        BytePair pair;
        pair.caseBit = round % 2 ? 0x20 : 0;
        pair.first = static_cast<unsigned char>(alphabet.at(qsizetype(random() % 11)) | pair.caseBit);
        pair.second = static_cast<unsigned char>(alphabet.at(qsizetype(random() % 11)) | pair.caseBit);
        pair.firstOffset = qsizetype(random() % 5);
        pair.secondOffset = qsizetype(random() % 5);
        const qsizetype last = haystack.size() - 5;
        const qsizetype from = qsizetype(random() % 100);
        const qsizetype plain = findPair(Level::Plain, haystack.constData(), from, last, pair);
        if (plain >= 0) {
            EXPECT_EQ(static_cast<unsigned char>(haystack[plain + pair.firstOffset]) | pair.caseBit, pair.first);
            EXPECT_EQ(static_cast<unsigned char>(haystack[plain + pair.secondOffset]) | pair.caseBit, pair.second);
        }
        for (const Level level : fastLevels())
            ASSERT_EQ(findPair(level, haystack.constData(), from, last, pair), plain) << nameOf(level) << " " << round;
    }
}

TEST(VectorScanTest, PairFindTable)
{
    const QByteArray text("a quantum of Quantum");
    BytePair pair;
    pair.first = 'q';
    pair.second = 'm';
    pair.secondOffset = 6;
    const qsizetype last = text.size() - 7;
    for (const Level level : {Level::Plain, bestLevel()}) {
        SCOPED_TRACE(nameOf(level));
        EXPECT_EQ(findPair(level, text.constData(), 0, last, pair), 2);
        EXPECT_EQ(findPair(level, text.constData(), 3, last, pair), -1);
        EXPECT_EQ(findPair(level, text.constData(), 5, 4, pair), -1);
        pair.caseBit = 0x20;
        EXPECT_EQ(findPair(level, text.constData(), 3, last, pair), 13);
        pair.caseBit = 0;
    }
}

} // namespace
} // namespace sorvant::vector_scan
