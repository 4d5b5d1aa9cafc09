#include "search/snippets.h"

#include "foundation/ellipsizing.h"
#include "foundation/separators.h"
#include "platform/string_compare.h"
#include "search/fast_word_enumerator.h"
#include "search/query_evaluation.h"

#include <QSet>
#include <QStringView>

#include <cstdint>
#include <functional>

namespace sorvant {

namespace {

const QString kEllipsis = QStringLiteral("...");

// The indexed text both builders read, with the separator set they stop at.
struct IndexedText
{
    IndexedText(const FastWordEnumerator& words, const CharacterSetBitmap* separatorSet)
        : units(words.characters()), flags(words.index()), length(words.length()), separators(separatorSet)
    {
    }
    [[nodiscard]] bool inSeparators(qsizetype index) const { return bitmapContains(separators, units[index]); }

    const unichar* units;
    const std::uint8_t* flags;
    qsizetype length;
    const CharacterSetBitmap* separators;
};

// One piece of a snippet: the text [start, end) around the hit
// [hitStart, hitEnd), and where the search for the next hit resumes.
struct Piece
{
    qsizetype start;
    qsizetype end;
    qsizetype hitStart;
    qsizetype hitEnd;
    qsizetype resume;
};

// Builds one snippet from the hits handed to it in text order.
class SnippetAssembler
{
public:
    SnippetAssembler(const FastWordEnumerator& words, const SnippetOptions& options, bool wordMode);
    // Adds the piece around the hit [p, q) and answers where the search goes
    // on, or NSNotFound once the snippet is complete.
    qsizetype expandOccurrenceToSeparators(qsizetype p, qsizetype q);
    [[nodiscard]] bool hasPieces() const { return m_added; }
    [[nodiscard]] const QString& snippet() const { return m_snippet; }

private:
    qsizetype addPiece(const Piece& piece);
    qsizetype complete();

    IndexedText m_text;
    QString m_separator;
    qsizetype m_maximum;
    bool m_singleWords;
    bool m_wordMode;
    bool m_begun = false;
    bool m_added = false;
    bool m_complete = false;
    QString m_snippet;
    // Views of the text's units: the text outlives the assembler.
    QSet<QStringView> m_used;
};

// Makes the occurrence records of the hits handed to it in text order,
// counting lines as it goes.
class OccurrenceCollector
{
public:
    OccurrenceCollector(const FastWordEnumerator& words, const OccurrenceOptions& options, bool wordMode);
    // Records the hit [p, q) and answers where the search goes on.
    qsizetype collectOccurrences(qsizetype p, qsizetype q);
    [[nodiscard]] const QList<Occurrence>& records() const { return m_records; }

private:
    bool marksMore(qsizetype index) const;
    qsizetype lineAt(qsizetype p);

