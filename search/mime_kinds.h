#pragma once
// The kind of a file (its MIME type's comment, "plain text document") for
// the Kind column and the search's kind criteria: the type by name and
// contents, then its comment in the current language, both from the
// process's MIME database (platform/mime_database.h), whose own bounded
// reader answers the same as QMimeDatabase::mimeTypeForFile on an ordinary
// system and leaves a damaged or unusable cache out, naming it once.

#include "platform/mime_database.h"

#include <QString>

namespace sorvant {

// The comment of the MIME type of the item at `path`, in the language
// QMimeDatabase uses; the type's name when no folder has a comment for it.
// Thread-safe.
//   "a.txt" (text) => "plain text document"   a folder => "folder"   "" => ""
[[nodiscard]] QString mimeKindOfFile(const QString& path);

} // namespace sorvant
