#include "search/wildcard_engine.h"

#include "search/fast_word_enumerator.h"
#include "search/wildcard_patterns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace sorvant {
namespace {

const unichar* u(const QString& s)
{
    return reinterpret_cast<const unichar*>(s.constData());
}

// The word index a search runs on (plain scan, case kept), with the text of
// a hit for readable expectations.
class TestWordIndex
{
public:
    explicit TestWordIndex(const QString& text, bool wildcard = false)
        : m_index(FastWordEnumerator::enumeratorWithString(text, false, wildcard))
    {}
    [[nodiscard]] const FastWordEnumerator& words() const { return *m_index; }
    [[nodiscard]] qsizetype length() const { return m_index->length(); }
    [[nodiscard]] QString at(const Range& r) const
    {
        return r.isMissing() ? QStringLiteral("<none>") : m_index->string().mid(r.location, r.length);
    }

private:
    std::unique_ptr<FastWordEnumerator> m_index;
};

// --- one pattern word ------------------------------------------------------

struct WordCase
{
    const char* name;
    const char* text;
    const char* pattern;
    unsigned comparison;
    bool forward;
    const char* expected; // the matched text, "<none>" when missing
};
void PrintTo(const WordCase& row, std::ostream* out) { test::printRowName(row, out); }

class FindWildcardWord : public testing::TestWithParam<WordCase> {};

TEST_P(FindWildcardWord, FindsWholeWord)
{
    const WordCase& row = GetParam();
    const TestWordIndex index(QString::fromUtf8(row.text));
    WildcardFindOptions options;
    options.comparison = row.comparison;
    options.forward = row.forward;
    const Range hit =
        findWildcardInUnichars(index.words(), 0, index.length(), QString::fromUtf8(row.pattern), options);
    EXPECT_EQ(index.at(hit), QString::fromUtf8(row.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FindWildcardWord,
    testing::Values(WordCase{"literalWholeWordOnly", "temporal tempor", "tempor", 0, true, "tempor"},
                    WordCase{"literalNotInsideWord", "temporal", "tempor", 0, true, "<none>"},
                    WordCase{"prefix", "x temporal", "tempor*", 0, true, "temporal"},
                    WordCase{"suffix", "x tempor", "*mpor", 0, true, "tempor"},
                    WordCase{"contains", "x tempor", "*mpo*", 0, true, "tempor"},
                    WordCase{"containsNeedsLiteral", "x temper", "*mpo*", 0, true, "<none>"},
                    WordCase{"question", "tempus tempor", "t?mpor", 0, true, "tempor"},
                    WordCase{"questionKeepsLength", "tempora", "t?mpor", 0, true, "<none>"},
                    WordCase{"general", "tmp tempor", "t*p*r", 0, true, "tempor"},
                    WordCase{"generalShorterThanMinimum", "tr", "t*?*r", 0, true, "<none>"},
                    WordCase{"setWithoutStar", "sempor tempor", "[t]empor", 0, true, "tempor"},
                    WordCase{"setChoice", "tempor", "[st]empor", 0, true, "tempor"},
                    WordCase{"negatedSetPrefix", "semporal temporal", "[^s]empor*", 0, true, "temporal"},
                    WordCase{"suffixWithSets", "x tempor", "*[lmn]por", 0, true, "tempor"},
                    WordCase{"generalWithSets", "tempor", "t*[m]*r", 0, true, "tempor"},
                    WordCase{"rangeInSet", "a7 b8", "b[0-9]", 0, true, "b8"},
                    WordCase{"upperPatternNeedsCaseBit", "tempor", "TEMPOR", 0, true, "<none>"},
                    WordCase{"caseBit", "tempor", "TEMPOR", 1, true, "tempor"},
                    WordCase{"caseBitInSets", "Tempor", "[s-u]EMPOR", 1, true, "Tempor"},
                    WordCase{"diacriticBit", "café", "cafe", 2, true, "café"},
                    WordCase{"diacriticBitKeepsCase", "CAFÉ", "cafe", 2, true, "<none>"},
                    WordCase{"bothBits", "CAFÉ", "cafe*", 3, true, "CAFÉ"},
                    WordCase{"noBitKeepsDiacritics", "café", "cafe", 0, true, "<none>"},
                    WordCase{"backwardLastWord", "tempor x tempus", "temp*", 0, false, "tempus"},
                    WordCase{"forwardFirstWord", "tempor x tempus", "temp*", 0, true, "tempor"},
                    WordCase{"loneStarWithoutFlagIsInvalid", "abc", "*", 0, true, "<none>"},
                    WordCase{"unclosedSetIsInvalid", "abc", "[ab", 0, true, "<none>"},
                    // A set is the way to write a literal wildcard character.
                    WordCase{"escapedStarInSetIsLiteral", "a b", "[*]", 0, true, "<none>"}),
    [](const testing::TestParamInfo<WordCase>& row) { return std::string(row.param.name); });

TEST(FindWildcardWord, StarInsideSetMatchesLiteralStarInWildcardText)
{
    // In a text indexed in wildcard mode "*" is a word unit; "[*]b" finds it.
    const TestWordIndex index(QStringLiteral("ab *b"), true);
    EXPECT_EQ(findWildcardInUnichars(index.words(), 0, 5, QStringLiteral("[*]b"), {}), (Range{3, 2}));
    EXPECT_EQ(findWildcardInUnichars(index.words(), 0, 5, QStringLiteral("[?]b"), {}), kMissingRange);
}

TEST(FindWildcardWord, EmptyRangeNullAndEmptyPatternFindNothing)
{
    const TestWordIndex index(QStringLiteral("tempor"));
    EXPECT_EQ(findWildcardInUnichars(index.words(), 3, 3, QStringLiteral("tempor"), {}), kMissingRange);
    EXPECT_EQ(findWildcardInUnichars(index.words(), 4, 2, QStringLiteral("tempor"), {}), kMissingRange);
    EXPECT_EQ(findWildcardInUnichars(index.words(), 0, 6, QString(), {}), kMissingRange);
    EXPECT_EQ(findWildcardInUnichars(index.words(), 0, 6, QStringLiteral(""), {}), kMissingRange);
    EXPECT_EQ(findWildcardInUnichars(WordIndexView{}, 0, 6, QStringLiteral("tempor"), {}), kMissingRange);
    EXPECT_EQ(findWildcardPhrase(WordIndexView{}, 0, 6, QStringLiteral("tempor x"), {}), kMissingRange);
}

TEST(FindWildcardWord, RangeLimitsWhichWordsAreVisited)
{
    const TestWordIndex index(QStringLiteral("ab ab ab"));
    WildcardFindOptions forward;
    // Forward: a word must begin inside the range but may run past its end.
    EXPECT_EQ(findWildcardInUnichars(index.words(), 1, 4, QStringLiteral("ab"), forward), (Range{3, 2}));
    EXPECT_EQ(findWildcardInUnichars(index.words(), 4, 6, QStringLiteral("ab"), forward), kMissingRange);
    // Backward: a word must end inside the range but may begin before it.
    WildcardFindOptions backward;
    backward.forward = false;
    EXPECT_EQ(findWildcardInUnichars(index.words(), 4, 8, QStringLiteral("ab"), backward), (Range{6, 2}));
    EXPECT_EQ(findWildcardInUnichars(index.words(), 4, 5, QStringLiteral("ab"), backward), (Range{3, 2}));
    // Anchored tests only the first word visited.
    WildcardFindOptions anchored;
    anchored.anchored = true;
    EXPECT_EQ(findWildcardInUnichars(index.words(), 2, 8, QStringLiteral("a*"), anchored), (Range{3, 2}));
    EXPECT_EQ(findWildcardInUnichars(index.words(), 0, 8, QStringLiteral("x*"), anchored), kMissingRange);
}

TEST(FindWildcardWord, AdjacentWordsAreVisitedBothWays)
{
    // Words with no separator between them, as Asian splitting leaves them.
    const QString text = QStringLiteral("abcdef");
    const std::uint8_t flags[] = {2, 4, 2, 4, 2, 4};
    const WordIndexView view{u(text), flags, text.size()};
    WildcardFindOptions options;
    EXPECT_EQ(findWildcardInUnichars(view, 0, 6, QStringLiteral("cd"), options), (Range{2, 2}));
    EXPECT_EQ(findWildcardPhrase(view, 0, 6, QStringLiteral("ab cd"), options), (Range{0, 4}));
    options.forward = false;
    EXPECT_EQ(findWildcardInUnichars(view, 0, 6, QStringLiteral("ab"), options), (Range{0, 2}));
    EXPECT_EQ(findWildcardInUnichars(view, 0, 6, QStringLiteral("c?"), options), (Range{2, 2}));
    options.anchored = true;
    EXPECT_EQ(findWildcardInUnichars(view, 0, 6, QStringLiteral("cd"), options), kMissingRange);
}

TEST(FindWildcardWord, LoneStarAnswersRangeOrOneWord)
{
    const TestWordIndex index(QStringLiteral(" ab cd "));
    WildcardFindOptions options;
    options.loneStar = true;
    EXPECT_EQ(findWildcardInUnichars(index.words(), 1, 6, QStringLiteral("**"), options), (Range{1, 5}));
    options.oneWord = true;
    EXPECT_EQ(findWildcardInUnichars(index.words(), 2, 7, QStringLiteral("*"), options), (Range{4, 2}));
    options.forward = false;
    EXPECT_EQ(findWildcardInUnichars(index.words(), 0, 4, QStringLiteral("*"), options), (Range{1, 2}));
    EXPECT_EQ(findWildcardInUnichars(index.words(), 0, 1, QStringLiteral("*"), options), kMissingRange);
}

TEST(FindWildcardWord, MinimumCharactersAppliesToStarredPatterns)
{
    const TestWordIndex index(QStringLiteral("abcdef"));
    WildcardFindOptions options;
    options.minCharacters = 3;
    EXPECT_EQ(findWildcardInUnichars(index.words(), 0, 6, QStringLiteral("ab*"), options), kMissingRange);
    EXPECT_EQ(findWildcardInUnichars(index.words(), 0, 6, QStringLiteral("abc*"), options), (Range{0, 6}));
}

// --- fuzzy matching --------------------------------------------------------

struct FuzzyCase
{
    const char* name;
    const char* text;
    const char* pattern;
    bool found;
};
void PrintTo(const FuzzyCase& row, std::ostream* out) { test::printRowName(row, out); }

class FuzzyWord : public testing::TestWithParam<FuzzyCase> {};

TEST_P(FuzzyWord, MatchesAtThreshold)
{
    const FuzzyCase& row = GetParam();
    ASSERT_DOUBLE_EQ(minWildcardFuzzyAnalogy(), 0.75);
    const TestWordIndex index(QString::fromUtf8(row.text));
    WildcardFindOptions options;
    options.comparison = kComparisonIgnoreCase | kComparisonFuzzy;
    const Range hit =
        findWildcardInUnichars(index.words(), 0, index.length(), QString::fromUtf8(row.pattern), options);
    EXPECT_EQ(!hit.isMissing(), row.found) << index.at(hit).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Threshold, FuzzyWord,
                         testing::Values(FuzzyCase{"oneUnitDiffers", "tempor", "temper", true},
                                         FuzzyCase{"oneUnitLonger", "labore", "labor", true},
                                         FuzzyCase{"swappedUnitsScoreFourSixths", "tempor", "tempro", false},
                                         FuzzyCase{"lengthRatioBelowThreshold", "tempor", "temp", false},
                                         FuzzyCase{"lengthRatioExactlyAtThreshold", "abcd", "abc", true},
                                         FuzzyCase{"scoreExactlyAtThreshold", "abcd", "abcx", true},
                                         FuzzyCase{"scoreJustBelowThreshold", "abcd", "abxx", false},
                                         FuzzyCase{"caseBitFoldsFuzzyToo", "TEMPOR", "temper", true},
                                         FuzzyCase{"onlyPlainWordsAreFuzzy", "tempor", "temp?r*x", false}),
                         [](const testing::TestParamInfo<FuzzyCase>& row) {
                             return std::string(row.param.name);
                         });

TEST(FuzzyWord, ThresholdSettingIsHonoured)
{
    const TestWordIndex index(QStringLiteral("abcd"));
    WildcardFindOptions options;
    options.comparison = kComparisonFuzzy;
    setMinWildcardFuzzyAnalogy(0.8);
    const Range strict = findWildcardInUnichars(index.words(), 0, 4, QStringLiteral("abc"), options);
    setMinWildcardFuzzyAnalogy(0.75);
    const Range usual = findWildcardInUnichars(index.words(), 0, 4, QStringLiteral("abc"), options);
    EXPECT_EQ(strict, kMissingRange);
    EXPECT_EQ(usual, (Range{0, 4}));
}

struct SimilarityCase
{
    const char* name;
    const char* a;
    const char* b;
    double expected;
};
void PrintTo(const SimilarityCase& row, std::ostream* out) { test::printRowName(row, out); }

class Similarity : public testing::TestWithParam<SimilarityCase> {};

TEST_P(Similarity, Scores)
{
    const QString a = QString::fromUtf8(GetParam().a);
    const QString b = QString::fromUtf8(GetParam().b);
    EXPECT_NEAR(unicharsSimilarity(u(a), a.size(), u(b), b.size()), GetParam().expected, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Scores, Similarity,
                         testing::Values(SimilarityCase{"equal", "abc", "abc", 1.0},
                                         SimilarityCase{"disjoint", "abc", "xyz", 0.0},
                                         SimilarityCase{"positional", "temper", "tempor", 5.0 / 6.0},
                                         SimilarityCase{"swapped", "tempro", "tempor", 4.0 / 6.0},
                                         SimilarityCase{"shorterFirst", "labor", "labore", 5.0 / 6.0},
                                         // Shifted by one: positions all differ, alignment forgives.
                                         SimilarityCase{"shifted", "xabcd", "abcd", 4.0 / 5.0},
                                         SimilarityCase{"empty", "abc", "", 0.0}),
                         [](const testing::TestParamInfo<SimilarityCase>& row) {
                             return std::string(row.param.name);
                         });

TEST(Similarity, TableFoldsBothSides)
{
    const QString a = QStringLiteral("TEMPÓR");
    const QString b = QStringLiteral("tempor");
    EXPECT_LT(unicharsSimilarity(u(a), a.size(), u(b), b.size()), 0.5);
    EXPECT_DOUBLE_EQ(unicharsSimilarityWithTable(u(a), a.size(), u(b), b.size(), getUpperUmlautsCharsTable()),
                     1.0);
}

// --- phrases ---------------------------------------------------------------

struct PhraseCase
{
    const char* name;
    const char* text;
    const char* pattern;
    bool forward;
    const char* expected;
};
void PrintTo(const PhraseCase& row, std::ostream* out) { test::printRowName(row, out); }

class FindWildcardPhrase : public testing::TestWithParam<PhraseCase> {};

TEST_P(FindWildcardPhrase, FindsConsecutiveWords)
{
    const PhraseCase& row = GetParam();
    const TestWordIndex index(QString::fromUtf8(row.text));
    WildcardFindOptions options;
    options.forward = row.forward;
    const Range hit =
        findWildcardPhrase(index.words(), 0, index.length(), QString::fromUtf8(row.pattern), options);
    EXPECT_EQ(index.at(hit), QString::fromUtf8(row.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Phrases, FindWildcardPhrase,
    testing::Values(
        PhraseCase{"separatorsBetweenWordsAreFree", "x dolor, sit", "dolor sit", true, "dolor, sit"},
        PhraseCase{"wordBetweenBreaksPhrase", "dolor amet sit", "dolor sit", true, "<none>"},
        PhraseCase{"retriesAfterFailedAttempt", "dolor amet dolor sit", "dolor sit", true, "dolor sit"},
        PhraseCase{"starWordIsOneWord", "tempor invidunt ut", "tempor * ut", true, "tempor invidunt ut"},
        PhraseCase{"starWordNeedsAWord", "tempor ut", "tempor * ut", true, "<none>"},
        PhraseCase{"wildcardWords", "Lorem ipsum dolor", "ips* d?lor", true, "ipsum dolor"},
        PhraseCase{"backwardFindsLast", "ab cd x ab cd", "ab cd", false, "ab cd"},
        PhraseCase{"backwardRetriesEarlier", "ab cd x ab x", "ab cd", false, "ab cd"},
        PhraseCase{"hyphenatedFallsBackToJoined", "an email", "e-mail", true, "email"},
        PhraseCase{"hyphenatedPrefersWords", "e mail email", "e-mail", true, "e mail"},
        PhraseCase{"dottedFallsBackToJoined", "the USA", "U.S.A", true, "USA"},
        PhraseCase{"spacedWordsDoNotJoin", "an email", "e mail", true, "<none>"},
        PhraseCase{"shortPatternIsOneWord", "a b", "a*", true, "a"},
        PhraseCase{"separatorsOnlyFindNothing", "a, b", " , ", true, "<none>"}),
    [](const testing::TestParamInfo<PhraseCase>& row) { return std::string(row.param.name); });

TEST(FindWildcardPhrase, LoneStarAnswersWholeRange)
{
    const TestWordIndex index(QStringLiteral("ab cd"));
    WildcardFindOptions options;
    options.loneStar = true;
    EXPECT_EQ(findWildcardPhrase(index.words(), 1, 4, QStringLiteral("*"), options), (Range{1, 3}));
    options.loneStar = false;
    EXPECT_EQ(findWildcardPhrase(index.words(), 1, 4, QStringLiteral("*"), options), kMissingRange);
    EXPECT_EQ(findWildcardPhrase(index.words(), 0, 5, QString(), options), kMissingRange);
}

TEST(FindWildcardPhrase, LaterWordsMustBeginBeforeRangeEnd)
{
    const TestWordIndex index(QStringLiteral("ab cd ab cd"));
    EXPECT_EQ(findWildcardPhrase(index.words(), 0, 3, QStringLiteral("ab cd"), {}), kMissingRange);
    EXPECT_EQ(findWildcardPhrase(index.words(), 1, 11, QStringLiteral("ab cd"), {}), (Range{6, 5}));
}

// --- globs -----------------------------------------------------------------

struct GlobCase
{
    const char* name;
    const char* text;
    const char* pattern;
    bool simple; // matchSimpleWildcard
    bool sets;   // matchWildcardWithSets
};
void PrintTo(const GlobCase& row, std::ostream* out) { test::printRowName(row, out); }

class Glob : public testing::TestWithParam<GlobCase> {};

TEST_P(Glob, MatchesWholeText)
{
    const GlobCase& row = GetParam();
    const QString t = QString::fromUtf8(row.text);
    const QString p = QString::fromUtf8(row.pattern);
    EXPECT_EQ(matchSimpleWildcard(u(t), u(t) + t.size(), u(p), u(p) + p.size()), row.simple);
    EXPECT_EQ(matchWildcardWithSets(u(t), u(t) + t.size(), u(p), u(p) + p.size()), row.sets);
}

INSTANTIATE_TEST_SUITE_P(Globs, Glob,
                         testing::Values(GlobCase{"emptyBoth", "", "", true, true},
                                         GlobCase{"emptyPatternNonEmptyText", "a", "", false, false},
                                         GlobCase{"starMatchesEmpty", "", "**", true, true},
                                         GlobCase{"questionNeedsUnit", "", "?", false, false},
                                         GlobCase{"starsAndQuestion", "tempor", "t*p?r", true, true},
                                         GlobCase{"starBacktracks", "abcbd", "a*bd", true, true},
                                         GlobCase{"rangeInside", "bx", "[a-c]x", false, true},
                                         GlobCase{"rangeOutside", "dx", "[a-c]x", false, false},
                                         GlobCase{"negatedRange", "dx", "[^a-c]x", false, true},
                                         GlobCase{"negatedRangeExcludes", "bx", "[^a-c]x", false, false},
                                         GlobCase{"barSeparatesMembers", "bx", "[a|b]x", false, true},
                                         GlobCase{"barIsNoMember", "|x", "[a|b]x", false, false},
                                         GlobCase{"caretLaterIsMember", "^x", "[a^]x", false, true},
                                         GlobCase{"leadingDashIsMember", "-x", "[-a]x", false, true},
                                         GlobCase{"trailingDashIsMember", "-x", "[a-]x", false, true},
                                         GlobCase{"emptySetHoldsNothing", "ax", "[]x", false, false},
                                         GlobCase{"negatedEmptySetHoldsAny", "ax", "[^]x", false, true},
                                         GlobCase{"bracketLiteralInSimple", "[a]", "[a]", true, false},
                                         GlobCase{"escapedStar", "a*", "a[*]", false, true},
                                         GlobCase{"escapedStarIsNotWildcard", "ab", "a[*]", false, false},
                                         GlobCase{"escapedQuestion", "a?", "a[?]", false, true},
                                         GlobCase{"escapedBracket", "a[", "a[[]", false, true},
                                         GlobCase{"unclosedSetHolds", "ab", "a[^x", false, true},
                                         GlobCase{"unclosedSetFails", "ax", "a[^x", false, false},
                                         GlobCase{"unclosedSetNotNegated", "ab", "a[b", false, false},
                                         GlobCase{"setNeedsUnit", "a", "a[b]", false, false},
                                         GlobCase{"starThenSet", "report.txt", "*.[tT]xt", false, true}),
                         [](const testing::TestParamInfo<GlobCase>& row) {
                             return std::string(row.param.name);
                         });

TEST(Glob, TableMapsTextUnitsIncludingSetRanges)
{
    const QString t = QStringLiteral("Éx");
    const QString p = QStringLiteral("[D-F]X"); // the pattern is given mapped
    const unichar* pEnd = u(p) + p.size();
    EXPECT_FALSE(matchWildcardWithSetsWithTable(u(t), u(t) + 2, u(p), pEnd, getUpperCharsTable()));
    EXPECT_TRUE(matchWildcardWithSetsWithTable(u(t), u(t) + 2, u(p), pEnd, getUpperUmlautsCharsTable()));
    const QString q = QStringLiteral("?X");
    EXPECT_TRUE(matchSimpleWildcardWithTable(u(t), u(t) + 2, u(q), u(q) + 2, getUpperCharsTable()));
    EXPECT_FALSE(matchSimpleWildcard(u(t), u(t) + 2, u(q), u(q) + 2));
}

TEST(Glob, ManyStarsOverLongTextFinishQuickly)
{
    // Plain recursion takes exponential time here: every "*" tries every
    // split of a text that holds no "b".
    const QString text(4096, QChar(u'a'));
    for (const char* pattern : {"*a*a*b", "*a*a*a*a*a*a*b", "*?*?*?*?*[b]"}) {
        SCOPED_TRACE(pattern);
        const QString p = QString::fromUtf8(pattern);
        EXPECT_FALSE(matchWildcardWithSets(u(text), u(text) + text.size(), u(p), u(p) + p.size()));
    }
    const QString words = QString(4096, QChar(u'a')) + QStringLiteral("b");
    const QString p = QStringLiteral("*a*a*b");
    EXPECT_TRUE(matchSimpleWildcard(u(words), u(words) + words.size(), u(p), u(p) + p.size()));
}

TEST(Glob, ManyStarsOverLongWordFinishQuickly)
{
    const TestWordIndex index(QString(20000, QChar(u'a')));
    EXPECT_EQ(findWildcardInUnichars(index.words(), 0, index.length(), QStringLiteral("*a*a*a*b*"), {}),
              kMissingRange);
}

// --- property: the engine agrees with a plain recursive matcher -----------

// Set rules as documented: "^" right after "[" negates, "|" separates, "x-y"
// is a range unless y is "]" or "|", anything else up to "]" is a member.
bool referenceSet(const std::u16string& p, size_t& i, char16_t c)
{
    size_t k = i + 1;
    bool negated = false;
    if (k < p.size() && p[k] == u'^') {
        negated = true;
        ++k;
    }
    bool held = false;
    for (; k < p.size() && p[k] != u']'; ++k) {
        if (p[k] == u'|')
            continue;
        if (k + 2 < p.size() && p[k + 1] == u'-' && p[k + 2] != u']' && p[k + 2] != u'|') {
            held |= p[k] <= c && c <= p[k + 2];
            k += 2;
        } else {
            held |= p[k] == c;
        }
    }
    if (k == p.size()) {
        i = k;
        return negated && !held;
    }
    i = k + 1;
    return held != negated;
}

bool referenceGlob(const std::u16string& t, size_t ti, const std::u16string& p, size_t pi, bool sets,
                   const CharsTable* table)
{
    if (pi == p.size())
        return ti == t.size();
    if (p[pi] == u'*') {
        if (ti == t.size())
            return std::all_of(p.begin() + long(pi), p.end(), [](char16_t c) { return c == u'*'; });
        if (pi + 1 == p.size())
            return true;
        for (size_t k = ti; k < t.size(); ++k) {
            if (referenceGlob(t, k, p, pi + 1, sets, table))
                return true;
        }
        return false;
    }
    if (ti == t.size())
        return false;
    const char16_t c = table != nullptr ? table[t[ti]] : t[ti];
    if (p[pi] == u'?')
        return referenceGlob(t, ti + 1, p, pi + 1, sets, table);
    if (sets && p[pi] == u'[') {
        size_t next = pi;
        return referenceSet(p, next, c) && referenceGlob(t, ti + 1, p, next, sets, table);
    }
    return p[pi] == c && referenceGlob(t, ti + 1, p, pi + 1, sets, table);
}

const CharsTable* tableFor(unsigned comparison)
{
    return charsTableForComparison(comparison);
}

std::u16string randomString(std::mt19937& random, const std::u16string& alphabet, size_t maxLength)
{
    std::u16string s(std::uniform_int_distribution<size_t>(0, maxLength)(random), u' ');
    for (char16_t& c : s)
        c = alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(random)];
    return s;
}

std::u16string randomPattern(std::mt19937& random)
{
    static const std::u16string pieces[] = {
        u"a",     u"b",     u"A",   u"é",   u"É",    u"e", u"*", u"**", u"?", u"[ab]", u"[^a]",
        u"[a-c]", u"[A|é]", u"[*]", u"[?]", u"[-a]", u"[", u"]", u"|",  u"-", u"^",    u"[^É-e]"};
    std::u16string p;
    const int count = std::uniform_int_distribution<int>(0, 6)(random);
    for (int i = 0; i < count; ++i)
        p += pieces[std::uniform_int_distribution<size_t>(0, std::size(pieces) - 1)(random)];
    return p;
}

// A text shaped by the pattern, so that about half of the pairs match: a
// star becomes up to three units, every other element one unit.
std::u16string textLike(std::mt19937& random, const std::u16string& pattern, const std::u16string& alphabet)
{
    std::u16string text;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == u'*') {
            text += randomString(random, alphabet, 3);
        } else if (pattern[i] == u'?' || pattern[i] == u'[') {
            text += alphabet[random() % alphabet.size()];
            if (pattern[i] == u'[')
                i = std::min(pattern.find(u']', i), pattern.size());
        } else {
            text += pattern[i];
        }
    }
    return text;
}

TEST(GlobProperty, AgreesWithRecursiveReferenceOnRandomInput)
{
    std::mt19937 random(20240611);
    const std::u16string textAlphabet = u"abcAéÉeE*?[]|-^";
    int matches = 0;
    for (int round = 0; round < 40000; ++round) {
        std::u16string pattern = randomPattern(random);
        const std::u16string text = (round & 8) != 0 ? randomString(random, textAlphabet, 9)
                                                     : textLike(random, pattern, textAlphabet);
        const unsigned comparison = unsigned(round) & 3u;
        const CharsTable* table = tableFor(comparison);
        for (char16_t& c : pattern)
            c = table != nullptr ? table[c] : c;
        const bool sets = (round & 4) != 0;
        const bool expected = referenceGlob(text, 0, pattern, 0, sets, table);
        const unichar* t = text.data();
        const unichar* p = pattern.data();
        const bool actual =
            sets ? matchWildcardWithSetsWithTable(t, t + text.size(), p, p + pattern.size(), table)
                 : matchSimpleWildcardWithTable(t, t + text.size(), p, p + pattern.size(), table);
        matches += expected ? 1 : 0;
        ASSERT_EQ(actual, expected) << "round " << round << " text \""
                                    << QString::fromStdU16String(text).toStdString() << "\" pattern \""
                                    << QString::fromStdU16String(pattern).toStdString() << "\" comparison "
                                    << comparison << " sets " << sets;
    }
    // The generator must produce both outcomes in useful numbers.
    EXPECT_GT(matches, 8000);
    EXPECT_LT(matches, 32000);
}

// The similarity as described: the better of equal units at equal places
// and of units aligned with the fewest displacements, over the longer length.
double referenceSimilarity(const std::u16string& a, const std::u16string& b)
{
    const std::u16string& longer = a.size() > b.size() ? a : b;
    const std::u16string& shorter = a.size() > b.size() ? b : a;
    const double size = double(longer.size());
    int samePlace = 0;
    for (size_t i = 0; i < shorter.size(); ++i)
        samePlace += longer[i] == shorter[i] ? 1 : 0;
    std::vector<bool> taken(longer.size(), false);
    long offset = 0;
    int aligned = 0;
    int displaced = 0;
    for (size_t i = 0; i < shorter.size(); ++i) {
        const long want = long(i) - offset;
        long at = -1;
        if (want >= 0 && want < long(longer.size()) && !taken[size_t(want)] &&
            longer[size_t(want)] == shorter[i])
            at = want;
        for (size_t j = 0; at < 0 && j < longer.size(); ++j)
            at = !taken[j] && longer[j] == shorter[i] ? long(j) : -1;
        if (at < 0)
            continue;
        taken[size_t(at)] = true;
        ++aligned;
        displaced += i > 0 && at != want ? 1 : 0;
        offset = long(i) - at;
    }
    return std::max(samePlace / size, aligned * (1 - displaced / size) / size);
}

// A plain pattern word under the fuzzy bit: length ratio and similarity of
// the mapped units both reach the threshold.
bool referenceFuzzy(std::u16string word, const std::u16string& pattern, const CharsTable* table)
{
    for (char16_t& c : word)
        c = table != nullptr ? table[c] : c;
    const double ratio =
        double(std::min(word.size(), pattern.size())) / double(std::max(word.size(), pattern.size()));
    return ratio >= 0.75 && referenceSimilarity(pattern, word) >= 0.75;
}

// Every specialised word test (prefix, suffix, contains, position by
// position) must give what the general glob of the compacted pattern gives;
// under the fuzzy bit a plain word matches by similarity, any other pattern
// as without it.
TEST(WordProperty, SpecialisedWordTestsAgreeWithReferenceGlob)
{
    std::mt19937 random(77);
    const std::u16string wordAlphabet = u"abAéÉe";
    int found = 0;
    int fuzzyFound = 0;
    int tried = 0;
    for (int round = 0; round < 60000; ++round) {
        std::u16string text;
        const int wordCount = std::uniform_int_distribution<int>(1, 5)(random);
        for (int w = 0; w < wordCount; ++w) {
            std::u16string word = randomString(random, wordAlphabet, 5);
            text += (word.empty() ? u"a" : word) + (w % 2 ? u" " : u", ");
        }
        const QString pattern = QString::fromStdU16String(randomPattern(random));
        const unsigned comparison = unsigned(round) & 7u;
        const CharsTable* table = tableFor(comparison);
        QString compacted = pattern;
        auto* cu = reinterpret_cast<unichar*>(compacted.data());
        translateUnichars(cu, cu + compacted.size(), table);
        const WildcardClassification kind = classifyWildcardPattern(cu, cu + compacted.size(), 1);
        if (kind.type == kWildcardInvalid)
            continue;
        ++tried;
        const std::u16string p(cu, cu + kind.length);
        const bool lettersOnly =
            std::all_of(p.begin(), p.end(), [](char16_t c) { return bitmapContains(getLettersBitmap(), c); });
        if (kind.type == kWildcardLiteral && p.size() > 2 && lettersOnly) {
            // A near miss of a plain pattern, one unit changed, for the fuzzy bit to find.
            std::u16string nearMiss = p;
            nearMiss[random() % nearMiss.size()] = wordAlphabet[random() % wordAlphabet.size()];
            text += nearMiss + u" ";
        }
        const TestWordIndex index(QString::fromStdU16String(text));
        const bool forward = (round & 8) != 0;
        const bool fuzzy = (comparison & kComparisonFuzzy) != 0 && kind.type == kWildcardLiteral;
        auto passes = [&](const std::u16string& word) {
            return fuzzy ? referenceFuzzy(word, p, table) : referenceGlob(word, 0, p, 0, true, table);
        };
        Range expected = kMissingRange;
        for (qsizetype i = 0, start = 0; i <= index.length(); ++i) {
            if (i < index.length() && text[size_t(i)] != u' ' && text[size_t(i)] != u',')
                continue;
            if (i > start && passes(text.substr(size_t(start), size_t(i - start)))) {
                if (forward && expected.isMissing())
                    expected = Range{start, i - start};
                if (!forward)
                    expected = Range{start, i - start};
            }
            start = i + 1;
        }
        WildcardFindOptions options;
        options.comparison = comparison;
        options.forward = forward;
        const Range actual = findWildcardInUnichars(index.words(), 0, index.length(), pattern, options);
        found += actual.isMissing() ? 0 : 1;
        fuzzyFound += fuzzy && !actual.isMissing() && index.at(actual) != pattern ? 1 : 0;
        ASSERT_EQ(actual, expected) << "text \"" << QString::fromStdU16String(text).toStdString()
                                    << "\" pattern \"" << pattern.toStdString() << "\" type " << kind.type
                                    << " comparison " << comparison;
    }
    EXPECT_GT(tried, 5000);
    EXPECT_GT(found, 1000);
    EXPECT_GT(fuzzyFound, 100); // hits that only similarity explains
}

// --- ordering hits ---------------------------------------------------------

TEST(CompareRangeValues, SortsByLocationThenLongerFirst)
{
    std::vector<Range> ranges = {{9, 1}, {2, 1}, {5, 1}, {5, 3}, {NSNotFound, 0}, {0, 4}};
    std::sort(ranges.begin(), ranges.end(),
              [](const Range& a, const Range& b) { return compareRangeValues(a, b) < 0; });
    const std::vector<Range> expected = {{0, 4}, {2, 1}, {5, 3}, {5, 1}, {9, 1}, {NSNotFound, 0}};
    EXPECT_EQ(ranges, expected);
    EXPECT_EQ(compareRangeValues({5, 1}, {5, 1}), 0);
}

} // namespace
} // namespace sorvant
