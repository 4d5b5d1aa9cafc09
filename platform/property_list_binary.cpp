#include "platform/property_list_binary.h"

#include "platform/property_list.h"
#include "platform/property_list_bounds.h"
#include "platform/property_list_omissions.h"
#include "platform/property_list_path.h"
#include "platform/property_list_text.h"
#include "platform/property_list_xml.h"
#include "platform/scan_work.h"

#include <QDateTime>
#include <QHash>
#include <QtEndian>
#include <QTimeZone>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace sorvant {

void freePropertyListAside(QVariant value)
{
    try {
        std::thread([discarded = std::move(value)]() mutable { discarded.clear(); }).detach();
    } catch (const std::exception&) {
        // No thread (std::system_error, or std::bad_alloc for its state):
        // the callable, and what it holds, is freed with the exception.
    }
}

namespace {

constexpr qsizetype kStep = PropertyListStopCheck::kStep;

// How reading a value ended: read, refused (it cannot be read as it is;
// the tree around it may go on without it), damaged (nothing is read) or
// stopped (PropertyListReadStop).
enum class Outcome { Read, Refused, Damaged, Stopped };

// Frees what a stopped read had read without the stop waiting for it.
void freeAside(QVariantList values)
{
    if (!values.isEmpty())
        freePropertyListAside(QVariant(std::move(values)));
}

class BinaryReader
{
public:
    BinaryReader(const QByteArray& data, PropertyListOmissions* leftOut) : m_data(data), m_trail(leftOut) {}

    QVariant read(QString* error)
    {
        const std::optional<BinaryPropertyListTrailer> trailer = binaryPropertyListTrailer(m_data);
        if (!trailer)
            return fail(error, QStringLiteral("The binary property list is damaged: its trailer is not consistent"));
        m_offsetSize = trailer->offsetSize;
        m_referenceSize = trailer->referenceSize;
        m_objectCount = trailer->objectCount;
        m_table = trailer->tableOffset;
        m_end = m_data.size() - kBinaryPropertyListTrailerSize;
        m_visits.fill(0, qsizetype(m_objectCount));
        QVariant value;
        switch (object(trailer->topObject, 0, value)) {
        case Outcome::Read:
            return value;
        case Outcome::Refused:
            // The place's text is made only for a caller who asks why.
            if (error)
                *error = m_reasonAt.isEmpty() ? m_reason
                                              : QStringLiteral("At '%1': %2").arg(m_reasonAt.text(), m_reason);
            return {};
        case Outcome::Damaged:
            return fail(error, QStringLiteral("The binary property list is damaged: %1").arg(m_reason));
        case Outcome::Stopped:
            for (const QVariant& kept : std::as_const(m_shared))
                m_unfinished.append(kept);
            for (const Judged& judged : std::as_const(m_judged))
                m_unfinished.append(judged.value);
            m_shared.clear();
            m_judged.clear();
            freeAside(std::move(m_unfinished));
            return fail(error, QStringLiteral("The reading was stopped"));
        }
        return {};
    }

private:
    static QVariant fail(QString* error, const QString& reason)
    {
        if (error)
            *error = reason;
        return {};
    }

    Outcome damaged(const QString& reason)
    {
        m_reason = reason;
        return Outcome::Damaged;
    }
    Outcome refused(const QString& reason)
    {
        m_reason = reason;
        m_reasonAt = m_trail.path();
        return Outcome::Refused;
    }

    std::optional<quint64> countAt(qsizetype& at) const { return binaryPropertyListCount(m_data, m_end, at); }

    // Whether `size` bytes from `at` lie inside the objects' area.
    bool fits(qsizetype at, quint64 size) const { return size <= quint64(m_end - at); }

