// The query-term parser and the structural observers of a tree.

#include "search/query_terms.h"

#include "foundation/chars_table.h"
#include "foundation/trimming.h"
#include "foundation/values.h"
#include "platform/log.h"

#include <algorithm>

namespace sorvant {

namespace {

constexpr unichar kQuote = u'"';

bool isQuotationMark(unichar c)
{
    return c == kQuote || (c >= 0x201C && c <= 0x201F);
}

// The state the next term takes: operator, NOT, substring flag and distance.
struct Pending
{
    QueryOperator op;
    bool negated;
    bool substring;
    qsizetype distance;
};

// Whether `token` equals the ASCII `keyword` ignoring case (both sides
// through the upper table, as every caseless unit compare of the system).
bool isKeyword(const QString& token, qsizetype from, qsizetype length, std::u16string_view keyword)
{
    if (length != qsizetype(keyword.size()) || from + length > token.size())
        return false;
    const CharsTable* upper = getUpperCharsTable();
    for (qsizetype k = 0; k < length; ++k) {
        if (upper[token.at(from + k).unicode()] != upper[keyword[size_t(k)]])
            return false;
    }
    return true;
}

// A distance as written after "/": integerValue, negative values read as 0.
qsizetype distanceValue(const QString& token, qsizetype from)
{
    return std::max<qint64>(0, integerValue(token.mid(from)));
}

// A wildcard term that may match inside words: "*term*", unless it already
// begins and ends with a star.
QString starredForSubstring(const QString& term)
{
    if (term.startsWith(QChar(u'*')) && term.endsWith(QChar(u'*')))
        return term;
    return QStringLiteral("*") + term + QStringLiteral("*");
}

} // namespace

// Parses one bracket level of the query into a group; sub-groups recurse
// with one more level, refused beyond kMaxQueryNesting.
class QueryParser
{
public:
    QueryParser(const QString& text, bool wildcard, QueryOperator defaultOperator, qsizetype defaultDistance)
        : m_text(text), m_units(reinterpret_cast<const unichar*>(text.constData())), m_wildcard(wildcard),
          m_defaults{defaultOperator, false, false, std::max<qsizetype>(defaultDistance, 0)}
    {
    }

    // The whole query as a root group; empty, with the error set, when it
    // nests too deeply.
    static QueryTerms parseQuery(const QString& string, bool wildcard, QueryOperator defaultOperator,
                                 qsizetype defaultDistance);

private:
    static QueryTerms makeGroup(const Pending& own)
    {
        QueryTerms group;
        group.m_queryOperator = own.op;
        group.m_queryNot = own.negated;
        group.m_querySubstring = own.substring;
        group.m_proximityDistance = own.distance;
        return group;
    }

    void parse(QueryTerms& group, qsizetype begin, qsizetype end, int depth);
    bool addQueryWord(QueryTerms& group, Pending& pending, qsizetype begin, qsizetype end, bool phrase);
    bool applyKeyword(const QString& token, Pending& pending) const;
    void parseGroup(QueryTerms& group, const Pending& pending, qsizetype begin, qsizetype end, int depth);
    [[nodiscard]] qsizetype matchingBracket(qsizetype open, qsizetype end) const;
    [[nodiscard]] qsizetype nextOf(qsizetype from, qsizetype end, bool (*test)(unichar)) const;
    static void append(QueryTerms& group, QueryTerms&& node);

