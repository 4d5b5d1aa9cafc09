// Sorting the shown results of a large search: 50,000 results by name (one
// collation key per name, then byte compares) and by modification date (the
// date first, names only for ties), as the results table asks when the user
// clicks a column.

#include "platform/current_locale.h"
#include "search/results_data_source.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using namespace sorvant;

constexpr int kResultCount = 50'000;

// Results of items that do not exist: no file-system value is read, so the
// run measures the model alone.
void fill(ResultsDataSource& model)
{
    const QStringList stems = {"Report", "report", "Résumé", "IMG_", "Screenshot ", "Über", "notes", "Straße"};
    std::mt19937 random(2024);
    for (int i = 0; i < kResultCount; ++i) {
        const QString name = stems.at(int(random() % stems.size())) + QString::number(random() % 5000) + ".txt";
        const QString folder = QStringLiteral("/nonexistent/base/f%1").arg(random() % 400);
        model.addResult(Result::create(folder + "/" + name, "/nonexistent/base", name, QStringList(), "", false, false));
    }
    model.lock();
    model.flushResults();
    model.unlock();
}

void sortBy(benchmark::State& state, std::uint64_t key)
{
    setCurrentLocaleName(QStringLiteral("en_US"));
    ResultsDataSource model;
    fill(model);
    bool reverse = false;
    for (auto _ : state) {
        model.setSorting(key, reverse);
        reverse = !reverse;
        benchmark::DoNotOptimize(model.numberOfRowsInTableView());
    }
    state.SetItemsProcessed(state.iterations() * kResultCount);
}

void BM_SortResultsByName(benchmark::State& state) { sortBy(state, kSortByName); }
void BM_SortResultsByPath(benchmark::State& state) { sortBy(state, kSortByPath); }
void BM_SortResultsBySize(benchmark::State& state) { sortBy(state, kSortBySize); }

BENCHMARK(BM_SortResultsByName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortResultsByPath)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortResultsBySize)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
