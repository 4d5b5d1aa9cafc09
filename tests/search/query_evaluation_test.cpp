#include "search/query_evaluation.h"

#include "search/fast_word_enumerator.h"
#include "search/query_terms.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace sorvant {
namespace {

const QString kLorem = QueryTerms::testString();

// Evaluates in both modes: plain (case-insensitive) and wildcard (comparison 1).
bool matchesPlain(const QString& query, const QString& text)
{
    return QueryTerms::initWithString(query).matchesStringCaseSensitive(text, false);
}

bool matchesWildcard(const QString& query, const QString& text, unsigned comparison = kComparisonIgnoreCase)
{
    return QueryTerms::initWithWildcard(query).matchesStringComparison(text, comparison);
}

// --- the self-test table ------------------------------------------------------------------

TEST(QueryEvaluation, SelfTestSucceeds)
{
    test::LogCapture log;
    EXPECT_TRUE(QueryTerms::test());
    ASSERT_FALSE(log.lines().isEmpty());
    for (const QString& line : log.lines())
        EXPECT_TRUE(line.startsWith(QStringLiteral("Success: "))) << line.toStdString();
}

// Matching and hit collection walk the tree once each; they must reach the
// same result on every query of the self-test, in the wildcard mode both
// share.
TEST(QueryEvaluation, CollectingHitsAgreesWithMatching)
{
    const auto words = FastWordEnumerator::enumeratorWithString(kLorem);
    ASSERT_TRUE(words);
    qsizetype count = 0;
    const QueryTerms::TestCase* cases = QueryTerms::getTestCases(&count);
    for (qsizetype k = 0; k < count; ++k) {
        const QString query = QString::fromUtf16(cases[k].query);
        SCOPED_TRACE(query.toStdString());
        const QueryTerms tree = QueryTerms::initWithWildcard(query);
        QueryTermHits hits;
        const bool collected = collectQueryTermRanges(tree, *words, {0, kLorem.size()}, kComparisonIgnoreCase, hits);
        EXPECT_EQ(collected, tree.matchesStringComparison(kLorem, kComparisonIgnoreCase));
        // A query that fails marks nothing.
        if (!collected) {
            EXPECT_TRUE(hits.empty());
        }
    }
}

// --- operators and precedence -----------------------------------------------------------------

struct MatchCase
{
    const char* name;
    const char* query;
    const char* text;
    bool expected;
};
void PrintTo(const MatchCase& row, std::ostream* out) { test::printRowName(row, out); }

class Matching : public testing::TestWithParam<MatchCase> {};

TEST_P(Matching, InBothModes)
{
    const MatchCase& row = GetParam();
    const QString query = QString::fromUtf8(row.query);
    const QString text = QString::fromUtf8(row.text);
    EXPECT_EQ(matchesPlain(query, text), row.expected) << "plain";
    EXPECT_EQ(matchesWildcard(query, text), row.expected) << "wildcard";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Matching,
    testing::Values(
        // Mixed operators run left to right over the running result.
        MatchCase{"orThenAndNeedsTheLast", "a OR b c", "b", false},
        MatchCase{"orThenAndFirstAndLast", "a OR b c", "a c", true},
        MatchCase{"andThenOrTakesTheLast", "a b OR c", "c", true},
        MatchCase{"andThenOrFailingLast", "a b OR c", "a", false},
        MatchCase{"groupBindsFirst", "a OR (b c)", "a", true},
        MatchCase{"groupNeedsBoth", "a OR (b c)", "b", false},
        MatchCase{"commonOrAnyChild", "a OR b OR c", "x c", true},
        MatchCase{"commonOrNone", "a | b | c", "x y", false},
        MatchCase{"commonAndShortCut", "missing a b", "a b", false},
        MatchCase{"xorBothIsNo", "a XOR b", "a b", false},
        MatchCase{"xorChains", "a ^ b ^ c", "a b c", true},
        MatchCase{"xorOne", "a XOR b", "b", true},
        // NOT and prefix negation.
        MatchCase{"onlyNegatedTermsLacking", "-a -b", "c d", true},
        MatchCase{"onlyNegatedTermsPresent", "-a -b", "c b", false},
        MatchCase{"negatedGroupPresent", "x -(a b)", "x a b", false},
        MatchCase{"negatedGroupPartly", "x -(a b)", "x a", true},
        MatchCase{"bangIsNot", "x !a", "x a", false},
        MatchCase{"emptyQueryNeverMatches", "()", "anything", false},
        // Phrases: words in order, separators between them free.
        MatchCase{"phrase", "\"dolor sit\"", "lorem dolor, sit amet", true},
        MatchCase{"phraseOrderMatters", "\"sit dolor\"", "lorem dolor sit amet", false},
        MatchCase{"phraseNoGap", "\"dolor sit\"", "dolor amet sit", false},
        MatchCase{"phraseWithTerm", "\"new york\" city", "New York is a city", true},
        // OPT never changes a result.
        MatchCase{"optWithout", "a OPT b", "a", true},
        MatchCase{"optWith", "a OPT b", "a b", true},
        MatchCase{"optAlone", "a OPT b", "b", false},
        // Whole words unless substring.
        MatchCase{"wholeWordOnly", "mpo", "tempor", false},
        MatchCase{"substringInsideWord", "~mpo", "tempor", true},
        MatchCase{"caseIgnored", "TEMPOR", "tempor", true},
        // Proximity with distance 0 acts as AND.
        MatchCase{"nearZeroIsAnd", "a NEAR/0 b", "a x x x x x x x x x x x x x x x b", true},
        MatchCase{"nearAlsoAfter", "a NEAR/2 b", "b x a", true},
        MatchCase{"beforeNotAfter", "a BEFORE/2 b", "b x a", false},
        MatchCase{"afterNotBefore", "b AFTER/2 a", "b x a", false},
        MatchCase{"nearGroupAsAnchor", "(a b) NEAR/2 c", "x a b c", true},
        MatchCase{"nearGroupTooFar", "(a b) NEAR/2 c", "a x x b c", false},
        MatchCase{"nearGroupMissingPart", "(a z) NEAR/2 c", "x a b c", false},
        MatchCase{"negatedNearNoLaterTerm", "a NOT NEAR/1 b", "a x", true}),
    [](const testing::TestParamInfo<MatchCase>& row) { return std::string(row.param.name); });

// --- distances in words ------------------------------------------------------------------------------

// "pad… alpha w… omega pad…" with omega `gap` words after alpha.
QString textWithGap(int gap)
{
    QStringList words;
    for (int k = 0; k < 15; ++k)
        words.append(QStringLiteral("pad"));
    words.append(QStringLiteral("alpha"));
    for (int k = 1; k < gap; ++k)
        words.append(QStringLiteral("w%1").arg(k));
    words.append(QStringLiteral("omega,"));
    for (int k = 0; k < 15; ++k)
        words.append(QStringLiteral("pad"));
    return words.join(QStringLiteral(" "));
}

struct DistanceCase
{
    const char* name;
    const char* query;
    int gap;
    bool expected;
};
void PrintTo(const DistanceCase& row, std::ostream* out) { test::printRowName(row, out); }

class Distance : public testing::TestWithParam<DistanceCase> {};

TEST_P(Distance, CountsWords)
{
    const DistanceCase& row = GetParam();
    const QString query = QString::fromUtf8(row.query);
    const QString text = textWithGap(row.gap);
    EXPECT_EQ(matchesPlain(query, text), row.expected) << "plain";
    EXPECT_EQ(matchesWildcard(query, text), row.expected) << "wildcard";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Distance,
    testing::Values(DistanceCase{"near9", "alpha NEAR omega", 9, true},
                    DistanceCase{"near10", "alpha NEAR omega", 10, true},
                    DistanceCase{"near11", "alpha NEAR omega", 11, false},
                    DistanceCase{"nearReversed10", "omega NEAR alpha", 10, true},
                    DistanceCase{"nearReversed11", "omega NEAR alpha", 11, false},
                    DistanceCase{"before9", "alpha BEFORE omega", 9, true},
                    DistanceCase{"before10", "alpha BEFORE omega", 10, true},
                    DistanceCase{"before11", "alpha BEFORE omega", 11, false},
                    DistanceCase{"beforeWrongOrder", "omega BEFORE alpha", 3, false},
                    DistanceCase{"after9", "omega AFTER alpha", 9, true},
                    DistanceCase{"after10", "omega AFTER alpha", 10, true},
                    DistanceCase{"after11", "omega AFTER alpha", 11, false},
                    DistanceCase{"afterWrongOrder", "alpha AFTER omega", 3, false},
                    DistanceCase{"notNear10", "alpha NOT NEAR omega", 10, false},
                    DistanceCase{"notNear11", "alpha NOT NEAR omega", 11, true},
                    DistanceCase{"explicitNear3At3", "alpha NEAR/3 omega", 3, true},
                    DistanceCase{"explicitNear3At4", "alpha NEAR/3 omega", 4, false},
                    DistanceCase{"next1", "alpha NEXT omega", 1, true},
                    DistanceCase{"next2", "alpha NEXT omega", 2, false},
                    DistanceCase{"nextWrongOrder", "omega NEXT alpha", 1, false},
                    DistanceCase{"nextSlash2At2", "alpha NEXT/2 omega", 2, true},
                    // Distances beyond the scan limit use word positions.
                    DistanceCase{"near65At65", "alpha NEAR/65 omega", 65, true},
                    DistanceCase{"near65At66", "alpha NEAR/65 omega", 66, false},
                    DistanceCase{"after100At100", "omega AFTER/100 alpha", 100, true},
                    DistanceCase{"after100At101", "omega AFTER/100 alpha", 101, false},
                    DistanceCase{"before100At101", "alpha BEFORE/100 omega", 101, false},
                    DistanceCase{"hugeDistance", "alpha NEAR/99999999999 omega", 500, true}),
    [](const testing::TestParamInfo<DistanceCase>& row) { return std::string(row.param.name); });

// --- modes and comparison ------------------------------------------------------------------------------

TEST(QueryEvaluation, CaseSensitivityInPlainMode)
{
    const QueryTerms terms = QueryTerms::initWithString(QStringLiteral("Tempor"));
    EXPECT_TRUE(terms.matchesStringCaseSensitive(kLorem, false));
    EXPECT_FALSE(terms.matchesStringCaseSensitive(kLorem, true));
    EXPECT_TRUE(QueryTerms::initWithString(QStringLiteral("tempor")).matchesStringCaseSensitive(kLorem, true));
}

TEST(QueryEvaluation, WildcardModePatternsAndComparison)
{
    struct Row
    {
        const char* query;
        unsigned comparison;
        bool expected;
    };
    const Row rows[] = {{"temp*", 0, true},      {"t?mpor", 0, true},     {"[st]empor", 0, true},
                        {"*mpo*", 0, true},      {"~mpo", 0, true},       {"mpo", 0, false},
                        {"TEMPOR", 0, false},    {"TEMPOR", 1, true},     {"temper", 0, false},
                        {"temper", 5, true},     {"t* NEXT inv*", 1, true}, {"tempor * ut", 1, true},
                        {"[", 1, false},         {"*", 0, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.query);
        EXPECT_EQ(matchesWildcard(QString::fromUtf8(row.query), kLorem, row.comparison), row.expected);
    }
}

TEST(QueryEvaluation, DiacriticsIgnoredWithComparisonTwo)
{
    const QString text = QStringLiteral("ein Grüner Baum");
    EXPECT_FALSE(matchesWildcard(QStringLiteral("gruner"), text, 1));
    EXPECT_TRUE(matchesWildcard(QStringLiteral("gruner"), text, 3));
}

TEST(QueryEvaluation, NullAndEmptyTexts)
{
    const QueryTerms terms = QueryTerms::initWithString(QStringLiteral("-missing"));
    EXPECT_TRUE(terms.matchesStringCaseSensitive(QStringLiteral("x"), false));
    EXPECT_FALSE(terms.matchesStringCaseSensitive(QString(), false));
    EXPECT_FALSE(terms.matchesStringCaseSensitive(QStringLiteral(""), false));
    EXPECT_FALSE(terms.matchesStringComparison(QString(), 1));
    EXPECT_FALSE(matchesQueryTerms(QStringLiteral("x"), nullptr, false));
    EXPECT_TRUE(matchesQueryTerms(QStringLiteral("x"), &terms, false));
    EXPECT_FALSE(containsQueryTerms(QStringLiteral("x"), nullptr, false));
}

TEST(QueryEvaluation, ContainsIgnoresOperatorsButNotNegation)
{
    struct Row
    {
        const char* query;
        bool expected;
    };
    const Row rows[] = {{"missing AND tempor", true}, {"NOT tempor", false}, {"x -(tempor duo)", false},
                        {"(missing (x tempor))", true}, {"missing", false}, {"tempor NOT NEAR labore", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.query);
        const QString query = QString::fromUtf8(row.query);
        EXPECT_EQ(QueryTerms::initWithString(query).containsStringCaseSensitive(kLorem, true), row.expected);
        EXPECT_EQ(QueryTerms::initWithWildcard(query).containsStringComparison(kLorem, 0), row.expected);
        const QueryTerms plain = QueryTerms::initWithString(query);
        EXPECT_EQ(containsQueryTerms(kLorem, &plain, true), row.expected);
    }
}

TEST(QueryEvaluation, DeeplyNestedTreeEvaluates)
{
    const QString query = QString(kMaxQueryNesting, QLatin1Char('(')) + QStringLiteral("tempor NEAR labore")
        + QString(kMaxQueryNesting, QLatin1Char(')'));
    EXPECT_TRUE(matchesWildcard(query, kLorem));
    EXPECT_TRUE(matchesPlain(query, kLorem));
}

TEST(QueryEvaluation, OneTreeOnSeveralThreads)
{
    const QueryTerms terms = QueryTerms::initWithWildcard(QStringLiteral("tempor NEAR labore -missing"));
    const QueryTerms failing = QueryTerms::initWithWildcard(QStringLiteral("tempor NEAR/2 labore"));
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int k = 0; k < 50; ++k) {
                if (!terms.matchesStringComparison(kLorem, 1) || failing.matchesStringComparison(kLorem, 1)
                    || !terms.matchesStringCaseSensitive(kLorem, false))
                    ++mismatches;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

// --- hit collection ----------------------------------------------------------------------------------------

struct Hit
{
    QString term;
    Range range;
    bool primary;
    friend bool operator==(const Hit&, const Hit&) = default;
};

void PrintTo(const Hit& hit, std::ostream* out)
{
    *out << hit.term.toStdString() << " {" << hit.range.location << ", " << hit.range.length << "} "
         << (hit.primary ? "primary" : "secondary");
}

std::vector<Hit> hitsOf(const QString& query, const QString& text, Range range = {0, -1})
{
    std::vector<Hit> hits;
    QueryTerms::initWithWildcard(query).enumerateString(
        text, range.length < 0 ? Range{0, text.size()} : range, false,
        [&](const FastWordEnumerator&, const QString& term, Range hit, bool primary) {
            hits.push_back({term, hit, primary});
        });
    return hits;
}

Range rangeOf(const QString& text, const QString& word, qsizetype from = 0)
{
    return Range{text.indexOf(word, from), word.size()};
}

TEST(QueryHitCollection, NearRecordsAnchorPrimaryAndLaterTermSecondary)
{
    const std::vector<Hit> hits = hitsOf(QStringLiteral("tempor NEAR labore"), kLorem);
    const std::vector<Hit> expected = {{QStringLiteral("tempor"), rangeOf(kLorem, QStringLiteral("tempor")), true},
                                       {QStringLiteral("labore"), rangeOf(kLorem, QStringLiteral("labore")), false}};
    EXPECT_EQ(hits, expected);
}

TEST(QueryHitCollection, EveryOccurrenceOfAPlainTerm)
{
    const QString text = QStringLiteral("et a et b et");
    const std::vector<Hit> expected = {{QStringLiteral("et"), {0, 2}, true},
                                       {QStringLiteral("et"), {5, 2}, true},
                                       {QStringLiteral("et"), {10, 2}, true}};
    EXPECT_EQ(hitsOf(QStringLiteral("et"), text), expected);
    // Only the hits inside the range.
    const std::vector<Hit> inside = {{QStringLiteral("et"), {5, 2}, true}};
    EXPECT_EQ(hitsOf(QStringLiteral("et"), text, {3, 5}), inside);
}

TEST(QueryHitCollection, OnlyHitsOfWindowsThatHold)
{
    // The first "a" has no "b" within one word; the second has.
    const QString text = QStringLiteral("a x x x a b");
    const std::vector<Hit> expected = {{QStringLiteral("a"), {8, 1}, true}, {QStringLiteral("b"), {10, 1}, false}};
    EXPECT_EQ(hitsOf(QStringLiteral("a NEAR/1 b"), text), expected);
}

TEST(QueryHitCollection, FailingAndDropsEarlierHits)
{
    EXPECT_TRUE(hitsOf(QStringLiteral("tempor AND missing"), kLorem).empty());
    EXPECT_TRUE(hitsOf(QStringLiteral("tempor NEAR/2 labore"), kLorem).empty());
    const std::vector<Hit> orHits = hitsOf(QStringLiteral("(tempor missing) OR duo"), kLorem);
    ASSERT_EQ(orHits.size(), 1u);
    EXPECT_EQ(orHits.front().term, QStringLiteral("duo"));
}

TEST(QueryHitCollection, NegatedTermsAreNeverMarked)
{
    const std::vector<Hit> hits = hitsOf(QStringLiteral("tempor -missing"), kLorem);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits.front().term, QStringLiteral("tempor"));
}

TEST(QueryHitCollection, HitsOfANegatedGroupAreNotMarked)
{
    // The negated group holds (both words occur), so the group is false and
    // XOR makes the whole query true: only tempor is a hit.
    const std::vector<Hit> hits = hitsOf(QStringLiteral("tempor XOR -(duo rebum)"), kLorem);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits.front().term, QStringLiteral("tempor"));
}

