#pragma once
// Comparisons that look only at the units that are members of a set: every
// other unit is skipped on both sides, so under the letters set "a-b" equals
// "ab" and "a.b.c" begins with "ab". Unit-by-unit folding goes through the
// CharsTables of chars_table.h (the ignore-case forms map through the upper
// table). A null set is the empty set: nothing is compared.
//
// A null string counts as empty; two empty strings are equal.

#include "foundation/chars_table.h"

#include <QStringView>

namespace sorvant {

// Whether both strings have the same length and every pair of units maps to
// the same entry of `table` (compared exactly without a table):
//   ("Abc", "aBC", upper) => true    ("Abc", "aBC", nullptr) => false
//   ("ab", "abc", upper)  => false   (null, "", t) => true
[[nodiscard]] bool stringsEqualWithCharacterMap(QStringView first, QStringView second, const CharsTable* table);

// --- unit buffers ----------------------------------------------------------

// Whether the member units of `first` and of `second` form equal sequences.
[[nodiscard]] bool charactersEqualInSet(const unichar* first, qsizetype firstLength, const unichar* second,
                                        qsizetype secondLength, const CharacterSetBitmap* set);
// The same with both sides mapped through the upper table.
[[nodiscard]] bool charactersEqualInSetIgnoringCase(const unichar* first, qsizetype firstLength,
                                                    const unichar* second, qsizetype secondLength,
                                                    const CharacterSetBitmap* set);
// Whether the member units of `second` are a prefix of those of `first`.
[[nodiscard]] bool charactersHavePrefixInSet(const unichar* first, qsizetype firstLength, const unichar* second,
                                             qsizetype secondLength, const CharacterSetBitmap* set);
// The same with both sides mapped through the upper table.
[[nodiscard]] bool charactersHavePrefixInSetIgnoringCase(const unichar* first, qsizetype firstLength,
                                                         const unichar* second, qsizetype secondLength,
                                                         const CharacterSetBitmap* set);

// --- strings ---------------------------------------------------------------

// The string form of the four buffer comparisons: equality, or with
// `prefix` whether `second` begins `first`, optionally ignoring case.
[[nodiscard]] bool compareStringsInCharacterSet(QStringView first, QStringView second,
                                                const CharacterSetBitmap* set, bool ignoreCase, bool prefix);

//   stringsEqualInCharacterSet("a-b", "ab", letters)                 => true
//   stringsEqualInCharacterSetIgnoringCase("A-b", "aB", letters)     => true
//   stringHasPrefixInCharacterSet("a.b.c", "ab", letters)            => true
//   stringHasPrefixInCharacterSet("ab", "a.b.c", letters)            => false
//   stringsEqualInCharacterSet("", "--", letters)                    => true
[[nodiscard]] bool stringsEqualInCharacterSet(QStringView first, QStringView second, const CharacterSetBitmap* set);
[[nodiscard]] bool stringsEqualInCharacterSetIgnoringCase(QStringView first, QStringView second,
                                                          const CharacterSetBitmap* set);
[[nodiscard]] bool stringHasPrefixInCharacterSet(QStringView first, QStringView second,
                                                 const CharacterSetBitmap* set);
[[nodiscard]] bool stringHasPrefixInCharacterSetIgnoringCase(QStringView first, QStringView second,
                                                             const CharacterSetBitmap* set);

} // namespace sorvant
