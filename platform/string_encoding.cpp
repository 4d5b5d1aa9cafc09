#include "platform/string_encoding.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <algorithm>
#include <limits>
#include <memory>

namespace sorvant {

namespace {

struct ConverterDeleter
{
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterDeleter>;

struct EncodingName
{
    StringEncoding encoding;
    const char* icuName;
};

// For the two encodings with a byte-order mark, ICU's "UTF-16" and "UTF-32"
// converters read the mark and default to big-endian; writing adds a
// little-endian mark by hand (see encodeString).
constexpr EncodingName kEncodings[] = {
    {NSASCIIStringEncoding, "US-ASCII"},
    {NSJapaneseEUCStringEncoding, "EUC-JP"},
    {NSUTF8StringEncoding, "UTF-8"},
    {NSISOLatin1StringEncoding, "ISO-8859-1"},
    {NSShiftJISStringEncoding, "Shift_JIS"},
    {NSISOLatin2StringEncoding, "ISO-8859-2"},
    {NSUnicodeStringEncoding, "UTF-16"},
    {NSWindowsCP1251StringEncoding, "windows-1251"},
    {NSWindowsCP1252StringEncoding, "windows-1252"},
    {NSWindowsCP1253StringEncoding, "windows-1253"},
    {NSWindowsCP1254StringEncoding, "windows-1254"},
    {NSWindowsCP1250StringEncoding, "windows-1250"},
    {NSISO2022JPStringEncoding, "ISO-2022-JP"},
    {NSMacOSRomanStringEncoding, "macintosh"},
    {NSUTF16BigEndianStringEncoding, "UTF-16BE"},
    {NSUTF16LittleEndianStringEncoding, "UTF-16LE"},
    {NSUTF32StringEncoding, "UTF-32"},
    {NSUTF32BigEndianStringEncoding, "UTF-32BE"},
    {NSUTF32LittleEndianStringEncoding, "UTF-32LE"},
};

const char* icuName(StringEncoding encoding)
{
    for (const EncodingName& entry : kEncodings) {
        if (entry.encoding == encoding)
            return entry.icuName;
    }
    return nullptr;
}

// A converter that stops at the first invalid or unmappable character.
Converter strictConverter(StringEncoding encoding)
{
    const char* name = icuName(encoding);
    if (!name)
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(name, &status));
    if (U_FAILURE(status))
        return nullptr;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    return U_SUCCESS(status) ? std::move(converter) : nullptr;
}

bool hasPrefix(const QByteArray& bytes, const char* prefix, qsizetype length)
{
    return bytes.size() >= length && std::equal(prefix, prefix + length, bytes.constData());
}

} // namespace

bool isSupportedEncoding(StringEncoding encoding)
{
    return icuName(encoding) != nullptr;
}

QString decodeString(const char* bytes, qsizetype length, StringEncoding encoding)
{
    Converter converter = strictConverter(encoding);
    if (!converter || length < 0 || length > std::numeric_limits<int32_t>::max() / 2 || (!bytes && length > 0))
        return {};
    if (length == 0)
        return QString("");
    // Every encoding here yields at most one UTF-16 unit per byte, but for
    // surrogate pairs from 4-byte sequences, which stay within two per byte.
    QString text(length * 2, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t units = ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(text.data()),
                                        int32_t(text.size()), bytes, int32_t(length), &status);
    if (U_FAILURE(status))
        return {};
    text.truncate(units);
    return text;
}

QString decodeString(const QByteArray& bytes, StringEncoding encoding)
{
    return decodeString(bytes.constData(), bytes.size(), encoding);
}

std::optional<QByteArray> encodeString(const QString& string, StringEncoding encoding)
{
    // The marked encodings are written little-endian after a mark.
    if (encoding == NSUnicodeStringEncoding || encoding == NSUTF32StringEncoding) {
        const bool wide = encoding == NSUTF32StringEncoding;
        auto body = encodeString(string, wide ? NSUTF32LittleEndianStringEncoding : NSUTF16LittleEndianStringEncoding);
        if (!body)
            return std::nullopt;
        return (wide ? QByteArray("\xff\xfe\x00\x00", 4) : QByteArray("\xff\xfe", 2)) + *body;
    }
    Converter converter = strictConverter(encoding);
    if (!converter || string.size() > std::numeric_limits<int32_t>::max() / 4)
        return std::nullopt;
    if (string.isEmpty())
        return QByteArray("");
    const auto source = reinterpret_cast<const UChar*>(string.constData());
    UErrorCode status = U_ZERO_ERROR;
    const int32_t needed = ucnv_fromUChars(converter.get(), nullptr, 0, source, int32_t(string.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status))
        return std::nullopt;
    QByteArray bytes(needed, Qt::Uninitialized);
    status = U_ZERO_ERROR;
    ucnv_fromUChars(converter.get(), bytes.data(), needed, source, int32_t(string.size()), &status);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING)
        return std::nullopt;
    return bytes;
}

StringEncoding detectEncoding(const QByteArray& bytes)
{
    if (hasPrefix(bytes, "\xef\xbb\xbf", 3))
        return NSUTF8StringEncoding;
    if (hasPrefix(bytes, "\xff\xfe\x00\x00", 4) || hasPrefix(bytes, "\x00\x00\xfe\xff", 4))
        return NSUTF32StringEncoding;
    if (hasPrefix(bytes, "\xff\xfe", 2) || hasPrefix(bytes, "\xfe\xff", 2))
        return NSUnicodeStringEncoding;
    return decodeString(bytes, NSUTF8StringEncoding).isNull() ? 0 : NSUTF8StringEncoding;
}

QString decodeDetected(const QByteArray& bytes, StringEncoding* usedEncoding)
{
    const StringEncoding encoding = detectEncoding(bytes);
    if (usedEncoding && encoding != 0)
        *usedEncoding = encoding;
    if (encoding == 0)
        return {};
    if (encoding == NSUTF8StringEncoding && hasPrefix(bytes, "\xef\xbb\xbf", 3))
        return decodeString(bytes.constData() + 3, bytes.size() - 3, encoding);
    return decodeString(bytes, encoding);
}

} // namespace sorvant
