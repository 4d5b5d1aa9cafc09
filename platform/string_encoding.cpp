#include "platform/string_encoding.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>
#include <unicode/utf16.h>

#include <linux/limits.h>
#include <sys/xattr.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <utility>

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
Converter strictConverter(const char* name)
{
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

// Where a converter that reads what its set leaves out as U+FFFD met the
// first such bytes, in the bytes given so far.
struct LeftOutSpot
{
    std::int64_t given = 0;        // bytes given in the pieces before
    const char* callStart = nullptr; // the bytes of the conversion call under way
    const char* callLimit = nullptr;
    std::int64_t callOffset = 0; // where callStart is among the bytes given
    std::int64_t held = 0;       // bytes the converter held from before the call
    std::int64_t first = -1;
    std::int32_t firstLength = 0;
};

// ICU's call for bytes its set leaves out (and for a character cut by the
// end of the text): writes U+FFFD for them and keeps where the first was.
// ICU's own substitution writes U+001A for a single byte in some sets.
void U_CALLCONV replaceLeftOut(const void* context, UConverterToUnicodeArgs* args, const char* /*codeUnits*/,
                               int32_t length, UConverterCallbackReason reason, UErrorCode* error)
{
    if (reason > UCNV_IRREGULAR) // reset, close, clone
        return;
    auto* spot = static_cast<LeftOutSpot*>(const_cast<void*>(context));
    if (spot->first < 0) {
        // The source is past the bytes, in the call's bytes; else ICU is
        // reading again bytes it held from before the call (from a copy of
        // its own), which began where the call did, less those held.
        const auto source = reinterpret_cast<std::uintptr_t>(args->source);
        const bool inCall = source >= reinterpret_cast<std::uintptr_t>(spot->callStart)
                            && source <= reinterpret_cast<std::uintptr_t>(spot->callLimit);
        const std::int64_t at = inCall ? spot->callOffset + std::int64_t(args->source - spot->callStart) - length
                                       : spot->callOffset - spot->held;
        spot->first = std::max<std::int64_t>(0, at);
        spot->firstLength = length;
    }
    static constexpr UChar kReplacement = 0xFFFD;
    *error = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(args, &kReplacement, 1, 0, error);
}

// A converter that reads what its set leaves out as U+FFFD, noting where in
// `spot` (which outlives it).
Converter replacingConverter(const char* name, LeftOutSpot* spot)
{
    Converter converter = strictConverter(name);
    UErrorCode status = U_ZERO_ERROR;
    if (converter)
        ucnv_setToUCallBack(converter.get(), replaceLeftOut, spot, nullptr, nullptr, &status);
    return U_SUCCESS(status) ? std::move(converter) : nullptr;
}

bool hasPrefix(const QByteArray& bytes, const char* prefix, qsizetype length)
{
    return bytes.size() >= length && std::equal(prefix, prefix + length, bytes.constData());
}

Converter strictConverter(StringEncoding encoding)
{
    return strictConverter(icuName(encoding));
}

// Decodes `bytes` into `text` from `used` on, moving `used` past it;
// `text` grows by half when the bytes need more. ICU takes at most
// 2^31 - 1 bytes and 2^30 - 1 units in one call, so a longer text goes
// through in pieces; the converter keeps a character cut between two of
// them, and between two calls unless `last`.
bool decodeInto(UConverter* converter, const char* bytes, qsizetype length, bool last, QString& text,
                qsizetype& used, LeftOutSpot* spot = nullptr)
{
    if (!converter || length < 0 || (!bytes && length > 0))
        return false;
    constexpr qsizetype kBytesPerCall = qsizetype(1) << 24;
    constexpr qsizetype kUnitsPerCall = qsizetype(1) << 29;
    const char* source = bytes;
    const char* const end = bytes + length;
    for (;;) {
        const char* const limit = end - source > kBytesPerCall ? source + kBytesPerCall : end;
        if (used == text.size())
            text.resize(text.size() + std::max<qsizetype>(text.size() / 2, 64));
        auto* const start = reinterpret_cast<UChar*>(text.data());
        UChar* target = start + used;
        UChar* const targetLimit = start + std::min(text.size(), used + kUnitsPerCall);
        UErrorCode status = U_ZERO_ERROR;
        if (spot && spot->first < 0) {
            spot->callStart = source;
            spot->callLimit = limit;
            spot->callOffset = spot->given + (source - bytes);
            spot->held = std::max(0, ucnv_toUCountPending(converter, &status));
            status = U_ZERO_ERROR;
        }
        ucnv_toUnicode(converter, &target, targetLimit, &source, limit, nullptr, last && limit == end, &status);
        used = target - start;
        if (status == U_BUFFER_OVERFLOW_ERROR)
            continue;
        if (U_FAILURE(status))
            return false;
        if (limit == end && source == end)
            return true;
    }
}

// A text that fills less than half of its string gives the rest back.
void truncateText(QString& text, qsizetype used)
{
    const bool mostlyUnused = used < text.size() / 2;
    text.truncate(used);
    if (mostlyUnused)
        text.squeeze();
}

QString decodeWith(UConverter* converter, const char* bytes, qsizetype length)
{
    if (!converter || length < 0 || (!bytes && length > 0))
        return {};
    if (length == 0)
        return QString("");
    // UTF-8, UTF-16, UTF-32 and the 8-bit sets give at most one unit per
    // byte, so the text is made that long (and grown for a set that gives
    // more); a UTF-16 or UTF-32 text fills a half or a quarter of it.
    QString text(length, Qt::Uninitialized);
    qsizetype used = 0;
    if (!decodeInto(converter, bytes, length, true, text, used))
        return {};
    truncateText(text, used);
    return text;
}

} // namespace

