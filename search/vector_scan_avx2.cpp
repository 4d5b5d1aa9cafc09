// The AVX2 level of search/vector_scan.h. This file alone is built with
// AVX2 enabled (search/CMakeLists.txt); vector_scan.cpp calls into it only
// where the processor has AVX2. It includes nothing that could put an
// AVX2-built copy of a shared inline function into the program.

#include "search/vector_scan_loops.h"

#if defined(__AVX2__)

#include <immintrin.h>

#include <cstring>

namespace sorvant::vector_scan {

namespace {

// UTF-8 by lookup tables, 32 bytes at a time: each byte is classified by
// the high nibble of the byte before it, that byte's low nibble and its own
// high nibble, three table lookups whose AND is the set of errors the pair
// of bytes makes (one bit per kind, below). Where a byte must be the second
// or third continuation of a longer sequence (two bytes after a lead of
// three or four bytes, or three after one of four) the pair must be two
// continuations, and nowhere else. The kinds, by the pairs that make them:
constexpr std::uint8_t kTooShort = 1 << 0;      // a lead, then no continuation
constexpr std::uint8_t kTooLong = 1 << 1;       // ASCII, then a continuation
constexpr std::uint8_t kOverlong3 = 1 << 2;     // E0 80..9F
constexpr std::uint8_t kTooLarge = 1 << 3;      // F4 90..BF, F5..FF 90..BF
constexpr std::uint8_t kSurrogate = 1 << 4;     // ED A0..BF
constexpr std::uint8_t kOverlong2 = 1 << 5;     // C0..C1 80..BF
constexpr std::uint8_t kTooLarge1000 = 1 << 6;  // F5..FF 80..8F
constexpr std::uint8_t kOverlong4 = 1 << 6;     // F0 80..8F (told apart by the lead's low nibble)
constexpr std::uint8_t kTwoContinuations = 1 << 7;
constexpr std::uint8_t kCarry = kTooShort | kTooLong | kTwoContinuations;
constexpr std::uint8_t kLarge = kCarry | kTooLarge | kTooLarge1000;

// A table of 16 bytes in both 128-bit lanes, as the shuffle wants it.
__m256i table16(const std::uint8_t (&entries)[16])
{
    __m128i lane;
    std::memcpy(&lane, entries, sizeof lane);
    return _mm256_broadcastsi128_si256(lane);
}

const std::uint8_t kByte1High[16] = {
    // 0_______: ASCII
    kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
    // 10______: a continuation
    kTwoContinuations, kTwoContinuations, kTwoContinuations, kTwoContinuations,
    // 1100____, 1101____: a lead of two; 1110____: of three; 1111____: of four
    kTooShort | kOverlong2, kTooShort, kTooShort | kOverlong3 | kSurrogate,
    kTooShort | kTooLarge | kTooLarge1000 | kOverlong4};

const std::uint8_t kByte1Low[16] = {
    kCarry | kOverlong3 | kOverlong2 | kOverlong4, // ____0000
    kCarry | kOverlong2,                           // ____0001
    kCarry, kCarry,                                // ____001_
    kCarry | kTooLarge,                            // ____0100
    kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge,
    kLarge | kSurrogate, // ____1101
    kLarge, kLarge};

const std::uint8_t kByte2High[16] = {
    // 0_______: ASCII
    kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
    // 1000____, 1001____, 101_____: continuations
    kTooLong | kOverlong2 | kTwoContinuations | kOverlong3 | kTooLarge1000 | kOverlong4,
    kTooLong | kOverlong2 | kTwoContinuations | kOverlong3 | kTooLarge,
    kTooLong | kOverlong2 | kTwoContinuations | kSurrogate | kTooLarge,
    kTooLong | kOverlong2 | kTwoContinuations | kSurrogate | kTooLarge,
    // 11______: a lead
    kTooShort, kTooShort, kTooShort, kTooShort};

struct Tables
{
    __m256i byte1High = table16(kByte1High);
    __m256i byte1Low = table16(kByte1Low);
    __m256i byte2High = table16(kByte2High);
};

// The input moved on by `n` bytes (1 to 3), the last bytes of `previous`
// moved in at the front.
template <int n>
__m256i shiftedIn(__m256i input, __m256i previous)
{
    return _mm256_alignr_epi8(input, _mm256_permute2x128_si256(previous, input, 0x21), 16 - n);
}

__m256i highNibbles(__m256i bytes)
{
    return _mm256_and_si256(_mm256_srli_epi16(bytes, 4), _mm256_set1_epi8(0x0F));
}

// The error bits of 32 bytes that follow `previous`.
__m256i utf8Errors(const Tables& tables, __m256i input, __m256i previous)
{
    const __m256i prev1 = shiftedIn<1>(input, previous);
    const __m256i special = _mm256_and_si256(
        _mm256_and_si256(_mm256_shuffle_epi8(tables.byte1High, highNibbles(prev1)),
                         _mm256_shuffle_epi8(tables.byte1Low, _mm256_and_si256(prev1, _mm256_set1_epi8(0x0F)))),
        _mm256_shuffle_epi8(tables.byte2High, highNibbles(input)));
    // Lowered with saturation, only bytes two after E0..FF or three after
    // F0..FF reach 0x80.
    const __m256i third = _mm256_subs_epu8(shiftedIn<2>(input, previous), _mm256_set1_epi8(char(0xE0 - 0x80)));
    const __m256i fourth = _mm256_subs_epu8(shiftedIn<3>(input, previous), _mm256_set1_epi8(char(0xF0 - 0x80)));
    const __m256i mustContinue =
        _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(char(kTwoContinuations)));
    return _mm256_xor_si256(mustContinue, special);
}

// Non-zero where the last three bytes start a sequence they do not end.
__m256i incompleteEnd(__m256i input)
{
    const __m256i limits = _mm256_setr_epi8(
        -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
        -1, -1, char(0xF0 - 1), char(0xE0 - 1), char(0xC0 - 1));
    return _mm256_subs_epu8(input, limits);
}

// What the blocks seen so far leave for the next.
struct Utf8Blocks
{
    __m256i errors = _mm256_setzero_si256();
    __m256i previous = _mm256_setzero_si256();
    __m256i incomplete = _mm256_setzero_si256();

