// Tests of ContentMatcher (search/content_matching.h): which files are read
// relative to their folder's descriptor, how their bytes are decoded, and
// when a file is not read at all.

#include "search/content_matching.h"

#include "platform/file_error.h"
#include "platform/string_compare.h"
#include "platform/string_encoding.h"
#include "search/content_reading.h"
#include "search/search_params.h"
#include "search/stop_check.h"
#include "tests/search/content_test_support.h"
#include "tests/support/bound_by_permissions.h"
#include "tests/support/log_capture.h"
#include "tests/support/peak_memory.h"
#include "tests/support/scan_work_bound.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <optional>
#include <random>
#include <thread>

namespace sorvant {
namespace {

using test::utf16WithMark;

class ContentMatcherTest : public test::ContentFilesTest
{
};

TEST_F(ContentMatcherTest, DecodesLikeTheTextOfAFile)
{
    struct Row
    {
        const char* name;
        QByteArray bytes;
        bool expected;
    };
    const QList<Row> rows = {
        {"utf8", "a NEEDLE here", true},
        {"utf8 with mark", "\xef\xbb\xbfneedle", true},
        {"utf8 without it", "haystack only", false},
        {"utf16 big-endian", utf16WithMark(QStringLiteral("the Needle"), true), true},
        {"utf16 little-endian", utf16WithMark(QStringLiteral("the Needle"), false), true},
        {"utf16 bytes read as text", "n\0e\0e\0d\0l\0e\0", false},
        {"invalid utf8", QByteArray("needle \xe9t\xe9"), false},
        {"empty", "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_tree.writeFile(QString::fromLatin1(row.name), row.bytes);
        // The same buffer serves every file, larger and smaller.
        EXPECT_EQ(matches(row.name), row.expected);
    }
}

TEST_F(ContentMatcherTest, NamesAreRelativeToTheFolderAndKeepTheirBytes)
{
    const QByteArray name("bad\xffname.txt");
    const QByteArray path = m_tree.path().toUtf8() + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "needle", 6), 6);
    ::close(fd);
    EXPECT_TRUE(matches(name));
    // From another working folder, only the folder's descriptor finds it.
    const ContentMatcher matcher(m_params);
    EXPECT_FALSE(matcher.matchesFile(AT_FDCWD, name, m_buffer));
    EXPECT_TRUE(matcher.matchesFile(AT_FDCWD, path, m_buffer));
}

TEST_F(ContentMatcherTest, StopEndsWithoutAMatch)
{
    m_tree.writeFile(QStringLiteral("a"), "needle");
    ASSERT_TRUE(matches("a"));
    m_params.stop = true;
    EXPECT_FALSE(matches("a"));
}

TEST_F(ContentMatcherTest, EveryModeGoesThroughTheStringMatch)
{
    m_tree.writeFile(QStringLiteral("a"), "alpha beta\ngamma");
    struct Row
    {
        std::uint64_t mode;
        QStringList words;
        bool expected;
    };
    const QList<Row> rows = {
        {kSearchAllWords, {"gamma", "ALPHA"}, true},   {kSearchAllWords, {"gamma", "delta"}, false},
        {kSearchAnyWord, {"delta", "BETA"}, true},      {kSearchAnyWord, {"delta", "epsilon"}, false},
        {kSearchPhrase, {"a beta"}, true},              {kSearchWildcards, {"alpha*"}, true},
        {kSearchWildcards, {"beta*"}, false},           {kSearchQueryTerms, {"beta NOT delta"}, true},
        {kSearchRegularExpression, {"^gam+a$"}, true}, {kSearchRegularExpression, {"^beta"}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.words.join(u' ').toStdString());
        m_params.mode = row.mode;
        m_params.words = row.words;
        m_params.wildcard = row.mode == kSearchWildcards ? row.words.first() : QString();
        m_params.queryTerms.reset();
        if (row.mode == kSearchQueryTerms)
            m_params.queryTerms = QueryTerms::queryTermsWithWildcard(row.words.first());
        m_params.regex = row.mode == kSearchRegularExpression
                             ? RegularExpression::compile(row.words.first(), kRegexAnchorsMatchLines | 1)
                             : RegularExpression();
        EXPECT_EQ(matches("a"), row.expected);
    }
}

// Texts and words that meet every special case of folding and decoding:
// characters whose case folding is ASCII, decomposed and composed forms,
// combining marks after a word, several scripts, invalid UTF-8, byte-order
// marks, UTF-16 and UTF-32.
QList<QByteArray> adversarialTexts()
{
    QList<QByteArray> texts;
    const QStringList pieces = {
        u"Annual REPORT 2024"_qs, u"Die Stra\u00DFe"_qs, u"STRASSE"_qs, u"\u017Fun \u212Aelvin"_qs,
        u"\u0130stanbul"_qs, u"\uFB01le \uFB00"_qs, u"GRO\u1E9E"_qs, u"cafe\u0301 caf\u00E9"_qs,
        u"report\u0301s"_qs, u"a\u0301\u0323"_qs, u"\u03A3\u038A\u03A3\u03A5\u03A6\u039F\u03A3 \u03C3\u03C2"_qs,
        u"\u041F\u0440\u0438\u0432\u0435\u0442"_qs, u"\u6F22\u5B57 \U0001F600"_qs, u"x\u0345 word"_qs,
        u"\u0149n j\u030C \u01F0"_qs};
    for (const QString& piece : pieces) {
        texts.append(piece.toUtf8());
        texts.append("\xef\xbb\xbf" + piece.toUtf8());
        texts.append(utf16WithMark(piece, true));
        texts.append(utf16WithMark(piece, false));
    }
    texts += {QByteArray("report \xe9t\xe9"), QByteArray("report \xed\xa0\x80"), QByteArray("report \xc0\xaf"),
              QByteArray("report \xf4\x90\x80\x80"), QByteArray("report \xe2\x84"), QByteArray("\xef\xbb\xbf"),
              QByteArray("\xef\xbb\xbf\xef\xbb\xbfreport"), QByteArray("re\0port report", 14),
              QByteArray("\xff\xfe\x00\x00r\x00\x00\x00", 8), QByteArray("\xfe\xff\x00"), QByteArray("\xff\xfe")};
    return texts;
}

const QStringList kAdversarialWords = {
    u"report"_qs, u"REPORT"_qs, u"ss"_qs, u"s"_qs, u"k"_qs, u"kelvin"_qs, u"i"_qs, u"file"_qs, u"fi"_qs,
    u"stra\u00DFe"_qs, u"caf\u00E9"_qs, u"cafe\u0301"_qs, u"e"_qs, u"\u03C3"_qs, u"\u03A3\u03C2"_qs,
    u"t 2"_qs, u"\u0301"_qs, u"i\u0307"_qs, u"\u0130"_qs, u"x\u0345"_qs, u"sun"_qs, u"gross"_qs, u"'n"_qs,
    u"\u02BCn"_qs, u"j\u030C"_qs, u"\U0001F600"_qs, u"\u043F\u0440\u0438"_qs, u"word"_qs};

TEST_F(ContentMatcherTest, FastPathsAgreeWithThePlainPathOnAdversarialInput)
{
    QList<QByteArray> files;
    for (const QByteArray& text : adversarialTexts())
        files.append(writeNext(text));
    for (const std::uint64_t comparison : {0u, 1u}) {
        for (const QString& word : kAdversarialWords) {
            setSearch(kSearchPhrase, {word}, comparison);
            expectAgreementOnEach(files);
        }
        setSearch(kSearchAnyWord, {u"kelvin"_qs, u"\u043F\u0440\u0438"_qs}, comparison);
        expectAgreementOnEach(files);
        // Many words at once, each word alone among many absent ones.
        for (const QString& word : kAdversarialWords) {
            QStringList words = {u"zq"_qs, u"qz"_qs, u"x"_qs, u"zzz"_qs, u"qqq"_qs, u"zqz"_qs, u"qzq"_qs, u"zzq"_qs};
            words.append(word);
            setSearch(kSearchAnyWord, words, comparison);
            expectAgreementOnEach(files);
        }
        setSearch(kSearchAllWords, kAdversarialWords.mid(0, 12), comparison);
        expectAgreementOnEach(files);
        setSearch(kSearchAllWords, {u"report"_qs, u"\u03C3"_qs, u"ss"_qs}, comparison);
        for (const QByteArray& text : adversarialTexts())
            expectAgreementOn(text + " \xcf\x83 ss report");
    }
}

TEST_F(ContentMatcherTest, FastPathsAgreeWithThePlainPathOnRandomInput)
{
    // Fragments that random texts and words are made of.
    const QList<QByteArray> fragments = {
        "a", "B", "s", "S", "k", "K", "i", "e", "f", " ", "\n", "re", "PORT", "\xc3\x9f", "\xe1\xba\x9e",
        "\xc5\xbf", "\xe2\x84\xaa", "\xc4\xb0", "\xef\xac\x81", "\xcc\x81", "\xcc\xa3", "\xcd\x85", "\xc3\xa9",
        "\xcf\x83", "\xcf\x82", "\xce\xa3", "\xd0\x9f", "\xf0\x9f\x98\x80", "\xe6\xbc\xa2", "\xe9", "\x80", "\0"};
    std::mt19937 random(20261206);
    const auto pick = [&](int count) {
        QByteArray bytes;
        for (int i = 0; i < count; ++i)
            bytes += fragments.at(qsizetype(random() % std::uint32_t(fragments.size())));
        return bytes;
    };
    const std::uint64_t modes[] = {kSearchAllWords, kSearchAnyWord, kSearchPhrase, kSearchRegularExpression};
    for (int round = 0; round < 300; ++round) {
        const std::uint64_t mode = modes[random() % 4];
        QStringList words;
        // Now and then enough words for the one-pass search.
        const std::uint32_t count = mode > kSearchAnyWord ? 1 : random() % 5 == 0 ? 8 + random() % 6 : 1 + random() % 3;
        for (std::uint32_t n = count; n > 0; --n)
            words.append(QString::fromUtf8(pick(1 + int(random() % 3))).remove(QChar(0xFFFD)));
        words.removeAll(QString());
        if (words.isEmpty())
            continue;
        setSearch(mode, words, random() % 2);
        // Valid text most of the time: an invalid byte decides too early.
        QByteArray text = pick(1 + int(random() % 40));
        if (random() % 4 != 0)
            text = QString::fromUtf8(text).remove(QChar(0xFFFD)).toUtf8();
        if (text.isEmpty())
            continue;
        // Windows of a few bytes, to cross many window ends.
        expectAgreementOn(text, round % 2 ? kContentWindowBytes : 8);
    }
}

// Query terms skip files without a literal some required term holds; the
// answer stays that of matching the decoded text.
TEST_F(ContentMatcherTest, QueryTermsSkipFilesExactlyOnRandomInput)
{
    const QStringList terms = {u"lorem"_qs, u"Ipsum"_qs, u"LOREM"_qs, u"dolor"_qs, u"lor*"_qs, u"?psum"_qs,
                               u"d[o]lor"_qs, u"stra\u00DFe"_qs, u"STRASSE"_qs, u"caf\u00E9"_qs, u"cafe"_qs,
                               u"KELVIN"_qs, u"kind"_qs, u"e-mail"_qs, u"email"_qs, u"\"lorem ipsum\""_qs,
                               u"*"_qs, u"is"_qs, u"2026"_qs};
    const QStringList operators = {u" "_qs,    u" OR "_qs,   u" AND "_qs,    u" NOT "_qs, u" -"_qs,
                                   u" NEAR "_qs, u" NEAR/0 "_qs, u" XOR "_qs, u"|"_qs,     u" OPT "_qs,
                                   u" BEFORE/2 "_qs};
    const QList<QByteArray> fragments = {"lorem",  "LOREM", "Lorem", "ipsum", "IPSUM", "dolor", "stra\xc3\x9f" "e",
                                         "strasse", "caf\xc3\xa9", "cafe\xcc\x81", "cafe", "\xe2\x84\xaa" "elvin",
                                         "kind",   "\xc4\xb1s", "\xc5\xbf", "e-mail", "email", "2026", " ", " ",
                                         "\n",    ", ",    "-"};
    std::mt19937 random(20261207);
    const auto any = [&](const auto& list) { return list.at(qsizetype(random() % std::uint32_t(list.size()))); };
    for (int round = 0; round < 400; ++round) {
        QString query = any(terms);
        for (std::uint32_t n = random() % 4; n > 0; --n)
            query += any(operators) + any(terms);
        if (random() % 4 == 0)
            query = u"("_qs + query + u")"_qs + any(operators) + any(terms);
        setSearch(kSearchQueryTerms, {query}, random() % 6);
        QByteArray text;
        for (std::uint32_t n = 1 + random() % 12; n > 0; --n)
            text += any(fragments);
        expectAgreementOn(text, round % 2 ? kContentWindowBytes : 16);
    }
}

TEST_F(ContentMatcherTest, QueryTermsDecodeOnlyFilesHoldingARequiredLiteral)
{
    // Long enough that indexing its words counts as work too.
    const QByteArray without = QByteArray("nothing to see here\n").repeated(1000);
    m_tree.writeFile(QStringLiteral("without"), without);
    struct Row
    {
        const char* query;
        std::uint64_t comparison;
        bool skips;
    };
    const QList<Row> rows = {
        {"total here", 0, true},       {"TOTAL here", 1, true},   {"tot* NEAR here", 0, true},
        {"total OR nothing", 0, false}, {"NOT total", 0, false},   {"total here", 2, false},
        {"(total see) here", 0, true}, {"here -total", 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.query);
        setSearch(kSearchQueryTerms, {QString::fromLatin1(row.query)}, row.comparison);
        const ContentMatcher matcher(m_params);
        const std::uint64_t before = m_buffer.bytesMatched();
        EXPECT_EQ(matcher.matchesFile(folder(), "without", m_buffer),
                  matcher.matchesFileDecoded(folder(), "without", m_buffer));
        // A skipped file costs one scan of its bytes and no decoding.
        EXPECT_EQ(m_buffer.bytesMatched() - before == std::uint64_t(without.size()), row.skips);
    }
}

// Inputs the fuzzer found where the fast paths once answered differently.
TEST_F(ContentMatcherTest, FuzzFindingsAgree)
{
    struct Row
    {
        QString word;
        std::uint64_t mode;
        std::uint64_t comparison;
        QByteArray text;
    };
    const QList<Row> rows = {
        {QStringLiteral("\u0000\u0000\uFEFF"), kSearchPhrase, 1,
         QByteArray("\0\0\0\0\0\0\xef\xbb\xbf\0\0\0\0\0tA", 16)},
    };
    for (const Row& row : rows) {
        setSearch(row.mode, {row.word}, row.comparison);
        expectAgreementOn(row.text);
    }
}

// A character whose full case folding is its own canonical decomposition
// ("ΐ" folds to "ΐ", three code points) does not count as changing when
// case folded, and was missing from the case variants of the characters
// of its folding: ignoring case, the fast path never looked at it and
// missed "ΐ" in a file holding "ΐ".
TEST_F(ContentMatcherTest, CharactersFoldingToTheirDecompositionAreFound)
{
    setSearch(kSearchAnyWord, {u"ΐ"_qs}, 1);
    EXPECT_TRUE(matches(writeNext("ΐ")));
    // All of them (ǰ ẖ ẗ ẘ ẙ ΰ ὐ ὒ ὔ ὖ ᾶ ι ῆ ῒ ΐ ῖ ῗ ῢ ΰ ῤ ῦ ῧ ῶ), met by
    // themselves, by their folding's first character and in other words.
    const QString characters = u"\u01F0\u0390\u03B0\u1E96\u1E97\u1E98\u1E99\u1F50\u1F52\u1F54\u1F56\u1FB6"
                               u"\u1FBE\u1FC6\u1FD2\u1FD3\u1FD6\u1FD7\u1FE2\u1FE3\u1FE4\u1FE6\u1FE7\u1FF6"_qs;
    for (const QChar c : characters) {
        const QString word(c);
        const QString first = foldedCase(word).left(1);
        for (const std::uint64_t mode : {kSearchAllWords, kSearchAnyWord, kSearchPhrase}) {
            setSearch(mode, {word}, 1);
            expectAgreementOn(word.toUtf8());
            expectAgreementOn((u"Strasse "_qs + word + u" stra\u00DFe"_qs).toUtf8());
            setSearch(mode, {first}, 1);
            expectAgreementOn(word.toUtf8());
            setSearch(mode, {u"ss"_qs + word}, 1);
            expectAgreementOn((u"STRASSE"_qs + word + u" stra\u00DFe"_qs).toUtf8());
        }
    }
}

// A word that straddles the end of a read window, followed by a plain
// character, a combining mark or nothing, is found as in the whole text.
TEST_F(ContentMatcherTest, WindowsOverlapByTheLongestMatch)
{
    constexpr qsizetype kWindow = 64;
    const QList<QByteArray> tails = {"", "!", "\xcc\x81", "\xcd\x85"};
    // Kelvin signs: three bytes for each folded unit.
    const QStringList words = {u"Needle"_qs, u"stra\u00DFe"_qs, u"\u03C3\u03C3"_qs, u"kk"_qs};
    const QList<QByteArray> written = {"needle", "STRASSE", "\xce\xa3\xcf\x83", "\xe2\x84\xaa\xe2\x84\xaa"};
    for (const std::uint64_t comparison : {0u, 1u}) {
        for (qsizetype w = 0; w < words.size(); ++w) {
            setSearch(kSearchAnyWord, {u"zq"_qs, words.at(w)}, comparison);
            for (qsizetype shift = -12; shift <= 1; ++shift) {
                for (const QByteArray& tail : tails) {
                    // A folding character early on sends windows through ICU.
                    const QByteArray lead = comparison ? QByteArray("\xc5\xbf") : QByteArray("x");
                    const QByteArray text = lead + QByteArray(kWindow - lead.size() + shift, 'x') + written.at(w) + tail;
                    expectAgreementOn(text, kWindow);
                    expectAgreementOn(text + QByteArray(kWindow, 'y'), kWindow);
                }
            }
        }
    }
}

// One matcher serves many threads, each with its own buffer, and answers
// as it does on one thread.
TEST_F(ContentMatcherTest, ThreadsShareOneMatcher)
{
    const QList<QByteArray> texts = adversarialTexts();
    for (qsizetype i = 0; i < texts.size(); ++i)
        m_tree.writeFile(QStringLiteral("t%1").arg(i), texts.at(i) + QByteArray(i * 997, 'x') + texts.at(i));
    setSearch(kSearchAnyWord, {u"ss"_qs, u"\u03C3"_qs, u"report"_qs}, 1);
    const ContentMatcher matcher(m_params);
    std::vector<char> expected;
    for (qsizetype i = 0; i < texts.size(); ++i)
        expected.push_back(matcher.matchesFile(folder(), QStringLiteral("t%1").arg(i).toUtf8(), m_buffer));
    ASSERT_GT(std::count(expected.begin(), expected.end(), char(1)), 0);
    constexpr int kThreads = 8;
    std::vector<std::vector<char>> answers(kThreads, std::vector<char>(expected.size()));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ContentBuffer buffer;
            for (size_t k = 0; k < expected.size(); ++k) {
                const size_t i = (k + size_t(t) * 7) % expected.size();
                answers[size_t(t)][i] = matcher.matchesFile(m_folder, QStringLiteral("t%1").arg(i).toUtf8(), buffer);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(answers[size_t(t)], expected) << "thread " << t;
}

// A name no converter answers to is ignored (the file is read as if it
// declared nothing) and warned of once per search, not once per file.
TEST_F(ContentMatcherTest, UnknownDeclaredCharsetWarnsOncePerSearch)
{
    for (const QByteArray name : {"a", "b", "c"}) {
        m_tree.writeFile(QString::fromLatin1(name), "a needle");
        if (!declare(name, "x-no-such-charset"))
            GTEST_SKIP() << "the temporary file system has no user extended attributes";
    }
    test::LogCapture log;
    const ContentMatcher matcher(m_params);
    for (const QByteArray name : {"a", "b", "c"})
        EXPECT_TRUE(matcher.matchesFile(folder(), name, m_buffer));
    EXPECT_TRUE(matcher.matchesFileDecoded(folder(), "a", m_buffer));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().contains(QStringLiteral("x-no-such-charset")));
    EXPECT_TRUE(matches("a"));
    EXPECT_EQ(log.lines().size(), 2);
}

// Declared 8-bit files: the byte search over their UTF-8 form (sets that
// keep ASCII) or the decoded search (other sets) answers as matching the
// decoded text does.
TEST_F(ContentMatcherTest, FastPathsAgreeWithThePlainPathOnDeclaredFiles)
{
    // Latin-1, windows-1252, Greek (final sigma), Cyrillic, Turkish dotted
    // I, Latin-3 and the sets of two bytes (bytes they leave out are U+FFFD).
    const QList<QByteArray> charsets = {"ISO-8859-1", "windows-1252", "ISO-8859-7", "KOI8-R", "ISO-8859-9",
                                        "ISO-8859-3", "Shift_JIS", "Big5", "EUC-KR"};
    const QList<QByteArray> fragments = {"a", "S", "s", "k", "K", "i", "I", " ", "ss", "re", "PORT", "\xdf",
                                         "\xe9", "\xc9", "\x80", "\x81", "\x8a", "\xd3", "\xf2", "\xf3",
                                         "\xdd", "\xfd", "\xc1", "\xe1", "\x93\xfa", "\x96\x7b", "\0"};
    std::mt19937 random(20261207);
    QList<QByteArray> files;
    for (const QByteArray& charset : charsets) {
        // An empty file too: an expression that matches the empty text
        // finds nothing in it, by every path.
        files.append(writeNext(QByteArray()));
        if (!declare(files.last(), charset))
            GTEST_SKIP() << "the temporary file system has no user extended attributes";
        for (int n = 0; n < 12; ++n) {
            QByteArray text;
            for (int i = 1 + int(random() % 24); i > 0; --i)
                text += fragments.at(qsizetype(random() % std::uint32_t(fragments.size())));
            files.append(writeNext(text));
            if (!declare(files.last(), charset))
                GTEST_SKIP() << "the temporary file system has no user extended attributes";
        }
    }
    const QStringList words = {u"report"_qs, u"ss"_qs, u"\u00DF"_qs, u"\u00E9"_qs, u"\u00C9S"_qs, u"\u20AC"_qs,
                               u"\u03C3"_qs, u"\u03A3"_qs, u"\u0430"_qs, u"\u0410"_qs, u"\u0130"_qs, u"i"_qs,
                               u"\u0131"_qs, u"k"_qs, u"\u65E5"_qs, u"{"_qs, u".*"_qs, u"\uFFFD"_qs};
    for (const std::uint64_t comparison : {0u, 1u}) {
        for (const QString& word : words) {
            for (const std::uint64_t mode : {kSearchPhrase, kSearchRegularExpression}) {
                setSearch(mode, {word}, comparison);
                expectAgreementOnEach(files);
            }
        }
        setSearch(kSearchAllWords, {u"s"_qs, u"\u00E9"_qs}, comparison);
        expectAgreementOnEach(files);
        // Whole-text wildcards, matched on the bytes of a set of one byte a
        // character.
        for (const QString& pattern : {u"*\u00E9*"_qs, u"*[\u00C0-\u00FF]?"_qs, u"*s*[^k]"_qs, u"?*\u0430*"_qs,
                                       u"*\u03A3"_qs, u"*\u0130*"_qs, u"*[\u0410-\u044F]*"_qs, u"*"_qs,
                                       u"*\uFFFD?"_qs}) {
            setSearch(kSearchWildcards, {pattern}, comparison);
            expectAgreementOnEach(files);
        }
        // Regular expressions, matched on those bytes through the set's table.
        for (const QString& pattern : {u"^\\w+$"_qs, u"(?<=s)\\w"_qs, u"\u00E9.$"_qs, u"[\u00C0-\u00FF]{2}"_qs,
                                       u"(\\w)\\1"_qs, u"\\b\u03C3\\b"_qs, u"\u0130|\u0131"_qs, u"\\x{0}"_qs}) {
            setSearch(kSearchRegularExpression, {pattern}, comparison);
            expectAgreementOnEach(files);
        }
    }
}

// A declared file that holds one byte its set leaves out (a lead byte
// followed by one it cannot take, a byte that is no character) thousands of
// characters from the words is found in every mode, that byte read as
// U+FFFD, and named once in a warning with where it is, also by a search
// that finds nothing; the same file without it is found and not named.
// UTF-8 too, under the names it is declared by. So too in text of two
// bytes a character long enough (68 KB on each side of the stray byte) for
// a wildcard to find its literal by its bytes.
TEST_F(ContentMatcherTest, DeclaredTextIsFoundPastAByteItsSetLeavesOut)
{
    const struct
    {
        const char* charset;
        QByteArray line; // 20 bytes
        QByteArray stray;
        qsizetype lines;
    } sets[] = {
        {"Shift_JIS", "lorem \x93\xfa\x96\x7b \xb6\xc0 ipsum\n", "\x81 ", 200},
        {"Shift_JIS", "lorem \x93\xfa\x96\x7b \xb6\xc0 ipsum\n", "\xfd", 200},
        {"Big5", "lorem \xa4\xa4\xa4\xe5 xx ipsum\n", "\xa1 ", 200},
        {"GBK", "lorem \xd6\xd0\xce\xc4 xx ipsum\n", "\x81 ", 200},
        {"EUC-KR", "lorem \xb0\xa1\xb3\xaa xx ipsum\n", "\xb0 ", 200},
        {"ISO-8859-3", "lorem caf\xe9 xxx ipsum\n", "\xa5", 200},
        {"EUC-JP", "lorem \xc6\xfc\xcb\xdc xx ipsum\n", "\x8f\xa1 ", 200},
        {"Shift_JIS", "\x93\xfa\x96\x7b\x8c\xea\x82\xa0\x82\xa2\x96\x7b\x96\x71ipsum\n", "\x85\x40", 3400},
        {"GBK", "\xd6\xd0\xce\xc4\xd6\xd0\x81\x40\xd6\xd0\xce\xc4\xd6\xd0ipsum\n", "\x81 ", 3400},
        {"EUC-KR", "\xb0\xa1\xb3\xaa\xb0\xa1\xb3\xaa\xb0\xa1\xb3\xaa\xb0\xa1ipsum\n", "\xb0 ", 3400},
        // UTF-8 by the spellings files carry: a byte no sequence starts
        // with, a sequence cut short (one U+FFFD), a lone continuation.
        {"UTF-8", "lorem \xc3\xa9\xe6\x97\xa5 x ipsum\n", "\xff", 200},
        {"utf-8", "lorem \xc3\xa9\xe6\x97\xa5 x ipsum\n", "\xe6\x97 ", 200},
        {"UTF8", "lorem \xc3\xa9\xe6\x97\xa5 x ipsum\n", "\x80", 200},
    };
    // Where the search is found: in every file, only past the byte (it
    // looks for the U+FFFD itself), in none.
    enum class Found { Always, PastTheByte, Never };
    const struct
    {
        std::uint64_t mode;
        QStringList words;
        Found found;
    } searches[] = {
        {kSearchPhrase, {u"quokka zebrafinch"_qs}, Found::Always},
        {kSearchAllWords, {u"zebrafinch"_qs, u"QUOKKA"_qs}, Found::Always},
        {kSearchWildcards, {u"*quokka zebrafinch*"_qs}, Found::Always},
        {kSearchRegularExpression, {u"quokka\\s+zebra"_qs}, Found::Always},
        {kSearchQueryTerms, {u"quokka AND zebrafinch"_qs}, Found::Always},
        {kSearchQueryTerms, {u"\"quokka zebrafinch\""_qs}, Found::Always},
        {kSearchQueryTerms, {u"quokka NEAR/2 zebrafinch"_qs}, Found::Always},
        {kSearchPhrase, {u"\ufffd"_qs}, Found::PastTheByte},
        {kSearchWildcards, {u"*ipsum?\ufffd*"_qs}, Found::PastTheByte},
        {kSearchRegularExpression, {u"ipsum\\s\\x{fffd}"_qs}, Found::PastTheByte},
        {kSearchRegularExpression, {u"\\x{fffd}"_qs}, Found::PastTheByte},
        // Found nowhere, the file still named: its literal is looked for
        // in the bytes of UTF-8 first.
        {kSearchRegularExpression, {u"wombat\\s+kiwi"_qs}, Found::Never},
        {kSearchPhrase, {u"quokka kiwi"_qs}, Found::Never},
    };
    const QByteArray words = "the quokka zebrafinch\n";
    for (const auto& set : sets) {
        const QByteArray body = set.line.repeated(set.lines);
        const struct
        {
            QByteArray text;
            qsizetype firstLeftOut; // -1: none
        } files[] = {
            {body + words + body, -1},
            {body + set.stray + body + words, body.size()},
            {words + body + set.stray + body, words.size() + body.size()},
        };
        for (const auto& file : files) {
            const QByteArray name = writeNext(file.text);
            if (!declare(name, set.charset))
                GTEST_SKIP() << "the temporary file system has no user extended attributes";
            for (const auto& search : searches) {
                SCOPED_TRACE(std::string(set.charset) + " " + set.stray.toHex().toStdString() + " at "
                             + std::to_string(file.firstLeftOut) + ": " + search.words.join(u'|').toStdString());
                setSearch(search.mode, search.words, 1);
                const bool found = search.found == Found::Always
                                   || (search.found == Found::PastTheByte && file.firstLeftOut >= 0);
                for (const qsizetype window : {qsizetype(61), kContentWindowBytes}) {
                    const ContentMatcher matcher(m_params, window);
                    test::LogCapture log;
                    EXPECT_EQ(matcher.matchesFile(folder(), name, m_buffer), found) << "window " << window;
                    EXPECT_EQ(log.lines().size(), file.firstLeftOut >= 0 ? 1 : 0) << log.lines().join(u'\n').toStdString();
                    EXPECT_EQ(log.lines().filter(QString::fromUtf8(name)).filter(u"at byte %1"_qs.arg(file.firstLeftOut)).size(),
                              file.firstLeftOut >= 0 ? 1 : 0);
                }
                EXPECT_EQ(ContentMatcher(m_params).matchesFileDecoded(folder(), name, m_buffer), found);
            }
        }
    }
}

// Query terms over declared 8-bit files, matched window by window (cut
// after a separator, the last words of a phrase repeated) where the tree
// has no proximity operator, answer as the whole decoded text does: with
// windows that cut words, phrases and long runs of separators, with every
// comparison, and with trees that fall back to the whole text.
TEST_F(ContentMatcherTest, DeclaredQueryTermsInWindowsAgreeWithThePlainPath)
{
    const struct
    {
        QList<QByteArray> charsets;
        QList<QByteArray> fragments;
        QStringList queries;
    } rows[] = {
        {{"ISO-8859-1", "windows-1252"},
         {"caf\xe9", "Caf\xc9", "cr\xe8me", "br\xfbl\xe9" "e", "na\xefve", "e-mail", "email", "the", "needle",
          "Needles", "stra\xdf" "e", "strasse", "a", QByteArray(70, 'w'), " ", " ", "  ", "\n", ", ", "-", "'",
          QByteArray(40, ' ')},
         {u"caf\u00e9"_qs, u"CAF\u00c9 AND cr\u00e8me"_qs, u"\"cr\u00e8me br\u00fbl\u00e9e\""_qs,
          u"\"the needle\" OR strasse"_qs, u"caf* AND NOT na\u00efve"_qs, u"e-mail XOR email"_qs,
          u"~eedl AND (a OR w*)"_qs, u"needle NEAR/0 caf\u00e9"_qs, u"needle OPT stra\u00dfe"_qs,
          u"\"a the needle\" | \"caf\u00e9 a\""_qs,
          u"needle NEAR/2 caf\u00e9"_qs, // proximity: the whole text
          u"*"_qs}},
        // Characters of one byte and of two, among them a trail byte that
        // is "{" and the ideographic space.
        {{"Shift_JIS"},
         {"\x93\xfa\x96\x7b", "\x82\xa0", "\xb6\xc0", "needle", "the", " ", "\x81\x40", "\n", "{",
          QByteArray(30, 'w'), "\x96\x7b\x96\x7b"},
         {u"\u65e5\u672c"_qs, u"\"\u65e5\u672c needle\""_qs, u"\u3042* OR \uff76\uff80"_qs,
          u"{ AND NOT \u672c\u672c"_qs, u"\"the \u3042\" XOR w*"_qs}},
    };
    std::mt19937 random(20261208);
    for (const auto& row : rows) {
        QList<QByteArray> files;
        for (int n = 0; n < 24; ++n) {
            QByteArray text;
            for (int i = 1 + int(random() % 60); i > 0; --i)
                text += row.fragments.at(qsizetype(random() % std::uint32_t(row.fragments.size())));
            files.append(writeNext(text));
            if (!declare(files.last(), row.charsets.at(n % row.charsets.size())))
                GTEST_SKIP() << "the temporary file system has no user extended attributes";
        }
        for (const std::uint64_t comparison : {0u, 1u, 3u, 5u}) {
            for (const QString& query : row.queries) {
                SCOPED_TRACE(query.toStdString());
                setSearch(kSearchQueryTerms, {query}, comparison);
                ASSERT_TRUE(m_params.queryTerms) << query.toStdString();
                for (const qsizetype window : {qsizetype(24), qsizetype(100), kContentWindowBytes}) {
                    for (const QByteArray& name : files)
                        expectAgreement(name, window);
                }
            }
        }
    }
}

TEST_F(ContentMatcherTest, RegularExpressionsRunOnlyWhereTheLiteralIs)
{
    m_tree.writeFile(QStringLiteral("with"), "the total: 42 EUR\n");
    m_tree.writeFile(QStringLiteral("without"), "nothing to see\n");
    m_tree.writeFile(QStringLiteral("folding"), "the \xe2\x84\xaa total: 7 eur\n");
    for (const std::uint64_t comparison : {0u, 1u}) {
        setSearch(kSearchRegularExpression, {u"total: [0-9]+ eur"_qs}, comparison);
        EXPECT_EQ(matches("with"), comparison == 1);
        EXPECT_FALSE(matches("without"));
        EXPECT_TRUE(matches("folding"));
        const std::uint64_t before = m_buffer.bytesMatched();
        EXPECT_FALSE(matches("without"));
        EXPECT_EQ(m_buffer.bytesMatched() - before, 15u) << "one scan of the bytes, no decoding";
    }
}

// Stop is seen within a bounded amount of work, whatever the number of
// words: the bytes matched after stop stay within one read window.
TEST_F(ContentMatcherTest, StopEndsAManyWordSearchWithinAWindowOfWork)
{
    struct Row
    {
        const char* name;
        QByteArray line;
        QString word;
    };
    const QList<Row> rows = {
        {"ascii words", "lorem ipsum dolor sit amet consectetur\n", u"absent%1"_qs},
        {"non-ascii words", "\xd0\xbb\xd0\xbe\xd1\x80\xd0\xb5\xd0\xbc \xd0\xb8\xd0\xbf\xd1\x81\xd1\x83\xd0\xbc\n",
         u"\u043B\u043E\u0440\u0435\u043C%1"_qs},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QByteArray text;
        while (text.size() < 32 * kContentWindowBytes)
            text += row.line;
        m_tree.writeFile(QString::fromLatin1(row.name), text);
        QStringList words;
        // Enough work for seconds, were stop not seen.
        constexpr int kWords = 2000;
        for (int i = 0; i < kWords; ++i)
            words.append(row.word.arg(i));
        setSearch(kSearchAnyWord, words, 1);
        m_params.maxFileSize = std::uint64_t(1) << 30;
        m_params.stop = false;
        const ContentMatcher matcher(m_params);
        std::atomic<std::uint64_t> atStop{0};
        const std::uint64_t before = m_buffer.bytesMatched();
        // Stop once the search is under way, however slowly a loaded
        // machine starts it.
        std::thread stopper([&] {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (m_buffer.bytesMatched() == before && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            atStop = m_buffer.bytesMatched();
            m_params.stop = true;
        });
        EXPECT_FALSE(matcher.matchesFile(folder(), row.name, m_buffer));
        stopper.join();
        const std::uint64_t total = m_buffer.bytesMatched() - before;
        EXPECT_GT(atStop.load(), before) << "the search was under way";
        EXPECT_LT(total, std::uint64_t(text.size()) * kWords) << "stopped before the end";
        EXPECT_LE(m_buffer.bytesMatched() - atStop, std::uint64_t(kContentWindowBytes));
    }
}

// Wildcards and query terms match the decoded text of the whole file; stop
// is seen there too, within a bounded amount of work after it is sent.
TEST_F(ContentMatcherTest, StopEndsWildcardAndQueryTermSearchesWithinBoundedWork)
{
    QStringList terms;
    for (int i = 0; i < 2000; ++i)
        terms.append(u"absent%1*"_qs.arg(i));
    struct Row
    {
        const char* name;
        std::uint64_t mode;
        QString pattern;
        QByteArray line;
    };
    const QList<Row> rows = {
        // Every start tries the whole run of "a" before failing at the "b".
        {"wildcard", kSearchWildcards, u"*"_qs + QString(3000, u'a') + u"b*"_qs, "aaaaaaaaaaaaaaa\n"},
        {"wildcard ignoring case", kSearchWildcards, u"*"_qs + QString(3000, u'A') + u"B*"_qs,
         "aaaaaaaaaaaaaaa\n"},
        // Every term visits every word.
        {"query terms", kSearchQueryTerms, terms.join(u" OR "_qs), "lorem ipsum dolor sit amet\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QByteArray text;
        while (text.size() < 16 * kContentWindowBytes)
            text += row.line;
        m_tree.writeFile(QString::fromLatin1(row.name), text);
        setSearch(row.mode, {row.pattern}, row.mode == kSearchWildcards && row.pattern.contains(u'A') ? 1 : 0);
        m_params.maxFileSize = std::uint64_t(1) << 30;
        m_params.stop = false;
        const ContentMatcher matcher(m_params);
        std::atomic<std::uint64_t> atStop{0};
        std::atomic<bool> done{false};
        const std::uint64_t before = m_buffer.bytesMatched();
        // Stop once matching is under way: more work counted than reading
        // the file took.
        const std::uint64_t underWay = before + std::uint64_t(text.size()) + 4 * StopCheck::kInterval;
        std::thread stopper([&] {
            while (!done && m_buffer.bytesMatched() < underWay)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            atStop = m_buffer.bytesMatched();
            m_params.stop = true;
        });
        EXPECT_FALSE(matcher.matchesFile(folder(), row.name, m_buffer));
        done = true;
        stopper.join();
        EXPECT_GE(atStop.load(), underWay) << "stop was sent while matching";
        EXPECT_LE(m_buffer.bytesMatched() - atStop, std::uint64_t(kContentWindowBytes));
    }
    // The same searches, not stopped, still answer.
    m_params.stop = false;
    m_tree.writeFile(QStringLiteral("short"), "lorem absent7x ipsum\n");
    setSearch(kSearchQueryTerms, {terms.join(u" OR "_qs)}, 0);
    EXPECT_TRUE(matches("short"));
    setSearch(kSearchWildcards, {u"*absent?x*"_qs}, 0);
    EXPECT_TRUE(matches("short"));
}

TEST_F(ContentMatcherTest, StopEndsAnUnboundedRegularExpression)
{
    // Each start explores about 2^30 ways before the "x" matches; with no
    // step budget only the stop flag can end it early.
    m_tree.writeFile(QStringLiteral("a"), QByteArray(30, 'a') + "!x");
    setSearch(kSearchRegularExpression, {u"(a+)+b|x"_qs}, 0);
    m_params.regexStepLimit = 0;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        m_params.stop = true;
    });
    EXPECT_FALSE(matches("a"));
    stopper.join();
    m_params.stop = false;
    m_tree.writeFile(QStringLiteral("b"), "!x");
    EXPECT_TRUE(matches("b")) << "the same search finds the match when not stopped";
}

// Words are looked for before the bytes are validated: a file with a match
// is text only when all of it is UTF-8, wherever the match and the bad
// bytes are, in the window of the match or another, before it or after.
TEST_F(ContentMatcherTest, AMatchCountsOnlyInAFileThatIsUtf8Throughout)
{
    constexpr qsizetype kWindow = 64;
    const QByteArray filler(3 * kWindow, 'x');
    struct Row
    {
        QByteArray text;
        bool matches;
    };
    const QList<Row> rows = {
        {"needle " + filler, true},
        {filler + " needle", true},
        {"\xef\xbb\xbf" + filler + " needle", true},
        {"needle\xff" + filler, false},
        {"needle " + filler + "\xff", false},
        {"needle " + filler + "\xc3", false},                 // cut at the end
        {"\xff" + filler + " needle", false},                  // bad before a match in a later window
        {"\xc3" + filler + " needle", false},
        {filler + "\xed\xa0\x80 needle", false},             // a surrogate in the match's window
        {"\xef\xbb\xbf\xff" + filler + " needle", false},
        {filler.left(kWindow - 3) + "\xe2\x82\xac needle", true}, // a character across a window's end
        {filler.left(kWindow - 3) + "\xe2\x82 needle", false},
        {filler + "\xff", false},                              // no match, and no text
    };
    for (const std::uint64_t comparison : {0u, 1u}) {
        setSearch(kSearchPhrase, {u"needle"_qs}, comparison);
        for (const Row& row : rows) {
            SCOPED_TRACE(row.text.toPercentEncoding(" ").toStdString());
            const QByteArray name = writeNext(row.text);
            for (const qsizetype window : {kWindow, kContentWindowBytes}) {
                const ContentMatcher matcher(m_params, window);
                EXPECT_EQ(matcher.matchesFile(folder(), name, m_buffer), row.matches) << "window " << window;
                expectAgreement(name, window);
            }
        }
    }
}

// Words are looked for before validation, but a large file whose first
// window is not UTF-8 (Latin-1 text, binary data) is left there rather
// than searched to its end.
TEST_F(ContentMatcherTest, ALargeFileThatIsNoUtf8AtItsStartIsLeftAfterOneWindow)
{
    constexpr qsizetype kWindow = 64;
    setSearch(kSearchPhrase, {u"needle"_qs}, 1);
    const ContentMatcher matcher(m_params, kWindow);
    const QByteArray latin1 = writeNext("caf\xe9 " + QByteArray(100 * kWindow, 'x') + " needle");
    const std::uint64_t before = m_buffer.bytesMatched();
    EXPECT_FALSE(matcher.matchesFile(folder(), latin1, m_buffer));
    EXPECT_LE(m_buffer.bytesMatched() - before, std::uint64_t(2 * kWindow));
    // Bad bytes further on are only found once a match asks.
    EXPECT_FALSE(matches(writeNext(QByteArray(100 * kWindow, 'x') + "caf\xe9 needle")));
}

// Random texts with a bad byte somewhere, now and then, and the words in
// them: the answer stays that of decoding the whole file.
TEST_F(ContentMatcherTest, FastPathsAgreeWithThePlainPathOnTextsWithBadBytes)
{
    const QList<QByteArray> fragments = {"lorem ", "Needle", "needle ", "NEEDLE", "stra\xc3\x9f" "e", "\xc5\xbf",
                                         "\xe2\x84\xaa", "\xcc\x81", "\n", "xxxxxxxxxxxxxxxx", "\xf0\x9f\x98\x80"};
    const QList<QByteArray> badBytes = {"\xff", "\x80", "\xc3", "\xe2\x82", "\xed\xa0\x80", "\xc0\xaf"};
    const QStringList words = {u"needle"_qs, u"strasse"_qs, u"k"_qs, u"lorem needle"_qs, u"\u00E9"_qs};
    std::mt19937 random(4343);
    const auto any = [&](const auto& list) { return list.at(qsizetype(random() % std::uint32_t(list.size()))); };
    for (int round = 0; round < 400; ++round) {
        const std::uint64_t mode = random() % 3;
        setSearch(mode, mode == kSearchPhrase ? QStringList{any(words)} : QStringList{any(words), any(words)},
                  random() % 2);
        QByteArray text = random() % 4 == 0 ? QByteArray("\xef\xbb\xbf") : QByteArray();
        for (std::uint32_t n = 1 + random() % 30; n > 0; --n)
            text += any(fragments);
        if (random() % 2 == 0)
            text.insert(qsizetype(random() % std::uint32_t(text.size() + 1)), any(badBytes));
        const qsizetype windows[] = {8, 24, 64, kContentWindowBytes};
        expectAgreementOn(text, windows[random() % 4]);
    }
}

// A walk makes each thread's buffer before its threads start and each
// thread writes its own once: the memory for a window is there before the
// first file and stays, and a prepared buffer answers as a new one does.
TEST_F(ContentMatcherTest, PreparedBufferHoldsAWindowThroughTouchingAndMatchesAsANewOne)
{
    const QByteArray found = writeNext(QByteArray(1000, 'x') + " needle");
    const QByteArray absent = writeNext(QByteArray(500, 'x'));
    for (const std::uint64_t comparison : {0u, 1u}) {
        setSearch(kSearchPhrase, {u"needle"_qs}, comparison);
        const ContentMatcher matcher(m_params);
        ContentBuffer buffer;
        matcher.prepare(buffer);
        const qsizetype prepared = buffer.capacity();
        EXPECT_GT(prepared, kContentWindowBytes);
        buffer.touchPages();
        EXPECT_EQ(buffer.capacity(), prepared);
        EXPECT_TRUE(matcher.matchesFile(folder(), found, buffer));
        buffer.touchPages();
        EXPECT_FALSE(matcher.matchesFile(folder(), absent, buffer));
        EXPECT_EQ(buffer.capacity(), prepared) << "a file of one window needs no more memory";
    }
    // A search that decodes files whole reads each at its size: nothing to
    // prepare, and touching an empty buffer does nothing.
    setSearch(kSearchWildcards, {u"*needle*"_qs}, 0);
    m_params.wildcard = u"*needle*"_qs;
    ContentBuffer empty;
    ContentMatcher(m_params).prepare(empty);
    empty.touchPages();
    EXPECT_EQ(empty.capacity(), 0);
}

TEST_F(ContentMatcherTest, LargeFilesAreSearchedInBoundedWindows)
{
    if (!writeSparseEndingInNeedle("sparse.txt", qint64(3) << 29)) // 1.5 GiB
        GTEST_SKIP() << "no sparse files here";

    m_params.maxFileSize = std::uint64_t(1) << 31;
    test::LogCapture log;
    EXPECT_TRUE(matches("sparse.txt"));
    EXPECT_LE(m_buffer.capacity(), kContentWindowBytes + 1024) << "memory does not grow with the file";
    EXPECT_TRUE(log.lines().isEmpty());

    // Above the limit: skipped, and said so.
    m_params.maxFileSize = std::uint64_t(1) << 30;
    EXPECT_FALSE(matches("sparse.txt"));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith(u"WARNING: "));
    EXPECT_TRUE(log.lines().first().contains(u"sparse.txt"));
}