TEST(QueryHitCollection, NegatedProximityCollectsAnchorOutsideWindows)
{
    const QString text = QStringLiteral("a b x x x x a");
    const std::vector<Hit> expected = {{QStringLiteral("a"), {12, 1}, true}};
    EXPECT_EQ(hitsOf(QStringLiteral("a NOT NEAR/1 b"), text), expected);
}

TEST(QueryHitCollection, NothingForBadArguments)
{
    int calls = 0;
    const auto count = [&](const FastWordEnumerator&, const QString&, Range, bool) { ++calls; };
    const QueryTerms terms = QueryTerms::initWithWildcard(QStringLiteral("tempor"));
    terms.enumerateString(kLorem, Range{0, kLorem.size() + 1}, false, count);
    terms.enumerateString(kLorem, Range{-1, 3}, false, count);
    terms.enumerateString(QString(), Range{0, 0}, false, count);
    terms.enumerateString(kLorem, Range{0, kLorem.size()}, false, QueryTerms::HitHandler());
    enumerateQueryTerms(kLorem, {}, Range{0, kLorem.size()}, 1, count);
    EXPECT_EQ(calls, 0);
    terms.enumerateString(kLorem, Range{0, kLorem.size()}, false, count);
    EXPECT_EQ(calls, 1);
}

