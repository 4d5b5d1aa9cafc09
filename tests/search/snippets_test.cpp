#include "search/snippets.h"

#include "foundation/separators.h"
#include "search/fast_word_enumerator.h"
#include "search/query_terms.h"
#include "search/wildcard_patterns.h"

#include <gtest/gtest.h>

#include <vector>

namespace sorvant {
namespace {

// A separator set of exactly the given units.
class Bitmap
{
public:
    explicit Bitmap(const QString& units)
        : m_bits(8192, 0)
    {
        for (const QChar unit : units)
            bitmapAdd(m_bits.data(), unit.unicode());
    }
    [[nodiscard]] const CharacterSetBitmap* get() const { return m_bits.data(); }

private:
    std::vector<CharacterSetBitmap> m_bits;
};

class SnippetsTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { initSeparatorsAndTables(); }

    static SnippetOptions sentences(qsizetype maximum, bool onlyOccurrences = true)
    {
        SnippetOptions options;
        options.separators = defaultSentenceSeparators();
        options.ellipsizeAfterNCharacters = maximum;
        options.onlyOccurrences = onlyOccurrences;
        return options;
    }
};

TEST_F(SnippetsTest, ShortTextComesBackWholeUnlessOnlyOccurrences)
{
    const QString text = "a b. c d.";
    const QString whole = assembleOccurrencesOfString(text, "c", sentences(40, false));
    EXPECT_EQ(whole, text);
    EXPECT_TRUE(whole.isSharedWith(text));
    EXPECT_EQ(assembleOccurrencesOfString(text, "c", sentences(40)), " c d");
    EXPECT_EQ(assembleOccurrencesOfWildcards(text, {"c"}, sentences(40)), "c d");
}

TEST_F(SnippetsTest, NoHit)
{
    const QString text = "Lorem ipsum dolor sit amet, consectetur adipiscing elit";
    EXPECT_TRUE(assembleOccurrencesOfString(text, "zzz", sentences(20)).isNull());
    EXPECT_TRUE(assembleOccurrencesOfWildcards(text, {"zzz"}, sentences(20)).isNull());
    // The word-boundary cut would look past the maximum; the fallback stays within it.
    EXPECT_EQ(assembleOccurrencesOfString(text, "zzz", sentences(20, false)), "Lorem ipsum dolor...");
    EXPECT_EQ(assembleOccurrencesOfWildcards(text, {}, sentences(30, false)), "Lorem ipsum dolor sit amet,...");
    EXPECT_EQ(assembleOccurrencesOfString(text, "", sentences(0, false)), text);
}

TEST_F(SnippetsTest, UnusableInput)
{
    SnippetOptions options = sentences(10, false);
    EXPECT_TRUE(assembleOccurrencesOfString("", "a", options).isNull());
    EXPECT_TRUE(assembleOccurrencesOfWildcards(QString(), {"a"}, options).isNull());
    options.separators = nullptr;
    EXPECT_TRUE(assembleOccurrencesOfString("a long text with a", "a", options).isNull());
}

struct SnippetCase
{
    const char* name;
    QString text;
    QStringList wildcards;
    qsizetype maximum;
    QString separator;
    QString expected;
};
void PrintTo(const SnippetCase& row, std::ostream* out) { test::printRowName(row, out); }

class Snippet : public SnippetsTest, public testing::WithParamInterface<SnippetCase> {};

TEST_P(Snippet, AroundHits)
{
    const SnippetCase& row = GetParam();
    SnippetOptions options = sentences(row.maximum);
    options.separator = row.separator;
    EXPECT_EQ(assembleOccurrencesOfWildcards(row.text, row.wildcards, options), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Snippet,
    testing::Values(
        SnippetCase{"TwoHitsInOneSentenceOnePiece", "One cat and another cat. Dogs bark.", {"cat"}, 0, {},
                    "One cat and another cat"},
        SnippetCase{"RepeatedSentenceOnce", "Big cat. Big cat. Small cat.", {"cat"}, 0, {}, "Big cat Small cat"},
        SnippetCase{"SeparatorBetweenPieces", "Big cat. Small cat.", {"cat"}, 0, " | ", "Big cat | Small cat"},
        SnippetCase{"PieceCutAtTheHit",
                    "Alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi omicron target "
                    "word here. More target.",
                    {"target"}, 40, {}, "kappa lambda mu nu xi omicron target..."},
        SnippetCase{"PieceCutFromItsStart", "Alpha target beta gamma delta epsilon zeta eta theta.", {"target"},
                    20, {}, "Alpha target beta..."},
        SnippetCase{"HitLongerThanTheRoom", "Supercalifragilistic word.", {"Super*"}, 10, {}, "Superca..."},
        SnippetCase{"SecondPieceCut", "A cat sat. The other cat ran away fast.", {"cat"}, 24, {},
                    "A cat sat other cat..."},
        SnippetCase{"NothingFollowsAFullSnippet", "A cat sat. Two cats. Three cats.", {"cat*"}, 18, {},
                    "A cat sat Two cats"}),
    [](const testing::TestParamInfo<SnippetCase>& row) { return row.param.name; });

TEST_F(SnippetsTest, SingleWords)
{
    SnippetOptions options;
    options.separators = defaultWordSeparators();
    options.onlyOccurrences = true;
    EXPECT_TRUE(assembleOccurrencesOfWildcards("cat dog cat", {"cat"}, options).isNull());
    options.singleWords = true;
    EXPECT_EQ(assembleOccurrencesOfWildcards("cat dog cat", {"cat"}, options), "cat");
}

TEST_F(SnippetsTest, StringPiecesReachTheSeparators)
{
    SnippetOptions options = sentences(0);
    EXPECT_EQ(assembleOccurrencesOfString("Hello world. Foo bar baz.", "BAR", options), QString());
    options.comparison = 1;
    EXPECT_EQ(assembleOccurrencesOfString("Hello world. Foo bar baz.", "BAR", options), " Foo bar baz");
    // A hit with nothing around it before the separators is no piece.
    EXPECT_TRUE(assembleOccurrencesOfString("bar. x", "bar", options).isNull());
}

bool skipFirst(const FastWordEnumerator&, qsizetype location, qsizetype, void* context)
{
    ++*static_cast<int*>(context);
    return location > 0;
}

TEST_F(SnippetsTest, HandlerSkipsHits)
{
    int calls = 0;
    SnippetOptions options = sentences(0);
    options.handler = skipFirst;
    options.context = &calls;
    EXPECT_EQ(assembleOccurrencesOfWildcards("cat one. cat two.", {"cat"}, options), "cat two");
    EXPECT_EQ(calls, 2);
}

// Regression: the cut piece and its "..." once ran past the maximum, and a
// piece cut to end at its hit grew backwards to a word beginning.
TEST_F(SnippetsTest, NeverLongerThanTheMaximum)
{
    const QString text = "Lorem ipsum dolor sit amet, consectetur adipiscing elit. Sed do eiusmod tempor "
                         "incididunt ut labore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud "
                         "exercitation ullamco laboris nisi ut aliquip ex ea commodo consequat.";
    for (qsizetype maximum = 1; maximum <= 120; ++maximum) {
        SCOPED_TRACE(maximum);
        for (const bool only : {false, true}) {
            SnippetOptions options = sentences(maximum, only);
            options.separator = " / ";
            EXPECT_LE(assembleOccurrencesOfWildcards(text, {"*o*"}, options).size(), maximum);
            EXPECT_LE(assembleOccurrencesOfWildcards(text, {"consequat"}, options).size(), maximum);
            EXPECT_LE(assembleOccurrencesOfString(text, "ut", options).size(), maximum);
            EXPECT_LE(assembleOccurrencesOfString(text, "zzz", options).size(), maximum);
        }
    }
}

OccurrenceOptions recordOptions(const CharacterSetBitmap* separators, qsizetype words = 0)
{
    OccurrenceOptions options;
    options.separators = separators;
    options.minEnclosingWords = words;
    return options;
}

QList<QueryTerms> wildcardQuery(const QString& query)
{
    return {QueryTerms::initWithWildcard(query)};
}

TEST_F(SnippetsTest, QueryTermSnippetFromPrimaryHits)
{
    const QString text = "A cat sat here. A dog ran there. Birds flew by. A cow stood still.";
    EXPECT_EQ(assembleOccurrencesOfQueryTerms(text, wildcardQuery("dog cow"), sentences(0)),
              "A dog ran there A cow stood still");
    // The later operand of NEAR is no primary hit: only its sentence's own
    // primary term makes a piece.
    EXPECT_EQ(assembleOccurrencesOfQueryTerms("The tempor word. Then labore.", wildcardQuery("tempor NEAR labore"),
                                              sentences(0)),
              "The tempor word");
    EXPECT_TRUE(assembleOccurrencesOfQueryTerms(text, wildcardQuery("NOT cat"), sentences(0)).isNull());
    EXPECT_TRUE(assembleOccurrencesOfQueryTerms(text, {}, sentences(0)).isNull());
    EXPECT_EQ(assembleOccurrencesOfQueryTerms(text, wildcardQuery("dog cow"), sentences(20)), "A dog ran there");
    const QString bounded = assembleOccurrencesOfQueryTerms(text, wildcardQuery("cow"), sentences(12));
    EXPECT_EQ(bounded, "A cow sto...");
}

TEST_F(SnippetsTest, QueryTermRecordsSkipHitsInsideThePreviousContext)
{
    const QString text = "cat and dog.\ncow bird.";
    const auto records =
        getOccurrencesOfQueryTerms(text, wildcardQuery("cat dog cow"), recordOptions(defaultSentenceSeparators()));
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0], (Occurrence{{0, 3}, 0, "cat and dog.", {0, 12}}));
    EXPECT_EQ(records[1].range, (Range{13, 3}));
    EXPECT_EQ(records[1].line, 1);
    EXPECT_TRUE(getOccurrencesOfQueryTerms(text, {}, recordOptions(defaultSentenceSeparators())).isEmpty());
}

