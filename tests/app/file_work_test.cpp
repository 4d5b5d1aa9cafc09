// The user's Trash and Delete item by item: what the loops count (removed,
// failed, left) with a stop and with items that fail, a folder's files as
// items of their own, and the window while such work runs: its rows leave as
// their items go, the status line shows the progress, and the items under
// way are not offered to Trash or Delete again.

#include "app/failure_messages.h"
#include "app/file_actions.h"
#include "app/results_table_model.h"
#include "app/search_controller.h"
#include "app/search_window_commands.h"
#include "app/user_file_work.h"
#include "interface/strings_file.h"
#include "platform/file_error.h"
#include "system/file_operations.h"
#include "tests/app/app_test_support.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QMessageBox>

#include <cerrno>
#include <chrono>
#include <functional>
#include <ostream>
#include <semaphore>

namespace sorvant {

// An item a removal left, as a failing expectation shows it.
inline void PrintTo(const ItemLeft& item, std::ostream* out)
{
    *out << '{' << item.path.toStdString() << ", errno " << item.error;
    if (!item.mountPoint.isEmpty())
        *out << ", mount point " << item.mountPoint.toStdString();
    *out << '}';
}

} // namespace sorvant

namespace sorvant::test {
namespace {

using namespace std::chrono_literals;

// The items under `root` on disk, `root` itself left out.
qsizetype itemsOnDisk(const QString& root)
{
    qsizetype count = 0;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++count;
    }
    return count;
}

// A removal that refuses the paths ending in `refused` (EACCES) and removes
// the others as removePath does.
RemoveItem refusing(const QString& refused)
{
    return [refused](const QString& path, FileError* error, const RemovalProgress& progress) {
        if (!path.endsWith(refused))
            return removePath(path, error, progress);
        error->code = EACCES;
        error->path = path;
        return false;
    };
}

const GoneItem kIgnored = [](const QString&) {};

TEST(FileWorkLoops, TrashCountsRefusedItemsAsFailedAndStopsBeforeTheNextItem)
{
    const struct
    {
        const char* name;
        QList<int> refused;
        int stopAfter; // the call after which the operation is stopped; -1 never
        QStringList returned;
        QStringList gone;
        qsizetype done;
        qsizetype left;
    } cases[] = {
        {"all taken", {}, -1, {}, {"0", "1", "2", "3", "4"}, 5, 0},
        {"two refused", {1, 3}, -1, {"1", "3"}, {"0", "2", "4"}, 5, 2},
        {"stopped after the third", {1}, 2, {"1"}, {"0", "2"}, 3, 3},
        {"stopped at once", {}, 0, {}, {"0"}, 1, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FileOperation operation(FileOperation::Kind::Trash, 5);
        int calls = 0;
        const auto trash = [&](const QString& path, FileError* error) {
            const bool taken = !c.refused.contains(path.toInt());
            if (!taken)
                error->code = path == QStringLiteral("1") ? EPERM : EXDEV;
            if (calls++ == c.stopAfter)
                operation.stop();
            return taken;
        };
        QStringList gone;
        const QList<ItemLeft> returned = trashItems(
            {"0", "1", "2", "3", "4"}, operation, trash, [&gone](const QString& path) { gone.append(path); });
        QList<ItemLeft> refused;
        for (const QString& path : c.returned)
            refused.append({path, path == QStringLiteral("1") ? EPERM : EXDEV, {}});
        EXPECT_EQ(returned, refused) << "each refused item with its own reason";
        EXPECT_EQ(gone, c.gone);
        const UserFileWork::Progress progress = UserFileWork::Progress::of(operation);
        EXPECT_EQ(progress.done, c.done);
        EXPECT_EQ(progress.left(), c.left) << "every item not taken is left, refused ones included";
    }
}

class FileWorkTree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A folder of 30 files in 3 subfolders, then two files.
        for (int folder = 0; folder < 3; ++folder) {
            for (int file = 0; file < 10; ++file)
                tree.writeFile(QStringLiteral("root/f/s%1/%2.txt").arg(folder).arg(file), "x");
        }
        tree.writeFile(QStringLiteral("root/a.txt"), "a");
        tree.writeFile(QStringLiteral("root/b.txt"), "b");
        root = tree.filePath(QStringLiteral("root"));
        items = {root + "/f", root + "/a.txt", root + "/b.txt"};
    }

