#include "platform/property_list_binary_writer.h"

#include "platform/property_list_bounds.h"
#include "platform/property_list_xml.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <cstring>
#include <limits>
#include <optional>
#include <utility>

namespace sorvant {

namespace {

void appendBigEndian(QByteArray& out, quint64 value, int size)
{
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8)
        out += char((value >> shift) & 0xFF);
}

// The fewest of 1, 2, 4 or 8 bytes that hold `value`.
int bytesFor(quint64 value)
{
    return value <= 0xFF ? 1 : value <= 0xFFFF ? 2 : value <= 0xFFFFFFFF ? 4 : 8;
}

int log2Of(int bytes)
{
    return bytes == 1 ? 0 : bytes == 2 ? 1 : bytes == 4 ? 2 : 3;
}

// An unsigned integer object of the fewest bytes.
void appendUnsigned(QByteArray& out, quint64 value)
{
    const int size = bytesFor(value);
    out += char(0x10 | log2Of(size));
    appendBigEndian(out, value, size);
}

// The marker of an object of `kind` holding `count` items, bytes or units.
void appendMarker(QByteArray& out, int kind, qsizetype count)
{
    if (count < 15) {
        out += char(kind << 4 | int(count));
        return;
    }
    out += char(kind << 4 | 0x0F);
    appendUnsigned(out, quint64(count));
}

// A real or a date: its marker and the eight bytes of the double.
void appendDouble(QByteArray& out, char marker, double number)
{
    quint64 bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    out += marker;
    appendBigEndian(out, bits, 8);
}

bool isAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

// Text and data shorter than this are told apart by their value alone.
constexpr qsizetype kShortValue = 64;

// A number, boolean or date as the writer tells them apart.
struct ScalarKey
{
    int type;
    quint64 bits;
    friend bool operator==(const ScalarKey&, const ScalarKey&) = default;
    friend size_t qHash(const ScalarKey& key, size_t seed = 0) { return qHashMulti(seed, key.type, key.bits); }
};

class BinaryWriter
{
public:
    explicit BinaryWriter(qint64 limit) : m_limit(limit) {}

    // The object `value` is written as: equal values are one object.
    std::optional<quint64> objectOf(const QVariant& value) { return add(value); }

    QByteArray write(const QVariant& root)
    {
        if (!add(root))
            return {};
        const int referenceSize = bytesFor(quint64(m_objects.size() - 1));
        QByteArray out("bplist00");
        QList<quint64> offsets;
        offsets.reserve(m_objects.size());
        for (const Object& object : std::as_const(m_objects)) {
            offsets.append(quint64(out.size()));
            appendObject(out, object, referenceSize);
            if (out.size() > m_limit)
                return {};
        }
        const auto table = quint64(out.size());
        const int offsetSize = bytesFor(table);
        for (const quint64 offset : std::as_const(offsets))
            appendBigEndian(out, offset, offsetSize);
        out += QByteArray(6, '\0');
        out += char(offsetSize);
        out += char(referenceSize);
        appendBigEndian(out, quint64(m_objects.size()), 8);
        appendBigEndian(out, 0, 8);
        appendBigEndian(out, table, 8);
        if (out.size() > m_limit)
            return {};
        return out;
    }

private:
    // A value to write, and for a container the indices of what it holds
    // (a dictionary's keys, then its values).
    struct Object
    {
        QVariant value;
        QList<quint64> references;
    };
    // The index of the object for `value`, added with all it holds when no
    // equal one was; nothing once the list passes the limit. The bytes
    // counted are fewer than those written (a byte a marker and a
    // reference), so that only what is past the limit stops here.
    std::optional<quint64> add(const QVariant& value)
    {
        // A value met again in memory is found without a walk; short text
        // and data are told apart by value alone.
        const std::optional<PropertyListIdentity> identity = propertyListIdentity(value, kShortValue);
        if (identity) {
            if (const auto seen = m_byIdentity.constFind(*identity); seen != m_byIdentity.cend())
                return *seen;
        }
        std::optional<quint64> index;
        switch (value.typeId()) {
        case QMetaType::QVariantMap:
            index = addMap(*static_cast<const QVariantMap*>(value.constData()));
            break;
        case QMetaType::QVariantList:
            index = addList(*static_cast<const QVariantList*>(value.constData()));
            break;
        case QMetaType::QString: {
            const auto* text = static_cast<const QString*>(value.constData());
            index = addEqual(m_texts, *text, value, text->size());
            break;
        }
        case QMetaType::QByteArray: {
            const auto* data = static_cast<const QByteArray*>(value.constData());
            index = addEqual(m_data, *data, value, data->size());
            break;
        }
        default:
            index = addScalar(value);
            break;
        }
        if (index && identity)
            m_byIdentity.insert(*identity, *index);
        return index;
    }

