// Costs of the per-item path work of a folder walk: decoding names from the
// file system, path components and extensions, and the item flags.
#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"
#include "system/file_tests.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace sorvant;

const QByteArray kAsciiName("Quarterly report 2026 (final).pdf");
const QByteArray kAccentedName("R\xC3\xA9sum\xC3\xA9 \xE2\x80\x93 Fran\xC3\xA7ois M\xC3\xBCller.docx");
const QByteArray kInvalidName("Latin-1 r\xE9sum\xE9 of Fran\xE7ois.txt");

void BM_DecodeName(benchmark::State& state, const QByteArray& name)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(stringWithFileSystemRepresentation(name));
}
BENCHMARK_CAPTURE(BM_DecodeName, ascii, kAsciiName);
BENCHMARK_CAPTURE(BM_DecodeName, accented, kAccentedName);
BENCHMARK_CAPTURE(BM_DecodeName, invalid, kInvalidName);

void BM_EncodePath(benchmark::State& state, const QByteArray& name)
{
    const QString path = QStringLiteral("/home/user/Documents/Projects/") + stringWithFileSystemRepresentation(name);
    for (auto _ : state)
        benchmark::DoNotOptimize(fileSystemRepresentation(path));
}
BENCHMARK_CAPTURE(BM_EncodePath, ascii, kAsciiName);
BENCHMARK_CAPTURE(BM_EncodePath, accented, kAccentedName);

void BM_LastComponentAndExtension(benchmark::State& state)
{
    const QString path = QStringLiteral("/home/user/Documents/Projects/Quarterly report.final.pdf");
    for (auto _ : state) {
        benchmark::DoNotOptimize(lastPathComponent(path));
        benchmark::DoNotOptimize(pathExtension(path));
    }
}
BENCHMARK(BM_LastComponentAndExtension);

void BM_Standardize(benchmark::State& state)
{
    const QString path = QStringLiteral("/home/user/./Documents//Projects/../Projects/report.pdf/");
    for (auto _ : state)
        benchmark::DoNotOptimize(stringByStandardizingPath(path));
}
BENCHMARK(BM_Standardize);

// Item flags of every entry of a folder of 200 files with a ".hidden" list.
void BM_FlagsOfAFolder(benchmark::State& state)
{
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < 200; ++i) {
        const QString path = dir.filePath(QStringLiteral("file-%1.txt").arg(i));
        QFile(path).open(QIODevice::WriteOnly);
        paths.append(path);
    }
    QFile hidden(dir.filePath(QStringLiteral(".hidden")));
    hidden.open(QIODevice::WriteOnly);
    hidden.write("file-7.txt\nfile-42.txt\n");
    hidden.close();
    for (auto _ : state) {
        for (const QString& path : paths)
            benchmark::DoNotOptimize(getFlagsAtPath(path));
    }
    state.SetItemsProcessed(state.iterations() * paths.size());
}
BENCHMARK(BM_FlagsOfAFolder);

} // namespace

BENCHMARK_MAIN();
