#pragma once
// Link text cleaned of what makes two links to one page differ: session
// identifiers, tracking ("utm_") parameters, empty parameters, index pages,
// anchors, "www." and the scheme. simplifiedStringURL is the comparison key.
//
// A parameter counts only where a "?", ";" or "&" stands right before it.
// Removing one keeps the separator before it when another parameter
// follows, and otherwise cuts the text at that separator. Null text gives
// null; a text with nothing to remove is answered as it is.

#include "platform/url.h"

#include <QString>

namespace sorvant {

// Session identifiers ("jsessionid=", "PHPSESSID=", "sid=" with letters …),
// forum highlights and affiliate tags, and the tails after "/login?" and
// "/register?". At most 32 parameters go from one link, which keeps the
// work linear in its length however many a hostile link repeats.
//   "http://h/a?x=1&jsessionid=AB12" => "http://h/a?x=1"
//   "http://h/a?jsessionid=AB12"     => "http://h/a"
//   "http://h/a.php?sid=123"         => itself (digits only)
//   "http://h/a.php?sid=12ab"        => "http://h/a.php"
[[nodiscard]] QString stringURLByRemovingSessionIDs(const QString& text);

// The five "utm_" campaign parameters and "utm_nooverride=".
//   "http://h/?a=1&utm_source=x&utm_medium=y&b=2" => "http://h/?a=1&b=2"
[[nodiscard]] QString stringURLByRemovingAnalytics(const QString& text);

// Every counting occurrence of `name` (given with its "=", any case).
//   ("http://h/?a=1&ved=2", "ved=") => "http://h/?a=1"
[[nodiscard]] QString stringURLByRemovingQueryParam(const QString& text, const QString& name);

// Parameters with an empty value (a second one right after goes only in a
// later call); "?&" made "?".
//   "http://h/?a=1&b=&c=2" => "http://h/?a=1&c=2"   "http://h/?a=&b=&c=1" => "http://h/?b=&c=1"
[[nodiscard]] QString stringURLByRemovingEmptyParams(const QString& text);

// A final "/index.html", "/index.php" and the like (any case).
//   "http://h/a/index.html" => "http://h/a"   "http://h/index.htmlx" => itself
[[nodiscard]] QString stringURLByRemovingIndexPages(const QString& text);

// The comparison key: decoded narrowly, without anchor, standardized,
// cleaned as the flags say, "https" and "www." folded into "http://",
// trailing "/" trimmed, lower-cased.
//   "https://www.H.org/a/" => "http://h.org/a"   "http://h.org/a#x" => "http://h.org/a"
[[nodiscard]] QString simplifiedStringURL(const QString& text);
[[nodiscard]] QString simplifiedStringURL(const QString& text, bool sessionIDs, bool analytics, bool indexPages,
                                          bool emptyParams, bool anchors);

// The same on a URL's absolute string; a file URL gives its standardized path.
[[nodiscard]] QString stringURLByRemovingSessionIDs(const URL& url);
[[nodiscard]] QString stringURLByRemovingAnalytics(const URL& url);
[[nodiscard]] QString stringURLByRemovingQueryParam(const URL& url, const QString& name);
[[nodiscard]] QString stringURLByRemovingEmptyParams(const URL& url);
[[nodiscard]] QString stringURLByRemovingIndexPages(const URL& url);
[[nodiscard]] QString simplifiedStringURL(const URL& url);
[[nodiscard]] QString simplifiedStringURL(const URL& url, bool sessionIDs, bool analytics, bool indexPages,
                                          bool emptyParams, bool anchors);

} // namespace sorvant
