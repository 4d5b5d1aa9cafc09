#include "search/fast_word_enumerator.h"


#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace sorvant {
namespace {

std::string flagsOf(const FastWordEnumerator& e)
{
    std::string flags;
    for (qsizetype i = 0; i < e.length(); ++i)
        flags += char('0' + e.typeAtIndex(i));
    return flags;
}

// Every non-separator unit lies in exactly one word that begins with flag 2
// and ends with flag 4; separators carry exactly 1; the word count matches.
void expectConsistentIndex(const FastWordEnumerator& e)
{
    bool inWord = false;
    qsizetype beginnings = 0;
    for (qsizetype i = 0; i < e.length(); ++i) {
        SCOPED_TRACE(i);
        const std::uint8_t flag = e.typeAtIndex(i);
        if (flag & kWordSeparatorFlag) {
            EXPECT_EQ(flag, kWordSeparatorFlag);
            EXPECT_FALSE(inWord);
            continue;
        }
        EXPECT_EQ(bool(flag & kWordBeginningFlag), !inWord);
        beginnings += (flag & kWordBeginningFlag) ? 1 : 0;
        inWord = !(flag & kWordEndFlag);
    }
    EXPECT_FALSE(inWord);
    EXPECT_EQ(beginnings, e.numberOfWords());
}

struct ScanCase
{
    const char* name;
    QString text;
    bool wildcard;
    std::string flags;
    qsizetype words;
};
void PrintTo(const ScanCase& row, std::ostream* out) { test::printRowName(row, out); }

class WordScan : public testing::TestWithParam<ScanCase> {};

TEST_P(WordScan, Flags)
{
    const ScanCase& row = GetParam();
    const auto e = FastWordEnumerator::enumeratorWithString(row.text, false, row.wildcard);
    ASSERT_TRUE(e);
    EXPECT_EQ(flagsOf(*e), row.flags);
    EXPECT_EQ(e->numberOfWords(), row.words);
    EXPECT_EQ(e->isWildcard(), row.wildcard);
    expectConsistentIndex(*e);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WordScan,
    testing::Values(ScanCase{"separatorsOnly", QStringLiteral("  ,;"), false, "1111", 0},
                    ScanCase{"oneUnit", QStringLiteral("a"), false, "6", 1},
                    ScanCase{"twoWords", QStringLiteral("ab cd"), false, "24124", 2},
                    ScanCase{"apostrophe", QStringLiteral("don't"), false, "20416", 2},
                    ScanCase{"hyphen", QStringLiteral("x-ray"), false, "61204", 2},
                    ScanCase{"digits", QStringLiteral("2024"), false, "2004", 1},
                    ScanCase{"edgesAreSeparators", QStringLiteral(".a."), false, "161", 1},
                    ScanCase{"bracketKeepsSeparators", QStringLiteral("a[-,]b"), true, "200004", 1},
                    ScanCase{"emptyBrackets", QStringLiteral("[]x"), true, "204", 1},
                    ScanCase{"emptyBracketsThenSpace", QStringLiteral("[] x"), true, "2416", 2},
                    ScanCase{"unclosedBracket", QStringLiteral("ab[c d"), true, "200004", 1},
                    ScanCase{"bracketAtEnd", QStringLiteral("a ["), true, "616", 2},
                    ScanCase{"starsWildcard", QStringLiteral("a*b?"), true, "2004", 1},
                    ScanCase{"starsPlain", QStringLiteral("a*b?"), false, "6161", 2},
                    ScanCase{"bracketsPlain", QStringLiteral("a[-,]b"), false, "611116", 2}),
    [](const testing::TestParamInfo<ScanCase>& row) { return std::string(row.param.name); });

TEST(FastWordEnumerator, EmptyTextsHaveNoEnumerator)
{
    EXPECT_FALSE(FastWordEnumerator::enumeratorWithString(QString()));
    EXPECT_FALSE(FastWordEnumerator::enumeratorWithString(QStringLiteral(""), true, true));
    EXPECT_FALSE(FastWordEnumerator::enumeratorWithCharacters(nullptr, 3, false));
    EXPECT_FALSE(FastWordEnumerator::enumeratorWithCharacters(u"ab", 0, false));
    EXPECT_FALSE(FastWordEnumerator::enumeratorWithCharactersNoCopy(nullptr, 2, false));
}

TEST(FastWordEnumerator, CaseSensitiveStringIsBorrowed)
{
    const QString text = QString::fromUtf8("borrow me");
    const auto e = FastWordEnumerator::enumeratorWithString(text);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->characters(), reinterpret_cast<const unichar*>(text.constData()));
    EXPECT_EQ(e->string(), text);
}

