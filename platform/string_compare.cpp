#include "platform/string_compare.h"

#include <unicode/uchar.h>
#include <unicode/uset.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <sys/mman.h>

namespace sorvant {

namespace {

// The folded form of a text, made as far as a search needs it: every code
// point of the source replaced by its fold, each folded unit remembering the
// source code point it came from. Folding is per code point, so it can stop
// anywhere and go on later; a forward search that matches early never folds
// the rest of the text.
struct FoldedText
{
    QStringView source;
    unsigned options = 0;
    qsizetype next = 0;                  // first source unit not folded yet
    std::vector<char16_t> units;
    std::vector<qsizetype> sourceStart;  // source index of the code point that made units[i]
    std::vector<bool> startsCodePoint;   // units[i] is the first unit of its code point's fold
    size_t ordered = 0;                  // units before this index are in canonical order
    struct Mark
    {
        UChar32 c;
        std::uint8_t combiningClass;
        qsizetype sourceStart;
        bool startsCodePoint;
    };
    std::vector<Mark> run;               // orderMarks' run of marks, its memory kept from call to call

    // Folds until at least `wanted` units exist or the source is used up.
    // Without the literal option it goes on to the end of a run of
    // combining marks and puts the run in canonical order, so that marks
    // typed in either order compare equal.
    void foldUntil(size_t wanted);
    void foldNextCodePoint();
    // Forgets the first `count` folded units, which a forward search has
    // passed: what it holds stays about the size of the blocks it folds
    // ahead, whatever the length of the text. Indices shift down by
    // `count`; source positions stay as they are.
    void dropFront(size_t count);
    void orderMarks();
    [[nodiscard]] bool isComplete() const { return next >= source.size(); }
};

const UNormalizer2* nfd()
{
    UErrorCode status = U_ZERO_ERROR;
    static const UNormalizer2* const instance = unorm2_getNFDInstance(&status);
    return instance;
}

const UNormalizer2* nfkd()
{
    UErrorCode status = U_ZERO_ERROR;
    static const UNormalizer2* const instance = unorm2_getNFKDInstance(&status);
    return instance;
}

int32_t normalizeInto(const UNormalizer2* normalizer, const UChar* in, int32_t length, UChar* out,
                      int32_t capacity)
{
    UErrorCode status = U_ZERO_ERROR;
    const int32_t produced = unorm2_normalize(normalizer, in, length, out, capacity, &status);
    if (U_FAILURE(status)) {
        std::copy_n(in, length, out);
        return length;
    }
    return produced;
}

// Folds one code point by the options into `out` (capacity 32 units; no
// single code point's fold comes near that) and answers the unit count.
int32_t computeFold(UChar32 c, unsigned options, UChar* out)
{
    constexpr int32_t kCapacity = 32;
    const bool literal = options & kCompareLiteral;
    const bool caseless = options & kCompareCaseInsensitive;
    if (c < 0x80) {
        out[0] = static_cast<UChar>(caseless && c >= 'A' && c <= 'Z' ? c + 32 : c);
        return 1;
    }
    UChar buffer[kCapacity];
    int32_t length = 0;
    U16_APPEND_UNSAFE(buffer, length, c);
    UChar scratch[kCapacity];
    if (options & kCompareWidthInsensitive) {
        length = normalizeInto(nfkd(), buffer, length, scratch, kCapacity);
        std::copy_n(scratch, length, buffer);
    } else if (!literal || (options & kCompareDiacriticInsensitive)) {
        // Marks are removed from the decomposed form, so ignoring them
        // decomposes even a literal compare.
        length = normalizeInto(nfd(), buffer, length, scratch, kCapacity);
        std::copy_n(scratch, length, buffer);
    }
    if (caseless) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t folded = u_strFoldCase(scratch, kCapacity, buffer, length, U_FOLD_CASE_DEFAULT, &status);
        if (U_SUCCESS(status)) {
            length = folded;
            std::copy_n(scratch, length, buffer);
            if (!literal || (options & kCompareDiacriticInsensitive)) {
                length = normalizeInto(nfd(), buffer, length, scratch, kCapacity);
                std::copy_n(scratch, length, buffer);
            }
        }
    }
    int32_t produced = 0;
    for (int32_t i = 0; i < length;) {
        const int32_t start = i;
        UChar32 unit = 0;
        U16_NEXT(buffer, i, length, unit);
        if ((options & kCompareDiacriticInsensitive) && u_charType(unit) == U_NON_SPACING_MARK)
            continue;
        for (int32_t k = start; k < i; ++k)
            out[produced++] = buffer[k];
    }
    return produced;
}

// The folds of the Basic Multilingual Plane, one table per combination of
// the options that change a fold, each entry computed on its first use:
// folding through ICU normalization and case folding per unit made a search
// of non-ASCII text hundreds of times slower than a table lookup, and
// computing all 65,536 entries at once made every search start slowly.
//
// An entry packs the fold's length + 1 into its low byte (0: not computed
// yet; kLongFold: longer than three units, computed each time) and its units
// into the three 16-bit fields above. Threads that compute an entry at once
// store the same value. Entries are read and written through atomic_ref.
using FoldEntry = std::uint64_t;
constexpr std::uint64_t kLongFold = 0xFF;
constexpr int32_t kMostCachedUnits = 3;
constexpr size_t kFoldEntries = 0x10000;

// A table of zero entries that lives as long as the process: an anonymous
// mapping, whose pages the system fills with zeros only as they are first
// touched. Writing the 512 KiB of zeros at once took 0.25 ms before every
// first ignoring-case compare, and text that needs few entries (ASCII
// needs none) touches few of its pages.
FoldEntry* newFoldTable()
{
    void* pages = ::mmap(nullptr, kFoldEntries * sizeof(FoldEntry), PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED)
        return new FoldEntry[kFoldEntries]();
    return static_cast<FoldEntry*>(pages);
}

unsigned foldOptionsIndex(unsigned options)
{
    return ((options & kCompareCaseInsensitive) ? 1u : 0u) | ((options & kCompareLiteral) ? 2u : 0u) |
           ((options & kCompareDiacriticInsensitive) ? 4u : 0u) | ((options & kCompareWidthInsensitive) ? 8u : 0u);
}

FoldEntry* foldTable(unsigned options)
{
    static std::array<std::once_flag, 16> once;
    static std::array<FoldEntry*, 16> tables{};
    const unsigned index = foldOptionsIndex(options);
    std::call_once(once[index], [index] {
        tables[index] = newFoldTable();
    });
    return tables[index];
}

std::uint64_t packedFold(const UChar* units, int32_t length)
{
    if (length > kMostCachedUnits)
        return kLongFold;
    std::uint64_t packed = std::uint64_t(length + 1);
    for (int32_t k = 0; k < length; ++k)
        packed |= std::uint64_t(units[k]) << (16 * (k + 1));
    return packed;
}

int32_t foldCodePoint(UChar32 c, unsigned options, UChar* out)
{
    if (c < 0x80 || c > 0xFFFF)
        return computeFold(c, options, out);
    const std::atomic_ref<FoldEntry> entry(foldTable(options)[static_cast<size_t>(c)]);
    const std::uint64_t packed = entry.load(std::memory_order_relaxed);
    if (packed == 0 || packed == kLongFold) {
        const int32_t produced = computeFold(c, options, out);
        if (packed == 0)
            entry.store(packedFold(out, produced), std::memory_order_relaxed);
        return produced;
    }
    const auto length = int32_t(packed & 0xFF) - 1;
    for (int32_t k = 0; k < length; ++k)
        out[k] = static_cast<UChar>(packed >> (16 * (k + 1)));
    return length;
}

UChar32 codePointAt(const UChar* text, qsizetype length, qsizetype index)
{
    UChar32 c = text[index];
    if (U16_IS_LEAD(c) && index + 1 < length && U16_IS_TRAIL(text[index + 1]))
        c = U16_GET_SUPPLEMENTARY(c, text[index + 1]);
    return c;
}

void FoldedText::foldNextCodePoint()
{
    const auto* text = reinterpret_cast<const UChar*>(source.utf16());
    const qsizetype start = next;
    const UChar32 c = codePointAt(text, source.size(), next);
    next += U16_LENGTH(c);
    UChar out[32];
    const int32_t produced = foldCodePoint(c, options, out);
    for (int32_t k = 0; k < produced; ++k) {
        units.push_back(out[k]);
        sourceStart.push_back(start);
        startsCodePoint.push_back(k == 0);
    }
}

void FoldedText::foldUntil(size_t wanted)
{
    while (units.size() < wanted && next < source.size())
        foldNextCodePoint();
    if (options & kCompareLiteral)
        return;
    const auto* text = reinterpret_cast<const UChar*>(source.utf16());
    while (next < source.size() && u_getCombiningClass(codePointAt(text, source.size(), next)) != 0)
        foldNextCodePoint();
    orderMarks();
}

void FoldedText::dropFront(size_t count)
{
    const auto erase = [count](auto& items) {
        items.erase(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(count));
    };
    erase(units);
    erase(sourceStart);
    erase(startsCodePoint);
    ordered = ordered > count ? ordered - count : 0;
}

// Canonical ordering: within each run of combining marks, a stable sort by
// combining class. Each mark keeps its source position and start flag.
void FoldedText::orderMarks()
{
    run.clear();
    const auto* data = reinterpret_cast<const UChar*>(units.data());
    const auto length = static_cast<qsizetype>(units.size());
    auto flush = [&](size_t end) {
        if (run.size() > 1) {
            std::stable_sort(run.begin(), run.end(),
                             [](const Mark& a, const Mark& b) { return a.combiningClass < b.combiningClass; });
            size_t at = end;
            for (const Mark& mark : run)
                at -= static_cast<size_t>(U16_LENGTH(mark.c));
            for (const Mark& mark : run) {
                UChar buffer[2];
                int32_t n = 0;
                U16_APPEND_UNSAFE(buffer, n, mark.c);
                for (int32_t k = 0; k < n; ++k, ++at) {
                    units[at] = buffer[k];
                    sourceStart[at] = mark.sourceStart;
                    startsCodePoint[at] = k == 0 && mark.startsCodePoint;
                }
            }
        }
        run.clear();
    };
    qsizetype i = static_cast<qsizetype>(ordered);
    while (i < length) {
        const UChar32 c = codePointAt(data, length, i);
        const auto combiningClass = static_cast<std::uint8_t>(u_getCombiningClass(c));
        if (combiningClass == 0)
            flush(static_cast<size_t>(i));
        else
            run.push_back({c, combiningClass, sourceStart[static_cast<size_t>(i)],
                           startsCodePoint[static_cast<size_t>(i)]});
        i += U16_LENGTH(c);
    }
    flush(units.size());
    ordered = units.size();
}

FoldedText foldText(QStringView text, unsigned options)
{
    FoldedText folded{text, options, 0, {}, {}, {}, 0, {}};
    folded.units.reserve(static_cast<size_t>(text.size()));
    folded.sourceStart.reserve(static_cast<size_t>(text.size()));
    folded.startsCodePoint.reserve(static_cast<size_t>(text.size()));
    folded.foldUntil(SIZE_MAX);
    return folded;
}

bool isCombining(char16_t unit)
{
    return u_getCombiningClass(unit) != 0 || u_charType(unit) == U_NON_SPACING_MARK;
}

// A match may not begin or end inside one code point's fold, nor begin on or
// end before a combining mark that belongs to a character it only partly
// covers ("e" is not found in "e\u0301").
bool isBoundaryMatch(const FoldedText& text, size_t start, size_t end, char16_t needleFirst)
{
    if (!text.startsCodePoint[start])
        return false;
    if (end < text.units.size() && (!text.startsCodePoint[end] || isCombining(text.units[end])))
        return false;
    return !isCombining(text.units[start]) || isCombining(needleFirst);
}

bool matchesAt(const FoldedText& text, const std::vector<char16_t>& needle, size_t start)
{
    // Most candidates fail on their first unit; testing it first keeps the
    // comparison call off the common path.
    if (text.units[start] != needle.front())
        return false;
    return std::equal(needle.begin() + 1, needle.end(), text.units.begin() + static_cast<std::ptrdiff_t>(start) + 1);
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Compares two digit runs by value: leading zeros ignored, then length, then digits.
int compareDigitRuns(const std::vector<char16_t>& a, size_t& i, const std::vector<char16_t>& b, size_t& j)
{
    while (i < a.size() && a[i] == u'0' && i + 1 < a.size() && isDigit(a[i + 1]))
        ++i;
    while (j < b.size() && b[j] == u'0' && j + 1 < b.size() && isDigit(b[j + 1]))
        ++j;
    size_t endA = i;
    size_t endB = j;
    while (endA < a.size() && isDigit(a[endA]))
        ++endA;
    while (endB < b.size() && isDigit(b[endB]))
        ++endB;
    if (endA - i != endB - j) {
        const int result = endA - i < endB - j ? -1 : 1;
        i = endA;
        j = endB;
        return result;
    }
    for (; i < endA; ++i, ++j) {
        if (a[i] != b[j])
            return a[i] < b[j] ? -1 : 1;
    }
    return 0;
}

int compareFolded(const std::vector<char16_t>& a, const std::vector<char16_t>& b, bool numeric)
{
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (numeric && isDigit(a[i]) && isDigit(b[j])) {
            const int result = compareDigitRuns(a, i, b, j);
            if (result != 0)
                return result;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j] ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

// A forward search forgets the folded units it has passed in blocks of
// this many: 10 bytes a unit (the unit, its source position, its start
// flag) are kept for a block at most, instead of for the whole text.
constexpr size_t kDroppedUnits = 1 << 16;

} // namespace

int compareStrings(QStringView first, QStringView second, unsigned options)
{
    const FoldedText a = foldText(first, options);
    const FoldedText b = foldText(second, options);
    const int result = compareFolded(a.units, b.units, options & kCompareNumerically);
    if (result != 0 || !(options & kCompareForcedOrdering))
        return result;
    const int literal = first.compare(second);
    return literal < 0 ? -1 : (literal > 0 ? 1 : 0);
}

Range findString(QStringView haystack, QStringView needle, Range searchRange, unsigned options)
{
    if (needle.isEmpty() || haystack.isEmpty() || searchRange.location >= haystack.size())
        return kMissingRange;
    const qsizetype rangeStart = std::max<qsizetype>(0, searchRange.location);
    const qsizetype rangeLength = std::min(searchRange.length, haystack.size() - rangeStart);
    if (rangeLength <= 0)
        return kMissingRange;
    const QStringView slice = haystack.mid(rangeStart, rangeLength);

    const std::vector<char16_t> pattern = foldText(needle, options).units;
    if (pattern.empty())
        return kMissingRange;
    const size_t m = pattern.size();
    FoldedText text{slice, options, 0, {}, {}, {}, 0, {}};

    auto answer = [&](size_t start) {
        const size_t end = start + m;
        const qsizetype from = text.sourceStart[start];
        const qsizetype to = end < text.units.size() ? text.sourceStart[end] : slice.size();
        return Range{rangeStart + from, to - from};
    };
    // The unit after a candidate must be folded too: the boundary test and
    // the matched range's end both look at it.
    auto accept = [&](size_t start) {
        return matchesAt(text, pattern, start) && isBoundaryMatch(text, start, start + m, pattern.front());
    };

    const bool anchored = options & kCompareAnchored;
    if (options & kCompareBackwards) {
        text.foldUntil(SIZE_MAX);
        if (m > text.units.size())
            return kMissingRange;
        for (size_t start = text.units.size() - m + 1; start-- > 0;) {
            if (accept(start))
                return answer(start);
            if (anchored)
                break;
        }
        return kMissingRange;
    }
    for (size_t start = 0;; ++start) {
        if (start >= kDroppedUnits) {
            text.dropFront(start);
            start = 0;
        }
        text.foldUntil(start + m + 1);
        if (start + m > text.units.size())
            return kMissingRange;
        if (accept(start))
            return answer(start);
        if (anchored)
            return kMissingRange;
    }
}

Range findString(QStringView haystack, QStringView needle, unsigned options)
{
    return findString(haystack, needle, Range{0, haystack.size()}, options);
}

bool containsString(QStringView haystack, QStringView needle, unsigned options)
{
    return !findString(haystack, needle, options).isMissing();
}

namespace {

// Every character that full case folding changes, with the code points of
// its folding; built once. Changes_When_Casefolded is not the set to fold:
// it compares with the canonical decomposition, so a character folding to
// its own decomposition (U+0390 to U+03B9 U+0308 U+0301, U+01F0 to "j"
// U+030C, U+1FBE to U+03B9) is not in it. Changes_When_Casemapped holds
// those and every Changes_When_Casefolded character, and it is built from
// the case data alone: a quarter of the time of a set that also needs the
// normalization data, which an ignoring-case search pays before it starts.
// (The platform tests fold every code point to check the set.)
const std::vector<std::pair<char32_t, std::u32string>>& changingFolds()
{
    static const std::vector<std::pair<char32_t, std::u32string>> folds = [] {
        std::vector<std::pair<char32_t, std::u32string>> result;
        UErrorCode status = U_ZERO_ERROR;
        USet* changing = uset_openEmpty();
        uset_applyIntPropertyValue(changing, UCHAR_CHANGES_WHEN_CASEMAPPED, 1, &status);
        if (U_FAILURE(status)) {
            uset_close(changing);
            return result;
        }
        UChar folded[32];
        for (int32_t item = 0; item < uset_getItemCount(changing); ++item) {
            UChar32 first = 0;
            UChar32 last = 0;
            status = U_ZERO_ERROR;
            if (uset_getItem(changing, item, &first, &last, nullptr, 0, &status) != 0)
                continue;
            for (UChar32 c = first; c <= last; ++c) {
                UChar source[2];
                int32_t length = 0;
                U16_APPEND_UNSAFE(source, length, c);
                status = U_ZERO_ERROR;
                const int32_t produced = u_strFoldCase(folded, 32, source, length, U_FOLD_CASE_DEFAULT, &status);
                if (U_FAILURE(status))
                    continue;
                std::u32string points;
                for (int32_t i = 0; i < produced;) {
                    UChar32 unit = 0;
                    U16_NEXT(folded, i, produced, unit);
                    points.push_back(char32_t(unit));
                }
                if (points != std::u32string(1, char32_t(c)))
                    result.emplace_back(char32_t(c), std::move(points));
            }
        }
        uset_close(changing);
        return result;
    }();
    return folds;
}

} // namespace

const std::vector<char32_t>& charactersFoldingToAscii()
{
    static const std::vector<char32_t> characters = [] {
        std::vector<char32_t> result;
        for (const auto& [c, folded] : changingFolds()) {
            if (c >= 0x80 && std::any_of(folded.begin(), folded.end(), [](char32_t u) { return u < 0x80; }))
                result.push_back(c);
        }
        return result;
    }();
    return characters;
}

std::vector<char32_t> caseVariants(char32_t c)
{
    std::vector<char32_t> variants{c};
    for (const auto& [source, folded] : changingFolds()) {
        if (source != c && folded.find(c) != std::u32string::npos)
            variants.push_back(source);
    }
    std::sort(variants.begin(), variants.end());
    return variants;
}

QString foldedCase(QStringView text)
{
    const std::vector<char16_t> units = foldText(text, kCompareCaseInsensitive | kCompareLiteral).units;
    return QString(reinterpret_cast<const QChar*>(units.data()), qsizetype(units.size()));
}

StringSetFinder::StringSetFinder(const QList<QString>& needles, unsigned options)
    : m_options(options & ~unsigned(kCompareBackwards | kCompareAnchored))
{
    for (const QString& needle : needles) {
        m_needles.push_back(foldText(needle, m_options).units);
        const std::vector<char16_t>& folded = m_needles.back();
        if (folded.empty())
            continue;
        m_firstUnits[folded.front() >> 6] |= std::uint64_t(1) << (folded.front() & 63);
        m_longestNeedle = std::max(m_longestNeedle, qsizetype(folded.size()));
    }
    // Literal case folding gives every code point at least one unit: a
    // match covers at most one code point (two units) per needle unit.
    const bool bounded = (m_options & kCompareLiteral) && !(m_options & kCompareDiacriticInsensitive);
    m_longestSourceMatch = bounded ? 2 * m_longestNeedle + 2 : -1;
}

qsizetype StringSetFinder::findIn(QStringView text, std::vector<char>& found, qsizetype enough, bool textGoesOn,
                                  const std::function<bool()>& shouldStop) const
{
    constexpr size_t kStopCheckUnits = 4096;
    qsizetype marked = std::count(found.begin(), found.end(), char(1));
    if (marked >= enough || text.isEmpty() || m_longestNeedle == 0)
        return marked;
    FoldedText folded{text, m_options, 0, {}, {}, {}, 0, {}};
    const auto longest = static_cast<size_t>(m_longestNeedle);
    for (size_t start = 0;; ++start) {
        if (start % kStopCheckUnits == 0) {
            if (shouldStop && shouldStop())
                return marked;
            if (start >= kDroppedUnits) {
                folded.dropFront(start);
                start = 0;
            }
            // Fold ahead in blocks; one unit beyond the longest needle
            // decides the boundary of a match that ends there.
            folded.foldUntil(start + longest + 1 + kStopCheckUnits);
        }
        if (start >= folded.units.size())
            return marked;
        const char16_t unit = folded.units[start];
        if (!(m_firstUnits[unit >> 6] & (std::uint64_t(1) << (unit & 63))))
            continue;
        for (size_t i = 0; i < m_needles.size(); ++i) {
            const std::vector<char16_t>& needle = m_needles[i];
            if (found[i] || needle.empty() || needle.front() != unit)
                continue;
            const size_t end = start + needle.size();
            if (end > folded.units.size() || (end == folded.units.size() && textGoesOn))
                continue;
            if (matchesAt(folded, needle, start) && isBoundaryMatch(folded, start, end, needle.front())) {
                found[i] = 1;
                if (++marked >= enough)
                    return marked;
            }
        }
    }
}

} // namespace sorvant
