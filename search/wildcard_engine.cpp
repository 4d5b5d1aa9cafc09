#include "search/wildcard_engine.h"

#include "platform/string_encoding.h"
#include "platform/string_encoding_scan.h"
#include "search/fast_word_enumerator.h"
#include "search/vector_scan.h"
#include "search/wildcard_patterns.h"

#include <QStringList>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

namespace sorvant {

namespace {

inline unichar mapUnit(unichar c, const CharsTable* table)
{
    return table != nullptr ? table[c] : c;
}

// --- globs -------------------------------------------------------------------

// Whether the set at `p` (its "[") holds for unit c; `next` receives the
// position after its "]". A member is one unit or a range "x-y" (y neither
// "]" nor "|"); a "-" that joins nothing is a member itself; "^" negates only
// right after "[". A set without "]" runs to `end` and holds only when it is
// negated and no member held.
bool setHolds(const unichar* p, const unichar* end, unichar c, const unichar*& next)
{
    ++p;
    const bool negated = p < end && *p == kWildcardSetNegate;
    if (negated)
        ++p;
    bool held = false;
    while (p < end && *p != kWildcardSetClose) {
        if (*p == kWildcardSetBar) {
            ++p;
        } else if (end - p > 2 && p[1] == kWildcardSetRange && p[2] != kWildcardSetClose &&
                   p[2] != kWildcardSetBar) {
            held = held || (c >= p[0] && c <= p[2]);
            p += 3;
        } else {
            held = held || c == *p;
            ++p;
        }
    }
    if (p == end) {
        next = end;
        return negated && !held; // an unclosed set
    }
    next = p + 1;
    return held != negated;
}

// Whether the pattern element at `p` (not a star) takes unit c; `p` moves
// past the element.
template <bool kWithSets>
inline bool elementTakes(const unichar*& p, const unichar* end, unichar c)
{
    if (*p == kWildcardQuestion) {
        ++p;
        return true;
    }
    if constexpr (kWithSets) {
        if (*p == kWildcardSetOpen)
            return setHolds(p, end, c, p);
    }
    return *p++ == c;
}

// Whether the pattern element at `p` (not a star) is one unit that stands
// for itself.
template <bool kWithSets>
inline bool isLiteralElement(const unichar* p)
{
    return *p != kWildcardQuestion && (!kWithSets || *p != kWildcardSetOpen);
}

// Finds, in a text read forward a unit at a time, the next unit that `map`
// turns into the unit it is aimed at: the way a glob passes over text that
// cannot start a match of the literal after a star. A text type may have a
// faster scan of its own (DoubleByteScan below) with the same operations.
template <typename Text, typename Map>
struct UnitScan
{
    Map map;
    unichar target = 0;

