// The PDF reader, a module of its own: the program loads it (and the PDF
// library with the dozen libraries that library needs) only when a PDF's
// page count is first asked for, not at start-up.

#include <QFile>

#include <poppler-qt6.h>

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <mutex>

// The number of pages of the PDF document in the file at `path` (its bytes
// on disk, so any name opens); -1 when it cannot be opened, is not a PDF or
// is encrypted.
extern "C" __attribute__((visibility("default"))) int sorvant_pdf_page_count(const char* path);

int sorvant_pdf_page_count(const char* path)
{
    if (path == nullptr || *path == '\0')
        return -1;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return -1;
    }
    // The library reports every defect of a broken file on its debug
    // channel; a search reads many such files, and -1 already says it.
    static std::once_flag once;
    std::call_once(once, [] { Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant()); });
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(&file);
    if (!document || document->isLocked())
        return -1;
    return document->numPages();
}
