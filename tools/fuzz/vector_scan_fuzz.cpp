// libFuzzer entry point for the vector scans of search/vector_scan.h: on
// random bytes, every level this processor runs must answer as the plain
// code does, for UTF-8 validity and for the finder's byte-pair scan.

#include "search/vector_scan.h"
#include "tools/fuzz/fuzz_support.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace sorvant::vector_scan;

// Layout: flags (bit 0: the case bit; bits 1-3 and 4-6: the two offsets),
// the pair's two bytes, then the bytes scanned.
void run(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return;
    BytePair pair;
    pair.caseBit = (data[0] & 1) ? 0x20 : 0;
    pair.firstOffset = (data[0] >> 1) & 7;
    pair.secondOffset = (data[0] >> 4) & 7;
    pair.first = static_cast<unsigned char>(data[1] | pair.caseBit);
    pair.second = static_cast<unsigned char>(data[2] | pair.caseBit);
    const auto* bytes = reinterpret_cast<const char*>(data + 3);
    const auto length = qsizetype(size - 3);
    const bool valid = isValidUtf8(Level::Plain, bytes, length);
    const qsizetype last = length - 8;
    for (const Level level : {Level::Sse2, Level::Avx2}) {
        if (!isSupported(level))
            continue;
        sorvant::fuzz::require(isValidUtf8(level, bytes, length) == valid, "vector_scan_fuzz", "validity differs");
        for (const qsizetype from : {qsizetype(0), qsizetype(1), qsizetype(33)}) {
            const qsizetype plain = findPair(Level::Plain, bytes, from, last, pair);
            sorvant::fuzz::require(findPair(level, bytes, from, last, pair) == plain, "vector_scan_fuzz",
                                   "pair find differs");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    run(data, size);
    return 0;
}
