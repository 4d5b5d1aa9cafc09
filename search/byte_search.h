#pragma once
// Tests on the UTF-8 bytes of a file, so that content search reads most
// files without decoding them: validity, ASCII finds with and without case,
// and the characters that make an ASCII find ignoring case inexact.
//
// Not here: what a match is (search/content_matching.h decides, with the
// platform's find as the rule).

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

namespace sorvant {

// Whether the bytes are well-formed UTF-8: no overlong forms, no
// surrogates, nothing above U+10FFFF, no cut sequence.
[[nodiscard]] bool isValidUtf8(const char* data, qsizetype size);

// Whether every byte is ASCII (below 0x80): one vector scan, for windows
// of files (search/ascii_name_matching.h has the one for short names).
//   "" => YES   "abc" => YES   "caf\xC3\xA9" => NO
[[nodiscard]] bool holdsOnlyAscii(const char* data, qsizetype size);

// The text of valid UTF-8, every character kept: unlike Qt's decoders, a
// U+FEFF at the start stays (it is part of the text, not a mark).
[[nodiscard]] QString decodeValidUtf8(const char* data, qsizetype size);

// Where to cut `size` bytes of UTF-8 so that no character is split: the
// start of a last character that may be incomplete, else `size`.
[[nodiscard]] qsizetype utf8CutPoint(const char* data, qsizetype size);

// Whether the bytes (valid UTF-8) hold a character whose full case folding
// yields an ASCII character (charactersFoldingToAscii).
[[nodiscard]] bool holdsCharacterFoldingToAscii(const char* data, qsizetype size);

// The offset of the two neighbouring bytes of `needle` (two bytes or more)
// that are rarest together in text, by a table of English letter
// frequencies that counts digits and punctuation as rarer still.
[[nodiscard]] qsizetype rarestPair(const QByteArray& needle);

// Finds one needle in bytes: exact bytes, or ASCII letters in either case.
// Ignoring case, the needle must be ASCII; the find answers every place
// where the bytes equal the needle up to ASCII case, which is the platform's
// find ignoring case only where holdsCharacterFoldingToAscii is false.
class ByteFinder
{
public:
    ByteFinder() = default;
    ByteFinder(const QByteArray& needle, bool ignoreCase);

    // The first start at or after `from` where the needle is, or -1.
    [[nodiscard]] qsizetype find(const char* data, qsizetype size, qsizetype from) const;
    // Whether the needle is at `at` (the bytes reach at least that far).
    [[nodiscard]] bool isAt(const char* data, qsizetype size, qsizetype at) const
    {
        return at >= 0 && size - at >= m_needle.size() && equalsAt(data + at);
    }
    [[nodiscard]] qsizetype size() const { return m_needle.size(); }
    [[nodiscard]] const QByteArray& needle() const { return m_needle; }
    [[nodiscard]] bool ignoresCase() const { return m_ignoreCase; }

private:
    [[nodiscard]] bool equalsAt(const char* data) const;

    QByteArray m_needle;   // lower case when ignoring case
    bool m_ignoreCase = false;
    // Two needle positions with rare bytes; candidates must hold them.
    qsizetype m_first = 0;
    qsizetype m_second = 0;
};

} // namespace sorvant