// --- occurrence records ------------------------------------------------------------

TEST_F(SnippetsTest, RecordOfAWildcardHit)
{
    const auto records = getOccurrencesOfWildcards("One dog. Two cats here. Three.", {"cat*"},
                                                   recordOptions(defaultSentenceSeparators()));
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0], (Occurrence{{13, 4}, 0, "Two cats here.", {9, 14}}));
    const QVariantMap dictionary = records[0].dictionary();
    EXPECT_EQ(dictionary.keys(), (QStringList{"line", "range", "string", "strrange"}));
    EXPECT_EQ(dictionary.value("range").value<Range>(), (Range{13, 4}));
    EXPECT_EQ(dictionary.value("strrange").value<Range>(), (Range{9, 14}));
    EXPECT_EQ(dictionary.value("line").toLongLong(), 0);
    EXPECT_EQ(dictionary.value("string").toString(), "Two cats here.");
}

TEST_F(SnippetsTest, RecordContextSpansEnclosingWords)
{
    const Bitmap commas(",");
    const QString text = "zz, aa bb, cc dd ee hit ff gg, hh ii, jj";
    auto records = getOccurrencesOfWildcards(text, {"hit"}, recordOptions(commas.get()));
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].string, "cc dd ee hit ff gg,");
    EXPECT_EQ(records[0].stringRange, (Range{11, 19}));

    // Four words on either side: the context reaches over one comma each way
    // and marks that it goes on beyond it.
    records = getOccurrencesOfWildcards(text, {"hit"}, recordOptions(commas.get(), 4));
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].string, "...aa bb, cc dd ee hit ff gg, hh ii,...");
    EXPECT_EQ(records[0].stringRange, (Range{4, 33}));
}

