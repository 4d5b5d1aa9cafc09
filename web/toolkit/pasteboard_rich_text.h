#pragma once
// Attributed strings on pasteboards: written as RTF, read from RTF. The
// readers and writers of other values are in interface/pasteboard.h; these
// two live here because RTF is read and written by this toolkit.
//
// Rich-text directory data (RTFD) has no reader or writer on Linux: a string
// with attachments is not written (the pasteboard keeps what it held), and a
// pasteboard offering RTFD first gives nil.

#include "foundation/attributed_string.h"

#include <optional>

namespace sorvant {

class Pasteboard;

// The first offered rich-text type read as an attributed string; nil for a
// null pasteboard, when none is offered, or when its data does not read.
[[nodiscard]] std::optional<AttributedString> attributedStringFromPasteboard(const Pasteboard* pasteboard);
// RTF of the string as the only type; false and nothing written when the
// data cannot be made (the string holds attachments).
bool copyToPasteboard(const AttributedString& string, Pasteboard& pasteboard);

} // namespace sorvant
