// The search window as the interface thread lives it, offscreen. The
// longest the interface thread is busy at once is the largest gap between
// the turns of a zero-interval timer.
//   - 144,000 results: the time to the last row shown against the search
//     command's long listing (size, date, kind: the window's default
//     columns) of the same search; the longest stall during the first
//     search, during a search that replaces its rows, and during Ctrl+A, a
//     header click and View > Sort By with every row selected, and the CPU
//     time of one repaint of the table with every row selected;
//   - 10,000 gone rows among 20,000 removed after their files were deleted;
//   - the first search of a tree of many file types on a fresh profile
//     (every type's icon looked up), and a scroll through it;
//   - the writes of the settings file for one Return on a fresh profile and
//     for one column drag (counted with inotify, as another process sees
//     them);
//   - the preview of an 8000 x 6000 PNG: the longest busy stretch while it
//     opens and while it is resized;
//   - start-up and quit with a 60 MB settings file: their times, and the
//     reads and writes of the file.
// The trees and the picture are made once, under the temporary folder.

#include "app/application_delegate.h"
#include "app/file_actions.h"
#include "app/results_table_model.h"
#if __has_include("app/results_roles_resolver.h")
#include "app/results_roles_resolver.h"
#endif
#include "app/search_window.h"
#include "bench/offscreen_benchmarks.h"
#include "interface/menu_items.h"
#include "interface/preview_window.h"
#include "platform/file_error.h"
#include "platform/property_list.h"
#include "system/file_operations.h"
#include "platform/user_defaults.h"
#include "search/result.h"
#include "system/workspace_icons.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QMimeDatabase>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <tuple>
#include <utility>
#include <random>

namespace {

using namespace sorvant;

// The largest gap between two turns of the event loop while it runs.
class StallMeter
{
public:
    StallMeter()
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_worst = std::max(m_worst, now - m_last);
            m_last = now;
        });
    }
    void start()
    {
        m_clock.start();
        m_last = 0;
        m_worst = 0;
        m_timer.start();
    }
    [[nodiscard]] double worstMilliseconds() const { return double(m_worst) / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_worst = 0;
};

// The CPU time this thread has used, in milliseconds.
double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

void spinFor(double seconds)
{
    (void)spinUntil([] { return false; }, seconds);
}

// Settings written as the application writes them (coalesced, where the
// defaults can).
void useApplicationWrites(UserDefaults& defaults)
{
    const auto enable = [](auto& settings) {
        if constexpr (requires { settings.setCoalescedWrites(std::chrono::milliseconds(1), std::chrono::milliseconds(1)); })
            settings.setCoalescedWrites(std::chrono::milliseconds(150), std::chrono::milliseconds(1000));
    };
    enable(defaults);
}

// A folder under the temporary folder that survives the run.
QString benchFolder(const QString& name)
{
    return QDir::tempPath() + QStringLiteral("/sorvant-bench-") + name;
}

QString treeOf144k()
{
    const QString root = benchFolder(QStringLiteral("144k"));
    const QString marker = root + QStringLiteral("/.complete");
    if (QFile::exists(marker))
        return root;
    for (int folder = 0; folder < 360; ++folder) {
        const QString dir = root + QStringLiteral("/d%1").arg(folder);
        QDir().mkpath(dir);
        for (int i = 0; i < 400; ++i) {
            QFile file(dir + QStringLiteral("/match-%1-%2.txt").arg((i * 7919 + folder) % 400).arg(folder));
            (void)file.open(QIODevice::WriteOnly);
        }
    }
    QFile(marker).open(QIODevice::WriteOnly);
    return root;
}

QString searchCommand()
{
    const QString fromEnvironment = qEnvironmentVariable("SORVANT_SEARCH");
    return fromEnvironment.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/sorvant-search")
                                     : fromEnvironment;
}

// A fresh profile: the application's own defaults (the file the window, the
// table and the find pasteboard all write), emptied.
struct Profile
{
    Profile() : defaults(UserDefaults::standardUserDefaults())
    {
        QFile::remove(UserDefaults::defaultPersistentDomainPath());
        QDir().mkpath(folder());
        UserDefaults::resetStandardUserDefaults();
        useApplicationWrites(defaults);
    }
    [[nodiscard]] static QString folder() { return QFileInfo(UserDefaults::defaultPersistentDomainPath()).path(); }
    [[nodiscard]] static QString fileName() { return QFileInfo(UserDefaults::defaultPersistentDomainPath()).fileName(); }
    UserDefaults& defaults;
};

