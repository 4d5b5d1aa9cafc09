#include "system/pdf_documents.h"

#include "platform/file_system_representation.h"
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

std::shared_ptr<PdfDocument> PdfDocument::fromFile(const QString& path)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty() || !pdfModule().isLoaded())
        return nullptr;
    void* handle = pdfModule().openFile(bytes.constData());
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
    QImage image;
    return pdfModule().renderPage(m_handle, page, xResolution, yResolution, &image) ? image : QImage();
}

} // namespace sorvant
