#include "foundation/character_counting.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

namespace sorvant {
namespace {

struct CountingCase
{
    const char* name;
    std::function<qsizetype()> call;
    qsizetype expected;
};
void PrintTo(const CountingCase& row, std::ostream* out) { test::printRowName(row, out); }

class CharacterCounting : public testing::TestWithParam<CountingCase> {};

TEST_P(CharacterCounting, Answers)
{
    EXPECT_EQ(GetParam().call(), GetParam().expected);
}

constexpr CharacterMatching kNoCase = CharacterMatching::IgnoringCase;
const QString kPath = QStringLiteral("/a/b/c");
const QString kArrows = QStringLiteral("a>b>c>d");

INSTANTIATE_TEST_SUITE_P(
    Cases, CharacterCounting,
    testing::Values(
        CountingCase{"countSlashes", [] { return countCharacter(kPath, u'/'); }, 3},
        CountingCase{"countInEmpty", [] { return countCharacter(QString(), u'/'); }, 0},
        CountingCase{"countFromStart", [] { return countCharacter(kPath, u'/', qsizetype(1)); }, 2},
        CountingCase{"countStartAtEnd", [] { return countCharacter(kPath, u'/', kPath.size()); }, 0},
        CountingCase{"countNoCase", [] { return countCharacter(u"aAbA", u'a', kNoCase); }, 3},
        CountingCase{"countNoCaseGreek", [] { return countCharacter(u"\u03a3\u03c3x", u'\u03c3', kNoCase); }, 2},
        CountingCase{"countSharpSExact", [] { return countCharacter(u"\u00dfSs", u'\u00df', kNoCase); }, 1},
        CountingCase{"findA", [] { return findCharacter(u"abc", u'a'); }, 0},
        CountingCase{"findNoCase", [] { return findCharacter(u"xA", u'a', kNoCase); }, 1},
        CountingCase{"findCaseSensitive", [] { return findCharacter(u"xA", u'a', CharacterMatching::Exact); }, NSNotFound},
        CountingCase{"findStartAtLength", [] { return findCharacter(u"abc", u'c', qsizetype(3)); }, NSNotFound},
        CountingCase{"findFromStart", [] { return findCharacter(u"abab", u'a', qsizetype(1)); }, 2},
        CountingCase{"findFromIntStart", [] { return findCharacter(u"abab", u'a', 1); }, 2},
        CountingCase{"countFromIntStart", [] { return countCharacter(u"aaa", u'a', 1); }, 2},
        CountingCase{"findLastFromIntStart", [] { return findLastCharacter(u"aba", u'a', 1); }, 2},
        CountingCase{"findOneOfFromIntStart", [] { return findOneOf(u"a#a#", u"#a", 2); }, 2},
        CountingCase{"findNoCaseFromStart", [] { return findCharacter(u"aXax", u'x', 2, kNoCase); }, 3},
        CountingCase{"findNegativeStart", [] { return findCharacter(u"abab", u'b', qsizetype(-5)); }, 1},
        CountingCase{"findInNull", [] { return findCharacter(QString(), u'a'); }, NSNotFound},
        CountingCase{"findDigitNoCaseExact", [] { return findCharacter(u"a1", u'1', kNoCase); }, 1},
        CountingCase{"findLastFrom3", [] { return findLastCharacter(kArrows, u'>', qsizetype(3)); }, 5},
        CountingCase{"findLastFrom6", [] { return findLastCharacter(kArrows, u'>', qsizetype(6)); },
                     NSNotFound},
        CountingCase{"findLastFromNegative", [] { return findLastCharacter(kArrows, u'a', qsizetype(-1)); },
                     0},
        CountingCase{"findLastNoCase", [] { return findLastCharacter(u"aAbB", u'a', kNoCase); }, 1},
        CountingCase{"findLastAtStartBoundary", [] { return findLastCharacter(u"ab", u'a', qsizetype(1)); },
                     NSNotFound},
        CountingCase{"findOneOf", [] { return findOneOf(u"a/b#c?d", u"?#"); }, 3},
        CountingCase{"findOneOfEmptySet", [] { return findOneOf(u"abc", QStringView()); }, NSNotFound},
        CountingCase{"findOneOfNoCase", [] { return findOneOf(u"xyZ", u"z", kNoCase); }, 2},
        CountingCase{"findOneOfFromStart", [] { return findOneOf(u"#a#", u"#", qsizetype(1)); }, 2},
        CountingCase{"findOneOfNone", [] { return findOneOf(u"abc", u"xyz"); }, NSNotFound}),
    [](const testing::TestParamInfo<CountingCase>& row) { return std::string(row.param.name); });

TEST(ContainsCharacter, FollowsFind)
{
    EXPECT_TRUE(containsCharacter(u"a?b", u'?'));
    EXPECT_FALSE(containsCharacter(u"aB", u'b'));
    EXPECT_TRUE(containsCharacter(u"aB", u'b', kNoCase));
    EXPECT_FALSE(containsCharacter(u"ba", u'b', qsizetype(1)));
    EXPECT_FALSE(containsCharacter(QStringView(), u'a'));
}

TEST(ContainsCharacters, NeedsEveryMaskedCharacter)
{
    EXPECT_TRUE(containsCharacters(u"a/b.c", kContainsPeriod | kContainsSlash));
    EXPECT_FALSE(containsCharacters(u"a/b", kContainsPeriod | kContainsSlash));
    EXPECT_FALSE(containsCharacters(u"abc", 0));
    EXPECT_FALSE(containsCharacters(QStringView(), kContainsAt));
    EXPECT_TRUE(containsCharacters(u".@/?;_*$", 255));
    EXPECT_FALSE(containsCharacters(u".@/?;_*$", 256 | kContainsAt));
}

// The no-case workers must agree with a plain search over texts folded
// through the upper table, for sought units that have case.
TEST(CharacterCountingNoCase, AgreesWithFoldedSearch)
{
    const std::u16string alphabet = u"aAbB\u00e9\u00c9\u03c3\u03a3\u0434\u0414/1";
    const CharsTable* upper = getUpperCharsTable();
    const CharsTable* lower = getLowerCharsTable();
    std::mt19937 random(11);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int round = 0; round < 500; ++round) {
        std::u16string text(static_cast<std::size_t>(round % 30), u' ');
        for (char16_t& c : text)
            c = alphabet[pick(random)];
        const unichar sought = alphabet[pick(random)];
        const bool hasCase = upper[sought] != lower[sought];
        qsizetype count = 0;
        qsizetype first = NSNotFound;
        qsizetype last = NSNotFound;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const bool match = hasCase ? upper[text[i]] == upper[sought] : text[i] == sought;
            if (!match)
                continue;
            ++count;
            last = static_cast<qsizetype>(i);
            if (first == NSNotFound)
                first = last;
        }
        const QStringView view(text);
        SCOPED_TRACE(round);
        EXPECT_EQ(countCharacter(view, sought, kNoCase), count);
        EXPECT_EQ(findCharacter(view, sought, kNoCase), first);
        EXPECT_EQ(findLastCharacter(view, sought, kNoCase), last);
        EXPECT_EQ(findOneOf(view, QStringView(&sought, 1), kNoCase), first);
    }
}

} // namespace
} // namespace sorvant
