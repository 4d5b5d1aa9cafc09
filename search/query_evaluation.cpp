// Boolean and proximity evaluation of query-term trees on a word index, hit
// collection and reporting, the string-level wrappers and the self-test.

#include "search/query_evaluation.h"

#include "foundation/chars_table.h"
#include "platform/log.h"
#include "search/fast_word_enumerator.h"
#include "search/query_terms.h"
#include "search/wildcard_engine.h"
#include "search/wildcard_patterns.h"
#include "search/word_lists.h"
#include "search/word_search.h"

#include <QHash>

#include <algorithm>
#include <optional>
#include <vector>

namespace sorvant {

namespace {

// Beyond this many words a proximity window is found in the lists of word
// positions instead of by scanning the flag bytes, so that a large distance
// ("NEAR/100000") costs a binary search per hit, not a walk over the text.
constexpr qsizetype kWindowScanLimit = 64;

// The earlier operand of a proximity operator, the operator and its distance.
struct Anchor
{
    const QueryTerms* node = nullptr;
    QueryOperator op = kQueryMixed;
    qsizetype distance = 0;
};

bool isProximity(QueryOperator op)
{
    return op >= kQueryNear && op <= kQueryNext;
}

// A proximity operator with distance 0 acts as AND.
QueryOperator effectiveOperator(const QueryTerms& node)
{
    const QueryOperator op = node.queryOperator();
    return isProximity(op) && node.proximityDistance() == 0 ? kQueryAnd : op;
}

// Operators after which a failed running result ends the group.
bool stopsOnFailure(QueryOperator common)
{
    return common == kQueryAnd || isProximity(common);
}

void ensureCaseTables()
{
    (void)getLowerCharsTable();
    (void)getUpperCharsTable();
}

// How a leaf's term is found on the word index: whole words (anywhere with
// the substring flag) and phrases word by word in plain mode, the wildcard
// phrase finder in wildcard mode.
class TermFinder
{
public:
    TermFinder(const FastWordEnumerator& words, bool wildcard, unsigned caseOrComparison,
               const StopCheck* stop = nullptr)
        : m_words(words), m_view{words.characters(), words.index(), words.length()}, m_wildcard(wildcard),
          m_options(caseOrComparison), m_stop(stop)
    {
    }

    [[nodiscard]] const FastWordEnumerator& words() const { return m_words; }

    // The first hit of the leaf in [location, end); missing for an empty range.
    [[nodiscard]] Range find(const QueryTerms& leaf, qsizetype location, qsizetype end) const
    {
        if (end <= location)
            return kMissingRange;
        const QString& term = leaf.term();
        if (m_wildcard) {
            WildcardFindOptions options;
            options.comparison = m_options;
            options.loneStar = true;
            options.stop = m_stop;
            return findWildcardPhrase(m_view, location, end, term, options);
        }
        const bool anchored = !leaf.querySubstring();
        const QStringList& words = phraseWords(leaf);
        if (words.size() >= 2)
            return matchFollowingPhraseWords(m_words, words, Range{location, end - location}, m_options, anchored);
        const qsizetype hit = findTermInRange(m_words, location, end - location, term, m_options, anchored);
        return hit == NSNotFound ? kMissingRange : Range{hit, term.size()};
    }

    // The D-th word beginning before `position`, not before `floor`; floor
    // when there are fewer.
    [[nodiscard]] qsizetype wordsBefore(qsizetype position, qsizetype floor, qsizetype d) const
    {
        if (d > kWindowScanLimit) {
            const std::vector<qsizetype>& begins = positions().begins;
            const auto k = std::lower_bound(begins.begin(), begins.end(), position) - begins.begin();
            return k >= d && begins[size_t(k - d)] >= floor ? begins[size_t(k - d)] : floor;
        }
        const std::uint8_t* flags = m_words.index();
        qsizetype count = 0;
        for (qsizetype p = position - 1; p >= floor; --p) {
            if ((flags[p] & kWordBeginningFlag) && ++count == d)
                return p;
        }
        return floor;
    }

