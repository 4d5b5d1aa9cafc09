#pragma once
// Keeps a test process away from the real home: HOME and every per-user XDG
// variable point into a fresh temporary tree, made before any test runs and
// removed when the process exits. Every test main calls it first.
//
// Set:    HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME,
//         XDG_STATE_HOME, XDG_RUNTIME_DIR (mode 0700), XDG_CONFIG_DIRS
// Unset:  the user-folder variables (XDG_DESKTOP_DIR…), SNAP_REAL_HOME,
//         APP_SANDBOX_CONTAINER_ID
// Kept:   XDG_DATA_DIRS, read only for the system's MIME and font data.
//
// The process's signals are reset too: what the runner ignores or blocks
// (SIGINT and SIGQUIT in a shell's background job, SIGHUP under nohup) is
// back at its default, in the tests and in every child they start.

#include <QString>

#include <vector>

namespace sorvant::test {

// Points the variables above at a new temporary tree and answers its path.
// A second call changes nothing and answers the same path.
QString useHermeticEnvironment();

// The tree made by useHermeticEnvironment(); empty before the first call.
[[nodiscard]] QString hermeticRoot();

// The name of every variable useHermeticEnvironment() sets or unsets.
[[nodiscard]] const std::vector<const char*>& hermeticVariableNames();

} // namespace sorvant::test
