#include "search/fast_word_enumerator.h"

#include "foundation/separators.h"
#include "search/wildcard_patterns.h"
#include "tests/search/word_index_test_support.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

using test::indexOf;

const QString kLorem = QStringLiteral("Lorem ipsum dolor, sit amet tempor invidunt ut labore temporal");

TEST(WordWildcardSearch, ContainsAnyWildcard)
{
    const auto e = indexOf(kLorem);
    EXPECT_TRUE(e->containsAnyWildcard({QStringLiteral("zz*"), QStringLiteral("tempor*")}, e->length(), 0, 1));
    EXPECT_FALSE(e->containsAnyWildcard({QStringLiteral("TEMPOR")}, e->length(), 0, 1));
    EXPECT_TRUE(e->containsAnyWildcard({QStringLiteral("TEMPOR")}, e->length(), 1, 1));
    EXPECT_TRUE(e->containsAnyWildcard({QStringLiteral("dolor sit")}, e->length(), 0, 1));
    EXPECT_FALSE(e->containsAnyWildcard({QStringLiteral("tempor*")}, 0, 0, 1));
    EXPECT_FALSE(e->containsAnyWildcard({QStringLiteral("temporal")}, 30, 0, 1)); // beyond the length searched
    EXPECT_FALSE(e->containsAnyWildcard({}, e->length(), 0, 1));
    EXPECT_FALSE(e->containsAnyWildcard({QString()}, e->length(), 0, 1));
}

TEST(WordWildcardSearch, NextWildcardTakesTheEarliestHit)
{
    const auto e = indexOf(kLorem);
    const Range all{0, e->length()};
    EXPECT_EQ(e->rangeOfNextWildcard({QStringLiteral("labor?"), QStringLiteral("*psum")}, all, 0, 1), (Range{6, 5}));
    // Both wildcards first match "tempor": the first wildcard keeps it.
    const Range hit = e->rangeOfNextWildcard({QStringLiteral("tempor"), QStringLiteral("t?mpor")}, all, 0, 1);
    EXPECT_EQ(hit, (Range{28, 6}));
    EXPECT_EQ(e->rangeOfNextWildcard({QStringLiteral("tempor*")}, Range{29, 40}, 0, 1), (Range{54, 8}));
    EXPECT_EQ(e->rangeOfNextWildcard({QStringLiteral("nothing")}, all, 0, 1), kMissingRange);
    EXPECT_EQ(e->rangeOfNextWildcard({QStringLiteral("tempor")}, Range{e->length(), 1}, 0, 1), kMissingRange);
}

TEST(WordWildcardSearch, PreviousWildcardTakesTheLatestHit)
{
    const auto e = indexOf(kLorem);
    const Range all{0, e->length()};
    EXPECT_EQ(e->rangeOfPreviousWildcard({QStringLiteral("tempor*")}, all, 0, 1), (Range{54, 8}));
    EXPECT_EQ(e->rangeOfPreviousWildcard({QStringLiteral("tempor*"), QStringLiteral("ipsum")}, all, 0, 1),
              (Range{54, 8}));
    EXPECT_EQ(e->rangeOfPreviousWildcard({QStringLiteral("ipsum"), QStringLiteral("ut")}, all, 0, 1), (Range{44, 2}));
    EXPECT_EQ(e->rangeOfPreviousWildcard({QStringLiteral("tempor*")}, Range{0, 50}, 0, 1), (Range{28, 6}));
}

TEST(WordWildcardSearch, FuzzyAndDiacriticComparisons)
{
    const auto e = indexOf(QStringLiteral("x tempor \u00DCber"));
    const Range all{0, e->length()};
    EXPECT_EQ(e->rangeOfNextWildcard({QStringLiteral("temper")}, all, 5, 1), (Range{2, 6}));
    EXPECT_EQ(e->rangeOfNextWildcard({QStringLiteral("temper")}, all, 1, 1), kMissingRange);
    EXPECT_EQ(e->rangeOfNextWildcard({QStringLiteral("uber")}, all, 3, 1), (Range{9, 4}));
    EXPECT_EQ(e->rangeOfNextWildcard({QStringLiteral("Uber")}, all, 2, 1), (Range{9, 4}));
    EXPECT_EQ(e->rangeOfNextWildcard({QStringLiteral("uber")}, all, 2, 1), kMissingRange);
}

TEST(WordWildcardSearch, SymbolsRemovedFromTheSeparatorsJoinWords)
{
    EXPECT_EQ(indexOf(QStringLiteral("a#b"))->numberOfWords(), 2);
    removeSymbolsFromWordSeparators(QStringLiteral("#"));
    const auto plain = indexOf(QStringLiteral("a#b"));
    const auto wildcard = FastWordEnumerator::enumeratorWithString(QStringLiteral("a#b c"), false, true);
    // Put "#" back for the other tests of this process.
    bitmapAdd(defaultWordSeparators(), u'#');
    bitmapAdd(defaultWildcardSeparators(), u'#');
    EXPECT_EQ(plain->numberOfWords(), 1);
    ASSERT_TRUE(wildcard);
    EXPECT_EQ(wildcard->numberOfWords(), 2);
    EXPECT_EQ(wildcard->rangeOfWordAtIndex(1), (Range{0, 3}));
}

} // namespace
} // namespace sorvant
