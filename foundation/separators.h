#pragma once
// The three shared separator sets of word, sentence and line splitting.
//
// Word separators: white space and newlines, punctuation, symbols, control
// and unassigned characters, the surrogate units U+D800..U+DFFE, the
// private-use units U+F400..U+F8FE and a fixed list of marks (quotes,
// brackets, dashes, superscript digits, fractions …). Digits, letters of
// every script and combining marks are word characters.
//   '-' '_' '\'' ' ' => separators     'a' '7' U+0301 => word characters
// Sentence separators: "!" "." ":" "?".
// Line separators: U+000D U+000A U+000C U+2029 U+2028 U+0003 U+FFFC U+0085.
//
// Each set is built once, on first use or by initSeparators() at launch,
// and never freed. The word set may be narrowed process-wide before
// searching starts (removing symbols that should count as word characters);
// otherwise the sets are read-only and any thread reads them without locks.

#include "foundation/chars_table.h"

namespace sorvant {

// Builds the word, sentence and line sets (once; later calls do nothing).
void initSeparators();

[[nodiscard]] CharacterSetBitmap* defaultWordSeparators();
[[nodiscard]] const CharacterSetBitmap* defaultSentenceSeparators();
[[nodiscard]] const CharacterSetBitmap* defaultLineSeparators();

} // namespace sorvant