// Below the search's size limit a file is found in every mode; at it, it is
// skipped with one warning that names its whole path, never passed over in
// silence.
TEST_F(ContentMatcherTest, EveryModeFindsAFileBelowTheLimitAndNamesTheFileItSkips)
{
    const qsizetype limit = 4096;
    const QByteArray folderPath = m_tree.path().toUtf8();
    const QByteArray tail = " the Needle here";
    m_tree.writeFile(QStringLiteral("under.txt"), QByteArray(limit - 1 - tail.size(), 'x').append(tail));
    m_tree.writeFile(QStringLiteral("at.txt"), QByteArray(limit - tail.size(), 'x').append(tail));
    const QString wideTail = QStringLiteral("the Needle here");
    m_tree.writeFile(QStringLiteral("wide.txt"),
                     utf16WithMark(QString(int(limit / 2 - 2 - wideTail.size()), u'x') + wideTail, false));
    const struct
    {
        std::uint64_t mode;
        QString phrase;
    } modes[] = {
        {kSearchPhrase, QStringLiteral("needle")},
        {kSearchAllWords, QStringLiteral("needle")},
        {kSearchAnyWord, QStringLiteral("needle")},
        {kSearchWildcards, QStringLiteral("*needle*")},
        {kSearchQueryTerms, QStringLiteral("needle AND here")},
        {kSearchRegularExpression, QStringLiteral("nee+dle\\s+here")},
    };
    m_params.maxFileSize = limit;
    for (const auto& m : modes) {
        SCOPED_TRACE(m.phrase.toStdString());
        setSearch(m.mode, {m.phrase}, 1);
        const ContentMatcher matcher(m_params);
        test::LogCapture log;
        EXPECT_TRUE(matcher.matchesFile(folder(), "under.txt", m_buffer, folderPath));
        EXPECT_TRUE(matcher.matchesFile(folder(), "wide.txt", m_buffer, folderPath));
        EXPECT_TRUE(log.lines().isEmpty());
        EXPECT_FALSE(matcher.matchesFile(folder(), "at.txt", m_buffer, folderPath));
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.lines().first().startsWith(u"WARNING: "));
        EXPECT_TRUE(log.lines().first().contains(QString::fromUtf8(folderPath + "/at.txt")))
            << log.lines().first().toStdString();
    }
}