    TempTree tree;
    QString root;
    QStringList items;
    // The folder, its 3 subfolders and 30 files, and the two files.
    static constexpr qsizetype kTotal = 1 + 3 + 30 + 2;
};

// Regression: a folder was one item, so its deletion's progress sat at 0 of
// 1 until the whole tree was gone, and a failed item counted as done, so
// the number left was short of what stayed on disk.
TEST_F(FileWorkTree, DeleteCountsAFoldersFilesOneByOneAndFailedItemsAsLeft)
{
    FileOperation operation(FileOperation::Kind::Delete, items.size());
    QList<qsizetype> seen; // done() as each item of the folder went
    const RemoveItem refuseB = refusing(QStringLiteral("b.txt"));
    const RemoveItem remove = [&](const QString& path, FileError* error, const RemovalProgress& progress) {
        RemovalProgress watched = progress;
        watched.removed = [&, told = progress.removed](qint64 removed) {
            told(removed);
            seen.append(operation.done());
        };
        return refuseB(path, error, watched);
    };
    QStringList gone;
    const Removal removal = removeItemsOf(items, items, operation, remove,
                                          [&gone](const QString& path) { gone.append(path); });
    EXPECT_EQ(operation.total(), kTotal);
    ASSERT_EQ(seen.size(), kTotal - 1);
    for (qsizetype i = 0; i < seen.size(); ++i)
        EXPECT_EQ(seen.at(i), i + 1) << "the progress moves item by item";
    EXPECT_EQ(gone, (QStringList{items.at(0), items.at(1)}));
    EXPECT_TRUE(removal.failed);
    EXPECT_EQ(removal.remaining, (QList<ItemLeft>{{items.at(2), EACCES, {}}}));
    const UserFileWork::Progress progress = UserFileWork::Progress::of(operation);
    EXPECT_EQ(progress.failed, 1);
    EXPECT_EQ(progress.left(), itemsOnDisk(root));
}

// What a stop leaves is what the log says is left, at any point of the work:
// while counting, in the middle of the folder, between items.
TEST_F(FileWorkTree, AStoppedDeleteLeavesOnDiskWhatItSaysIsLeft)
{
    for (const qint64 stopAt : {0, 1, 7, 33, 34, 35}) {
        SCOPED_TRACE(stopAt);
        SetUp();
        FileOperation operation(FileOperation::Kind::Delete, items.size());
        const RemoveItem refuseB = refusing(QStringLiteral("b.txt"));
        const RemoveItem remove = [&](const QString& path, FileError* error, const RemovalProgress& progress) {
            RemovalProgress watched = progress;
            watched.removed = [&, told = progress.removed](qint64 removed) {
                told(removed);
                if (operation.done() >= stopAt)
                    operation.stop();
            };
            if (operation.done() >= stopAt)
                operation.stop();
            return refuseB(path, error, watched);
        };
        const Removal removal = removeItemsOf(items, items, operation, remove, kIgnored);
        const UserFileWork::Progress progress = UserFileWork::Progress::of(operation);
        EXPECT_EQ(progress.left(), itemsOnDisk(root)) << "removed " << progress.done - progress.failed;
        EXPECT_GT(progress.left(), 0);
        EXPECT_TRUE(operation.shouldStop());
        EXPECT_TRUE(removal.remaining.isEmpty()) << "a stopped removal reads nothing more";
        (void)QDir(root).removeRecursively();
    }
}

