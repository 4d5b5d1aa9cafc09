// Walking a tree of 5,000 files with the handler interface (every item, and
// without hidden items), and reading 1,000 vCards of the three versions.
#include "system/address_book_person.h"
#include "system/iteration.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace sorvant;

class Counter : public FileManagerIterationDelegate
{
public:
    bool iterateContent(const QString&, const QString&, unsigned, void*) override { return false; }
};

const QTemporaryDir& tree()
{
    static QTemporaryDir* dir = [] {
        auto* made = new QTemporaryDir;
        for (int folder = 0; folder < 50; ++folder) {
            const QString path = made->filePath(QStringLiteral("folder %1/sub").arg(folder));
            QDir().mkpath(path);
            for (int file = 0; file < 100; ++file) {
                QFile item(QStringLiteral("%1/%2file %3.txt").arg(path, file % 10 == 0 ? "." : "").arg(file));
                (void)item.open(QIODevice::WriteOnly);
            }
        }
        return made;
    }();
    return *dir;
}

void BM_Walk(benchmark::State& state)
{
    Counter counter;
    const bool invisibles = state.range(0) != 0;
    const QString root = tree().path(); // made before the timing
    for (auto _ : state)
        benchmark::DoNotOptimize(iterateSubpathsAtPath(root, true, invisibles, &counter, nullptr));
    state.SetItemsProcessed(state.iterations() * 5000);
}
BENCHMARK(BM_Walk)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_ReadVCards(benchmark::State& state)
{
    const QByteArray cards[] = {
        "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller;J=FCrgen\r\n"
        "EMAIL;PREF:j@example.org\r\nTEL;CELL:+49 170 1\r\nX-AIM:j42\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\nVERSION:3.0\nN:Tanaka;Aki;;;\nORG:Kaisha\\, Ltd.\nTEL;type=WORK;type=pref:+81 3 1\n"
        "NOTE:a long note that is folded\n  over two lines\nEND:VCARD\n",
        "BEGIN:VCARD\nVERSION:4.0\nKIND:org\nFN:x\nEMAIL;PREF=1:b@example.org\nIMPP:xmpp:a@j.example\nEND:VCARD\n"};
    for (auto _ : state)
        for (int i = 0; i < 1000; ++i)
            benchmark::DoNotOptimize(ABPerson::initWithVCardRepresentation(cards[i % 3])->proposedName());
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_ReadVCards)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
