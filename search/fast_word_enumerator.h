#pragma once
// FastWordEnumerator: the word index over one UTF-16 text. Beside the text's
// units it keeps one flag byte per unit (FastWordIndexFlag) saying whether
// the unit separates words, begins a word or ends one. Every whole-word test
// of the search engine reads these bytes: term, phrase and wildcard search,
// the word lists and the highlighter build an enumerator over the text they
// examine and ask it.
//
//   "ab cd"  => flags 2 4 1 2 4, 2 words      "a" => flag 6, 1 word
//   " ,;"    => flags 1 1 1, 0 words          "don't" => "don", "t"
//
// Words are maximal runs of units outside the word separators (or, in
// wildcard mode, the wildcard separators, which keep "*", "?", "[" and "]"
// and everything inside brackets in the word). With Asian splitting on,
// Chinese and Japanese runs are further cut into dictionary words.
//
// Building and reading are in this header; term and wildcard search
// (search/word_search.h) and word lists (search/word_lists.h) build on it.
// An enumerator is used by one thread at a time.

#include "foundation/chars_table.h"
#include "foundation/range.h"
#include "search/stop_check.h"

#include <QStringList>

#include <cstdint>
#include <memory>
#include <type_traits>

namespace sorvant {

// The flag byte of one unit; a unit of a one-unit word carries 6.
enum FastWordIndexFlag : std::uint8_t {
    kWordSeparatorFlag = 1,
    kWordBeginningFlag = 2,
    kWordEndFlag = 4,
};

class FastWordEnumerator
{
public:
    // Called for each word of an enumeration; answers true to stop.
    using WordHandler = bool (*)(const FastWordEnumerator& enumerator, qsizetype location, qsizetype length,
                                 void* context);

    // --- construction ------------------------------------------------------
    // Each answers null for an empty text (or a null buffer, or when memory
    // cannot be had). A case-insensitive index holds the units folded
    // through the upper CharsTable; string() keeps the unfolded text.
    //   enumeratorWithString("")   => null
    //   enumeratorWithString("Straße", true, false)->substringWithRange({0, 6}) => "STRAßE"
    [[nodiscard]] static std::unique_ptr<FastWordEnumerator> enumeratorWithString(const QString& string);
    // With `stop`, null when the stop flag is seen while indexing.
    [[nodiscard]] static std::unique_ptr<FastWordEnumerator> enumeratorWithString(const QString& string,
                                                                                  bool caseInsensitive,
                                                                                  bool wildcard,
                                                                                  const StopCheck* stop = nullptr);
    // Copies the units (folded when `caseInsensitive`); plain scan.
    [[nodiscard]] static std::unique_ptr<FastWordEnumerator> enumeratorWithCharacters(const unichar* characters,
                                                                                      qsizetype length,
                                                                                      bool caseInsensitive);
    // Indexes the caller's units without copying; with `freeWhenDone` the
    // buffer (from std::malloc) is freed with std::free by invalidate().
    [[nodiscard]] static std::unique_ptr<FastWordEnumerator>
    enumeratorWithCharactersNoCopy(unichar* characters, qsizetype length, bool freeWhenDone);

    ~FastWordEnumerator();
    FastWordEnumerator(const FastWordEnumerator&) = delete;
    FastWordEnumerator& operator=(const FastWordEnumerator&) = delete;

    // --- class-wide settings -----------------------------------------------
    // The locale of every word tokenizer, taken once from the process.
    [[nodiscard]] static QString locale();
    // Whether later scans cut Chinese and Japanese runs into words (off
    // until set; the application turns it on at launch).
    [[nodiscard]] static bool splitAsianWords();
    static void setSplitAsianWords(bool split);

    // --- re-targeting ------------------------------------------------------
    // Indexes another buffer (plain scan); the same buffer and length do
    // nothing; a null buffer or length 0 leaves the enumerator empty.
    void setCharacters(unichar* characters, qsizetype length, bool freeWhenDone);
    // Drops the text and the index: length 0, no words.
    void invalidate();

