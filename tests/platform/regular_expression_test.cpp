#include "platform/regular_expression.h"


#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace sorvant {
namespace {

QList<Range> rangesOf(const QList<RegularExpressionMatch>& matches)
{
    QList<Range> ranges;
    for (const RegularExpressionMatch& match : matches)
        ranges.append(match.range());
    return ranges;
}

struct MatchCase
{
    const char* name;
    QString pattern;
    unsigned options;
    QString text;
    QList<Range> expected;
};
void PrintTo(const MatchCase& row, std::ostream* out) { test::printRowName(row, out); }

class RegexMatches : public testing::TestWithParam<MatchCase> {};

TEST_P(RegexMatches, FindsEveryMatch)
{
    const MatchCase& row = GetParam();
    QString error;
    const RegularExpression regex = RegularExpression::compile(row.pattern, row.options, &error);
    ASSERT_TRUE(regex.isValid()) << error.toStdString();
    EXPECT_EQ(rangesOf(regex.matchesInString(row.text)), row.expected);
}

// The options are the system's bits; a test per bit shows that each reaches
// ICU as the flag of the same meaning and not as ICU's flag of that number.
INSTANTIATE_TEST_SUITE_P(
    Table, RegexMatches,
    testing::Values(
        MatchCase{"AdjacentMatchesAllFound", "a", 0, "aaa", {{0, 1}, {1, 1}, {2, 1}}},
        MatchCase{"MatchStartingAtPreviousEnd", "ab|b", 0, "abb", {{0, 2}, {2, 1}}},
        MatchCase{"EmptyMatchesAdvanceOneUnit", "x*", 0, "ab", {{0, 0}, {1, 0}, {2, 0}}},
        MatchCase{"EmptyThenLongMatch", "b*", 0, "abb", {{0, 0}, {1, 2}, {3, 0}}},
        MatchCase{"CaseSensitiveByDefault", "A", 0, "aAa", {{1, 1}}},
        MatchCase{"CaseInsensitiveIsBitOne", "A", kRegexCaseInsensitive, "aAa", {{0, 1}, {1, 1}, {2, 1}}},
        MatchCase{"CommentsIsBitTwo", "a b # note", kRegexAllowCommentsAndWhitespace, "ab a b", {{0, 2}}},
        MatchCase{"LiteralIsBitFour", "a.b", kRegexIgnoreMetacharacters, "axb a.b", {{4, 3}}},
        MatchCase{"MetacharactersWithoutBitFour", "a.b", 0, "axb a.b", {{0, 3}, {4, 3}}},
        MatchCase{"DotStopsAtLineEnd", "a.b", 0, "a\nb", {}},
        MatchCase{"DotAllIsBitEight", "a.b", kRegexDotMatchesLineSeparators, "a\nb", {{0, 3}}},
        MatchCase{"AnchorsAtTextOnlyByDefault", "^x", 0, "x\nx", {{0, 1}}},
        MatchCase{"AnchorsMatchLinesIsBitSixteen", "^x", kRegexAnchorsMatchLines, "x\nx", {{0, 1}, {2, 1}}},
        MatchCase{"UnixLinesIsBitThirtyTwo", "^x", kRegexAnchorsMatchLines | kRegexUseUnixLineSeparators,
                  "x\rx\nx", {{0, 1}, {4, 1}}},
        MatchCase{"SupplementaryCharacterIsOneMatch", ".", 0, QString::fromUtf8("\xF0\x9F\x98\x80"), {{0, 2}}},
        MatchCase{"NoMatchInEmptyText", "a", 0, "", {}}),
    [](const testing::TestParamInfo<MatchCase>& row) { return row.param.name; });

TEST(RegularExpression, RejectsBadPatternsAndOptions)
{
    struct Row
    {
        const char* name;
        QString pattern;
        unsigned options;
    };
    const Row rows[] = {{"Null", QString(), 0},
                        {"Empty", "", 0},
                        {"Unbalanced", "(", 0},
                        {"BadSet", "[a-", 0},
                        {"UnknownBit", "a", 128}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QString error = "stale";
        const RegularExpression regex = RegularExpression::compile(row.pattern, row.options, &error);
        EXPECT_FALSE(regex.isValid());
        EXPECT_FALSE(error.isEmpty());
        EXPECT_NE(error, "stale");
        EXPECT_EQ(regex.numberOfMatches("aaa"), 0);
        EXPECT_EQ(regex.rangeOfFirstMatch("aaa"), kMissingRange);
        EXPECT_EQ(regex.enumerateMatches("aaa", {0, 3}, 0, {}, nullptr), kRegexFailed);
    }
}

// The compile error is a phrase for the user with the 1-based character
// (code point) where it was found, counted across lines; it once read
// "U_REGEX_MISSING_CLOSE_BRACKET at offset 7".
TEST(RegularExpression, PatternErrorNamesAnIcuConstantRegression)
{
    const struct
    {
        const char* name;
        QString pattern;
        QString message;
    } rows[] = {
        {"UnclosedBracket", "file-([", "a bracket [ is not closed at character 7"},
        {"UnopenedParenthesis", "a)", "the parentheses ( ) do not match at character 2"},
        {"UnclosedParenthesis", "abc(def", "the parentheses ( ) do not match at character 7"},
        {"TrailingBackslash", "a\\", "a backslash escape is not valid at character 2"},
        {"ReversedRepetition", "a{2,1}", "a repetition's maximum is less than its minimum at character 6"},
        {"BadRepetition", "a{x}", "a repetition in braces { } is not valid at character 3"},
        {"ReversedRange", "[z-a]", "a range in brackets [ ] is not valid at character 4"},
        {"UnboundedLookBehind", "(?<=a+)b", "a look-behind can match text of unlimited length at character 7"},
        {"UnknownProperty", "\\p{Foo}", "a character property name is not valid at character 7"},
        {"NestedQuantifier", "a**", "a character is out of place at character 3"},
        {"MissingGroup", "(a)(b)\\9", "a back reference names a group that does not exist at character 8"},
        {"HugeNumber", "a{99999999999}", "a number is too big at character 12"},
        {"NoPlaceGiven", "\\N{NO SUCH NAME}", "the expression is not valid"},
        // Characters, not UTF-16 units; a CR LF pair is one line break.
        {"SupplementaryCharacters", QString::fromUtf8("\xF0\x9F\x98\x80\xF0\x9F\x98\x80("),
         "the parentheses ( ) do not match at character 3"},
        {"SecondLine", "a\nb)", "the parentheses ( ) do not match at character 4"},
        {"SecondLineAfterCrLf", "a\r\nb)", "the parentheses ( ) do not match at character 5"},
        {"Empty", "", "the expression is empty"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QString error;
        EXPECT_FALSE(RegularExpression::compile(row.pattern, 0, &error).isValid());
        EXPECT_EQ(error, row.message);
    }
}

TEST(RegularExpression, CaptureGroups)
{
    const RegularExpression regex = RegularExpression::compile("(a)(x)?(b)", 0);
    EXPECT_EQ(regex.numberOfCaptureGroups(), 3);
    const auto matches = regex.matchesInString("zab");
    ASSERT_EQ(matches.size(), 1);
    EXPECT_EQ(matches[0].numberOfRanges(), 4);
    EXPECT_EQ(matches[0].rangeAtIndex(1), (Range{1, 1}));
    EXPECT_EQ(matches[0].rangeAtIndex(2), kMissingRange);
    EXPECT_EQ(matches[0].rangeAtIndex(3), (Range{2, 1}));
    EXPECT_EQ(matches[0].rangeAtIndex(9), kMissingRange);
}

TEST(RegularExpression, RangesAndBounds)
{
    const RegularExpression o = RegularExpression::compile("o", 0);
    QList<Range> seen;
    auto collect = [&seen](const RegularExpressionMatch& match) {
        seen.append(match.range());
        return false;
    };
    EXPECT_EQ(o.enumerateMatches("foo fo", {2, 100}, 0, {}, collect), kRegexCompleted);
    EXPECT_EQ(seen, (QList<Range>{{2, 1}, {5, 1}}));
    EXPECT_EQ(o.enumerateMatches("foo", {4, 0}, 0, {}, collect), kRegexFailed);
    EXPECT_EQ(o.enumerateMatches("foo", {-1, 2}, 0, {}, collect), kRegexFailed);
    EXPECT_EQ(o.rangeOfFirstMatch("foo", {3, 0}), kMissingRange);

    const RegularExpression start = RegularExpression::compile("^b", 0);
    EXPECT_EQ(start.rangeOfFirstMatch("ab", {1, 1}), (Range{1, 1}));
    EXPECT_EQ(start.rangeOfFirstMatch("ab", {1, 1}, kMatchWithoutAnchoringBounds), kMissingRange);

    const RegularExpression lookAhead = RegularExpression::compile("b(?=c)", 0);
    EXPECT_EQ(lookAhead.rangeOfFirstMatch("bc", {0, 1}), kMissingRange);
    EXPECT_EQ(lookAhead.rangeOfFirstMatch("bc", {0, 1}, kMatchWithTransparentBounds), (Range{0, 1}));

    const RegularExpression a = RegularExpression::compile("a", 0);
    EXPECT_EQ(a.numberOfMatches("aaxa", kMatchAnchored), 1);
    EXPECT_EQ(a.rangeOfFirstMatch("xa", {0, 2}, kMatchAnchored), kMissingRange);
}

TEST(RegularExpression, HandlerStops)
{
    const RegularExpression regex = RegularExpression::compile("a", 0);
    int calls = 0;
    EXPECT_EQ(regex.enumerateMatches("aaaa", {0, 4}, 0, {},
                                     [&calls](const RegularExpressionMatch&) { return ++calls == 2; }),
              kRegexHandlerStop);
    EXPECT_EQ(calls, 2);
}

// Nested quantifiers backtrack exponentially on a text that almost matches.
const QString kRunawayPattern = "(x+x+)+y";
const QString kRunawayText = QString(40, u'x');

TEST(RegularExpression, StepLimitBoundsARunawayPattern)
{
    const RegularExpression regex = RegularExpression::compile(kRunawayPattern, 0);
    RegularExpressionLimits limits;
    limits.stepLimit = 1;
    EXPECT_EQ(regex.enumerateMatches(kRunawayText, {0, kRunawayText.size()}, 0, limits, nullptr), kRegexTimedOut);
    EXPECT_TRUE(regex.matchesInString(kRunawayText, 0, limits).isEmpty());
}

TEST(RegularExpression, StopTestEndsAMatchInProgress)
{
    const RegularExpression regex = RegularExpression::compile(kRunawayPattern, 0);
    RegularExpressionLimits limits;
    limits.stepLimit = 0;
    int asked = 0;
    // Not asked to stop before the search; asked while the engine works.
    limits.shouldStop = [&asked] { return ++asked > 1; };
    EXPECT_EQ(regex.enumerateMatches(kRunawayText, {0, kRunawayText.size()}, 0, limits, nullptr), kRegexStopped);
    EXPECT_GT(asked, 1);
}

TEST(RegularExpression, StopTestBetweenMatches)
{
    const RegularExpression regex = RegularExpression::compile("a", 0);
    RegularExpressionLimits limits;
    std::atomic<bool> stop = false;
    limits.shouldStop = [&stop] { return stop.load(); };
    int calls = 0;
    EXPECT_EQ(regex.enumerateMatches("aaaa", {0, 4}, 0, limits,
                                     [&](const RegularExpressionMatch&) {
                                         stop = ++calls == 2;
                                         return false;
                                     }),
              kRegexStopped);
    EXPECT_EQ(calls, 2);
}

TEST(RegularExpression, OneExpressionOnManyThreads)
{
    const RegularExpression regex = RegularExpression::compile("b+", kRegexCaseInsensitive);
    const QString text = QString("aBbA").repeated(500);
    std::atomic<int> wrong = 0;
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            for (int round = 0; round < 20; ++round)
                wrong += regex.numberOfMatches(text) != 500;
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
}

TEST(RegularExpression, EscapedPatternMatchesLiterally)
{
    EXPECT_TRUE(RegularExpression::escapedPatternForString(QString()).isNull());
    EXPECT_EQ(RegularExpression::escapedPatternForString(""), "");
    const QString samples[] = {"a.b*", "(x|y)+[z]{2}^$\\", "tab\there # - &", "line\nend"};
    for (const QString& sample : samples) {
        SCOPED_TRACE(sample.toStdString());
        const QString text = "<" + sample + ">" + sample;
        for (unsigned options : {0u, unsigned(kRegexAllowCommentsAndWhitespace)}) {
            const RegularExpression regex =
                RegularExpression::compile(RegularExpression::escapedPatternForString(sample), options);
            ASSERT_TRUE(regex.isValid());
            EXPECT_EQ(rangesOf(regex.matchesInString(text)),
                      (QList<Range>{{1, sample.size()}, {sample.size() + 2, sample.size()}}));
        }
    }
}

} // namespace
} // namespace sorvant
