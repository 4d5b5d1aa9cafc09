#include "platform/property_list.h"

#include "platform/atomic_file.h"
#include "platform/number_kind.h"
#include "platform/property_list_bounds.h"
#include "platform/property_list_xml.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>
#include <QTimeZone>

#include <plist/plist.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>

namespace sorvant {

namespace {

thread_local const std::atomic<bool>* t_readStop = nullptr;

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
        const qint64 ms = (kPropertyListReferenceDate + seconds) * 1000 + microseconds / 1000;
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

// --- values in property-list form -------------------------------------------------------
// Each answers the value in the form a property list gives back, and sets
// *changed when that is not `value` itself: a tree already in that form
// (settings read from a file, say) is answered as it is, shared, without a
// copy.

QVariant normalizedValue(const QVariant& value, int depth, QString* error, bool* changed);

// Text as the file gives it back: UTF-8 up to the first NUL (which a
// property list cannot hold), a lone surrogate replaced.
QString storedText(const QString& text, bool* changed)
{
    const bool plain = std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.isNull() || c.isSurrogate(); });
    if (plain)
        return text;
    QByteArray utf8 = text.toUtf8();
    const qsizetype nul = utf8.indexOf('\0');
    if (nul >= 0)
        utf8.truncate(nul);
    QString stored = QString::fromUtf8(utf8);
    *changed = *changed || stored != text;
    return stored;
}

QVariant normalizedMap(const QVariantMap& map, int depth, QString* error, bool* changed)
{
    QVariantMap result;
    bool copying = false;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        bool itemChanged = false;
        QVariant item = normalizedValue(it.value(), depth + 1, error, &itemChanged);
        if (!item.isValid())
            return {};
        QString key = storedText(it.key(), &itemChanged);
        if (itemChanged && !copying) {
            copying = true;
            for (auto before = map.cbegin(); before != it; ++before)
                result.insert(result.cend(), before.key(), before.value());
        }
        // Keys cut at a NUL may meet; the later one wins, as in the file.
        if (copying)
            result.insert(result.cend(), std::move(key), std::move(item));
    }
    *changed = *changed || copying;
    return copying ? QVariant(result) : QVariant(map);
}

QVariant normalizedList(const QVariantList& list, int depth, QString* error, bool* changed)
{
    QVariantList result;
    bool copying = false;
    for (qsizetype i = 0; i < list.size(); ++i) {
        bool itemChanged = false;
        QVariant item = normalizedValue(list.at(i), depth + 1, error, &itemChanged);
        if (!item.isValid())
            return {};
        if (itemChanged && !copying) {
            copying = true;
            result.reserve(list.size());
            result.append(list.mid(0, i));
        }
        if (copying)
            result.append(std::move(item));
    }
    *changed = *changed || copying;
    return copying ? QVariant(result) : QVariant(list);
}

// Dates are written as whole seconds from the reference date in a signed
// 32-bit count; the milliseconds stay in the value.
QVariant normalizedDate(const QDateTime& date, QString* error)
{
    if (date.isValid()) {
        const qint64 ms = date.toMSecsSinceEpoch();
        const qint64 seconds = (ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000)) - kPropertyListReferenceDate;
        if (seconds >= std::numeric_limits<int32_t>::min() && seconds <= std::numeric_limits<int32_t>::max())
            return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc());
    }
    if (error)
        *error = QStringLiteral("The date %1 cannot be written to a property list").arg(date.toString(Qt::ISODate));
    return {};
}

QVariant normalizedNumber(const QVariant& value, NumberKind kind)
{
    switch (kind) {
    case NumberKind::Signed:
        return QVariant::fromValue<qint64>(value.toLongLong());
    case NumberKind::Unsigned: {
        const quint64 number = value.toULongLong();
        if (number <= static_cast<quint64>(std::numeric_limits<qint64>::max()))
            return QVariant::fromValue<qint64>(static_cast<qint64>(number));
        return QVariant::fromValue<quint64>(number);
    }
    default:
        return QVariant(value.toDouble());
    }
}

QVariant normalizedScalar(const QVariant& value, QString* error, bool* changed)
{
    const NumberKind kind = value.typeId() == QMetaType::Bool ? NumberKind::None : numberKind(value);
    QVariant result;
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::QByteArray:
        return value;
    case QMetaType::QString: {
        bool textChanged = false;
        QString text = storedText(value.toString(), &textChanged);
        *changed = *changed || textChanged;
        return textChanged ? QVariant(std::move(text)) : value;
    }
    case QMetaType::QDateTime:
        // Told apart by their zone as well as their instant: taken as changed.
        *changed = true;
        return normalizedDate(value.toDateTime(), error);
    default:
        if (kind == NumberKind::None) {
            if (error)
                *error = QStringLiteral("A value of type %1 has no property-list form")
                             .arg(QString::fromLatin1(value.typeName() ? value.typeName() : "invalid"));
            return {};
        }
        result = normalizedNumber(value, kind);
        break;
    }
    *changed = *changed || result.typeId() != value.typeId() || result != value;
    return result;
}

QVariant normalizedValue(const QVariant& value, int depth, QString* error, bool* changed)
{
    if (depth > kMaximumDepth) {
        if (error)
            *error = QStringLiteral("The property list is nested too deeply");
        return {};
    }
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
        return normalizedMap(value.toMap(), depth, error, changed);
    case QMetaType::QVariantHash: {
        const QVariantHash hash = value.toHash();
        QVariantMap map;
        for (auto it = hash.cbegin(); it != hash.cend(); ++it)
            map.insert(it.key(), it.value());
        *changed = true;
        return normalizedMap(map, depth, error, changed);
    }
    case QMetaType::QVariantList:
        return normalizedList(value.toList(), depth, error, changed);
    case QMetaType::QStringList:
        *changed = true;
        return normalizedList(value.toList(), depth, error, changed);
    default:
        return normalizedScalar(value, error, changed);
    }
}

// The value in property-list form; invalid, with the reason, when it has none.
QVariant storedValue(const QVariant& value, QString* error)
{
    bool changed = false;
    return normalizedValue(value, 0, error, &changed);
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
    const bool binary = text.startsWith("bplist");
    QString reason;
    if (binary ? !isBoundedBinaryPropertyList(text, &reason) : !isBoundedXMLPropertyList(text, &reason)) {
        if (error)
            *error = reason;
        return {};
    }
    if (!binary)
        return readXmlPropertyList(text, error);
    // The library recurses, copies shared objects and stops the process on
    // some damage: what it gets has been checked against those first.
    plist_t root = nullptr;
    plist_from_bin(text.constData(), static_cast<uint32_t>(text.size()), &root);
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
    const QVariant stored = storedValue(value, error);
    return stored.isValid() ? writeXmlPropertyList(stored) : QByteArray();
}

bool isPropertyListValue(const QVariant& value)
{
    return storedValue(value, nullptr).isValid();
}

QVariant propertyListValue(const QVariant& value, QString* error)
{
    if (error)
        error->clear();
    return storedValue(value, error);
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

PropertyListReadStop::PropertyListReadStop(const std::atomic<bool>& stop) : m_previous(t_readStop)
{
    t_readStop = &stop;
}

PropertyListReadStop::~PropertyListReadStop()
{
    t_readStop = m_previous;
}

bool PropertyListReadStop::isRequested()
{
    return t_readStop && t_readStop->load(std::memory_order_relaxed);
}

} // namespace sorvant
