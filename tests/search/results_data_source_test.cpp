#include "search/results_data_source.h"

#include "platform/file_system_representation.h"
#include "platform/scan_work.h"
#include "search/ds_store.h"
#include "tests/support/ds_store_writer.h"
#include "tests/support/pinned_locale.h"
#include "tests/support/temp_tree.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <random>
#include <thread>

#include <QFileInfo>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

using namespace std::chrono_literals;
using Clock = ResultsDataSource::Clock;

void setModified(const QString& path, qint64 seconds)
{
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

QStringList names(const ResultsDataSource& model)
{
    QStringList list;
    for (const ResultPointer& result : model.results())
        list.append(result->name());
    return list;
}

// The items every sort test uses: names that need numeric and
// case-insensitive collation, a folder, two items with the same date, and
// an item of the same name in a subfolder (display path "./sub").
class SortedResults : public ::testing::TestWithParam<std::tuple<std::uint64_t, bool>>
{
protected:
    void SetUp() override
    {
        DSStore::invalidateFinderCommentsCache();
        tree.makeDir("sub");
        add("file10.txt", 300, 1000);
        add("File9.TXT", 100, 3000);
        add("apple.md", 200, 2000);
        add("sub/apple.md", 50, 2000);
        const QString folder = tree.makeDir("Zeta");
        setModified(folder, 500);
        model.addResult(Result::create(folder, tree.path(), "Zeta", std::nullopt, QString(), true, false));
        ASSERT_TRUE(test::writeDSStore(tree.path(), {test::DSStoreRecord::comment("file10.txt", "beta"),
                                                     test::DSStoreRecord::comment("File9.TXT", "alpha")}));
        ASSERT_TRUE(test::writeDSStore(tree.path() + "/sub", {test::DSStoreRecord::comment("apple.md", "gamma")}));
        model.lock();
        ASSERT_TRUE(model.flushResults());
        model.unlock();
    }

    void add(const QString& relative, int size, qint64 modified)
    {
        const QString path = tree.writeFile(relative, QByteArray(size, 'x'));
        setModified(path, modified);
        model.addResult(Result::create(path, tree.path(), relative.section('/', -1), std::nullopt, QString(), false, false));
    }

    // The POSIX locale's collation orders like ASCII; the browser order is
    // the point here.
    test::PinnedLocale locale{QStringLiteral("en_US"), QStringLiteral("UTC")};
    test::TempTree tree;
    ResultsDataSource model;
};

// The order the parameters ask for, written out by hand from the items
// above ("apple.md" in the base folder shows as the folder's name and
// sorts before the one in "name/sub").
QStringList expectedOrder(std::uint64_t key, bool reverse)
{
    const std::map<std::uint64_t, QStringList> ascending = {
        {kSortByName, {"apple.md", "apple.md", "File9.TXT", "file10.txt", "Zeta"}},
        {kSortByModified, {"Zeta", "file10.txt", "apple.md", "apple.md", "File9.TXT"}},
        {kSortBySize, {"Zeta", "apple.md", "File9.TXT", "apple.md", "file10.txt"}},
        {kSortByPath, {"apple.md", "File9.TXT", "file10.txt", "Zeta", "apple.md"}},
        {kSortByKind, {"Zeta", "apple.md", "apple.md", "File9.TXT", "file10.txt"}},
        {kSortByComment, {"apple.md", "Zeta", "File9.TXT", "file10.txt", "apple.md"}},
    };
    const auto expectedIt = ascending.find(key);
    if (expectedIt == ascending.end())
        return {};
    QStringList expected = expectedIt->second;
    if (reverse)
        std::reverse(expected.begin(), expected.end());
    return expected;
}

TEST_P(SortedResults, OrdersByKeyThenNameThenPath)
{
    const auto [key, reverse] = GetParam();
    const QStringList expected = expectedOrder(key, reverse);
    ASSERT_FALSE(expected.isEmpty());
    model.setSorting(key, reverse);
    EXPECT_FALSE(model.isSorted());
    EXPECT_EQ(model.numberOfRowsInTableView(), 5u);
    EXPECT_TRUE(model.isSorted());
    EXPECT_EQ(names(model), expected);
    // Among equal names the display path decides.
    if (key == kSortByName) {
        EXPECT_EQ(model.resultAtIndex(reverse ? 4 : 0)->displayPath(), QFileInfo(tree.path()).fileName());
    }
}

// A re-sort whose keys and order are made on another thread ends as the
// sort on the owner's thread does, also from keys made for another key; a
// work taken before the order asked for changed again moves nothing.
TEST_P(SortedResults, ReSortMadeOnAnotherThreadEndsInTheSameOrder)
{
    const auto [key, reverse] = GetParam();
    model.setSorting(key == kSortBySize ? kSortByName : kSortBySize, !reverse);
    EXPECT_EQ(model.numberOfRowsInTableView(), 5u);

    ResultsDataSource::SortWork work = model.takeSortWork(key, reverse);
    EXPECT_FALSE(model.isSorted());
    std::thread([&work] { ResultsDataSource::prepareSort(work); }).join();
    EXPECT_TRUE(model.applySort(std::move(work), nullptr));
    EXPECT_TRUE(model.isSorted());
    EXPECT_EQ(names(model), expectedOrder(key, reverse));

    ResultsDataSource::SortWork stale = model.takeSortWork(key, !reverse);
    ResultsDataSource::prepareSort(stale);
    model.setSorting(key, reverse);
    EXPECT_FALSE(model.applySort(std::move(stale), nullptr));
    EXPECT_EQ(names(model), expectedOrder(key, reverse));
}

std::string sortCaseName(const ::testing::TestParamInfo<std::tuple<std::uint64_t, bool>>& p)
{
    static const char* const kKeyNames[] = {"name", "modified", "size", "path", "kind", "created", "info", "comment"};
    return std::string(kKeyNames[std::get<0>(p.param)]) + (std::get<1>(p.param) ? "Reverse" : "");
}

INSTANTIATE_TEST_SUITE_P(Keys, SortedResults,
                         ::testing::Combine(::testing::Values(kSortByName, kSortByModified, kSortBySize, kSortByPath,
                                                          kSortByKind, kSortByComment),
                                          ::testing::Bool()),
                         sortCaseName);

TEST(ResultsDataSource, SortByInfoUsesTheKnownTextsAndStartsTheRest)
{
    test::PinnedLocale locale(QStringLiteral("en_US"), QStringLiteral("UTC"));
    test::TempTree tree;
    ResultsDataSource model;
    for (const char* name : {"b.png", "a.txt", "c.png"})
        model.addResult(Result::create(tree.writeFile(name, "x"), tree.path(), name, std::nullopt, QString(), false, false));
    model.lock();
    model.flushResults();
    model.unlock();
    model.setSorting(kSortByInfo, false);
    (void)model.numberOfRowsInTableView();
    // Nothing is known yet: all sort as "", so by name; the images' info
    // computations have started.
    EXPECT_EQ(names(model), (QStringList{"a.txt", "b.png", "c.png"}));
    EXPECT_FALSE(model.resultAtIndex(1)->shouldGetInfo());
    Result::waitForPendingInfo();
}

TEST(ResultsDataSource, FlushesInBatchesAtMostEveryTwoSeconds)
{
    test::TempTree tree;
    const QString path = tree.writeFile("a", "x");
    const auto make = [&] { return Result::create(path, tree.path(), "a", std::nullopt, QString(), false, false); };
    ResultsDataSource model;
    const Clock::time_point t0 = Clock::now();
    EXPECT_FALSE(model.shouldFlush(t0)); // nothing pending
    model.addResult(nullptr);
    EXPECT_FALSE(model.shouldFlush(t0));
    model.addResult(make());
    EXPECT_TRUE(model.shouldFlush(t0)); // the first result shows at once
    model.lock();
    EXPECT_TRUE(model.flushResults(t0));
    EXPECT_FALSE(model.flushResults(t0));
    model.unlock();
    EXPECT_EQ(model.count(), 1u);

    model.addResult(make());
    model.addResult(make());
    EXPECT_FALSE(model.shouldFlush(t0 + 1s));
    EXPECT_FALSE(model.shouldFlush(t0 + 2s)); // strictly more than 2 s
    EXPECT_TRUE(model.shouldFlush(t0 + 2001ms));
    EXPECT_EQ(model.count(), 1u); // pending results are not counted yet
    model.lock();
    EXPECT_TRUE(model.flushResults(t0 + 2001ms));
    model.unlock();
    EXPECT_EQ(model.count(), 3u);
    EXPECT_FALSE(model.isSorted());

    model.addResult(make());
    model.lock();
    model.removeAllResults();
    model.unlock();
    EXPECT_EQ(model.count(), 0u);
    EXPECT_TRUE(model.results().isEmpty());
    EXPECT_FALSE(model.shouldFlush(t0 + 10s));
    model.addResult(make());
    EXPECT_TRUE(model.shouldFlush(t0)); // no flush time after a reset
}

TEST(ResultsDataSource, LookupsAndRemovalOfDeletedItems)
{
    test::TempTree tree;
    ResultsDataSource model;
    QList<ResultPointer> made;
    for (const char* name : {"a", "b", "c"}) {
        made.append(Result::create(tree.writeFile(name, "x"), tree.path(), name, std::nullopt, QString(), false, false));
        model.addResult(made.last());
    }
    model.lock();
    model.flushResults();
    model.unlock();
    EXPECT_EQ(model.indexOfResult(made[2].get()), 2);
    EXPECT_EQ(model.indexOfResult(nullptr), -1);
    const ResultPointer stranger = Result::create(tree.filePath("a"), tree.path(), "a", std::nullopt, QString(), false, false);
    EXPECT_EQ(model.indexOfResult(stranger.get()), -1);
    EXPECT_EQ(model.resultAtIndex(3), nullptr);
    EXPECT_EQ(model.resultAtIndex(-1), nullptr);

    EXPECT_FALSE(model.updateResults());
    ASSERT_TRUE(QFile::remove(tree.filePath("b")));
    EXPECT_TRUE(model.updateResults());
    EXPECT_EQ(model.count(), 2u);
    EXPECT_EQ(names(model), (QStringList{"a", "c"}));
}

TEST(ResultsDataSource, HighlightSettings)
{
    ResultsDataSource model;
    model.setStrings({"x", "y*"}, 9, 3, true);
    EXPECT_EQ(model.strings(), (QStringList{"x", "y*"}));
    EXPECT_TRUE(model.wildcards());
    EXPECT_EQ(model.what(), 9u);
    EXPECT_EQ(model.comparison(), 3u);
    model.setRegularExpression({QStringLiteral("a.c"), 17}, 1, 1);
    EXPECT_TRUE(model.strings().isEmpty());
    EXPECT_FALSE(model.wildcards());
    EXPECT_EQ(model.regularExpression(), (HighlightExpression{QStringLiteral("a.c"), 17}));
    model.setStrings({}, 0, 0, false);
    EXPECT_TRUE(model.strings().isEmpty());
    EXPECT_TRUE(model.regularExpression().isNull());
}

TEST(ResultsDataSource, TryLockDoesNotWaitForTheWorker)
{
    ResultsDataSource model;
    model.lock();
    bool taken = true;
    std::thread other([&] { taken = model.tryLock(); });
    other.join();
    EXPECT_FALSE(taken);
    model.unlock();
    ASSERT_TRUE(model.tryLock());
    model.unlock();
}

// A worker appends while the main thread flushes as the window's timer does;
// every result arrives exactly once and in order.
TEST(ResultsDataSource, ConcurrentAddAndFlushLoseNothingAndKeepTheOrder)
{
    test::TempTree tree;
    const QString path = tree.writeFile("a", "x");
    constexpr int kCount = 5000;
    QList<ResultPointer> made;
    for (int i = 0; i < kCount; ++i)
        made.append(Result::create(path, tree.path(), QString::number(i), std::nullopt, QString(), false, false));

    ResultsDataSource model;
    model.setStrings({"a"}, 1, 0, false);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        // Single results and batches of up to 7, nulls among them, in turn.
        for (int i = 0; i < kCount;) {
            if (i % 3 == 0) {
                model.addResult(made[i++]);
                continue;
            }
            std::vector<ResultPointer> batch{nullptr};
            for (const int end = std::min(kCount, i + 1 + i % 7); i < end; ++i)
                batch.push_back(made[i]);
            model.addResults(batch);
            EXPECT_TRUE(batch.empty());
        }
        model.setStrings({"b"}, 1, 1, false); // as a next search would, while the table reads
        done = true;
    });
    Clock::time_point fake = Clock::now();
    int flushes = 0;
    while (!done || model.shouldFlush(fake + 1h)) {
        (void)model.strings();
        fake += 3s; // every tick is past the interval
        if (model.shouldFlush(fake) && model.tryLock()) {
            flushes += model.flushResults(fake) ? 1 : 0;
            model.unlock();
        }
    }
    worker.join();
    ASSERT_EQ(model.count(), std::uint64_t(kCount));
    for (int i = 0; i < kCount; ++i)
        ASSERT_EQ(model.resultAtIndex(i).get(), made[i].get()) << i;
    EXPECT_GE(flushes, 1);
    EXPECT_EQ(model.strings(), QStringList{"b"});
}

