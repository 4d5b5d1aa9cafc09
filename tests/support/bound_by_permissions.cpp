#include "tests/support/bound_by_permissions.h"

#include "tests/support/hermetic_environment.h"

#include <linux/capability.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace sorvant::test {

namespace {

// Set in the child's environment: its main drops the capabilities.
constexpr char kAskedVariable[] = "SORVANT_TEST_BOUND_BY_PERMISSIONS";
constexpr int kCapabilities[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH};
// A child's run of one test, sanitizers' start included, ends well within.
constexpr int kChildSeconds = 300;

bool hasEither(const __user_cap_data_struct (&data)[2])
{
    for (const int capability : kCapabilities) {
        const unsigned bit = 1u << (capability % 32);
        if ((data[capability / 32].effective | data[capability / 32].permitted) & bit)
            return true;
    }
    return false;
}

// The child's exit status; -1 after killing one that outlived its time.
int waitForChild(pid_t child)
{
    const int process = int(::syscall(SYS_pidfd_open, child, 0));
    bool outlived = false;
    if (process >= 0) {
        pollfd ended{process, POLLIN, 0};
        int ready = 0;
        do
            ready = ::poll(&ended, 1, kChildSeconds * 1000);
        while (ready < 0 && errno == EINTR);
        outlived = ready == 0;
        ::close(process);
    }
    if (outlived)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return outlived ? -1 : status;
}

std::string howItEnded(int status)
{
    if (status < 0)
        return "killed after " + std::to_string(kChildSeconds) + " s";
    if (WIFSIGNALED(status))
        return "killed by signal " + std::to_string(WTERMSIG(status));
    return "exit status " + std::to_string(WEXITSTATUS(status));
}

QByteArray readAll(int descriptor)
{
    QByteArray all;
    ::lseek(descriptor, 0, SEEK_SET);
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return all;
        all.append(buffer, qsizetype(got));
    }
}

// Runs `filter` alone in a child that drops the capabilities first; its
// status (as waitpid gives it, -1 when it outlived its time) and output.
bool runBoundChild(const std::string& filter, int& status, QByteArray& output)
{
    char self[PATH_MAX] = {};
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return false;
    std::string pattern = hermeticRoot().toStdString() + "/bound-output-XXXXXX";
    const int outputFile = ::mkstemp(pattern.data());
    if (outputFile < 0)
        return false;
    ::unlink(pattern.c_str());
    // The child runs this one test once, in order, whatever flags and
    // GTEST_ variables (a report file among them) the parent was given.
    std::string filterFlag = "--gtest_filter=" + filter;
    std::vector<char*> arguments{self, filterFlag.data(), const_cast<char*>("--gtest_color=no"),
                                 const_cast<char*>("--gtest_also_run_disabled_tests"), nullptr};
    std::string asked = std::string(kAskedVariable) + "=1";
    std::vector<char*> variables;
    for (char** variable = environ; *variable; ++variable) {
        if (std::strncmp(*variable, "GTEST_", 6) != 0)
            variables.push_back(*variable);
    }
    variables.push_back(asked.data());
    variables.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outputFile, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, outputFile, STDERR_FILENO);
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, self, &actions, nullptr, arguments.data(), variables.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ::close(outputFile);
        return false;
    }
    status = waitForChild(child);
    output = readAll(outputFile);
    ::close(outputFile);
    return true;
}

} // namespace

void bindPermissionsWhenAsked()
{
    if (!std::getenv(kAskedVariable))
        return;
    // Out of the bounding set too, so that no program the test starts (as
    // the super-user) gets them back.
    for (const int capability : kCapabilities)
        ::prctl(PR_CAPBSET_DROP, capability, 0, 0, 0);
    ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return;
    for (const int capability : kCapabilities) {
        const unsigned bit = 1u << (capability % 32);
        data[capability / 32].effective &= ~bit;
        data[capability / 32].permitted &= ~bit;
        data[capability / 32].inheritable &= ~bit;
    }
    ::syscall(SYS_capset, &header, data);
}

bool permissionsBindThisProcess()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    return ::syscall(SYS_capget, &header, data) == 0 && !hasEither(data);
}

BoundBy bindPermissionsOfThisTest()
{
    if (permissionsBindThisProcess())
        return BoundBy::ThisProcess;
    // A child that could not drop them.
    if (std::getenv(kAskedVariable))
        return BoundBy::NoProcess;
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    if (!test)
        return BoundBy::NoProcess;
    const std::string name = std::string(test->test_suite_name()) + "." + test->name();
    int status = 0;
    QByteArray output;
    if (!runBoundChild(name, status, output)) {
        ADD_FAILURE() << "could not start a bound process for " << name;
        return BoundBy::AChild;
    }
    const bool exited = status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    // gtest's summary of a run of one test.
    const bool ranOne = output.contains("[==========] 1 test from 1 test suite ran.");
    if (exited && ranOne && output.contains("[  SKIPPED ] 1 test"))
        return BoundBy::NoProcess;
    if (!exited || !ranOne || !output.contains("[  PASSED  ] 1 test."))
        ADD_FAILURE() << "in a process that permissions bind (" << howItEnded(status) << "):\n" << output.toStdString();
    return BoundBy::AChild;
}

} // namespace sorvant::test
