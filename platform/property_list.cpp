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
#include <cmath>
#include <cstring>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace sorvant {

namespace {

thread_local const PropertyListReadStop* t_readStop = nullptr;

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

// The date of a binary date node, to the millisecond; invalid when it is not
// a finite number of seconds within about three million years of 2001. The
// library keeps the file's seconds from 2001 as a double but answers them
// in 32 bits, which wrap outside 1933 to 2069; the node written back alone
// holds the double exactly: "bplist00", the date's marker, its 8 bytes.
QDateTime dateOf(plist_t node)
{
    char* raw = nullptr;
    uint32_t length = 0;
    plist_to_bin(node, &raw, &length);
    MallocText bytes(raw);
    constexpr uint32_t kMarker = 8;
    if (!bytes || length < kMarker + 9 || static_cast<unsigned char>(raw[kMarker]) != 0x33)
        return {};
    quint64 bits = 0;
    for (uint32_t i = kMarker + 1; i < kMarker + 9; ++i)
        bits = (bits << 8) | static_cast<unsigned char>(raw[i]);
    double seconds = 0;
    std::memcpy(&seconds, &bits, sizeof seconds);
    constexpr double kLimit = 1e14;
    if (!std::isfinite(seconds) || std::abs(seconds) > kLimit)
        return {};
    const auto ms = static_cast<qint64>(std::llround(seconds * 1000));
    return QDateTime::fromMSecsSinceEpoch(kPropertyListReferenceDate * 1000 + ms, QTimeZone::utc());
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
    case PLIST_DATE:
        return QVariant(dateOf(node));
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
// copy. What has no such form answers invalid, with the reason; when
// dropping, a dictionary entry holding such a value is left out instead
// and named in the list of what was dropped.
class Normalizer
{
public:
    // With `dropped`, entries that cannot be written are left out and listed there.
    explicit Normalizer(QStringList* dropped) : m_dropped(dropped) {}

    QVariant normalized(const QVariant& value, int depth, bool* changed)
    {
        if (depth > kMaximumDepth)
            return refuse(QStringLiteral("The property list is nested too deeply"));
        switch (value.typeId()) {
        case QMetaType::QVariantMap:
            return map(value.toMap(), depth, changed);
        case QMetaType::QVariantHash: {
            const QVariantHash hash = value.toHash();
            QVariantMap converted;
            for (auto it = hash.cbegin(); it != hash.cend(); ++it)
                converted.insert(it.key(), it.value());
            *changed = true;
            return map(converted, depth, changed);
        }
        case QMetaType::QVariantList:
            return list(value.toList(), depth, changed);
        case QMetaType::QStringList:
            *changed = true;
            return list(value.toList(), depth, changed);
        default:
            return scalar(value, changed);
        }
    }

    // Why the tree failed, and where.
    QString failureReason() const
    {
        return m_reasonAt.isEmpty() ? m_reason : QStringLiteral("At '%1': %2").arg(m_reasonAt, m_reason);
    }

private:
    // One step of the way to a value: a dictionary's key or an array's index.
    struct Step
    {
        const QString* key;
        qsizetype index;
    };

    // Fails the value being looked at, whose place is kept for the reason.
    QVariant refuse(const QString& reason)
    {
        m_reason = reason;
        m_reasonAt = where();
        return {};
    }

    // Where the value being looked at lies: "Window/Frames/2".
    QString where() const
    {
        QStringList steps;
        for (const Step& step : m_path)
            steps.append(step.key ? QString(*step.key).replace(QChar(0), QLatin1String("\\0"))
                                  : QString::number(step.index));
        return steps.join(QLatin1Char('/'));
    }

    // Text as written: a NUL cannot be in a property list, and an unpaired
    // surrogate has no UTF-8 form; the reader refuses both as references.
    bool isWritableText(const QString& text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c.isNull()) {
                refuse(QStringLiteral("The text holds a NUL character, which a property list cannot hold"));
                return false;
            }
            if (!c.isSurrogate())
                continue;
            if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                ++i;
                continue;
            }
            refuse(QStringLiteral("The text holds an unpaired surrogate (U+%1), which has no UTF-8 form")
                       .arg(QString::number(c.unicode(), 16).toUpper()));
            return false;
        }
        return true;
    }

    // Records the entry at the end of the path as left out, when dropping.
    bool dropped()
    {
        if (!m_dropped)
            return false;
        const QString entry = where();
        m_dropped->append(m_reasonAt == entry ? QStringLiteral("'%1': %2").arg(entry, m_reason)
                                              : QStringLiteral("'%1': at '%2': %3").arg(entry, m_reasonAt, m_reason));
        return true;
    }

    QVariant map(const QVariantMap& map, int depth, bool* changed)
    {
        QVariantMap result;
        bool copying = false;
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            m_path.push_back({&it.key(), 0});
            bool itemChanged = false;
            QVariant item = isWritableText(it.key()) ? normalized(it.value(), depth + 1, &itemChanged) : QVariant();
            const bool leftOut = !item.isValid();
            if (leftOut && !dropped())
                return {};
            m_path.pop_back();
            if ((itemChanged || leftOut) && !copying) {
                copying = true;
                for (auto before = map.cbegin(); before != it; ++before)
                    result.insert(result.cend(), before.key(), before.value());
            }
            if (copying && !leftOut)
                result.insert(result.cend(), it.key(), std::move(item));
        }
        *changed = *changed || copying;
        return copying ? QVariant(result) : QVariant(map);
    }

    // An array is one value: one that cannot be written fails the array,
    // which its dictionary entry then drops whole (its items keep their
    // places, or it is gone).
    QVariant list(const QVariantList& list, int depth, bool* changed)
    {
        QVariantList result;
        bool copying = false;
        QStringList* const dropping = std::exchange(m_dropped, nullptr);
        for (qsizetype i = 0; i < list.size(); ++i) {
            m_path.push_back({nullptr, i});
            bool itemChanged = false;
            QVariant item = normalized(list.at(i), depth + 1, &itemChanged);
            m_path.pop_back();
            if (!item.isValid()) {
                m_dropped = dropping;
                return {};
            }
            if (itemChanged && !copying) {
                copying = true;
                result.reserve(list.size());
                result.append(list.mid(0, i));
            }
            if (copying)
                result.append(std::move(item));
        }
        m_dropped = dropping;
        *changed = *changed || copying;
        return copying ? QVariant(result) : QVariant(list);
    }

    QVariant scalar(const QVariant& value, bool* changed)
    {
        switch (value.typeId()) {
        case QMetaType::Bool:
        case QMetaType::QByteArray:
            return value;
        case QMetaType::QString:
            return isWritableText(value.toString()) ? value : QVariant();
        case QMetaType::QDateTime: {
            // Told apart by their zone as well as their instant: taken as changed.
            *changed = true;
            const QDateTime date = value.toDateTime();
            if (xmlDateSeconds(date))
                return QDateTime::fromMSecsSinceEpoch(date.toMSecsSinceEpoch(), QTimeZone::utc());
            return refuse(date.isValid() ? QStringLiteral("The date %1 lies outside the years 1 to 9999 that a "
                                                          "property list holds")
                                               .arg(date.toString(Qt::ISODate))
                                         : QStringLiteral("An invalid date cannot be written to a property list"));
        }
        default:
            break;
        }
        const NumberKind kind = numberKind(value);
        if (kind == NumberKind::None)
            return refuse(QStringLiteral("A value of type %1 has no property-list form")
                              .arg(QString::fromLatin1(value.typeName() ? value.typeName() : "invalid")));
        QVariant result = number(value, kind);
        *changed = *changed || result.typeId() != value.typeId() || result != value;
        return result;
    }

    static QVariant number(const QVariant& value, NumberKind kind)
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

    QStringList* m_dropped;
    QString m_reason;
    QString m_reasonAt;
    std::vector<Step> m_path;
};

