#include "search/wildcard_search.h"

#include "search/query_rendering.h"
#include "search/query_terms.h"
#include "search/wildcard_patterns.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

class WildcardSearchTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { initSeparatorsAndTables(); }
};

TEST_F(WildcardSearchTest, Contains)
{
    EXPECT_TRUE(containsAnyWildcard("dolor sit", {"x*", "s?t"}, 0, 1));
    EXPECT_FALSE(containsAnyWildcard("dolor sit", {"x*", "S?T"}, 0, 1));
    EXPECT_TRUE(containsAnyWildcard("dolor sit", {"S?T"}, 1, 1));
    EXPECT_FALSE(containsAnyWildcard("", {"*"}, 0, 1));
    EXPECT_FALSE(containsAnyWildcard("dolor", {}, 0, 1));
}

TEST_F(WildcardSearchTest, WordsAsOnePhrase)
{
    EXPECT_EQ(rangeOfWildcardWords("lorem dolor, sit", {"dolor", "s*"}, 0, 1), (Range{6, 10}));
    EXPECT_EQ(rangeOfWildcardWords("dolor amet sit", {"dolor", "sit"}, 0, 1), kMissingRange);
    EXPECT_EQ(rangeOfWildcardWords("sit dolor sit", {"sit"}, {1, 12}, 0, 1), (Range{10, 3}));
    EXPECT_EQ(rangeOfWildcardWords("dolor", {}, 0, 1), kMissingRange);
}

TEST_F(WildcardSearchTest, OnePattern)
{
    EXPECT_EQ(rangeOfWildcard("x tempor", "temp?r", 0, 1), (Range{2, 6}));
    EXPECT_EQ(rangeOfWildcard("x tempor", "", 0, 1), kMissingRange);
    EXPECT_EQ(rangeOfWildcard("x tempor", QString(), 0, 1), kMissingRange);
    EXPECT_EQ(rangeOfWildcard("tempor x tempor", "tempor", {1, 100}, 0, 1), (Range{9, 6}));
}

TEST_F(WildcardSearchTest, NextAndPreviousInRanges)
{
    struct Row
    {
        const char* name;
        Range range;
        Range next;
        Range previous;
    };
    const Row rows[] = {{"WholeText", {0, 5}, {0, 2}, {3, 2}},
                        {"LengthCutAtTheEnd", {1, 50}, {3, 2}, {3, 2}},
                        {"StartAtTheEnd", {5, 1}, kMissingRange, kMissingRange},
                        {"StartPastTheEnd", {9, 1}, kMissingRange, kMissingRange},
                        {"NegativeStart", {-1, 3}, kMissingRange, kMissingRange},
                        {"Empty", {2, 0}, kMissingRange, kMissingRange}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(findNextWildcard("ab ab", {"ab"}, row.range, 0, 1), row.next);
        EXPECT_EQ(findPreviousWildcard("ab ab", {"ab"}, row.range, 0, 1), row.previous);
    }
    EXPECT_EQ(findNextWildcard("ab ab", {"a?"}, 0, 1), (Range{0, 2}));
    EXPECT_EQ(findPreviousWildcard("ab ab", {"a?"}, 0, 1), (Range{3, 2}));
    EXPECT_EQ(findNextWildcard("", {"a?"}, 0, 1), kMissingRange);
    EXPECT_EQ(findPreviousWildcard("ab", {}, 0, 1), kMissingRange);
}

TEST_F(WildcardSearchTest, StringsMatching)
{
    EXPECT_EQ(findStringsMatchingWildcards("Apple apple APPLE", {"app*"}, 1, 1), (QStringList{"apple"}));
    EXPECT_EQ(findStringsMatchingWildcards("Apple apple APPLE", {"app*"}, 0, 1), (QStringList{"apple"}));
    EXPECT_EQ(findStringsMatchingWildcards("Apple apple Apple", {"?pple"}, 0, 1), (QStringList{"Apple", "apple"}));
    EXPECT_EQ(findStringsMatchingWildcards("beta alpha beta", {"alpha", "beta"}, 0, 1),
              (QStringList{"beta", "alpha"}));
    EXPECT_EQ(findStringsMatchingWildcards("x y", {"z"}, 0, 1), QStringList());
    EXPECT_FALSE(findStringsMatchingWildcards("", {"z"}, 0, 1));
    EXPECT_FALSE(findStringsMatchingWildcards("x", {}, 0, 1));
}

TEST_F(WildcardSearchTest, WithoutGoogleOperators)
{
    struct Row
    {
        QString text;
        QString expected;
    };
    const Row rows[] = {{"report site:example filetype:pdf 2024", "report 2024"},
                        {"  a\tb  ", "a b"},
                        {"Site:x website:y", "Site:x website:y"},
                        {"site:x", ""},
                        {"", ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        const QString answer = queryTermWithoutGoogleOperators(row.text);
        EXPECT_EQ(answer, row.expected);
        EXPECT_FALSE(answer.isNull());
    }
    EXPECT_TRUE(queryTermWithoutGoogleOperators(QString()).isNull());
}

TEST_F(WildcardSearchTest, QueryTermsParsedInWildcardMode)
{
    const QueryTerms tempor = QueryTerms::initWithWildcard("tempor");
    EXPECT_TRUE(matchesQueryTermsComparison("Tempor x", &tempor, 1));
    EXPECT_FALSE(matchesQueryTermsComparison("Tempor x", &tempor, 0));
    EXPECT_FALSE(matchesQueryTermsComparison("tempor", nullptr, 0));
    const QueryTerms notTempor = QueryTerms::initWithWildcard("x NOT tempor");
    EXPECT_FALSE(matchesQueryTermsComparison("x tempor", &notTempor, 0));
    EXPECT_TRUE(containsQueryTermsComparison("x tempor", &notTempor, 0));
    EXPECT_FALSE(containsQueryTermsComparison("tempor", nullptr, 0));

    const QList<QueryTerms> substring = queryTerms("~word");
    ASSERT_EQ(substring.size(), 1);
    EXPECT_EQ(substring[0].plusParts(), (QStringList{"*word*"}));
    EXPECT_TRUE(queryTerms(QString()).isEmpty());
    {
        test::LogCapture log;
        EXPECT_TRUE(queryTerms(QString(300, u'(') + "a").isEmpty());
        EXPECT_EQ(log.lines().size(), 1);
    }

    // Brackets stay inside wildcard terms, where the plain parser drops them.
    EXPECT_EQ(plusWildcardString("a[bc]d -e f"), "a[bc]d f");
    EXPECT_EQ(plusString("a[bc]d -e f"), "a d f");
    EXPECT_EQ(plusWildcardParts("a[bc]d -e f"), (QStringList{"a[bc]d", "f"}));
    EXPECT_EQ(plusWildcardWords("a[bc]d \"g h\""), (QStringList{"a[bc]d", "g", "h"}));
    ASSERT_EQ(plusWildcardTerms("a -b c").size(), 2);
    EXPECT_EQ(minusWildcards("a -b"), (QStringList{"b"}));
    EXPECT_EQ(plusWildcards("a[xy]"), (QStringList{"a[xy]"}));
    EXPECT_TRUE(extendedPlusWildcards("a b").has_value());
    EXPECT_EQ(standardizedWildcardQueryTerm("a NEAR b"), "a b");
    EXPECT_EQ(normalizedWildcardQueryTerm("x NEXT y"), "x BEFORE/1 y");
    EXPECT_EQ(wildcardQueryTermsForOperators("a -b", 0x4008), (QStringList{"+a -b"}));
}

} // namespace
} // namespace sorvant
