#pragma once
// Bounds a property list must keep before it is read: the binary reader
// recurses once per nesting level, a binary object referred to from many
// places is one value in memory that those who walk the tree meet once
// per reference, the values read are freed recursively and written
// recursively, and XML text cannot hold a NUL. These checks read the bytes
// once, without recursion, and refuse what could not be read safely. They
// do not check that the data is a well-formed property list; the readers
// do that. What a tree expands to when every reference is met as a copy is
// not bounded here: whoever expands it (the writers, a description) counts
// as it goes (property_list_expanded_size.h).

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace sorvant {

// Deepest nesting of arrays and dictionaries accepted (the root is depth 0).
inline constexpr int kMaximumPropertyListDepth = 512;
// Most objects a binary property list may hold, and may expand to counting
// each reference to a shared object as a copy: whoever walks a tree read
// meets at most this many values, however it shares them.
inline constexpr qint64 kMaximumPropertyListObjects = 4 * 1024 * 1024;
// Largest property list read, binary or XML.
inline constexpr qint64 kMaximumPropertyListSize = 64 * 1024 * 1024;
// What a binary property list holds once read is counted in bytes, each
// object once however often it is referred to (a shared value is one value
// in memory): kPropertyListObjectCost an object, and a string or data
// object its bytes besides. It may hold kPropertyListHeldFactor times its
// own size, plus kPropertyListHeldAllowance. Objects can hold no more than
// the list unless the offset table names the same bytes for many objects,
// which this refuses.
inline constexpr qint64 kPropertyListObjectCost = 16;
inline constexpr qint64 kPropertyListHeldFactor = 16;
inline constexpr qint64 kPropertyListHeldAllowance = 16 * 1024 * 1024;

// YES when the binary property list ("bplist00…") `data` has a consistent
// trailer and offset table, its containers and strings lie inside it and
// refer only to objects inside it, no container holds itself, and it nests,
// expands and holds within the bounds above. Otherwise NO, with the reason
// in `error` when given; a stop asked for (PropertyListStopCheck) ends it
// with "The reading was stopped".
//   isBoundedBinaryPropertyList("bplist00" + a 600-deep array)          => false
//   isBoundedBinaryPropertyList(an array of 4,000 references to 1 MB)   => true
//   isBoundedBinaryPropertyList(4,000 objects at the bytes of one 1 MB) => false
//   isBoundedBinaryPropertyList("")                                     => false
[[nodiscard]] bool isBoundedBinaryPropertyList(const QByteArray& data, QString* error = nullptr);

// YES when the XML text `data` (UTF-8) holds no NUL character, written or as
// a character reference, and nests its elements no deeper than the bound
// above allows (the <plist> element and a scalar inside the deepest
// container included). Otherwise NO, with the reason in `error` when given;
// a stop asked for (PropertyListStopCheck) ends it with "The reading was
// stopped".
//   isBoundedXMLPropertyList("<plist><string>a</string></plist>") => true
//   isBoundedXMLPropertyList("<plist><string>a\0</string></plist>") => false
//   isBoundedXMLPropertyList("<plist><string>&#0;</string></plist>") => false
//   isBoundedXMLPropertyList("")                                 => true
// With XmlNulReferences::LeftToTheReader a reference to NUL passes, for a
// reader that refuses the value holding it and keeps the rest.
enum class XmlNulReferences { Refused, LeftToTheReader };
[[nodiscard]] bool isBoundedXMLPropertyList(const QByteArray& data, QString* error = nullptr,
                                            XmlNulReferences nulReferences = XmlNulReferences::Refused);

// --- the binary layout, for the bounds check and the reader ------------------------

inline constexpr qsizetype kBinaryPropertyListHeaderSize = 8;
inline constexpr qsizetype kBinaryPropertyListTrailerSize = 32;

// The trailer of a binary property list: the sizes of offsets and of
// references, the objects, the top one, and where the offset table starts
// (the objects' area lies between the header and the table).
struct BinaryPropertyListTrailer
{
    int offsetSize = 0;
    int referenceSize = 0;
    quint64 objectCount = 0;
    quint64 topObject = 0;
    quint64 tableOffset = 0;
};

// The trailer of `data` when it is consistent: "bplist00" first, sizes of 1
// to 8 bytes, 1 to kMaximumPropertyListObjects objects, the top one among
// them, and the offset table inside the data before the trailer. Nothing
// otherwise.
//   (a list of one string)       => {1, 1, 1, 0, 10}
//   ("bplist00" + 31 bytes), ("") => nothing
[[nodiscard]] std::optional<BinaryPropertyListTrailer> binaryPropertyListTrailer(const QByteArray& data);

// The unsigned big-endian integer of `size` bytes (1 to 8) at `bytes`.
//   ("\x01\x02", 2) => 258
[[nodiscard]] quint64 binaryPropertyListInteger(const char* bytes, int size);

// The count after the object marker at `at`, inside `data` before `end`:
// the marker's low four bits, or with all four set the integer object that
// follows (1 to 8 bytes). Moves `at` past what it read; nothing when the
// integer object is not one or does not end before `end`.
//   ("\x55", 0) => 5, at 1    ("\x5F\x10\x20", 0) => 32, at 3    ("\x5F", 0) => nothing
[[nodiscard]] std::optional<quint64> binaryPropertyListCount(const QByteArray& data, qsizetype end, qsizetype& at);

// --- scanning XML, for the bounds check and the reader -----------------------------

// The reads' look at the thread's PropertyListReadStop (property_list.h):
// at the first call and then once the bytes passed since the last look
// reach kInterval. Scans go in steps of at most kStep bytes, so a look
// comes at least every kInterval + kStep bytes of work, wherever it is.
class PropertyListStopCheck
{
public:
    static constexpr qsizetype kInterval = 256 * 1024;
    static constexpr qsizetype kStep = 64 * 1024;
    // The work a binary object counts besides the bytes it holds (and a
    // step of the binary bounds check): about what reading a small one
    // costs.
    static constexpr qsizetype kObjectWork = 16;

    // Counts `passed` bytes of work just done; false once a stop is asked
    // for (and from then on).
    [[nodiscard]] bool mayGoOn(qsizetype passed)
    {
        m_passed += passed;
        if (m_looked && m_passed < kInterval)
            return true;
        return look();
    }

private:
    bool look();

    qsizetype m_passed = 0;
    bool m_looked = false;
};

// How a scan ended: past what it looked for, at the end of the data without
// finding it, or stopped.
enum class XmlScan { Found, Missing, Stopped };

// Moves `at` past the first `terminator` at or after it (to the end of the
// data when there is none).
//   ("a-->b", 0, "-->") => Found, at 4        ("ab", 0, "-->") => Missing, at 2
[[nodiscard]] XmlScan scanPastTerminator(const QByteArray& data, qsizetype& at, QByteArrayView terminator,
                                         PropertyListStopCheck& stop);

// Moves `at`, at the '<' of a tag, past its '>' outside quoted values.
//   ("<a href='>'>x", 0) => Found, at 12      ("<a", 0) => Missing, at 2
[[nodiscard]] XmlScan scanPastTag(const QByteArray& data, qsizetype& at, PropertyListStopCheck& stop);

// Moves `at`, at the "<!" of a declaration, past its '>' as XML defines
// it: quoted strings, and an internal subset in brackets with its own
// quoted strings, comments and processing instructions, may hold '>', '['
// and ']'.
//   ("<!DOCTYPE p SYSTEM \"a>[b\"><p/>", 0)       => Found, at the "<p/>"
//   ("<!DOCTYPE p [<!ENTITY x \"]>\"><!-- ' -->]>", 0) => Found, at the end
//   ("<!DOCTYPE p SYSTEM \"a>", 0)                 => Missing
[[nodiscard]] XmlScan scanPastDeclaration(const QByteArray& data, qsizetype& at, PropertyListStopCheck& stop);

} // namespace sorvant
