#include "search/search_engine.h"

#include "platform/user_defaults.h"
#include "search/wildcard_patterns.h"
#include "tests/search/engine_test_support.h"
#include "tests/support/temp_tree.h"

#include <QCoreApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <chrono>
#include <thread>

namespace sorvant {
namespace {

using namespace std::chrono_literals;
using test::TempTree;

class RecordingOwner : public SearchEngineOwner
{
public:
    void beep() override { ++beeps; }
    void requestAttentionWhenInactive() override { ++attentionRequests; }
    QStringList localVolumePaths() override { return local; }
    QStringList removableMedia() override { return removable; }
    void didUpdateResultInfo(const ResultPointer&) override { ++infoUpdates; }

    std::atomic<int> beeps{0};
    int attentionRequests = 0;
    int infoUpdates = 0;
    QStringList local;
    QStringList removable;
};

// A file on which "(a+)+$" backtracks far longer than any test runs, so a
// search is reliably still running until it is stopped. The text holds the
// pattern's one required literal ("a"), so no prefilter skips the file.
const QByteArray kBacktrackingText = QByteArray(40, 'a') + '!';
const QString kBacktrackingPattern = QStringLiteral("(a+)+$");

class SearchEngineTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { initSeparatorsAndTables(); }

    SearchEngineTest() : m_defaults(m_settings.filePath(QStringLiteral("defaults.plist"))) {}

    // Waits until the search has ended (at most 30 s) and answers whether it did.
    static bool waitForDone(const SearchEngine& engine)
    {
        for (int i = 0; i < 30000 && !engine.searchDone(); ++i)
            std::this_thread::sleep_for(1ms);
        return engine.searchDone();
    }
    static bool waitForItems(const SearchEngine& engine, std::uint64_t count)
    {
        for (int i = 0; i < 30000 && engine.params().nDone.load() < count; ++i)
            std::this_thread::sleep_for(1ms);
        return engine.params().nDone.load() >= count;
    }
    QStringList searchAndCollect(SearchEngine& engine, const QString& phrase, const QString& path)
    {
        EXPECT_TRUE(engine.search(phrase, path));
        EXPECT_TRUE(waitForDone(engine));
        return test::shownRelativePaths(engine.dataSource(), m_tree.path());
    }
    void startBacktrackingSearch(SearchEngine& engine, const QString& path)
    {
        engine.params().what = kSearchContents;
        engine.params().mode = kSearchRegularExpression;
        ASSERT_TRUE(engine.search(kBacktrackingPattern, path));
        ASSERT_TRUE(waitForItems(engine, 1));
    }

    TempTree m_tree;
    TempTree m_settings;
    UserDefaults m_defaults;
    RecordingOwner m_owner;
};

TEST_F(SearchEngineTest, OneWordRunsAsPhraseAndPhraseStaysWhole)
{
    m_tree.writeFile(QStringLiteral("annual report.md"));
    m_tree.writeFile(QStringLiteral("report annual.txt"));
    SearchEngine engine(m_owner, m_defaults);
    engine.params().mode = kSearchAllWords;
    EXPECT_EQ(searchAndCollect(engine, QStringLiteral("annual"), m_tree.path()),
              (QStringList{"annual report.md", "report annual.txt"}));
    EXPECT_EQ(engine.params().mode, std::uint64_t(kSearchPhrase));
    EXPECT_EQ(searchAndCollect(engine, QStringLiteral("annual report"), m_tree.path()),
              QStringList{"annual report.md"});
    engine.params().mode = kSearchAllWords;
    EXPECT_EQ(searchAndCollect(engine, QStringLiteral("report annual"), m_tree.path()),
              (QStringList{"annual report.md", "report annual.txt"}));
}

TEST_F(SearchEngineTest, NothingToSearchBeepsAndEnds)
{
    for (int group = 1; group <= 6; ++group)
        m_defaults.setBool(false, QStringLiteral("fileExtOn%1").arg(group));
    struct Row
    {
        const char* name;
        std::uint64_t what;
        QString phrase;
        QString path;
    };
    const QList<Row> rows = {
        {"nothing chosen", 0, QStringLiteral("x"), m_tree.path()},
        {"empty phrase", kSearchNames, QStringLiteral(""), m_tree.path()},
        {"no destination", kSearchNames, QStringLiteral("x"), QString()},
        {"contents without extensions", kSearchContents, QStringLiteral("x"), m_tree.path()},
    };
    SearchEngine engine(m_owner, m_defaults);
    int beeps = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        engine.params().what = row.what;
        EXPECT_FALSE(engine.search(row.phrase, row.path));
        EXPECT_EQ(m_owner.beeps.load(), ++beeps);
        EXPECT_FALSE(engine.isSearching());
        EXPECT_TRUE(engine.searchDone());
        engine.clearSearchDone();
    }
}

