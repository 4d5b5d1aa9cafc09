#pragma once
// The plan of one content search, made once when the matcher is built:
// the words and their byte finders, the literal text a regular expression
// or query terms need, and the windows a file is read in.
//
// Not here: the reads that follow the plan (search/content_matching.h).

#include "platform/string_compare.h"
#include "search/byte_search.h"
#include "search/content_reading.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace sorvant {

struct SearchParams;

struct ContentPlan
{
    enum class Kind { Decoded, Words, Literal };
    Kind kind = Kind::Decoded;

    // Words: the words of modes 0 to 2 and how many must be found.
    QStringList words;
    qsizetype enough = 0;
    unsigned findOptions = kCompareLiteral;
    bool ignoreCase = false;
    // Literal plans: any non-ASCII byte may match the literal's letters
    // (so such a file is always matched in full).
    bool nonAsciiMayMatch = false;
    struct Word
    {
        // The word's bytes, or ignoring case the ASCII folding of a word
        // that folds to ASCII; found this way, a match is checked by the
        // platform's find only where a non-ASCII character follows.
        std::optional<ByteFinder> bytes;
        // Ignoring case, the characters other than ASCII that a match may
        // cover, as groups of UTF-8 forms (a character and its case
        // variants), and whether a match covers one of every group (a
        // word folding to something else than ASCII: one group per such
        // character of its folding) or of any group (a word folding to
        // ASCII: the characters whose folding it holds, such as U+017F for
        // "s"; its other matches are all ASCII). The text around those
        // places is decoded and folded for the platform's find.
        std::vector<std::vector<char32_t>> groups;
        bool everyGroup = false;
        std::optional<StringSetFinder> alone;
        // Bytes around an anchor that hold every match covering it and the
        // character after that match.
        qsizetype margin = 0;
    };
    std::vector<Word> wordPlans;
    // The words with byte finders by their rarest two neighbouring bytes
    // (ASCII letters in lower case when ignoring case), so that many words
    // are found in one pass: a bit per pair, and the words of each pair
    // with the pair's offset in them; words of one byte by that byte.
    std::vector<std::uint64_t> pairBits = std::vector<std::uint64_t>(1024, 0);
    std::unordered_map<std::uint16_t, std::vector<std::pair<qsizetype, qsizetype>>> pairWords;
    std::array<std::vector<qsizetype>, 256> singleByteWords;
    qsizetype byteWordCount = 0;
    // The UTF-8 finder of each character a group names.
    std::map<char32_t, ByteFinder> characterFinders;
    // All words at once: the longest folded word, which the overlap of
    // the windows must hold.
    std::optional<StringSetFinder> setFinder;
    // Bytes read at a time, and bytes one window repeats of the one
    // before it.
    qsizetype window = kContentWindowBytes;
    qsizetype overlap = 0;
    // The NUL bytes that stand for a hole of the file; 0 when a match may
    // hold a NUL, so that holes are read.
    qsizetype holeRun = 0;

    // Regular expression: the literal text every match holds.
    std::optional<ByteFinder> literal;
};

// The plan of each mode: words (modes 0 to 2), the literal a regular
// expression needs, the literal query terms need. A mode with nothing to
// plan stays Decoded.
void planWords(ContentPlan& plan, const SearchParams& params);
void planRegularExpression(ContentPlan& plan, const SearchParams& params);
void planQueryTerms(ContentPlan& plan, const SearchParams& params);

// The key of two bytes, lower case first when ignoring case.
[[nodiscard]] std::uint16_t pairKey(char first, char second, bool ignoreCase);

// The text every match of `pattern` (in the regular-expression syntax)
// must contain, or null when none is found: the longest run of plain
// characters that no alternative, option or quantifier can skip.
//   "foo(bar|baz)+qux"  => "foo"     "ab?c" => "a"     "a|b" => null
[[nodiscard]] QString requiredLiteral(const QString& pattern);

} // namespace sorvant
