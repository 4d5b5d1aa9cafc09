#include "search/byte_search.h"

#include "platform/string_compare.h"
#include "platform/utf8.h"
#include "search/vector_scan.h"

#include <QStringDecoder>

#include <algorithm>
#include <bit>
#include <cstring>

namespace sorvant {

namespace {

// The index of the first byte at or after `from` that is not ASCII, or `size`.
qsizetype skipAscii(const char* data, qsizetype from, qsizetype size)
{
    return vector_scan::skipAscii(vector_scan::bestLevel(), data, from, size);
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

// Bytes of text and source code from the most common to the least, by
// rough counts over English prose, C++ and HTML; bytes not listed are rarer
// than all of them, UTF-8 continuation and lead bytes excepted (common in
// any text not in English).
constexpr char kCommonBytes[] = " etaoinsrhldcumfpgwybv\n,.k-0x1_)(=2/;:\"'TSAEICRNOPMLDB3>45*9j876F{}HqWG<U&z[]"
                                "#+!V$?KY%X|JQZ@\t\\~^`";

constexpr std::array<std::uint8_t, 256> makeRarities()
{
    std::array<std::uint8_t, 256> rarities{};
    for (unsigned b = 0; b < 256; ++b)
        rarities[b] = b >= 0x80 && b <= 0xBF ? 40 : b >= 0xC2 && b <= 0xF4 ? 50 : 255;
    for (std::uint8_t rank = 0; kCommonBytes[rank] != 0; ++rank)
        rarities[static_cast<unsigned char>(kCommonBytes[rank])] = rank;
    return rarities;
}

constexpr std::array<std::uint8_t, 256> kRarities = makeRarities();

// How rare a byte is in text, higher is rarer; ignoring case, a letter is
// as common as its lower case.
int rarity(unsigned char c, bool ignoreCase)
{
    return kRarities[ignoreCase ? asciiLower(c) : c];
}

} // namespace

bool isValidUtf8(const char* data, qsizetype size)
{
    return vector_scan::isValidUtf8(vector_scan::bestLevel(), data, size);
}

bool holdsOnlyAscii(const char* data, qsizetype size)
{
    return skipAscii(data, 0, size) == size;
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
        const int pairRarity = rarity(static_cast<unsigned char>(needle[k]), true)
                               + rarity(static_cast<unsigned char>(needle[k + 1]), true);
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
        return rarity(static_cast<unsigned char>(m_needle[a]), m_ignoreCase)
               > rarity(static_cast<unsigned char>(m_needle[b]), m_ignoreCase);
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
    vector_scan::BytePair pair;
    pair.caseBit = m_ignoreCase ? 0x20 : 0;
    pair.firstOffset = m_first;
    pair.secondOffset = m_second;
    pair.first = static_cast<unsigned char>(static_cast<unsigned char>(m_needle[m_first]) | pair.caseBit);
    pair.second = static_cast<unsigned char>(static_cast<unsigned char>(m_needle[m_second]) | pair.caseBit);
    const vector_scan::Level level = vector_scan::bestLevel();
    for (qsizetype p = from; (p = vector_scan::findPair(level, data, p, last, pair)) >= 0; ++p) {
        if (equalsAt(data + p))
            return p;
    }
    return -1;
}

} // namespace sorvant
