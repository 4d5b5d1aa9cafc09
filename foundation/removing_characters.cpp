#include "foundation/removing_characters.h"

#include <QStringView>

namespace sorvant {

namespace {

// The line ends of the toolkit. Replace with the shared feed test of the
// lines module once it is available.
constexpr bool isFeedCharacter(unichar c)
{
    return c == 0x000A || c == 0x000D || c == 0x000C || c == 0x0003 || c == 0x2028 || c == 0x2029 || c == 0xFEFF
        || c == 0xFFFC;
}

const unichar* unitsOf(const QString& string)
{
    return reinterpret_cast<const unichar*>(string.constData());
}

// One pass that writes each unit `keep` accepts, mapped through `map`, into
// a new string of the written length.
template <typename Keep, typename Map>
QString keptUnits(const QString& string, Keep keep, Map map)
{
    const unichar* in = unitsOf(string);
    const qsizetype length = string.size();
    QString result(length, Qt::Uninitialized);
    auto* out = reinterpret_cast<unichar*>(result.data());
    qsizetype written = 0;
    for (qsizetype i = 0; i < length; ++i) {
        if (keep(in[i]))
            out[written++] = map(in[i]);
    }
    result.truncate(written);
    return result;
}

template <typename Keep>
QString keptUnits(const QString& string, Keep keep)
{
    return keptUnits(string, keep, [](unichar c) { return c; });
}

// The edit of a mutable copy: every unit of the class deleted. The copy stays
// shared with the receiver until a unit has to go.
template <typename IsMember>
QString withoutUnits(const QString& string, IsMember isMember)
{
    const unichar* in = unitsOf(string);
    for (qsizetype i = 0; i < string.size(); ++i) {
        if (isMember(in[i]))
            return keptUnits(string, [&](unichar c) { return !isMember(c); });
    }
    return string;
}

QString bitmapRemoved(const QString& string, const CharacterSetBitmap* set)
{
    return keptUnits(string, [set](unichar c) { return !bitmapContains(set, c); });
}

template <typename IsMember>
QString collapsed(const QString& string, IsMember isMember, unichar replacement)
{
    if (string.isEmpty())
        return string;
    QString copy(string.constData(), string.size());
    const CollapsedRuns runs =
        collapseRuns(reinterpret_cast<unichar*>(copy.data()), copy.size(), isMember, replacement);
    if (!runs.changed)
        return string;
    copy.truncate(runs.length);
    return copy;
}

QString digitsRemovedAndMapped(const QString& string, const CharsTable* table)
{
    if (string.isEmpty())
        return string;
    const CharacterSetBitmap* digits = getDigitsBitmap();
    return keptUnits(
        string, [digits](unichar c) { return !bitmapContains(digits, c); }, [table](unichar c) { return table[c]; });
}

} // namespace

QString stringByRemovingCharactersInRep(const QString& string, const CharacterSetBitmap* set)
{
    if (!set || string.isEmpty())
        return string;
    return bitmapRemoved(string, set);
}

QString stringByRemovingWhiteSpaces(const QString& string)
{
    return stringByRemovingCharactersInRep(string, getWhiteSpacesBitmap());
}

QString stringByRemovingFeeds(const QString& string)
{
    return withoutUnits(string, isFeedCharacter);
}

QString stringByRemovingTabs(const QString& string)
{
    return withoutUnits(string, [](unichar c) { return c == u'\t'; });
}

QString stringByRemovingSpaces(const QString& string)
{
    const CharacterSetBitmap* spaces = getSpacesBitmap();
    return withoutUnits(string, [spaces](unichar c) { return bitmapContains(spaces, c); });
}

QString stringByRemovingCharacters(const QString& string, unichar character)
{
    return withoutUnits(string, [character](unichar c) { return c == character; });
}

QString stringByRemovingCharactersOfString(const QString& string, const QString& characters)
{
    if (characters.isEmpty())
        return string;
    const QStringView set(characters);
    return withoutUnits(string, [set](unichar c) { return set.contains(QChar(c)); });
}

QString stringByRemovingDigits(const QString& string)
{
    if (string.isEmpty())
        return string;
    QString result = bitmapRemoved(string, getDigitsBitmap());
    return result.size() == string.size() ? string : result;
}

QString stringByRemovingNonAlphaNumericCharactersAndApplyingConversionTable(const QString& string,
                                                                           const CharsTable* table)
{
    if (string.isEmpty())
        return string;
    const CharacterSetBitmap* alphaNum = getAlphaNumBitmap();
    const auto keep = [alphaNum](unichar c) { return bitmapContains(alphaNum, c); };
    if (!table)
        return keptUnits(string, keep);
    return keptUnits(string, keep, [table](unichar c) { return table[c]; });
}

QString stringByApplyingConversionTable(const QString& string, const CharsTable* table)
{
    if (!table || string.isEmpty())
        return string;
    return keptUnits(string, [](unichar) { return true; }, [table](unichar c) { return table[c]; });
}

QString lowercaseStringByRemovingDigits(const QString& string)
{
    return digitsRemovedAndMapped(string, getLowerCharsTable());
}

QString uppercaseStringByRemovingDigits(const QString& string)
{
    return digitsRemovedAndMapped(string, getUpperCharsTable());
}

QString stringByRemovingNonIPCharacters(const QString& string)
{
    if (string.isEmpty())
        return string;
    // The upper table leaves digits and the full stop as they are, so the
    // kept units need no mapping.
    const CharacterSetBitmap* digits = getDigitsBitmap();
    return keptUnits(string, [digits](unichar c) { return c == u'.' || bitmapContains(digits, c); });
}

QString stringByRemovingMultipleSpaces(const QString& string)
{
    const CharacterSetBitmap* spaces = getSpacesBitmap();
    return collapsed(string, [spaces](unichar c) { return bitmapContains(spaces, c); }, u' ');
}

QString stringByRemovingMultipleWhiteSpaces(const QString& string)
{
    const CharacterSetBitmap* whiteSpaces = getWhiteSpacesBitmap();
    return collapsed(string, [whiteSpaces](unichar c) { return bitmapContains(whiteSpaces, c); }, u' ');
}

QString stringByRemovingMultipleFeeds(const QString& string)
{
    return collapsed(string, isFeedCharacter, u'\n');
}

} // namespace sorvant
