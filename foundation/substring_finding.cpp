#include "foundation/substring_finding.h"

#include "platform/string_compare.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace sorvant {

namespace {

// Code units as they are (after case folding for the no-case forms).
unsigned findOptions(bool caseSensitive)
{
    return kCompareLiteral | (caseSensitive ? 0u : unsigned(kCompareCaseInsensitive));
}

Range findIn(const QString& string, const QString& find, qsizetype from, qsizetype to, unsigned options)
{
    if (to <= from)
        return kMissingRange;
    return sorvant::findString(string, find, Range{from, to - from}, options);
}

// Whether the byte string occurs anywhere in units[0, length).
bool containsCString(const unichar* units, qsizetype length, const char* cstring)
{
    const auto n = static_cast<qsizetype>(std::strlen(cstring));
    if (n == 0 || n > length)
        return false;
    const auto first = static_cast<unsigned char>(cstring[0]);
    for (qsizetype start = 0; start <= length - n; ++start) {
        if (units[start] != first)
            continue;
        qsizetype i = 1;
        while (i < n && units[start + i] == static_cast<unsigned char>(cstring[i]))
            ++i;
        if (i == n)
            return true;
    }
    return false;
}

} // namespace

Range findNextString(QStringView haystack, QStringView needle, qsizetype from, unsigned options)
{
    const qsizetype length = haystack.size();
    from = std::max<qsizetype>(from, 0);
    if (needle.isEmpty() || from >= length)
        return kMissingRange;
    // The platform find folds only as far as it needs, so searching the
    // whole rest of the text costs no more than the distance to the match.
    return findString(haystack, needle, Range{from, length - from}, options);
}

Range findString(const QString& string, const QString& find, Range range, bool caseSensitive, bool forward, bool wrap)
{
    const qsizetype length = string.size();
    if (find.isEmpty() || length == 0)
        return kMissingRange;
    const Range current = clippedRange(range, length);
    const unsigned options = findOptions(caseSensitive);
    if (forward) {
        Range found = findIn(string, find, current.maxRange(), length, options);
        if (found.isMissing() && wrap && current.maxRange() > 0)
            found = findIn(string, find, 0, current.location, options);
        return found;
    }
    Range found = findIn(string, find, 0, current.location, options | kCompareBackwards);
    if (found.isMissing() && wrap && current.maxRange() < length)
        found = findIn(string, find, current.maxRange(), length, options | kCompareBackwards);
    return found;
}

bool containsSubstring(const QString& string, const QString& substring, bool caseSensitive)
{
    if (string.isEmpty() || substring.isEmpty() || substring.size() > string.size())
        return false;
    const unsigned options = findOptions(caseSensitive);
    if (substring.size() == string.size())
        return compareStrings(string, substring, options) == 0;
    return containsString(string, substring, options);
}

bool containsSubstrings(const QString& string, const QStringList& substrings, bool caseSensitive)
{
    if (string.isEmpty())
        return false;
    return std::any_of(substrings.begin(), substrings.end(), [&](const QString& substring) {
        return containsSubstring(string, substring, caseSensitive);
    });
}

qsizetype countSubstring(const QString& string, const QString& substring, bool caseSensitive)
{
    const unsigned options = findOptions(caseSensitive);
    qsizetype count = 0;
    qsizetype from = 0;
    for (;;) {
        const Range found = findNextString(string, substring, from, options);
        if (found.isMissing() || found.length == 0)
            return count;
        ++count;
        from = found.maxRange();
    }
}

bool containsAnyCString(const unichar* units, qsizetype length, const char* const* cstrings, const CharsTable* table)
{
    if (!units || length <= 0 || !cstrings)
        return false;
    std::vector<unichar> mapped;
    if (table) {
        mapped.resize(static_cast<size_t>(length));
        std::transform(units, units + length, mapped.begin(), [table](unichar c) { return table[c]; });
        units = mapped.data();
    }
    for (const char* const* cstring = cstrings; *cstring; ++cstring) {
        if (containsCString(units, length, *cstring))
            return true;
    }
    return false;
}

bool containsSubCStrings(const QString& string, const char* const* cstrings, bool caseSensitive)
{
    return containsAnyCString(QStringView(string).utf16(), string.size(), cstrings,
                              caseSensitive ? nullptr : getLowerCharsTable());
}

QString summarizeInParagraphs(const QString&, qsizetype)
{
    return QString();
}

QString summarizeInSentences(const QString&, qsizetype)
{
    return QString();
}

} // namespace sorvant
