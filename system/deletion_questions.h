#pragma once
// Moving a selection to the Trash item by item, and the questions asked
// before items are deleted for good. A question names what it deletes (the
// item, or the first three and how many more) and says that deletion
// cannot be undone; the search window shows it and acts on the answer.
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

// The text with each control character (U+0000-U+001F, U+007F) replaced by
// a visible mark, one unit for one, so ranges over the text stay valid: a
// line feed or carriage return by ↵ (U+21B5), a tab by → (U+2192), which
// the usual text fonts have; the others by their symbol from the Control
// Pictures block (U+2400 + c, U+2421). A name holding a newline shows
// whole, with a mark where the newline is, as the results table shows it.
//   "a\nb" => "a\u21B5b"    "a\tb" => "a\u2192b"    "a\x1b" => "a\u241B"    null => null
[[nodiscard]] QString visibleControlCharacters(const QString& text);

// A name longer than `longest` units cut in its middle, marked by "…", so
// that its start and its end with the extension stay; the cut never parts
// a letter from its combining marks. At least the extension (up to 16
// units) and as much again before it are kept at the end.
//   ("short.txt", 48) => "short.txt"
//   (200 × "a" + ".pdf", 48) => 31 × "a" + "…" + 12 × "a" + ".pdf"
//   ("", n) => ""   (null, n) => null
[[nodiscard]] QString middleTruncatedName(const QString& name, qsizetype longest = 48);

// The name of an item as a question or message shows it: its last
// component, trailing "/" ignored; control characters as the table shows
// them (visibleControlCharacters: a newline would break the sentence), a
// byte that is no text (a lone surrogate, U+DC80..U+DCFF) as U+FFFD while
// surrogate pairs stay whole, and a long name cut in its middle
// (middleTruncatedName), so that an alert shows it whole.
//   "/d/a" => "a"   "/d/a/" => "a"   "/d/a\nb" => "a\u21B5b"   "/" => "/"   "" => ""
//   u"/d/\U0001F4A9\uDCA9" => u"\U0001F4A9\uFFFD" (the pair kept, the byte 0xA9 not)
[[nodiscard]] QString printableItemName(const QString& path);

// --- questions ----------------------------------------------------------------------

// The names of the items for a question: each quoted as the interface's
// language quotes (quotedForInterface of printableItemName), at most
// `shown` of them, then how many more.
//   {"/d/a", "/d/b"} => "“a”, “b”"
//   {"/a", "/b", "/c", "/d", "/e"} => "“a”, “b”, “c” and 2 more"   {} => ""
[[nodiscard]] QString itemNamesForQuestion(const QStringList& paths, int shown = 3);

// The question after the Trash refused `paths`: whether to delete them
// immediately. Empty for no paths.
//   {"/d/x"} => "“x” can't be moved to the Trash. Do you want to delete it
//                immediately? This can't be undone."
[[nodiscard]] QString untrashableItemsQuestion(const QStringList& paths);

// The question before `paths` are deleted without the Trash. Empty for no
// paths.
//   {"/d/x"} => "Do you really want to delete “x”? This can't be undone."
[[nodiscard]] QString deleteItemsQuestion(const QStringList& paths);

} // namespace sorvant