    void aim(unichar unit) { target = unit; }
    // The first place from `t` on, before `end`, whose unit is the target,
    // looking at no more than `budget` units (`steps` receives how many);
    // `end` or the place after the budget when none is.
    Text find(Text t, Text end, std::uint64_t budget, std::uint64_t& steps) const
    {
        steps = 0;
        while (t < end && steps < budget && map(*t) != target) {
            ++t;
            ++steps;
        }
        return t;
    }
};

// Whole-text glob. Every element but "*" takes exactly one unit, so after a
// mismatch only the most recent star needs to take one unit more: earlier
// stars can never do better, which bounds the work by text × pattern.
// With `stop`, the flag is looked at every kInterval steps; a stopped glob
// does not match.
// The text is any run of units, read forward by a pointer or a cursor of
// the same operations, that `scan.map` turns into the pattern's units. Where
// the element after the last star is a literal unit, `scan` passes over the
// units that cannot begin the rest in one loop of its own instead of trying
// the rest at each of them (most of a long text, for a pattern such as
// "*word*").
template <bool kWithSets, typename Text, typename Scan>
bool globMapped(Text t, Text tEnd, const unichar* p, const unichar* pEnd, Scan& scan, const StopCheck* stop)
{
    const unichar* resumePattern = nullptr; // just after the last star seen
    Text resumeText = t;                    // where that star's run ends now
    bool scanning = false;                  // the element at resumePattern is a literal
    PacedStopCheck paced(stop);
    while (t < tEnd) {
        if (p < pEnd && *p == kWildcardStar) {
            while (p < pEnd && *p == kWildcardStar)
                ++p;
            if (p == pEnd)
                return true;
            resumePattern = p;
            resumeText = t;
            scanning = isLiteralElement<kWithSets>(p);
            if (scanning)
                scan.aim(*p);
            continue;
        }
        if (scanning && p == resumePattern) {
            // Here t is resumeText: the star's run may grow up to the next
            // unit that takes the literal.
            std::uint64_t steps = 0;
            t = resumeText = scan.find(t, tEnd, StopCheck::kInterval, steps);
            if (paced.shouldStop(steps + 1))
                return false;
            if (!(t < tEnd))
                break;
        } else if (paced.shouldStop(1)) {
            return false;
        }
        if (p < pEnd) {
            const unichar* next = p;
            if (elementTakes<kWithSets>(next, pEnd, scan.map(*t))) {
                p = next;
                ++t;
                continue;
            }
        }
        if (resumePattern == nullptr)
            return false;
        p = resumePattern;
        t = ++resumeText;
    }
    while (p < pEnd && *p == kWildcardStar)
        ++p;
    return p == pEnd;
}

template <bool kWithSets>
bool glob(const unichar* t, const unichar* tEnd, const unichar* p, const unichar* pEnd,
          const CharsTable* table, const StopCheck* stop = nullptr)
{
    const auto map = [table](unichar c) { return mapUnit(c, table); };
    UnitScan<const unichar*, decltype(map)> scan{map};
    return globMapped<kWithSets>(t, tEnd, p, pEnd, scan, stop);
}

// --- similarity --------------------------------------------------------------

double similarity(const unichar* a, qsizetype lengthA, const unichar* b, qsizetype lengthB,
                  const CharsTable* table)
{
    const bool aLonger = lengthA > lengthB;
    const unichar* longer = aLonger ? a : b;
    const unichar* shorter = aLonger ? b : a;
    const qsizetype size = std::max(lengthA, lengthB);
    const qsizetype m = std::min(lengthA, lengthB);
    if (m <= 0 || longer == nullptr || shorter == nullptr)
        return 0.0;
    auto L = [&](qsizetype i) { return mapUnit(longer[i], table); };
    auto S = [&](qsizetype i) { return mapUnit(shorter[i], table); };

    qsizetype same = 0;
    for (qsizetype i = 0; i < m; ++i)
        same += L(i) == S(i) ? 1 : 0;
    const double positional = double(same) / double(size);

    // Alignment: each unit of the shorter run takes the unit of the longer
    // run at its expected place, or else the first free equal one; taking
    // one elsewhere counts as displaced and shifts the expected place.
    QVarLengthArray<bool, 512> taken(size, false);
    qsizetype offset = 0;
    qsizetype matches = 0;
    qsizetype displaced = 0;
    for (qsizetype i = 0; i < m; ++i) {
        const unichar c = S(i);
        const qsizetype expected = i - offset;
        qsizetype chosen = -1;
        if (expected >= 0 && expected < size && !taken[expected] && L(expected) == c) {
            chosen = expected;
        } else {
            for (qsizetype j = 0; j < size && chosen < 0; ++j) {
                if (!taken[j] && L(j) == c)
                    chosen = j;
            }
        }
        if (chosen < 0)
            continue;
        taken[chosen] = true;
        ++matches;
        if (i > 0 && chosen != expected)
            ++displaced;
        offset = i - chosen;
    }
    const double alignment = double(matches) * (1.0 - double(displaced) / double(size)) / double(size);
    return std::max(positional, alignment);
}

// --- one pattern word --------------------------------------------------------

// A pattern word mapped, compacted and classified once, tested on many words.
struct PreparedWildcard
{
    QVarLengthArray<unichar, 256> units;
    WildcardClassification kind;
    qsizetype minimalLength = 0;
    qsizetype fixedLength = 0;
    const CharsTable* table = nullptr;
    bool fuzzy = false;

