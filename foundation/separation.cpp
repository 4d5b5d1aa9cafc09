#include "foundation/separation.h"

#include "foundation/character_classes.h"
#include "foundation/separation_buffers.h"
#include "foundation/separators.h"
#include "foundation/string_units.h"
#include "platform/log.h"

namespace sorvant {

namespace {

// A null separator set is a programming error: it is logged, and the call
// answers 0 instead of stopping the process.
qsizetype reportNullSeparators(const char* function)
{
    logError(QStringLiteral("%1: assertion separators!=NULL failed").arg(QLatin1String(function)));
    return 0;
}

// The end of the separator run that begins at `i`.
qsizetype separatorRunEnd(const unichar* units, qsizetype i, qsizetype length, const CharacterSetBitmap* separators)
{
    while (i < length && bitmapContains(separators, units[i]))
        ++i;
    return i;
}

struct ListContext
{
    QStringList* list;
    qsizetype minLen;
};

bool addComponent(const QString& string, const unichar*, qsizetype location, qsizetype length, bool isSeparator,
                  void* context)
{
    auto* list = static_cast<ListContext*>(context);
    if (!isSeparator && length >= list->minLen)
        list->list->append(string.mid(location, length));
    return false;
}

// The tag of one white-separated component beginning with "#", or a null
// string when the component is no tag.
QString hashtagOf(const unichar* units, qsizetype length, bool allowSlash)
{
    const CharacterSetBitmap* digits = getDigitsBitmap();
    const CharacterSetBitmap* letters = getLettersBitmap();
    qsizetype digitCount = 0;
    bool hasLetter = false;
    qsizetype i = 1;
    for (; i < length; ++i) {
        const unichar c = units[i];
        if (bitmapContains(digits, c))
            ++digitCount;
        else if (bitmapContains(letters, c))
            hasLetter = true;
        else if (c != u'-' && c != u'_' && !(allowSlash && c == u'/'))
            break;
    }
    qsizetype tagEnd = i;
    if (i < length) {
        // Only a closing "," or ";" may follow a tag.
        if (i != length - 1 || (units[i] != u',' && units[i] != u';'))
            return QString();
        tagEnd = i;
    }
    if (!hasLetter && digitCount < 3)
        return QString();
    return QString(reinterpret_cast<const QChar*>(units + 1), tagEnd - 1);
}

} // namespace

qsizetype enumerateComponentsUsingHandler(const QString& string, ComponentHandler handler, void* context,
                                          const CharacterSetBitmap* separators)
{
    if (!separators)
        return reportNullSeparators("enumerateComponents");
    if (!handler || string.isEmpty())
        return 0;
    const unichar* units = unitsOf(string);
    const qsizetype length = string.size();
    qsizetype start = 0;
    qsizetype calls = 0;
    qsizetype i = 0;
    while (i < length) {
        if (!bitmapContains(separators, units[i])) {
            ++i;
            continue;
        }
        if (i > start) {
            if (handler(string, units, start, i - start, false, context))
                return calls;
            ++calls;
        }
        const qsizetype runEnd = separatorRunEnd(units, i, length, separators);
        if (runEnd == length)
            return calls; // a trailing run is not reported
        if (handler(string, units, i, runEnd - i, true, context))
            return calls;
        ++calls;
        start = i = runEnd;
    }
    if (start < length && !handler(string, units, start, length - start, false, context))
        ++calls;
    return calls;
}

QStringList componentsUsingSeparators(const QString& string, const CharacterSetBitmap* separators, qsizetype minLen)
{
    QStringList list;
    if (string.isEmpty())
        return list;
    list.reserve(string.size() / 16);
    ListContext context{&list, minLen};
    (void)enumerateComponentsUsingHandler(string, addComponent, &context, separators);
    return list;
}

QStringList componentsUsingWhiteSeparation(const QString& string)
{
    // An ASCII phrase (most searches) is split without the whole bitmap.
    return componentsUsingSeparators(string, isAsciiString(string) ? getAsciiWhiteSpacesBitmap() : getWhiteSpacesBitmap(),
                                     1);
}

QStringList componentsUsingLineSeparation(const QString& string, qsizetype minLen)
{
    return componentsUsingSeparators(string, defaultLineSeparators(), minLen);
}

qsizetype numberOfComponentsUsingSeparators(const QString& string, const CharacterSetBitmap* separators)
{
    if (string.isEmpty())
        return 0;
    return componentsOfCharacters(unitsOf(string), string.size(), separators, nullptr);
}

qsizetype numberOfComponentsUsingWhiteSeparation(const QString& string)
{
    return numberOfComponentsUsingSeparators(string, getWhiteSpacesBitmap());
}

qsizetype numberOfComponentsUsingLineSeparation(const QString& string)
{
    return numberOfComponentsUsingSeparators(string, defaultLineSeparators());
}

QStringList hashtags(const QString& string, bool allowSlash)
{
    QStringList tags;
    enumerateComponentsUsingBlock(
        string,
        [&](const QString&, const unichar* units, qsizetype location, qsizetype length, bool isSeparator) {
            if (isSeparator || length < 2 || units[location] != u'#')
                return false;
            const QString tag = hashtagOf(units + location, length, allowSlash);
            if (!tag.isNull()) {
                if (tags.isEmpty())
                    tags.reserve(8);
                tags.append(tag);
            }
            return false;
        },
        getWhiteSpacesBitmap());
    return tags;
}

QString stringByStemmingWords(const QString& string)
{
    // Lemmas need a linguistic tagger with a lemma scheme, which this
    // platform lacks; without one the text is answered as it is.
    return string;
}

// --- buffer splitters ----------------------------------------------------------

qsizetype componentsOfCharacters(const unichar* characters, qsizetype length, const CharacterSetBitmap* separators,
                                 Range* ranges)
{
    if (!separators)
        return reportNullSeparators("componentsOfCharacters");
    if (!characters || length <= 0)
        return 0;
    qsizetype count = 0;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < length) {
        if (!bitmapContains(separators, characters[i])) {
            ++i;
            continue;
        }
        const qsizetype runEnd = separatorRunEnd(characters, i, length, separators);
        if (ranges)
            ranges[count] = Range{start, runEnd - start};
        ++count;
        start = i = runEnd;
    }
    if (start < length) {
        if (ranges)
            ranges[count] = Range{start, length - start};
        ++count;
    }
    return count;
}

