#pragma once
// The vector code behind search/byte_search.h: UTF-8 validity and the scan
// for a needle's two rarest bytes, each written for plain C++, SSE2 (which
// every x86-64 processor has) and AVX2, the best level the processor runs
// chosen once at run time. Every level is declared here so that the tests
// and the fuzzer hold each against the plain code on any machine that has
// it.
//
// Not here: what a find or a validity test means (search/byte_search.h).

#include <QtGlobal>

namespace sorvant::vector_scan {

enum class Level { Plain, Sse2, Avx2 };

// The best level this processor runs: Avx2 where it has AVX2, else Sse2 on
// x86, else Plain.
[[nodiscard]] Level bestLevel();
// Whether this processor runs `level`'s code.
//   Plain => YES on every processor
[[nodiscard]] bool isSupported(Level level);

// Whether the bytes are well-formed UTF-8, by `level`'s code (a supported
// level); every level answers alike.
//   "" => YES   "a\xC3\xA9" => YES   "\xC3" => NO   "\xED\xA0\x80" => NO
[[nodiscard]] bool isValidUtf8(Level level, const char* data, qsizetype size);

// The index of the first byte at or after `from` that is not ASCII (0x80
// or above), or `size`, by `level`'s code.
//   "abc" => 3   "caf\xC3\xA9" => 3   "" => 0
[[nodiscard]] qsizetype skipAscii(Level level, const char* data, qsizetype from, qsizetype size);

// Two bytes of a needle that every place it starts at holds: at
// `firstOffset` and `secondOffset` from the start, compared with `caseBit`
// (0, or 0x20 to find ASCII letters in either case) set on both sides.
struct BytePair
{
    qsizetype firstOffset = 0;
    qsizetype secondOffset = 0;
    unsigned char first = 0;  // with caseBit set
    unsigned char second = 0; // with caseBit set
    unsigned char caseBit = 0;
};

// The first start p from `from` to `last` (both included) where the bytes
// at p + firstOffset and p + secondOffset are the pair's, or -1; the bytes
// must reach last + max(firstOffset, secondOffset). A candidate only: the
// caller compares the whole needle.
//   pair "q" at 0, "m" at 6 in "a quantum", from 0 to 2 => 2
//   from > last => -1
[[nodiscard]] qsizetype findPair(Level level, const char* data, qsizetype from, qsizetype last,
                                 const BytePair& pair);

} // namespace sorvant::vector_scan