    [[nodiscard]] bool isLoneStar() const { return kind.length == 1 && units[0] == kWildcardStar; }
    [[nodiscard]] const unichar* begin() const { return units.constData(); }
    [[nodiscard]] const unichar* end() const { return units.constData() + kind.length; }
    [[nodiscard]] const unichar* literal() const { return begin() + kind.literalStart; }
};

PreparedWildcard prepare(const QString& pattern, unsigned comparison, qsizetype minCharacters)
{
    PreparedWildcard w;
    const auto* units = reinterpret_cast<const unichar*>(pattern.constData());
    w.units.append(units, pattern.size());
    w.table = charsTableForComparison(comparison);
    w.fuzzy = (comparison & kComparisonFuzzy) != 0;
    translateUnichars(w.units.begin(), w.units.end(), w.table);
    w.kind = classifyWildcardPattern(w.units.begin(), w.units.end(), minCharacters);
    w.minimalLength = wildcardMinimalLength(w.begin(), w.end());
    w.fixedLength = wildcardFixedLength(w.begin(), w.end());
    return w;
}

bool sameUnits(const unichar* word, const unichar* pattern, qsizetype n, const CharsTable* table,
               bool questionTakesAny = false)
{
    for (qsizetype i = 0; i < n; ++i) {
        if (pattern[i] == mapUnit(word[i], table))
            continue;
        if (!questionTakesAny || pattern[i] != kWildcardQuestion)
            return false;
    }
    return true;
}

bool fuzzyPasses(const PreparedWildcard& w, const unichar* word, qsizetype n)
{
    const qsizetype m = w.kind.literalLength;
    const double least = minWildcardFuzzyAnalogy();
    if (double(std::min(n, m)) / double(std::max(n, m)) < least)
        return false;
    return unicharsSimilarityWithTable(w.literal(), m, word, n, w.table) >= least;
}

bool containsLiteral(const PreparedWildcard& w, const unichar* word, qsizetype n)
{
    const qsizetype m = w.kind.literalLength;
    for (qsizetype offset = 0; offset + m <= n; ++offset) {
        if (sameUnits(word + offset, w.literal(), m, w.table))
            return true;
    }
    return false;
}

// Whether the whole word [word, word + n) matches. Lengths are screened
// before any unit is compared.
bool wordPasses(const PreparedWildcard& w, const unichar* word, qsizetype n)
{
    const qsizetype m = w.kind.literalLength;
    const qsizetype min = w.minimalLength;
    const bool withinBounds = n >= min && (w.fixedLength == NSNotFound || n <= w.fixedLength);
    switch (w.kind.type) {
    case kWildcardLiteral:
        if (w.fuzzy)
            return fuzzyPasses(w, word, n);
        return n == m && sameUnits(word, w.literal(), m, w.table);
    case kWildcardSingleCharacters:
        return n == m && sameUnits(word, w.literal(), m, w.table, true);
    case kWildcardPrefix:
        return n >= m && sameUnits(word, w.literal(), m, w.table);
    case kWildcardSuffix:
        return n >= m && sameUnits(word + n - m, w.literal(), m, w.table);
    case kWildcardContains:
        return n >= m && containsLiteral(w, word, n);
    case kWildcardGeneral:
        return withinBounds && glob<false>(word, word + n, w.begin(), w.end(), w.table);
    case kWildcardGeneralWithSets:
        return withinBounds && glob<true>(word, word + n, w.begin(), w.end(), w.table);
    case kWildcardPrefixWithSets:
        return n >= min && glob<true>(word, word + min, w.begin(), w.end() - 1, w.table);
    case kWildcardSuffixWithSets:
        return n >= min && glob<true>(word + n - min, word + n, w.begin() + 1, w.end(), w.table);
    case kWildcardSetsWithoutStar:
        return n == min && glob<true>(word, word + n, w.begin(), w.end(), w.table);
    case kWildcardInvalid:
        break;
    }
    return false;
}

// The word that begins at `first`: up to the first word end at or after it.
Range wordFrom(const WordIndexView& v, qsizetype first)
{
    qsizetype last = first;
    while (last < v.length - 1 && !(v.index[last] & kWordEndFlag))
        ++last;
    return Range{first, last + 1 - first};
}

// The word that ends at `last`: back to the nearest word beginning (0 when none).
Range wordUpTo(const WordIndexView& v, qsizetype last)
{
    qsizetype first = last;
    while (first > 0 && !(v.index[first] & kWordBeginningFlag))
        --first;
    return Range{first, last + 1 - first};
}

// Tests the words of [start, end) one after the other in the search's
// direction, found through the flag bytes: forward every word that begins in
// the range (it may run past `end`), backward every word that ends in it (it
// may begin before `start`). `test` answers whether a word is the hit. A
// stop seen on the way finds nothing.
template <typename Test>
Range visitWords(const WordIndexView& v, qsizetype start, qsizetype end, bool forward, bool anchored,
                 const StopCheck* stop, Test test)
{
    const qsizetype low = std::max<qsizetype>(start, 0);
    const qsizetype limit = std::min(end, v.length);
    if (v.index == nullptr || v.characters == nullptr || shouldStop(stop, 0))
        return kMissingRange;
    PacedStopCheck paced(stop);
    if (forward) {
        for (qsizetype i = low; i < limit; ++i) {
            if (paced.shouldStop(1))
                return kMissingRange;
            if (!(v.index[i] & kWordBeginningFlag))
                continue;
            const Range word = wordFrom(v, i);
            if (test(word))
                return word;
            if (anchored)
                break;
            i = word.maxRange() - 1;
        }
        return kMissingRange;
    }
    for (qsizetype i = limit - 1; i >= low; --i) {
        if (paced.shouldStop(1))
            return kMissingRange;
        if (!(v.index[i] & kWordEndFlag))
            continue;
        const Range word = wordUpTo(v, i);
        if (test(word))
            return word;
        if (anchored || word.location <= start)
            break;
        i = word.location;
    }
    return kMissingRange;
}

Range findPrepared(const WordIndexView& v, qsizetype start, qsizetype end, const PreparedWildcard& w,
                   const WildcardFindOptions& o)
{
    if (end <= start)
        return kMissingRange;
    if (o.loneStar && w.isLoneStar()) {
        if (!o.oneWord)
            return Range{start, end - start};
        return visitWords(v, start, end, o.forward, false, o.stop, [](const Range&) { return true; });
    }
    if (w.kind.type == kWildcardInvalid)
        return kMissingRange;
    return visitWords(v, start, end, o.forward, o.anchored, o.stop, [&](const Range& word) {
        return wordPasses(w, v.characters + word.location, word.length);
    });
}

// The words of a phrase: the first anywhere in the range, each further one on
// the very next word of the text, beginning before `end`. Forward, a failed
// attempt resumes after its first word; backward, before it.
Range findPhraseWords(const WordIndexView& v, qsizetype start, qsizetype end,
                      const QList<PreparedWildcard>& words, const WildcardFindOptions& options)
{
    WildcardFindOptions firstWord = options;
    firstWord.anchored = false;
    firstWord.loneStar = true;
    firstWord.oneWord = true;
    WildcardFindOptions nextWord = firstWord;
    nextWord.forward = true;
    nextWord.anchored = true;

    qsizetype from = start;
    qsizetype to = end;
    while (from < to) {
        const Range head = findPrepared(v, from, to, words.first(), firstWord);
        if (head.isMissing())
            return kMissingRange;
        Range last = head;
        for (qsizetype k = 1; k < words.size() && !last.isMissing(); ++k)
            last = findPrepared(v, last.maxRange(), to, words[k], nextWord);
        if (!last.isMissing())
            return Range{head.location, last.maxRange() - head.location};
        if (options.forward)
            from = head.maxRange();
        else
            to = head.location;
    }
    return kMissingRange;
}

} // namespace

// --- finding words -----------------------------------------------------------

Range findWildcardPhrase(const WordIndexView& words, qsizetype start, qsizetype end, const QString& pattern,
                         const WildcardFindOptions& options)
{
    if (pattern.isEmpty())
        return kMissingRange;
    WildcardFindOptions single = options;
    single.anchored = false;
    single.oneWord = false;
    bool hyphenated = false;
    const QStringList parts =
        pattern.size() < 3 ? QStringList() : wordsUsingWildcardSeparation(pattern, &hyphenated);
    if (parts.size() < 2)
        return findWildcardInUnichars(words, start, end, pattern, single);

    QList<PreparedWildcard> prepared;
    prepared.reserve(parts.size());
    for (const QString& part : parts)
        prepared.append(prepare(part, options.comparison, options.minCharacters));
    const Range hit = findPhraseWords(words, start, end, prepared, options);
    if (hit.isMissing() && hyphenated)
        return findWildcardInUnichars(words, start, end, parts.join(QString()), single);
    return hit;
}

Range findWildcardInUnichars(const WordIndexView& words, qsizetype start, qsizetype end,
                             const QString& pattern, const WildcardFindOptions& options)
{
    if (end <= start || pattern.isEmpty())
        return kMissingRange;
    return findPrepared(words, start, end, prepare(pattern, options.comparison, options.minCharacters),
                        options);
}

WordIndexView wordIndexView(const FastWordEnumerator& words)
{
    return WordIndexView{words.characters(), words.index(), words.length()};
}

Range findWildcardPhrase(const FastWordEnumerator& words, qsizetype start, qsizetype end,
                         const QString& pattern, const WildcardFindOptions& options)
{
    return findWildcardPhrase(wordIndexView(words), start, end, pattern, options);
}

Range findWildcardInUnichars(const FastWordEnumerator& words, qsizetype start, qsizetype end,
                             const QString& pattern, const WildcardFindOptions& options)
{
    return findWildcardInUnichars(wordIndexView(words), start, end, pattern, options);
}

// --- similarity --------------------------------------------------------------

double unicharsSimilarity(const unichar* a, qsizetype lengthA, const unichar* b, qsizetype lengthB)
{
    return similarity(a, lengthA, b, lengthB, nullptr);
}

double unicharsSimilarityWithTable(const unichar* a, qsizetype lengthA, const unichar* b, qsizetype lengthB,
                                   const CharsTable* table)
{
    return similarity(a, lengthA, b, lengthB, table);
}

// --- whole-text globs ------------------------------------------------------

bool matchSimpleWildcard(const unichar* textBegin, const unichar* textEnd, const unichar* patternBegin,
                         const unichar* patternEnd)
{
    return glob<false>(textBegin, textEnd, patternBegin, patternEnd, nullptr);
}

bool matchSimpleWildcardWithTable(const unichar* textBegin, const unichar* textEnd,
                                  const unichar* patternBegin, const unichar* patternEnd,
                                  const CharsTable* table, const StopCheck* stop)
{
    return glob<false>(textBegin, textEnd, patternBegin, patternEnd, table, stop);
}

bool matchWildcardWithSets(const unichar* textBegin, const unichar* textEnd, const unichar* patternBegin,
                           const unichar* patternEnd)
{
    return glob<true>(textBegin, textEnd, patternBegin, patternEnd, nullptr);
}

bool matchWildcardWithSetsWithTable(const unichar* textBegin, const unichar* textEnd,
                                    const unichar* patternBegin, const unichar* patternEnd,
                                    const CharsTable* table, const StopCheck* stop)
{
    return glob<true>(textBegin, textEnd, patternBegin, patternEnd, table, stop);
}

namespace {

// The scan of a text of bytes, each the unit `byteUnits` gives it: memchr
// where one byte stands for the target (with case, mostly), else a table
// of the bytes that do, so that the loop over the others is a lookup a
// byte.
struct ByteScan
{
    const unichar* byteUnits;
    std::array<bool, 256> isTarget{};
    int onlyByte = -1; // the one byte that stands for the target, if one
    // Two bytes that differ in 0x20 alone (a letter in either case), found
    // with vector code where they are the ones.
    bool bothCases = false;
    vector_scan::BytePair cases{};

