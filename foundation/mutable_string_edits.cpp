#include "foundation/mutable_string_edits.h"

#include "foundation/lines.h"
#include "foundation/removing_characters.h"
#include "foundation/string_format.h"
#include "foundation/string_units.h"
#include "foundation/trimming.h"
#include "platform/capitalization.h"
#include "platform/string_compare.h"
#include "platform/unicode.h"
#include "platform/white_space.h"

#include <algorithm>

namespace sorvant {

namespace {

// Collapses each run of members into one `replacement`, detaching the
// string only when a run needs an edit. The first such run starts after a
// non-member (a member before it would have needed the edit itself), so the
// shared collapse can start there.
template <typename IsMember>
void collapseRunsOf(QString& string, IsMember isMember, unichar replacement)
{
    const unichar* units = unitsOf(string);
    const qsizetype length = string.size();
    qsizetype first = 0;
    while (first < length) {
        if (isMember(units[first])
            && (units[first] != replacement || (first + 1 < length && isMember(units[first + 1]))))
            break;
        ++first;
    }
    if (first == length)
        return;
    auto* data = reinterpret_cast<unichar*>(string.data());
    const CollapsedRuns collapsed = collapseRuns(data + first, length - first, isMember, replacement);
    string.truncate(first + collapsed.length);
}

// Deletes every unit for which `isMember` holds, detaching the string only
// when there is one.
template <typename IsMember>
void removeWhere(QString& string, IsMember isMember)
{
    const unichar* units = unitsOf(string);
    const qsizetype length = string.size();
    const qsizetype first = std::find_if(units, units + length, isMember) - units;
    if (first == length)
        return;
    auto* data = reinterpret_cast<unichar*>(string.data());
    qsizetype write = first;
    for (qsizetype read = first + 1; read < length; ++read) {
        if (!isMember(data[read]))
            data[write++] = data[read];
    }
    string.truncate(write);
}

// Replaces every occurrence of `target` in `string`, all found in the text as
// it was; answers how many. Case-insensitive finding goes through the
// platform's find, whose matched range may differ in length from `target`.
qsizetype replaceOccurrences(QString& string, QStringView target, QStringView replacement, bool caseSensitive)
{
    if (target.isEmpty() || string.isEmpty())
        return 0;
    const QStringView text(string);
    QString result;
    qsizetype count = 0;
    qsizetype copied = 0;
    qsizetype from = 0;
    while (from < text.size()) {
        Range match;
        if (caseSensitive) {
            const qsizetype at = text.indexOf(target, from);
            match = at < 0 ? kMissingRange : Range{at, target.size()};
        } else {
            match = findString(text, target, Range{from, text.size() - from}, kCompareCaseInsensitive);
        }
        if (match.isMissing() || match.length == 0)
            break;
        if (count == 0)
            result.reserve(text.size());
        result += text.mid(copied, match.location - copied);
        result += replacement;
        copied = from = match.maxRange();
        ++count;
    }
    if (count == 0)
        return 0;
    result += text.mid(copied);
    string = result;
    return count;
}

} // namespace

void lowercase(QString& string)
{
    string = unicode::lowercaseString(string);
}

void uppercase(QString& string)
{
    string = unicode::uppercaseString(string);
}

void capitalize(QString& string)
{
    string = unicode::capitalizedString(string);
}

void appendSubstring(QString& string, const QString& source, Range range)
{
    if (range.length > 0 && isRangeInside(range, source.size()))
        string.append(QStringView(source).mid(range.location, range.length));
}

void appendUnichar(QString& string, unichar c)
{
    string.append(QChar(c));
}

void appendUnichars(QString& string, const unichar* units, qsizetype length)
{
    if (units && length > 0)
        string.append(reinterpret_cast<const QChar*>(units), length);
}

void appendTrimmedString(QString& string, const QString& source)
{
    if (source.isNull())
        return;
    QString trimmed = source;
    trimWhiteSpaces(trimmed);
    string.append(trimmed);
}

void insertCharacter(QString& string, unichar c, qsizetype index)
{
    if (index >= 0 && index <= string.size())
        string.insert(index, QChar(c));
}

void removeCharacterAtIndex(QString& string, qsizetype index)
{
    if (index >= 0 && index < string.size())
        string.remove(index, 1);
}

qsizetype deleteString(QString& string, const QString& target)
{
    return replaceOccurrences(string, target, QStringView(), true);
}

void removeCharacters(QString& string, unichar c)
{
    removeWhere(string, [c](unichar unit) { return unit == c; });
}

void removeCharactersOfString(QString& string, const QString& characters)
{
    if (characters.isEmpty())
        return;
    const QStringView set(characters);
    removeWhere(string, [set](unichar unit) { return set.contains(QChar(unit)); });
}

void removeFeeds(QString& string)
{
    removeWhere(string, isFeedCharacter);
}

void removeTabs(QString& string)
{
    removeCharacters(string, u'\t');
}

void removeSpaces(QString& string)
{
    const CharacterSetBitmap* spaces = getSpacesBitmap();
    removeWhere(string, [spaces](unichar unit) { return bitmapContains(spaces, unit); });
}

void removeWhiteSpaces(QString& string)
{
    const CharacterSetBitmap* white = getWhiteSpacesBitmap();
    removeWhere(string, [white](unichar unit) { return bitmapContains(white, unit); });
}

void removeDigits(QString& string)
{
    const CharacterSetBitmap* digits = getDigitsBitmap();
    removeWhere(string, [digits](unichar unit) { return bitmapContains(digits, unit); });
}

void removeMultipleSpaces(QString& string)
{
    const CharacterSetBitmap* spaces = getSpacesBitmap();
    collapseRunsOf(string, [spaces](unichar unit) { return bitmapContains(spaces, unit); }, u' ');
}

void removeMultipleWhiteSpaces(QString& string)
{
    const CharacterSetBitmap* white = getWhiteSpacesBitmap();
    collapseRunsOf(string, [white](unichar unit) { return bitmapContains(white, unit); }, u' ');
}

void removeMultipleFeeds(QString& string)
{
    collapseRunsOf(string, isFeedCharacter, kLineFeed);
}

void trimWhiteSpaces(QString& string)
{
    const QStringView trimmed = unicode::trimmedWhiteSpace(string);
    if (trimmed.size() == string.size())
        return;
    string = trimmed.isEmpty() ? emptyString() : trimmed.toString();
}

void trimPrefixCharacter(QString& string, unichar c)
{
    string = stringByTrimmingUnits(string, [c](unichar unit) { return unit == c; }, TrimEnds::Start);
}

void trimSuffixCharacter(QString& string, unichar c)
{
    string = stringByTrimmingUnits(string, [c](unichar unit) { return unit == c; }, TrimEnds::End);
}

void trimCharacter(QString& string, unichar c)
{
    string = stringByTrimmingUnits(string, [c](unichar unit) { return unit == c; }, TrimEnds::Both);
}

void trimFeeds(QString& string)
{
    string = stringByTrimmingUnits(string, isFeedCharacter, TrimEnds::End);
}

void decodeTabs(QString& string, qsizetype width)
{
    if (width < 1 || !string.contains(QLatin1Char('\t')))
        return;
    QString result;
    result.reserve(string.size() + 4 * width);
    qsizetype column = 0;
    for (QChar unit : std::as_const(string)) {
        if (unit == QLatin1Char('\t')) {
            const qsizetype spaces = width - column % width;
            result.append(QString(spaces, QLatin1Char(' ')));
            column += spaces;
            continue;
        }
        column = isFeedCharacter(unit.unicode()) ? 0 : column + 1;
        result.append(unit);
    }
    string = result;
}

void encodeTabs(QString& string, qsizetype width)
{
    if (width < 1)
        return;
    const CharacterSetBitmap* spaces = getSpacesBitmap();
    QString result;
    result.reserve(string.size());
    qsizetype column = 0;
    qsizetype runStart = -1; // where the open run of blanks starts in `result`
    for (QChar unit : std::as_const(string)) {
        const unichar c = unit.unicode();
        if (isFeedCharacter(c)) {
            column = 0;
            runStart = -1;
        } else if (bitmapContains(spaces, c)) {
            if (runStart < 0)
                runStart = result.size();
            column += c == u'\t' ? width - column % width : 1;
            if (column % width == 0) {
                result.truncate(runStart);
                result.append(QLatin1Char('\t'));
                runStart = -1;
                continue;
            }
        } else {
            runStart = -1;
            ++column;
        }
        result.append(unit);
    }
    if (result != string)
        string = result;
}

qsizetype replaceCharacter(QString& string, unichar target, unichar replacement)
{
    return replaceCharacter(string, target, replacement, true);
}

qsizetype replaceCharacter(QString& string, unichar target, unichar replacement, bool caseSensitive)
{
    if (caseSensitive) {
        const qsizetype count = string.count(QChar(target));
        if (count > 0)
            string.replace(QChar(target), QChar(replacement));
        return count;
    }
    return replaceOccurrences(string, QStringView(&target, 1), QStringView(&replacement, 1), false);
}

qsizetype replaceString(QString& string, const QString& target, const QString& replacement)
{
    return replaceOccurrences(string, target, replacement, true);
}

qsizetype replaceString(QString& string, const QString& target, const QString& replacement, bool caseSensitive)
{
    return replaceOccurrences(string, target, replacement, caseSensitive);
}

qsizetype replaceStringWithFormatArguments(QString& string, const QString& target, const QString& format,
                                           const QVariantList& arguments)
{
    if (target.isNull() || format.isNull())
        return 0;
    return replaceOccurrences(string, target, stringWithFormat(format, arguments), true);
}

} // namespace sorvant
