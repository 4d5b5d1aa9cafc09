#include "search/highlighting.h"

#include "foundation/normalized_forms.h"
#include "search/fast_word_enumerator.h"
#include "search/query_evaluation.h"

namespace sorvant {

namespace {

constexpr HighlightColor kBlue{0, 0, 255, 255};
constexpr HighlightColor kYellow{255, 255, 0, 255};
constexpr HighlightColor kGreen{0, 255, 0, 255};

QVariantMap attributesOf(HighlightColor foreground, HighlightColor background)
{
    return {{QLatin1String(kForegroundColorAttributeName), QVariant::fromValue<quint32>(foreground.argb())},
            {QLatin1String(kBackgroundColorAttributeName), QVariant::fromValue<quint32>(background.argb())}};
}

// Lays `attributes` on `hit` and remembers it when it is the first.
void markHit(HighlightSink& sink, qsizetype textLength, const QVariantMap& attributes, Range hit, Range& first)
{
    if (first.location == NSNotFound)
        first = hit;
    overrideAttributes(sink, textLength, attributes, hit);
}

// Lays `attributes` on each hit `next(position)` finds from 0 on, each next
// search starting at the previous hit's end; stops at no hit or an empty
// one. Answers the first hit laid on.
template <typename NextHit>
Range highlightHits(const QString& text, const QString& searchedText, HighlightSink& sink,
                    const QVariantMap& attributes, HighlightFilter handler, void* context, NextHit next)
{
    Range first = kMissingRange;
    for (qsizetype position = 0; position < text.size();) {
        const Range hit = next(position);
        if (hit.location == NSNotFound || hit.length == 0)
            break;
        if (!handler || handler(text, searchedText, hit.location, hit.length, context))
            markHit(sink, text.size(), attributes, hit, first);
        position = hit.maxRange();
    }
    return first;
}

} // namespace

// --- colours and attributes ---------------------------------------------------

HighlightColor primaryForegroundHighlightingColor()
{
    return kBlue;
}

HighlightColor primaryBackgroundHighlightingColor()
{
    return kYellow;
}

HighlightColor secondaryForegroundHighlightingColor()
{
    return kBlue;
}

HighlightColor secondaryBackgroundHighlightingColor()
{
    return kGreen;
}

std::optional<HighlightColor> highlightColorForKey(const QVariantMap& attributes, const char* key)
{
    const auto found = attributes.constFind(QLatin1String(key));
    if (found == attributes.constEnd() || !found->canConvert<quint32>())
        return std::nullopt;
    return HighlightColor::fromArgb(found->value<quint32>());
}

QVariantMap primaryHighlightAttributes()
{
    return attributesOf(primaryForegroundHighlightingColor(), primaryBackgroundHighlightingColor());
}

QVariantMap secondaryHighlightAttributes()
{
    return attributesOf(secondaryForegroundHighlightingColor(), secondaryBackgroundHighlightingColor());
}

QVariantMap highlightAttributesWithForeground(std::optional<HighlightColor> foreground,
                                              std::optional<HighlightColor> background)
{
    return attributesOf(foreground.value_or(primaryForegroundHighlightingColor()),
                        background.value_or(primaryBackgroundHighlightingColor()));
}

// --- sinks ----------------------------------------------------------------------

HighlightSink::~HighlightSink() = default;

void HighlightSpans::overrideTemporaryAttributes(const QVariantMap& attributes, Range range)
{
    m_spans.append({range, attributes});
}

QList<Range> HighlightSpans::ranges() const
{
    QList<Range> ranges;
    ranges.reserve(m_spans.size());
    for (const HighlightSpan& span : m_spans)
        ranges.append(span.range);
    return ranges;
}

void overrideAttributes(HighlightSink& sink, qsizetype textLength, const QVariantMap& attributes, Range range)
{
    if (attributes.isEmpty() || range.location < 0 || range.length <= 0 || range.location >= textLength)
        return;
    const qsizetype end = range.length > textLength - range.location ? textLength : range.maxRange();
    sink.overrideTemporaryAttributes(attributes, makeRange(range.location, end - range.location));
}

// --- highlighting ------------------------------------------------------------------

Range highlightStrings(const QString& text, HighlightSink& sink, const QStringList& strings,
                       std::optional<HighlightColor> foreground, std::optional<HighlightColor> background,
                       bool caseSensitive, bool nonUmlauted, bool anchored, bool exactPhrase)
{
    return highlightStringsWithAttributes(text, sink, strings,
                                          highlightAttributesWithForeground(foreground, background),
                                          caseSensitive, nonUmlauted, anchored, exactPhrase);
}

Range highlightStringsWithAttributes(const QString& text, HighlightSink& sink, const QStringList& strings,
                                     const QVariantMap& attributes, bool caseSensitive, bool nonUmlauted,
                                     bool anchored, bool exactPhrase, HighlightFilter handler, void* context)
{
    if (strings.isEmpty() || attributes.isEmpty() || text.isEmpty())
        return kMissingRange;
    // The diacritic-free copy maps unit by unit, so its positions are the
    // text's positions.
    QString searchedText = text;
    QStringList terms = strings;
    if (nonUmlauted) {
        searchedText = nonUmlautedString(text);
        for (QString& term : terms)
            term = nonUmlautedString(term);
    }
    const auto words = FastWordEnumerator::enumeratorWithString(searchedText);
    if (!words)
        return kMissingRange;
    return highlightHits(text, searchedText, sink, attributes, handler, context, [&](qsizetype position) {
        return words->findNextQueryTerm(terms, true, makeRange(position, text.size() - position), caseSensitive,
                                        anchored, exactPhrase);
    });
}

Range highlightWildcards(const QString& text, HighlightSink& sink, const QStringList& patterns,
                         std::optional<HighlightColor> foreground, std::optional<HighlightColor> background,
                         unsigned comparison, qsizetype minCharacters)
{
    return highlightWildcardsWithAttributes(text, sink, patterns,
                                            highlightAttributesWithForeground(foreground, background), comparison,
                                            minCharacters);
}

Range highlightWildcardsWithAttributes(const QString& text, HighlightSink& sink, const QStringList& patterns,
                                       const QVariantMap& attributes, unsigned comparison, qsizetype minCharacters,
                                       HighlightFilter handler, void* context)
{
    if (patterns.isEmpty() || attributes.isEmpty() || text.isEmpty())
        return kMissingRange;
    const auto words = FastWordEnumerator::enumeratorWithString(text);
    if (!words)
        return kMissingRange;
    return highlightHits(text, text, sink, attributes, handler, context, [&](qsizetype position) {
        return words->rangeOfNextWildcard(patterns, makeRange(position, text.size() - position), comparison,
                                          minCharacters);
    });
}

Range highlightQueryTerms(const QString& text, HighlightSink& sink, const QList<QueryTerms>& terms,
                          const QVariantMap& primaryAttributes, const QVariantMap& secondaryAttributes,
                          unsigned comparison, qsizetype /*minCharacters*/, QueryTermHighlightFilter handler,
                          void* context)
{
    Range first = kMissingRange;
    if (terms.isEmpty() || primaryAttributes.isEmpty() || text.isEmpty())
        return first;
    const QVariantMap& secondary = secondaryAttributes.isEmpty() ? primaryAttributes : secondaryAttributes;
    enumerateQueryTerms(text, terms, makeRange(0, text.size()), comparison,
                        [&](const FastWordEnumerator&, const QString&, Range hit, bool primary) {
                            if (handler && !handler(text, text, hit.location, hit.length, context, primary))
                                return;
                            markHit(sink, text.size(), primary ? primaryAttributes : secondary, hit, first);
                        });
    return first;
}

Range highlightRegularExpression(const QString& text, HighlightSink& sink, const RegularExpression& expression,
                                 const QVariantMap& attributes, const RegularExpressionLimits& limits)
{
    Range first = kMissingRange;
    if (text.isEmpty() || attributes.isEmpty() || !expression.isValid())
        return first;
    // The expression resumes at each match's end itself, so a match that
    // begins where the previous one ended is highlighted too.
    expression.enumerateMatches(text, makeRange(0, text.size()), 0, limits,
                                [&](const RegularExpressionMatch& match) {
                                    const Range hit = match.range();
                                    if (hit.length > 0)
                                        markHit(sink, text.size(), attributes, hit, first);
                                    return false;
                                });
    return first;
}

Range highlightRegularExpression(const QString& text, HighlightSink& sink, const RegularExpression& expression)
{
    return highlightRegularExpression(text, sink, expression, primaryHighlightAttributes(), {});
}

Range highlightSearchMatches(const QString& text, HighlightSink& sink, const HighlightRequest& request)
{
    if (request.regularExpression.isValid())
        return highlightRegularExpression(text, sink, request.regularExpression);
    if (request.wildcards)
        return highlightWildcards(text, sink, request.strings, {}, {}, request.comparison, 1);
    return highlightStrings(text, sink, request.strings, {}, {}, (request.comparison & 1) == 0, false, false, true);
}

} // namespace sorvant
