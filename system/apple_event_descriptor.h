#pragma once
// Descriptors: the typed values that scripts take and answer, as our own
// value type. A descriptor is a four-character type code with bytes, a list
// (items indexed from 1), a record (keyword → descriptor) or an event (a
// record with an event class and ID, a target and return/transaction IDs).
//
//   descriptorWithString("a").stringValue()        => "a"
//   appleEventDescriptor(QVariant(1)).stringValue() => "1" (text, not a number)
//   appleEventDescriptor(QVariantMap{{"k", "v"}})   => record {'usrf': ["k", "v"]}
//   dateValue of an 'ldt ' descriptor                 => seconds since 1904-01-01

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

namespace sorvant {

using DescType = std::uint32_t;
using AEKeyword = std::uint32_t;

// 'abcd' as a number: the first character in the highest byte.
constexpr DescType fourCharCode(const char (&code)[5])
{
    return (static_cast<DescType>(static_cast<unsigned char>(code[0])) << 24)
        | (static_cast<DescType>(static_cast<unsigned char>(code[1])) << 16)
        | (static_cast<DescType>(static_cast<unsigned char>(code[2])) << 8)
        | static_cast<DescType>(static_cast<unsigned char>(code[3]));
}
[[nodiscard]] QString fourCharCodeString(DescType code);

inline constexpr DescType typeUnicodeText = fourCharCode("utxt");
inline constexpr DescType typeAEList = fourCharCode("list");
inline constexpr DescType typeAERecord = fourCharCode("reco");
inline constexpr DescType typeAppleEvent = fourCharCode("aevt");
inline constexpr DescType typeNull = fourCharCode("null");
inline constexpr DescType typeLongDateTime = fourCharCode("ldt ");
inline constexpr DescType typeSInt32 = fourCharCode("long");
inline constexpr DescType typeType = fourCharCode("type");
inline constexpr DescType typeFileURL = fourCharCode("furl");
inline constexpr DescType typeApplicationBundleID = fourCharCode("bund");
inline constexpr DescType typeKernelProcessID = fourCharCode("kpid");
inline constexpr AEKeyword keyASUserRecordFields = fourCharCode("usrf");
inline constexpr AEKeyword keyDirectObject = fourCharCode("----");
inline constexpr AEKeyword keyFrom = fourCharCode("from");

class AppleEventDescriptor
{
public:
    // The null descriptor.
    AppleEventDescriptor() = default;
    AppleEventDescriptor(DescType type, QByteArray data);

    [[nodiscard]] static AppleEventDescriptor nullDescriptor() { return {}; }
    [[nodiscard]] static AppleEventDescriptor descriptorWithString(const QString& string);
    [[nodiscard]] static AppleEventDescriptor descriptorWithInt32(std::int32_t value);
    [[nodiscard]] static AppleEventDescriptor descriptorWithTypeCode(DescType code);
    [[nodiscard]] static AppleEventDescriptor descriptorWithFileURL(const QString& absoluteURL);
    [[nodiscard]] static AppleEventDescriptor listDescriptor();
    [[nodiscard]] static AppleEventDescriptor recordDescriptor();
    // This process as a target (its process ID).
    [[nodiscard]] static AppleEventDescriptor currentProcessDescriptor();
    [[nodiscard]] static AppleEventDescriptor appleEventWithEventClass(DescType eventClass, DescType eventID,
                                                                       const AppleEventDescriptor& target,
                                                                       int returnID, int transactionID);
    // Nil for a nil or empty path, else a file URL descriptor of the path.
    [[nodiscard]] static std::optional<AppleEventDescriptor> descriptorWithPath(const QString& path);

    [[nodiscard]] DescType descriptorType() const { return m_type; }
    [[nodiscard]] const QByteArray& data() const { return m_data; }
    [[nodiscard]] bool isNull() const { return m_type == typeNull; }

    // Text of a text, number, type or file URL descriptor; null otherwise.
    [[nodiscard]] QString stringValue() const;
    [[nodiscard]] std::int32_t int32Value() const;

    // Lists, records and events: items from 1. insertDescriptor with an
    // index of 0 or beyond the end appends.
    [[nodiscard]] qsizetype numberOfItems() const;
    [[nodiscard]] AppleEventDescriptor descriptorAtIndex(qsizetype index) const;
    void insertDescriptor(const AppleEventDescriptor& descriptor, qsizetype index);

