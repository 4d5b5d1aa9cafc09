#pragma once
// QueryTerms: a parsed search query of the query-terms mode. Leaves are words
// or quoted phrases, groups are bracketed sub-queries; every node carries the
// operator that joins it to its previous sibling, a NOT flag, a substring
// flag and a proximity distance in words.
//
//   "tempor AND NOT duo" => (tempor, NOT duo)          common operator AND
//   "a|b"                => (a, OR b)                  common operator OR
//   "x NEAR/2 y"         => (x, NEAR/2 y)
//   "a OR b c"           => (a, OR b, AND c)           common operator mixed
//   "(a)"                => the leaf a                 "()" => empty root
//
// This header holds the tree, the parser and every operation on a tree:
// evaluation against a text (query_evaluation.cpp; string-level wrappers and
// hit records in search/query_evaluation.h) and term lists and rendering
// (query_rendering.cpp; string and list shortcuts in
// search/query_rendering.h). A tree never changes after parsing, so one tree
// may be evaluated on several threads at once.

#include "foundation/range.h"
#include "search/stop_check.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace sorvant {

class FastWordEnumerator;

// The operator joining a node to its previous sibling.
enum QueryOperator : std::uint32_t {
    kQueryAnd = 0,    // "AND", "BUT", "&", or nothing
    kQueryOr = 1,     // "OR", "|"
    kQueryXor = 2,    // "XOR", "EOR", "^"
    kQueryNear = 3,   // "NEAR", "NEAR/n"
    kQueryBefore = 4, // "BEFORE", "BEFORE/n"
    kQueryAfter = 5,  // "AFTER", "AFTER/n"
    kQueryNext = 6,   // "NEXT" (distance 1), "NEXT/n"
    kQueryOpt = 7,    // "OPT"
    kQueryMixed = 8,  // never written: a group's differing operators, a leaf's common operator
};

// The proximity distance in words when a query names none.
inline constexpr qsizetype kDefaultQueryDistance = 10;

// Brackets nest at most this deep; a deeper query is refused as a whole
// (parseError() says so), so that no query can exhaust the stack.
inline constexpr int kMaxQueryNesting = 256;

enum QueryParseError : int {
    kQueryParsed = 0,
    kQueryNestedTooDeeply = 1,
};

// The parser reads any query, but some are not written as the language
// wants; the first such flaw is kept on the root with its place (a UTF-16
// offset into the query) for a caller that refuses them. The tree is made
// all the same: an unclosed bracket or quotation takes the rest of the
// query, a stray ")" separates, an operator with no term after it is
// dropped.
//   "(a"   => BracketNotClosed at 0     "a)" => BracketNotOpened at 1
//   "\"a"  => QuoteNotClosed at 0       "a AND" => OperatorWithoutTerm at 2
//   "NOT"  => OperatorWithoutTerm at 0  "a (b)" => None
enum class QuerySyntaxFlaw { None, BracketNotClosed, BracketNotOpened, QuoteNotClosed, OperatorWithoutTerm };
struct QuerySyntax
{
    QuerySyntaxFlaw flaw = QuerySyntaxFlaw::None;
    qsizetype position = -1; // where the flaw's token begins
    qsizetype length = 0;    // the token's length
};

// The bits that steer the renderer (queryTermsForOperators).
enum QueryTermsFormatOptions : unsigned {
    kQueryFormatAnd = 0x1,            // with kQueryFormatNot: " AND " (else implicit)
    kQueryFormatOr = 0x2,             // OR written (else a space)
    kQueryFormatXor = 0x4,            // " XOR " (else like OR)
    kQueryFormatNegated = 0x8,        // negated children written (else left out)
    kQueryFormatQuotes = 0x10,        // phrases in double quotes
    kQueryFormatBrackets = 0x20,      // inner groups in brackets; phrases "(...)" without 0x10
    kQueryFormatNear = 0x40,          // " NEAR/n " (else like AND)
    kQueryFormatAfter = 0x80,         // " AFTER/n " (else like AND)
    kQueryFormatBefore = 0x100,       // " BEFORE/n ", also NEXT not written as NEXT
    kQueryFormatSubstring = 0x200,    // "~" before substring terms
    kQueryFormatNext = 0x400,         // " NEXT " at distance 1
    kQueryFormatAndNot = 0x800,       // negation as "ANDNOT "
    kQueryFormatLowercase = 0x1000,   // terms in lower case
    kQueryFormatUppercase = 0x2000,   // terms in upper case (wins over lower)
    kQueryFormatRequired = 0x4000,    // "+a +b": implicit AND as " +", OR as a space
    kQueryFormatNot = 0x8000,         // negation as "NOT " (without 0x800; neither: "-")
    kQueryFormatBar = 0x10000,        // OR as "|" without spaces
    kQueryFormatOpt = 0x20000,        // OPT children as " OPT " (else left out)
};

