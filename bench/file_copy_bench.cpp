// Copying a tree of small files (0 to 12 KB, 96 to a folder) into tmpfs
// with copyPath, the copy removed after each run outside the timing; and a
// sparse file of 256 MB holding 8 KB. The CPU time counts the kernel's work,
// which is most of a copy's.
#include "system/file_operations.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace sorvant;

// Where copies go: tmpfs where there is one, as the cost measured is ours
// and not a disk's.
QString copiesFolder()
{
    return QDir(QStringLiteral("/dev/shm")).isReadable() ? QStringLiteral("/dev/shm") : QDir::tempPath();
}

QString smallFiles(QTemporaryDir& dir, int count)
{
    static const int sizes[] = {0, 100, 500, 1500, 3000, 6000, 12000};
    const QByteArray bytes(12000, 'x');
    for (int n = 0; n < count; ++n) {
        const QString folder = dir.filePath(QStringLiteral("tree/d%1/s%2").arg(n / 960).arg(n / 96 % 10));
        QDir().mkpath(folder);
        QFile file(QStringLiteral("%1/file%2.txt").arg(folder).arg(n % 96));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes.left(sizes[n % 7]));
    }
    return dir.filePath(QStringLiteral("tree"));
}

void copyEachTime(benchmark::State& state, const QString& source)
{
    QTemporaryDir copies(copiesFolder() + QStringLiteral("/sorvant-copy-bench-XXXXXX"));
    const QString destination = copies.filePath(QStringLiteral("copy"));
    for (auto _ : state) {
        if (!copyPath(source, destination))
            state.SkipWithError("the copy failed");
        state.PauseTiming();
        removePath(destination);
        state.ResumeTiming();
    }
}

void BM_CopyTreeOfSmallFiles(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString tree = smallFiles(dir, int(state.range(0)));
    copyEachTime(state, tree);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CopyTreeOfSmallFiles)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_CopySparseFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sparse"));
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    const QByteArray data(4096, 'd');
    const bool made = fd >= 0 && ::pwrite(fd, data.constData(), 4096, 0) == 4096
                      && ::pwrite(fd, data.constData(), 4096, off_t(128) << 20) == 4096 && ::ftruncate(fd, off_t(256) << 20) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!made) {
        state.SkipWithError("no sparse file could be made");
        return;
    }
    copyEachTime(state, path);
}
BENCHMARK(BM_CopySparseFile)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
