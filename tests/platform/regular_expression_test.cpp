#include "platform/regular_expression.h"

#include "platform/string_encoding.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <optional>
#include <thread>
#include <utility>
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

// --- 8-bit text -------------------------------------------------------------

// The units of a set of one byte a character, and the bytes it has.
struct ByteSet
{
    std::array<char16_t, 256> units{};
    QByteArray bytes; // every byte the set has, ascending
};

std::optional<ByteSet> byteSetOf(const QByteArray& charset)
{
    const QByteArray converter = converterForCharset(charset);
    if (converter.isEmpty())
        return std::nullopt;
    ByteSet set;
    for (int b = 0; b < 256; ++b) {
        const QString unit = decodeInCharset(QByteArray(1, char(b)), converter);
        if (unit.size() == 1) {
            set.units[size_t(b)] = unit.at(0).unicode();
            set.bytes.append(char(b));
        }
    }
    return set;
}

QString decoded(const QByteArray& bytes, const ByteSet& set)
{
    QString text;
    for (const char b : bytes)
        text.append(QChar(set.units[static_cast<unsigned char>(b)]));
    return text;
}

QString statusName(RegularExpressionStatus status)
{
    return QString::number(int(status));
}

// Every match with its groups, and the status, as one line.
QString matchesSaid(RegularExpressionStatus status, const QList<RegularExpressionMatch>& matches)
{
    QString said = statusName(status) + u':';
    for (const RegularExpressionMatch& match : matches) {
        for (const Range& range : match.ranges)
            said += QStringLiteral(" %1+%2").arg(range.location).arg(range.length);
        said += u';';
    }
    return said;
}

// A text of several pieces of the byte reader, with the same snippets on
// every seam at a different offset each: a match spans the seam, starts or
// ends on it, or looks back across it.
QByteArray seamText(const ByteSet& set)
{
    // Two letters the set has above ASCII (a case pair where it has one).
    const QByteArray high = set.bytes.right(set.bytes.size() - set.bytes.indexOf(char(0xC0)));
    const QByteArray snippet = "Ab" + high.left(2) + "9\nXy" + high.mid(high.size() - 3, 2) + " end\r\nq";
    QByteArray text;
    while (text.size() < 6 * kRegexByteTextSeam)
        text += "lorem ipsum dolor " + high.mid(text.size() % high.size(), 1) + "\n";
    for (qsizetype seam = 1; seam < 6; ++seam) {
        const qsizetype at = seam * kRegexByteTextSeam - seam * 2 + 1;
        text.replace(at, snippet.size(), snippet);
    }
    return text;
}

// Every pattern with every option set, matching option and range (in
// units of `text`) finds over `text` what `read(regex, range, matching,
// handler)` finds over its bytes, with the string's ranges mapped to bytes
// by `toBytes`, and ends the same way.
template <typename Read, typename ToBytes>
void expectBytesAgreeWithString(const QString& label, const QString& text, const QList<Range>& ranges,
                                const QList<QString>& patterns, const QList<unsigned>& optionSets, Read read,
                                ToBytes toBytes)
{
    const unsigned matchingOptions[] = {0, kMatchWithTransparentBounds, kMatchWithoutAnchoringBounds,
                                        kMatchAnchored};
    for (const QString& pattern : patterns) {
        for (const unsigned options : optionSets) {
            const RegularExpression regex = RegularExpression::compile(pattern, options);
            ASSERT_TRUE(regex.isValid()) << pattern.toStdString();
            for (const unsigned matching : matchingOptions) {
                for (const Range range : ranges) {
                    SCOPED_TRACE(QStringLiteral("%1, /%2/ options %3, matching %4, range %5+%6")
                                     .arg(label, pattern)
                                     .arg(options)
                                     .arg(matching)
                                     .arg(range.location)
                                     .arg(range.length)
                                     .toStdString());
                    QList<RegularExpressionMatch> inString;
                    QList<RegularExpressionMatch> inBytes;
                    const auto status =
                        regex.enumerateMatches(text, range, matching, {}, [&](const RegularExpressionMatch& match) {
                            RegularExpressionMatch mapped;
                            for (const Range r : match.ranges)
                                mapped.ranges.append(r.isMissing() ? r : toBytes(r));
                            inString.append(mapped);
                            return false;
                        });
                    const auto bytesStatus =
                        read(regex, toBytes(range), matching, [&](const RegularExpressionMatch& match) {
                            inBytes.append(match);
                            return false;
                        });
                    ASSERT_EQ(matchesSaid(bytesStatus, inBytes), matchesSaid(status, inString));
                }
            }
        }
    }
}

