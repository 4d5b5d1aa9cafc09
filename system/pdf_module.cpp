#include "system/pdf_module.h"

#include "system/program_modules.h"

namespace sorvant {

const PdfModule& pdfModule()
{
    static const PdfModule loaded = [] {
        PdfModule functions;
        functions.path = loadProgramModule(
            QStringLiteral(SORVANT_PDF_MODULE_NAME), QStringLiteral(SORVANT_PDF_MODULE_BUILD_PATH),
            QStringLiteral("PDF files cannot be read"), [&functions](void* module) {
                return findModuleFunction(module, "sorvant_pdf_page_count", functions.pageCountOfFile)
                       && findModuleFunction(module, "sorvant_pdf_open_data", functions.openData)
                       && findModuleFunction(module, "sorvant_pdf_open_file", functions.openFile)
                       && findModuleFunction(module, "sorvant_pdf_close", functions.close)
                       && findModuleFunction(module, "sorvant_pdf_document_page_count", functions.pageCount)
                       && findModuleFunction(module, "sorvant_pdf_page_size", functions.pageSize)
                       && findModuleFunction(module, "sorvant_pdf_draw_page", functions.drawPage);
            });
        return functions.isLoaded() ? functions : PdfModule{};
    }();
    return loaded;
}

} // namespace sorvant
