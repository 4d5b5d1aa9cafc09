// Qt's image readers, a module of their own: the program loads it (and Qt's
// GUI library with the few dozen libraries that one needs) only when an
// image's size or the list of image types is first asked for, so that the
// search command starts without them. Its functions have C names so that
// the loader finds them with dlsym (system/image_file_info.cpp).

#include "system/read_only_files.h"
#include "system/stoppable_reads.h"

#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QList>

#include <atomic>

#define SORVANT_IMAGE_EXPORT extern "C" __attribute__((visibility("default")))

SORVANT_IMAGE_EXPORT int sorvant_image_pixel_size_stoppable(const char* path, const std::atomic<bool>* stop,
                                                           int* width, int* height);
SORVANT_IMAGE_EXPORT void sorvant_image_formats(QList<QByteArray>* formats);

// The width and height of the first image in the file at `path` (its bytes
// on disk), read from its header where the format allows; 0 when the file
// cannot be opened, no reader understands it, or `*stop` (null: never) is
// set before the size is known: the reads end there, and so does a decode.
int sorvant_image_pixel_size_stoppable(const char* path, const std::atomic<bool>* stop, int* width, int* height)
{
    const std::unique_ptr<QFile> file = sorvant::openReadOnlyFile(path);
    if (!file)
        return 0;
    sorvant::StoppableReads reads(*file, stop);
    // Without a file name the reader decides the format from the contents,
    // so a misnamed file is read for what it is.
    QImageReader reader(&reads);
    if (!reader.canRead())
        return 0;
    QSize size = reader.size();
    if (!size.isValid()) {
        // Some formats give their size only after decoding.
        const QImage image = reader.read();
        if (image.isNull() || reads.stopped())
            return 0;
        size = image.size();
    }
    *width = size.width();
    *height = size.height();
    return 1;
}

// The formats the readers know, as QImageReader names them.
void sorvant_image_formats(QList<QByteArray>* formats)
{
    *formats = QImageReader::supportedImageFormats();
}
