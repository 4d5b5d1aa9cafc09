// The start of a Trash of many selected rows, as the interface thread
// sees it: its own work is a look-up per row, which grows with the rows
// and not with the length of their paths (the paths are made by the work's
// thread).

#include "app/file_actions.h"
#include "platform/file_error.h"
#include "tests/app/app_test_support.h"
#include "tests/support/scan_work_bound.h"

#include <QDir>

#include <algorithm>
#include <chrono>
#include <limits>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

namespace sorvant::test {
namespace {

using namespace std::chrono_literals;

class TrashStartTest : public AppFixture
{
protected:
    // Makes `count` empty files "item-N" in `folder` (made with its parents).
    static void makeItems(const QString& folder, int count)
    {
        ASSERT_TRUE(QDir().mkpath(folder));
        const QByteArray base = QFile::encodeName(folder) + "/item-";
        for (int i = 0; i < count; ++i) {
            const int fd = ::open((base + QByteArray::number(i)).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            ASSERT_GE(fd, 0) << i;
            ::close(fd);
        }
    }

    // The least CPU time this thread spends in a Trash's start of every row
    // of `folder`, over `runs` starts. The Trash refuses every item and the
    // answer keeps them, so each start has the same rows selected.
    std::chrono::nanoseconds leastStartCpu(const QString& folder, int rows, int runs)
    {
        std::unique_ptr<SearchWindow> window = makeWindow();
        EXPECT_TRUE(searchAndWait(*window, QStringLiteral("item"), folder));
        EXPECT_EQ(window->resultsTable()->model()->rowCount(), rows);
        FileActions& actions = window->fileActions();
        actions.setItemWork(
            [](const QString&, FileError* error) {
                error->code = EPERM;
                return false;
            },
            {});
        actions.setAlertHandler([](const QString&, const QString&, const QString&, const QString&) { return false; });
        auto least = std::chrono::nanoseconds::max();
        for (int run = 0; run < runs; ++run) {
            window->resultsTable()->selectAll();
            QSignalSpy finished(&actions, &FileActions::deletionFinished);
            const auto started = threadCpuTime();
            actions.moveToTrash();
            least = std::min(least, threadCpuTime() - started);
            EXPECT_TRUE(finished.wait(60000)) << "run " << run;
        }
        return std::max(least, std::chrono::nanoseconds(1));
    }

    // The ratio of the least CPU times of a Trash's start over the rows of
    // `numerator` to that over the rows of `denominator`, each least over
    // `runs` starts. A ratio at or over `bound` is measured again, up to
    // five times, before it counts: noise on a busy machine only ever adds
    // time, to one side of a ratio. `said` tells the times of the last one.
    double startCpuRatio(const QString& numerator, int numeratorRows, const QString& denominator,
                         int denominatorRows, int runs, double bound, std::string& said)
    {
        double ratio = std::numeric_limits<double>::infinity();
        for (int attempt = 0; attempt < 5 && ratio >= bound; ++attempt) {
            const auto below = leastStartCpu(denominator, denominatorRows, runs);
            const auto above = leastStartCpu(numerator, numeratorRows, runs);
            ratio = double(above.count()) / double(below.count());
            std::ostringstream times;
            times << "CPU " << below.count() << " ns for " << denominatorRows << " rows in a folder's path of "
                  << denominator.size() << " characters, " << above.count() << " ns for " << numeratorRows
                  << " rows in one of " << numerator.size() << " (measure " << attempt + 1 << ")";
            said = times.str();
        }
        return ratio;
    }
};

// Linear work grows 16-fold from 2,000 to 32,000 rows; the bound is 50-fold
// (scan_work_bound.h), which a quadratic step cannot stay under.
TEST_F(TrashStartTest, TheStartOfATrashGrowsLinearlyWithTheSelectedRows)
{
    const int small = 2000;
    const int large = 16 * small;
    makeItems(tree.filePath(QStringLiteral("small")), small);
    makeItems(tree.filePath(QStringLiteral("large")), large);
    std::string said;
    const double ratio = startCpuRatio(tree.filePath(QStringLiteral("large")), large,
                                       tree.filePath(QStringLiteral("small")), small, 3, 50.0, said);
    EXPECT_LT(ratio, 50.0) << said;
}

// Regression: the start of a Trash made every selected item's path on the
// interface thread and hashed it three times, so 150,000 rows held it for
// about half a second. Rows of paths 40 times as long now cost it the same:
// the bound (twice) leaves room for a busy machine, and the old start took
// several times as long.
TEST_F(TrashStartTest, TheStartOfATrashMakesNoPathOnTheInterfaceThread)
{
    const int rows = 8000;
    const QString shortFolder = tree.filePath(QStringLiteral("s"));
    // Twelve folders of 250 characters: paths of about 3,000 characters.
    QString longFolder = tree.filePath(QStringLiteral("l"));
    for (int depth = 0; depth < 12; ++depth)
        longFolder += u'/' + QString(250, QChar(u'a' + depth));
    makeItems(shortFolder, rows);
    makeItems(longFolder, rows);
    std::string said;
    const double ratio = startCpuRatio(longFolder, rows, shortFolder, rows, 5, 2.0, said);
    EXPECT_LT(ratio, 2.0) << said;
}

} // namespace
} // namespace sorvant::test
