#pragma once
// Facts about this machine, and a device identifier derived from them that
// stays the same across launches: the boot volume's UUID (/dev/disk/by-uuid),
// the platform serial number (/sys/class/dmi/id), the hardware address of
// the interface of the default route (/sys/class/net), else an identifier
// kept in ".<bundle id>.deviceid" in the Preferences folder. Each source can
// be replaced (HostSources), since many machines lack some of them.
// Also the host name and the addresses of the network interfaces.

#include <QByteArray>
#include <QMap>
#include <QSet>
#include <QString>

#include <functional>

namespace sorvant {

struct HostSources
{
    std::function<QString()> bootVolumeUUID;             // with or without dashes
    std::function<QSet<QString>()> internalVolumeUUIDs;  // with or without dashes
    std::function<QString()> platformSerialNumber;
    std::function<QByteArray()> primaryMACAddress;       // 6 bytes
};

// The machine's own sources.
[[nodiscard]] HostSources systemHostSources();
// Installs sources (a missing function falls back to the machine's) and
// forgets every cached answer; answers the previous sources.
HostSources setHostSources(const HostSources& sources);

// The UUID of the volume at "/" without dashes, or null. Cached.
[[nodiscard]] QString bootVolumeUUID();
// The UUIDs, without dashes, of the other local fixed volumes. Cached.
[[nodiscard]] QSet<QString> internalVolumeUUIDs();
// The serial number, or null (logged "ERROR: No platform serial number.";
// a later call tries again).
[[nodiscard]] QString platformSerialNumber();
// The hardware address of the default route's interface, or empty.
[[nodiscard]] QByteArray primaryMACAddress();
// hexStringValue of primaryMACAddress.
[[nodiscard]] QString primaryMACAddressString();
// Lower-case hexadecimal digits without separators.   {0x0a, 0xff} => "0aff"
[[nodiscard]] QString hexStringValue(const QByteArray& data);

// The first non-empty of: boot volume UUID, serial number, MAC text, the
// identifier file's text, a new UUID written to the identifier file (a
// failed write is logged "ERROR: Couldn't write persistent device ID <id>
// to <path>" and the new one used all the same). Cached for the process.
[[nodiscard]] QString uniqueDeviceIdentifier();
// The identifier file's path.
[[nodiscard]] QString deviceIdentifierFilePath();
// Whether `identifier` (ignoring case) is any identifier this machine could
// have given out. NO for an empty string.
[[nodiscard]] bool isEqualToUniqueDeviceIdentifier(const QString& identifier);

// The host's canonical name, else gethostname's text, else the fallback
// (logged as a warning).
[[nodiscard]] QString hostName();
// The first IPv4 address of the host name, or null.
[[nodiscard]] QString IPv4Address();
// The addresses of the interfaces that are up and not loopback, each mapped
// to its interface's name; `families` bit 1 IPv4, bit 2 IPv6.
[[nodiscard]] QMap<QString, QString> interfaceAddressesForFamily(int families);
[[nodiscard]] QMap<QString, QString> interfaceIP4Addresses();
[[nodiscard]] QMap<QString, QString> interfaceIP6Addresses();
[[nodiscard]] QMap<QString, QString> interfaceIPAddresses();

// The interface of the default route in a /proc/net/route text, or null.
[[nodiscard]] QString defaultRouteInterface(const QByteArray& routeTable);

} // namespace sorvant
