#include "search/highlighting.h"

#include "platform/regular_expression.h"
#include "search/query_terms.h"
#include "search/wildcard_patterns.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

constexpr HighlightColor kRed{255, 0, 0, 255};

class HighlightingTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { initSeparatorsAndTables(); }
    HighlightSpans sink;
};

TEST_F(HighlightingTest, ColoursOfThePrimaryAndSecondaryPairs)
{
    EXPECT_EQ(primaryForegroundHighlightingColor().argb(), 0xFF0000FFu);
    EXPECT_EQ(primaryBackgroundHighlightingColor().argb(), 0xFFFFFF00u);
    EXPECT_EQ(secondaryForegroundHighlightingColor().argb(), 0xFF0000FFu);
    EXPECT_EQ(secondaryBackgroundHighlightingColor().argb(), 0xFF00FF00u);
    EXPECT_EQ(HighlightColor::fromArgb(0x80123456u), (HighlightColor{0x12, 0x34, 0x56, 0x80}));

    const QVariantMap secondary = secondaryHighlightAttributes();
    EXPECT_EQ(secondary.size(), 2);
    EXPECT_EQ(highlightColorForKey(secondary, kBackgroundColorAttributeName), secondaryBackgroundHighlightingColor());
    EXPECT_EQ(highlightColorForKey(secondary, kForegroundColorAttributeName), secondaryForegroundHighlightingColor());
    EXPECT_FALSE(highlightColorForKey({}, kForegroundColorAttributeName));
}

TEST_F(HighlightingTest, MissingColoursTakeThePrimaryPair)
{
    EXPECT_EQ(highlightAttributesWithForeground({}, {}), primaryHighlightAttributes());
    const QVariantMap redOnYellow = highlightAttributesWithForeground(kRed, {});
    EXPECT_EQ(highlightColorForKey(redOnYellow, kForegroundColorAttributeName), kRed);
    EXPECT_EQ(highlightColorForKey(redOnYellow, kBackgroundColorAttributeName), primaryBackgroundHighlightingColor());
    const QVariantMap blueOnRed = highlightAttributesWithForeground({}, kRed);
    EXPECT_EQ(highlightColorForKey(blueOnRed, kForegroundColorAttributeName), primaryForegroundHighlightingColor());
    EXPECT_EQ(highlightColorForKey(blueOnRed, kBackgroundColorAttributeName), kRed);
}

TEST_F(HighlightingTest, OverrideClipsToTheText)
{
    const QVariantMap attributes = primaryHighlightAttributes();
    overrideAttributes(sink, 10, attributes, {8, 5});
    overrideAttributes(sink, 10, attributes, {2, NSNotFound});
    overrideAttributes(sink, 10, {}, {0, 4});
    overrideAttributes(sink, 10, attributes, {4, 0});
    overrideAttributes(sink, 10, attributes, {10, 2});
    overrideAttributes(sink, 10, attributes, kMissingRange);
    EXPECT_EQ(sink.ranges(), (QList<Range>{{8, 2}, {2, 8}}));
}

TEST_F(HighlightingTest, StringFoundTwiceIsMarkedTwice)
{
    EXPECT_EQ(highlightStrings("a cat, a cat", sink, {"cat"}, {}, {}, true, false, false, true), (Range{2, 3}));
    ASSERT_EQ(sink.ranges(), (QList<Range>{{2, 3}, {9, 3}}));
    for (const HighlightSpan& span : sink.spans())
        EXPECT_EQ(span.attributes, primaryHighlightAttributes());
}

struct StringCase
{
    const char* name;
    QString text;
    QStringList strings;
    bool caseSensitive;
    bool nonUmlauted;
    bool anchored;
    bool exactPhrase;
    QList<Range> expected;
};
void PrintTo(const StringCase& row, std::ostream* out) { test::printRowName(row, out); }

class HighlightStrings : public HighlightingTest, public testing::WithParamInterface<StringCase> {};

TEST_P(HighlightStrings, MarksEachHit)
{
    const StringCase& row = GetParam();
    const Range first = highlightStrings(row.text, sink, row.strings, {}, {}, row.caseSensitive, row.nonUmlauted,
                                         row.anchored, row.exactPhrase);
    EXPECT_EQ(sink.ranges(), row.expected);
    EXPECT_EQ(first, row.expected.isEmpty() ? kMissingRange : row.expected.first());
}

