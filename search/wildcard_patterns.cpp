#include "search/wildcard_patterns.h"

#include "foundation/separators.h"
#include "foundation/string_units.h"
#include "search/fast_word_enumerator.h"
#include "search/wildcard_engine.h"

#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <atomic>

namespace sorvant {

namespace {

std::atomic<double> g_minWildcardFuzzyAnalogy{0.75};

// Counts gathered while compacting a pattern.
struct PatternCounts
{
    qsizetype literals = 0;
    qsizetype sets = 0;
    qsizetype stars = 0;
    qsizetype questions = 0;
};

// Copies the set that begins at `in` (its "[") to `out`. Answers NO for a
// malformed set; `in` and `out` end after the set, `out` back at the "[" when
// the set has no member and is dropped.
bool compactSet(const unichar*& in, const unichar* end, unichar*& out, PatternCounts& counts)
{
    ++in;
    if (in == end)
        return false;
    unichar* const setStart = out;
    *out++ = kWildcardSetOpen;
    qsizetype members = 0;
    while (in < end) {
        const unichar u = *in++;
        if (u == kWildcardSetClose) {
            if (members == 0) {
                out = setStart;
            } else {
                *out++ = kWildcardSetClose;
                ++counts.literals;
                ++counts.sets;
            }
            return true;
        }
        if (u == kWildcardSetOpen)
            return false;
        if (u == kWildcardSetBar)
            continue;
        if (u != kWildcardSetNegate && u != kWildcardSetRange)
            ++members;
        *out++ = u;
    }
    return false; // no "]"
}

WildcardPatternType typeWithoutSets(const PatternCounts& counts, const unichar* p, qsizetype length,
                                    WildcardClassification& result)
{
    if (counts.stars == 0)
        return counts.questions > 0 ? kWildcardSingleCharacters : kWildcardLiteral;
    if (counts.questions > 0 || counts.stars > 2)
        return kWildcardGeneral;
    const bool starFirst = p[0] == kWildcardStar;
    const bool starLast = p[length - 1] == kWildcardStar;
    if (counts.stars == 2) {
        if (!starFirst || !starLast)
            return kWildcardGeneral;
        result.literalStart = 1;
        result.literalLength = counts.literals;
        return kWildcardContains;
    }
    if (starFirst) {
        result.literalStart = 1;
        result.literalLength = counts.literals;
        return kWildcardSuffix;
    }
    if (starLast) {
        result.literalLength = counts.literals;
        return kWildcardPrefix;
    }
    return kWildcardGeneral;
}

WildcardPatternType typeWithSets(const PatternCounts& counts, const unichar* p, qsizetype length,
                                 WildcardClassification& result)
{
    if (counts.stars == 0)
        return kWildcardSetsWithoutStar;
    if (counts.stars >= 2)
        return kWildcardGeneralWithSets;
    if (p[0] == kWildcardStar) {
        result.literalStart = 1;
        result.literalLength = length - 1;
        return kWildcardSuffixWithSets;
    }
    if (p[length - 1] == kWildcardStar) {
        result.literalLength = length - 1;
        return kWildcardPrefixWithSets;
    }
    return kWildcardGeneralWithSets;
}

// Walks the positions of a pattern: calls `position(isStar)` once per "*",
// "?", unit or set (an unclosed set runs to the end).
template <typename Visit>
void forEachPosition(const unichar* begin, const unichar* end, Visit position)
{
    for (const unichar* p = begin; p < end;) {
        if (*p == kWildcardSetOpen) {
            const unichar* close = std::find(p + 1, end, kWildcardSetClose);
            p = close == end ? end : close + 1;
            position(false);
            continue;
        }
        position(*p == kWildcardStar);
        ++p;
    }
}

bool wholeStringTest(const QString& text, const QString& pattern, bool withSets, bool ignoreCase,
                     const StopCheck* stop = nullptr)
{
    if (pattern.isEmpty() || text.isEmpty())
        return false;
    if (pattern.size() == 1 && pattern.at(0) == QChar(kWildcardStar))
        return true;
    const unichar* t = unitsOf(text);
    const CharsTable* table = ignoreCase ? getUpperCharsTable() : nullptr;
    QVarLengthArray<unichar, 256> mapped(unitsOf(pattern), unitsOf(pattern) + pattern.size());
    translateUnichars(mapped.begin(), mapped.end(), table);
    if (withSets)
        return matchWildcardWithSetsWithTable(t, t + text.size(), mapped.cbegin(), mapped.cend(), table, stop);
    return matchSimpleWildcardWithTable(t, t + text.size(), mapped.cbegin(), mapped.cend(), table, stop);
}

// The pattern's units mapped through `table` (none: as they are), for a
// text whose units are mapped as it is read.
QVarLengthArray<unichar, 256> mappedPattern(const QString& pattern, const CharsTable* table)
{
    QVarLengthArray<unichar, 256> mapped(unitsOf(pattern), unitsOf(pattern) + pattern.size());
    translateUnichars(mapped.begin(), mapped.end(), table);
    return mapped;
}

} // namespace

bool isLikeUnixWildcardInBytes(QByteArrayView bytes, const char16_t* byteUnits, const QString& pattern,
                               bool ignoreCase, const StopCheck* stop)
{
    if (pattern.isEmpty() || bytes.isEmpty() || byteUnits == nullptr)
        return false;
    if (pattern.size() == 1 && pattern.at(0) == QChar(kWildcardStar))
        return true;
    const CharsTable* table = ignoreCase ? getUpperCharsTable() : nullptr;
    const auto mapped = mappedPattern(pattern, table);
    std::array<unichar, 256> units{};
    for (std::size_t b = 0; b < units.size(); ++b)
        units[b] = table != nullptr ? table[byteUnits[b]] : byteUnits[b];
    const auto* text = reinterpret_cast<const unsigned char*>(bytes.data());
    return matchWildcardWithSetsInBytes(text, text + bytes.size(), mapped.cbegin(), mapped.cend(), units.data(),
                                        stop);
}

bool isLikeUnixWildcardInDoubleBytes(QByteArrayView bytes, const DoubleByteUnits& units, const QString& pattern,
                                     bool ignoreCase, const StopCheck* stop)
{
    if (pattern.isEmpty() || bytes.isEmpty())
        return false;
    if (pattern.size() == 1 && pattern.at(0) == QChar(kWildcardStar))
        return true;
    const CharsTable* table = ignoreCase ? getUpperCharsTable() : nullptr;
    const auto mapped = mappedPattern(pattern, table);
    const auto* text = reinterpret_cast<const unsigned char*>(bytes.data());
    return matchWildcardWithSetsInDoubleBytes(text, text + bytes.size(), mapped.cbegin(), mapped.cend(), units,
                                              table, stop);
}

// --- pattern kinds ---------------------------------------------------------

WildcardClassification classifyWildcardPattern(unichar* begin, unichar* end, qsizetype minCharacters)
{
    WildcardClassification result; // invalid, length 0
    PatternCounts counts;
    unichar* out = begin;
    for (const unichar* in = begin; in < end;) {
        const unichar c = *in;
        if (c == kWildcardSetClose)
            return result;
        if (c == kWildcardSetOpen) {
            if (!compactSet(in, end, out, counts))
                return result;
            continue;
        }
        ++in;
        if (c == kWildcardStar) {
            if (out > begin && out[-1] == kWildcardStar)
                continue;
            ++counts.stars;
        } else if (c == kWildcardQuestion) {
            ++counts.questions;
        } else {
            ++counts.literals;
        }
        *out++ = c;
    }
    result.length = out - begin;
    result.literalLength = result.length;
    if (counts.literals == 0 || (counts.stars > 0 && counts.literals < minCharacters))
        return result;
    result.type = counts.sets == 0 ? typeWithoutSets(counts, begin, result.length, result)
                                   : typeWithSets(counts, begin, result.length, result);
    return result;
}

qsizetype wildcardMinimalLength(const unichar* begin, const unichar* end)
{
    qsizetype count = 0;
    forEachPosition(begin, end, [&count](bool isStar) { count += isStar ? 0 : 1; });
    return count;
}

qsizetype wildcardFixedLength(const unichar* begin, const unichar* end)
{
    qsizetype count = 0;
    bool star = false;
    forEachPosition(begin, end, [&](bool isStar) {
        star = star || isStar;
        count += isStar ? 0 : 1;
    });
    return star ? NSNotFound : count;
}

WildcardPatternType wildcardType(const QString& pattern)
{
    if (pattern.isEmpty())
        return kWildcardLiteral;
    QVarLengthArray<unichar, 256> units(unitsOf(pattern), unitsOf(pattern) + pattern.size());
    return classifyWildcardPattern(units.begin(), units.end(), 1).type;
}

qsizetype wildcardLength(const QString& pattern)
{
    return wildcardMinimalLength(unitsOf(pattern), unitsOf(pattern) + pattern.size());
}

qsizetype unclosedWildcardSet(QStringView pattern)
{
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern.at(i) != QChar(kWildcardSetOpen))
            continue;
        const qsizetype close = pattern.indexOf(QChar(kWildcardSetClose), i + 1);
        if (close < 0)
            return i;
        i = close;
    }
    return NSNotFound;
}