    // The position after the D-th word end at or after `position`, before
    // `limit`; limit when there are fewer.
    [[nodiscard]] qsizetype wordsAfter(qsizetype position, qsizetype limit, qsizetype d) const
    {
        if (d > kWindowScanLimit) {
            const std::vector<qsizetype>& ends = positions().ends;
            const auto k = std::lower_bound(ends.begin(), ends.end(), position) - ends.begin();
            const auto target = size_t(k) + size_t(d - 1);
            return target < ends.size() && ends[target] < limit ? ends[target] + 1 : limit;
        }
        const std::uint8_t* flags = m_words.index();
        qsizetype count = 0;
        for (qsizetype p = position; p < limit; ++p) {
            if ((flags[p] & kWordEndFlag) && ++count == d)
                return p + 1;
        }
        return limit;
    }

private:
    struct WordPositions
    {
        std::vector<qsizetype> begins;
        std::vector<qsizetype> ends;
    };

    const WordPositions& positions() const
    {
        if (!m_positions) {
            m_positions.emplace();
            const std::uint8_t* flags = m_words.index();
            for (qsizetype p = 0; p < m_words.length(); ++p) {
                if (flags[p] & kWordBeginningFlag)
                    m_positions->begins.push_back(p);
                if (flags[p] & kWordEndFlag)
                    m_positions->ends.push_back(p);
            }
        }
        return *m_positions;
    }

    // The words of a plain-mode term of three or more units, split once.
    const QStringList& phraseWords(const QueryTerms& leaf) const
    {
        auto it = m_phraseWords.find(&leaf);
        if (it == m_phraseWords.end()) {
            const QString& term = leaf.term();
            it = m_phraseWords.insert(&leaf, term.size() >= 3 ? wordsUsingDefaultSeparation(term) : QStringList());
        }
        return *it;
    }

    const FastWordEnumerator& m_words;
    WordIndexView m_view;
    bool m_wildcard;
    unsigned m_options;
    const StopCheck* m_stop;
    mutable QHash<const QueryTerms*, QStringList> m_phraseWords;
    mutable std::optional<WordPositions> m_positions;
};

// The words around a hit that the anchor must occur in: for NEAR, BEFORE and
// NEXT from D word beginnings before the hit, for AFTER from the hit; for
// NEAR and AFTER to D word ends after it, for BEFORE and NEXT to its end.
Range proximityWindow(const TermFinder& finder, Range hit, qsizetype location, qsizetype end, const Anchor& anchor)
{
    const qsizetype d = anchor.distance;
    const qsizetype start =
        anchor.op == kQueryAfter ? hit.location : finder.wordsBefore(hit.location, location, d);
    const qsizetype hitEnd = std::min(hit.maxRange(), end);
    const qsizetype stop =
        anchor.op == kQueryNear || anchor.op == kQueryAfter ? finder.wordsAfter(hitEnd, end, d) : hitEnd;
    return Range{start, std::max(stop, start) - start};
}

// One walk of a query tree over the indexed text. It answers whether the
// tree holds in [location, end) and, when given a sink, records there every
// hit that supports the result: all hits of a leaf rather than the first,
// and the hits of a child that only serves as the anchor of the next one
// inside that child's windows. Without a sink it stops at the first proof.
class TreeWalk
{
public:
    explicit TreeWalk(const TermFinder& finder) : m_finder(finder) {}

    [[nodiscard]] bool holds(const QueryTerms& node, qsizetype location, qsizetype end, const Anchor& anchor = {},
                             QueryTermHits* sink = nullptr) const
    {
        if (!node.isWord())
            return holdsGroup(node, location, end, anchor, sink);
        if (anchor.node)
            return holdsWithAnchor(node, location, end, anchor, sink);
        if (!sink || node.queryNot())
            return m_finder.find(node, location, end).isMissing() == node.queryNot();
        bool found = false;
        for (qsizetype position = location; position < end;) {
            const Range hit = m_finder.find(node, position, end);
            if (hit.isMissing())
                break;
            sink->insert_or_assign(hit, QueryTermHit{node.term(), true});
            found = true;
            position = hit.maxRange();
        }
        return found;
    }