// The byte reader answers what the same expression answers over the decoded
// string, across sets, options, bounds and patterns that cross the seams
// of its pieces.
TEST(RegularExpression, ByteTextAgreesWithItsDecodedString)
{
    const QByteArray charsets[] = {"ISO-8859-1", "ISO-8859-15", "windows-1252", "KOI8-R",
                                   "ISO-8859-5", "windows-1253", "ISO-8859-9"};
    const QList<QString> patterns = {
        u"Ab\\w\\w9"_qs,         u"(?<=Ab..)9\\s+X"_qs,    u"(?<![a-z ])\\w+"_qs,    u"^\\w+$"_qs,
        u"\\w$"_qs,              u"^Xy"_qs,                u"9.Xy"_qs,               u"\\bq\\w*\\b"_qs,
        u"(\\w)\\1"_qs,          u"[^\\x00-\\x7f]{2}"_qs,   u"(?i:aB\\w)"_qs,         u"d\\r?$"_qs,
        u"(?=\\w{4}9)\\w"_qs,    u"x*"_qs,                 u"end\\R"_qs,             u"(?s)Ab.*?q"_qs,
    };
    const QList<unsigned> optionSets = {
        0, kRegexCaseInsensitive, kRegexAnchorsMatchLines, kRegexDotMatchesLineSeparators,
        kRegexCaseInsensitive | kRegexAnchorsMatchLines | kRegexUseUnixLineSeparators,
        kRegexUseUnicodeWordBoundaries,
    };
    for (const QByteArray& charset : charsets) {
        const std::optional<ByteSet> set = byteSetOf(charset);
        ASSERT_TRUE(set) << charset.constData();
        const QByteArray bytes = seamText(*set);
        const QString text = decoded(bytes, *set);
        ASSERT_EQ(text.size(), bytes.size());
        // The whole text, and ranges that begin and end on seams or just by.
        const QList<Range> ranges = {{0, bytes.size()},
                                     {kRegexByteTextSeam, 2 * kRegexByteTextSeam},
                                     {3 * kRegexByteTextSeam - 5, kRegexByteTextSeam + 3},
                                     {4 * kRegexByteTextSeam - 7, bytes.size()}};
        expectBytesAgreeWithString(
            QString::fromLatin1(charset), text, ranges, patterns, optionSets,
            [&](const RegularExpression& regex, Range range, unsigned matching,
                const RegularExpression::MatchHandler& handler) {
                return regex.enumerateMatchesInBytes(bytes, set->units, range, matching, {}, handler);
            },
            [](Range range) { return range; });
    }
}

