// The results table's values that cost a lookup: the table only shows what
// the roles resolver has read off the interface thread, the rows in view
// first, and tells each batch as one dataChanged range.

#include "app/results_roles_resolver.h"
#include "app/results_table_model.h"
#include "platform/background_work.h"
#include "platform/xattr.h"
#include "search/ds_store.h"
#include "search/results_data_source.h"
#include "tests/app/app_test_support.h"
#include "tests/support/ds_store_writer.h"
#include "tests/support/pinned_locale.h"
#include "tests/support/temp_tree.h"

#include <QAbstractItemModelTester>
#include <QImage>
#include <QMimeDatabase>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QThreadPool>
#include <QTest>

#include <gtest/gtest.h>

#include <future>

namespace sorvant::test {
namespace {

// The background pool down to one thread, held until released: the
// batches started meanwhile wait on the pool.
class HeldPool
{
public:
    HeldPool() : m_pool(backgroundThreads()), m_threads(m_pool.maxThreadCount())
    {
        m_pool.setMaxThreadCount(1);
        m_pool.start([held = m_release.get_future().share()] { held.wait(); });
    }
    ~HeldPool()
    {
        release();
        m_pool.waitForDone();
        m_pool.setMaxThreadCount(m_threads);
    }
    HeldPool(const HeldPool&) = delete;
    HeldPool& operator=(const HeldPool&) = delete;
    void release()
    {
        if (!m_released)
            m_release.set_value();
        m_released = true;
    }

private:
    QThreadPool& m_pool;
    int m_threads;
    std::promise<void> m_release;
    bool m_released = false;
};

class ResultsRolesResolverTest : public ::testing::Test
{
protected:
    void SetUp() override { DSStore::invalidateFinderCommentsCache(); }
    // Shows `count` results of files "f<i>.txt" (only the first
    // `onDisk` of them written).
    void show(int count, int onDisk)
    {
        QList<ResultPointer> made;
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("f%1.txt").arg(i, 5, 10, QLatin1Char('0'));
            const QString path = i < onDisk ? tree.writeFile(name, "text") : tree.filePath(name);
            made.append(Result::create(path, tree.path(), name, std::nullopt, QString(), false, false));
        }
        model.insertResults(made);
    }
    [[nodiscard]] QString cell(int row, int column) const { return model.index(row, column).data().toString(); }
    // Waits until the resolver has read every row.
    bool waitForIdle()
    {
        QSignalSpy idle(&model.rolesResolver(), &ResultsRolesResolver::idle);
        return idle.wait(10000);
    }

    // Whether a dataChanged signal of `changed` covers the cell.
    [[nodiscard]] static bool announced(const QSignalSpy& changed, int row, int column)
    {
        return std::any_of(changed.cbegin(), changed.cend(), [row, column](const QList<QVariant>& signal) {
            const QModelIndex topLeft = signal.at(0).toModelIndex();
            const QModelIndex bottomRight = signal.at(1).toModelIndex();
            return topLeft.row() <= row && row <= bottomRight.row() && topLeft.column() <= column
                   && column <= bottomRight.column();
        });
    }

