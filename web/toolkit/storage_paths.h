#pragma once
// Where a downloaded page is stored on disk: a folder path made from its
// URL, host labels first (top-level label first) or the host as one folder,
// then the path, with the query kept as part of the last component and
// "index.html" for a folder-like page. Components stay within the lengths
// file systems allow (host_components.h, shortenedPathComponent).
//
// Lives above the file services because it makes file names the way they
// do (system/file_names.h).

#include "platform/range.h"
#include "platform/url.h"

#include <QString>

namespace sorvant {

// The inverted storage path of a URL below `folder` (none when null):
//   file URLs: their standardized path components;
//   other URLs: inverted host labels (at most `maxHostComponents`), the
//   path's components, the parameters and query ("/" made "-", session
//   identifiers removed when asked) on the last one, "index.html" for a
//   folder-like page; with more than `maxPathComponents` components the
//   rest is joined with "-"; `pathExtension` is appended when not empty.
//   ("/m", "http://www.H.org/a/b/") => "/m/org/h/www/a/b/index.html"
//   ("/m", "http://h.org/a.php?x=1&sid=ab1") => "/m/org/h/a.php?x=1"
//   ("/m", "http://h.org/a?page=main.php") => "/m/org/h/a"
//   ("/m", "http://h.org/a/?q=1/2") => "/m/org/h/a/?q=1-2"
[[nodiscard]] QString invertedPathRelativeToDirectory(const URL& url, const QString& folder,
                                                      bool removeSessionIDs, const QString& pathExtension,
                                                      qsizetype maxHostComponents, qsizetype maxPathComponents,
                                                      bool caseInsensitive);
// Session ids removed, no extension, no maxima, case-insensitive.
[[nodiscard]] QString invertedPathRelativeToDirectory(const URL& url, const QString& folder);
[[nodiscard]] QString invertedPathRelativeToDirectory(const URL& url, const QString& folder,
                                                      const QString& pathExtension);

// The storage path with the host as one folder below `folder`. Simplified:
// the whole path and query made one file name; else the path kept as
// folders ("index.html" for a folder-like page with `defaultPathComponent`).
// Nothing in the URL leads out of `folder`: the page's ".." segments stop
// at the host's folder, and a host of "." or ".." is made dashes.
//   ("/m", "http://h.org/a/b?x=1", simplified) => "/m/h.org/a-b-x=1"
//   ("/m", "http://h.org/a/", not simplified)  => "/m/h.org/a/index.html"
//   ("/m", "http://h.org/../../etc/x", not simplified) => "/m/h.org/etc/x"
//   ("/m", "http://../etc/x.html", not simplified)     => "/m/--/etc/x.html"
[[nodiscard]] QString pathRelativeToDirectory(const URL& url, const QString& folder, bool simplified,
                                              bool defaultPathComponent = true);

} // namespace sorvant
