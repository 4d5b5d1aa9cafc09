#include "foundation/comparators.h"

#include "platform/collation.h"
#include "platform/string_compare.h"

namespace sorvant {

namespace {

// The case-insensitive compare of the platform: full case folding, units
// taken literally (no canonical equivalence), independent of the locale.
int caseInsensitiveCompare(const QString& a, const QString& b)
{
    return compareStrings(a, b, kCompareCaseInsensitive | kCompareLiteral);
}

} // namespace

int sortAscending(const QString& receiver, const QString& argument)
{
    const int order = QString::compare(receiver, argument, Qt::CaseSensitive);
    return (order > 0) - (order < 0);
}

int sortDescending(const QString& receiver, const QString& argument)
{
    return -sortAscending(receiver, argument);
}

int sortCaseInsensitiveAscending(const QString& receiver, const QString& argument)
{
    return caseInsensitiveCompare(receiver, argument);
}

int sortCaseInsensitiveDescending(const QString& receiver, const QString& argument)
{
    return -caseInsensitiveCompare(receiver, argument);
}

int sortLocalizedCaseInsensitiveAscending(const QString& receiver, const QString& argument)
{
    return localizedCompare(receiver, argument, kCollationCaseInsensitive);
}

int sortLocalizedCaseInsensitiveDescending(const QString& receiver, const QString& argument)
{
    return -localizedCompare(receiver, argument, kCollationCaseInsensitive);
}

qsizetype sortAscendingByLength(const QString& receiver, const QString& argument)
{
    if (receiver.size() != argument.size())
        return receiver.size() - argument.size();
    return caseInsensitiveCompare(receiver, argument);
}

qsizetype sortDescendingByLength(const QString& receiver, const QString& argument)
{
    if (receiver.size() != argument.size())
        return argument.size() - receiver.size();
    return caseInsensitiveCompare(receiver, argument);
}

int sortAscending(double receiver, double argument)
{
    const double difference = receiver - argument;
    return (difference > 0) - (difference < 0);
}

int sortDescending(double receiver, double argument)
{
    return sortAscending(argument, receiver);
}

} // namespace sorvant
