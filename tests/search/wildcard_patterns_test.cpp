#include "search/wildcard_patterns.h"

#include "foundation/separators.h"
#include "platform/string_encoding.h"
#include "search/stop_check.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace sorvant {
namespace {

// --- classification --------------------------------------------------------

struct ClassifyCase
{
    const char* name;
    const char* pattern;
    qsizetype minCharacters;
    WildcardPatternType type;
    const char* compacted; // checked for valid patterns
    qsizetype literalStart;
    qsizetype literalLength;
};
void PrintTo(const ClassifyCase& row, std::ostream* out) { test::printRowName(row, out); }

class ClassifyWildcardPattern : public testing::TestWithParam<ClassifyCase> {};

TEST_P(ClassifyWildcardPattern, CompactsAndClassifies)
{
    const ClassifyCase& row = GetParam();
    QString units = QString::fromUtf8(row.pattern);
    auto* begin = reinterpret_cast<unichar*>(units.data());
    const WildcardClassification kind =
        classifyWildcardPattern(begin, begin + units.size(), row.minCharacters);
    EXPECT_EQ(kind.type, row.type);
    if (row.type == kWildcardInvalid)
        return;
    EXPECT_EQ(units.left(kind.length), QString::fromUtf8(row.compacted));
    EXPECT_EQ(kind.literalStart, row.literalStart);
    EXPECT_EQ(kind.literalLength, row.literalLength);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ClassifyWildcardPattern,
    testing::Values(
        ClassifyCase{"literal", "word", 1, kWildcardLiteral, "word", 0, 4},
        ClassifyCase{"question", "w?rd", 1, kWildcardSingleCharacters, "w?rd", 0, 4},
        ClassifyCase{"prefix", "wor*", 1, kWildcardPrefix, "wor*", 0, 3},
        ClassifyCase{"suffix", "*ord", 1, kWildcardSuffix, "*ord", 1, 3},
        ClassifyCase{"contains", "*or*", 1, kWildcardContains, "*or*", 1, 2},
        ClassifyCase{"starInside", "w*d", 1, kWildcardGeneral, "w*d", 0, 3},
        ClassifyCase{"starAndQuestion", "w?r*", 1, kWildcardGeneral, "w?r*", 0, 4},
        ClassifyCase{"threeStars", "*a*b*", 1, kWildcardGeneral, "*a*b*", 0, 5},
        ClassifyCase{"starRunsCollapse", "**or**", 1, kWildcardContains, "*or*", 1, 2},
        ClassifyCase{"setsWithoutStar", "[wx]ord", 1, kWildcardSetsWithoutStar, "[wx]ord", 0, 7},
        ClassifyCase{"prefixWithSets", "[wx]or*", 1, kWildcardPrefixWithSets, "[wx]or*", 0, 6},
        ClassifyCase{"suffixWithSets", "*[wx]ord", 1, kWildcardSuffixWithSets, "*[wx]ord", 1, 7},
        ClassifyCase{"generalWithSets", "*[wx]*d*", 1, kWildcardGeneralWithSets, "*[wx]*d*", 0, 8},
        ClassifyCase{"oneStarInsideWithSets", "[wx]*d", 1, kWildcardGeneralWithSets, "[wx]*d", 0, 6},
        ClassifyCase{"barDroppedInSet", "[a|b]x", 1, kWildcardSetsWithoutStar, "[ab]x", 0, 5},
        ClassifyCase{"starInSetIsNoStar", "[*]x", 1, kWildcardSetsWithoutStar, "[*]x", 0, 4},
        ClassifyCase{"memberlessSetDropped", "[^]word", 1, kWildcardLiteral, "word", 0, 4},
        ClassifyCase{"dashOnlySetDropped", "[-]x*", 1, kWildcardPrefix, "x*", 0, 1},
        ClassifyCase{"barOnlySetDropped", "*[|]x", 1, kWildcardSuffix, "*x", 1, 1},
        ClassifyCase{"loneStar", "*", 1, kWildcardInvalid, "", 0, 0},
        ClassifyCase{"noLiteral", "?*", 1, kWildcardInvalid, "", 0, 0},
        ClassifyCase{"empty", "", 1, kWildcardInvalid, "", 0, 0},
        ClassifyCase{"strayClose", "a]b", 1, kWildcardInvalid, "", 0, 0},
        ClassifyCase{"unclosedSet", "[ab", 1, kWildcardInvalid, "", 0, 0},
        ClassifyCase{"openAtEnd", "ab[", 1, kWildcardInvalid, "", 0, 0},
        ClassifyCase{"nestedSet", "[a[b]]", 1, kWildcardInvalid, "", 0, 0},
        ClassifyCase{"tooFewForStar", "ab*", 3, kWildcardInvalid, "", 0, 0},
        ClassifyCase{"enoughForStar", "abc*", 3, kWildcardPrefix, "abc*", 0, 3},
        ClassifyCase{"setCountsAsLiteral", "a[bc]*", 2, kWildcardPrefixWithSets, "a[bc]*", 0, 5},
        ClassifyCase{"minimumIgnoredWithoutStar", "ab?", 3, kWildcardSingleCharacters, "ab?", 0, 3}),
    [](const testing::TestParamInfo<ClassifyCase>& row) { return std::string(row.param.name); });

TEST(WildcardLength, CountsPositions)
{
    struct Row
    {
        const char* pattern;
        qsizetype minimal;
        qsizetype fixed;
    };
    for (const Row& row : {Row{"a[bc]*d", 3, NSNotFound}, Row{"a[bc]d", 3, 3}, Row{"a*", 1, NSNotFound},
                           Row{"[*]", 1, 1}, Row{"[ab", 1, 1}, Row{"?*?", 2, NSNotFound}, Row{"", 0, 0}}) {
        SCOPED_TRACE(row.pattern);
        const QString p = QString::fromUtf8(row.pattern);
        const auto* b = reinterpret_cast<const unichar*>(p.constData());
        EXPECT_EQ(wildcardMinimalLength(b, b + p.size()), row.minimal);
        EXPECT_EQ(wildcardFixedLength(b, b + p.size()), row.fixed);
        EXPECT_EQ(wildcardLength(p), row.minimal);
    }
    EXPECT_EQ(wildcardLength(QString()), 0);
}

TEST(WildcardType, ClassifiesStringWithMinimumOne)
{
    EXPECT_EQ(wildcardType(QStringLiteral("wor*")), kWildcardPrefix);
    EXPECT_EQ(wildcardType(QStringLiteral("a*")), kWildcardPrefix);
    EXPECT_EQ(wildcardType(QStringLiteral("*")), kWildcardInvalid);
    EXPECT_EQ(wildcardType(QString()), kWildcardLiteral);
    EXPECT_EQ(wildcardType(QStringLiteral("")), kWildcardLiteral);
}

// --- whole-string tests ----------------------------------------------------

struct WholeStringCase
{
    const char* name;
    const char* text;
    const char* pattern; // nullptr: a null pattern
    bool unix;
    bool unixNoCase;
    bool simple;
    bool simpleNoCase;
};
void PrintTo(const WholeStringCase& row, std::ostream* out) { test::printRowName(row, out); }

class WholeString : public testing::TestWithParam<WholeStringCase> {};

TEST_P(WholeString, MatchesWholeText)
{
    const WholeStringCase& row = GetParam();
    const QString text = QString::fromUtf8(row.text);
    const QString pattern = row.pattern != nullptr ? QString::fromUtf8(row.pattern) : QString();
    EXPECT_EQ(isLikeUnixWildcard(text, pattern), row.unix);
    EXPECT_EQ(isCaseInsensitiveLikeUnixWildcard(text, pattern), row.unixNoCase);
    EXPECT_EQ(isLikeWildcard(text, pattern), row.simple);
    EXPECT_EQ(isCaseInsensitiveLikeWildcard(text, pattern), row.simpleNoCase);
}

INSTANTIATE_TEST_SUITE_P(
    Tests, WholeString,
    testing::Values(WholeStringCase{"suffix", "report.txt", "*.txt", true, true, true, true},
                    WholeStringCase{"setForCase", "report.txt", "*.[tT]xt", true, true, false, false},
                    WholeStringCase{"otherSuffix", "report.txt", "*.doc", false, false, false, false},
                    WholeStringCase{"caseDiffers", "Report.TXT", "*.txt", false, true, false, true},
                    WholeStringCase{"rangeFoldedWithText", "REPORT.TXT", "*.t[w-z]t", false, true, false,
                                    false},
                    WholeStringCase{"diacriticCaseFolds", "ÉCOLE", "école", false, true, false, true},
                    WholeStringCase{"bracketLiteralInSimple", "[a]", "[a]", false, false, true, true},
                    WholeStringCase{"escapedStar", "2*3", "?[*]?", true, true, false, false},
                    WholeStringCase{"questionCountsUnits", "abc", "a?", false, false, false, false},
                    WholeStringCase{"loneStar", "x", "*", true, true, true, true},
                    WholeStringCase{"emptyTextWithStar", "", "*", false, false, false, false},
                    WholeStringCase{"emptyPattern", "abc", "", false, false, false, false},
                    WholeStringCase{"nullPattern", "abc", nullptr, false, false, false, false}),
    [](const testing::TestParamInfo<WholeStringCase>& row) { return std::string(row.param.name); });

TEST(WholeString, LongNamesWithManyStarsAnswer)
{
    const QString name = QString(8192, QChar(u'a')) + QStringLiteral(".txt");
    EXPECT_FALSE(isLikeUnixWildcard(name, QStringLiteral("*a*a*a*a*a*a*b")));
    EXPECT_TRUE(isCaseInsensitiveLikeUnixWildcard(name, QStringLiteral("*A*A*A*.T[W-Z]T")));
}

// A text of one or two bytes a character matches as its decoded string
// does, with and without case, whatever mix of one- and two-byte
// characters each pattern element meets.
TEST(WholeString, DoubleByteTextMatchesAsItsString)
{
    const QByteArray converter = converterForCharset("Shift_JIS");
    const std::optional<DoubleByteUnits> units = doubleByteUnits(converter);
    ASSERT_TRUE(units);
    // "Aあ" "ｶ" (one byte) "b" "日本" "z", and a trail byte that is "{"
    // (the second of 本) the pattern must not take alone.
    const QByteArray texts[] = {"A\x82\xa0\xb6" "b\x93\xfa\x96\x7b" "z", "\x82\xa0", "a", "\x96\x7b\x7b",
                                "AA\x82\xa0\x82\xa0\xb6\xb6" "bb"};
    const QString patterns[] = {u"*"_qs, u"?"_qs, u"??"_qs, u"a*z"_qs, u"*\u672c?"_qs, u"*{*"_qs, u"*{"_qs,
                                u"a\u3042?b??z"_qs, u"*[\u3040-\u309f]*"_qs, u"[^a]*"_qs, u"*\uff76B*"_qs,
                                u"*\u3042\u3042*"_qs, u"\u672c{"_qs, u"*?{"_qs};
    for (const QByteArray& bytes : texts) {
        const QString text = decodeInCharset(bytes, converter);
        ASSERT_FALSE(text.isNull()) << bytes.toHex(' ').constData();
        for (const QString& pattern : patterns) {
            SCOPED_TRACE(bytes.toHex(' ').toStdString() + " ~ " + pattern.toStdString());
            EXPECT_EQ(isLikeUnixWildcardInDoubleBytes(bytes, *units, pattern, false),
                      isLikeUnixWildcard(text, pattern));
            EXPECT_EQ(isLikeUnixWildcardInDoubleBytes(bytes, *units, pattern, true),
                      isCaseInsensitiveLikeUnixWildcard(text, pattern));
        }
    }
    EXPECT_FALSE(isLikeUnixWildcardInDoubleBytes(QByteArrayView(), *units, u"*"_qs, false));
    EXPECT_FALSE(isLikeUnixWildcardInDoubleBytes("a", *units, QString(), false));
}

// The text of `bytes` in `converter`, what the set leaves out read as
// U+FFFD.
QString replacedText(const QByteArray& bytes, const QByteArray& converter)
{
    PieceDecoder decoder(converter.constData(), LeftOutBytes::Replace);
    QString text(1, Qt::Uninitialized);
    qsizetype used = 0;
    if (!decoder.decodeInto(bytes.constData(), bytes.size(), true, text, used))
        return {};
    PieceDecoder::finishText(text, used);
    return text;
}

// Over long texts a glob passes over the units that cannot begin the
// literal after a star in runs of up to kInterval units, a lookup each, or
// (a text of 64 KiB and more, no pair standing for the literal) finds the
// literal's bytes and takes those that begin a character; its answers stay
// the string's with the literal just before, at and after the end of a
// run, and a trail byte that looks like the literal is not taken for it
// (the second byte of \u672c is "{"), after an odd or even run of lead
// bytes, nor one inside a pair the set leaves out (\x85\x7b); a lead
// alone before a byte it cannot take (a space, "9") is U+FFFD, and that
// byte begins a character.
TEST(WholeString, LongTextsMatchAsTheirStringsAcrossScanRuns)
{
    const QByteArray converter = converterForCharset("Shift_JIS");
    const std::optional<DoubleByteUnits> units = doubleByteUnits(converter);
    ASSERT_TRUE(units);
    std::array<char16_t, 256> latin1{};
    for (std::size_t b = 0; b < latin1.size(); ++b)
        latin1[b] = char16_t(b);
    const QByteArray fills[] = {"a",          "\xb6",     "\x82\xa0", "\x96\x7b",   "\x96\x96\x7b",
                                "\x96\x96\x96\x7b", "\x85\x7b", "\x81 ",    "a\x96\x7b", "\x81" "9"};
    const QByteArray tails[] = {"z", "{z", "Zq", "\x82\xa0z"};
    const QString patterns[] = {u"*z"_qs, u"*z*"_qs, u"*{z"_qs, u"*Z?"_qs, u"*[z]*"_qs, u"a*z"_qs, u"*\u3042z"_qs,
                                u"*\u672c{*"_qs, u"*\ufffd{z"_qs, u"*9z"_qs};
    constexpr auto kRun = qsizetype(StopCheck::kInterval);
    for (const QByteArray& fill : fills) {
        for (const qsizetype count : {kRun - 1, kRun, kRun + 1, 3 * kRun + 17, qsizetype(70001)}) {
            for (const QByteArray& tail : tails) {
                const QByteArray bytes = fill.repeated(count) + tail;
                const QString text = replacedText(bytes, converter);
                ASSERT_FALSE(text.isNull());
                const QString latinText = QString::fromLatin1(bytes);
                for (const QString& pattern : patterns) {
                    SCOPED_TRACE(fill.toHex().toStdString() + " x " + std::to_string(count) + " + "
                                 + tail.toHex().toStdString() + " ~ " + pattern.toStdString());
                    EXPECT_EQ(isLikeUnixWildcardInDoubleBytes(bytes, *units, pattern, false),
                              isLikeUnixWildcard(text, pattern));
                    EXPECT_EQ(isLikeUnixWildcardInDoubleBytes(bytes, *units, pattern, true),
                              isCaseInsensitiveLikeUnixWildcard(text, pattern));
                    EXPECT_EQ(isLikeUnixWildcardInBytes(bytes, latin1.data(), pattern, false),
                              isLikeUnixWildcard(latinText, pattern));
                    EXPECT_EQ(isLikeUnixWildcardInBytes(bytes, latin1.data(), pattern, true),
                              isCaseInsensitiveLikeUnixWildcard(latinText, pattern));
                }
            }
        }
    }
    EXPECT_TRUE(isLikeUnixWildcard(QString(3 * kRun + 17, u'a') + u"z"_qs, u"*z"_qs));
    EXPECT_FALSE(isLikeUnixWildcardInDoubleBytes(QByteArray("\x96\x7b").repeated(kRun) + "z", *units,
                                                 u"*{z"_qs, false));
}

// A glob passing over a long text for the literal after a star looks at
// the stop after each run of kInterval units, not once the text is passed.
TEST(WholeString, StopIsSeenWhilePassingOverALongText)
{
    const std::optional<DoubleByteUnits> units = doubleByteUnits(converterForCharset("Shift_JIS"));
    ASSERT_TRUE(units);
    std::array<char16_t, 256> latin1{};
    for (std::size_t b = 0; b < latin1.size(); ++b)
        latin1[b] = char16_t(b);
    const QByteArray bytes = QByteArray(1 << 20, 'a') + "z";
    const QString text = QString::fromLatin1(bytes);
    const QString pattern = u"*z"_qs;
    for (const bool stopped : {false, true}) {
        std::atomic<bool> flag{stopped};
        std::atomic<std::uint64_t> work{0};
        const StopCheck stop{&flag, &work};
        const auto answers = [&] {
            return std::vector<bool>{isLikeUnixWildcard(text, pattern, &stop),
                                     isLikeUnixWildcardInBytes(bytes, latin1.data(), pattern, false, &stop),
                                     isLikeUnixWildcardInDoubleBytes(bytes, *units, pattern, false, &stop)};
        };
        if (!stopped) {
            EXPECT_EQ(answers(), std::vector<bool>(3, true));
            continue;
        }
        work = 0;
        EXPECT_FALSE(isLikeUnixWildcardInDoubleBytes(bytes, *units, pattern, false, &stop));
        EXPECT_LE(work.load(), 2 * StopCheck::kInterval);
        work = 0;
        EXPECT_FALSE(isLikeUnixWildcardInBytes(bytes, latin1.data(), pattern, false, &stop));
        EXPECT_LE(work.load(), 2 * StopCheck::kInterval);
        work = 0;
        EXPECT_FALSE(isLikeUnixWildcard(text, pattern, &stop));
        EXPECT_LE(work.load(), 2 * StopCheck::kInterval);
    }
}

// --- tables ----------------------------------------------------------------

struct ComparisonCase
{
    const char* name;
    unsigned comparison;
    unichar a;
    unichar b;
    bool equal;
};
void PrintTo(const ComparisonCase& row, std::ostream* out) { test::printRowName(row, out); }

class ComparisonTable : public testing::TestWithParam<ComparisonCase> {};

TEST_P(ComparisonTable, FoldsByLowBits)
{
    const ComparisonCase& row = GetParam();
    const CharsTable* table = charsTableForComparison(row.comparison);
    const unichar a = table != nullptr ? table[row.a] : row.a;
    const unichar b = table != nullptr ? table[row.b] : row.b;
    EXPECT_EQ(a == b, row.equal);
}

INSTANTIATE_TEST_SUITE_P(Bits, ComparisonTable,
                         testing::Values(ComparisonCase{"noneKeepsCase", 0, u'u', u'U', false},
                                         ComparisonCase{"caseFoldsCase", 1, u'u', u'U', true},
                                         ComparisonCase{"caseKeepsDiacritic", 1, 0x00DC, u'U', false},
                                         ComparisonCase{"diacriticsFoldCapital", 2, 0x00DC, u'U', true},
                                         ComparisonCase{"diacriticsKeepCase", 2, 0x00FC, u'U', false},
                                         ComparisonCase{"bothFoldSmall", 3, 0x00FC, u'U', true},
                                         ComparisonCase{"bothFoldCapital", 3, 0x00DC, u'u', true},
                                         ComparisonCase{"fuzzyAloneFoldsNothing", 4, u'u', u'U', false},
                                         ComparisonCase{"fuzzyWithCase", 5, u'u', u'U', true}),
                         [](const testing::TestParamInfo<ComparisonCase>& row) {
                             return std::string(row.param.name);
                         });

TEST(IsEquivalentCharsTable, BFoldsAtLeastWhatAFolds)
{
    const CharsTable* lower = getLowerCharsTable();
    const CharsTable* upper = getUpperCharsTable();
    const CharsTable* umlauts = getUmlautsCharsTable();
    const CharsTable* upperUmlauts = getUpperUmlautsCharsTable();
    const CharsTable* lowerUmlauts = getLowerUmlautsCharsTable();
    struct Row
    {
        const CharsTable* a;
        const CharsTable* b;
        bool expected;
    };
    const Row rows[] = {
        {upper, upper, true},          {upper, upperUmlauts, true},  {upperUmlauts, upper, false},
        {lower, lowerUmlauts, true},   {lower, upperUmlauts, false}, {umlauts, upperUmlauts, true},
        {umlauts, lowerUmlauts, true}, {upper, lower, false},        {umlauts, upper, false},
        {nullptr, upper, false},       {upper, nullptr, false},      {nullptr, nullptr, false}};
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(isEquivalentCharsTable(rows[i].a, rows[i].b), rows[i].expected);
    }
}

