#pragma once
// Work that must not hold the interface thread (decoding, folder scans,
// calls that wait for another process) runs on a thread pool, answered as a
// QFuture: the application's BackgroundPool while one exists, else Qt's
// global pool (a test, a command). The caller continues on its own thread with
// whenReady(future, context, continuation): the continuation runs in the
// context's thread, and not at all once the context is gone (a watcher the
// context owns delivers it; QFuture::then with a context that may go
// first is not safe in every Qt this builds with).
//
//   whenReady(runInBackground([path] { return decode(path); }), window,
//             [window](const QImage& image) { window->show(image); });
//
// Both hand-offs (the work to the pool, the result back to the caller) carry
// an ordering ThreadSanitizer sees (platform/thread_hand_off.h).
//
// Not here: the search engine's own worker threads (search/search_engine.h).

#include "platform/thread_hand_off.h"

#include <QDeadlineTimer>
#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <QThreadPool>

#include <chrono>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace sorvant {

// A pool of threads that quitting waits for only so long: a reader can
// wait on a file without end (a PDF read to its last byte, a network mount
// that does not answer), and Qt's global pool, like any QThreadPool that is
// destroyed, waits for its threads without limit.
class QuitBoundedPool
{
public:
    // `what` names the work in the warning about work left running.
    explicit QuitBoundedPool(const char* what);
    // Drains for at most kQuitWait; what still runs after that is left to
    // the process's end (its threads are not waited for).
    ~QuitBoundedPool();
    QuitBoundedPool(const QuitBoundedPool&) = delete;
    QuitBoundedPool& operator=(const QuitBoundedPool&) = delete;

    // How long quitting waits for work still running.
    static constexpr std::chrono::milliseconds kQuitWait{800};

    [[nodiscard]] QThreadPool& threads() { return *m_threads; }
    // Waits until `deadline` (QDeadlineTimer::Forever: for ever) for the
    // work started so far; answers whether all of it has run.
    [[nodiscard]] bool drain(QDeadlineTimer deadline);

private:
    const char* m_what;
    std::unique_ptr<QThreadPool> m_threads;
};

// The pool runInBackground starts its work on while it exists: the
// application makes one at start-up, before anything that hands work off,
// and drains it on quit. At most one exists at a time.
class BackgroundPool
{
public:
    BackgroundPool();
    ~BackgroundPool();
    BackgroundPool(const BackgroundPool&) = delete;
    BackgroundPool& operator=(const BackgroundPool&) = delete;

    [[nodiscard]] bool drain(QDeadlineTimer deadline) { return m_pool.drain(deadline); }

private:
    QuitBoundedPool m_pool;
};

// The threads runInBackground uses now: the BackgroundPool's, else Qt's
// global pool.
[[nodiscard]] QThreadPool& backgroundThreads();

// The token of a future's hand-off back to whoever waits for it: an address
// in the state every copy of the future shares.
template <typename Value>
[[nodiscard]] const void* futureHandOffToken(const QFuture<Value>& future)
{
    return &QFutureInterfaceBase::get(future).resultStoreBase();
}

// Starts `work` on `threads`, as runInBackground does on the background
// threads: for work that must not wait behind theirs, nor they behind it.
template <typename Work>
[[nodiscard]] auto runInPool(QThreadPool& threads, Work work) -> QFuture<std::invoke_result_t<Work>>
{
    using Value = std::invoke_result_t<Work>;
    // The pool takes copyable tasks; the promise is shared, not copied.
    auto promise = std::make_shared<QPromise<Value>>();
    QFuture<Value> future = promise->future();
    promise->start();
    const void* token = futureHandOffToken(future);
    threads.start(handedOff([promise, token, work = std::move(work)]() mutable {
        if constexpr (std::is_void_v<Value>)
            work();
        else
            promise->addResult(work());
        releaseHandOff(token);
        promise->finish();
    }));
    return future;
}

template <typename Work>
[[nodiscard]] auto runInBackground(Work work) -> QFuture<std::invoke_result_t<Work>>
{
    return runInPool(backgroundThreads(), std::move(work));
}

template <typename Value, typename Continuation>
void whenReady(const QFuture<Value>& future, QObject* context, Continuation continuation)
{
    auto* watcher = new QFutureWatcher<Value>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, token = futureHandOffToken(future), continuation = std::move(continuation)]() mutable {
                         acquireHandOff(token);
                         watcher->deleteLater();
                         if constexpr (std::is_void_v<Value>)
                             continuation();
                         else
                             // Moved out, not copied: a batch's prepared
                             // keys cross to this thread once.
                             continuation(watcher->future().takeResult());
                     },
                     // Once: taking the result resets the future, and the
                     // pool's task, letting go of its promise later, then
                     // finishes it again; a continuation that asks a
                     // question runs an event loop while its watcher waits
                     // for deletion, and must not be handed that finish.
                     Qt::SingleShotConnection);
    watcher->setFuture(future);
}

} // namespace sorvant
