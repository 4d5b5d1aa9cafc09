#pragma once
// UserFileWork: the operations on files the user started (a move to the
// Trash, a deletion), each on a thread of its own and tracked here until it
// ends. They are kept apart from the readers on the shared pools (the
// results' kinds and texts, previews, folder scans, launches), which quitting
// leaves behind after a short wait: quitting never cuts the user's own work.
// Quit asks first while such work runs (quit_question.h); SIGTERM stops each
// operation after the item at hand (stopFromSignal, in the handler itself),
// and what was left is logged.
//
// An operation goes item by item: it asks shouldStop() before each item and
// counts each item removed or failed, so the quit question and the window
// show its progress and a stop leaves no item half done. A folder's files
// are items of their own: its work may count them first (setTotal) and
// then count each file as it goes.
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

    // `stopAll`, when given, stops it too once set (its tracker's flag that
    // a signal handler sets); it outlives the operation.
    FileOperation(Kind kind, qsizetype total, const std::atomic<bool>* stopAll = nullptr)
        : m_kind(kind), m_total(total), m_stopAll(stopAll)
    {
    }

    // Asked before each item: YES once the operation is to stop.
    [[nodiscard]] bool shouldStop() const
    {
        return m_stop.load(std::memory_order_relaxed) || (m_stopAll && m_stopAll->load(std::memory_order_relaxed));
    }
    // Counts one item done: moved or removed.
    void itemDone() { itemsDone(1); }
    void itemsDone(qsizetype count) { m_removed.fetch_add(count, std::memory_order_relaxed); }
    // Counts `count` items gone through but still there (refused, failed).
    void itemsFailed(qsizetype count = 1) { m_failed.fetch_add(count, std::memory_order_relaxed); }
    // The number of items, once the work has counted a folder's files.
    void setTotal(qsizetype total) { m_total.store(total, std::memory_order_relaxed); }

    [[nodiscard]] Kind kind() const { return m_kind; }
    [[nodiscard]] qsizetype total() const { return m_total.load(std::memory_order_relaxed); }
    // The items gone through: removed or failed.
    [[nodiscard]] qsizetype done() const { return removed() + failed(); }
    [[nodiscard]] qsizetype removed() const { return m_removed.load(std::memory_order_relaxed); }
    [[nodiscard]] qsizetype failed() const { return m_failed.load(std::memory_order_relaxed); }
    void stop() { m_stop.store(true, std::memory_order_relaxed); }

private:
    const Kind m_kind;
    std::atomic<qsizetype> m_total;
    std::atomic<qsizetype> m_removed{0};
    std::atomic<qsizetype> m_failed{0};
    std::atomic<bool> m_stop{false};
    const std::atomic<bool>* m_stopAll;
};

class UserFileWork
{
public:
    using Kind = FileOperation::Kind;

    // How far a running operation has come: `done` items gone through, of
    // which `failed` are still there.
    struct Progress
    {
        Kind kind = Kind::Delete;
        qsizetype total = 0;
        qsizetype done = 0;
        qsizetype failed = 0;

        // The items still there: not reached, or failed.
        [[nodiscard]] qsizetype left() const { return total - done + failed; }
        [[nodiscard]] static Progress of(const FileOperation& operation)
        {
            return {operation.kind(), operation.total(), operation.done(), operation.failed()};
        }
    };
    // Starts a thread running `body`; throws std::system_error when none
    // can be made (as std::thread does). Tests replace it.
    using ThreadStarter = std::function<std::thread(std::function<void()> body)>;

    UserFileWork() = default;
    explicit UserFileWork(ThreadStarter starter) : m_starter(std::move(starter)) {}
    // Stops what still runs after its item at hand and waits for it.
    ~UserFileWork();
    UserFileWork(const UserFileWork&) = delete;
    UserFileWork& operator=(const UserFileWork&) = delete;

    // The process's tracker, which the windows' file actions use.
    [[nodiscard]] static UserFileWork& shared();

