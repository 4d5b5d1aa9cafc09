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

} // namespace sorvant
