#pragma once
// Making strings: emptiness tests that accept null, a unique string, short
// constructors from bytes, one unit, components or a file, and writers that
// report the encoding they used. The one string-to-Boolean rule of the code
// base, boolValue, is in foundation/values.h.
//
// Encodings are the platform's numbers (platform/string_encoding.h);
// conversions are strict, so bytes that are not valid in the encoding give a
// null string and text the encoding cannot hold is not written.

#include "platform/string_encoding.h"

#include <QByteArray>
#include <QString>

#include <initializer_list>

namespace sorvant {

// --- tests ---------------------------------------------------------------

//   isStringEmpty({}) => true   isStringEmpty("") => true   ("a") => false
[[nodiscard]] bool isStringEmpty(const QString& string);
//   isStringNotEmpty({}) => false   ("") => false   ("a") => true
[[nodiscard]] bool isStringNotEmpty(const QString& string);

// --- construction --------------------------------------------------------

// A new UUID as 36 upper-case hexadecimal characters in groups of 8, 4, 4,
// 4 and 12 joined by "-": "1B4E28BA-2FA1-11D2-883F-0016D3CCA427".
[[nodiscard]] QString uniqueString();

// The strings up to the first null one joined by ".":
//   stringWithComponents({"a", "b"})       => "a.b"
//   stringWithComponents({"a", {}, "b"})   => "a"
//   stringWithComponents({"a"})            => "a"
//   stringWithComponents({{}, "b"}) / ({}) => null
[[nodiscard]] QString stringWithComponents(std::initializer_list<QString> components);

// The text of bytes in an encoding; null when they are not valid in it.
//   stringWithData("caf\xc3\xa9", NSUTF8StringEncoding) => "café"
//   stringWithData("", NSUTF8StringEncoding)            => ""
[[nodiscard]] QString stringWithData(const QByteArray& data, StringEncoding encoding);
[[nodiscard]] QString stringWithBytes(const char* bytes, qsizetype length, StringEncoding encoding);
// The first `length` bytes; a zero byte among them does not end the text.
//   stringWithCString("a\0b", 3, NSUTF8StringEncoding) => "a\0b"
[[nodiscard]] QString stringWithCString(const char* bytes, qsizetype length, StringEncoding encoding);
// The bytes up to the first zero byte; null for a null pointer.
[[nodiscard]] QString stringWithNullTerminatedCString(const char* bytes, StringEncoding encoding);
// A string of the one UTF-16 unit (which may be a zero unit).
[[nodiscard]] QString stringWithCharacter(char16_t character);

// The text of the file at `path`. An encoding from 1 to 4,294,967,279 is
// used as it is and stored into `usedEncoding`; 0 and larger values ask for
// detection (the character set the file declares in user.charset, else a
// byte-order mark, else UTF-8), which reports the encoding found (0 for a
// declared set without a number), and when detection fails the file is read
// as ASCII and `usedEncoding` is 1. Null when the file cannot be read or
// decoded.
//   UTF-8 file, encoding 0     => its text, used 4
//   Latin-1 "é", encoding 0    => null (not ASCII either), used 1
//   Latin-1 "é" declared ISO-8859-1, encoding 0 => "é", used 5
//   Latin-1 "é", encoding 4    => null, used 4
[[nodiscard]] QString stringWithContentsOfFile(const QString& path, StringEncoding encoding,
                                               StringEncoding* usedEncoding = nullptr);

// --- the default encoding ------------------------------------------------

// The process-wide default encoding, NSUTF8StringEncoding until changed.
[[nodiscard]] StringEncoding defaultEncoding();
void setDefaultEncoding(StringEncoding encoding);

// --- writing -------------------------------------------------------------

// Writes the text in `encoding` to `path` (atomically: see
// platform/atomic_file.h); false when the text cannot be encoded or the file
// cannot be written.
[[nodiscard]] bool writeToFile(const QString& string, const QString& path, bool atomically,
                               StringEncoding encoding);
// The same in the default encoding, stored into `usedEncoding` first.
[[nodiscard]] bool writeToFileUsingDefaultEncoding(const QString& string, const QString& path, bool atomically,
                                                   StringEncoding* usedEncoding = nullptr);
// The same in fastestEncoding / smallestEncoding of the string.
[[nodiscard]] bool writeToFileUsingFastestEncoding(const QString& string, const QString& path, bool atomically,
                                                   StringEncoding* usedEncoding = nullptr);
[[nodiscard]] bool writeToFileUsingSmallestEncoding(const QString& string, const QString& path, bool atomically,
                                                    StringEncoding* usedEncoding = nullptr);

// The encoding that copies the string's units with the least work: ASCII when
// every unit is ASCII, else UTF-16 (NSUnicodeStringEncoding).
//   fastestEncoding("abc") => 1   fastestEncoding("é") => 10
[[nodiscard]] StringEncoding fastestEncoding(const QString& string);
// The lossless encoding with the fewest bytes: ASCII, else ISO Latin 1, else
// the shorter of UTF-8 and UTF-16.
//   smallestEncoding("") => 1  ("é") => 5  ("€") => 4  ("日本語") => 10
[[nodiscard]] StringEncoding smallestEncoding(const QString& string);

} // namespace sorvant
