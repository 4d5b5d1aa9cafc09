#pragma once
// Regular expressions in the system's own syntax (ICU's), compiled once and
// matched against QString text, or against 8-bit text read through a
// character set's table of 256 units: options named the way callers know them,
// matches handed over one by one, and limits that bound a runaway pattern
// (an engine-step budget per match) or end a search early (a stop test the
// engine asks while it works).
//
//   compile("a+", 0).rangeOfFirstMatch("baa")            => {1, 2}
//   compile("A", kRegexCaseInsensitive).numberOfMatches("aAa") => 3
//   compile("(", 0).isValid()                             => false
//
// Matching is resumed at the previous match's end, one unit (code point)
// further only after an empty match, so adjacent matches are all found:
//   "a" over "aaa" => {0,1} {1,1} {2,1}      "x*" over "ab" => {0,0} {1,0} {2,0}
//
// A RegularExpression never changes after compiling; every match call works
// on its own clone of the compiled pattern, so one object may be used from
// several threads at once.

#include "platform/range.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace sorvant {

struct DoubleByteUnits;

// Compile options, with the system's bit values. They are translated to
// ICU's flags by name (ICU's own numbers differ: its 16 means "literal").
enum RegularExpressionOptions : unsigned {
    kRegexCaseInsensitive = 1,
    kRegexAllowCommentsAndWhitespace = 2,
    kRegexIgnoreMetacharacters = 4,       // the pattern is literal text
    kRegexDotMatchesLineSeparators = 8,
    kRegexAnchorsMatchLines = 16,         // "^" and "$" at every line
    kRegexUseUnixLineSeparators = 32,     // only "\n" ends a line
    kRegexUseUnicodeWordBoundaries = 64,
};

// Matching options, with the system's bit values.
enum RegularExpressionMatchingOptions : unsigned {
    kMatchAnchored = 4,                // one match, at the range's start only
    kMatchWithTransparentBounds = 8,   // look-around sees text outside the range
    kMatchWithoutAnchoringBounds = 16, // "^" and "$" do not match at the range's ends
};

// A budget of engine steps for one match when the caller names none. ICU
// counts steps (10,000 saved backtracking states each), not time, so the
// bound holds on any machine load; a backtracking pattern spends it in a
// few tenths of a second on long lines (0.1 to 0.6 s measured with the
// budget grown by one step per 1,000 characters, lines of 1,000 to 100,000
// characters, "(a+)+[0-9]", "(a|aa)+[0-9]", "(.*)*[0-9]"; as long over
// 8-bit text).
inline constexpr std::int32_t kDefaultRegexStepLimit = 1000;

// 8-bit text is decoded for the engine in pieces of twice this many units
// that begin and end at multiples of it, so that a look back across a seam
// rarely needs the piece before again.
inline constexpr qsizetype kRegexByteTextSeam = 2048;

// Bounds of one search.
struct RegularExpressionLimits
{
    // Engine steps one match may take; 0: unbounded.
    std::int32_t stepLimit = kDefaultRegexStepLimit;
    // Asked between matches and, during a long match, by the engine; true
    // ends the search (status kRegexStopped).
    std::function<bool()> shouldStop;
};

// How a search ended.
enum RegularExpressionStatus : int {
    kRegexCompleted = 0,   // every match in the range was handed over
    kRegexHandlerStop = 1, // the handler asked to stop
    kRegexStopped = 2,     // the stop test answered true
    kRegexTimedOut = 3,    // a match went over the step limit
    kRegexFailed = 4,      // invalid expression, range outside the text, or an engine error
};

// One match: the whole match and each capture group; a group that took no
// part in the match has the missing range.
struct RegularExpressionMatch
{
    QList<Range> ranges;

    [[nodiscard]] Range range() const { return ranges.isEmpty() ? kMissingRange : ranges.first(); }
    [[nodiscard]] Range rangeAtIndex(qsizetype index) const
    {
        return index >= 0 && index < ranges.size() ? ranges.at(index) : kMissingRange;
    }
    [[nodiscard]] qsizetype numberOfRanges() const { return ranges.size(); }
};

class RegularExpression
{
public:
    // Called for each match; answers true to stop.
    using MatchHandler = std::function<bool(const RegularExpressionMatch& match)>;

    // An invalid expression (isValid() false). Copies share the compiled
    // pattern, which never changes.
    RegularExpression() = default;

    // Compiles `pattern` with RegularExpressionOptions. A null or empty
    // pattern, unknown option bits or a syntax error give an invalid
    // expression and, when asked, a message for the user in the interface's
    // language (platform/localized_text.h): what is wrong and the 1-based
    // character where it was found.
    //   ("a+", 0)      => valid
    //   ("file-([", 0) => invalid, "a bracket [ is not closed at character 7"
    //   ("a{2,1}", 0)  => invalid, "a repetition's maximum is less than its minimum at character 6"
    //   ("", 0) => invalid      (null, 0) => invalid      ("a", 128) => invalid
    [[nodiscard]] static RegularExpression compile(const QString& pattern, unsigned options,
                                                   QString* errorMessage = nullptr);

