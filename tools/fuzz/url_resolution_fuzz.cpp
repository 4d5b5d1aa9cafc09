// libFuzzer entry point for the URL toolkit: random bytes become a link and
// a base page, which are parsed, resolved, cleaned, classified and taken
// apart. Beside the sanitizers it checks what must always hold: a URL
// resolved against itself is a fixed point (a second resolution changes
// nothing), a narrow decoding never lengthens text, and query-parameter
// counts agree with the parsed parameters.

#include "web/url/host_components.h"
#include "web/url/link_detection.h"
#include "web/url/percent_escapes.h"
#include "web/url/query_parameters.h"
#include "web/url/string_urls.h"
#include "web/url/url_cleaning.h"
#include "web/url/url_making.h"
#include "web/url/url_paths.h"
#include "web/url/url_predicates.h"
#include "web/url/url_resolution.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace sorvant;

void require(bool condition, const char* what, const QString& input)
{
    if (!condition) {
        std::fprintf(stderr, "url_resolution_fuzz: %s: %s\n", what, input.toUtf8().constData());
        std::abort();
    }
}

void exercise(const URL& url)
{
    (void)displayString(url);
    (void)proposedFilename(url);
    (void)absoluteStringWithHostAndPath(url);
    (void)absoluteStringWithoutUserAndPassword(url);
    (void)WebKitURL(url);
    (void)URLWithoutCredentials(url);
    (void)URLWithoutAnchor(url);
    (void)invertedHostComponents(url, 2);
    (void)standardizedBaseDirectory(url);
    (void)isSearchEngine(url);
    (void)simplifiedStringURL(url);
    (void)queryParams(url);
}

// Resolution of a web URL's own string against it, then once more: the
// second step must change nothing. Only for web URLs with a real host: a
// reference without scheme resolves as a relative path and moves on,
// "mailto://" and "http://http://" text is repaired by design (each round
// takes one repair), and "https:///." has no host for the slash and dot
// rules to stop at.
void requireStableSelfResolution(const URL& url, const QString& input)
{
    if (!isRemoteWebKitURL(url) || url.absoluteString().startsWith(QLatin1String("http://http:"), Qt::CaseInsensitive))
        return;
    const URL once = URLRelativeTo(url, url.absoluteString());
    if (once.isNull())
        return;
    const URL twice = URLRelativeTo(once, once.absoluteString());
    require(!twice.isNull(), "a resolved URL no longer resolves against itself", input);
    require(twice.absoluteString() == once.absoluteString(), "self-resolution is not stable", input);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1024 * 1024)
        return 0;
    const QString input = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype split = input.indexOf(QLatin1Char('\n'));
    const QString link = split < 0 ? input : input.left(split);
    const QString baseText = split < 0 ? QStringLiteral("http://example.org/a/b.html?x=1") : input.mid(split + 1);

    const URL base = URLWithNormalizedStringURL(baseText);
    const URL parsed = URL::URLWithString(link);
    const URL typed = URLWithStringOrPath(link);
    exercise(parsed);
    exercise(typed);
    exercise(base);
    requireStableSelfResolution(parsed, link);
    requireStableSelfResolution(base, baseText);

    const URL resolved = URLRelativeTo(base, link);
    exercise(resolved);
    requireStableSelfResolution(resolved, input);
    (void)resolveStringURL(link, base);
    (void)acceptStringURL(link, base);

    const QString decoded = stringByDecodingPercentEscapes(link);
    require(decoded.size() <= link.size(), "decoding lengthened the text", input);
    (void)simplifiedStringURL(link);
    (void)stringURLByRemovingEmptyParams(link);
    (void)standardizedStringURL(link);
    (void)stringURLPathExtension(link);
    (void)displayStringURL(link);
    (void)stringByFormattingURL(link);
    (void)stringURLIsAdvertisement(link);
    (void)isMailStringURL(link);
    (void)invertedHost(link);
    require(numberOfQueryParams(link) >= queryParams(link).size(), "more parsed parameters than counted", input);
    return 0;
}