// The value in property-list form; invalid, with the reason, when it has none.
QVariant storedValue(const QVariant& value, QString* error)
{
    bool changed = false;
    Normalizer normalizer(nullptr);
    QVariant stored = normalizer.normalized(value, 0, &changed);
    if (!stored.isValid() && error)
        *error = normalizer.failureReason();
    return stored;
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

QVariant writablePropertyListValue(const QVariant& value, QStringList* dropped, QString* error)
{
    if (error)
        error->clear();
    QStringList leftOut;
    bool changed = false;
    Normalizer normalizer(&leftOut);
    QVariant stored = normalizer.normalized(value, 0, &changed);
    if (!stored.isValid() && error)
        *error = normalizer.failureReason();
    if (dropped)
        *dropped = std::move(leftOut);
    return stored;
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

PropertyListReadStop::PropertyListReadStop(const std::atomic<bool>& stop) : PropertyListReadStop(stop, {}) {}

PropertyListReadStop::PropertyListReadStop(const std::atomic<bool>& stop, std::function<void(qsizetype)> onLook)
    : m_stop(stop), m_onLook(std::move(onLook)), m_previous(t_readStop)
{
    t_readStop = this;
}

PropertyListReadStop::~PropertyListReadStop()
{
    t_readStop = m_previous;
}

bool PropertyListReadStop::isRequested()
{
    return t_readStop && t_readStop->m_stop.load(std::memory_order_relaxed);
}

bool PropertyListReadStop::look(qsizetype passed)
{
    if (t_readStop && t_readStop->m_onLook)
        t_readStop->m_onLook(passed);
    return isRequested();
}

} // namespace sorvant
