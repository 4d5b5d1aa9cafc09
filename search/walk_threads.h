#pragma once
// The threads that walks borrow as helpers. They stay parked between walks,
// so a walk's helpers run within tens of microseconds of being asked for;
// new threads start one after another, each a clone, a stack and a malloc
// arena, while the first already read and fault pages in. A thread parked
// for kWalkThreadIdleLimit ends.
//
// A parked thread may be woken on a processor the caller names. Woken in a
// burst from one thread, the kernel put several on the same busy processor
// while others stayed idle, and a thread queued there waited until the
// balancer moved it: 2 to 6 ms late in a 10 ms walk, in about one walk of
// three on 8 processors.
//
// Not here: what a helper does (search/directory_walk.cpp).

#include <sched.h>
#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace sorvant {

// The name of a borrowed thread while it runs a job, and while it is parked
// (at most 15 bytes, as the kernel keeps them).
inline constexpr char kWalkThreadName[] = "sorvant-walk";
inline constexpr char kParkedWalkThreadName[] = "sorvant-parked";

inline constexpr std::chrono::seconds kWalkThreadIdleLimit{30};

class WalkThreads
{
public:
    // The process's one set, never destroyed: a parked thread may still wait
    // on it as the process ends.
    static WalkThreads& shared();

    // Starts threads until `count` are parked or starting. Returns at once:
    // the first new thread starts the next, and so on, so a caller with
    // other work to do (reading settings, preparing a search) does not wait
    // for them.
    void reserve(unsigned count);

    // Runs `work` on a parked thread, or on a new one when none is free,
    // then `finished` once the thread has its parked name again (it is
    // named kWalkThreadName while it works). With a `processor` (>= 0) a
    // parked thread wakes there, and may move again once it runs; a new
    // thread starts where the kernel puts it. NO when no thread could be
    // started: neither will run.
    [[nodiscard]] bool run(std::function<void()> work, std::function<void()> finished, int processor = -1);

    // Threads parked now (for tests).
    [[nodiscard]] unsigned parked();

    WalkThreads(const WalkThreads&) = delete;
    WalkThreads& operator=(const WalkThreads&) = delete;

private:
    struct Job
    {
        std::function<void()> work;
        std::function<void()> finished;
        bool pinned = false; // woken on one processor
    };
    // A parked thread, waiting for its own job.
    struct Parked
    {
        std::condition_variable wake;
        Job job;
        bool hasJob = false;
        pid_t thread = 0;
        cpu_set_t allowed{}; // what it may run on, read as a wake-up pins it
    };

    WalkThreads() = default;
    // Starts a thread that first starts `more` others and then runs `job`
    // (if it has work) or parks. NO when it could not be started; the caller
    // has counted all of them as starting.
    bool start(unsigned more, Job job);
    // `count` threads counted as starting will not start after all.
    void notStarting(unsigned count);
    void body(unsigned more, Job job);
    static void runJob(Job& job, const cpu_set_t& allowed);

    std::mutex m_lock;
    std::vector<Parked*> m_parked; // the last parked is woken first
    unsigned m_starting = 0;       // started (or to be started by another) and not yet parked
};

} // namespace sorvant
