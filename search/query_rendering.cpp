// Term lists of query-term trees, the wildcard terms with their hyphen and
// neighbour variants, and the renderer that writes a tree in other syntaxes.

#include "search/query_rendering.h"

#include "foundation/comparators.h"
#include "platform/unicode.h"
#include "search/wildcard_patterns.h"

#include <QSet>

#include <algorithm>

namespace sorvant {

namespace {

// Visits the leaves that are neither negated nor below a negated group.
template <typename Visit>
void forEachPositiveLeaf(const QueryTerms& node, const Visit& visit)
{
    if (node.queryNot())
        return;
    if (node.isWord()) {
        visit(node);
        return;
    }
    for (const QueryTerms& child : node.children())
        forEachPositiveLeaf(child, visit);
}

enum class WildcardList { Plus, ExtendedPlus, Minus };

// Collects the wildcard terms of one list over a tree.
class WildcardCollector
{
public:
    explicit WildcardCollector(WildcardList list) : m_list(list) {}

    void collect(const QueryTerms& node)
    {
        if (node.isWord()) {
            if (takes(node))
                (void)addLeaf(node);
            return;
        }
        if (m_list != WildcardList::Minus && node.queryNot())
            return;
        QString previous;
        for (const QueryTerms& child : node.children()) {
            QString contribution;
            if (!child.isWord())
                collect(child);
            else if (takes(child))
                contribution = addLeaf(child);
            if (m_list == WildcardList::ExtendedPlus && !previous.isEmpty() && !contribution.isEmpty()
                && joinsNeighbours(child.queryOperator()))
                m_terms.insert(previous + QLatin1Char(' ') + contribution);
            previous = contribution;
        }
    }

    // Shortest first; equal lengths in a fixed order.
    [[nodiscard]] QStringList sorted() const
    {
        QStringList terms(m_terms.begin(), m_terms.end());
        std::sort(terms.begin(), terms.end());
        std::stable_sort(terms.begin(), terms.end(),
                         [](const QString& a, const QString& b) { return sortAscendingByLength(a, b) < 0; });
        return terms;
    }

private:
    [[nodiscard]] bool takes(const QueryTerms& leaf) const
    {
        return m_list == WildcardList::Minus ? leaf.queryNot() : !leaf.queryNot();
    }

    static bool joinsNeighbours(QueryOperator op)
    {
        return op == kQueryAnd || (op >= kQueryNear && op <= kQueryNext);
    }

    // Adds a leaf's terms and answers its contribution: its one word, its
    // words joined by a space, or, when hyphenated, joined without one.
    QString addLeaf(const QueryTerms& leaf)
    {
        bool hyphenated = false;
        const QString& text = leaf.term();
        const QStringList words = wordsUsingWildcardSeparation(text, leaf.queryPhrase() ? nullptr : &hyphenated);
        if (words.isEmpty())
            return QString();
        if (m_list != WildcardList::ExtendedPlus)
            m_terms.insert(text);
        QString contribution = words.size() == 1 ? words.front() : words.join(QLatin1Char(' '));
        m_terms.insert(contribution);
        if (words.size() > 1 && hyphenated) {
            contribution = words.join(QString());
            m_terms.insert(contribution);
        }
        return contribution;
    }

    WildcardList m_list;
    QSet<QString> m_terms;
};

std::optional<QStringList> wildcardList(const QueryTerms& tree, WildcardList list)
{
    if (!tree.isValid())
        return std::nullopt;
    WildcardCollector collector(list);
    collector.collect(tree);
    return collector.sorted();
}

// Writes a tree with QueryTermsFormatOptions.
class Renderer
{
public:
    Renderer(unsigned options, const QVariantMap& dictionary) : m_options(options), m_dictionary(dictionary) {}

    [[nodiscard]] const QString& text() const { return m_out; }

    void append(const QueryTerms& node, bool top)
    {
        if (node.queryNot()) {
            if (has(kQueryFormatAndNot))
                m_out += word(QStringLiteral("ANDNOT")) + QLatin1Char(' ');
            else if (has(kQueryFormatNot))
                m_out += word(QStringLiteral("NOT")) + QLatin1Char(' ');
            else
                m_out += word(QStringLiteral("-"));
        }
        if (has(kQueryFormatSubstring) && node.querySubstring())
            m_out += QLatin1Char('~');
        if (node.isWord())
            appendLeaf(node);
        else
            appendGroup(node, top);
    }

private:
    [[nodiscard]] bool has(unsigned bit) const { return (m_options & bit) != 0; }

    [[nodiscard]] QString word(const QString& key) const
    {
        const auto it = m_dictionary.find(key);
        return it == m_dictionary.end() ? key : it->toString();
    }