// Checks each change against the list as the table model would see it: an
// insert adds exactly its rows, a reorder moves every result to its row.
class CheckingObserver : public ShownResultsObserver
{
public:
    explicit CheckingObserver(ResultsDataSource& model) : m_model(model) {}
    void shownResultsWillInsert(qsizetype row, qsizetype count) override
    {
        EXPECT_GE(row, 0);
        EXPECT_LE(row, qsizetype(m_model.count()));
        m_expected = m_model.count() + std::uint64_t(count);
        ++inserts;
    }
    void shownResultsDidInsert() override { EXPECT_EQ(m_model.count(), m_expected); }
    void shownResultsWillRemove(qsizetype, qsizetype count) override { m_expected = m_model.count() - count; }
    void shownResultsDidRemove() override { EXPECT_EQ(m_model.count(), m_expected); }
    void shownResultsWillReorder() override
    {
        m_before = m_model.results();
        ++reorders;
    }
    void shownResultsDidReorder(const std::vector<qsizetype>& rowOf) override
    {
        ASSERT_EQ(rowOf.size(), size_t(m_before.size()));
        for (size_t old = 0; old < rowOf.size(); ++old)
            EXPECT_EQ(m_model.resultAtIndex(rowOf[old]).get(), m_before.at(qsizetype(old)).get()) << old;
    }
    int inserts = 0;
    int reorders = 0;

private:
    ResultsDataSource& m_model;
    std::uint64_t m_expected = 0;
    QList<ResultPointer> m_before;
};
// The existence test took the path through UTF-8: a name that is not UTF-8
// named another, missing file, and its row left with the deleted one's.
TEST(ResultsDataSource, ARowWhoseNameIsNotUTF8SurvivesAnotherRowsDeletion)
{
    test::TempTree tree;
    test::writeFileBytes(QFile::encodeName(tree.path()) + "/keep\xFF.txt", "x");
    const QString keep = stringWithFileSystemRepresentation(QByteArray("keep\xFF.txt"));
    const QString gone = tree.writeFile("gone.txt", "x");
    ASSERT_TRUE(QFile::link(tree.filePath("missing"), tree.filePath("dangling")));
    ResultsDataSource model;
    for (const QString& name : {keep, QStringLiteral("gone.txt"), QStringLiteral("dangling")})
        model.addResult(Result::create(tree.filePath(name), tree.path(), name, std::nullopt, QString(), false, false));
    model.flushResults();
    EXPECT_TRUE(ResultsDataSource::goneResults(model.results()).isEmpty());
    ASSERT_TRUE(QFile::remove(gone));
    EXPECT_TRUE(model.updateResults());
    EXPECT_EQ(names(model), (QStringList{keep, "dangling"})) << "a dangling link is still an item";
}