// A file searched whole is decoded at once, up to kLongestWholeFile bytes
// (2 GiB). At that size it is skipped, by its whole path, before any of it
// is read, where the windows of a phrase search find it.
TEST_F(ContentMatcherTest, AFileTooLongToSearchWholeIsNamedUnreadWhereWindowsFindIt)
{
    const QByteArray path = m_tree.filePath(QStringLiteral("sparse.txt")).toUtf8();
    if (!writeSparseEndingInNeedle("sparse.txt", qint64(kLongestWholeFile)))
        GTEST_SKIP() << "no sparse files here";

    m_params.maxFileSize = std::uint64_t(1) << 40;
    const QByteArray folderPath = m_tree.path().toUtf8();
    for (const std::uint64_t mode : {kSearchWildcards, kSearchQueryTerms, kSearchRegularExpression}) {
        SCOPED_TRACE(mode);
        setSearch(mode, {mode == kSearchWildcards ? QStringLiteral("*Needle") : QStringLiteral("Needle")}, 0);
        const ContentMatcher matcher(m_params);
        test::LogCapture log;
        EXPECT_FALSE(matcher.matchesFile(folder(), "sparse.txt", m_buffer, folderPath));
        EXPECT_LE(m_buffer.capacity(), kContentWindowBytes * 2) << "read before it was skipped";
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.lines().first().contains(QString::fromUtf8(path))) << log.lines().first().toStdString();
    }
    setSearch(kSearchPhrase, {QStringLiteral("Needle")}, 0);
    test::LogCapture log;
    EXPECT_TRUE(matches("sparse.txt"));
    EXPECT_TRUE(log.lines().isEmpty());
}

