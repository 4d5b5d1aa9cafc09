#include "web/toolkit/markdown_rendering.h"

#include "foundation/chars_table.h"
#include "foundation/lines.h"
#include "foundation/string_units.h"
#include "foundation/trimming.h"
#include "platform/log.h"
#include "platform/string_compare.h"
#include "platform/unicode.h"
#include "search/word_lists.h"
#include "web/toolkit/markdown_markup.h"
#include "web/toolkit/markdown_scanning.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

#include <mutex>
#include <optional>

namespace sorvant {

namespace {

constexpr unsigned kIgnoreCase = 1;
constexpr auto kDefaultResourceDirectory = ":/sorvant/web";
// Any content-delivery host that serves the npm paths below will do.
constexpr auto kScriptHost = "https://cdn.jsdelivr.net";

bool isWhite(unichar c)
{
    return bitmapContains(getWhiteSpacesBitmap(), c);
}

QString trimmedWhite(QStringView text)
{
    return stringByTrimmingUnits(text.toString(), isWhite, TrimEnds::Both);
}

// --- resources ---------------------------------------------------------------
struct Resources
{
    std::mutex lock;
    QString directory;
    std::optional<QHash<QString, QString>> emoji;
    std::optional<QString> prismStyle;
    std::optional<QString> prismScript;
};

Resources& resources()
{
    static Resources shared;
    return shared;
}

QString resourcePath(const Resources& state, const QString& name)
{
    return (state.directory.isEmpty() ? QString::fromLatin1(kDefaultResourceDirectory) : state.directory)
           + QLatin1Char('/') + name;
}

// The emoji table, read on first use. A missing file is looked for again at
// the next call; a damaged one gives an empty table for good.
QHash<QString, QString> emojiTable()
{
    Resources& state = resources();
    std::lock_guard guard(state.lock);
    if (state.emoji)
        return *state.emoji;
    const QString path = resourcePath(state, QStringLiteral("github.json"));
    QFile file(path);
    if (!file.exists()) {
        logWarning(QStringLiteral("Resource 'github.json' not found."));
        return {};
    }
    QHash<QString, QString> table;
    QJsonParseError error{};
    const QJsonDocument document = file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll(), &error)
                                                                  : QJsonDocument();
    if (!document.isObject()) {
        logWarning(QStringLiteral("Resource %1 could not be loaded.").arg(path));
    } else {
        const QJsonObject object = document.object();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (it.value().isString())
                table.insert(it.key(), it.value().toString());
        }
    }
    state.emoji = table;
    return table;
}

QString prismText(std::optional<QString> Resources::*slot, const char* name)
{
    Resources& state = resources();
    std::lock_guard guard(state.lock);
    std::optional<QString>& text = state.*slot;
    if (!text) {
        QFile file(resourcePath(state, QString::fromLatin1(name)));
        text = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    return *text;
}

// --- helpers -----------------------------------------------------------------
QList<Range> plainRuns(const QString& text)
{
    QList<Range> runs;
    enumerateMarkdownInRange(text, Range{0, text.size()}, true, [&](const unichar*, qsizetype location, qsizetype length) {
        runs.append(Range{location, length});
        return false;
    });
    return runs;
}

// Replaces every `needle` (ignoring case) by `replacement`.
void replaceIgnoringCase(QString& text, const QString& needle, const QString& replacement)
{
    qsizetype from = 0;
    while (from <= text.size()) {
        const Range hit = findString(text, needle, Range{from, text.size() - from}, kIgnoreCase);
        if (hit.isMissing())
            return;
        text.replace(hit.location, hit.length, replacement);
        from = hit.location + replacement.size();
    }
}

// Whether a blank line starts at `i` (a line end, white space only, and
// another line end; CR LF counts as one).
bool blankLineAt(const unichar* chars, qsizetype i, qsizetype end)
{
    if (!isFeedCharacter(chars[i]))
        return false;
    qsizetype j = i + 1;
    if (chars[i] == '\r' && j < end && chars[j] == '\n')
        ++j;
    while (j < end && bitmapContains(getSpacesBitmap(), chars[j]))
        ++j;
    return j < end && isFeedCharacter(chars[j]);
}

// Pass one of the preprocessing: double marks into CriticMarkup.
QString convertedDoubleMarks(const QString& text)
{
    const unichar* chars = unitsOf(text);
    QString result;
    qsizetype copied = 0;
    qsizetype opener = NSNotFound;
    unichar openerMark = 0;
    for (const Range run : plainRuns(text)) {
        const qsizetype end = run.maxRange();
        for (qsizetype i = run.location; i < end; ++i) {
            const unichar c = chars[i];
            if (opener != NSNotFound && blankLineAt(chars, i, end)) {
                opener = NSNotFound;
                continue;
            }
            if ((c != '~' && c != '=' && c != '^') || i + 1 >= end || chars[i + 1] != c)
                continue;
            const unichar before = i > run.location ? chars[i - 1] : 0;
            const unichar after = i + 2 < end ? chars[i + 2] : 0;
            if (before == c || before == '{' || after == c || after == '}')
                continue;
            if (opener == NSNotFound) {
                opener = i;
                openerMark = c;
                ++i;
                continue;
            }
            if (c != openerMark)
                continue;
            const QString marks = openerMark == '~' ? QStringLiteral("--") : QStringLiteral("==");
            result += QStringView(chars + copied, opener - copied);
            result += QLatin1Char('{') + marks;
            result += QStringView(chars + opener + 2, i - opener - 2);
            result += marks + QLatin1Char('}');
            copied = i + 2;
            opener = NSNotFound;
            ++i;
        }
    }
    if (copied == 0)
        return text;
    result += QStringView(chars + copied, text.size() - copied);
    return result;
}

// Pass two: «:name:» into its emoji.
QString replacedEmoji(const QString& text)
{
    const QHash<QString, QString> table = emojiTable();
    if (table.isEmpty())
        return text;
    const unichar* chars = unitsOf(text);
    QString result;
    qsizetype copied = 0;
    for (const Range run : plainRuns(text)) {
        enumerateWordsInRange(text, run, [&](const QString&, const unichar*, qsizetype location, qsizetype length) {
            if (location == 0 || location + length >= text.size() || chars[location - 1] != ':'
                || chars[location + length] != ':' || location - 1 < copied)
                return false;
            const auto it = table.constFind(QString(reinterpret_cast<const QChar*>(chars + location), length));
            if (it == table.constEnd())
                return false;
            result += QStringView(chars + copied, location - 1 - copied);
            result += *it;
            copied = location + length + 1;
            return false;
        });
    }
    if (copied == 0)
        return text;
    result += QStringView(chars + copied, text.size() - copied);
    return result;
}

} // namespace

