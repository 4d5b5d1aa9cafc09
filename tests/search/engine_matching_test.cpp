// Tests of one string against a search (search/content_text_matching.h),
// the content-search lists (search/content_extensions.h), the text of a
// file (search/content_reading.h) and the catalog-search preconditions
// (search/catalog_search.h).

#include "search/catalog_search.h"
#include "search/content_extensions.h"
#include "search/content_reading.h"
#include "search/content_text_matching.h"

#include "platform/string_compare.h"
#include "platform/user_defaults.h"
#include "search/search_params.h"
#include "search/wildcard_patterns.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace sorvant {
namespace {

using test::TempTree;

struct MatchRow
{
    const char* name;
    std::uint64_t mode;
    QStringList words;
    std::uint64_t comparison;
    QString text;
    bool expected;
};
void PrintTo(const MatchRow& row, std::ostream* out) { test::printRowName(row, out); }

void prepare(SearchParams& params, const MatchRow& row)
{
    params.mode = row.mode;
    params.words = row.words;
    params.comparison = row.comparison;
    const QString phrase = row.words.value(0);
    if (row.mode == kSearchWildcards)
        params.wildcard = phrase;
    if (row.mode == kSearchQueryTerms)
        params.queryTerms = QueryTerms::queryTermsWithWildcard(phrase);
    if (row.mode == kSearchRegularExpression)
        params.regex = RegularExpression::compile(phrase, kRegexAnchorsMatchLines | unsigned(row.comparison & 1));
}

class MatchStringTest : public ::testing::TestWithParam<MatchRow>
{
protected:
    static void SetUpTestSuite() { initSeparatorsAndTables(); }
};

TEST_P(MatchStringTest, Matches)
{
    const MatchRow& row = GetParam();
    SearchParams params;
    prepare(params, row);
    EXPECT_EQ(searchWindowMatchString(row.text, params, unsigned(row.comparison & 1)), row.expected);
}

const MatchRow kMatchRows[] = {
    {"all_in_any_order", kSearchAllWords, {"a", "b"}, 0, "b a", true},
    {"all_missing_one", kSearchAllWords, {"a", "b"}, 0, "a", false},
    {"all_no_words", kSearchAllWords, {}, 0, "x", true},
    {"all_null_text", kSearchAllWords, {}, 0, QString(), false},
    {"any_one", kSearchAnyWord, {"a", "b"}, 0, "xb", true},
    {"any_empty_text", kSearchAnyWord, {"a", "b"}, 0, "", false},
    {"any_no_words", kSearchAnyWord, {}, 0, "x", false},
    {"phrase_case", kSearchPhrase, {"Straße"}, 0, "die straße", false},
    {"phrase_ignoring_case", kSearchPhrase, {"Straße"}, 1, "DIE STRASSE", true},
    {"phrase_literal_forms", kSearchPhrase, {"café"}, 0, "cafe\u0301 noir", false},
    {"phrase_same_form", kSearchPhrase, {"cafe\u0301"}, 1, "CAFE\u0301 noir", true},
    {"phrase_diacritics_count", kSearchPhrase, {"cafe"}, 1, "café", false},
    {"phrase_ascii_ignoring_case", kSearchPhrase, {"REPORT"}, 1, "annual rePort", true},
    {"phrase_ascii_with_case", kSearchPhrase, {"REPORT"}, 0, "annual rePort", false},
    {"phrase_before_combining_mark", kSearchPhrase, {"cafe"}, 1, "cafe\u0301 noir", false},
    {"phrase_folds_to_ascii", kSearchPhrase, {"strasse"}, 1, "Straße", true},
    {"phrase_kelvin_sign", kSearchPhrase, {"kelvin"}, 1, "\u212Aelvin", true},
    {"wildcard_case", kSearchWildcards, {"*.TXT"}, 0, "a.txt", false},
    {"wildcard_ignoring_case", kSearchWildcards, {"*.TXT"}, 1, "a.txt", true},
    {"terms_near", kSearchQueryTerms, {"tempor NEAR labore"}, 1, "tempor incididunt ut labore", true},
    {"terms_not", kSearchQueryTerms, {"tempor NOT labore"}, 1, "tempor incididunt ut labore", false},
    {"terms_diacritics", kSearchQueryTerms, {"cafe"}, 3, "Café", true},
    {"regex_lines", kSearchRegularExpression, {"^two$"}, 0, "one\ntwo\nthree", true},
    {"regex_case", kSearchRegularExpression, {"TWO"}, 0, "two", false},
    {"regex_ignoring_case", kSearchRegularExpression, {"TWO"}, 1, "two", true},
    {"regex_invalid", kSearchRegularExpression, {"("}, 0, "(", false},
    {"mode_above_five", 6, {"a"}, 0, "a", false},
};

INSTANTIATE_TEST_SUITE_P(Modes, MatchStringTest, ::testing::ValuesIn(kMatchRows),
                         [](const ::testing::TestParamInfo<MatchRow>& row) { return std::string(row.param.name); });

// Plain word search must answer exactly as the platform's find, whatever
// shortcut it takes on ASCII text.
TEST(MatchStringAgreementTest, WordSearchAgreesWithThePlatformFind)
{
    const QStringList texts = {"Annual Report", "report", "rEpOrT 2024", "reportage", "re port", "", "xREPORTx",
                               "ReP", "caf\u00e9 report", "REPORT\u0301", "r\u00e9port"};
    const QStringList words = {"report", "REPORT", "rep", "t 2", "port", "caf\u00e9", "e"};
    for (const unsigned options : {0u, 1u}) {
        for (const QString& text : texts) {
            for (const QString& word : words) {
                SCOPED_TRACE(QStringLiteral("%1 / %2 / %3").arg(text, word).arg(options).toStdString());
                SearchParams params;
                params.mode = kSearchPhrase;
                params.words = {word};
                EXPECT_EQ(searchWindowMatchString(text, params, options),
                          containsString(text, word, options | kCompareLiteral));
            }
        }
    }
}

// The step budget would end a runaway match too, with a warning; a stopped
// search must end through the stop flag instead, so no warning is given.
TEST(RegularExpressionMatchTest, GivesUpWhenStoppedBeforeTheBudgetRunsOut)
{
    test::LogCapture log;
    SearchParams params;
    prepare(params, {"backtracking", kSearchRegularExpression, {"(a+)+b"}, 0, {}, false});
    params.stop = true;
    EXPECT_FALSE(searchWindowMatchString(QString(40, u'a') + u'!', params, 0));
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join(u'\n').toStdString();
}

TEST(RegularExpressionMatchTest, RunawayMatchGivesUpWithAWarning)
{
    test::LogCapture log;
    SearchParams params;
    prepare(params, {"backtracking", kSearchRegularExpression, {"(a+)+b"}, 0, {}, false});
    EXPECT_FALSE(searchWindowMatchString(QString(40, u'a') + u'!', params, 0));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith(u"WARNING: "));
}