// UTF-16, UTF-32 and declared character sets are decoded in windows, as
// UTF-8 is read: a word across any seam between two windows is found, a
// longer one is not, and every word mode answers as the plain path does.
TEST_F(ContentMatcherTest, WideAndDeclaredTextIsFoundAcrossWindowSeams)
{
    struct Row
    {
        const char* name;
        QByteArray mark;
        StringEncoding encoding;
        QByteArray charset;
        QString word;
    };
    const QList<Row> rows = {
        {"UTF-16LE", "\xff\xfe", NSUTF16LittleEndianStringEncoding, {}, u"N\u00e9\U0001F600dle"_qs},
        {"UTF-16BE", "\xfe\xff", NSUTF16BigEndianStringEncoding, {}, u"N\u00e9\U0001F600dle"_qs},
        {"UTF-32LE", QByteArray("\xff\xfe\0\0", 4), NSUTF32LittleEndianStringEncoding, {}, u"Ne\U0001F600dle"_qs},
        {"UTF-32BE", QByteArray("\0\0\xfe\xff", 4), NSUTF32BigEndianStringEncoding, {}, u"Ne\U0001F600dle"_qs},
        {"ISO-8859-1", {}, NSISOLatin1StringEncoding, "ISO-8859-1", u"N\u00e9edl\u00e9"_qs},
        {"windows-1251", {}, NSWindowsCP1251StringEncoding, "windows-1251", u"\u0418\u0433\u043b\u0430"_qs},
    };
    constexpr qsizetype kWindow = 64;
    bool noAttributes = false;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString filler = u"lorem ipsum dolor "_qs;
        // The word at every place across the first seams of 64-byte windows.
        for (int at = 0; at < 40; ++at) {
            SCOPED_TRACE(at);
            QString text;
            while (text.size() < at)
                text += filler;
            text.truncate(at);
            text += row.word + u" sit "_qs + filler + u"amet"_qs;
            const std::optional<QByteArray> body = encodeString(text, row.encoding);
            ASSERT_TRUE(body.has_value());
            const QByteArray name = writeNext(row.mark + *body);
            if (!row.charset.isNull() && !declare(name, row.charset)) {
                noAttributes = true;
                break;
            }
            const struct
            {
                std::uint64_t mode;
                QStringList words;
                std::uint64_t comparison;
                bool found;
            } searches[] = {
                {kSearchPhrase, {row.word}, 0, true},
                {kSearchPhrase, {row.word.toUpper()}, 1, true},
                {kSearchPhrase, {row.word.toUpper()}, 0, false},
                {kSearchPhrase, {row.word + u"s"_qs}, 1, false},
                {kSearchAllWords, {u"amet"_qs, row.word}, 0, true},
                {kSearchAllWords, {u"absent"_qs, row.word}, 0, false},
                {kSearchAnyWord, {u"absent"_qs, row.word.toLower()}, 1, true},
            };
            for (const auto& search : searches) {
                setSearch(search.mode, search.words, search.comparison);
                const ContentMatcher matcher(m_params, kWindow);
                EXPECT_EQ(matcher.matchesFile(folder(), name, m_buffer), search.found)
                    << search.words.join(u'|').toStdString() << ", mode " << search.mode;
                EXPECT_EQ(matcher.matchesFileDecoded(folder(), name, m_buffer), search.found);
            }
        }
    }
    if (noAttributes)
        GTEST_SKIP() << "the temporary file system has no user extended attributes for the declared sets";
}

