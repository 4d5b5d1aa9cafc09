#include "foundation/character_classes.h"

#include "foundation/range.h"
#include "foundation/substring_finding.h"
#include "foundation/string_units.h"

#include <algorithm>

namespace sorvant {

namespace {

constexpr bool isCJKUnit(unichar c)
{
    return (c >= 0x3000 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF)
        || (c >= 0xA700 && c <= 0xEBEF);
}

// Whether some unit differs from its entry in `table`.
bool changesUnderTable(QStringView string, const CharsTable* table)
{
    const unichar* units = unitsOf(string);
    return std::any_of(units, units + string.size(), [table](unichar c) { return table[c] != c; });
}

} // namespace

bool containsCharacterOfSet(QStringView string, const CharacterSetBitmap* set)
{
    if (!set)
        return false;
    const unichar* units = unitsOf(string);
    return std::any_of(units, units + string.size(), [set](unichar c) { return bitmapContains(set, c); });
}

qsizetype countCharactersOfSet(QStringView string, const CharacterSetBitmap* set)
{
    if (!set)
        return 0;
    const unichar* units = unitsOf(string);
    return std::count_if(units, units + string.size(), [set](unichar c) { return bitmapContains(set, c); });
}

bool containsCharacterPartOfCharacterSetRep(QStringView string, const CharacterSetBitmap* set)
{
    return containsCharacterOfSet(string, set);
}

bool containsAlphaNumCharacter(QStringView string)
{
    return containsCharacterOfSet(string, getAlphaNumBitmap());
}

bool containsAlphaCharacter(QStringView string)
{
    return containsCharacterOfSet(string, getLettersBitmap());
}

bool containsWhiteCharacter(QStringView string)
{
    return containsCharacterOfSet(string, getWhiteSpacesBitmap());
}

bool containsDigitCharacter(QStringView string)
{
    return containsCharacterOfSet(string, getDigitsBitmap());
}

qsizetype countCharactersPartOfCharacterSetRep(QStringView string, const CharacterSetBitmap* set)
{
    return countCharactersOfSet(string, set);
}

qsizetype countAlphaNumCharacters(QStringView string)
{
    return countCharactersOfSet(string, getAlphaNumBitmap());
}

qsizetype countAlphaCharacters(QStringView string)
{
    return countCharactersOfSet(string, getLettersBitmap());
}

qsizetype countWhiteCharacters(QStringView string)
{
    return countCharactersOfSet(string, getWhiteSpacesBitmap());
}

qsizetype countDigitCharacters(QStringView string)
{
    return countCharactersOfSet(string, getDigitsBitmap());
}

bool containsCJKCharacter(QStringView string)
{
    const unichar* units = unitsOf(string);
    return std::any_of(units, units + string.size(), isCJKUnit);
}

qsizetype countNumbers(QStringView string)
{
    const unichar* units = unitsOf(string);
    qsizetype runs = 0;
    bool inRun = false;
    for (qsizetype i = 0; i < string.size(); ++i) {
        const bool digit = isAsciiDigit(units[i]);
        if (digit && !inRun)
            ++runs;
        inRun = digit;
    }
    return runs;
}

bool containsNumber(QStringView string, QStringView number)
{
    const qsizetype length = string.size();
    if (number.isEmpty() || string.isEmpty() || number.size() > length)
        return false;
    const unichar* units = unitsOf(string);
    qsizetype from = 0;
    while (from < length) {
        const Range found = findNextString(string, number, from, 0);
        if (found.isMissing() || found.length == 0)
            return false;
        const qsizetype end = found.maxRange();
        const bool digitBefore = found.location > 0 && isAsciiDigit(units[found.location - 1]);
        const bool digitAfter = end < length && isAsciiDigit(units[end]);
        if (!digitBefore && !digitAfter)
            return true;
        from = end;
    }
    return false;
}

bool containsNumberWithNDigits(QStringView string, qsizetype n)
{
    return containsNumberOfLength(unitsOf(string), string.size(), n);
}

bool containsNumberOfLength(const unichar* units, qsizetype length, qsizetype n)
{
    if (n < 1 || !units || length < n)
        return false;
    qsizetype run = 0;
    for (qsizetype i = 0; i < length; ++i) {
        run = isAsciiDigit(units[i]) ? run + 1 : 0;
        if (run >= n)
            return true;
    }
    return false;
}

bool isAsciiString(QStringView string)
{
    const unichar* units = unitsOf(string);
    return std::all_of(units, units + string.size(), [](unichar c) { return c <= 0x7F; });
}

bool isAsciiString(const QByteArray& data)
{
    return std::all_of(data.begin(), data.end(), [](char byte) { return (static_cast<unsigned char>(byte) & 0x80) == 0; });
}

bool isUmlautedString(QStringView string)
{
    return changesUnderTable(string, getUmlautsCharsTable());
}

bool isLowerCaseString(QStringView string)
{
    return !changesUnderTable(string, getLowerCharsTable());
}

bool isUpperCaseString(QStringView string)
{
    return !changesUnderTable(string, getUpperCharsTable());
}

} // namespace sorvant