    IndexedText m_text;
    qsizetype m_minEnclosingWords;
    bool m_wordMode;
    qsizetype m_line = 0;
    qsizetype m_lineScan = 0;
    QList<Occurrence> m_records;
};


// --- snippet pieces ------------------------------------------------------------

SnippetAssembler::SnippetAssembler(const FastWordEnumerator& words, const SnippetOptions& options, bool wordMode)
    : m_text(words, options.separators),
      m_separator(options.separator.isNull() ? QStringLiteral(" ") : options.separator),
      m_maximum(options.ellipsizeAfterNCharacters > 0 ? options.ellipsizeAfterNCharacters : 0),
      m_singleWords(options.singleWords),
      m_wordMode(wordMode)
{
    m_used.reserve(32);
}

// The piece runs from the hit [p, q) out to the separators on either side
// (in word mode, to the outermost word boundaries before them).
qsizetype SnippetAssembler::expandOccurrenceToSeparators(qsizetype p, qsizetype q)
{
    if (m_complete)
        return NSNotFound;
    const IndexedText& text = m_text;
    bool single = true;
    qsizetype start = p;
    if (p > 0 && m_wordMode) {
        for (qsizetype i = p - 1; i >= 0 && !text.inSeparators(i); --i) {
            if (text.flags[i] & kWordBeginningFlag) {
                start = i;
                single = false;
            }
        }
    } else if (p > 0 && !text.inSeparators(p - 1)) {
        qsizetype i = p - 2;
        while (i >= 0 && !text.inSeparators(i))
            --i;
        start = i + 1;
        single = false;
    }
    qsizetype end = q;
    qsizetype resume = q;
    if (q < text.length && m_wordMode) {
        qsizetype i = q;
        for (; i < text.length && !text.inSeparators(i); ++i) {
            if (text.flags[i] & kWordEndFlag) {
                end = i + 1;
                single = false;
            }
        }
        resume = i;
    } else if (q < text.length && !text.inSeparators(q)) {
        qsizetype i = q + 1;
        while (i < text.length && !text.inSeparators(i))
            ++i;
        end = resume = i;
        single = false;
    }
    if (end <= start || (single && !m_singleWords))
        return resume;
    return addPiece({start, end < text.length ? end : text.length, p, q, resume});
}

qsizetype SnippetAssembler::addPiece(const Piece& bounds)
{
    const QStringView piece(m_text.units + bounds.start, bounds.end - bounds.start);
    qsizetype separatorLength = 0;
    if (!m_begun) {
        m_begun = true;
        m_snippet.reserve(m_maximum > 0 ? m_maximum : m_text.length);
    } else {
        if (m_used.contains(piece))
            return bounds.resume;
        separatorLength = m_separator.size();
    }
    m_used.insert(piece);
    const qsizetype filled = m_snippet.size();
    const qsizetype pieceLength = piece.size();
    if (m_maximum == 0 || filled + separatorLength + pieceLength <= m_maximum) {
        m_snippet += m_separator.left(separatorLength);
        m_snippet += piece;
        m_added = true;
        if (m_maximum > 0 && filled + separatorLength + pieceLength + m_separator.size() >= m_maximum)
            return complete();
        return bounds.resume;
    }
    // The piece does not fit: cut it so that it and its "..." stay within the
    // maximum, keeping the hit where there is room for it.
    const qsizetype room = m_maximum - filled - separatorLength - kEllipsis.size();
    const qsizetype hitStart = bounds.hitStart;
    const qsizetype hitEnd = bounds.hitEnd;
    // A later piece that cannot show its whole hit would only add a fragment.
    if (room <= 0 || (m_added && hitEnd - hitStart > room))
        return complete();
    qsizetype from = bounds.start;
    qsizetype to = bounds.start + room;
    if (to < hitEnd) {
        from = hitEnd - room;
        to = hitEnd;
        if (from > hitStart) {
            from = hitStart; // the hit alone is longer than the room: keep its start
            to = hitStart + room;
        } else if (m_wordMode) {
            // Start at a whole word, moving forward so the piece never grows.
            while (from < hitStart && !(m_text.flags[from] & kWordBeginningFlag))
                ++from;
        }
    }
    if (from > bounds.start && QChar::isLowSurrogate(m_text.units[from]))
        ++from;
    if (to > from && QChar::isHighSurrogate(m_text.units[to - 1]))
        --to;
    m_snippet += m_separator.left(separatorLength);
    m_snippet += QStringView(m_text.units + from, to - from);
    m_snippet += kEllipsis;
    m_added = true;
    return complete();
}

qsizetype SnippetAssembler::complete()
{
    m_complete = true;
    return NSNotFound;
}

// --- occurrence records ----------------------------------------------------------

OccurrenceCollector::OccurrenceCollector(const FastWordEnumerator& words, const OccurrenceOptions& options,
                                         bool wordMode)
    : m_text(words, options.separators),
      m_minEnclosingWords(options.minEnclosingWords),
      m_wordMode(wordMode)
{
}

// Whether a unit that is neither a separator of the set nor a word boundary
// shows that the context goes on: any such unit in word mode, white space
// in unit mode.
bool OccurrenceCollector::marksMore(qsizetype index) const
{
    return m_wordMode || bitmapContains(getWhiteSpacesBitmap(), m_text.units[index]);
}

qsizetype OccurrenceCollector::collectOccurrences(qsizetype p, qsizetype q)
{
    const IndexedText& text = m_text;
    const qsizetype words = m_minEnclosingWords;
    qsizetype s = p;
    bool crossed = false;
    bool leading = false;
    for (qsizetype i = p - 1, w = 0; i >= 0; --i) {
        if (text.inSeparators(i)) {
            crossed = true;
            if (w >= words)
                break;
        } else if (text.flags[i] & kWordBeginningFlag) {
            ++w;
            s = i;
        } else {
            leading = leading || (crossed && marksMore(i));
            if (!m_wordMode && !marksMore(i))
                s = i;
        }
    }
    qsizetype t = q;
    qsizetype next = q < text.length ? text.length : q;
    bool trailing = false;
    crossed = false;
    for (qsizetype i = q, w = 0; i < text.length; ++i) {
        if (text.inSeparators(i)) {
            crossed = true;
            if (w >= words) {
                t = i + 1; // the separator belongs to the context
                next = i;
                break;
            }
        } else if (text.flags[i] & kWordEndFlag) {
            t = i + 1;
            ++w;
        } else {
            trailing = trailing || (crossed && marksMore(i));
            if (!m_wordMode && !marksMore(i))
                t = i + 1;
        }
    }
    if (t <= s)
        return next;
    const qsizetype end = t < text.length ? t : text.length;
    Occurrence record;
    record.range = makeRange(p, q - p);
    record.line = lineAt(p);
    if (leading)
        record.string += kEllipsis;
    record.string += QStringView(text.units + s, end - s);
    if (trailing)
        record.string += kEllipsis;
    record.stringRange = makeRange(s, end - s);
    if (m_records.isEmpty())
        m_records.reserve(4);
    m_records.append(record);
    return next;
}

qsizetype OccurrenceCollector::lineAt(qsizetype p)
{
    const CharacterSetBitmap* lines = defaultLineSeparators();
    for (qsizetype i = m_lineScan; i < p; ++i) {
        if (!bitmapContains(lines, m_text.units[i]))
            continue;
        ++m_line;
        // CR LF ends one line, even when the LF is the hit's first unit.
        if (m_text.units[i] == u'\r' && i + 1 < m_text.length && m_text.units[i + 1] == u'\n')
            ++i;
        m_lineScan = i + 1;
    }
    if (m_lineScan < p)
        m_lineScan = p;
    return m_line;
}

// --- the hit loops --------------------------------------------------------------------

QString ellipsizedWithin(const QString& text, qsizetype maximum)
{
    const QString ellipsized = stringByEllipsizingAfterNCharacters(text, static_cast<unsigned>(maximum));
    if (maximum <= 0 || ellipsized.size() <= maximum)
        return ellipsized;
    // The word-boundary cut may look past the maximum; cut before it instead,
    // at the last word separator that leaves room for "...".
    if (maximum <= kEllipsis.size())
        return text.left(maximum);
    qsizetype cut = maximum - kEllipsis.size();
    const CharacterSetBitmap* separators = defaultWordSeparators();
    qsizetype boundary = cut;
    while (boundary > 0 && !bitmapContains(separators, text.at(boundary).unicode()))
        --boundary;
    if (boundary > 0)
        cut = boundary;
    else if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + kEllipsis;
}

// Calls `take(p, q)` for each hit `next(position)` finds and the handler
// accepts, the next search starting where `take` says (at the hit's end
// for a skipped hit); ends at no hit, an empty hit, or NSNotFound.
template <typename NextHit, typename TakeHit>
void forEachHit(const FastWordEnumerator& words, OccurrenceHandler handler, void* context, NextHit next, TakeHit take)
{
    for (qsizetype position = 0; position < words.length();) {
        const Range hit = next(position);
        if (hit.isMissing() || hit.length == 0)
            return;
        if (handler && !handler(words, hit.location, hit.length, context)) {
            position = hit.maxRange();
            continue;
        }
        position = take(hit.location, hit.maxRange());
        if (position == NSNotFound)
            return;
    }
}

auto nextWildcard(const FastWordEnumerator& words, const QStringList& wildcards, unsigned comparison,
                  qsizetype minCharacters)
{
    return [&words, &wildcards, comparison, minCharacters](qsizetype position) {
        return words.rangeOfNextWildcard(wildcards, makeRange(position, words.length() - position), comparison,
                                         minCharacters);
    };
}

auto nextString(const QString& text, const QString& string, unsigned comparison)
{
    return [&text, &string, comparison](qsizetype position) {
        return findString(text, string, makeRange(position, text.size() - position), comparison % 2);
    };
}

// Hands the primary query-term hits to `take` in the order reported, until
// `take` answers NSNotFound. With `skipBehind` a hit that starts before the
// position `take` last answered is skipped.
void feedQueryTermHits(const QString& text, const QList<QueryTerms>& terms, unsigned comparison,
                       OccurrenceHandler handler, void* context, bool skipBehind, const FastWordEnumerator& words,
                       const std::function<qsizetype(qsizetype, qsizetype)>& take)
{
    qsizetype next = 0;
    enumerateQueryTerms(text, terms, makeRange(0, text.size()), comparison,
                        [&](const FastWordEnumerator&, const QString&, Range hit, bool primary) {
                            if (next == NSNotFound || !primary || (skipBehind && hit.location < next))
                                return;
                            if (handler && !handler(words, hit.location, hit.length, context))
                                return;
                            next = take(hit.location, hit.maxRange());
                        });
}

// The snippet of `assembler` or the fallback for a text without pieces.
QString snippetOrFallback(const QString& text, const SnippetAssembler& assembler, const SnippetOptions& options)
{
    if (assembler.hasPieces())
        return assembler.snippet();
    return options.onlyOccurrences ? QString() : ellipsizedWithin(text, options.ellipsizeAfterNCharacters);
}

// Whether the text itself (or nothing) is the answer without searching.
bool isSnippetUnneeded(const QString& text, const SnippetOptions& options, QString* answer)
{
    if (!options.separators || text.isEmpty()) {
        *answer = QString();
        return true;
    }
    if (!options.onlyOccurrences && text.size() <= options.ellipsizeAfterNCharacters) {
        *answer = text;
        return true;
    }
    return false;
}

// Takes the hit [p, q) and answers where the search goes on (NSNotFound: stop).
using Take = std::function<qsizetype(qsizetype p, qsizetype q)>;
// Finds the hits of one pattern kind in the indexed text and hands each to `take`.
using FeedHits = std::function<void(const FastWordEnumerator& words, const Take& take)>;

QString assembleSnippet(const QString& text, const SnippetOptions& options, bool hasPattern, bool wordMode,
                        const FeedHits& feed)
{
    QString answer;
    if (isSnippetUnneeded(text, options, &answer))
        return answer;
    const auto words = FastWordEnumerator::enumeratorWithString(text);
    if (!words)
        return QString();
    SnippetAssembler assembler(*words, options, wordMode);
    if (hasPattern)
        feed(*words, [&assembler](qsizetype p, qsizetype q) { return assembler.expandOccurrenceToSeparators(p, q); });
    return snippetOrFallback(text, assembler, options);
}

QList<Occurrence> collectRecords(const QString& text, const OccurrenceOptions& options, bool wordMode,
                                 const FeedHits& feed)
{
    if (text.isEmpty() || !options.separators)
        return {};
    const auto words = FastWordEnumerator::enumeratorWithString(text);
    if (!words)
        return {};
    OccurrenceCollector collector(*words, options, wordMode);
    feed(*words, [&collector](qsizetype p, qsizetype q) { return collector.collectOccurrences(p, q); });
    return collector.records();
}

} // namespace

QVariantMap Occurrence::dictionary() const
{
    return {{QStringLiteral("range"), QVariant::fromValue(range)},
            {QStringLiteral("line"), QVariant::fromValue<qint64>(line)},
            {QStringLiteral("string"), string},
            {QStringLiteral("strrange"), QVariant::fromValue(stringRange)}};
}

QString assembleOccurrencesOfWildcards(const QString& text, const QStringList& wildcards,
                                       const SnippetOptions& options)
{
    const auto feed = [&](const FastWordEnumerator& words, const Take& take) {
        forEachHit(words, options.handler, options.context,
                   nextWildcard(words, wildcards, options.comparison, options.minCharacters), take);
    };
    return assembleSnippet(text, options, !wildcards.isEmpty(), true, feed);
}

QString assembleOccurrencesOfString(const QString& text, const QString& string, const SnippetOptions& options)
{
    const auto feed = [&](const FastWordEnumerator& words, const Take& take) {
        forEachHit(words, options.handler, options.context, nextString(text, string, options.comparison), take);
    };
    return assembleSnippet(text, options, !string.isEmpty(), false, feed);
}

QString assembleOccurrencesOfQueryTerms(const QString& text, const QList<QueryTerms>& terms,
                                        const SnippetOptions& options)
{
    const auto feed = [&](const FastWordEnumerator& words, const Take& take) {
        feedQueryTermHits(text, terms, options.comparison, options.handler, options.context, false, words, take);
    };
    return assembleSnippet(text, options, !terms.isEmpty(), true, feed);
}

QList<Occurrence> getOccurrencesOfWildcards(const QString& text, const QStringList& wildcards,
                                            const OccurrenceOptions& options)
{
    if (wildcards.isEmpty())
        return {};
    return collectRecords(text, options, true, [&](const FastWordEnumerator& words, const Take& take) {
        forEachHit(words, options.handler, options.context,
                   nextWildcard(words, wildcards, options.comparison, options.minCharacters), take);
    });
}

QList<Occurrence> getOccurrencesOfString(const QString& text, const QString& string,
                                         const OccurrenceOptions& options)
{
    if (string.isEmpty())
        return {};
    return collectRecords(text, options, false, [&](const FastWordEnumerator& words, const Take& take) {
        forEachHit(words, options.handler, options.context, nextString(text, string, options.comparison), take);
    });
}

QList<Occurrence> getOccurrencesOfQueryTerms(const QString& text, const QList<QueryTerms>& terms,
                                             const OccurrenceOptions& options)
{
    if (terms.isEmpty())
        return {};
    return collectRecords(text, options, true, [&](const FastWordEnumerator& words, const Take& take) {
        feedQueryTermHits(text, terms, options.comparison, options.handler, options.context, true, words, take);
    });
}

} // namespace sorvant
