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
    UnitMatcher(unichar c, CharacterMatching matching) : m_target(c)
    {
        if (matching != CharacterMatching::IgnoringCase)
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

qsizetype countCharacter(QStringView string, unichar c, qsizetype start, CharacterMatching matching)
{
    const QStringView tail = tailFrom(string, start);
    if (tail.isEmpty())
        return 0;
    const UnitMatcher matches(c, matching);
    return std::count_if(tail.utf16(), tail.utf16() + tail.size(), matches);
}

qsizetype countCharacter(QStringView string, unichar c, CharacterMatching matching)
{
    return countCharacter(string, c, 0, matching);
}

bool containsCharacter(QStringView string, unichar c, qsizetype start, CharacterMatching matching)
{
    return findCharacter(string, c, start, matching) != NSNotFound;
}

bool containsCharacter(QStringView string, unichar c, CharacterMatching matching)
{
    return containsCharacter(string, c, 0, matching);
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

qsizetype findCharacter(QStringView string, unichar c, qsizetype start, CharacterMatching matching)
{
    const QStringView tail = tailFrom(string, start);
    if (tail.isEmpty())
        return NSNotFound;
    const UnitMatcher matches(c, matching);
    const auto* units = tail.utf16();
    const auto* found = std::find_if(units, units + tail.size(), matches);
    return found == units + tail.size() ? NSNotFound : string.size() - tail.size() + (found - units);
}

qsizetype findCharacter(QStringView string, unichar c, CharacterMatching matching)
{
    return findCharacter(string, c, 0, matching);
}

qsizetype findLastCharacter(QStringView string, unichar c, qsizetype start, CharacterMatching matching)
{
    const QStringView tail = tailFrom(string, start);
    if (tail.isEmpty())
        return NSNotFound;
    const UnitMatcher matches(c, matching);
    const auto* units = string.utf16();
    for (qsizetype i = string.size() - 1; i >= string.size() - tail.size(); --i) {
        if (matches(units[i]))
            return i;
    }
    return NSNotFound;
}

qsizetype findLastCharacter(QStringView string, unichar c, CharacterMatching matching)
{
    return findLastCharacter(string, c, 0, matching);
}

qsizetype findOneOf(QStringView string, QStringView set, qsizetype start, CharacterMatching matching)
{
    const QStringView tail = tailFrom(string, start);
    if (tail.isEmpty() || set.isEmpty())
        return NSNotFound;
    std::vector<UnitMatcher> matchers;
    matchers.reserve(static_cast<std::size_t>(set.size()));
    for (QChar unit : set)
        matchers.emplace_back(unit.unicode(), matching);
    const auto* units = string.utf16();
    for (qsizetype i = string.size() - tail.size(); i < string.size(); ++i) {
        const unichar unit = units[i];
        if (std::any_of(matchers.begin(), matchers.end(), [unit](const UnitMatcher& m) { return m(unit); }))
            return i;
    }
    return NSNotFound;
}

qsizetype findOneOf(QStringView string, QStringView set, CharacterMatching matching)
{
    return findOneOf(string, set, 0, matching);
}

} // namespace sorvant
