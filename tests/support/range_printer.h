#pragma once
// Lets GoogleTest print a Range as {location, length} in failure messages.

#include "foundation/range.h"

#include <ostream>

namespace sorvant {

inline void PrintTo(const Range& range, std::ostream* out)
{
    *out << '{' << range.location << ", " << range.length << '}';
}

} // namespace sorvant
