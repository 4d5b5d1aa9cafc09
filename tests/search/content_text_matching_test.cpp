// Tests of matching one text (search/content_text_matching.h): the tables
// of the declared sets matched on their bytes, and text in such a set
// matched on its bytes as its decoded string is.

#include "search/content_text_matching.h"

#include "platform/regular_expression.h"
#include "platform/string_encoding.h"
#include "search/content_file_label.h"
#include "search/query_terms.h"
#include "search/search_params.h"
#include "search/stop_check.h"
#include "search/wildcard_patterns.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>

namespace sorvant {
namespace {

// Which sets are matched on their bytes, by which table.
TEST(DeclaredSetTables, AreThoseOfSetsOfOneOrTwoBytesACharacter)
{
    const struct
    {
        const char* charset;
        bool single;
        bool pairs;
    } rows[] = {
        {"windows-1252", true, false}, {"ISO-8859-1", true, false}, {"KOI8-R", true, false},
        {"Shift_JIS", false, true},    {"Big5", false, true},       {"UTF-8", false, false},
        {"EUC-JP", false, false},      {"ISO-2022-JP", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.charset);
        const QByteArray converter = converterForCharset(row.charset);
        ASSERT_FALSE(converter.isEmpty());
        EXPECT_EQ(singleByteUnits(converter) != nullptr, row.single);
        EXPECT_EQ(doubleByteUnitsOf(converter) != nullptr, row.pairs);
    }
    const ByteUnits* windows = singleByteUnits(converterForCharset("windows-1252"));
    ASSERT_NE(windows, nullptr);
    EXPECT_EQ(windows->units[0xe9], u'\u00e9');
    EXPECT_EQ(windows->units[0x80], u'\u20ac');
    EXPECT_TRUE(windows->valid[0x80]);
    const ByteUnits* latin3 = singleByteUnits(converterForCharset("ISO-8859-3"));
    ASSERT_NE(latin3, nullptr);
    EXPECT_FALSE(latin3->valid[0xa5]) << "a byte the set leaves out";
    EXPECT_EQ(latin3->units[0xa5], u'\ufffd');
    EXPECT_TRUE(latin3->valid[0xa6]);
}

class DeclaredTextTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { initSeparatorsAndTables(); }

    // The text of `bytes` in `charset` on its bytes; its length as the
    // decoded string's.
    static DeclaredText declared(const QByteArray& bytes, const QByteArray& converter)
    {
        DeclaredText text;
        text.bytes = bytes;
        text.table = singleByteUnits(converter);
        text.pairs = text.table == nullptr ? doubleByteUnitsOf(converter) : nullptr;
        text.length = text.pairs != nullptr ? doubleByteUnitCount(bytes, *text.pairs) : bytes.size();
        return text;
    }
    void setSearch(std::uint64_t mode, const QString& pattern, std::uint64_t comparison)
    {
        m_params.mode = mode;
        m_params.words = {pattern};
        m_params.comparison = comparison;
        m_params.wildcard = mode == kSearchWildcards ? pattern : QString();
        m_params.queryTerms.reset();
        if (mode == kSearchQueryTerms)
            m_params.queryTerms = QueryTerms::queryTermsWithWildcard(pattern);
        m_params.regex = mode == kSearchRegularExpression
                             ? RegularExpression::compile(pattern, kRegexAnchorsMatchLines | unsigned(comparison & 1))
                             : RegularExpression();
    }