// The overlap one window keeps of the one before holds a whole match in the
// decoded text: with text of three-byte characters all round, a window kept
// one byte short loses a character, and "漢字" across a seam was missed.
// The word at every place across the first seams, in each encoding read in
// windows through the decoder.
TEST_F(ContentMatcherTest, AWordOfWideCharactersIsFoundAtEverySeam)
{
    const QString word = u"漢字"_qs;
    const QString filler = u"日本語の文章です"_qs;
    const struct
    {
        const char* name;
        QByteArray mark;
        StringEncoding encoding;
    } rows[] = {
        {"UTF-16LE", "\xff\xfe", NSUTF16LittleEndianStringEncoding},
        {"UTF-16BE", "\xfe\xff", NSUTF16BigEndianStringEncoding},
        {"UTF-32LE", QByteArray("\xff\xfe\0\0", 4), NSUTF32LittleEndianStringEncoding},
    };
    constexpr qsizetype kWindow = 64;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        for (int at = 0; at < 64; ++at) {
            SCOPED_TRACE(at);
            QString text;
            while (text.size() < at + 64)
                text += filler;
            text.insert(at, word);
            const std::optional<QByteArray> body = encodeString(text, row.encoding);
            ASSERT_TRUE(body.has_value());
            const QByteArray name = writeNext(row.mark + *body);
            for (const std::uint64_t comparison : {0, 1}) {
                setSearch(kSearchPhrase, {word}, comparison);
                const ContentMatcher matcher(m_params, kWindow);
                EXPECT_TRUE(matcher.matchesFile(folder(), name, m_buffer)) << "comparison " << comparison;
            }
        }
    }
}

