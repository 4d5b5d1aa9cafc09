#include "web/url/url_making.h"

#include "foundation/no_case_comparison.h"
#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"
#include "web/url/percent_escapes.h"
#include "web/url/url_predicates.h"

#include <sys/stat.h>

namespace sorvant {

namespace {

bool isMailOrMessageLink(const QString& text)
{
    return hasPrefixNoCase(text, QStringLiteral("mailto:")) || hasPrefixNoCase(text, QStringLiteral("message:"));
}

bool isExistingDirectory(const QString& path)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    struct stat status {};
    return !bytes.isEmpty() && ::stat(bytes.constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

// The file URL of a path as typed: the tilde expanded, and a trailing "/"
// when the path names a folder on disk (as the platform's file URLs do).
URL fileURLOfTypedPath(const QString& text)
{
    const QString path = stringByExpandingTildeInPath(text);
    return URL::fileURLWithPath(path, isExistingDirectory(path));
}

// Text that failed to parse, with the characters a URL may not hold escaped
// in `encoding`; "%22" is turned back into a quote first when the text holds
// one, so that a half-escaped quote is not escaped twice. Null when the text
// cannot be escaped.
QString escapedForRetry(const QString& text, StringEncoding encoding)
{
    QString unescaped = text;
    if (unescaped.contains(QLatin1Char('"')))
        unescaped.replace(QLatin1String("%22"), QLatin1String("\""));
    return stringByAddingPercentEscapesToURL(unescaped, encoding, QString());
}

// The repaired form of text that is not a URL by itself: a bare mail
// address or a "www…"/"ftp…" host name with its scheme; null otherwise.
QString withGuessedScheme(const QString& text)
{
    if (isMailStringURL(text))
        return QStringLiteral("mailto:") + text;
    if (text.size() < 3 || text.count(QLatin1Char('.')) < 2)
        return QString();
    if (text.startsWith(QLatin1String("ftp")))
        return QStringLiteral("ftp://") + text;
    if (text.startsWith(QLatin1String("www")))
        return QStringLiteral("http://") + text;
    return QString();
}

} // namespace

URL URLWithFormatArguments(const QString& format, const QVariantList& arguments)
{
    if (format.isEmpty())
        return URL();
    const QString text = stringWithFormat(format, arguments);
    return text.isEmpty() ? URL() : URL::URLWithString(text);
}

URL URLWithEscapeFallback(const QString& text, StringEncoding encoding, const URL& base)
{
    const URL url = URL::URLWithString(text, base);
    if (url || text.isEmpty())
        return url;
    const QString escaped = escapedForRetry(text, encoding);
    return escaped.isNull() ? URL() : URL::URLWithString(escaped, base);
}

URL URLWithStringOrPath(const QString& text)
{
    if (isAbsolutePath(text))
        return fileURLOfTypedPath(text);
    if (text.isEmpty() || text.startsWith(QLatin1Char('.')))
        return URL();
    URL url = isMailOrMessageLink(text) ? URLWithEscapeFallback(text, NSUTF8StringEncoding) : URL::URLWithString(text);
    if (!url.scheme().isEmpty())
        return url;
    if (text.contains(QLatin1String("://")))
        return URL();
    const QString guessed = withGuessedScheme(text);
    if (guessed.isNull())
        return URL();
    url = URLWithFormat(QStringLiteral("%@"), guessed);
    return url.scheme().isEmpty() ? URL() : url;
}

URL URLWithNormalizedStringURL(const QString& text, StringEncoding encoding)
{
    if (text.isEmpty())
        return URL();
    const URL url = URLWithStringOrPath(text);
    if (url || isMailOrMessageLink(text))
        return url;
    const QString escaped = escapedForRetry(text, encoding);
    return escaped.isNull() ? URL() : URLWithStringOrPath(escaped);
}

} // namespace sorvant
