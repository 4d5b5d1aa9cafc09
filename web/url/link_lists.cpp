// Sources: the fixed fragments (ad paths, translation and cache paths, forum
// scripts and words) are the toolkit's own; the host names are the public
// hosts of the services named in each comment, as they appear in links
// found on web pages. Entries are lower case ASCII.
#include "web/url/link_lists.h"

namespace sorvant::linklists {

// Web search and meta-search engines (their hosts and host fragments).
// The two large portals and the largest engine are decided by rules of
// their own (isSearchEngine) and are deliberately absent here.
const char* const kSearchEngineHosts[] = {
    "bing.com", "search.msn.", "search.live.com", "ask.com", "teoma.com", "baidu.com", "yandex.", "duckduckgo.com",
    "search.aol.", "altavista.", "alltheweb.com", "lycos.", "excite.", "dogpile.com", "metacrawler.com",
    "webcrawler.com", "hotbot.com", "gigablast.com", "mamma.com", "ixquick.com", "startpage.com", "info.com",
    "ecosia.org", "qwant.com", "search.naver.com", "search.seznam.cz", "sogou.com", "mojeek.com", "exalead.com",
    "wolframalpha.com", "search.com", "looksmart.com", "wisenut.com", "vivisimo.com", "clusty.com", "kartoo.com",
    "search.netscape.com", "search.earthlink.net", "search.comcast.net", "goo.ne.jp", "search.daum.net",
    "blekko.com", "cuil.com", "yippy.com", "search.ch", "fireball.de", "suche.web.de", "suche.t-online.de",
    "search.lycos.", "searx.", "swisscows.", "metager.de", "search.brave.com", "search.disconnect.me",
    "search.babylon.com", "search.conduit.com", "search.ask.", "search.incredimail.com", "search.sweetim.com",
    "search.mywebsearch.com", "search.avg.com", "isearch.", "search.iminent.com", "search.snap.do", "entireweb.com",
    "search.bt.com", "search.orange.", "search.virgilio.it", "search.yam.com", "search.rambler.ru", "presearch.com",
    nullptr};

// Text-ad and sponsored-result networks.
const char* const kAdNetworkLinks[] = {
    "googleadservices.com", "googlesyndication.com", "doubleclick.net", "/aclk?", "/pagead/", "overture.com",
    "ysm.yahoo.com", "adcenter.microsoft.com", "bingads.microsoft.com", "adwords.google.", "adbrite.com",
    "chitika.net", "infolinks.com", "kontera.com", "vibrantmedia.com", "intellitxt.com", "adsonar.com",
    "searchfeed.com", "miva.com", "enhance.com", "looksmart.com/r?", "marchex.com", "7search.com", "adengage.com",
    "bidvertiser.com", "clicksor.com", "adversal.com", "yieldmanager.com", "/sponsoredlinks", "/sponsored_links",
    "sponsoredlistings", "admarketplace.net", "adsdk.", "/adsense", "ads.yahoo.com", "media.net/", nullptr};

// Servers and paths of ad images.
const char* const kImageAds[] = {
    "/adimages/", "/ad_images/", "/adimg/", "/bannerads/", "/banners/ad", "ads.pointroll.com", "imageads.",
    "/iserver/", "adimg.", "/image_ads/", "/adgraphics/", "atdmt.com/b/", "servedby.advertising.com", nullptr};

// Ad servers, ad frames, banner and sponsor paths (several languages).
const char* const kAdHostsAndPaths[] = {
    "/adserver", "/adframe", "/adiframe", "/banner.", "/banners/", "/sponsor", "/werbung/", "/werbebanner",
    "/publicite/", "/publicidad/", "/pubblicita", "/reklame/", "/reklama/", "/anzeige", "/annonce/", "/advertentie",
    "adtech.de", "advertising.com", "atdmt.com", "adnxs.com", "rubiconproject.com", "openx.net", "/openx/",
    "zedo.com", "fastclick.net", "tribalfusion.com", "valueclick.com", "casalemedia.com", "criteo.com",
    "outbrain.com", "taboola.com", "adform.net", "smartadserver.com", "adition.com", "adzerk.net", "/adjs.php",
    "/adlog.php", "/ads.php", "/www/delivery/", "/phpads/", "/phpadsnew/", "adbutler.com", "buysellads.com",
    "carbonads.net", "mgid.com", "revcontent.com", "popads.net", "propellerads.com", "exoclick.com", "adcash.com",
    "/clicktrack", "/click.php?ad", "linksynergy.com", "anrdoezrs.net", "dpbolvw.net", "jdoqocy.com", "kqzyfj.com",
    "tkqlhce.com", "awin1.com", "zanox.com", "tradedoubler.com", "shareasale.com", "clickbank.net", "/pub/ads",
    "/ad-banner", "/adbanner", "/bannerad", "/adspace", "/sponsoren", "/adlink", "/adredir", "/adjump", "/ad.php",
    "/adcycle", "/adpeeps", nullptr};

// Path fragments of ad pages.
const char* const kAdPaths[] = {"/ad/", "/ad_", "/ads", "/adv/", "/adv.php", "/adverts/", "/adclick.", "/adview.",
                                "/ad_detail.", "/adref/", "/ad_refresh.", "_adbox.html", "/iframead/display.aspx",
                                nullptr};

// Links the ad-path list would misread: a short-link host, an advertising
// showcase, the astronomy abstract service and its mirror, and a software
// maker's product path.
const char* const kAdPathExemptions[] = {"adf.ly", "adsoftheworld.com", "adsabs.harvard.edu", "ads.nao.ac.jp",
                                         "/adsk/", nullptr};

// Sites whose links are mostly advertising.
const char* const kCommonAdHosts[] = {"ebay.", "amazon.", "bizrate.com", "shopping.com", "pricegrabber.com",
                                      "dealtime.com", "overstock.com", "shopzilla.com", "nextag.com",
                                      "travelocity.com", "expedia.com", "match.com", nullptr};

// Bookmarking, social sharing and feed-subscription endpoints (with a query).
const char* const kShareAndSubscribe[] = {
    "del.icio.us/post", "delicious.com/save", "digg.com/submit", "facebook.com/sharer", "facebook.com/share.php",
    "twitter.com/share", "twitter.com/intent/", "twitter.com/home?status", "reddit.com/submit",
    "stumbleupon.com/submit", "linkedin.com/sharearticle", "linkedin.com/sharing/", "add.my.yahoo.com/",
    "fusion.google.com/add", "feedly.com/i/subscription", "bloglines.com/sub", "netvibes.com/subscribe.php",
    "pinterest.com/pin/create", "tumblr.com/share", "tumblr.com/widgets/share", "plus.google.com/share",
    "addthis.com/bookmark.php", "sharethis.com/share", "technorati.com/faves", "newsvine.com/_tools/seed",
    "mixx.com/submit", "furl.net/storeit.jsp", "myweb2.search.yahoo.com/myresults/bookmarklet",
    "blinklist.com/index.php", "ma.gnolia.com/bookmarklet", "simpy.com/simpy/linkadd.do", "spurl.net/spurl.php",
    "wists.com/r.php", "connotea.org/addpopup", "citeulike.org/posturl", "google.com/bookmarks/mark",
    "buzz.yahoo.com/buzz", "friendfeed.com/share", "bookmarks.yahoo.com/toolbar/savebm", "diigo.com/post",
    "instapaper.com/hello", "getpocket.com/save", "getpocket.com/edit", "xing.com/social_plugins/share",
    "vk.com/share.php", "ok.ru/dk?st.cmd=addshare", "weibo.com/share", "api.whatsapp.com/send",
    "telegram.me/share", "t.me/share", "mail.google.com/mail/?view=cm", "addtoany.com/add_to",
    "feedburner.google.com/fb/a/mailverify", "newsgator.com/ngs/subscriber/subext", "rojo.com/add-subscription",
    "pageflakes.com/subscribe", "live.com/?add=", "google.com/reader/preview", "google.com/ig/add",
    "protopage.com/add-button-site", "subscribe.php?url", nullptr};

// Sharing and subscription pages without a query.
const char* const kSharePages[] = {"addthis.com/bookmark.php", "sharethis.com/", "feeds.feedburner.com/~s/",
                                   "addtoany.com/share_save", "feedburner.google.com/fb/a/mailverify", nullptr};

// The no-script and fallback pages of a captcha service.
const char* const kCaptcha[] = {"google.com/recaptcha/api/noscript", "recaptcha.net/noscript",
                                "google.com/recaptcha/api/fallback", nullptr};

// Proxy pages of translation services.
const char* const kTranslation[] = {"/language/translation/translatedpage",
                                    "/wp-content/plugins/global-translator/translator.php?",
                                    "language/translatedpage",
                                    "/language/interstitial",
                                    "/translate_c?",
                                    "/translate?hl=",
                                    "translate.googleusercontent.com",
                                    "translate.google.",
                                    "babelfish.yahoo.com",
                                    "microsofttranslator.com",
                                    "translator.live.com",
                                    nullptr};

// Forum software scripts that show one topic, thread or post.
const char* const kTopicOrThreadScripts[] = {"viewtopic.php", "viewthread.php", "showtopic.php", "showpost.php",
                                             "showthread.php", nullptr};

const char* const kForumWords[] = {"comment", "forum", "board", "phpbb", "yabb", nullptr};

// Cached copies kept by search engines.
const char* const kCachedPages[] = {"/cache?q=",
                                    "search/cache?",
                                    "/search/cache%3f",
                                    "/mac?q=cache:",
                                    "/linux?q=cache:",
                                    "/scholar?q=cache:",
                                    "/bsd?q=cache:",
                                    "/windows?q=cache:",
                                    "/custom?q=cache:",
                                    "/unclesam?q=cache:",
                                    "search?q=cache:",
                                    "&cached=http://",
                                    "/search/srpcache?",
                                    "webcache.googleusercontent.com",
                                    "cc.bingj.com",
                                    "cache.yahoofs.com",
                                    "cache.baidu.com",
                                    "cachedview.com",
                                    nullptr};

const char* const kDiscussionGroupsMarker = "//groups.google.com/";
const char* const kPatentPagesMarker = "google.com/patents/";

} // namespace sorvant::linklists
