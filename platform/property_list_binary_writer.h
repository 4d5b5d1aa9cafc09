#pragma once
// Writing the binary form of property lists ("bplist00"), which the reader
// of property_list_binary.h reads. Unlike XML it keeps what a tree shares:
// equal values are written once and referred to, containers as well as
// text, data and numbers, however they were shared in memory (a reader
// may give one shared object as two values). A tree read from a binary
// list is written about as large as it was read, however often it refers
// to its shared values, and read and written again and again it keeps
// its size.

#include <QByteArray>
#include <QVariant>

#include <optional>
#include <utility>

namespace sorvant {

// Where the data of a map, list, text or data value lies in memory, and
// its size: values that share their data (copies of one value, the values
// of a binary list's shared object) have the same. While a tree is held
// whole, no other value in it has the same, so walks of the tree tell the
// values they met before by it. Nothing for other values, empty ones, and
// text and data shorter than `shortest` (which are cheaper told apart by
// what they hold).
//   (QVariant(text), QVariant(text)) => the same
//   (QVariant(QString("ab")), QVariant(QString("ab"))) made apart => different
using PropertyListIdentity = std::pair<const void*, qsizetype>;
[[nodiscard]] std::optional<PropertyListIdentity> propertyListIdentity(const QVariant& value,
                                                                       qsizetype shortest = 1);

// The binary property list of `value`, which must already be in the form
// propertyListValue() answers (maps, lists, QString, qint64, quint64,
// double, bool, QDateTime, QByteArray). Text is ASCII when it is, else
// UTF-16; integers take the fewest bytes that read back as the same value
// (a quint64 above the signed range 16 bytes); dates are seconds from 2001
// to the millisecond. Empty when the list would be larger than `limit`
// bytes. The caller checks what the reader would refuse
// (isBoundedBinaryPropertyList()).
//   writeBinaryPropertyList(QVariantList{"a", "a"}, 1024) => "bplist00" + 2 objects + table + trailer
[[nodiscard]] QByteArray writeBinaryPropertyList(const QVariant& value, qint64 limit);

// Whether the writer takes `a` and `b` for one value, the same in type and
// bits all the way down: what it would write of each is the same objects.
// Values Qt calls equal may not be (1, 1.0 and true; 0.0 and -0.0; text and
// data of the same bytes; a text and its other normalization). Both in the
// form propertyListValue() answers; nil is the same only as nil.
//   ([1], [1])           => true       ({a: true}, {a: 1}) => false
//   (0.0, -0.0)          => false      (nil, nil)          => true
//   ([1], [1.0])         => false      (nil, [])           => false
[[nodiscard]] bool isSamePropertyListValue(const QVariant& a, const QVariant& b);

} // namespace sorvant
