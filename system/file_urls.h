#pragma once
// File URLs made from absolute paths without asking the disk whether the
// item is a folder, and URLs from what a user typed. URLs from a format are
// with the URL layer (web/url/url_making.h).

#include "platform/url.h"

#include <QString>

namespace sorvant {

// The file URL of a path, not marked as a folder (no trailing "/"), made
// without file-system access. Null for a null or empty path.
//   "/tmp" => "file:///tmp"   "/a b" => "file:///a%20b"   null => null
[[nodiscard]] URL fileURLWithAbsolutePath(const QString& path);

// The file URL of a path marked as a folder (ending in "/").
//   "/tmp" => "file:///tmp/"   "/" => "file:///"   null => null
[[nodiscard]] URL directoryURLWithAbsolutePath(const QString& path);

// The URL of text a user typed: URLWithNormalizedStringURL in UTF-8 (Linux
// offers no parser of typed addresses of its own).
//   "www.example.org" => "http://www.example.org"   "a b" => null   null => null
[[nodiscard]] URL URLWithUserTypedString(const QString& string);

} // namespace sorvant
