#include "app/termination_signals.h"

#include "app/user_file_work.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace sorvant {

namespace {

// Made once and kept for the process: a handler may run at any time.
int g_signalPipe[2] = {-1, -1};
// Set before the handler is installed; read by the handler.
std::atomic<UserFileWork*> g_fileWork{nullptr};
static_assert(std::atomic<UserFileWork*>::is_always_lock_free, "a signal handler reads it");

void onSignal(int)
{
    // The interrupted thread finds errno as it left it.
    const int savedErrno = errno;
    if (UserFileWork* work = g_fileWork.load(std::memory_order_relaxed))
        work->stopFromSignal();
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

bool installTerminationHandlers(UserFileWork& work, QObject* context, std::function<void()> quit)
{
    if (g_signalPipe[0] < 0 && ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [quit = std::move(quit)] {
        char byte = 0;
        while (::read(g_signalPipe[0], &byte, 1) > 0) {
        }
        quit();
    });
    g_fileWork.store(&work, std::memory_order_relaxed);
    struct sigaction action{};
    action.sa_handler = onSignal;
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    return true;
}

} // namespace sorvant
