// The threads walks borrow: every job runs once on a thread named for the
// walk while it works and parked after, its end is told after the rename,
// parked threads are reused, and a thread woken on a named processor runs on
// the whole set again once it works.

#include "search/walk_threads.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <mutex>
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
        return m_done.wait_for(guard, std::chrono::seconds(30), [this] { return m_left == 0; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_done;
    int m_left;
};

TEST(WalkThreads, JobsRunOnceNamedForTheWalkAndEndParked)
{
    WalkThreads& threads = WalkThreads::shared();
    constexpr int kJobs = 4;
    threads.reserve(kJobs);
    for (int attempt = 0; threads.parked() < kJobs && attempt < 3000; ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const unsigned parked = threads.parked();
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
    for (int attempt = 0; threads.parked() < parked && attempt < 3000; ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    Finished again(1);
    pid_t reused = 0;
    ASSERT_TRUE(threads.run([&] { reused = ::gettid(); }, [&] { again.one(); }));
    ASSERT_TRUE(again.wait());
    EXPECT_TRUE(workers.contains(reused));
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
    for (int attempt = 0; threads.parked() < 2 && attempt < 3000; ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // A processor the thread may use, and one it may not (it then wakes
    // where the kernel puts it).
    for (const int processor : {last, CPU_SETSIZE + 5}) {
        SCOPED_TRACE(processor);
        std::promise<cpu_set_t> working;
        Finished finished(1);
        ASSERT_TRUE(threads.run(
            [&] {
                cpu_set_t set;
                CPU_ZERO(&set);
                ::sched_getaffinity(0, sizeof set, &set);
                working.set_value(set);
            },
            [&] { finished.one(); }, processor));
        ASSERT_TRUE(finished.wait());
        cpu_set_t set = working.get_future().get();
        EXPECT_TRUE(CPU_EQUAL(&set, &own));
    }
}

} // namespace
} // namespace sorvant
