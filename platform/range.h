#pragma once
// A location and a length in UTF-16 units, and the "not found" marker.
//   Range{2, 3}.maxRange()   => 5
//   kMissingRange            => {NSNotFound, 0}
//   isRangeInside({2, 3}, 5) => true      isRangeInside({4, 2}, 5) => false
//   clippedRange({4, 9}, 5)  => {4, 1}    clippedRange({-1, 2}, 5) => {0, 2}

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

// Whether `range` lies within a text of `length` units (an empty range at the
// end counts as inside; a negative location or length does not).
[[nodiscard]] constexpr bool isRangeInside(Range range, qsizetype length)
{
    return range.location >= 0 && range.length >= 0 && range.location <= length
           && range.length <= length - range.location;
}

// `range` cut to a text of `length` units: the location is brought into
// [0, length], the length into [0, length - location]. A missing range
// becomes {length, 0}.
[[nodiscard]] constexpr Range clippedRange(Range range, qsizetype length)
{
    const qsizetype location = range.location < 0 ? 0 : (range.location > length ? length : range.location);
    const qsizetype left = length - location;
    return Range{location, range.length < 0 ? 0 : (range.length > left ? left : range.length)};
}

} // namespace sorvant
