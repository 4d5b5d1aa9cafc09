// What a settings change and a settings read cost: a change is written to
// disk at once (temporary file, fsync, rename), a read is a locked lookup
// plus the value rules.
#include "foundation/number_formatting.h"
#include "foundation/user_defaults_getters.h"
#include "foundation/values.h"
#include "platform/user_defaults.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace sorvant;

// Defaults with `keys` stored values, in a fresh folder.
struct Fixture
{
    explicit Fixture(int keys) : defaults(folder.filePath("d.plist"))
    {
        for (int i = 0; i < keys; ++i)
            defaults.setObject(QStringLiteral("value %1").arg(i), QStringLiteral("Key%1").arg(i));
    }
    QTemporaryDir folder;
    UserDefaults defaults;
};

void BM_UserDefaultsSetObject(benchmark::State& state)
{
    Fixture fixture(static_cast<int>(state.range(0)));
    qint64 n = 0;
    for (auto _ : state)
        fixture.defaults.setInteger(++n, "Counter");
}
BENCHMARK(BM_UserDefaultsSetObject)->Arg(10)->Arg(200)->Unit(benchmark::kMicrosecond);

void BM_UserDefaultsBoolForKey(benchmark::State& state)
{
    Fixture fixture(200);
    fixture.defaults.setObject(QStringLiteral("yes"), "Flag");
    for (auto _ : state)
        benchmark::DoNotOptimize(boolForKey(fixture.defaults, "Flag", false));
}
BENCHMARK(BM_UserDefaultsBoolForKey);

void BM_IntegerValueOfString(benchmark::State& state)
{
    const QString text = QStringLiteral("  -1234567890 apples");
    for (auto _ : state)
        benchmark::DoNotOptimize(integerValue(text));
}
BENCHMARK(BM_IntegerValueOfString);

void BM_StringForSize(benchmark::State& state)
{
    quint64 bytes = 1'250'000;
    for (auto _ : state)
        benchmark::DoNotOptimize(stringForSize(bytes++));
}
BENCHMARK(BM_StringForSize);

} // namespace

BENCHMARK_MAIN();
