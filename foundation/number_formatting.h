#pragma once
// Number and byte-count text for display: the shared integer and float
// formatters and the size text of the results table's size column. All use
// the current locale; examples are for en_US.
//   stringForInteger(1234567)  => "1,234,567"
//   stringForFloat(2.345f)     => "2.35"        (at most 2 fraction digits)
//   stringForSize(999)         => "999 bytes"
//   stringForSize(1)           => "1 byte"
//   stringForSize(1500)        => "1.5 KB"
//   stringForSize(999999)      => "1,000 KB"    (unit chosen before rounding)
//   stringForSize(1250000)     => "1.2 MB"      (half to even)

#include "platform/number_format.h"

#include <QString>

namespace sorvant {

// --- shared formatters (created on first use, never freed) --------------

// No style, no fraction digits, grouping by 3, in the current locale: it
// follows a change of the locale (the others keep that of their first use).
[[nodiscard]] const NumberFormatter& integerFormatter();
// Decimal style, at most 2 fraction digits, grouping by 3.
[[nodiscard]] const NumberFormatter& floatFormatter();
// Decimal style, at most 1 fraction digit, grouping by 3 (stringForSize).
[[nodiscard]] const NumberFormatter& sizeFormatter();

// --- number text ---------------------------------------------------------

// The text of `value` by `formatter`; "" when it cannot be made.
[[nodiscard]] QString stringForInteger(const NumberFormatter& formatter, qint64 value);
// The text of the single-precision `value` (widened to double, as a number
// made from a float is formatted).
[[nodiscard]] QString stringForFloat(const NumberFormatter& formatter, float value);
// The same by the shared integer and float formatters.
[[nodiscard]] QString stringForInteger(qint64 value);
[[nodiscard]] QString stringForFloat(float value);

// The display text of a byte count: below 1,000 "%d bytes" ("%d byte" for
// one); else the count in KB, MB, GB or TB (powers of 1,000, chosen by the
// exact count) divided in single precision and formatted by `formatter`
// into "%@ KB" and so on. The formats are looked up in the application's
// string tables (platform/localized_text.h); without an entry the key
// itself is the format.
//   stringForSize(0)              => "0 bytes"
//   stringForSize(1)              => "1 byte"
//   stringForSize(1000)           => "1 KB"
//   stringForSize(1000000000000)  => "1 TB"
[[nodiscard]] QString stringForSize(quint64 bytes, const NumberFormatter& formatter);
// The same with the shared size formatter.
[[nodiscard]] QString stringForSize(quint64 bytes);

} // namespace sorvant
