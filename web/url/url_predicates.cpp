#include "web/url/url_predicates.h"

#include "foundation/character_classes.h"
#include "foundation/mutable_string_edits.h"
#include "foundation/no_case_comparison.h"
#include "foundation/range.h"
#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"
#include "platform/url.h"

#include <sys/stat.h>

#include <QStringList>

#include <initializer_list>

namespace sorvant {

namespace {

using Names = std::initializer_list<const char*>;

bool schemeIsOneOf(const URL& url, const QStringList& names)
{
    return typedValueForKeys(url.scheme(), names) != NSNotFound;
}

bool schemeBeginsWithApple(const URL& url)
{
    return hasPrefixNoCase(url.scheme(), QStringLiteral("apple"));
}

// Whether `text` has at least `minimum` units and begins with one of
// `prefixes`, ignoring case.
bool hasOnePrefix(const QString& text, qsizetype minimum, Names prefixes)
{
    if (text.isNull() || text.size() < minimum)
        return false;
    for (const char* prefix : prefixes) {
        if (hasPrefixNoCase(text, QLatin1String(prefix)))
            return true;
    }
    return false;
}

const QStringList& webKitSchemes()
{
    static const QStringList schemes{QStringLiteral("https"), QStringLiteral("ftps"), QStringLiteral("feed"),
                                     QStringLiteral("http"), QStringLiteral("ftp")};
    return schemes;
}
constexpr qsizetype kStringURLMinimum = 5;

bool isAsciiLetter(char16_t unit)
{
    return (unit >= 'a' && unit <= 'z') || (unit >= 'A' && unit <= 'Z');
}

bool isAsciiAlphaNum(char16_t unit)
{
    return isAsciiLetter(unit) || (unit >= '0' && unit <= '9');
}

// The index of the first unit at or after `from` that is one of `stops`, or
// -1 when there is none.
qsizetype indexOfFirst(QStringView text, qsizetype from, QStringView stops)
{
    for (qsizetype index = from; index < text.size(); ++index) {
        if (stops.contains(text.at(index)))
            return index;
    }
    return -1;
}

// The shape of a bare mail address, after the length and "mailto:" tests.
bool hasBareMailAddressShape(QStringView text)
{
    if (!isAsciiAlphaNum(text.at(0).unicode()))
        return false;
    const qsizetype at = indexOfFirst(text, 0, u":@/?");
    if (at <= 0 || text.at(at) != u'@')
        return false;
    if (!isAsciiAlphaNum(text.at(at - 1).unicode()))
        return false;
    for (qsizetype index = 0; index < at; ++index) {
        const char16_t unit = text.at(index).unicode();
        if (!isAsciiAlphaNum(unit) && unit != '-' && unit != '.' && unit != '_')
            return false;
    }
    if (at + 1 >= text.size() || !isAsciiAlphaNum(text.at(at + 1).unicode()))
        return false;
    const qsizetype dot = indexOfFirst(text, at + 1, u":@/?.");
    if (dot < 0 || text.at(dot) != u'.' || dot + 1 >= text.size() || !isAsciiLetter(text.at(dot + 1).unicode()))
        return false;
    // The label after the dot may hold at most four units before the end, a
    // "?" or another ".".
    const qsizetype limit = dot + 6;
    const qsizetype stop = indexOfFirst(text, dot + 1, u":@/?.,");
    if (stop < 0)
        return text.size() < limit;
    if (text.at(stop) == u'?' || text.at(stop) == u'.')
        return stop < limit;
    return false;
}

} // namespace

bool isDataURL(const URL& url) { return schemeIsOneOf(url, {QStringLiteral("data")}); }
bool isBlobURL(const URL& url) { return schemeIsOneOf(url, {QStringLiteral("blob")}); }
bool isAboutURL(const URL& url) { return schemeIsOneOf(url, {QStringLiteral("about")}); }
bool isHTTPURL(const URL& url) { return schemeIsOneOf(url, {QStringLiteral("http"), QStringLiteral("https")}); }
bool isFTPURL(const URL& url) { return schemeIsOneOf(url, {QStringLiteral("ftp"), QStringLiteral("ftps")}); }
bool isNewsURL(const URL& url) { return schemeIsOneOf(url, {QStringLiteral("news"), QStringLiteral("nntp")}); }
bool isFeedURL(const URL& url) { return schemeIsOneOf(url, {QStringLiteral("feed")}); }
bool isMailURL(const URL& url) { return schemeIsOneOf(url, {QStringLiteral("mailto")}); }
bool isJavaScriptURL(const URL& url) { return schemeIsOneOf(url, {QStringLiteral("javascript")}); }
bool isAppleScriptURL(const URL& url) { return schemeIsOneOf(url, {QStringLiteral("applescript")}); }
bool isSafariReaderURL(const URL& url) { return schemeIsOneOf(url, {QStringLiteral("safari-resource"), QStringLiteral("safari-reader"), QStringLiteral("reading-list")}); }
bool isDownloadableURL(const URL& url) { return schemeIsOneOf(url, {QStringLiteral("https"), QStringLiteral("ftps"), QStringLiteral("http"), QStringLiteral("ftp")}); }

// The web host of the maker of the reference manager that owns "bookends:".
const QLatin1String kBookendsHost("sonnysoftware.com");

bool isBookendsURL(const URL& url)
{
    return url.scheme() == QLatin1String("bookends") && url.host() == kBookendsHost;
}

bool isBookendsStringURL(const QString& text)
{
    return text.startsWith(QLatin1String("bookends://") + kBookendsHost);
}

bool isRemoteWebKitURL(const URL& url)
{
    if (!schemeIsOneOf(url, webKitSchemes()))
        return false;
    const QString host = url.host();
    return containsAlphaNumCharacter(host) && !host.contains(QLatin1String("..."));
}

bool isWebKitURL(const URL& url)
{
    return url.isFileURL() || isRemoteWebKitURL(url);
}

bool isLoadableURL(const URL& url)
{
    if (url.isFileURL()) {
        const QByteArray path = fileSystemRepresentation(url.path());
        struct stat status {};
        return !path.isEmpty() && ::stat(path.constData(), &status) == 0 && !S_ISDIR(status.st_mode);
    }
    return schemeIsOneOf(url, webKitSchemes());
}

bool isInternalWebKitURL(const URL& url)
{
    return isDataURL(url) || isAboutURL(url) || isJavaScriptURL(url) || schemeBeginsWithApple(url);
}

bool isUsableURL(const URL& url)
{
    return isWebKitURL(url) || isJavaScriptURL(url) || schemeBeginsWithApple(url) || isBlobURL(url);
}

bool isHTTPStringURL(const QString& text) { return hasOnePrefix(text, 7, {"http://", "https://"}); }
bool isFTPStringURL(const QString& text) { return hasOnePrefix(text, 6, {"ftp://", "ftps://"}); }
bool isNewsStringURL(const QString& text) { return hasOnePrefix(text, 7, {"news://", "nntp://"}); }
bool isFeedStringURL(const QString& text) { return hasOnePrefix(text, 0, {"feed:"}); }
bool isJavaScriptStringURL(const QString& text) { return hasOnePrefix(text, 0, {"javascript:"}); }
bool isAppleScriptStringURL(const QString& text) { return hasOnePrefix(text, 0, {"applescript:"}); }
bool isDataStringURL(const QString& text) { return text.startsWith(QLatin1String("data:")); }
bool isAboutStringURL(const QString& text) { return text.startsWith(QLatin1String("about:")); }

bool isSafariReaderStringURL(const QString& text)
{
    return hasOnePrefix(text, 13, {"safari-resource:", "safari-reader:", "reading-list:"});
}

bool isRemoteWebKitStringURL(const QString& text)
{
    return hasOnePrefix(text, kStringURLMinimum, {"http://", "https://", "feed://", "ftp://", "ftps://", "www.", "ftp."});
}

bool isWebKitStringURL(const QString& text)
{
    return isRemoteWebKitStringURL(text) || hasOnePrefix(text, kStringURLMinimum, {"file://"});
}

bool isLoadableStringURL(const QString& text)
{
    return isWebKitStringURL(text);
}

bool isDownloadableStringURL(const QString& text)
{
    return hasOnePrefix(text, kStringURLMinimum, {"http://", "https://", "ftp://", "ftps://", "www.", "ftp."});
}

bool isFileStringURL(const QString& text)
{
    return isAbsolutePath(text) || hasOnePrefix(text, 0, {"file://"});
}

bool isMailStringURL(const QString& text)
{
    if (text.size() < 5)
        return false;
    if (hasPrefixNoCase(text, QStringLiteral("mailto:")))
        return text.size() > 11;
    return hasBareMailAddressShape(text);
}

QString possibleInternetLocation(const QString& text, bool removeFeedsAndTabs)
{
    if (text.isNull())
        return QString();
    QString location = text;
    trimWhiteSpaces(location);
    if (removeFeedsAndTabs) {
        removeFeeds(location);
        removeTabs(location);
    }
    if (location.size() < 4 || location.size() > 1023 || containsWhiteCharacter(location))
        return QString();
    if (location.contains(QLatin1String("://")) || hasPrefixNoCase(location, QStringLiteral("mailto:")))
        return location;
    const bool hostLike = hasPrefixNoCase(location, QStringLiteral("www")) ||
                          hasPrefixNoCase(location, QStringLiteral("ftp")) || location.count(QLatin1Char('@')) == 1;
    return hostLike && location.contains(QLatin1Char('.')) ? location : QString();
}

} // namespace sorvant
