#include "platform/regular_expression.h"

#include "platform/localized_text.h"
#include "platform/string_encoding.h"
#include "platform/string_encoding_scan.h"

#include <unicode/uregex.h>
#include <unicode/utext.h>
#include <unicode/utypes.h>

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

namespace sorvant {

// The compiled pattern, never matched directly: ICU matchers carry their
// text and position, so each search clones it (the clone shares the
// pattern's compiled form).
struct RegularExpression::Compiled
{
    URegularExpression* regex = nullptr;
    ~Compiled() { uregex_close(regex); }
};

namespace {

// The system's compile options, each translated to ICU's flag of the same
// meaning. The numbers differ (ICU's 16 is "literal", its 8 "multiline"),
// so this table is the only place where the two meet.
struct OptionName
{
    unsigned option;
    uint32_t icuFlag;
};
constexpr OptionName kOptionNames[] = {
    {kRegexCaseInsensitive, UREGEX_CASE_INSENSITIVE},
    {kRegexAllowCommentsAndWhitespace, UREGEX_COMMENTS},
    {kRegexIgnoreMetacharacters, UREGEX_LITERAL},
    {kRegexDotMatchesLineSeparators, UREGEX_DOTALL},
    {kRegexAnchorsMatchLines, UREGEX_MULTILINE},
    {kRegexUseUnixLineSeparators, UREGEX_UNIX_LINES},
    {kRegexUseUnicodeWordBoundaries, UREGEX_UWORD},
};

// ICU's flags for `options`; false when a bit has no meaning.
bool icuFlagsForOptions(unsigned options, uint32_t* flags)
{
    *flags = 0;
    unsigned known = 0;
    for (const OptionName& name : kOptionNames) {
        known |= name.option;
        if (options & name.option)
            *flags |= name.icuFlag;
    }
    return (options & ~known) == 0;
}

const UChar* unitsOf(const QString& string)
{
    return reinterpret_cast<const UChar*>(string.utf16());
}

struct MatcherCloser
{
    void operator()(URegularExpression* regex) const { uregex_close(regex); }
};
using Matcher = std::unique_ptr<URegularExpression, MatcherCloser>;

// The engine asks this while a match runs; answering false ends the match
// with U_REGEX_STOPPED_BY_CALLER.
UBool U_CALLCONV askStopTest(const void* context, int32_t /*steps*/)
{
    const auto* test = static_cast<const std::function<bool()>*>(context);
    return !(*test)();
}

RegularExpressionMatch readMatch(URegularExpression* matcher, int32_t groups)
{
    RegularExpressionMatch match;
    match.ranges.reserve(groups + 1);
    for (int32_t group = 0; group <= groups; ++group) {
        UErrorCode status = U_ZERO_ERROR;
        const int64_t start = uregex_start64(matcher, group, &status);
        const int64_t end = uregex_end64(matcher, group, &status);
        if (U_FAILURE(status) || start < 0)
            match.ranges.append(kMissingRange);
        else
            match.ranges.append(makeRange(start, end - start));
    }
    return match;
}

RegularExpressionStatus statusOfFailure(UErrorCode status)
{
    if (status == U_REGEX_TIME_OUT)
        return kRegexTimedOut;
    if (status == U_REGEX_STOPPED_BY_CALLER)
        return kRegexStopped;
    return kRegexFailed;
}

// A clone of `compiled`, ready for its text.
Matcher cloneMatcher(URegularExpression* compiled)
{
    UErrorCode status = U_ZERO_ERROR;
    Matcher matcher(uregex_clone(compiled, &status));
    return U_SUCCESS(status) ? std::move(matcher) : nullptr;
}

// Sets the region [start, end) of the matcher's text, the bounds and the
// limits; false on an engine error (one left by setting the text included).
bool prepareMatcher(URegularExpression* matcher, qsizetype start, qsizetype end, unsigned matchingOptions,
                    const RegularExpressionLimits& limits, UErrorCode status)
{
    uregex_setRegion64(matcher, start, end, &status);
    uregex_useTransparentBounds(matcher, (matchingOptions & kMatchWithTransparentBounds) != 0, &status);
    uregex_useAnchoringBounds(matcher, (matchingOptions & kMatchWithoutAnchoringBounds) == 0, &status);
    uregex_setTimeLimit(matcher, limits.stepLimit > 0 ? limits.stepLimit : 0, &status);
    if (limits.shouldStop)
        uregex_setMatchCallback(matcher, askStopTest, &limits.shouldStop, &status);
    return U_SUCCESS(status);
}

// Hands the matches of a prepared matcher to `handler`, in order.
RegularExpressionStatus runMatcher(URegularExpression* matcher, unsigned matchingOptions,
                                   const RegularExpressionLimits& limits,
                                   const RegularExpression::MatchHandler& handler)
{
    UErrorCode status = U_ZERO_ERROR;
    const int32_t groups = uregex_groupCount(matcher, &status);
    const bool anchored = matchingOptions & kMatchAnchored;
    // findNext resumes at the previous match's end, and one code point
    // further only after an empty match: a match that begins right where
    // the previous one ended is never skipped.
    for (bool first = true;; first = false) {
        if (limits.shouldStop && limits.shouldStop())
            return kRegexStopped;
        const bool found = anchored ? (first && uregex_lookingAt64(matcher, -1, &status))
                                    : uregex_findNext(matcher, &status);
        if (U_FAILURE(status))
            return statusOfFailure(status);
        if (!found)
            return kRegexCompleted;
        if (handler && handler(readMatch(matcher, groups)))
            return kRegexHandlerStop;
    }
}

// The end of `range` cut at `size`, or -1 when the range starts outside it.
qsizetype endOfRange(Range range, qsizetype size)
{
    if (range.location < 0 || range.location > size || range.length < 0)
        return -1;
    return range.length > size - range.location ? size : range.maxRange();
}

// --- 8-bit text as a UText ------------------------------------------------------

// A UText over bytes that each stand for one unit of a table: native
// indexes are byte offsets and unit offsets at once. The bytes are
// `context`, the table `p`, the length `a`; the decoded piece lives in the
// UText's own extra space, so a (shallow) clone, as the engine makes of its
// text, decodes into its own.
constexpr int32_t kPieceUnits = int32_t(2 * kRegexByteTextSeam);

int64_t byteTextLength(const UText* ut)
{
    return ut->a;
}

// Decodes the piece that holds `index` (reading forward) or the unit before
// it (reading backward): pieces begin at multiples of the seam, a forward
// one a seam before the index's, so that either way a seam of text lies on
// the other side. Answers whether there is a unit that way.
UBool U_CALLCONV byteTextAccess(UText* ut, int64_t index, UBool forward)
{
    const int64_t length = byteTextLength(ut);
    index = std::clamp<int64_t>(index, 0, length);
    const bool has = forward ? index < length : index > 0;
    // In the piece at hand (or at an end of the text it reaches).
    const int64_t pieceStart = ut->chunkNativeStart;
    const int64_t pieceLimit = ut->chunkNativeLimit;
    if (forward ? (index >= pieceStart && (index < pieceLimit || (index == pieceLimit && index == length)))
                : (index <= pieceLimit && (index > pieceStart || (index == pieceStart && index == 0)))) {
        ut->chunkOffset = int32_t(index - pieceStart);
        return has;
    }
    // Else a new piece: the one holding the unit at `index` (`after`) or the
    // one before it; at the text's end, the one reaching it.
    const bool after = length > 0 && (forward ? index < length : index == 0);
    int64_t start = 0;
    if (after)
        start = std::max<int64_t>(0, (index / kRegexByteTextSeam - 1) * kRegexByteTextSeam);
    else if (length > 0)
        start = (index - 1) / kRegexByteTextSeam * kRegexByteTextSeam;
    const int64_t limit = std::min<int64_t>(start + kPieceUnits, length);
    const auto* bytes = static_cast<const unsigned char*>(ut->context);
    const auto* units = static_cast<const char16_t*>(ut->p);
    auto* piece = static_cast<UChar*>(ut->pExtra);
    for (int64_t i = start; i < limit; ++i)
        piece[i - start] = units[bytes[i]];
    ut->chunkContents = piece;
    ut->chunkNativeStart = start;
    ut->chunkNativeLimit = limit;
    ut->chunkLength = int32_t(limit - start);
    ut->nativeIndexingLimit = ut->chunkLength;
    ut->chunkOffset = int32_t(index - start);
    return has;
}

int64_t U_CALLCONV byteTextNativeLength(UText* ut)
{
    return byteTextLength(ut);
}

// Whether an extract's arguments are sound; else the status says why.
bool isExtractAsked(int64_t start, int64_t limit, const UChar* dest, int32_t capacity, UErrorCode* status)
{
    if (U_FAILURE(*status))
        return false;
    if (capacity < 0 || (dest == nullptr && capacity > 0) || start > limit) {
        *status = U_ILLEGAL_ARGUMENT_ERROR;
        return false;
    }
    return true;
}

// Ends `count` units extracted into `dest`: terminated where it has room,
// else the status says the text was cut or not terminated.
int32_t terminateExtract(UChar* dest, int32_t count, int32_t capacity, UErrorCode* status)
{
    if (count < capacity)
        dest[count] = 0;
    else
        *status = count == capacity ? U_STRING_NOT_TERMINATED_WARNING : U_BUFFER_OVERFLOW_ERROR;
    return count;
}

// Units [start, limit) into `dest`, terminated where it has room; the
// position is left at the limit, as ICU's own texts leave it.
int32_t U_CALLCONV byteTextExtract(UText* ut, int64_t start, int64_t limit, UChar* dest, int32_t capacity,
                                   UErrorCode* status)
{
    if (!isExtractAsked(start, limit, dest, capacity, status))
        return 0;
    const int64_t length = byteTextLength(ut);
    start = std::clamp<int64_t>(start, 0, length);
    limit = std::clamp<int64_t>(limit, 0, length);
    const auto* bytes = static_cast<const unsigned char*>(ut->context);
    const auto* units = static_cast<const char16_t*>(ut->p);
    const int32_t count = int32_t(limit - start);
    for (int32_t i = 0; i < std::min(count, capacity); ++i)
        dest[i] = units[bytes[start + i]];
    byteTextAccess(ut, limit, true);
    return terminateExtract(dest, count, capacity, status);
}

void U_CALLCONV byteTextClose(UText* ut)
{
    ut->context = nullptr;
    ut->p = nullptr;
}

UText* U_CALLCONV byteTextClone(UText* dest, const UText* source, UBool deep, UErrorCode* status);

constexpr UTextFuncs kByteTextFuncs = {
    sizeof(UTextFuncs), 0, 0, 0, byteTextClone, byteTextNativeLength, byteTextAccess, byteTextExtract,
    nullptr,            nullptr, nullptr, nullptr, byteTextClose, nullptr, nullptr, nullptr,
};

// Opens (or reopens) `ut` over `length` bytes and their units, at 0.
UText* openByteText(UText* ut, const void* bytes, const void* units, int64_t length, UErrorCode* status)
{
    ut = utext_setup(ut, kPieceUnits * int32_t(sizeof(UChar)), status);
    if (U_FAILURE(*status))
        return ut;
    ut->pFuncs = &kByteTextFuncs;
    ut->context = bytes;
    ut->p = units;
    ut->a = length;
    ut->chunkNativeStart = ut->chunkNativeLimit = -1; // no piece yet
    byteTextAccess(ut, 0, true);
    return ut;
}

// A shallow clone (`reopen` opening `dest` over the source's bytes) decodes
// its own pieces, from the source's index; a deep one would copy the text
// the caller means not to copy.
template <typename Reopen>
UText* cloneShallow(UText* dest, const UText* source, UBool deep, UErrorCode* status, Reopen reopen)
{
    if (U_FAILURE(*status))
        return dest;
    if (deep) {
        *status = U_UNSUPPORTED_ERROR;
        return dest;
    }
    dest = reopen(dest);
    if (U_SUCCESS(*status))
        dest->pFuncs->access(dest, utext_getNativeIndex(source), true);
    return dest;
}

UText* U_CALLCONV byteTextClone(UText* dest, const UText* source, UBool deep, UErrorCode* status)
{
    return cloneShallow(dest, source, deep, status, [&](UText* text) {
        return openByteText(text, source->context, source->p, source->a, status);
    });
}

// --- text of one or two bytes a character as a UText ------------------------------

// Bytes in a set of one or two bytes a character (DoubleByteUnits), each
// character one unit: native indexes are byte offsets. A piece is decoded
// from a mark, the first character boundary at or after a multiple of the
// seam (found for the whole text in one pass when it is opened), since a
// trail byte may look like a character of its own. A piece spans several
// seams, so that a text read forward is decoded little more than once; as
// the 8-bit text's, a forward one starts a seam before the index's and a
// backward one ends a seam or more after it, so either way a seam of text
// lies on the other side.
struct DoubleByteSource
{
    const unsigned char* bytes = nullptr;
    int64_t length = 0;
    const DoubleByteUnits* units = nullptr;
    std::vector<int64_t> marks; // marks[k]: the first boundary at or after k seams; the last is the length
};

// The seams of one piece: its bytes hold at most that many seams of
// characters and one more (a mark is at most one byte past its seam).
constexpr size_t kDoublePieceSeams = 8;
constexpr int32_t kDoublePieceUnits = int32_t(kDoublePieceSeams * kRegexByteTextSeam) + 2;

// The decoded piece, in the UText's extra space: the units, the byte
// offset of each from the piece's start (the piece's byte length last),
// and the unit that holds each byte (the unit count at the limit), so that
// the engine's moves between indexes cost a lookup either way.
struct DoublePiece
{
    UChar units[kDoublePieceUnits];
    int32_t offsets[kDoublePieceUnits + 1];
    int16_t unitOfByte[kDoublePieceUnits + 1];
};

const DoubleByteSource& doubleByteSource(const UText* ut)
{
    return *static_cast<const DoubleByteSource*>(ut->context);
}

DoublePiece& doublePiece(UText* ut)
{
    return *static_cast<DoublePiece*>(ut->pExtra);
}

// The start of the character holding byte `index` (or `index` at the end).
int64_t characterStart(const DoubleByteSource& source, int64_t index)
{
    if (index >= source.length)
        return source.length;
    size_t k = size_t(index / kRegexByteTextSeam);
    if (source.marks[k] > index)
        --k; // a mark is at most one byte past its seam
    int64_t start = source.marks[k];
    const unsigned char* const end = source.bytes + source.length;
    for (int64_t at = start; at <= index; at += source.units->lengthAt(source.bytes + at, end))
        start = at;
    return start;
}

// Decodes the piece from mark `first` to the mark a piece's seams on.
void decodeDoublePiece(UText* ut, size_t first)
{
    const DoubleByteSource& source = doubleByteSource(ut);
    const int64_t start = source.marks[first];
    const int64_t limit = source.marks[std::min(first + kDoublePieceSeams, source.marks.size() - 1)];
    DoublePiece& piece = doublePiece(ut);
    int32_t count = 0;
    const DoubleByteUnits& units = *source.units;
    const unsigned char* bytes = source.bytes + start;
    // A piece ends at a mark, a character's start, so no character is cut
    // by its limit; the text's end decides a lead byte that ends it.
    const unsigned char* const end = source.bytes + source.length;
    readCharacters(units, bytes, bytes + (limit - start), end,
                   [&piece, &count, bytes](const unsigned char* at, char16_t unit, unsigned char length) {
                       const auto offset = int32_t(at - bytes);
                       piece.offsets[count] = offset;
                       piece.units[count] = unit;
                       piece.unitOfByte[offset] = int16_t(count);
                       if (length == 2)
                           piece.unitOfByte[offset + 1] = int16_t(count);
                       ++count;
                   });
    piece.offsets[count] = int32_t(limit - start);
    piece.unitOfByte[limit - start] = int16_t(count);
    int32_t oneByteEach = 0; // how far units and bytes count alike
    while (oneByteEach < count && piece.offsets[oneByteEach + 1] == oneByteEach + 1)
        ++oneByteEach;
    ut->chunkContents = piece.units;
    ut->chunkNativeStart = start;
    ut->chunkNativeLimit = limit;
    ut->chunkLength = count;
    ut->nativeIndexingLimit = oneByteEach;
}

// The unit of the piece at hand that holds byte `index` of it (its length
// at the piece's limit).
int32_t pieceOffsetOf(const UText* ut, int64_t index)
{
    return static_cast<const DoublePiece*>(ut->pExtra)->unitOfByte[index - ut->chunkNativeStart];
}

UBool U_CALLCONV doubleByteTextAccess(UText* ut, int64_t index, UBool forward)
{
    const DoubleByteSource& source = doubleByteSource(ut);
    const int64_t length = source.length;
    index = std::clamp<int64_t>(index, 0, length);
    const int64_t pieceStart = ut->chunkNativeStart;
    const int64_t pieceLimit = ut->chunkNativeLimit;
    const bool inPiece = forward ? index >= pieceStart && (index < pieceLimit || (index == pieceLimit && index == length))
                                 : index <= pieceLimit && (index > pieceStart || (index == pieceStart && index == 0));
    if (!inPiece) {
        // The piece of the character at `index` (forward) or of the one
        // before it; at the text's end, the one reaching it.
        size_t first = 0;
        if (forward && index < length) {
            const auto seam = size_t(index / kRegexByteTextSeam);
            first = seam > 0 ? seam - 1 : 0;
        } else if (index > 0) {
            // The last mark before `index`, and the piece that reaches a
            // mark past it.
            size_t before = size_t((index - 1) / kRegexByteTextSeam);
            if (source.marks[before] >= index && before > 0)
                --before;
            first = before + 2 > kDoublePieceSeams ? before + 2 - kDoublePieceSeams : 0;
        }
        decodeDoublePiece(ut, first);
    }
    ut->chunkOffset = pieceOffsetOf(ut, index);
    // Reading backward from inside the piece's first character: the
    // character before it is in the piece before.
    if (!forward && ut->chunkOffset == 0 && ut->chunkNativeStart > 0)
        return doubleByteTextAccess(ut, ut->chunkNativeStart, false);
    return forward ? ut->chunkOffset < ut->chunkLength : ut->chunkOffset > 0;
}

int64_t U_CALLCONV doubleByteTextNativeLength(UText* ut)
{
    return doubleByteSource(ut).length;
}

int64_t U_CALLCONV doubleByteTextMapOffsetToNative(const UText* ut)
{
    return ut->chunkNativeStart + static_cast<const DoublePiece*>(ut->pExtra)->offsets[ut->chunkOffset];
}

int32_t U_CALLCONV doubleByteTextMapNativeIndexToUTF16(const UText* ut, int64_t index)
{
    return pieceOffsetOf(ut, index);
}

// The units of the characters from the one holding `start` to the one
// holding `limit` (not included) into `dest`, as byteTextExtract does.
int32_t U_CALLCONV doubleByteTextExtract(UText* ut, int64_t start, int64_t limit, UChar* dest, int32_t capacity,
                                         UErrorCode* status)
{
    if (!isExtractAsked(start, limit, dest, capacity, status))
        return 0;
    const DoubleByteSource& source = doubleByteSource(ut);
    start = characterStart(source, std::clamp<int64_t>(start, 0, source.length));
    limit = characterStart(source, std::clamp<int64_t>(limit, 0, source.length));
    int32_t count = 0;
    const unsigned char* const end = source.bytes + source.length;
    for (int64_t at = start; at < limit; ++count) {
        const DoubleByteUnits::Character character = source.units->characterAt(source.bytes + at, end);
        if (count < capacity)
            dest[count] = character.unit;
        at += character.length;
    }
    doubleByteTextAccess(ut, limit, true);
    return terminateExtract(dest, count, capacity, status);
}

UText* U_CALLCONV doubleByteTextClone(UText* dest, const UText* source, UBool deep, UErrorCode* status);

constexpr UTextFuncs kDoubleByteTextFuncs = {
    sizeof(UTextFuncs),
    0,
    0,
    0,
    doubleByteTextClone,
    doubleByteTextNativeLength,
    doubleByteTextAccess,
    doubleByteTextExtract,
    nullptr,
    nullptr,
    doubleByteTextMapOffsetToNative,
    doubleByteTextMapNativeIndexToUTF16,
    byteTextClose,
    nullptr,
    nullptr,
    nullptr,
};

// Opens (or reopens) `ut` over a source, at 0.
UText* openDoubleByteText(UText* ut, const DoubleByteSource& source, UErrorCode* status)
{
    ut = utext_setup(ut, int32_t(sizeof(DoublePiece)), status);
    if (U_FAILURE(*status))
        return ut;
    ut->pFuncs = &kDoubleByteTextFuncs;
    ut->context = &source;
    ut->chunkNativeStart = ut->chunkNativeLimit = -1; // no piece yet
    doubleByteTextAccess(ut, 0, true);
    return ut;
}

UText* U_CALLCONV doubleByteTextClone(UText* dest, const UText* source, UBool deep, UErrorCode* status)
{
    return cloneShallow(dest, source, deep, status,
                        [&](UText* text) { return openDoubleByteText(text, doubleByteSource(source), status); });
}

// The seams between two looks at the stop while marks are found: 256 KiB
// of bytes, as a file is read between two looks.
constexpr int64_t kSeamsBetweenStopLooks = 128;

// Finds the marks of a source: kRegexStopped when the stop test asks (a
// long text is not walked whole after a stop), else kRegexCompleted.
RegularExpressionStatus findMarks(DoubleByteSource& source, const RegularExpressionLimits& limits)
{
    source.marks.reserve(size_t(source.length / kRegexByteTextSeam) + 2);
    const DoubleByteUnits& units = *source.units;
    const unsigned char* const bytes = source.bytes;
    const unsigned char* at = bytes;
    for (int64_t seam = 0; seam < source.length; seam += kRegexByteTextSeam) {
        if (seam % (kSeamsBetweenStopLooks * kRegexByteTextSeam) == 0 && limits.shouldStop && limits.shouldStop())
            return kRegexStopped;
        // A character before a seam begins before the text's last byte, so
        // its trail byte is in reach.
        for (const unsigned char* const stop = bytes + seam; at < stop;) {
            if (!units.lead[*at]) {
                at = afterSingleRun(at + 1, stop, units.lead);
                continue;
            }
            // Two bytes but for what the set leaves out: a branch seldom
            // taken, where a step of the length table's would wait on its
            // lookup at every pair.
            const size_t pair = size_t(at[0]) << 8 | at[1];
            at += 2;
            if (units.pairs[pair] == DoubleByteUnits::kReplacement)
                at -= 2 - units.pairLengths[pair];
        }
        source.marks.push_back(at - bytes);
    }
    source.marks.push_back(source.length);
    return kRegexCompleted;
}

struct TextCloser
{
    void operator()(UText* text) const { utext_close(text); }
};

// Runs a clone of `regex` over the UText `open` makes, in `range` (inside
// the text).
template <typename Open>
RegularExpressionStatus runOverText(URegularExpression* regex, Range range, unsigned matchingOptions,
                                    const RegularExpressionLimits& limits,
                                    const RegularExpression::MatchHandler& handler, Open open)
{
    Matcher matcher = cloneMatcher(regex);
    if (!matcher)
        return kRegexFailed;
    UErrorCode status = U_ZERO_ERROR;
    // The engine keeps a clone of the text; this one only hands it over.
    const std::unique_ptr<UText, TextCloser> text(open(&status));
    if (U_SUCCESS(status))
        uregex_setUText(matcher.get(), text.get(), &status);
    if (!prepareMatcher(matcher.get(), range.location, range.maxRange(), matchingOptions, limits, status))
        return kRegexFailed;
    return runMatcher(matcher.get(), matchingOptions, limits, handler);
}

// What ICU's compile error means, said for a user; each key written out
// whole so that the tables' completeness test finds it.
QString compileErrorPhrase(UErrorCode status)
{
    switch (status) {
    case U_REGEX_MISSING_CLOSE_BRACKET:
        return localizedText(QStringLiteral("a bracket [ is not closed"));
    case U_REGEX_MISMATCHED_PAREN:
        return localizedText(QStringLiteral("the parentheses ( ) do not match"));
    case U_REGEX_BAD_ESCAPE_SEQUENCE:
        return localizedText(QStringLiteral("a backslash escape is not valid"));
    case U_REGEX_PROPERTY_SYNTAX:
        return localizedText(QStringLiteral("a character property name is not valid"));
    case U_REGEX_UNIMPLEMENTED:
        return localizedText(QStringLiteral("a construct that is not supported is used"));
    case U_REGEX_NUMBER_TOO_BIG:
        return localizedText(QStringLiteral("a number is too big"));
    case U_REGEX_OCTAL_TOO_BIG:
        return localizedText(QStringLiteral("an octal number is too big"));
    case U_REGEX_BAD_INTERVAL:
        return localizedText(QStringLiteral("a repetition in braces { } is not valid"));
    case U_REGEX_MAX_LT_MIN:
        return localizedText(QStringLiteral("a repetition's maximum is less than its minimum"));
    case U_REGEX_INVALID_BACK_REF:
        return localizedText(QStringLiteral("a back reference names a group that does not exist"));
    case U_REGEX_INVALID_FLAG:
        return localizedText(QStringLiteral("an option flag is not valid"));
    case U_REGEX_LOOK_BEHIND_LIMIT:
        return localizedText(QStringLiteral("a look-behind can match text of unlimited length"));
    case U_REGEX_SET_CONTAINS_STRING:
        return localizedText(QStringLiteral("a set in brackets [ ] contains a string"));
    case U_REGEX_INVALID_RANGE:
        return localizedText(QStringLiteral("a range in brackets [ ] is not valid"));
    case U_REGEX_PATTERN_TOO_BIG:
        return localizedText(QStringLiteral("the expression is too long"));
    case U_REGEX_INVALID_CAPTURE_GROUP_NAME:
        return localizedText(QStringLiteral("a group name is not valid"));
    case U_REGEX_RULE_SYNTAX:
        return localizedText(QStringLiteral("a character is out of place"));
    default:
        return localizedText(QStringLiteral("the expression is not valid"));
    }
}

// The 1-based character (code point) where ICU found the error; 0 where it
// names no place. ICU counts lines from 1 (a CR LF pair ends one line) and,
// as `offset`, the characters it has read of the error's line: the last of
// them is the one at fault.
qsizetype errorPosition(const QString& pattern, const UParseError& where)
{
    if (where.line < 1 || where.offset < 1)
        return 0;
    qsizetype before = 0; // characters of the lines before the error's
    int32_t line = 1;
    for (qsizetype i = 0; line < where.line && i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c.isLowSurrogate() && i > 0 && pattern[i - 1].isHighSurrogate())
            continue; // the second half of a character already counted
        ++before;
        if (c == u'\r' && i + 1 < pattern.size() && pattern[i + 1] == u'\n') {
            ++i;
            ++before;
        }
        if (c == u'\r' || c == u'\n' || c == QChar(0x85) || c == QChar(0x2028))
            ++line;
    }
    return before + where.offset;
}

QString compileErrorMessage(const QString& pattern, UErrorCode status, const UParseError& where)
{
    const QString phrase = compileErrorPhrase(status);
    const qsizetype position = errorPosition(pattern, where);
    if (position <= 0)
        return phrase;
    return localizedText(QStringLiteral("%1 at character %2")).arg(phrase, QString::number(position));
}

} // namespace

