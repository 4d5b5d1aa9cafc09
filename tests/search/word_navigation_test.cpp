#include "search/fast_word_enumerator.h"

#include "tests/search/word_index_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace sorvant {

namespace {

using test::indexOf;

TEST(WordNavigation, WordsAroundPositions)
{
    const auto e = indexOf(QStringLiteral("ab cd"));
    EXPECT_EQ(e->rangeOfWordAtIndex(0), (Range{0, 2}));
    EXPECT_EQ(e->rangeOfWordAtIndex(1), (Range{0, 2}));
    EXPECT_EQ(e->rangeOfWordAtIndex(4), (Range{3, 2}));
    EXPECT_EQ(e->rangeOfWordAtIndex(2), kMissingRange);
    EXPECT_EQ(e->rangeOfWordAtIndex(5), kMissingRange);
    EXPECT_EQ(e->rangeOfWordAtIndex(-1), kMissingRange);

    EXPECT_EQ(e->rangeOfNextWordFromIndex(2, 4), (Range{3, 2}));
    EXPECT_EQ(e->rangeOfNextWordFromIndex(1, 3), kMissingRange);
    EXPECT_EQ(e->rangeOfNextWordFromIndex(0, 100), (Range{0, 2}));
    EXPECT_EQ(e->enumerateNextWordAtIndex(1), (Range{3, 2}));
    EXPECT_EQ(e->enumerateNextWordAtIndex(4), kMissingRange);

    EXPECT_EQ(e->rangeOfPreviousWordFromIndex(2, 0), (Range{0, 2}));
    EXPECT_EQ(e->rangeOfPreviousWordFromIndex(4, 0), (Range{3, 2}));
    EXPECT_EQ(e->rangeOfPreviousWordFromIndex(3, 0), (Range{0, 2}));
    EXPECT_EQ(e->rangeOfPreviousWordFromIndex(3, 2), kMissingRange);
    EXPECT_EQ(e->rangeOfPreviousWordFromIndex(1, 2), kMissingRange);
    EXPECT_EQ(e->rangeOfPreviousWordFromIndex(5, 0), kMissingRange);

    EXPECT_EQ(e->locationOfPreviousWordFromIndex(4, 4), NSNotFound);
    EXPECT_EQ(e->locationOfPreviousWordFromIndex(4, 0), 3);
    EXPECT_EQ(e->locationOfPreviousWordFromIndex(2, 0), 0);
    EXPECT_EQ(e->locationOfPreviousWordFromIndex(5, 0), NSNotFound);
    EXPECT_EQ(e->locationOfNextWordFromIndex(1, 5), 3);
    EXPECT_EQ(e->locationOfNextWordFromIndex(1, 3), NSNotFound);
    EXPECT_EQ(e->locationOfNextWordFromIndex(4, 2), NSNotFound);
}

struct Piece
{
    qsizetype location;
    qsizetype length;
    friend bool operator==(const Piece&, const Piece&) = default;
};

std::vector<Piece> enumerate(const FastWordEnumerator& e, Range range, qsizetype* count, size_t stopAfter = 0)
{
    std::vector<Piece> pieces;
    *count = e.enumerateWordsInRange(range, [&](const FastWordEnumerator& self, qsizetype location, qsizetype length) {
        EXPECT_EQ(&self, &e);
        pieces.push_back({location, length});
        return pieces.size() == stopAfter;
    });
    return pieces;
}

TEST(WordNavigation, EnumerationCutsWordsAtTheRange)
{
    const auto e = indexOf(QStringLiteral("ab cd"));
    qsizetype count = 0;
    EXPECT_EQ(enumerate(*e, {1, 3}, &count), (std::vector<Piece>{{1, 1}, {3, 1}}));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(enumerate(*e, {0, 100}, &count), (std::vector<Piece>{{0, 2}, {3, 2}}));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(enumerate(*e, {1, 3}, &count, 1).size(), 1u);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(enumerate(*e, {5, 1}, &count).empty());
    EXPECT_EQ(count, 0);
    EXPECT_EQ(e->enumerateWordsInRange({0, 5}, nullptr, nullptr), 0);

    const auto trailing = indexOf(QStringLiteral("a, b.. "));
    EXPECT_EQ(enumerate(*trailing, {0, 7}, &count), (std::vector<Piece>{{0, 1}, {3, 1}}));
}

TEST(WordNavigation, EnumerationHandsOverSplitAsianPieces)
{
    FastWordEnumerator::setSplitAsianWords(true);
    const auto e = indexOf(QStringLiteral("ABC\u65E5\u672C x"));
    FastWordEnumerator::setSplitAsianWords(false);
    qsizetype count = 0;
    EXPECT_EQ(enumerate(*e, {0, 7}, &count), (std::vector<Piece>{{0, 3}, {3, 2}, {6, 1}}));
    EXPECT_EQ(e->stringBySeparatingWords(), QStringLiteral("ABC \u65E5\u672C x"));
    EXPECT_EQ(e->rangeOfWordAtIndex(4), (Range{3, 2}));
    EXPECT_EQ(e->rangeOfPreviousWordFromIndex(4, 0), (Range{3, 2}));
    EXPECT_EQ(e->rangeOfPreviousWordFromIndex(3, 0), (Range{0, 3}));
}

// Walking forwards with rangeOfNextWordFromIndex, backwards with
// rangeOfPreviousWordFromIndex, enumerating the whole text and asking for the
// word at every unit must all give the same words.
TEST(WordNavigation, AllWalksAgreeOnRandomTexts)
{
    std::mt19937 random(99);
    const char16_t alphabet[] = u"ab1 .-\u65E5\u672C\u8A9E\u306E";
    FastWordEnumerator::setSplitAsianWords(true);
    for (int round = 0; round < 500; ++round) {
        QString text;
        for (int i = 0, n = 1 + int(random() % 20); i < n; ++i)
            text.append(QChar(alphabet[random() % (std::size(alphabet) - 1)]));
        SCOPED_TRACE(text.toStdString());
        const auto e = FastWordEnumerator::enumeratorWithString(text);
        ASSERT_TRUE(e);

        std::vector<Range> forwards;
        for (Range word = e->enumerateNextWordAtIndex(0); !word.isMissing();
             word = e->enumerateNextWordAtIndex(word.maxRange()))
            forwards.push_back(word);
        std::vector<Range> backwards;
        for (Range word = e->rangeOfPreviousWordFromIndex(e->length() - 1, 0); !word.isMissing();
             word = e->rangeOfPreviousWordFromIndex(word.location - 1, 0))
            backwards.push_back(word);
        std::reverse(backwards.begin(), backwards.end());
        std::vector<Range> enumerated;
        e->enumerateWordsInRange(Range{0, e->length()}, [&](const FastWordEnumerator&, qsizetype location,
                                                            qsizetype length) {
            enumerated.push_back({location, length});
            return false;
        });
        EXPECT_EQ(forwards, backwards);
        EXPECT_EQ(forwards, enumerated);
        EXPECT_EQ(qsizetype(forwards.size()), e->numberOfWords());
        for (const Range& word : forwards) {
            for (qsizetype i = word.location; i < word.maxRange(); ++i)
                EXPECT_EQ(e->rangeOfWordAtIndex(i), word) << i;
        }
    }
    FastWordEnumerator::setSplitAsianWords(false);
}

struct WordListCase
{
    const char* name;
    QString text;
    qsizetype minLen;
    QStringList words;
    bool hyphenated;
};
void PrintTo(const WordListCase& row, std::ostream* out) { test::printRowName(row, out); }

class AddWords : public testing::TestWithParam<WordListCase> {};

TEST_P(AddWords, ListAndHyphenation)
{
    const auto e = indexOf(GetParam().text);
    QStringList words;
    bool hyphenated = !GetParam().hyphenated;
    e->addWordsTo(&words, GetParam().minLen, &hyphenated);
    EXPECT_EQ(words, GetParam().words);
    EXPECT_EQ(hyphenated, GetParam().hyphenated);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AddWords,
    testing::Values(
        WordListCase{"hyphens", QStringLiteral("e-mail-ready"), 1,
                     {QStringLiteral("e"), QStringLiteral("mail"), QStringLiteral("ready")}, true},
        WordListCase{"dottedLetters", QStringLiteral("U.S.A"), 1,
                     {QStringLiteral("U"), QStringLiteral("S"), QStringLiteral("A")}, true},
        WordListCase{"dottedWords", QStringLiteral("U.SA"), 1, {QStringLiteral("U"), QStringLiteral("SA")}, false},
        WordListCase{"mixedGaps", QStringLiteral("a-b.c"), 1,
                     {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}, false},
        WordListCase{"oneWord", QStringLiteral("word"), 1, {QStringLiteral("word")}, false},
        WordListCase{"leadingHyphen", QStringLiteral("-a-b"), 1, {QStringLiteral("a"), QStringLiteral("b")}, true},
        WordListCase{"leadingSpace", QStringLiteral(" a-b"), 1, {QStringLiteral("a"), QStringLiteral("b")}, false},
        WordListCase{"doubleHyphen", QStringLiteral("a--b"), 1, {QStringLiteral("a"), QStringLiteral("b")}, false},
        WordListCase{"minLength", QStringLiteral("a bb ccc"), 2, {QStringLiteral("bb"), QStringLiteral("ccc")},
                     false}),
    [](const testing::TestParamInfo<WordListCase>& row) { return std::string(row.param.name); });

TEST(WordNavigation, AddWordsToNothingOnlyClearsTheFlag)
{
    const auto e = indexOf(QStringLiteral("e-mail"));
    bool hyphenated = true;
    e->addWordsTo(nullptr, 1, &hyphenated);
    EXPECT_FALSE(hyphenated);
}

TEST(WordNavigation, SeparatingWordsKeepsUnsplitTexts)
{
    const auto e = indexOf(QStringLiteral(" ab, cd "));
    EXPECT_EQ(e->stringBySeparatingWords(), QStringLiteral(" ab, cd "));
}

struct FindCase
{
    const char* name;
    QString text;
    QString needle;
    unsigned options;
    Range range;
    bool anchored;
    Range expected;
};
void PrintTo(const FindCase& row, std::ostream* out) { test::printRowName(row, out); }

class RangeOfString : public testing::TestWithParam<FindCase> {};

TEST_P(RangeOfString, Finds)
{
    const FindCase& row = GetParam();
    const auto e = indexOf(row.text);
    EXPECT_EQ(e->rangeOfString(row.needle, row.options, row.range, row.anchored), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RangeOfString,
    testing::Values(FindCase{"anchoredSkipsInsideWord", QStringLiteral("xab ab"), QStringLiteral("ab"), 0, {0, 6}, true, {4, 2}},
                    FindCase{"anchoredNothing", QStringLiteral("xab"), QStringLiteral("ab"), 0, {0, 3}, true, kMissingRange},
                    FindCase{"plainInsideWord", QStringLiteral("xab"), QStringLiteral("ab"), 0, {0, 3}, false, {1, 2}},
                    FindCase{"anchoredAtRangeEnd", QStringLiteral("abx"), QStringLiteral("ab"), 0, {0, 2}, true, {0, 2}},
                    FindCase{"caseSensitiveMiss", QStringLiteral("x AB"), QStringLiteral("ab"), 0, {0, 4}, false, kMissingRange},
                    FindCase{"caseInsensitive", QStringLiteral("x AB"), QStringLiteral("ab"), 1, {0, 4}, false, {2, 2}},
                    FindCase{"needleLongerThanRange", QStringLiteral("abc"), QStringLiteral("abc"), 0, {0, 2}, false, kMissingRange},
                    FindCase{"rangeBeyondText", QStringLiteral("abc"), QStringLiteral("c"), 0, {2, 5}, false, kMissingRange},
                    FindCase{"emptyNeedle", QStringLiteral("abc"), QString(), 0, {0, 3}, false, kMissingRange}),
    [](const testing::TestParamInfo<FindCase>& row) { return std::string(row.param.name); });

} // namespace
} // namespace sorvant
