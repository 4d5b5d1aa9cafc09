// The PDF reader, a module of its own: the program loads it (and the PDF
// library with the dozen libraries that library needs) only when a PDF is
// first counted, drawn or previewed, not at start-up. Its functions have C
// names so that the loader finds them with dlsym (system/pdf_documents.cpp).

#include "system/pdf_module.h"
#include "system/read_only_files.h"

#include <QByteArray>
#include <QImage>

#include <poppler-qt6.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <memory>
#include <mutex>

#define SORVANT_PDF_EXPORT extern "C" __attribute__((visibility("default")))

// What the loader looks up, described at each definition below.
SORVANT_PDF_EXPORT int sorvant_pdf_page_count(const char* path, long long readLimit);
SORVANT_PDF_EXPORT void* sorvant_pdf_open_data(const QByteArray* data);
SORVANT_PDF_EXPORT void* sorvant_pdf_open_file(const char* path, long long readLimit, const std::atomic<bool>* stop,
                                               int* ending);
SORVANT_PDF_EXPORT void sorvant_pdf_close(void* handle);
SORVANT_PDF_EXPORT int sorvant_pdf_document_page_count(const void* handle);
SORVANT_PDF_EXPORT int sorvant_pdf_page_size(const void* handle, int page, double* width, double* height);
SORVANT_PDF_EXPORT int sorvant_pdf_draw_page(const void* handle, int page, double xResolution, double yResolution,
                                             const std::atomic<bool>* stop, QImage* image, int* ending);

namespace {

// A file read through a limit: once `limit` bytes were read in all (a part
// read twice counts twice), every read before the end fails, and so does
// every read once `*stop` is set. The library reads a file whose
// cross-reference index is missing or damaged from its first byte to its
// last, and a page's content stream as far as its stated length, which for
// gigabytes takes many seconds; failing reads end that scan. Each step on
// an open document (a page looked up, a page drawn) gets a new allowance.
class LimitedReads : public QIODevice
{
public:
    LimitedReads(QFile& file, qint64 limit, const std::atomic<bool>* stop = nullptr)
        : m_file(file), m_left(limit), m_stop(stop)
    {
    }

