#include "search/word_lists.h"

#include "foundation/separators.h"
#include "foundation/string_units.h"
#include "platform/word_break.h"
#include "search/asian_words.h"
#include "search/fast_word_enumerator.h"

#include <atomic>

namespace sorvant {

namespace {

std::atomic<int> gDefaultWordSeparationMode{0};

bool isDoubleQuote(unichar c)
{
    return c == u'"' || (c >= 0x201C && c <= 0x201F);
}

// Where a mention or address that holds "@" begins, looking back from `x`.
bool endsMentionBackwards(const unichar* units, qsizetype i)
{
    const unichar c = units[i];
    switch (c) {
    case u'<': case u'(': case u'@': case u'[': case u'\'': case u'|':
        return true;
    case u'.':
        return i == 0 || units[i - 1] == u'.';
    default:
        return isDoubleQuote(c) || bitmapContains(getWhiteSpacesBitmap(), c);
    }
}

bool isTrailingPunctuation(unichar c, bool mention)
{
    switch (c) {
    case u'!': case u'\'': case u',': case u'.': case u':': case u';': case u'?':
        return true;
    case u')': case u'*': case u'|': case u']':
        return mention;
    default:
        return isDoubleQuote(c);
    }
}

} // namespace

QStringList wordsUsingDefaultSeparation(const QString& string, qsizetype minLen)
{
    QStringList words;
    const auto e = FastWordEnumerator::enumeratorWithString(string);
    if (!e)
        return words;
    words.reserve(string.size() / 8);
    e->addWordsTo(&words, minLen, nullptr);
    return words;
}

qsizetype numberOfWordsUsingDefaultSeparation(const QString& string, qsizetype minLen)
{
    const auto e = FastWordEnumerator::enumeratorWithString(string);
    return e ? e->numberOfWords(minLen) : 0;
}

Range getWordRangeAtIndex(const QString& string, qsizetype index)
{
    const qsizetype n = string.size();
    if (index == NSNotFound)
        index = n - 1;
    if (n == 0 || index < 0 || index >= n)
        return kMissingRange;
    const auto e = FastWordEnumerator::enumeratorWithString(string);
    return e ? e->rangeOfWordAtIndex(index) : kMissingRange;
}

QString firstWord(const QString& string)
{
    const Range word = getWordRangeAtIndex(string, 0);
    return word.isMissing() ? QStringLiteral("") : string.mid(word.location, word.length);
}

QString lastWord(const QString& string)
{
    const Range word = getWordRangeAtIndex(string, NSNotFound);
    return word.isMissing() ? QStringLiteral("") : string.mid(word.location, word.length);
}

Range getLinkRangeAtIndex(const QString& string, qsizetype index)
{
    const qsizetype n = string.size();
    if (index < 0 || index >= n)
        return kMissingRange;
    const unichar* units = unitsOf(string);
    const CharacterSetBitmap* white = getWhiteSpacesBitmap();
    const bool mention = units[index] == u'@';
    if (mention && index == 0)
        return kMissingRange;
    qsizetype end = index + 1;
    while (end < n && !bitmapContains(white, units[end]) && units[end] != u'>' && !(mention && units[end] == u'@'))
        ++end;
    qsizetype start = mention ? index - 1 : index;
    if (mention) {
        while (start >= 0 && !endsMentionBackwards(units, start))
            --start;
    } else {
        while (start >= 0 && units[start] != u'<' && !bitmapContains(white, units[start]))
            --start;
    }
    ++start;
    while (end > start && isTrailingPunctuation(units[end - 1], mention))
        --end;
    return end > start ? Range{start, end - start} : kMissingRange;
}

qsizetype enumerateWordsInRange(const QString& string, Range range, StringWordHandler handler, void* context)
{
    const qsizetype n = string.size();
    const qsizetype a = range.location;
    if (n == 0 || !handler || a < 0 || a >= n || range.length < 0 || range.length > n - a)
        return 0;
    const qsizetype end = a + range.length;
    const unichar* units = unitsOf(string);
    const CharacterSetBitmap* separators = defaultWordSeparators();
    qsizetype count = 0;
    qsizetype piece = a;
    for (qsizetype u = a; u < end; ++u) {
        if (!bitmapContains(separators, units[u]))
            continue;
        if (u > piece) {
            if (handler(string, units, piece, u - piece, context))
                return count;
            ++count;
        }
        piece = u + 1;
    }
    if (end > piece && !handler(string, units, piece, end - piece, context))
        ++count;
    return count;
}

QString stringBySeparatingAsianWords(const QString& string)
{
    const qsizetype n = string.size();
    if (n < 2)
        return string;
    const unichar* units = unitsOf(string);
    QString result;
    std::unique_ptr<WordTokenizer> tokenizer;
    qsizetype copied = 0; // units before this index are in `result`
    for (qsizetype i = 0; i < n;) {
        if (!isAsianUnit(units[i])) {
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < n && isAsianUnit(units[j]))
            ++j;
        if (!tokenizer) {
            tokenizer = std::make_unique<WordTokenizer>();
            if (!tokenizer->isValid())
                return string;
            result.reserve(2 * n);
        }
        result.append(QStringView(units + copied, units + i));
        copied = i;
        if (tokenizer->setText(units, i, j - i)) {
            WordToken token;
            AsianWordCuts cuts;
            while (tokenizer->advanceToNextToken(&token)) {
                if (cuts.cutsBefore(units, token))
                    result.append(QChar(u' '));
                result.append(QStringView(units + token.location, token.length));
            }
            copied = j;
        }
        i = j;
    }
    if (!tokenizer)
        return string;
    result.append(QStringView(units + copied, units + n));
    return result;
}

int defaultWordSeparationMode()
{
    return gDefaultWordSeparationMode.load(std::memory_order_relaxed);
}

void setDefaultWordSeparationMode(int mode)
{
    gDefaultWordSeparationMode.store(mode, std::memory_order_relaxed);
}

} // namespace sorvant
