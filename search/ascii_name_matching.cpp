#include "search/ascii_name_matching.h"

#include "search/search_params.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace sorvant {

namespace {

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

} // namespace

bool isAsciiBytes(const char* bytes, qsizetype length)
{
    unsigned char any = 0;
    for (qsizetype i = 0; i < length; ++i)
        any |= static_cast<unsigned char>(bytes[i]);
    return any < 0x80;
}

bool hasCharacterFoldingToAscii(const char* utf8, qsizetype length)
{
    // Every character after U+007F whose full case folding, composed form or
    // folded composed form holds an ASCII character (the tests check the list
    // against ICU): ß, İ, ŉ, ſ, ǰ, Greek question mark, ẖ ẗ ẘ ẙ ẚ, ẞ, Greek
    // varia, Kelvin sign, and the Latin ligatures ﬀ to ﬆ.
    static constexpr char32_t kFoldingToAscii[] = {0xDF,   0x130,  0x149,  0x17F,  0x1F0,  0x37E,  0x1E96,
                                                   0x1E97, 0x1E98, 0x1E99, 0x1E9A, 0x1E9E, 0x1FEF, 0x212A,
                                                   0xFB00, 0xFB01, 0xFB02, 0xFB03, 0xFB04, 0xFB05, 0xFB06};
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8);
    for (qsizetype i = 0; i < length;) {
        const unsigned char lead = bytes[i];
        const int extra = lead < 0xC0 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        if (extra == 0 || i + extra >= length) {
            ++i;
            continue;
        }
        char32_t code = lead & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            valid = valid && (bytes[i + k] & 0xC0) == 0x80;
            code = (code << 6) | (bytes[i + k] & 0x3F);
        }
        if (valid && std::binary_search(std::begin(kFoldingToAscii), std::end(kFoldingToAscii), code))
            return true;
        i += valid ? extra + 1 : 1;
    }
    return false;
}

AsciiNameMatcher::AsciiNameMatcher(const SearchParams& params)
{
    if (params.mode > kSearchPhrase)
        return;
    const qsizetype count = std::min<qsizetype>(qsizetype(params.wordsCount), params.words.size());
    const qsizetype used = params.mode == kSearchPhrase ? std::min<qsizetype>(count, 1) : count;
    m_ignoreCase = (params.comparison & 1) != 0;
    for (qsizetype i = 0; i < used; ++i) {
        std::string bytes;
        for (const QChar c : params.words.at(i)) {
            if (c.unicode() >= 0x80)
                return; // some word needs the full comparison
            bytes.push_back(m_ignoreCase ? asciiLower(char(c.unicode())) : char(c.unicode()));
        }
        m_words.push_back(std::move(bytes));
    }
    m_all = params.mode == kSearchAllWords;
    m_usable = true;
}

NameVerdict AsciiNameMatcher::verdict(const char* name, qsizetype length) const
{
    if (!m_usable || length > kLongestName)
        return NameVerdict::Undecided;
    const bool found = bytesMatch(name, length);
    if (isAsciiBytes(name, length))
        return found ? NameVerdict::Match : NameVerdict::NoMatch;
    return found || hasCharacterFoldingToAscii(name, length) ? NameVerdict::Undecided : NameVerdict::NoMatch;
}

bool AsciiNameMatcher::bytesMatch(const char* name, qsizetype length) const
{
    char lowered[kLongestName];
    if (m_ignoreCase) {
        for (qsizetype i = 0; i < length; ++i)
            lowered[i] = asciiLower(name[i]);
        name = lowered;
    }
    // An empty word is never found, as in the full test.
    for (const std::string& word : m_words) {
        const bool found = !word.empty() && qsizetype(word.size()) <= length
                           && ::memmem(name, size_t(length), word.data(), word.size()) != nullptr;
        if (found != m_all)
            return found;
    }
    return m_all;
}

} // namespace sorvant
