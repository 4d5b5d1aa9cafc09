#include "foundation/filtered_equality.h"

namespace sorvant {

namespace {

// Walks the member units of both sides in step. With `prefix`, running out
// of members in `second` first is success; otherwise both must run out
// together. `table` folds both units before they are compared (or nullptr).
bool compareMembers(const unichar* first, qsizetype firstLength, const unichar* second, qsizetype secondLength,
                    const CharacterSetBitmap* set, const CharsTable* table, bool prefix)
{
    if (!set)
        set = getEmptyBitmap();
    qsizetype j = 0;
    for (qsizetype i = 0; i < firstLength; ++i) {
        const unichar a = first[i];
        if (!bitmapContains(set, a))
            continue;
        while (j < secondLength && !bitmapContains(set, second[j]))
            ++j;
        if (j == secondLength)
            return prefix;
        const unichar b = second[j++];
        if (table ? table[a] != table[b] : a != b)
            return false;
    }
    while (j < secondLength) {
        if (bitmapContains(set, second[j++]))
            return false;
    }
    return true;
}

} // namespace

bool stringsEqualWithCharacterMap(QStringView first, QStringView second, const CharsTable* table)
{
    if (first.size() != second.size())
        return false;
    const unichar* a = first.utf16();
    const unichar* b = second.utf16();
    for (qsizetype i = 0; i < first.size(); ++i) {
        if (table ? table[a[i]] != table[b[i]] : a[i] != b[i])
            return false;
    }
    return true;
}

bool charactersEqualInSet(const unichar* first, qsizetype firstLength, const unichar* second, qsizetype secondLength,
                          const CharacterSetBitmap* set)
{
    return compareMembers(first, firstLength, second, secondLength, set, nullptr, false);
}

bool charactersEqualInSetIgnoringCase(const unichar* first, qsizetype firstLength, const unichar* second,
                                      qsizetype secondLength, const CharacterSetBitmap* set)
{
    return compareMembers(first, firstLength, second, secondLength, set, getUpperCharsTable(), false);
}

bool charactersHavePrefixInSet(const unichar* first, qsizetype firstLength, const unichar* second,
                               qsizetype secondLength, const CharacterSetBitmap* set)
{
    return compareMembers(first, firstLength, second, secondLength, set, nullptr, true);
}

bool charactersHavePrefixInSetIgnoringCase(const unichar* first, qsizetype firstLength, const unichar* second,
                                           qsizetype secondLength, const CharacterSetBitmap* set)
{
    return compareMembers(first, firstLength, second, secondLength, set, getUpperCharsTable(), true);
}

bool compareStringsInCharacterSet(QStringView first, QStringView second, const CharacterSetBitmap* set,
                                  bool ignoreCase, bool prefix)
{
    return compareMembers(first.utf16(), first.size(), second.utf16(), second.size(), set,
                          ignoreCase ? getUpperCharsTable() : nullptr, prefix);
}

bool stringsEqualInCharacterSet(QStringView first, QStringView second, const CharacterSetBitmap* set)
{
    return compareStringsInCharacterSet(first, second, set, false, false);
}

bool stringsEqualInCharacterSetIgnoringCase(QStringView first, QStringView second, const CharacterSetBitmap* set)
{
    return compareStringsInCharacterSet(first, second, set, true, false);
}

bool stringHasPrefixInCharacterSet(QStringView first, QStringView second, const CharacterSetBitmap* set)
{
    return compareStringsInCharacterSet(first, second, set, false, true);
}

bool stringHasPrefixInCharacterSetIgnoringCase(QStringView first, QStringView second, const CharacterSetBitmap* set)
{
    return compareStringsInCharacterSet(first, second, set, true, true);
}

} // namespace sorvant
