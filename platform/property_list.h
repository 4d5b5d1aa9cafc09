#pragma once
// Property lists: reading XML and binary property lists into QVariant trees
// and writing QVariant trees as XML property lists. XML is read and written
// by property_list_xml.h in linear time; binary lists are read by
// property_list_binary.h.
//
// The mapping, both ways:
//   dict    <=> QVariantMap (QVariantHash is accepted when writing)
//   array   <=> QVariantList (QStringList is accepted when writing)
//   string  <=> QString
//   integer <=> qint64, or quint64 for values above the qint64 range; when
//               writing, every integral C type (bool excluded)
//   real    <=> double (float is accepted when writing)
//   true, false <=> bool
//   date    <=> QDateTime in UTC; XML holds whole seconds of the years 1 to
//               9999 (binary lists read to the millisecond; one outside
//               those years, in either form, or no number at all, reads
//               but is not written)
//   data    <=> QByteArray
//   uid     =>  QVariantMap {"CF$UID": quint64} (read only)
// Anything else (an invalid QVariant, the null marker, a QUrl…) cannot be
// written, nor text holding a NUL or an unpaired surrogate (which the
// reader does not read either), and neither can a tree holding one.

#include "platform/property_list_expanded_size.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <functional>

namespace sorvant {

class PropertyListOmissions;

// Parses an XML or binary property list. Answers an invalid QVariant, and the
// reason in `error` when given (cleared first), when the data is not a
// property list.
//   propertyListFromData("<plist><integer>7</integer></plist>") => qint64 7
//   propertyListFromData("bplist00…")                           => the tree
//   propertyListFromData("") / ("junk")                         => invalid
[[nodiscard]] QVariant propertyListFromData(const QByteArray& data, QString* error = nullptr);

// propertyListFromData() for a file whose other values are worth keeping
// (the settings): a dictionary entry whose key or value the reader refuses
// (text holding a NUL or an unpaired surrogate, written or as a reference;
// a binary integer past 64 bits; an array holding one is refused whole) is
// left out, and counted and named in `leftOut` with its path and the
// reason (property_list_omissions.h): each place a shared value is met
// counts, and the first few are named. A NUL written as such in XML text
// still refuses the whole list.
//   (bplist {"a": 1, "b": "x\0y"}) => {"a": 1}, leftOut {"'b': The text holds a NUL character"}
//   ("junk")                       => invalid, leftOut {}
[[nodiscard]] QVariant propertyListFromDataLeavingOut(const QByteArray& data, PropertyListOmissions* leftOut,
                                                      QString* error = nullptr);

// Answers the XML property list of `value`, or an empty array, and the reason
// in `error` when given (cleared first), when something in the tree has no
// property-list form or its XML would be larger than the readers read
// (kMaximumPropertyListSize): XML writes a shared value once per
// reference, so a tree read from a small binary list may expand to
// gigabytes; the writer counts as it goes and stops there.
//   xmlDataFromPropertyList(QVariantMap{{"a", 1}}) => "<?xml …<dict>…"
//   xmlDataFromPropertyList(QVariant())            => "" (error set)
//   (4,000 references to one 1 MB string)          => "" ("… larger than 67108864 bytes as XML")
[[nodiscard]] QByteArray xmlDataFromPropertyList(const QVariant& value, QString* error = nullptr);

// Answers the binary property list of `value`, which keeps what the tree
// shares: a value held in many places (the same data in memory) is one
// object, and so are equal texts and equal data, so a tree read from a
// binary list is written about as large as it was read. An empty array,
// with the reason in `error` when given (cleared first), when something in
// the tree has no property-list form or the list would be one the reader
// refuses (larger than kMaximumPropertyListSize, or expanding past the
// bounds of property_list_bounds.h).
//   binaryDataFromPropertyList(QVariantMap{{"a", 1}}) => "bplist00…"
//   binaryDataFromPropertyList(QVariant())            => "" (error set)
[[nodiscard]] QByteArray binaryDataFromPropertyList(const QVariant& value, QString* error = nullptr);

// YES when `value` and everything inside it can be written as a property list.
//   isPropertyListValue(QVariantList{1, "a"})       => true
//   isPropertyListValue(QVariant::fromValue(nullptr)) => false
[[nodiscard]] bool isPropertyListValue(const QVariant& value);

// `value` as a property list would give it back: integers as qint64 (or
// quint64), float as double, QStringList as QVariantList, QVariantHash as
// QVariantMap, dates in UTC. Invalid, with the reason and where in the tree
// in `error` when given, when something in it has no property-list form.
//   propertyListValue(42)                    => qint64 42
//   propertyListValue(QStringList{"a"})      => QVariantList{"a"}
//   propertyListValue(QVariant())            => invalid
//   propertyListValue({"k": "a\0b"})         => invalid, "At 'k': The text holds a NUL…"
[[nodiscard]] QVariant propertyListValue(const QVariant& value, QString* error = nullptr);

// propertyListValue() with every dictionary entry that has no property-list
// form left out (an array that holds such a value is left out whole from
// its dictionary), counted and named in `dropped` with its path and the
// reason, each place a shared value is met counting once. Invalid, with the reason in `error`, only when the root
// itself, or an array on the way to it, cannot be written.
//   ({"a": 1, "b": nullptr})  => {"a": 1}, dropped {"'b': A value of type std::nullptr_t has…"}
//   ({"w": {"d": 10000-01-01}}) => {"w": {}}, dropped {"'w/d': The date … lies outside…"}
//   (QVariant())              => invalid
[[nodiscard]] QVariant writablePropertyListValue(const QVariant& value, PropertyListOmissions* dropped,
                                                 QString* error = nullptr);

// Reads the property list in the file at `path` (XML or binary). Answers an
// invalid QVariant, with the reason in `error` when given, when the file
// cannot be read or does not hold a property list.
[[nodiscard]] QVariant readPropertyListFile(const QString& path, QString* error = nullptr);

// Writes `value` as an XML property list to `path`, atomically (see
// atomic_file.h). Answers false, with the reason in `error` when given, when
// the value has no property-list form, its XML would be larger than the
// readers read, or the file cannot be written; the old file is then
// unchanged.
[[nodiscard]] bool writePropertyListFile(const QString& path, const QVariant& value,
                                         QString* error = nullptr);

// --- stopping a read ------------------------------------------------------------------
// Frees `value` on a thread of its own (here when no thread can be had):
// freeing a tree of millions of entries takes about a tenth of the time
// its read took (61 MB of 1.7 million keys: 0.19 s), which a stop that
// comes meanwhile should not wait for. For trees nobody else holds.
void freePropertyListAside(QVariant value);

// While one lives, the property lists read on its thread look at `stop`
// once at the start and then about every 256 KB of work, wherever it is (a
// long string, data, comment or declaration, the bounds checks, the
// decoding of a long text; in a binary list each object counts as 16
// bytes besides those it holds), and, once it is set, answer invalid with
// the reason "The reading was stopped". A search that reads packages'
// Info.plist files holds one over its walk, so that a stop request does not
// wait for the read of a large file: it is seen within about a millisecond
// (64 MB take about a third of a second to read). Scopes nest; the
// innermost one counts.
class PropertyListReadStop
{
public:
    explicit PropertyListReadStop(const std::atomic<bool>& stop);
    // For tests: `onLook` is called at each look, before the flag is read,
    // with the bytes of work done since the last look (0 at the first); it
    // may set the flag.
    PropertyListReadStop(const std::atomic<bool>& stop, std::function<void(qsizetype passed)> onLook);
    ~PropertyListReadStop();
    PropertyListReadStop(const PropertyListReadStop&) = delete;
    PropertyListReadStop& operator=(const PropertyListReadStop&) = delete;

    // Whether the innermost scope's flag on this thread is set; NO without one.
    [[nodiscard]] static bool isRequested();

private:
    friend class PropertyListStopCheck;
    // A read's look: isRequested() after telling the innermost scope's
    // observer how much work was done since the last look.
    static bool look(qsizetype passed);

    const std::atomic<bool>& m_stop;
    std::function<void(qsizetype)> m_onLook;
    const PropertyListReadStop* m_previous;
};

} // namespace sorvant