bool searchAndWait(SearchWindow& window, const QString& phrase, const QString& folder, double seconds)
{
    bool ended = false;
    const QMetaObject::Connection connection =
        QObject::connect(&window, &SearchWindow::searchDidEnd, [&ended] { ended = true; });
    window.setInput(phrase);
    window.setDestination(folder);
    window.search();
    const bool done = spinUntil([&] { return ended; }, seconds);
    QObject::disconnect(connection);
    return done;
}

// Runs `step` from inside the event loop, then turns the loop until `done`
// (or `seconds`); answers the longest the interface thread was busy at
// once, in milliseconds, and the time until `done` in `took`.
template <typename Step, typename Done>
double stallDuring(Step step, Done done, double seconds, double* took = nullptr)
{
    StallMeter stalls;
    stalls.start();
    spinFor(0.05);
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(0, step);
    QCoreApplication::processEvents();
    (void)spinUntil(done, seconds);
    if (took)
        *took = double(clock.nsecsElapsed()) / 1e9;
    spinFor(0.2); // the repaints and queued work that follow
    return stalls.worstMilliseconds();
}

// The search command's time for `phrase` in `tree`: the long listing (the
// window's default columns) when the command has one, else paths alone.
double headlessSeconds(const QString& phrase, const QString& tree, bool* longListing)
{
    for (const bool asLong : {true, false}) {
        QElapsedTimer clock;
        clock.start();
        QProcess command;
        command.setStandardOutputFile(QProcess::nullDevice());
        QStringList arguments{QStringLiteral("--mode"), QStringLiteral("phrase")};
        if (asLong)
            arguments.append(QStringLiteral("--long"));
        command.start(searchCommand(), arguments << phrase << tree);
        if (!command.waitForFinished(300000))
            return -1;
        if (command.exitCode() == 2)
            continue; // no long listing in this build
        *longListing = asLong;
        return double(clock.nsecsElapsed()) / 1e9;
    }
    return -1;
}