QMap<QString, QString> markdownMetaAttributes(const QString& string)
{
    QMap<QString, QString> attributes;
    const QString header = markdownMetadata(string);
    for (const QString& line : lines(header)) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 1 || colon == line.size() - 1)
            continue;
        QString key;
        for (const QChar c : QStringView(line).left(colon)) {
            if (!isWhite(c.unicode()))
                key += c;
        }
        key = unicode::lowercaseString(key);
        const QString value = trimmedWhite(QStringView(line).mid(colon + 1));
        if (!key.isEmpty() && !value.isEmpty())
            attributes.insert(key, value);
    }
    return attributes;
}

QString _preprocessMarkdownSection(const QString& line)
{
    QString text = trimmedWhite(line);
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from) == QLatin1Char('#'))
        ++from;
    while (to > from && text.at(to - 1) == QLatin1Char('#'))
        --to;
    QString cleaned;
    bool pendingSpace = false;
    for (qsizetype i = from; i < to; ++i) {
        unichar c = text.at(i).unicode();
        if (c == '*' || c == '`')
            c = ' ';
        if (isWhite(c)) {
            pendingSpace = !cleaned.isEmpty();
            continue;
        }
        if (pendingSpace)
            cleaned += QLatin1Char(' ');
        pendingSpace = false;
        cleaned += QChar(c);
    }
    return cleaned.isEmpty() ? QString() : cleaned;
}

QString titleOfMarkdownSection(const QString& line)
{
    if (line.isEmpty())
        return line;
    QString title = _preprocessMarkdownSection(stringByConvertingMarkdownToSearchableText(line, false));
    if (title.isNull())
        return title;
    const qsizetype open = title.indexOf(QLatin1Char('['), 1);
    const qsizetype close = open < 0 ? -1 : title.indexOf(QLatin1Char(']'), open);
    if (close > open) {
        title.remove(open, close - open + 1);
        title = _preprocessMarkdownSection(title);
        if (title.isNull())
            return title;
    }
    if (title.startsWith(QLatin1Char('[')))
        title.remove(0, 1);
    if (title.endsWith(QLatin1Char(']')))
        title.chop(1);
    return title;
}

QString identifierOfMarkdownSection(const QString& line)
{
    QString cleaned = _preprocessMarkdownSection(line);
    if (cleaned.isNull())
        return cleaned;
    const qsizetype open = cleaned.indexOf(QLatin1Char('['));
    const qsizetype close = open < 0 ? -1 : cleaned.indexOf(QLatin1Char(']'), open + 1);
    if (close > open + 1)
        cleaned = cleaned.mid(open + 1, close - open - 1);
    static const QString kDropped = QStringLiteral("!\"#$%&'()*+,/;<=>?[]{}");
    QString identifier;
    for (const QChar c : cleaned) {
        const unichar u = c.unicode();
        if (u < 0x21 || isWhite(u) || kDropped.contains(c))
            continue;
        identifier += (u >= 'A' && u <= 'Z') ? QChar(u + ('a' - 'A')) : c;
    }
    return identifier.isEmpty() ? QString() : identifier;
}