// A file that is no text in its encoding anywhere (a lone surrogate after
// a match) answers as the plain path does: no match for a marked file. A
// declared one is read on after a match to its end, so that a byte its set
// leaves out is named wherever it is.
TEST_F(ContentMatcherTest, WideAndDeclaredTextIsValidatedAfterAMatchInItsWindows)
{
    setSearch(kSearchPhrase, {u"needle"_qs}, 1);
    m_params.maxFileSize = std::uint64_t(1) << 30;
    QString text = u"the needle "_qs;
    while (text.size() < 4 * kContentWindowBytes)
        text += u"lorem ipsum dolor sit amet "_qs;
    const QByteArray valid = utf16WithMark(text, false);
    expectAgreementOn(valid);
    EXPECT_TRUE(matches(writeNext(valid)));
    EXPECT_FALSE(matches(writeNext(valid + QByteArray("\x00\xd8", 2) + utf16WithMark(u"x"_qs, false).mid(2))));
    EXPECT_FALSE(matches(writeNext(valid + "x"))) << "a cut unit at the end";

    // Declared: two bytes the set lacks, three windows after the match.
    const QByteArray declared =
        writeNext(QByteArray("the needle ") + QByteArray(3 * kContentWindowBytes, 'x') + "\xc3\xa9");
    if (!declare(declared, "US-ASCII"))
        GTEST_SKIP() << "the temporary file system has no user extended attributes";
    test::LogCapture log;
    EXPECT_TRUE(matches(declared));
    EXPECT_EQ(log.lines().filter(u"at byte %1"_qs.arg(11 + 3 * kContentWindowBytes)).size(), 1)
        << log.lines().join(u'\n').toStdString();
    expectAgreement(declared);
    setSearch(kSearchPhrase, {u"xx\u00c3"_qs}, 1);
    EXPECT_FALSE(matches(declared)) << "read in the declared set, not as UTF-8";
    setSearch(kSearchPhrase, {u"xx\ufffd\ufffd"_qs}, 1);
    EXPECT_TRUE(matches(declared));
}

