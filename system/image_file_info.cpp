#include "system/image_file_info.h"

#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "system/image_file_types.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <memory>

namespace sorvant {

namespace {

// Opens the file by its bytes on disk, so that a name that is not UTF-8
// opens too (QFile would encode the name as UTF-8). Null when it cannot be
// opened; the QFile closes the descriptor.
std::unique_ptr<QFile> openForReading(const QString& path)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty())
        return nullptr;
    const int fd = ::open(bytes.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return nullptr;
    }
    return file;
}

using PageCount = int (*)(const char* path);

struct PdfReader
{
    PageCount pageCount = nullptr;
    QString path;
};

// The PDF module (system/pdf_pages), loaded on first use: beside the
// installed program ("<bin>/../<libdir>/sorvant"), else where the build put
// it. Without function, after one "WARNING: ", when it cannot be loaded.
const PdfReader& pdfReader()
{
    static const PdfReader reader = [] {
        const QString installed = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath()
                                  + QStringLiteral("/../" SORVANT_INSTALL_LIBDIR "/sorvant/" SORVANT_PDF_MODULE_NAME);
        QString failure;
        for (const QString& candidate : {installed, QStringLiteral(SORVANT_PDF_MODULE_BUILD_PATH)}) {
            if (!QFileInfo::exists(candidate))
                continue;
            void* module = ::dlopen(fileSystemRepresentation(candidate).constData(), RTLD_NOW | RTLD_LOCAL);
            if (module == nullptr) {
                const char* reason = ::dlerror();
                failure = QString::fromLocal8Bit(reason ? reason : "unknown error");
                continue;
            }
            if (auto* found = reinterpret_cast<PageCount>(::dlsym(module, "sorvant_pdf_page_count")))
                return PdfReader{found, QFileInfo(candidate).canonicalFilePath()};
            failure = candidate + QStringLiteral(" lacks sorvant_pdf_page_count");
        }
        logWarning(QStringLiteral("PDF files cannot be read: %1")
                       .arg(failure.isEmpty() ? QStringLiteral("no " SORVANT_PDF_MODULE_NAME " found") : failure));
        return PdfReader{};
    }();
    return reader;
}

} // namespace

QSize pixelSizeOfImageFile(const QString& path)
{
    const std::unique_ptr<QFile> file = openForReading(path);
    if (!file)
        return QSize();
    // Without a file name the reader decides the format from the contents,
    // so a misnamed file is read for what it is.
    QImageReader reader(file.get());
    if (!reader.canRead())
        return QSize();
    const QSize size = reader.size();
    if (size.isValid())
        return size;
    // Some formats give their size only after decoding.
    const QImage image = reader.read();
    return image.isNull() ? QSize() : image.size();
}

int pageCountOfPDFFile(const QString& path)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty())
        return -1;
    const PageCount count = pdfReader().pageCount;
    return count ? count(bytes.constData()) : -1;
}

QString pdfReaderModulePath()
{
    return pdfReader().path;
}

bool isValidPDFFile(const QString& path)
{
    return pageCountOfPDFFile(path) >= 0;
}

QImage imageWithPasteboardIcon(const QMimeData* pasteboard)
{
    if (!pasteboard)
        return QImage();
    const QList<QUrl> urls = pasteboard->urls();
    if (urls.size() == 1 && urls.first().isLocalFile() && isImageFile(urls.first().toLocalFile())) {
        const std::unique_ptr<QFile> file = openForReading(urls.first().toLocalFile());
        return file ? QImageReader(file.get()).read() : QImage();
    }
    const QByteArray icon = pasteboard->data(QStringLiteral("image/x-icns"));
    if (!icon.isEmpty()) {
        const QImage image = QImage::fromData(icon);
        if (!image.isNull())
            return image;
    }
    if (pasteboard->hasImage()) {
        const QImage image = qvariant_cast<QImage>(pasteboard->imageData());
        if (!image.isNull())
            return image;
    }
    for (const QString& format : pasteboard->formats()) {
        if (!format.startsWith(QLatin1String("image/")))
            continue;
        const QImage image = QImage::fromData(pasteboard->data(format));
        if (!image.isNull())
            return image;
    }
    return QImage();
}

} // namespace sorvant
