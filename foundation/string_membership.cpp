#include "foundation/string_membership.h"

#include "foundation/range.h"
#include "platform/string_compare.h"

namespace sorvant {

qsizetype indexOfStringInArray(const QStringList& array, const QString& string, unsigned options)
{
    if (string.isEmpty())
        return NSNotFound;
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString& element = array.at(i);
        if (element.size() == string.size() && compareStrings(element, string, options | kCompareLiteral) == 0)
            return i;
    }
    return NSNotFound;
}

qsizetype indexOfStringEqualTo(const QStringList& array, const QString& string)
{
    return indexOfStringInArray(array, string, 0);
}

qsizetype indexOfStringEqualToNoCase(const QStringList& array, const QString& string)
{
    return indexOfStringInArray(array, string, kCompareCaseInsensitive);
}

bool containsString(const QStringList& array, const QString& string)
{
    return indexOfStringEqualTo(array, string) != NSNotFound;
}

bool containsStringNoCase(const QStringList& array, const QString& string)
{
    return indexOfStringEqualToNoCase(array, string) != NSNotFound;
}

} // namespace sorvant
