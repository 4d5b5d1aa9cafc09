#include "web/url/link_detection.h"

#include "foundation/character_classes.h"
#include "foundation/chars_table.h"
#include "foundation/removing_characters.h"
#include "foundation/string_units.h"
#include "foundation/substring_finding.h"
#include "platform/path_semantics.h"
#include "web/url/link_lists.h"
#include "web/url/percent_escapes.h"
#include "web/url/url_paths.h"
#include "web/url/url_predicates.h"
#include "web/url/url_resolution.h"

namespace sorvant {

namespace {

using namespace linklists;

constexpr Qt::CaseSensitivity kCI = Qt::CaseInsensitive;
constexpr Qt::CaseSensitivity kCS = Qt::CaseSensitive;

bool matchesList(const QString& text, const char* const* list)
{
    return containsAnyCString(unitsOf(text), text.size(), list, getLowerCharsTable());
}

bool containsExactly(const QString& text, const char* const* list)
{
    return containsAnyCString(unitsOf(text), text.size(), list, nullptr);
}

bool has(const QString& text, const char* part, Qt::CaseSensitivity cs = kCS)
{
    return text.contains(QLatin1String(part), cs);
}

// "adserver" or "ads." where the letter before is not E, O or P ("loadserver",
// "downloads.", "uploads." are not ads).
bool hasAdWord(const QString& text, const char* word)
{
    const qsizetype index = text.indexOf(QLatin1String(word));
    if (index < 0)
        return false;
    if (index == 0)
        return true;
    return !QStringView(u"EOPeop").contains(text.at(index - 1));
}

bool pathIsRootOrEmpty(const URL& url)
{
    const QString path = url.pathAsWritten();
    return path.isEmpty() || path == QLatin1String("/");
}

// --- the search-engine test -------------------------------------------------------------------

// The web portal of step 5: its services that are search pages only at
// their root, and its hosts with content pages under given paths.
bool isPortalSearchPage(const QString& host, const URL& url, const QString& absolute)
{
    if (host.startsWith(QLatin1String("reuters.yahoo."), kCI))
        return false;
    if (!host.endsWith(QLatin1String("yahoo.com"), kCI))
        return true;
    for (const char* service : {"uk.news.yahoo.com", "finance.yahoo.com", "podcasts.yahoo.com", "widgets.yahoo.com",
                                "local.yahoo.com", "travel.yahoo.com", "shopping.yahoo.com"}) {
        if (host.compare(QLatin1String(service), kCI) == 0)
            return pathIsRootOrEmpty(url);
    }
    if (host.compare(QLatin1String("news.yahoo.com"), kCI) == 0)
        return !has(absolute, "news?tmpl=story") && !has(absolute, "news.yahoo.com/s/");
    if (host.compare(QLatin1String("docs.yahoo.com"), kCI) == 0)
        return !has(absolute, "docs.yahoo.com/docs/");
    if (host.compare(QLatin1String("tech.yahoo.com"), kCI) == 0)
        return !has(absolute, "tech.yahoo.com/hw/");
    if (host.compare(QLatin1String("biz.yahoo.com"), kCI) == 0) {
        for (const char* path : {"/bw/", "/iw/", "/fool/", "/prnews/", "/ap/", "/rb/", "/fastco/"}) {
            if (absolute.contains(QLatin1String("biz.yahoo.com") + QLatin1String(path)))
                return false;
        }
        return true;
    }
    if (host.compare(QLatin1String("rds.yahoo.com"), kCI) == 0)
        return !has(absolute, "rds.yahoo.com/finance/external/") && !has(absolute, "rds.yahoo.com/finance/news/rss/story/");
    return true;
}

bool isSearchCompanyPage(const QString& host, const QString& absolute)
{
    for (const char* content : {"code.google.", "sketchup.google.", "earth.google.", "desktop.google."}) {
        if (host.startsWith(QLatin1String(content), kCI))
            return false;
    }
    if (host.startsWith(QLatin1String("picasaweb.google."), kCI))
        return has(absolute, "/lh/view?");
    if (host.startsWith(QLatin1String("groups.google."), kCI))
        return !has(absolute, "groups.google.com/group/");
    if (host.startsWith(QLatin1String("video.google."), kCI))
        return !has(absolute, "video.google.com/videoplay?");
    return true;
}

// --- result links ---------------------------------------------------------------------------------

struct Outcome {
    enum Kind { Nil, Final, Direct } kind = Nil;
    QString target;
    URL url;
};

Outcome nil() { return {}; }
Outcome finalStep(const QString& target) { return {Outcome::Final, target, URL()}; }
Outcome direct(const URL& url) { return {url ? Outcome::Direct : Outcome::Nil, QString(), url}; }

// The text from the "http" that ends `marker`, up to the next `end` (all of
// it for a null end); null when the marker is absent.
QString targetAfter(const QString& link, const char* marker, const char* end = nullptr, bool fromHttp = true)
{
    const QLatin1String m(marker);
    const qsizetype index = link.indexOf(m);
    if (index < 0)
        return QString();
    const qsizetype start = index + m.size() - (fromHttp ? 4 : 0);
    if (!end)
        return link.mid(start);
    const qsizetype stop = link.indexOf(QLatin1String(end), start);
    return stop < 0 ? link.mid(start) : link.mid(start, stop - start);
}

// Rule 1: the software maker's engine.
Outcome makerEngine(const QString& link)
{
    for (const char* own : {"live.com/", "msn.com", "microsoft.com", "msnbc.com", "hotmail.com", "passport.net"}) {
        if (has(link, own, kCI))
            return nil();
    }
    if (has(link, "&furl=http")) {
        const QString target = targetAfter(link, "&furl=http", "&");
        if (target.isEmpty())
            return nil();
        const URL url = URL::URLWithString(target);
        return isRemoteWebKitURL(url) ? direct(url) : nil();
    }
    return finalStep(link);
}

// Rule 2: the answers engine and three older engines.
Outcome answersEngine(const QString& link)
{
    if (link.startsWith(QLatin1String("http://redirect.ask.com/redirect?"))) {
        if (!has(link, "bu=http"))
            return nil();
        return finalStep(targetAfter(link, "bu=http", "&qte="));
    }
    if (link.startsWith(QLatin1String("http://tm.ask.com/r?")) || link.startsWith(QLatin1String("http://tracking.ask.com/r?"))) {
        if (!has(link, "u=http"))
            return nil();
        return finalStep(targetAfter(link, "u=http"));
    }
    if (has(link, "ask.com", kCI) || has(link, "pricegrabber.com", kCI) || has(link, "citysearch.com", kCI))
        return nil();
    return finalStep(link);
}

// Rule 3: the meta-search engine.
Outcome metaSearchEngine(const QString& link)
{
    if (has(link, "redirpaid.htm?", kCI))
        return nil();
    for (const char* shop : {"shopping.com", "yellowpages.com", "bizrate.com"}) {
        if (has(link, shop, kCI))
            return nil();
    }
    if (has(link, "redirfree.htm?", kCI)) {
        const qsizetype start = link.lastIndexOf(QLatin1String("http://"));
        if (start < 0)
            return nil();
        for (const char* end : {"&time=", "&pg="}) {
            const qsizetype stop = link.indexOf(QLatin1String(end), start);
            if (stop >= 0)
                return finalStep(link.mid(start, stop - start));
        }
        return nil();
    }
    QString target = link;
    if (has(link, "&rawto=http"))
        target = targetAfter(link, "&rawto=http");
    else if (has(link, "ClickHandler.ashx?ru="))
        target = percentDecoded(targetAfter(link, "ClickHandler.ashx?ru=", "&", false));
    else if (has(link, "ClickHandler.ashx?du="))
        target = percentDecoded(targetAfter(link, "ClickHandler.ashx?du=", "&", false));
    return finalStep(target);
}

// Rule 4: the privacy engine.
Outcome privacyEngine(const QString& link)
{
    if (has(link, "uddg=http"))
        return finalStep(percentDecoded(targetAfter(link, "uddg=http", "&")));
    return finalStep(link);
}

// Rule 5: the portal and two older engines.
Outcome portalEngine(const QString& link)
{
    if (has(link, "g.msn.com", kCI))
        return nil();
    QString target;
    if (has(link, "rd.altavista.com") && has(link, "/http/")) {
        target = QStringLiteral("http://") + targetAfter(link, "/http/", nullptr, false);
    } else if (has(link, "&rurl=http")) {
        target = targetAfter(link, "&rurl=http", "&");
    } else if (has(link, "%26rurl=http")) {
        target = percentDecoded(targetAfter(link, "%26rurl=http", "%26"));
    } else if (has(link, "?u=http")) {
        target = targetAfter(link, "?u=http", "&");
    } else {
        qsizetype first = -1;
        const char* found = nullptr;
        for (const char* marker : {"&r=http", "/*-http", "/**http"}) {
            const qsizetype index = link.indexOf(QLatin1String(marker));
            if (index >= 0 && (first < 0 || index < first)) {
                first = index;
                found = marker;
            }
        }
        if (found) {
            target = targetAfter(link, found);
            if (target.size() >= 9 && target.at(8) != QLatin1Char('/') &&
                target.startsWith(QLatin1String("http%3a/"), kCI))
                target = QStringLiteral("http://") + target.mid(8);
        } else if (has(link, "/RU=http")) {
            target = percentDecoded(targetAfter(link, "/RU=http", "/"));
        } else {
            return nil();
        }
    }
    target.replace(QLatin1String("%3a"), QLatin1String(":"), kCI);
    target.replace(QLatin1String("%23"), QLatin1String("#"));
    return finalStep(target);
}

// Rule 6: the light search engine.
Outcome lightEngine(const QString& link)
{
    if (!has(link, "/redirect/"))
        return nil();
    for (const char* marker : {"/http%3A%2F", "/https%3A%2F"}) {
        const qsizetype index = link.indexOf(QLatin1String(marker));
        if (index >= 0)
            return finalStep(link.mid(index + 1));
    }
    return finalStep(link);
}

// Rule 7: the largest engine's regional domains.
Outcome largestEngine(const QString& link, const QString& host, bool accept)
{
    const char* blogHome = "blogger.com/";
    if (accept && has(link, "google.com/blogsearch?"))
        return nil();
    QString target = link;
    bool found = true;
    if (has(link, "google.com/url?url="))
        target = targetAfter(link, "google.com/url?url=", nullptr, false);
    else if (has(link, "google.de/url?url="))
        target = targetAfter(link, "google.de/url?url=", nullptr, false);
    else if (link.startsWith(QLatin1String("/url?q=")))
        target = targetAfter(link, "/url?q=", "&sa=", false);
    else if (has(link, "google.com/url?q="))
        target = targetAfter(link, "google.com/url?q=", "&sa=", false);
    else if (has(link, "google.de/url?q="))
        target = targetAfter(link, "google.de/url?q=", "&sa=", false);
    else
        found = false;
    if (!found) {
        if (host.contains(QLatin1String("scholar.google."), kCI) && has(link, "url?q=http")) {
            target = targetAfter(link, "url?q=http");
        } else if (has(link, "/imgres?imgurl=") && has(link, "imgrefurl=")) {
            const QString page = targetAfter(link, "imgrefurl=", "&", false);
            if (page.isEmpty())
                return nil();
            const URL url = URL::URLWithString(page);
            return isRemoteWebKitURL(url) ? direct(url) : nil();
        } else if (has(link, "url?sa=") && has(link, "q=http")) {
            target = targetAfter(link, "q=http", "&");
            if (target.isEmpty())
                return nil();
        } else if (has(link, "/codesearch")) {
            if (!has(link, "ct=rc") || !has(link, "cs_p="))
                return nil();
            const URL url = URL::URLWithString(link);
            return isRemoteWebKitURL(url) ? direct(url) : nil();
        } else if (accept && (has(link, "video.google.com") || link.endsWith(QLatin1String(blogHome)))) {
            return nil();
        }
    }
    if (accept && target.endsWith(QLatin1String(blogHome)))
        return nil();
    return finalStep(target);
}

// Rules 8 and 9: a medical literature search and a legal search engine.
Outcome literatureSearch(const QString& link, const char* marker, const char* cut)
{
    if (!has(link, marker))
        return finalStep(link);
    if (!has(link, "&url=http"))
        return nil();
    return finalStep(cut ? targetAfter(link, "&url=http", cut) : targetAfter(link, "&url=http"));
}

Outcome applyEngineRules(const QString& link, const QString& host, bool accept)
{
    if (host.contains(QLatin1String(".live.com")))
        return makerEngine(link);
    for (const char* engine : {"ask.com", "teoma.com", "excite.com", "lycos.com"}) {
        if (host.contains(QLatin1String(engine)))
            return answersEngine(link);
    }
    if (host.contains(QLatin1String("info.com")))
        return metaSearchEngine(link);
    if (host.contains(QLatin1String("duckduckgo.com")))
        return privacyEngine(link);
    for (const char* portal : {"yahoo.com", "altavista.com", "alltheweb.com"}) {
        if (host.contains(QLatin1String(portal)))
            return portalEngine(link);
    }
    if (host.contains(QLatin1String("search.aol.com")))
        return lightEngine(link);
    for (const char* regional : {"google.com", "google.co.uk", "google.de"}) {
        if (host.contains(QLatin1String(regional)))
            return largestEngine(link, host, accept);
    }
    if (host.endsWith(QLatin1String("ncbi.nlm.nih.gov")))
        return literatureSearch(link, "/cgi-bin/query-meta?", "&rid=");
    if (host.endsWith(QLatin1String("lexisone.com")))
        return literatureSearch(link, "Refer.aspx?Type=WebResult", nullptr);
    return finalStep(link);
}

} // namespace

// --- list tests ---------------------------------------------------------------------------------------

bool stringURLIsImageAd(const QString& text)
{
    return text.size() >= 12 && matchesList(text, kImageAds);
}

bool stringURLIsAdSense(const QString& text)
{
    return text.size() >= 12 && (matchesList(text, kAdNetworkLinks) || matchesList(text, kImageAds));
}

bool stringURLIsAdvertisement(const QString& text)
{
    return stringURLIsAdvertisementIncludingCommonHosts(text, true);
}

bool stringURLIsAdvertisementIncludingCommonHosts(const QString& text, bool includingCommonHosts)
{
    const qsizetype n = text.size();
    if (n < 4)
        return false;
    if (stringURLIsAdSense(text) || stringURLIsImageAd(text))
        return true;
    if (n >= 5 && matchesList(text, kAdHostsAndPaths))
        return true;
    if (!containsExactly(text, kAdPathExemptions) && matchesList(text, kAdPaths))
        return true;
    if (hasAdWord(text, "adserver") || hasAdWord(text, "ads."))
        return true;
    if (includingCommonHosts && n >= 9 && matchesList(text, kCommonAdHosts))
        return true;
    const QString last = lastPathComponent(text);
    if (last.size() >= 8) {
        if (last.size() >= 11 && last.contains(QLatin1String("counter")) && last.contains(QLatin1String("htm"), kCI))
            return true;
        if (last.startsWith(QLatin1String("banner."), kCI))
            return true;
    }
    return false;
}

bool stringURLIsBookmarklet(const QString& text)
{
    if (text.size() < 16)
        return false;
    if (text.contains(QLatin1Char('?')) && matchesList(text, kShareAndSubscribe))
        return true;
    return text.size() >= 18 && matchesList(text, kSharePages);
}

bool stringURLIsRecaptcha(const QString& text) { return text.size() >= 27 && matchesList(text, kCaptcha); }
bool stringURLIsTranslation(const QString& text) { return text.size() >= 22 && matchesList(text, kTranslation); }

bool stringURLIsTopicOrThread(const QString& text)
{
    if (text.size() >= 13 && matchesList(text, kTopicOrThreadScripts))
        return true;
    if (countNumbers(text) < 2)
        return false;
    return stringByRemovingDigits(text).endsWith(QLatin1String("-t-.html"), kCI);
}

bool stringURLIsForum(const QString& text) { return text.size() >= 4 && matchesList(text, kForumWords); }
bool stringURLIsCached(const QString& text) { return text.size() >= 12 && matchesList(text, kCachedPages); }

// --- hosts and policies --------------------------------------------------------------------------------

bool isHostEqualTo(const URL& url, const URL& other)
{
    if (other.isNull())
        return false;
    if (url.isFileURL())
        return other.isFileURL();
    if (other.isFileURL())
        return false;
    const QString a = url.host();
    const QString b = other.host();
    return !a.isNull() && !b.isNull() && a.compare(b, kCI) == 0;
}

bool shouldFollowLink(unsigned policy, unsigned level)
{
    if (policy == 0)
        return false;
    if (policy <= 4)
        return true;
    return policy - 4 >= level;
}

bool shouldFollowLink(const URL& url, unsigned policy, unsigned level, const URL& base)
{
    switch (policy) {
    case 0: return false;
    case 1: return isHostEqualTo(url, base);
    case 2:
    case 3: {
        if (!isHostEqualTo(url, base))
            return false;
        const QString folder = standardizedBaseDirectory(url);
        const QString baseFolder = standardizedBaseDirectory(base);
        if (folder.isEmpty() || baseFolder.isEmpty())
            return false;
        return policy == 2 ? folder == baseFolder : folder.startsWith(baseFolder);
    }
    case 4: return true;
    default: return policy - 4 >= level;
    }
}

bool isSearchEngine(const URL& url)
{
    const QString host = url.host();
    if (host.isEmpty())
        return false;
    const QString absolute = url.absoluteString();
    if (host.size() >= 16 && host.endsWith(QLatin1String(".blogspot.co.uk"), kCI))
        return false;
    if (host.compare(QLatin1String("bing.com"), kCI) == 0 || host.compare(QLatin1String("ask.com"), kCI) == 0)
        return true;
    if (host.size() >= 6 && matchesList(host, kSearchEngineHosts))
        return true;
    if (host.contains(QLatin1String("yahoo."), kCI))
        return isPortalSearchPage(host, url, absolute);
    if (host.compare(QLatin1String("technorati.com"), kCI) == 0)
        return pathIsRootOrEmpty(url);
    if (host.contains(QLatin1String("google."), kCI))
        return isSearchCompanyPage(host, absolute);
    if (host.contains(QLatin1String("webstandards.org"), kCI))
        return absolute.contains(QLatin1String("webstandards.org/index.php?"), kCI);
    if (host.contains(QLatin1String(".amazon."), kCI))
        return url.pathAsWritten().startsWith(QLatin1String("/s/"), kCI);
    return false;
}

// --- result links -----------------------------------------------------------------------------------------

URL resolveStringURL(const QString& link, const URL& base)
{
    return _resolveStringURL(link, base, false);
}

URL acceptStringURL(const QString& link, const URL& base)
{
    return _resolveStringURL(link, base, true);
}

URL _resolveStringURL(const QString& link, const URL& base, bool accept)
{
    if (link.isEmpty())
        return URL();
    if (accept && (stringURLIsCached(link) || stringURLIsTranslation(link) || stringURLIsRecaptcha(link)))
        return URL();
    const QString host = base.host();
    const Outcome outcome = host.isEmpty() ? finalStep(link) : applyEngineRules(link, host, accept);
    if (outcome.kind == Outcome::Nil)
        return URL();
    if (outcome.kind == Outcome::Direct)
        return outcome.url;

    QString target = outcome.target;
    QString decoded = stringByDecodingPercentEscapes(target);
    if (decoded.isEmpty())
        return URL();
    if (!accept) {
        const URL url = URLRelativeTo(base, decoded);
        return url ? url : URLRelativeTo(base, target);
    }
    if (decoded.startsWith(QLatin1Char('.')) || decoded.startsWith(QLatin1Char('/')) ||
        !decoded.contains(QLatin1String("://")))
        return URL();
    URL url = URL::URLWithString(decoded);
    if (url.isNull()) {
        url = URL::URLWithString(target);
        decoded = target;
    }
    if (url.isNull() || !isRemoteWebKitURL(url) || isSearchEngine(url) || stringURLIsCached(decoded))
        return URL();
    return url;
}

} // namespace sorvant
