#pragma once
// Text encodings by the platform's encoding numbers, converted with ICU.
// Conversions are strict: bytes that are not valid in the encoding, and
// characters the encoding cannot hold, make the conversion fail instead of
// turning into replacement characters.
//   decodeString("caf\xc3\xa9", NSUTF8StringEncoding)     => "café"
//   decodeString("caf\xe9", NSUTF8StringEncoding)         => null
//   decodeString("caf\xe9", NSISOLatin1StringEncoding)    => "café"
//   decodeString("", NSUTF8StringEncoding)                => ""
//   encodeString("é", NSASCIIStringEncoding)              => fails

#include <QByteArray>
#include <QString>

#include <optional>

namespace sorvant {

// The platform's encoding numbers (NSStringEncoding).
using StringEncoding = quint64;

inline constexpr StringEncoding NSASCIIStringEncoding = 1;
inline constexpr StringEncoding NSJapaneseEUCStringEncoding = 3;
inline constexpr StringEncoding NSUTF8StringEncoding = 4;
inline constexpr StringEncoding NSISOLatin1StringEncoding = 5;
inline constexpr StringEncoding NSShiftJISStringEncoding = 8;
inline constexpr StringEncoding NSISOLatin2StringEncoding = 9;
// UTF-16 with a byte-order mark (written little-endian).
inline constexpr StringEncoding NSUnicodeStringEncoding = 10;
inline constexpr StringEncoding NSWindowsCP1251StringEncoding = 11;
inline constexpr StringEncoding NSWindowsCP1252StringEncoding = 12;
inline constexpr StringEncoding NSWindowsCP1253StringEncoding = 13;
inline constexpr StringEncoding NSWindowsCP1254StringEncoding = 14;
inline constexpr StringEncoding NSWindowsCP1250StringEncoding = 15;
inline constexpr StringEncoding NSISO2022JPStringEncoding = 21;
inline constexpr StringEncoding NSMacOSRomanStringEncoding = 30;
inline constexpr StringEncoding NSUTF16BigEndianStringEncoding = 0x90000100;
inline constexpr StringEncoding NSUTF16LittleEndianStringEncoding = 0x94000100;
// UTF-32 with a byte-order mark (written little-endian).
inline constexpr StringEncoding NSUTF32StringEncoding = 0x8c000100;
inline constexpr StringEncoding NSUTF32BigEndianStringEncoding = 0x98000100;
inline constexpr StringEncoding NSUTF32LittleEndianStringEncoding = 0x9c000100;

// YES for the encodings listed above; the others have no converter here.
[[nodiscard]] bool isSupportedEncoding(StringEncoding encoding);

// The text of `length` bytes in `encoding`; null when the bytes are not
// valid in it or the encoding is not supported. Zero bytes are text like
// any other. A byte-order mark is read (and dropped) only by the encodings
// that carry one (NSUnicodeStringEncoding, NSUTF32StringEncoding); those
// read big-endian when it is missing.
[[nodiscard]] QString decodeString(const char* bytes, qsizetype length, StringEncoding encoding);
[[nodiscard]] QString decodeString(const QByteArray& bytes, StringEncoding encoding);

// The bytes of `string` in `encoding`; nullopt when a character cannot be
// represented or the encoding is not supported. A null string gives empty
// bytes.
[[nodiscard]] std::optional<QByteArray> encodeString(const QString& string, StringEncoding encoding);

// The encoding of a text file's bytes: a byte-order mark names UTF-8,
// UTF-16 (NSUnicodeStringEncoding) or UTF-32 (NSUTF32StringEncoding); other
// bytes are UTF-8 when valid as such. 0 when none applies.
//   detectEncoding("\xef\xbb\xbfx") => NSUTF8StringEncoding
//   detectEncoding("abc")          => NSUTF8StringEncoding
//   detectEncoding("\xe9t\xe9")    => 0
[[nodiscard]] StringEncoding detectEncoding(const QByteArray& bytes);

// The text of bytes in the encoding detectEncoding found, without the
// byte-order mark; null when detection fails.
[[nodiscard]] QString decodeDetected(const QByteArray& bytes, StringEncoding* usedEncoding = nullptr);

} // namespace sorvant
