// libFuzzer entry point for reporting hits: random bytes become a text, a
// pattern and a maximum length, and the snippet builder, the occurrence
// records and the highlighters (strings, wildcards, a regular expression
// made from the pattern) run over them. Beside the sanitizers it checks what
// must always hold: a snippet never exceeds its maximum, records and
// highlights lie inside the text in ascending order, and a runaway pattern
// ends within its step limit.

#include "foundation/separators.h"
#include "platform/regular_expression.h"
#include "search/highlighting.h"
#include "search/snippets.h"
#include "search/wildcard_patterns.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace sorvant;

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "snippets_fuzz: %s\n", what);
        std::abort();
    }
}

void requireInside(const QList<Range>& ranges, qsizetype length, const char* what)
{
    qsizetype previous = 0;
    for (const Range& range : ranges) {
        require(range.location >= previous && range.length > 0 && range.maxRange() <= length, what);
        previous = range.location;
    }
}

const CharacterSetBitmap* separatorsFor(std::uint8_t mode)
{
    switch (mode % 3) {
    case 0:
        return defaultSentenceSeparators();
    case 1:
        return defaultLineSeparators();
    default:
        return defaultWordSeparators();
    }
}

void checkSnippets(const QString& text, const QString& pattern, std::uint8_t mode, qsizetype maximum)
{
    SnippetOptions options;
    options.separators = separatorsFor(mode);
    options.onlyOccurrences = mode & 4;
    options.singleWords = mode & 8;
    options.comparison = (mode >> 4) & 3;
    options.ellipsizeAfterNCharacters = maximum;
    options.separator = (mode & 64) ? QStringLiteral(" … ") : QString();
    const QString wildcards = assembleOccurrencesOfWildcards(text, {pattern}, options);
    const QString string = assembleOccurrencesOfString(text, pattern, options);
    if (maximum > 0) {
        require(wildcards.size() <= maximum, "wildcard snippet longer than its maximum");
        require(string.size() <= maximum, "string snippet longer than its maximum");
    }

    OccurrenceOptions records;
    records.separators = options.separators;
    records.comparison = options.comparison;
    records.minEnclosingWords = mode >> 6;
    for (const QList<Occurrence>& list :
         {getOccurrencesOfWildcards(text, {pattern}, records), getOccurrencesOfString(text, pattern, records)}) {
        QList<Range> hits;
        for (const Occurrence& occurrence : list) {
            hits.append(occurrence.range);
            require(occurrence.stringRange.location >= 0 && occurrence.stringRange.maxRange() <= text.size(),
                    "record context outside the text");
        }
        requireInside(hits, text.size(), "record hits outside the text or out of order");
    }
}

void checkHighlights(const QString& text, const QString& pattern, std::uint8_t mode)
{
    HighlightSpans spans;
    highlightStrings(text, spans, {pattern}, {}, {}, mode & 1, mode & 2, mode & 4, mode & 8);
    requireInside(spans.ranges(), text.size(), "string highlight outside the text");
    spans.clear();
    highlightWildcards(text, spans, {pattern}, {}, {}, (mode >> 4) & 7, 1);
    requireInside(spans.ranges(), text.size(), "wildcard highlight outside the text");
    spans.clear();
    const RegularExpression expression = RegularExpression::compile(pattern, (mode >> 1) & 0x7F);
    RegularExpressionLimits limits;
    limits.stepLimit = 50;
    highlightRegularExpression(text, spans, expression, primaryHighlightAttributes(), limits);
    requireInside(spans.ranges(), text.size(), "regular-expression highlight outside the text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = [] {
        initSeparatorsAndTables();
        return true;
    }();
    (void)ready;
    if (size < 3)
        return 0;
    const std::uint8_t mode = data[0];
    const qsizetype maximum = data[1];
    // The pattern is the input up to the first zero byte, the text the rest.
    const char* bytes = reinterpret_cast<const char*>(data + 2);
    const std::size_t rest = size - 2;
    std::size_t split = 0;
    while (split < rest && bytes[split] != 0)
        ++split;
    const QString pattern = QString::fromUtf8(bytes, qsizetype(split));
    const QString text = split < rest ? QString::fromUtf8(bytes + split + 1, qsizetype(rest - split - 1)) : pattern;
    checkSnippets(text, pattern, mode, maximum);
    checkHighlights(text, pattern, mode);
    return 0;
}