    unichar map(unsigned char b) const { return byteUnits[b]; }
    void aim(unichar unit)
    {
        int count = 0;
        std::size_t lastTarget = 0;
        for (std::size_t b = 0; b < isTarget.size(); ++b) {
            isTarget[b] = byteUnits[b] == unit;
            if (isTarget[b]) {
                lastTarget = b;
                ++count;
            }
        }
        onlyByte = count == 1 ? int(lastTarget) : -1;
        bothCases = count == 2 && isTarget[lastTarget ^ 0x20];
        cases.first = cases.second = static_cast<unsigned char>(lastTarget | 0x20);
        cases.caseBit = 0x20;
    }
    const unsigned char* find(const unsigned char* t, const unsigned char* end, std::uint64_t budget,
                              std::uint64_t& steps) const
    {
        const unsigned char* const from = t;
        const unsigned char* const last = end - t > qsizetype(budget) ? t + budget : end;
        if (onlyByte >= 0) {
            const void* found = std::memchr(t, onlyByte, std::size_t(last - t));
            t = found != nullptr ? static_cast<const unsigned char*>(found) : last;
        } else if (bothCases && t < last) {
            const qsizetype at = vector_scan::findPair(vector_scan::bestLevel(), reinterpret_cast<const char*>(t),
                                                       0, last - t - 1, cases);
            t = at >= 0 ? t + at : last;
        } else {
            // Eight bytes a branch: a loop of one lookup a byte ran up to
            // 1.25x slower or faster as the code around it moved.
            t = firstMarkedByte(t, last, isTarget);
        }
        steps = std::uint64_t(t - from);
        return t;
    }
};

// A text of one or two bytes a character read forward a character at a
// time, as a pointer to units is.
struct DoubleByteCursor
{
    const unsigned char* at;
    const unsigned char* end; // the text's
    const DoubleByteUnits* units;

