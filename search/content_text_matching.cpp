#include "search/content_text_matching.h"

#include "platform/log.h"
#include "platform/string_compare.h"
#include "platform/string_encoding.h"
#include "platform/string_encoding_scan.h"
#include "search/content_file_label.h"
#include "search/fast_word_enumerator.h"
#include "search/query_terms.h"
#include "search/search_params.h"
#include "search/stop_check.h"
#include "search/wildcard_patterns.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <map>

namespace sorvant {

namespace {

// A linear scan costs the engine about one step per thousand units, so the
// budget grows with the text; a backtracking pattern spends it long before
// a real scan would.
constexpr qsizetype kUnitsPerExtraStep = 1000;

// Whether `regex` matches the text `enumerate` hands it, of `length`
// units, within the record's step budget (the budget spent is logged,
// naming `file` when there is one).
template <typename Enumerate>
bool matchesRegularExpressionIn(const RegularExpression& regex, qsizetype length, const SearchParams& params,
                                const FileLabel* file, Enumerate enumerate)
{
    const std::atomic<bool>& stop = params.stop;
    RegularExpressionLimits limits;
    limits.stepLimit = params.regexStepLimit <= 0
                           ? 0
                           : std::int32_t(std::min<qsizetype>(params.regexStepLimit + length / kUnitsPerExtraStep,
                                                              INT32_MAX));
    limits.shouldStop = [&stop] { return stop.load(std::memory_order_relaxed); };
    bool found = false;
    const RegularExpressionStatus status = enumerate(limits, [&found](const RegularExpressionMatch&) {
        found = true;
        return true;
    });
    if (status == kRegexTimedOut && file)
        logWarning(QStringLiteral("Regular expression \"%1\" gave up on %2 (%3 characters): too slow")
                       .arg(regex.pattern(), file->path())
                       .arg(length));
    else if (status == kRegexTimedOut)
        logWarning(QStringLiteral("Regular expression \"%1\" gave up on a text of %2 characters: too slow")
                       .arg(regex.pattern())
                       .arg(length));
    return found;
}

bool matchesRegularExpression(const RegularExpression& regex, const QString& text, const SearchParams& params,
                              const FileLabel* file)
{
    return matchesRegularExpressionIn(
        regex, text.size(), params, file,
        [&](const RegularExpressionLimits& limits, const RegularExpression::MatchHandler& handler) {
            return regex.enumerateMatches(text, Range{0, text.size()}, 0, limits, handler);
        });
}

// The same over 8-bit text, each byte the unit `byteUnits` gives it.
bool matchesRegularExpressionInBytes(const RegularExpression& regex, QByteArrayView bytes,
                                     const std::array<char16_t, 256>& byteUnits, const SearchParams& params,
                                     const FileLabel* file)
{
    return matchesRegularExpressionIn(
        regex, bytes.size(), params, file,
        [&](const RegularExpressionLimits& limits, const RegularExpression::MatchHandler& handler) {
            return regex.enumerateMatchesInBytes(bytes, byteUnits, Range{0, bytes.size()}, 0, limits, handler);
        });
}

bool isAscii(QStringView text)
{
    char16_t any = 0;
    for (const QChar c : text)
        any |= c.unicode();
    return any < 0x80;
}

char16_t asciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}

// The platform's find restricted to ASCII on both sides, where full case
// folding is ASCII lower case and canonical equivalence changes nothing, so
// the answer is the same without folding the text.
bool containsAsciiString(QStringView haystack, QStringView needle, bool ignoreCase)
{
    if (needle.isEmpty() || needle.size() > haystack.size())
        return false;
    if (!ignoreCase)
        return haystack.contains(needle);
    const char16_t first = asciiLower(needle.front().unicode());
    const qsizetype last = haystack.size() - needle.size();
    for (qsizetype i = 0; i <= last; ++i) {
        if (asciiLower(haystack[i].unicode()) != first)
            continue;
        qsizetype j = 1;
        while (j < needle.size() && asciiLower(haystack[i + j].unicode()) == asciiLower(needle[j].unicode()))
            ++j;
        if (j == needle.size())
            return true;
    }
    return false;
}

// Finds one word; `asciiText` says whether the text is all ASCII.
bool containsWord(const QString& text, bool asciiText, const QString& word, unsigned options)
{
    if (asciiText && isAscii(word))
        return containsAsciiString(text, word, options & kCompareCaseInsensitive);
    return containsString(text, word, options);
}

// The same over a text of one or two bytes a character, of `length` units.
bool matchesRegularExpressionInDoubleBytes(const RegularExpression& regex, QByteArrayView bytes,
                                           const DoubleByteUnits& units, qsizetype length, const SearchParams& params,
                                           const FileLabel* file)
{
    return matchesRegularExpressionIn(
        regex, length, params, file,
        [&](const RegularExpressionLimits& limits, const RegularExpression::MatchHandler& handler) {
            return regex.enumerateMatchesInDoubleBytes(bytes, units, Range{0, bytes.size()}, 0, limits, handler);
        });
}

} // namespace