// Tells each removal as a table model would see it: the rows announced are
// the gone ones, and their neighbours are not.
class RemovalObserver : public CheckingObserver
{
public:
    RemovalObserver(ResultsDataSource& model, const QList<ResultPointer>& gone) : CheckingObserver(model), m_model(model)
    {
        for (const ResultPointer& result : gone)
            m_gone.insert(result.get());
    }
    void shownResultsWillRemove(qsizetype row, qsizetype count) override
    {
        ++removals;
        m_expected = m_model.count() - std::uint64_t(count);
        for (qsizetype i = row; i < row + count; ++i)
            EXPECT_TRUE(m_gone.contains(m_model.resultAtIndex(i).get())) << i;
        for (const qsizetype neighbour : {row - 1, row + count}) {
            if (const ResultPointer result = m_model.resultAtIndex(neighbour)) {
                EXPECT_FALSE(m_gone.contains(result.get())) << neighbour;
            }
        }
    }
    void shownResultsDidRemove() override
    {
        EXPECT_EQ(m_model.count(), m_expected);
        EXPECT_EQ(m_model.resultAtIndex(qsizetype(m_expected)), nullptr);
        if (m_expected > 0) {
            EXPECT_NE(m_model.resultAtIndex(qsizetype(m_expected) - 1), nullptr);
        }
    }
    int removals = 0;

private:
    ResultsDataSource& m_model;
    QSet<const Result*> m_gone;
    std::uint64_t m_expected = 0;
};

