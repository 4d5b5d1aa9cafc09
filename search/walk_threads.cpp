#include "search/walk_threads.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <thread>

namespace sorvant {

namespace {

// NO when the thread may not use it (taken away meanwhile): it then wakes
// where the kernel puts it.
bool pin(pid_t thread, int processor)
{
    if (processor >= CPU_SETSIZE)
        return false;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(processor, &one);
    return ::sched_setaffinity(thread, sizeof one, &one) == 0;
}

} // namespace

WalkThreads& WalkThreads::shared()
{
    static WalkThreads* const threads = new WalkThreads;
    return *threads;
}

void WalkThreads::reserve(unsigned count)
{
    unsigned missing = 0;
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        const auto available = unsigned(m_parked.size()) + m_starting;
        if (available >= count)
            return;
        missing = count - available;
        m_starting += missing;
    }
    if (!start(missing - 1, {}))
        notStarting(missing);
}

bool WalkThreads::run(std::function<void()> work, std::function<void()> finished, int processor)
{
    Job job{std::move(work), std::move(finished), false};
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        if (!m_parked.empty()) {
            Parked* parked = m_parked.back();
            m_parked.pop_back();
            // Before the wake-up, so that the kernel places it there; the set
            // it goes back to is read now, so that a change made to it while
            // it was parked is kept.
            job.pinned = processor >= 0
                         && ::sched_getaffinity(parked->thread, sizeof parked->allowed, &parked->allowed) == 0
                         && pin(parked->thread, processor);
            parked->job = std::move(job);
            parked->hasJob = true;
            parked->wake.notify_one();
            return true;
        }
    }
    // A new thread, placed by the kernel on an idle processor as it starts.
    return start(0, std::move(job));
}

unsigned WalkThreads::parked()
{
    const std::lock_guard<std::mutex> guard(m_lock);
    return unsigned(m_parked.size());
}

bool WalkThreads::start(unsigned more, Job job)
{
    // No thread (the system's limit) or no memory for its state: the caller
    // does without it, and a walk's count of helpers must not wait for it.
    try {
        std::thread([this, more, job = std::move(job)]() mutable { body(more, std::move(job)); }).detach();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void WalkThreads::notStarting(unsigned count)
{
    const std::lock_guard<std::mutex> guard(m_lock);
    m_starting -= count;
}

void WalkThreads::body(unsigned more, Job job)
{
    if (more > 0 && !start(more - 1, {}))
        notStarting(more);
    pthread_setname_np(pthread_self(), kParkedWalkThreadName);
    Parked self;
    self.thread = ::gettid();
    const bool reserved = !job.work;
    if (!reserved)
        runJob(job, self.allowed);
    std::unique_lock<std::mutex> guard(m_lock);
    if (reserved)
        --m_starting;
    for (;;) {
        m_parked.push_back(&self);
        if (!self.wake.wait_for(guard, kWalkThreadIdleLimit, [&self] { return self.hasJob; })) {
            m_parked.erase(std::find(m_parked.begin(), m_parked.end(), &self));
            return;
        }
        job = std::move(self.job);
        self.hasJob = false;
        guard.unlock();
        runJob(job, self.allowed);
        guard.lock();
    }
}

void WalkThreads::runJob(Job& job, const cpu_set_t& allowed)
{
    // Running where it was woken: free to move from here on.
    if (job.pinned)
        ::sched_setaffinity(0, sizeof allowed, &allowed);
    pthread_setname_np(pthread_self(), kWalkThreadName);
    job.work();
    pthread_setname_np(pthread_self(), kParkedWalkThreadName);
    job.finished();
    job = {};
}

} // namespace sorvant
