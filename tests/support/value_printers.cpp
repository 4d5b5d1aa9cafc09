// Printers of foundation's value types, declared in printers.h. They live in
// the test support library, and only programs that print these types pull
// this file in (and those link foundation).
#include "foundation/attributed_string.h"
#include "foundation/color.h"
#include "tests/support/printers.h"

#include <ostream>

namespace sorvant {

void PrintTo(const Color& color, std::ostream* out)
{
    *out << color.description().toStdString();
}

void PrintTo(const AttributedString& string, std::ostream* out)
{
    *out << describeAttributedString(string).toStdString();
}

} // namespace sorvant
