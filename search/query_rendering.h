#pragma once
// Shortcuts over query texts and lists of parsed queries: the term lists and
// renderings of search/query_terms.h asked of a query text in one step (the
// text parsed in plain mode, default operator AND, distance 10), and the
// lists of several queries merged.
//   plusString('a NOT b (c OR -d) "e f"') => "a c e f"
//   normalizedQueryTerm("a OR b")         => "a|b"

#include "search/query_terms.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace sorvant {

// --- one query text -----------------------------------------------------------------
// Each parses `query` and answers the tree's operation of the same name; a
// null or empty query gives an empty result ("" or an empty list).
[[nodiscard]] QString plusString(const QString& query);
[[nodiscard]] QList<QueryTerms> plusTerms(const QString& query);
[[nodiscard]] QStringList plusParts(const QString& query);
[[nodiscard]] QStringList plusWords(const QString& query);
[[nodiscard]] QStringList queryTermsForOperators(const QString& query, unsigned options,
                                                 const QVariantMap& dictionary = {});
//   "a NEAR b" => "a b"
[[nodiscard]] QString standardizedQueryTerm(const QString& query);
//   "x NEXT y" => "x BEFORE/1 y"
[[nodiscard]] QString normalizedQueryTerm(const QString& query);

// --- lists of parsed queries -----------------------------------------------------------

// Every tree's queryTerms() in order; nothing for an empty list.
[[nodiscard]] std::optional<QList<QueryTerms>> queryTerms(const QList<QueryTerms>& trees);

// The union without duplicates of every tree's list of that name, in no
// particular order; nothing for an empty list or an empty union.
//   plusParts(["a b", "b c"]) => a, b, c (in some order)
[[nodiscard]] std::optional<QStringList> plusParts(const QList<QueryTerms>& trees);
[[nodiscard]] std::optional<QStringList> plusWords(const QList<QueryTerms>& trees);
[[nodiscard]] std::optional<QStringList> plusWildcards(const QList<QueryTerms>& trees);
[[nodiscard]] std::optional<QStringList> minusWildcards(const QList<QueryTerms>& trees);

} // namespace sorvant