    // The object `index`. One met a second time is read again and kept, so
    // that from then on every reference to it shares one value (Qt's
    // values share their data): read whole, each object is read at most
    // twice. What reading it left out, or why it was refused, is kept with
    // it and named again at each place it is met, without reading it.
    Outcome object(quint64 index, int depth, QVariant& value)
    {
        if (index >= m_objectCount)
            return damaged(QStringLiteral("a reference points past the last object"));
        if (!m_stop.mayGoOn(PropertyListStopCheck::kObjectWork))
            return Outcome::Stopped;
        quint8& visits = m_visits[qsizetype(index)];
        if (visits > 1) {
            // A reference met is a step, read or not.
            countScanWork(1);
            if (const auto kept = m_shared.constFind(index); kept != m_shared.cend()) {
                value = *kept;
                return Outcome::Read;
            }
            if (const auto judged = m_judged.constFind(index); judged != m_judged.cend())
                return metAgain(*judged, value);
        }
        visits = quint8(std::min(visits + 1, 2));
        const PropertyListTrail::Mark mark = m_trail.mark();
        const Outcome outcome = newObject(index, depth, value);
        if (visits < 2 || (outcome != Outcome::Read && outcome != Outcome::Refused))
            return outcome;
        PropertyListTrail::Below below = m_trail.below(mark);
        if (outcome == Outcome::Read && below.count == 0)
            m_shared.insert(index, value);
        else
            m_judged.insert(index, Judged{outcome, value, std::move(below), m_reason, m_trail.fromHere(m_reasonAt)});
        return outcome;
    }

    // An object read before that left something out or was refused.
    struct Judged
    {
        Outcome outcome;
        QVariant value;
        PropertyListTrail::Below below;
        QString reason;
        // Where it was refused, from the object.
        PropertyListPath at;
    };

    Outcome metAgain(const Judged& judged, QVariant& value)
    {
        if (judged.outcome == Outcome::Refused) {
            m_reason = judged.reason;
            m_reasonAt = m_trail.fromRoot(judged.at);
            return Outcome::Refused;
        }
        m_trail.meetAgain(judged.below);
        value = judged.value;
        return Outcome::Read;
    }

    Outcome newObject(quint64 index, int depth, QVariant& value)
    {
        if (depth > kMaximumPropertyListDepth)
            return damaged(QStringLiteral("it is nested too deeply"));
        const quint64 offset =
            binaryPropertyListInteger(m_data.constData() + m_table + index * quint64(m_offsetSize), m_offsetSize);
        if (offset < quint64(kBinaryPropertyListHeaderSize) || offset >= quint64(m_end))
            return damaged(QStringLiteral("an object lies outside the data"));
        countScanWork(1);
        auto at = qsizetype(offset);
        const auto marker = static_cast<unsigned char>(m_data.at(at));
        switch (marker >> 4) {
        case 0x0:
            if (marker != 0x08 && marker != 0x09)
                return refused(QStringLiteral("A null or fill object has no value"));
            value = QVariant(marker == 0x09);
            return Outcome::Read;
        case 0x1:
            return integer(at, value);
        case 0x2:
        case 0x3:
            return realOrDate(at, value);
        case 0x4:
        case 0x5:
        case 0x6:
            return bytesOrText(at, value);
        case 0x8: {
            const int size = (marker & 0x0F) + 1;
            if (!fits(at + 1, quint64(size)))
                return damaged(QStringLiteral("an object lies outside the data"));
            if (size > 8)
                return refused(QStringLiteral("A UID does not fit in 64 bits"));
            value = QVariantMap{{QStringLiteral("CF$UID"),
                                 QVariant::fromValue<quint64>(binaryPropertyListInteger(m_data.constData() + at + 1, size))}};
            return Outcome::Read;
        }
        case 0xA:
        case 0xC:
            return array(at, depth, value);
        case 0xD:
            return dictionary(at, depth, value);
        default:
            return refused(QStringLiteral("An object of kind %1 is not read").arg(int(marker), 2, 16, QLatin1Char('0')));
        }
    }