// Stopped while counting, the total is what was counted, an item not
// counted yet counting one; nothing is removed.
TEST_F(FileWorkTree, AStopWhileCountingRemovesNothing)
{
    FileOperation operation(FileOperation::Kind::Delete, items.size());
    operation.stop();
    int calls = 0;
    const RemoveItem remove = [&calls](const QString&, FileError*, const RemovalProgress&) {
        ++calls;
        return true;
    };
    (void)removeItemsOf(items, items, operation, remove, kIgnored);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(UserFileWork::Progress::of(operation).left(), operation.total());
    EXPECT_EQ(itemsOnDisk(root), kTotal);
}

// Regression: a folder whose removal failed part way counted one failed
// item, so the number left fell short of the files it kept.
TEST_F(FileWorkTree, AFolderThatFailsPartWayCountsTheItemsItKeptAsFailed)
{
    FileOperation operation(FileOperation::Kind::Delete, items.size());
    // The folder's first subfolder goes, then its removal fails.
    const RemoveItem remove = [this](const QString& path, FileError* error, const RemovalProgress& progress) {
        if (path != items.at(0))
            return removePath(path, error, progress);
        if (!removePath(path + QStringLiteral("/s0"), error, progress))
            return false;
        error->code = EACCES;
        error->path = path;
        return false;
    };
    const Removal removal = removeItemsOf(items, items, operation, remove, kIgnored);
    EXPECT_EQ(removal.remaining, (QList<ItemLeft>{{items.at(0), EACCES, {}}}));
    const UserFileWork::Progress progress = UserFileWork::Progress::of(operation);
    EXPECT_EQ(progress.done, kTotal);
    EXPECT_EQ(progress.failed, itemsOnDisk(root)) << "the folder and what it kept";
    EXPECT_EQ(progress.left(), itemsOnDisk(root));
}

// A mount point inside a deleted folder is left with what is mounted there
// (removePath's "remove mount point" error): the removal keeps its path for
// the failure to name, where the errno alone says only "busy".
TEST_F(FileWorkTree, AMountPointLeftInsideAFolderIsKeptForTheFailure)
{
    FileOperation operation(FileOperation::Kind::Delete, items.size());
    const QString mountPoint = items.at(0) + QStringLiteral("/s0");
    const RemoveItem remove = [&](const QString& path, FileError* error, const RemovalProgress& progress) {
        if (path != items.at(0))
            return removePath(path, error, progress);
        setError(error, EBUSY, mountPoint, QStringLiteral("remove mount point"));
        return false;
    };
    const Removal removal = removeItemsOf(items, items, operation, remove, kIgnored);
    EXPECT_EQ(removal.remaining, (QList<ItemLeft>{{items.at(0), EBUSY, mountPoint}}));
    // Another busy item is no mount point.
    const RemoveItem busy = [](const QString& path, FileError* error, const RemovalProgress&) {
        setError(error, EBUSY, path, QStringLiteral("remove"));
        return false;
    };
    FileOperation again(FileOperation::Kind::Delete, items.size());
    tree.writeFile(QStringLiteral("root/a.txt"), "a");
    tree.writeFile(QStringLiteral("root/b.txt"), "b");
    const Removal busyRemoval = removeItemsOf(items, items, again, busy, kIgnored);
    QList<ItemLeft> busyLeft;
    for (const QString& path : items)
        busyLeft.append({path, EBUSY});
    EXPECT_EQ(busyRemoval.remaining, busyLeft);
    // Regression: the failure said the last item's reason of every item.
    // Each item keeps its own: the mount point, then the others refused.
    const RemoveItem mountThenRefused = [&](const QString& path, FileError* error, const RemovalProgress&) {
        if (path == items.at(0))
            setError(error, EBUSY, mountPoint, QStringLiteral("remove mount point"));
        else
            setError(error, EACCES, path, QStringLiteral("remove"));
        return false;
    };
    FileOperation third(FileOperation::Kind::Delete, items.size());
    const Removal mixed = removeItemsOf(items, items, third, mountThenRefused, kIgnored);
    QList<ItemLeft> expected{{items.at(0), EBUSY, mountPoint}};
    for (qsizetype i = 1; i < items.size(); ++i)
        expected.append({items.at(i), EACCES, {}});
    EXPECT_EQ(mixed.remaining, expected);
}

