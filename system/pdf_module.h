#pragma once
// The PDF module's functions (system/pdf_pages/pdf_pages.cpp), loaded on
// first use. Counting pages needs no picture; drawing them is in
// pdf_documents.h.

#include <QString>

#include <atomic>

class QByteArray;
class QImage;

namespace sorvant {

// How a bounded open of a file, or a drawing of its page, ended, as bits of
// its `ending`.
inline constexpr int kPdfOpenReachedReadLimit = 1;
inline constexpr int kPdfOpenStopped = 2;

struct PdfModule
{
    int (*pageCountOfFile)(const char* path, long long readLimit) = nullptr;
    void* (*openData)(const QByteArray* data) = nullptr;
    void* (*openFile)(const char* path, long long readLimit, const std::atomic<bool>* stop, int* ending) = nullptr;
    void (*close)(void* handle) = nullptr;
    int (*pageCount)(const void* handle) = nullptr;
    int (*pageSize)(const void* handle, int page, double* width, double* height) = nullptr;
    int (*drawPage)(const void* handle, int page, double xResolution, double yResolution, const std::atomic<bool>* stop,
                    QImage* image, int* ending) = nullptr;
    // The module's file; null when it could not be loaded.
    QString path;

    [[nodiscard]] bool isLoaded() const { return !path.isNull(); }
};

// The module, loaded by the first call; without functions, after one
// "WARNING: ", when it cannot be loaded.
[[nodiscard]] const PdfModule& pdfModule();

} // namespace sorvant