    // Runs `work` of `total` items on a thread of its own; answers its result.
    // When no thread can be made, the operation is stopped before its first
    // item and `work` runs here, so its result still comes and nothing waits
    // for an operation that never ends.
    // `tracked`, when given, is set to the operation, whose progress its
    // starter may read while it runs.
    template <typename Work>
    [[nodiscard]] auto start(Kind kind, qsizetype total, Work work,
                             std::shared_ptr<const FileOperation>* tracked = nullptr)
        -> QFuture<std::invoke_result_t<Work, FileOperation&>>
    {
        using Value = std::invoke_result_t<Work, FileOperation&>;
        auto promise = std::make_shared<QPromise<Value>>();
        QFuture<Value> future = promise->future();
        promise->start();
        const void* token = &QFutureInterfaceBase::get(future).resultStoreBase();
        std::shared_ptr<const FileOperation> started =
            launch(kind, total, [promise, token, work = std::move(work)](FileOperation& operation) mutable {
                if constexpr (std::is_void_v<Value>)
                    work(operation);
                else
                    promise->addResult(work(operation));
                releaseHandOff(token);
                promise->finish();
            });
        if (tracked)
            *tracked = std::move(started);
        return future;
    }

    // The operations still running, oldest first.
    [[nodiscard]] QList<Progress> running() const;
    [[nodiscard]] bool isRunning() const;
    // Has every running operation stop after its item at hand.
    void stop();
    // The same from a signal handler: it only sets a lock-free flag that
    // every operation reads before each item, so the work stops while the
    // interface thread is busy; an operation started after it stops before
    // its first item.
    void stopFromSignal() noexcept { m_stopAll.store(true, std::memory_order_relaxed); }
    // Waits until `deadline` for every operation to end (joining their
    // threads); YES when none runs.
    bool waitForDone(QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    // Whether quitting waits for this work (the quit question is up, or
    // SIGTERM came): an operation that ends then starts no other one and
    // asks nothing more.
    void setQuitPending(bool pending) { m_quitPending.store(pending); }
    [[nodiscard]] bool quitPending() const { return m_quitPending.load(); }
    // The operations that left items (stopped before their last item, or
    // ended with failures while quitting was pending) and have ended since
    // the last call.
    [[nodiscard]] QList<Progress> takeStopped();

private:
    struct Entry
    {
        std::shared_ptr<FileOperation> operation;
        std::thread thread;
        bool finished = false;
    };

    std::shared_ptr<const FileOperation> launch(Kind kind, qsizetype total, std::function<void(FileOperation&)> work);
    // Notes an operation that has ended; with the lock held.
    void noteEnded(const FileOperation& operation);
    // Joins the finished threads; with the lock held.
    void joinFinished(std::unique_lock<std::mutex>& lock);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::list<Entry> m_entries;
    QList<Progress> m_stopped;
    std::atomic<bool> m_quitPending{false};
    std::atomic<bool> m_stopAll{false}; // set by stopFromSignal
    static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler sets it");
    ThreadStarter m_starter;
};

// What the process does once its event loop has ended: waits for the user's
// file work without limit (a stopped operation ends after its item at hand),
// logs in English what each stopped operation left ("WARNING: Deleting
// 150,000 items stopped: 108,148 left, 10,000 of them failed."), then gives the readers `drainReaders` until
// QuitBoundedPool::kQuitWait from then. Answers whether the readers all
// ended; when not, the process leaves without them.
[[nodiscard]] bool finishWorkAtQuit(UserFileWork& work, const std::function<bool(QDeadlineTimer)>& drainReaders);

// What an operation of `kind` over `count` items says it does, in the
// interface's language: "Deleting 150,000 items…", "Moving 1 item to the
// Trash…".
[[nodiscard]] QString fileOperationDescription(FileOperation::Kind kind, qsizetype count);
// How far it has come, in the interface's language: "Deleting 828 of
// 150,000 items…", "Moving 3 of 10 items to the Trash…".
[[nodiscard]] QString fileOperationProgress(const UserFileWork::Progress& progress);
// The log's line of what a stopped operation left, always in English:
// "Deleting 5 items stopped: 4 left.", "Moving 3 items to the Trash stopped:
// 2 left, 1 of them failed."
[[nodiscard]] QString fileOperationLeftLine(const UserFileWork::Progress& progress);

} // namespace sorvant
