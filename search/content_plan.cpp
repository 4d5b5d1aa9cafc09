#include "search/content_plan.h"

#include "foundation/chars_table.h"
#include "platform/unicode.h"
#include "search/query_terms.h"
#include "search/search_params.h"

#include <algorithm>

namespace sorvant {

namespace {

bool isAsciiText(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

bool hasLoneSurrogate(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return true;
    }
    return false;
}

} // namespace

std::uint16_t pairKey(char first, char second, bool ignoreCase)
{
    const auto fold = [ignoreCase](char c) {
        const auto u = static_cast<unsigned char>(c);
        return ignoreCase && u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + 32) : u;
    };
    return static_cast<std::uint16_t>(fold(first) | (fold(second) << 8));
}

void planWords(ContentPlan& plan, const SearchParams& params)
{
    const qsizetype count = params.words.size();
    if (count == 0)
        return;
    plan.words = params.mode == kSearchPhrase ? params.words.mid(0, 1) : params.words.mid(0, count);
    // A word that is no valid UTF-16 has no UTF-8 bytes to look for.
    if (std::any_of(plan.words.begin(), plan.words.end(), [](const QString& w) { return hasLoneSurrogate(w); }))
        return;
    plan.kind = ContentPlan::Kind::Words;
    plan.enough = params.mode == kSearchAllWords ? plan.words.size() : 1;
    plan.ignoreCase = params.comparison & 1;
    plan.findOptions = kCompareLiteral | (plan.ignoreCase ? unsigned(kCompareCaseInsensitive) : 0u);
    plan.setFinder.emplace(plan.words, plan.findOptions);
    // The characters that fold to ASCII, with their foldings.
    std::vector<std::pair<char32_t, QString>> foldingToAscii;
    if (plan.ignoreCase) {
        for (const char32_t c : charactersFoldingToAscii())
            foldingToAscii.emplace_back(c, foldedCase(QStringView(QChar::fromUcs4(c))));
    }
    qsizetype longest = 0;
    for (const QString& word : plan.words) {
        ContentPlan::Word& wordPlan = plan.wordPlans.emplace_back();
        const QString folded = plan.ignoreCase ? foldedCase(word) : word;
        wordPlan.margin = 4 * folded.size() + 8;
        longest = std::max(longest, std::max(word.size(), folded.size()));
        if (!plan.ignoreCase) {
            wordPlan.bytes.emplace(word.toUtf8(), false);
            continue;
        }
        wordPlan.alone.emplace(QStringList{word}, plan.findOptions);
        if (isAsciiText(folded)) {
            wordPlan.bytes.emplace(folded.toLatin1(), true);
            // One code point's folding is never split by a match, so only
            // characters whose whole folding is in the word's can be in one.
            std::vector<char32_t>& group = wordPlan.groups.emplace_back();
            for (const auto& [c, folding] : foldingToAscii) {
                if (folded.contains(folding))
                    group.push_back(c);
            }
        } else {
            wordPlan.everyGroup = true;
            QList<uint> points = folded.toUcs4();
            std::sort(points.begin(), points.end());
            points.erase(std::unique(points.begin(), points.end()), points.end());
            for (const uint c : points) {
                if (c >= 0x80)
                    wordPlan.groups.push_back(caseVariants(char32_t(c)));
            }
        }
        for (const std::vector<char32_t>& group : wordPlan.groups) {
            for (const char32_t c : group)
                plan.characterFinders.try_emplace(c, QStringView(QChar::fromUcs4(c)).toUtf8(), false);
        }
    }
    for (qsizetype i = 0; i < plan.words.size(); ++i) {
        const std::optional<ByteFinder>& bytes = plan.wordPlans[size_t(i)].bytes;
        if (!bytes || bytes->size() == 0)
            continue;
        ++plan.byteWordCount;
        const QByteArray& needle = bytes->needle();
        if (needle.size() == 1) {
            plan.singleByteWords[static_cast<unsigned char>(needle[0])].push_back(i);
            continue;
        }
        const qsizetype offset = rarestPair(needle);
        const auto key = pairKey(needle[offset], needle[offset + 1], false);
        plan.pairBits[key >> 6] |= std::uint64_t(1) << (key & 63);
        plan.pairWords[key].emplace_back(i, offset);
    }
    plan.overlap = 4 * std::max(longest, plan.setFinder->longestNeedle()) + 4;
    const bool holdsNul = std::any_of(plan.words.begin(), plan.words.end(), [](const QString& w) { return w.contains(QChar(0)); });
    plan.holeRun = holdsNul ? 0 : plan.overlap + 1;
}

