#pragma once
// URLs made from text: a format and its arguments, a URL or path as a user
// typed or pasted it. Parsing is strict (platform/url.h); what these add is
// the repair of common forms: a path becomes a file URL, "www…" and "ftp…"
// host names get their scheme, a bare mail address becomes a "mailto:" link,
// and text with characters a URL may not hold is escaped and tried again.
//
// Null and empty text give the null URL.

#include "foundation/string_format.h"
#include "platform/string_encoding.h"
#include "platform/url.h"

#include <QString>
#include <QVariantList>

namespace sorvant {

// The URL of `format` filled with `arguments` (stringWithFormat of
// foundation/string_format.h); null for a null or empty format or text that
// does not parse.
//   ("http://%@/%d", {"h", 2}) => "http://h/2"   ("%@", {"a b"}) => null
//   ("", {}) => null (nothing is formatted)
[[nodiscard]] URL URLWithFormatArguments(const QString& format, const QVariantList& arguments);

// URLWithFormatArguments with the arguments packed as formatString packs
// them:   URLWithFormat("mailto:%@", address)
template <typename... Args>
[[nodiscard]] URL URLWithFormat(const QString& format, const Args&... args)
{
    if (format.isEmpty())
        return URL();
    return URLWithFormatArguments(format, QVariantList{detail::formatArgument(args)...});
}

// `text` parsed (relative to `base` when that is not null); when that fails,
// the escape fallback: "%22" turned back into double quotes when the text
// holds one, the text escaped in `encoding` (stringByAddingPercentEscapesToURL,
// nothing left unescaped) and parsed again. Null when both fail.
//   ("http://h/a b", UTF-8)        => "http://h/a%20b"
//   ("b c", UTF-8, "http://h/a/")  => "http://h/a/b%20c"
//   ("http://h/\u20ac", Latin-1)   => null (no euro sign in Latin-1)
[[nodiscard]] URL URLWithEscapeFallback(const QString& text, StringEncoding encoding, const URL& base = URL());

// The URL of text that is a URL or a path:
//   "/tmp/a b"        => "file:///tmp/a%20b" (a folder's URL ends in "/")
//   "~/x"             => the file URL of the home folder's "x"
//   "https://h/p"     => itself
//   "mailto:a b@c.d"  => "mailto:a%20b@c.d" (mail links are escaped)
//   "ann@example.com" => "mailto:ann@example.com"
//   "www.example.org" => "http://www.example.org"
//   "ftp.example.org" => "ftp://ftp.example.org"
//   "example.org"     => null (fewer than two ".")
//   "http://h/a b"    => null   ".hidden" => null   "" => null   null => null
[[nodiscard]] URL URLWithStringOrPath(const QString& text);

// URLWithStringOrPath; when that gives nothing, text that is not a mail or
// message link has "%22" turned back into double quotes (when it holds one),
// is escaped in `encoding` (stringByAddingPercentEscapesToURL, nothing left
// unescaped) and tried again.
//   "http://h/a b"        => "http://h/a%20b"
//   "http://h/\"q\"%22"   => "http://h/%22q%22%22"
//   "http://h/é"          => "http://h/%C3%A9"   (Latin-1: "http://h/%E9")
//   "message:<a b>"       => null   "" => null   null => null
[[nodiscard]] URL URLWithNormalizedStringURL(const QString& text, StringEncoding encoding = NSUTF8StringEncoding);

} // namespace sorvant
