#pragma once
// Bounds a property list must keep before it is read: the binary library
// recurses once per nesting level and copies a binary object each time it
// is referred to, and the values read are freed recursively and written
// recursively, and cannot hold a NUL. These checks read the bytes once,
// without recursion, and refuse what could not be read safely. They do not
// check that the data is a well-formed property list; the readers do that.

#include <QByteArray>
#include <QString>

namespace sorvant {

// Deepest nesting of arrays and dictionaries accepted (the root is depth 0).
inline constexpr int kMaximumPropertyListDepth = 512;
// Most objects a binary property list may hold, and may expand to counting
// each reference to a shared object as a copy.
inline constexpr qint64 kMaximumPropertyListObjects = 4 * 1024 * 1024;
// Largest property list read, binary or XML.
inline constexpr qint64 kMaximumPropertyListSize = 64 * 1024 * 1024;

// YES when the binary property list ("bplist00…") `data` has a consistent
// trailer and offset table, its containers refer only to objects inside it,
// no container holds itself, no string holds a NUL, and it nests and
// expands within the bounds above. Otherwise NO, with the reason in `error` when given.
//   isBoundedBinaryPropertyList("bplist00" + a 600-deep array) => false
//   isBoundedBinaryPropertyList("")                            => false
[[nodiscard]] bool isBoundedBinaryPropertyList(const QByteArray& data, QString* error = nullptr);

// YES when the XML text `data` (UTF-8) holds no NUL character, written or as
// a character reference, and nests its elements no deeper than the bound
// above allows (the <plist> element and a scalar inside the deepest
// container included). Otherwise NO, with the reason in `error` when given.
//   isBoundedXMLPropertyList("<plist><string>a</string></plist>") => true
//   isBoundedXMLPropertyList("<plist><string>a\0</string></plist>") => false
//   isBoundedXMLPropertyList("<plist><string>&#0;</string></plist>") => false
//   isBoundedXMLPropertyList("")                                 => true
[[nodiscard]] bool isBoundedXMLPropertyList(const QByteArray& data, QString* error = nullptr);

} // namespace sorvant