// A backtracking pattern runs out of the same steps over bytes as over
// their string (but see below): the smallest limit that lets the string's search end lets
// the bytes' end too, and one step less times both out. The stop test
// ends it the same way.
TEST(RegularExpression, ByteTextHasTheStringsLimits)
{
    const std::optional<ByteSet> set = byteSetOf("ISO-8859-1");
    ASSERT_TRUE(set);
    QByteArray bytes(2 * kRegexByteTextSeam + 100, 'x');
    bytes.replace(kRegexByteTextSeam - 10, 1, "\n");
    bytes.replace(2 * kRegexByteTextSeam + 1, 1, "\xe9");
    const QString text = decoded(bytes, *set);
    // Each costs steps of the square of the text's length. (A pattern whose
    // first character is one of a set, "x*\\d", takes ICU twice the steps
    // and the time over a text read in pieces: its search of such a text
    // tries each place twice.)
    for (const QString& pattern : {u".*\\d"_qs, u"(?<=x)x+\\x{e9}z"_qs, u"(.)*\\d"_qs}) {
        SCOPED_TRACE(pattern.toStdString());
        const RegularExpression regex = RegularExpression::compile(pattern, 0);
        const auto statuses = [&](std::int32_t stepLimit) {
            RegularExpressionLimits limits;
            limits.stepLimit = stepLimit;
            return std::pair{regex.enumerateMatches(text, {0, text.size()}, 0, limits, nullptr),
                             regex.enumerateMatchesInBytes(bytes, set->units, {0, bytes.size()}, 0, limits,
                                                           nullptr)};
        };
        std::int32_t enough = 1;
        while (enough < (1 << 16) && statuses(enough).first == kRegexTimedOut)
            enough *= 2;
        ASSERT_NE(statuses(enough).first, kRegexTimedOut);
        std::int32_t tooFew = enough / 2; // times out, or 0 when 1 was enough
        while (enough - tooFew > 1) {
            const std::int32_t middle = tooFew + (enough - tooFew) / 2;
            (statuses(middle).first == kRegexTimedOut ? tooFew : enough) = middle;
        }
        EXPECT_EQ(statuses(enough).second, statuses(enough).first);
        if (tooFew > 0) {
            EXPECT_EQ(statuses(tooFew), std::pair(kRegexTimedOut, kRegexTimedOut)) << "limit " << tooFew;
        }
        RegularExpressionLimits limits;
        limits.stepLimit = 0;
        int asked = 0;
        limits.shouldStop = [&asked] { return ++asked > 1; };
        EXPECT_EQ(regex.enumerateMatchesInBytes(bytes, set->units, {0, bytes.size()}, 0, limits, nullptr),
                  kRegexStopped);
    }
}

TEST(RegularExpression, ByteTextBoundsAndEmptyText)
{
    const std::optional<ByteSet> set = byteSetOf("ISO-8859-1");
    ASSERT_TRUE(set);
    const RegularExpression regex = RegularExpression::compile(u"\\x{e9}+"_qs, 0);
    QList<Range> seen;
    const auto collect = [&seen](const RegularExpressionMatch& match) {
        seen.append(match.range());
        return false;
    };
    EXPECT_EQ(regex.enumerateMatchesInBytes("caf\xe9\xe9", set->units, {0, 5}, 0, {}, collect), kRegexCompleted);
    EXPECT_EQ(seen, (QList<Range>{{3, 2}}));
    EXPECT_EQ(regex.enumerateMatchesInBytes("caf\xe9", set->units, {5, 0}, 0, {}, collect), kRegexFailed);
    EXPECT_EQ(regex.enumerateMatchesInBytes(QByteArrayView(), set->units, {0, 0}, 0, {}, collect),
              kRegexCompleted);
    EXPECT_EQ(RegularExpression().enumerateMatchesInBytes("a", set->units, {0, 1}, 0, {}, collect), kRegexFailed);
    EXPECT_EQ(seen.size(), 1);
}

// --- text of one or two bytes a character ------------------------------------------

// A set's table, and characters of two bytes it has that are letters.
struct DoubleByteSet
{
    QByteArray converter;
    DoubleByteUnits units;
    QList<QByteArray> letters;
};

std::optional<DoubleByteSet> doubleByteSetOf(const QByteArray& charset)
{
    DoubleByteSet set;
    set.converter = converterForCharset(charset);
    const std::optional<DoubleByteUnits> units = doubleByteUnits(set.converter);
    if (!units)
        return std::nullopt;
    set.units = *units;
    for (int pair = 0; pair < 65536 && set.letters.size() < 6; pair += 97) {
        const char16_t unit = set.units.pairs[size_t(pair)];
        if (set.units.lead[size_t(pair >> 8)] && unit != DoubleByteUnits::kReplacement && QChar(unit).isLetter())
            set.letters.append(QByteArray().append(char(pair >> 8)).append(char(pair & 0xff)));
    }
    return set;
}