    // Whether a leaf outside a negated subtree occurs anywhere in the text.
    [[nodiscard]] bool containsAny(const QueryTerms& node) const
    {
        if (node.queryNot())
            return false;
        if (node.isWord())
            return !m_finder.find(node, 0, m_finder.words().length()).isMissing();
        return std::any_of(node.children().begin(), node.children().end(),
                           [this](const QueryTerms& child) { return containsAny(child); });
    }

private:
    // `node` is the later operand: some hit of it must have the anchor in its
    // window, or, negated, the anchor must occur outside every window.
    bool holdsWithAnchor(const QueryTerms& node, qsizetype location, qsizetype end, const Anchor& anchor,
                         QueryTermHits* sink) const
    {
        if (end <= location)
            return false;
        const bool negated = node.queryNot();
        bool result = false;
        qsizetype previousEnd = location;
        for (qsizetype position = location; position < end;) {
            const Range hit = m_finder.find(node, position, end);
            if (hit.isMissing())
                break;
            const Range window = proximityWindow(m_finder, hit, location, end, anchor);
            if (!negated && holds(*anchor.node, window.location, window.maxRange(), {}, sink)) {
                if (!sink)
                    return true;
                sink->insert_or_assign(hit, QueryTermHit{node.term(), false});
                result = true;
            }
            if (negated && window.location > previousEnd
                && holds(*anchor.node, previousEnd, window.location, {}, sink)) {
                if (!sink)
                    return true;
                result = true;
            }
            position = hit.maxRange();
            previousEnd = window.maxRange();
        }
        if (negated && previousEnd < end && holds(*anchor.node, previousEnd, end, {}, sink))
            result = true;
        return result;
    }

    bool holdsGroup(const QueryTerms& group, qsizetype location, qsizetype end, const Anchor& anchor,
                    QueryTermHits* sink) const
    {
        const std::vector<QueryTerms>& children = group.children();
        if (children.empty())
            return group.queryNot();
        // Hits are kept apart until the group's result is known.
        QueryTermHits local;
        QueryTermHits* childSink = sink ? &local : nullptr;
        const auto visit = [&](std::size_t k, const Anchor& childAnchor) {
            const bool anchorOfNext = k + 1 < children.size() && isProximity(effectiveOperator(children[k + 1]));
            return holds(children[k], location, end, childAnchor, anchorOfNext ? nullptr : childSink);
        };
        const QueryOperator common = group.commonOperator();
        const bool shortCut = stopsOnFailure(common);
        bool result = visit(0, anchor);
        for (std::size_t k = 1; k < children.size() && !(shortCut && !result); ++k) {
            const QueryTerms& child = children[k];
            const QueryOperator op = common == kQueryOr ? kQueryOr : effectiveOperator(child);
            if (common == kQueryOr && result)
                break;
            if (op == kQueryAnd && result)
                result = visit(k, anchor);
            else if (op == kQueryOr && !result)
                result = visit(k, anchor);
            else if (op == kQueryXor)
                result = result != visit(k, anchor);
            else if (isProximity(op) && result)
                result = visit(k, Anchor{&children[k - 1], child.queryOperator(), child.proximityDistance()});
            if (!result)
                local.clear();
        }
        // Hits of a negated group are what the query excludes: never marked.
        if (sink && result && !group.queryNot()) {
            for (auto& [range, hit] : local)
                sink->insert_or_assign(range, std::move(hit));
        }
        return result != group.queryNot();
    }

