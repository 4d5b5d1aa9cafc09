#include "platform/string_compare.h"

#include <QString>
#include <QStringList>

#include <algorithm>

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include "tests/support/peak_memory.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

struct FindCase
{
    const char* name;
    const char16_t* haystack;
    const char16_t* needle;
    unsigned options;
    Range expected;
};
void PrintTo(const FindCase& row, std::ostream* out) { test::printRowName(row, out); }

class FindString : public testing::TestWithParam<FindCase> {};

TEST_P(FindString, AnswersMatchedRange)
{
    const FindCase& row = GetParam();
    const QString haystack = QString::fromUtf16(row.haystack);
    const Range found = findString(haystack, QString::fromUtf16(row.needle), row.options);
    EXPECT_EQ(found.location, row.expected.location);
    EXPECT_EQ(found.length, row.expected.length);
}

constexpr unsigned kCase = kCompareCaseInsensitive;
constexpr unsigned kDiacritics = kCompareDiacriticInsensitive;

INSTANTIATE_TEST_SUITE_P(
    Cases, FindString,
    testing::Values(
        FindCase{"exact", u"xaab", u"ab", 0, {2, 2}},
        FindCase{"absent", u"abc", u"abd", 0, kMissingRange},
        FindCase{"emptyNeedle", u"abc", u"", 0, kMissingRange},
        FindCase{"emptyHaystack", u"", u"a", 0, kMissingRange},
        FindCase{"caseSensitiveMiss", u"ABC", u"abc", 0, kMissingRange},
        FindCase{"caseless", u"xxABC", u"abc", kCase, {2, 3}},
        // Full folding: sharp s matches "SS", and the range is the haystack's.
        FindCase{"sharpSInUpper", u"STRASSE", u"straße", kCase, {0, 7}},
        FindCase{"upperInSharpS", u"die straße", u"STRASSE", kCase, {4, 6}},
        FindCase{"sharpSWhole", u"straße", u"strass", kCase, {0, 5}},
        FindCase{"sharpSHalfNotFound", u"straße", u"stras", kCase, kMissingRange},
        FindCase{"composedFindsDecomposed", u"cafe\u0301!", u"caf\u00e9", 0, {0, 5}},
        FindCase{"decomposedFindsComposed", u"caf\u00e9!", u"cafe\u0301", 0, {0, 4}},
        FindCase{"baseDoesNotMatchAccented", u"caf\u00e9", u"cafe", 0, kMissingRange},
        FindCase{"baseDoesNotMatchDecomposed", u"cafe\u0301", u"cafe", 0, kMissingRange},
        FindCase{"literalKeepsForms", u"cafe\u0301", u"caf\u00e9", kCompareLiteral, kMissingRange},
        FindCase{"diacriticsIgnored", u"Caf\u00e9s", u"cafe", kCase | kDiacritics, {0, 4}},
        FindCase{"diacriticsIgnoredSpansMark", u"cafe\u0301s", u"cafe", kDiacritics, {0, 5}},
        FindCase{"backwards", u"abcabc", u"bc", kCompareBackwards, {4, 2}},
        FindCase{"anchoredHit", u"abcabc", u"ab", kCompareAnchored, {0, 2}},
        FindCase{"anchoredMiss", u"xabc", u"ab", kCompareAnchored, kMissingRange},
        FindCase{"anchoredBackwards", u"abcab", u"ab", kCompareAnchored | kCompareBackwards, {3, 2}},
        FindCase{"anchoredBackwardsMiss", u"abcabx", u"ab", kCompareAnchored | kCompareBackwards, kMissingRange},
        FindCase{"supplementary", u"a\U0001F600b", u"\U0001F600", 0, {1, 2}},
        FindCase{"widthInsensitive", u"\uFF21\uFF22", u"AB", kCompareWidthInsensitive, {0, 2}},
        // Canonical ordering: marks of different classes in either order.
        FindCase{"marksInEitherOrder", u"xa\u0301\u0323y", u"a\u0323\u0301", 0, {1, 3}},
        FindCase{"composedWithMarksReordered", u"x\u1EA1\u0301", u"a\u0301\u0323", 0, {1, 2}},
        FindCase{"marksOfOneClassKeepOrder", u"a\u0301\u0300", u"a\u0300\u0301", 0, kMissingRange},
        FindCase{"literalKeepsMarkOrder", u"a\u0301\u0323", u"a\u0323\u0301", kCompareLiteral, kMissingRange}),
    [](const testing::TestParamInfo<FindCase>& row) { return std::string(row.param.name); });