    SearchParams m_params;
    std::atomic<bool> m_noStop{false};
    StopCheck m_stop{&m_noStop, nullptr};
};

// Wildcards and regular expressions over declared bytes answer as over the
// decoded string, with and without case, in sets of one byte and of one or
// two; an empty text matches nothing, not even ".*".
TEST_F(DeclaredTextTest, MatchesAsItsDecodedString)
{
    const struct
    {
        const char* charset;
        QByteArray bytes;
    } texts[] = {
        {"windows-1252", "un caf\xe9 \x80 noir\nsecond line"},
        {"ISO-8859-1", "CAF\xc9"},
        {"Shift_JIS", "the \x93\xfa\x96\x7b \xb6\xc0 needle\nlorem"},
        {"Shift_JIS", "\x96\x7b{"},
    };
    const std::pair<std::uint64_t, QString> searches[] = {
        {kSearchWildcards, u"*caf\u00e9*"_qs},       {kSearchWildcards, u"*\u20ac*"_qs},
        {kSearchWildcards, u"*\u65e5\u672c ?\uff80*"_qs}, {kSearchWildcards, u"*{"_qs},
        {kSearchWildcards, u"*n[a-f]edle*"_qs},       {kSearchRegularExpression, u"caf\u00e9"_qs},
        {kSearchRegularExpression, u"^lorem$"_qs},    {kSearchRegularExpression, u"\u672c\\s\\S+"_qs},
        {kSearchRegularExpression, u"\\{$"_qs},
    };
    const QByteArray label;
    for (const auto& [charset, bytes] : texts) {
        const QByteArray converter = converterForCharset(charset);
        const QString string = decodeInCharset(bytes, converter);
        ASSERT_FALSE(string.isNull());
        for (const auto& [mode, pattern] : searches) {
            for (const std::uint64_t comparison : {0u, 1u}) {
                SCOPED_TRACE(std::string(charset) + " " + pattern.toStdString() + " " + std::to_string(comparison));
                setSearch(mode, pattern, comparison);
                EXPECT_EQ(matchesDeclaredText(declared(bytes, converter), m_params, m_stop, FileLabel{label, label}),
                          searchWindowMatchString(string, m_params, unsigned(comparison)));
            }
        }
    }
    setSearch(kSearchRegularExpression, u".*"_qs, 0);
    EXPECT_FALSE(matchesDeclaredText(declared({}, converterForCharset("windows-1252")), m_params, m_stop,
                                     FileLabel{label, label}));
    EXPECT_FALSE(matchesDeclaredText(declared({}, converterForCharset("Shift_JIS")), m_params, m_stop,
                                     FileLabel{label, label}));
}

// Terms are answered window by window only without an operator that
// counts words between its sides; such a tree is left to the whole text.
TEST_F(DeclaredTextTest, TermsAreAnsweredInWindowsWithoutProximity)
{
    const struct
    {
        QString query;
        bool windowed;
    } rows[] = {
        {u"alpha AND beta"_qs, true},   {u"alpha OR \"beta gamma\""_qs, true}, {u"alpha -beta"_qs, true},
        {u"alpha NEAR/3 beta"_qs, false}, {u"(alpha BEFORE/2 beta) OR gamma"_qs, false},
    };
    const QByteArray converter = converterForCharset("ISO-8859-1");
    const DeclaredText text = declared("alpha delta epsilon beta gamma", converter);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.query.toStdString());
        setSearch(kSearchQueryTerms, row.query, 1);
        ASSERT_TRUE(m_params.queryTerms);
        EXPECT_EQ(hasTermsAnsweredInWindows(m_params), row.windowed);
        const std::optional<bool> found = matchesDeclaredTextTerms(text, m_params, m_stop, 1024);
        EXPECT_EQ(found.has_value(), row.windowed);
        if (found) {
            EXPECT_EQ(*found, m_params.queryTerms->matchesStringComparison(decodeInCharset(text.bytes, converter), 1,
                                                                           nullptr));
        }
    }
    m_params.queryTerms.reset();
    EXPECT_FALSE(hasTermsAnsweredInWindows(m_params));
    EXPECT_EQ(matchesDeclaredTextTerms(text, m_params, m_stop, 1024), std::nullopt);
}

// A text whose words do not let a window move on by a quarter of its size
// (one word longer than that) is left to the whole text.
TEST_F(DeclaredTextTest, AWordLongerThanAQuarterWindowLeavesTermsToTheWholeText)
{
    const QByteArray converter = converterForCharset("Shift_JIS");
    setSearch(kSearchQueryTerms, u"needle"_qs, 1);
    const QByteArray words = QByteArray("lorem ipsum ").repeated(16) + "needle";
    EXPECT_EQ(matchesDeclaredTextTerms(declared(words, converter), m_params, m_stop, 64), std::optional(true));
    const QByteArray oneWord = QByteArray(200, 'w') + " needle";
    EXPECT_EQ(matchesDeclaredTextTerms(declared(oneWord, converter), m_params, m_stop, 64), std::nullopt);
}

} // namespace
} // namespace sorvant
