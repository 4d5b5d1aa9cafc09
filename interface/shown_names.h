#pragma once
// Names as the window's table and status line show them: whole on one line
// and in the order they are stored. A name may hold characters that change
// how text around them is laid out: control characters break the line
// (visibleControlCharacters marks them, system/deletion_questions.h), and
// bidirectional controls (U+202A-U+202E, U+2066-U+2069, U+200E, U+200F,
// U+061C) and line and paragraph separators (U+2028, U+2029, U+0085 and
// the other C1 controls) reorder or split it: `zz invoice<U+202E>txt.exe`
// would read "zz invoiceexe.txt". Those are written out as "<U+202E>", and
// the whole name is isolated (U+2068 … U+2069) so right-to-left letters in
// it cannot reorder what stands beside it.
//
// Not here: how questions quote names (system/deletion_questions.h).

#include <QList>
#include <QString>

namespace sorvant {

// The text with control, bidirectional-control and separator characters
// made visible: C0 and DEL as visibleControlCharacters marks them (one unit
// for one), the others written out as "<U+XXXX>". Right-to-left letters
// stay as they are.
//   "a\u202Eb"  => "a<U+202E>b"    "a\nb" => "a\u21B5b"    "שלום" => "שלום"
//   ""  => ""                      null => null
[[nodiscard]] QString visibleLayoutCharacters(const QString& text);

// Where each unit of `text` begins in visibleLayoutCharacters(text), and at
// the back where the text ends there: text.size() + 1 entries, so a range
// over the text maps to one over the shown text.
//   "a\u202Eb" => {0, 1, 9, 10}    "" or null => {0}
[[nodiscard]] QList<qsizetype> visibleLayoutPositions(const QString& text);

// visibleLayoutCharacters(text) between U+2068 (first strong isolate) and
// U+2069 (pop directional isolate) when it holds a layout character or a
// right-to-left letter or digit: as shown, the name keeps its order and
// leaves the text around it in its own. Other names are only marked as
// visibleControlCharacters marks them.
//   "a\u202Eb" => "\u2068a<U+202E>b\u2069"    "שלום.txt" => "\u2068שלום.txt\u2069"
//   "a\nb" => "a\u21B5b"    "" => ""    null => null
[[nodiscard]] QString isolatedVisibleName(const QString& text);

} // namespace sorvant
