#pragma once
// Highlighting of matches: finding where search strings, wildcard patterns,
// query terms or a regular expression occur in a text (a result's name or
// comment) and saying which colours to lay over each range. The engine works
// headless: it hands every range with its attributes to a HighlightSink,
// which the results table implements on its text display (merging the
// attributes over what the text already carries, for display only).
// HighlightSpans is a sink that records the ranges in order.
//
//   highlightStrings("the cat sat", sink, {"cat"}, {}, {}, true, false, false, true)
//     => {4, 3}; the sink gets {4, 3} with blue text on yellow
//
// Colours are RGBA values of our own (the table converts them to its GUI
// colour type); in an attribute dictionary a colour is stored as its
// 0xAARRGGBB number (quint32), the layout of a QRgb.
//
// Every highlighting function answers the range of the first hit it
// highlighted, or the missing range when it highlighted nothing or its input
// was unusable (null or empty text, patterns or attributes).

#include "foundation/range.h"
#include "platform/regular_expression.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <cstdint>
#include <optional>

namespace sorvant {

class QueryTerms;

// --- colours ------------------------------------------------------------------

struct HighlightColor
{
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;

    // 0xAARRGGBB.   {0, 0, 255, 255} => 0xFF0000FF
    [[nodiscard]] constexpr std::uint32_t argb() const
    {
        return std::uint32_t(alpha) << 24 | std::uint32_t(red) << 16 | std::uint32_t(green) << 8 | blue;
    }
    [[nodiscard]] static constexpr HighlightColor fromArgb(std::uint32_t argb)
    {
        return {std::uint8_t(argb >> 16), std::uint8_t(argb >> 8), std::uint8_t(argb), std::uint8_t(argb >> 24)};
    }
    friend constexpr bool operator==(const HighlightColor&, const HighlightColor&) = default;
};

// The four highlighting colours: blue text on yellow for primary hits, blue
// text on green for secondary ones.
[[nodiscard]] HighlightColor primaryForegroundHighlightingColor();
[[nodiscard]] HighlightColor primaryBackgroundHighlightingColor();
[[nodiscard]] HighlightColor secondaryForegroundHighlightingColor();
[[nodiscard]] HighlightColor secondaryBackgroundHighlightingColor();

// --- attributes ---------------------------------------------------------------

// The keys of a highlight attribute dictionary.
inline constexpr char kForegroundColorAttributeName[] = "ForegroundColor";
inline constexpr char kBackgroundColorAttributeName[] = "BackgroundColor";

// The colour stored under `key`, if any.
//   ({"ForegroundColor": 0xFF0000FF}, "ForegroundColor") => blue   ({}, k) => nothing
[[nodiscard]] std::optional<HighlightColor> highlightColorForKey(const QVariantMap& attributes, const char* key);

// The dictionary of the primary / secondary colour pair.
[[nodiscard]] QVariantMap primaryHighlightAttributes();
[[nodiscard]] QVariantMap secondaryHighlightAttributes();
// The dictionary of the given colours; a missing foreground becomes the
// primary foreground, a missing background the primary background.
//   ({}, {}) => primaryHighlightAttributes()    (red, {}) => red on yellow
[[nodiscard]] QVariantMap highlightAttributesWithForeground(std::optional<HighlightColor> foreground,
                                                            std::optional<HighlightColor> background);

// --- where highlights go -------------------------------------------------------

// Takes the highlights of one text. The engine calls it only with a
// non-empty dictionary and a non-empty range inside the text.
class HighlightSink
{
public:
    virtual ~HighlightSink();
    // Merges `attributes` over [range) for display: given keys win, every
    // other attribute the text carries there stays.
    virtual void overrideTemporaryAttributes(const QVariantMap& attributes, Range range) = 0;
};

// One recorded highlight.
struct HighlightSpan
{
    Range range;
    QVariantMap attributes;
    friend bool operator==(const HighlightSpan&, const HighlightSpan&) = default;
};

// A sink that keeps the highlights in the order given.
class HighlightSpans final : public HighlightSink
{
public:
    void overrideTemporaryAttributes(const QVariantMap& attributes, Range range) override;
    [[nodiscard]] const QList<HighlightSpan>& spans() const { return m_spans; }
    [[nodiscard]] QList<Range> ranges() const;
    void clear() { m_spans.clear(); }

private:
    QList<HighlightSpan> m_spans;
};

// Hands `attributes` over `range` to `sink` with the range's end cut at
// `textLength`; nothing for an empty dictionary or an empty cut range.
//   (10, attrs, {8, 5}) => sink gets {8, 2}     (10, {}, r) => nothing
void overrideAttributes(HighlightSink& sink, qsizetype textLength, const QVariantMap& attributes, Range range);

// --- filters --------------------------------------------------------------------

// Answers true to highlight a hit: the text, the text searched (the
// diacritic-free copy when asked for), the hit and the caller's context.
using HighlightFilter = bool (*)(const QString& text, const QString& searchedText, qsizetype location,
                                 qsizetype length, void* context);
// The same for query-term hits, also told whether the hit is primary.
using QueryTermHighlightFilter = bool (*)(const QString& text, const QString& searchedText, qsizetype location,
                                          qsizetype length, void* context, bool primary);

// --- highlighting ------------------------------------------------------------------

// Highlights each occurrence of any of `strings` (terms or phrases found
// with the word index's findNextQueryTerm, the next search starting at the
// hit's end). With `nonUmlauted` both sides are compared without
// diacritics and the hits land at the same positions of `text`.
//   ("a cat, a cat", {"cat"}) => {2, 3}; highlights {2,3} {9,3}
//   ("Müller", {"Muller"}, nonUmlauted) => {0, 6}
//   ("", …) => missing     (t, {}) => missing
Range highlightStrings(const QString& text, HighlightSink& sink, const QStringList& strings,
                       std::optional<HighlightColor> foreground, std::optional<HighlightColor> background,
                       bool caseSensitive, bool nonUmlauted, bool anchored, bool exactPhrase);
Range highlightStringsWithAttributes(const QString& text, HighlightSink& sink, const QStringList& strings,
                                     const QVariantMap& attributes, bool caseSensitive, bool nonUmlauted,
                                     bool anchored, bool exactPhrase, HighlightFilter handler = nullptr,
                                     void* context = nullptr);

// Highlights each hit of the wildcard patterns (rangeOfNextWildcard with
// ComparisonOptions `comparison` and `minCharacters`).
//   ("temporal tempo", {"tempo*"}, 0, 1) => {0, 8}; highlights {0,8} {9,5}
Range highlightWildcards(const QString& text, HighlightSink& sink, const QStringList& patterns,
                         std::optional<HighlightColor> foreground, std::optional<HighlightColor> background,
                         unsigned comparison, qsizetype minCharacters);
Range highlightWildcardsWithAttributes(const QString& text, HighlightSink& sink, const QStringList& patterns,
                                       const QVariantMap& attributes, unsigned comparison, qsizetype minCharacters,
                                       HighlightFilter handler = nullptr, void* context = nullptr);

// Highlights the hits of the query trees (enumerateQueryTerms with
// ComparisonOptions `comparison`): a primary hit (a term found for itself)
// with `primaryAttributes`, any other (the later operand of NEAR, BEFORE,
// AFTER or NEXT) with `secondaryAttributes`, or the primary ones when those
// are empty. `minCharacters` is not used.
//   ("tempor x labore", "tempor NEAR labore") => {0, 6}; tempor yellow, labore green
//   (t, []) => missing     (t, q, {} primary) => missing
Range highlightQueryTerms(const QString& text, HighlightSink& sink, const QList<QueryTerms>& terms,
                          const QVariantMap& primaryAttributes, const QVariantMap& secondaryAttributes,
                          unsigned comparison, qsizetype minCharacters, QueryTermHighlightFilter handler = nullptr,
                          void* context = nullptr);

// Highlights every non-empty match of `expression` with the primary colours.
// Each search resumes at the previous match's end (one unit further only
// after an empty match), so adjacent matches are all highlighted; a search
// the limits end keeps what it highlighted so far.
//   ("aaaa", "a") => {0, 1}; highlights {0,1} {1,1} {2,1} {3,1}
//   ("ab", "x*") => missing       invalid expression => missing
Range highlightRegularExpression(const QString& text, HighlightSink& sink, const RegularExpression& expression,
                                 const QVariantMap& attributes, const RegularExpressionLimits& limits);
Range highlightRegularExpression(const QString& text, HighlightSink& sink, const RegularExpression& expression);

// --- the results table's call -------------------------------------------------------

// What the results model keeps for highlighting a cell.
struct HighlightRequest
{
    // Search strings, or wildcard patterns when `wildcards` is set.
    QStringList strings;
    // Used instead of the strings when valid (the results model keeps the
    // pattern and options; compile them once per search).
    RegularExpression regularExpression;
    unsigned comparison = 0;
    bool wildcards = false;
};

// Highlights `text` the way the results table marks a name or comment: a
// regular expression's matches; else wildcards with the request's comparison
// and at least one character; else the strings as exact phrases,
// case-sensitive unless the comparison has bit 1. Primary colours; answers
// the first hit.
Range highlightSearchMatches(const QString& text, HighlightSink& sink, const HighlightRequest& request);

} // namespace sorvant