// The window while a Trash runs, its items let through one by one.
class FileWorkWindowTest : public AppFixture
{
protected:
    void SetUp() override
    {
        for (int i = 0; i < kItems; ++i)
            tree.writeFile(QStringLiteral("w/item-%1.txt").arg(i), "x");
        window = makeWindow();
        ASSERT_TRUE(searchAndWait(*window, QStringLiteral("item"), tree.filePath(QStringLiteral("w"))));
        ASSERT_EQ(window->resultsTable()->model()->rowCount(), kItems);
        window->fileActions().setItemWork(
            [this](const QString& path, FileError*) {
                gate.acquire();
                return QFile::remove(path);
            },
            {});
        window->fileActions().setAlertHandler([this](const QString&, const QString&, const QString&, const QString&) {
            ++asked;
            return true;
        });
    }
    void TearDown() override
    {
        // Never left waiting: the work ends whatever the test found.
        gate.release(kItems);
        EXPECT_TRUE(UserFileWork::shared().waitForDone(QDeadlineTimer(60s)));
        window.reset();
    }
    [[nodiscard]] QString status() const { return window->findChild<QLabel*>(QStringLiteral("searchInfo"))->text(); }
    [[nodiscard]] int rows() const { return window->resultsTable()->model()->rowCount(); }
    [[nodiscard]] QString pathOf(const QString& name) const;
    // The failure sheet shown on the window, once no line of it is cut; its
    // picture is saved as deletion-failure-`shot`.png. Null when none shows.
    QMessageBox* shownFailure(const QString& shot);
    // The Trash refuses every item (EPERM).
    void refuseEveryTrash()
    {
        window->fileActions().setItemWork(
            [](const QString&, FileError* error) {
                error->code = EPERM;
                return false;
            },
            {});
    }

    static constexpr int kItems = 6;
    std::unique_ptr<SearchWindow> window;
    std::counting_semaphore<> gate{0};
    int asked = 0;
};

// Regression: a long Trash showed nothing in the window: every row stayed
// until the end, the status still said how many were found, and Trash and
// Delete were offered again for the same items.
TEST_F(FileWorkWindowTest, RowsLeaveAsTheTrashGoesAndItsItemsAreNotOfferedAgain)
{
    window->resultsTable()->selectAll();
    QSignalSpy finished(&window->fileActions(), &FileActions::deletionFinished);
    ASSERT_TRUE(window->commands().perform("moveToTrash:"));
    QAction* trash = window->commands().command("moveToTrash");
    QAction* destroy = window->commands().command("destroy");
    EXPECT_FALSE(trash->isEnabled());
    EXPECT_FALSE(destroy->isEnabled());
    gate.release(2);
    ASSERT_TRUE(QTest::qWaitFor([this] { return rows() == kItems - 2; }, 10000)) << "rows left while it ran";
    EXPECT_TRUE(UserFileWork::shared().isRunning());
    EXPECT_TRUE(finished.isEmpty());
    EXPECT_EQ(status(), QStringLiteral("Moving 2 of 6 items to the Trash…"));
    // The rows still there are still selected and still under way.
    EXPECT_EQ(window->resultsTable()->selectedRows().size(), kItems - 2);
    EXPECT_FALSE(window->commands().perform("destroy:"));
    window->fileActions().destroy();
    EXPECT_EQ(asked, 0) << "Delete asked again about items under way";
    gate.release(kItems - 2);
    ASSERT_TRUE(!finished.isEmpty() || finished.wait(10000));
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(status().startsWith(QStringLiteral("0 found"))) << status().toStdString();
    EXPECT_EQ(asked, 0);
}