RegularExpression RegularExpression::compile(const QString& pattern, unsigned options, QString* errorMessage)
{
    if (errorMessage)
        errorMessage->clear();
    RegularExpression expression;
    uint32_t flags = 0;
    if (pattern.isEmpty() || !icuFlagsForOptions(options, &flags)) {
        if (errorMessage)
            *errorMessage = pattern.isEmpty() ? localizedText(QStringLiteral("the expression is empty"))
                                              : QStringLiteral("unknown options %1").arg(options);
        return expression;
    }
    UParseError where{};
    UErrorCode status = U_ZERO_ERROR;
    URegularExpression* regex =
        uregex_open(unitsOf(pattern), static_cast<int32_t>(pattern.size()), flags, &where, &status);
    if (U_FAILURE(status)) {
        uregex_close(regex);
        if (errorMessage)
            *errorMessage = compileErrorMessage(pattern, status, where);
        return expression;
    }
    auto compiled = std::make_shared<Compiled>();
    compiled->regex = regex;
    expression.m_compiled = std::move(compiled);
    expression.m_pattern = pattern;
    expression.m_options = options;
    return expression;
}

qsizetype RegularExpression::numberOfCaptureGroups() const
{
    if (!m_compiled)
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    Matcher matcher(uregex_clone(m_compiled->regex, &status));
    const int32_t groups = U_SUCCESS(status) ? uregex_groupCount(matcher.get(), &status) : 0;
    return U_SUCCESS(status) ? groups : 0;
}

