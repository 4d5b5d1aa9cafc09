#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <thread>
#include <vector>

namespace sorvant {
namespace {

std::u16string unitsOf(const std::array<char16_t, 16>& buffer, qsizetype count)
{
    return std::u16string(buffer.data(), static_cast<std::size_t>(count));
}

struct Utf8Case
{
    const char* name;
    std::string utf8;
    std::u16string utf16;
};
void PrintTo(const Utf8Case& row, std::ostream* out) { test::printRowName(row, out); }

class Utf8RoundTrip : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8RoundTrip, ConvertsBothWays)
{
    const Utf8Case& row = GetParam();
    std::array<char16_t, 16> units{};
    qsizetype unitCount = -1;
    EXPECT_EQ(convertUTF8ToUnichars(row.utf8.data(), static_cast<qsizetype>(row.utf8.size()), units.data(),
                                    units.size(), &unitCount),
              kTextConversionOK);
    EXPECT_EQ(unitsOf(units, unitCount), row.utf16);

    std::array<char, 32> bytes{};
    qsizetype byteCount = -1;
    EXPECT_EQ(convertUnicharsToUTF8(row.utf16.data(), static_cast<qsizetype>(row.utf16.size()), bytes.data(),
                                    bytes.size(), &byteCount),
              kTextConversionOK);
    EXPECT_EQ(std::string(bytes.data(), static_cast<std::size_t>(byteCount)), row.utf8);
}

INSTANTIATE_TEST_SUITE_P(Texts, Utf8RoundTrip,
                         testing::Values(Utf8Case{"empty", "", u""}, Utf8Case{"ascii", "abc", u"abc"},
                                         Utf8Case{"latin", "caf\xc3\xa9", u"caf\u00e9"},
                                         Utf8Case{"euroAndCjk", "\xe2\x82\xac\xe4\xb8\xad", u"\u20ac\u4e2d"},
                                         Utf8Case{"beyondBmp", "a\xf0\x9f\x98\x80", u"a\U0001F600"},
                                         Utf8Case{"embeddedNul", std::string("a\0b", 3), std::u16string(u"a\0b", 3)}),
                         [](const testing::TestParamInfo<Utf8Case>& row) { return std::string(row.param.name); });

TEST(ConvertUTF8ToUnichars, ReportsMalformedInputAndBadParameters)
{
    std::array<char16_t, 16> units{};
    qsizetype count = -1;
    EXPECT_EQ(convertUTF8ToUnichars("a\xff", 2, units.data(), units.size(), &count), kTextConversionMalformedInput);
    EXPECT_EQ(convertUTF8ToUnichars("\xe2\x82", 2, units.data(), units.size(), &count), kTextConversionMalformedInput);
    EXPECT_EQ(convertUTF8ToUnichars(nullptr, 0, units.data(), units.size(), &count), kTextConversionOK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(convertUTF8ToUnichars(nullptr, 3, units.data(), units.size(), &count), kTextConversionParameterError);
    EXPECT_EQ(convertUTF8ToUnichars("abc", -1, units.data(), units.size(), &count), kTextConversionParameterError);
    EXPECT_EQ(convertUTF8ToUnichars("abc", 3, nullptr, 4, &count), kTextConversionParameterError);
}

TEST(ConvertUTF8ToUnichars, FullBufferKeepsWholeCharacters)
{
    std::array<char16_t, 16> units{};
    qsizetype count = -1;
    // "ab" then U+1F600: three units fit, but the third is half a pair.
    EXPECT_EQ(convertUTF8ToUnichars("ab\xf0\x9f\x98\x80" "cd", 8, units.data(), 3, &count),
              kTextConversionOutputBufferFull);
    EXPECT_EQ(unitsOf(units, count), u"ab");
    EXPECT_EQ(convertUTF8ToUnichars("abcd", 4, units.data(), 2, &count), kTextConversionOutputBufferFull);
    EXPECT_EQ(unitsOf(units, count), u"ab");
}

TEST(ConvertUnicharsToUTF8, ReportsLoneSurrogatesAndFullBuffers)
{
    std::array<char, 16> bytes{};
    qsizetype count = -1;
    const char16_t lone[] = {u'a', 0xD800, u'b'};
    EXPECT_EQ(convertUnicharsToUTF8(lone, 3, bytes.data(), bytes.size(), &count), kTextConversionMalformedInput);

    const std::u16string text = u"a\u00e9\u20acb"; // 1 + 2 + 3 + 1 bytes
    EXPECT_EQ(convertUnicharsToUTF8(text.data(), 4, bytes.data(), 4, &count), kTextConversionOutputBufferFull);
    EXPECT_EQ(std::string(bytes.data(), static_cast<std::size_t>(count)), "a\xc3\xa9");
    EXPECT_EQ(convertUnicharsToUTF8(text.data(), 4, bytes.data(), 6, &count), kTextConversionOutputBufferFull);
    EXPECT_EQ(count, 6);
    EXPECT_EQ(convertUnicharsToUTF8(text.data(), 4, bytes.data(), 7, &count), kTextConversionOK);
    EXPECT_EQ(count, 7);
}

struct CharsetCase
{
    const char* name;
    std::string bytes;
    const char* encoding;
    bool converts;
    std::u16string units;
};
void PrintTo(const CharsetCase& row, std::ostream* out) { test::printRowName(row, out); }

class ConvertCharsToUnichars : public testing::TestWithParam<CharsetCase> {};

TEST_P(ConvertCharsToUnichars, Converts)
{
    const CharsetCase& row = GetParam();
    std::array<char16_t, 16> units{};
    qsizetype count = -1;
    EXPECT_EQ(convertCharsToUnichars(row.bytes.data(), static_cast<qsizetype>(row.bytes.size()), row.encoding,
                                     units.data(), units.size(), &count),
              row.converts);
    EXPECT_EQ(unitsOf(units, count), row.units);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, ConvertCharsToUnichars,
    testing::Values(CharsetCase{"latin1", "caf\xe9", "ISO-8859-1", true, u"caf\u00e9"},
                    CharsetCase{"windows1252Euro", "\x80", "windows-1252", true, u"\u20ac"},
                    CharsetCase{"macRoman", "\x8e", "macintosh", true, u"\u00e9"},
                    CharsetCase{"shiftJis", "\x82\xa0", "Shift_JIS", true, u"\u3042"},
                    CharsetCase{"utf16BigEndian", std::string("\x00\x41\x03\xb1", 4), "UTF-16BE", true, u"A\u03b1"},
                    CharsetCase{"empty", "", "UTF-8", true, u""},
                    CharsetCase{"unknownEncodingGivesZeroUnits", "abc", "no-such-encoding", false, u""},
                    CharsetCase{"malformedStopsThere", "ab\xff" "c", "UTF-8", false, u"ab"},
                    CharsetCase{"bufferTooSmall", "abcdefghijklmnopq", "US-ASCII", false, u"abcdefghijklmnop"}),
    [](const testing::TestParamInfo<CharsetCase>& row) { return std::string(row.param.name); });

TEST(TextEncodingConverters, InitIsIdempotentAndConvertersAreThreadSafe)
{
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            initTextEncodingConverters();
            for (int i = 0; i < 500; ++i) {
                std::array<char16_t, 16> units{};
                qsizetype count = 0;
                if (convertUTF8ToUnichars("caf\xc3\xa9", 5, units.data(), units.size(), &count) != kTextConversionOK
                    || count != 4 || units[3] != 0x00E9)
                    ++failures[static_cast<std::size_t>(t)];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

} // namespace
} // namespace sorvant