class QueryTerms
{
public:
    // --- construction ----------------------------------------------------------
    // Plain mode: "[" and "]" separate and a bracketed part is dropped.
    // Wildcard mode (the search worker's form): brackets stay inside terms
    // and "~term" becomes the term "*term*". No input is rejected except a
    // query nested deeper than kMaxQueryNesting, which gives an empty root.
    //   initWithString("a [b c] d")   => (a, d)
    //   initWithWildcard("a[b c]d")   => the leaf "a[b c]d"
    //   initWithWildcard("~word")     => the leaf "*word*", substring
    //   initWithString(QString())     => empty root (isValid() false)
    [[nodiscard]] static QueryTerms initWithString(const QString& string, QueryOperator defaultOperator = kQueryAnd,
                                                   qsizetype defaultDistance = kDefaultQueryDistance);
    [[nodiscard]] static QueryTerms initWithWildcard(const QString& string,
                                                     QueryOperator defaultOperator = kQueryAnd,
                                                     qsizetype defaultDistance = kDefaultQueryDistance);
    // The search worker's factory: nothing for a null string or a query
    // nested too deeply, else initWithWildcard().
    [[nodiscard]] static std::optional<QueryTerms>
    queryTermsWithWildcard(const QString& string, QueryOperator defaultOperator = kQueryAnd,
                           qsizetype defaultDistance = kDefaultQueryDistance);

    // --- observers ---------------------------------------------------------------
    // A leaf's text (word or phrase); null for a group.
    [[nodiscard]] const QString& term() const { return m_term; }
    // A group's children in query order; empty for a leaf.
    [[nodiscard]] const std::vector<QueryTerms>& children() const { return m_children; }
    [[nodiscard]] bool isWord() const { return m_isWord; }
    [[nodiscard]] QueryOperator queryOperator() const { return m_queryOperator; }
    // The operator shared by a group's children after the first;
    // kQueryMixed when they differ, for fewer than two children and on leaves.
    [[nodiscard]] QueryOperator commonOperator() const { return m_commonOperator; }
    [[nodiscard]] qsizetype proximityDistance() const { return m_proximityDistance; }
    [[nodiscard]] bool queryNot() const { return m_queryNot; }
    [[nodiscard]] bool querySubstring() const { return m_querySubstring; }
    [[nodiscard]] bool queryPhrase() const { return m_queryPhrase; }
    [[nodiscard]] QueryParseError parseError() const { return m_parseError; }
    // The root's first syntax flaw (see QuerySyntax); None on other nodes.
    [[nodiscard]] const QuerySyntax& syntax() const { return m_syntax; }

    // True for a node whose own operator is NEAR, BEFORE, AFTER or NEXT, and
    // for a group with such a node below it.
    //   "a NEAR b" => true   "a b" => false
    [[nodiscard]] bool usesProximity() const;
    // True for a leaf and for a group with at least one child.
    //   "a" => true   "()" => false   "" => false
    [[nodiscard]] bool isValid() const;
    // The tree itself as a one-element list, so that a tree and a list of
    // trees answer alike.
    [[nodiscard]] QList<QueryTerms> queryTerms() const { return {*this}; }

    // --- evaluation (query_evaluation.cpp) ------------------------------------------
    // Whether `text` matches the query, terms found on its word index as
    // whole words (anywhere with the substring flag), phrases word by word.
    // False for a null or empty text.
    //   "tempor NEAR labore" over the self-test text => true
    [[nodiscard]] bool matchesStringCaseSensitive(const QString& text, bool caseSensitive) const;
    // The same with the wildcard matcher and ComparisonOptions
    // (1 ignore case, 2 ignore diacritics, 4 fuzzy).
    // With `stop`, NO once the stop flag is seen.
    [[nodiscard]] bool matchesStringComparison(const QString& text, unsigned comparison,
                                               const StopCheck* stop = nullptr) const;
    // Whether any term outside a negated subtree occurs in `text`, whatever
    // the operators say. False for a null or empty text.
    //   "missing OR tempor" => true    "NOT tempor" => false
    [[nodiscard]] bool containsStringCaseSensitive(const QString& text, bool caseSensitive) const;
    [[nodiscard]] bool containsStringComparison(const QString& text, unsigned comparison) const;

    // Called for each hit in text order: the word index, the term, the hit's
    // range and whether it is a primary hit (a term found for itself rather
    // than as the later operand of a proximity operator).
    using HitHandler =
        std::function<void(const FastWordEnumerator& words, const QString& term, Range range, bool primary)>;
    // Collects the hits of the query in `range` of `text` (wildcard matcher,
    // ignoring case unless `caseSensitive`) and reports them, overlapping
    // hits once, the earliest first. Nothing happens for an empty text, a
    // missing handler or a range outside the text.
    void enumerateString(const QString& text, Range range, bool caseSensitive, const HitHandler& handler) const;

