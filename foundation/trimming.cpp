#include "foundation/trimming.h"

#include "foundation/mutable_string_edits.h"
#include "foundation/string_units.h"

namespace sorvant {

namespace {

const CharacterSetBitmap* spacesOrWhiteSpaces(bool feeds)
{
    return feeds ? getWhiteSpacesBitmap() : getSpacesBitmap();
}

auto memberOf(const CharacterSetBitmap* set)
{
    return [set](unichar c) { return bitmapContains(set, c); };
}

auto equalTo(unichar character)
{
    return [character](unichar c) { return c == character; };
}

} // namespace

QString stringByTrimmingFeeds(const QString& string)
{
    QString copy = string;
    trimFeeds(copy);
    return copy;
}

QString stringByTrimmingSpacesOfLeftSideAndFeeds(const QString& string, bool feeds)
{
    return stringByTrimmingUnits(string, memberOf(spacesOrWhiteSpaces(feeds)), TrimEnds::Start);
}

QString stringByTrimmingSpacesOfRightSideAndFeeds(const QString& string, bool feeds)
{
    return stringByTrimmingUnits(string, memberOf(spacesOrWhiteSpaces(feeds)), TrimEnds::End);
}

QString stringByTrimmingSpacesAndFeeds(const QString& string, bool feeds)
{
    return stringByTrimmingUnits(string, memberOf(spacesOrWhiteSpaces(feeds)), TrimEnds::Both);
}

QString stringByTrimmingWhiteSpaces(const QString& string)
{
    QString copy = string;
    trimWhiteSpaces(copy);
    return copy;
}

Range trimWhiteSpacesInRange(const QString& string, Range range)
{
    return trimSpacesInRange(string, range, true);
}

Range trimSpacesInRange(const QString& string, Range range, bool feeds)
{
    range = clippedRange(range, string.size());
    const Range kept = trimmedRange(string, range, memberOf(spacesOrWhiteSpaces(feeds)), TrimEnds::Both);
    return kept.length == 0 ? Range{range.maxRange(), 0} : kept;
}

QString stringByTrimmingSpacesInRange(const QString& string, Range range, bool feeds)
{
    if (string.isNull())
        return string;
    const Range kept = trimSpacesInRange(string, range, feeds);
    if (kept.length == 0)
        return emptyString();
    // A deep copy: the answer is never the receiver, even for its whole range.
    return QString(string.constData() + kept.location, kept.length);
}

QString stringByTrimmingCharactersNotInRep(const QString& string, const CharacterSetBitmap* set)
{
    if (!set)
        return string;
    return stringByTrimmingUnits(string, [set](unichar c) { return !bitmapContains(set, c); }, TrimEnds::Both);
}

QString stringByTrimmingCharacter(const QString& string, unichar character)
{
    return stringByTrimmingUnits(string, equalTo(character), TrimEnds::Both);
}

QString stringByTrimmingPrefixCharacter(const QString& string, unichar character)
{
    return stringByTrimmingUnits(string, equalTo(character), TrimEnds::Start);
}

QString stringByTrimmingSuffixCharacter(const QString& string, unichar character)
{
    return stringByTrimmingUnits(string, equalTo(character), TrimEnds::End);
}

QString stringByTrimmingEnclosingCharacter(const QString& string, unichar character)
{
    const qsizetype length = string.size();
    if (length < 2)
        return string;
    const auto* units = unitsOf(string);
    qsizetype pairs = 0;
    while (pairs < length / 2 && units[pairs] == character && units[length - 1 - pairs] == character)
        ++pairs;
    if (pairs == 0)
        return string;
    if (length == 2 * pairs)
        return emptyString();
    return string.mid(pairs, length - 2 * pairs);
}

QString stringByTrimmingQuotes(const QString& string)
{
    return stringByTrimmingUnits(string, [](unichar c) { return c == u'\'' || c == u'"'; }, TrimEnds::Both);
}

QString stringByTrimmingEllipsis(const QString& string)
{
    return stringByTrimmingUnits(string, [](unichar c) { return c == u'.' || c == 0x2026; }, TrimEnds::End);
}

QString stringByTrimmingDigits(const QString& string)
{
    return stringByTrimmingUnits(string, memberOf(getDigitsBitmap()), TrimEnds::Both);
}

} // namespace sorvant
