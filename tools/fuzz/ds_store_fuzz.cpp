// libFuzzer entry point for the ".DS_Store" reader: any bytes are read as a
// store and every lookup path is driven over them. A crash, a sanitizer
// report or a hang is a fault; answering nothing is fine.
#include "search/ds_store.h"
#include "platform/log.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = [] {
        sorvant::setLogSink([](const QString&) {});
        return true;
    }();
    (void)quiet;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    sorvant::DSStore store(bytes, QStringLiteral("/fuzz"));
    (void)store.description();
    if (store.isValid()) {
        for (const char* name : {"a", "b", "m", "item 0001.txt", "Readme"})
            (void)store.finderCommentForFilename(QString::fromLatin1(name));
        (void)store.valueForFilename(QStringLiteral("a"), 0x496c6f63);
        for (std::uint64_t i = 0; i < 4 && i < store.numberOfBlocks(); ++i) {
            sorvant::DSStoreBlock block = store.blockAtIndex(i);
            (void)sorvant::DSStoreEntry::readEntry(block, 0);
        }
    }
    // The record decoder alone, over the raw bytes.
    sorvant::DSStoreStream stream(bytes, 0, std::uint64_t(size), 0);
    while (!stream.isEOF()) {
        const std::uint64_t before = stream.position();
        if (!sorvant::DSStoreEntry::readEntry(stream, 0) || stream.position() == before)
            break;
    }
    return 0;
}
