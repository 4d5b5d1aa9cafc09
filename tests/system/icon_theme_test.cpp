#include "system/icon_theme.h"

#include "system/workspace_icons.h"
#include "tests/system/desktop_test_support.h"

#include <QImage>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// Themes in a temporary search folder; the theme and the search folders are
// put back after each test.
class DesktopIconTheme : public testing::Test
{
protected:
    void SetUp() override { icons = desktop.home.tree.makeDir("icons"); }
    void TearDown() override
    {
        setIconThemeSearchPaths({});
        setIconThemeName({});
        clearIconCaches();
    }
    void install(const QString& name)
    {
        desktop.home.tree.writeFile("icons/" + name + "/index.theme", "[Icon Theme]\nName=" + name.toUtf8() + "\n");
    }
    test::DesktopHome desktop;
    QString icons;
};

TEST_F(DesktopIconTheme, TheFirstInstalledNamedThemeElseAdwaitaElseBreezeElseHicolor)
{
    install("Chosen");
    desktop.home.tree.makeDir("icons/NoIndex");
    const QStringList paths {desktop.home.tree.filePath("missing"), icons};
    EXPECT_EQ(chooseIconTheme({"Missing", "", "NoIndex", "Chosen"}, paths), "Chosen");
    EXPECT_EQ(chooseIconTheme({"../icons/Chosen", "icons/Chosen"}, {desktop.home.tree.path()}), "hicolor")
        << "a name is never a path";
    EXPECT_EQ(chooseIconTheme({"Missing"}, paths), "hicolor");
    install("breeze");
    EXPECT_EQ(chooseIconTheme({"Missing"}, paths), "breeze");
    install("Adwaita");
    EXPECT_EQ(chooseIconTheme({}, paths), "Adwaita");
    EXPECT_EQ(chooseIconTheme({"breeze"}, paths), "breeze");
    EXPECT_TRUE(isIconThemeInstalled("Chosen", paths));
    EXPECT_FALSE(isIconThemeInstalled("", paths));
    EXPECT_FALSE(isIconThemeInstalled("..", {icons + "/Chosen"}));
}

// KDE's kdeglobals, then GTK 4's and GTK 3's settings.ini, in the user's
// configuration folder.
TEST_F(DesktopIconTheme, TheSettingsFilesNameTheirThemes)
{
    EXPECT_TRUE(configuredIconThemeNames().isEmpty());
    desktop.home.tree.writeFile("home/.config/gtk-3.0/settings.ini",
                                "[Settings]\ngtk-theme-name=Other\ngtk-icon-theme-name = Gtk3Icons\n");
    desktop.home.tree.writeFile("home/.config/gtk-4.0/settings.ini", "[Settings]\ngtk-icon-theme-name=Gtk4Icons\n");
    desktop.home.tree.writeFile("home/.config/kdeglobals",
                                "[General]\nTheme=NotIcons\n\n[Icons]\nTheme=KdeIcons\n");
    EXPECT_EQ(configuredIconThemeNames(), QStringList({"KdeIcons", "Gtk4Icons", "Gtk3Icons"}));
    // A folder where a file is expected is not read.
    desktop.home.tree.makeDir("home/.config/kdeglobals.d");
    QFile::remove(desktop.home.tree.filePath("home/.config/kdeglobals"));
    desktop.home.tree.makeDir("home/.config/kdeglobals");
    EXPECT_EQ(configuredIconThemeNames(), QStringList({"Gtk4Icons", "Gtk3Icons"}));
}

TEST_F(DesktopIconTheme, SettingTextLosesItsQuotes)
{
    const struct
    {
        const char* printed;
        const char* name;
    } cases[] = {{"'Adwaita'\n", "Adwaita"}, {"\"x\"", "x"}, {"plain", "plain"}, {"", ""}, {"'", "'"}, {"'a\"", "'a\""}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.printed);
        EXPECT_EQ(iconThemeFromSettingText(QString::fromUtf8(row.printed)), QString::fromUtf8(row.name));
    }
}

// The settings files name what the user chose; Qt's platform theme may
// answer a fixed name (on XFCE and LXDE "Adwaita", which replaced the
// user's theme), so it comes after them; "hicolor" is its answer when none
// was made, and then the fallbacks decide.
TEST_F(DesktopIconTheme, TheSettingsFilesFirstThenThePlatformTheme)
{
    install("Platform");
    install("KdeIcons");
    install("Adwaita");
    setIconThemeSearchPaths({icons});
    useDesktopIconTheme("Platform", nullptr, {});
    EXPECT_EQ(iconThemeName(), "Platform");
    useDesktopIconTheme("hicolor", nullptr, {});
    EXPECT_EQ(iconThemeName(), "Adwaita");
    desktop.home.tree.writeFile("home/.config/kdeglobals", "[Icons]\nTheme=KdeIcons\n");
    useDesktopIconTheme("hicolor", nullptr, {});
    EXPECT_EQ(iconThemeName(), "KdeIcons");
    useDesktopIconTheme("NotInstalled", nullptr, {});
    EXPECT_EQ(iconThemeName(), "KdeIcons");
    useDesktopIconTheme("Adwaita", nullptr, {});
    EXPECT_EQ(iconThemeName(), "KdeIcons");
    desktop.home.tree.writeFile("home/.config/kdeglobals", "[Icons]\nTheme=NotInstalled\n");
    useDesktopIconTheme("Platform", nullptr, {});
    EXPECT_EQ(iconThemeName(), "Platform");
}

