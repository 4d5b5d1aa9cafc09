#pragma once
// Names as the window's table and status line show them: whole on one line
// and in the order they are stored. A name may hold characters that change
// how text around them is laid out: control characters break the line, and
// bidirectional controls (U+202A-U+202E, U+2066-U+2069, U+200E, U+200F,
// U+061C) and line and paragraph separators (U+2028, U+2029, U+0085)
// reorder or split it: `zz invoice<U+202E>txt.exe` would read
// "zz invoiceexe.txt". Those are marked one for one as the questions mark
// them (visibleControlCharacters, system/deletion_questions.h), the other
// C1 controls written out as "<U+0080>", and a name that could reorder the
// text beside it is isolated (U+2068 … U+2069).
//
// Widgets that read a text as more than its characters get it in a form
// they show as written: a tool tip (Qt guesses rich text there), a menu
// item's or a button's title ("&" marks a mnemonic) and a window title
// ("[*]" stands for the modified mark).
//
// Not here: how questions quote names (system/deletion_questions.h).

#include <QList>
#include <QString>

namespace sorvant {

// The text with control, bidirectional-control and separator characters
// made visible: as visibleControlCharacters marks them (one unit for one),
// the C1 controls other than NEL written out as "<U+XXXX>". Right-to-left
// letters stay as they are.
//   "a\u202Eb" => "a\u21C4b"    "a\u0080b" => "a<U+0080>b"    "a\nb" => "a\u21B5b"    "שלום" => "שלום"
//   ""  => ""                      null => null
[[nodiscard]] QString visibleLayoutCharacters(const QString& text);

// Where each unit of `text` begins in visibleLayoutCharacters(text), and at
// the back where the text ends there: text.size() + 1 entries, so a range
// over the text maps to one over the shown text.
//   "a\u0080b" => {0, 1, 9, 10}    "a\u202Eb" => {0, 1, 2, 3}    "" or null => {0}
[[nodiscard]] QList<qsizetype> visibleLayoutPositions(const QString& text);

// visibleLayoutCharacters(text) between U+2068 (first strong isolate) and
// U+2069 (pop directional isolate) when it could reorder the text around
// it (canReorderSentence: a bidirectional control, a right-to-left letter
// or digit): as shown, the name keeps its order and leaves the text around
// it in its own. Other names are only marked.
//   "a\u202Eb" => "\u2068a\u21C4b\u2069"    "שלום.txt" => "\u2068שלום.txt\u2069"
//   "a\nb" => "a\u21B5b"    "" => ""    null => null
[[nodiscard]] QString isolatedVisibleName(const QString& text);

// A path with each of its names shown as isolatedVisibleName shows it and
// the slashes between them kept, so that no name reorders the path.
//   "/d/a\u202Eb" => "/d/\u2068a\u21C4b\u2069"    "~/a\nb" => "~/a\u21B5b"
//   "/" => "/"    "" => ""    null => null
[[nodiscard]] QString isolatedVisiblePath(const QString& path);

// --- texts for widgets that read more than characters ---------------------------------

// `text` as a tool tip that shows it as written. Qt reads a tool tip whose
// first tag looks like HTML as rich text ("<b>x.txt" drawn bold without its
// tag, "&lt;x.txt" as "<x.txt"). Such a text goes escaped into a
// paragraph that keeps its spaces and its one line, which Qt draws as the
// characters it holds; a text Qt reads as plain (Qt::mightBeRichText) stays as it is.
//   "<b>x" => "<p style=\"white-space:pre\">&lt;b&gt;x</p>"
//   "&lt; a" => "<p style=\"white-space:pre\">&amp;lt; a</p>"
//   "a<b" => "a<b"    "a.txt" => "a.txt"    "" => ""    null => null
[[nodiscard]] QString plainToolTip(const QString& text);
// The tool tip of a name: plainToolTip(isolatedVisibleName(name)).
//   "<b>x" => "<p …>&lt;b&gt;x</p>"    "a\u202Eb" => "<p …>\u2068a\u21C4b\u2069</p>"    "" => ""
[[nodiscard]] QString nameToolTip(const QString& name);
// The tool tip of a path: plainToolTip(isolatedVisiblePath(path)).
//   "/d/<i>x" => "<p …>/d/&lt;i&gt;x</p>"    "" => ""    null => null
[[nodiscard]] QString pathToolTip(const QString& path);

// `text` as the title of a menu item, an action or a button, where "&"
// marks the next letter as the mnemonic: each "&" doubled, so it shows.
//   "a&b" => "a&&b"    "&&" => "&&&&"    "" => ""    null => null
[[nodiscard]] QString withoutMnemonics(const QString& text);
// `text` as a window title, where "[*]" stands for the window's modified
// mark: each "[*]" written "[*][*]", which Qt shows as "[*]".
//   "a[*]" => "a[*][*]"    "a" => "a"    "" => ""    null => null
[[nodiscard]] QString literalWindowTitle(const QString& text);

} // namespace sorvant
