#pragma once
// The kind of a file (its MIME type's comment, "plain text document"), read
// from the shared MIME database's binary cache ("mime/mime.cache") directly:
// its name by the literal, suffix and glob lists, its first 16 KiB by the
// magic rules, by the same rules QMimeDatabase::mimeTypeForFile follows, so
// the answers are the same. QMimeDatabase takes one lock for every lookup
// in the process and costs tens of microseconds a file; this reader takes
// none and a few. Where the cache cannot answer alone (no cache, or more
// than one database folder, whose lists QMimeDatabase merges) the kind is
// QMimeDatabase's.

#include <QByteArray>
#include <QString>

namespace sorvant {

// The MIME type name of the item at `path` (its bytes; a link followed):
// "inode/directory" for a folder, "inode/fifo" and the like for special
// files, else by name and contents. Null when the cache cannot answer.
//   "/usr/bin" => "inode/directory"   "a.txt" (text) => "text/plain"
//   "Makefile" => "text/x-makefile"   an empty file without a known name =>
//   "application/x-zerosize"
[[nodiscard]] QString mimeTypeNameOfFile(const QByteArray& path);

// The comment of the MIME type of the item at `path`, in the language
// QMimeDatabase uses; QMimeDatabase's own answer where the cache cannot
// give one. Thread-safe.
[[nodiscard]] QString mimeKindOfFile(const QString& path);

} // namespace sorvant
