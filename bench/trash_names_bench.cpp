// Moving many files of one name to the Trash in one process, as a Move to
// Trash of every README.md a search found does: `count` files named
// README.md (each in a folder of its own) against `count` files of as many
// names, measured in one run, each set into a trash of its own. Counted:
//   - cpu_one_name_s, cpu_names_s: the CPU time of the moves;
//   - cpu_ratio: the first over the second (the cost of finding free
//     names in a trash that holds many of the same name);
//   - moved_one_name, moved_names: the items moved (all of them, `count`).

#include "system/trash.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>

namespace {

using namespace sorvant;

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// `count` empty files under `root`, one to a folder: all named `name`, or,
// when `name` is empty, each of a name of its own.
QStringList makeItems(const QString& root, int count, const QString& name)
{
    QStringList items;
    for (int i = 0; i < count; ++i) {
        const QString folder = QStringLiteral("%1/%2").arg(root).arg(i);
        QDir().mkpath(folder);
        items.append(folder + u'/' + (name.isEmpty() ? QStringLiteral("item-%1.md").arg(i) : name));
        QFile file(items.last());
        (void)file.open(QIODevice::WriteOnly);
    }
    return items;
}

// Moves `items` into the trash of the data folder `data`; answers the CPU
// time and the number moved.
double trashAll(const QStringList& items, const QString& data, int* moved)
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    *moved = 0;
    const double started = processCpuSeconds();
    for (const QString& item : items)
        *moved += moveItemToTrash(item) ? 1 : 0;
    return processCpuSeconds() - started;
}

void BM_TrashOneNameAgainstNames(benchmark::State& state)
{
    const int count = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir root;
        const QStringList names = makeItems(root.filePath("names"), count, {});
        const QStringList oneName = makeItems(root.filePath("one"), count, QStringLiteral("README.md"));
        state.ResumeTiming();
        int movedNames = 0;
        int movedOneName = 0;
        const double cpuNames = trashAll(names, root.filePath("data-names"), &movedNames);
        const double cpuOneName = trashAll(oneName, root.filePath("data-one"), &movedOneName);
        state.SetIterationTime(cpuNames + cpuOneName);
        state.counters["cpu_names_s"] = cpuNames;
        state.counters["cpu_one_name_s"] = cpuOneName;
        state.counters["cpu_ratio"] = cpuOneName / std::max(cpuNames, 1e-9);
        state.counters["moved_names"] = movedNames;
        state.counters["moved_one_name"] = movedOneName;
    }
}
BENCHMARK(BM_TrashOneNameAgainstNames)
    ->ArgName("count")
    ->Arg(2000)
    ->Arg(10050)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
