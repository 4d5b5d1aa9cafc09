#pragma once
// The loops that walk text of one or two bytes a character
// (DoubleByteUnits) a character at a time, shared by the readers of
// declared text: a decoder of pieces, the pass over runs of single bytes
// eight at a time, and when to make it.
//
// Not here: the tables themselves (platform/string_encoding.h) and what
// the walks are for (search/content_reading.h, search/wildcard_engine.h,
// platform/regular_expression.h).

#include "platform/string_encoding.h"

#include <cstddef>

namespace sorvant {

// Calls `take(at, unit, length)` for each character of a text in a set of
// one or two bytes a character from `at` (a character's start) on that
// begins before `to`, in a text that ends at `end` (`to` at most `end`),
// and answers where the last ends (one past `to` where a pair straddles
// it): the loop of the decoders of pieces of such text, a lookup a
// character, the length table looked at only for what the set leaves out,
// the text's end only at its last byte.
//   Shift_JIS "a\x82\xa0" from 0 to 2 => ('a', 1), (U+3042, 2), answers 3
template <typename Take>
inline const unsigned char* readCharacters(const DoubleByteUnits& units, const unsigned char* at,
                                           const unsigned char* to, const unsigned char* end, Take&& take)
{
    const char16_t* const pairs = units.pairs.data();
    // Before the text's last byte a lead's trail byte is in reach.
    const unsigned char* const pairsTo = to < end || to == at ? to : end - 1;
    while (at < pairsTo) {
        if (!units.lead[*at]) {
            take(at, units.single[*at], 1);
            ++at;
            continue;
        }
        const std::size_t pair = std::size_t(at[0]) << 8 | at[1];
        const char16_t unit = pairs[pair];
        // A length the compiler knows, but for what the set leaves out.
        if (unit != DoubleByteUnits::kReplacement) {
            take(at, unit, 2);
            at += 2;
            continue;
        }
        const unsigned char length = units.pairLengths[pair];
        take(at, unit, length);
        at += length;
    }
    if (at < to) {
        const DoubleByteUnits::Character last = units.characterAt(at, end);
        take(at, last.unit, last.length);
        at += last.length;
    }
    return at;
}

// The first byte from `at` on, before `end`, that `marks` (256 flags, or
// values where 0 is unmarked) marks; `end` when none is. Eight bytes a
// branch, then one.
//   marks = {lead bytes}: "abcdefghij\x82\xa0" => at the \x82   "abc" => end   "" => end
template <typename Marks>
[[nodiscard]] inline const unsigned char* firstMarkedByte(const unsigned char* at, const unsigned char* end,
                                                         const Marks& marks)
{
    // The flags or-ed as integers, without a branch each.
    while (end - at >= 8
           && (unsigned(marks[at[0]]) | unsigned(marks[at[1]]) | unsigned(marks[at[2]]) | unsigned(marks[at[3]])
               | unsigned(marks[at[4]]) | unsigned(marks[at[5]]) | unsigned(marks[at[6]])
               | unsigned(marks[at[7]]))
                  == 0)
        at += 8;
    while (at < end && unsigned(marks[*at]) == 0)
        ++at;
    return at;
}

// Where a walk of one character at a time that has just passed a single
// byte goes on, at `at`: past the run of unmarked bytes there
// (firstMarkedByte) where the byte seven on is unmarked too, so that a
// long run is likely (ASCII in logs, markup, mostly single-byte text) and
// the test of eight bytes pays; else at `at`, so that text of two bytes a
// character, where that test would fail, seldom makes it.
template <typename Marks>
[[nodiscard]] inline const unsigned char* afterSingleRun(const unsigned char* at, const unsigned char* end,
                                                        const Marks& marks)
{
    return end - at >= 8 && unsigned(marks[at[7]]) == 0 ? firstMarkedByte(at, end, marks) : at;
}

} // namespace sorvant
