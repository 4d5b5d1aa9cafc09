#include "web/toolkit/markdown_markup.h"

#include "foundation/chars_table.h"
#include "foundation/lines.h"
#include "foundation/string_units.h"
#include "platform/scan_work.h"
#include "platform/string_compare.h"
#include "web/toolkit/markdown_scanning.h"

namespace sorvant {

namespace {

bool isSpace(unichar c)
{
    return bitmapContains(getSpacesBitmap(), c);
}

bool isWhite(unichar c)
{
    return bitmapContains(getWhiteSpacesBitmap(), c);
}

bool isAlphaNum(unichar c)
{
    return bitmapContains(getAlphaNumBitmap(), c);
}

bool isOneOf(unichar c, const char* set)
{
    for (; *set != 0; ++set) {
        if (c == static_cast<unichar>(*set))
            return true;
    }
    return false;
}

// The walk over one text. Code state survives line ends (fenced blocks);
// emphasis and double brackets start afresh on every line.
class MarkupWalker
{
public:
    MarkupWalker(const QString& text, const CriticMarkupHandler& handler, bool math)
        : m_text(text), m_chars(unitsOf(text)), m_handler(handler), m_math(math)
    {
    }

    void run();

private:
    bool report(Range range, CriticMarkupType type, MarkdownStyle style, int level = 0)
    {
        m_stopped = m_handler(m_text, range, m_lineIndex, m_headerLine, type, style, level);
        return m_stopped;
    }
    // The end of the run of `c` from `i`. A run is scanned once: a later
    // position inside it (markers before white space are passed one at a
    // time) takes the end found before.
    qsizetype runEnd(qsizetype i, qsizetype end, unichar c)
    {
        if (i >= m_run.from && i < m_run.stop && end == m_run.limit && c == m_run.unit)
            return m_run.stop;
        qsizetype j = i;
        while (j < end && m_chars[j] == c)
            ++j;
        countScanWork(j - i + 1);
        m_run = Run{i, j, end, c};
        return j;
    }
    // A search for the first position from `from` on, before `limit`, where
    // a test that depends on the position alone holds (`limit` when none
    // does). The scans of a line move forward, so the last answer serves
    // every later search starting at or before it: each unit is examined
    // once per kind of search and line, however many openers go unclosed.
    struct Search
    {
        qsizetype from = -1;
        qsizetype found = -1;
    };
    template <typename Matches>
    static qsizetype firstMatch(Search& memo, qsizetype from, qsizetype limit, Matches matches)
    {
        if (memo.from >= 0 && from >= memo.from && from <= memo.found)
            return memo.found;
        qsizetype j = from;
        while (j < limit && !matches(j))
            ++j;
        countScanWork(j - from + 1);
        memo = Search{from, j};
        return j;
    }
    // One search per kind: CriticMarkup closers by mark, double-marker and
    // script closers by character, and the end of an angle-bracket target.
    struct LineSearches
    {
        Search critic[3];
        Search doubleMarker[3];
        Search script[2];
        Search angle;
    };
    static int markIndex(unichar c) { return c == '+' || c == '~' ? 0 : c == '-' || c == '^' ? 1 : 2; }

    void scanLine(qsizetype start, qsizetype end);
    qsizetype scanEmphasis(qsizetype i, qsizetype end);
    qsizetype scanCritic(qsizetype i, qsizetype end);
    qsizetype scanDoubleMarker(qsizetype i, qsizetype start, qsizetype end);
    qsizetype scanScript(qsizetype i, qsizetype start, qsizetype end);
    qsizetype scanTarget(qsizetype i, qsizetype start, qsizetype end);