    std::optional<quint64> addNew(const QVariant& value, qsizetype bytes)
    {
        m_counted += 1 + bytes;
        if (m_counted > m_limit)
            return std::nullopt;
        m_objects.append(Object{value, {}});
        return quint64(m_objects.size() - 1);
    }

    // Equal text is one object, as keys repeated in many dictionaries are,
    // and so is equal data: a reader may give a shared object as two values.
    // Equal numbers, booleans and dates are one object too, so that equal
    // containers hold the same objects.
    template <typename Key>
    std::optional<quint64> addEqual(QHash<Key, quint64>& added, const Key& key, const QVariant& value,
                                    qsizetype bytes)
    {
        if (const auto seen = added.constFind(key); seen != added.cend())
            return *seen;
        const std::optional<quint64> index = addNew(value, bytes);
        if (index)
            added.insert(key, *index);
        return index;
    }

    // A number, boolean or date, told apart by its type and its bits (so
    // -0.0 is not 0.0, and a date by its millisecond, as it is written).
    std::optional<quint64> addScalar(const QVariant& value)
    {
        quint64 bits = 0;
        switch (value.typeId()) {
        case QMetaType::Double: {
            const double number = value.toDouble();
            std::memcpy(&bits, &number, sizeof bits);
            break;
        }
        case QMetaType::QDateTime:
            bits = quint64(value.toDateTime().toMSecsSinceEpoch());
            break;
        case QMetaType::LongLong:
            bits = quint64(value.toLongLong());
            break;
        default:
            bits = value.toULongLong();
            break;
        }
        return addEqual(m_scalars, ScalarKey{value.typeId(), bits}, value, 16);
    }

    // Containers are written once for each value they hold, however they
    // were shared in memory: what they hold is added first, each equal
    // value one object, so equal containers refer to the same objects and
    // are found by their references (hashed and compared, a step an
    // entry). One equal to a container written before added nothing, and
    // its place, reserved first so that a container comes before what it
    // holds, is given back.
    std::optional<quint64> addMap(const QVariantMap& map)
    {
        const qsizetype bytes = 2 * map.size();
        const std::optional<quint64> index = addNew(QVariant(map), bytes);
        if (!index)
            return std::nullopt;
        QList<quint64> references(2 * map.size());
        qsizetype i = 0;
        for (auto it = map.cbegin(); it != map.cend(); ++it, ++i) {
            const std::optional<quint64> key = add(QVariant(it.key()));
            const std::optional<quint64> item = key ? add(it.value()) : std::nullopt;
            if (!item)
                return std::nullopt;
            references[i] = *key;
            references[map.size() + i] = *item;
        }
        return settled(m_maps, *index, std::move(references), bytes);
    }

    std::optional<quint64> addList(const QVariantList& list)
    {
        const qsizetype bytes = list.size();
        const std::optional<quint64> index = addNew(QVariant(list), bytes);
        if (!index)
            return std::nullopt;
        QList<quint64> references;
        references.reserve(list.size());
        for (const QVariant& item : list) {
            const std::optional<quint64> reference = add(item);
            if (!reference)
                return std::nullopt;
            references.append(*reference);
        }
        return settled(m_lists, *index, std::move(references), bytes);
    }

    // The container reserved at `index` holding `references`: an equal one
    // written before when its place is still the last, else itself.
    quint64 settled(QHash<QList<quint64>, quint64>& written, quint64 index, QList<quint64> references,
                    qsizetype bytes)
    {
        if (const auto equal = written.constFind(references);
            equal != written.cend() && index + 1 == quint64(m_objects.size())) {
            m_objects.removeLast();
            m_counted -= 1 + bytes;
            return *equal;
        }
        written.insert(references, index);
        m_objects[qsizetype(index)].references = std::move(references);
        return index;
    }