    void appendLeaf(const QueryTerms& leaf)
    {
        QString text = leaf.term();
        if (has(kQueryFormatUppercase))
            text = unicode::uppercaseString(text);
        else if (has(kQueryFormatLowercase))
            text = unicode::lowercaseString(text);
        if (leaf.queryPhrase() && has(kQueryFormatQuotes))
            m_out += QLatin1Char('"') + text + QLatin1Char('"');
        else if (leaf.queryPhrase() && has(kQueryFormatBrackets))
            m_out += QLatin1Char('(') + wordsUsingWildcardSeparation(text).join(QLatin1Char(' ')) + QLatin1Char(')');
        else
            m_out += text;
    }

    void appendGroup(const QueryTerms& group, bool top)
    {
        const std::vector<QueryTerms>& children = group.children();
        if (children.empty())
            return;
        const bool bracketed = has(kQueryFormatBrackets) && !top && children.size() >= 2;
        if (bracketed)
            m_out += QLatin1Char('(');
        qsizetype plusPosition =
            has(kQueryFormatRequired) && !group.queryNot() && children.size() >= 2 ? m_out.size() : -1;
        bool first = true;
        for (const QueryTerms& child : children) {
            if ((child.queryNot() && !has(kQueryFormatNegated))
                || (child.queryOperator() == kQueryOpt && !has(kQueryFormatOpt)))
                continue;
            if (!first)
                appendOperator(child, plusPosition);
            append(child, false);
            first = false;
        }
        if (bracketed)
            m_out += QLatin1Char(')');
    }

    void appendOperator(const QueryTerms& child, qsizetype& plusPosition)
    {
        switch (child.queryOperator()) {
        case kQueryOr:
            appendOr();
            break;
        case kQueryXor:
            if (has(kQueryFormatXor))
                appendWord(QStringLiteral("XOR"));
            else
                appendOr();
            break;
        case kQueryNear:
            appendDistance(child, kQueryFormatNear, QStringLiteral("NEAR"), plusPosition);
            break;
        case kQueryAfter:
            appendDistance(child, kQueryFormatAfter, QStringLiteral("AFTER"), plusPosition);
            break;
        case kQueryNext:
            if (has(kQueryFormatNext) && child.proximityDistance() == 1)
                appendWord(QStringLiteral("NEXT"));
            else
                appendDistance(child, kQueryFormatBefore, QStringLiteral("BEFORE"), plusPosition);
            break;
        case kQueryBefore:
            appendDistance(child, kQueryFormatBefore, QStringLiteral("BEFORE"), plusPosition);
            break;
        case kQueryOpt:
            appendWord(QStringLiteral("OPT"));
            break;
        case kQueryAnd:
        case kQueryMixed:
            appendAnd(child.queryNot(), plusPosition);
            break;
        }
    }

    void appendWord(const QString& key) { m_out += QLatin1Char(' ') + word(key) + QLatin1Char(' '); }

    void appendAnd(bool negatedChild, qsizetype& plusPosition)
    {
        if (has(kQueryFormatAnd) && has(kQueryFormatNot)) {
            if (negatedChild)
                m_out += QLatin1Char(' ');
            else
                appendWord(QStringLiteral("AND"));
        } else if (has(kQueryFormatRequired)) {
            if (plusPosition >= 0) {
                m_out.insert(plusPosition, QLatin1Char('+'));
                plusPosition = -1;
            }
            m_out += negatedChild ? QStringLiteral(" ") : QStringLiteral(" +");
        } else {
            m_out += QLatin1Char(' ');
        }
    }

    void appendOr()
    {
        if (!has(kQueryFormatOr) || has(kQueryFormatRequired))
            m_out += QLatin1Char(' ');
        else if (has(kQueryFormatBar))
            m_out += word(QStringLiteral("|"));
        else
            appendWord(QStringLiteral("OR"));
    }

    void appendDistance(const QueryTerms& child, unsigned bit, const QString& key, qsizetype& plusPosition)
    {
        if (has(bit))
            m_out += QStringLiteral(" %1/%2 ").arg(word(key)).arg(child.proximityDistance());
        else
            appendAnd(child.queryNot(), plusPosition);
    }