    const QString& m_text;
    const unichar* m_chars;
    const CriticMarkupHandler& m_handler;
    const bool m_math;
    bool m_stopped = false;
    qsizetype m_lineIndex = 0;
    QString m_headerLine;
    bool m_inCode = false;
    unichar m_codeChar = 0;
    qsizetype m_contentStart = 0;
    MarkdownStyle m_emphasis = 0;
    qsizetype m_emphasisStart = 0;
    LineSearches m_searches;
    struct Run
    {
        qsizetype from = -1;
        qsizetype stop = -1;
        qsizetype limit = -1;
        unichar unit = 0;
    };
    Run m_run;
};

void MarkupWalker::run()
{
    const QStringList textLines = lines(m_text);
    const qsizetype headerEnd = lengthOfMarkdownMetadata(m_text);
    bool skipNext = false;
    bool inQuote = false;
    qsizetype quoteStart = 0;
    qsizetype lineStart = 0;
    for (qsizetype index = 0; index < textLines.size() && !m_stopped; ++index) {
        const QString& line = textLines[index];
        m_lineIndex = index;
        const qsizetype start = lineStart;
        lineStart += line.size();
        if (start < headerEnd) {
            if (isAlphaNum(line.at(0).unicode()))
                m_stopped = m_handler(m_text, Range{start, line.size()}, index, QString(), kCriticMarkupNone,
                                      kMarkdownMetadata, 0);
            continue;
        }
        const qsizetype contentLength = line.size() - lengthOfFeedOfLine(line);
        if (skipNext || contentLength == 0) {
            skipNext = false;
            continue;
        }
        bool codeLine = false;
        if (!m_inCode) {
            qsizetype indent = 0;
            qsizetype i = 0;
            for (; i < contentLength && isSpace(line.at(i).unicode()); ++i)
                indent += line.at(i) == QLatin1Char('\t') ? 4 : 1;
            const unichar first = i < contentLength ? line.at(i).unicode() : 0;
            const bool quoteLine = first == '>';
            codeLine = indent >= 4 && !isOneOf(first, "*+-") && !(quoteLine && inQuote);
            if (quoteLine && !codeLine) {
                if (!inQuote)
                    quoteStart = start;
                inQuote = true;
            } else if (inQuote) {
                inQuote = false;
                if (report(Range{quoteStart, start - quoteStart}, kCriticMarkupNone, kMarkdownBlockQuote))
                    return;
            }
            if (codeLine) {
                if (report(Range{start, line.size()}, kCriticMarkupNone, kMarkdownCode))
                    return;
                continue;
            }
            if (!inQuote && line.size() >= 3 && line.at(0) == QLatin1Char('#') && !isAlphaNum(line.at(1).unicode())) {
                qsizetype n = 0;
                while (n < line.size() && line.at(n) == QLatin1Char('#'))
                    ++n;
                m_headerLine = line;
                if (report(Range{start + n, line.size() - n}, kCriticMarkupNone, kMarkdownATXHeader, int(n)))
                    return;
                continue;
            }
            const int level = index + 1 < textLines.size() ? levelOfMarkdownLine(textLines[index + 1]) : 0;
            if (level != 0) {
                m_headerLine = line;
                skipNext = true;
                if (report(Range{start, line.size()}, kCriticMarkupNone, kMarkdownSetextHeader, level))
                    return;
                continue;
            }
        }
        scanLine(start, start + line.size());
    }
    if (inQuote && !m_stopped) {
        m_lineIndex = textLines.size();
        report(Range{quoteStart, m_text.size() - quoteStart}, kCriticMarkupNone, kMarkdownBlockQuote);
    }
}

void MarkupWalker::scanLine(qsizetype start, qsizetype end)
{
    m_emphasis = 0;
    m_emphasisStart = start;
    m_searches = LineSearches();
    countScanWork(end - start);
    bool insideDoubleBrackets = false;
    qsizetype i = start;
    while (i < end && !m_stopped) {
        const unichar c = m_chars[i];
        const unichar next = i + 1 < end ? m_chars[i + 1] : 0;
        if (m_inCode) {
            if (c == m_codeChar) {
                const qsizetype length = i - m_contentStart;
                m_inCode = false;
                if (length > 0 && report(Range{m_contentStart, length}, kCriticMarkupNone,
                                         m_codeChar == '$' ? kMarkdownMath : kMarkdownCode))
                    return;
                i = runEnd(i, end, c);
            } else {
                ++i;
            }
            continue;
        }
        if (c == '\\') {
            i += 2;
            continue;
        }
        if (c == '`' || (m_math && c == '$')) {
            m_inCode = true;
            m_codeChar = c;
            i = m_contentStart = runEnd(i, end, c);
            continue;
        }
        if (insideDoubleBrackets) {
            if (c == ']' && next == ']') {
                insideDoubleBrackets = false;
                i += 2;
            } else {
                ++i;
            }
            continue;
        }
        if (c == '[' && next == '[') {
            insideDoubleBrackets = true;
            i += 2;
            continue;
        }
        switch (c) {
        case '*':
        case '_':
            i = scanEmphasis(i, end);
            break;
        case '{':
            i = scanCritic(i, end);
            break;
        case '~':
        case '=':
        case '^':
            i = next == c ? scanDoubleMarker(i, start, end) : scanScript(i, start, end);
            break;
        case '<':
        case '(':
        case ':':
            i = scanTarget(i, start, end);
            break;
        default:
            ++i;
            break;
        }
    }
}

qsizetype MarkupWalker::scanEmphasis(qsizetype i, qsizetype end)
{
    if (m_emphasis != 0 && report(Range{m_emphasisStart, i - m_emphasisStart}, kCriticMarkupNone, m_emphasis))
        return end;
    const qsizetype after = runEnd(i, end, m_chars[i]);
    const qsizetype n = after - i;
    const MarkdownStyle m = n == 1 ? 1 : 2 + (n % 2);
    if (after < end && m_emphasis != m && isWhite(m_chars[after]))
        return i + 1;   // a marker before white space opens nothing («* list»)
    m_emphasis ^= m;
    m_emphasisStart = after;
    return after;
}

qsizetype MarkupWalker::scanCritic(qsizetype i, qsizetype end)
{
    if (i + 2 >= end || m_chars[i + 1] != m_chars[i + 2] || !isOneOf(m_chars[i + 1], "+-="))
        return i + 1;
    const unichar mark = m_chars[i + 1];
    const qsizetype j = firstMatch(m_searches.critic[markIndex(mark)], i + 3, end - 2, [&](qsizetype at) {
        return m_chars[at] == mark && m_chars[at + 1] == mark && m_chars[at + 2] == '}';
    });
    if (j >= end - 2)
        return i + 1;
    const CriticMarkupType type = mark == '+'   ? kCriticMarkupInsertion
                                  : mark == '-' ? kCriticMarkupDeletion
                                                : kCriticMarkupHighlight;
    report(Range{i, j + 3 - i}, type, m_emphasis);
    return i + 3;
}

qsizetype MarkupWalker::scanDoubleMarker(qsizetype i, qsizetype start, qsizetype end)
{
    const unichar c = m_chars[i];
    auto qualifies = [&](qsizetype at) {
        const unichar before = at > start ? m_chars[at - 1] : 0;
        const unichar after = at + 2 < end ? m_chars[at + 2] : 0;
        return before != c && before != '{' && after != c && after != '}';
    };
    if (!qualifies(i))
        return i + 1;
    const qsizetype j = firstMatch(m_searches.doubleMarker[markIndex(c)], i + 2, end - 1, [&](qsizetype at) {
        return m_chars[at] == c && m_chars[at + 1] == c && qualifies(at);
    });
    if (j >= end - 1)
        return i + 1;
    report(Range{i, j + 2 - i}, c == '~' ? kCriticMarkupDeletion : kCriticMarkupHighlight, m_emphasis);
    return i + 3;
}

qsizetype MarkupWalker::scanScript(qsizetype i, qsizetype start, qsizetype end)
{
    const unichar c = m_chars[i];
    if (c == '=')
        return i + 1;
    const bool superscript = c == '^';
    const char* notAfter = superscript ? "[^{" : "[{~";
    const unichar before = i > start ? m_chars[i - 1] : 0;
    const unichar next = i + 1 < end ? m_chars[i + 1] : 0;
    if (isOneOf(before, notAfter) || next == c || next == '}')
        return i + 1;
    const char* closerNotAfter = superscript ? "^{[" : "[{~";
    const auto isCloser = [&](qsizetype at) {
        const unichar d = m_chars[at];
        const unichar after = at + 1 < end ? m_chars[at + 1] : 0;
        return d == c && !isOneOf(m_chars[at - 1], closerNotAfter) && after != c && after != '}';
    };
    const qsizetype j = firstMatch(m_searches.script[markIndex(c)], i + 1, end,
                                   [&](qsizetype at) { return (superscript && isSpace(m_chars[at])) || isCloser(at); });
    if (j >= end)
        return i + 1;
    const bool closer = isCloser(j);
    if (j > i + 1)
        report(Range{i + 1, j - i - 1}, kCriticMarkupNone,
               m_emphasis | (superscript ? kMarkdownSuperscript : kMarkdownSubscript));
    return closer ? j + 1 : j;
}

qsizetype MarkupWalker::scanTarget(qsizetype i, qsizetype start, qsizetype end)
{
    const unichar c = m_chars[i];
    const unichar before = i > start ? m_chars[i - 1] : 0;
    if (c == '<') {
        const qsizetype j = firstMatch(m_searches.angle, i + 1, end, [&](qsizetype at) { return m_chars[at] == '>'; });
        if (j >= end)
            return i + 1;
        // The target is passed over whole, so looking at it again is linear.
        bool colon = false;
        bool dot = false;
        bool clean = true;
        for (qsizetype k = i + 1; k < j; ++k) {
            const unichar d = m_chars[k];
            colon = colon || d == ':';
            dot = dot || d == '.';
            clean = clean && !isWhite(d) && d != '"' && d != '\'';
        }
        if (clean && colon && dot)
            report(Range{i + 1, j - i - 1}, kCriticMarkupNone, kMarkdownLinkTarget);
        return j + 1;
    }
    if (before != ']')
        return i + 1;
    qsizetype from = i + 1;
    if (c == ':') {
        // A reference definition «[id]: target», not a footnote «[^id]:».
        if (m_chars[start] != '[' || (start + 1 < end && m_chars[start + 1] == '^'))
            return i + 1;
        while (from < end && isWhite(m_chars[from]))
            ++from;
    }
    qsizetype j = from;
    while (j < end && !isWhite(m_chars[j]) && !(c == '(' && m_chars[j] == ')'))
        ++j;
    if (j > from)
        report(Range{from, j - from}, kCriticMarkupNone, kMarkdownLinkTarget);
    return j;
}

// The last scan over markers in each direction, for one set of markers.
// Whether a scan passes a position depends on the position alone, so a
// later scan that reaches the place an earlier one started from stops where
// that one stopped: reports beside one long run of markers, or deep inside
// markers nested one in another, look at each marker once per direction.
struct MarkerScans
{
    qsizetype leftFrom = -1;
    qsizetype leftStop = -1;
    qsizetype rightFrom = -1;
    qsizetype rightStop = -1;
};

// The report widened over the markers that surround it; `scans` holds one
// memo per set of markers.
Range widenedOverMarkers(const QString& text, Range range, MarkdownStyle shared, MarkerScans (&scans)[2])
{
    const bool emphasis = (shared & (kMarkdownEmphasis | kMarkdownStrong)) != 0;
    const char* markers = emphasis ? "*_" : (shared & (kMarkdownSuperscript | kMarkdownSubscript)) != 0 ? "^~" : nullptr;
    if (markers == nullptr)
        return range;
    MarkerScans& scan = scans[emphasis ? 0 : 1];
    const unichar* chars = unitsOf(text);
    qsizetype from = range.location;
    if (scan.leftFrom >= 0 && scan.leftStop <= from && from <= scan.leftFrom) {
        from = scan.leftStop;
    } else {
        const qsizetype start = from;
        qsizetype steps = 1;
        while (from > 0 && isOneOf(chars[from - 1], markers) && !(from > 1 && chars[from - 2] == '\\')) {
            if (from == scan.leftFrom) {
                from = scan.leftStop;
                break;
            }
            --from;
            ++steps;
        }
        countScanWork(steps);
        scan.leftFrom = start;
        scan.leftStop = from;
    }
    qsizetype to = range.maxRange();
    if (scan.rightFrom >= 0 && scan.rightFrom <= to && to <= scan.rightStop) {
        to = scan.rightStop;
    } else {
        const qsizetype start = to;
        qsizetype steps = 1;
        while (to < text.size() && isOneOf(chars[to], markers) && (to == 0 || chars[to - 1] != '\\')) {
            if (to == scan.rightFrom) {
                to = scan.rightStop;
                break;
            }
            ++to;
            ++steps;
        }
        countScanWork(steps);
        scan.rightFrom = start;
        scan.rightStop = to;
    }
    return Range{from, to - from};
}

Range unionRange(Range a, Range b)
{
    if (a.isMissing())
        return b;
    if (b.isMissing())
        return a;
    const qsizetype from = std::min(a.location, b.location);
    return Range{from, std::max(a.maxRange(), b.maxRange()) - from};
}

bool touches(Range markup, Range range)
{
    if (range.length == 0)
        return markup.contains(range.location);
    return std::max(markup.location, range.location) < std::min(markup.maxRange(), range.maxRange());
}

// Removes every occurrence of `marker` (ignoring case) that does not follow
// a backslash, reading left to right: the text after a removal is searched
// as it stands, and the unit before a later occurrence is the one the
// removals left there. The kept stretches are copied once, so the work is
// linear however many markers go.
void removeMarker(QString& text, const QString& marker)
{
    if (marker.isEmpty())
        return;
    QString kept;
    qsizetype copied = 0;
    qsizetype from = 0;
    while (true) {
        const Range hit = findString(text, marker, Range{from, text.size() - from}, kCompareCaseInsensitive);
        countScanWork((hit.isMissing() ? text.size() : hit.maxRange()) - from + 1);
        if (hit.isMissing())
            break;
        const qsizetype at = hit.location;
        const QChar before = at > copied ? text.at(at - 1) : kept.isEmpty() ? QChar() : kept.back();
        if (before == QLatin1Char('\\')) {
            from = at + 1;
            continue;
        }
        kept.append(QStringView(text).mid(copied, at - copied));
        copied = from = at + hit.length;
    }
    if (copied == 0)
        return;
    kept.append(QStringView(text).mid(copied));
    text = std::move(kept);
}

QString withMarkersAdded(const QString& text, const QString& prefix, const QString& suffix)
{
    QString result;
    for (const QString& line : lines(text)) {
        const qsizetype indent = indendationOfMarkdownLine(line);
        qsizetype last = line.size();
        while (last > indent && isWhite(line.at(last - 1).unicode()))
            --last;
        if (last <= indent) {
            result += line;
            continue;
        }
        result += QStringView(line).left(indent);
        result += prefix;
        result += QStringView(line).mid(indent, last - indent);
        result += suffix;
        result += QStringView(line).mid(last);
    }
    return result;
}

} // namespace

void enumerateCriticMarkupUsingHandler(const QString& string, const CriticMarkupHandler& handler, bool mathJAX)
{
    if (!handler || string.isEmpty())
        return;
    MarkupWalker(string, handler, mathJAX).run();
}

bool containsCriticMarkupType(const QString& string, CriticMarkupType type, MarkdownStyle style, Range range,
                              Range* effectiveRange)
{
    if (effectiveRange != nullptr)
        *effectiveRange = kMissingRange;
    if ((type < 0 && style == 0) || string.isNull() || !isRangeInside(range, string.size()))
        return false;
    const unichar* chars = unitsOf(string);
    qsizetype from = range.location;
    while (from > 0 && !isFeedCharacter(chars[from - 1]))
        --from;
    qsizetype to = range.maxRange();
    while (to < string.size() && !isFeedCharacter(chars[to]))
        ++to;
    const QString paragraph = string.mid(from, to - from);
    bool found = false;
    Range merged = kMissingRange;
    MarkerScans scans[2];
    enumerateCriticMarkupUsingHandler(
        paragraph,
        [&](const QString&, Range reported, qsizetype, const QString&, CriticMarkupType reportedType,
            MarkdownStyle reportedStyle, int) {
            const MarkdownStyle shared = style & reportedStyle;
            if ((style != 0 && shared == 0) || (type >= 0 && type != reportedType))
                return false;
            Range candidate{reported.location + from, reported.length};
            if (shared != 0)
                candidate = widenedOverMarkers(string, candidate, shared, scans);
            if (touches(candidate, range)) {
                found = true;
                merged = unionRange(merged, candidate);
            }
            return false;
        },
        true);
    if (effectiveRange != nullptr)
        *effectiveRange = merged;
    return found;
}

QString stringByTogglingMarkupWithPrefixes(const QString& string, const QStringList& prefixes,
                                           const QStringList& suffixes, CriticMarkupType type, MarkdownStyle style,
                                           Range range, Range* replacementRange, Range* selectedRange)
{
    Range replaced = kMissingRange;
    Range selected = kMissingRange;
    auto answer = [&](const QString& result) {
        if (replacementRange != nullptr)
            *replacementRange = replaced;
        if (selectedRange != nullptr)
            *selectedRange = selected;
        return result;
    };
    if (string.isNull() || prefixes.isEmpty() || prefixes.size() != suffixes.size()
        || !isRangeInside(range, string.size()))
        return answer(QString());
    QString prefix = prefixes.first();
    QString suffix = suffixes.first();
    Range affected = kMissingRange;
    bool found = false;
    MarkdownStyle newStyle = 0;
    const bool emphasis = style == kMarkdownEmphasis || style == kMarkdownStrong;
    if (emphasis) {
        Range strongRange;
        Range emphasisRange;
        const bool strong = containsCriticMarkupType(string, kCriticMarkupNone, kMarkdownStrong, range, &strongRange);
        const bool em = containsCriticMarkupType(string, kCriticMarkupNone, kMarkdownEmphasis, range, &emphasisRange);
        const MarkdownStyle present = (strong ? kMarkdownStrong : 0) | (em ? kMarkdownEmphasis : 0);
        found = present != 0;
        affected = unionRange(strong ? strongRange : kMissingRange, em ? emphasisRange : kMissingRange);
        newStyle = present ^ style;
        if (newStyle != 0)
            prefix = suffix = QString(int(newStyle), QLatin1Char('*'));
    } else {
        found = containsCriticMarkupType(string, type, style, range, &affected);
    }
    if (!found)
        affected = range;
    if (affected.length == 0) {
        replaced = range;
        selected = Range{range.location + prefix.size(), 0};
        return answer(prefix + suffix);
    }
    const QString original = string.mid(affected.location, affected.length);
    QString text = original;
    for (const QString& marker : prefixes)
        removeMarker(text, marker);
    if (style == 0) {
        for (const QString& marker : suffixes)
            removeMarker(text, marker);
    }
    if (!(found && (newStyle == 0 || !emphasis)))
        text = withMarkersAdded(text, prefix, suffix);
    if (text == original)
        return answer(QString());
    replaced = affected;
    selected = Range{affected.location, text.size()};
    // Removing every unit leaves a null string, which would say that
    // nothing changes.
    return answer(text.isNull() ? QStringLiteral("") : text);
}

int levelOfMarkdownLine(QStringView line)
{
    qsizetype i = 0;
    qsizetype leading = 0;
    while (i < line.size() && line[i] == QLatin1Char(' ')) {
        ++i;
        ++leading;
    }
    if (leading >= 4 || (i < line.size() && line[i] == QLatin1Char('\t')))
        return 0;
    unichar marker = 0;
    qsizetype count = 0;
    for (; i < line.size(); ++i) {
        const unichar c = line[i].unicode();
        if (c == '=' || c == '-') {
            if (marker != 0 && c != marker)
                return 0;
            marker = c;
            ++count;
        } else if (!isWhite(c)) {
            return 0;
        }
    }
    if (count < 2)
        return 0;
    return marker == '=' ? 2 : 3;
}

qsizetype indendationOfMarkdownLine(QStringView line)
{
    const qsizetype count = line.size();
    qsizetype i = 0;
    while (i < count && isSpace(line[i].unicode()))
        ++i;
    const qsizetype leading = i;
    qsizetype textStart = NSNotFound;
    const unichar c = i < count ? line[i].unicode() : 0;
    const bool task = c == '-' && i + 4 < count && line[i + 1] == QLatin1Char(' ') && line[i + 2] == QLatin1Char('[')
                      && line[i + 4] == QLatin1Char(']');
    if (task) {
        textStart = i + 5;
    } else if (c == '*' || c == '+' || c == '-') {
        if (i + 1 < count && isSpace(line[i + 1].unicode()))
            textStart = i + 2;
    } else if (c >= '0' && c <= '9') {
        qsizetype j = i;
        qint64 number = 0;
        while (j < count && line[j] >= QLatin1Char('0') && line[j] <= QLatin1Char('9')) {
            number = std::min<qint64>(number * 10 + (line[j].unicode() - '0'), 1'000'000'000);
            ++j;
        }
        const bool dot = j < count && line[j] == QLatin1Char('.');
        const bool digitAfter = j + 1 < count && line[j + 1] >= QLatin1Char('0') && line[j + 1] <= QLatin1Char('9');
        if (dot && !digitAfter && number > 0)
            textStart = j + 1;
    }
    if (textStart == NSNotFound)
        return leading;
    while (textStart < count && isSpace(line[textStart].unicode()))
        ++textStart;
    return textStart;
}

} // namespace sorvant
