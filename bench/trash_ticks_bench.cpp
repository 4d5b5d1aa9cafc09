// A Move to Trash of 150,000 selected rows as the interface thread lives
// it, offscreen, with a stand-in Trash (no disk is touched: the results name
// items that are not there, and the stand-in takes each after `item_us`
// microseconds of work on the operation's thread). Counted:
//   - stall_trash_ms: the longest the interface thread was busy at once
//     from the command until the last row left (the largest gap between
//     the turns of a zero-interval timer);
//   - cpu_turn_trash_ms: the most CPU time the interface thread spent on
//     one such stretch, which a busy machine does not stretch: what is
//     left of the stall is the wait for a processor;
//   - stall_selection_ms: the same as stall_trash_ms for Ctrl+A, a single
//     row and Ctrl+A;
//   - trash_s: the time until the last row left.
// Run it quiet and beside busy loops (one per processor and more) to see
// how a loaded machine stretches the longest stall.
//
// BM_TrashDiskStall does the same with the real Trash: `rows` empty files
// in folders of 400 under the benchmark's home, moved into the trash of its
// data folder on the same file system, beside `busy` processes that spin
// (as `(while :; do :; done) &` does) for as long as it runs. It counts
// stall_trash_ms, cpu_turn_trash_ms and trash_s as above, and moved, the
// files that left their folders. SORVANT_TRASH_ROWS=150000 in the
// environment sets `rows` for a run as large as the tester's.

#include "app/file_actions.h"
#include "app/results_roles_resolver.h"
#include "app/results_table_model.h"
#include "app/search_controller.h"
#include "app/search_window.h"
#include "bench/offscreen_benchmarks.h"
#include "platform/user_defaults.h"
#include "search/result.h"
#include "search/results_data_source.h"
#include "system/trash.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTableView>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <ctime>
#include <vector>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace sorvant;

constexpr int kRows = 150'000;

// Measures the longest busy stretch of the interface thread while it turns
// the event loop: the gap between two turns of a zero-interval timer.
class BusyStretches
{
public:
    BusyStretches()
    {
        m_turn.setInterval(0);
        QObject::connect(&m_turn, &QTimer::timeout, [this] { noteTurn(); });
    }
    // Runs `step` inside the event loop, then turns it until `done` and a
    // little after (the repaints that follow); the longest stretch, in ms,
    // and the most CPU time of one in `cpu`.
    template <typename Step, typename Done>
    double during(Step step, Done done, double seconds, double* took, double* cpu = nullptr)
    {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_lastCpu = threadCpu();
        m_longestCpu = 0;
        m_turn.start();
        (void)spinUntil([] { return false; }, 0.05);
        QElapsedTimer clock;
        clock.start();
        QTimer::singleShot(0, step);
        const bool ended = spinUntil(done, seconds);
        if (took)
            *took = ended ? double(clock.nsecsElapsed()) / 1e9 : -1;
        (void)spinUntil([] { return false; }, 0.2);
        m_turn.stop();
        if (cpu)
            *cpu = double(m_longestCpu) / 1e6;
        return double(m_longest) / 1e6;
    }

private:
    static qint64 threadCpu()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    }
    void noteTurn()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
        const qint64 cpu = threadCpu();
        m_longestCpu = std::max(m_longestCpu, cpu - m_lastCpu);
        m_lastCpu = cpu;
    }

    QTimer m_turn;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    qint64 m_lastCpu = 0;
    qint64 m_longestCpu = 0;
};

// Busy work on the calling thread for `micros` microseconds.
void workFor(std::chrono::microseconds micros)
{
    const auto until = std::chrono::steady_clock::now() + micros;
    while (std::chrono::steady_clock::now() < until) {
    }
}

// The rows of `window`: `count` results of items under `root`, 400 to a
// folder, as a search of them would show them; with `make`, each is made
// an empty file first.
void showRows(SearchWindow& window, const QString& root, int count, bool make)
{
    SearchController& search = window.searchController();
    ResultsDataSource& results = search.engine().dataSource();
    for (int i = 0; i < count; ++i) {
        const QString folder = QStringLiteral("%1/d%2").arg(root).arg(i / 400);
        const QString name = QStringLiteral("item-%1.txt").arg(i, 6, 10, QLatin1Char('0'));
        const QString path = folder + u'/' + name;
        if (make) {
            if (i % 400 == 0)
                QDir().mkpath(folder);
            QFile file(path);
            (void)file.open(QIODevice::WriteOnly);
        }
        results.addResult(Result::create(path, root, name, std::nullopt, QString(), false, false));
    }
    search.showPendingResults();
}

