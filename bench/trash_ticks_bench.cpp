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

#include "app/file_actions.h"
#include "app/results_roles_resolver.h"
#include "app/results_table_model.h"
#include "app/search_controller.h"
#include "app/search_window.h"
#include "bench/offscreen_benchmarks.h"
#include "platform/user_defaults.h"
#include "search/result.h"
#include "search/results_data_source.h"

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
#include <ctime>

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

// The rows of `window`: `count` results of items that are not on the disk,
// 400 to a folder, as a search of them would show them.
void showRows(SearchWindow& window, int count)
{
    SearchController& search = window.searchController();
    ResultsDataSource& results = search.engine().dataSource();
    const QString root = QStringLiteral("/nonexistent/sorvant-trash-bench");
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("item-%1.txt").arg(i, 6, 10, QLatin1Char('0'));
        results.addResult(Result::create(QStringLiteral("%1/d%2/%3").arg(root).arg(i / 400).arg(name), root, name,
                                         std::nullopt, QString(), false, false));
    }
    search.showPendingResults();
}

void BM_TrashTicks150k(benchmark::State& state)
{
    const std::chrono::microseconds perItem(state.range(0));
    for (auto _ : state) {
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        QFile::remove(UserDefaults::defaultPersistentDomainPath());
        QDir().mkpath(QFileInfo(UserDefaults::defaultPersistentDomainPath()).path());
        UserDefaults::resetStandardUserDefaults();
        SearchWindow window(1, defaults);
        window.show();
        QTableView* table = window.resultsTable();
        showRows(window, kRows);
        BusyStretches stretches;
        (void)spinUntil([] { return false; }, 0.5);
        if (table->model()->rowCount() != kRows) {
            state.SkipWithError("the rows were not shown");
            return;
        }
        const auto selected = [table] {
            qsizetype count = 0;
            for (const QItemSelectionRange& range : table->selectionModel()->selection())
                count += range.height();
            return count;
        };
        double selection = stretches.during([table] { table->selectAll(); }, [&] { return selected() == kRows; }, 10,
                                            nullptr);
        selection = std::max(selection, stretches.during([table] { table->selectRow(5); },
                                                         [&] { return selected() == 1; }, 10, nullptr));
        selection = std::max(selection, stretches.during([table] { table->selectAll(); },
                                                         [&] { return selected() == kRows; }, 10, nullptr));

        FileActions& actions = window.fileActions();
        actions.setItemWork(
            [perItem](const QString&, FileError*) {
                workFor(perItem);
                return true;
            },
            {});
        bool finished = false;
        QObject::connect(&actions, &FileActions::deletionFinished, [&finished] { finished = true; });
        double took = 0;
        double cpu = 0;
        const double trash = stretches.during([&actions] { actions.moveToTrash(); },
                                              [&] { return finished && table->model()->rowCount() == 0; }, 600, &took,
                                              &cpu);
        state.SetIterationTime(std::max(took, 1e-9));
        state.counters["rows_left"] = table->model()->rowCount();
        state.counters["stall_selection_ms"] = selection;
        state.counters["stall_trash_ms"] = trash;
        state.counters["cpu_turn_trash_ms"] = cpu;
        state.counters["trash_s"] = took;
        window.close();
    }
}
BENCHMARK(BM_TrashTicks150k)
    ->ArgName("item_us")
    ->Arg(0)
    ->Arg(20)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return sorvant::runOffscreenBenchmarks(argc, argv);
}
