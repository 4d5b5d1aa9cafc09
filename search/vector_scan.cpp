#include "search/vector_scan.h"

#include "search/vector_scan_loops.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if SORVANT_AVX2
#include <cpuid.h>
#endif

namespace sorvant::vector_scan {

// --- the plain code ---------------------------------------------------------------

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// A table-driven automaton for well-formed UTF-8, one lookup and one shift
// per byte: each state is a multiple of 6, and the table entry of a byte
// holds, for every state, the state it leads to at that state's bit offset.
enum Utf8State : std::uint64_t {
    kInvalid = 0,
    kAccept = 6,
    kOneMore = 12,
    kTwoMore = 18,
    kThreeMore = 24,
    kAfterE0 = 30, // A0..BF, no overlong forms
    kAfterED = 36, // 80..9F, no surrogates
    kAfterF0 = 42, // 90..BF
    kAfterF4 = 48, // 80..8F, nothing above U+10FFFF
};

constexpr std::array<std::uint64_t, 256> makeUtf8Table()
{
    std::array<std::uint64_t, 256> table{};
    const auto lead = [&](unsigned from, unsigned to, std::uint64_t next) {
        for (unsigned b = from; b <= to; ++b)
            table[b] |= next << kAccept;
    };
    const auto continuation = [&](unsigned from, unsigned to, std::uint64_t state, std::uint64_t next) {
        for (unsigned b = from; b <= to; ++b)
            table[b] |= next << state;
    };
    lead(0x00, 0x7F, kAccept);
    lead(0xC2, 0xDF, kOneMore);
    lead(0xE0, 0xE0, kAfterE0);
    lead(0xE1, 0xEC, kTwoMore);
    lead(0xED, 0xED, kAfterED);
    lead(0xEE, 0xEF, kTwoMore);
    lead(0xF0, 0xF0, kAfterF0);
    lead(0xF1, 0xF3, kThreeMore);
    lead(0xF4, 0xF4, kAfterF4);
    continuation(0x80, 0xBF, kOneMore, kAccept);
    continuation(0x80, 0xBF, kTwoMore, kOneMore);
    continuation(0x80, 0xBF, kThreeMore, kTwoMore);
    continuation(0xA0, 0xBF, kAfterE0, kOneMore);
    continuation(0x80, 0x9F, kAfterED, kOneMore);
    continuation(0x90, 0xBF, kAfterF0, kTwoMore);
    continuation(0x80, 0x8F, kAfterF4, kTwoMore);
    return table;
}

constexpr std::array<std::uint64_t, 256> kUtf8Table = makeUtf8Table();

// The index of the first block of bytes from `from` that is not all ASCII
// (every byte before it is ASCII), or `size`.
qsizetype skipAsciiPlain(const char* data, qsizetype from, qsizetype size)
{
    qsizetype i = from;
    for (; i + 32 <= size; i += 32) {
        std::uint64_t words[4];
        std::memcpy(words, data + i, sizeof words);
        if (((words[0] | words[1] | words[2] | words[3]) & kHighBits) != 0)
            break;
    }
    return i;
}

// The automaton over the bytes, skipping ASCII runs between characters with
// `skipAscii`.
template <qsizetype (*skipAscii)(const char*, qsizetype, qsizetype)>
bool isValidUtf8ByAutomaton(const char* data, qsizetype size)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    std::uint64_t state = kAccept;
    qsizetype i = 0;
    while (i < size) {
        if (state == kAccept && (i = skipAscii(data, i, size)) >= size)
            break;
        const qsizetype end = i + 16 < size ? i + 16 : size;
        for (; i < end; ++i)
            state = (kUtf8Table[bytes[i]] >> state) & 63;
        if (state == kInvalid)
            return false;
    }
    return state == kAccept;
}

} // namespace

// --- SSE2 ---------------------------------------------------------------------------

#if defined(__SSE2__)
namespace {

qsizetype skipAsciiSse2(const char* data, qsizetype from, qsizetype size)
{
    qsizetype i = from;
    for (; i + 64 <= size; i += 64) {
        const auto* at = reinterpret_cast<const __m128i*>(data + i);
        const __m128i any = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(at), _mm_loadu_si128(at + 1)),
                                         _mm_or_si128(_mm_loadu_si128(at + 2), _mm_loadu_si128(at + 3)));
        if (_mm_movemask_epi8(any) != 0)
            break;
    }
    for (; i + 16 <= size; i += 16) {
        if (_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i))) != 0)
            break;
    }
    return i;
}