// Gone rows left one at a time, each removal shifting every row below it:
// 10,000 of 20,000 took over a second. A few runs of adjacent gone rows
// leave as one removal each; many move to the end in one reorder and leave
// as one removal. Either way in one linear pass.
TEST(ResultsDataSource, GoneRowsLeaveByRunsOrAsOneRangeInOneLinearPass)
{
    constexpr int kRows = 20000;
    struct Case
    {
        const char* name;
        bool (*isGone)(int row);
        int removals;
        int reorders;
    };
    const Case cases[] = {
        // Every other row of the first half, and the last quarter whole.
        {"many runs", [](int row) { return (row < kRows / 2 && row % 2 == 0) || row >= kRows * 3 / 4; }, 1, 1},
        // Ten runs of 100.
        {"few runs", [](int row) { return row % 2000 < 100; }, 10, 0},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        ResultsDataSource model;
        QList<ResultPointer> gone;
        QSet<QString> kept;
        QList<ResultPointer> made;
        for (int i = 0; i < kRows; ++i) {
            const QString name = QStringLiteral("r%1").arg(i, 5, 10, QLatin1Char('0'));
            made.append(Result::create(QStringLiteral("/nonexistent/") + name, QString(), name, std::nullopt, QString(),
                                       false, false));
            model.addResult(made.last());
            if (!test.isGone(i))
                kept.insert(name);
        }
        model.flushResults();
        (void)model.numberOfRowsInTableView();
        for (int i = 0; i < kRows; ++i) {
            if (test.isGone(i))
                gone.append(made.at(i));
        }
        QStringList expected;
        for (const ResultPointer& result : model.results()) {
            if (kept.contains(result->name()))
                expected.append(result->name());
        }
        // Stale keys (another sort key chosen, not yet applied) stay usable.
        model.setSorting(kSortBySize, false);
        RemovalObserver observer(model, gone);
        resetScanWork();
        EXPECT_EQ(model.removeResults(gone, &observer), qsizetype(gone.size()));
        EXPECT_LE(scanWork(), 4 * kRows);
        EXPECT_EQ(observer.removals, test.removals);
        EXPECT_EQ(observer.reorders, test.reorders);
        EXPECT_EQ(names(model), expected);
        EXPECT_EQ(model.count(), std::uint64_t(expected.size()));
        EXPECT_EQ(model.removeResults(gone, &observer), 0) << "the same results again: none is shown";
        // The kept rows keep their keys: a new batch still merges in order.
        model.setSorting(kSortByName, false);
        model.insertResults({made.at(0)}, nullptr);
        EXPECT_EQ(model.count(), std::uint64_t(expected.size() + 1));
        EXPECT_EQ(model.resultAtIndex(0), made.at(0));
    }
}


