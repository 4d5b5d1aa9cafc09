#pragma once
// Finding icons by name in the freedesktop icon themes: the theme's
// folders (index.theme) in $XDG_DATA_HOME/icons, $XDG_DATA_DIRS/icons and
// /usr/share/pixmaps, the themes it inherits, then "hicolor". The search
// path and the theme name are set explicitly, since a program without a
// desktop session (or the offscreen platform) is told neither; the
// application sets the desktop's theme at start (useDesktopIconTheme).

#include <QString>
#include <QStringList>

#include <functional>

class QObject;

namespace sorvant {

// The folders searched for themes, most important first: the ones set by
// setIconThemeSearchPaths, else $XDG_DATA_HOME/icons, "icons" of each
// $XDG_DATA_DIRS, and /usr/share/pixmaps.
[[nodiscard]] QStringList iconThemeSearchPaths();
void setIconThemeSearchPaths(const QStringList& paths);

// The theme asked first: the one set, else "hicolor".
[[nodiscard]] QString iconThemeName();
void setIconThemeName(const QString& name);

// --- the desktop's theme ---------------------------------------------------------------

// Whether a theme of that name (a folder with an index.theme) is in one of
// the search folders. NO for an empty name or one that is a path.
[[nodiscard]] bool isIconThemeInstalled(const QString& name, const QStringList& searchPaths);
// The first of `named` that is installed, else the first installed of
// "Adwaita" and "breeze", else "hicolor". Empty names are passed over.
//   ({"Papirus" (missing), "breeze"}) => "breeze"   ({}, Adwaita installed) => "Adwaita"
//   ({}, none installed) => "hicolor"
[[nodiscard]] QString chooseIconTheme(const QStringList& named, const QStringList& searchPaths);
// The themes the desktop's settings files name, in this order: KDE's
// kdeglobals ([Icons] Theme=), GTK 4's and GTK 3's settings.ini ([Settings]
// gtk-icon-theme-name=), all in $XDG_CONFIG_HOME. Missing ones are left out.
[[nodiscard]] QStringList configuredIconThemeNames();
// A setting's printed value without its quotes, as GNOME's settings tool
// prints a string.
//   "'Adwaita'\n" => "Adwaita"   "\"x\"" => "x"   "plain" => "plain"   "" => ""
[[nodiscard]] QString iconThemeFromSettingText(const QString& text);

// What a desktop's settings say of the icon theme, as far as known; empty
// where nothing was said.
struct DesktopIconThemeSettings
{
    // Qt's platform theme's answer, which may be fixed ("Adwaita" on GTK
    // desktops whatever the user chose); "hicolor" says nothing.
    QString platform;
    // The settings files' themes (configuredIconThemeNames).
    QStringList files;
    // XFCE's xsettings (/Net/IconThemeName).
    QString xfce;
    // The settings portal's and GNOME's icon-theme setting, and that
    // setting's default (which GNOME's settings tool prints when nobody set
    // it).
    QString portal;
    QString gnome;
    QString gnomeDefault;
    // Whether the session is GNOME's, whose setting, default or not, is its
    // choice.
    bool gnomeDesktop = false;
    // Whether GNOME's settings tool is installed. Without it no default can
    // be learnt, and the portal answers the desktop's own setting.
    bool gnomeTool = true;
};
// The themes named, most wanted first: what the user set (the portal's and
// GNOME's setting where it is not the default or the session is GNOME's,
// then XFCE's, then the portal's where GNOME's tool is missing, then the
// settings files), then the platform's answer, then a default of GNOME's
// setting. Empty names are left out.
//   {files: {"Papirus"}, gnome: "Adwaita", gnomeDefault: "Adwaita"} => {"Papirus", "Adwaita"}
//   {files: {"Papirus"}, gnome: "Yaru", gnomeDefault: "Adwaita"} => {"Yaru", "Papirus"}
//   {platform: "Adwaita", files: {"Papirus"}, portal: "Breeze", gnomeTool: false} => {"Breeze", "Papirus", "Adwaita"}
[[nodiscard]] QStringList rankedIconThemeNames(const DesktopIconThemeSettings& settings);

// Sets the theme the desktop chose: at once the first installed of the
// settings files' themes and `platformTheme` (Qt's platform theme's name
// for it), else a fallback (chooseIconTheme). Then, without waiting, it
// asks the freedesktop settings portal, GNOME's icon-theme setting and its
// default (the "gsettings" tool) and, in XFCE's session, its xsettings (the
// "xfconf-query" tool), each when there; once all answered, on `context`'s thread, the
// first installed of rankedIconThemeNames is set, and `changed` is called
// there when it differs from the one set. A tool that has not answered in
// ten seconds is stopped. Nothing is asked without a context.
void useDesktopIconTheme(const QString& platformTheme, QObject* context, std::function<void()> changed);

// --- icons ---------------------------------------------------------------------------

// The file of the icon `name` closest to `size` pixels (PNG preferred over
// SVG and XPM); an absolute path to an image is its own answer. Null when
// no theme has it.
[[nodiscard]] QString iconPathForName(const QString& name, int size);

} // namespace sorvant
