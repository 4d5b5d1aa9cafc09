#pragma once
// A small reader of RTF: groups, the font and colour tables, bold, italic,
// underline, font sizes, foreground and background colours, paragraphs,
// line breaks and tabs, "\uN" with its fallback skipped, and "\'hh" bytes in
// the document's (or the font's) code page through ICU. Pictures, objects,
// headers, footers, style sheets, document information and every "\*"
// destination are skipped. Paragraph formatting is not read.
//
// Attributes: "Font" a QFont (family from the font table, point size from
// "\fs"), "ForegroundColor" and "BackgroundColor" foundation Colors (device
// RGB), "UnderlineStyle" 1.

#include "foundation/attributed_string.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace sorvant {

// The text of `data`, or nil with `error` (when given) saying why: data
// that does not start with "{\rtf", groups that do not balance, nesting
// deeper than 512 groups.
//   "{\\rtf1\\ansi caf\\'e9}"        => "café"
//   "{\\rtf1 a\\u8364?b}"            => "a€b"
//   "{\\rtf1 {\\b bold} plain"       => nil (unbalanced)
[[nodiscard]] std::optional<AttributedString> attributedStringWithRTF(const QByteArray& data,
                                                                      QString* error = nullptr);

} // namespace sorvant