QString stringByReplacingMarkdownPlaceholders(const QString& string, const QMap<QString, QString>& values)
{
    if (string.isEmpty())
        return string;
    QString result = string;
    for (auto it = values.begin(); it != values.end(); ++it) {
        const QString needle = QStringLiteral("[%") + it.key();
        qsizetype from = 0;
        while (from < result.size()) {
            const Range hit = findString(result, needle, Range{from, result.size() - from}, kIgnoreCase);
            if (hit.isMissing() || hit.maxRange() >= result.size())
                break;
            qsizetype end = hit.maxRange();
            if (result.at(end) == QLatin1Char(']')) {
                end += 1;
            } else if (result.at(end) == QLatin1Char('%') && end + 1 < result.size()
                       && result.at(end + 1) == QLatin1Char(']')) {
                end += 2;
            } else {
                from = hit.maxRange();
                continue;
            }
            result.replace(hit.location, end - hit.location, it.value());
            from = hit.location + it.value().size();
        }
    }
    return result == string ? string : result;
}

QString stringByForcingMarkdownLineBreaks(const QString& string)
{
    if (string.isEmpty())
        return string;
    const unichar* chars = unitsOf(string);
    QString result;
    qsizetype copied = 0;
    for (const Range run : plainRuns(string)) {
        result += QStringView(chars + copied, run.location - copied);
        const QStringList runLines = lines(string.mid(run.location, run.length));
        for (qsizetype i = 0; i < runLines.size(); ++i) {
            const QString& line = runLines[i];
            const qsizetype feeds = lengthOfFeedOfLine(line);
            qsizetype end = line.size() - feeds;
            while (end > 0 && bitmapContains(getSpacesBitmap(), line.at(end - 1).unicode()))
                --end;
            result += QStringView(line).left(end);
            if (feeds == 0)
                continue;
            const bool underline = levelOfMarkdownLine(line) != 0
                                   || (i + 1 < runLines.size() && levelOfMarkdownLine(runLines[i + 1]) != 0);
            if (!underline)
                result += QStringLiteral("   ");
            result += QLatin1Char('\n');
        }
        copied = run.maxRange();
    }
    result += QStringView(chars + copied, string.size() - copied);
    return result == string ? string : result;
}

QString markdownHeaderWithOptions(unsigned options)
{
    if (options == 0)
        return QString();
    QString header = emptyString();
    const QString host = QString::fromLatin1(kScriptHost);
    if (options & kMarkdownHeaderMath)
        header += QStringLiteral("<script type=\"text/javascript\" id=\"MathJax-script\" async src=\"%1/npm/mathjax@3/es5/"
                                 "tex-mml-chtml.js\"></script>")
                      .arg(host);
    if (options & kMarkdownHeaderDiagrams)
        header += QStringLiteral("<script type=\"text/javascript\" src=\"%1/npm/mermaid/dist/mermaid.min.js\"></script>\n")
                      .arg(host);
    if (options & kMarkdownHeaderSyntaxHighlighting) {
        const QString style = prismText(&Resources::prismStyle, "prism.css");
        const QString script = prismText(&Resources::prismScript, "prism.js");
        if (!style.isEmpty() && !script.isEmpty()) {
            header += QStringLiteral("<style><!--\n") + style + QStringLiteral("\n--></style>\n");
            header += QStringLiteral("<script type=\"text/javascript\"><!--\n") + script
                      + QStringLiteral("\n--></script>\n");
        }
    }
    return header;
}

QString stringByPreprocessingMarkdownForRendering(const QString& string)
{
    if (string.isEmpty())
        return string;
    return replacedEmoji(convertedDoubleMarks(string));
}

QString stringByPostprocessingMarkdownForRendering(const QString& string)
{
    if (string.isEmpty() || !containsString(string, u"<li>", kIgnoreCase))
        return string;
    const QString unchecked(QChar(0x2610));
    const QString checked(QChar(0x2611));
    const QString bare = QStringLiteral("<li style=\"list-style: none;\">");
    QString result = string;
    replaceIgnoringCase(result, QStringLiteral("<li>[ ]"), bare + unchecked);
    replaceIgnoringCase(result, QStringLiteral("<li>[X]"), bare + checked);
    replaceIgnoringCase(result, QStringLiteral("<li><p>[ ]"), QStringLiteral("<li><p>") + unchecked);
    replaceIgnoringCase(result, QStringLiteral("<li><p>[X]"), QStringLiteral("<li><p>") + checked);
    return result;
}

QString markdownResourceDirectory()
{
    Resources& state = resources();
    std::lock_guard guard(state.lock);
    return state.directory.isEmpty() ? QString::fromLatin1(kDefaultResourceDirectory) : state.directory;
}

void setMarkdownResourceDirectory(const QString& directory)
{
    Resources& state = resources();
    std::lock_guard guard(state.lock);
    state.directory = directory;
    state.emoji.reset();
    state.prismStyle.reset();
    state.prismScript.reset();
}

} // namespace sorvant
