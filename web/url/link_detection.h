#pragma once
// Which links a program that follows links in web pages should skip
// (advertising, share buttons, captchas, translation frames, cached copies,
// search engines' own pages), the link-following policy by level, and the
// resolution of a search engine's result link to its target.
//
// The list tests match the lower-cased link against the fragments of
// link_lists.h; each has a least length below which it answers false.

#include "platform/url.h"

#include <QString>

namespace sorvant {

// --- list tests on link text ----------------------------------------------------------------

[[nodiscard]] bool stringURLIsImageAd(const QString& text);   // 12 or more units
[[nodiscard]] bool stringURLIsAdSense(const QString& text);   // ad networks or ad images
// Ad networks, ad images, ad hosts and paths, ad paths (unless an exempt
// host or path is present), "adserver" and "ads." not after "e", "o" or "p"
// (any case), common ad hosts when `includingCommonHosts`, and counter or
// banner pages.
//   "http://x.org/adserver/a" => true   "http://x.org/loadserver" => false
//   "http://x.org/ads.js" => true        "http://x.org/downloads.html" => false
[[nodiscard]] bool stringURLIsAdvertisement(const QString& text);
[[nodiscard]] bool stringURLIsAdvertisementIncludingCommonHosts(const QString& text, bool includingCommonHosts);
[[nodiscard]] bool stringURLIsBookmarklet(const QString& text);
[[nodiscard]] bool stringURLIsRecaptcha(const QString& text);
[[nodiscard]] bool stringURLIsTranslation(const QString& text);
// A forum script that shows one topic, or a "-t<digits>.html" page.
//   "http://f.org/viewtopic.php?t=1" => true   "http://f.org/a-t12-3.html" => true
[[nodiscard]] bool stringURLIsTopicOrThread(const QString& text);
[[nodiscard]] bool stringURLIsForum(const QString& text);
[[nodiscard]] bool stringURLIsCached(const QString& text);

// --- hosts and policies ----------------------------------------------------------------------

// Two file URLs, or two hosts equal ignoring case.
[[nodiscard]] bool isHostEqualTo(const URL& url, const URL& other);

// The link-following policy: 0 never; 1 same host; 2 same host and folder;
// 3 same host and folder or below; 4 always; 5 and more: up to the depth
// policy - 4.
//   (6, 2) => true   (6, 3) => false   (3, 99) => true   (0, 0) => false
[[nodiscard]] bool shouldFollowLink(unsigned policy, unsigned level);
[[nodiscard]] bool shouldFollowLink(const URL& url, unsigned policy, unsigned level, const URL& base);

// Whether the URL is a page of a web search engine (not the engines'
// documentation, code, news stories and similar content pages).
[[nodiscard]] bool isSearchEngine(const URL& url);

// --- result links ------------------------------------------------------------------------------

// The link resolved against the page (base), seeing through the redirect
// links search engines put in front of their results.
[[nodiscard]] URL resolveStringURL(const QString& link, const URL& base);
// The link's target when it is worth following: absolute, remote, not a
// search engine, not a cached copy, translation or captcha; else null.
[[nodiscard]] URL acceptStringURL(const QString& link, const URL& base);
[[nodiscard]] URL _resolveStringURL(const QString& link, const URL& base, bool accept);

} // namespace sorvant
