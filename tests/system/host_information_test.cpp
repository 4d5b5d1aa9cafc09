#include "system/host_information.h"

#include "system/bundle.h"
#include "system/standard_folders.h"
#include "tests/support/log_capture.h"
#include "tests/support/main_bundle_scope.h"
#include "tests/support/temporary_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

class HostInformation : public testing::Test
{
protected:
    // Put back when the test ends, whatever it set.
    test::MainBundleScope m_mainBundle;

    void SetUp() override
    {
        home.setVariable("XDG_CONFIG_HOME", "home/.config");
        Bundle::setMainBundle(Bundle({}, {{"CFBundleIdentifier", "org.example.Tester"}}));
    }
    void TearDown() override
    {
        setHostSources({});
    }
    // Sources that each answer what the test says.
    void use(const QString& boot, const QString& serial, const QByteArray& mac, QSet<QString> internal = {})
    {
        setHostSources({[=] { return boot; }, [=] { return internal; }, [=] { return serial; }, [=] { return mac; }});
    }
    test::TemporaryHome home{resetStandardFolders};
};

TEST_F(HostInformation, TheFirstSourceWithAnAnswerNamesTheDevice)
{
    const QByteArray mac("\x00\x1a\x2b\x3c\x4d\x5e", 6);
    const struct {
        const char* name;
        QString boot, serial;
        QByteArray mac;
        QString identifier;
    } cases[] = {
        {"boot volume", "1234-ABCD", "SER1", mac, "1234ABCD"},
        {"serial", "", "SER1", mac, "SER1"},
        {"hardware address", "", "", mac, "001a2b3c4d5e"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        test::LogCapture log;
        use(row.boot, row.serial, row.mac);
        EXPECT_EQ(uniqueDeviceIdentifier(), row.identifier);
        EXPECT_FALSE(QFileInfo::exists(deviceIdentifierFilePath()));
    }
}

TEST_F(HostInformation, WithoutHardwareSourcesTheFileKeepsTheIdentifier)
{
    test::LogCapture log;
    use({}, {}, {});
    const QString path = deviceIdentifierFilePath();
    EXPECT_EQ(path, home.home + "/.config/.org.example.Tester.deviceid");
    const QString made = uniqueDeviceIdentifier();
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$").match(made).hasMatch())
        << made.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), made.toLatin1());
    EXPECT_TRUE(log.lines().contains("ERROR: No platform serial number."));
    // A later run reads the file instead of making another.
    use({}, {}, {});
    EXPECT_EQ(uniqueDeviceIdentifier(), made);
    EXPECT_TRUE(isEqualToUniqueDeviceIdentifier(made.toLower()));
}

TEST_F(HostInformation, AnUnwritableFileIsReportedAndTheIdentifierUsed)
{
    test::LogCapture log;
    ASSERT_TRUE(QDir(home.home + "/.config").removeRecursively());
    home.tree.writeFile("home/.config", "a file where the folder should be");
    use({}, {}, {});
    const QString made = uniqueDeviceIdentifier();
    EXPECT_EQ(made.size(), 36);
    EXPECT_TRUE(log.lines().contains("ERROR: Couldn't write persistent device ID " + made + " to "
                                     + deviceIdentifierFilePath()));
}

TEST_F(HostInformation, EveryIdentifierThisMachineGaveOutIsRecognized)
{
    test::LogCapture log;
    home.tree.writeFile("home/.config/.org.example.Tester.deviceid", "FROM-FILE");
    use("boot-uuid", "SER9", QByteArray("\x01\x02\x03\x04\x05\x06", 6), {"AAAA-BBBB"});
    for (const char* identifier : {"BOOTUUID", "ser9", "010203040506", "aaaabbbb", "from-file"}) {
        SCOPED_TRACE(identifier);
        EXPECT_TRUE(isEqualToUniqueDeviceIdentifier(identifier));
    }
    EXPECT_FALSE(isEqualToUniqueDeviceIdentifier("other"));
    EXPECT_FALSE(isEqualToUniqueDeviceIdentifier(""));
    EXPECT_FALSE(isEqualToUniqueDeviceIdentifier("BOOTUUI"));
}

TEST(HostNetwork, DefaultRouteAndInterfaces)
{
    const QByteArray table = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\n"
                             "docker0\t000011AC\t00000000\t0001\t0\t0\t0\t0000FFFF\n"
                             "eth0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\n";
    EXPECT_EQ(defaultRouteInterface(table), "eth0");
    EXPECT_TRUE(defaultRouteInterface("Iface\tDestination\n").isNull());
    EXPECT_TRUE(defaultRouteInterface({}).isNull());
    EXPECT_EQ(hexStringValue(QByteArray("\x0a\xff", 2)), "0aff");
    for (const auto& [address, interface] : interfaceIPAddresses().asKeyValueRange()) {
        SCOPED_TRACE(address.toStdString());
        EXPECT_NE(interface, "lo");
        EXPECT_NE(address, "127.0.0.1");
        EXPECT_NE(address, "::1");
    }
    for (const QString& address : interfaceIP4Addresses().keys())
        EXPECT_FALSE(address.contains(':'));
    EXPECT_FALSE(hostName().isEmpty());
}

} // namespace
} // namespace sorvant
