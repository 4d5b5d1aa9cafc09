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

#include <atomic>
#include <memory>

class QByteArray;

namespace sorvant {

// How opening a PDF file went, for a caller that shows why nothing is drawn.
struct PdfFileOpening
{
    // Set by another thread to abandon the open; checked at each read.
    const std::atomic<bool>* stop = nullptr;
    // Out: the open needed more bytes than the read bound allows.
    bool reachedReadLimit = false;
    // Out: the open was abandoned through `stop`.
    bool stopped = false;
};

class PdfDocument
{
public:
    // The document in `data` / in the file at `path` (its bytes on disk, so
    // any name opens); null when the module cannot be loaded or the data is
    // no PDF, is locked or has no page.
    [[nodiscard]] static std::shared_ptr<PdfDocument> fromData(const QByteArray& data);
    // Opening a file reads at most kPDFPageCountReadLimit bytes
    // (image_file_info.h), as a page count does: a damaged or zero-filled
    // file of gigabytes is otherwise read whole. Null past that bound or
    // once `opening->stop` is set, which `opening` then says. Drawing the
    // opened document's pages reads without bound.
    [[nodiscard]] static std::shared_ptr<PdfDocument> fromFile(const QString& path, PdfFileOpening* opening = nullptr);
    // As above, reading at most `readLimit` bytes to open.
    [[nodiscard]] static std::shared_ptr<PdfDocument> fromFile(const QString& path, PdfFileOpening* opening,
                                                               qint64 readLimit);
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
