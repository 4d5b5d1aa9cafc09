#pragma once
// The platform's white-space trim: Unicode white space (the White_Space
// property: Z*, U+0009..U+000D and U+0085), from ICU. It is narrower than the
// toolkit's white-spaces bitmap (foundation/chars_table.h), which also holds
// U+0000, U+0003, U+FEFF and U+FFFC; the two are kept apart on purpose.
//   trimmedWhiteSpace(u" \tab\u2028")  => "ab"
//   trimmedWhiteSpace(u"\uFEFFab")     => "\uFEFFab"
//   trimmedWhiteSpace(u"  ")           => ""     trimmedWhiteSpace({}) => {}

#include <QStringView>

namespace sorvant::unicode {

// Whether the code point has the Unicode White_Space property.
[[nodiscard]] bool isWhiteSpace(char32_t c);

// The part of `text` without leading and trailing white space; a view into
// `text` (empty, located at the end of the leading run, when all is white).
[[nodiscard]] QStringView trimmedWhiteSpace(QStringView text);

} // namespace sorvant::unicode
