#include "search/query_rendering.h"

#include "search/query_terms.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace sorvant {
namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

QString render(const QString& query, unsigned options, const QVariantMap& dictionary = {})
{
    const QStringList rendered = queryTermsForOperators(query, options, dictionary);
    EXPECT_EQ(rendered.size(), 1);
    return rendered.value(0);
}

// --- rendering ---------------------------------------------------------------------------------

struct RenderCase
{
    const char* name;
    const char* query;
    unsigned options;
    const char* expected;
};
void PrintTo(const RenderCase& row, std::ostream* out) { test::printRowName(row, out); }

class Rendering : public testing::TestWithParam<RenderCase> {};

TEST_P(Rendering, WritesTheTree)
{
    const RenderCase& row = GetParam();
    EXPECT_EQ(render(q(row.query), row.options), q(row.expected));
}

constexpr unsigned kStandardized = 0x2003F;
constexpr unsigned kNormalized = 0x313FF;
constexpr unsigned kDescription = 0x28FFF;

INSTANTIATE_TEST_SUITE_P(
    Cases, Rendering,
    testing::Values(
        RenderCase{"normalizedLowerNear", "Tempor NEAR/3 Labore", kNormalized, "tempor NEAR/3 labore"},
        RenderCase{"normalizedBar", "a OR b", kNormalized, "a|b"},
        RenderCase{"normalizedNextAsBefore", "x NEXT y", kNormalized, "x BEFORE/1 y"},
        RenderCase{"normalizedAfter", "x AFTER/4 y", kNormalized, "x AFTER/4 y"},
        RenderCase{"normalizedNegation", "a NOT b", kNormalized, "a -b"},
        RenderCase{"normalizedSubstring", "~Ab c", kNormalized, "~ab c"},
        RenderCase{"normalizedGroup", "a (b|c) \"D e\"", kNormalized, "a (b|c) \"d e\""},
        RenderCase{"normalizedXorOpt", "a XOR b OPT c", kNormalized, "a XOR b OPT c"},
        RenderCase{"standardizedNearIsAnd", "a NEAR b", kStandardized, "a b"},
        RenderCase{"standardizedGroup", "a (b OR c)", kStandardized, "a (b OR c)"},
        RenderCase{"standardizedNegation", "a -b", kStandardized, "a -b"},
        RenderCase{"standardizedKeepsCase", "Ab ~Cd", kStandardized, "Ab Cd"},
        RenderCase{"standardizedPhrase", "\"New York\" city", kStandardized, "\"New York\" city"},
        RenderCase{"descriptionAnd", "a b", kDescription, "a AND b"},
        RenderCase{"descriptionAndNot", "a NOT b", kDescription, "a ANDNOT b"},
        RenderCase{"descriptionNext", "x NEXT y", kDescription, "x NEXT y"},
        RenderCase{"descriptionNextTwo", "x NEXT/2 y", kDescription, "x BEFORE/2 y"},
        RenderCase{"requiredTerms", "a b", 0x4008, "+a +b"},
        RenderCase{"requiredWithNegated", "a -b", 0x4008, "+a -b"},
        RenderCase{"requiredLeavesOutNegated", "a -b", 0x4000, "a"},
        RenderCase{"requiredOrIsSpace", "a OR b", 0x4002, "a b"},
        RenderCase{"requiredInnerGroup", "a (b c)", 0x4020, "+a +(+b +c)"},
        RenderCase{"notWordWithAnd", "a NOT b c", 0x8009, "a NOT b AND c"},
        RenderCase{"notWordWithoutAnd", "a NOT b", 0x8008, "a NOT b"},
        RenderCase{"xorWithoutBitLikeOr", "a XOR b", 0x2, "a OR b"},
        RenderCase{"nothingSet", "a OR b XOR c NEAR d", 0, "a b c d"},
        RenderCase{"optLeftOut", "a OPT b", 0, "a"},
        RenderCase{"phraseAsBrackets", "\"New York\" city", 0x20, "(New York) city"},
        RenderCase{"upperWinsOverLower", "Straße x", 0x3000, "STRASSE X"},
        RenderCase{"emptyQuery", "()", kNormalized, ""},
        RenderCase{"negatedOnlyLeftOut", "-a", kStandardized & ~0x8u, ""}),
    [](const testing::TestParamInfo<RenderCase>& row) { return std::string(row.param.name); });

