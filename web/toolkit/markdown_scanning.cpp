#include "web/toolkit/markdown_scanning.h"

#include "foundation/lines.h"
#include "foundation/string_units.h"

#include <QVarLengthArray>

namespace sorvant {

bool isMarkdownEscapableCharacter(unichar c)
{
    switch (c) {
    case '#': case '$': case '(': case ')': case '*': case '.': case '[':
    case '\\': case ']': case '_': case '`': case '{': case '}':
        return true;
    default:
        return false;
    }
}

namespace {

// Where the header ends, one pass over the text (see rangeOfMarkdownMetadata).
qsizetype metadataEnd(const unichar* chars, qsizetype count)
{
    qsizetype headerEnd = 0;
    qsizetype headerLines = 0;
    qsizetype lineStart = 0;
    bool inValue = false;
    bool fenceOpened = false;
    qsizetype i = 0;
    auto skipLineEnds = [&](qsizetype from) {
        while (from < count && isFeedCharacter(chars[from]))
            ++from;
        return from;
    };
    while (i < count) {
        const unichar c = chars[i];
        if (c == '-' && i == lineStart && i + 3 < count && chars[i + 1] == '-' && chars[i + 2] == '-'
            && isFeedCharacter(chars[i + 3]) && (headerLines == 0 || fenceOpened)) {
            const qsizetype next = skipLineEnds(i + 3);
            headerEnd = next;
            if (fenceOpened)
                return headerEnd;
            fenceOpened = true;
            i = lineStart = next;
            continue;
        }
        if (isFeedCharacter(c)) {
            if (!inValue)
                return headerEnd;
            ++headerLines;
            i = lineStart = headerEnd = skipLineEnds(i);
            inValue = false;
            continue;
        }
        if (c == ':' && i > 0 && chars[i - 1] != '\\' && i + 1 < count && chars[i + 1] != '/')
            inValue = true;
        else if (c == '[' && !inValue)
            return headerEnd;
        ++i;
    }
    return inValue ? count : headerEnd;
}

// The scan state of the plain-run walk. `inTag` is only ever cleared: no
// rule here opens a tag, so HTML stays part of the runs.
struct ScanState
{
    qsizetype depth = 0;
    bool inTag = false;
    bool inCode = false;
};

bool isLineBreak(unichar c)
{
    return c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029;
}

void advance(ScanState& state, const unichar* chars, qsizetype i)
{
    const unichar c = chars[i];
    const unichar p = i > 0 ? chars[i - 1] : 0;
    if (p == '\\')
        return;
    switch (c) {
    case '`':
        if (p != '`' && p != '<')
            state.inCode = !state.inCode;
        break;
    case '\n':
    case '\r':
        state.depth = 0;
        break;
    case '(':
        if (p == ']')
            ++state.depth;
        break;
    case ')':
        if (state.depth > 0)
            --state.depth;
        break;
    case ':':
        if (p == ']') {
            // «[id]: target» excludes its target; «[^note]:» is a footnote.
            for (qsizetype j = i - 2; j >= 0 && !isLineBreak(chars[j]); --j) {
                if (chars[j] == '^')
                    break;
                if (chars[j] == '[') {
                    ++state.depth;
                    break;
                }
            }
        }
        break;
    case '>':
        state.inTag = false;
        break;
    default:
        break;
    }
}

} // namespace

Range rangeOfMarkdownMetadata(const unichar* characters, qsizetype length, Range range)
{
    if (characters == nullptr || length <= 0 || !isRangeInside(range, length))
        return kMissingRange;
    const qsizetype headerEnd = metadataEnd(characters, length);
    const qsizetype end = range.maxRange();
    if (headerEnd > end)
        return kMissingRange;
    const qsizetype location = std::max(headerEnd, range.location);
    return Range{location, end - location};
}

qsizetype lengthOfMarkdownMetadata(const QString& string)
{
    return string.isEmpty() ? 0 : metadataEnd(unitsOf(string), string.size());
}

QString stringByStrippingMarkdownMetadata(const QString& string)
{
    const qsizetype end = lengthOfMarkdownMetadata(string);
    return end == 0 ? string : string.mid(end);
}

QString markdownMetadata(const QString& string)
{
    const qsizetype end = lengthOfMarkdownMetadata(string);
    return end == 0 ? QString() : string.left(end);
}

QString stringByConvertingCharactersToMarkdown(const QString& string)
{
    if (string.isEmpty())
        return string;
    const unichar* chars = unitsOf(string);
    const qsizetype count = string.size();
    const CharacterSetBitmap* letters = getLettersBitmap();
    const CharacterSetBitmap* digits = getDigitsBitmap();
    const CharacterSetBitmap* spaces = getSpacesBitmap();
    QString result;
    qsizetype copied = 0;
    bool noLetterYet = true;
    for (qsizetype i = 0; i < count; ++i) {
        const unichar c = chars[i];
        bool escape = false;
        if (c == '.') {
            escape = noLetterYet && i > 0 && i + 1 < count && bitmapContains(digits, chars[i - 1])
                     && bitmapContains(spaces, chars[i + 1]);
        } else {
            escape = isMarkdownEscapableCharacter(c);
        }
        if (escape) {
            if (result.isNull())
                result.reserve(count + 16);
            result.append(QStringView(chars + copied, i - copied));
            result.append(QLatin1Char('\\'));
            copied = i;
            noLetterYet = false;
        } else if (isFeedCharacter(c)) {
            noLetterYet = true;
        } else if (bitmapContains(letters, c)) {
            noLetterYet = false;
        }
    }
    if (result.isNull())
        return string;
    result.append(QStringView(chars + copied, count - copied));
    return result;
}

QString stringByConvertingMarkdownToCharacters(const QString& string)
{
    if (string.isEmpty())
        return string;
    const unichar* chars = unitsOf(string);
    const qsizetype count = string.size();
    QString result;
    qsizetype copied = 0;
    for (qsizetype i = 0; i + 1 < count; ++i) {
        if (chars[i] == '\\' && isMarkdownEscapableCharacter(chars[i + 1])) {
            result.append(QStringView(chars + copied, i - copied));
            copied = i + 1;
        }
    }
    if (copied == 0)
        return string;
    result.append(QStringView(chars + copied, count - copied));
    return result;
}

void enumerateMarkdownInRange(const QString& string, Range range, bool skipCode, const MarkdownRunHandler& handler)
{
    if (!handler || string.isEmpty() || !isRangeInside(range, string.size()))
        return;
    const unichar* chars = unitsOf(string);
    const Range body = rangeOfMarkdownMetadata(chars, string.size(), range);
    if (body.isMissing() || body.length == 0)
        return;
    ScanState state;
    for (qsizetype i = 0; i < body.location; ++i)
        advance(state, chars, i);
    const qsizetype end = body.maxRange();
    qsizetype start = NSNotFound;
    bool afterExcluded = false;
    for (qsizetype i = body.location; i < end; ++i) {
        advance(state, chars, i);
        const bool excluded = state.depth > 0 || state.inTag || (skipCode && state.inCode);
        if (excluded) {
            if (start != NSNotFound && i > start && handler(chars, start, i - start))
                return;
            start = NSNotFound;
            afterExcluded = true;
        } else if (start == NSNotFound) {
            // The character that ended an excluded stretch (closing backtick,
            // ")" or line end) belongs to neither side.
            start = afterExcluded ? i + 1 : i;
            afterExcluded = false;
        }
    }
    if (start != NSNotFound && end > start)
        handler(chars, start, end - start);
}

QString stringByConvertingMarkdownToSearchableText(const QString& string, bool skipCode)
{
    if (string.isEmpty())
        return string;
    const CharacterSetBitmap* alphaNum = getAlphaNumBitmap();
    QString result = emptyString();
    enumerateMarkdownInRange(string, Range{0, string.size()}, skipCode,
                             [&](const unichar* chars, qsizetype location, qsizetype length) {
                                 const QStringView run(chars + location, length);
                                 for (const QChar c : run) {
                                     if (bitmapContains(alphaNum, c.unicode())) {
                                         result.append(run);
                                         result.append(QLatin1Char(' '));
                                         break;
                                     }
                                 }
                                 return false;
                             });
    return result;
}

} // namespace sorvant