// A text of several pieces with the same snippets by seams, within pieces
// and where pieces meet (every 8 seams), shifted a byte each time, so that
// characters of two bytes straddle the seams and the marks, and matches
// span them, start or end on them, or look back across them; among them a
// lead byte the next byte cannot follow, read as U+FFFD.
// `fill`: the text between the snippets: 0 a letter, "a" and " " in turn;
// 1 letters only (text of two bytes a character); 2 runs of 40 single
// bytes between letters (mostly ASCII).
QByteArray doubleByteSeamText(const DoubleByteSet& set, int fill = 0)
{
    const QList<QByteArray>& l = set.letters;
    // Its first byte a lead alone, one byte before a seam where the seam's
    // number is 5 more than a multiple of 6.
    const QByteArray snippet = l[1].left(1) + " Ab" + l[0] + l[1] + "9\nXy" + l[2] + l[2] + " end\r\nq" + l[3]
                               + l[1].left(1) + " A";
    const auto filler = [&l, fill](int i) {
        const QByteArray letter = l[size_t(i) % size_t(l.size())];
        switch (fill) {
        case 1:
            return letter;
        case 2:
            return i % 2 == 0 ? letter : QByteArray(40 - i % 7, i % 3 == 0 ? ' ' : 'a');
        default:
            return i % 3 == 0 ? letter : QByteArray(i % 3 == 1 ? "a" : " ");
        }
    };
    QByteArray text;
    for (const qsizetype seam : {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17}) {
        for (int i = 0; text.size() < seam * kRegexByteTextSeam - 6 + seam % 6; ++i)
            text += filler(i);
        text += snippet;
    }
    return text + "lorem " + l[4];
}

// The byte offset of each unit of a text, and its length last.
QList<qsizetype> unitOffsets(const QByteArray& bytes, const DoubleByteUnits& units)
{
    QList<qsizetype> offsets;
    const auto* begin = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* end = begin + bytes.size();
    for (const auto* at = begin; at < end; at += units.lengthAt(at, end))
        offsets.append(at - begin);
    offsets.append(bytes.size());
    return offsets;
}

// The reader of one or two bytes a character answers what the same
// expression answers over the decoded string, its ranges in bytes, across
// sets, options, bounds and patterns that cross the seams of its pieces, in
// text of two bytes a character, mostly single bytes, and a mix.
TEST(RegularExpression, DoubleByteTextAgreesWithItsDecodedString)
{
    const QList<QString> patterns = {
        u"Ab\\w\\w9"_qs,        u"(?<=Ab..)9\\s+X"_qs, u"(?<![a-z ])\\w+"_qs, u"^\\w+$"_qs,
        u"\\w$"_qs,             u"^Xy"_qs,             u"9.Xy"_qs,            u"\\bq\\w*\\b"_qs,
        u"(\\w)\\1"_qs,         u"[^\\x00-\\x7f]{2}"_qs, u"(?i:aB\\w)"_qs,    u"d\\r?$"_qs,
        u"(?=\\w{2}9)\\w"_qs,   u"x*"_qs,              u"end\\R"_qs,          u"(?s)Ab.*?q"_qs,
        u"(?<=\\p{L})a"_qs,     u"\\p{L}{2} "_qs,      u"\\w\\x{fffd} A"_qs,  u"(?<=\\x{fffd})\\s\\w"_qs,
    };
    const QList<unsigned> optionSets = {0, kRegexCaseInsensitive,
                                        kRegexAnchorsMatchLines | kRegexDotMatchesLineSeparators,
                                        kRegexUseUnicodeWordBoundaries};
    for (const auto& [charset, fill] : {std::pair<QByteArray, int>{"Shift_JIS", 0}, {"Big5", 0}, {"GBK", 0},
                                        {"EUC-KR", 0}, {"Shift_JIS", 1}, {"EUC-KR", 1}, {"Big5", 2}}) {
        SCOPED_TRACE(fill);
        const std::optional<DoubleByteSet> set = doubleByteSetOf(charset);
        ASSERT_TRUE(set) << charset.constData();
        ASSERT_GE(set->letters.size(), 5) << charset.constData();
        const QByteArray bytes = doubleByteSeamText(*set, fill);
        PieceDecoder decoder(set->converter.constData(), LeftOutBytes::Replace);
        QString text(1, Qt::Uninitialized);
        qsizetype used = 0;
        ASSERT_TRUE(decoder.decodeInto(bytes.constData(), bytes.size(), true, text, used));
        PieceDecoder::finishText(text, used);
        ASSERT_TRUE(text.contains(u"\uFFFD A"_qs)) << charset.constData();
        const QList<qsizetype> offsets = unitOffsets(bytes, set->units);
        ASSERT_EQ(offsets.size(), text.size() + 1) << charset.constData();
        // The whole text, and ranges by seams.
        const qsizetype units = text.size();
        const QList<Range> ranges = {{0, units}, {units / 5, units / 3}, {units - units / 6, units / 6}};
        expectBytesAgreeWithString(
            QString::fromLatin1(charset), text, ranges, patterns, optionSets,
            [&](const RegularExpression& regex, Range range, unsigned matching,
                const RegularExpression::MatchHandler& handler) {
                return regex.enumerateMatchesInDoubleBytes(bytes, set->units, range, matching, {}, handler);
            },
            [&](Range range) {
                return Range{offsets[range.location], offsets[range.maxRange()] - offsets[range.location]};
            });
    }
}

