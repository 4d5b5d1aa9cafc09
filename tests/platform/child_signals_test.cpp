#include "platform/child_signals.h"

#include "tests/support/inherited_signals.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sorvant {
namespace {

TEST(ChildSignals, TheSetHoldsEveryStandardSignalThatCanBeIgnored)
{
    const sigset_t defaults = childDefaultSignals();
    for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGCHLD, SIGTTOU, SIGSYS})
        EXPECT_EQ(sigismember(&defaults, signal), 1) << signal;
    EXPECT_EQ(sigismember(&defaults, SIGKILL), 0);
    EXPECT_EQ(sigismember(&defaults, SIGSTOP), 0);
    EXPECT_EQ(sigismember(&defaults, SIGRTMIN), 0);
}

TEST(ChildSignals, AForkedChildGetsTheDefaultsBack)
{
    const test::InheritedSignals inherited;
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        resetInheritedSignals();
        struct sigaction current {};
        ::sigaction(SIGINT, nullptr, &current);
        sigset_t blocked;
        ::sigprocmask(SIG_SETMASK, nullptr, &blocked);
        const char answer = current.sa_handler == SIG_DFL && !sigismember(&blocked, SIGUSR1) ? 'y' : 'n';
        [[maybe_unused]] const ssize_t written = ::write(ends[1], &answer, 1);
        ::_exit(0);
    }
    ::close(ends[1]);
    char answer = 0;
    EXPECT_EQ(::read(ends[0], &answer, 1), 1);
    ::close(ends[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(answer, 'y');
    // This process keeps what it had.
    struct sigaction current {};
    ::sigaction(SIGINT, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_IGN);
}

} // namespace
} // namespace sorvant
