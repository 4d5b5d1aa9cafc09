#include "search/fast_word_enumerator.h"

#include "foundation/separators.h"
#include "platform/word_break.h"
#include "search/asian_words.h"
#include "search/wildcard_patterns.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace sorvant {

namespace {

std::atomic<bool> gSplitAsianWords{false};

unichar* allocateUnits(qsizetype length)
{
    return static_cast<unichar*>(std::malloc(static_cast<size_t>(length) * sizeof(unichar)));
}

} // namespace

// Fills the flag bytes of one enumerator. The tokenizer for Asian runs is
// made at most once per scan, on the first run that needs it.
class WordScanner
{
public:
    explicit WordScanner(FastWordEnumerator& enumerator) : m_e(enumerator) {}

    void markRun(qsizetype start, qsizetype length, bool asian)
    {
        m_e.m_index[start] |= kWordBeginningFlag;
        m_e.m_index[start + length - 1] |= kWordEndFlag;
        ++m_e.m_numWords;
        if (asian)
            splitAsianRun(start, length);
    }

private:
    // Cuts a run where the tokenizer finds a limit between two letter-only
    // tokens, one side of which is Chinese or Japanese. A cut sets the end
    // flag before it and the beginning flag at it, so the pieces tile the
    // run and a token kept whole with its neighbour stays in one word.
    void splitAsianRun(qsizetype start, qsizetype length)
    {
        if (!m_tokenizer) {
            m_tokenizer = std::make_unique<WordTokenizer>();
            if (!m_tokenizer->isValid())
                return;
        }
        if (!m_tokenizer->isValid() || !m_tokenizer->setText(m_e.m_characters, start, length))
            return;
        const unichar* units = m_e.m_characters;
        std::uint8_t* flags = m_e.m_index;
        WordToken token;
        AsianWordCuts cuts;
        while (m_tokenizer->advanceToNextToken(&token)) {
            const qsizetype t = token.location;
            if (!cuts.cutsBefore(units, token))
                continue;
            flags[t - 1] |= kWordEndFlag;
            if (!(flags[t] & kWordBeginningFlag)) {
                flags[t] |= kWordBeginningFlag;
                ++m_e.m_numWords;
            }
        }
    }

    FastWordEnumerator& m_e;
    std::unique_ptr<WordTokenizer> m_tokenizer;
};

// --- construction ----------------------------------------------------------------

std::unique_ptr<FastWordEnumerator> FastWordEnumerator::enumeratorWithString(const QString& string)
{
    return enumeratorWithString(string, false, false);
}

std::unique_ptr<FastWordEnumerator> FastWordEnumerator::enumeratorWithString(const QString& string,
                                                                             bool caseInsensitive, bool wildcard,
                                                                             const StopCheck* stop)
{
    const qsizetype length = string.size();
    if (length == 0)
        return nullptr;
    std::unique_ptr<FastWordEnumerator> e(new FastWordEnumerator);
    e->m_string = string;
    const auto* units = reinterpret_cast<const unichar*>(e->m_string.constData());
    if (!caseInsensitive) {
        if (!e->adopt(units, length, false))
            return nullptr;
    } else {
        unichar* folded = allocateUnits(length);
        if (!folded)
            return nullptr;
        const CharsTable* upper = getUpperCharsTable();
        for (qsizetype i = 0; i < length; ++i)
            folded[i] = upper ? upper[units[i]] : units[i];
        if (!e->adopt(folded, length, true))
            return nullptr;
    }
    if (!e->scan(wildcard, stop))
        return nullptr;
    return e;
}

std::unique_ptr<FastWordEnumerator> FastWordEnumerator::enumeratorWithCharacters(const unichar* characters,
                                                                                 qsizetype length,
                                                                                 bool caseInsensitive)
{
    if (!characters || length <= 0)
        return nullptr;
    unichar* copy = allocateUnits(length);
    if (!copy)
        return nullptr;
    const CharsTable* upper = caseInsensitive ? getUpperCharsTable() : nullptr;
    if (upper) {
        for (qsizetype i = 0; i < length; ++i)
            copy[i] = upper[characters[i]];
    } else {
        std::memcpy(copy, characters, static_cast<size_t>(length) * sizeof(unichar));
    }
    std::unique_ptr<FastWordEnumerator> e(new FastWordEnumerator);
    if (!e->adopt(copy, length, true))
        return nullptr;
    e->scan(false);
    return e;
}

std::unique_ptr<FastWordEnumerator> FastWordEnumerator::enumeratorWithCharactersNoCopy(unichar* characters,
                                                                                       qsizetype length,
                                                                                       bool freeWhenDone)
{
    if (!characters || length <= 0)
        return nullptr;
    std::unique_ptr<FastWordEnumerator> e(new FastWordEnumerator);
    if (!e->adopt(characters, length, freeWhenDone))
        return nullptr;
    e->scan(false);
    return e;
}

FastWordEnumerator::~FastWordEnumerator()
{
    invalidate();
}

