#include "foundation/replacing.h"

#include "foundation/range.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <QStringView>

namespace sorvant {

namespace {

// --- case-insensitive find ---------------------------------------------------
// Full case folding from ICU, so that "straße" matches "STRASSE". A private
// stand-in until the shared case-insensitive find of the finding module is
// available.

// The full case fold of the code point at units[*index], which is advanced
// past it; answers the number of units written to `out` (at most 3).
int32_t foldNext(const UChar* units, int32_t length, int32_t* index, UChar out[4])
{
    const int32_t start = *index;
    if (units[start] < 0x80) {
        // ASCII folds to ASCII: only A-Z change.
        const UChar unit = units[start];
        out[0] = unit >= u'A' && unit <= u'Z' ? static_cast<UChar>(unit + 0x20) : unit;
        ++*index;
        return 1;
    }
    UChar32 c = 0;
    U16_NEXT(units, *index, length, c);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t folded = u_strFoldCase(out, 4, units + start, *index - start, U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status) || folded > 4) {
        out[0] = static_cast<UChar>(units[start]);
        return 1;
    }
    return folded;
}

// The number of units of `text` from `at` whose fold is exactly `foldedNeedle`
// (ending on a code point), or -1.
qsizetype foldedMatchLength(QStringView text, qsizetype at, QStringView foldedNeedle)
{
    const auto* units = reinterpret_cast<const UChar*>(text.utf16());
    const auto length = static_cast<int32_t>(text.size());
    auto index = static_cast<int32_t>(at);
    qsizetype matched = 0;
    while (matched < foldedNeedle.size()) {
        if (index >= length)
            return -1;
        UChar folded[4];
        const int32_t count = foldNext(units, length, &index, folded);
        if (count > foldedNeedle.size() - matched)
            return -1;
        for (int32_t k = 0; k < count; ++k) {
            if (folded[k] != foldedNeedle[matched + k].unicode())
                return -1;
        }
        matched += count;
    }
    return index - at;
}

QString caseFolded(QStringView text)
{
    QString result;
    result.reserve(text.size());
    const auto* units = reinterpret_cast<const UChar*>(text.utf16());
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t index = 0; index < length;) {
        UChar folded[4];
        const int32_t count = foldNext(units, length, &index, folded);
        result.append(reinterpret_cast<const QChar*>(folded), count);
    }
    return result;
}

// The first match of the folded needle at or after `from`.
Range findFolded(QStringView text, qsizetype from, QStringView foldedNeedle)
{
    for (qsizetype at = from; at < text.size(); ++at) {
        if (at > from && U16_IS_TRAIL(text[at].unicode()) && U16_IS_LEAD(text[at - 1].unicode()))
            continue; // never start inside a surrogate pair
        const qsizetype length = foldedMatchLength(text, at, foldedNeedle);
        if (length > 0)
            return {at, length};
    }
    return kMissingRange;
}

// Whether `target` occurs in `string`: nowhere when either is empty or the
// target is longer; equality when both have the same length.
bool containsTarget(const QString& string, const QString& target, bool caseSensitive)
{
    if (string.isEmpty() || target.isEmpty() || target.size() > string.size())
        return false;
    if (caseSensitive)
        return string.contains(target, Qt::CaseSensitive);
    const QString foldedTarget = caseFolded(target);
    if (target.size() == string.size())
        return caseFolded(string) == foldedTarget;
    return !findFolded(string, 0, foldedTarget).isMissing();
}

QString replacedIgnoringCase(const QString& string, const QString& target, const QString& replacement)
{
    const QString foldedTarget = caseFolded(target);
    QString result;
    result.reserve(string.size());
    qsizetype from = 0;
    for (Range match = findFolded(string, 0, foldedTarget); !match.isMissing();
         match = findFolded(string, from, foldedTarget)) {
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
