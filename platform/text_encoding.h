#pragma once
// Conversions between UTF-8, UTF-16 and the other text encodings ICU knows,
// over caller-supplied buffers. No string objects are made.
//
// An encoding is named by any name or alias ICU's converters know: "UTF-8",
// "ISO-8859-1", "windows-1252", "macintosh", "Shift_JIS", "UTF-16BE"...
//
// The UTF-8 converters answer a status (kTextConversionOK or one of the
// failures below). On a full output buffer the buffer holds the longest run
// of whole characters that fits; the optional count says how many units or
// bytes were written in every case.
//   convertUTF8ToUnichars("ab", 2, buf, 8, &n)       => OK, n = 2
//   convertUTF8ToUnichars("a\xff", 2, buf, 8, &n)    => MalformedInput
//   convertUTF8ToUnichars(nullptr, 0, buf, 8, &n)    => OK, n = 0
//   convertUnicharsToUTF8(u"a\u20ac", 2, b, 2, &n)   => OutputBufferFull, n = 1

#include <QtGlobal>

namespace sorvant {

// Status codes of the converters (the values of the classic text-encoding
// converter statuses, so logs read the same).
enum TextConversionStatus : int {
    kTextConversionOK = 0,
    kTextConversionParameterError = -50,
    kTextConversionUnsupportedEncoding = -8738,
    kTextConversionMalformedInput = -8739,
    kTextConversionOutputBufferFull = -8785,
};

// Loads ICU's conversion data once; later calls return at once. The UTF-8
// converters need no shared converter object (ICU's UTF-8 transforms keep
// no state), so they are safe on any thread and also work without this call.
void initTextEncodingConverters();

// UTF-8 bytes to UTF-16 units.
[[nodiscard]] int convertUTF8ToUnichars(const char* bytes, qsizetype byteCount, char16_t* units, qsizetype unitCapacity,
                                        qsizetype* unitCount = nullptr);

// UTF-16 units to UTF-8 bytes; an unpaired surrogate is malformed input.
[[nodiscard]] int convertUnicharsToUTF8(const char16_t* units, qsizetype unitCount, char* bytes, qsizetype byteCapacity,
                                        qsizetype* byteCount = nullptr);

// Bytes in `encoding` (an ICU converter name) to UTF-16 units. Answers true
// when every byte converted and fitted; false for an unknown encoding
// (`unitCount` 0), a malformed or unmappable byte sequence or a full buffer
// (`unitCount` then the units written before the failure).
//   convertCharsToUnichars("caf\xe9", 4, "ISO-8859-1", buf, 8, &n)  => true, n = 4
//   convertCharsToUnichars("x", 1, "no-such", buf, 8, &n)           => false, n = 0
[[nodiscard]] bool convertCharsToUnichars(const char* bytes, qsizetype byteCount, const char* encoding, char16_t* units,
                                          qsizetype unitCapacity, qsizetype* unitCount);

} // namespace sorvant