// Takes the units (freeing them on failure when they were to be owned) and
// allocates the flag bytes; false when memory cannot be had.
bool FastWordEnumerator::adopt(const unichar* characters, qsizetype length, bool freeCharacters)
{
    m_index = static_cast<std::uint8_t*>(std::malloc(static_cast<size_t>(length)));
    if (!m_index) {
        if (freeCharacters)
            std::free(const_cast<unichar*>(characters));
        return false;
    }
    m_characters = characters;
    m_length = length;
    m_freeCharacters = freeCharacters;
    return true;
}

QString FastWordEnumerator::locale()
{
    return wordBreakLocale();
}

bool FastWordEnumerator::splitAsianWords()
{
    return gSplitAsianWords.load(std::memory_order_relaxed);
}

void FastWordEnumerator::setSplitAsianWords(bool split)
{
    gSplitAsianWords.store(split, std::memory_order_relaxed);
}

void FastWordEnumerator::setCharacters(unichar* characters, qsizetype length, bool freeWhenDone)
{
    if (characters == m_characters && length == m_length)
        return;
    invalidate();
    if (!characters || length <= 0)
        return;
    if (adopt(characters, length, freeWhenDone))
        scan(false);
}

void FastWordEnumerator::invalidate()
{
    m_string = QString();
    if (m_freeCharacters)
        std::free(const_cast<unichar*>(m_characters));
    m_characters = nullptr;
    m_freeCharacters = false;
    std::free(m_index);
    m_index = nullptr;
    m_numWords = 0;
    m_length = 0;
}

// --- the scanner ---------------------------------------------------------------------

bool FastWordEnumerator::scan(bool wildcard, const StopCheck* stop)
{
    const CharacterSetBitmap* separators = wildcard ? defaultWildcardSeparators() : defaultWordSeparators();
    const bool splitAsian = splitAsianWords();
    std::memset(m_index, 0, static_cast<size_t>(m_length));
    m_numWords = 0;
    m_wildcard = wildcard;
    WordScanner scanner(*this);
    const unichar* units = m_characters;
    const qsizetype length = m_length;
    qsizetype runStart = 0;
    bool asian = false;
    qsizetype nextCheck = stop != nullptr ? qsizetype(StopCheck::kInterval) : length;
    for (qsizetype i = 0; i < length; ++i) {
        if (i >= nextCheck) {
            if (stop->shouldStop(std::uint64_t(i - nextCheck) + StopCheck::kInterval))
                return false;
            nextCheck = i + qsizetype(StopCheck::kInterval);
        }
        const unichar c = units[i];
        if (bitmapContains(separators, c)) {
            m_index[i] = kWordSeparatorFlag;
            if (i > runStart)
                scanner.markRun(runStart, i - runStart, asian);
            runStart = i + 1;
            asian = false;
        } else if (wildcard && c == u'[' && i + 1 < length && units[i + 1] != u']') {
            const unichar* close = std::find(units + i + 1, units + length, u']');
            if (close == units + length)
                break; // no "]": the rest of the text belongs to this run
            i = close - units - 1; // the "]" is examined next, as any unit
        } else if (splitAsian && isAsianUnit(c)) {
            asian = true;
        }
    }
    if (runStart < length)
        scanner.markRun(runStart, length - runStart, asian);
    return true;
}

// --- observers ----------------------------------------------------------------------

qsizetype FastWordEnumerator::numberOfWords(qsizetype minLength) const
{
    if (minLength < 2)
        return m_numWords;
    qsizetype count = 0;
    qsizetype i = 0;
    while (i < m_length) {
        while (i < m_length && !(m_index[i] & kWordBeginningFlag))
            ++i;
        if (i == m_length)
            break;
        const qsizetype start = i;
        while (i < m_length && !(m_index[i] & kWordEndFlag))
            ++i;
        if (i == m_length)
            break;
        if (i + 1 - start >= minLength)
            ++count;
        ++i;
    }
    return count;
}

namespace {

bool isInside(Range range, qsizetype length)
{
    return range.location >= 0 && range.length > 0 && range.location <= length
        && range.length <= length - range.location;
}

QString mappedSubstring(const unichar* units, Range range, const CharsTable* table)
{
    QString result(range.length, Qt::Uninitialized);
    auto* out = reinterpret_cast<unichar*>(result.data());
    for (qsizetype i = 0; i < range.length; ++i)
        out[i] = table ? table[units[range.location + i]] : units[range.location + i];
    return result;
}

} // namespace

QString FastWordEnumerator::substringWithRange(Range range) const
{
    if (!isInside(range, m_length))
        return QString();
    return QString(reinterpret_cast<const QChar*>(m_characters + range.location), range.length);
}

QString FastWordEnumerator::lowercaseSubstringWithRange(Range range) const
{
    return isInside(range, m_length) ? mappedSubstring(m_characters, range, getLowerCharsTable()) : QString();
}

QString FastWordEnumerator::uppercaseSubstringWithRange(Range range) const
{
    return isInside(range, m_length) ? mappedSubstring(m_characters, range, getUpperCharsTable()) : QString();
}

bool FastWordEnumerator::containsSeparatorInRange(Range range) const
{
    if (range.location < 0 || range.location >= m_length || range.length <= 0)
        return false;
    const qsizetype end = range.location + std::min(range.length, m_length - range.location);
    for (qsizetype i = range.location; i < end; ++i) {
        if (m_index[i] & kWordSeparatorFlag)
            return true;
    }
    return false;
}

} // namespace sorvant