// A window that searched the 144k tree: the first search and the one that
// replaces its rows, then Ctrl+A, a header click and View > Sort By with
// every row selected.
void BM_Window144kResults(benchmark::State& state)
{
    const QString tree = treeOf144k();
    for (auto _ : state) {
        bool longListing = false;
        const double headless = headlessSeconds(QStringLiteral("match"), tree, &longListing);
        if (headless < 0) {
            state.SkipWithError("the search command did not end");
            return;
        }
        Profile profile;
        SearchWindow window(1, profile.defaults);
        window.show();
        spinFor(0.3);
        QTableView* table = window.resultsTable();
        const auto search = [&] {
            StallMeter stalls;
            stalls.start();
            QElapsedTimer clock;
            clock.start();
            const bool ended = searchAndWait(window, QStringLiteral("match"), tree, 300);
            QCoreApplication::processEvents();
            return std::make_tuple(ended, double(clock.nsecsElapsed()) / 1e9, stalls.worstMilliseconds());
        };
        QElapsedTimer sinceReturn;
        sinceReturn.start();
        const auto [ended, shown, firstStall] = search();
        if (!ended) {
            state.SkipWithError("the window's search did not end");
            return;
        }
        // Where the table reads kinds off the interface thread: the time
        // until every row's kind is known, the long listing's work.
        double kinds = 0;
        const auto waitForKinds = [&](auto* model) {
            if constexpr (requires { model->rolesResolver().isBusy(); }) {
                (void)spinUntil([&] { return !model->rolesResolver().isBusy(); }, 120);
                kinds = double(sinceReturn.nsecsElapsed()) / 1e9;
            }
        };
        waitForKinds(qobject_cast<ResultsTableModel*>(table->model()));
        const auto [endedAgain, replaced, replaceStall] = search();
        (void)endedAgain;
        const int rows = table->model()->rowCount();
        // Asking the selection model for its rows would take longer than the
        // selection itself: its one range is looked at instead.
        const auto allSelected = [&] {
            const QItemSelection selection = table->selectionModel()->selection();
            return selection.size() == 1 && selection.constFirst().height() == rows;
        };
        const double selectAll = stallDuring([&] { table->selectAll(); }, allSelected, 10);
        // The interface thread's CPU time for one repaint of the table and
        // its header with every row selected: the least of a few, as a busy machine slows
        // each differently.
        double repaintSelected = 1e9;
        for (int i = 0; i < 5; ++i) {
            const double started = threadCpuMilliseconds();
            table->viewport()->repaint();
            table->horizontalHeader()->viewport()->repaint();
            repaintSelected = std::min(repaintSelected, threadCpuMilliseconds() - started);
        }
        const QModelIndex top = table->model()->index(0, 0);
        const QString first = top.data().toString();
        const double header = stallDuring(
            [&] { emit table->horizontalHeader()->sectionClicked(ResultsTableModel::kPathColumn); },
            [&] { return table->model()->index(0, 0).data().toString() != first; }, 10);
        QAction byName;
        setItemTag(&byName, int(kSortByName));
        const QString pathFirst = table->model()->index(0, 0).data().toString();
        const double menu = stallDuring([&] { window.setSorting(&byName); },
                                        [&] { return table->model()->index(0, 0).data().toString() != pathFirst; }, 10);
        state.SetIterationTime(shown);
        state.counters["rows"] = rows;
        state.counters["headless_s"] = headless;
        state.counters["headless_long"] = longListing ? 1 : 0;
        state.counters["window_s"] = shown;
        state.counters["window_kinds_s"] = kinds;
        state.counters["ratio"] = shown / headless;
        state.counters["stall_first_ms"] = firstStall;
        state.counters["replace_s"] = replaced;
        state.counters["stall_replace_ms"] = replaceStall;
        state.counters["stall_select_all_ms"] = selectAll;
        state.counters["repaint_selected_cpu_ms"] = repaintSelected;
        state.counters["stall_header_ms"] = header;
        state.counters["stall_sort_by_ms"] = menu;
        state.counters["still_selected"] = double(table->selectionModel()->selectedRows(0).size());
        window.close();
    }
}
BENCHMARK(BM_Window144kResults)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// 20,000 files found, then every other one deleted: the window drops the
// 10,000 gone rows.
void BM_RemoveGoneRows(benchmark::State& state)
{
    for (auto _ : state) {
        QTemporaryDir tree;
        for (int i = 0; i < 20000; ++i) {
            QFile file(tree.filePath(QStringLiteral("d%1/gone-%2.txt").arg(i % 50).arg(i)));
            if (i % 50 == i)
                QDir().mkpath(tree.filePath(QStringLiteral("d%1").arg(i)));
            (void)file.open(QIODevice::WriteOnly);
        }
        Profile profile;
        SearchWindow window(1, profile.defaults);
        window.show();
        spinFor(0.2);
        if (!searchAndWait(window, QStringLiteral("gone"), tree.path(), 120)) {
            state.SkipWithError("the search did not end");
            return;
        }
        QTableView* table = window.resultsTable();
        for (int i = 0; i < 20000; i += 2)
            QFile::remove(tree.filePath(QStringLiteral("d%1/gone-%2.txt").arg(i % 50).arg(i)));
        double took = 0;
        const double stall = stallDuring([&] { window.searchController().removeGoneResults(); },
                                         [&] { return table->model()->rowCount() == 10000; }, 60, &took);
        state.SetIterationTime(took);
        state.counters["rows_left"] = table->model()->rowCount();
        state.counters["stall_ms"] = stall;
        window.close();
    }
}
BENCHMARK(BM_RemoveGoneRows)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// A fresh tree of `count` empty files "item-N.txt", 400 a folder: the
// Trash and Delete benches take them off the disk.
QString freshTreeOf(const QString& name, int count)
{
    const QString root = benchFolder(name);
    QDir(root).removeRecursively();
    for (int i = 0; i < count; ++i) {
        const QString dir = root + QStringLiteral("/d%1").arg(i / 400);
        if (i % 400 == 0)
            QDir().mkpath(dir);
        QFile file(dir + QStringLiteral("/item-%1.txt").arg(i));
        (void)file.open(QIODevice::WriteOnly);
    }
    return root;
}