TEST(TranslateUnichars, MapsInPlace)
{
    QString s = QStringLiteral("école*");
    auto* b = reinterpret_cast<unichar*>(s.data());
    translateUnichars(b, b + s.size(), nullptr);
    EXPECT_EQ(s, QStringLiteral("école*"));
    translateUnichars(b, b + s.size(), getUpperUmlautsCharsTable());
    EXPECT_EQ(s, QStringLiteral("ECOLE*"));
}

// --- separators and settings -----------------------------------------------

TEST(WildcardSeparators, AreWordSeparatorsWithoutWildcardUnits)
{
    const CharacterSetBitmap* words = defaultWordSeparators();
    const CharacterSetBitmap* wildcards = defaultWildcardSeparators();
    for (unichar c : {u'*', u'?', u'[', u']'}) {
        EXPECT_TRUE(bitmapContains(words, c)) << char(c);
        EXPECT_FALSE(bitmapContains(wildcards, c)) << char(c);
    }
    for (int c = 0; c < kCharsTableSize; ++c) {
        const auto unit = static_cast<unichar>(c);
        if (unit == u'*' || unit == u'?' || unit == u'[' || unit == u']')
            continue;
        ASSERT_EQ(bitmapContains(words, unit), bitmapContains(wildcards, unit)) << c;
    }
}

