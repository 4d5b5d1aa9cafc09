#pragma once
// GoogleTest printers for the project's value types, so failure messages show
// text instead of rows of bytes. Every test file gets this header through the
// compiler's -include, because GoogleTest picks one printer per type for a
// whole test program: a printer seen by only some files would be ignored.

#include "platform/range.h"

#include <QString>
#include <QStringList>

#include <ostream>
#include <string>

inline void PrintTo(const QString& string, std::ostream* out)
{
    *out << (string.isNull() ? std::string("(null)") : '"' + string.toStdString() + '"');
}

inline void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '{';
    for (qsizetype index = 0; index < list.size(); ++index)
        *out << (index ? ", \"" : "\"") << list.at(index).toStdString() << '"';
    *out << '}';
}

namespace sorvant {

class AttributedString;
class Color;
// Defined in value_printers.cpp of the test support library.
void PrintTo(const Color& color, std::ostream* out);
void PrintTo(const AttributedString& string, std::ostream* out);

inline void PrintTo(const Range& range, std::ostream* out)
{
    if (range.location == NSNotFound)
        *out << "{NSNotFound, " << range.length << '}';
    else
        *out << '{' << range.location << ", " << range.length << '}';
}

namespace test {

// A table row printed as its name, so test lists and failure messages say
// which row ran instead of showing its bytes. A row type's own PrintTo, in
// the row's namespace, calls it:
//   void PrintTo(const FileCase& row, std::ostream* out) { test::printRowName(row, out); }
//   row.name "Utf8Detected" => Utf8Detected     row.name nullptr => (unnamed)
template <typename Row>
void printRowName(const Row& row, std::ostream* out)
{
    *out << (row.name ? row.name : "(unnamed)");
}

} // namespace test

} // namespace sorvant