TEST(FastWordEnumerator, CaseInsensitiveFoldsThroughTheUpperTable)
{
    const QString text = QStringLiteral("Stra\u00DFe \u00E9t\u00E9");
    const auto e = FastWordEnumerator::enumeratorWithString(text, true, false);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->substringWithRange({0, 6}), QStringLiteral("STRA\u00DFE"));
    EXPECT_EQ(e->substringWithRange({7, 3}), QStringLiteral("\u00C9T\u00C9"));
    EXPECT_EQ(e->string(), text);
    EXPECT_EQ(e->lowercaseSubstringWithRange({0, 6}), QStringLiteral("stra\u00DFe"));
    EXPECT_EQ(flagsOf(*e), "2000041204");

    const auto fromUnits = FastWordEnumerator::enumeratorWithCharacters(u"aB", 2, true);
    ASSERT_TRUE(fromUnits);
    EXPECT_EQ(fromUnits->substringWithRange({0, 2}), QStringLiteral("AB"));
    EXPECT_TRUE(fromUnits->string().isNull());
}

TEST(FastWordEnumerator, NoCopyIndexesTheCallersUnits)
{
    unichar borrowed[] = {u'a', u' ', u'b'};
    const auto e = FastWordEnumerator::enumeratorWithCharactersNoCopy(borrowed, 3, false);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->characters(), borrowed);
    EXPECT_EQ(flagsOf(*e), "616");
    EXPECT_FALSE(e->isWildcard());

    auto* owned = static_cast<unichar*>(std::malloc(2 * sizeof(unichar)));
    owned[0] = u'x';
    owned[1] = u'y';
    const auto adopting = FastWordEnumerator::enumeratorWithCharactersNoCopy(owned, 2, true);
    ASSERT_TRUE(adopting);
    EXPECT_EQ(flagsOf(*adopting), "24"); // freed with the enumerator
}

TEST(FastWordEnumerator, SubstringsOutsideTheTextAreNull)
{
    const auto e = FastWordEnumerator::enumeratorWithString(QStringLiteral("abc"));
    ASSERT_TRUE(e);
    for (Range range : {Range{0, 0}, Range{2, 2}, Range{3, 1}, Range{-1, 2}, Range{NSNotFound, 0}}) {
        SCOPED_TRACE(range.location);
        EXPECT_TRUE(e->substringWithRange(range).isNull());
        EXPECT_TRUE(e->uppercaseSubstringWithRange(range).isNull());
    }
    EXPECT_EQ(e->uppercaseSubstringWithRange({1, 2}), QStringLiteral("BC"));
}

TEST(FastWordEnumerator, FlagQueriesStopAtTheTextLimits)
{
    const auto e = FastWordEnumerator::enumeratorWithString(QStringLiteral("ab c"));
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->isWordBeginningAtIndex(0));
    EXPECT_TRUE(e->isWordEndAtIndex(1));
    EXPECT_TRUE(e->isWordSeparatorAtIndex(2));
    EXPECT_TRUE(e->isWordAnchoredAtIndex(3));
    EXPECT_FALSE(e->isWordAnchoredAtIndex(2));
    EXPECT_EQ(e->typeAtIndex(4), 0);
    EXPECT_EQ(e->typeAtIndex(-1), 0);
    EXPECT_FALSE(e->isWordEndBeforeIndex(0));
    EXPECT_TRUE(e->isWordEndBeforeIndex(2));
    EXPECT_TRUE(e->isWordEndBeforeIndex(4));
    EXPECT_FALSE(e->isWordEndBeforeIndex(5));
    EXPECT_TRUE(e->containsSeparatorInRange({1, 100}));
    EXPECT_FALSE(e->containsSeparatorInRange({0, 2}));
    EXPECT_FALSE(e->containsSeparatorInRange({2, 0}));
    EXPECT_FALSE(e->containsSeparatorInRange({4, 1}));
}

TEST(FastWordEnumerator, NumberOfWordsOfALeastLength)
{
    const auto e = FastWordEnumerator::enumeratorWithString(QStringLiteral("a bb ccc dddd"));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->numberOfWords(0), 4);
    EXPECT_EQ(e->numberOfWords(1), 4);
    EXPECT_EQ(e->numberOfWords(3), 2);
    EXPECT_EQ(e->numberOfWords(5), 0);
}