// --- tables ----------------------------------------------------------------

bool isEquivalentCharsTable(const CharsTable* a, const CharsTable* b)
{
    if (a == nullptr || b == nullptr)
        return false;
    if (a == b)
        return true;
    if (a == getLowerCharsTable())
        return b == getLowerUmlautsCharsTable();
    if (a == getUpperCharsTable())
        return b == getUpperUmlautsCharsTable();
    if (a == getUmlautsCharsTable())
        return b == getUpperUmlautsCharsTable() || b == getLowerUmlautsCharsTable();
    return false;
}

void translateUnichars(unichar* begin, unichar* end, const CharsTable* table)
{
    if (table == nullptr)
        return;
    for (unichar* p = begin; p < end; ++p)
        *p = table[*p];
}

// --- process-wide set-up ---------------------------------------------------

void initSeparatorsAndTables()
{
    initSeparators();
    initWildcardSeparators();
    initWildcardTables();
}

void initWildcardSeparators()
{
    (void)defaultWildcardSeparators();
}

void initWildcardTables()
{
    (void)getUpperUmlautsCharsTable();
}

CharacterSetBitmap* defaultWildcardSeparators()
{
    static std::array<CharacterSetBitmap, kBitmapSize>* const bits = [] {
        auto* copy = new std::array<CharacterSetBitmap, kBitmapSize>{};
        std::copy_n(defaultWordSeparators(), kBitmapSize, copy->begin());
        for (unichar c : {kWildcardStar, kWildcardQuestion, kWildcardSetOpen, kWildcardSetClose})
            bitmapRemove(copy->data(), c);
        return copy;
    }();
    return bits->data();
}

