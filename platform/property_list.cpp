#include "platform/property_list.h"

#include "platform/atomic_file.h"
#include "platform/number_kind.h"
#include "platform/property_list_binary.h"
#include "platform/property_list_binary_writer.h"
#include "platform/property_list_bounds.h"
#include "platform/property_list_omissions.h"
#include "platform/property_list_path.h"
#include "platform/property_list_xml.h"
#include "platform/scan_work.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

namespace sorvant {

namespace {

thread_local const PropertyListReadStop* t_readStop = nullptr;

// Deeper trees are refused rather than risk the stack on hostile files.
constexpr int kMaximumDepth = kMaximumPropertyListDepth;
// Settings and Info.plist files are small; a larger file is not read whole.
constexpr qint64 kMaximumFileSize = kMaximumPropertyListSize;

// A date as "YYYY-MM-DDTHH:MM:SS.zzzZ" for any year: Qt's ISO form is empty
// outside the years 0 to 9999. Years before 1 count down from 0 and carry
// their sign ("-0044-03-15T…").
QString dateText(const QDateTime& date)
{
    const QDateTime utc = date.toUTC();
    const QDate day = utc.date();
    // The proleptic calendar has no year 0: Qt's year -1 is year 0 here.
    const int year = day.year() < 0 ? day.year() + 1 : day.year();
    const QString digits = QString::number(std::abs(year)).rightJustified(4, QLatin1Char('0'));
    return QStringLiteral("%1%2-%3T%4Z")
        .arg(year < 0 ? QStringLiteral("-") : QString(), digits,
             QStringLiteral("%1-%2").arg(day.month(), 2, 10, QLatin1Char('0')).arg(day.day(), 2, 10, QLatin1Char('0')),
             utc.time().toString(QStringLiteral("HH:mm:ss.zzz")));
}

// --- values in property-list form -------------------------------------------------------
// Each answers the value in the form a property list gives back, and sets
// *changed when that is not `value` itself: a tree already in that form
// (settings read from a file, say) is answered as it is, shared, without a
// copy. What has no such form answers invalid, with the reason; when
// leaving out, a dictionary entry holding such a value is left out instead
// and counted in the omissions.
class Normalizer
{
public:
    // With `dropped`, entries that cannot be written are left out and counted there.
    explicit Normalizer(PropertyListOmissions* dropped) : m_trail(dropped) {}

    // A value met before in the tree (the same data in memory, as a binary
    // list's shared objects are) is answered as it was then, what it left
    // out counted again at this place, so the walk costs what the tree
    // holds, not what it expands to. An answer that met the depth bound
    // holds only where the value is met as deep.
    QVariant normalized(const QVariant& value, int depth, bool* changed)
    {
        if (depth > kMaximumDepth)
            return refuseDepth();
        const std::optional<PropertyListIdentity> identity = identityOf(value);
        if (identity) {
            auto seen = m_seen.constFind(SeenKey{*identity, m_trail.isLeavingOut(), -1});
            if (seen == m_seen.cend())
                seen = m_seen.constFind(SeenKey{*identity, m_trail.isLeavingOut(), depth});
            if (seen != m_seen.cend())
                return metAgain(*seen, depth, changed);
        }
        const PropertyListTrail::Mark mark = m_trail.mark();
        const int deepestBefore = std::exchange(m_deepest, depth);
        const qint64 depthRefusals = m_depthRefusals;
        bool changedHere = false;
        QVariant result = normalizedOnce(value, depth, &changedHere);
        *changed = *changed || changedHere;
        if (identity) {
            const bool refused = !result.isValid();
            m_seen.insert(SeenKey{*identity, m_trail.isLeavingOut(), m_depthRefusals == depthRefusals ? -1 : depth},
                          Seen{result, changedHere, m_deepest - depth, m_trail.below(mark),
                               refused ? m_reason : QString(),
                               refused ? m_trail.fromHere(m_reasonAt) : PropertyListPath()});
        }
        m_deepest = std::max(m_deepest, deepestBefore);
        return result;
    }

    QVariant normalizedOnce(const QVariant& value, int depth, bool* changed)
    {
        countScanWork(1);
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
        return m_reasonAt.isEmpty() ? m_reason : QStringLiteral("At '%1': %2").arg(m_reasonAt.text(), m_reason);
    }

private:
    // A value met before: its identity, whether entries were being left
    // out (inside an array they are not: the array is refused instead),
    // and the depth it was met at when its answer depends on it (-1: any).
    struct SeenKey
    {
        PropertyListIdentity identity;
        bool leavingOut;
        int depth;
        friend bool operator==(const SeenKey&, const SeenKey&) = default;
        friend size_t qHash(const SeenKey& key, size_t seed = 0)
        {
            return qHashMulti(seed, key.identity.first, key.identity.second, key.leavingOut, key.depth);
        }
    };
    // What it was answered, how far it nests, what it left out, and when
    // refused why and where (from the value).
    struct Seen
    {
        QVariant value;
        bool changed;
        int height;
        PropertyListTrail::Below below;
        QString reason;
        PropertyListPath reasonAt;
    };

    QVariant metAgain(const Seen& seen, int depth, bool* changed)
    {
        // Met deeper than before, it may now nest too deeply.
        if (depth + seen.height > kMaximumDepth)
            return refuseDepth();
        m_deepest = std::max(m_deepest, depth + seen.height);
        if (!seen.value.isValid()) {
            m_reason = seen.reason;
            m_reasonAt = m_trail.fromRoot(seen.reasonAt);
            return {};
        }
        m_trail.meetAgain(seen.below);
        *changed = *changed || seen.changed;
        return seen.value;
    }