TEST(FindStringRange, SearchesOnlyWithinRangeAndClips)
{
    const QString text = QStringLiteral("abcabcabc");
    EXPECT_EQ(findString(text, u"abc", Range{1, 8}, 0), (Range{3, 3}));
    EXPECT_EQ(findString(text, u"abc", Range{1, 4}, 0), kMissingRange);
    EXPECT_EQ(findString(text, u"abc", Range{6, 100}, 0), (Range{6, 3}));
    EXPECT_EQ(findString(text, u"abc", Range{9, 1}, 0), kMissingRange);
    EXPECT_EQ(findString(text, u"abc", Range{NSNotFound, 0}, 0), kMissingRange);
}

TEST(CompareStrings, OrderAndEquality)
{
    EXPECT_EQ(compareStrings(u"abc", u"abd", 0), -1);
    EXPECT_EQ(compareStrings(u"abd", u"abc", 0), 1);
    EXPECT_EQ(compareStrings(u"ab", u"abc", 0), -1);
    EXPECT_EQ(compareStrings(u"", u"", 0), 0);
    EXPECT_EQ(compareStrings(QStringView(), u"", 0), 0);
    EXPECT_EQ(compareStrings(u"ABC", u"abc", 0), -1);
    EXPECT_EQ(compareStrings(u"ABC", u"abc", kCase), 0);
    EXPECT_EQ(compareStrings(u"\u00dfs", u"s\u00df", kCase), 0);
    EXPECT_EQ(compareStrings(u"STRASSE", u"stra\u00dfe", kCase), 0);
    EXPECT_EQ(compareStrings(u"e\u0301", u"\u00e9", 0), 0);
    EXPECT_NE(compareStrings(u"e\u0301", u"\u00e9", kCompareLiteral), 0);
    EXPECT_EQ(compareStrings(u"\u00c9l\u00e8ve", u"eleve", kCase | kDiacritics), 0);
    EXPECT_NE(compareStrings(u"\u00c9l\u00e8ve", u"eleve", kCase), 0);
}

TEST(CompareStrings, CanonicalOrderOfMarks)
{
    struct Row
    {
        const char16_t* first;
        const char16_t* second;
        unsigned options;
        int expected;
    };
    const Row rows[] = {
        {u"a\u0301\u0323", u"a\u0323\u0301", 0, 0},
        {u"A\u0301\u0323", u"a\u0323\u0301", kCase, 0},
        {u"\u1EA1\u0301", u"a\u0301\u0323", 0, 0},               // ạ then acute
        {u"q\u0307\u0323\u0301", u"q\u0323\u0307\u0301", 0, 0}, // a run of three
        {u"a\u0301\u0323", u"a\u0323\u0301", kCompareLiteral, 1},
        {u"a\u0301\u0300", u"a\u0300\u0301", 0, 1},               // same class: order counts
        {u"a\u0301\U0001D167", u"a\U0001D167\u0301", 0, 0},       // a mark above the BMP
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.first).toStdString());
        const int answer = compareStrings(QString::fromUtf16(row.first), QString::fromUtf16(row.second), row.options);
        EXPECT_EQ(answer == 0, row.expected == 0);
    }
}

// Each needle of a set is found exactly where a find of it alone finds it,
// in whole texts and in windows that overlap by the longest match.
TEST(StringSetFinder, AgreesWithSingleFinds)
{
    const QStringList texts = {u"Die Stra\u00DFe ist lang"_qs, u"STRASSE"_qs, u"\u212Aelvin and \u017Fun"_qs,
                               u"cafe\u0301 caf\u00E9"_qs, u"\uFB01le \u0130stanbul"_qs, u"\U0001F600 x\u0345"_qs,
                               u""_qs, u"ss s"_qs};
    const QStringList needles = {u"strasse"_qs, u"stras"_qs, u"kelvin"_qs, u"sun"_qs, u"caf\u00E9"_qs,
                                 u"cafe"_qs, u"file"_qs, u"i\u0307"_qs, u"x"_qs, u"\U0001F600"_qs, u"ss"_qs,
                                 u"s"_qs, u"e"_qs, u""_qs};
    for (const unsigned options : {unsigned(kCompareLiteral), kCompareLiteral | kCase, unsigned(kCase), 0u}) {
        const StringSetFinder finder(needles, options);
        for (const QString& text : texts) {
            SCOPED_TRACE(text.toStdString() + " / " + std::to_string(options));
            std::vector<char> found(size_t(needles.size()), 0);
            const qsizetype marked = finder.findIn(text, found, needles.size(), false, {});
            EXPECT_EQ(marked, std::count(found.begin(), found.end(), char(1)));
            for (qsizetype i = 0; i < needles.size(); ++i)
                EXPECT_EQ(bool(found[size_t(i)]), containsString(text, needles.at(i), options)) << i;
            if (finder.longestSourceMatch() < 0)
                continue;
            // The same in windows of three units, each repeating the overlap.
            std::vector<char> windowed(size_t(needles.size()), 0);
            const qsizetype step = 3;
            for (qsizetype at = 0; at < text.size(); at += step) {
                const qsizetype from = std::max<qsizetype>(0, at - finder.longestSourceMatch());
                const qsizetype end = std::min(text.size(), at + step);
                finder.findIn(QStringView(text).mid(from, end - from), windowed, needles.size(), end < text.size(), {});
            }
            EXPECT_EQ(windowed, found);
        }
    }
}