    unichar operator*() const { return units->unitAt(at, end); }
    DoubleByteCursor& operator++()
    {
        at += units->lengthAt(at, end);
        return *this;
    }
    bool operator<(const DoubleByteCursor& other) const { return at < other.at; }
};

// From this many bytes of text on, a scan looks at every pair of the set
// when it is aimed (about 50,000 lookups), to learn whether the target can
// be found by its bytes alone.
constexpr qsizetype kByteFindText = qsizetype(1) << 16;

// The scan of such a text: a table of what each byte is where a character
// begins (a single byte to pass over, one that stands for the target, a
// lead byte). A character costs a lookup of its first byte, a pair one of
// its unit as well, and a long run of single bytes (ASCII, half-width
// kana) is passed eight bytes a branch (afterSingleRun). Where no pair
// stands for the target, a long text is not read a character at a time at
// all: its target bytes are found as bytes (memchr), and each is taken
// where it begins a character (isCharacterStart).
struct DoubleByteScan
{
    enum Byte : unsigned char { kPass = 0, kTarget = 1, kLead = 2 };

    DoubleByteScan(const DoubleByteUnits& textUnits, const CharsTable* mapTable, qsizetype length)
        : units(textUnits), table(mapTable), textBytes(length)
    {
    }

    const DoubleByteUnits& units;
    const CharsTable* table;
    qsizetype textBytes;
    std::array<Byte, 256> bytes{};
    unichar target = 0;
    bool byBytes = false; // the target is found by its single bytes alone
    int onlyByte = -1;    // the one byte that stands for the target, if one
    std::optional<bool> leadsPairWithLeads;

