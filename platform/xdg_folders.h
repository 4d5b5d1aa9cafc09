#pragma once
// The per-user base folders of the XDG base-directory rules, resolved in one
// place: a variable counts only when it holds an absolute path (a relative
// value is ignored, as the rules say), else the folder below the home.
//   XDG_CONFIG_HOME=/c        => "/c"
//   XDG_CONFIG_HOME=rel/c     => home + "/.config"
//   XDG_CONFIG_HOME unset/""  => home + "/.config"
// User folders (Desktop, Documents…) are in system/standard_folders.h.

#include <QString>
#include <QStringList>

namespace sorvant {

enum class XdgBaseFolder {
    Config, // XDG_CONFIG_HOME, ~/.config
    Data,   // XDG_DATA_HOME,   ~/.local/share
    Cache,  // XDG_CACHE_HOME,  ~/.cache
    State,  // XDG_STATE_HOME,  ~/.local/state
};

// The value of the environment variable `name` as a standardized path when
// it is absolute; null otherwise (unset, empty or relative).
//   "/a//b/" => "/a/b"   "a/b" => null   unset => null
[[nodiscard]] QString absolutePathVariable(const char* name);

// The base folder `which` for the home folder `home`; null when `home` is
// empty and the variable does not count.
[[nodiscard]] QString xdgBaseFolder(XdgBaseFolder which, const QString& home);
// The same for the process's home (NSHomeDirectory()).
[[nodiscard]] QString xdgBaseFolder(XdgBaseFolder which);

enum class XdgSearchFolders {
    Config, // XDG_CONFIG_DIRS, /etc/xdg
    Data,   // XDG_DATA_DIRS,   /usr/local/share:/usr/share
};

// The shared search folders `which`, most important first, each standardized;
// relative entries are ignored, and the defaults stand when none is left.
//   XDG_DATA_DIRS="/a/:rel:/b" => {"/a", "/b"}
//   XDG_DATA_DIRS unset/""/"rel" => {"/usr/local/share", "/usr/share"}
[[nodiscard]] QStringList xdgSearchFolders(XdgSearchFolders which);

} // namespace sorvant
