#pragma once
// Whether a list of strings holds a given string, exactly or ignoring case
// (the platform's compare, platform/string_compare.h: full case folding).
// Only elements of the same length in UTF-16 units can be equal, so a
// folding that changes lengths never makes "ß" equal to "SS" here.

#include <QString>
#include <QStringList>

namespace sorvant {

// The index of the first element of `array` with the length of `string` that
// compares equal to it under `options` (the platform's compare options);
// NSNotFound for an empty array, a null or empty string, or no match.
//   ({"Alpha", "beta"}, "alpha", kCompareCaseInsensitive) => 0
//   ({"Alpha", "beta"}, "alpha", 0)                       => NSNotFound
//   ({"a"}, "", 0)                                        => NSNotFound
[[nodiscard]] qsizetype indexOfStringInArray(const QStringList& array, const QString& string, unsigned options);

// indexOfStringInArray with options 0 (exact) or case-insensitive, as an
// index or as a yes/no answer.
[[nodiscard]] qsizetype indexOfStringEqualTo(const QStringList& array, const QString& string);
[[nodiscard]] qsizetype indexOfStringEqualToNoCase(const QStringList& array, const QString& string);
[[nodiscard]] bool containsString(const QStringList& array, const QString& string);
[[nodiscard]] bool containsStringNoCase(const QStringList& array, const QString& string);

} // namespace sorvant
