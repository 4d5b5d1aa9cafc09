#include "web/url/url_paths.h"

#include "foundation/normalized_forms.h"
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

QString normalizedPath(const URL& url)
{
    const QString path = url.path();
    return path.isNull() ? path : normalizedString(path);
}

namespace {

QString urlBaseDirectory(const URL& url, bool standardize)
{
    const QString slash = QStringLiteral("/");
    const QString path = fullPath(url);
    if (path.isEmpty())
        return slash;
    QString folder;
    if (url.isFileURL())
        folder = stringByDeletingLastPathComponent(path); // a file URL's path has no trailing "/"
    else if (path.endsWith(QLatin1Char('/')))
        folder = path.size() < 2 ? slash : path.left(path.size() - 1);
    else if (!pathExtension(path).isEmpty() || !url.query().isEmpty() || !url.parameterString().isEmpty())
        folder = stringByDeletingLastPathComponent(path);
    else
        folder = path;
    if (folder.isEmpty())
        return slash;
    if (standardize)
        folder = stringByStandardizingPath(folder);
    return folder.isEmpty() ? slash : folder;
}

} // namespace

QString baseDirectory(const URL& url)
{
    return urlBaseDirectory(url, false);
}

QString standardizedBaseDirectory(const URL& url)
{
    return urlBaseDirectory(url, true);
}

} // namespace sorvant