TEST_F(SnippetsTest, LinesCountedAcrossHits)
{
    const QString text = "x\r\ny\r\nword a\nword\rb\r\n\r\nword";
    const auto records = getOccurrencesOfWildcards(text, {"word"}, recordOptions(defaultLineSeparators()));
    QList<qsizetype> lines;
    for (const Occurrence& record : records)
        lines.append(record.line);
    EXPECT_EQ(lines, (QList<qsizetype>{2, 3, 6}));
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records[0].string, "word a\n");
}

TEST_F(SnippetsTest, CarriageReturnBeforeTheHitsLineFeedCountsOnce)
{
    const auto records = getOccurrencesOfString("a\r\nb\r\nc", "\nb", recordOptions(defaultSentenceSeparators()));
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].line, 1);
}

TEST_F(SnippetsTest, RecordOfAStringHit)
{
    OccurrenceOptions options = recordOptions(defaultSentenceSeparators());
    options.comparison = 1;
    const auto records = getOccurrencesOfString("Hello world. Foo bar baz. Bar!", "bar", options);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0], (Occurrence{{17, 3}, 0, "Foo bar baz.", {13, 12}}));
    EXPECT_EQ(records[1], (Occurrence{{26, 3}, 0, "Bar!", {26, 4}}));
}

TEST_F(SnippetsTest, NoRecords)
{
    const CharacterSetBitmap* separators = defaultSentenceSeparators();
    EXPECT_TRUE(getOccurrencesOfString("abc", "", recordOptions(separators)).isEmpty());
    EXPECT_TRUE(getOccurrencesOfString("", "a", recordOptions(separators)).isEmpty());
    EXPECT_TRUE(getOccurrencesOfString("abc", "abc", recordOptions(nullptr)).isEmpty());
    EXPECT_TRUE(getOccurrencesOfWildcards("abc", {}, recordOptions(separators)).isEmpty());
    EXPECT_TRUE(getOccurrencesOfWildcards("abc", {"x*"}, recordOptions(separators)).isEmpty());
    int calls = 0;
    OccurrenceOptions options = recordOptions(separators);
    options.handler = skipFirst;
    options.context = &calls;
    EXPECT_TRUE(getOccurrencesOfWildcards("abc", {"abc"}, options).isEmpty());
    EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace sorvant