// Batches merged one after another end in the order one sort of everything
// gives: a few places as ranged inserts, many as one insert and a reorder;
// a re-sort by another key is one reorder.
TEST(ResultsDataSource, MergedBatchesEndInTheOrderOfOneSort)
{
    test::PinnedLocale locale(QStringLiteral("en_US"), QStringLiteral("UTC"));
    test::TempTree tree;
    QList<ResultPointer> made;
    std::mt19937 random(7);
    for (int i = 0; i < 5000; ++i) {
        const QString name = QStringLiteral("item %1.txt").arg(random() % 100000);
        made.append(Result::create(tree.filePath(name), tree.path(), name, std::nullopt, QString(), false, false));
    }
    ResultsDataSource sorted;
    for (const ResultPointer& result : made)
        sorted.addResult(result);
    sorted.flushResults();
    (void)sorted.numberOfRowsInTableView();

    ResultsDataSource model;
    CheckingObserver observer(model);
    model.insertResults(made.mid(0, 2000), &observer);
    EXPECT_EQ(observer.reorders, 0) << "an empty list takes a batch as one range";
    model.insertResults(made.mid(2000, 5), &observer);
    EXPECT_EQ(observer.reorders, 0) << "five places, five ranges at most";
    EXPECT_LE(observer.inserts, 6);
    model.insertResults(made.mid(2005), &observer);
    EXPECT_EQ(observer.reorders, 1) << "spread over many places: one insert, one reorder";
    EXPECT_EQ(model.results(), sorted.results());

    model.setSorting(kSortByName, true);
    model.sortResults(&observer);
    EXPECT_EQ(observer.reorders, 2);
    sorted.setSorting(kSortByName, true);
    (void)sorted.numberOfRowsInTableView();
    EXPECT_EQ(names(model), names(sorted));
}

