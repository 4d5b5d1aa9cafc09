#include "system/icon_theme.h"

#include "tests/support/scoped_variable.h"
#include "tests/system/desktop_test_support.h"
#include "tests/system_dbus/fake_bus_service.h"

#include <QDBusVariant>
#include <QFile>
#include <QObject>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// The settings portal answering every Read with `theme`, a variant in a
// variant as its first version does.
class PortalNamingTheme : public test::FakeBusService
{
public:
    explicit PortalNamingTheme(const QString& theme)
        : FakeBusService(QStringLiteral("org.freedesktop.portal.Desktop")), m_theme(theme)
    {
    }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QDBusVariant inner(m_theme);
        connection.send(message.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(inner)))));
        return true;
    }

private:
    const QString m_theme;
};

// Regression: with no GNOME settings tool in a session other than GNOME's
// (PATH names a folder without it), the portal's theme ranked below Qt's
// fixed "Adwaita" and the theme of GTK's settings.ini, and the desktop's
// choice was never shown. In XFCE's session its own xsettings still come
// first.
TEST(IconThemePortalRank, WithoutGnomesToolThePortalsThemeBeatsTheFilesAndThePlatform)
{
    SORVANT_SKIP_WITHOUT_SESSION_BUS();
    const struct
    {
        const char* name;
        const char* desktopName;
        const char* xfconf;
        QString chosen;
    } cases[] = {
        {"KDE's session", "KDE", nullptr, QStringLiteral("BreezeDark")},
        {"XFCE's session, its xsettings first", "XFCE", "echo Elementary", QStringLiteral("Elementary")},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        test::DesktopHome desktop;
        const QString tools = desktop.home.tree.makeDir("tools");
        const test::ScopedVariable path("PATH", tools.toUtf8().constData());
        const test::ScopedVariable session("XDG_CURRENT_DESKTOP", row.desktopName);
        if (row.xfconf) {
            const QString tool
                = desktop.home.tree.writeFile("tools/xfconf-query", "#!/bin/sh\n" + QByteArray(row.xfconf) + "\n");
            QFile::setPermissions(tool, QFile::ReadOwner | QFile::ExeOwner);
        }
        for (const char* theme : {"Adwaita", "Papirus", "BreezeDark", "Elementary"})
            desktop.home.tree.writeFile("icons/" + QString::fromLatin1(theme) + "/index.theme",
                                        "[Icon Theme]\nName=x\n");
        desktop.home.tree.writeFile("home/.config/gtk-3.0/settings.ini", "[Settings]\ngtk-icon-theme-name=Papirus\n");
        setIconThemeSearchPaths({desktop.home.tree.filePath("icons")});
        PortalNamingTheme portal(QStringLiteral("BreezeDark"));
        ASSERT_TRUE(portal.isRegistered());
        QObject context;
        useDesktopIconTheme(QStringLiteral("Adwaita"), &context, {});
        EXPECT_EQ(iconThemeName(), QStringLiteral("Papirus")) << "what is known at once";
        ASSERT_TRUE(test::serveUntil([&] { return context.findChildren<QObject*>().isEmpty(); }));
        EXPECT_EQ(iconThemeName(), row.chosen);
        setIconThemeSearchPaths({});
        setIconThemeName({});
    }
}

} // namespace
} // namespace sorvant