// Regression: every search took apart the content search's extension lists,
// however long, before its walk began; a name search needs none of them.
TEST_F(SearchEngineTest, NameSearchesCostNothingForTheExtensionLists)
{
    constexpr int kSearches = 10;
    QStringList many;
    for (int i = 0; i < 50000; ++i)
        many.append(QStringLiteral("e%1").arg(i));
    const QString longList = many.join(QStringLiteral(", "));
    // CPU time of the process: the searches run on the engine's worker.
    const auto processCpuSeconds = [] {
        timespec now{};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
    };
    // The settings hold the same bytes either way, in the list or beside it.
    const auto cpuOfNameSearches = [&](bool longExtensionList) {
        m_defaults.setString(longExtensionList ? longList : QStringLiteral("txt"), QStringLiteral("fileExt1"));
        m_defaults.setString(longExtensionList ? QStringLiteral("txt") : longList, QStringLiteral("notes"));
        SearchEngine engine(m_owner, m_defaults);
        engine.params().what = kSearchNames;
        const double start = processCpuSeconds();
        for (int i = 0; i < kSearches; ++i)
            EXPECT_TRUE(searchAndCollect(engine, QStringLiteral("x"), m_tree.path()).isEmpty());
        return processCpuSeconds() - start;
    };
    (void)cpuOfNameSearches(false); // settles what a first search sets up once
    const double shortList = cpuOfNameSearches(false);
    const double withLongList = cpuOfNameSearches(true);
    EXPECT_LT(withLongList, 5 * shortList) << withLongList << " s against " << shortList << " s";
}

TEST_F(SearchEngineTest, ScanAllSearchesEveryFile)
{
    m_tree.writeFile(QStringLiteral("data.bin"), "quantum");
    m_tree.writeFile(QStringLiteral("note.txt"), "quantum");
    SearchEngine engine(m_owner, m_defaults);
    engine.params().what = kSearchContents;
    EXPECT_EQ(searchAndCollect(engine, QStringLiteral("quantum"), m_tree.path()), QStringList{"note.txt"});
    m_defaults.setBool(true, QStringLiteral("scanAll"));
    for (int group = 1; group <= 6; ++group)
        m_defaults.setBool(false, QStringLiteral("fileExtOn%1").arg(group));
    EXPECT_EQ(searchAndCollect(engine, QStringLiteral("quantum"), m_tree.path()),
              (QStringList{"data.bin", "note.txt"}));
    EXPECT_EQ(m_owner.beeps.load(), 0);
}

TEST_F(SearchEngineTest, StartWhileRunningOnlyStops)
{
    m_tree.writeFile(QStringLiteral("slow.txt"), kBacktrackingText);
    SearchEngine engine(m_owner, m_defaults);
    startBacktrackingSearch(engine, m_tree.path());
    EXPECT_FALSE(engine.search(QStringLiteral("other"), m_tree.path()));
    EXPECT_TRUE(engine.params().stop.load());
    ASSERT_TRUE(waitForDone(engine));
    EXPECT_EQ(engine.searchingCount(), 0);
    EXPECT_TRUE(test::shownRelativePaths(engine.dataSource(), m_tree.path()).isEmpty());
    // Once it has ended, the next start runs a new search at once.
    engine.params().what = kSearchNames;
    engine.params().mode = kSearchPhrase;
    EXPECT_EQ(searchAndCollect(engine, QStringLiteral("slow"), m_tree.path()), QStringList{"slow.txt"});
}

TEST_F(SearchEngineTest, StopDuringLocalVolumesEndsEveryVolume)
{
    m_owner.local = {m_tree.makeDir(QStringLiteral("first")), m_tree.makeDir(QStringLiteral("second"))};
    m_tree.writeFile(QStringLiteral("first/slow.txt"), kBacktrackingText);
    for (int i = 0; i < 20; ++i)
        m_tree.writeFile(QStringLiteral("second/file %1.txt").arg(i), "aaa");
    SearchEngine engine(m_owner, m_defaults);
    startBacktrackingSearch(engine, QString::fromUtf16(kLocalVolumesDestination));
    engine.stopSearch();
    EXPECT_TRUE(engine.searchDone());
    EXPECT_FALSE(engine.isSearching());
    EXPECT_EQ(engine.params().nDone.load(), 1u) << "the second volume ends at its first item";
    EXPECT_TRUE(engine.params().words.isEmpty()) << "the lists are freed once the worker has ended";
}

