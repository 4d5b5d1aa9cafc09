#include "system/host_information.h"

#include "foundation/string_construction.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/volumes.h"
#include "system/bundle.h"
#include "system/standard_folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QUuid>

#include <mutex>
#include <optional>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace sorvant {

namespace {

struct HostState
{
    std::mutex mutex;
    HostSources sources;
    std::optional<QString> bootUUID;
    std::optional<QSet<QString>> internalUUIDs;
    QString serial;
    QByteArray mac;
    QString identifier;
};

HostState& state()
{
    static HostState instance;
    return instance;
}

QByteArray readSmall(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(4096) : QByteArray();
}

QString withoutDashes(QString uuid)
{
    return uuid.remove(u'-');
}

// The UUID of the block device `device` from the /dev/disk/by-uuid links.
QString uuidOfDevice(dev_t device)
{
    const QDir folder(QStringLiteral("/dev/disk/by-uuid"));
    for (const QString& name : folder.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        struct stat info {};
        if (::stat(fileSystemRepresentation(folder.filePath(name)).constData(), &info) == 0
            && S_ISBLK(info.st_mode) && info.st_rdev == device)
            return name;
    }
    return {};
}

QString uuidOfMount(const QString& path)
{
    struct stat info {};
    if (::stat(fileSystemRepresentation(path).constData(), &info) != 0)
        return {};
    return uuidOfDevice(info.st_dev);
}

QString machineBootVolumeUUID() { return uuidOfMount(QStringLiteral("/")); }

QSet<QString> machineInternalVolumeUUIDs()
{
    QSet<QString> uuids;
    uuids.reserve(4);
    for (const MountPoint& mount : mountedVolumes()) {
        if (mount.path == QLatin1String("/") || isRemoteFileSystemType(mount.fileSystemType)
            || isRemovableMount(mount))
            continue;
        const QString uuid = uuidOfDevice(makedev(mount.major, mount.minor));
        if (!uuid.isEmpty())
            uuids.insert(uuid);
    }
    return uuids;
}

QString machineSerialNumber()
{
    for (const char* name : {"product_serial", "board_serial", "chassis_serial"}) {
        const QString serial = QString::fromUtf8(readSmall(QStringLiteral("/sys/class/dmi/id/") + QLatin1String(name)))
                                   .trimmed();
        if (!serial.isEmpty())
            return serial;
    }
    return {};
}

QByteArray machineMACAddress()
{
    const QString interface = defaultRouteInterface(readSmall(QStringLiteral("/proc/net/route")));
    if (interface.isEmpty())
        return {};
    const QByteArray text = readSmall(QStringLiteral("/sys/class/net/%1/address").arg(interface)).trimmed();
    const QByteArray bytes = QByteArray::fromHex(QByteArray(text).replace(':', ""));
    return bytes.size() == 6 && bytes != QByteArray(6, '\0') ? bytes : QByteArray();
}

HostSources completed(HostSources sources)
{
    const HostSources machine = systemHostSources();
    if (!sources.bootVolumeUUID)
        sources.bootVolumeUUID = machine.bootVolumeUUID;
    if (!sources.internalVolumeUUIDs)
        sources.internalVolumeUUIDs = machine.internalVolumeUUIDs;
    if (!sources.platformSerialNumber)
        sources.platformSerialNumber = machine.platformSerialNumber;
    if (!sources.primaryMACAddress)
        sources.primaryMACAddress = machine.primaryMACAddress;
    return sources;
}

HostSources currentSources()
{
    HostState& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.sources.bootVolumeUUID)
        s.sources = completed({});
    return s.sources;
}

QString readIdentifierFile()
{
    return QString::fromLatin1(readSmall(deviceIdentifierFilePath())).trimmed();
}

} // namespace

HostSources systemHostSources()
{
    return {machineBootVolumeUUID, machineInternalVolumeUUIDs, machineSerialNumber, machineMACAddress};
}

HostSources setHostSources(const HostSources& sources)
{
    HostState& s = state();
    std::lock_guard lock(s.mutex);
    HostSources previous = s.sources;
    s.sources = completed(sources);
    s.bootUUID.reset();
    s.internalUUIDs.reset();
    s.serial.clear();
    s.mac.clear();
    s.identifier.clear();
    return previous;
}

QString bootVolumeUUID()
{
    const HostSources sources = currentSources();
    HostState& s = state();
    {
        std::lock_guard lock(s.mutex);
        if (s.bootUUID)
            return *s.bootUUID;
    }
    const QString uuid = withoutDashes(sources.bootVolumeUUID());
    std::lock_guard lock(s.mutex);
    s.bootUUID = uuid.isEmpty() ? QString() : uuid;
    return *s.bootUUID;
}

QSet<QString> internalVolumeUUIDs()
{
    const HostSources sources = currentSources();
    HostState& s = state();
    {
        std::lock_guard lock(s.mutex);
        if (s.internalUUIDs)
            return *s.internalUUIDs;
    }
    QSet<QString> uuids;
    for (const QString& uuid : sources.internalVolumeUUIDs()) {
        if (!uuid.isEmpty())
            uuids.insert(withoutDashes(uuid));
    }
    std::lock_guard lock(s.mutex);
    s.internalUUIDs = uuids;
    return uuids;
}

QString platformSerialNumber()
{
    const HostSources sources = currentSources();
    HostState& s = state();
    {
        std::lock_guard lock(s.mutex);
        if (!s.serial.isEmpty())
            return s.serial;
    }
    const QString serial = sources.platformSerialNumber();
    if (serial.isEmpty()) {
        logError(QStringLiteral("No platform serial number."));
        return {};
    }
    std::lock_guard lock(s.mutex);
    s.serial = serial;
    return serial;
}

