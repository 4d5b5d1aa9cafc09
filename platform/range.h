#pragma once
// A location and a length in UTF-16 units, and the "not found" marker.
//   Range{2, 3}.maxRange()   => 5
//   kMissingRange            => {NSNotFound, 0}

#include <QtGlobal>

#include <limits>

namespace sorvant {

// The location of something that is not there.
inline constexpr qsizetype NSNotFound = std::numeric_limits<qsizetype>::max();

struct Range
{
    qsizetype location = NSNotFound;
    qsizetype length = 0;

    [[nodiscard]] constexpr qsizetype maxRange() const { return location + length; }
    [[nodiscard]] constexpr bool isMissing() const { return location == NSNotFound; }
    [[nodiscard]] constexpr bool contains(qsizetype index) const
    {
        return index >= location && index - location < length;
    }
    friend constexpr bool operator==(const Range&, const Range&) = default;
};

inline constexpr Range kMissingRange{NSNotFound, 0};

[[nodiscard]] constexpr Range makeRange(qsizetype location, qsizetype length)
{
    return Range{location, length};
}

} // namespace sorvant
