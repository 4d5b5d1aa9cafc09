#include "search/query_terms.h"

#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

QString operatorName(QueryOperator op)
{
    static const char* const names[] = {"AND", "OR", "XOR", "NEAR", "BEFORE", "AFTER", "NEXT", "OPT", "MIXED"};
    return QString::fromLatin1(names[op]);
}

// A node as "<operator>[/distance][!][~] <term>" or "... (<children>)<common>";
// the distance is shown only for proximity operators.
QString shape(const QueryTerms& node);

QString childrenShape(const QueryTerms& group)
{
    QStringList parts;
    for (const QueryTerms& child : group.children())
        parts.append(shape(child));
    return parts.join(QStringLiteral(", "));
}

QString shape(const QueryTerms& node)
{
    QString text = operatorName(node.queryOperator());
    if (node.queryOperator() >= kQueryNear && node.queryOperator() <= kQueryNext)
        text += QStringLiteral("/%1").arg(node.proximityDistance());
    if (node.queryNot())
        text += QLatin1Char('!');
    if (node.querySubstring())
        text += QLatin1Char('~');
    text += QLatin1Char(' ');
    if (node.isWord())
        return text + (node.queryPhrase() ? QLatin1Char('"') + node.term() + QLatin1Char('"') : node.term());
    return text + QLatin1Char('(') + childrenShape(node) + QLatin1Char(')') + operatorName(node.commonOperator());
}

struct ParseCase
{
    const char* name;
    bool wildcard;
    QString query;
    QString children;       // the root's children
    QueryOperator common;   // the root's common operator
};
void PrintTo(const ParseCase& row, std::ostream* out) { test::printRowName(row, out); }

class ParseQuery : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseQuery, GivesTree)
{
    const ParseCase& row = GetParam();
    const QueryTerms terms = row.wildcard ? QueryTerms::initWithWildcard(row.query)
                                          : QueryTerms::initWithString(row.query);
    EXPECT_FALSE(terms.isWord());
    EXPECT_EQ(childrenShape(terms), row.children);
    EXPECT_EQ(terms.commonOperator(), row.common);
    EXPECT_EQ(terms.parseError(), kQueryParsed);
}