TEST(WildcardSeparators, RemovedSymbolsBecomeWordCharactersInBothSets)
{
    CharacterSetBitmap* words = defaultWordSeparators();
    CharacterSetBitmap* wildcards = defaultWildcardSeparators();
    removeSymbolsFromWordSeparators(QStringLiteral("§©"));
    removeSymbolsFromWordSeparators(QString());
    const bool removed = !bitmapContains(words, 0x00A7) && !bitmapContains(wildcards, 0x00A7) &&
                         !bitmapContains(words, 0x00A9) && !bitmapContains(wildcards, 0x00A9);
    const bool othersKept = bitmapContains(words, u'@') && bitmapContains(wildcards, u'@');
    // Put the process-wide sets back for the other tests.
    for (unichar c : {unichar(0x00A7), unichar(0x00A9)}) {
        bitmapAdd(words, c);
        bitmapAdd(wildcards, c);
    }
    EXPECT_TRUE(removed);
    EXPECT_TRUE(othersKept);
}

TEST(WildcardSeparators, SetUpFromManyThreadsBuildsOnce)
{
    std::vector<const CharacterSetBitmap*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i] {
            initSeparatorsAndTables();
            seen[i] = defaultWildcardSeparators();
        });
    }
    for (std::thread& t : threads)
        t.join();
    for (const CharacterSetBitmap* bits : seen)
        EXPECT_EQ(bits, defaultWildcardSeparators());
    EXPECT_EQ(getUpperUmlautsCharsTable()[0x00E9], u'E');
}

