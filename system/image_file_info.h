#pragma once
// What the contents of an image or PDF file say: an image's pixel size and a
// PDF's validity and page count. Reading is done by Qt's image readers and
// by the PDF reader, each a module loaded on first use (system/image_reader,
// system/pdf_pages), so that a program that asks neither starts without
// Qt's GUI library or the PDF library; nothing is rendered. Deciding by
// extension alone is in image_file_types.h; the image a pasteboard makes is
// in pasteboard_images.h.

#include <QList>
#include <QSize>
#include <QString>

class QByteArray;

namespace sorvant {

// The width and height in pixels of the first image in the file, read from
// its header where the format allows; an invalid QSize when the file is
// missing or no image reader understands it (whatever its extension), or
// the image module cannot be loaded.
//   a 3 x 2 PNG => QSize(3, 2)   a text file => QSize()   "" => QSize()
[[nodiscard]] QSize pixelSizeOfImageFile(const QString& path);
// The formats Qt's image readers know, as QImageReader names them ("png",
// "jpeg"...); empty when the image module cannot be loaded.
[[nodiscard]] QList<QByteArray> imageReaderFormats();
// The image module, loaded by this call when it is not yet; null when it
// cannot be loaded.
[[nodiscard]] QString imageReaderModulePath();

// The number of pages of the PDF document in the file; -1 when the file is
// missing, is not a PDF, or is encrypted so that it cannot be opened.
//   a two-page PDF => 2   a PNG => -1   "" => -1
[[nodiscard]] int pageCountOfPDFFile(const QString& path);

// Whether the file is a PDF document that opens (pageCountOfPDFFile >= 0).
[[nodiscard]] bool isValidPDFFile(const QString& path);
// The PDF reader, a module loaded on first use (by this call too); null
// when it cannot be loaded, and PDF files then give -1.
[[nodiscard]] QString pdfReaderModulePath();

} // namespace sorvant
