#pragma once
// Word operations on strings that split phrases and query terms into words:
// the words of a string by the default word separation, counts, the first
// and last word, the word or link around a position, a plain separator-based
// word enumeration and spaces between Chinese and Japanese words.
//
// Except for enumerateWordsInRange(), these follow FastWordEnumerator's idea
// of a word: runs outside the default word separators, with Asian runs cut
// when Asian splitting is on.
//   wordsUsingDefaultSeparation("Hello, world!") => ["Hello", "world"]

#include "foundation/chars_table.h"
#include "foundation/range.h"

#include <QStringList>

#include <type_traits>

namespace sorvant {

// --- word lists and counts ---------------------------------------------------

// The words of at least `minLen` units, in text order.
//   "Hello, world!" => ["Hello", "world"]   ("a bb ccc", 3) => ["ccc"]
//   "" => []   QString() => []
[[nodiscard]] QStringList wordsUsingDefaultSeparation(const QString& string, qsizetype minLen = 1);
//   "a bb ccc" => 3   ("a bb ccc", 2) => 2   "" => 0
[[nodiscard]] qsizetype numberOfWordsUsingDefaultSeparation(const QString& string, qsizetype minLen = 1);

// --- words and links at a position -------------------------------------------

// The word holding unit `index` (NSNotFound: the last unit); missing for an
// empty string, an index past the end or a separator there.
//   ("ab cd", 4) => {3,2}   ("ab cd", 2) => missing
[[nodiscard]] Range getWordRangeAtIndex(const QString& string, qsizetype index);
// The word holding the first / last unit, or "" when a separator is there.
//   " lead" => ""   "tail." => ""   "one two" => "one" / "two"
[[nodiscard]] QString firstWord(const QString& string);
[[nodiscard]] QString lastWord(const QString& string);

// The link-like token (address, URL, mention) around `index`, without
// trailing punctuation; missing outside the string and at a leading "@".
//   ("mail me@x.org, now", 7) => {5,8}   ("<http://a.b>", 3) => {1,10}
[[nodiscard]] Range getLinkRangeAtIndex(const QString& string, qsizetype index);

// --- enumeration --------------------------------------------------------------

// Called for each word; answers true to stop. `characters` is the string's
// storage, valid during the call.
using StringWordHandler = bool (*)(const QString& string, const unichar* characters, qsizetype location,
                                   qsizetype length, void* context);

// Hands over the runs of `range` outside the default word separators (no
// word index, no Asian splitting) and answers the number handed over before
// a stop; 0 when the range leaves the string.
//   "a  b" over {0,4} => {0,1} {3,1}
qsizetype enumerateWordsInRange(const QString& string, Range range, StringWordHandler handler, void* context);

// The same with any callable (string, characters, location, length) -> bool stop.
template <typename Block>
qsizetype enumerateWordsInRange(const QString& string, Range range, Block&& block)
{
    using BlockType = std::remove_reference_t<Block>;
    auto trampoline = [](const QString& s, const unichar* units, qsizetype location, qsizetype length,
                         void* context) {
        return static_cast<bool>((*static_cast<BlockType*>(context))(s, units, location, length));
    };
    return enumerateWordsInRange(string, range, trampoline, const_cast<void*>(static_cast<const void*>(&block)));
}

// --- Asian words ----------------------------------------------------------------

// The string with one space between adjacent Chinese or Japanese words (as
// the word tokenizer finds them); the string itself when nothing changes.
//   "plain text" => "plain text" (the same string)   "" => ""
[[nodiscard]] QString stringBySeparatingAsianWords(const QString& string);

// --- the default word separation mode --------------------------------------------
// A process-wide number kept for callers; no operation depends on it.
[[nodiscard]] int defaultWordSeparationMode();
void setDefaultWordSeparationMode(int mode);

} // namespace sorvant
