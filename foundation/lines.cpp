#include "foundation/lines.h"

#include "foundation/string_units.h"

#include <algorithm>

namespace sorvant {

namespace {

// Calls `onLine(start, length)` for every line, line ends included, in one
// pass over the units.
template <typename OnLine>
void forEachLine(const QString& string, OnLine onLine)
{
    const unichar* units = unitsOf(string);
    const qsizetype length = string.size();
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < length; ++i) {
        if (!isFeedCharacter(units[i]))
            continue;
        if (units[i] == kCarriageReturn && i + 1 < length && units[i + 1] == kLineFeed)
            ++i;
        onLine(lineStart, i + 1 - lineStart);
        lineStart = i + 1;
    }
    if (lineStart < length)
        onLine(lineStart, length - lineStart);
}

// The shared loop of the class tests.
bool allUnitsIn(const QString& string, const CharacterSetBitmap* set, bool emptyResult)
{
    if (string.isNull())
        return false;
    if (string.isEmpty())
        return emptyResult;
    const unichar* units = unitsOf(string);
    return std::all_of(units, units + string.size(), [set](unichar c) { return bitmapContains(set, c); });
}

} // namespace

qsizetype numberOfLines(const QString& string)
{
    qsizetype count = 0;
    forEachLine(string, [&count](qsizetype, qsizetype) { ++count; });
    return count;
}

QStringList lines(const QString& string)
{
    QStringList result;
    forEachLine(string, [&](qsizetype start, qsizetype length) { result.append(string.mid(start, length)); });
    return result;
}

QString firstLine(const QString& string)
{
    const unichar* units = unitsOf(string);
    const unichar* end = units + string.size();
    const unichar* feed = std::find_if(units, end, isFeedCharacter);
    if (feed == end)
        return string;
    return feed == units ? emptyString() : string.left(feed - units);
}

qsizetype lengthOfFeedOfLine(const QString& string)
{
    const unichar* units = unitsOf(string);
    qsizetype start = string.size();
    while (start > 0 && isFeedCharacter(units[start - 1]))
        --start;
    return string.size() - start;
}

QString feedOfLine(const QString& string)
{
    if (string.isNull())
        return QString();
    const qsizetype length = lengthOfFeedOfLine(string);
    return length == 0 ? emptyString() : string.right(length);
}

bool hasFeedOfLine(const QString& string)
{
    return !string.isEmpty() && isFeedCharacter(string.back().unicode());
}

bool isSpaceString(const QString& string)
{
    return allUnitsIn(string, getSpacesBitmap(), true);
}

bool isWhiteString(const QString& string)
{
    return allUnitsIn(string, getWhiteSpacesBitmap(), true);
}

bool isDigitString(const QString& string)
{
    return allUnitsIn(string, getDigitsBitmap(), false);
}

bool isAlphaString(const QString& string)
{
    return allUnitsIn(string, getLettersBitmap(), false);
}

bool isAlphaNumString(const QString& string)
{
    return allUnitsIn(string, getAlphaNumBitmap(), false);
}

bool isMashedWord(const QString& string)
{
    const qsizetype length = string.size();
    if (length < 3)
        return false;
    const unichar* units = unitsOf(string);
    const CharacterSetBitmap* upper = getUppercaseLettersBitmap();
    const CharacterSetBitmap* lower = getLowercaseLettersBitmap();
    if (!bitmapContains(upper, units[0]) || !bitmapContains(lower, units[1]))
        return false;
    qsizetype k = 2;
    while (k < length && bitmapContains(lower, units[k]))
        ++k;
    return k + 1 < length && bitmapContains(upper, units[k]) && bitmapContains(lower, units[k + 1]);
}

} // namespace sorvant
