#include "system/image_file_info.h"

#include "platform/file_system_representation.h"
#include "system/pdf_module.h"
#include "system/program_modules.h"

#include <QByteArray>
#include <QList>

namespace sorvant {

namespace {

// The image module's functions (system/image_reader/image_reader.cpp).
struct ImageModule
{
    int (*pixelSize)(const char* path, const std::atomic<bool>* stop, int* width, int* height) = nullptr;
    void (*formats)(QList<QByteArray>* formats) = nullptr;
    QString path;

    [[nodiscard]] bool isLoaded() const { return !path.isNull(); }
};

// Loaded by the first call; without functions, after one "WARNING: ", when
// it cannot be loaded. A function's name changes with its arguments, so a
// module left from another build fails to load (sizes are then unknown)
// rather than being called with arguments it does not take.
const ImageModule& imageModule()
{
    static const ImageModule loaded = [] {
        ImageModule functions;
        functions.path = loadProgramModule(
            QStringLiteral(SORVANT_IMAGE_MODULE_NAME), QStringLiteral(SORVANT_IMAGE_MODULE_BUILD_PATH),
            QStringLiteral("Images cannot be read"), [&functions](void* module) {
                return findModuleFunction(module, "sorvant_image_pixel_size_stoppable", functions.pixelSize)
                       && findModuleFunction(module, "sorvant_image_formats", functions.formats);
            });
        return functions.isLoaded() ? functions : ImageModule{};
    }();
    return loaded;
}

} // namespace

QSize pixelSizeOfImageFile(const QString& path, const std::atomic<bool>* stop)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    int width = 0;
    int height = 0;
    if (bytes.isEmpty() || !imageModule().isLoaded() || !imageModule().pixelSize(bytes.constData(), stop, &width, &height))
        return QSize();
    return QSize(width, height);
}

QList<QByteArray> imageReaderFormats()
{
    QList<QByteArray> formats;
    if (imageModule().isLoaded())
        imageModule().formats(&formats);
    return formats;
}

QString imageReaderModulePath()
{
    return imageModule().path;
}

int pageCountOfPDFFile(const QString& path, qint64 readLimit)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty() || !pdfModule().isLoaded())
        return -1;
    return pdfModule().pageCountOfFile(bytes.constData(), readLimit);
}

QString pdfReaderModulePath()
{
    return pdfModule().path;
}

bool isValidPDFFile(const QString& path)
{
    return pageCountOfPDFFile(path) >= 0;
}

} // namespace sorvant