    // 1, 2 and 4 bytes are unsigned, 8 signed; 16 bytes are a signed
    // 128-bit value, read when it fits in 64 bits (as quint64 above the
    // signed range, the way writers store such values).
    Outcome integer(qsizetype at, QVariant& value)
    {
        const int sizeLog = static_cast<unsigned char>(m_data.at(at)) & 0x0F;
        if (sizeLog > 4)
            return refused(QStringLiteral("An integer of %1 bytes is not read").arg(qint64(1) << sizeLog));
        const int size = 1 << sizeLog;
        if (!fits(at + 1, quint64(size)))
            return damaged(QStringLiteral("an object lies outside the data"));
        const char* bytes = m_data.constData() + at + 1;
        if (size < 8) {
            value = QVariant::fromValue<qint64>(qint64(binaryPropertyListInteger(bytes, size)));
            return Outcome::Read;
        }
        const quint64 low = binaryPropertyListInteger(bytes + size - 8, 8);
        if (size == 8) {
            value = QVariant::fromValue<qint64>(qint64(low));
            return Outcome::Read;
        }
        const quint64 high = binaryPropertyListInteger(bytes, 8);
        constexpr quint64 kSignBit = quint64(1) << 63;
        if (high == 0 && low >= kSignBit)
            value = QVariant::fromValue<quint64>(low);
        else if ((high == 0 && low < kSignBit) || (high == ~quint64(0) && low >= kSignBit))
            value = QVariant::fromValue<qint64>(qint64(low));
        else
            return refused(QStringLiteral("The integer does not fit in 64 bits"));
        return Outcome::Read;
    }

    // A float or double; a date is a double of seconds from 2001.
    Outcome realOrDate(qsizetype at, QVariant& value)
    {
        const auto marker = static_cast<unsigned char>(m_data.at(at));
        const bool date = marker >> 4 == 0x3;
        if ((date && marker != 0x33) || (!date && marker != 0x22 && marker != 0x23))
            return refused(QStringLiteral("A real of kind %1 is not read").arg(int(marker), 2, 16, QLatin1Char('0')));
        const int size = marker == 0x22 ? 4 : 8;
        if (!fits(at + 1, quint64(size)))
            return damaged(QStringLiteral("an object lies outside the data"));
        const quint64 bits = binaryPropertyListInteger(m_data.constData() + at + 1, size);
        double number = 0;
        if (size == 4) {
            float single = 0;
            const auto bits32 = quint32(bits);
            std::memcpy(&single, &bits32, sizeof single);
            number = single;
        } else {
            std::memcpy(&number, &bits, sizeof number);
        }
        if (!date) {
            value = QVariant(number);
            return Outcome::Read;
        }
        // Past about three million years from 2001 the milliseconds leave
        // QDateTime's range: no date.
        constexpr double kLimit = 1e14;
        if (!std::isfinite(number) || std::abs(number) > kLimit) {
            value = QVariant(QDateTime());
            return Outcome::Read;
        }
        const auto ms = static_cast<qint64>(std::llround(number * 1000));
        value = QVariant(QDateTime::fromMSecsSinceEpoch(kPropertyListReferenceDate * 1000 + ms, QTimeZone::utc()));
        return Outcome::Read;
    }

    // Data, or text in ASCII (read as UTF-8, as it has always been) or in
    // big-endian UTF-16, each read in steps that count their bytes and look
    // at the stop: a string may be as long as the file.
    Outcome bytesOrText(qsizetype at, QVariant& value)
    {
        const int kind = static_cast<unsigned char>(m_data.at(at)) >> 4;
        const std::optional<quint64> count = countAt(at);
        const quint64 unit = kind == 0x6 ? 2 : 1;
        if (!count || *count > quint64(m_end - at) / unit)
            return damaged(QStringLiteral("an object lies outside the data"));
        const auto length = qsizetype(*count);
        const char* bytes = m_data.constData() + at;
        if (kind == 0x4)
            return data(bytes, length, value);
        if (kind == 0x6)
            return utf16Text(bytes, length, value);
        // Under a cut only the text kept is judged, once decoded.
        const bool cut = PropertyListTextCut::longest() >= 0;
        for (qsizetype from = 0; !cut && from < length; from += kStep) {
            const qsizetype size = std::min(kStep, length - from);
            if (std::memchr(bytes + from, 0, size_t(size)))
                return refused(QStringLiteral("The text holds a NUL character"));
            countScanWork(size);
            if (!m_stop.mayGoOn(size))
                return Outcome::Stopped;
        }
        std::optional<QString> text = decodedPropertyListText(QByteArrayView(bytes, length), m_stop);
        if (!text)
            return Outcome::Stopped;
        if (cut && text->contains(QChar(0)))
            return refused(QStringLiteral("The text holds a NUL character"));
        // Text is never null: an empty string is still a value.
        value = QVariant(text->isNull() ? QString(QLatin1String("")) : std::move(*text));
        return Outcome::Read;
    }

