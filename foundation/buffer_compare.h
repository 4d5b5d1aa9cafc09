#pragma once
// Find and three-way compare over raw UTF-16 buffers and 8-bit ASCII
// buffers: the inner loops of the word index and of phrase matching. No
// string objects, no allocation; the no-case variants fold both sides unit by
// unit through the upper CharsTable (so U+00DF matches only itself, never
// "SS"). Whole-string compare and find with full Unicode folding are in
// platform/string_compare.h.
//
// An 8-bit operand holds ASCII: byte b stands for the unit U+00bb. Lengths
// are in units (bytes for 8-bit operands); a null pointer is allowed with a
// length of 0.

#include "foundation/chars_table.h"
#include "foundation/range.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace sorvant {

// --- find ------------------------------------------------------------------
// The first unit of the first occurrence of `needle` in `haystack`, or
// nullptr when there is none, the needle is empty or longer than the haystack:
//   ("xaab", "ab")  => haystack + 2     ("ab", "abc") => nullptr
//   ("abc", "")     => nullptr          ("STRASSE", "strasse") no-case => haystack
//   ("STRAßE", "strasse") no-case => nullptr (the table keeps U+00DF)
[[nodiscard]] const unichar* findUnichars(const unichar* haystack, std::size_t haystackLength, const unichar* needle,
                                          std::size_t needleLength);
[[nodiscard]] const unichar* findUnicharsNoCase(const unichar* haystack, std::size_t haystackLength,
                                                const unichar* needle, std::size_t needleLength);
[[nodiscard]] const unichar* findCharsInUnichars(const unichar* haystack, std::size_t haystackLength, const char* needle,
                                                 std::size_t needleLength);
[[nodiscard]] const unichar* findCharsInUnicharsNoCase(const unichar* haystack, std::size_t haystackLength,
                                                       const char* needle, std::size_t needleLength);

// --- compare ---------------------------------------------------------------
// The difference of the first differing (folded) units, first minus second;
// when one is a prefix of the other, the difference of the lengths. The
// values are raw, not clamped to -1, 0 and 1:
//   ("abc", "abd") => -1     ("ab", "abc") => -1     ("b", "abc") => 1
//   ("", "")       => 0      ("ABC", "abc") no-case => 0
//   ("a", "B") no-case => 'A' - 'B' = -1
[[nodiscard]] std::int64_t compareUnichars(const unichar* first, std::size_t firstLength, const unichar* second,
                                           std::size_t secondLength);
[[nodiscard]] std::int64_t compareUnicharsNoCase(const unichar* first, std::size_t firstLength, const unichar* second,
                                                 std::size_t secondLength);
// Both sides mapped through `table`; compared as they are when it is null.
[[nodiscard]] std::int64_t compareUnicharsWithTable(const unichar* first, std::size_t firstLength,
                                                    const unichar* second, std::size_t secondLength,
                                                    const CharsTable* table);
[[nodiscard]] std::int64_t compareUnicharsWithChars(const unichar* first, std::size_t firstLength, const char* second,
                                                    std::size_t secondLength);
[[nodiscard]] std::int64_t compareUnicharsWithCharsNoCase(const unichar* first, std::size_t firstLength,
                                                          const char* second, std::size_t secondLength);
[[nodiscard]] std::int64_t compareChars(const char* first, std::size_t firstLength, const char* second,
                                        std::size_t secondLength);
[[nodiscard]] std::int64_t compareCharsNoCase(const char* first, std::size_t firstLength, const char* second,
                                              std::size_t secondLength);

// --- the same under the string toolkit's names -----------------------------
[[nodiscard]] std::int64_t compareCharacters(const unichar* first, std::size_t firstLength, const unichar* second,
                                             std::size_t secondLength);
[[nodiscard]] std::int64_t caseInsensitiveCompareCharacters(const unichar* first, std::size_t firstLength,
                                                            const unichar* second, std::size_t secondLength);
[[nodiscard]] std::int64_t compareCharacters(const unichar* first, std::size_t firstLength, const char* second,
                                             std::size_t secondLength);
[[nodiscard]] std::int64_t caseInsensitiveCompareCharacters(const unichar* first, std::size_t firstLength,
                                                            const char* second, std::size_t secondLength);
// The 8-bit `needle` in the UTF-16 `haystack` (needle first):
//   ("b", "abc", true) => haystack + 1     ("B", "abc", false) => haystack + 1
[[nodiscard]] const unichar* positionOfCharacters(const char* needle, std::size_t needleLength,
                                                  const unichar* haystack, std::size_t haystackLength,
                                                  bool caseSensitive);
// Whether every unit is in the white-spaces set:
//   (" \t\n\u00A0") => true     ("") => true     (" a") => false
[[nodiscard]] bool onlyWhiteCharacters(const unichar* characters, std::size_t length);

// --- range equality --------------------------------------------------------
// Whether `range` of `string` equals `other`. Lengths must match (a null
// `other` has length 0); an empty range equals any other of length 0. A range
// not inside `string` is never equal.
//   rangeIsEqualTo("xaby", {1,2}, "ab")           => true
//   rangeIsEqualTo(s, {3,0}, null)                 => true
//   rangeIsEqualToNoCase("xABy", {1,2}, "ab")     => true
//   rangeIsNonUmlautedEqualToNoCase("\u00e9A", {0,2}, "EA") => true
//   rangeIsNonUmlautedEqualToNoCase(s, {0,0}, null)          => false
// rangeIsEqualTo compares with the platform's compare (canonical
// equivalence), rangeIsEqualToNoCase adds case folding, and
// rangeIsNonUmlautedEqualToNoCase maps unit by unit through upperUmlauts.
[[nodiscard]] bool rangeIsEqualTo(const QString& string, Range range, const QString& other);
[[nodiscard]] bool rangeIsEqualToNoCase(const QString& string, Range range, const QString& other);
[[nodiscard]] bool rangeIsNonUmlautedEqualToNoCase(const QString& string, Range range, const QString& other);

} // namespace sorvant
