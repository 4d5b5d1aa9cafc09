#pragma once
// Matching one text against a search: a decoded string, or the bytes of a
// text in a declared set of one or two bytes a character matched through
// the set's table without a copy in UTF-16. Reads no file.
//
// Not here: reading the text (search/content_reading.h), the matcher that
// drives the reads (search/content_matching.h).

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace sorvant {

struct DoubleByteUnits;
struct FileLabel;
struct SearchParams;
struct StopCheck;

// --- decoded text -------------------------------------------------------------------

// YES when `string` matches the search by the record's mode: all words,
// any word, the phrase (found with `findOptions`, of which only 1, ignore
// case, is used), the wildcard, the query terms or the regular expression.
// A regular expression gives up (no match) when the record's stop flag is
// set during the match, and on a match that runs out of steps (ICU's, the
// record's regexStepLimit plus one per 1,000 characters: a few tenths of a
// second; logged with "WARNING: "). A null string and a mode above 5 never match.
//   words ("a","b"), mode 0: "b a" => YES   "a" => NO   null => NO
//   words ("a","b"), mode 1: "xb" => YES   "" => NO
//   no words, mode 0 => YES; mode 1 => NO
[[nodiscard]] bool searchWindowMatchString(const QString& string, const SearchParams& params,
                                           unsigned findOptions);

// searchWindowMatchString, with the wildcard and query-term tests looking at
// `stop` as they go; `file` names the file the text is of in a warning.
[[nodiscard]] bool matchString(const QString& string, const SearchParams& params, unsigned findOptions,
                               const StopCheck* stop, const FileLabel* file = nullptr);

// --- declared sets matched on their bytes --------------------------------------------

// The UTF-16 unit each byte of a single-byte character set stands for
// (U+FFFD for one the set leaves out), and which bytes the set leaves out.
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

// A text in a declared set held as its bytes, what the set leaves out read
// as U+FFFD: of one byte a character (`table`) or of one or two (`pairs`),
// one of them set.
struct DeclaredText
{
    QByteArray bytes;
    const ByteUnits* table = nullptr;
    const DoubleByteUnits* pairs = nullptr;
    qsizetype length = 0; // characters
};

// The wildcard or regular expression of the record over `text`, as
// matchString would answer for its decoded string; `file` names it in a
// warning. An empty text matches nothing (".*" would find the empty match
// in it).
[[nodiscard]] bool matchesDeclaredText(const DeclaredText& text, const SearchParams& params,
                                       const StopCheck& stop, const FileLabel& file);

// Whether the record's query terms can be answered window by window
// (matchesDeclaredTextTerms): a tree without a proximity operator that
// counts words (a distance of 0 is AND). NO without query terms.
[[nodiscard]] bool hasTermsAnsweredInWindows(const SearchParams& params);

// The query terms of `text` decoded and matched in windows of about
// `window` bytes cut after a word separator, so that its peak is about its
// bytes rather than up to three times them as UTF-16 with a word index:
// each leaf is looked for in every window until all are found, and the
// tree answers from where its leaves were found. Null where the terms are
// not answered in windows (hasTermsAnsweredInWindows) or where the words
// do not let windows move on by a quarter of their size (a text of one long
// word); NO on a stop.
[[nodiscard]] std::optional<bool> matchesDeclaredTextTerms(const DeclaredText& text, const SearchParams& params,
                                                           const StopCheck& stop, qsizetype window);

} // namespace sorvant
