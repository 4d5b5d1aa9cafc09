#pragma once
// Shortening text for display: menu-item titles, snippets of found text and
// multi-line previews. The cut falls at a word boundary (word characters are
// the alphanumerics bitmap) and is marked by "..." (three full stops, never
// the one-unit ellipsis). Counting is in UTF-16 units; a cut never parts a
// letter from its combining marks.
//
// A null string gives a null string; a string that needs no cut is answered
// itself (no copy is made).

#include <QString>

namespace sorvant {

// The string cut after about `n` units at a word boundary, followed by "...".
// The cut looks forward for a separator up to index 2n-1 (the separator is
// kept); failing that it drops the word that would be cut and the
// separators before it. With no boundary in reach the string comes back uncut.
//   ("Hello world", 5)            => "Hello ..."
//   ("Hello, world", 5)           => "Hello,..."
//   ("Hello wonderful world", 7)  => "Hello..."
//   ("Hello", 5)                  => "Hello"      (the string itself)
//   ("Abcdefghijklmnopqrst", 5)   => "Abcdefghijklmnopqrst"
//   (s, 0) => s      ("", n) => ""      (null, n) => null
[[nodiscard]] QString stringByEllipsizingAfterNCharacters(const QString& string, unsigned n);

// The string as a menu-item title: stringByEllipsizingAfterNCharacters(30).
[[nodiscard]] QString stringByEllipsizingMenuItemTitle(const QString& string);

// At most `lines` non-empty lines of the string, each ellipsized after `n`
// units, joined by "\n". Lines end at U+000A, U+000C, U+000D (CR LF is one
// end), U+0003, U+2028, U+2029, U+FFFC and U+FEFF; empty lines and a leading
// U+FEFF make no line. U+0085 does not end a line here.
//   ("one\r\n\r\ntwo\nthree", 2, 10) => "one\ntwo"
//   ("\n\n", 2, 10)                  => ""
//   ("x", 1, 10)                     => "x"
//   (s, 0, n) => s      ("", l, n) => ""      (null, l, n) => null
[[nodiscard]] QString stringByEllipsizingNLines(const QString& string, unsigned lines, unsigned n);

// --- where a cut may fall ------------------------------------------------------
// The nearest grapheme-cluster boundary at or before (at or after) `index`,
// so a cut never parts a letter from its combining marks nor the halves of
// a surrogate pair. The index is first clamped to [0, size].
//   ("cafe\u0301s", 4) => 3 (before)      ("cafe\u0301s", 4) => 5 (after)
//   ("abc", 1)        => 1                (null or "", i)   => 0
[[nodiscard]] qsizetype clusterBoundaryAtOrBefore(const QString& string, qsizetype index);
[[nodiscard]] qsizetype clusterBoundaryAtOrAfter(const QString& string, qsizetype index);

} // namespace sorvant