TEST(FastWordEnumerator, SetCharactersRetargetsAndInvalidateEmpties)
{
    auto e = FastWordEnumerator::enumeratorWithString(QStringLiteral("one"));
    ASSERT_TRUE(e);
    auto* owned = static_cast<unichar*>(std::malloc(3 * sizeof(unichar)));
    std::memcpy(owned, u"x y", 3 * sizeof(unichar));
    e->setCharacters(owned, 3, true);
    EXPECT_EQ(flagsOf(*e), "616");
    EXPECT_TRUE(e->string().isNull());
    e->setCharacters(owned, 3, true); // same buffer: nothing happens
    EXPECT_EQ(e->characters(), owned);
    e->setCharacters(nullptr, 0, false);
    EXPECT_EQ(e->length(), 0);
    EXPECT_EQ(e->numberOfWords(), 0);
    EXPECT_FALSE(e->isWordBeginningAtIndex(0));

    unichar borrowed[] = {u'a', u'b'};
    e->setCharacters(borrowed, 2, false);
    EXPECT_EQ(flagsOf(*e), "24");
    e->invalidate();
    EXPECT_EQ(e->length(), 0);
    EXPECT_EQ(e->characters(), nullptr);
}

// --- Asian splitting ---------------------------------------------------------------

class AsianSplitting : public testing::Test
{
protected:
    void TearDown() override { FastWordEnumerator::setSplitAsianWords(false); }
};

TEST_F(AsianSplitting, JapaneseRunIsCutOnlyWhenSwitchedOn)
{
    const QString text = QStringLiteral("\u79C1\u306F\u65E5\u672C\u8A9E\u3092\u8A71\u3057\u307E\u3059");
    FastWordEnumerator::setSplitAsianWords(false);
    const auto whole = FastWordEnumerator::enumeratorWithString(text);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->numberOfWords(), 1);

    FastWordEnumerator::setSplitAsianWords(true);
    EXPECT_EQ(whole->numberOfWords(), 1); // built indexes stay as they are
    const auto split = FastWordEnumerator::enumeratorWithString(text);
    ASSERT_TRUE(split);
    EXPECT_GT(split->numberOfWords(), 2);
    expectConsistentIndex(*split);
}

TEST_F(AsianSplitting, LatinAndDigitsKeepTheirRules)
{
    FastWordEnumerator::setSplitAsianWords(true);
    for (const QString& text :
         {QStringLiteral("ABC\u65E5\u672C"), QStringLiteral("2024\u5E74"), QStringLiteral("\u6771\u4EAC2024\u5E7411"),
          QStringLiteral("x \u65E5\u672C\u8A9E\u306E\u30C6\u30AD\u30B9\u30C8, abc"), QStringLiteral("hello world")}) {
        SCOPED_TRACE(text.toStdString());
        const auto e = FastWordEnumerator::enumeratorWithString(text, true, false);
        ASSERT_TRUE(e);
        expectConsistentIndex(*e);
    }
    // Letters next to ideographs are cut where the tokenizer puts a limit.
    const auto mixed = FastWordEnumerator::enumeratorWithString(QStringLiteral("ABC\u65E5\u672C"));
    ASSERT_TRUE(mixed);
    EXPECT_TRUE(mixed->isWordBeginningAtIndex(3));
    EXPECT_TRUE(mixed->isWordEndAtIndex(2));
    // Latin text without Asian units is never touched.
    const auto latin = FastWordEnumerator::enumeratorWithString(QStringLiteral("hello world"));
    ASSERT_TRUE(latin);
    EXPECT_EQ(flagsOf(*latin), "20004120004");
}

TEST_F(AsianSplitting, DigitTokensStayJoinedToTheirNeighbours)
{
    FastWordEnumerator::setSplitAsianWords(true);
    const auto e = FastWordEnumerator::enumeratorWithString(QStringLiteral("2024\u5E74"));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->numberOfWords(), 1);
    EXPECT_EQ(flagsOf(*e), "20004");
}

TEST_F(AsianSplitting, ThreadsBuildTheSameIndexes)
{
    FastWordEnumerator::setSplitAsianWords(true);
    const QString text = QStringLiteral("\u79C1\u306F\u6771\u4EAC\u3067\u65E5\u672C\u8A9E\u3092\u52C9\u5F37\u3057\u307E\u3059");
    const auto reference = FastWordEnumerator::enumeratorWithString(text);
    ASSERT_TRUE(reference);
    const std::string expected = flagsOf(*reference);
    std::vector<std::string> results(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < results.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                const auto e = FastWordEnumerator::enumeratorWithString(text);
                results[t] = e ? flagsOf(*e) : std::string();
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (const std::string& result : results)
        EXPECT_EQ(result, expected);
}

} // namespace
} // namespace sorvant