RegularExpressionStatus RegularExpression::enumerateMatches(const QString& text, Range range,
                                                            unsigned matchingOptions,
                                                            const RegularExpressionLimits& limits,
                                                            const MatchHandler& handler) const
{
    const qsizetype end = endOfRange(range, text.size());
    if (!m_compiled || end < 0)
        return kRegexFailed;
    Matcher matcher = cloneMatcher(m_compiled->regex);
    if (!matcher)
        return kRegexFailed;
    // ICU wants a non-null text pointer even for an empty text.
    static const UChar kEmpty[1] = {0};
    UErrorCode status = U_ZERO_ERROR;
    uregex_setText(matcher.get(), text.isEmpty() ? kEmpty : unitsOf(text), static_cast<int32_t>(text.size()),
                   &status);
    if (!prepareMatcher(matcher.get(), range.location, end, matchingOptions, limits, status))
        return kRegexFailed;
    return runMatcher(matcher.get(), matchingOptions, limits, handler);
}

RegularExpressionStatus RegularExpression::enumerateMatchesInBytes(QByteArrayView bytes,
                                                                   const std::array<char16_t, 256>& byteUnits,
                                                                   Range range, unsigned matchingOptions,
                                                                   const RegularExpressionLimits& limits,
                                                                   const MatchHandler& handler) const
{
    const qsizetype end = endOfRange(range, bytes.size());
    if (!m_compiled || end < 0 || bytes.size() > INT32_MAX)
        return kRegexFailed;
    static const char kEmpty[1] = {0};
    return runOverText(m_compiled->regex, Range{range.location, end - range.location}, matchingOptions, limits,
                       handler, [&](UErrorCode* status) {
                           return openByteText(nullptr, bytes.isEmpty() ? kEmpty : bytes.data(), byteUnits.data(),
                                               bytes.size(), status);
                       });
}

