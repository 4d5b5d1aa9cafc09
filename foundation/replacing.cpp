#include "foundation/replacing.h"

#include "foundation/range.h"
#include "platform/string_compare.h"

#include <QStringView>

#include <algorithm>

namespace sorvant {

namespace {

// --- case-insensitive replacing ------------------------------------------------
// Matching is the platform's literal find with full case folding, so that
// "straße" matches "STRASSE" and each match is replaced where it lies in the
// receiver, whatever its length.

constexpr unsigned kFoldedLiteral = kCompareCaseInsensitive | kCompareLiteral;

// Whether `target` occurs in `string`: nowhere when either is empty or the
// target is longer; equality when both have the same length.
bool containsTarget(const QString& string, const QString& target, bool caseSensitive)
{
    if (string.isEmpty() || target.isEmpty() || target.size() > string.size())
        return false;
    if (caseSensitive)
        return string.contains(target, Qt::CaseSensitive);
    if (target.size() == string.size())
        return compareStrings(string, target, kFoldedLiteral) == 0;
    return containsString(string, target, kFoldedLiteral);
}

// The first match at or after `from`.
Range nextFoldedMatch(QStringView text, QStringView target, qsizetype from)
{
    if (from >= text.size())
        return kMissingRange;
    return findString(text, target, {from, text.size() - from}, kFoldedLiteral);
}

QString replacedIgnoringCase(const QString& string, const QString& target, const QString& replacement)
{
    QString result;
    result.reserve(string.size());
    qsizetype from = 0;
    for (Range match = nextFoldedMatch(string, target, 0); !match.isMissing();
         match = nextFoldedMatch(string, target, from)) {
        result.append(QStringView(string).mid(from, match.location - from));
        result.append(replacement);
        from = match.maxRange();
    }
    result.append(QStringView(string).mid(from));
    return result;
}

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
    if (replacement.isNull() || !containsTarget(string, target, caseSensitive))
        return string;
    if (caseSensitive)
        return QString(string).replace(target, replacement, Qt::CaseSensitive);
    return replacedIgnoringCase(string, target, replacement);
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
