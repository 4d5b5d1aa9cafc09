#include "foundation/no_case_comparison.h"

#include "foundation/chars_table.h"
#include "foundation/filtered_equality.h"
#include "foundation/range.h"
#include "platform/string_compare.h"

#include <algorithm>

namespace sorvant {

namespace {

// Case folded, code units compared as they are (no canonical equivalence).
constexpr unsigned kNoCaseLiteral = kCompareCaseInsensitive | kCompareLiteral;

} // namespace

bool isEqualToStringNoCase(const QString& string, const QString& other)
{
    if (string.isNull() || other.isNull() || string.size() != other.size())
        return false;
    return string.isEmpty() || compareStrings(string, other, kNoCaseLiteral) == 0;
}

bool isNonUmlautedEqualToStringNoCase(const QString& string, const QString& other)
{
    if (string.isNull() || other.isNull())
        return false;
    return stringsEqualWithCharacterMap(string, other, getUpperUmlautsCharsTable());
}

bool hasPrefixNoCase(const QString& string, const QString& prefix)
{
    if (prefix.isEmpty() || prefix.size() > string.size())
        return false;
    return compareStrings(QStringView(string).first(prefix.size()), prefix, kNoCaseLiteral) == 0;
}

bool hasSuffixNoCase(const QString& string, const QString& suffix)
{
    if (suffix.isEmpty() || suffix.size() > string.size())
        return false;
    return compareStrings(QStringView(string).last(suffix.size()), suffix, kNoCaseLiteral) == 0;
}

qsizetype typedValueForKeys(const QString& string, const QStringList& keys)
{
    const auto found = std::find_if(keys.begin(), keys.end(),
                                    [&](const QString& key) { return isEqualToStringNoCase(string, key); });
    return found == keys.end() ? NSNotFound : found - keys.begin();
}

} // namespace sorvant
