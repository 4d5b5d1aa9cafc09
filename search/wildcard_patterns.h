#pragma once
// Wildcard patterns: what kind of pattern a word is, how long a match must
// be, which table both sides are compared through, which characters split a
// pattern into words, the fuzzy threshold, and whole-string wildcard tests.
// The matching itself (words of a text, globs, similarity) is in
// search/wildcard_engine.h.
//
// Pattern syntax: "*" any run of units (also none), "?" exactly one unit,
// "[...]" one unit out of a set: "[abc]", ranges "[a-z]", "|" between
// members ("[a|b]"), "^" first for negation ("[^0-9]"). There is no escape
// character: a literal "*", "?" or "[" is written as a one-member set
// ("[*]", "[?]", "[[]").

#include "foundation/chars_table.h"
#include "foundation/range.h"
#include "search/stop_check.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace sorvant {

struct DoubleByteUnits;

// The units of the pattern syntax.
inline constexpr unichar kWildcardStar = u'*';
inline constexpr unichar kWildcardQuestion = u'?';
inline constexpr unichar kWildcardSetOpen = u'[';
inline constexpr unichar kWildcardSetClose = u']';
inline constexpr unichar kWildcardSetNegate = u'^';
inline constexpr unichar kWildcardSetRange = u'-';
inline constexpr unichar kWildcardSetBar = u'|';

// --- pattern kinds ---------------------------------------------------------

// The kind of a compacted pattern; the matcher chooses its test by it.
enum WildcardPatternType : int {
    kWildcardLiteral = 0,          // no "*", "?" or set
    kWildcardSingleCharacters = 1, // "?" but no "*" and no set
    kWildcardPrefix = 2,           // literal then one "*"
    kWildcardSuffix = 3,           // "*" then literal
    kWildcardContains = 4,         // "*", literal, "*"
    kWildcardGeneral = 5,          // any other mix of "*" and "?", no set
    kWildcardGeneralWithSets = 6,  // sets; two or more "*", or one inside
    kWildcardPrefixWithSets = 7,   // sets; one "*", last
    kWildcardSuffixWithSets = 8,   // sets; one "*", first
    kWildcardSetsWithoutStar = 9,  // sets (and maybe "?"), no "*"
    kWildcardInvalid = 10,
};

// What the classifier found out about a pattern it compacted.
struct WildcardClassification
{
    WildcardPatternType type = kWildcardInvalid;
    // Where the literal part begins: 1 when the pattern begins with a star
    // (types 3, 4, 8), else 0.
    qsizetype literalStart = 0;
    // Types 2, 3, 4: the literal units; 7, 8: the length less the star;
    // others: the compacted length.
    qsizetype literalLength = 0;
    // The number of units the compacted pattern holds.
    qsizetype length = 0;
};

// Compacts the pattern [begin, end) in place (runs of "*" become one, "|"
// inside sets and sets without members are dropped) and classifies it.
// With a star, fewer literal units (a set counts one) than `minCharacters`
// makes the pattern invalid. The compacted pattern is [begin, begin + length).
//   "word" => 0   "w?rd" => 1   "wor*" => 2   "*ord" => 3   "**or**" => 4
//   "w*d" => 5    "*[wx]*d*" => 6   "[wx]or*" => 7   "*[wx]ord" => 8
//   "[wx]ord" => 9   "*", "?*", "", "a]b", "[ab", "[a[b]]" => 10
//   "[^]word" => "word", 0
//   "ab*" with minCharacters 3 => 10     "ab?" with minCharacters 3 => 1
[[nodiscard]] WildcardClassification classifyWildcardPattern(unichar* begin, unichar* end,
                                                             qsizetype minCharacters);

// The number of units a match takes at least: every position that is not a
// "*", a set counting one (an unclosed set runs to the end).
//   "a[bc]*d" => 3   "*" => 0   "" => 0
[[nodiscard]] qsizetype wildcardMinimalLength(const unichar* begin, const unichar* end);

// The same count when the pattern has no "*", else NSNotFound.
//   "a[bc]d" => 3   "a*" => NSNotFound   "" => 0
[[nodiscard]] qsizetype wildcardFixedLength(const unichar* begin, const unichar* end);

// The classifier's type of `pattern` with minimum characters 1.
//   "wor*" => 2   "" => 0   null => 0   "*" => 10
[[nodiscard]] WildcardPatternType wildcardType(const QString& pattern);

// wildcardMinimalLength of `pattern`.
//   "a[bc]*d" => 3   "" => 0   null => 0
[[nodiscard]] qsizetype wildcardLength(const QString& pattern);

// Where the first set of `pattern` opens that no "]" closes (the index of
// its "["); NSNotFound when every set is closed. A set's members run from
// the unit after its "[" to the next "]", so "[[]" is closed.
//   "[abc" => 0   "a[b" => 1   "[a]b[" => 4   "[[]" => NSNotFound
//   "a]b" => NSNotFound   "" => NSNotFound   null => NSNotFound
[[nodiscard]] qsizetype unclosedWildcardSet(QStringView pattern);

// --- tables ----------------------------------------------------------------

