#include "platform/property_list.h"

#include "platform/atomic_file.h"
#include "platform/number_kind.h"
#include "platform/property_list_bounds.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>
#include <QTimeZone>

#include <plist/plist.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>

namespace sorvant {

namespace {

// Property-list dates count seconds from 2001-01-01 00:00:00 UTC.
constexpr qint64 kReferenceDateOffset = 978307200;
// Deeper trees are refused rather than risk the stack on hostile files.
constexpr int kMaximumDepth = kMaximumPropertyListDepth;
// Settings and Info.plist files are small; a larger file is not read whole.
constexpr qint64 kMaximumFileSize = kMaximumPropertyListSize;

struct PlistDeleter
{
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

struct MallocDeleter
{
    void operator()(char* text) const { std::free(text); }
};
using MallocText = std::unique_ptr<char, MallocDeleter>;

// The library keeps one 64-bit field for integers and marks values above the
// signed range with a wider length that its API does not show. Two nodes
// compare equal only when value and length agree, so comparing with a fresh
// node (always of the signed kind) tells the two readings apart.
bool isLargeUnsigned(plist_t node, uint64_t value)
{
    if (value <= static_cast<uint64_t>(std::numeric_limits<qint64>::max()))
        return false;
    PlistPtr probe(plist_new_uint(value));
    return !plist_compare_node_value(node, static_cast<plist_t>(probe.get()));
}

// The library's constructor writes every value as signed; only its parser
// makes the unsigned kind, so large values are made by parsing their text.
plist_t newUnsigned(quint64 value)
{
    if (value <= static_cast<quint64>(std::numeric_limits<qint64>::max()))
        return plist_new_uint(value);
    const QByteArray xml = "<plist><integer>" + QByteArray::number(value) + "</integer></plist>";
    plist_t node = nullptr;
    plist_from_xml(xml.constData(), static_cast<uint32_t>(xml.size()), &node);
    return node;
}

QVariant toVariant(plist_t node, int depth);

QVariant dictToVariant(plist_t node, int depth)
{
    QVariantMap map;
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(node, &iter);
    for (;;) {
        char* rawKey = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, iter, &rawKey, &item);
        MallocText key(rawKey);
        if (!item)
            break;
        QVariant value = toVariant(item, depth + 1);
        if (!value.isValid()) {
            std::free(iter);
            return {};
        }
        map.insert(QString::fromUtf8(key.get()), value);
    }
    std::free(iter);
    return map;
}

QVariant arrayToVariant(plist_t node, int depth)
{
    QVariantList list;
    const uint32_t count = plist_array_get_size(node);
    list.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        QVariant value = toVariant(plist_array_get_item(node, i), depth + 1);
        if (!value.isValid())
            return {};
        list.append(value);
    }
    return list;
}

QVariant scalarToVariant(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return QVariant(value != 0);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        if (isLargeUnsigned(node, value))
            return QVariant::fromValue<quint64>(value);
        return QVariant::fromValue<qint64>(static_cast<qint64>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return QVariant(value);
    }
    case PLIST_STRING: {
        char* raw = nullptr;
        plist_get_string_val(node, &raw);
        MallocText text(raw);
        return QVariant(QString::fromUtf8(text ? text.get() : ""));
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        const qint64 ms = (kReferenceDateOffset + seconds) * 1000 + microseconds / 1000;
        return QVariant(QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()));
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return QVariant(QByteArray(bytes, static_cast<qsizetype>(length)));
    }
    case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return QVariantMap{{QStringLiteral("CF$UID"), QVariant::fromValue<quint64>(value)}};
    }
    default:
        return {};
    }
}

QVariant toVariant(plist_t node, int depth)
{
    if (!node || depth > kMaximumDepth)
        return {};
    switch (plist_get_node_type(node)) {
    case PLIST_DICT:
        return dictToVariant(node, depth);
    case PLIST_ARRAY:
        return arrayToVariant(node, depth);
    default:
        return scalarToVariant(node);
    }
}

plist_t fromVariant(const QVariant& value, int depth, QString* error);

plist_t fromMap(const QVariantMap& map, int depth, QString* error)
{
    PlistPtr dict(plist_new_dict());
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        plist_t item = fromVariant(it.value(), depth + 1, error);
        if (!item)
            return nullptr;
        plist_dict_set_item(static_cast<plist_t>(dict.get()), it.key().toUtf8().constData(), item);
    }
    return static_cast<plist_t>(dict.release());
}

plist_t fromList(const QVariantList& list, int depth, QString* error)
{
    PlistPtr array(plist_new_array());
    for (const QVariant& element : list) {
        plist_t item = fromVariant(element, depth + 1, error);
        if (!item)
            return nullptr;
        plist_array_append_item(static_cast<plist_t>(array.get()), item);
    }
    return static_cast<plist_t>(array.release());
}

plist_t fromDate(const QDateTime& date, QString* error)
{
    if (date.isValid()) {
        const qint64 ms = date.toMSecsSinceEpoch() - kReferenceDateOffset * 1000;
        qint64 seconds = ms / 1000;
        qint64 remainder = ms % 1000;
        if (remainder < 0) {
            seconds -= 1;
            remainder += 1000;
        }
        if (seconds >= std::numeric_limits<int32_t>::min() && seconds <= std::numeric_limits<int32_t>::max())
            return plist_new_date(static_cast<int32_t>(seconds), static_cast<int32_t>(remainder * 1000));
    }
    if (error)
        *error = QStringLiteral("The date %1 cannot be written to a property list").arg(date.toString(Qt::ISODate));
    return nullptr;
}