    unichar map(unichar c) const { return mapUnit(c, table); }
    void aim(unichar unit)
    {
        target = unit;
        int count = 0;
        for (std::size_t b = 0; b < bytes.size(); ++b) {
            bytes[b] = units.lead[b] ? kLead : map(units.single[b]) == unit ? kTarget : kPass;
            if (bytes[b] == kTarget) {
                onlyByte = int(b);
                ++count;
            }
        }
        if (count != 1)
            onlyByte = -1;
        byBytes = textBytes >= kByteFindText && doLeadsPairWithLeads() && !isAnyPairTarget();
    }
    DoubleByteCursor find(DoubleByteCursor t, DoubleByteCursor end, std::uint64_t budget,
                          std::uint64_t& steps) const
    {
        const unsigned char* const last = end.at - t.at > qsizetype(budget) ? t.at + budget : end.at;
        const unsigned char* const at =
            byBytes             ? findByBytes(t.at, last, end.at)
            : table != nullptr  ? findFrom(t.at, last, end.at, [this](unichar c) { return table[c]; })
                                : findFrom(t.at, last, end.at, [](unichar c) { return c; });
        steps = std::uint64_t(at - t.at);
        return DoubleByteCursor{at, end.at, &units};
    }

private:
    // Whether every lead byte followed by a lead byte makes a pair, so that
    // in a run of lead bytes after any other byte (the end of a character)
    // characters begin at every other byte.
    bool doLeadsPairWithLeads()
    {
        if (!leadsPairWithLeads) {
            leadsPairWithLeads = true;
            for (std::size_t first = 0; first < 256 && *leadsPairWithLeads; ++first) {
                for (std::size_t second = 0; second < 256 && units.lead[first]; ++second) {
                    if (units.lead[second] && units.pairLengths[first << 8 | second] != 2) {
                        leadsPairWithLeads = false;
                        break;
                    }
                }
            }
        }
        return *leadsPairWithLeads;
    }
    // Whether a pair (or a lead alone, U+FFFD) stands for the target.
    bool isAnyPairTarget() const
    {
        if (map(DoubleByteUnits::kReplacement) == target)
            return true;
        for (std::size_t first = 0; first < 256; ++first) {
            for (std::size_t second = 0; second < 256 && units.lead[first]; ++second) {
                if (map(units.pairs[first << 8 | second]) == target)
                    return true;
            }
        }
        return false;
    }
    // Whether byte `at` (before the text's end) of a text from `from` (a
    // character's start) on begins a character: the lead bytes right before
    // it, back to `from` or to another byte, which ends a character, are
    // pairs when they are even in number (leadsPairWithLeads); when odd,
    // the last takes `at` unless it cannot follow it (a lead alone; a lead
    // byte at `at` always follows it).
    bool isCharacterStart(const unsigned char* from, const unsigned char* at) const
    {
        const unsigned char* before = at;
        while (before > from && units.lead[before[-1]])
            --before;
        return (at - before) % 2 == 0 || units.pairLengths[std::size_t(at[-1]) << 8 | at[0]] == 1;
    }
    // The first target character from `from` on before `last`, in a text
    // that ends at `end`; else the start of the character that holds
    // `last`, where the glob goes on: a byte scan's stop may fall on a
    // character's second byte, which the glob would read as a character of
    // its own (a trail "A" matching "A") and which would put every later
    // character out of step.
    const unsigned char* findByBytes(const unsigned char* from, const unsigned char* last,
                                     const unsigned char* end) const
    {
        for (const unsigned char* at = from; at < last; ++at) {
            if (onlyByte >= 0) {
                const void* found = std::memchr(at, onlyByte, std::size_t(last - at));
                if (found == nullptr)
                    break;
                at = static_cast<const unsigned char*>(found);
            } else {
                while (at < last && bytes[*at] != kTarget)
                    ++at;
                if (at == last)
                    break;
            }
            if (isCharacterStart(from, at))
                return at;
        }
        return last < end && !isCharacterStart(from, last) ? last - 1 : last;
    }
    // The first character from `at` on, before `last`, that `mapped` turns
    // into the target, in a text that ends at `end` (`last` or after it).
    template <typename Mapped>
    const unsigned char* findFrom(const unsigned char* at, const unsigned char* last, const unsigned char* end,
                                  Mapped mapped) const
    {
        const char16_t* const pairs = units.pairs.data();
        // Before the text's last byte a lead's trail byte is in reach (the
        // scan starts before `last`, so before `end`).
        const unsigned char* const pairsEnd = last < end ? last : end - 1;
        while (at < pairsEnd) {
            const Byte kind = bytes[*at];
            if (kind == kLead) {
                const std::size_t pair = std::size_t(at[0]) << 8 | at[1];
                const char16_t unit = pairs[pair];
                if (mapped(unit) == target)
                    return at;
                at += 2;
                // The lead alone, where the byte after it cannot follow it.
                if (unit == DoubleByteUnits::kReplacement)
                    at -= 2 - units.pairLengths[pair];
            } else if (kind == kTarget) {
                return at;
            } else {
                at = afterSingleRun(at + 1, pairsEnd, bytes);
            }
        }
        // The text's last byte; a lead there stands alone (U+FFFD).
        if (at >= last)
            return at;
        const Byte kind = bytes[*at];
        const bool isTarget = kind == kTarget || (kind == kLead && mapped(DoubleByteUnits::kReplacement) == target);
        return isTarget ? at : last;
    }
};

} // namespace

bool matchWildcardWithSetsInBytes(const unsigned char* textBegin, const unsigned char* textEnd,
                                  const unichar* patternBegin, const unichar* patternEnd,
                                  const unichar* byteUnits, const StopCheck* stop)
{
    ByteScan scan{byteUnits};
    return globMapped<true>(textBegin, textEnd, patternBegin, patternEnd, scan, stop);
}

bool matchWildcardWithSetsInDoubleBytes(const unsigned char* textBegin, const unsigned char* textEnd,
                                        const unichar* patternBegin, const unichar* patternEnd,
                                        const DoubleByteUnits& units, const CharsTable* table,
                                        const StopCheck* stop)
{
    DoubleByteScan scan{units, table, textEnd - textBegin};
    return globMapped<true>(DoubleByteCursor{textBegin, textEnd, &units}, DoubleByteCursor{textEnd, textEnd, &units},
                            patternBegin, patternEnd, scan, stop);
}

// --- ordering hits ---------------------------------------------------------

int compareRangeValues(const Range& a, const Range& b)
{
    if (a.location != b.location)
        return a.location < b.location ? -1 : 1;
    if (a.length != b.length)
        return a.length > b.length ? -1 : 1;
    return 0;
}

} // namespace sorvant
