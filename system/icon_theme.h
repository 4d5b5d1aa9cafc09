#pragma once
// Finding icons by name in the freedesktop icon themes: the theme's
// folders (index.theme) in $XDG_DATA_HOME/icons, $XDG_DATA_DIRS/icons and
// /usr/share/pixmaps, the themes it inherits, then "hicolor". The search
// path and the theme name are set explicitly, since a program without a
// desktop session (or the offscreen platform) is told neither.

#include <QString>
#include <QStringList>

namespace sorvant {

// The folders searched for themes, most important first: the ones set by
// setIconThemeSearchPaths, else $XDG_DATA_HOME/icons, "icons" of each
// $XDG_DATA_DIRS, and /usr/share/pixmaps.
[[nodiscard]] QStringList iconThemeSearchPaths();
void setIconThemeSearchPaths(const QStringList& paths);

// The theme asked first: the one set, else "hicolor".
[[nodiscard]] QString iconThemeName();
void setIconThemeName(const QString& name);

// The file of the icon `name` closest to `size` pixels (PNG preferred over
// SVG and XPM); an absolute path to an image is its own answer. Null when
// no theme has it.
[[nodiscard]] QString iconPathForName(const QString& name, int size);

} // namespace sorvant