    void add(const Tables& tables, __m256i input)
    {
        if (_mm256_movemask_epi8(input) == 0) {
            addAscii(input);
            return;
        }
        errors = _mm256_or_si256(errors, utf8Errors(tables, input, previous));
        incomplete = incompleteEnd(input);
        previous = input;
    }
    // ASCII only ends or cuts what the blocks before left unfinished.
    void addAscii(__m256i input)
    {
        errors = _mm256_or_si256(errors, incomplete);
        incomplete = _mm256_setzero_si256();
        previous = input;
    }
};

// The vector type of the finder's loop.
struct Avx2Bytes
{
    using Vector = __m256i;
    static constexpr qsizetype kWidth = 32;
    static Vector broadcast(unsigned char byte) { return _mm256_set1_epi8(char(byte)); }
    static Vector equal(const char* at, Vector want)
    {
        return _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)), want);
    }
    static Vector equalWithBit(const char* at, Vector bit, Vector want)
    {
        return _mm256_cmpeq_epi8(_mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)), bit),
                                 want);
    }
    static Vector both(Vector a, Vector b) { return _mm256_and_si256(a, b); }
    static Vector either(Vector a, Vector b) { return _mm256_or_si256(a, b); }
    static std::uint32_t mask(Vector v) { return static_cast<std::uint32_t>(_mm256_movemask_epi8(v)); }
};

} // namespace

bool isValidUtf8Avx2(const char* data, qsizetype size)
{
    const Tables tables;
    Utf8Blocks blocks;
    qsizetype i = 0;
    for (; i + 64 <= size; i += 64) {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i + 32));
        if (_mm256_movemask_epi8(_mm256_or_si256(low, high)) == 0) {
            blocks.addAscii(high);
            continue;
        }
        blocks.add(tables, low);
        blocks.add(tables, high);
    }
    for (; i + 32 <= size; i += 32)
        blocks.add(tables, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i)));
    if (i < size) {
        // NUL padding is ASCII: it ends nothing and cuts what is unfinished.
        alignas(32) char last[32] = {};
        std::memcpy(last, data + i, std::size_t(size - i));
        blocks.add(tables, _mm256_load_si256(reinterpret_cast<const __m256i*>(last)));
    }
    const __m256i errors = _mm256_or_si256(blocks.errors, blocks.incomplete);
    return _mm256_testz_si256(errors, errors) != 0;
}

qsizetype findPairAvx2(const char* data, qsizetype from, qsizetype last, const BytePair& pair)
{
    return findPairWith<Avx2Bytes>(data, from, last, pair);
}

} // namespace sorvant::vector_scan

#endif