    static void appendObject(QByteArray& out, const Object& object, int referenceSize)
    {
        const QVariant& value = object.value;
        switch (value.typeId()) {
        case QMetaType::QVariantMap:
        case QMetaType::QVariantList:
            appendMarker(out, value.typeId() == QMetaType::QVariantMap ? 0xD : 0xA,
                         value.typeId() == QMetaType::QVariantMap ? object.references.size() / 2
                                                                  : object.references.size());
            for (const quint64 reference : object.references)
                appendBigEndian(out, reference, referenceSize);
            return;
        case QMetaType::Bool:
            out += char(value.toBool() ? 0x09 : 0x08);
            return;
        case QMetaType::LongLong: {
            // 1, 2 and 4 bytes read unsigned, 8 signed.
            const qint64 number = value.toLongLong();
            if (number >= 0 && quint64(number) <= 0xFFFFFFFF) {
                appendUnsigned(out, quint64(number));
            } else {
                out += char(0x13);
                appendBigEndian(out, quint64(number), 8);
            }
            return;
        }
        case QMetaType::ULongLong:
            // 16 bytes: a value above the signed range reads back unsigned.
            out += char(0x14);
            appendBigEndian(out, 0, 8);
            appendBigEndian(out, value.toULongLong(), 8);
            return;
        case QMetaType::Double:
            appendDouble(out, 0x23, value.toDouble());
            return;
        case QMetaType::QDateTime: {
            // Seconds from 2001, to the millisecond.
            const qint64 ms = value.toDateTime().toMSecsSinceEpoch() - kPropertyListReferenceDate * 1000;
            appendDouble(out, 0x33, double(ms) / 1000);
            return;
        }
        case QMetaType::QByteArray: {
            const QByteArray data = value.toByteArray();
            appendMarker(out, 0x4, data.size());
            out += data;
            return;
        }
        default:
            appendText(out, value.toString());
            return;
        }
    }

    static void appendText(QByteArray& out, const QString& text)
    {
        if (isAscii(text)) {
            appendMarker(out, 0x5, text.size());
            out += text.toLatin1();
            return;
        }
        appendMarker(out, 0x6, text.size());
        const qsizetype start = out.size();
        out.resize(start + 2 * text.size());
        char* units = out.data() + start;
        for (const QChar c : text) {
            *units++ = char(c.unicode() >> 8);
            *units++ = char(c.unicode() & 0xFF);
        }
    }

    const qint64 m_limit;
    qint64 m_counted = 0;
    QList<Object> m_objects;
    QHash<PropertyListIdentity, quint64> m_byIdentity;
    QHash<QString, quint64> m_texts;
    QHash<QByteArray, quint64> m_data;
    QHash<ScalarKey, quint64> m_scalars;
    // Containers written, by the objects they refer to.
    QHash<QList<quint64>, quint64> m_maps;
    QHash<QList<quint64>, quint64> m_lists;
};

} // namespace

std::optional<PropertyListIdentity> propertyListIdentity(const QVariant& value, qsizetype shortest)
{
    const auto identity = [](const auto* held, const void* data) -> std::optional<PropertyListIdentity> {
        if (held->isEmpty())
            return std::nullopt;
        return PropertyListIdentity(data, held->size());
    };
    const auto longIdentity = [&](const auto* held, const void* data) {
        return held->size() < shortest ? std::nullopt : identity(held, data);
    };
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        // The first entry lies where the shared map keeps it.
        const auto* map = static_cast<const QVariantMap*>(value.constData());
        return identity(map, map->isEmpty() ? nullptr : &map->constBegin().value());
    }
    case QMetaType::QVariantList: {
        const auto* list = static_cast<const QVariantList*>(value.constData());
        return identity(list, list->constData());
    }
    case QMetaType::QString: {
        const auto* text = static_cast<const QString*>(value.constData());
        return longIdentity(text, text->constData());
    }
    case QMetaType::QByteArray: {
        const auto* data = static_cast<const QByteArray*>(value.constData());
        return longIdentity(data, data->constData());
    }
    default:
        return std::nullopt;
    }
}

QByteArray writeBinaryPropertyList(const QVariant& value, qint64 limit)
{
    return BinaryWriter(limit).write(value);
}

bool isSamePropertyListValue(const QVariant& a, const QVariant& b)
{
    if (!a.isValid() || !b.isValid())
        return a.isValid() == b.isValid();
    // Values that share their data are one value without a walk.
    const std::optional<PropertyListIdentity> identity = propertyListIdentity(a);
    if (identity && a.typeId() == b.typeId() && identity == propertyListIdentity(b))
        return true;
    BinaryWriter writer(std::numeric_limits<qint64>::max());
    const std::optional<quint64> object = writer.objectOf(a);
    return object && object == writer.objectOf(b);
}

} // namespace sorvant
