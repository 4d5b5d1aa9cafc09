#pragma once
// Moving a selection to the Trash item by item, and the questions asked
// before items are deleted for good. A question names what it deletes (the
// item, or the first three and how many more) and says that deletion
// cannot be undone; the search window shows it and acts on the answer.
// Names as texts show them: marks for the characters that would break or
// reorder a line, and a name that could reorder its sentence isolated.
//
// Not here: the Trash itself (system/trash.h).

#include <QString>
#include <QStringList>

namespace sorvant {

// Moves each item to the Trash (recycleFile without removal) and answers
// the items that stayed, in their order. Items already gone count as done.
//   {"/a" (trashable), "/b" (immutable)} => {"/b"}   {} => {}
[[nodiscard]] QStringList recycleFilesKeepingRefused(const QStringList& paths);

// --- names in questions and failure messages --------------------------------------

// `text` quoted as the interface's language quotes (the table's "“%1”").
//   "a" => "“a”" (English), "„a“" (German)   "" or null => "“”"
[[nodiscard]] QString quotedForInterface(const QString& text);

// The text with each control character (U+0000-U+001F, U+007F), line or
// paragraph separator (U+0085, U+2028, U+2029) and bidirectional control
// (U+061C, U+200E, U+200F, U+202A-U+202E, U+2066-U+2069) replaced by a
// visible mark, one unit for one, so ranges over the text stay valid: a
// line break (line feed, carriage return and the separators) by ↵ (U+21B5),
// a tab by → (U+2192), a bidirectional control by ⇄ (U+21C4), which the
// usual text fonts have; the other controls by their symbol from the
// Control Pictures block (U+2400 + c, U+2421). A name holding a newline
// shows whole, with a mark where the newline is, as the results table shows
// it, and a name holding U+202E shows in the order it is stored.
//   "a\nb" => "a\u21B5b"    "a\tb" => "a\u2192b"    "a\x1b" => "a\u241B"
//   "a\u2028b" => "a\u21B5b"    "x\u202Etxt.exe" => "x\u21C4txt.exe"    null => null
[[nodiscard]] QString visibleControlCharacters(const QString& text);

// Whether the text could reorder a left-to-right sentence it is set in: it
// holds a right-to-left letter or an Arabic digit (bidirectional classes R,
// AL, AN), or a bidirectional control. A text of left-to-right letters,
// digits and neutral marks takes the sentence's direction and moves nothing
// (the interface's languages are written left to right).
//   "a.txt" => false   "\u05E9\u05DC\u05D5\u05DD.txt" => true   "a\u202Eb" => true   "" => false
[[nodiscard]] bool canReorderSentence(const QString& text);

// A name (or any text from outside, such as a system's reason) as a
// sentence shows it: its controls marked (visibleControlCharacters) and,
// when it could reorder the sentence (canReorderSentence of `text` as it
// came), set between FIRST STRONG ISOLATE (U+2068) and POP DIRECTIONAL
// ISOLATE (U+2069): inside, the name takes the direction of its first
// letter; outside, it counts as one neutral mark, so the words around it
// keep their order. Texts that cannot reorder the sentence come back as
// they were, their marks aside. For a status bar, a message or a title; a
// table cell, a line of its own whose highlight ranges count units, needs
// only visibleControlCharacters.
//   "a.txt" => "a.txt"   "zz invoice\u202Etxt.exe" => "\u2068zz invoice\u21C4txt.exe\u2069"
//   "\u05E9\u05DC\u05D5\u05DD.txt" => "\u2068\u05E9\u05DC\u05D5\u05DD.txt\u2069"   "" => ""   null => null
[[nodiscard]] QString nameForSentence(const QString& text);

// A name longer than `longest` units cut in its middle, marked by "…", so
// that its start and its end with the extension stay; the cut never parts
// a letter from its combining marks. At least the extension (up to 16
// units) and as much again before it are kept at the end.
//   ("short.txt", 48) => "short.txt"
//   (200 × "a" + ".pdf", 48) => 31 × "a" + "…" + 12 × "a" + ".pdf"
//   ("", n) => ""   (null, n) => null
[[nodiscard]] QString middleTruncatedName(const QString& name, qsizetype longest = 48);

// The name of an item as a question or message shows it: its last
// component, trailing "/" ignored; control characters, separators and
// bidirectional controls as the table shows them (visibleControlCharacters:
// a newline would break the sentence, U+202E reverse it), a byte that is no
// text (a lone surrogate, U+DC80..U+DCFF) as U+FFFD while surrogate pairs
// stay whole, and a long name cut in its middle (middleTruncatedName), so
// that an alert shows it whole; then, as nameForSentence, isolated when it
// could reorder the sentence (after the cut, which keeps both isolates).
//   "/d/a" => "a"   "/d/a/" => "a"   "/d/a\nb" => "a\u21B5b"   "/" => "/"   "" => ""
//   "/d/zz\u202Etxt.exe" => "\u2068zz\u21C4txt.exe\u2069"
//   u"/d/\U0001F4A9\uDCA9" => u"\U0001F4A9\uFFFD" (the pair kept, the byte 0xA9 not)
[[nodiscard]] QString printableItemName(const QString& path);

// --- questions ----------------------------------------------------------------------

// The names of the items for a question: each quoted as the interface's
// language quotes (quotedForInterface of printableItemName), at most
// `shown` of them, then how many more (grouped as the current locale
// groups numbers).
//   {"/d/a", "/d/b"} => "“a”, “b”"
//   {"/a", "/b", "/c", "/d", "/e"} => "“a”, “b”, “c” and 2 more"   {} => ""
[[nodiscard]] QString itemNamesForQuestion(const QStringList& paths, int shown = 3);

// The question after the Trash refused `paths`: whether to delete them
// immediately. With a `reason` (why the Trash refused, such as the
// system's message "Operation not permitted" or a FileError's
// description) the question says it, shown as nameForSentence shows a
// name. Several items share the one reason given. Empty for no paths.
//   {"/d/x"} => "“x” can't be moved to the Trash. Do you want to delete it
//                immediately? This can't be undone."
//   ({"/d/x"}, "Operation not permitted") => "“x” can't be moved to the Trash
//                (Operation not permitted). Do you want to delete it immediately? …"
[[nodiscard]] QString untrashableItemsQuestion(const QStringList& paths, const QString& reason = QString());

// The question before `paths` are deleted without the Trash. Empty for no
// paths. Counts are grouped as the current locale groups them (the window's
// stringForInteger): "these 150,000 items" (en_US), "diese 150.000 Objekte"
// (de_DE).
//   {"/d/x"} => "Do you really want to delete “x”? This can't be undone."
[[nodiscard]] QString deleteItemsQuestion(const QStringList& paths);

} // namespace sorvant
