#pragma once
// Link text handled as plain text, before or instead of parsing: its
// scheme, anchor, credentials and extension split off, its repeated
// slashes and trailing dots standardized, its display form, equality of two
// links, and the feed-to-web forms. No function here parses strictly; see
// url_resolution.h for the URL forms.
//
// Prefix tests ignore case unless marked case-sensitive. A "#" followed by
// "!" and at least one more character starts a hash-bang address, which is
// part of the link and never an anchor.

#include <QString>
#include <QStringList>

namespace sorvant {

// --- anchors, slashes and dots ---------------------------------------------------------

// The text before the first "#"; the receiver without "#" or when the "#"
// starts a hash-bang address.
//   "http://h/a#x" => "http://h/a"   "http://h/#!/x" => itself   "a#" => "a"
//   "a#!" => "a"   "" => ""   null => null
[[nodiscard]] QString stringURLWithoutAnchor(const QString& text);

// Repeated "/" made one (the two after a scheme's ":" stay), up to the first
// "?" or ";"; then, when there was none, a final "/." or "/.." removed
// repeatedly and a text that is only "." or ".." emptied.
//   "http://h//a///b" => "http://h/a/b"   "http:///h" => "http://h"
//   "http://h/a/." => "http://h/a"   "http://h//a?x//y" => "http://h/a?x//y"
//   "http://h/a.." => itself   ".." => ""   "" => ""   null => null
[[nodiscard]] QString standardizedStringURL(const QString& text);

// A feed link as a web link: "feed:http:" and "feed:https:" lose "feed:";
// "feed:" and text after it, unless that begins with "/", gets "http://".
//   "feed:https://h/r" => "https://h/r"   "feed:h.org/r" => "http://h.org/r"
//   "feed://h/r" => itself   "http://h" => itself   null => null
[[nodiscard]] QString validFeedStringURL(const QString& text);

// "file://localhost/" loses 16 units and "file:///" 7, keeping the path's
// "/" (case-sensitive).
//   "file:///tmp/x" => "/tmp/x"   "file://localhost/a" => "/a"   "FILE:///x" => itself
[[nodiscard]] QString stringByAbbreviatingFileURL(const QString& text);

// --- scheme, credentials and display ------------------------------------------------------

// The text before a ":" that comes before any "/", ";" or "?"; else null.
//   "http://h" => "http"   "mailto:a@b" => "mailto"   "/a:b" => null   "a" => null
[[nodiscard]] QString stringURLScheme(const QString& text);

// The text after that ":" and the "/" that follow it; else the receiver.
//   "http://h/a" => "h/a"   "mailto:a@b" => "a@b"   "http://" => ""   "h/a:b" => "h/a:b"
[[nodiscard]] QString stringURLWithoutScheme(const QString& text);

// The link without its user and password; the receiver when it has none,
// is a path or does not parse.
//   "http://u:p@h/a" => "http://h/a"   "http://h/a" => itself   "/a" => itself
[[nodiscard]] QString stringURLWithoutCredentials(const QString& text);

// Without credentials, scheme, trailing "/" and a leading "www.".
//   "https://u:p@www.h.org/a/" => "h.org/a"   "mailto:a@b.c" => "a@b.c"
[[nodiscard]] QString displayStringURL(const QString& text);

// --- extensions ------------------------------------------------------------------------------

// The extension of the link's path (from the first "/" or "?" after "://"),
// cut before the first of "?&;=#"; null when there is none.
//   "http://h/a/b.pdf?x=1" => "pdf"   "http://h.org" => null   "a.txt" => "txt"
//   "/a/b.tar.gz" => "gz"   "x" => null   null => null
[[nodiscard]] QString stringURLPathExtension(const QString& text);

// Whether the list holds stringURLPathExtension of the text, ignoring case.
[[nodiscard]] bool stringURLMatchingExtensions(const QString& text, const QStringList& extensions);

// --- comparison and web forms --------------------------------------------------------------

// Equal after dropping the anchor, standardizing and trimming trailing "/",
// ignoring case.   ("http://H/a/#x", "http://h/A") => true   (null, "") => false
[[nodiscard]] bool isEqualToStringURL(const QString& text, const QString& other);

// "feed:http:" and "feed:https:" lose "feed:"; other "feed:" text becomes
// "http:" and the rest.   "feed://h/r" => "http://h/r"   "x" => "x"   null => null
[[nodiscard]] QString WebKitStringURL(const QString& text);

} // namespace sorvant