TEST(StringSetFinder, EndsEarlyWhenEnoughAreFoundOrWhenStopped)
{
    const StringSetFinder finder({u"a"_qs, u"b"_qs, u"c"_qs}, kCompareLiteral);
    std::vector<char> found(3, 0);
    EXPECT_EQ(finder.findIn(u"xxbxxaxxc"_qs, found, 1, false, {}), 1);
    EXPECT_EQ(found, (std::vector<char>{0, 1, 0}));
    EXPECT_EQ(finder.findIn(u"xxbxxaxxc"_qs, found, 3, false, {}), 3);
    std::vector<char> none(3, 0);
    EXPECT_EQ(finder.findIn(QString(20000, u'a'), none, 3, false, [] { return true; }), 0);
}

TEST(CharactersFoldingToAscii, HoldsTheKnownOnesAndNoAscii)
{
    const std::vector<char32_t>& characters = charactersFoldingToAscii();
    EXPECT_TRUE(std::is_sorted(characters.begin(), characters.end()));
    for (const char32_t c : {0xDFu, 0x130u, 0x17Fu, 0x212Au, 0x1E9Eu, 0xFB00u, 0xFB06u})
        EXPECT_TRUE(std::binary_search(characters.begin(), characters.end(), c)) << std::hex << unsigned(c);
    for (const char32_t c : {0x41u, 0xC0u, 0x3A3u, 0x212Bu})
        EXPECT_FALSE(std::binary_search(characters.begin(), characters.end(), c)) << std::hex << unsigned(c);
}

// The fold table fills an entry the first time a unit is folded: a unit
// folds the same read back from the table as when computed, in one and two
// and more units (ß => "ss", ŉ => "ʼn", ΐ => three units).
TEST(FoldedCase, TableEntriesReadBackAsIcuFoldsThem)
{
    for (char32_t c = 0x80; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const UChar source = static_cast<UChar>(c);
        UChar folded[32];
        UErrorCode status = U_ZERO_ERROR;
        const int32_t length = u_strFoldCase(folded, 32, &source, 1, U_FOLD_CASE_DEFAULT, &status);
        ASSERT_TRUE(U_SUCCESS(status));
        const QString expected(reinterpret_cast<const QChar*>(folded), length);
        const QString unit(QChar(static_cast<char16_t>(c)));
        ASSERT_EQ(foldedCase(unit), expected) << std::hex << unsigned(c) << " folded first";
        ASSERT_EQ(foldedCase(unit), expected) << std::hex << unsigned(c) << " read back";
    }
}

// A needle's folding holds a character only where the text holds one of
// its case variants: every find of such a needle covers one.
TEST(CaseVariants, EveryMatchCoversOne)
{
    const QStringList texts = {u"STRASSE stra\u00DFe \u017Fun \uFB06op"_qs, u"\u212Aelvin \u0130z"_qs,
                               u"\u03A3\u03C3\u03C2 \u1F88"_qs};
    const QStringList needles = {u"s"_qs, u"st"_qs, u"k"_qs, u"i"_qs, u"\u03C3"_qs, u"\u03B9"_qs};
    for (const QString& needle : needles) {
        const QString folded = foldedCase(needle);
        const std::vector<char32_t> variants = caseVariants(folded.at(0).unicode());
        for (const QString& text : texts) {
            SCOPED_TRACE((needle + u" in "_qs + text).toStdString());
            qsizetype from = 0;
            for (;;) {
                const Range found = findString(text, needle, Range{from, text.size() - from}, kCase | kCompareLiteral);
                if (found.isMissing())
                    break;
                const QStringView match = QStringView(text).mid(found.location, found.length);
                const auto points = match.toUcs4();
                EXPECT_TRUE(std::any_of(points.begin(), points.end(), [&](uint c) {
                    return std::binary_search(variants.begin(), variants.end(), char32_t(c));
                }));
                from = found.location + 1;
            }
        }
    }
    EXPECT_EQ(caseVariants(U'\u03C3'), (std::vector<char32_t>{0x3A3, 0x3C2, 0x3C3}));
}

