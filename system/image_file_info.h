#pragma once
// What the contents of an image or PDF file say: an image's pixel size and a
// PDF's validity and page count. Reading is done by Qt's image readers and
// by the PDF module (pdf_documents.h); nothing is rendered. Deciding by extension
// alone is in image_file_types.h.

#include <QImage>
#include <QSize>
#include <QString>

class QMimeData;

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
// The PDF reader, a module loaded on first use (by this call too); null
// when it cannot be loaded, and PDF files then give -1.
[[nodiscard]] QString pdfReaderModulePath();

// The image pasteboard data makes, tried in this order: the one file of a
// URI list that holds exactly one file whose extension is an image's
// (isImageFile); the icon flavour ("image/x-icns") when it decodes; Qt's
// image; the first "image/..." format that decodes. A null image when none
// gives one, and for null data.
[[nodiscard]] QImage imageWithPasteboardIcon(const QMimeData* pasteboard);

} // namespace sorvant
