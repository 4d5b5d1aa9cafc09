#pragma once
// The path of a URL as the URL toolkit reads it: as written (still
// percent-encoded) for web links, decoded for file URLs, with its
// parameters, query and fragment put back on request, and whether the URL
// names a folder-like base of a site.
//
// A null URL gives "" for the path forms and false for the tests.

#include <QString>

namespace sorvant {

class URL;

// A file URL's decoded path; any other URL's path as written, trailing "/"
// kept; "" when there is none.
//   "http://h/a%20b/" => "/a%20b/"   "file:///tmp/a%20b" => "/tmp/a b"
//   "http://h" => ""   "mailto:a@b.c" => ""
[[nodiscard]] QString fullPath(const URL& url);

// A file URL's path; else fullPath, then ";" and the parameter string and
// "?" and the query, each only when not empty.
//   "http://h/a;p?q#f" => "/a;p?q"   "http://h/a?" => "/a"
[[nodiscard]] QString pathWithParamsAndQuery(const URL& url);
// pathWithParamsAndQuery, then "#" and the fragment when not empty.
//   "http://h/a;p?q#f" => "/a;p?q#f"
[[nodiscard]] QString pathWithParamsAndQueryAndFragment(const URL& url);

// Whether a web URL names a folder of its site rather than a document: never
// for a file URL; always without a path; otherwise when the path ends in
// "/" or has no extension, and there is neither a query nor a parameter
// string.
//   "http://h" => true   "http://h/a/" => true   "http://h/a" => true
//   "http://h/a.html" => false   "http://h/a.b/" => true
//   "http://h/a/?q=1" => false   "http://h/a;p" => false
//   "file:///tmp/" => false   "mailto:a@b.c" => true (no path)
[[nodiscard]] bool isBaseDirectory(const URL& url);

// The decoded path in the toolkit's normalized form (foundation's
// normalizedString); null without a path.
[[nodiscard]] QString normalizedPath(const URL& url);

// The folder of the page: a file URL's parent folder; a web path ending in
// "/" without it; a web path naming a document (an extension, a query or
// parameters) without its last component; else the path itself. "/" when
// nothing is left. The standardized form also resolves "." and "..".
//   "http://h/a/b.html" => "/a"   "http://h/a/b/" => "/a/b"   "http://h/a/b" => "/a/b"
//   "http://h/a?q" => "/"   "http://h" => "/"   "file:///tmp/x" => "/tmp"
//   (standardized) "http://h/a/../b/c.html" => "/b"
[[nodiscard]] QString baseDirectory(const URL& url);
[[nodiscard]] QString standardizedBaseDirectory(const URL& url);

} // namespace sorvant