plist_t fromScalar(const QVariant& value, QString* error)
{
    if (value.typeId() == QMetaType::Bool)
        return plist_new_bool(value.toBool() ? 1 : 0);
    switch (numberKind(value)) {
    case NumberKind::Signed:
        return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
    case NumberKind::Unsigned:
        return newUnsigned(value.toULongLong());
    case NumberKind::Floating:
        return plist_new_real(value.toDouble());
    case NumberKind::None:
        break;
    }
    switch (value.typeId()) {
    case QMetaType::QString:
        return plist_new_string(value.toString().toUtf8().constData());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), static_cast<uint64_t>(bytes.size()));
    }
    case QMetaType::QDateTime:
        return fromDate(value.toDateTime(), error);
    default:
        if (error)
            *error = QStringLiteral("A value of type %1 has no property-list form")
                         .arg(QString::fromLatin1(value.typeName() ? value.typeName() : "invalid"));
        return nullptr;
    }
}

plist_t fromVariant(const QVariant& value, int depth, QString* error)
{
    if (depth > kMaximumDepth) {
        if (error)
            *error = QStringLiteral("The property list is nested too deeply");
        return nullptr;
    }
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
        return fromMap(value.toMap(), depth, error);
    case QMetaType::QVariantHash: {
        const QVariantHash hash = value.toHash();
        QVariantMap map;
        for (auto it = hash.cbegin(); it != hash.cend(); ++it)
            map.insert(it.key(), it.value());
        return fromMap(map, depth, error);
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return fromList(value.toList(), depth, error);
    default:
        return fromScalar(value, error);
    }
}

// The library reads only UTF-8 text, but an XML property list may be UTF-16
// (or UTF-32) when it starts with a byte-order mark. Such text is handed over
// as UTF-8 with its encoding declaration changed to match.
QByteArray utf8PropertyList(const QByteArray& data)
{
    const auto startsWith = [&](std::initializer_list<unsigned char> mark) {
        if (data.size() < qsizetype(mark.size()))
            return false;
        qsizetype i = 0;
        for (const unsigned char byte : mark) {
            if (static_cast<unsigned char>(data.at(i++)) != byte)
                return false;
        }
        return true;
    };
    std::optional<QStringConverter::Encoding> encoding;
    if (startsWith({0xFF, 0xFE, 0x00, 0x00}))
        encoding = QStringConverter::Utf32LE;
    else if (startsWith({0x00, 0x00, 0xFE, 0xFF}))
        encoding = QStringConverter::Utf32BE;
    else if (startsWith({0xFF, 0xFE}))
        encoding = QStringConverter::Utf16LE;
    else if (startsWith({0xFE, 0xFF}))
        encoding = QStringConverter::Utf16BE;
    else if (startsWith({0xEF, 0xBB, 0xBF}))
        return data.mid(3);
    if (!encoding)
        return data;
    QStringDecoder decoder(*encoding, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInvalidToNull);
    QString text = decoder.decode(data);
    if (decoder.hasError())
        return data;
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    static const QRegularExpression declaration(QStringLiteral("^(<\\?xml[^>]*encoding=[\"'])[^\"']*"));
    text.replace(declaration, QStringLiteral("\\1UTF-8"));
    return text.toUtf8();
}

} // namespace

QVariant propertyListFromData(const QByteArray& data, QString* error)
{
    if (error)
        error->clear();
    const QByteArray text = utf8PropertyList(data);
    if (text.isEmpty()) {
        if (error)
            *error = QStringLiteral("The data is not a property list");
        return {};
    }
    // The library recurses, copies shared objects and stops the process on
    // some damage: what it gets has been checked against those first.
    const bool binary = text.startsWith("bplist");
    QString reason;
    if (binary ? !isBoundedBinaryPropertyList(text, &reason) : !isBoundedXMLPropertyList(text, &reason)) {
        if (error)
            *error = reason;
        return {};
    }
    plist_t root = nullptr;
    if (binary)
        plist_from_bin(text.constData(), static_cast<uint32_t>(text.size()), &root);
    else
        plist_from_xml(text.constData(), static_cast<uint32_t>(text.size()), &root);
    PlistPtr owner(root);
    QVariant value = toVariant(root, 0);
    if (!value.isValid() && error)
        *error = QStringLiteral("The data is not a property list");
    return value;
}

QByteArray xmlDataFromPropertyList(const QVariant& value, QString* error)
{
    if (error)
        error->clear();
    PlistPtr root(fromVariant(value, 0, error));
    if (!root)
        return {};
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(static_cast<plist_t>(root.get()), &xml, &length);
    QByteArray result(xml, static_cast<qsizetype>(length));
    plist_to_xml_free(xml);
    return result;
}

bool isPropertyListValue(const QVariant& value)
{
    return PlistPtr(fromVariant(value, 0, nullptr)) != nullptr;
}

QVariant propertyListValue(const QVariant& value, QString* error)
{
    if (error)
        error->clear();
    PlistPtr root(fromVariant(value, 0, error));
    return root ? toVariant(static_cast<plist_t>(root.get()), 0) : QVariant();
}

QVariant readPropertyListFile(const QString& path, QString* error)
{
    if (error)
        error->clear();
    QByteArray data;
    QString reason;
    if (readRegularFile(path, kMaximumFileSize, &data, &reason) != FileReadStatus::Read) {
        if (error)
            *error = reason;
        return {};
    }
    QVariant value = propertyListFromData(data, &reason);
    if (!value.isValid() && error)
        *error = QStringLiteral("'%1' does not hold a property list: %2").arg(path, reason);
    return value;
}

bool writePropertyListFile(const QString& path, const QVariant& value, QString* error)
{
    const QByteArray xml = xmlDataFromPropertyList(value, error);
    if (xml.isEmpty())
        return false;
    return writeFileAtomically(path, xml, error);
}

} // namespace sorvant
