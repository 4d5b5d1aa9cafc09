#pragma once
// Runs test code in a thread that permissions bind, whoever runs the tests:
// a privileged user's capabilities to read and enter anything are dropped
// for that thread alone, the rest of the process keeping them.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <functional>
#include <thread>

namespace sorvant::test {

// Drops, for the calling thread alone, the capabilities that let a
// privileged user read any file and enter any folder; YES when the thread
// has none of them now.
inline bool dropReadingAnyFile()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
        data[capability / 32].effective &= ~(1u << (capability % 32));
        data[capability / 32].permitted &= ~(1u << (capability % 32));
    }
    return ::syscall(SYS_capset, &header, data) == 0;
}

// Runs `body` in a thread of its own that permissions bind, and waits for
// it; NO (body not run) when such a thread cannot be had.
inline bool runBoundByPermissions(const std::function<void()>& body)
{
    bool ran = false;
    std::thread thread([&] {
        if (::geteuid() == 0 && !dropReadingAnyFile())
            return;
        body();
        ran = true;
    });
    thread.join();
    return ran;
}

} // namespace sorvant::test
