// Property lists at sizes where superlinear work shows: one string of
// character references (an Info.plist anyone can put in a searched folder),
// and settings of many keys read from XML and binary and written as XML.
// Each row doubles the size of the one before. Last, how soon a stop ends
// the read of a 64 MB document of references, one string, one data element
// or one real's digits (part 0 to 3), of a 60 MB binary one, and of one
// 60 MB binary string or data object; and such a string read whole and
// under the cut a package's version is read with.

#include "platform/property_list.h"
#include "platform/property_list_text.h"

#include <QByteArray>
#include <QVariantMap>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

namespace {

using namespace sorvant;

// A string of `bytes` bytes of "&lt;&gt;&#65;" references.
QByteArray referencesDocument(qsizetype bytes)
{
    const QByteArray unit("&lt;&gt;&#65;");
    return "<plist version=\"1.0\"><string>" + unit.repeated(bytes / unit.size()) + "</string></plist>";
}

QString keyName(qint64 i)
{
    return QStringLiteral("Key%1").arg(i, 7, 10, QLatin1Char('0'));
}

QVariantMap settings(qint64 keys)
{
    QVariantMap map;
    for (qint64 i = 0; i < keys; ++i)
        map.insert(map.cend(), keyName(i), QStringLiteral("value %1").arg(i));
    return map;
}

// The settings as XML, written here so that making the input does not
// depend on the writer measured below.
QByteArray settingsXml(qint64 keys)
{
    QByteArray xml("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n");
    for (qint64 i = 0; i < keys; ++i)
        xml += "\t<key>" + keyName(i).toUtf8() + "</key>\n\t<string>value " + QByteArray::number(i) + "</string>\n";
    return xml + "</dict>\n</plist>\n";
}

QByteArray bigEndian(quint64 value, int size)
{
    QByteArray bytes(size, '\0');
    for (int i = size - 1; i >= 0; --i, value >>= 8)
        bytes[i] = char(value & 0xFF);
    return bytes;
}

// The settings as a binary property list: the keys, the values, then the
// dictionary referring to both.
QByteArray settingsBinary(qint64 keys)
{
    QByteArray data("bplist00");
    QByteArray offsets;
    const auto object = [&](const QByteArray& ascii) {
        offsets += bigEndian(quint64(data.size()), 4);
        data += ascii.size() < 15 ? char(0x50 | ascii.size()) : char(0x5F);
        if (ascii.size() >= 15)
            data += char(0x12) + bigEndian(quint64(ascii.size()), 4);
        data += ascii;
    };
    for (qint64 i = 0; i < keys; ++i)
        object(keyName(i).toUtf8());
    for (qint64 i = 0; i < keys; ++i)
        object("value " + QByteArray::number(i));
    offsets += bigEndian(quint64(data.size()), 4);
    data += QByteArray("\xDF\x12") + bigEndian(quint64(keys), 4);
    for (qint64 i = 0; i < 2 * keys; ++i)
        data += bigEndian(quint64(i), 4);
    const quint64 table = quint64(data.size());
    data += offsets;
    return data + QByteArray(6, '\0') + char(4) + char(4) + bigEndian(quint64(2 * keys + 1), 8)
           + bigEndian(quint64(2 * keys), 8) + bigEndian(table, 8);
}

void BM_ReadReferences(benchmark::State& state)
{
    const QByteArray data = referencesDocument(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(propertyListFromData(data));
    state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(BM_ReadReferences)->Arg(325'000)->Arg(650'000)->Arg(1'300'000)->Arg(2'600'000)->Unit(benchmark::kMillisecond);

void BM_ReadSettingsXml(benchmark::State& state)
{
    const QByteArray data = settingsXml(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(propertyListFromData(data));
}
BENCHMARK(BM_ReadSettingsXml)->Arg(75'000)->Arg(150'000)->Arg(300'000)->Arg(600'000)->Unit(benchmark::kMillisecond);

void BM_ReadSettingsBinary(benchmark::State& state)
{
    const QByteArray data = settingsBinary(state.range(0));
    QString error;
    if (propertyListFromData(data, &error).toMap().size() != state.range(0))
        state.SkipWithError(error.toUtf8().constData());
    for (auto _ : state)
        benchmark::DoNotOptimize(propertyListFromData(data));
}
BENCHMARK(BM_ReadSettingsBinary)->Arg(75'000)->Arg(150'000)->Arg(300'000)->Arg(600'000)->Unit(benchmark::kMillisecond);

// An array of `references` references to one string of 8 KB: read, each
// reference shares the one string, so the time grows with the references
// and not with the bytes they stand for (2 to 16 MB here).
void BM_ReadSharedBinary(benchmark::State& state)
{
    constexpr qsizetype kText = 8 * 1024;
    const auto references = qsizetype(state.range(0));
    QByteArray data("bplist00");
    const quint64 text = quint64(data.size());
    data += QByteArray("\x5F\x11") + bigEndian(quint64(kText), 2) + QByteArray(kText, 'x');
    const quint64 array = quint64(data.size());
    data += QByteArray("\xAF\x12") + bigEndian(quint64(references), 4);
    for (qsizetype i = 0; i < references; ++i)
        data += bigEndian(0, 4);
    const quint64 table = quint64(data.size());
    data += bigEndian(text, 4) + bigEndian(array, 4);
    data += QByteArray(6, '\0') + char(4) + char(4) + bigEndian(2, 8) + bigEndian(1, 8) + bigEndian(table, 8);
    QString error;
    if (propertyListFromData(data, &error).toList().size() != references)
        state.SkipWithError(error.toUtf8().constData());
    for (auto _ : state)
        benchmark::DoNotOptimize(propertyListFromData(data));
}
BENCHMARK(BM_ReadSharedBinary)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

// The lists sharing one 1 MB string (0: 4,000 references to it; 1: 12
// levels of pairs over it): read, refused as XML (4 GB of it) and written
// in binary again, each in milliseconds, holding a few megabytes.
void BM_SharedMegabyte(benchmark::State& state)
{
    QVariant tree = QString(1024 * 1024, u'x');
    if (state.range(0) == 0) {
        tree = QVariantList(4000, tree);
    } else {
        for (int i = 0; i < 12; ++i)
            tree = QVariantList{tree, tree};
    }
    const QByteArray data = binaryDataFromPropertyList(tree);
    for (auto _ : state) {
        const QVariant read = propertyListFromData(data);
        benchmark::DoNotOptimize(xmlDataFromPropertyList(read));
        benchmark::DoNotOptimize(binaryDataFromPropertyList(read));
    }
}
BENCHMARK(BM_SharedMegabyte)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_WriteSettingsBinary(benchmark::State& state)
{
    const QVariantMap map = settings(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(binaryDataFromPropertyList(map));
}
BENCHMARK(BM_WriteSettingsBinary)->Arg(75'000)->Arg(150'000)->Arg(300'000)->Arg(600'000)->Unit(benchmark::kMillisecond);

void BM_WriteSettingsXml(benchmark::State& state)
{
    const QVariantMap map = settings(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(xmlDataFromPropertyList(map));
}
BENCHMARK(BM_WriteSettingsXml)->Arg(75'000)->Arg(150'000)->Arg(300'000)->Arg(600'000)->Unit(benchmark::kMillisecond);

// The largest property list read: a 64 MB Info.plist of references, the
// longest read a name search's stop request can meet.
void BM_ReadLargestReferences(benchmark::State& state)
{
    const QByteArray data = referencesDocument(64 * 1024 * 1024 - 64);
    for (auto _ : state)
        benchmark::DoNotOptimize(propertyListFromData(data));
}
BENCHMARK(BM_ReadLargestReferences)->Unit(benchmark::kMillisecond);

// The largest documents of one part each: references, one string, one
// data element, one real of many digits.
QByteArray largestDocument(int64_t part)
{
    constexpr qsizetype kSize = 64 * 1024 * 1024 - 64;
    switch (part) {
    case 1:
        return "<plist version=\"1.0\"><string>" + QByteArray(kSize, 'a') + "</string></plist>";
    case 2:
        return "<plist version=\"1.0\"><data>" + QByteArray("QUJD\n").repeated(kSize / 5) + "</data></plist>";
    case 3:
        return "<plist version=\"1.0\"><real>0." + QByteArray(kSize, '1') + "</real></plist>";
    default:
        return referencesDocument(kSize);
    }
}

// Times, as each iteration's, how long a read of `data` goes on after its
// stop is asked for `after` milliseconds into it.
void timeStopDuringRead(benchmark::State& state, const QByteArray& data, int64_t after)
{
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::thread reader([&] {
            const PropertyListReadStop scope(stop);
            benchmark::DoNotOptimize(propertyListFromData(data));
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(after));
        const auto asked = std::chrono::steady_clock::now();
        stop = true;
        reader.join();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count());
    }
}

// How long a read of the largest documents goes on after its stop is asked
// for, the second argument in milliseconds after the read began: 5 ms in
// is in the bounds check, 150 ms in the reader or the decoding of
// the text.
void BM_StopDuringLargestRead(benchmark::State& state)
{
    timeStopDuringRead(state, largestDocument(state.range(0)), state.range(1));
}
BENCHMARK(BM_StopDuringLargestRead)
    ->ArgsProduct({{0, 1, 2, 3}, {5, 50, 150}})
    ->ArgNames({"part", "ms"})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// How long a read of a 60 MB binary list of 1.5 million keys goes on after
// its stop is asked for, the argument in milliseconds after the read
// began: 5 ms in is in the bounds check, later ones in the reader.
void BM_StopDuringLargestBinaryRead(benchmark::State& state)
{
    timeStopDuringRead(state, settingsBinary(1'500'000), state.range(0));
}
BENCHMARK(BM_StopDuringLargestBinaryRead)->Arg(5)->Arg(300)->Arg(600)->ArgNames({"ms"})->UseManualTime()->Unit(benchmark::kMillisecond);

// A binary list of one 60 MB object: ASCII text, UTF-16 text or data
// (kind 0 to 2).
QByteArray longBinaryObject(int64_t kind)
{
    constexpr qsizetype kBytes = 60 * 1024 * 1024;
    const QByteArray bytes = kind == 1 ? QByteArray("\x00\xE9", 2).repeated(kBytes / 2) : QByteArray(kBytes, 'a');
    const quint64 count = quint64(kind == 1 ? kBytes / 2 : kBytes);
    const char marker = char(kind == 0 ? 0x5F : kind == 1 ? 0x6F : 0x4F);
    const QByteArray data = "bplist00" + (marker + (char(0x13) + bigEndian(count, 8))) + bytes;
    return data + bigEndian(8, 8) + QByteArray(6, '\0') + char(8) + char(1) + bigEndian(1, 8) + bigEndian(0, 8)
           + bigEndian(quint64(data.size()), 8);
}

// How long a read of one long binary string or data object goes on after
// its stop is asked for, the second argument in milliseconds after the read
// began (the decoding of 60 MB takes some 60 to 100 ms).
void BM_StopDuringLongBinaryObject(benchmark::State& state)
{
    timeStopDuringRead(state, longBinaryObject(state.range(0)), state.range(1));
}
BENCHMARK(BM_StopDuringLongBinaryObject)
    ->ArgsProduct({{0, 1, 2}, {2, 20, 40}})
    ->ArgNames({"kind", "ms"})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The read of one long binary text whole, and under the cut a package's
// version is read with (256 characters).
void BM_ReadLongBinaryText(benchmark::State& state)
{
    const QByteArray data = longBinaryObject(state.range(0));
    for (auto _ : state) {
        const std::optional<PropertyListTextCut> cut =
            state.range(1) ? std::optional<PropertyListTextCut>(std::in_place, 256) : std::nullopt;
        benchmark::DoNotOptimize(propertyListFromData(data));
    }
}
BENCHMARK(BM_ReadLongBinaryText)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"kind", "cut"})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