    PinnedLocale locale{QStringLiteral("en_US"), QStringLiteral("UTC")};
    TempTree tree;
    ResultsDataSource dataSource;
    ResultsTableModel model{dataSource};
    const QString plainText = QMimeDatabase().mimeTypeForName(QStringLiteral("text/plain")).comment();
};

// Painting a Kind cell ran the MIME database on the file, and a Comment or
// Tags cell read the folder's .DS_Store and the file's attributes: on the
// interface thread, for every row scrolled by.
TEST_F(ResultsRolesResolverTest, CellsShowOnlyWhatTheResolverRead)
{
    show(3, 3);
    ASSERT_TRUE(writeDSStore(tree.path(), {DSStoreRecord::comment(QStringLiteral("f00001.txt"), QStringLiteral("noted"))}));
    const bool tagged = setTagNamesAtPath(tree.filePath(QStringLiteral("f00002.txt")), {QStringLiteral("red")});
    for (const int column : {int(ResultsTableModel::kKindColumn), int(ResultsTableModel::kCommentColumn),
                             int(ResultsTableModel::kTagsColumn), int(ResultsTableModel::kInfoColumn)}) {
        SCOPED_TRACE(column);
        for (int row = 0; row < 3; ++row)
            EXPECT_TRUE(cell(row, column).isEmpty());
    }
    for (int row = 0; row < 3; ++row) {
        EXPECT_TRUE(model.resultAtRow(row)->knownKind().isNull()) << "data() read nothing";
        EXPECT_TRUE(model.resultAtRow(row)->knownComment().isNull());
        EXPECT_FALSE(model.resultAtRow(row)->knownTags().has_value());
    }

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.rolesResolver().setRoles(ResultsRolesResolver::kKindRole | ResultsRolesResolver::kCommentRole
                                   | ResultsRolesResolver::kTagsRole);
    ASSERT_TRUE(waitForIdle());
    ASSERT_FALSE(changed.isEmpty());
    EXPECT_EQ(changed.constFirst().at(0).toModelIndex().row(), 0);
    EXPECT_EQ(changed.constFirst().at(1).toModelIndex().row(), 2) << "one range for the batch";
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(cell(row, ResultsTableModel::kKindColumn), plainText);
    EXPECT_EQ(cell(1, ResultsTableModel::kCommentColumn), QStringLiteral("noted"));
    EXPECT_EQ(cell(0, ResultsTableModel::kCommentColumn), QString());
    if (tagged) {
        EXPECT_EQ(cell(2, ResultsTableModel::kTagsColumn), QStringLiteral("red"));
    }
}

// The information text showed only after the table asked for it (which
// started its computation); the resolver computes it on the pool, and
// telling whether a result has one (which may load the image plugins)
// happens there too.
TEST_F(ResultsRolesResolverTest, InformationTextsAreComputedOnThePool)
{
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(Qt::green);
    ASSERT_TRUE(picture.save(tree.filePath(QStringLiteral("p.png"))));
    model.insertResults({Result::create(tree.filePath(QStringLiteral("p.png")), tree.path(), QStringLiteral("p.png"),
                                        std::nullopt, QString(), false, false)});
    show(1, 1);
    const ResultPointer result = model.resultAtRow(0);
    ASSERT_EQ(result->name(), QStringLiteral("f00000.txt"));
    EXPECT_FALSE(model.resultAtRow(1)->isInfoSettled()) << "not classified on this thread";
    model.rolesResolver().setRoles(ResultsRolesResolver::kInfoRole);
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(cell(1, ResultsTableModel::kInfoColumn), QStringLiteral("3 x 2"));
    EXPECT_EQ(cell(0, ResultsTableModel::kInfoColumn), QString());
    EXPECT_TRUE(result->isInfoSettled());
}

// The rows in view are read before the others, and the rest follow in
// the background without being asked for.
TEST_F(ResultsRolesResolverTest, RowsInViewComeFirstThenTheRest)
{
    constexpr int kRows = 3000;
    // One pool thread: batches end in the order they were started, so the
    // first to be announced is the first the resolver chose.
    QThreadPool& pool = *QThreadPool::globalInstance();
    const int threads = pool.maxThreadCount();
    pool.setMaxThreadCount(1);
    const auto restore = qScopeGuard([&pool, threads] { pool.setMaxThreadCount(threads); });
    show(kRows, 0);
    ModelTesterFailures failures;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.rolesResolver().setVisibleRows(2000, 2030);
    ASSERT_TRUE(waitForIdle());
    ASSERT_FALSE(changed.isEmpty());
    EXPECT_GE(changed.constFirst().at(0).toModelIndex().row(), 2000);
    EXPECT_LE(changed.constFirst().at(1).toModelIndex().row(), 2030);
    for (const int row : {0, 1999, 2015, kRows - 1}) {
        SCOPED_TRACE(row);
        EXPECT_FALSE(cell(row, ResultsTableModel::kKindColumn).isEmpty()) << "a missing file has a kind by its name";
    }
    EXPECT_LT(changed.size(), kRows / 100) << "batches, not rows";
    EXPECT_TRUE(failures.failures().isEmpty()) << failures.failures().join(u'\n').toStdString();
}

// Rows that arrive, move or go while a batch is on the pool are read too,
// and a batch that ends after its rows went announces nothing outside the
// table.
TEST_F(ResultsRolesResolverTest, RowsChangingMeanwhileAreReadToo)
{
    ModelTesterFailures failures;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    show(3000, 0);
    model.sort(kSortByName, true);
    // Two runs, then so many that they leave as one reorder and one range.
    model.removeResults({model.resultAtRow(0), model.resultAtRow(1), model.resultAtRow(7)});
    QList<ResultPointer> everyOther;
    for (int row = 0; row < model.rowCount(); row += 2)
        everyOther.append(model.resultAtRow(row));
    const ResultPointer keptRow = model.resultAtRow(1);
    model.removeResults(everyOther);
    EXPECT_EQ(model.rowCount(), 1498);
    EXPECT_EQ(model.resultAtRow(0), keptRow);
    model.removeAllResults();
    show(800, 0);
    ASSERT_TRUE(waitForIdle());
    for (int row = 0; row < model.rowCount(); ++row)
        ASSERT_FALSE(cell(row, ResultsTableModel::kKindColumn).isEmpty()) << row;
    EXPECT_TRUE(failures.failures().isEmpty()) << failures.failures().join(u'\n').toStdString();
}

// A finished batch announced the Kind to Tags columns whatever it read;
// each column it reads must be among those it announces.
TEST_F(ResultsRolesResolverTest, BatchesAnnounceEveryColumnTheyRead)
{
    using Resolver = ResultsRolesResolver;
    const struct
    {
        unsigned roles;
        QList<int> columns;
    } cases[] = {
        {Resolver::kKindRole, {ResultsTableModel::kKindColumn}},
        {Resolver::kTagsRole, {ResultsTableModel::kTagsColumn}},
        {Resolver::kCommentRole, {ResultsTableModel::kCommentColumn}},
        {Resolver::kInfoRole, {ResultsTableModel::kInfoColumn}},
        {Resolver::kKindRole | Resolver::kTagsRole | Resolver::kCommentRole | Resolver::kInfoRole,
         {ResultsTableModel::kKindColumn, ResultsTableModel::kInfoColumn, ResultsTableModel::kCommentColumn,
          ResultsTableModel::kTagsColumn}},
    };
    for (const auto& [roles, columns] : cases) {
        SCOPED_TRACE(roles);
        model.removeAllResults();
        model.rolesResolver().setRoles(roles);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        show(3, 3);
        ASSERT_TRUE(waitForIdle());
        for (const int column : columns)
            for (int row = 0; row < 3; ++row)
                EXPECT_TRUE(announced(changed, row, column)) << "row " << row << ", column " << column;
    }
}

// A batch of the rows in view that ended after a sort announced the rows
// its results held when it started: the rows now in view, which hold them,
// stayed blank until a scroll or a hover.
TEST_F(ResultsRolesResolverTest, BatchesAnnounceTheRowsTheirResultsHoldNow)
{
    constexpr int kRows = 3000;
    constexpr int kInView = 31;
    HeldPool held;
    show(kRows, 0);
    model.sort(kSortByName, false);
    model.rolesResolver().setVisibleRows(0, kInView - 1);
    // The batches of the rows in view and of the first others start, and
    // wait on the held pool.
    for (int turn = 0; turn < 20; ++turn)
        QCoreApplication::processEvents();
    ASSERT_TRUE(model.resultAtRow(0)->knownKind().isNull());

    // Sorted the other way and scrolled to the end: the rows in view hold
    // the results whose batch is on the pool.
    model.sort(kSortByName, true);
    model.rolesResolver().setVisibleRows(kRows - kInView, kRows - 1);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    held.release();
    ASSERT_TRUE(waitForIdle());
    for (int row = kRows - kInView; row < kRows; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(cell(row, ResultsTableModel::kKindColumn), plainText);
        EXPECT_TRUE(announced(changed, row, ResultsTableModel::kKindColumn));
    }
}

} // namespace
} // namespace sorvant::test