bool matchString(const QString& string, const SearchParams& params, unsigned findOptions, const StopCheck* stop,
                 const FileLabel* file)
{
    if (string.isNull())
        return false;
    // Only case is ever ignored in plain word search; diacritics and fuzzy
    // act through query terms and highlighting. Words are found as they
    // are written (literally): no canonical equivalence.
    const unsigned options = (findOptions & kCompareCaseInsensitive) | kCompareLiteral;
    const qsizetype count = params.words.size();
    const bool asciiText = params.mode <= kSearchPhrase && isAscii(string);
    switch (params.mode) {
    case kSearchAllWords:
        for (qsizetype i = count; i-- > 0;) {
            if (!containsWord(string, asciiText, params.words.at(i), options))
                return false;
        }
        return true;
    case kSearchAnyWord:
        for (qsizetype i = count; i-- > 0;) {
            if (containsWord(string, asciiText, params.words.at(i), options))
                return true;
        }
        return false;
    case kSearchPhrase:
        return count > 0 && containsWord(string, asciiText, params.words.at(0), options);
    case kSearchWildcards:
        return (params.comparison & 1) ? isCaseInsensitiveLikeUnixWildcard(string, params.wildcard, stop)
                                       : isLikeUnixWildcard(string, params.wildcard, stop);
    case kSearchQueryTerms:
        return params.queryTerms
               && params.queryTerms->matchesStringComparison(string, unsigned(params.comparison), stop);
    case kSearchRegularExpression:
        return params.regex.isValid() && matchesRegularExpression(params.regex, string, params, file);
    default:
        return false;
    }
}

bool searchWindowMatchString(const QString& string, const SearchParams& params, unsigned findOptions)
{
    return matchString(string, params, findOptions, nullptr);
}

