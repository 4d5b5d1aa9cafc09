#pragma once
// The ordering of a hand-off from one thread to another through Qt (a task
// for a thread pool, a queued call, a posted event, a future's result), said
// where ThreadSanitizer sees it. Qt orders these hand-offs with locks inside
// its own library; a Qt that is not built with ThreadSanitizer hides them, and
// the receiving thread's first read of what the handing thread wrote looks
// like a race. The handing side releases a token (an address both sides know)
// after its last write, the receiving side acquires it before its first read.
// Outside ThreadSanitizer builds these are nothing.
//
//   pool.start(handedOff([self] { self->compute(); }));
//   QMetaObject::invokeMethod(app, handedOff([n] { show(n); }), Qt::QueuedConnection);
//
//   releaseHandOff(event);  QCoreApplication::postEvent(receiver, event);
//   ... bool event(QEvent* event) override { acquireHandOff(event); ... }
//
// Not here: std::thread, std::mutex and std::atomic, which ThreadSanitizer
// sees by itself.

#include <type_traits>
#include <utility>

#if defined(__SANITIZE_THREAD__)
#define SORVANT_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define SORVANT_THREAD_SANITIZER 1
#endif
#endif

#ifdef SORVANT_THREAD_SANITIZER
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace sorvant {

// The handing thread: everything it did so far is ordered before any later
// acquireHandOff(token) by another thread.
inline void releaseHandOff([[maybe_unused]] const void* token) noexcept
{
#ifdef SORVANT_THREAD_SANITIZER
    __tsan_release(const_cast<void*>(token));
#endif
}

// The receiving thread, before it reads what was handed over.
inline void acquireHandOff([[maybe_unused]] const void* token) noexcept
{
#ifdef SORVANT_THREAD_SANITIZER
    __tsan_acquire(const_cast<void*>(token));
#endif
}

// A callable handed to another thread. Each copy releases its own address
// once made (the last copy is made on the handing thread: Qt keeps a task or
// a queued call where it was put, and a std::function holds a callable
// that is not trivially copyable on the heap); the call acquires the
// address it runs at before the work reads anything.
template <typename Work>
class HandedOff
{
public:
    explicit HandedOff(Work work) : m_work(std::move(work)) { releaseHandOff(this); }
    HandedOff(const HandedOff& other) : m_work(other.m_work) { releaseHandOff(this); }
    HandedOff(HandedOff&& other) noexcept(std::is_nothrow_move_constructible_v<Work>) : m_work(std::move(other.m_work)) { releaseHandOff(this); }
    HandedOff& operator=(const HandedOff&) = delete;
    HandedOff& operator=(HandedOff&&) = delete;
    ~HandedOff() = default;

    decltype(auto) operator()()
    {
        acquireHandOff(this);
        return m_work();
    }

private:
    Work m_work;
};

template <typename Work>
[[nodiscard]] HandedOff<Work> handedOff(Work work)
{
    return HandedOff<Work>(std::move(work));
}

} // namespace sorvant
