#include "foundation/substring_finding.h"

#include "platform/string_compare.h"

#include <gtest/gtest.h>

#include <vector>

namespace sorvant {
namespace {

struct Find
{
    const char* name;
    const char16_t* text;
    const char16_t* find;
    Range range;
    bool caseSensitive;
    bool forward;
    bool wrap;
    Range expected;
};
void PrintTo(const Find& row, std::ostream* out) { test::printRowName(row, out); }

class FindString : public testing::TestWithParam<Find> {};

TEST_P(FindString, Range)
{
    const Find& row = GetParam();
    const Range found = findString(QString::fromUtf16(row.text), QString::fromUtf16(row.find), row.range,
                                   row.caseSensitive, row.forward, row.wrap);
    EXPECT_EQ(found.location, row.expected.location);
    EXPECT_EQ(found.length, row.expected.length);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FindString,
    testing::Values(
        Find{"forwardAfterRange", u"abab", u"b", {1, 1}, true, true, false, {3, 1}},
        Find{"forwardAtEndNoWrap", u"abab", u"b", {3, 1}, true, true, false, kMissingRange},
        Find{"forwardWrapsToStart", u"abab", u"b", {3, 1}, true, true, true, {1, 1}},
        Find{"forwardWrapStopsAtRange", u"abxb", u"x", {2, 1}, true, true, true, kMissingRange},
        Find{"forwardIgnoringCase", u"aBaB", u"b", {0, 1}, false, true, false, {1, 1}},
        Find{"backwardNearestBefore", u"b.b.b", u"b", {4, 1}, true, false, false, {2, 1}},
        Find{"backwardWrapsToLast", u"abab", u"b", {0, 1}, true, false, true, {3, 1}},
        Find{"backwardWrapNothingAfter", u"abab", u"x", {3, 1}, true, false, true, kMissingRange},
        Find{"foldedMatchLongerThanPattern", u"x STRASSE", u"stra\u00DFe", {0, 0}, false, true, false, {2, 7}},
        Find{"foldedMatchShorterThanPattern", u"x stra\u00DFe", u"STRASSE", {0, 0}, false, true, false, {2, 6}},
        Find{"rangePastEndClipped", u"abab", u"a", {9, 9}, true, true, true, {0, 1}},
        Find{"missingRangeClipped", u"abab", u"b", kMissingRange, true, false, false, {3, 1}},
        Find{"emptyFind", u"abab", u"", {0, 0}, true, true, true, kMissingRange}),
    [](const testing::TestParamInfo<Find>& row) { return std::string(row.param.name); });

struct Contains
{
    const char* name;
    const char16_t* text;
    const char16_t* substring;
    bool caseSensitive;
    bool expected;
};
void PrintTo(const Contains& row, std::ostream* out) { test::printRowName(row, out); }

class ContainsSubstring : public testing::TestWithParam<Contains> {};

TEST_P(ContainsSubstring, Answer)
{
    const Contains& row = GetParam();
    EXPECT_EQ(containsSubstring(QString::fromUtf16(row.text), QString::fromUtf16(row.substring), row.caseSensitive),
              row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ContainsSubstring,
    testing::Values(Contains{"inside", u"abc", u"b", true, true},
                    Contains{"sameLengthEqual", u"abc", u"abc", true, true},
                    Contains{"longer", u"abc", u"abcd", true, false},
                    Contains{"emptyArgument", u"abc", u"", true, false},
                    Contains{"caseIgnored", u"Dark Aqua", u"dark", false, true},
                    Contains{"sameLengthCaseIgnored", u"DARK", u"dark", false, true},
                    Contains{"sharpSFoldsToSS", u"STRASSE", u"stra\u00DFe", false, true},
                    Contains{"sharpSNeedsCaseFolding", u"STRASSE", u"stra\u00DFe", true, false},
                    // Code units as they are: no canonical equivalence.
                    Contains{"decomposedMissesComposed", u"le caf\u00E9", u"cafe\u0301", true, false},
                    Contains{"decomposedFindsDecomposed", u"le CAFE\u0301", u"cafe\u0301", false, true}),
    [](const testing::TestParamInfo<Contains>& row) { return std::string(row.param.name); });

// Every match, walking with findNextString and walking with the platform's
// find over the whole rest of the text.
std::vector<Range> windowedMatches(const QString& text, const QString& needle, unsigned options)
{
    std::vector<Range> matches;
    for (Range r = findNextString(text, needle, 0, options); !r.isMissing();
         r = findNextString(text, needle, r.maxRange(), options))
        matches.push_back(r);
    return matches;
}

std::vector<Range> wholeRangeMatches(const QString& text, const QString& needle, unsigned options)
{
    std::vector<Range> matches;
    for (Range r = findString(text, needle, options); !r.isMissing();
         r = findString(text, needle, Range{r.maxRange(), text.size() - r.maxRange()}, options))
        matches.push_back(r);
    return matches;
}

TEST(SubstringFinding, FindNextAgreesWithTheWholeRangeFind)
{
    // Matches at every distance, so that some straddle the window ends, with
    // folds that change lengths and a composed letter that must not match
    // its base letter alone.
    QString text;
    for (int i = 0; i < 400; ++i) {
        text += QString(i * 7 % 300, u'x');
        text += (i % 3 == 0) ? QStringLiteral("STRASSE") : (i % 3 == 1) ? QStringLiteral("stra\u00DFe")
                                                                      : QStringLiteral("strasse\u0301");
    }
    for (const auto& [needle, options] :
         {std::pair{QStringLiteral("stra\u00DFe"), unsigned(kCompareCaseInsensitive)},
          std::pair{QStringLiteral("STRASSE"), unsigned(kCompareCaseInsensitive)}, std::pair{QStringLiteral("xs"), 0u},
          std::pair{QStringLiteral("e"), 0u}}) {
        SCOPED_TRACE(needle.toStdString());
        const std::vector<Range> expected = wholeRangeMatches(text, needle, options);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(windowedMatches(text, needle, options), expected);
    }
}

TEST(SubstringFinding, FindNextNeverSplitsACombiningSequence)
{
    // "e" must not match the "e" of "e" + U+0301, wherever a window ends.
    for (qsizetype k = 0; k < 1200; ++k) {
        const QString text = QString(k, u'x') + QStringLiteral("e\u0301ye");
        ASSERT_EQ(findNextString(text, u"e", 0, 0), (Range{k + 3, 1})) << "after " << k << " units";
    }
}

TEST(SubstringFinding, FindNextEdges)
{
    const QString text = QStringLiteral("a.b.b");
    EXPECT_EQ(findNextString(text, u"B", 2, kCompareCaseInsensitive), (Range{2, 1}));
    EXPECT_EQ(findNextString(text, u"b", 5, 0), kMissingRange);
    EXPECT_EQ(findNextString(text, u"", 0, 0), kMissingRange);
    EXPECT_EQ(findNextString(text, u"a", -3, 0), (Range{0, 1}));
    EXPECT_EQ(findNextString(text, u"b", 0, kCompareBackwards), (Range{4, 1}));
}

TEST(SubstringFinding, ContainsSubstrings)
{
    const QString appearance = QStringLiteral("NSAppearanceNameDarkAqua");
    EXPECT_TRUE(containsSubstrings(appearance, {QStringLiteral("Light"), QStringLiteral("Dark")}));
    EXPECT_FALSE(containsSubstrings(appearance, {QStringLiteral("light"), QStringLiteral("dark")}));
    EXPECT_TRUE(containsSubstrings(appearance, {QStringLiteral("light"), QStringLiteral("dark")}, false));
    EXPECT_FALSE(containsSubstrings(appearance, {}));
    EXPECT_FALSE(containsSubstrings(QString(), {QStringLiteral("a")}));
}

TEST(SubstringFinding, CountSubstringDoesNotOverlap)
{
    EXPECT_EQ(countSubstring(QStringLiteral("aaaa"), QStringLiteral("aa")), 2);
    EXPECT_EQ(countSubstring(QStringLiteral("aaaaa"), QStringLiteral("aa")), 2);
    EXPECT_EQ(countSubstring(QStringLiteral("Abc abc ABC"), QStringLiteral("abc")), 1);
    EXPECT_EQ(countSubstring(QStringLiteral("Abc abc ABC"), QStringLiteral("abc"), false), 3);
    EXPECT_EQ(countSubstring(QStringLiteral("\u00DF SS ss"), QStringLiteral("ss"), false), 3);
    EXPECT_EQ(countSubstring(QStringLiteral("abc"), QString()), 0);
    EXPECT_EQ(countSubstring(QString(), QStringLiteral("a")), 0);
}

TEST(SubstringFinding, ContainsAnyCString)
{
    static const char* const kOffers[] = {"sale", "offer", nullptr};
    const QString text = QStringLiteral("SpecialOffer");
    EXPECT_TRUE(containsSubCStrings(text, kOffers, false));
    EXPECT_FALSE(containsSubCStrings(text, kOffers));
    EXPECT_FALSE(containsSubCStrings(QStringLiteral("offe"), kOffers, false));   // longer than the text
    EXPECT_TRUE(containsSubCStrings(QStringLiteral("offer"), kOffers));          // exactly the text
    EXPECT_FALSE(containsSubCStrings(text, nullptr, false));
    EXPECT_FALSE(containsSubCStrings(QString(), kOffers));

    // A unit above U+00FF never equals a byte, even when its low byte would.
    static const char* const kA[] = {"a", nullptr};
    const unichar wide[] = {0x0161};
    EXPECT_FALSE(containsAnyCString(wide, 1, kA, nullptr));
    // The table maps the text, not the list.
    const unichar upper[] = {u'A'};
    EXPECT_TRUE(containsAnyCString(upper, 1, kA, getLowerCharsTable()));
    static const char* const kUpperA[] = {"A", nullptr};
    EXPECT_FALSE(containsAnyCString(upper, 1, kUpperA, getLowerCharsTable()));
}

} // namespace
} // namespace sorvant