// 150,000 results: Ctrl+A, a single row and Ctrl+A again, then a Move to
// Trash of every row (each item unlinked in the Trash's stead, so the
// rows leave at the pace of the disk); then a Delete of 80,000 rows of
// which every tenth item fails and stays selected. The longest stall of
// each step, and the interface thread's CPU time for the selection steps.
void BM_SelectionAndRemoval150k(benchmark::State& state)
{
    for (auto _ : state) {
        const QString tree = freshTreeOf(QStringLiteral("150k-removal"), 150000);
        Profile profile;
        SearchWindow window(1, profile.defaults);
        window.show();
        spinFor(0.3);
        if (!searchAndWait(window, QStringLiteral("item"), tree, 300)) {
            state.SkipWithError("the search did not end");
            return;
        }
        spinFor(0.5);
        QTableView* table = window.resultsTable();
        const int rows = table->model()->rowCount();
        const auto selectedCount = [&] {
            qsizetype count = 0;
            for (const QItemSelectionRange& range : table->selectionModel()->selection())
                count += range.height();
            return count;
        };
        double selectionCpu = 0;
        const auto timed = [&](auto step) {
            return [&selectionCpu, step] {
                const double started = threadCpuMilliseconds();
                step();
                QCoreApplication::processEvents();
                selectionCpu = std::max(selectionCpu, threadCpuMilliseconds() - started);
            };
        };
        double selectionStall = 0;
        for (int round = 0; round < 2; ++round) {
            selectionStall = std::max(selectionStall, stallDuring(timed([&] { table->selectAll(); }),
                                                                  [&] { return selectedCount() == rows; }, 10));
            if (round == 0)
                selectionStall = std::max(selectionStall, stallDuring(timed([&] { table->selectRow(5); }),
                                                                      [&] { return selectedCount() == 1; }, 10));
        }
        FileActions& actions = window.fileActions();
        bool finished = false;
        QObject::connect(&actions, &FileActions::deletionFinished, [&finished] { finished = true; });
        const auto unlinkItem = [](const QString& path, FileError*) { return QFile::remove(path); };
        actions.setItemWork(unlinkItem, {});
        double trashSeconds = 0;
        // The interface thread's own work at the start: the call itself.
        double trashStartCpu = 0;
        const auto startTrash = [&] {
            const double started = threadCpuMilliseconds();
            actions.moveToTrash();
            trashStartCpu = threadCpuMilliseconds() - started;
        };
        const double trashStall = stallDuring(startTrash,
                                              [&] { return finished && table->model()->rowCount() == 0; }, 600,
                                              &trashSeconds);
        const int trashLeft = table->model()->rowCount();

        const QString deleteTree = freshTreeOf(QStringLiteral("80k-removal"), 80000);
        if (!searchAndWait(window, QStringLiteral("item"), deleteTree, 300)) {
            state.SkipWithError("the second search did not end");
            return;
        }
        spinFor(0.5);
        // Every tenth item fails: its row stays, selected.
        actions.setItemWork({}, [](const QString& path, FileError* error, const RemovalProgress&) {
            if (path.endsWith(QLatin1String("0.txt"))) {
                if (error)
                    error->code = EACCES;
                return false;
            }
            return QFile::remove(path);
        });
        actions.setAlertHandler([](const QString&, const QString&, const QString&, const QString&) { return true; });
        table->selectAll();
        QCoreApplication::processEvents();
        finished = false;
        double deleteSeconds = 0;
        double deleteStartCpu = 0;
        const auto startDelete = [&] {
            const double started = threadCpuMilliseconds();
            actions.destroy();
            deleteStartCpu = threadCpuMilliseconds() - started;
        };
        const double deleteStall = stallDuring(startDelete, [&] { return finished; }, 600, &deleteSeconds);
        state.SetIterationTime(trashSeconds);
        const std::pair<const char*, double> counters[] = {
            {"rows", rows},
            {"stall_selection_ms", selectionStall},
            {"selection_cpu_ms", selectionCpu},
            {"trash_s", trashSeconds},
            {"trash_start_cpu_ms", trashStartCpu},
            {"stall_trash_ms", trashStall},
            {"trash_rows_left", trashLeft},
            {"delete_s", deleteSeconds},
            {"delete_start_cpu_ms", deleteStartCpu},
            {"stall_delete_failing_ms", deleteStall},
            {"delete_rows_left", table->model()->rowCount()},
        };
        for (const auto& [name, value] : counters)
            state.counters[name] = value;
        window.close();
        QDir(tree).removeRecursively();
        QDir(deleteTree).removeRecursively();
    }
}
BENCHMARK(BM_SelectionAndRemoval150k)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// A tree of many file types (every extension the MIME database knows, in
// turn): the first search on a fresh profile looks up an icon per type.
QString treeOfMixedTypes()
{
    const QString root = benchFolder(QStringLiteral("mixed"));
    const QString marker = root + QStringLiteral("/.complete");
    if (QFile::exists(marker))
        return root;
    QStringList suffixes;
    for (const QMimeType& type : QMimeDatabase().allMimeTypes())
        suffixes.append(type.suffixes());
    suffixes.removeDuplicates();
    suffixes.sort();
    for (int folder = 0; folder < 400; ++folder) {
        const QString dir = root + QStringLiteral("/f%1").arg(folder);
        QDir().mkpath(dir);
        for (int i = 0; i < 360; ++i) {
            const QString& suffix = suffixes.at((folder * 360 + i) % suffixes.size());
            QFile file(dir + QStringLiteral("/item-%1.%2").arg(i).arg(suffix));
            (void)file.open(QIODevice::WriteOnly);
        }
    }
    QFile(marker).open(QIODevice::WriteOnly);
    return root;
}

