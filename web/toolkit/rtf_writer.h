#pragma once
// A small writer of RTF for the attributes rtf_reader.h reads: the font's
// family, point size, bold and italic ("Font"), "ForegroundColor",
// "BackgroundColor" and "UnderlineStyle". Paragraphs become "\par", tabs
// "\tab", line separators "\line", other non-ASCII text "\uN?".
// Attachments, paragraph styles and links are not written.
//
//   "a{b}"           => "{\rtf1\ansi\ansicpg1252\deff0 ... a\{b\}...}"
//   "café"           => "...caf\u233?..."

#include "foundation/attributed_string.h"

#include <QByteArray>

namespace sorvant {

// RTF data of the whole string; null when it holds attachments (RTF cannot
// carry them).
[[nodiscard]] QByteArray RTFFromAttributedString(const AttributedString& string);

} // namespace sorvant
