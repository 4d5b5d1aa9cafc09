#pragma once
// Reflowing of plain text that arrives with hard line breaks (mail bodies
// and the like): single breaks inside a paragraph become spaces, runs of
// breaks become paragraph breaks, runs of blanks become one space.
//
// Null in, null out.

#include <QString>

namespace sorvant {

// The text reflowed. Line breaks are U+000A, U+000C, U+000D (CR LF is one
// break), U+0003, U+2028, U+2029, U+FFFC and U+FEFF. Two or more breaks in a
// row become "\n\n". One break becomes "\n" when the next line starts with
// " ", "-", "/", ">" or "}", else a space (a "\n" after ":" or ">"), and
// nothing after white space or at the very start or end. A run of blanks
// (spaces bitmap) becomes one space. The receiver itself when empty.
//   "Hello all,\nsee you soon"   => "Hello all, see you soon"
//   "Dear Ann:\nthanks"          => "Dear Ann:\nthanks"
//   "one\n\ntwo"                 => "one\n\ntwo"
//   "quote\n> reply"             => "quote\n> reply"
//   "a  \t b"                    => "a b"
[[nodiscard]] QString reformattedMailing(const QString& string);

// The lines of the text joined into paragraphs: each line has the units of
// `remove` (when not null) deleted and white space trimmed; non-empty lines
// are joined by one space; the first empty line after text ends the
// paragraph with its own line end written twice (once when it is the last
// line); finally runs of spaces collapse to one.
//   ("one\ntwo\n\nthree", {})  => "one two\n\nthree"
//   ("a-b\nc", "-")            => "ab c"
//   ("", {}) => ""
[[nodiscard]] QString reformattedStringByRemovingCharactersOfString(const QString& string, const QString& remove);

} // namespace sorvant
