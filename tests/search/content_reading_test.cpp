// Tests of reading the files content search looks into
// (search/content_reading.h): which files are opened, the text of a file
// by its declared set, a read shorter than the file, and files declared in
// a set of one or two bytes a character read whole as their bytes, checked
// against the set window by window with a look at the stop after each.

#include "search/content_reading.h"

#include "platform/string_encoding.h"
#include "search/content_matching.h"
#include "search/search_params.h"
#include "search/stop_check.h"
#include "tests/search/content_test_support.h"
#include "tests/support/log_capture.h"
#include "tests/support/peak_memory.h"
#include "tests/support/scan_work_bound.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sorvant {
namespace {

class ContentReadingTest : public test::ContentFilesTest
{
};

TEST_F(ContentReadingTest, ReadsOnlyRegularFilesUnderTheLimit)
{
    m_tree.writeFile(QStringLiteral("exact"), "0123 needle");   // 11 bytes
    m_tree.makeDir(QStringLiteral("needle"));
    ASSERT_EQ(::mkfifo(m_tree.filePath(QStringLiteral("pipe")).toUtf8().constData(), 0600), 0);
    ASSERT_EQ(::symlink("exact", m_tree.filePath(QStringLiteral("link")).toUtf8().constData()), 0);
    ASSERT_EQ(::symlink("missing", m_tree.filePath(QStringLiteral("dangling")).toUtf8().constData()), 0);

    m_params.maxFileSize = 11;
    EXPECT_FALSE(matches("exact")) << "the limit itself is too large";
    m_params.maxFileSize = 12;
    EXPECT_TRUE(matches("exact"));
    EXPECT_TRUE(matches("link")) << "a link to a regular file counts";
    EXPECT_FALSE(matches("dangling"));
    EXPECT_FALSE(matches("needle")) << "a folder";
    EXPECT_FALSE(matches("pipe")) << "a pipe is never read (and never blocks)";
    EXPECT_FALSE(matches("missing"));
    EXPECT_FALSE(matches(QByteArray()));
}

// A file that declares its character set in "user.charset" is read in it,
// before the byte-order mark and UTF-8 are tried; without the declaration
// 8-bit text is no text.
TEST_F(ContentReadingTest, DeclaredCharsetIsReadBeforeUtf8)
{
    m_tree.writeFile("declared", "un caf\xe9 noir");
    m_tree.writeFile("undeclared", "un caf\xe9 noir");
    // Shift_JIS "日本": the second byte of 本 is "{".
    m_tree.writeFile("japanese", "\x93\xfa\x96\x7b");
    // Valid UTF-8 as well: the declaration decides.
    m_tree.writeFile("mojibake", "caf\xc3\xa9");
    if (!declare("declared", "ISO-8859-1") || !declare("japanese", "Shift_JIS") || !declare("mojibake", "latin1"))
        GTEST_SKIP() << "the temporary file system has no user extended attributes";
    const QString cafe = QString::fromUtf8("caf\u00e9");
    const QString upper = QString::fromUtf8("CAF\u00c9");
    EXPECT_EQ(textContentsAtPath(m_tree.filePath("declared").toUtf8(), 1 << 20), QString::fromUtf8("un caf\u00e9 noir"));
    EXPECT_TRUE(textContentsAtPath(m_tree.filePath("undeclared").toUtf8(), 1 << 20).isNull());
    struct Row
    {
        std::uint64_t mode;
        QString word;
        std::uint64_t comparison;
        const char* file;
        bool expected;
    };
    const QList<Row> rows = {
        {kSearchPhrase, cafe, 1, "declared", true},
        {kSearchPhrase, upper, 1, "declared", true},
        {kSearchPhrase, upper, 0, "declared", false},
        {kSearchAllWords, QStringLiteral("NOIR"), 1, "declared", true},
        // Exact: the literal every match holds is looked for first.
        {kSearchRegularExpression, cafe + QStringLiteral(" no"), 0, "declared", true},
        {kSearchQueryTerms, cafe, 0, "declared", true},
        {kSearchQueryTerms, upper, 1, "declared", true},
        {kSearchPhrase, cafe, 1, "undeclared", false},
        {kSearchPhrase, QStringLiteral("caf"), 1, "undeclared", false},
        {kSearchPhrase, QString::fromUtf8("\u65e5\u672c"), 0, "japanese", true},
        {kSearchPhrase, QStringLiteral("{"), 0, "japanese", false},
        {kSearchPhrase, cafe, 1, "mojibake", false},
        {kSearchPhrase, QString::fromUtf8("caf\u00c3\u00a9"), 1, "mojibake", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.word.toStdString() + " in " + row.file);
        setSearch(row.mode, {row.word}, row.comparison);
        EXPECT_EQ(matches(row.file), row.expected);
        expectAgreement(row.file);
    }
}

// A file declared UTF-8 is read as UTF-8 whatever it holds: its own mark is
// no character (an expression anchored at the start matches after it), a
// UTF-16 mark is two bytes not valid in it, each longest start of a
// sequence that cannot be completed is one U+FFFD, and the file is named
// once by each reader with the first such byte.
TEST_F(ContentReadingTest, DeclaredUtf8IsReadAsUtf8WhateverItHolds)
{
    const struct
    {
        const char* charset;
        QByteArray bytes;
        QString text;
        QString expression; // found by every reader, as is `phrase`
        QString phrase;
        qsizetype firstLeftOut; // -1: none
    } rows[] = {
        {"UTF-8", "\xef\xbb\xbf" "caf\xc3\xa9", u"caf\u00e9"_qs, u"^caf\u00e9$"_qs, u"caf\u00e9"_qs, -1},
        {"utf8", "\xef\xbb\xbf" "caf\xe9", u"caf\ufffd"_qs, u"^caf\\x{fffd}$"_qs, u"caf\ufffd"_qs, 6},
        {"Utf-8", QByteArray("\xff\xfe" "a\0", 4), u"\ufffd\ufffda\u0000"_qs, u"^\\x{fffd}{2}a"_qs,
         u"\ufffd\ufffda"_qs, 0},
        {"UTF-8", "ab\xe6\x97 cd\xf0\x80\x80", u"ab\ufffd cd\ufffd\ufffd\ufffd"_qs,
         u"b\\x{fffd} cd\\x{fffd}{3}$"_qs, u"ab\ufffd cd"_qs, 2},
        {"UTF8", "ab\xf0\x9f\x98", u"ab\ufffd"_qs, u"^ab\\x{fffd}$"_qs, u"ab\ufffd"_qs, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.charset) + " " + row.bytes.toHex(' ').toStdString());
        const QByteArray name = writeNext(row.bytes);
        if (!declare(name, row.charset))
            GTEST_SKIP() << "the temporary file system has no user extended attributes";
        const auto expectNamedOnce = [&row](const test::LogCapture& log) {
            EXPECT_EQ(log.lines().size(), row.firstLeftOut >= 0 ? 1 : 0) << log.lines().join(u'\n').toStdString();
            EXPECT_EQ(log.lines().filter(u"at byte %1"_qs.arg(row.firstLeftOut)).size(), row.firstLeftOut >= 0 ? 1 : 0);
        };
        {
            test::LogCapture log;
            EXPECT_EQ(textContentsAtPath(m_tree.filePath(QString::fromUtf8(name)).toUtf8(), 1 << 20), row.text);
            expectNamedOnce(log);
        }
        for (const auto& [mode, pattern] : {std::pair(kSearchRegularExpression, row.expression),
                                            std::pair(kSearchPhrase, row.phrase)}) {
            SCOPED_TRACE(pattern.toStdString());
            setSearch(mode, {pattern}, 0);
            const ContentMatcher matcher(m_params, 2);
            for (const bool plain : {false, true}) {
                test::LogCapture log;
                EXPECT_TRUE(plain ? matcher.matchesFileDecoded(folder(), name, m_buffer)
                                  : matcher.matchesFile(folder(), name, m_buffer));
                expectNamedOnce(log);
            }
        }
    }
}

