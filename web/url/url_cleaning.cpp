#include "web/url/url_cleaning.h"

#include "foundation/chars_table.h"
#include "foundation/mutable_string_edits.h"
#include "foundation/trimming.h"
#include "platform/path_semantics.h"
#include "platform/scan_work.h"
#include "web/url/link_detection.h"
#include "web/url/link_lists.h"
#include "web/url/percent_escapes.h"
#include "web/url/string_urls.h"

namespace sorvant {

namespace {

constexpr Qt::CaseSensitivity kCI = Qt::CaseInsensitive;
constexpr Qt::CaseSensitivity kCS = Qt::CaseSensitive;
// Parameters one removal (session IDs, analytics, a named parameter) takes
// out of one link, at most. Each round reads the whole link a fixed number
// of times; a link carries a handful of such parameters, and the bound keeps
// a hostile one (thousands of them) linear in its length, the rest then
// staying in place.
constexpr int kMaximumRemovalRounds = 32;

bool isSeparator(QChar c)
{
    return c == QLatin1Char('?') || c == QLatin1Char(';') || c == QLatin1Char('&');
}

// The first occurrence of `name` when it counts (a separator right before
// it); -1 otherwise.
qsizetype countingParameter(const QString& text, QLatin1String name, Qt::CaseSensitivity cs)
{
    const qsizetype index = text.indexOf(name, 0, cs);
    return index > 0 && isSeparator(text.at(index - 1)) ? index : -1;
}

// The end of the parameter at `index`: the next "&" or "?" (also ";" after
// a ";" separator); -1 when there is none.
qsizetype parameterEnd(const QString& text, qsizetype index)
{
    const bool semicolon = text.at(index - 1) == QLatin1Char(';');
    for (qsizetype i = index; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('&') || c == QLatin1Char('?') || (semicolon && c == QLatin1Char(';')))
            return i;
    }
    return -1;
}

void removeParameterAt(QString& text, qsizetype index)
{
    const qsizetype end = parameterEnd(text, index);
    if (end >= 0 && end != text.size() - 1)
        text.remove(index, end - index + 1);
    else
        text.truncate(index - 1);
}

bool removeParameter(QString& text, const char* name, Qt::CaseSensitivity cs)
{
    const qsizetype index = countingParameter(text, QLatin1String(name), cs);
    if (index < 0)
        return false;
    removeParameterAt(text, index);
    return true;
}

// Group 2: "cid=", "p_sid=", "sid=" go only when their value part holds a
// letter (a numeric id is a page, not a session). Answers whether one was
// removed; `anyCounted` tells whether one was looked at.
bool removeLetteredSessionParameter(QString& text, bool* anyCounted)
{
    *anyCounted = false;
    for (const char* name : {"cid=", "p_sid=", "sid="}) {
        const qsizetype index = countingParameter(text, QLatin1String(name), kCS);
        if (index < 0)
            continue;
        *anyCounted = true;
        const qsizetype end = parameterEnd(text, index);
        const qsizetype stop = end < 0 ? text.size() : end;
        const CharacterSetBitmap* letters = getLettersBitmap();
        for (qsizetype i = index + 3; i < stop; ++i) {
            if (bitmapContains(letters, text.at(i).unicode())) {
                removeParameterAt(text, index);
                return true;
            }
        }
        return false;
    }
    return false;
}

bool contains(const QString& text, const char* part, Qt::CaseSensitivity cs)
{
    return text.contains(QLatin1String(part), cs);
}

// Cuts after "/login", "/register" or ".html" when a query follows them.
void cutLoginAndWidgetTails(QString& text)
{
    for (;;) {
        qsizetype index = text.indexOf(QLatin1String("/login?"));
        if (index >= 0) {
            text.truncate(index + 6);
            continue;
        }
        index = text.indexOf(QLatin1String("/register?"));
        if (index >= 0) {
            text.truncate(index + 9);
            continue;
        }
        index = text.indexOf(QLatin1String(".html?widgetType="));
        if (index >= 0) {
            text.truncate(index + 5);
            continue;
        }
        return;
    }
}

template <typename Clean>
QString onURL(const URL& url, Clean clean)
{
    if (url.isFileURL())
        return stringByStandardizingPath(url.path());
    return clean(url.absoluteString());
}

} // namespace

