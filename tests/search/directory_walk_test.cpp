#include "search/directory_walk.h"

#include "platform/file_error.h"
#include "platform/xattr.h"
#include "search/content_matching.h"
#include "search/ds_store.h"
#include "search/result.h"
#include "search/results_data_source.h"
#include "search/search_params.h"
#include "search/wildcard_patterns.h"
#include "tests/search/engine_test_support.h"
#include "tests/support/bound_by_permissions.h"
#include "tests/support/ds_store_writer.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_tree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <map>

namespace sorvant {
namespace {

using test::TempTree;

class DirectoryWalkTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { initSeparatorsAndTables(); }

    // Walks the tree with a record that searches names for `words` in
    // `mode`, changed further by `configure`; answers the reported paths.
    QStringList walk(const QStringList& words, std::uint64_t mode,
                     const std::function<void(SearchParams&)>& configure = {})
    {
        SearchParams params;
        m_results = std::make_unique<ResultsDataSource>();
        ResultsDataSource& results = *m_results;
        params.dataSource = &results;
        params.words = words;
        params.mode = mode;
        params.what = kSearchNames;
        params.comparison = 1;
        params.extensions = {QStringLiteral("TXT"), QStringLiteral("MD")};
        params.maxFileSize = std::uint64_t(1) << 30;
        if (mode == kSearchWildcards)
            params.wildcard = words.value(0);
        if (mode == kSearchQueryTerms)
            params.queryTerms = QueryTerms::queryTermsWithWildcard(words.value(0));
        if (mode == kSearchRegularExpression)
            params.regex = RegularExpression::compile(words.value(0), kRegexCaseInsensitive);
        if (configure)
            configure(params);
        ReportedPaths reported;
        searchWindowWalkDirectory(params, m_tree.path(), reported);
        m_lastDone = params.nDone.load();
        return test::shownRelativePaths(results, m_tree.path());
    }

    void link(const QString& target, const QString& relative)
    {
        ASSERT_EQ(::symlink(target.toUtf8().constData(), m_tree.filePath(relative).toUtf8().constData()), 0);
    }

