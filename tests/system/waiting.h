#pragma once
// Waiting in tests for what another process or thread does: each wait
// checks its condition until it holds or the patience is spent, a bound
// long enough for a loaded machine under AddressSanitizer (ten times the
// slowest seen there), never a fixed time.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <chrono>
#include <functional>

namespace sorvant::test {

inline constexpr std::chrono::seconds kPatience {30};
// The same for the timeouts of the code under test that take milliseconds.
inline constexpr int kPatienceMs = int(std::chrono::milliseconds(kPatience).count());

// Whether `done` came true within `patience`; sleeps between checks.
inline bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds patience = kPatience)
{
    const QDeadlineTimer deadline(patience);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QThread::msleep(10);
    }
    return true;
}

// The same, serving the calling thread's events between checks (answers
// that come through its event loop).
inline bool serveUntil(const std::function<bool()>& done, std::chrono::milliseconds patience = kPatience)
{
    const QDeadlineTimer deadline(patience);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

} // namespace sorvant::test
