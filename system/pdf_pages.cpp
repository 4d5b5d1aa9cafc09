#include "system/pdf_pages.h"

#include <poppler-qt6.h>

#include <mutex>

namespace sorvant {

int pdfPageCount(const QString& path)
{
    if (path.isEmpty())
        return -1;
    // poppler reports every damaged file it meets on standard error; a
    // search meets many, and an unreadable file simply has no page count.
    static std::once_flag quiet;
    std::call_once(quiet, [] { Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant()); });
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document || document->isLocked())
        return -1;
    return document->numPages();
}

} // namespace sorvant