// A clean file declared UTF-8 is searched on its bytes as its undeclared
// twin is, each window validated while it is in the cache, never decoded
// first: where nothing matches the validation took up to 2.3 times the
// twin's CPU time (which validates only its first window), where the words
// are found no more; decoding took 7.7 to 21 times. The bound of 5 sits
// between the two with room for a machine whose vectors are slower.
TEST_F(ContentReadingTest, CleanDeclaredUtf8IsSearchedOnItsBytesNotDecoded)
{
#if !defined(__OPTIMIZE__)
    // Unoptimised (the sanitizers' builds), the vector validation is
    // several times slower than the byte search it is set against.
    GTEST_SKIP() << "the cost of validation is measured in optimised builds";
#endif
    const qsizetype size = qsizetype(8) << 20;
    const QByteArray line = "lorem ipsum caf\xc3\xa9 dolor \xe6\x97\xa5\xe6\x9c\xac sit amet\n";
    m_params.maxFileSize = std::uint64_t(1) << 31;
    if (!writeRepeated(u"undeclared"_qs, {}, line, size, "the needle") || !writeRepeated(u"declared"_qs, {}, line, size, "the needle")
        || !declare("declared", "UTF-8"))
        GTEST_SKIP() << "the temporary file system has no user extended attributes";
    const struct
    {
        SearchMode mode;
        QString pattern;
    } searches[] = {
        {kSearchPhrase, u"the needle"_qs},
        {kSearchPhrase, u"the haystack"_qs},
        {kSearchRegularExpression, u"the ne+dle$"_qs},
        {kSearchRegularExpression, u"no such hay"_qs},
        {kSearchWildcards, u"*the needle"_qs},
    };
    for (const auto& search : searches) {
        SCOPED_TRACE(search.pattern.toStdString());
        setSearch(search.mode, {search.pattern}, 0);
        const bool found = search.pattern.contains(u"ne");
        auto run = [this, found](const QByteArray& name) { EXPECT_EQ(matches(name), found); };
        const double ratio = test::leastCpuTimeRatio(QByteArray("undeclared"), QByteArray("declared"), run);
        EXPECT_LE(ratio, 5.0) << "the declared file took " << ratio << " times the CPU time of the undeclared one";
    }
}

