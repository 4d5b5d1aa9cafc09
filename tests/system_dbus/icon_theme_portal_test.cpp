#include "system/icon_theme.h"

#include "tests/system/desktop_test_support.h"
#include "tests/system_dbus/fake_bus_service.h"

#include <QCoreApplication>
#include <QDBusVariant>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>

namespace sorvant {
namespace {

// The settings portal: Read("org.gnome.desktop.interface", "icon-theme")
// answers the theme as a variant in a variant, as its first version does.
class FakeSettingsPortal : public QDBusVirtualObject
{
public:
    explicit FakeSettingsPortal(const QString& theme)
        : m_theme(theme),
          m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-portal")))
    {
        m_registered = m_connection.isConnected()
                       && m_connection.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), this)
                       && m_connection.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }
    ~FakeSettingsPortal() override
    {
        m_connection.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
        m_connection.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
    }
    FakeSettingsPortal(const FakeSettingsPortal&) = delete;
    FakeSettingsPortal& operator=(const FakeSettingsPortal&) = delete;

    [[nodiscard]] bool isRegistered() const { return m_registered; }
    [[nodiscard]] int reads() const { return m_reads; }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const bool asked = message.interface() == QLatin1String("org.freedesktop.portal.Settings")
                           && message.member() == QLatin1String("Read")
                           && message.arguments() == QVariantList({"org.gnome.desktop.interface", "icon-theme"});
        if (!asked) {
            connection.send(message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                                                     QStringLiteral("no such setting")));
            return true;
        }
        ++m_reads;
        const QDBusVariant inner(m_theme);
        connection.send(message.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(inner)))));
        return true;
    }

private:
    QString m_theme;
    QDBusConnection m_connection;
    bool m_registered = false;
    std::atomic<int> m_reads {0};
};

// Serves events until `done` or five seconds have passed.
bool serveUntil(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// The theme is set at once from what is known without asking; the portal's
// answer comes later on the context's thread and changes it, and the caller
// is told.
TEST(IconThemePortal, ThePortalsAnswerChangesTheThemeWithoutWaiting)
{
    SORVANT_SKIP_WITHOUT_SESSION_BUS();
    test::DesktopHome desktop;
    for (const char* name : {"Adwaita", "FromPortal"})
        desktop.home.tree.writeFile(QStringLiteral("icons/%1/index.theme").arg(QLatin1String(name)),
                                    "[Icon Theme]\nName=x\n");
    setIconThemeSearchPaths({desktop.home.tree.filePath("icons")});
    FakeSettingsPortal portal(QStringLiteral("FromPortal"));
    ASSERT_TRUE(portal.isRegistered());
    QObject context;
    int changes = 0;
    useDesktopIconTheme(QStringLiteral("hicolor"), &context, [&changes] { ++changes; });
    EXPECT_EQ(iconThemeName(), QStringLiteral("Adwaita")) << "what is known at once";
    EXPECT_EQ(changes, 0);
    ASSERT_TRUE(serveUntil([&] { return changes > 0; }));
    EXPECT_EQ(iconThemeName(), QStringLiteral("FromPortal"));
    EXPECT_EQ(portal.reads(), 1);
    setIconThemeSearchPaths({});
    setIconThemeName({});
}

// A portal naming a theme that is not installed changes nothing.
TEST(IconThemePortal, AThemeThatIsNotInstalledIsPassedOver)
{
    SORVANT_SKIP_WITHOUT_SESSION_BUS();
    test::DesktopHome desktop;
    desktop.home.tree.writeFile("icons/breeze/index.theme", "[Icon Theme]\nName=x\n");
    setIconThemeSearchPaths({desktop.home.tree.filePath("icons")});
    FakeSettingsPortal portal(QStringLiteral("Missing"));
    ASSERT_TRUE(portal.isRegistered());
    QObject context;
    int changes = 0;
    useDesktopIconTheme(QStringLiteral("hicolor"), &context, [&changes] { ++changes; });
    // Each asker is gone from the context once its answer was handled.
    ASSERT_TRUE(serveUntil([&] { return context.findChildren<QObject*>().isEmpty(); }));
    EXPECT_EQ(portal.reads(), 1);
    EXPECT_EQ(iconThemeName(), QStringLiteral("breeze"));
    EXPECT_EQ(changes, 0);
    setIconThemeSearchPaths({});
    setIconThemeName({});
}

} // namespace
} // namespace sorvant