    const QString& m_text;
    const unichar* m_units;
    bool m_wildcard;
    Pending m_defaults;
    bool m_failed = false;
    // The first flaw, and the operator read last while no term has followed
    // it (position -1 when none).
    void noteFlaw(QuerySyntaxFlaw flaw, qsizetype position, qsizetype length)
    {
        if (m_syntax.flaw == QuerySyntaxFlaw::None)
            m_syntax = {flaw, position, length};
    }
    QuerySyntax m_syntax;
    QuerySyntax m_openOperator;
};

void QueryParser::append(QueryTerms& group, QueryTerms&& node)
{
    const std::size_t count = group.m_children.size();
    if (count == 0)
        group.m_commonOperator = kQueryMixed;
    else if (count == 1)
        group.m_commonOperator = node.m_queryOperator;
    else if (group.m_commonOperator != node.m_queryOperator)
        group.m_commonOperator = kQueryMixed;
    group.m_children.push_back(std::move(node));
}

qsizetype QueryParser::matchingBracket(qsizetype open, qsizetype end) const
{
    int depth = 1;
    for (qsizetype j = open + 1; j < end; ++j) {
        if (m_units[j] == u'(')
            ++depth;
        else if (m_units[j] == u')' && --depth == 0)
            return j;
    }
    return end; // an unclosed bracket takes the rest of the text
}

qsizetype QueryParser::nextOf(qsizetype from, qsizetype end, bool (*test)(unichar)) const
{
    for (qsizetype j = from; j < end; ++j) {
        if (test(m_units[j]))
            return j;
    }
    return end;
}

// Keywords change the pending state and append nothing.
bool QueryParser::applyKeyword(const QString& token, Pending& pending) const
{
    const qsizetype n = token.size();
    if (isKeyword(token, 0, n, u"AND") || isKeyword(token, 0, n, u"BUT"))
        pending.op = kQueryAnd;
    else if (isKeyword(token, 0, n, u"XOR") || isKeyword(token, 0, n, u"EOR"))
        pending.op = kQueryXor;
    else if (isKeyword(token, 0, n, u"OR"))
        pending.op = kQueryOr;
    else if (isKeyword(token, 0, n, u"OPT"))
        pending.op = kQueryOpt;
    else if (isKeyword(token, 0, n, u"NOT"))
        pending.negated = !pending.negated;
    else {
        // Proximity words, alone or with "/n"; "NEAR" alone keeps the
        // pending distance, the others set their own.
        struct Proximity
        {
            std::u16string_view word;
            QueryOperator op;
            qsizetype distance;
        };
        const Proximity forms[] = {{u"NEAR", kQueryNear, pending.distance},
                                   {u"NEXT", kQueryNext, 1},
                                   {u"AFTER", kQueryAfter, m_defaults.distance},
                                   {u"BEFORE", kQueryBefore, m_defaults.distance}};
        for (const Proximity& form : forms) {
            const qsizetype w = qsizetype(form.word.size());
            if (!isKeyword(token, 0, std::min(w, n), form.word))
                continue;
            if (n == w) {
                pending.op = form.op;
                pending.distance = form.distance;
                return true;
            }
            if (n >= w + 2 && token.at(w) == QChar(u'/')) {
                pending.op = form.op;
                pending.distance = distanceValue(token, w + 1);
                return true;
            }
            return false; // "NEARBY", "NEAR/": an ordinary term
        }
        return false;
    }
    return true;
}

bool QueryParser::addQueryWord(QueryTerms& group, Pending& pending, qsizetype begin, qsizetype end,
                               bool phrase)
{
    if (end <= begin)
        return false;
    QString token = stringByTrimmingSpacesInRange(m_text, Range{begin, end - begin}, true);
    token = stringByTrimmingCharacter(stringByTrimmingCharacter(token, u'+'), u'-');
    // A phrase such as "+ a" would keep the space the signs stood before;
    // trimming until nothing changes keeps terms free of outer white space.
    for (QString untrimmed; token != untrimmed;) {
        untrimmed = token;
        token = stringByTrimmingSpacesInRange(token, Range{0, token.size()}, true);
        token = stringByTrimmingCharacter(stringByTrimmingCharacter(token, u'+'), u'-');
    }
    if (token.isEmpty())
        return false;
    if (!phrase && applyKeyword(token, pending)) {
        qsizetype at = begin;
        while (at < end && m_units[at] != token.front().unicode())
            ++at;
        m_openOperator = {QuerySyntaxFlaw::OperatorWithoutTerm, at, token.size()};
        return false;
    }
    if (m_wildcard && pending.substring)
        token = starredForSubstring(token);

    QueryTerms leaf;
    leaf.m_term = token;
    leaf.m_isWord = true;
    leaf.m_queryOperator = pending.op;
    leaf.m_queryNot = pending.negated;
    leaf.m_querySubstring = pending.substring;
    leaf.m_queryPhrase = phrase;
    leaf.m_proximityDistance = pending.distance;
    append(group, std::move(leaf));
    m_openOperator = {};
    return true;
}

// The bracket's contents become a group; one child replaces the group and
// takes over the pending operator, NOT (exclusive-or) and substring flag.
void QueryParser::parseGroup(QueryTerms& group, const Pending& pending, qsizetype begin, qsizetype end, int depth)
{
    if (depth > kMaxQueryNesting) {
        m_failed = true;
        return;
    }
    QueryTerms inner = makeGroup(pending);
    parse(inner, begin, end, depth);
    if (m_failed || inner.m_children.empty())
        return;
    if (inner.m_children.size() >= 2) {
        append(group, std::move(inner));
        return;
    }
    QueryTerms child = std::move(inner.m_children.front());
    child.m_queryOperator = pending.op;
    child.m_queryNot = child.m_queryNot != pending.negated;
    child.m_querySubstring = child.m_querySubstring || pending.substring;
    // In wildcard mode the stars are what makes a term match inside words,
    // so "~(word)" must become "*word*" just as "~word" does.
    if (m_wildcard && pending.substring && child.m_isWord)
        child.m_term = starredForSubstring(child.m_term);
    append(group, std::move(child));
}

void QueryParser::parse(QueryTerms& group, qsizetype begin, qsizetype end, int depth)
{
    const CharacterSetBitmap* whiteSpaces = getWhiteSpacesBitmap();
    Pending pending = m_defaults;
    qsizetype s = begin;
    const auto flush = [&](qsizetype i) { return addQueryWord(group, pending, std::min(s, i), i, false); };
    const auto openOperator = [this](qsizetype i) { m_openOperator = {QuerySyntaxFlaw::OperatorWithoutTerm, i, 1}; };
    for (qsizetype i = begin; i < end && !m_failed; ++i) {
        const unichar c = m_units[i];
        if (c == u'!') {
            if (flush(i))
                pending = Pending{m_defaults.op, pending.negated, false, m_defaults.distance};
            pending.negated = true;
            s = i + 1;
            openOperator(i);
        } else if ((c == u'+' || c == u'-') && i == s) {
            pending.negated = c == u'-';
            s = i + 1;
            openOperator(i);
        } else if (c == u'&' || c == u'^' || c == u'|') {
            if (flush(i))
                pending = Pending{pending.op, false, false, m_defaults.distance};
            pending.op = c == u'&' ? kQueryAnd : c == u'^' ? kQueryXor : kQueryOr;
            s = i + 1;
            openOperator(i);
        } else if (c == u'~') {
            if (flush(i))
                pending = Pending{m_defaults.op, false, pending.substring, m_defaults.distance};
            pending.substring = true;
            s = i + 1;
            openOperator(i);
        } else if (c == u'(' || c == u')' || isQuotationMark(c) || bitmapContains(whiteSpaces, c)
                   || (!m_wildcard && (c == u'[' || c == u']'))) {
            if (flush(i))
                pending = m_defaults;
            s = i + 1;
            // A ")" met here closes no "(": a matched one is skipped with
            // its group.
            if (c == u')')
                noteFlaw(QuerySyntaxFlaw::BracketNotOpened, i, 1);
            if (c == u'(') {
                const qsizetype j = matchingBracket(i, end);
                if (j == end)
                    noteFlaw(QuerySyntaxFlaw::BracketNotClosed, i, 1);
                parseGroup(group, pending, i + 1, j, depth + 1);
                pending = m_defaults;
                s = j + 1;
                i = j;
                continue;
            }
            if (isQuotationMark(c)) {
                const qsizetype j = nextOf(i + 1, end, isQuotationMark);
                if (j == end)
                    noteFlaw(QuerySyntaxFlaw::QuoteNotClosed, i, 1);
                addQueryWord(group, pending, i + 1, j, true);
                pending = m_defaults;
                s = j + 1;
                i = j;
                continue;
            }
        }
        // A bracket set: kept whole inside the term in wildcard mode, dropped
        // in plain mode.
        if (c == u'[') {
            const qsizetype j = nextOf(i + 1, end, [](unichar u) { return u == u']'; });
            if (!m_wildcard)
                s = j + 1;
            i = j;
        }
    }
    if (!m_failed)
        addQueryWord(group, pending, std::min(s, end), end, false);
    // A group (or the query) ends with an operator that took no term.
    if (m_openOperator.position >= 0)
        noteFlaw(m_openOperator.flaw, m_openOperator.position, m_openOperator.length);
}

QueryTerms QueryParser::parseQuery(const QString& string, bool wildcard, QueryOperator defaultOperator,
                                   qsizetype defaultDistance)
{
    QueryParser parser(string, wildcard, defaultOperator, defaultDistance);
    QueryTerms root = makeGroup(parser.m_defaults);
    parser.parse(root, 0, string.size(), 0);
    if (parser.m_failed) {
        logWarning(QStringLiteral("Query terms nested deeper than %1 brackets are ignored").arg(kMaxQueryNesting));
        root = makeGroup(parser.m_defaults);
        root.m_parseError = kQueryNestedTooDeeply;
    } else {
        root.m_syntax = parser.m_syntax;
    }
    return root;
}

QString querySyntaxMessage(const QString& query, const QuerySyntax& syntax)
{
    if (syntax.flaw == QuerySyntaxFlaw::None || syntax.position < 0 || syntax.position >= query.size())
        return {};
    const qsizetype character = QStringView(query).left(syntax.position).toUcs4().size() + 1;
    const QString token = query.mid(syntax.position, syntax.length);
    switch (syntax.flaw) {
    case QuerySyntaxFlaw::BracketNotClosed:
        return QStringLiteral("the bracket ( at character %1 is not closed").arg(character);
    case QuerySyntaxFlaw::BracketNotOpened:
        return QStringLiteral("the bracket ) at character %1 closes no (").arg(character);
    case QuerySyntaxFlaw::QuoteNotClosed:
        return QStringLiteral("the quotation mark %1 at character %2 is not closed").arg(token).arg(character);
    case QuerySyntaxFlaw::OperatorWithoutTerm:
        return QStringLiteral("no term follows \"%1\" at character %2").arg(token).arg(character);
    case QuerySyntaxFlaw::None:
        break;
    }
    return {};
}

QueryTerms QueryTerms::initWithString(const QString& string, QueryOperator defaultOperator, qsizetype defaultDistance)
{
    return QueryParser::parseQuery(string, false, defaultOperator, defaultDistance);
}

QueryTerms QueryTerms::initWithWildcard(const QString& string, QueryOperator defaultOperator,
                                        qsizetype defaultDistance)
{
    return QueryParser::parseQuery(string, true, defaultOperator, defaultDistance);
}

std::optional<QueryTerms> QueryTerms::queryTermsWithWildcard(const QString& string, QueryOperator defaultOperator,
                                                             qsizetype defaultDistance)
{
    if (string.isNull())
        return std::nullopt;
    QueryTerms terms = initWithWildcard(string, defaultOperator, defaultDistance);
    if (terms.parseError() != kQueryParsed)
        return std::nullopt;
    return terms;
}

bool QueryTerms::usesProximity() const
{
    if (m_queryOperator >= kQueryNear && m_queryOperator <= kQueryNext)
        return true;
    return std::any_of(m_children.begin(), m_children.end(),
                       [](const QueryTerms& child) { return child.usesProximity(); });
}

bool QueryTerms::isValid() const
{
    return m_isWord || !m_children.empty();
}

} // namespace sorvant