QString stringURLByRemovingSessionIDs(const QString& text)
{
    if (text.isEmpty())
        return text;
    const bool html = contains(text, ".html?", kCI) || contains(text, ".htm?", kCI);
    const bool php = !html && contains(text, ".php?", kCI);
    const bool asp = !html && !php && (contains(text, ".asp?", kCI) || contains(text, ".aspx?", kCI));
    const bool topic = php && stringURLIsTopicOrThread(text);
    const bool groups = contains(text, linklists::kDiscussionGroupsMarker, kCI);

    QString out = text;
    bool sessionFound = false; // S
    // Each round removes one parameter (see kMaximumRemovalRounds).
    for (int round = 0; round < kMaximumRemovalRounds; ++round) {
        countScanWork(out.size());
        bool removed = false;
        bool flag = sessionFound; // F
        if (!contains(out, "id=", kCI)) {
            if (topic && contains(out, "&p=", kCS))
                removed = removeParameter(out, "s=", kCS);
        } else {
            for (const char* name : {"phpsessionid=", "phpsessid=", "jsessionid=", "jsessid=", "sessionid=",
                                     "wgsessid=", "sessid="}) {
                if ((removed = removeParameter(out, name, kCI)))
                    break;
            }
            for (const char* name : {"CFID=", "CFTOKEN=", "affid=", "REFFID="}) {
                if (removed || (removed = removeParameter(out, name, kCS)))
                    break;
            }
            if (removed) {
                sessionFound = true;
            } else {
                bool anyCounted = false;
                removed = removeLetteredSessionParameter(out, &anyCounted);
                flag = anyCounted ? sessionFound : true;
            }
        }
        if (!removed) {
            bool topicFound = false;
            const auto step = [&](const char* name, Qt::CaseSensitivity cs) {
                return removed || (removed = removeParameter(out, name, cs));
            };
            step("ccbill=", kCS) || step("nats=", kCS) || step("_fb_noscript=", kCS);
            if (html || php)
                step("pi=", kCS) || step("cache=", kCI);
            if (html)
                step("CMP=", kCS) || step("ATT=", kCS);
            if (php || asp)
                step("lsrc=", kCI);
            if (topic) {
                step("highlight=", kCI) || step("hilit=", kCS);
                topicFound = removed;
            }
            if (groups && !topicFound)
                step("ei=", kCS);
            if (flag)
                step("random=", kCI);
            if (removed)
                sessionFound = flag;
        }
        if (!removed || out.isEmpty())
            break;
    }
    cutLoginAndWidgetTails(out);
    return out;
}

QString stringURLByRemovingAnalytics(const QString& text)
{
    if (text.isEmpty() || !contains(text, "utm_", kCI))
        return text;
    QString out = text;
    for (int round = 0; round < kMaximumRemovalRounds; ++round) {
        countScanWork(out.size());
        bool removed = false;
        for (const char* name : {"utm_source=", "utm_medium=", "utm_campaign=", "utm_term=", "utm_content="}) {
            if ((removed = removeParameter(out, name, kCI)))
                break;
        }
        if (!removed)
            removed = removeParameter(out, "utm_nooverride=", kCI);
        if (!removed || !contains(out, "utm_", kCI))
            break;
    }
    return out;
}

QString stringURLByRemovingQueryParam(const QString& text, const QString& name)
{
    if (text.isEmpty() || name.isEmpty() || !text.contains(name, kCI))
        return text;
    QString out = text;
    for (int round = 0; round < kMaximumRemovalRounds; ++round) {
        countScanWork(out.size());
        const qsizetype index = out.indexOf(name, 0, kCI);
        if (index <= 0 || !isSeparator(out.at(index - 1)))
            break;
        removeParameterAt(out, index);
        if (out.isEmpty() || !out.contains(name, kCI))
            break;
    }
    return out;
}

