#pragma once
// Helpers on lists: binary search, applying a function, set-like edits in
// place, variadic appends, stable sorting through a comparison function and
// moving an element. Comparators for strings and numbers are in
// comparators.h.
//
// "Equal" uses the elements' operator==; "identical" compares pointers and
// applies to lists of pointers only. Indexes and ranges outside the list
// change nothing.
//   moveObjectAtIndex({A, B, C}, 0, 2)  => true, {B, A, C}
//   setCount({A, B, C}, 5)              => 3, unchanged
//   removeObjectsFromArray({A, B, A}, {A}) => {B}

#include "foundation/range.h"
#include "foundation/string_format.h"
#include "platform/string_compare.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <type_traits>
#include <utility>

namespace sorvant {

// --- observers ---------------------------------------------------------------
// Whether `list` holds the very pointer `object`; false for nullptr.
template <typename T>
[[nodiscard]] bool containsObjectIdenticalTo(const QList<T*>& list, const T* object)
{
    return object && std::find(list.cbegin(), list.cend(), object) != list.cend();
}

// The index of an element that compares equal to `value` (the first such
// one), or the index at which `value` would be inserted to keep the order:
// range.location when it is smaller than all, range.maxRange() when larger.
// `compare(a, b)` answers < 0, 0 or > 0; the range must be sorted by it and
// is cut at the end of the list.
//   {1, 3, 5}: 3 => 1, 4 => 2, 9 => 3, 0 => 0
template <typename T, typename Compare>
[[nodiscard]] qsizetype indexOfObjectUsingBinarySearch(const QList<T>& list, const T& value, Range range,
                                                       Compare compare)
{
    if (range.location < 0 || range.location > list.size())
        return NSNotFound;
    const auto first = list.cbegin() + range.location;
    const auto last = list.cbegin() + std::min(list.size(), range.location + std::max<qsizetype>(range.length, 0));
    const auto found = std::lower_bound(first, last, value,
                                        [&](const T& element, const T& wanted) { return compare(element, wanted) < 0; });
    return found - list.cbegin();
}
template <typename T, typename Compare>
[[nodiscard]] qsizetype indexOfObjectUsingBinarySearch(const QList<T>& list, const T& value, Compare compare)
{
    return indexOfObjectUsingBinarySearch(list, value, Range{0, list.size()}, compare);
}

// Calls `function(element)` for the elements of the range, cut at the end;
// nothing when the range starts at or past the end.
template <typename T, typename Function>
void applyFunction(const QList<T>& list, Function function, Range range)
{
    if (range.location < 0 || range.location >= list.size())
        return;
    const qsizetype last = range.length > list.size() - range.location ? list.size() : range.maxRange();
    for (qsizetype index = range.location; index < last; ++index)
        function(list.at(index));
}
template <typename T, typename Function>
void applyFunction(const QList<T>& list, Function function)
{
    applyFunction(list, function, Range{0, list.size()});
}

// The list without the element at `index`; the list itself when the index
// is outside it.
template <typename T>
[[nodiscard]] QList<T> subarrayWithoutObjectAtIndex(const QList<T>& list, qsizetype index)
{
    if (index < 0 || index >= list.size())
        return list;
    QList<T> copy = list;
    copy.removeAt(index);
    return copy;
}

// --- mutators ----------------------------------------------------------------
// Shortens the list to `count` elements; never lengthens it. Answers the
// resulting count.
template <typename T>
qsizetype setCount(QList<T>& list, qsizetype count)
{
    if (count >= 0 && list.size() > count)
        list.resize(count);
    return list.size();
}

// Keeps only the elements that `other` contains (an intersection in place).
template <typename T>
void joinWithObjectsFromArray(QList<T>& list, const QList<T>& other)
{
    list.removeIf([&](const T& element) { return !other.contains(element); });
}
template <typename T>
void joinWithIdenticalObjectsFromArray(QList<T*>& list, const QList<T*>& other)
{
    list.removeIf([&](const T* element) { return !containsObjectIdenticalTo(other, element); });
}

// Removes every element that `other` contains.
template <typename T>
void removeObjectsFromArray(QList<T>& list, const QList<T>& other)
{
    if (!other.isEmpty())
        list.removeIf([&](const T& element) { return other.contains(element); });
}
template <typename T>
void removeIdenticalObjectsFromArray(QList<T*>& list, const QList<T*>& other)
{
    if (!other.isEmpty())
        list.removeIf([&](const T* element) { return containsObjectIdenticalTo(other, element); });
}

// Appends the objects of a nullptr-terminated C array; nothing for nullptr.
template <typename T>
void addObjects(QList<T*>& list, T* const* objects)
{
    for (; objects && *objects; ++objects)
        list.append(*objects);
}
// The strings of a nullptr-terminated array of UTF-8 C strings.
void addObjects(QStringList& list, const char* const* strings);

// Appends the arguments in order up to the first null one (nullptr or a
// null QString), as a nil-terminated argument list would.
//   appendObjects(list, "a", QString(), "b") appends "a"
template <typename T, typename... Objects>
void appendObjects(QList<T>& list, const Objects&... objects)
{
    bool ended = false;
    auto appendOne = [&](const T& object) {
        if constexpr (std::is_pointer_v<T>)
            ended = ended || object == nullptr;
        else
            ended = ended || object.isNull();
        if (!ended)
            list.append(object);
    };
    (appendOne(objects), ...);
}

// Appends one string made from `format` and the arguments (string_format.h);
// nothing for a null or empty format.
//   appendFormat(list, "%d found", 3) appends "3 found"
template <typename... Args>
void appendFormat(QStringList& list, const QString& format, const Args&... arguments)
{
    if (!format.isEmpty())
        list.append(formatString(format, arguments...));
}

// Appends each argument the list does not contain yet, in argument order.
template <typename T, typename... Objects>
void unionWithObjects(QList<T>& list, const Objects&... objects)
{
    auto addOne = [&](const T& object) {
        if (!list.contains(object))
            list.append(object);
    };
    (addOne(objects), ...);
}
template <typename T, typename... Objects>
void unionWithIdenticalObjects(QList<T*>& list, Objects*... objects)
{
    auto addOne = [&](T* object) {
        if (object && !containsObjectIdenticalTo(list, object))
            list.append(object);
    };
    (addOne(objects), ...);
}

// Stable sort by `compare(a, b)` (< 0, 0, > 0) when there are 2 or more
// elements; the range form only when the range lies inside the list.
template <typename T, typename Compare>
void quickSortUsingFunction(QList<T>& list, Compare compare, Range range)
{
    if (list.size() < 2 || range.location < 0 || range.location >= list.size() || range.length < 0
        || range.length > list.size() - range.location)
        return;
    std::stable_sort(list.begin() + range.location, list.begin() + range.maxRange(),
                     [&](const T& a, const T& b) { return compare(a, b) < 0; });
}
template <typename T, typename Compare>
void quickSortUsingFunction(QList<T>& list, Compare compare)
{
    quickSortUsingFunction(list, compare, Range{0, list.size()});
}

// Moves the element at `from` so that it lands in front of the element that
// stood at `to` before the move.
//   {A, B, C}: 0 -> 2 => {B, A, C}   2 -> 0 => {C, A, B}   1 -> 1 => true
//   0 -> 3 => false (either index outside the list)
template <typename T>
bool moveObjectAtIndex(QList<T>& list, qsizetype from, qsizetype to)
{
    if (from == to)
        return true;
    if (from < 0 || to < 0 || from >= list.size() || to >= list.size())
        return false;
    T object = list.takeAt(from);
    list.insert(to < from ? to : to - 1, std::move(object));
    return true;
}

// Reduces a list of paths to those that lie inside no other: sorts them
// (the platform's compare without options), then keeps a path and drops
// every following one that `isInDirectory(path, keptPath)` puts inside the
// last kept path. The containment test is the caller's, from the file
// services. Lists of fewer than 2 paths are left alone.
//   {"/a/b", "/a", "/c", "/a/bc"} => {"/a", "/c"}
template <typename IsInDirectory>
void minimumCoverOfPaths(QStringList& paths, IsInDirectory isInDirectory)
{
    if (paths.size() < 2)
        return;
    std::sort(paths.begin(), paths.end(),
              [](const QString& a, const QString& b) { return compareStrings(a, b, 0) < 0; });
    QStringList cover;
    for (const QString& path : std::as_const(paths)) {
        if (cover.isEmpty() || !isInDirectory(path, cover.constLast()))
            cover.append(path);
    }
    paths = cover;
}

} // namespace sorvant
