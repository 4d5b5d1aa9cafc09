#include "system/apple_event_descriptor.h"

#include "foundation/values.h"
#include "platform/path_semantics.h"
#include "platform/volumes.h"

#include <QMutex>
#include <QTimeZone>
#include <QUrl>

#include <unistd.h>

#include <cstring>

namespace sorvant {

namespace {

QByteArray bigEndian(std::uint32_t value)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((value >> (24 - 8 * i)) & 0xff);
    return bytes;
}

std::uint32_t readBigEndian(const QByteArray& bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4 && i < bytes.size(); ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

const QDateTime& epoch1904()
{
    static const QDateTime epoch(QDate(1904, 1, 1), QTime(0, 0), Qt::UTC);
    return epoch;
}

QMutex bootVolumeLock;
QString bootVolumeOverride; // guarded by bootVolumeLock

} // namespace

QString fourCharCodeString(DescType code)
{
    return QString::fromLatin1(bigEndian(code));
}

AppleEventDescriptor::AppleEventDescriptor(DescType type, QByteArray data) : m_type(type), m_data(std::move(data)) {}

AppleEventDescriptor AppleEventDescriptor::descriptorWithString(const QString& string)
{
    return {typeUnicodeText, string.toUtf8()};
}

AppleEventDescriptor AppleEventDescriptor::descriptorWithInt32(std::int32_t value)
{
    return {typeSInt32, bigEndian(static_cast<std::uint32_t>(value))};
}

AppleEventDescriptor AppleEventDescriptor::descriptorWithTypeCode(DescType code)
{
    return {typeType, bigEndian(code)};
}

AppleEventDescriptor AppleEventDescriptor::descriptorWithFileURL(const QString& absoluteURL)
{
    return {typeFileURL, absoluteURL.toUtf8()};
}

AppleEventDescriptor AppleEventDescriptor::listDescriptor()
{
    return {typeAEList, {}};
}

AppleEventDescriptor AppleEventDescriptor::recordDescriptor()
{
    return {typeAERecord, {}};
}

AppleEventDescriptor AppleEventDescriptor::currentProcessDescriptor()
{
    return {typeKernelProcessID, bigEndian(static_cast<std::uint32_t>(::getpid()))};
}

AppleEventDescriptor AppleEventDescriptor::appleEventWithEventClass(DescType eventClass, DescType eventID,
                                                                   const AppleEventDescriptor& target, int returnID,
                                                                   int transactionID)
{
    AppleEventDescriptor event(typeAppleEvent, {});
    event.m_eventClass = eventClass;
    event.m_eventID = eventID;
    event.m_target = std::make_shared<AppleEventDescriptor>(target);
    event.m_returnID = returnID;
    event.m_transactionID = transactionID;
    return event;
}

std::optional<AppleEventDescriptor> AppleEventDescriptor::descriptorWithPath(const QString& path)
{
    if (path.isEmpty() || !isAbsolutePath(path))
        return std::nullopt;
    return descriptorWithFileURL(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
}

QString AppleEventDescriptor::stringValue() const
{
    switch (m_type) {
    case typeUnicodeText:
    case typeFileURL:
        return QString::fromUtf8(m_data);
    case typeSInt32:
        return QString::number(int32Value());
    case typeType:
        return fourCharCodeString(readBigEndian(m_data));
    default:
        return {};
    }
}

std::int32_t AppleEventDescriptor::int32Value() const
{
    if (m_type == typeSInt32 && m_data.size() == 4)
        return static_cast<std::int32_t>(readBigEndian(m_data));
    if (m_type == typeUnicodeText)
        return static_cast<std::int32_t>(intValue(QString::fromUtf8(m_data)));
    return 0;
}

qsizetype AppleEventDescriptor::numberOfItems() const
{
    return m_type == typeAEList ? m_items.size() : m_parameters.size();
}

AppleEventDescriptor AppleEventDescriptor::descriptorAtIndex(qsizetype index) const
{
    if (index < 1 || index > numberOfItems())
        return {};
    return m_type == typeAEList ? m_items[index - 1] : m_parameters[index - 1].second;
}

void AppleEventDescriptor::insertDescriptor(const AppleEventDescriptor& descriptor, qsizetype index)
{
    if (index < 1 || index > m_items.size())
        m_items.append(descriptor);
    else
        m_items.insert(index - 1, descriptor);
}

void AppleEventDescriptor::setDescriptorForKeyword(const AppleEventDescriptor& descriptor, AEKeyword keyword)
{
    for (auto& parameter : m_parameters) {
        if (parameter.first == keyword) {
            parameter.second = descriptor;
            return;
        }
    }
    m_parameters.append({keyword, descriptor});
}

std::optional<AppleEventDescriptor> AppleEventDescriptor::descriptorForKeyword(AEKeyword keyword) const
{
    for (const auto& parameter : m_parameters)
        if (parameter.first == keyword)
            return parameter.second;
    return std::nullopt;
}

QList<AEKeyword> AppleEventDescriptor::keywords() const
{
    QList<AEKeyword> keys;
    for (const auto& parameter : m_parameters)
        keys.append(parameter.first);
    return keys;
}

std::optional<AppleEventDescriptor> AppleEventDescriptor::target() const
{
    if (!m_target)
        return std::nullopt;
    return *m_target;
}

std::optional<QList<AppleEventDescriptor>> AppleEventDescriptor::arrayValue() const
{
    if (m_type != typeAEList)
        return std::nullopt;
    return m_items;
}

std::optional<QStringList> AppleEventDescriptor::arrayValueWithStrings() const
{
    if (m_type != typeAEList)
        return std::nullopt;
    QStringList strings;
    for (const AppleEventDescriptor& item : m_items) {
        const QString string = item.stringValue();
        if (!string.isNull())
            strings.append(string);
    }
    return strings;
}

std::optional<QList<std::pair<QString, AppleEventDescriptor>>> AppleEventDescriptor::dictionaryValue() const
{
    if (m_type != typeAERecord || m_parameters.size() != 1)
        return std::nullopt;
    const AppleEventDescriptor& fields = m_parameters.first().second;
    const qsizetype count = fields.numberOfItems();
    if (fields.descriptorType() != typeAEList || count < 2 || count % 2 != 0)
        return std::nullopt;
    QList<std::pair<QString, AppleEventDescriptor>> entries;
    for (qsizetype i = 1; i < count; i += 2) {
        const QString key = fields.descriptorAtIndex(i).stringValue();
        if (key.isNull())
            continue;
        bool replaced = false;
        for (auto& entry : entries) {
            if (entry.first == key) {
                entry.second = fields.descriptorAtIndex(i + 1);
                replaced = true;
            }
        }
        if (!replaced)
            entries.append({key, fields.descriptorAtIndex(i + 1)});
    }
    return entries;
}

std::optional<QVariantMap> AppleEventDescriptor::dictionaryValueWithStrings() const
{
    const auto entries = dictionaryValue();
    if (!entries)
        return std::nullopt;
    QVariantMap map;
    for (const auto& [key, value] : *entries) {
        const QString string = value.stringValue();
        if (!string.isNull())
            map.insert(key, string);
    }
    return map;
}

QDateTime AppleEventDescriptor::dateValue() const
{
    if (m_type != typeLongDateTime || m_data.size() != 8)
        return {};
    qint64 seconds = 0;
    for (int i = 0; i < 8; ++i)
        seconds = static_cast<qint64>((static_cast<quint64>(seconds) << 8) | static_cast<unsigned char>(m_data[i]));
    return dateFromLongDateTime(seconds);
}

void AppleEventDescriptor::insertObject(const QVariant& object, qsizetype index)
{
    insertDescriptor(appleEventDescriptor(object), index);
}

void AppleEventDescriptor::setObject(const QVariant& object, AEKeyword keyword)
{
    setDescriptorForKeyword(appleEventDescriptor(object), keyword);
}

bool AppleEventDescriptor::operator==(const AppleEventDescriptor& other) const
{
    const bool targetsEqual = (!m_target && !other.m_target)
        || (m_target && other.m_target && *m_target == *other.m_target);
    return m_type == other.m_type && m_data == other.m_data && m_items == other.m_items
        && m_parameters == other.m_parameters && m_eventClass == other.m_eventClass
        && m_eventID == other.m_eventID && m_returnID == other.m_returnID
        && m_transactionID == other.m_transactionID && targetsEqual;
}

AppleEventDescriptor absoluteObjectSpecifier(const AppleEventDescriptor& specifier)
{
    AppleEventDescriptor absolute = specifier;
    const auto container = specifier.descriptorForKeyword(keyFrom);
    if (!container || container->isNull())
        absolute.setDescriptorForKeyword(AppleEventDescriptor::currentProcessDescriptor(), keyFrom);
    else
        absolute.setDescriptorForKeyword(absoluteObjectSpecifier(*container), keyFrom);
    return absolute;
}

qint64 longDateTimeFromDate(const QDateTime& date)
{
    return epoch1904().secsTo(date);
}

QDateTime dateFromLongDateTime(qint64 seconds)
{
    return epoch1904().addSecs(seconds);
}

namespace {

// A four-character keyword written "'abcd'" in a record's key.
std::optional<AEKeyword> quotedKeyword(const QString& key)
{
    if (key.size() != 6 || !key.startsWith(QLatin1Char('\'')) || !key.endsWith(QLatin1Char('\'')))
        return std::nullopt;
    const QByteArray bytes = key.mid(1, 4).toLatin1();
    if (bytes.size() != 4)
        return std::nullopt;
    return readBigEndian(bytes);
}

} // namespace

AppleEventDescriptor appleEventDescriptor(const QVariant& object)
{
    if (object.metaType() == QMetaType::fromType<AppleEventDescriptor>())
        return object.value<AppleEventDescriptor>();
    if (isNullValue(object) || !object.isValid())
        return AppleEventDescriptor::nullDescriptor();
    switch (object.metaType().id()) {
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        AppleEventDescriptor list = AppleEventDescriptor::listDescriptor();
        qsizetype index = 1;
        for (const QVariant& item : object.toList())
            list.insertObject(item, index++);
        return list;
    }
    case QMetaType::QVariantMap: {
        AppleEventDescriptor record = AppleEventDescriptor::recordDescriptor();
        QVariantList userFields;
        const QVariantMap map = object.toMap();
        for (auto it = map.begin(); it != map.end(); ++it) {
            if (const auto keyword = quotedKeyword(it.key())) {
                record.setObject(it.value(), *keyword);
            } else {
                userFields.append(it.key());
                userFields.append(it.value());
            }
        }
        if (!userFields.isEmpty())
            record.setObject(userFields, keyASUserRecordFields);
        return record;
    }
    case QMetaType::QString:
        return AppleEventDescriptor::descriptorWithString(object.toString());
    case QMetaType::QUrl:
        return AppleEventDescriptor::descriptorWithString(object.toUrl().toString(QUrl::FullyEncoded));
    case QMetaType::QDateTime: {
        const quint64 seconds = static_cast<quint64>(longDateTimeFromDate(object.toDateTime()));
        QByteArray bytes(8, '\0');
        for (int i = 0; i < 8; ++i)
            bytes[i] = static_cast<char>((seconds >> (56 - 8 * i)) & 0xff);
        return {typeLongDateTime, bytes};
    }
    default:
        // The value's description: numbers as their text, others as Qt
        // converts them, else the type's name.
        if (isNumberValue(object))
            return AppleEventDescriptor::descriptorWithString(stringValue(object));
        if (object.canConvert<QString>())
            return AppleEventDescriptor::descriptorWithString(object.toString());
        return AppleEventDescriptor::descriptorWithString(QString::fromLatin1(object.typeName()));
    }
}

QString bootVolumeName()
{
    {
        QMutexLocker locker(&bootVolumeLock);
        if (!bootVolumeOverride.isNull())
            return bootVolumeOverride;
    }
    for (const MountPoint& mount : mountedVolumes())
        if (mount.path == QLatin1String("/"))
            return volumeName(mount);
    return QStringLiteral("/");
}

void setBootVolumeName(const QString& name)
{
    QMutexLocker locker(&bootVolumeLock);
    bootVolumeOverride = name;
}

QString POSIXPath(const QString& path)
{
    if (path.isNull() || path.isEmpty())
        return path;
    if (path.startsWith(QLatin1Char('/')) || path.startsWith(QLatin1Char('~')))
        return stringByExpandingTildeInPath(path);
    if (!path.contains(QLatin1Char(':')))
        return QLatin1Char('/') + path;
    QStringList components = path.split(QLatin1Char(':'));
    while (components.size() > 1 && components.last().isEmpty())
        components.removeLast();
    for (QString& component : components)
        component.replace(QLatin1Char('/'), QLatin1Char(':'));
    const QString volume = components.takeFirst();
    QString root;
    if (volume == bootVolumeName()) {
        root = QString();
    } else {
        for (const MountPoint& mount : mountedVolumes())
            if (mount.path != QLatin1String("/") && volumeName(mount) == volume)
                root = mount.path;
        if (root.isNull())
            root = QStringLiteral("/media/%1/%2").arg(QString::fromLocal8Bit(qgetenv("USER")), volume);
    }
    if (components.isEmpty())
        return root.isEmpty() ? QStringLiteral("/") : root;
    return root + QLatin1Char('/') + components.join(QLatin1Char('/'));
}

namespace {

// A reader of the build-format subset.
class FormatParser
{
public:
    FormatParser(const QString& format, const QList<AppleEventDescriptor>& arguments)
        : m_text(format), m_arguments(arguments)
    {
    }