TEST(QueryHitCollection, SeveralTreesReportOnce)
{
    const QList<QueryTerms> trees = {QueryTerms::initWithWildcard(QStringLiteral("duo")),
                                     QueryTerms::initWithWildcard(QStringLiteral("tempor OR duo"))};
    std::vector<Hit> hits;
    enumerateQueryTerms(kLorem, trees, Range{0, kLorem.size()}, 1,
                        [&](const FastWordEnumerator&, const QString& term, Range range, bool primary) {
                            hits.push_back({term, range, primary});
                        });
    const std::vector<Hit> expected = {{QStringLiteral("tempor"), rangeOf(kLorem, QStringLiteral("tempor")), true},
                                       {QStringLiteral("duo"), Range{kLorem.indexOf(QStringLiteral("duo")), 3}, true}};
    EXPECT_EQ(hits, expected);
}

TEST(QueryHitReport, OverlappingHitsReportedOnceEarliestFirst)
{
    const auto words = FastWordEnumerator::enumeratorWithString(QStringLiteral("abcdefghijkl"));
    ASSERT_TRUE(words);
    QueryTermHits hits;
    hits.insert_or_assign(Range{4, 3}, QueryTermHit{QStringLiteral("c"), true});
    hits.insert_or_assign(Range{0, 5}, QueryTermHit{QStringLiteral("a"), true});
    hits.insert_or_assign(Range{2, 1}, QueryTermHit{QStringLiteral("b"), true});
    hits.insert_or_assign(Range{7, 2}, QueryTermHit{QStringLiteral("d"), false});
    hits.insert_or_assign(Range{9, 1}, QueryTermHit{QStringLiteral("e"), true});
    hits.insert_or_assign(Range{9, 1}, QueryTermHit{QStringLiteral("f"), false}); // replaces e
    std::vector<Hit> reported;
    reportQueryTermRanges(*words, hits, [&](const FastWordEnumerator&, const QString& term, Range range, bool p) {
        reported.push_back({term, range, p});
    });
    const std::vector<Hit> expected = {{QStringLiteral("a"), {0, 5}, true},
                                       {QStringLiteral("d"), {7, 2}, false},
                                       {QStringLiteral("f"), {9, 1}, false}};
    EXPECT_EQ(reported, expected);
}

