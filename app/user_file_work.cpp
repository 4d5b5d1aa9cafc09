#include "app/user_file_work.h"

#include "foundation/number_formatting.h"
#include "platform/background_work.h"
#include "platform/log.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <utility>

namespace sorvant {

UserFileWork::~UserFileWork()
{
    stop();
    (void)waitForDone();
}

UserFileWork& UserFileWork::shared()
{
    static UserFileWork work;
    return work;
}

void UserFileWork::launch(Kind kind, qsizetype total, std::function<void(FileOperation&)> work)
{
    auto operation = std::make_shared<FileOperation>(kind, total);
    std::unique_lock lock(m_mutex);
    joinFinished(lock);
    Entry& entry = m_entries.emplace_back();
    entry.operation = operation;
    entry.thread = std::thread([this, operation, &entry, work = std::move(work)] {
        work(*operation);
        const std::lock_guard done(m_mutex);
        if (operation->stopped() && operation->done() < operation->total())
            m_stopped.append({operation->kind(), operation->total(), operation->done()});
        entry.finished = true;
        m_changed.notify_all();
    });
}

void UserFileWork::joinFinished(std::unique_lock<std::mutex>&)
{
    // A finished thread has let go of the lock for good: joining it here
    // waits for nothing but its return.
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->finished) {
            it->thread.join();
            it = m_entries.erase(it);
        } else {
            ++it;
        }
    }
}

QList<UserFileWork::Progress> UserFileWork::running() const
{
    const std::lock_guard lock(m_mutex);
    QList<Progress> progress;
    for (const Entry& entry : m_entries) {
        if (!entry.finished)
            progress.append({entry.operation->kind(), entry.operation->total(), entry.operation->done()});
    }
    return progress;
}

bool UserFileWork::isRunning() const
{
    return !running().isEmpty();
}

void UserFileWork::stop()
{
    const std::lock_guard lock(m_mutex);
    for (Entry& entry : m_entries)
        entry.operation->stop();
}

bool UserFileWork::waitForDone(QDeadlineTimer deadline)
{
    std::unique_lock lock(m_mutex);
    const auto allFinished = [this] {
        return std::all_of(m_entries.cbegin(), m_entries.cend(), [](const Entry& entry) { return entry.finished; });
    };
    if (deadline.isForever())
        m_changed.wait(lock, allFinished);
    else
        (void)m_changed.wait_until(lock, deadline.deadline<std::chrono::steady_clock>(), allFinished);
    joinFinished(lock);
    return m_entries.empty();
}

QList<UserFileWork::Progress> UserFileWork::takeStopped()
{
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_stopped, {});
}

bool finishWorkAtQuit(UserFileWork& work, const std::function<bool(QDeadlineTimer)>& drainReaders)
{
    (void)work.waitForDone();
    for (const UserFileWork::Progress& left : work.takeStopped()) {
        QString what = fileOperationDescription(left.kind, left.total);
        if (what.endsWith(u'…'))
            what.chop(1);
        logWarning(QStringLiteral("%1 stopped: %2 left.").arg(what, stringForInteger(left.total - left.done)));
    }
    return drainReaders(QDeadlineTimer(QuitBoundedPool::kQuitWait));
}

QString fileOperationDescription(FileOperation::Kind kind, qsizetype count)
{
    const bool one = count == 1;
    const QString format = kind == FileOperation::Kind::Trash
                               ? (one ? QCoreApplication::translate("FileActions", "Moving %1 item to the Trash…")
                                      : QCoreApplication::translate("FileActions", "Moving %1 items to the Trash…"))
                               : (one ? QCoreApplication::translate("FileActions", "Deleting %1 item…")
                                      : QCoreApplication::translate("FileActions", "Deleting %1 items…"));
    return format.arg(stringForInteger(count));
}

} // namespace sorvant
