#include "foundation/trimming.h"

#include "foundation/mutable_string_edits.h"
#include "foundation/string_units.h"
#include "platform/white_space.h"

#include <QStringView>

namespace sorvant {

namespace {

enum class Ends { Start, End, Both };

// The part of `range` left after stripping the class from the chosen ends.
// The backward scan stops at the first kept unit, so a range that is all of
// the class collapses to length 0 at its end.
template <typename InClass>
Range keptRange(const QString& string, Range range, InClass inClass, Ends ends)
{
    const auto* units = unitsOf(string);
    qsizetype first = range.location;
    qsizetype end = range.maxRange();
    if (ends != Ends::End) {
        while (first < end && inClass(units[first]))
            ++first;
    }
    if (ends != Ends::Start) {
        while (end > first && inClass(units[end - 1]))
            --end;
    }
    return {first, end - first};
}

template <typename InClass>
QString trimmed(const QString& string, InClass inClass, Ends ends)
{
    if (string.isEmpty())
        return string;
    const Range kept = keptRange(string, {0, string.size()}, inClass, ends);
    if (kept.length == string.size())
        return string;
    if (kept.length == 0)
        return emptyString();
    return string.mid(kept.location, kept.length);
}

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
    return trimmed(string, memberOf(spacesOrWhiteSpaces(feeds)), Ends::Start);
}

QString stringByTrimmingSpacesOfRightSideAndFeeds(const QString& string, bool feeds)
{
    return trimmed(string, memberOf(spacesOrWhiteSpaces(feeds)), Ends::End);
}

QString stringByTrimmingSpacesAndFeeds(const QString& string, bool feeds)
{
    return trimmed(string, memberOf(spacesOrWhiteSpaces(feeds)), Ends::Both);
}

QString stringByTrimmingWhiteSpaces(const QString& string)
{
    const QStringView kept = unicode::trimmedWhiteSpace(string);
    if (kept.size() == string.size())
        return string;
    return kept.isEmpty() ? emptyString() : kept.toString();
}

Range trimWhiteSpacesInRange(const QString& string, Range range)
{
    return trimSpacesInRange(string, range, true);
}

Range trimSpacesInRange(const QString& string, Range range, bool feeds)
{
    range = clippedRange(range, string.size());
    const Range kept = keptRange(string, range, memberOf(spacesOrWhiteSpaces(feeds)), Ends::Both);
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
    return trimmed(string, [set](unichar c) { return !bitmapContains(set, c); }, Ends::Both);
}

QString stringByTrimmingCharacter(const QString& string, unichar character)
{
    return trimmed(string, equalTo(character), Ends::Both);
}

QString stringByTrimmingPrefixCharacter(const QString& string, unichar character)
{
    return trimmed(string, equalTo(character), Ends::Start);
}

QString stringByTrimmingSuffixCharacter(const QString& string, unichar character)
{
    return trimmed(string, equalTo(character), Ends::End);
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
    return trimmed(string, [](unichar c) { return c == u'\'' || c == u'"'; }, Ends::Both);
}

QString stringByTrimmingEllipsis(const QString& string)
{
    return trimmed(string, [](unichar c) { return c == u'.' || c == 0x2026; }, Ends::End);
}

QString stringByTrimmingDigits(const QString& string)
{
    return trimmed(string, memberOf(getDigitsBitmap()), Ends::Both);
}

} // namespace sorvant