TEST(RegularExpression, DoubleByteTextBoundsAndLeftOutBytes)
{
    const std::optional<DoubleByteSet> set = doubleByteSetOf("Shift_JIS");
    ASSERT_TRUE(set);
    const RegularExpression regex = RegularExpression::compile(u"\\x{3042}+"_qs, 0);
    QList<Range> seen;
    const auto collect = [&seen](const RegularExpressionMatch& match) {
        seen.append(match.range());
        return false;
    };
    EXPECT_EQ(regex.enumerateMatchesInDoubleBytes("A\x82\xa0\x82\xa0", set->units, {0, 5}, 0, {}, collect),
              kRegexCompleted);
    EXPECT_EQ(seen, (QList<Range>{{1, 4}}));
    EXPECT_EQ(regex.enumerateMatchesInDoubleBytes("A\x82\xa0", set->units, {5, 0}, 0, {}, collect), kRegexFailed);
    EXPECT_EQ(regex.enumerateMatchesInDoubleBytes(QByteArrayView(), set->units, {0, 0}, 0, {}, collect),
              kRegexCompleted);
    EXPECT_EQ(RegularExpression().enumerateMatchesInDoubleBytes("a", set->units, {0, 1}, 0, {}, collect),
              kRegexFailed);
    EXPECT_EQ(seen.size(), 1);
    // What the set leaves out is one U+FFFD of one byte or two.
    const RegularExpression replaced = RegularExpression::compile(u"\\x{fffd}\\s?"_qs, 0);
    const struct
    {
        QByteArray bytes;
        QList<Range> ranges;
    } rows[] = {
        {"a\x81 z", {{1, 2}}},         // a trail byte the lead cannot take, read again
        {"A\x82", {{1, 1}}},           // a character cut at the end
        {"\xfd\x85\x40\x82\xa0", {{0, 1}, {1, 2}}}, // a byte and a pair the set leaves out
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.bytes.toHex(' ').toStdString());
        seen.clear();
        EXPECT_EQ(replaced.enumerateMatchesInDoubleBytes(row.bytes, set->units, {0, row.bytes.size()}, 0, {}, collect),
                  kRegexCompleted);
        EXPECT_EQ(seen, row.ranges);
    }
}

// The pass over the bytes that finds where to decode looks at the stop
// test on its way: a long text is not walked whole after a stop.
TEST(RegularExpression, DoubleByteTextSeesAStopBeforeItsBytesAreWalkedWhole)
{
    const std::optional<DoubleByteSet> set = doubleByteSetOf("Shift_JIS");
    ASSERT_TRUE(set);
    const RegularExpression regex = RegularExpression::compile(u"x"_qs, 0);
    const QByteArray bytes = QByteArray("\x82\xa0").repeated(1 << 21) + "\x82\x20";
    for (const int stopAt : {1, 3}) {
        SCOPED_TRACE(stopAt);
        int asked = 0;
        RegularExpressionLimits limits;
        limits.shouldStop = [&asked, stopAt] { return ++asked >= stopAt; };
        EXPECT_EQ(regex.enumerateMatchesInDoubleBytes(bytes, set->units, {0, bytes.size()}, 0, limits,
                                                      [](const RegularExpressionMatch&) { return false; }),
                  kRegexStopped);
        EXPECT_EQ(asked, stopAt);
    }
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