    // --- observers ---------------------------------------------------------
    // The string the index was made from; null for buffer-made enumerators.
    [[nodiscard]] const QString& string() const { return m_string; }
    // The indexed units (folded for a case-insensitive enumerator).
    [[nodiscard]] const unichar* characters() const { return m_characters; }
    [[nodiscard]] qsizetype length() const { return m_length; }
    // The flag bytes, one per unit (FastWordIndexFlag).
    [[nodiscard]] const std::uint8_t* index() const { return m_index; }
    // Whether the last scan ran in wildcard mode.
    [[nodiscard]] bool isWildcard() const { return m_wildcard; }
    // The number of units that begin a word.
    [[nodiscard]] qsizetype numberOfWords() const { return m_numWords; }
    // Words of at least `minLength` units; below 2 the same as numberOfWords().
    //   "a bb ccc dddd", 3 => 2
    [[nodiscard]] qsizetype numberOfWords(qsizetype minLength) const;

    // The units of `range` as indexed; null when it is empty or leaves the text.
    [[nodiscard]] QString substringWithRange(Range range) const;
    // The same mapped through the lower / upper CharsTable.
    [[nodiscard]] QString lowercaseSubstringWithRange(Range range) const;
    [[nodiscard]] QString uppercaseSubstringWithRange(Range range) const;

    // The flag byte at `index`, 0 outside the text.
    [[nodiscard]] std::uint8_t typeAtIndex(qsizetype index) const
    {
        return index >= 0 && index < m_length ? m_index[index] : 0;
    }
    // Bit 1, 2 or 4 of the flag byte; false outside the text.
    [[nodiscard]] bool isWordSeparatorAtIndex(qsizetype index) const { return typeAtIndex(index) & kWordSeparatorFlag; }
    [[nodiscard]] bool isWordBeginningAtIndex(qsizetype index) const { return typeAtIndex(index) & kWordBeginningFlag; }
    [[nodiscard]] bool isWordEndAtIndex(qsizetype index) const { return typeAtIndex(index) & kWordEndFlag; }
    // Whether the unit begins or ends a word.
    [[nodiscard]] bool isWordAnchoredAtIndex(qsizetype index) const
    {
        return typeAtIndex(index) & (kWordBeginningFlag | kWordEndFlag);
    }
    // Whether a word ends right before `index` (0 < index <= length).
    [[nodiscard]] bool isWordEndBeforeIndex(qsizetype index) const
    {
        return index > 0 && index <= m_length && (m_index[index - 1] & kWordEndFlag);
    }
    // Whether a unit of `range`, cut at the text's end, is a separator.
    [[nodiscard]] bool containsSeparatorInRange(Range range) const;

    // --- navigation (word_navigation.cpp) -----------------------------------
    // Words returned are whole, even where they reach past a given limit.
    // The nearest word beginning in [start, index]; NSNotFound if none.
    [[nodiscard]] qsizetype locationOfPreviousWordFromIndex(qsizetype index, qsizetype start) const;
    // The first word beginning in [index, min(end, length)); NSNotFound if none.
    [[nodiscard]] qsizetype locationOfNextWordFromIndex(qsizetype index, qsizetype end) const;
    // The word holding unit `index`; missing at a separator or past the end.
    //   "ab cd": 1 => {0,2}   2 => missing
    [[nodiscard]] Range rangeOfWordAtIndex(qsizetype index) const;
    // The last word ending in [start, index].
    //   "ab cd": (2, 0) => {0,2}
    [[nodiscard]] Range rangeOfPreviousWordFromIndex(qsizetype index, qsizetype start) const;
    // The first word beginning in [index, min(end, length)).
    //   "ab cd": (2, 4) => {3,2}
    [[nodiscard]] Range rangeOfNextWordFromIndex(qsizetype index, qsizetype end) const;
    // The first word beginning at or after `index`.
    [[nodiscard]] Range enumerateNextWordAtIndex(qsizetype index) const
    {
        return rangeOfNextWordFromIndex(index, m_length);
    }