bool isSupportedEncoding(StringEncoding encoding)
{
    return icuName(encoding) != nullptr;
}

QString decodeString(const char* bytes, qsizetype length, StringEncoding encoding)
{
    return decodeWith(strictConverter(encoding).get(), bytes, length);
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

// --- character sets by name -----------------------------------------------------

namespace {

// Longer values are no character-set names.
constexpr qsizetype kLongestCharsetName = 64;

UChar32 characterOfByte(UConverter* converter, unsigned char byte)
{
    UChar units[4];
    UErrorCode status = U_ZERO_ERROR;
    const char source = static_cast<char>(byte);
    ucnv_reset(converter);
    const int32_t count = ucnv_toUChars(converter, units, 4, &source, 1, &status);
    if (U_FAILURE(status) || count < 1 || count > 2)
        return UChar32(kUnassignedByte);
    if (count == 2)
        return U16_IS_LEAD(units[0]) && U16_IS_TRAIL(units[1]) ? U16_GET_SUPPLEMENTARY(units[0], units[1])
                                                               : UChar32(kUnassignedByte);
    return units[0];
}

} // namespace

QByteArray converterForCharset(const QByteArray& charsetName)
{
    if (charsetName.isEmpty() || charsetName.size() > kLongestCharsetName || charsetName.contains('\0'))
        return {};
    for (const char* standard : {"IANA", "MIME"}) {
        UErrorCode status = U_ZERO_ERROR;
        const char* name = ucnv_getCanonicalName(charsetName.constData(), standard, &status);
        if (U_SUCCESS(status) && name && *name)
            return strictConverter(name) ? QByteArray(name) : QByteArray();
    }
    return {};
}

StringEncoding encodingOfConverter(const QByteArray& converter)
{
    if (converter.isEmpty())
        return 0;
    for (const EncodingName& entry : kEncodings) {
        if (converterForCharset(entry.icuName) == converter)
            return entry.encoding;
    }
    return 0;
}

QString decodeInCharset(const QByteArray& bytes, const QByteArray& converter)
{
    if (converter.isEmpty())
        return {};
    return decodeWith(strictConverter(converter.constData()).get(), bytes.constData(), bytes.size());
}

std::optional<ByteCharacters> asciiCompatibleByteCharacters(const QByteArray& converterName)
{
    const Converter converter = converterName.isEmpty() ? nullptr : strictConverter(converterName.constData());
    if (!converter || ucnv_getMinCharSize(converter.get()) != 1 || ucnv_getMaxCharSize(converter.get()) != 1)
        return std::nullopt;
    ByteCharacters characters{};
    for (int byte = 0; byte < 256; ++byte) {
        const UChar32 c = characterOfByte(converter.get(), static_cast<unsigned char>(byte));
        if (byte < 0x80 && c != byte)
            return std::nullopt;
        characters[size_t(byte)] = char32_t(c);
    }
    return characters;
}

namespace {

// Writes the UTF-8 form of a code point at `out` and moves past it; NO
// (nothing written) above U+10FFFF.
bool writeUtf8(char32_t c, char*& out)
{
    if (c < 0x80) {
        *out++ = char(c);
    } else if (c < 0x800) {
        *out++ = char(0xC0 | (c >> 6));
        *out++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = char(0xE0 | (c >> 12));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    } else if (c <= 0x10FFFF) {
        *out++ = char(0xF0 | (c >> 18));
        *out++ = char(0x80 | ((c >> 12) & 0x3F));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    } else {
        return false;
    }
    return true;
}

} // namespace

QByteArray utf8FromByteCharacters(const QByteArray& bytes, const ByteCharacters& characters)
{
    // A character of a byte set takes at most 4 bytes in UTF-8.
    QByteArray utf8(bytes.size() * 4, Qt::Uninitialized);
    char* out = utf8.data();
    for (const char b : bytes) {
        if (!writeUtf8(characters[static_cast<unsigned char>(b)], out))
            return {};
    }
    utf8.truncate(out - utf8.constData());
    return utf8.isNull() ? QByteArray("") : utf8;
}

// --- text of one or two bytes a character ----------------------------------------

namespace {

// What the strict converter makes of `bytes` alone: whether they are a
// character, its unit when it is one unit (kNoUnit for more), and whether
// they are only the start of a character.
struct ByteCharacter
{
    bool valid = false;
    char16_t unit = DoubleByteUnits::kNoUnit;
    bool cut = false;
};

ByteCharacter characterOfBytes(UConverter* converter, const char* bytes, int32_t size)
{
    UChar units[4];
    UErrorCode status = U_ZERO_ERROR;
    ucnv_reset(converter);
    const int32_t length = ucnv_toUChars(converter, units, 4, bytes, size, &status);
    if (status == U_TRUNCATED_CHAR_FOUND)
        return {false, DoubleByteUnits::kNoUnit, true};
    if (U_FAILURE(status))
        return {};
    if (length != 1 || QChar::isSurrogate(units[0]))
        return {true, DoubleByteUnits::kNoUnit, false};
    return {true, char16_t(units[0]), false};
}

// The unit of a character the set has, NO where the table cannot hold it
// apart from what the set leaves out: more than one unit, or U+FFFD.
bool isTableUnit(char16_t unit)
{
    return unit != DoubleByteUnits::kNoUnit && unit != DoubleByteUnits::kReplacement;
}

} // namespace

std::optional<DoubleByteUnits> doubleByteUnits(const QByteArray& converterName)
{
    const Converter converter = converterName.isEmpty() ? nullptr : strictConverter(converterName.constData());
    if (!converter || ucnv_getMinCharSize(converter.get()) != 1 || ucnv_getMaxCharSize(converter.get()) != 2)
        return std::nullopt;
    // Only the table-driven sets read a character without a state that
    // earlier bytes set (not ISO-2022, HZ, the shifted EBCDIC ones).
    const UConverterType type = ucnv_getType(converter.get());
    if (type != UCNV_MBCS && type != UCNV_DBCS)
        return std::nullopt;
    LeftOutSpot spot;
    const Converter replacing = replacingConverter(converterName.constData(), &spot);
    if (!replacing)
        return std::nullopt;
    DoubleByteUnits units;
    bool anyLead = false;
    for (int b = 0; b < 256; ++b) {
        const char byte = char(b);
        const ByteCharacter alone = characterOfBytes(converter.get(), &byte, 1);
        if (alone.valid && !isTableUnit(alone.unit))
            return std::nullopt;
        units.single[size_t(b)] = alone.valid ? alone.unit : alone.cut ? DoubleByteUnits::kNoUnit
                                                                        : DoubleByteUnits::kReplacement;
        units.lead[size_t(b)] = alone.cut;
        anyLead = anyLead || alone.cut;
    }
    if (!anyLead)
        return std::nullopt;
    for (int b = 0; b < 256; ++b) {
        if (!units.lead[size_t(b)])
            continue;
        for (int t = 0; t < 256; ++t) {
            const char pair[2] = {char(b), char(t)};
            const size_t index = size_t(b) << 8 | size_t(t);
            const ByteCharacter character = characterOfBytes(converter.get(), pair, 2);
            // A pair still cut would make a character of three bytes.
            if (character.cut || (character.valid && !isTableUnit(character.unit)))
                return std::nullopt;
            if (character.valid) {
                units.pairs[index] = character.unit;
                continue;
            }
            // Left out: the pair, or the lead alone when the trail byte
            // cannot follow it (it is then read again).
            UChar read[4];
            UErrorCode status = U_ZERO_ERROR;
            spot = LeftOutSpot();
            ucnv_reset(replacing.get());
            ucnv_toUChars(replacing.get(), read, 4, pair, 2, &status);
            if (U_FAILURE(status) || spot.first != 0 || spot.firstLength < 1 || spot.firstLength > 2)
                return std::nullopt;
            units.pairs[index] = DoubleByteUnits::kReplacement;
            units.pairLengths[index] = static_cast<unsigned char>(spot.firstLength);
        }
    }
    return units;
}

qsizetype doubleByteUnitCount(QByteArrayView bytes, const DoubleByteUnits& units)
{
    const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = at + bytes.size();
    qsizetype count = 0;
    for (; at < end; at += units.lengthAt(at, end))
        ++count;
    return count;
}

// --- text read in pieces --------------------------------------------------------

struct PieceDecoder::LeftOutSpot : sorvant::LeftOutSpot
{
};

PieceDecoder::PieceDecoder(const char* converter, LeftOutBytes leftOut)
{
    if (leftOut == LeftOutBytes::Replace) {
        m_leftOut = std::make_unique<LeftOutSpot>();
        m_converter = replacingConverter(converter, m_leftOut.get()).release();
    } else {
        m_converter = strictConverter(converter).release();
    }
}

PieceDecoder::~PieceDecoder()
{
    ucnv_close(m_converter);
}

bool PieceDecoder::decodeInto(const char* bytes, qsizetype size, bool last, QString& text, qsizetype& used)
{
    if (sorvant::decodeInto(m_converter, bytes, size, last, text, used, m_leftOut.get())) {
        if (m_leftOut)
            m_leftOut->given += size;
        return true;
    }
    // One bad piece spends the decoder.
    ucnv_close(std::exchange(m_converter, nullptr));
    return false;
}

std::int64_t PieceDecoder::firstLeftOutByte() const
{
    return m_leftOut ? m_leftOut->first : -1;
}

bool PieceDecoder::holdsCutCharacter() const
{
    UErrorCode status = U_ZERO_ERROR;
    return m_converter && ucnv_toUCountPending(m_converter, &status) > 0 && U_SUCCESS(status);
}

void PieceDecoder::finishText(QString& text, qsizetype used)
{
    truncateText(text, used);
    if (text.isNull())
        text = QString("");
}

bool PieceDecoder::appendUtf8(const char* bytes, qsizetype size, bool last, QByteArray& utf8)
{
    // UTF-8, UTF-16, UTF-32 and the byte sets give at most one unit per
    // byte; decodeInto grows the piece's text for a set that gives more.
    qsizetype used = 0;
    if (m_units.size() < size + 2)
        m_units.resize(size + 2);
    if (!decodeInto(bytes, size, last, m_units, used))
        return false;
    const auto* units = reinterpret_cast<const char16_t*>(m_units.constData());
    // A copy the compiler keeps in a register: the bytes written below may
    // alias `used`, whose address decodeInto had.
    const qsizetype count = used;
    const qsizetype before = utf8.size();
    utf8.resize(before + 3 * count);
    char* out = utf8.data() + before;
    // Eight units from `at` as many bytes, where all are ASCII.
    const auto copiedAscii = [&out](const char16_t* at) {
        std::uint64_t first = 0;
        std::uint64_t second = 0;
        std::memcpy(&first, at, sizeof first);
        std::memcpy(&second, at + 4, sizeof second);
        if (((first | second) & 0xFF80FF80FF80FF80u) != 0)
            return false;
        for (int k = 0; k < 8; ++k)
            out[k] = char(at[k]);
        out += 8;
        return true;
    };
    for (qsizetype i = 0; i < count; ++i) {
        char32_t c = units[i];
        if (c < 0x80) {
            *out++ = char(c);
            // Runs of ASCII eight units a branch, where the unit eight on
            // is ASCII too (a run is likely): text of other characters
            // seldom makes the test, which would fail there. A loop of one
            // unit a branch alone ran 1.1x slower or faster as the code
            // around it moved.
            while (count - i > 8 && units[i + 8] < 0x80 && copiedAscii(units + i + 1))
                i += 8;
            continue;
        }
        if (QChar::isSurrogate(c)) {
            // The strict converter gives surrogates only in pairs.
            if (!QChar::isHighSurrogate(c) || i + 1 == count || !QChar::isLowSurrogate(units[i + 1])) {
                utf8.truncate(before);
                return false;
            }
            c = QChar::surrogateToUcs4(char16_t(c), units[++i]);
        }
        writeUtf8(c, out);
    }
    utf8.truncate(out - utf8.constData());
    return true;
}

const char* converterOfEncoding(StringEncoding encoding)
{
    return icuName(encoding);
}

// --- the character set a file declares -------------------------------------------

DeclaredCharset declaredCharsetOfFile(int fd)
{
    DeclaredCharset declared;
    // One call for the common answers (none, or a name that fits); a longer
    // value is read whole only to be named in a warning.
    char value[kLongestCharsetName + 1];
    ssize_t size = ::fgetxattr(fd, kCharsetAttribute, value, sizeof value);
    if (size < 0 && errno == ERANGE) {
        QByteArray whole(XATTR_SIZE_MAX, Qt::Uninitialized);
        size = ::fgetxattr(fd, kCharsetAttribute, whole.data(), size_t(whole.size()));
        if (size >= 0)
            declared.name = whole.left(size);
    } else if (size >= 0) {
        declared.name = QByteArray(value, size);
    }
    if (size < 0)
        return {};
    // Some tools store the terminating NUL or a line feed with the name.
    while (declared.name.endsWith('\0'))
        declared.name.chop(1);
    declared.name = declared.name.trimmed();
    if (declared.name.isNull())
        declared.name = QByteArray("");
    const QByteArray converter = converterForCharset(declared.name);
    declared.isUtf8 = converter == "UTF-8";
    if (!declared.isUtf8)
        declared.converter = converter;
    return declared;
}

QString decodeDeclaredOrDetected(const QByteArray& bytes, const QByteArray& declaredConverter)
{
    if (!declaredConverter.isEmpty()) {
        QString text = decodeInCharset(bytes, declaredConverter);
        if (!text.isNull())
            return text;
    }
    return decodeDetected(bytes);
}

} // namespace sorvant