    unsigned m_options;
    const QVariantMap& m_dictionary;
    QString m_out;
};

QString render(const QueryTerms& tree, unsigned options, const QVariantMap& dictionary = {})
{
    Renderer renderer(options, dictionary);
    renderer.append(tree, true);
    return renderer.text();
}

constexpr unsigned kStandardizedOptions = 0x2003F;
constexpr unsigned kNormalizedOptions = 0x313FF;
// The description names negation "ANDNOT", so it sets kQueryFormatAndNot
// beside the bits of the other full forms.
constexpr unsigned kDescriptionOptions = 0x287FF | kQueryFormatAndNot;

// The union of one list over every tree, in no particular order.
template <typename List>
std::optional<QStringList> unionOf(const QList<QueryTerms>& trees, const List& list)
{
    if (trees.isEmpty())
        return std::nullopt;
    QSet<QString> all;
    for (const QueryTerms& tree : trees) {
        const std::optional<QStringList> terms = list(tree);
        if (terms)
            all.unite(QSet<QString>(terms->begin(), terms->end()));
    }
    if (all.isEmpty())
        return std::nullopt;
    return QStringList(all.begin(), all.end());
}

} // namespace

// --- the tree's lists --------------------------------------------------------------------

qsizetype QueryTerms::minTermLen() const
{
    qsizetype shortest = -1;
    forEachPositiveLeaf(*this, [&](const QueryTerms& leaf) {
        if (shortest < 0 || leaf.term().size() < shortest)
            shortest = leaf.term().size();
    });
    return std::max<qsizetype>(shortest, 0);
}

QString QueryTerms::plusString() const
{
    return plusParts().join(QLatin1Char(' '));
}

QList<QueryTerms> QueryTerms::plusTerms() const
{
    QList<QueryTerms> leaves;
    forEachPositiveLeaf(*this, [&](const QueryTerms& leaf) { leaves.append(leaf); });
    return leaves;
}

QStringList QueryTerms::plusParts() const
{
    QStringList parts;
    forEachPositiveLeaf(*this, [&](const QueryTerms& leaf) { parts.append(leaf.term()); });
    return parts;
}

QStringList QueryTerms::plusWords() const
{
    QStringList words;
    forEachPositiveLeaf(*this, [&](const QueryTerms& leaf) { words += wordsUsingWildcardSeparation(leaf.term()); });
    return words;
}

std::optional<QStringList> QueryTerms::plusWildcards() const
{
    return wildcardList(*this, WildcardList::Plus);
}

std::optional<QStringList> QueryTerms::extendedPlusWildcards() const
{
    return wildcardList(*this, WildcardList::ExtendedPlus);
}

std::optional<QStringList> QueryTerms::minusWildcards() const
{
    return wildcardList(*this, WildcardList::Minus);
}

// --- rendering -------------------------------------------------------------------------------

QStringList QueryTerms::queryTermsForOperators(unsigned options, const QVariantMap& dictionary) const
{
    return {render(*this, options, dictionary)};
}

QString QueryTerms::standardizedQueryTerm() const
{
    return render(*this, kStandardizedOptions);
}

QString QueryTerms::normalizedQueryTerm() const
{
    return render(*this, kNormalizedOptions);
}

QString QueryTerms::description() const
{
    return QStringLiteral("QueryTerms <") + render(*this, kDescriptionOptions) + QLatin1Char('>');
}

// --- one query text ------------------------------------------------------------------------------

QString plusString(const QString& query)
{
    return QueryTerms::initWithString(query).plusString();
}

QList<QueryTerms> plusTerms(const QString& query)
{
    return QueryTerms::initWithString(query).plusTerms();
}

QStringList plusParts(const QString& query)
{
    return QueryTerms::initWithString(query).plusParts();
}

QStringList plusWords(const QString& query)
{
    return QueryTerms::initWithString(query).plusWords();
}

QStringList queryTermsForOperators(const QString& query, unsigned options, const QVariantMap& dictionary)
{
    return QueryTerms::initWithString(query).queryTermsForOperators(options, dictionary);
}

QString standardizedQueryTerm(const QString& query)
{
    return QueryTerms::initWithString(query).standardizedQueryTerm();
}

QString normalizedQueryTerm(const QString& query)
{
    return QueryTerms::initWithString(query).normalizedQueryTerm();
}

// --- lists of parsed queries ------------------------------------------------------------------------

std::optional<QList<QueryTerms>> queryTerms(const QList<QueryTerms>& trees)
{
    if (trees.isEmpty())
        return std::nullopt;
    QList<QueryTerms> all;
    for (const QueryTerms& tree : trees)
        all += tree.queryTerms();
    return all;
}

std::optional<QStringList> plusParts(const QList<QueryTerms>& trees)
{
    return unionOf(trees, [](const QueryTerms& tree) { return std::optional<QStringList>(tree.plusParts()); });
}

std::optional<QStringList> plusWords(const QList<QueryTerms>& trees)
{
    return unionOf(trees, [](const QueryTerms& tree) { return std::optional<QStringList>(tree.plusWords()); });
}

std::optional<QStringList> plusWildcards(const QList<QueryTerms>& trees)
{
    return unionOf(trees, [](const QueryTerms& tree) { return tree.plusWildcards(); });
}

std::optional<QStringList> minusWildcards(const QList<QueryTerms>& trees)
{
    return unionOf(trees, [](const QueryTerms& tree) { return tree.minusWildcards(); });
}

} // namespace sorvant
