#pragma once
// What kind of link a URL or a piece of link text is: web, download, mail,
// file, feed and the schemes a web view handles itself. The same questions
// exist on a parsed URL (testing its scheme) and on link text (testing
// prefixes), because links arrive both ways.
//
// Scheme and prefix tests ignore case unless a line says case-sensitive. A
// null URL, a missing scheme, null text and text shorter than a test's
// minimum answer false.

#include <QString>

namespace sorvant {

class URL;

// --- predicates on a URL ---------------------------------------------------------
// Each compares the whole scheme:
//   isHTTPURL("HTTPS://h/") => true   isHTTPURL("httpx://h/") => false
//   isNewsURL("nntp://h/g") => true   isMailURL("mailto:a@b.c") => true
//   any of them on a null URL => false
[[nodiscard]] bool isDataURL(const URL& url);        // "data"
[[nodiscard]] bool isBlobURL(const URL& url);        // "blob"
[[nodiscard]] bool isAboutURL(const URL& url);       // "about"
[[nodiscard]] bool isHTTPURL(const URL& url);        // "http", "https"
[[nodiscard]] bool isFTPURL(const URL& url);         // "ftp", "ftps"
[[nodiscard]] bool isNewsURL(const URL& url);        // "news", "nntp"
[[nodiscard]] bool isFeedURL(const URL& url);        // "feed"
[[nodiscard]] bool isMailURL(const URL& url);        // "mailto"
[[nodiscard]] bool isJavaScriptURL(const URL& url);  // "javascript"
[[nodiscard]] bool isAppleScriptURL(const URL& url); // "applescript"
[[nodiscard]] bool isSafariReaderURL(const URL& url); // "safari-resource", "safari-reader", "reading-list"
[[nodiscard]] bool isDownloadableURL(const URL& url); // "https", "ftps", "http", "ftp"
// The reference manager's links: the scheme "bookends" and its maker's web
// host, both case-sensitive.   "bookends://sonnysoftware.com/1" => true
[[nodiscard]] bool isBookendsURL(const URL& url);

// A file URL; or a web, ftp or feed URL whose host holds a letter or digit
// and no "...":
//   "file:///x" => true   "http://a.b/" => true   "http://a...b/" => false
//   "http://-.-/" => false   "mailto:a@b.c" => false
[[nodiscard]] bool isWebKitURL(const URL& url);
// isWebKitURL without the file URLs.
[[nodiscard]] bool isRemoteWebKitURL(const URL& url);
// A file URL naming an existing item that is not a folder (symbolic links
// followed); or a web, ftp or feed URL, host or not.
//   "file:///etc/hostname" => true   "file:///tmp/" => false   "feed:x" => true
[[nodiscard]] bool isLoadableURL(const URL& url);
// A data, about or javascript URL, or a scheme beginning with "apple".
[[nodiscard]] bool isInternalWebKitURL(const URL& url);
// isWebKitURL, a javascript or blob URL, or a scheme beginning with "apple".
[[nodiscard]] bool isUsableURL(const URL& url);

// --- predicates on link text ---------------------------------------------------------
// Prefix tests; the number is the least length in UTF-16 units:
//   isHTTPStringURL("HTTP://x") => true   isHTTPStringURL("http:/") => false
//   isFTPStringURL("ftps://h") => true    isNewsStringURL("nntp://h") => true
//   isFeedStringURL("Feed:x") => true     isDataStringURL("DATA:x") => false
//   every one: "" => false, null => false
[[nodiscard]] bool isHTTPStringURL(const QString& text);         // 7: "http://", "https://"
[[nodiscard]] bool isFTPStringURL(const QString& text);          // 6: "ftp://", "ftps://"
[[nodiscard]] bool isNewsStringURL(const QString& text);         // 7: "news://", "nntp://"
[[nodiscard]] bool isFeedStringURL(const QString& text);         // "feed:"
[[nodiscard]] bool isJavaScriptStringURL(const QString& text);   // "javascript:"
[[nodiscard]] bool isAppleScriptStringURL(const QString& text);  // "applescript:"
[[nodiscard]] bool isDataStringURL(const QString& text);         // "data:", case-sensitive
[[nodiscard]] bool isAboutStringURL(const QString& text);        // "about:", case-sensitive
// 13: "safari-resource:", "safari-reader:", "reading-list:"
[[nodiscard]] bool isSafariReaderStringURL(const QString& text);
// "bookends://" and the host of isBookendsURL, case-sensitive.
[[nodiscard]] bool isBookendsStringURL(const QString& text);
// 5: "http://", "https://", "feed://", "ftp://", "ftps://", "www.", "ftp.", "file://"
[[nodiscard]] bool isWebKitStringURL(const QString& text);
// isWebKitStringURL without "file://".
[[nodiscard]] bool isRemoteWebKitStringURL(const QString& text);
// 5: the same prefixes as isWebKitStringURL.
[[nodiscard]] bool isLoadableStringURL(const QString& text);
// 5: "http://", "https://", "ftp://", "ftps://", "www.", "ftp."
[[nodiscard]] bool isDownloadableStringURL(const QString& text);

// "file://", or a path (first unit "/" or "~"):
//   "/tmp" => true   "~/x" => true   "FILE:///x" => true   "file:/x" => false
//   "" => false   null => false
[[nodiscard]] bool isFileStringURL(const QString& text);

// A mail link of more than 11 units ("mailto:" and at least five more), or
// text shaped like a bare mail address: an ASCII letter or digit first; "@"
// before any ":", "/" or "?", with only ASCII letters, digits, "-", "." and
// "_" before it and a letter or digit on each side of it; a "." in the
// domain before any ":", "@", "/" or "?", followed by an ASCII letter; and at
// most four units after that "." up to the end, a "?" or a further ".".
//   "ann@example.com" => true       "ann@example.co.uk" => true
//   "ann@mail.example.com" => false (a first label longer than four)
//   "mailto:a@b.c" => true          "mailto:a@bc" => false (11 units)
//   "ann@example.museum" => false   "@example.com" => false
//   "a_n@x.com" => true             "a n@x.com" => false   "ann@-x.com" => false
//   "" => false   null => false
[[nodiscard]] bool isMailStringURL(const QString& text);

// The text trimmed of white space when it looks like an internet address:
// 4 to 1,023 units, no white space inside, and either holding "://", or
// beginning with "mailto:", or both beginning with "www" or "ftp" (any case)
// or holding exactly one "@", and holding a ".". Otherwise null. With
// `removeFeedsAndTabs`, line ends and tabs are removed before the tests.
//   " www.example.org\n" => "www.example.org"   "ann@example.com" => itself
//   "a b.com" => null   "x.y" => null (3 units)   "ab@cd" => null (no ".")
//   "" => null   null => null
[[nodiscard]] QString possibleInternetLocation(const QString& text, bool removeFeedsAndTabs = false);

} // namespace sorvant
