#pragma once
// Word-boundary tokens of a piece of text, from the dictionary-based word
// break iterator of ICU with the process's locale. It splits runs of
// Chinese and Japanese, which have no spaces between words; the system's own
// word index decides where those splits are kept.
//
// Tokens tile the text given: letters, digits, spaces and punctuation all
// come as tokens. A token "has non-letters" when any of its code points is
// not a letter (L*, M*):
//   "日本語" => tokens as the dictionary finds them, each letters only
//   "ab 12" => "ab" (letters), " " (non-letters), "12" (non-letters)

#include <QString>

struct UBreakIterator;

namespace sorvant {

using unichar = char16_t;

struct WordToken
{
    qsizetype location = 0;
    qsizetype length = 0;
    bool hasNonLetters = false;
};

// The locale every word tokenizer is made with: the process's current
// locale, taken once and kept for the life of the process.
[[nodiscard]] QString wordBreakLocale();

// One word break iterator, re-targeted from text to text. Used by one thread
// at a time; making one is cheap (a copy of a process-wide prototype).
class WordTokenizer
{
public:
    WordTokenizer();
    ~WordTokenizer();
    WordTokenizer(const WordTokenizer&) = delete;
    WordTokenizer& operator=(const WordTokenizer&) = delete;

    // False when no iterator could be made; such a tokenizer gives no tokens.
    [[nodiscard]] bool isValid() const { return m_iterator != nullptr; }

    // Targets units [location, location + length) of `units`, which must
    // outlive the walk; token locations are indexes into `units`. Answers
    // false (and gives no tokens) when the text cannot be set.
    bool setText(const unichar* units, qsizetype location, qsizetype length);

    // Moves to the next token; false at the end of the text.
    [[nodiscard]] bool advanceToNextToken(WordToken* token);

private:
    UBreakIterator* m_iterator = nullptr;
    const unichar* m_units = nullptr;
    qsizetype m_offset = 0;
    bool m_hasText = false;
};

} // namespace sorvant
