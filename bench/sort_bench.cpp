// Sorting 200,000 file names in the order of the current locale, ignoring
// case: once through the comparator (one collation per comparison) and once
// through precomputed collation keys (one key per name, then byte compares).

#include "foundation/comparators.h"
#include "platform/collation.h"
#include "platform/current_locale.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QStringList>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

namespace {

constexpr int kNameCount = 200'000;

// Names shaped like a home folder's: words in mixed case, accents, numbers
// and extensions, with many shared prefixes.
QStringList makeFileNames()
{
    const QStringList stems = {"Report", "report", "Résumé", "resume", "IMG_", "Screenshot ", "Invoice-",
                               "Über", "notes", "Draft", "draft", "Photo", "Straße", "ångström", "Café ", "data"};
    const QStringList extensions = {".txt", ".pdf", ".jpg", ".png", ".docx", ".md", "", ".tar.gz"};
    std::mt19937 random(2024);
    QStringList names;
    names.reserve(kNameCount);
    for (int index = 0; index < kNameCount; ++index) {
        QString name = stems.at(static_cast<qsizetype>(random() % stems.size()));
        name += QString::number(random() % 5000);
        if (random() % 3 == 0)
            name += QLatin1String(" copy");
        name += extensions.at(static_cast<qsizetype>(random() % extensions.size()));
        names.append(name);
    }
    return names;
}

const QStringList& fileNames()
{
    static const QStringList names = [] {
        sorvant::setCurrentLocaleName(QStringLiteral("en_US"));
        return makeFileNames();
    }();
    return names;
}

void BM_SortComparingDirectly(benchmark::State& state)
{
    const QStringList& names = fileNames();
    for (auto _ : state) {
        QStringList sorted = names;
        std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
            return sorvant::sortLocalizedCaseInsensitiveAscending(a, b) < 0;
        });
        benchmark::DoNotOptimize(sorted.constData());
    }
    state.SetItemsProcessed(state.iterations() * names.size());
}
BENCHMARK(BM_SortComparingDirectly)->Unit(benchmark::kMillisecond);

void BM_SortWithCollationKeys(benchmark::State& state)
{
    const QStringList& names = fileNames();
    const sorvant::Collator collator(sorvant::kCollationCaseInsensitive);
    for (auto _ : state) {
        std::vector<std::pair<QByteArray, qsizetype>> keyed;
        keyed.reserve(static_cast<std::size_t>(names.size()));
        for (qsizetype index = 0; index < names.size(); ++index)
            keyed.emplace_back(collator.sortKey(names.at(index)), index);
        std::sort(keyed.begin(), keyed.end());
        QStringList sorted;
        sorted.reserve(names.size());
        for (const auto& entry : keyed)
            sorted.append(names.at(entry.second));
        benchmark::DoNotOptimize(sorted.constData());
    }
    state.SetItemsProcessed(state.iterations() * names.size());
}
BENCHMARK(BM_SortWithCollationKeys)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
