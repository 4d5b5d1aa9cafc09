#pragma once
// Makes system calls of a forked test child fail, or kill the child, as a
// file system or a crash might at the worst moment: a seccomp filter, which
// cannot be undone, so only for a child. Each answers NO where no filter can
// be put in place (other processors than x86-64, or a system that refuses it).

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace sorvant::test {

// Makes the system calls `calls` of this process end in the seccomp
// `action` (SECCOMP_RET_ERRNO | code, SECCOMP_RET_TRAP…). Only for a forked
// child: it cannot be undone.
inline bool filterSystemCalls(std::initializer_list<int> calls, unsigned int action)
{
#if defined(__x86_64__)
    std::vector<sock_filter> filter{BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr))};
    // Each match jumps past the matches after it and the "allow" to the action.
    auto left = static_cast<unsigned char>(calls.size());
    for (const int call : calls)
        filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(call), left--, 0));
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, action));
    sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0
           && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
#else
    (void)calls;
    (void)action;
    return false;
#endif
}

// Makes the system calls `calls` of this process fail with `code`, as a
// file system might at the worst moment. Only for a forked child: it cannot
// be undone.
inline bool failSystemCalls(std::initializer_list<int> calls, int code)
{
    return filterSystemCalls(calls, SECCOMP_RET_ERRNO | static_cast<unsigned>(code));
}

// Kills this process with SIGKILL at its next call of one of `calls`, before
// the call is made (a SIGSYS the seccomp filter raises, whose handler kills).
inline bool killAtSystemCalls(std::initializer_list<int> calls)
{
    struct sigaction killing {};
    killing.sa_handler = [](int) { ::kill(::getpid(), SIGKILL); };
    return ::sigaction(SIGSYS, &killing, nullptr) == 0 && filterSystemCalls(calls, SECCOMP_RET_TRAP);
}

// Refuses unnamed files (open with O_TMPFILE fails with EOPNOTSUPP), as
// file systems without them do.
inline bool refuseUnnamedFiles()
{
#if defined(__x86_64__)
    constexpr unsigned kUnnamed = 020000000;   // __O_TMPFILE, without O_DIRECTORY
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 2),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),   // flags, low half
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, kUnnamed, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0
           && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
#else
    return false;
#endif
}

inline bool failEveryRename()
{
#if defined(__x86_64__)
    return failSystemCalls({__NR_rename, __NR_renameat, __NR_renameat2}, EPERM);
#else
    return false;
#endif
}

// Hard links refused (EPERM), as on file systems that have none.
inline bool failEveryLink()
{
#if defined(__x86_64__)
    return failSystemCalls({__NR_link, __NR_linkat}, EPERM);
#else
    return false;
#endif
}

} // namespace sorvant::test
