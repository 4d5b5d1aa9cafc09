#include "foundation/character_counting.h"

#include <algorithm>
#include <array>
#include <vector>

namespace sorvant {

namespace {

// Compares text units with one sought unit, through the upper table when
// the search ignores case and the unit has case.
class UnitMatcher
{
public:
    UnitMatcher(unichar c, bool caseInsensitive) : m_target(c)
    {
        if (!caseInsensitive)
            return;
        const CharsTable* upper = getUpperCharsTable();
        if (upper[c] != getLowerCharsTable()[c]) {
            m_upper = upper;
            m_target = upper[c];
        }
    }

    bool operator()(unichar unit) const { return (m_upper ? m_upper[unit] : unit) == m_target; }

private:
    unichar m_target;
    const CharsTable* m_upper = nullptr;
};

// The units from `start` on; empty when start is at or past the end.
QStringView tailFrom(QStringView string, qsizetype start)
{
    start = std::max<qsizetype>(start, 0);
    return start < string.size() ? string.mid(start) : QStringView();
}

} // namespace

qsizetype countCharacterFrom(QStringView string, unichar c, qsizetype start, bool caseInsensitive)
{
    const QStringView tail = tailFrom(string, start);
    if (tail.isEmpty())
        return 0;
    const UnitMatcher matches(c, caseInsensitive);
    return std::count_if(tail.utf16(), tail.utf16() + tail.size(), matches);
}

qsizetype findCharacterFrom(QStringView string, unichar c, qsizetype start, bool caseInsensitive)
{
    const QStringView tail = tailFrom(string, start);
    if (tail.isEmpty())
        return NSNotFound;
    const UnitMatcher matches(c, caseInsensitive);
    const auto* units = tail.utf16();
    const auto* found = std::find_if(units, units + tail.size(), matches);
    return found == units + tail.size() ? NSNotFound : string.size() - tail.size() + (found - units);
}

qsizetype findLastCharacterFrom(QStringView string, unichar c, qsizetype start, bool caseInsensitive)
{
    const QStringView tail = tailFrom(string, start);
    if (tail.isEmpty())
        return NSNotFound;
    const UnitMatcher matches(c, caseInsensitive);
    const auto* units = string.utf16();
    for (qsizetype i = string.size() - 1; i >= string.size() - tail.size(); --i) {
        if (matches(units[i]))
            return i;
    }
    return NSNotFound;
}

qsizetype findOneOfFrom(QStringView string, QStringView set, qsizetype start, bool caseInsensitive)
{
    const QStringView tail = tailFrom(string, start);
    if (tail.isEmpty() || set.isEmpty())
        return NSNotFound;
    std::vector<UnitMatcher> matchers;
    matchers.reserve(static_cast<std::size_t>(set.size()));
    for (QChar unit : set)
        matchers.emplace_back(unit.unicode(), caseInsensitive);
    const auto* units = string.utf16();
    for (qsizetype i = string.size() - tail.size(); i < string.size(); ++i) {
        const unichar unit = units[i];
        if (std::any_of(matchers.begin(), matchers.end(), [unit](const UnitMatcher& m) { return m(unit); }))
            return i;
    }
    return NSNotFound;
}

qsizetype countCharacter(QStringView string, unichar c)
{
    return countCharacterFrom(string, c, 0, false);
}

qsizetype countCharacter(QStringView string, unichar c, bool caseInsensitive)
{
    return countCharacterFrom(string, c, 0, caseInsensitive);
}

qsizetype countCharacter(QStringView string, unichar c, qsizetype start, bool caseInsensitive)
{
    return countCharacterFrom(string, c, start, caseInsensitive);
}

bool containsCharacter(QStringView string, unichar c)
{
    return findCharacterFrom(string, c, 0, false) != NSNotFound;
}

bool containsCharacter(QStringView string, unichar c, bool caseInsensitive)
{
    return findCharacterFrom(string, c, 0, caseInsensitive) != NSNotFound;
}

bool containsCharacter(QStringView string, unichar c, qsizetype start, bool caseInsensitive)
{
    return findCharacterFrom(string, c, start, caseInsensitive) != NSNotFound;
}

bool containsCharacters(QStringView string, unsigned mask)
{
    static constexpr std::array<unichar, 8> kCharacters = {u'.', u'@', u'/', u'?', u';', u'_', u'*', u'$'};
    if (mask == 0)
        return false;
    unsigned missing = mask;
    for (QChar unit : string) {
        const auto* at = std::find(kCharacters.begin(), kCharacters.end(), unit.unicode());
        if (at != kCharacters.end())
            missing &= ~(1u << (at - kCharacters.begin()));
        if (missing == 0)
            return true;
    }
    return false;
}

qsizetype findCharacter(QStringView string, unichar c)
{
    return findCharacterFrom(string, c, 0, false);
}

qsizetype findCharacter(QStringView string, unichar c, bool caseInsensitive)
{
    return findCharacterFrom(string, c, 0, caseInsensitive);
}

qsizetype findCharacter(QStringView string, unichar c, qsizetype start)
{
    return findCharacterFrom(string, c, start, false);
}

qsizetype findCharacter(QStringView string, unichar c, qsizetype start, bool caseInsensitive)
{
    return findCharacterFrom(string, c, start, caseInsensitive);
}

qsizetype findLastCharacter(QStringView string, unichar c)
{
    return findLastCharacterFrom(string, c, 0, false);
}

qsizetype findLastCharacter(QStringView string, unichar c, bool caseInsensitive)
{
    return findLastCharacterFrom(string, c, 0, caseInsensitive);
}

qsizetype findLastCharacter(QStringView string, unichar c, qsizetype start, bool caseInsensitive)
{
    return findLastCharacterFrom(string, c, start, caseInsensitive);
}

qsizetype findOneOf(QStringView string, QStringView set)
{
    return findOneOfFrom(string, set, 0, false);
}

qsizetype findOneOf(QStringView string, QStringView set, bool caseInsensitive)
{
    return findOneOfFrom(string, set, 0, caseInsensitive);
}

qsizetype findOneOf(QStringView string, QStringView set, qsizetype start, bool caseInsensitive)
{
    return findOneOfFrom(string, set, start, caseInsensitive);
}

} // namespace sorvant
