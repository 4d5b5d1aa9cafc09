#include "web/url/query_parameters.h"

#include "foundation/chars_table.h"
#include "web/url/percent_escapes.h"

namespace sorvant {

namespace {

struct Parameter {
    qsizetype nameStart, nameEnd, valueStart, valueEnd;
};

// Calls `visit` for each parameter from `start` on until it answers false.
template <typename Visit>
void forEachParameter(const QString& text, qsizetype start, Visit visit)
{
    const CharacterSetBitmap* alphaNumerics = getAlphaNumBitmap();
    const qsizetype length = text.size();
    qsizetype index = start;
    while (index < length) {
        if (!bitmapContains(alphaNumerics, text.at(index).unicode())) {
            ++index;
            continue;
        }
        const qsizetype equals = text.indexOf(QLatin1Char('='), index);
        if (equals < 0)
            return;
        qsizetype end = equals + 1;
        while (end < length && text.at(end) != QLatin1Char('&') && text.at(end) != QLatin1Char(';'))
            ++end;
        if (!visit(Parameter{index, equals, equals + 1, end}))
            return;
        index = end + 1;
    }
}

bool nameMatches(const QString& text, const Parameter& parameter, const QString& name)
{
    return parameter.nameEnd - parameter.nameStart == name.size() &&
           QStringView(text).mid(parameter.nameStart, name.size()) == name;
}

bool isGuarded(const QString& text, const QString& name, qsizetype start)
{
    return text.isNull() || name.isEmpty() || name.size() >= text.size() || start < 0 || start >= text.size();
}

// The start of link text's query: its first "?"; -1 without one.
qsizetype queryStart(const QString& text)
{
    return text.indexOf(QLatin1Char('?'));
}

} // namespace

bool findQueryParam(const QString& text, const QString& name, qsizetype start)
{
    if (isGuarded(text, name, start))
        return false;
    bool found = false;
    forEachParameter(text, start, [&](const Parameter& parameter) {
        found = nameMatches(text, parameter, name);
        return !found;
    });
    return found;
}

QString rewriteQueryParam(const QString& text, const QString& name, qsizetype start, const QString& replacement)
{
    const QString failure = replacement.isNull() ? QString() : text;
    if (isGuarded(text, name, start))
        return failure;
    QString result = failure;
    forEachParameter(text, start, [&](const Parameter& parameter) {
        if (parameter.valueEnd == parameter.valueStart || !nameMatches(text, parameter, name))
            return true;
        const qsizetype valueLength = parameter.valueEnd - parameter.valueStart;
        if (replacement.isNull())
            result = text.mid(parameter.valueStart, valueLength);
        else
            result = QString(text).replace(parameter.valueStart, valueLength, replacement);
        return false;
    });
    return result;
}

QVariantMap ParseQueryParams(const QString& text, qsizetype start)
{
    if (text.isNull() || start < 0 || start >= text.size())
        return QVariantMap();
    QVariantMap parameters;
    forEachParameter(text, start, [&](const Parameter& parameter) {
        if (parameter.valueEnd > parameter.valueStart && parameter.nameEnd > parameter.nameStart)
            parameters.insert(text.mid(parameter.nameStart, parameter.nameEnd - parameter.nameStart),
                              text.mid(parameter.valueStart, parameter.valueEnd - parameter.valueStart));
        return true;
    });
    return parameters;
}

qsizetype CountQueryParams(const QString& text, qsizetype start)
{
    if (text.isNull() || start < 0 || start >= text.size())
        return 0;
    qsizetype count = 0;
    forEachParameter(text, start, [&](const Parameter&) {
        ++count;
        return true;
    });
    return count;
}

// --- on a URL's query ----------------------------------------------------------------------------

bool containsQueryParamNamed(const URL& url, const QString& name) { return findQueryParam(url.query(), name, 0); }
QString queryParamNamed(const URL& url, const QString& name) { return rewriteQueryParam(url.query(), name, 0, QString()); }

QString stringByReplacingQueryParamNamed(const URL& url, const QString& name, const QString& value)
{
    return rewriteQueryParam(url.query(), name, 0, value.isNull() ? QString(QLatin1String("")) : value);
}

QVariantMap queryParams(const URL& url) { return ParseQueryParams(url.query(), 0); }
qsizetype numberOfQueryParams(const URL& url) { return CountQueryParams(url.query(), 0); }

// --- on link text -----------------------------------------------------------------------------------

QString query(const QString& text)
{
    const qsizetype start = queryStart(text);
    return start < 0 ? QString() : text.mid(start);
}

bool containsQueryParamNamed(const QString& text, const QString& name)
{
    const qsizetype start = queryStart(text);
    return start >= 0 && findQueryParam(text, name, start);
}

QString queryParamNamed(const QString& text, const QString& name)
{
    const qsizetype start = queryStart(text);
    return start < 0 ? QString() : rewriteQueryParam(text, name, start, QString());
}

QVariantMap queryParams(const QString& text)
{
    const qsizetype start = queryStart(text);
    return start < 0 ? QVariantMap() : ParseQueryParams(text, start);
}

qsizetype numberOfQueryParams(const QString& text)
{
    const qsizetype start = queryStart(text);
    return start < 0 ? 0 : CountQueryParams(text, start);
}

QString stringByReplacingQueryParamNamed(const QString& text, const QString& name, const QString& value)
{
    const qsizetype start = queryStart(text);
    if (start < 0)
        return text;
    return rewriteQueryParam(text, name, start, value.isNull() ? QString(QLatin1String("")) : value);
}

bool containsParamNamed(const QString& text, const QString& name) { return findQueryParam(text, name, 0); }
QString paramNamed(const QString& text, const QString& name) { return rewriteQueryParam(text, name, 0, QString()); }


void appendParameter(QString& string, const QString& name, const QString& value)
{
    if (name.isEmpty() || value.isEmpty())
        return;
    // A value that cannot be escaped (an unpaired surrogate) is left out
    // rather than appended as an empty or broken parameter.
    const QString escaped = stringByAddingPercentEscapesToURLParameter(value);
    if (escaped.isNull())
        return;
    string += string.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?');
    string += name;
    string += QLatin1Char('=');
    string += escaped;
}

} // namespace sorvant