    // Containers, and text long enough to be worth it, are told apart by
    // their identity; converted ones (a hash, a string list) are copies and
    // have none.
    static std::optional<PropertyListIdentity> identityOf(const QVariant& value)
    {
        constexpr qsizetype kShortText = 64;
        if (value.typeId() == QMetaType::QByteArray)
            return std::nullopt;
        return propertyListIdentity(value, kShortText);
    }

    // Fails the value being looked at, whose place is kept for the reason.
    QVariant refuse(const QString& reason)
    {
        m_reason = reason;
        m_reasonAt = m_trail.path();
        return {};
    }
    QVariant refuseDepth()
    {
        ++m_depthRefusals;
        return refuse(QStringLiteral("The property list is nested too deeply"));
    }

    // Text as written: a NUL cannot be in a property list, and an unpaired
    // surrogate has no UTF-8 form; the reader refuses both as references.
    bool isWritableText(const QString& text)
    {
        countScanWork(text.size());
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

    // A long key is looked at once however many dictionaries hold it: a
    // binary list may use one key of megabytes at each of 500 levels.
    bool isWritableKey(const QString& key)
    {
        constexpr qsizetype kShortKey = 64;
        if (key.size() < kShortKey)
            return isWritableText(key);
        const PropertyListIdentity identity(key.constData(), key.size());
        if (const auto known = m_keys.constFind(identity); known != m_keys.cend()) {
            countScanWork(1);
            if (known->isNull())
                return true;
            refuse(*known);
            return false;
        }
        const bool writable = isWritableText(key);
        m_keys.insert(identity, writable ? QString() : m_reason);
        return writable;
    }

    QVariant map(const QVariantMap& map, int depth, bool* changed)
    {
        QVariantMap result;
        bool copying = false;
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            m_trail.enterKey(it.key());
            bool itemChanged = false;
            QVariant item = isWritableKey(it.key()) ? normalized(it.value(), depth + 1, &itemChanged) : QVariant();
            const bool leftOut = !item.isValid();
            if (leftOut)
                m_trail.leaveOut(m_reason, m_reasonAt);
            m_trail.leave();
            if (leftOut && !m_trail.isLeavingOut())
                return {};
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
        const bool leavingOut = m_trail.setLeavingOut(false);
        for (qsizetype i = 0; i < list.size(); ++i) {
            m_trail.enterIndex(i);
            bool itemChanged = false;
            QVariant item = normalized(list.at(i), depth + 1, &itemChanged);
            m_trail.leave();
            if (!item.isValid()) {
                m_trail.setLeavingOut(leavingOut);
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
        m_trail.setLeavingOut(leavingOut);
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
                                               .arg(dateText(date))
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

    // The way to the value being looked at, and what was left out.
    PropertyListTrail m_trail;
    QString m_reason;
    PropertyListPath m_reasonAt;
    QHash<SeenKey, Seen> m_seen;
    // Long keys looked at, by identity: null when writable, else why not.
    QHash<PropertyListIdentity, QString> m_keys;
    // The deepest level the walk of the value being looked at reached.
    int m_deepest = 0;
    // How often the depth bound refused a value.
    qint64 m_depthRefusals = 0;
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

namespace {

QVariant readPropertyList(const QByteArray& data, QString* error, PropertyListOmissions* leftOut)
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
    const XmlNulReferences nulReferences = leftOut ? XmlNulReferences::LeftToTheReader : XmlNulReferences::Refused;
    if (binary ? !isBoundedBinaryPropertyList(text, &reason) : !isBoundedXMLPropertyList(text, &reason, nulReferences)) {
        if (error)
            *error = reason;
        return {};
    }
    return binary ? readBinaryPropertyList(text, error, leftOut) : readXmlPropertyList(text, error, leftOut);
}

} // namespace

QVariant propertyListFromData(const QByteArray& data, QString* error)
{
    return readPropertyList(data, error, nullptr);
}

QVariant propertyListFromDataLeavingOut(const QByteArray& data, PropertyListOmissions* leftOut, QString* error)
{
    PropertyListOmissions dropped;
    QVariant value = readPropertyList(data, error, &dropped);
    if (leftOut)
        *leftOut = std::move(dropped);
    return value;
}

QByteArray xmlDataFromPropertyList(const QVariant& value, QString* error)
{
    if (error)
        error->clear();
    const QVariant stored = storedValue(value, error);
    if (!stored.isValid())
        return {};
    QByteArray xml = writeXmlPropertyList(stored, kMaximumPropertyListSize);
    if (xml.isEmpty() && error)
        *error = QStringLiteral("The property list would be larger than %1 bytes as XML").arg(kMaximumPropertyListSize);
    return xml;
}

QByteArray binaryDataFromPropertyList(const QVariant& value, QString* error)
{
    if (error)
        error->clear();
    const QVariant stored = storedValue(value, error);
    if (!stored.isValid())
        return {};
    QByteArray data = writeBinaryPropertyList(stored, kMaximumPropertyListSize);
    if (data.isEmpty()) {
        if (error)
            *error = QStringLiteral("The property list would be larger than %1 bytes").arg(kMaximumPropertyListSize);
        return {};
    }
    // What the reader would refuse is not written.
    QString reason;
    if (!isBoundedBinaryPropertyList(data, &reason)) {
        if (error)
            *error = QStringLiteral("The property list would not be read back: %1").arg(reason);
        return {};
    }
    return data;
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

QVariant writablePropertyListValue(const QVariant& value, PropertyListOmissions* dropped, QString* error)
{
    if (error)
        error->clear();
    PropertyListOmissions leftOut;
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
    if (readRegularFile(path, kMaximumFileSize, &data, &reason, &PropertyListReadStop::isRequested)
        != FileReadStatus::Read) {
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
