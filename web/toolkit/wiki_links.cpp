#include "web/toolkit/wiki_links.h"

#include "foundation/chars_table.h"
#include "foundation/lines.h"
#include "foundation/string_units.h"
#include "platform/scan_work.h"
#include "platform/string_compare.h"
#include "platform/url.h"
#include "search/fast_word_enumerator.h"
#include "web/toolkit/markdown_scanning.h"

#include <QHash>

#include <mutex>

namespace sorvant {

namespace {

constexpr qsizetype kMaximumNameLength = 256;
constexpr auto kDefaultWikiScheme = "x-velmor-wiki";
constexpr auto kOldWikiPrefix = "VELMORwiki";

// The Markdown state of the wiki-link walk, copied by value.
struct WikiScanState
{
    qsizetype depth = 0;
    bool inTag = false;
    bool tabCode = false;
    bool inCode = false;
    bool inMath = false;
    bool listLine = false;
    bool listBefore = false;
    // The last look back from a "]:" for the "[" of a reference
    // definition: where it started and the stop it found (-1: none). A
    // later look back from further on ends at that start with that answer.
    qsizetype lookedBackFrom = -1;
    qsizetype lookBackStop = -1;

    [[nodiscard]] bool excludes() const { return depth > 0 || inTag || tabCode || inCode || inMath; }
};

bool isLineBreak(unichar c)
{
    return c == '\n' || c == '\r';
}

// Whether only spaces stand between `index` and the previous line end; the
// text's start does not count as one.
bool followsLineStart(const unichar* chars, qsizetype index)
{
    if (index == 0)
        return true;   // the character before the text counts as a CR
    for (qsizetype k = index - 1; k >= 0; --k) {
        if (isLineBreak(chars[k]))
            return true;
        if (chars[k] != ' ' && chars[k] != '\t')
            return false;
    }
    return false;
}

void advanceMarkdownScanState(WikiScanState& state, const unichar* chars, qsizetype from, qsizetype to, bool plain)
{
    for (qsizetype k = from; k < to; ++k) {
        const unichar c = chars[k];
        const unichar p = k > 0 ? chars[k - 1] : unichar('\r');
        if (p != '\\' && c >= 0x09 && c <= 0x5D) {
            switch (c) {
            case '\t':
                if (!state.listBefore && isLineBreak(p))
                    state.tabCode = true;
                break;
            case '\n':
            case '\r':
                if (c == '\n' && p == '\r' && k > 0)
                    break;
                state.listBefore = state.listLine;
                state.depth = 0;
                state.listLine = false;
                state.tabCode = false;
                break;
            case '(':
                if (!plain && p == ']')
                    ++state.depth;
                break;
            case ')':
                if (!plain && state.depth > 0)
                    --state.depth;
                break;
            case '*':
            case '+':
            case '-':
                if (followsLineStart(chars, k)) {
                    state.listLine = true;
                    state.tabCode = false;
                }
                break;
            case ':':
                if (p == ']') {
                    const qsizetype back = k - 2;
                    const bool known = state.lookedBackFrom >= 0 && back >= state.lookedBackFrom;
                    const qsizetype floor = known ? state.lookedBackFrom : -1;
                    qsizetype stop = -1;
                    qsizetype j = back;
                    for (; j > floor; --j) {
                        const unichar d = chars[j];
                        if (isLineBreak(d) || d == 0x2028 || d == 0x2029 || d == '^' || d == '[') {
                            stop = j;
                            break;
                        }
                    }
                    if (stop < 0 && known)
                        stop = state.lookBackStop;
                    countScanWork(back - j + 1);
                    state.lookedBackFrom = back;
                    state.lookBackStop = stop;
                    if (stop >= 0 && chars[stop] == '[')
                        ++state.depth;
                }
                break;
            case '<':
                state.inTag = true;
                break;
            case '>':
                state.inTag = false;
                break;
            case '[':
                ++state.depth;
                break;
            case ']':
                if (state.depth > 0)
                    --state.depth;
                break;
            default:
                break;
            }
        }
        if (c == '$' || c == '`') {
            if (c == '$')
                state.inMath = !state.inMath;
            else
                state.inCode = !state.inCode;
            while (k + 1 < to && chars[k + 1] == c)
                ++k;
        }
    }
}

// Calls `block(start, end)` for each word beginning in [from, to), feeding
// the state the characters between words first. `block` answers where the
// walk resumes (end for the next word).
template <typename Block>
void walkWords(const FastWordEnumerator& words, WikiScanState& state, qsizetype from, qsizetype to, bool plain,
               Block&& block)
{
    const unichar* chars = words.characters();
    const std::uint8_t* index = words.index();
    const qsizetype length = words.length();
    qsizetype fed = 0;
    qsizetype i = from;
    while (i < to) {
        if ((index[i] & kWordBeginningFlag) == 0) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < length && (index[end] & kWordEndFlag) == 0)
            ++end;
        end = std::min(end + 1, length);
        if (i > fed)
            advanceMarkdownScanState(state, chars, fed, i, plain);
        const qsizetype wordLength = end - i;
        if ((wordLength == 1 && chars[i] == '$') || (wordLength == 2 && chars[i] == '$' && chars[i + 1] == '$'))
            state.inMath = !state.inMath;
        const qsizetype resume = block(i, end);
        fed = std::max(end, resume);
        i = fed;
    }
}

unichar fold(unichar c, bool ignoreCase)
{
    return ignoreCase ? upperCharsTable()[c] : c;
}

void findPageNames(const FastWordEnumerator& words, WikiScanState state, const QStringList& names, unsigned options,
                   Range range, bool plain, const WikiLinkHandler& handler)
{
    const bool ignoreCase = (options & kWikiLinkCaseInsensitive) != 0;
    const bool markdown = (options & kWikiLinkMarkdown) != 0;
    const CharacterSetBitmap* alphaNum = getAlphaNumBitmap();
    QHash<quint32, QStringList> groups;
    for (const QString& name : names) {
        if (name.size() < 2 || name.size() > range.length || name.size() > kMaximumNameLength
            || !bitmapContains(alphaNum, name.at(0).unicode()))
            continue;
        const quint32 key = (quint32(fold(name.at(0).unicode(), ignoreCase)) << 16) | fold(name.at(1).unicode(), ignoreCase);
        groups[key].append(name);
    }
    if (groups.isEmpty())
        return;
    const unichar* chars = words.characters();
    const qsizetype length = words.length();
    walkWords(words, state, range.location, range.maxRange() - 1, plain, [&](qsizetype start, qsizetype end) {
        if ((markdown && state.excludes()) || start + 1 >= length)
            return end;
        const quint32 key = (quint32(fold(chars[start], ignoreCase)) << 16) | fold(chars[start + 1], ignoreCase);
        const auto group = groups.constFind(key);
        if (group == groups.constEnd())
            return end;
        qsizetype best = 0;
        for (const QString& name : *group) {
            const qsizetype n = name.size();
            if (n <= best || start + n > length)
                continue;
            const unichar* units = unitsOf(name);
            qsizetype k = 2;
            while (k < n && fold(units[k], ignoreCase) == fold(chars[start + k], ignoreCase))
                ++k;
            if (k == n && (start + n == length || words.isWordEndBeforeIndex(start + n)
                           || words.isWordSeparatorAtIndex(start + n)))
                best = n;
        }
        if (best > 0)
            handler(words, start, best, kWikiLinkPageName);
        return end;
    });
}

bool isCamelCase(const unichar* chars, qsizetype start, qsizetype end)
{
    const CharacterSetBitmap* upper = getUppercaseLettersBitmap();
    const CharacterSetBitmap* lower = getLowercaseLettersBitmap();
    if (end - start < 3 || !bitmapContains(upper, chars[start]) || !bitmapContains(lower, chars[start + 1]))
        return false;
    qsizetype k = start + 2;
    while (k < end && bitmapContains(lower, chars[k]))
        ++k;
    return k + 1 < end && bitmapContains(upper, chars[k]) && bitmapContains(lower, chars[k + 1]);
}

void findBracketReferences(const FastWordEnumerator& words, WikiScanState state, Range range, bool plain,
                           const WikiLinkHandler& handler)
{
    const unichar* chars = words.characters();
    const CharacterSetBitmap* alphaNum = getAlphaNumBitmap();
    const CharacterSetBitmap* white = getWhiteSpacesBitmap();
    const qsizetype rangeEnd = range.maxRange();
    // The first "]]" or feed from a word's end on. The walk moves forward,
    // so an answer found from an earlier word still holds for every word
    // that ends before it: each unit is looked at once, however many words
    // stand between an opener and its line's end.
    qsizetype searchedFrom = -1;
    qsizetype stop = -1;
    walkWords(words, state, range.location, rangeEnd, plain, [&](qsizetype start, qsizetype end) {
        if (state.depth != 2)
            return end;
        qsizetype open = NSNotFound;
        for (qsizetype k = start; k - 2 >= range.location; --k) {
            if (chars[k - 1] == '[' && chars[k - 2] == '[') {
                open = k - 2;
                break;
            }
            const unichar c = chars[k - 1];
            if (bitmapContains(alphaNum, c) || bitmapContains(white, c) || c == ']')
                break;
        }
        if (open == NSNotFound || (open > range.location && chars[open - 1] == '!'))
            return end;
        if (searchedFrom < 0 || end < searchedFrom || end > stop) {
            qsizetype k = end;
            while (k + 1 < rangeEnd && !isFeedCharacter(chars[k]) && !(chars[k] == ']' && chars[k + 1] == ']'))
                ++k;
            countScanWork(k - end + 1);
            searchedFrom = end;
            stop = k;
        }
        if (stop + 1 >= rangeEnd || isFeedCharacter(chars[stop]))
            return end;
        handler(words, open + 2, stop - open - 2, kWikiLinkBracketReference);
        state.depth = 0;
        return stop + 2;
    });
}

std::mutex& schemeLock()
{
    static std::mutex lock;
    return lock;
}

QString& currentScheme()
{
    static QString scheme;
    return scheme;
}

} // namespace

