#pragma once
// A forked child that stops at one moment of its work (a stand-in or hook
// calls PausedChild::pause() there) until the test lets it go on: for what
// another process does while the child is at that moment. No sleeps: the
// two sides tell each other through pipes, each wait bounded.

#include "tests/support/spawned_child.h"
#include "tests/system/waiting.h"

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace sorvant::test {

class PausedChild
{
public:
    // Forks a child that runs `work` and exits with what it answers.
    explicit PausedChild(const std::function<int()>& work)
    {
        int ready[2];
        int go[2];
        if (::pipe2(ready, O_CLOEXEC) != 0)
            return;
        if (::pipe2(go, O_CLOEXEC) != 0) {
            ::close(ready[0]);
            ::close(ready[1]);
            return;
        }
        m_child = ::fork();
        if (m_child == 0) {
            ::close(ready[0]);
            ::close(go[1]);
            childReady() = ready[1];
            childGoesOn() = go[0];
            ::_exit(work());
        }
        ::close(ready[1]);
        ::close(go[0]);
        m_ready = ready[0];
        m_go = go[1];
    }
    ~PausedChild()
    {
        if (m_child > 0 && !m_ended) {
            ::kill(m_child, SIGKILL);
            ::waitpid(m_child, nullptr, 0);
        }
        for (const int fd : {m_ready, m_go}) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    PausedChild(const PausedChild&) = delete;
    PausedChild& operator=(const PausedChild&) = delete;

    // In the child: tells the test it is at the moment and waits until it
    // may go on (the first call only; later ones return at once).
    static void pause()
    {
        if (childReady() < 0)
            return;
        char go = 0;
        const bool told = ::write(childReady(), "r", 1) == 1 && ::read(childGoesOn(), &go, 1) == 1;
        ::close(childReady());
        childReady() = -1;
        if (!told)
            ::_exit(2);
    }

    // Whether the child reached its moment within the patience.
    bool waitUntilPaused()
    {
        pollfd waiting{m_ready, POLLIN, 0};
        char byte = 0;
        return m_ready >= 0 && ::poll(&waiting, 1, kPatienceMs) == 1 && ::read(m_ready, &byte, 1) == 1;
    }

    // Lets the child go on and waits for its end: its exit code, or -1 when
    // a signal or the patience ended it.
    int goOnUntilItEnds()
    {
        if (m_child <= 0 || ::write(m_go, "g", 1) != 1)
            return -1;
        waitUntil([&] { return hasEnded(); });
        return m_ended && WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
    }

    // How the child ended ("exited with 2", "was killed by signal 9
    // (Killed)"), or that it still runs: for the message of a wait that
    // failed.
    std::string howItEnded()
    {
        if (m_child <= 0)
            return "was never started";
        return hasEnded() ? describeWaitStatus(m_status) : "is still running";
    }

private:
    bool hasEnded()
    {
        if (!m_ended)
            m_ended = ::waitpid(m_child, &m_status, WNOHANG) == m_child;
        return m_ended;
    }
    static int& childReady()
    {
        static int fd = -1;
        return fd;
    }
    static int& childGoesOn()
    {
        static int fd = -1;
        return fd;
    }

    pid_t m_child = -1;
    int m_ready = -1;
    int m_go = -1;
    int m_status = 0;
    bool m_ended = false;
};

} // namespace sorvant::test