    // Hands over each word of `range`, cut to the range, in text order, and
    // answers the number handed over before a stop.
    //   "ab cd" over {1,3} => {1,1} {3,1}
    qsizetype enumerateWordsInRange(Range range, WordHandler handler, void* context) const;
    // The same with any callable (enumerator, location, length) -> bool stop.
    template <typename Block>
    qsizetype enumerateWordsInRange(Range range, Block&& block) const
    {
        using BlockType = std::remove_reference_t<Block>;
        auto trampoline = [](const FastWordEnumerator& e, qsizetype location, qsizetype length, void* context) {
            return static_cast<bool>((*static_cast<BlockType*>(context))(e, location, length));
        };
        return enumerateWordsInRange(range, trampoline, const_cast<void*>(static_cast<const void*>(&block)));
    }

    // --- word lists and text (word_navigation.cpp) ---------------------------
    // Appends the words of at least `minLen` units; `hyphenated`, when given,
    // says whether the text is two or more words joined by single "-", or
    // one-letter words joined by single "." ("e-mail-ready", "U.S.A").
    void addWordsTo(QStringList* words, qsizetype minLen, bool* hyphenated) const;
    // The units with a space put before every word that directly follows
    // another (split Asian words); null when memory cannot be had.
    [[nodiscard]] QString stringBySeparatingWords() const;
    // The first occurrence of `needle` in `range` (option 1: through the
    // upper table); anchored, it must be bounded by separators or the text's
    // limits. "xab ab", "ab", anchored => {4,2}
    [[nodiscard]] Range rangeOfString(const QString& needle, unsigned options, Range range, bool anchored) const;

    // --- term and wildcard search (word_search.cpp) --------------------------
    // Whether `word` occurs as a whole word.
    //   "the cat." "cat" => true    "concatenate" "cat" => false
    [[nodiscard]] bool containsWord(const QString& word, bool caseSensitive) const;
    // Whole-word occurrences of the primary and of every secondary word.
    //   "aa aa aaa": "aa" => 2, with ["aaa"] => 3
    [[nodiscard]] qsizetype countPrimaryWord(const QString& primary, const QStringList& secondaryWords,
                                             bool caseSensitive) const;
    // The nearest occurrence of any term after / before; with `isMutable`
    // terms that cannot occur in the range are removed from `terms`.
    //   "a b", ["b", "a"] => {0,1}
    [[nodiscard]] Range findNextQueryTerm(QStringList& terms, bool isMutable, Range range, bool caseSensitive,
                                          bool anchored, bool exactPhrase) const;
    [[nodiscard]] Range findPreviousQueryTerm(QStringList& terms, bool isMutable, Range range, bool caseSensitive,
                                              bool anchored, bool exactPhrase) const;
    // Whether any wildcard pattern matches in [0, length).
    [[nodiscard]] bool containsAnyWildcard(const QStringList& wildcards, qsizetype length, unsigned comparison,
                                           qsizetype minCharacters) const;
    // The first hit after the range's start / the last before its end.
    [[nodiscard]] Range rangeOfNextWildcard(const QStringList& wildcards, Range range, unsigned comparison,
                                            qsizetype minCharacters) const;
    [[nodiscard]] Range rangeOfPreviousWildcard(const QStringList& wildcards, Range range, unsigned comparison,
                                                qsizetype minCharacters) const;

private:
    FastWordEnumerator() = default;
    bool adopt(const unichar* characters, qsizetype length, bool freeCharacters);
    // NO when `stop` asked to stop before the end.
    bool scan(bool wildcard, const StopCheck* stop = nullptr);
    Range rangeOfWildcardInDirection(const QStringList& wildcards, Range range, unsigned comparison,
                                     qsizetype minCharacters, bool forward) const;
    Range findQueryTerm(QStringList& terms, bool isMutable, Range range, bool caseSensitive, bool anchored,
                        bool exactPhrase, bool forward) const;

    std::uint8_t* m_index = nullptr;
    const unichar* m_characters = nullptr;
    qsizetype m_length = 0;
    QString m_string;
    qsizetype m_numWords = 0;
    bool m_freeCharacters = false;
    bool m_wildcard = false;

    friend class WordScanner;
};

} // namespace sorvant