RegularExpressionStatus RegularExpression::enumerateMatchesInDoubleBytes(QByteArrayView bytes,
                                                                         const DoubleByteUnits& units, Range range,
                                                                         unsigned matchingOptions,
                                                                         const RegularExpressionLimits& limits,
                                                                         const MatchHandler& handler) const
{
    const qsizetype end = endOfRange(range, bytes.size());
    if (!m_compiled || end < 0 || bytes.size() > INT32_MAX)
        return kRegexFailed;
    static const char kEmpty[1] = {0};
    // It outlives the matcher, whose clone of the text reads it.
    DoubleByteSource source;
    source.bytes = reinterpret_cast<const unsigned char*>(bytes.isEmpty() ? kEmpty : bytes.data());
    source.length = bytes.size();
    source.units = &units;
    if (const RegularExpressionStatus marked = findMarks(source, limits); marked != kRegexCompleted)
        return marked;
    return runOverText(m_compiled->regex, Range{range.location, end - range.location}, matchingOptions, limits,
                       handler, [&](UErrorCode* status) { return openDoubleByteText(nullptr, source, status); });
}

QList<RegularExpressionMatch> RegularExpression::matchesInString(const QString& text, unsigned matchingOptions,
                                                                 const RegularExpressionLimits& limits) const
{
    QList<RegularExpressionMatch> matches;
    const auto status = enumerateMatches(text, makeRange(0, text.size()), matchingOptions, limits,
                                         [&matches](const RegularExpressionMatch& match) {
                                             matches.append(match);
                                             return false;
                                         });
    if (status != kRegexCompleted)
        matches.clear();
    return matches;
}

