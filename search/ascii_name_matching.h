#pragma once
// The name test of a search on the bytes a listing gives, for the common
// case of words that are all ASCII: an ASCII name needs no decoding, no
// composition and no Unicode folding, and most other names can be ruled out
// without them.
//
// Not here: the full test of one string (search/content_matching.h), which
// decides every name these bytes leave open.

#include <QtGlobal>

#include <string>
#include <vector>

namespace sorvant {

struct SearchParams;

// YES when every byte is below 0x80.
//   "report.txt" => YES   "caf\xC3\xA9" => NO   "" => YES
[[nodiscard]] bool isAsciiBytes(const char* bytes, qsizetype length);

// YES when a UTF-8 name holds a character whose full case folding or
// composed form holds an ASCII character (ß, ſ, the Kelvin sign, ﬀ …):
// only such a name can match an ASCII word that its ASCII bytes do not
// hold. Bytes that are no UTF-8 are skipped.
//   "straße" => YES   "\xE2\x84\xAA" "elvin" => YES   "résumé" => NO   "" => NO
[[nodiscard]] bool hasCharacterFoldingToAscii(const char* utf8, qsizetype length);

// What the bytes of a name tell about a match.
enum class NameVerdict {
    NoMatch,
    Match,
    // Only the decoded, composed name can tell.
    Undecided,
};

// The words of modes 0 to 2 of a search, ready for matching bytes. Made
// once per search; thread-safe to use.
class AsciiNameMatcher
{
public:
    explicit AsciiNameMatcher(const SearchParams& params);

    // The verdict for a name of the file system's bytes. For an ASCII name
    // and ASCII words, full case folding is ASCII lower case and composition
    // changes nothing, so the bytes decide, as searchWindowMatchString would
    // for the decoded name. For another name without a character folding
    // to ASCII, every ASCII character of its folded, composed form is one of
    // its own ASCII bytes, in order, with nothing new put between them
    // (composition may only take some away): words missing from the bytes
    // are missing from the name. Undecided for every name when some word is
    // not ASCII or the mode is above 2.
    //   words ("rep"), ignoring case: "REPORT" => Match   "draft" => NoMatch
    //   "r\xC3\xA9port" => NoMatch   "rep\xC3\xA9" => Undecided   "stra\xC3\x9F" "e" => Undecided
    [[nodiscard]] NameVerdict verdict(const char* name, qsizetype length) const;

private:
    [[nodiscard]] bool bytesMatch(const char* name, qsizetype length) const;

    // Longer names (some network and FUSE file systems give them) are left
    // to the full test.
    static constexpr qsizetype kLongestName = 1024;

    std::vector<std::string> m_words; // lower case when case is ignored
    bool m_ignoreCase = false;
    bool m_all = false;
    bool m_usable = false;
};

} // namespace sorvant
