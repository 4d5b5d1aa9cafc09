#include "system/file_urls.h"

#include "web/url/url_making.h"

namespace sorvant {

URL fileURLWithAbsolutePath(const QString& path)
{
    return URL::fileURLWithPath(path, false);
}

URL directoryURLWithAbsolutePath(const QString& path)
{
    return URL::fileURLWithPath(path, true);
}

URL URLWithUserTypedString(const QString& string)
{
    return URLWithNormalizedStringURL(string);
}

} // namespace sorvant