// A UTF-16 file is searched for words in windows: the peak memory of the
// process (as the kernel counts it) grows no more with a file of 32 MiB
// than with one of 2 MiB; a regular expression, which takes the whole
// text, holds at most about 1.5 times the file.
TEST_F(ContentMatcherTest, WideTextIsSearchedInMemoryBoundedByTheFile)
{
    if (!test::resetPeakResident())
        GTEST_SKIP() << "no peak resident memory to read here";
    m_params.maxFileSize = std::uint64_t(1) << 31;
    const QByteArray line = utf16WithMark(u"lorem ipsum dolor sit amet\n"_qs, false).mid(2);
    const auto writeWide = [&](const QString& name, qsizetype size) {
        return writeRepeated(name, "\xff\xfe", line, size, utf16WithMark(u"the Needle"_qs, false).mid(2));
    };
    const qsizetype small = qsizetype(2) << 20;
    const qsizetype large = qsizetype(32) << 20;
    ASSERT_TRUE(writeWide(u"small.txt"_qs, small));
    ASSERT_TRUE(writeWide(u"large.txt"_qs, large));
    // Run once so that lazily built tables and the buffer are in place.
    setSearch(kSearchPhrase, {u"needle"_qs}, 1);
    EXPECT_TRUE(matches("small.txt"));

    const auto growth = [&](const QByteArray& name, bool expected) {
        return test::peakGrowthOf([&] { EXPECT_EQ(matches(name), expected) << name.toStdString(); });
    };
    const struct
    {
        std::uint64_t mode;
        QStringList words;
        bool found;
    } searches[] = {
        {kSearchPhrase, {u"needle"_qs}, true},
        {kSearchAllWords, {u"needle"_qs, u"lorem"_qs}, true},
        {kSearchAnyWord, {u"absent"_qs, u"missing"_qs}, false},
    };
    for (const auto& search : searches) {
        SCOPED_TRACE(search.mode);
        setSearch(search.mode, search.words, 1);
        const qint64 smallGrowth = growth("small.txt", search.found);
        const qint64 largeGrowth = growth("large.txt", search.found);
        EXPECT_LT(largeGrowth, smallGrowth + large / 4) << "small " << smallGrowth << ", large " << largeGrowth;
    }
    setSearch(kSearchRegularExpression, {u"Nee+dle$"_qs}, 0);
    EXPECT_LT(growth("large.txt", true), large * 3 / 2);
}