// An item not under way is offered while another Trash runs, and goes.
TEST_F(FileWorkWindowTest, OtherItemsAreOfferedWhileATrashRuns)
{
    window->resultsTable()->selectRows({0, 1});
    ASSERT_TRUE(window->commands().perform("moveToTrash:"));
    window->resultsTable()->selectRows({0, 1});
    EXPECT_FALSE(window->commands().command("moveToTrash")->isEnabled()) << "rows 0 and 1 are under way";
    window->resultsTable()->selectRows({1, 2});
    EXPECT_TRUE(window->commands().command("moveToTrash")->isEnabled()) << "row 2 is not under way";
    window->resultsTable()->selectRows({2, 3});
    EXPECT_TRUE(window->commands().command("moveToTrash")->isEnabled());
    QSignalSpy finished(&window->fileActions(), &FileActions::deletionFinished);
    ASSERT_TRUE(window->commands().perform("moveToTrash:"));
    gate.release(4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.size() == 2; }, 10000));
    EXPECT_EQ(rows(), kItems - 4);
}

// The path of the item named `name` in the window's folder.
QString FileWorkWindowTest::pathOf(const QString& name) const
{
    return tree.filePath(QStringLiteral("w/") + name);
}

QMessageBox* FileWorkWindowTest::shownFailure(const QString& shot)
{
    auto* sheet = window->findChild<QMessageBox*>(QStringLiteral("failure"));
    if (!sheet || !QTest::qWaitForWindowExposed(sheet)) {
        ADD_FAILURE() << "no failure sheet shows";
        return nullptr;
    }
    expectWholeAndSave(*sheet, QStringLiteral(SORVANT_SCREENSHOT_DIR "/deletion-failure-%1.png").arg(shot));
    return sheet;
}

// Regression: Delete read the selection again once its question was
// answered. A Trash that ended under the question had cleared it and
// selected the row at its old place, so the answer deleted that row (one
// row trashed) or nothing, silently (several).
TEST_F(FileWorkWindowTest, ADeleteAnsweredAfterAnotherDeletionEndedDeletesTheItemsItNamed)
{
    const struct
    {
        const char* name;
        QStringList trashed;
        QString asked;
    } cases[] = {
        {"one row trashed", {"item-0.txt"}, "item-2.txt"},
        {"two rows trashed", {"item-3.txt", "item-4.txt"}, "item-5.txt"},
    };
    QStringList gone;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QList<int> trashedRows;
        for (const QString& name : c.trashed)
            trashedRows.append(window->searchController().model()->rowsOfPaths({pathOf(name)}).value(0, -1));
        window->resultsTable()->selectRows(trashedRows);
        QSignalSpy finished(&window->fileActions(), &FileActions::deletionFinished);
        window->fileActions().moveToTrash();
        window->resultsTable()->selectRows(window->searchController().model()->rowsOfPaths({pathOf(c.asked)}));
        QString question;
        QStringList selectedUnder;
        window->fileActions().setAlertHandler([&](const QString&, const QString& message, const QString&,
                                                  const QString&) {
            question = message;
            // The Trash ends while the question is up.
            gate.release(int(c.trashed.size()));
            EXPECT_TRUE(QTest::qWaitFor([&] { return finished.size() == 1; }, 10000));
            selectedUnder = window->resultsTable()->selectedPaths();
            return true;
        });
        window->fileActions().destroy();
        EXPECT_TRUE(question.contains(c.asked)) << question.toStdString();
        EXPECT_EQ(selectedUnder, QStringList{pathOf(c.asked)}) << "the ended Trash moved the selection";
        ASSERT_TRUE(finished.size() == 2 || QTest::qWaitFor([&] { return finished.size() == 2; }, 10000));
        gone << c.trashed << c.asked;
        for (int i = 0; i < kItems; ++i) {
            const QString name = QStringLiteral("item-%1.txt").arg(i);
            EXPECT_EQ(QFile::exists(pathOf(name)), !gone.contains(name)) << name.toStdString();
        }
    }
}

