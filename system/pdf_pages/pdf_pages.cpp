// The PDF reader, a module of its own: the program loads it (and the PDF
// library with the dozen libraries that library needs) only when a PDF is
// first counted, drawn or previewed, not at start-up. Its functions have C
// names so that the loader finds them with dlsym (system/pdf_documents.cpp).

#include "system/read_only_files.h"

#include <QByteArray>
#include <QImage>

#include <poppler-qt6.h>

#include <algorithm>
#include <memory>
#include <mutex>

#define SORVANT_PDF_EXPORT extern "C" __attribute__((visibility("default")))

// What the loader looks up, described at each definition below.
SORVANT_PDF_EXPORT int sorvant_pdf_page_count(const char* path, long long readLimit);
SORVANT_PDF_EXPORT void* sorvant_pdf_open_data(const QByteArray* data);
SORVANT_PDF_EXPORT void* sorvant_pdf_open_file(const char* path);
SORVANT_PDF_EXPORT void sorvant_pdf_close(void* handle);
SORVANT_PDF_EXPORT int sorvant_pdf_document_page_count(const void* handle);
SORVANT_PDF_EXPORT int sorvant_pdf_page_size(const void* handle, int page, double* width, double* height);
SORVANT_PDF_EXPORT int sorvant_pdf_render_page(const void* handle, int page, double xResolution, double yResolution,
                                               QImage* image);

namespace {

// An open document and, for a file, the file it reads from.
struct OpenDocument
{
    std::unique_ptr<QFile> file;
    std::unique_ptr<Poppler::Document> document;
};

void silenceLibrary()
{
    // The library reports every defect of a broken file on its debug
    // channel; a search reads many such files, and failure already says it.
    static std::once_flag once;
    std::call_once(once, [] { Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant()); });
}

// Null for a document that did not open, is locked or has no page.
OpenDocument* opened(std::unique_ptr<QFile> file, std::unique_ptr<Poppler::Document> document)
{
    if (!document || document->isLocked() || document->numPages() < 1)
        return nullptr;
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    return new OpenDocument{std::move(file), std::move(document)};
}

// A file read through a limit: once `limit` bytes were read in all (a
// part read twice counts twice), every read before the end fails. The library reads a file whose cross-reference index is missing
// or damaged from its first byte to its last, which for gigabytes takes
// many seconds; failing reads end that scan.
class LimitedReads : public QIODevice
{
public:
    LimitedReads(QFile& file, qint64 limit) : m_file(file), m_left(limit) {}

    [[nodiscard]] bool reachedLimit() const { return m_reachedLimit; }
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_file.size(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (pos() >= size())
            return 0;
        if (maxSize > 0 && m_left <= 0) {
            m_reachedLimit = true;
            return -1;
        }
        const qint64 read = ::pread(int(m_file.handle()), data, size_t(std::min(maxSize, m_left)), pos());
        if (read > 0)
            m_left -= read;
        return read;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QFile& m_file;
    qint64 m_left;
    bool m_reachedLimit = false;
};

std::unique_ptr<Poppler::Page> pageOf(const void* handle, int page)
{
    const auto* open = static_cast<const OpenDocument*>(handle);
    if (open == nullptr || page < 0 || page >= open->document->numPages())
        return nullptr;
    return open->document->page(page);
}

} // namespace

// The number of pages of the PDF document in the file at `path`; -1 when it
// cannot be opened, is not a PDF or is encrypted, -2 when counting would
// read more than `readLimit` bytes.
SORVANT_PDF_EXPORT int sorvant_pdf_page_count(const char* path, long long readLimit)
{
    std::unique_ptr<QFile> file = sorvant::openReadOnlyFile(path);
    if (!file)
        return -1;
    LimitedReads reads(*file, readLimit);
    if (!reads.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return -1;
    silenceLibrary();
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(&reads);
    const int pages = document && !document->isLocked() ? document->numPages() : -1;
    return reads.reachedLimit() ? -2 : pages;
}

// A document with at least one page from PDF data or a file; null when it
// cannot be read. Closed with sorvant_pdf_close.
SORVANT_PDF_EXPORT void* sorvant_pdf_open_data(const QByteArray* data)
{
    if (data == nullptr || data->isEmpty())
        return nullptr;
    silenceLibrary();
    return opened(nullptr, Poppler::Document::loadFromData(*data));
}

SORVANT_PDF_EXPORT void* sorvant_pdf_open_file(const char* path)
{
    std::unique_ptr<QFile> file = sorvant::openReadOnlyFile(path);
    if (!file)
        return nullptr;
    silenceLibrary();
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(file.get());
    return opened(std::move(file), std::move(document));
}

SORVANT_PDF_EXPORT void sorvant_pdf_close(void* handle)
{
    delete static_cast<OpenDocument*>(handle);
}

SORVANT_PDF_EXPORT int sorvant_pdf_document_page_count(const void* handle)
{
    return handle ? static_cast<const OpenDocument*>(handle)->document->numPages() : 0;
}

// The page's size in points; 0 when there is no such page.
SORVANT_PDF_EXPORT int sorvant_pdf_page_size(const void* handle, int page, double* width, double* height)
{
    const std::unique_ptr<Poppler::Page> found = pageOf(handle, page);
    if (!found)
        return 0;
    const QSizeF size = found->pageSizeF();
    *width = size.width();
    *height = size.height();
    return 1;
}

// The page drawn at the resolutions (pixels per inch) into `image`; 0 when
// there is no such page or it cannot be drawn.
SORVANT_PDF_EXPORT int sorvant_pdf_render_page(const void* handle, int page, double xResolution,
                                               double yResolution, QImage* image)
{
    const std::unique_ptr<Poppler::Page> found = pageOf(handle, page);
    if (!found || image == nullptr)
        return 0;
    *image = found->renderToImage(xResolution, yResolution);
    return image->isNull() ? 0 : 1;
}