    // --- observers ---------------------------------------------------------
    [[nodiscard]] bool isValid() const { return m_compiled != nullptr; }
    // The pattern and options compiled; null and 0 when invalid.
    [[nodiscard]] const QString& pattern() const { return m_pattern; }
    [[nodiscard]] unsigned options() const { return m_options; }
    // The number of capture groups; 0 when invalid.
    //   "(a)(b)?" => 2   "ab" => 0
    [[nodiscard]] qsizetype numberOfCaptureGroups() const;

    // --- matching ----------------------------------------------------------
    // Hands every match inside `range` of `text` to `handler`, in order,
    // within `limits`, and answers how the search ended. A range reaching
    // past the text's end is cut there; one starting outside it fails.
    //   "o" over "foo", {0, 3} => {1,1} {2,1}, kRegexCompleted
    //   "o" over "foo", {5, 1} => nothing, kRegexFailed
    RegularExpressionStatus enumerateMatches(const QString& text, Range range, unsigned matchingOptions,
                                             const RegularExpressionLimits& limits,
                                             const MatchHandler& handler) const;

    // enumerateMatches over an 8-bit text: each byte of `bytes` stands for
    // the one UTF-16 unit `byteUnits` gives it (a character set of one byte a
    // character, no surrogates), so ranges count bytes and units alike. The
    // engine reads the text through a few kilobytes of decoded units, with
    // no copy of it in UTF-16; matches, statuses and limits are those of
    // enumerateMatches over the decoded string, but for one thing of ICU's:
    // over a text longer than one piece, a pattern whose first character
    // is one of a set ("x*\\d", "[ab]c") is tried twice at each place the
    // set allows, twice the steps and the time, so it may run out of steps
    // where the string's search would not. More than 2^31 - 1 bytes fail.
    //   "\\x{e9}+" over "caf\xe9\xe9" with ISO-8859-1's units, {0, 5} => {3,2}
    //   "o" over empty bytes, {0, 0} => nothing, kRegexCompleted
    RegularExpressionStatus enumerateMatchesInBytes(QByteArrayView bytes, const std::array<char16_t, 256>& byteUnits,
                                                    Range range, unsigned matchingOptions,
                                                    const RegularExpressionLimits& limits,
                                                    const MatchHandler& handler) const;

    // enumerateMatches over a text in a set of one or two bytes a character
    // (DoubleByteUnits in platform/string_encoding.h), each character the
    // one unit the table gives it: ranges count bytes and begin and end at
    // characters. The engine reads the text through a few kilobytes of
    // decoded units, from marks found in one pass over the bytes (one per
    // 2,048), with no copy of it in UTF-16. Bytes the set leaves out are
    // U+FFFD, as the table reads them; more than 2^31 - 1 bytes fail.
    //   "\\x{3042}+" over "A\x82\xa0\x82\xa0" with Shift_JIS's units, {0, 5} => {1,4}
    //   "\\x{fffd} " over "a\x81 z" with Shift_JIS's units, {0, 4} => {1,2}
    //   "o" over empty bytes, {0, 0} => nothing, kRegexCompleted
    RegularExpressionStatus enumerateMatchesInDoubleBytes(QByteArrayView bytes, const DoubleByteUnits& units,
                                                          Range range, unsigned matchingOptions,
                                                          const RegularExpressionLimits& limits,
                                                          const MatchHandler& handler) const;

    // Every match in the whole text; empty on any failure.
    //   "\\d+" over "a1b22" => {1,1} {3,2}     over "" => []
    [[nodiscard]] QList<RegularExpressionMatch> matchesInString(const QString& text, unsigned matchingOptions = 0,
                                                              const RegularExpressionLimits& limits = {}) const;
    // The number of matches in the whole text (0 on failure).
    [[nodiscard]] qsizetype numberOfMatches(const QString& text, unsigned matchingOptions = 0,
                                            const RegularExpressionLimits& limits = {}) const;
    // The first match in `range` (the whole text without one); missing
    // when there is none or the search fails.
    //   "b+" over "abbc" => {1, 2}      "z" over "abc" => missing
    [[nodiscard]] Range rangeOfFirstMatch(const QString& text, Range range, unsigned matchingOptions = 0,
                                          const RegularExpressionLimits& limits = {}) const;
    [[nodiscard]] Range rangeOfFirstMatch(const QString& text) const;

    // `text` with every character that has a meaning in a pattern escaped,
    // so that the result matches the text literally.
    //   "a.b*" => "a\\.b\\*"      "" => ""      null => null
    [[nodiscard]] static QString escapedPatternForString(const QString& text);

private:
    struct Compiled;
    std::shared_ptr<const Compiled> m_compiled;
    QString m_pattern;
    unsigned m_options = 0;
};

} // namespace sorvant