TEST(MinWildcardFuzzyAnalogy, StartsAtThreeQuartersAndCanBeSet)
{
    EXPECT_DOUBLE_EQ(minWildcardFuzzyAnalogy(), 0.75);
    setMinWildcardFuzzyAnalogy(0.5);
    const double changed = minWildcardFuzzyAnalogy();
    setMinWildcardFuzzyAnalogy(0.75);
    EXPECT_DOUBLE_EQ(changed, 0.5);
}

// --- splitting into words --------------------------------------------------

struct SplitCase
{
    const char* name;
    const char* text;  // nullptr: a null string
    const char* words; // joined by "|"
    bool hyphenated;
};
void PrintTo(const SplitCase& row, std::ostream* out) { test::printRowName(row, out); }

class WordsUsingWildcardSeparation : public testing::TestWithParam<SplitCase> {};

TEST_P(WordsUsingWildcardSeparation, SplitsAndReportsHyphenation)
{
    const SplitCase& row = GetParam();
    const QString text = row.text != nullptr ? QString::fromUtf8(row.text) : QString();
    bool hyphenated = !row.hyphenated;
    const QStringList words = wordsUsingWildcardSeparation(text, &hyphenated);
    EXPECT_EQ(words.join(u'|'), QString::fromUtf8(row.words));
    EXPECT_EQ(hyphenated, row.hyphenated);
    EXPECT_EQ(numberOfWordsUsingWildcardSeparation(text), words.size());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WordsUsingWildcardSeparation,
    testing::Values(SplitCase{"separatorsBetween", "dolor, sit", "dolor|sit", false},
                    SplitCase{"hyphen", "e-mail", "e|mail", true},
                    SplitCase{"hyphens", "e-mail-ready", "e|mail|ready", true},
                    SplitCase{"doubleHyphen", "e--mail", "e|mail", false},
                    SplitCase{"dottedLetters", "U.S.A", "U|S|A", true},
                    SplitCase{"dottedLongerWord", "U.SA", "U|SA", false},
                    SplitCase{"mixedGaps", "a-b.c", "a|b|c", false},
                    SplitCase{"leadingHyphenKeepsMark", "-a-b", "a|b", true},
                    SplitCase{"leadingSpaceClearsMarks", " a-b", "a|b", false},
                    SplitCase{"oneWord", "word", "word", false},
                    SplitCase{"wildcardUnitsStayInWords", "tempor * ut?", "tempor|*|ut?", false},
                    SplitCase{"bracketKeepsSeparators", "a[-,]b c", "a[-,]b|c", false},
                    SplitCase{"emptyBracketsAreOrdinary", "[]x y", "[]x|y", false},
                    SplitCase{"unclosedBracketTakesRest", "ab[cd ef", "ab[cd ef", false},
                    SplitCase{"separatorsOnly", " , ", "", false}, SplitCase{"empty", "", "", false},
                    SplitCase{"null", nullptr, "", false}),
    [](const testing::TestParamInfo<SplitCase>& row) { return std::string(row.param.name); });

} // namespace
} // namespace sorvant
