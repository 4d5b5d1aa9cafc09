#include "system/icon_theme.h"

#include "tests/system/desktop_test_support.h"
#include "tests/system_dbus/fake_bus_service.h"

#include <QCoreApplication>
#include <QDBusVariant>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

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

// Themes installed in a temporary search folder and a portal naming one.
// GNOME's settings tool is not found (PATH names an empty folder): the
// portal alone answers, and no child is started.
class IconThemePortal : public testing::Test
{
protected:
    void SetUp() override
    {
        SORVANT_SKIP_WITHOUT_SESSION_BUS();
        m_path = qgetenv("PATH");
        qputenv("PATH", desktop.home.tree.makeDir("no-tools").toUtf8());
    }
    void TearDown() override
    {
        qputenv("PATH", m_path);
        setIconThemeSearchPaths({});
        setIconThemeName({});
    }
    // Installs `themes`, and asks with the portal answering `portalTheme`.
    void ask(const QStringList& themes, const QString& portalTheme)
    {
        for (const QString& name : themes)
            desktop.home.tree.writeFile("icons/" + name + "/index.theme", "[Icon Theme]\nName=x\n");
        setIconThemeSearchPaths({desktop.home.tree.filePath("icons")});
        portal = std::make_unique<FakeSettingsPortal>(portalTheme);
        ASSERT_TRUE(portal->isRegistered());
        useDesktopIconTheme(QStringLiteral("hicolor"), &context, [this] { ++changes; });
    }
    test::DesktopHome desktop;
    std::unique_ptr<FakeSettingsPortal> portal;
    QObject context;
    int changes = 0;

private:
    QByteArray m_path;
};

// The theme is set at once from what is known without asking; the portal's
// answer comes later on the context's thread and changes it, and the caller
// is told.
TEST_F(IconThemePortal, ThePortalsAnswerChangesTheThemeWithoutWaiting)
{
    ask({"Adwaita", "FromPortal"}, QStringLiteral("FromPortal"));
    EXPECT_EQ(iconThemeName(), QStringLiteral("Adwaita")) << "what is known at once";
    EXPECT_EQ(changes, 0);
    ASSERT_TRUE(serveUntil([&] { return changes > 0; }));
    EXPECT_EQ(iconThemeName(), QStringLiteral("FromPortal"));
    EXPECT_EQ(portal->reads(), 1);
}

// A portal naming a theme that is not installed changes nothing.
TEST_F(IconThemePortal, AThemeThatIsNotInstalledIsPassedOver)
{
    ask({"breeze"}, QStringLiteral("Missing"));
    // Each asker is gone from the context once its answer was handled.
    ASSERT_TRUE(serveUntil([&] { return context.findChildren<QObject*>().isEmpty(); }));
    EXPECT_EQ(portal->reads(), 1);
    EXPECT_EQ(iconThemeName(), QStringLiteral("breeze"));
    EXPECT_EQ(changes, 0);
}

} // namespace
} // namespace sorvant
