// Moving over the words of a FastWordEnumerator: navigation, enumeration,
// word lists, re-spacing and plain substring search. Everything here reads
// the flag bytes and the indexed units only.

#include "search/fast_word_enumerator.h"

#include "foundation/buffer_compare.h"
#include "platform/string_compare.h"

#include <algorithm>
#include <cstdlib>

namespace sorvant {

// --- navigation -------------------------------------------------------------------

qsizetype FastWordEnumerator::locationOfPreviousWordFromIndex(qsizetype index, qsizetype start) const
{
    if (index >= m_length || index < start || index < 0)
        return NSNotFound;
    for (qsizetype i = index; i >= std::max<qsizetype>(start, 0); --i) {
        if (m_index[i] & kWordBeginningFlag)
            return i;
    }
    return NSNotFound;
}

qsizetype FastWordEnumerator::locationOfNextWordFromIndex(qsizetype index, qsizetype end) const
{
    const qsizetype limit = std::min(end, m_length);
    for (qsizetype i = std::max<qsizetype>(index, 0); i < limit; ++i) {
        if (m_index[i] & kWordBeginningFlag)
            return i;
    }
    return NSNotFound;
}

namespace {

// The word from its beginning `start` up to the first word end at or after it.
Range wordFrom(const std::uint8_t* flags, qsizetype length, qsizetype start)
{
    qsizetype end = start;
    while (end < length - 1 && !(flags[end] & kWordEndFlag))
        ++end;
    return Range{start, end + 1 - start};
}

// The nearest word beginning at or before `index`, 0 when there is none.
qsizetype wordBeginningBefore(const std::uint8_t* flags, qsizetype index)
{
    while (index > 0 && !(flags[index] & kWordBeginningFlag))
        --index;
    return index;
}

} // namespace

Range FastWordEnumerator::rangeOfWordAtIndex(qsizetype index) const
{
    if (index < 0 || index >= m_length || (m_index[index] & kWordSeparatorFlag))
        return kMissingRange;
    const qsizetype start = wordBeginningBefore(m_index, index);
    const Range word = wordFrom(m_index, m_length, index);
    return Range{start, word.maxRange() - start};
}

Range FastWordEnumerator::rangeOfPreviousWordFromIndex(qsizetype index, qsizetype start) const
{
    if (index >= m_length || index < start || index < 0)
        return kMissingRange;
    for (qsizetype i = index; i >= std::max<qsizetype>(start, 0); --i) {
        if (m_index[i] & kWordEndFlag) {
            const qsizetype begin = wordBeginningBefore(m_index, i);
            return Range{begin, i + 1 - begin};
        }
    }
    return kMissingRange;
}

Range FastWordEnumerator::rangeOfNextWordFromIndex(qsizetype index, qsizetype end) const
{
    const qsizetype start = locationOfNextWordFromIndex(index, end);
    return start == NSNotFound ? kMissingRange : wordFrom(m_index, m_length, start);
}

// --- enumeration -------------------------------------------------------------------

qsizetype FastWordEnumerator::enumerateWordsInRange(Range range, WordHandler handler, void* context) const
{
    if (!handler || range.location < 0 || range.location >= m_length || range.length <= 0)
        return 0;
    const qsizetype end = range.location + std::min(range.length, m_length - range.location);
    qsizetype count = 0;
    qsizetype piece = range.location;
    for (qsizetype u = range.location; u < end; ++u) {
        const std::uint8_t flag = m_index[u];
        if (!(flag & (kWordSeparatorFlag | kWordEndFlag)))
            continue;
        const qsizetype pieceEnd = (flag & kWordSeparatorFlag) ? u : u + 1;
        if (pieceEnd > piece) {
            if (handler(*this, piece, pieceEnd - piece, context))
                return count;
            ++count;
        }
        piece = u + 1;
    }
    if (end > piece && !handler(*this, piece, end - piece, context))
        ++count;
    return count;
}

// --- word lists and text ---------------------------------------------------------

void FastWordEnumerator::addWordsTo(QStringList* words, qsizetype minLen, bool* hyphenated) const
{
    if (!words) {
        if (hyphenated)
            *hyphenated = false;
        return;
    }
    // H: every gap is one "-"; D: every gap is one "." between one-letter words.
    bool hyphens = m_numWords > 1;
    bool dots = hyphens;
    const CharacterSetBitmap* letters = getLettersBitmap();
    qsizetype previousEnd = 0;
    for (qsizetype start = locationOfNextWordFromIndex(0, m_length); start != NSNotFound;) {
        const Range word = wordFrom(m_index, m_length, start);
        if (start > 0) {
            const bool oneUnitGap = start - previousEnd == 1;
            const unichar between = m_characters[previousEnd];
            if (oneUnitGap && between == u'-') {
                dots = false;
            } else if (oneUnitGap && between == u'.') {
                hyphens = false;
            } else {
                hyphens = false;
                dots = false;
            }
        }
        if (word.length >= minLen) {
            words->append(QString(reinterpret_cast<const QChar*>(m_characters + start), word.length));
            if (dots && !(word.length == 1 && bitmapContains(letters, m_characters[start])))
                dots = false;
        }
        previousEnd = word.maxRange();
        start = locationOfNextWordFromIndex(previousEnd, m_length);
    }
    if (hyphenated)
        *hyphenated = hyphens || dots;
}

QString FastWordEnumerator::stringBySeparatingWords() const
{
    QString result;
    result.reserve(m_length + m_numWords);
    for (qsizetype i = 0; i < m_length; ++i) {
        if (i > 0 && (m_index[i] & kWordBeginningFlag) && (m_index[i - 1] & kWordEndFlag))
            result.append(QChar(u' '));
        result.append(QChar(m_characters[i]));
    }
    return result;
}

Range FastWordEnumerator::rangeOfString(const QString& needle, unsigned options, Range range, bool anchored) const
{
    const qsizetype m = needle.size();
    if (range.location < 0 || range.length <= 0 || range.location > m_length
        || range.length > m_length - range.location || m == 0 || m > range.length)
        return kMissingRange;
    const auto* pattern = reinterpret_cast<const unichar*>(needle.constData());
    const bool caseless = options & kCompareCaseInsensitive;
    const qsizetype end = range.maxRange();
    for (qsizetype from = range.location; end - from >= m;) {
        const auto haystackLength = static_cast<std::size_t>(end - from);
        const unichar* hit = caseless
            ? findUnicharsNoCase(m_characters + from, haystackLength, pattern, static_cast<std::size_t>(m))
            : findUnichars(m_characters + from, haystackLength, pattern, static_cast<std::size_t>(m));
        if (!hit)
            break;
        const qsizetype p = hit - m_characters;
        const bool startsFree = p == 0 || (m_index[p - 1] & kWordSeparatorFlag);
        const bool endsFree = p + m == end || (m_index[p + m] & kWordSeparatorFlag);
        if (!anchored || (startsFree && endsFree))
            return Range{p, m};
        from = p + m;
    }
    return kMissingRange;
}

} // namespace sorvant