    Outcome data(const char* bytes, qsizetype length, QVariant& value)
    {
        QByteArray copy(length, Qt::Uninitialized);
        for (qsizetype from = 0; from < length; from += kStep) {
            const qsizetype size = std::min(kStep, length - from);
            std::memcpy(copy.data() + from, bytes + from, size_t(size));
            countScanWork(size);
            if (!m_stop.mayGoOn(size))
                return Outcome::Stopped;
        }
        value = QVariant(std::move(copy));
        return Outcome::Read;
    }

    // Big-endian UTF-16 units, paired surrogates checked as they are met:
    // the first fault in the text is the one named. A high surrogate at a
    // cut is left out with its pair.
    Outcome utf16Text(const char* bytes, qsizetype length, QVariant& value)
    {
        const qsizetype longest = PropertyListTextCut::longest();
        const qsizetype kept = longest < 0 ? length : std::min(length, longest);
        QString text(kept, Qt::Uninitialized);
        auto* const units = reinterpret_cast<char16_t*>(text.data());
        const auto unpaired = [this](char16_t c) {
            return refused(QStringLiteral("The text holds an unpaired surrogate (U+%1)")
                               .arg(QString::number(c, 16).toUpper()));
        };
        // A high surrogate waiting for its low one.
        char16_t high = 0;
        for (qsizetype from = 0; from < kept; from += kStep / 2) {
            const qsizetype end = std::min(kept, from + kStep / 2);
            qFromBigEndian<char16_t>(bytes + 2 * from, end - from, units + from);
            for (qsizetype i = from; i < end; ++i) {
                const char16_t c = units[i];
                if (high != 0 && !QChar::isLowSurrogate(c))
                    return unpaired(high);
                if (c == 0)
                    return refused(QStringLiteral("The text holds a NUL character"));
                if (QChar::isLowSurrogate(c) && high == 0)
                    return unpaired(c);
                high = QChar::isHighSurrogate(c) ? c : 0;
            }
            countScanWork(2 * (end - from));
            if (!m_stop.mayGoOn(2 * (end - from)))
                return Outcome::Stopped;
        }
        if (high != 0 && kept == length)
            return unpaired(high);
        if (high != 0)
            text.chop(1);
        // Text is never null: an empty string is still a value.
        value = QVariant(text.isNull() ? QString(QLatin1String("")) : text);
        return Outcome::Read;
    }

    // A refused key's text for a warning: the text with what made it
    // refused spelt out, cut as texts are.
    QString keyName(quint64 index) const
    {
        const quint64 offset =
            binaryPropertyListInteger(m_data.constData() + m_table + index * quint64(m_offsetSize), m_offsetSize);
        auto at = qsizetype(offset);
        const int kind = static_cast<unsigned char>(m_data.at(at)) >> 4;
        const std::optional<quint64> count = countAt(at);
        if ((kind != 0x5 && kind != 0x6) || !count)
            return QStringLiteral("?");
        const char* bytes = m_data.constData() + at;
        // No longer than a path is shown: the key may be megabytes long.
        const qsizetype longest = PropertyListTextCut::longest();
        qsizetype shown = longest < 0 ? qsizetype(*count) : std::min(qsizetype(*count), longest);
        shown = std::min(shown, PropertyListOmissions::kLongestPath + 1);
        countScanWork(shown);
        QString name;
        for (qsizetype i = 0; i < shown; ++i) {
            const char16_t c = kind == 0x5 ? char16_t(static_cast<unsigned char>(bytes[i]))
                                           : char16_t(binaryPropertyListInteger(bytes + 2 * i, 2));
            if (c == 0)
                name += QLatin1String("\\0");
            else if (QChar::isSurrogate(c))
                name += QLatin1String("\\u") + QString::number(int(c), 16).toUpper();
            else
                name += QChar(c);
        }
        return name;
    }

