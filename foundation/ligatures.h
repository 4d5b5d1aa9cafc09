#pragma once
// In-place edits that bring text into one canonical form: typographic
// ligatures spelled out as letters, units that cannot stand in a plain name
// replaced by spaces, and Unicode normalization (form C by default),
// optionally followed by a case change. File names and comments are
// normalized through these. A null string stays null, an empty one empty.

#include "platform/unicode.h"

#include <QString>

namespace sorvant {

// Spells out the ligatures U+FB00..U+FB06, U+0132 and U+0133 as their
// letters (U+FB05 is "ft", not a long s); every other unit stays.
//   "a\uFB03b" => "affib"    "\u0132" => "IJ"    "abc" => "abc" (untouched)
void convertLigaturesToCharacters(QString& string);

// Replaces U+0000 and the private-use units U+E000..U+F8FF (and, with
// `replaceSurrogates`, every surrogate unit) by U+0020, then normalizes to
// form C. The replacement keeps the length.
//   ("a\u0000b\uE000", false) => "a b "
//   ("e\u0301\U0001F600", false) => "é\U0001F600"
//   ("\U0001F600", true) => "  "
void fixAndNormalizeString(QString& string, bool replaceSurrogates);

// Unicode normalization, form C or the given form:
//   "e\u0308" => "ë"    ("ë", NFD) => "e\u0308"
void normalizeString(QString& string);
void normalizeString(QString& string, unicode::NormalizationForm form);

// Form C, then full lower or upper case without a locale:
//   normalizeUppercaseString("e\u0301te\u0301") => "ÉTÉ" (composed)
//   normalizeLowercaseString("E\u0301T\u00c9") => "été"
void normalizeLowercaseString(QString& string);
void normalizeUppercaseString(QString& string);

} // namespace sorvant
