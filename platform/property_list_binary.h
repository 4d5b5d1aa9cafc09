#pragma once
// The binary form of property lists ("bplist00"), read here (and written
// by property_list_binary_writer.h). Values are those of property_list.h.
// The caller checks the bounds of property_list_bounds.h first: the
// objects and references lie inside the data, no container holds itself,
// and nesting, expansion and what is held are bounded, so the reader may
// recurse. An object referred to from many places is read at most twice
// and then shared by every reference to it, what it left out included.
//
// What the file holds is read as it is or refused, never altered: text
// holding a NUL or an unpaired surrogate, and an integer that does not fit
// in 64 bits (a 16-byte integer that fits reads as qint64, or as quint64
// above the signed range), are refused, as are objects of no known kind
// (null, fill, a string kind newer writers use). Dates read to the
// millisecond; one that is no finite number of seconds within about three
// million years of 2001 reads as an invalid QDateTime.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace sorvant {

class PropertyListOmissions;

// The tree of the binary property list `data`, which has passed
// isBoundedBinaryPropertyList(). Invalid, with the reason in `error` when
// given (cleared first), when it is damaged or holds what is refused; the
// reason says where: "At 'Window/Title': The text holds a NUL character"
// (a place of more than 160 characters cut in its middle, as
// property_list_path.h cuts it; its text is made only when `error` is
// given).
// Like the XML reader it looks at the thread's PropertyListReadStop as it
// goes (about every 256 KB of work, each object counted as 16 bytes
// besides the bytes it holds; a string or data object is read in steps)
// and, once it is set, answers invalid with "The reading was stopped".
// Texts are cut as the thread's PropertyListTextCut asks
// (property_list_text.h).
// With `leftOut`, a dictionary entry whose key or value is refused (an
// array holding one is refused whole) is left out instead, counted and
// named there (property_list_omissions.h); the root itself refused still
// fails. A shared object is judged once: what it leaves out is counted at
// every place it is met, without reading it again.
//   ({"a": 1, "b": "x\0"}, leftOut) => {"a": 1}, leftOut {"'b': The text holds a NUL character"}
//   ({"a": 1, "b": "x\0"})          => invalid, "At 'b': The text holds a NUL character"
[[nodiscard]] QVariant readBinaryPropertyList(const QByteArray& data, QString* error = nullptr,
                                              PropertyListOmissions* leftOut = nullptr);

} // namespace sorvant
