#pragma once
// UserFileWork: the operations on files the user started (a move to the
// Trash, a deletion), each on a thread of its own and tracked here until it
// ends. They are kept apart from the readers on the shared pools (the
// results' kinds and texts, previews, folder scans, launches), which quitting
// leaves behind after a short wait: quitting never cuts the user's own work.
// Quit asks first while such work runs (quit_question.h); SIGTERM stops each
// operation after the item at hand, and what was left is logged.
//
// An operation goes item by item: it asks shouldStop() before each item and
// counts each item done, so the quit question shows its progress and a stop
// leaves no item half done.
//
//   const QFuture<int> removed = UserFileWork::shared().start(
//       UserFileWork::Kind::Delete, paths.size(), [paths](FileOperation& operation) { ... });
//
// Threads: start, stop, running and waitForDone from any thread; the
// operations' own threads are joined by waitForDone and at the end of the
// process. The result comes back as runInBackground's does (whenReady).

#include "platform/thread_hand_off.h"

#include <QDeadlineTimer>
#include <QFuture>
#include <QList>
#include <QPromise>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>

namespace sorvant {

// What an operation's work sees of itself.
class FileOperation
{
public:
    enum class Kind { Trash, Delete };

    FileOperation(Kind kind, qsizetype total) : m_kind(kind), m_total(total) {}

    // Asked before each item: YES once the operation is to stop.
    [[nodiscard]] bool shouldStop() const { return m_stop.load(std::memory_order_relaxed); }
    // Counts one item done (moved, removed, or refused and left).
    void itemDone() { m_done.fetch_add(1, std::memory_order_relaxed); }

    [[nodiscard]] Kind kind() const { return m_kind; }
    [[nodiscard]] qsizetype total() const { return m_total; }
    [[nodiscard]] qsizetype done() const { return m_done.load(std::memory_order_relaxed); }
    [[nodiscard]] bool stopped() const { return shouldStop(); }
    void stop() { m_stop.store(true, std::memory_order_relaxed); }

private:
    const Kind m_kind;
    const qsizetype m_total;
    std::atomic<qsizetype> m_done{0};
    std::atomic<bool> m_stop{false};
};

class UserFileWork
{
public:
    using Kind = FileOperation::Kind;

    // How far a running operation has come.
    struct Progress
    {
        Kind kind = Kind::Delete;
        qsizetype total = 0;
        qsizetype done = 0;
    };

    UserFileWork() = default;
    // Stops what still runs after its item at hand and waits for it.
    ~UserFileWork();
    UserFileWork(const UserFileWork&) = delete;
    UserFileWork& operator=(const UserFileWork&) = delete;

    // The process's tracker, which the windows' file actions use.
    [[nodiscard]] static UserFileWork& shared();

    // Runs `work` of `total` items on a thread of its own; answers its result.
    template <typename Work>
    [[nodiscard]] auto start(Kind kind, qsizetype total, Work work)
        -> QFuture<std::invoke_result_t<Work, FileOperation&>>
    {
        using Value = std::invoke_result_t<Work, FileOperation&>;
        auto promise = std::make_shared<QPromise<Value>>();
        QFuture<Value> future = promise->future();
        promise->start();
        const void* token = &QFutureInterfaceBase::get(future).resultStoreBase();
        launch(kind, total, [promise, token, work = std::move(work)](FileOperation& operation) mutable {
            if constexpr (std::is_void_v<Value>)
                work(operation);
            else
                promise->addResult(work(operation));
            releaseHandOff(token);
            promise->finish();
        });
        return future;
    }

    // The operations still running, oldest first.
    [[nodiscard]] QList<Progress> running() const;
    [[nodiscard]] bool isRunning() const;
    // Has every running operation stop after its item at hand.
    void stop();
    // Waits until `deadline` for every operation to end (joining their
    // threads); YES when none runs.
    bool waitForDone(QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    // Whether quitting waits for this work (the quit question is up, or
    // SIGTERM came): an operation that ends then starts no other one and
    // asks nothing more.
    void setQuitPending(bool pending) { m_quitPending.store(pending); }
    [[nodiscard]] bool quitPending() const { return m_quitPending.load(); }
    // The operations that were stopped before their last item and have
    // ended since the last call, with how many items each left.
    [[nodiscard]] QList<Progress> takeStopped();

private:
    struct Entry
    {
        std::shared_ptr<FileOperation> operation;
        std::thread thread;
        bool finished = false;
    };

    void launch(Kind kind, qsizetype total, std::function<void(FileOperation&)> work);
    // Joins the finished threads; with the lock held.
    void joinFinished(std::unique_lock<std::mutex>& lock);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::list<Entry> m_entries;
    QList<Progress> m_stopped;
    std::atomic<bool> m_quitPending{false};
};

// What the process does once its event loop has ended: waits for the user's
// file work without limit (a stopped operation ends after its item at hand),
// logs what each stopped operation left ("WARNING: Deleting 150,000 items
// stopped: 108,148 left."), then gives the readers `drainReaders` until
// QuitBoundedPool::kQuitWait from then. Answers whether the readers all
// ended; when not, the process leaves without them.
[[nodiscard]] bool finishWorkAtQuit(UserFileWork& work, const std::function<bool(QDeadlineTimer)>& drainReaders);

// What an operation of `kind` over `count` items says it does, in the
// interface's language: "Deleting 150,000 items…", "Moving 1 item to the
// Trash…".
[[nodiscard]] QString fileOperationDescription(FileOperation::Kind kind, qsizetype count);

} // namespace sorvant