    // The references of the container at `at`: where they start and how
    // many, `perEntry` to an entry.
    std::optional<std::pair<qsizetype, quint64>> references(qsizetype at, quint64 perEntry) const
    {
        const std::optional<quint64> count = countAt(at);
        if (!count || *count > quint64(m_end - at) / quint64(m_referenceSize) / perEntry)
            return std::nullopt;
        return std::pair<qsizetype, quint64>(at, *count);
    }
    quint64 reference(qsizetype start, quint64 i) const
    {
        return binaryPropertyListInteger(m_data.constData() + start + qsizetype(i) * m_referenceSize, m_referenceSize);
    }

    // An item refused refuses the array: its items keep their places or
    // it is not read.
    Outcome array(qsizetype at, int depth, QVariant& value)
    {
        const auto refs = references(at, 1);
        if (!refs)
            return damaged(QStringLiteral("an object lies outside the data"));
        QVariantList list;
        list.reserve(qsizetype(refs->second));
        for (quint64 i = 0; i < refs->second; ++i) {
            m_trail.enterIndex(qsizetype(i));
            QVariant item;
            const Outcome outcome = object(reference(refs->first, i), depth + 1, item);
            m_trail.leave();
            if (outcome == Outcome::Stopped)
                m_unfinished.append(QVariant(std::move(list)));
            if (outcome != Outcome::Read)
                return outcome;
            list.append(std::move(item));
        }
        value = std::move(list);
        return Outcome::Read;
    }

    Outcome dictionary(qsizetype at, int depth, QVariant& value)
    {
        const auto refs = references(at, 2);
        if (!refs)
            return damaged(QStringLiteral("an object lies outside the data"));
        const quint64 count = refs->second;
        QVariantMap map;
        for (quint64 i = 0; i < count; ++i) {
            QVariant key;
            Outcome outcome = object(reference(refs->first, i), depth + 1, key);
            if (outcome == Outcome::Read && key.typeId() != QMetaType::QString)
                return damaged(QStringLiteral("a dictionary's key is not text"));
            // A key refused is named as it would read, its NUL as "\0" and
            // an unpaired surrogate as "\uD800".
            m_trail.enterKey(outcome == Outcome::Read ? key.toString() : keyName(reference(refs->first, i)));
            if (outcome == Outcome::Refused)
                m_reasonAt = m_trail.path();
            QVariant item;
            if (outcome == Outcome::Read)
                outcome = object(reference(refs->first, count + i), depth + 1, item);
            if (outcome == Outcome::Stopped)
                m_unfinished.append(QVariant(std::move(map)));
            if (outcome == Outcome::Damaged || outcome == Outcome::Stopped
                || (outcome == Outcome::Refused && !m_trail.isLeavingOut()))
                return outcome;
            if (outcome == Outcome::Refused)
                m_trail.leaveOut(m_reason, m_reasonAt);
            else
                map.insert(key.toString(), std::move(item));
            m_trail.leave();
        }
        value = std::move(map);
        return Outcome::Read;
    }

    const QByteArray& m_data;
    // The way to the value being read, and what was left out.
    PropertyListTrail m_trail;
    int m_offsetSize = 0;
    int m_referenceSize = 0;
    quint64 m_objectCount = 0;
    quint64 m_table = 0;
    // Where the objects' area ends: at the trailer.
    qsizetype m_end = 0;
    QString m_reason;
    PropertyListPath m_reasonAt;
    PropertyListStopCheck m_stop;
    // How often each object was met, up to 2, and the values of those met
    // twice or more: apart, those that left something out or were refused.
    QList<quint8> m_visits;
    QHash<quint64, QVariant> m_shared;
    QHash<quint64, Judged> m_judged;
    // When stopped, the containers that were being read.
    QVariantList m_unfinished;
};

} // namespace

QVariant readBinaryPropertyList(const QByteArray& data, QString* error, PropertyListOmissions* leftOut)
{
    if (error)
        error->clear();
    return BinaryReader(data, leftOut).read(error);
}

} // namespace sorvant