class ExtensionListsTest : public ::testing::Test
{
protected:
    ExtensionListsTest() : m_defaults(m_settings.filePath(QStringLiteral("defaults.plist"))) {}
    TempTree m_settings;
    UserDefaults m_defaults;
};

TEST_F(ExtensionListsTest, DefaultGroupsOneToThree)
{
    const QStringList extensions = fileExtensions(m_defaults);
    EXPECT_EQ(extensions.size(), 23 + 16 + 8);
    EXPECT_EQ(extensions.first(), QStringLiteral("C"));
    EXPECT_EQ(extensions.last(), QStringLiteral("PHP"));
    EXPECT_FALSE(extensions.contains(QStringLiteral("SH")));
    EXPECT_EQ(fileTypes(m_defaults), (QList<std::uint32_t>{0x54455854, 0x7474726f, 0x73455854}));
}

TEST_F(ExtensionListsTest, GroupsFollowTheirDefaults)
{
    m_defaults.setBool(false, QStringLiteral("fileExtOn1"));
    m_defaults.setBool(false, QStringLiteral("fileExtOn3"));
    m_defaults.setBool(true, QStringLiteral("fileExtOn4"));
    m_defaults.setString(QStringLiteral(" md ,, 'TEXT', 'TOOLONG', txt, md"), QStringLiteral("fileExt2"));
    EXPECT_EQ(fileExtensions(m_defaults), (QStringList{"MD", "TXT", "MD", "SH", "RC"}));
    EXPECT_EQ(fileTypes(m_defaults), QList<std::uint32_t>{0x54455854});
}

