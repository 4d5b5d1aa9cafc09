#pragma once
// A text seen as lines: the feed characters, counting and splitting lines
// (line ends kept), the first line, the run of line ends at the end, and
// whole-string class tests (only spaces, white, digits, letters...).
//
// Feed characters (line ends): U+0003, U+000A (LF), U+000C, U+000D (CR),
// U+2028, U+2029, U+FEFF and U+FFFC; in counting and splitting a CR followed
// by an LF is one line end. (The line separators of word separation are a
// different set: they hold U+0085 and lack U+FEFF.)
//
// A null string gives what a message to nil gives: 0, false, a null string
// or an empty list. That differs from the empty string for the class tests
// that answer true on "" (isSpaceString, isWhiteString).

#include "foundation/chars_table.h"

#include <QString>
#include <QStringList>

namespace sorvant {

// --- feed characters -------------------------------------------------------
inline constexpr unichar kCarriageReturn = 0x000D;
inline constexpr unichar kLineFeed = 0x000A;

// Whether `c` is a line end:  '\n' => true   U+FEFF => true   U+0085 => false
[[nodiscard]] constexpr bool isFeedCharacter(unichar c)
{
    // U+FFFC, U+0003, U+000A, U+000C and U+000D, shifted by 4 so that all
    // fall in 0..17, are one bit test.
    constexpr unsigned kShiftedFeeds = (1u << 0) | (1u << 7) | (1u << 14) | (1u << 16) | (1u << 17);
    const unsigned shifted = (c + 4u) & 0xFFFFu;
    return (shifted <= 17 && ((kShiftedFeeds >> shifted) & 1u) != 0) || c == 0x2028 || c == 0x2029 || c == 0xFEFF;
}

// --- lines -----------------------------------------------------------------
// The number of lines: line ends (CR LF once) plus one for an unterminated
// last line.
//   "" => 0   "\n" => 1   "\n\n" => 2   "\r\n" => 1   "\r\r" => 2   "a\nb" => 2
[[nodiscard]] qsizetype numberOfLines(const QString& string);

// The lines with their line ends attached; joined, they give the string again.
//   "a\r\nb\n\nc" => {"a\r\n", "b\n", "\n", "c"}    "" => {}    null => {}
[[nodiscard]] QStringList lines(const QString& string);

// The text before the first line end; the string itself when it has none.
//   "ab\ncd" => "ab"   "\ufeffab" => ""   "ab" => "ab" (itself)   "" => ""   null => null
[[nodiscard]] QString firstLine(const QString& string);

// The run of feed characters at the end, in any mixture.
//   "a\n\r\n" => "\n\r\n"   "ab" => ""   "" => ""   null => null
[[nodiscard]] QString feedOfLine(const QString& string);
// The length of that run:  "a\n\r\n" => 3   "\n\n" => 2   "ab" => 0
[[nodiscard]] qsizetype lengthOfFeedOfLine(const QString& string);
// Whether the last unit is a feed character:  "a\n" => true   "" => false
[[nodiscard]] bool hasFeedOfLine(const QString& string);

// --- whole-string class tests ----------------------------------------------
// Whether every unit is in the class; the empty string gives true for the
// space and white tests and false for the others, a null string false.
//   isSpaceString(" \t")  => true    isSpaceString("\n")     => false
//   isWhiteString("\u00a0\n") => true   isWhiteString("")      => true
//   isDigitString("")     => false   isDigitString("0١")     => true
//   isAlphaString("aé")   => true    isAlphaNumString("a1")  => true
[[nodiscard]] bool isSpaceString(const QString& string);
[[nodiscard]] bool isWhiteString(const QString& string);
[[nodiscard]] bool isDigitString(const QString& string);
[[nodiscard]] bool isAlphaString(const QString& string);
[[nodiscard]] bool isAlphaNumString(const QString& string);

// Whether the string is a word of two or more capitalized parts: an upper-
// case letter, a lower-case letter, more lower-case letters, then an upper-
// case letter followed by a lower-case letter (what follows is not looked at).
//   "AbCd" => true   "FooBar2" => true   "ABcd" => false   "Abcd" => false
//   "AbC" => false   "AbC1" => false     "Ab" => false     null => false
[[nodiscard]] bool isMashedWord(const QString& string);

} // namespace sorvant
