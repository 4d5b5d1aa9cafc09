#pragma once
// PDF documents, read and drawn by the PDF module (system/pdf_pages), which
// the program loads on first use: the PDF library and the libraries it needs
// are loaded when a PDF is first counted, drawn or previewed, never at
// start-up. Without the module every document is null and every count -1,
// after one "WARNING: " line.
//
// Not here: what a file's contents say about its type, and a PDF's page
// count (image_file_info.h).

#include <QImage>
#include <QSizeF>
#include <QString>

#include <memory>

class QByteArray;

namespace sorvant {

class PdfDocument
{
public:
    // The document in `data` / in the file at `path` (its bytes on disk, so
    // any name opens); null when the module cannot be loaded or the data is
    // no PDF, is locked or has no page.
    [[nodiscard]] static std::shared_ptr<PdfDocument> fromData(const QByteArray& data);
    [[nodiscard]] static std::shared_ptr<PdfDocument> fromFile(const QString& path);
    ~PdfDocument();
    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;

    // At least 1.
    [[nodiscard]] int pageCount() const;
    // The page's size in points; empty for a page the document lacks.
    [[nodiscard]] QSizeF pageSize(int page) const;
    // The page drawn antialiased at the resolutions (pixels per inch: 72
    // draws one pixel per point); null for a page the document lacks.
    [[nodiscard]] QImage renderPage(int page, double xResolution, double yResolution) const;

private:
    explicit PdfDocument(void* handle) : m_handle(handle) {}
    void* m_handle;
};

} // namespace sorvant
