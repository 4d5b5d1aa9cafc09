#include "foundation/removing_characters.h"

#include "foundation/mutable_string_edits.h"
#include "foundation/string_units.h"

namespace sorvant {

namespace {

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

QString bitmapRemoved(const QString& string, const CharacterSetBitmap* set)
{
    return keptUnits(string, [set](unichar c) { return !bitmapContains(set, c); });
}

// A copy of the string with an in-place edit applied. An edit that changes
// nothing leaves the copy shared, so the receiver itself comes back.
template <typename Edit>
QString edited(const QString& string, Edit edit)
{
    QString copy = string;
    edit(copy);
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
    return edited(string, removeFeeds);
}

QString stringByRemovingTabs(const QString& string)
{
    return edited(string, removeTabs);
}

QString stringByRemovingSpaces(const QString& string)
{
    return edited(string, removeSpaces);
}

QString stringByRemovingCharacters(const QString& string, unichar character)
{
    return edited(string, [character](QString& copy) { removeCharacters(copy, character); });
}

QString stringByRemovingCharactersOfString(const QString& string, const QString& characters)
{
    return edited(string, [&characters](QString& copy) { removeCharactersOfString(copy, characters); });
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
    return edited(string, removeMultipleSpaces);
}

QString stringByRemovingMultipleWhiteSpaces(const QString& string)
{
    return edited(string, removeMultipleWhiteSpaces);
}

QString stringByRemovingMultipleFeeds(const QString& string)
{
    return edited(string, removeMultipleFeeds);
}

} // namespace sorvant
