#include "search/word_lists.h"

#include "search/fast_word_enumerator.h"

#include <gtest/gtest.h>

#include <vector>

namespace sorvant {
namespace {

TEST(WordLists, WordsAndCounts)
{
    EXPECT_EQ(wordsUsingDefaultSeparation(QStringLiteral("Hello, world!")),
              (QStringList{QStringLiteral("Hello"), QStringLiteral("world")}));
    EXPECT_TRUE(wordsUsingDefaultSeparation(QStringLiteral("")).isEmpty());
    EXPECT_TRUE(wordsUsingDefaultSeparation(QString()).isEmpty());
    EXPECT_EQ(wordsUsingDefaultSeparation(QStringLiteral("a bb ccc"), 3), QStringList{QStringLiteral("ccc")});
    EXPECT_EQ(numberOfWordsUsingDefaultSeparation(QStringLiteral("a bb ccc")), 3);
    EXPECT_EQ(numberOfWordsUsingDefaultSeparation(QStringLiteral("a bb ccc"), 2), 2);
    EXPECT_EQ(numberOfWordsUsingDefaultSeparation(QString()), 0);
}

TEST(WordLists, WordsAtPositions)
{
    const QString text = QStringLiteral("ab cd");
    EXPECT_EQ(getWordRangeAtIndex(text, 4), (Range{3, 2}));
    EXPECT_EQ(getWordRangeAtIndex(text, NSNotFound), (Range{3, 2}));
    EXPECT_EQ(getWordRangeAtIndex(text, 2), kMissingRange);
    EXPECT_EQ(getWordRangeAtIndex(text, 5), kMissingRange);
    EXPECT_EQ(getWordRangeAtIndex(QString(), 0), kMissingRange);

    const std::tuple<const char*, const char*, const char*> rows[] = {
        {" lead", "", "lead"}, {"tail.", "tail", ""}, {"one two", "one", "two"}, {"", "", ""}, {"x", "x", "x"}};
    for (const auto& [text8, first, last] : rows) {
        SCOPED_TRACE(text8);
        const QString s = QString::fromUtf8(text8);
        EXPECT_EQ(firstWord(s), QString::fromUtf8(first));
        EXPECT_EQ(lastWord(s), QString::fromUtf8(last));
        EXPECT_FALSE(firstWord(s).isNull());
    }
}

struct LinkCase
{
    const char* name;
    QString text;
    qsizetype index;
    Range expected;
};
void PrintTo(const LinkCase& row, std::ostream* out) { test::printRowName(row, out); }

class LinkRange : public testing::TestWithParam<LinkCase> {};

TEST_P(LinkRange, AroundIndex)
{
    EXPECT_EQ(getLinkRangeAtIndex(GetParam().text, GetParam().index), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LinkRange,
    testing::Values(LinkCase{"mailAtSign", QStringLiteral("mail me@x.org, now"), 7, {5, 8}},
                    LinkCase{"mailInsideAddress", QStringLiteral("mail me@x.org, now"), 10, {5, 8}},
                    LinkCase{"angleOpen", QStringLiteral("see <http://a.b/c> here"), 4, {5, 12}},
                    LinkCase{"angleInside", QStringLiteral("see <http://a.b/c> here"), 16, {5, 12}},
                    LinkCase{"leadingAtSign", QStringLiteral("@name"), 0, kMissingRange},
                    LinkCase{"mentionInParentheses", QStringLiteral("(cc @bob)"), 4, {4, 4}},
                    LinkCase{"mentionAfterQuote", QStringLiteral("\u201C@bob\u201D"), 1, {1, 4}},
                    LinkCase{"urlTrailingDot", QStringLiteral("go to www.x.org."), 8, {6, 9}},
                    LinkCase{"parenthesisKeptForUrls", QStringLiteral("a http://x/(y)"), 3, {2, 12}},
                    LinkCase{"onlyPunctuation", QStringLiteral("a ... b"), 3, kMissingRange},
                    LinkCase{"pastTheEnd", QStringLiteral("abc"), 3, kMissingRange},
                    LinkCase{"negative", QStringLiteral("abc"), -1, kMissingRange}),
    [](const testing::TestParamInfo<LinkCase>& row) { return std::string(row.param.name); });

TEST(WordLists, StringEnumerationLooksAtSeparatorsOnly)
{
    std::vector<Range> pieces;
    auto collect = [&](const QString& s, const unichar* units, qsizetype location, qsizetype length) {
        EXPECT_EQ(units, reinterpret_cast<const unichar*>(s.constData()));
        pieces.push_back({location, length});
        return false;
    };
    EXPECT_EQ(enumerateWordsInRange(QStringLiteral("a  b"), Range{0, 4}, collect), 2);
    EXPECT_EQ(pieces, (std::vector<Range>{{0, 1}, {3, 1}}));
    pieces.clear();
    EXPECT_EQ(enumerateWordsInRange(QStringLiteral("ab, cd"), Range{1, 3}, collect), 1);
    EXPECT_EQ(pieces, (std::vector<Range>{{1, 1}}));
    pieces.clear();
    EXPECT_EQ(enumerateWordsInRange(QStringLiteral("ab"), Range{1, 2}, collect), 0);
    EXPECT_EQ(enumerateWordsInRange(QString(), Range{0, 0}, collect), 0);
    EXPECT_TRUE(pieces.empty());
    EXPECT_EQ(enumerateWordsInRange(QStringLiteral("a b c"), Range{0, 5},
                                    [](const QString&, const unichar*, qsizetype, qsizetype) { return true; }),
              0);
}

TEST(WordLists, AsianSeparationAnswersTheReceiverWhenNothingChanges)
{
    const QString latin = QString::fromUtf8("plain text, nothing Asian");
    EXPECT_EQ(stringBySeparatingAsianWords(latin).constData(), latin.constData());
    EXPECT_TRUE(stringBySeparatingAsianWords(QString()).isNull());
}

TEST(WordLists, AsianSeparationAgreesWithTheWordIndex)
{
    const QString text = QStringLiteral("x \u79C1\u306F\u65E5\u672C\u8A9E\u3092\u8A71\u3057\u307E\u3059\u3002 2024\u5E74 y");
    const QString spaced = stringBySeparatingAsianWords(text);
    EXPECT_GT(spaced.size(), text.size());
    QString unspaced = spaced;
    unspaced.remove(QChar(u' '));
    QString original = text;
    original.remove(QChar(u' '));
    EXPECT_EQ(unspaced, original);

    FastWordEnumerator::setSplitAsianWords(true);
    const auto e = FastWordEnumerator::enumeratorWithString(text);
    FastWordEnumerator::setSplitAsianWords(false);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->stringBySeparatingWords(), spaced);
}

TEST(WordLists, SeparationMode)
{
    EXPECT_EQ(defaultWordSeparationMode(), 0);
    setDefaultWordSeparationMode(2);
    EXPECT_EQ(defaultWordSeparationMode(), 2);
    setDefaultWordSeparationMode(0);
}

} // namespace
} // namespace sorvant