void BM_FirstSearchOfMixedTypes(benchmark::State& state)
{
    const QString tree = treeOfMixedTypes();
    for (auto _ : state) {
        clearIconCaches();
        Profile profile;
        SearchWindow window(1, profile.defaults);
        window.resize(900, 1200);
        window.show();
        spinFor(0.3);
        StallMeter stalls;
        stalls.start();
        QElapsedTimer clock;
        clock.start();
        if (!searchAndWait(window, QStringLiteral("item"), tree, 300)) {
            state.SkipWithError("the search did not end");
            return;
        }
        const double shown = double(clock.nsecsElapsed()) / 1e9;
        // Scrolling through types not drawn yet.
        QTableView* table = window.resultsTable();
        for (int step = 1; step <= 20; ++step) {
            table->scrollTo(table->model()->index(step * 97, 0), QAbstractItemView::PositionAtTop);
            spinFor(0.05);
        }
        spinFor(1);
        state.SetIterationTime(shown);
        state.counters["rows"] = table->model()->rowCount();
        state.counters["worst_stall_ms"] = stalls.worstMilliseconds();
        window.close();
    }
}
BENCHMARK(BM_FirstSearchOfMixedTypes)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// Counts the times the file `name` in `folder` is written whole (closed
// after writing, or renamed into place), or with IN_OPEN as `events`, opened.
class WriteCounter
{
public:
    WriteCounter(const QString& folder, const QString& name, uint32_t events = IN_CLOSE_WRITE | IN_MOVED_TO)
        : m_name(QFile::encodeName(name))
    {
        m_fd = ::inotify_init1(IN_NONBLOCK);
        ::inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), events);
    }
    ~WriteCounter() { ::close(m_fd); }
    int count()
    {
        alignas(inotify_event) char buffer[16384];
        for (;;) {
            const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
            if (length <= 0)
                return m_count;
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && m_name == event->name)
                    ++m_count;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    QByteArray m_name;
    int m_fd = -1;
    int m_count = 0;
};

void BM_SettingsWrites(benchmark::State& state)
{
    const bool drag = state.range(0) == 1;
    for (auto _ : state) {
        Profile profile;
        QTemporaryDir tree;
        QFile(tree.filePath(QStringLiteral("x.txt"))).open(QIODevice::WriteOnly);
        SearchWindow window(1, profile.defaults);
        window.show();
        spinFor(2.5);
        WriteCounter writes(Profile::folder(), Profile::fileName());
        (void)writes.count();
        if (drag) {
            window.resultsTable()->horizontalHeader()->moveSection(2, 4);
        } else if (!searchAndWait(window, QStringLiteral("x"), tree.path(), 10)) {
            state.SkipWithError("the search did not end");
            return;
        }
        spinFor(2.5);
        state.counters["writes"] = writes.count();
        window.close();
        spinFor(0.1);
    }
}
BENCHMARK(BM_SettingsWrites)->ArgName("drag")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

QString largePicture()
{
    const QString path = benchFolder(QStringLiteral("8000x6000.png"));
    if (QFile::exists(path))
        return path;
    QImage image(8000, 6000, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 8000, 6000);
    gradient.setColorAt(0, Qt::darkBlue);
    gradient.setColorAt(1, Qt::yellow);
    painter.fillRect(image.rect(), gradient);
    std::mt19937 random(1);
    for (int i = 0; i < 2000; ++i)
        painter.fillRect(int(random() % 8000), int(random() % 6000), 40, 40, QColor::fromRgb(random()));
    painter.end();
    image.save(path + QStringLiteral(".part"), "PNG");
    QFile::rename(path + QStringLiteral(".part"), path);
    return path;
}