// Delete reads the selection once, before its question: whatever the
// selection becomes while the question is up (the user selects another
// row, every row or none), the answer deletes the item it named, only it.
TEST_F(FileWorkWindowTest, ADeleteDeletesTheItemItNamedWhateverIsSelectedUnderItsQuestion)
{
    const struct
    {
        const char* name;
        QString asked;
        std::function<void()> select;
    } cases[] = {
        {"another row selected", "item-1.txt",
         [this] {
             window->resultsTable()->selectRows(
                 window->searchController().model()->rowsOfPaths({pathOf(QStringLiteral("item-0.txt"))}));
         }},
        {"every row selected", "item-3.txt", [this] { window->resultsTable()->selectAll(); }},
        {"none selected", "item-5.txt", [this] { window->resultsTable()->clearSelection(); }},
    };
    QStringList gone;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        window->resultsTable()->selectRows(window->searchController().model()->rowsOfPaths({pathOf(c.asked)}));
        QString question;
        window->fileActions().setAlertHandler([&](const QString&, const QString& message, const QString&,
                                                  const QString&) {
            question = message;
            c.select();
            return true;
        });
        ASSERT_TRUE(deleteAndWait(*window, [this] { window->fileActions().destroy(); }));
        EXPECT_TRUE(question.contains(c.asked)) << question.toStdString();
        gone << c.asked;
        for (int i = 0; i < kItems; ++i) {
            const QString name = QStringLiteral("item-%1.txt").arg(i);
            EXPECT_EQ(QFile::exists(pathOf(name)), !gone.contains(name)) << name.toStdString();
        }
        EXPECT_EQ(rows(), kItems - gone.size());
    }
}

// Regression: two items left for different reasons were both said with
// the last one's ("“zza_imm” and 1 more could not be deleted: “m” is a mount
// point…"). The sheet says each with its own, in English and German, and
// shows all of it (a picture of it is saved to look at).
TEST_F(FileWorkWindowTest, TwoItemsLeftForDifferentReasonsAreEachSaidWithTheirOwn)
{
    const struct
    {
        const char* language;
        QString text;
    } languages[] = {
        {"en", "“item-0.txt” could not be deleted: " + localizedErrorMessage(EPERM)
                   + ". “item-1.txt” could not be deleted: “m” is a mount point and was left as it is."},
        {"de", "„item-0.txt“ konnte nicht gelöscht werden: " + localizedErrorMessage(EPERM)
                   + ". „item-1.txt“ konnte nicht gelöscht werden: „m“ ist ein Einhängepunkt und wurde belassen."},
    };
    // item-0 holds an immutable file, item-1 a mount point; others go.
    window->fileActions().setItemWork({}, [this](const QString& path, FileError* error, const RemovalProgress& progress) {
        if (path == pathOf(QStringLiteral("item-0.txt"))) {
            setError(error, EPERM, path + QStringLiteral("/immutable"), QStringLiteral("remove"));
            return false;
        }
        if (path == pathOf(QStringLiteral("item-1.txt"))) {
            setError(error, EBUSY, path + QStringLiteral("/m"), QStringLiteral("remove mount point"));
            return false;
        }
        return removePath(path, error, progress);
    });
    installStringsTables();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    for (const auto& language : languages) {
        SCOPED_TRACE(language.language);
        setPreferredLanguages({QString::fromLatin1(language.language)});
        window->resultsTable()->selectRows(window->searchController().model()->rowsOfPaths(
            {pathOf(QStringLiteral("item-0.txt")), pathOf(QStringLiteral("item-1.txt"))}));
        ASSERT_TRUE(deleteAndWait(*window, [this] { window->fileActions().destroy(); }));
        const QMessageBox* sheet = shownFailure(QStringLiteral("two-reasons-") + QLatin1String(language.language));
        ASSERT_TRUE(sheet);
        EXPECT_EQ(sheet->informativeText(), language.text);
        delete sheet;
        // The longest a sheet says: three reasons, the others counted.
        const QString many = QStringLiteral("/d/%1-a-long-name-of-a-folder-left-behind");
        showFailureSheet(deletionFailure({{many.arg(1), EACCES},
                                          {many.arg(2), EPERM},
                                          {many.arg(3), EBUSY, many.arg(3) + QStringLiteral("/mounted-disk")},
                                          {many.arg(4), EROFS},
                                          {many.arg(5), EACCES}}),
                         window.get());
        delete shownFailure(QStringLiteral("many-reasons-") + QLatin1String(language.language));
    }
    setPreferredLanguages({});
    EXPECT_TRUE(QFile::exists(pathOf(QStringLiteral("item-0.txt"))));
    EXPECT_TRUE(QFile::exists(pathOf(QStringLiteral("item-1.txt"))));
}

