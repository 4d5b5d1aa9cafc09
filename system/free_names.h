#pragma once
// A free name for a new file beside existing ones: a counter "-N" between
// the name's base and its extension, the whole name kept within 250 UTF-16
// units and 255 bytes (the file systems' limit) by shortening the base.

#include <QString>

namespace sorvant {

// A path in the same folder at which nothing exists (not even a dangling
// link). The path itself when free; else base + "-1" + "." + extension,
// "-2" …, the base cut (always from the full base, never inside a
// character) so the name stays within 250 units and 255 bytes.
//   null => null     "" => ""     "/d/free.pdf" => "/d/free.pdf"
//   "/d/B.pdf" (exists) => "/d/B-1.pdf", or "/d/B-2.pdf" when that exists too
//   "/d/noext" (exists) => "/d/noext-1"
[[nodiscard]] QString nonExistingFilenameAtPath(const QString& path);

} // namespace sorvant