qsizetype RegularExpression::numberOfMatches(const QString& text, unsigned matchingOptions,
                                             const RegularExpressionLimits& limits) const
{
    qsizetype count = 0;
    const auto status = enumerateMatches(text, makeRange(0, text.size()), matchingOptions, limits,
                                         [&count](const RegularExpressionMatch&) {
                                             ++count;
                                             return false;
                                         });
    return status == kRegexCompleted ? count : 0;
}

Range RegularExpression::rangeOfFirstMatch(const QString& text, Range range, unsigned matchingOptions,
                                           const RegularExpressionLimits& limits) const
{
    Range first = kMissingRange;
    enumerateMatches(text, range, matchingOptions, limits, [&first](const RegularExpressionMatch& match) {
        first = match.range();
        return true;
    });
    return first;
}

Range RegularExpression::rangeOfFirstMatch(const QString& text) const
{
    return rangeOfFirstMatch(text, makeRange(0, text.size()));
}

QString RegularExpression::escapedPatternForString(const QString& text)
{
    if (text.isEmpty())
        return text;
    static const QString kSpecial = QStringLiteral("\\^$.|?*+()[]{}-#&~ \t\n\r/");
    QString escaped;
    escaped.reserve(text.size() * 2);
    for (const QChar unit : text) {
        if (kSpecial.contains(unit)) {
            if (unit == u'\t' || unit == u'\n' || unit == u'\r') {
                escaped += unit == u'\t' ? QStringLiteral("\\t") : unit == u'\n' ? QStringLiteral("\\n")
                                                                                  : QStringLiteral("\\r");
                continue;
            }
            escaped += u'\\';
        }
        escaped += unit;
    }
    return escaped;
}

} // namespace sorvant