TEST(QueryRendering, NamedFormsUseTheirOptions)
{
    const QueryTerms terms = QueryTerms::initWithString(q("a NOT b"));
    EXPECT_EQ(terms.description(), q("QueryTerms <a ANDNOT b>"));
    EXPECT_EQ(QueryTerms::initWithString(q("a b")).description(), q("QueryTerms <a AND b>"));
    EXPECT_EQ(standardizedQueryTerm(q("a NEAR b")), q("a b"));
    EXPECT_EQ(terms.queryTermsForOperators(kStandardized), QStringList{q("a -b")});
    EXPECT_EQ(normalizedQueryTerm(q("x NEXT y")), q("x BEFORE/1 y"));
    EXPECT_EQ(QueryTerms::initWithString(q("x NEXT y")).normalizedQueryTerm(), q("x BEFORE/1 y"));
}

TEST(QueryRendering, DictionaryReplacesOperatorWords)
{
    const QVariantMap german{{q("OR"), q("ODER")}, {q("NEAR"), q("NAHE")}, {q("-"), q("!")}, {q("|"), q(" | ")}};
    EXPECT_EQ(render(q("a OR b"), 0x2, german), q("a ODER b"));
    EXPECT_EQ(render(q("a OR b"), 0x10002, german), q("a | b"));
    EXPECT_EQ(render(q("a NEAR/2 b"), 0x40, german), q("a NAHE/2 b"));
    EXPECT_EQ(render(q("a -b"), 0x8, german), q("a !b"));
    EXPECT_EQ(render(q("a XOR b"), 0x6, german), q("a XOR b"));
}

// Rendering in a syntax the parser reads and parsing it again gives the same
// text: nothing is lost or changed on the way.
TEST(QueryRendering, NormalizedFormRoundTrips)
{
    const char* const queries[] = {"a b",
                                   "a OR b c",
                                   "a XOR (b | -c) d",
                                   "\"New York\" NEAR/4 city",
                                   "x NEXT y AFTER z BEFORE/3 w",
                                   "~sub -(p q) r OPT s",
                                   "((a b) (c OR d)) e",
                                   // Found by fuzzing: a phrase whose sign stood before a space.
                                   // Found by fuzzing: "~" before an unclosed bracket of one term.
                                   "a* ~ (bt",
                                   "\xE2\x80\x9E+ !\xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD" "bc"};
    for (const char* query : queries) {
        SCOPED_TRACE(query);
        const QString once = normalizedQueryTerm(q(query));
        EXPECT_EQ(normalizedQueryTerm(once), once);
        const QueryTerms wildcard = QueryTerms::initWithWildcard(q(query));
        EXPECT_EQ(QueryTerms::initWithWildcard(wildcard.normalizedQueryTerm()).normalizedQueryTerm(),
                  wildcard.normalizedQueryTerm());
        const QString standard = standardizedQueryTerm(q(query));
        EXPECT_EQ(standardizedQueryTerm(standard), standard);
    }
}

// --- term lists --------------------------------------------------------------------------------------

TEST(QueryTermLists, PositiveLeaves)
{
    const QString query = q("a NOT b (c OR -d) \"e f\"");
    EXPECT_EQ(plusString(query), q("a c e f"));
    EXPECT_EQ(plusParts(query), (QStringList{q("a"), q("c"), q("e f")}));
    EXPECT_EQ(plusWords(query), (QStringList{q("a"), q("c"), q("e"), q("f")}));
    const QList<QueryTerms> leaves = plusTerms(query);
    ASSERT_EQ(leaves.size(), 3);
    EXPECT_TRUE(leaves[2].queryPhrase());
    EXPECT_EQ(plusParts(q("x -(y z)")), QStringList{q("x")});
    EXPECT_EQ(plusString(QString()), QString(""));
    EXPECT_TRUE(plusParts(QString()).isEmpty());
}