void enumerateWikiLinks(const QString& string, const QStringList& names, unsigned options, Range range,
                        const WikiLinkHandler& handler)
{
    if (range.length < 2 || !handler || ((options & (kWikiLinkCamelCase | kWikiLinkBrackets)) == 0 && names.isEmpty())
        || !isRangeInside(range, string.size()))
        return;
    const bool markdown = (options & kWikiLinkMarkdown) != 0;
    if (markdown) {
        range = rangeOfMarkdownMetadata(unitsOf(string), string.size(), range);
        if (range.isMissing() || range.length == 0)
            return;
    }
    const std::unique_ptr<FastWordEnumerator> words = FastWordEnumerator::enumeratorWithString(string);
    if (!words)
        return;
    WikiScanState start;
    advanceMarkdownScanState(start, words->characters(), 0, range.location, !markdown);
    if (!names.isEmpty())
        findPageNames(*words, start, names, options, range, !markdown, handler);
    if (options & kWikiLinkCamelCase) {
        WikiScanState state = start;
        const unichar* chars = words->characters();
        walkWords(*words, state, range.location, range.maxRange(), !markdown, [&](qsizetype from, qsizetype end) {
            if (!(markdown && state.excludes()) && isCamelCase(chars, from, end))
                handler(*words, from, end - from, kWikiLinkCamelCaseWord);
            return end;
        });
    }
    if (options & kWikiLinkBrackets)
        findBracketReferences(*words, start, range, !markdown, handler);
}

