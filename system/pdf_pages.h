#pragma once
// The page count of a PDF file, read with poppler. Only the document's
// cross-reference and page tree are read; no page is rendered.
//
// Not here: which files count as PDF (the image and PDF type tests).

#include <QString>

namespace sorvant {

// The number of pages of the PDF at `path`; -1 when it cannot be opened or
// is locked with a password. A document with an unreadable page tree may
// answer 0.
//   "/d/one.pdf" => 1   "/d/notes.txt" => -1   "" => -1   null => -1
[[nodiscard]] int pdfPageCount(const QString& path);

} // namespace sorvant