    [[nodiscard]] bool reachedLimit() const { return m_reachedLimit; }
    [[nodiscard]] bool stopped() const { return m_stopped; }
    // From now on `limit` more bytes may be read, until `*stop` is set
    // (null: no stop; its owner keeps it until the next allowance).
    void allow(qint64 limit, const std::atomic<bool>* stop)
    {
        m_left = limit;
        m_stop = stop;
        m_reachedLimit = false;
        m_stopped = false;
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_file.size(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (pos() >= size())
            return 0;
        if (maxSize > 0 && m_stop != nullptr && m_stop->load(std::memory_order_relaxed)) {
            m_stopped = true;
            return -1;
        }
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
    const std::atomic<bool>* m_stop;
    bool m_reachedLimit = false;
    bool m_stopped = false;
};

// An open document and, for a file, the file it reads from and the device
// reading it (destroyed after the document, which reads through them) with
// the bound of each step. The device has one allowance and one position at
// a time, so the steps that read take turns.
struct OpenDocument
{
    std::unique_ptr<QFile> file;
    std::unique_ptr<LimitedReads> reads;
    std::unique_ptr<Poppler::Document> document;
    qint64 readLimit = std::numeric_limits<qint64>::max();
    mutable std::mutex reading;
};

void silenceLibrary()
{
    // The library reports every defect of a broken file on its debug
    // channel; a search reads many such files, and failure already says it.
    static std::once_flag once;
    std::call_once(once, [] { Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant()); });
}

// Null for a document that did not open, is locked or has no page.
OpenDocument* opened(std::unique_ptr<Poppler::Document> document)
{
    if (!document || document->isLocked() || document->numPages() < 1)
        return nullptr;
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    auto* open = new OpenDocument;
    open->document = std::move(document);
    return open;
}

// The page, looked up within a new allowance; call with `open.reading` held.
std::unique_ptr<Poppler::Page> pageOf(const OpenDocument& open, int page, const std::atomic<bool>* stop)
{
    if (page < 0 || page >= open.document->numPages())
        return nullptr;
    if (open.reads)
        open.reads->allow(open.readLimit, stop);
    return open.document->page(page);
}

// The abort question of a drawing; `payload` holds its stop (or 0).
bool drawingShouldAbort(const QVariant& payload)
{
    const auto* stop = reinterpret_cast<const std::atomic<bool>*>(payload.value<quintptr>());
    return stop != nullptr && stop->load(std::memory_order_relaxed);
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
    return opened(Poppler::Document::loadFromData(*data));
}

// The file is read through `readLimit` bytes at most and stops at `*stop`
// (null for none); `*ending` gets kPdfOpenReachedReadLimit or
// kPdfOpenStopped when either ended the open, which then answers null.
SORVANT_PDF_EXPORT void* sorvant_pdf_open_file(const char* path, long long readLimit, const std::atomic<bool>* stop,
                                               int* ending)
{
    *ending = 0;
    std::unique_ptr<QFile> file = sorvant::openReadOnlyFile(path);
    if (!file)
        return nullptr;
    auto reads = std::make_unique<LimitedReads>(*file, readLimit, stop);
    if (!reads->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return nullptr;
    silenceLibrary();
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(reads.get());
    // The checks of what opened read too, so they count against the limit.
    OpenDocument* open = opened(std::move(document));
    const int ended = (reads->reachedLimit() ? sorvant::kPdfOpenReachedReadLimit : 0)
                      | (reads->stopped() ? sorvant::kPdfOpenStopped : 0);
    if (ended != 0) {
        delete open;
        *ending = ended;
        return nullptr;
    }
    if (open == nullptr)
        return nullptr;
    // Later steps read within the same bound, each on its own.
    reads->allow(readLimit, nullptr);
    open->readLimit = readLimit;
    open->file = std::move(file);
    open->reads = std::move(reads);
    return open;
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
    const auto* open = static_cast<const OpenDocument*>(handle);
    if (open == nullptr)
        return 0;
    const std::lock_guard lock(open->reading);
    const std::unique_ptr<Poppler::Page> found = pageOf(*open, page, nullptr);
    if (!found)
        return 0;
    const QSizeF size = found->pageSizeF();
    *width = size.width();
    *height = size.height();
    return 1;
}

// The page drawn at the resolutions (pixels per inch) into `image`; 0 when
// there is no such page, it cannot be drawn or `*stop` (null for none) was
// set meanwhile. A document from a file reads at most its open's bound for
// the drawing: a content stream that goes on past it is drawn as far as it
// was read. `*ending` gets kPdfOpenReachedReadLimit or kPdfOpenStopped when
// either ended the drawing.
SORVANT_PDF_EXPORT int sorvant_pdf_draw_page(const void* handle, int page, double xResolution, double yResolution,
                                             const std::atomic<bool>* stop, QImage* image, int* ending)
{
    *ending = 0;
    const auto* open = static_cast<const OpenDocument*>(handle);
    if (open == nullptr || image == nullptr)
        return 0;
    const std::lock_guard lock(open->reading);
    const std::unique_ptr<Poppler::Page> found = pageOf(*open, page, stop);
    QImage drawn;
    if (found) {
        // The reads end at the stop; the question between drawing operations
        // ends a page whose content was read but takes long to draw.
        drawn = found->renderToImage(xResolution, yResolution, -1, -1, -1, -1, Poppler::Page::Rotate0, nullptr,
                                     nullptr, drawingShouldAbort, QVariant::fromValue(quintptr(stop)));
    }
    int ended = 0;
    if (open->reads) {
        ended = (open->reads->reachedLimit() ? sorvant::kPdfOpenReachedReadLimit : 0)
                | (open->reads->stopped() ? sorvant::kPdfOpenStopped : 0);
        open->reads->allow(open->readLimit, nullptr);   // the stop's owner may go now
    }
    if (stop != nullptr && stop->load(std::memory_order_relaxed))
        ended |= sorvant::kPdfOpenStopped;
    *ending = ended;
    *image = (ended & sorvant::kPdfOpenStopped) != 0 ? QImage() : drawn;
    return image->isNull() ? 0 : 1;
}
