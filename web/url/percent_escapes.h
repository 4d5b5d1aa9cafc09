#pragma once
// Percent escaping of text that goes into URLs: whole URLs (escaping only
// what a URL may not hold), the standard escape set, and single query
// parameter values; the escapes of each part of a URL; the narrow decoder
// that link cleaning and redirect resolution share; and the tidying of link
// text and search terms. The strict decoder lives with the URL type
// (platform/url.h).
//
// Escapes are "%" and two upper-case hexadecimal digits of each byte of the
// character in the given encoding (lower-case only where a function says
// so). A character the encoding cannot hold makes the whole escape fail.
// A null string gives null everywhere; an empty one gives "".

#include "foundation/string_units.h"
#include "platform/string_encoding.h"

#include <QString>

namespace sorvant {

// --- whole URLs ----------------------------------------------------------------
// Characters a URL may hold stay as they are: ASCII letters and digits and
// "!$&'()*+,-./:;=?@_~". Everything else is escaped, "%" and "#" included,
// unless it is in `leaveUnescaped`; a character in `toBeEscaped` is escaped
// even though a URL may hold it.
//   ("a b")                      => "a%20b"
//   ("a%20b#c")                  => "a%2520b%23c"
//   ("é")                        => "%C3%A9"
//   ("é", Latin-1)               => "%E9"
//   ("€", Latin-1)               => null (Latin-1 has no euro sign)
//   ("a b", UTF-8, " ")          => "a b"
//   ("a?b", UTF-8, null, "?")    => "a%3Fb"
//   ("")                         => ""        (null) => null

// Escapes in UTF-8, nothing left unescaped.
[[nodiscard]] QString stringByAddingPercentEscapesToURL(const QString& string);
// Escapes in `encoding`, leaving the characters of `leaveUnescaped` (may be
// null) as they are.
[[nodiscard]] QString stringByAddingPercentEscapesToURL(const QString& string, StringEncoding encoding,
                                                        const QString& leaveUnescaped);
// The same, also escaping the characters of `toBeEscaped`; a null
// `toBeEscaped` means ":?&;@".
[[nodiscard]] QString stringByAddingPercentEscapesToURL(const QString& string, StringEncoding encoding,
                                                        const QString& leaveUnescaped, const QString& toBeEscaped);

// --- fixed sets ------------------------------------------------------------------

// Each of space, "#", "$", "%", "&", "+", "/", ":", ";", "=", "?" and "@"
// replaced by "%" and its code in two lower-case hexadecimal digits; every
// other character unchanged. The receiver itself when empty.
//   "a b/c" => "a%20b%2fc"   "é" => "é"   "" => ""   null => null
[[nodiscard]] QString stringByAddingStandardPercentEscapesToURL(const QString& string);

// Escapes for a query parameter value: only ASCII letters, digits and
// "!$'()*+,-._~" stay; every other character is escaped in UTF-8. Null for
// text that is not valid UTF-16 (an unpaired surrogate).
//   "a&b=c/d" => "a%26b%3Dc%2Fd"   "(x)" => "(x)"   "a b" => "a%20b"
//   "" => ""   null => null
[[nodiscard]] QString stringByAddingPercentEscapesToURLParameter(const QString& string);

// --- parts of a URL ------------------------------------------------------------------
// Escapes in UTF-8 every character outside the part's allowed set: ASCII
// letters, digits and "-._~", plus
//   user, password  "!$&'()*+,;="
//   host            "!$&'()*+,;=:[]"
//   path            "!$&'()*+,;=:@/"
//   query, fragment "!$&'()*+,;=:@/?"
//   (path) "a b/c?d" => "a%20b/c%3Fd"   (user) "a:b@c" => "a%3Ab%40c"   null => null
[[nodiscard]] QString stringByAddingPercentEscapesToURLUser(const QString& string);
[[nodiscard]] QString stringByAddingPercentEscapesToURLPassword(const QString& string);
[[nodiscard]] QString stringByAddingPercentEscapesToURLHost(const QString& string);
[[nodiscard]] QString stringByAddingPercentEscapesToURLPath(const QString& string);
[[nodiscard]] QString stringByAddingPercentEscapesToURLQuery(const QString& string);
[[nodiscard]] QString stringByAddingPercentEscapesToURLFragment(const QString& string);

// --- decoding ----------------------------------------------------------------------------
// Decodes "%" and two hexadecimal digits (either case) in place, left to
// right in one pass (a "%" made by decoding is not decoded again), and
// answers the new length. Without `narrow` every value below 128 is
// decoded; with it only tab, line feed, carriage return, space and
// "$%&'+/:;=@~", and "?" only when the buffer held no "?" before. Anything
// else, and a "%" without two digits, is copied unchanged. Fewer than 3
// units are left alone.
[[nodiscard]] qsizetype decodePercentEscapesInCharacters(unichar* buffer, qsizetype length, bool narrow);

// The narrow decoding of a copy; the receiver when shorter than 3 units.
//   "a%2Fb%2fc" => "a/b/c"   "%41" => "%41"   "?a%3Fb" => "?a%3Fb"   "a%3Fb" => "a?b"
//   "%%2F" => "%/"   "%2" => "%2"   null => null
[[nodiscard]] QString stringByDecodingPercentEscapes(const QString& string);

// --- link text -----------------------------------------------------------------------------
// Link text copied from mail or a page, trimmed; a "message:" link as it is;
// a link inside "<" … ">" (after a name, or filling the text) taken out of
// the brackets; then U+0003, line ends, form feeds, "<", ">", U+2028,
// U+2029, U+FEFF and U+FFFC removed everywhere.
//   "Ann <ann@x.org>" => "ann@x.org"   "<http://h/a>" => "http://h/a"
//   "see <http://h/a>" => "see http://h/a"   "" => ""   null => null
[[nodiscard]] QString stringByFormattingURL(const QString& string);

// A search term for a query string: runs of white space made one, escaped
// in `encoding`; with `defaultPercentEscapes` "+" then becomes "%2B" and
// "%20" becomes "+". Null when the term cannot be escaped.
//   "a   b" => "a+b"   "c++" => "c%2B%2B"   (flag off) "a b" => "a%20b"
[[nodiscard]] QString stringByFormattingQueryTerm(const QString& string, StringEncoding encoding,
                                                  bool defaultPercentEscapes = true);

} // namespace sorvant