    const TermFinder& m_finder;
};

unsigned caseOptions(bool caseSensitive)
{
    return caseSensitive ? 0u : unsigned(kCompareCaseInsensitive);
}

// Builds the word index of a non-empty text and asks an evaluator over it;
// false for an empty text.
template <typename Ask>
bool askWordIndex(const QString& text, bool wildcard, unsigned caseOrComparison, const Ask& ask,
                  const StopCheck* stop = nullptr)
{
    if (text.isEmpty())
        return false;
    if (wildcard)
        initWildcardTables();
    else
        ensureCaseTables();
    const auto words = FastWordEnumerator::enumeratorWithString(text, false, false, stop);
    if (!words)
        return false;
    const TermFinder finder(*words, wildcard, caseOrComparison, stop);
    // A stopped search finds nothing, whatever NOT made of the missing hits.
    return ask(TreeWalk(finder), words->length()) && !shouldStop(stop, 0);
}

// The word index's forward or backward query-term finder over `text`.
Range findQueryTermInString(const QString& text, QStringList& terms, bool isMutable, Range range,
                            bool caseSensitive, bool anchored, bool exactPhrase, bool forward)
{
    if (range.location < 0 || range.location >= text.size())
        return kMissingRange;
    const auto words = FastWordEnumerator::enumeratorWithString(text);
    if (!words)
        return kMissingRange;
    return forward ? words->findNextQueryTerm(terms, isMutable, range, caseSensitive, anchored, exactPhrase)
                   : words->findPreviousQueryTerm(terms, isMutable, range, caseSensitive, anchored, exactPhrase);
}

bool isInside(const QString& text, Range range)
{
    return range.location >= 0 && range.length >= 0 && range.location <= text.size()
        && range.length <= text.size() - range.location;
}

} // namespace

// --- hit records -------------------------------------------------------------------

bool QueryTermRangeOrder::operator()(const Range& a, const Range& b) const
{
    return compareRangeValues(a, b) < 0;
}

bool collectQueryTermRanges(const QueryTerms& terms, const FastWordEnumerator& words, Range range,
                            unsigned comparison, QueryTermHits& hits)
{
    const qsizetype location = std::clamp<qsizetype>(range.location, 0, words.length());
    const qsizetype end = std::clamp<qsizetype>(range.maxRange(), location, words.length());
    initWildcardTables();
    const TermFinder finder(words, true, comparison);
    return TreeWalk(finder).holds(terms, location, end, {}, &hits);
}

void reportQueryTermRanges(const FastWordEnumerator& words, const QueryTermHits& hits,
                           const QueryTerms::HitHandler& handler)
{
    if (!handler)
        return;
    // The reported end only grows, so a short hit inside a reported one
    // cannot let a later overlapping hit through.
    qsizetype lastEnd = 0;
    for (const auto& [range, hit] : hits) {
        if (range.location >= lastEnd)
            handler(words, hit.term, range, hit.primary);
        lastEnd = std::max(lastEnd, range.maxRange());
    }
}

// --- the tree's entry points ------------------------------------------------------------

bool QueryTerms::matchesStringCaseSensitive(const QString& text, bool caseSensitive) const
{
    return askWordIndex(text, false, caseOptions(caseSensitive),
                        [this](const TreeWalk& walk, qsizetype length) {
                            return walk.holds(*this, 0, length);
                        });
}

bool QueryTerms::matchesStringComparison(const QString& text, unsigned comparison, const StopCheck* stop) const
{
    return askWordIndex(
        text, true, comparison,
        [this](const TreeWalk& walk, qsizetype length) { return walk.holds(*this, 0, length); }, stop);
}

bool QueryTerms::containsStringCaseSensitive(const QString& text, bool caseSensitive) const
{
    return askWordIndex(text, false, caseOptions(caseSensitive),
                        [this](const TreeWalk& walk, qsizetype) { return walk.containsAny(*this); });
}

bool QueryTerms::containsStringComparison(const QString& text, unsigned comparison) const
{
    return askWordIndex(text, true, comparison,
                        [this](const TreeWalk& walk, qsizetype) { return walk.containsAny(*this); });
}

void QueryTerms::enumerateString(const QString& text, Range range, bool caseSensitive,
                                 const HitHandler& handler) const
{
    enumerateQueryTerms(text, queryTerms(), range, caseSensitive ? 0u : unsigned(kComparisonIgnoreCase), handler);
}

// --- string-level wrappers ------------------------------------------------------------

bool matchesQueryTerms(const QString& text, const QueryTerms* terms, bool caseSensitive)
{
    return terms && terms->matchesStringCaseSensitive(text, caseSensitive);
}

bool containsQueryTerms(const QString& text, const QueryTerms* terms, bool caseSensitive)
{
    return terms && terms->containsStringCaseSensitive(text, caseSensitive);
}

void enumerateQueryTerms(const QString& text, const QList<QueryTerms>& trees, Range range, unsigned comparison,
                         const QueryTerms::HitHandler& handler)
{
    if (trees.isEmpty() || !handler || text.isEmpty() || !isInside(text, range))
        return;
    ensureCaseTables();
    const auto words = FastWordEnumerator::enumeratorWithString(text);
    if (!words)
        return;
    QueryTermHits hits;
    for (const QueryTerms& tree : trees)
        collectQueryTermRanges(tree, *words, range, comparison, hits);
    reportQueryTermRanges(*words, hits, handler);
}

Range findPreviousQueryTerm(const QString& text, QStringList& terms, bool isMutable, Range range,
                            bool caseSensitive, bool anchored, bool exactPhrase)
{
    return findQueryTermInString(text, terms, isMutable, range, caseSensitive, anchored, exactPhrase, false);
}

Range findNextQueryTerm(const QString& text, QStringList& terms, bool isMutable, Range range, bool caseSensitive,
                        bool anchored, bool exactPhrase)
{
    return findQueryTermInString(text, terms, isMutable, range, caseSensitive, anchored, exactPhrase, true);
}

// --- self-test -----------------------------------------------------------------------------

QString QueryTerms::testString()
{
    return QStringLiteral("Lorem ipsum dolor sit amet, consetetur sadipscing elitr, sed diam nonumy eirmod tempor "
                          "invidunt ut labore et dolore magna aliquyam erat. At vero eos et accusam et justo duo "
                          "dolores et ea rebum.");
}

const QueryTerms::TestCase* QueryTerms::getTestCases(qsizetype* count)
{
    // In the test text "tempor" is word 13, "invidunt" 14 and "labore" 16.
    static const TestCase cases[] = {
        {true, u"tempor AND duo"},
        {true, u"tempor AND NOT missing"},
        {true, u"tempor OR duo"},
        {true, u"tempor OR NOT duo"},
        {true, u"tempor OR missing"},
        {true, u"tempor OR NOT missing"},
        {true, u"tempor XOR NOT duo"},
        {true, u"tempor XOR missing"},
        {true, u"tempor NEAR labore"},
        {true, u"tempor BEFORE labore"},
        {true, u"labore AFTER tempor"},
        {true, u"tempor NOT NEAR/2 labore"},
        {true, u"tempor NOT BEFORE/2 labore"},
        {true, u"tempor NOT AFTER labore"},
        {true, u"tempor NOT AFTER/2 labore"},
        {true, u"labore NOT AFTER/2 tempor"},
        {true, u"tempor NOT NEAR missing"},
        {true, u"tempor NOT NEAR/2 missing"},
        {true, u"tempor NOT BEFORE missing"},
        {true, u"tempor NOT BEFORE/2 missing"},
        {true, u"tempor NOT AFTER missing"},
        {true, u"tempor NOT AFTER/2 missing"},
        {true, u"labore NOT AFTER missing"},
        {true, u"labore NOT AFTER/2 missing"},
        {true, u"tempor NEXT invidunt"},
        {true, u"tempor NEXT NOT missing"},
        {false, u"tempor AND NOT duo"},
        {false, u"tempor AND missing"},
        {false, u"tempor XOR duo"},
        {false, u"tempor XOR NOT missing"},
        {false, u"tempor NEAR/2 labore"},
        {false, u"tempor BEFORE/2 labore"},
        {false, u"tempor AFTER labore"},
        {false, u"tempor AFTER/2 labore"},
        {false, u"labore AFTER/2 tempor"},
        {false, u"tempor NOT NEAR labore"},
        {false, u"tempor NOT BEFORE labore"},
        {false, u"labore NOT AFTER tempor"},
        {false, u"tempor NEAR missing"},
        {false, u"tempor NEAR/2 missing"},
        {false, u"tempor BEFORE missing"},
        {false, u"tempor BEFORE/2 missing"},
        {false, u"tempor AFTER missing"},
        {false, u"tempor AFTER/2 missing"},
        {false, u"labore AFTER missing"},
        {false, u"labore AFTER/2 missing"},
        {false, u"tempor NEXT NOT invidunt"},
        {false, u"tempor NEXT missing"},
    };
    if (count)
        *count = qsizetype(std::size(cases));
    return cases;
}

bool QueryTerms::test()
{
    const QString text = testString();
    qsizetype count = 0;
    const TestCase* cases = getTestCases(&count);
    bool all = true;
    for (qsizetype k = 0; k < count; ++k) {
        const QString query = QString::fromUtf16(cases[k].query);
        const auto terms = queryTermsWithWildcard(query);
        const bool result = terms && terms->matchesStringComparison(text, kComparisonIgnoreCase);
        const QString line = QStringLiteral("%1 => %2").arg(query, result ? QStringLiteral("Yes") : QStringLiteral("No"));
        logMessage((result == cases[k].expected ? QStringLiteral("Success: ") : QStringLiteral("Failed: ")) + line);
        all = all && result == cases[k].expected;
    }
    return all;
}

} // namespace sorvant
