#include "system/pdf_documents.h"

#include "platform/file_system_representation.h"
#include "system/image_file_info.h"
#include "system/pdf_module.h"

#include <QByteArray>

namespace sorvant {

std::shared_ptr<PdfDocument> PdfDocument::fromData(const QByteArray& data)
{
    if (data.isEmpty() || !pdfModule().isLoaded())
        return nullptr;
    void* handle = pdfModule().openData(&data);
    return handle ? std::shared_ptr<PdfDocument>(new PdfDocument(handle)) : nullptr;
}

std::shared_ptr<PdfDocument> PdfDocument::fromFile(const QString& path, PdfFileOpening* opening)
{
    return fromFile(path, opening, kPDFPageCountReadLimit);
}

std::shared_ptr<PdfDocument> PdfDocument::fromFile(const QString& path, PdfFileOpening* opening, qint64 readLimit)
{
    PdfFileOpening unused;
    PdfFileOpening& outcome = opening ? *opening : unused;
    outcome.reachedReadLimit = false;
    outcome.stopped = false;
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty() || !pdfModule().isLoaded())
        return nullptr;
    int ending = 0;
    void* handle = pdfModule().openFile(bytes.constData(), readLimit, outcome.stop, &ending);
    outcome.reachedReadLimit = (ending & kPdfOpenReachedReadLimit) != 0;
    outcome.stopped = (ending & kPdfOpenStopped) != 0;
    return handle ? std::shared_ptr<PdfDocument>(new PdfDocument(handle)) : nullptr;
}

PdfDocument::~PdfDocument()
{
    // A document exists only once the module is loaded.
    pdfModule().close(m_handle);
}

int PdfDocument::pageCount() const
{
    return pdfModule().pageCount(m_handle);
}

QSizeF PdfDocument::pageSize(int page) const
{
    double width = 0;
    double height = 0;
    return pdfModule().pageSize(m_handle, page, &width, &height) ? QSizeF(width, height) : QSizeF();
}

QImage PdfDocument::renderPage(int page, double xResolution, double yResolution) const
{
    return renderPage(page, xResolution, yResolution, nullptr);
}

QImage PdfDocument::renderPage(int page, double xResolution, double yResolution, PdfPageDrawing* drawing) const
{
    PdfPageDrawing unused;
    PdfPageDrawing& outcome = drawing ? *drawing : unused;
    outcome.reachedReadLimit = false;
    outcome.stopped = false;
    QImage image;
    int ending = 0;
    const bool drawn = pdfModule().drawPage(m_handle, page, xResolution, yResolution, outcome.stop, &image, &ending);
    outcome.reachedReadLimit = (ending & kPdfOpenReachedReadLimit) != 0;
    outcome.stopped = (ending & kPdfOpenStopped) != 0;
    return drawn ? image : QImage();
}

} // namespace sorvant
