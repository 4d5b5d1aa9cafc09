// The threads walks borrow: every job runs once on a thread named for the
// walk while it works and parked after, its end is told after the rename,
// parked threads are reused, and a thread woken on a named processor runs on
// its own set again once it works, as that set is when it is woken.

#include "search/walk_threads.h"
#include "tests/support/bound_by_permissions.h"
#include "tests/support/temp_tree.h"
#include "tests/support/thread_names.h"
#include "tests/system/waiting.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <future>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace sorvant {
namespace {

std::string threadName()
{
    char name[16] = {};
    pthread_getname_np(pthread_self(), name, sizeof name);
    return name;
}

// Whether no thread of the pool is working or on its way back: every thread
// named parked is on the parked list.
bool settled(WalkThreads& threads)
{
    return test::threadsNamed(kWalkThreadName) == 0 && threads.parked() == test::threadsNamed(kParkedWalkThreadName);
}

// Counts down once per finished job; waits for them all.
class Finished
{
public:
    explicit Finished(int count) : m_left(count) {}
    void one()
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        if (--m_left == 0)
            m_done.notify_all();
    }
    bool wait()
    {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_done.wait_for(guard, test::kPatience, [this] { return m_left == 0; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_done;
    int m_left;
};

// The set of processors a job's thread may run on while it works; none when
// the job could not be run or did not end.
std::optional<cpu_set_t> setWhileWorking(WalkThreads& threads, int processor)
{
    std::promise<cpu_set_t> working;
    Finished finished(1);
    const bool started = threads.run(
        [&] {
            cpu_set_t set;
            CPU_ZERO(&set);
            ::sched_getaffinity(0, sizeof set, &set);
            working.set_value(set);
        },
        [&] { finished.one(); }, processor);
    if (!started || !finished.wait())
        return std::nullopt;
    return working.get_future().get();
}

TEST(WalkThreads, JobsRunOnceNamedForTheWalkAndEndParked)
{
    WalkThreads& threads = WalkThreads::shared();
    constexpr int kJobs = 4;
    // Reserved ahead: each new thread starts the next, and all park. The
    // threads earlier tests used are back on the list first, so that none
    // parks after this test's.
    threads.reserve(kJobs);
    ASSERT_TRUE(test::waitUntil([&] { return threads.parked() >= kJobs && settled(threads); }));
    Finished finished(kJobs);
    std::mutex lock;
    std::vector<std::string> namesWorking;
    std::vector<std::string> namesFinished;
    std::set<pid_t> workers;
    for (int i = 0; i < kJobs; ++i) {
        ASSERT_TRUE(threads.run(
            [&] {
                const std::lock_guard<std::mutex> guard(lock);
                namesWorking.push_back(threadName());
                workers.insert(::gettid());
            },
            [&] {
                {
                    const std::lock_guard<std::mutex> guard(lock);
                    namesFinished.push_back(threadName());
                }
                finished.one();
            }));
    }
    ASSERT_TRUE(finished.wait());
    EXPECT_EQ(namesWorking, std::vector<std::string>(kJobs, kWalkThreadName));
    EXPECT_EQ(namesFinished, std::vector<std::string>(kJobs, kParkedWalkThreadName));
    EXPECT_FALSE(workers.contains(::gettid()));

    // The threads serve the next walk: the one parked last is woken first.
    ASSERT_TRUE(test::waitUntil([&] { return settled(threads); }));
    Finished again(1);
    pid_t reused = 0;
    ASSERT_TRUE(threads.run([&] { reused = ::gettid(); }, [&] { again.one(); }));
    ASSERT_TRUE(again.wait());
    EXPECT_TRUE(workers.contains(reused));
}

// A reservation counts the threads still starting: asked twice in a row, it
// starts the missing ones once, and exactly that many end up parked.
TEST(WalkThreads, ReservingTwiceLeavesExactlyTheCountParked)
{
    WalkThreads& threads = WalkThreads::shared();
    // The threads earlier tests used may still be on their way back to the
    // parked list after telling their job's end: first every thread named
    // parked is on it.
    ASSERT_TRUE(test::waitUntil([&] { return settled(threads); }));
    // Those threads all take a job at once, so that none reaches its idle
    // limit during this test.
    const unsigned before = threads.parked();
    ASSERT_EQ(test::threadsNamed(kParkedWalkThreadName), before);
    std::mutex lock;
    std::condition_variable allIn;
    unsigned in = 0;
    Finished refreshed{int(before)};
    for (unsigned i = 0; i < before; ++i) {
        ASSERT_TRUE(threads.run(
            [&] {
                std::unique_lock<std::mutex> guard(lock);
                ++in;
                allIn.notify_all();
                allIn.wait(guard, [&] { return in == before; });
            },
            [&] { refreshed.one(); }));
    }
    ASSERT_TRUE(refreshed.wait());
    ASSERT_TRUE(test::waitUntil([&] { return settled(threads); }));
    ASSERT_EQ(threads.parked(), before);

    const unsigned count = before + 3;
    threads.reserve(count);
    threads.reserve(count);
    ASSERT_TRUE(test::waitUntil([&] { return threads.parked() >= count; }));
    // Threads started once too often show, parked or named, within the
    // seconds a loaded machine may take to start them.
    test::waitUntil([&] { return test::threadsNamed(kParkedWalkThreadName) > count; }, std::chrono::seconds(2));
    EXPECT_EQ(threads.parked(), count);
    EXPECT_EQ(test::threadsNamed(kParkedWalkThreadName), count);
}

TEST(WalkThreads, ManyCallersAtOnceGetEveryJobRunOnce)
{
    WalkThreads& threads = WalkThreads::shared();
    constexpr int kCallers = 6;
    constexpr int kJobsEach = 40;
    std::atomic<int> ran{0};
    std::vector<std::atomic<int>> runs(kCallers * kJobsEach);
    Finished finished(kCallers * kJobsEach);
    std::vector<std::thread> callers;
    std::atomic<int> refused{0};
    for (int caller = 0; caller < kCallers; ++caller) {
        callers.emplace_back([&, caller] {
            for (int job = 0; job < kJobsEach; ++job) {
                const int index = caller * kJobsEach + job;
                if (!threads.run(
                        [&, index] {
                            runs[std::size_t(index)].fetch_add(1);
                            ran.fetch_add(1);
                        },
                        [&] { finished.one(); }, job % 3 == 0 ? 0 : -1))
                    refused.fetch_add(1);
            }
        });
    }
    for (std::thread& caller : callers)
        caller.join();
    ASSERT_EQ(refused.load(), 0);
    ASSERT_TRUE(finished.wait());
    EXPECT_EQ(ran.load(), kCallers * kJobsEach);
    for (std::size_t i = 0; i < runs.size(); ++i)
        EXPECT_EQ(runs[i].load(), 1) << i;
}

TEST(WalkThreads, AThreadWokenOnAProcessorWorksOnTheWholeSet)
{
    cpu_set_t own;
    CPU_ZERO(&own);
    ASSERT_EQ(::sched_getaffinity(0, sizeof own, &own), 0);
    int last = -1;
    for (int processor = 0; processor < CPU_SETSIZE; ++processor) {
        if (CPU_ISSET(processor, &own))
            last = processor;
    }
    ASSERT_GE(last, 0);
    WalkThreads& threads = WalkThreads::shared();
    threads.reserve(2);
    ASSERT_TRUE(test::waitUntil([&] { return threads.parked() >= 2; }));
    // A processor the thread may use, and one it may not (it then wakes
    // where the kernel puts it).
    for (const int processor : {last, CPU_SETSIZE + 5}) {
        SCOPED_TRACE(processor);
        const std::optional<cpu_set_t> set = setWhileWorking(threads, processor);
        ASSERT_TRUE(set.has_value());
        EXPECT_TRUE(CPU_EQUAL(&*set, &own));
    }
}

// The set a thread runs on is changed while it is parked (as `taskset -a -p`
// does): woken on a processor, it goes back to that set, not to the one it
// had when it started.
TEST(WalkThreads, AWokenThreadKeepsASetChangedWhileItWasParked)
{
    cpu_set_t own;
    CPU_ZERO(&own);
    ASSERT_EQ(::sched_getaffinity(0, sizeof own, &own), 0);
    std::vector<int> processors;
    for (int processor = 0; processor < CPU_SETSIZE; ++processor) {
        if (CPU_ISSET(processor, &own))
            processors.push_back(processor);
    }
    if (processors.size() < 2)
        GTEST_SKIP() << "needs two processors";
    WalkThreads& threads = WalkThreads::shared();
    threads.reserve(1);
    ASSERT_TRUE(test::waitUntil([&] { return threads.parked() >= 1; }));
    cpu_set_t narrowed;
    CPU_ZERO(&narrowed);
    CPU_SET(processors.front(), &narrowed);
    DIR* tasks = opendir("/proc/self/task");
    ASSERT_NE(tasks, nullptr);
    while (const dirent* task = readdir(tasks)) {
        std::ifstream comm(std::string("/proc/self/task/") + task->d_name + "/comm");
        std::string name;
        if (std::getline(comm, name) && name == kParkedWalkThreadName) {
            ASSERT_EQ(::sched_setaffinity(pid_t(std::atoi(task->d_name)), sizeof narrowed, &narrowed), 0);
        }
    }
    closedir(tasks);

    const std::optional<cpu_set_t> set = setWhileWorking(threads, processors.back());
    ASSERT_TRUE(set.has_value());
    EXPECT_TRUE(CPU_EQUAL(&*set, &narrowed));

    // Give the parked threads the whole set back for the tests after this.
    tasks = opendir("/proc/self/task");
    while (const dirent* task = tasks ? readdir(tasks) : nullptr) {
        if (task->d_name[0] != '.')
            ::sched_setaffinity(pid_t(std::atoi(task->d_name)), sizeof own, &own);
    }
    if (tasks)
        closedir(tasks);
}

// A test that binds permissions binds the walk's threads, parked before it
// bound them as earlier tests leave them, and the programs it starts: none
// reads a file its mode closes.
TEST(WalkThreads, ATestBoundByPermissionsBindsParkedThreadsAndWhatItStarts)
{
    WalkThreads& threads = WalkThreads::shared();
    threads.reserve(2);
    ASSERT_TRUE(test::waitUntil([&] { return threads.parked() >= 2; }));
    SORVANT_BIND_PERMISSIONS();
    test::TempTree tree;
    const QByteArray locked = tree.writeFile(QStringLiteral("locked"), "secret").toUtf8();
    ASSERT_EQ(::chmod(locked.constData(), 0), 0);
    Finished finished(1);
    int opened = -2;
    ASSERT_TRUE(threads.run([&] { opened = ::open(locked.constData(), O_RDONLY | O_CLOEXEC); },
                            [&] { finished.one(); }));
    ASSERT_TRUE(finished.wait());
    EXPECT_LT(opened, 0) << "a parked walk thread read a closed file";
    if (opened >= 0)
        ::close(opened);
    char program[] = "cat";
    char* arguments[] = {program, const_cast<char*>(locked.constData()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = ::posix_spawnp(&child, program, &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_EQ(spawned, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a program the test started read a closed file";
    ::chmod(locked.constData(), 0600);
}

} // namespace
} // namespace sorvant