TEST(HfsTypeCodeTest, Table)
{
    const QList<std::pair<QString, std::uint32_t>> rows = {
        {"'TEXT'", 0x54455854}, {"TEXT", 0}, {"'TEX'", 0}, {"", 0}, {QString(), 0}, {"'sEXT'", 0x73455854},
    };
    for (const auto& [token, code] : rows) {
        SCOPED_TRACE(token.toStdString());
        EXPECT_EQ(hfsTypeCodeFromFileType(token), code);
    }
}

TEST(TextContentsTest, ByteOrderMarkThenUtf8)
{
    TempTree tree;
    QByteArray utf16be("\xfe\xff");
    for (const char c : QByteArray("Hi"))
        utf16be.append('\0').append(c);
    struct Row
    {
        const char* name;
        QByteArray bytes;
        QString expected;
    };
    const QList<Row> rows = {
        {"utf8", "caf\xc3\xa9", QStringLiteral("café")},
        {"utf8 with mark", "\xef\xbb\xbfok", QStringLiteral("ok")},
        {"utf16 big-endian with mark", utf16be, QStringLiteral("Hi")},
        {"no text", "caf\xe9", QString()},
        {"empty", "", QString()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = tree.writeFile(QString::fromLatin1(row.name), row.bytes);
        EXPECT_EQ(textContentsAtPath(path.toUtf8(), 1 << 20), row.expected);
    }
    const QString big = tree.writeFile(QStringLiteral("big"), "0123456789");
    EXPECT_TRUE(textContentsAtPath(big.toUtf8(), 10).isNull()) << "the limit itself is too large";
    EXPECT_EQ(textContentsAtPath(big.toUtf8(), 11), QStringLiteral("0123456789"));
    EXPECT_TRUE(textContentsAtPath(tree.path().toUtf8(), 1 << 20).isNull()) << "a folder";
    EXPECT_TRUE(textContentsAtPath(QByteArray(), 1 << 20).isNull());
}

TEST(SystemFolderNameTest, ExactNamesOnly)
{
    const QList<std::pair<QString, bool>> rows = {
        {"private", true},  {"Volumes", true},  {"TheVolumeSettingsFolder", true}, {"Temporary Items", true},
        {"etc", true},      {"Private", false}, {"et", false},                     {"users", false},
        {"", false},        {QString(), false},
    };
    for (const auto& [name, expected] : rows) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(searchWindowIsSystemFolderName(name), expected);
    }
}

TEST(CatalogSearchQueryTest, OnlyPlainOneWordNameSearches)
{
    struct Row
    {
        const char* name;
        std::uint64_t mode;
        std::uint64_t words;
        std::uint64_t what;
        bool expected;
    };
    const QList<Row> rows = {
        {"one word in names", kSearchPhrase, 1, kSearchNames, true},
        {"two words", kSearchAllWords, 2, kSearchNames, false},
        {"with contents", kSearchPhrase, 1, kSearchNames | kSearchContents, false},
        {"with tags", kSearchPhrase, 1, kSearchNames | kSearchTags, false},
        {"with comments", kSearchPhrase, 1, kSearchComments, false},
        {"wildcards", kSearchWildcards, 1, kSearchNames, false},
        {"regular expression", kSearchRegularExpression, 1, kSearchNames, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SearchParams params;
        params.mode = row.mode;
        for (std::uint64_t i = 0; i < row.words; ++i)
            params.words.append(QStringLiteral("w%1").arg(i));
        params.what = row.what;
        EXPECT_EQ(isCatalogSearchQuery(params), row.expected);
    }
    EXPECT_FALSE(hasCatalogSearch(QStringLiteral("/")));
}

} // namespace
} // namespace sorvant
