#pragma once
// Hosts taken apart for storage and comparison: the labels of a host, the
// host inverted (top-level label first), appended to a folder path as one
// component per label, and the checksum and length rule that keep a path
// component within what file systems allow.
//
// Hosts of text with letters outside ASCII go through IDNA (UTS #46) before
// they are inverted, so "Bücher.example" and "xn--bcher-kva.example" give
// the same key.

#include "platform/range.h"
#include "platform/url.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

namespace sorvant {

// --- labels ---------------------------------------------------------------------------------

// The host split at "."; null for a missing or empty host. Case unchanged.
//   "www.Example.org" => ["www", "Example", "org"]   "" => null   null => null
[[nodiscard]] QStringList hostComponents(const QString& host);
[[nodiscard]] QStringList hostComponents(const URL& url);

// The labels lower-cased in reverse order, joined with "."; empty labels
// kept. Null for a missing or empty host.
//   "WWW.Example.ORG" => "org.example.www"   "a..b" => "b..a"   "" => null
[[nodiscard]] QString invertedHost(const QString& host);
[[nodiscard]] QString invertedHost(const URL& url);

// The labels lower-cased in reverse order, empty ones dropped; with a
// `maximum` other than 0 and NSNotFound, the labels from that position on
// are joined with "." into one last element (shortened by
// shortenedPathComponent). An empty list for a missing host.
//   ("a.b.c.d", NSNotFound) => ["d", "c", "b", "a"]   ("a.b.c.d", 2) => ["d", "c.b.a"]
[[nodiscard]] QStringList invertedHostComponents(const QString& host, qsizetype maximum = NSNotFound);
// The same elements one at a time, with no list made: a host of many
// labels costs no string per label.
void forEachInvertedHostComponent(const QString& host, qsizetype maximum,
                                  const std::function<void(QStringView)>& visit);
[[nodiscard]] QStringList invertedHostComponents(const URL& url, qsizetype maximum = NSNotFound);

// `path` with each element of invertedHostComponents appended as a path
// component. Null for a null path; the path for an empty host.
//   ("www.h.org", "/cache") => "/cache/org/h/www"   ("", "/c") => "/c"
[[nodiscard]] QString stringByAppendingInvertedHostComponents(const QString& host, qsizetype maximum,
                                                              const QString& path);
[[nodiscard]] QString stringByAppendingInvertedHostComponentsToPath(const QString& host, const QString& path);

// --- IDNA -------------------------------------------------------------------------------------

// The most characters a host name holds, its last dot not counted.
inline constexpr qsizetype kMaximumHostNameLength = 253;

// The ASCII form of a host name (UTS #46 mapping, lower case, punycode
// labels); null when it is not a valid host name, which includes any host
// longer than kMaximumHostNameLength units (one more with a final ".").
//   "Bücher.Example" => "xn--bcher-kva.example"   "a b" => null   "" => null
[[nodiscard]] QString asciiHostName(const QString& host);

// --- length rule ---------------------------------------------------------------------------------

// CRC-32 of the text's UTF-8 bytes.   "" => 0   "abc" => 0x352441c2
[[nodiscard]] quint32 crc32(const QString& text);

// A component whose length plus `extensionLength` (the extension and its
// ".", 0 without) reaches 251 becomes its first 242 - extensionLength units
// and the CRC-32 of the whole component in eight hexadecimal digits.
//   (300 × "a", 0) => 242 × "a" + "%08x"   ("short", 0) => "short"
[[nodiscard]] QString shortenedPathComponent(const QString& component, qsizetype extensionLength);

} // namespace sorvant
