#pragma once
// Links resolved against the page they were found in, with the repairs of
// common typing slips; credentials, schemes and anchors moved in and out of
// URLs; the web-view forms of a URL; and the string forms of a URL for
// display, storage and file names.
//
// Resolution follows the strict URL type (platform/url.h, RFC 3986 merging):
// text that does not parse is escaped once and tried again (the escape
// fallback of url_making.h), never repaired otherwise. Every function
// answers a null URL (or, for a string form, the URL's own string) rather
// than failing loudly. A "#!" followed by more text is part of the address
// and is never removed as an anchor.

#include "platform/string_encoding.h"
#include "platform/url.h"

#include <QString>
#include <QStringList>

namespace sorvant {

// --- resolving link text -----------------------------------------------------------------

// `text` resolved against `base`:
//   - the anchor dropped first when `trimAnchor` and the base is not a file;
//   - white space trimmed; typing slips repaired (":http://", "emailto:",
//     "hhttp:", "http://http://", "http:// http://", "mailto://",
//     "ttp://", "feed:" links);
//   - "aim:", "icq:", "irc:", "mailto:", "message:", "ymsgr:" parsed as they are;
//   - "//host/…" takes the base's scheme; "scheme://…" (letters and ":"
//     before "://") stands alone; anything else is relative to the base (a
//     file base resolves as paths do);
//   - the base's user and password reach only a URL on the same host (and,
//     for absolute text, the same scheme);
//   - with `standardize`, repeated "/" and "." and ".." segments are resolved.
// Null for a null base, null or blank text and text that does not parse.
//   ("http://h/a/b", "c")           => "http://h/a/c"
//   ("https://h/", "//x.org/p")     => "https://x.org/p"
//   ("http://h/", "hhttp://x.org/") => "http://x.org/"
//   ("http://h/", "ttp://x.org/")   => "http://x.org/"
//   ("http://h/", "mailto://a@b.c") => "mailto:a@b.c"   ("http://h/", "mailto://") => null
//   ("http://h/", "1a://x")         => "http://h/1a://x" (relative)
//   ("file:///a/b.txt", "c.txt")    => "file:///a/c.txt"
[[nodiscard]] URL URLRelativeTo(const URL& base, const QString& text, bool trimAnchor, StringEncoding encoding,
                                bool standardize);
[[nodiscard]] URL URLRelativeTo(const URL& base, const QString& text);
[[nodiscard]] URL URLRelativeTo(const URL& base, const QString& text, StringEncoding encoding);
[[nodiscard]] URL URLRelativeToTrimAnchor(const URL& base, const QString& text, bool trimAnchor);
[[nodiscard]] URL URLRelativeToStandardize(const URL& base, const QString& text, bool standardize);

// The same, but a null base makes `text` a URL on its own
// (URLWithNormalizedStringURL); null or empty text gives null.
[[nodiscard]] URL URLRelativeToBaseURL(const URL& base, const QString& text, bool trimAnchor = true,
                                       StringEncoding encoding = NSUTF8StringEncoding, bool standardize = true);

// The link filter consulted before resolving: true drops the link. This
// system keeps every link.
[[nodiscard]] bool filterLink(const QString& text);

// The absolute string of each text resolved against `base`, in order;
// texts that give no URL are left out.
[[nodiscard]] QStringList absoluteStringsUsingBaseURL(const QStringList& texts, const URL& base,
                                                      StringEncoding encoding = NSUTF8StringEncoding);

// --- credentials, schemes and anchors -------------------------------------------------------

// "scheme://[user:password@]host[:port]" and the URL's path, parameters,
// query and fragment; the credentials only when both are non-empty, the
// port only when the URL has one other than 0.
//   ("http://h:8/a?q", "https", "x", "u", "p") => "https://u:p@x:8/a?q"
[[nodiscard]] URL composeURLWithCredentials(const URL& url, const QString& scheme, const QString& host,
                                            const QString& user, const QString& password);
// The URL with the user and password escaped and put in; the URL itself
// when either is null or empty.   ("http://h/a", "a b", "p@") => "http://a%20b:p%40@h/a"
[[nodiscard]] URL URLWithUser(const URL& url, const QString& user, const QString& password);
//   "http://u:p@h/a" => "http://h/a"   "http://h/a" => itself
[[nodiscard]] URL URLWithoutCredentials(const URL& url);
// The scheme replaced; the URL itself for a file URL or an empty scheme.
//   ("http://h/a", "https") => "https://h/a"
[[nodiscard]] URL URLWithScheme(const URL& url, const QString& scheme);
// The anchor replaced. A hash-bang address stays, so adding an anchor to
// it makes a second "#", which is no URL.
//   ("http://h/a#x", "y") => "http://h/a#y"   ("http://h/a", "") => itself
//   ("http://h/#!/a", "y") => null
[[nodiscard]] URL URLWithAnchor(const URL& url, const QString& anchor);
//   "http://h/a#x" => "http://h/a"   "http://h/#!/a" => itself
[[nodiscard]] URL URLWithoutAnchor(const URL& url);

// --- web-view forms ------------------------------------------------------------------------

// A "localhost" URL on "127.0.0.1"; a "feed:" URL as its web URL.
//   "http://localhost:8/a" => "http://127.0.0.1:8/a"   "feed://h/r" => "http://h/r"
//   "feed:https://h/r" => "https://h/r"   "file:///x" => itself
[[nodiscard]] URL WebKitURL(const URL& url);
// The base URL a web view may be given: an existing file, a web URL, a
// feed's web URL; null otherwise.
[[nodiscard]] URL baseURLForWebKit(const URL& url);
[[nodiscard]] URL baseURLForWebKitUsingAnchor(const URL& url, const QString& anchor);

// --- string forms ----------------------------------------------------------------------------
// A null URL gives null for each.

// A file URL's path, else the absolute string.
[[nodiscard]] QString absoluteStringOrPath(const URL& url);
// The absolute string without user and password.
//   "http://u:p@h/a?q" => "http://h/a?q"   "file:///tmp/x" => "/tmp/x"
[[nodiscard]] QString absoluteStringWithoutUserAndPassword(const URL& url);
// The resource specifier without leading "/" and without "user@".
//   "http://u@h/a" => "h/a"   "mailto:a@b.c" => "a@b.c"
[[nodiscard]] QString absoluteStringWithHostAndPath(const URL& url);
// The form to show a person: a file's path with "~"; a web or mail link
// without scheme, slashes, user and "www.".
//   "https://www.h.org/a/" => "h.org/a"   "http://h/" => "h"   "about:x" => "about:x"
[[nodiscard]] QString displayString(const URL& url);
// A file name for what the URL names.
//   "http://h/a/b.pdf" => "b.pdf"   "http://h/" => "h"   "mailto:a@b.c" => "a@b.c"
//   "data:,x" => "data"
[[nodiscard]] QString proposedFilename(const URL& url);
// A file URL's path standardized; else standardizedStringURL of the string.
[[nodiscard]] QString standardizedStringURL(const URL& url);
[[nodiscard]] QString stringURLWithoutAnchor(const URL& url);

} // namespace sorvant
