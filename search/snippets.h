#pragma once
// What the search engine reports of where it found something inside a text:
// a snippet (the context around the hits, the pieces joined and kept within
// a maximum length) and occurrence records (each hit with its line number
// and its context). Hits come from wildcard patterns, query terms or a
// plain string; each call builds a word index of the text for itself.
//
// The context of a hit reaches out to the caller's separator set (for
// example the sentence separators): in word mode (wildcards, query terms) to
// the farthest word beginning and word end before a separator, in unit mode
// (a plain string) to the separators themselves.
//
//   text "One dog. Two cats here. Three.", wildcard "cat*", sentence separators:
//     snippet  => "Two cats here"
//     record   => range {13, 4}, line 0, string "Two cats here.", strrange {9, 14}
//
// Any thread may call these; handlers run on the calling thread.

#include "foundation/chars_table.h"
#include "foundation/range.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace sorvant {

class FastWordEnumerator;
class QueryTerms;

// Called for each hit; answers true to take it, false to skip it.
using OccurrenceHandler = bool (*)(const FastWordEnumerator& enumerator, qsizetype location, qsizetype length,
                                   void* context);

// --- snippets -------------------------------------------------------------------

struct SnippetOptions
{
    // Only the pieces around hits: no fallback to the text itself.
    bool onlyOccurrences = false;
    // Also report a hit whose piece is the hit alone (nothing around it).
    bool singleWords = false;
    // ComparisonOptions of wildcard and query-term hits; bit 1 (ignore case)
    // for a plain string.
    unsigned comparison = 0;
    // Least literal units of a wildcard with a star.
    qsizetype minCharacters = 1;
    // Bounds the context of a hit; required.
    const CharacterSetBitmap* separators = nullptr;
    // Put between pieces; null means " ".
    QString separator;
    // The snippet's maximum length in units; 0: unlimited.
    qsizetype ellipsizeAfterNCharacters = 0;
    OccurrenceHandler handler = nullptr;
    void* context = nullptr;
};

// The snippet of the text around the hits: each hit's piece (see above),
// pieces of equal text once, joined by the separator. A piece that does not
// fit is cut, keeping the hit, and ends with "..." (a later piece whose hit
// cannot fit ends the snippet instead); the snippet never exceeds the
// maximum length. Without a hit the text ellipsized to the
// maximum (or, with onlyOccurrences, null). With onlyOccurrences off, a
// text within the maximum comes back whole. Null for an empty text or
// without separators.
//   ("a b. c d.", {"c"}, sentence separators, max 40)      => "a b. c d." (short: whole)
//   (same, onlyOccurrences)                                 => "c d"
//   ("a b. c d.", {"x"}, onlyOccurrences)                   => null
[[nodiscard]] QString assembleOccurrencesOfWildcards(const QString& text, const QStringList& wildcards,
                                                     const SnippetOptions& options);
[[nodiscard]] QString assembleOccurrencesOfString(const QString& text, const QString& string,
                                                  const SnippetOptions& options);
// Query-term hits are the primary hits of enumerateQueryTerms over the
// whole text, in the order reported; minCharacters is not used.
//   ("A cat sat. A dog ran.", ["dog OR cow"]) => "A dog ran"
[[nodiscard]] QString assembleOccurrencesOfQueryTerms(const QString& text, const QList<QueryTerms>& terms,
                                                      const SnippetOptions& options);

// --- occurrence records ------------------------------------------------------------

struct Occurrence
{
    // The hit in the text.
    Range range;
    // The hit's line, 0 for the first; CR LF ends one line.
    qsizetype line = 0;
    // The context, with "..." in front and/or at the end where it continues
    // past a separator.
    QString string;
    // The context's range in the text, without the "..." marks.
    Range stringRange;

    // The record as a dictionary with the keys "range", "line", "string"
    // and "strrange" (ranges as QVariant of Range).
    [[nodiscard]] QVariantMap dictionary() const;
    friend bool operator==(const Occurrence&, const Occurrence&) = default;
};

struct OccurrenceOptions
{
    unsigned comparison = 0;
    qsizetype minCharacters = 1;
    // Bounds the context of a hit; required.
    const CharacterSetBitmap* separators = nullptr;
    // Word beginnings (before) and ends (after) the context spans at least
    // before it may stop at a separator.
    qsizetype minEnclosingWords = 0;
    OccurrenceHandler handler = nullptr;
    void* context = nullptr;
};

// One record per taken hit, in text order; empty for an empty text or
// pattern, without separators, or when nothing is found.
//   ("x\r\ny\r\nword", {"word"}) => [{range {6, 4}, line 2, ...}]
[[nodiscard]] QList<Occurrence> getOccurrencesOfWildcards(const QString& text, const QStringList& wildcards,
                                                          const OccurrenceOptions& options);
[[nodiscard]] QList<Occurrence> getOccurrencesOfString(const QString& text, const QString& string,
                                                       const OccurrenceOptions& options);
// A query-term hit that starts before the end of the previous record's
// context walk is skipped.
[[nodiscard]] QList<Occurrence> getOccurrencesOfQueryTerms(const QString& text, const QList<QueryTerms>& terms,
                                                           const OccurrenceOptions& options);

} // namespace sorvant