TEST(QueryHitReport, ShortHitInsideAReportedOneDoesNotLetAnOverlapThrough)
{
    const auto words = FastWordEnumerator::enumeratorWithString(QStringLiteral("abcdefghijkl"));
    ASSERT_TRUE(words);
    QueryTermHits hits;
    hits.insert_or_assign(Range{0, 10}, QueryTermHit{QStringLiteral("long"), true});
    hits.insert_or_assign(Range{2, 1}, QueryTermHit{QStringLiteral("short"), true});
    hits.insert_or_assign(Range{5, 3}, QueryTermHit{QStringLiteral("overlap"), true});
    QStringList reported;
    reportQueryTermRanges(*words, hits,
                          [&](const FastWordEnumerator&, const QString& term, Range, bool) { reported.append(term); });
    EXPECT_EQ(reported, QStringList{QStringLiteral("long")});
}

// --- string-level finders ------------------------------------------------------------------------------------

TEST(QueryTermFinders, PreviousAndNextOnAString)
{
    const QString text = QStringLiteral("a b a");
    QStringList terms{QStringLiteral("a")};
    EXPECT_EQ(findPreviousQueryTerm(text, terms, false, Range{0, 5}, true, true, false), (Range{4, 1}));
    EXPECT_EQ(findNextQueryTerm(text, terms, false, Range{1, 4}, true, true, false), (Range{4, 1}));
    EXPECT_EQ(findNextQueryTerm(text, terms, false, Range{5, 0}, true, true, false), kMissingRange);
    EXPECT_EQ(findNextQueryTerm(QString(), terms, false, Range{0, 0}, true, true, false), kMissingRange);
    QStringList mutableTerms{QStringLiteral("zz"), QStringLiteral("b")};
    EXPECT_EQ(findNextQueryTerm(text, mutableTerms, true, Range{0, 5}, true, true, false), (Range{2, 1}));
    EXPECT_EQ(mutableTerms, QStringList{QStringLiteral("b")});
}

} // namespace
} // namespace sorvant
