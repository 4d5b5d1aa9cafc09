#pragma once
// Stripping units of a class from the start, the end or both ends of a
// string or of a range of it. In-place trimming of a QString is with the
// mutable edits; copies with units removed everywhere are in
// removing_characters.h.
//
// Return rules, unless a function says otherwise:
// - a null string gives a null string; an empty one is returned itself;
// - when nothing is stripped the receiver itself is returned (shared, no
//   copy: QString::isSharedWith holds), so that callers can test identity;
// - when every unit is stripped the result is "" (empty, not null).
//
// Classes: spaces (getSpacesBitmap: no line ends) or, with `feeds`, white
// spaces (getWhiteSpacesBitmap: line ends included); digits; a given unit; a
// caller's bitmap. stringByTrimmingWhiteSpaces alone uses the platform's
// narrower Unicode white space (platform/white_space.h).

#include "foundation/chars_table.h"
#include "foundation/range.h"
#include "foundation/string_units.h"

#include <QString>

namespace sorvant {

// --- the shared trim ------------------------------------------------------------
// Every trim of this header and the in-place trims of the mutable edits go
// through these two; `inClass(unit)` says whether a unit is stripped.

enum class TrimEnds { Start, End, Both };

// The part of `range` (within the string) left after stripping the class from
// the chosen ends; a range that is all of the class gives length 0 at the
// place where the backward scan stopped.
//   ("  ab ", {0, 5}, space, Both) => {2, 2}    ("   ", {0, 3}, space, Both) => {0, 0}
template <typename InClass>
[[nodiscard]] Range trimmedRange(const QString& string, Range range, InClass inClass, TrimEnds ends)
{
    const unichar* units = unitsOf(string);
    qsizetype first = range.location;
    qsizetype end = range.maxRange();
    if (ends != TrimEnds::End) {
        while (first < end && inClass(units[first]))
            ++first;
    }
    if (ends != TrimEnds::Start) {
        while (end > first && inClass(units[end - 1]))
            --end;
    }
    return {first, end - first};
}

// The string stripped of the class at the chosen ends, by the return rules
// above (receiver itself when nothing is stripped, "" when all is).
//   ("xaxx", 'x', Both) => "a"   ("xx", 'x', End) => ""   ("a", 'x', Both) => "a" (itself)
template <typename InClass>
[[nodiscard]] QString stringByTrimmingUnits(const QString& string, InClass inClass, TrimEnds ends)
{
    if (string.isEmpty())
        return string;
    const Range kept = trimmedRange(string, {0, string.size()}, inClass, ends);
    if (kept.length == string.size())
        return string;
    if (kept.length == 0)
        return emptyString();
    return string.mid(kept.location, kept.length);
}

// --- spaces and line ends ----------------------------------------------------

// The string without its trailing run of feed characters (U+0003, U+000A,
// U+000C, U+000D, U+2028, U+2029, U+FEFF, U+FFFC); leading ones stay.
//   "\r\na\r\n" => "\r\na"    "a" => "a"    "\n" => ""    null => null
[[nodiscard]] QString stringByTrimmingFeeds(const QString& string);

// Spaces (or, with `feeds`, white spaces) stripped from the start.
//   (" \na ", false) => "\na "    (" \na ", true) => "a "
[[nodiscard]] QString stringByTrimmingSpacesOfLeftSideAndFeeds(const QString& string, bool feeds);

// Spaces (or, with `feeds`, white spaces) stripped from the end.
//   (" a \n", false) => " a \n"   (" a \n", true) => " a"
[[nodiscard]] QString stringByTrimmingSpacesOfRightSideAndFeeds(const QString& string, bool feeds);

// Spaces (or, with `feeds`, white spaces) stripped from both ends.
//   ("a  \n", false) => "a  \n" (the LF stops the scan)   ("a  \n", true) => "a"
//   ("   ", false) => ""    ("", false) => ""    ("a", false) => the receiver
[[nodiscard]] QString stringByTrimmingSpacesAndFeeds(const QString& string, bool feeds);

// Unicode white space and line ends stripped from both ends, as the
// platform's trim does; U+0000, U+0003, U+FEFF and U+FFFC are not white here.
//   " \ta\u2029" => "a"    "\uFEFFa" => "\uFEFFa"    "" => ""    null => null
[[nodiscard]] QString stringByTrimmingWhiteSpaces(const QString& string);

// --- ranges ----------------------------------------------------------------
// The range is clipped to the string first. The answer is the part of the
// range without leading and trailing units of the class, the range itself
// when nothing is stripped, and a range of length 0 at the range's end when
// the range is empty or holds nothing else.
//   ("a  b ", {1, 4})  => {3, 1}     (" ", {0, 1}) => {1, 0}
//   ("ab", {0, 2})     => {0, 2}     (null, {0, 0}) => {0, 0}

// White spaces (line ends included) stripped from both ends of the range.
[[nodiscard]] Range trimWhiteSpacesInRange(const QString& string, Range range);

// Spaces (or, with `feeds`, white spaces) stripped from both ends of the range.
[[nodiscard]] Range trimSpacesInRange(const QString& string, Range range, bool feeds);

// The substring of trimSpacesInRange, a new string even when nothing was
// stripped; "" when nothing remains.
//   ("x ab y", {1, 4}, false) => "ab"    ("ab", {0, 2}, false) => "ab" (new)
[[nodiscard]] QString stringByTrimmingSpacesInRange(const QString& string, Range range, bool feeds);

// --- given classes ---------------------------------------------------------

// Units that are not members of `set` stripped from both ends; the receiver
// for a null set.
//   ("--ab--", letters) => "ab"    ("--", letters) => ""
[[nodiscard]] QString stringByTrimmingCharactersNotInRep(const QString& string, const CharacterSetBitmap* set);

// The given unit stripped from both ends, the start, or the end.
//   stringByTrimmingCharacter("//a/b//", '/')        => "a/b"
//   stringByTrimmingPrefixCharacter("//a/", '/')     => "a/"
//   stringByTrimmingSuffixCharacter("/a//", '/')     => "/a"
//   stringByTrimmingCharacter("///", '/')            => ""
[[nodiscard]] QString stringByTrimmingCharacter(const QString& string, unichar character);
[[nodiscard]] QString stringByTrimmingPrefixCharacter(const QString& string, unichar character);
[[nodiscard]] QString stringByTrimmingSuffixCharacter(const QString& string, unichar character);

// Matching pairs of the given unit stripped from both ends together: as many
// pairs as enclose the text, at most half its length.
//   ("\"a\"", '"') => "a"       ("\"\"a\"\"", '"') => "a"    ("\"a", '"') => the receiver
//   ("\"\"", '"')  => ""        ("\"\"\"", '"')   => "\""    ("a", '"') => the receiver
[[nodiscard]] QString stringByTrimmingEnclosingCharacter(const QString& string, unichar character);

// Single and double quotes (U+0027, U+0022), mixed, stripped from both ends.
//   "'\"a\"'" => "a"    "'\"" => ""    "a'b" => the receiver
[[nodiscard]] QString stringByTrimmingQuotes(const QString& string);

// Full stops and ellipses (U+002E, U+2026), mixed, stripped from the end.
//   "Wait.\u2026." => "Wait"    "a.b" => the receiver    "..." => ""
[[nodiscard]] QString stringByTrimmingEllipsis(const QString& string);

// Decimal digits stripped from both ends.
//   "12ab3" => "ab"    "a1b" => the receiver    "123" => ""
[[nodiscard]] QString stringByTrimmingDigits(const QString& string);

} // namespace sorvant