void planRegularExpression(ContentPlan& plan, const SearchParams& params)
{
    plan.kind = ContentPlan::Kind::Decoded;
    if (!params.regex.isValid() || params.words.isEmpty())
        return;
    const QString literal = requiredLiteral(params.words.first());
    const bool ignoreCase = params.comparison & 1;
    // Ignoring case, only an ASCII literal has a byte finder.
    if (literal.isEmpty() || hasLoneSurrogate(literal) || (ignoreCase && !isAsciiText(literal)))
        return;
    plan.kind = ContentPlan::Kind::Literal;
    plan.literal.emplace(literal.toUtf8(), ignoreCase);
    plan.ignoreCase = ignoreCase;
    plan.holeRun = literal.contains(QChar(0)) ? 0 : 1;
}

namespace {

// The longest run of letters, digits and marks in a query term: a hit of
// the term is made of text units equal to its units, except for "*", "?",
// sets and the separators between the words of a phrase.
QString termLiteral(const QString& term)
{
    QString best;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= term.size(); ++i) {
        const QChar c = i < term.size() ? term.at(i) : QChar();
        if (i < term.size() && (c.isLetterOrNumber() || c.isMark()) && !c.isSurrogate())
            continue;
        if (i - runStart > best.size())
            best = term.mid(runStart, i - runStart);
        if (c == u'[') {
            const qsizetype close = term.indexOf(u']', i + 1);
            i = close < 0 ? term.size() : close;
        }
        runStart = i + 1;
    }
    return best;
}

// Adds to `required` the literals of the leaves every match of `node` must
// hit, following how a group is evaluated: left to right, AND adding the
// next child's, a proximity operator keeping what was required, OR and XOR
// requiring nothing sure. A negated node requires nothing.
void addRequiredTermLiterals(const QueryTerms& node, QStringList& required)
{
    if (node.queryNot())
        return;
    if (node.isWord()) {
        const QString literal = termLiteral(node.term());
        if (!literal.isEmpty())
            required.append(literal);
        return;
    }
    const std::vector<QueryTerms>& children = node.children();
    if (children.empty())
        return;
    QStringList group;
    addRequiredTermLiterals(children.front(), group);
    const QueryOperator common = node.commonOperator();
    for (std::size_t k = 1; k < children.size(); ++k) {
        const QueryTerms& child = children[k];
        QueryOperator op = common == kQueryOr ? kQueryOr : child.queryOperator();
        const bool proximity = op == kQueryNear || op == kQueryBefore || op == kQueryAfter || op == kQueryNext;
        if (proximity && child.proximityDistance() == 0)
            op = kQueryAnd;
        if (op == kQueryAnd)
            addRequiredTermLiterals(child, group);
        else if (op == kQueryOr || op == kQueryXor)
            group.clear();
        // Proximity: the running result must hold before; OPT changes nothing.
    }
    required += group;
}

} // namespace

