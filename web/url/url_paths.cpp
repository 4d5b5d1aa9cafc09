#include "web/url/url_paths.h"

#include "foundation/string_units.h"
#include "platform/path_semantics.h"
#include "platform/url.h"

namespace sorvant {

QString fullPath(const URL& url)
{
    const QString path = url.isFileURL() ? url.path() : url.pathAsWritten();
    return path.isNull() ? emptyString() : path;
}

QString pathWithParamsAndQuery(const URL& url)
{
    if (url.isFileURL())
        return fullPath(url);
    QString path = fullPath(url);
    const QString parameters = url.parameterString();
    if (!parameters.isEmpty())
        path += QLatin1Char(';') + parameters;
    const QString query = url.query();
    if (!query.isEmpty())
        path += QLatin1Char('?') + query;
    return path;
}

QString pathWithParamsAndQueryAndFragment(const URL& url)
{
    QString path = pathWithParamsAndQuery(url);
    const QString fragment = url.fragment();
    if (!fragment.isEmpty())
        path += QLatin1Char('#') + fragment;
    return path;
}

bool isBaseDirectory(const URL& url)
{
    if (url.isNull() || url.isFileURL())
        return false;
    // The path as written: the decoded path has lost its trailing "/", which
    // is what marks "http://h/a.b/" as a folder.
    const QString path = url.pathAsWritten();
    if (path.isEmpty())
        return true;
    if (!path.endsWith(QLatin1Char('/')) && !pathExtension(path).isEmpty())
        return false;
    return url.query().isEmpty() && url.parameterString().isEmpty();
}

} // namespace sorvant
