#include "foundation/replacing.h"

#include "foundation/mutable_string_edits.h"
#include "foundation/substring_finding.h"

namespace sorvant {

namespace {

// --- rotation ----------------------------------------------------------------

unichar rotated(unichar c, unsigned amount)
{
    if (c >= u'a' && c <= u'z')
        return static_cast<unichar>(u'a' + (c - u'a' + amount) % 26);
    if (c >= u'A' && c <= u'Z')
        return static_cast<unichar>(u'A' + (c - u'A' + amount) % 26);
    return c;
}

QString rotatedString(const QString& string, unsigned amount)
{
    QString result(string.constData(), string.size());
    auto* units = reinterpret_cast<unichar*>(result.data());
    for (qsizetype i = 0; i < result.size(); ++i)
        units[i] = rotated(units[i], amount);
    return result;
}

} // namespace

QString stringByReplacingCharacter(const QString& string, unichar from, unichar to)
{
    return stringByReplacingCharacter(string, from, to, true);
}

QString stringByReplacingCharacter(const QString& string, unichar from, unichar to, bool caseSensitive)
{
    if (from == to || string.isEmpty())
        return string;
    const CharsTable* upper = getUpperCharsTable();
    const unichar key = caseSensitive ? from : upper[from];
    const auto matches = [&](unichar c) { return (caseSensitive ? c : upper[c]) == key; };
    const auto* in = reinterpret_cast<const unichar*>(string.constData());
    qsizetype first = 0;
    while (first < string.size() && !matches(in[first]))
        ++first;
    if (first == string.size())
        return string;
    QString result(string.constData(), string.size());
    auto* units = reinterpret_cast<unichar*>(result.data());
    for (qsizetype i = first; i < result.size(); ++i) {
        if (matches(units[i]))
            units[i] = to;
    }
    return result;
}

QString stringByReplacingString(const QString& string, const QString& target, const QString& replacement)
{
    return stringByReplacingString(string, target, replacement, true);
}

QString stringByReplacingString(const QString& string, const QString& target, const QString& replacement,
                                bool caseSensitive)
{
    if (replacement.isNull() || !containsSubstring(string, target, caseSensitive))
        return string;
    QString copy = string;
    replaceString(copy, target, replacement, caseSensitive);
    return copy;
}

QString stringByRotating13(const QString& string)
{
    if (string.isEmpty())
        return string;
    return rotatedString(string, 13);
}

QString stringByRotating(const QString& string, std::size_t amount)
{
    const auto places = static_cast<unsigned>(amount % 26);
    if (string.isEmpty() || places == 0)
        return string;
    return rotatedString(string, places);
}

} // namespace sorvant