QByteArray primaryMACAddress()
{
    const HostSources sources = currentSources();
    HostState& s = state();
    {
        std::lock_guard lock(s.mutex);
        if (!s.mac.isEmpty())
            return s.mac;
    }
    const QByteArray mac = sources.primaryMACAddress();
    std::lock_guard lock(s.mutex);
    s.mac = mac;
    return mac;
}

QString hexStringValue(const QByteArray& data)
{
    return QString::fromLatin1(data.toHex());
}

QString primaryMACAddressString()
{
    return hexStringValue(primaryMACAddress());
}

QString deviceIdentifierFilePath()
{
    const QString folder = preferencesDirectory();
    if (folder.isEmpty())
        return {};
    return folder + QStringLiteral("/.%1.deviceid").arg(Bundle::mainBundle().bundleIdentifier());
}

QString uniqueDeviceIdentifier()
{
    HostState& s = state();
    {
        std::lock_guard lock(s.mutex);
        if (!s.identifier.isEmpty())
            return s.identifier;
    }
    QString identifier = bootVolumeUUID();
    if (identifier.isEmpty())
        identifier = platformSerialNumber();
    if (identifier.isEmpty())
        identifier = primaryMACAddressString();
    if (identifier.isEmpty())
        identifier = readIdentifierFile();
    if (identifier.isEmpty()) {
        identifier = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        const QString path = deviceIdentifierFilePath();
        if (path.isEmpty() || !writeToFile(identifier, path, true, NSASCIIStringEncoding))
            logError(QStringLiteral("Couldn't write persistent device ID %1 to %2").arg(identifier, path));
    }
    std::lock_guard lock(s.mutex);
    s.identifier = identifier;
    return identifier;
}

bool isEqualToUniqueDeviceIdentifier(const QString& identifier)
{
    if (identifier.isEmpty())
        return false;
    const auto same = [&](const QString& candidate) {
        return !candidate.isEmpty() && candidate.compare(identifier, Qt::CaseInsensitive) == 0;
    };
    if (same(bootVolumeUUID()) || same(platformSerialNumber()) || same(primaryMACAddressString()))
        return true;
    for (const QString& uuid : internalVolumeUUIDs()) {
        if (same(uuid))
            return true;
    }
    return same(readIdentifierFile());
}

QString defaultRouteInterface(const QByteArray& routeTable)
{
    const QList<QByteArray> lines = routeTable.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines.at(i).simplified().split(' ');
        // Iface Destination Gateway Flags …: the default route goes to 0.0.0.0
        // and is up (flag 1).
        if (fields.size() >= 4 && fields.at(1) == "00000000" && (fields.at(3).toUInt(nullptr, 16) & 1))
            return QString::fromLatin1(fields.at(0));
    }
    return {};
}

QString hostName()
{
    char buffer[256] = {};
    if (::gethostname(buffer, sizeof buffer - 1) == 0 && buffer[0]) {
        addrinfo hints {};
        hints.ai_flags = AI_CANONNAME;
        addrinfo* info = nullptr;
        QString name;
        if (::getaddrinfo(buffer, nullptr, &hints, &info) == 0 && info) {
            if (info->ai_canonname && info->ai_canonname[0])
                name = QString::fromUtf8(info->ai_canonname);
            ::freeaddrinfo(info);
        }
        return name.isEmpty() ? QString::fromUtf8(buffer) : name;
    }
    const QString fallback = QSysInfo::machineHostName();
    logWarning(QStringLiteral("Couldn't retrieve host name, using fallback (%1).").arg(fallback));
    return fallback;
}

QString IPv4Address()
{
    char buffer[256] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0)
        return {};
    addrinfo hints {};
    hints.ai_family = AF_INET;
    addrinfo* info = nullptr;
    if (::getaddrinfo(buffer, nullptr, &hints, &info) != 0 || !info)
        return {};
    char text[INET_ADDRSTRLEN] = {};
    QString address;
    if (::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(info->ai_addr)->sin_addr, text, sizeof text))
        address = QString::fromLatin1(text);
    ::freeaddrinfo(info);
    return address;
}

QMap<QString, QString> interfaceAddressesForFamily(int families)
{
    QMap<QString, QString> addresses;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return addresses;
    for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || !(entry->ifa_flags & IFF_UP) || (entry->ifa_flags & IFF_LOOPBACK))
            continue;
        char text[INET6_ADDRSTRLEN] = {};
        const int family = entry->ifa_addr->sa_family;
        const void* raw = nullptr;
        if (family == AF_INET && (families & 1))
            raw = &reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr;
        else if (family == AF_INET6 && (families & 2))
            raw = &reinterpret_cast<const sockaddr_in6*>(entry->ifa_addr)->sin6_addr;
        if (raw && ::inet_ntop(family, raw, text, sizeof text))
            addresses.insert(QString::fromLatin1(text), QString::fromLocal8Bit(entry->ifa_name));
    }
    ::freeifaddrs(list);
    return addresses;
}

QMap<QString, QString> interfaceIP4Addresses() { return interfaceAddressesForFamily(1); }
QMap<QString, QString> interfaceIP6Addresses() { return interfaceAddressesForFamily(2); }
QMap<QString, QString> interfaceIPAddresses() { return interfaceAddressesForFamily(3); }

} // namespace sorvant
