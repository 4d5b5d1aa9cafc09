#pragma once
// What a background job of a shell, nohup or a test runner hands down to a
// process, made in this one for the life of the object: SIGINT, SIGQUIT and
// SIGPIPE ignored, SIGUSR1 blocked in the calling thread. Everything is as
// before once it goes.

#include <signal.h>

namespace sorvant::test {

class InheritedSignals
{
public:
    InheritedSignals()
    {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        for (int i = 0; i < kCount; ++i)
            ::sigaction(kIgnored[i], &ignore, &m_saved[i]);
        sigset_t blocked;
        sigemptyset(&blocked);
        sigaddset(&blocked, SIGUSR1);
        ::pthread_sigmask(SIG_BLOCK, &blocked, &m_mask);
    }
    ~InheritedSignals()
    {
        for (int i = 0; i < kCount; ++i)
            ::sigaction(kIgnored[i], &m_saved[i], nullptr);
        ::pthread_sigmask(SIG_SETMASK, &m_mask, nullptr);
    }
    InheritedSignals(const InheritedSignals&) = delete;
    InheritedSignals& operator=(const InheritedSignals&) = delete;

private:
    static constexpr int kCount = 3;
    static constexpr int kIgnored[kCount] = {SIGINT, SIGQUIT, SIGPIPE};
    struct sigaction m_saved[kCount] {};
    sigset_t m_mask {};
};

} // namespace sorvant::test