TEST_F(SearchEngineTest, PseudoDestinationsSearchEachVolumeOnce)
{
    const QString a = m_tree.makeDir(QStringLiteral("a"));
    const QString b = m_tree.makeDir(QStringLiteral("b"));
    const QString c = m_tree.makeDir(QStringLiteral("c"));
    for (const QString& volume : {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")})
        m_tree.writeFile(volume + QStringLiteral("/note.txt"));
    m_owner.local = {a, b};
    m_owner.removable = {b, c};
    SearchEngine engine(m_owner, m_defaults);
    struct Row
    {
        const char16_t* destination;
        QStringList expected;
    };
    const QList<Row> rows = {
        {kAllVolumesDestination, {"a/note.txt", "b/note.txt", "c/note.txt"}},
        {kLocalVolumesDestination, {"a/note.txt", "b/note.txt"}},
        {kRemovableVolumesDestination, {"b/note.txt", "c/note.txt"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.destination).toStdString());
        EXPECT_EQ(searchAndCollect(engine, QStringLiteral("note"), QString::fromUtf16(row.destination)), row.expected);
        EXPECT_EQ(engine.params().nDone.load(), std::uint64_t(row.expected.size()));
    }
}

TEST_F(SearchEngineTest, InvalidRegularExpressionSearchesRegression)
{
    // "file-([" does not compile: no search starts, the results of the
    // last search stay, and the engine says what is wrong.
    m_tree.writeFile(QStringLiteral("file-1.txt"));
    SearchEngine engine(m_owner, m_defaults);
    engine.params().what = kSearchNames;
    engine.params().mode = kSearchRegularExpression;
    EXPECT_EQ(searchAndCollect(engine, QStringLiteral("file-[0-9]"), m_tree.path()), QStringList{"file-1.txt"});
    EXPECT_TRUE(engine.searchError().isNull());
    engine.clearSearchDone();

    EXPECT_FALSE(engine.search(QStringLiteral("file-(["), m_tree.path()));
    EXPECT_FALSE(engine.isSearching());
    EXPECT_FALSE(engine.searchDone());
    EXPECT_EQ(engine.searchError(), QStringLiteral("a bracket [ is not closed at character 7"));
    EXPECT_EQ(test::shownRelativePaths(engine.dataSource(), m_tree.path()), QStringList{"file-1.txt"});
    EXPECT_EQ(m_owner.beeps.load(), 0);

    // The same text as a phrase is no pattern, and a good pattern clears the error.
    engine.params().mode = kSearchPhrase;
    EXPECT_TRUE(searchAndCollect(engine, QStringLiteral("file-(["), m_tree.path()).isEmpty());
    EXPECT_TRUE(engine.searchError().isNull());
}

TEST_F(SearchEngineTest, HighlightingIsSetBeforeTheWorkerRuns)
{
    m_tree.writeFile(QStringLiteral("slow.txt"), kBacktrackingText);
    SearchEngine engine(m_owner, m_defaults);
    engine.params().what = kSearchNames | kSearchContents;
    engine.params().mode = kSearchRegularExpression;
    ASSERT_TRUE(engine.search(kBacktrackingPattern, m_tree.path()));
    EXPECT_EQ(engine.dataSource().regularExpression().pattern, kBacktrackingPattern);
    EXPECT_EQ(engine.dataSource().regularExpression().options, 16u);
    engine.stopSearch();

    engine.params().mode = kSearchAllWords;
    ASSERT_TRUE(engine.search(QStringLiteral("slow text"), m_tree.path()));
    EXPECT_EQ(engine.dataSource().strings(), (QStringList{"slow", "text"}));
    EXPECT_TRUE(engine.dataSource().regularExpression().isNull());
    EXPECT_FALSE(engine.dataSource().wildcards());
    ASSERT_TRUE(waitForDone(engine));
    EXPECT_FALSE(engine.params().regex.isValid());

    engine.params().what = kSearchContents;
    ASSERT_TRUE(engine.search(QStringLiteral("slow"), m_tree.path()));
    EXPECT_TRUE(engine.dataSource().strings().isEmpty()) << "nothing to highlight without names or comments";
    EXPECT_EQ(engine.dataSource().what(), 0u);
}

TEST_F(SearchEngineTest, EndAsksForAttentionOnTheOwnersThread)
{
    m_tree.writeFile(QStringLiteral("note.txt"));
    SearchEngine engine(m_owner, m_defaults);
    searchAndCollect(engine, QStringLiteral("note"), m_tree.path());
    EXPECT_EQ(m_owner.attentionRequests, 0) << "queued, not called from the worker";
    QCoreApplication::processEvents();
    EXPECT_EQ(m_owner.attentionRequests, 1);
}

TEST_F(SearchEngineTest, DestroyingARunningEngineStopsAndJoins)
{
    m_tree.writeFile(QStringLiteral("slow.txt"), kBacktrackingText);
    auto engine = std::make_unique<SearchEngine>(m_owner, m_defaults);
    startBacktrackingSearch(*engine, m_tree.path());
    engine.reset();
    QCoreApplication::processEvents(); // a queued attention request of a gone engine is dropped
    EXPECT_EQ(m_owner.attentionRequests, 0);
}

TEST_F(SearchEngineTest, ResultInfoReachesTheOwnerForShownResultsOnly)
{
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(Qt::white);
    ASSERT_TRUE(picture.save(m_tree.filePath(QStringLiteral("picture one.png"))));
    ASSERT_TRUE(picture.save(m_tree.filePath(QStringLiteral("picture two.png"))));
    SearchEngine engine(m_owner, m_defaults);
    ASSERT_EQ(searchAndCollect(engine, QStringLiteral("picture"), m_tree.path()).size(), 2);
    const ResultPointer shown = engine.dataSource().resultAtIndex(0);
    const ResultPointer gone = engine.dataSource().resultAtIndex(1);
    engine.dataSource().lock();
    engine.dataSource().removeAllResults();
    engine.dataSource().unlock();
    engine.dataSource().addResult(shown);
    engine.dataSource().lock();
    engine.dataSource().flushResults();
    engine.dataSource().unlock();
    (void)shown->info();
    (void)gone->info();
    Result::waitForPendingInfo();
    QCoreApplication::processEvents();
    EXPECT_EQ(shown->info(), QStringLiteral("3 x 2"));
    EXPECT_EQ(m_owner.infoUpdates, 1);
}

// The owner's refresh gets the first results at once, then nothing until a
// flush is due; the end of the search comes once, with every result.
TEST_F(SearchEngineTest, TakeResultsHandsOverBatchesAndTellsTheEndOnce)
{
    for (int i = 0; i < 20; ++i)
        m_tree.writeFile(QStringLiteral("d%1/note%2.txt").arg(i % 4).arg(i));
    SearchEngine engine(m_owner, m_defaults);
    engine.params().what = kSearchNames;
    engine.params().type = kSearchFilesAndFolders;
    engine.params().mode = kSearchPhrase;
    ASSERT_TRUE(engine.search(QStringLiteral("note"), m_tree.path()));
    QList<ResultPointer> received;
    int ends = 0;
    int batches = 0;
    for (int tick = 0; tick < 2000 && ends == 0; ++tick) {
        const ResultsBatch batch = engine.takeResults();
        batches += batch.handedOver ? 1 : 0;
        received.append(batch.results);
        ends += batch.ended ? 1 : 0;
        if (!batch.ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(received.size(), 20);
    EXPECT_LE(batches, 3) << "the first batch, the last, and at most one more in two seconds";
    const ResultsBatch after = engine.takeResults();
    EXPECT_FALSE(after.ended || after.handedOver);
    EXPECT_TRUE(after.results.isEmpty());
    EXPECT_GE(after.done, 20u);
}

TEST(CatalogSearchOnLinuxTest, EveryDestinationWalks)
{
    TempTree tree;
    TempTree settings;
    tree.writeFile(QStringLiteral("note.txt"));
    UserDefaults defaults(settings.filePath(QStringLiteral("defaults.plist")));
    RecordingOwner owner;
    SearchEngine engine(owner, defaults);
    engine.params().words = {QStringLiteral("note")};
    engine.params().mode = kSearchPhrase;
    for (const QString& path : {QStringLiteral("/"), QStringLiteral("/Volumes/Disk"), tree.path()}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_FALSE(engine.canPerformCatalogSearch(path));
    }
    engine.threadInit();
    engine.performCatalogSearch(tree.path());
    EXPECT_EQ(test::shownRelativePaths(engine.dataSource(), tree.path()), QStringList{"note.txt"});
    EXPECT_EQ(engine.searchingCount(), 0);
    EXPECT_TRUE(engine.searchDone());
}

} // namespace
} // namespace sorvant
