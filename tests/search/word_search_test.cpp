#include "search/word_search.h"

#include "search/fast_word_enumerator.h"
#include "tests/search/word_index_test_support.h"

#include <gtest/gtest.h>

#include <random>

namespace sorvant {
namespace {

using test::indexOf;

struct TermCase
{
    const char* name;
    QString text;
    QString term;
    Range range; // {0, -1}: the whole text
    unsigned options;
    bool anchored;
    qsizetype expected;
};
void PrintTo(const TermCase& row, std::ostream* out) { test::printRowName(row, out); }

class FindTerm : public testing::TestWithParam<TermCase> {};

TEST_P(FindTerm, InRange)
{
    const TermCase& row = GetParam();
    const auto e = indexOf(row.text);
    const Range range = row.range.length < 0 ? Range{0, row.text.size()} : row.range;
    EXPECT_EQ(findTermInRange(*e, range.location, range.length, row.term, row.options, row.anchored), row.expected);
}

const QString kConcatenate = QStringLiteral("concatenate");

INSTANTIATE_TEST_SUITE_P(
    Cases, FindTerm,
    testing::Values(
        TermCase{"insideWordNotAnchored", kConcatenate, QStringLiteral("cat"), {0, -1}, 0, false, 3},
        TermCase{"insideWordAnchored", kConcatenate, QStringLiteral("cat"), {0, -1}, 0, true, NSNotFound},
        TermCase{"rangeLimitsAreWordLimits", kConcatenate, QStringLiteral("cat"), {3, 3}, 0, true, 3},
        TermCase{"rangeStartOnly", kConcatenate, QStringLiteral("cat"), {3, 8}, 0, true, NSNotFound},
        TermCase{"wholeWord", QStringLiteral("the cat."), QStringLiteral("cat"), {0, -1}, 0, true, 4},
        TermCase{"caseSensitiveMiss", QStringLiteral("the cat."), QStringLiteral("Cat"), {0, -1}, 0, true, NSNotFound},
        TermCase{"caseInsensitive", QStringLiteral("the cat."), QStringLiteral("Cat"), {0, -1}, 1, true, 4},
        TermCase{"symbolEndIsFree", QStringLiteral("use x++y"), QStringLiteral("x++"), {0, -1}, 0, true, 4},
        TermCase{"symbolStartIsFree", QStringLiteral("a#tag"), QStringLiteral("#tag"), {0, -1}, 0, true, 1},
        TermCase{"symbolStartCaseless", QStringLiteral("a#TAG"), QStringLiteral("#ta"), {0, -1}, 1, true, NSNotFound},
        TermCase{"threeUnitsSymbolEnd", QStringLiteral("ab+c"), QStringLiteral("ab+"), {0, -1}, 1, true, 0},
        TermCase{"oneUnitAnchored", QStringLiteral("ab a"), QStringLiteral("a"), {0, -1}, 0, true, 3},
        TermCase{"twoUnitsAnchored", QStringLiteral("abc ab"), QStringLiteral("ab"), {0, -1}, 0, true, 4},
        TermCase{"starMatchesAtStart", QStringLiteral("abc"), QStringLiteral("*"), {2, 1}, 0, true, 2},
        TermCase{"emptyTerm", QStringLiteral("abc"), QString(), {0, -1}, 0, false, NSNotFound},
        TermCase{"termLongerThanRange", QStringLiteral("abc"), QStringLiteral("abc"), {0, 2}, 0, false, NSNotFound},
        TermCase{"rangeCutAtTextEnd", QStringLiteral("x abc"), QStringLiteral("abc"), {1, 99}, 0, true, 2},
        TermCase{"backwardsFindsLast", QStringLiteral("a b a"), QStringLiteral("a"), {0, -1}, 4, true, 4},
        TermCase{"backwardsAnchoredSkipsInside", QStringLiteral("cat xcatx"), QStringLiteral("cat"), {0, -1}, 4, true, 0},
        TermCase{"backwardsCaseless", QStringLiteral("Cat cAT x"), QStringLiteral("cat"), {0, -1}, 5, true, 4},
        TermCase{"backwardsFullFolding", QStringLiteral("x STRASSE y"), QStringLiteral("stra\u00DFe"), {0, -1}, 5, true, 2},
        TermCase{"backwardsFoldedEndInsideWord", QStringLiteral("x STRASSEN y"), QStringLiteral("stra\u00DFe"), {0, -1}, 5, true, NSNotFound},
        TermCase{"forwardTableKeepsSharpS", QStringLiteral("x STRASSE y"), QStringLiteral("stra\u00DFe"), {0, -1}, 1, true, NSNotFound},
        TermCase{"numericGoesToThePlatform", QStringLiteral("a 12 b"), QStringLiteral("12"), {0, -1}, 64, true, 2},
        TermCase{"backwardsEmptyRange", QStringLiteral("abc"), QStringLiteral("a"), {0, 0}, 4, false, NSNotFound}),
    [](const testing::TestParamInfo<TermCase>& row) { return std::string(row.param.name); });

// The whole-word rule written out directly, to compare the specialised
// loops with.
qsizetype referenceFind(const FastWordEnumerator& e, qsizetype a, qsizetype l, const QString& term, bool caseless,
                        bool anchored)
{
    const CharsTable* upper = getUpperCharsTable();
    auto fold = [&](unichar c) { return caseless ? upper[c] : c; };
    const qsizetype m = term.size();
    const CharacterSetBitmap* alnum = getAlphaNumBitmap();
    for (qsizetype p = a; p + m <= a + l; ++p) {
        bool equal = true;
        for (qsizetype k = 0; k < m && equal; ++k)
            equal = fold(e.characters()[p + k]) == fold(term[k].unicode());
        if (!equal)
            continue;
        const bool startOk = !bitmapContains(alnum, term[0].unicode()) || p == a || e.isWordBeginningAtIndex(p);
        const bool endOk = !bitmapContains(alnum, term[m - 1].unicode()) || p + m >= a + l || e.isWordEndAtIndex(p + m - 1);
        if (!anchored || (startOk && endOk))
            return p;
    }
    return NSNotFound;
}

TEST(FindTerm, SpecialisedLoopsAgreeWithTheRule)
{
    std::mt19937 random(20240611);
    const char16_t alphabet[] = u"aAbB .-+\u00E9\u00C9";
    auto pick = [&](int count) {
        QString s;
        for (int i = 0; i < count; ++i)
            s.append(QChar(alphabet[random() % (std::size(alphabet) - 1)]));
        return s;
    };
    for (int round = 0; round < 3000; ++round) {
        const QString text = pick(1 + int(random() % 24));
        const QString term = pick(1 + int(random() % 4));
        const auto e = FastWordEnumerator::enumeratorWithString(text);
        const qsizetype a = qsizetype(random() % text.size());
        const qsizetype l = qsizetype(random() % (text.size() - a + 1));
        for (unsigned options : {0u, 1u}) {
            for (bool anchored : {false, true}) {
                SCOPED_TRACE(testing::Message() << text.toStdString() << " / " << term.toStdString() << " a=" << a
                                                << " l=" << l << " options=" << options << " anchored=" << anchored);
                EXPECT_EQ(findTermInRange(*e, a, l, term, options, anchored),
                          referenceFind(*e, a, l, term, options == 1, anchored));
            }
        }
    }
}

TEST(WordSearch, ContainsWord)
{
    EXPECT_FALSE(indexOf(kConcatenate)->containsWord(QStringLiteral("cat"), false));
    const auto e = indexOf(QStringLiteral("the cat."));
    EXPECT_TRUE(e->containsWord(QStringLiteral("cat"), true));
    EXPECT_TRUE(e->containsWord(QStringLiteral("Cat"), false));
    EXPECT_FALSE(e->containsWord(QStringLiteral("Cat"), true));
    EXPECT_FALSE(e->containsWord(QString(), false));
    EXPECT_FALSE(e->containsWord(QStringLiteral("the cat. and"), false));
    // A case-insensitive index holds upper-case units; a case-insensitive
    // search folds the term the same way.
    EXPECT_TRUE(indexOf(QStringLiteral("the cat."), true)->containsWord(QStringLiteral("cAt"), false));
}

TEST(WordSearch, CountsWithoutOverlap)
{
    const auto e = indexOf(QStringLiteral("aa aa aaa"));
    EXPECT_EQ(e->countPrimaryWord(QStringLiteral("aa"), {}, true), 2);
    EXPECT_EQ(e->countPrimaryWord(QStringLiteral("aa"), {QStringLiteral("aaa")}, true), 3);
    EXPECT_EQ(e->countPrimaryWord(QString(), {QStringLiteral("aaa"), QString(), QStringLiteral("aaaaaaaaaaaa")}, true), 1);
    EXPECT_EQ(e->countPrimaryWord(QStringLiteral("AA"), {}, true), 0);
    EXPECT_EQ(e->countPrimaryWord(QStringLiteral("AA"), {}, false), 2);
}

TEST(WordSearch, NextQueryTermTakesTheEarliestHit)
{
    const auto e = indexOf(QStringLiteral("a b"));
    QStringList terms{QStringLiteral("b"), QStringLiteral("a")};
    EXPECT_EQ(e->findNextQueryTerm(terms, false, {0, 3}, true, true, false), (Range{0, 1}));

    QStringList missingFirst{QStringLiteral("zz"), QStringLiteral("a")};
    EXPECT_EQ(e->findNextQueryTerm(missingFirst, true, {0, 3}, true, true, false), (Range{0, 1}));
    EXPECT_EQ(missingFirst, QStringList{QStringLiteral("a")});

    QStringList missingLast{QStringLiteral("a"), QStringLiteral("zz")};
    EXPECT_EQ(e->findNextQueryTerm(missingLast, true, {0, 3}, true, true, false), (Range{0, 1}));
    EXPECT_EQ(missingLast.size(), 2);

    QStringList notMutable{QStringLiteral("zz"), QStringLiteral("*")};
    EXPECT_EQ(e->findNextQueryTerm(notMutable, false, {0, 3}, true, true, false), kMissingRange);
    EXPECT_EQ(notMutable.size(), 2);
    EXPECT_EQ(e->findNextQueryTerm(notMutable, true, {0, 3}, true, true, false), kMissingRange);
    EXPECT_TRUE(notMutable.isEmpty());
}

TEST(WordSearch, QueryTermsSplitIntoPhrasesUnlessExact)
{
    const auto e = indexOf(QStringLiteral("x dolor, Sit amet"));
    QStringList terms{QStringLiteral("dolor sit")};
    EXPECT_EQ(e->findNextQueryTerm(terms, false, {0, 17}, false, true, false), (Range{2, 10}));
    EXPECT_EQ(e->findNextQueryTerm(terms, false, {0, 17}, false, true, true), kMissingRange);
    EXPECT_EQ(e->findPreviousQueryTerm(terms, false, {0, 17}, false, true, false), (Range{2, 10}));
    QStringList apart{QStringLiteral("dolor amet")};
    EXPECT_EQ(e->findNextQueryTerm(apart, false, {0, 17}, false, true, false), kMissingRange);
}

TEST(WordSearch, PreviousQueryTermTakesTheLatestHit)
{
    const auto e = indexOf(QStringLiteral("a b a"));
    QStringList terms{QStringLiteral("a")};
    EXPECT_EQ(e->findPreviousQueryTerm(terms, false, {0, 5}, true, true, false), (Range{4, 1}));
    QStringList three{QStringLiteral("zz"), QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("*")};
    EXPECT_EQ(e->findPreviousQueryTerm(three, true, {0, 4}, true, true, false), (Range{2, 1}));
    // Only terms searched before any hit can be dropped.
    EXPECT_EQ(three, (QStringList{QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("*")}));
}

TEST(WordSearch, PhraseWordsFollowAcrossSeparators)
{
    const auto e = indexOf(QStringLiteral("dolor sit dolor, sit amet dolor"));
    const QStringList words{QStringLiteral("dolor"), QStringLiteral("sit")};
    EXPECT_EQ(matchFollowingPhraseWords(*e, words, {0, 31}, 0, true), (Range{0, 9}));
    EXPECT_EQ(matchFollowingPhraseWords(*e, words, {1, 30}, 0, true), (Range{10, 10}));
    EXPECT_EQ(matchFollowingPhraseWords(*e, words, {0, 31}, 4, true), (Range{10, 10}));
    EXPECT_EQ(matchFollowingPhraseWords(*e, words, {0, 8}, 0, true), kMissingRange);
    const QStringList prefix{QStringLiteral("sit"), QStringLiteral("am")};
    EXPECT_EQ(matchFollowingPhraseWords(*e, prefix, {0, 31}, 0, false), (Range{17, 6}));
    EXPECT_EQ(matchFollowingPhraseWords(*e, prefix, {0, 31}, 0, true), kMissingRange);
}

} // namespace
} // namespace sorvant