const ByteUnits* singleByteUnits(const QByteArray& converter)
{
    thread_local std::map<QByteArray, std::optional<ByteUnits>> known;
    const auto [place, added] = known.try_emplace(converter);
    std::optional<ByteUnits>& entry = place->second;
    if (!added)
        return entry ? &*entry : nullptr;
    UErrorCode status = U_ZERO_ERROR;
    UConverter* const icu = ucnv_open(converter.constData(), &status);
    if (U_FAILURE(status))
        return nullptr;
    ucnv_setToUCallBack(icu, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ByteUnits table;
    bool oneUnitEach = U_SUCCESS(status) && ucnv_getMaxCharSize(icu) == 1 && ucnv_getMinCharSize(icu) == 1;
    for (int b = 0; b < 256 && oneUnitEach; ++b) {
        const char byte = char(b);
        UChar units[4];
        status = U_ZERO_ERROR;
        ucnv_reset(icu);
        const std::int32_t length = ucnv_toUChars(icu, units, 4, &byte, 1, &status);
        table.valid[size_t(b)] = U_SUCCESS(status) && length == 1;
        // A byte the set leaves out reads as U+FFFD, as the converter that
        // replaces such bytes reads it.
        table.units[size_t(b)] = table.valid[size_t(b)] ? char16_t(units[0]) : u'\uFFFD';
        oneUnitEach = U_FAILURE(status) || length == 1;
    }
    ucnv_close(icu);
    if (oneUnitEach)
        entry = table;
    return entry ? &*entry : nullptr;
}

const DoubleByteUnits* doubleByteUnitsOf(const QByteArray& converter)
{
    thread_local std::map<QByteArray, std::optional<DoubleByteUnits>> known;
    const auto [place, added] = known.try_emplace(converter);
    if (added)
        place->second = doubleByteUnits(converter);
    return place->second ? &*place->second : nullptr;
}

namespace {

// matchesDeclaredText for a set of one or two bytes a character, of
// `length` characters.
bool matchesDoubleBytes(const QByteArray& bytes, const DoubleByteUnits& units, qsizetype length,
                        const SearchParams& params, const StopCheck& stop, const FileLabel& file)
{
    if (length == 0)
        return false;
    if (params.mode == kSearchRegularExpression)
        return params.regex.isValid()
               && matchesRegularExpressionInDoubleBytes(params.regex, bytes, units, length, params, &file);
    return isLikeUnixWildcardInDoubleBytes(bytes, units, params.wildcard, params.comparison & 1, &stop);
}

} // namespace

bool matchesDeclaredText(const DeclaredText& text, const SearchParams& params, const StopCheck& stop,
                         const FileLabel& file)
{
    if (text.pairs != nullptr)
        return matchesDoubleBytes(text.bytes, *text.pairs, text.length, params, stop, file);
    // An empty file matches nothing, as its text does not (an expression
    // such as ".*" would find the empty match in it).
    if (text.bytes.isEmpty() || text.table == nullptr)
        return false;
    if (params.mode == kSearchRegularExpression)
        return params.regex.isValid()
               && matchesRegularExpressionInBytes(params.regex, text.bytes, text.table->units, params, &file);
    return isLikeUnixWildcardInBytes(text.bytes, text.table->units.data(), params.wildcard, params.comparison & 1,
                                     &stop);
}

// --- query terms over declared 8-bit text, in windows -------------------------------

namespace {

// The leaves of a tree of query terms and the most words a hit of one
// covers (a phrase's words); null for a tree with a proximity operator
// that counts words (a distance of 0 is AND).
struct TermLeaves
{
    std::vector<const QueryTerms*> leaves;
    qsizetype longestHit = 1;
};

bool collectTermLeaves(const QueryTerms& node, TermLeaves& terms)
{
    if (node.isWord()) {
        terms.leaves.push_back(&node);
        // As the finder splits a term of three units or more.
        if (node.term().size() >= 3)
            terms.longestHit = std::max(terms.longestHit, wordsUsingWildcardSeparation(node.term()).size());
        return true;
    }
    const std::vector<QueryTerms>& children = node.children();
    for (std::size_t k = 0; k < children.size(); ++k) {
        const QueryOperator op = children[k].queryOperator();
        if (k > 0 && node.commonOperator() != kQueryOr && op >= kQueryNear && op <= kQueryNext
            && children[k].proximityDistance() != 0)
            return false;
        if (!collectTermLeaves(children[k], terms))
            return false;
    }
    return true;
}

// The tree's answer from whether each leaf is found somewhere in the text,
// folding each group left to right as its evaluation does (proximity of
// distance 0 is AND, OPT changes nothing).
bool holdsByPresence(const QueryTerms& node, const std::map<const QueryTerms*, bool>& found)
{
    if (node.isWord())
        return found.at(&node) != node.queryNot();
    const std::vector<QueryTerms>& children = node.children();
    if (children.empty())
        return node.queryNot();
    bool result = holdsByPresence(children.front(), found);
    for (std::size_t k = 1; k < children.size(); ++k) {
        QueryOperator op = node.commonOperator() == kQueryOr ? kQueryOr : children[k].queryOperator();
        if (op >= kQueryNear && op <= kQueryNext)
            op = kQueryAnd;
        if ((op == kQueryAnd && result) || (op == kQueryOr && !result))
            result = holdsByPresence(children[k], found);
        else if (op == kQueryXor)
            result = result != holdsByPresence(children[k], found);
    }
    return result != node.queryNot();
}

// Where the window `text` (not the text's end) is cut and where the next
// one starts, both after a separator, so that every word lies whole in a
// window and a hit of up to `longestHit` words cut by the end of one lies
// whole in the next; nullopt when the cut would move on by less than a
// quarter of `window` (a word as long as a window), or on a stop.
std::optional<std::pair<qsizetype, qsizetype>> windowCut(const QString& text, qsizetype longestHit,
                                                        qsizetype window, const StopCheck& stop)
{
    const auto index = FastWordEnumerator::enumeratorWithString(text, false, false, &stop);
    if (!index)
        return std::nullopt;
    const std::uint8_t* flags = index->index();
    qsizetype cut = text.size();
    while (cut > 0 && !(flags[cut - 1] & kWordSeparatorFlag))
        --cut;
    // The next window repeats the last longestHit - 1 words before the cut.
    qsizetype next = cut;
    qsizetype repeated = longestHit - 1;
    for (qsizetype p = cut - 1; repeated > 0 && p >= 0; --p) {
        if (flags[p] & kWordBeginningFlag) {
            next = p;
            --repeated;
        }
    }
    if (cut == 0 || repeated > 0 || next < window / 4)
        return std::nullopt;
    return std::pair{cut, next};
}

} // namespace

bool hasTermsAnsweredInWindows(const SearchParams& params)
{
    TermLeaves terms;
    return params.queryTerms && collectTermLeaves(*params.queryTerms, terms);
}

std::optional<bool> matchesDeclaredTextTerms(const DeclaredText& declared, const SearchParams& params,
                                             const StopCheck& stop, qsizetype window)
{
    TermLeaves terms;
    if (!params.queryTerms || !collectTermLeaves(*params.queryTerms, terms)
        || (declared.table == nullptr && declared.pairs == nullptr))
        return std::nullopt;
    const QByteArray& bytes = declared.bytes;
    const ByteUnits* table = declared.table;
    const DoubleByteUnits* pairs = declared.pairs;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* const textEnd = data + bytes.size();
    // The characters from byte `from` (a character's start) up to `to`,
    // into `text`, with the offset from `from` of each of two-byte text;
    // answers the byte where they end (a character of two bytes may end one
    // past `to`).
    QString text;
    std::vector<std::int32_t> offsets;
    const auto decode = [&](qsizetype from, qsizetype to) {
        if (table != nullptr) {
            text.resize(to - from);
            std::transform(data + from, data + to, reinterpret_cast<char16_t*>(text.data()),
                           [table](unsigned char b) { return table->units[b]; });
            return to;
        }
        text.resize(to - from + 1); // at most a unit a byte
        offsets.resize(size_t(to - from + 2));
        auto* const units = reinterpret_cast<char16_t*>(text.data());
        std::int32_t* const offsetOf = offsets.data();
        const unsigned char* const first = data + from;
        qsizetype count = 0;
        const qsizetype at =
            readCharacters(*pairs, first, data + to, textEnd,
                           [&](const unsigned char* character, char16_t unit, unsigned char /*length*/) {
                               offsetOf[count] = std::int32_t(character - first);
                               units[count++] = unit;
                           })
            - data;
        offsets[size_t(count)] = std::int32_t(at - from);
        text.truncate(count);
        return at;
    };
    // The byte of unit `unit` of the window that starts at byte `from`.
    const auto byteOf = [&](qsizetype from, qsizetype unit) {
        return table != nullptr ? from + unit : from + offsets[size_t(unit)];
    };
    initWildcardTables();
    std::map<const QueryTerms*, bool> found;
    for (const QueryTerms* leaf : terms.leaves)
        found[leaf] = false;
    // A leaf once found stays found: when all are, no window can change
    // the answer.
    std::size_t unfound = found.size();
    for (qsizetype start = 0; start < bytes.size() && unfound > 0;) {
        const qsizetype end = decode(start, std::min(bytes.size(), start + window));
        qsizetype next = bytes.size();
        if (end < bytes.size()) {
            const auto cut = windowCut(text, terms.longestHit, window, stop);
            if (!cut)
                return stop.shouldStop(0) ? std::optional(false) : std::nullopt;
            text.truncate(cut->first);
            next = byteOf(start, cut->second);
        }
        for (auto& [leaf, isFound] : found) {
            if (isFound)
                continue;
            isFound = leaf->matchesStringComparison(text, unsigned(params.comparison), &stop) != leaf->queryNot();
            unfound -= isFound ? 1 : 0;
        }
        if (stop.shouldStop(0))
            return false;
        start = next;
    }
    return holdsByPresence(*params.queryTerms, found);
}

} // namespace sorvant
