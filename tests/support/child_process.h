#pragma once
// Runs test code in a forked child process and brings back what it sends:
// for work that cannot be undone in the test's own process (a system-call
// filter, a mount namespace, a lowered limit) or that permissions must bind
// whoever runs the tests. A child made to be unprivileged drops root's user
// before it does anything else; the fork leaves it one thread, so no thread
// made before the drop (a pool's, with root's capabilities) can do its work.

#include "tests/support/spawned_child.h"
#include "tests/system/waiting.h"

#include <QByteArray>
#include <QDeadlineTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace sorvant::test {

// How a forked child ended (its exit code; -1 when a signal or the time
// limit ended it; `how` in words, for a failure's message) and what it sent
// back.
struct ChildAnswer {
    int exitCode = -1;
    QByteArray sent;
    std::string how = "was never started";
};

// The rights the child works with.
enum class ChildRights {
    Inherited,      // the test process's own
    Unprivileged,   // the caller's user when not root; else nobody (65534), no groups
};

// The user an unprivileged child runs as: the caller's own when not root.
inline uid_t unprivilegedUser()
{
    return ::geteuid() == 0 ? uid_t(65534) : ::geteuid();
}
inline gid_t unprivilegedGroup()
{
    return ::geteuid() == 0 ? gid_t(65534) : ::getegid();
}

// Runs `work` in a forked child, which exits 0 after sending back what
// `work` answers (or ends itself sooner, as with _exit(77) for "cannot be
// done here"; a child that cannot become unprivileged exits 77 too). A
// child still running after `limit` is killed.
inline ChildAnswer answerOfAChild(const std::function<QByteArray()>& work,
                                  ChildRights rights = ChildRights::Inherited,
                                  std::chrono::milliseconds limit = kPatience)
{
    ChildAnswer answer;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return answer;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        if (rights == ChildRights::Unprivileged && ::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setresgid(unprivilegedGroup(), unprivilegedGroup(), unprivilegedGroup()) != 0
                || ::setresuid(unprivilegedUser(), unprivilegedUser(), unprivilegedUser()) != 0))
            ::_exit(77);
        const QByteArray sent = work();
        ::_exit(::write(ends[1], sent.constData(), size_t(sent.size())) == sent.size() ? 0 : 1);
    }
    ::close(ends[1]);
    const QDeadlineTimer deadline(limit);
    bool timedOut = false;
    for (char buffer[4096]; child > 0;) {
        pollfd ready{ends[0], POLLIN, 0};
        const int waited = ::poll(&ready, 1, int(std::max<qint64>(deadline.remainingTime(), 0)));
        if (waited == 0) {
            timedOut = true;
            ::kill(child, SIGKILL);
            break;
        }
        if (waited < 0 && errno == EINTR)
            continue;
        const ssize_t got = waited < 0 ? 0 : ::read(ends[0], buffer, sizeof buffer);
        if (got <= 0 && !(got < 0 && errno == EINTR))
            break;
        if (got > 0)
            answer.sent.append(buffer, got);
    }
    ::close(ends[0]);
    int status = 0;
    if (child > 0 && ::waitpid(child, &status, 0) == child) {
        answer.how = timedOut ? "was killed after its time limit of " + std::to_string(limit.count()) + " ms"
                              : describeWaitStatus(status);
        if (WIFEXITED(status) && !timedOut)
            answer.exitCode = WEXITSTATUS(status);
    }
    return answer;
}

} // namespace sorvant::test
