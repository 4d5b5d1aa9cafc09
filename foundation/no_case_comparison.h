#pragma once
// Whole-string, prefix and suffix comparison ignoring case, through the
// platform's compare (platform/string_compare.h: full case folding), and
// whole-string comparison ignoring case and diacritics through the
// upperUmlauts table. Strings of different lengths in UTF-16 units are
// never equal here, even when they fold to equal text ("ß" and "SS").
//
// A null receiver or argument gives false (NSNotFound for typedValueForKeys).

#include <QString>
#include <QStringList>

namespace sorvant {

// Whether both have the same length and are equal ignoring case:
//   ("Hello", "hELLO") => true   ("", "") => true   ("a", null) => false
//   ("straße", "STRASSE") => false (lengths differ)
[[nodiscard]] bool isEqualToStringNoCase(const QString& string, const QString& other);

// Whether both have the same length and every pair of units maps to the
// same upperUmlauts entry (case and diacritics ignored, unit by unit):
//   ("Café", "CAFE") => true   ("Mueller", "Müller") => false   ("", "") => true
[[nodiscard]] bool isNonUmlautedEqualToStringNoCase(const QString& string, const QString& other);

// Whether the first (last) units of `string`, as many as `prefix` (`suffix`)
// has, equal it ignoring case:
//   ("README.md", "readme") => true   ("abc", "") => false   ("ab", "abc") => false
//   ("photo.JPG", ".jpg")   => true (suffix)
[[nodiscard]] bool hasPrefixNoCase(const QString& string, const QString& prefix);
[[nodiscard]] bool hasSuffixNoCase(const QString& string, const QString& suffix);

// The position of the first of `keys` equal to `string` by
// isEqualToStringNoCase; NSNotFound when none is:
//   ("NO", {"yes", "no"}) => 1   ("maybe", {"yes", "no"}) => NSNotFound
//   ("x", {}) => NSNotFound
[[nodiscard]] qsizetype typedValueForKeys(const QString& string, const QStringList& keys);

} // namespace sorvant
