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

// How drawing a page went, for a caller that shows why nothing is drawn.
struct PdfPageDrawing
{
    // Set by another thread to abandon the drawing; checked at each read and
    // between the page's drawing operations. Needed only during the call.
    const std::atomic<bool>* stop = nullptr;
    // Out: the page's content reaches past the read bound; the image holds
    // what was drawn from the part read.
    bool reachedReadLimit = false;
    // Out: the drawing was abandoned through `stop`; the image is null.
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
    // once `opening->stop` is set, which `opening` then says. The stop
    // serves the open only. Looking up and drawing a page of the opened
    // document reads at most the same bound again, each on its own: a page
    // whose content stream states gigabytes is drawn from its first bytes.
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
    // Drawings of one document take turns.
    [[nodiscard]] QImage renderPage(int page, double xResolution, double yResolution) const;
    // As above, abandoned at `drawing->stop` (null: as above), which
    // `drawing` then says, as it says a drawing cut short by the read bound.
    [[nodiscard]] QImage renderPage(int page, double xResolution, double yResolution, PdfPageDrawing* drawing) const;

private:
    explicit PdfDocument(void* handle) : m_handle(handle) {}
    void* m_handle;
};

} // namespace sorvant