QString stringURLByRemovingEmptyParams(const QString& text)
{
    if (text.isEmpty())
        return text;
    // The edited text is `kept` followed by `text` from `next`: a removal
    // moves that gap forward instead of moving the rest of the link, so
    // each character is copied once. Positions are in the edited text.
    QString kept;
    kept.reserve(text.size());
    qsizetype next = 0;
    const auto size = [&] { return kept.size() + text.size() - next; };
    const auto at = [&](qsizetype i) { return i < kept.size() ? kept.at(i) : text.at(next + i - kept.size()); };
    // Copies the edited text up to `end` (not before the gap) into `kept`.
    const auto keepUpTo = [&](qsizetype end) {
        const qsizetype count = end - kept.size();
        kept.append(QStringView(text).mid(next, count));
        next += count;
    };
    qsizetype from = 0;
    for (;;) {
        // A removal leaves `from` past the gap.
        const qsizetype found = text.indexOf(QLatin1Char('='), next + qMax<qsizetype>(from - kept.size(), 0));
        countScanWork((found < 0 ? text.size() : found) - next + 1);
        if (found < 0)
            break;
        const qsizetype equals = found - next + kept.size();
        const qsizetype length = size();
        const bool empty = equals == length - 1 || at(equals + 1) == QChar(0) || at(equals + 1) == QLatin1Char('&')
                           || at(equals + 1) == QLatin1Char(';') || at(equals + 1) == QLatin1Char('?');
        qsizetype separator = -1;
        if (empty && equals >= 2) {
            for (qsizetype i = equals - 2; i >= 0; --i) {
                countScanWork(1);
                if (isSeparator(at(i))) {
                    separator = i;
                    break;
                }
                if (at(i) == QLatin1Char('='))
                    break;
            }
        }
        if (separator < 0) {
            from = equals + 1;
            continue;
        }
        if (length - equals - 1 < 2) {
            // The parameter ends the link: the link ends before its separator.
            if (separator < kept.size())
                kept.truncate(separator);
            else
                keepUpTo(separator);
            next = text.size();
            break;
        }
        // The name, "=" and the separator after it go.
        keepUpTo(separator + 1);
        next += equals - separator + 1;
        // Goes on where it would have in the text before the removal.
        from = equals + 2;
    }
    kept.append(QStringView(text).mid(next));
    kept.replace(QLatin1String("?&"), QLatin1String("?"));
    return kept;
}

QString stringURLByRemovingIndexPages(const QString& text)
{
    if (text.size() < 10 || !contains(text, "/index.", kCI))
        return text;
    for (const char* page : {"/index.shtml", "/index.phtml", "/index.jhtml", "/index.html", "/index.htm",
                             "/index.php", "/index.chm", "/index.asp", "/index.cgi"}) {
        if (text.endsWith(QLatin1String(page), kCI))
            return text.left(text.size() - static_cast<qsizetype>(qstrlen(page)));
    }
    return text;
}

QString simplifiedStringURL(const QString& text)
{
    return simplifiedStringURL(text, true, true, true, true, true);
}

QString simplifiedStringURL(const QString& text, bool sessionIDs, bool analytics, bool indexPages, bool emptyParams,
                            bool anchors)
{
    if (text.isNull())
        return text;
    QString out = stringByDecodingPercentEscapes(text);
    if (anchors)
        out = stringURLWithoutAnchor(out);
    out = standardizedStringURL(out);
    if (sessionIDs)
        out = stringURLByRemovingSessionIDs(out);
    if (analytics)
        out = stringURLByRemovingAnalytics(out);
    if (emptyParams)
        out = stringURLByRemovingEmptyParams(out);
    if (text.contains(QLatin1String(linklists::kPatentPagesMarker), kCI))
        out = stringURLByRemovingQueryParam(out, QStringLiteral("ved="));
    if (indexPages) {
        if (sessionIDs && out.size() >= 15 && out.endsWith(QLatin1String("/?page=main.php")))
            out.chop(14);
        else
            out = stringURLByRemovingIndexPages(out);
    }
    if (out.startsWith(QLatin1String("http://www."), kCI))
        out = QStringLiteral("http://") + out.mid(11);
    else if (out.startsWith(QLatin1String("https://www."), kCI))
        out = QStringLiteral("http://") + out.mid(12);
    else if (out.startsWith(QLatin1String("https:"), kCI))
        out = QStringLiteral("http:") + out.mid(6);
    out = stringByTrimmingSuffixCharacter(out, '/');
    lowercase(out);
    return out;
}

QString stringURLByRemovingSessionIDs(const URL& url)
{
    return onURL(url, [](const QString& s) { return stringURLByRemovingSessionIDs(s); });
}

QString stringURLByRemovingAnalytics(const URL& url)
{
    return onURL(url, [](const QString& s) { return stringURLByRemovingAnalytics(s); });
}

QString stringURLByRemovingQueryParam(const URL& url, const QString& name)
{
    return onURL(url, [&](const QString& s) { return stringURLByRemovingQueryParam(s, name); });
}

QString stringURLByRemovingEmptyParams(const URL& url)
{
    return onURL(url, [](const QString& s) { return stringURLByRemovingEmptyParams(s); });
}

QString stringURLByRemovingIndexPages(const URL& url)
{
    return onURL(url, [](const QString& s) { return stringURLByRemovingIndexPages(s); });
}

QString simplifiedStringURL(const URL& url)
{
    return onURL(url, [](const QString& s) { return simplifiedStringURL(s); });
}

QString simplifiedStringURL(const URL& url, bool sessionIDs, bool analytics, bool indexPages, bool emptyParams,
                            bool anchors)
{
    return onURL(url, [&](const QString& s) {
        return simplifiedStringURL(s, sessionIDs, analytics, indexPages, emptyParams, anchors);
    });
}

} // namespace sorvant