// Every code point whose full folding differs from it is a case variant of
// each code point of its folding, and folds to ASCII where one of those is
// ASCII; also those folding to their own decomposition (ΐ, ǰ, ι), which
// Changes_When_Casefolded leaves out.
TEST(CaseVariants, CharactersFoldingToTheirDecompositionAreVariants)
{
    std::vector<char32_t> foldingToAscii;
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        UChar source[2];
        int32_t length = 0;
        U16_APPEND_UNSAFE(source, length, UChar32(c));
        UChar folded[32];
        UErrorCode status = U_ZERO_ERROR;
        const int32_t produced = u_strFoldCase(folded, 32, source, length, U_FOLD_CASE_DEFAULT, &status);
        ASSERT_TRUE(U_SUCCESS(status));
        if (produced == length && std::equal(folded, folded + produced, source))
            continue;
        bool ascii = false;
        for (const uint point : QStringView(folded, produced).toUcs4()) {
            ascii = ascii || point < 0x80;
            const std::vector<char32_t> variants = caseVariants(char32_t(point));
            ASSERT_TRUE(std::binary_search(variants.begin(), variants.end(), c)) << std::hex << unsigned(c);
        }
        if (ascii)
            foldingToAscii.push_back(c);
    }
    EXPECT_EQ(charactersFoldingToAscii(), foldingToAscii);
}

TEST(CompareStrings, NumericRunsCompareByValue)
{
    EXPECT_EQ(compareStrings(u"file9", u"file10", kCompareNumerically), -1);
    EXPECT_EQ(compareStrings(u"file9", u"file10", 0), 1);
    EXPECT_EQ(compareStrings(u"file007", u"file7", kCompareNumerically), 0);
    EXPECT_EQ(compareStrings(u"a2b10", u"a2b9", kCompareNumerically), 1);
    EXPECT_EQ(compareStrings(u"x100", u"x99y", kCompareNumerically), 1);
}

TEST(CompareStrings, ForcedOrderingNeverAnswersEqualForDifferentStrings)
{
    EXPECT_NE(compareStrings(u"ABC", u"abc", kCase | kCompareForcedOrdering), 0);
    EXPECT_EQ(compareStrings(u"abc", u"abc", kCase | kCompareForcedOrdering), 0);
}

// A forward find keeps the folded text only around where it looks, not the
// whole text folded with a position per unit: the peak memory grows no
// more with a text of 4 M units than with one of 256 K.
TEST(StringSetFinder, HoldsMemoryThatDoesNotGrowWithTheText)
{
    if (!test::resetPeakResident())
        GTEST_SKIP() << "no peak resident memory to read here";
    const qsizetype small = qsizetype(1) << 18;
    const qsizetype large = qsizetype(4) << 20;
    QString text;
    text.reserve(large);
    while (text.size() < large)
        text += u"lorem ipsum dolor sit \u00e9t\u00e9 amet "_qs;
    const StringSetFinder finder({u"absent"_qs, u"missing"_qs}, kCompareLiteral | kCompareCaseInsensitive);
    for (const unsigned options : {kCompareLiteral | kCompareCaseInsensitive, 0u}) {
        SCOPED_TRACE(options);
        const auto growth = [&](qsizetype size) {
            return test::peakGrowthOf([&] {
                const QStringView view = QStringView(text).left(size);
                if (options == 0) {
                    EXPECT_TRUE(findString(view, u"absent"_qs, options).isMissing());
                } else {
                    std::vector<char> found(2, 0);
                    EXPECT_EQ(finder.findIn(view, found, 1, false, {}), 0);
                }
            });
        };
        const qint64 smallGrowth = growth(small);
        const qint64 largeGrowth = growth(large);
        EXPECT_LT(largeGrowth, smallGrowth + large) << "small " << smallGrowth << ", large " << largeGrowth;
    }
}

} // namespace
} // namespace sorvant
