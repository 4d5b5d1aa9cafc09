#pragma once
// What the contents of an image or PDF file say: an image's pixel size and a
// PDF's validity and page count. Reading is done by Qt's image readers and
// by the poppler PDF library; nothing is rendered. Deciding by extension
// alone is in image_file_types.h.

#include <QSize>
#include <QString>

namespace sorvant {

// The width and height in pixels of the first image in the file, read from
// its header where the format allows; an invalid QSize when the file is
// missing or no image reader understands it (whatever its extension).
//   a 3 x 2 PNG => QSize(3, 2)   a text file => QSize()   "" => QSize()
[[nodiscard]] QSize pixelSizeOfImageFile(const QString& path);

// The number of pages of the PDF document in the file; -1 when the file is
// missing, is not a PDF, or is encrypted so that it cannot be opened.
//   a two-page PDF => 2   a PNG => -1   "" => -1
[[nodiscard]] int pageCountOfPDFFile(const QString& path);

// Whether the file is a PDF document that opens (pageCountOfPDFFile >= 0).
[[nodiscard]] bool isValidPDFFile(const QString& path);

} // namespace sorvant
