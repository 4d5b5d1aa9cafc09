#include "search/byte_search.h"

#include "platform/string_compare.h"
#include "platform/utf8.h"

#include <QStringDecoder>

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sorvant {

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// The index of the first byte at or after `from` that is not ASCII, or `size`.
qsizetype skipAscii(const char* data, qsizetype from, qsizetype size)
{
    qsizetype i = from;
    for (; i + 16 <= size; i += 16) {
        std::uint64_t a = 0;
        std::uint64_t b = 0;
        std::memcpy(&a, data + i, 8);
        std::memcpy(&b, data + i + 8, 8);
        if ((a | b) & kHighBits)
            break;
    }
    while (i < size && static_cast<unsigned char>(data[i]) < 0x80)
        ++i;
    return i;
}

using utf8::isContinuation;

// The lead bytes of the characters folding to ASCII, for a quick reject.
struct FoldingLeads
{
    std::array<bool, 256> isLead{};
    const std::vector<char32_t>* characters = nullptr;
};

const FoldingLeads& foldingLeads()
{
    static const FoldingLeads leads = [] {
        FoldingLeads result;
        result.characters = &charactersFoldingToAscii();
        for (const char32_t c : *result.characters) {
            const unsigned lead = c < 0x800 ? 0xC0 | (c >> 6) : c < 0x10000 ? 0xE0 | (c >> 12) : 0xF0 | (c >> 18);
            result.isLead[lead] = true;
        }
        return result;
    }();
    return leads;
}

constexpr unsigned char asciiLower(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

// How rare a byte is in text, higher is rarer: letters by their frequency
// in English, then digits, punctuation and anything else.
int rarity(unsigned char c)
{
    static constexpr char kCommon[] = " etaoinshrdlucmfwypvbgkjqxz";
    const unsigned char lower = asciiLower(c);
    if (const char* at = std::strchr(kCommon, lower); at && lower != 0)
        return int(at - kCommon);
    if (lower >= '0' && lower <= '9')
        return 20;
    return 30;
}

} // namespace

namespace {

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

} // namespace

bool isValidUtf8(const char* data, qsizetype size)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    std::uint64_t state = kAccept;
    qsizetype i = 0;
    while (i < size) {
        // Long ASCII runs go 32 bytes at a time, then sixteen.
        if (state == kAccept) {
            while (i + 32 <= size) {
                std::uint64_t words[4];
                std::memcpy(words, data + i, sizeof words);
                if (((words[0] | words[1] | words[2] | words[3]) & kHighBits) != 0)
                    break;
                i += 32;
            }
            if (i + 16 <= size) {
                std::uint64_t a = 0;
                std::uint64_t b = 0;
                std::memcpy(&a, data + i, 8);
                std::memcpy(&b, data + i + 8, 8);
                if (((a | b) & kHighBits) == 0) {
                    i += 16;
                    continue;
                }
            }
        }
        const qsizetype end = std::min(size, i + 16);
        for (; i < end; ++i)
            state = (kUtf8Table[bytes[i]] >> state) & 63;
        if (state == kInvalid)
            return false;
    }
    return state == kAccept;
}

QString decodeValidUtf8(const char* data, qsizetype size)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(data, size));
}

qsizetype utf8CutPoint(const char* data, qsizetype size)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    for (qsizetype back = 1; back <= 4 && back <= size; ++back) {
        const unsigned char byte = bytes[size - back];
        if (isContinuation(byte))
            continue;
        if (byte < 0x80)
            return size;
        const qsizetype length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

bool holdsCharacterFoldingToAscii(const char* data, qsizetype size)
{
    const FoldingLeads& leads = foldingLeads();
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    qsizetype i = 0;
    while (i < size) {
        i = skipAscii(data, i, size);
        if (i >= size)
            return false;
        const int length = std::max(1, utf8::sequenceLength(bytes + i, size - i));
        if (leads.isLead[bytes[i]] && length > 1
            && std::binary_search(leads.characters->begin(), leads.characters->end(),
                                  utf8::decodeSequence(bytes + i, length)))
            return true;
        i += length;
    }
    return false;
}

qsizetype rarestPair(const QByteArray& needle)
{
    qsizetype best = 0;
    int bestRarity = -1;
    for (qsizetype k = 0; k + 1 < needle.size(); ++k) {
        const int pairRarity =
            rarity(static_cast<unsigned char>(needle[k])) + rarity(static_cast<unsigned char>(needle[k + 1]));
        if (pairRarity > bestRarity) {
            bestRarity = pairRarity;
            best = k;
        }
    }
    return best;
}

ByteFinder::ByteFinder(const QByteArray& needle, bool ignoreCase) : m_needle(needle), m_ignoreCase(ignoreCase)
{
    if (ignoreCase) {
        for (char& c : m_needle)
            c = char(asciiLower(static_cast<unsigned char>(c)));
    }
    // The rarest byte, then the rarest at another position.
    const auto rarer = [this](qsizetype a, qsizetype b) {
        return rarity(static_cast<unsigned char>(m_needle[a])) > rarity(static_cast<unsigned char>(m_needle[b]));
    };
    for (qsizetype i = 1; i < m_needle.size(); ++i) {
        if (rarer(i, m_first))
            m_first = i;
    }
    m_second = m_first == 0 && m_needle.size() > 1 ? 1 : 0;
    for (qsizetype i = 0; i < m_needle.size(); ++i) {
        if (i != m_first && (m_second == m_first || rarer(i, m_second)))
            m_second = i;
    }
}

bool ByteFinder::equalsAt(const char* data) const
{
    if (!m_ignoreCase)
        return std::memcmp(data, m_needle.constData(), size_t(m_needle.size())) == 0;
    for (qsizetype j = 0; j < m_needle.size(); ++j) {
        if (asciiLower(static_cast<unsigned char>(data[j])) != static_cast<unsigned char>(m_needle[j]))
            return false;
    }
    return true;
}

qsizetype ByteFinder::find(const char* data, qsizetype size, qsizetype from) const
{
    const qsizetype m = m_needle.size();
    if (m == 0 || from < 0 || size - from < m)
        return -1;
    const qsizetype last = size - m;
    // Letters compare with their case bit set on both sides: never a miss,
    // and the few other bytes that then look alike are rejected by equalsAt.
    const unsigned char caseBit = m_ignoreCase ? 0x20 : 0;
    const auto first = static_cast<unsigned char>(static_cast<unsigned char>(m_needle[m_first]) | caseBit);
    const auto second = static_cast<unsigned char>(static_cast<unsigned char>(m_needle[m_second]) | caseBit);
    qsizetype p = from;
#if defined(__SSE2__)
    const __m128i bit = _mm_set1_epi8(char(caseBit));
    const __m128i wantFirst = _mm_set1_epi8(char(first));
    const __m128i wantSecond = _mm_set1_epi8(char(second));
    for (; p + 15 <= last; p += 16) {
        const __m128i a = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p + m_first)), bit);
        const __m128i b = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p + m_second)), bit);
        auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, wantFirst), _mm_cmpeq_epi8(b, wantSecond))));
        while (mask != 0) {
            const qsizetype at = p + std::countr_zero(mask);
            if (equalsAt(data + at))
                return at;
            mask &= mask - 1;
        }
    }
#endif
    for (; p <= last; ++p) {
        if ((static_cast<unsigned char>(data[p + m_first]) | caseBit) == first
            && (static_cast<unsigned char>(data[p + m_second]) | caseBit) == second && equalsAt(data + p))
            return p;
    }
    return -1;
}

} // namespace sorvant