    // keyword:value pairs into `into`; false on a bad format.
    bool parseParameters(AppleEventDescriptor* into, QChar end)
    {
        skipSpace();
        while (m_pos < m_text.size() && m_text[m_pos] != end) {
            const auto keyword = parseCode();
            skipSpace();
            if (!keyword || !take(QLatin1Char(':')))
                return false;
            const auto value = parseValue();
            if (!value)
                return false;
            into->setDescriptorForKeyword(*value, *keyword);
            skipSpace();
            if (!take(QLatin1Char(',')))
                break;
            skipSpace();
        }
        skipSpace();
        return end.isNull() ? m_pos == m_text.size() : take(end);
    }

private:
    void skipSpace()
    {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace())
            ++m_pos;
    }

    bool take(QChar c)
    {
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    // 'abcd' or a bare four-letter code.
    std::optional<DescType> parseCode()
    {
        skipSpace();
        QString code;
        if (take(QLatin1Char('\''))) {
            const qsizetype close = m_text.indexOf(QLatin1Char('\''), m_pos);
            if (close < 0)
                return std::nullopt;
            code = m_text.mid(m_pos, close - m_pos);
            m_pos = close + 1;
        } else {
            while (m_pos < m_text.size() && m_text[m_pos].isLetterOrNumber())
                code += m_text[m_pos++];
        }
        if (code.isEmpty() || code.size() > 4)
            return std::nullopt;
        const QByteArray bytes = code.leftJustified(4, QLatin1Char(' ')).toLatin1();
        return readBigEndian(bytes);
    }

    std::optional<AppleEventDescriptor> parseValue()
    {
        skipSpace();
        if (m_pos >= m_text.size())
            return std::nullopt;
        const QChar c = m_text[m_pos];
        if (c == QLatin1Char('@')) {
            ++m_pos;
            if (m_nextArgument >= m_arguments.size())
                return std::nullopt;
            return m_arguments[m_nextArgument++];
        }
        if (c == QChar(0x201C) || c == QLatin1Char('"')) {
            const QChar close = c == QLatin1Char('"') ? c : QChar(0x201D);
            const qsizetype end = m_text.indexOf(close, m_pos + 1);
            if (end < 0)
                return std::nullopt;
            const QString text = m_text.mid(m_pos + 1, end - m_pos - 1);
            m_pos = end + 1;
            return AppleEventDescriptor::descriptorWithString(text);
        }
        if (c == QLatin1Char('[')) {
            ++m_pos;
            AppleEventDescriptor list = AppleEventDescriptor::listDescriptor();
            skipSpace();
            while (!take(QLatin1Char(']'))) {
                const auto item = parseValue();
                if (!item)
                    return std::nullopt;
                list.insertDescriptor(*item, 0);
                skipSpace();
                if (!take(QLatin1Char(',')) && !(m_pos < m_text.size() && m_text[m_pos] == QLatin1Char(']')))
                    return std::nullopt;
                skipSpace();
            }
            return list;
        }
        if (c.isDigit() || c == QLatin1Char('-')) {
            const qsizetype start = m_pos++;
            while (m_pos < m_text.size() && m_text[m_pos].isDigit())
                ++m_pos;
            bool ok = false;
            const int value = m_text.mid(start, m_pos - start).toInt(&ok);
            if (!ok)
                return std::nullopt;
            return AppleEventDescriptor::descriptorWithInt32(value);
        }
        if (m_text.mid(m_pos, 5) == QLatin1String("type(")) {
            m_pos += 5;
            const auto code = parseCode();
            skipSpace();
            if (!code || !take(QLatin1Char(')')))
                return std::nullopt;
            return AppleEventDescriptor::descriptorWithTypeCode(*code);
        }
        const auto type = parseCode();
        if (!type)
            return std::nullopt;
        skipSpace();
        if (take(QLatin1Char('('))) {
            skipSpace();
            if (!take(QLatin1Char(')')))
                return std::nullopt;
            return AppleEventDescriptor(*type, {});
        }
        if (take(QLatin1Char('{'))) {
            AppleEventDescriptor record(*type, {});
            if (!parseParameters(&record, QLatin1Char('}')))
                return std::nullopt;
            return record;
        }
        return AppleEventDescriptor::descriptorWithTypeCode(*type);
    }

    QString m_text;
    const QList<AppleEventDescriptor>& m_arguments;
    qsizetype m_pos = 0;
    qsizetype m_nextArgument = 0;
};

} // namespace

std::optional<AppleEventDescriptor> createAppleEventWithEventID(DescType eventID, DescType eventClass,
                                                               const QString& bundleIdentifier,
                                                               const QString& format,
                                                               const QList<AppleEventDescriptor>& arguments)
{
    if (bundleIdentifier.isEmpty())
        return std::nullopt;
    const AppleEventDescriptor address(typeApplicationBundleID, bundleIdentifier.toLatin1());
    AppleEventDescriptor event = AppleEventDescriptor::appleEventWithEventClass(eventClass, eventID, address, -1, 0);
    if (!format.isEmpty()) {
        FormatParser parser(format, arguments);
        if (!parser.parseParameters(&event, QChar()))
            return std::nullopt;
    }
    return event;
}

} // namespace sorvant
