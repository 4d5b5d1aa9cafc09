#pragma once
// Counting what a property-list tree expands to, for the XML writer and
// whoever else writes a shared value at each reference. It depends on the
// tree and the bounds only, not on the readers or writers.

#include <QVariant>

namespace sorvant {

// What `value` expands to when every reference to a shared value is met as
// a copy, as a writer of XML or a description meets it: 16 bytes a value
// and the UTF-16 units of each text and key and the bytes of each data.
// The count stops once it passes `limit` and answers what it counted then
// (so a tree of 2^40 references answers at once). Values nested deeper than
// a property list may hold count as past the limit.
//   propertyListExpandedSize(QVariantList{"ab", "ab"}, 1000)  => 52
//   (12 levels of pairs over one 1 MB string, 64 MB)           => a little over 64 MB
[[nodiscard]] qint64 propertyListExpandedSize(const QVariant& value, qint64 limit);

} // namespace sorvant
