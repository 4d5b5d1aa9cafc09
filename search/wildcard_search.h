#pragma once
// Wildcard searches asked of a string: each builds a word index of the text
// for the call and runs the enumerator's wildcard search on it. Patterns use
// the syntax of search/wildcard_patterns.h; `comparison` is the
// ComparisonOptions set (1 ignore case, 2 ignore diacritics, 4 fuzzy).
//
//   containsAnyWildcard("a temporal b", {"tempo*"}, 0, 1)   => true
//   rangeOfWildcard("x tempor", "temp?r", 0, 1)            => {2, 6}
//
// Every function answers false, the missing range or nothing for a null or
// empty text and for a missing or empty pattern.

#include "foundation/range.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace sorvant {

class QueryTerms;

// Whether any of the patterns matches somewhere in the text.
//   ("dolor sit", {"x*", "s?t"}) => true    ("", {"*"}) => false    (t, {}) => false
[[nodiscard]] bool containsAnyWildcard(const QString& text, const QStringList& wildcards, unsigned comparison,
                                       qsizetype minCharacters);

// The words joined by spaces and searched as one quoted phrase pattern (a
// single word as itself).
//   ("lorem dolor, sit", {"dolor", "s*"}) => {6, 10}    (t, {}) => missing
//   ("sit dolor sit", {"sit"}, {1, 12}) => {10, 3}
[[nodiscard]] Range rangeOfWildcardWords(const QString& text, const QStringList& words, unsigned comparison,
                                         qsizetype minCharacters);
[[nodiscard]] Range rangeOfWildcardWords(const QString& text, const QStringList& words, Range range,
                                         unsigned comparison, qsizetype minCharacters);

// The first hit of one pattern.
//   ("x tempor", "temp?r") => {2, 6}    (t, "") => missing
[[nodiscard]] Range rangeOfWildcard(const QString& text, const QString& wildcard, unsigned comparison,
                                    qsizetype minCharacters);
[[nodiscard]] Range rangeOfWildcard(const QString& text, const QString& wildcard, Range range, unsigned comparison,
                                    qsizetype minCharacters);

// The first hit of any pattern after the range's start / the last before
// its end. A range starting at or past the text's end finds nothing; one
// reaching past it is cut there.
//   ("ab ab", {"ab"}) next => {0, 2}, previous => {3, 2}
[[nodiscard]] Range findNextWildcard(const QString& text, const QStringList& wildcards, unsigned comparison,
                                     qsizetype minCharacters);
[[nodiscard]] Range findNextWildcard(const QString& text, const QStringList& wildcards, Range range,
                                     unsigned comparison, qsizetype minCharacters);
[[nodiscard]] Range findPreviousWildcard(const QString& text, const QStringList& wildcards, unsigned comparison,
                                         qsizetype minCharacters);
[[nodiscard]] Range findPreviousWildcard(const QString& text, const QStringList& wildcards, Range range,
                                         unsigned comparison, qsizetype minCharacters);

// The texts the patterns match, in order of first appearance and without
// repeats, each in lower case when the comparison ignores case. Nothing for
// an empty text or no patterns; an empty list when nothing matches.
//   ("Apple apple APPLE", {"app*"}, 1) => ["apple"]
//   ("Apple apple", {"?pple"}, 0) => ["Apple", "apple"]
[[nodiscard]] std::optional<QStringList> findStringsMatchingWildcards(const QString& text,
                                                                     const QStringList& wildcards,
                                                                     unsigned comparison, qsizetype minCharacters);

// The text's white-separated components without those beginning with
// "site:" or "filetype:", joined by single spaces.
//   "report site:example filetype:pdf 2024" => "report 2024"
//   "site:x" => ""     "" => ""     null => null
[[nodiscard]] QString queryTermWithoutGoogleOperators(const QString& text);

// --- query terms in wildcard mode ----------------------------------------------
// The text is a query of the query-terms mode parsed as the search worker
// parses it (QueryTerms::initWithWildcard: brackets stay inside terms, "~t"
// is the substring term "*t*"); each answers the tree's operation.

// The tree's matchesStringComparison / containsStringComparison of `text`;
// false without a tree.
//   ("Tempor x", "tempor", 1) => true     ("Tempor x", "tempor", 0) => false
[[nodiscard]] bool matchesQueryTermsComparison(const QString& text, const QueryTerms* terms, unsigned comparison);
[[nodiscard]] bool containsQueryTermsComparison(const QString& text, const QueryTerms* terms, unsigned comparison);

// The parsed query as a one-element list; empty for a null text or a query
// nested too deeply.
//   "~word" => [leaf "*word*"]     null => []
[[nodiscard]] QList<QueryTerms> queryTerms(const QString& text);

//   plusWildcards("e-mail") => (email, e mail, e-mail)    minusWildcards("a -b") => (b)
[[nodiscard]] std::optional<QStringList> plusWildcards(const QString& text);
[[nodiscard]] std::optional<QStringList> extendedPlusWildcards(const QString& text);
[[nodiscard]] std::optional<QStringList> minusWildcards(const QString& text);
//   "a NEAR b" => "a b"
[[nodiscard]] QString standardizedWildcardQueryTerm(const QString& text);
//   "x NEXT y" => "x BEFORE/1 y"
[[nodiscard]] QString normalizedWildcardQueryTerm(const QString& text);
//   plusWildcardString("a[bc]d -e f") => "a[bc]d f"
[[nodiscard]] QString plusWildcardString(const QString& text);
[[nodiscard]] QList<QueryTerms> plusWildcardTerms(const QString& text);
[[nodiscard]] QStringList plusWildcardParts(const QString& text);
[[nodiscard]] QStringList plusWildcardWords(const QString& text);
// The tree written with QueryTermsFormatOptions and the operator words of
// `dictionary`, as a one-element list.
[[nodiscard]] QStringList wildcardQueryTermsForOperators(const QString& text, unsigned options,
                                                         const QVariantMap& dictionary = {});

} // namespace sorvant