TEST(QueryTermLists, MinTermLen)
{
    EXPECT_EQ(QueryTerms::initWithString(q("NOT abc")).minTermLen(), 0);
    EXPECT_EQ(QueryTerms::initWithString(q("abc de")).minTermLen(), 2);
    EXPECT_EQ(QueryTerms::initWithString(q("abc -d (efg hij)")).minTermLen(), 3);
    EXPECT_EQ(QueryTerms::initWithString(QString()).minTermLen(), 0);
}

QStringList sortedCopy(QStringList list)
{
    std::sort(list.begin(), list.end());
    return list;
}

TEST(QueryTermLists, WildcardsWithVariants)
{
    EXPECT_FALSE(QueryTerms::initWithString(QString()).plusWildcards().has_value());
    EXPECT_FALSE(QueryTerms::initWithString(q("()")).minusWildcards().has_value());

    const auto email = QueryTerms::initWithString(q("e-mail")).plusWildcards();
    ASSERT_TRUE(email.has_value());
    EXPECT_EQ(*email, (QStringList{q("email"), q("e mail"), q("e-mail")})); // shortest first

    const auto minus = QueryTerms::initWithString(q("a -b")).minusWildcards();
    ASSERT_TRUE(minus.has_value());
    EXPECT_EQ(*minus, QStringList{q("b")});

    const auto onlyNegated = QueryTerms::initWithString(q("-a")).plusWildcards();
    ASSERT_TRUE(onlyNegated.has_value());
    EXPECT_TRUE(onlyNegated->isEmpty());

    const auto phrase = QueryTerms::initWithString(q("\"x-y\"")).plusWildcards();
    ASSERT_TRUE(phrase.has_value());
    EXPECT_EQ(*phrase, (QStringList{q("x y"), q("x-y")})); // a phrase is never hyphen-joined
}

TEST(QueryTermLists, ExtendedWildcardsAddNeighbourPairs)
{
    const auto extended = QueryTerms::initWithString(q("a b OR c")).extendedPlusWildcards();
    ASSERT_TRUE(extended.has_value());
    EXPECT_EQ(sortedCopy(*extended), (QStringList{q("a"), q("a b"), q("b"), q("c")}));

    const auto near = QueryTerms::initWithString(q("x NEAR e-mail -z y")).extendedPlusWildcards();
    ASSERT_TRUE(near.has_value());
    EXPECT_EQ(sortedCopy(*near), (QStringList{q("e mail"), q("email"), q("x"), q("x email"), q("y")}));
}

TEST(QueryTermLists, ListsOfTrees)
{
    const QList<QueryTerms> trees = {QueryTerms::initWithString(q("a b -n")),
                                     QueryTerms::initWithString(q("b c -m"))};
    EXPECT_FALSE(plusParts(QList<QueryTerms>()).has_value());
    EXPECT_FALSE(queryTerms(QList<QueryTerms>()).has_value());
    ASSERT_TRUE(queryTerms(trees).has_value());
    EXPECT_EQ(queryTerms(trees)->size(), 2);
    EXPECT_EQ(sortedCopy(plusParts(trees).value()), (QStringList{q("a"), q("b"), q("c")}));
    EXPECT_EQ(sortedCopy(plusWords(trees).value()), (QStringList{q("a"), q("b"), q("c")}));
    EXPECT_EQ(sortedCopy(minusWildcards(trees).value()), (QStringList{q("m"), q("n")}));
    EXPECT_EQ(sortedCopy(plusWildcards(trees).value()), (QStringList{q("a"), q("b"), q("c")}));
    const QList<QueryTerms> negatedOnly = {QueryTerms::initWithString(q("-a"))};
    EXPECT_FALSE(plusParts(negatedOnly).has_value());
}

} // namespace
} // namespace sorvant
