#pragma once
// Whether encoded picture data runs to the end its format defines, for data
// that may have stopped early (a download): decoders fill the rows they
// never got with grey or black and report success, so their answer alone
// cannot tell a whole picture from a cut one.
//
// Each test walks the format's structure once, never reading past the
// data, in time linear in its size. Not here: decoding (image_loading.h).

#include <QByteArray>

namespace sorvant {

// NO when `data` is PNG, JPEG, GIF or BMP data that ends before its format
// says it does; YES for whole data of those formats and for data of any
// other format (its decoder's own errors decide).
//   a whole PNG                        => YES
//   the same without its IEND chunk    => NO
//   a JPEG cut before its EOI marker   => NO
//   a JPEG with bytes after its EOI    => YES
//   a BMP short of its last pixel row  => NO
//   "" or "hello"                      => YES (no known format)
[[nodiscard]] bool imageDataReachesItsEnd(const QByteArray& data);

} // namespace sorvant
