#include "system/pasteboard_images.h"

#include "platform/file_system_representation.h"
#include "system/image_file_types.h"
#include "system/read_only_files.h"

#include <QImageReader>
#include <QMimeData>
#include <QUrl>

namespace sorvant {

QImage imageWithPasteboardIcon(const QMimeData* pasteboard)
{
    if (!pasteboard)
        return QImage();
    const QList<QUrl> urls = pasteboard->urls();
    if (urls.size() == 1 && urls.first().isLocalFile() && isImageFile(pathOfFileURL(urls.first()))) {
        const std::unique_ptr<QFile> file
            = openReadOnlyFile(fileSystemRepresentation(pathOfFileURL(urls.first())).constData());
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
