#include "web/url/url_resolution.h"

#include "foundation/mutable_string_edits.h"
#include "foundation/trimming.h"
#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"
#include "web/url/percent_escapes.h"
#include "web/url/string_urls.h"
#include "web/url/url_making.h"
#include "web/url/url_paths.h"
#include "web/url/url_predicates.h"

#include <sys/stat.h>

namespace sorvant {

namespace {

bool startsWithNoCase(const QString& text, const char* prefix)
{
    return text.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

bool equalNoCase(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Repairs of common slips in typed or pasted links. Null when the text can
// only be dropped ("mailto://" with nothing after it).
QString repairedLink(QString text)
{
    switch (text.at(0).toLower().unicode()) {
    case ':':
        if (text.startsWith(QLatin1String(":http://"), Qt::CaseInsensitive))
            text.remove(0, 1);
        break;
    case 'e':
        if (startsWithNoCase(text, "emailto:"))
            text.remove(0, 1);
        break;
    case 'f':
        text = validFeedStringURL(text);
        break;
    case 'h':
        if (text.contains(QLatin1String("http:"), Qt::CaseInsensitive)) {
            if (startsWithNoCase(text, "hhttp:"))
                text.remove(0, 1);
            else if (startsWithNoCase(text, "http://http://"))
                text.remove(0, 7);
            else if (startsWithNoCase(text, "http:// http://"))
                text.remove(0, 8);
        }
        break;
    case 'm':
        if (startsWithNoCase(text, "mailto://")) {
            if (text.size() < 10)
                return QString();
            text = QStringLiteral("mailto:") + text.mid(9);
        } else if (startsWithNoCase(text, "mailto:http://")) {
            text.remove(0, 7);
        }
        break;
    case 't':
        if (startsWithNoCase(text, "ttp://"))
            text.prepend(QLatin1Char('h'));
        break;
    default:
        break;
    }
    return text;
}

bool isDirectScheme(const QString& text)
{
    for (const char* scheme : {"aim:", "icq:", "irc:", "mailto:", "message:", "ymsgr:"}) {
        if (startsWithNoCase(text, scheme))
            return true;
    }
    return false;
}

// Whether text with "://" at `separator` stands alone: only ASCII letters
// and ":" before it.
bool isAbsoluteLink(const QString& text, qsizetype separator)
{
    for (qsizetype i = 0; i < separator; ++i) {
        const char16_t unit = text.at(i).unicode();
        if (!((unit >= 'a' && unit <= 'z') || (unit >= 'A' && unit <= 'Z') || unit == ':'))
            return false;
    }
    return true;
}

// Resolves "." and ".." segments until the path holds none, or the platform
// makes no further change. Bounded: each round shortens or ends.
URL standardizedLoop(URL url)
{
    for (int round = 0; round < 64; ++round) {
        const QString path = url.path();
        if (path.size() < 2)
            return url;
        if (!path.contains(QLatin1String("./")) && !path.contains(QLatin1String("/.")))
            return url;
        const URL standardized = url.standardizedURL();
        if (standardized.isNull() || standardized == url)
            return url;
        url = standardized;
    }
    return url;
}

// The base's credentials put into `url` when both hosts are present and
// equal (and, with `sameScheme`, both schemes).
URL withBaseCredentials(const URL& url, const URL& base, bool sameScheme)
{
    if (base.user().isEmpty() || base.password().isEmpty())
        return url;
    if (url.host().isEmpty() || base.host().isEmpty() || !equalNoCase(url.host(), base.host()))
        return url;
    if (sameScheme && !equalNoCase(url.scheme(), base.scheme()))
        return url;
    // The base holds them escaped; URLWithUser escapes what it is given, so
    // they are decoded first (else every resolution would escape them again).
    const auto decoded = [](const QString& part) {
        const QString plain = percentDecoded(part);
        return plain.isNull() ? part : plain;
    };
    return URLWithUser(url, decoded(base.user()), decoded(base.password()));
}

// The last standardizing of an absolute link. Carrying credentials rebuilds
// the string (an empty port goes), so it is standardized once more: a
// resolved URL resolved again against itself stays as it is.
URL finished(const URL& url, bool standardize)
{
    if (!standardize || url.isNull())
        return url;
    const URL restandardized = URL::URLWithString(standardizedStringURL(url.absoluteString()));
    return standardizedLoop(restandardized ? restandardized : url);
}

URL resolvedAgainstFile(const URL& base, const QString& text)
{
    QString path;
    if (text.startsWith(QLatin1Char('~')))
        path = stringByExpandingTildeInPath(text);
    else if (text.startsWith(QLatin1Char('/')))
        path = text;
    else // a file URL's path never ends in "/", so its last component is the file
        path = stringByAppendingPathComponent(stringByDeletingLastPathComponent(base.path()), text);
    return URL::fileURLWithPath(stringByStandardizingPath(path));
}

// The web URL of a feed URL; the URL itself without resource specifier.
// "feed:https://…" is the secure page itself, like "feed:http://…".
URL webURLOfFeed(const URL& url)
{
    const QString specifier = url.resourceSpecifier();
    if (specifier.isEmpty())
        return url;
    if (startsWithNoCase(specifier, "http:") || startsWithNoCase(specifier, "https:"))
        return URL::URLWithString(specifier);
    return URLWithFormat(QStringLiteral("%@:%@"), QStringLiteral("http"), specifier);
}

bool existsAt(const QString& path)
{
    // The path's own bytes: a name that is not UTF-8 is found too.
    struct stat status {};
    const QByteArray bytes = fileSystemRepresentation(path);
    return !bytes.isEmpty() && ::stat(bytes.constData(), &status) == 0;
}

// The resource specifier without the leading "/" and, when it named an
// authority, without the "user@" in front of the host.
QString specifierWithoutUser(const URL& url, bool trimBothEnds)
{
    const QString specifier = url.resourceSpecifier();
    if (specifier.isNull())
        return specifier;
    QString trimmed = trimBothEnds ? stringByTrimmingCharacter(specifier, '/')
                                   : stringByTrimmingPrefixCharacter(specifier, '/');
    if (specifier.startsWith(QLatin1Char('/'))) {
        for (qsizetype i = 0; i < trimmed.size(); ++i) {
            if (trimmed.at(i) == QLatin1Char('/'))
                break;
            if (trimmed.at(i) == QLatin1Char('@')) {
                trimmed = trimmed.mid(i + 1);
                break;
            }
        }
    }
    return trimmed;
}

} // namespace

// --- resolving ---------------------------------------------------------------------------------

bool filterLink(const QString& text)
{
    Q_UNUSED(text);
    return false;
}

URL URLRelativeTo(const URL& base, const QString& text, bool trimAnchor, StringEncoding encoding, bool standardize)
{
    if (base.isNull() || text.isNull())
        return URL();
    QString link = trimAnchor && !base.isFileURL() ? stringURLWithoutAnchor(text) : text;
    trimWhiteSpaces(link);
    if (link.isEmpty())
        return URL();
    link = repairedLink(link);
    if (link.isEmpty())
        return URL();
    if (isDirectScheme(link))
        return URL::URLWithString(link);
    if (filterLink(link))
        return URL();

    if (link.startsWith(QLatin1String("//"))) {
        // A base without scheme has none to lend ("://host" is no URL).
        if (base.scheme().isEmpty())
            return URL();
        link = base.scheme() + QLatin1Char(':') + link;
        if (standardize)
            link = standardizedStringURL(link);
        return finished(withBaseCredentials(URLWithEscapeFallback(link, encoding), base, false), standardize);
    }

    const qsizetype separator = link.indexOf(QLatin1String("://"));
    if (separator == 0)
        return URL();
    if (separator > 0 && isAbsoluteLink(link, separator)) {
        if (standardize)
            link = standardizedStringURL(link);
        return finished(withBaseCredentials(URLWithEscapeFallback(link, encoding), base, true), standardize);
    }

    if (base.isFileURL())
        return resolvedAgainstFile(base, link);
    URL url = URLWithEscapeFallback(link, encoding, base);
    if (url.isNull() || !standardize)
        return url;
    // The resolved URL goes before its standardized text is parsed, so a
    // long link is held in one URL at a time.
    const QString standardized = standardizedStringURL(url);
    link = QString();
    url = URL();
    url = URL::URLWithString(standardized);
    return url ? standardizedLoop(url) : url;
}

URL URLRelativeTo(const URL& base, const QString& text)
{
    return URLRelativeTo(base, text, true, NSUTF8StringEncoding, true);
}

URL URLRelativeTo(const URL& base, const QString& text, StringEncoding encoding)
{
    return URLRelativeTo(base, text, true, encoding, true);
}

URL URLRelativeToTrimAnchor(const URL& base, const QString& text, bool trimAnchor)
{
    return URLRelativeTo(base, text, trimAnchor, NSUTF8StringEncoding, true);
}

URL URLRelativeToStandardize(const URL& base, const QString& text, bool standardize)
{
    return URLRelativeTo(base, text, true, NSUTF8StringEncoding, standardize);
}

URL URLRelativeToBaseURL(const URL& base, const QString& text, bool trimAnchor, StringEncoding encoding,
                         bool standardize)
{
    if (text.isEmpty())
        return URL();
    if (base.isNull())
        return URLWithNormalizedStringURL(text, encoding);
    return URLRelativeTo(base, text, trimAnchor, encoding, standardize);
}

QStringList absoluteStringsUsingBaseURL(const QStringList& texts, const URL& base, StringEncoding encoding)
{
    QStringList strings;
    for (const QString& text : texts) {
        const URL url = URLRelativeTo(base, text, encoding);
        if (url)
            strings.append(url.absoluteString());
    }
    return strings;
}

// --- credentials, schemes and anchors ---------------------------------------------------------

URL composeURLWithCredentials(const URL& url, const QString& scheme, const QString& host, const QString& user,
                              const QString& password)
{
    const QString path = pathWithParamsAndQueryAndFragment(url);
    const bool credentials = !user.isEmpty() && !password.isEmpty();
    const int port = url.port().isValid() ? url.port().toInt() : 0;
    if (credentials && port != 0)
        return URLWithFormat(QStringLiteral("%@://%@:%@@%@:%d%@"), scheme, user, password, host, port, path);
    if (credentials)
        return URLWithFormat(QStringLiteral("%@://%@:%@@%@%@"), scheme, user, password, host, path);
    if (port != 0)
        return URLWithFormat(QStringLiteral("%@://%@:%d%@"), scheme, host, port, path);
    return URLWithFormat(QStringLiteral("%@://%@%@"), scheme, host, path);
}

URL URLWithUser(const URL& url, const QString& user, const QString& password)
{
    if (user.isEmpty() || password.isEmpty())
        return url;
    return composeURLWithCredentials(url, url.scheme(), url.host(), stringByAddingPercentEscapesToURLUser(user),
                                     stringByAddingPercentEscapesToURLPassword(password));
}

URL URLWithoutCredentials(const URL& url)
{
    if (url.user().isNull() && url.password().isNull())
        return url;
    const URL stripped = URL::URLWithString(stringURLWithoutCredentials(url.absoluteString()));
    return stripped ? stripped : url;
}

URL URLWithScheme(const URL& url, const QString& scheme)
{
    if (url.isFileURL() || scheme.isEmpty())
        return url;
    return URLWithFormat(QStringLiteral("%@:%@"), scheme, url.resourceSpecifier());
}

URL URLWithAnchor(const URL& url, const QString& anchor)
{
    if (anchor.isEmpty())
        return url;
    return URLWithFormat(QStringLiteral("%@#%@"), stringURLWithoutAnchor(url.absoluteString()), anchor);
}

URL URLWithoutAnchor(const URL& url)
{
    const QString absolute = url.absoluteString();
    const QString withoutAnchor = stringURLWithoutAnchor(absolute);
    if (withoutAnchor.size() == absolute.size())
        return url;
    const URL stripped = URL::URLWithString(withoutAnchor);
    return stripped ? stripped : url;
}

// --- web-view forms ------------------------------------------------------------------------------

URL WebKitURL(const URL& url)
{
    if (url.isNull() || url.isFileURL())
        return url;
    if (equalNoCase(url.host(), QStringLiteral("localhost")))
        return composeURLWithCredentials(url, url.scheme(), QStringLiteral("127.0.0.1"), url.user(), url.password());
    if (isFeedURL(url))
        return webURLOfFeed(url);
    return url;
}

URL baseURLForWebKit(const URL& url)
{
    if (url.isFileURL())
        return existsAt(url.path()) ? url : URL();
    if (isFeedURL(url))
        return webURLOfFeed(url);
    return isHTTPURL(url) ? url : URL();
}

URL baseURLForWebKitUsingAnchor(const URL& url, const QString& anchor)
{
    const URL base = baseURLForWebKit(url);
    return base ? URLWithAnchor(base, anchor) : base;
}

// --- string forms ------------------------------------------------------------------------------------

QString absoluteStringOrPath(const URL& url)
{
    return url.isFileURL() ? url.path() : url.absoluteString();
}

QString absoluteStringWithoutUserAndPassword(const URL& url)
{
    if (url.isFileURL())
        return url.path();
    if (url.user().isNull() && url.password().isNull())
        return url.absoluteString();
    const QString host = url.host().isNull() ? QString(QLatin1String("")) : url.host();
    const QString path = pathWithParamsAndQueryAndFragment(url);
    if (url.scheme().isEmpty())
        return host + path;
    return url.scheme() + QLatin1String("://") + host + path;
}

QString absoluteStringWithHostAndPath(const URL& url)
{
    if (url.isFileURL())
        return url.path();
    return specifierWithoutUser(url, false);
}

QString displayString(const URL& url)
{
    if (url.isNull())
        return QString();
    if (url.isFileURL())
        return stringByAbbreviatingWithTildeInPath(url.path());
    const bool web = isWebKitURL(url);
    if (!web && !isMailURL(url))
        return url.absoluteString();
    QString display = specifierWithoutUser(url, true);
    if (display.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        display.remove(0, 4);
    if (!display.isEmpty() && display != QLatin1String("/"))
        return display;
    return web ? url.host() : url.absoluteString();
}

QString proposedFilename(const URL& url)
{
    if (url.isNull())
        return QString();
    if (isDataURL(url))
        return QStringLiteral("data");
    const QString specifier = url.resourceSpecifier();
    if (!url.isFileURL() && !specifier.startsWith(QLatin1Char('/')))
        return stringByTrimmingCharacter(specifier, '/');
    const QString last = url.lastPathComponent();
    if (!last.isEmpty() && last != QLatin1String("/"))
        return last;
    return url.host();
}

QString standardizedStringURL(const URL& url)
{
    if (url.isFileURL())
        return stringByStandardizingPath(url.path());
    return standardizedStringURL(url.absoluteString());
}

QString stringURLWithoutAnchor(const URL& url)
{
    return stringURLWithoutAnchor(url.absoluteString());
}

} // namespace sorvant