// Delete of a selection of which some items are under way asks about the
// others, by their count, says how many are under way, and deletes only
// the others.
TEST_F(FileWorkWindowTest, ADeleteOfAMixedSelectionActsOnTheItemsNotUnderWay)
{
    window->resultsTable()->selectRows({0, 1});
    window->fileActions().moveToTrash();
    window->resultsTable()->selectAll();
    QString question;
    window->fileActions().setAlertHandler([&](const QString&, const QString& message, const QString&,
                                              const QString&) {
        question = message;
        return true;
    });
    ASSERT_TRUE(deleteAndWait(*window, [this] { window->fileActions().destroy(); }));
    EXPECT_TRUE(question.contains(QStringLiteral("these 4 items"))) << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("2 other selected items are already being moved or deleted.")))
        << question.toStdString();
    for (int i = 0; i < kItems; ++i)
        EXPECT_EQ(QFile::exists(pathOf(QStringLiteral("item-%1.txt").arg(i))), i < 2) << i;
}

// A Trash of such a selection takes the items not under way, and the
// status line says the others are while it runs.
TEST_F(FileWorkWindowTest, ATrashOfAMixedSelectionSaysTheItemsUnderWay)
{
    window->resultsTable()->selectRows({0});
    window->fileActions().moveToTrash();
    window->resultsTable()->selectAll();
    QSignalSpy finished(&window->fileActions(), &FileActions::deletionFinished);
    window->fileActions().moveToTrash();
    const QString said = QStringLiteral("Moving 0 of 5 items to the Trash… "
                                        "1 other selected item is already being moved or deleted.");
    EXPECT_TRUE(QTest::qWaitFor([&] { return status().contains(said); }, 10000)) << status().toStdString();
    gate.release(kItems);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.size() == 2; }, 10000));
    EXPECT_EQ(rows(), 0);
    EXPECT_FALSE(status().contains(QStringLiteral("already"))) << status().toStdString();
}

// Regression: while the question about what the Trash refused was up, the
// status line still said "Moving 1 of 1 items to the Trash…".
TEST_F(FileWorkWindowTest, TheStatusSaysNothingOfAnEndedTrashWhileItsRefusalIsAsked)
{
    refuseEveryTrash();
    QString statusUnder;
    window->fileActions().setAlertHandler([&](const QString&, const QString&, const QString&, const QString&) {
        statusUnder = status();
        return false;
    });
    window->resultsTable()->selectRows({0});
    ASSERT_TRUE(deleteAndWait(*window, [this] { window->fileActions().moveToTrash(); }));
    EXPECT_TRUE(statusUnder.startsWith(QStringLiteral("6 found"))) << statusUnder.toStdString();
}

// While the quit question is up, an ended Trash asks nothing about what it
// refused, which stays: quitting waits for no question.
TEST_F(FileWorkWindowTest, ATrashEndingWhileQuittingIsPendingAsksNothing)
{
    refuseEveryTrash();
    UserFileWork::shared().setQuitPending(true);
    window->resultsTable()->selectRows({0});
    const bool ended = deleteAndWait(*window, [this] { window->fileActions().moveToTrash(); });
    UserFileWork::shared().setQuitPending(false);
    (void)UserFileWork::shared().takeStopped();
    ASSERT_TRUE(ended);
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(QFile::exists(pathOf(QStringLiteral("item-0.txt"))));
    EXPECT_EQ(rows(), kItems);
}

} // namespace
} // namespace sorvant::test
