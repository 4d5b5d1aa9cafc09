// Term and phrase search on the word index, and the enumerator's term and
// wildcard searches built on them.

#include "search/word_search.h"

#include "foundation/buffer_compare.h"
#include "search/fast_word_enumerator.h"
#include "search/word_lists.h"

#include <QVarLengthArray>

#include <algorithm>

namespace sorvant {

namespace {

constexpr unsigned kPlatformOptions = kCompareBackwards | kWordSearchLocalized | kCompareNumerically;

// The searched range [a, b) with the facts the whole-word rule needs.
struct TermSearch
{
    const std::uint8_t* flags;
    qsizetype a;
    qsizetype b;
    bool firstAlnum;
    bool lastAlnum;

    [[nodiscard]] bool accepts(qsizetype p, qsizetype end) const
    {
        return (!firstAlnum || p == a || (flags[p] & kWordBeginningFlag))
            && (!lastAlnum || end >= b || (flags[end - 1] & kWordEndFlag));
    }
};

qsizetype findWithPlatform(const FastWordEnumerator& e, const TermSearch& search, const QString& term,
                           unsigned options, bool anchored)
{
    // Enumerators made from buffers have no string: search their units.
    const QString text = e.string().isNull()
        ? QString::fromRawData(reinterpret_cast<const QChar*>(e.characters()), e.length())
        : e.string();
    Range range{search.a, search.b - search.a};
    while (range.length > 0) {
        const Range hit = findString(text, term, range, options);
        if (hit.isMissing())
            return NSNotFound;
        if (!anchored || search.accepts(hit.location, hit.maxRange()))
            return hit.location;
        if (options & kCompareBackwards)
            range = Range{range.location, hit.location - range.location};
        else
            range = Range{hit.maxRange(), range.maxRange() - hit.maxRange()};
    }
    return NSNotFound;
}

// Forward scan over the indexed units; the first unit screens candidates.
template <bool Fold>
qsizetype scanUnits(const unichar* text, const TermSearch& search, const unichar* term, qsizetype m, bool anchored,
                    const CharsTable* table)
{
    const unichar first = term[0];
    const qsizetype last = search.b - m;
    for (qsizetype p = search.a; p <= last; ++p) {
        if ((Fold ? table[text[p]] : text[p]) != first)
            continue;
        qsizetype k = 1;
        while (k < m && (Fold ? table[text[p + k]] : text[p + k]) == term[k])
            ++k;
        if (k == m && (!anchored || search.accepts(p, p + m)))
            return p;
    }
    return NSNotFound;
}

} // namespace

qsizetype findTermInRange(const FastWordEnumerator& e, qsizetype location, qsizetype length, const QString& term,
                          unsigned options, bool anchored)
{
    const qsizetype m = term.size();
    if (m == 0 || location < 0 || location > e.length())
        return NSNotFound;
    if (m == 1 && term[0] == QChar(u'*'))
        return location;
    length = std::min(std::max<qsizetype>(length, 0), e.length() - location);
    const auto* units = reinterpret_cast<const unichar*>(term.constData());
    const CharacterSetBitmap* alnum = getAlphaNumBitmap();
    const TermSearch search{e.index(), location, location + length, bitmapContains(alnum, units[0]),
                            bitmapContains(alnum, units[m - 1])};
    if (options & kPlatformOptions)
        return length < 1 ? NSNotFound : findWithPlatform(e, search, term, options, anchored);
    if (location + length - m < location)
        return NSNotFound;
    if (!(options & kCompareCaseInsensitive))
        return scanUnits<false>(e.characters(), search, units, m, anchored, nullptr);
    const CharsTable* upper = getUpperCharsTable();
    if (!upper)
        return scanUnits<false>(e.characters(), search, units, m, anchored, nullptr);
    QVarLengthArray<unichar, 256> folded(m);
    for (qsizetype k = 0; k < m; ++k)
        folded[k] = upper[units[k]];
    return scanUnits<true>(e.characters(), search, folded.data(), m, anchored, upper);
}

Range matchFollowingPhraseWords(const FastWordEnumerator& e, const QStringList& words, Range range, unsigned options,
                                bool anchored)
{
    if (words.isEmpty() || words.first().isEmpty())
        return kMissingRange;
    const qsizetype a = std::max<qsizetype>(range.location, 0);
    const qsizetype b = std::min(range.maxRange(), e.length());
    const bool backwards = options & kCompareBackwards;
    const CharsTable* table = (options & kCompareCaseInsensitive) ? getUpperCharsTable() : nullptr;
    const std::uint8_t* flags = e.index();
    const CharacterSetBitmap* alnum = getAlphaNumBitmap();
    qsizetype from = a;
    qsizetype to = b;
    while (to > from) {
        const qsizetype start = findTermInRange(e, from, to - from, words.first(), options, true);
        if (start == NSNotFound)
            return kMissingRange;
        qsizetype end = start + words.first().size();
        bool matched = true;
        for (qsizetype w = 1; w < words.size() && matched; ++w) {
            const QString& word = words[w];
            qsizetype next = end;
            while (next < b && (flags[next] & kWordSeparatorFlag))
                ++next;
            matched = !word.isEmpty() && next < b && (flags[next] & kWordBeginningFlag) && word.size() <= b - next
                && compareUnicharsWithTable(e.characters() + next, size_t(word.size()),
                                            reinterpret_cast<const unichar*>(word.constData()), size_t(word.size()),
                                            table) == 0;
            if (!matched)
                break;
            end = next + word.size();
            // Words before the last are whole words; the last one when anchored.
            const bool bound = w + 1 < words.size() || anchored;
            const bool lastAlnum = bitmapContains(alnum, word.back().unicode());
            matched = !bound || !lastAlnum || end >= b || (flags[end - 1] & kWordEndFlag);
        }
        if (matched)
            return Range{start, end - start};
        if (backwards)
            to = start;
        else
            from = start + words.first().size();
    }
    return kMissingRange;
}

// --- the enumerator's term searches ----------------------------------------------

namespace {

// The tables are built before any search loop, never inside one.
void ensureTables()
{
    (void)getLowerCharsTable();
    (void)getUpperCharsTable();
}

unsigned caseOptions(bool caseSensitive)
{
    return caseSensitive ? 0u : unsigned(kCompareCaseInsensitive);
}

// Whole-word occurrences of `word` from position 0, without overlap.
qsizetype countOccurrences(const FastWordEnumerator& e, const QString& word, unsigned options)
{
    const qsizetype m = word.size();
    if (m == 0 || m > e.length())
        return 0;
    qsizetype count = 0;
    for (qsizetype position = 0; position < e.length();) {
        const qsizetype hit = findTermInRange(e, position, e.length() - position, word, options, true);
        if (hit == NSNotFound)
            break;
        ++count;
        position = hit + m;
    }
    return count;
}

} // namespace

bool FastWordEnumerator::containsWord(const QString& word, bool caseSensitive) const
{
    ensureTables();
    if (word.isEmpty() || word.size() > m_length)
        return false;
    return findTermInRange(*this, 0, m_length, word, caseOptions(caseSensitive), true) != NSNotFound;
}

qsizetype FastWordEnumerator::countPrimaryWord(const QString& primary, const QStringList& secondaryWords,
                                               bool caseSensitive) const
{
    ensureTables();
    if (m_length == 0)
        return 0;
    const unsigned options = caseOptions(caseSensitive);
    qsizetype count = countOccurrences(*this, primary, options);
    for (const QString& word : secondaryWords)
        count += countOccurrences(*this, word, options);
    return count;
}

Range FastWordEnumerator::findNextQueryTerm(QStringList& terms, bool isMutable, Range range, bool caseSensitive,
                                            bool anchored, bool exactPhrase) const
{
    return findQueryTerm(terms, isMutable, range, caseSensitive, anchored, exactPhrase, true);
}

Range FastWordEnumerator::findPreviousQueryTerm(QStringList& terms, bool isMutable, Range range,
                                                bool caseSensitive, bool anchored, bool exactPhrase) const
{
    return findQueryTerm(terms, isMutable, range, caseSensitive, anchored, exactPhrase, false);
}

// Forward, each term is searched only before the best hit so far; backward,
// over the whole range, a later hit winning. Equal locations keep the
// earlier term. Terms that cannot occur in the range may be dropped.
Range FastWordEnumerator::findQueryTerm(QStringList& terms, bool isMutable, Range range, bool caseSensitive,
                                        bool anchored, bool exactPhrase, bool forward) const
{
    ensureTables();
    const qsizetype a = range.location;
    if (a < 0 || a > m_length)
        return kMissingRange;
    const qsizetype l = std::min(std::max<qsizetype>(range.length, 0), m_length - a);
    const unsigned options = caseOptions(caseSensitive) | (forward ? 0u : unsigned(kCompareBackwards));
    Range best = kMissingRange;
    for (qsizetype i = 0; i < terms.size();) {
        const QString& term = terms[i];
        const qsizetype m = term.size();
        const qsizetype searched = forward && !best.isMissing() ? best.location - a : l;
        const bool skipped = m == 0 || (m == 1 && (term[0] == QChar(u'*') || searched == 0)) || (m >= 2 && m > searched);
        Range hit = kMissingRange;
        if (!skipped) {
            const QStringList words = !exactPhrase && m >= 3 ? wordsUsingDefaultSeparation(term) : QStringList();
            if (words.size() >= 2) {
                hit = matchFollowingPhraseWords(*this, words, Range{a, searched}, options, anchored);
            } else {
                const qsizetype location = findTermInRange(*this, a, searched, term, options, anchored);
                hit = location == NSNotFound ? kMissingRange : Range{location, m};
            }
        }
        if (!hit.isMissing()) {
            if (best.isMissing() || (forward ? hit.location < best.location : hit.location > best.location))
                best = hit;
        } else if (isMutable && best.isMissing()) {
            terms.removeAt(i); // searched over the whole range: it cannot occur
            continue;
        }
        ++i;
    }
    return best;
}

} // namespace sorvant