    // --- self-test (query_evaluation.cpp) ----------------------------------------------
    struct TestCase
    {
        bool expected;
        const char16_t* query;
    };
    // The fixed text the self-test evaluates on.
    [[nodiscard]] static QString testString();
    // The table of (expected result, query) pairs; `count` receives its size.
    [[nodiscard]] static const TestCase* getTestCases(qsizetype* count);
    // Evaluates every case on the test text (wildcard mode, ignoring case)
    // and logs "Success: <query> => Yes|No" or "Failed: <query> => Yes|No";
    // answers whether all succeeded.
    static bool test();

    // --- term lists (query_rendering.cpp) -----------------------------------------------
    // A positive leaf is neither negated nor below a negated group; a
    // negative leaf is negated. Lists walk the tree depth-first in order.

    // The shortest positive leaf text, in UTF-16 units; 0 when there is none.
    //   "abc de" => 2   "NOT abc" => 0
    [[nodiscard]] qsizetype minTermLen() const;
    // The positive leaf texts joined by single spaces.
    //   'a NOT b (c OR -d) "e f"' => "a c e f"
    [[nodiscard]] QString plusString() const;
    // The positive leaves themselves.
    [[nodiscard]] QList<QueryTerms> plusTerms() const;
    // The positive leaf texts as written.   'a -b "e f"' => (a, "e f")
    [[nodiscard]] QStringList plusParts() const;
    // The words of the positive leaf texts.  'a -b "e f"' => (a, e, f)
    [[nodiscard]] QStringList plusWords() const;
    // The wildcard terms of the positive leaves with their variants, shortest
    // first; nothing for an invalid tree.
    //   "e-mail" => (email, e mail, e-mail)    "" => nothing
    [[nodiscard]] std::optional<QStringList> plusWildcards() const;
    // The variants without the whole terms, plus neighbour pairs joined by
    // AND or a proximity operator; nothing for an invalid tree.
    //   "a b OR c" => (a, b, c, a b)
    [[nodiscard]] std::optional<QStringList> extendedPlusWildcards() const;
    // The wildcard terms of the negative leaves; nothing for an invalid tree.
    //   "a -b" => (b)
    [[nodiscard]] std::optional<QStringList> minusWildcards() const;

    // --- rendering (query_rendering.cpp) ------------------------------------------------
    // The tree written with QueryTermsFormatOptions; `dictionary` maps the
    // default operator words ("AND", "OR", "XOR", "NOT", "ANDNOT", "NEAR",
    // "BEFORE", "AFTER", "NEXT", "OPT", "|", "-") to the words to write.
    // Answers a one-element list.
    //   "a b", 0x4008 => ("+a +b")     "a -b", 0x4000 => ("a")
    [[nodiscard]] QStringList queryTermsForOperators(unsigned options, const QVariantMap& dictionary = {}) const;
    // Options 0x2003F:  "a NEAR b" => "a b"   "a (b OR c)" => "a (b OR c)"
    [[nodiscard]] QString standardizedQueryTerm() const;
    // Options 0x313FF:  "Tempor NEAR/3 Labore" => "tempor NEAR/3 labore"
    //                   "a OR b" => "a|b"   "x NEXT y" => "x BEFORE/1 y"
    [[nodiscard]] QString normalizedQueryTerm() const;
    // "QueryTerms <...>" with options 0x28FFF:  "a NOT b" => "QueryTerms <a ANDNOT b>"
    [[nodiscard]] QString description() const;

private:
    friend class QueryParser;
    QueryTerms() = default;

    QString m_term;
    std::vector<QueryTerms> m_children;
    QueryOperator m_queryOperator = kQueryAnd;
    QueryOperator m_commonOperator = kQueryMixed;
    qsizetype m_proximityDistance = kDefaultQueryDistance;
    bool m_queryNot = false;
    bool m_querySubstring = false;
    bool m_queryPhrase = false;
    bool m_isWord = false;
    QueryParseError m_parseError = kQueryParsed;
    QuerySyntax m_syntax;
};

// What a syntax flaw of `query` is, said for a user with its place (the
// character counted from 1); null for none.
//   "(a", BracketNotClosed at 0 => "the bracket ( at character 1 is not closed"
//   "a AND", OperatorWithoutTerm at 2 => "no term follows \"AND\" at character 3"
[[nodiscard]] QString querySyntaxMessage(const QString& query, const QuerySyntax& syntax);

} // namespace sorvant