// A batch is placed by galloping from each row's place to the next, and
// merged by those places from the back: new rows with the keys of shown
// ones come after them, in their own order, whichever way the rows go in
// and in both directions.
TEST(ResultsDataSource, NewRowsGoAfterTheirEqualsAmongTheShownRows)
{
    test::PinnedLocale locale(QStringLiteral("en_US"), QStringLiteral("UTC"));
    test::TempTree tree;
    const auto make = [&](int number) {
        const QString name = QStringLiteral("n%1.txt").arg(number, 5, 10, QLatin1Char('0'));
        return Result::create(tree.filePath(name), tree.path(), name, std::nullopt, QString(), false, false);
    };
    struct Case
    {
        const char* what;
        int first, step, count; // the batch's numbers; the shown ones are 0, 2, 4 ..< 8000
        bool reverse;
        int reorders; // 0: ranged inserts; 1: one insert and one reorder
    } const cases[] = {
        {"the same keys as every other shown row", 0, 4, 1000, false, 1},
        {"the same keys, the other way round", 0, 4, 1000, true, 1},
        {"between every two shown rows", 1, 2, 1500, false, 1},
        {"between every two, the other way round", 1, 2, 1500, true, 1},
        {"the same keys as five shown rows", 100, 2, 5, false, 0},
        {"before and after all of them", -3, 9001, 2, false, 0},
        {"after all of them, the other way round", 9000, 1, 300, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QList<ResultPointer> shown;
        for (int i = 0; i < 4000; ++i)
            shown.append(make(2 * i));
        QList<ResultPointer> batch;
        for (int i = 0; i < c.count; ++i)
            batch.append(make(c.first + i * c.step));
        // One stable sort of everything, the shown rows added first.
        ResultsDataSource sorted;
        sorted.setSorting(kSortByName, c.reverse);
        for (const ResultPointer& result : shown + batch)
            sorted.addResult(result);
        sorted.flushResults();
        (void)sorted.numberOfRowsInTableView();

        ResultsDataSource model;
        model.setSorting(kSortByName, c.reverse);
        model.insertResults(shown, nullptr);
        CheckingObserver observer(model);
        model.insertResults(batch, &observer);
        EXPECT_EQ(observer.reorders, c.reorders);
        EXPECT_EQ(model.count(), std::uint64_t(shown.size() + batch.size()));
        EXPECT_TRUE(model.results() == sorted.results()) << names(model).mid(0, 8).join(u' ').toStdString();
    }
}

} // namespace
} // namespace sorvant