QString q(const char16_t* text)
{
    return QString::fromUtf16(text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseQuery,
    testing::Values(
        ParseCase{"andNot", false, q(u"tempor AND NOT duo"), q(u"AND tempor, AND! duo"), kQueryAnd},
        ParseCase{"prefixNegation", false, q(u"a -b +c !d"), q(u"AND a, AND! b, AND c, AND! d"), kQueryAnd},
        ParseCase{"plusCancelsMinus", false, q(u"-+a"), q(u"AND a"), kQueryMixed},
        ParseCase{"innerHyphenIsText", false, q(u"e-mail x-"), q(u"AND e-mail, AND x"), kQueryAnd},
        ParseCase{"nearWithDistance", false, q(u"x NEAR/2 y"), q(u"AND x, NEAR/2 y"), kQueryNear},
        ParseCase{"nearDefault", false, q(u"x NEAR y"), q(u"AND x, NEAR/10 y"), kQueryNear},
        ParseCase{"nextIsDistanceOne", false, q(u"x NEXT y"), q(u"AND x, NEXT/1 y"), kQueryNext},
        ParseCase{"nextWithDistance", false, q(u"x next/4 y"), q(u"AND x, NEXT/4 y"), kQueryNext},
        ParseCase{"nearKeepsPendingDistance", false, q(u"x NEXT NEAR y"), q(u"AND x, NEAR/1 y"), kQueryNear},
        ParseCase{"afterTakesDefault", false, q(u"x NEXT AFTER y"), q(u"AND x, AFTER/10 y"), kQueryAfter},
        ParseCase{"beforeWithDistance", false, q(u"x Before/7 y"), q(u"AND x, BEFORE/7 y"), kQueryBefore},
        ParseCase{"keywordsIgnoreCase", false, q(u"x near y"), q(u"AND x, NEAR/10 y"), kQueryNear},
        ParseCase{"nearbyIsATerm", false, q(u"x nearby y"), q(u"AND x, AND nearby, AND y"), kQueryAnd},
        ParseCase{"nearSlashAloneIsATerm", false, q(u"x NEAR/ y"), q(u"AND x, AND NEAR/, AND y"), kQueryAnd},
        ParseCase{"negativeDistanceIsZero", false, q(u"x NEAR/-5 y"), q(u"AND x, NEAR/0 y"), kQueryNear},
        ParseCase{"bar", false, q(u"a|b"), q(u"AND a, OR b"), kQueryOr},
        ParseCase{"circumflex", false, q(u"a^b"), q(u"AND a, XOR b"), kQueryXor},
        ParseCase{"ampersand", false, q(u"a&b"), q(u"AND a, AND b"), kQueryAnd},
        ParseCase{"eorAndBut", false, q(u"a EOR b BUT c"), q(u"AND a, XOR b, AND c"), kQueryMixed},
        ParseCase{"mixedOperators", false, q(u"a OR b c"), q(u"AND a, OR b, AND c"), kQueryMixed},
        ParseCase{"opt", false, q(u"a OPT b"), q(u"AND a, OPT b"), kQueryOpt},
        ParseCase{"notNotCancels", false, q(u"NOT NOT x"), q(u"AND x"), kQueryMixed},
        ParseCase{"notBeforeOperator", false, q(u"a NOT NEAR b"), q(u"AND a, NEAR/10! b"), kQueryNear},
        ParseCase{"bracketOfOneIsItsChild", false, q(u"(a)"), q(u"AND a"), kQueryMixed},
        ParseCase{"emptyBracket", false, q(u"()"), QString(), kQueryMixed},
        ParseCase{"unclosedBracket", false, q(u"a (b c"), q(u"AND a, AND (AND b, AND c)AND"), kQueryAnd},
        ParseCase{"group", false, q(u"a OR (b c)"), q(u"AND a, OR (AND b, AND c)AND"), kQueryOr},
        ParseCase{"negatedGroup", false, q(u"a -(b|c)"), q(u"AND a, AND! (AND b, OR c)OR"), kQueryAnd},
        ParseCase{"negatedBracketOfOne", false, q(u"a -(!b)"), q(u"AND a, AND b"), kQueryAnd},
        ParseCase{"nestedBracketsOfOne", false, q(u"((a b))"), q(u"AND (AND a, AND b)AND"), kQueryMixed},
        ParseCase{"strayClosingBracket", false, q(u"a) b"), q(u"AND a, AND b"), kQueryAnd},
        ParseCase{"phrase", false, q(u"\"New York\" city"), q(u"AND \"New York\", AND city"), kQueryAnd},
        ParseCase{"curlyPhrase", false, q(u"\u201Cand or\u201D x"), q(u"AND \"and or\", AND x"), kQueryAnd},
        ParseCase{"lowNinePhrase", false, q(u"\u201Ea b\u201C"), q(u"AND \"a b\""), kQueryMixed},
        ParseCase{"unclosedPhrase", false, q(u"x \"a b"), q(u"AND x, AND \"a b\""), kQueryAnd},
        ParseCase{"phraseSignsAndSpacesTrimmed", false, q(u"\"+ a b - \" x"), q(u"AND \"a b\", AND x"),
                  kQueryAnd},
        // Found by fuzzing: a group ends at the first balancing ")", also one
        // inside quotation marks, so such a phrase cannot sit in a group.
        ParseCase{"groupEndsAtBracketInsideQuotes", false, q(u"(a \")\" b)"), q(u"AND a, AND \"b)\""),
                  kQueryAnd},
        ParseCase{"quotedKeywordIsATerm", false, q(u"\"and\""), q(u"AND \"and\""), kQueryMixed},
        ParseCase{"plainBracketsDropped", false, q(u"a [b c] d"), q(u"AND a, AND d"), kQueryAnd},
        ParseCase{"plainSubstring", false, q(u"~word"), q(u"AND~ word"), kQueryMixed},
        ParseCase{"wildcardSubstring", true, q(u"~word"), q(u"AND~ *word*"), kQueryMixed},
        ParseCase{"wildcardSubstringKeepsStars", true, q(u"~*w*"), q(u"AND~ *w*"), kQueryMixed},
        ParseCase{"wildcardSubstringHalfStar", true, q(u"~*w"), q(u"AND~ **w*"), kQueryMixed},
        ParseCase{"wildcardBracketsStay", true, q(u"a[b c]d"), q(u"AND a[b c]d"), kQueryMixed},
        ParseCase{"wildcardOpenBracket", true, q(u"x a[b (c"), q(u"AND x, AND a[b (c"), kQueryAnd},
        ParseCase{"onlySigns", false, q(u"+-"), QString(), kQueryMixed},
        ParseCase{"onlySpaces", false, q(u" \t\n "), QString(), kQueryMixed},
        ParseCase{"onlyOperators", false, q(u"AND OR | &"), QString(), kQueryMixed},
        ParseCase{"operatorBeforeFirstTermStays", false, q(u"(OR a b)"), q(u"AND (OR a, AND b)AND"), kQueryMixed},
        ParseCase{"nullString", false, QString(), QString(), kQueryMixed}),
    [](const testing::TestParamInfo<ParseCase>& row) { return std::string(row.param.name); });

// The first flaw of a query written outside the language, with its place;
// the tree is the lenient one all the same.
TEST(QueryTerms, SyntaxFlawsAreKeptWithTheirPlace)
{
    struct Row
    {
        QString query;
        QuerySyntaxFlaw flaw;
        qsizetype position;
        const char* message;
    };
    const Row rows[] = {
        {QStringLiteral("("), QuerySyntaxFlaw::BracketNotClosed, 0, "the bracket ( at character 1 is not closed"},
        {QStringLiteral("a (b (c)"), QuerySyntaxFlaw::BracketNotClosed, 2, "the bracket ( at character 3 is not closed"},
        {QStringLiteral("a) b"), QuerySyntaxFlaw::BracketNotOpened, 1, "the bracket ) at character 2 closes no ("},
        {QStringLiteral("\"a b"), QuerySyntaxFlaw::QuoteNotClosed, 0, "the quotation mark \" at character 1 is not closed"},
        {QStringLiteral("AND"), QuerySyntaxFlaw::OperatorWithoutTerm, 0, "no term follows \"AND\" at character 1"},
        {QStringLiteral("NOT"), QuerySyntaxFlaw::OperatorWithoutTerm, 0, "no term follows \"NOT\" at character 1"},
        {QStringLiteral("\u00e9t\u00e9 near/2"), QuerySyntaxFlaw::OperatorWithoutTerm, 4,
         "no term follows \"near/2\" at character 5"},
        {QStringLiteral("(a OR) b"), QuerySyntaxFlaw::OperatorWithoutTerm, 3, "no term follows \"OR\" at character 4"},
        {QStringLiteral("a |"), QuerySyntaxFlaw::OperatorWithoutTerm, 2, "no term follows \"|\" at character 3"},
        {QStringLiteral("a AND ()"), QuerySyntaxFlaw::OperatorWithoutTerm, 2, "no term follows \"AND\" at character 3"},
        {QStringLiteral("NOT a AND (b OR \"c d\") -e ~f"), QuerySyntaxFlaw::None, -1, nullptr},
        {QStringLiteral("AND a"), QuerySyntaxFlaw::None, -1, nullptr},
        {QString(), QuerySyntaxFlaw::None, -1, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.query.toStdString());
        const QueryTerms terms = QueryTerms::initWithWildcard(row.query);
        EXPECT_EQ(terms.syntax().flaw, row.flaw);
        EXPECT_EQ(terms.syntax().position, row.position);
        EXPECT_EQ(querySyntaxMessage(row.query, terms.syntax()),
                  row.message ? QString::fromUtf8(row.message) : QString());
    }
    // Read past all the same: the unclosed bracket takes the rest.
    EXPECT_EQ(childrenShape(QueryTerms::initWithWildcard(QStringLiteral("a (b c"))),
              QStringLiteral("AND a, AND (AND b, AND c)AND"));
}

TEST(QueryTerms, DefaultOperatorAndDistanceComeFromTheCaller)
{
    const QueryTerms terms = QueryTerms::initWithString(QStringLiteral("a b NEAR c"), kQueryOr, 4);
    EXPECT_EQ(childrenShape(terms), QStringLiteral("OR a, OR b, NEAR/4 c"));
    EXPECT_EQ(terms.queryOperator(), kQueryOr);
}

TEST(QueryTerms, ProximityAndValidity)
{
    struct Row
    {
        const char* query;
        bool proximity;
        bool valid;
    };
    const Row rows[] = {{"a NEAR b", true, true}, {"a b", false, true}, {"a (b NEXT c)", true, true},
                        {"()", false, false}, {"", false, false}, {"x NEAR", false, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.query);
        const QueryTerms terms = QueryTerms::initWithString(QString::fromUtf8(row.query));
        EXPECT_EQ(terms.usesProximity(), row.proximity);
        EXPECT_EQ(terms.isValid(), row.valid);
    }
}

TEST(QueryTerms, SubstringBeforeABracketOfOneStarsTheTermInWildcardMode)
{
    const QueryTerms wildcard = QueryTerms::initWithWildcard(QStringLiteral("~(word) ~(*w*)"));
    EXPECT_EQ(childrenShape(wildcard), QStringLiteral("AND~ *word*, AND~ *w*"));
    const QueryTerms plain = QueryTerms::initWithString(QStringLiteral("~(word)"));
    EXPECT_EQ(childrenShape(plain), QStringLiteral("AND~ word"));
    EXPECT_TRUE(wildcard.matchesStringComparison(QStringLiteral("swordfish"), 1));
}

TEST(QueryTerms, QueryTermsIsTheTreeItself)
{
    const QueryTerms terms = QueryTerms::initWithString(QStringLiteral("a b"));
    const QList<QueryTerms> list = terms.queryTerms();
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(childrenShape(list.front()), childrenShape(terms));
}

TEST(QueryTerms, WorkerFactoryRefusesNull)
{
    EXPECT_FALSE(QueryTerms::queryTermsWithWildcard(QString()).has_value());
    const auto empty = QueryTerms::queryTermsWithWildcard(QStringLiteral(""));
    ASSERT_TRUE(empty.has_value());
    EXPECT_FALSE(empty->isValid());
}

// --- nesting --------------------------------------------------------------------------

QString nested(int depth, const QString& inner)
{
    return QString(depth, QLatin1Char('(')) + inner + QString(depth, QLatin1Char(')'));
}

TEST(QueryTerms, NestingUpToTheLimitParses)
{
    test::LogCapture log;
    const QueryTerms terms = QueryTerms::initWithString(nested(kMaxQueryNesting, QStringLiteral("a b")));
    EXPECT_EQ(terms.parseError(), kQueryParsed);
    EXPECT_EQ(childrenShape(terms), QStringLiteral("AND (AND a, AND b)AND"));
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(QueryTerms, DeepNestingIsAParseFailureNotAStackOverflow)
{
    struct Row
    {
        const char* name;
        QString query;
    };
    const Row rows[] = {
        {"oneTooMany", nested(kMaxQueryNesting + 1, QStringLiteral("a b"))},
        {"unclosedThousands", QString(100000, QLatin1Char('(')) + QStringLiteral("a")},
        {"balancedThousands", nested(50000, QStringLiteral("x"))},
        {"deepInsideLaterGroup", QStringLiteral("a (b c) ") + nested(3000, QStringLiteral("d e"))},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const bool wildcard : {false, true}) {
            test::LogCapture log;
            const QueryTerms terms =
                wildcard ? QueryTerms::initWithWildcard(row.query) : QueryTerms::initWithString(row.query);
            EXPECT_EQ(terms.parseError(), kQueryNestedTooDeeply);
            EXPECT_FALSE(terms.isValid());
            ASSERT_EQ(log.lines().size(), 1);
            EXPECT_TRUE(log.lines().front().startsWith(QStringLiteral("WARNING: ")));
        }
        test::LogCapture log;
        EXPECT_FALSE(QueryTerms::queryTermsWithWildcard(row.query).has_value());
    }
}

TEST(QueryTerms, ManyClosingBracketsAreSeparators)
{
    const QueryTerms terms = QueryTerms::initWithString(QString(100000, QLatin1Char(')')) + QStringLiteral("a"));
    EXPECT_EQ(terms.parseError(), kQueryParsed);
    EXPECT_EQ(childrenShape(terms), QStringLiteral("AND a"));
}

} // namespace
} // namespace sorvant