qsizetype wordsOfCharacters(const unichar* characters, qsizetype length, const CharacterSetBitmap* separators,
                            bool withSeparators, qsizetype minLen, bool wildcard, Range* ranges)
{
    if (!characters || length <= 0)
        return 0;
    if (!separators)
        separators = defaultWordSeparators();
    if (minLen <= 0)
        minLen = 1;
    qsizetype count = 0;
    auto record = [&](qsizetype location, qsizetype unitLength) {
        if (ranges)
            ranges[count] = Range{location, unitLength};
        ++count;
    };
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < length) {
        const unichar c = characters[i];
        if (bitmapContains(separators, c)) {
            if (i - start >= minLen)
                record(start, i - start);
            if (withSeparators) {
                const qsizetype runEnd = separatorRunEnd(characters, i, length, separators);
                record(i, (runEnd - i) | kSeparatorRunFlag);
                i = runEnd;
            } else {
                ++i;
            }
            start = i;
            continue;
        }
        if (wildcard && c == u'[' && i + 1 < length) {
            qsizetype close = i + 1;
            while (close < length && characters[close] != u']')
                ++close;
            if (close == length)
                break; // no "]": the rest of the text is the last word
            i = close; // the "]" is scanned as any other unit
            continue;
        }
        ++i;
    }
    if (length - start >= minLen)
        record(start, length - start);
    return count;
}

} // namespace sorvant
