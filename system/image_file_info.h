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
#include <QtGlobal>

#include <atomic>

class QByteArray;

namespace sorvant {

// The width and height in pixels of the first image in the file, read from
// its header where the format allows; an invalid QSize when the file is
// missing or no image reader understands it (whatever its extension), the
// image module cannot be loaded, or `*stop` (null: never) is set before the
// size is known: the file's reads end at the stop, and a decode with them.
//   a 3 x 2 PNG => QSize(3, 2)   a text file => QSize()   "" => QSize()
//   a 3 x 2 PNG with the stop set => QSize()
[[nodiscard]] QSize pixelSizeOfImageFile(const QString& path, const std::atomic<bool>* stop = nullptr);
// The formats Qt's image readers know, as QImageReader names them ("png",
// "jpeg"...); empty when the image module cannot be loaded.
[[nodiscard]] QList<QByteArray> imageReaderFormats();
// The image module, loaded by this call when it is not yet; null when it
// cannot be loaded.
[[nodiscard]] QString imageReaderModulePath();

// The most a page count reads of a file. A PDF's index lets a reader count
// the pages of a document of any size from a few pieces of it; without a
// usable index the whole file is read, about 9 s per gigabyte.
inline constexpr qint64 kPDFPageCountReadLimit = qint64(32) << 20;
// What pageCountOfPDFFile answers when counting would read more than its
// limit: the pages are not known.
inline constexpr int kPDFPagesNotCounted = -2;

// The number of pages of the PDF document in the file; -1 when the file is
// missing, is not a PDF, or is encrypted so that it cannot be opened;
// kPDFPagesNotCounted when counting would read more than `readLimit` bytes.
//   a two-page PDF => 2   a PNG => -1   "" => -1
//   6 GB of zeros named .pdf => kPDFPagesNotCounted
[[nodiscard]] int pageCountOfPDFFile(const QString& path, qint64 readLimit = kPDFPageCountReadLimit);

// Whether the file is a PDF document that opens (pageCountOfPDFFile >= 0).
[[nodiscard]] bool isValidPDFFile(const QString& path);
// The PDF reader, a module loaded on first use (by this call too); null
// when it cannot be loaded, and PDF files then give -1.
[[nodiscard]] QString pdfReaderModulePath();

} // namespace sorvant
