#pragma once
// The bytes a path has on disk, and back. A Linux file name is any run of
// bytes; this file keeps every name exactly, so that each item found can be
// opened, renamed or removed again.
//
// Valid UTF-8 decodes as usual. Each byte that is not part of a valid UTF-8
// sequence (always 0x80..0xFF) decodes to the lone surrogate U+DC80..U+DCFF
// and encodes back to that byte. Names are never normalized here: the bytes
// are the name as stored.
//   "caf\xC3\xA9"  <=> u"café"
//   "a\xFFb"       <=> u"a\uDCFFb"
//   "\xED\xB2\x80" <=> u"\uDCED\uDCB2\uDC80"  (an encoded surrogate is invalid UTF-8)

#include <QByteArray>
#include <QString>

class QUrl;

namespace sorvant {

// The bytes for a path, to hand to POSIX calls. Null for a null string and
// for one holding U+0000 (no POSIX path can hold it). A surrogate outside
// U+DC80..U+DCFF that has no partner encodes as U+FFFD.
//   u"café" => "caf\xC3\xA9"   u"a\uDCFFb" => "a\xFFb"
//   "" => "" (not null)   null => null   u"a\u0000b" => null
[[nodiscard]] QByteArray fileSystemRepresentation(const QString& path);

// The string for bytes read from the file system (a name from a listing, a
// link target). Null for a null array; every other array round-trips
// through fileSystemRepresentation unless it holds a zero byte.
//   "caf\xC3\xA9" => u"café"   "a\xFFb" => u"a\uDCFFb"   "" => ""   null => null
[[nodiscard]] QString stringWithFileSystemRepresentation(const QByteArray& bytes);
[[nodiscard]] QString stringWithFileSystemRepresentation(const char* bytes, qsizetype length);

// Decodes `length` bytes as stringWithFileSystemRepresentation does into
// `out`, which has room for `length` units; answers the units written (at
// most `length`).
qsizetype decodeFileSystemRepresentation(const char* bytes, qsizetype length, char16_t* out);

// The number of bytes of a name's representation, or -1 when it has none.
//   u"é" => 2   "" => 0   null => -1
[[nodiscard]] qsizetype fileSystemRepresentationLength(const QString& path);

// The file URL of a path, its bytes percent-encoded as stored, and the path
// of a file URL, its escapes decoded as bytes. Qt's own fromLocalFile and
// toLocalFile go through UTF-8, so a name that is not UTF-8 would come back
// as U+FFFD and name another, missing file: every URL for a drop, the
// clipboard, a preview or another program goes through these. A relative
// path is taken from the current folder.
//   u"/a/caf\u00e9" <=> file:///a/caf%C3%A9   u"/a/\uDCFFb" <=> file:///a/%FFb
//   "" or null => empty URL        u"a\u0000b" => empty URL
//   "https://x/y", empty URL => null
[[nodiscard]] QUrl fileURLWithRepresentation(const QString& path);
[[nodiscard]] QString pathOfFileURL(const QUrl& url);

// A path as a string to keep in the settings or another property list,
// which is written as UTF-8 and so cannot hold a byte that is not: a path
// whose bytes are UTF-8 is kept as itself (what older versions wrote and
// read), any other as its file URL (fileURLWithRepresentation), whose
// escapes keep every byte. pathOfStoredString reads both forms back.
//   u"/a/café" <=> u"/a/café"   u"/a/\uDCFFb" <=> "file:///a/%FFb"
//   "" <=> ""   null <=> null   "file:///a/%C3%A9" => u"/a/é"
[[nodiscard]] QString storedStringOfPath(const QString& path);
[[nodiscard]] QString pathOfStoredString(const QString& stored);

} // namespace sorvant
