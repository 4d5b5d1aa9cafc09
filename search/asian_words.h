#pragma once
// The rule by which runs of Chinese and Japanese text are cut into words,
// shared by the word index and by stringBySeparatingAsianWords(). The
// tokenizer proposes limits; a limit is kept only between two letter-only
// tokens one side of which is Chinese or Japanese, so digits and other
// non-letters stay joined to their neighbours.

#include "platform/word_break.h"

namespace sorvant {

// Units of the CJK punctuation, kana and ideograph blocks.
//   U+65E5 => true   U+30C6 => true   'a' => false   U+AC00 (Hangul) => false
[[nodiscard]] inline bool isAsianUnit(unichar c)
{
    return (c >= 0x3000 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF);
}

// Fed the tokens of one run in order; says which of them begin a new word.
class AsianWordCuts
{
public:
    [[nodiscard]] bool cutsBefore(const unichar* units, const WordToken& token)
    {
        const bool cut = !m_first && !token.hasNonLetters && !m_previousHasNonLetters
            && (m_previousEndedAsian || isAsianUnit(units[token.location]));
        m_first = false;
        m_previousHasNonLetters = token.hasNonLetters;
        m_previousEndedAsian = isAsianUnit(units[token.location + token.length - 1]);
        return cut;
    }

private:
    bool m_first = true;
    bool m_previousHasNonLetters = false;
    bool m_previousEndedAsian = false;
};

} // namespace sorvant