INSTANTIATE_TEST_SUITE_P(
    Table, HighlightStrings,
    testing::Values(
        StringCase{"CaseSensitive", "Cat cat", {"cat"}, true, false, true, true, {{4, 3}}},
        StringCase{"IgnoringCase", "Cat cat", {"cat"}, false, false, true, true, {{0, 3}, {4, 3}}},
        StringCase{"DiacriticsKeptApart", "Herr Müller", {"Muller"}, true, false, true, true, {}},
        StringCase{"DiacriticFree", "Herr Müller", {"Muller"}, true, true, true, true, {{5, 6}}},
        StringCase{"DiacriticFreeBothSides", "Muller", {"Müller"}, true, true, true, true, {{0, 6}}},
        StringCase{"AnchoredWholeWords", "concatenate cat", {"cat"}, true, false, true, true, {{12, 3}}},
        StringCase{"NotAnchored", "concatenate cat", {"cat"}, true, false, false, true, {{3, 3}, {12, 3}}},
        StringCase{"PhraseOverSeparators", "dolor, sit amet", {"dolor sit"}, true, false, true, false, {{0, 10}}},
        StringCase{"EarliestOfSeveralStrings", "b a b", {"b", "a"}, true, false, true, true,
                   {{0, 1}, {2, 1}, {4, 1}}},
        StringCase{"EmptyText", "", {"a"}, true, false, true, true, {}},
        StringCase{"NullText", QString(), {"a"}, true, false, true, true, {}},
        StringCase{"NoStrings", "a b", {}, true, false, true, true, {}},
        StringCase{"EmptyString", "a b", {""}, true, false, true, true, {}}),
    [](const testing::TestParamInfo<StringCase>& row) { return row.param.name; });

bool skipFirstHit(const QString&, const QString&, qsizetype location, qsizetype, void*)
{
    return location > 0;
}

bool recordSearchedText(const QString& text, const QString& searchedText, qsizetype, qsizetype, void* context)
{
    *static_cast<QStringList*>(context) = {text, searchedText};
    return true;
}

TEST_F(HighlightingTest, FilterSkipsHitsAndTheFirstAnswerFollows)
{
    const QVariantMap attributes = highlightAttributesWithForeground(kRed, kRed);
    EXPECT_EQ(highlightStringsWithAttributes("ab x ab", sink, {"ab"}, attributes, true, false, true, true,
                                             skipFirstHit, nullptr),
              (Range{5, 2}));
    ASSERT_EQ(sink.spans(), (QList<HighlightSpan>{{{5, 2}, attributes}}));

    sink.clear();
    EXPECT_EQ(highlightWildcardsWithAttributes("ab x ab", sink, {"a*"}, attributes, 0, 1, skipFirstHit, nullptr),
              (Range{5, 2}));
    EXPECT_EQ(sink.ranges(), (QList<Range>{{5, 2}}));

    QStringList seen;
    highlightStringsWithAttributes("Müller", sink, {"Muller"}, attributes, true, true, true, true,
                                   recordSearchedText, &seen);
    EXPECT_EQ(seen, (QStringList{"Müller", "Muller"}));
}

TEST_F(HighlightingTest, NothingWithoutAttributes)
{
    EXPECT_EQ(highlightStringsWithAttributes("a", sink, {"a"}, {}, true, false, true, true), kMissingRange);
    EXPECT_EQ(highlightWildcardsWithAttributes("a", sink, {"a"}, {}, 0, 1), kMissingRange);
    EXPECT_TRUE(sink.spans().isEmpty());
}

struct WildcardCase
{
    const char* name;
    QString text;
    QStringList patterns;
    unsigned comparison;
    qsizetype minCharacters;
    QList<Range> expected;
};
void PrintTo(const WildcardCase& row, std::ostream* out) { test::printRowName(row, out); }

class HighlightWildcards : public HighlightingTest, public testing::WithParamInterface<WildcardCase> {};