// The vector type of the finder's loop.
struct Sse2Bytes
{
    using Vector = __m128i;
    static constexpr qsizetype kWidth = 16;
    static Vector broadcast(unsigned char byte) { return _mm_set1_epi8(char(byte)); }
    static Vector equal(const char* at, Vector want)
    {
        return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), want);
    }
    static Vector equalWithBit(const char* at, Vector bit, Vector want)
    {
        return _mm_cmpeq_epi8(_mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), bit), want);
    }
    static Vector both(Vector a, Vector b) { return _mm_and_si128(a, b); }
    static Vector either(Vector a, Vector b) { return _mm_or_si128(a, b); }
    static std::uint32_t mask(Vector v) { return static_cast<std::uint32_t>(_mm_movemask_epi8(v)); }
};

} // namespace
#endif

// --- choosing ---------------------------------------------------------------------

#if SORVANT_AVX2
namespace {

// AVX2 takes the processor's instructions and the system's saving of the
// YMM registers (OSXSAVE, and XCR0 bits 1 and 2). Asked here, on first use,
// rather than through __builtin_cpu_supports, whose libgcc code reads every
// feature leaf when the program starts: a dozen CPUID instructions, each a
// trap to the hypervisor in a virtual machine, in every start-up.
bool processorHasAvx2()
{
    unsigned a = 0;
    unsigned b = 0;
    unsigned c = 0;
    unsigned d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & bit_OSXSAVE) == 0 || (c & bit_AVX) == 0)
        return false;
    unsigned low = 0;
    unsigned high = 0;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    if ((low & 6) != 6)
        return false;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & bit_AVX2) != 0;
}

} // namespace
#endif

// SORVANT_AVX2 (search/CMakeLists.txt) says that vector_scan_avx2.cpp is
// built for AVX2; the processor must have it as well.
bool isSupported(Level level)
{
    switch (level) {
    case Level::Plain:
        return true;
    case Level::Sse2:
#if defined(__SSE2__)
        return true;
#else
        return false;
#endif
    case Level::Avx2:
#if SORVANT_AVX2
        return processorHasAvx2();
#else
        return false;
#endif
    }
    return false;
}

Level bestLevel()
{
    static const Level best = isSupported(Level::Avx2) ? Level::Avx2
                              : isSupported(Level::Sse2) ? Level::Sse2
                                                         : Level::Plain;
    return best;
}

bool isValidUtf8(Level level, const char* data, qsizetype size)
{
    if (size <= 0)
        return true;
    switch (level) {
#if SORVANT_AVX2
    case Level::Avx2:
        return isValidUtf8Avx2(data, size);
#endif
#if defined(__SSE2__)
    case Level::Sse2:
        return isValidUtf8ByAutomaton<skipAsciiSse2>(data, size);
#endif
    default:
        return isValidUtf8ByAutomaton<skipAsciiPlain>(data, size);
    }
}

qsizetype skipAscii(Level level, const char* data, qsizetype from, qsizetype size)
{
    qsizetype i = from;
    switch (level) {
#if defined(__SSE2__)
    case Level::Avx2:
    case Level::Sse2:
        // SSE2 reads as fast as memory gives bytes here.
        i = skipAsciiSse2(data, from, size);
        break;
#endif
    default:
        i = skipAsciiPlain(data, from, size);
    }
    while (i < size && static_cast<unsigned char>(data[i]) < 0x80)
        ++i;
    return i;
}

qsizetype findPair(Level level, const char* data, qsizetype from, qsizetype last, const BytePair& pair)
{
    if (from < 0 || from > last)
        return -1;
    switch (level) {
#if SORVANT_AVX2
    case Level::Avx2:
        return findPairAvx2(data, from, last, pair);
#endif
#if defined(__SSE2__)
    case Level::Sse2:
        return findPairWith<Sse2Bytes>(data, from, last, pair);
#endif
    default:
        return findPairPlain(data, from, last, pair);
    }
}

} // namespace sorvant::vector_scan
