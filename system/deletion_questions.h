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

// The name of an item as a question or message shows it: its last
// component, trailing "/" ignored; a byte that is no text (U+DC80..U+DCFF)
// and control characters (a newline would break the sentence) as U+FFFD.
//   "/d/a" => "a"   "/d/a/" => "a"   "/d/a\nb" => "a\uFFFDb"   "/" => "/"   "" => ""
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
