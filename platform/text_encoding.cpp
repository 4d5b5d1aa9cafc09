#include "platform/text_encoding.h"

#include "platform/log.h"

#include <unicode/ucnv.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>
#include <unicode/ustring.h>

#include <limits>
#include <memory>
#include <mutex>

namespace sorvant {

namespace {

// ICU counts in int32_t; larger buffers are refused rather than cut short.
constexpr qsizetype kMaxCount = std::numeric_limits<int32_t>::max();

bool validBuffer(const void* pointer, qsizetype count)
{
    return count >= 0 && count <= kMaxCount && (pointer != nullptr || count == 0);
}

void storeCount(qsizetype* out, qsizetype count)
{
    if (out)
        *out = count;
}

int statusOf(UErrorCode error)
{
    if (U_SUCCESS(error))
        return kTextConversionOK;
    switch (error) {
    case U_BUFFER_OVERFLOW_ERROR:
        return kTextConversionOutputBufferFull;
    case U_ILLEGAL_ARGUMENT_ERROR:
        return kTextConversionParameterError;
    case U_FILE_ACCESS_ERROR:
        return kTextConversionUnsupportedEncoding;
    default:
        return kTextConversionMalformedInput;
    }
}

// The bytes of the whole characters of `units` that fit in `capacity`: what
// ICU leaves in a UTF-8 buffer that was too small.
qsizetype utf8BytesThatFit(const char16_t* units, qsizetype count, qsizetype capacity)
{
    qsizetype bytes = 0;
    qsizetype i = 0;
    while (i < count) {
        UChar32 c = 0;
        U16_NEXT(units, i, count, c);
        const qsizetype size = U8_LENGTH(c);
        if (bytes + size > capacity)
            break;
        bytes += size;
    }
    return bytes;
}

struct ConverterCloser
{
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};

} // namespace

void initTextEncodingConverters()
{
    static std::once_flag once;
    std::call_once(once, [] {
        UErrorCode error = U_ZERO_ERROR;
        const std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open("UTF-8", &error));
        if (U_FAILURE(error))
            logError(QStringLiteral("initTextEncodingConverters: ICU conversion data unavailable (%1)")
                         .arg(QString::fromLatin1(u_errorName(error))));
    });
}

int convertUTF8ToUnichars(const char* bytes, qsizetype byteCount, char16_t* units, qsizetype unitCapacity,
                          qsizetype* unitCount)
{
    storeCount(unitCount, 0);
    if (!validBuffer(bytes, byteCount) || !validBuffer(units, unitCapacity))
        return kTextConversionParameterError;
    if (byteCount == 0)
        return kTextConversionOK;
    UErrorCode error = U_ZERO_ERROR;
    int32_t needed = 0;
    u_strFromUTF8(reinterpret_cast<UChar*>(units), static_cast<int32_t>(unitCapacity), &needed, bytes,
                  static_cast<int32_t>(byteCount), &error);
    if (error == U_BUFFER_OVERFLOW_ERROR) {
        // ICU fills the buffer to the last unit, which may be the first half
        // of a pair; valid UTF-8 never gives a lone high surrogate.
        qsizetype written = unitCapacity;
        if (written > 0 && U16_IS_LEAD(units[written - 1]))
            --written;
        storeCount(unitCount, written);
    } else if (U_SUCCESS(error) || error == U_STRING_NOT_TERMINATED_WARNING) {
        error = U_ZERO_ERROR;
        storeCount(unitCount, needed);
    }
    return statusOf(error);
}

int convertUnicharsToUTF8(const char16_t* units, qsizetype unitCount, char* bytes, qsizetype byteCapacity,
                          qsizetype* byteCount)
{
    storeCount(byteCount, 0);
    if (!validBuffer(units, unitCount) || !validBuffer(bytes, byteCapacity))
        return kTextConversionParameterError;
    if (unitCount == 0)
        return kTextConversionOK;
    UErrorCode error = U_ZERO_ERROR;
    int32_t needed = 0;
    u_strToUTF8(bytes, static_cast<int32_t>(byteCapacity), &needed, reinterpret_cast<const UChar*>(units),
                static_cast<int32_t>(unitCount), &error);
    if (error == U_BUFFER_OVERFLOW_ERROR)
        storeCount(byteCount, utf8BytesThatFit(units, unitCount, byteCapacity));
    else if (U_SUCCESS(error) || error == U_STRING_NOT_TERMINATED_WARNING) {
        error = U_ZERO_ERROR;
        storeCount(byteCount, needed);
    }
    return statusOf(error);
}

bool convertCharsToUnichars(const char* bytes, qsizetype byteCount, const char* encoding, char16_t* units,
                            qsizetype unitCapacity, qsizetype* unitCount)
{
    storeCount(unitCount, 0);
    if (!encoding || !validBuffer(bytes, byteCount) || !validBuffer(units, unitCapacity))
        return false;
    UErrorCode error = U_ZERO_ERROR;
    const std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open(encoding, &error));
    if (U_FAILURE(error) || !converter)
        return false;
    // Stop at the first malformed or unmappable sequence instead of
    // substituting U+FFFD, so that a failure is reported as one.
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
    UChar* target = reinterpret_cast<UChar*>(units);
    const char* source = bytes;
    ucnv_toUnicode(converter.get(), &target, target + unitCapacity, &source, bytes + byteCount, nullptr, true, &error);
    storeCount(unitCount, target - reinterpret_cast<UChar*>(units));
    return U_SUCCESS(error);
}

} // namespace sorvant
