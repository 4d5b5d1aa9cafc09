#include "system/icon_theme.h"

#include "tests/system/desktop_test_support.h"
#include "tests/system_dbus/fake_bus_service.h"

#include <QCoreApplication>
#include <QFile>
#include <QDBusVariant>

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
        portal.reset();
        portal = std::make_unique<FakeSettingsPortal>(portalTheme);
        ASSERT_TRUE(portal->isRegistered());
        useDesktopIconTheme(QStringLiteral("hicolor"), &context, [this] { ++changes; });
    }
    // A tool in the folder PATH names that runs `script` (shell), or none
    // for a null script.
    void tool(const QString& name, const QString& script)
    {
        const QString path = desktop.home.tree.filePath("no-tools/" + name);
        QFile::remove(path);
        if (script.isNull())
            return;
        desktop.home.tree.writeFile("no-tools/" + name, ("#!/bin/sh\n" + script + "\n").toUtf8());
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
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
    ASSERT_TRUE(test::serveUntil([&] { return changes > 0; }));
    EXPECT_EQ(iconThemeName(), QStringLiteral("FromPortal"));
    EXPECT_EQ(portal->reads(), 1);
}

// A portal naming a theme that is not installed changes nothing.
TEST_F(IconThemePortal, AThemeThatIsNotInstalledIsPassedOver)
{
    ask({"breeze"}, QStringLiteral("Missing"));
    // Each asker is gone from the context once its answer was handled.
    ASSERT_TRUE(test::serveUntil([&] { return context.findChildren<QObject*>().isEmpty(); }));
    EXPECT_EQ(portal->reads(), 1);
    EXPECT_EQ(iconThemeName(), QStringLiteral("breeze"));
    EXPECT_EQ(changes, 0);
}

// GNOME's settings tool printed the key's default ("Adwaita"), which beat
// the theme the user set in settings.ini. The default is learnt from the
// same tool reading no one's settings (its backend in memory).
TEST_F(IconThemePortal, WhatTheUserSetBeatsGnomesDefault)
{
    desktop.home.tree.writeFile("home/.config/gtk-3.0/settings.ini", "[Settings]\ngtk-icon-theme-name=Papirus\n");
    const QString gnomeDefault = QStringLiteral("[ \"$GSETTINGS_BACKEND\" = memory ] && echo \"'Adwaita'\" && exit 0\n");
    const struct
    {
        const char* name;
        QString gsettings;
        QString xfconf;
        const char* desktopName;
        QString chosen;
    } cases[] = {
        {"a default", gnomeDefault + "echo \"'Adwaita'\"", {}, "XFCE", "Papirus"},
        {"a theme set in GNOME's settings", gnomeDefault + "echo \"'Yaru'\"", {}, "XFCE", "Yaru"},
        {"XFCE's xsettings", gnomeDefault + "echo \"'Adwaita'\"", "echo Elementary", "XFCE", "Elementary"},
        {"XFCE's xsettings are not asked outside its session", gnomeDefault + "echo \"'Adwaita'\"",
         "echo Elementary", "LXDE", "Papirus"},
        {"a failing tool answers nothing", "exit 1", "exit 1", "XFCE", "Papirus"},
        {"GNOME's session", gnomeDefault + "echo \"'Adwaita'\"", {}, "ubuntu:GNOME", "Adwaita"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        qputenv("XDG_CURRENT_DESKTOP", row.desktopName);
        tool("gsettings", row.gsettings);
        tool("xfconf-query", row.xfconf);
        setIconThemeName("hicolor");
        ask({"Adwaita", "Papirus", "Yaru", "Elementary"}, QStringLiteral("Adwaita"));
        ASSERT_TRUE(test::serveUntil([&] { return context.findChildren<QObject*>().isEmpty(); }));
        EXPECT_EQ(iconThemeName(), row.chosen);
        EXPECT_EQ(portal->reads(), 1);
    }
}

} // namespace
} // namespace sorvant