// GNOME's settings tool prints a key's default when nobody set it (and the
// portal answers the same on GTK desktops): that ranked above the user's
// settings.ini, so every desktop but KDE got Adwaita.
TEST_F(DesktopIconTheme, WhatTheUserSetRanksAboveDefaults)
{
    const QStringList files {"Papirus", "Gtk3"};
    const struct
    {
        const char* name;
        DesktopIconThemeSettings settings;
        QStringList ranked;
    } cases[] = {
        {"GNOME's default below the files and the platform",
         {"Fixed", files, "", "Adwaita", "Adwaita", "Adwaita", false},
         {"Papirus", "Gtk3", "Fixed", "Adwaita"}},
        {"GNOME's setting that is not its default first",
         {"Fixed", files, "", "Yaru", "Yaru", "Adwaita", false},
         {"Yaru", "Papirus", "Gtk3", "Fixed"}},
        {"the portal's choice before GNOME's",
         {"", files, "", "Portal", "Yaru", "Adwaita", false},
         {"Portal", "Yaru", "Papirus", "Gtk3"}},
        {"the portal naming the default while GNOME's setting is not",
         {"", files, "", "Adwaita", "Yaru", "Adwaita", false},
         {"Yaru", "Papirus", "Gtk3", "Adwaita"}},
        {"an unknown default is no one's choice",
         {"", files, "", "Portal", "Yaru", "", false},
         {"Papirus", "Gtk3", "Portal", "Yaru"}},
        {"in GNOME's session its setting is its choice, default or not",
         {"Fixed", files, "", "Adwaita", "Adwaita", "Adwaita", true},
         {"Adwaita", "Papirus", "Gtk3", "Fixed"}},
        {"XFCE's xsettings before the files",
         {"Fixed", files, "Elementary", "", "Adwaita", "Adwaita", false},
         {"Elementary", "Papirus", "Gtk3", "Fixed", "Adwaita"}},
        {"hicolor from the platform names nothing", {"hicolor", {}, "", "", "", "", false}, {}},
        {"nothing said", {}, {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(rankedIconThemeNames(row.settings), row.ranked);
    }
}

// Regression: without GNOME's settings tool, in a session other than
// GNOME's, the portal's theme ranked as a default, below Qt's fixed
// "Adwaita" and the settings files. No default can be learnt then, and the
// portal answers the desktop's own setting: it ranks as the user's, after
// XFCE's xsettings, the desktop's own store in its session. With the tool
// there, a portal naming its default stays a default.
TEST_F(DesktopIconTheme, WithoutGnomesToolThePortalsThemeIsTheUsers)
{
    const QStringList files {"Papirus", "Gtk3"};
    DesktopIconThemeSettings withoutTool;
    withoutTool.gnomeTool = false;
    const struct
    {
        const char* name;
        DesktopIconThemeSettings settings;
        QStringList ranked;
    } cases[] = {
        {"above the files and the platform's fixed answer", {"Adwaita", files, "", "BreezeDark", "", "", false, false},
         {"BreezeDark", "Papirus", "Gtk3", "Adwaita"}},
        {"after XFCE's xsettings", {"Adwaita", files, "Elementary", "Portal", "", "", false, false},
         {"Elementary", "Portal", "Papirus", "Gtk3", "Adwaita"}},
        {"in GNOME's session first, as with the tool", {"Adwaita", files, "Elementary", "Portal", "", "", true, false},
         {"Portal", "Elementary", "Papirus", "Gtk3", "Adwaita"}},
        {"the portal alone", {"hicolor", {}, "", "Portal", "", "", false, false}, {"Portal"}},
        {"with the tool, a portal naming the default is a default",
         {"Adwaita", files, "", "Default", "", "Default", false, true}, {"Papirus", "Gtk3", "Adwaita", "Default"}},
        {"with the tool, its answers unknown, the portal is no one's choice",
         {"Adwaita", files, "", "Portal", "", "", false, true}, {"Papirus", "Gtk3", "Adwaita", "Portal"}},
        {"nothing said", withoutTool, {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(rankedIconThemeNames(row.settings), row.ranked);
    }
}

// Regression: no theme was ever set, so every file showed one generic page.
// Without a desktop that names a theme (a window manager alone), the
// installed Adwaita (tools/install-deps) is used, and a folder, a text file,
// a picture and a PDF show four different pictures.
TEST_F(DesktopIconTheme, FourKindsOfItemShowFourPictures)
{
    setIconThemeSearchPaths({QStringLiteral("/usr/share/icons")});
    ASSERT_TRUE(isIconThemeInstalled("Adwaita", iconThemeSearchPaths()))
        << "tools/install-deps installs adwaita-icon-theme";
    useDesktopIconTheme("hicolor", nullptr, {});
    ASSERT_EQ(iconThemeName(), "Adwaita");
    clearIconCaches();
    const QStringList types {kFolderType, "txt", "png", "pdf"};
    QList<QImage> pictures;
    for (const QString& type : types)
        pictures.append(iconForFileType(type, true, QSize(32, 32)));
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        ASSERT_FALSE(pictures[i].isNull()) << types[i].toStdString();
        for (qsizetype j = 0; j < i; ++j)
            EXPECT_NE(pictures[i], pictures[j]) << types[i].toStdString() << " and " << types[j].toStdString();
    }
}

} // namespace
} // namespace sorvant