    TempTree m_tree;
    std::uint64_t m_lastDone = 0;
    std::unique_ptr<ResultsDataSource> m_results; // of the last walk, flushed
};

TEST_F(DirectoryWalkTest, NamesMatchByMode)
{
    m_tree.writeFile(QStringLiteral("Report 2024.txt"));
    m_tree.writeFile(QStringLiteral("annual report.md"));
    m_tree.writeFile(QStringLiteral("budget.csv"));
    m_tree.writeFile(QStringLiteral("notes/report-draft.txt"));
    struct Row
    {
        const char* name;
        QStringList words;
        std::uint64_t mode;
        std::uint64_t comparison;
        QStringList expected;
    };
    const QList<Row> rows = {
        {"phrase ignoring case", {"report"}, kSearchPhrase, 1,
         {"Report 2024.txt", "annual report.md", "notes/report-draft.txt"}},
        {"phrase with case", {"report"}, kSearchPhrase, 0, {"annual report.md", "notes/report-draft.txt"}},
        {"all words", {"report", "ANNUAL"}, kSearchAllWords, 1, {"annual report.md"}},
        {"any word", {"budget", "2024"}, kSearchAnyWord, 1, {"Report 2024.txt", "budget.csv"}},
        {"wildcard", {"*.md"}, kSearchWildcards, 1, {"annual report.md"}},
        {"regular expression", {"^report \\d+"}, kSearchRegularExpression, 1, {"Report 2024.txt"}},
        {"query terms", {"budget OR annual"}, kSearchQueryTerms, 1, {"annual report.md", "budget.csv"}},
        {"folder by name", {"notes"}, kSearchPhrase, 1, {"notes"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(walk(row.words, row.mode, [&](SearchParams& p) { p.comparison = row.comparison; }), row.expected);
    }
}

TEST_F(DirectoryWalkTest, DecomposedNameMatchesComposedWord)
{
    m_tree.writeFile(QStringLiteral("re\u0301sume\u0301 draft.txt"));
    EXPECT_EQ(walk({QStringLiteral("résumé")}, kSearchPhrase).size(), 1);
}

TEST_F(DirectoryWalkTest, InvisibleItemsOnlyWithInvisibles)
{
    m_tree.writeFile(QStringLiteral("plain report.txt"));
    m_tree.writeFile(QStringLiteral(".secret report.txt"));
    m_tree.writeFile(QStringLiteral(".git/report.txt"));
    m_tree.writeFile(QStringLiteral("listed report.txt"));
    m_tree.writeFile(QStringLiteral(".hidden"), "listed report.txt\n");
    EXPECT_EQ(walk({QStringLiteral("report")}, kSearchPhrase), QStringList{"plain report.txt"});
    EXPECT_EQ(m_lastDone, 1u) << "hidden items are not even counted";
    EXPECT_EQ(walk({QStringLiteral("report")}, kSearchPhrase, [](SearchParams& p) { p.invisibles = true; }),
              (QStringList{".git/report.txt", ".secret report.txt", "listed report.txt", "plain report.txt"}));
}

TEST_F(DirectoryWalkTest, PackagesAreFilesAndClosedUnlessAsked)
{
    m_tree.writeFile(QStringLiteral("report.textbundle/text.md"));
    m_tree.writeFile(QStringLiteral("Tool.app/Contents/report.txt"));
    m_tree.makeDir(QStringLiteral("report folder"));
    const QStringList word{QStringLiteral("report")};
    EXPECT_EQ(walk(word, kSearchPhrase), (QStringList{"report folder", "report.textbundle"}));
    EXPECT_EQ(walk(word, kSearchPhrase, [](SearchParams& p) { p.type = kSearchFiles; }),
              QStringList{"report.textbundle"});
    EXPECT_EQ(walk(word, kSearchPhrase, [](SearchParams& p) { p.type = kSearchFolders; }),
              QStringList{"report folder"});
    EXPECT_EQ(walk(word, kSearchPhrase, [](SearchParams& p) { p.packageContents = true; }),
              (QStringList{"Tool.app/Contents/report.txt", "report folder", "report.textbundle"}));
}

TEST_F(DirectoryWalkTest, ContentsOfListedRegularFilesOnly)
{
    m_tree.writeFile(QStringLiteral("a.txt"), "the Quantum leap");
    QByteArray utf16("\xff\xfe");
    for (const char c : QByteArray("a quantum of text"))
        utf16.append(c).append('\0');
    m_tree.writeFile(QStringLiteral("b.txt"), utf16);
    m_tree.writeFile(QStringLiteral("c.md"));
    m_tree.writeFile(QStringLiteral("d.bin"), "quantum");
    m_tree.writeFile(QStringLiteral("e.txt"), "quantum \xc3\x28 broken");
    m_tree.writeFile(QStringLiteral("far/inside.txt"), "quantum");
    link(QStringLiteral("a.txt"), QStringLiteral("link.txt"));
    link(m_tree.filePath(QStringLiteral("far")), QStringLiteral("near.txt"));
    ASSERT_EQ(::mkfifo(m_tree.filePath(QStringLiteral("pipe.txt")).toUtf8().constData(), 0600), 0);

    const auto contents = [](SearchParams& p) { p.what = kSearchContents; };
    EXPECT_EQ(walk({QStringLiteral("quantum")}, kSearchPhrase, contents),
              (QStringList{"a.txt", "b.txt", "far/inside.txt", "link.txt"}));
    EXPECT_EQ(walk({QStringLiteral("quantum")}, kSearchPhrase,
                   [&](SearchParams& p) {
                       contents(p);
                       p.scanAll = true;
                   }),
              (QStringList{"a.txt", "b.txt", "d.bin", "far/inside.txt", "link.txt"}));
    EXPECT_EQ(walk({QStringLiteral("quantum")}, kSearchPhrase,
                   [&](SearchParams& p) {
                       contents(p);
                       p.maxFileSize = 16; // "the Quantum leap" has 16 bytes
                   }),
              QStringList{"far/inside.txt"});
}

TEST_F(DirectoryWalkTest, LinksAreItemsNeverFollowed)
{
    m_tree.writeFile(QStringLiteral("sub/loop target.txt"));
    link(QStringLiteral("loop_b"), QStringLiteral("loop_a"));
    link(QStringLiteral("loop_a"), QStringLiteral("loop_b"));
    link(m_tree.path(), QStringLiteral("sub/loop up"));
    EXPECT_EQ(walk({QStringLiteral("loop")}, kSearchPhrase),
              (QStringList{"loop_a", "loop_b", "sub/loop target.txt", "sub/loop up"}));
    EXPECT_EQ(walk({QStringLiteral("loop")}, kSearchPhrase, [](SearchParams& p) { p.type = kSearchFolders; }),
              QStringList{});
}

TEST_F(DirectoryWalkTest, TagsAreMatchedJoined)
{
    const QString tagged = m_tree.writeFile(QStringLiteral("plain.txt"));
    m_tree.writeFile(QStringLiteral("other.txt"));
    if (!setTagNamesAtPath(tagged, {QStringLiteral("red"), QStringLiteral("Work")}))
        GTEST_SKIP() << "no extended attributes on this file system";
    link(QStringLiteral("plain.txt"), QStringLiteral("link to plain"));
    const auto tags = [](SearchParams& p) { p.what = kSearchTags; };
    EXPECT_EQ(walk({QStringLiteral("red work")}, kSearchPhrase, tags), QStringList{"plain.txt"})
        << "a link does not borrow its target's tags";
    EXPECT_EQ(walk({QStringLiteral("blue")}, kSearchPhrase, tags), QStringList{});
}

// Comments kept in "user.xdg.comment" were never read: only ".DS_Store"
// was. The store's comment wins where an item has both, in the search as in
// the column; a link does not borrow its target's.
TEST_F(DirectoryWalkTest, CommentsInTheXdgAttributeAreFoundAndShown)
{
    const QString noted = m_tree.writeFile(QStringLiteral("noted.txt"));
    const QString both = m_tree.writeFile(QStringLiteral("both.txt"));
    m_tree.writeFile(QStringLiteral("plain.txt"));
    if (!setCommentAtPath(noted, QStringLiteral("Quartalszahlen prüfen"))
        || !setCommentAtPath(both, QStringLiteral("quartal attribute")))
        GTEST_SKIP() << "no extended attributes on this file system";
    ASSERT_TRUE(test::writeDSStore(m_tree.path(), {test::DSStoreRecord::comment("both.txt", "store words")}));
    link(QStringLiteral("noted.txt"), QStringLiteral("link to noted"));
    const auto comments = [](SearchParams& p) { p.what = kSearchComments; };
    EXPECT_EQ(walk({QStringLiteral("quartalszahlen")}, kSearchPhrase, comments), QStringList{"noted.txt"});
    EXPECT_EQ(walk({QStringLiteral("store")}, kSearchPhrase, comments), QStringList{"both.txt"});
    EXPECT_EQ(walk({QStringLiteral("attribute")}, kSearchPhrase, comments), QStringList{})
        << "the store's comment comes first";

    // The column reads the same comment when the search did not.
    const auto shown = [&](const QString& path, const QString& name) {
        return Result::create(path, m_tree.path(), name, std::nullopt, QString(), false, false)->comment();
    };
    EXPECT_EQ(shown(noted, QStringLiteral("noted.txt")), QStringLiteral("Quartalszahlen prüfen"));
    EXPECT_EQ(shown(both, QStringLiteral("both.txt")), QStringLiteral("store words"));
    EXPECT_EQ(shown(m_tree.filePath(QStringLiteral("link to noted")), QStringLiteral("link to noted")), QString(""));
}

// A walk that leaves dates and sizes to first use gives the results the
// same values as one that reads them as it goes: files, a folder, a package,
// a link and an empty file.
TEST_F(DirectoryWalkTest, DatesAndSizesReadOnFirstUseAreThoseTheWalkReads)
{
    m_tree.writeFile(QStringLiteral("a.txt"), QByteArray(1234, 'x'));
    m_tree.writeFile(QStringLiteral("empty.png"), QByteArray());
    m_tree.writeFile(QStringLiteral("sub/b.pdf"), QByteArray(77, 'y'));
    m_tree.writeFile(QStringLiteral("Tool.app/Contents/x"));
    link(QStringLiteral("a.txt"), QStringLiteral("link"));
    struct Shown
    {
        QString type;
        QDateTime created;
        QDateTime modified;
        qint64 size;
        QString sizeText;
        ResultType resultType;
        bool operator==(const Shown&) const = default;
    };
    const auto walkReading = [&](bool readsItemStatus) {
        walk({QStringLiteral("a"), QStringLiteral("e"), QStringLiteral("b"), QStringLiteral("t"), QStringLiteral("s"),
              QStringLiteral("l")},
             kSearchAnyWord, [&](SearchParams& p) { p.readsItemStatus = readsItemStatus; });
        std::map<QString, Shown> shown;
        for (const ResultPointer& result : m_results->results())
            shown[result->fullPath()] = {result->type(),           result->created(), result->modified(),
                                         result->signedFileSize(), result->size(),    result->resultType()};
        return shown;
    };
    const std::map<QString, Shown> read = walkReading(true);
    const std::map<QString, Shown> deferred = walkReading(false);
    ASSERT_EQ(read.size(), 6U);
    EXPECT_TRUE(read == deferred);
    EXPECT_EQ(read.at(m_tree.filePath(QStringLiteral("a.txt"))).size, 1234);
    EXPECT_EQ(read.at(m_tree.filePath(QStringLiteral("sub"))).size, -1);
    EXPECT_TRUE(read.at(m_tree.filePath(QStringLiteral("sub/b.pdf"))).modified.isValid());
}

TEST_F(DirectoryWalkTest, DeepTreesAreWalkedWholly)
{
    // Deeper than the folders the walk keeps open at once.
    QString deep;
    for (int level = 0; level < 300; ++level)
        deep += QStringLiteral("d/");
    m_tree.writeFile(deep + QStringLiteral("report.txt"));
    m_tree.writeFile(QStringLiteral("d/report side.txt"));
    EXPECT_EQ(walk({QStringLiteral("report")}, kSearchPhrase),
              (QStringList{deep + QStringLiteral("report.txt"), "d/report side.txt"}));
    EXPECT_EQ(m_lastDone, 302u);
}

TEST_F(DirectoryWalkTest, ReportedPathsAreNotReportedAgain)
{
    m_tree.writeFile(QStringLiteral("report.txt"));
    SearchParams params;
    ResultsDataSource results;
    params.dataSource = &results;
    params.words = {QStringLiteral("report")};
    params.mode = kSearchPhrase;
    ReportedPaths reported;
    searchWindowWalkDirectory(params, m_tree.path(), reported);
    searchWindowWalkDirectory(params, m_tree.path(), reported);
    EXPECT_EQ(test::shownRelativePaths(results, m_tree.path()), QStringList{"report.txt"});
    EXPECT_EQ(params.nDone.load(), 2u);
}

TEST_F(DirectoryWalkTest, StopEndsBeforeTheNextItem)
{
    m_tree.writeFile(QStringLiteral("report.txt"));
    EXPECT_EQ(walk({QStringLiteral("report")}, kSearchPhrase, [](SearchParams& p) { p.stop = true; }),
              QStringList{});
    EXPECT_EQ(m_lastDone, 0u);
}

TEST_F(DirectoryWalkTest, UnreadableFoldersAreSkipped)
{
    SORVANT_BIND_PERMISSIONS();
    m_tree.writeFile(QStringLiteral("closed/report.txt"));
    m_tree.writeFile(QStringLiteral("open/report.txt"));
    ASSERT_EQ(::chmod(m_tree.filePath(QStringLiteral("closed")).toUtf8().constData(), 0), 0);
    const test::LogCapture quiet;
    EXPECT_EQ(walk({QStringLiteral("report")}, kSearchPhrase, [](SearchParams& p) { p.threads = 1; }),
              QStringList{"open/report.txt"});
    ::chmod(m_tree.filePath(QStringLiteral("closed")).toUtf8().constData(), 0700);
}

// A folder below the root that cannot be read, and the tags and comments of
// a file that cannot be read, were passed over in silence. Each is named
// once, with the reason, and only where the search needed it; a folder that
// is gone is no failure.
TEST_F(DirectoryWalkTest, WhatCannotBeReadIsNamedWithTheReason)
{
    SORVANT_BIND_PERMISSIONS();
    m_tree.writeFile(QStringLiteral("closed/report.txt"));
    m_tree.writeFile(QStringLiteral("open/report.txt"));
    const QString locked = m_tree.writeFile(QStringLiteral("open/locked report.txt"));
    const bool tagged = setTagNamesAtPath(locked, {QStringLiteral("red")})
                        && setCommentAtPath(locked, QStringLiteral("a note"));
    ASSERT_EQ(::chmod(m_tree.filePath(QStringLiteral("closed")).toUtf8().constData(), 0), 0);
    ASSERT_EQ(::chmod(locked.toUtf8().constData(), 0), 0);
    const QString closedLine = QStringLiteral("WARNING: Skipped the folder %1: %2")
                                   .arg(m_tree.filePath(QStringLiteral("closed")), errorMessage(EACCES));
    // The folder's own tags and comments cannot be read either: it is
    // named once all the same.
    const QString lockedLine = QStringLiteral("WARNING: Skipped the %1 of ") + locked + QStringLiteral(": ") + errorMessage(EACCES);
    const struct
    {
        const char* name;
        std::uint64_t what;
        QStringList lines;
    } cases[] = {
        {"names", kSearchNames, {closedLine}},
        {"tags", kSearchTags, {closedLine, lockedLine.arg(u"tags")}},
        {"comments", kSearchComments, {closedLine, lockedLine.arg(u"comments")}},
        {"both", kSearchTags | kSearchComments, {closedLine, lockedLine.arg(u"tags and comments")}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        test::LogCapture log;
        walk({QStringLiteral("nothing here")}, kSearchPhrase, [&](SearchParams& p) {
            p.what = row.what;
            p.threads = 1;
        });
        QStringList expected = row.lines;
        if (!tagged)
            expected = {closedLine};
        QStringList lines = log.lines();
        lines.sort();
        expected.sort();
        EXPECT_EQ(lines, expected);
    }
    ::chmod(m_tree.filePath(QStringLiteral("closed")).toUtf8().constData(), 0700);
    ::chmod(locked.toUtf8().constData(), 0600);
}

// Regression: a ".DS_Store" that could not be read hid every comment of its
// folder without a word. It is named where comments are searched.
TEST_F(DirectoryWalkTest, AnUnreadableStoreOfCommentsIsNamed)
{
    SORVANT_BIND_PERMISSIONS();
    m_tree.writeFile(QStringLiteral("notes/report.txt"));
    const QString store = m_tree.writeFile(QStringLiteral("notes/.DS_Store"), QByteArray("Bud1"));
    ASSERT_EQ(::chmod(store.toUtf8().constData(), 0), 0);
    const QString line = QStringLiteral("WARNING: Skipped the comments in %1: %2").arg(store, errorMessage(EACCES));
    const struct
    {
        const char* name;
        std::uint64_t what;
        QStringList lines;
    } cases[] = {
        {"names", kSearchNames, {}},
        {"tags", kSearchTags, {}},
        {"comments", kSearchComments, {line}},
        {"names and comments", kSearchNames | kSearchComments, {line}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        DSStore::invalidateFinderCommentsCache();
        test::LogCapture log;
        walk({QStringLiteral("nothing here")}, kSearchPhrase, [&](SearchParams& p) {
            p.what = row.what;
            p.threads = 1;
        });
        EXPECT_EQ(log.lines(), row.lines);
    }
    ::chmod(store.toUtf8().constData(), 0600);
}

// An unreadable store is read again by every thread, every slice of its
// folder, and every lookup after another folder's; it is named once.
TEST_F(DirectoryWalkTest, AnUnreadableStoreIsNamedOnceHoweverOftenItIsRead)
{
    SORVANT_BIND_PERMISSIONS();
    for (int i = 0; i < 64; ++i)
        m_tree.writeFile(QStringLiteral("notes/report%1.txt").arg(i));
    m_tree.writeFile(QStringLiteral("other/plan.txt"));
    const QString store = m_tree.writeFile(QStringLiteral("notes/.DS_Store"), QByteArray("Bud1"));
    ASSERT_EQ(::chmod(store.toUtf8().constData(), 0), 0);
    DSStore::invalidateFinderCommentsCache();
    test::LogCapture log;
    for (const int threads : {1, 4, 4}) {
        walk({QStringLiteral("nothing here")}, kSearchPhrase, [&](SearchParams& p) {
            p.what = kSearchComments;
            p.threads = threads;
        });
    }
    // Lookups that alternate folders read the store each time.
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(DSStore::itemCommentAtPath(m_tree.filePath(QStringLiteral("notes/report0.txt"))).isEmpty());
        EXPECT_TRUE(DSStore::itemCommentAtPath(m_tree.filePath(QStringLiteral("other/plan.txt"))).isEmpty());
    }
    DSStore::invalidateFinderCommentsCache();
    ::chmod(store.toUtf8().constData(), 0600);
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("WARNING: Skipped the comments in %1: %2").arg(store, errorMessage(EACCES))});
}

// A folder that can be listed but not entered may hold no store at all:
// its comments are skipped without naming one.
TEST_F(DirectoryWalkTest, AFolderThatCannotBeEnteredNamesNoStore)
{
    SORVANT_BIND_PERMISSIONS();
    m_tree.writeFile(QStringLiteral("sealed/report.txt"));
    const QByteArray sealed = m_tree.filePath(QStringLiteral("sealed")).toUtf8();
    ASSERT_EQ(::chmod(sealed.constData(), 0600), 0);
    DSStore::invalidateFinderCommentsCache();
    test::LogCapture log;
    walk({QStringLiteral("nothing here")}, kSearchPhrase, [&](SearchParams& p) {
        p.what = kSearchComments;
        p.threads = 1;
    });
    ::chmod(sealed.constData(), 0700);
    EXPECT_EQ(log.lines().filter(QStringLiteral(".DS_Store")), QStringList());
}

TEST_F(DirectoryWalkTest, MissingOrEmptyRootWalksNothing)
{
    for (const QString& root : {QString(), QString(""), m_tree.filePath(QStringLiteral("missing"))}) {
        SCOPED_TRACE(root.toStdString());
        SearchParams params;
        params.words = {QStringLiteral("x")};
        ReportedPaths reported;
        searchWindowWalkDirectory(params, root, reported);
        EXPECT_EQ(params.nDone.load(), 0u);
    }
}

// A tmpfs mounted below holds files like a disk's folder and is entered; a
// proc, which the kernel fills, is not. Staying on the volume enters neither.
TEST_F(DirectoryWalkTest, MountsAreEnteredUnlessTheKernelFillsThem)
{
    const QByteArray memory = m_tree.makeDir(QStringLiteral("inner report")).toUtf8();
    const QByteArray kernel = m_tree.makeDir(QStringLiteral("kernel")).toUtf8();
    if (::mount("none", memory.constData(), "tmpfs", 0, nullptr) != 0)
        GTEST_SKIP() << "mounting needs privileges this run does not have";
    struct Unmount
    {
        QByteArray path;
        ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
    } unmountMemory{memory};
    ASSERT_EQ(::mount("proc", kernel.constData(), "proc", 0, nullptr), 0);
    const Unmount unmountKernel{kernel};
    m_tree.writeFile(QStringLiteral("inner report/report.txt"));
    m_tree.writeFile(QStringLiteral("outer report.txt"));
    EXPECT_EQ(walk({QStringLiteral("report")}, kSearchPhrase),
              (QStringList{"inner report", "inner report/report.txt", "outer report.txt"}));
    // /proc holds "self" (and "kernel/..." names by the hundred).
    EXPECT_EQ(walk({QStringLiteral("self")}, kSearchPhrase), QStringList());
    SearchParams params;
    ResultsDataSource results;
    params.dataSource = &results;
    params.words = {QStringLiteral("report")};
    params.mode = kSearchPhrase;
    ReportedPaths reported;
    searchWindowWalkDirectory(params, m_tree.path(), reported, MountCrossing::StayOnVolume);
    EXPECT_EQ(test::shownRelativePaths(results, m_tree.path()), (QStringList{"inner report", "outer report.txt"}));
}

TEST(VolumeRootPathTest, Table)
{
    const QList<std::pair<QString, bool>> rows = {
        {"/", true},           {"/Volumes/Disk", true}, {"/volumes/Disk", true}, {"/Volumes/Disk/x", false},
        {"/home", false},      {"", false},             {QString(), false},      {"/Volumes/", true},
    };
    for (const auto& [path, expected] : rows) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(isVolumeRootPath(path), expected);
    }
}

} // namespace
} // namespace sorvant
