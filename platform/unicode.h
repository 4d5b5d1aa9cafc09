#pragma once
// The Unicode services of the platform, from ICU: case mapping, folding,
// diacritic removal and normalization of whole strings. Unit tables and
// character classes built on these live in foundation/.
//
// All functions are total: a null string gives a null string, an empty one
// an empty one.
//   uppercaseString("straße")        => "STRASSE"   (full mapping)
//   lowercaseString("İ")             => "i̇"         (two units)
//   foldDiacritics("é")              => "e"
//   normalizedString("e\u0301", NFC) => "é"

#include <QString>

namespace sorvant::unicode {

// Locale-independent (root) full case mappings.
[[nodiscard]] QString lowercaseString(const QString& string);
[[nodiscard]] QString uppercaseString(const QString& string);
// Full case folding (the case-insensitive form used for comparing).
[[nodiscard]] QString caseFoldedString(const QString& string);

// The diacritic-insensitive fold: canonical decomposition, removal of the
// nonspacing marks (general category Mn), canonical recomposition.
[[nodiscard]] QString foldDiacritics(const QString& string);

enum class NormalizationForm { NFC, NFD, NFKC, NFKD };
[[nodiscard]] QString normalizedString(const QString& string, NormalizationForm form);
[[nodiscard]] bool isNormalized(const QString& string, NormalizationForm form);

// The boundary between user-perceived characters (a base with its marks, a
// surrogate pair) at `index` when there is one, else the nearest one after
// it (or, with `after` false, before it). 0 and the length are boundaries;
// an index outside the string is clamped.
//   (u"ae\u0301b", 2, true) => 3   (u"ae\u0301b", 2, false) => 1
//   (u"ab", 1, true) => 1          ("", 5, true) => 0
[[nodiscard]] qsizetype characterBoundary(const QString& string, qsizetype index, bool after);

// General category tests on one code point.
[[nodiscard]] bool isNonspacingMark(char32_t c);
// Whether `c` has a canonical decomposition (NFD changes it).
//   hasCanonicalDecomposition(U'é') => true   hasCanonicalDecomposition(U'e') => false
[[nodiscard]] bool hasCanonicalDecomposition(char32_t c);
[[nodiscard]] bool isLetter(char32_t c);        // L*, M*
[[nodiscard]] bool isAlphanumeric(char32_t c);  // L*, M*, N*

} // namespace sorvant::unicode
