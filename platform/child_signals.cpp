#include "platform/child_signals.h"

#include <signal.h>

namespace sorvant {

namespace {

// SIGSYS is the last standard signal on Linux; SIGRTMIN and above are the
// real-time ones.
constexpr int kLastStandardSignal = SIGSYS;

} // namespace

sigset_t childDefaultSignals() noexcept
{
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal = 1; signal <= kLastStandardSignal; ++signal) {
        if (signal != SIGKILL && signal != SIGSTOP)
            sigaddset(&defaults, signal);
    }
    return defaults;
}

void resetInheritedSignals() noexcept
{
    const sigset_t defaults = childDefaultSignals();
    for (int signal = 1; signal <= kLastStandardSignal; ++signal) {
        if (sigismember(&defaults, signal) != 1)
            continue;
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) {
            struct sigaction fallback {};
            fallback.sa_handler = SIG_DFL;
            sigemptyset(&fallback.sa_mask);
            ::sigaction(signal, &fallback, nullptr);
        }
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
}

} // namespace sorvant