    // Records and events: keyword parameters, in the order first set.
    void setDescriptorForKeyword(const AppleEventDescriptor& descriptor, AEKeyword keyword);
    [[nodiscard]] std::optional<AppleEventDescriptor> descriptorForKeyword(AEKeyword keyword) const;
    [[nodiscard]] QList<AEKeyword> keywords() const;

    // Events.
    [[nodiscard]] DescType eventClass() const { return m_eventClass; }
    [[nodiscard]] DescType eventID() const { return m_eventID; }
    [[nodiscard]] int returnID() const { return m_returnID; }
    [[nodiscard]] int transactionID() const { return m_transactionID; }
    [[nodiscard]] std::optional<AppleEventDescriptor> target() const;

    // Conversions back.
    [[nodiscard]] std::optional<QList<AppleEventDescriptor>> arrayValue() const;
    [[nodiscard]] std::optional<QStringList> arrayValueWithStrings() const;
    [[nodiscard]] std::optional<QList<std::pair<QString, AppleEventDescriptor>>> dictionaryValue() const;
    [[nodiscard]] std::optional<QVariantMap> dictionaryValueWithStrings() const;
    [[nodiscard]] QDateTime dateValue() const;

    // The object's descriptor (see appleEventDescriptor below) at `index` /
    // under `keyword`.
    void insertObject(const QVariant& object, qsizetype index);
    void setObject(const QVariant& object, AEKeyword keyword);

    bool operator==(const AppleEventDescriptor& other) const;

private:
    DescType m_type = typeNull;
    QByteArray m_data;
    QList<AppleEventDescriptor> m_items;
    QList<std::pair<AEKeyword, AppleEventDescriptor>> m_parameters;
    DescType m_eventClass = 0;
    DescType m_eventID = 0;
    int m_returnID = 0;
    int m_transactionID = 0;
    std::shared_ptr<AppleEventDescriptor> m_target;
};

// The descriptor of a value: a list for QVariantList/QStringList (items
// converted in turn), a record for QVariantMap (string keys into the user
// fields, keys of four characters in single quotes such as "'pnam'" set as
// keywords), text for a string, the absolute string of a QUrl, the null
// descriptor for the null marker, 'ldt ' for a date, the descriptor itself
// when the variant holds one, and text of the value's description for
// anything else (a number 1 gives the text "1").
[[nodiscard]] AppleEventDescriptor appleEventDescriptor(const QVariant& object);

// An object specifier pointed into this process: the last descriptor of the
// chain of 'from' containers (the one whose container is missing or the
// null descriptor) gets currentProcessDescriptor as its container.
[[nodiscard]] AppleEventDescriptor absoluteObjectSpecifier(const AppleEventDescriptor& specifier);

// Seconds since 1904-01-01 00:00 UTC and back.
[[nodiscard]] qint64 longDateTimeFromDate(const QDateTime& date);
[[nodiscard]] QDateTime dateFromLongDateTime(qint64 seconds);

// A POSIX path for a path in POSIX, tilde or colon-separated form:
//   "~/x"                  => "$HOME/x"
//   "Macintosh HD:Users:a" => "/Users/a" (the boot volume's name)
//   "Backup:Docs:a/b"      => "<mount point of Backup>/Docs/a:b"; a volume
//                             not mounted is looked for in /media/<user>
//   "Folder"               => "/Folder"
[[nodiscard]] QString POSIXPath(const QString& path);
// The boot volume's name in colon-separated paths; tests inject their own.
[[nodiscard]] QString bootVolumeName();
void setBootVolumeName(const QString& name);

// An event to the application with `bundleIdentifier`, its parameters built
// from `format` (keyword:value pairs; values "@" take the next argument,
// 'code'{...} records, type('code'), 'code'() empty descriptors, numbers,
// “text” or "text", [lists]). Nil for an empty identifier or a bad format.
[[nodiscard]] std::optional<AppleEventDescriptor> createAppleEventWithEventID(
    DescType eventID, DescType eventClass, const QString& bundleIdentifier, const QString& format,
    const QList<AppleEventDescriptor>& arguments = {});

} // namespace sorvant

Q_DECLARE_METATYPE(sorvant::AppleEventDescriptor)
