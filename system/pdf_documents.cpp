#include "system/pdf_documents.h"

#include "platform/file_system_representation.h"
#include "platform/log.h"

#include <QByteArray>
#include <QFileInfo>

#include <dlfcn.h>

namespace sorvant {

namespace {

// The module's functions (system/pdf_pages/pdf_pages.cpp).
struct PdfModule
{
    int (*pageCountOfFile)(const char* path) = nullptr;
    void* (*openData)(const QByteArray* data) = nullptr;
    void* (*openFile)(const char* path) = nullptr;
    void (*close)(void* handle) = nullptr;
    int (*pageCount)(const void* handle) = nullptr;
    int (*pageSize)(const void* handle, int page, double* width, double* height) = nullptr;
    int (*renderPage)(const void* handle, int page, double xResolution, double yResolution, QImage* image) = nullptr;
    QString path;

    [[nodiscard]] bool isLoaded() const { return !path.isNull(); }
};

template <typename Function>
bool find(void* module, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(::dlsym(module, name));
    return function != nullptr;
}

// Beside the installed program ("<bin>/../<libdir>/sorvant"), else where the
// build put it. Without functions, after one "WARNING: ", when it cannot be
// loaded.
const PdfModule& pdfModule()
{
    static const PdfModule loaded = [] {
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
            PdfModule functions;
            if (find(module, "sorvant_pdf_page_count", functions.pageCountOfFile)
                && find(module, "sorvant_pdf_open_data", functions.openData)
                && find(module, "sorvant_pdf_open_file", functions.openFile)
                && find(module, "sorvant_pdf_close", functions.close)
                && find(module, "sorvant_pdf_document_page_count", functions.pageCount)
                && find(module, "sorvant_pdf_page_size", functions.pageSize)
                && find(module, "sorvant_pdf_render_page", functions.renderPage)) {
                functions.path = QFileInfo(candidate).canonicalFilePath();
                return functions;
            }
            failure = candidate + QStringLiteral(" lacks the PDF functions");
        }
        logWarning(QStringLiteral("PDF files cannot be read: %1")
                       .arg(failure.isEmpty() ? QStringLiteral("no " SORVANT_PDF_MODULE_NAME " found") : failure));
        return PdfModule{};
    }();
    return loaded;
}

} // namespace

std::shared_ptr<PdfDocument> PdfDocument::fromData(const QByteArray& data)
{
    if (data.isEmpty() || !pdfModule().isLoaded())
        return nullptr;
    void* handle = pdfModule().openData(&data);
    return handle ? std::shared_ptr<PdfDocument>(new PdfDocument(handle)) : nullptr;
}

std::shared_ptr<PdfDocument> PdfDocument::fromFile(const QString& path)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty() || !pdfModule().isLoaded())
        return nullptr;
    void* handle = pdfModule().openFile(bytes.constData());
    return handle ? std::shared_ptr<PdfDocument>(new PdfDocument(handle)) : nullptr;
}

PdfDocument::~PdfDocument()
{
    // A document exists only once the module is loaded.
    pdfModule().close(m_handle);
}

int PdfDocument::pageCount() const
{
    return pdfModule().pageCount(m_handle);
}

QSizeF PdfDocument::pageSize(int page) const
{
    double width = 0;
    double height = 0;
    return pdfModule().pageSize(m_handle, page, &width, &height) ? QSizeF(width, height) : QSizeF();
}

QImage PdfDocument::renderPage(int page, double xResolution, double yResolution) const
{
    QImage image;
    return pdfModule().renderPage(m_handle, page, xResolution, yResolution, &image) ? image : QImage();
}

int PdfDocument::pageCountOfFile(const QString& path)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty() || !pdfModule().isLoaded())
        return -1;
    return pdfModule().pageCountOfFile(bytes.constData());
}

QString PdfDocument::modulePath()
{
    return pdfModule().path;
}

} // namespace sorvant