TEST_P(HighlightWildcards, MarksEachHit)
{
    const WildcardCase& row = GetParam();
    const Range first = highlightWildcards(row.text, sink, row.patterns, {}, kRed, row.comparison, row.minCharacters);
    EXPECT_EQ(sink.ranges(), row.expected);
    EXPECT_EQ(first, row.expected.isEmpty() ? kMissingRange : row.expected.first());
    for (const HighlightSpan& span : sink.spans())
        EXPECT_EQ(highlightColorForKey(span.attributes, kBackgroundColorAttributeName), kRed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HighlightWildcards,
    testing::Values(WildcardCase{"Prefix", "temporal tempo x", {"tempo*"}, 0, 1, {{0, 8}, {9, 5}}},
                    WildcardCase{"CaseKeptApart", "TEMPO tempo", {"tempo"}, 0, 1, {{6, 5}}},
                    WildcardCase{"IgnoringCase", "TEMPO tempo", {"tempo"}, 1, 1, {{0, 5}, {6, 5}}},
                    WildcardCase{"IgnoringDiacritics", "café cafe", {"cafe"}, 2, 1, {{0, 4}, {5, 4}}},
                    WildcardCase{"SeveralPatternsInTextOrder", "b1 a1 b2", {"a*", "b*"}, 0, 1,
                                 {{0, 2}, {3, 2}, {6, 2}}},
                    WildcardCase{"TooFewLiteralUnits", "tempo", {"t*"}, 0, 2, {}},
                    WildcardCase{"Phrase", "dolor, sit amet", {"dolor s?t"}, 0, 1, {{0, 10}}},
                    WildcardCase{"EmptyText", "", {"a*"}, 0, 1, {}},
                    WildcardCase{"NoPatterns", "abc", {}, 0, 1, {}}),
    [](const testing::TestParamInfo<WildcardCase>& row) { return row.param.name; });

struct RegexCase
{
    const char* name;
    QString text;
    QString pattern;
    QList<Range> expected;
};
void PrintTo(const RegexCase& row, std::ostream* out) { test::printRowName(row, out); }

class HighlightRegex : public HighlightingTest, public testing::WithParamInterface<RegexCase> {};

TEST_P(HighlightRegex, MarksEveryNonEmptyMatch)
{
    const RegexCase& row = GetParam();
    const RegularExpression expression = RegularExpression::compile(row.pattern, 0);
    EXPECT_EQ(highlightRegularExpression(row.text, sink, expression),
              row.expected.isEmpty() ? kMissingRange : row.expected.first());
    EXPECT_EQ(sink.ranges(), row.expected);
}

// Resuming one unit after each match's end would miss every match that
// starts right where the previous one ended.
INSTANTIATE_TEST_SUITE_P(
    Table, HighlightRegex,
    testing::Values(RegexCase{"AdjacentMatchesNotSkipped", "aaaa", "a", {{0, 1}, {1, 1}, {2, 1}, {3, 1}}},
                    RegexCase{"MatchAtPreviousEndNotSkipped", "abb", "ab|b", {{0, 2}, {2, 1}}},
                    RegexCase{"EmptyMatchesMarkNothing", "ab", "x*", {}},
                    RegexCase{"EmptyAndLongMatches", "abba", "b*", {{1, 2}}},
                    RegexCase{"NoMatch", "abc", "z", {}},
                    RegexCase{"EmptyText", "", "a", {}},
                    RegexCase{"InvalidExpression", "a(b", "(", {}}),
    [](const testing::TestParamInfo<RegexCase>& row) { return row.param.name; });

TEST_F(HighlightingTest, RegexSearchEndedByLimitsKeepsItsHighlights)
{
    const RegularExpression expression = RegularExpression::compile("a", 0);
    RegularExpressionLimits limits;
    int asked = 0;
    limits.shouldStop = [&asked] { return ++asked > 2; };
    EXPECT_EQ(highlightRegularExpression("aaaa", sink, expression, secondaryHighlightAttributes(), limits),
              (Range{0, 1}));
    EXPECT_EQ(sink.spans(), (QList<HighlightSpan>{{{0, 1}, secondaryHighlightAttributes()},
                                                  {{1, 1}, secondaryHighlightAttributes()}}));
}

QList<QueryTerms> wildcardQuery(const QString& query)
{
    return {QueryTerms::initWithWildcard(query)};
}

TEST_F(HighlightingTest, QueryTermHitsPrimaryAndSecondary)
{
    const QString text = "lorem tempor ipsum labore dolor";
    const QVariantMap primary = primaryHighlightAttributes();
    const QVariantMap secondary = secondaryHighlightAttributes();
    EXPECT_EQ(highlightQueryTerms(text, sink, wildcardQuery("tempor NEAR labore"), primary, secondary, 0, 1),
              (Range{6, 6}));
    EXPECT_EQ(sink.spans(), (QList<HighlightSpan>{{{6, 6}, primary}, {{19, 6}, secondary}}));
    EXPECT_EQ(highlightColorForKey(sink.spans().at(1).attributes, kBackgroundColorAttributeName),
              secondaryBackgroundHighlightingColor());

    sink.clear();
    highlightQueryTerms(text, sink, wildcardQuery("tempor NEAR labore"), primary, {}, 0, 1);
    EXPECT_EQ(sink.spans(), (QList<HighlightSpan>{{{6, 6}, primary}, {{19, 6}, primary}}));

    sink.clear();
    highlightQueryTerms(text, sink, wildcardQuery("dolor LOREM"), primary, secondary, 1, 1);
    EXPECT_EQ(sink.spans(), (QList<HighlightSpan>{{{0, 5}, primary}, {{26, 5}, primary}}));
}

bool onlySecondary(const QString&, const QString&, qsizetype, qsizetype, void* context, bool primary)
{
    ++*static_cast<int*>(context);
    return !primary;
}

TEST_F(HighlightingTest, QueryTermFilterAndUnusableInput)
{
    const QString text = "lorem tempor ipsum labore";
    int calls = 0;
    EXPECT_EQ(highlightQueryTerms(text, sink, wildcardQuery("tempor NEAR labore"), primaryHighlightAttributes(),
                                  secondaryHighlightAttributes(), 0, 1, onlySecondary, &calls),
              (Range{19, 6}));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(sink.ranges(), (QList<Range>{{19, 6}}));

    sink.clear();
    EXPECT_EQ(highlightQueryTerms(text, sink, {}, primaryHighlightAttributes(), {}, 0, 1), kMissingRange);
    EXPECT_EQ(highlightQueryTerms(text, sink, wildcardQuery("tempor"), {}, secondaryHighlightAttributes(), 0, 1),
              kMissingRange);
    EXPECT_EQ(highlightQueryTerms("", sink, wildcardQuery("tempor"), primaryHighlightAttributes(), {}, 0, 1),
              kMissingRange);
    EXPECT_EQ(highlightQueryTerms(text, sink, wildcardQuery("missing"), primaryHighlightAttributes(), {}, 0, 1),
              kMissingRange);
    EXPECT_TRUE(sink.spans().isEmpty());
}

TEST_F(HighlightingTest, ResultsTableRequests)
{
    const RegularExpression expression = RegularExpression::compile("o+", 0);
    HighlightRequest request;
    request.strings = {"foo"};
    request.regularExpression = expression;
    EXPECT_EQ(highlightSearchMatches("Foo foo", sink, request), (Range{1, 2}));
    EXPECT_EQ(sink.ranges(), (QList<Range>{{1, 2}, {5, 2}}));

    sink.clear();
    request.regularExpression = RegularExpression();
    EXPECT_EQ(highlightSearchMatches("Foo foo", sink, request), (Range{4, 3}));
    EXPECT_EQ(sink.ranges(), (QList<Range>{{4, 3}}));

    sink.clear();
    request.comparison = 1;
    EXPECT_EQ(highlightSearchMatches("Foo foo", sink, request), (Range{0, 3}));
    EXPECT_EQ(sink.ranges(), (QList<Range>{{0, 3}, {4, 3}}));

    sink.clear();
    request.strings = {"f*"};
    request.wildcards = true;
    request.comparison = 0;
    EXPECT_EQ(highlightSearchMatches("Foo foo", sink, request), (Range{4, 3}));
    for (const HighlightSpan& span : sink.spans())
        EXPECT_EQ(span.attributes, primaryHighlightAttributes());
}

} // namespace
} // namespace sorvant
