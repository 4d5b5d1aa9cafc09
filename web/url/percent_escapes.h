#pragma once
// Percent escaping of text that goes into URLs: whole URLs (escaping only
// what a URL may not hold), the standard escape set, and single query
// parameter values. Decoding lives with the URL type (platform/url.h).
//
// Escapes are "%" and two upper-case hexadecimal digits of each byte of the
// character in the given encoding (lower-case only where a function says
// so). A character the encoding cannot hold makes the whole escape fail.
// A null string gives null everywhere; an empty one gives "".

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

} // namespace sorvant
