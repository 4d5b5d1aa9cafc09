#pragma once
// Matching one text against a search, for content search's parts: a
// decoded string, or the bytes of a file in a declared set of one or two
// bytes a character matched through the set's table without a copy in
// UTF-16.
//
// Not here: reading the text (search/content_reading.h).

#include "search/content_matching.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace sorvant {

struct DoubleByteUnits;
struct StopCheck;

// searchWindowMatchString, with the wildcard and query-term tests looking at
// `stop` as they go; `file` names the file the text is of in a warning.
[[nodiscard]] bool matchString(const QString& string, const SearchParams& params, unsigned findOptions,
                               const StopCheck* stop, const FileLabel* file = nullptr);

// The UTF-16 unit each byte of a single-byte character set stands for, and
// which bytes the set leaves out.
struct ByteUnits
{
    std::array<char16_t, 256> units{};
    std::array<bool, 256> valid{};
};

// The byte units of `converter` when it is a set of one byte a character,
// each one unit; null for any other (multi-byte and stateful sets, UTF-8,
// one that maps a byte to more than one unit, a name ICU does not know).
// Kept per thread by name: a set is asked for once per file.
[[nodiscard]] const ByteUnits* singleByteUnits(const QByteArray& converter);

// The table of `converter` when it is a set of one or two bytes a
// character (DoubleByteUnits in platform/string_encoding.h); null for any
// other. Kept per thread by name, as singleByteUnits.
[[nodiscard]] const DoubleByteUnits* doubleByteUnitsOf(const QByteArray& converter);

// Whether the wildcards and regular expressions of a file declared in
// `converter` are matched on its bytes (matchesDeclaredBytes).
[[nodiscard]] bool isMatchedOnBytes(const QByteArray& converter);

// The whole-text wildcard or regular expression of a file in a declared
// set of one or two bytes a character, matched on its bytes: the text in
// UTF-16 would take up to twice the file. Null when the set is not such a
// one or the bytes are not all valid in it (the file is then read as if
// none were declared); NO when the file cannot be read, is too long to be searched
// whole (left to readWholeText, which says so) or on a stop.
[[nodiscard]] std::optional<bool> matchesDeclaredBytes(int fd, std::uint64_t size, const QByteArray& charset,
                                                       const SearchParams& params, const StopCheck& stop,
                                                       const FileLabel& file);

// The query terms of a file in a declared set of one byte a character or
// of one or two, decoded and matched in windows of about `window` bytes
// cut after a word separator, so that its peak is about its bytes rather
// than up to three times them as UTF-16 with a word index: each leaf is
// looked for in every window until all are found, and the tree answers
// from where its leaves were found. Only for a tree without a proximity operator (which counts
// words across the whole text), and where the words let windows move on
// by a quarter of their size (a file of one long word is not); null
// otherwise, or when the bytes are not all valid in the set (the file is
// then read whole). NO when the file cannot be read or on a stop.
[[nodiscard]] std::optional<bool> matchesDeclaredTerms(int fd, std::uint64_t size, const QByteArray& charset,
                                                       const SearchParams& params, const StopCheck& stop,
                                                       qsizetype window);

} // namespace sorvant