void BM_PreviewLargePicture(benchmark::State& state)
{
    const QUrl picture = QUrl::fromLocalFile(largePicture());
    for (auto _ : state) {
        PreviewWindow preview;
        preview.show();
        spinFor(0.2);
        StallMeter stalls;
        stalls.start();
        preview.setItems({picture});
        spinFor(3);
        preview.resize(preview.width() + 120, preview.height() + 90);
        spinFor(3);
        state.SetIterationTime(6);
        state.counters["worst_stall_ms"] = stalls.worstMilliseconds();
    }
}
BENCHMARK(BM_PreviewLargePicture)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// A large settings file (60 MB: a profile that gathered years of keys) at
// start-up and at quit, driven as the program's main drives the
// application: the defaults read, a window opened on a folder, the launch
// finished; then a change, the quit's saving and the objects' ends. Counted
// with inotify as another process sees the file: how often it is opened
// (each open is a read of it) and renamed into place (each is a write).
constexpr qsizetype kLargeSettingsSize = 60 * 1024 * 1024;

// One launch and quit; what it cost and how often the file was read and
// written.
struct Run
{
    double startSeconds = 0;
    int startReads = 0;
    int startWrites = 0;
    double quitSeconds = 0;
    int quitReads = 0;
    int quitWrites = 0;
};

Run startAndQuit(const QString& folder)
{
    Run run;
    const QString path = UserDefaults::defaultPersistentDomainPath();
    WriteCounter opens(QFileInfo(path).path(), QFileInfo(path).fileName(), IN_OPEN);
    WriteCounter writes(QFileInfo(path).path(), QFileInfo(path).fileName());
    QElapsedTimer clock;
    clock.start();
    UserDefaults::resetStandardUserDefaults();
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    auto delegate = std::make_unique<ApplicationDelegate>(&defaults);
    // As main does, where the delegate has this step.
    if constexpr (requires { delegate->applicationWillFinishLaunching(); })
        delegate->applicationWillFinishLaunching();
    delegate->search(QString(), folder);
    delegate->applicationDidFinishLaunching();
    QCoreApplication::processEvents();
    run.startSeconds = double(clock.nsecsElapsed()) / 1e9;
    spinFor(0.5);
    // What the start-up wrote in the background (the window's frame where it
    // changed) is done before the quit is timed.
    (void)defaults.flush();
    run.startReads = opens.count();
    run.startWrites = writes.count();

    // A change (another folder than the last run's), then the quit as main
    // does it.
    static int runs = 0;
    delegate->windows().first()->setDestination(++runs % 2 ? QDir::homePath() : QDir::tempPath());
    clock.restart();
    delegate->applicationWillTerminate();
    delegate.reset();
    (void)defaults.flush();
    run.quitSeconds = double(clock.nsecsElapsed()) / 1e9;
    run.quitReads = opens.count() - run.startReads;
    run.quitWrites = writes.count() - run.startWrites;
    return run;
}

// The application's settings file as years of use leave it: the keys a run
// writes, and 60 MB of old ones. Made once.
void writeLargeSettings(const QString& folder)
{
    static bool written = false;
    if (written)
        return;
    const QString path = UserDefaults::defaultPersistentDomainPath();
    QFile::remove(path);
    QDir().mkpath(QFileInfo(path).path());
    (void)startAndQuit(folder);
    QVariantMap keys = readPropertyListFile(path).toMap();
    // Short values, as settings are: about 100 bytes of XML per key.
    const QString value = QStringLiteral("x").repeated(60);
    for (qsizetype i = 0; qsizetype(keys.size()) * 100 < kLargeSettingsSize; ++i)
        keys.insert(QStringLiteral("OldKey%1").arg(i), value);
    QString error;
    if (!writePropertyListFile(path, keys, &error))
        qFatal("cannot write the settings: %s", qPrintable(error));
    written = true;
}

void BM_LargeSettingsStartAndQuit(benchmark::State& state)
{
    QTemporaryDir folder;
    writeLargeSettings(folder.path());
    for (auto _ : state) {
        const Run run = startAndQuit(folder.path());
        state.counters["start_s"] = run.startSeconds;
        state.counters["start_reads"] = run.startReads;
        state.counters["start_writes"] = run.startWrites;
        state.counters["quit_s"] = run.quitSeconds;
        state.counters["quit_reads"] = run.quitReads;
        state.counters["quit_writes"] = run.quitWrites;
        state.SetIterationTime(run.startSeconds + run.quitSeconds);
    }
}
BENCHMARK(BM_LargeSettingsStartAndQuit)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return sorvant::runOffscreenBenchmarks(argc, argv);
}
