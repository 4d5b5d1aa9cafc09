// Costs of the workspace services the results window calls while the user
// works: the applications of a MIME type over a few hundred desktop
// entries, the Open With answer for a large selection (first time and
// remembered), a scan of the running processes, and a cached icon.
#include "platform/url.h"
#include "system/desktop_entries.h"
#include "system/mime_applications.h"
#include "system/open_with.h"
#include "system/workspace_icons.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace sorvant;

// 300 applications in a private data folder, a third of them for text.
class Applications
{
public:
    Applications()
    {
        const QString folder = m_dir.path() + "/share/applications";
        QDir().mkpath(folder);
        const char* types[] = {"text/plain;", "image/png;image/jpeg;", "application/pdf;"};
        for (int i = 0; i < 300; ++i) {
            QFile file(QString("%1/org.bench.App%2.desktop").arg(folder).arg(i));
            file.open(QIODevice::WriteOnly);
            file.write(QString("[Desktop Entry]\nType=Application\nName=App %1\nExec=app%1 %F\nMimeType=%2\n")
                           .arg(i).arg(QLatin1String(types[i % 3])).toUtf8());
        }
        qputenv("XDG_DATA_HOME", (m_dir.path() + "/home").toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_dir.path() + "/config").toUtf8());
        qputenv("XDG_CONFIG_DIRS", (m_dir.path() + "/etc").toUtf8());
        qputenv("XDG_DATA_DIRS", (m_dir.path() + "/share:/usr/share").toUtf8());
    }

private:
    QTemporaryDir m_dir;
};

Applications& applications()
{
    static Applications instance;
    return instance;
}

void BM_ApplicationsForMimeType(benchmark::State& state)
{
    applications();
    for (auto _ : state)
        benchmark::DoNotOptimize(applicationsForMimeType(QStringLiteral("text/plain")));
}
BENCHMARK(BM_ApplicationsForMimeType)->Unit(benchmark::kMillisecond);

// The same answer with 6,000 empty folders below the applications folder,
// which every walk of it enters, and the defaults of 20 files of that type
// opened at once.
class EmptyFolders
{
public:
    EmptyFolders()
    {
        applications();
        const QString folder = qEnvironmentVariable("XDG_DATA_HOME") + "/applications";
        for (int i = 0; i < 6000; ++i)
            QDir().mkpath(QString("%1/empty%2/inner").arg(folder).arg(i / 2));
    }
};

void BM_ApplicationsForMimeTypeAmongEmptyFolders(benchmark::State& state)
{
    static EmptyFolders folders;
    for (auto _ : state)
        benchmark::DoNotOptimize(applicationsForMimeType(QStringLiteral("text/plain")));
}
BENCHMARK(BM_ApplicationsForMimeTypeAmongEmptyFolders)->Unit(benchmark::kMillisecond);

void BM_DefaultsOfTwentyFilesAmongEmptyFolders(benchmark::State& state)
{
    static EmptyFolders folders;
    for (auto _ : state) {
        for (int i = 0; i < 20; ++i)
            benchmark::DoNotOptimize(defaultApplicationsForMimeType(QStringLiteral("text/plain")));
    }
}
BENCHMARK(BM_DefaultsOfTwentyFilesAmongEmptyFolders)->Unit(benchmark::kMillisecond);

QStringList selection(int count)
{
    QStringList paths;
    const char* extensions[] = {"txt", "md", "log"};
    for (int i = 0; i < count; ++i)
        paths.append(QString("/bench/file%1.%2").arg(i).arg(QLatin1String(extensions[(i / 100) % 3])));
    return paths;
}

void BM_ApplicationsForLargeSelection(benchmark::State& state)
{
    applications();
    const QStringList paths = selection(int(state.range(0)));
    for (auto _ : state) {
        forgetApplicationAnswers();
        benchmark::DoNotOptimize(applicationsForPaths(paths));
    }
}
BENCHMARK(BM_ApplicationsForLargeSelection)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ApplicationsForRememberedSelection(benchmark::State& state)
{
    applications();
    const QStringList paths = selection(10000);
    benchmark::DoNotOptimize(applicationsForPaths(paths));
    for (auto _ : state)
        benchmark::DoNotOptimize(applicationsForPaths(paths));
}
BENCHMARK(BM_ApplicationsForRememberedSelection)->Unit(benchmark::kMicrosecond);

void BM_RunningDesktopFileIDs(benchmark::State& state)
{
    applications();
    for (auto _ : state)
        benchmark::DoNotOptimize(runningDesktopFileIDs());
}
BENCHMARK(BM_RunningDesktopFileIDs)->Unit(benchmark::kMillisecond);

void BM_CachedTypeIcon(benchmark::State& state)
{
    benchmark::DoNotOptimize(cachedIconForFileType(QStringLiteral("txt"), true, QSize(16, 16)));
    for (auto _ : state)
        benchmark::DoNotOptimize(cachedIconForFileType(QStringLiteral("txt"), true, QSize(16, 16)));
}
BENCHMARK(BM_CachedTypeIcon);

} // namespace

BENCHMARK_MAIN();
