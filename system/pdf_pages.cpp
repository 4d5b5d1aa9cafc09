#include "system/pdf_pages.h"

#include <poppler-qt6.h>

namespace sorvant {

int pdfPageCount(const QString& path)
{
    if (path.isEmpty())
        return -1;
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document || document->isLocked())
        return -1;
    return document->numPages();
}

} // namespace sorvant
