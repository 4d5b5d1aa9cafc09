#pragma once
// The signals a child process starts with. A process hands the signals it
// ignores and blocks on to every program it runs: a shell's background job
// ignores SIGINT and SIGQUIT, nohup ignores SIGHUP, and Task ignores SIGPIPE
// while it writes to a child. A program we start gets every signal back at
// its default and none blocked, as it would from a terminal; the handlers a
// process installs are reset by exec anyway.
//
// Not here: how a child is started (platform/task.h).

#include <csignal>

namespace sorvant {

// The standard signals (SIGHUP … SIGSYS) but SIGKILL and SIGSTOP, which
// cannot be ignored: the set a child gets back at their default disposition.
// Real-time signals are left alone (the C library keeps some for itself).
[[nodiscard]] sigset_t childDefaultSignals() noexcept;

// For a child between fork and exec: each signal of childDefaultSignals()
// that is ignored goes back to its default, and no signal stays blocked.
// Async-signal-safe (sigaction, sigprocmask and the sigset_t functions only).
void resetInheritedSignals() noexcept;

} // namespace sorvant