void removeSymbolsFromWordSeparators(const QString& symbols)
{
    CharacterSetBitmap* words = defaultWordSeparators();
    CharacterSetBitmap* wildcards = defaultWildcardSeparators();
    for (QChar c : symbols) {
        bitmapRemove(words, c.unicode());
        bitmapRemove(wildcards, c.unicode());
    }
}

double minWildcardFuzzyAnalogy()
{
    return g_minWildcardFuzzyAnalogy.load(std::memory_order_relaxed);
}

void setMinWildcardFuzzyAnalogy(double analogy)
{
    g_minWildcardFuzzyAnalogy.store(analogy, std::memory_order_relaxed);
}

// --- splitting a pattern into words ----------------------------------------

QStringList wordsUsingWildcardSeparation(const QString& text, bool* hyphenated)
{
    QStringList words;
    const auto index = FastWordEnumerator::enumeratorWithString(text, false, true);
    if (index == nullptr) {
        if (hyphenated != nullptr)
            *hyphenated = false;
        return words;
    }
    words.reserve(index->numberOfWords());
    index->addWordsTo(&words, 1, hyphenated);
    return words;
}

qsizetype numberOfWordsUsingWildcardSeparation(const QString& text)
{
    const auto index = FastWordEnumerator::enumeratorWithString(text, false, true);
    return index != nullptr ? index->numberOfWords(1) : 0;
}

// --- whole-string tests ----------------------------------------------------

bool isLikeUnixWildcard(const QString& text, const QString& pattern, const StopCheck* stop)
{
    return wholeStringTest(text, pattern, true, false, stop);
}

bool isCaseInsensitiveLikeUnixWildcard(const QString& text, const QString& pattern, const StopCheck* stop)
{
    return wholeStringTest(text, pattern, true, true, stop);
}

bool isLikeWildcard(const QString& text, const QString& pattern)
{
    return wholeStringTest(text, pattern, false, false);
}

bool isCaseInsensitiveLikeWildcard(const QString& text, const QString& pattern)
{
    return wholeStringTest(text, pattern, false, true);
}

} // namespace sorvant