QSet<QString> linksOfPlainTextWithScheme(const QString& string, const QString& scheme)
{
    QSet<QString> links;
    if (string.isEmpty() || scheme.isEmpty())
        return links;
    const QString prefix = scheme.endsWith(QLatin1Char(':')) ? scheme : scheme + QLatin1Char(':');
    const unichar* chars = unitsOf(string);
    const CharacterSetBitmap* white = getWhiteSpacesBitmap();
    qsizetype from = 0;
    while (true) {
        const qsizetype at = string.indexOf(prefix, from);
        if (at < 0)
            break;
        const unichar before = at > 0 ? chars[at - 1] : 0;
        if (at > 0 && before != '(' && before != '<' && before != '[' && before != 0 && !bitmapContains(white, before)) {
            from = at + 1;
            continue;
        }
        qsizetype end = at + prefix.size();
        while (end < string.size() && chars[end] != ')' && chars[end] != '>' && chars[end] != ']'
               && !bitmapContains(white, chars[end]))
            ++end;
        links.insert(string.mid(at, end - at));
        from = end;
    }
    return links;
}

QSet<QString> linksOfMarkdownWithScheme(const QString& string, const QString& scheme)
{
    return linksOfPlainTextWithScheme(string, scheme);
}

QString velmorWikiScheme()
{
    std::lock_guard guard(schemeLock());
    const QString& scheme = currentScheme();
    return scheme.isEmpty() ? QString::fromLatin1(kDefaultWikiScheme) : scheme;
}

void setVelmorWikiScheme(const QString& scheme)
{
    std::lock_guard guard(schemeLock());
    currentScheme() = scheme;
}

namespace {

QString wikiStringURL(const QString& string, bool currentSchemeToo)
{
    if (string.isEmpty())
        return QString();
    const QString text = string.startsWith(QLatin1String("http://")) ? string.mid(7) : string;
    if (text.startsWith(QLatin1String(kOldWikiPrefix)) || (currentSchemeToo && text.startsWith(velmorWikiScheme())))
        return text;
    return QString();
}

} // namespace

QString isVelmorWikiStringURL(const QString& string)
{
    return wikiStringURL(string, true);
}

QString isOldVelmorWikiStringURL(const QString& string)
{
    return wikiStringURL(string, false);
}

QString velmorWikiID(const QString& string)
{
    if (string.isEmpty())
        return QString();
    qsizetype start = string.indexOf(QLatin1Char(':'));
    if (start >= 0) {
        ++start;
        while (start < string.size() && string.at(start) == QLatin1Char('/'))
            ++start;
    } else {
        start = string.indexOf(QLatin1Char('_'));
        if (start < 0)
            return QString();
        ++start;
    }
    qsizetype end = start;
    while (end < string.size() && string.at(end) != QLatin1Char('?') && string.at(end) != QLatin1Char('&')
           && string.at(end) != QLatin1Char('#'))
        ++end;
    while (end > start && string.at(end - 1) == QLatin1Char('/'))
        --end;
    return end > start ? string.mid(start, end - start) : QString();
}

bool isVelmorWikiURL(const URL& url)
{
    return !url.isNull() && compareStrings(url.scheme(), velmorWikiScheme(), 1) == 0;
}

} // namespace sorvant