// A file the search may not read is named by its whole path with the
// reason, in every mode; one that is gone since the walk saw it is not.
TEST_F(ContentMatcherTest, AFileThatCannotBeOpenedIsNamedWithTheReason)
{
    SORVANT_BIND_PERMISSIONS();
    m_tree.writeFile(u"locked.txt"_qs, "the needle");
    const QByteArray lockedPath = m_tree.filePath(u"locked.txt"_qs).toUtf8();
    ASSERT_EQ(::chmod(lockedPath.constData(), 0), 0);
    const QByteArray folderPath = m_tree.path().toUtf8();
    const int parent = folder();
    QStringList lines;
    for (const std::uint64_t mode : {kSearchPhrase, kSearchWildcards, kSearchRegularExpression}) {
        setSearch(mode, {mode == kSearchWildcards ? u"*needle*"_qs : u"needle"_qs}, 1);
        const ContentMatcher matcher(m_params);
        test::LogCapture log;
        EXPECT_FALSE(matcher.matchesFile(parent, "locked.txt", m_buffer, folderPath));
        EXPECT_FALSE(matcher.matchesFile(parent, "gone.txt", m_buffer, folderPath));
        lines += log.lines();
    }
    ::chmod(lockedPath.constData(), 0600);
    ASSERT_EQ(lines.size(), 3) << lines.join(u'\n').toStdString();
    for (const QString& line : lines) {
        EXPECT_TRUE(line.startsWith(u"WARNING: "));
        EXPECT_TRUE(line.contains(QString::fromUtf8(lockedPath))) << line.toStdString();
        EXPECT_TRUE(line.contains(errorMessage(EACCES))) << line.toStdString();
    }
}

} // namespace
} // namespace sorvant
