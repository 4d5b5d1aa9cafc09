#include "system/image_file_info.h"

#include "platform/file_system_representation.h"
#include "system/image_file_types.h"
#include "system/pdf_documents.h"

#include <QFile>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>

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
    return PdfDocument::pageCountOfFile(path);
}

QString pdfReaderModulePath()
{
    return PdfDocument::modulePath();
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
