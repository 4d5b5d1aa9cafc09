#pragma once
// A small reader of configuration text: lines of "key value", where empty
// lines and lines whose first non-white unit is "#" are ignored.
//   key<white space>value
// Line ends are the feed characters U+0003, U+000A, U+000C, U+000D, U+2028,
// U+2029, U+FEFF and U+FFFC; CR and LF are two ends here (the empty line
// between them is dropped like any other). White space is the white-spaces
// bitmap of chars_table.h.

#include <QString>
#include <QStringList>

namespace sorvant {

// The meaningful lines of the text, in order, without leading and trailing
// white space; comment lines and lines of white space only are dropped:
//   "# comment\r\n  alpha 1 \r\n\t\nb"  => {"alpha 1", "b"}
//   "  #x y\nz"                         => {"z"}
//   "" => {}      null => {}
[[nodiscard]] QStringList configLines(const QString& string);

// The value of `key` in one configuration line (an element of configLines):
// the line must start with the key, ignoring case, followed by white space;
// the rest, trimmed of white space, is the value. Null when the line does
// not hold the key, when the value is empty, and for a null or empty key.
//   ("Port\t 8080 ", "port") => "8080"
//   ("Portal 1", "port")     => null (the key runs on into a letter)
//   ("port", "port")         => null (no value)
[[nodiscard]] QString configValueForKey(const QString& line, const QString& key);

} // namespace sorvant