// `count` processes that spin until this object ends.
class BusyLoops
{
public:
    explicit BusyLoops(int count)
    {
        for (int i = 0; i < count; ++i) {
            const pid_t child = ::fork();
            if (child == 0) {
                // Ends with the benchmark, however that ends.
                (void)::prctl(PR_SET_PDEATHSIG, SIGKILL);
                for (;;) {
                }
            }
            if (child > 0)
                m_children.push_back(child);
        }
    }
    ~BusyLoops()
    {
        for (const pid_t child : m_children)
            ::kill(child, SIGKILL);
        for (const pid_t child : m_children)
            (void)::waitpid(child, nullptr, 0);
    }
    BusyLoops(const BusyLoops&) = delete;
    BusyLoops& operator=(const BusyLoops&) = delete;

private:
    std::vector<pid_t> m_children;
};

// A Move to Trash of all `rows` rows under `root` (made files when `make`)
// with `work` (the real Trash when empty), beside `busy` spinning
// processes; counts as the file's header says.
void trashRows(benchmark::State& state, const QString& root, int rows, bool make, const TrashItem& work, int busy)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    QFile::remove(UserDefaults::defaultPersistentDomainPath());
    QDir().mkpath(QFileInfo(UserDefaults::defaultPersistentDomainPath()).path());
    UserDefaults::resetStandardUserDefaults();
    SearchWindow window(1, defaults);
    window.show();
    QTableView* table = window.resultsTable();
    showRows(window, root, rows, make);
    BusyStretches stretches;
    (void)spinUntil([] { return false; }, 0.5);
    if (table->model()->rowCount() != rows) {
        state.SkipWithError("the rows were not shown");
        return;
    }
    const auto selected = [table] {
        qsizetype count = 0;
        for (const QItemSelectionRange& range : table->selectionModel()->selection())
            count += range.height();
        return count;
    };
    double selection =
        stretches.during([table] { table->selectAll(); }, [&] { return selected() == rows; }, 10, nullptr);
    selection = std::max(selection, stretches.during([table] { table->selectRow(5); },
                                                     [&] { return selected() == 1; }, 10, nullptr));
    selection = std::max(selection, stretches.during([table] { table->selectAll(); },
                                                     [&] { return selected() == rows; }, 10, nullptr));

    FileActions& actions = window.fileActions();
    actions.setItemWork(work, {});
    bool finished = false;
    QObject::connect(&actions, &FileActions::deletionFinished, [&finished] { finished = true; });
    double took = 0;
    double cpu = 0;
    double trash = 0;
    {
        const BusyLoops loops(busy);
        trash = stretches.during([&actions] { actions.moveToTrash(); },
                                 [&] { return finished && table->model()->rowCount() == 0; }, 600, &took, &cpu);
    }
    state.SetIterationTime(std::max(took, 1e-9));
    state.counters["rows_left"] = table->model()->rowCount();
    state.counters["stall_selection_ms"] = selection;
    state.counters["stall_trash_ms"] = trash;
    state.counters["cpu_turn_trash_ms"] = cpu;
    state.counters["trash_s"] = took;
    window.close();
}

void BM_TrashTicks150k(benchmark::State& state)
{
    const std::chrono::microseconds perItem(state.range(0));
    for (auto _ : state) {
        trashRows(state, QStringLiteral("/nonexistent/sorvant-trash-bench"), kRows, false,
                  [perItem](const QString&, FileError*) {
                      workFor(perItem);
                      return true;
                  },
                  0);
    }
}
BENCHMARK(BM_TrashTicks150k)
    ->ArgName("item_us")
    ->Arg(0)
    ->Arg(20)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_TrashDiskStall(benchmark::State& state)
{
    const int rows = qEnvironmentVariableIsSet("SORVANT_TRASH_ROWS") ? qEnvironmentVariableIntValue("SORVANT_TRASH_ROWS")
                                                                    : int(state.range(0));
    const int busy = int(state.range(1));
    for (auto _ : state) {
        const QString root = QDir::homePath() + QStringLiteral("/trash-stall-items");
        trashRows(state, root, rows, true, {}, busy);
        qsizetype moved = 0;
        for (int i = 0; i < rows; ++i)
            moved += QFileInfo::exists(QStringLiteral("%1/d%2/item-%3.txt")
                                           .arg(root)
                                           .arg(i / 400)
                                           .arg(i, 6, 10, QLatin1Char('0')))
                         ? 0
                         : 1;
        state.counters["moved"] = double(moved);
        QDir(root).removeRecursively();
        QDir(homeTrashPath()).removeRecursively();
    }
}
BENCHMARK(BM_TrashDiskStall)
    ->ArgNames({"rows", "busy"})
    ->Args({20'000, 0})
    ->Args({20'000, 6})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return sorvant::runOffscreenBenchmarks(argc, argv);
}
