#pragma once
// Debug dumps of a string's UTF-16 units to the process log (platform/log.h).
// Nothing is logged for a null or empty string.

#include <QString>

namespace sorvant {

// Logs the units in lines of 12: each unit as four lower-case hexadecimal
// digits and a space, then ": " and the units themselves, where controls,
// the space, U+2028, U+2029, U+FEFF and U+FFFC show as "." (a last short
// line pads this column with spaces to 12). A string of more than 12 units
// is logged between two line ends.
//   "Hi\t" => "0048 0069 0009 : Hi.         \n"
void dump(const QString& string);

// Logs the string, then its units as a C array initializer, eight to a line.
//   "AB" => "\nAB:\nunichar string[] = {\n\t0x0041, 0x0042\n};\n "
void dumpAsArray(const QString& string);

} // namespace sorvant
