// The printers tests/support/printers.h declares for this test program.
#include "foundation/attributed_string.h"
#include "foundation/color.h"

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