// Query terms: files without the longest literal some required term holds
// are never decoded. Only where the comparison is exact or ignores case
// alone; ignoring case, only an ASCII literal, and any file with non-ASCII
// bytes is matched in full.
void planQueryTerms(ContentPlan& plan, const SearchParams& params)
{
    plan.kind = ContentPlan::Kind::Decoded;
    const bool ignoreCase = params.comparison & kComparisonIgnoreCase;
    if (!params.queryTerms || (params.comparison & ~std::uint64_t(kComparisonIgnoreCase)) != 0)
        return;
    QStringList required;
    addRequiredTermLiterals(*params.queryTerms, required);
    QString literal;
    for (const QString& candidate : std::as_const(required)) {
        if ((!ignoreCase || isAsciiText(candidate)) && candidate.size() > literal.size())
            literal = candidate;
    }
    if (literal.isEmpty())
        return;
    plan.kind = ContentPlan::Kind::Literal;
    plan.literal.emplace(literal.toUtf8(), ignoreCase);
    plan.ignoreCase = false;
    plan.nonAsciiMayMatch = ignoreCase;
    plan.holeRun = 1;
}

QString requiredLiteral(const QString& pattern)
{
    QString best;
    QString run;
    const auto endRun = [&] {
        if (run.size() > best.size())
            best = run;
        run.clear();
    };
    // Drops the last character of the run: a quantifier may repeat it zero times.
    const auto dropLast = [&] {
        if (!run.isEmpty())
            run.chop(run.size() >= 2 && run.back().isLowSurrogate() ? 2 : 1);
        endRun();
    };
    // The index of the "]" that ends the set opening at `i`, or -1; sets nest.
    const auto setEnd = [&pattern](qsizetype i) -> qsizetype {
        int nesting = 0;
        for (qsizetype j = i; j < pattern.size(); ++j) {
            const char16_t u = pattern.at(j).unicode();
            if (u == u'\\') {
                ++j;
            } else if (u == u'[') {
                ++nesting;
                // A "]" first in a set (or after "^") is a plain character.
                if (j + 1 < pattern.size() && pattern.at(j + 1) == u'^')
                    ++j;
                if (j + 1 < pattern.size() && pattern.at(j + 1) == u']')
                    ++j;
            } else if (u == u']' && --nesting == 0) {
                return j;
            }
        }
        return -1;
    };
    int depth = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        const char16_t u = c.unicode();
        if (depth > 0) {
            // Inside a group nothing is required, but its end must be found.
            if (u == u'\\')
                ++i;
            else if (u == u'(')
                ++depth;
            else if (u == u')')
                --depth;
            else if (u == u'[' && (i = setEnd(i)) < 0)
                return {};
            continue;
        }
        switch (u) {
        case u'\\': {
            if (i + 1 >= pattern.size())
                return {};
            const char16_t next = pattern.at(++i).unicode();
            // Escapes with arguments, quoting and back references would need
            // a parser of their own.
            if (next >= 0x80 || (next >= u'0' && next <= u'9')
                || QStringView(u"pPNxuUcQkE").contains(QChar(next)))
                return {};
            if ((next >= u'a' && next <= u'z') || (next >= u'A' && next <= u'Z'))
                endRun(); // a class or an assertion
            else
                run.append(QChar(next));
            break;
        }
        case u'(':
            // Options such as (?i) or (?x) change what follows.
            if (i + 2 < pattern.size() && pattern.at(i + 1) == u'?'
                && !QStringView(u":=!<>").contains(pattern.at(i + 2)))
                return {};
            endRun();
            ++depth;
            break;
        case u')':
            return {};
        case u'|':
            return {};
        case u'[':
            endRun();
            if ((i = setEnd(i)) < 0)
                return {};
            break;
        case u'?':
        case u'*':
            dropLast();
            break;
        case u'{':
            dropLast();
            while (i < pattern.size() && pattern.at(i) != u'}')
                ++i;
            break;
        case u'+':
        case u'.':
        case u'^':
        case u'$':
            endRun();
            break;
        default:
            run.append(c);
        }
    }
    if (depth != 0)
        return {};
    endRun();
    return best.isEmpty() ? QString() : best;
}

} // namespace sorvant
