#pragma once
// The parts of search/vector_scan.cpp written once for every vector width,
// and the AVX2 entry points that search/vector_scan_avx2.cpp (the one file
// built with AVX2 enabled) defines. Only those two files include this.
//
// Everything here has internal linkage on purpose: each file compiles its
// own copy with its own instruction set, so that no copy built for AVX2 can
// stand in for the plain one at link time.

#include "search/vector_scan.h"

#include <cstdint>

namespace sorvant::vector_scan {

// Defined in vector_scan_avx2.cpp; call only where isSupported(Level::Avx2).
bool isValidUtf8Avx2(const char* data, qsizetype size);
qsizetype findPairAvx2(const char* data, qsizetype from, qsizetype last, const BytePair& pair);

namespace {

[[maybe_unused]] qsizetype findPairPlain(const char* data, qsizetype from, qsizetype last, const BytePair& pair)
{
    const auto* a = reinterpret_cast<const unsigned char*>(data + pair.firstOffset);
    const auto* b = reinterpret_cast<const unsigned char*>(data + pair.secondOffset);
    for (qsizetype p = from; p <= last; ++p) {
        if ((a[p] | pair.caseBit) == pair.first && (b[p] | pair.caseBit) == pair.second)
            return p;
    }
    return -1;
}

// findPair over vectors of `Bytes::kWidth` bytes, two vectors a step so
// that one branch serves both: `Bytes` gives broadcast(byte),
// equal(at, want) (0xFF where the byte at `at` is `want`),
// equalWithBit(at, bit, want) (the same with `bit` set on the byte), both,
// either (AND, OR) and mask (a bit per byte's top bit). A search with case
// (no case bit) compares the bytes as they are: a quarter fewer
// instructions a step.
template <class Bytes, bool kWithCaseBit>
qsizetype findPairLoop(const char* data, qsizetype from, qsizetype last, const BytePair& pair)
{
    constexpr qsizetype kWidth = Bytes::kWidth;
    const auto bit = Bytes::broadcast(pair.caseBit);
    const auto first = Bytes::broadcast(pair.first);
    const auto second = Bytes::broadcast(pair.second);
    const char* a = data + pair.firstOffset;
    const char* b = data + pair.secondOffset;
    const auto pairAt = [&](qsizetype p) {
        if constexpr (kWithCaseBit)
            return Bytes::both(Bytes::equalWithBit(a + p, bit, first), Bytes::equalWithBit(b + p, bit, second));
        else
            return Bytes::both(Bytes::equal(a + p, first), Bytes::equal(b + p, second));
    };
    qsizetype p = from;
    for (; p + 2 * kWidth - 1 <= last; p += 2 * kWidth) {
        const auto low = pairAt(p);
        const auto high = pairAt(p + kWidth);
        if (Bytes::mask(Bytes::either(low, high)) == 0)
            continue;
        const std::uint32_t lowMask = Bytes::mask(low);
        return lowMask != 0 ? p + __builtin_ctz(lowMask) : p + kWidth + __builtin_ctz(Bytes::mask(high));
    }
    if (p + kWidth - 1 <= last) {
        if (const std::uint32_t mask = Bytes::mask(pairAt(p)); mask != 0)
            return p + __builtin_ctz(mask);
        p += kWidth;
    }
    return p <= last ? findPairPlain(data, p, last, pair) : -1;
}

template <class Bytes>
qsizetype findPairWith(const char* data, qsizetype from, qsizetype last, const BytePair& pair)
{
    return pair.caseBit != 0 ? findPairLoop<Bytes, true>(data, from, last, pair)
                             : findPairLoop<Bytes, false>(data, from, last, pair);
}

} // namespace

} // namespace sorvant::vector_scan