// YES when comparing through `b` folds at least what comparing through `a`
// does: the same table; lower with lowerUmlauts; upper with upperUmlauts;
// umlauts with either upperUmlauts or lowerUmlauts. NO when either is null.
//   (upper, upperUmlauts) => YES   (upperUmlauts, upper) => NO
//   (nullptr, upper) => NO
[[nodiscard]] bool isEquivalentCharsTable(const CharsTable* a, const CharsTable* b);

// Maps every unit of [begin, end) through `table`, in place; a null table
// leaves the units as they are.
void translateUnichars(unichar* begin, unichar* end, const CharsTable* table);

// --- process-wide set-up ---------------------------------------------------
// Built once and shared by every thread without locks. The two setters change
// process-wide state and are meant to be called before searching starts.

// Builds the word, sentence, line and wildcard separator sets and the
// comparison tables, in that order; called once at launch.
void initSeparatorsAndTables();

// Builds the wildcard separator set (later calls do nothing).
void initWildcardSeparators();

// Builds the upper-case-without-diacritics table, and with it the upper-case
// and without-diacritics tables.
void initWildcardTables();

// The word separators without "*", "?", "[" and "]", so that wildcard
// patterns stay whole words; made on first use from the word separators.
[[nodiscard]] CharacterSetBitmap* defaultWildcardSeparators();

// Makes every unit of `symbols` a word character for the rest of the run:
// clears it from the default word separators and the wildcard separators.
//   removeSymbolsFromWordSeparators("#@") => "#", "@" in words from now on
//   null, "" => nothing changes
void removeSymbolsFromWordSeparators(const QString& symbols);

// The least length ratio and the least similarity of a fuzzy match (0.75
// unless changed).
[[nodiscard]] double minWildcardFuzzyAnalogy();
void setMinWildcardFuzzyAnalogy(double analogy);

// --- splitting a pattern into words ----------------------------------------

// The words of `text` by wildcard separation (a word index in wildcard mode):
// runs of units outside the wildcard separators, a bracket set staying inside
// its word, Asian runs split when the word index splits them. `hyphenated`,
// when given, says whether the text had two or more words with every gap one
// "-", or every gap one "." between one-letter words.
//   "dolor, sit" => ("dolor", "sit"), NO     "e-mail" => ("e", "mail"), YES
//   "a[-,]b c" => ("a[-,]b", "c")           "U.S.A" => ("U", "S", "A"), YES
//   "" => (), NO                              null => (), NO
[[nodiscard]] QStringList wordsUsingWildcardSeparation(const QString& text, bool* hyphenated = nullptr);

// The number of those words.
//   "tempor * ut" => 3   " , " => 0   "" => 0
[[nodiscard]] qsizetype numberOfWordsUsingWildcardSeparation(const QString& text);

// --- whole-string tests ----------------------------------------------------
// Each is NO for a null or empty pattern and for an empty text, and YES for
// the pattern "*" alone otherwise.

// YES when the whole of `text` matches `pattern` with "*", "?" and sets.
//   ("report.txt", "*.txt") => YES   ("report.txt", "*.[tT]xt") => YES
//   ("report.txt", "*.doc") => NO    ("", "*") => NO
// With `stop`, a test that sees the stop flag answers NO.
[[nodiscard]] bool isLikeUnixWildcard(const QString& text, const QString& pattern,
                                      const StopCheck* stop = nullptr);

// The same ignoring case: both sides compared through the upper-case table,
// ranges in sets included.
//   ("REPORT.TXT", "*.t[w-z]t") => YES
[[nodiscard]] bool isCaseInsensitiveLikeUnixWildcard(const QString& text, const QString& pattern,
                                                     const StopCheck* stop = nullptr);

// isLikeUnixWildcard (isCaseInsensitiveLikeUnixWildcard with `ignoreCase`)
// of an 8-bit text: each byte stands for the one UTF-16 unit `byteUnits`
// (256 of them) gives it, so the text is matched without a copy in UTF-16.
// Empty bytes, an empty pattern and null units never match.
//   ("caf\xe9", "*\u00c9", ISO-8859-1's units, ignoring case) => YES
[[nodiscard]] bool isLikeUnixWildcardInBytes(QByteArrayView bytes, const char16_t* byteUnits,
                                             const QString& pattern, bool ignoreCase,
                                             const StopCheck* stop = nullptr);

// The same for a text of one or two bytes a character, valid in `units`
// (platform/string_encoding.h): each character the one unit the table
// gives it.
//   ("A\x82\xa0", "a?", Shift_JIS's units, ignoring case) => YES
[[nodiscard]] bool isLikeUnixWildcardInDoubleBytes(QByteArrayView bytes, const DoubleByteUnits& units,
                                                   const QString& pattern, bool ignoreCase,
                                                   const StopCheck* stop = nullptr);

// YES when the whole of `text` matches `pattern` with "*" and "?" only ("["
// is an ordinary unit).
//   ("Report.TXT", "*.txt") => NO    ("[a]", "[a]") => YES
[[nodiscard]] bool isLikeWildcard(const QString& text, const QString& pattern);

// The same ignoring case, through the upper-case table.
//   ("Report.TXT", "*.txt") => YES
[[nodiscard]] bool isCaseInsensitiveLikeWildcard(const QString& text, const QString& pattern);

} // namespace sorvant
