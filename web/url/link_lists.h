#pragma once
// The host and path lists behind the link tests: advertising, share and
// subscribe buttons, captchas, translation frames, cached copies, forum
// pages and search engines. Each list is a null-terminated array of
// lower-case ASCII fragments, matched as substrings of the lower-cased link
// (link_detection.h), so order does not matter and entries may be revised
// without touching the tests that use them.

namespace sorvant::linklists {

extern const char* const kSearchEngineHosts[];
extern const char* const kAdNetworkLinks[];
extern const char* const kImageAds[];
extern const char* const kAdHostsAndPaths[];
extern const char* const kAdPaths[];
extern const char* const kAdPathExemptions[]; // matched case-sensitive
extern const char* const kCommonAdHosts[];
extern const char* const kShareAndSubscribe[];
extern const char* const kSharePages[];
extern const char* const kCaptcha[];
extern const char* const kTranslation[];
extern const char* const kTopicOrThreadScripts[];
extern const char* const kForumWords[];
extern const char* const kCachedPages[];

// The discussion-groups pages of a search engine, as the session cleaner
// finds them ("//" host "/").
extern const char* const kDiscussionGroupsMarker;
// The patent pages of a search engine, whose "ved=" tracking the simplified
// form drops.
extern const char* const kPatentPagesMarker;

} // namespace sorvant::linklists