// A file that gives fewer bytes than its size says (one shortened while it
// is read; a kernel attribute file, which says 4096 bytes and gives a few)
// was searched with the bytes the buffer held from the file before, and
// matched on them.
TEST_F(ContentReadingTest, AShortReadNeverMatchesOnTheBytesOfTheFileBefore)
{
    const QByteArray attribute = "/sys/kernel/profiling";
    struct stat status{};
    if (::stat(attribute.constData(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 4096)
        GTEST_SKIP() << "no kernel attribute file to read here";
    const QByteArray name = writeNext(QByteArray(2000, 'x') + " needle " + QByteArray(2000, 'x'));
    for (const std::uint64_t comparison : {0u, 1u}) {
        setSearch(kSearchPhrase, {u"needle"_qs}, comparison);
        const ContentMatcher matcher(m_params);
        ASSERT_TRUE(matcher.matchesFile(folder(), name, m_buffer));
        EXPECT_FALSE(matcher.matchesFile(AT_FDCWD, attribute, m_buffer));
        EXPECT_FALSE(matcher.matchesFileDecoded(AT_FDCWD, attribute, m_buffer));
    }
}

// Declared text searched whole took up to twice its size as UTF-16: 2.05
// times an 8-bit file with wildcards, 2.0 with regular expressions, and
// 2.0 a Shift_JIS file of ASCII and half-width katakana with either; 3.05
// an 8-bit file with query terms, whose word index adds a byte a unit.
// Wildcards match the bytes through the set's table, ICU reads them
// through it a few kilobytes decoded at a time (for a set of one or two
// bytes a character, from marks found once), and query terms without
// proximity are matched window by window, so the peak grows with the file
// by about its size.
TEST_F(ContentReadingTest, DeclaredByteTextIsMatchedInMemoryBoundedByTheFile)
{
    if (!test::resetPeakResident())
        GTEST_SKIP() << "no peak resident memory to read here";
    m_params.maxFileSize = std::uint64_t(1) << 31;
    const qsizetype small = qsizetype(2) << 20;
    const qsizetype large = qsizetype(32) << 20;
    if (!writeDeclaredLatin1(u"small.txt"_qs, small) || !writeDeclaredLatin1(u"large.txt"_qs, large)
        || !writeDeclaredShiftJis(u"small-sjis.txt"_qs, small)
        || !writeDeclaredShiftJis(u"large-sjis.txt"_qs, large))
        GTEST_SKIP() << "the temporary file system has no user extended attributes";
    const auto growth = [&](const QByteArray& name, bool expected) {
        return test::peakGrowthOf([&] { EXPECT_EQ(matches(name), expected) << name.toStdString(); });
    };
    const struct
    {
        SearchMode mode;
        QString pattern;
        std::uint64_t comparison;
        bool found;
        const char* files; // "" for ISO-8859-1, "-sjis" for Shift_JIS
    } searches[] = {
        {kSearchWildcards, u"*N\u00e9\u00e9dle"_qs, 0, true, ""},
        {kSearchWildcards, u"*n\u00c9\u00c9DLE"_qs, 1, true, ""},
        {kSearchWildcards, u"*[\u00e0-\u00ff]dle?"_qs, 0, false, ""},
        {kSearchRegularExpression, u"N\u00e9\u00e9dle$"_qs, 0, true, ""},
        {kSearchRegularExpression, u"(?<=the )n\u00c9{2}DLE"_qs, 1, true, ""},
        {kSearchRegularExpression, u"[\u00e0-\u00ff]dle\\w"_qs, 0, false, ""},
        {kSearchQueryTerms, u"N\u00e9\u00e9dle"_qs, 0, true, ""},
        {kSearchQueryTerms, u"caf* AND \"the n\u00c9\u00c9DLE\""_qs, 1, true, ""},
        {kSearchQueryTerms, u"lorem AND NOT absent*"_qs, 1, true, ""},
        {kSearchWildcards, u"*\u91DDneedle"_qs, 0, true, "-sjis"},
        {kSearchWildcards, u"*\u91DDNEEDLE"_qs, 1, true, "-sjis"},
        {kSearchWildcards, u"*[\uFF66-\uFF9F]x?"_qs, 0, false, "-sjis"},
        {kSearchRegularExpression, u"\u91DDneedle$"_qs, 0, true, "-sjis"},
        {kSearchRegularExpression, u"(?<=the )\u91DDNEE"_qs, 1, true, "-sjis"},
        {kSearchRegularExpression, u"[\uFF66-\uFF9F]{2}x"_qs, 0, false, "-sjis"},
        {kSearchQueryTerms, u"\"the \u91DDneedle\" AND \u65E5\u672C"_qs, 1, true, "-sjis"},
    };
    // AddressSanitizer keeps freed memory aside for a while, so a search
    // that allocates a window's index per window looks as if it held them
    // all.
#if defined(__SANITIZE_ADDRESS__)
    constexpr bool kFreedMemoryIsKept = true;
#else
    constexpr bool kFreedMemoryIsKept = false;
#endif
    for (const auto& search : searches) {
        SCOPED_TRACE(search.pattern.toStdString());
        if (kFreedMemoryIsKept && search.mode == kSearchQueryTerms)
            continue;
        const QByteArray smallFile = QByteArray("small") + search.files + ".txt";
        const QByteArray largeFile = QByteArray("large") + search.files + ".txt";
        // Once so that lazily built tables and the buffer are in place.
        setSearch(search.mode, {search.pattern}, search.comparison);
        EXPECT_EQ(matches(smallFile), search.found);
        const qint64 smallGrowth = growth(smallFile, search.found);
        const qint64 largeGrowth = growth(largeFile, search.found);
        // The text as UTF-16 would take 2 × (large - small) more.
        EXPECT_LT(largeGrowth, smallGrowth + (large - small) * 3 / 2)
            << "small " << smallGrowth << ", large " << largeGrowth;
    }
}

// Matching declared text on its bytes takes CPU time in proportion to the
// file: two-byte pieces are decoded from marks found once, and windows of
// query terms move on by at least a quarter of a window, never reading the
// text again from its start.
TEST_F(ContentReadingTest, DeclaredTextIsMatchedOnItsBytesInLinearTime)
{
    m_params.maxFileSize = std::uint64_t(1) << 31;
    const qsizetype small = qsizetype(256) << 10;
    if (!writeDeclaredShiftJis(u"small-sjis.txt"_qs, small) || !writeDeclaredShiftJis(u"large-sjis.txt"_qs, 16 * small)
        || !writeDeclaredLatin1(u"small.txt"_qs, small) || !writeDeclaredLatin1(u"large.txt"_qs, 16 * small))
        GTEST_SKIP() << "the temporary file system has no user extended attributes";
    const struct
    {
        SearchMode mode;
        QString pattern;
        const char* files;
    } searches[] = {
        {kSearchWildcards, u"*\u91DDneedle"_qs, "-sjis"},
        {kSearchRegularExpression, u"(?<=the )\u91DDneedle$"_qs, "-sjis"},
        {kSearchQueryTerms, u"\"the N\u00e9\u00e9dle\" AND caf*"_qs, ""},
        {kSearchQueryTerms, u"\"the \u91DDneedle\" AND lorem"_qs, "-sjis"},
    };
    for (const auto& search : searches) {
        SCOPED_TRACE(search.pattern.toStdString());
        setSearch(search.mode, {search.pattern}, 0);
        auto run = [this](const QByteArray& name) { EXPECT_TRUE(matches(name)); };
        const double ratio = test::leastCpuTimeRatio(QByteArray("small") + search.files + ".txt",
                                                     QByteArray("large") + search.files + ".txt", run);
        EXPECT_LE(ratio, 50.0) << "CPU time grew " << ratio << " times for a file 16 times larger";
    }
}

// Where every word is short, the windows answer themselves (the whole text
// is not read instead), as the plain path does: a phrase across the seam
// of two windows of 24 bytes, and NOT and XOR with leaves in different
// windows.
TEST_F(ContentReadingTest, DeclaredQueryTermsAreAnsweredInWindowsOfAFewWords)
{
    constexpr qsizetype kWindow = 24;
    const struct
    {
        QByteArray charset;
        QByteArray text;
        QStringList queries;
    } rows[] = {
        // The first window ends after "delta ".
        {"ISO-8859-1",
         "alpha beta gamma delta epsilon caf\xe9 zeta eta theta iota kappa lambda mu needle",
         {u"\"delta epsilon\""_qs, u"\"epsilon caf\u00e9\""_qs, u"\"delta zeta\""_qs,
          u"alpha AND NOT needle"_qs, u"alpha AND NOT absent"_qs, u"alpha XOR needle"_qs,
          u"needle XOR absent"_qs, u"CAF\u00c9 AND (mu OR absent)"_qs, u"NOT epsilon"_qs}},
        {"Shift_JIS",
         "lorem \x93\xfa\x96\x7b dolor \x82\xa0 sit amet \xb6\xc0 ipsum \x93\xfa tempor needle",
         {u"\"\u65e5\u672c dolor \u3042\""_qs, u"\"\u3042 sit amet\""_qs, u"lorem AND NOT needle"_qs,
          u"lorem XOR tempor"_qs, u"\u65e5 XOR absent"_qs, u"\uff76\uff80 AND NOT absent"_qs}},
    };
    std::atomic<bool> noStop{false};
    const StopCheck stop{&noStop, nullptr};
    std::map<bool, int> answers;
    for (const auto& row : rows) {
        const QByteArray name = writeNext(row.text);
        if (!declare(name, row.charset))
            GTEST_SKIP() << "the temporary file system has no user extended attributes";
        const FileLabel label{{}, name};
        LeftOutBytesNotice leftOut(label);
        const OpenFile file = openRegularFile(folder(), label, 1 << 20);
        ASSERT_TRUE(file.isOpen());
        for (const std::uint64_t comparison : {0u, 1u}) {
            for (const QString& query : row.queries) {
                SCOPED_TRACE(query.toStdString());
                setSearch(kSearchQueryTerms, {query}, comparison);
                ASSERT_TRUE(m_params.queryTerms);
                const bool plain = ContentMatcher(m_params, kWindow).matchesFileDecoded(folder(), name, m_buffer);
                ASSERT_EQ(::lseek(file.fd(), 0, SEEK_SET), 0);
                const std::optional<bool> windowed =
                    matchesDeclaredTerms(file.fd(), file.size(), row.charset, m_params, stop, kWindow, leftOut);
                ASSERT_TRUE(windowed.has_value()) << "answered in windows";
                EXPECT_EQ(*windowed, plain);
                ++answers[plain];
            }
        }
    }
    EXPECT_GT(answers[true], 0);
    EXPECT_GT(answers[false], 0);
}

// Query terms over declared text stop looking at windows once each leaf
// has been found: no later window can change the answer. Here a later
// word longer than a window would leave the file to be read whole.
TEST_F(ContentReadingTest, DeclaredQueryTermsStopOnceEveryLeafIsFound)
{
    constexpr qsizetype kWindow = 4096;
    QByteArray text = "needle caf\xe9 ";
    while (text.size() < 8 * kWindow)
        text += "lorem ipsum dolor sit amet ";
    text += QByteArray(3 * kWindow, 'w') + " lorem ipsum";
    const QByteArray name = writeNext(text);
    if (!declare(name, "ISO-8859-1"))
        GTEST_SKIP() << "the temporary file system has no user extended attributes";
    const FileLabel label{{}, name};
    LeftOutBytesNotice leftOut(label);
    const OpenFile file = openRegularFile(folder(), label, 1 << 20);
    ASSERT_TRUE(file.isOpen());
    std::atomic<bool> noStop{false};
    const StopCheck stop{&noStop, nullptr};
    const struct
    {
        QString query;
        std::optional<bool> answer;
    } rows[] = {
        {u"needle AND caf\u00e9"_qs, true},
        // "absent" is looked for up to the end, where the long word is.
        {u"needle AND NOT absent"_qs, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.query.toStdString());
        setSearch(kSearchQueryTerms, {row.query}, 1);
        ASSERT_EQ(::lseek(file.fd(), 0, SEEK_SET), 0);
        EXPECT_EQ(matchesDeclaredTerms(file.fd(), file.size(), "ISO-8859-1", m_params, stop, kWindow, leftOut),
                  row.answer);
    }
}

// A declared file matched whole on its bytes or in windows of query terms
// is read a window at a time with a look at the stop after each: a stop
// set before the match reads one window, not the whole file.
TEST_F(ContentReadingTest, StopEndsTheReadOfADeclaredFileWithinAWindow)
{
    const qsizetype size = 8 * kContentWindowBytes;
    if (!writeDeclaredLatin1(u"latin1"_qs, size) || !writeDeclaredShiftJis(u"sjis"_qs, size))
        GTEST_SKIP() << "the temporary file system has no user extended attributes";
    const struct
    {
        const char* name;
        QByteArray charset;
        QString last; // the file's last word
    } files[] = {
        {"latin1", "ISO-8859-1", u"n\u00e9\u00e9dle"_qs},
        {"sjis", "Shift_JIS", u"needle"_qs},
    };
    for (const auto& [name, charset, last] : files) {
        for (const auto& [mode, pattern] : {std::pair{kSearchWildcards, u"*"_qs + last},
                                            std::pair{kSearchRegularExpression, last},
                                            std::pair{kSearchQueryTerms, u"amet"_qs}}) {
            SCOPED_TRACE(std::string(name) + " " + pattern.toStdString());
            setSearch(mode, {pattern}, 1);
            const FileLabel label{{}, name};
            LeftOutBytesNotice leftOut(label);
            const OpenFile file = openRegularFile(folder(), label, std::uint64_t(1) << 30);
            ASSERT_TRUE(file.isOpen());
            for (const bool stopped : {false, true}) {
                ASSERT_EQ(::lseek(file.fd(), 0, SEEK_SET), 0);
                m_params.stop = stopped;
                std::atomic<std::uint64_t> work{0};
                const StopCheck stop{&m_params.stop, &work};
                const std::optional<bool> found =
                    mode == kSearchQueryTerms
                        ? matchesDeclaredTerms(file.fd(), file.size(), charset, m_params, stop, kContentWindowBytes,
                                               leftOut)
                        : matchesDeclaredBytes(file.fd(), file.size(), charset, m_params, stop, label, leftOut);
                const off_t read = ::lseek(file.fd(), 0, SEEK_CUR);
                if (stopped) {
                    EXPECT_EQ(found, std::optional(false));
                    EXPECT_LE(read, off_t(kContentWindowBytes));
                    EXPECT_LE(work.load(), std::uint64_t(kContentWindowBytes)) << "no pass over the rest";
                } else {
                    EXPECT_EQ(found, std::optional(true)) << "found on the bytes, not left to the plain path";
                    EXPECT_EQ(read, off_t(file.size()));
                }
            }
        }
    }
    m_params.stop = false;
}

// A declared file read a window at a time is read in its set across the
// windows' ends, whatever it holds: a character of two bytes cut by one is
// whole; a lead byte cut by the file's end or followed by a byte it cannot
// take, a pair the set leaves out, and a byte the set leaves out
// (ISO-8859-3 leaves out 0xA5), are U+FFFD, the first of them named; a set
// that leaves none out is not looked through. So in text of two bytes a
// character (read a character a step) and after runs of single bytes of
// every length (passed eight at a time once long), the eight bytes
// around the stray byte cut anywhere.
TEST_F(ContentReadingTest, DeclaredBytesAreReadAcrossTheEndsOfReadWindows)
{
    const QByteArray before(kContentWindowBytes - 1, 'a');
    const qsizetype seam = kContentWindowBytes - 1;
    // Pairs up to the last byte of the first window.
    const QByteArray dense = "a" + QByteArray("\x93\xfa").repeated(kContentWindowBytes / 2 - 1);
    const QByteArray denseKorean = "a" + QByteArray("\xb0\xa1").repeated(kContentWindowBytes / 2 - 1);
    struct Row
    {
        QByteArray charset;
        QByteArray text;
        QString pattern;
        qsizetype firstLeftOut; // -1: none
    };
    std::vector<Row> rows = {
        {"Shift_JIS", before + "\x93\xfa needle", u"*\u65e5 needle"_qs, -1},
        {"Shift_JIS", before + "b \x93\xfa needle", u"*\u65e5 needle"_qs, -1},
        {"Shift_JIS", before + "\x93\xfa needle\x93", u"*\u65e5 needle\ufffd"_qs, seam + 9},
        {"Shift_JIS", before + "\x93 needle", u"*a\ufffd needle"_qs, seam},
        {"Shift_JIS", before + "\xfd\x93\xfa needle\xfd", u"*a\ufffd\u65e5 needle\ufffd"_qs, seam},
        {"ISO-8859-3", "caf\xe9 needle", u"*needle"_qs, -1},
        {"ISO-8859-3", "caf\xe9 \xa5 needle\xa5", u"*\ufffd needle\ufffd"_qs, 5},
        {"ISO-8859-3", before + "\xa5 needle", u"*a\ufffd needle"_qs, seam},
        {"ISO-8859-3", before + "\xa6 needle", u"*needle"_qs, -1},
        {"ISO-8859-1", before + "\xa5 needle", u"*\u00a5 needle"_qs, -1},
        {"Shift_JIS", dense + "\x93\xfa needle", u"*\u65e5\u65e5 needle"_qs, -1},
        {"Shift_JIS", dense + "\x93 needle\x93\xfa", u"*\u65e5\ufffd needle\u65e5"_qs, seam},
        {"Shift_JIS", dense + "\x85\x40\x93\xfa needle\xfd", u"*\u65e5\ufffd\u65e5 needle\ufffd"_qs, seam},
        {"Shift_JIS", dense + "\xfd\x93\xfa needle", u"*\u65e5\ufffd\u65e5 needle"_qs, seam},
        {"Shift_JIS", dense.left(seam - 2) + "b\x93 \x93\xfa needle", u"*\u65e5b\ufffd \u65e5 needle"_qs, seam - 1},
        {"EUC-KR", denseKorean + "\xb0\xa1 needle", u"*\uac00\uac00 needle"_qs, -1},
        {"EUC-KR", denseKorean + "\xb0 needle", u"*\uac00\ufffd needle"_qs, seam},
        {"GBK", "a" + QByteArray("\xd6\xd0").repeated(kContentWindowBytes / 2 - 1) + "\x81 needle",
         u"*\u4e2d\ufffd needle"_qs, seam},
    };
    for (qsizetype run = 1; run <= 17; ++run) {
        // The stray lead `run` bytes into a run of single bytes that
        // follows a pair, where the eight-byte test begins or ends.
        const QByteArray text = "\x93\xfa" + QByteArray(run, 'b') + "\x93 needle" + QByteArray(run, 'c') + "\xfd";
        rows.push_back({"Shift_JIS", text, u"*b\ufffd needle*\ufffd"_qs, 2 + run});
    }
    std::atomic<bool> noStop{false};
    const StopCheck stop{&noStop, nullptr};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.charset.toStdString() + " " + row.pattern.toStdString());
        setSearch(kSearchWildcards, {row.pattern}, 0);
        const QByteArray name = writeNext(row.text);
        if (!declare(name, row.charset))
            GTEST_SKIP() << "the temporary file system has no user extended attributes";
        const FileLabel label{{}, name};
        LeftOutBytesNotice leftOut(label);
        const OpenFile file = openRegularFile(folder(), label, 1 << 20);
        ASSERT_TRUE(file.isOpen());
        test::LogCapture log;
        EXPECT_EQ(matchesDeclaredBytes(file.fd(), file.size(), converterForCharset(row.charset), m_params, stop,
                                       label, leftOut),
                  std::optional(true));
        EXPECT_EQ(log.lines().size(), row.firstLeftOut >= 0 ? 1 : 0);
        EXPECT_EQ(log.lines().filter(u"at byte %1"_qs.arg(row.firstLeftOut)).size(), row.firstLeftOut >= 0 ? 1 : 0);
    }
}

} // namespace
} // namespace sorvant
